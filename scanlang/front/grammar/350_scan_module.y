%%
/* %SCAN_MODULE: one module's scan-in, scan-out, scan-mode and test-mode
   pins (each once) and its %DONT_FIX items. */
scan_module_block
    : "%SCAN_MODULE" IDENT "{" scan_module_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(SCAN_MODULE_NODE, $2.node), $4.node);
          scan_clear_table(scan_module_t);
      }
    ;
scan_module_items
    : scan_module_items scan_module_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_module_item                   { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_module_item
    : "%SCAN_IN" "=" signal ";"
      { $$.node = scan_once(scan_module_t[SM_SCAN_IN], SCAN_MAKE_SOLO_AST(SCAN_IN_NODE, $3.node)); }
    | "%SCAN_OUT" "=" signal ";"
      { $$.node = scan_once(scan_module_t[SM_SCAN_OUT], SCAN_MAKE_SOLO_AST(SCAN_OUT_NODE, $3.node)); }
    | "%SCAN_MODE" "=" signal ";"
      { $$.node = scan_once(scan_module_t[SM_SCAN_MODE], SCAN_MAKE_SOLO_AST(SCAN_MODE_NODE, $3.node)); }
    | "%TEST_MODE" "=" signal ";"
      { $$.node = scan_once(scan_module_t[SM_TEST_MODE], SCAN_MAKE_SOLO_AST(TEST_MODE_NODE, $3.node)); }
    | dont_fix_info
    ;
