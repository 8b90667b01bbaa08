/* %SELECT_SCAN: how much of the design is scanned and which cells,
   modules and instances are left out or forced in. */

select_scan
    : "%SELECT_SCAN" "{" select_scan_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SELECT_SCAN_NODE), $3.node);
          check_missing(BLOCK_SELECT_SCAN);
          scan_clear_table(select_scan_t);
      }
    ;
/* A repeated name-list statement gives its names to the first statement
   of its kind and is dropped. */
select_scan_items
    : select_scan_items select_scan_item
      {
          $$.node = scan_merge_names($1.node, $2.node,
                                     {DONT_SCAN_TYPE_NODE, DONT_SCAN_MODULE_NODE, MUST_SCAN_TYPE_NODE,
                                      DONT_SCAN_NODE, MUST_SCAN_NODE});
      }
    | select_scan_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
select_scan_item
    : scan_init        { $$.node = scan_once(select_scan_t[SELECT_SCAN_INIT], $1.node); }
    | scan_incr        { $$.node = scan_once(select_scan_t[SELECT_SCAN_INCR], $1.node); }
    | scan_max         { $$.node = scan_once(select_scan_t[SELECT_SCAN_MAX], $1.node); }
    | dont_scan_type   { $$.node = scan_count(select_scan_t[SELECT_DONT_SCAN_TYPE], $1.node); }
    | must_scan_type   { $$.node = scan_count(select_scan_t[SELECT_MUST_SCAN_TYPE], $1.node); }
    | dont_scan_module { $$.node = scan_count(select_scan_t[SELECT_DONT_SCAN_MODULE], $1.node); }
    | dont_scan        { $$.node = scan_count(select_scan_t[SELECT_DONT_SCAN], $1.node); }
    | must_scan        { $$.node = scan_count(select_scan_t[SELECT_MUST_SCAN], $1.node); }
    ;

scan_init
    : "%SCAN_INIT" integer_or_percentage ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_INIT_NODE, $2.node); }
    ;
scan_incr
    : "%SCAN_INCR" integer_or_percentage ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_INCR_NODE, $2.node); }
    ;
scan_max
    : "%SCAN_MAX" integer_or_percentage ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_MAX_NODE, $2.node); }
    ;
dont_scan_type
    : "%DONT_SCAN_TYPE" cell_module_list_1 ";" { $$.node = SCAN_MAKE_SOLO_AST(DONT_SCAN_TYPE_NODE, $2.node); }
    ;
must_scan_type
    : "%MUST_SCAN_TYPE" cell_module_list_1 ";" { $$.node = SCAN_MAKE_SOLO_AST(MUST_SCAN_TYPE_NODE, $2.node); }
    ;
dont_scan_module
    : "%DONT_SCAN_MODULE" cell_module_list_1 ";" { $$.node = SCAN_MAKE_SOLO_AST(DONT_SCAN_MODULE_NODE, $2.node); }
    ;
dont_scan
    : "%DONT_SCAN" signal_list ";" { $$.node = SCAN_MAKE_SOLO_AST(DONT_SCAN_NODE, $2.node); }
    ;
must_scan
    : "%MUST_SCAN" signal_list ";" { $$.node = SCAN_MAKE_SOLO_AST(MUST_SCAN_NODE, $2.node); }
    ;

integer_or_percentage
    : INTEGER
    | PERCENTAGE
    ;
/* Comma-separated cell or module names under a CELL_MODULE_NODE. */
cell_module_list_1
    : cell_module_list_2
    ;
cell_module_list_2
    : cell_module_list_2 "," IDENT { $$.node = scan_append_item($1.node, $3.node); }
    | IDENT                        { $$.node = scan_holder(CELL_MODULE_NODE, $1.node); }
    ;
