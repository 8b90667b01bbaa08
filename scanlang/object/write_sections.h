// The section writers of the DFT file writer, each printing its sections
// of one object onto an open stream; `flag` non-zero prints the banners.
#pragma once

#include <cstdio>

struct DftObject;

// %SELECT_SCAN and every %SEQUENCE.
void write_select_scan(FILE* out, const DftObject& object, int flag);
void write_sequences(FILE* out, const DftObject& object, int flag);

// The banner lines the writer prints in front of its sections (flag set).
inline constexpr const char* kBannerScanSelection = "// Scan selection";
inline constexpr const char* kBannerSequence = "// Scan instruction sequence";
inline constexpr const char* kBannerWrapper = "// scan wrapper";
inline constexpr const char* kBannerGristel = "// gristel info";
inline constexpr const char* kBannerDefInfo = "// def info";
inline constexpr const char* kBannerClockPeriod = "// Clock_Period";
inline constexpr const char* kBannerCore = "// Core";
inline constexpr const char* kBannerTestFiles = "// Test Files";
inline constexpr const char* kBannerMbistControl = "// Mbist Control";
inline constexpr const char* kBannerMbistBsd = "// Mbist Bsd";
inline constexpr const char* kBannerInstruction = "// Instruction";
inline constexpr const char* kBannerPllClockFix = "// Pll Clock Fix";
inline constexpr const char* kBannerPll = "// Pll ";
inline constexpr const char* kBannerBlackbox = "// Blackbox ";
inline constexpr const char* kBannerReadMap = "// Read Mapping_cell File";
inline constexpr const char* kBannerLockupLatchFile = "// Lockup Latch File";
inline constexpr const char* kBannerScanDecoder = "// Scan Decoder";

// Every banner above, and those of the sections still to come: read back
// from an earlier output they are not printed again as comments.
inline constexpr const char* kDftWriterBanners[] = {
    kBannerScanSelection, kBannerInstruction, kBannerReadMap, "// Connect Scan Chain",
    "// Scan Connection", "// Test Generation Constraints", "// Fault Selection", "// Test Conversion",
    kBannerSequence, "// Scan Decoder", "// Clock Period", kBannerClockPeriod, kBannerCore, kBannerTestFiles,
    kBannerWrapper, kBannerGristel, kBannerDefInfo, kBannerMbistControl, kBannerMbistBsd, kBannerPllClockFix,
    kBannerPll, kBannerBlackbox, kBannerLockupLatchFile,
};

// %WRAPPER, %GRISTEL_INFO, %DEF_INFO and %CLOCK_PERIOD.
void write_wrapper(FILE* out, const DftObject& object, int flag);
void write_gristel_info(FILE* out, const DftObject& object, int flag);
void write_def_info(FILE* out, const DftObject& object, int flag);
void write_clock_period(FILE* out, const DftObject& object, int flag);

// %TEST_SCHEDULE, every %TEST_SESSION and %TEST_ARCHITECTURE.
void write_test_schedule(FILE* out, const DftObject& object);

// Every core of %CORE, each as a %CORE block of its own.
void write_cores(FILE* out, const DftObject& object, int flag);

// %TEST_FILES with %TOP_MODULE, the %MBIST_CONTROL entries, %MBIST_BSD
// and every top-level %INSTRUCTION.
void write_test_files(FILE* out, const DftObject& object, int flag);
void write_mbist(FILE* out, const DftObject& object, int flag);
void write_instructions(FILE* out, const DftObject& object, int flag);

// %PLL_CLOCK_FIX, %PLL, %BLACKBOX, the file sections (%READ_MAP,
// %LOCKUP_LATCH_FILE, %SCAN_MODIFY_CMD) and %SCAN_REPAIR.
void write_pll_and_files(FILE* out, const DftObject& object, int flag);

// Every %CONNECT_SCAN chain, every %CONNECT_CORE and every %CONNECT_BIST.
inline constexpr const char* kBannerConnectScan = "// Connect Scan Chain";
inline constexpr const char* kBannerConnectBist = "// Scan Connection";
// The note the writer puts after a %BIST_TYPE statement: written whatever
// the flag, it is never a user's comment when read back.
inline constexpr const char* kTrailerBistType = "//BILBO|CBILBO|CSTP|RAM|ROM";
void write_connections(FILE* out, const DftObject& object, int flag);

// %ATPG_CONSTRAINTS.
inline constexpr const char* kBannerAtpgConstraints = "// Test Generation Constraints";
void write_atpg_constraints(FILE* out, const DftObject& object, int flag);

// %SELECT_FAULT.
inline constexpr const char* kBannerFaultSelection = "// Fault Selection";
// The note after a %FAULT_ORDER statement, never a user's comment.
inline constexpr const char* kTrailerFaultOrder = "//EASY_FIRST | HARD_FIRST | RAMDOM";
void write_select_fault(FILE* out, const DftObject& object, int flag);

// The statements of a %SET_TIMING block (without its braces); `comments`
// puts the saved comments of each statement back in the window kw..end.
struct SetTimingRecord;
void print_timing(FILE* out, const SetTimingRecord& t, bool comments, int kw, int end);
// The statement written in a %SET_TIMING block that would come out empty
// (see dft_block_end): a precision of -1 reads as not given.
inline constexpr const char* kTimingNotGiven = "          %PRECISION -1 ;\n";

// %TEST_CONVERSION.
inline constexpr const char* kBannerTestConversion = "// Test Conversion";
void write_test_conversion(FILE* out, const DftObject& object, int flag);

// %SCAN_DECODER.
void write_scan_decoder(FILE* out, const DftObject& object, int flag);

// %TA_CONSTRAINTS, every %SCAN_MODULE, the port, list, GUI, capture-clock
// and hook-up sections and the path sections.
void write_ta_and_lists(FILE* out, const DftObject& object);

// %FENNOX_INFO, %CIPHERTEXT and the FENNOX groups with their values.
void write_fennox(FILE* out, const DftObject& object);
