// The blocks of a DFT file from selection to black boxes, the path file
// and the lockup-latch file: the trees the fixtures parse to, and the
// inputs that are warned about or refused, with their code and line.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <utility>

#include "scanlang/front/front.h"
#include "scanlang/front/parse_util.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::run_child;
using namespace scantest;

class DftGrammar : public ParseTest {
protected:
    // Parses a DFT text in this process; returns what went to standard
    // error.
    static std::string parse(const std::string& text) {
        return scantest::parse(text).err;
    }
};

// ------------------------------------------------------------ golden trees

struct Fixture {
    const char* kind;  // the driver's file kind
    const char* file;  // under tests/fixtures/scanlang; its tree is <stem>.tree
};
void PrintTo(const Fixture& f, std::ostream* os) { *os << f.file; }

class DftFixtureTrees : public testing::TestWithParam<Fixture> {};

// The driver parses the fixture as the real entry does and prints its
// tree, which must equal the golden print beside it, without a message.
TEST_P(DftFixtureTrees, MatchTheGoldenPrint) {
    std::string file = testsupport::source_path(std::string("tests/fixtures/scanlang/") + GetParam().file);
    std::string golden = file.substr(0, file.rfind('.')) + ".tree";
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), GetParam().kind, file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, testsupport::read_file(golden));
}

INSTANTIATE_TEST_SUITE_P(DftGrammar, DftFixtureTrees,
                         testing::Values(Fixture{"dft", "selection.dft"}, Fixture{"dft", "paths_lists.dft"},
                                         Fixture{"dft", "compression.dft"}, Fixture{"dft", "ports_sequences.dft"},
                                         Fixture{"dft", "pll_blackbox.dft"}, Fixture{"path", "timing.path"},
                                         Fixture{"lockup", "latches.lst"}),
                         [](const testing::TestParamInfo<Fixture>& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A scan amount is a number or a percentage, and its leaf says which.
TEST_F(DftGrammar, ScanInitTakesANumberOrAPercentage) {
    for (auto [operand, leaf] : {std::pair{"10%", "PERCENTAGE_NODE [10%]"}, std::pair{"10", "NUMBER_NODE [10]"}}) {
        std::string err = parse(std::string("%SELECT_SCAN { %SCAN_INIT ") + operand +
                                "; %SCAN_INCR 1; %SCAN_MAX 2; %DONT_SCAN_TYPE D; }");
        EXPECT_EQ(err, "");
        ScanAstNode* init = SCAN_FIND_AST(thedftAST->child->child, SCAN_INIT_NODE);
        ASSERT_NE(init, nullptr);
        std::string printed = testsupport::stdout_of([&] { SCAN_PRINT_AST(init->child, 0); });
        EXPECT_EQ(printed, std::string(leaf) + "\n");
    }
}

// ---------------------------------------------------------------- warnings

// Doubled and missing statements: a warning with its code and line; the
// parse goes on and the statement stays in the tree.
struct WarnCase {
    const char* name;
    std::string input;
    const char* err;
};
void PrintTo(const WarnCase& c, std::ostream* os) { *os << c.name; }

class DftWarnings : public DftGrammar, public testing::WithParamInterface<WarnCase> {};

TEST_P(DftWarnings, Reported) {
    EXPECT_EQ(parse(GetParam().input), GetParam().err);
    EXPECT_EQ(has_error, 1);
    ASSERT_NE(thedftAST, nullptr);
}

const char* const kTdmGroup = " %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; }";

INSTANTIATE_TEST_SUITE_P(
    DftGrammar, DftWarnings,
    testing::Values(
        WarnCase{"TwoTddmGroupsInOneInfo",
                 std::string("%GRISTEL_INFO { %TOP_MODULE t; %TDDM_TDM_INFO g {\n"
                             " %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; }\n"
                             " %TDDM_GROUP a2 { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x; }\n") +
                     kTdmGroup + " } }",
                 "WARNING : 't.dft', line-3, 'TDDM_GROUP' is multiple defined.\n"},
        WarnCase{"TwoScanInits",
                 "%SELECT_SCAN {\n %SCAN_INIT 10;\n %SCAN_INIT 20%;\n %SCAN_INCR 1; %SCAN_MAX 2; %DONT_SCAN_TYPE D; }",
                 "WARNING : 't.dft', line-3, 'SCAN_INIT' is multiple defined.\n"},
        WarnCase{"SelectScanWithoutAmounts", "%SELECT_SCAN {\n %DONT_SCAN a;\n}\n",
                 "WARNING : 't.dft', line-3, '%SCAN_INIT' statement is missing.\n"
                 "WARNING : 't.dft', line-3, '%SCAN_INCR' statement is missing.\n"
                 "WARNING : 't.dft', line-3, '%SCAN_MAX' statement is missing.\n"
                 "WARNING : 't.dft', line-3, '%DONT_SCAN_TYPE' statement is missing.\n"},
        WarnCase{"TwoShiftsInAnInstruction", "%INSTRUCTION i {\n %SHIFT = s;\n %SHIFT = t;\n}\n",
                 "WARNING : 't.dft', line-3, 'SHIFT' is multiple defined.\n"},
        WarnCase{"TwoHoldsInAForceNet", "%SCAN_REPAIR { %FORCE_NET {\n %HOLD = '1';\n %HOLD = '0'; } }",
                 "WARNING : 't.dft', line-3, 'HOLD' is multiple defined.\n"},
        WarnCase{"TwoHookupBlocks", "%HOOKUP { %CLOCK { %NAME = a; } }\n%HOOKUP { %CLOCK { %NAME = b; } }\n",
                 "WARNING : 't.dft', line-2, 'HOOKUP' is multiple defined.\n"},
        WarnCase{"TwoReadMapBlocks",
                 "%READ_MAP { %FILE_NAME = \"a.map\"; }\n%READ_MAP { %FILE_NAME = \"b.map\"; }\n",
                 "WARNING : 't.dft', line-2, 'READ_MAP' is multiple defined.\n"}),
    [](const testing::TestParamInfo<WarnCase>& info) { return std::string(info.param.name); });

// A repeated scan-selection name list joins the first one of its kind;
// the select-scan counters start afresh with the next block.
TEST_F(DftGrammar, RepeatedNameListsMergeAndCountersReset) {
    const std::string block = "%SELECT_SCAN { %SCAN_INIT 1; %SCAN_INCR 1; %SCAN_MAX 2; %DONT_SCAN_TYPE A;"
                              " %MUST_SCAN x; %DONT_SCAN_TYPE B, C; }\n";
    std::string err = parse(block + block);
    // The second block is a doubled once block, not a doubled %SCAN_INIT.
    EXPECT_EQ(err, "WARNING : 't.dft', line-2, 'SELECT_SCAN' is multiple defined.\n");
    ScanAstNode* type = SCAN_FIND_AST(thedftAST->child->child, DONT_SCAN_TYPE_NODE);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(type), 2);
    EXPECT_EQ(SCAN_FIND_AST(type->sibling, DONT_SCAN_TYPE_NODE), nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(thedftAST), 2);
}

// --------------------------------------------------------- refused inputs

// Inputs that end the run: status 255 and the message.
struct FatalCase {
    const char* name;
    std::string input;
    Kind kind;
    const char* out;
    const char* err;
};
void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class DftRefused : public DftGrammar, public testing::WithParamInterface<FatalCase> {};

TEST_P(DftRefused, EndTheRun) {
    auto r = parse_in_child(GetParam().input, GetParam().kind);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, GetParam().out);
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    DftGrammar, DftRefused,
    testing::Values(
        FatalCase{"MulticycleBlockInAPathFile", "%MULTICYCLE_PATH {\n %PATH { %TO = b; }\n}\n",
                  Kind::PATH, "In multicycle path file , should just exist the PATH list!\n", ""},
        FatalCase{"FalsePathBlockInAPathFile", "%FALSE_PATH { %PATH { %FROM = a; } }\n", Kind::PATH,
                  "In false path file , should just exist the PATH list!\n", ""},
        FatalCase{"AutoConstantTwo", "%PLL {\n %NAME = p;\n %AUTO_CONSTANT = 2;\n}\n", Kind::DFT, "",
                  "ERROR : 't.dft', line-3, syntax error near or at 2.\n"},
        FatalCase{"BlackboxOutputThree", "%BLACKBOX {\n %INSTANCE_NAME = u;\n %OUTPUT = 3; }", Kind::DFT, "",
                  "ERROR : 't.dft', line-3, syntax error near or at 3.\n"},
        FatalCase{"UndefinedShiftSequence",
                  "%SEQUENCE load { %FORCE se = '1'; }\n%INSTRUCTION scan {\n %PREAMBLE = load;\n %SHIFT = shft;\n}\n",
                  Kind::DFT, "", "ERROR : 't.dft', line-4, SEQUENCE name - 'shft' is undefined.\n"},
        FatalCase{"UndefinedPreambleSequence",
                  "%INSTRUCTION scan {\n %PREAMBLE = nope, load;\n}\n%SEQUENCE load { %FORCE se = '1'; }\n",
                  Kind::DFT, "", "ERROR : 't.dft', line-2, SEQUENCE name - 'nope' is undefined.\n"},
        FatalCase{"StatementOutOfPlace", "%PORT_INFO {\n %PORT p { %CYCLE = 1; } }", Kind::DFT, "",
                  "ERROR : 't.dft', line-2, syntax error near or at %CYCLE.\n"},
        FatalCase{"PercentageInACiphertext", "%CIPHERTEXT { 1\n 10% }", Kind::DFT, "",
                  "ERROR : 't.dft', line-2, syntax error near or at 10%.\n"},
        FatalCase{"LockupLineInAPathFile", "%PATH { %TO = a; }\nlat;\n", Kind::PATH, "",
                  "ERROR : 't.dft', line-2, syntax error near or at lat.\n"}),
    [](const testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

}  // namespace
