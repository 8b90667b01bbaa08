// Shared parts of the fuzz targets: the readers' start-up state between
// inputs, an input as a file in memory, and a run of a reader that a
// refusal (the runtime's exit, thrown in the fuzz build) ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Returns every layer's globals to their start-up state.
void reset_all();

// An input as an anonymous file in memory, reachable by a path
// (/proc/self/fd/N) for the readers that open a file by name.
class MemFile {
public:
    MemFile();
    ~MemFile();
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;
    // Replaces the contents.
    void set(const uint8_t* data, size_t size);
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// The bytes of a file of tests/fixtures ("" when it cannot be read).
std::string read_fixture(const std::string& name);
// The bytes of a file of the source tree ("" when it cannot be read).
std::string read_source(const std::string& name);
// The bytes of the file at `path` ("" when it cannot be read).
std::string read_file(const std::string& path);

// Runs fn; a run ended through the runtime's exit returns its status,
// else 0 is returned.
template <class Fn>
int guarded(Fn fn);

// Runs fn on one input from the start-up state and returns to it.  A
// reader that ends the run through the exit leaves what it had made to
// the end of the process, which the fuzz build never reaches: that memory
// is not counted as leaked.  An input read to the end is read a second
// time with leak detection on.
template <class Fn>
void run(Fn fn);

// Runs fn once, with leak detection on, from the start-up state and
// returns to it: for a reader that frees what it made when it refuses an
// input, where the second run of run() would only double the cost.
template <class Fn>
void run_once(Fn fn);

}  // namespace fuzz

#include <sanitizer/lsan_interface.h>

#include "runtime/exit.h"

template <class Fn>
int fuzz::guarded(Fn fn) {
    try {
        fn();
    } catch (const QdxExit& e) {
        return e.status == 0 ? 1 : e.status;
    }
    return 0;
}

template <class Fn>
void fuzz::run(Fn fn) {
    __lsan_disable();
    reset_all();
    const int status = guarded(fn);
    reset_all();
    __lsan_enable();
    if (status != 0) return;
    guarded(fn);
    reset_all();
}

template <class Fn>
void fuzz::run_once(Fn fn) {
    reset_all();
    guarded(fn);
    reset_all();
}
