/* Placeholder until the grammar of "MUST_SCAN" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines pso_item_list
   deletes this file. */
pso_item_list : "MUST_SCAN" UNBUILT ;
