/* %CONTROL: a pin held at a value. */
control
    : "%CONTROL" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(CONTROL_NODE, $2.node, $4.node); }
    ;
