#include <gtest/gtest.h>

#include "support/param_name.h"

#include <cstdio>
#include <string>

#include "runtime/msg.h"
#include "support/testsupport.h"

namespace {

// Captures what the message layer writes to its stream.
class MsgCapture : public ::testing::Test {
protected:
    void SetUp() override {
        MSG_reset_globals();
        out_ = std::tmpfile();
        MSG_set_fid(out_);
    }
    void TearDown() override {
        MSG_reset_globals();
        std::fclose(out_);
    }
    std::string text() {
        std::fflush(out_);
        std::string s;
        std::rewind(out_);
        int c;
        while ((c = std::fgetc(out_)) != EOF) s += static_cast<char>(c);
        return s;
    }
    FILE* out_ = nullptr;
};

struct LevelCase {
    int (*fn)(const char*, ...);
    const char* input;
    bool numbers;
    const char* want;
};

TEST_F(MsgCapture, LevelWordsAndNumbers) {
    const LevelCase cases[] = {
        {MSG_warning, "#010: Invalid command option: %s\n", true, "WARNING 010: Invalid command option: -x\n"},
        {MSG_error, "#042: Cannot open input file '%s'\n", true, "ERROR 042: Cannot open input file '-x'\n"},
        {MSG_warning, "#010: Invalid command option: %s\n", false, "WARNING :  Invalid command option: -x\n"},
        {MSG_error, "plain %s\n", true, "ERROR plain -x\n"},
        {MSG_inform, "#010: kept as it stands %s\n", true, "#010: kept as it stands -x\n"},
    };
    for (const auto& c : cases) {
        SetUp();
        MSG_set_errnum(c.numbers ? 1 : 0);
        c.fn(c.input, "-x");
        EXPECT_EQ(text(), c.want) << c.input;
        TearDown();
    }
    SetUp();
}

TEST_F(MsgCapture, ContinuationLinesIndentUnderTheText) {
    MSG_warning("#011: first line\nsecond line\ndropped tail");
    EXPECT_EQ(text(), "WARNING 011: first line\n" + std::string(13, ' ') + "second line\n");
}

TEST_F(MsgCapture, QueuedListLinesPrintWithTheNextMessage) {
    MSG_list("queued one\n");
    MSG_error("#020: System status = %d\n", 3);
    EXPECT_EQ(text(), "queued one\nERROR 020: System status = 3\n");
}

TEST_F(MsgCapture, LogCopyAndAlwaysLevel) {
    FILE* log = std::tmpfile();
    MSG_set_log(log);
    MSG_fid_on(0);
    MSG_warning("to the log only\n");
    MSG_printf("always on stderr\n");  // level -2: never logged
    std::fflush(log);
    std::rewind(log);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, log);
    EXPECT_EQ(std::string(buf, n), "WARNING to the log only\n");
    EXPECT_EQ(text(), "");
    MSG_set_log(nullptr);  // closes the log
}

TEST_F(MsgCapture, PutsRemovesEscapes) {
    char s[] = "a`xb`fyzc`012d";
    MSG_puts(s);
    EXPECT_EQ(text(), "abzcd");
}

struct FatalCase {
    int code;
    const char* want;
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << "code " << c.code; }

class MsgFatal : public ::testing::TestWithParam<FatalCase> {};

TEST_P(MsgFatal, PrintsAndExitsWithMinusOne) {
    const FatalCase& c = GetParam();
    EXPECT_EXIT(MSG_fatal_error(c.code), ::testing::ExitedWithCode(255), std::string("^\n") + c.want + "\n$");
}

INSTANTIATE_TEST_SUITE_P(Codes, MsgFatal,
                         ::testing::Values(FatalCase{1, "FATAL 002: Fatal Error - Not enough memory"},
                                           FatalCase{2, "FATAL 002: Fatal Error - Disk full"},
                                           FatalCase{3, "FATAL 002: Fatal Error - Corrupted data table"},
                                           FatalCase{7, "FATAL 003: Fatal Error - Error Code 7"}),
    [](const auto& i) { return "Code" + std::to_string(i.param.code); });

}  // namespace
