// The keyword table, its look-up and the token numbering.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "scanlang/front/front.h"

namespace {

struct LookupCase {
    const char* name;
    std::string word;
    int token;
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

const LookupCase kLookups[] = {
    {"first", "%ALL", 257},
    {"scan_clock", "%SCAN_CLOCK", 438},
    {"lower_case", "%scan_clock", -1},
    {"mixed_case", "%Scan_Clock", -1},
    {"bare_clock", "CLOCK", 628},
    {"bare_buffer", "BUFFER", 640},
    {"percent_buffer", "%BUFFER", 277},
    {"control_weight", "CONTROL_WEIGHT1_B", 641},
    {"control", "CONTROL", 641},
    {"observe_block", "OBSERVE_BLOCK", 644},
    {"extra_seq", "%EXTRA_SEQ", 346},
    {"extra", "%EXTRA", 346},
    {"numbered_word", "%BIST_CLOCK_3", -1},
    {"longest", "%FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK", 527},
    {"last", "%EXTRA_GATE", 665},
    {"length_64", "%" + std::string(63, 'A'), -1},
    {"length_65", "%" + std::string(64, 'A'), -1},
    {"empty", "", -1},
    {"prefix_only", "%SCAN_CLOC", -1},
};

class KeywordLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(KeywordLookup, GivesTheToken) {
    EXPECT_EQ(keyword_lookup(GetParam().word.c_str()), GetParam().token);
    EXPECT_EQ(keyword_lookup(std::string_view(GetParam().word)), GetParam().token);
}

INSTANTIATE_TEST_SUITE_P(Words, KeywordLookup, testing::ValuesIn(kLookups),
                         [](const testing::TestParamInfo<LookupCase>& info) { return info.param.name; });

// Every row is found again, texts are distinct and tokens lie in the
// keyword range; rebuilding the hash changes no answer.
TEST(KeywordTable, EveryRowIsFoundAfterEachRebuild) {
    std::set<std::string> texts;
    int rows = 0;
    for (const KeywordRow* row = keyword_data; row->text; ++row, ++rows) {
        EXPECT_TRUE(texts.insert(row->text).second) << row->text;
        EXPECT_GE(row->token, 257);
        EXPECT_LE(row->token, 665);
        EXPECT_LE(std::strlen(row->text), 44u);
    }
    EXPECT_EQ(rows, SCAN_KEYWORD_COUNT);
    EXPECT_EQ(keyword_data[SCAN_KEYWORD_COUNT].token, -1);
    for (int build = 0; build < 3; ++build) {
        make_keyword_hash();
        for (const KeywordRow* row = keyword_data; row->text; ++row) ASSERT_EQ(keyword_lookup(row->text), row->token);
    }
    SCAN_KEY_reset_globals();
    EXPECT_EQ(keyword_lookup("%CORE"), 303);  // rebuilt on first use
}

TEST(TokenNumbers, MatchTheLanguage) {
    EXPECT_EQ(TK_LBRACE, 666);
    EXPECT_EQ(TK_RBRACE, 667);
    EXPECT_EQ(TK_COMMA, 668);
    EXPECT_EQ(TK_SEMICOLON, 669);
    EXPECT_EQ(TK_EQUAL, 670);
    EXPECT_EQ(TK_ARROW, 671);
    EXPECT_EQ(TK_TILDE, 672);
    EXPECT_EQ(TK_BANG, 673);
    EXPECT_EQ(TK_LPAREN, 674);
    EXPECT_EQ(TK_RPAREN, 675);
    EXPECT_EQ(TK_STRING, 676);
    EXPECT_EQ(TK_IDENT, 677);
    EXPECT_EQ(TK_INTEGER, 679);
    EXPECT_EQ(TK_REAL, 680);
    EXPECT_EQ(TK_PERCENTAGE, 681);
    EXPECT_EQ(TK_PATTERN, 682);
    EXPECT_EQ(TK_DOT, 683);
    EXPECT_EQ(TK_COLON, 289);
    EXPECT_EQ(TK_LBRACKET, 396);
    EXPECT_EQ(TK_RBRACKET, 397);
    EXPECT_EQ(TK_BIST_CLOCK_N, 261);
    EXPECT_EQ(TK_BIST_SELECT_N, 270);
    EXPECT_EQ(TK_SCAN_SELECT_N, 466);
    EXPECT_EQ(TK_FENNOX_IN_N, 649);
    EXPECT_EQ(TK_FENNOX_OUT_N, 650);
    EXPECT_STREQ(scan_token_alias(TK_SCAN_CLOCK), "%SCAN_CLOCK");
    EXPECT_STREQ(scan_token_alias(TK_W_CLOCK), "CLOCK");
    EXPECT_STREQ(scan_token_alias(297), "");
    EXPECT_STREQ(scan_token_alias(0), "end of input");
    EXPECT_EQ(scan_token_alias(684), nullptr);
    // Every number from 257 to 683 has its line in the list.
    for (int t = 257; t <= 683; ++t) EXPECT_NE(scan_token_alias(t), nullptr) << t;
}

}  // namespace
