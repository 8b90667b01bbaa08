// The connect-BIST, ATPG-constraint, test-conversion, fault-selection,
// test-access, scan-module and memory-BIST blocks of a DFT file: the
// trees of whole fixture files (compared with their golden prints), the
// list and name merges, the warnings of repeated statements and empty
// blocks, the pattern-length error and the memory-BIST pin check.
#include <gtest/gtest.h>

#include "support/param_name.h"

#include <string>

#include "scanlang/front/front.h"
#include "scanlang/front/parse_util.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using namespace scantest;

class BistAtpgBlocks : public scantest::ParseTest {};

// ------------------------------------------------------- golden fixtures

class BistAtpgFixtureTrees : public testing::TestWithParam<const char*> {};

TEST_P(BistAtpgFixtureTrees, MatchTheGoldenPrint) {
    const std::string base = testsupport::source_path(std::string("tests/fixtures/scanlang/") + GetParam());
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "dft", base + ".dft"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, testsupport::read_file(base + ".tree"));
}

INSTANTIATE_TEST_SUITE_P(BistAtpgBlocks, BistAtpgFixtureTrees,
                         testing::Values("connect_bist", "atpg_constraints", "test_conversion", "select_fault",
                                         "mbist"),
    [](const auto& i) { return testsupport::param_name(i.param); });

// ------------------------------------------------------------ the merges

// Each ATPG mode section opens its own list nodes; a repeated name
// statement gives its names to the first one of its kind in the section.
TEST_F(BistAtpgBlocks, EachModeSectionMergesItsOwnStatements) {
    Parsed p = parse(
        "%ATPG_CONSTRAINTS {\n"
        " %ATPG_MODE \"a\" { %FORCE x = '1'; %BYPASS b1; %FORCE y = '0'; %BYPASS b2 b3; }\n"
        " %ATPG_MODE \"b\" { %BYPASS b4; %FORCE z = '1'; }\n"
        "}\n");
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    ATPG_CONSTAINTS_NODE\n"
              "        ATPG_MODE_NODE\n"
              "            IDENT_NODE [a]\n"
              "            ATPG_CONTAIN_NODE\n"
              "                FORCE_LIST_NODE\n"
              "                    FORCE_NODE\n"
              "                        IDENT_NODE [x]\n"
              "                        PATTERN_NODE [1]\n"
              "                    FORCE_NODE\n"
              "                        IDENT_NODE [y]\n"
              "                        PATTERN_NODE [0]\n"
              "                BYPASS_NODE\n"
              "                    IDENT_NODE [b1]\n"
              "                    IDENT_NODE [b2]\n"
              "                    IDENT_NODE [b3]\n"
              "        ATPG_MODE_NODE\n"
              "            IDENT_NODE [b]\n"
              "            ATPG_CONTAIN_NODE\n"
              "                BYPASS_NODE\n"
              "                    IDENT_NODE [b4]\n"
              "                FORCE_LIST_NODE\n"
              "                    FORCE_NODE\n"
              "                        IDENT_NODE [z]\n"
              "                        PATTERN_NODE [1]\n");
}

// A repeated pad is reported and left out; the block keeps its first pads.
TEST_F(BistAtpgBlocks, ARepeatedPadIsWarnedAndDropped) {
    Parsed p = parse("%TEST_CONVERSION {\n %DIFF_PAD p { %P_PAD = a; %P_PAD = b; %N_PAD = c; }\n}\n");
    EXPECT_EQ(p.err, "WARNING : 't.dft', line-2, 'P_PAD' is multiple defined.\n");
    EXPECT_EQ(p.warned, 1);
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    TEST_CONVERSION_NODE\n"
              "        DIFF_PAD_LIST_NODE\n"
              "            DIFF_PAD_NODE\n"
              "                IDENT_NODE [p]\n"
              "                P_PAD_NODE\n"
              "                    IDENT_NODE [a]\n"
              "                N_PAD_NODE\n"
              "                    IDENT_NODE [c]\n");
}

// ------------------------------------------------------------- warnings

struct WarningCase {
    const char* name;
    std::string input;
    const char* err;
};
void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }

class BistAtpgWarnings : public BistAtpgBlocks, public testing::WithParamInterface<WarningCase> {};

TEST_P(BistAtpgWarnings, Reported) {
    Parsed p = parse(GetParam().input);
    EXPECT_EQ(p.err, GetParam().err);
    EXPECT_EQ(p.warned, 1);
}

INSTANTIATE_TEST_SUITE_P(
    BistAtpgBlocks, BistAtpgWarnings,
    testing::Values(
        WarningCase{"EmptyAtpgConstraints", "%ATPG_CONSTRAINTS {\n}\n",
                    "WARNING : 't.dft', line-2, '%ATPG_CONSTRAINTS' has empty body.\n"},
        WarningCase{"RepeatedAtpgMode", "%ATPG_CONSTRAINTS {\n %ATPG_MODE \"m\" { }\n %ATPG_MODE \"m\" { }\n}\n",
                    "WARNING : 't.dft', line-3, '%ATPG_MODE m' is multiple defined.\n"},
        WarningCase{"RepeatedStrobe", "%ATPG_CONSTRAINTS { %ATPG_MODE \"m\" {\n %STROBE a = '1';\n %STROBE b = '0'; } }",
                    "WARNING : 't.dft', line-3, 'STROBE' is multiple defined.\n"},
        WarningCase{"RepeatedBistSeed",
                    "%CONNECT_BIST b c { %BIST_PORT { %SCAN_IN = i; %SCAN_OUT = o; }\n"
                    " %BIST_INSTRUCTION { %INSTRUCTION = r; %SEED = '1'; %SEED = '0'; }\n"
                    " %BIST_INSTANCES { u; } %BIST_TYPE = \"t\"; %BIST_CLOCK_1 { %CLOCK = k; }\n"
                    " %BIST_SELECT_1 { %SELECT = s; %GLOBAL_SELECT = g; } }",
                    "WARNING : 't.dft', line-2, 'PATTERN' is multiple defined.\n"},
        WarningCase{"RepeatedRandomSample", "%SELECT_FAULT {\n %RANDOM_SAMPLE 10;\n %RANDOM_SAMPLE 20%;\n}\n",
                    "WARNING : 't.dft', line-3, 'RANDOM_SAMPLE' is multiple defined.\n"},
        WarningCase{"RepeatedInitPatterns", "%TA_CONSTRAINTS {\n %INIT_PATTERNS a;\n %INIT_PATTERNS b;\n}\n",
                    "WARNING : 't.dft', line-3, 'INIT_PATTERNS' is multiple defined.\n"},
        WarningCase{"RepeatedModuleScanIn", "%SCAN_MODULE m {\n %SCAN_IN = a;\n %SCAN_IN = b;\n}\n",
                    "WARNING : 't.dft', line-3, 'SCAN_IN' is multiple defined.\n"},
        WarningCase{"MissingStatisticalConfidence", "%SELECT_FAULT {\n %STATISTICAL_SAMPLE { %PRECISION 1%; }\n}\n",
                    "WARNING : 't.dft', line-2, '%CONFIDENCE_LEVEL' statement is missing.\n"}),
    [](const testing::TestParamInfo<WarningCase>& info) { return std::string(info.param.name); });

// ------------------------------------------------------- ending the run

// A legal, illegal or gray-code pattern must be as long as its port list.
TEST_F(BistAtpgBlocks, APatternLongerThanItsPortsEndsTheRun) {
    auto r = parse_in_child("%ATPG_CONSTRAINTS {\n %ATPG_MODE \"m\" {\n %LEGAL_INPUTS a b = '01', '011';\n }\n}\n", Kind::DFT, true);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.dft', line-3, pattern length (011) is inconsistent with port number.\n");
    EXPECT_EQ(r.out, "");
    auto ok = parse_in_child("%ATPG_CONSTRAINTS {\n %ATPG_MODE \"m\" {\n %GRAY_CODE a b c = '011';\n }\n}\n", Kind::DFT, true);
    EXPECT_EQ(ok.status, 0) << ok.err;
}

// The instance part of an unbraced memory-BIST pin must end in "_" and a
// number: "0" or a nonzero decimal number after the last "_".
struct PinCase {
    const char* name;
    const char* pin;    // the text after "%BISTMODE = "
    const char* tree;   // the BISTMODE_NODE's children when accepted, else null
};
void PrintTo(const PinCase& c, std::ostream* os) { *os << c.name; }

class MbistPinFormats : public BistAtpgBlocks, public testing::WithParamInterface<PinCase> {};

TEST_P(MbistPinFormats, AcceptedOrRefused) {
    auto r = parse_in_child(std::string("%MBIST_CONSTRAINTS { %MBIST_CONTROL 0 { %BISTMODE = ") + GetParam().pin +
                                "; } }",
                            Kind::DFT, true);
    if (GetParam().tree) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out,
                  std::string("PROGRAM_NODE\n    MBIST_CONSTRAINTS_NODE\n        MBIST_CONTROL_NODE\n"
                              "            NUMBER_NODE [0]\n            BISTMODE_NODE\n") +
                      GetParam().tree);
    } else {
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, "ERROR : BISTMODE pin format error !\n");
        EXPECT_EQ(r.out, "");
    }
}

#define PIN_PAIR(inst, pin) "                IDENT_NODE [" inst "]\n                IDENT_NODE [" pin "]\n"
INSTANTIATE_TEST_SUITE_P(
    BistAtpgBlocks, MbistPinFormats,
    testing::Values(PinCase{"NumberZero", "ctl_0.mode", PIN_PAIR("ctl_0", "mode")},
                    PinCase{"NonzeroNumber", "ctl_12.mode", PIN_PAIR("ctl_12", "mode")},
                    PinCase{"UnderscoresBeforeTheNumber", "mbist_ctl_0.mode", PIN_PAIR("mbist_ctl_0", "mode")},
                    PinCase{"DotsInThePin", "ctl_3.a.b", PIN_PAIR("ctl_3", "a.b")},
                    PinCase{"NoDot", "ctl", "                IDENT_NODE [ctl]\n"},
                    PinCase{"Braced", "{ ctl.mode }", "                IDENT_NODE [ctl.mode]\n"},
                    PinCase{"NoUnderscore", "ctl.mode", nullptr},
                    PinCase{"LetterAfterUnderscore", "ctl_x.mode", nullptr},
                    PinCase{"NothingAfterUnderscore", "ctl_.mode", nullptr},
                    PinCase{"ZeroWrittenTwice", "ctl_00.mode", nullptr},
                    PinCase{"NumberThenLetter", "ctl_1x.mode", nullptr},
                    PinCase{"NumberOnlyBeforeAnEarlierUnderscore", "ctl_1_a.mode", nullptr}),
    [](const testing::TestParamInfo<PinCase>& info) { return std::string(info.param.name); });
#undef PIN_PAIR

}  // namespace
