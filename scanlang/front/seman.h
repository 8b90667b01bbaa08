// Block checks of the scan language.
//
// Every block kind with single-use or required statements owns an
// occurrence table: one 16-bit counter per statement, indexed as in the
// block's name table below.  The grammar counts each statement as it
// reduces it; when a block closes, check_missing reports the required
// statements that are missing (warning 6), pairs given together that
// exclude each other (warning 8) and pairs of which one must be given
// (warning 9).  check_dft_semantic cross-checks a whole DFT file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "scanlang/front/ast.h"

// The occurrence tables.  Zeroed before every file (initial_parser):
extern uint16_t dft_t[48], pso_t[12], select_scan_t[8], sequence_t[5], connect_scan_t[8], port_t[3], select_t[2],
    scan_clock_t[3], connect_bist_t[7], bist_instruction_t[2], atpg_constraints_t[26], select_fault_t[12],
    statistical_t[2], map_t[4], map_cell_t[7], group_cell_t[2], scan_delay_t[3], map_scan_t[2], delay_cell_t[7],
    decoder_out_t[2], scan_decoder_t[20], instruction_t[10], wrapper_chain_t[3], wrapper_info_t[6], diff_pad_t[2],
    gristel_t[2], tddm_tdm_info_t[3], tddm_group_t[3], tdm_group_t[4];
// Kept across files; their blocks clear them:
extern uint16_t con_port_t[4], set_timing_t[6], ta_constraints_t[8], scan_module_t[4], delay_cell_map_t[2],
    test_files_t[4], scan_repair_t[5], clock_period_t[1], test_conversion_t[6], conversion_clock_t[2],
    connect_core_tt[6];

// Sets every counter of a table to 0.
template <size_t N>
inline void scan_clear_table(uint16_t (&table)[N]) {
    for (uint16_t& c : table) c = 0;
}

// Block numbers handed to check_missing.
enum ScanBlock : int {
    BLOCK_DFT_FILE = 0,
    BLOCK_SELECT_SCAN = 1,
    BLOCK_SEQUENCE = 2,
    BLOCK_INSTRUCTION = 3,
    BLOCK_CONNECT_SCAN = 4,
    BLOCK_PORT = 5,
    BLOCK_SELECT = 6,
    BLOCK_SCAN_CLOCK = 7,
    BLOCK_CONNECT_BIST = 8,
    BLOCK_BIST_INSTRUCTION = 9,
    BLOCK_ATPG_MODE = 10,
    BLOCK_SCAN_DELAY = 11,
    BLOCK_SELECT_FAULT = 12,
    BLOCK_STATISTICAL = 13,
    BLOCK_MAP_FILE = 14,
    BLOCK_MAP_CELL = 15,
    BLOCK_GROUP_CELL = 16,
    BLOCK_DELAY_CELL = 17,
    BLOCK_SCAN_DECODER = 18,
    BLOCK_TEST_CONVERSION = 19,
    BLOCK_SET_TIMING = 20,
    BLOCK_CONVERSION_CLOCK = 21,
    BLOCK_DIFF_PAD = 23,
    BLOCK_WRAPPER_CHAIN = 24,
    BLOCK_GRISTEL_INFO = 25,
    BLOCK_TDDM_TDM_INFO = 26,
    BLOCK_TDDM_GROUP = 27,
    BLOCK_TDM_GROUP = 28,
    BLOCK_CLOCK_PERIOD = 29,
    BLOCK_TEST_FILES = 31,
};

// Statement names of the messages, indexed as the occurrence tables.
extern const char* const select_scan_name[8];
extern const char* const sequence_name[5];
extern const char* const connect_scan_name[7];
extern const char* const port_name[3];
extern const char* const select_name[2];
extern const char* const map_cell_name[7];
extern const char* const connect_bist_name[7];
extern const char* const bist_instruction_name[2];
extern const char* const diff_pad_name[2];
extern const char* const wrapper_chain_name[3];
extern const char* const gristel_name[3];
extern const char* const tddm_tdm_info_name[3];
extern const char* const tddm_group_name[3];
extern const char* const tdm_group_name[4];
extern const char* const select_fault_name[12];
extern const char* const statistical_name[2];
extern const char* const scan_delay_name[3];
extern const char* const delay_cell_name[7];
extern const char* const scan_decoder_name[15];

// Slots of sequence_t: the force statements (%FORCE, %FORCE_CLOCK and
// %CLOCK, which share one list), %CYCLE_LENGTH, %SET_TIMING,
// %FRAME_LENGTH.
inline constexpr int SEQ_FORCE = 0, SEQ_CYCLE_LENGTH = 1, SEQ_SET_TIMING = 2, SEQ_FRAME_LENGTH = 4;
// Slots of gristel_t and tddm_tdm_info_t.
inline constexpr int GRISTEL_TDDM_TDM_INFO = 0, GRISTEL_TOP_MODULE = 1;
inline constexpr int TDDM_TDM_INFO_TDDM_GROUP = 0, TDDM_TDM_INFO_TDM_GROUP = 1, TDDM_TDM_INFO_SPEED_RATIO = 2;

// Slots of connect_scan_t (the items of a %CONNECT_SCAN block).
inline constexpr int CS_SCAN_PORT = 0, CS_SCAN_CLOCK = 1, CS_SCAN_INSTRUCTION = 2, CS_SCAN_INSTANCES = 3,
                     CS_SCAN_INSTANCES_FILE = 4, CS_SCAN_DELAY = 5, CS_SCAN_SELECT = 6, CS_MS_VIOLATION = 7;
// Slots of scan_delay_t, port_t, select_t and scan_clock_t.
inline constexpr int DELAY_OUT = 0, DELAY_OUT_DEFAULT = 1, DELAY_SCAN_TEST = 2;
inline constexpr int PORT_SCAN_IN = 0, PORT_SCAN_OUT = 1, PORT_DEFAULT = 2;
inline constexpr int SELECT_SELECT = 0, SELECT_GLOBAL_SELECT = 1;
inline constexpr int SCAN_CLOCK_CLOCK = 0, SCAN_CLOCK_GLOBAL_CLOCK = 1, SCAN_CLOCK_POLARITY = 2;
// Slots of connect_core_tt (the items of a %CONNECT_CORE block).
inline constexpr int CC_FILE_NAME = 0, CC_CORE_INSTRUCTION = 1, CC_SCAN_PORT = 2, CC_INSTANCE_NAME = 3,
                     CC_SYSTEM_INSTRUCTION = 4, CC_MODULE_NAME = 5;
// Slots of wrapper_info_t and wrapper_chain_t.
inline constexpr int WRAPPER_INFO_CHAIN = 2;
inline constexpr int WRAPPER_CHAIN_CLOCK = 0, WRAPPER_CHAIN_SCAN_IN = 1, WRAPPER_CHAIN_SCAN_OUT = 2;
// Slots of test_files_t.
inline constexpr int TF_MBIST_FILE = 0, TF_LBIST_FILE = 1, TF_BSD_FILE = 2, TF_MACRO_TEST = 3;
// Slots of scan_decoder_t (indexed as scan_decoder_name, and five more
// for the decoder's %KR_MODE and name statements).
inline constexpr int DEC_CONTROL_PORT_1 = 0, DEC_CONTROL_PORT_2 = 1, DEC_CONTROL_PORT_3 = 2, DEC_SCAN_MODE = 3,
                     DEC_TEST_MODE = 4, DEC_OVERRIDE_MODE = 5, DEC_SCAN_MODE_OUT = 6, DEC_SCAN_MODE_INV_OUT = 7,
                     DEC_TEST_MODE_OUT = 8, DEC_TEST_MODE_INV_OUT = 9, DEC_OVERRIDE_MODE_OUT = 10,
                     DEC_OVERRIDE_MODE_INV_OUT = 11, DEC_RAM_WRITE = 12, DEC_POSITION = 13, DEC_KR_MODE = 14,
                     DEC_DECODER_NAME = 15, DEC_DECODER_SCAN_MODE = 16, DEC_DECODER_SCAN_MODE_INV = 17,
                     DEC_DECODER_TEST_MODE = 18, DEC_DECODER_TEST_MODE_INV = 19;
// Slots of decoder_out_t (one output block of a decoder) and con_port_t
// (one port block of a decoder mode).
inline constexpr int DEC_OUT_INSTANCE_NAME = 0, DEC_OUT_PIN_NAME = 1;
inline constexpr int CON_PORT_NAME = 0, CON_PAD_NAME = 1, CON_PAD_OUT = 2, CON_POLARITY = 3;
// Slots of select_scan_t (as select_scan_name).
inline constexpr int SELECT_SCAN_INIT = 0, SELECT_SCAN_INCR = 1, SELECT_SCAN_MAX = 2, SELECT_DONT_SCAN_TYPE = 3,
                     SELECT_MUST_SCAN_TYPE = 4, SELECT_DONT_SCAN = 5, SELECT_MUST_SCAN = 6,
                     SELECT_DONT_SCAN_MODULE = 7;
// Slots of instruction_t: the single-use statements of an %INSTRUCTION
// block.
inline constexpr int INSTR_PREAMBLE = 0, INSTR_SHIFT = 1, INSTR_PROPAGATE = 2, INSTR_HOLD = 3, INSTR_RUNBIST = 4,
                     INSTR_CAPTURE = 5, INSTR_POSTAMBLE = 6, INSTR_MODE = 7, INSTR_RAM_WRITE = 8,
                     INSTR_EXTRA_SEQ = 9;
// Slots of connect_bist_t (the items of a %CONNECT_BIST block) and
// bist_instruction_t.
inline constexpr int CB_TYPE = 0, CB_PORT = 1, CB_SELECT = 2, CB_CLOCK = 3, CB_INSTRUCTION = 4, CB_INSTANCES = 5,
                     CB_INSTANCES_FILE = 6;
inline constexpr int BI_INSTRUCTION = 0, BI_SEED = 1;
// Slots of atpg_constraints_t (the statements of one ATPG mode section).
inline constexpr int AC_FORCE = 0, AC_STROBE = 1, AC_AUTOSAVE = 2, AC_SKIPFAULTS = 3, AC_LEGAL_INPUTS = 4,
                     AC_ILLEGAL_INPUTS = 5, AC_GRAY_CODE = 6, AC_SET = 7, AC_RESET = 8, AC_SET_DISABLE = 9,
                     AC_RESET_DISABLE = 10, AC_POWER_ON_SET = 11, AC_POWER_ON_RESET = 12, AC_RAM = 13, AC_CLOCK = 14,
                     AC_BLACK_BOX = 15, AC_BYPASS = 16, AC_UNCONTROLLABLE = 17, AC_UNOBSERVABLE = 18,
                     AC_FEEDBACK_LOOPS = 19, AC_RAM_READ = 20, AC_RAM_WRITE = 21, AC_CONTROL = 22,
                     AC_CONTROL_CELL = 23, AC_UNCONTROLLABLE_CHAIN = 24, AC_UNOBSERVABLE_CHAIN = 25;
// Slots of test_conversion_t and diff_pad_t.
// The object keeps one %SET_TIMING block, one %CLOCK block and one
// %REMOVE_PIN statement of a test conversion: a repeat is reported.
inline constexpr int TC_SET_TIMING = 0, TC_CLOCK = 1, TC_RAM_READ = 2, TC_RAM_WRITE = 3, TC_DIFF_PAD = 4,
                     TC_REMOVE_PIN = 5;
inline constexpr int DIFF_P_PAD = 0, DIFF_N_PAD = 1;
// Slots of select_fault_t (as select_fault_name) and statistical_t.
inline constexpr int SF_FAULT_MODEL = 0, SF_FAULT_ORDER = 1, SF_DONT_FAULT_TYPE = 2, SF_DONT_FAULT = 3,
                     SF_MUST_FAULT_TYPE = 4, SF_MUST_FAULT = 5, SF_FILE_NAME = 6, SF_RANDOM_SAMPLE = 7,
                     SF_STATISTICAL_SAMPLE = 8, SF_DONT_FAULT_MODULE = 9, SF_DONT_FAULT_FILE = 10,
                     SF_MUST_FAULT_FILE = 11;
inline constexpr int STAT_PRECISION = 0, STAT_CONFIDENCE_LEVEL = 1;
// Slots of ta_constraints_t and scan_module_t.
inline constexpr int TA_CLOCK = 0, TA_FORCE = 1, TA_DFT = 2, TA_ISOLATE_MOD = 3, TA_ISOLATE_RAM = 4,
                     TA_ISOLATE_REG = 5, TA_INIT_PATTERNS = 6, TA_FORCE_CLOCK = 7;
inline constexpr int SM_SCAN_IN = 0, SM_SCAN_OUT = 1, SM_SCAN_MODE = 2, SM_TEST_MODE = 3;
// Slots of scan_repair_t: the %FORCE_NET block and its statements.
inline constexpr int REPAIR_FORCE_NET = 0, REPAIR_NET_NAME = 1, REPAIR_SHIFT = 2, REPAIR_HOLD = 3,
                     REPAIR_CAPTURE = 4;

// The check of a closed block (numbers above); messages name in_file_name
// and the current line.  Blocks without checks do nothing.
void check_missing(int block);
// Cross-references of the whole DFT file in thedftAST: instruction and
// sequence names (error 5), pattern lengths (error 17); records a
// %READ_MAP file in has_map_file / map_file_name.
void check_dft_semantic();
// Warning 7 ("%ATPG_MODE <name>") for each ATPG mode section of the chain
// whose name an earlier one has.
void check_atpg_scan_opt_duplicate(ScanAstNode* chain);
// Error 17 when a pattern of an ILLEGAL_INPUTS, LEGAL_INPUTS or GRAY_CODE
// entry is not as long as its port list; 0 otherwise.
int check_atpg_pattern_length(ScanAstNode* entry);
// Warning 14 for each connect-scan chain of thedftAST whose cell is not
// mapped by a %MAP_SCAN of themapAST.
void check_map_semantic();

// Name of the map file that the DFT file reads (set with has_map_file).
extern std::string map_file_name;
// The DFT file that the messages of the map check name.
extern std::string dft_file_name;

void SCAN_SEMAN_reset_globals();
