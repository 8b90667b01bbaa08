// The numbered diagnostics: text, stream, warning or end of the run, and
// the log-file rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "scanlang/front/front.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::run_child;

struct DiagCase {
    int code;
    const char* err;  // standard error for file "f.dft", line 7, texts "A", "B"
    int status;       // 0 for a warning (the run goes on), 255 for an error
};

void PrintTo(const DiagCase& c, std::ostream* os) { *os << "code " << c.code; }

const DiagCase kCases[] = {
    {0, "ERROR : Can't open input file - 'A'.\n", 255},
    {1, "ERROR : Can't create file - 'A'.\n", 255},
    {2, "ERROR : One of the input files is not A file format.\n", 255},
    {3, "WARNING : 'A' is an empty file .\n", 0},
    {4, "ERROR : 'f.dft', line-7, syntax error near or at A.\n", 255},
    {5, "ERROR : 'f.dft', line-7, A - 'B' is undefined.\n", 255},
    {6, "WARNING : 'f.dft', line-7, 'A' statement is missing.\n", 0},
    {7, "WARNING : 'f.dft', line-7, 'A' is multiple defined.\n", 0},
    {8, "WARNING : 'f.dft', line-7, 'A' and 'B' statements can't appear in the same time.\n", 0},
    {9, "WARNING : 'f.dft', line-7, either 'A' or 'B' statement is missing.\n", 0},
    {10, "ERROR : run out of memory.\n", 255},
    {11, "ERROR : internal parser tree error.\n", 255},
    {12, "ERROR : 'f.dft', line-7, bad string is encountered.\n", 255},
    {13, "ERROR : 'f.dft', line-7, unterminated comment is encountered.\n", 255},
    {14, "WARNING : 'f.dft', line-7, can't find definition of 'A' in map file.\n", 0},
    {15, "WARNING : 'f.dft', line-7, 'A' has empty body.\n", 0},
    {16, "WARNING : There are ERRORS (WARNINGS) in your scan language file!\n          Please see 'A'.\n\n", 0},
    {17, "ERROR : 'f.dft', line-7, pattern length (A) is inconsistent with port number.\n", 255},
    {18, "ERROR : 'f.dft', line-7, 'A' wasn't defined.\n", 255},
    {19, "ERROR : 'f.dft', line-7, POLARITY can only be A or B.\n", 255},
    {20, "ERROR : 'f.dft', line-7, SCAN_MODE_ACTIVE can only be A or B.\n", 255},
    {21, "ERROR : 'f.dft', line-7, CLOCK_POLARITY can only be POSITIVE and NEGATIVE\n", 255},
    {22, "ERROR: 'f.dft', line-7, number of pattern 'A' doesn't\n       match the number of ports.\n", 255},
    {23, "ERROR: 'f.dft', line-7, syntax error at 'A'.\n       ILLEGAL_INPUTS can't accept 'X' or 'Z' in pattern.\n",
     255},
    {24, "FATAL: 'f.dft', near 'A', grouping error!\n", 255},
    {25, "", 0},
    {-1, "", 0},
};

class DiagnosticCode : public testing::TestWithParam<DiagCase> {};

// Each code in a child: its text on standard error only, the status, and
// for a warning the flag it leaves.
TEST_P(DiagnosticCode, PrintsItsTextAndEndsTheRunOnlyForErrors) {
    const DiagCase& c = GetParam();
    auto r = run_child([&] {
        has_error = 0;
        error_handler("f.dft", 7, c.code, "A", "B");
        std::printf("has_error=%d", has_error);
    });
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.status, c.status);
    bool warning = c.status == 0 && c.code >= 0 && c.code <= 24;
    EXPECT_EQ(scan_diag_is_warning(c.code), warning);
    EXPECT_EQ(r.out, c.status != 0 ? "" : warning ? "has_error=1" : "has_error=0");
}

INSTANTIATE_TEST_SUITE_P(AllCodes, DiagnosticCode, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DiagCase>& info) {
                             int code = info.param.code;
                             return code < 0 ? std::string("minus_1") : "code_" + std::to_string(code);
                         });

TEST(Diagnostics, AbsentTextsPrintAsNull) {
    auto r = run_child([] { error_handler(nullptr, 0, 5, nullptr, "B"); });
    EXPECT_EQ(r.err, "ERROR : '(null)', line-0, (null) - 'B' is undefined.\n");
}

// A log file left by another run survives an error; the run's own open
// log is closed and removed.
TEST(Diagnostics, AnErrorRemovesOnlyTheRunsOwnLogFile) {
    testsupport::TempDir dir;
    testsupport::ChangeDir cd(dir.path());
    dir.write("top.dft_map.log", "left by an earlier run\n");
    auto r = run_child([] {
        LOG_FILE = "top.dft_map.log";
        error_handler("top.dft", 3, 4, "x", nullptr);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "top.dft_map.log"));

    r = run_child([] {
        LOG_FILE = "own.dft_map.log";
        log_file = std::fopen("own.dft_map.log", "w");
        error_handler("top.dft", 3, 4, "x", nullptr);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "own.dft_map.log"));

    // Out of memory leaves even the run's own log alone.
    r = run_child([] {
        LOG_FILE = "own.dft_map.log";
        log_file = std::fopen("own.dft_map.log", "w");
        error_handler(nullptr, 0, 10, nullptr, nullptr);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "own.dft_map.log"));
}

TEST(Diagnostics, SaveStringCopies) {
    EXPECT_EQ(save_string(nullptr), nullptr);
    const char* text = "name";
    char* copy = save_string(text);
    EXPECT_STREQ(copy, "name");
    EXPECT_NE(copy, text);
    std::free(copy);
}

}  // namespace
