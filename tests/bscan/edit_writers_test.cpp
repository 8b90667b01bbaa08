// The command-file writers on small designs: the boundary cells of each
// pad kind, control cells and their sharing, the chain and the control
// signals, the top design's head and TAP wiring, and the checks of the
// command files themselves.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bscan/edit.h"
#include "support/insertion_test_util.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "sdb/sdb.h"

namespace {

using namespace bstest;
namespace fs = std::filesystem;
using testsupport::read_file;
const int I = SDB_DIR_INPUT, O = SDB_DIR_OUTPUT, B = SDB_DIR_BIDIR;

const char* kPins = R"(
1 CLK clk in
2 DIN -din in
3 DOUT dout out
4 TRI tri out PAD_EN_H
5 TRI2 tri2 out
7 BID bid inout
8 MI mi in
9 MO mo out
10 PASS pass in
11 BSP bsp in
16 OBSERVE_ONLY u1{Y} out
18 INTERNAL u2{A} in
90 TDI tdi in
91 TMS tms in
92 TCK tck in
93 TDO tdo out
)";

// A pad that carries its own boundary cell.
const char* kBsBuffer =
    "%BS_BUFFER PIN_BS { %INPUT PAD; %OUTPUT Y; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
    " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; }";

void build_design() {
    Design d;
    add_library_classes(d);
    d.cell("PIN_BS", {{"PAD", I}, {"Y", O}, {"SI", I}, {"SO", O}, {"SHIFT", I}, {"CLOCK", I}});
    add_tap_with_pads(d);
    for (const char* p : {"clk", "din", "mi", "pass", "bsp"}) d.port(p, I);
    for (const char* p : {"dout", "tri", "tri2", "mo"}) d.port(p, O);
    d.port("bid", B);
    auto cell = [&](const char* inst, const char* cls, std::initializer_list<std::pair<const char*, const char*>> pins) {
        d.inst(inst, cls);
        d.pins(inst, pins);
    };
    cell("PAD_CLK", "PIN_CLK", {{"PAD", "clk"}, {"Y", "clk_c"}});
    cell("PAD_DIN", "PIN_IN", {{"PAD", "din"}, {"Y", "din_c"}});
    cell("PAD_DOUT", "PIN_OUT", {{"A", "dout_c"}, {"PAD", "dout"}});
    cell("PAD_TRI", "PIN_TRI", {{"A", "tri_c"}, {"OE", "oe1"}, {"PAD", "tri"}});
    cell("PAD_TRI2", "PIN_TRI", {{"A", "tri2_c"}, {"OE", "oe1"}, {"PAD", "tri2"}});
    cell("PAD_BID", "PIN_BIDIR", {{"A", "bid_o"}, {"OE", "bid_oe"}, {"Y", "bid_i"}, {"PAD", "bid"}});
    cell("PAD_MI", "PIN_IMUX", {{"PAD", "mi"}, {"Y", "mi_c"}, {"S", "GND"}});  // MUX_IN2 open
    cell("PAD_MO", "PIN_OMUX", {{"A", "mo_c"}, {"M", "VCC"}, {"PAD", "mo"}});  // MODE_1 open
    cell("PAD_PASS", "PIN_PASS", {{"PAD", "pass"}, {"Y", "pass_c"}});
    cell("PAD_BSP", "PIN_BS", {{"PAD", "bsp"}, {"Y", "bsp_c"}});
    cell("g1", "AND2", {{"A", "clk_c"}, {"B", "din_c"}, {"Y", "dout_c"}});
    cell("g2", "AND2", {{"A", "mi_c"}, {"B", "pass_c"}, {"Y", "tri_c"}});
    cell("g3", "AND2", {{"A", "bid_i"}, {"B", "bsp_c"}, {"Y", "oe1"}});
    cell("g4", "AND2", {{"Y", "tri2_c"}});
    cell("g5", "AND2", {{"Y", "bid_o"}});
    cell("g6", "AND2", {{"Y", "bid_oe"}});
    cell("g7", "AND2", {{"Y", "mo_c"}});
    cell("u1", "AND2", {{"A", "din_c"}, {"Y", "u1_y"}});
    cell("u2", "AND2", {{"A", "u1_y"}, {"Y", "u2_y"}});
}

// The lines of a text.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> v;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        v.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return v;
}

// True when `want` appear in `text` as consecutive lines.
bool has_block(const std::string& text, const std::vector<std::string>& want) {
    std::vector<std::string> all = lines(text);
    for (size_t i = 0; i + want.size() <= all.size(); ++i) {
        size_t k = 0;
        while (k < want.size() && all[i + k] == want[k]) ++k;
        if (k == want.size()) return true;
    }
    return false;
}

size_t count_lines(const std::string& text, const std::string& prefix) {
    size_t n = 0;
    for (const auto& l : lines(text))
        if (l.rfind(prefix, 0) == 0) ++n;
    return n;
}

class EditWriters : public InsertionTest {
protected:
    // Reads the descriptions, builds the design, the pad table and the
    // groups, and opens the design again for the writers (the pad table
    // closes it).
    void prepare(Descriptions d) {
        if (d.pin_rows.empty()) d.pin_rows = kPins;
        d.lib_extra += kBsBuffer;
        read_descriptions(d);
        build_design();
        ASSERT_EQ(SDB_save(sdb), 0);
        testing::internal::CaptureStdout();
        build_pad_table();
        open_sdb_file("t.c.sdb");
        PAD_MODULE_EXIST = 0;
        warnings_ = testing::internal::GetCapturedStdout();
    }

    // The cells of every pad, then the trees and the chain, in one file.
    std::string write_all() {
        FILE* fp = bs_open_cmd_file("t.cmd");
        EXPECT_NE(fp, nullptr);
        testing::internal::CaptureStdout();
        for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i)
            if (OPIN_TAB[i].cell) add_scan_cells_in_cmd_file(fp, i);
        HIGHZ_CNT = 0;
        built_bus_balance_group_tab_for_control_signal();
        connect_scan_cell_in_cmd(fp);
        warnings_ += testing::internal::GetCapturedStdout();
        return read_file("t.cmd");
    }

    static std::string cell(const char* signal) { return text(pad(signal).cell_request); }

    std::string warnings_;
};

TEST_F(EditWriters, CellsOfEachPadKind) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4;";
    prepare(d);
    std::string cmd = write_all();
    std::string clk = cell("clk"), din = cell("din"), dout = cell("dout"), tri = cell("tri"), bid = cell("bid");

    // Input pad: the cell cut in between the pad and the core; the
    // active-low port ("-din") the same way, with no inverter anywhere:
    // its cell sees the pin's level, as its register row says.
    for (const std::string& c : {clk, din}) {
        const std::string pad = c == clk ? "PAD_CLK" : "PAD_DIN";
        const std::string load = c == clk ? "g1{A}" : "g1{B}";
        EXPECT_TRUE(has_block(cmd, {"add " + c + " BC_IN", "disconnect " + pad + "{Y}", "connect " + c + "{DO} " + load,
                                    "connect " + c + "{DI} " + pad + "{Y}"}))
            << cmd;
    }
    EXPECT_EQ(cmd.find("B_PAD_INV"), std::string::npos) << cmd;
    // Output pad: DATA_OUT to the pad, DATA_IN from the core's driver.
    EXPECT_TRUE(has_block(cmd, {"add " + dout + " BC_OUT", "disconnect PAD_DOUT{A}", "connect " + dout + "{DO} PAD_DOUT{A}",
                                "connect " + dout + "{DI} g1{Y}"}))
        << cmd;
    // Bidirectional pad: both sides through the one cell, then its control cell.
    EXPECT_TRUE(has_block(cmd, {"add " + bid + " BC_BIDIR", "disconnect PAD_BID{A}", "connect " + bid + "{DI} g5{Y}",
                                "connect " + bid + "{DO} PAD_BID{A}", "disconnect PAD_BID{Y}",
                                "connect " + bid + "{TO_CORE} g3{A}", "connect " + bid + "{FROM_PAD} PAD_BID{Y}"}))
        << cmd;
    // Two pads on one enable net share one control cell: the owner adds
    // it and takes the enable's driver, the other only moves its enable.
    const std::string control = text(CONTROL_TAB[pad("tri").control - 1].instance);
    EXPECT_TRUE(has_block(cmd, {"add " + control + " BC_CTRL", "disconnect PAD_TRI{OE}", "connect " + control + "{DI} g3{Y}",
                                "connect " + control + "{DO} PAD_TRI{OE}"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"disconnect PAD_TRI2{OE}", "connect " + control + "{DO} PAD_TRI2{OE}"})) << cmd;
    EXPECT_EQ(count_lines(cmd, "add " + control + " "), 1u);
    EXPECT_EQ(CONTROL_SCAN_COUNT, 2);  // tri's and bid's
    (void)tri;

    // Mux input: the open MUX_IN2 takes the cell's UPDATE_DR_OUT; the data
    // path is not cut.
    std::string mi = cell("mi");
    EXPECT_TRUE(has_block(cmd, {"add " + mi + " BC_IMUX", "connect " + mi + "{UO} PAD_MI{M}", "connect " + mi + "{DI} PAD_MI{Y}"}))
        << cmd;
    // Mux output: MUX_IN1 tied to VCC is taken over, with the warning.
    std::string mo = cell("mo");
    EXPECT_TRUE(has_block(cmd, {"add " + mo + " BC_OMUX", "disconnect PAD_MO{M}", "connect " + mo + "{UO} PAD_MO{M}",
                                "connect " + mo + "{DI} PAD_MO{A}"}))
        << cmd;
    EXPECT_NE(warnings_.find("WARNING: Pin %MUX_IN1 of pad 'PAD_MO'(PIN_OMUX) connected to VCC.\n"
                             "         %MUX_IN1 'M' will be disconnected and reconnected\n"
                             "         to scan cell '" + mo + "'.\n"),
              std::string::npos)
        << warnings_;
    // The mux pads' own MODE pins hang on the mode trees: the tied MODE_2
    // of the input pad is first cut from GND.
    EXPECT_NE(warnings_.find("WARNING: Pin %MODE_2 of pad 'PAD_MI'(PIN_IMUX) connected to GND.\n"
                             "         %MODE_2 'S' will be disconnected and reconnected to TAP.\n"),
              std::string::npos)
        << warnings_;
    EXPECT_TRUE(has_block(cmd, {"disconnect PAD_MI{S}", "connect PAD_MI{S} mode2_buf_1_1{Y}"})) << cmd;
    EXPECT_NE(cmd.find("connect PAD_MO{S} mode1_buf_"), std::string::npos) << cmd;

    // Observe-only point: DATA_IN on the pin, nothing cut.  Internal point
    // on an input pin: the pin from DATA_OUT, DATA_IN from the old driver.
    std::string u1 = cell("u1{Y}"), u2 = cell("u2{A}");
    EXPECT_TRUE(has_block(cmd, {"add " + u1 + " BC_OBS", "connect " + u1 + "{DI} u1{Y}"})) << cmd;
    EXPECT_TRUE(has_block(cmd, {"add " + u2 + " BC_INT", "disconnect u2{A}", "connect " + u2 + "{DO} u2{A}",
                                "connect " + u2 + "{DI} u1{Y}"}))
        << cmd;
    // A pad that carries its own cell: a register row named after the pad
    // instance, no line of its own, but a place in the chain.
    EXPECT_EQ(cell("bsp"), "PAD_BSP");
    EXPECT_EQ(cmd.find("add PAD_BSP"), std::string::npos);
    EXPECT_NE(cmd.find("connect PAD_BSP{SHIFT} shift_buf_"), std::string::npos);
    // A pad without a cell (%FUNCTION BUF) gets no line.
    EXPECT_EQ(cmd.find("PAD_PASS"), std::string::npos);
    // The file ends with the trailer, written once.
    EXPECT_EQ(cmd.substr(cmd.size() - 10), "save\nquit\n");
    EXPECT_EQ(count_lines(cmd, "save"), 1u);
}

TEST_F(EditWriters, DontShareControlGivesEachPadItsCell) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4;";
    JTAG_OPTION[OPT_DONT_SHARE_CONTROL] = 1;
    prepare(d);
    std::string cmd = write_all();
    std::string a = text(CONTROL_TAB[pad("tri").control - 1].instance);
    std::string b = text(CONTROL_TAB[pad("tri2").control - 1].instance);
    EXPECT_NE(a, b);
    EXPECT_TRUE(has_block(cmd, {"add " + b + " BC_CTRL", "disconnect PAD_TRI2{OE}", "connect " + b + "{DI} g3{Y}",
                                "connect " + b + "{DO} PAD_TRI2{OE}"}))
        << cmd;
    EXPECT_EQ(CONTROL_SCAN_COUNT, 3);
}

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

TEST_F(EditWriters, DfSpeedChainsWithoutHighzExtraOrPadModePins) {
    Descriptions d;
    d.tap_extra = "%GROUP_SIZE 4; %EXTRA_1 X1;";
    d.lib_extra = "%SCAN_CELL BC_X { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
                  " %UPDATE_DR UPDATE; %HIGHZ HZ; %EXTRA_1 E1; }";
    d.default_cells = false;
    d.cells_extra = "%INPUT_SCAN BC_X; %CLOCK_SCAN BC_X; %OUTPUT_SCAN BC_OUT; %INPUT_MUX_SCAN BC_IMUX;";
    JTAG_OPTION[OPT_DF_SPEED] = 1;
    d.pin_rows = "1 CLK clk in\n3 DOUT dout out\n8 MI mi in\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    prepare(d);
    std::string cmd = write_all();
    EXPECT_NE(cmd.find("add shift_df_buf_1 BUF"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find("{SHIFT} shift_df_buf_1{Y}"), std::string::npos) << cmd;
    EXPECT_EQ(cmd.find("{HZ}"), std::string::npos) << cmd;
    EXPECT_EQ(cmd.find("{E1}"), std::string::npos) << cmd;
    EXPECT_EQ(cmd.find("PAD_MI{S}"), std::string::npos) << cmd;
    // The chains of those signals are there all the same.
    EXPECT_NE(cmd.find("add highz_df_buf_1 BUF"), std::string::npos) << cmd;
    EXPECT_NE(cmd.find("add extra1_df_buf_1 BUF"), std::string::npos) << cmd;
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

// Without -add_tap the top file holds its head, the disconnects of TAP
// pins tied to a constant, and the chain ends taken off their old net.
TEST_F(InsertionTest, TopFileWithTheTapInTheDesign) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::FILE* f = std::fopen("top.sdb", "w");
    std::fputs("design", f);
    std::fclose(f);
    bscan_init();
    TAP_FLAG[TAP_FLAG_SHIFT_DR] = 0;           // SHIFT_DR on GND
    TAP_FLAG[TAP_FLAG_CLOCK_DR] = 7;           // CLOCK_DR on a signal net: kept
    TAP_FLAG[TAP_FLAG_FIRST_BCELL] = TAP_FLAG[TAP_FLAG_LAST_BCELL] = 9;  // the chain ends closed on one net
    TAP_SHIFT_PIN = "SHIFT_DR";
    TAP_CLOCK_PIN = "CLOCK_DR";
    TAP_CONTR = get_tap_cell("qdx_tap");
    testing::internal::CaptureStdout();
    open_and_modify_top_sdb();
    std::string out = testing::internal::GetCapturedStdout();
    std::fputs("save\nquit\n", TAP_FP);
    bs_close_cmd_file(TAP_FP);
    EXPECT_EQ(read_file("bscan_lib/t_jtag.cmd"),
              "edit t_jtag\npath ./bscan_lib \ndisconnect TAP{SHIFT_DR}\ndisconnect TAP{first_Bcell}\n"
              "disconnect TAP{BOUNDARY_out}\nsave\nquit\n");
    EXPECT_EQ(read_file("t_jtag.sdb"), "design");
    EXPECT_EQ(out, "    .Editing command file    ./bscan_lib/t_jtag.cmd ...\n");
}

// With -add_tap the TAP is placed; ports without a pad become ports wired
// straight to it, and -external_idcode ties the IDCODE bus bit by bit.
TEST_F(InsertionTest, TopFileAddsTheTapAndItsPorts) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n";
    d.bsc_extra = "%IDCODE_REGISTER 10000000000000000000000000000001;";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    JTAG_OPTION[OPT_ADD_TAP] = 1;
    JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
    testing::internal::CaptureStdout();
    jtag_init();
    bscan_init();
    open_and_modify_top_sdb();
    testing::internal::GetCapturedStdout();
    bs_close_cmd_file(TAP_FP);
    std::string cmd = read_file("bscan_lib/t_jtag.cmd");
    EXPECT_TRUE(has_block(cmd, {"edit t_jtag", "path ./bscan_lib ", "add TAP qdx_tap", "add tdi input", "connect tdi TAP{TDI}",
                                "add tms input", "connect tms TAP{TMS}", "add tck input", "connect tck TAP{TCK}",
                                "add tdo output", "connect tdo TAP{TDO}", "connect TAP{IDCODE[31]} VCC",
                                "connect TAP{IDCODE[30]} GND"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"connect TAP{IDCODE[1]} GND", "connect TAP{IDCODE[0]} VCC"})) << cmd;
}

// -add_pad gives a TAP port without a pad a pad of its own; a TDO pad
// without an enable pin draws the 2-output warning when the TAP has a
// TDO-enable pin.
TEST_F(InsertionTest, TopFileAddsTapPads) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n";
    d.bsc_extra = "%INPUT_BUFFER PIN_IN; %OUTPUT_BUFFER PIN_OUT;";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    JTAG_OPTION[OPT_ADD_TAP] = 1;
    JTAG_OPTION[OPT_ADD_PAD] = 1;
    testing::internal::CaptureStdout();
    jtag_init();
    bscan_init();
    check_necessary_fields();
    open_and_modify_top_sdb();
    std::string out = testing::internal::GetCapturedStdout();
    bs_close_cmd_file(TAP_FP);
    std::string cmd = read_file("bscan_lib/t_jtag.cmd");
    EXPECT_TRUE(has_block(cmd, {"add tdi input", "add TDI_PAD PIN_IN", "connect TDI_PAD{PAD} tdi",
                                "connect TDI_PAD{Y} TAP{TDI}"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"add tdo output", "add TDO_PAD PIN_OUT", "connect TDO_PAD{PAD} tdo",
                                "connect TDO_PAD{A} TAP{TDO}"}))
        << cmd;
    EXPECT_NE(out.find("WARNING: TDO pin use 2-output PAD.\n"), std::string::npos) << out;
}

// With several IO-pad modules a TAP pad that needs a port records it in
// the row of its module (found ignoring case); the pad record then names
// the outermost instance and the new port.
TEST_F(InsertionTest, TapPortRecordedInItsModule) {
    TOP_MODULE = "t";
    bs_create_multi_io_tab();
    MultiIoModule row{};
    row.module = qdx_strdup("IOPADS");
    row.instance = qdx_strdup("u_io");
    row.parent = 0;
    DYNA_append(&MULTI_IO_TAB, row);
    PadEntry p{};
    p.signal = qdx_strdup("tdi");
    p.pad_instance = qdx_strdup("PAD_TDI");
    p.pin_to_core = qdx_strdup("Y");
    p.modules = DYNA_new<char*>();
    p.instances = DYNA_new<char*>();
    DYNA_append(&p.modules, qdx_strdup("iopads"));
    DYNA_append(&p.instances, qdx_strdup("u_io"));
    p.multi_io_row = 1;
    bs_add_tap_port_to_cmd_file(&p, 0, 1);
    const MultiIoModule& m = MULTI_IO_TAB[1];
    ASSERT_EQ(DYNA_count(m.ports), 1);
    EXPECT_EQ(text(m.ports[0].name), "qdx_tap_tdi");
    EXPECT_EQ(m.ports[0].direction, 1);
    ASSERT_EQ(DYNA_count(m.connects), 1);
    EXPECT_EQ(text(m.connects[0].instance1) + "{" + text(m.connects[0].pin1) + "} " + text(m.connects[0].pin2),
              "PAD_TDI{Y} qdx_tap_tdi");
    EXPECT_EQ(text(p.pad_instance), "u_io");
    EXPECT_EQ(text(p.pin_to_core), "qdx_tap_tdi");
    // The top passes the port to the TAP.
    ASSERT_EQ(DYNA_count(MULTI_IO_TAB[0].connects), 1);
    EXPECT_EQ(text(MULTI_IO_TAB[0].connects[0].instance1) + "{" + text(MULTI_IO_TAB[0].connects[0].pin1) + "}",
              "u_io{qdx_tap_tdi}");
    // A pad whose module has no row ends the run.
    p.multi_io_row = -1;
    EXPECT_EXIT(bs_add_tap_port_to_cmd_file(&p, 0, 1), ::testing::ExitedWithCode(255), "");
    for (char** t : {&p.signal, &p.pad_instance, &p.pin_to_core}) std::free(*t);
    for (char** list : {p.modules, p.instances}) {
        for (int i = 0; i < DYNA_count(list); ++i) std::free(list[i]);
        DYNA_free(&list);
    }
}

TEST(ConnectionTable, FourLineForms) {
    ConnectEntry d{nullptr, const_cast<char*>("p3"), nullptr, const_cast<char*>("p4"), nullptr};
    ConnectEntry c{const_cast<char*>("u1"), const_cast<char*>("Y"), const_cast<char*>("u2"), const_cast<char*>("A"), &d};
    ConnectEntry b{const_cast<char*>("u1"), const_cast<char*>("Y"), nullptr, const_cast<char*>("out"), &c};
    ConnectEntry a{nullptr, const_cast<char*>("in"), const_cast<char*>("u2"), const_cast<char*>("B"), &b};
    ConnectEntry* kept = CONNECT_TABLE;
    CONNECT_TABLE = &a;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* fp = open_memstream(&buffer, &size);
    kest_do_connection_table(fp);
    std::fclose(fp);
    CONNECT_TABLE = kept;
    EXPECT_EQ(std::string(buffer, size), "connect in u2{B}\nconnect u1{Y} out\nconnect u1{Y} u2{A}\nconnect p3 p4\n");
    std::free(buffer);
}

// A command file is complete or absent: a failed write ends the run and
// leaves no file under the command file's name.
TEST(CommandFile, FailedWriteEndsTheRun) {
    testsupport::TempDir dir;
    std::string path = (dir.path() / "t_jtag.cmd").string();
    EXPECT_EXIT(
        {
            FILE* fp = bs_open_cmd_file(path);
            std::fputs("edit t_jtag\n", fp);
            std::fgetc(fp);  // a stream error, as a failed write leaves it
            bs_close_cmd_file(fp);
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    FILE* fp = bs_open_cmd_file(path);
    std::fputs("edit t_jtag\n", fp);
    bs_close_cmd_file(fp);
    EXPECT_EQ(fp, nullptr);
    EXPECT_EQ(read_file(path), "edit t_jtag\n");
}

TEST_F(InsertionTest, CommandFileThatCannotBeCreated) {
    TOP_MODULE = "t";
    BSCAN_OPATH = "./missing";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    EXPECT_EXIT(open_and_modify_top_sdb(), ::testing::ExitedWithCode(255), "");
    // A top design that cannot be copied stops the run before the file.
    MODULE_SDB = "absent.sdb";
    BSCAN_OPATH = ".";
    EXPECT_EXIT(open_and_modify_top_sdb(), ::testing::ExitedWithCode(255), "");
    EXPECT_FALSE(fs::exists("t_jtag.cmd"));
}

}  // namespace
