// A design made with the makers, saved and read back, in both byte orders.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;
namespace fs = std::filesystem;

void write_bytes(const std::string& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << bytes;
}

class RoundTrip : public SdbTest {};

TEST_F(RoundTrip, SavedDesignReadsBackEqual) {
    std::string p = path("chip.sdb");
    SdbDatabase* db = SDB_open(p.c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(fs::exists(p)) << "nothing is written before the save";
    SDB_setup(db);
    build_sample();
    ASSERT_EQ(SDB_save(db), 0);
    Snapshot made = snapshot(db);
    // The save ordered the ports by direction and told their nodes.
    ASSERT_EQ(port_count, 4);
    EXPECT_STREQ(SYM_get(sym_tab, port_tab[0].name), "y");
    EXPECT_STREQ(SYM_get(sym_tab, port_tab[1].name), "io");
    EXPECT_STREQ(SYM_get(sym_tab, port_tab[2].name), "a");
    EXPECT_STREQ(SYM_get(sym_tab, port_tab[3].name), "b");
    for (int i = 0; i < port_count; ++i) EXPECT_EQ(node_tab[port_tab[i].node].pin, i);
    SDB_close(db, 0);
    EXPECT_EQ(sdb, nullptr);
    EXPECT_EQ(obj_tab, nullptr);

    db = SDB_open(p.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    expect_equal(made, snapshot(db));
    expect_sentinels(db);
    EXPECT_EQ(db->version, 300);
    EXPECT_EQ(db->writable, 0);
    EXPECT_STREQ(db->name, "chip");
    EXPECT_EQ(db->slot[SDB_FIRST_USER_SLOT].data, nullptr) << "user tables are not read";
    EXPECT_EQ(sdb_obj_count, 3);
    EXPECT_EQ(sdb_net_count, 7);
    EXPECT_EQ(PREFIX_symbols(prefix_tab), sym_tab);
    EXPECT_STREQ(PREFIX_get(prefix_tab, sdb_prefix_of(sobj_tab[0])), "top.blk.u2");
    EXPECT_STREQ(PREFIX_get(prefix_tab, sdb_prefix_of(snet_tab[6])), "top.blk.w");
    EXPECT_STREQ(PREFIX_get(prefix_tab, 4), "top.blk") << "the entry standing for blk";
    // The alias file was written beside the design and read with it.
    EXPECT_EQ(std::string(asn_file_name), path("chip.asn"));
    EXPECT_EQ(testsupport::read_file(path("chip.asn")), "ASSIGN a_old a\n");
    ASSERT_EQ(alias_net_count, 1);
    EXPECT_EQ(SDB_is_empty(db), 0);
    SDB_close(db, 0);
    EXPECT_EQ(asn_file_name, nullptr);
    EXPECT_EQ(alias_net_count, 0);
}

TEST_F(RoundTrip, FileStartsWithMagicLengthAndNoPlatformByte) {
    std::string f = saved_sample(dir, "chip.sdb");
    ASSERT_GT(f.size(), 744u);
    EXPECT_EQ(f.substr(0, 12), std::string("\x04\0\0\0SDB\0\x2C\x01\0\0", 12));
    EXPECT_EQ(get32(f, image_word(165)), 300u);
    EXPECT_EQ(get32(f, image_word(0)), 0u) << "pointer words are written as 0";
    EXPECT_EQ(get32(f, slot_word(SDB_NODE, 3)), 0u);
    EXPECT_EQ(get32(f, image_word(163)), 0u);
    EXPECT_EQ(get32(f, image_word(164)), 0u);
    EXPECT_EQ(f.substr(kSymbols, 8), std::string("\x04\0\0\0SYM\0", 8));
    EXPECT_EQ(get32(f, kBuckets), 1023u);
    // The tables follow the symbol section in slot order.
    uint32_t prev = 0;
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) {
        if (get32(f, slot_word(k, 1)) == 0) continue;
        EXPECT_GT(get32(f, slot_word(k, 4)), prev) << "slot " << k;
        prev = get32(f, slot_word(k, 4));
    }
    fs::path d = dir.path();
    for (auto& e : fs::directory_iterator(d))
        EXPECT_TRUE(e.path().extension() == ".sdb" || e.path().extension() == ".asn") << e.path();
}

// The same design as a big-endian writer leaves it, with and without a
// platform byte, and a little-endian file with its platform byte.
TEST_F(RoundTrip, OtherByteOrdersReadBackEqual) {
    std::string little = saved_sample(dir, "chip.sdb");
    SdbDatabase* db = SDB_open(path("chip.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    Snapshot want = snapshot(db);
    SDB_close(db, 0);
    struct Case {
        const char* name;
        std::string bytes;
        bool big;
    } cases[] = {
        {"be.sdb", to_big_endian(little), true},
        {"be10.sdb", to_big_endian(little, 10), true},
        {"be16.sdb", to_big_endian(little, 16), true},
        {"le13.sdb", std::string(1, '\x0D') + little, false},
    };
    // With a platform byte in front every offset counts it.
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k)
        if (get32(little, slot_word(k, 1)) > 0)
            put32(cases[3].bytes, slot_word(k, 4) + 1, get32(little, slot_word(k, 4)) + 1);
    ASSERT_EQ(cases[0].bytes.substr(0, 4), std::string("\0\0\0\x04", 4));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(path(c.name), c.bytes);
        testing::internal::CaptureStdout();
        db = SDB_open(path(c.name).c_str(), "r", 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        ASSERT_NE(db, nullptr);
        EXPECT_EQ(db->big_endian, c.big ? 1 : 0);
        EXPECT_EQ(SDB_reverse(0x01020304u), c.big ? 0x04030201u : 0x01020304u);
        expect_equal(want, snapshot(db));
        expect_sentinels(db);
        SDB_close(db, 0);
    }
}

TEST_F(RoundTrip, TaskThreeLoadsClassesPortsAndPortList) {
    saved_sample(dir, "chip.sdb");
    SdbDatabase* db = SDB_open(path("chip.sdb").c_str(), "r+", 3);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    EXPECT_EQ(class_count, 2);
    EXPECT_EQ(port_count, 4);
    EXPECT_EQ(xport_count, 4);
    EXPECT_EQ(obj_tab, nullptr);
    EXPECT_EQ(net_tab, nullptr);
    EXPECT_EQ(node_tab, nullptr);
    EXPECT_EQ(obj_count + net_count + node_count, 0);
    std::string before = testsupport::read_file(path("chip.sdb"));
    EXPECT_EQ(SDB_save(db), 1) << "a design read in part is never saved";
    SDB_close(db, 1);
    EXPECT_EQ(testsupport::read_file(path("chip.sdb")), before);
}

TEST_F(RoundTrip, UpdateModeSavesInPlace) {
    saved_sample(dir, "chip.sdb");
    SdbDatabase* db = SDB_nl_open(path("chip").c_str(), 'u');
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(sdb, db);
    EXPECT_EQ(db->writable, 1);
    int n = SDB_make_net(SYM_setup(sym_tab, "extra"), -1);
    SDB_nl_close(1);
    db = SDB_open(path("chip.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    EXPECT_EQ(net_count, n + 1);
    EXPECT_STREQ(SYM_get(sym_tab, snet_tab[n]), "extra");
    SDB_close(db, 0);
}

// Tables that lie aligned in the file are used where they lie; the
// others are copied.  Both read alike, and an edit never reaches the file
// until the design is saved (over the very file it was read from).
TEST_F(RoundTrip, TablesInPlaceOrCopiedReadAlikeAndEditsStayInMemory) {
    std::vector<Snapshot> shots;
    int in_place = 0;
    for (int extra : kTableShifts) {
        SCOPED_TRACE("extra symbol bytes " + std::to_string(extra));
        const std::string name = "shift" + std::to_string(extra) + ".sdb";
        const std::string bytes = saved_sample(dir, name, extra);
        SdbDatabase* db = SDB_open(path(name).c_str(), "r+", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        in_place += DYNA_is_mapped(node_tab) ? 1 : 0;
        expect_sentinels(db);
        shots.push_back(snapshot(db));
        const uint32_t flags = node_tab[0].flags ^ 1u;
        node_tab[0].flags = flags;
        const int n = SDB_make_net(SYM_setup(sym_tab, "extra"), -1);
        EXPECT_EQ(testsupport::read_file(path(name)), bytes);
        ASSERT_EQ(SDB_save(db), 0);
        SDB_close(db, 0);
        db = SDB_open(path(name).c_str(), "r", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        EXPECT_EQ(net_count, n + 1);
        EXPECT_STREQ(SYM_get(sym_tab, snet_tab[n]), "extra");
        EXPECT_EQ(node_tab[0].flags, flags);
        SDB_close(db, 0);
    }
    EXPECT_EQ(in_place, 1);
    for (size_t i = 1; i < shots.size(); ++i) EXPECT_EQ(shots[i].bytes, shots[0].bytes) << i;
}

TEST_F(RoundTrip, VersionWordsAndFormatQueries) {
    std::string f = saved_sample(dir, "chip.sdb");
    put32(f, image_word(165), 301);
    write_bytes(path("v301.sdb"), f);
    SdbDatabase* db = SDB_open(path("v301.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(SDB_for_PALVORIN(db), 1);
    EXPECT_EQ(SDB_for_DESSAMIT(db), 0);
    // A table read again from the file holds the same records.
    SDB_setup(db);
    Snapshot before = snapshot(db);
    EXPECT_EQ(SDB_read_tab(db, SDB_NODE), 0);
    EXPECT_EQ(SDB_read_tab(db, SDB_PREF), 0);
    EXPECT_EQ(node_tab, db->slot[SDB_NODE].data);
    EXPECT_EQ(PREFIX_symbols(prefix_tab), sym_tab);
    expect_equal(before, snapshot(db));
    SDB_close(db, 0);
    EXPECT_EQ(SDB_for_PALVORIN(nullptr), 0);
}

// A save that fails part way (here the file-size limit stops the write)
// leaves the old design and no temporary file.
TEST_F(RoundTrip, FailedSaveLeavesTheOldFile) {
    std::string old = saved_sample(dir, "chip.sdb");
    SdbDatabase* db = SDB_open(path("chip.sdb").c_str(), "r+", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    for (int i = 0; i < 2000; ++i) SDB_make_net(SYM_setup(sym_tab, ("n" + std::to_string(i)).c_str()), -1);
    int r = 0;
    {
        testsupport::FileSizeLimit limit(old.size() + 100);
        ASSERT_TRUE(limit.ok());
        r = SDB_save(db);
    }
    EXPECT_EQ(r, 1);
    EXPECT_EQ(testsupport::read_file(path("chip.sdb")), old);
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2) << "only chip.sdb and chip.asn";
    SDB_close(db, 0);
}

TEST_F(RoundTrip, OpenFailuresWithoutAFile) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_open(path("missing.sdb").c_str(), "r", 0), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SDB ERROR: (FA-01-0005) Failed to read the sdb file.\n\n");
    EXPECT_EQ(sdb_errnoG, SDB_READ_FAILED);
    EXPECT_EQ(SDB_error(), nullptr);
    // A new design in a directory that does not exist: null, no message.
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_open(path("no/such/dir/x.sdb").c_str(), "w", 0), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    if (geteuid() != 0) {
        std::string f = saved_sample(dir, "locked.sdb");
        fs::permissions(path("locked.sdb"), fs::perms::none);
        testing::internal::CaptureStdout();
        EXPECT_EQ(SDB_open(path("locked.sdb").c_str(), "r", 0), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(sdb_errnoG, 0);
    }
}

TEST_F(RoundTrip, EmptyDesignAndCounts) {
    SdbDatabase* db = SDB_open(path("e.sdb").c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    EXPECT_EQ(SDB_is_empty(db), 255);
    int gnd = SDB_make_net(SYM_setup(sym_tab, "GND"), -1);
    SDB_make_port(SYM_setup(sym_tab, "p"), SDB_DIR_INPUT, -1, 0);
    SDB_make_port(SYM_setup(sym_tab, "q"), SDB_DIR_INPUT, -1, 0);
    SDB_make_node(-1, 0, gnd);
    EXPECT_EQ(SDB_is_empty(db), 255);
    SDB_make_node(-1, 1, gnd);
    EXPECT_EQ(SDB_is_empty(db), 0) << "a net with two nodes";
    SDB_close(db, 1);
    db = SDB_open(path("e.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->slot[SDB_OBJ].count, 0);
    ASSERT_NE(db->slot[SDB_OBJ].data, nullptr) << "an empty table still has its array";
    expect_sentinels(db);
    SDB_close(db, 0);
}

}  // namespace
