%code {
// Slots of the map file's occurrence tables.
constexpr int MAP_SCAN_SLOT = 0, MAP_GROUP_SLOT = 1, MAP_REPAIR_CELL = 2, MAP_TEST_POINT_CELL = 3;
constexpr int MAP_SCAN_MAP_CELL = 0, MAP_SCAN_DELAY_CELL = 1;
constexpr int MAP_CELL_SYSTEM_IN = 0, MAP_CELL_SCAN_IN = 1, MAP_CELL_SCAN_OUT = 2, MAP_CELL_CHANGE_NAME = 3,
              MAP_CELL_SCAN_SELECT = 4, MAP_CELL_SCAN_CLOCK = 5, MAP_CELL_SCAN_OUT_INV = 6;
constexpr int DELAY_CELL_SCAN_IN = 0, DELAY_CELL_SCAN_OUT = 1, DELAY_CELL_LOOP_DATA_IN = 2, DELAY_CELL_LOOP_DATA_OUT = 3,
              DELAY_CELL_SCAN_TEST = 4, DELAY_CELL_SCAN_CLOCK = 5, DELAY_CELL_SCAN_SCAN = 6;
constexpr int DELAY_MAP_DATA_IN = 0, DELAY_MAP_DATA_OUT = 1;
constexpr int GROUP_CELL_CONNECT = 0, GROUP_CELL_DISCONNECT = 1;

// A statement node over a new identifier leaf naming its keyword, and the
// value.
inline ScanAstNode* scan_keyword_pin(const char* keyword, ScanAstNode* value) {
    return SCAN_MAKE_DUET_AST(PIN_NODE, scan_word_node(IDENT_NODE, keyword), value);
}
}
%%
/* The map file: how scan cells, delay cells, cell groups, repair cells
   and test-point cells map onto library cells.  "=>" separates the
   library-side name from the design-side name. */

map_item_list
    : map_item_list map_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{MAP_SCAN_NODE, MAP_SCAN_LIST_NODE}, {MAP_GROUP_NODE, MAP_GROUP_LIST_NODE}});
      }
    | map_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
map_item
    : map_scan_block        { $$.node = scan_first_in_list(map_t[MAP_SCAN_SLOT], MAP_SCAN_LIST_NODE, $1.node); }
    | map_group_block       { $$.node = scan_first_in_list(map_t[MAP_GROUP_SLOT], MAP_GROUP_LIST_NODE, $1.node); }
    | repair_cell_block     { $$.node = scan_once(map_t[MAP_REPAIR_CELL], $1.node); }
    | test_point_cell_block { $$.node = scan_once(map_t[MAP_TEST_POINT_CELL], $1.node); }
    ;

/* %TEST_POINT_CELL: "%CELL" type name "{" pins "}" entries. */
test_point_cell_block
    : "%TEST_POINT_CELL" "{" test_point_cells "}" { $$.node = scan_holder(TEST_POINT_CELL_LIST_NODE, $3.node); }
    ;
test_point_cells
    : test_point_cells test_point_cell_stmt { $$.node = scan_chain_append($1.node, $2.node); }
    | test_point_cell_stmt
    ;
test_point_cell_stmt
    : "%CELL" test_point_type signal "{" test_point_pins "}"
      {
          $$.node = SCAN_MAKE_TRIO_AST(TEST_POINT_CELL_NODE, $2.node, $3.node,
                                       scan_holder(PIN_LIST_NODE, $5.node));
      }
    ;
test_point_type
    : "OBSERVE" { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | "CONTROL" { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | signal    { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $1.node); }
    ;
test_point_pins
    : test_point_pins test_point_pin_stmt { $$.node = scan_chain_append($1.node, $2.node); }
    | test_point_pin_stmt
    ;
test_point_pin_stmt
    : "%DATA_IN" "=" signal ";"     { $$.node = scan_keyword_pin("%DATA_IN", $3.node); }
    | "%DATA_OUT" "=" signal ";"    { $$.node = scan_keyword_pin("%DATA_OUT", $3.node); }
    | "%SCAN_IN" "=" signal ";"     { $$.node = scan_keyword_pin("%SCAN_IN", $3.node); }
    | "%SCAN_OUT" "=" signal ";"    { $$.node = scan_keyword_pin("%SCAN_OUT", $3.node); }
    | "%TEST_ENABLE" "=" signal ";" { $$.node = scan_keyword_pin("%TEST_ENABLE", $3.node); }
    | "%SCAN_CLOCK" "=" signal ";"  { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%SCAN_ENABLE" "=" signal ";" { $$.node = scan_keyword_pin("%SCAN_ENABLE", $3.node); }
    | "%EXTRA_GATE" "=" signal ";"  { $$.node = scan_keyword_pin("%EXTRA_GATE", $3.node); }
    ;

/* %MAP_SCAN: the %MAP_CELL entries (under one MAP_CELL_LIST_NODE) and a
   %DELAY_CELL block. */
map_scan_block
    : "%MAP_SCAN" signal "{" map_scan_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(MAP_SCAN_NODE, $2.node), $4.node);
          scan_clear_table(map_scan_t);
      }
    ;
map_scan_items
    : map_scan_items map_scan_item
      { $$.node = scan_merge_item($1.node, $2.node, {{MAP_CELL_NODE, MAP_CELL_LIST_NODE}}); }
    | map_scan_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
map_scan_item
    : map_cell_block
      { $$.node = scan_first_in_list(map_scan_t[MAP_SCAN_MAP_CELL], MAP_CELL_LIST_NODE, $1.node); }
    | delay_cell_block { $$.node = scan_once(map_scan_t[MAP_SCAN_DELAY_CELL], $1.node); }
    ;
map_cell_block
    : "%MAP_CELL" signal "=>" signal "{" map_cell_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_DUET_AST(MAP_CELL_NODE, $2.node, $4.node), $6.node);
          check_missing(BLOCK_MAP_CELL);
          scan_clear_table(map_cell_t);
      }
    ;
map_cell_items
    : map_cell_items map_cell_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{SCAN_SELECT_NODE, SCAN_SELECT_LIST_NODE},
                                     {SCAN_CLOCK_NODE, SCAN_CLOCK_LIST_NODE},
                                     {CHANGE_NAME_NODE, CHANGE_NAME_LIST_NODE}});
      }
    | map_cell_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
map_cell_item
    : system_port_in_stmt    { $$.node = scan_once(map_cell_t[MAP_CELL_SYSTEM_IN], $1.node); }
    | scan_port_in_stmt      { $$.node = scan_once(map_cell_t[MAP_CELL_SCAN_IN], $1.node); }
    | scan_port_out_stmt     { $$.node = scan_once(map_cell_t[MAP_CELL_SCAN_OUT], $1.node); }
    | scan_port_out_inv_stmt { $$.node = scan_once(map_cell_t[MAP_CELL_SCAN_OUT_INV], $1.node); }
    | scan_select_map_stmt
      { $$.node = scan_first_in_list(map_cell_t[MAP_CELL_SCAN_SELECT], SCAN_SELECT_LIST_NODE, $1.node); }
    | scan_clock_map_stmt
      { $$.node = scan_first_in_list(map_cell_t[MAP_CELL_SCAN_CLOCK], SCAN_CLOCK_LIST_NODE, $1.node); }
    | change_name_stmt
      { $$.node = scan_first_in_list(map_cell_t[MAP_CELL_CHANGE_NAME], CHANGE_NAME_LIST_NODE, $1.node); }
    | scan_mode_active_stmt
    ;
system_port_in_stmt
    : "%SCAN_PORT" "%SYSTEM_IN" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SYSTEM_PORT_IN_NODE, $4.node); }
    ;
scan_port_in_stmt
    : "%SCAN_PORT" "%SCAN_IN" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_PORT_IN_NODE, $4.node); }
    ;
scan_port_out_stmt
    : "%SCAN_PORT" "%SCAN_OUT" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_PORT_OUT_NODE, $4.node); }
    ;
scan_port_out_inv_stmt
    : "%SCAN_PORT" "%SCAN_OUT_INV" "=>" signal ";"
      { $$.node = SCAN_MAKE_SOLO_AST(SCAN_PORT_OUT_INV_NODE, $4.node); }
    ;
scan_select_map_stmt
    : "%SCAN_SELECT_<n>" "%SELECT" "=>" signal ";"
      {
          scan_drop($2.node);  // the %SELECT word's own leaf is not kept
          $$.node = SCAN_MAKE_DUET_AST(SCAN_SELECT_NODE, $1.node, $4.node);
      }
    ;
scan_clock_map_stmt
    : "%SCAN_CLOCK" "%CLOCK" "=>" signal ";" { $$.node = SCAN_MAKE_DUET_AST(SCAN_CLOCK_NODE, $1.node, $4.node); }
    ;
change_name_stmt
    : "%CHANGE_NAME" signal "=>" signal ";" { $$.node = SCAN_MAKE_DUET_AST(CHANGE_NAME_NODE, $2.node, $4.node); }
    ;
scan_mode_active_stmt
    : "%SCAN_MODE_ACTIVE" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_MODE_ACTIVE_NODE, $3.node); }
    ;

/* %DELAY_CELL and its %DELAY_MAP_CELL blocks. */
delay_cell_block
    : "%DELAY_CELL" signal "{" delay_cell_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(DELAY_CELL_NODE, $2.node), $4.node);
          check_missing(BLOCK_DELAY_CELL);
          scan_clear_table(delay_cell_t);
      }
    ;
delay_cell_items
    : delay_cell_items delay_cell_item { $$.node = scan_append_item($1.node, $2.node); }
    | delay_cell_item                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
delay_cell_item
    : scan_port_in_stmt     { $$.node = scan_once(delay_cell_t[DELAY_CELL_SCAN_IN], $1.node); }
    | scan_port_out_stmt    { $$.node = scan_once(delay_cell_t[DELAY_CELL_SCAN_OUT], $1.node); }
    | loop_data_in_stmt     { $$.node = scan_once(delay_cell_t[DELAY_CELL_LOOP_DATA_IN], $1.node); }
    | loop_data_out_stmt    { $$.node = scan_once(delay_cell_t[DELAY_CELL_LOOP_DATA_OUT], $1.node); }
    | delay_scan_test_stmt  { $$.node = scan_once(delay_cell_t[DELAY_CELL_SCAN_TEST], $1.node); }
    | delay_scan_clock_stmt { $$.node = scan_once(delay_cell_t[DELAY_CELL_SCAN_CLOCK], $1.node); }
    | delay_scan_scan_stmt  { $$.node = scan_once(delay_cell_t[DELAY_CELL_SCAN_SCAN], $1.node); }
    | delay_map_cell_block
    ;
loop_data_in_stmt
    : "%LOOP_DATA_IN" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(LOOP_DATA_IN_NODE, $3.node); }
    ;
loop_data_out_stmt
    : "%LOOP_DATA_OUT" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(LOOP_DATA_OUT_NODE, $3.node); }
    ;
delay_scan_test_stmt
    : "%DELAY_SCAN_TEST" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DELAY_SCAN_TEST_NODE, $3.node); }
    ;
delay_scan_clock_stmt
    : "%DELAY_SCAN_CLOCK" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DELAY_SCAN_CLOCK_NODE, $3.node); }
    ;
delay_scan_scan_stmt
    : "%DELAY_SCAN_SCAN" "=>" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DELAY_SCAN_SCAN_NODE, $3.node); }
    ;
delay_map_cell_block
    : "%DELAY_MAP_CELL" signal "{" delay_map_cell_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(DELAY_MAP_CELL_NODE, $2.node), $4.node);
          scan_clear_table(delay_cell_map_t);
      }
    ;
delay_map_cell_items
    : delay_map_cell_items delay_map_cell_item { $$.node = scan_append_item($1.node, $2.node); }
    | delay_map_cell_item                      { $$.node = scan_holder(DUMMY, $1.node); }
    ;
delay_map_cell_item
    : "%DATA_IN" "=>" signal ";"
      {
          $$.node = scan_once(delay_cell_map_t[DELAY_MAP_DATA_IN], SCAN_MAKE_SOLO_AST(DELAY_DATA_IN_NODE, $3.node));
      }
    | "%DATA_OUT" "=>" signal ";"
      {
          $$.node =
              scan_once(delay_cell_map_t[DELAY_MAP_DATA_OUT], SCAN_MAKE_SOLO_AST(DEALY_DATA_OUT_NODE, $3.node));
      }
    ;

/* %MAP_GROUP: %GROUP_CELL entries of connections between bits. */
map_group_block
    : "%MAP_GROUP" "{" group_cell_blocks "}" { $$.node = SCAN_MAKE_SOLO_AST(MAP_GROUP_NODE, $3.node); }
    ;
group_cell_blocks
    : group_cell_blocks group_cell_block { $$.node = scan_append_item($1.node, $2.node); }
    | group_cell_block                   { $$.node = scan_holder(GROUP_CELL_LIST_NODE, $1.node); }
    ;
group_cell_block
    : "%GROUP_CELL" "[" name_list "]" "=>" signal "{" group_cell_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_DUET_AST(GROUP_CELL_NODE, $3.node, $6.node), $8.node);
          check_missing(BLOCK_GROUP_CELL);
          scan_clear_table(group_cell_t);
      }
    ;
group_cell_items
    : group_cell_items group_cell_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{CONNECT_NODE, CONNECT_LIST_NODE}, {DISCONNECT_NODE, DISCONNECT_LIST_NODE}});
      }
    | group_cell_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
group_cell_item
    : "%CONNECT" bit_ref "=>" bit_ref ";"
      {
          ScanAstNode* node = scan_take_children(SCAN_MAKE_AST(CONNECT_NODE), $2.node);
          node = scan_take_children(node, $4.node);
          $$.node = scan_first_in_list(group_cell_t[GROUP_CELL_CONNECT], CONNECT_LIST_NODE, node);
      }
    | "%DISCONNECT" bit_ref ";"
      {
          ScanAstNode* node = scan_take_children(SCAN_MAKE_AST(DISCONNECT_NODE), $2.node);
          $$.node = scan_first_in_list(group_cell_t[GROUP_CELL_DISCONNECT], DISCONNECT_LIST_NODE, node);
      }
    ;
/* Bit n of a name, or a bare name for bit 0: a number and the name. */
bit_ref
    : INTEGER ":" signal { $$.node = scan_holder(DUMMY, SCAN_APPEND_SIBLING($1.node, $3.node)); }
    | signal
      {
          ScanAstNode* zero = SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(NUMBER_NODE), "0");
          $$.node = scan_holder(DUMMY, SCAN_APPEND_SIBLING(zero, $1.node));
      }
    ;

/* %REPAIR_CELL: all buffers under its first BUFFER_LIST_NODE, all cells
   under its first CELL_LIST_NODE. */
repair_cell_block
    : "%REPAIR_CELL" "{" repair_cell_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(REPAIR_CELL_NODE), $3.node); }
    ;
repair_cell_items
    : repair_cell_items repair_cell_item
      { $$.node = scan_merge_names($1.node, $2.node, {BUFFER_LIST_NODE, CELL_LIST_NODE}); }
    | repair_cell_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
repair_cell_item
    : buffer_head ";"
    | cell_head ";"
    | cell_head "{" cell_pin_stmts "}"
      {
          SCAN_APPEND_CHILD($1.node->child, $3.node);
          $$.node = $1.node;
      }
    ;
buffer_head
    : "%BUFFER" signal INTEGER
      { $$.node = SCAN_MAKE_SOLO_AST(BUFFER_LIST_NODE, SCAN_MAKE_DUET_AST(BUFFER_NODE, $2.node, $3.node)); }
    ;
cell_head
    : "%CELL" signal signal
      { $$.node = SCAN_MAKE_SOLO_AST(CELL_LIST_NODE, SCAN_MAKE_DUET_AST(CELL_NODE, $2.node, $3.node)); }
    | "%CELL" "LOCKUP_LATCH" signal
      {
          ScanAstNode* cell = SCAN_MAKE_DUET_AST(CELL_NODE, scan_word_node(IDENT_NODE, "LOCKUP_LATCH"), $3.node);
          $$.node = SCAN_MAKE_SOLO_AST(CELL_LIST_NODE, cell);
      }
    ;
cell_pin_stmts
    : cell_pin_stmts cell_pin_stmt { $$.node = scan_append_item($1.node, $2.node); }
    | cell_pin_stmt                { $$.node = scan_holder(PIN_LIST_NODE, $1.node); }
    ;
cell_pin_stmt
    : "%DATA" "=" signal ";"      { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%SELECT" "=" signal ";"    { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%ENABLE" "=" signal ";"    { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%STRENGTH" "=" INTEGER ";" { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%CK" "=" signal ";"        { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%IN" "=" signal ";"        { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%OUT" "=" signal ";"       { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%CLOCK" "=" signal ";"     { $$.node = scan_keyword_pin("%CLOCK", $3.node); }
    | "%OUTPUT" "=" signal ";"    { $$.node = SCAN_MAKE_DUET_AST(PIN_NODE, $1.node, $3.node); }
    | "%TRIGGER" "=" signal ";"   { $$.node = scan_keyword_pin("%TRIGGER", $3.node); }
    | "%ACTIVE" "=" signal ";"    { $$.node = scan_keyword_pin("%ACTIVE", $3.node); }
    ;
