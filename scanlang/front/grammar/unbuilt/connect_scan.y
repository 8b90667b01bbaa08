/* Placeholder until the grammar of "%CONNECT_SCAN" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines connect_scan
   deletes this file. */
connect_scan : "%CONNECT_SCAN" UNBUILT ;
