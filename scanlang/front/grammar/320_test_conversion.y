%code {
/* The end of a %DIFF_PAD block: its pads follow the pair's name, then the
   block's checks, and its table starts afresh. */
static ScanAstNode* close_diff_pad(ScanAstNode* name, ScanAstNode* items) {
    ScanAstNode* node = scan_take_children(SCAN_MAKE_SOLO_AST(DIFF_PAD_NODE, name), items);
    check_missing(BLOCK_DIFF_PAD);
    scan_clear_table(diff_pad_t);
    return node;
}

/* A pad statement is kept once per block: a repeat is warning 7 naming
   the pad and adds no node. */
static ScanAstNode* pad_once(uint16_t& slot, const char* name, ScanAstNode* pad) {
    if (slot) {
        multiple_error(name);
        scan_drop(pad);
        return nullptr;
    }
    slot = 1;
    return pad;
}
}
%%
/* %TEST_CONVERSION: how patterns are converted for the tester. */
test_conversion_block
    : "%TEST_CONVERSION" "{" test_conversion_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(TEST_CONVERSION_NODE), $3.node);
          check_missing(BLOCK_TEST_CONVERSION);
          scan_clear_table(test_conversion_t);
      }
    ;
test_conversion_items
    : test_conversion_items test_conversion_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{RAM_READ_NODE, RAM_READ_LIST_NODE},
                                     {RAM_WRITE_NODE, RAM_WRITE_LIST_NODE},
                                     {DIFF_PAD_NODE, DIFF_PAD_LIST_NODE}});
      }
    | test_conversion_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
/* The object keeps the first %SET_TIMING, %CLOCK and %REMOVE_PIN, so a
   repeat, whose whole content would go unread, is reported as multiple
   defined (a repeated %CLOCK block as 'CONVERSION_CLOCK', its node's
   kind). */
test_conversion_item
    : set_timing             { $$.node = scan_once(test_conversion_t[TC_SET_TIMING], $1.node); }
    | remove_pin_stmt        { $$.node = scan_once(test_conversion_t[TC_REMOVE_PIN], $1.node); }
    | conversion_clock_block { $$.node = scan_once(test_conversion_t[TC_CLOCK], $1.node); }
    | ram_read_stmt
      { $$.node = scan_first_in_list(test_conversion_t[TC_RAM_READ], RAM_READ_LIST_NODE, $1.node); }
    | ram_write_stmt
      { $$.node = scan_first_in_list(test_conversion_t[TC_RAM_WRITE], RAM_WRITE_LIST_NODE, $1.node); }
    | diff_pad_block
      { $$.node = scan_first_in_list(test_conversion_t[TC_DIFF_PAD], DIFF_PAD_LIST_NODE, $1.node); }
    ;

/* %DIFF_PAD: the positive and negative pad of a differential pair; the
   pad slots start afresh before the pads are read. */
diff_pad_reset
    : %empty { scan_clear_table(diff_pad_t); $$.node = nullptr; }
    ;
diff_pad_block
    : "%DIFF_PAD" IDENT diff_pad_reset "{" diff_pad_items "}" { $$.node = close_diff_pad($2.node, $5.node); }
    ;
diff_pad_items
    : diff_pad_items diff_pad_item { $$.node = scan_append_item($1.node, $2.node); }
    | diff_pad_item                { $$.node = scan_holder(DUMMY, $1.node); }
    ;
diff_pad_item
    : "%P_PAD" "=" IDENT ";"
      { $$.node = pad_once(diff_pad_t[DIFF_P_PAD], "P_PAD", SCAN_MAKE_SOLO_AST(P_PAD_NODE, $3.node)); }
    | "%N_PAD" "=" IDENT ";"
      { $$.node = pad_once(diff_pad_t[DIFF_N_PAD], "N_PAD", SCAN_MAKE_SOLO_AST(N_PAD_NODE, $3.node)); }
    ;

/* %SET_TIMING (also a statement of a sequence): cycle length, clock
   edges, strobe times and their defaults, precision and timing type.
   Each timing statement takes an optional "=" after its keyword. */
set_timing
    : "%SET_TIMING" "{" set_timing_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SET_TIMING_NODE), $3.node);
          check_missing(BLOCK_SET_TIMING);
          scan_clear_table(set_timing_t);
      }
    ;
set_timing_items
    : set_timing_items set_timing_item { $$.node = scan_append_item($1.node, $2.node); }
    | set_timing_item                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
set_timing_item
    : "%CYCLE" optional_equal INTEGER ";"                   { $$.node = SCAN_MAKE_SOLO_AST(CYCLE_NODE, $3.node); }
    | "%P_CLOCK" optional_equal number_list signal_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(P_CLOCK_NODE, $3.node, $4.node); }
    | "%N_CLOCK" optional_equal number_list signal_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(N_CLOCK_NODE, $3.node, $4.node); }
    | "%PI_TIME" optional_equal number_list signal_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(PI_TIME_NODE, $3.node, $4.node); }
    | "%PO_TIME" optional_equal number_list signal_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(PO_TIME_NODE, $3.node, $4.node); }
    | "%IO_TIME" optional_equal number_list signal_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(IO_TIME_NODE, $3.node, $4.node); }
    | "%PRECISION" optional_equal INTEGER ";"               { $$.node = SCAN_MAKE_SOLO_AST(PRECISION_NODE, $3.node); }
    | "%DEFAULT_PI_TIME" optional_equal number ";"          { $$.node = SCAN_MAKE_SOLO_AST(D_PI_TIME_NODE, $3.node); }
    | "%DEFAULT_PO_TIME" optional_equal number ";"          { $$.node = SCAN_MAKE_SOLO_AST(D_PO_TIME_NODE, $3.node); }
    | "%DEFAULT_IO_TIME" optional_equal number_list ";"     { $$.node = SCAN_MAKE_SOLO_AST(D_IO_TIME_NODE, $3.node); }
    | "%TYPE" IDENT ";"                                     { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $2.node); }
    ;
optional_equal
    : %empty { $$.node = nullptr; }
    | "="    { $$.node = nullptr; }
    ;
remove_pin_stmt
    : "%REMOVE_PIN" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(REMOVE_PIN_NODE, $2.node); }
    ;

/* The conversion %CLOCK block: test and BIST clocks, each with a pattern
   or a waveform number. */
conversion_clock_block
    : "%CLOCK" "{" conversion_clock_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(CONVERSION_CLOCK_NODE), $3.node);
          check_missing(BLOCK_CONVERSION_CLOCK);
          scan_clear_table(conversion_clock_t);
      }
    ;
conversion_clock_items
    : conversion_clock_items conversion_clock_item { $$.node = scan_append_item($1.node, $2.node); }
    | conversion_clock_item                        { $$.node = scan_holder(DUMMY, $1.node); }
    ;
conversion_clock_item
    : "%CLOCK" signal "=" PATTERN ";"      { $$.node = SCAN_MAKE_DUET_AST(TEST_C_CLOCK_NODE, $2.node, $4.node); }
    | "%CLOCK" signal INTEGER ";"          { $$.node = SCAN_MAKE_DUET_AST(TEST_C_CLOCK_NODE, $2.node, $3.node); }
    | "%BIST_CLOCK" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(TEST_B_CLOCK_NODE, $2.node, $4.node); }
    | "%BIST_CLOCK" signal INTEGER ";"     { $$.node = SCAN_MAKE_DUET_AST(TEST_B_CLOCK_NODE, $2.node, $3.node); }
    ;
