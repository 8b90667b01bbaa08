%code {
/* The end of a %CONNECT_BIST block: its items follow the controller's
   names, then the block's checks, and its table starts afresh. */
static ScanAstNode* close_connect_bist(ScanAstNode* node, ScanAstNode* items) {
    scan_take_children(node, items);
    check_missing(BLOCK_CONNECT_BIST);
    scan_clear_table(connect_bist_t);
    return node;
}
}
%%
/* %CONNECT_BIST: a logic-BIST controller (its name and type) with its
   BIST type, port, numbered select and clock blocks, instances and
   instruction. */
connect_bist_block
    : "%CONNECT_BIST" IDENT IDENT "{" connect_bist_items "}"
      { $$.node = close_connect_bist(SCAN_MAKE_DUET_AST(CONNECT_BIST_NODE, $2.node, $3.node), $5.node); }
    ;
/* Every select block after the first joins the BIST_SELECT_LIST_NODE,
   every clock block the BIST_CLOCK_LIST_NODE. */
connect_bist_items
    : connect_bist_items connect_bist_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{BIST_SELECT_NODE, BIST_SELECT_LIST_NODE},
                                     {BIST_CLOCK_NODE, BIST_CLOCK_LIST_NODE}});
      }
    | connect_bist_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
connect_bist_item
    : bist_type_stmt            { $$.node = scan_once(connect_bist_t[CB_TYPE], $1.node); }
    | bist_port_block           { $$.node = scan_once(connect_bist_t[CB_PORT], $1.node); }
    | bist_select_block
      { $$.node = scan_first_in_list(connect_bist_t[CB_SELECT], BIST_SELECT_LIST_NODE, $1.node); }
    | bist_clock_block
      { $$.node = scan_first_in_list(connect_bist_t[CB_CLOCK], BIST_CLOCK_LIST_NODE, $1.node); }
    | bist_instances_block      { $$.node = scan_once(connect_bist_t[CB_INSTANCES], $1.node); }
    | bist_instances_file_block { $$.node = scan_once(connect_bist_t[CB_INSTANCES_FILE], $1.node); }
    | bist_instruction_block    { $$.node = scan_once(connect_bist_t[CB_INSTRUCTION], $1.node); }
    ;
bist_type_stmt
    : "%BIST_TYPE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(BIST_TYPE_NODE, $3.node); }
    ;
bist_port_block
    : "%BIST_PORT" "{" scan_port_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(BIST_PORT_NODE), $3.node);
          check_missing(BLOCK_PORT);
          scan_clear_table(port_t);
      }
    ;
/* %BIST_SELECT_<n> and %BIST_CLOCK_<n>: the keyword's own leaf is the
   block's first child. */
bist_select_block
    : "%BIST_SELECT_<n>" "{" scan_select_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(BIST_SELECT_NODE, $1.node), $3.node);
          check_missing(BLOCK_SELECT);
          scan_clear_table(select_t);
      }
    ;
bist_clock_block
    : "%BIST_CLOCK_<n>" "{" scan_clock_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(BIST_CLOCK_NODE, $1.node), $3.node);
          check_missing(BLOCK_SCAN_CLOCK);
          scan_clear_table(scan_clock_t);
      }
    ;
bist_instances_block
    : "%BIST_INSTANCES" "{" group_list ";" "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(BIST_INSTANCES_NODE), $3.node); }
    ;
bist_instances_file_block
    : "%BIST_INSTANCES_FILE" "{" file_name_stmts "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(BIST_INSTANCES_FILE_NODE), $3.node); }
    ;
/* The instruction's name and seed are the block's children as bare
   leaves, so a repeat is reported by the leaf's kind. */
bist_instruction_block
    : "%BIST_INSTRUCTION" "{" bist_instruction_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(BIST_INSTRUCTION_NODE), $3.node);
          check_missing(BLOCK_BIST_INSTRUCTION);
          scan_clear_table(bist_instruction_t);
      }
    ;
bist_instruction_items
    : bist_instruction_items bist_instruction_item { $$.node = scan_append_item($1.node, $2.node); }
    | bist_instruction_item                        { $$.node = scan_holder(DUMMY, $1.node); }
    ;
bist_instruction_item
    : instruction_stmt { $$.node = scan_once(bist_instruction_t[BI_INSTRUCTION], $1.node); }
    | seed_stmt        { $$.node = scan_once(bist_instruction_t[BI_SEED], $1.node); }
    ;
instruction_stmt
    : "%INSTRUCTION" "=" IDENT ";" { $$.node = $3.node; }
    ;
seed_stmt
    : "%SEED" "=" PATTERN ";" { $$.node = $3.node; }
    ;
