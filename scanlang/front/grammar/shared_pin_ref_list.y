/* Comma-separated pin references, as a chain of their leaves. */

pin_ref_list
    : pin_ref_list "," pin_ref { $$.node = scan_chain_append($1.node, $3.node); }
    | pin_ref
    ;
