%%
/* %SELECT_FAULT: the fault model, sampling, the faults and fault types
   to drop or keep, the fault order, the dont/must-fault files and the
   dont-fault paths.  A repeated dont/must statement gives its names to
   the first statement of its kind. */
select_fault_block
    : "%SELECT_FAULT" "{" select_fault_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(SELECT_FAULT_NODE), $3.node);
          scan_clear_table(select_fault_t);
      }
    ;
select_fault_items
    : select_fault_items select_fault_item
      {
          $$.node = scan_merge_names($1.node, $2.node,
                                     {DONT_FAULT_TYPE_NODE, MUST_FAULT_TYPE_NODE, DONT_FAULT_NODE, MUST_FAULT_NODE,
                                      DONT_FAULT_MODULE_NODE});
      }
    | select_fault_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
select_fault_item
    : "%FAULT_MODEL" "=" STRING ";"
      { $$.node = scan_once(select_fault_t[SF_FAULT_MODEL], SCAN_MAKE_SOLO_AST(FAULT_MODEL_NODE, $3.node)); }
    | "%RANDOM_SAMPLE" integer_or_percentage ";"
      { $$.node = scan_once(select_fault_t[SF_RANDOM_SAMPLE], SCAN_MAKE_SOLO_AST(RANDOM_SAMPLE_NODE, $2.node)); }
    | statistical_sample_block { $$.node = scan_once(select_fault_t[SF_STATISTICAL_SAMPLE], $1.node); }
    | "%DONT_FAULT_TYPE" cell_module_list_1 ";"
      {
          $$.node = scan_count(select_fault_t[SF_DONT_FAULT_TYPE],
                               scan_take_children(SCAN_MAKE_AST(DONT_FAULT_TYPE_NODE), $2.node));
      }
    | "%MUST_FAULT_TYPE" cell_module_list_1 ";"
      {
          $$.node = scan_count(select_fault_t[SF_MUST_FAULT_TYPE],
                               scan_take_children(SCAN_MAKE_AST(MUST_FAULT_TYPE_NODE), $2.node));
      }
    | "%DONT_FAULT" signal_list ";"
      {
          $$.node = scan_count(select_fault_t[SF_DONT_FAULT],
                               scan_take_children(SCAN_MAKE_AST(DONT_FAULT_NODE), $2.node));
      }
    | "%MUST_FAULT" signal_list ";"
      {
          $$.node = scan_count(select_fault_t[SF_MUST_FAULT],
                               scan_take_children(SCAN_MAKE_AST(MUST_FAULT_NODE), $2.node));
      }
    | "%FAULT_ORDER" STRING ";"
      { $$.node = scan_once(select_fault_t[SF_FAULT_ORDER], SCAN_MAKE_SOLO_AST(FAULT_ORDER_NODE, $2.node)); }
    | file_name_part
      { $$.node = scan_once(select_fault_t[SF_FILE_NAME], SCAN_MAKE_SOLO_AST(FILE_NAME_NODE, $1.node)); }
    | dont_fault_module_stmt { $$.node = scan_count(select_fault_t[SF_DONT_FAULT_MODULE], $1.node); }
    | "%DONT_FAULT_FILE" "=" STRING ";"
      { $$.node = scan_once(select_fault_t[SF_DONT_FAULT_FILE], SCAN_MAKE_SOLO_AST(DONT_FAULT_FILE_NODE, $3.node)); }
    | "%MUST_FAULT_FILE" "=" STRING ";"
      { $$.node = scan_once(select_fault_t[SF_MUST_FAULT_FILE], SCAN_MAKE_SOLO_AST(MUST_FAULT_FILE_NODE, $3.node)); }
    | dont_fault_path_list_1
    ;
statistical_sample_block
    : "%STATISTICAL_SAMPLE" "{" statistical_sample_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(STATISTICAL_SAMPLE_NODE), $3.node);
          check_missing(BLOCK_STATISTICAL);
          scan_clear_table(statistical_t);
      }
    ;
statistical_sample_items
    : statistical_sample_items statistical_sample_item { $$.node = scan_append_item($1.node, $2.node); }
    | statistical_sample_item                          { $$.node = scan_holder(DUMMY, $1.node); }
    ;
statistical_sample_item
    : "%PRECISION" PERCENTAGE ";"
      { $$.node = scan_once(statistical_t[STAT_PRECISION], SCAN_MAKE_SOLO_AST(PRECISION_NODE, $2.node)); }
    | "%CONFIDENCE_LEVEL" PERCENTAGE ";"
      { $$.node = scan_once(statistical_t[STAT_CONFIDENCE_LEVEL], SCAN_MAKE_SOLO_AST(CONFIDENCE_LEVEL_NODE, $2.node)); }
    ;
