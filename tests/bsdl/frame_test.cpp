// tallowmere's frame in-process: the options, the report file, the yes/no
// prompt, the crash handler and the name hash.
#include <gtest/gtest.h>

#include "support/param_name.h"
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bsdl_test_util.h"

namespace {

using namespace bsdltest;
using testsupport::read_file;
using testsupport::TempDir;

std::vector<std::string> words(char** list) {
    std::vector<std::string> v;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) v.emplace_back(list[i]);
    return v;
}

// Parses the arguments (after the program name); returns what was printed.
std::string parse(std::vector<std::string> args) {
    args.insert(args.begin(), "tallowmere");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    parse_command_options(static_cast<int>(args.size()), argv.data());
    return ::testing::internal::GetCapturedStdout();
}

struct OptionCase {
    std::vector<std::string> args;
    std::vector<int> flags;                    // options set
    std::vector<std::pair<int, std::vector<std::string>>> option_words;
    std::vector<std::string> circuits;
    std::string printed;
};

void PrintTo(const OptionCase& c, std::ostream* os) {
    *os << "tallowmere";
    for (const auto& a : c.args) *os << " " << testsupport::quoted(a);
}

class Options : public BsdlTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(Options, FlagsWordsAndCircuits) {
    const OptionCase& c = GetParam();
    EXPECT_EQ(parse(c.args), c.printed);
    for (int i = 0; i < BSDL_OPTION_COUNT; ++i) {
        bool want = std::find(c.flags.begin(), c.flags.end(), i) != c.flags.end();
        EXPECT_EQ(option_check[i], want ? 1 : 0) << option_string[i];
        std::vector<std::string> w;
        for (const auto& [opt, ws] : c.option_words)
            if (opt == i) w = ws;
        EXPECT_EQ(words(option_string_extr[i]), w) << option_string[i];
    }
    EXPECT_EQ(words(option_other_string), c.circuits);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Options,
    ::testing::Values(
        OptionCase{{"-T"}, {BSDL_OPT_TEMPLATE}, {}, {}, ""},
        OptionCase{{"-h", "chip"}, {BSDL_OPT_HELP}, {}, {"chip"}, ""},
        OptionCase{{"-lib_file", "a.lib", "b"}, {BSDL_OPT_LIB_FILE}, {{BSDL_OPT_LIB_FILE, {"a.lib"}}}, {"b"}, ""},
        OptionCase{{"-scan", "x"}, {BSDL_OPT_SCAN}, {}, {"x"}, ""},
        // A repeated option keeps its first word; the second goes to the circuits.
        OptionCase{
            {"-template", "t1", "-TEMPLATE", "t2"}, {BSDL_OPT_TEMPLATE}, {{BSDL_OPT_TEMPLATE, {"t1"}}}, {"t2"}, ""},
        OptionCase{{"-OP", "out", "a", "b"}, {BSDL_OPT_OPATH}, {{BSDL_OPT_OPATH, {"out"}}}, {"a", "b"}, ""},
        OptionCase{{"a", "-bsc", "cfg", "-BS_S", "-dbs", "-v", "-Window", "-no_pad", "c"},
                   {BSDL_OPT_BSC_FILE, BSDL_OPT_BS_SEARCH, BSDL_OPT_DUMP_BS, BSDL_OPT_VERIFY, BSDL_OPT_WINDOW,
                    BSDL_OPT_NO_PAD},
                   {{BSDL_OPT_BSC_FILE, {"cfg"}}},
                   {"a", "c"},
                   ""},
        // Invalid options warn and leave the current option as it was.
        OptionCase{{"-xyz", "chip"}, {}, {}, {"chip"}, "WARNING: invalid option \"xyz\".\n"},
        OptionCase{{"-opath", "-lib", "out", "chip"},
                   {BSDL_OPT_OPATH},
                   {{BSDL_OPT_OPATH, {"out"}}},
                   {"chip"},
                   "WARNING: invalid option \"lib\".\n"},  // no prefix matching
        OptionCase{
            {"-", "-help_me"}, {}, {}, {}, "WARNING: invalid option \"\".\nWARNING: invalid option \"help_me\".\n"},
        OptionCase{{"-opath"}, {BSDL_OPT_OPATH}, {}, {}, ""}),
    [](const auto& i) {
        std::string s;
        for (const auto& a : i.param.args) s += a + " ";
        return testsupport::param_name(s, i.index, 40);
    });

// ---------------------------------------------------------------- report

class Report : public BsdlTest {
protected:
    void SetUp() override {
        BsdlTest::SetUp();
        top_print_prog_name_and_version_num("TALLOWMERE", KEST_VERSION);
    }
    // Opens the report of "chip"; returns the directory and the screen text.
    std::pair<std::string, std::string> open(const std::vector<std::string>& args) {
        parse(args);
        ::testing::internal::CaptureStdout();
        std::string d = open_report_file("chip");
        return {d, ::testing::internal::GetCapturedStdout()};
    }
    TempDir dir;
    testsupport::ChangeDir cd{dir.path()};
};

TEST_F(Report, OutputDirectoryChoices) {
    const std::string kUncreatable =
        "WARNING: cannot create specified output path \"blocker/x\".\n"
        "         output files will be saved in the current directory.\n";
    dir.write("blocker", "a file, not a directory");
    struct Case {
        std::vector<std::string> args;
        std::string directory;  // returned
        std::string report;     // where the report lands
        std::string warning;    // after the banner, on the screen and in the report
    } cases[] = {
        {{"chip"}, ".", "chip.bsdl.rpt", ""},
        {{"-opath", "out/sub", "chip"}, "out/sub", "out/sub/chip.bsdl.rpt", ""},
        {{"-opath", "out/sub", "chip"}, "out/sub", "out/sub/chip.bsdl.rpt", ""},  // now existing
        {{"chip", "-opath"}, ".", "chip.bsdl.rpt", "WARNING: no path name specified after -opath.\n"},
        {{"-opath", "blocker/x", "chip"}, ".", "chip.bsdl.rpt", kUncreatable},
    };
    for (const Case& c : cases) {
        std::string trace;
        for (const auto& a : c.args) trace += a + " ";
        SCOPED_TRACE(trace);
        std::filesystem::remove(dir.path() / "chip.bsdl.rpt");
        auto [d, screen] = open(c.args);
        EXPECT_EQ(d, c.directory);
        ASSERT_NE(fd, nullptr);
        std::string banner = top_banner_text();
        EXPECT_EQ(screen.substr(0, 40), banner.substr(0, 40));
        EXPECT_EQ(screen.substr(screen.size() - c.warning.size()), c.warning);
        top_close_report();
        std::string report = read_file(dir.path() / c.report);
        EXPECT_EQ(report.substr(0, 40), banner.substr(0, 40));
        EXPECT_EQ(report.substr(report.size() - c.warning.size()), c.warning);
    }
}

TEST_F(Report, EachReportClosesThePreviousOne) {
    parse({"a", "b"});
    ::testing::internal::CaptureStdout();
    open_report_file("a");
    qdx_printf("first\n");
    open_report_file("b");
    qdx_printf("second\n");
    ::testing::internal::GetCapturedStdout();
    top_close_report();
    std::string a = read_file(dir.path() / "a.bsdl.rpt"), b = read_file(dir.path() / "b.bsdl.rpt");
    EXPECT_NE(a.find("first\n"), std::string::npos);
    EXPECT_EQ(a.find("second"), std::string::npos);
    EXPECT_NE(b.find("second\n"), std::string::npos);
}

TEST_F(Report, AReportThatCannotBeOpenedIsReported) {
    std::filesystem::create_directory(dir.path() / "chip.bsdl.rpt");
    auto [d, screen] = open({"chip"});
    EXPECT_EQ(d, ".");
    EXPECT_EQ(fd, nullptr);
    EXPECT_NE(screen.find("WARNING: can't open report file \"chip.bsdl.rpt\"; messages go to the screen only.\n"),
              std::string::npos)
        << screen;
}

// ---------------------------------------------------------------- prompt

TEST(YesOrNo, AnswersAndTheEndOfInput) {
    const char* kAgain = "Please enter \"Yes\" or \"No\": ";
    struct Case {
        const char* input;
        int answer;
        int prompts;
    } cases[] = {
        {"no\n", 0, 0},
        {"No\n", 0, 0},
        {"YES\n", 1, 0},
        {"yes", 1, 0},                         // last line without a newline
        {"y\nyess\nno thanks\nyes\n", 1, 3},   // only whole answers count
        {"", 0, 0},                            // end of input: no
        {"maybe\n", 0, 1},                     // end of input after a wrong answer: no
        {"\n\n", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        FILE* in = std::tmpfile();
        std::fputs(c.input, in);
        std::rewind(in);
        ::testing::internal::CaptureStdout();
        int a = yes_or_no(in);
        std::string out = ::testing::internal::GetCapturedStdout();
        std::fclose(in);
        EXPECT_EQ(a, c.answer);
        std::string want;
        for (int i = 0; i < c.prompts; ++i) want += kAgain;
        EXPECT_EQ(out, want);
    }
}

// ----------------------------------------------------------- crash handler

TEST_F(Report, CrashReachesScreenAndReport) {
    const std::string kCrash = "\nInternal Error:\n    Please call QUENDAL (555) 013-2794 \n\n";
    ChildResult r = run_child([] {
        parse({"chip"});
        open_report_file("chip");
        top_install_fault_handlers();
        raise(SIGSEGV);
    });
    EXPECT_EQ(r.status, 255);
    ASSERT_GE(r.out.size(), kCrash.size());
    EXPECT_EQ(r.out.substr(r.out.size() - kCrash.size()), kCrash);
    std::string report = read_file(dir.path() / "chip.bsdl.rpt");
    ASSERT_GE(report.size(), kCrash.size());
    EXPECT_EQ(report.substr(report.size() - kCrash.size()), kCrash);
}

// ----------------------------------------------------------------- hash

TEST_F(BsdlTest, NamesHashInto127Buckets) {
    EXPECT_EQ(hash_key("abc"), 294 % 127);
    const char high[] = {'\xff', '\xfe', 'a', 0};  // a negative sum
    int h = hash_key(high);
    EXPECT_GE(h, 0);
    EXPECT_LT(h, 127);
    EXPECT_EQ(hash_key(std::string(127, '\x01').c_str()), 0);
}

}  // namespace
