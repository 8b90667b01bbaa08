/* %PLL_CLOCK_FIX: how the clocks around a PLL are fixed in test, one
   braced block per clock with the items of its kind. */

pll_clock_fix
    : "%PLL_CLOCK_FIX" IDENT "{" pll_clock_fix_items "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(PLL_CLOCK_FIX_NODE, $2.node), $4.node); }
    ;
pll_clock_fix_items
    : pll_clock_fix_items pll_clock_fix_item { $$.node = scan_chain_append($1.node, $2.node); }
    | pll_clock_fix_item
    ;
pll_clock_fix_item
    : "%SCOPE" "=" IDENT ";"    { $$.node = SCAN_MAKE_SOLO_AST(SCOPE_NODE, $3.node); }
    | "%PLL_PATH" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(PLL_PATH_NODE, $3.node); }
    | "%EXTERNAL_PLL_IN_CLOCK" IDENT "{" period_1_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(EXTERNAL_PLL_IN_CLOCK_NODE, $2.node), $4.node); }
    | "%FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK" IDENT "{" period_2_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK_NODE, $2.node), $4.node); }
    | "%INTERNAL_PLL_IN_CLOCK" IDENT "{" period_3_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(INTERNAL_PLL_IN_CLOCK_NODE, $2.node), $4.node); }
    | "%FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK" IDENT "{" period_4_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK_NODE, $2.node), $4.node); }
    | "%FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK" IDENT "{" period_5_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK_NODE, $2.node), $4.node); }
    | "%FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK" IDENT "{" period_6_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK_NODE, $2.node), $4.node); }
    ;
period_1_list
    : period_1_list period_1 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_1
    ;
period_1
    : "%PERIOD" "=" INTEGER ";"                       { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%FROM_EXTERNAL_PLL_CLOCK_INPORT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(FROM_EXTERNAL_PLL_CLOCK_INPORT_NODE, $3.node); }
    ;
period_2_list
    : period_2_list period_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_2
    ;
period_2
    : "%PERIOD" "=" INTEGER ";"                        { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%PLL_CLOCK_INPORT" "=" IDENT ";"                { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_INPORT_NODE, $3.node); }
    | "%FROM_EXTERNAL_SCAN_CLOCK_INPORT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(FROM_EXTERNAL_SCAN_CLOCK_INPORT_NODE, $3.node); }
    | "%NEW_EXTERNAL_PLL_CLOCK_INPORT" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(NEW_EXTERNAL_PLL_CLOCK_INPORT_NODE, $3.node); }
    ;
period_3_list
    : period_3_list period_3 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_3
    ;
period_3
    : "%PERIOD" "=" INTEGER ";"                     { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%PLL_CLOCK_INPORT" "=" IDENT ";"             { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_INPORT_NODE, $3.node); }
    | "%FROM_INTERNAL_PLL_CLOCK_WIRE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(FROM_INTERNAL_PLL_CLOCK_WIRE_NODE, $3.node); }
    ;
period_4_list
    : period_4_list period_4 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_4
    ;
period_4
    : "%PERIOD" "=" INTEGER ";"                       { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%PLL_CLOCK_INPORT" "=" IDENT ";"               { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_INPORT_NODE, $3.node); }
    | "%FROM_CLOCK_GENERATOR" "=" IDENT ";"           { $$.node = SCAN_MAKE_SOLO_AST(FROM_CLOCK_GENERATOR_NODE, $3.node); }
    | "%FROM_CLOCK_GENERATOR_OUTPORT" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(FROM_CLOCK_GENERATOR_OUTPORT_NODE, $3.node); }
    | "%FROM_INTERNAL_SCAN_CLOCK_WIRE" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(FROM_INTERNAL_SCAN_CLOCK_WIRE_NODE, $3.node); }
    | "%NEW_SCAN_CLOCK_ENABLE_INPORT" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(NEW_SCAN_CLOCK_ENABLE_INPORT_NODE, $3.node); }
    | "%NEW_INTERNAL_PLL_CLOCK_WIRE" "=" IDENT ";"    { $$.node = SCAN_MAKE_SOLO_AST(NEW_INTERNAL_PLL_CLOCK_WIRE_NODE, $3.node); }
    | "%NEW_LBIST_DOMAIN_CLOCK_OUTPORT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(NEW_LBIST_DOMAIN_CLOCK_OUTPORT_NODE, $3.node); }
    ;
period_5_list
    : period_5_list period_5 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_5
    ;
period_5
    : "%PERIOD" "=" INTEGER ";"                        { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%PLL_CLOCK_INPORT" "=" IDENT ";"                { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_INPORT_NODE, $3.node); }
    | "%FROM_EXTERNAL_SCAN_CLOCK_INPORT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(FROM_EXTERNAL_SCAN_CLOCK_INPORT_NODE, $3.node); }
    | "%THROUGH_CLOCK_GENERATOR" "=" IDENT ";"         { $$.node = SCAN_MAKE_SOLO_AST(THROUGH_CLOCK_GENERATOR_NODE, $3.node); }
    | "%THROUGH_CLOCK_GENERATOR_INPORT" "=" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(THROUGH_CLOCK_GENERATOR_INPORT_NODE, $3.node); }
    | "%NEW_EXTERNAL_PLL_CLOCK_INPORT" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(NEW_EXTERNAL_PLL_CLOCK_INPORT_NODE, $3.node); }
    ;
period_6_list
    : period_6_list period_6 { $$.node = scan_chain_append($1.node, $2.node); }
    | period_6
    ;
period_6
    : "%PERIOD" "=" INTEGER ";"                       { $$.node = SCAN_MAKE_SOLO_AST(PERIOD_NODE, $3.node); }
    | "%PLL_CLOCK_OUTPORT" "=" IDENT ";"              { $$.node = SCAN_MAKE_SOLO_AST(PLL_CLOCK_OUTPORT_NODE, $3.node); }
    | "%DRIVE_CLOCK_WIRE" "=" IDENT ";"               { $$.node = SCAN_MAKE_SOLO_AST(DRIVE_CLOCK_WIRE_NODE, $3.node); }
    | "%NEW_SCAN_CLOCK_ENABLE_INPORT" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(NEW_SCAN_CLOCK_ENABLE_INPORT_NODE, $3.node); }
    | "%NEW_INTERNAL_PLL_CLOCK_WIRE" "=" IDENT ";"    { $$.node = SCAN_MAKE_SOLO_AST(NEW_INTERNAL_PLL_CLOCK_WIRE_NODE, $3.node); }
    | "%NEW_LBIST_DOMAIN_CLOCK_OUTPORT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(NEW_LBIST_DOMAIN_CLOCK_OUTPORT_NODE, $3.node); }
    ;
