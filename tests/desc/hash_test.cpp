// The name hash, its modulus setting and the three keyword hashes.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <string>
#include <vector>

#include "desc_test_util.h"

namespace {

using desctest::DescTest;

struct HashCase {
    const char* name;
    int modulus;
    int want;
};

void PrintTo(const HashCase& c, std::ostream* os) { *os << testsupport::quoted(c.name) << " mod " << c.modulus; }

class HashKey : public DescTest, public ::testing::WithParamInterface<HashCase> {};

TEST_P(HashKey, BucketOfName) {
    const HashCase& c = GetParam();
    DESC_set_hash_modulus(c.modulus);
    EXPECT_EQ(DESC_hash_modulus(), c.modulus);
    EXPECT_EQ(hash_key(c.name), c.want) << "name '" << c.name << "' modulo " << c.modulus;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HashKey,
    ::testing::Values(HashCase{"A", 63, 2},        // 65 mod 63
                      HashCase{"%TDI", 63, 10},    // 262 mod 63
                      HashCase{"", 63, 0},         //
                      HashCase{"A", 127, 65},      //
                      HashCase{"%TDI", 127, 8},    // 262 mod 127
                      HashCase{"abc", 127, 40},    // 294 mod 127
                      HashCase{"", 127, 0},        //
                      // Bytes of 128 and above count as negative values; the
                      // bucket still lies inside the table.
                      HashCase{"\xff", 63, 62},          // -1
                      HashCase{"\xff", 127, 126},        //
                      HashCase{"\xc3\xa9", 63, 41},      // -61 - 87 = -148
                      HashCase{"\xc3\xa9", 127, 106},    //
                      HashCase{"A\x80", 63, 0}  // 65 - 128 = -63
                      ),
    [](const auto& i) {
        return testsupport::param_name(std::string(i.param.name) + "_mod_" +
               std::to_string(i.param.modulus), i.index, 40);
    });

TEST_F(DescTest, HashOfNullIsZeroAndDefaultModulusIs63) {
    EXPECT_EQ(hash_key(nullptr), 0);
    EXPECT_EQ(DESC_hash_modulus(), 63);
}

TEST_F(DescTest, HashOfLongHighByteNamesStaysInTable) {
    std::string name(100000, '\x90');
    for (int m : {63, 127}) {
        DESC_set_hash_modulus(m);
        int k = hash_key(name.c_str());
        EXPECT_GE(k, 0);
        EXPECT_LT(k, m);
    }
}

// Every keyword of each language is found with its own token, under both
// moduli; words that differ in case or are no keyword are not.
TEST_F(DescTest, KeywordHashesFindEveryKeyword) {
    struct Lang {
        int first, end;
        const char* (*text)(int);
        int (*lookup)(const char*);
        void (*make)();
        int size;
    };
    const Lang langs[] = {
        {DFT_KW_BEFORE_ + 1, DFT_KW_END_, dft_keyword_text, dft_keyword_lookup, make_dft_keyword_hash, 83},
        {LIB_KW_BEFORE_ + 1, LIB_KW_END_, lib_keyword_text, lib_keyword_lookup, make_lib_keyword_hash, 66},
        {PIN_KW_BEFORE_ + 1, PIN_KW_END_, pin_keyword_text, pin_keyword_lookup, make_pin_keyword_hash, 12},
    };
    for (int m : {63, 127}) {
        DESC_set_hash_modulus(m);
        for (const Lang& l : langs) {
            l.make();
            EXPECT_EQ(l.end - l.first, l.size);
            for (int t = l.first; t < l.end; ++t) {
                const char* w = l.text(t);
                ASSERT_NE(w, nullptr);
                EXPECT_EQ(l.lookup(w), t) << w;
            }
            EXPECT_EQ(l.lookup("NOT_A_KEYWORD"), -1);
            EXPECT_EQ(l.lookup(""), -1);
            EXPECT_EQ(l.lookup(nullptr), -1);
        }
    }
    make_dft_keyword_hash();
    EXPECT_EQ(dft_keyword_lookup("%SCAN_CELLS"), DFT_KW_SCAN_CELLS);
    EXPECT_EQ(dft_keyword_lookup("%scan_cells"), -1);
    EXPECT_EQ(dft_keyword_lookup("ENABLE"), DFT_KW_W_ENABLE);
    EXPECT_EQ(dft_keyword_lookup("%ENABLE"), DFT_KW_ENABLE);
    EXPECT_EQ(lib_keyword_lookup("%EXTRA_"), LIB_KW_EXTRA);
    EXPECT_EQ(lib_keyword_lookup("%EXTRA_1"), -1);
    EXPECT_EQ(pin_keyword_lookup("i"), -1);
    EXPECT_EQ(pin_keyword_lookup("I_ONLY"), PIN_KW_I_ONLY);
}

// A look-up before any build builds the hash; a change of modulus does not
// leave a hash behind that was built under the old one.
TEST_F(DescTest, KeywordLookupBuildsOnDemandAndFollowsModulus) {
    EXPECT_EQ(pin_keyword_lookup("BSC"), PIN_KW_BSC);
    DESC_set_hash_modulus(127);
    EXPECT_EQ(pin_keyword_lookup("%ALLOWED_MULTIPLE"), PIN_KW_ALLOWED_MULTIPLE);
    EXPECT_EQ(lib_keyword_lookup("%UPDATE_DR_OUT"), LIB_KW_UPDATE_DR_OUT);
}

}  // namespace
