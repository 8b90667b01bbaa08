// The configuration language: its tokens, the syntax tree of its
// constructs, and the instruction rows with their pattern checks.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <string>
#include <vector>

#include "desc_test_util.h"

namespace {

using namespace desc;
using desctest::DescTest;
using desctest::str;

// The tokens of a text as "kind:text": I identifier, N integer, P pattern,
// K keyword, C punctuation.
std::string tokens(const std::string& text) {
    desc_set_text(&DFT_FILE, "t.bsc");
    make_dft_keyword_hash();
    dft_yyin = desctest::text_stream(text);
    std::string out;
    for (int t; (t = dft_yylex()) != DFT_TOK_EOF;) {
        const char* kind = t == DFT_TOK_IDENT     ? "I"
                           : t == DFT_TOK_INTEGER ? "N"
                           : t == DFT_TOK_PATTERN ? "P"
                           : t > DFT_KW_BEFORE_   ? "K"
                                                  : "C";
        if (!out.empty()) out += " ";
        out += std::string(kind) + ":" + dft_yytext;
    }
    std::fclose(dft_yyin);
    DFT_reset_globals();
    return out;
}

struct TokenCase {
    const char* text;
    const char* want;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class DftTokens : public DescTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(DftTokens, Scan) { EXPECT_EQ(tokens(GetParam().text), GetParam().want) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(
    Table, DftTokens,
    ::testing::Values(
        // Words: prefix parts in their order, then a letter.
        TokenCase{"-/%A", "I:-/%A"}, TokenCase{"*0101A", "I:*0101A"}, TokenCase{"./../x", "I:./../x"},
        TokenCase{"1X0 0a 01a", "I:1X0 I:0a I:01a"}, TokenCase{"-TRST top/u1/a \\esc bus[3]", "I:-TRST I:top/u1/a I:\\esc I:bus[3]"},
        TokenCase{"./pins.txt ../a.pin /abs/b.pin", "I:./pins.txt I:../a.pin I:/abs/b.pin"},
        TokenCase{"-_\\./../%*01Ab", "I:-_\\./../%*01Ab"},
        // Numbers: a run of 0 and 1 is a pattern, other digit runs integers.
        TokenCase{"0101 1 0102 12 0", "P:0101 P:1 N:0102 N:12 P:0"}, TokenCase{"0101_A", "P:0101 I:_A"},
        // Keywords are exact and case-sensitive.
        TokenCase{"%SCAN_CELLS %scan_cells ACCESS access TO AND", "K:%SCAN_CELLS I:%scan_cells K:ACCESS I:access K:TO K:AND"},
        TokenCase{"%TDI %GROUP_SIZE", "K:%TDI K:%GROUP_SIZE"},
        // Punctuation and comments.
        TokenCase{"{}()=;,", "C:{ C:} C:( C:) C:= C:; C:,"},
        TokenCase{"a; // note\nb /* x\n y */ c /*TAP*/d", "I:a C:; I:b I:c I:d"},
        TokenCase{"a/*b", "I:a/*b"},  // "/" and "*" inside a word
        TokenCase{"", ""}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

// Texts that are not one word end the run at their first character.
TEST_F(DescTest, DftTextsThatAreNoWord) {
    const TokenCase cases[] = {{"%1", "%"}, {"__A", "_"}, {".a", "."}, {"../../x", "."}, {"*_IN", "*"}, {"a @", "@"}};
    for (const TokenCase& c : cases) {
        auto r = desctest::run_child([&] { tokens(c.text); });
        EXPECT_EQ(r.status, 255) << c.text;
        EXPECT_EQ(r.out, "\"t.bsc\", line 1: Syntax Error at '" + std::string(c.want) + "'\n") << c.text;
    }
}

TEST_F(DescTest, DftTraceAtDumpLevelTwo) {
    DUMP = 2;
    EXPECT_EQ(desctest::stdout_of([] { tokens("%INSTRUCTION A = (01, 2) ACCESS R ; { } , x"); }),
              "KEYWORD : %INSTRUCTION\nIDENT : A\nEQUAL\nLPAREN\nPATTERN: 01\nINTEGER: 2\nRPAREN\n"
              "KEYWORD : ACCESS\nIDENT : R\nLBRACE\nIDENT : x\n");
    DUMP = 0;
    EXPECT_EQ(desctest::stdout_of([] { tokens("%INSTRUCTION A"); }), "");
}

std::string tree_of(const std::string& text) {
    desctest::parse_dft(text);
    return desctest::stdout_of([] { PRINT_AST(theAST, 0); });
}

TEST_F(DescTest, DftTreeOfInstructionsAndLists) {
    EXPECT_EQ(tree_of("%INSTRUCTION_TABLE {\n"
                      "  %INSTRUCTION A = (01, 1X) ACCESS R ENABLE S (1);\n"
                      "  %INSTRUCTION B { %BINARY_CODE = 10; %DATA_REGISTER = Q; %EN_L E1 XNOR E2; %ENABLE E3 = (0); }\n"
                      "}\n"
                      "%PIN_LIST { 1 a 12 b }\n"
                      "%CONNECTION_TABLE { %CONNECT p TO u(A); }\n"
                      "%SKIP_SIGNAL_NAMES { s(0), t; }\n"
                      "%LOGIC_BIST { %TESTS (t1); }\n"
                      "x, 2\n"),
              "PROGRAM_NODE\n"
              "    INSTRUCTION_TABLE_NODE\n"
              "        INSTRUCTION_NODE\n"
              "            IDENT_NODE [A]\n"
              "            INST_LIST_NODE\n"
              "                PATTERN_NODE [01]\n"
              "                IDENT_NODE [1X]\n"
              "            ACCESS_NODE\n"
              "                IDENT_NODE [R]\n"
              "            ENABLE_NODE\n"
              "                IDENT_NODE [S]\n"
              "                PATTERN_NODE [1]\n"
              "        INSTRUCTION_NODE\n"
              "            IDENT_NODE [B]\n"
              "            INST_LIST_NODE\n"
              "                PATTERN_NODE [10]\n"
              "            ACCESS_NODE\n"
              "                IDENT_NODE [Q]\n"
              "            EN_L_NODE\n"
              "                IDENT_NODE [E1]\n"
              "                INSTRUCTION_XNOR_NODE\n"
              "                    IDENT_NODE [E2]\n"
              "            ENABLE_NODE\n"
              "                IDENT_NODE [E3]\n"
              "                PATTERN_NODE [0]\n"
              "    PIN_LIST_NODE\n"
              "        PIN_ITEM_LIST_NODE\n"
              "            PIN_ITEM_NODE\n"
              "                PATTERN_NODE [1]\n"
              "                IDENT_NODE [a]\n"
              "            PIN_ITEM_NODE\n"
              "                INTEGER_NODE [12]\n"
              "                IDENT_NODE [b]\n"
              "    CONNECT_TABLE_NODE\n"
              "        CONNECT_NODE\n"
              "            CONNECT_PORT_NODE\n"
              "                IDENT_NODE [p]\n"
              "            CONNECT_PIN_NODE\n"
              "                IDENT_NODE [u]\n"
              "                IDENT_NODE [A]\n"
              "    SKIP_SIGNAL_NAMES_NODE\n"
              "        SKIP_IDENT_NODE\n"
              "            IDENT_NODE [s]\n"
              "            PATTERN_NODE [0]\n"
              "        SKIP_IDENT_NODE\n"
              "            IDENT_NODE [t]\n"
              "    LOGIC_BIST_NODE\n"
              "        BL_TEST_SETING_NODE\n"
              "            IDENT_NODE [t1]\n"
              "    IDENT_LIST_NODE\n"
              "        IDENT_NODE [x]\n"
              "        INTEGER_NODE [2]\n");
    // Items carry the line of their keyword, leaves their own.
    DescAstNode* table = theAST->child;
    EXPECT_EQ(table->line, 1);
    EXPECT_EQ(table->child->line, 2);
    EXPECT_EQ(table->child->sibling->line, 3);
    EXPECT_EQ(table->parent, theAST);
    EXPECT_EQ(table->sibling->line, 5);
}

// ------------------------------------------------------------ instructions

struct InstructionCase {
    const char* text;  // inside %INSTRUCTION_TABLE { }
    std::vector<std::string> want;  // name | opcodes... | access | enables as signal/value/second/gate
    const char* err;                // pattern-check messages
};

std::vector<std::string> row_words(const InstructionEntry& e) {
    std::vector<std::string> w{str(e.name)};
    for (int i = 0, n = DYNA_count(e.opcodes); i < n; ++i) w.push_back(str(e.opcodes[i]));
    w.push_back("@" + str(e.access));
    EXPECT_EQ(DYNA_count(e.enable_value), DYNA_count(e.enable));
    EXPECT_EQ(DYNA_count(e.enable_second), DYNA_count(e.enable));
    EXPECT_EQ(DYNA_count(e.enable_gate), DYNA_count(e.enable));
    for (int i = 0, n = DYNA_count(e.enable); i < n; ++i)
        w.push_back(str(e.enable[i]) + "/" + str(e.enable_value[i]) + "/" + str(e.enable_second[i]) + "/" +
                    std::to_string(e.enable_gate[i]));
    return w;
}

void PrintTo(const InstructionCase& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class DftInstruction : public DescTest, public ::testing::WithParamInterface<InstructionCase> {};

TEST_P(DftInstruction, Row) {
    const InstructionCase& c = GetParam();
    std::string err = desctest::stderr_of([&] {
        desctest::parse_dft(std::string("%INSTRUCTION_TABLE {\n") + c.text + "\n}");
        save_dft_tab();
    });
    EXPECT_EQ(err, c.err) << c.text;
    ASSERT_EQ(DYNA_count(INSTRUCTIONS), 1);
    EXPECT_EQ(row_words(INSTRUCTIONS[0]), c.want) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DftInstruction,
    ::testing::Values(
        InstructionCase{"%INSTRUCTION EXTEST = (0000) ACCESS BOUNDARY;", {"EXTEST", "0000", "@BOUNDARY"}, ""},
        InstructionCase{"%INSTRUCTION SAMPLE = (0001, 0001) ACCESS BOUNDARY;",
                        {"SAMPLE", "0001", "@BOUNDARY"},
                        "\"t.bsc\", line 2: Pattern '0001' has been appeared previous\n"},
        InstructionCase{"%INSTRUCTION A = (001, 0001) ACCESS R;",
                        {"A", "001", "@R"},
                        "\"t.bsc\", line 2: Size of '0001' and '001' are not equivalence\n"},
        // 0X01 is a word; X matches either digit.
        InstructionCase{"%INSTRUCTION A = (0X01, 0101, 1101) ACCESS R;",
                        {"A", "0X01", "1101", "@R"},
                        "\"t.bsc\", line 2: Pattern '0101' has been appeared previous\n"},
        InstructionCase{"%INSTRUCTION A = (10) ACCESS R ENABLE S;", {"A", "10", "@R", "S/<none>/<none>/-1"}, ""},
        InstructionCase{"%INSTRUCTION A = (10) ACCESS R ENABLE S (01);", {"A", "10", "@R", "S/01/<none>/-1"}, ""},
        // A block: no register gives "bypass"; gates and enables in order.
        InstructionCase{"%INSTRUCTION A { %BINARY_CODE = 10; %EN_H SIG1 AND SIG2; }",
                        {"A", "10", "@bypass", "SIG1/1/SIG2/18"},
                        ""},
        InstructionCase{"%INSTRUCTION A { %BINARY_CODE = (10, 11); %BINARY_CODE = 01; %DATA_REGISTER = R1;\n"
                        "  %DATA_REGISTER = R2; %EN_L E1; %EN_H E2 NAND F; %EN_L E3 OR F; %EN_L E4 NOR F;\n"
                        "  %EN_H E5 XOR F; %EN_H E6 XNOR F; %ENABLE E7 = 0110; %ENABLE E8 = (1); %ENABLE E9 = x; }",
                        {"A", "01", "@R2", "E1/0/<none>/-1", "E2/1/F/19", "E3/0/F/20", "E4/0/F/21", "E5/1/F/22",
                         "E6/1/F/23", "E7/0110/<none>/-1", "E8/1/<none>/-1", "E9/<none>/<none>/-1"},
                        ""}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

// Capture patterns are checked against each other like opcodes, and a
// new %INSTRUCTION_CAPTURE starts a new list.
TEST_F(DescTest, DftCapturePatterns) {
    std::string err = desctest::stderr_of([] {
        desctest::parse_dft("%INSTRUCTION_CAPTURE (1111);\n%INSTRUCTION_CAPTURE (0X01, 0001,\n 001, 1101);");
        save_dft_tab();
    });
    EXPECT_EQ(err,
              "\"t.bsc\", line 2: Pattern '0001' has been appeared previous\n"
              "\"t.bsc\", line 3: Size of '001' and '0X01' are not equivalence\n");
    ASSERT_EQ(DYNA_count(INST_CAPTURE), 2);
    EXPECT_STREQ(INST_CAPTURE[0], "0X01");
    EXPECT_STREQ(INST_CAPTURE[1], "1101");
}

}  // namespace
