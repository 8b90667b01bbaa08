/* Placeholder until the grammar of "%FALSE_PATH" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines false_path_part
   deletes this file. */
false_path_part : "%FALSE_PATH" UNBUILT ;
