#include <gtest/gtest.h>

#include "support/param_name.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/str.h"

namespace {

struct MatchCase {
    const char* pattern;
    const char* text;
    int want;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << testsupport::quoted(c.pattern) << " against " << testsupport::quoted(c.text);
}

class StrMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(StrMatch, AnchoredWildcards) {
    STR_reset_globals();
    const MatchCase& c = GetParam();
    EXPECT_EQ(STR_match(c.pattern, c.text), c.want) << c.pattern << " / " << (c.text ? c.text : "(null)");
}

INSTANTIATE_TEST_SUITE_P(
    Table, StrMatch,
    ::testing::Values(MatchCase{"A*B", "AXYB", 0}, MatchCase{"A*B", "AX>B", 1}, MatchCase{"A*B", "AX<B", 1},
                      MatchCase{"A*B", "AX?B", 1}, MatchCase{"A?B", "A>B", 0},  // '?' takes any one character
                      MatchCase{"A*B", "AXYBC", 1},                             // anchored at the end
                      MatchCase{"A*B", "XAB", 1},                               // anchored at the start
                      MatchCase{"*", "", 0}, MatchCase{"", "", 0}, MatchCase{"", "x", 1},
                      MatchCase{"a.b", "a.b", 0}, MatchCase{"a.b", "axb", 1},  // '.' is literal
                      MatchCase{"x[1]", "x[1]", 0}, MatchCase{"hier_dot*", "hier_dot", 0},
                      MatchCase{"HIER_DOT*", "hier_dot", 1},                   // case-sensitive
                      MatchCase{"*?*b", "x>yb", 0},                            // needs a later star to move
                      MatchCase{"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 1},
                      MatchCase{"*x", nullptr, 0}, MatchCase{"x*", nullptr, -1}),
    [](const auto& i) {
        return testsupport::param_name(testsupport::spelled(i.param.pattern) + "_vs_" +
               (i.param.text ? testsupport::spelled(i.param.text) : "null"), i.index, 40);
    });

TEST(Str, NullPatternReusesThePreviousOne) {
    STR_reset_globals();
    EXPECT_EQ(STR_match("ab*", "abc"), 0);
    EXPECT_EQ(STR_match(nullptr, "abz"), 0);
    EXPECT_EQ(STR_match(nullptr, "xbz"), 1);
}

TEST(Str, BuildMaskEscapesAndAnchors) {
    char* m = build_mask("a.*?(b)$");
    EXPECT_STREQ(m, "^a\\.[^><?]*.\\(b\\)\\$$");
    std::free(m);
}

TEST(Str, TokenKeepsGroupsWhole) {
    STR_reset_globals();
    char text[] = "a, (b c), \"d e\" 'f,g'";
    std::vector<std::string> got;
    for (char* t = STR_token(text, " ,"); t; t = STR_token(nullptr, " ,")) got.push_back(t);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "(b c)", "\"d e\"", "'f,g'"}));
}

TEST(Str, AbbrevFindScan) {
    EXPECT_EQ(STR_abbrev("his", "history"), 0);
    EXPECT_EQ(STR_abbrev("history", "his"), 1);
    EXPECT_NE(STR_abbrev("hiz", "history"), 0);
    char t[] = "  \tfoo bar";
    EXPECT_STREQ(STR_find(t, "bar"), "bar");
    char u[] = "aab1";
    EXPECT_STREQ(STR_scaneq(u, "ab"), "1");
    EXPECT_STREQ(STR_scanne(u, "1"), "1");
    EXPECT_EQ(STR_index("abc", 'c'), 2);
    char v[16] = "xy";
    EXPECT_STREQ(STR_shift(v, 3), "   xy");
}

TEST(Str, ListsAndLookups) {
    char** list = nullptr;
    EXPECT_EQ(STR_table(&list, 1, "beta", nullptr), 0);
    STR_add(&list, "Alpha");
    STR_add(&list, "gamma");
    EXPECT_EQ(STR_table(&list, 3, nullptr, DYNA_ucomp), 3);
    EXPECT_STREQ(list[0], "Alpha");
    EXPECT_EQ(STR_table(&list, 2, "beta", DYNA_ucomp), 1);
    char* marked = list[1];
    marked[0] = static_cast<char>(0xFF);  // marked for removal
    EXPECT_EQ(STR_table(&list, 4, nullptr, nullptr), 2);
    EXPECT_STREQ(list[1], "gamma");
    // The count and the marked string are the caller's to settle.
    std::free(marked);
    DYNA_set_count(list, 2);
    STR_free(&list);
    EXPECT_EQ(list, nullptr);

    char text[] = "a::b c";
    char** parts = STR_break(text, ": ");
    ASSERT_EQ(DYNA_count(parts), 3);
    EXPECT_STREQ(parts[2], "c");
    STR_free(&parts);

    const char** arr = STR_list(3, "One", "two", "one");
    EXPECT_EQ(STR_inlist(arr, 3, "one"), 2);
    EXPECT_EQ(STR_lookup(arr, 3, "ONE", nullptr), 0);  // case-insensitive by default
    EXPECT_EQ(STR_lookup(arr, 3, "four", nullptr), -1);
    std::free(arr);
}

TEST(Str, CaseAndNumbers) {
    EXPECT_LT(STR_ucomp("abc", "ABD"), 0);
    EXPECT_EQ(STR_ucomp("MiXeD", "mixed"), 0);
    char s[] = "MiX9";
    EXPECT_STREQ(STR_upper(s), "MIX9");
    EXPECT_STREQ(STR_lower(s), "mix9");
    struct {
        const char* text;
        long want;
    } nums[] = {{"x1F", 31}, {"h10", 16}, {"o17", 15}, {"42", 42}, {"-7", -7}, {"zz", 0}, {"b101", 5}};
    for (const auto& n : nums) EXPECT_EQ(ctol(n.text), n.want) << n.text;
    EXPECT_STREQ(htoc(255), "xFF");
    EXPECT_STREQ(wtoc(65537), "1");
    EXPECT_STREQ(itoc(-12), "-12");
    EXPECT_STREQ(ltoc(1234567890123L), "1234567890123");
}

}  // namespace
