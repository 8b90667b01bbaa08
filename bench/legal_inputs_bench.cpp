// Legal-input merge benchmark: reads, through the scan-language entry, a
// DFT file whose ATPG mode holds two %ILLEGAL_INPUTS statements of n ports
// that share n - 1 of them (bench/illegal_inputs_dft.h), for n = 8 to 16.
// Their complements merge into one statement of 2^(n+1) - 3 patterns, so
// each step of n doubles the output.
//
//   legal_inputs_bench [directory]
//
// Prints, per n, the merged patterns, the processor time of a read (the
// best of several), the time per merged pattern, and the ratios of time
// and of output to the step before (a merge near linear in its output
// keeps the two ratios close); exits 1 when the time per pattern at
// n = 16 reaches 4 times that at n = 14: a merge quadratic in its output
// takes at least 4 times, while a near-linear one stays about 2.5 times
// (its patterns grow longer, and its working set leaves the processor's
// caches between those sizes).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/illegal_inputs_dft.h"
#include "bench/timed.h"
#include "runtime/exit.h"
#include "scanlang/front/front.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"

namespace {

namespace fs = std::filesystem;

// The processor time of the process: the machine's other work does not
// count, as it would in wall time.
double cpu_seconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One read of `file`, its warnings (one per shared port) kept off the
// screen; the seconds taken and the patterns merged.
double read_once(const fs::path& file, long long& patterns) {
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    const double t0 = cpu_seconds();
    scan_interface(file.c_str(), 0, "atpg");
    const double s = cpu_seconds() - t0;
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    ::close(null);
    patterns = 0;
    if (DFT_OBJECT && DFT_OBJECT->atpg_constraints)
        for (const AtpgScanOptionRecord& o : DFT_OBJECT->atpg_constraints->options)
            for (const auto& legal : o.legal_inputs) patterns += static_cast<long long>(legal.second.size());
    SCANLANG_reset_globals();
    return s;
}

// The best of at least three reads, and of enough to take a tenth of a
// second.
double best_read(const fs::path& file, long long& patterns) {
    double best = read_once(file, patterns), total = best;
    for (int i = 1; i < 50 && (i < 3 || total < 0.1); ++i) {
        const double s = read_once(file, patterns);
        total += s;
        if (s < best) best = s;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    bool temporary = false;
    const fs::path dir = bench_directory(argc, argv, 1, "legal_inputs_bench", temporary);
    fs::create_directories(dir);
    std::printf("%3s %10s %10s %14s %11s %13s\n", "n", "patterns", "seconds", "ns/pattern", "time ratio",
                "output ratio");
    std::map<int, double> per_pattern;
    double last_seconds = 0;
    long long last_patterns = 0;
    int status = 0;
    for (int n = 8; n <= 16; ++n) {
        const fs::path file = dir / ("merge" + std::to_string(n) + ".dft");
        std::ofstream(file) << illegal_pair_dft(n, n - 1);
        long long patterns = 0;
        const double seconds = best_read(file, patterns);
        if (patterns != illegal_pair_patterns(n, n - 1)) {
            std::fprintf(stderr, "n = %d: %lld patterns merged, %lld expected\n", n, patterns,
                         illegal_pair_patterns(n, n - 1));
            status = 1;
        }
        per_pattern[n] = seconds / static_cast<double>(patterns);
        std::printf("%3d %10lld %10.4f %14.1f", n, patterns, seconds, per_pattern[n] * 1e9);
        if (last_seconds > 0)
            std::printf(" %11.2f %13.2f", seconds / last_seconds,
                        static_cast<double>(patterns) / static_cast<double>(last_patterns));
        std::printf("\n");
        last_seconds = seconds;
        last_patterns = patterns;
    }
    const double growth = per_pattern[16] / per_pattern[14];
    std::printf("time per pattern, n = 16 against n = 14: %.2f\n", growth);
    if (growth >= 4) status = 1;
    if (temporary) fs::remove_all(dir);
    qdx_exit(status);
}
