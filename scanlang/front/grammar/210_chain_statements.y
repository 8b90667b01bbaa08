/* The statements of a scan chain's ports, selects, clocks and instances,
   and the lockup-latch file block. */

scan_instruction
    : "%SCAN_INSTRUCTION" "{" "%INSTRUCTION" "=" IDENT ";" "}"
      { $$.node = SCAN_MAKE_SOLO_AST(SCAN_INSTRUCTION_NODE, $5.node); }
    ;
scan_in_1
    : "%SCAN_IN" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_IN_NODE, $3.node); }
    ;
scan_out_1
    : "%SCAN_OUT" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(SCAN_OUT_NODE, $3.node); }
    ;
default
    : "%DEFAULT" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(DEFAULT_NODE, $3.node); }
    ;
/* (The scanner makes a leaf for the %SELECT keyword, which is not kept.) */
select
    : "%SELECT" "=" IDENT ";"
      {
          scan_drop($1.node);
          $$.node = SCAN_MAKE_SOLO_AST(SELECT_NODE, $3.node);
      }
    ;
global_select
    : "%GLOBAL_SELECT" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(GLOBAL_SELECT_NODE, $3.node); }
    ;
/* The clock of a scan clock block.  (Named apart from the braced %CLOCK
   block of %HOOKUP.) */
scan_clock_name
    : "%CLOCK" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_NODE, $3.node); }
    ;
/* A global clock, optionally with a second name in braces. */
global_clock
    : "%GLOBAL_CLOCK" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(GLOBAL_CLOCK_NODE, $3.node); }
    | "%GLOBAL_CLOCK" "=" signal "{" signal "}" ";"
      { $$.node = SCAN_MAKE_DUET_AST(GLOBAL_CLOCK_NODE, $3.node, $5.node); }
    ;

/* The scan instances: comma-separated groups, each a name or a braced
   name list, closed by a semicolon inside the braces. */
scan_instances
    : "%SCAN_INSTANCES" "{" group_list ";" "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_INSTANCES_NODE), $3.node); }
    ;
scan_instances_file
    : "%SCAN_INSTANCES_FILE" "{" file_name_stmts "}"
      { $$.node = scan_take_children(SCAN_MAKE_AST(SCAN_INSTANCES_FILE_NODE), $3.node); }
    ;
lockup_latch_file_block
    : "%LOCKUP_LATCH_FILE" "{" file_name_part "}" { $$.node = SCAN_MAKE_SOLO_AST(LOCKUP_LATCH_FILE_NODE, $3.node); }
    ;
file_name_stmts
    : file_name_stmts file_name_part { $$.node = scan_append_item($1.node, $2.node); }
    | file_name_part                 { $$.node = scan_holder(DUMMY, $1.node); }
    ;
group_list
    : group_items
    ;
group_items
    : group_items "," group { $$.node = scan_append_item($1.node, $3.node); }
    | group                 { $$.node = scan_holder(GROUP_LIST_NODE, $1.node); }
    ;
group
    : "{" name_list "}" { $$.node = scan_take_children(SCAN_MAKE_AST(GROUP_NODE), $2.node); }
    | IDENT             { $$.node = SCAN_MAKE_SOLO_AST(GROUP_NODE, $1.node); }
    ;
