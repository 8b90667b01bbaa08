%%
/* %MBIST_CONSTRAINTS: per memory-BIST controller, the design pins that
   carry its signals.  Controllers and pin statements are chained as
   siblings; nothing is counted. */
mbist_constraints_block
    : "%MBIST_CONSTRAINTS" "{" mbist_control_blocks "}" { $$.node = scan_holder(MBIST_CONSTRAINTS_NODE, $3.node); }
    ;
mbist_control_blocks
    : mbist_control_blocks mbist_control_block { $$.node = scan_chain_append($1.node, $2.node); }
    | mbist_control_block
    ;
mbist_control_block
    : "%MBIST_CONTROL" INTEGER "{" mbist_pin_stmts "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(MBIST_CONTROL_NODE, $2.node), $4.node); }
    ;
mbist_pin_stmts
    : mbist_pin_stmt
    | mbist_pin_stmts mbist_pin_stmt { $$.node = scan_chain_append($1.node, $2.node); }
    ;
/* A pin is written "= name;" (an instance-and-pin name is checked and
   split) or "= { name };" (taken as it stands); the value's token tells
   the braced form. */
mbist_pin_value
    : "=" IDENT ";"         { $$.node = $2.node; $$.token = 0; }
    | "=" "{" IDENT "}" ";" { $$.node = $3.node; $$.token = 1; }
    ;
mbist_pin_stmt
    : "%BISTMODE" mbist_pin_value { $$.node = scan_mbist_pin(BISTMODE_NODE, $2.node, $2.token == 1); }
    | "%BISTFAIL" mbist_pin_value { $$.node = scan_mbist_pin(BISTFAIL_NODE, $2.node, $2.token == 1); }
    | "%ERRMAP" mbist_pin_value { $$.node = scan_mbist_pin(ERRMAP_NODE, $2.node, $2.token == 1); }
    | "%BIST_RESULT_EN" mbist_pin_value { $$.node = scan_mbist_pin(BIST_RESULT_EN_NODE, $2.node, $2.token == 1); }
    | "%BIST_RESULT_IN" mbist_pin_value { $$.node = scan_mbist_pin(BIST_RESULT_IN_NODE, $2.node, $2.token == 1); }
    | "%BIST_RESULT_OUT" mbist_pin_value { $$.node = scan_mbist_pin(BIST_RESULT_OUT_NODE, $2.node, $2.token == 1); }
    | "%FINISH" mbist_pin_value { $$.node = scan_mbist_pin(FINISH_NODE, $2.node, $2.token == 1); }
    | "%UTI_SCAN_IN" mbist_pin_value { $$.node = scan_mbist_pin(UTI_SCAN_IN_NODE, $2.node, $2.token == 1); }
    | "%UTI_SCAN_OUT" mbist_pin_value { $$.node = scan_mbist_pin(UTI_SCAN_OUT_NODE, $2.node, $2.token == 1); }
    | "%MEMGROUPSEL" mbist_pin_value { $$.node = scan_mbist_pin(MEMGROUPSEL_NODE, $2.node, $2.token == 1); }
    | "%MEMGROUPSEL_IN" mbist_pin_value { $$.node = scan_mbist_pin(MEMGROUPSEL_IN_NODE, $2.node, $2.token == 1); }
    | "%MEMGROUPSEL_OUT" mbist_pin_value { $$.node = scan_mbist_pin(MEMGROUPSEL_OUT_NODE, $2.node, $2.token == 1); }
    | "%BIST_SEL_EN" mbist_pin_value { $$.node = scan_mbist_pin(BIST_SEL_EN_NODE, $2.node, $2.token == 1); }
    | "%QDX_TIS" mbist_pin_value { $$.node = scan_mbist_pin(QDX_TIS_NODE, $2.node, $2.token == 1); }
    | "%VCLK" mbist_pin_value { $$.node = scan_mbist_pin(VCLK_NODE, $2.node, $2.token == 1); }
    | "%QDX_UTI_IN" mbist_pin_value { $$.node = scan_mbist_pin(QDX_UTI_IN_NODE, $2.node, $2.token == 1); }
    | "%QDX_UTI_OUT" mbist_pin_value { $$.node = scan_mbist_pin(QDX_UTI_OUT_NODE, $2.node, $2.token == 1); }
    | "%QDX_UTI_SHIFT" mbist_pin_value { $$.node = scan_mbist_pin(QDX_UTI_SHIFT_NODE, $2.node, $2.token == 1); }
    | "%QDX_UTI_HOLD_IN" mbist_pin_value { $$.node = scan_mbist_pin(QDX_UTI_HOLD_IN_NODE, $2.node, $2.token == 1); }
    | "%QDX_UTI_HOLD_OUT" mbist_pin_value { $$.node = scan_mbist_pin(QDX_UTI_HOLD_OUT_NODE, $2.node, $2.token == 1); }
    | "%BYPASS" mbist_pin_value { $$.node = scan_mbist_pin(BYPASS_NODE, $2.node, $2.token == 1); }
    | "%BIST_CLK" mbist_pin_value { $$.node = scan_mbist_pin(BIST_CLK_NODE, $2.node, $2.token == 1); }
    | "%SHIFTEND" mbist_pin_value { $$.node = scan_mbist_pin(SHIFTEND_NODE, $2.node, $2.token == 1); }
    | "%SIGNATUREOUT" mbist_pin_value { $$.node = scan_mbist_pin(SIGNATUREOUT_NODE, $2.node, $2.token == 1); }
    ;

/* %MBIST_BSD: per boundary-scan instruction, the memory-BIST clock and
   the memory description file. */
mbist_bsd_block
    : "%MBIST_BSD" "{" mbist_instruction_blocks "}" { $$.node = scan_holder(MBIST_BSD_NODE, $3.node); }
    ;
mbist_instruction_blocks
    : mbist_instruction_block
    | mbist_instruction_blocks mbist_instruction_block { $$.node = scan_chain_append($1.node, $2.node); }
    ;
mbist_instruction_block
    : "%INSTRUCTION" IDENT "{" mbist_instruction_items "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(INSTRUCTION_NODE, $2.node), $4.node); }
    ;
mbist_instruction_items
    : mbist_instruction_item
    | mbist_instruction_items mbist_instruction_item { $$.node = scan_chain_append($1.node, $2.node); }
    ;
mbist_instruction_item
    : "%MBIST_CLOCK" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(MBIST_CLOCK_NODE, $3.node); }
    | "%MBIST_MDF" "=" STRING ";"  { $$.node = SCAN_MAKE_SOLO_AST(MBIST_MDF_NODE, $3.node); }
    ;
