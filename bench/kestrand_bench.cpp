// Boundary-scan insertion benchmark: writes a chip with a ring of pads
// around a core of many cell instances, with its boundary-scan
// configuration, cell library and pin list, then measures (time and peak
// memory, the programs each one starts included) in one run
//
//   tessick -lib cells.v chip.v         (the netlist compiled)
//   drumway chip                        (the cell-level design kestrand reads)
//   kestrand chip                       (the whole default run, tools included)
//   tallowmere -bsc_file chip -lib_file chip chip_jtag   (the BSDL of the edited chip)
//
// and prints the figures with their ratios: tessick's MB/s and peak over
// the netlist, the kestrand run over the tessick compile, kestrand's peak
// over the expanded design file.  Each step runs several times and its
// fastest run counts.  Given several sizes it measures each and prints
// time and memory per instance of every step, and per instance added
// from one size to the next, with how far the sizes lie apart.
//
//   kestrand_bench [pads] [core instances,...] [directory] [runs]
//   (2000, 100000,300000,1000000, a temporary directory, 3)
//   kestrand_bench --write pads instances directory   (only the chip's files)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "bench/timed.h"
#include "runtime/process.h"

namespace {

namespace fs = std::filesystem;

const char* const kCells = R"(// Library cells of the benchmark chip.
`timescale 1ns / 1ps
`celldefine
module PIN_IN (PAD, Y); input PAD; output Y; assign Y = PAD; endmodule
module PIN_OUT (A, PAD); input A; output PAD; assign PAD = A; endmodule
module PIN_TRI (A, OE, PAD); input A, OE; output PAD; assign PAD = OE ? A : 1'bz; endmodule
module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE; output DO, SO;
  reg c, h; always @(posedge CLOCK) c <= SHIFT ? SI : DI; always @(posedge UPDATE) h <= c;
  assign SO = c; assign DO = MODE ? h : DI;
endmodule
module BC_OUT (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE; output DO, SO;
  reg c, h; always @(posedge CLOCK) c <= SHIFT ? SI : DI; always @(posedge UPDATE) h <= c;
  assign SO = c; assign DO = MODE ? h : DI;
endmodule
module BC_CTRL (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE; output DO, SO;
  reg c, h; always @(posedge CLOCK) c <= SHIFT ? SI : DI; always @(posedge UPDATE) h <= c;
  assign SO = c; assign DO = MODE ? h : DI;
endmodule
module BUF (A, Y); input A; output Y; assign Y = A; endmodule
module INV (A, Y); input A; output Y; assign Y = ~A; endmodule
module NAND2 (A, B, Y); input A, B; output Y; assign Y = ~(A & B); endmodule
module DFF (D, CK, Q); input D, CK; output reg Q; always @(posedge CK) Q <= D; endmodule
module qdx_tap (TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET,
                first_Bcell, BOUNDARY_out);
  input TDI, TMS, TCK, TRST, BOUNDARY_out;
  output TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell;
endmodule
`endcelldefine
)";

const char* const kLibrary = R"(// Cell library of the benchmark chip.
%TAP_CONTROLLER qdx_tap
{
    %INSTANCE_NAME TAP;
    %TDI TDI; %TDO TDO; %TDO_EN TDO_EN; %TMS TMS; %TCK TCK; %TRST TRST;
    %SHIFT_DR SHIFT_DR; %CLOCK_DR CLOCK_DR; %UPDATE_DR UPDATE_DR; %MODE_1 MODE1;
    %HIGHZ_COMMAND HIGHZ; %FIRST_BCELL first_Bcell; %LAST_BCELL BOUNDARY_out; %TAP_RESET RESET;
    %GROUP_SIZE 8; %SIGNAL_BUFFER BUF; %INV_BUFFER INV;
}
%SCAN_CELL BC_IN   { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_OUT  { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_CTRL { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%BUFFER PIN_IN  { %INPUT PAD; %OUTPUT Y; }
%BUFFER PIN_OUT { %INPUT A; %OUTPUT PAD; }
%BUFFER PIN_TRI { %INPUT A; %OUTPUT PAD; %EN_H OE; }
%BUFFER BUF     { %INPUT A; %OUTPUT Y; }
%INV_BUFFER INV { %INPUT A; %OUTPUT Y; }
)";

const char* const kConfiguration = R"(// Boundary-scan configuration of the benchmark chip.
%TAP_MODULE { %MODULE_NAME qdx_tap; %INSTANCE_NAME TAP; }
%GLOBAL_TDI tdi; %GLOBAL_TMS tms; %GLOBAL_TCK tck; %GLOBAL_TRST trst; %GLOBAL_TDO tdo;
%INPUT_BUFFER PIN_IN; %OUTPUT_BUFFER PIN_OUT; %INVERTER INV;
%SCAN_CELLS { %INPUT_SCAN BC_IN; %CLOCK_SCAN BC_IN; %OUTPUT_SCAN BC_OUT; %CONTROL_SCAN BC_CTRL; }
%INSTRUCTION_TABLE
{
    %INSTRUCTION EXTEST = (0000) ACCESS BOUNDARY;
    %INSTRUCTION SAMPLE = (0001) ACCESS BOUNDARY;
    %INSTRUCTION BYPASS = (1111) ACCESS BYPASS;
}
%INSTRUCTION_CAPTURE (0001);
%PIN_LIST { %FILE_NAME chip.pin; }
%SKIP_SIGNAL_NAMES { tdi, tms, tck, trst, tdo; }
)";

// The chip: `pads` signal pads (half inputs, the rest two-state outputs
// and, one in five of them, three-state outputs whose enables come ten to
// a net), the five TAP pads, the TAP, and a core module of `instances`
// cells that the pads feed and drain.
struct Chip {
    long pads, instances;
    long inputs() const { return pads / 2; }
    long outputs() const { return pads - inputs(); }
    bool tri(long j) const { return j % 5 == 4; }
    long enables() const { return (outputs() / 5 + 9) / 10; }
};

bool write_text(const fs::path& p, const std::string& text) {
    std::FILE* f = std::fopen(p.c_str(), "w");
    if (!f) return false;
    bool ok = std::fputs(text.c_str(), f) >= 0;
    return std::fclose(f) == 0 && ok;
}

bool write_pins(const fs::path& p, const Chip& c) {
    std::FILE* f = std::fopen(p.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "%%PACKAGE_TYPE BGA %ld;\n", c.pads + 5);
    long n = 1;
    for (long i = 0; i < c.inputs(); ++i, ++n) std::fprintf(f, "%ld P%ld din%ld in PAD(PIN_IN)\n", n, n, i);
    for (long j = 0; j < c.outputs(); ++j, ++n)
        std::fprintf(f, c.tri(j) ? "%ld P%ld dout%ld out PAD(PIN_TRI) PAD_EN_H\n" : "%ld P%ld dout%ld out PAD(PIN_OUT)\n", n,
                     n, j);
    for (const char* t : {"tdi", "tms", "tck", "trst"}) std::fprintf(f, "%ld P%ld %s in PAD(PIN_IN)\n", n, n, t), ++n;
    std::fprintf(f, "%ld P%ld tdo out PAD(PIN_TRI) PAD_EN_H\n", n, n);
    return std::fclose(f) == 0;
}

bool write_netlist(const fs::path& p, const Chip& c) {
    std::FILE* f = std::fopen(p.c_str(), "w");
    if (!f) return false;
    std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
    auto next = [&seed]() {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    const long ni = c.inputs(), no = c.outputs(), ne = c.enables(), n = c.instances;
    // The core: its cells take earlier cells' outputs or the inputs; the
    // outputs and enables come from the last cells.
    std::fprintf(f, "// Benchmark chip: %ld pads, %ld core instances.\n`timescale 1ns / 1ps\n", c.pads, n);
    std::fprintf(f, "module core (clk, in, out, oe);\n  input clk;\n  input [%ld:0] in;\n  output [%ld:0] out;\n"
                    "  output [%ld:0] oe;\n", ni - 1, no - 1, ne - 1);
    for (long i = 0; i < n; ++i) std::fprintf(f, "  wire n%ld;\n", i);
    auto pick = [&](long i) -> std::string {
        const std::uint64_t r = next();
        if (i < 64 || r % 11 == 0) return "in[" + std::to_string(static_cast<long>(r % static_cast<std::uint64_t>(ni))) + "]";
        return "n" + std::to_string(static_cast<long>((r >> 8) % static_cast<std::uint64_t>(i)));
    };
    for (long i = 0; i < n; ++i) {
        switch (next() % 4) {
            case 0: std::fprintf(f, "  INV g%ld (.A(%s), .Y(n%ld));\n", i, pick(i).c_str(), i); break;
            case 1: std::fprintf(f, "  DFF g%ld (.D(%s), .CK(clk), .Q(n%ld));\n", i, pick(i).c_str(), i); break;
            default:
                std::fprintf(f, "  NAND2 g%ld (.A(%s), .B(%s), .Y(n%ld));\n", i, pick(i).c_str(), pick(i).c_str(), i);
        }
    }
    for (long j = 0; j < no; ++j) std::fprintf(f, "  assign out[%ld] = n%ld;\n", j, n - 1 - j);
    for (long k = 0; k < ne; ++k) std::fprintf(f, "  assign oe[%ld] = n%ld;\n", k, n - 1 - no - k);
    std::fprintf(f, "endmodule\n\n");

    // The top: the pad ring, the TAP and the core.
    std::fprintf(f, "module chip (");
    for (long i = 0; i < ni; ++i) std::fprintf(f, "din%ld, ", i);
    for (long j = 0; j < no; ++j) std::fprintf(f, "dout%ld, ", j);
    std::fprintf(f, "tdi, tms, tck, trst, tdo);\n");
    for (long i = 0; i < ni; ++i) std::fprintf(f, "  input din%ld;\n", i);
    for (long j = 0; j < no; ++j) std::fprintf(f, "  output dout%ld;\n", j);
    std::fprintf(f, "  input tdi, tms, tck, trst;\n  output tdo;\n");
    std::fprintf(f, "  wire [%ld:0] in_c;\n  wire [%ld:0] out_c;\n  wire [%ld:0] oe_c;\n", ni - 1, no - 1, ne - 1);
    std::fprintf(f, "  wire tdi_c, tms_c, tck_c, trst_c, tdo_c, tdo_en, chain;\n");
    for (long i = 0; i < ni; ++i) std::fprintf(f, "  PIN_IN PAD_I%ld (.PAD(din%ld), .Y(in_c[%ld]));\n", i, i, i);
    for (long j = 0; j < no; ++j) {
        if (c.tri(j))
            std::fprintf(f, "  PIN_TRI PAD_O%ld (.A(out_c[%ld]), .OE(oe_c[%ld]), .PAD(dout%ld));\n", j, j, (j / 5) / 10, j);
        else
            std::fprintf(f, "  PIN_OUT PAD_O%ld (.A(out_c[%ld]), .PAD(dout%ld));\n", j, j, j);
    }
    std::fprintf(f,
                 "  PIN_IN PAD_TDI (.PAD(tdi), .Y(tdi_c));\n  PIN_IN PAD_TMS (.PAD(tms), .Y(tms_c));\n"
                 "  PIN_IN PAD_TCK (.PAD(tck), .Y(tck_c));\n  PIN_IN PAD_TRST (.PAD(trst), .Y(trst_c));\n"
                 "  PIN_TRI PAD_TDO (.A(tdo_c), .OE(tdo_en), .PAD(tdo));\n"
                 "  qdx_tap TAP (.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),\n"
                 "    .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),\n"
                 "    .first_Bcell(chain), .BOUNDARY_out(chain));\n"
                 "  core core (.clk(tck_c), .in(in_c), .out(out_c), .oe(oe_c));\nendmodule\n");
    return std::fclose(f) == 0;
}




// The chip's files written into dir; false when one cannot be written.
bool write_chip(const Chip& chip, const fs::path& dir) {
    fs::create_directories(dir);
    return write_text(dir / "cells.v", kCells) && write_text(dir / "chip.lib", kLibrary) &&
           write_text(dir / "chip.bsc", kConfiguration) && write_pins(dir / "chip.pin", chip) &&
           write_netlist(dir / "chip.v", chip);
}

// One chip measured: the figures of each step.
struct Row {
    long instances = 0;
    double netlist_mb = 0, expanded_mb = 0;
    Measured tessick, drumway, kestrand, tallowmere;
};

double mb(const fs::path& p) { return static_cast<double>(fs::file_size(p)) / 1e6; }

// Writes the chip into dir and runs the flow on it.
Row measure(const Chip& chip, const fs::path& dir, int runs) {
    std::printf("writing a chip of %ld pads and %ld core instances into %s\n", chip.pads, chip.instances, dir.c_str());
    std::fflush(stdout);
    if (!write_chip(chip, dir)) {
        std::fprintf(stderr, "kestrand_bench: cannot write the design files\n");
        qdx_exit(2);
    }
    Row r;
    r.instances = chip.instances;
    r.netlist_mb = mb(dir / "chip.v");
    // Each step runs several times (a shared machine varies from run to
    // run; every step gives the same files again): the fastest run is
    // kept, with the largest peak, and the range is printed.
    auto step = [&](const char* what, const std::vector<std::string>& argv, const std::string& log) {
        Measured best;
        double slowest = 0;
        for (int i = 0; i < runs; ++i) {
            const Measured m = measured(argv, dir, log);
            if (m.seconds < 0) qdx_exit(2);
            if (best.seconds < 0 || m.seconds < best.seconds) best.seconds = m.seconds;
            best.peak_mb = std::max(best.peak_mb, m.peak_mb);
            slowest = std::max(slowest, m.seconds);
        }
        std::printf("  %-58s %7.2f s %8.1f MB   (%.2f-%.2f s)\n", what, best.seconds, best.peak_mb, best.seconds,
                    slowest);
        std::fflush(stdout);
        return best;
    };
    r.tessick = step("tessick -lib cells.v chip.v", {"tessick", "-lib", "cells.v", "chip.v"}, "tessick.out");
    r.drumway = step("drumway chip (the cell-level input kestrand reads)", {"drumway", "chip"}, "drumway.out");
    r.kestrand = step("kestrand chip (plovert, quarnel and drumway included)",
                      {std::string(KEST_BIN_DIR) + "/kestrand", "chip"}, "kestrand.out");
    r.expanded_mb = mb(dir / "chip_jtag.c.sdb");
    r.tallowmere = step("tallowmere -bsc_file chip -lib_file chip chip_jtag",
                        {std::string(KEST_BIN_DIR) + "/tallowmere", "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"},
                        "tallowmere.out");
    std::printf("  chip.v %.1f MB, chip_jtag.c.sdb %.1f MB\n", r.netlist_mb, r.expanded_mb);
    std::printf("  tessick: %.1f MB/s of netlist, peak %.2fx the netlist\n", r.netlist_mb / r.tessick.seconds,
                r.tessick.peak_mb / r.netlist_mb);
    std::printf("  kestrand run / tessick compile: %.2fx the time; kestrand peak (tools included) %.2fx the expanded "
                "design file\n",
                r.kestrand.seconds / r.tessick.seconds, r.kestrand.peak_mb / r.expanded_mb);
    std::fflush(stdout);
    return r;
}

// Per instance: microseconds and bytes of each step, and how far the
// sizes lie apart (largest over smallest figure of a column).
void print_growth(const std::vector<Row>& rows) {
    struct Col {
        const char* name;
        Measured Row::*m;
    };
    const Col cols[] = {{"tessick", &Row::tessick},
                        {"drumway", &Row::drumway},
                        {"kestrand", &Row::kestrand},
                        {"tallowmere", &Row::tallowmere}};
    std::printf("\nper instance (us / bytes):\n%12s", "instances");
    for (const Col& c : cols) std::printf(" %22s", c.name);
    std::printf("\n");
    for (const Row& r : rows) {
        std::printf("%12ld", r.instances);
        for (const Col& c : cols) {
            const Measured& m = r.*(c.m);
            std::printf(" %10.2f us %7.0f B", m.seconds * 1e6 / static_cast<double>(r.instances),
                        m.peak_mb * 1e6 / static_cast<double>(r.instances));
        }
        std::printf("\n");
    }
    if (rows.size() < 2) return;
    std::printf("%12s", "max/min");
    for (const Col& c : cols) {
        double t_lo = 1e30, t_hi = 0, m_lo = 1e30, m_hi = 0;
        for (const Row& r : rows) {
            const Measured& m = r.*(c.m);
            const double t = m.seconds / static_cast<double>(r.instances), b = m.peak_mb / static_cast<double>(r.instances);
            t_lo = std::min(t_lo, t), t_hi = std::max(t_hi, t), m_lo = std::min(m_lo, b), m_hi = std::max(m_hi, b);
        }
        std::printf(" %10.2fx   %7.2fx ", t_hi / t_lo, m_hi / m_lo);
    }
    std::printf("\n");

    // What each added instance costs between one size and the next: the
    // fixed costs of a run (process start, the pads' own work, the same at
    // every size) drop out, so these figures show whether the cost itself
    // grows linearly.
    std::printf("\nper added instance, between sizes (us / bytes):\n%12s", "instances");
    for (const Col& c : cols) std::printf(" %22s", c.name);
    std::printf("\n");
    std::vector<double> lo(std::size(cols), 1e30), hi(std::size(cols), 0), mlo(std::size(cols), 1e30),
        mhi(std::size(cols), 0);
    for (size_t i = 1; i < rows.size(); ++i) {
        const Row& a = rows[i - 1];
        const Row& b = rows[i];
        const double added = static_cast<double>(b.instances - a.instances);
        std::printf("%12s", (std::to_string(a.instances) + "-" + std::to_string(b.instances)).c_str());
        for (size_t k = 0; k < std::size(cols); ++k) {
            const Measured& ma = a.*(cols[k].m);
            const Measured& mb = b.*(cols[k].m);
            const double t = (mb.seconds - ma.seconds) / added, m = (mb.peak_mb - ma.peak_mb) / added;
            std::printf(" %10.2f us %7.0f B", t * 1e6, m * 1e6);
            lo[k] = std::min(lo[k], t), hi[k] = std::max(hi[k], t), mlo[k] = std::min(mlo[k], m),
            mhi[k] = std::max(mhi[k], m);
        }
        std::printf("\n");
    }
    if (rows.size() < 3) return;
    std::printf("%12s", "max/min");
    for (size_t k = 0; k < std::size(cols); ++k) std::printf(" %10.2fx   %7.2fx ", hi[k] / lo[k], mhi[k] / mlo[k]);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    peak_mode(argc, argv);
    // --write PADS INSTANCES DIR: only writes the chip's files, for runs
    // of the flow by hand (comparing the outputs of two builds, say).
    if (argc == 5 && std::string(argv[1]) == "--write") {
        const Chip chip{std::atol(argv[2]), std::atol(argv[3])};
        if (chip.pads < 10 || chip.instances < 2 * chip.pads || !write_chip(chip, argv[4])) {
            std::fprintf(stderr, "kestrand_bench: cannot write the chip into %s\n", argv[4]);
            qdx_exit(2);
        }
        qdx_exit(0);
    }
    const long pads = argc > 1 ? std::atol(argv[1]) : 2000;
    std::vector<long> sizes;
    {
        const std::string list = argc > 2 ? argv[2] : "100000,300000,1000000";
        std::size_t start = 0;
        while (start <= list.size()) {
            std::size_t end = list.find(',', start);
            if (end == std::string::npos) end = list.size();
            sizes.push_back(std::atol(list.substr(start, end - start).c_str()));
            start = end + 1;
        }
    }
    for (long n : sizes)
        if (pads < 10 || n < pads * 2) {
            std::fprintf(stderr,
                         "usage: kestrand_bench [pads >= 10] [core instances >= 2 x pads, comma-separated] [directory] [runs]\n");
            qdx_exit(2);
        }
    bool temporary = false;
    const fs::path dir = bench_directory(argc, argv, 3, "kestrand_bench", temporary);
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;

    // The tools are found on PATH, as kestrand finds them.
    const char* old_path = std::getenv("PATH");
    std::string path = std::string(KEST_TOOLS_DIR) + ":" + (old_path ? old_path : "/usr/bin:/bin");
    ::setenv("PATH", path.c_str(), 1);
    ::unsetenv("QUENDAL");
    ::unsetenv("QUENDAL_DIRS");

    std::vector<Row> rows;
    for (long n : sizes) {
        const fs::path d = dir / std::to_string(n);
        rows.push_back(measure(Chip{pads, n}, d, runs));
        // Only the figures are kept: the next size needs the disk.
        fs::remove_all(d);
    }
    print_growth(rows);
    if (temporary) fs::remove_all(dir);
    qdx_exit(0);
}
