// Peak-memory sampling, the closing resource report and date texts.
#pragma once

#include <cstdio>
#include <ctime>

// Starts the sampler: a virtual-time timer that reads the process's memory
// figures every 2 seconds of CPU time.  A machine without /proc is not an
// error: the report then shows what can be measured otherwise.
int uti_prepare_system_info();
// The SIGVTALRM handler (async-signal-safe: no stdio, no allocation).
void uti_vt_handler(int sig);
// Takes a last sample and prints the peak memory and the CPU time to
// standard output (when to_stdout is set) and to the stream (when given).
// Returns the peak in kilobytes.
long uti_report_system_info(FILE* stream, int to_stdout);
// Size text of a kilobyte count ("9999K", "10M", ...), valid for the
// next seven calls.
const char* format_k(long kilobytes);
// CPU time as "H:MM:SS".
const char* format_cpu_time(long seconds);
// Date text of a time (0: now) in one of the forms 0 to 4.
const char* ascdate(std::time_t t, int form);
// Stops the timer and clears the maxima.
void SYSINFO_reset_globals();
