/* %SCAN_REPAIR (the values a net is forced to while shifting, holding
   and capturing) and %TOP_MODULE. */

scan_repair
    : "%SCAN_REPAIR" "{" force_net "}"
      {
          $$.node = SCAN_MAKE_SOLO_AST(SCAN_REPAIR_NODE, $3.node);
          scan_clear_table(scan_repair_t);
      }
    ;
force_net
    : "%FORCE_NET" "{" force_net_items "}"
      {
          ScanAstNode* node = scan_take_children(SCAN_MAKE_AST(FORCE_NET_NODE), $3.node);
          $$.node = scan_once(scan_repair_t[REPAIR_FORCE_NET], node);
      }
    ;
force_net_items
    : force_net_item                 { $$.node = scan_holder(DUMMY, $1.node); }
    | force_net_items force_net_item { $$.node = scan_append_item($1.node, $2.node); }
    ;
force_net_item
    : net_name  { $$.node = scan_once(scan_repair_t[REPAIR_NET_NAME], $1.node); }
    | shift_2   { $$.node = scan_once(scan_repair_t[REPAIR_SHIFT], $1.node); }
    | hold_2    { $$.node = scan_once(scan_repair_t[REPAIR_HOLD], $1.node); }
    | capture_2 { $$.node = scan_once(scan_repair_t[REPAIR_CAPTURE], $1.node); }
    ;
net_name
    : "%NET_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(NET_NAME_NODE, $3.node); }
    ;
shift_2
    : "%SHIFT" "=" PATTERN ";" { $$.node = SCAN_MAKE_SOLO_AST(SHIFT_NODE, $3.node); }
    ;
hold_2
    : "%HOLD" "=" PATTERN ";" { $$.node = SCAN_MAKE_SOLO_AST(HOLD_NODE, $3.node); }
    ;
capture_2
    : "%CAPTURE" "=" PATTERN ";" { $$.node = SCAN_MAKE_SOLO_AST(CAPTURE_NODE, $3.node); }
    ;

top_module_1
    : "%TOP_MODULE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(TOP_MODULE_NODE, $3.node); }
    ;
