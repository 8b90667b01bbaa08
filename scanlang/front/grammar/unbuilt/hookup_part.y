/* Placeholder until the grammar of "%HOOKUP" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines hookup_part
   deletes this file. */
hookup_part : "%HOOKUP" UNBUILT ;
