// kestrand end to end on fixture chips whose TAP controller sits inside a
// sub-module ("u_core.u_tap" and deeper), whose pads sit in pad modules on
// several levels ("u_io.u_ring"), in several IO-pad modules (two instances
// of one IO module, a module holding other pad modules) or both in the top
// and in a pad module, with and without -add_tap: each run
// ends with status 0, the expanded design closes the chain from the TAP's
// first-cell pin through every boundary cell to its last-cell pin with
// every control pin driven, yosys accepts the written hierarchy, the chain
// walk of tallowmere finds the register's length, a simulation of the RTL
// TAP (with -add_tap) shifts through it, and a second run in the same
// folder writes the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "e2e/chip_tap_bench.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::inst_of;
using testsupport::Netlist;
using testsupport::Patch;
using testsupport::pin_of;
using testsupport::read_file;
using testsupport::source_path;

constexpr size_t kCells = 9;  // boundary cells of the fixture chip

// The text from `from` to the end of the statement or module that begins
// there, taken out of a file of dir.
void erase_from(const fs::path& file, const std::string& from, const std::string& end) {
    std::string text = read_file(file);
    size_t a = text.find(from);
    ASSERT_NE(a, std::string::npos) << from;
    size_t b = text.find(end, a);
    ASSERT_NE(b, std::string::npos) << end;
    text.erase(a, b + end.size() - a);
    std::ofstream(file) << text;
}

const Patch kBscTapInCore{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_core.u_tap;"};
const Patch kCoreNamedUCore{"chip.v", "  core core (", "  core u_core ("};

// The core one level further down, inside u_blk: the TAP at
// "u_blk.u_core.u_tap" makes a path of three instances.
const std::vector<Patch> kCoreInBlock = {
    {"chip.v", "  core core (", "  blk u_blk ("},
    {"chip.v", "",
     "\nmodule blk (clk, rst_n, din, dout, dout1_oe, bidir_in, bidir_out, bidir_oe);\n"
     "  input clk, rst_n;\n  input [1:0] din;\n  output [1:0] dout;\n  output dout1_oe;\n"
     "  input bidir_in;\n  output bidir_out, bidir_oe;\n"
     "  core u_core (.clk(clk), .rst_n(rst_n), .din(din), .dout(dout), .dout1_oe(dout1_oe),\n"
     "               .bidir_in(bidir_in), .bidir_out(bidir_out), .bidir_oe(bidir_oe));\n"
     "endmodule\n"},
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_blk.u_core.u_tap;"}};

// The TAP controller in a wrapper module of its own, brought in with its
// ports (no -add_tap).
const std::vector<Patch> kTapInWrapper = {
    {"chip.v", "  qdx_tap TAP (", "  tapwrap u_tap ("},
    {"chip.v", "",
     "\nmodule tapwrap (TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET,\n"
     "                first_Bcell, BOUNDARY_out);\n"
     "  input TDI, TMS, TCK, TRST, BOUNDARY_out;\n"
     "  output TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell;\n"
     "  qdx_tap TAP (.TDI(TDI), .TMS(TMS), .TCK(TCK), .TRST(TRST), .TDO(TDO), .TDO_EN(TDO_EN),\n"
     "               .SHIFT_DR(SHIFT_DR), .CLOCK_DR(CLOCK_DR), .UPDATE_DR(UPDATE_DR), .MODE1(MODE1),\n"
     "               .HIGHZ(HIGHZ), .RESET(RESET), .first_Bcell(first_Bcell), .BOUNDARY_out(BOUNDARY_out));\n"
     "endmodule\n"},
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_tap.TAP;"}};

// The TAP controller at other places of the pads' path of pads_in_io.v
// (u_io.u_ring): in the IO block, in the ring beside the pads, and in a
// module of its own beside the ring.  The top's TDO wires, which the TAP
// there drove, are left open.
const Patch kTdoOpenInTop{"chip.v", ".tdo_c(tdo_c), .tdo_en(tdo_en));\n\n  qdx_tap TAP (",
                          ".tdo_c(), .tdo_en());\n\n  qdx_tap TAP ("};
const std::vector<Patch> kTapInIo = {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_io.TAP;"}, kTdoOpenInTop};
const std::vector<Patch> kTapInRing = {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_io.u_ring.TAP;"},
                                       kTdoOpenInTop};
const std::vector<Patch> kTapBesideRing = {
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_io.u_tapblk.TAP;"},
    kTdoOpenInTop,
    {"chip.v", "  pads u_ring (", "  tapblk u_tapblk (.unused(clk));\n  pads u_ring ("},
    {"chip.v", "", "\nmodule tapblk (unused);\n  input unused;\nendmodule\n"}};
// The design's own TAP controller in the IO block, wired to the ring.
const char* const kTapText =
    "  qdx_tap TAP (.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),\n"
    "               .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),\n"
    "               .first_Bcell(chain), .BOUNDARY_out(chain));\n";
const std::vector<Patch> kDesignTapInIo = {
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_io.TAP;"},
    {"chip.v", std::string(kTapText) + "\n  core", "  core"},
    {"chip.v", "  input tdo_c, tdo_en;\n\n  pads u_ring (",
     std::string("  output tdo_c, tdo_en;\n  wire chain;\n") + kTapText + "\n  pads u_ring ("}};
// The ring's TMS output goes nowhere in the IO block, whose TMS output is
// tied off: the pin leaves the ring through its port and ends one level up.
const std::vector<Patch> kTmsEndsInIo = {
    {"chip.v", ".tms_c(tms_c)", ".tms_c(tms_x)"},
    {"chip.v", "  pads u_ring (", "  wire tms_x;\n  assign tms_c = 1'b0;\n  pads u_ring ("}};
// The TMS pad's output goes nowhere inside the ring, whose TMS output is
// tied off.
const std::vector<Patch> kTmsEndsInRing = {
    {"chip.v", "PAD_TMS    (.PAD(tms), .Y(tms_c));", "PAD_TMS    (.PAD(tms), .Y(tms_y));"},
    {"chip.v", "  PIN_CLK   PAD_CLK", "  wire tms_y;\n  assign tms_c = 1'b0;\n  PIN_CLK   PAD_CLK"}};

// The TAP of tap_in_core.v with none of its cell-side pins brought out of
// the core: its controls are open and its chain ends closed on each other
// inside the core.
const std::vector<Patch> kCoreKeepsTapPins = {
    kBscTapInCore,
    {"chip.v", "TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET,\n             first_Bcell, BOUNDARY_out);",
     "TDI, TMS, TCK, TRST, TDO, TDO_EN);"},
    {"chip.v", "  input TDI, TMS, TCK, TRST, BOUNDARY_out;\n  output TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell;",
     "  input TDI, TMS, TCK, TRST;\n  output TDO, TDO_EN;\n  wire chain;"},
    {"chip.v", ".SHIFT_DR(SHIFT_DR), .CLOCK_DR(CLOCK_DR), .UPDATE_DR(UPDATE_DR), .MODE1(MODE1),\n                 .HIGHZ(HIGHZ), .RESET(RESET), .first_Bcell(first_Bcell), .BOUNDARY_out(BOUNDARY_out));",
     ".SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(),\n                 .HIGHZ(), .RESET(), .first_Bcell(chain), .BOUNDARY_out(chain));"},
    {"chip.v", ".TDO_EN(tdo_en),\n               .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),\n               .first_Bcell(chain), .BOUNDARY_out(chain));",
     ".TDO_EN(tdo_en));"}};
// The same core one level further down, inside u_blk, which passes only
// the TAP pads' pins.
const std::vector<Patch> kClosedCoreInBlock = {
    {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_blk.u_core.u_tap;"},
    kCoreKeepsTapPins[1], kCoreKeepsTapPins[2], kCoreKeepsTapPins[3], kCoreKeepsTapPins[4],
    {"chip.v", "  core u_core (", "  blk u_blk ("},
    {"chip.v", "",
     "\nmodule blk (clk, rst_n, din, dout, dout1_oe, bidir_in, bidir_out, bidir_oe, TDI, TMS, TCK, TRST, TDO, TDO_EN);\n"
     "  input clk, rst_n;\n  input [1:0] din;\n  output [1:0] dout;\n  output dout1_oe;\n"
     "  input bidir_in;\n  output bidir_out, bidir_oe;\n  input TDI, TMS, TCK, TRST;\n  output TDO, TDO_EN;\n"
     "  core u_core (.clk(clk), .rst_n(rst_n), .din(din), .dout(dout), .dout1_oe(dout1_oe),\n"
     "               .bidir_in(bidir_in), .bidir_out(bidir_out), .bidir_oe(bidir_oe),\n"
     "               .TDI(TDI), .TMS(TMS), .TCK(TCK), .TRST(TRST), .TDO(TDO), .TDO_EN(TDO_EN));\n"
     "endmodule\n"}};

// The chip without a TRST pin: the TAP's TRST port has no pad, and the
// added TAP takes a new chip port of that name.
std::vector<Patch> no_trst_pin() {
    std::vector<Patch> v = {{"chip.pin", "11  TRST    trst    in      PAD(PIN_IN)\n", ""},
                            {"chip.v", "  PIN_IN    PAD_TRST   (.PAD(trst), .Y(trst_c));\n", ""}};
    const struct {
        const char* from;
        const char* to;
        int times;
    } kEach[] = {{" tck, trst, tdo", " tck, tdo", 3}, {"tck_c, trst_c, ", "tck_c, ", 3}, {"tck, trst;", "tck;", 3},
                 {"tck_c, trst_c;", "tck_c;", 2},      {" .trst(trst),", "", 2},          {" .trst_c(trst_c),", "", 2}};
    for (const auto& e : kEach)
        for (int i = 0; i < e.times; ++i) v.push_back({"chip.v", e.from, e.to});
    return v;
}

// The TDI pad in a pad module of its own: inside the ring, below the
// cells' pad module, or beside the IO block in the top.
const Patch kTdiPadModule{"chip.v", "", "\nmodule tdipad (tdi, tdi_c);\n  input tdi;\n  output tdi_c;\n"
                                        "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));\nendmodule\n"};
const std::vector<Patch> kTdiPadInRing = {
    {"chip.v", "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));", "  tdipad    u_tdi      (.tdi(tdi), .tdi_c(tdi_c));"},
    kTdiPadModule};
// The TDI pad out of the ring: the ring's TDI output, which no TAP takes,
// stays driven, and the top's instance of the IO block leaves it open.
const std::vector<Patch> kTdiPadOutOfTheRing = {
    {"chip.v", "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));", "  INV       TDI_KEEP   (.A(tck_c), .Y(tdi_c));"},
    {"chip.v", ".tdi(tdi), .tms(tms)", ".tdi(1'b0), .tms(tms)"},
    {"chip.v", ".tdi(tdi), .tms(tms)", ".tdi(1'b0), .tms(tms)"},
    {"chip.v", ".tdi_c(tdi_c), .tms_c", ".tdi_c(io_tdi_c), .tms_c"},  // the IO block's ring keeps its own
    {"chip.v", ".tdi_c(tdi_c), .tms_c", ".tdi_c(), .tms_c"},
    {"chip.v", "io_tdi_c", "tdi_c"}};
std::vector<Patch> joined(std::vector<Patch> a, const std::vector<Patch>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Patch> kTdiPadBesideIo =
    joined(kTdiPadOutOfTheRing,
           {{"chip.v", "  io u_io (", "  tdipad u_tdi (.tdi(tdi), .tdi_c(tdi_c));\n  io u_io ("}, kTdiPadModule});
const std::vector<Patch> kTdiPadInTop =
    joined(kTdiPadOutOfTheRing, {{"chip.v", "  io u_io (", "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));\n  io u_io ("}});

// Several IO-pad modules with a TAP pad's pin that ends inside its
// module: the pin leaves through a new port ("qdx_tap_tdi" ..., the TAP's
// TDO-enable pin name for the TDO pad's enable) of that module and of
// every module above, which the top joins to the TAP.
// The module's own output of the pin's signal stays, tied off.
const std::vector<Patch> kTdiClosedInPads = {
    {"chip.v", "PAD_TDI    (.PAD(tdi), .Y(tdi_c));", "PAD_TDI    (.PAD(tdi), .Y());\n  assign tdi_c = 1'b0;"}};
// The TDO pad's enable open in its module, whose enable input the top
// ties off.
const std::vector<Patch> kTdoEnableClosedInPads = {
    {"chip.v", "PAD_TDO    (.A(tdo_c), .OE(tdo_en), .PAD(tdo));", "PAD_TDO    (.A(tdo_c), .OE(), .PAD(tdo));"},
    {"chip.v", ".tdo_c(tdo_c), .tdo_en(tdo_en));", ".tdo_c(tdo_c), .tdo_en(1'b0));"}};
// The TDI pad in a module of its own inside the ring, its pin open there:
// the port climbs two modules.
const std::vector<Patch> kTdiClosedTwoLevelsDown = {
    {"chip.v", "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));", "  tdipad    u_tdi      (.tdi(tdi));"},
    {"chip.v", "  pio u_io0 (", "  assign tdi_c = 1'b0;\n  pio u_io0 ("},
    {"chip.v", "", "\nmodule tdipad (tdi);\n  input tdi;\n  PIN_IN    PAD_TDI    (.PAD(tdi), .Y());\nendmodule\n"}};

struct HierRun {
    std::string name;
    std::string verilog;  // replaces chip.v
    std::vector<Patch> patches;
    bool add_tap;                    // the design's TAP taken out; -add_tap adds it
    std::string tap;                 // the TAP instance in the expanded design
    std::vector<std::string> edits;  // command files of the modules below the top
};

void PrintTo(const HierRun& c, std::ostream* os) { *os << c.name; }

// The shift chain from the TAP's first-cell pin through boundary cells (SI
// in, SO out) to its last-cell pin, covering every boundary cell.
void expect_chain(const Netlist& n, const std::string& tap, size_t cells) {
    std::vector<std::string> order;
    std::string from = tap + "{first_Bcell}";
    bool closed = false;
    for (size_t guard = 0; guard <= cells && !closed; ++guard) {
        std::set<std::string> ends = n.ends_at(inst_of(from), pin_of(from));
        ends.erase(from);
        ASSERT_EQ(ends.size(), 1u) << "after " << from;
        const std::string next = *ends.begin();
        if (next == tap + "{BOUNDARY_out}") {
            closed = true;
            break;
        }
        ASSERT_EQ(pin_of(next), "SI") << next;
        order.push_back(inst_of(next));
        from = inst_of(next) + "{SO}";
    }
    EXPECT_TRUE(closed) << "the chain does not reach " << tap << "{BOUNDARY_out}";
    std::set<std::string> all = n.of_class("BC_");
    EXPECT_EQ(order.size(), cells);
    EXPECT_EQ(all.size(), cells);
    EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), all);
    testsupport::expect_controls_driven(n, tap);
}

// The files of a run that a second run must write again byte for byte.
std::map<std::string, std::string> outputs(const fs::path& dir, const HierRun& c) {
    std::map<std::string, std::string> files;
    std::vector<std::string> names = {"bscan_lib/chip_jtag.cmd", "chip_jtag.v", "chip.bso"};
    for (const std::string& m : c.edits) names.push_back("bscan_lib/" + m + ".cmd");
    for (const std::string& f : names) files[f] = read_file(dir / f);
    return files;
}

class HierRoads : public ::testing::TestWithParam<HierRun> {};

TEST_P(HierRoads, ChainThroughTheHierarchy) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const HierRun& c = GetParam();
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path(), c.patches, c.verilog.empty() ? "" : source_path(c.verilog));
    if (c.add_tap) {
        erase_from(dir.path() / "cells.v", "module qdx_tap", "endmodule\n");
        if (read_file(dir.path() / "chip.v").find("  qdx_tap TAP (") != std::string::npos)
            erase_from(dir.path() / "chip.v", "  qdx_tap TAP (", ";\n");
    }
    ASSERT_TRUE(testsupport::compile_chip_in(dir.path()));
    const std::vector<std::string> options = c.add_tap ? std::vector<std::string>{"-add_tap"} : std::vector<std::string>{};
    auto r = testsupport::run_kestrand(dir.path(), options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const std::string& m : c.edits) {
        EXPECT_TRUE(fs::exists(dir.path() / "bscan_lib" / (m + ".cmd"))) << m;
        EXPECT_TRUE(fs::exists(dir.path() / "bscan_lib" / (m + ".sdb"))) << m;
        EXPECT_FALSE(fs::exists(dir.path() / (m + ".sdb"))) << m << " stayed in the working folder";
    }

    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"), c.tap, kCells);

    if (testsupport::have_program("yosys")) {
        const std::string lib = c.add_tap ? "read_verilog -lib cells.v chip_TAP_empty.v; " : "read_verilog -lib cells.v; ";
        auto y = testsupport::run(
            {"yosys", "-q", "-p", lib + "read_verilog chip_jtag.v; hierarchy -check -top chip; check -assert"}, dir.path());
        EXPECT_EQ(y.status, 0) << y.out << y.err;
    }

    // tallowmere walks the chain of the expanded design.
    auto walk = testsupport::run(
        {testsupport::built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"}, dir.path());
    EXPECT_EQ(walk.status, 0) << walk.out << walk.err;
    EXPECT_NE(read_file(dir.path() / "chip_jtag.bsd")
                  .find("BOUNDARY_LENGTH of chip_jtag : entity is " + std::to_string(kCells) + ";"),
              std::string::npos);

    // A second run in the same folder writes the same files.
    const auto first = outputs(dir.path(), c);
    auto again = testsupport::run_kestrand(dir.path(), options);
    ASSERT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(outputs(dir.path(), c), first);

    if (c.add_tap) chip_tap_bench::expect_tap_answers_through_pins(dir.path(), kCells);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HierRoads,
    ::testing::Values(
        HierRun{"tap_in_core", "tests/fixtures/bscan/hier/tap_in_core.v", {kBscTapInCore}, false, "u_core.u_tap",
                {"core_bs"}},
        HierRun{"tap_in_core_with_its_pins_kept_inside", "tests/fixtures/bscan/hier/tap_in_core.v", kCoreKeepsTapPins,
                false, "u_core.u_tap", {"core_bs"}},
        HierRun{"tap_three_instances_down_with_its_pins_kept_inside", "tests/fixtures/bscan/hier/tap_in_core.v",
                kClosedCoreInBlock, false, "u_blk.u_core.u_tap", {"blk_bs", "core_bs"}},
        HierRun{"tap_in_core_add_tap", "tests/fixtures/e2e/notap/chip.v", {kCoreNamedUCore, kBscTapInCore}, true,
                "u_core.u_tap", {"core_bs"}},
        HierRun{"tap_three_instances_down_add_tap", "tests/fixtures/e2e/notap/chip.v", kCoreInBlock, true,
                "u_blk.u_core.u_tap", {"blk_bs", "core_bs"}},
        HierRun{"tap_in_a_wrapper", "", kTapInWrapper, false, "u_tap.TAP", {"tapwrap_bs"}},
        HierRun{"pads_in_io", "tests/fixtures/bscan/hier/pads_in_io.v", {}, false, "TAP", {"io_bs", "pads_bs"}},
        HierRun{"pads_in_io_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", {}, true, "TAP", {"io_bs", "pads_bs"}},
        HierRun{"pads_in_io_tap_in_core_add_tap",
                "tests/fixtures/bscan/hier/pads_in_io.v",
                {kBscTapInCore},
                true,
                "u_core.u_tap",
                {"core_bs", "io_bs", "pads_bs"}},
        HierRun{"tap_in_the_io_block_above_the_pads_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTapInIo, true,
                "u_io.TAP", {"io_bs", "pads_bs"}},
        HierRun{"tap_of_the_design_in_the_io_block_above_the_pads", "tests/fixtures/bscan/hier/pads_in_io.v",
                kDesignTapInIo, false, "u_io.TAP", {"io_bs", "pads_bs"}},
        HierRun{"trst_without_a_pin_tap_in_the_io_block_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v",
                joined(kTapInIo, no_trst_pin()), true, "u_io.TAP", {"io_bs", "pads_bs"}},
        HierRun{"trst_without_a_pin_tap_in_the_ring_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v",
                joined(kTapInRing, no_trst_pin()), true, "u_io.u_ring.TAP", {"io_bs", "pads_bs"}},
        HierRun{"tdi_pad_in_a_module_inside_the_ring", "tests/fixtures/bscan/hier/pads_in_io.v", kTdiPadInRing, false,
                "TAP", {"tdipad_bs0", "io_bs0", "pads_bs0"}},
        HierRun{"tdi_pad_in_a_module_inside_the_ring_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTdiPadInRing,
                true, "TAP", {"tdipad_bs0", "io_bs0", "pads_bs0"}},
        HierRun{"tdi_pad_in_a_module_beside_the_io_block", "tests/fixtures/bscan/hier/pads_in_io.v", kTdiPadBesideIo,
                false, "TAP", {"tdipad_bs0", "io_bs0", "pads_bs0"}},
        HierRun{"tdi_pad_in_a_module_beside_the_io_block_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v",
                kTdiPadBesideIo, true, "TAP", {"tdipad_bs0", "io_bs0", "pads_bs0"}},
        HierRun{"tdi_pad_in_the_top", "tests/fixtures/bscan/hier/pads_in_io.v", kTdiPadInTop, false, "TAP",
                {"io_bs", "pads_bs"}},
        HierRun{"tdi_pad_in_the_top_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTdiPadInTop, true, "TAP",
                {"io_bs", "pads_bs"}},
        HierRun{"tdi_pad_in_the_top_tap_in_the_io_block_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v",
                joined(kTapInIo, kTdiPadInTop), true, "u_io.TAP", {"io_bs", "pads_bs"}},
        HierRun{"tap_in_the_ring_two_levels_down_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTapInRing, true,
                "u_io.u_ring.TAP", {"io_bs", "pads_bs"}},
        HierRun{"tap_beside_the_ring_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTapBesideRing, true,
                "u_io.u_tapblk.TAP", {"io_bs", "pads_bs", "tapblk_bs"}},
        HierRun{"tms_pin_ends_one_level_up_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v", kTmsEndsInIo, true,
                "TAP", {"io_bs", "pads_bs"}},
        HierRun{"tms_pin_ends_in_the_ring_tap_in_the_io_block_add_tap", "tests/fixtures/bscan/hier/pads_in_io.v",
                joined(kTapInIo, kTmsEndsInRing), true, "u_io.TAP", {"io_bs", "pads_bs"}},
        HierRun{"tap_in_the_pad_module_add_tap",
                "tests/fixtures/bscan/padmod/chip.v",
                {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_pads.TAP;"},
                 {"chip.v", ".tdo_c(tdo_c), .tdo_en(tdo_en));", ".tdo_c(1'b0), .tdo_en(1'b0));"}},
                true,
                "u_pads.TAP",
                {"pads_bs"}},
        HierRun{"two_io_instances_in_a_ring", "tests/fixtures/bscan/hier/ring_of_io.v", {}, false, "TAP",
                {"ring_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"two_io_instances_in_a_ring_add_tap", "tests/fixtures/bscan/hier/ring_of_io.v", {}, true, "TAP",
                {"ring_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"two_io_instances_in_the_top", "tests/fixtures/bscan/hier/io_pair.v", {}, false, "TAP",
                {"pads_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"two_io_instances_in_the_top_add_tap", "tests/fixtures/bscan/hier/io_pair.v", {}, true, "TAP",
                {"pads_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"tdi_pin_ends_in_its_io_module", "tests/fixtures/bscan/hier/io_pair.v", kTdiClosedInPads, false,
                "TAP", {"pads_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"tdi_pin_ends_in_its_io_module_add_tap", "tests/fixtures/bscan/hier/io_pair.v", kTdiClosedInPads,
                true, "TAP", {"pads_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"tdo_enable_ends_in_its_io_module_add_tap", "tests/fixtures/bscan/hier/io_pair.v",
                kTdoEnableClosedInPads, true, "TAP", {"pads_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"tdi_pin_ends_two_modules_down_add_tap", "tests/fixtures/bscan/hier/ring_of_io.v",
                kTdiClosedTwoLevelsDown, true, "TAP", {"tdipad_bs0", "ring_bs0", "pio_bs0", "pio_bs1"}},
        HierRun{"pads_in_the_top_and_in_a_pad_module", "tests/fixtures/bscan/hier/pads_split.v", {}, false, "TAP",
                {"pads_bs0"}},
        HierRun{"pads_in_the_top_and_in_a_pad_module_add_tap", "tests/fixtures/bscan/hier/pads_split.v", {}, true,
                "TAP", {"pads_bs0"}}),
    [](const auto& info) { return info.param.name; });

// The command files of the paths: the TAP's module gets the TAP and its
// ports, each module above the edited module below it and the same ports;
// the pad ring's parent passes the chain and the control signals through.
TEST(HierRoads, CommandFilesOfBothPaths) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path(), kCoreInBlock, source_path("tests/fixtures/e2e/notap/chip.v"));
    erase_from(dir.path() / "cells.v", "module qdx_tap", "endmodule\n");
    ASSERT_TRUE(testsupport::compile_chip_in(dir.path()));
    auto r = testsupport::run_kestrand(dir.path(), {"-add_tap"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // The innermost module first, each edited module before its parent.
    const size_t core = r.out.find("    .Executing command file  ./bscan_lib/core_bs.cmd ...\n");
    const size_t blk = r.out.find("    .Executing command file  ./bscan_lib/blk_bs.cmd ...\n");
    const size_t top = r.out.find("    .Executing command file  ./bscan_lib/chip_jtag.cmd ...\n");
    ASSERT_NE(core, std::string::npos) << r.out;
    EXPECT_LT(core, blk);
    EXPECT_LT(blk, top);
    const std::string core_cmd = read_file(dir.path() / "bscan_lib/core_bs.cmd");
    const std::string blk_cmd = read_file(dir.path() / "bscan_lib/blk_bs.cmd");
    EXPECT_EQ(core_cmd.rfind("edit core_bs\npath ./bscan_lib \nadd u_tap qdx_tap\nadd TMS input\nconnect u_tap{TMS} TMS\n", 0),
              0u)
        << core_cmd;
    EXPECT_EQ(blk_cmd.rfind("edit blk_bs\npath ./bscan_lib \nreplace u_core core_bs\nadd TMS input\nconnect u_core{TMS} TMS\n",
                            0),
              0u)
        << blk_cmd;
    for (const std::string* cmd : {&core_cmd, &blk_cmd}) {
        // Each port once a level, and the file ends with its trailer.
        EXPECT_EQ(cmd->find("add TDO output\n"), cmd->rfind("add TDO output\n")) << *cmd;
        EXPECT_EQ(cmd->substr(cmd->size() - 10), "save\nquit\n");
    }
    const std::string top_cmd = read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    EXPECT_NE(top_cmd.find("replace u_blk blk_bs\n"), std::string::npos) << top_cmd;
    EXPECT_NE(top_cmd.find("connect PAD_TDI{Y} u_blk{TDI}\n"), std::string::npos) << top_cmd;
}

// Several IO-pad modules: each instance of the IO module gets a copy of
// its own, the ring its two children's new masters, and the chain runs
// between modules through ports named after the receiving cell's pin,
// declared once on their level.
TEST(HierRoads, SeveralIoModules) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), {}, source_path("tests/fixtures/bscan/hier/ring_of_io.v")));
    auto r = testsupport::run_kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // Children before their parent, the top last.
    std::vector<size_t> at;
    for (const char* f : {"pio_bs0", "pio_bs1", "ring_bs0", "chip_jtag"})
        at.push_back(r.out.find(std::string("    .Executing command file ./bscan_lib/") + f + ".cmd ...\n"));
    for (size_t i = 0; i < at.size(); ++i) {
        ASSERT_NE(at[i], std::string::npos) << r.out;
        if (i > 0) {
            EXPECT_LT(at[i - 1], at[i]);
        }
    }
    const std::string ring = read_file(dir.path() / "bscan_lib/ring_bs0.cmd");
    EXPECT_NE(ring.find("replace u_io0 pio_bs0\n"), std::string::npos) << ring;
    EXPECT_NE(ring.find("replace u_io1 pio_bs1\n"), std::string::npos) << ring;
    EXPECT_LT(ring.find("replace u_io1 pio_bs1\n"), ring.find("connect u_io1{BCELL"));
    // Each module's cells in its own copy: u_io1 holds din1's cell alone.
    Netlist io1(dir.path(), "bscan_lib/pio_bs1.sdb");
    EXPECT_EQ(io1.of_class("BC_").size(), 1u);
    EXPECT_EQ(Netlist(dir.path(), "bscan_lib/pio_bs0.sdb").of_class("BC_").size(), 2u);
    // The chain's ports recorded for the leaf module are in its copy.
    EXPECT_EQ(io1.ports().at("BCELL3_in_SI"), "input");
    EXPECT_EQ(io1.ports().at("BCELL2_in_SI"), "output");
    for (const char* f : {"pio_bs0", "pio_bs1", "ring_bs0", "chip_jtag"}) {
        const std::string cmd = read_file(dir.path() / "bscan_lib" / (std::string(f) + ".cmd"));
        std::set<std::string> added;
        for (size_t a = cmd.find("\nadd "); a != std::string::npos; a = cmd.find("\nadd ", a + 1)) {
            const std::string line = cmd.substr(a + 1, cmd.find('\n', a + 1) - a - 1);
            const bool first_time = added.insert(line.substr(4, line.find(' ', 4) - 4)).second;
            EXPECT_TRUE(first_time) << f << ": " << line;
        }
    }
}

// The design's own TAP with the TDI pad's pin ending inside its IO-pad
// module: the pin leaves through a new port of the module, and the TAP's
// pin leaves its old net for that port.  (The -add_tap cases of the table
// above simulate the chip through its TAP pins.)
TEST(HierRoads, TapPinEndingInItsIoModuleTakesANewPort) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), kTdiClosedInPads,
                                                  source_path("tests/fixtures/bscan/hier/io_pair.v")));
    auto r = testsupport::run_kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Netlist pads(dir.path(), "bscan_lib/pads_bs0.sdb");
    EXPECT_EQ(pads.ports().at("qdx_tap_tdi"), "output");
    EXPECT_EQ(pads.ends_at("PAD_TDI", "Y"), (std::set<std::string>{"PAD_TDI{Y}", "port:qdx_tap_tdi"}));
    const Netlist top(dir.path(), "bscan_lib/chip_jtag.sdb");
    EXPECT_EQ(top.ends_at("TAP", "TDI"), (std::set<std::string>{"TAP{TDI}", "u_pads{qdx_tap_tdi}"}));
    // The other pads' modules know nothing of the TAP ports.
    EXPECT_EQ(read_file(dir.path() / "bscan_lib/pio_bs1.cmd").find("qdx_tap"), std::string::npos);
}

// A tied output enable in the ring: its high-impedance buffer, in the ring
// with its pad, takes the TAP's command through a port of the ring.
TEST(HierRoads, HighzGroupInAnIoModule) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(),
                                                  {{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"}},
                                                  source_path("tests/fixtures/bscan/hier/ring_of_io.v")));
    auto r = testsupport::run_kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Netlist ring(dir.path(), "bscan_lib/ring_bs0.sdb");
    EXPECT_EQ(ring.ends_at("highz_buf0", "A"), (std::set<std::string>{"highz_buf0{A}", "port:HIGHZ"}));
    // The active-high enable takes the command through an inverter.
    EXPECT_EQ(ring.ends_at("highz_buf0", "Y"), (std::set<std::string>{"highz_buf0{Y}", "B_PAD_INV0{A}"}));
    EXPECT_EQ(ring.ends_at("B_PAD_INV0", "Y"), (std::set<std::string>{"B_PAD_INV0{Y}", "PAD_DOUT1{OE}"}));
    Netlist top(dir.path(), "bscan_lib/chip_jtag.sdb");
    EXPECT_EQ(top.ends_at("TAP", "HIGHZ"), (std::set<std::string>{"TAP{HIGHZ}", "u_ring{HIGHZ}"}));
    expect_chain(Netlist(dir.path(), "chip_jtag.c.sdb"), "TAP", kCells - 1);  // the tied enable has no control cell
}

// An extra TAP pin (%EXTRA_1) that the input cells take: with pads in
// several IO-pad modules each module builds its own tree for it, rooted at
// a port of that name, and every input cell's pin is driven from the TAP.
TEST(HierRoads, ExtraPinTreesInSeveralIoModules) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const std::vector<Patch> extra = {
        {"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 AUX;"},
        {"chip.lib", "%MODE_1 MODE;\n}", "%MODE_1 MODE; %EXTRA_1 EX;\n}"},  // BC_IN, the first cell
        {"cells.v", "module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n  input DI,",
         "module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, EX);\n  input EX, DI,"},
        {"cells.v", "first_Bcell, BOUNDARY_out);\n  input TDI,", "first_Bcell, BOUNDARY_out, AUX);\n  output AUX;\n  input TDI,"}};
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), extra, source_path("tests/fixtures/bscan/hier/ring_of_io.v")));
    auto r = testsupport::run_kestrand(dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Netlist n(dir.path(), "chip_jtag.c.sdb");
    const std::set<std::string> inputs = n.of_class("BC_IN");
    EXPECT_EQ(inputs.size(), 4u);  // clk and rst_n in the ring, din0 and din1 in the IO modules
    for (const std::string& cell : inputs) {
        std::string net = n.net(cell, "EX");
        bool reached = false;
        for (int depth = 0; depth < 10 && !net.empty() && !reached; ++depth) {
            std::string up;
            for (const auto& e : n.ends(net)) {
                if (e == "TAP{AUX}") reached = true;
                if (n.cls(inst_of(e)) == "BUF" && pin_of(e) == "Y") up = n.net(inst_of(e), "A");
            }
            net = up;
        }
        EXPECT_TRUE(reached) << cell << "{EX} is not driven from TAP{AUX}";
    }
    // Each module's tree hangs on its own port.
    for (const char* m : {"pio_bs0", "pio_bs1", "ring_bs0"}) {
        const std::string cmd = read_file(dir.path() / "bscan_lib" / (std::string(m) + ".cmd"));
        EXPECT_NE(cmd.find("add AUX input\n"), std::string::npos) << m << ":\n" << cmd;
        EXPECT_NE(cmd.find("add extra1_buf_"), std::string::npos) << m << ":\n" << cmd;
    }
    if (testsupport::have_program("yosys")) {
        auto y = testsupport::run({"yosys", "-q", "-p",
                                   "read_verilog -lib cells.v; read_verilog chip_jtag.v; hierarchy -check -top chip; "
                                   "check -assert"},
                                  dir.path());
        EXPECT_EQ(y.status, 0) << y.out << y.err;
    }
}

// A TAP controller inside a sub-module with pads in several IO-pad modules
// (a TAP pad in a pad module of its own makes one more) stops the run
// before its first file.
struct RefusedRun {
    std::string name;
    std::string verilog;
    std::vector<Patch> patches;
};

void PrintTo(const RefusedRun& c, std::ostream* os) { *os << c.name; }

class TapInsideWithSeveralIoModules : public ::testing::TestWithParam<RefusedRun> {};

TEST_P(TapInsideWithSeveralIoModules, RefusedBeforeAnyFile) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const RefusedRun& c = GetParam();
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path(), c.patches, source_path(c.verilog));
    erase_from(dir.path() / "cells.v", "module qdx_tap", "endmodule\n");
    if (read_file(dir.path() / "chip.v").find("  qdx_tap TAP (") != std::string::npos)
        erase_from(dir.path() / "chip.v", "  qdx_tap TAP (", ";\n");
    ASSERT_TRUE(testsupport::compile_chip_in(dir.path()));
    auto r = testsupport::run_kestrand(dir.path(), {"-add_tap"});
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: Can not support hierarchic TAP controller for multiple IO-PAD modules.\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "chip_TAP.v"));
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TapInsideWithSeveralIoModules,
    ::testing::Values(RefusedRun{"two_io_instances", "tests/fixtures/bscan/hier/io_pair.v", {kBscTapInCore}},
                      RefusedRun{"tdi_pad_in_a_module_inside_the_ring", "tests/fixtures/bscan/hier/pads_in_io.v",
                                 joined(kTapInIo, kTdiPadInRing)},
                      RefusedRun{"tdi_pad_in_a_module_beside_the_io_block", "tests/fixtures/bscan/hier/pads_in_io.v",
                                 joined(kTapInIo, kTdiPadBesideIo)}),
    [](const auto& info) { return info.param.name; });

}  // namespace
