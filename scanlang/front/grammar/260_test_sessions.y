/* Test scheduling: %TEST_SCHEDULE (the sessions in order),
   %TEST_SESSION (what each session runs) and %TEST_ARCHITECTURE (the TAM
   configuration of the cores). */

test_schedule
    : "%TEST_SCHEDULE" "{" test_session_2_list "}" { $$.node = scan_holder(TEST_SCHEDULE_NODE, $3.node); }
    ;
test_session_2_list
    : test_session_2_list test_session_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | test_session_2
    ;
test_session_2
    : "%TEST_SESSION" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(TEST_SESSION_NODE, $2.node); }
    ;

test_session_1
    : "%TEST_SESSION" IDENT ";" "{" test_session_info_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(TEST_SESSION_NODE, $2.node), $5.node); }
    ;
test_session_info_list
    : test_session_info_list test_session_info { $$.node = scan_chain_append($1.node, $2.node); }
    | test_session_info
    ;
/* A core and its test, written "core . test;" (a dot inside a word
   belongs to the name). */
test_session_info
    : IDENT "." IDENT ";" { $$.node = SCAN_MAKE_DUET_AST(TEST_SESSION_INFO_NODE, $1.node, $3.node); }
    ;

test_architecture
    : "%TEST_ARCHITECTURE" "{" tam_config_list "}" { $$.node = scan_holder(TEST_ARCHITECTURE_NODE, $3.node); }
    ;
tam_config_list
    : tam_config_list tam_config { $$.node = scan_chain_append($1.node, $2.node); }
    | tam_config
    ;
tam_config
    : "%TAM_CONFIG" "{" core_2_list "}"     { $$.node = scan_holder(TAM_CONFIG_NODE, $3.node); }
    | "%TYPE" "=" IDENT ";"                 { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $3.node); }
    | "%TEST_CONTROLLER" "=" IDENT ";"      { $$.node = SCAN_MAKE_SOLO_AST(TEST_CONTROLLER_NODE, $3.node); }
    ;
core_2_list
    : core_2_list core_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | core_2
    ;
core_2
    : "%CORE" IDENT "{" tam_in_list "}" { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(CORE_NODE, $2.node), $4.node); }
    ;
tam_in_list
    : tam_in_list tam_in { $$.node = scan_chain_append($1.node, $2.node); }
    | tam_in
    ;
tam_in
    : "%TAM_IN" IDENT "{" tam_in_port_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(TAM_IN_NODE, $2.node), $4.node); }
    | "%TAM_OUT" IDENT "{" tam_out_port_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(TAM_OUT_NODE, $2.node), $4.node); }
    | "%PORT_INFO" "{" port_2 "}" { $$.node = SCAN_MAKE_SOLO_AST(PORT_INFO_NODE, $3.node); }
    ;
port_2
    : "%PORT" IDENT "{" type_2_list "}" { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(PORT_NODE, $2.node), $4.node); }
    ;
type_2_list
    : type_2_list type_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | type_2
    ;
type_2
    : "%TYPE" IDENT ";"      { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $2.node); }
    | "%PORT_MAP" names ";"  { $$.node = SCAN_MAKE_SOLO_AST(PORT_MAP_NODE, $2.node); }
    ;
tam_in_port_list
    : tam_in_port_list tam_in_port { $$.node = scan_chain_append($1.node, $2.node); }
    | tam_in_port
    ;
tam_in_port
    : "%TAM_IN_PORT" "=" IDENT ";"     { $$.node = SCAN_MAKE_SOLO_AST(TAM_IN_PORT_NODE, $3.node); }
    | "%TAM_IN_PAD" "=" IDENT ";"      { $$.node = SCAN_MAKE_SOLO_AST(TAM_IN_PAD_NODE, $3.node); }
    | "%TAM_IN_PAD_OUT" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(TAM_IN_PAD_OUT_NODE, $3.node); }
    ;
tam_out_port_list
    : tam_out_port_list tam_out_port { $$.node = scan_chain_append($1.node, $2.node); }
    | tam_out_port
    ;
tam_out_port
    : "%TAM_OUT_PORT" "=" IDENT ";"    { $$.node = SCAN_MAKE_SOLO_AST(TAM_OUT_PORT_NODE, $3.node); }
    | "%TAM_OUT_PAD" "=" IDENT ";"     { $$.node = SCAN_MAKE_SOLO_AST(TAM_OUT_PAD_NODE, $3.node); }
    | "%TAM_OUT_PAD_IN" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(TAM_OUT_PAD_IN_NODE, $3.node); }
    ;
