/* Placeholder until the grammar of "%CRITICAL_PATH" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines critical_path_part
   deletes this file. */
critical_path_part : "%CRITICAL_PATH" UNBUILT ;
