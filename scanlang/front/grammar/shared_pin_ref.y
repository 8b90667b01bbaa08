/* A port, or an instance with its pin in braces: the pin hangs under the
   instance's name. */
pin_ref
    : IDENT
    | IDENT "{" IDENT "}" { $$.node = SCAN_APPEND_CHILD($1.node, $3.node); }
    ;
