// The pin and package file language: rows reaching PIN_TABLE, package
// rows, the name checks and the rejected texts.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <cstdio>
#include <string>
#include <vector>

#include "desc_test_util.h"

namespace {

using desctest::DescTest;
using desctest::str;

// A row as text: every word of PinListEntry, "<none>" for none.
struct RowCase {
    const char* text;
    std::vector<std::string> want;  // core io number dir | cell C I O IO | pad C I O | code enable
};

std::vector<std::string> row_words(const PinListEntry* r) {
    return {str(r->core_name), str(r->io_name), str(r->number), str(r->direction), str(r->cell), str(r->c_cell),
            str(r->i_cell),    str(r->o_cell),  str(r->io_cell), str(r->pad),      str(r->pad_c), str(r->pad_i),
            str(r->pad_o),     std::to_string(r->cell_code),     std::to_string(r->pad_enable)};
}

void PrintTo(const RowCase& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class PinRow : public DescTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(PinRow, ReachesPinTable) {
    const RowCase& c = GetParam();
    std::string out = desctest::stdout_of([&] { desctest::parse_pin(c.text); });
    EXPECT_EQ(out, "");
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    ASSERT_EQ(DYNA_count(PIN_TABLE), 1);
    EXPECT_EQ(row_words(PIN_TABLE[0]), c.want) << c.text;
    EXPECT_EQ(PIN_TABLE[0]->line, 1);
    EXPECT_EQ(GLOBAL_EXIT, 0);
}

const std::string N = "<none>";

INSTANTIATE_TEST_SUITE_P(
    Table, PinRow,
    ::testing::Values(
        RowCase{"1 TDI tdi in BSC(BC_IN) PAD(PI)", {"tdi", "TDI", "1", "in", "BC_IN", N, N, N, N, "PI", N, N, N, "-1", "-1"}},
        RowCase{"5 D5 d5 inout BSC(C:BCC, I:BCI, O:BCO) PAD(PB, C:EN, I:Y, O:A) PAD_EN_L",
                {"d5", "D5", "5", "inout", N, "BCC", "BCI", "BCO", N, "PB", "EN", "Y", "A", "5", "0"}},
        RowCase{"6 D6 d6 out BSC(O_ONLY:BCO, C:BCC)", {"d6", "D6", "6", "out", N, "BCC", N, "BCO", N, N, N, N, N, "8", "-1"}},
        RowCase{"7 * * *", {N, N, "7", N, N, N, N, N, N, N, N, N, N, "-1", "-1"}},
        // Cell codes: roles applied in the order I, C, O, IO, I_ONLY, O_ONLY.
        RowCase{"8 A a in BSC(I:X)", {"a", "A", "8", "in", N, N, "X", N, N, N, N, N, N, "0", "-1"}},
        RowCase{"9 A a out BSC(O:X)", {"a", "A", "9", "out", N, N, N, "X", N, N, N, N, N, "1", "-1"}},
        RowCase{"10 A a out BSC(C:X)", {"a", "A", "10", "out", N, "X", N, N, N, N, N, N, N, "2", "-1"}},
        RowCase{"11 A a out BSC(O:Y, C:X)", {"a", "A", "11", "out", N, "X", N, "Y", N, N, N, N, N, "3", "-1"}},
        RowCase{"12 A a io BSC(O:Y, I:Z)", {"a", "A", "12", "io", N, N, "Z", "Y", N, N, N, N, N, "4", "-1"}},
        RowCase{"13 A a io BSC(IO:Y)", {"a", "A", "13", "io", N, N, N, N, "Y", N, N, N, N, "9", "-1"}},
        RowCase{"14 A a io BSC(IO:Y, C:X)", {"a", "A", "14", "io", N, "X", N, N, "Y", N, N, N, N, "10", "-1"}},
        RowCase{"15 A a in BSC(I_ONLY:Y)", {"a", "A", "15", "in", N, N, "Y", N, N, N, N, N, N, "6", "-1"}},
        RowCase{"16 A a out BSC(O_ONLY:Y)", {"a", "A", "16", "out", N, N, N, "Y", N, N, N, N, N, "7", "-1"}},
        // I and I_ONLY share word 7: I_ONLY is applied later and stays.
        RowCase{"17 A a io BSC(I_ONLY:Q, I:P)", {"a", "A", "17", "io", N, N, "Q", N, N, N, N, N, N, "6", "-1"}},
        // A role written twice keeps its last cell.
        RowCase{"18 A a out BSC(C:X, C:Z, O:Y)", {"a", "A", "18", "out", N, "Z", N, "Y", N, N, N, N, N, "3", "-1"}},
        RowCase{"19 A a io BSC(O:Y, IO:W, C:X)", {"a", "A", "19", "io", N, "X", N, "Y", "W", N, N, N, N, "10", "-1"}},
        // Pads, enables, numbers that are names, and word shapes.
        RowCase{"B2 A a in PAD_EN_H", {"a", "A", "B2", "in", N, N, N, N, N, N, N, N, N, "-1", "1"}},
        RowCase{"20 -RESET -reset in PAD(P, O:Q, C:R)", {"-reset", "-RESET", "20", "in", N, N, N, N, N, "P", "R", N, "Q", "-1", "-1"}},
        RowCase{"21 D[12] d[] in", {"d[]", "D[12]", "21", "in", N, N, N, N, N, N, N, N, N, "-1", "-1"}},
        RowCase{"22 -_A %_A __A", {"%_A", "-_A", "22", "__A", N, N, N, N, N, N, N, N, N, "-1", "-1"}},
        RowCase{"23 a.b x{1} y?z-w", {"x{1}", "a.b", "23", "y?z-w", N, N, N, N, N, N, N, N, N, "-1", "-1"}},
        RowCase{"/* c */ 24 A a in // c\n// c", {"a", "A", "24", "in", N, N, N, N, N, N, N, N, N, "-1", "-1"}}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

struct PinRejected {
    const char* text;
    const char* out;
    const char* err;
    int status;
};

void PrintTo(const PinRejected& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class PinRejectedText : public DescTest, public ::testing::WithParamInterface<PinRejected> {};

TEST_P(PinRejectedText, MessageFileLineAndStatus) {
    const PinRejected& c = GetParam();
    auto r = desctest::run_child([&] { desctest::parse_pin(c.text, "chip.pin"); });
    EXPECT_EQ(r.status, c.status) << c.text;
    EXPECT_EQ(r.out, c.out) << c.text;
    EXPECT_EQ(r.err, c.err) << c.text;
}

#define PSYNTAX(line, at) "\"chip.pin\", line " #line ": Syntax Error at '" at "'\n"

INSTANTIATE_TEST_SUITE_P(
    Table, PinRejectedText,
    ::testing::Values(
        // A repeated pin number ends the run at once.
        PinRejected{"3 A a in\n3 B b in\n4 C c in", "'chip.pin' line 2: pin number 3 mutiple defined.\n", "", 255},
        // Index checks of names.
        PinRejected{"1 D[x] d in", "", "\"chip.pin\", line 1: Syntax error at D[x]\n", 255},
        PinRejected{"1 D\nd[1a] in", "", "\"chip.pin\", line 2: Syntax error at d[1a]\n", 255},
        PinRejected{"1 D d dir[ 2]", PSYNTAX(1, "]"), "", 255},  // "dir[" is a word, then a row 2, then "]"
        // Keywords cannot be names.
        PinRejected{"1 C c in", PSYNTAX(1, "C"), "", 255},
        PinRejected{"1 A BSC in", PSYNTAX(1, "BSC"), "", 255},
        PinRejected{"1 A a PAD", PSYNTAX(1, "PAD"), "", 255},
        PinRejected{"IO A a in", PSYNTAX(1, "IO"), "", 255},
        // Cell and pad forms.
        PinRejected{"1 A a in PAD(P, IO:x)", PSYNTAX(1, "IO"), "", 255},
        PinRejected{"1 A a in BSC()", PSYNTAX(1, ")"), "", 255},
        PinRejected{"1 A a in BSC(C:X I:Y)", PSYNTAX(1, "I"), "", 255},
        PinRejected{"1 A a in BSC(X, Y)", PSYNTAX(1, ","), "", 255},
        PinRejected{"1 A a in BSC(C X)", PSYNTAX(1, "X"), "", 255},
        PinRejected{"1 A a in PAD()", PSYNTAX(1, ")"), "", 255},
        PinRejected{"1 A a in PAD(P,)", PSYNTAX(1, ")"), "", 255},
        PinRejected{"1 A a in PAD_EN_L PAD(P)", PSYNTAX(1, "PAD"), "", 255},
        // Entries.
        PinRejected{"%PACKAGE_TYPE BGA ;", PSYNTAX(1, ";"), "", 255},
        PinRejected{"%PACKAGE_TYPE BGA 10\n", PSYNTAX(2, ""), "", 255},
        PinRejected{"%ALLOWED_MULTIPLE { VDD }", PSYNTAX(1, "}"), "", 255},
        PinRejected{"%ALLOWED_MULTIPLE { ; }", PSYNTAX(1, ";"), "", 255},
        PinRejected{"", PSYNTAX(1, ""), "", 255},
        PinRejected{"1 A", PSYNTAX(1, ""), "", 255},
        PinRejected{"1 A a in\n*A a b c", PSYNTAX(2, "*"), "", 255},
        // Texts that are not words.
        PinRejected{"1 %-A a in", PSYNTAX(1, "%"), "", 255},
        PinRejected{"1 A a in $", PSYNTAX(1, "$"), "", 255},
        PinRejected{"1 A a/b in", PSYNTAX(1, "/"), "", 255},
        // Comments.
        PinRejected{"1 A a in /* open\n", "'chip.pin' line 2: Missing '*/'.\n", "", 255},
        PinRejected{"/* /* */", "'chip.pin' line 1: Missing '*/'.\n", "", 255}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

struct RepeatCase {
    const char* text;
    const char* out;  // the deferred messages
    int global_exit;
};

void PrintTo(const RepeatCase& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class PinNameRepeats : public DescTest, public ::testing::WithParamInterface<RepeatCase> {};

// Repeated names are reported for every occurrence; reading goes on and
// GLOBAL_EXIT tells the reader to end the run afterwards.
TEST_P(PinNameRepeats, ReportedAndDeferred) {
    const RepeatCase& c = GetParam();
    std::string out = desctest::stdout_of([&] { desctest::parse_pin(c.text, "chip.pin"); });
    EXPECT_EQ(out, c.out) << c.text;
    EXPECT_EQ(GLOBAL_EXIT, c.global_exit) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PinNameRepeats,
    ::testing::Values(
        RepeatCase{"1 VDD * *\n2 VDD * *\n3 VSS * *", "'chip.pin' line 2: pin name VDD mutiple defined.\n", 1},
        RepeatCase{"%ALLOWED_MULTIPLE { VDD ; }\n1 VDD * *\n2 VDD * *", "", 0},
        RepeatCase{"1 INTERNAL a x\n2 INTERNAL b x\n3 OBSERVE_ONLY c x\n4 OBSERVE_ONLY d x", "", 0},
        RepeatCase{"1 CLKP clk in\n2 CLKN clk in", "'chip.pin' line 2: pin name clk mutiple defined.\n", 1},
        RepeatCase{"%ALLOWED_MULTIPLE { CLKN ; }\n1 CLKP clk in\n2 CLKN clk in", "", 0},
        // The list applies to the rows after it.
        RepeatCase{"1 VDD * *\n2 VDD * *\n%ALLOWED_MULTIPLE { VDD ; }\n3 VDD * *",
                   "'chip.pin' line 2: pin name VDD mutiple defined.\n", 1},
        // Both names of a row, for every repetition, on the line of each name.
        RepeatCase{"1 A x in\n2 A x in\n3\nA\nx in",
                   "'chip.pin' line 2: pin name A mutiple defined.\n"
                   "'chip.pin' line 2: pin name x mutiple defined.\n"
                   "'chip.pin' line 4: pin name A mutiple defined.\n"
                   "'chip.pin' line 5: pin name x mutiple defined.\n",
                   1},
        // A core-side name repeated on a row without package name.
        RepeatCase{"1 * x in\n2 * x in", "'chip.pin' line 2: pin name x mutiple defined.\n", 1}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

// The deferred error ends the run only when the reader says so: the
// rejected names still stand in their rows.
TEST_F(DescTest, PinRepeatedNamesStillMakeRows) {
    desctest::stdout_of([] { desctest::parse_pin("1 VDD vdd in\n2 VDD vdd in\n"); });
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    ASSERT_EQ(DYNA_count(PIN_TABLE), 2);
    EXPECT_STREQ(PIN_TABLE[1]->io_name, "VDD");
    EXPECT_STREQ(PIN_TABLE[1]->core_name, "vdd");
}

TEST_F(DescTest, PinAllowedNamesNotUsedAreWarned) {
    std::string err = desctest::stderr_of([] {
        desctest::parse_pin("%ALLOWED_MULTIPLE { VDD, VSS, GND ; }\n1 VDD * *\n2 VDD * *\n3 X gnd in\n", "chip.pin");
        exist_multiple_pin();
    });
    EXPECT_EQ(err,
              "WARNING : %ALLOWED_MULTIPLE 'VSS' was not declared in \"chip.pin\".\n"
              "WARNING : %ALLOWED_MULTIPLE 'GND' was not declared in \"chip.pin\".\n");
    ASSERT_EQ(DYNA_count(ALLOWED_MULTIPLE_LIST), 3);
    // A second %ALLOWED_MULTIPLE makes the list anew.
    DESC_reset_globals();
    desctest::parse_pin("%ALLOWED_MULTIPLE { A ; }\n%ALLOWED_MULTIPLE { B ; }\n1 B * *\n");
    ASSERT_EQ(DYNA_count(ALLOWED_MULTIPLE_LIST), 1);
    EXPECT_STREQ(ALLOWED_MULTIPLE_LIST[0], "B");
    EXPECT_EQ(desctest::stderr_of([] { exist_multiple_pin(); }), "");
}

TEST_F(DescTest, PinPackageTypeInListMode) {
    desctest::parse_pin("%PACKAGE_TYPE BGA 0120;\n1 A a in\n%PACKAGE_TYPE QFP 64;\n");
    EXPECT_STREQ(PACKAGE_TYPE, "QFP");
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 64);
    DESC_reset_globals();
    desctest::parse_pin("%PACKAGE_TYPE BGA 0120;\n1 A a in\n");
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 120);  // decimal
}

// Pin numbers are checked against every row already in PIN_HASH_TAB, the
// rows that the reader makes itself included.
TEST_F(DescTest, PinNumbersCheckedAcrossRowsAndFiles) {
    desc_set_text(&PIN_FILE, "chip.pin");
    save_pin("1", 1)->core_name = qdx_strdup("inline");
    auto r = desctest::run_child([] { desctest::parse_pin("2 A a in\n1 B b in\n", "chip.pin"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "'chip.pin' line 2: pin number 1 mutiple defined.\n");
    // Numbers compare as written.
    desctest::parse_pin("01 A a in\n2 B b in\n");
    EXPECT_EQ(DYNA_count(PIN_HASH_TAB), 3);
    auto again = desctest::run_child([] { save_pin("2", 9); });
    EXPECT_EQ(again.out, "'p.pin' line 9: pin number 2 mutiple defined.\n");
    // Emptied tables free their numbers.
    free_pin_tables();
    save_pin("1", 1);
    EXPECT_EQ(DYNA_count(PIN_HASH_TAB), 1);
}

// Package mode: rows go to the current package in file order, with the
// first cell named and no per-role cells.
TEST_F(DescTest, PinPackageModeRows) {
    desctest::parse_pin(
        "%PACKAGE_TYPE BGA 10;\n"
        "1 A a in BSC(C:X, I:Y) PAD(P, C:Q)\n"
        "1 B b out BSC(Z) PAD_EN_H\n"  // numbers are not checked in package mode
        "3 * * *\n",
        "a.pin", 0);
    ASSERT_NE(PACKAGE_TABLE, nullptr);
    EXPECT_EQ(current_package_ptr, PACKAGE_TABLE);
    EXPECT_STREQ(PACKAGE_TABLE->file_name, "a.pin");
    EXPECT_STREQ(PACKAGE_TABLE->type, "BGA");
    EXPECT_EQ(PACKAGE_TABLE->pin_count, 10);
    EXPECT_EQ(PACKAGE_TYPE, nullptr);  // list-mode globals untouched
    EXPECT_EQ(PIN_HASH_TAB, nullptr);
    std::vector<std::vector<std::string>> rows;
    for (PackagePinEntry* p = PACKAGE_TABLE->first; p; p = p->next)
        rows.push_back({str(p->number), str(p->io_name), str(p->core_name), str(p->direction), str(p->cell),
                        str(p->c_cell), str(p->i_cell), str(p->pad), str(p->pad_c), std::to_string(p->cell_code),
                        std::to_string(p->pad_enable), std::to_string(p->line)});
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"1", "A", "a", "in", "X", N, N, "P", "Q", "-1", "-1", "2"},
                        {"1", "B", "b", "out", "Z", N, N, N, N, "-1", "1", "3"},
                        {"3", N, N, N, N, N, N, N, N, "-1", "-1", "4"}}));

    // A second package file: a new entry; the same type name (any case)
    // as an earlier package ends the run.
    current_package_ptr = nullptr;
    desctest::parse_pin("%PACKAGE_TYPE QFP 4;\n1 A a in\n", "b.pin", 0);
    ASSERT_NE(PACKAGE_TABLE->next, nullptr);
    EXPECT_STREQ(PACKAGE_TABLE->next->type, "QFP");
    current_package_ptr = nullptr;
    auto r = desctest::run_child([] { desctest::parse_pin("%PACKAGE_TYPE bga 20;\n", "c.pin", 0); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Error : The same package type name(bga) in (a.pin) and (c.pin).\n");
    // Names repeat within one package file only.
    current_package_ptr = nullptr;
    std::string out = desctest::stdout_of([] { desctest::parse_pin("1 A a in\n2 A b in\n", "d.pin", 0); });
    EXPECT_EQ(out, "'d.pin' line 2: pin name A mutiple defined.\n");
}

TEST_F(DescTest, PinTraceAtDumpLevelTwo) {
    DUMP = 2;
    std::string out = desctest::stdout_of(
        [] { desctest::parse_pin("%PACKAGE_TYPE Q 2;\n1 A a in\n BSC(X) %ALLOWED_MULTIPLE { A ; }"); });
    EXPECT_EQ(out,
              "1: KEYWORD : %PACKAGE_TYPE\nID Q\nINT 2\nINT 1\nID A\nID a\nID in\n3: KEYWORD : BSC\nLPAREN\n"
              "ID X\nRPAREN\n3: KEYWORD : %ALLOWED_MULTIPLE\nLBRACE\nID A\nRBRACE\n");
}

// The demo pin file: every row reaches PIN_TABLE in file order.
TEST_F(DescTest, PinFixtureReachesPinTableInFileOrder) {
    FILE* f = std::fopen(testsupport::source_path("tests/fixtures/desc/chip.pin").c_str(), "r");
    ASSERT_NE(f, nullptr);
    desc_set_text(&PIN_FILE, "chip.pin");
    PIN_FLAG = 1;
    create_pin_check_tables();
    pin_yyin = f;
    std::string out = desctest::stdout_of([] { pin_yyparse(); });
    std::fclose(f);
    pin_yyin = nullptr;
    EXPECT_EQ(out, "");
    EXPECT_EQ(GLOBAL_EXIT, 0);
    EXPECT_STREQ(PACKAGE_TYPE, "QFP16");
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 16);
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    std::vector<std::string> numbers;
    for (int i = 0; i < DYNA_count(PIN_TABLE); ++i) numbers.push_back(PIN_TABLE[i]->number);
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12",
                                                 "13", "14", "A1"}));
    EXPECT_EQ(row_words(PIN_TABLE[4]),
              (std::vector<std::string>{"d5", "D5", "5", "inout", N, "BC_OUT", "BC_IN", "BC_OUT", N, "PB", "OE", "A",
                                        "Y", "5", "0"}));
    EXPECT_EQ(PIN_TABLE[4]->line, 9);
    EXPECT_EQ(PIN_TABLE[10]->cell_code, CELL_I_ONLY);
    EXPECT_EQ(PIN_TABLE[10]->pad_enable, PAD_EN_HIGH);
    EXPECT_EQ(PIN_TABLE[11]->cell_code, CELL_C_IO);
    EXPECT_STREQ(PIN_TABLE[11]->core_name, "d[0]");
    EXPECT_EQ(PIN_TABLE[14]->cell_code, CELL_O);
    EXPECT_EQ(desctest::stderr_of([] { exist_multiple_pin(); }), "");
    free_pin_check_tables();
}

// Large pin files read in time proportional to their rows.
TEST_F(DescTest, PinLargeFile) {
    std::string text = "%PACKAGE_TYPE BIG 60000;\n";
    for (int i = 1; i <= 60000; ++i)
        text += std::to_string(i) + " P" + std::to_string(i) + " p" + std::to_string(i) + " inout BSC(C:BCC, I:BCI, O:BCO)\n";
    desctest::parse_pin(text);
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    ASSERT_EQ(DYNA_count(PIN_TABLE), 60000);
    EXPECT_STREQ(PIN_TABLE[59999]->number, "60000");
    EXPECT_EQ(PIN_TABLE[59999]->line, 60001);
    EXPECT_EQ(GLOBAL_EXIT, 0);
}

}  // namespace
