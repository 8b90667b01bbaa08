// A design large enough to be read by several threads goes through the
// same checks as a small one.
#include <fstream>
#include <functional>

#include "runtime/pages.h"
#include "sdb/internal.h"
#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

class Large : public SdbTest {
protected:
    static constexpr int kObjects = 150000;

    // Objects of a three-pin cell, each driving its own net from its third
    // pin and taking its inputs from earlier nets.
    std::string make(const std::string& name) {
        std::string p = path(name);
        SdbDatabase* db = SDB_open(p.c_str(), "w", 0);
        EXPECT_NE(db, nullptr);
        SDB_setup(db);
        // Net 0 is GND and net 1 is VCC, as in every design.
        SDB_make_net(SYM_setup(sym_tab, "GND"), -1);
        SDB_make_net(SYM_setup(sym_tab, "VCC"), -1);
        SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        int cell = SDB_make_class(SYM_setup(sym_tab, "C3"), 1, -1, 0);
        SDB_make_pinlist(cell, 3, pins);
        // The objects are named top.u<i>, through prefix entries that
        // name their owners.
        const int top = PREFIX_add(&prefix_tab, SYM_setup(sym_tab, "top"), -1, -6);
        for (int i = 0; i < kObjects; ++i) {
            int e = PREFIX_add(&prefix_tab, SYM_setup(sym_tab, ("u" + std::to_string(i)).c_str()), top,
                               SDB_OWNER_OBJECT + obj_count);
            int o = SDB_make_obj(sdb_prefix_word(e), cell, 0, -1);
            int n = SDB_make_net(SYM_setup(sym_tab, ("n" + std::to_string(i)).c_str()), -1);
            int f = obj_tab[o].first_node;
            SDB_nl_connect_net(i > 0 ? n - 1 : 0, f);
            SDB_nl_connect_net(i > 7 ? n - 7 : 1, f + 1);
            SDB_nl_connect_net(n, f + 2);
        }
        EXPECT_EQ(SDB_save(db), 0);
        SDB_close(db, 0);
        return testsupport::read_file(p);
    }

    // The same design with a platform byte in front, every table one byte
    // further on: tables that lie aligned in the one are copied from the
    // other.
    static std::string shifted(std::string f) {
        for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k)
            if (get32(f, slot_word(k, 1)) > 0) put32(f, slot_word(k, 4), get32(f, slot_word(k, 4)) + 1);
        return '\x0D' + f;
    }

    // Byte position of symbol entry id in a saved file.
    static size_t entry_pos(const std::string& f, uint32_t id) {
        size_t at = kRoots + 4 * get32(f, kBuckets) + 4;
        for (uint32_t i = 0; i < id; ++i) at += 12 + get32(f, at);
        return at;
    }
};

TEST_F(Large, ReadsBackEqualAndRefusesDamage) {
    std::string f = make("big.sdb");
    ASSERT_GT(f.size(), 16u << 20) << "large enough for several threads";
    // A new design of the same name, closed without saving, leaves the file.
    SdbDatabase* db = SDB_open(path("big.sdb").c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_close(db, 0);
    EXPECT_EQ(testsupport::read_file(path("big.sdb")), f);
    std::string again = make("again.sdb");
    EXPECT_EQ(again, f) << "saving is deterministic";
    db = SDB_open(path("big.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    EXPECT_EQ(obj_count, kObjects);
    EXPECT_EQ(node_count, 3 * kObjects);
    EXPECT_STREQ(SYM_get(sym_tab, snet_tab[net_count - 1]), ("n" + std::to_string(kObjects - 1)).c_str());
    expect_sentinels(db);
    for (int n = 0; n < net_count; ++n) {
        int len = 0;
        for (int v = net_tab[n].first_node; v != -1; v = node_tab[v].next) ASSERT_LT(++len, 10);
    }
    SDB_close(db, 0);

    struct Damage {
        const char* name;
        std::function<void(std::string&)> apply;
    } damages[] = {
        {"next_out_of_range", [](std::string& b) { put32(b, record_word(b, SDB_NODE, 3 * kObjects - 5, 3), 3 * kObjects); }},
        {"two_nets_share_a_node",
         [](std::string& b) {
             put32(b, record_word(b, SDB_NET, 12, 0), get32(b, record_word(b, SDB_NET, kObjects - 3, 0)));
         }},
        {"list_turns_back",
         [](std::string& b) {
             // The last node of a net leads to its first.
             uint32_t first = get32(b, record_word(b, SDB_NET, kObjects / 2, 0));
             uint32_t v = first;
             while (get32(b, record_word(b, SDB_NODE, static_cast<int>(v), 3)) != 0xFFFFFFFFu)
                 v = get32(b, record_word(b, SDB_NODE, static_cast<int>(v), 3));
             put32(b, record_word(b, SDB_NODE, static_cast<int>(v), 3), first);
         }},
        {"symbol_leads_to_itself",
         [](std::string& b) {
             uint32_t id = 2 * kObjects;
             size_t at = entry_pos(b, id);
             put32(b, at + 4 + get32(b, at), id);
         }},
        {"name_without_nul",
         [](std::string& b) {
             size_t at = entry_pos(b, kObjects);
             b[at + 4 + get32(b, at) - 1] = 'x';
         }},
        {"name_word_past_the_symbols",
         [](std::string& b) { put32(b, record_word(b, SDB_SOBJ, kObjects - 1, 0), 0x7FFFFFFF); }},
        {"object_names_another_entry",
         [](std::string& b) {
             const uint32_t last = get32(b, record_word(b, SDB_SOBJ, kObjects - 1, 0));
             put32(b, record_word(b, SDB_SOBJ, kObjects - 2, 0), last);
         }},
        {"entry_names_another_owner",
         [](std::string& b) { put32(b, record_word(b, SDB_PREF, kObjects - 9, 2), SDB_OWNER_OBJECT + 3); }},
    };
    const std::string p = path("bad.sdb");
    auto write = [&p](const std::string& bytes) {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << bytes;
    };
    // The undamaged design opens both ways, with the same tables.
    write(shifted(f));
    db = SDB_open(p.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(DYNA_is_mapped(db->slot[SDB_NODE].data)) << "the shifted tables are copied";
    EXPECT_EQ(std::memcmp(db->slot[SDB_NODE].data, f.data() + get32(f, slot_word(SDB_NODE, 4)),
                          static_cast<size_t>(3 * kObjects) * sizeof(SdbNode)),
              0);
    expect_sentinels(db);
    SDB_close(db, 0);
    for (const Damage& d : damages) {
        std::string b = f;
        d.apply(b);
        for (bool shift : {false, true}) {
            SCOPED_TRACE(std::string(d.name) + (shift ? ", shifted" : ""));
            write(shift ? shifted(b) : b);
            testing::internal::CaptureStdout();
            EXPECT_EQ(SDB_open(p.c_str(), "r", 0), nullptr);
            EXPECT_EQ(testing::internal::GetCapturedStdout(),
                      "SDB ERROR: (FA-01-0006) The sdb file '" + p +
                          "' is corrupted. Please generate the sdb file again.\n");
            EXPECT_EQ(sdb_errnoG, SDB_CORRUPT);
        }
    }
}

// A copied table is read in pieces bounded by huge pages: together they
// cover its bytes once, and every record is checked once, in the piece
// it lies whole in or on its own when it straddles two.
TEST(CopyPieces, CoverEveryByteAndCheckEveryRecordOnce) {
    const uintptr_t huge = kHugePageBytes;
    struct Case {
        uintptr_t at;
        int32_t count;
        int size;
    } cases[] = {
        {huge * 3 + 64, 2900128, 20},   // a large node table, behind a heap header
        {huge * 5 - 7, 1000000, 12},    // its first piece shorter than a record
        {huge * 2, 1000066, 8},         // starting on a huge page
        {huge * 7 + 4096, 3, 32},       // within one page
        {huge - 12, 1, 12},             // one record ending on a huge page
        {huge - 10, 1, 20},             // one record across it
        {huge * 9 + 48, 349525, 12},    // ending just short of a huge page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("at " + std::to_string(c.at % huge) + ", " + std::to_string(c.count) + " records of " +
                     std::to_string(c.size));
        const sdbi::CopyPlan plan = sdbi::plan_copy(c.at, c.count, c.size);
        const int64_t bytes = int64_t{c.count} * c.size;
        std::vector<uint8_t> checked(static_cast<size_t>(c.count), 0);
        int64_t next = 0;
        for (const sdbi::CopyPiece& piece : plan.pieces) {
            ASSERT_EQ(piece.lo, next);
            ASSERT_GT(piece.hi, piece.lo);
            // A piece ends at the table's end or on a huge page, and stays in one.
            EXPECT_TRUE(piece.hi == bytes || (c.at + static_cast<uintptr_t>(piece.hi)) % huge == 0);
            EXPECT_EQ((c.at + static_cast<uintptr_t>(piece.lo)) / huge,
                      (c.at + static_cast<uintptr_t>(piece.hi) - 1) / huge);
            for (int32_t r = piece.first; r < piece.first + piece.count; ++r) {
                ASSERT_GE(int64_t{r} * c.size, piece.lo);
                ASSERT_LE(int64_t{r + 1} * c.size, piece.hi);
                ++checked[static_cast<size_t>(r)];
            }
            next = piece.hi;
        }
        EXPECT_EQ(next, bytes);
        for (int32_t r : plan.shared) ++checked[static_cast<size_t>(r)];
        EXPECT_EQ(std::count(checked.begin(), checked.end(), 1), c.count);
    }
}

}  // namespace
