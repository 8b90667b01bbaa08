// The map-file and PSO-file grammars: whole fixtures against their golden
// tree prints, and the warnings of repeated statements.

#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "scanlang/front/pso_records.h"
#include "scanlang/front/scan_aux.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

struct FixtureCase {
    const char* kind;
    const char* file;
};
void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }

class MapPsoFixtureTrees : public testing::TestWithParam<FixtureCase> {};

TEST_P(MapPsoFixtureTrees, MatchTheGoldenPrint) {
    const std::string path = testsupport::source_path(std::string("tests/fixtures/scanlang/") + GetParam().file);
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), GetParam().kind, path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, testsupport::read_file(path.substr(0, path.rfind('.')) + ".tree"));
}

INSTANTIATE_TEST_SUITE_P(MapPsoGrammar, MapPsoFixtureTrees, testing::Values(FixtureCase{"map", "cells.map"},
                                                                        FixtureCase{"pso", "options.pso"}),
                         [](const testing::TestParamInfo<FixtureCase>& i) {
                             std::string n = i.param.file;
                             return n.substr(0, n.find('.'));
                         });

// Repeated single statements and blocks are kept and reported with
// warning 7, under the names of their node kinds.
TEST(MapPsoGrammar, RepeatsWarn) {
    testsupport::TempDir dir;
    const std::string path = dir.write("r.map",
                            "%REPAIR_CELL { %BUFFER B 1; }\n"
                            "%REPAIR_CELL { %BUFFER C 2; }\n"
                            "%MAP_SCAN l { %DELAY_CELL d {\n"
                            " %SCAN_PORT %SCAN_IN => a; %SCAN_PORT %SCAN_OUT => b;\n"
                            " %LOOP_DATA_IN => c; %LOOP_DATA_OUT => d; %DELAY_SCAN_TEST => e;\n"
                            " %DELAY_SCAN_CLOCK => f; %DELAY_SCAN_SCAN => g;\n"
                            " %DELAY_MAP_CELL m { %DATA_OUT => y; %DATA_OUT => z; } } }\n");
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "map", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "WARNING : '" + path + "', line-2, 'REPAIR_CELL' is multiple defined.\n" +
                         "WARNING : '" + path + "', line-7, 'DEALY_DATA_OUT' is multiple defined.\n");
}

// ------------------------------------------------------- map look-ups

class MapLookups : public testing::Test {
protected:
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

TEST_F(MapLookups, CellsOfTheFixture) {
    SCAN_FRONT_reset_globals();
    EXPECT_EQ(scan_map_get_si("SDFF"), std::nullopt);  // no map read yet
    EXPECT_EQ(scan_get_repair_cell("BUFX2"), std::nullopt);
    testing::internal::CaptureStderr();
    EXPECT_EQ(scan_map(testsupport::source_path("tests/fixtures/scanlang/cells.map")), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(scan_map_get_si("SDFF"), "SI");
    EXPECT_EQ(scan_map_get_si("DFF"), std::nullopt);  // the library-side name
    EXPECT_EQ(scan_get_repair_cell("BUFX4"), "4");
    EXPECT_EQ(scan_get_repair_cell("NONE"), std::nullopt);
    EXPECT_EQ(scan_get_repair_cell_mux("%DATA"), std::nullopt);  // the first list holds buffers
}

TEST_F(MapLookups, MuxPinsAndLongNames) {
    SCAN_FRONT_reset_globals();
    testsupport::TempDir dir;
    const std::string lib(3000, 'L');
    // The scan-in look-up reads the map blocks at the head of the file.
    const std::string path = dir.write("m.map",
                                       "%MAP_SCAN l { %MAP_CELL D => " + lib + " { %SCAN_PORT %SCAN_IN => TI; } }\n"
                                       "%REPAIR_CELL {\n %CELL MUX MX2 { %DATA = A; %SELECT = S; }\n"
                                       " %CELL " + lib + " LX;\n}\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(scan_map(path), 0);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(scan_get_repair_cell_mux("%SELECT"), "S");
    EXPECT_EQ(scan_get_repair_cell_mux("%ENABLE"), std::nullopt);
    EXPECT_EQ(scan_get_repair_cell(lib), "LX");
    EXPECT_EQ(scan_map_get_si(lib), "TI");
}

TEST_F(MapLookups, MissingFile) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(scan_map("/nonexistent/x.map"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to open file /nonexistent/x.map.\n");
}

// Parses a PSO text in this process, as the lockup-latch file when
// `lockup` is set.
void parse_pso(const std::string& text, bool lockup = false) {
    SCAN_FRONT_reset_globals();
    in_file_name = "t.pso";
    scan_lang_Option_type = 2;
    make_keyword_hash();
    initial_parser();
    scan_new_comment_tab();
    sl_lockup_latch_flag = lockup;
    ScanScanner scanner;
    scanner.start_text(text);
    scan_yyparse(&scanner);
}

class PsoRecords : public testing::Test {
protected:
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

// Instance records carry the clock declared last and the marks of their
// element; pipelines, lockup latches and buffers are recorded too.
TEST_F(PsoRecords, InstancesClocksBuffersAndGroups) {
    parse_pso("CLOCK \"c0\";\nMUST_SCAN a;\nCLOCK \"c1\";\nMUST_SCAN 3 ~ ! x ! D { Q };\n"
              "KR_SCAN ( k { C } ) CONTROL TRANSITION;\nDONT_SCAN n;\nBUFFER b1;\nLOCKUP_LATCH l;\n"
              "MUST_BE_TRANSPARENT t CAPTURE1;\n");
    ASSERT_NE(thepsoAST, nullptr);
    EXPECT_EQ(sl_pso_clock_list, (std::vector<std::string>{"c0", "c1"}));
    ASSERT_EQ(sl_pso_instances.size(), 5u);
    const InstanceElement& a = sl_pso_instances[0];
    EXPECT_EQ(a.instance, "a");
    EXPECT_EQ(a.clock_index, 0);
    EXPECT_EQ(a.chain, -1);
    const InstanceElement& x = sl_pso_instances[1];
    EXPECT_EQ(x.instance, "x");
    EXPECT_EQ(x.clock_index, 1);
    EXPECT_EQ(x.chain, 3);
    EXPECT_EQ(x.complement + x.inverse1 + x.inverse2, 3);
    EXPECT_EQ(x.cell_name, "D");
    const InstanceElement& k = sl_pso_instances[2];
    EXPECT_EQ(k.instance, "k");
    EXPECT_EQ(k.cell_name, "C");
    EXPECT_EQ(k.control + k.transition, 2);
    EXPECT_EQ(k.observe + k.pipeline, 0);
    EXPECT_EQ(sl_pso_instances[3].instance, "l");
    EXPECT_EQ(sl_pso_instances[4].instance, "t");
    EXPECT_EQ(sl_pso_instances[4].capture, "CAPTURE1");
    EXPECT_EQ(SL_BUFFER_LIST, (std::vector<std::string>{"b1"}));
    ASSERT_EQ(SL_GROUP_LIST.size(), 1u);
    EXPECT_EQ(SL_GROUP_LIST[0].elements, (std::vector<std::size_t>{3}));
}

struct PsoFatalCase {
    const char* name;
    const char* text;
    bool lockup;
    const char* err;
};
void PrintTo(const PsoFatalCase& c, std::ostream* os) { *os << c.name; }
class PsoRefused : public testing::TestWithParam<PsoFatalCase> {};

// A second scan pad of a kind is an error of the file: non-zero status.
TEST_P(PsoRefused, EndTheRun) {
    auto r = testsupport::run_child([&] { parse_pso(GetParam().text, GetParam().lockup); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    MapPsoGrammar, PsoRefused,
    testing::Values(PsoFatalCase{"SecondScanInPad", "SCAN_IN_PAD a;\nSCAN_OUT_PAD b;\nSCAN_IN_PAD c;\n", false,
                                 "ERROR : 't.pso', line-3, 'PSO_SCAN_IN_PAD' is multiple defined\n"},
                    PsoFatalCase{"SecondScanOutPad", "SCAN_OUT_PAD b;\nSCAN_OUT_PAD ~ c;\n", false,
                                 "ERROR : 't.pso', line-2, 'PSO_SCAN_OUT_PAD' is multiple defined\n"},
                    PsoFatalCase{"PsoStatementInALockupFile", "MUST_SCAN a;\n", true,
                                 "ERROR : 't.pso', line-1, syntax error near or at ;.\n"}),
    [](const testing::TestParamInfo<PsoFatalCase>& i) { return std::string(i.param.name); });

}  // namespace
