/* The mode of an instruction (a string). */

mode
    : "%MODE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(MODE_NODE, $3.node); }
    ;
