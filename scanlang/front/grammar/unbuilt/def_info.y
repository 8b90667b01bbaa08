/* Placeholder until the grammar of "%DEF_INFO" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines def_info
   deletes this file. */
def_info : "%DEF_INFO" UNBUILT ;
