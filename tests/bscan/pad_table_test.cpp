// The pad table: pad kinds and cells, control cells and high-impedance
// groups, TAP pads and the hierarchy of pad instances, on small designs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "support/insertion_test_util.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/fnm.h"
#include "sdb/sdb.h"

namespace {

using namespace bstest;
const int I = SDB_DIR_INPUT, O = SDB_DIR_OUTPUT, B = SDB_DIR_BIDIR;

// Every kind of pad the pin list can hold, next to the TAP's pads.
const char* kRichPins = R"(
1 CLK clk in
2 DIN din in
3 DOUT dout out
4 TRI tri out PAD_EN_H
5 TRI2 tri2 out
6 ENO eno out
7 BID bid inout
8 MI mi in
9 MO mo out
10 PASS pass in
11 DP dp in
12 DN dn in
13 MIN min in
14 MOUT mout out
15 SPARE spare in
16 OBSERVE_ONLY u1{Y} out
17 OBSERVE u3{Y} out
18 INTERNAL u2{A} in
90 TDI tdi in
91 TMS tms in
92 TCK tck in
93 TDO tdo out
)";

void build_rich_design() {
    Design d;
    add_library_classes(d);
    add_tap_with_pads(d);
    for (const char* p : {"clk", "din", "mi", "pass", "dp", "dn", "min", "spare"}) d.port(p, I);
    for (const char* p : {"dout", "tri", "tri2", "eno", "mo", "mout"}) d.port(p, O);
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
    cell("PAD_ENO", "PIN_ENO", {{"EN", "eno_c"}, {"PAD", "eno"}});
    cell("PAD_BID", "PIN_BIDIR", {{"A", "bid_o"}, {"OE", "bid_oe"}, {"Y", "bid_i"}, {"PAD", "bid"}});
    cell("PAD_MI", "PIN_IMUX", {{"PAD", "mi"}, {"Y", "mi_c"}, {"S", "GND"}});
    cell("PAD_MO", "PIN_OMUX", {{"A", "mo_c"}, {"M", "mux_src"}, {"PAD", "mo"}});
    // A pad of %FUNCTION BUF whose output nothing reads.
    cell("PAD_PASS", "PIN_PASS", {{"PAD", "pass"}, {"Y", "pass_c"}});
    cell("RX", "LVDS_RX", {{"PADP", "dp"}, {"PADN", "dn"}, {"Y", "d_c"}});
    cell("PAD_MIN", "PIN_IN", {{"PAD", "min"}, {"Y", "m_c"}});
    cell("PAD_MOUT", "PIN_OUT", {{"A", "m_c"}, {"PAD", "mout"}});
    // The core.
    cell("g1", "AND2", {{"A", "clk_c"}, {"B", "din_c"}, {"Y", "dout_c"}});
    cell("g2", "AND2", {{"A", "mi_c"}, {"Y", "tri_c"}});
    cell("g3", "AND2", {{"A", "d_c"}, {"Y", "oe1"}});
    cell("g4", "AND2", {{"A", "bid_i"}, {"Y", "tri2_c"}});
    cell("g5", "AND2", {{"Y", "eno_c"}});
    cell("g6", "AND2", {{"Y", "bid_o"}});
    cell("g7", "AND2", {{"Y", "bid_oe"}});
    cell("g8", "AND2", {{"Y", "mo_c"}});
    cell("g9", "AND2", {{"Y", "mux_src"}});
    cell("u1", "AND2", {{"A", "din_c"}, {"Y", "u1_y"}});
    cell("u2", "AND2", {{"A", "u1_y"}, {"Y", "u2_y"}});
    cell("u3", "AND2", {{"A", "u2_y"}, {"Y", "u3_y"}});
}

struct PadExpect {
    const char* signal;
    int kind;
    const char* cell;     // "-" for none
    int control;          // PadEntry::control
    int drives;           // PadEntry::drives_control
};

struct KindCase {
    const char* name;
    std::string cells_extra;   // replaces the default %SCAN_CELLS when set
    bool dont_share;
    std::vector<PadExpect> changed;  // rows that differ from the default run
};

// The default configuration's result, in pin-list order.
const std::vector<PadExpect> kDefaultPads = {
    {"clk", PAD_CLOCK, "BC_IN", 0, 0},
    {"din", PAD_INPUT, "BC_IN", 0, 0},
    {"dout", PAD_OUTPUT2, "BC_OUT", 0, 0},
    {"tri", PAD_OUTPUT3, "BC_OUT", 1, 1},
    {"tri2", PAD_OUTPUT3, "BC_OUT", 1, 0},      // shares the control cell of tri (same enable net)
    {"eno", PAD_OUTPUT_EN, "BC_OUT", 0, 0},     // data through the enable: no control cell
    {"bid", PAD_BIDIR, "BC_BIDIR", 2, 1},
    {"mi", PAD_MUX_INPUT, "BC_IMUX", 0, 0},
    {"mo", PAD_MUX_OUTPUT2, "BC_OMUX", 0, 0},
    {"pass", PAD_INTERNAL, "-", 0, 0},          // %FUNCTION BUF, its output read by nothing: no cell
    {"dp", PAD_INPUT, "BC_IN", 0, 0},           // the %INPUT_P leg
    {"dn", PAD_NO_CELL, "-", 0, 0},             // the %INPUT_M leg
    {"min", PAD_NO_CELL, "-", 0, 0},            // merged with mout through its pad
    {"mout", PAD_OUTPUT2, "BC_OUT", 0, 0},
    {"spare", PAD_NO_CELL, "-", 0, 0},          // skip-listed, not a TAP port
    {"u1{Y}", PAD_INTERNAL, "BC_OBS", 0, 0},    // OBSERVE_ONLY
    {"u3{Y}", PAD_INTERNAL, "BC_OBS", 0, 0},    // OBSERVE
    {"u2{A}", PAD_INTERNAL, "BC_INT", 0, 0},
    {"tdi", PAD_INPUT, "-", 0, 0},
    {"tdo", PAD_OUTPUT3, "-", 0, 0},
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class PadKinds : public InsertionTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(PadKinds, KindCellAndControlOfEachPad) {
    const KindCase& c = GetParam();
    Descriptions d;
    d.pin_rows = kRichPins;
    d.skip = "tdi, tms, tck, tdo, spare";
    if (!c.cells_extra.empty()) {
        d.default_cells = false;
        d.cells_extra = c.cells_extra;
    }
    read_descriptions(d);
    JTAG_OPTION[OPT_DONT_SHARE_CONTROL] = c.dont_share ? 1 : 0;
    build_rich_design();
    testing::internal::CaptureStdout();
    build_pad_table();
    std::string out = testing::internal::GetCapturedStdout();

    std::map<std::string, PadExpect> want;
    for (const PadExpect& e : kDefaultPads) want[e.signal] = e;
    for (const PadExpect& e : c.changed) want[e.signal] = e;
    for (auto& [signal, e] : want) {
        SCOPED_TRACE(signal);
        const PadEntry& p = pad(signal.c_str());
        EXPECT_EQ(p.kind, e.kind);
        EXPECT_EQ(std::string(p.cell ? p.cell->name : "-"), e.cell);
        EXPECT_EQ(p.control, e.control);
        EXPECT_EQ(p.drives_control, e.drives);
    }
    EXPECT_NE(out.find("WARNING: input port 'min' connects to port 'mout' directly.\n"
                       "         A merged cell will be introduced.\n\n"),
              std::string::npos)
        << out;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadKinds,
    ::testing::Values(
        KindCase{"default", "", false, {}},
        KindCase{"dont_share_control", "", true, {{"tri2", PAD_OUTPUT3, "BC_OUT", 2, 1}, {"bid", PAD_BIDIR, "BC_BIDIR", 3, 1}}},
        // Without %BIDIR_SCAN a bidirectional pad takes an input and an output cell.
        KindCase{"no_bidir_scan",
                 "%INPUT_SCAN BC_IN; %CLOCK_SCAN BC_IN; %OUTPUT_SCAN BC_OUT; %CONTROL_SCAN BC_CTRL;"
                 "%INPUT_MUX_SCAN BC_IMUX; %OUTPUT_MUX_SCAN BC_OMUX; %INTERNAL_SCAN BC_INT; %OBSERVE_ONLY_SCAN BC_OBS;",
                 false,
                 {{"bid", PAD_INOUT, "BC_OUT", 2, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InsertionTest, PadTableRecordsNetsAndPins) {
    Descriptions d;
    d.pin_rows = kRichPins;
    d.skip = "tdi, tms, tck, tdo, spare";
    read_descriptions(d);
    build_rich_design();
    testing::internal::CaptureStdout();
    build_pad_table();
    testing::internal::GetCapturedStdout();
    struct {
        const char* signal;
        const char* from_core;
        const char* to_core;
        const char* core_net;
        const char* instance;
        const char* pad_cell;
    } rows[] = {
        {"din", "-", "Y", "din_c", "PAD_DIN", "PIN_IN"},
        {"tri", "A", "-", "tri_c", "PAD_TRI", "PIN_TRI"},
        {"eno", "EN", "-", "eno_c", "PAD_ENO", "PIN_ENO"},
        {"bid", "A", "Y", "bid_o,bid_i", "PAD_BID", "PIN_BIDIR"},
        {"u1{Y}", "-", "Y", "u1_y", "u1", "AND2"},
        {"u2{A}", "A", "-", "u1_y", "u2", "AND2"},
        {"tdo", "A", "-", "tdo_c", "PAD_TDO", "PIN_TRI"},
        {"spare", "-", "-", "-", "-", "-"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.signal);
        const PadEntry& p = pad(r.signal);
        EXPECT_EQ(text(p.pin_from_core), r.from_core);
        EXPECT_EQ(text(p.pin_to_core), r.to_core);
        EXPECT_EQ(text(p.core_net), r.core_net);
        EXPECT_EQ(text(p.pad_instance), r.instance);
        EXPECT_EQ(text(p.pad_cell), r.pad_cell);
    }
    // Pin texts: the package pin number, or the marker of an internal row.
    EXPECT_EQ(text(pad("din").pin_text), "2");
    EXPECT_EQ(text(pad("u1{Y}").pin_text), "OBSERVE_ONLY");
    EXPECT_EQ(text(pad("u2{A}").pin_text), "INTERNAL");
    // Mux pins: the net on MODE_2 is GND, MUX_IN2 is open; MUX_IN1 of mo has a net.
    EXPECT_EQ(pad("mi").mode2_net, 0);
    EXPECT_EQ(pad("mi").mux_in2_net, -1);
    EXPECT_GE(pad("mo").mux_in1_net, 2);
    EXPECT_EQ(pad("mo").mode1_net, -1);
    // The control rows: one per enable net, owned copies of the net names.
    ASSERT_EQ(DYNA_count(CONTROL_TAB), 2);
    EXPECT_EQ(text(CONTROL_TAB[0].net_name), "oe1");
    EXPECT_EQ(text(CONTROL_TAB[0].function), "control");
    EXPECT_EQ(CONTROL_TAB[0].reserved, -1);
    EXPECT_EQ(CONTROL_TAB[0].multi_io_row, -1);
    EXPECT_EQ(text(CONTROL_TAB[1].net_name), "bid_oe");
    // The TAP pads: indexes and records point at their rows after the sort.
    EXPECT_EQ(TAP_TDO_PIN_PTR, &OPIN_TAB[tdo_pin_indexG]);
    EXPECT_EQ(TAP_TDI_PIN_PTR, &OPIN_TAB[tdi_pin_indexG]);
    EXPECT_EQ(text(TAP_TDO_PIN_PTR->signal), "tdo");
    EXPECT_EQ(text(TAP_TDO_PIN_PTR->suffix), "PAD_TDO");
    EXPECT_EQ(text(TAP_TDI_PIN_PTR->signal), "tdi");
    EXPECT_EQ(TAP_TRST_PIN_PTR, nullptr);
}

// A control cell with a reset pin names its rows "controlr"; enables tied
// to a constant join high-impedance groups only when the TAP has the
// command.
TEST_F(InsertionTest, ControlFunctionAndTiedEnables) {
    for (bool highz : {true, false}) {
        SCOPED_TRACE(highz);
        reset_all();
        CMD_set_path(nullptr, ".", nullptr);
        Descriptions d;
        d.pin_rows = "1 TDI tdi in\n2 PA a out\n3 PB b out\n4 TDO tdo out\n";
        d.default_cells = false;
        d.cells_extra = "%INPUT_SCAN BC_IN; %OUTPUT_SCAN BC_OUT; %CONTROL_SCAN BC_CTRLR;";
        if (!highz) d.highz = "";
        read_descriptions(d);
        Design dsn;
        add_library_classes(dsn);
        add_tap_with_pads(dsn);
        dsn.port("a", O);
        dsn.port("b", O);
        dsn.inst("PA", "PIN_TRI");
        dsn.pins("PA", {{"A", "a_c"}, {"OE", "en"}, {"PAD", "a"}});
        dsn.inst("PB", "PIN_TRI");
        dsn.pins("PB", {{"A", "b_c"}, {"OE", "VCC"}, {"PAD", "b"}});
        build_pad_table();
        ASSERT_EQ(DYNA_count(CONTROL_TAB), 1);
        EXPECT_EQ(text(CONTROL_TAB[0].function), "controlr");
        EXPECT_EQ(pad("a").control, 1);
        EXPECT_EQ(pad("b").control, highz ? -1 : 0);
        EXPECT_EQ(pad("b").drives_control, highz ? 1 : 0);
        EXPECT_EQ(HIGHZ_CNT, highz ? 1 : 0);
    }
}

// With -add_tap the TAP is the module the run writes, which has the
// high-impedance output only with a HIGHZ instruction (on the MODE pin that
// carries the same signal, when one does): a pad of a high-impedance group
// or a cell with a HIGHZ pin stops the run before any edit is written.
struct AddedTapHighzCase {
    const char* name;
    bool add_tap;
    bool highz_instruction;
    bool tied_enable;   // pad b's enable on VCC: a high-impedance group
    bool cell_highz;    // a boundary cell with a HIGHZ pin is in use
    int overlap;        // HIZ_OVERLAP
    bool mode1;         // BCELL_MODE1
    const char* error;  // null: the run goes on
    bool own_control = false;  // pad b's buffer carries its own control cell
};

void PrintTo(const AddedTapHighzCase& c, std::ostream* os) { *os << c.name; }

class AddedTapHighz : public InsertionTest, public ::testing::WithParamInterface<AddedTapHighzCase> {};

TEST_P(AddedTapHighz, NeedsTheHighzOutputOfTheWrittenTap) {
    const AddedTapHighzCase& c = GetParam();
    Descriptions d;
    d.pin_rows = "1 TDI tdi in\n2 PB b out\n4 TDO tdo out\n";
    if (c.own_control)
        d.lib_extra = "%BS_BUFFER PIN_BSO { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI; %DATA_OUT DO; %TDI SI;"
                      " %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %CONTROL_BCELL C0; }";
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    add_tap_with_pads(dsn);
    dsn.port("b", O);
    if (c.own_control)
        dsn.cell("PIN_BSO", {{"A", I}, {"OE", I}, {"PAD", O}, {"SI", I}, {"SO", O}, {"SHIFT", I}, {"CLOCK", I}});
    dsn.inst("PB", c.own_control ? "PIN_BSO" : "PIN_TRI");
    dsn.pins("PB", {{"A", "b_c"}, {"OE", c.tied_enable ? "VCC" : "en"}, {"PAD", "b"}});
    build_pad_table();
    ASSERT_EQ(pad("b").control, c.tied_enable || c.own_control ? -1 : 1);
    JTAG_OPTION[OPT_ADD_TAP] = c.add_tap;
    HIGHZ_EXIST = c.highz_instruction ? 3 : -1;
    HIZ_OVERLAP = c.overlap;
    BCELL_MODE1 = c.mode1;
    BCELL_HIGHZ = c.cell_highz;
    EXPECT_EQ(bs_added_tap_has_highz_pin(), c.highz_instruction && (c.overlap == 0 || c.mode1));
    if (!c.error) {
        bs_check_highz_of_added_tap();
        return;
    }
    std::string message = std::string(c.error) +
                          "\n       which the TAP added with -add_tap has only with a HIGHZ instruction\n"
                          "       in %INSTRUCTION_TABLE of file 't.bsc'.";
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            bs_check_highz_of_added_tap();
        },
        ::testing::ExitedWithCode(255), message);
}

const char* kGroupNeedsHighz = "ERROR: pad 'PB' is driven from the TAP's %HIGHZ_COMMAND pin 'HIGHZ',";
const char* kCellsNeedHighz =
    "ERROR: the boundary-scan cells are driven from the TAP's %HIGHZ_COMMAND pin 'HIGHZ',";

INSTANTIATE_TEST_SUITE_P(
    Table, AddedTapHighz,
    ::testing::Values(
        AddedTapHighzCase{"group_without_instruction", true, false, true, false, 0, false, kGroupNeedsHighz},
        AddedTapHighzCase{"group_with_instruction", true, true, true, false, 0, false, nullptr},
        AddedTapHighzCase{"group_with_tap_in_design", false, false, true, false, 0, false, nullptr},
        AddedTapHighzCase{"cells_without_instruction", true, false, false, true, 0, false, kCellsNeedHighz},
        AddedTapHighzCase{"no_user_of_highz", true, false, false, false, 0, false, nullptr},
        AddedTapHighzCase{"overlap_mode_pin_written", true, true, true, false, 1, true, nullptr},
        AddedTapHighzCase{"overlap_mode_pin_not_written", true, true, true, false, 1, false, kGroupNeedsHighz},
        // A pad that carries its own control cell takes nothing from the pin.
        AddedTapHighzCase{"own_control_cell_without_instruction", true, false, false, false, 0, false, nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct GroupCase {
    const char* name;
    const char* group_size;   // the %GROUP_SIZE line, "" for none
    int pads;                 // three-state pads with tied enables
    std::vector<int> groups;  // highz_group per pad, in register order
    std::vector<int> opens;   // drives_control per pad
};

void PrintTo(const GroupCase& c, std::ostream* os) { *os << c.name; }

class HighzGroups : public InsertionTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(HighzGroups, GroupsInRegisterOrder) {
    const GroupCase& c = GetParam();
    std::string rows = "1 TDI tdi in\n";
    for (int i = 0; i < c.pads; ++i) rows += std::to_string(i + 2) + " Z" + std::to_string(i) + " z" + std::to_string(i) + " out\n";
    rows += "99 TDO tdo out\n";
    Descriptions d;
    d.pin_rows = rows;
    d.tap_extra = c.group_size;
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    add_tap_with_pads(dsn);
    for (int i = 0; i < c.pads; ++i) {
        std::string port = "z" + std::to_string(i), inst = "PZ" + std::to_string(i);
        dsn.port(port.c_str(), O);
        dsn.inst(inst.c_str(), "PIN_TRI");
        dsn.pins(inst.c_str(), {{"A", (port + "_c").c_str()}, {"OE", "GND"}, {"PAD", port.c_str()}});
    }
    build_pad_table();
    std::vector<int> groups, opens;
    for (int i = 0; i < c.pads; ++i) {
        const PadEntry& p = pad(("z" + std::to_string(i)).c_str());
        EXPECT_EQ(p.control, -1);
        groups.push_back(p.highz_group);
        opens.push_back(p.drives_control);
    }
    EXPECT_EQ(groups, c.groups);
    EXPECT_EQ(opens, c.opens);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HighzGroups,
    ::testing::Values(GroupCase{"one_pad_no_group_size", "", 1, {0}, {1}},
                      GroupCase{"three_pads_no_group_size", "", 3, {0, 0, 0}, {1, 0, 0}},
                      GroupCase{"group_size_1", "%GROUP_SIZE 1;", 3, {0, 1, 2}, {1, 1, 1}},
                      GroupCase{"group_size_2", "%GROUP_SIZE 2;", 5, {0, 0, 1, 1, 2}, {1, 0, 1, 0, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

// Pads in pad modules: their module paths, the rows of the IO-pad
// modules, and the flag for pads in several modules.
TEST_F(InsertionTest, PadModulesAndTheirRows) {
    Descriptions d;
    d.pin_rows = "1 TDI tdi in\n2 PA a in\n3 PB b in\n4 PC c in\n5 TDO tdo out\n";
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    add_tap_with_pads(dsn);
    dsn.level("pm", "PADMOD");
    dsn.level("pm.sub", "SUB");
    dsn.level("pm2", "PADMOD");
    for (const char* p : {"a", "b", "c"}) dsn.port(p, I);
    dsn.inst("pm.sub.PA", "PIN_IN");
    dsn.pins("pm.sub.PA", {{"PAD", "a"}, {"Y", "a_c"}});
    dsn.inst("pm.sub.PB", "PIN_IN");
    dsn.pins("pm.sub.PB", {{"PAD", "b"}, {"Y", "b_c"}});
    dsn.inst("pm2.PC", "PIN_IN");
    dsn.pins("pm2.PC", {{"PAD", "c"}, {"Y", "c_c"}});
    build_pad_table();

    const PadEntry& a = pad("a");
    EXPECT_EQ(text(a.pad_instance), "PA");
    ASSERT_EQ(DYNA_count(a.modules), 2);
    EXPECT_EQ(text(a.modules[0]), "SUB");
    EXPECT_EQ(text(a.instances[0]), "sub");
    EXPECT_EQ(text(a.modules[1]), "PADMOD");
    EXPECT_EQ(text(a.instances[1]), "pm");
    EXPECT_EQ(pad("tdi").multi_io_row, 0);
    EXPECT_EQ(DYNA_count(pad("tdi").modules), 0);

    // Rows: the top, then each level from the outermost in, once.
    ASSERT_EQ(DYNA_count(MULTI_IO_TAB), 4);
    struct {
        const char* module;
        const char* instance;
        int file_number;
        int parent;
    } rows[] = {{"t", "t", 0, -1}, {"PADMOD", "pm", 0, 0}, {"SUB", "sub", 0, 1}, {"PADMOD", "pm2", 1, 0}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(text(MULTI_IO_TAB[i].module), rows[i].module);
        EXPECT_EQ(text(MULTI_IO_TAB[i].instance), rows[i].instance);
        EXPECT_EQ(MULTI_IO_TAB[i].file_number, rows[i].file_number);
        EXPECT_EQ(MULTI_IO_TAB[i].parent, rows[i].parent);
    }
    EXPECT_EQ(a.multi_io_row, 2);
    EXPECT_EQ(pad("b").multi_io_row, 2);
    EXPECT_EQ(pad("c").multi_io_row, 3);
    ASSERT_EQ(DYNA_count(MULTI_IO_HIER.children), 2);
    EXPECT_EQ(MULTI_IO_HIER.children[0].row, 1);
    EXPECT_EQ(MULTI_IO_HIER.children[1].row, 3);
    ASSERT_EQ(DYNA_count(MULTI_IO_HIER.children[0].children), 1);
    EXPECT_EQ(MULTI_IO_HIER.children[0].children[0].row, 2);
    EXPECT_EQ(multi_io_module_flagG, 1);
}

TEST_F(InsertionTest, PadsOfOneModuleAreNotSeveralModules) {
    Descriptions d;
    d.pin_rows = "1 TDI tdi in\n2 A a in\n3 B b in\n5 TDO tdo out\n";
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    add_tap_with_pads(dsn);
    dsn.level("pm", "PADMOD");
    for (const char* p : {"a", "b"}) dsn.port(p, I);
    dsn.inst("pm.PA", "PIN_IN");
    dsn.pins("pm.PA", {{"PAD", "a"}, {"Y", "a_c"}});
    dsn.inst("pm.PB", "PIN_IN");
    dsn.pins("pm.PB", {{"PAD", "b"}, {"Y", "b_c"}});
    build_pad_table();
    EXPECT_EQ(multi_io_module_flagG, 0);
    EXPECT_EQ(DYNA_count(MULTI_IO_TAB), 2);
    EXPECT_EQ(pad("a").multi_io_row, 1);
}

// The TDO pad: a constant on its data input, directly or behind a buffer
// that the netlist expansion put on an added net, and on its enable.
TEST_F(InsertionTest, TdoTiedToAConstant) {
    struct {
        const char* name;
        bool expanded;
        int flag;
        const char* enable;  // the net on the pad's enable
    } cases[] = {{"direct", false, 1, "tdo_en"}, {"behind_expansion_buffer", true, 0, "tdo_en"},
                 {"enable_tied_too", false, 1, "GND"}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_all();
        CMD_set_path(nullptr, ".", nullptr);
        Descriptions d;
        d.pin_rows = "1 TDI tdi in\n2 TDO tdo out\n";
        d.lib_extra = "%BUFFER BUFFER_X1 { %INPUT A; %OUTPUT Y; }";
        read_descriptions(d);
        Design dsn;
        add_library_classes(dsn);
        dsn.cell("BUFFER_X1", {{"A", I}, {"Y", O}});
        dsn.port("tdi", I);
        dsn.port("tdo", O);
        dsn.inst("PAD_TDI", "PIN_IN");
        dsn.pins("PAD_TDI", {{"PAD", "tdi"}, {"Y", "tdi_c"}});
        dsn.inst("PAD_TDO", "PIN_TRI");
        dsn.inst("TAP", "qdx_tap");
        dsn.pins("TAP", {{"TDI", "tdi_c"}});
        if (c.expanded) {
            dsn.pins("PAD_TDO", {{"A", "QUENDAL_EXP_ADDED_NET_7"}, {"OE", c.enable}, {"PAD", "tdo"}});
            dsn.inst("xb", "BUFFER_X1");
            dsn.pins("xb", {{"A", "GND"}, {"Y", "QUENDAL_EXP_ADDED_NET_7"}});
        } else {
            dsn.pins("PAD_TDO", {{"A", "VCC"}, {"OE", c.enable}, {"PAD", "tdo"}});
        }
        testing::internal::CaptureStdout();
        MODULE_C_SDB = "t.c.sdb";
        TOP_MODULE = "t";
        bs_create_multi_io_tab();
        bscan_init();
        check_necessary_fields();
        produce_opin_control_tab();
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(TAP_FLAG[TAP_FLAG_TDO_DATA], c.flag);
        EXPECT_NE(out.find("WARNING: Pin %TDO 'tdo' was connected to GND or VCC.\n"
                           "         A of PAD_TDO will be disconnected.\n"),
                  std::string::npos)
            << out;
        // The two lines and nothing more: no third line, and a tied enable
        // is only noted in the flags.
        EXPECT_EQ(out.find("will drive it"), std::string::npos) << out;
        EXPECT_EQ(out.find("enable of pin %TDO"), std::string::npos) << out;
        EXPECT_EQ(out.find("OE of PAD_TDO"), std::string::npos) << out;
        const bool enable_tied = std::string(c.enable) == "GND";
        EXPECT_EQ(TAP_FLAG[TAP_FLAG_TDO_ENABLE] == 0, enable_tied);
        EXPECT_EQ(pad("tdo").kind, PAD_OUTPUT3);
        // Looking at the buffer does not touch its name.
        BufferEntry* b = get_buffer("BUFFER_X1");
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(b->name, "BUFFER_X1");
    }
}

TEST_F(InsertionTest, TdoPortMissingFromTheDesign) {
    Descriptions d;
    d.pin_rows = "1 TDI tdi in\n2 A a in\n3 TDO tdo out\n";
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    dsn.port("tdi", I);
    dsn.port("a", I);
    dsn.inst("PAD_TDI", "PIN_IN");
    dsn.pins("PAD_TDI", {{"PAD", "tdi"}, {"Y", "tdi_c"}});
    dsn.inst("PA", "PIN_IN");
    dsn.pins("PA", {{"PAD", "a"}, {"Y", "a_c"}});
    dsn.inst("TAP", "qdx_tap");
    build_pad_table();
    EXPECT_EQ(pad("tdo").kind, PAD_OUTPUT3);
    EXPECT_EQ(tdo_pin_indexG, pad_row("tdo"));
    EXPECT_EQ(TAP_TDO_PIN_PTR, nullptr);
    EXPECT_EQ(pad("tdo").pad_instance, nullptr);
}

struct FatalCase {
    const char* name;
    std::string pin_rows;
    std::string cells;   // %SCAN_CELLS, "" for the default
    std::function<void(Design&)> design;
    const char* message;  // a regular expression
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class PadTableErrors : public InsertionTest, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(PadTableErrors, EndTheRun) {
    const FatalCase& c = GetParam();
    Descriptions d;
    d.pin_rows = c.pin_rows;
    if (!c.cells.empty()) {
        d.default_cells = false;
        d.cells_extra = c.cells;
    }
    d.lib_extra = "%BUFFER PIN_MUX2 { %INPUT PAD; %OUTPUT Y; %MUX_IN2 M; }";
    read_descriptions(d);
    Design dsn;
    add_library_classes(dsn);
    add_tap_with_pads(dsn);
    c.design(dsn);
    // The messages go to standard output: the child sends it to standard error.
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            build_pad_table();
        },
        ::testing::ExitedWithCode(255), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadTableErrors,
    ::testing::Values(
        FatalCase{"unknown_pad_cell", "1 X x in\n",
                  "",
                  [](Design& d) {
                      d.cell("ODD", {{"PAD", I}, {"Y", O}});
                      d.port("x", I);
                      d.inst("PX", "ODD");
                      d.pins("PX", {{"PAD", "x"}, {"Y", "x_c"}});
                  },
                  "FATAL: can't find the definition of buffer 'ODD' while tracing port 'x'"},
        FatalCase{"bidir_port_on_clock_pad", "1 X x inout\n", "",
                  [](Design& d) {
                      d.port("x", B);
                      d.inst("PX", "PIN_CLK");
                      d.pins("PX", {{"PAD", "x"}, {"Y", "x_c"}});
                  },
                  "ERROR: bidir port 'x' doesn't connect to bidir pad"},
        FatalCase{"no_output_scan", "1 X x out\n", "%INPUT_SCAN BC_IN; %CONTROL_SCAN BC_CTRL;",
                  [](Design& d) {
                      d.port("x", O);
                      d.inst("PX", "PIN_OUT");
                      d.pins("PX", {{"A", "x_c"}, {"PAD", "x"}});
                  },
                  "ERROR: can't find %OUTPUT_SCAN in file 't.bsc'.\n       Need OUTPUT SCAN to connect to output port 'x'"},
        FatalCase{"mux_input_without_mode", "1 X x in\n", "",
                  [](Design& d) {
                      d.cell("PIN_MUX2", {{"PAD", I}, {"M", I}, {"Y", O}});
                      d.port("x", I);
                      d.inst("PX", "PIN_MUX2");
                      d.pins("PX", {{"PAD", "x"}, {"Y", "x_c"}});
                  },
                  "'PIN_MUX2' is a mux input pad because %MUX_IN2 signal is declared"},
        FatalCase{"internal_instance_missing", "1 INTERNAL nowhere{A} in\n", "", [](Design&) {},
                  "ERROR: can not find instance 'nowhere' in 't.c.sdb' file"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A pin-list signal that names no port stands for the only port of the
// design named "<signal>[...]" (a one-bit bus); with two such ports it
// names none and the run ends.
void build_bus_design(bool two_bits) {
    Design d;
    add_library_classes(d);
    add_tap_with_pads(d);
    d.port("din[0]", SDB_DIR_INPUT);
    if (two_bits) d.port("din[1]", SDB_DIR_INPUT);
    d.port("dout", SDB_DIR_OUTPUT);
    d.inst("PAD_DIN", "PIN_IN");
    d.pins("PAD_DIN", {{"PAD", "din[0]"}, {"Y", "din_c"}});
    d.inst("PAD_DOUT", "PIN_OUT");
    d.pins("PAD_DOUT", {{"A", "din_c"}, {"PAD", "dout"}});
}

const char* kBusPins = R"(
1 DIN din in
2 DOUT dout out
90 TDI tdi in
91 TMS tms in
92 TCK tck in
93 TDO tdo out
)";

TEST_F(InsertionTest, SignalNamesTheOnlyBusPortOfItsName) {
    Descriptions d;
    d.pin_rows = kBusPins;
    read_descriptions(d);
    build_bus_design(false);
    testing::internal::CaptureStdout();
    build_pad_table();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(text(pad("din").pad_instance), "PAD_DIN");
    EXPECT_EQ(text(pad("dout").pad_instance), "PAD_DOUT");
}

TEST_F(InsertionTest, SignalOfTwoBusPortsNamesNone) {
    Descriptions d;
    d.pin_rows = kBusPins;
    read_descriptions(d);
    build_bus_design(true);
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            build_pad_table();
        },
        ::testing::ExitedWithCode(255), "ERROR: \\(t.pin\\) can't find port 'din' in SDB 't.c.sdb'.");
}

}  // namespace
