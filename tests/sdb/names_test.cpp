// Symbol table, hierarchical names and coded messages.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

class Names : public SdbTest {};

TEST_F(Names, SymbolTableFindsAddsAndBounds) {
    SymbolTable* t = SYM_init(SYM_NBUCKETS);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(SYM_lookup(t, "*UNDEF*"), 0);
    int a = SYM_setup(t, "alpha");
    EXPECT_EQ(SYM_setup(t, "alpha"), a);
    int dup = SYM_install(t, "alpha");
    EXPECT_NE(dup, a);
    EXPECT_EQ(SYM_lookup(t, "alpha"), a) << "a second install is never found";
    EXPECT_STREQ(SYM_get(t, dup), "alpha");
    EXPECT_EQ(SYM_get(t, SYM_count(t)), nullptr);
    EXPECT_EQ(SYM_get(t, -1), nullptr);
    EXPECT_EQ(SYM_query(t, SYM_count(t)), nullptr);
    EXPECT_EQ(SYM_lookup(t, "beta"), -1);
    // Many names in few buckets: every one is found again.
    SymbolTable* small = SYM_init(3);
    for (int i = 0; i < 3000; ++i) SYM_setup(small, ("n" + std::to_string(i * 7919 % 3001)).c_str());
    for (int i = 0; i < 3000; ++i) {
        std::string n = "n" + std::to_string(i * 7919 % 3001);
        int id = SYM_lookup(small, n.c_str());
        ASSERT_GT(id, 0);
        EXPECT_EQ(SYM_get(small, id), n);
    }
    SYM_free(small);
    SYM_free(t);
}

// Installing a bucket's sorted names at once gives the ids and the tree
// that installing them middle first, one by one, gives: in an empty
// bucket and in the bucket of "*UNDEF*", which is found, not added.
TEST_F(Names, SortedInstallBuildsTheTreeOfOneByOneInstalls) {
    SymbolTable* one = SYM_init(SYM_NBUCKETS);
    SymbolTable* bulk = SYM_init(SYM_NBUCKETS);
    const auto bucket = [](const std::string& n) { return SYM_hash(n.c_str()) % SYM_NBUCKETS; };
    for (const std::uint32_t b : {bucket("*UNDEF*"), bucket("n7")}) {
        std::vector<std::string> names;
        if (b == bucket("*UNDEF*")) names.push_back("*UNDEF*");
        for (int i = 0; names.size() < 40; ++i)
            if (const std::string n = "n" + std::to_string(i); bucket(n) == b) names.push_back(n);
        std::sort(names.begin(), names.end());
        std::vector<const char*> texts;
        for (const std::string& n : names) texts.push_back(n.c_str());
        std::vector<std::int32_t> ids(names.size(), -1);
        SYM_install_sorted(bulk, texts.data(), ids.data(), texts.size());
        std::vector<std::pair<std::size_t, std::size_t>> spans{{0, names.size()}};
        while (!spans.empty()) {
            const auto [a, e] = spans.back();
            spans.pop_back();
            if (a >= e) continue;
            const std::size_t m = a + (e - a) / 2;
            EXPECT_EQ(ids[m], SYM_setup(one, texts[m])) << names[m];
            spans.emplace_back(m + 1, e);
            spans.emplace_back(a, m);
        }
    }
    ASSERT_EQ(SYM_count(bulk), SYM_count(one));
    for (int i = 0; i < SYM_count(one); ++i) {
        EXPECT_STREQ(SYM_get(bulk, i), SYM_get(one, i));
        EXPECT_EQ(SYM_query(bulk, i)->left, SYM_query(one, i)->left) << i;
        EXPECT_EQ(SYM_query(bulk, i)->right, SYM_query(one, i)->right) << i;
    }
    for (int i = 1; i < SYM_count(one); ++i) EXPECT_EQ(SYM_lookup(bulk, SYM_get(one, i)), i);
    SYM_free(one);
    SYM_free(bulk);
}

TEST_F(Names, HashTakesBytesAsSigned) {
    EXPECT_EQ(SYM_hash(""), 0u);
    EXPECT_EQ(SYM_hash("A"), 65u);
    EXPECT_EQ(SYM_hash("AB"), 65u * 8 + 66);
    EXPECT_EQ(SYM_hash("\xFF"), 0xFFFFFFFFu);
    EXPECT_EQ(SYM_hash("\x80" "A"), (0xFFFFFF80u << 3 | 0xFFFFFF80u >> 29) + 65);
}

TEST_F(Names, SymbolSectionThroughAStream) {
    SymbolTable* t = SYM_init(7);
    for (const char* n : {"x", "y", "z", "\xC3\xA9t\xC3\xA9"}) SYM_setup(t, n);
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(SYM_save(f, t), 0);
    std::rewind(f);
    SymbolTable* back = SYM_load(f);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(SYM_count(back), SYM_count(t));
    for (int i = 0; i < SYM_count(t); ++i) EXPECT_STREQ(SYM_get(back, i), SYM_get(t, i));
    EXPECT_EQ(SYM_lookup(back, "\xC3\xA9t\xC3\xA9"), 4);
    std::fclose(f);
    SYM_free(back);
    SYM_free(t);
}

using Prefix = PrefixTableTest;

TEST_F(Prefix, FullNamesWithTheSeparator) {
    EXPECT_EQ(PREFIX_symbols(tab), syms);
    int top = add("cpu", -1);
    int alu = add("alu", top);
    int sum = add("sum", alu);
    EXPECT_STREQ(PREFIX_get(tab, top), "cpu");
    EXPECT_STREQ(PREFIX_get(tab, sum), "cpu.alu.sum");
    int stand = PREFIX_add(&tab, sdb_prefix_word(alu), -1, -1);
    EXPECT_STREQ(PREFIX_get(tab, stand), "cpu.alu");
    PREFIX_set_dot('/');
    EXPECT_EQ(PREFIX_get_dot(), '/');
    EXPECT_STREQ(PREFIX_get(tab, sum), "cpu/alu/sum");
    // The table grows; the symbol table stays with it.
    for (int i = 0; i < 10000; ++i) add("x", sum);
    EXPECT_EQ(PREFIX_symbols(tab), syms);
    EXPECT_STREQ(PREFIX_get(tab, DYNA_count(tab) - 1), "cpu/alu/sum/x");
    EXPECT_EQ(tab[DYNA_count(tab)].parent, -1);
}

TEST_F(Prefix, LongestNameAndOneMore) {
    // Segments of 100 characters: 40 of them with their separators take
    // 4040 bytes; a 41st does not fit.
    std::string seg(100, 's');
    int e = -1;
    for (int i = 0; i < 40; ++i) e = add(seg.c_str(), e);
    EXPECT_EQ(std::string(PREFIX_get(tab, e)).size(), 40u * 101 - 1);
    std::string fill(4094 - 4040 - 1, 'f');  // exactly the room left
    int full = add(fill.c_str(), e);
    EXPECT_EQ(std::string(PREFIX_get(tab, full)).size(), 4093u);
    int over = add((fill + "g").c_str(), e);
    testing::internal::CaptureStdout();
    EXPECT_EXIT(PREFIX_get(tab, over), ::testing::ExitedWithCode(255), "");
    testing::internal::GetCapturedStdout();
}

TEST_F(Prefix, IllegalWordsEndTheRun) {
    int top = add("top", -1);
    int bad = PREFIX_add(&tab, -3, top, -1);
    EXPECT_EXIT(PREFIX_get(tab, bad), ::testing::ExitedWithCode(255), "");
    int blank = PREFIX_add(&tab, 4000, top, -1);
    EXPECT_EXIT(PREFIX_get(tab, blank), ::testing::ExitedWithCode(255), "");
    int loop = PREFIX_add(&tab, sdb_prefix_word(DYNA_count(tab)), top, -1);
    EXPECT_EXIT(PREFIX_get(tab, loop), ::testing::ExitedWithCode(255), "");
}

class Messages : public SdbTest {};

TEST_F(Messages, LevelsCountsAndLog) {
    FILE* log = std::tmpfile();
    SDB_set_log(log);
    testing::internal::CaptureStdout();
    sdb_log_error(SDB_WARNING, FA_04_0007, "x.sdb");
    sdb_log_error2(SDB_ERROR, "%s", FA_01_0005);
    sdb_log_error5(SDB_FATAL, FA_04_0009, "", 302L);
    sdb_log_error3(5, "%s", "never shown");
    std::string out = testing::internal::GetCapturedStdout();
    std::string want =
        "SDB WARNING: (FA-04-0007) The sdb file size of 'x.sdb' is zero.\n"
        "SDB ERROR: (FA-01-0005) Failed to read the sdb file.\n\n"
        "SDB FATAL: (FA-04-0009) Obsolete SDB version (302). Please recompile your netlist with the latest "
        "tessick/vornell/drumway.\n"
        "SDB FATAL: (FA-01-0001) SYSPNIK. Panic! Incorrect internal state. The system has to exit!\n";
    EXPECT_EQ(out, want);
    EXPECT_EQ(get_sdb_num_warning(), 1);
    EXPECT_EQ(get_sdb_num_error(), 3);
    EXPECT_STREQ(sdb_err_msg_bufferG,
                 "SDB FATAL: (FA-01-0001) SYSPNIK. Panic! Incorrect internal state. The system has to exit!");
    std::rewind(log);
    std::string logged;
    for (int c; (c = std::fgetc(log)) != EOF;) logged.push_back(static_cast<char>(c));
    EXPECT_EQ(logged, want);
    std::fclose(log);
}

TEST_F(Messages, InfoVariant) {
    testing::internal::CaptureStdout();
    sdb_info(SDB_INFO, "hidden %d", 1);
    sdb_info_flagG = 1;
    sdb_info(SDB_INFO, "shown %d", 2);
    plovert_quiet_flagG = 1;
    sdb_info(SDB_WARNING, "quiet");
    plovert_batchG = 1;
    plovert_batch_nameG = "run.cmd";
    plovert_line_numG = 7;
    sdb_info(SDB_ERROR, "bad %s", "thing");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "shown 2\nSDB ERROR: bad thing Batch file 'run.cmd' - line 7,\n");
    EXPECT_EQ(SDB_error_flagG, 1);
    EXPECT_EQ(get_sdb_num_error(), 0);
}

}  // namespace
