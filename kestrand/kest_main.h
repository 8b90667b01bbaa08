// The run of kestrand: start-up, the fixed order of its steps, the checks
// before its first output file, and the end.
#pragma once

// The whole run of kestrand; never returns.
[[noreturn]] void kestrand_main(int argc, char** argv);
// The banner, the definition file and the working directory of the run.
void start_routine(int* argc, char** argv);
// Releases the insertion tables and the instruction facts.
void free_alloc_memory();
// CPU seconds of this process so far, and the time since `start` as
// "h:mm:ss" (the text stays valid until the next call).
long get_CPU_time();
const char* get_CPU_time_string(long start);
