// What every netlist tool does the same way: its messages, copied to a
// log when one is kept, and its end.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace ntool {

class ToolRun {
public:
    // A run killed on the way (SIGTERM, SIGINT ...), or one that crashes
    // (then "<program>: error: internal error" on standard error and
    // status 255), removes the temporary files of the outputs it was
    // writing.
    explicit ToolRun(std::string program);

    // A line of progress on standard output (and in the log).
    void note(const std::string& line);
    // A warning on standard output (and in the log).
    void warn(const std::string& line);
    // An error on standard error (and in the log).  The text is printed
    // as it is when it already names its file, else after the program's
    // name.
    void error(const std::string& text);

    // Writes the lines so far to path, whole or not at all; false, with the
    // system's reason in why when given, when it cannot.
    bool write_log(const std::string& path, std::string* why = nullptr) const;

    // Ends the run: status 1 after an error or when what it printed on
    // standard output was lost (runtime/exit.h), else 0.
    [[noreturn]] void finish(int status);
    // Prints the usage text on standard error and ends with status 2.
    [[noreturn]] void usage(const std::string& text);

    const std::string& program() const { return program_; }

private:
    std::string program_;
    std::vector<std::string> log_;
};

// For a tool that holds a large design for a while and frees it piece by
// piece: from the call on, blocks of memory above a fixed size are mapped
// and unmapped on their own, so that what the tool frees goes back to the
// system instead of staying in the heap beside the tables it builds next
// (the allocator would otherwise raise that size each time such a block
// is freed).  Each block then costs fresh pages: a tool calls it before
// the phase whose peak it lowers.
void return_large_blocks();

// Calls fn(first, last) for the pieces [0, piece), [piece, 2 piece) ...
// of [0, n) on up to threads threads, the caller's among them (the others
// are the runtime's workers, runtime/workers.h), and returns when all are
// done.
void run_in_pieces(std::size_t n, std::size_t piece, unsigned threads,
                   const std::function<void(std::size_t, std::size_t)>& fn);

// The one reset of every netlist tool: returns the design database, the
// frame and the runtime, all the layers a tool uses, to their start-up
// state.
void reset_globals();

}  // namespace ntool
