// Description tables: hashed records, listings and the look-ups by name,
// the wild-card buffer names above all.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <string>
#include <vector>

#include "desc_test_util.h"

namespace {

using desctest::DescTest;
using desctest::str;

struct WildCase {
    std::vector<const char*> buffers;  // library buffer names, file order
    const char* query;
    const char* want;  // record get_buffer returns (by name), or null
};

void PrintTo(const WildCase& c, std::ostream* os) { *os << testsupport::quoted(c.query); }

class WildCard : public DescTest, public ::testing::WithParamInterface<WildCase> {};

TEST_P(WildCard, GetBufferPicksBestName) {
    const WildCase& c = GetParam();
    for (const char* b : c.buffers) new_buffer(b, BUFFER_PLAIN)->function = qdx_strdup(b);
    BufferEntry* got = get_buffer(c.query);
    if (!c.want) {
        EXPECT_EQ(got, nullptr) << "query " << c.query << " found " << (got ? got->name : "");
        return;
    }
    ASSERT_NE(got, nullptr) << "query " << c.query;
    EXPECT_STREQ(got->name, c.want);
    EXPECT_STREQ(got->function, c.want);  // the record stored under that written name
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildCard,
    ::testing::Values(
        // A prefix and a star.
        WildCase{{"PAD_IN*"}, "PAD_IN3", "PAD_IN*"},
        WildCase{{"PAD*"}, "PAD", "PAD*"},  // the star may stand for nothing
        WildCase{{"PAD*"}, "PA", nullptr},
        // The longer prefix wins, whatever the library order.
        WildCase{{"PAD_*", "PAD_IN*"}, "PAD_IN3", "PAD_IN*"},
        WildCase{{"PAD_IN*", "PAD_*"}, "PAD_IN3", "PAD_IN*"},
        WildCase{{"PAD_IN*", "PAD_*"}, "PAD_OUT1", "PAD_*"},
        // A star and a suffix (score 0).
        WildCase{{"*IN", "*OUT"}, "P1IN", "*IN"},
        WildCase{{"*IN", "*OUT"}, "P1OUT2", nullptr},
        // A prefix beats a suffix.
        WildCase{{"*IN", "P*"}, "PIN", "P*"},
        // An exact name beats every wild card.
        WildCase{{"PAD_IN*", "PAD_IN3", "*3"}, "PAD_IN3", "PAD_IN3"},
        // Several stars: leading text, inner pieces in order, trailing text
        // that ends the name; each literal character scores.
        WildCase{{"P*_*_IN"}, "P1_X_IN", "P*_*_IN"},
        WildCase{{"P*_*_IN"}, "P1_X_OUT", nullptr},
        WildCase{{"P*_*_IN"}, "P1X_IN", nullptr},
        WildCase{{"PAD_*", "PAD_*_*_IN"}, "PAD_A_B_IN", "PAD_*_*_IN"},
        WildCase{{"*_*_IN"}, "A_B_IN", "*_*_IN"},
        WildCase{{"A*BC*C"}, "ABC", nullptr},  // the last C may not be used twice
        WildCase{{"A**B"}, "AxB", "A**B"},     // two stars in a row
        // One star between two literal parts.
        WildCase{{"P*_IN"}, "P12_IN", "P*_IN"},
        WildCase{{"P*_IN"}, "Q12_IN", nullptr},
        WildCase{{"P*_IN"}, "P12_OUT", nullptr},
        WildCase{{"*"}, "ANYTHING", "*"},
        WildCase{{"PAD_IN*"}, "IN", nullptr},
        WildCase{{}, "PAD", nullptr}),
    [](const auto& i) { return testsupport::param_name(i.param.query, i.index, 40); });

struct TieCase {
    std::vector<const char*> buffers;
    const char* query;
    const char* message;
};

void PrintTo(const TieCase& c, std::ostream* os) { *os << testsupport::quoted(c.query); }

class WildCardTie : public DescTest, public ::testing::WithParamInterface<TieCase> {};

// Equal best scores end the run with the ambiguity message on standard output.
TEST_P(WildCardTie, EndsRunWithAmbiguity) {
    const TieCase& c = GetParam();
    desc_set_text(&LIB_FILE, "cells.lib");
    for (const char* b : c.buffers) new_buffer(b, BUFFER_PLAIN);
    auto r = desctest::run_child([&] { get_buffer(c.query); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, c.message);
    EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildCardTie,
    ::testing::Values(
        TieCase{{"*N", "*IN"}, "PIN",
                "ERROR: BUFFER, *N, *IN, in \"cells.lib\" can match iopad 'PIN'.\n"
                "Please give a more specific name in \"cells.lib\" to avoid ambiguous.\n"},
        // A lower score seen first is dropped; the two equal best remain.
        TieCase{{"P*", "PA*", "P*D"}, "PAD",
                "ERROR: BUFFER, PA*, P*D, in \"cells.lib\" can match iopad 'PAD'.\n"
                "Please give a more specific name in \"cells.lib\" to avoid ambiguous.\n"},
        // The same wild-card name written twice is ambiguous too.
        TieCase{{"IO*", "IO*"}, "IO1",
                "ERROR: BUFFER, IO*, IO*, in \"cells.lib\" can match iopad 'IO1'.\n"
                "Please give a more specific name in \"cells.lib\" to avoid ambiguous.\n"}),
    [](const auto& i) { return testsupport::param_name(i.param.query, i.index, 40); });

TEST_F(DescTest, LookupsOfNoneAndMissingNames) {
    new_scan_cell("BC1", 0);
    new_tap_cell("TAPC");
    new_buffer("PI", BUFFER_PLAIN);
    HASH_INDEX = 5;
    EXPECT_EQ(get_scan_cell(nullptr), nullptr);
    EXPECT_EQ(get_tap_cell(nullptr), nullptr);
    EXPECT_EQ(get_buffer(nullptr), nullptr);
    EXPECT_EQ(HASH_INDEX, 5);  // a none name does not touch the tables
    EXPECT_EQ(get_scan_cell("BC2"), nullptr);
    EXPECT_EQ(HASH_INDEX, -1);
    ASSERT_NE(get_tap_cell("TAPC"), nullptr);
    EXPECT_EQ(HASH_INDEX, 0);
    EXPECT_EQ(get_tap_cell("tapc"), nullptr);  // exact comparison
    EXPECT_EQ(get_scan_cell("PI"), nullptr);   // each table holds its own kind
    // A name whose bucket lies beyond the table is not found.
    DescTest::TearDown();
    new_scan_cell("B", 0);                   // buckets 0 to 3, only 3 made
    EXPECT_EQ(get_scan_cell("D"), nullptr);  // bucket 5
    EXPECT_EQ(get_scan_cell("A"), nullptr);  // bucket 2, absent
    EXPECT_NE(get_scan_cell("B"), nullptr);
}

// Records of one name are all kept; the first of its bucket is found.
TEST_F(DescTest, RepeatedNamesKeepFirstFound) {
    new_scan_cell("A", 0)->data_in = qdx_strdup("first");
    new_scan_cell("@@", 0);  // same bucket as A (128 and 65 modulo 63)
    new_scan_cell("A", 0)->data_in = qdx_strdup("second");
    ScanCellEntry* a = get_scan_cell("A");
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->data_in, "first");
    EXPECT_EQ(HASH_INDEX, 0);
    ASSERT_NE(get_scan_cell("@@"), nullptr);
    EXPECT_EQ(HASH_INDEX, 1);
}

// Listings walk the buckets in index order, each bucket front to back,
// so their order follows the program's modulus.
TEST_F(DescTest, ListingsFollowBucketOrder) {
    struct Case {
        int modulus;
        std::vector<std::string> want;
    };
    for (const Case& c : {Case{63, {"~", "A", "@@", "B", "D"}}, Case{127, {"@@", "A", "B", "D", "~"}}}) {
        DESC_reset_globals();
        DESC_set_hash_modulus(c.modulus);
        for (const char* n : {"D", "A", "~", "@@", "B"}) new_scan_cell(n, 0);
        desc_build_listing(SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
        std::vector<std::string> got;
        for (int i = 0; i < DYNA_count(SCAN_CELL_TAB); ++i) got.push_back(SCAN_CELL_TAB[i]->name);
        EXPECT_EQ(got, c.want) << "modulo " << c.modulus;
        // Rebuilding lists every record once.
        desc_build_listing(SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
        EXPECT_EQ(DYNA_count(SCAN_CELL_TAB), 5);
    }
}

TEST_F(DescTest, SkipSignalsTransparentBuffersAndSkipModules) {
    desc_hash_add(&SKIP_SIGNAL_HASH_TAB, "scan_en")->name = qdx_strdup("scan_en");
    *desc_hash_add(&TRANS_BUF_HASH_TAB, "BUFX") = qdx_strdup("BUFX");
    desc_build_listing(TRANS_BUF_HASH_TAB, &TRANS_BUF_TAB);
    EXPECT_EQ(skip_signal("scan_en"), 1);
    EXPECT_EQ(skip_signal("scan_EN"), 0);
    EXPECT_EQ(skip_signal(nullptr), 0);
    EXPECT_EQ(trans_buffer("BUFX"), 1);
    EXPECT_EQ(trans_buffer("BUF"), 0);
    ASSERT_EQ(DYNA_count(TRANS_BUF_TAB), 1);
    EXPECT_STREQ(*TRANS_BUF_TAB[0], "BUFX");
    EXPECT_EQ(skip_module("ANY"), 0);
}

TEST_F(DescTest, PinNumberTableAndComparators) {
    save_pino(5);
    save_pino(132);  // bucket 5 as well
    save_pino(-3);   // a negative number still lands in a bucket
    PinoEntry* p = get_pin(132);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->number, 132);
    EXPECT_EQ(HASH_INDEX, 1);
    EXPECT_EQ(get_pin(7), nullptr);
    EXPECT_EQ(get_pin(0), nullptr);
    EXPECT_EQ(get_pin(-3), nullptr);
    PinoEntry* five = get_pin(5);
    EXPECT_LT(compare_pino(&five, &p), 0);
    EXPECT_GT(compare_pino(&p, &five), 0);
    int a = 2, b = 9;
    EXPECT_LT(desc::compare_ctrl(&a, &b), 0);
    EXPECT_EQ(desc::compare_ctrl(&a, &a), 0);
}

TEST_F(DescTest, PinRowLookupsStayInRange) {
    desctest::parse_pin("%PACKAGE_TYPE P 3;\n1 A a in\n2 B * out\n");
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    EXPECT_STREQ(bs_pin_name(0), "a");
    EXPECT_STREQ(bs_pin_direction(0), "in");
    EXPECT_EQ(bs_pin_name(1), nullptr);  // written "*"
    EXPECT_STREQ(bs_pin_direction(1), "out");
    EXPECT_EQ(bs_pin_name(2), nullptr);
    EXPECT_EQ(bs_pin_name(-1), nullptr);
    EXPECT_EQ(bs_pin_direction(99), nullptr);
}

TEST_F(DescTest, ExtraPinListGrowsWithNone) {
    char** list = nullptr;
    desc_set_extra(&list, 3, "X3");
    desc_set_extra(&list, 1, "X1");
    desc_set_extra(&list, 1, "Y1");  // given twice: the last stays
    desc_set_extra(&list, 0, "bad");
    ASSERT_EQ(DYNA_count(list), 3);
    EXPECT_STREQ(list[0], "Y1");
    EXPECT_EQ(list[1], nullptr);
    EXPECT_STREQ(list[2], "X3");
    STR_free(&list);
}

// The standard instruction rows: names compared ignoring case, the last
// row of a name wins, a row without a name matches nothing, and the reset
// forgets the rows with the table.
TEST_F(DescTest, StandardInstructionRows) {
    INSTRUCTIONS = DYNA_new<InstructionEntry>();
    const char* const names[] = {"EXTEST", "Bypass", nullptr, "sample", "extest", "my_test"};
    for (const char* name : names) {
        InstructionEntry e{};
        e.name = name ? qdx_strdup(name) : nullptr;
        DYNA_append(&INSTRUCTIONS, e);
    }
    find_standard_instructions();
    EXPECT_EQ(EXTEST_EXIST, 4);
    EXPECT_EQ(BYPASS_EXIST, 1);
    EXPECT_EQ(SAMPLE_EXIST, 3);
    for (int row : {INTEST_EXIST, CHIP_TEST_EXIST, IDCODE_EXIST, USERCODE_EXIST, HIGHZ_EXIST, CLAMP_EXIST,
                    RUNBIST_EXIST, QUENDAL_ATPG_EXIST})
        EXPECT_EQ(row, -1);
    DESC_reset_globals();
    EXPECT_EQ(EXTEST_EXIST, -1);
    EXPECT_EQ(BYPASS_EXIST, -1);
    EXPECT_EQ(SAMPLE_EXIST, -1);
}

// The reset empties every table and text, so a second design starts clean.
TEST_F(DescTest, ResetEmptiesEverything) {
    desctest::parse_lib("%BUFFER P* { %INPUT A; }\n%SCAN_CELL C { %DATA_IN D; }\n");
    desctest::parse_pin("%ALLOWED_MULTIPLE { V ; }\n%PACKAGE_TYPE Q 9;\n1 V v in\n");
    new_buffer("X", BUFFER_PLAIN);
    new_scan_cell("C", 0);
    desc_set_text(&TAP_MODULE_NAME, "tap");
    desc_set_text(&OUTPUT_SCAN, "C");
    GLOBAL_EXIT = 1;
    PIN_FLAG = 0;
    DESC_reset_globals();
    EXPECT_EQ(BUFFER_HASH_TAB, nullptr);
    EXPECT_EQ(SCAN_CELL_HASH_TAB, nullptr);
    EXPECT_EQ(WILD_CARD_BUF_TAB, nullptr);
    EXPECT_EQ(PIN_HASH_TAB, nullptr);
    EXPECT_EQ(ALLOWED_MULTIPLE_LIST, nullptr);
    EXPECT_EQ(PACKAGE_TYPE, nullptr);
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 0);
    EXPECT_EQ(TAP_MODULE_NAME, nullptr);
    EXPECT_EQ(OUTPUT_SCAN, nullptr);
    EXPECT_EQ(LIB_FILE, nullptr);
    EXPECT_EQ(GLOBAL_EXIT, 0);
    EXPECT_EQ(PIN_FLAG, 1);
    EXPECT_EQ(desc::theAST, nullptr);
    EXPECT_EQ(get_buffer("P1"), nullptr);
    // The pin numbers of the emptied table are free again.
    desctest::parse_pin("1 V v in\n");
    EXPECT_EQ(DYNA_count(PIN_HASH_TAB), 1);
}

}  // namespace
