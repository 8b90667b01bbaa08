// kestrand -add_bcm end to end on the fixture chip without a TAP
// controller (tests/fixtures/e2e/notap/chip.v), with the stand-in tools on
// PATH: the boundary-cell module "chip_BCM.v" and the RTL TAP, the top
// design's command file that wires the module between the pads and the
// core, the edited chip simulated through its TAP pins, and its BSDL file
// from tallowmere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/chip_tap_bench.h"
#include "support/bsdl_check.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace add_bcm {

namespace fs = std::filesystem;
using testsupport::Netlist;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::source_path;

std::vector<Patch> without_directions() {
    std::vector<Patch> patches;
    const std::regex direction(R"(\s(in|out|inout)(\s+PAD))");
    std::istringstream in(read_file(source_path("tests/fixtures/chip/chip.pin")));
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, direction))
            patches.push_back({"chip.pin", line, std::regex_replace(line, direction, " *$2")});
    return patches;
}

namespace {


bool built() { return testsupport::fixture_tools_built(); }

using testsupport::compile_notap_chip;

// The pins "chip_BCM{...}" that a command file names.
std::set<std::string> module_pins_named(const std::string& cmd) {
    std::set<std::string> pins;
    const std::regex pin(R"(chip_BCM\{([^}]*)\})");
    for (auto it = std::sregex_iterator(cmd.begin(), cmd.end(), pin); it != std::sregex_iterator(); ++it)
        pins.insert((*it)[1]);
    return pins;
}

// The ports that module pins belong to: a bus bit "IDCODE[3]" is a pin
// of the port "IDCODE".
std::set<std::string> ports_of(const std::set<std::string>& pins) {
    std::set<std::string> ports;
    for (const std::string& pin : pins) ports.insert(pin.substr(0, pin.find('[')));
    return ports;
}

// The files of a run, by name, for comparing two runs.
std::map<std::string, std::string> outputs(const fs::path& dir, bool vhdl) {
    std::map<std::string, std::string> files;
    for (const char* f : {"chip_BCM.v", "bscan_lib/chip_jtag.cmd", "chip.bso"})
        files[f] = read_file(dir / f);
    files["TAP"] = read_file(dir / (vhdl ? "chip_TAP.vhd" : "chip_TAP.v"));
    files["netlist"] = read_file(dir / (vhdl ? "chip_jtag.vhd" : "chip_jtag.v"));
    return files;
}

// The module against the cell models and the RTL TAP: Icarus Verilog and
// yosys read it, and yosys finds no undriven or multiply driven net.
void expect_module_compiles(const fs::path& dir) {
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    RunResult r = testsupport::run(
        {"iverilog", "-g2001", "-s", "chip_BCM", "-o", "bcm_only", "cells.v", "chip_TAP.v", "chip_BCM.v"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (!testsupport::have_program("yosys")) GTEST_SKIP() << "yosys is not installed";
    r = testsupport::run({"yosys", "-q", "-p",
                          "read_verilog -lib cells.v; read_verilog chip_TAP.v chip_BCM.v; "
                          "hierarchy -check -top chip_BCM; proc; check -assert"},
                         dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// tallowmere describes the edited chip as on every other road: its BSDL
// file, which our checker and liburjtag accept, holds a boundary register
// of the module's cells.
void expect_bsdl(const fs::path& dir, size_t cells, bool no_pad) {
    testsupport::ToolPath env;
    std::vector<std::string> argv = {testsupport::built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file",
                                     "chip", "chip_jtag"};
    // Ports without a pad are their cells' ports for tallowmere as well.
    if (no_pad) argv.insert(argv.end() - 1, "-no_pad");
    RunResult r = testsupport::run(argv, dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const bsdlcheck::BsdlCheck check = bsdlcheck::check_bsdl_file((dir / "chip_jtag.bsd").string());
    EXPECT_TRUE(check.problems.empty()) << check.describe();
    if (check.urjtag_ran) {
        EXPECT_TRUE(check.urjtag_ok) << check.describe();
    }
    EXPECT_EQ(check.file.boundary_length, static_cast<int>(cells));
}

// The edited chip through its TAP pins (the bench of the -add_tap tests):
// the IDCODE after reset, the boundary register as long as the module's
// cell count under SAMPLE, and BYPASS.
void expect_chip_answers(const fs::path& dir, size_t cells) {
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    std::ofstream(dir / "tb_chip.v") << chip_tap_bench::kChipBench;
    RunResult r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "chip_sim", "tb_chip.v", "cells.v",
                                    "chip_TAP.v", "chip_jtag.v"},
                                   dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "chip_sim"}, dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const unsigned long long pattern = 0xC3A50F961E2DB47AULL;
    auto delayed = [&](size_t delay, size_t n) {
        std::string s;
        for (size_t j = delay; j < n; ++j) s += ((pattern >> (j - delay)) & 1) ? '1' : '0';
        return s;
    };
    std::istringstream out(r.out);
    std::map<std::string, std::string> seen;
    std::string name, bits;
    while (out >> name >> bits) seen[name] = bits;
    const std::string& id = chip_tap_bench::kIdcode;
    ASSERT_EQ(seen["ID"].size(), 64u) << r.out;
    EXPECT_EQ(seen["ID"].substr(0, 32), std::string(id.rbegin(), id.rend()));
    ASSERT_EQ(seen["SAMPLE"].size(), 40u) << r.out;
    EXPECT_EQ(seen["SAMPLE"].substr(cells), delayed(cells, 40)) << "the boundary register is not " << cells << " long";
    EXPECT_EQ(seen["BYPASS"], "0" + delayed(1, 40));
}

// The edited chip with its TAP held in reset against the chip before the
// edit: for every value of the functional inputs (the bidirectional pin
// pulled weakly) both drive the same outputs.
const char* const kFunctionBench = R"(`timescale 1ns/1ps
module tb;
  reg clk, rst_n, din0, din1, tck, tms, tdi, trst;
  wire g_dout0, g_dout1, g_bidir0, dout0, dout1, bidir0, tdo, g_tdo;
  integer v, bad;
  assign (weak0, weak1) bidir0 = din0;
  assign (weak0, weak1) g_bidir0 = din0;
  gold_chip gold(.clk(clk), .rst_n(rst_n), .din0(din0), .din1(din1), .dout0(g_dout0), .dout1(g_dout1),
                 .bidir0(g_bidir0), .tdi(tdi), .tms(tms), .tck(tck), .trst(trst), .tdo(g_tdo));
  chip gate(.clk(clk), .rst_n(rst_n), .din0(din0), .din1(din1), .dout0(dout0), .dout1(dout1),
            .bidir0(bidir0), .tdi(tdi), .tms(tms), .tck(tck), .trst(trst), .tdo(tdo));
  initial begin
    bad = 0; tck = 0; tms = 1; tdi = 0; trst = 0;
    for (v = 0; v < 16; v = v + 1) begin
      {clk, rst_n, din0, din1} = v;
      #10;
      if ({dout0, dout1, bidir0} !== {g_dout0, g_dout1, g_bidir0}) bad = bad + 1;
    end
    $display("MISMATCHES %0d", bad);
    $finish;
  end
endmodule
)";

void expect_chip_unchanged_in_function(const fs::path& dir) {
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    std::string gold = read_file(dir / "chip.v");
    for (const char* m : {"slice", "core", "chip"}) {
        const std::string name = m;
        gold = std::regex_replace(gold, std::regex("(^|\\n)(module |  )" + name + " "), "$1$2gold_" + name + " ");
    }
    std::ofstream(dir / "gold.v") << gold;
    std::ofstream(dir / "tb_function.v") << kFunctionBench;
    RunResult r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "function_sim", "tb_function.v", "gold.v",
                                    "cells.v", "chip_TAP.v", "chip_jtag.v"},
                                   dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "function_sim"}, dir);
    EXPECT_NE(r.out.find("MISMATCHES 0\n"), std::string::npos) << r.out << r.err;
}

// Through the chip's pins with rst_n low, din0 high and din1 low: the
// outputs with the TAP reset, then under the HIGHZ instruction (0101).
const std::string kHighzBench = chip_tap_bench::chip_bench_head("  assign (weak0, weak1) bidir0 = 1'b0;\n") + R"(  initial begin
    tck = 0; tms = 1; tdi = 0; trst = 0; clk = 0; rst_n = 0; din0 = 1; din1 = 0;
    #100 trst = 1;
    repeat (5) step(1, 0, 0);
    step(0, 0, 0);
    #10 $write("%b%b%b ", dout0, dout1, bidir0);
    ir(4'b0101);
    #10 $display("%b%b%b", dout0, dout1, bidir0);
    $finish;
  end
endmodule
)";

void expect_highz(const fs::path& dir, const std::string& expected) {
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    std::ofstream(dir / "tb_highz.v") << kHighzBench;
    RunResult r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "highz_sim", "tb_highz.v", "cells.v",
                                    "chip_TAP.v", "chip_jtag.v"},
                                   dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "highz_sim"}, dir);
    EXPECT_NE(r.out.find(expected + "\n"), std::string::npos) << "functional mode, then under HIGHZ: want " << expected
                                                               << "\n" << r.out << r.err;
}

}  // namespace

TEST_P(AddBcm, WritesTheModuleAndWiresItBetweenPadsAndCore) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const BcmCase& c = GetParam();
    testsupport::TempDir dir;
    compile_notap_chip(dir.path(), c.patches);
    if (HasFatalFailure()) return;
    std::vector<std::string> options = {"-add_bcm"};
    options.insert(options.end(), c.options.begin(), c.options.end());
    RunResult r = testsupport::run_kestrand(dir.path(), options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const bool vhdl = std::find(c.options.begin(), c.options.end(), "-vhdl") != c.options.end();
    // The module is Verilog under its ".v" name whatever the TAP's language.
    EXPECT_TRUE(fs::exists(dir.path() / (vhdl ? "chip_TAP.vhd" : "chip_TAP.v")));
    EXPECT_FALSE(fs::exists(dir.path() / "chip_BCM.vhd"));
    const std::string module = read_file(dir.path() / "chip_BCM.v");
    const std::string cmd = read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    EXPECT_NE(cmd.find("add chip_BCM chip_BCM\n"), std::string::npos) << cmd;
    if (!c.sub_module.empty()) {
        EXPECT_NE(module.find("module " + c.sub_module + " ("), std::string::npos);
    } else {
        EXPECT_EQ(module.find("module chip_jtag_"), std::string::npos);
    }

    // Every module pin that the command file names is a port of the
    // module, and every port is wired.
    const std::vector<std::string> ports = testsupport::module_ports(module, "chip_BCM");
    EXPECT_EQ(ports_of(module_pins_named(cmd)), std::set<std::string>(ports.begin(), ports.end()));
    // In the edited design each of them shares its net with another end.
    Netlist edited(dir.path() / "bscan_lib", "chip_jtag");
    for (const std::string& pin : module_pins_named(cmd))
        EXPECT_GE(edited.ends_at("chip_BCM", pin).size(), 2u) << pin << " hangs alone";
    size_t inverters = 0;
    for (size_t at = cmd.find("\nadd B_PAD_INV"); at != std::string::npos; at = cmd.find("\nadd B_PAD_INV", at + 1))
        ++inverters;
    EXPECT_EQ(inverters, c.inverters) << cmd;
    char total[64];
    std::snprintf(total, sizeof total, "\n  ** Add total %3zu Boundary Scan Cells:\n", c.cells);
    EXPECT_NE(r.out.find(total), std::string::npos) << r.out;

    // The same run again writes the same files.
    const auto first = outputs(dir.path(), vhdl);
    r = testsupport::run_kestrand(dir.path(), options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(first == outputs(dir.path(), vhdl)) << "a second run wrote other files";
    expect_bsdl(dir.path(), c.cells, std::find(c.options.begin(), c.options.end(), "-no_pad") != c.options.end());
    if (vhdl) return;
    expect_module_compiles(dir.path());
    if (!c.simulate) return;
    expect_chip_answers(dir.path(), c.cells);
    expect_chip_unchanged_in_function(dir.path());
    if (!c.highz.empty()) expect_highz(dir.path(), c.highz);
}

INSTANTIATE_TEST_SUITE_P(
    Roads, AddBcm,
    ::testing::Values(BcmCase{"position_groups", {}, {}, "chip_jtag_inout"},
                      BcmCase{"one_module", {}, without_directions(), ""},
                      BcmCase{"group_size_2", {}, {kGroupSize2}, "chip_jtag_in"},
                      BcmCase{"group_size_0", {}, {kGroupSize0}, "chip_jtag_in"},
                      BcmCase{"no_group_size", {}, {kNoGroupSize}, "chip_jtag_in"},
                      BcmCase{"synch", {"-synch"}, cells_with("TCK", "%TCK TCK;"), "chip_jtag_out", false},
                      // The TAP's reset and mode-3 outputs reach the cells
                      // through the reset and mode-3 trees.
                      BcmCase{"reset_and_mode3_pins", {}, cells_with("RST, M3", "%RST RST; %MODE_3 M3;"), "chip_jtag_in"},
                      BcmCase{"direction_with_a_dot", {}, {kOddDirection}, "chip_jtag_in_x"},
                      BcmCase{"bidirectional_cell", {}, {kLiveBidir}, "chip_jtag_inout"},
                      BcmCase{"input_output_pair", {}, {kLiveBidir, kNoBidirCell}, "chip_jtag_inout", true, 10},
                      BcmCase{"active_low_pins", {}, kActiveLow, "chip_jtag_inout", true, 9, 0},
                      BcmCase{"vhdl_tap", {"-vhdl"}, {}, "chip_jtag_in"}),
    [](const auto& info) { return info.param.name; });

}  // namespace add_bcm
