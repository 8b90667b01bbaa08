/* Placeholder until the grammar of "%SELECT_SCAN" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines select_scan
   deletes this file. */
select_scan : "%SELECT_SCAN" UNBUILT ;
