/* %WRAPPER: the core wrapper's %KORRAL section with its type, cells,
   chains, skipped signals and instructions. */

wrapper
    : "%WRAPPER" "{" wrapper_korral "}" { $$.node = SCAN_MAKE_SOLO_AST(WRAPPER_NODE, $3.node); }
    ;
/* The chain count starts afresh with each section, so that a repeated
   %WRAPPER (a warning) opens its own chain list. */
wrapper_korral
    : "%KORRAL" "{" korral_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(WRAPPER_KORRAL_NODE), $3.node);
          wrapper_info_t[WRAPPER_INFO_CHAIN] = 0;
      }
    ;
/* Every chain after the first joins the WRAPPER_CHAIN_LIST_NODE. */
korral_items
    : korral_items korral_item
      { $$.node = scan_merge_item($1.node, $2.node, {{WRAPPER_CHAIN_NODE, WRAPPER_CHAIN_LIST_NODE}}); }
    | korral_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
korral_item
    : type_1
    | wrapper_cell
    | wrapper_chain
      { $$.node = scan_first_in_list(wrapper_info_t[WRAPPER_INFO_CHAIN], WRAPPER_CHAIN_LIST_NODE, $1.node); }
    | skip_signals
    | instruction_3
    | wrapper_chain_file
    ;
type_1
    : "%TYPE" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(TYPE_NODE, $2.node); }
    ;
wrapper_cell
    : "%WRAPPER_CELL" IDENT IDENT ";" { $$.node = SCAN_MAKE_DUET_AST(WRAPPER_CELL_NODE, $2.node, $3.node); }
    ;
skip_signals
    : "%SKIP_SIGNALS" names ";" { $$.node = SCAN_MAKE_SOLO_AST(SKIP_SIGNALS_NODE, $2.node); }
    ;
instruction_3
    : "%INSTRUCTION" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(INSTRUCTION_NODE, $2.node); }
    ;
wrapper_chain_file
    : "%WRAPPER_CHAIN_FILE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(WRAPPER_CHAIN_FILE_NODE, $3.node); }
    ;

/* A wrapper chain: its clocks (the first opens the chain's clock list),
   scan in and scan out.  The empty head starts the chain's counts. */
wrapper_chain_head
    : %empty
      {
          scan_clear_table(wrapper_chain_t);
          wrapper_chain_clk_count = 0;
      }
    ;
wrapper_chain
    : "%WRAPPER_CHAIN" IDENT "{" wrapper_chain_head wrapper_chain_items "}"
      {
          $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(WRAPPER_CHAIN_NODE, $2.node), $5.node);
          check_missing(BLOCK_WRAPPER_CHAIN);
      }
    ;
wrapper_chain_items
    : wrapper_chain_items wrapper_chain_item
      { $$.node = scan_merge_chain($1.node, $2.node, {{CLOCK_NODE, WRAPPER_CLOCK_LIST_NODE}}); }
    | wrapper_chain_item
    ;
wrapper_chain_item
    : "%CLOCK" "=" IDENT ";" { $$.node = scan_wrapper_chain_clock(SCAN_MAKE_SOLO_AST(CLOCK_NODE, $3.node)); }
    | "%SCAN_IN" "=" IDENT ";"
      {
          $$.node = scan_once_as(wrapper_chain_t[WRAPPER_CHAIN_SCAN_IN], "WRAPPER_CHAIN_SCAN_IN_NODE",
                                 SCAN_MAKE_SOLO_AST(SCAN_IN_NODE, $3.node));
      }
    | "%SCAN_OUT" "=" IDENT ";"
      {
          $$.node = scan_once_as(wrapper_chain_t[WRAPPER_CHAIN_SCAN_OUT], "WRAPPER_CHAIN_SCAN_OUT_NODE",
                                 SCAN_MAKE_SOLO_AST(SCAN_OUT_NODE, $3.node));
      }
    ;
