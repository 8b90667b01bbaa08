/* Placeholder until the grammar of "%LOCKUP_LATCH_FILE" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines lockup_latch_file_block
   deletes this file. */
lockup_latch_file_block : "%LOCKUP_LATCH_FILE" UNBUILT ;
