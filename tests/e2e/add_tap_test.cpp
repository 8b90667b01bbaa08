// kestrand -add_tap end to end on the fixture chip without a TAP
// controller (tests/fixtures/e2e/notap/chip.v), with the stand-in tools on
// PATH: the port-only TAP module, its compiled database and the synthesis
// scripts; in the edited design and its expansion the TAP instance between
// the TAP pads, the boundary chain through every cell and the control
// signals; and a netlist that yosys accepts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/chip_tap_bench.h"
#include "support/fixture_chip.h"
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

bool built() { return testsupport::fixture_tools_built(); }

using testsupport::compile_notap_chip;

RunResult kestrand(const fs::path& dir, const std::vector<std::string>& options) {
    return testsupport::run_kestrand(dir, options);
}

// The TAP instance wired to the TAP pads and nothing else: each input pin
// alone with its pad's output to the core, TDO and TDO_EN alone with the
// TDO pad's data and enable, on nets of their own.
void expect_tap_between_pads(const Netlist& n) {
    EXPECT_EQ(n.cls("TAP"), "qdx_tap");
    const std::vector<std::pair<std::string, std::string>> wires = {
        {"TDI", "PAD_TDI{Y}"}, {"TMS", "PAD_TMS{Y}"},  {"TCK", "PAD_TCK{Y}"},
        {"TRST", "PAD_TRST{Y}"}, {"TDO", "PAD_TDO{A}"}, {"TDO_EN", "PAD_TDO{OE}"}};
    for (auto& [pin, pad] : wires) {
        EXPECT_EQ(n.ends_at("TAP", pin), (std::set<std::string>{"TAP{" + pin + "}", pad})) << pin;
        // The tie-off of the TDO pad does not stay on the TAP's outputs.
        for (const char* constant : {"GND", "VCC"}) EXPECT_NE(n.net("TAP", pin), constant) << pin;
    }
}

// The shift chain from the TAP's first-cell pin through boundary cells
// (SI in, SO out) to its last-cell pin, covering every boundary cell.
void expect_chain(const Netlist& n, size_t cells) {
    std::vector<std::string> order;
    std::string from = "TAP{first_Bcell}";
    bool closed = false;
    for (size_t guard = 0; guard <= cells; ++guard) {
        std::set<std::string> ends = n.ends_at(inst_of(from), pin_of(from));
        ASSERT_EQ(ends.size(), 2u) << "after " << from;
        ends.erase(from);
        ASSERT_EQ(ends.size(), 1u) << "after " << from;
        std::string next = *ends.begin();
        if (next == "TAP{BOUNDARY_out}") {
            closed = true;
            break;
        }
        ASSERT_EQ(pin_of(next), "SI") << next;
        order.push_back(inst_of(next));
        from = inst_of(next) + "{SO}";
    }
    EXPECT_TRUE(closed) << "the chain does not reach TAP{BOUNDARY_out}";
    std::set<std::string> all = n.of_class("BC_");
    EXPECT_EQ(order.size(), cells);
    EXPECT_EQ(all.size(), cells);
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), all);
}

using testsupport::expect_controls_driven;

using chip_tap_bench::expect_tap_answers_through_pins;
using chip_tap_bench::kIdcode;

// The ports of the compiled TAP: those of the port-only module that the
// fixture's cells and instruction table ask for.
std::map<std::string, std::string> tap_ports(bool idcode) {
    std::map<std::string, std::string> p;
    for (const char* in : {"TDI", "TMS", "TCK", "TRST", "BOUNDARY_out"}) p[in] = "input";
    for (const char* out : {"TDO", "TDO_EN", "SHIFT_DR", "CLOCK_DR", "UPDATE_DR", "MODE1", "first_Bcell"})
        p[out] = "output";
    for (int i = 0; idcode && i < 32; ++i) p["IDCODE[" + std::to_string(i) + "]"] = "input";
    return p;
}

// The written netlist against the cells and the port-only TAP module.
void expect_netlist_clean(const fs::path& dir) {
    if (!testsupport::have_program("yosys")) GTEST_SKIP() << "yosys is not installed: the netlist is not checked";
    auto r = testsupport::run({"yosys", "-q", "-p",
                               "read_verilog -lib cells.v chip_TAP_empty.v; read_verilog chip_jtag.v; "
                               "hierarchy -check -top chip; check -assert"},
                              dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

struct AddTapCase {
    std::string name;
    std::vector<std::string> options;
    std::vector<Patch> patches;
    bool idcode;  // -external_idcode: the TAP's IDCODE bus tied to the value
};

void PrintTo(const AddTapCase& c, std::ostream* os) { *os << c.name; }

class AddTap : public ::testing::TestWithParam<AddTapCase> {};

TEST_P(AddTap, AddsTheTapAndTheChain) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const AddTapCase& c = GetParam();
    testsupport::TempDir dir;
    compile_notap_chip(dir.path(), c.patches);
    if (HasFatalFailure()) return;
    RunResult r = kestrand(dir.path(), c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("  ** Add a TAP module: qdx_tap\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  ** Add total   9 Boundary Scan Cells:\n"), std::string::npos) << r.out;
    for (const char* f : {"chip_TAP_empty.v", "chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl", "chip_TAP.v",
                          "qdx_tap.sdb", "bscan_lib/chip_jtag.cmd", "bscan_lib/chip_jtag.sdb", "chip_jtag.v",
                          "chip.bso"})
        EXPECT_TRUE(fs::exists(dir.path() / f)) << f;
    for (const char* f : {"BSCAN.log", "chip_TAP_empty.tessick.log", "chip_jtag.sdb"})
        EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
    for (const auto& f : fs::directory_iterator(dir.path()))
        EXPECT_FALSE(f.path().filename().string().rfind("bs_", 0) == 0 && f.path().extension() == ".log")
            << f.path().filename();
    EXPECT_NE(read_file(dir.path() / "chip_TAP.ac.tcl").find("set_current_module qdx_tap\n"), std::string::npos);

    // The compiled TAP is the port-only module the run wrote.
    EXPECT_EQ(Netlist(dir.path(), "qdx_tap.sdb").ports(), tap_ports(c.idcode));

    // The edited top design, and its expansion beside chip.c.sdb.
    for (const char* design : {"bscan_lib/chip_jtag.sdb", "chip_jtag.c.sdb"}) {
        SCOPED_TRACE(design);
        Netlist n(dir.path(), design);
        expect_tap_between_pads(n);
        expect_chain(n, 9);
        expect_controls_driven(n);
        for (int bit = 31; bit >= 0; --bit) {
            std::string pin = "IDCODE[" + std::to_string(bit) + "]";
            std::string want = !c.idcode ? "" : kIdcode[static_cast<size_t>(31 - bit)] == '1' ? "VCC" : "GND";
            EXPECT_EQ(n.net("TAP", pin), want) << pin;
        }
    }

    expect_netlist_clean(dir.path());
    expect_tap_answers_through_pins(dir.path());
}

// The TDO pad's data and enable left open instead of tied off.
const std::vector<Patch> kOpenTdoPad = {
    {"chip.v", "  wire tdi_c, tms_c, tck_c, trst_c;", "  wire tdi_c, tms_c, tck_c, trst_c, tdo_c, tdo_en;"},
    {"chip.v", ".A(1'b0), .OE(1'b0), .PAD(tdo)", ".A(tdo_c), .OE(tdo_en), .PAD(tdo)"}};

INSTANTIATE_TEST_SUITE_P(Table, AddTap,
                         ::testing::Values(AddTapCase{"tied_tdo_pad", {"-add_tap"}, {}, false},
                                           AddTapCase{"open_tdo_pad", {"-add_tap"}, kOpenTdoPad, false},
                                           AddTapCase{"external_idcode", {"-add_tap", "-external_idcode"}, {}, true}),
                         [](const auto& info) { return info.param.name; });

// A three-state pad with its enable tied on joins a high-impedance group,
// whose buffer the TAP's HIGHZ output drives.  The TAP that -add_tap
// writes has that output only with a HIGHZ instruction: without one the
// run stops before any edit, with one the buffer hangs on TAP{HIGHZ}.
TEST(AddTapHighz, TiedEnableNeedsTheHighzInstruction) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const Patch tied{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"};
    const Patch highz{"chip.bsc", "    %INSTRUCTION BYPASS",
                      "    %INSTRUCTION HIGHZ  = (0011) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"};
    {
        SCOPED_TRACE("without HIGHZ");
        testsupport::TempDir dir;
        compile_notap_chip(dir.path(), {tied});
        if (HasFatalFailure()) return;
        RunResult r = kestrand(dir.path(), {"-add_tap"});
        EXPECT_EQ(r.status, 255) << r.out << r.err;
        EXPECT_NE(r.out.find("ERROR: pad 'PAD_DOUT1' is driven from the TAP's %HIGHZ_COMMAND pin 'HIGHZ',\n"
                             "       which the TAP added with -add_tap has only with a HIGHZ instruction\n"
                             "       in %INSTRUCTION_TABLE of file './chip.bsc'.\n\n"),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib/chip_jtag.cmd"));
    }
    SCOPED_TRACE("with HIGHZ");
    testsupport::TempDir dir;
    compile_notap_chip(dir.path(), {tied, highz});
    if (HasFatalFailure()) return;
    RunResult r = kestrand(dir.path(), {"-add_tap"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist n(dir.path(), "bscan_lib/chip_jtag.sdb");
    expect_tap_between_pads(n);
    EXPECT_EQ(n.cls("highz_buf0"), "BUF");
    EXPECT_EQ(n.ends_at("TAP", "HIGHZ"), (std::set<std::string>{"TAP{HIGHZ}", "highz_buf0{A}"}));
    // The active-high enable takes the command through an inverter.
    EXPECT_EQ(n.ends_at("PAD_DOUT1", "OE"), (std::set<std::string>{"PAD_DOUT1{OE}", "B_PAD_INV0{Y}"}));
    EXPECT_EQ(n.ends_at("B_PAD_INV0", "A"), (std::set<std::string>{"B_PAD_INV0{A}", "highz_buf0{Y}"}));
    // dout1 has no control cell of its own now.
    expect_chain(n, 8);
    expect_controls_driven(n);
    expect_netlist_clean(dir.path());
}

// The netlist editor fails after the TAP side was written: the run takes
// the TAP's files with the chip's other results (the pin list, the RTL TAP
// and its scripts, the port-only module), and keeps the editor's log and
// the command file it ran.  The compiled TAP database stays: it replaces
// the design's own on purpose.
TEST(AddTapFailingEditor, RemovesTheTapFilesWithTheChip) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir, fakes;
    compile_notap_chip(dir.path());
    if (HasFatalFailure()) return;
    std::ofstream(fakes.path() / "plovert") << "#!/bin/sh\necho \"plovert: stand-in failure\"\nexit 1\n";
    fs::permissions(fakes.path() / "plovert", fs::perms::owner_all);
    RunResult r = testsupport::run_kestrand(dir.path(), {"-add_tap"}, fakes.str());
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("    Please check the \"bs_plovert.log\" file.\n"), std::string::npos) << r.out;
    for (const char* f : {"bs_plovert.log", "bscan_lib/chip_jtag.cmd", "qdx_tap.sdb", "chip.kest.rpt"})
        EXPECT_TRUE(fs::exists(dir.path() / f)) << f;
    for (const char* f : {"chip.bso", "chip_TAP.v", "chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl",
                          "chip_TAP_empty.v", "chip_jtag.sdb", "bscan_lib/chip_jtag.sdb"})
        EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
}

}  // namespace
