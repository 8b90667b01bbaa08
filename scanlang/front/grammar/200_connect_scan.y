%code {
/* The end of a %CONNECT_SCAN block: its items follow the chain's names,
   then the block's checks, and its table starts afresh. */
static ScanAstNode* close_connect_scan(ScanAstNode* node, ScanAstNode* items) {
    scan_take_children(node, items);
    check_missing(BLOCK_CONNECT_SCAN);
    scan_clear_table(connect_scan_t);
    return node;
}
}
%%
/* %CONNECT_SCAN: one scan chain (its name and scan cell) with its scan
   ports, pads, selects, clocks, delays, instances and instruction. */

connect_scan
    : "%CONNECT_SCAN" IDENT IDENT "{" connect_scan_items "}"
      {
          ScanAstNode* chain = SCAN_MAKE_DUET_AST(CONNECT_SCAN_NODE, $2.node, $3.node);
          $$.node = close_connect_scan(chain, $5.node);
      }
    | "%CONNECT_SCAN" INTEGER IDENT "{" connect_scan_items "}"
      {
          ScanAstNode* name = scan_number_as_ident($2.node);
          $$.node = close_connect_scan(SCAN_MAKE_DUET_AST(CONNECT_SCAN_NODE, name, $3.node), $5.node);
      }
    ;
/* Every select block after the first joins the SCAN_SELECT_LIST_NODE,
   every clock block the SCAN_CLOCK_LIST_NODE. */
connect_scan_items
    : connect_scan_items connect_scan_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{SCAN_SELECT_NODE, SCAN_SELECT_LIST_NODE}, {SCAN_CLOCK_NODE, SCAN_CLOCK_LIST_NODE}});
      }
    | connect_scan_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
connect_scan_item
    : scan_delay          { $$.node = scan_once(connect_scan_t[CS_SCAN_DELAY], $1.node); }
    | scan_port           { $$.node = scan_once(connect_scan_t[CS_SCAN_PORT], $1.node); }
    | scan_select_1
      { $$.node = scan_first_in_list(connect_scan_t[CS_SCAN_SELECT], SCAN_SELECT_LIST_NODE, $1.node); }
    | scan_clock_1
      { $$.node = scan_first_in_list(connect_scan_t[CS_SCAN_CLOCK], SCAN_CLOCK_LIST_NODE, $1.node); }
    | scan_instances      { $$.node = scan_once(connect_scan_t[CS_SCAN_INSTANCES], $1.node); }
    | scan_instances_file { $$.node = scan_once(connect_scan_t[CS_SCAN_INSTANCES_FILE], $1.node); }
    | scan_instruction    { $$.node = scan_once(connect_scan_t[CS_SCAN_INSTRUCTION], $1.node); }
    | scan_pad
    | ms_violation        { $$.node = scan_once(connect_scan_t[CS_MS_VIOLATION], $1.node); }
    ;
ms_violation
    : "%MS_VIOLATION" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(MS_VIOLATION, $2.node); }
    ;

scan_delay
    : "%SCAN_DELAY" "{" scan_delay_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_DELAY_NODE), $3.node);
          check_missing(BLOCK_SCAN_DELAY);
          scan_clear_table(scan_delay_t);
      }
    ;
scan_delay_items
    : scan_delay_items scan_delay_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_delay_item                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_delay_item
    : "%DELAY_OUT" "=" signal ";"
      { $$.node = scan_once(scan_delay_t[DELAY_OUT], SCAN_MAKE_SOLO_AST(DELAY_OUT_NODE, $3.node)); }
    | "%DELAY_OUT_DEFAULT" "=" signal ";"
      { $$.node = scan_once(scan_delay_t[DELAY_OUT_DEFAULT], SCAN_MAKE_SOLO_AST(DELAY_OUT_DEFAULT_NODE, $3.node)); }
    | "%SCAN_TEST" "=" signal ";"
      { $$.node = scan_once(scan_delay_t[DELAY_SCAN_TEST], SCAN_MAKE_SOLO_AST(SCAN_TEST_NODE, $3.node)); }
    ;

/* The pads of the chain's ends.  (Three keywords make the node of
   another: the trees of stored designs read them so.) */
scan_pad
    : "%SCAN_PAD" "{" scan_pad_items "}" { $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_PAD_NODE), $3.node); }
    ;
scan_pad_items
    : scan_pad_items scan_pad_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_pad_item                { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_pad_item
    : "%SDI_PAD_NAME" "=" signal ";"     { $$.node = SCAN_MAKE_SOLO_AST(SDI_PAD_NAME_NODE, $3.node); }
    | "%SDO_PAD_NAME" "=" signal ";"     { $$.node = SCAN_MAKE_SOLO_AST(SDI_PAD_OUT_NODE, $3.node); }
    | "%SDI_PAD_OUT" "=" signal ";"      { $$.node = SCAN_MAKE_SOLO_AST(SDO_PAD_CLASS_NODE, $3.node); }
    | "%SDO_PAD_IN" "=" signal ";"       { $$.node = SCAN_MAKE_SOLO_AST(SDO_PAD_IN_NODE, $3.node); }
    | "%SDO_PAD_CLASS" "=" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(SDO_PAD_NAME_NODE, $3.node); }
    | "%SDI_PAD_CLASS" "=" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(SDI_PAD_CLASS_NODE, $3.node); }
    ;

/* A scan port: scan in, scan out and default value, with an optional
   port name. */
scan_port
    : "%SCAN_PORT" "{" scan_port_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_PORT_NODE), $3.node);
          scan_clear_table(port_t);
      }
    | "%SCAN_PORT" signal "{" scan_port_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(SCAN_PORT_NODE, $2.node), $4.node);
          scan_clear_table(port_t);
      }
    ;
scan_port_items
    : scan_port_items scan_port_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_port_item                 { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_port_item
    : scan_in_1  { $$.node = scan_once(port_t[PORT_SCAN_IN], $1.node); }
    | scan_out_1 { $$.node = scan_once(port_t[PORT_SCAN_OUT], $1.node); }
    | default    { $$.node = scan_once(port_t[PORT_DEFAULT], $1.node); }
    ;

/* %SCAN_SELECT_<n> and %SCAN_CLOCK[_<n>]: the keyword's own leaf is the
   block's first child. */
scan_select_1
    : "%SCAN_SELECT_<n>" "{" scan_select_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(SCAN_SELECT_NODE, $1.node), $3.node);
          check_missing(BLOCK_SELECT);
          scan_clear_table(select_t);
      }
    ;
scan_select_items
    : scan_select_items scan_select_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_select_item                   { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_select_item
    : select        { $$.node = scan_once(select_t[SELECT_SELECT], $1.node); }
    | global_select { $$.node = scan_once(select_t[SELECT_GLOBAL_SELECT], $1.node); }
    ;

scan_clock_1
    : "%SCAN_CLOCK" "{" scan_clock_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(SCAN_CLOCK_NODE, $1.node), $3.node);
          check_missing(BLOCK_SCAN_CLOCK);
          scan_clear_table(scan_clock_t);
      }
    ;
/* (The items of a scan clock are not those of the %CLOCK blocks of
   %HOOKUP, whence their own names.) */
scan_clock_items
    : scan_clock_items scan_clock_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_clock_item                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
scan_clock_item
    : scan_clock_name { $$.node = scan_once(scan_clock_t[SCAN_CLOCK_CLOCK], $1.node); }
    | global_clock    { $$.node = scan_once(scan_clock_t[SCAN_CLOCK_GLOBAL_CLOCK], $1.node); }
    | clock_polarity  { $$.node = scan_once(scan_clock_t[SCAN_CLOCK_POLARITY], $1.node); }
    ;
clock_polarity
    : "%CLOCK_POLARITY" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_POLARITY_NODE, $3.node); }
    ;
