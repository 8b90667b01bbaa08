/* %CORE: one core of a hierarchical design: its name, tied ports, DFT
   and LBIST files, preamble, pattern sets, port lists, wrapper
   instructions and don't-fix pins. */

core_1
    : "%CORE" "{" core_items "}" { $$.node = scan_holder(CORE_NODE, $3.node); }
    ;
core_items
    : core_items core_item { $$.node = scan_chain_append($1.node, $2.node); }
    | core_item
    ;
core_item
    : core_name
    | tie0
    | tie1
    | dft_file_1
    | lbist_file_1
    | preamble_2
    | patset_1
    | clock_ports
    | set_reset_ports
    | bidi_ports
    | scan_in_ports
    | scan_out_ports
    | instruction_2
    | dont_fix_info
    ;
core_name
    : "%NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(CORE_NAME_NODE, $3.node); }
    ;
tie0
    : "%TIE0" "=" names ";" { $$.node = SCAN_MAKE_SOLO_AST(TIE0_NODE, $3.node); }
    ;
tie1
    : "%TIE1" "=" names ";" { $$.node = SCAN_MAKE_SOLO_AST(TIE1_NODE, $3.node); }
    ;
dft_file_1
    : "%DFT_FILE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(DFT_FILE_NODE, $3.node); }
    ;
lbist_file_1
    : "%LBIST_FILE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(LBIST_FILE_NODE, $3.node); }
    ;
preamble_2
    : "%PREAMBLE" "=" names ";" { $$.node = SCAN_MAKE_SOLO_AST(PREAMBLE_NODE, $3.node); }
    ;
clock_ports
    : "%CLOCK_PORTS" "=" pin_ref_list ";" { $$.node = scan_holder(CLOCK_PORTS_NODE, $3.node); }
    ;
set_reset_ports
    : "%SET_RESET_PORTS" "=" pin_ref_list ";" { $$.node = scan_holder(SET_RESET_PORTS_NODE, $3.node); }
    ;
bidi_ports
    : "%BIDI_PORTS" "=" pin_ref_list ";" { $$.node = scan_holder(BIDI_PORTS_NODE, $3.node); }
    ;
scan_in_ports
    : "%SCAN_IN_PORTS" "=" pin_ref_list ";" { $$.node = scan_holder(SCAN_IN_PORTS_NODE, $3.node); }
    ;
scan_out_ports
    : "%SCAN_OUT_PORTS" "=" pin_ref_list ";" { $$.node = scan_holder(SCAN_OUT_PORTS_NODE, $3.node); }
    ;

/* A pattern set of the core: its files and options. */
patset_1
    : "%PATSET" IDENT "{" dft_file_2_list "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(PATSET_NODE, $2.node), $4.node); }
    ;
dft_file_2_list
    : dft_file_2_list dft_file_2 { $$.node = scan_chain_append($1.node, $2.node); }
    | dft_file_2
    ;
dft_file_2
    : "%DFT_FILE" "=" STRING ";"   { $$.node = SCAN_MAKE_SOLO_AST(DFT_FILE_NODE, $3.node); }
    | "%FORCE_LIST" "=" names ";"  { $$.node = SCAN_MAKE_SOLO_AST(FORCE_LIST_NODE, $3.node); }
    | "%BTP" "=" STRING ";"        { $$.node = SCAN_MAKE_SOLO_AST(BTP_NODE, $3.node); }
    | "%TP" "=" STRING ";"         { $$.node = SCAN_MAKE_SOLO_AST(TP_NODE, $3.node); }
    | "%INT" "=" STRING ";"        { $$.node = SCAN_MAKE_SOLO_AST(INT_NODE, $3.node); }
    | "%OPTION" "=" STRING ";"     { $$.node = SCAN_MAKE_SOLO_AST(OPTION_NODE, $3.node); }
    ;

/* A wrapper instruction of the core: its mode, sequences and pattern
   set. */
instruction_2
    : "%INSTRUCTION" IDENT "{" wrapper_instruction_items "}"
      { $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(INSTRUCTION_NODE, $2.node), $4.node); }
    ;
wrapper_instruction_items
    : wrapper_instruction_items wrapper_instruction_item { $$.node = scan_chain_append($1.node, $2.node); }
    | wrapper_instruction_item
    ;
wrapper_instruction_item
    : mode
    | preamble_1
    | shift_1
    | extra_seq
    | hold_1
    | capture_1
    | patset_2
    ;
patset_2
    : "%PATSET" IDENT "{" btp "}" { $$.node = SCAN_MAKE_DUET_AST(PATSET_NODE, $2.node, $4.node); }
    ;
btp
    : "%BTP" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(BTP_NODE, $3.node); }
    ;
