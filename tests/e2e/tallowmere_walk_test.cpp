// tallowmere's chain walk on designs that kestrand built from the fixture
// chip: kestrand inserts the boundary register and expands the edited
// design into chip_jtag.c.sdb; the walk over that design must find kestrand's
// cells at the positions that kestrand's pin-list file gives them, and
// the boundary length that its report counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bsdl/bsdl.h"
#include "desc/hash.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"
#include "support/child.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::source_path;

using testsupport::Patch;
using testsupport::tool;
using testsupport::ToolPath;

bool built() { return testsupport::fixture_tools_built(); }

// The fixture chip in dir, patched, with chip.v from `verilog` when given,
// compiled into the cells' designs, chip.sdb and chip.c.sdb.
void compile_chip(const fs::path& dir, const std::vector<Patch>& patches, const std::string& verilog) {
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir, patches, verilog.empty() ? "" : source_path(verilog)));
}

RunResult kestrand(const fs::path& dir, const std::vector<std::string>& options) {
    return testsupport::run_kestrand(dir, options);
}

// One boundary cell: its instance name, module and register position.
struct Cell {
    std::string name;
    std::string cls;
    int position = -1;
    bool operator==(const Cell& o) const { return name == o.name && cls == o.cls && position == o.position; }
};
std::ostream& operator<<(std::ostream& os, const Cell& c) { return os << c.name << "(" << c.cls << ")@" << c.position; }

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

std::string unbracket(const std::string& s) {
    return s.size() >= 2 && s.front() == '[' && s.back() == ']' ? s.substr(1, s.size() - 2) : s;
}

// The row of a cell that kestrand added, from its instance name
// "BCELL<row>" or "BCELL<row>_<suffix>"; -1 for another name.
int row_in_name(const std::string& name) {
    const std::string stem = "BCELL";
    if (name.compare(0, stem.size(), stem) != 0) return -1;
    char* end = nullptr;
    long row = std::strtol(name.c_str() + stem.size(), &end, 10);
    if (end == name.c_str() + stem.size() || (*end != '\0' && *end != '_')) return -1;
    return static_cast<int>(row);
}

// The register as kestrand's pin-list file states it, by register row
// (0 next to the TAP's last-boundary-cell pin): a pad line gives its
// cell's row in the order column, its instance in the last column and
// the module in the brackets that end the next line.  A pad with an
// input and an output cell shows the row of its input cell, the
// instances as "output,input" and the modules as "input,output"; a
// control block names the control cell and its module.  The output cell
// of such a pad and a control cell are placed by the row in their names.
std::map<int, Cell> bso_register(const std::string& bso) {
    std::map<int, Cell> rows;
    std::vector<std::string> lines;
    std::istringstream in(bso);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    auto by_name = [&](const Cell& c) {
        int row = row_in_name(c.name);
        EXPECT_GE(row, 0) << c.name;
        EXPECT_TRUE(rows.emplace(row, c).second) << "row " << row << " twice: " << c.name;
    };
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::vector<std::string> w = words(lines[i]), next = words(lines[i + 1]);
        if (w.empty() || next.empty()) continue;
        char* end = nullptr;
        long row = std::strtol(w[0].c_str(), &end, 10);
        if (end != w[0].c_str() && *end == '\0') {
            std::string name = w.back(), cls = unbracket(next.back());
            if (size_t comma = name.find(','); comma != std::string::npos) {
                size_t cls_comma = cls.find(',');
                EXPECT_NE(cls_comma, std::string::npos) << lines[i + 1];
                by_name({name.substr(0, comma), cls.substr(cls_comma + 1), -1});
                name = name.substr(comma + 1);
                cls = cls.substr(0, cls_comma);
            }
            EXPECT_TRUE(rows.emplace(static_cast<int>(row), Cell{name, cls, -1}).second) << "row " << row;
        } else if (w.size() > 3 && w[0] == "[CONTROL" && next.size() > 2 && next[1] == "RANGE]") {
            by_name({w.back(), unbracket(next.back()), -1});
        }
    }
    return rows;
}

// The number of cells kestrand's report says it added.
int reported_cells(const std::string& out) {
    const std::string tag = "** Add total ";
    size_t at = out.find(tag);
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + tag.size());
}

// What the walk over chip_jtag.c.sdb found.
struct Walk {
    int status = -1;
    std::string out;
    int length = -1;
    std::vector<Cell> cells;  // CHAIN_TAB in its order
};

// Reads the chip's description in dir, opens the edited design
// chip_jtag.c.sdb (as "tallowmere -bsc_file chip -lib_file chip chip_jtag" does) and
// walks the chain, in a child process (a failed walk ends the process);
// the child prints the chain table, which is read back here.
Walk walk_chip(const fs::path& dir) {
    RunResult r = testsupport::run_child([&] {
        testsupport::ChangeDir cd(dir);
        TALLOWMERE_reset_globals();
        DESC_set_hash_modulus(DESC_HASH_MODULUS_TALLOWMERE);
        CMD_set_path(dir.c_str(), nullptr, static_cast<const char*>(nullptr));
        BS_LIB_FILE = "chip.lib";
        BS_BSC_FILE = "chip.bsc";
        BS_SDB_FILE = "chip_jtag.c.sdb";
        clear_standard_instructions();
        bsdft_init();
        get_bs_dft_file(BS_LIB_FILE.c_str(), BS_BSC_FILE.c_str(), 0);
        check_necessary_information();
        open_and_check_sdb();
        get_bs_chain();
        std::printf("@length %d\n", CHAIN_CELL_COUNT);
        for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i) {
            const ChainCellEntry* e = CHAIN_TAB[i];
            // Each record is found again by its name, as the register
            // writer looks it up.
            std::printf("@cell %s %s %d %d\n", e->key, e->cell_name, e->order, get_chain_cell(e->key) == e);
        }
        std::fflush(stdout);
    });
    Walk w{r.status, r.out, -1, {}};
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> v = words(line);
        if (v.size() == 2 && v[0] == "@length") w.length = std::atoi(v[1].c_str());
        if (v.size() == 5 && v[0] == "@cell") {
            w.cells.push_back({v[1], v[2], std::atoi(v[3].c_str())});
            EXPECT_EQ(v[4], "1") << "get_chain_cell does not find " << v[1];
        }
    }
    return w;
}

// A run of kestrand on a variant of the fixture and what the walk must
// make of it.
struct WalkCase {
    std::string name{};
    std::vector<std::string> options{};
    std::vector<Patch> patches{};
    std::string verilog{};           // replaces chip.v when given
    int cells = 9;                   // kestrand's cells
    std::string first_row = "BCELL0_in";  // the cell next to the TAP's last-boundary-cell pin
    std::string prefix{};            // in front of the pin-list file's names in the expanded design
    std::set<std::string> two_bits{};  // modules with two standard names: two positions each
    // The design of a %BS_BUFFER pad cell with a chain of its own: the
    // chip's designs hold the pad as a library cell, and its own design
    // file, compiled after kestrand's run, holds the cells that the walk
    // records in the pad instance's place (`inner`, by the pad instance,
    // the cell nearest the pad's TDO port first).
    std::string module_verilog{};
    std::map<std::string, std::vector<Cell>> inner{};
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

// Both output enables on one net: one control cell serves both pads
// unless -dont_share_control.
const Patch kSharedEnable{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(dout1_oe), .Y(bidir0_i)"};
// A gate that is no buffer of the library.
const Patch kAnd2Cell{"cells.v", "",
                      "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\n"
                      "endmodule\n`endcelldefine\n"};
// din1 without a pad, straight into a gate of the core, for -add_pad.
const std::vector<Patch> kNoDin1Pad = {
    {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n", "  assign din_c[1] = din1;\n"},
    {"chip.v", "  slice u1 (.a(din[1]),",
     "  wire g1y;\n  AND2 g1 (.A(din[1]), .B(din[1]), .Y(g1y));\n  slice u1 (.a(g1y),"},
    kAnd2Cell};
// The bidirectional pad's input no longer comes straight back out, so
// both of its sides reach the core: one bidirectional cell, or without
// %BIDIR_SCAN an input and an output cell.
const std::vector<Patch> kBidirBothSides = {
    {"chip.v", "assign bidir_out = bidir_in;", "AND2 bb (.A(bidir_in), .B(rst_n), .Y(bidir_out));"}, kAnd2Cell};
std::vector<Patch> without_bidir_scan() {
    std::vector<Patch> p = kBidirBothSides;
    p.push_back({"chip.bsc", "    %BIDIR_SCAN   BC_BIDIR;\n", ""});
    return p;
}
// TDO at the head of the pin list: the register runs backwards.
const std::string kTdoPin = "12  TDO     tdo     out     PAD(PIN_TRI) PAD_EN_H\n";
const std::vector<Patch> kTdoFirst = {{"chip.pin", kTdoPin, ""}, {"chip.pin", "1   CLK", kTdoPin + "1   CLK"}};
std::vector<Patch> tdo_first_without_bidir_scan() {
    std::vector<Patch> p = without_bidir_scan();
    p.insert(p.end(), kTdoFirst.begin(), kTdoFirst.end());
    return p;
}
// The output cell with two register positions.
const std::string kBcOut = "%SCAN_CELL BC_OUT           // output pads: DI from the core, DO to the pad\n{\n";
const Patch kTwoBitOut{"chip.lib", kBcOut + "    %STD_NAME BC_1;",
                       kBcOut + "    %STD_NAME BC_1, BC_2; %ORDER output, input;"};

// din0's pad carries its own boundary cell (a %BS_BUFFER with the scan
// path TI -> TO); `extra` adds to its library block.
std::vector<Patch> bs_pad(const std::string& extra) {
    return {{"chip.v", "PIN_IN    PAD_DIN0 ", "PIN_INBS  PAD_DIN0 "},
            {"chip.pin", "DIN0    din0    in      PAD(PIN_IN)", "DIN0    din0    in      PAD(PIN_INBS)"},
            {"chip.lib", "",
             "\n%BS_BUFFER PIN_INBS\n{\n    %INPUT PAD; %OUTPUT Y; %TDI TI; %TDO TO;\n"
             "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE;\n    %BCELL BC_IN;" + extra + "\n}\n"},
            {"cells.v", "",
             "\n`celldefine\nmodule PIN_INBS (PAD, Y, TI, TO, SHIFT, CLOCK, UPDATE);\n"
             "  input PAD, TI, SHIFT, CLOCK, UPDATE;\n  output Y, TO;\n  reg capture;\n"
             "  always @(posedge CLOCK) capture <= SHIFT ? TI : PAD;\n  assign TO = capture;\n  assign Y = PAD;\n"
             "endmodule\n`endcelldefine\n"}};
}
// The pad's own design with two cells between its TI and TO ports.
const char* kInbsDesign =
    "module PIN_INBS (PAD, Y, TI, TO, SHIFT, CLOCK, UPDATE);\n"
    "  input PAD, TI, SHIFT, CLOCK, UPDATE;\n  output Y, TO;\n  wire t;\n"
    "  BC_IN X1 (.DI(PAD), .DO(Y), .SI(TI), .SO(t), .SHIFT(SHIFT), .CLOCK(CLOCK), .UPDATE(UPDATE), .MODE(1'b0));\n"
    "  BC_IN X2 (.DI(PAD), .DO(), .SI(t), .SO(TO), .SHIFT(SHIFT), .CLOCK(CLOCK), .UPDATE(UPDATE), .MODE(1'b0));\n"
    "endmodule\n";

class TallowmereWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(TallowmereWalk, FindsKestrandsRegister) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const WalkCase& c = GetParam();
    testsupport::TempDir dir;
    compile_chip(dir.path(), c.patches, c.verilog);
    if (HasFatalFailure()) return;
    RunResult k = kestrand(dir.path(), c.options);
    ASSERT_EQ(k.status, 0) << k.out << k.err;
    ASSERT_EQ(reported_cells(k.out), c.cells) << k.out;

    // kestrand's register: one cell per row, rows 0 to cells-1.
    std::map<int, Cell> rows = bso_register(read_file(dir.path() / "chip.bso"));
    ASSERT_EQ(rows.size(), static_cast<size_t>(c.cells)) << read_file(dir.path() / "chip.bso");
    ASSERT_EQ(rows.begin()->first, 0);
    ASSERT_EQ(rows.rbegin()->first, c.cells - 1);
    EXPECT_EQ(rows[0].name, c.first_row);

    if (!c.module_verilog.empty()) {
        testsupport::TempDir out;
        std::ofstream(dir.path() / "module.v") << c.module_verilog;
        auto r = tool("tessick", {"module.v", "-opath", out.str()}, dir.path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (const auto& f : fs::directory_iterator(out.path()))
            fs::copy_file(f.path(), dir.path() / f.path().filename(), fs::copy_options::overwrite_existing);
    }

    // Its positions: each cell after the widths of the cells nearer the
    // TAP's last-boundary-cell pin.
    std::vector<Cell> expected;
    int length = 0;
    for (auto& [row, cell] : rows) {
        auto in = c.inner.find(cell.name);
        if (in != c.inner.end()) {
            for (const Cell& x : in->second) expected.push_back({c.prefix + cell.name + "." + x.name, x.cls, length++});
            continue;
        }
        expected.push_back({c.prefix + cell.name, cell.cls, length});
        length += c.two_bits.count(cell.cls) ? 2 : 1;
    }

    Walk w = walk_chip(dir.path());
    ASSERT_EQ(w.status, 0) << w.out;
    EXPECT_EQ(w.length, length);
    EXPECT_EQ(w.cells, expected) << w.out;

    // The program itself, named the same way, walks the same chain: its
    // BSDL file declares the walked length.
    ToolPath path;
    RunResult t = testsupport::run(
        {built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"}, dir.path());
    ASSERT_EQ(t.status, 0) << t.out;
    EXPECT_NE(read_file(dir.path() / "chip_jtag.bsd")
                  .find("BOUNDARY_LENGTH of chip_jtag : entity is " + std::to_string(length) + ";"),
              std::string::npos)
        << t.out;
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, TallowmereWalk,
    ::testing::Values(
        WalkCase{.name = "default"},
        WalkCase{.name = "shared_control", .patches = {kSharedEnable}, .cells = 8},
        WalkCase{.name = "dont_share_control", .options = {"-dont_share_control"}, .patches = {kSharedEnable}},
        WalkCase{.name = "add_pad", .options = {"-add_pad"}, .patches = kNoDin1Pad},
        WalkCase{.name = "bidirectional_cell", .patches = kBidirBothSides},
        // The pad's pair is listed by its input cell (row 9, the last);
        // its output cell (7) and its control cell (8) come before it.
        WalkCase{.name = "input_and_output_cells", .patches = without_bidir_scan(), .cells = 10},
        WalkCase{.name = "tdo_first", .patches = kTdoFirst, .first_row = "BCELL0_inout"},
        // The same pair first in the register, followed by other pads.
        WalkCase{.name = "tdo_first_input_and_output_cells",
                 .patches = tdo_first_without_bidir_scan(),
                 .cells = 10,
                 .first_row = "BCELL0_inout"},
        WalkCase{.name = "pad_module", .verilog = "tests/fixtures/bscan/padmod/chip.v", .prefix = "u_pads."},
        WalkCase{.name = "two_bit_output_cells", .patches = {kTwoBitOut}, .two_bits = {"BC_OUT"}},
        WalkCase{.name = "pad_with_its_own_cell", .patches = bs_pad("")},
        WalkCase{.name = "pad_with_an_inner_chain",
                 .patches = bs_pad(" %IN_BCELL BC_IN;"),
                 .module_verilog = kInbsDesign,
                 .inner = {{"PAD_DIN0", {{"X2", "BC_IN"}, {"X1", "BC_IN"}}}}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
