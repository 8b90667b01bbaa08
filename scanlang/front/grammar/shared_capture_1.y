/* The capture sequence of an instruction. */

capture_1
    : "%CAPTURE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(CAPTURE_NODE, $3.node); }
    ;
