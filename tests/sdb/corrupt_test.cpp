// Damaged design files are refused at open with their coded message and
// failure kind, without reading out of bounds or looping.
#include <filesystem>
#include <fstream>
#include <functional>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

const std::string kReadFailed = "SDB ERROR: (FA-01-0005) Failed to read the sdb file.\n\n";

std::string corrupted(const std::string& p) {
    return "SDB ERROR: (FA-01-0006) The sdb file '" + p + "' is corrupted. Please generate the sdb file again.\n";
}

std::string obsolete(long version) {
    return "SDB ERROR: (FA-04-0009) Obsolete SDB version (" + std::to_string(version) +
           "). Please recompile your netlist with the latest tessick/vornell/drumway.\n";
}

struct CorruptCase {
    const char* name;
    std::function<void(std::string&)> damage;
    int kind;
    // Expected standard output, given the file's path.
    std::function<std::string(const std::string&)> message;
};

// Offsets of the sample design's symbol entries: the first entry follows
// the roots and the entry count.
size_t first_entry(const std::string& f) { return kRoots + 4 * get32(f, kBuckets) + 4; }

const CorruptCase kCases[] = {
    {"truncated_below_image", [](std::string& f) { f.resize(731); }, SDB_TOO_SMALL,
     [](const std::string& p) {
         return "SDB ERROR: (FA-01-0008) The size of the sdb file '" + p +
                "' is smaller than the minimum size. Please check the sdb file.\n";
     }},
    {"zero_magic_length", [](std::string& f) { put32(f, 0, 0); }, SDB_CORRUPT,
     [](const std::string& p) { return "SDB WARNING: (FA-04-0007) The sdb file size of '" + p + "' is zero.\n"; }},
    {"wrong_magic", [](std::string& f) { f[6] = 'X'; }, SDB_BAD_VERSION, [](const std::string&) { return obsolete(0); }},
    {"magic_of_another_length", [](std::string& f) { put32(f, 0, 9); }, SDB_BAD_VERSION,
     [](const std::string&) { return obsolete(0); }},
    {"huge_magic_length", [](std::string& f) { put32(f, 0, 0x7FFFFFF0u); }, SDB_BAD_VERSION,
     [](const std::string&) { return obsolete(0); }},
    {"bad_version", [](std::string& f) { put32(f, image_word(165), 302); }, SDB_BAD_VERSION,
     [](const std::string&) { return obsolete(302); }},
    {"version_zero", [](std::string& f) { put32(f, image_word(165), 0); }, SDB_BAD_PLATFORM,
     [](const std::string&) { return kReadFailed; }},
    {"platform_byte_11", [](std::string& f) { f.insert(f.begin(), '\x0B'); }, SDB_BAD_PLATFORM,
     [](const std::string&) { return kReadFailed; }},
    {"platform_byte_17", [](std::string& f) { f.insert(f.begin(), '\x11'); }, SDB_BAD_PLATFORM,
     [](const std::string&) { return kReadFailed; }},
    {"bad_symbol_magic", [](std::string& f) { f[kSymbols + 5] = 'X'; }, SDB_READ_FAILED,
     [](const std::string&) { return kReadFailed; }},
    {"zero_buckets", [](std::string& f) { put32(f, kBuckets, 0); }, SDB_CORRUPT, corrupted},
    {"buckets_past_the_end", [](std::string& f) { put32(f, kBuckets, 0x40000000u); }, SDB_READ_FAILED,
     [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"entry_count_past_the_end", [](std::string& f) { put32(f, first_entry(f) - 4, 0x10000000u); },
     SDB_READ_FAILED, [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"root_out_of_range", [](std::string& f) { put32(f, kRoots, 5000); }, SDB_CORRUPT, corrupted},
    {"name_without_its_nul",
     [](std::string& f) {
         size_t e = first_entry(f);  // "*UNDEF*": length 8
         f[e + 4 + 7] = 'X';
     },
     SDB_CORRUPT, corrupted},
    {"name_length_zero", [](std::string& f) { put32(f, first_entry(f), 0); }, SDB_CORRUPT, corrupted},
    {"symbol_tree_cycle",
     [](std::string& f) {
         // Entry 0 ("*UNDEF*") is the root of its bucket: its left child
         // becomes itself.
         size_t e = first_entry(f);
         put32(f, e + 4 + 8, 0);
     },
     SDB_CORRUPT, corrupted},
    {"table_offset_past_the_end", [](std::string& f) { put32(f, slot_word(SDB_NODE, 4), static_cast<uint32_t>(f.size())); },
     SDB_READ_FAILED, [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"negative_table_offset", [](std::string& f) { put32(f, slot_word(SDB_NET, 4), 0xFFFFFFF0u); }, SDB_READ_FAILED,
     [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"table_count_past_the_end", [](std::string& f) { put32(f, slot_word(SDB_NODE, 1), 0x7FFFFFF0u); },
     SDB_READ_FAILED, [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"negative_table_count", [](std::string& f) { put32(f, slot_word(SDB_PIN, 1), 0xFFFFFFFFu); }, SDB_CORRUPT,
     corrupted},
    {"record_size_mismatch", [](std::string& f) { put32(f, slot_word(SDB_OBJ, 2), 16); }, SDB_CORRUPT, corrupted},
    {"truncated_tables", [](std::string& f) { f.resize(get32(f, slot_word(SDB_S15, 4)) + 100); }, SDB_READ_FAILED,
     [](const std::string&) { return kReadFailed + kReadFailed; }},
    {"node_index_out_of_range", [](std::string& f) { put32(f, record_word(f, SDB_NODE, 2, 3), 999); }, SDB_CORRUPT,
     corrupted},
    {"node_net_out_of_range", [](std::string& f) { put32(f, record_word(f, SDB_NODE, 0, 2), 0x7FFFFFFFu); },
     SDB_CORRUPT, corrupted},
    {"object_class_out_of_range", [](std::string& f) { put32(f, record_word(f, SDB_OBJ, 1, 0), 2); }, SDB_CORRUPT,
     corrupted},
    {"class_pins_past_the_pin_table", [](std::string& f) { put32(f, record_word(f, SDB_CLAS, 1, 3), 40); },
     SDB_CORRUPT, corrupted},
    {"net_first_node_out_of_range", [](std::string& f) { put32(f, record_word(f, SDB_NET, 0, 0), 0xFFFFFFFEu); },
     SDB_CORRUPT, corrupted},
    {"net_list_cycle",
     [](std::string& f) {
         // Net 6 (top.blk.w) holds two nodes; the second leads back to the first.
         uint32_t first = get32(f, record_word(f, SDB_NET, 6, 0));
         uint32_t second = get32(f, record_word(f, SDB_NODE, static_cast<int>(first), 3));
         put32(f, record_word(f, SDB_NODE, static_cast<int>(second), 3), first);
     },
     SDB_CORRUPT, corrupted},
    {"node_on_two_nets",
     [](std::string& f) { put32(f, record_word(f, SDB_NET, 0, 0), get32(f, record_word(f, SDB_NET, 1, 0))); },
     SDB_CORRUPT, corrupted},
    {"name_word_past_the_symbols", [](std::string& f) { put32(f, record_word(f, SDB_SOBJ, 1, 0), 100000); },
     SDB_CORRUPT, corrupted},
    {"name_word_past_the_prefixes", [](std::string& f) { put32(f, record_word(f, SDB_SNET, 6, 0), -6 - 50); },
     SDB_CORRUPT, corrupted},
    {"name_table_shorter_than_objects", [](std::string& f) { put32(f, slot_word(SDB_SOBJ, 1), 2); }, SDB_CORRUPT,
     corrupted},
    {"prefix_parent_cycle", [](std::string& f) { put32(f, record_word(f, SDB_PREF, 0, 1), 1); }, SDB_CORRUPT,
     corrupted},
    {"prefix_stands_for_itself", [](std::string& f) { put32(f, record_word(f, SDB_PREF, 4, 0), -6 - 4); },
     SDB_CORRUPT, corrupted},
    {"prefix_parent_out_of_range", [](std::string& f) { put32(f, record_word(f, SDB_PREF, 2, 1), 77); }, SDB_CORRUPT,
     corrupted},
    // The owner words of prefix entries (entry 2 names object u2, entry 3
    // net w, entry 4 stands for a level and has no owner).
    {"object_prefix_owner_one_byte_off", [](std::string& f) { f[record_word(f, SDB_PREF, 2, 2)] ^= 1; },
     SDB_CORRUPT, corrupted},
    {"net_prefix_owner_names_another_net", [](std::string& f) { put32(f, record_word(f, SDB_PREF, 3, 2), 0); },
     SDB_CORRUPT, corrupted},
    {"second_prefix_entry_claims_an_object",
     [](std::string& f) { put32(f, record_word(f, SDB_PREF, 4, 2), get32(f, record_word(f, SDB_PREF, 2, 2))); },
     SDB_CORRUPT, corrupted},
};

void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.name; }

class Corrupt : public SdbTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(Corrupt, RefusedWithItsMessage) {
    const CorruptCase& c = GetParam();
    // The tables lie at every offset modulo 4: used in place from the
    // file where they are aligned, copied elsewhere; checked alike.
    for (int extra : kTableShifts) {
        SCOPED_TRACE("extra symbol bytes " + std::to_string(extra));
        std::string f = saved_sample(dir, "good.sdb", extra);
        ASSERT_FALSE(f.empty());
        c.damage(f);
        std::string p = path("bad.sdb");
        {
            std::ofstream out(p, std::ios::binary);
            out << f;
        }
        testing::internal::CaptureStdout();
        SdbDatabase* db = SDB_open(p.c_str(), "r", 0);
        std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(db, nullptr);
        if (db) SDB_close(db, 0);
        EXPECT_EQ(sdb_errnoG, c.kind);
        EXPECT_EQ(printed, c.message(p));
        // The design opened before is still readable.
        SdbDatabase* good = SDB_open(path("good.sdb").c_str(), "r", 0);
        ASSERT_NE(good, nullptr);
        EXPECT_EQ(sdb_errnoG, 0);
        SDB_close(good, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Corrupt, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CorruptCase>& i) { return std::string(i.param.name); });

// Counts that the file on disk could hold (it is sparse, and as large as
// they ask) but that run past the 32-bit offsets every design file is
// written with: refused as corrupted before anything of that size is
// made, where counts near the top of int overflowed the reader's sums.
struct BeyondReachCase {
    const char* name;
    std::function<void(std::string&)> damage;
};

const BeyondReachCase kBeyondReach[] = {
    {"symbol_bucket_count", [](std::string& f) { put32(f, kBuckets, 0x7FFFFFF0u); }},
    {"symbol_entry_count", [](std::string& f) { put32(f, first_entry(f) - 4, 0x7FFFFFFFu); }},
    {"symbol_entry_count_of_one_piece_less", [](std::string& f) { put32(f, first_entry(f) - 4, 0x7FFF8001u); }},
    {"table_count", [](std::string& f) { put32(f, slot_word(SDB_NODE, 1), 0x7FFFFFFFu); }},
    {"table_count_of_one_word_records", [](std::string& f) {
         put32(f, slot_word(SDB_SOBJ, 1), 0x7FFFFFFFu);
         put32(f, slot_word(SDB_OBJ, 1), 0x7FFFFFFFu);
     }},
};

TEST_F(SdbTest, CountsBeyondTheFilesReachAreCorrupt) {
    // Enough for the largest count of the largest record (20-byte nodes).
    constexpr std::uintmax_t kSparse = std::uintmax_t{48} << 30;
    for (const BeyondReachCase& c : kBeyondReach) {
        SCOPED_TRACE(c.name);
        std::string f = saved_sample(dir, "good.sdb");
        ASSERT_FALSE(f.empty());
        c.damage(f);
        const std::string p = path("bad.sdb");
        {
            std::ofstream out(p, std::ios::binary | std::ios::trunc);
            out << f;
        }
        std::filesystem::resize_file(p, kSparse);
        testing::internal::CaptureStdout();
        SdbDatabase* db = SDB_open(p.c_str(), "r", 0);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(db, nullptr);
        if (db) SDB_close(db, 0);
        EXPECT_EQ(sdb_errnoG, SDB_CORRUPT);
        EXPECT_EQ(printed, corrupted(p));
    }
}

TEST_F(SdbTest, ErrorTexts) {
    sdb_errnoG = SDB_CORRUPT;
    EXPECT_STREQ(SDB_error(), "Design database is corrupted\n");
    sdb_errnoG = SDB_BAD_VERSION;
    EXPECT_STREQ(SDB_error(), "Design database has incompatible version\n");
}

}  // namespace
