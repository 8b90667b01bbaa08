/* The hold sequence of an instruction. */

hold_1
    : "%HOLD" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(HOLD_NODE, $3.node); }
    ;
