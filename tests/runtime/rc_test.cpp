#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/reset.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/rc.h"
#include "runtime/str.h"
#include "support/testsupport.h"

namespace {

using testsupport::ChangeDir;
using testsupport::TempDir;

// The values of a list ("(null)" for a null slot).
std::vector<std::string> strings(char** list) {
    std::vector<std::string> out;
    for (int i = 0; i < DYNA_count(list); ++i) out.push_back(list[i] ? list[i] : "(null)");
    return out;
}

const std::vector<std::string> kAbsent = {"(absent)"};

std::vector<std::string> lookup(const char* pattern) {
    char** v = RC_get(pattern);
    if (!v) return kAbsent;
    return strings(v);
}

// Each test works in a fresh directory that is the only search directory.
class RcBase : public ::testing::Test {
protected:
    void SetUp() override {
        RUNTIME_reset_globals();
        CMD_set_path(nullptr, ".", nullptr);
    }
    void TearDown() override { RUNTIME_reset_globals(); }
    int load(const std::string& text, const char* section = nullptr) {
        tmp.write("quendal.def", text);
        return RC_load("quendal", section);
    }
    TempDir tmp;
    ChangeDir cd{tmp.path()};
};

struct DefCase {
    const char* name;
    std::string text;
    const char* pattern;
    std::vector<std::string> want;  // kAbsent: no entry matches
};

void PrintTo(const DefCase& c, std::ostream* os) { *os << c.name; }

class DefFile : public RcBase, public ::testing::WithParamInterface<DefCase> {};

TEST_P(DefFile, ReadsEntries) {
    const DefCase& c = GetParam();
    ASSERT_EQ(load(c.text), 0);
    EXPECT_EQ(lookup(c.pattern), c.want);
}

const std::string kLong(600, 'x');

INSTANTIATE_TEST_SUITE_P(
    Table, DefFile,
    ::testing::Values(
        DefCase{"Blank", "HIER_DOT /;\n", "hier_dot*", {"/"}},
        DefCase{"EqualSign", "  hier_dot = /;\n", "hier_dot*", {"/"}},
        DefCase{"OpenAtEndOfFileDropped", "HIER_DOT /\n", "hier_dot*", kAbsent},
        DefCase{"FirstMatchInFileOrder", "HIER_DOT_CHAR |;\nHIER_DOT /;\n", "hier_dot*", {"|"}},
        DefCase{"Comments", "# c\n! c\n@ c\n$ c\n% c\n^ c\n& c\n/ c;\n~ c;\n\n   \nKEY v;\n", "*", {"v"}},
        DefCase{"SlashLineIsComment", "/HIER_DOT x;\n", "*hier_dot", kAbsent},
        DefCase{"ContinuedList", "LIST (a, b, \\\nc);\n", "list", {"a", "b", "c"}},
        DefCase{"CommentInsideEntry", "LIST (a,\n# not a value\n  b);\n", "list", {"a", "b"}},
        DefCase{"ContinuedText", "TEXT first\\\nsecond;\n", "text", {"first\nsecond"}},
        DefCase{"QuotedItems", "NAME ('x y', \"p;q\" r);\n", "name", {"x y", "p;q", "r"}},
        DefCase{"PlainTextOneItem", "PATH a b, c;\n", "path", {"a b, c"}},
        DefCase{"UpperKeyTwiceGainsValues", "KEY a;\nKEY b;\n", "key", {"a", "b"}},
        DefCase{"LowerKeyTwiceTwoEntries", "key a;\nkey b;\n", "key", {"a"}},
        DefCase{"WildcardQuestionMark", "PIN_1 a;\nPIN_22 b;\n", "pin_??", {"b"}},
        DefCase{"KeyAbsent", "KEY v;\n", "other*", kAbsent},
        DefCase{"KeyOnlyLineTakesNextLine", "KEY\nvalue;\n", "key", {"value"}},
        DefCase{"KeyWithSemicolonHasNoValues", "EMPTY;\nNEXT v;\n", "next", {"v"}},
        DefCase{"LongLineReadWhole", "LONG " + kLong + ";\nNEXT v;\n", "long", {kLong}},
        DefCase{"LongLineThenNext", "LONG " + kLong + ";\nNEXT v;\n", "next", {"v"}},
        DefCase{"CarriageReturns", "KEY v;\r\nK2 (a,\r\nb);\r\n", "k2", {"a", "b"}}),
    [](const ::testing::TestParamInfo<DefCase>& i) { return std::string(i.param.name); });

TEST_F(RcBase, LowerCaseKeysMakeSeparateEntries) {
    ASSERT_EQ(load("key a;\nkey b;\nKEY c;\n"), 0);
    ASSERT_EQ(DYNA_count(rc_tab), 2);
    EXPECT_EQ(strings(rc_tab[1].values), std::vector<std::string>{"b"});
    // An upper-case key written later joins the first entry it matches.
    EXPECT_EQ(strings(rc_tab[0].values), (std::vector<std::string>{"a", "c"}));
}

TEST_F(RcBase, MissingFileLeavesTheTable) {
    ASSERT_EQ(load("KEY v;\n"), 0);
    EXPECT_EQ(RC_load("no_such_file", nullptr), -1);
    EXPECT_EQ(RC_load(nullptr, nullptr), -1);  // no host file names
    EXPECT_STREQ(RC_sget("key", "d"), "v");
    EXPECT_STREQ(RC_sget("absent", "d"), "d");
}

TEST_F(RcBase, FileFoundAlongThePath) {
    tmp.write("lib/quendal.def", "WHERE lib;\n");
    CMD_set_path(nullptr, ".", "designs:lib", nullptr);
    ASSERT_EQ(RC_load("quendal", nullptr), 0);
    EXPECT_STREQ(RC_sget("where", nullptr), "lib");
    // The hidden name wins over the plain one.
    tmp.write("designs/.quendal.def", "WHERE hidden;\n");
    CMD_set_path(nullptr, ".", "designs:lib", nullptr);  // designs exists now
    RC_reset_globals();
    ASSERT_EQ(RC_load("quendal", nullptr), 0);
    EXPECT_STREQ(RC_sget("where", nullptr), "hidden");
    char* found = lookup_file("quendal");
    EXPECT_STREQ(found, "./designs/.quendal.def");
    std::free(found);
    // Another extension.
    tmp.write("site.cfg", "WHERE cfg;\n");
    RC_reset_globals();
    RC_set_ext(".cfg");
    ASSERT_EQ(RC_load("site", nullptr), 0);
    EXPECT_STREQ(RC_sget("where", nullptr), "cfg");
}

TEST_F(RcBase, Getters) {
    ASSERT_EQ(load("COUNT x10;\nNUM 42;\nYES_1 Yes;\nNO_1 no;\nTRUE_1 t;\nONE 1;\n"), 0);
    EXPECT_EQ(RC_iget("count", 0), 16);
    EXPECT_EQ(RC_iget("num", 0), 42);
    EXPECT_EQ(RC_iget("absent", 7), 7);
    EXPECT_EQ(RC_bget("yes_1", 0), 1);
    EXPECT_EQ(RC_bget("true_1", 0), 1);
    EXPECT_EQ(RC_bget("one", 0), 1);
    EXPECT_EQ(RC_bget("no_1", 1), 0);
    EXPECT_EQ(RC_bget("absent", 0x101), 1);  // the default's low byte
}

TEST_F(RcBase, SearchContinuesFromTheCursor) {
    ASSERT_EQ(load("A_1 x;\nB y;\nA_2 z;\n"), 0);
    EXPECT_EQ(strings(RC_search("a_*")), std::vector<std::string>{"x"});
    EXPECT_EQ(strings(RC_search(nullptr)), std::vector<std::string>{"z"});
    EXPECT_EQ(strings(RC_search(nullptr)), std::vector<std::string>{"x"});  // past the end: from the start
    EXPECT_EQ(RC_search("c*"), nullptr);
}

TEST_F(RcBase, ListGettersJoinMatchingEntries) {
    ASSERT_EQ(load("A_1 (x y);\nA_2 z;\nT (a b);\nT_2 c,d;\n"), 0);
    EXPECT_EQ(strings(RC_lget("a_*")), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(RC_get("a_2"), nullptr);  // moved into the first entry
    EXPECT_EQ(lookup("a_1"), (std::vector<std::string>{"x", "y", "z"}));
    EXPECT_EQ(strings(RC_tget("t*")), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(RC_lget("none*"), nullptr);
}

TEST_F(RcBase, EditingEntries) {
    ASSERT_EQ(load("KEY (a b c);\n"), 0);
    EXPECT_EQ(RC_delete("key", "(a c x)"), 2);
    EXPECT_EQ(lookup("key"), (std::vector<std::string>{"(null)", "b", "(null)"}));
    EXPECT_STREQ(RC_sget("key", nullptr), "b");
    EXPECT_EQ(RC_delete("absent", "a"), 0);

    char** fresh = nullptr;
    STR_add(&fresh, "n");
    EXPECT_EQ(RC_set("key", fresh), 0);
    EXPECT_EQ(lookup("key"), std::vector<std::string>{"n"});
    char** unused = nullptr;
    STR_add(&unused, "u");
    EXPECT_EQ(RC_set("absent", unused), -1);
    STR_free(&unused);

    // A null value clears the entry; a new key with no value adds nothing.
    RcEntry* e = RC_add("KEY", nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->key, nullptr);
    EXPECT_EQ(lookup("key"), kAbsent);
    EXPECT_EQ(RC_add("NEW", nullptr), nullptr);
    RC_add("new", "(p q)");
    EXPECT_EQ(lookup("new"), (std::vector<std::string>{"p", "q"}));

    char** items = RC_break("a, 'b c';d", nullptr);
    EXPECT_EQ(strings(items), (std::vector<std::string>{"a", "b c", "d"}));
    STR_free(&items);
    items = RC_break("a:b c", ":");
    EXPECT_EQ(strings(items), (std::vector<std::string>{"a", "b c"}));
    STR_free(&items);
}

TEST_F(RcBase, SelectSwapsTables) {
    ASSERT_EQ(load("KEY v;\n"), 0);
    RcEntry* mine = RC_select(nullptr);
    EXPECT_EQ(RC_get("key"), nullptr);
    RC_add("OTHER", "w");
    RcEntry* other = RC_select(mine);
    EXPECT_STREQ(RC_sget("key", nullptr), "v");
    RC_select(other);
    RC_free();
    RC_select(mine);
}

TEST_F(RcBase, Sections) {
    ASSERT_EQ(load("kest.opt 1;\nother.opt 2;\n.plain 3;\nbare 4;\n", "kest"), 0);
    EXPECT_STREQ(RC_sget("opt", nullptr), "1");
    EXPECT_EQ(RC_get("*.OPT"), nullptr);
    EXPECT_STREQ(RC_sget("plain", nullptr), "3");
    EXPECT_STREQ(RC_sget("bare", nullptr), "4");
    ASSERT_EQ(DYNA_count(rc_tab), 3);
}

TEST_F(RcBase, EntryEndModes) {
    RC_set_sc(255);  // every line is an entry
    ASSERT_EQ(load("K a\nK b;\n"), 0);
    EXPECT_EQ(lookup("k"), (std::vector<std::string>{"a", "b;"}));
    RC_free();
    RC_set_sc(1);  // lines joined as they are
    ASSERT_EQ(load("K ab\ncd;\nOPEN x\n"), 0);
    EXPECT_EQ(lookup("k"), std::vector<std::string>{"abcd"});
    EXPECT_EQ(lookup("open"), kAbsent);
}

TEST_F(RcBase, DebugPrintsEachEntry) {
    debug_flag = 1;
    testing::internal::CaptureStdout();
    ASSERT_EQ(load("HIER_DOT /;\n"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "HIER_DOT = /\n");
}

TEST_F(RcBase, HostFileNames) {
    tmp.write("maker.def", "prog.opt m;\nother.opt o;\n");
    tmp.write("prog.def", "OWN p;\n");
    _company = "maker";
    _product = "prog";
    ASSERT_EQ(RC_load(nullptr, nullptr), 0);
    EXPECT_STREQ(RC_sget("opt", nullptr), "m");
    EXPECT_STREQ(RC_sget("own", nullptr), "p");
}

}  // namespace
