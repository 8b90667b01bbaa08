/* The compression configuration: %FENNOX_INFO, %CIPHERTEXT,
   %INSTRUCTION_BINARY, %REGISTER_LENGTH and the numbered %FENNOX_IN_<n> /
   %FENNOX_OUT_<n> port groups. */

fennox_info
    : "%FENNOX_INFO" IDENT "{" fennox_info_items "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(FENNOX_INFO_NODE, $2.node), $4.node); }
    | "%FENNOX_INFO" "{" fennox_info_items "}" { $$.node = scan_holder(FENNOX_INFO_NODE, $3.node); }
    ;
fennox_info_items
    : fennox_info_items fennox_info_item { $$.node = scan_chain_append($1.node, $2.node); }
    | fennox_info_item
    ;
fennox_info_item
    : "%CHAIN_ORDER" name_list ";"     { $$.node = SCAN_MAKE_SOLO_AST(CHAIN_ORDER_NODE, $2.node); }
    | "%VIRTUAL_SOURCE" name_list ";"  { $$.node = SCAN_MAKE_SOLO_AST(VIRTUAL_SOURCE_NODE, $2.node); }
    | "%VIRTUAL_CONTROL" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(VIRTUAL_CONTROL_NODE, $2.node); }
    ;

/* The numbers pass up as a chain; the top level wraps them. */
ciphertext_part
    : "%CIPHERTEXT" "{" ciphertext_list "}" { $$.node = $3.node; }
    ;
ciphertext_list
    : ciphertext_list integer_item { $$.node = scan_chain_append($1.node, $2.node); }
    | integer_item
    ;
integer_item
    : INTEGER
    ;

cfg_instruction_binary
    : "%INSTRUCTION_BINARY" PATTERN ";" { $$.node = SCAN_MAKE_SOLO_AST(CFG_INSTRUCTION_BINARY_NODE, $2.node); }
    ;
cfg_register_length
    : "%REGISTER_LENGTH" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(CFG_REGISTER_LENGTH_NODE, $2.node); }
    ;

/* A port group: the port's name, then the %GROUP list of its entries. */
cfg_fennox_in
    : "%FENNOX_IN_<n>" "{" "%PORT_NAME" IDENT ";" cfg_group_list_1 "}"
      {
          $$.node = SCAN_MAKE_DUET_AST(CFG_FENNOX_IN_NODE, SCAN_MAKE_SOLO_AST(CFG_PORT_NAME_NODE, $4.node),
                                       $6.node);
      }
    ;
cfg_group_list_1
    : "%GROUP" "{" cfg_group_1_list "}" { $$.node = scan_holder(CFG_GROUP_LIST_NODE, $3.node); }
    ;
cfg_group_1_list
    : cfg_group_1_list cfg_group_1 { $$.node = scan_chain_append($1.node, $2.node); }
    | cfg_group_1
    ;
cfg_group_1
    : IDENT "," port_ref "," port_ref "," IDENT ";"
      { $$.node = SCAN_MAKE_QUARTET_AST(CFG_GROUP_NODE, $1.node, $3.node, $5.node, $7.node); }
    | IDENT "," port_ref "," port_ref ";" { $$.node = SCAN_MAKE_TRIO_AST(CFG_GROUP_NODE, $1.node, $3.node, $5.node); }
    ;
port_ref
    : IDENT "{" IDENT "}" { $$.node = scan_pin_ref($1.node, $3.node); }
    | IDENT
    ;

cfg_fennox_out
    : "%FENNOX_OUT_<n>" "{" "%PORT_NAME" IDENT ";" cfg_group_list_2 "}"
      {
          $$.node = SCAN_MAKE_DUET_AST(CFG_FENNOX_OUT_NODE, SCAN_MAKE_SOLO_AST(CFG_PORT_NAME_NODE, $4.node),
                                       $6.node);
      }
    ;
cfg_group_list_2
    : "%GROUP" "{" cfg_group_2_list "}" { $$.node = scan_holder(CFG_GROUP_LIST_NODE, $3.node); }
    ;
cfg_group_2_list
    : cfg_group_2_list cfg_group_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | cfg_group_2
    ;
cfg_group_2
    : IDENT "," comma_name_list ";" { $$.node = SCAN_MAKE_DUET_AST(CFG_GROUP_NODE, $1.node, $3.node); }
    ;
comma_name_list
    : comma_names
    ;
comma_names
    : comma_names "," IDENT { $$.node = scan_append_item($1.node, $3.node); }
    | IDENT                 { $$.node = scan_holder(IDENT_LIST_NODE, $1.node); }
    ;
