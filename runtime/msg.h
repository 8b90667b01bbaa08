// Leveled messages of the runtime services and the fatal-error exit.
//
// Numbered texts begin with "#", three digits and a colon ("#010: ...");
// they print after the level word with the "#" removed, so that the line
// reads "WARNING 010: ...".  Messages go to standard error unless another
// stream is set, and are copied to a log stream when one is on.
#pragma once

#include <cstdio>

// Levels of write_msg and the trap procedure.
enum MsgLevel { MSG_ALWAYS = -2, MSG_CONT = -1, MSG_INFO = 0, MSG_WARN = 1, MSG_ERROR = 2, MSG_FATAL = 3 };

using MsgTrapProc = void (*)(int level, int nlines, const char* const* lines, int last);

// The printers return 0.  A message goes to the trap procedure when one
// is set, else to the message stream (when on), and to the log when on;
// lines collected by MSG_list print first, each as a continuation line.
// MSG_fatal prints at FATAL level and ends the run with -1; MSG_error and
// MSG_warning print at their levels; MSG_inform prints without a level
// word; MSG_printf always prints on standard error (never to the log);
// MSG_debug prints only while debug_flag is set; MSG_log writes to the
// log alone.
[[noreturn]] void MSG_fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_error(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_warning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_inform(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_debug(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Keeps a line to print in front of the next leveled message.
int MSG_list(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
int MSG_log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Removes the back-quote escapes of text in place ("`x" drops two
// characters, "`f" three, "`0" four) and prints it as MSG_inform would.
int MSG_puts(char* text);

// Settings; each returns 0.  The message stream (null: standard error),
// printing to it on or off, the trap procedure that takes the lines
// instead (null: none), the log stream (a previous one is closed; on
// when not null) and the log on or off.
int MSG_set_fid(FILE* stream);
int MSG_fid_on(int flag);
int MSG_set_proc(MsgTrapProc proc);
int MSG_set_log(FILE* stream);
int MSG_log_on(int flag);
// 1 when the log is on, else 0; the log stream, or null.
int MSG_is_log();
FILE* MSG_get_log();
// Takes the stream as the log (on when not null) and gives back the
// previous one, open, with whether it was on in *was_on (when given).
FILE* MSG_swap_log(FILE* stream, int* was_on);
// 1 when the message stream is on, else 0.
int MSG_is_fid_on();
// Leveled lines begin with "<_program>-" (flag set, off at start-up) and
// show their message numbers (flag set, on at start-up); 0.
int MSG_set_prefix(int flag);
int MSG_set_errnum(int flag);

// A numbered text without its "#" (number display on) or without all up
// to and including its colon (off); other texts unchanged.
const char* filter_msg(const char* text);

// Prints an empty line and "FATAL 002: Fatal Error - <reason>" (codes 1
// to 3) or "FATAL 003: Fatal Error - Error Code <n>", then exits with -1.
[[noreturn]] void MSG_fatal_error(int code);

// Set by the host program; neither program sets it.
extern const char* _program;
// Shared debug switch of the runtime services.
extern int debug_flag;

// Returns the message settings to their start-up values.
void MSG_reset_globals();
