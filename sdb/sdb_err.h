// Coded messages of the design database.
//
// Every message is one line "SDB <level word><text>" on standard output
// (never the report file), copied to the log stream when one is set.
// The texts carry a code "(FA-gg-nnnn)": gg 01 files and memory, 02
// design data and names, 04 versions.  The printers return, except
// sdb_exit_error, which ends the run after its line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Message levels of sdb_log_error and sdb_info.
inline constexpr int SDB_FATAL = 1;
inline constexpr int SDB_ERROR = 2;
inline constexpr int SDB_WARNING = 3;
inline constexpr int SDB_INFO = 4;  // sdb_info only

// The catalogue.  Texts with "%s%ld" take an empty string and a number.
inline constexpr const char* FA_01_0001 =
    "(FA-01-0001) SYSPNIK. Panic! Incorrect internal state. The system has to exit!";
inline constexpr const char* FA_01_0002 =
    "(FA-01-0002) Ran out of memory in the function \"%s\". Please check the system swap space and retry "
    "the program again.";
inline constexpr const char* FA_01_0005 = "(FA-01-0005) Failed to read the sdb file.\n";
inline constexpr const char* FA_01_0006 =
    "(FA-01-0006) The sdb file '%s' is corrupted. Please generate the sdb file again.";
inline constexpr const char* FA_01_0008 =
    "(FA-01-0008) The size of the sdb file '%s' is smaller than the minimum size. Please check the sdb file.";
inline constexpr const char* FA_01_0020 = "(FA-01-0020) Could not open file '%s'. Please check the file path.";
inline constexpr const char* FA_01_0024 = "(FA-01-0024) Data inconsistency in file '%s'.";
inline constexpr const char* FA_01_0040 = "(FA-01-0040) The <design>.conp file is corrupted.";
inline constexpr const char* FA_01_0041 = "(FA-01-0041) The <design>.conp file is empty.";
inline constexpr const char* FA_01_0042 = "(FA-01-0042) The <design>.asn file is corrupted.";
inline constexpr const char* FA_01_0051 =
    "(FA-01-0051) Failed to find the class name '%s' in the primitive file. Please add an entry for it.";
inline constexpr const char* FA_01_0052 =
    "(FA-01-0052) Failed to locate the class name '%s' in the primitive.def file or in sdb files.\n.";
inline constexpr const char* FA_01_0053 = "(FA-01-0053) '%s' is not a legal format in the primitive file.";
inline constexpr const char* FA_02_0002 = "(FA-02-0002) The object '%s' already exists.";
inline constexpr const char* FA_02_0003 = "(FA-02-0003) The object '%s%ld' is already named '%s'.";
inline constexpr const char* FA_02_0004 = "(FA-02-0004) Renaming the object '%s%ld' to '%s' will cause conflict.";
inline constexpr const char* FA_02_0005 =
    "(FA-02-0005) Instantiating more pins (%ld) than max (%ld) supported by the class '%s'.";
inline constexpr const char* FA_02_0006 = "(FA-02-0006) Encountered a null type at the class name '%s'.";
inline constexpr const char* FA_02_0008 = "(FA-02-0008) Encountered an illegal object id.";
inline constexpr const char* FA_02_0020 = "(FA-02-0020) Hierarchical name data inconsistency.";
inline constexpr const char* FA_02_0025 = "(FA-02-0025) Prefix ID pointer table overflow.";
inline constexpr const char* FA_02_0026 = "(FA-02-0026) Encountered an illegal object id.";
inline constexpr const char* FA_02_0027 = "(FA-02-0027) Hierarchical name contains blank id.";
inline constexpr const char* FA_02_0044 =
    "(FA-02-0044) Encountered a long instance/pin name. The size of the name has exceeded the internal limit ( "
    "%s%ld ). Program aborts.";
inline constexpr const char* FA_04_0007 = "(FA-04-0007) The sdb file size of '%s' is zero.";
inline constexpr const char* FA_04_0009 =
    "(FA-04-0009) Obsolete SDB version (%s%ld). Please recompile your netlist with the latest "
    "tessick/vornell/drumway.";
inline constexpr const char* FA_04_0010 =
    "(FA-04-0010) Newer SDB version (%s%ld). Please recompile your netlist with proper version of "
    "tessick/vornell/drumway.";

// Process-wide state of the printers.
extern char sdb_err_msg_bufferG[4096];  // the last line, without its newline
extern int SDB_num_errorG;              // FATAL and ERROR lines so far
extern int SDB_num_warningG;            // WARNING lines so far
extern FILE* sdb_log_fpG;               // copy of every line, or null
extern int SDB_error_flagG;             // set by sdb_info errors and some edits
extern int sdb_info_flagG;              // information lines of sdb_info wanted
extern int plovert_quiet_flagG;         // 1: sdb_info prints no warnings
extern int plovert_batchG;              // set while a batch file runs
extern const char* plovert_batch_nameG;
extern int plovert_line_numG;

// The printer: level 1 FATAL, 2 ERROR, 3 WARNING; any other level prints
// the FA-01-0001 panic text instead of the message.  The siblings take
// the same arguments and exist under the names the callers use.
void sdb_log_error(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void sdb_log_error2(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void sdb_log_error3(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void sdb_log_error4(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void sdb_log_error5(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Prints as sdb_log_error does, then ends the run with status -1.
[[noreturn]] void sdb_exit_error(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Ends the run on hierarchical-name data that does not hold together
// (FA-02-0020 at FATAL level).
[[noreturn]] void sdb_exit_name_inconsistency();
// The editor's variant: counts nothing, sets SDB_error_flagG on errors,
// honours the quiet and information flags and names the batch line.
void sdb_info(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

int get_sdb_num_error();
int get_sdb_num_warning();

// Holds back the lines that the printers print while it lives, for a
// caller that may yet find the line to print instead (a file refused for
// damage that lies in another): release() prints them as they would have
// been printed, drop() forgets them; the destructor releases what is
// still held.  Counts and the message buffer go on as without a hold.
// Holds nest: what an inner hold releases goes to the hold around it.
class SdbMessageHold {
public:
    SdbMessageHold();
    ~SdbMessageHold();
    SdbMessageHold(const SdbMessageHold&) = delete;
    SdbMessageHold& operator=(const SdbMessageHold&) = delete;
    void release();
    void drop();

private:
    std::vector<std::string> lines_;
    std::vector<std::string>* outer_;
    bool holding_ = true;
};

// Returns the printers' state (counts, buffer, flags, log stream) to start-up.
void SDB_err_reset_globals();
