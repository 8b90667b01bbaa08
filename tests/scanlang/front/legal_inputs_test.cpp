// Merging of legal and illegal input statements, and the decoding of the
// digit-coded compression groups.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/fennox_decrypt.h"
#include "scanlang/front/legal_inputs.h"
#include "scanlang/front/seman.h"
#include "support/child.h"

using testsupport::run_child;
using Strings = std::vector<std::string>;

namespace {

TwoIdentListRecord stmt(Strings ports, Strings patterns, int line) { return {ports, patterns, line}; }

// ------------------------------------------------------- legal inputs

struct LegalCase {
    const char* name;
    LegalList illegal;
    LegalList legal;
    LegalList expected;
    const char* err;  // standard error, "" for none
};
void PrintTo(const LegalCase& c, std::ostream* os) { *os << c.name; }

class LegalInputs : public testing::TestWithParam<LegalCase> {};

// The order the ATPG constraint uses: check both lists, turn illegal into
// legal, merge.
TEST_P(LegalInputs, MergedStatements) {
    const LegalCase& c = GetParam();
    LegalList illegal = c.illegal, legal = c.legal;
    has_error = 0;
    testing::internal::CaptureStderr();
    check_mapping_num_port_pat(illegal, true);
    check_mapping_num_port_pat(legal, false);
    transfer_illegal_to_legal(illegal, legal);
    LegalList got = combine_relative_legal_inputs(legal);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(illegal.empty());
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, c.expected[i].first) << i;
        EXPECT_EQ(got[i].second, c.expected[i].second) << i;
        EXPECT_EQ(got[i].line, c.expected[i].line) << i;
    }
    EXPECT_EQ(err, c.err);
    EXPECT_EQ(has_error, *c.err ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegalInputs,
    testing::Values(
        LegalCase{"IllegalBecomesItsComplement", {stmt({"a", "b"}, {"11"}, 4)}, {},
                  {stmt({"a", "b"}, {"00", "10", "01"}, 4)}, ""},
        LegalCase{"IllegalListingEverythingYieldsNothing",
                  {stmt({"a", "b"}, {"00", "01", "10", "11"}, 4)}, {}, {}, ""},
        LegalCase{"RelatedPairCombines", {}, {stmt({"a", "b"}, {"01", "10"}, 2), stmt({"b", "c"}, {"11"}, 3)},
                  {stmt({"a", "b", "c"}, {"011"}, -1)}, ""},
        LegalCase{"SamePortsKeepTheSecondPatterns", {},
                  {stmt({"a", "b"}, {"01"}, 2), stmt({"a", "b"}, {"11", "00"}, 3)},
                  {stmt({"a", "b"}, {"11", "00"}, -1)}, ""},
        LegalCase{"UnrelatedComeFirst", {},
                  {stmt({"x"}, {"1"}, 1), stmt({"a", "b"}, {"01", "10"}, 2), stmt({"y"}, {"0"}, 3),
                   stmt({"b", "c"}, {"11"}, 4)},
                  {stmt({"x"}, {"1"}, 1), stmt({"y"}, {"0"}, 3), stmt({"a", "b", "c"}, {"011"}, -1)}, ""},
        LegalCase{"IllegalJoinsRelatedLegal", {stmt({"b", "c"}, {"00", "01", "10"}, 5)},
                  {stmt({"a", "b"}, {"01", "10"}, 2)}, {stmt({"a", "b", "c"}, {"011"}, -1)}, ""},
        LegalCase{"NoPatternAgreesDropsTheGroup", {},
                  {stmt({"a", "b"}, {"00", "10"}, 2), stmt({"b", "c"}, {"11"}, 3)}, {},
                  "WARNING : the LEGAL_INPUTS as following don't match:\n"
                  "          line-2 a, b;\n          =  00, 10;\n"
                  "          line-3 b, c;\n          =  11;\n"},
        LegalCase{"SecondSharedPortDiffers", {},
                  {stmt({"a", "b"}, {"01"}, 2), stmt({"a", "b", "c"}, {"001"}, 3)}, {},
                  "WARNING: the port 'b' in LEGAL_INPUT doesn't match.\n"
                  "WARNING : the LEGAL_INPUTS as following don't match:\n"
                  "          line-2 a, b;\n          =  01;\n"
                  "          line-3 a, b, c;\n          =  001;\n"},
        // The group fails at its first pair; the third member is not
        // combined and the whole group yields nothing.
        LegalCase{"GroupAfterAFailureYieldsNothing", {},
                  {stmt({"b"}, {"1"}, 1), stmt({"a", "b"}, {"00"}, 2), stmt({"b", "c"}, {"11"}, 3),
                   stmt({"z"}, {"1"}, 4)},
                  {stmt({"z"}, {"1"}, 4)},
                  "WARNING : the LEGAL_INPUTS as following don't match:\n"
                  "          line-1 b;\n          =  1;\n"
                  "          line-2 a, b;\n          =  00;\n"
                  "WARNING : the LEGAL_INPUTS as following don't match:\n"
                  "          line-2 a, b;\n          =  00;\n"
                  "          line-3 b, c;\n          =  11;\n"}),
    [](const testing::TestParamInfo<LegalCase>& i) { return std::string(i.param.name); });

TEST(LegalInputPatterns, BitZeroIsLeftmost) {
    EXPECT_EQ(get_new_pattern(0, 3), "000");
    EXPECT_EQ(get_new_pattern(1, 3), "100");
    EXPECT_EQ(get_new_pattern(6, 3), "011");
}

// The ports of an illegal statement whose complement, whatever it lists,
// stays within the pattern limit.
constexpr int kPortsWithinLimit = 20;
static_assert(std::size_t{1} << kPortsWithinLimit == kMaxLegalInputPatterns);

TEST(LegalInputPatterns, WidestIllegalStatementWithinThePatternLimitIsEnumerated) {
    Strings ports;
    for (int i = 0; i < kPortsWithinLimit; ++i) ports.push_back("p" + std::to_string(i));
    LegalList illegal{stmt(ports, {std::string(kPortsWithinLimit, '1')}, 7)}, legal;
    transfer_illegal_to_legal(illegal, legal);
    ASSERT_EQ(legal.size(), 1u);
    EXPECT_EQ(legal[0].second.size(), (1u << kPortsWithinLimit) - 1);
}

struct FatalListCase {
    const char* name;
    LegalList list;
    bool illegal;
    std::string err;
};
void PrintTo(const FatalListCase& c, std::ostream* os) { *os << c.name; }
class LegalInputsRefused : public testing::TestWithParam<FatalListCase> {};

TEST_P(LegalInputsRefused, EndTheRun) {
    auto r = run_child([&] {
        dft_file_name = "t.dft";
        LegalList list = GetParam().list, legal;
        check_mapping_num_port_pat(list, GetParam().illegal);
        transfer_illegal_to_legal(list, legal);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LegalInputsRefused,
    testing::Values(
        FatalListCase{"PatternLength", {stmt({"a", "b"}, {"011"}, 3)}, false,
                      "ERROR: 't.dft', line-3, number of pattern '011' doesn't\n"
                      "       match the number of ports.\n"},
        FatalListCase{"ZInIllegal", {stmt({"a", "b"}, {"1Z"}, 5)}, true,
                      "ERROR: 't.dft', line-5, syntax error at '1Z'.\n"
                      "       ILLEGAL_INPUTS can't accept 'X' or 'Z' in pattern.\n"},
        FatalListCase{"TooWideToEnumerate",
                      {stmt(Strings(kMaxIllegalInputPorts + 1, "p"),
                            {std::string(kMaxIllegalInputPorts + 1, '0')}, 9)},
                      true,
                      "ERROR : 't.dft', line-9, ILLEGAL_INPUTS over 31 ports; at most 30 are supported.\n"},
        // Refused before any pattern is made: its complement would hold
        // 2^21 - 1 patterns.
        FatalListCase{"ComplementPastThePatternLimit",
                      {stmt(Strings(kPortsWithinLimit + 1, "p"), {std::string(kPortsWithinLimit + 1, '0')}, 6)},
                      true,
                      "ERROR : 't.dft', line-6, ILLEGAL_INPUTS expands into more than 1048576 patterns; at "
                      "most 1048576 are supported.\n"}),
    [](const testing::TestParamInfo<FatalListCase>& i) { return std::string(i.param.name); });

// ------------------------------------------------- compression strings

// The digits of a text: per character 5, then its code xor 5 (a first
// digit other than 0 and 1 keeps the text apart from an item's flags).
std::string code(const std::string& text) {
    std::string s;
    for (unsigned char c : text) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "5%03u", c ^ 5u);
        s += buf;
    }
    return s;
}

TEST(CipherDecoding, DigitGroups) {
    EXPECT_EQ(fennox_xor("0065"), "A");
    EXPECT_EQ(fennox_xor("3066"), "A");  // 3 xor 66
    EXPECT_EQ(fennox_decrypt("0065006612"), "AB");  // trailing digits ignored
    EXPECT_EQ(fennox_decrypt("12"), "");
}

TEST(CipherDecoding, GroupsAndItems) {
    std::vector<FennoxGroup> in, out;
    sl_decrypt({"2500" + code("gi"), "0110" + code("si0"), "1" + code("si1"), "5200" + code("go"),
                "0" + code("so"), "3100" + code("x"), "0" + code("so2")},
               {}, in, out, "t.dft");
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].name, "gi");
    ASSERT_EQ(in[0].items.size(), 2u);
    EXPECT_EQ(in[0].items[0].text, "si0");
    EXPECT_EQ(in[0].items[0].flags, (Strings{"pass", "xor", "xor", "pass"}));
    EXPECT_EQ(in[0].items[0].reg_index, -1);
    EXPECT_EQ(in[0].items[1].flags, (Strings{"xor"}));
    // 3100 opens nothing and switches to the out-groups.
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].name, "go");
    ASSERT_EQ(out[0].items.size(), 2u);
    EXPECT_EQ(out[0].items[1].text, "so2");
}

TEST(CipherDecoding, PlainGroupsWin) {
    std::vector<FennoxGroup> in{FennoxGroup{"plain", {}}}, out;
    sl_decrypt({"5200" + code("go")}, {}, in, out, "t.dft");
    EXPECT_EQ(in.size(), 1u);
    EXPECT_TRUE(out.empty());
}

struct CipherCase {
    const char* name;
    Strings text;
    const char* err;
};
void PrintTo(const CipherCase& c, std::ostream* os) { *os << c.name; }
class CipherRefused : public testing::TestWithParam<CipherCase> {};

// The strings stand on lines 11, 12 ...: the message names the line of
// the string refused.
TEST_P(CipherRefused, EndTheRun) {
    auto r = run_child([&] {
        std::vector<FennoxGroup> in, out;
        std::vector<int> lines;
        for (std::size_t k = 0; k < GetParam().text.size(); ++k) lines.push_back(static_cast<int>(11 + k));
        sl_decrypt(GetParam().text, lines, in, out, "t.dft");
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CipherRefused,
    testing::Values(
        CipherCase{"ItemBeforeAnyGroup", {"00065"},
                   "ERROR : 't.dft', line-11, %CIPHERTEXT string '00065': an item before any group.\n"},
        CipherCase{"ItemBeforeAnOutGroup", {"2500", "3100", "10065"},
                   "ERROR : 't.dft', line-13, %CIPHERTEXT string '10065': an item before any group.\n"},
        CipherCase{"ShortHeader", {"250"},
                   "ERROR : 't.dft', line-11, %CIPHERTEXT string '250': a group header needs four digits.\n"},
        CipherCase{"NonDigitHeader", {"25a0"},
                   "ERROR : 't.dft', line-11, %CIPHERTEXT string '25a0': not a digit string.\n"},
        CipherCase{"NonDigitItem", {"2500", "0006x"},
                   "ERROR : 't.dft', line-12, %CIPHERTEXT string '0006x': not a digit string.\n"},
        CipherCase{"CodeAbove255", {"2500", "19999"},
                   "ERROR : 't.dft', line-12, %CIPHERTEXT string '19999': character code out of range.\n"}),
    [](const testing::TestParamInfo<CipherCase>& i) { return std::string(i.param.name); });

}  // namespace
