/* The sequences run before an instruction. */

preamble_1
    : "%PREAMBLE" "=" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(PREAMBLE_NODE, $3.node); }
    ;
