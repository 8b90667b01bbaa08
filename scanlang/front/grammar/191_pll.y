/* %PLL: a PLL's name, feedback handling, reference, feedback and output
   clocks, its constant and untouched pins, its scan-clock multiplexers
   and two-pulse generators. */

pll
    : "%PLL" "{" pll_items "}" { $$.node = scan_holder(PLL_NODE, $3.node); }
    ;
pll_items
    : pll_items pll_item { $$.node = scan_chain_append($1.node, $2.node); }
    | pll_item
    ;
pll_item
    : "%NAME" "=" signal ";"                         { $$.node = SCAN_MAKE_SOLO_AST(NAME_NODE, $3.node); }
    | "%FIX_FB_CLOCK_IN_TEST" "=" IDENT ";"          { $$.node = SCAN_MAKE_SOLO_AST(FIX_FB_CLOCK_IN_TEST_NODE, $3.node); }
    | "%FB_ENABLE" "=" signal ";"                    { $$.node = SCAN_MAKE_SOLO_AST(FB_ENABLE_NODE, $3.node); }
    | "%REF_CLOCK" "{" period_7_list "}"             { $$.node = scan_holder(REF_CLOCK_NODE, $3.node); }
    | "%FB_CLOCK" "{" period_8_list "}"              { $$.node = scan_holder(FB_CLOCK_NODE, $3.node); }
    | "%OUTPUT_CLOCK" "{" period_9_list "}"          { $$.node = scan_holder(OUTPUT_CLOCK_NODE, $3.node); }
    | "%FORCE0" "=" names ";"                        { $$.node = SCAN_MAKE_SOLO_AST(FORCE0_NODE, $3.node); }
    | "%FORCE1" "=" names ";"                        { $$.node = SCAN_MAKE_SOLO_AST(FORCE1_NODE, $3.node); }
    | "%CONSTANT0" "=" names ";"                     { $$.node = SCAN_MAKE_SOLO_AST(CONSTANT0_NODE, $3.node); }
    | "%CONSTANT1" "=" names ";"                     { $$.node = SCAN_MAKE_SOLO_AST(CONSTANT1_NODE, $3.node); }
    | "%DONT_MODIFY" "=" names ";"                   { $$.node = SCAN_MAKE_SOLO_AST(DONT_MODIFY_NODE, $3.node); }
    | "%AUTO_CONSTANT" "=" INTEGER ";"               { $$.node = SCAN_MAKE_SOLO_AST(AUTO_CONSTANT_NODE, scan_bit_value($3.node)); }
    | "%SCAN_CK_MUX" "{" scan_ck_mux_items "}"       { $$.node = scan_holder(SCAN_CK_MUX_NODE, $3.node); }
    | "%TWO_PULSE_GEN" "{" two_pulse_gen_items "}"   { $$.node = scan_holder(TWO_PULSE_GEN_NODE, $3.node); }
    ;

scan_ck_mux_items
    : scan_ck_mux_items scan_ck_mux_item { $$.node = scan_chain_append($1.node, $2.node); }
    | scan_ck_mux_item
    ;
scan_ck_mux_item
    : "%NAME" "=" IDENT ";"        { $$.node = SCAN_MAKE_SOLO_AST(NAME_NODE, $3.node); }
    | "%PLL_CK_PIN" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(PLL_CK_PIN_NODE, $3.node); }
    | "%SCAN_CK_PIN" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_CK_PIN_NODE, $3.node); }
    | "%CLK_NET" "=" IDENT ";"     { $$.node = SCAN_MAKE_SOLO_AST(CLK_NET_NODE, $3.node); }
    ;
two_pulse_gen_items
    : two_pulse_gen_items two_pulse_gen_item { $$.node = scan_chain_append($1.node, $2.node); }
    | two_pulse_gen_item
    ;
two_pulse_gen_item
    : "%NAME" "=" IDENT ";"         { $$.node = SCAN_MAKE_SOLO_AST(NAME_NODE, $3.node); }
    | "%CAPTURE_MODE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(CAPTURE_MODE_NODE, $3.node); }
    | "%FINISH_MODE" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(FINISH_MODE_NODE, $3.node); }
    | "%RESET_MODE" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(RESET_MODE_NODE, $3.node); }
    ;

/* Reference, feedback and output clocks: the period (a real), the clock
   and its value, the clock net, the LBIST clock, the enable; a reference
   clock also names its outside port, an output clock its buffers.  The
   scanner gives %ENABLE a leaf of its own, which no tree takes. */
period_7_list
    : period_7_list period_7 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_7
    ;
period_7
    : "%PERIOD" "=" REAL ";"              { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%CLOCK" signal "=" PATTERN ";"     { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    | "%CLOCK_NET" signal ";"             { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_NET_NODE, $2.node); }
    | "%LB_CLOCK" signal "=" PATTERN ";"  { $$.node = SCAN_MAKE_DUET_AST(LB_CLOCK_NODE, $2.node, $4.node); }
    | "%ENABLE" "=" signal ";"            { scan_drop($1.node); $$.node = SCAN_MAKE_SOLO_AST(ENABLE_NODE, $3.node); }
    | "%EXT_PORT" "=" signal ";"          { $$.node = SCAN_MAKE_SOLO_AST(EXT_PORT_NODE, $3.node); }
    ;
period_8_list
    : period_8_list period_8 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_8
    ;
period_8
    : "%PERIOD" "=" REAL ";"              { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%CLOCK" signal "=" PATTERN ";"     { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    | "%CLOCK_NET" signal ";"             { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_NET_NODE, $2.node); }
    | "%LB_CLOCK" signal "=" PATTERN ";"  { $$.node = SCAN_MAKE_DUET_AST(LB_CLOCK_NODE, $2.node, $4.node); }
    | "%ENABLE" "=" signal ";"            { scan_drop($1.node); $$.node = SCAN_MAKE_SOLO_AST(ENABLE_NODE, $3.node); }
    ;
period_9_list
    : period_9_list period_9 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_9
    ;
period_9
    : "%PERIOD" "=" REAL ";"              { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%CLOCK" signal "=" PATTERN ";"     { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    | "%CLOCK_NET" signal ";"             { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_NET_NODE, $2.node); }
    | "%LB_CLOCK" signal "=" PATTERN ";"  { $$.node = SCAN_MAKE_DUET_AST(LB_CLOCK_NODE, $2.node, $4.node); }
    | "%ENABLE" "=" signal ";"            { scan_drop($1.node); $$.node = SCAN_MAKE_SOLO_AST(ENABLE_NODE, $3.node); }
    | "%PLL_CLOCK_BUFFER" "=" names ";"   { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_BUFFER_NODE, $3.node); }
    ;
