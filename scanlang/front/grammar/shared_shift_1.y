/* The shift sequence of an instruction. */

shift_1
    : "%SHIFT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(SHIFT_NODE, $3.node); }
    ;
