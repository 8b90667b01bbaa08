// The netlist tools on small inputs: what tessick makes of each construct
// of a netlist, its errors, the expander's treatment of modules without
// contents and of cycles, names that need escaping, the name rules of the
// writers, and the cost of flattening.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "tests/tools/tool_test_util.h"
#include "sdb/sdb.h"
#include "sdb/sdb_test_util.h"
#include "runtime/verilog_id.h"
#include "tools/common/names.h"
#include "tools/common/netdb.h"
#include "tools/common/tool.h"

namespace {

using testsupport::have_program;
using testsupport::read_file;
using testsupport::TempDir;
using tooltest::connectivity;
using tooltest::ok;
using tooltest::run_tool;
namespace fs = std::filesystem;

const char* const kLib =
    "`celldefine\n"
    "module AN2 (A, B, Z); input A, B; output Z; assign Z = A & B; endmodule\n"
    "module REG2 (input [1:0] D, input CK, output reg [1:0] Q); always @(posedge CK) Q <= D; endmodule\n"
    "module BUF (A, Y); input A; output Y; assign Y = A; endmodule\n"
    "module AND2 (A, B, Y); input A, B; output Y; assign Y = A & B; endmodule\n"
    "`endcelldefine\n";

class ToolInput : public ::testing::Test {
protected:
    void SetUp() override {
        tmp_.write("lib.v", kLib);
        fs::create_directories(dir() / "out");
    }
    const fs::path& dir() const { return tmp_.path(); }
    tooltest::ToolEnv env_;
    TempDir tmp_;
};

// A design large enough that its names are read on several threads reads
// back whole, and a damaged one is refused naming the first bad record.
TEST_F(ToolInput, LargeDesignReadsWholeAndTheFirstBadRecordIsNamed) {
    constexpr int kObjects = 100000;
    const std::string path = (dir() / "big.sdb").string();
    {
        ntool::DesignBuilder b;
        const int inv = b.add_class(b.name("INV"), ntool::kTypeCell, {{b.name("A"), ntool::kDirInput},
                                                                      {b.name("Y"), ntool::kDirOutput}});
        const std::int32_t top = b.add_level(b.name("u"), -1, -1);
        std::vector<int> nets;
        for (int i = 0; i <= kObjects; ++i) nets.push_back(b.add_net(b.new_name("n" + std::to_string(i))));
        for (int i = 0; i < kObjects; ++i) {
            // Every tenth object has a hierarchical name.
            const std::int32_t name = i % 10 ? b.new_name("g" + std::to_string(i))
                                             : ntool::DesignBuilder::prefix_word(
                                                   b.add_leaf(b.new_name("h" + std::to_string(i)), top));
            const std::int32_t conn[] = {nets[static_cast<size_t>(i)], i % 7 ? nets[static_cast<size_t>(i) + 1] : -1};
            b.add_object(name, inv, conn);
        }
        std::string err;
        ASSERT_TRUE(b.save(path, err)) << err;
        ntool::reset_globals();
    }
    ntool::Design d;
    std::string err;
    ASSERT_TRUE(ntool::read_design(path, d, err)) << err;
    // The names belong to the design read, which can be handed on: the
    // file is closed and another one opened before they are looked at.
    const ntool::Design kept = std::move(d);
    {
        ntool::Design other;
        ASSERT_TRUE(ntool::read_design(path, other, err)) << err;
    }
    ASSERT_EQ(kept.objects.size(), static_cast<size_t>(kObjects));
    for (int i = 0; i < kObjects; ++i) {
        const ntool::Object& o = kept.objects[static_cast<size_t>(i)];
        ASSERT_EQ(o.name, i % 10 ? "g" + std::to_string(i) : "u.h" + std::to_string(i)) << i;
        ASSERT_EQ(kept.nets[static_cast<size_t>(kept.conns[o.first])], "n" + std::to_string(i)) << i;
        if (i % 7) ASSERT_EQ(kept.nets[static_cast<size_t>(kept.conns[o.first + 1])], "n" + std::to_string(i + 1)) << i;
        else ASSERT_EQ(kept.conns[o.first + 1], -1) << i;
    }
    ntool::reset_globals();

    // Name words that are neither a symbol nor a hierarchical name: the
    // nets are read first, then the objects, each in order.
    auto damage = [&](int table, std::vector<int> records) {
        SdbDatabase* db = SDB_open(path.c_str(), "r+", 0);
        ASSERT_NE(db, nullptr);
        auto* words = static_cast<std::int32_t*>(db->slot[table].data);
        for (int r : records) words[r] = -3;
        ASSERT_EQ(SDB_save(db), 0);
        SDB_close(db, 0);
        ntool::reset_globals();
    };
    damage(SDB_SOBJ, {90001, 70001});
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ntool::read_design(path, d, err));
    testing::internal::GetCapturedStdout();
    EXPECT_NE(err.find("object 70001 has an illegal name word"), std::string::npos) << err;
    ntool::reset_globals();
    damage(SDB_SNET, {80000});
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ntool::read_design(path, d, err));
    testing::internal::GetCapturedStdout();
    EXPECT_NE(err.find("net 80000 has an illegal name word"), std::string::npos) << err;
    ntool::reset_globals();
}

// Every name of a built design is found by name in its symbol table:
// names that share their first eight bytes, names given twice (one
// symbol), texts the builder copies and texts it takes where they lie,
// enough of them that every bucket is sorted the way large designs are.
// A design database or a netlist that can't be made names the file and
// the system's reason, on standard error and in the tool's log.
TEST_F(ToolInput, AFileThatCannotBeMadeSaysWhy) {
    ntool::DesignBuilder b;
    b.add_class(b.name("INV"), ntool::kTypeCell, {{b.name("A"), ntool::kDirInput}, {b.name("Y"), ntool::kDirOutput}});
    const std::string missing = (dir() / "missing" / "inv.sdb").string();
    std::string err;
    EXPECT_FALSE(b.save(missing, err));
    EXPECT_EQ(err, "cannot create design database '" + missing + "': No such file or directory");
    ntool::reset_globals();

    tmp_.write("t.v", "module t (a, z); input a; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n");
    ok("tessick", {"-lib", "lib.v", "t.v", "-opath", "out"}, dir());
    const auto r = run_tool("quarnel", {"-verilog", "-o", "missing/t_out.v", "out/t"}, dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create 'missing/t_out.v': No such file or directory"), std::string::npos) << r.err;
}

TEST_F(ToolInput, BuiltDesignFindsEveryNameInItsSymbols) {
    constexpr int kNets = 60000;
    const std::string path = (dir() / "named.sdb").string();
    std::vector<std::string> names;
    for (int i = 0; i < kNets; ++i)
        names.push_back(i % 3 == 0 ? "n" + std::to_string(i) : "shared_prefix_" + std::to_string(i % 20000));
    {
        // The texts handed over as they lie stay here until the design is
        // written.
        std::vector<std::string> kept(names.begin(), names.end());
        ntool::DesignBuilder b;
        for (int i = 0; i < kNets; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            b.add_net(i % 2 ? b.kept_name(kept[k].c_str()) : b.new_name(names[k]));
        }
        std::string err;
        ASSERT_TRUE(b.save(path, err)) << err;
        ntool::reset_globals();
    }
    SdbDatabase* db = SDB_open(path.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    std::set<std::string> distinct(names.begin(), names.end());
    for (const std::string& n : distinct) {
        const int id = SYM_lookup(db->symbols, n.c_str());
        ASSERT_GE(id, 0) << n;
        ASSERT_STREQ(SYM_get(db->symbols, id), n.c_str());
    }
    // "*UNDEF*", GND and VCC besides.
    EXPECT_EQ(SYM_count(db->symbols), static_cast<int>(distinct.size()) + 3);
    SDB_close(db, 0);
    ntool::reset_globals();
}

// A design with names enough to be made on several threads has the
// symbol table that one thread makes: each bucket's distinct names in
// strcmp order, installed middle first, bucket after bucket; the bucket
// of "*UNDEF*", which every table holds from the start, among them.
TEST_F(ToolInput, BuiltDesignHasTheSymbolsOfOneThread) {
    constexpr int kNets = 150000;
    const std::string path = (dir() / "many.sdb").string();
    std::vector<std::string> names;
    for (int i = 0; i < kNets; ++i)
        names.push_back(i % 5 == 0 ? "u" + std::to_string(i / 5 % 9000) : "net_" + std::to_string(i * 7919 % kNets));
    names.push_back("*UNDEF*");
    {
        ntool::DesignBuilder b;
        for (const std::string& n : names) b.add_net(b.new_name(n));
        std::string err;
        ASSERT_TRUE(b.save(path, err)) << err;
        ntool::reset_globals();
    }
    // The table one thread makes of the same names.
    SymbolTable* one = SYM_init(SYM_NBUCKETS);
    ASSERT_NE(one, nullptr);
    std::vector<std::string> all = names;
    for (const char* n : {"GND", "VCC"}) all.emplace_back(n);
    std::vector<std::vector<std::string>> buckets(SYM_NBUCKETS);
    for (const std::string& n : std::set<std::string>(all.begin(), all.end()))
        buckets[SYM_hash(n.c_str()) % SYM_NBUCKETS].push_back(n);
    for (const std::vector<std::string>& b : buckets) {
        std::vector<const char*> texts;
        for (const std::string& n : b) texts.push_back(n.c_str());
        std::vector<int32_t> ids(texts.size());
        SYM_install_sorted(one, texts.data(), ids.data(), texts.size());
    }
    SdbDatabase* db = SDB_open(path.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SymbolTable* built = db->symbols;
    ASSERT_EQ(SYM_count(built), SYM_count(one));
    for (int id = 0; id < SYM_count(one); ++id) {
        const SymbolEntry* a = SYM_query(built, id);
        const SymbolEntry* e = SYM_query(one, id);
        ASSERT_STREQ(a->name, e->name) << id;
        ASSERT_EQ(a->left, e->left) << id;
        ASSERT_EQ(a->right, e->right) << id;
    }
    EXPECT_EQ(built->roots, one->roots);
    SYM_free(one);
    SDB_close(db, 0);
    ntool::reset_globals();
}

TEST_F(ToolInput, TessickCompilesEachConstructOfANetlist) {
    tmp_.write("net.v",
               "`timescale 1ns/1ps\n"
               "/* ANSI header, a bus, an escaped port */\n"
               "module top (input clk, input [3:0] a, output [1:0] y, output z, inout \\io+1 );\n"
               "  wire [3:0] w;\n"
               "  wire \\odd.name ;\n"
               "  supply0 vss;\n"
               "  supply1 vdd;\n"
               "  AN2 g0 (.A(a[0]), .B(1'b1), .Z(w[0]));\n"
               "  AN2 g1 (a[1], vss, w[1]);  // ordered connections\n"
               "  REG2 r0 (.D({w[0], a[3]}), .CK(clk), .Q(w[3:2]));\n"
               "  REG2 r1 (.D(a[2:1]), .CK(clk), .Q(y));\n"
               "  AN2 \\g[2] (.A(\\odd.name ), .B(vdd), .Z(z));\n"
               "  assign \\odd.name = w[2];\n"
               "endmodule\n");
    ok("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    const auto dump = run_tool("sdbdump", {"out/top"}, dir());
    EXPECT_EQ(dump.out,
              "design top DESIGN\n"
              "port a[0] input a[0]\n"
              "port a[1] input a[1]\n"
              "port a[2] input a[2]\n"
              "port a[3] input a[3]\n"
              "port clk input clk\n"
              "port io+1 inout io+1\n"
              "port y[0] output y[0]\n"
              "port y[1] output y[1]\n"
              "port z output z\n"
              "class AN2 CELL A:input B:input Z:output\n"
              "class REG2 CELL D[1]:input D[0]:input CK:input Q[1]:output Q[0]:output\n"
              "inst g0 AN2 A=a[0] B=VCC Z=w[0]\n"
              "inst g1 AN2 A=a[1] B=GND Z=w[1]\n"
              "inst g[2] AN2 A=w[2] B=VCC Z=z\n"
              "inst r0 REG2 D[1]=w[0] D[0]=a[3] CK=clk Q[1]=w[3] Q[0]=w[2]\n"
              "inst r1 REG2 D[1]=a[2] D[0]=a[1] CK=clk Q[1]=y[1] Q[0]=y[0]\n"
              "net GND g1{B}\n"
              "net VCC g0{B} g[2]{B}\n"
              "net a[0] g0{A} port:a[0]\n"
              "net a[1] g1{A} port:a[1] r1{D[0]}\n"
              "net a[2] port:a[2] r1{D[1]}\n"
              "net a[3] port:a[3] r0{D[0]}\n"
              "net clk port:clk r0{CK} r1{CK}\n"
              "net io+1 port:io+1\n"
              "net w[0] g0{Z} r0{D[1]}\n"
              "net w[1] g1{Z}\n"
              "net w[2] g[2]{A} r0{Q[0]}\n"
              "net w[3] r0{Q[1]}\n"
              "net y[0] port:y[0] r1{Q[0]}\n"
              "net y[1] port:y[1] r1{Q[1]}\n"
              "net z g[2]{Z} port:z\n"
              "alias odd.name w[2]\n"
              "alias vdd VCC\n"
              "alias vss GND\n")
        << dump.err;
}

// Wires named GND and VCC that the module drives itself stay their own
// nets, under names of their own, apart from the constants; a wire of
// that name tied to its constant is the constant.
TEST_F(ToolInput, TessickKeepsWiresNamedLikeTheConstantsApart) {
    tmp_.write("net.v",
               "module top (input a, input b, output y, output z, output GND_2);\n"
               "  wire GND, VCC, VCC_1, q;\n"
               "  AN2 g0 (.A(a), .B(b), .Z(GND));\n"
               "  AN2 g1 (.A(GND), .B(1'b0), .Z(y));\n"
               "  AN2 g2 (.A(VCC), .B(q), .Z(z));\n"
               "  assign VCC = a;\n"
               "  assign VCC_1 = b;\n"
               "  assign q = 1'b1;\n"
               "  assign GND_2 = 1'b0;\n"
               "endmodule\n");
    const auto r = run_tool("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("warning: net 'GND' is not the constant net of that name: it is named 'GND_1' in the "
                         "design database"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("warning: net 'VCC' is not the constant net of that name: it is named 'VCC_2'"),
              std::string::npos)
        << r.out;
    const auto dump = run_tool("sdbdump", {"out/top"}, dir());
    const std::string& s = dump.out;
    EXPECT_NE(s.find("inst g0 AN2 A=a B=b Z=GND_1\n"), std::string::npos) << s;
    EXPECT_NE(s.find("inst g1 AN2 A=GND_1 B=GND Z=y\n"), std::string::npos) << s;
    EXPECT_NE(s.find("inst g2 AN2 A=a B=VCC Z=z\n"), std::string::npos) << s;
    EXPECT_NE(s.find("net GND g1{B} port:GND_2\n"), std::string::npos) << s;
    EXPECT_NE(s.find("net GND_1 g0{Z} g1{A}\n"), std::string::npos) << s;
    EXPECT_NE(s.find("net VCC g2{B}\n"), std::string::npos) << s;
    EXPECT_NE(s.find("alias VCC_2 a\n"), std::string::npos) << s;
    EXPECT_EQ(s.find("alias VCC "), std::string::npos) << s;
    EXPECT_EQ(s.find("alias GND "), std::string::npos) << s;
}

// A net named GND or VCC that the module only reads (a tie-off, declared
// or not) is the constant of that name, as it always was.
TEST_F(ToolInput, TessickTakesUndrivenGndAndVccAsTheConstants) {
    tmp_.write("net.v",
               "module top (input a, output y, output z);\n"
               "  wire VCC;\n"
               "  AN2 g0 (.A(a), .B(GND), .Z(y));\n"
               "  AN2 g1 (.A(VCC), .B(a), .Z(z));\n"
               "endmodule\n");
    const auto r = run_tool("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("is not the constant net"), std::string::npos) << r.out;
    const std::string s = run_tool("sdbdump", {"out/top"}, dir()).out;
    EXPECT_NE(s.find("net GND g0{B}\n"), std::string::npos) << s;
    EXPECT_NE(s.find("net VCC g1{A}\n"), std::string::npos) << s;
}

// A module compiled on its own takes its masters from their design
// files: in -opath, else along the search path (./lib here).
TEST_F(ToolInput, TessickTakesMastersFromDesignFiles) {
    fs::create_directories(dir() / "lib");
    ok("tessick", {"-lib", "lib.v", "-opath", "lib"}, dir());
    tmp_.write("mid.v", "module mid (input [1:0] d, input ck, output [1:0] q); REG2 r (d, ck, q); endmodule\n");
    ok("tessick", {"mid.v", "-opath", "out"}, dir());
    tmp_.write("top.v",
               "module top (input [1:0] d, input ck, output [1:0] q, output z);\n"
               "  mid m (.d(d), .ck(ck), .q(q));\n"
               "  AN2 g (.A(q[1]), .B(q[0]), .Z(z));\n"
               "  REG2 spare (.D(d), .CK(ck), .Q());\n"
               "endmodule\n");
    const auto r = run_tool("tessick", {"top.v", "-opath", "out"}, dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Taking module mid from out/mid.sdb"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Taking module AN2 from ./lib/AN2.sdb"), std::string::npos) << r.out;
    const std::string top = connectivity("out/top", dir());
    EXPECT_NE(top.find("class AN2 CELL A:input B:input Z:output\n"), std::string::npos) << top;
    EXPECT_NE(top.find("class mid DESIGN d[1]:input d[0]:input ck:input q[1]:output q[0]:output\n"), std::string::npos)
        << top;
    EXPECT_NE(top.find("inst m mid d[1]=d[1] d[0]=d[0] ck=ck q[1]=q[1] q[0]=q[0]\n"), std::string::npos) << top;
    // Only the modules of the files read are written.
    EXPECT_FALSE(fs::exists(dir() / "out/AN2.sdb"));
}

// A module compiled before the module that instantiates it, in one run:
// its pins are its ports in header order, named as declared, however
// many other nets it has and wherever they are declared.
TEST_F(ToolInput, TessickNamesThePinsOfAModuleCompiledEarlierInTheRun) {
    tmp_.write("two.v",
               "module sub (y, a, b);\n"
               "  wire w0, w1, w2;\n"
               "  wire [3:0] inner;\n"
               "  input [1:0] a;\n"
               "  input b;\n"
               "  output y;\n"
               "  AN2 g0 (.A(a[1]), .B(a[0]), .Z(w0));\n"
               "  AN2 g1 (.A(w0), .B(b), .Z(y));\n"
               "endmodule\n"
               "module top (input [1:0] p, input q, output r);\n"
               "  wire t;\n"
               "  sub s1 (.y(r), .a(p), .b(q));\n"
               "  sub s2 (.b(t), .a({q, q}), .y(t));\n"
               "endmodule\n");
    ok("tessick", {"-lib", "lib.v", "two.v", "-opath", "out"}, dir());
    const std::string top = connectivity("out/top", dir());
    EXPECT_NE(top.find("class sub DESIGN y:output a[1]:input a[0]:input b:input\n"), std::string::npos) << top;
    EXPECT_NE(top.find("inst s1 sub y=r a[1]=p[1] a[0]=p[0] b=q\n"), std::string::npos) << top;
    EXPECT_NE(top.find("inst s2 sub y=t a[1]=q a[0]=q b=t\n"), std::string::npos) << top;
    const std::string sub = connectivity("out/sub", dir());
    EXPECT_NE(sub.find("inst g0 AN2 A=a[1] B=a[0] Z=w0\n"), std::string::npos) << sub;
}

// The port-only TAP module of the add-TAP flow: "tessick -lib %s -opath lib".
TEST_F(ToolInput, TessickCompilesAPortOnlyModuleAsACell) {
    fs::create_directories(dir() / "lib");
    tmp_.write("chip_TAP_empty.v",
               "module qdx_tap (TDI, TMS, TCK, TDO, IDCODE);\n"
               "  input TDI, TMS, TCK;\n  output TDO;\n  input [31:0] IDCODE;\nendmodule\n");
    ok("tessick", {"-lib", "chip_TAP_empty.v", "-opath", "lib"}, dir());
    EXPECT_TRUE(fs::exists(dir() / "chip_TAP_empty.tessick.log"));
    const std::string tap = connectivity("lib/qdx_tap", dir());
    EXPECT_NE(tap.find("design qdx_tap CELL\n"), std::string::npos) << tap;
    EXPECT_NE(tap.find("port IDCODE[31] input IDCODE[31]\n"), std::string::npos) << tap;
}

// The outputs that a library cell's body leaves floating at times are
// marked three-state in its design (sdbdump shows the mark): the output of
// a three-state gate or of a gate or assignment with a highz strength, and
// the target of an assignment of a z constant; a z constant that is only
// compared with, or a casez pattern, marks nothing, and neither does a
// netlist module's port.
TEST_F(ToolInput, TessickMarksTheThreeStateOutputsOfLibraryCells) {
    struct Cell {
        const char* name;
        const char* text;
        std::set<std::string> three_state;
    };
    const Cell cells[] = {
        {"TB0", "module TB0 (A, EN, Y);\n  input A, EN;\n  output Y;\n  bufif0 (Y, A, EN);\nendmodule\n", {"Y"}},
        {"TB1", "module TB1 (A, EN, Y, Z);\n  input A, EN;\n  output Y, Z;\n  notif1 #(1, 2) u [0:0] (Y, A, EN), v (Z, A, EN);\nendmodule\n",
         {"Y", "Z"}},
        {"TS", "module TS (input A, input EN, output [1:0] Y, output N);\n  assign Y = EN ? {A, A} : 2'bzz, N = ~A;\nendmodule\n",
         {"Y[1]", "Y[0]"}},
        {"TR", "module TR (A, EN, Q);\n  input A, EN;\n  output reg Q;\n  always @(*) if (EN) Q = A; else Q = #1 1'bz;\nendmodule\n",
         {"Q"}},
        {"OD", "module OD (A, Y);\n  input A;\n  output Y;\n  assign (strong0, highz1) Y = A;\nendmodule\n", {"Y"}},
        {"OG", "module OG (A, B, Y, Z);\n  input A, B;\n  output Y, Z;\n  nand (highz1, strong0) g (Y, A, B);\n"
               "  nand (Z, A, B);\nendmodule\n",
         {"Y"}},
        {"PIO", "module PIO (A, OE, Y, PAD);\n  input A, OE;\n  output Y;\n  inout PAD;\n  assign PAD = OE ? A : 1'bz;\n"
                "  assign Y = PAD;\nendmodule\n",
         {"PAD"}},
        {"CMP", "module CMP (A, Y);\n  input A;\n  output Y;\n  assign Y = A === 1'bz ? 1'b0 : (1'bz !== A) & A;\nendmodule\n",
         {}},
        {"CZ", "module CZ (S, Y);\n  input [1:0] S;\n  output reg Y;\n"
               "  always @(*) casez (S) 2'b1?: Y = 1'b1; default: Y = 1'b0; endcase\nendmodule\n",
         {}},
    };
    std::string lib = "`celldefine\n";
    for (const Cell& c : cells) lib += c.text;
    tmp_.write("tri.v", lib + "`endcelldefine\n");
    tmp_.write("net.v", "module top (a, e, y);\n  input a, e;\n  output y;\n  TB0 t (.A(a), .EN(e), .Y(y));\nendmodule\n");
    ok("tessick", {"-lib", "tri.v", "net.v", "-opath", "out"}, dir());
    auto marked = [&](const std::string& design) {
        std::set<std::string> ports;
        std::istringstream lines(connectivity("out/" + design, dir()));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("port ", 0) == 0 && line.size() > 12 && line.compare(line.size() - 12, 12, " three-state") == 0)
                ports.insert(line.substr(5, line.find(' ', 5) - 5));
        return ports;
    };
    for (const Cell& c : cells) EXPECT_EQ(marked(c.name), c.three_state) << c.name;
    EXPECT_EQ(marked("top"), std::set<std::string>{});
}

struct BadInput {
    const char* name;
    const char* text;  // net.v
    const char* opath;
    const char* message;  // expected in standard error
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

class TessickRefuses : public ToolInput, public ::testing::WithParamInterface<BadInput> {};

TEST_P(TessickRefuses, WithFileAndLineAndLeavesOldFilesAlone) {
    const BadInput& c = GetParam();
    tmp_.write("net.v", c.text);
    tmp_.write("out/top.sdb", "the design of an earlier run");
    const auto r = run_tool("tessick", {"-lib", "lib.v", "net.v", "-opath", c.opath}, dir());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_NE(read_file(dir() / "lib.tessick.log").find(c.message), std::string::npos);
    // Nothing was written: no cell, and the old design is untouched.
    EXPECT_EQ(read_file(dir() / "out/top.sdb"), "the design of an earlier run");
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir() / "out")) files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"top.sdb"});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TessickRefuses,
    ::testing::Values(
        BadInput{"Syntax", "module top (a);\n  input a;\n  AN2 g (.A(a) .B(a));\nendmodule\n", "out",
                 "net.v:3: error: "},
        BadInput{"UnknownMaster", "module top (a);\n  input a;\n\n  FOO u1 (.A(a));\nendmodule\n", "out",
                 "net.v:4: error: module 'FOO' of instance 'u1' is not defined, and no design database 'FOO.sdb' "
                 "was found"},
        BadInput{"WidthMismatch",
                 "module top (a, b);\n  input a; input [2:0] b;\n  REG2 r (.D(b), .CK(a));\nendmodule\n", "out",
                 "net.v:3: error: width mismatch on port 'D'"},
        BadInput{"ModuleNameIsNoFileName", "module \\a/b (x);\n  input x;\nendmodule\n", "out",
                 "net.v:1: error: module name 'a/b' cannot name a design file"},
        BadInput{"ConstantsJoined", "module top (x);\n  output x;\n  assign x = 1'b0;\n  assign x = 1'b1;\nendmodule\n",
                 "out", "net.v:4: error: this assignment joins the constants 0 and 1"},
        BadInput{"NoOutputDirectory", "module top (x); input x; endmodule\n", "missing",
                 "tessick: error: output directory 'missing' does not exist"},
        // A scalar \a[3] beside bit 3 of bus a would short two drivers.
        BadInput{"ScalarNamedLikeABusBit",
                 "module top (a, y, z);\n  input [3:0] a; output y, z;\n  wire \\a[3] ;\n"
                 "  BUF g1 (.A(a[0]), .Y(\\a[3] ));\n  BUF g2 (.A(a[3]), .Y(y));\n  BUF g3 (.A(\\a[3] ), .Y(z));\n"
                 "endmodule\n",
                 "out",
                 "net.v:3: error: scalar net 'a[3]' (line 3) and bus 'a' (line 2) both name the net 'a[3]': rename one "
                 "of them"},
        // Parameters would change what the cell does (a look-up table).
        BadInput{"InstanceParameters",
                 "module top (a, b, y);\n  input a, b; output y;\n  AND2 #(.LUT(4'h6)) g (.A(a), .B(b), .Y(y));\n"
                 "endmodule\n",
                 "out",
                 "net.v:3: error: instance 'g' of module 'AND2' has parameters (#(...)), which a design database "
                 "cannot keep"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolInput, EveryToolRefusesABadCommandLine) {
    struct Case {
        const char* tool;
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"tessick", {}, 2, "usage: tessick"},
        {"tessick", {"-frobnicate", "x.v"}, 2, "unknown option -frobnicate"},
        {"tessick", {"missing.v"}, 1, "missing.v: error: cannot open file"},
        {"drumway", {}, 2, "usage: drumway"},
        {"drumway", {"-cellonly", "missing"}, 1, "drumway: error: cannot open design database 'missing.sdb'"},
        {"quarnel", {"-o", "x.v", "top"}, 2, "name -verilog or -vhdl"},
        {"quarnel", {"-verilog", "-vhdl", "-o", "x.v", "top"}, 2, "exclude each other"},
        {"quarnel", {"-verilog", "top"}, 2, "no output file"},
        {"quarnel", {"-verilog", "-o", "x.v", "missing"}, 1, "cannot open design database 'missing.sdb'"},
        {"sdbdump", {}, 2, "usage: sdbdump"},
    };
    for (const Case& c : cases) {
        const auto r = run_tool(c.tool, c.args, dir());
        EXPECT_EQ(r.status, c.status) << c.tool << " " << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.tool << ": " << r.err;
        // One message, on the error stream: none of the database's own.
        if (c.status == 1) {
            EXPECT_EQ(r.out.find("SDB"), std::string::npos) << c.tool << ": " << r.out;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.tool << ": " << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(dir() / "x.v"));
}

// A module without contents is dropped by the expander, or with
// -keepempty kept as a cell; a module without a design stays a cell.
TEST_F(ToolInput, DrumwayDropsOrKeepsModulesWithoutContents) {
    tmp_.write("net.v",
               "module hole (a); input a; endmodule\n"
               "module gone (a, z); input a; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n"
               "module top (a, z, y);\n  input a; output z, y;\n"
               "  hole h0 (.a(a));\n  gone g1 (.a(a), .z(y));\n  AN2 g (.A(a), .B(a), .Z(z));\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    fs::remove(dir() / "out/gone.sdb");

    auto r = run_tool("drumway", {"-cellonly", "out/top"}, dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("drumway: warning: no design database 'gone.sdb' was found"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 instances of modules without contents dropped"), std::string::npos) << r.out;
    std::string dump = connectivity("top.c", dir());
    EXPECT_EQ(dump.find("inst h0 "), std::string::npos) << dump;
    EXPECT_NE(dump.find("inst g1 gone a=a z=y\n"), std::string::npos) << dump;

    ok("drumway", {"-cellonly", "-keepempty", "out/top"}, dir());
    dump = connectivity("top.c", dir());
    EXPECT_NE(dump.find("class hole CELL a:input\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("inst h0 hole a=a\n"), std::string::npos) << dump;
}

// The expansion is named after the design file it expands, not after the
// module that file records, and never replaces a file the run reads.
TEST_F(ToolInput, DrumwayNamesTheExpansionAfterItsFile) {
    tmp_.write("net.v",
               "module sub (a, z); input a; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n"
               "module top (a, z);\n  input a; output z;\n  sub s (.a(a), .z(z));\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    // An edited copy of top under another name.
    fs::copy_file(dir() / "out/top.sdb", dir() / "out/top_jtag.sdb");
    ok("drumway", {"-cellonly", "out/top_jtag", "-opath", "out"}, dir());
    EXPECT_TRUE(fs::exists(dir() / "out/top_jtag.c.sdb"));
    EXPECT_FALSE(fs::exists(dir() / "out/top.c.sdb"));
    EXPECT_NE(connectivity("out/top_jtag.c", dir()).find("inst s.g AN2 A=a B=a Z=z\n"), std::string::npos);

    // A result whose name leads to an input (here through a link to the
    // master's design) is refused, and the input stays as it was.
    const std::string sub = read_file(dir() / "out/sub.sdb");
    fs::create_symlink("sub.sdb", dir() / "out/top.c.sdb");
    auto r = run_tool("drumway", {"-cellonly", "out/top", "-opath", "out"}, dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the result out/top.c.sdb would overwrite its input out/sub.sdb"), std::string::npos)
        << r.err;
    EXPECT_EQ(read_file(dir() / "out/sub.sdb"), sub);
}

// What synthesis tools write: an x constant assigned to a net leaves the
// net without a driver, and the rest compiles as before.
TEST_F(ToolInput, XAndZConstantsDriveNothing) {
    tmp_.write("net.v",
               "module m (a, y, z); input a; output y; output [1:0] z; wire u; assign u = 1'hx; "
               "BUF g (.A(a), .Y(y));\n"
               "  AND2 h (.A(1'bx), .B(1'bz), .Y(z[0]));\n  assign z[1] = 1'bz;\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    const std::string dump = connectivity("out/m", dir());
    EXPECT_NE(dump.find("inst g BUF A=a Y=y\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("inst h AND2 A=- B=- Y=z[0]\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("net u\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("net z[1] port:z[1]\n"), std::string::npos) << dump;
}

// A module whose only contents tie its outputs to constants, or join its
// ports, is expanded: dropping it would leave the parent's nets undriven.
TEST_F(ToolInput, DrumwayKeepsModulesThatOnlyDriveConstantsOrJoinPorts) {
    tmp_.write("p.v",
               "module tie (y); output y; assign y = 1'b1; endmodule\n"
               "module fan (a, y1, y2); input a; output y1, y2; assign y1 = a; assign y2 = a; endmodule\n"
               "module top (x, o, p, q); input x; output o, p, q; wire k;\n"
               "  tie u (.y(k));\n  AND2 g (.A(x), .B(k), .Y(o));\n  fan f (.a(x), .y1(p), .y2(q));\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "p.v"}, dir());
    const auto r = run_tool("drumway", {"top"}, dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("dropped"), std::string::npos) << r.out;
    const std::string dump = connectivity("top.c", dir());
    EXPECT_NE(dump.find("inst g AND2 A=x B=VCC Y=o\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("port p output x\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("port q output x\n"), std::string::npos) << dump;
}

// A wire that the top declares before its output port, joined to that
// port inside a lower module: the flat net carries the port's name.
TEST_F(ToolInput, DrumwayNamesNetsOnTopLevelPortsAfterThePort) {
    tmp_.write("p.v",
               "module feed (i, o); input i; output o; assign o = i; endmodule\n"
               "module top (a, b, y);\n  input a; input b; wire r; output y;\n"
               "  AND2 g (.A(a), .B(b), .Y(r));\n  feed f (.i(r), .o(y));\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "p.v"}, dir());
    ok("drumway", {"top"}, dir());
    const std::string dump = connectivity("top.c", dir());
    EXPECT_NE(dump.find("inst g AND2 A=a B=b Y=y\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("port y output y\n"), std::string::npos) << dump;
}

// A cell library as simulators ship them: directives, an include file
// from an -incdir directory, port widths from parameters.
TEST_F(ToolInput, TessickReadsALibraryWrittenWithDirectives) {
    tmp_.write("inc/defines.vh", "`define WIDTH 2\n");
    tmp_.write("cells.v",
               "`include \"defines.vh\"\n"
               "`ifdef FUNCTIONAL\n`define DELAY\n`else\n`define DELAY #1\n`endif\n"
               "`celldefine\n"
               "module BUFW #(parameter W = `WIDTH) (input [W-1:0] A, output [W-1:0] Y);\n"
               "  assign `DELAY Y = A;\nendmodule\n"
               "`ifdef NO_LATCH\n`else\n"
               "module LATW (G, D, Q);\n  parameter N = 3;\n  input G;\n  input [N-1:0] D;\n"
               "  output reg [N-1:0] Q;\n  always @(*) if (G) Q = `DELAY D;\nendmodule\n`endif\n"
               "`endcelldefine\n");
    tmp_.write("net.v",
               "module top (input g, input [2:0] d, output [2:0] q, output [1:0] y);\n"
               "  LATW l (.G(g), .D(d), .Q(q));\n  BUFW b (.A(d[1:0]), .Y(y));\nendmodule\n");
    ok("tessick", {"-lib", "cells.v", "-incdir", "inc", "net.v", "-opath", "out"}, dir());
    const std::string dump = connectivity("out/top", dir());
    EXPECT_NE(dump.find("class BUFW CELL A[1]:input A[0]:input Y[1]:output Y[0]:output\n"), std::string::npos)
        << dump;
    EXPECT_NE(dump.find("class LATW CELL G:input D[2]:input D[1]:input D[0]:input Q[2]:output Q[1]:output "
                        "Q[0]:output\n"),
              std::string::npos)
        << dump;
    EXPECT_TRUE(fs::exists(dir() / "out/LATW.sdb"));
    // Without the include directory the file is not found, and the
    // message says where it was looked for.
    const auto r = run_tool("tessick", {"-lib", "cells.v", "-opath", "out"}, dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cells.v:1: error: cannot find include file 'defines.vh' (looked for defines.vh)"),
              std::string::npos)
        << r.err;
}

// Designs that contain each other through their files are refused by the
// tools that walk the hierarchy.
TEST_F(ToolInput, ModulesContainingThemselvesAreRefused) {
    tmp_.write("b0.v", "module b (x); input x; AN2 g (.A(x), .B(x), .Z()); endmodule\n");
    tmp_.write("a.v", "module a (x); input x; b u (.x(x)); endmodule\n");
    tmp_.write("b1.v", "module b (x); input x; a u (.x(x)); endmodule\n");
    ok("tessick", {"-lib", "lib.v", "b0.v", "-opath", "out"}, dir());
    ok("tessick", {"a.v", "-opath", "out"}, dir());
    ok("tessick", {"b1.v", "-opath", "out"}, dir());
    auto r = run_tool("drumway", {"-cellonly", "out/a"}, dir());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("module 'a' contains itself"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "a.c.sdb"));
    r = run_tool("quarnel", {"-verilog", "-hierarchy", "-o", "a_out.v", "out/a"}, dir());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("contains itself"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "a_out.v"));
}

// A port named after nothing (\*UNDEF* , which the database keeps as
// symbol 0) damages the design that has it and every design above it,
// whose class of it holds a pin of that name: drumway names the file of
// the module or cell whose port it is, wherever the expansion meets it.
TEST_F(ToolInput, DrumwayNamesTheFileThatHoldsAPortNamedAfterNothing) {
    tmp_.write("cells.v", "`celldefine\nmodule ODD (A, Y, \\*UNDEF* ); input A, \\*UNDEF* ; output Y; assign Y = A; "
                          "endmodule\n`endcelldefine\n");
    tmp_.write("net.v",
               "module leaf (a, z, \\*UNDEF* ); input a, \\*UNDEF* ; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n"
               "module mid (a, z); input a; output z; leaf l (.a(a), .z(z)); endmodule\n"
               "module top (a, z); input a; output z; mid m (.a(a), .z(z)); endmodule\n"
               "module celltop (a, z); input a; output z; mid m (.a(a), .z()); ODD c (.A(a), .Y(z)); endmodule\n"
               "module bad (a, \\*UNDEF* ); input a, \\*UNDEF* ; mid m (.a(a), .z()); endmodule\n");
    ok("tessick", {"-lib", "lib.v", "cells.v", "net.v", "-opath", "out"}, dir());
    const struct {
        const char* design;
        const char* damaged;
    } cases[] = {{"top", "out/leaf.sdb"}, {"mid", "out/leaf.sdb"}, {"leaf", "out/leaf.sdb"}, {"bad", "out/bad.sdb"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.design);
        const auto r = run_tool("drumway", {"-cellonly", std::string("out/") + c.design}, dir());
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.out.find(std::string("SDB ERROR: (FA-01-0006) The sdb file '") + c.damaged + "' is corrupted."),
                  std::string::npos)
            << r.out;
        // One file is named, and only it.
        EXPECT_EQ(r.out.find("FA-01-0006", r.out.find("FA-01-0006") + 1), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(std::string("cannot open design database '") + c.damaged + "'"), std::string::npos)
            << r.err;
    }
    // A library cell's port: the cell's own database is named.
    fs::remove(dir() / "out/leaf.sdb");
    tmp_.write("net2.v", "module leaf (a, z); input a; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n");
    ok("tessick", {"-lib", "lib.v", "net2.v", "-opath", "out"}, dir());
    const auto r = run_tool("drumway", {"-cellonly", "out/celltop"}, dir());
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("The sdb file 'out/ODD.sdb' is corrupted."), std::string::npos) << r.out;
}

// Names that are no identifiers of the target language, keywords of it,
// and (in VHDL) names equal but for case.
class OddNames : public ToolInput {
protected:
    void SetUp() override {
        ToolInput::SetUp();
        tmp_.write("odd.v",
                   "module odd (\\a+b , \\wire , q, \\7up , Z);\n"
                   "  input \\a+b , \\wire ;\n  output [1:0] q;\n  output \\7up , Z;\n"
                   "  wire \\n.1 , \\n[x] , \\n[3] ;\n  wire [2:0] bus;\n"
                   "  AN2 \\u[0] (.A(\\a+b ), .B(\\wire ), .Z(\\n.1 ));\n"
                   "  AN2 \\in (.A(\\n.1 ), .B(bus[2]), .Z(\\n[x] ));\n"
                   "  AN2 signal (.A(\\n[x] ), .B(\\n[3] ), .Z(bus[0]));\n"
                   "  AN2 Q (.A(bus[0]), .B(1'b0), .Z(\\7up ));\n"
                   "  AN2 z (.A(bus[1]), .B(q[0]), .Z(Z));\n"
                   "  assign q = bus[1:0];\n"
                   "endmodule\n");
        ok("tessick", {"-lib", "lib.v", "odd.v", "-opath", "out"}, dir());
    }
};

TEST_F(OddNames, VerilogEscapesThemAndReadsBackTheSame) {
    ok("quarnel", {"-verilog", "-o", "odd_out.v", "out/odd"}, dir());
    const std::string v = read_file(dir() / "odd_out.v");
    EXPECT_NE(v.find("module odd (\\a+b , \\wire , q, \\7up , Z);"), std::string::npos) << v;
    EXPECT_NE(v.find("  AN2 \\u[0]  ("), std::string::npos) << v;
    fs::create_directories(dir() / "again");
    ok("tessick", {"-lib", "lib.v", "odd_out.v", "-opath", "again"}, dir());
    EXPECT_EQ(connectivity("again/odd", dir()), connectivity("out/odd", dir()));
    if (!have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    const auto r = testsupport::run({"iverilog", "-o", "/dev/null", "lib.v", "odd_out.v"}, dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST_F(OddNames, VhdlUsesExtendedIdentifiersAndAnalyses) {
    ok("quarnel", {"-vhdl", "-o", "odd_out.vhd", "out/odd"}, dir());
    const std::string v = read_file(dir() / "odd_out.vhd");
    EXPECT_NE(v.find("    \\a+b\\ : in std_logic;\n"), std::string::npos) << v;
    EXPECT_NE(v.find("    wire : in std_logic;\n"), std::string::npos) << v;  // no VHDL keyword
    EXPECT_NE(v.find("  \\in\\ : AN2\n"), std::string::npos) << v;
    EXPECT_NE(v.find("  \\signal\\ : AN2\n"), std::string::npos) << v;
    EXPECT_NE(v.find("  signal \\bus\\ : std_logic_vector(2 downto 2);\n"), std::string::npos) << v;
    // Q and q are one VHDL name: the instance gives way to the port (and
    // to the signal q_1 that carries the output inside).
    EXPECT_NE(v.find("  Q_2 : AN2\n"), std::string::npos) << v;
    if (!have_program("ghdl")) GTEST_SKIP() << "ghdl is not installed";
    const auto r = testsupport::run({"ghdl", "-a", "--workdir=.", "odd_out.vhd"}, dir());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(NameRules, BitNamesGroupIntoBusesOnlyWhereTheyReadBackTheSame) {
    struct Case {
        std::vector<std::string_view> names;
        std::vector<int> dirs;
        const char* groups;  // "base[msb:lsb]" for a bus, the name for a scalar
    };
    const Case cases[] = {
        {{"d[3]", "d[2]", "d[1]", "e"}, {0, 0, 0, 0}, "d[3:1] e"},
        {{"d[0]", "d[1]"}, {0, 0}, "d[0:1]"},
        {{"d[5]"}, {0}, "d[5:5]"},
        {{"d[1]", "x", "d[0]"}, {0, 0, 0}, "d[1] x d[0]"},  // one base, two runs
        {{"d[1]", "d[3]"}, {0, 0}, "d[1] d[3]"},            // not one step apart
        {{"d", "d[0]"}, {0, 0}, "d d[0]"},                  // the base is a scalar too
        {{"d[1]", "d[0]"}, {0, 2}, "d[1] d[0]"},            // directions differ
        {{"a[01]", "a[-1]", "[2]", "a[2"}, {0, 0, 0, 0}, "a[01] a[-1:-1] [2] a[2"},
    };
    for (const Case& c : cases) {
        const auto groups =
            ntool::group_bits(c.names, [&](std::size_t a, std::size_t b) { return c.dirs[a] == c.dirs[b]; });
        std::string got;
        for (const auto& g : groups) {
            if (!got.empty()) got += " ";
            got += g.bus ? g.base + "[" + std::to_string(g.msb) + ":" + std::to_string(g.lsb) + "]" : g.base;
        }
        EXPECT_EQ(got, c.groups);
    }
}

TEST(NameRules, IdentifiersAreEscapedWhereTheLanguageNeedsIt) {
    EXPECT_EQ(VLOG_id("clk_1$"), "clk_1$");
    EXPECT_EQ(VLOG_id("a+b"), "\\a+b ");
    EXPECT_EQ(VLOG_id("wire"), "\\wire ");
    EXPECT_EQ(VLOG_id("cell"), "\\cell ");  // a configuration keyword
    EXPECT_EQ(VLOG_id("$x"), "\\$x ");
    EXPECT_EQ(VLOG_id("a b"), "\\a_b ");  // no blank fits in an escaped name
    for (const char* good : {"a", "Abc_1", "x_y_z"}) EXPECT_TRUE(ntool::vhdl_basic_id(good)) << good;
    for (const char* bad : {"_a", "a_", "a__b", "1a", "in", "SIGNAL", "a$b", ""})
        EXPECT_FALSE(ntool::vhdl_basic_id(bad)) << bad;
    EXPECT_EQ(ntool::vhdl_extended_id("a\\b[1]"), "\\a\\\\b[1]\\");
    EXPECT_EQ(ntool::vhdl_key("AbC"), ntool::vhdl_key("abc"));
    EXPECT_NE(ntool::vhdl_key("a+b"), ntool::vhdl_key("A+B"));
    ntool::Scope s(&ntool::vhdl_key);
    EXPECT_EQ(s.fresh("Data"), "Data");
    EXPECT_EQ(s.fresh("DATA"), "DATA_1");
    EXPECT_FALSE(s.take_held("data_1"));
    // Names held by their owner and names copied in meet in one set.
    const std::string held = "n1", other = "n1_1";
    ntool::Scope v;
    v.reserve(3);
    EXPECT_TRUE(v.take_held(held));
    EXPECT_FALSE(v.take("n1"));
    EXPECT_EQ(v.fresh("n1"), "n1_1");
    EXPECT_FALSE(v.take_held(other));
    EXPECT_EQ(v.fresh(held), "n1_2");
}

// Many names taken at once on several threads: all of them when all are
// free and distinct; none, and the scope as it was, when one of them is
// taken already or two are equal.
TEST(NameRules, ManyNamesAreTakenAtOnceOrNotAtAll) {
    std::vector<std::string> names;
    for (int i = 0; i < 200000; ++i) names.push_back("n" + std::to_string(i));
    const auto name_of = [&](std::size_t k) -> std::string_view { return names[k]; };
    struct Case {
        const char* what;
        std::size_t dup_at;  // where a name repeats "n7" or the port "p", npos for none
        const char* dup;
    };
    for (const Case& c : {Case{"distinct", std::string::npos, ""}, Case{"twice", 150000, "n7"},
                          Case{"taken before", 99999, "p"}}) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> list = names;
        if (c.dup_at != std::string::npos) list[c.dup_at] = c.dup;
        ntool::Scope s;
        s.reserve(list.size() + 1);
        EXPECT_TRUE(s.take("p"));
        const bool all = s.take_all_held(list.size(), [&](std::size_t k) -> std::string_view { return list[k]; }, 8);
        EXPECT_EQ(all, c.dup_at == std::string::npos);
        EXPECT_FALSE(s.free("p"));
        EXPECT_EQ(s.free("n0"), !all);
        EXPECT_EQ(s.free("n199999"), !all);
        EXPECT_EQ(s.fresh("p"), "p_1");
        // After a refusal the names are taken one by one as before.
        if (!all) {
            for (std::size_t k = 0; k < 1000; ++k) EXPECT_EQ(s.fresh(list[k]), list[k]);
        }
    }
    ntool::Scope vhdl(&ntool::vhdl_key);  // names with a key are taken one by one
    EXPECT_FALSE(vhdl.take_all_held(names.size(), name_of, 8));
    EXPECT_TRUE(vhdl.free("n0"));
}

// A module large enough that its wires and instances are named on
// several threads keeps every free name, and an instance whose name a
// wire has taken still gives way to it.
TEST_F(ToolInput, ALargeModuleKeepsItsNamesAndRenamesAClash) {
    for (const bool clash : {false, true}) {
        SCOPED_TRACE(clash ? "an instance named like a wire" : "all names distinct");
        std::string v = "module top (a, z);\n  input a; output z;\n";
        constexpr int kGates = 40000;
        for (int i = 0; i < kGates; ++i) v += "  wire n" + std::to_string(i) + ";\n";
        for (int i = 0; i < kGates; ++i) {
            const std::string in = i ? "n" + std::to_string(i - 1) : std::string("a");
            const std::string name = clash && i == 7 ? "n7" : "g" + std::to_string(i);
            v += "  AN2 " + name + " (.A(" + in + "), .B(a), .Z(n" + std::to_string(i) + "));\n";
        }
        v += "  assign z = n" + std::to_string(kGates - 1) + ";\nendmodule\n";
        tmp_.write("big.v", v);
        ok("tessick", {"-lib", "lib.v", "big.v", "-opath", "out"}, dir());
        ok("quarnel", {"-verilog", "-o", "big_out.v", "out/top"}, dir());
        const std::string out = read_file(dir() / "big_out.v");
        EXPECT_NE(out.find("  wire n7;\n"), std::string::npos);
        EXPECT_NE(out.find("  AN2 g8 ("), std::string::npos);
        EXPECT_NE(out.find("  AN2 g39999 ("), std::string::npos);
        EXPECT_EQ(out.find("  AN2 n7_1 (") != std::string::npos, clash);
        EXPECT_EQ(out.find("  AN2 g7 (") != std::string::npos, !clash);
        EXPECT_EQ(out.find("n7_1;"), std::string::npos);  // the wire keeps its name
    }
}

// In a module large enough that its wires are named on several threads,
// a wire whose name needs escaping is declared and connected escaped, a
// long name whole, and a bus bit as a bit, in Verilog and VHDL; an output
// cut short by a full disk is reported and leaves no file.
TEST_F(ToolInput, ALargeModuleWritesEscapedAndLongWireNames) {
    constexpr int kGates = 40000;
    auto net = [](int i) {
        if (i % 7 == 3) return "\\odd.n" + std::to_string(i) + " ";
        if (i % 11 == 5) return "a_rather_long_wire_name_" + std::to_string(i);
        return "n" + std::to_string(i);
    };
    std::string v = "module top (a, z);\n  input a; output z;\n  wire [7:0] w;\n";
    for (int i = 0; i < kGates; ++i) v += "  wire " + net(i) + ";\n";
    for (int i = 0; i < kGates; ++i) {
        const std::string b = i % 5 == 0 ? "w[" + std::to_string(i % 8) + "]" : std::string("a");
        v += "  AN2 g" + std::to_string(i) + " (.A(" + (i ? net(i - 1) : std::string("a")) + "), .B(" + b +
             "), .Z(" + net(i) + "));\n";
    }
    for (int k = 0; k < 8; ++k) v += "  BUF b" + std::to_string(k) + " (.A(a), .Y(w[" + std::to_string(k) + "]));\n";
    v += "  assign z = " + net(kGates - 1) + ";\nendmodule\n";
    tmp_.write("big.v", v);
    ok("tessick", {"-lib", "lib.v", "big.v", "-opath", "out"}, dir());

    ok("quarnel", {"-verilog", "-o", "big_out.v", "out/top"}, dir());
    const std::string out = read_file(dir() / "big_out.v");
    for (const char* text : {"  wire [7:0] w;\n  wire n0;\n", "  wire \\odd.n3 ;\n  wire n4;\n  wire a_rather_long_wire_name_5;\n",
                             "  AN2 g4 (\n    .A(\\odd.n3 ),", "  AN2 g6 (\n    .A(a_rather_long_wire_name_5),",
                             "  AN2 g5 (\n    .A(n4),\n    .B(w[5]),", "  AN2 g39999 (\n    .A(n39998),\n    .B(a),\n    .Z(z));\n"})
        EXPECT_NE(out.find(text), std::string::npos) << text;

    ok("quarnel", {"-vhdl", "-o", "big_out.vhd", "out/top"}, dir());
    const std::string vhd = read_file(dir() / "big_out.vhd");
    for (const char* text : {"  signal \\odd.n3\\ : std_logic;\n  signal n4 : std_logic;\n",
                             "      A => \\odd.n3\\,\n", "      A => a_rather_long_wire_name_5,\n"})
        EXPECT_NE(vhd.find(text), std::string::npos) << text;

    fs::remove(dir() / "big_out.v");
    testsupport::FileSizeLimit limit(out.size() / 2);
    ASSERT_TRUE(limit.ok());
    const auto r = run_tool("quarnel", {"-verilog", "-o", "big_out.v", "out/top"}, dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write 'big_out.v': File too large"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir() / "big_out.v"));
}

// Flattening a design of 200,000 cells under two levels of hierarchy
// takes seconds; quadratic work would take hours.
TEST_F(ToolInput, FlatteningAManyLevelDesignIsFast) {
    std::string v = "module leaf (a, z);\n  input a; output z;\n  wire [19:0] n;\n";
    for (int i = 0; i < 20; ++i)
        v += "  AN2 g" + std::to_string(i) + " (.A(" + (i ? "n[" + std::to_string(i - 1) + "]" : std::string("a")) +
             "), .B(a), .Z(n[" + std::to_string(i) + "]));\n";
    v += "  assign z = n[19];\nendmodule\n";
    v += "module mid (a, z);\n  input a; output z;\n  wire [100:0] c;\n  assign c[0] = a;\n";
    for (int i = 0; i < 100; ++i)
        v += "  leaf l" + std::to_string(i) + " (.a(c[" + std::to_string(i) + "]), .z(c[" + std::to_string(i + 1) +
             "]));\n";
    v += "  assign z = c[100];\nendmodule\n";
    v += "module top (a, z);\n  input a; output z;\n  wire [100:0] c;\n  assign c[0] = a;\n";
    for (int i = 0; i < 100; ++i)
        v += "  mid m" + std::to_string(i) + " (.a(c[" + std::to_string(i) + "]), .z(c[" + std::to_string(i + 1) +
             "]));\n";
    v += "  assign z = c[100];\nendmodule\n";
    tmp_.write("big.v", v);
    ok("tessick", {"-lib", "lib.v", "big.v", "-opath", "out"}, dir());
    const auto t0 = std::chrono::steady_clock::now();
    const auto r = run_tool("drumway", {"-cellonly", "out/top"}, dir());
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Wrote top.c.sdb: 200000 cell instances"), std::string::npos) << r.out;
    EXPECT_LT(s, 60.0);
    const auto dump = run_tool("sdbdump", {"top.c"}, dir());
    EXPECT_NE(dump.out.find("inst m99.l99.g19 AN2 A=m99.l99.n[18] B=m99.c[99] Z=z\n"), std::string::npos);
}

// A master design whose prefix entry names another object as its owner
// (one byte changed) is refused when it is opened: the tool reports it
// with its own message and log and ends with status 1, instead of the
// run ending inside a name look-up.
TEST_F(ToolInput, ADamagedMasterDesignIsRefusedAtOpen) {
    tmp_.write("net.v",
               "module sub (a, z); input a; output z; AN2 g (.A(a), .B(a), .Z(z)); endmodule\n"
               "module top (a, z);\n  input a; output z;\n  sub s (.a(a), .z(z));\nendmodule\n");
    ok("tessick", {"-lib", "lib.v", "net.v", "-opath", "out"}, dir());
    ok("drumway", {"-cellonly", "out/top", "-opath", "out"}, dir());
    std::string good = read_file(dir() / "out/top.c.sdb");
    tmp_.write("user.v", "module user (a, z); input a; output z; blk b (.a(a), .z(z)); endmodule\n");

    // The flattened design as the master blk: its names are hierarchical.
    tmp_.write("out/blk.sdb", good);
    ok("tessick", {"-lib", "lib.v", "user.v", "-opath", "out"}, dir());

    std::string bad = good;
    const int pref = SDB_PREF;
    const std::size_t count = sdbtest::get32(bad, sdbtest::slot_word(pref, 1));
    bool damaged = false;
    for (std::size_t i = 0; i < count && !damaged; ++i) {
        const std::size_t at = sdbtest::record_word(bad, pref, static_cast<int>(i), 2);
        const std::uint32_t owner = sdbtest::get32(bad, at);
        if (static_cast<std::int32_t>(owner) >= 0 && (owner & SDB_OWNER_OBJECT)) {
            bad[at] = static_cast<char>(bad[at] ^ 1);
            damaged = true;
        }
    }
    ASSERT_TRUE(damaged) << "no prefix entry names an object";
    tmp_.write("out/blk.sdb", bad);
    fs::remove(dir() / "out/user.sdb");
    fs::remove(dir() / "lib.tessick.log");
    const auto r = run_tool("tessick", {"-lib", "lib.v", "user.v", "-opath", "out"}, dir());
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("(FA-01-0006) The sdb file 'out/blk.sdb' is corrupted"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("FA-02-0020"), std::string::npos) << r.out;
    const std::string want = "user.v:1: error: cannot open design database 'out/blk.sdb': Design database is corrupted";
    EXPECT_NE(r.err.find(want), std::string::npos) << r.err;
    EXPECT_NE(read_file(dir() / "lib.tessick.log").find(want), std::string::npos);
    EXPECT_FALSE(fs::exists(dir() / "out/user.sdb"));

    // The tools that read a design refuse it the same way.
    for (const char* tool : {"sdbdump", "drumway"}) {
        const auto d = run_tool(tool, tool == std::string("sdbdump") ? std::vector<std::string>{"out/blk"}
                                                                      : std::vector<std::string>{"-cellonly", "out/blk"},
                                dir());
        EXPECT_EQ(d.status, 1) << tool << d.out << d.err;
        EXPECT_NE(d.err.find("Design database is corrupted"), std::string::npos) << tool << ": " << d.err;
    }
}

}  // namespace
