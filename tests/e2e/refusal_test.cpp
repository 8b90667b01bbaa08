// Runs of kestrand that this version refuses: each must stop with status
// 255 and its message before it writes or replaces any file, so the
// folder holds afterwards exactly what it held before (the run's own
// report file aside, which carries the message).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Patch;
using testsupport::read_file;
using testsupport::source_path;

// Every regular file below dir with its bytes and its modification time,
// the report file left out.
struct FileState {
    std::string bytes;
    fs::file_time_type time;
    bool operator==(const FileState& o) const { return bytes == o.bytes && time == o.time; }
};
std::map<std::string, FileState> snapshot(const fs::path& dir) {
    std::map<std::string, FileState> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        const std::string name = fs::relative(e.path(), dir).string();
        if (name == "chip.kest.rpt") continue;
        files[name] = {read_file(e.path()), e.last_write_time()};
    }
    return files;
}

std::vector<std::string> differences(const std::map<std::string, FileState>& before,
                                     const std::map<std::string, FileState>& after) {
    std::vector<std::string> d;
    for (const auto& [name, state] : after) {
        auto b = before.find(name);
        if (b == before.end())
            d.push_back("new " + name);
        else if (!(b->second == state))
            d.push_back("changed " + name);
    }
    for (const auto& [name, state] : before)
        if (!after.count(name)) d.push_back("removed " + name);
    return d;
}

struct RefusalCase {
    std::string name;
    std::vector<std::string> options;
    std::vector<Patch> patches{};
    std::string verilog{};  // replaces chip.v when given
    std::string message{};  // printed on the screen (and into the report when there is one)
    bool report = true;     // the run gets as far as opening its report
    std::string error{};    // printed on standard error
    std::vector<std::string> removed{};  // files taken away after the chip is compiled
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

std::string not_available(const std::string& what) {
    return "ERROR: " + what + " is not available in this version.\n\n";
}

// A logic-BIST core without the instance name that its replacement needs.
const Patch kLogicBist{"chip.bsc", "", "\n%LOGIC_BIST {\n  %DFT_FILE core.dft;\n}\n"};
const std::string kNoBistInstance = "ERROR: Please specify the %INSTANCE_NAME of the core in %LOGIC_BIST.\n";
// A logic-BIST core whose DFT file is missing: every DFT file is read
// before the first output.
const Patch kMissingDftFile{"chip.bsc", "", "\n%LOGIC_BIST {\n  %DFT_FILE missing.dft;\n  %INSTANCE_NAME u_core;\n}\n"};
const std::string kNoDftFile = "ERROR : Can't open input file - 'missing.dft'.\n";
// The TAP controller inside the core, whose module holds a net named like
// a TAP port that the edit would add on the way.
const std::vector<Patch> kTapPortNameTaken = {
    {"chip.v", "  core core (", "  core u_core ("},
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_core.u_tap;"},
    {"chip.v", "  wire \\clk$b ;\n", "  wire \\clk$b ;\n  wire TDI;\n  BUF tb (.A(clk), .Y(TDI));\n"}};

// The TAP controller without a TDO-enable pin, and a TDO pad tied off as
// before its TAP is wired.
const Patch kNoTdoEnablePin{"chip.lib", "%TDO_EN TDO_EN; ", ""};
const std::vector<Patch> kTdoTiedOffWithoutEnablePin = {
    kNoTdoEnablePin,
    {"chip.v", "PAD_TDO    (.A(tdo_c), .OE(tdo_en), .PAD(tdo));", "PAD_TDO    (.A(1'b0), .OE(1'b0), .PAD(tdo));"},
    {"chip.v", ".TDO(tdo_c), .TDO_EN(tdo_en),", ".TDO(), .TDO_EN(),"}};
const std::string kTdoNeverDrives =
    "ERROR: the enable OE of TDO pad 'PAD_TDO' is tied to GND, which keeps the pad off,\n"
    "       and %TAP_CONTROLLER qdx_tap declares no %TDO_EN pin to drive it\n"
    "       in file './chip.lib': the TAP could never be reached.\n\n";

// The library's output and control cells with other standard names and
// %ORDER words.
Patch output_cell(const std::string& names) {
    const std::string head = "%SCAN_CELL BC_OUT           // output pads: DI from the core, DO to the pad\n{\n";
    return {"chip.lib", head + "    %STD_NAME BC_1;", head + "    " + names};
}
Patch control_cell(const std::string& names) {
    const std::string head = "%SCAN_CELL BC_CTRL          // enables of three-state and bidirectional pads\n{\n";
    return {"chip.lib", head + "    %STD_NAME BC_1;", head + "    " + names};
}
// din0 without a pad, its net going straight into the core: the first
// library buffer it reaches there (slice u0's BUF b0) stands for its pad.
const std::vector<Patch> kPortStraightIntoTheCore = {
    {"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n", ""},
    {"chip.v", ".din(din_c)", ".din({din_c[1], din0})"}};
const std::string kPadInsideTheCore =
    "ERROR: the option -add_bcm with pad 'core.u0.b0' (cell BUF) of port 'din0' inside a module instance is not "
    "available in this version.\n\n";

// -add_tap adds the TAP controller: the design must not hold one.
std::vector<Patch> with_tap_removed(std::vector<Patch> p) {
    p.push_back({"chip.v", "  qdx_tap TAP (", "  /* qdx_tap TAP ("});
    p.push_back({"chip.v", ".first_Bcell(chain), .BOUNDARY_out(chain));", ".first_Bcell(chain), .BOUNDARY_out(chain)); */"});
    return p;
}

// A pad of the chip on a pad buffer that the library declares (its text),
// with its cell model, the instance line and the pin-file text naming it.
std::vector<Patch> on_pad_buffer(const std::string& library, const std::string& model, const Patch& instance,
                                 const Patch& pin) {
    return with_tap_removed({{"chip.lib", "", library},
                             {"cells.v", "", "\n`celldefine\n" + model + "endmodule\n`endcelldefine\n"},
                             instance,
                             pin});
}

// -add_bcm with a TAP instance name that the boundary-cell module gives
// one of its own parts.
RefusalCase tap_instance_clash(const std::string& part, const std::string& name) {
    return {"add_bcm_tap_instance_named_like_a_" + part, {"-add_bcm"},
            with_tap_removed({{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME " + name + ";"}}), "",
            "ERROR: (./chip.bsc) the TAP instance '" + name + "' (%INSTANCE_NAME of %TAP_MODULE) can't be named so\n"
            "       in the boundary-cell module chip_BCM, which names its own cells, buffers, ports and nets so.\n\n"};
}

// The mux pads of add_bcm_case.h on the design's TAP, whose %TAP_CONTROLLER
// names no %MODE_2 for din1's input pad.
std::vector<Patch> mux_pads_without_tap_mode2() {
    std::vector<Patch> patches;
    for (const Patch& p : add_bcm::kMuxPads)
        if (p.to.find("%MODE_2 MODE2;") == std::string::npos) patches.push_back(p);
    return patches;
}

// Three-state cells: TBUFN (a bufif0 gate, its enable active low) and
// TBUF (an assignment of z, its enable active high).
const Patch kThreeStateCells{"cells.v", "",
                             "\n`celldefine\nmodule TBUFN (A, EN, Y);\n  input A, EN;\n  output Y;\n  bufif0 (Y, A, EN);\n"
                             "endmodule\n\nmodule TBUF (A, EN, Y);\n  input A, EN;\n  output Y;\n"
                             "  assign Y = EN ? A : 1'bz;\nendmodule\n`endcelldefine\n"};

// bidir0 without its pad, driven by a three-state cell of the top from the
// core's data and enable for the pad, and read back by a buffer; with the
// pads in a pad module (in_pad_module) the cells sit beside it.
std::vector<Patch> three_state_driver(const std::string& cell, bool in_pad_module = false) {
    return scan_sim::bidir0_without_pad(
               "  " + cell + " U6 (.A(bidir0_o), .EN(bidir0_oe), .Y(bidir0));\n  BUF rd (.A(bidir0), .Y(bidir0_i));\n",
               in_pad_module) +
           std::vector<Patch>{kThreeStateCells};
}

std::string three_state_driver_refused_in(const std::string& inst, const std::string& cell) {
    return "ERROR: bidirectional port 'bidir0' has no pad, and its net is driven by the three-state\n"
           "       output '" + inst + "{Y}' of cell '" +
           cell +
           "': when that drives the port is not known, so\n"
           "       the pad that -add_pad adds could not drive the pin exactly when the design did.\n"
           "       Please give the port its pad in the design, or specify 'bidir0' as skip signal.\n\n";
}

std::string three_state_driver_refused(const std::string& cell) { return three_state_driver_refused_in("U6", cell); }

// bidir0 without its pad, on an inout port of the core module, which
// drives it through a three-state cell and reads it back.
const std::vector<Patch> kInoutPortOfTheCore =
    scan_sim::bidir0_without_pad("") +
    std::vector<Patch>{{"chip.v", "module core (clk, rst_n, din, dout, dout1_oe, bidir_in, bidir_out, bidir_oe);",
                        "module core (clk, rst_n, din, dout, dout1_oe, bidir);\n  inout bidir;"},
                       {"chip.v", "  input bidir_in;\n  output bidir_out, bidir_oe;\n", "  wire bidir_in, bidir_oe;\n"},
                       {"chip.v", "  assign bidir_out = bidir_in;",
                        "  TBUF tb (.A(din[0]), .EN(bidir_oe), .Y(bidir));\n  BUF rb (.A(bidir), .Y(bidir_in));"},
                       {"chip.v", ".bidir_in(bidir0_i), .bidir_out(bidir0_o), .bidir_oe(bidir0_oe));", ".bidir(bidir0));"},
                       kThreeStateCells};

// bidir0 without its pad, on an output port of the core module that a
// three-state cell inside it drives; a gate of the top reads the port.
const std::vector<Patch> kThreeStateDriverInTheCore =
    scan_sim::bidir0_without_pad("  AND2 rd (.A(bidir0), .B(bidir0), .Y(bidir0_i));\n") +
    std::vector<Patch>{scan_sim::kAnd2Model, {"chip.v", ".bidir_out(bidir0_o),", ".bidir_out(bidir0),"},
                       {"chip.v", "  assign bidir_out = bidir_in;",
                        "  TBUF tb (.A(din[0]), .EN(bidir_oe), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"},
                       kThreeStateCells};

// dout1 without its pad (the pin file names a three-state pad for it):
// the top's cells `cells` drive the port in its place.
std::vector<Patch> dout1_without_pad(const std::string& cells) {
    return {{"chip.v", "  PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));\n", cells}};
}
// ... by a three-state cell of the top from the core's data and enable.
std::vector<Patch> dout1_three_state(const std::string& cell) {
    return dout1_without_pad("  " + cell + " U6 (.A(dout_c[1]), .EN(dout1_oe), .Y(dout1));\n") +
           std::vector<Patch>{kThreeStateCells};
}
std::string output_three_state_refused(const std::string& inst, const std::string& cell, const std::string& edit) {
    return "ERROR: output port 'dout1' has no pad, and its net is driven by the three-state\n"
           "       output '" + inst + "{Y}' of cell '" + cell + "', which leaves the pin floating at times;\n"
           "       " + edit + " would drive it all the time.\n"
           "       Please give the port its pad in the design, or specify 'dout1' as skip signal.\n\n";
}
const std::string kAddedPad = "the pad that -add_pad adds";
// ... by a three-state cell inside the core, on the core's output port.
const std::vector<Patch> kOutputDrivenThreeStateInTheCore = {
    {"chip.v", "  PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));\n", ""},
    {"chip.v", ".dout(dout_c),", ".dout({dout1, dout_c[0]}),"},
    {"chip.v", "  INV ob1 (n[1], dout[1]);", "  TBUF ob1 (.A(n[1]), .EN(rst_n), .Y(dout[1]));"},
    kThreeStateCells};

// dout0 without its pad, driven by a gate of the top.
const std::vector<Patch> kDout0DrivenByAGate = {
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n", "  AND2 g1 (.A(dout_c[0]), .B(dout_c[0]), .Y(dout0));\n"},
    scan_sim::kAnd2Model};

// bidir0 without its pad, driven by a two-state cell of the top.
const std::vector<Patch> kTwoStateDriver =
    scan_sim::bidir0_without_pad("  AND2 gd (.A(bidir0_o), .B(bidir0_o), .Y(bidir0));\n"
                                 "  AND2 gr (.A(bidir0), .B(bidir0), .Y(bidir0_i));\n") +
    std::vector<Patch>{scan_sim::kAnd2Model};

// A bidirectional cell, XBIDIR, that is no pad of the library.
const Patch kXbidirModel{"cells.v", "",
                         "\n`celldefine\nmodule XBIDIR (A, OE, Y, IO);\n  input A, OE;\n  output Y;\n  inout IO;\n"
                         "  assign IO = OE ? A : 1'bz;\n  assign Y = IO;\nendmodule\n`endcelldefine\n"};

// IDCODE given SAMPLE's opcode; an opcode with a don't-care that selects
// the codes of EXTEST and IDCODE.
const Patch kIdcodeOnSamplesOpcode{"chip.bsc", "IDCODE = (0010)", "IDCODE = (0001)"};
const std::string kIdcodeSharesSamplesOpcode =
    "ERROR: (./chip.bsc) INSTRUCTION 'SAMPLE' (0001) and INSTRUCTION 'IDCODE' (0001) share an opcode.\n\n";
const Patch kOpcodeCoveringTwo{"chip.bsc", "    %INSTRUCTION BYPASS",
                               "    %INSTRUCTION PRIV = (00X0) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"};

class KestrandRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(KestrandRefusal, BeforeAnyFileIsWritten) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const RefusalCase& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches,
                                                  c.verilog.empty() ? "" : source_path(c.verilog)));
    for (const std::string& f : c.removed) ASSERT_TRUE(fs::remove(dir.path() / f)) << f;
    const auto before = snapshot(dir.path());
    const auto r = testsupport::run_kestrand(dir.path(), c.options);
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_EQ(differences(before, snapshot(dir.path())), std::vector<std::string>{}) << r.out;
    if (c.report) {
        EXPECT_NE(read_file(dir.path() / "chip.kest.rpt").find(c.message), std::string::npos);
    } else {
        EXPECT_FALSE(fs::exists(dir.path() / "chip.kest.rpt"));
    }
    // No working folder of the edits is made.
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, KestrandRefusal,
    ::testing::Values(
        RefusalCase{"logic_bist_without_instance", {}, {kLogicBist}, "", kNoBistInstance},
        RefusalCase{"logic_bist_without_instance_add_tap_only", {"-add_tap_only"}, {kLogicBist}, "", kNoBistInstance},
        RefusalCase{"logic_bist_dft_file_missing", {}, {kMissingDftFile}, "", "", true, kNoDftFile},
        RefusalCase{"logic_bist_dft_file_missing_add_tap", {"-add_tap"}, with_tap_removed({kMissingDftFile}), "", "",
                    true, kNoDftFile},
        RefusalCase{"add_bcm_with_the_tap_in_the_design",
                    {"-add_bcm"},
                    {},
                    "",
                    "ERROR: (./chip.bsc) the design './chip.sdb' already holds the TAP instance 'TAP'\n"
                    "       (%INSTANCE_NAME of %TAP_MODULE); option -add_bcm adds it.\n\n"},
        RefusalCase{"add_bcm_with_the_high_impedance_command_on_the_mode2_pin", {"-add_bcm"},
                    with_tap_removed({{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"},
                                      {"chip.lib", "%HIGHZ_COMMAND HIGHZ;", "%MODE_2 MODE2; %HIGHZ_COMMAND MODE2;"},
                                      {"chip.bsc", "    %INSTRUCTION BYPASS",
                                       "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"}}),
                    "",
                    not_available("the option -add_bcm with high-impedance groups whose command the TAP can't drive")},
        // A pad buffer that carries its own cell keeps no mode pin of its
        // own, so it is never a mux pad: the pad table stops it.
        RefusalCase{"add_bcm_mux_pad_carrying_its_own_cell", {"-add_bcm"},
                    on_pad_buffer("\n%BS_BUFFER PIN_BSMUX { %INPUT A; %OUTPUT PAD; %MUX_IN1 M1; %MODE_1 S1;"
                                  " %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
                                  " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n",
                                  "module PIN_BSMUX (A, PAD, M1, S1);\n  input A, M1, S1;\n  output PAD;\n"
                                  "  assign PAD = S1 ? M1 : A;\n",
                                  {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));",
                                   "  PIN_BSMUX PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0), .M1(1'b0), .S1(1'b0));"},
                                  {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BSMUX)"}),
                    "",
                    "ERROR: (./chip.lib) 'PIN_BSMUX' is a mux output pad because %MUX_IN1 signal is declared.\n"
                    "       Mux output pad also requires %MODE_1 signal to be declared.\n\n"},
        // The boundary-cell module holds the TAP under %INSTANCE_NAME
        // beside the names of its own parts: a cell, a TAP port, a buffer
        // of the shift tree and a position group's sub-module.
        tap_instance_clash("cell", "BCELL0"),
        tap_instance_clash("tap_port", "BCM_TMS"),
        tap_instance_clash("tree_buffer", "shift_buf_1_1"),
        tap_instance_clash("position_group", "chip_jtag_out"),
        // A pad buffer that keeps its control cell in a design of its own
        // (a hard macro): the BSDL file could not describe it.
        RefusalCase{"add_bcm_pad_keeping_cells_in_a_design_of_its_own", {"-add_bcm"},
                    on_pad_buffer("\n%BS_BUFFER PIN_BSTC { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI;"
                                  " %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
                                  " %UPDATE_DR UPDATE; %MODE_1 MODE; %CONTROL_BCELL BC_CTRL; }\n",
                                  "module PIN_BSTC (A, OE, PAD, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n"
                                  "  input A, OE, SI, SHIFT, CLOCK, UPDATE, MODE;\n  output PAD, SO;\n"
                                  "  assign SO = SI;\n  assign PAD = OE ? A : 1'bz;\n",
                                  {"chip.v", "  PIN_TRI   PAD_DOUT1  (", "  PIN_BSTC  PAD_DOUT1  ("},
                                  {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_BSTC) PAD_EN_H\n7"}),
                    "",
                    not_available("the option -add_bcm with pad 'PAD_DOUT1', whose %BS_BUFFER PIN_BSTC keeps boundary "
                                  "cells in a design of its own")},
        RefusalCase{"add_bcm_cell_without_data_in", {"-add_bcm"},
                    with_tap_removed({{"chip.lib", "%DATA_IN DI; %DATA_OUT DO;", "%DATA_OUT DO;"}}), "",
                    "ERROR: (./chip.lib) can't find %DATA_IN in %SCAN_CELL BC_IN.\n"},
        RefusalCase{"add_bcm_with_pads_in_a_pad_module", {"-add_bcm"}, with_tap_removed({}),
                    "tests/fixtures/bscan/hier/pads_in_io.v", not_available("the option -add_bcm with TAP pads inside pad modules")},
        RefusalCase{"add_bcm_port_straight_into_the_core", {"-add_bcm"}, kPortStraightIntoTheCore,
                    "tests/fixtures/e2e/notap/chip.v", kPadInsideTheCore},
        RefusalCase{"add_bcm_add_pad_port_straight_into_the_core", {"-add_bcm", "-add_pad"}, kPortStraightIntoTheCore,
                    "tests/fixtures/e2e/notap/chip.v", kPadInsideTheCore},
        // -add_pad adds a pad to a bidirectional port whose net reaches a
        // bidirectional pin of a cell: when the core drives the port is
        // not known, so no tied enable could keep the pin as it was.
        RefusalCase{"add_pad_on_a_port_at_a_bidirectional_cell_pin", {"-add_pad"},
                    {{"chip.v", "  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));",
                      "  XBIDIR    xb (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .IO(bidir0));"},
                     kXbidirModel},
                    "",
                    "ERROR: bidirectional port 'bidir0' has no pad, and its net reaches the bidirectional\n"
                    "       pin 'xb{IO}': when that drives the port is not known, so the pad that\n"
                    "       -add_pad adds could not drive the pin exactly when the design did.\n"
                    "       Please give the port its pad in the design, or specify 'bidir0' as skip signal.\n\n"},
        // -add_pad adds a pad to a bidirectional port that a three-state
        // cell of the core drives: the added pad would drive the pin also
        // while the cell is off, and the library names no enable pin of
        // the cell for the pad's enable to follow.  With an active-low
        // pad enable and an active-high one, with -add_tap (before the
        // TAP files) and beside a pad module.
        RefusalCase{"add_pad_on_a_port_driven_by_a_three_state_cell", {"-add_pad"},
                    three_state_driver("TBUFN") + scan_sim::kActiveLowInoutPad, "", three_state_driver_refused("TBUFN")},
        RefusalCase{"add_pad_on_a_port_driven_by_an_active_high_three_state_cell", {"-add_pad"}, three_state_driver("TBUF"),
                    "", three_state_driver_refused("TBUF")},
        RefusalCase{"add_pad_on_a_port_driven_by_a_three_state_cell_add_tap", {"-add_tap", "-add_pad"},
                    with_tap_removed(three_state_driver("TBUF")), "", three_state_driver_refused("TBUF")},
        RefusalCase{"add_pad_on_a_port_driven_by_a_three_state_cell_beside_a_pad_module", {"-add_pad"},
                    three_state_driver("TBUF", true), "tests/fixtures/bscan/padmod/chip.v",
                    three_state_driver_refused("TBUF")},
        // The core's inout port on the pin: one pin of the core can't be
        // split into the pad's data, enable and read-back.
        RefusalCase{"add_pad_on_a_port_at_an_inout_port_of_the_core", {"-add_pad"}, kInoutPortOfTheCore, "",
                    "ERROR: bidirectional port 'bidir0' has no pad, and its net reaches the bidirectional\n"
                    "       pin 'core{bidir}': when that drives the port is not known, so the pad that\n"
                    "       -add_pad adds could not drive the pin exactly when the design did.\n"
                    "       Please give the port its pad in the design, or specify 'bidir0' as skip signal.\n\n"},
        // The three-state cell inside the pad module in the pad's place:
        // the module's inout port meets the pin.
        RefusalCase{"add_pad_on_a_port_driven_by_a_three_state_cell_inside_a_pad_module", {"-add_pad"},
                    {{"chip.v", "  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));",
                      "  TBUF U6 (.A(bidir0_o), .EN(bidir0_oe), .Y(bidir0));\n"
                      "  AND2 rd (.A(bidir0), .B(bidir0), .Y(bidir0_i));"},
                     kThreeStateCells, scan_sim::kAnd2Model},
                    "tests/fixtures/bscan/padmod/chip.v",
                    "ERROR: bidirectional port 'bidir0' has no pad, and its net reaches the bidirectional\n"
                    "       pin 'u_pads{bidir0}': when that drives the port is not known, so the pad that\n"},
        RefusalCase{"add_pad_on_a_port_driven_by_a_three_state_cell_inside_the_core", {"-add_pad"},
                    kThreeStateDriverInTheCore, "", three_state_driver_refused_in("core.tb", "TBUF")},
        // An output port without a pad that a three-state cell drives:
        // the pad that -add_pad adds, or the cell that stands for it with
        // -no_pad, would drive the pin all the time.  In the top and inside
        // the core; with a bidirectional pin on the net; with the cell's
        // design gone.
        RefusalCase{"add_pad_on_an_output_port_driven_by_a_three_state_cell", {"-add_pad"}, dout1_three_state("TBUFN"),
                    "", output_three_state_refused("U6", "TBUFN", kAddedPad)},
        RefusalCase{"no_pad_on_an_output_port_driven_by_a_three_state_cell", {"-no_pad"}, dout1_three_state("TBUF"), "",
                    output_three_state_refused("U6", "TBUF", "the boundary cell that -no_pad puts on it")},
        RefusalCase{"add_pad_on_an_output_port_driven_by_a_three_state_cell_inside_the_core", {"-add_pad"},
                    kOutputDrivenThreeStateInTheCore, "", output_three_state_refused("core.ob1", "TBUF", kAddedPad)},
        RefusalCase{"add_pad_on_an_output_port_at_a_bidirectional_cell_pin", {"-add_pad"},
                    dout1_without_pad("  XBIDIR    xb (.A(dout_c[1]), .OE(dout1_oe), .Y(), .IO(dout1));\n") +
                        std::vector<Patch>{kXbidirModel},
                    "",
                    "ERROR: output port 'dout1' has no pad, and its net reaches the bidirectional\n"
                    "       pin 'xb{IO}', which may leave it floating at times;\n"
                    "       the pad that -add_pad adds would drive the pin all the time.\n"
                    "       Please give the port its pad in the design, or specify 'dout1' as skip signal.\n\n"},
        RefusalCase{"no_pad_on_an_output_port_at_an_inout_port_of_the_core", {"-no_pad"},
                    dout1_without_pad("") +
                        std::vector<Patch>{{"chip.v", "bidir_in, bidir_out, bidir_oe);\n", "bidir_in, bidir_out, bidir_oe, q);\n  inout q;\n"},
                                           {"chip.v", "  BUF clkbuf", "  TBUF tq (.A(n[1]), .EN(rst_n), .Y(q));\n  BUF clkbuf"},
                                           {"chip.v", ".bidir_oe(bidir0_oe));", ".bidir_oe(bidir0_oe), .q(dout1));"},
                                           kThreeStateCells},
                    "",
                    "ERROR: output port 'dout1' has no pad, and its net reaches the bidirectional\n"
                    "       pin 'core{q}', which may leave it floating at times;\n"
                    "       the boundary cell that -no_pad puts on it would drive the pin all the time.\n"},
        RefusalCase{"add_pad_on_an_output_port_driven_by_a_cell_without_its_design", {"-add_pad"},
                    dout1_without_pad("  AND2 gd (.A(dout_c[1]), .B(dout1_oe), .Y(dout1));\n") +
                        std::vector<Patch>{scan_sim::kAnd2Model},
                    "",
                    "ERROR: output port 'dout1' has no pad, and its net is driven by the output\n"
                    "       'gd{Y}' of cell 'AND2', whose design 'AND2.sdb' is not found:\n"
                    "       whether that output is three-state is not known, and\n"
                    "       the pad that -add_pad adds would drive the pin all the time.\n"
                    "       Please put the cell's design on the search path, give the port its pad in the\n"
                    "       design, or specify 'dout1' as skip signal.\n\n",
                    true, "", {"AND2.sdb"}},
        // -add_pad wires the pad it adds on its pin, data, enable and
        // read-back pins alone: a pin-file pad with its own cell, or with a
        // second data input, would keep control pins open.
        RefusalCase{"add_pad_with_a_pin_file_pad_carrying_its_own_cell", {"-add_pad"},
                    kDout0DrivenByAGate + scan_sim::kOwnHighzCellModel +
                        std::vector<Patch>{{"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BSZ)"}},
                    "",
                    not_available("the option -add_pad with pad cell 'PIN_BSZ' of port 'dout0', which carries its own "
                                  "boundary cell,")},
        RefusalCase{"add_pad_with_a_pin_file_mux_pad", {"-add_pad"},
                    kDout0DrivenByAGate +
                        std::vector<Patch>{{"chip.lib", "", "\n%BUFFER PIN_MUXO { %INPUT A; %OUTPUT PAD; %MUX_IN1 M1; %MODE_1 S1; }\n"},
                                           {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_MUXO)"}},
                    "",
                    not_available("the option -add_pad with pad cell 'PIN_MUXO' of port 'dout0', which takes a second "
                                  "data input,")},
        RefusalCase{"add_pad_with_a_bidirectional_pin_file_pad_on_an_input_port", {"-add_pad"},
                    {{"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n",
                      "  AND2 g0 (.A(din1), .B(din1), .Y(din_c[1]));\n"},
                     scan_sim::kAnd2Model,
                     {"chip.pin", "din1    in      PAD(PIN_IN)", "din1    in      PAD(PIN_BIDIR)"}},
                    "",
                    not_available("the option -add_pad with pad cell 'PIN_BIDIR' of port 'din1', an input port on a "
                                  "bidirectional pad,")},
        RefusalCase{"add_pad_with_a_three_state_pin_file_pad_on_an_input_port", {"-add_pad"},
                    {{"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n",
                      "  AND2 g0 (.A(din1), .B(din1), .Y(din_c[1]));\n"},
                     scan_sim::kAnd2Model,
                     {"chip.pin", "din1    in      PAD(PIN_IN)", "din1    in      PAD(PIN_TRI)"}},
                    "",
                    not_available("the option -add_pad with pad cell 'PIN_TRI' of port 'din1', an input port on a "
                                  "pad with an enable,")},
        RefusalCase{"add_pad_with_a_bidirectional_pin_file_pad_on_an_output_port", {"-add_pad"},
                    kDout0DrivenByAGate + std::vector<Patch>{{"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BIDIR)"}}, "",
                    not_available("the option -add_pad with pad cell 'PIN_BIDIR' of port 'dout0', an output port on a "
                                  "bidirectional pad,")},
        // A differential pad of the pin file on a pair of inputs without
        // pads: one pad per port would leave each pad's other leg open.
        RefusalCase{"add_pad_with_a_differential_pin_file_pad", {"-add_pad"},
                    {{"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n",
                      "  AND2 g0 (.A(din0), .B(din1), .Y(din_c[0]));\n  AND2 g1 (.A(din0), .B(din1), .Y(din_c[1]));\n"},
                     scan_sim::kAnd2Model,
                     {"chip.lib", "", "\n%DIFFERENTIAL_VOLTAGE LVDS_RX { %INPUT_P PADP; %INPUT_M PADN; %OUTPUT Y; }\n"},
                     {"chip.pin", "din0    in      PAD(PIN_IN)", "din0    in      PAD(LVDS_RX)"},
                     {"chip.pin", "din1    in      PAD(PIN_IN)", "din1    in      PAD(LVDS_RX)"}},
                    "",
                    not_available("the option -add_pad with pad cell 'LVDS_RX' of port 'din0', which takes a pair of "
                                  "pins,")},
        // -no_pad lets a port stand for its pad as an input or an output
        // only.
        RefusalCase{"no_pad_on_a_bidirectional_port_without_a_pad", {"-no_pad"}, kTwoStateDriver, "",
                    "ERROR: bidirectional port 'bidir0' has no pad, and option -no_pad puts no boundary cell\n"
                    "       on such a port: without a pad there is no enable for a control cell to drive.\n"
                    "       Please give the port its pad in the design, use -add_pad, or specify 'bidir0' as skip "
                    "signal.\n\n"},
        // Without -add_pad or -no_pad every port takes its pad from the
        // design: an inverter, or a pad that takes the port on its enable,
        // is none.
        RefusalCase{"port_on_an_inverter", {},
                    {{"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));", "  INV       UI         (.A(din0), .Y(din_c[0]));"}},
                    "",
                    "ERROR: input port 'din0' has no pad: the first cell on its net, 'UI' (cell INV),\n"
                    "       is an inverter, behind which a boundary cell would see the pin inverted.\n"
                    "       Please give the port its pad in the design, use -add_pad or -no_pad,\n"
                    "       or specify 'din0' as skip signal.\n\n"},
        RefusalCase{"bidirectional_port_on_a_core_buffer", {},
                    scan_sim::bidir0_without_pad("  BUF gr (.A(bidir0), .Y(bidir0_i));\n"),
                    "",
                    "ERROR: bidirectional port 'bidir0' has no pad: the first cell on its net, 'gr' (cell BUF),\n"
                    "       takes the pin on its data input 'A', which is no path through a pad to the core.\n"
                    "       Please give the port its pad in the design, use -add_pad,\n"
                    "       or specify 'bidir0' as skip signal.\n\n"},
        RefusalCase{"port_on_the_enable_of_a_pad", {},
                    {{"chip.v",
                      "module chip (clk, rst_n, din0, din1, dout0, dout1, bidir0, tdi, tms, tck, trst, tdo);\n"
                      "  input clk, rst_n, din0, din1;",
                      "module chip (clk, rst_n, din0, din1, dout0, dout1, bidir0, tdi, tms, tck, trst, tdo, oe_n);\n"
                      "  input clk, rst_n, din0, din1, oe_n;"},
                     {"chip.pin", "15  VDD     *       *", "15  OE_N    oe_n    in      PAD(PIN_IN)"},
                     {"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(oe_n), .PAD(dout1)"}},
                    "",
                    "ERROR: input port 'oe_n' has no pad: the first cell on its net, 'PAD_DOUT1' (cell PIN_TRI),\n"
                    "       takes the pin on its enable 'OE', which is no path through a pad to the core.\n"},
        // A cell whose design is gone could have a three-state output.
        RefusalCase{"add_pad_on_a_port_driven_by_a_cell_without_its_design", {"-add_pad"}, kTwoStateDriver, "",
                    "ERROR: bidirectional port 'bidir0' has no pad, and its net is driven by the output\n"
                    "       'gd{Y}' of cell 'AND2', whose design 'AND2.sdb' is not found:\n"
                    "       whether that output is three-state is not known, so the pad that\n"
                    "       -add_pad adds could not drive the pin exactly when the design did.\n"
                    "       Please put the cell's design on the search path, give the port its pad in the\n"
                    "       design, or specify 'bidir0' as skip signal.\n\n",
                    true, "", {"AND2.sdb"}},
        // A pad that carries its own cell with a %HIGHZ pin, under a TAP
        // without %HIGHZ_COMMAND: nothing could drive the pin, as for a
        // configured cell with such a pin.
        RefusalCase{"own_cell_pad_highz_pin_without_highz_command", {},
                    [] {
                        std::vector<Patch> p = scan_sim::kPadWithOwnHighzCell;
                        p.push_back({"chip.lib", "    %HIGHZ_COMMAND HIGHZ;\n", ""});
                        return p;
                    }(),
                    "",
                    "ERROR: (./chip.lib) can't find %HIGHZ_COMMAND in %TAP_CONTROLLER qdx_tap\n"
                    "       for the %HIGHZ pins of the cells that the pads carry.\n\n"},
        // din1's mux input pad needs the TAP's MODE_2 output on its tied
        // MODE_2 pin: a design TAP without that pin, or a TAP description
        // without %MODE_2, could not drive it.
        RefusalCase{"mux_pad_mode_pin_missing_on_the_design_tap", {}, add_bcm::kMuxPads, "",
                    "ERROR: TAP 'TAP' in SDB file './chip.c.sdb' has no pin %MODE_2 'MODE2'\n"
                    "       to connect pin 'S2' of mux pad 'PAD_DIN1'.\n\n"},
        RefusalCase{"mux_pad_mode_pin_without_a_tap_mode_pin", {}, mux_pads_without_tap_mode2(), "",
                    "ERROR: (./chip.lib) can't find %MODE_2 in %TAP_CONTROLLER qdx_tap.\n"
                    "       Please define %MODE_2 to connectmux pad PAD_DIN1.\n\n"},
        // Cells that tallowmere could not describe in the BSDL file of the
        // chip, refused before the chain is built, on every road; and a
        // cell whose standard names and %ORDER words differ in number,
        // refused as the library is read.
        RefusalCase{"output_cell_naming_two_control_cells", {},
                    {output_cell("%STD_NAME BC_1, BC_1, BC_1; %ORDER output, control, control;")}, "",
                    "ERROR: (./chip.lib) %SCAN_CELL BC_OUT of port 'dout0' names 2 control cells in %ORDER:\n"
                    "       tallowmere can't describe more than 1 control cell in one module in the BSDL file.\n\n"},
        RefusalCase{"control_cell_of_two_bits_add_bcm", {"-add_bcm"},
                    with_tap_removed({control_cell("%STD_NAME BC_1, BC_2; %ORDER input, output;")}), "",
                    "ERROR: (./chip.lib) %SCAN_CELL BC_CTRL, the control cell of port 'dout1', has 2 standard names:\n"
                    "       tallowmere can't decide which of them is the control cell in the BSDL file.\n\n"},
        RefusalCase{"control_cell_of_two_bits_add_tap", {"-add_tap"},
                    {control_cell("%STD_NAME BC_1, BC_2; %ORDER input, output;")}, "tests/fixtures/e2e/notap/chip.v",
                    "ERROR: (./chip.lib) %SCAN_CELL BC_CTRL, the control cell of port 'dout1', has 2 standard names:\n"
                    "       tallowmere can't decide which of them is the control cell in the BSDL file.\n\n"},
        RefusalCase{"names_and_order_words_differ", {}, {control_cell("%STD_NAME BC_1, BC_2; %ORDER input;")}, "",
                    "ERROR: (./chip.lib) %SCAN_CELL BC_CTRL (line 44) has 2 standard names but 1 %ORDER word:\n"
                    "       %STD_NAME BC_1, BC_2;\n"
                    "       %ORDER input;\n"
                    "       each bit of the cell takes one name of %STD_NAME and one word of %ORDER.\n\n"},
        RefusalCase{"add_tap_with_the_tap_in_the_design",
                    {"-add_tap"},
                    {},
                    "",
                    "ERROR: (./chip.bsc) the design './chip.sdb' already holds the TAP instance 'TAP'\n"
                    "       (%INSTANCE_NAME of %TAP_MODULE); option -add_tap adds it.\n\n"},
        // The TDO pad's enable tied off and no TAP pin to drive it: TDO
        // would never drive.
        RefusalCase{"tdo_enable_tied_off_without_a_tdo_enable_pin", {}, kTdoTiedOffWithoutEnablePin, "",
                    kTdoNeverDrives},
        RefusalCase{"tdo_enable_tied_off_without_a_tdo_enable_pin_add_tap", {"-add_tap"}, {kNoTdoEnablePin},
                    "tests/fixtures/e2e/notap/chip.v", kTdoNeverDrives},
        RefusalCase{"tap_path_port_name_taken_add_tap", {"-add_tap"}, kTapPortNameTaken,
                    "tests/fixtures/e2e/notap/chip.v",
                    "already holds a port or net 'TDI'; the TAP port\n"
                    "       of that name can't be added on the way to TAP instance 'u_core.u_tap'.\n\n"},
        RefusalCase{"no_boundary_cell_add_tap",
                    {"-add_tap"},
                    {{"chip.bsc", "tdi, tms, tck, trst, tdo; }",
                      "tdi, tms, tck, trst, tdo, clk, rst_n, din0, din1, dout0, dout1, bidir0; }"}},
                    "tests/fixtures/e2e/notap/chip.v",
                    "ERROR: no pin of the pin list 'chip.pin' gets a boundary-scan cell;\n"
                    "       there is no boundary register to insert.\n\n"},
        // Two instructions that one code selects, which no TAP decodes:
        // refused on every road, as the TAP roads refuse them.
        RefusalCase{"idcode_given_the_opcode_of_sample", {}, {kIdcodeOnSamplesOpcode}, "", kIdcodeSharesSamplesOpcode},
        RefusalCase{"idcode_given_the_opcode_of_sample_no_expand", {"-no_expand"}, {kIdcodeOnSamplesOpcode}, "",
                    kIdcodeSharesSamplesOpcode},
        RefusalCase{"x_opcode_covering_two_others", {}, {kOpcodeCoveringTwo}, "",
                    "ERROR: (./chip.bsc) INSTRUCTION 'EXTEST' (0000) and INSTRUCTION 'PRIV' (00X0) share an opcode.\n\n"},
        RefusalCase{"idcode_given_the_opcode_of_sample_add_bcm", {"-add_bcm"},
                    with_tap_removed({kIdcodeOnSamplesOpcode}), "", kIdcodeSharesSamplesOpcode},
        RefusalCase{"missing_opath",
                    {"-opath", "out"},
                    {},
                    "",
                    "\nERROR: output directory 'out' of option -opath does not exist.\n\n",
                    false},
        RefusalCase{"opath_names_a_file",
                    {"-opath", "chip.v"},
                    {},
                    "",
                    "\nERROR: output directory 'chip.v' of option -opath is not a directory.\n\n",
                    false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
