// kestrand end to end on variants of the fixture chip that the main flow
// test does not run: a high-impedance group in a pad module, -add_tap on
// the pad-module road, an active-low input (simulated against the chip
// before the insertion), ports without pads (-no_pad), the VHDL netlist
// (-vhdl, analysed by ghdl), the pads that -add_pad adds to
// bidirectional ports, and ports whose first cell is no pad of theirs (the
// scan simulation of scan_sim_test.cpp with the yosys proof of the
// functional mode).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using scan_sim::ScanSim;
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

// True when the net of `end` is driven from the TAP pin `tap_end`,
// directly or through the BUF buffers of a tree.
bool driven_from(const Netlist& n, const std::string& end, const std::string& tap_end) {
    std::string net = n.net(inst_of(end), pin_of(end));
    for (int depth = 0; depth < 20 && !net.empty(); ++depth) {
        std::string up;
        for (const auto& e : n.ends(net)) {
            if (e == tap_end) return true;
            if (n.cls(inst_of(e)) == "BUF" && pin_of(e) == "Y") up = n.net(inst_of(e), "A");
        }
        net = up;
    }
    return false;
}

// Every control pin of every boundary cell driven from its TAP pin; the
// mux cells have no MODE pin.
void expect_controls(const Netlist& n) {
    const std::vector<std::pair<std::string, std::string>> pins = {
        {"SHIFT", "SHIFT_DR"}, {"CLOCK", "CLOCK_DR"}, {"UPDATE", "UPDATE_DR"}, {"MODE", "MODE1"}};
    for (const std::string& cell : n.of_class("BC_")) {
        bool mux = n.cls(cell) == "BC_OMUX" || n.cls(cell) == "BC_IMUX";
        for (auto& [pin, tap_pin] : pins) {
            if (mux && pin == "MODE") continue;
            EXPECT_TRUE(driven_from(n, cell + "{" + pin + "}", "TAP{" + tap_pin + "}"))
                << cell << "{" << pin << "} is not driven from TAP{" << tap_pin << "}";
        }
    }
}

// The boundary cells from the TAP's first-cell pin to its last-cell pin;
// every boundary cell of the design lies on it.
void expect_chain(const Netlist& n, size_t cells, const std::set<std::string>& own_cells = {}) {
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
    std::set<std::string> all = n.of_class("BC_");
    all.insert(own_cells.begin(), own_cells.end());
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), all);
    expect_controls(n);
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
    // The active-high enable takes the command through an inverter.
    EXPECT_EQ(module.ends_at("highz_buf0", "Y"), (std::set<std::string>{"highz_buf0{Y}", "B_PAD_INV0{A}"}));
    EXPECT_EQ(module.ends_at("B_PAD_INV0", "Y"), (std::set<std::string>{"B_PAD_INV0{Y}", "PAD_DOUT1{OE}"}));
    Netlist expanded(dir.path(), "chip_jtag.c.sdb");
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
    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"), 9);
}

// ---------------------------------------------------------------------------
// An active-low input ("-rst_n" in the pin list) takes its cell like any
// other pin: the cell observes the pad's own level (no inverter between
// them), and with the TAP in reset (the cells' MODE low) the core sees,
// for every input, what it saw in the chip before the insertion.  With
// -add_pad the added pad feeds the cell, whose DATA_OUT takes the port's
// load.

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

struct ActiveLowRun {
    std::string name;
    std::vector<Patch> patches;
    std::vector<std::string> options;
    std::string pad, pad_pin;  // the pad pin that feeds the cell
    std::string load;          // the instance that the cell's DATA_OUT feeds
};

void PrintTo(const ActiveLowRun& c, std::ostream* os) { *os << c.name; }

class ActiveLowInput : public ::testing::TestWithParam<ActiveLowRun> {};

TEST_P(ActiveLowInput, KeepsWhatTheCoreSees) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const ActiveLowRun& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches));
    auto r = kestrand(dir.path(), c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    // The cell: DATA_IN on the pad pin itself ...
    std::set<std::string> at_pad = n.ends_at(c.pad, c.pad_pin);
    ASSERT_EQ(at_pad.size(), 2u) << ::testing::PrintToString(at_pad);
    at_pad.erase(c.pad + "{" + c.pad_pin + "}");
    const std::string cell = inst_of(*at_pad.begin());
    EXPECT_EQ(pin_of(*at_pad.begin()), "DI");
    ASSERT_EQ(n.cls(cell), "BC_IN");
    // ... and DATA_OUT straight to the load the port had.
    std::set<std::string> out = n.ends_at(cell, "DO");
    out.erase(cell + "{DO}");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(inst_of(*out.begin()), c.load);
    EXPECT_TRUE(n.of_class("INV").empty()) << ::testing::PrintToString(n.of_class("INV"));

    if (!testsupport::have_program("iverilog") || !testsupport::have_program("vvp"))
        GTEST_SKIP() << "iverilog is not installed: the chip is not simulated";
    std::string before = simulate(dir.path(), "chip.v");
    std::string after = simulate(dir.path(), "chip_jtag.v");
    EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 16);
    EXPECT_EQ(after, before);
}

// din1 without a pad (for -add_pad), straight into a gate of the core.
const std::vector<Patch> kNoDin1Pad = {
    {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n", "  assign din_c[1] = din1;\n"},
    {"chip.v", "  slice u1 (.a(din[1]),", "  wire g1y;\n  AND2 g1 (.A(din[1]), .B(din[1]), .Y(g1y));\n  slice u1 (.a(g1y),"},
    {"cells.v", "", "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n`endcelldefine\n"},
    {"chip.pin", "DIN1    din1", "DIN1    -din1"}};

INSTANTIATE_TEST_SUITE_P(Table, ActiveLowInput,
                         ::testing::Values(ActiveLowRun{"pad", {{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"}}, {}, "PAD_RST_N", "Y", "core"},
                                           ActiveLowRun{"added_pad", kNoDin1Pad, {"-add_pad"}, "B_PAD0", "Y", "core"}),
                         [](const auto& info) { return info.param.name; });

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

// ---------------------------------------------------------------------------
// Pad kinds and cell arrangements that the fixture chip lacks, each added
// to it as one more pad (or a change of its cells), inserted by kestrand
// and applied by the netlist editor: the run ends well, the chain closes
// through every cell, and the named pins share a net.

// A model of a boundary cell with the fixture's control pins and the
// given data pins.
std::string cell_model(const std::string& name, const std::string& ins, const std::string& outs,
                       const std::string& body, bool mode = true) {
    std::string m = mode ? ", MODE" : "";
    return "\n`celldefine\nmodule " + name + " (" + ins + ", " + outs + ", SI, SO, SHIFT, CLOCK, UPDATE" + m +
           ");\n  input " + ins + ", SI, SHIFT, CLOCK, UPDATE" + m + ";\n  output " + outs +
           ", SO;\n  reg capture, hold;\n  always @(posedge CLOCK) capture <= SHIFT ? SI : 1'b0;\n"
           "  always @(posedge UPDATE) hold <= capture;\n  assign SO = capture;\n" + body + "endmodule\n`endcelldefine\n";
}

// The gates of the new pad's core side: bm_o and bm_oe driven from the
// core's inputs, bm_i loaded by a gate.
const char* kBmGates =
    "  wire bm_o, bm_oe, bm_i, bm_y;\n  INV gbm0 (.A(din_c[0]), .Y(bm_o));\n  INV gbm1 (.A(din_c[1]), .Y(bm_oe));\n";
const char* kBmLoad = "  INV gbm2 (.A(bm_i), .Y(bm_y));\n";

// A new port of the chip (declaration "inout bm" ...) on pin 15, with its
// pad instance and the gates of its core side.
std::vector<Patch> new_pad(const std::string& port, const std::string& declaration, const std::string& pin_row,
                           const std::string& instances) {
    return {{"chip.v", "bidir0, tdi, tms, tck, trst, tdo);", "bidir0, " + port + ", tdi, tms, tck, trst, tdo);"},
            {"chip.v", "  inout bidir0;\n", "  inout bidir0;\n  " + declaration + ";\n"},
            {"chip.v", "  core core (",
             std::string(kBmGates) + (declaration.rfind("inout", 0) == 0 ? kBmLoad : "") + instances + "  core core ("},
            {"chip.pin", "15  VDD     *       *", pin_row}};
}

// The TAP with a MODE_2 pin, for pads with a second mux input.
const std::vector<Patch> kTapMode2 =
    std::vector<Patch>{{"chip.lib", "%MODE_1 MODE1;", "%MODE_1 MODE1; %MODE_2 MODE2;"}} + add_bcm::kDesignTapMode2;

// Mux bidirectional pads and their cells.
std::vector<Patch> mux_bidir(bool two) {
    std::string pad = two ? "PIN_BM2" : "PIN_BM1";
    std::string ports = two ? "A, OE, Y, PAD, M1, S1, M2, S2" : "A, OE, Y, PAD, M1, S1";
    std::string ins = two ? "A, OE, M1, S1, M2, S2" : "A, OE, M1, S1";
    std::string model = "\n`celldefine\nmodule " + pad + " (" + ports + ");\n  input " + ins +
                        ";\n  output Y;\n  inout PAD;\n  assign PAD = OE ? (S1 ? M1 : A) : 1'bz;\n  assign Y = " +
                        (two ? "S2 ? M2 : PAD" : "PAD") + ";\nendmodule\n`endcelldefine\n";
    std::string lib = "\n%BUFFER " + pad + " { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE;"
                      " %MUX_IN1 M1; %MODE_1 S1;" + (two ? " %MUX_IN2 M2; %MODE_2 S2;" : "") + " }\n"
                      "%SCAN_CELL BC_BMUX { %DATA_IN DI; %SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %UPDATE_DR_OUT UO;"
                      " %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }\n"
                      "%SCAN_CELL BC_OMUX { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
                      " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n"
                      "%SCAN_CELL BC_IMUX { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
                      " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n";
    std::string cells = model + cell_model("BC_BMUX", "DI, FROM_PAD", "TO_CORE, UO", "  assign TO_CORE = FROM_PAD;\n  assign UO = hold;\n") +
                        cell_model("BC_OMUX", "DI", "UO", "  assign UO = hold;\n", false) +
                        cell_model("BC_IMUX", "DI", "UO", "  assign UO = hold;\n", false);
    std::string inst = "  " + pad + " PAD_BM (.A(bm_o), .OE(bm_oe), .Y(bm_i), .PAD(bm), .M1(1'b0), .S1(1'b0)" +
                       (two ? ", .M2(1'b0), .S2(1'b0)" : "") + ");\n";
    std::vector<Patch> v = new_pad("bm", "inout bm", "15  BM      bm      inout   PAD(" + pad + ") PAD_EN_H", inst) +
                           std::vector<Patch>{{"cells.v", "", cells}, {"chip.lib", "", lib}};
    return two ? v + kTapMode2 : v;
}

std::vector<Patch> scan_cells(const std::string& from, const std::string& to) { return {{"chip.bsc", from, to}}; }

// A %BS_BUFFER output pad that carries its own boundary and control
// cells.
std::vector<Patch> own_control_pad() {
    std::string lib = "\n%BS_BUFFER PIN_BSO { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI; %DATA_OUT DO; %TDI SI;"
                      " %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %CONTROL_BCELL C0; }\n";
    std::string model =
        cell_model("PIN_BSO", "A, OE, DI", "PAD, DO", "  assign DO = MODE ? hold : A;\n  assign PAD = OE ? DO : 1'bz;\n");
    return new_pad("bm", "output bm", "15  BM      bm      out     PAD(PIN_BSO) PAD_EN_H",
                   "  PIN_BSO PAD_BM (.A(bm_o), .OE(bm_oe), .PAD(bm));\n") +
           std::vector<Patch>{{"cells.v", "", model}, {"chip.lib", "", lib}};
}

// Output cells with an output-enable mode pin, and their control cell.
std::vector<Patch> oe_cells() {
    std::string lib =
        "\n%SCAN_CELL BC_OE { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
        " %UPDATE_DR UPDATE; %MODE_1 MODE; %OE_MODE OEM; }\n"
        "%SCAN_CELL BC_CTRL_OE { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
        " %UPDATE_DR UPDATE; %MODE_1 MODE; %OE_MODE OEM; }\n";
    // The control cell tells the output cell its enable state.
    std::string cells = cell_model("BC_OE", "DI, OEM", "DO", "  assign DO = MODE ? hold : DI;\n") +
                        cell_model("BC_CTRL_OE", "DI", "DO, OEM", "  assign DO = MODE ? hold : DI;\n  assign OEM = DO;\n");
    return new_pad("bm", "inout bm", "15  BM      bm      inout   PAD(PIN_BIDIR) PAD_EN_H",
                   "  PIN_BIDIR PAD_BM (.A(bm_o), .OE(bm_oe), .Y(bm_i), .PAD(bm));\n") +
           std::vector<Patch>{{"cells.v", "", cells},
                              {"chip.lib", "", lib},
                              {"chip.bsc", "    %OUTPUT_SCAN  BC_OUT;\n    %BIDIR_SCAN   BC_BIDIR;\n",
                               "    %OUTPUT_SCAN  BC_OE;\n    %CONTROL_OE_SCAN BC_CTRL_OE;\n"}};
}

// A differential output pad on pins 15 and 16.
std::vector<Patch> differential_output() {
    return new_pad("dp, dn", "output dp, dn", "15  DP      dp      out     PAD(LVDS_TX)\n16  DN      dn      out     PAD(LVDS_TX)",
                   "  LVDS_TX TX (.A(bm_o), .PADP(dp), .PADN(dn));\n") +
           std::vector<Patch>{{"chip.pin", "16  VSS     *       *\n", ""},
                              {"chip.lib", "", "\n%DIFFERENTIAL_VOLTAGE LVDS_TX { %INPUT A; %OUTPUT_P PADP; %OUTPUT_M PADN; }\n"},
                              {"cells.v", "",
                               "\n`celldefine\nmodule LVDS_TX (A, PADP, PADN);\n  input A;\n  output PADP, PADN;\n"
                               "  assign PADP = A;\n  assign PADN = ~A;\nendmodule\n`endcelldefine\n"}};
}

// A transparent buffer between the din0 pad and the core.
const std::vector<Patch> kTransparent = {
    {"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n",
     "  wire din0_p;\n  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din0_p));\n  TBUF tb0 (.A(din0_p), .Y(din_c[0]));\n"},
    {"chip.lib", "", "\n%BUFFER TBUF { %INPUT A; %OUTPUT Y; }\n"},
    {"chip.bsc", "", "\n%TRANSPARENT_BUFFER { TBUF; }\n"},
    {"cells.v", "", "\n`celldefine\nmodule TBUF (A, Y);\n  input A;\n  output Y;\n  assign Y = A;\nendmodule\n`endcelldefine\n"}};

// din0 and dout0 without pads, on a cell of `type` in their pads' places.
std::vector<Patch> din0_dout0_on(const std::string& type) {
    std::string t = type + std::string(10 - type.size(), ' ');
    return {{"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n", "  " + t + "UI         (.A(din0), .Y(din_c[0]));\n"},
            {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n",
             "  " + t + "UO         (.A(dout_c[0]), .Y(dout0));\n"}};
}

// BUF1, a buffer that the library declares with %FUNCTION buf and the
// TAP's trees take as their %SIGNAL_BUFFER.
const std::vector<Patch> kBufferOfFunctionBuf = {
    {"chip.lib", "%BUFFER BUF       { %INPUT A; %OUTPUT Y; }",
     "%BUFFER BUF       { %INPUT A; %OUTPUT Y; }\n%BUFFER BUF1      { %FUNCTION buf; %INPUT A; %OUTPUT Y; }"},
    {"chip.lib", "%SIGNAL_BUFFER BUF;", "%SIGNAL_BUFFER BUF1;"},
    {"cells.v", "",
     "\n`celldefine\nmodule BUF1 (A, Y);\n  input A;\n  output Y;\n  assign Y = A;\nendmodule\n`endcelldefine\n"}};

// oe_n, an input port without a pad, straight on the enable of dout1's
// pad (with its own pad PAD_OEN in `with_pad`).  `control_first` moves
// dout1's row of the pin file after TDO's, before oe_n's, so that dout1's
// control cell, which takes its data from oe_n, is cut in before oe_n's
// cell (the register runs from TDO round the pin file).
std::vector<Patch> enable_port(bool with_pad, bool control_first) {
    std::vector<Patch> p = {
        {"chip.v",
         "module chip (clk, rst_n, din0, din1, dout0, dout1, bidir0, tdi, tms, tck, trst, tdo);\n"
         "  input clk, rst_n, din0, din1;",
         "module chip (clk, rst_n, din0, din1, dout0, dout1, bidir0, tdi, tms, tck, trst, tdo, oe_n);\n"
         "  input clk, rst_n, din0, din1, oe_n;"},
        {"chip.pin", "15  VDD     *       *", "15  OE_N    oe_n    in      PAD(PIN_IN)"},
        {"chip.v", ".OE(dout1_oe), .PAD(dout1)", with_pad ? ".OE(oe_c), .PAD(dout1)" : ".OE(oe_n), .PAD(dout1)"}};
    if (with_pad)
        p.push_back({"chip.v", "  PIN_CLK   PAD_CLK", "  wire oe_c;\n  PIN_IN    PAD_OEN    (.PAD(oe_n), .Y(oe_c));\n  PIN_CLK   PAD_CLK"});
    const std::string dout1 = "6   DOUT1   dout1   out     PAD(PIN_TRI) PAD_EN_H\n";
    if (control_first) p = p + std::vector<Patch>{{"chip.pin", dout1, ""}, {"chip.pin", "15  OE_N", dout1 + "15  OE_N"}};
    return p;
}

// bidir0 without its pad, for -add_pad: a gate of the top that reads it.
const std::string kReadGate = "  AND2 gr (.A(bidir0), .B(bidir0), .Y(bidir0_i));\n";

// bidir0 without its pad, read by a gate of the top.
std::vector<Patch> inout_read_only(bool in_pad_module = false) {
    return scan_sim::bidir0_without_pad(kReadGate, in_pad_module) + std::vector<Patch>{scan_sim::kAnd2Model};
}
// bidir0 without its pad, driven by a gate of the top (from din0, through
// the core) and read by another.
std::vector<Patch> inout_driven(bool in_pad_module = false) {
    return scan_sim::bidir0_without_pad("  AND2 gd (.A(bidir0_o), .B(bidir0_o), .Y(bidir0));\n" + kReadGate,
                                        in_pad_module) +
           std::vector<Patch>{{"chip.v", "  assign bidir_out = bidir_in;",
                               "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"},
                              scan_sim::kAnd2Model};
}

// The same with the library's own buffers in the gates' place: a core
// buffer of a type the library declares (BUF, also the TAP's
// %SIGNAL_BUFFER) that reads bidir0, or that drives it (or an inverter,
// INV) while another reads it.  Neither is a bidirectional pad of the
// port, which -add_pad gives it as for the gates.
const std::string kReadBuffer = "  BUF gr (.A(bidir0), .Y(bidir0_i));\n";
std::vector<Patch> inout_on_library_buffers(const char* driver) {
    return scan_sim::bidir0_without_pad(driver ? std::string("  ") + driver + " gd (.A(bidir0_o), .Y(bidir0));\n" +
                                                     kReadBuffer
                                               : kReadBuffer) +
           std::vector<Patch>{{"chip.v", "  assign bidir_out = bidir_in;",
                               "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"}};
}

struct KindRun {
    std::string name;
    std::vector<Patch> patches;
    const char* listed;           // the kind the pin list shows for the new pad (none: not checked)
    size_t cells;                 // boundary cells of class BC_*
    std::set<std::string> own;    // pads that are their own cell, in the chain too
    // "inst{pin}=CLASS{pin}": the net of the first holds a pin of that
    // class; "inst{pin}=inst{pin}": both on one net; "a==b": a net of
    // these two alone, no constant; "inst{pin}<TAP{pin}": driven from the TAP pin
    // through the trees.
    std::vector<std::string> joined;
    std::vector<std::string> options{};  // of kestrand
};

void PrintTo(const KindRun& c, std::ostream* os) { *os << c.name; }

class KindRuns : public ::testing::TestWithParam<KindRun> {};

TEST_P(KindRuns, EditedAndConnected) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const KindRun& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches));
    auto r = kestrand(dir.path(), c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    expect_chain(n, c.cells + c.own.size(), c.own);
    for (const std::string& j : c.joined) {
        SCOPED_TRACE(j);
        size_t from = j.find('<');
        if (from != std::string::npos) {
            EXPECT_TRUE(driven_from(n, j.substr(0, from), j.substr(from + 1)));
            continue;
        }
        size_t both = j.find("==");
        if (both != std::string::npos) {
            std::string a = j.substr(0, both), b = j.substr(both + 2);
            EXPECT_EQ(n.ends_at(inst_of(a), pin_of(a)), (std::set<std::string>{a, b}));
            std::string net = n.net(inst_of(a), pin_of(a));
            EXPECT_TRUE(net != "GND" && net != "VCC") << "on the constant " << net;
            continue;
        }
        size_t eq = j.find('=');
        std::string a = j.substr(0, eq), b = j.substr(eq + 1);
        std::set<std::string> ends = n.ends_at(inst_of(a), pin_of(a));
        bool found = ends.count(b) > 0;
        for (const std::string& e : ends) found = found || (n.cls(inst_of(e)) == inst_of(b) && pin_of(e) == pin_of(b));
        EXPECT_TRUE(found) << "net of " << a << " holds no " << b;
    }
    if (c.listed) {
        std::string bso = read_file(dir.path() / "chip.bso");
        EXPECT_NE(bso.find(std::string(" ") + c.listed + " "), std::string::npos) << bso;
    }
    if (testsupport::have_program("yosys")) {
        auto y = testsupport::run({"yosys", "-q", "-p", "read_verilog chip_jtag.v cells.v; hierarchy -check -top chip; check -assert"},
                                  dir.path());
        EXPECT_EQ(y.status, 0) << y.out << y.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, KindRuns,
    ::testing::Values(
        // PAD_MUX_BIDIR1: one mux cell; its update output takes the tied MUX_IN1.
        KindRun{"mux_bidir_one_input",
                mux_bidir(false) + scan_cells("    %CONTROL_SCAN BC_CTRL;\n", "    %CONTROL_SCAN BC_CTRL;\n    %BIDIR_MUX_SCAN BC_BMUX;\n"),
                nullptr, 11, {},
                {"PAD_BM{Y}=BC_BMUX{FROM_PAD}", "gbm2{A}=BC_BMUX{TO_CORE}", "PAD_BM{A}=BC_BMUX{DI}",
                 "PAD_BM{M1}=BC_BMUX{UO}", "PAD_BM{OE}=BC_CTRL{DO}", "gbm1{Y}=BC_CTRL{DI}"}},
        // PAD_MUX_BIDIR2: the same with a second mux input.
        KindRun{"mux_bidir_two_inputs",
                mux_bidir(true) + scan_cells("    %CONTROL_SCAN BC_CTRL;\n", "    %CONTROL_SCAN BC_CTRL;\n    %BIDIR_MUX_SCAN BC_BMUX;\n"),
                nullptr, 11, {},
                {"PAD_BM{Y}=BC_BMUX{FROM_PAD}", "gbm2{A}=BC_BMUX{TO_CORE}", "PAD_BM{M1}=BC_BMUX{UO}",
                 "PAD_BM{S2}<TAP{MODE2}", "PAD_BM{S1}<TAP{MODE1}"}},
        // PAD_MUX_INOUT1 and PAD_MUX_INOUT2: an output mux cell and an input (mux) cell.
        KindRun{"mux_inout_one_input",
                mux_bidir(false) + scan_cells("    %CONTROL_SCAN BC_CTRL;\n", "    %CONTROL_SCAN BC_CTRL;\n    %OUTPUT_MUX_SCAN BC_OMUX;\n"),
                nullptr, 12, {},
                {"PAD_BM{Y}=BC_IN{DI}", "PAD_BM{A}=BC_OMUX{DI}", "PAD_BM{M1}=BC_OMUX{UO}", "PAD_BM{OE}=BC_CTRL{DO}"}},
        KindRun{"mux_inout_two_inputs",
                mux_bidir(true) + scan_cells("    %CONTROL_SCAN BC_CTRL;\n",
                                             "    %CONTROL_SCAN BC_CTRL;\n    %OUTPUT_MUX_SCAN BC_OMUX;\n    %INPUT_MUX_SCAN BC_IMUX;\n"),
                nullptr, 12, {},
                {"PAD_BM{Y}=BC_IMUX{DI}", "PAD_BM{M1}=BC_OMUX{UO}", "PAD_BM{M2}=BC_IMUX{UO}", "PAD_BM{S2}<TAP{MODE2}"}},
        // PAD_INOUT with output-enable cells: the control cell's OE_MODE
        // joins the output part's.
        KindRun{"inout_with_oe_cells", oe_cells(), "inout", 12, {},
                {"PAD_BM{Y}=BC_IN{DI}", "gbm2{A}=BC_IN{DO}", "PAD_BM{A}=BC_OE{DO}", "gbm0{Y}=BC_OE{DI}",
                 "PAD_BM{OE}=BC_CTRL_OE{DO}", "PAD_DOUT1{OE}=BC_CTRL_OE{DO}"}},
        // A pad with its own control cell first in the register, dout1's
        // enable tied: the high-impedance buffer serves dout1 alone.
        KindRun{"own_control_cell_and_tied_enable",
                own_control_pad() + std::vector<Patch>{{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"}},
                nullptr, 8, {"PAD_BM"},
                {"PAD_DOUT1{OE}=B_PAD_INV0{Y}", "B_PAD_INV0{A}=highz_buf0{Y}", "highz_buf0{A}=TAP{HIGHZ}",
                 "PAD_BM{OE}=gbm1{Y}"}},
        // A tied enable while the TAP's high-impedance output is tied
        // off in the design and no cell has a HIGHZ pin: the tie goes.
        KindRun{"tied_enable_and_tied_tap_highz",
                {{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"}, {"chip.v", ".HIGHZ(),", ".HIGHZ(1'b0),"}},
                nullptr, 8, {},
                {"highz_buf0{A}==TAP{HIGHZ}", "PAD_DOUT1{OE}==B_PAD_INV0{Y}", "B_PAD_INV0{A}==highz_buf0{Y}"}},
        // A differential output: one output cell before its data input.
        KindRun{"differential_output", differential_output(), "output2", 10, {}, {"TX{A}=BC_OUT{DO}", "gbm0{Y}=BC_OUT{DI}"}},
        // A transparent buffer in front of the core stands for din0's pad.
        KindRun{"transparent_buffer", kTransparent, nullptr, 9, {},
                {"tb0{Y}=BC_IN{DI}", "PAD_DIN0{Y}=tb0{A}", "core{din[0]}=BC_IN{DO}"}},
        // -add_pad on bidir0, driven by a gate of the top and read by
        // another: the driver leaves the port's net for the output part's
        // data, and the reader takes the input part's, which the added pad
        // feeds.
        KindRun{"added_inout_pad_on_a_driven_port", inout_driven(), nullptr, 10, {},
                {"gd{Y}==BCELL7_inout{DI}", "gr{A}=BC_IN{DO}", "B_PAD0{Y}=BC_IN{DI}", "B_PAD0{A}=BC_OUT{DO}",
                 "B_PAD0{OE}=BC_CTRL{DO}", "B_PAD0{PAD}=port:bidir0"},
                {"-add_pad"}},
        // -no_pad on ports whose first cell is no pad (FirstCellIsNoPad
        // below): each port stands for its pad, its cell between the port
        // and the inverter, or the enable's control cell.
        KindRun{"inverters_no_pad", din0_dout0_on("INV"), nullptr, 9, {},
                {"BCELL2_in{DI}==port:din0", "UI{A}==BCELL2_in{DO}", "BCELL4_out{DO}==port:dout0",
                 "UO{Y}==BCELL4_out{DI}"},
                {"-no_pad"}},
        KindRun{"enable_no_pad", enable_port(false, false), nullptr, 10, {},
                {"BCELL0_in{DI}==port:oe_n", "BCELL0_in{DO}==BCELL7_out{DI}", "PAD_DOUT1{OE}==BCELL7_out{DO}"},
                {"-no_pad"}},
        KindRun{"enable_no_pad_control_cell_first", enable_port(false, true), nullptr, 10, {},
                {"BCELL2_in{DI}==port:oe_n", "BCELL2_in{DO}==BCELL1_out{DI}", "PAD_DOUT1{OE}==BCELL1_out{DO}"},
                {"-no_pad"}}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// -add_pad on a bidirectional port without a pad: the added pad's enable
// takes a control cell whose data is tied to the level that keeps the pin
// as it was, so that in functional mode the pad drives the pin exactly
// when the core drove the port before: never for a port that the core
// only reads (the disabling level), always for one that a two-state
// output of the core drives (the enabling level, the pad then driving the
// core's value).  The core reads the pin through the pad, from the input
// part's DATA_OUT: a driving output leaves the port's net for the output
// part's data.  Each with an active-high and an active-low enable, a
// driver in the top and one in a module of the core, in the top beside a
// pad module (the top is then one of several IO-pad modules) and with
// -add_tap; the chip behaves as its BSDL says, and with the TAP in reset
// as before.

const char* const kPadModule = "tests/fixtures/bscan/padmod/chip.v";

// The read-only bidir0's level, as the core reads it back, on dout0.
const Patch kReadBackOnDout0{"chip.v", "PAD_DOUT0  (.A(dout_c[0]),", "PAD_DOUT0  (.A(bidir0_o),"};
// bidir0 driven by an output of the core module (a gate inside it) and
// read by a gate of the top.
const std::vector<Patch> kInoutDrivenByTheCore =
    scan_sim::bidir0_without_pad(kReadGate) +
    std::vector<Patch>{{"chip.v", ".bidir_out(bidir0_o),", ".bidir_out(bidir0),"},
                       {"chip.v", "  assign bidir_out = bidir_in;", "  AND2 ca (.A(din[0]), .B(din[1]), .Y(bidir_out));"},
                       scan_sim::kAnd2Model};

// The chip of several IO-pad modules (tests/fixtures/bscan/hier/io_pair.v)
// with dout1's pad, or bidir0's, taken out of module pads and gates of the
// top in its place (bidir0 driven from din0 through the core, and read).
const char* const kIoPair = "tests/fixtures/bscan/hier/io_pair.v";
const std::vector<Patch> kIoPairDout1DrivenByAGate = {
    {"chip.v", "module pads (clk, rst_n, dout1, bidir0,", "module pads (clk, rst_n, bidir0,"},
    {"chip.v", "  output dout1;\n  inout bidir0;\n", "  inout bidir0;\n"},
    {"chip.v", "  input dout1_c, dout1_oe;\n", ""},
    {"chip.v", "  PIN_TRI   PAD_DOUT1  (.A(dout1_c), .OE(dout1_oe), .PAD(dout1));\n", ""},
    {"chip.v", "clk_c, rst_n_c, dout1_c, dout1_oe, bidir0_i,", "clk_c, rst_n_c, bidir0_i,"},
    {"chip.v", ".dout1(dout1), .bidir0(bidir0)", ".bidir0(bidir0)"},
    {"chip.v", " .dout1_c(dout_c[1]), .dout1_oe(dout1_oe),", ""},
    {"chip.v", "  qdx_tap TAP (", "  AND2 gt (.A(dout_c[1]), .B(dout_c[1]), .Y(dout1));\n  qdx_tap TAP ("},
    scan_sim::kAnd2Model};
const std::vector<Patch> kIoPairBidir0Driven = {
    {"chip.v", "module pads (clk, rst_n, dout1, bidir0, tdi", "module pads (clk, rst_n, dout1, tdi"},
    {"chip.v", "  inout bidir0;\n", ""},
    {"chip.v", "  output bidir0_i;\n  input bidir0_o, bidir0_oe;\n", ""},
    {"chip.v", "  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));\n", ""},
    {"chip.v", "dout1_c, dout1_oe, bidir0_i, bidir0_o, bidir0_oe,", "dout1_c, dout1_oe,"},
    {"chip.v", ".bidir0(bidir0), .tdi(tdi)", ".tdi(tdi)"},
    {"chip.v", "               .bidir0_i(bidir0_i), .bidir0_o(bidir0_o), .bidir0_oe(bidir0_oe),\n", ""},
    {"chip.v", "  qdx_tap TAP (",
     "  AND2 gd (.A(bidir0_o), .B(bidir0_o), .Y(bidir0));\n  AND2 gr (.A(bidir0), .B(bidir0), .Y(bidir0_i));\n"
     "  qdx_tap TAP ("},
    {"chip.v", "  assign bidir_out = bidir_in;", "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"},
    scan_sim::kAnd2Model};

scan_sim::ScanCase added_inout_pad(const std::string& name, scan_sim::Prepare prepare,
                                   scanharness::Road road = scanharness::Road::Default) {
    scan_sim::ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.options = {"-add_pad"};
    // The added pad's enable inverted: it drives where it did not, or the
    // other way round.
    c.mutants = {{"", "B_PAD0", name.find("active_low") == std::string::npos ? "OE" : "OEN"}};
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    AddedInoutPads, ScanSim,
    ::testing::Values(
        added_inout_pad("read_only_port", scan_sim::fixture(inout_read_only())),
        added_inout_pad("read_only_port_active_low_enable",
                        scan_sim::fixture(inout_read_only() + scan_sim::kActiveLowInoutPad)),
        added_inout_pad("read_only_port_read_back_on_an_output",
                        scan_sim::fixture(inout_read_only() + std::vector<Patch>{kReadBackOnDout0})),
        added_inout_pad("driven_port", scan_sim::fixture(inout_driven())),
        added_inout_pad("driven_port_active_low_enable", scan_sim::fixture(inout_driven() + scan_sim::kActiveLowInoutPad)),
        added_inout_pad("driven_port_by_the_core_module", scan_sim::fixture(kInoutDrivenByTheCore)),
        added_inout_pad("read_only_port_by_a_library_buffer", scan_sim::fixture(inout_on_library_buffers(nullptr))),
        added_inout_pad("driven_port_by_a_library_buffer", scan_sim::fixture(inout_on_library_buffers("BUF"))),
        added_inout_pad("driven_port_by_a_library_inverter", scan_sim::fixture(inout_on_library_buffers("INV"))),
        added_inout_pad("read_only_port_beside_a_pad_module", scan_sim::fixture(inout_read_only(true), kPadModule)),
        added_inout_pad("driven_port_beside_a_pad_module", scan_sim::fixture(inout_driven(true), kPadModule)),
        added_inout_pad("driven_port_beside_io_pad_modules", scan_sim::fixture(kIoPairBidir0Driven, kIoPair)),
        added_inout_pad("driven_port_add_tap", scan_sim::placed_chip(inout_driven(), "", scanharness::Road::AddTap),
                        scanharness::Road::AddTap),
        // Under a TAP with HIGHZ and control cells with a HIGHZ pin: the
        // added pad's control cell floats the pin as the others do.
        added_inout_pad("driven_port_highz", scan_sim::fixture(inout_driven() + scan_sim::kUsercodeClampHighz +
                                                                scan_sim::kHighzControlCell)),
        // Beside a three-state pad that floats itself under HIGHZ (its own
        // cell's HIGHZ pin), with control cells without one: the added pad
        // keeps driving, so the run warns and the BSDL leaves HIGHZ out.
        [] {
            scan_sim::ScanCase c = added_inout_pad(
                "driven_port_beside_a_pad_with_a_highz_pin",
                scan_sim::fixture(inout_driven() + scan_sim::kUsercodeClampHighz + scan_sim::kOwnHighzTriBidirModels +
                                  std::vector<Patch>{{"chip.v", "  PIN_TRI   PAD_DOUT1  (", "  PIN_BSTZ  PAD_DOUT1  ("},
                                                     {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_BSTZ) PAD_EN_H\n7"}}));
            c.highz_left_out = true;
            c.drive_under_highz = {"bidir0"};
            return c;
        }()),
    [](const auto& info) { return info.param.name; });

// An output port without a pad whose pin-file row names a three-state pad
// (dout1's PIN_TRI, or PIN_TRIN with an active-low enable), driven by a
// gate of the top: the pad that -add_pad adds drives the pin all the time,
// as the gate did, its enable tied to the enabling level; the inverted
// enable leaves the pin floating.
const std::vector<Patch> kDout1DrivenByAGate = {
    {"chip.v", "  PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));\n",
     "  AND2 gt (.A(dout_c[1]), .B(dout_c[1]), .Y(dout1));\n"},
    scan_sim::kAnd2Model};

scan_sim::ScanCase added_output_pad(const std::string& name, std::vector<Patch> patches, const std::string& enable) {
    scan_sim::ScanCase c;
    c.name = name;
    c.prepare = scan_sim::fixture(std::move(patches));
    c.options = {"-add_pad"};
    c.mutants = {{"", "B_PAD0", enable}};
    c.control_cells = 1;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    AddedThreeStateOutputPads, ScanSim,
    ::testing::Values(added_output_pad("active_high_enable", kDout1DrivenByAGate, "OE"),
                      added_output_pad("active_low_enable",
                                       kDout1DrivenByAGate + scan_sim::kActiveLowTriPad +
                                           std::vector<Patch>{{"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_TRIN)\n7"}},
                                       "OEN"),
                      [] {
                          // The gate in the pad module in the pad's place:
                          // the added pad goes into the top.
                          scan_sim::ScanCase c = added_output_pad("active_high_enable_beside_a_pad_module", {}, "OE");
                          c.prepare = scan_sim::fixture(kDout1DrivenByAGate, kPadModule);
                          return c;
                      }(),
                      [] {
                          scan_sim::ScanCase c = added_output_pad("active_high_enable_add_tap", {}, "OE");
                          c.road = scanharness::Road::AddTap;
                          c.prepare = scan_sim::placed_chip(kDout1DrivenByAGate, "", c.road);
                          return c;
                      }(),
                      // Under CLAMP and HIGHZ the pad drives as any two-state output.
                      added_output_pad("active_high_enable_with_clamp_and_highz",
                                       kDout1DrivenByAGate + scan_sim::kUsercodeClampHighz + scan_sim::kHighzControlCell,
                                       "OE"),
                      [] {
                          scan_sim::ScanCase c = added_output_pad("active_high_enable_beside_io_pad_modules", {}, "OE");
                          c.prepare = scan_sim::fixture(kIoPairDout1DrivenByAGate, kIoPair);
                          return c;
                      }()),
    [](const auto& info) { return info.param.name; });

// An input port without a pad, read by a gate of the top beside the pad
// module that holds the other pads: the pad that -add_pad adds sits on
// the top's port, so that the top is one of several IO-pad modules and
// takes its cell (the pad module has no such port).
const std::vector<Patch> kInputBesideThePadModule = {
    {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n", ""},
    {"chip.v", "  core core (", "  wire din1_c;\n  AND2 g1 (.A(din1), .B(din1), .Y(din1_c));\n  core core ("},
    {"chip.v", ".din(din_c),", ".din({din1_c, din_c[0]}),"},
    scan_sim::kAnd2Model};

INSTANTIATE_TEST_SUITE_P(AddedPadsBesideAPadModule, ScanSim,
                         ::testing::Values([] {
                             scan_sim::ScanCase c;
                             c.name = "input_port";
                             c.prepare = scan_sim::fixture(kInputBesideThePadModule, kPadModule);
                             c.options = {"-add_pad"};
                             c.mutants = {{"", "B_PAD0", "PAD"}};
                             return c;
                         }()),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Ports whose net reaches a library buffer first that is no pad of theirs
// by what it does in the chip: a core buffer of a type the library
// declares (%FUNCTION buf, the type of the TAP's %SIGNAL_BUFFER too), an
// inverter (%INV_BUFFER INV), a pad whose enable the port drives.  A
// buffer that passes the pin's data on is the port's pad, whatever its
// %FUNCTION says, and takes the cell behind it; behind an inverter or an
// enable a cell would not see or drive the pin, so -add_pad gives the
// port a pad of its own and -no_pad lets the port stand for its pad (the
// road that takes every pad from the design refuses them: refusal_test).
// Every pin has its row in the BSDL file and behaves as it says (-no_pad,
// of whose ports tallowmere writes no rows, in the KindRuns table).  A
// port on an enable both feeds that pad's control cell and takes a cell of
// its own: whichever of the two is cut in first, the control cell reads
// the port's cell.

scan_sim::ScanCase no_pad_case(const std::string& name, std::vector<Patch> patches, std::vector<std::string> options,
                               std::vector<scan_sim::Mutant> mutants, scanharness::Road road = scanharness::Road::Default) {
    scan_sim::ScanCase c;
    c.name = name;
    c.prepare = road == scanharness::Road::Default ? scan_sim::fixture(std::move(patches))
                                                   : scan_sim::notap_fixture(std::move(patches));
    c.options = std::move(options);
    c.mutants = std::move(mutants);
    c.road = road;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    FirstCellIsNoPad, ScanSim,
    ::testing::Values(
        no_pad_case("buffer_of_function_buf", kBufferOfFunctionBuf + din0_dout0_on("BUF1"), {},
                    {{"", "UI", "A"}, {"", "UO", "Y"}}),
        no_pad_case("buffer_of_function_buf_add_pad", kBufferOfFunctionBuf + din0_dout0_on("BUF1"), {"-add_pad"},
                    {{"", "UI", "A"}}),
        no_pad_case("inverter_add_pad", din0_dout0_on("INV"), {"-add_pad"}, {{"", "B_PAD0", "PAD"}, {"", "B_PAD1", "A"}}),
        no_pad_case("enable_add_pad", enable_port(false, false), {"-add_pad"}, {{"", "B_PAD0", "PAD"}}),
        no_pad_case("enable_add_pad_control_cell_first", enable_port(false, true), {"-add_pad"},
                    {{"", "PAD_DOUT1", "OE"}}),
        no_pad_case("enable_from_its_pad", enable_port(true, false), {}, {{"", "PAD_OEN", "PAD"}}),
        no_pad_case("enable_from_its_pad_control_cell_first", enable_port(true, true), {}, {{"", "PAD_OEN", "PAD"}}),
        no_pad_case("enable_add_pad_control_cell_first_add_tap", enable_port(false, true), {"-add_pad"},
                    {{"", "PAD_DOUT1", "OE"}}, scanharness::Road::AddTap),
        // The boundary-cell module's writers cut the pads in the same way.
        no_pad_case("enable_from_its_pad_control_cell_first_add_bcm", enable_port(true, true), {},
                    {{"", "PAD_OEN", "PAD"}}, scanharness::Road::AddBcm),
        no_pad_case("buffer_of_function_buf_add_bcm", kBufferOfFunctionBuf + din0_dout0_on("BUF1"), {},
                    {{"", "UI", "A"}}, scanharness::Road::AddBcm)),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Mux pads (add_bcm::kMuxPads): din1's input pad is the only load of the
// TAP's MODE_2 output, on its tied MODE_2 pin.  The TAP has that output
// on every road (the one -add_tap_only writes learns it from the design's
// pads), the edited netlist compiles with it, EXTEST and SAMPLE see din1
// through its cell, and with the TAP in reset the chip is as before (the
// pad's MODE_2 pin inverted breaks it).

scan_sim::ScanCase mux_input_pad(const std::string& name, scan_sim::Prepare prepare, scanharness::Road road,
                                 const std::string& module = "") {
    scan_sim::ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.mutants = {{module, "PAD_DIN1", "S2"}};
    return c;
}

const std::vector<Patch> kMuxPadsOnTheDesignTap = add_bcm::kMuxPads + add_bcm::kDesignTapMode2;

INSTANTIATE_TEST_SUITE_P(
    MuxInputPad, ScanSim,
    ::testing::Values(
        mux_input_pad("default", scan_sim::fixture(kMuxPadsOnTheDesignTap), scanharness::Road::Default),
        mux_input_pad("in_a_pad_module", scan_sim::fixture(kMuxPadsOnTheDesignTap, "tests/fixtures/bscan/padmod/chip.v"),
                      scanharness::Road::Default, "pads_bs"),
        mux_input_pad("add_tap", scan_sim::notap_fixture(add_bcm::kMuxPads), scanharness::Road::AddTap)),
    [](const auto& info) { return info.param.name; });

}  // namespace
