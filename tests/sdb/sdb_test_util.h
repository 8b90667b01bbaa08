// Helpers of the design-database tests: a sample design made with the
// makers, snapshots of every table for comparison, word access to saved
// files and a converter that turns a saved (little-endian) file into the
// image a big-endian writer would have made.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/reset.h"
#include "sdb/sdb.h"
#include "support/testsupport.h"

namespace sdbtest {

// Every test starts from the start-up state of the database and the
// runtime below it.
class SdbTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        SDB_reset_globals();
        RUNTIME_reset_globals();
    }
    std::string path(const std::string& name) const { return (dir.path() / name).string(); }
    testsupport::TempDir dir;
};

// The nodes on a net of the current design, in list order.
inline std::vector<int> net_nodes(int net) {
    std::vector<int> v;
    for (int n = net_tab[net].first_node; n != -1; n = node_tab[n].next) v.push_back(n);
    return v;
}

// A prefix table of its own symbol table, outside any design.
class PrefixTableTest : public SdbTest {
protected:
    void SetUp() override {
        SdbTest::SetUp();
        syms = SYM_init(SYM_NBUCKETS);
        tab = PREFIX_init(nullptr, syms);
    }
    void TearDown() override {
        PREFIX_forget(tab);
        DYNA_free(&tab);
        SYM_free(syms);
        SdbTest::TearDown();
    }
    // A new entry for the segment name below parent (-1: at the top).
    int add(const char* name, int parent, int owner = -6) {
        return PREFIX_add(&tab, SYM_setup(syms, name), parent, owner);
    }
    SymbolTable* syms = nullptr;
    SdbPrefixEntry* tab = nullptr;
};

// Places of the file layout written by SDB_save (no platform byte).
inline constexpr size_t kImage = 12;                     // the 732-byte record image
inline constexpr size_t kSymbols = kImage + 732;         // the symbol section
inline constexpr size_t kBuckets = kSymbols + 12;        // its bucket count
inline constexpr size_t kRoots = kSymbols + 24;          // its roots
inline size_t image_word(int w) { return kImage + 4 * static_cast<size_t>(w); }
// field: 1 count, 2 record size, 4 file offset.
inline size_t slot_word(int k, int field) { return image_word(3 + 5 * k + field); }

inline uint32_t get32(const std::string& f, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(f.at(at + static_cast<size_t>(i)));
    return v;
}
inline void put32(std::string& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f.at(at + static_cast<size_t>(i)) = static_cast<char>(v >> (8 * i));
}
// Byte position of field w (a word index) of record i of slot k.
inline size_t record_word(const std::string& f, int k, int i, int w) {
    return get32(f, slot_word(k, 4)) + static_cast<size_t>(get32(f, slot_word(k, 2))) * static_cast<size_t>(i) +
           4 * static_cast<size_t>(w);
}

// Makes the sample design in the current database (SDB_setup done):
// classes with named and anonymous pins, ports of every direction made
// out of order, flat and hierarchical objects and nets, a prefix entry
// that stands for another, flag words in every record that has one, the
// one-word lists, raw PROP and S15 records, a user table and a net alias.
void build_sample();

// Everything a design holds in its 16 standard tables and its symbol table.
struct Snapshot {
    std::array<int, SDB_NUM_STD_SLOTS> count{};
    std::array<std::vector<uint8_t>, SDB_NUM_STD_SLOTS> bytes;  // count records as held in memory
    std::vector<std::string> names;
    std::vector<std::pair<int, int>> links;
    std::vector<int> roots;
    int version = 0;
};
Snapshot snapshot(const SdbDatabase* db);
void expect_equal(const Snapshot& a, const Snapshot& b);
// Every loaded table has its 0xFF record behind the count.
void expect_sentinels(const SdbDatabase* db);

// The file a big-endian machine would have written for the same design,
// made from the byte-order rules of the format; with a platform byte in
// front when platform is not 0 (the offsets then count it).
std::string to_big_endian(const std::string& little, int platform = 0);

// Saves the sample design as name in dir and returns the file's bytes.
// extra_name > 0 adds a last symbol of that many bytes, which moves the
// tables behind the symbol section (their offsets modulo 4 go through
// every value with extra_name 1, 2, 3 and 4).
std::string saved_sample(const testsupport::TempDir& dir, const std::string& name, int extra_name = 0);
inline constexpr int kTableShifts[] = {0, 1, 2, 4};

}  // namespace sdbtest
