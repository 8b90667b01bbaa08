/* Placeholder until the grammar of "%MULTICYCLE_PATH" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines multicycle_path_part
   deletes this file. */
multicycle_path_part : "%MULTICYCLE_PATH" UNBUILT ;
