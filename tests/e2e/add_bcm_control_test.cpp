// kestrand -add_bcm on pads whose enables take more than a plain control
// cell: high-impedance groups (enables tied to a constant), cells with a
// %HIGHZ pin, output-enable data cells with their control cells, shared
// among pads.  The AddBcm rows run the end-to-end case of
// add_bcm_test.cpp; AddBcmEnables drives SAMPLE and HIGHZ through the TAP
// pins and watches the pads and what the bidirectional cell captures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/chip_tap_bench.h"
#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace add_bcm {

namespace {

using testsupport::read_file;
using testsupport::RunResult;

using scan_sim::kDout1ActiveLowOn;
// The three-state output takes the bidirectional pad's enable.
const Patch kSharedEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"};

// The output cell with an %OE_MODE input as well (which its model leaves
// unused): the three-state output and the bidirectional pin then share
// one output-enable control cell on their common enable.
const std::vector<Patch> kOutputCellWithOe = {
    {"chip.lib", "%SCAN_CELL BC_OUT           // output pads: DI from the core, DO to the pad\n{\n",
     "%SCAN_CELL BC_OUT\n{\n    %OE_MODE OE;\n"},
    {"cells.v", "module BC_OUT (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n"
                "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;",
     "module BC_OUT (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, OE);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE, OE;"}};

// A control cell whose %HIGHZ pin forces the enable off.
using scan_sim::kHighzControlCell;

const std::vector<Patch> kHighzPins = cells_with("HZ", "%HIGHZ HZ;");

// Through the chip's pins: the functional values of the outputs with the
// TAP reset, then under HIGHZ, and the boundary register under SAMPLE
// (the bidirectional pin pulled weakly to 0, so that it reads 0 where
// nothing drives it).  rst_n is the enable of the bidirectional pin
// (inverted) and din1 that of the three-state output (inverted).
const std::string kEnableBench = chip_tap_bench::chip_bench_head("  assign (weak0, weak1) bidir0 = 1'b0;\n") + R"(  initial begin
    pattern = 0;
    tck = 0; tms = 1; tdi = 0; trst = 0; clk = 0; rst_n = 0; din0 = 1; din1 = 0;
    #100 trst = 1;
    repeat (5) step(1, 0, 0);
    step(0, 0, 0);
    #10 $display("FUNCTION %b%b%b", dout0, dout1, bidir0);
    ir(4'b0001); $write("SAMPLE_ON "); dr(12);
    rst_n = 1; #10;
    ir(4'b0001); $write("SAMPLE_OFF "); dr(12);
    rst_n = 0; #10;
    ir(4'b0101);
    #10 $display("HIGHZ %b%b%b", dout0, dout1, bidir0);
    $finish;
  end
endmodule
)";

struct EnableCase {
    std::string name;
    std::vector<Patch> patches;
    std::string function;  // dout0, dout1, bidir0 with the TAP reset (0, 1 or z)
    std::string highz;     // the same under HIGHZ (a floating bidir0 reads its pull, 0)
    // The bidirectional cell captures what the core drives while its pad
    // is enabled and the pad otherwise (an output-enable cell).
    bool bidir_capture = false;
};

void PrintTo(const EnableCase& c, std::ostream* os) { *os << c.name; }

class AddBcmEnables : public ::testing::TestWithParam<EnableCase> {};

// The n of the first instance "BCELL<n>" of a cell in the module text.
int cell_number(const std::string& module, const std::string& cell) {
    const std::regex instance("\\t" + cell + "\\tBCELL([0-9]+)\\(");
    std::smatch m;
    return std::regex_search(module, m, instance) ? std::stoi(m[1]) : -1;
}

}  // namespace

TEST_P(AddBcmEnables, HighzFloatsThePadsThatTakeTheCommand) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    const EnableCase& c = GetParam();
    testsupport::TempDir dir;
    testsupport::compile_notap_chip(dir.path(), c.patches);
    if (HasFatalFailure()) return;
    RunResult r = testsupport::run_kestrand(dir.path(), {"-add_bcm"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::ofstream(dir.path() / "tb_enables.v") << kEnableBench;
    r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "enables_sim", "tb_enables.v", "cells.v",
                          "chip_TAP.v", "chip_jtag.v"},
                         dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "enables_sim"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::istringstream out(r.out);
    std::map<std::string, std::string> seen;
    std::string name, bits;
    while (out >> name >> bits) seen[name] = bits;
    EXPECT_EQ(seen["FUNCTION"], c.function) << "functional mode\n" << r.out;
    EXPECT_EQ(seen["HIGHZ"], c.highz) << "under HIGHZ\n" << r.out;
    if (!c.bidir_capture) return;
    const int n = cell_number(read_file(dir.path() / "chip_BCM.v"), "BC_BIDIR");
    ASSERT_GE(n, 0);
    ASSERT_EQ(seen["SAMPLE_ON"].size(), 12u) << r.out;
    ASSERT_EQ(seen["SAMPLE_OFF"].size(), 12u) << r.out;
    // Cell n is the n-th bit out of the register.
    EXPECT_EQ(seen["SAMPLE_ON"][static_cast<size_t>(n)], '1') << "enabled: the core's data din0";
    EXPECT_EQ(seen["SAMPLE_OFF"][static_cast<size_t>(n)], '0') << "disabled: the pad's pulled level";
}

INSTANTIATE_TEST_SUITE_P(
    Highz, AddBcmEnables,
    ::testing::Values(
        // Only the pad of the group floats; the bidirectional pin with a
        // control cell on its own enable and the two-state output keep
        // driving.
        EnableCase{"high_impedance_group", {kHighzInstruction, kDout1AlwaysOn, kBidirFromDin0}, "111", "1z1"},
        EnableCase{"high_impedance_group_of_two", {kHighzInstruction, kDout1AlwaysOn, kBidirAlwaysOn, kBidirFromDin0},
                   "111", "1z0"},
        EnableCase{"high_impedance_group_active_low",
                   kDout1ActiveLowOn + std::vector<Patch>{kHighzInstruction, kBidirFromDin0}, "111", "1z1"},
        EnableCase{"high_impedance_group_tied_off", {kHighzInstruction, kDout1AlwaysOff, kBidirFromDin0}, "1z1",
                   "1z1"},
        // The control cells' HIGHZ pins force their enables off.
        EnableCase{"highz_control_cell", kHighzControlCell + std::vector<Patch>{kHighzInstruction, kBidirFromDin0}, "111",
                   "1z0"},
        EnableCase{"output_enable_cells", kOutputEnableCells + std::vector<Patch>{kHighzInstruction, kBidirFromDin0},
                   "111", "111", true},
        EnableCase{"output_enable_cell_shared",
                   kOutputEnableCells + kOutputCellWithOe +
                       std::vector<Patch>{kSharedEnable, kHighzInstruction, kBidirFromDin0},
                   "111", "111", true}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Enables, AddBcm,
    ::testing::Values(
        // The pad keeps driving in functional mode: its active-high
        // enable takes the command through an inverter.
        BcmCase{"high_impedance_group", {}, {kHighzInstruction, kDout1AlwaysOn}, "chip_jtag_out", true, 8, 1},
        BcmCase{"high_impedance_group_one_module", {},
                without_directions() + std::vector<Patch>{kHighzInstruction, kDout1AlwaysOn}, "", true, 8, 1},
        BcmCase{"high_impedance_group_of_two", {}, {kHighzInstruction, kDout1AlwaysOn, kBidirAlwaysOn, kLiveBidir},
                "chip_jtag_out", true, 7, 2},
        // An active-low enable takes the command as it is.
        BcmCase{"high_impedance_group_active_low", {}, kDout1ActiveLowOn + std::vector<Patch>{kHighzInstruction},
                "chip_jtag_out", true, 8},
        // An enable tied off stays off, also under HIGHZ.
        BcmCase{"high_impedance_group_tied_off", {}, {kHighzInstruction, kDout1AlwaysOff}, "chip_jtag_out", true, 8},
        // Without the HIGHZ instruction the command never comes.
        BcmCase{"high_impedance_group_without_highz", {}, {kDout1AlwaysOn}, "chip_jtag_out", true, 8},
        BcmCase{"cells_with_highz_pins", {}, kHighzPins + std::vector<Patch>{kHighzInstruction}, "chip_jtag_in"},
        BcmCase{"cells_with_highz_pins_without_highz", {}, kHighzPins, "chip_jtag_in"},
        BcmCase{"highz_control_cell", {}, kHighzControlCell + std::vector<Patch>{kHighzInstruction}, "chip_jtag_out"},
        BcmCase{"output_enable_cells", {}, kOutputEnableCells + std::vector<Patch>{kLiveBidir}, "chip_jtag_inout"},
        BcmCase{"output_enable_cell_shared", {},
                kOutputEnableCells + kOutputCellWithOe + std::vector<Patch>{kLiveBidir, kSharedEnable},
                "chip_jtag_inout", true, 8}),
    [](const auto& info) { return info.param.name; });

}  // namespace add_bcm
