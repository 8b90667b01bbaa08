// kestrand -add_bcm on pads whose enables take more than a plain control
// cell: high-impedance groups (enables tied to a constant), cells with a
// %HIGHZ pin, output-enable data cells with their control cells, shared
// among pads.  The rows run the end-to-end case of add_bcm_test.cpp; the
// test below drives the HIGHZ instruction through the TAP pins and watches
// the pads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace add_bcm {

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::RunResult;

std::vector<Patch> operator+(std::vector<Patch> a, const std::vector<Patch>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The instruction HIGHZ (it gives the TAP its high-impedance output).
const Patch kHighzInstruction{"chip.bsc", "    %INSTRUCTION BYPASS",
                              "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"};
// The three-state output's enable (active high) tied on or off: the pad
// joins a high-impedance group.
const Patch kDout1AlwaysOn{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"};
const Patch kDout1AlwaysOff{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b0), .PAD(dout1)"};
// The three-state output takes the bidirectional pad's enable.
const Patch kSharedEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"};

// Output-enable cells: the bidirectional cell captures the core's data
// while its pad drives and the pad otherwise (its %OE_MODE input watches
// the enable); the output-enable control cell shows its update stage on
// its %OE_MODE output.
const std::vector<Patch> kOutputEnableCells = {
    {"chip.lib", "%SYS_PIN FROM_PAD; %SYS_IN TO_CORE; // from the pad to the core",
     "%SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %OE_MODE OE;"},
    {"cells.v", "module BC_BIDIR (DI, DO, FROM_PAD, TO_CORE, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n"
                "  input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE, MODE;",
     "module BC_BIDIR (DI, DO, FROM_PAD, TO_CORE, SI, SO, SHIFT, CLOCK, UPDATE, MODE, OE);\n"
     "  input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE, MODE, OE;"},
    {"cells.v", "always @(posedge CLOCK) capture <= SHIFT ? SI : FROM_PAD;",
     "always @(posedge CLOCK) capture <= SHIFT ? SI : OE ? DI : FROM_PAD;"},
    {"chip.bsc", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRL;\n    %CONTROL_OE_SCAN BC_CTRL_OE;"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_CTRL_OE\n{\n    %STD_NAME BC_1;\n"
     "    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %OE_MODE OEM;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_CTRL_OE (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, OEM);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;\n  output DO, SO, OEM;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n  assign OEM = hold;\n  assign DO = MODE ? hold : DI;\nendmodule\n`endcelldefine\n"},
    kLiveBidir};
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
const std::vector<Patch> kHighzControlCell = {
    {"chip.bsc", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRLZ;"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_CTRLZ\n{\n    %STD_NAME BC_1;\n"
     "    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_CTRLZ (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output DO, SO;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n  assign DO = HZ ? 1'b0 : MODE ? hold : DI;\nendmodule\n`endcelldefine\n"}};

const std::vector<Patch> kHighzPins = cells_with("HZ", "%HIGHZ HZ;");

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Enables, AddBcm,
    ::testing::Values(
        // The pad keeps driving in functional mode: its active-high
        // enable takes the command through an inverter.
        BcmCase{"high_impedance_group", {}, {kHighzInstruction, kDout1AlwaysOn}, "chip_jtag_out", true, 8, 1},
        BcmCase{"high_impedance_group_one_module", {}, without_directions() + std::vector<Patch>{kHighzInstruction, kDout1AlwaysOn}, "", true, 8, 1},
        // An enable tied off stays off, also under HIGHZ.
        BcmCase{"high_impedance_group_tied_off", {}, {kHighzInstruction, kDout1AlwaysOff}, "chip_jtag_out", true, 8},
        // Without the HIGHZ instruction the command never comes.
        BcmCase{"high_impedance_group_without_highz", {}, {kDout1AlwaysOn}, "chip_jtag_out", true, 8},
        BcmCase{"cells_with_highz_pins", {}, kHighzPins + std::vector<Patch>{kHighzInstruction}, "chip_jtag_in"},
        BcmCase{"cells_with_highz_pins_without_highz", {}, kHighzPins, "chip_jtag_in"},
        BcmCase{"highz_control_cell", {}, kHighzControlCell + std::vector<Patch>{kHighzInstruction}, "chip_jtag_out"},
        BcmCase{"output_enable_cells", {}, kOutputEnableCells, "chip_jtag_inout"},
        BcmCase{"output_enable_cell_shared", {}, kOutputEnableCells + kOutputCellWithOe + std::vector<Patch>{kSharedEnable},
                "chip_jtag_inout", true, 8}),
    [](const auto& info) { return info.param.name; });

}  // namespace add_bcm
