/* The file kinds and the top level of a DFT file. */

file
    : %empty            { scan_finish_empty(); }
    | dft_item_list     { $$.node = scan_finish_dft($1.node); }
    | map_item_list     { $$.node = scan_finish_map($1.node); }
    | path_item_list    { scan_finish_path($1.node); }
    | pso_item_list     { $$.node = scan_finish_pso($1.node); }
    | lockup_latch_list { scan_finish_lockup($1.node); }
    ;

/* The blocks of a DFT file under a DUMMY head; a repeated list block
   joins the list node that its first occurrence opened. */
dft_item_list
    : dft_item_list dft_item { $$.node = scan_dft_item($1.node, $2.node); }
    | dft_item               { $$.node = scan_holder(DUMMY, $1.node); }
    ;

dft_item
    : select_scan             { $$.node = scan_dft_once(DFT_SELECT_SCAN, $1.node); }
    | port_info               { $$.node = scan_dft_once(DFT_PORT_INFO, $1.node); }
    | sequence                { $$.node = scan_dft_list(DFT_SEQUENCE, SEQUENCE_LIST_NODE, $1.node); }
    | instruction_1           { $$.node = scan_dft_list(DFT_INSTRUCTION, INSTRUCTION_LIST_NODE, $1.node); }
    | pll_clock_fix           { $$.node = scan_dft_list(DFT_PLL_CLOCK_FIX, PLL_CLOCK_FIX_LIST_NODE, $1.node); }
    | pll                     { $$.node = scan_dft_list(DFT_PLL, PLL_LIST_NODE, $1.node); }
    | blackbox                { $$.node = scan_dft_list(DFT_BLACKBOX, BLACKBOX_LIST_NODE, $1.node); }
    | read_map                { $$.node = scan_dft_once(DFT_READ_MAP, $1.node); }
    | top_module_1            { $$.node = scan_dft_once(DFT_TOP_MODULE, $1.node); }
    | modify_cmd              { $$.node = scan_dft_once(DFT_SCAN_MODIFY_CMD, $1.node); }
    | connect_scan            { $$.node = scan_dft_list(DFT_CONNECT_SCAN, CONNECT_SCAN_LIST_NODE, $1.node); }
    | connect_core            { $$.node = scan_dft_list(DFT_CONNECT_CORE, CONNECT_CORE_LIST_NODE, $1.node); }
    | core_1                  { $$.node = scan_dft_list(DFT_CORE, CORE_LIST_NODE, $1.node); dont_fix_flag = 0; }
    | test_schedule           { $$.node = scan_dft_list(DFT_TEST_SCHEDULE, TEST_SCHEDULE_LIST_NODE, $1.node); }
    | test_session_1          { $$.node = scan_dft_list(DFT_TEST_SESSION, TEST_SESSION_LIST_NODE, $1.node); }
    | test_architecture       { $$.node = scan_dft_list(DFT_TEST_ARCHITECTURE, TEST_ARCHITECTURE_LIST_NODE, $1.node); }
    | connect_bist_block      { $$.node = scan_dft_list(DFT_CONNECT_BIST, CONNECT_BIST_LIST_NODE, $1.node); }
    | atpg_constraints_block  { $$.node = scan_dft_once(DFT_ATPG_CONSTRAINTS, $1.node); }
    | test_conversion_block   { $$.node = scan_dft_once(DFT_TEST_CONVERSION, $1.node); }
    | select_fault_block      { $$.node = scan_dft_once(DFT_SELECT_FAULT, $1.node); }
    | scan_repair             { $$.node = scan_dft_once(DFT_SCAN_REPAIR, $1.node); }
    | scan_decoder            { $$.node = scan_dft_once(DFT_SCAN_DECODER, $1.node); }
    | clock_period            { $$.node = scan_dft_once(DFT_CLOCK_PERIOD, $1.node); }
    | test_files              { $$.node = scan_dft_once(DFT_TEST_FILES, $1.node); }
    | ta_constraints_block    { $$.node = scan_dft_once(DFT_TA_CONSTRAINTS, $1.node); }
    | lockup_latch_file_block
    | scan_module_block       { $$.node = scan_dft_list(DFT_SCAN_MODULE, SCAN_MODULE_LIST_NODE, $1.node); dont_fix_flag = 0; }
    | mbist_constraints_block { $$.node = scan_dft_once(DFT_MBIST_CONSTRAINTS, $1.node); }
    | mbist_bsd_block         { dft_t[DFT_MBIST_BSD] = 1; }
    | cfg_instruction_binary  { $$.node = scan_dft_once(DFT_INSTRUCTION_BINARY, $1.node); }
    | cfg_register_length     { $$.node = scan_dft_once(DFT_REGISTER_LENGTH, $1.node); }
    | cfg_fennox_in           { $$.node = scan_dft_list(DFT_FENNOX_IN, CFG_FENNOX_IN_LIST_NODE, $1.node); }
    | cfg_fennox_out          { $$.node = scan_dft_list(DFT_FENNOX_OUT, CFG_FENNOX_OUT_LIST_NODE, $1.node); }
    | ciphertext_part         { $$.node = scan_dft_once(DFT_CIPHERTEXT, $1.node, CIPHERTEXT_NODE); }
    | fennox_info             { $$.node = scan_dft_list(DFT_FENNOX_INFO, FENNOX_INFO_LIST_NODE, $1.node); }
    | multicycle_path_part    { $$.node = scan_dft_once(DFT_MULTICYCLE_PATH, $1.node, MULTICYCLE_PATH_NODE); }
    | critical_path_part      { $$.node = scan_dft_once(DFT_CRITICAL_PATH, $1.node, CRITICAL_PATH_NODE); }
    | false_path_part         { $$.node = scan_dft_once(DFT_FALSE_PATH, $1.node, FALSE_PATH_NODE); }
    | nontpi_instance_part    { $$.node = scan_dft_once(DFT_NONTPI_INSTANCE, $1.node, NONTPI_INSTANCE_NODE); }
    | scan_in_list_part       { $$.node = scan_dft_once(DFT_SCAN_IN_LIST, $1.node, SCAN_IN_LIST_NODE); }
    | scan_out_list_part      { $$.node = scan_dft_once(DFT_SCAN_OUT_LIST, $1.node, SCAN_OUT_LIST_NODE); }
    | gui_part                { $$.node = scan_dft_once(DFT_GUI, $1.node, GUI_NODE); }
    | hookup_part             { $$.node = scan_dft_once(DFT_HOOKUP, $1.node, HOOKUP_NODE); }
    | capture_clock_part      { $$.node = scan_dft_once(DFT_CAPTURE_CLOCK, $1.node, CAPTURE_CLOCK_NODE); }
    | wrapper                 { $$.node = scan_dft_once(DFT_WRAPPER, $1.node); }
    | gristel_info            { $$.node = scan_dft_once(DFT_GRISTEL_INFO, $1.node); }
    | def_info                { $$.node = scan_dft_once(DFT_DEF_INFO, $1.node); }
    | core_no_scan            { $$.node = scan_dft_once(DFT_CORE_NO_SCAN, $1.node); }
    ;

/* A lockup-latch file: one name and a semicolon per line (refused in any
   other file). */
lockup_latch_list
    : lockup_latch_list signal ";" { $$.node = scan_lockup_line($1.node, $2.node); }
    | signal ";"                   { $$.node = scan_lockup_line(nullptr, $1.node); }
    ;
