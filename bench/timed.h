// Timing an outside program for the benchmarks, with its peak memory.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "runtime/process.h"

// Runs a program in dir (through a change of directory: the runner has
// none), its output going to log; the time taken, or -1 when it failed.
inline double timed(const std::vector<std::string>& argv, const std::filesystem::path& dir, const std::string& log) {
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    const auto t0 = std::chrono::steady_clock::now();
    const int status = RT_run(argv, log);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::filesystem::current_path(old);
    if (status != 0) {
        std::fprintf(stderr, "%s failed (status %d); see %s\n", argv[0].c_str(), status, (dir / log).c_str());
        return -1;
    }
    return s;
}

// The peak memory of one program run, the programs it starts included,
// comes from a process of its own: the benchmark runs itself as
//
//   <benchmark> --peak FILE LOG PROGRAM [ARG]...
//
// which runs PROGRAM (output to LOG) and writes its exit status and the
// peak resident size in KB of everything it waited for into FILE.  A
// benchmark's main calls peak_mode first.
inline bool peak_mode(int argc, char** argv) {
    if (argc < 5 || std::strcmp(argv[1], "--peak") != 0) return false;
    const std::vector<std::string> run(argv + 4, argv + argc);
    const int status = RT_run(run, argv[3]);
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    std::ofstream(argv[2]) << status << ' ' << u.ru_maxrss << '\n';
    qdx_exit(status == 0 ? 0 : 1);
    return true;
}

// The folder a benchmark works in: argv[i] when it is given and not
// empty, otherwise a new folder <stem>.<pid> in the system's temporary
// folder, which the benchmark removes at its end (temporary is set).
inline std::filesystem::path bench_directory(int argc, char** argv, int i, const std::string& stem, bool& temporary) {
    temporary = argc <= i || argv[i][0] == '\0';
    if (!temporary) return argv[i];
    return std::filesystem::temp_directory_path() / (stem + "." + std::to_string(::getpid()));
}

struct Measured {
    double seconds = -1;  // -1 when the program failed
    double peak_mb = 0;   // MB of 10^6 bytes, as file sizes are given
};

// Runs argv in dir as timed() does, through the --peak mode of this
// benchmark (the little extra process is in the time, not in the peak).
inline Measured measured(const std::vector<std::string>& argv, const std::filesystem::path& dir,
                         const std::string& log) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::filesystem::path peak = std::filesystem::absolute(dir) / (log + ".peak");
    std::vector<std::string> wrapped{self, "--peak", peak.string(), log};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    Measured m;
    m.seconds = timed(wrapped, dir, log + ".wrap");
    int status = -1;
    long kb = 0;
    std::ifstream(peak) >> status >> kb;
    if (m.seconds < 0 || status != 0) {
        std::fprintf(stderr, "%s failed; see %s\n", argv[0].c_str(), (dir / log).c_str());
        m.seconds = -1;
    }
    m.peak_mb = static_cast<double>(kb) * 1024.0 / 1e6;
    return m;
}
