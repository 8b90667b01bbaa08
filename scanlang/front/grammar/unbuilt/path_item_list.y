/* Placeholder until the grammar of "%PATH" lands: the keyword is followed
   by a token that no input produces, so a file that uses it is refused as
   not available in this version.  The fragment that defines path_item_list
   deletes this file. */
path_item_list : "%PATH" UNBUILT ;
