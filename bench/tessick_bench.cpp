// Verilog compile benchmark: writes the flat benchmark netlist, then
// times in one run tessick compiling it and yosys reading it,
//
//   tessick -lib cells.v net.v -opath out
//   yosys -p 'read_verilog -lib cells.v; read_verilog net.v'
//
// and prints both times, peak memories and their ratios, and tessick's
// MB/s and peak over the size of the netlist.  tessick runs several times
// (a shared machine varies from run to run): its range is printed, and
// the ratios use its fastest run.  Exits 1 when tessick is not the faster
// of the two.
//
//   tessick_bench [instances] [directory] [runs]   (1000000; a temporary directory; 3)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/flat_netlist.h"
#include "runtime/exit.h"
#include "bench/timed.h"
#include "runtime/process.h"

namespace {

namespace fs = std::filesystem;


}  // namespace

int main(int argc, char** argv) {
    peak_mode(argc, argv);
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    bool temporary = false;
    const fs::path dir = bench_directory(argc, argv, 2, "tessick_bench", temporary);
    fs::create_directories(dir / "out");
    std::printf("writing a flat netlist of %ld cell instances into %s\n", n, dir.c_str());
    std::fflush(stdout);
    if (n < 0 || !flatnet::write_flat_netlist(dir.string(), n)) {
        std::fprintf(stderr, "tessick_bench: cannot write the netlist\n");
        qdx_exit(2);
    }
    std::printf("net.v: %.1f MB\n", static_cast<double>(fs::file_size(dir / "net.v")) / 1e6);
    std::fflush(stdout);

    const std::string tessick = std::string(KEST_TOOLS_DIR) + "/tessick";
    const double net_mb = static_cast<double>(fs::file_size(dir / "net.v")) / 1e6;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    Measured tm;
    double slowest = 0, peak_low = 0;
    for (int r = 0; r < runs; ++r) {
        const Measured m = measured({tessick, "-lib", "cells.v", "net.v", "-opath", "out"}, dir, "tessick.out");
        if (m.seconds < 0) qdx_exit(2);
        if (r == 0 || m.seconds < tm.seconds) tm.seconds = m.seconds;
        if (r == 0 || m.peak_mb < peak_low) peak_low = m.peak_mb;
        slowest = std::max(slowest, m.seconds);
        tm.peak_mb = std::max(tm.peak_mb, m.peak_mb);
    }
    const double t = tm.seconds;
    std::printf("tessick: %.2f s (%d runs: %.2f-%.2f s), peak %.1f MB (%.1f-%.1f)\n", t, runs, t, slowest, tm.peak_mb,
                peak_low, tm.peak_mb);
    std::printf("tessick: %.1f MB/s of netlist (%.1f-%.1f), peak %.2fx the netlist\n", net_mb / t, net_mb / slowest,
                net_mb / t, tm.peak_mb / net_mb);
    std::fflush(stdout);
    const Measured ym = measured({"yosys", "-q", "-p", "read_verilog -lib cells.v; read_verilog net.v"}, dir, "yosys.out");
    if (ym.seconds < 0) qdx_exit(2);
    const double y = ym.seconds;
    std::printf("yosys read_verilog: %.2f s, peak %.1f MB\n", y, ym.peak_mb);
    std::printf("ratio yosys/tessick: %.1f (tessick/yosys %.3f)\n", y / t, t / y);
    if (temporary) fs::remove_all(dir);
    qdx_exit(y > t ? 0 : 1);
}
