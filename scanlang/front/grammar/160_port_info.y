/* %PORT_INFO: per port its pads, its type and its port maps. */

port_info
    : "%PORT_INFO" "{" port_blocks "}" { $$.node = scan_holder(PORT_INFO_NODE, $3.node); }
    ;
port_blocks
    : port_blocks port_block { $$.node = scan_chain_append($1.node, $2.node); }
    | port_block
    ;
port_block
    : "%PORT" IDENT "{" pad_list "}" { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(PORT_NODE, $2.node), $4.node); }
    ;
pad_list
    : pad_list pad { $$.node = scan_chain_append($1.node, $2.node); }
    | pad
    ;
pad
    : "%PAD" IDENT "{" name_list "}" ";"      { $$.node = SCAN_MAKE_DUET_AST(PAD_NODE, $2.node, $4.node); }
    | "%TYPE" IDENT ";"                       { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $2.node); }
    | "%PORT_MAP" IDENT "{" name_list "}" ";" { $$.node = SCAN_MAKE_DUET_AST(PORT_MAP_NODE, $2.node, $4.node); }
    ;
