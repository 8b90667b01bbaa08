/* %CLOCK_PERIOD: the period of each clock, an integer or a real. */

clock_period
    : "%CLOCK_PERIOD" "{" clock_period_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(CLOCK_PERIOD_NODE), $3.node);
          check_missing(BLOCK_CLOCK_PERIOD);
          scan_clear_table(clock_period_t);
      }
    ;
clock_period_items
    : clock_period_items clock_4_1 { $$.node = scan_append_item($1.node, $2.node); }
    | clock_4_1                    { $$.node = scan_holder(DUMMY, $1.node); }
    ;
clock_4_1
    : clock_4_2 { clock_period_t[0] = 1; }
    ;
clock_4_2
    : "%CLOCK" IDENT "=" INTEGER ";" { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    | "%CLOCK" IDENT "=" REAL ";"    { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    ;
