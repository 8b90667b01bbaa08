/* Placeholder until the grammar of "%TA_CONSTRAINTS" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines ta_constraints_block
   deletes this file. */
ta_constraints_block : "%TA_CONSTRAINTS" UNBUILT ;
