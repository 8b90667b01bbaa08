/* Placeholder until the grammar of "%READ_MAP" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines read_map
   deletes this file. */
read_map : "%READ_MAP" UNBUILT ;
