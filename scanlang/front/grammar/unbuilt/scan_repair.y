/* Placeholder until the grammar of "%SCAN_REPAIR" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines scan_repair
   deletes this file. */
scan_repair : "%SCAN_REPAIR" UNBUILT ;
