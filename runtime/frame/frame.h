// The program frame both programs start with and print through: name and
// version, banner, the report file, argument editing and allocation that
// ends the run when memory is exhausted.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Process-wide frame state.
extern std::string prog_name;    // upper-cased program name
extern std::string version_num;  // version text given at start-up
extern FILE* fd;                 // the open report file, or null
extern const char* w_directory;  // directory in front of report paths, or null
extern std::string outfile_name; // report base name of "-o"
extern int last_argc_pos;        // where check_arg last removed an option

// Version of both programs, stored by the frame at start-up.
inline constexpr const char* KEST_VERSION = "V2.6.0";

// Output: every line goes to standard output and, when a report is open,
// to the report as well; both are flushed before the call returns.
void qdx_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void print_out_str(const char* text);
void qdx_log_printf(int to_screen, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
[[noreturn]] void qdx_exit_printf(int status, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// Ends the run with -1 after "ERROR: can't write file '<path>': <why>."
// (the system's reason of the failed write).
[[noreturn]] void top_write_failed(const std::string& path, const std::string& why);
// Ends the run as top_write_failed ("File name too long") when name is
// longer than a file name of folder may be: each name a run will write is
// checked so before its first output.
void top_check_name_fits(const std::string& folder, const std::string& name);

// Start-up and banner.
void top_print_prog_name_and_version_num(const char* name, const char* version);
void top_set_w_directory(const char* directory);
const char* get_make_date();
std::string get_time_string();
void top_print_copyright();
void top_print_copyright_no_stdout(FILE* stream);
int top_init(int argc, char** argv, const char* name, const char* version);
// The banner text (both functions above print exactly this).
std::string top_banner_text();

// Report file.
void top_direct_output(const char* name, const char* extension, int append);
void parse_output(int* argc, char** argv);
void top_remove_report_file();
// Closes the report file, if one is open.  A report is written under a
// temporary name in its directory and takes its own name when it is
// closed, which the end of the run does (through the exit or a return
// from main): a run killed on the way leaves no half report.  A report
// that could not be written completely (a full disk) leaves the old one
// in place: the close says why on the screen, and a run that would have
// ended with 0 ends with -1.
void top_close_report();
// The same, false when the report could not be written.  A report that
// would replace a file the run read (runtime/run_inputs.h; not the old
// report that one opened to append reads) is not written either: the
// close says so on the screen.
bool top_finish_report();
// Closes the report without writing it (its old file, if any, stays).
void top_drop_report();
// The name of the open report, empty when none is open.
std::string top_report_path();
// Opens path as the report (fd) in mode "w" or "a" (an existing report
// is then copied first); false when it cannot be created.
bool top_open_report(const std::string& path, const char* mode);
// From a signal handler that ends the process: the report takes its
// name as it stands (async-signal-safe).
void top_commit_report_from_signal();

// Arguments: argc is updated, argv[0] never examined.
int just_check_arg(int* argc, char** argv, const char* option);
int check_arg(int* argc, char** argv, const char* option);
void delete_arg(int* argc, char** argv, int i);

// Memory and case.  stg_malloc and stg_valloc end the run through
// top_out_of_memory when no memory is left.
void* stg_malloc(size_t size);
void* stg_valloc(size_t size);
int scr_to_upper_case(char* text);
int scr_to_lower_case(char* text);
void scr_to_upper_case(std::string& text);

// The ends of a run that faults, for both programs.  A crash (SIGSEGV,
// SIGFPE, SIGABRT, SIGBUS) goes to dosegv.  An allocation that fails
// (operator new, and a std::bad_alloc that no one catches) ends the run
// through top_out_of_memory.
void top_install_fault_handlers();
// Prints "\nInternal Error:\n" and "    Please call QUENDAL (555) 013-2794 \n\n"
// to the screen and to the report (not from a forked piece of the run,
// runtime/process.h), which then takes its name as it stands, and ends
// the process at once with -1 (runtime/exit.h,
// RT_end_at_once: the running tool ended, the run's temporary files
// removed).  Async-signal-safe.
void dosegv(int sig);
// "No memory available.\n" on standard error, then the end of a fatal
// error with -1 (qdx_exit: the report kept as it stands, the run's
// temporary files removed).
[[noreturn]] void top_out_of_memory();

// Returns the frame to its start-up state (closes an open report).
void FRAME_reset_globals();
