/* Placeholder until the grammar of "%CORE_NO_SCAN" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines core_no_scan
   deletes this file. */
core_no_scan : "%CORE_NO_SCAN" UNBUILT ;
