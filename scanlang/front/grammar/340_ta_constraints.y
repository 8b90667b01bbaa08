%%
/* %TA_CONSTRAINTS: test-access constraints.  Clocks, forces, forced
   clocks and isolated modules, RAMs and registers are filed under their
   list nodes; the names of every %DFT join the first TA_DFT_NODE. */
ta_constraints_block
    : "%TA_CONSTRAINTS" "{" ta_constraints_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(TA_CONSTRAINTS_NODE), $3.node);
          scan_clear_table(ta_constraints_t);
      }
    ;
ta_constraints_items
    : ta_constraints_items ta_constraints_item
      {
          if ($2.node->kind == TA_DFT_NODE)
              $$.node = scan_merge_names($1.node, $2.node, {TA_DFT_NODE});
          else
              $$.node = scan_merge_item($1.node, $2.node,
                                        {{TA_CLOCK_NODE, TA_CLOCK_LIST_NODE},
                                         {FORCE_NODE, FORCE_LIST_NODE},
                                         {FORCE_CLOCK_NODE, FORCE_CLOCK_LIST_NODE},
                                         {ISOLATE_MOD_NODE, ISOLATE_MOD_LIST_NODE},
                                         {ISOLATE_RAM_NODE, ISOLATE_RAM_LIST_NODE},
                                         {ISOLATE_REG_NODE, ISOLATE_REG_LIST_NODE}});
      }
    | ta_constraints_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
ta_constraints_item
    : "%CLOCK" signal "=" PATTERN ";"
      {
          $$.node = scan_first_in_list(ta_constraints_t[TA_CLOCK], TA_CLOCK_LIST_NODE,
                                       SCAN_MAKE_DUET_AST(TA_CLOCK_NODE, $2.node, $4.node));
      }
    | force            { $$.node = scan_first_in_list(ta_constraints_t[TA_FORCE], FORCE_LIST_NODE, $1.node); }
    | force_clock_pair
      { $$.node = scan_first_in_list(ta_constraints_t[TA_FORCE_CLOCK], FORCE_CLOCK_LIST_NODE, $1.node); }
    | "%DFT" name_list ";"
      { $$.node = scan_count(ta_constraints_t[TA_DFT], scan_take_children(SCAN_MAKE_AST(TA_DFT_NODE), $2.node)); }
    | "%ISOLATE_MOD" signal "{" force_pin_value_list "}" ";"
      {
          $$.node = scan_first_in_list(ta_constraints_t[TA_ISOLATE_MOD], ISOLATE_MOD_LIST_NODE,
                                       SCAN_MAKE_DUET_AST(ISOLATE_MOD_NODE, $2.node, $4.node));
      }
    | "%ISOLATE_RAM" signal "{" force_pin_value_list "}" ";"
      {
          $$.node = scan_first_in_list(ta_constraints_t[TA_ISOLATE_RAM], ISOLATE_RAM_LIST_NODE,
                                       SCAN_MAKE_DUET_AST(ISOLATE_RAM_NODE, $2.node, $4.node));
      }
    | "%ISOLATE_REG" signal "{" force_pin_value_list "}" ";"
      {
          $$.node = scan_first_in_list(ta_constraints_t[TA_ISOLATE_REG], ISOLATE_REG_LIST_NODE,
                                       SCAN_MAKE_DUET_AST(ISOLATE_REG_NODE, $2.node, $4.node));
      }
    | "%INIT_PATTERNS" signal ";"
      {
          $$.node = scan_once(ta_constraints_t[TA_INIT_PATTERNS], SCAN_MAKE_SOLO_AST(INIT_PATTERNS_NODE, $2.node));
      }
    ;
/* Pin and value pairs of an isolated instance, separated by commas. */
force_pin_value_list
    : force_pin_value_list "," force_pin_value { $$.node = scan_append_item($1.node, $3.node); }
    | force_pin_value                          { $$.node = scan_holder(FORCE_PIN_VALUE_LIST_NODE, $1.node); }
    ;
force_pin_value
    : signal PATTERN { $$.node = SCAN_MAKE_DUET_AST(FORCE_PIN_VALUE_NODE, $1.node, $2.node); }
    ;
