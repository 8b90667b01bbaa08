/* Placeholder until the grammar of "%REGISTER_LENGTH" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines cfg_register_length
   deletes this file. */
cfg_register_length : "%REGISTER_LENGTH" UNBUILT ;
