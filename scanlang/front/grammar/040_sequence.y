/* %SEQUENCE: force statements, cycle and frame lengths, set-timing
   blocks. */

sequence
    : "%SEQUENCE" IDENT "{" sequence_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(SEQUENCE_NODE, $2.node), $4.node);
          check_missing(BLOCK_SEQUENCE);
          scan_clear_table(sequence_t);
      }
    ;
/* Every force statement after the first joins the one FORCE_LIST_NODE,
   every set-timing block after the first the SET_TIMING_LIST_NODE. */
sequence_items
    : sequence_items sequence_item
      {
          $$.node = scan_merge_item($1.node, $2.node,
                                    {{FORCE_NODE, FORCE_LIST_NODE}, {FORCE_CLOCK_NODE, FORCE_LIST_NODE},
                                     {SET_TIMING_NODE, SET_TIMING_LIST_NODE}});
      }
    | sequence_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
sequence_item
    : force           { $$.node = scan_first_in_list(sequence_t[SEQ_FORCE], FORCE_LIST_NODE, $1.node); }
    | force_clock_any { $$.node = scan_first_in_list(sequence_t[SEQ_FORCE], FORCE_LIST_NODE, $1.node); }
    | cycle_length    { $$.node = scan_once(sequence_t[SEQ_CYCLE_LENGTH], $1.node); }
    | frame_length    { $$.node = scan_once(sequence_t[SEQ_FRAME_LENGTH], $1.node); }
    | set_timing      { $$.node = scan_first_in_list(sequence_t[SEQ_SET_TIMING], SET_TIMING_LIST_NODE, $1.node); }
    ;

force
    : "%FORCE" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(FORCE_NODE, $2.node, $4.node); }
    ;
force_clock_any
    : force_clock_1
    | force_clock_2
    | force_clock_3
    | force_clock_4
    ;
force_clock_1
    : "%FORCE_CLOCK" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(FORCE_CLOCK_NODE, $2.node, $4.node); }
    ;
force_clock_2
    : "%FORCE_CLOCK" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(FORCE_CLOCK_NODE, $2.node); }
    ;
force_clock_3
    : "%CLOCK" signal "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(FORCE_CLOCK_NODE, $2.node, $4.node); }
    ;
force_clock_4
    : "%CLOCK" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(FORCE_CLOCK_NODE, $2.node); }
    ;
cycle_length
    : "%CYCLE_LENGTH" "=" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(CYCLE_LENGTH_NODE, $3.node); }
    ;
frame_length
    : "%FRAME_LENGTH" "=" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(FRAME_LENGTH_NODE, $3.node); }
    ;
