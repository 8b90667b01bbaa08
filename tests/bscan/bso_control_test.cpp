// The control block of the pin-list file for a pad with an input and an
// output cell: the pad is listed by its input cell, which is added after
// its output cell and its control cell, so the block must name the
// control cell by the instance its cell writer recorded, not the row
// after the pad's.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/insertion_test_util.h"
#include "jtag/jtag.h"

namespace {

using namespace bstest;

struct Pad {
    int key;
    const char* signal;
    int kind;
    const char* request;
    int control;     // CONTROL_TAB index+1
    int control_oe;  // CONTROL_OE_TAB index+1
};

struct BsoControlCase {
    const char* name;
    std::vector<Pad> pads;                // in register order
    std::vector<std::string> scan_rows;   // SCAN_TAB instances
    bool oe;                              // the control cell is a CONTROL_OE_TAB row
    const char* control_instance;         // recorded by the owning pad's cell writer
    std::string body;                     // the file after its header
};

void PrintTo(const BsoControlCase& c, std::ostream* os) { *os << c.name; }

class BsoControl : public InsertionTest, public ::testing::WithParamInterface<BsoControlCase> {};

TEST_P(BsoControl, NamesThePadsOwnControlCell) {
    const BsoControlCase& c = GetParam();
    Descriptions d;
    d.pin_rows = "1 A a in\n";
    read_descriptions(d);
    TOP_MODULE = "t";
    bscan_init();
    for (const Pad& p : c.pads) {
        PadEntry e{};
        e.key = p.key;
        e.pin_text = qdx_strdup(std::to_string(p.key + 1).c_str());
        e.signal = qdx_strdup(p.signal);
        e.kind = p.kind;
        e.cell = get_scan_cell("BC_OUT");
        e.cell_request = qdx_strdup(p.request);
        e.control = p.control;
        e.control_oe = p.control_oe;
        DYNA_append(&OPIN_TAB, e);
    }
    ControlCellEntry ctl{};
    ctl.instance = qdx_strdup(c.control_instance);
    ctl.net_name = qdx_strdup("io_oe");
    ctl.function = qdx_strdup("control");
    ctl.cell = get_scan_cell("BC_CTRL");
    DYNA_append(c.oe ? &CONTROL_OE_TAB : &CONTROL_TAB, ctl);
    for (const std::string& s : c.scan_rows) {
        ScanChainEntry e{};
        e.instance = qdx_strdup(s.c_str());
        DYNA_append(&SCAN_TAB, e);
    }
    print_bso_file();
    std::string file = testsupport::read_file("t.bso");
    size_t body = 0;
    for (int i = 0; i < 5; ++i) body = file.find('\n', body) + 1;
    EXPECT_EQ(file.substr(body), c.body);
}

const char* kInoutLine = "    2     3 io            *                      *       inout       BCELL0_inout,BCELL2_inout\n";
const char* kControlBlock =
    "   [CONTROL SCAN CELL]    io_oe                  *       control     BCELL1_inout\n"
    "   [OE RANGE]   2                                *                  [BC_CTRL]\n";

INSTANTIATE_TEST_SUITE_P(
    Table, BsoControl,
    ::testing::Values(
        // Rows: io's output cell 0, control cell 1, input cell 2 (its key),
        // then o's data cell 3, which must not be named.
        BsoControlCase{"followed_by_another_pad",
                       {{2, "io", PAD_INOUT, "BCELL0_inout,BCELL2_inout", 1, 0},
                        {3, "o", PAD_OUTPUT2, "BCELL3_out", 0, 0}},
                       {"BCELL0_inout", "BCELL1_inout", "BCELL2_inout", "BCELL3_out"},
                       false,
                       "BCELL1_inout",
                       std::string(kInoutLine) + kControlBlock +
                           "    3     4 o             *                      *       output2     BCELL3_out \n"},
        // The same through an output-enable control cell.
        BsoControlCase{"oe_control_cell",
                       {{2, "io", PAD_INOUT, "BCELL0_inout,BCELL2_inout", 0, 1},
                        {3, "o", PAD_OUTPUT2, "BCELL3_out", 0, 0}},
                       {"BCELL0_inout", "BCELL1_inout", "BCELL2_inout", "BCELL3_out"},
                       true,
                       "BCELL1_inout",
                       std::string(kInoutLine) + kControlBlock +
                           "    3     4 o             *                      *       output2     BCELL3_out \n"},
        // io last in the register: there is no row after its key, yet its
        // control cell is in the register and is listed.
        BsoControlCase{"last_in_register",
                       {{0, "o", PAD_OUTPUT2, "BCELL0_out", 0, 0},
                        {3, "io", PAD_INOUT, "BCELL1_inout,BCELL3_inout", 1, 0}},
                       {"BCELL0_out", "BCELL1_inout", "BCELL2_inout", "BCELL3_inout"},
                       false,
                       "BCELL2_inout",
                       "    0     1 o             *                      *       output2     BCELL0_out \n"
                       "    3     4 io            *                      *       inout       BCELL1_inout,BCELL3_inout\n"
                       "   [CONTROL SCAN CELL]    io_oe                  *       control     BCELL2_inout\n"
                       "   [OE RANGE]   3                                *                  [BC_CTRL]\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
