/* Placeholder until the grammar of "%INSTRUCTION_BINARY" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines cfg_instruction_binary
   deletes this file. */
cfg_instruction_binary : "%INSTRUCTION_BINARY" UNBUILT ;
