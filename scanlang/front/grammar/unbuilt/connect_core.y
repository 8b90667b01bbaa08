/* Placeholder until the grammar of "%CONNECT_CORE" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines connect_core
   deletes this file. */
connect_core : "%CONNECT_CORE" UNBUILT ;
