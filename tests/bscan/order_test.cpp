// The order of the pads (order.cpp): from the TDO pad round the pin list,
// the binary codes, and the pin-list file with its control blocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "support/insertion_test_util.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"

namespace {

using namespace bstest;

ScanCellEntry kSomeCell{};

// A pad row with a signal name, with or without a cell.
int add_pad(const char* signal, bool with_cell) {
    PadEntry e{};
    e.signal = qdx_strdup(signal);
    e.kind = with_cell ? PAD_INPUT : PAD_NO_CELL;
    e.cell = with_cell ? &kSomeCell : nullptr;
    e.control = e.control_oe = 0;
    return DYNA_append(&OPIN_TAB, e);
}

struct OrderCase {
    const char* name;
    std::vector<const char*> pins;  // pin-list order; names in lower case have no cell
    std::vector<std::string> order;
    std::vector<int> keys;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class RegisterOrder : public InsertionTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(RegisterOrder, FromTdoRoundTheRing) {
    const OrderCase& c = GetParam();
    desc_set_text(&GLOBAL_TDI, "TDI");
    desc_set_text(&GLOBAL_TDO, "TDO");
    OPIN_TAB = DYNA_new<PadEntry>();
    for (const char* p : c.pins) {
        std::string s = p;
        add_pad(p, s != "TDI" && s != "TDO" && std::islower(static_cast<unsigned char>(s[0])) == 0);
    }
    arrange_opin_tab_from_tdo();
    EXPECT_EQ(pad_order(), c.order);
    std::vector<int> keys;
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) keys.push_back(OPIN_TAB[i].key);
    EXPECT_EQ(keys, c.keys);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RegisterOrder,
    ::testing::Values(
        // TDI before TDO: forward from the pad after TDO, then round from the start.
        OrderCase{"forward", {"A", "TDI", "B", "TDO", "C", "D"}, {"TDO", "C", "D", "A", "B", "TDI"}, {-1, 0, 1, 2, 3, 10000}},
        // TDO first: backward from the pad before TDO, then round from the end.
        OrderCase{"backward", {"A", "TDO", "B", "TDI", "C"}, {"TDO", "A", "C", "B", "TDI"}, {-1, 9996, 9997, 9998, 9999}},
        // Pads without a cell go last, in pin-list order.
        OrderCase{"pads_without_cells",
                  {"x", "TDI", "A", "y", "TDO", "B"},
                  {"TDO", "B", "A", "x", "TDI", "y"},
                  {-1, 0, 1, 10000, 10000, 10000}},
        // No TDO pad: the direction stays open and the cells keep their order.
        OrderCase{"no_tdo", {"B", "A", "x", "C"}, {"B", "A", "C", "x"}, {0, 0, 0, 10000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BinaryCode, WidthDigitsMostSignificantFirst) {
    struct {
        unsigned value;
        int width;
        const char* want;
    } cases[] = {{5, 4, "0101"}, {5, 2, "01"}, {0, 3, "000"}, {0xFFFFFFFFu, 33, "011111111111111111111111111111111"},
                 {7, 0, ""}, {7, -2, ""}};
    for (auto& c : cases) {
        std::string buf(40, '#');
        integer_to_binary_code(c.value, buf.data(), c.width);
        EXPECT_EQ(buf.substr(0, std::strlen(c.want)), c.want);
        EXPECT_EQ(buf[std::strlen(c.want)], '#');  // no terminator written
    }
}

// The pin-list file of a small register: pad lines, the second line with
// the pad cell and the scan cell, and the block after the last pad of each
// control cell.
TEST_F(InsertionTest, PinListFile) {
    Descriptions d;
    d.pin_rows = "1 A a in\n";
    read_descriptions(d);
    TOP_MODULE = "t";
    bscan_init();
    struct {
        int key;
        const char* pin;
        const char* signal;
        const char* net;
        const char* instance;
        int kind;
        const char* pad_cell;
        const char* cell;
        const char* request;
        int control;
    } pads[] = {
        {-1, "9", "tdo", "tdo_c", "PAD_TDO", PAD_OUTPUT3, "PIN_TRI", nullptr, nullptr, 0},
        {0, "1", "a", "a_c", "PA", PAD_OUTPUT3, "PIN_TRI", "BC_OUT", "BCELL0", 1},
        {2, "2", "b", "b_c", "PB", PAD_OUTPUT3, "PIN_TRI", "BC_OUT", "BCELL2", 1},
        {3, "3", "c", "c_o,c_i", "PC", PAD_INOUT, "PIN_BIDIR", "BC_OUT", "BCELL3,BCELL5", 2},
        {10000, "4", "d", nullptr, nullptr, PAD_NO_CELL, nullptr, nullptr, nullptr, 0},
    };
    for (auto& p : pads) {
        PadEntry e{};
        e.key = p.key;
        e.pin_text = qdx_strdup(p.pin);
        e.signal = qdx_strdup(p.signal);
        e.core_net = p.net ? qdx_strdup(p.net) : nullptr;
        e.pad_instance = p.instance ? qdx_strdup(p.instance) : nullptr;
        e.kind = p.kind;
        e.pad_cell = p.pad_cell ? qdx_strdup(p.pad_cell) : nullptr;
        e.cell = p.cell ? get_scan_cell(p.cell) : nullptr;
        e.cell_request = p.request ? qdx_strdup(p.request) : nullptr;
        e.control = p.control;
        DYNA_append(&OPIN_TAB, e);
    }
    for (const char* net : {"oe_a", "oe_c"}) {
        ControlCellEntry c{};
        c.net_name = qdx_strdup(net);
        c.function = qdx_strdup("control");
        c.cell = get_scan_cell("BC_CTRL");
        DYNA_append(&CONTROL_TAB, c);
    }
    for (int i = 0; i < 6; ++i) {
        ScanChainEntry s{};
        s.instance = qdx_strdup(("BCELL" + std::to_string(i)).c_str());
        DYNA_append(&SCAN_TAB, s);
    }
    print_bso_file();
    EXPECT_EQ(text(BSO_FILE), "t.bso");
    EXPECT_EQ(CONTR_PIN, nullptr);
    EXPECT_EQ(testsupport::read_file("t.bso"),
              "// ---------------------------------------------------------------------------\n"
              "//SCAN  Pin Signal Name   Signal Name          IO BUF    SIGNAL      SCAN CELL\n"
              "//ORDER Num at the Pin    at the Core          NAME      FUNCTION    NAME\n"
              "//                                            [TYPE]                [TYPE]\n"
              "// ---------------------------------------------------------------------------\n"
              "    *     9 tdo           tdo_c                PAD_TDO   output3       *        \n"
              "                                              [PIN_TRI]             [*]\n"
              "    0     1 a             a_c                  PA        output3     BCELL0     \n"
              "                                              [PIN_TRI]             [BC_OUT]\n"
              "    2     2 b             b_c                  PB        output3     BCELL2     \n"
              "                                              [PIN_TRI]             [BC_OUT]\n"
              "   [CONTROL SCAN CELL]    oe_a                   *       control     BCELL1     \n"
              "   [OE RANGE]   0:  2                            *                  [BC_CTRL]\n"
              "    3     3 c             c_o,c_i              PC        inout       BCELL3,BCELL5\n"
              "                                              [PIN_BIDIR]           [BC_IN,BC_OUT]\n"
              "   [CONTROL SCAN CELL]    oe_c                   *       control     BCELL4     \n"
              "   [OE RANGE]   3                                *                  [BC_CTRL]\n"
              "    *     4 d             *                      *         *           *        \n");
}

// When the pin-list file cannot be written the run asks whether to go
// on: only "y" does; the end of input is a "no".
TEST_F(InsertionTest, PinListFileNotWritable) {
    Descriptions d;
    d.pin_rows = "1 A a in\n";
    read_descriptions(d);
    TOP_MODULE = "t";
    bscan_init();
    std::filesystem::create_directory("t.bso");  // no file can take its name
    testsupport::TempDir answers;
    std::string yes = answers.write("yes", "Y\n");
    std::string no = answers.write("no", "n\n");
    auto answer = [](const std::string& input) {
        std::fflush(stdout);
        dup2(2, 1);
        if (!std::freopen(input.c_str(), "r", stdin)) std::abort();
        print_bso_file();
        qdx_exit(BSO_FILE ? 3 : 4);  // 4: went on without a pin-list file
    };
    EXPECT_EXIT(answer(yes), ::testing::ExitedWithCode(4),
                "WARNING: can't open file 't.bso' to output information of pins.\n\n"
                "         Continue excuting\\? \\(y/n\\) : ");
    EXPECT_EXIT(answer(no), ::testing::ExitedWithCode(255), "Continue excuting");
    EXPECT_EXIT(answer("/dev/null"), ::testing::ExitedWithCode(255), "Continue excuting");
}

// ---------------------------------------------------------------------------
// The control block of the pin-list file for a pad with an input and an
// output cell: the pad is listed by its input cell, which is added after
// its output cell and its control cell, so the block must name the
// control cell by the instance its cell writer recorded, not the row
// after the pad's.

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
