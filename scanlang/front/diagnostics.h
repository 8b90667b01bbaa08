// Numbered diagnostics of the scan language, and the checked copy and
// allocation that every reader of the language uses.
//
// `error_handler` is the one reporter for the scanner, the parser, the
// block checks and the object model.  Each code has a fixed text on
// standard error, filled from the file name, the line and one or two
// further texts.  An error ends the run at once with status -1 (its own
// log file closed and removed first, when the run has one open); a
// warning sets `has_error` and returns.  The codes:
//
//   0 can't open input file        13 unterminated comment
//   1 can't create file            14 no definition in the map file (warning)
//   2 not the expected format      15 empty body (warning)
//   3 empty file (warning)         16 errors in the file, see log (warning)
//   4 syntax error                 17 pattern length against port count
//   5 name undefined               18 name wasn't defined
//   6 statement missing (warning)  19 POLARITY value
//   7 multiple defined (warning)   20 SCAN_MODE_ACTIVE value
//   8 statements exclude each other (warning)   21 CLOCK_POLARITY value
//   9 one of two statements missing (warning)   22 pattern count
//  10 out of memory (ends the run without touching the log)
//  11 internal tree error          23 X or Z in ILLEGAL_INPUTS
//  12 bad string                   24 grouping error
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// 1 after a warning of the current parse run.
extern int has_error;
// Name of the parse run's log file ("<base>.dft_map.log"), set by the
// parse run.
extern std::string LOG_FILE;
// The log stream of the parse run; null unless the run opened it.
extern FILE* log_file;

inline constexpr int SCAN_DIAG_CODE_COUNT = 25;
inline constexpr int SCAN_ERR_OPEN_INPUT = 0;
inline constexpr int SCAN_ERR_SYNTAX = 4;
inline constexpr int SCAN_ERR_UNDEFINED = 5;
inline constexpr int SCAN_WARN_MISSING = 6;
inline constexpr int SCAN_WARN_MULTIPLE = 7;
inline constexpr int SCAN_WARN_EXCLUSIVE = 8;
inline constexpr int SCAN_WARN_ONE_OF = 9;
inline constexpr int SCAN_ERR_MEMORY = 10;
inline constexpr int SCAN_ERR_TREE = 11;
inline constexpr int SCAN_ERR_BAD_STRING = 12;
inline constexpr int SCAN_ERR_BAD_COMMENT = 13;
inline constexpr int SCAN_WARN_NO_MAP_DEFINITION = 14;
inline constexpr int SCAN_WARN_EMPTY_BODY = 15;
inline constexpr int SCAN_ERR_PATTERN_LENGTH = 17;

// Prints the message of `code` on standard error and, for an error, ends
// the run; see the list above.  A null file or text prints as "(null)".
// Codes outside 0 .. 24 print nothing and change nothing.  Returns 0.
int error_handler(const char* file, int line, int code, const char* s1, const char* s2);

// Prints `message` on standard error and ends the run as an error of
// `error_handler` does (log closed and removed, status -1).  For the
// checks that have no numbered code.
[[noreturn]] void scan_fatal_message(const std::string& message);

// Opens a file that the run reads (a DFT file or one of its side files).
// What is not a regular file (a FIFO, a device, a directory) is refused
// before it is opened: "ERROR : Input file '<path>' is not a regular
// file.\n" and the end of the run as scan_fatal_message ends it.  Null
// when the file cannot be opened, which the caller reports.
FILE* scan_open_input(const std::string& path);

// True for the codes that are warnings.
bool scan_diag_is_warning(int code);

// Closes the parse run's log stream when it is open and then removes the
// file named by LOG_FILE: the file is the run's own only when the run
// opened it, so a file that some other run left behind is never touched.
void scan_close_log();

// A malloc'ed copy of the text (null for null); error 10 when memory runs
// out.  The caller frees it with free().
char* save_string(const char* text);
// `size` bytes of uninitialised malloc'ed memory; error 10 when memory
// runs out.
void* ealloc(size_t size);

// Back to the start-up state: no warning, no log file.
void SCAN_DIAG_reset_globals();
