// The chain and the control signals (chain.cpp, on the trees of
// buffer_tree.cpp): the chain from FIRST_BCELL through every register row
// into LAST_BCELL, each cell's control pins on its leaf of the trees, the
// -df_speed chains, the extra pins' trees and the -synch clock tree.
#include <gtest/gtest.h>

#include <string>

#include "bscan/edit_writers.h"

namespace {

using namespace bstest;

// The chain runs from FIRST_BCELL through every row, the last row first,
// into LAST_BCELL; every control pin of every row is wired once.
TEST_F(EditWriters, ChainAndLeavesOfTheTrees) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4;";
    prepare(d);
    std::string cmd = write_all();
    int n = DYNA_count(SCAN_TAB);
    ASSERT_GT(n, 4);
    EXPECT_NE(cmd.find("connect " + std::string(SCAN_TAB[0].instance) + "{SO} TAP{BOUNDARY_out}\n"), std::string::npos);
    for (int i = 0; i + 1 < n; ++i)
        EXPECT_NE(cmd.find("connect " + std::string(SCAN_TAB[i].instance) + "{SI} " + SCAN_TAB[i + 1].instance + "{SO}\n"),
                  std::string::npos)
            << i;
    EXPECT_NE(cmd.find("connect " + std::string(SCAN_TAB[n - 1].instance) + "{SI} TAP{first_Bcell}\n"), std::string::npos);
    // Each leaf takes its group's size, in chain order; every cell's
    // control pins are wired once.
    int leaf = 0, taken = 0;
    for (int i = 0; i < n; ++i) {
        std::string c = SCAN_TAB[i].instance;
        EXPECT_EQ(count_lines(cmd, "connect " + c + "{CLOCK}"), 1u) << c;
        if (!SCAN_TAB[i].shift_dr) continue;
        EXPECT_NE(cmd.find("connect " + c + "{SHIFT} shift_buf_" + std::to_string(SHIFT_DR_LEVEL) + "_" +
                           std::to_string(leaf + 1) + "{Y}\n"),
                  std::string::npos)
            << c;
        if (++taken == SHIFT_GROUP[leaf]) {
            ++leaf;
            taken = 0;
        }
    }
    EXPECT_EQ(leaf, DYNA_count(SHIFT_GROUP));
}

TEST_F(EditWriters, WithoutGroupSizeEveryPinGoesStraightToTheTap) {
    Descriptions d;
    prepare(d);
    std::string cmd = write_all();
    EXPECT_EQ(cmd.find("_buf_"), std::string::npos) << cmd;
    const char* c = SCAN_TAB[0].instance;
    EXPECT_NE(cmd.find(std::string("connect ") + c + "{CLOCK} TAP{CLOCK_DR}\n"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find(std::string("connect ") + c + "{SHIFT} TAP{SHIFT_DR}\n"), std::string::npos) << cmd;
    EXPECT_TRUE(BUFFER_REPORT == nullptr || DYNA_count(BUFFER_REPORT) == 0);
}

// With -df_speed every control pin hangs on the buffer of its signal's
// chain that serves its group: the cells' HIGHZ and EXTRA_n pins and a
// mux pad's tied MODE pin (cut from its tie first) as the clock and
// shift pins do.  Groups of two: the third load of a signal takes the
// chain's second buffer.
TEST_F(EditWriters, DfSpeedChainsServeEveryControlPin) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 2; %EXTRA_1 X1;";
    d.lib_extra = "%SCAN_CELL BC_X { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
                  " %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ; %EXTRA_1 E1; }";
    d.default_cells = false;
    d.cells_extra = "%INPUT_SCAN BC_X; %CLOCK_SCAN BC_X; %OUTPUT_SCAN BC_X; %INPUT_MUX_SCAN BC_IMUX;";
    JTAG_OPTION[OPT_DF_SPEED] = 1;
    d.pin_rows = "1 CLK clk in\n2 DIN din in\n3 DOUT dout out\n8 MI mi in\n90 TDI tdi in\n91 TMS tms in\n"
                 "92 TCK tck in\n93 TDO tdo out\n";
    prepare(d);
    std::string cmd = write_all();
    EXPECT_TRUE(has_block(cmd, {"add highz_df_buf_1 BUF", "connect TAP{HIGHZ} highz_df_buf_1{A}",
                                "add highz_df_buf_2 BUF", "connect highz_df_buf_1{Y} highz_df_buf_2{A}"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"add extra1_df_buf_1 BUF", "connect TAP{X1} extra1_df_buf_1{A}"})) << cmd;
    // Every HZ and E1 pin once, on the buffer of its group in chain order.
    int highz = 0, extra = 0;
    for (int i = 0, n = DYNA_count(SCAN_TAB); i < n; ++i) {
        const std::string c = SCAN_TAB[i].instance;
        if (SCAN_TAB[i].highz) {
            EXPECT_EQ(count_lines(cmd, "connect " + c + "{HZ} highz_df_buf_" + std::to_string(highz / 2 + 1) + "{Y}"), 1u)
                << c << "\n" << cmd;
            ++highz;
        }
        if (DYNA_count(SCAN_TAB[i].extra) > 0 && SCAN_TAB[i].extra[0]) {
            EXPECT_EQ(count_lines(cmd, "connect " + c + "{E1} extra1_df_buf_" + std::to_string(extra / 2 + 1) + "{Y}"), 1u)
                << c << "\n" << cmd;
            ++extra;
        }
    }
    EXPECT_EQ(highz, 3) << cmd;
    EXPECT_EQ(extra, 3) << cmd;
    EXPECT_TRUE(has_block(cmd, {"disconnect PAD_MI{S}", "connect PAD_MI{S} mode2_df_buf_1{Y}"})) << cmd;
}

TEST_F(EditWriters, ExtraPinsHangOnTheirOwnTrees) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4; %EXTRA_1 X1;";
    d.lib_extra = "%SCAN_CELL BC_X { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
                  " %EXTRA_1 E1; }";
    d.default_cells = false;
    d.cells_extra = "%INPUT_SCAN BC_X; %CLOCK_SCAN BC_X; %OUTPUT_SCAN BC_OUT;";
    d.pin_rows = "1 CLK clk in\n3 DOUT dout out\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    prepare(d);
    std::string cmd = write_all();
    EXPECT_TRUE(has_block(cmd, {"add extra1_buf_1_1 BUF", "connect TAP{X1} extra1_buf_1_1{A}"})) << cmd;
    EXPECT_NE(cmd.find("connect " + cell("clk") + "{E1} extra1_buf_1_1{Y}\n"), std::string::npos) << cmd;
}

// With -synch every cell's TCK pin hangs on the tree of the boundary-cell
// clock, rooted at the TAP's BCELL_TCK pin.
TEST_F(EditWriters, SynchClockTree) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4;";
    d.lib_extra = "%SCAN_CELL BC_T { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %TCK TK; %SHIFT_DR SHIFT;"
                  " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }";
    d.default_cells = false;
    d.cells_extra = "%INPUT_SCAN BC_T; %CLOCK_SCAN BC_T; %OUTPUT_SCAN BC_T;";
    d.pin_rows = "1 CLK clk in\n3 DOUT dout out\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    JTAG_OPTION[OPT_SYNCH] = 1;
    prepare(d);
    std::string cmd = write_all();
    EXPECT_TRUE(has_block(cmd, {"add bclk_buf_1_1 BUF", "connect TAP{BCELL_TCK} bclk_buf_1_1{A}"})) << cmd;
    EXPECT_NE(cmd.find("connect " + cell("clk") + "{TK} bclk_buf_1_1{Y}\n"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find("connect " + cell("dout") + "{TK} bclk_buf_1_1{Y}\n"), std::string::npos) << cmd;
}

// One boundary cell: the chain is the two lines to the TAP with the
// cell's control lines between them.
TEST_F(EditWriters, OneCellChain) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    prepare(d);
    std::string cmd = write_all();
    std::string c = cell("dout");
    EXPECT_TRUE(has_block(cmd, {"connect " + c + "{SO} TAP{BOUNDARY_out}", "connect " + c + "{CLOCK} TAP{CLOCK_DR}",
                                "connect " + c + "{SHIFT} TAP{SHIFT_DR}", "connect " + c + "{UPDATE} TAP{UPDATE_DR}",
                                "connect " + c + "{MODE} TAP{MODE1}", "connect " + c + "{SI} TAP{first_Bcell}", "save",
                                "quit"}))
        << cmd;
}

}  // namespace
