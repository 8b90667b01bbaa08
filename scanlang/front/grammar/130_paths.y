/* Timing paths: %MULTICYCLE_PATH, %CRITICAL_PATH and %FALSE_PATH, whose
   %PATH entries are also the whole content of a path file, and
   %NONTPI_INSTANCE.  The entries pass up as a chain; the top level wraps
   them in the block's node. */

multicycle_path_part
    : "%MULTICYCLE_PATH" "{" path_item_list "}"
      { $$.node = scan_path_section($3.node, "In multicycle path file , should just exist the PATH list!\n"); }
    ;
false_path_part
    : "%FALSE_PATH" "{" path_item_list "}"
      { $$.node = scan_path_section($3.node, "In false path file , should just exist the PATH list!\n"); }
    ;

path_item_list
    : path_block
    | path_item_list path_block { $$.node = scan_chain_append($1.node, $2.node); }
    ;
path_block
    : "%PATH" "{" path_items "}" { $$.node = scan_holder(PATH_NODE, $3.node); }
    ;
path_items
    : path_item
    | path_items path_item { $$.node = scan_chain_append($1.node, $2.node); }
    ;
path_item
    : "%FROM" "=" pin_ref_list ";"    { $$.node = scan_holder(FROM_NODE, $3.node); }
    | "%THROUGH" "=" pin_ref_list ";" { $$.node = scan_holder(THROUGH_NODE, $3.node); }
    | "%TO" "=" pin_ref_list ";"      { $$.node = scan_holder(TO_NODE, $3.node); }
    | "%CYCLE" "=" INTEGER ";"        { $$.node = SCAN_MAKE_SOLO_AST(CYCLE_NODE, $3.node); }
    | file_name_part                  { $$.node = SCAN_MAKE_SOLO_AST(FILE_NAME_NODE, $1.node); }
    ;

critical_path_part
    : "%CRITICAL_PATH" "{" cpath_list "}" { $$.node = $3.node; }
    ;
cpath_list
    : cpath
    | cpath_list cpath { $$.node = scan_chain_append($1.node, $2.node); }
    ;
cpath
    : "%CPATH" "=" pin_ref_list ";" { $$.node = scan_holder(CPATH_NODE, $3.node); }
    ;

nontpi_instance_part
    : "%NONTPI_INSTANCE" "{" instance_list "}" { $$.node = $3.node; }
    ;
instance_list
    : instance_list instance { $$.node = scan_chain_append($1.node, $2.node); }
    | instance
    ;
instance
    : "%INSTANCE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(INSTANCE_NODE, $3.node); }
    ;
