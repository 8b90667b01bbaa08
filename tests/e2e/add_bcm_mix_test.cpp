// kestrand -add_bcm on chips that mix the pad roads: mux pads beside
// high-impedance groups and output-enable cells, pads that carry their own
// boundary cell with control cells of the module and in a group with
// module pads, such pads under -synch, %EXTRA pins and -df_speed with mux
// pads in position groups, and active-low pins among them.  Each is a row
// of the end-to-end case of add_bcm_test.cpp, simulated through the TAP
// pins, HIGHZ included where a group takes the command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace add_bcm {
namespace {

// The three-state mux output dout1 (kMuxPads) with its enable tied on: it
// joins a high-impedance group.
const Patch kMuxDout1AlwaysOn{"chip.v", ".OE(dout1_oe), .PAD(dout1), .M1", ".OE(1'b1), .PAD(dout1), .M1"};

// The bidirectional mux pad (kMuxPads) driving din0: what it drives is
// known.
const Patch kMuxBidirFromDin0{"chip.v", "  BUF bi (.A(bidir_in), .Y(bidir_out));",
                              "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"};

// The bidirectional mux cell with an %OE_MODE input (which its model
// leaves unused): the pad's control cell is an output-enable one.
const std::vector<Patch> kMuxBidirCellWithOe = {
    {"chip.lib", "%SCAN_CELL BC_BMUX { %STD_NAME BC_7;", "%SCAN_CELL BC_BMUX { %STD_NAME BC_7; %OE_MODE OE;"},
    {"cells.v", "module BC_BMUX (DI,", "module BC_BMUX (OE, DI,"},
    {"cells.v", "input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE;", "input OE, DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE;"}};

// dout0 and dout1 on a three-state pad buffer that carries its own
// boundary cell: dout0 with its enable tied on (a high-impedance group,
// which the bidirectional pin with its enable tied on joins), dout1 on its
// enable net (a control cell of the module).
const std::vector<Patch> kThreeStatePadsWithOwnCells = {
    {"chip.lib", "",
     "\n%BS_BUFFER PIN_BST { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
     " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }\n"},
    {"cells.v", "",
     celldefine(
         cell_model("PIN_BST", "A, OE, MODE", "PAD", "A", "  assign PAD = OE ? (MODE === 1'b1 ? hold : A) : 1'bz;\n"))},
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));",
     "  PIN_BST   PAD_DOUT0  (.A(dout_c[0]), .OE(1'b1), .PAD(dout0));"},
    {"chip.v", "  PIN_TRI   PAD_DOUT1  (", "  PIN_BST   PAD_DOUT1  ("},
    {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BST)"},
    {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_BST) PAD_EN_H\n7"},
    kBidirAlwaysOn,
    kBidirFromDin0};

// dout1 on the own-cell buffer of kThreeStatePadsWithOwnCells, on the
// bidirectional pin's enable: the two share one control cell.
const std::vector<Patch> kOwnCellPadSharesEnable = {
    kThreeStatePadsWithOwnCells[0],
    kThreeStatePadsWithOwnCells[1],
    kThreeStatePadsWithOwnCells[3],
    kThreeStatePadsWithOwnCells[5],
    {"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"},
    kBidirFromDin0};
// The three-state mux output on the bidirectional mux pad's enable.
const Patch kMuxDout1SharesEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1), .M1", ".OE(bidir0_oe), .PAD(dout1), .M1"};

// The pads of kPadsWithOwnCells with a cell clock for -synch.
const std::vector<Patch> kOwnCellClocks = {
    {"chip.lib", "%MODE_1 MODE; }\n%BS_BUFFER PIN_BSO", "%MODE_1 MODE; %TCK TCK; }\n%BS_BUFFER PIN_BSO"},
    {"chip.lib", "%UPDATE_DR UPDATE; %MODE_1 MODE; }\n", "%UPDATE_DR UPDATE; %MODE_1 MODE; %TCK TCK; }\n"},
    {"cells.v", "module PIN_BSI (PAD, MODE,", "module PIN_BSI (TCK, PAD, MODE,"},
    {"cells.v", "input PAD, MODE,", "input TCK, PAD, MODE,"},
    {"cells.v", "module PIN_BSO (A, MODE,", "module PIN_BSO (TCK, A, MODE,"},
    {"cells.v", "input A, MODE,", "input TCK, A, MODE,"}};

// Every cell of the fixture and the TAP with the extra pin %EXTRA_1
// (the TAP's AUX), given before the mux cells join the library.
const std::vector<Patch> kExtraPin =
    cells_with("EX", "%EXTRA_1 EX;") +
    std::vector<Patch>{{"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 AUX;"}};
const std::vector<Patch> kExtraPinActiveLow =
    cells_with("EX", "%EXTRA_1 EX;") +
    std::vector<Patch>{{"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 -AUX;"}};

// The TAP's high-impedance command on its MODE_1 pin: the HIGHZ
// instruction drives MODE_1 as EXTEST does.
const Patch kHighzOnMode1{"chip.lib", "%HIGHZ_COMMAND HIGHZ;", "%HIGHZ_COMMAND MODE1;"};

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    Mix, AddBcm,
    ::testing::Values(
        // dout1 floats under HIGHZ through its group's buffer and an
        // inverter; bidir0 keeps its output-enable control cell.
        BcmCase{"mux_pads_high_impedance_group_output_enable_cells",
                {},
                kMuxPads + kMuxBidirCellWithOe + kOutputEnableControlCell +
                    std::vector<Patch>{kMuxDout1AlwaysOn, kHighzInstruction, kMuxBidirFromDin0},
                "chip_jtag_inout",
                true,
                8,
                1,
                "111 1z1"},
        BcmCase{"mux_pads_high_impedance_group_one_module",
                {},
                without_directions() + kMuxPads +
                    std::vector<Patch>{kMuxDout1AlwaysOn, kHighzInstruction, kMuxBidirFromDin0},
                "",
                true,
                8,
                1,
                "111 1z1"},
        // One group of an own-cell pad and a module pad: one buffer, each
        // enable through its inverter; dout1 keeps driving from the
        // module's control cell.
        BcmCase{"own_cell_pads_control_cell_high_impedance_group",
                {},
                kThreeStatePadsWithOwnCells + std::vector<Patch>{kHighzInstruction},
                "chip_jtag_out",
                true,
                8,
                2,
                "111 z10"},
        BcmCase{"own_cell_pads_high_impedance_group_one_module",
                {},
                without_directions() + kThreeStatePadsWithOwnCells + std::vector<Patch>{kHighzInstruction},
                "",
                true,
                8,
                2,
                "111 z10"},
        // One control cell for a pad outside the module and one inside.
        BcmCase{"own_cell_pad_shares_a_control_cell",
                {},
                kOwnCellPadSharesEnable + std::vector<Patch>{kHighzInstruction},
                "chip_jtag_inout",
                true,
                8,
                0,
                "111 111"},
        BcmCase{"mux_pads_share_a_control_cell",
                {},
                kMuxPads + std::vector<Patch>{kMuxDout1SharesEnable},
                "chip_jtag_inout",
                true,
                8},
        // The pads keep their cells: no inverter for the active-low pin.
        BcmCase{"own_cell_pads_active_low",
                {},
                kPadsWithOwnCells + std::vector<Patch>{{"chip.pin", "DIN0    din0", "DIN0    -din0"}},
                "chip_jtag_in",
                true,
                9},
        BcmCase{"own_cell_pads_synch",
                {"-synch"},
                cells_with("TCK", "%TCK TCK;") + kPadsWithOwnCells + kOwnCellClocks,
                "chip_jtag_in",
                false,
                9},
        BcmCase{"extra_pin_df_speed_mux_pads",
                {"-df_speed"},
                kExtraPin + kMuxPads + std::vector<Patch>{kGroupSize2},
                "chip_jtag_inout",
                true,
                9},
        BcmCase{"extra_pin_active_low_df_speed_own_cell_pads",
                {"-df_speed"},
                kExtraPinActiveLow + kPadsWithOwnCells + std::vector<Patch>{kGroupSize2},
                "chip_jtag_in",
                true,
                9},
        BcmCase{"mux_pads_active_low_high_impedance_group",
                {},
                kMuxPads + kMuxPinsActiveLow +
                    std::vector<Patch>{kMuxDout1AlwaysOn, kHighzInstruction, kMuxBidirFromDin0},
                "chip_jtag_inout",
                true,
                8,
                1,
                "111 1z1"},
        // The group's buffer takes the module's port of the TAP's MODE_1
        // output; under HIGHZ the cells hold their update stages.
        BcmCase{"high_impedance_command_on_mode1",
                {},
                {kHighzOnMode1, kHighzInstruction, kDout1AlwaysOn, kBidirFromDin0},
                "chip_jtag_out",
                true,
                8,
                1,
                "111 xzx"},
        // The cells' %HIGHZ pins take the mode-1 net.
        BcmCase{"cells_with_highz_pins_command_on_mode1",
                {},
                cells_with("HZ", "%HIGHZ HZ;") + std::vector<Patch>{kHighzOnMode1, kHighzInstruction},
                "chip_jtag_in"},
        BcmCase{
            "high_impedance_command_on_mode1_mux_pads_one_module",
            {},
            without_directions() + kMuxPads +
                std::vector<Patch>{kHighzOnMode1, kHighzInstruction, kMuxDout1AlwaysOn, kMuxBidirFromDin0},
            "",
            true,
            8,
            1,
            "111 xzx"}),
    [](const auto& info) { return info.param.name; });


// With the command on MODE_1 the TAP has no output of its own for it: the
// module passes its mode-1 net out on the port of the command's pin, which
// the group's buffer takes, and the cells' %HIGHZ pins hang on the same net.
TEST(AddBcmMix, HighImpedanceCommandRidesTheModeOneNet) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::compile_notap_chip(dir.path(),
                                    cells_with("HZ", "%HIGHZ HZ;") + without_directions() +
                                        std::vector<Patch>{kHighzOnMode1, kHighzInstruction, kDout1AlwaysOn});
    if (HasFatalFailure()) return;
    const testsupport::RunResult r = testsupport::run_kestrand(dir.path(), {"-add_bcm"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string module = testsupport::read_file(dir.path() / "chip_BCM.v");
    const std::string cmd = testsupport::read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    EXPECT_NE(cmd.find("connect highz_buf0{A} chip_BCM{BCM_MODE1}\n"), std::string::npos) << cmd;
    EXPECT_NE(module.find("assign BCM_MODE1 = mode1_buf_1_1_A;\n"), std::string::npos) << module;
    EXPECT_NE(module.find("assign highz_buf_1_1_A = BCM_MODE1;\n"), std::string::npos) << module;
    // The TAP's MODE1 output is bound once, to the mode-1 tree.
    const std::regex mode1_pin(R"(\.MODE1\t\( ([^ ]+) \))");
    std::vector<std::string> bound;
    for (auto it = std::sregex_iterator(module.begin(), module.end(), mode1_pin); it != std::sregex_iterator(); ++it)
        bound.push_back((*it)[1]);
    EXPECT_EQ(bound, std::vector<std::string>{"mode1_buf_1_1_A"}) << module;
}

}  // namespace add_bcm
