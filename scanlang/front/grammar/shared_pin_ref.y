/* A pin reference: a name, or an instance and its pin (the pin's leaf
   hangs under the instance's). */

pin_ref
    : IDENT
    | IDENT "{" IDENT "}" { $$.node = scan_pin_ref($1.node, $3.node); }
    ;
