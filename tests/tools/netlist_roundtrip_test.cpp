// Netlists as synthesis tools write them, through the whole tool chain:
// compiled (tessick), expanded (drumway) and written back flat (quarnel),
// then checked against the original by yosys: a miter of the two, proved
// by SAT for the first cycles from a zero state.  Each netlist of
// tests/fixtures/netlists carries one construct of such netlists.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/testsupport.h"
#include "tests/tools/tool_test_util.h"

namespace {

using testsupport::have_program;
using testsupport::read_file;
using testsupport::TempDir;
using tooltest::ok;
namespace fs = std::filesystem;

// The yosys script that proves gate.v equivalent to gold.v (module top in
// both).  The gate cells are read as models, so that both sides are
// judged by the same cell functions; x bits of the original are don't
// cares, and a net the written netlist leaves undriven may take any value.
std::string check_script(const std::string& gold, const std::string& gate) {
    return "read_verilog " + tooltest::gates_file() + "\n" +
           "read_verilog " + gold + "\nrename top gold\n"
           "read_verilog " + gate + "\nrename top gate\n"
           "miter -equiv -make_assert -ignore_gold_x gold gate miter\n"
           "hierarchy -top miter\nproc\nflatten\nasync2sync\n"
           "sat -verify -prove-asserts -set-init-zero -seq 8 miter\n";
}

testsupport::RunResult check_equivalent(const fs::path& dir, const std::string& gold, const std::string& gate) {
    std::ofstream(dir / "check.ys") << check_script(gold, gate);
    return testsupport::run({"yosys", "-q", "-s", "check.ys"}, dir);
}

class NetlistRoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!have_program("yosys")) GTEST_SKIP() << "yosys is not installed (it checks the equivalence)";
    }
    const fs::path& dir() const { return tmp_.path(); }
    tooltest::ToolEnv env_;
    TempDir tmp_;
};

TEST_P(NetlistRoundTrip, ExpandedNetlistIsEquivalentToTheOriginal) {
    const std::string gold = std::string(GetParam()) + ".v";
    fs::copy_file(testsupport::source_path("tests/fixtures/netlists/" + gold), dir() / gold);
    fs::create_directories(dir() / "lib");
    fs::create_directories(dir() / "out");
    ok("tessick", {"-lib", tooltest::gates_file(), gold, "-opath", "lib"}, dir());
    ok("drumway", {"lib/top", "-opath", "out"}, dir());
    ok("quarnel", {"-verilog", "-o", "flat.v", "out/top.c"}, dir());
    const auto r = check_equivalent(dir(), gold, "flat.v");
    EXPECT_EQ(r.status, 0) << r.out << r.err << read_file(dir() / "flat.v");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, NetlistRoundTrip,
                         ::testing::Values("xz_constants", "const_module", "escaped_names", "port_assigns",
                                           "hierarchy"),
                         [](const auto& info) { return std::string(info.param); });

// The check sees lost logic: the expansion that dropped the module tie
// (its constant gone, the AND gate's input left open) is not equivalent.
TEST_F(NetlistRoundTrip, CheckFindsAConstantThatWasLost) {
    fs::copy_file(testsupport::source_path("tests/fixtures/netlists/const_module.v"), dir() / "gold.v");
    tmp_.write("lost.v",
               "module top (x, o, p, q, r);\n  input x;\n  output o, p, q, r;\n"
               "  \\$_AND_  g (.A(x), .B(), .Y(o));\n  \\$_OR_  g2 (.A(1'b0), .B(1'b1), .Y(p));\n"
               "  assign q = x;\n  assign r = x;\nendmodule\n");
    const auto r = check_equivalent(dir(), "gold.v", "lost.v");
    EXPECT_NE(r.status, 0);
    EXPECT_NE((r.out + r.err).find("proof did fail"), std::string::npos) << r.out << r.err;
}

// A module of many instances (enough for the writer to format them in
// pieces on several threads) is written back with every instance in its
// place: the written netlist compiles to the same connectivity.
TEST(LargeNetlist, WrittenBackWithItsInstancesInOrder) {
    tooltest::ToolEnv env;
    TempDir tmp;
    constexpr int kInstances = 70000;
    std::string v = "module top (a, y);\n  input a;\n  output y;\n";
    for (int i = 1; i < kInstances; ++i) v += "  wire n" + std::to_string(i) + ";\n";
    auto net = [](int i) { return i == 0 ? std::string("a") : i == kInstances ? std::string("y") : "n" + std::to_string(i); };
    for (int i = 0; i < kInstances; ++i)
        v += (i % 3 ? "  INV g" : "  BUF g") + std::to_string(i) + " (.A(" + net(i) + "), .Y(" + net(i + 1) + "));\n";
    v += "endmodule\n";
    tmp.write("big.v", v);
    tmp.write("cells.v",
              "`celldefine\nmodule INV (A, Y); input A; output Y; assign Y = ~A; endmodule\n"
              "module BUF (A, Y); input A; output Y; assign Y = A; endmodule\n`endcelldefine\n");
    fs::create_directories(tmp.path() / "lib");
    fs::create_directories(tmp.path() / "again");
    ok("tessick", {"-lib", "cells.v", "big.v", "-opath", "lib"}, tmp.path());
    ok("quarnel", {"-verilog", "-o", "written.v", "lib/top"}, tmp.path());
    const std::string w = read_file(tmp.path() / "written.v");
    size_t at = 0;
    for (int i = 0; i < kInstances; ++i) {
        const std::string head = (i % 3 ? "  INV g" : "  BUF g") + std::to_string(i) + " (";
        const size_t found = w.find(head, at);
        ASSERT_NE(found, std::string::npos) << "instance " << i << " missing or out of order";
        at = found + head.size();
    }
    ok("tessick", {"-lib", "cells.v", "written.v", "-opath", "again"}, tmp.path());
    EXPECT_EQ(tooltest::connectivity("again/top", tmp.path()), tooltest::connectivity("lib/top", tmp.path()));
}

}  // namespace
