// The debugging listing of the object model against golden files, its
// line rules, and the release of objects (reading again afterwards).
//
// Set KEST_UPDATE_GOLDEN=1 to rewrite the golden listings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "object_util.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/dump.h"
#include "scanlang/object/scan_interface.h"
#include "section_map_util.h"
#include "support/param_name.h"
#include "support/testsupport.h"

namespace {

const std::string kFixtures = "tests/fixtures/scanlang/";

// The listing of the fixture `stem` read through the entry, with the
// fixture directory taken out of the file names.
std::string listing_of(const std::string& stem) {
    const std::string dir = testsupport::source_path(kFixtures);
    scan_interface((dir + stem + ".dft").c_str(), 0, "atpg");
    std::string text = SL_object_dump_text();
    for (std::size_t at; (at = text.find(dir)) != std::string::npos;) text.erase(at, dir.size());
    return text;
}

class DumpGoldenTest : public objtest::ObjectTest, public testing::WithParamInterface<const char*> {};

TEST_P(DumpGoldenTest, ListingMatchesGoldenFile) {
    const std::string text = listing_of(GetParam());
    const std::string golden = testsupport::source_path(kFixtures + "dump/" + GetParam() + ".dump");
    if (std::getenv("KEST_UPDATE_GOLDEN")) {
        std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
        std::ofstream(golden, std::ios::binary) << text;
    }
    EXPECT_EQ(text, testsupport::read_file(golden));
    // The listing moves only cursors: a second listing is the same.
    EXPECT_EQ(SL_object_dump_text(), SL_object_dump_text());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DumpGoldenTest,
                         testing::Values("atpg_constraints", "compression", "connect_bist", "connect_core", "mbist",
                                         "paths_lists", "pll_blackbox", "scan_decoder", "select_fault",
                                         "selection", "test_conversion", "test_sessions", "wrapper"),
                         [](const auto& info) { return testsupport::param_name(info.param); });

// Sections from many mappings in one file: sequences, instructions and
// their order, a core, chains with an instruction, configuration groups.
constexpr const char* kRich =
    "%SEQUENCE ld { %FORCE se = '1'; %FORCE_CLOCK ck; }\n"
    "%SEQUENCE sh { %FORCE se = '0'; %FORCE_CLOCK ck = '01'; }\n"
    "%SEQUENCE ex { %FORCE tm = '0'; }\n"
    "%INSTRUCTION scan {\n %MODE = \"m2\";\n %PREAMBLE = ld, sh;\n %SHIFT = sh;\n %EXTRA = ex;\n"
    " %HOLD = ld;\n %CAPTURE = sh;\n %POSTAMBLE = ex;\n}\n"
    "%INSTRUCTION bare {\n %SHIFT = sh;\n %HOLD = ld;\n}\n"
    "%CORE { %NAME = c1; %DFT_FILE = \"c.dft\"; %PREAMBLE = ld, sh; %TIE0 = t1 t2;\n"
    "        %DONT_FIX x{y} z{w}; %PATSET p1 { %DFT_FILE = \"p.dft\"; %FORCE_LIST = ex; %BTP = \"b\"; } }\n"
    "%CONNECT_SCAN chain1 SDFF {\n"
    "    %SCAN_PORT port1 { %SCAN_IN = si1; %SCAN_OUT = so1; }\n"
    "    %SCAN_SELECT_1 { %SELECT = se; %GLOBAL_SELECT = gse; }\n"
    "    %SCAN_CLOCK { %CLOCK = clk; %GLOBAL_CLOCK = gclk { pll_out }; %CLOCK_POLARITY = POSITIVE; }\n"
    "    %SCAN_DELAY { %DELAY_OUT = dly_o; %DELAY_OUT_DEFAULT = dly_d; %SCAN_TEST = st; }\n"
    "    %SCAN_INSTANCES { u1, { u2 u3, u4 }, u5; }\n"
    "    %SCAN_INSTRUCTION { %INSTRUCTION = scan; }\n"
    "    %MS_VIOLATION 1;\n"
    "}\n"
    "%SCAN_MODULE m { %SCAN_IN = si; %DONT_FIX p{q}; }\n"
    "%FENNOX_IN_1 { %PORT_NAME p1; %GROUP { g0, a, b; g1, c{Q3_S2}, d; g2, e, f, Q9; } }\n"
    "%FENNOX_OUT_1 { %PORT_NAME o1; %GROUP { h0, x, y; } }\n"
    "%REGISTER_LENGTH 12;\n"
    "%INSTRUCTION_BINARY '0101';\n"
    "%SCAN_REPAIR { %FORCE_NET { %NET_NAME = n; %SHIFT = '1'; } }\n";

TEST_F(DumpGoldenTest, RichTextMatchesGoldenFile) {
    testsupport::TempDir dir;
    const std::string file = dir.write("rich.dft", kRich);
    scan_interface(file.c_str(), 0, "atpg");
    std::string text = SL_object_dump_text();
    for (std::size_t at; (at = text.find(dir.str() + "/")) != std::string::npos;) text.erase(at, dir.str().size() + 1);
    const std::string golden = testsupport::source_path(kFixtures + "dump/rich.dump");
    if (std::getenv("KEST_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    EXPECT_EQ(text, testsupport::read_file(golden));
}

// The map part alone: the fixture map file with two lockup latches.
TEST_F(DumpGoldenTest, MapFileMatchesGoldenFile) {
    maptest::parse(testsupport::read_file(testsupport::source_path(kFixtures + "cells.map")), scantest::Kind::MAP);
    map_file_name = "cells.map";
    MAP_AST_2_OBJECT();
    ASSERT_TRUE(MAP_OBJECT);
    SCAN_LOCKUP_LATCH_LIST = std::vector<std::string>{"l1", "l2"};
    const std::string text = SL_object_dump_text();
    const std::string golden = testsupport::source_path(kFixtures + "dump/cells.dump");
    if (std::getenv("KEST_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    EXPECT_EQ(text, testsupport::read_file(golden));
}

using DumpTest = objtest::ObjectTest;

const std::string kTitle =
    "\n"
    "                         ==============================\n"
    "                         =    OBJECTS FOR DFT FILE    =\n"
    "                         ==============================\n"
    "\n";

TEST_F(DumpTest, NameOnlyObjectAndMapPart) {
    DFT_OBJECT = NEW_OBJECT_DFT();
    DFT_OBJECT->dft_file_name = "t.dft";
    EXPECT_EQ(SL_object_dump_text(), kTitle + "DFT FILE NAME : t.dft\n\n");

    // An empty map object still lists the (empty) lockup latches.
    MAP_OBJECT = std::make_shared<MapObject>();
    const std::string text = SL_object_dump_text();
    EXPECT_NE(text.find("=    OBJECTS FOR MAP FILE    =\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\n\n    LOCKUP LATCH LIST \n")) << text;

    DFT_OBJECT = nullptr;
    EXPECT_EQ(SL_object_dump_text().find("OBJECTS FOR DFT FILE"), std::string::npos);
}

TEST_F(DumpTest, ValueRecordsAndLinesThatAreAlwaysEnded) {
    DftObject* o = DFT_OBJECT = NEW_OBJECT_DFT();
    o->select_scan.emplace();
    o->select_scan->scan_init = ValueRecord{-1, -1.0};
    o->select_scan->scan_incr = ValueRecord{5, 0.25};
    o->select_scan->scan_max = ValueRecord{-1, 0.5};
    PllClockFixItem fix;
    fix.kind = 1;
    fix.period = 7;
    o->pll_clock_fix.emplace(1, PllClockFixEntry{"fx", "", "", std::vector<PllClockFixItem>{fix}, 0, -1});
    o->core_no_scan = std::vector<std::string>{"a", "b"};
    PortInfoEntry port;
    port.name = "p";
    port.pads = std::vector<PortPadEntry>{{"pad", std::nullopt}};
    o->port_info = std::vector<PortInfoEntry>{port};
    AtpgScanOptionRecord opt;
    opt.gray_code.push_back({{"g1"}, {}, -1});  // no code value
    o->atpg_constraints.emplace();
    o->atpg_constraints->options.push_back(opt);

    const std::string text = SL_object_dump_text();
    EXPECT_NE(text.find("    INIT :          \n    INCR :          5\n    MAX :           0.50\n"), std::string::npos);
    EXPECT_NE(text.find("        EXTERNAL_PLL_IN_CLOCK : \n            PERIOD : 7\n"), std::string::npos);
    EXPECT_NE(text.find("CORE_NO_SCAN :\n    NAME  :\n      a   b \n"), std::string::npos) << text;
    EXPECT_NE(text.find("        %PAD pad\n    }\n"), std::string::npos);
    EXPECT_NE(text.find("        GRAY_CODE :\n                    g1\n        RESET :\n"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

class ReleaseTest : public objtest::ObjectTest {
protected:
    testsupport::TempDir dir_;
};

TEST_F(ReleaseTest, ReleasedCoreIsUnregisteredAndReadAgain) {
    dir_.write("top.dft", "%CORE { %NAME = A; %DFT_FILE = \"a.dft\"; %LBIST_FILE = \"a.lbist\"; }\n"
                          "%REGISTER_LENGTH 1;\n");
    dir_.write("a.dft", "%REGISTER_LENGTH 2;\n%SEQUENCE q { %FORCE x = '1'; }\n");
    scan_interface((dir_.path() / "top.dft").c_str(), 0, "hier_dft");
    ASSERT_EQ(SL_CORE_LIST.size(), 2u);
    DftObject* top = DFT_OBJECT;

    ASSERT_EQ(DFT_inst_setup("A"), 1);
    set_current_sequence(0);
    ASSERT_NE(current_sequence, nullptr);
    free_scan_object();
    EXPECT_EQ(DFT_OBJECT, nullptr);
    EXPECT_EQ(SL_CORE_LIST[1].object, nullptr);
    EXPECT_EQ(SL_CORE_LIST[0].object, top);
    EXPECT_EQ(current_sequence, nullptr);
    EXPECT_EQ(INSTR_ORDER_TAB, nullptr);

    // The core's file is read again when the core is wanted again.
    ASSERT_EQ(DFT_inst_setup("A"), 1);
    EXPECT_EQ(DFT_OBJECT->register_length, 2);

    // Releasing the top object lets its map object go and forgets the tree.
    auto map = std::make_shared<MapObject>();
    map->map_scans.resize(1);
    top->map_object = map;
    map.reset();
    ASSERT_EQ(DFT_setup(SL_TOP_DFT_TREE), 1);
    ASSERT_TRUE(MAP_OBJECT);
    set_current_map_scan(0);
    free_scan_object();
    EXPECT_EQ(SL_CORE_LIST[0].object, nullptr);
    EXPECT_EQ(SL_TOP_DFT_TREE->object, nullptr);
    EXPECT_FALSE(MAP_OBJECT);
    EXPECT_EQ(current_map_scan, nullptr);
    EXPECT_EQ(comment_tab, nullptr);
    EXPECT_EQ(DFT_setup(SL_TOP_DFT_TREE), 0);
    EXPECT_EQ(SL_object_dump_text(), "");

    // A new parse in the same process (the sanitizer run checks the rest).
    const std::string text = listing_of("connect_bist");
    EXPECT_NE(text.find("CONNECT_BIST :      lbist1 ctrl"), std::string::npos);
    free_scan_object();
}

TEST_F(ReleaseTest, NothingCurrentLeavesTheCommentsAlone) {
    scan_new_comment_tab();
    ScanCommentRecord* before = comment_tab;
    free_scan_object();
    EXPECT_EQ(comment_tab, before);
    scan_free_comment_tab();
}

TEST_F(ReleaseTest, ConfigurationPartAlone) {
    DftObject* o = DFT_OBJECT = NEW_OBJECT_DFT();
    o->instruction_binary = "0101";
    o->register_length = 4;
    sl_free_cfg_only();  // no groups: nothing changes
    EXPECT_EQ(o->instruction_binary, "0101");
    EXPECT_EQ(o->register_length, 4);

    FennoxGroupItem item;
    item.text = "t";
    item.flags = {"pass", "xor"};
    o->fennox_out_groups = std::vector<FennoxGroup>{{"g", {item}}};
    EXPECT_NE(SL_object_dump_text().find("CFG INFO\n    INSTRUCTION BINARY 0101\n"), std::string::npos);
    sl_free_cfg_only();
    EXPECT_TRUE(o->instruction_binary.empty());
    EXPECT_EQ(o->register_length, -1);
    EXPECT_FALSE(o->fennox_in_groups);
    EXPECT_FALSE(o->fennox_out_groups);
    EXPECT_EQ(SL_object_dump_text().find("CFG INFO"), std::string::npos);
}

TEST_F(DumpTest, DebugRunPrintsTheListing) {
    testing::internal::CaptureStdout();
    scan_interface(testsupport::source_path(kFixtures + "selection.dft").c_str(), 1, "atpg");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("=    OBJECTS FOR DFT FILE    =\n"), std::string::npos);
    EXPECT_NE(out.find("DFT FILE NAME : "), std::string::npos);
}

}  // namespace
