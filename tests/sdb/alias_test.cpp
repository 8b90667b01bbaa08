// The alias file: reading its statements, the pair table, writing it back.
#include <filesystem>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

class Alias : public SdbTest {
protected:
    void read(const std::string& text) {
        asn_file_name = qdx_strdup(dir.write("d.asn", text).c_str());
        ALIAS_init();
    }
    std::vector<std::pair<std::string, std::string>> pairs() {
        std::vector<std::pair<std::string, std::string>> v;
        for (int i = 0; i < alias_net_count; ++i) v.emplace_back(alias_net_tab[i].first, alias_net_tab[i].second);
        return v;
    }
    std::vector<std::string> aliases(int i) {
        std::vector<std::string> v;
        for (int k = 0; k < DYNA_count(sdb_port_aliasG[i].aliases); ++k) v.emplace_back(sdb_port_aliasG[i].aliases[k]);
        return v;
    }
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST_F(Alias, StatementsAndBusIndexes) {
    std::string long_name(300, 'n');
    read("ASSIGN a[0] b\n"
         "ASSIGN a [0] b\n"
         "junk words here\n"
         "ASSIGN \\esc x\n"
         "ASSIGN c \\esc2 [3]\n"
         "ASSIGN d \\esc3 ASSIGN e f\n"
         "ALIAS p q r ;\n"
         "ASSIGN " + long_name + " g\n");
    EXPECT_EQ(pairs(), (Pairs{{"a[0]", "b"}, {"\\esc", "x"}, {"c", "\\esc2[3]"}, {"d", "\\esc3"}, {"e", "f"},
                              {long_name, "g"}}));
    ASSERT_EQ(DYNA_count(sdb_port_aliasG), 1);
    EXPECT_STREQ(sdb_port_aliasG[0].port, "p");
    EXPECT_EQ(aliases(0), (std::vector<std::string>{"q", "r"}));
    EXPECT_EQ(ALIAS_search("e"), 4);
    EXPECT_EQ(ALIAS_search("zz"), -1);
}

TEST_F(Alias, UnfinishedPortAliasIsCorrupt) {
    testing::internal::CaptureStdout();
    read("ALIAS p q r ;\nALIAS s t");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "SDB ERROR: (FA-01-0006) The sdb file '" + std::string(asn_file_name) +
                       "' is corrupted. Please generate the sdb file again.\n");
    EXPECT_EQ(sdb_port_aliasG, nullptr);
}

TEST_F(Alias, AddingUpdatesEarlierPairs) {
    EXPECT_EQ(ALIAS_add("a", "b"), 0);
    EXPECT_EQ(ALIAS_add("a", "b"), -1);
    EXPECT_EQ(ALIAS_add("x", "y"), 1);
    EXPECT_EQ(ALIAS_add("a", "c"), 2);
    EXPECT_EQ(pairs(), (Pairs{{"a", "c"}, {"x", "y"}, {"a", "c"}}));
    EXPECT_EQ(ALIAS_add(nullptr, "c"), -1);
    EXPECT_EQ(ALIAS_search("a"), 0);
    ALIAS_free();
    EXPECT_EQ(alias_net_count, 0);
    EXPECT_EQ(ALIAS_search("a"), -1);
}

TEST_F(Alias, MissingFileIsNoError) {
    testing::internal::CaptureStdout();
    asn_file_name = qdx_strdup(path("none.asn").c_str());
    ALIAS_init();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(alias_net_count, 0);
}

// The alias file goes beside the design that is saved, not beside a
// design of the same name elsewhere.
TEST_F(Alias, WrittenBesideTheSavedDesign) {
    std::filesystem::create_directory(dir.path() / "a");
    std::filesystem::create_directory(dir.path() / "b");
    saved_sample(dir, "a/chip.sdb");
    SdbDatabase* db = SDB_open(path("a/chip.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    ALIAS_add("n1", "n2");
    std::free(db->path);
    db->path = qdx_strdup(path("b/chip.sdb").c_str());
    ASSERT_EQ(SDB_save(db), 0);
    EXPECT_EQ(testsupport::read_file(path("b/chip.asn")), "ASSIGN a_old a\nASSIGN n1 n2\n");
    EXPECT_EQ(testsupport::read_file(path("a/chip.asn")), "ASSIGN a_old a\n");
    SDB_close(db, 0);
}

TEST_F(Alias, FixNormalisesGroups) {
    SdbDatabase* db = SDB_open(path("f.sdb").c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    SDB_make_port(SYM_setup(sym_tab, "out"), SDB_DIR_OUTPUT, -1, 0);
    SDB_make_port(SYM_setup(sym_tab, "in"), SDB_DIR_INPUT, -1, 0);
    ALIAS_add("w1", "out");
    ALIAS_add("w2", "w1");
    ALIAS_add("in", "w2");
    ALIAS_add("k", "VCC");
    ALIAS_add("1'b1", "k");
    // Groups: in w2 w1 out; 1'b1 k VCC, whose second name of logic 1 goes.
    EXPECT_EQ(ALIAS_fix(), 0);
    EXPECT_EQ(pairs(), (Pairs{{"w2", "in"}, {"w1", "in"}, {"out", "in"}, {"k", "1'b1"}}));
    ALIAS_free();
    ALIAS_add("VCC", "x");
    ALIAS_add("GND", "x");
    EXPECT_EQ(ALIAS_fix(), -1) << "one net cannot be two constants";
    SDB_close(db, 0);
}

}  // namespace
