/* Placeholder until the grammar of "%TEST_CONVERSION" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines test_conversion_block
   deletes this file. */
test_conversion_block : "%TEST_CONVERSION" UNBUILT ;
