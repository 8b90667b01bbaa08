// Timing an outside program for the benchmarks.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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
