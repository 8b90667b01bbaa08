// The boundary register's rows (scan_tab.cpp): their names, pins and the
// loads of the test control signals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "support/insertion_test_util.h"

namespace {

using namespace bstest;

// The boundary register's rows: names, pins and load counts.
TEST_F(InsertionTest, ScanTabNamesAndLoads) {
    Descriptions d;
    d.pin_rows = "1 A a in\n";
    d.lib_extra =
        "%SCAN_CELL BC_X2 { %TDI SI; %TDO SO; %SHIFT_DR S; %CLOCK_DR C; %EXTRA_1 E1; %EXTRA_2 E2; }\n"
        "%SCAN_CELL BC_X3 { %TDI SI; %TDO SO; %SHIFT_DR S; %CLOCK_DR C; %HIGHZ HZ; %EXTRA_1 E1; %EXTRA_2 E2; "
        "%EXTRA_3 E3; }\n"
        "%SCAN_CELL BC_NS { %TDI SI; %TDO SO; %CLOCK_DR C; %TCK CK; }\n"
        "%BS_BUFFER PBS { %INPUT PAD; %OUTPUT Y; %TDI SI; %TDO SO; %CLOCK_DR C; }\n"
        "%BUFFER PMUX { %INPUT A; %OUTPUT PAD; %MUX_IN1 M; %MODE_1 S; }\n";
    read_descriptions(d);
    TAP_CONTR = get_tap_cell("qdx_tap");
    bscan_init();
    JTAG_OPTION[OPT_SYNCH] = 1;
    struct {
        const char* suffix;
        const char* buffer;
        const char* instance;
    } pads[] = {{nullptr, nullptr, nullptr}, {"in", nullptr, nullptr}, {nullptr, "PBS", "U_PAD"}, {nullptr, "PMUX", "PM"}};
    for (auto& p : pads) {
        PadEntry e{};
        e.suffix = p.suffix ? qdx_strdup(p.suffix) : nullptr;
        e.buffer = p.buffer ? get_buffer(p.buffer) : nullptr;
        e.pad_instance = p.instance ? qdx_strdup(p.instance) : nullptr;
        e.mode1_net = 0;  // the mux pad's MODE_1 is tied: it loads the TAP's mode signal
        DYNA_append(&OPIN_TAB, e);
    }
    struct {
        const char* cell;
        int pad, mux, own;
        const char* name;
    } rows[] = {{"BC_X2", 0, 0, 0, "BCELL0"},       {"BC_NS", 1, 0, 0, "BCELL1_in"},
                {"BC_X3", 2, 0, 0, "U_PAD"},         {"BC_X2", 2, 0, 1, "BCELL3"},
                {"BC_IN", 3, 1, 0, "BCELL4"},        {"BC_CTRL", -1, 0, 0, "BCELL5"}};
    for (auto& r : rows) {
        std::string name;
        int at = add_scan_tab(get_scan_cell(r.cell), &name, r.pad, r.mux, r.own);
        EXPECT_EQ(name, r.name);
        EXPECT_EQ(text(SCAN_TAB[at].instance), r.name);
    }
    ASSERT_EQ(DYNA_count(SCAN_TAB), 6);
    EXPECT_EQ(text(SCAN_TAB[0].tdi), "SI");
    EXPECT_EQ(text(SCAN_TAB[0].tdo), "SO");
    EXPECT_EQ(SCAN_TAB[1].shift_dr, nullptr);  // a cell without SHIFT_DR
    EXPECT_EQ(text(SCAN_TAB[1].tck), "CK");
    EXPECT_EQ(SCAN_TAB[4].pad, 3);              // the mux pad's row
    EXPECT_EQ(SCAN_TAB[0].pad, -1);
    EXPECT_EQ(SCAN_TAB[0].multi_io_row, -1);
    EXPECT_EQ(DYNA_count(SCAN_TAB[2].extra), 3);
    EXPECT_EQ(NEED_SHIFT_DR, 5);
    EXPECT_EQ(NEED_CLOCK_DR, 6);
    EXPECT_EQ(NEED_HIGHZ, 1);
    EXPECT_EQ(NEED_MODE1, 3);  // BC_IN, BC_CTRL and the mux pad's MODE_1
    EXPECT_EQ(NEED_BCLK, 6);   // -synch: every cell
    EXPECT_EQ(text(TAP_MODE1_PIN), "MODE1");
    // Cells with 2, 3 and 2 extra pins.
    std::vector<int> extra(NEED_EXTRA_PIN, NEED_EXTRA_PIN + DYNA_count(NEED_EXTRA_PIN));
    EXPECT_EQ(extra, (std::vector<int>{3, 3, 1}));
}

}  // namespace
