// The scan-chain, core, wrapper, test-scheduling, test-file and decoder
// blocks of a DFT file: the trees of whole fixture files (printed by the
// test driver and compared with their golden prints), the filing of
// repeated selects, clocks and chains under their list nodes, statement
// counting with its warnings, and the inputs that end the run.
#include <gtest/gtest.h>

#include "support/param_name.h"

#include <string>

#include "scanlang/front/front.h"
#include "scanlang/front/parse_util.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using namespace scantest;

class ChainBlocks : public scantest::ParseTest {};

// ------------------------------------------------------- golden fixtures

// Each fixture file parses (as a DFT file, through the test driver) into
// exactly the tree of its golden print; what the driver writes on
// standard output is the tree, after any message the parse printed there.
class ChainFixtureTrees : public testing::TestWithParam<const char*> {};

TEST_P(ChainFixtureTrees, MatchTheGoldenPrint) {
    const std::string base = testsupport::source_path(std::string("tests/fixtures/scanlang/") + GetParam());
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "dft", base + ".dft"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, testsupport::read_file(base + ".tree"));
}

INSTANTIATE_TEST_SUITE_P(ChainBlocks, ChainFixtureTrees,
                         testing::Values("connect_scan", "connect_core", "core", "wrapper", "test_sessions",
                                         "scan_decoder"),
    [](const auto& i) { return testsupport::param_name(i.param); });

// ------------------------------------------------------------ list nodes

TEST_F(ChainBlocks, LaterSelectsAndClocksJoinTheListWhereTheFirstStood) {
    Parsed p = parse(
        "%CONNECT_SCAN c lib {\n"
        "  %SCAN_SELECT_1 { %SELECT = s1; %GLOBAL_SELECT = g1; }\n"
        "  %SCAN_CLOCK_4 { %CLOCK = k1; }\n"
        "  %SCAN_INSTRUCTION { %INSTRUCTION = i; }\n"
        "  %SCAN_SELECT_2 { %SELECT = s2; %GLOBAL_SELECT = g2; }\n"
        "  %SCAN_CLOCK { %CLOCK = k2; }\n"
        "}\n");
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    CONNECT_SCAN_LIST_NODE\n"
              "        CONNECT_SCAN_NODE\n"
              "            IDENT_NODE [c]\n"
              "            IDENT_NODE [lib]\n"
              "            SCAN_SELECT_LIST_NODE\n"
              "                SCAN_SELECT_NODE\n"
              "                    IDENT_NODE [%SCAN_SELECT_1]\n"
              "                    SELECT_NODE\n"
              "                        IDENT_NODE [s1]\n"
              "                    GLOBAL_SELECT_NODE\n"
              "                        IDENT_NODE [g1]\n"
              "                SCAN_SELECT_NODE\n"
              "                    IDENT_NODE [%SCAN_SELECT_2]\n"
              "                    SELECT_NODE\n"
              "                        IDENT_NODE [s2]\n"
              "                    GLOBAL_SELECT_NODE\n"
              "                        IDENT_NODE [g2]\n"
              "            SCAN_CLOCK_LIST_NODE\n"
              "                SCAN_CLOCK_NODE\n"
              "                    IDENT_NODE [%SCAN_CLOCK_4]\n"
              "                    CLOCK_NODE\n"
              "                        IDENT_NODE [k1]\n"
              "                SCAN_CLOCK_NODE\n"
              "                    IDENT_NODE [%SCAN_CLOCK]\n"
              "                    CLOCK_NODE\n"
              "                        IDENT_NODE [k2]\n"
              "            SCAN_INSTRUCTION_NODE\n"
              "                IDENT_NODE [i]\n");
    // Every filed node points at the list that holds it.
    ScanAstNode* list = SCAN_FIND_AST(thedftAST->child->child->child, SCAN_SELECT_LIST_NODE);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->child->sibling->parent, list);
}

TEST_F(ChainBlocks, ANumberNamingAChainBecomesAnIdentifier) {
    Parsed p = parse("%CONNECT_SCAN 3 lib {\n %SCAN_INSTRUCTION { %INSTRUCTION = i; }\n}\n");
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.tree,
              "PROGRAM_NODE\n"
              "    CONNECT_SCAN_LIST_NODE\n"
              "        CONNECT_SCAN_NODE\n"
              "            IDENT_NODE [3]\n"
              "            IDENT_NODE [lib]\n"
              "            SCAN_INSTRUCTION_NODE\n"
              "                IDENT_NODE [i]\n");
    ScanAstNode* name = thedftAST->child->child->child;
    EXPECT_EQ(name->kind, IDENT_NODE);
    EXPECT_EQ(name->line, 1);
}

// From the third clock of one wrapper chain on, each clock prints the
// warning line; all are kept, under the list the first one opened, and
// the next chain counts afresh.
TEST_F(ChainBlocks, AThirdWrapperChainClockIsWarnedAndKept) {
    const std::string chain =
        "%WRAPPER { %KORRAL {\n"
        " %WRAPPER_CHAIN a { %CLOCK = c1; %SCAN_IN = i; %CLOCK = c2; %SCAN_OUT = o; %CLOCK = c3; %CLOCK = c4; }\n"
        " %WRAPPER_CHAIN b { %CLOCK = c1; %CLOCK = c2; %SCAN_IN = i; %SCAN_OUT = o; }\n"
        "} }\n";
    Parsed p = parse(chain);
    EXPECT_EQ(p.out,
              "WARNING : there are more than 2 clk in the wrapper chain\n"
              "WARNING : there are more than 2 clk in the wrapper chain\n");
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.warned, 0);
    ScanAstNode* chains = SCAN_FIND_AST(thedftAST->child->child->child, WRAPPER_CHAIN_LIST_NODE);
    ASSERT_NE(chains, nullptr);
    ASSERT_EQ(SCAN_CHILD_COUNT(chains), 2);
    ScanAstNode* clocks = SCAN_FIND_AST(chains->child->child, WRAPPER_CLOCK_LIST_NODE);
    ASSERT_NE(clocks, nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(clocks), 4);
    EXPECT_EQ(std::string(clocks->child->sibling->sibling->child->attribute), "c3");
}

// --------------------------------------------------- statement counting

struct WarnCase {
    const char* name;
    std::string input;
    const char* err;  // standard error of the parse; empty: no warning
};
void PrintTo(const WarnCase& c, std::ostream* os) { *os << c.name; }

class ChainWarnings : public ChainBlocks, public testing::WithParamInterface<WarnCase> {};

TEST_P(ChainWarnings, Reported) {
    Parsed p = parse(GetParam().input);
    EXPECT_EQ(p.err, GetParam().err);
    EXPECT_EQ(p.warned, std::string(GetParam().err).empty() ? 0 : 1);
}

// A connect-scan block that is complete apart from the items given.
std::string chain_with(const std::string& items) {
    return "%CONNECT_SCAN c lib {\n %SCAN_INSTRUCTION { %INSTRUCTION = i; }\n" + items + "}\n";
}
std::string decoder_with(const std::string& items) { return "%SCAN_DECODER {\n" + items + "}\n"; }

INSTANTIATE_TEST_SUITE_P(
    ChainBlocks, ChainWarnings,
    testing::Values(
        WarnCase{"TwoScanDelays",
                 chain_with(" %SCAN_DELAY { %DELAY_OUT = a; %DELAY_OUT_DEFAULT = b; %SCAN_TEST = c; }\n"
                            " %SCAN_DELAY { %DELAY_OUT = a; %DELAY_OUT_DEFAULT = b; %SCAN_TEST = c; }\n"),
                 "WARNING : 't.dft', line-4, 'SCAN_DELAY' is multiple defined.\n"},
        WarnCase{"ScanDelayMissingItsTest", chain_with(" %SCAN_DELAY { %DELAY_OUT = a; %DELAY_OUT_DEFAULT = b; }\n"),
                 "WARNING : 't.dft', line-3, '%SCAN_TEST' statement is missing.\n"},
        WarnCase{"ScanPortWithTwoScanIns", chain_with(" %SCAN_PORT { %SCAN_IN = a; %SCAN_IN = b; %SCAN_OUT = c; }\n"),
                 "WARNING : 't.dft', line-3, 'SCAN_IN' is multiple defined.\n"},
        WarnCase{"SelectWithoutGlobalSelect", chain_with(" %SCAN_SELECT_1 { %SELECT = s; }\n"),
                 "WARNING : 't.dft', line-3, '%GLOBAL_SELECT' statement is missing.\n"},
        WarnCase{"ScanClockWithTwoPolarities", chain_with(" %SCAN_CLOCK { %CLOCK_POLARITY = R;\n %CLOCK_POLARITY = F; }\n"),
                 "WARNING : 't.dft', line-4, 'CLOCK_POLARITY' is multiple defined.\n"},
        WarnCase{"ChainWithoutInstruction", "%CONNECT_SCAN c lib {\n %MS_VIOLATION 1;\n}\n",
                 "WARNING : 't.dft', line-3, '%SCAN_INSTRUCTION' statement is missing.\n"},
        WarnCase{"ChainWithInstancesAndTheirFile",
                 chain_with(" %SCAN_INSTANCES { a; }\n %SCAN_INSTANCES_FILE { %FILE_NAME = \"f\"; }\n"),
                 "WARNING : 't.dft', line-5, '%SCAN_INSTANCES' and '%SCAN_INSTANCES_FILE' statements can't appear in "
                 "the same time.\n"},
        WarnCase{"CoreConnectionWithTwoModules", "%CONNECT_CORE u {\n %MODULE_NAME = a;\n %MODULE_NAME = b;\n}\n",
                 "WARNING : 't.dft', line-3, 'MODULE_NAME' is multiple defined.\n"},
        WarnCase{"WrapperChainWithTwoScanIns",
                 "%WRAPPER { %KORRAL { %WRAPPER_CHAIN w { %CLOCK = c; %SCAN_IN = a;\n %SCAN_IN = b; %SCAN_OUT = o; } } }",
                 "WARNING : 't.dft', line-2, 'WRAPPER_CHAIN_SCAN_IN' is multiple defined.\n"},
        WarnCase{"WrapperChainWithoutScanOut", "%WRAPPER { %KORRAL { %WRAPPER_CHAIN w { %CLOCK = c; %SCAN_IN = a; } } }",
                 "WARNING : 't.dft', line-1, '%SCAN_OUT' statement is missing.\n"},
        WarnCase{"SecondWrapperIsOnlyWarned",
                 "%WRAPPER { %KORRAL { %WRAPPER_CHAIN w { %CLOCK = c; %SCAN_IN = a; %SCAN_OUT = o; } } }\n"
                 "%WRAPPER { %KORRAL { %WRAPPER_CHAIN w { %CLOCK = c; %SCAN_IN = a; %SCAN_OUT = o; }\n"
                 "  %WRAPPER_CHAIN v { %CLOCK = c; %SCAN_IN = a; %SCAN_OUT = o; } } }\n",
                 "WARNING : 't.dft', line-3, 'WRAPPER' is multiple defined.\n"},
        WarnCase{"TwoClockPeriods", "%CLOCK_PERIOD { %CLOCK c = 1; }\n%CLOCK_PERIOD { %CLOCK c = 2; }\n",
                 "WARNING : 't.dft', line-2, 'CLOCK_PERIOD' is multiple defined.\n"},
        WarnCase{"ModeBlockWithTwoPortNames",
                 decoder_with(" %SCAN_MODE { %PORT_NAME = a;\n %PORT_NAME = b; }\n"
                              " %TEST_MODE { %PORT_NAME = c; %PAD_NAME = d; }\n"),
                 "WARNING : 't.dft', line-3, 'DECODER_PORT_NAME' is multiple defined.\n"},
        WarnCase{"KrModeWithSeveralNumberedPorts",
                 decoder_with(" %KR_MODE { %PORT_NAME k0 = 0; %PORT_NAME k1 = 1; %PORT_NAME = k2; }\n"), ""},
        WarnCase{"KrModeWithTwoPadNames", decoder_with(" %KR_MODE { %PAD_NAME = a;\n %PAD_NAME = b; }\n"),
                 "WARNING : 't.dft', line-3, 'DECODER_PAD_NAME' is multiple defined.\n"},
        WarnCase{"OutputBlockWithTwoInstances",
                 decoder_with(" %TEST_MODE_OUT { %INSTANCE_NAME = a;\n %INSTANCE_NAME = b; }\n"),
                 "WARNING : 't.dft', line-3, 'INSTANCE_NAME' is multiple defined.\n"},
        WarnCase{"OutputBlocksCountTheirNamesApart",
                 decoder_with(" %TEST_MODE_OUT { %INSTANCE_NAME = a; }\n %TEST_MODE_INV_OUT { %INSTANCE_NAME = b; }\n"
                              " %SCAN_MODE_OUT { %PIN_NAME = p; }\n %POSITION = x;\n"
                              " %SCAN_MODE_INV_OUT { %PIN_NAME = q; }\n"),
                 ""},
        WarnCase{"TwoTestModeOutputs",
                 decoder_with(" %TEST_MODE_OUT { %INSTANCE_NAME = a; }\n %TEST_MODE_OUT { %INSTANCE_NAME = b; }\n"),
                 "WARNING : 't.dft', line-3, 'TEST_MODE_OUT' is multiple defined.\n"},
        WarnCase{"TwoDecoderNames", decoder_with(" %DECODER_NAME = a;\n %DECODER_NAME = b;\n"),
                 "WARNING : 't.dft', line-3, 'DECODER_NAME' is multiple defined.\n"},
        WarnCase{"TwoOverrideModes", decoder_with(" %OVERRIDE_MODE = a;\n %OVERRIDE_MODE { %PORT_NAME = b; }\n"),
                 "WARNING : 't.dft', line-3, 'OVERRIDE_MODE' is multiple defined.\n"},
        // Repeated modes pass; a second braced block counts its ports
        // from zero, so only the first block's second port name is warned.
        WarnCase{"RepeatedModesPass",
                 decoder_with(" %SCAN_MODE = a; %SCAN_MODE { %PORT_NAME = b; } %TEST_MODE = c; %TEST_MODE = d;\n"
                              " %KR_MODE { %PORT_NAME = k; } %KR_MODE { %PORT_NAME = k2; }\n"),
                 ""},
        WarnCase{"SecondBracedModeCountsItsPortsAfresh",
                 decoder_with(" %SCAN_MODE { %PORT_NAME = a;\n %PORT_NAME = b; }\n %SCAN_MODE { %PORT_NAME = c; }\n"),
                 "WARNING : 't.dft', line-3, 'DECODER_PORT_NAME' is multiple defined.\n"}),
    [](const testing::TestParamInfo<WarnCase>& info) { return std::string(info.param.name); });

// The decoder's closing check pairs each mode with a control port:
// "%CONTROL_PORT_1" with "SCAN_MODE" and "%CONTROL_PORT_2" with
// "%TEST_MODE".  A decoder's statements never count a control port, so
// a decoder with both modes, in either form, closes without that warning,
// and the check still runs on the counts the block holds when it closes
// (seen with the control ports' counts set before the parse).
TEST_F(ChainBlocks, DecoderModePairsAreCheckedWhenTheDecoderCloses) {
    Parsed p = parse(decoder_with(" %SCAN_MODE { %PORT_NAME = a; }\n %TEST_MODE = b;\n"));
    EXPECT_EQ(p.err, "");
    EXPECT_EQ(p.warned, 0);
    EXPECT_EQ(scan_decoder_t[DEC_SCAN_MODE], 0) << "the decoder's table starts afresh after the block";

    begin();
    ScanScanner scanner;
    scanner.start_text(decoder_with(" %SCAN_MODE = a;\n %TEST_MODE = b;\n"));
    scan_decoder_t[DEC_CONTROL_PORT_1] = 1;
    scan_decoder_t[DEC_CONTROL_PORT_2] = 1;
    std::string err = testsupport::stderr_of([&] { scan_yyparse(&scanner); });
    EXPECT_EQ(err,
              "WARNING : 't.dft', line-4, '%CONTROL_PORT_1' and 'SCAN_MODE' statements can't appear in the same "
              "time.\n"
              "WARNING : 't.dft', line-4, '%CONTROL_PORT_2' and '%TEST_MODE' statements can't appear in the same "
              "time.\n");
    EXPECT_EQ(has_error, 1);
}

TEST_F(ChainBlocks, BracedModeFormsSetTheirFlags) {
    parse(decoder_with(" %SCAN_MODE = a; %TEST_MODE { %PORT_NAME = b; } %RAM_WRITE { %PAD_NAME = c; }\n"));
    EXPECT_EQ(new_decoder_scan_mode, 0);
    EXPECT_EQ(new_decoder_test_mode, 1);
    EXPECT_EQ(new_decoder_override_mode, 0);
    EXPECT_EQ(new_decoder_ram_write, 1);
}

// A polarity statement without a value is a polarity node without a child.
TEST_F(ChainBlocks, PolarityWithoutAValueIsALeaf) {
    Parsed p = parse(decoder_with(" %OVERRIDE_MODE { %PORT_NAME = a; %POLARITY; }\n"));
    EXPECT_EQ(p.err, "");
    EXPECT_NE(p.tree.find("        OVERRIDE_MODE_NODE\n"
                          "            DECODER_PORT_NAME_NODE\n"
                          "                IDENT_NODE [a]\n"
                          "            DECODER_POLARITY_NODE\n"),
              std::string::npos)
        << p.tree;
    EXPECT_EQ(p.tree.find("DECODER_POLARITY_NODE\n                IDENT"), std::string::npos) << p.tree;
}

// ------------------------------------------------------- rejected inputs

struct FatalCase {
    const char* name;
    std::string input;
    const char* err;
};
void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class RejectedInputs : public ChainBlocks, public testing::WithParamInterface<FatalCase> {};

TEST_P(RejectedInputs, EndTheRun) {
    auto r = testsupport::run_child([&] {
        begin();
        ScanScanner scanner;
        scanner.start_text(GetParam().input);
        scan_yyparse(&scanner);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().err);
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    ChainBlocks, RejectedInputs,
    testing::Values(
        FatalCase{"RealAsChainName", "%CONNECT_SCAN 3.5 lib {", "ERROR : 't.dft', line-1, syntax error near or at 3.5.\n"},
        FatalCase{"EmptyChain", "%CONNECT_SCAN c lib {\n}\n", "ERROR : 't.dft', line-2, syntax error near or at }.\n"},
        FatalCase{"InstancesWithoutClosingSemicolon", "%CONNECT_SCAN c lib { %SCAN_INSTANCES { a, { b c } } }",
                  "ERROR : 't.dft', line-1, syntax error near or at }.\n"},
        FatalCase{"InstanceGroupsWithoutComma", "%CONNECT_SCAN c lib { %SCAN_INSTANCES { a b; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at b.\n"},
        FatalCase{"ScanClockUnderItsNumberedSelect", "%CONNECT_SCAN c lib { %SCAN_SELECT_1 { %CLOCK = k; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at %CLOCK.\n"},
        FatalCase{"HookupClockBlockInAScanClock", "%CONNECT_SCAN c lib { %SCAN_CLOCK { %CLOCK { %NAME = k; } } }",
                  "ERROR : 't.dft', line-1, syntax error near or at {.\n"},
        FatalCase{"PatternAsClockPeriod", "%CLOCK_PERIOD { %CLOCK c = '1'; }",
                  "ERROR : 't.dft', line-1, syntax error near or at '1'.\n"},
        FatalCase{"SessionWithoutSemicolon", "%TEST_SESSION s { a . b; }",
                  "ERROR : 't.dft', line-1, syntax error near or at {.\n"},
        FatalCase{"SessionEntryWithoutBlanks", "%TEST_SESSION s; { a.b; }",
                  "ERROR : 't.dft', line-1, syntax error near or at ;.\n"},
        FatalCase{"WrapperWithTwoKorrals", "%WRAPPER { %KORRAL { %TYPE t; } %KORRAL { %TYPE t; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at %KORRAL.\n"},
        FatalCase{"EmptyCore", "%CORE { }", "ERROR : 't.dft', line-1, syntax error near or at }.\n"},
        FatalCase{"EmptyDecoder", "%SCAN_DECODER { }", "ERROR : 't.dft', line-1, syntax error near or at }.\n"},
        FatalCase{"ControlPortInADecoder", "%SCAN_DECODER { %CONTROL_PORT_1 = a; }",
                  "ERROR : 't.dft', line-1, syntax error near or at %CONTROL_PORT_1.\n"},
        FatalCase{"KrPolarityWithoutValue", "%SCAN_DECODER { %KR_MODE { %POLARITY; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at ;.\n"},
        FatalCase{"NumberedPortOutsideKrMode", "%SCAN_DECODER { %SCAN_MODE { %PORT_NAME p = 1; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at p.\n"},
        FatalCase{"OutputBlockWithAPort", "%SCAN_DECODER { %SCAN_MODE_OUT { %PORT_NAME = p; } }",
                  "ERROR : 't.dft', line-1, syntax error near or at %PORT_NAME.\n"},
        FatalCase{"LockupLatchFileWithTwoNames",
                  "%LOCKUP_LATCH_FILE { %FILE_NAME = \"a\"; %FILE_NAME = \"b\"; }",
                  "ERROR : 't.dft', line-1, syntax error near or at %FILE_NAME.\n"}),
    [](const testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

}  // namespace
