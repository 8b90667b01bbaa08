/* Placeholder until the grammar of "%PLL" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines pll
   deletes this file. */
pll : "%PLL" UNBUILT ;
