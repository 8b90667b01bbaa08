// kestrand end to end on the fixture chip, compiled and edited with the
// stand-in netlist tools: the files of a run, the edited design's
// connectivity (the chain, each pad between its cell and the core, every
// control pin driven from the TAP), the netlist, and the roads that stop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::ScopedEnv;
using testsupport::source_path;

using testsupport::inst_of;
using testsupport::Netlist;
using testsupport::Patch;
using testsupport::pin_of;
using testsupport::tool;
using testsupport::tools_dir;

bool built() { return testsupport::fixture_tools_built(); }

// Copies the fixture chip into dir, applies the patches (and the Verilog
// of chip.v from `verilog` when given) and compiles it.
void compile_chip(const fs::path& dir, const std::vector<Patch>& patches = {}, const std::string& verilog = "") {
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir, patches, verilog));
}

RunResult kestrand(const fs::path& dir, const std::vector<std::string>& options = {}, const std::string& first = "") {
    return testsupport::run_kestrand(dir, options, first);
}

// The shift chain from the TAP's first-cell pin through boundary cells
// (SI in, SO out) to its last-cell pin; the cells in shift order.
std::vector<std::string> chain(const Netlist& n) {
    std::vector<std::string> cells;
    std::string from = "TAP{first_Bcell}";
    for (int guard = 0; guard < 1000; ++guard) {
        std::string net = n.net(inst_of(from), pin_of(from));
        std::vector<std::string> ends = n.ends(net);
        EXPECT_EQ(ends.size(), 2u) << "net " << net << " after " << from;
        std::string next;
        for (const auto& e : ends)
            if (e != from) next = e;
        if (next == "TAP{BOUNDARY_out}") return cells;
        EXPECT_EQ(pin_of(next), "SI") << next;
        if (pin_of(next) != "SI") return cells;
        cells.push_back(inst_of(next));
        from = inst_of(next) + "{SO}";
    }
    ADD_FAILURE() << "the chain does not close";
    return cells;
}

// A pad pin between a boundary cell and the core: the pad pin's net holds
// the cell's `cell_pin` and pad pins only, and the cell's `core_pin` net
// reaches the core.
void expect_between(const Netlist& n, const std::string& pad, const std::string& pin, const std::string& cell_pin,
                    const std::string& core_pin, const std::string& core = "core{") {
    SCOPED_TRACE(pad + "{" + pin + "}");
    std::string cell;
    for (const auto& e : n.ends(n.net(pad, pin))) {
        if (n.cls(inst_of(e)).rfind("BC_", 0) == 0) {
            EXPECT_TRUE(cell.empty()) << "two cells on " << e;
            EXPECT_EQ(pin_of(e), cell_pin);
            cell = inst_of(e);
        } else {
            EXPECT_EQ(n.cls(inst_of(e)).rfind("PIN_", 0), 0u) << "not a pad: " << e;
        }
    }
    ASSERT_FALSE(cell.empty()) << "no boundary cell on the pad pin";
    bool reached = false;
    for (const auto& e : n.ends(n.net(cell, core_pin))) reached = reached || e.rfind(core, 0) == 0;
    EXPECT_TRUE(reached) << cell << "{" << core_pin << "} does not reach " << core;
}

using testsupport::expect_controls_driven;

// The chain and the controls of an edited fixture chip.
void expect_chain(const Netlist& n, size_t cells = 9) {
    std::vector<std::string> order = chain(n);
    std::set<std::string> all = n.of_class("BC_");
    EXPECT_EQ(order.size(), cells);
    EXPECT_EQ(all.size(), cells);
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), all);
    expect_controls_driven(n);
}

// Each pad of the fixture chip between its cell and the core (in the
// design that holds the pads, where `core` begins the core-side ends).
void expect_pads(const Netlist& n, const std::string& core) {
    for (const char* p : {"PAD_CLK", "PAD_RST_N", "PAD_DIN0", "PAD_DIN1"}) expect_between(n, p, "Y", "DI", "DO", core);
    for (const char* p : {"PAD_DOUT0", "PAD_DOUT1", "PAD_BIDIR0"}) expect_between(n, p, "A", "DO", "DI", core);
    for (const char* p : {"PAD_DOUT1", "PAD_BIDIR0"}) expect_between(n, p, "OE", "DO", "DI", core);
}

void expect_files(const fs::path& dir, const std::vector<std::string>& present, const std::vector<std::string>& absent) {
    for (const auto& f : present) EXPECT_TRUE(fs::exists(dir / f)) << f;
    for (const auto& f : absent) EXPECT_FALSE(fs::exists(dir / f)) << f;
}

std::vector<std::string> logs_in(const fs::path& dir) {
    std::vector<std::string> v;
    for (const auto& f : fs::directory_iterator(dir)) {
        std::string name = f.path().filename().string();
        if (name.rfind("bs_", 0) == 0 && f.path().extension() == ".log") v.push_back(name);
    }
    return v;
}

void expect_yosys_clean(const fs::path& dir, const std::string& netlist) {
    if (!testsupport::have_program("yosys")) return;
    auto r = testsupport::run(
        {"yosys", "-q", "-p", "read_verilog " + netlist + " cells.v; hierarchy -check -top chip; check -assert"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(KestrandFlow, FixtureChipEndToEnd) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    compile_chip(dir.path());
    auto r = kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    expect_files(dir.path(),
                 {"bscan_lib/chip_jtag.cmd", "bscan_lib/chip_jtag.sdb", "chip_jtag.v", "chip.bso", "chip.kest.rpt"},
                 {"chip_jtag.sdb"});
    EXPECT_TRUE(logs_in(dir.path()).empty());
    // The edited top design, and its expansion beside chip.c.sdb.
    Netlist edited(dir.path(), "bscan_lib/chip_jtag.sdb");
    expect_chain(edited);
    expect_pads(edited, "core{");
    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"));
    EXPECT_EQ(read_file(dir.path() / "chip.bso"), read_file(source_path("tests/fixtures/bscan/chip.bso")));
    expect_yosys_clean(dir.path(), "chip_jtag.v");
    // The closing lines and the report, on the screen and in the report file.
    for (const std::string& text : {r.out, read_file(dir.path() / "chip.kest.rpt")}) {
        size_t at = 0;
        for (const char* want : {"    .Editing command file    ./bscan_lib/chip_jtag.cmd ...\n",
                                 "    .Executing command file  ./bscan_lib/chip_jtag.cmd ...\n",
                                 "\n - Synthesis  done!\n\n",
                                 "    .The Boundary-scan Pin List was stored in file 'chip.bso'.\n",
                                 "    .Modified sdb files were stored in directory ./bscan_lib.\n\n",
                                 "    .Modified netlist file was stored in file ./chip_jtag.v.\n",
                                 "    .Expanding modified netlist ...\n\n",
                                 "                 KESTRAND   Report\n",
                                 "\n  ** Add total   9 Boundary Scan Cells:\n",
                                 "  ** Add 1 CLOCK SCAN Cells: BC_IN\n", "  ** Add 3 INPUT SCAN Cells: BC_IN\n",
                                 "  ** Add 3 OUTPUT SCAN Cells: BC_OUT\n", "  ** Add 2 CONTROL SCAN Cells: BC_CTRL\n",
                                 "     Level 2:   2 buffers    drive   9 scan cells\n", "\nCPU TIME = "}) {
            size_t f = text.find(want, at);
            EXPECT_NE(f, std::string::npos) << "missing: " << want << "\nin:\n" << text;
            if (f != std::string::npos) at = f;
        }
    }
}

// The pads in a pad module below the top: the module's copy takes the
// cells and the ports of the TAP signals and the chain.
TEST(KestrandFlow, PadsInOnePadModule) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    compile_chip(dir.path(), {}, source_path("tests/fixtures/bscan/padmod/chip.v"));
    auto r = kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    expect_files(dir.path(), {"bscan_lib/chip_jtag.cmd", "bscan_lib/pads_bs.cmd", "bscan_lib/pads_bs.sdb",
                              "bscan_lib/chip_jtag.sdb", "chip_jtag.v"},
                 {"pads_bs.sdb", "chip_jtag.sdb"});
    EXPECT_TRUE(logs_in(dir.path()).empty());
    EXPECT_NE(r.out.find("    .Executing command file  ./bscan_lib/pads_bs.cmd ...\n"
                         "    .Executing command file  ./bscan_lib/chip_jtag.cmd ...\n"),
              std::string::npos)
        << r.out;
    std::string pads = read_file(dir.path() / "bscan_lib/pads_bs.cmd");
    EXPECT_EQ(pads.rfind("edit pads_bs\nadd SHIFT_DR input\n", 0), 0u) << pads;
    EXPECT_NE(pads.find("add chain_in input\nadd chain_out output\n"), std::string::npos) << pads;
    std::string top = read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    EXPECT_NE(top.find("replace u_pads pads_bs\n"), std::string::npos) << top;
    // The TAP pads leave the pad module through its own ports: no new
    // TAP port is needed.
    EXPECT_NE(top.find("connect u_pads{tdi_c} TAP{TDI}\n"), std::string::npos) << top;
    EXPECT_EQ(pads.find("qdx_tap_"), std::string::npos) << pads;
    // The pad module's copy holds the cells between the pads and its
    // core-side ports; the expanded design closes the chain at the TAP.
    expect_pads(Netlist(dir.path(), "bscan_lib/pads_bs.sdb"), "port:");
    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"));
    expect_yosys_clean(dir.path(), "chip_jtag.v");
}

// Every file below dir with its bytes, each date and time of day
// replaced by "<date>"; in the report the lines that carry the time or
// the memory the run used are left out.
std::map<std::string, std::string> outputs(const fs::path& dir) {
    static const std::regex date(R"([A-Z][a-z]{2} [A-Z][a-z]{2} +[0-9]{1,2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4})");
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string text = read_file(e.path());
        if (e.path().extension() != ".sdb") text = std::regex_replace(text, date, "<date>");
        if (e.path().extension() == ".rpt") {
            std::istringstream in(text);
            text.clear();
            for (std::string line; std::getline(in, line);) {
                bool timed = false;
                for (const char* tag : {"CPU TIME = ", "[System Info]"})
                    timed = timed || line.rfind(tag, 0) == 0;
                if (!timed) text += line + "\n";
            }
        }
        files[fs::relative(e.path(), dir).string()] = text;
    }
    return files;
}

// A second run in the same folder reads the same inputs as the first (it
// never reads what the first one wrote) and so writes the same outputs.
struct TwiceCase {
    std::string name;
    std::vector<std::string> options;
    std::string verilog;  // replaces chip.v when given
};
void PrintTo(const TwiceCase& c, std::ostream* os) { *os << c.name; }

class KestrandTwice : public ::testing::TestWithParam<TwiceCase> {};

TEST_P(KestrandTwice, GivesTheSameOutputs) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const TwiceCase& c = GetParam();
    testsupport::TempDir dir;
    compile_chip(dir.path(), {}, c.verilog.empty() ? "" : source_path(c.verilog));
    const std::string cells = read_file(dir.path() / "chip.c.sdb");
    auto first = kestrand(dir.path(), c.options);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    // kestrand's input stays as it was; the expansion goes beside it.
    EXPECT_EQ(read_file(dir.path() / "chip.c.sdb"), cells);
    EXPECT_TRUE(fs::exists(dir.path() / "chip_jtag.c.sdb"));
    const auto once = outputs(dir.path());
    auto second = kestrand(dir.path(), c.options);
    ASSERT_EQ(second.status, 0) << second.out << second.err;
    const auto twice = outputs(dir.path());
    EXPECT_EQ(once.size(), twice.size());
    for (const auto& [name, text] : twice) {
        auto f = once.find(name);
        if (f == once.end()) {
            ADD_FAILURE() << "new after the second run: " << name;
            continue;
        }
        EXPECT_TRUE(f->second == text) << name << " differs after the second run";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, KestrandTwice,
                         ::testing::Values(TwiceCase{"default", {}, ""},
                                           TwiceCase{"pad_module", {}, "tests/fixtures/bscan/padmod/chip.v"},
                                           TwiceCase{"add_tap", {"-add_tap"}, "tests/fixtures/e2e/notap/chip.v"},
                                           TwiceCase{"vhdl", {"-vhdl"}, ""}),
                         [](const auto& info) { return info.param.name; });

// A case of the table: options and changes to the fixture, and what the
// run must give.
struct FlowCase {
    std::string name;
    std::vector<std::string> options;
    std::vector<Patch> patches;
    std::string failing_tool;  // a stand-in replaced by one that fails
    bool remove_c_sdb = false;
    int status = 0;
    std::vector<std::string> output;   // in this order
    std::vector<std::string> present;  // files after the run
    std::vector<std::string> absent;
    std::string log;                   // the one log left, "" for none
    std::vector<std::string> instances;  // instances the edited design holds (class prefix:name)
    int control_cells = 2;             // BC_CTRL instances (-1: not checked)
    size_t cells = 9;                  // boundary cells in the chain
};

void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }

// The fixture with both output enables on one net: one control cell
// serves both pads unless -dont_share_control.
const Patch kSharedEnable{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(dout1_oe), .Y(bidir0_i)"};
// din1 without a pad, straight into a gate of the core.
const std::vector<Patch> kNoDin1Pad = {
    {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));\n", "  assign din_c[1] = din1;\n"},
    {"chip.v", "  slice u1 (.a(din[1]),", "  wire g1y;\n  AND2 g1 (.A(din[1]), .B(din[1]), .Y(g1y));\n  slice u1 (.a(g1y),"},
    {"cells.v", "", "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n`endcelldefine\n"}};

class KestrandCases : public ::testing::TestWithParam<FlowCase> {};

TEST_P(KestrandCases, RunOfTheFixture) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const FlowCase& c = GetParam();
    testsupport::TempDir dir, fakes;
    compile_chip(dir.path(), c.patches);
    if (c.remove_c_sdb) fs::remove(dir.path() / "chip.c.sdb");
    if (!c.failing_tool.empty()) {
        fs::path fake = fakes.path() / c.failing_tool;
        std::ofstream(fake) << "#!/bin/sh\necho \"" << c.failing_tool << ": stand-in failure\"\nexit 1\n";
        fs::permissions(fake, fs::perms::owner_all);
    }
    auto r = kestrand(dir.path(), c.options, c.failing_tool.empty() ? "" : fakes.path().string());
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    size_t at = 0;
    for (const auto& want : c.output) {
        size_t f = r.out.find(want, at);
        EXPECT_NE(f, std::string::npos) << "missing: " << want << "\nin:\n" << r.out;
        if (f != std::string::npos) at = f;
    }
    expect_files(dir.path(), c.present, c.absent);
    std::vector<std::string> logs = logs_in(dir.path());
    if (c.log.empty()) {
        EXPECT_TRUE(logs.empty()) << logs.front();
    } else {
        EXPECT_EQ(logs, std::vector<std::string>{c.log});
        EXPECT_NE(read_file(dir.path() / c.log).find(c.failing_tool + ": stand-in failure"), std::string::npos);
    }
    if (c.status != 0 || !fs::exists(dir.path() / "bscan_lib/chip_jtag.sdb")) return;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    expect_chain(n, c.cells);
    if (c.control_cells >= 0) {
        EXPECT_EQ(n.of_class("BC_CTRL").size(), static_cast<size_t>(c.control_cells));
    }
    for (const auto& want : c.instances) {
        size_t colon = want.find(':');
        EXPECT_EQ(n.cls(want.substr(colon + 1)), want.substr(0, colon)) << want;
    }
}

const char* kMissing = "ERROR: can't find SDB file 'chip.c.sdb' in default searching path.\n\n";
const char* kDesigns[] = {"bscan_lib/chip_jtag.cmd", "bscan_lib/chip_jtag.sdb"};

INSTANTIATE_TEST_SUITE_P(
    Table, KestrandCases,
    ::testing::Values(
        FlowCase{"shared_enable", {}, {kSharedEnable}, "", false, 0, {}, {kDesigns[1], "chip_jtag.v"}, {}, "", {}, 1, 8},
        FlowCase{"dont_share_control",
                 {"-dont_share_control"},
                 {kSharedEnable},
                 "",
                 false,
                 0,
                 {},
                 {kDesigns[1], "chip_jtag.v"},
                 {},
                 "",
                 {},
                 2},
        FlowCase{"group_size_2",
                 {},
                 {{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 2;"}},
                 "",
                 false,
                 0,
                 {"     Level 3:   3 buffers    drive   5 buffers\n", "     Level 4:   5 buffers    drive   9 scan cells\n"},
                 {kDesigns[1]},
                 {},
                 "",
                 {"BUF:shift_buf_3_5", "BUF:clock_buf_2_3"}},
        FlowCase{"no_expand",
                 {"-no_expand"},
                 {},
                 "",
                 false,
                 0,
                 {"    .Modified sdb files were stored in directory ./bscan_lib.\n\n"},
                 {kDesigns[0], kDesigns[1], "chip.bso"},
                 {"chip_jtag.v"},
                 "",
                 {}},
        FlowCase{"df_speed",
                 {"-df_speed"},
                 {},
                 "",
                 false,
                 0,
                 {"     Using    2 buffers to drives    9 signals\n"},
                 {kDesigns[1], "chip_jtag.v"},
                 {},
                 "",
                 {"BUF:shift_df_buf_1", "BUF:shift_df_buf_2"}},
        FlowCase{"add_pad",
                 {"-add_pad"},
                 kNoDin1Pad,
                 "",
                 false,
                 0,
                 {},
                 {kDesigns[1], "chip_jtag.v"},
                 {},
                 "",
                 {"PIN_IN:B_PAD0"}},
        // A netlist tool that fails: the run keeps its log (and the command
        // file that plovert's log is about); the results of the chip it did
        // not finish go, the pin list and the edited design among them.
        FlowCase{"failing_quarnel",
                 {},
                 {},
                 "quarnel",
                 false,
                 255,
                 {"    Please check the \"bs_quarnel.log\" file.\n"},
                 {},
                 {kDesigns[0], kDesigns[1], "chip_jtag.v", "chip.bso"},
                 "bs_quarnel.log",
                 {}},
        FlowCase{"failing_drumway",
                 {},
                 {},
                 "drumway",
                 false,
                 255,
                 {"    .Expanding modified netlist ...\n\n", "    Please check the \"bs_drumway.log\" file.\n"},
                 {},
                 {kDesigns[0], kDesigns[1], "chip_jtag.v", "chip.bso"},
                 "bs_drumway.log",
                 {}},
        FlowCase{"failing_plovert",
                 {},
                 {},
                 "plovert",
                 false,
                 255,
                 {"    .Executing command file  ./bscan_lib/chip_jtag.cmd ...\n",
                  "    Please check the \"bs_plovert.log\" file.\n"},
                 {kDesigns[0]},
                 {kDesigns[1], "chip_jtag.sdb", "chip.bso"},  // the working copy goes with the failed run
                 "bs_plovert.log",
                 {}},
        FlowCase{"missing_c_sdb", {}, {}, "", true, 255, {kMissing}, {}, {kDesigns[0], kDesigns[1]}, "", {}}),
    [](const auto& info) { return info.param.name; });

// A netlist tool of the run's road that cannot be started stops the run
// before its first output file, naming the tool, the system's reason and
// the PATH searched.  With -guideline, "Save and continue the program" is
// that first output: the description files stay as they were.
struct UnstartableCase {
    std::string name;
    std::string tool;
    bool present;  // a tool that is not executable, else none at all
    std::string reason;
    std::vector<std::string> options{};
    const char* input = nullptr;  // standard input, when given
};
void PrintTo(const UnstartableCase& c, std::ostream* os) { *os << c.name; }

class KestrandUnstartableTool : public ::testing::TestWithParam<UnstartableCase> {};

TEST_P(KestrandUnstartableTool, RefusedBeforeAnyFile) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const UnstartableCase& c = GetParam();
    testsupport::TempDir dir, bin;
    compile_chip(dir.path());
    // The only folder on PATH: the other stand-ins, and the tool as the case says.
    for (const char* t : {"tessick", "drumway", "quarnel", "plovert"})
        if (t != c.tool) fs::create_symlink(fs::path(tools_dir()) / t, bin.path() / t);
    if (c.present) std::ofstream(bin.path() / c.tool) << "#!/bin/sh\nexit 0\n";
    ScopedEnv path("PATH", bin.str().c_str()), dirs("QUENDAL_DIRS", nullptr), root("QUENDAL", nullptr);
    std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    std::map<std::string, std::string> descriptions;
    for (const char* f : {"chip.bsc", "chip.lib", "chip.pin"}) descriptions[f] = read_file(dir.path() / f);
    const std::string input = c.input ? c.input : "";
    auto r = testsupport::run(argv, dir.path(), c.input ? &input : nullptr);
    EXPECT_EQ(r.status, 255);
    for (const auto& [f, text] : descriptions) EXPECT_EQ(read_file(dir.path() / f), text) << f;
    const std::string why =
        "ERROR: " + c.tool + ": cannot be started: " + c.reason + " (searched along PATH=" + bin.str() + ")\n\n";
    EXPECT_NE(r.out.find(why), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
    for (const char* f : {"chip_jtag.sdb", "chip.bso", "chip_TAP_empty.v", "chip_TAP.v", "bs_plovert.log"})
        EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
}

INSTANTIATE_TEST_SUITE_P(
    Tools, KestrandUnstartableTool,
    ::testing::Values(UnstartableCase{"plovert_missing", "plovert", false, "No such file or directory"},
                      UnstartableCase{"plovert_not_executable", "plovert", true, "Permission denied"},
                      UnstartableCase{"quarnel_missing", "quarnel", false, "No such file or directory"},
                      UnstartableCase{"drumway_not_executable", "drumway", true, "Permission denied"},
                      UnstartableCase{"tessick_missing_add_tap_only", "tessick", false, "No such file or directory",
                                      {"-add_tap_only"}},
                      UnstartableCase{"quarnel_missing_guideline_save_and_continue", "quarnel", false,
                                      "No such file or directory", {"-guideline"}, "8\n"}),
    [](const auto& info) { return info.param.name; });

// A tool that the road does not run may be missing: -no_expand runs
// neither quarnel nor drumway, -add_tap_only only tessick.
TEST(KestrandUnstartableTool, OnlyTheRoadsToolsAreNeeded) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const struct {
        std::vector<std::string> options;
        std::vector<const char*> tools;
    } kRoads[] = {{{"-no_expand"}, {"plovert"}}, {{"-add_tap_only"}, {"tessick"}}};
    for (const auto& road : kRoads) {
        testsupport::TempDir dir, bin;
        compile_chip(dir.path());
        for (const char* t : road.tools) fs::create_symlink(fs::path(tools_dir()) / t, bin.path() / t);
        ScopedEnv path("PATH", bin.str().c_str()), dirs("QUENDAL_DIRS", nullptr), root("QUENDAL", nullptr);
        std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
        argv.insert(argv.end(), road.options.begin(), road.options.end());
        auto r = testsupport::run(argv, dir.path());
        EXPECT_EQ(r.status, 0) << road.options[0] << r.out << r.err;
    }
}

// Design ports that the pin list leaves out get no boundary cell: one
// warning each, naming the port and the pin file, and the run goes on
// with the other pads.
TEST(KestrandFlow, PortsWithoutPinRowsAreNamed) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    compile_chip(dir.path(), {{"chip.pin", "4   DIN1    din1    in      PAD(PIN_IN)\n", ""},
                              {"chip.pin", "5   DOUT0   dout0   out     PAD(PIN_OUT)\n", ""}});
    auto r = kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const char* port : {"din1", "dout0"}) {
        const std::string warning = std::string("WARNING: (chip.pin) port '") + port +
                                    "' of the design has no row in the pin list;\n"
                                    "         it gets no boundary-scan cell.\n\n";
        const size_t at = r.out.find(warning);
        EXPECT_NE(at, std::string::npos) << r.out;
        EXPECT_EQ(at, r.out.rfind(warning)) << "said twice: " << port;
        EXPECT_NE(read_file(dir.path() / "chip.kest.rpt").find(warning), std::string::npos);
    }
    size_t warnings = 0;
    for (size_t at = r.out.find("of the design has no row"); at != std::string::npos;
         at = r.out.find("of the design has no row", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 2u) << r.out;
    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"), 7);
}

// The pad added with -add_pad sits between its cell and the port, and the
// cell between it and the core.
TEST(KestrandFlow, AddedPadBetweenPortAndCell) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    compile_chip(dir.path(), kNoDin1Pad);
    auto r = kestrand(dir.path(), {"-add_pad"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    EXPECT_EQ(n.ends(n.net("B_PAD0", "PAD")), (std::vector<std::string>{"B_PAD0{PAD}", "port:din1"}));
    expect_between(n, "B_PAD0", "Y", "DI", "DO");
    expect_chain(n);
    expect_yosys_clean(dir.path(), "chip_jtag.v");
}

}  // namespace
