// The parser frame: file kinds and their roots, the top level of a DFT
// file (once, list and free blocks), the sequence and %GRISTEL_INFO
// blocks with their statement counting, syntax errors, refused blocks and
// the conflict-free grammar.
#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "scanlang/front/parse_util.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::run_child;
using namespace scantest;

class Parser : public ParseTest {};

const char* const kValidSequence =
    "%SEQUENCE shift {\n"
    "    %FORCE se = '1';\n"
    "    %CLOCK clk;\n"
    "    %CYCLE_LENGTH = 2;\n"
    "    %FORCE_CLOCK tck = '01';\n"
    "}\n";

const char* const kValidGristel =
    "%GRISTEL_INFO {\n"
    "    %TOP_MODULE chip;\n"
    "    %SPEED_RATIO 4;\n"
    "    %TDDM_TDM_INFO g1 {\n"
    "        %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x, y z; }\n"
    "        %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; }\n"
    "        %SPEED_RATIO 2;\n"
    "    }\n"
    "    %TDDM_TDM_INFO g2 {\n"
    "        %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; }\n"
    "        %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; }\n"
    "    }\n"
    "}\n";

TEST_F(Parser, EmptyInputGivesABareRootAndClearsTheOtherRoots) {
    Parsed dft = parse("%SCAN_IN_LIST = a;\n");
    ASSERT_NE(thedftAST, nullptr);
    Parsed empty = parse("  // nothing but a comment\n");
    EXPECT_EQ(empty.tree, "PROGRAM_NODE\n");
    ASSERT_NE(theAST, nullptr);
    EXPECT_EQ(theAST->child, nullptr);
    // A root holds the tree of the latest parse only.
    EXPECT_EQ(thedftAST, nullptr);
    EXPECT_EQ(empty.err, "");
    parse("%SCAN_IN_LIST = a;\n");
    EXPECT_EQ(theAST, nullptr);
}

TEST_F(Parser, ValidSequencesParseSilentlyIntoOneList) {
    std::string three = std::string(kValidSequence) + "%SEQUENCE capture { %FORCE a = '0'; %FORCE b = '1'; }\n" +
                        "%SEQUENCE hold { %CLOCK c = '1'; %FRAME_LENGTH = 3; }\n";
    Parsed p = parse(three);
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.warned, 0);
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    SEQUENCE_LIST_NODE\n"
              "        SEQUENCE_NODE\n"
              "            IDENT_NODE [shift]\n"
              "            FORCE_LIST_NODE\n"
              "                FORCE_NODE\n"
              "                    IDENT_NODE [se]\n"
              "                    PATTERN_NODE [1]\n"
              "                FORCE_CLOCK_NODE\n"
              "                    IDENT_NODE [clk]\n"
              "                FORCE_CLOCK_NODE\n"
              "                    IDENT_NODE [tck]\n"
              "                    PATTERN_NODE [01]\n"
              "            CYCLE_LENGTH_NODE\n"
              "                NUMBER_NODE [2]\n"
              "        SEQUENCE_NODE\n"
              "            IDENT_NODE [capture]\n"
              "            FORCE_LIST_NODE\n"
              "                FORCE_NODE\n"
              "                    IDENT_NODE [a]\n"
              "                    PATTERN_NODE [0]\n"
              "                FORCE_NODE\n"
              "                    IDENT_NODE [b]\n"
              "                    PATTERN_NODE [1]\n"
              "        SEQUENCE_NODE\n"
              "            IDENT_NODE [hold]\n"
              "            FORCE_LIST_NODE\n"
              "                FORCE_CLOCK_NODE\n"
              "                    IDENT_NODE [c]\n"
              "                    PATTERN_NODE [1]\n"
              "            FRAME_LENGTH_NODE\n"
              "                NUMBER_NODE [3]\n");
    // Every node points at its parent.
    ScanAstNode* list = thedftAST->child;
    EXPECT_EQ(list->parent, thedftAST);
    EXPECT_EQ(list->child->sibling->sibling->parent, list);
}

TEST_F(Parser, ValidGristelInfoParsesSilently) {
    Parsed p = parse(kValidGristel);
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.warned, 0);
    // The second %TDDM_TDM_INFO joins the list the first one opened.
    EXPECT_NE(p.tree.find("GRISTEL_INFO_NODE\n"
                          "        TOP_MODULE_NODE\n"
                          "            IDENT_NODE [chip]\n"
                          "        SPEED_RATIO_NODE\n"
                          "            NUMBER_NODE [4]\n"
                          "        TDDM_TDM_INFO_LIST_NODE\n"
                          "            TDDM_TDM_INFO_NODE\n"
                          "                IDENT_NODE [g1]\n"
                          "                TDDM_GROUP_NODE\n"),
              std::string::npos)
        << p.tree;
    EXPECT_NE(p.tree.find("                    CHAIN_ORDER_NODE\n"
                          "                        IDENT_LIST_NODE\n"
                          "                            IDENT_NODE [x]\n"
                          "                            IDENT_NODE [y]\n"
                          "                            IDENT_NODE [z]\n"),
              std::string::npos)
        << p.tree;
    ScanAstNode* list = SCAN_FIND_AST(thedftAST->child->child, TDDM_TDM_INFO_LIST_NODE);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(list), 2);
}

// Missing, repeated and out-of-place statements of the blocks built here,
// as the user sees them.
struct WarnCase {
    const char* name;
    std::string input;
    const char* err;
};
void PrintTo(const WarnCase& c, std::ostream* os) { *os << c.name; }

class BlockWarnings : public Parser, public testing::WithParamInterface<WarnCase> {};

TEST_P(BlockWarnings, Reported) {
    Parsed p = parse(GetParam().input);
    EXPECT_EQ(p.err, GetParam().err);
    EXPECT_EQ(p.warned, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Parser, BlockWarnings,
    testing::Values(
        WarnCase{"SequenceWithoutForce", "%SEQUENCE s {\n %CYCLE_LENGTH = 1;\n}\n",
                 "WARNING : 't.dft', line-3, '%FORCE' statement is missing.\n"},
        WarnCase{"SequenceWithTwoCycleLengths", "%SEQUENCE s { %FORCE a = '1';\n %CYCLE_LENGTH = 1;\n %CYCLE_LENGTH = 2; }",
                 "WARNING : 't.dft', line-3, 'CYCLE_LENGTH' is multiple defined.\n"},
        WarnCase{"GristelWithoutTopModule",
                 "%GRISTEL_INFO { %TDDM_TDM_INFO g { %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; }\n"
                 " %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; } } }",
                 "WARNING : 't.dft', line-2, 'TOP_MODULE' statement is missing.\n"},
        WarnCase{"TddmTdmInfoWithoutTdmGroup",
                 "%GRISTEL_INFO { %TOP_MODULE t; %TDDM_TDM_INFO g {\n"
                 " %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; } %SPEED_RATIO 2; } }",
                 "WARNING : 't.dft', line-2, '%TDM_GROUP' statement is missing.\n"},
        WarnCase{"TwoClocksInATddmGroup",
                 "%GRISTEL_INFO { %TOP_MODULE t; %TDDM_TDM_INFO g {\n"
                 " %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c;\n %CLOCK = d; %CHAIN_ORDER x; }\n"
                 " %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; } } }",
                 "WARNING : 't.dft', line-3, 'CLOCK' is multiple defined.\n"},
        WarnCase{"TdmGroupMissingEverything",
                 "%GRISTEL_INFO { %TOP_MODULE t; %TDDM_TDM_INFO g {\n"
                 " %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; }\n"
                 " %TDM_GROUP b { %CLEAR = r; } } }",
                 "WARNING : 't.dft', line-3, '%TDM_OUT' statement is missing.\n"
                 "WARNING : 't.dft', line-3, '%CLOCK' statement is missing.\n"
                 "WARNING : 't.dft', line-3, '%CHAIN_ORDER' statement is missing.\n"},
        WarnCase{"RepeatedOnceBlock", "%SCAN_IN_LIST = a;\n%SCAN_IN_LIST = b;\n",
                 "WARNING : 't.dft', line-2, 'SCAN_IN_LIST' is multiple defined.\n"},
        WarnCase{"RepeatedGristelInfo", std::string(kValidGristel) + kValidGristel,
                 "WARNING : 't.dft', line-26, 'GRISTEL_INFO' is multiple defined.\n"}),
    [](const testing::TestParamInfo<WarnCase>& info) { return std::string(info.param.name); });

TEST_F(Parser, RepeatedOnceBlockStaysInTheTreeUnwrapped) {
    Parsed p = parse("%SCAN_IN_LIST = a b;\n%SCAN_OUT_LIST = c, d;\n%SCAN_IN_LIST = e;\n");
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    SCAN_IN_LIST_NODE\n"
              "        IDENT_LIST_NODE\n"
              "            IDENT_NODE [a]\n"
              "            IDENT_NODE [b]\n"
              "    SCAN_OUT_LIST_NODE\n"
              "        IDENT_LIST_NODE\n"
              "            IDENT_NODE [c]\n"
              "            IDENT_NODE [d]\n"
              "    IDENT_LIST_NODE\n"
              "        IDENT_NODE [e]\n");
}

TEST_F(Parser, LockupLatchFile) {
    Parsed p = parse("u1/lat;\nbus[3];\n\\esc[1] ;\n", Kind::LOCKUP);
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    LOCKUP_LATCH_LIST_NODE\n"
              "        IDENT_NODE [u1/lat]\n"
              "        IDENT_NODE [bus[3]]\n"
              "        IDENT_NODE [\\esc[1]]\n");
}

// Inputs that end the run: the message on standard error and status 255.
struct FatalCase {
    const char* name;
    std::string input;
    Kind kind;
    const char* err;
};
void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class FatalInputs : public Parser, public testing::WithParamInterface<FatalCase> {};

TEST_P(FatalInputs, EndTheRun) {
    auto r = parse_in_child(GetParam().input, GetParam().kind);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().err);
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Parser, FatalInputs,
    testing::Values(
        FatalCase{"LockupLineAloneInADftFile", "a;\n", Kind::DFT,
                  "ERROR : 't.dft', line-1, syntax error near or at ;.\n"},
        FatalCase{"LockupLineAfterABlock", "%SCAN_IN_LIST = a;\nlat;\n", Kind::DFT,
                  "ERROR : 't.dft', line-2, syntax error near or at lat.\n"},
        FatalCase{"TokenNoRuleAccepts", "%SEQUENCE s { %FORCE a = 1; }", Kind::DFT,
                  "ERROR : 't.dft', line-1, syntax error near or at 1.\n"},
        FatalCase{"UnexpectedEnd", "%SEQUENCE s { %FORCE a = '1';", Kind::DFT,
                  "ERROR : 't.dft', line-1, syntax error near or at .\n"},
        FatalCase{"SelectFaultWithoutItems", "%SCAN_IN_LIST = a;\n%SELECT_FAULT {\n}\n", Kind::DFT,
                  "ERROR : 't.dft', line-3, syntax error near or at }.\n"},
        FatalCase{"EmptySetTimingInASequence", "%SEQUENCE s { %SET_TIMING { } }", Kind::DFT,
                  "ERROR : 't.dft', line-1, syntax error near or at }.\n"},
        FatalCase{"UnterminatedMapBlock", "%MAP_SCAN lib {", Kind::MAP,
                  "ERROR : 't.dft', line-1, syntax error near or at .\n"}),
    [](const testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

// Names have no length limit, bus bits included.
TEST_F(Parser, LongBusBitIsKept) {
    Parsed p = parse(std::string(5000, 'n') + "[12];", Kind::LOCKUP);
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.tree.size(), std::string("PROGRAM_NODE\n    LOCKUP_LATCH_LIST_NODE\n        IDENT_NODE []\n").size() + 5004);
}

TEST_F(Parser, MultipleErrorNamesTheKindExactly) {
    in_file_name = "t.dft";
    scan_yylineno = 4;
    EXPECT_EQ(testsupport::stderr_of([] { multiple_error("SCAN_INIT_NODE"); }),
              "WARNING : 't.dft', line-4, 'SCAN_INIT' is multiple defined.\n");
    EXPECT_EQ(testsupport::stderr_of([] { multiple_error("DUMMY"); }),
              "WARNING : 't.dft', line-4, 'DUMMY' is multiple defined.\n");
    EXPECT_EQ(has_error, 1);
}

TEST_F(Parser, DriverPrintsTheTreeOfAFile) {
    testsupport::TempDir dir;
    std::string file = dir.write("t.dft", kValidSequence);
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "dft", file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("PROGRAM_NODE\n    SEQUENCE_LIST_NODE\n        SEQUENCE_NODE\n", 0), 0u) << r.out;
    file = dir.write("bad.dft", "%SCAN_IN_LIST = a;\nlat;\n");
    r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "dft", file});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : '" + file + "', line-2, syntax error near or at lat.\n");
    // A lockup-latch file is accepted only as one.
    file = dir.write("t.lst", "lat;\n");
    r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "lockup", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "PROGRAM_NODE\n    LOCKUP_LATCH_LIST_NODE\n        IDENT_NODE [lat]\n");
    r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "dft", file});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : '" + file + "', line-1, syntax error near or at ;.\n");
}

// The grammar, as assembled from its fragments, has no conflicts: bison
// says nothing about it with every warning on, and the grammar states
// the count it expects.
TEST_F(Parser, GrammarHasNoConflicts) {
    if (!testsupport::have_program("bison")) GTEST_SKIP() << "bison is not installed";
    std::string grammar = testsupport::built_program("scanlang/front/scan_parser.y");
    std::string text = testsupport::read_file(grammar);
    EXPECT_NE(text.find("\n%expect 0\n"), std::string::npos);
    testsupport::TempDir dir;
    auto r = testsupport::run({"bison", "-Wall", "-Wcounterexamples", "-o", (dir.path() / "p.c").string(), grammar});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
