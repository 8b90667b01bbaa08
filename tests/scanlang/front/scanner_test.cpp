// The scanner: token dumps of small inputs covering every rule, the
// comment table of a fixture, the two scanner errors and the skip state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "scanlang/front/front.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

// All tokens of the input, written after the whole input is scanned (so
// every text must still be valid): "<token> '<text>' <leaf kind>" joined
// by " | ", the text left out when null and the kind when there is no
// leaf.  A leaf whose attribute differs from the text is marked.
std::string dump(const std::string& input) {
    ScanScanner s;
    s.start_text(input);
    std::vector<ScanValue> values;
    ScanValue v;
    while (scan_yylex(&v, &s) != 0) values.push_back(v);
    EXPECT_EQ(v.text, nullptr);
    std::string out;
    for (const ScanValue& t : values) {
        if (!out.empty()) out += " | ";
        out += std::to_string(t.token);
        if (t.text) out += " '" + std::string(t.text) + "'";
        if (t.node) {
            out += std::string(" ") + scan_node_name(t.node->kind);
            std::string attr = t.node->attribute ? t.node->attribute : "(null)";
            std::string text = t.text ? t.text : "(null)";
            if (attr != text) out += " attribute " + attr;
            SCAN_FREE_AST(t.node);
        }
    }
    return out;
}

class Scanner : public testing::Test {
protected:
    void SetUp() override {
        SCAN_FRONT_reset_globals();
        scan_new_comment_tab();
        in_file_name = "t.dft";
        scan_lang_Option_type = 2;
    }
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

struct DumpCase {
    const char* name;
    const char* input;
    const char* tokens;
};

void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.name; }

const DumpCase kDumps[] = {
    {"punctuation", ". { } ( ) [ ] , ; : = => ~ !", "683 | 666 | 667 | 674 | 675 | 396 | 397 | 668 | 669 | 289 | 670 | 671 | 672 | 673"},
    {"blanks", " \t\f\n\na\n", "677 'a' IDENT_NODE"},
    {"integers", "-12 - 3 +1 12.", "679 '-12' NUMBER_NODE | 679 '3' NUMBER_NODE | 679 '1' NUMBER_NODE | 679 '12' NUMBER_NODE | 683"},
    {"reals", ".5 -.5 1.25 1.5e-3 2.0E4 1.5e", "680 '.5' REAL_NUM_NODE | 680 '-.5' REAL_NUM_NODE | 680 '1.25' REAL_NUM_NODE | 680 '1.5e-3' REAL_NUM_NODE | 680 '2.0E4' REAL_NUM_NODE | 680 '1.5' REAL_NUM_NODE | 677 'e' IDENT_NODE"},
    {"exponent_needs_a_point", "1e3", "679 '1' NUMBER_NODE | 677 'e3' IDENT_NODE"},
    {"percentages", "7% 5.5% -7%", "681 '7%' PERCENTAGE_NODE | 680 '5.5' REAL_NUM_NODE | 677 '%' IDENT_NODE | 679 '-7' NUMBER_NODE | 677 '%' IDENT_NODE"},
    {"patterns", "'01SXZ' '0\t1' '0 1'", "682 '01SXZ' PATTERN_NODE | 682 '01' PATTERN_NODE | 679 '0' NUMBER_NODE | 679 '1' NUMBER_NODE"},
    {"numbered_words", "%SCAN_CLOCK_12 %BIST_CLOCK_3 %BIST_SELECT_2 %DATA_4 %SCAN_SELECT_5 %FENNOX_IN_1 %FENNOX_OUT_2",
     "438 '%SCAN_CLOCK_12' IDENT_NODE | 261 '%BIST_CLOCK_3' IDENT_NODE | 270 '%BIST_SELECT_2' IDENT_NODE | 321 '%DATA_4' IDENT_NODE | 466 '%SCAN_SELECT_5' IDENT_NODE | 649 '%FENNOX_IN_1' | 650 '%FENNOX_OUT_2'"},
    {"numbered_word_with_more", "%BIST_CLOCK_3X %SCAN_CLOCK_", "677 '%BIST_CLOCK_3X' IDENT_NODE | 677 '%SCAN_CLOCK_' IDENT_NODE"},
    {"escaped_names", "\\a.b[0]{x \\ y", "677 '\\a.b[0]{x' IDENT_NODE | 677 '\\' IDENT_NODE | 677 'y' IDENT_NODE"},
    {"words", "a[0] x_1.b/c:d @w #h $d &e", "677 'a[0]' IDENT_NODE | 677 'x_1.b/c:d' IDENT_NODE | 677 '@w' IDENT_NODE | 677 '#h' IDENT_NODE | 677 '$d' IDENT_NODE | 677 '&e' IDENT_NODE"},
    {"word_cut_at_parenthesis", "a(1) x)y b\\(c)", "677 'a' IDENT_NODE | 674 | 679 '1' NUMBER_NODE | 675 | 677 'x' IDENT_NODE | 675 | 677 'y' IDENT_NODE | 677 'b\\(c)' IDENT_NODE"},
    {"keywords", "%CORE{ %scan_clock CLOCK OBSERVE_BLOCK %EXTRA_SEQ", "303 '%CORE' | 666 | 677 '%scan_clock' IDENT_NODE | 628 'CLOCK' | 644 'OBSERVE_BLOCK' | 346 '%EXTRA_SEQ'"},
    {"keywords_with_leaves", "%SCAN_CLOCK %DATA %OUTPUT %SELECT %ENABLE %STRENGTH %IN %OUT %CK %SEQUENCE",
     "438 '%SCAN_CLOCK' IDENT_NODE | 321 '%DATA' IDENT_NODE | 410 '%OUTPUT' IDENT_NODE | 475 '%SELECT' IDENT_NODE | 344 '%ENABLE' IDENT_NODE | 495 '%STRENGTH' IDENT_NODE | 361 '%IN' IDENT_NODE | 409 '%OUT' IDENT_NODE | 279 '%CK' IDENT_NODE | 478 '%SEQUENCE'"},
    {"strings", "\"a\"\"b\" \"  x  \" \"\" \"   \" \"p\\q\"r s\"", "676 'a\"b' IDENT_NODE | 676 'x ' IDENT_NODE | 676 IDENT_NODE | 676 IDENT_NODE | 676 'p\\q\"r s' IDENT_NODE"},
    {"comments", "a // one\nb /* two\n three */ c//", "677 'a' IDENT_NODE | 677 'b' IDENT_NODE | 677 'c//' IDENT_NODE"},
    {"other_characters", "? ` ' * + - / < > ^ | \r \x01 \xe9 z", "677 'z' IDENT_NODE"},
};

class ScannerDump : public Scanner, public testing::WithParamInterface<DumpCase> {};

TEST_P(ScannerDump, GivesTheTokens) { EXPECT_EQ(dump(GetParam().input), GetParam().tokens); }

INSTANTIATE_TEST_SUITE_P(Rules, ScannerDump, testing::ValuesIn(kDumps),
                         [](const testing::TestParamInfo<DumpCase>& info) { return info.param.name; });

TEST_F(Scanner, CountsLinesAndGivesTheMatchedText) {
    ScanScanner s;
    s.start_text("a\n/* x\n y */ b\n\"s\"\n%ATPG_MODE \"m\"\nc");
    ScanValue v;
    std::vector<int> lines;
    while (s.lex(&v)) {
        lines.push_back(v.node ? v.node->line : -1);
        SCAN_FREE_AST(v.node);
    }
    // A string after %ATPG_MODE counts no extra line.
    EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, -1, 5, 6}));
    EXPECT_EQ(scan_yylineno, 6);
    EXPECT_EQ(s.text(), "");

    s.start_text("ab(x");
    EXPECT_EQ(scan_yylineno, 1);
    s.lex(&v);
    SCAN_FREE_AST(v.node);
    EXPECT_EQ(s.text(), "ab");
}

TEST_F(Scanner, KeepsLongTokensWhole) {
    std::string name(3 << 20, 'n');
    std::string line(5000, 'c');
    ScanScanner s;
    s.start_text(name + " /*" + line + "*/ %CORE \"" + line + "\"");
    ScanValue v;
    ASSERT_EQ(s.lex(&v), TK_IDENT);
    EXPECT_EQ(std::string(v.text), name);
    SCAN_FREE_AST(v.node);
    ASSERT_EQ(s.lex(&v), TK_CORE);
    ASSERT_EQ(s.lex(&v), TK_STRING);
    EXPECT_EQ(std::string(v.text), line);
    SCAN_FREE_AST(v.node);
    ASSERT_EQ(DYNA_count(comment_tab), 1);
    EXPECT_EQ(std::string(comment_tab[0].lines[0]), "/*" + line + "*/");
}

// Section keywords record their lines; the braces after three of them too.
TEST_F(Scanner, RecordsSectionLines) {
    dump("%SELECT_SCAN\n%CORE\n%TEST_CONVERSION\n{\n}\n%ATPG_CONSTRAINTS {\n%SELECT_FAULT\n\n{ %SCAN_MODE_INV_OUT");
    EXPECT_EQ(select_scan_top_line, 1);
    EXPECT_EQ(core_top_line, 2);
    EXPECT_EQ(test_conversion_top_line, 3);
    EXPECT_EQ(test_conversion_left_brace_line, 4);
    EXPECT_EQ(atpg_constraints_top_line, 6);
    EXPECT_EQ(atpg_left_brace_line, 6);
    EXPECT_EQ(select_fault_top_line, 7);
    EXPECT_EQ(select_fault_left_brace_line, 9);
    EXPECT_EQ(scan_mode_inv_out_top_line, 9);
    EXPECT_EQ(wrapper_top_line, -1);
}

struct CommentRow {
    std::vector<std::string> lines;
    int line;
    int token;
    int block_token;
};

std::vector<CommentRow> comment_rows() {
    std::vector<CommentRow> rows;
    for (int i = 0; i < DYNA_count(comment_tab); ++i) {
        const ScanCommentRecord& r = comment_tab[i];
        CommentRow row{{}, r.line, r.token, r.block_token};
        for (int j = 0; j < DYNA_count(r.lines); ++j) row.lines.push_back(r.lines[j]);
        EXPECT_EQ(r.line_count, DYNA_count(r.lines));
        EXPECT_EQ(r.printed, 0);
        rows.push_back(row);
    }
    return rows;
}

void expect_rows(const std::vector<CommentRow>& got, const std::vector<CommentRow>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("comment " + std::to_string(i));
        EXPECT_EQ(got[i].lines, want[i].lines);
        EXPECT_EQ(got[i].line, want[i].line);
        EXPECT_EQ(got[i].token, want[i].token);
        EXPECT_EQ(got[i].block_token, want[i].block_token);
    }
}

// Each comment of the fixture belongs to the keyword or brace that its
// text names.
TEST_F(Scanner, TiesCommentsToTheirKeywordsAndBraces) {
    dump(testsupport::read_file(testsupport::source_path("tests/scanlang/front/comments.dft")));
    expect_rows(comment_rows(), {
                                    {{"// file header"}, 1, TK_SELECT_SCAN, -1},
                                    {{"// on the keyword's line"}, 2, TK_SELECT_SCAN, -1},
                                    {{"/* a block", "   comment */"}, 4, TK_SCAN_MODE_ACTIVE, -1},
                                    {{"// first of two before %CORE"}, 7, TK_CORE, -1},
                                    {{"// second of two before %CORE"}, 8, TK_CORE, -1},
                                    {{"// before the closing brace of %CORE"}, 12, TK_RBRACE, TK_CORE},
                                    {{"// first of two before an opening brace"}, 15, TK_LBRACE, -1},
                                    {{"// second of two before an opening brace"}, 16, TK_LBRACE, TK_TEST_CONVERSION},
                                    {{"/* last, at the end of the file */"}, 19, -1, -1},
                                    {{"// without a line end"}, 20, 0, -1},
                                });
    EXPECT_EQ(comment_flag, 1);
    EXPECT_EQ(current_comment_index, 9);
}

// Braces nested deeper than three levels still give each closing brace
// its own keyword.
TEST_F(Scanner, DeepBracesKeepTheirOwners) {
    dump("%CORE {\n%WRAPPER {\n%SCAN_MODE {\n%TEST_MODE {\n}\n}\n// closes the wrapper\n}\n// closes the core\n}\n");
    expect_rows(comment_rows(), {
                                    {{"// closes the wrapper"}, 7, TK_RBRACE, TK_WRAPPER},
                                    {{"// closes the core"}, 9, TK_RBRACE, TK_CORE},
                                });
}

// After a %SCAN_CLOCK word, and in files that name a map file, comments
// are read past, not kept.
TEST_F(Scanner, KeepsNoCommentsAfterAScanClockOrWithAMapFile) {
    EXPECT_EQ(dump("%SCAN_CLOCK_12 // gone\n/* gone\n */ a %SCAN_CLOCK /* gone */ b // kept"),
              "438 '%SCAN_CLOCK_12' IDENT_NODE | 677 'a' IDENT_NODE | 438 '%SCAN_CLOCK' IDENT_NODE | 677 'b' IDENT_NODE");
    expect_rows(comment_rows(), {{{"// kept"}, 3, 0, -1}});
    scan_new_comment_tab();
    has_map_file = 1;
    EXPECT_EQ(dump("a // x\n/* y */ b"), "677 'a' IDENT_NODE | 677 'b' IDENT_NODE");
    EXPECT_EQ(DYNA_count(comment_tab), 0);
}

struct ErrorCase {
    const char* name;
    std::string input;
    int map_file;
    const char* err;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

const ErrorCase kErrors[] = {
    {"string_at_line_end", "a\n\"abc\nd\"", 0, "ERROR : 't.dft', line-2, bad string is encountered.\n"},
    {"string_at_end", "a\n\n\"abc", 0, "ERROR : 't.dft', line-3, bad string is encountered.\n"},
    {"string_with_nul", std::string("\"a\0b\"", 5), 0, "ERROR : 't.dft', line-1, bad string is encountered.\n"},
    {"comment_at_end", "a\n/* open\n\n", 0, "ERROR : 't.dft', line-2, unterminated comment is encountered.\n"},
    {"skipped_comment_at_end", "a\n\n/* open *", 1, "ERROR : 't.dft', line-3, unterminated comment is encountered.\n"},
};

class ScannerError : public Scanner, public testing::WithParamInterface<ErrorCase> {};

TEST_P(ScannerError, EndsTheRun) {
    const ErrorCase& c = GetParam();
    auto r = testsupport::run_child([&] {
        has_map_file = c.map_file;
        dump(c.input);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(Errors, ScannerError, testing::ValuesIn(kErrors),
                         [](const testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST_F(Scanner, CommentWithNulIsUnterminated) {
    auto r = testsupport::run_child([] { dump(std::string("a\n/* x \0 */ b", 13)); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.dft', line-2, unterminated comment is encountered.\n");
}

// The lorvish tool skips %CONNECT_CORE sections: nothing inside reaches
// the parser, and a section keyword that follows an instruction keyword
// belongs to the instruction.
TEST_F(Scanner, SkipsConnectCoreSectionsForTheLorvishTool) {
    const char* text =
        "%SELECT_SCAN { }\n"
        "%CONNECT_CORE { a(1) \\x 12%SEQUENCE %SCAN_SELECT_1 'X1' \"w\" . ~ ! // kept\n"
        "  %CORE_INSTRUCTION { %INSTRUCTION } }\n"
        "%SEQUENCE s ;\n";
    scan_lang_Option_type = SCAN_TOOL_LORVISH;
    EXPECT_EQ(dump(text), "477 '%SELECT_SCAN' | 666 | 667 | 478 '%SEQUENCE' | 677 's' IDENT_NODE | 669");
    EXPECT_EQ(DYNA_count(comment_tab), 1);
    scan_lang_Option_type = 2;
    EXPECT_EQ(dump("%CONNECT_CORE { a }"), "294 '%CONNECT_CORE' | 666 | 677 'a' IDENT_NODE | 667");

    // The end of the input ends a skipped section.
    scan_lang_Option_type = SCAN_TOOL_LORVISH;
    ScanScanner s;
    s.start_text("%CONNECT_CORE { a");
    ScanValue v;
    EXPECT_EQ(s.lex(&v), 0);
    EXPECT_FALSE(s.skipping());
}

// A stream is read whole; a new start forgets the last file's state.
TEST_F(Scanner, ReadsAStream) {
    testsupport::TempDir dir;
    std::string path = dir.write("x.dft", "%CORE { // c\n");
    FILE* f = std::fopen(path.c_str(), "r");
    ScanScanner s;
    s.start(f);
    std::fclose(f);
    ScanValue v;
    EXPECT_EQ(s.lex(&v), TK_CORE);
    EXPECT_EQ(s.lex(&v), TK_LBRACE);
    EXPECT_EQ(s.lex(&v), 0);
    s.start(nullptr);
    EXPECT_EQ(s.lex(&v), 0);
}

}  // namespace
