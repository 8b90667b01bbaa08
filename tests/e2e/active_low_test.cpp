// Active-low pins end to end: the chip that kestrand edits behaves on its
// TAP pins as the BSDL file from tallowmere says (the scan simulation of
// scan_sim_test.cpp, whose expectations come from the BSDL file alone,
// with the yosys proof of the functional mode) when the TAP's control
// pins are active low and their buffer trees run two or more levels deep
// (or, with -df_speed, as chains, or without trees through one inverting
// buffer each), and when pins of the pin list are active low ("-"): a
// bidirectional port, ports without pads (-no_pad), ports behind pads
// that -add_pad adds, pins in a pad module and in several IO-pad modules.
// Each such pin's boundary cell captures and drives the pin's own level,
// as its BSDL row says; no inverter sits between them.  And a tree that
// would need the inverting buffer on more than one level is refused
// before the edit is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using scan_sim::fixture;
using scan_sim::ScanCase;
using scan_sim::ScanSim;
using scanharness::Road;
using testsupport::Patch;
using testsupport::read_file;

// The TAP's shift, update and mode pins active low, and trees of three
// levels for the chip's nine cells (group size 2: 5 leaves, 3, 2); with
// the three-state output on the bidirectional pad's enable, eight cells
// and trees of two levels (4 leaves, 2), or -df_speed chains of four.
const std::vector<Patch> kActiveLowTapPins = {
    {"chip.lib", "%SHIFT_DR SHIFT_DR; %CLOCK_DR CLOCK_DR; %UPDATE_DR UPDATE_DR;",
     "%SHIFT_DR -SHIFT_DR; %CLOCK_DR CLOCK_DR; %UPDATE_DR -UPDATE_DR;"},
    {"chip.lib", "%MODE_1 MODE1;", "%MODE_1 -MODE1;"},
    {"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 2;"}};

// The same pins without %GROUP_SIZE: no trees, each active-low pin
// reaching its cells through one inverting buffer.
const std::vector<Patch> kActiveLowTapPinsWithoutTrees = {kActiveLowTapPins[0], kActiveLowTapPins[1],
                                                          {"chip.lib", "%GROUP_SIZE 8;", ""}};

// The TAP model of such a library: the RTL TAP (active-high outputs)
// renamed, inside a module of the TAP's name that drives the named
// outputs inverted.
void active_low_tap_model(const fs::path& dir, const std::set<std::string>& low) {
    std::string rtl = read_file(dir / "chip_TAP.v");
    const std::string head = "module  qdx_tap (";
    const size_t at = rtl.find(head);
    ASSERT_NE(at, std::string::npos) << rtl;
    const size_t end = rtl.find("endmodule", at);
    ASSERT_NE(end, std::string::npos);
    std::vector<std::string> inputs, outputs;
    const std::regex decl(R"(\b(input|output)\s+(\w+)\s*;)");
    const std::string body = rtl.substr(at, end - at);
    for (std::sregex_iterator m(body.begin(), body.end(), decl), stop; m != stop; ++m)
        ((*m)[1] == "input" ? inputs : outputs).push_back((*m)[2]);
    rtl.replace(at, head.size(), "module  qdx_tap_high (");
    std::string ports, wires, conns, assigns;
    for (const auto& list : {inputs, outputs})
        for (const std::string& p : list) ports += (ports.empty() ? "" : ", ") + p;
    for (const std::string& p : inputs) conns += (conns.empty() ? "." : ", .") + p + "(" + p + ")";
    for (const std::string& p : outputs) {
        const bool inverted = low.count(p) > 0;
        conns += ", ." + p + "(" + (inverted ? p + "_high" : p) + ")";
        if (!inverted) continue;
        wires += "  wire " + p + "_high;\n";
        assigns += "  assign " + p + " = ~" + p + "_high;\n";
    }
    rtl += "\nmodule qdx_tap (" + ports + ");\n";
    for (const std::string& p : inputs) rtl += "  input " + p + ";\n";
    for (const std::string& p : outputs) rtl += "  output " + p + ";\n";
    rtl += wires + "  qdx_tap_high high (" + conns + ");\n" + assigns + "endmodule\n";
    std::ofstream(dir / "chip_TAP.v") << rtl;
    for (const std::string& p : low) EXPECT_NE(std::find(outputs.begin(), outputs.end(), p), outputs.end()) << p;
}

const Patch kSharedEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"};

std::vector<Patch> operator+(std::vector<Patch> a, const Patch& b) {
    a.push_back(b);
    return a;
}

void low_shift_update_mode(const fs::path& dir) { active_low_tap_model(dir, {"SHIFT_DR", "UPDATE_DR", "MODE1"}); }

// din0 and dout0 without pads, at gates of the top; both active low.
const std::vector<Patch> kActiveLowPortsWithoutPads = {
    {"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n", "  AND2 g0 (.A(din0), .B(din0), .Y(din_c[0]));\n"},
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n",
     "  AND2 g1 (.A(dout_c[0]), .B(dout_c[0]), .Y(dout0));\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n"
     "`endcelldefine\n"},
    {"chip.pin", "DIN0    din0", "DIN0    -din0"},
    {"chip.pin", "DOUT0   dout0", "DOUT0   -dout0"}};

// din1 and dout0 without pads, at gates (for -add_pad); both active low.
const std::vector<Patch> kActiveLowPortsForAddedPads = {
    {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n", "  AND2 g0 (.A(din1), .B(din1), .Y(din_c[1]));\n"},
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n",
     "  AND2 g1 (.A(dout_c[0]), .B(dout_c[0]), .Y(dout0));\n"},
    kActiveLowPortsWithoutPads[2],
    {"chip.pin", "DIN1    din1", "DIN1    -din1"},
    {"chip.pin", "DOUT0   dout0", "DOUT0   -dout0"}};

// Every functional pin of the fixture chip but the clock active low.
const std::vector<Patch> kActiveLowPins = {{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"},
                                           {"chip.pin", "DIN0    din0", "DIN0    -din0"},
                                           {"chip.pin", "DIN1    din1", "DIN1    -din1"},
                                           {"chip.pin", "DOUT0   dout0", "DOUT0   -dout0"},
                                           {"chip.pin", "DOUT1   dout1", "DOUT1   -dout1"},
                                           {"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"}};

// The configuration and the library name no inverter: active-low pins
// need none.
const std::vector<Patch> kNoInverter = {{"chip.bsc", "%INVERTER      INV;\n", ""},
                                        {"chip.lib", "    %INV_BUFFER INV;\n", ""},
                                        {"chip.lib", "%INV_BUFFER INV   { %INPUT A; %OUTPUT Y; }\n", ""}};

// The demo chip of examples/ (its bidirectional pin has a live input
// side, which takes a bidirectional cell) with patches.
scan_sim::Prepare example_chip(std::vector<Patch> patches) {
    return [patches](const fs::path& dir) {
        for (const char* f : {"chip.v", "cells.v", "chip.bsc", "chip.lib", "chip.pin"})
            fs::copy_file(testsupport::source_path(std::string("examples/") + f), dir / f,
                          fs::copy_options::overwrite_existing);
        for (const Patch& p : patches) testsupport::apply_patch(dir, p);
        return testsupport::compile_chip_in(dir);
    };
}

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        {"tap_pins_with_two_level_trees", fixture(kActiveLowTapPins + kSharedEnable), Road::Default, {},
         // A buffer of the upper level inverted: the cells see the wrong mode.
         {{"", "mode1_buf_1_1", "A"}}, 1, false, {}, low_shift_update_mode},
        {"tap_pins_with_three_level_trees", fixture(kActiveLowTapPins), Road::Default, {},
         {{"", "mode1_buf_2_1", "A"}}, 2, false, {}, low_shift_update_mode},
        {"tap_pins_without_trees", fixture(kActiveLowTapPinsWithoutTrees), Road::Default, {},
         // The inverter left out: the cells see the wrong mode.
         {{"", "mode1_buf_1_1", "A"}}, 2, false, {}, low_shift_update_mode},
        {"tap_pins_with_df_speed_chains", fixture(kActiveLowTapPins + kSharedEnable), Road::Default, {"-df_speed"},
         {{"", "mode1_df_buf_2", "A"}}, 1, false, {}, low_shift_update_mode},
        {"bidirectional_port", example_chip({{"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"}}), Road::Default, {},
         {{"", "PAD_BIDIR0", "A"}}},
        {"ports_without_pads", fixture(kActiveLowPortsWithoutPads), Road::Default, {"-no_pad"},
         {{"", "g0", "A"}, {"", "g1", "Y"}}, 2, false, {}, {}, {"-no_pad"}},
        {"ports_behind_added_pads", fixture(kActiveLowPortsForAddedPads), Road::Default, {"-add_pad"},
         {{"", "B_PAD0", "PAD"}, {"", "B_PAD1", "A"}}},
        {"pins_in_a_pad_module", fixture(kActiveLowPins, "tests/fixtures/bscan/padmod/chip.v"), Road::Default, {},
         {{"pads_bs", "PAD_DOUT0", "A"}, {"pads_bs", "PAD_RST_N", "PAD"}}},
        {"pins_in_several_io_modules", fixture(kActiveLowPins, "tests/fixtures/bscan/hier/ring_of_io.v"),
         Road::Default, {}, {{"pio_bs0", "P_OUT", "A"}, {"pio_bs1", "P_IN", "PAD"}}},
        // The demo chip's rst_n and ready_n, with -df_speed chains and no
        // inverter in the library.
        {"pins_with_df_speed_and_no_inverter", example_chip(kNoInverter), Road::Default, {"-df_speed"},
         {{"", "PAD_READY_N", "A"}, {"", "PAD_RST_N", "PAD"}}},
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(ActiveLow, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// Without a bidirectional cell an active-low bidirectional pad takes an
// input and an output cell, each straight on its side of the pad:
// tallowmere finds both, and with the TAP in reset the chip is the chip
// before the insertion.
TEST(ActiveLowPads, BidirectionalPadWithTwoCells) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    ASSERT_TRUE(example_chip({{"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"},
                              {"chip.bsc", "%BIDIR_SCAN   BC_BIDIR;", ""}})(dir));
    std::string log;
    ASSERT_TRUE(scanharness::run_flow(dir, Road::Default, {}, &log)) << log;
    const scanharness::Chip chip = scanharness::read_chip(dir / "chip_jtag.bsd");
    std::set<std::string> functions;
    for (const auto& r : chip.bsdl.boundary)
        if (r.port == "BIDIR0") functions.insert(r.function);
    EXPECT_EQ(functions, (std::set<std::string>{"input", "output3"}));
    if (!testsupport::have_program("yosys")) GTEST_SKIP() << "yosys is not installed: nothing is proven";
    auto r = scanharness::prove_transparent(dir, chip, "chip.v", "chip_jtag.v", {"chip_TAP.v"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// Without a plain %SIGNAL_BUFFER (a -df_speed library with the chain's own
// buffer only) an active-low pin's chain of several buffers cannot invert
// just once: the run stops with the reason before the command file and
// the pin list are written.
TEST(ActiveLowTrees, RefusedWithoutAPlainBuffer) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(),
                                                  {{"chip.lib", "%SHIFT_DR SHIFT_DR;", "%SHIFT_DR -SHIFT_DR;"},
                                                   {"chip.lib", "%GROUP_SIZE 8;", "%DF_GROUP_SIZE 3;"},
                                                   {"chip.lib", "%SIGNAL_BUFFER BUF;", "%DF_SIGNAL_BUFFER BUF;"}}));
    auto r = testsupport::run_kestrand(dir.path(), {"-df_speed"});
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find("ERROR: the shift signal needs 3 buffers in line from the TAP to its cells, but\n"
                         "       %TAP_CONTROLLER qdx_tap declares no %SIGNAL_BUFFER: its active-low pin\n"
                         "       takes %INV_BUFFER 'INV', which may invert the signal only once.\n"
                         "       Please declare %SIGNAL_BUFFER in file './chip.lib'.\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib" / "chip_jtag.cmd"));
    EXPECT_FALSE(fs::exists(dir.path() / "chip.bso"));
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib" / "chip_jtag.sdb"));
}

}  // namespace
