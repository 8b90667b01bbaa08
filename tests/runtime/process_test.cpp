#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "runtime/exit.h"
#include "runtime/process.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::read_file;
using testsupport::TempDir;
namespace fs = std::filesystem;

TEST(Process, RunSendsOutputToTheLogAndGivesTheStatus) {
    TempDir dir;
    std::string log = (dir.path() / "tool.log").string();
    // A name with blanks and a semicolon is one argument, never shell text.
    EXPECT_EQ(RT_run({"sh", "-c", "echo \"$0\"; echo err >&2; exit 3", "a b;rm -rf x"}, log), 3);
    EXPECT_EQ(read_file(log), "a b;rm -rf x\nerr\n");
    EXPECT_EQ(RT_run({"true"}, log, true), 0);
    EXPECT_EQ(read_file(log), "a b;rm -rf x\nerr\n");
    EXPECT_EQ(RT_run({"/no/such/program"}, log), -1);
    EXPECT_EQ(RT_run({"sh", "-c", "kill -9 $$"}, ""), -1);
}

// A program that cannot be started leaves the reason in its log and
// hands it to the caller.
TEST(Process, StartFailureIsLogged) {
    TempDir dir;
    const std::string log = (dir.path() / "tool.log").string();
    std::string why = "stale";
    EXPECT_EQ(RT_run({"true"}, log, false, &why), 0);
    EXPECT_EQ(why, "");
    {
        testsupport::ScopedEnv path("PATH", dir.str().c_str());
        dir.write("plain", "#!/bin/sh\nexit 0\n");  // not executable
        EXPECT_EQ(RT_run({"plain"}, log, false, &why), -1);
        EXPECT_EQ(why, "plain: cannot be started: Permission denied (searched along PATH=" + dir.str() + ")\n");
        EXPECT_EQ(read_file(log), why);
        EXPECT_EQ(RT_run({"absent"}, log, true), -1);
        EXPECT_EQ(read_file(log),
                  why + "absent: cannot be started: No such file or directory (searched along PATH=" + dir.str() + ")\n");
    }
    // A name with a directory is not searched for.
    EXPECT_EQ(RT_run({"/no/such/program"}, log, false, &why), -1);
    EXPECT_EQ(why, "/no/such/program: cannot be started: No such file or directory\n");
    EXPECT_EQ(read_file(log), why);
}

TEST(Process, AtomicFileReplacesOnlyOnCommit) {
    TempDir dir;
    std::string target = dir.write("out.txt", "old\n");
    {
        AtomicFile f(target);
        ASSERT_TRUE(f.open());
        std::fputs("half", f.stream());
        // destroyed without commit: the target is untouched
    }
    EXPECT_EQ(read_file(target), "old\n");
    {
        AtomicFile f(target);
        ASSERT_TRUE(f.open());
        std::fputs("new\n", f.stream());
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(read_file(target), "new\n");
    // No temporary files are left behind.
    int n = 0;
    for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++n;
    EXPECT_EQ(n, 1);
    AtomicFile bad((dir.path() / "missing" / "x").string());
    EXPECT_FALSE(bad.open());
}

struct CrashCase {
    const char* name;
    void (*crash)();
};
void PrintTo(const CrashCase& c, std::ostream* os) { *os << c.name; }

class Crash : public ::testing::TestWithParam<CrashCase> {};

// Every crash signal prints the text and ends the run with 255, taking
// the run's temporary files with it.
TEST_P(Crash, PrintsRemovesTheRunsFilesAndEnds) {
    TempDir dir;
    const std::string temp = dir.write(".chip.bso.tmp.abcdef", "half");
    const auto r = testsupport::run_child([&] {
        RT_remove_at_end(temp);
        RT_install_crash_handler("\nInternal Error:\n");
        GetParam().crash();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "\nInternal Error:\n");
    EXPECT_FALSE(fs::exists(temp));
}

INSTANTIATE_TEST_SUITE_P(Signals, Crash,
                         ::testing::Values(CrashCase{"segv", [] { raise(SIGSEGV); }},
                                           CrashCase{"fpe", [] { raise(SIGFPE); }},
                                           CrashCase{"bus", [] { raise(SIGBUS); }},
                                           CrashCase{"abort", [] { std::abort(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// The pid of a child of parent, waited for up to a few seconds (-1 when
// none shows).
pid_t child_of(pid_t parent) {
    for (int tries = 0; tries < 5000; ++tries) {
        std::error_code ec;
        for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string pid = it->path().filename().string();
            if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string stat = read_file(it->path() / "stat");
            const size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            int ppid = 0;
            char state = 0;
            if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent)
                return static_cast<pid_t>(std::stol(pid));
        }
        usleep(1000);
    }
    return -1;
}

// A kill that arrives while a tool is being started ends the tool: the
// child is known before the kill is taken.  The tool's start waits at the
// open of its log, a FIFO, until the kill has been sent.
TEST(Process, KillWhileAToolStartsEndsTheTool) {
    TempDir dir;
    const std::string fifo = (dir.path() / "tool.log").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t run = fork();
    if (run == 0) {
        RT_install_kill_cleanup();
        RT_run({"sleep", "30"}, fifo);
        _exit(0);
    }
    const pid_t tool = child_of(run);
    ASSERT_GT(tool, 0);
    ::kill(run, SIGTERM);
    const int reader = ::open(fifo.c_str(), O_RDONLY);  // lets the start go on
    int st = 0;
    waitpid(run, &st, 0);
    if (reader >= 0) ::close(reader);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st;
    const bool tool_left = ::kill(tool, 0) == 0;
    if (tool_left) ::kill(tool, SIGKILL);
    EXPECT_FALSE(tool_left) << "the tool outlived the run that started it";
}

// A log begun anew stays the run's after the tool has ended: a kill
// before the caller has removed it takes it, and one that the caller
// keeps (an error exit) stays.
TEST(Process, KillAfterAToolEndedTakesItsLog) {
    TempDir dir;
    const std::string log = (dir.path() / "tool.log").string(), kept = (dir.path() / "kept.log").string();
    const pid_t run = fork();
    if (run == 0) {
        RT_install_kill_cleanup();
        if (RT_run({"true"}, log) != 0 || RT_run({"true"}, kept) != 0) _exit(1);
        RT_forget(kept);
        ::raise(SIGTERM);
        _exit(2);
    }
    int st = 0;
    waitpid(run, &st, 0);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st;
    EXPECT_FALSE(fs::exists(log));
    EXPECT_TRUE(fs::exists(kept));
    const auto r = testsupport::run_child([&] {
        RT_install_kill_cleanup();
        RT_run({"false"}, log);
        qdx_exit(-1);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(fs::exists(log));
}

// A run ignores SIGPIPE and SIGXFSZ, so that a write that the system
// would end it for fails instead; the programs it starts get both back at
// their default actions, as a shell starts them.
TEST(Process, ProgramsStartWithTheWriteSignalsAtTheirDefaults) {
    TempDir dir;
    const std::string log = (dir.path() / "signals.log").string();
    const auto r = testsupport::run_child([&] {
        RT_install_kill_cleanup();
        for (int s : {SIGPIPE, SIGXFSZ}) {
            struct sigaction now{};
            if (::sigaction(s, nullptr, &now) != 0 || now.sa_handler != SIG_IGN) qdx_exit(3);
        }
        qdx_exit(RT_run({"grep", "^SigIgn:", "/proc/self/status"}, log));
    });
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string line = read_file(log);
    ASSERT_EQ(line.rfind("SigIgn:", 0), 0u) << line;
    const unsigned long long ignored = std::stoull(line.substr(7), nullptr, 16);
    for (int s : {SIGPIPE, SIGXFSZ}) EXPECT_EQ(ignored & (1ULL << (s - 1)), 0u) << "signal " << s << " ignored";
}

// A piece of the run in a forked child gives its status, also when it
// ends through qdx_exit, and leaves the run's files and exit hooks to the
// parent.
TEST(Process, ForkedPieceEndsAloneWithItsStatus) {
    TempDir dir;
    const std::string temp = dir.write(".chip.bso.tmp.abcdef", "half");
    static int hooks_run;
    hooks_run = 0;
    const auto r = testsupport::run_child([&] {
        RT_remove_at_end(temp);
        RT_add_exit_hook([](int&) { ++hooks_run; });
        const int returned = RT_run_forked([] { return 3; });
        const int exited = RT_run_forked([]() -> int { qdx_exit(4); });
        std::printf("%d %d %d %d", returned, exited, hooks_run, fs::exists(temp) ? 1 : 0);
        std::fflush(stdout);
        _exit(0);
    });
    EXPECT_EQ(r.out, "3 4 0 1");
    EXPECT_TRUE(fs::exists(temp));
}

}  // namespace
