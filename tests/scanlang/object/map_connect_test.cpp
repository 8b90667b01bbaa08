// Connect scan, connect core and connect BIST into the object.
#include <gtest/gtest.h>

#include "scanlang/front/pso_records.h"
#include "scanlang/object/instance_files.h"
#include "support/child.h"
#include "support/testsupport.h"
#include "tests/scanlang/object/section_map_util.h"

namespace {

class ConnectMap : public maptest::MapTest {};

const char* const kInstruction =
    "%SEQUENCE sh { %FORCE se = '0'; }\n"
    "%INSTRUCTION scan { %SHIFT = sh; %HOLD = sh; }\n"
    "%INSTRUCTION sys { %SHIFT = sh; %HOLD = sh; }\n";

TEST_F(ConnectMap, ScanChainFields) {
    testsupport::TempDir dir;
    dir.write("x.pso", "MUST_SCAN x1;\n");
    dir.write("y.pso", "MUST_SCAN y1;\n");
    testsupport::ChangeDir cd(dir.path());
    DftObject* obj = maptest::map(
        std::string(kInstruction) +
        "%CONNECT_SCAN c1 lib {\n"
        " %SCAN_DELAY { %DELAY_OUT = d1; %DELAY_OUT_DEFAULT = d2; %SCAN_TEST = st; }\n"
        " %SCAN_PAD { %SDI_PAD_NAME = sn; %SDO_PAD_NAME = on; %SDI_PAD_OUT = so; %SDO_PAD_IN = oi;"
        " %SDI_PAD_CLASS = k1, k2; %SDO_PAD_CLASS = k3; }\n"
        " %SCAN_PORT { %SCAN_IN = si; %SCAN_OUT = so; %DEFAULT = df; }\n"
        " %SCAN_SELECT_1 { %SELECT = s1; %GLOBAL_SELECT = g1; }\n"
        " %SCAN_SELECT_2 { %SELECT = s2; %GLOBAL_SELECT = g2; }\n"
        " %SCAN_CLOCK { %CLOCK = k; %GLOBAL_CLOCK = gk; %CLOCK_POLARITY = POSITIVE; }\n"
        " %SCAN_CLOCK_2 { %CLOCK = k2; %GLOBAL_CLOCK = ga { gb }; %CLOCK_POLARITY = NEGATIVE; }\n"
        " %SCAN_INSTANCES { a, { b c }; }\n"
        " %SCAN_INSTANCES_FILE { %FILE_NAME = \"x.pso\"; }\n"
        " %SCAN_INSTRUCTION { %INSTRUCTION = scan; }\n"
        " %MS_VIOLATION 1;\n"
        "}\n"
        "%CONNECT_SCAN 2 lib2 {\n"
        " %SCAN_INSTANCES_FILE { %FILE_NAME = \"./x.pso\"; %FILE_NAME = \"y.pso\"; }\n"
        " %SCAN_INSTRUCTION { %INSTRUCTION = sys; }\n"
        "}\n");
    ASSERT_EQ(obj->connect_scan.size(), 2u);
    const ConnectScanRecord& c = obj->connect_scan[0];
    EXPECT_EQ(c.first_name, "c1");
    EXPECT_EQ(c.second_name, "lib");
    EXPECT_EQ(c.name_line, 4);
    ASSERT_TRUE(c.scan_delay);
    EXPECT_EQ(c.scan_delay->delay_out + c.scan_delay->delay_out_default + c.scan_delay->scan_test, "d1d2st");
    ASSERT_TRUE(c.scan_pad);
    EXPECT_EQ(c.scan_pad->sdi_pad_name, "sn");
    EXPECT_EQ(c.scan_pad->sdo_pad_name, "on");
    EXPECT_EQ(c.scan_pad->sdi_pad_out, "so");
    EXPECT_EQ(c.scan_pad->sdo_pad_in, "oi");
    EXPECT_EQ(c.scan_pad->sdi_pad_classes, (TextList{"k1", "k2"}));
    EXPECT_EQ(c.scan_pad->sdo_pad_classes, TextList{"k3"});
    ASSERT_TRUE(c.scan_port);
    EXPECT_EQ(c.scan_port->scan_in + c.scan_port->scan_in2, "sisi");
    EXPECT_EQ(c.scan_port->scan_out + c.scan_port->scan_out2, "soso");
    EXPECT_EQ(c.scan_port->default_value, "df");
    EXPECT_EQ(c.scan_port->name, "");
    ASSERT_EQ(c.scan_selects.size(), 2u);
    EXPECT_EQ(c.scan_selects[0].name, "%SCAN_SELECT_1");
    EXPECT_EQ(c.scan_selects[0].select + c.scan_selects[0].global_select, "s1g1");
    EXPECT_EQ(c.scan_selects[1].select + c.scan_selects[1].global_select, "s2g2");
    ASSERT_EQ(c.scan_clocks.size(), 2u);
    const ClockRecord& k1 = c.scan_clocks[0];
    EXPECT_EQ(k1.clock, "k");
    EXPECT_EQ(k1.global_clock, "gk");
    EXPECT_EQ(k1.global_clock_first + k1.global_clock_second, "");
    EXPECT_EQ(k1.polarity, CLOCK_POLARITY_POSITIVE);
    const ClockRecord& k2 = c.scan_clocks[1];
    EXPECT_EQ(k2.global_clock, "");
    EXPECT_EQ(k2.global_clock_first, "ga");
    EXPECT_EQ(k2.global_clock_second, "gb");
    EXPECT_EQ(k2.polarity, CLOCK_POLARITY_NEGATIVE);
    // Written instances win over instance files, and make no order table.
    ASSERT_EQ(c.instances.size(), 1u);
    EXPECT_EQ(c.instances[0].file_name, "");
    EXPECT_FALSE(c.pso_order_tab);
    EXPECT_EQ(c.scan_instruction, &obj->instructions[0]);
    EXPECT_EQ(c.ms_violation, 1);
    EXPECT_EQ(c.pso_clock_order, -1);

    const ConnectScanRecord& d = obj->connect_scan[1];
    EXPECT_EQ(d.first_name, "2");
    EXPECT_FALSE(d.scan_delay);
    EXPECT_FALSE(d.scan_pad);
    EXPECT_FALSE(d.scan_port);
    EXPECT_TRUE(d.scan_selects.empty());
    ASSERT_EQ(d.instances.size(), 2u);
    EXPECT_EQ(d.instances[0].file_name, "x.pso");  // "./" dropped
    EXPECT_EQ(d.instances[1].file_name, "y.pso");
    EXPECT_TRUE(d.pso_order_tab);
    EXPECT_EQ(d.scan_instruction, &obj->instructions[1]);
    EXPECT_EQ(d.ms_violation, -1);
}

TEST_F(ConnectMap, CoreConnectionsKeepTheirOwnPorts) {
    DftObject* obj = maptest::map(std::string(kInstruction) +
                                  "%CONNECT_CORE u1 {\n"
                                  " %INSTANCE_NAME = i1;\n"
                                  " %MODULE_NAME = m1;\n"
                                  " %CORE_PACKAGE_FILE = \"f.pkg\";\n"
                                  " %CORE_INSTRUCTION { %INSTRUCTION = scan; }\n"
                                  " %SYSTEM_INSTRUCTION { %INSTRUCTION = sys; }\n"
                                  " %SCAN_PORT p1 { %SCAN_IN = a; %SCAN_OUT = b; }\n"
                                  " %SCAN_PORT p2 { %SCAN_IN = c; %DEFAULT = d; }\n"
                                  "}\n"
                                  "%CONNECT_CORE u2 {\n"
                                  " %SCAN_PORT p3 { %SCAN_IN = e; }\n"
                                  " %SCAN_PORT p4 { %SCAN_OUT = f; }\n"
                                  "}\n");
    ASSERT_EQ(obj->connect_core.size(), 2u);
    const ConnectCoreRecord& a = obj->connect_core[0];
    EXPECT_EQ(a.name, "u1");
    EXPECT_EQ(a.instance_name, "i1");
    EXPECT_EQ(a.module_name, "m1");
    EXPECT_EQ(a.file_name, "f.pkg");
    EXPECT_EQ(a.core_instruction, &obj->instructions[0]);
    EXPECT_EQ(a.system_instruction, &obj->instructions[1]);
    auto ports = [](const ConnectCoreRecord& r) {
        std::vector<std::string> out;
        for (const PortRecord& p : r.scan_ports)
            out.push_back(p.name + ":" + p.scan_in + "/" + p.scan_in2 + ":" + p.scan_out + "/" + p.scan_out2 + ":" +
                          p.default_value);
        return out;
    };
    EXPECT_EQ(ports(a), (std::vector<std::string>{"p1:a/a:b/b:", "p2:c/c:/:d"}));
    EXPECT_EQ(ports(obj->connect_core[1]), (std::vector<std::string>{"p3:e/e:/:", "p4:/:f/f:"}));
}

TEST_F(ConnectMap, BistConnections) {
    testsupport::TempDir dir;
    for (const char* f : {"z.pso", "w.pso", "v.pso"}) dir.write(f, "MUST_SCAN i;\n");
    testsupport::ChangeDir cd(dir.path());
    DftObject* obj = maptest::map(std::string(kInstruction) +
                                  "%CONNECT_BIST b1 lib {\n"
                                  " %BIST_TYPE = \"lbist\";\n"
                                  " %BIST_PORT { %SCAN_IN = bi; %SCAN_OUT = bo; }\n"
                                  " %BIST_SELECT_1 { %SELECT = bs; %GLOBAL_SELECT = bg; }\n"
                                  " %BIST_CLOCK_1 { %CLOCK = bk; %GLOBAL_CLOCK = bc; }\n"
                                  " %BIST_INSTRUCTION { %INSTRUCTION = scan; %SEED = '101'; }\n"
                                  " %BIST_INSTANCES_FILE { %FILE_NAME = \"./z.pso\"; %FILE_NAME = \"w.pso\"; }\n"
                                  "}\n"
                                  "%CONNECT_BIST b2 lib2 {\n"
                                  " %BIST_INSTANCES_FILE { %FILE_NAME = \"v.pso\"; }\n"
                                  "}\n");
    ASSERT_EQ(obj->connect_bist.size(), 2u);
    const ConnectBistRecord& b = obj->connect_bist[0];
    EXPECT_EQ(b.first_name + "/" + b.second_name, "b1/lib");
    EXPECT_EQ(b.bist_type, "lbist");
    ASSERT_TRUE(b.bist_port);
    EXPECT_EQ(b.bist_port->scan_in, "bi");
    EXPECT_EQ(b.bist_port->scan_in2, "bi");
    EXPECT_EQ(b.bist_port->scan_out, "bo");
    EXPECT_EQ(b.bist_port->scan_out2, "bo");
    ASSERT_EQ(b.bist_selects.size(), 1u);
    EXPECT_EQ(b.bist_selects[0].select + b.bist_selects[0].global_select, "bsbg");
    ASSERT_EQ(b.bist_clocks.size(), 1u);
    EXPECT_EQ(b.bist_clocks[0].clock + b.bist_clocks[0].global_clock, "bkbc");
    EXPECT_EQ(b.bist_clocks[0].polarity, CLOCK_POLARITY_NONE);
    ASSERT_TRUE(b.bist_instruction);
    EXPECT_EQ(b.bist_instruction->instruction, &obj->instructions[0]);
    EXPECT_EQ(b.bist_instruction->pattern, "101");
    // Each connection keeps its own files, as written.
    ASSERT_EQ(b.instances.size(), 2u);
    EXPECT_EQ(b.instances[0].file_name, "./z.pso");
    EXPECT_EQ(b.instances[1].file_name, "w.pso");
    ASSERT_EQ(obj->connect_bist[1].instances.size(), 1u);
    EXPECT_EQ(obj->connect_bist[1].instances[0].file_name, "v.pso");
    EXPECT_FALSE(obj->connect_bist[1].bist_instruction);
}

// The instances of a chain: written, or read from its instance files, each
// file's record holding that file's elements only; the chain keeps the
// pads and buffers of its last file, and the files' excluded instances
// fill the tables.
TEST_F(ConnectMap, ChainInstancesFromTextAndFiles) {
    testsupport::TempDir dir;
    dir.write("first.pso",
              "MUST_SCAN a, 3 ~ ! r1 !, { g1, g2 CAPTURE1 };\n"
              "DONT_SCAN u9;\n"
              "SCAN_IN_PAD ~ pi1;\n"
              "SCAN_OUT_PAD po1;\n"
              "BUFFER B1;\n");
    dir.write("second.pso",
              "KR_SCAN 2 ( DFFX { CK } ) CONTROL_WEIGHT0_A;\n"
              "DONT_MODIFY m1;\n"
              "SCAN_IN_PAD pi2 !;\n"
              "CLOCK_ORDER 4;\n"
              "BUFFER B2;\n");
    testsupport::ChangeDir cd(dir.path());
    DftObject* obj = maptest::map(
        "%CONNECT_SCAN c1 lib { %SCAN_INSTANCES { a, { b c }; } }\n"
        "%CONNECT_SCAN c2 lib { %SCAN_INSTANCES_FILE { %FILE_NAME = \"./first.pso\"; %FILE_NAME = \"second.pso\"; } }\n"
        "%CONNECT_BIST b1 lib { %BIST_INSTANCES_FILE { %FILE_NAME = \"first.pso\"; %FILE_NAME = \"first.pso\"; } }\n");
    ASSERT_EQ(obj->connect_scan.size(), 2u);

    struct Element {
        std::string instance;
        int chain, complement, inverse1, inverse2, is_cell;
        std::string capture, port_name;
        int control_kind;
        bool operator==(const Element&) const = default;
    };
    auto elements = [](const InstancesRecord& r) {
        std::vector<Element> out;
        for (const InstanceElement& e : r.elements)
            out.push_back({e.instance, e.chain, e.complement, e.inverse1, e.inverse2, e.is_cell, e.capture,
                           e.port_name, e.control_kind});
        return out;
    };
    auto groups = [](const InstancesRecord& r) {
        std::vector<std::pair<std::vector<std::size_t>, int>> out;
        for (const GroupListRecord& g : r.groups) out.emplace_back(g.elements, g.number);
        return out;
    };
    using Groups = std::vector<std::pair<std::vector<std::size_t>, int>>;

    const ConnectScanRecord& written = obj->connect_scan[0];
    ASSERT_EQ(written.instances.size(), 1u);
    EXPECT_EQ(elements(written.instances[0]), (std::vector<Element>{{"a", -1, 0, 0, 0, 0, "", "", -1},
                                                                    {"b", -1, 0, 0, 0, 0, "", "", -1},
                                                                    {"c", -1, 0, 0, 0, 0, "", "", -1}}));
    EXPECT_EQ(groups(written.instances[0]), (Groups{{{0}, 1}, {{1, 2}, 2}}));
    EXPECT_FALSE(written.scan_in_pad);

    const ConnectScanRecord& read = obj->connect_scan[1];
    ASSERT_EQ(read.instances.size(), 2u);
    const InstancesRecord& first = read.instances[0];
    EXPECT_EQ(first.file_name, "first.pso");
    EXPECT_EQ(elements(first), (std::vector<Element>{{"a", -1, 0, 0, 0, 0, "", "", -1},
                                                     {"r1", 3, 1, 1, 1, 0, "", "", -1},
                                                     {"g1", -1, 0, 0, 0, 0, "", "", -1},
                                                     {"g2", -1, 0, 0, 0, 0, "CAPTURE1", "", -1}}));
    EXPECT_EQ(groups(first), (Groups{{{0}, 1}, {{1}, 1}, {{2, 3}, 2}}));
    // The second file's record holds its own elements, not the first's.
    const InstancesRecord& second = read.instances[1];
    EXPECT_EQ(second.file_name, "second.pso");
    EXPECT_EQ(elements(second), (std::vector<Element>{{"DFFX", 2, 0, 0, 0, 1, "", "CK", 5}}));
    // Pads, buffers and clock order are the last file's.
    ASSERT_TRUE(read.scan_in_pad);
    EXPECT_EQ(read.scan_in_pad->name, "pi2");
    EXPECT_EQ(read.scan_in_pad->complement, 0);
    EXPECT_EQ(read.scan_in_pad->inverse2, 1);
    EXPECT_FALSE(read.scan_out_pad);
    EXPECT_EQ(read.buffer_list, TextList{"B2"});
    EXPECT_EQ(read.pso_clock_order, 4);
    EXPECT_EQ(sl_pso_scan_in_pad_flag + sl_pso_scan_out_pad_flag, 0);

    // The excluded instances of every file read, the BIST files' included.
    ASSERT_EQ(DONT_SCAN_TAB.size(), 3u);
    EXPECT_EQ(DONT_SCAN_TAB[0].name, "u9");
    ASSERT_EQ(DONT_MODIFY_TAB.size(), 1u);
    EXPECT_EQ(DONT_MODIFY_TAB[0].name, "m1");

    ASSERT_EQ(obj->connect_bist.size(), 1u);
    // A pad named again by a later file is that file's own pad.
    ASSERT_EQ(obj->connect_bist[0].instances.size(), 2u);
    const InstancesRecord& bist = obj->connect_bist[0].instances[0];
    EXPECT_EQ(bist.file_name, "first.pso");
    EXPECT_EQ(elements(bist).size(), 4u);
    EXPECT_EQ(groups(bist), (Groups{{{0}, 1}, {{1}, 1}, {{2, 3}, 2}}));
}

// Every mapping starts with empty instance tables, with or without a
// %CONNECT_SCAN section.
TEST_F(ConnectMap, InstanceTablesStartEmpty) {
    InstanceTabRow old;
    old.name = "old";
    for (const char* text : {"%TOP_MODULE = t;\n", "%CONNECT_SCAN c lib { %SCAN_INSTANCES { a; } }\n"}) {
        DONT_SCAN_TAB.push_back(old);
        DONT_MODIFY_TAB.push_back(old);
        MUST_BE_TRANS_TAB.push_back(old);
        maptest::map(text);
        EXPECT_TRUE(DONT_SCAN_TAB.empty()) << text;
        EXPECT_TRUE(DONT_MODIFY_TAB.empty()) << text;
        EXPECT_TRUE(MUST_BE_TRANS_TAB.empty()) << text;
    }
}

// A chain whose instance file is missing would lose its instances.
TEST_F(ConnectMap, MissingInstanceFileEndsTheRun) {
    testsupport::TempDir dir;
    testsupport::ChangeDir cd(dir.path());
    auto r = testsupport::run_child(
        [] { maptest::map("%CONNECT_SCAN c lib { %SCAN_INSTANCES_FILE { %FILE_NAME = \"gone.pso\"; } }\n"); });
    EXPECT_NE(r.status, 0);
    EXPECT_NE((r.out + r.err).find("gone.pso"), std::string::npos) << r.out << r.err;
}

struct FatalCase {
    const char* name;
    std::string items;
    std::string out;
    std::string err;
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class ConnectRefused : public ConnectMap, public testing::WithParamInterface<FatalCase> {};

TEST_P(ConnectRefused, EndsTheRun) {
    const FatalCase& c = GetParam();
    testsupport::ChildResult r = testsupport::run_child([&] {
        maptest::map("%CONNECT_SCAN c lib {\n %SCAN_INSTRUCTION { %INSTRUCTION = i; }\n" + c.items + "}\n");
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(
    ConnectMap, ConnectRefused,
    testing::Values(FatalCase{"MsViolationTwo", " %MS_VIOLATION 2;\n",
                              "MS_VIOLATION value must be 1 or 0 in dft file!\n ", ""},
                    FatalCase{"LowerCasePolarity", " %SCAN_CLOCK { %CLOCK = k;\n %CLOCK_POLARITY = positive; }\n", "",
                              "ERROR : 't.dft', line-4, CLOCK_POLARITY can only be POSITIVE and NEGATIVE\n"}),
    [](const testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

}  // namespace
