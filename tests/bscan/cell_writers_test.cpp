// The boundary-cell writers (cell_writers.cpp): the cells of each pad
// kind on one design, control cells and their sharing, and the pad
// configurations that the wider fixtures do not reach: a pad that carries
// its own control cell next to a high-impedance group, output-enable cells
// on a single and on a pair of cells, mux bidirectional pads, a
// differential output pad, a transparent buffer in front of the core,
// active-low pins and pads whose kind gets no cell.  Each command file of
// the latter is also checked as the netlist editor would take it: every
// instance and port is added before a line names it.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bscan/edit.h"
#include "bscan/edit_writers.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/fnm.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"
#include "support/testsupport.h"

namespace {

using namespace bstest;
using testsupport::read_file;

const char* kTapPins = "90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";

bool has_line(const std::string& cmd, const std::string& line) {
    for (const auto& l : lines(cmd))
        if (l == line) return true;
    return false;
}

size_t line_index(const std::string& cmd, const std::string& line) {
    std::vector<std::string> all = lines(cmd);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == line) return i;
    return std::string::npos;
}

// The problems the netlist editor would meet in a command file applied
// to the current design: an endpoint "inst{pin}" whose instance neither
// exists nor was added on an earlier line, or a bare name that is no
// port, net or added port.
std::vector<std::string> editor_problems(const std::string& cmd) {
    std::set<std::string> instances, ports;
    std::vector<std::string> problems;
    auto check = [&](const std::string& end, size_t n) {
        size_t brace = end.find('{');
        if (brace != std::string::npos) {
            std::string inst = end.substr(0, brace);
            if (!instances.count(inst) && SDB_lookup_obj(inst.c_str()) < 0)
                problems.push_back("line " + std::to_string(n + 1) + ": no instance " + inst);
            return;
        }
        if (end == "VCC" || end == "GND" || ports.count(end) || SDB_nl_search_port(end.c_str()) >= 0 ||
            SDB_lookup_net(end.c_str()) >= 0)
            return;
        problems.push_back("line " + std::to_string(n + 1) + ": no port or net " + end);
    };
    std::vector<std::string> all = lines(cmd);
    for (size_t n = 0; n < all.size(); ++n) {
        std::istringstream in(all[n]);
        std::string word, a, b;
        in >> word >> a >> b;
        if (word == "add") {
            (b == "input" || b == "output" ? ports : instances).insert(a);
        } else if (word == "connect") {
            check(a, n);
            check(b, n);
        } else if (word == "disconnect") {
            check(a, n);
        }
    }
    return problems;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += x + "\n";
    return s;
}

// The pad configurations of this file on designs of their own.
class PadKindWriters : public EditWriters {
protected:
    // Reads the descriptions, makes the design (the library's classes and
    // the TAP with its pads first), builds the ordered pad table and
    // writes every pad's cells, the trees and the chain into one file.
    std::string run(Descriptions d, const std::function<void(Design&)>& build) {
        d.pin_rows += kTapPins;
        read_descriptions(d);
        {
            Design design;
            add_library_classes(design);
            add_tap_with_pads(design);
            build(design);
            EXPECT_EQ(SDB_save(sdb), 0);
        }
        build_table();
        return write_all();
    }
};

// ---------------------------------------------------------------------------
// A pad whose %BS_BUFFER carries its own control cell, in the register next
// to a pad whose enable is tied to a constant: the tied pad alone forms the
// high-impedance group, whichever of the two comes first.

const char* kOwnControl =
    "%BS_BUFFER PIN_BSO { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
    " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %CONTROL_BCELL C0; }";

struct OwnControlCase {
    const char* name;
    const char* pins;
};

void PrintTo(const OwnControlCase& c, std::ostream* os) { *os << c.name; }

class OwnControlCell : public PadKindWriters, public ::testing::WithParamInterface<OwnControlCase> {};

TEST_P(OwnControlCell, TakesNoPlaceInTheHighzGroup) {
    Descriptions d;
    d.pin_rows = GetParam().pins;
    d.lib_extra = kOwnControl;
    d.tap_extra = "%GROUP_SIZE 4;";
    std::string cmd = run(d, [](Design& g) {
        g.cell("PIN_BSO", {{"A", I}, {"OE", I}, {"PAD", O}, {"SI", I}, {"SO", O}, {"SHIFT", I}, {"CLOCK", I}});
        g.port("bso", O);
        g.port("tri", O);
        place(g, "PAD_BSO", "PIN_BSO", {{"A", "bso_c"}, {"OE", "bso_oe"}, {"PAD", "bso"}});
        place(g, "PAD_TRI", "PIN_TRI", {{"A", "tri_c"}, {"OE", "VCC"}, {"PAD", "tri"}});
        place(g, "g1", "AND2", {{"Y", "bso_c"}, {"A", "tri_c"}});
        place(g, "g2", "AND2", {{"Y", "bso_oe"}});
        place(g, "g3", "AND2", {{"Y", "tri_c"}});
    });
    EXPECT_EQ(pad("bso").control, -1);
    EXPECT_EQ(pad("bso").drives_control, 0);
    EXPECT_EQ(pad("tri").control, -1);
    EXPECT_EQ(pad("tri").drives_control, 1);
    EXPECT_EQ(pad("tri").highz_group, 0);
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    EXPECT_TRUE(has_line(cmd, "add highz_buf0 BUF")) << cmd;
    // The active-high enable takes the command through an inverter.
    EXPECT_TRUE(has_line(cmd, "connect B_PAD_INV0{A} highz_buf0{Y}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect B_PAD_INV0{Y} PAD_TRI{OE}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect highz_buf0{A} TAP{HIGHZ}")) << cmd;
    // The pad with its own control cell keeps its enable.
    EXPECT_EQ(cmd.find("PAD_BSO{OE}"), std::string::npos) << cmd;
    EXPECT_EQ(cmd.find("highz_buf1"), std::string::npos) << cmd;
}

INSTANTIATE_TEST_SUITE_P(Table, OwnControlCell,
                         ::testing::Values(OwnControlCase{"own_control_first", "1 BSO bso out PAD_EN_H\n2 TRI tri out PAD_EN_H\n"},
                                           OwnControlCase{"tied_pad_first", "1 TRI tri out PAD_EN_H\n2 BSO bso out PAD_EN_H\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without %GROUP_SIZE (no trees) a tied enable still gets its
// high-impedance buffer, of the TAP's signal buffer.
TEST_F(PadKindWriters, HighzBufferWithoutGroupSize) {
    Descriptions d;
    d.pin_rows = "1 TRI tri out PAD_EN_H\n";
    std::string cmd = run(d, [](Design& g) {
        g.port("tri", O);
        place(g, "PAD_TRI", "PIN_TRI", {{"A", "tri_c"}, {"OE", "VCC"}, {"PAD", "tri"}});
        place(g, "g1", "AND2", {{"Y", "tri_c"}});
    });
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    EXPECT_TRUE(has_line(cmd, "add highz_buf0 BUF")) << cmd;
    // The active-high enable takes the command through an inverter.
    EXPECT_TRUE(has_line(cmd, "connect B_PAD_INV0{A} highz_buf0{Y}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect B_PAD_INV0{Y} PAD_TRI{OE}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect highz_buf0{A} TAP{HIGHZ}")) << cmd;
}

// ---------------------------------------------------------------------------
// Output-enable cells: the control cell's OE_MODE follows the data cell's,
// on a three-state pad (one cell) and on a bidirectional pad built from an
// input and an output cell.  Every line comes after the adds it names.

const char* kOeCells =
    "%SCAN_CELL BC_OE { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
    " %UPDATE_DR UPDATE; %OE_MODE OEM; }"
    "%SCAN_CELL BC_CTRL_OE { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK;"
    " %UPDATE_DR UPDATE; %OE_MODE OEM; }";

TEST_F(PadKindWriters, OutputEnableCellsJoinAfterTheirAdds) {
    Descriptions d;
    d.pin_rows = "1 TRI tri out PAD_EN_H\n2 BID bid inout\n";
    d.lib_extra = kOeCells;
    d.default_cells = false;
    d.cells_extra = "%INPUT_SCAN BC_IN; %CLOCK_SCAN BC_IN; %OUTPUT_SCAN BC_OE; %CONTROL_SCAN BC_CTRL;"
                    " %CONTROL_OE_SCAN BC_CTRL_OE;";
    std::string cmd = run(d, [](Design& g) {
        g.port("tri", O);
        g.port("bid", B);
        place(g, "PAD_TRI", "PIN_TRI", {{"A", "tri_c"}, {"OE", "tri_oe"}, {"PAD", "tri"}});
        place(g, "PAD_BID", "PIN_BIDIR", {{"A", "bid_o"}, {"OE", "bid_oe"}, {"Y", "bid_i"}, {"PAD", "bid"}});
        place(g, "g1", "AND2", {{"A", "bid_i"}, {"Y", "tri_c"}});
        place(g, "g2", "AND2", {{"Y", "tri_oe"}});
        place(g, "g3", "AND2", {{"Y", "bid_o"}});
        place(g, "g4", "AND2", {{"Y", "bid_oe"}});
    });
    EXPECT_EQ(pad("tri").kind, PAD_OUTPUT3);
    EXPECT_EQ(pad("bid").kind, PAD_INOUT);
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    for (const char* signal : {"tri", "bid"}) {
        SCOPED_TRACE(signal);
        const PadEntry& p = pad(signal);
        ASSERT_GT(p.control_oe, 0);
        std::string control = text(CONTROL_OE_TAB[p.control_oe - 1].instance);
        std::string data = cell(signal);
        data = data.substr(0, data.find(','));  // the output part of a pair
        std::string join = "connect " + control + "{OEM} " + data + "{OEM}";
        size_t at = line_index(cmd, join);
        ASSERT_NE(at, std::string::npos) << cmd;
        EXPECT_LT(line_index(cmd, "add " + data + " BC_OE"), at) << cmd;
        EXPECT_LT(line_index(cmd, "add " + control + " BC_CTRL_OE"), at) << cmd;
    }
    // The pair's input part sits between the pad and the core.
    std::string in = cell("bid").substr(cell("bid").find(',') + 1);
    EXPECT_TRUE(has_line(cmd, "connect " + in + "{DO} g1{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + in + "{DI} PAD_BID{Y}")) << cmd;
}

// ---------------------------------------------------------------------------
// Mux bidirectional pads: one mux cell (PAD_MUX_BIDIR1/2) or an output mux
// cell and an input cell (PAD_MUX_INOUT1/2).

const char* kMuxBidir =
    "%BUFFER PIN_BM1 { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %MUX_IN1 M1; %MODE_1 S1; }"
    "%BUFFER PIN_BM2 { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %MUX_IN1 M1; %MODE_1 S1;"
    " %MUX_IN2 M2; %MODE_2 S2; }"
    "%SCAN_CELL BC_BMUX { %DATA_IN DI; %SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO;"
    " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }";

struct MuxBidirCase {
    const char* name;
    const char* cells;  // %SCAN_CELLS beyond the input, output and control cells
    int kind1, kind2;   // the kinds of the pads on PIN_BM1 and PIN_BM2
    std::vector<std::string> lines;  // with @1 and @2 for the data cell of each pad
};

void PrintTo(const MuxBidirCase& c, std::ostream* os) { *os << c.name; }

class MuxBidir : public PadKindWriters, public ::testing::WithParamInterface<MuxBidirCase> {};

TEST_P(MuxBidir, CellsOnBothSidesAndTheMuxPins) {
    const MuxBidirCase& c = GetParam();
    Descriptions d;
    d.pin_rows = "1 B1 b1 inout\n2 B2 b2 inout\n";
    d.lib_extra = kMuxBidir;
    d.default_cells = false;
    d.cells_extra = std::string("%INPUT_SCAN BC_IN; %CLOCK_SCAN BC_IN; %OUTPUT_SCAN BC_OUT; %CONTROL_SCAN BC_CTRL;"
                                " %OUTPUT_MUX_SCAN BC_OMUX;") + c.cells;
    std::string cmd = run(d, [](Design& g) {
        g.cell("PIN_BM1", {{"A", I}, {"OE", I}, {"Y", O}, {"PAD", B}, {"M1", I}, {"S1", I}});
        g.cell("PIN_BM2", {{"A", I}, {"OE", I}, {"Y", O}, {"PAD", B}, {"M1", I}, {"S1", I}, {"M2", I}, {"S2", I}});
        g.port("b1", B);
        g.port("b2", B);
        place(g, "PAD_B1", "PIN_BM1", {{"A", "b1_o"}, {"OE", "oe"}, {"Y", "b1_i"}, {"PAD", "b1"}, {"M1", "GND"}});
        place(g, "PAD_B2", "PIN_BM2", {{"A", "b2_o"}, {"OE", "oe"}, {"Y", "b2_i"}, {"PAD", "b2"}});
        place(g, "g1", "AND2", {{"A", "b1_i"}, {"B", "b2_i"}, {"Y", "b1_o"}});
        place(g, "g2", "AND2", {{"Y", "b2_o"}});
        place(g, "g3", "AND2", {{"Y", "oe"}});
    });
    EXPECT_EQ(pad("b1").kind, c.kind1);
    EXPECT_EQ(pad("b2").kind, c.kind2);
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    for (std::string want : c.lines) {
        for (auto [mark, signal] : {std::pair{"@1", "b1"}, std::pair{"@2", "b2"}}) {
            std::string cells = cell(signal);
            std::string in = cells.find(',') == std::string::npos ? "" : cells.substr(cells.find(',') + 1);
            std::string in_mark = std::string(mark) + "i";
            for (size_t at; (at = want.find(in_mark)) != std::string::npos;) want.replace(at, 3, in);
            for (size_t at; (at = want.find(mark)) != std::string::npos;) want.replace(at, 2, cells.substr(0, cells.find(',')));
        }
        EXPECT_TRUE(has_line(cmd, want)) << want << "\n" << cmd;
    }
    // Both pads share the control cell of their enable net.
    const std::string control = text(CONTROL_TAB[pad("b1").control - 1].instance);
    EXPECT_TRUE(has_line(cmd, "connect " + control + "{DO} PAD_B1{OE}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + control + "{DO} PAD_B2{OE}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + control + "{DI} g3{Y}")) << cmd;
    EXPECT_EQ(SCAN_TAB ? DYNA_count(SCAN_TAB) : 0, c.kind1 == PAD_MUX_BIDIR1 ? 3 : 5);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MuxBidir,
    ::testing::Values(
        // One mux cell per pad: the pad's data to the core passes the cell,
        // the cell observes the core's data and drives the open or tied
        // MUX_IN1.
        MuxBidirCase{"one_cell",
                     " %BIDIR_MUX_SCAN BC_BMUX;",
                     PAD_MUX_BIDIR1,
                     PAD_MUX_BIDIR2,
                     {"disconnect PAD_B1{Y}", "connect @1{TO_CORE} g1{A}", "connect @1{FROM_PAD} PAD_B1{Y}",
                      "connect @1{DI} PAD_B1{A}", "disconnect PAD_B1{M1}", "connect @1{UO} PAD_B1{M1}",
                      "connect @2{TO_CORE} g1{B}", "connect @2{UO} PAD_B2{M1}"}},
        // An output mux cell and an input cell (an input mux cell with
        // MUX_IN2).
        MuxBidirCase{"input_and_output_cells",
                     " %INPUT_MUX_SCAN BC_IMUX;",
                     PAD_MUX_INOUT1,
                     PAD_MUX_INOUT2,
                     {"connect @1{DI} PAD_B1{A}", "connect @1i{DI} PAD_B1{Y}", "connect @1{UO} PAD_B1{M1}",
                      "connect @2{DI} PAD_B2{A}", "connect @2i{DI} PAD_B2{Y}", "connect @2{UO} PAD_B2{M1}",
                      "connect @2i{UO} PAD_B2{M2}"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A differential output pad: one output cell between the core and the
// pad's data input; its minus leg gets no cell.

TEST_F(PadKindWriters, DifferentialOutputPad) {
    Descriptions d;
    d.pin_rows = "1 DP dp out\n2 DN dn out\n";
    d.lib_extra = "%DIFFERENTIAL_VOLTAGE LVDS_TX { %INPUT A; %OUTPUT_P PADP; %OUTPUT_M PADN; }";
    std::string cmd = run(d, [](Design& g) {
        g.cell("LVDS_TX", {{"A", I}, {"PADP", O}, {"PADN", O}});
        g.port("dp", O);
        g.port("dn", O);
        place(g, "TX", "LVDS_TX", {{"A", "d_c"}, {"PADP", "dp"}, {"PADN", "dn"}});
        place(g, "g1", "AND2", {{"Y", "d_c"}});
    });
    EXPECT_EQ(pad("dp").kind, PAD_OUTPUT2);
    EXPECT_EQ(pad("dn").cell, nullptr);
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    std::string c = cell("dp");
    EXPECT_TRUE(has_line(cmd, "disconnect TX{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + c + "{DO} TX{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + c + "{DI} g1{Y}")) << cmd;
    EXPECT_EQ(DYNA_count(SCAN_TAB), 1);
}

// ---------------------------------------------------------------------------
// A transparent buffer between an input pad and the core stands for the
// pad: the cell is cut in behind it, and the pad row keeps its own pad.

TEST_F(PadKindWriters, TransparentBufferInFrontOfTheCore) {
    Descriptions d;
    d.pin_rows = "1 DIN din in\n3 DOUT dout out\n";
    d.lib_extra = "%BUFFER TBUF { %INPUT A; %OUTPUT Y; }";
    d.bsc_extra = "%TRANSPARENT_BUFFER { TBUF; }";
    std::string cmd = run(d, [](Design& g) {
        g.cell("TBUF", {{"A", I}, {"Y", O}});
        g.port("din", I);
        g.port("dout", O);
        place(g, "PAD_DIN", "PIN_IN", {{"PAD", "din"}, {"Y", "din_p"}});
        place(g, "tb_in", "TBUF", {{"A", "din_p"}, {"Y", "din_c"}});
        place(g, "tb_out", "TBUF", {{"A", "dout_c"}, {"Y", "dout_p"}});
        place(g, "PAD_DOUT", "PIN_OUT", {{"A", "dout_p"}, {"PAD", "dout"}});
        place(g, "g1", "AND2", {{"A", "din_c"}, {"Y", "dout_c"}});
    });
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    std::string in = cell("din"), out = cell("dout");
    EXPECT_TRUE(has_line(cmd, "disconnect tb_in{Y}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + in + "{DO} g1{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + in + "{DI} tb_in{Y}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "disconnect tb_out{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + out + "{DO} tb_out{A}")) << cmd;
    EXPECT_TRUE(has_line(cmd, "connect " + out + "{DI} g1{Y}")) << cmd;
    EXPECT_EQ(text(pad("din").pad_instance), "PAD_DIN");
    EXPECT_EQ(text(pad("dout").pad_instance), "PAD_DOUT");
}

// ---------------------------------------------------------------------------
// Pads whose kind gets no cell (a clock pad with a second data input, an
// enable-driven output with one) keep no cell and take no register
// position: the pin list shows them without one.

TEST_F(PadKindWriters, MuxClockAndEnableDrivenMuxPadsTakeNoPosition) {
    Descriptions d;
    d.pin_rows = "1 MC mc in\n2 DIN din in\n3 ME me out\n4 DOUT dout out\n";
    d.lib_extra = "%BUFFER PIN_CMUX { %FUNCTION CLOCK; %INPUT PAD; %OUTPUT Y; %MUX_IN2 M; %MODE_2 S; }"
                  "%BUFFER PIN_EMUX { %OUTPUT PAD; %EN_L EN; %MUX_IN1 M; %MODE_1 S; }";
    d.cells_extra = "%CLOCK_MUX_SCAN BC_IMUX;";
    std::string cmd = run(d, [](Design& g) {
        g.cell("PIN_CMUX", {{"PAD", I}, {"Y", O}, {"M", I}, {"S", I}});
        g.cell("PIN_EMUX", {{"EN", I}, {"PAD", O}, {"M", I}, {"S", I}});
        for (const char* p : {"mc", "din"}) g.port(p, I);
        for (const char* p : {"me", "dout"}) g.port(p, O);
        place(g, "PAD_MC", "PIN_CMUX", {{"PAD", "mc"}, {"Y", "mc_c"}});
        place(g, "PAD_DIN", "PIN_IN", {{"PAD", "din"}, {"Y", "din_c"}});
        place(g, "PAD_ME", "PIN_EMUX", {{"EN", "me_c"}, {"PAD", "me"}});
        place(g, "PAD_DOUT", "PIN_OUT", {{"A", "dout_c"}, {"PAD", "dout"}});
        place(g, "g1", "AND2", {{"A", "mc_c"}, {"B", "din_c"}, {"Y", "dout_c"}});
        place(g, "g2", "AND2", {{"Y", "me_c"}});
    });
    EXPECT_EQ(pad("mc").kind, PAD_MUX_CLOCK);
    EXPECT_EQ(pad("me").kind, PAD_MUX_OUTPUT_EN);
    EXPECT_EQ(pad("mc").cell, nullptr);
    EXPECT_EQ(pad("me").cell, nullptr);
    EXPECT_EQ(cmd.find("PAD_MC"), std::string::npos) << cmd;
    EXPECT_EQ(cmd.find("PAD_ME"), std::string::npos) << cmd;
    ASSERT_EQ(DYNA_count(SCAN_TAB), 2);
    // The register positions are those of the two cells, one pad each.
    EXPECT_EQ(pad("din").key, 0);
    EXPECT_EQ(pad("dout").key, 1);
    print_bso_file();
    std::string bso = read_file("t.bso");
    int positioned = 0;
    for (const auto& l : lines(bso)) {
        if (l.rfind("//", 0) == 0 || l.size() < 7 || l.substr(0, 7) == std::string(7, ' ')) continue;
        if (l.find(" mc ") != std::string::npos || l.find(" me ") != std::string::npos)
            EXPECT_EQ(l.substr(0, 7), "    *  ") << l;
        else if (l.substr(0, 7) != "    *  ")
            ++positioned;
    }
    EXPECT_EQ(positioned, 2) << bso;
}

// ---------------------------------------------------------------------------
// Active-low pins ("-" in the pin list) are cut in like any other: no
// inverter in the data path, so the cell captures and drives the pin's own
// level, as its BSDL row says, and the core sees what it saw before.  With
// -add_pad the added pad feeds the cell, and the port's load takes the
// cell's DATA_OUT in its place.

struct ActiveLowCase {
    const char* name;
    const char* signal;
    const char* pin_row;
    int option;  // -add_pad or -no_pad, -1 none
    std::function<void(Design&)> build;
    std::vector<std::string> lines;  // @ for the cell
};

void PrintTo(const ActiveLowCase& c, std::ostream* os) { *os << c.name; }

class ActiveLowPin : public PadKindWriters, public ::testing::WithParamInterface<ActiveLowCase> {};

TEST_P(ActiveLowPin, CellOnThePinsOwnLevel) {
    const ActiveLowCase& c = GetParam();
    Descriptions d;
    d.pin_rows = c.pin_row;
    d.bsc_extra = "%INVERTER INV; %INPUT_BUFFER PIN_IN; %OUTPUT_BUFFER PIN_OUT;";
    if (c.option >= 0) JTAG_OPTION[c.option] = 1;
    std::string cmd = run(d, c.build);
    EXPECT_TRUE(editor_problems(cmd).empty()) << joined(editor_problems(cmd)) << cmd;
    size_t last = 0;
    for (std::string want : c.lines) {
        for (size_t at; (at = want.find('@')) != std::string::npos;) want.replace(at, 1, cell(c.signal));
        const size_t at = line_index(cmd, want);
        EXPECT_NE(at, std::string::npos) << want << "\n" << cmd;
        if (at == std::string::npos) continue;
        EXPECT_GE(at, last) << want << " out of order\n" << cmd;
        last = at;
    }
    EXPECT_EQ(cmd.find("B_PAD_INV"), std::string::npos) << cmd;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ActiveLowPin,
    ::testing::Values(
        ActiveLowCase{"input",
                      "rst",
                      "1 RST -rst in\n",
                      -1,
                      [](Design& g) {
                          g.port("rst", I);
                          place(g, "PAD_RST", "PIN_IN", {{"PAD", "rst"}, {"Y", "rst_c"}});
                          place(g, "g1", "AND2", {{"A", "rst_c"}});
                      },
                      {"add @ BC_IN", "disconnect PAD_RST{Y}", "connect @{DO} g1{A}", "connect @{DI} PAD_RST{Y}"}},
        ActiveLowCase{"input_with_added_pad",
                      "rst",
                      "1 RST -rst in\n",
                      OPT_ADD_PAD,
                      [](Design& g) {
                          g.port("rst", I);
                          place(g, "g1", "AND2", {{"A", "rst"}});
                      },
                      {"add B_PAD0 PIN_IN", "disconnect rst", "connect B_PAD0{PAD} rst", "connect @{DO} g1{A}",
                       "connect @{DI} B_PAD0{Y}"}},
        ActiveLowCase{"input_without_pad",
                      "rst",
                      "1 RST -rst in\n",
                      OPT_NO_PAD,
                      [](Design& g) {
                          g.port("rst", I);
                          place(g, "g1", "AND2", {{"A", "rst"}});
                      },
                      {"disconnect rst", "connect @{DO} g1{A}", "connect @{DI} rst"}},
        ActiveLowCase{"output",
                      "rdy",
                      "1 RDY -rdy out\n",
                      -1,
                      [](Design& g) {
                          g.port("rdy", O);
                          place(g, "PAD_RDY", "PIN_OUT", {{"A", "rdy_c"}, {"PAD", "rdy"}});
                          place(g, "g1", "AND2", {{"Y", "rdy_c"}});
                      },
                      {"add @ BC_OUT", "disconnect PAD_RDY{A}", "connect @{DO} PAD_RDY{A}", "connect @{DI} g1{Y}"}},
        ActiveLowCase{"output_with_added_pad",
                      "rdy",
                      "1 RDY -rdy out\n",
                      OPT_ADD_PAD,
                      [](Design& g) {
                          g.port("rdy", O);
                          place(g, "g1", "AND2", {{"Y", "rdy"}});
                      },
                      {"add B_PAD0 PIN_OUT", "disconnect rdy", "connect B_PAD0{PAD} rdy", "connect @{DO} B_PAD0{A}",
                       "connect @{DI} g1{Y}"}},
        ActiveLowCase{"bidirectional",
                      "bid",
                      "1 BID -bid inout\n",
                      -1,
                      [](Design& g) {
                          g.port("bid", B);
                          place(g, "PAD_BID", "PIN_BIDIR", {{"A", "bid_o"}, {"OE", "bid_oe"}, {"Y", "bid_i"}, {"PAD", "bid"}});
                          place(g, "g1", "AND2", {{"Y", "bid_o"}, {"A", "bid_i"}});
                          place(g, "g2", "AND2", {{"Y", "bid_oe"}});
                      },
                      {"add @ BC_BIDIR", "disconnect PAD_BID{A}", "connect @{DI} g1{Y}", "connect @{DO} PAD_BID{A}",
                       "disconnect PAD_BID{Y}", "connect @{TO_CORE} g1{A}", "connect @{FROM_PAD} PAD_BID{Y}"}},
        ActiveLowCase{"mux_input",
                      "mi",
                      "1 MI -mi in\n",
                      -1,
                      [](Design& g) {
                          g.port("mi", I);
                          place(g, "PAD_MI", "PIN_IMUX", {{"PAD", "mi"}, {"Y", "mi_c"}, {"S", "VCC"}});
                          place(g, "g1", "AND2", {{"A", "mi_c"}});
                      },
                      {"add @ BC_IMUX", "connect @{UO} PAD_MI{M}", "connect @{DI} PAD_MI{Y}"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// One design with a pad of each kind (bstest::EditWriters).

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
    // A pad without a cell (%FUNCTION BUF, its output read by nothing)
    // gets no line.
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

}  // namespace
