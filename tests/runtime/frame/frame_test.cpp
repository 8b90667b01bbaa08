#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/sysinfo.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::ChangeDir;
using testsupport::read_file;
using testsupport::TempDir;

class Frame : public ::testing::Test {
protected:
    void SetUp() override { FRAME_reset_globals(); }
    void TearDown() override { FRAME_reset_globals(); }
};

TEST_F(Frame, BannerIsCentred) {
    struct {
        const char* name;
        size_t rule;
    } cases[] = {{"kestrand", 15}, {"Tallowmere", 14}};
    for (const auto& c : cases) {
        top_print_prog_name_and_version_num(c.name, KEST_VERSION);
        std::string b = top_banner_text();
        std::string name = c.name;
        for (auto& ch : name) ch = static_cast<char>(toupper(ch));
        std::string rule(c.rule, '=');
        std::string line = "\n" + rule + " " + name + " V2.9.00 (07/19/06 Beta_version) Linux " + rule + "\n\n";
        EXPECT_EQ(b.substr(0, line.size()), line);
        EXPECT_EQ(line.size() - 3, 78u);  // both rules and the text fill 78 columns
        std::string rest = b.substr(line.size());
        EXPECT_EQ(rest.substr(0, 7), "\nTIME: ");
        EXPECT_EQ(rest.substr(rest.size() - 2), "\n\n");  // the time text ends with its own newline
    }
}

TEST_F(Frame, EveryLineReachesScreenAndReport) {
    TempDir dir;
    ChangeDir cd(dir.path());
    top_print_prog_name_and_version_num("kestrand", KEST_VERSION);
    testing::internal::CaptureStdout();
    qdx_printf("before the report %d\n", 1);
    top_direct_output("chip.x.sdb", ".sdb", 0);  // opens chip.rpt and prints the banner
    qdx_printf("line %s\n", "two");
    std::string big(200000, 'x');  // longer than any fixed buffer
    qdx_printf("%s\n", big.c_str());
    print_out_str("raw\n");
    qdx_log_printf(0, "report only\n");
    std::string out = testing::internal::GetCapturedStdout();
    top_close_report();
    std::string rpt = read_file(dir.path() / "chip.rpt");
    std::string banner_start = "\n=============== KESTRAND";
    EXPECT_EQ(out.find("before the report 1\n"), 0u);
    EXPECT_EQ(rpt.find(banner_start), 0u);
    std::string tail = "line two\n" + big + "\nraw\n";
    EXPECT_NE(out.find(tail), std::string::npos);
    EXPECT_EQ(out.find("report only"), std::string::npos);
    EXPECT_EQ(rpt.substr(rpt.size() - tail.size() - 12), tail + "report only\n");
}

TEST_F(Frame, ReportPathRules) {
    TempDir dir;
    ChangeDir cd(dir.path());
    std::filesystem::create_directory("out");
    testing::internal::CaptureStdout();
    top_set_w_directory("out");
    top_direct_output("chip.sdb", ".sdb", 0);
    top_close_report();
    top_set_w_directory(nullptr);
    top_direct_output("a.b", ".sdb", 1);  // extension not at the end: kept
    // With a report already open and append set, nothing happens at all.
    top_direct_output("other", ".sdb", 1);
    top_close_report();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::filesystem::exists("out/chip.rpt"));
    EXPECT_TRUE(std::filesystem::exists("a.b.rpt"));
    EXPECT_FALSE(std::filesystem::exists("other.rpt"));
}

TEST_F(Frame, ArgumentEditing) {
    std::vector<std::string> store = {"prog", "-x", "chip", "-x", "-o"};
    std::vector<char*> argv;
    for (auto& s : store) argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = 5;
    EXPECT_EQ(just_check_arg(&argc, argv.data(), "-x"), 1);
    EXPECT_EQ(argc, 5);
    EXPECT_EQ(check_arg(&argc, argv.data(), "-x"), 1);  // only the first
    EXPECT_EQ(argc, 4);
    EXPECT_EQ(last_argc_pos, 1);
    EXPECT_STREQ(argv[1], "chip");
    EXPECT_STREQ(argv[2], "-x");
    EXPECT_EQ(check_arg(&argc, argv.data(), "-y"), 0);
    EXPECT_EQ(check_arg(&argc, argv.data(), "prog"), 0);  // argv[0] is never examined
}

TEST_F(Frame, OutputOption) {
    TempDir dir;
    ChangeDir cd(dir.path());
    std::vector<std::string> store = {"prog", "-o", "rep.rpt", "chip"};
    std::vector<char*> argv;
    for (auto& s : store) argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = 4;
    parse_output(&argc, argv.data());
    EXPECT_EQ(argc, 2);
    EXPECT_EQ(outfile_name, "rep");
    EXPECT_NE(fd, nullptr);
    top_close_report();
    EXPECT_TRUE(std::filesystem::exists("rep.rpt"));
}

// Death tests see standard error only: the frame prints its errors on
// standard output, so the dying child sends that to standard error.
void stdout_to_stderr() {
    std::fflush(stdout);
    dup2(2, 1);
}

TEST(FrameDeath, OutputOptionErrors) {
    struct {
        std::vector<std::string> args;
        const char* want;
    } cases[] = {
        {{"prog", "-o", "-x"}, "There should be an argument after option \"-o\". Please check"},
        {{"prog", "-o", "+x"}, "There should be an argument after option \"-o\". Please check"},
        {{"prog", "-o"}, "There should be an argument after option \"-o\". Please check"},
        {{"prog", "-o", ""}, "Missing output report filename!"},
    };
    for (auto& c : cases) {
        EXPECT_EXIT(
            {
                stdout_to_stderr();
                std::vector<char*> argv;
                for (auto& s : c.args) argv.push_back(s.data());
                argv.push_back(nullptr);
                int argc = static_cast<int>(c.args.size());
                parse_output(&argc, argv.data());
            },
            ::testing::ExitedWithCode(255), c.want);
    }
}

TEST(FrameDeath, UnopenableReportIsFatal) {
    TempDir dir;
    std::string missing = (dir.path() / "no" / "such").string();
    EXPECT_EXIT(
        {
            stdout_to_stderr();
            top_print_prog_name_and_version_num("kestrand", KEST_VERSION);
            top_direct_output(missing.c_str(), ".sdb", 0);
        },
        ::testing::ExitedWithCode(255), "\n\nCan not open output report filename '.*/no/such.rpt'!\n\n");
}

// A report that the disk can't take (a file size limit): the old report
// stays as it was, the close says why on the screen, and the run that
// would have ended with 0 ends with -1.  A report written whole replaces
// the old one.
TEST(FrameReport, FailedWriteKeepsTheOldReport) {
    TempDir dir;
    const std::string old_report = std::string(872, 'o');
    std::ofstream(dir.path() / "chip.rpt") << old_report;
    for (const size_t size : {size_t{100000}, size_t{100}}) {
        SCOPED_TRACE(size);
        const bool fits = size < 50000;
        const auto r = testsupport::run_child([&] {
            ChangeDir cd(dir.path());
            testsupport::FileSizeLimit limit(50000);
            top_print_prog_name_and_version_num("tallowmere", KEST_VERSION);
            ASSERT_TRUE(top_open_report("chip.rpt", "w"));
            qdx_log_printf(0, "%s\n", std::string(size, 'r').c_str());  // the report only
            qdx_exit(0);
        });
        EXPECT_EQ(r.status, fits ? 0 : 255);
        const std::string message = "\nERROR: can't write report file 'chip.rpt': File too large.\n\n";
        EXPECT_EQ(r.out.find(message) != std::string::npos, !fits) << r.out;
        EXPECT_EQ(read_file(dir.path() / "chip.rpt"), fits ? std::string(size, 'r') + "\n" : old_report);
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
        EXPECT_EQ(names, std::vector<std::string>{"chip.rpt"}) << "a temporary stayed";
    }
}

struct FaultCase {
    const char* name;
    void (*fault)();
    bool memory;  // memory that ran out, else a crash
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FrameFault : public ::testing::TestWithParam<FaultCase> {};

// A crash or an allocation that fails ends the run with -1: a crash says
// so on the screen and in the report, memory that ran out says so on
// standard error.  The report keeps its name with what it holds; the
// run's temporary files go.
TEST_P(FrameFault, EndsTheRunWithItsMessage) {
    const FaultCase& c = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (std::string(c.name) == "failed_new")
        GTEST_SKIP() << "AddressSanitizer's operator new reports a failed allocation itself, without the new handler";
#endif
    TempDir dir;
    const std::string temp = dir.write(".chip.v.tmp.abcdef", "half");
    const auto r = testsupport::run_child([&] {
        top_print_prog_name_and_version_num("kestrand", KEST_VERSION);
        ASSERT_TRUE(top_open_report((dir.path() / "chip.kest.rpt").string(), "w"));
        qdx_printf("working\n");
        RT_remove_at_end(temp);
        top_install_fault_handlers();
        c.fault();
    });
    const std::string crash = "\nInternal Error:\n    Please call QUENDAL (555) 013-2794 \n\n";
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, c.memory ? "working\n" : "working\n" + crash);
    EXPECT_EQ(r.err, c.memory ? "No memory available.\n" : "");
    EXPECT_EQ(read_file(dir.path() / "chip.kest.rpt"), r.out);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"chip.kest.rpt"}) << "a temporary stayed";
}

// More than any allocation can have, known only at run time.
volatile size_t too_much = size_t{1} << 62;

// Lets what fn throws escape to std::terminate, as an exception that no
// one catches does (the test's own frame would catch it).
void uncaught(void (*fn)()) noexcept { fn(); }

// Recurses until the stack runs out (the depth is never met; it only
// keeps the compiler from seeing an endless recursion), each level with a
// frame of its own that the optimizer cannot drop.
volatile long never_this_deep = -1;
long deeper(long depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (depth == never_this_deep) return frame[0];
    return deeper(depth + 1) + frame[0];
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FrameFault,
    ::testing::Values(FaultCase{"segv", [] { raise(SIGSEGV); }, false},
                      FaultCase{"stack_overflow", [] { never_this_deep = deeper(0); }, false},
                      FaultCase{"uncaught_exception", [] { uncaught([] { throw std::runtime_error("lost"); }); }, false},
                      FaultCase{"failed_new",
                                [] {
                                    void* volatile p = ::operator new(too_much);
                                    ::operator delete(p);
                                },
                                true},
                      FaultCase{"uncaught_bad_alloc", [] { uncaught([] { throw std::bad_alloc(); }); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A forked piece of the run that crashes says so on the screen and ends
// alone; the report stays the run's, which goes on and ends as it would.
TEST(FrameFault, CrashOfAForkedPieceLeavesTheReportToTheRun) {
    TempDir dir;
    const auto r = testsupport::run_child([&] {
        top_print_prog_name_and_version_num("kestrand", KEST_VERSION);
        ASSERT_TRUE(top_open_report((dir.path() / "chip.kest.rpt").string(), "w"));
        top_install_fault_handlers();
        qdx_printf("read back: %d\n", RT_run_forked([] {
                       raise(SIGSEGV);
                       return 0;
                   }));
        qdx_exit(0);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nInternal Error:\n    Please call QUENDAL (555) 013-2794 \n\nread back: 255\n");
    EXPECT_EQ(read_file(dir.path() / "chip.kest.rpt"), "read back: 255\n");
}

struct SizeCase {
    long kb;
    const char* want;
};

TEST(SysInfo, SizeTexts) {
    const SizeCase cases[] = {{2048 * 4, "8192K"}, {3000 * 4, "12M"}, {9999, "9999K"},
                              {10000, "10M"},      {10240 * 1024, "10G"}, {0, "0K"}};
    for (const auto& c : cases) EXPECT_STREQ(format_k(c.kb), c.want) << c.kb;
    // Eight results stay valid at once.
    const char* first = format_k(1);
    for (int i = 0; i < 7; ++i) format_k(2);
    EXPECT_STREQ(first, "1K");
}

TEST(SysInfo, CpuTimeText) {
    EXPECT_STREQ(format_cpu_time(3600 + 2 * 60 + 5), "1:02:05");
    EXPECT_STREQ(format_cpu_time(59), "0:00:59");
}

TEST(SysInfo, ShortRunStillReportsAPeak) {
    SYSINFO_reset_globals();
    ASSERT_EQ(uti_prepare_system_info(), 0);
    FILE* s = std::tmpfile();
    testing::internal::CaptureStdout();
    long peak = uti_report_system_info(s, 1);
    std::string out = testing::internal::GetCapturedStdout();
    SYSINFO_reset_globals();
    EXPECT_GT(peak, 0);
    EXPECT_EQ(out.rfind("\n[System Info]  - Peak Memory Usage .......... ", 0), 0u) << out;
    EXPECT_NE(out.find("[System Info]  - CPU Time Elapsed ........ 0:00:0"), std::string::npos) << out;
    std::fflush(s);
    std::rewind(s);
    char buf[512] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, s);
    std::fclose(s);
    EXPECT_EQ(std::string(buf, n), "\n" + out);
}

TEST(SysInfo, DateForms) {
    std::time_t t = 1151730000;  // a fixed moment in mid-2006
    std::tm tm{};
    localtime_r(&t, &tm);
    std::string f0 = ascdate(t, 0);
    char want[64];
    std::snprintf(want, sizeof want, "%02d-%02d-%02d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    EXPECT_EQ(f0, want);
    EXPECT_EQ(f0.substr(6, 3), "106");
    EXPECT_EQ(std::string(ascdate(t, 3)).size(), 24u);
    EXPECT_STREQ(ascdate(t, 9), "");
}

}  // namespace
