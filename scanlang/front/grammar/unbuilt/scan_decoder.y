/* Placeholder until the grammar of "%SCAN_DECODER" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines scan_decoder
   deletes this file. */
scan_decoder : "%SCAN_DECODER" UNBUILT ;
