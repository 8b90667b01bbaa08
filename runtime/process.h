// Running outside programs, writing output files whole, and the crash
// handler.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Runs a program (found along PATH when the name has no '/') with an
// argument vector, no shell, standard input from /dev/null, and its
// standard output and standard error sent to log_path (appended to when
// append is set; /dev/null when log_path is empty).  Returns the exit
// status, or -1 when it could not be started or did not exit normally.
// A program that cannot be started leaves the reason in the log (one
// line: the program, the system's reason, the directories searched) and,
// when start_error is given, the same line there; otherwise start_error
// is cleared.
int RT_run(const std::vector<std::string>& argv, const std::string& log_path, bool append = false,
           std::string* start_error = nullptr);

// An output file written under a temporary name in its target directory
// and renamed over the target by commit().  A writer destroyed without a
// successful commit removes the temporary file and leaves the target as
// it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens the temporary file; false (with errno set) when it cannot.
    bool open(const char* mode = "w");
    FILE* stream() const { return stream_; }
    // True while every write so far succeeded.
    bool good() const;
    // Flushes, closes and renames; false when any step or earlier write failed.
    bool commit();
    const std::string& target() const { return target_; }

private:
    std::string target_;
    std::string temp_;
    FILE* stream_ = nullptr;
};

// Installs a SIGSEGV handler that writes the given text to standard
// output with write(2) and ends the process with status 255.  Only
// async-signal-safe calls are made in the handler.
void RT_install_crash_handler(const std::string& text);

// Runs a program with an argument vector, no shell, sharing this
// process's standard input, output and error (for commands a user types
// at an interpreter).  Returns the exit status, or -1 when it could not
// be started or did not exit normally.
int RT_run_attached(const std::vector<std::string>& argv);
