/* An extra sequence of an instruction (%EXTRA or %EXTRA_SEQ). */

extra_seq
    : "%EXTRA" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(EXTRA_SEQ_NODE, $3.node); }
    ;
