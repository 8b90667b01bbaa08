// Reader of structural Verilog: accepted netlists against the model,
// rejected ones against their exact messages, library cells, and speed.

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "support/testsupport.h"
#include "tools/verilog/lexer.h"
#include "tools/verilog/netlist.h"

namespace {

using vlog::Conn;
using vlog::Design;
using vlog::Module;

std::string conn_text(const Design& d, const Module& m, Conn c) {
    if (c == vlog::kOpen) return "-";
    if (c == vlog::kConst0) return "0";
    if (c == vlog::kConst1) return "1";
    if (c == vlog::kConstX) return "x";
    if (c == vlog::kConstZ) return "z";
    return std::string(d.names.str(m.nets[c].name));
}

const char* dir_text(vlog::Dir dir) {
    switch (dir) {
        case vlog::Dir::Input: return "input";
        case vlog::Dir::Output: return "output";
        case vlog::Dir::Inout: return "inout";
    }
    return "?";
}

// One line per port, instance and assigned bit; bits of a pin or port are
// listed msb first and joined by commas.  Nets of a kind other than wire
// get a line of their own.
std::string dump(const Design& d, const Module& m) {
    std::string s = "module " + std::string(d.names.str(m.name)) + (m.is_cell ? " cell" : "") + "\n";
    for (const vlog::Port& p : m.ports) {
        s += "port " + std::string(dir_text(p.dir)) + " " + std::string(d.names.str(p.name));
        if (p.is_bus) s += "[" + std::to_string(p.msb) + ":" + std::to_string(p.lsb) + "]";
        s += ":";
        const char* sep = " ";
        for (std::uint32_t n : m.port_nets(p)) {
            s += sep + conn_text(d, m, static_cast<Conn>(n));
            sep = ",";
        }
        s += "\n";
    }
    for (const vlog::Net& n : m.nets) {
        if (n.kind == vlog::NetKind::Supply0) s += "supply0 " + std::string(d.names.str(n.name)) + "\n";
        if (n.kind == vlog::NetKind::Supply1) s += "supply1 " + std::string(d.names.str(n.name)) + "\n";
        if (n.kind == vlog::NetKind::Tri) s += "tri " + std::string(d.names.str(n.name)) + "\n";
    }
    for (const vlog::Instance& i : m.instances) {
        s += "inst " + std::string(d.names.str(i.name)) + " " + std::string(d.names.str(i.master));
        if (i.master_index < 0) s += "?";
        s += ":";
        for (const vlog::Pin& p : d.instance_pins(m, i)) {
            s += " " + (p.name == vlog::kNoId ? std::string("#") : std::string(d.names.str(p.name))) + "=";
            if (p.width == 0) s += "()";
            const char* sep = "";
            for (Conn c : m.pin_conns(p)) {
                s += sep + conn_text(d, m, c);
                sep = ",";
            }
        }
        s += "\n";
    }
    for (const vlog::Assign& a : m.assigns) {
        s += "assign " + conn_text(d, m, a.lhs) + " = " + conn_text(d, m, a.rhs) + "\n";
    }
    return s;
}

const char* const kCells = R"(
module AN2 (A, B, Z); input A, B; output Z; endmodule
module INV (A, Z); input A; output Z; endmodule
module REG4 (input [3:0] D, input CK, output [3:0] Q); endmodule
)";

struct Accepted {
    const char* name;
    const char* text;
    const char* module;  // the module to dump
    const char* want;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.name; }

class ReaderAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(ReaderAccepts, BuildsTheModel) {
    const Accepted& c = GetParam();
    Design d;
    d.read_text(kCells, "cells.v", true);
    d.read_text(c.text, "t.v", false);
    d.link();
    const int mi = d.find_module(c.module);
    ASSERT_GE(mi, 0);
    EXPECT_EQ(dump(d, d.modules[mi]), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReaderAccepts,
    ::testing::Values(Accepted{"AnsiNamedSelectsConcatConstants",
                               R"(module top (input [3:0] a, input ck, output [0:3] q, output y);
  wire [3:0] w;
  REG4 r (.D({a[1:0], w[3], 1'b1}), .CK(ck), .Q(q));
  AN2 g (.A(a[3]), .B(1'b0), .Z(y));
endmodule)",
                               "top",
                               "module top\n"
                               "port input a[3:0]: a[3],a[2],a[1],a[0]\n"
                               "port input ck: ck\n"
                               "port output q[0:3]: q[0],q[1],q[2],q[3]\n"
                               "port output y: y\n"
                               "inst r REG4: D=a[1],a[0],w[3],1 CK=ck Q=q[0],q[1],q[2],q[3]\n"
                               "inst g AN2: A=a[3] B=0 Z=y\n"},
                      Accepted{"NonAnsiWithRedeclaredWiresAttributesEscapes",
                               R"(/* made by a synthesis tool */
(* top = 1 *)
module \top$1 (clk, q);
  (* src = "c.v:1" *) input clk;
  wire clk;
  output [1:0] q;
  wire [1:0] q;
  wire \n*1 ;
  INV \u[0]  /* comment */ (.A(q[0]), .Z(\n*1 ));
  (* keep *) AN2 \u[1]  (.A(q[1]), .B(clk), .Z(q[1])); // a comment
endmodule)",
                               "top$1",
                               "module top$1\n"
                               "port input clk: clk\n"
                               "port output q[1:0]: q[1],q[0]\n"
                               "inst u[0] INV: A=q[0] Z=n*1\n"
                               "inst u[1] AN2: A=q[1] B=clk Z=q[1]\n"},
                      Accepted{"OrderedConnectionsToAModuleDefinedLater",
                               R"(module top (a, b, y);
  input a, b; output y;
  sub s1 (a, b, y);
  sub s2 (y, , );
  sub s3 ();
endmodule
module sub (input i, input j, output o);
  AN2 g (i, j, o);
endmodule)",
                               "top",
                               "module top\n"
                               "port input a: a\n"
                               "port input b: b\n"
                               "port output y: y\n"
                               "inst s1 sub: i=a j=b o=y\n"
                               "inst s2 sub: i=y j=- o=-\n"
                               "inst s3 sub: i=- j=- o=-\n"},
                      Accepted{"UnconnectedAndLeftOutPorts",
                               R"(module top (input [3:0] d);
  REG4 r (.Q(), .D(d));
endmodule)",
                               "top",
                               "module top\n"
                               "port input d[3:0]: d[3],d[2],d[1],d[0]\n"
                               "inst r REG4: D=d[3],d[2],d[1],d[0] CK=- Q=-,-,-,-\n"},
                      Accepted{"MultiBitConstantsBitByBit",
                               R"(module top ();
  REG4 r1 (.D(4'b0101), .CK(1'b1), .Q());
  REG4 r2 (.D(4'hA), .CK(1'd0), .Q());
  REG4 r3 (.D({2'h3, 2'b1}), .CK(1'B1), .Q());
  REG4 r4 (.D(4'd9), .CK(1'b0), .Q());
  REG4 r5 (.D(4'o17), .CK(1'b1), .Q());
  REG4 r6 (.D(4'b1_0_0_0), .CK(1 'b 1), .Q());
endmodule)",
                               "top",
                               "module top\n"
                               "inst r1 REG4: D=0,1,0,1 CK=1 Q=-,-,-,-\n"
                               "inst r2 REG4: D=1,0,1,0 CK=0 Q=-,-,-,-\n"
                               "inst r3 REG4: D=1,1,0,1 CK=1 Q=-,-,-,-\n"
                               "inst r4 REG4: D=1,0,0,1 CK=0 Q=-,-,-,-\n"
                               "inst r5 REG4: D=1,1,1,1 CK=1 Q=-,-,-,-\n"
                               "inst r6 REG4: D=1,0,0,0 CK=1 Q=-,-,-,-\n"},
                      Accepted{"AssignsBitByBit",
                               R"(module top (input [3:0] a, output [3:0] y, output z, output [1:0] k);
  assign y = {a[0], a[3:1]}, z = a[2];
  assign k[1] = 1'b1;
  assign {k[0]} = z;
endmodule)",
                               "top",
                               "module top\n"
                               "port input a[3:0]: a[3],a[2],a[1],a[0]\n"
                               "port output y[3:0]: y[3],y[2],y[1],y[0]\n"
                               "port output z: z\n"
                               "port output k[1:0]: k[1],k[0]\n"
                               "assign y[3] = a[0]\n"
                               "assign y[2] = a[3]\n"
                               "assign y[1] = a[2]\n"
                               "assign y[0] = a[1]\n"
                               "assign z = a[2]\n"
                               "assign k[1] = 1\n"
                               "assign k[0] = z\n"},
                      Accepted{"DirectivesCommentsParametersAndMultipleInstances",
                               "`timescale 1ns / 1ps\n"
                               "`resetall\n"
                               "`celldefine\n"
                               "module top (a, y); // ports\n"
                               "  input a; output y;\n"
                               "  /* two instances\n     in one statement */\n"
                               "  INV #() i1 (.A(a), .Z(n1)), i2 (.A(n1), .Z(y));\n"
                               "endmodule\n"
                               "`endcelldefine\n",
                               "top",
                               "module top\n"
                               "port input a: a\n"
                               "port output y: y\n"
                               "inst i1 INV: A=a Z=n1\n"
                               "inst i2 INV: A=n1 Z=y\n"},
                      // x and z bits drive nothing; the leftmost x or z digit
                      // fills the bits left of it.
                      Accepted{"XAndZConstants",
                               R"(module top (output [3:0] y, output u, output v);
  REG4 r1 (.D(4'b01xz), .CK(1'bx), .Q(y));
  REG4 r2 (.D(4'hx), .CK(1'dz), .Q());
  REG4 r3 (.D(4'bz1), .CK(1'b?), .Q());
  REG4 r4 (.D(4'bx_0), .CK(1'dX), .Q());
  assign u = 1'hx, v = 1'bz;
endmodule)",
                               "top",
                               "module top\n"
                               "port output y[3:0]: y[3],y[2],y[1],y[0]\n"
                               "port output u: u\n"
                               "port output v: v\n"
                               "inst r1 REG4: D=0,1,x,z CK=x Q=y[3],y[2],y[1],y[0]\n"
                               "inst r2 REG4: D=x,x,x,x CK=z Q=-,-,-,-\n"
                               "inst r3 REG4: D=z,z,z,1 CK=z Q=-,-,-,-\n"
                               "inst r4 REG4: D=x,x,x,0 CK=x Q=-,-,-,-\n"
                               "assign u = x\n"
                               "assign v = z\n"},
                      Accepted{"SupplyAndTriNetsAndUnknownMasters",
                               R"(module top (inout [1:0] pad);
  supply0 gnd;
  supply1 vdd;
  tri [0:1] t;
  BLACKBOX b (.P(pad), .G(gnd), .V(vdd), .T(t[1]), .N());
endmodule)",
                               "top",
                               "module top\n"
                               "port inout pad[1:0]: pad[1],pad[0]\n"
                               "supply0 gnd\n"
                               "supply1 vdd\n"
                               "tri t[0]\n"
                               "tri t[1]\n"
                               "inst b BLACKBOX?: P=pad[1],pad[0] G=gnd V=vdd T=t[1] N=()\n"},
                      Accepted{"CrLfLineEnds",
                               "module top (a);\r\n  input a;\r\n  INV \\i1\r\n (.A(a), .Z());\r\nendmodule\r\n", "top",
                               "module top\nport input a: a\ninst i1 INV: A=a Z=-\n"},
                      Accepted{"EscapedKeywordsAndPortsDeclaredWithNetType",
                               R"(module top (\module , \wire );
  input wire \module ;
  output \wire ;
  INV \input  (.A(\module ), .Z(\wire ));
endmodule)",
                               "top",
                               "module top\n"
                               "port input module: module\n"
                               "port output wire: wire\n"
                               "inst input INV: A=module Z=wire\n"},
                      // A net declared or used before its port declaration
                      // is the port's net, and keeps its kind.
                      Accepted{"NetsDeclaredOrUsedBeforeTheirPorts",
                               R"(module top (a, b, c, y);
  supply1 c;
  wire a;
  INV i1 (.A(b), .Z(n));
  supply0 n;
  AN2 g (.A(a), .B(c), .Z(y));
  input a, b, c;
  output y;
  wire y;
endmodule)",
                               "top",
                               "module top\n"
                               "port input a: a\n"
                               "port input b: b\n"
                               "port input c: c\n"
                               "port output y: y\n"
                               "supply1 c\n"
                               "supply0 n\n"
                               "inst i1 INV: A=b Z=n\n"
                               "inst g AN2: A=a B=c Z=y\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Reader, HierarchyIsKeptAndTopFound) {
    Design d;
    d.read_text(kCells, "cells.v", true);
    d.read_text(R"(
module mid (input a, output y); INV i (.A(a), .Z(y)); endmodule
module top (input a, output y); wire n; mid m1 (a, n); mid m2 (.a(n), .y(y)); endmodule
)",
                "t.v", false);
    d.link();
    const int top = d.find_module("top"), mid = d.find_module("mid");
    const int inv = d.find_module("INV");
    ASSERT_GE(top, 0);
    ASSERT_GE(mid, 0);
    EXPECT_TRUE(d.modules[inv].is_cell);
    EXPECT_FALSE(d.modules[top].is_cell);
    for (const vlog::Instance& i : d.modules[top].instances) EXPECT_EQ(i.master_index, mid);
    EXPECT_EQ(d.modules[mid].instances[0].master_index, inv);
    // The cells no module uses are tops as well.
    std::vector<int> tops = d.top_modules();
    EXPECT_EQ(tops, (std::vector<int>{d.find_module("AN2"), d.find_module("REG4"), top}));
    // Nets are shared between the instances, not copied.
    const Module& t = d.modules[top];
    const vlog::Pin out1 = d.instance_pins(t, t.instances[0])[1];
    const vlog::Pin in2 = d.instance_pins(t, t.instances[1])[0];
    EXPECT_EQ(t.pin_conns(out1)[0], t.pin_conns(in2)[0]);
    EXPECT_EQ(t.nets.size(), 3u);
    EXPECT_EQ(d.modules[top].file, 1u);
    EXPECT_EQ(d.files[1], "t.v");
}

struct Rejected {
    const char* name;
    bool library;
    const char* text;
    const char* want;
};

const std::string kNested =
    "module m;\n  INV i (.A(" + std::string(300, '{') + "a" + std::string(300, '}') + "));\nendmodule\n";
const std::string kDeepExpression =
    "module m;\n  wire [" + std::string(300, '(') + "1" + std::string(300, ')') + ":0] w;\nendmodule\n";

void PrintTo(const Rejected& c, std::ostream* os) { *os << c.name; }

class ReaderRejects : public ::testing::TestWithParam<Rejected> {};

TEST_P(ReaderRejects, WithFileAndLine) {
    const Rejected& c = GetParam();
    Design d;
    d.read_text(kCells, "cells.v", true);
    try {
        d.read_text(c.text, "bad.v", c.library);
        d.link();
        FAIL() << "accepted";
    } catch (const vlog::Error& e) {
        EXPECT_EQ(std::string(e.what()), c.want);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReaderRejects,
    ::testing::Values(
        Rejected{"Always", false, "module m (input c);\n  reg q;\n  always @(posedge c) q <= 1;\nendmodule\n",
                 "bad.v:2: error: 'reg' is not allowed in a structural netlist"},
        Rejected{"Initial", false, "module m;\n\n  initial begin end\nendmodule\n",
                 "bad.v:3: error: 'initial' is not allowed in a structural netlist"},
        Rejected{"Function", false, "module m;\nfunction f; input a; f = a; endfunction\nendmodule\n",
                 "bad.v:2: error: 'function' is not allowed in a structural netlist"},
        Rejected{"GatePrimitive", false, "module m (a, y); input a; output y;\n  not (y, a);\nendmodule\n",
                 "bad.v:2: error: 'not' is not allowed in a structural netlist"},
        Rejected{"OutputRegInHeader", false, "module m (\n  output reg q);\nendmodule\n",
                 "bad.v:2: error: 'reg' is not allowed in a structural netlist"},
        Rejected{"MissingSemicolon", false, "module m (a);\n  input a\n  wire b;\nendmodule\n",
                 "bad.v:3: error: expected ';' but found 'wire'"},
        Rejected{"UnexpectedEof", false, "module m;\n  wire a;\n",
                 "bad.v:3: error: unexpected end of file in module 'm'"},
        Rejected{"MissingEndmodule", false, "module m;\nmodule n;\nendmodule\n",
                 "bad.v:2: error: unexpected 'module' in module 'm' (missing 'endmodule'?)"},
        Rejected{"StrayText", false, "wire a;\n", "bad.v:1: error: expected 'module' but found 'wire'"},
        Rejected{"UnterminatedComment", false, "module m;\n/* open\n\nendmodule\n",
                 "bad.v:2: error: unterminated comment"},
        Rejected{"UnterminatedAttribute", false, "\n(* keep\nmodule m; endmodule\n",
                 "bad.v:2: error: unterminated attribute"},
        Rejected{"UndefinedMacro", false, "`define W 4\nmodule m;\n  wire [`V:0] w;\nendmodule\n",
                 "bad.v:3: error: unknown compiler directive or undefined macro '`V'"},
        Rejected{"ElseWithoutIfdef", false, "module m;\n`else\nendmodule\n", "bad.v:2: error: `else without `ifdef"},
        Rejected{"EndifWithoutIfdef", true, "module m;\n`endif\nendmodule\n", "bad.v:2: error: `endif without `ifdef"},
        Rejected{"IfdefWithoutEndif", true, "\n`ifdef A\nmodule m; endmodule\n",
                 "bad.v:2: error: `ifdef without `endif"},
        Rejected{"TakenIfdefWithoutEndif", false, "`define A\n`ifndef B\nmodule m; endmodule\n",
                 "bad.v:2: error: `ifdef without `endif"},
        Rejected{"MacroArgumentCount", false, "`define M(a, b) a\nmodule m;\n  wire [`M(1):0] w;\nendmodule\n",
                 "bad.v:3: error: macro '`M' takes 2 arguments, not 1"},
        Rejected{"MissingIncludeFile", true, "`include \"no_such.vh\"\n",
                 "bad.v:1: error: cannot find include file 'no_such.vh' (looked for no_such.vh)"},
        Rejected{"IncludeWithoutName", true, "`include no_such.vh\n",
                 "bad.v:1: error: `include needs a file name in quotes"},
        Rejected{"MacroIncludingItself", false, "`define LOOP `LOOP\nmodule m;\n  wire [`LOOP:0] w;\nendmodule\n",
                 "bad.v:3: error: `include files or macros nested too deeply"},
        Rejected{"InstanceParameters", false,
                 "module m (input a, output y);\n  INV #(.DRIVE(2), .NAME(\"x)\"))\n    i1 (.A(a), .Z(y));\n"
                 "endmodule\n",
                 "bad.v:2: error: instance 'i1' of module 'INV' has parameters (#(...)), which a design database "
                 "cannot keep"},
        Rejected{"InstanceParametersOfUnknownMaster", false,
                 "module m (input a, output y);\n  \\$lut  #(.LUT(4'h6), .WIDTH(32'd2)) _1_ (.A(a), .Y(y));\n"
                 "endmodule\n",
                 "bad.v:2: error: instance '_1_' of module '$lut' has parameters (#(...)), which a design database "
                 "cannot keep"},
        Rejected{"EscapedScalarNamesABusBit", false,
                 "module m (input [3:0] a, output y);\n  wire \\a[3] ;\n  INV i (.A(a[3]), .Z(y));\nendmodule\n",
                 "bad.v:2: error: scalar net 'a[3]' (line 2) and bus 'a' (line 1) both name the net 'a[3]': rename "
                 "one of them"},
        Rejected{"BusNamesAnEscapedScalar", false,
                 "module m (y);\n  output y;\n  INV i (.A(\\a[1] ), .Z(y));\n  wire [1:0] a;\nendmodule\n",
                 "bad.v:4: error: scalar net 'a[1]' (line 3) and bus 'a' (line 4) both name the net 'a[1]': rename "
                 "one of them"},
        Rejected{"EscapedBusBitUsedUndeclared", false,
                 "module m (input [1:0] a, output y);\n  INV i (.A(\\a[0] ), .Z(y));\nendmodule\n",
                 "bad.v:2: error: scalar net 'a[0]' (line 2) and bus 'a' (line 1) both name the net 'a[0]': rename "
                 "one of them"},
        Rejected{"RangeOfNoConstant", true, "module c #(parameter P = \"x\") (a);\n  input [P:0] a;\nendmodule\n",
                 "bad.v:2: error: parameter 'P' has no integer value"},
        Rejected{"DeepConstantExpression", false,
                 kDeepExpression.c_str(),
                 "bad.v:2: error: constant expression nested too deeply"},
        Rejected{"RangeDividesByZero", true, "module c #(parameter P = 0) (input [4/P:0] a);\nendmodule\n",
                 "bad.v:1: error: division by zero in a constant expression"},
        Rejected{"DuplicateModule", false, "module m; endmodule\n\nmodule m; endmodule\n",
                 "bad.v:3: error: module 'm' is already defined at bad.v:1"},
        Rejected{"DuplicateOfLibraryCell", false, "module INV (A, Z);\ninput A; output Z;\nendmodule\n",
                 "bad.v:1: error: module 'INV' is already defined at cells.v:3"},
        Rejected{"PortWithoutDirection", false, "module m (a,\n  b);\n  input a;\nendmodule\n",
                 "bad.v:2: error: port 'b' of module 'm' has no direction declaration"},
        Rejected{"NotAPort", false, "module m (a);\n  input a;\n  output b;\nendmodule\n",
                 "bad.v:3: error: 'b' is not a port of module 'm'"},
        Rejected{"PortListedTwice", false, "module m (a, a);\nendmodule\n", "bad.v:1: error: port 'a' is listed twice"},
        Rejected{"PortDeclaredTwice", false, "module m (a);\n  input a;\n  output a;\nendmodule\n",
                 "bad.v:3: error: port 'a' is declared twice"},
        Rejected{"AnsiPortRedeclared", false, "module m (input a);\n  wire a;\nendmodule\n",
                 "bad.v:2: error: 'a' is already declared"},
        Rejected{"AnsiPortDeclaredInBody", false, "module m (input a);\n  input b;\nendmodule\n",
                 "bad.v:2: error: port declaration in the body of module 'm', whose header declares its ports"},
        Rejected{"WireRangeDiffersFromPort", false, "module m (a);\n  input [3:0] a;\n  wire [4:0] a;\nendmodule\n",
                 "bad.v:3: error: range of 'a' differs from its earlier declaration"},
        Rejected{"WireTwice", false, "module m;\n  wire a;\n  wire a;\nendmodule\n",
                 "bad.v:3: error: 'a' is already declared"},
        Rejected{"ImplicitThenBus", false, "module m;\n  INV i (.A(x), .Z());\n  wire [1:0] x;\nendmodule\n",
                 "bad.v:3: error: 'x' is used before its declaration as a bus"},
        Rejected{"SelectOfUndeclared", false, "module m;\n  INV i (.A(x[0]), .Z());\nendmodule\n",
                 "bad.v:2: error: 'x' is not declared"},
        Rejected{"SelectOfScalar", false, "module m;\n  wire x;\n  INV i (.A(x[0]), .Z());\nendmodule\n",
                 "bad.v:3: error: 'x' is not a bus"},
        Rejected{"SelectOfImplicitNet", false, "module m;\n  INV i (.A(x), .Z());\n  INV j (.A(x[0]), .Z());\nendmodule\n",
                 "bad.v:3: error: 'x' is not a bus"},
        Rejected{"WireThenBus", false, "module m;\n  wire x;\n  wire [1:0] x;\nendmodule\n",
                 "bad.v:3: error: 'x' is already declared"},
        Rejected{"ImplicitThenWireTwice", false,
                 "module m;\n  INV i (.A(x), .Z());\n  supply0 x;\n  wire x;\nendmodule\n",
                 "bad.v:4: error: 'x' is already declared"},
        Rejected{"WireThenPortWithNetType", false, "module m (a);\n  wire a;\n  input wire a;\nendmodule\n",
                 "bad.v:3: error: 'a' is already declared"},
        Rejected{"WireThenBusPort", false, "module m (a);\n  wire a;\n  input [1:0] a;\nendmodule\n",
                 "bad.v:3: error: range of 'a' differs from its earlier declaration"},
        Rejected{"IndexOutOfRange", false, "module m;\n  wire [3:0] x;\n  INV i (.A(x[4]), .Z());\nendmodule\n",
                 "bad.v:3: error: select [4] is out of the range [3:0] of 'x'"},
        Rejected{"PartSelectReversed", false,
                 "module m;\n  wire [3:0] x;\n  REG4 r (.D(x[0:3]), .CK(), .Q());\nendmodule\n",
                 "bad.v:3: error: part-select [0:3] runs against the range [3:0] of 'x'"},
        Rejected{"IndexedPartSelect", false, "module m;\n  wire [3:0] x;\n  INV i (.A(x[0+:1]));\nendmodule\n",
                 "bad.v:3: error: indexed part-selects are not supported"},
        Rejected{"UnsizedNumber", false, "module m;\n  INV i (.A(0), .Z());\nendmodule\n",
                 "bad.v:2: error: unsized constant '0': write a sized constant such as 1'b0"},
        Rejected{"UnsizedBased", false, "module m;\n  INV i (.A('b1), .Z());\nendmodule\n",
                 "bad.v:2: error: unsized constant ''b1': write a sized constant such as 1'b0"},
        Rejected{"XMixedIntoDecimal", false, "module m;\n  REG4 r (.D(4'd1x), .CK(), .Q());\nendmodule\n",
                 "bad.v:2: error: invalid digit 'x' in constant 4'd1x"},
        Rejected{"BadDigit", false, "module m;\n  REG4 r (.D(4'b0102), .CK(), .Q());\nendmodule\n",
                 "bad.v:2: error: invalid digit '2' in constant 4'b0102"},
        Rejected{"ZeroSize", false, "module m;\n  INV i (.A(0'b1), .Z());\nendmodule\n",
                 "bad.v:2: error: size of constant 0'b1 is out of range"},
        Rejected{"HugeConstant", false, "module m;\n  INV i (.A(99999999999'b1), .Z());\nendmodule\n",
                 "bad.v:2: error: size of constant 99999999999'b1 is out of range"},
        Rejected{"HugeRange", false, "module m;\n  wire [2000000000:0] w;\nendmodule\n",
                 "bad.v:2: error: range [2000000000:0] is too wide"},
        Rejected{"WideBusesInAShortText", false,
                 "module m;\n  wire [524287:0] a,\n b, c;\nendmodule\n",
                 "bad.v:3: error: too many nets and connection bits for the size of the text"},
        Rejected{"WideConstantsInAShortText", false,
                 "module m;\n  s i ({1048575'b0,\n 1048575'b0});\nendmodule\n",
                 "bad.v:3: error: too many nets and connection bits for the size of the text"},
        Rejected{"Replication", false, "module m;\n  REG4 r (.D({4{1'b0}}), .CK(), .Q());\nendmodule\n",
                 "bad.v:2: error: replications are not supported"},
        Rejected{"Operator", false, "module m (input a, b, output y);\n  assign y = a &\n b;\nendmodule\n",
                 "bad.v:2: error: unsupported expression: only nets, bit- and part-selects, concatenations and "
                 "sized constants are allowed"},
        Rejected{"UnaryOperator", false, "module m (input a, output y);\n  assign y = ~a;\nendmodule\n",
                 "bad.v:2: error: unsupported expression: only nets, bit- and part-selects, concatenations and "
                 "sized constants are allowed"},
        Rejected{"AssignWidth", false, "module m (input [1:0] a, output y);\n  assign y =\n a;\nendmodule\n",
                 "bad.v:2: error: width mismatch in assignment: 1 bit on the left, 2 on the right"},
        Rejected{"AssignToConstant", false, "module m (input a);\n  assign 1'b0 = a;\nendmodule\n",
                 "bad.v:2: error: constant on the left side of an assignment"},
        Rejected{"DuplicateInstance", false, "module m;\n  INV i (.A(a));\n  INV i (.A(b));\nendmodule\n",
                 "bad.v:3: error: instance 'i' is already defined in module 'm'"},
        Rejected{"InstanceArray", false, "module m;\n  INV i [1:0] (.A(a));\nendmodule\n",
                 "bad.v:2: error: instance arrays are not supported"},
        Rejected{"MixedConnections", false, "module m;\n  AN2 g (.A(a), b, .Z(z));\nendmodule\n",
                 "bad.v:2: error: mixed named and ordered connections in instance 'g'"},
        Rejected{"MixedConnectionsOrderedFirst", false, "module m;\n  AN2 g (a, .B(b));\nendmodule\n",
                 "bad.v:2: error: mixed named and ordered connections in instance 'g'"},
        Rejected{"UnknownPin", false, "module m;\n\n  AN2 g (.A(a), .C(c));\nendmodule\n",
                 "bad.v:3: error: module 'AN2' has no port 'C'"},
        Rejected{"PinTwice", false, "module m;\n  AN2 g (.A(a),\n .A(c));\nendmodule\n",
                 "bad.v:3: error: port 'A' of instance 'g' is connected twice"},
        Rejected{"PinTwiceOnLaterModule", false,
                 "module m;\n  s g (.A(a),\n .A(c));\nendmodule\nmodule s (input A); endmodule\n",
                 "bad.v:2: error: port 'A' of instance 'g' is connected twice"},
        Rejected{"PinTwiceOnUnknownMaster", false, "module m;\n  FOO g (.A(a), .A(c));\nendmodule\n",
                 "bad.v:2: error: port 'A' of instance 'g' is connected twice"},
        Rejected{"NamedWidth", false, "module m (input [1:0] a);\n  INV i (.A(a), .Z());\nendmodule\n",
                 "bad.v:2: error: width mismatch on port 'A' of instance 'i' (module 'INV'): the port has 1 bit, "
                 "the connection 2"},
        Rejected{"OrderedWidth", false, "module m (input [2:0] d);\n  REG4 r (d, c, q);\nendmodule\n",
                 "bad.v:2: error: width mismatch on port 'D' of instance 'r' (module 'REG4'): the port has 4 bits, "
                 "the connection 3"},
        Rejected{"TooManyOrdered", false, "module m;\n  INV i (a, b, c);\nendmodule\n",
                 "bad.v:2: error: too many connections to module 'INV' (2 ports)"},
        Rejected{"TooManyOrderedToLaterModule", false,
                 "module m;\n  s i (a, b);\nendmodule\nmodule s (input A); endmodule\n",
                 "bad.v:2: error: too many connections to module 's' (1 port)"},
        Rejected{"WidthOnLaterModule", false,
                 "module m;\n  wire [1:0] w;\n  s i (.B(w[0]), .A(w));\nendmodule\nmodule s (input A, B); endmodule\n",
                 "bad.v:3: error: width mismatch on port 'A' of instance 'i' (module 's'): the port has 1 bit, "
                 "the connection 2"},
        Rejected{"UnknownPinOnLaterModule", false,
                 "module m;\n  s i (.B(a));\nendmodule\nmodule s (input A); endmodule\n",
                 "bad.v:2: error: module 's' has no port 'B'"},
        Rejected{"OrderedToUnknown", false, "module m;\n  FOO f (a, b);\nendmodule\n",
                 "bad.v:2: error: ordered connections to unknown module 'FOO'"},
        Rejected{"SelfInstance", false, "module m (input a);\n  m inner (.a(a));\nendmodule\n",
                 "bad.v:2: error: module 'm' instantiates itself (through instance 'inner')"},
        Rejected{"MutualInstances", false, "module a1;\n  b1 x ();\nendmodule\nmodule b1;\n  a1 y ();\nendmodule\n",
                 "bad.v:5: error: module 'a1' instantiates itself (through instance 'y')"},
        Rejected{"NestedConcatenations", false, kNested.c_str(), "bad.v:2: error: concatenations nested too deeply"},
        Rejected{"EmptyEscape", false, "module m;\n  wire \\ x;\nendmodule\n",
                 "bad.v:2: error: empty escaped identifier"},
        Rejected{"UnterminatedString", false, "module m;\n  INV #(.S(\"abc)) i ();\nendmodule\n",
                 "bad.v:2: error: unterminated string"},
        Rejected{"UnterminatedParameters", false, "module m;\n  INV #(.S(1) i ();\nendmodule\n",
                 "bad.v:4: error: unexpected end of file in a parameter list"},
        Rejected{"NetDeclarationAssignment", false, "module m (input a);\n  wire b = a;\nendmodule\n",
                 "bad.v:2: error: net declaration assignments are not supported; use 'assign'"},
        Rejected{"ControlByte", false, "module m;\n  \x01\nendmodule\n", "bad.v:2: error: unexpected byte 0x01"},
        Rejected{"LibraryPortWithoutDirection", true, "module c (a, b);\n  input a;\n  always @(a) ;\nendmodule\n",
                 "bad.v:1: error: port 'b' of module 'c' has no direction declaration"},
        Rejected{"LibraryUnterminatedBody", true, "module c (input a);\n  always @(a) begin\n  end\n",
                 "bad.v:4: error: unexpected end of file in module 'c'"},
        Rejected{"LibraryParameterizedRange", true, "module c (a);\n  input [W-1:0] a;\nendmodule\n",
                 "bad.v:2: error: 'W' is not a parameter of module 'c'"}),
    [](const auto& info) { return std::string(info.param.name); });

// Behavioural cell models and a port-only module read as library cells:
// only their ports count, whatever the body holds.
TEST(Reader, LibraryModeSkipsBehaviouralBodies) {
    const char* lib = R"(`timescale 1ns/10ps
`celldefine
module DFF (D, CK, Q, QN);
  input D, CK;
  output Q, QN;
  reg q;
  `ifdef FAST
  `define DELAY #1
  `endif
  function inv;
    input x;
    inv = ~x;
  endfunction
  task show; input [7:0] v; $display("endmodule %d", v); endtask
  always @(posedge CK) q <= D;
  assign Q = q, QN = inv(q);
  specify
    (CK => Q) = (0.1, 0.2);
  endspecify
endmodule
`endcelldefine
primitive udp_mux (o, a, b, s);
  output o; input a, b, s;
  table
    0 ? 0 : 0;
    (01) ? 1 : 1;
  endtable
endprimitive
module qdx_tap ( TMS,
                 TDI, TCK, TDO, EN );
        output TDO;
        output[3:0] EN;

        input TMS;
        input TDI;
        input TCK;

endmodule
module LATCH (input wire G, input [1:0] D, output reg [1:0] Q);
  always @(*) if (G) Q = D;
endmodule
)";
    Design d;
    d.read_text(lib, "lib.v", true);
    d.read_text(R"(module top (input tms, tdi, tck, d, ck, output tdo, q, output [3:0] en);
  qdx_tap tap (tms, tdi, tck, tdo, en);
  DFF r (d, ck, q, );
  LATCH l (.G(ck), .D({d, d}), .Q());
endmodule
)",
                "top.v", false);
    d.link();
    EXPECT_EQ(dump(d, d.modules[d.find_module("DFF")]),
              "module DFF cell\nport input D: D\nport input CK: CK\nport output Q: Q\nport output QN: QN\n");
    EXPECT_EQ(dump(d, d.modules[d.find_module("qdx_tap")]),
              "module qdx_tap cell\nport input TMS: TMS\nport input TDI: TDI\nport input TCK: TCK\n"
              "port output TDO: TDO\nport output EN[3:0]: EN[3],EN[2],EN[1],EN[0]\n");
    EXPECT_EQ(dump(d, d.modules[d.find_module("LATCH")]),
              "module LATCH cell\nport input G: G\nport input D[1:0]: D[1],D[0]\nport output Q[1:0]: Q[1],Q[0]\n");
    EXPECT_EQ(d.find_module("udp_mux"), -1);
    for (const Module& m : d.modules) {
        if (m.is_cell) {
            EXPECT_TRUE(m.instances.empty());
            EXPECT_TRUE(m.assigns.empty());
        }
    }
    EXPECT_EQ(dump(d, d.modules[d.find_module("top")]),
              "module top\n"
              "port input tms: tms\nport input tdi: tdi\nport input tck: tck\nport input d: d\nport input ck: ck\n"
              "port output tdo: tdo\nport output q: q\nport output en[3:0]: en[3],en[2],en[1],en[0]\n"
              "inst tap qdx_tap: TMS=tms TDI=tdi TCK=tck TDO=tdo EN=en[3],en[2],en[1],en[0]\n"
              "inst r DFF: D=d CK=ck Q=q QN=-\n"
              "inst l LATCH: G=ck D=d,d Q=-,-\n");
}

// A cell library as simulators ship them: compiler directives around and
// inside the cells, macros in port declarations, files included from the
// library's folder and from an include directory, and port widths from
// parameters with their defaults.
TEST(Reader, LibraryWithDirectivesAndParameterisedPorts) {
    testsupport::TempDir dir;
    dir.write("inc/widths.vh", "`define DW 4\n`define MSB(w) ((w) - 1)\n");
    dir.write("lib/local.vh", "`define HAVE_LOCAL\n\nmodule INC (a); input a; endmodule\n");
    const std::string lib = dir.write("lib/cells.v", R"(`timescale 1ns/1ps
`suppress_faults
`default_nettype none
`include "local.vh"
`include "widths.vh"
`ifdef HAVE_LOCAL
  `ifndef DW
    `define DW 99
  `elsif NOT_DEFINED
    `define DW 98
  `else
    `define TWICE 2 * \
                  `DW // the comment is no part of the text
  `endif
`else
  module WRONG (a); input a; endmodule
`endif
`define GONE
`undef GONE
`ifdef GONE
  module WRONG2 (a); input a; endmodule
`endif
module RAM #(parameter AW = 3, DW = `DW, localparam DEPTH = 1 << AW)
    (input [AW-1:0] A, input [`MSB(DW):0] D, output [$clog2(DEPTH * 4) - 1:0] Q);
  reg [DW-1:0] mem [0:DEPTH-1];
  `ifdef FAST `define DELAY #1
  `else `define DELAY #2
  `endif
  always @(A) Q <= `DELAY mem[A];
  `UNDEFINED_IN_A_BODY
endmodule
module BUFN (A, Y);
  parameter integer N = `TWICE, REAL = 1.5, INIT = 4'bx01z, NAME = "buf";
  localparam M = N > 4 ? N : 4 + N;
  input [N-1:0] A;
  output [0:M/2] Y;
  specify
    specparam tpd = 1.0;
    (A => Y) = tpd;
  endspecify
endmodule
`ifdef FAST
module FASTONLY (a); input a; endmodule
`endif
module LATE (input [WIDTH-1:0] D, output reg Q = 1'b0, input EN = 1'b1, output [0:0] R);
  parameter WIDTH = 3;
  always @(posedge EN) Q <= ^D;
endmodule
module INITIAL (Y, X);
  output reg Y = 1, X;
endmodule
)");
    Design d;
    d.include_dirs = {dir.str() + "/inc"};
    d.read_file(lib, true);
    d.link();
    EXPECT_EQ(d.find_module("WRONG"), -1);
    EXPECT_EQ(d.find_module("WRONG2"), -1);
    EXPECT_EQ(d.find_module("FASTONLY"), -1);
    ASSERT_GE(d.find_module("INC"), 0);
    const Module& inc = d.modules[d.find_module("INC")];
    EXPECT_EQ(d.where(inc, inc.line), dir.str() + "/lib/local.vh:3");
    EXPECT_EQ(d.where(d.modules[d.find_module("RAM")], 1), lib + ":1");
    ASSERT_GE(d.find_module("RAM"), 0);
    ASSERT_GE(d.find_module("BUFN"), 0);
    EXPECT_EQ(dump(d, d.modules[d.find_module("RAM")]),
              "module RAM cell\nport input A[2:0]: A[2],A[1],A[0]\nport input D[3:0]: D[3],D[2],D[1],D[0]\n"
              "port output Q[4:0]: Q[4],Q[3],Q[2],Q[1],Q[0]\n");
    EXPECT_EQ(dump(d, d.modules[d.find_module("BUFN")]),
              "module BUFN cell\nport input A[7:0]: A[7],A[6],A[5],A[4],A[3],A[2],A[1],A[0]\n"
              "port output Y[0:4]: Y[0],Y[1],Y[2],Y[3],Y[4]\n");
    // A header may use parameters that the body declares; ports may carry
    // initial or default values.
    EXPECT_EQ(dump(d, d.modules[d.find_module("LATE")]),
              "module LATE cell\nport input D[2:0]: D[2],D[1],D[0]\nport output Q: Q\nport input EN: EN\n"
              "port output R[0:0]: R[0]\n");
    EXPECT_EQ(dump(d, d.modules[d.find_module("INITIAL")]),
              "module INITIAL cell\nport output Y: Y\nport output X: X\n");
    // Macros stay defined for the next file, as in a compiler.
    d.read_text("module top (input [`DW-1:0] d);\n  RAM r (.A(d[2:0]), .D(d), .Q());\nendmodule\n", "top.v", false);
    d.link();
    EXPECT_EQ(dump(d, d.modules[d.find_module("top")]),
              "module top\nport input d[3:0]: d[3],d[2],d[1],d[0]\n"
              "inst r RAM: A=d[2],d[1],d[0] D=d[3],d[2],d[1],d[0] Q=-,-,-,-,-\n");
    // An error inside an included file names that file and its line.
    dir.write("inc/bad.vh", "\n`endif\n");
    try {
        d.read_text("`include \"bad.vh\"\n", "x.v", true);
        FAIL() << "accepted";
    } catch (const vlog::Error& e) {
        EXPECT_EQ(std::string(e.what()), dir.str() + "/inc/bad.vh:2: error: `endif without `ifdef");
    }
}

TEST(Reader, ReadsFilesAndReportsUnreadableOnes) {
    testsupport::TempDir dir;
    const std::string cells = dir.write("cells.v", kCells);
    const std::string net = dir.write("net.v", "module top;\n  INV i (.A(a), .Z(\n b[0]));\nendmodule\n");
    Design d;
    d.read_file(cells, true);
    try {
        d.read_file(net, false);
        FAIL() << "accepted";
    } catch (const vlog::Error& e) {
        EXPECT_EQ(std::string(e.what()), net + ":3: error: 'b' is not declared");
    }
    const std::string missing = dir.str() + "/none.v";
    try {
        d.read_file(missing, false);
        FAIL() << "accepted";
    } catch (const vlog::Error& e) {
        EXPECT_EQ(std::string(e.what()), missing + ": error: cannot open file: No such file or directory");
    }
    EXPECT_THROW(d.read_file(dir.str(), false), vlog::Error);
}

// Truncated and corrupted copies of a good netlist are read without a
// crash: each gives a model or an error.
TEST(Reader, DamagedInputNeverCrashes) {
    const std::string netlist = std::string(kCells) +
                                R"(module top (input [3:0] a, output y); (* k = "v" *)
  wire [1:0] w; assign w = {a[0], 1'b1};
  AN2 g (.A(a[1]), .B(w[1]), .Z(y)); INV \i$1  (a[2], );
endmodule
)";
    const std::string library = R"(`define W(n) (n) - 1
`ifdef X `define Y 2
`elsif Z
`else `define Y 3
`endif
module c #(parameter P = `Y * 2, S = "s") (input [`W(P):0] a, output reg q = 1'bx);
  localparam L = $clog2(P) ? {P, 1'b0} : (P << 1);
  always @(a) q <= ^a;
endmodule
)";
    int errors = 0;
    for (const auto& [good, library_mode] : {std::pair{netlist, false}, std::pair{library, true}}) {
        for (std::size_t cut = 0; cut < good.size(); ++cut) {
            for (const std::string& text : {good.substr(0, cut), good.substr(0, cut) + "\\" + good.substr(cut + 1),
                                            good.substr(0, cut) + "[" + good.substr(cut + 1)}) {
                Design d;
                try {
                    d.read_text(text, "x.v", library_mode);
                    d.link();
                } catch (const vlog::Error& e) {
                    ++errors;
                    EXPECT_EQ(std::string(e.what()).rfind("x.v:", 0), 0u) << e.what();
                }
            }
        }
    }
    EXPECT_GT(errors, 0);
}

// A simple name runs over letters, digits, '_' and '$' and ends at any
// other byte: every byte value, at every place of a name that reaches
// past the lexer's sixteen-byte steps, and at the end of the text.
TEST(Reader, NamesEndAtTheFirstByteOutsideThem) {
    const std::string body = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789_$";
    for (int b = 0; b < 256; ++b) {
        const bool inside = std::isalnum(b) || b == '_' || b == '$';
        for (std::size_t at : {1u, 2u, 7u, 15u, 16u, 17u, 31u, 32u, 33u, 40u}) {
            std::string text = body.substr(0, at) + static_cast<char>(b) + body.substr(at) + "  ";
            Design d;
            vlog::Lexer lx(text, d, "t.v");
            vlog::Token t;
            lx.next(t);
            ASSERT_EQ(t.kind, vlog::Tok::Ident) << b << " " << at;
            EXPECT_EQ(t.text.size(), inside ? body.size() + 1 : at) << b << " " << at;
        }
    }
    // The last bytes of a text, with nothing behind them.
    for (std::size_t n = 1; n <= 40; ++n) {
        const std::string text = " " + body.substr(0, n);
        Design d;
        vlog::Lexer lx(text, d, "t.v");
        vlog::Token t;
        lx.next(t);
        EXPECT_EQ(t.text, body.substr(0, n));
        lx.next(t);
        EXPECT_EQ(t.kind, vlog::Tok::End);
    }
}

// Names are told apart by every byte and by their length, also when they
// share their first eight bytes or differ only past them or by a NUL, and
// keep their ids as the table grows or its index is rebuilt; long names (their length stored in
// more bytes from 255 on, one longer than a block of the texts) come back whole.  Each text has a
// terminator behind it and stays where it lies when the table hands its storage over.
TEST(Reader, NameTableKeepsNamesApart) {
    vlog::NameTable t;
    std::vector<std::string> names = {"", "a", std::string("a\0", 2), std::string("a\0\0", 3), "abcdefgh",
                                      "abcdefgh1", "abcdefgh2", "abcdefghi", "abcdefgz", "abcdefg"};
    for (std::size_t n : {254u, 255u, 256u, 70000u, 1500000u}) names.push_back(std::string(n, 'x') + "\xff");
    for (int i = 0; i < 20000; ++i) names.push_back("u" + std::to_string(i) + (i % 3 ? "" : "_long_suffix"));
    std::vector<vlog::Id> ids;
    for (const std::string& n : names) ids.push_back(t.intern(n));
    // The index as grown, sized for many more names (a large table in
    // huge pages), and built again after it was given up.
    for (int step = 0; step < 3; ++step) {
        if (step == 1) t.reserve(400000);
        if (step == 2) t.release_index();
        for (std::size_t k = 0; k < names.size(); ++k) {
            EXPECT_EQ(t.intern(names[k]), ids[k]) << step << " " << k;
            EXPECT_EQ(t.find(names[k]), ids[k]) << step << " " << k;
            EXPECT_EQ(t.str(ids[k]), names[k]) << step << " " << k;
        }
    }
    EXPECT_EQ(std::set<vlog::Id>(ids.begin(), ids.end()).size(), names.size());
    EXPECT_EQ(t.find("abcdefgh3"), vlog::kNoId);
    EXPECT_EQ(t.find(std::string("\0", 1)), vlog::kNoId);
    std::vector<const char*> texts;
    for (vlog::Id id : ids) texts.push_back(t.c_str(id));
    const vlog::NameTable::TextBlocks kept = t.take_texts();
    t = vlog::NameTable();
    for (std::size_t k = 0; k < names.size(); ++k) {
        ASSERT_EQ(std::string_view(texts[k], names[k].size()), names[k]) << k;
        ASSERT_EQ(texts[k][names[k].size()], '\0') << k;
    }
}

// The reader's growable arrays keep their records as they grow, also
// when a range of the array itself is appended, and copies are apart.
TEST(Reader, PodArrayGrowsAndKeepsItsRecords) {
    vlog::PodArray<std::uint32_t> a;
    for (std::uint32_t i = 0; i < 100000; ++i) a.push_back(i);
    a.append(a.begin(), a.begin() + 50000);  // grows while reading itself
    a.append(3, 7u);
    ASSERT_EQ(a.size(), 150003u);
    for (std::uint32_t i = 0; i < 150000; ++i) ASSERT_EQ(a[i], i % 100000) << i;
    EXPECT_EQ(a.back(), 7u);
    vlog::PodArray<std::uint32_t> b = a;
    b[0] = 42;
    EXPECT_EQ(a[0], 0u);
    a.resize(2);
    a.resize(4, 9u);
    EXPECT_EQ((std::vector<std::uint32_t>(a.begin(), a.end())), (std::vector<std::uint32_t>{0, 1, 9, 9}));
    vlog::PodArray<std::uint32_t> c = std::move(b);
    EXPECT_EQ(c.size(), 150003u);
    EXPECT_EQ(c[0], 42u);
}

// A flat netlist of many cells reads in about a second per million cells.
// Measured in processor time, so that a loaded machine does not fail it;
// the limits are far above the linear cost and far below a quadratic one.
TEST(Reader, LargeFlatNetlistIsFast) {
    constexpr int kCellsN = 100000;
    std::string text = kCells;
    text += "module top (input [31:0] in, output [31:0] out);\n  wire [" + std::to_string(kCellsN) + ":0] n;\n";
    text += "  assign n[0] = in[0];\n";
    for (int i = 0; i < kCellsN; ++i) {
        const std::string s = std::to_string(i);
        if (i % 3 == 0) {
            text += "  AN2 g" + s + " (.A(n[" + s + "]), .B(in[" + std::to_string(i % 32) + "]), .Z(n[" +
                    std::to_string(i + 1) + "]));\n";
        } else {
            text += "  INV g" + s + " (n[" + s + "], n[" + std::to_string(i + 1) + "]);\n";
        }
    }
    text += "  assign out = n[" + std::to_string(kCellsN) + ":" + std::to_string(kCellsN - 31) + "];\nendmodule\n";

    const std::clock_t start = std::clock();
    Design d;
    d.read_text(text, "big.v", false);
    d.link();
    const double secs = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    const Module& top = d.modules[d.find_module("top")];
    EXPECT_EQ(top.instances.size(), static_cast<std::size_t>(kCellsN));
    EXPECT_EQ(top.nets.size(), 32u + 32u + kCellsN + 1u);
    const vlog::Instance& last = top.instances.back();
    EXPECT_EQ(d.names.str(top.nets[top.pin_conns(d.instance_pins(top, last).back())[0]].name),
              "n[" + std::to_string(kCellsN) + "]");
#if defined(__SANITIZE_ADDRESS__)
    constexpr double kLimit = 30.0;
#else
    constexpr double kLimit = 5.0;
#endif
    EXPECT_LT(secs, kLimit) << text.size() << " bytes";
}

}  // namespace
