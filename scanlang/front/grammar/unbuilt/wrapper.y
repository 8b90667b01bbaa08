/* Placeholder until the grammar of "%WRAPPER" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines wrapper
   deletes this file. */
wrapper : "%WRAPPER" UNBUILT ;
