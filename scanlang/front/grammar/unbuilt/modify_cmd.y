/* Placeholder until the grammar of "%SCAN_MODIFY_CMD" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines modify_cmd
   deletes this file. */
modify_cmd : "%SCAN_MODIFY_CMD" UNBUILT ;
