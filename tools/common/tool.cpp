// Messages, log and end of a netlist tool run.
#include "tools/common/tool.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/reset.h"
#include "runtime/workers.h"
#include "sdb/sdb.h"

namespace ntool {

namespace {

// The allocator's own starting threshold for mapping a block apart.
constexpr int kLargeBlock = 128 * 1024;

}  // namespace

void return_large_blocks() { ::mallopt(M_MMAP_THRESHOLD, kLargeBlock); }

void run_in_pieces(std::size_t n, std::size_t piece, unsigned threads,
                   const std::function<void(std::size_t, std::size_t)>& fn) {
    if (piece == 0) piece = 1;
    RT_run_parallel((n + piece - 1) / piece, threads,
                    [&](std::size_t i, unsigned) { fn(i * piece, std::min(n, (i + 1) * piece)); });
}

ToolRun::ToolRun(std::string program) : program_(std::move(program)) {
    RT_install_kill_cleanup();
    RT_install_crash_handler(program_ + ": error: internal error\n");
}

void ToolRun::note(const std::string& line) {
    std::printf("%s\n", line.c_str());
    log_.push_back(line);
}

void ToolRun::warn(const std::string& line) {
    const std::string text = program_ + ": warning: " + line;
    std::printf("%s\n", text.c_str());
    log_.push_back(text);
}

void ToolRun::error(const std::string& text) {
    // Messages of the Verilog reader begin with "<file>:<line>: error:".
    const std::string line = text.find(": error: ") != std::string::npos ? text : program_ + ": error: " + text;
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.c_str());
    log_.push_back(line);
}

bool ToolRun::write_log(const std::string& path, std::string* why) const {
    AtomicFile f(path);
    bool written = f.open("w");
    if (written) {
        for (const std::string& l : log_) std::fprintf(f.stream(), "%s\n", l.c_str());
        written = f.commit();
    }
    if (!written && why) *why = f.why();
    return written;
}

void ToolRun::finish(int status) {
    // The command block that the database's start-up made is the one
    // piece of start-up state that nothing else frees.
    CMD_terminate();
    // Output that did not arrive fails the run as an error does (the
    // exit says why).
    if (status == 0 && RT_standard_output_lost()) status = 1;
    qdx_exit(status);
}

void ToolRun::usage(const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s", text.c_str());
    finish(2);
}

void reset_globals() {
    SDB_reset_globals();
    FRAME_reset_globals();
    RUNTIME_reset_globals();
}

}  // namespace ntool
