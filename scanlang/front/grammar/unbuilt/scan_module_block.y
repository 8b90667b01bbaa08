/* Placeholder until the grammar of "%SCAN_MODULE" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines scan_module_block
   deletes this file. */
scan_module_block : "%SCAN_MODULE" UNBUILT ;
