#include <gtest/gtest.h>

#include "support/param_name.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "runtime/dyna.h"

namespace {

class Dyna : public ::testing::Test {
protected:
    void SetUp() override { DYNA_reset_globals(); }
};

TEST_F(Dyna, InitGrowableAndFixed) {
    int* g = DYNA_new<int>(0);
    EXPECT_EQ(DYNA_capacity(g), 16);
    EXPECT_EQ(DYNA_count(g), 0);
    EXPECT_EQ(DYNA_header(g)->fixed, 0u);
    EXPECT_EQ(DYNA_header(g)->delta, 1024);
    EXPECT_EQ(std::memcmp(DYNA_header(g)->magic, "LTA", 4), 0);
    int* f = DYNA_new<int>(10);
    EXPECT_EQ(DYNA_capacity(f), 10);
    EXPECT_EQ(DYNA_header(f)->fixed, 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(f[i], 0);
    DYNA_free(&g);
    DYNA_free(&f);
}

struct GrowCase {
    int cap;       // 0: growable of 16
    int fill;      // elements added first
    int add;       // then added at once
    int want_idx;  // result of the second add
    int want_count;
    int want_cap;
};

void PrintTo(const GrowCase& c, std::ostream* os) { *os << "cap=" << c.cap << " fill=" << c.fill << " add=" << c.add; }

class DynaGrow : public ::testing::TestWithParam<GrowCase> {};

TEST_P(DynaGrow, AddGrowsOrDropsOldest) {
    DYNA_reset_globals();
    const GrowCase& c = GetParam();
    int* a = DYNA_new<int>(c.cap);
    for (int i = 0; i < c.fill; ++i) DYNA_append(&a, i);
    EXPECT_EQ(DYNA_add(&a, c.add), c.want_idx);
    EXPECT_EQ(DYNA_count(a), c.want_count);
    EXPECT_EQ(DYNA_capacity(a), c.want_cap);
    if (c.cap && c.fill + c.add - c.cap < c.fill) {
        // The oldest entries were dropped: the first kept one is fill+add-cap.
        EXPECT_EQ(a[0], c.fill + c.add - c.cap);
    } else {
        for (int i = 0; i < c.fill; ++i) EXPECT_EQ(a[i], i);
    }
    DYNA_free(&a);
}

INSTANTIATE_TEST_SUITE_P(Table, DynaGrow,
                         ::testing::Values(GrowCase{0, 16, 1, 16, 17, 16 + 1 + 1024},  // count + n + step
                                           GrowCase{0, 3, 5, 3, 8, 16},                 // fits
                                           GrowCase{0, 16, 2000, 16, 2016, 2016 + 1024},
                                           GrowCase{10, 9, 3, 7, 10, 10},               // drops 2 oldest
                                           GrowCase{4, 4, 4, 0, 4, 4},                  // drops all
                                           // More than a fixed array holds: refused, nothing changes.
                                           GrowCase{4, 2, 5, -1, 2, 4}, GrowCase{4, 4, 9, -1, 4, 4}),
    [](const auto& i) {
        const auto& c = i.param;
        return "Cap" + std::to_string(c.cap) + "_Fill" + std::to_string(c.fill) + "_Add" + std::to_string(c.add);
    });

TEST_F(Dyna, SearchLinearThenBinaryThenLinearAgain) {
    int* a = DYNA_new<int>();
    int vals[] = {5, 3, 9, 3, 1};
    for (int v : vals) DYNA_append(&a, v);
    int key = 3;
    EXPECT_EQ(DYNA_search(&a, &key, DYNA_lcomp), 1);  // first equal, in element order
    DYNA_sort(&a, DYNA_lcomp);
    EXPECT_EQ(DYNA_header(a)->sorted & 1u, 1u);
    int idx = DYNA_search(&a, &key, DYNA_lcomp);
    EXPECT_EQ(a[idx], 3);
    key = 4;
    EXPECT_EQ(DYNA_search(&a, &key, DYNA_lcomp), -1);
    DYNA_append(&a, 0);  // clears the sorted flag: linear again
    EXPECT_EQ(DYNA_header(a)->sorted & 1u, 0u);
    key = 0;
    EXPECT_EQ(DYNA_search(&a, &key, DYNA_lcomp), 5);
    // setup finds an existing element or appends an unfilled one
    key = 9;
    EXPECT_EQ(DYNA_setup(&a, &key, DYNA_lcomp), 4);
    key = 42;
    EXPECT_EQ(DYNA_setup(&a, &key, DYNA_lcomp), 6);
    EXPECT_EQ(DYNA_count(a), 7);
    DYNA_free(&a);
}

TEST_F(Dyna, Comparators) {
    const char* s[] = {"abc", "ABD", "abc"};
    EXPECT_EQ(DYNA_scomp(&s[0], &s[2]), 0);
    EXPECT_GT(DYNA_scomp(&s[0], &s[1]), 0);
    EXPECT_LT(DYNA_ucomp(&s[0], &s[1]), 0);
    int32_t l[] = {-5, 7};
    EXPECT_LT(DYNA_lcomp(&l[0], &l[1]), 0);
    int16_t i[] = {300, -2};
    EXPECT_GT(DYNA_icomp(&i[0], &i[1]), 0);
    uint16_t w[] = {65535, 1};
    EXPECT_GT(DYNA_wcomp(&w[0], &w[1]), 0);
    uint8_t b[] = {1, 255};
    EXPECT_LT(DYNA_bcomp(&b[0], &b[1]), 0);
    float f[] = {1.25f, 1.75f, 3.0f};
    EXPECT_EQ(DYNA_fcomp(&f[0], &f[1]), 0);  // less than 1.0 apart
    EXPECT_LT(DYNA_fcomp(&f[0], &f[2]), 0);

    // Sorting strings with each string comparator.
    char** list = DYNA_new<char*>();
    const char* words[] = {"pear", "Apple", "apple", "Banana"};
    for (const char* wd : words) DYNA_append(&list, const_cast<char*>(wd));
    DYNA_sort(&list, DYNA_scomp);
    EXPECT_STREQ(list[0], "Apple");
    EXPECT_STREQ(list[3], "pear");
    DYNA_sort(&list, DYNA_ucomp);
    EXPECT_EQ(DYNA_ucomp(&list[0], &list[1]), 0);  // the two apples, in either order
    EXPECT_STREQ(list[3], "pear");
    DYNA_free(&list);
}

TEST_F(Dyna, InsertDeleteResetResize) {
    int* a = DYNA_new<int>();
    for (int i = 0; i < 5; ++i) DYNA_append(&a, i);  // 0 1 2 3 4
    // Make room for one, then open the gap at index 1.
    DYNA_add(&a, 1);
    EXPECT_EQ(DYNA_insert(&a, 1, 1), 1);
    a[1] = 99;
    int want[] = {0, 99, 1, 2, 3, 4};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a[i], want[i]);
    EXPECT_EQ(DYNA_insert(&a, 1, 6), 6);  // past the end: appends
    EXPECT_EQ(DYNA_count(a), 7);
    EXPECT_EQ(DYNA_delete(&a, 1), 1);
    EXPECT_EQ(a[1], 1);
    EXPECT_EQ(DYNA_delete(&a, DYNA_count(a)), -1);
    // -1 means none: a negative index changes nothing.
    int before = DYNA_count(a);
    EXPECT_EQ(DYNA_delete(&a, -1), -1);
    EXPECT_EQ(DYNA_insert(&a, 1, -1), -1);
    EXPECT_EQ(DYNA_count(a), before);
    EXPECT_EQ(a[0], 0);
    // Shrinking below the count truncates it.
    EXPECT_EQ(DYNA_resize(&a, 3 - DYNA_capacity(a)), 3);
    EXPECT_EQ(DYNA_capacity(a), 3);
    DYNA_reset(&a);
    EXPECT_EQ(DYNA_count(a), 0);
    EXPECT_EQ(DYNA_capacity(a), 3);
    DYNA_free(&a);
    EXPECT_EQ(DYNA_free(&a), 0);  // a second free at once is harmless
}

TEST_F(Dyna, NullHandleIsRefused) {
    int* a = nullptr;
    EXPECT_EQ(DYNA_add(&a, 1), -1);
    EXPECT_EQ(DYNA_delete(&a, 0), -1);
    EXPECT_EQ(DYNA_resize(&a, 5), -1);
    EXPECT_EQ(DYNA_count(a), 0);
}

// A file of n words 0, 1, 2 ... in this machine's byte order.
std::filesystem::path word_file(const std::string& name, int n) {
    const auto path = std::filesystem::path(::testing::TempDir()) / name;
    std::vector<int32_t> words(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) words[static_cast<size_t>(i)] = i;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(4 * words.size()));
    return path;
}

std::vector<char> file_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct MapCase {
    const char* name;
    int file_words;
    int first;  // first word mapped
    int count;
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.name; }

class DynaMap : public Dyna, public ::testing::WithParamInterface<MapCase> {};

TEST_P(DynaMap, MappedArrayReadsTheFileWritesOnlyItsCopyAndGrowsOntoTheHeap) {
    const MapCase& c = GetParam();
    const auto path = word_file(std::string("dyna_map_") + c.name, c.file_words);
    const std::vector<char> before = file_bytes(path);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    auto* a = static_cast<int32_t*>(DYNA_map(fd, 4 * c.file_words, 4 * c.first, c.count, 4));
    ::close(fd);  // the mapping outlives the descriptor
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(DYNA_is_mapped(a));
    EXPECT_EQ(DYNA_count(a), c.count);
    EXPECT_EQ(DYNA_capacity(a), c.count + 1);
    for (int i = 0; i < c.count; ++i) ASSERT_EQ(a[i], c.first + i) << i;
    // The element behind the last may lie past the file's end: it is
    // still memory of the array.
    a[c.count] = -1;
    a[0] = -5;
    a[c.count - 1] = -6;
    EXPECT_EQ(file_bytes(path), before);
    const int at = DYNA_add(&a, 3000);
    EXPECT_EQ(at, c.count);
    EXPECT_FALSE(DYNA_is_mapped(a));
    EXPECT_EQ(a[0], -5);
    EXPECT_EQ(a[1], c.first + 1);
    EXPECT_EQ(a[c.count - 1], -6);
    a[c.count + 2999] = 7;
    EXPECT_EQ(DYNA_free(&a), 0);
    EXPECT_EQ(file_bytes(path), before);

    // Freed while still mapped.
    const int fd2 = ::open(path.c_str(), O_RDONLY);
    void* b = DYNA_map(fd2, 4 * c.file_words, 4 * c.first, c.count, 4);
    ::close(fd2);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(DYNA_free(&b), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, DynaMap,
                         ::testing::Values(MapCase{"inside_a_page", 100, 20, 30},
                                           MapCase{"across_pages", 5000, 1000, 3000},
                                           MapCase{"last_element_past_the_file", 2048, 1024, 1024},
                                           MapCase{"header_on_the_page_before", 4096, 1030, 2000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Dyna, MapRefusesWhatIsNotInTheFile) {
    const auto path = word_file("dyna_map_refused", 100);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    struct Case {
        int64_t offset;
        int count, size;
    };
    for (const Case& c : {Case{400, 1, 4},      // starts at the end of the file
                          Case{98, 10, 4},      // not on a word
                          Case{200, 51, 4},     // runs past the end
                          Case{16, 2, 4},       // no room for the header in front
                          Case{200, -1, 4},     // negative count
                          Case{200, 2, 6}})     // records not made of words
        EXPECT_EQ(DYNA_map(fd, 400, c.offset, c.count, c.size), nullptr) << c.offset << " " << c.count;
    EXPECT_EQ(DYNA_map(-1, 400, 200, 2, 4), nullptr);
    ::close(fd);
}

TEST(DynaDeath, CorruptHeaderIsFatal) {
    EXPECT_EXIT(
        {
            DYNA_reset_globals();
            int* a = DYNA_new<int>();
            DYNA_header(a)->magic[0] = 'X';
            int* b = DYNA_new<int>();  // moves the cache away from a
            (void)b;
            DYNA_add(&a, 1);
        },
        ::testing::ExitedWithCode(255), "\nFATAL 002: Fatal Error - Corrupted data table\n");
}

TEST(DynaDeath, ImpossibleSizeFailsCleanly) {
    // A resize whose block size would wrap in 32 bits ends the run with
    // the out-of-memory error instead of writing past a small block.
    EXPECT_EXIT(
        {
            DYNA_reset_globals();
            int* a = static_cast<int*>(DYNA_init(4, 1 << 20));
            DYNA_resize(&a, 0x7FFFFFF0);
        },
        ::testing::ExitedWithCode(255), "FATAL 002: Fatal Error - Not enough memory");
}

}  // namespace
