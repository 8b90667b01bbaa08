// Running outside programs; output files written whole are
// runtime/output_file.h, which this header brings along.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "runtime/output_file.h"

// Runs a program (found along PATH when the name has no '/') with an
// argument vector, no shell, standard input from /dev/null, and its
// standard output and standard error sent to log_path (appended to when
// append is set; /dev/null when log_path is empty).  Returns the exit
// status, or -1 when it could not be started or did not exit normally.
// A program that cannot be started leaves the reason in the log (one
// line: the program, the system's reason, the directories searched) and,
// when start_error is given, the same line there; otherwise start_error
// is cleared.  From its start the program is the child that a kill ends
// first (runtime/exit.h): a kill that arrives while it is being started
// waits until it is known.  A log that the run begins anew is removed
// when the run is killed, also after the program has ended (the caller
// removes it, or an error exit keeps it); RT_forget keeps it from a kill.
int RT_run(const std::vector<std::string>& argv, const std::string& log_path, bool append = false,
           std::string* start_error = nullptr);

// Why a program named in argv[0] cannot be started, as RT_run's line
// gives it; empty when it can be (found along PATH and executable).
std::string RT_cannot_start(const std::string& program);

// A file name as an argument of an outside program: a name that begins
// with "-" gets "./" in front, so that no tool reads it as an option.
std::string RT_file_arg(const std::string& name);

// Runs a program with an argument vector, no shell, sharing this
// process's standard input, output and error (for commands a user types
// at an interpreter).  Returns the exit status, or -1 when it could not
// be started or did not exit normally.
int RT_run_attached(const std::vector<std::string>& argv);

// Runs body in a child process made by fork and returns the status the
// child ends with (body's result, or the status of a qdx_exit in it), or
// -1 when no child could be made or it did not exit normally.  The child
// takes nothing of the run with it when it ends (RT_enter_forked_child);
// while it runs it is the child that a kill ends first.
int RT_run_forked(const std::function<int()>& body);
