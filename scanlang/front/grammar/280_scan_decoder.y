%code {
/* A braced mode block: its port items under a node of `kind`; the port
   counts start afresh for the next block. */
static ScanAstNode* close_port_block(int kind, ScanAstNode* items) {
    scan_clear_table(con_port_t);
    return scan_take_children(SCAN_MAKE_AST(kind), items);
}
/* An output block (or the position) of a decoder: counted once per
   decoder; the next output block counts its names afresh. */
static ScanAstNode* decoder_output(int slot, ScanAstNode* node) {
    scan_once(scan_decoder_t[slot], node);
    scan_clear_table(decoder_out_t);
    return node;
}
}
%%
/* %SCAN_DECODER: the decoder's mode ports (scan, test, KR, override,
   RAM write), its clock, its output blocks and position, and the names
   of the decoder and its mode outputs. */

scan_decoder
    : "%SCAN_DECODER" "{" scan_decoder_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_DECODER_NODE), $3.node);
          check_missing(BLOCK_SCAN_DECODER);
          scan_clear_table(scan_decoder_t);
      }
    ;
scan_decoder_items
    : scan_decoder_items scan_decoder_item { $$.node = scan_append_item($1.node, $2.node); }
    | scan_decoder_item                    { $$.node = scan_holder(DUMMY, $1.node); }
    ;
/* Each output block counts its instance and pin names afresh.  The
   first %SCAN_MODE, %TEST_MODE and %KR_MODE is counted; a repeat passes
   without a report, and a braced repeat counts its ports from zero. */
scan_decoder_item
    : scan_mode_1           { $$.node = scan_count(scan_decoder_t[DEC_SCAN_MODE], $1.node); }
    | test_mode_1           { $$.node = scan_count(scan_decoder_t[DEC_TEST_MODE], $1.node); }
    | kr_mode               { $$.node = scan_count(scan_decoder_t[DEC_KR_MODE], $1.node); }
    | scan_clk
    | override_mode         { $$.node = scan_once(scan_decoder_t[DEC_OVERRIDE_MODE], $1.node); }
    | ram_write_2           { $$.node = scan_once(scan_decoder_t[DEC_RAM_WRITE], $1.node); }
    | scan_mode_out         { $$.node = decoder_output(DEC_SCAN_MODE_OUT, $1.node); }
    | scan_mode_inv_out     { $$.node = decoder_output(DEC_SCAN_MODE_INV_OUT, $1.node); }
    | test_mode_out         { $$.node = decoder_output(DEC_TEST_MODE_OUT, $1.node); }
    | test_mode_inv_out     { $$.node = decoder_output(DEC_TEST_MODE_INV_OUT, $1.node); }
    | override_mode_out     { $$.node = decoder_output(DEC_OVERRIDE_MODE_OUT, $1.node); }
    | override_inv_out      { $$.node = decoder_output(DEC_OVERRIDE_MODE_INV_OUT, $1.node); }
    | position              { $$.node = decoder_output(DEC_POSITION, $1.node); }
    | decoder_name          { $$.node = scan_once(scan_decoder_t[DEC_DECODER_NAME], $1.node); }
    | decoder_scan_mode     { $$.node = scan_once(scan_decoder_t[DEC_DECODER_SCAN_MODE], $1.node); }
    | decoder_scan_mode_inv { $$.node = scan_once(scan_decoder_t[DEC_DECODER_SCAN_MODE_INV], $1.node); }
    | decoder_test_mode     { $$.node = scan_once(scan_decoder_t[DEC_DECODER_TEST_MODE], $1.node); }
    | decoder_test_mode_inv { $$.node = scan_once(scan_decoder_t[DEC_DECODER_TEST_MODE_INV], $1.node); }
    ;

decoder_name
    : "%DECODER_NAME" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_NAME_NODE, $3.node); }
    ;
decoder_scan_mode
    : "%DECODER_SCAN_MODE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_SCAN_MODE_NODE, $3.node); }
    ;
decoder_scan_mode_inv
    : "%DECODER_SCAN_MODE_INV" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_SCAN_MODE_INV_NODE, $3.node); }
    ;
decoder_test_mode
    : "%DECODER_TEST_MODE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_TEST_MODE_NODE, $3.node); }
    ;
decoder_test_mode_inv
    : "%DECODER_TEST_MODE_INV" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_TEST_MODE_INV_NODE, $3.node); }
    ;

/* The mode ports: a braced port block (its items counted per block) or
   one signal. */
scan_mode_1
    : "%SCAN_MODE" "{" decoder_port_items "}"
      {
          $$.node = close_port_block(SCAN_MODE_NODE, $3.node);
          new_decoder_scan_mode = 1;
      }
    | "%SCAN_MODE" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_MODE_NODE, $3.node); }
    ;
test_mode_1
    : "%TEST_MODE" "{" decoder_port_items "}"
      {
          $$.node = close_port_block(TEST_MODE_NODE, $3.node);
          new_decoder_test_mode = 1;
      }
    | "%TEST_MODE" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(TEST_MODE_NODE, $3.node); }
    ;
kr_mode
    : "%KR_MODE" "{" kr_port_items "}" { $$.node = close_port_block(KR_MODE_NODE, $3.node); }
    ;
override_mode
    : "%OVERRIDE_MODE" "{" decoder_port_items "}"
      {
          $$.node = close_port_block(OVERRIDE_MODE_NODE, $3.node);
          new_decoder_override_mode = 1;
      }
    | "%OVERRIDE_MODE" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(OVERRIDE_MODE_NODE, $3.node); }
    ;
ram_write_2
    : "%RAM_WRITE" "{" decoder_port_items "}"
      {
          $$.node = close_port_block(RAM_WRITE_NODE, $3.node);
          new_decoder_ram_write = 1;
      }
    | "%RAM_WRITE" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(RAM_WRITE_NODE, $3.node); }
    ;
scan_clk
    : "%SCAN_CLK" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_CLK_NODE, $3.node); }
    ;

decoder_port_items
    : decoder_port_items decoder_port_item { $$.node = scan_append_item($1.node, $2.node); }
    | decoder_port_item                    { $$.node = scan_holder(DUMMY, $1.node); }
    ;
decoder_port_item
    : port_name_stmt { $$.node = scan_once(con_port_t[CON_PORT_NAME], $1.node); }
    | pad_name_stmt  { $$.node = scan_once(con_port_t[CON_PAD_NAME], $1.node); }
    | pad_out_stmt   { $$.node = scan_once(con_port_t[CON_PAD_OUT], $1.node); }
    | polarity_stmt  { $$.node = scan_once(con_port_t[CON_POLARITY], $1.node); }
    ;
port_name_stmt
    : "%PORT_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_PORT_NAME_NODE, $3.node); }
    ;
pad_name_stmt
    : "%PAD_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_PAD_NAME_NODE, $3.node); }
    ;
pad_out_stmt
    : "%PAD_OUT" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_PAD_OUT_NODE, $3.node); }
    ;
polarity_stmt
    : "%POLARITY" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_POLARITY_NODE, $3.node); }
    | "%POLARITY" ";"           { $$.node = SCAN_MAKE_AST(DECODER_POLARITY_NODE); }
    ;

/* The port items of %KR_MODE: several port names (each optionally with
   its number), one pad name, pad out and polarity. */
kr_port_items
    : kr_port_items kr_port_item { $$.node = scan_append_item($1.node, $2.node); }
    | kr_port_item               { $$.node = scan_holder(DUMMY, $1.node); }
    ;
kr_port_item
    : kr_port_name_stmt
    | pad_name_stmt  { $$.node = scan_once(con_port_t[CON_PAD_NAME], $1.node); }
    | pad_out_stmt   { $$.node = scan_once(con_port_t[CON_PAD_OUT], $1.node); }
    | kr_polarity_stmt { $$.node = scan_once(con_port_t[CON_POLARITY], $1.node); }
    ;
kr_port_name_stmt
    : "%PORT_NAME" signal "=" INTEGER ";"
      { $$.node = SCAN_MAKE_SOLO_AST(DECODER_PORT_NAME_NODE, SCAN_APPEND_CHILD($2.node, $4.node)); }
    | port_name_stmt
    ;
kr_polarity_stmt
    : "%POLARITY" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(DECODER_POLARITY_NODE, $3.node); }
    ;

/* The output blocks: where a decoder output goes (instance and pin). */
scan_mode_out
    : "%SCAN_MODE_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_MODE_OUT_NODE), $3.node); }
    ;
scan_mode_inv_out
    : "%SCAN_MODE_INV_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_MODE_INV_OUT_NODE), $3.node); }
    ;
test_mode_out
    : "%TEST_MODE_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(TEST_MODE_OUT_NODE), $3.node); }
    ;
test_mode_inv_out
    : "%TEST_MODE_INV_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(TEST_MODE_INV_OUT_NODE), $3.node); }
    ;
override_mode_out
    : "%OVERRIDE_MODE_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(OVERRIDE_MODE_OUT_NODE), $3.node); }
    ;
override_inv_out
    : "%OVERRIDE_MODE_INV_OUT" "{" decoder_out_items "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(OVERRIDE_INV_OUT_NODE), $3.node); }
    ;
position
    : "%POSITION" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(POSITION_NODE, $3.node); }
    ;
decoder_out_items
    : decoder_out_items decoder_out_item { $$.node = scan_append_item($1.node, $2.node); }
    | decoder_out_item                   { $$.node = scan_holder(DUMMY, $1.node); }
    ;
decoder_out_item
    : instance_name_stmt { $$.node = scan_once(decoder_out_t[DEC_OUT_INSTANCE_NAME], $1.node); }
    | pin_name_stmt      { $$.node = scan_once(decoder_out_t[DEC_OUT_PIN_NAME], $1.node); }
    ;
instance_name_stmt
    : "%INSTANCE_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(INSTANCE_NAME_NODE, $3.node); }
    ;
pin_name_stmt
    : "%PIN_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(PIN_NAME_NODE, $3.node); }
    ;
