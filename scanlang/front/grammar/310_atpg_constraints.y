%code {
/* The item of an ATPG mode section: a repeated list statement joins the
   list node its first occurrence opened; a repeated name statement gives
   its names to the first statement of its kind. */
static ScanAstNode* atpg_add_item(ScanAstNode* body, ScanAstNode* item) {
    static constexpr int kNameKinds[] = {BLACK_BOX_NODE, BYPASS_NODE,      UNCONTROL_NODE,   UNCONTROL_CHAIN_NODE,
                                         UNOBSERVE_NODE, UNOBSERVE_CHAIN_NODE, SKIP_BUS_NODE, NO_FLOATING_NODE,
                                         SKEW_FF_NODE,   DONT_FAULT_MODULE_NODE, SKIPFAULTS_NODE};
    for (int kind : kNameKinds)
        if (item->kind == kind) return scan_merge_names(body, item, {kind});
    return scan_merge_item(body, item,
                           {{FORCE_NODE, FORCE_LIST_NODE},
                            {CONTROL_NODE, CONTROL_LIST_NODE},
                            {CONTROL_CELL_NODE, CONTROL_CELL_LIST_NODE},
                            {ILLEGAL_INPUTS_NODE, ILLEGAL_INPUTS_LIST_NODE},
                            {LEGAL_INPUTS_NODE, LEGAL_INPUTS_LIST_NODE},
                            {GRAY_CODE_NODE, GRAY_CODE_LIST_NODE},
                            {RESET_NODE, RESET_LIST_NODE},
                            {RESET_DISABLE_NODE, RESET_DISABLE_LIST_NODE},
                            {SET_NODE, SET_LIST_NODE},
                            {SET_DISABLE_NODE, SET_DISABLE_LIST_NODE},
                            {POWER_ON_RESET_NODE, POWER_ON_RESET_LIST_NODE},
                            {POWER_ON_SET_NODE, POWER_ON_SET_LIST_NODE},
                            {RAM_NODE, RAM_LIST_NODE},
                            {ATPG_CLOCK_NODE, ATPG_CLOCK_LIST_NODE},
                            {RAM_READ_NODE, RAM_READ_LIST_NODE},
                            {RAM_WRITE_NODE, RAM_WRITE_LIST_NODE}});
}

/* A statement over the names (or numbers) of a list holder. */
static ScanAstNode* names_node(int kind, ScanAstNode* list) {
    return scan_take_children(SCAN_MAKE_AST(kind), list);
}

/* A statement whose one pattern is held in a PATTERN_LIST_NODE, shaped
   as the pattern lists of %LEGAL_INPUTS. */
static ScanAstNode* one_pattern_node(int kind, ScanAstNode* names, ScanAstNode* pattern) {
    return SCAN_MAKE_DUET_AST(kind, names, SCAN_MAKE_SOLO_AST(PATTERN_LIST_NODE, pattern));
}
}
%%
/* %ATPG_CONSTRAINTS: one section per ATPG mode with the constraints of
   that mode. */
atpg_constraints_block
    : "%ATPG_CONSTRAINTS" "{" atpg_mode_sections "}" { $$.node = $3.node; }
    ;
atpg_mode_sections
    : atpg_mode_section_list
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(ATPG_CONSTAINTS_NODE), $1.node);
          check_atpg_scan_opt_duplicate($$.node->child);
      }
    | %empty
      {
          $$.node = SCAN_MAKE_AST(ATPG_CONSTAINTS_NODE);
          empty_body_error("%ATPG_CONSTRAINTS", scan_yylineno);
      }
    ;
atpg_mode_section_list
    : atpg_mode_section_list atpg_mode_section { $$.node = scan_append_item($1.node, $2.node); }
    | atpg_mode_section                        { $$.node = scan_holder(DUMMY, $1.node); }
    ;
/* The body takes the line of the section's closing brace. */
atpg_mode_section
    : atpg_mode_head "{" atpg_constraint_body "}"
      {
          if ($3.node) {
              $3.node->line = scan_yylineno;
              scan_append_item($1.node, $3.node);
          }
          $$.node = $1.node;
          check_missing(BLOCK_ATPG_MODE);
          scan_clear_table(atpg_constraints_t);
      }
    ;
atpg_mode_head
    : "%ATPG_MODE" STRING { $$.node = SCAN_MAKE_SOLO_AST(ATPG_MODE_NODE, $2.node); }
    ;
atpg_constraint_body
    : atpg_constraint_items
    | %empty { $$.node = nullptr; }
    ;
atpg_constraint_items
    : atpg_constraint_items atpg_constraint_item { $$.node = atpg_add_item($1.node, $2.node); }
    | atpg_constraint_item                       { $$.node = scan_holder(ATPG_CONTAIN_NODE, $1.node); }
    ;
atpg_constraint_item
    : force
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_FORCE], FORCE_LIST_NODE, $1.node); }
    | strobe_stmt               { $$.node = scan_once(atpg_constraints_t[AC_STROBE], $1.node); }
    | autosave_stmt             { $$.node = scan_once(atpg_constraints_t[AC_AUTOSAVE], $1.node); }
    | skipfaults_stmt           { $$.node = scan_count(atpg_constraints_t[AC_SKIPFAULTS], $1.node); }
    | illegal_inputs_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_ILLEGAL_INPUTS], ILLEGAL_INPUTS_LIST_NODE, $1.node); }
    | legal_inputs_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_LEGAL_INPUTS], LEGAL_INPUTS_LIST_NODE, $1.node); }
    | gray_code_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_GRAY_CODE], GRAY_CODE_LIST_NODE, $1.node); }
    | reset_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_RESET], RESET_LIST_NODE, $1.node); }
    | reset_disable_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_RESET_DISABLE], RESET_DISABLE_LIST_NODE, $1.node); }
    | set_stmt                  { $$.node = scan_first_in_list(atpg_constraints_t[AC_SET], SET_LIST_NODE, $1.node); }
    | set_disable_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_SET_DISABLE], SET_DISABLE_LIST_NODE, $1.node); }
    | power_on_reset_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_POWER_ON_RESET], POWER_ON_RESET_LIST_NODE, $1.node); }
    | power_on_set_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_POWER_ON_SET], POWER_ON_SET_LIST_NODE, $1.node); }
    | ram_stmt                  { $$.node = scan_first_in_list(atpg_constraints_t[AC_RAM], RAM_LIST_NODE, $1.node); }
    | clock_pattern_stmt
      {
          /* The first clock opens the list node and later ones join it, so
             that the section's one ATPG_CLOCK_LIST_NODE holds every clock. */
          $$.node = scan_first_in_list(atpg_constraints_t[AC_CLOCK], ATPG_CLOCK_LIST_NODE, $1.node);
      }
    | black_box_stmt            { $$.node = scan_count(atpg_constraints_t[AC_BLACK_BOX], $1.node); }
    | bypass_stmt               { $$.node = scan_count(atpg_constraints_t[AC_BYPASS], $1.node); }
    | uncontrollable_stmt       { $$.node = scan_count(atpg_constraints_t[AC_UNCONTROLLABLE], $1.node); }
    | uncontrollable_chain_stmt { $$.node = scan_count(atpg_constraints_t[AC_UNCONTROLLABLE_CHAIN], $1.node); }
    | unobservable_stmt         { $$.node = scan_count(atpg_constraints_t[AC_UNOBSERVABLE], $1.node); }
    | unobservable_chain_stmt   { $$.node = scan_count(atpg_constraints_t[AC_UNOBSERVABLE_CHAIN], $1.node); }
    | feedback_loops_stmt       { $$.node = scan_once(atpg_constraints_t[AC_FEEDBACK_LOOPS], $1.node); }
    | ram_read_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_RAM_READ], RAM_READ_LIST_NODE, $1.node); }
    | ram_write_stmt
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_RAM_WRITE], RAM_WRITE_LIST_NODE, $1.node); }
    | skip_bus_stmt
    | no_floating_stmt
    | skew_ff_stmt
    | dont_fault_module_stmt
    | control
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_CONTROL], CONTROL_LIST_NODE, $1.node); }
    | control_cell_part
      { $$.node = scan_first_in_list(atpg_constraints_t[AC_CONTROL_CELL], CONTROL_CELL_LIST_NODE, $1.node); }
    ;
strobe_stmt
    : "%STROBE" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(STROBE_NODE, $2.node, $4.node); }
    ;
autosave_stmt
    : "%AUTOSAVE" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(AUTOSAVE_NODE, $2.node); }
    ;
skipfaults_stmt
    : "%SKIPFAULTS" integer_list ";" { $$.node = names_node(SKIPFAULTS_NODE, $2.node); }
    ;
integer_list
    : integer_list "," INTEGER { $$.node = scan_append_item($1.node, $3.node); }
    | integer_list INTEGER     { $$.node = scan_append_item($1.node, $2.node); }
    | INTEGER                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
illegal_inputs_stmt
    : "%ILLEGAL_INPUTS" name_list "=" pattern_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(ILLEGAL_INPUTS_NODE, $2.node, $4.node); }
    ;
legal_inputs_stmt
    : "%LEGAL_INPUTS" name_list "=" pattern_list ";"
      { $$.node = SCAN_MAKE_DUET_AST(LEGAL_INPUTS_NODE, $2.node, $4.node); }
    ;
gray_code_stmt
    : "%GRAY_CODE" name_list "=" PATTERN ";" { $$.node = one_pattern_node(GRAY_CODE_NODE, $2.node, $4.node); }
    ;
reset_stmt
    : "%RESET" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(RESET_NODE, $2.node, $4.node); }
    ;
reset_disable_stmt
    : "%RESET_DISABLE" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(RESET_DISABLE_NODE, $2.node, $4.node); }
    ;
set_stmt
    : "%SET" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(SET_NODE, $2.node, $4.node); }
    ;
set_disable_stmt
    : "%SET_DISABLE" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(SET_DISABLE_NODE, $2.node, $4.node); }
    ;
/* Without names the node holds one empty DUMMY node. */
power_on_reset_stmt
    : "%POWER_ON_RESET" ";"           { $$.node = SCAN_MAKE_SOLO_AST(POWER_ON_RESET_NODE, SCAN_MAKE_AST(DUMMY)); }
    | "%POWER_ON_RESET" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(POWER_ON_RESET_NODE, $2.node); }
    ;
power_on_set_stmt
    : "%POWER_ON_SET" ";"           { $$.node = SCAN_MAKE_SOLO_AST(POWER_ON_SET_NODE, SCAN_MAKE_AST(DUMMY)); }
    | "%POWER_ON_SET" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(POWER_ON_SET_NODE, $2.node); }
    ;
ram_stmt
    : "%RAM" signal "=" STRING ";" { $$.node = SCAN_MAKE_DUET_AST(RAM_NODE, $2.node, $4.node); }
    ;
clock_pattern_stmt
    : "%CLOCK" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(ATPG_CLOCK_NODE, $2.node, $4.node); }
    ;
black_box_stmt
    : "%BLACK_BOX" name_list ";" { $$.node = names_node(BLACK_BOX_NODE, $2.node); }
    ;
bypass_stmt
    : "%BYPASS" name_list ";" { $$.node = names_node(BYPASS_NODE, $2.node); }
    ;
uncontrollable_stmt
    : "%UNCONTROLLABLE" name_list ";" { $$.node = names_node(UNCONTROL_NODE, $2.node); }
    ;
uncontrollable_chain_stmt
    : "%UNCONTROLLABLE_CHAIN" name_list ";" { $$.node = names_node(UNCONTROL_CHAIN_NODE, $2.node); }
    ;
unobservable_stmt
    : "%UNOBSERVABLE" name_list ";" { $$.node = names_node(UNOBSERVE_NODE, $2.node); }
    ;
unobservable_chain_stmt
    : "%UNOBSERVABLE_CHAIN" name_list ";" { $$.node = names_node(UNOBSERVE_CHAIN_NODE, $2.node); }
    ;
feedback_loops_stmt
    : "%FEEDBACK_LOOPS" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(FEEDBACK_LOOPS_NODE, $3.node); }
    ;
/* RAM read and write patterns, with or without "=". */
ram_read_stmt
    : "%RAM_READ" name_list "=" PATTERN ";" { $$.node = one_pattern_node(RAM_READ_NODE, $2.node, $4.node); }
    | "%RAM_READ" name_list PATTERN ";"     { $$.node = one_pattern_node(RAM_READ_NODE, $2.node, $3.node); }
    ;
ram_write_stmt
    : "%RAM_WRITE" name_list "=" PATTERN ";" { $$.node = one_pattern_node(RAM_WRITE_NODE, $2.node, $4.node); }
    | "%RAM_WRITE" name_list PATTERN ";"     { $$.node = one_pattern_node(RAM_WRITE_NODE, $2.node, $3.node); }
    ;
skip_bus_stmt
    : "%SKIP_BUS" name_list ";" { $$.node = names_node(SKIP_BUS_NODE, $2.node); }
    ;
no_floating_stmt
    : "%NO_FLOATING" name_list ";" { $$.node = names_node(NO_FLOATING_NODE, $2.node); }
    ;
skew_ff_stmt
    : "%SKEW_FF" name_list ";" { $$.node = names_node(SKEW_FF_NODE, $2.node); }
    ;
dont_fault_module_stmt
    : "%DONT_FAULT_MODULE" name_list ";" { $$.node = names_node(DONT_FAULT_MODULE_NODE, $2.node); }
    ;
pattern_list
    : pattern_items
    ;
pattern_items
    : pattern_items "," PATTERN { $$.node = scan_append_item($1.node, $3.node); }
    | PATTERN                   { $$.node = scan_holder(PATTERN_LIST_NODE, $1.node); }
    ;
