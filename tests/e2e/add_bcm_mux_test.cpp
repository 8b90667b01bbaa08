// kestrand -add_bcm on internal and observe-only points, on mux pads and
// on ports without pads (-no_pad):
// rows of the AddBcm end-to-end case (tests/e2e/add_bcm_test.cpp) on the
// fixture chip with such pins patched in, and EXTEST through the mux pads'
// second data inputs, simulated through the TAP pins.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/chip_tap_bench.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace add_bcm {

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::RunResult;

// ------------------------------------------------------ internal points

// A buffer between the rst_n pad and the core, whose output is an
// internal point (a cell with DATA_OUT cut into its net) and whose input
// is an observe-only point (a cell that only captures).
const std::vector<Patch> kInternalPoints = {
    {"chip.v", "  core core (.clk(clk_c), .rst_n(rst_n_c),",
     "  wire rst_g;\n  BUF grst (.A(rst_n_c), .Y(rst_g));\n  core core (.clk(clk_c), .rst_n(rst_g),"},
    {"chip.pin", "15  VDD     *       *", "15  INTERNAL grst{Y} *"},
    {"chip.pin", "16  VSS     *       *", "16  OBSERVE  grst{A} *"},
    {"chip.bsc", "    %CONTROL_SCAN BC_CTRL;\n",
     "    %CONTROL_SCAN BC_CTRL;\n    %INTERNAL_SCAN BC_IN;\n    %OBSERVE_ONLY_SCAN BC_OBS;\n"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_OBS { %STD_NAME BC_4; %DATA_IN DI; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
     " %UPDATE_DR UPDATE; }\n"},
    {"cells.v", "", celldefine(cell_model("BC_OBS", "DI", "UNUSED", "DI", "  assign UNUSED = hold;\n"))}};

// bidir0 with both mux inputs and one cell (PAD_MUX_BIDIR2).
const std::vector<Patch> kMuxBidirTwoInputs =
    kMuxLibrary + std::vector<Patch>{scan_cells("    %BIDIR_MUX_SCAN BC_BMUX;\n")} + mux_bidir("PIN_BIDIRMUX2", true);
// bidir0 from an input cell and an output mux cell (PAD_MUX_INOUT1) ...
const std::vector<Patch> kMuxPairOneInput = kMuxLibrary + std::vector<Patch>{kNoBidirCell, scan_cells("    %OUTPUT_MUX_SCAN BC_OMUX;\n")} +
                                            mux_bidir("PIN_BIDIRMUX", false);
// ... and from an input mux cell and an output mux cell (PAD_MUX_INOUT2).
const std::vector<Patch> kMuxPairTwoInputs =
    kMuxLibrary +
    std::vector<Patch>{kNoBidirCell, scan_cells("    %OUTPUT_MUX_SCAN BC_OMUX;\n    %INPUT_MUX_SCAN BC_IMUX;\n")} +
    mux_bidir("PIN_BIDIRMUX2", true);

// ------------------------------------------------------ ports without pads

// din0 and dout0 without pads, straight at gates of the top (-no_pad):
// each port stands for its pad.
const std::vector<Patch> kPortsWithoutPads = {
    {"chip.v", "  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));\n", "  AND2 g0 (.A(din0), .B(din0), .Y(din_c[0]));\n"},
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));\n",
     "  AND2 g1 (.A(dout_c[0]), .B(dout_c[0]), .Y(dout0));\n"},
    {"cells.v", "",
     celldefine("module AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n")}};
// The same ports active low.
const std::vector<Patch> kActiveLowPortsWithoutPads =
    kPortsWithoutPads + std::vector<Patch>{{"chip.pin", "DIN0    din0", "DIN0    -din0"}, {"chip.pin", "DOUT0   dout0", "DOUT0   -dout0"}};

// The edited chip of kMuxPads through its TAP pins: the TAP reset, then
// PRELOAD of every cell with one value and EXTEST or INTEST.  "F" shows
// dout0, dout1, bidir0 and what the core sees of din1 in functional mode,
// "E<v>" the three outputs under EXTEST, "I<v>" the core's din1 under
// INTEST, each after all cells were loaded with v while the pins din0
// and din1 hold the opposite value.
const std::string kTestModeBench = chip_tap_bench::chip_bench_head() + R"(  task preload(input v);
    integer j;
    begin
      ir(4'b0001);
      step(1, 0, 0); step(0, 0, 0); step(0, 0, 0);
      for (j = 0; j < 16; j = j + 1) step(j == 15, v, 0);
      step(1, 0, 0); step(0, 0, 0);
    end
  endtask
  integer v;
  initial begin
    tck = 0; tms = 1; tdi = 0; trst = 0; clk = 0; rst_n = 1; din0 = 0; din1 = 1;
    #100 trst = 1;
    repeat (5) step(1, 0, 0);
    step(0, 0, 0);
    #10 $display("F %b%b%b%b", dout0, dout1, bidir0, dut.core.din[1]);
    for (v = 1; v >= 0; v = v - 1) begin
      din0 = !v; din1 = !v;
      preload(v); ir(4'b0000);
      #10 $display("E%0d %b%b%b", v, dout0, dout1, bidir0);
      preload(v); ir(4'b0011);
      #10 $display("I%0d %b", v, dut.core.din[1]);
    end
    $finish;
  end
endmodule
)";

}  // namespace

// Under EXTEST the mux output pads drive what their cells hold through
// their second data input (the three-state and bidirectional pads through
// their control cells as well), and under INTEST the mux input pad hands
// the core its cell's value instead of the pin's.
TEST(AddBcmMux, SecondDataInputsCarryTheCellsInTestMode) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    testsupport::TempDir dir;
    const Patch intest{"chip.bsc", "    %INSTRUCTION BYPASS", "    %INSTRUCTION INTEST = (0011) ACCESS BOUNDARY;\n    %INSTRUCTION BYPASS"};
    testsupport::compile_notap_chip(dir.path(), kMuxPads + std::vector<Patch>{intest});
    if (HasFatalFailure()) return;
    RunResult r = testsupport::run_kestrand(dir.path(), {"-add_bcm"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    std::ofstream(dir.path() / "tb_test_mode.v") << kTestModeBench;
    r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "test_mode_sim", "tb_test_mode.v", "cells.v",
                          "chip_TAP.v", "chip_jtag.v"},
                         dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "test_mode_sim"}, dir.path());
    // Functional: dout0 follows din0, dout1 and bidir0 are not enabled
    // (din1 and rst_n high), the core sees din1.
    EXPECT_NE(r.out.find("F 0zz1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("E1 111\nI1 1\nE0 0zz\nI0 0\n"), std::string::npos) << r.out;
}

// A mux input pad whose tied MODE_2 pin needs the TAP's mode-2 output,
// with a TAP description that names no %MODE_2: the RTL TAP that the run
// writes takes the default name, and the module's mode-2 tree hangs on it.
TEST(AddBcmMux, MuxPadWithoutATapModePinInTheLibrary) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    std::vector<Patch> patches;
    for (const Patch& p : kMuxPads)
        if (p.to.find("%MODE_2 MODE2;") == std::string::npos) patches.push_back(p);
    testsupport::compile_notap_chip(dir.path(), patches);
    if (HasFatalFailure()) return;
    const RunResult r = testsupport::run_kestrand(dir.path(), {"-add_bcm"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("WARNING: (./chip.lib) can't find %MODE_2 in %TAP_CONTROLLER qdx_tap.\n"
                         "         Using default name -> MODE2.\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(read_file(dir.path() / "chip_BCM.v").find(".MODE2\t( mode2_buf_1_1_A )"), std::string::npos);
    EXPECT_NE(read_file(dir.path() / "chip_TAP.v").find("MODE2"), std::string::npos);
}

// -add_pad would add pads that the module's road does not wire: the run
// stops before it writes a file of its own.
TEST(AddBcmMux, AddPadOnPortsWithoutPadsIsRefused) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::compile_notap_chip(dir.path(), kPortsWithoutPads);
    if (HasFatalFailure()) return;
    const RunResult r = testsupport::run_kestrand(dir.path(), {"-add_bcm", "-add_pad"});
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("ERROR: the option -add_bcm with -add_pad on ports without a pad is not available in this "
                         "version.\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "chip_BCM.v"));
    EXPECT_FALSE(fs::exists(dir.path() / "chip_TAP.v"));
}

INSTANTIATE_TEST_SUITE_P(
    MuxAndInternal, AddBcm,
    ::testing::Values(BcmCase{"internal_points", {}, kInternalPoints, "chip_jtag_other", true, 11},
                      BcmCase{"internal_points_one_module", {}, kInternalPoints + without_directions(), "", true, 11},
                      BcmCase{"mux_pads", {}, kMuxPads, "chip_jtag_inout", true, 9},
                      BcmCase{"mux_pads_one_module", {}, without_directions() + kMuxPads, "", true, 9},
                      BcmCase{"mux_pads_group_size_2", {}, kMuxPads + std::vector<Patch>{kGroupSize2}, "chip_jtag_out",
                              true, 9},
                      BcmCase{"mux_bidir_two_inputs", {}, kMuxBidirTwoInputs, "chip_jtag_inout", true, 9},
                      BcmCase{"mux_pair_one_input", {}, kMuxPairOneInput, "chip_jtag_inout", true, 10},
                      BcmCase{"mux_pair_two_inputs", {}, kMuxPairTwoInputs, "chip_jtag_inout", true, 10},
                      BcmCase{"pads_with_their_own_cells", {}, kPadsWithOwnCells, "chip_jtag_in", true, 9},
                      BcmCase{"pads_with_their_own_cells_one_module", {}, without_directions() + kPadsWithOwnCells, "",
                              true, 9},
                      BcmCase{"ports_without_pads", {"-no_pad"}, kPortsWithoutPads, "chip_jtag_in", true, 9},
                      BcmCase{"active_low_ports_without_pads", {"-no_pad"}, kActiveLowPortsWithoutPads, "chip_jtag_in",
                              true, 9, 0}),
    [](const auto& info) { return info.param.name; });

}  // namespace add_bcm
