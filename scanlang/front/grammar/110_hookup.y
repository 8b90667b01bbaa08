/* %HOOKUP: clock blocks of a name, an instance and a pin.  The items
   pass up as a chain; the top level wraps them in the HOOKUP_NODE. */

hookup_part
    : "%HOOKUP" "{" hookup_items "}" { $$.node = $3.node; }
    ;
hookup_items
    : hookup_items hookup_item { $$.node = scan_chain_append($1.node, $2.node); }
    | hookup_item
    ;
hookup_item
    : clock_block { $$.node = scan_holder(CLOCK_NODE, $1.node); }
    ;
clock_block_items
    : clock_block_items clock_item { $$.node = scan_chain_append($1.node, $2.node); }
    | clock_item
    ;
