// Buffer groups and trees of the test control signals.
#include <gtest/gtest.h>

#include "support/param_name.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "desc/lib.h"
#include "support/insertion_test_util.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"

namespace {

using bstest::InsertionTest;

std::vector<int> sizes(GroupSizeList g) {
    std::vector<int> v;
    for (int i = 0, n = DYNA_count(g); i < n; ++i) v.push_back(g[i]);
    return v;
}

struct GroupCase {
    bool dfspeed;
    int n, limit;
    std::vector<int> want;  // empty: no list
};

void PrintTo(const GroupCase& c, std::ostream* os) {
    *os << (c.dfspeed ? "dfspeed" : "plain") << " n=" << c.n << " limit=" << c.limit;
}

class Groups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(Groups, Sizes) {
    const GroupCase& c = GetParam();
    GroupSizeList g = c.dfspeed ? bs_dfspeed(c.n, c.limit) : bs_group(c.n, c.limit);
    EXPECT_EQ(sizes(g), c.want);
    EXPECT_EQ(g == nullptr, c.want.empty());
    if (g) DYNA_free(&g);
}

INSTANTIATE_TEST_SUITE_P(Table, Groups,
                         ::testing::Values(GroupCase{false, 10, 4, {4, 3, 3}}, GroupCase{false, 16, 4, {4, 4, 4, 4}},
                                           GroupCase{false, 0, 4, {}}, GroupCase{false, 0, 0, {}},
                                           GroupCase{false, 1, 1, {1}}, GroupCase{false, 3, 1, {1, 1, 1}},
                                           GroupCase{true, 10, 4, {3, 3, 2, 2}},
                                           GroupCase{true, 5, 2, {1, 1, 1, 1, 1}},
                                           // A limit at or near the top of int is one group.
                                           GroupCase{false, 10, INT_MAX, {10}},
                                           GroupCase{false, INT_MAX, INT_MAX, {INT_MAX}},
                                           GroupCase{true, 10, INT_MAX, {10}}),
    [](const auto& i) {
        const auto& c = i.param;
        return std::string(c.dfspeed ? "Dfspeed" : "Plain") + "_N" + std::to_string(c.n) + "_Limit" +
               std::to_string(c.limit);
    });

// A grouping that cannot be made prints its message on standard output
// and ends the run with a failure status.
TEST(GroupErrors, EndWithFailureStatus) {
    auto stdout_to_stderr = [] {
        std::fflush(stdout);
        dup2(2, 1);
    };
    EXPECT_EXIT(
        {
            stdout_to_stderr();
            bs_group(5, 0);
        },
        ::testing::ExitedWithCode(255), "ERROR: Can't group 5 with max size 0 !\n");
    // A chain buffer also drives the next one: a limit of 1 leaves no room.
    EXPECT_EXIT(
        {
            stdout_to_stderr();
            bs_dfspeed(4, 1);
        },
        ::testing::ExitedWithCode(255), "ERROR: Can't group 4 with max size 1 !\n");
}

class Trees : public InsertionTest {
protected:
    void SetUp() override {
        InsertionTest::SetUp();
        TapCellEntry* t = new_tap_cell("qdx_tap");
        TAP_CONTR = t;
        t->group_size = 4;
        desc_set_text(&TAP_INSTANCE_NAME, "TAP");
        buffer = new_buffer("BUF", BUFFER_PLAIN);
        desc_set_text(&buffer->input, "A");
        desc_set_text(&buffer->output, "Y");
        BUFFER_REPORT = DYNA_new<char*>();
    }
    // The text a tree writer wrote.
    template <class F>
    std::string written(F write) {
        FILE* f = std::tmpfile();
        write(f);
        std::fflush(f);
        std::rewind(f);
        std::string s;
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
        return s;
    }
    static GroupSizeList leaves(int n) {
        GroupSizeList g = DYNA_new<int>();
        for (int i = 0; i < n; ++i) DYNA_append(&g, 1);
        return g;
    }
    std::string report() const {
        std::string s;
        for (int i = 0, n = DYNA_count(BUFFER_REPORT); i < n; ++i) s += BUFFER_REPORT[i];
        return s;
    }
    BufferEntry* buffer = nullptr;
};

TEST_F(Trees, BalancedTreeLevels) {
    struct {
        int leaves;
        int depth;
        const char* report_levels;
    } cases[] = {
        {1, 1, "     Level 1: TAP controller drives  1 buffers\n"},
        {4, 1, "     Level 1: TAP controller drives  4 buffers\n"},
        {5, 2, "     Level 1: TAP controller drives  2 buffers\n     Level 2:   2 buffers    drive   5 buffers\n"},
        {17, 3,
         "     Level 1: TAP controller drives  2 buffers\n     Level 2:   2 buffers    drive   5 buffers\n"
         "     Level 3:   5 buffers    drive  17 buffers\n"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.leaves);
        for (int i = 0, n = DYNA_count(BUFFER_REPORT); i < n; ++i) std::free(BUFFER_REPORT[i]);
        DYNA_reset(&BUFFER_REPORT);
        GroupSizeList g = leaves(c.leaves);
        int depth = 0;
        written([&](FILE* f) { depth = build_buffer_balance_tree(f, g, "SHIFT_DR", "shift", buffer); });
        EXPECT_EQ(depth, c.depth);
        EXPECT_EQ(report(), std::string("  ** Using buffer 'BUF' for signal 'SHIFT_DR'\n"
                                        "  ...............................................\n") +
                                c.report_levels);
        DYNA_free(&g);
    }
}

TEST_F(Trees, FiveLeavesUnderTwoBuffers) {
    GroupSizeList g = leaves(5);
    std::string out = written([&](FILE* f) { build_buffer_balance_tree(f, g, "SHIFT_DR", "shift", buffer); });
    EXPECT_EQ(out,
              "add shift_buf_1_1 BUF\n"
              "connect TAP{SHIFT_DR} shift_buf_1_1{A}\n"
              "add shift_buf_1_2 BUF\n"
              "connect TAP{SHIFT_DR} shift_buf_1_2{A}\n"
              "add shift_buf_2_1 BUF\n"
              "add shift_buf_2_2 BUF\n"
              "add shift_buf_2_3 BUF\n"
              "add shift_buf_2_4 BUF\n"
              "add shift_buf_2_5 BUF\n"
              "connect shift_buf_1_1{Y} shift_buf_2_1{A}\n"
              "connect shift_buf_1_1{Y} shift_buf_2_2{A}\n"
              "connect shift_buf_1_1{Y} shift_buf_2_3{A}\n"
              "connect shift_buf_1_2{Y} shift_buf_2_4{A}\n"
              "connect shift_buf_1_2{Y} shift_buf_2_5{A}\n");
    // In a pad module the TAP is reached through the module's port.
    PAD_MODULE_EXIST = 255;
    GroupSizeList one = leaves(1);
    out = written([&](FILE* f) { build_buffer_balance_tree(f, one, "SHIFT_DR", "shift", buffer); });
    EXPECT_EQ(out, "add shift_buf_1_1 BUF\nconnect shift_buf_1_1{A} SHIFT_DR\n");
    DYNA_free(&g);
    DYNA_free(&one);
}

// The level of a buffer named "<stem>_buf_<level>_<index>", 0 for another name.
int level_of(const std::string& name) {
    size_t at = name.find("_buf_");
    int level = 0, index = 0;
    if (at == std::string::npos || std::sscanf(name.c_str() + at + 5, "%d_%d", &level, &index) != 2) return 0;
    return level;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

// Checks a tree's connectivity: every buffer name is new, every buffer of
// a level below 1 hangs on a buffer of the level above, and the TAP pin
// drives at most `limit` buffers.
void expect_sound_tree(const std::string& out, int depth, int leaves, int limit, bool verilog) {
    std::set<std::string> names, outputs;
    std::map<std::string, int> loads;
    int level1 = 0, last = 0;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> w = words(line);
        if (verilog && w.size() >= 11 && w[0] == "BUF") {
            // BUF <name> ( .A ( <in> ) , .Y ( <out> ) ) ;
            EXPECT_TRUE(names.insert(w[1]).second) << "name used twice: " << w[1];
            int lv = level_of(w[1]);
            if (lv == 1) {
                ++level1;
                EXPECT_EQ(w[5], "shift_buf_1_1_A");
            } else {
                ++loads[w[5]];
            }
            EXPECT_TRUE(outputs.insert(w[10]).second) << "net driven twice: " << w[10];
            if (lv == depth) ++last;
        } else if (!verilog && w.size() == 3 && w[0] == "add") {
            EXPECT_TRUE(names.insert(w[1]).second) << "name used twice: " << w[1];
            if (level_of(w[1]) == 1) ++level1;
            if (level_of(w[1]) == depth) ++last;
        } else if (!verilog && w.size() == 3 && w[0] == "connect" && w[1].find("_buf_") != std::string::npos &&
                   w[2].find("_buf_") != std::string::npos) {
            std::string from = w[1].substr(0, w[1].find('{')), to = w[2].substr(0, w[2].find('{'));
            EXPECT_TRUE(names.count(from) && names.count(to)) << line;
            EXPECT_EQ(level_of(to), level_of(from) + 1) << line;
            ++loads[from];
        }
    }
    for (auto& [net, n] : loads) {
        if (verilog) {
            EXPECT_TRUE(outputs.count(net)) << "input net without driver: " << net;
        }
        EXPECT_LE(n, std::max(limit, 2)) << net;
    }
    EXPECT_LE(level1, limit);
    EXPECT_EQ(last, leaves);
}

TEST_F(Trees, GroupSizeOneStillCloses) {
    TAP_CONTR->group_size = 1;
    GroupSizeList g = leaves(5);
    int depth = 0;
    std::string out = written([&](FILE* f) { depth = build_buffer_balance_tree(f, g, "SHIFT_DR", "shift", buffer); });
    EXPECT_EQ(depth, 4);  // 5 -> 3 -> 2 -> 1
    expect_sound_tree(out, depth, 5, 1, false);
    DYNA_free(&g);
}

TEST_F(Trees, VerilogTreeNamesAreUnique) {
    for (int limit : {1, 2, 3}) {
        for (int n : {1, 3, 9, 30}) {
            SCOPED_TRACE(std::to_string(limit) + "/" + std::to_string(n));
            TAP_CONTR->group_size = limit;
            GroupSizeList g = leaves(n);
            level_count = 0;
            int depth = 0;
            std::string out = written([&](FILE* f) { depth = make_buffer(f, g, "SHIFT_DR", "shift", buffer); });
            EXPECT_EQ(level_count, depth);
            EXPECT_EQ(shift_index, n);  // the last level written is the leaf level
            expect_sound_tree(out, depth, n, limit, true);
            // The leaf nets that the cells use: "<stem>_buf_<depth>_<j>_<output>".
            EXPECT_NE(out.find("shift_buf_" + std::to_string(depth) + "_" + std::to_string(n) + "_Y"),
                      std::string::npos);
            DYNA_free(&g);
        }
    }
}

TEST_F(Trees, DfSpeedChain) {
    GroupSizeList g = DYNA_new<int>();
    for (int s : {3, 3, 2}) DYNA_append(&g, s);
    std::string out = written([&](FILE* f) { build_dfspeed_buffer_balance_tree(f, g, "CLOCK_DR", "clock", buffer); });
    EXPECT_EQ(out,
              "add clock_df_buf_1 BUF\nconnect TAP{CLOCK_DR} clock_df_buf_1{A}\n"
              "add clock_df_buf_2 BUF\nconnect clock_df_buf_1{Y} clock_df_buf_2{A}\n"
              "add clock_df_buf_3 BUF\nconnect clock_df_buf_2{Y} clock_df_buf_3{A}\n");
    EXPECT_NE(report().find("     Using    3 buffers to drives    8 signals\n"), std::string::npos);
    DYNA_free(&g);
}

// An active-low TAP pin's tree inverts once: the inverting buffer (here
// with pins of its own names) on the leaves, which the cells hang on, the
// plain buffer on the levels above; a -df_speed chain takes the inverting
// buffer first and passes its output on through plain ones.  Without a
// plain buffer a tree of more than one level is refused.
class InvertingTrees : public Trees {
protected:
    void SetUp() override {
        Trees::SetUp();
        desc_set_text(&TAP_CONTR->signal_buffer, "BUF");
        desc_set_text(&TAP_CONTR->inv_buffer, "INVX");
        inv = new_buffer("INVX", BUFFER_PLAIN);
        desc_set_text(&inv->input, "I");
        desc_set_text(&inv->output, "ZN");
        inv = get_buffer("INVX");
    }
    BufferEntry* inv = nullptr;
};

TEST_F(InvertingTrees, InvertOnOneLevelOnly) {
    GroupSizeList g = leaves(5);
    std::string out = written([&](FILE* f) { build_buffer_balance_tree(f, g, "SHIFT_DR", "shift", inv); });
    EXPECT_EQ(out,
              "add shift_buf_1_1 BUF\n"
              "connect TAP{SHIFT_DR} shift_buf_1_1{A}\n"
              "add shift_buf_1_2 BUF\n"
              "connect TAP{SHIFT_DR} shift_buf_1_2{A}\n"
              "add shift_buf_2_1 INVX\n"
              "add shift_buf_2_2 INVX\n"
              "add shift_buf_2_3 INVX\n"
              "add shift_buf_2_4 INVX\n"
              "add shift_buf_2_5 INVX\n"
              "connect shift_buf_1_1{Y} shift_buf_2_1{I}\n"
              "connect shift_buf_1_1{Y} shift_buf_2_2{I}\n"
              "connect shift_buf_1_1{Y} shift_buf_2_3{I}\n"
              "connect shift_buf_1_2{Y} shift_buf_2_4{I}\n"
              "connect shift_buf_1_2{Y} shift_buf_2_5{I}\n");
    EXPECT_EQ(report().find("  ** Using buffer 'INVX' for signal 'SHIFT_DR'\n"), 0u) << report();

    GroupSizeList chain = DYNA_new<int>();
    for (int n : {2, 2, 1}) DYNA_append(&chain, n);
    out = written([&](FILE* f) { build_dfspeed_buffer_balance_tree(f, chain, "SHIFT_DR", "shift", inv); });
    EXPECT_EQ(out,
              "add shift_df_buf_1 INVX\nconnect TAP{SHIFT_DR} shift_df_buf_1{I}\n"
              "add shift_df_buf_2 BUF\nconnect shift_df_buf_1{ZN} shift_df_buf_2{A}\n"
              "add shift_df_buf_3 BUF\nconnect shift_df_buf_2{Y} shift_df_buf_3{A}\n");
    EXPECT_EQ(bs_chain_buffer(inv, 0), inv);
    EXPECT_EQ(bs_chain_buffer(inv, 2), buffer);
    EXPECT_EQ(bs_chain_buffer(buffer, 2), buffer);

    // The Verilog form: plain buffers on the root net (named after the
    // leaves' input) and between the levels, the leaves inverting.
    level_count = 0;
    out = written([&](FILE* f) { make_buffer(f, g, "SHIFT_DR", "shift", inv); });
    EXPECT_EQ(out,
              "BUF shift_buf_1_1 ( .A ( shift_buf_1_1_I ) , .Y ( shift_buf_1_1_Y ) ) ;\n"
              "BUF shift_buf_1_2 ( .A ( shift_buf_1_1_I ) , .Y ( shift_buf_1_2_Y ) ) ;\n"
              "INVX shift_buf_2_1 ( .I ( shift_buf_1_1_Y ) , .ZN ( shift_buf_2_1_ZN ) );\n"
              "INVX shift_buf_2_2 ( .I ( shift_buf_1_1_Y ) , .ZN ( shift_buf_2_2_ZN ) );\n"
              "INVX shift_buf_2_3 ( .I ( shift_buf_1_1_Y ) , .ZN ( shift_buf_2_3_ZN ) );\n"
              "INVX shift_buf_2_4 ( .I ( shift_buf_1_2_Y ) , .ZN ( shift_buf_2_4_ZN ) );\n"
              "INVX shift_buf_2_5 ( .I ( shift_buf_1_2_Y ) , .ZN ( shift_buf_2_5_ZN ) );\n");
    DYNA_free(&g);
    DYNA_free(&chain);
}

TEST_F(InvertingTrees, WithoutAPlainBufferOneLevelOnly) {
    desc_set_text(&TAP_CONTR->signal_buffer, nullptr);
    GroupSizeList one_level = leaves(4);
    std::string out = written([&](FILE* f) { build_buffer_balance_tree(f, one_level, "SHIFT_DR", "shift", inv); });
    EXPECT_NE(out.find("add shift_buf_1_4 INVX\n"), std::string::npos) << out;
    GroupSizeList two_levels = leaves(5);
    const char* message =
        "ERROR: the shift signal needs 2 buffers in line from the TAP to its cells, but\n"
        "       %TAP_CONTROLLER qdx_tap declares no %SIGNAL_BUFFER: its active-low pin\n"
        "       takes %INV_BUFFER 'INVX', which may invert the signal only once.\n";
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            written([&](FILE* f) { build_buffer_balance_tree(f, two_levels, "SHIFT_DR", "shift", inv); });
        },
        ::testing::ExitedWithCode(255), message);
    DYNA_free(&one_level);
    DYNA_free(&two_levels);
}

// The group lists of a run: valid loads are grouped whatever the limit,
// a signal or extra pin without loads gets no list.
TEST_F(Trees, GroupListsOfARun) {
    TAP_CONTR->group_size = 1;
    desc_set_text(&TAP_CONTR->shift_dr, "-SHIFT_DR");
    desc_set_text(&TAP_CONTR->clock_dr, "CLOCK_DR");
    desc_set_text(&TAP_CONTR->signal_buffer, "BUF");
    desc_set_text(&TAP_CONTR->inv_buffer, "INV");
    BufferEntry* inv = new_buffer("INV", BUFFER_PLAIN);
    desc_set_text(&inv->input, "A");
    desc_set_text(&inv->output, "Y");
    buffer = get_buffer("BUF");
    inv = get_buffer("INV");
    SCAN_TAB = DYNA_new<ScanChainEntry>();
    DYNA_append(&SCAN_TAB, ScanChainEntry{});
    NEED_SHIFT_DR = 3;
    NEED_CLOCK_DR = 3;
    NEED_HIGHZ = 1;
    NEED_EXTRA_PIN = DYNA_new<int>();
    DYNA_append(&NEED_EXTRA_PIN, 2);
    DYNA_append(&NEED_EXTRA_PIN, 0);
    built_bus_balance_group_tab_for_control_signal();
    EXPECT_EQ(sizes(SHIFT_GROUP), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(sizes(CLOCK_GROUP), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(sizes(HIGHZ_GROUP), (std::vector<int>{1}));
    EXPECT_EQ(UPDATE_GROUP, nullptr);
    ASSERT_EQ(DYNA_count(EXTRA_PIN_GROUP), 2);
    EXPECT_EQ(sizes(EXTRA_PIN_GROUP[0]), (std::vector<int>{1, 1}));
    EXPECT_EQ(EXTRA_PIN_GROUP[1], nullptr);
    // An active-low TAP pin takes the inverting buffer.
    EXPECT_EQ(SHIFT_BUF, inv);
    EXPECT_EQ(CLOCK_BUF, buffer);
    DYNA_free(&NEED_EXTRA_PIN);
    NEED_EXTRA_PIN = nullptr;
    bs_free_insertion_tables();
}

}  // namespace
