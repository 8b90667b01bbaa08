/* Placeholder until the grammar of "%SELECT_FAULT" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines select_fault_block
   deletes this file. */
select_fault_block : "%SELECT_FAULT" UNBUILT ;
