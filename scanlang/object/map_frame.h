// From syntax trees to the DFT object.
//
// MAP_AST_2_OBJECT turns the trees of the parse just run into the object
// model: the DFT file's tree (thedftAST) into a new DftObject, which
// becomes DFT_OBJECT, and its map file's tree (themapAST) into a
// MapObject in MAP_OBJECT.  It is one pass over the sections of the DFT
// file in a fixed order (kSectionOrder in map_frame.cpp): each section is
// looked up once among the root's children (only its first occurrence is
// mapped) and handed to its mapper below, or null when the file does not
// have it.  The order matters: sequences are mapped before the
// instructions that name them, instructions before the connections that
// name them.
//
// Every mapper writes into DFT_OBJECT and owns what it stores (texts are
// copied out of the tree).  A value error ends the run in one of the
// three forms of readers.h; nothing is rolled back.
#pragma once

#include <memory>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// Builds the object of the parse just run (none when it left no DFT tree)
// and the map object (when it left a map tree), appends one core-list
// entry per core of the file, and stores the map object in the new
// object.  Returns normally only when every section passed its checks.
void MAP_AST_2_OBJECT();

// ---------------------------------------------------- section mappers
//
// Each takes its section's node, or null when the file has none (so that
// a mapper can set what an absent section implies).

// Scan selection, ports, GUI, capture clocks, hookups.
void map_select_scan(const ScanAstNode* section);     // %SELECT_SCAN
void map_port_info(const ScanAstNode* section);       // %PORT_INFO
void map_scan_in_list(const ScanAstNode* section);    // %SCAN_IN_LIST
void map_core_no_scan(const ScanAstNode* section);    // %CORE_NO_SCAN
void map_scan_out_list(const ScanAstNode* section);   // %SCAN_OUT_LIST
void map_gui(const ScanAstNode* section);             // %GUI
void map_capture_clock(const ScanAstNode* section);   // %CAPTURE_CLOCK
void map_hookup(const ScanAstNode* section);          // %HOOKUP

// Timing paths (with their path files), non-TPI instances, clock periods.
void map_multicycle_path(const ScanAstNode* section); // %MULTICYCLE_PATH
void map_critical_path(const ScanAstNode* section);   // %CRITICAL_PATH
void map_false_path(const ScanAstNode* section);      // %FALSE_PATH, then the path-list fields
void map_nontpi_instance(const ScanAstNode* section); // %NONTPI_INSTANCE
void map_clock_period(const ScanAstNode* section);    // %CLOCK_PERIOD

// Test files, top module, memory-BIST control, scan decoder.
void map_test_files(const ScanAstNode* section);      // %TEST_FILES
void map_top_module(const ScanAstNode* section);      // %TOP_MODULE
void map_mbist_control(const ScanAstNode* section);   // %MBIST_CONTROL
void map_scan_decoder(const ScanAstNode* section);    // %SCAN_DECODER

// Sequences, test schedule, sessions, architecture.
void map_sequences(const ScanAstNode* section);       // %SEQUENCE
void map_test_schedule(const ScanAstNode* section);   // %TEST_SCHEDULE
void map_test_session(const ScanAstNode* section);    // %TEST_SESSION
void map_test_architecture(const ScanAstNode* section); // %TEST_ARCHITECTURE

// Cores.
void map_cores(const ScanAstNode* section);           // %CORE

// Wrapper, GRISTEL and DEF information.
void map_wrapper(const ScanAstNode* section);         // %WRAPPER
void map_gristel_info(const ScanAstNode* section);    // %GRISTEL_INFO
void map_def_info(const ScanAstNode* section);        // %DEF_INFO

// Instructions.
void map_mbist_bsd(const ScanAstNode* section);       // %MBIST_BSD
void map_instructions(const ScanAstNode* section);    // %INSTRUCTION
void map_instr_order_tab(const ScanAstNode* section); // the steps of %INSTRUCTION

// PLL clock fixes, PLLs, blackboxes.
void map_pll_clock_fix(const ScanAstNode* section);   // %PLL_CLOCK_FIX
void map_pll(const ScanAstNode* section);             // %PLL
void map_blackbox(const ScanAstNode* section);        // %BLACKBOX

// Side files and scan repair.
void map_read_map(const ScanAstNode* section);        // %READ_MAP
void map_lockup_latch_file(const ScanAstNode* section); // %LOCKUP_LATCH_FILE
void map_modify_cmd(const ScanAstNode* section);      // %SCAN_MODIFY_CMD
void map_scan_repair(const ScanAstNode* section);     // %SCAN_REPAIR

// Connections.
void map_connect_scan(const ScanAstNode* section);    // %CONNECT_SCAN
void map_connect_core(const ScanAstNode* section);    // %CONNECT_CORE
void map_connect_bist(const ScanAstNode* section);    // %CONNECT_BIST

// Test generation constraints.
void map_atpg_constraints(const ScanAstNode* section); // %ATPG_CONSTRAINTS
void map_select_fault(const ScanAstNode* section);    // %SELECT_FAULT
void map_test_conversion(const ScanAstNode* section); // %TEST_CONVERSION
void map_ta_constraints(const ScanAstNode* section);  // %TA_CONSTRAINTS

// FENNOX configuration and scan modules.
void map_fennox_info(const ScanAstNode* section);     // %FENNOX_INFO
void map_ciphertext(const ScanAstNode* section);      // %CIPHERTEXT
void map_instruction_binary(const ScanAstNode* section); // %INSTRUCTION_BINARY
void map_register_length(const ScanAstNode* section); // %REGISTER_LENGTH
void map_fennox_in_groups(const ScanAstNode* section);  // %FENNOX_IN_<n>
void map_fennox_out_groups(const ScanAstNode* section); // %FENNOX_OUT_<n>
void map_scan_module(const ScanAstNode* section);     // %SCAN_MODULE

// After the sections: one SL_CORE_LIST entry per core of DFT_OBJECT.
void map_core_list();

// The map file's tree (a PROGRAM_NODE) as a MapObject.
std::shared_ptr<MapObject> map_map_file(const ScanAstNode* root);
