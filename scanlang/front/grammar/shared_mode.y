/* The test mode of an instruction. */
mode
    : "%MODE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(MODE_NODE, $3.node); }
    ;
