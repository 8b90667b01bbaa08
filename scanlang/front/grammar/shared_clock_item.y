/* The name, instance and pin of a clock (items of a braced %CLOCK
   block). */

clock_item
    : "%NAME" "=" IDENT ";"          { $$.node = SCAN_MAKE_SOLO_AST(NAME_NODE, $3.node); }
    | "%INSTANCE_NAME" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(INSTANCE_NAME_NODE, $3.node); }
    | "%PIN_NAME" "=" IDENT ";"      { $$.node = SCAN_MAKE_SOLO_AST(PIN_NAME_NODE, $3.node); }
    ;
