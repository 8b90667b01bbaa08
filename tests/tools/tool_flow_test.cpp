// The netlist tools on the fixture chip and on a synthesised counter:
// compile (tessick), expand (drumway), write back (quarnel) and compile
// again to the same connectivity; the written netlists checked by the
// outside tools where they are installed.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "sdb/sdb.h"
#include "tools/common/tool.h"
#include "support/testsupport.h"
#include "tests/tools/tool_test_util.h"

namespace {

using testsupport::have_program;
using testsupport::read_file;
using testsupport::TempDir;
using tooltest::connectivity;
using tooltest::ok;
using tooltest::run_tool;
namespace fs = std::filesystem;

// The fixture chip compiled into ./lib, as a user does before running
// the insertion: tessick -lib cells.v chip.v -opath lib.
class ChipFlow : public ::testing::Test {
protected:
    void SetUp() override {
        tooltest::copy_chip(dir());
        fs::create_directories(dir() / "lib");
        fs::create_directories(dir() / "out");
        ok("tessick", {"-lib", "cells.v", "chip.v", "-opath", "lib"}, dir());
    }
    void TearDown() override { ntool::reset_globals(); }
    const fs::path& dir() const { return tmp_.path(); }

    // The netlist of the compiled chip written back, recompiled into
    // ./again; true when every module has its old connectivity.
    void expect_round_trip(const std::string& netlist) {
        fs::create_directories(dir() / "again");
        ok("tessick", {"-lib", "cells.v", netlist, "-opath", "again"}, dir());
        for (const char* m : {"chip", "core", "slice"})
            EXPECT_EQ(connectivity(std::string("again/") + m, dir()), connectivity(std::string("lib/") + m, dir()))
                << "module " << m;
    }

    tooltest::ToolEnv env_;
    TempDir tmp_;
};

TEST_F(ChipFlow, EveryModuleBecomesADesignWithClassesNamingItsMasters) {
    for (const char* m : {"chip", "core", "slice", "qdx_tap", "PIN_IN", "PIN_CLK", "PIN_OUT", "PIN_TRI", "PIN_BIDIR",
                          "BC_IN", "BC_OUT", "BC_BIDIR", "BC_CTRL", "BUF", "INV"})
        EXPECT_TRUE(fs::exists(dir() / "lib" / (std::string(m) + ".sdb"))) << m;
    // The side file of the first file named, in the working directory.
    EXPECT_NE(read_file(dir() / "cells.tessick.log").find("Wrote lib/chip.sdb"), std::string::npos);

    const std::string chip = connectivity("lib/chip", dir());
    EXPECT_NE(chip.find("design chip DESIGN\n"), std::string::npos) << chip;
    EXPECT_NE(chip.find("class core DESIGN clk:input rst_n:input din[1]:input din[0]:input dout[1]:output "
                        "dout[0]:output dout1_oe:output bidir_in:input bidir_out:output bidir_oe:output\n"),
              std::string::npos)
        << chip;
    EXPECT_NE(chip.find("class PIN_BIDIR CELL A:input OE:input Y:output PAD:inout\n"), std::string::npos) << chip;
    EXPECT_NE(chip.find("inst PAD_DOUT1 PIN_TRI A=dout_c[1] OE=dout1_oe PAD=dout1\n"), std::string::npos) << chip;
    EXPECT_NE(chip.find("inst TAP qdx_tap TDI=tdi_c TMS=tms_c TCK=tck_c TRST=trst_c TDO=tdo_c TDO_EN=tdo_en "
                        "SHIFT_DR=- CLOCK_DR=- UPDATE_DR=- MODE1=- HIGHZ=- RESET=- first_Bcell=chain "
                        "BOUNDARY_out=chain\n"),
              std::string::npos)
        << chip;
    EXPECT_NE(connectivity("lib/qdx_tap", dir()).find("design qdx_tap CELL\n"), std::string::npos);

    // In core the assignment merged two port nets; its alias file says so.
    const std::string core = read_file(dir() / "lib/core.asn");
    EXPECT_EQ(core, "ASSIGN bidir_out bidir_in\n");
    SdbDatabase* db = SDB_open((dir() / "lib/core.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    EXPECT_STREQ(SDB_net_name(db, 0), "GND");
    EXPECT_STREQ(SDB_net_name(db, 1), "VCC");
    const int in = SDB_nl_search_port("bidir_in"), out = SDB_nl_search_port("bidir_out");
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0);
    EXPECT_EQ(node_tab[port_tab[in].node].net, node_tab[port_tab[out].node].net);
    SDB_close(db, 0);
}

TEST_F(ChipFlow, ExpandedChipHasHierarchicalNamesAndOnlyCells) {
    ok("drumway", {"-cellonly", "-keepempty", "lib/chip", "-opath", "out"}, dir());
    SdbDatabase* db = SDB_open((dir() / "out/chip.c.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr) << "the cell-level design must open";
    SDB_setup(db);
    EXPECT_EQ(obj_count, 23);  // 12 pads, the TAP, 10 cells of the core
    for (int c = 0; c < class_count; ++c) EXPECT_EQ(class_tab[c].type, 1) << SYM_get(sym_tab, class_tab[c].name);
    EXPECT_STREQ(SDB_net_name(db, 0), "GND");
    EXPECT_STREQ(SDB_net_name(db, 1), "VCC");

    // Top-level instances keep flat names: tallowmere finds the TAP so.
    const int tap = SDB_nl_search_obj("TAP");
    ASSERT_GE(tap, 0);
    EXPECT_STREQ(SYM_get(sym_tab, class_tab[obj_tab[tap].cls].name), "qdx_tap");
    for (const char* name : {"core.u0.b0", "core.u1.i0", "core.ob1", "core.clkbuf"}) {
        const int o = SDB_lookup_obj(name);
        ASSERT_GE(o, 0) << name;
        EXPECT_STREQ(SDB_obj_name(db, o), name);
    }
    const int t = SDB_lookup_net("core.u0.t");
    ASSERT_GE(t, 0);
    EXPECT_STREQ(SDB_net_name(db, t), "core.u0.t");
    // A net crossing the hierarchy carries its outermost name, and the
    // feed-through of core joined the pad's input and output.
    const int b0 = SDB_lookup_obj("core.u0.b0");
    EXPECT_STREQ(SDB_net_name(db, node_tab[obj_tab[b0].first_node].net), "din_c[0]");
    const int pad = SDB_nl_search_obj("PAD_BIDIR0");
    ASSERT_GE(pad, 0);
    const int first = obj_tab[pad].first_node;
    EXPECT_EQ(node_tab[first].net, node_tab[first + 2].net);  // pins A and Y
    SDB_close(db, 0);

    const std::string dump = connectivity("out/chip.c", dir());
    EXPECT_NE(dump.find("inst core.u1.i0 INV A=core.u1.t Y=dout1_oe\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("net core.u0.yn core.u0.i0{Y}\n"), std::string::npos) << dump;
}

TEST_F(ChipFlow, HierarchySeparatorComesFromTheDefinitionFile) {
    std::ofstream(dir() / "quendal.def") << "HIER_DOT /;\n";
    ok("drumway", {"-cellonly", "lib/chip", "-opath", "out"}, dir());
    const std::string dump = connectivity("out/chip.c", dir());
    EXPECT_NE(dump.find("inst core/u0/b0 BUF A=din_c[0] Y=core/u0/t\n"), std::string::npos) << dump;
}

// The command lines with which the insertion runs the tools on its edited
// copy chip_jtag.sdb of the chip: the copy keeps the module name.
TEST_F(ChipFlow, InsertionCommandLinesWriteUnderTheModuleName) {
    fs::create_directories(dir() / "bscan_lib");
    fs::copy_file(dir() / "lib/chip.sdb", dir() / "bscan_lib/chip_jtag.sdb");
    ok("quarnel", {"-verilog", "-hierarchy", "-o", "./chip_jtag.v", "bscan_lib/chip_jtag.sdb"}, dir());
    ok("quarnel", {"-vhdl", "-hierarchy", "-o", "./chip_jtag.vhd", "chip_jtag.sdb", "-add_path", "bscan_lib"}, dir());
    ok("drumway", {"-cellonly", "-keepempty", "bscan_lib/chip_jtag", "-opath", "out"}, dir());
    // The expansion is named after the file it expands.
    EXPECT_TRUE(fs::exists(dir() / "out/chip_jtag.c.sdb"));
    EXPECT_FALSE(fs::exists(dir() / "out/chip.c.sdb"));
    const std::string v = read_file(dir() / "chip_jtag.v");
    EXPECT_NE(v.find("\nmodule chip (clk, "), std::string::npos) << v;
    // Masters with designs of their own (found in ./lib along the search
    // path) are written too, cells are not.
    EXPECT_NE(v.find("\nmodule core ("), std::string::npos);
    EXPECT_NE(v.find("\nmodule slice ("), std::string::npos);
    EXPECT_EQ(v.find("module qdx_tap"), std::string::npos);
    EXPECT_EQ(v.find("module PIN_IN"), std::string::npos);
    EXPECT_NE(read_file(dir() / "chip_jtag.vhd").find("\nentity chip is\n"), std::string::npos);
}

TEST_F(ChipFlow, VerilogWrittenBackCompilesToTheSameConnectivity) {
    ok("quarnel", {"-verilog", "-hierarchy", "-o", "chip_out.v", "lib/chip"}, dir());
    expect_round_trip("chip_out.v");
}

TEST_F(ChipFlow, VerilogWrittenBackIsAcceptedByIverilog) {
    if (!have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    ok("quarnel", {"-verilog", "-hierarchy", "-o", "chip_out.v", "lib/chip"}, dir());
    const auto r = testsupport::run({"iverilog", "-o", "/dev/null", "cells.v", "chip_out.v"}, dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST_F(ChipFlow, VerilogWrittenBackPassesTheYosysChecks) {
    if (!have_program("yosys")) GTEST_SKIP() << "yosys is not installed";
    ok("quarnel", {"-verilog", "-hierarchy", "-o", "chip_out.v", "lib/chip"}, dir());
    const auto r = testsupport::run({"yosys", "-q", "-p",
                                     "read_verilog -lib cells.v; read_verilog chip_out.v; hierarchy -check -top chip; "
                                     "check -assert"},
                                    dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST_F(ChipFlow, VhdlNetlistAnalysesWithGhdl) {
    if (!have_program("ghdl")) GTEST_SKIP() << "ghdl is not installed";
    ok("quarnel", {"-vhdl", "-hierarchy", "-o", "chip_out.vhd", "lib/chip"}, dir());
    const std::string vhd = read_file(dir() / "chip_out.vhd");
    EXPECT_NE(vhd.find("  component PIN_BIDIR\n"), std::string::npos) << vhd;
    const auto r = testsupport::run({"ghdl", "-a", "--workdir=.", "chip_out.vhd"}, dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// A small counter synthesised by yosys to its gate cells, written with
// -noexpr: escaped names, assignments between buses, flip-flops.
class CounterFlow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_program("yosys")) GTEST_SKIP() << "yosys is not installed (it makes the counter)";
        tmp_.write("counter.v",
                   "module counter(input clk, input rst_n, input en, output reg [3:0] q, output carry);\n"
                   "  always @(posedge clk or negedge rst_n)\n"
                   "    if (!rst_n) q <= 4'd0; else if (en) q <= q + 4'd1;\n"
                   "  assign carry = &q;\n"
                   "endmodule\n");
        const auto r = testsupport::run(
            {"yosys", "-q", "-p",
             "read_verilog counter.v; synth -top counter; abc -g AND,OR,XOR,MUX; opt_clean; "
             "dfflegalize -cell $_DFF_PN0_ 01 -cell $_DFF_P_ 01; opt_clean; write_verilog -noexpr -noattr net.v"},
            dir());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        fs::create_directories(dir() / "lib");
        fs::create_directories(dir() / "again");
        ok("tessick", {"-lib", tooltest::gates_file(), "net.v", "-opath", "lib"}, dir());
        ok("quarnel", {"-verilog", "-hierarchy", "-o", "back.v", "lib/counter"}, dir());
    }
    const fs::path& dir() const { return tmp_.path(); }
    tooltest::ToolEnv env_;
    TempDir tmp_;
};

TEST_F(CounterFlow, RoundTripsToTheSameConnectivity) {
    ok("tessick", {"-lib", tooltest::gates_file(), "back.v", "-opath", "again"}, dir());
    const std::string before = connectivity("lib/counter", dir());
    EXPECT_EQ(connectivity("again/counter", dir()), before);
    EXPECT_NE(before.find("inst q_reg[0] $_DFF_PN0_ C=clk "), std::string::npos) << before;
    const std::string v = read_file(dir() / "back.v");
    EXPECT_NE(v.find("\\$_DFF_PN0_  \\q_reg[0]  ("), std::string::npos) << v;
}

TEST_F(CounterFlow, WrittenBackPassesTheYosysChecks) {
    const auto r = testsupport::run({"yosys", "-q", "-p",
                                     "read_verilog -lib " + tooltest::gates_file() +
                                         "; read_verilog back.v; hierarchy -check -top counter; check -assert"},
                                    dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST_F(CounterFlow, WrittenBackIsAcceptedByIverilog) {
    if (!have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    const auto r = testsupport::run({"iverilog", "-o", "/dev/null", tooltest::gates_file(), "back.v"}, dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace
