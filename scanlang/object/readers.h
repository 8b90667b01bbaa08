// Readers of the small, recurring shapes of the scan-language syntax tree
// (a number or a percentage, lists of names, of name pairs, of numbers,
// pin lists with times, clock pairs, positions, timing blocks) into the
// records of the object model, and the look-ups by name over the current
// object.
//
// A reader takes a node (mostly the first node of a sibling chain) and
// returns what it built; a null node gives none (an empty list, an empty
// optional).  Every text is copied: the records own their texts.
//
// Values are checked: an integer must be a whole decimal number that fits
// in an int, a real a finite decimal number, and a percentage lie between
// 0% and 100%.  A value that is not ends the run naming the file and the
// line, as the mapping's other value errors do (map_fatal_stderr).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// SCAN_FIND_AST over a tree that the caller only reads.
inline const ScanAstNode* SCAN_FIND_AST(const ScanAstNode* chain, int kind) {
    return SCAN_FIND_AST(const_cast<ScanAstNode*>(chain), kind);
}

// ---------------------------------------------------------- value errors

// The mapping's value errors end the run in one of three ways, fixed per
// message: on standard error, removing the parse run's log file
// (map_fatal_stderr); on standard output (through the frame, so a report
// gets it too) without touching the log (map_fatal_stdout); or as a
// numbered diagnostic of error_handler.
[[noreturn]] void map_fatal_stderr(const std::string& message);
[[noreturn]] void map_fatal_stdout(const std::string& message);

// The file that value errors name: the DFT file being mapped.
std::string map_error_file();

// A core listed without its DFT file: "ERROR: Please specify dft file of
// core '<name>' in top module dft file." (without the quoted name when it
// is empty) on standard output, and the run ends.
[[noreturn]] void report_core_without_dft_file(const std::string& core_name);

// --------------------------------------------------------------- numbers

// The node's text as an int / a real (see above for the checks).
int map_node_int(const ScanAstNode* node);
double map_node_real(const ScanAstNode* node);

// A NUMBER_NODE gives the integer, a PERCENTAGE_NODE ("12.5%") the
// fraction (0.125) read exactly; the tree's text is not changed.  Any
// other kind is the internal tree error.  None for null.
std::optional<ValueRecord> GET_VALUE(const ScanAstNode* node);

// ------------------------------------------------------------ name lists

// One text per node of the chain.
TextList GET_IDENT1_LIST(const ScanAstNode* chain);
// Per node: its first child's text, the next child's text or none, its line.
std::vector<Ident2Record> GET_IDENT2_LIST(const ScanAstNode* chain);
// Per node whose first child has a sibling: the first child's text and the
// texts of the second child's children.
std::vector<OneIdent1ListNode> GET_ONE_IDENT1_LIST(const ScanAstNode* chain);
// Per node whose first child has a sibling: the texts of the first child's
// children, of the second child's children, and the node's line.
std::vector<TwoIdent1ListNode> GET_TWO_IDENT1_LIST(const ScanAstNode* chain);
// Per node with a child: one empty name when a DUMMY is among its
// children, else the texts of the children of its first child.
std::vector<PowerListNode> GET_POWER_LIST(const ScanAstNode* chain);
// The names of one such node; none when its first child has no children
// (and it holds no DUMMY).
TextList GET_POWER_IDENT_LIST(const ScanAstNode* node);

// ------------------------------------------------------- numbers, pins

std::vector<int> GET_NUMBER_LIST(const ScanAstNode* chain);
std::vector<double> GET_REAL_NUM_LIST(const ScanAstNode* chain);
// Per node of `kind` in the chain (others skipped): times = the reals of
// the first child's children, pins = the texts of the second child's.
std::vector<PinRecord> GET_PIN_LIST(const ScanAstNode* chain, int kind);
// Per TEST_C_CLOCK_NODE / TEST_B_CLOCK_NODE: its two children's texts.
std::vector<CaptureClockRecord> GET_CLOCK(const ScanAstNode* chain);
std::vector<CaptureClockRecord> GET_BIST_CLOCK(const ScanAstNode* chain);
// Per node: one or two {position, port}; a position of 0 reads as -1.
std::vector<PositionPortRecord> GET_POSITION_PORT(const ScanAstNode* chain);
// Per node: its name, the pairs of its FORCE_PIN_VALUE_LIST_NODE, its line.
std::vector<TaIsolateRecord> GET_TA_ISOLATE_LIST(const ScanAstNode* chain);
// One entry per child of the node (an array even without children).
DynArray<DiffPadEntry> GET_DIFF_PAD_LIST(const ScanAstNode* node);
// A %SET_TIMING block.  A CYCLE below 1, a first clock time below 0 or a
// later one not above 0 ends the run.
std::optional<SetTimingRecord> GET_SET_TIMING(const ScanAstNode* node);

// ------------------------------------------------------------- look-ups

// The first sequence / instruction of the current object named exactly
// `name` (letter case counts), or null; null too without a current
// object or with an empty name.
const SequenceRecord* SCAN_FIND_SEQUENCE(const std::string& name);
const SequenceRecord* SL_SEARCH_SEQUENCE(const char* name);
const InstructionRecord* SCAN_FIND_INSTRUCTION(const std::string& name);

// The numbers of a "Q<q>_S<s>" name: Q12_S3 gives 12 and 3; 0 where the
// name has no such part.
int sl_get_Q_number(const char* name);
int sl_get_S_number(const char* name);

// The InstructionStepKind of an instruction step node (0 for other kinds).
int set_instr_type(const ScanAstNode* node);

// %PORT_INFO counters of the current object: its entries, the port-map
// pairs of entry i, the names of pair j of entry i; 0 out of range.
int sl_port_info_count();
int sl_port_info_port_map_count(int i);
int sl_port_info_port_map_pin_count(int i, int j);
