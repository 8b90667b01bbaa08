/* Placeholder until the grammar of "%CIPHERTEXT" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines ciphertext_part
   deletes this file. */
ciphertext_part : "%CIPHERTEXT" UNBUILT ;
