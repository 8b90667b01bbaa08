// Verilog compile benchmark: writes the flat benchmark netlist, then
// times in one run tessick compiling it and yosys reading it,
//
//   tessick -lib cells.v net.v -opath out
//   yosys -p 'read_verilog -lib cells.v; read_verilog net.v'
//
// and prints both times and their ratio.  Exits 1 when tessick is not
// the faster of the two.
//
//   tessick_bench [instances] [directory]   (1000000; a temporary directory)
#include <unistd.h>

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
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    fs::path dir;
    bool temporary = false;
    if (argc > 2) {
        dir = argv[2];
    } else {
        dir = fs::temp_directory_path() / ("tessick_bench." + std::to_string(::getpid()));
        temporary = true;
    }
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
    const double t = timed({tessick, "-lib", "cells.v", "net.v", "-opath", "out"}, dir, "tessick.out");
    if (t < 0) qdx_exit(2);
    std::printf("tessick: %.2f s\n", t);
    std::fflush(stdout);
    const double y = timed({"yosys", "-q", "-p", "read_verilog -lib cells.v; read_verilog net.v"}, dir, "yosys.out");
    if (y < 0) qdx_exit(2);
    std::printf("yosys read_verilog: %.2f s\n", y);
    std::printf("ratio yosys/tessick: %.1f\n", y / t);
    if (temporary) fs::remove_all(dir);
    qdx_exit(y > t ? 0 : 1);
}
