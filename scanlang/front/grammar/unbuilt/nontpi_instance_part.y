/* Placeholder until the grammar of "%NONTPI_INSTANCE" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines nontpi_instance_part
   deletes this file. */
nontpi_instance_part : "%NONTPI_INSTANCE" UNBUILT ;
