// kestrand end to end on variants of the fixture chip that the main flow
// test does not run: a high-impedance group in a pad module, -add_tap on
// the pad-module road, an active-low input (simulated against the chip
// before the insertion), ports without pads (-no_pad) and the VHDL
// netlist (-vhdl, analysed by ghdl).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::inst_of;
using testsupport::Netlist;
using testsupport::Patch;
using testsupport::pin_of;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::source_path;

bool built() { return testsupport::fixture_tools_built(); }

RunResult kestrand(const fs::path& dir, const std::vector<std::string>& options = {}) {
    return testsupport::run_kestrand(dir, options);
}

// The boundary cells from the TAP's first-cell pin to its last-cell pin;
// every boundary cell of the design lies on it.
void expect_chain(const Netlist& n, size_t cells) {
    std::vector<std::string> order;
    std::string from = "TAP{first_Bcell}";
    bool closed = false;
    for (size_t guard = 0; guard <= cells && !closed; ++guard) {
        std::set<std::string> ends = n.ends_at(inst_of(from), pin_of(from));
        ends.erase(from);
        ASSERT_EQ(ends.size(), 1u) << "after " << from;
        std::string next = *ends.begin();
        if (next == "TAP{BOUNDARY_out}") {
            closed = true;
        } else {
            ASSERT_EQ(pin_of(next), "SI") << next;
            order.push_back(inst_of(next));
            from = inst_of(next) + "{SO}";
        }
    }
    EXPECT_TRUE(closed) << "the chain does not close";
    EXPECT_EQ(order.size(), cells);
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), n.of_class("BC_"));
    testsupport::expect_controls_driven(n);
}

// The module text between "module <name>" and its "endmodule" replaced.
std::string replace_module(std::string text, const std::string& name, const std::string& by) {
    size_t from = text.find("module " + name + " ");
    size_t to = from == std::string::npos ? from : text.find("endmodule\n", from);
    if (to == std::string::npos) {
        ADD_FAILURE() << "no module " << name;
        return text;
    }
    return text.replace(from, to + 10 - from, by);
}

// ---------------------------------------------------------------------------
// The pads in a pad module, one output enable tied to a constant: its
// high-impedance buffer takes the TAP's command through a port of the
// module that the top wires to the TAP.

TEST(PadRoads, HighzGroupInsideThePadModule) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(
        dir.path(), {{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"}},
        source_path("tests/fixtures/bscan/padmod/chip.v")));
    auto r = kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string pads = read_file(dir.path() / "bscan_lib/pads_bs.cmd");
    std::string top = read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    EXPECT_NE(pads.find("add HIGHZ input\n"), std::string::npos) << pads;
    EXPECT_NE(top.find("connect u_pads{HIGHZ} TAP{HIGHZ}\n"), std::string::npos) << top;
    Netlist module(dir.path(), "bscan_lib/pads_bs.sdb");
    EXPECT_EQ(module.ports().count("HIGHZ"), 1u);
    EXPECT_EQ(module.ends_at("highz_buf0", "A"), (std::set<std::string>{"highz_buf0{A}", "port:HIGHZ"}));
    EXPECT_EQ(module.ends_at("highz_buf0", "Y"), (std::set<std::string>{"highz_buf0{Y}", "PAD_DOUT1{OE}"}));
    Netlist expanded(dir.path(), "chip.c.sdb");
    expect_chain(expanded, 8);  // the tied enable has no control cell
}

// ---------------------------------------------------------------------------
// -add_tap with the pads in a pad module: the TDO pad's enable leaves the
// module through its own port, so the module gets no TDO-enable port.

TEST(PadRoads, AddTapOnThePadModuleRoad) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path(), {}, source_path("tests/fixtures/bscan/padmod/chip.v"));
    std::string chip = read_file(dir.path() / "chip.v");
    size_t tap = chip.find("  qdx_tap TAP");
    ASSERT_NE(tap, std::string::npos);
    chip.erase(tap, chip.find(";\n", tap) + 2 - tap);
    std::ofstream(dir.path() / "chip.v") << chip;
    std::string cells = replace_module(read_file(dir.path() / "cells.v"), "qdx_tap", "");
    std::ofstream(dir.path() / "cells.v") << cells;
    ASSERT_TRUE(testsupport::compile_chip_in(dir.path()));
    auto r = kestrand(dir.path(), {"-add_tap"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::string pads = read_file(dir.path() / "bscan_lib/pads_bs.cmd");
    EXPECT_EQ(pads.find("TDO_EN"), std::string::npos) << pads;
    Netlist module(dir.path(), "bscan_lib/pads_bs.sdb");
    EXPECT_EQ(module.ports().count("TDO_EN"), 0u);
    Netlist edited(dir.path(), "bscan_lib/chip_jtag.sdb");
    EXPECT_EQ(edited.ends_at("TAP", "TDO_EN"), (std::set<std::string>{"TAP{TDO_EN}", "u_pads{tdo_en}"}));
    expect_chain(Netlist(dir.path(), "chip.c.sdb"), 9);
}

// ---------------------------------------------------------------------------
// An active-low input ("-rst_n" in the pin list): the cell observes the
// inverted pad, and with the TAP in reset (the cells' MODE low) the core
// sees, for every input, what it saw in the chip before the insertion.

// The TAP controller in its reset state: every output low.
const char* kTapInReset = R"(module qdx_tap (TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET,
                first_Bcell, BOUNDARY_out);
  input TDI, TMS, TCK, TRST, BOUNDARY_out;
  output TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell;
  assign {TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell} = 9'b0;
endmodule
)";

// Every value of the chip's data inputs, and what the core and the
// outputs then see.
const char* kBench = R"(`timescale 1ns / 1ps
module bench;
  reg clk, rst_n, din0, din1;
  wire dout0, dout1, bidir0, tdo;
  chip dut (.clk(clk), .rst_n(rst_n), .din0(din0), .din1(din1), .dout0(dout0), .dout1(dout1), .bidir0(bidir0),
            .tdi(1'b0), .tms(1'b1), .tck(1'b0), .trst(1'b0), .tdo(tdo));
  integer i;
  initial begin
    for (i = 0; i < 16; i = i + 1) begin
      {clk, rst_n, din0, din1} = i;
      #1 $display("%b%b%b%b core %b%b%b %b out %b%b", clk, rst_n, din0, din1, dut.core.clk, dut.core.rst_n,
                  dut.core.din, dut.core.bidir_oe, dout0, dout1);
    end
    $finish;
  end
endmodule
)";

// The bench's lines on the netlist with the cells and the TAP in reset.
std::string simulate(const fs::path& dir, const std::string& netlist) {
    std::ofstream(dir / "bench.v") << kBench;
    std::ofstream(dir / "cells_reset.v") << replace_module(read_file(dir / "cells.v"), "qdx_tap", kTapInReset);
    auto c = testsupport::run({"iverilog", "-o", "sim.vvp", "bench.v", "cells_reset.v", netlist}, dir);
    EXPECT_EQ(c.status, 0) << c.out << c.err;
    auto r = testsupport::run({"vvp", "-n", "sim.vvp"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string lines;
    for (size_t at = 0; at < r.out.size();) {
        size_t nl = r.out.find('\n', at);
        std::string l = r.out.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        if (l.find(" core ") != std::string::npos) lines += l + "\n";
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    return lines;
}

TEST(PadRoads, ActiveLowInputKeepsWhatTheCoreSees) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), {{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"}}));
    auto r = kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    // The cell of rst_n: DATA_IN from the pad through one inverter ...
    std::string cell;
    for (const std::string& e : n.ends_at("PAD_RST_N", "Y"))
        if (n.cls(inst_of(e)) == "INV") cell = inst_of(e);
    ASSERT_FALSE(cell.empty()) << "no inverter behind PAD_RST_N{Y}";
    std::string bcell;
    for (const std::string& e : n.ends_at(cell, "Y"))
        if (pin_of(e) == "DI") bcell = inst_of(e);
    ASSERT_EQ(n.cls(bcell), "BC_IN");
    EXPECT_EQ(n.ends_at("PAD_RST_N", "Y"), (std::set<std::string>{"PAD_RST_N{Y}", cell + "{A}"}));
    // ... and DATA_OUT to the core through a second one.
    std::set<std::string> out = n.ends_at(bcell, "DO");
    ASSERT_EQ(out.size(), 2u);
    out.erase(bcell + "{DO}");
    std::string back = inst_of(*out.begin());
    EXPECT_EQ(n.cls(back), "INV");
    EXPECT_EQ(pin_of(*out.begin()), "A");
    bool reaches_core = false;
    for (const std::string& e : n.ends_at(back, "Y")) reaches_core = reaches_core || e.rfind("core{", 0) == 0;
    EXPECT_TRUE(reaches_core);

    if (!testsupport::have_program("iverilog") || !testsupport::have_program("vvp"))
        GTEST_SKIP() << "iverilog is not installed: the chip is not simulated";
    std::string before = simulate(dir.path(), "chip.v");
    std::string after = simulate(dir.path(), "chip_jtag.v");
    EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 16);
    EXPECT_EQ(after, before);
}

// ---------------------------------------------------------------------------
// -no_pad: din0 and dout0 without pads, straight at gates of the top; each
// port stands for its pad and its cell sits between it and the gate.

TEST(PadRoads, PortsWithoutPads) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const std::vector<Patch> patches = {
        {"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n", "  AND2 g0 (.A(din0), .B(din0), .Y(din_c[0]));\n"},
        {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n",
         "  AND2 g1 (.A(dout_c[0]), .B(dout_c[0]), .Y(dout0));\n"},
        {"cells.v", "",
         "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n"
         "`endcelldefine\n"}};
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), patches));
    // Without the option the gate is no pad buffer of the library.
    auto refused = kestrand(dir.path());
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(refused.out.find("FATAL: can't find the definition of buffer 'AND2' while tracing port 'din0'.\n"),
              std::string::npos)
        << refused.out;
    fs::remove_all(dir.path() / "bscan_lib");

    auto r = kestrand(dir.path(), {"-no_pad"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    std::set<std::string> at_din0 = n.ends_at("g0", "A");
    // The input cell: DATA_IN on the port, DATA_OUT on the gate's inputs.
    std::string in_cell;
    for (const std::string& e : at_din0)
        if (pin_of(e) == "DO") in_cell = inst_of(e);
    ASSERT_EQ(n.cls(in_cell), "BC_IN");
    EXPECT_EQ(at_din0, (std::set<std::string>{"g0{A}", "g0{B}", in_cell + "{DO}"}));
    std::set<std::string> port_in = n.ends_at(in_cell, "DI");
    EXPECT_EQ(port_in, (std::set<std::string>{"port:din0", in_cell + "{DI}"}));
    // The output cell: DATA_IN from the gate, DATA_OUT on the port.
    std::string out_cell;
    for (const std::string& e : n.ends_at("g1", "Y"))
        if (pin_of(e) == "DI") out_cell = inst_of(e);
    ASSERT_EQ(n.cls(out_cell), "BC_OUT");
    EXPECT_EQ(n.ends_at(out_cell, "DO"), (std::set<std::string>{"port:dout0", out_cell + "{DO}"}));
    expect_chain(n, 9);
}

// ---------------------------------------------------------------------------
// -vhdl: the edited netlist is written in VHDL, which ghdl analyses.

TEST(PadRoads, VhdlNetlist) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    auto r = kestrand(dir.path(), {"-vhdl"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("    .Modified netlist file was stored in file ./chip_jtag.vhd.\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "chip_jtag.vhd"));
    EXPECT_FALSE(fs::exists(dir.path() / "chip_jtag.v"));
    expect_chain(Netlist(dir.path(), "bscan_lib/chip_jtag.sdb"), 9);
    std::string vhdl = read_file(dir.path() / "chip_jtag.vhd");
    EXPECT_NE(vhdl.find("entity chip is"), std::string::npos);
    EXPECT_NE(vhdl.find("BCELL0_in : BC_IN"), std::string::npos);
    if (!testsupport::have_program("ghdl")) GTEST_SKIP() << "ghdl is not installed: the netlist is not analysed";
    fs::create_directory(dir.path() / "work");
    auto a = testsupport::run({"ghdl", "-a", "--workdir=work", "chip_jtag.vhd"}, dir.path());
    EXPECT_EQ(a.status, 0) << a.out << a.err;
}

}  // namespace
