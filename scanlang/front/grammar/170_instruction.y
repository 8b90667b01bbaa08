/* %INSTRUCTION: the sequences an instruction runs, each statement at
   most once. */

instruction_1
    : "%INSTRUCTION" IDENT "{" instruction_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(INSTRUCTION_NODE, $2.node), $4.node);
          check_missing(BLOCK_INSTRUCTION);
          scan_clear_table(instruction_t);
      }
    ;
instruction_items
    : instruction_item                   { $$.node = scan_holder(DUMMY, $1.node); }
    | instruction_items instruction_item { $$.node = scan_append_item($1.node, $2.node); }
    ;
instruction_item
    : mode        { $$.node = scan_once(instruction_t[INSTR_MODE], $1.node); }
    | preamble_1  { $$.node = scan_once(instruction_t[INSTR_PREAMBLE], $1.node); }
    | shift_1     { $$.node = scan_once(instruction_t[INSTR_SHIFT], $1.node); }
    | extra_seq   { $$.node = scan_once(instruction_t[INSTR_EXTRA_SEQ], $1.node); }
    | propagate   { $$.node = scan_once(instruction_t[INSTR_PROPAGATE], $1.node); }
    | hold_1      { $$.node = scan_once(instruction_t[INSTR_HOLD], $1.node); }
    | runbist     { $$.node = scan_once(instruction_t[INSTR_RUNBIST], $1.node); }
    | capture_1   { $$.node = scan_once(instruction_t[INSTR_CAPTURE], $1.node); }
    | postamble   { $$.node = scan_once(instruction_t[INSTR_POSTAMBLE], $1.node); }
    | ram_write_1 { $$.node = scan_once(instruction_t[INSTR_RAM_WRITE], $1.node); }
    ;

propagate
    : "%PROPAGATE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(PROPAGATE_NODE, $3.node); }
    ;
runbist
    : "%RUNBIST" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(RUNBIST_NODE, $3.node); }
    ;
postamble
    : "%POSTAMBLE" "=" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(POSTAMBLE_NODE, $3.node); }
    ;
ram_write_1
    : "%RAM_WRITE" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(RAM_WRITE_NODE, $3.node); }
    ;
