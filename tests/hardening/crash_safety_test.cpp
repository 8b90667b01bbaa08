// Runs killed with SIGKILL at many moments: kestrand, tallowmere and the
// stand-in tools must leave every output absent or complete (as an
// uninterrupted run writes it), their inputs as they were, and nothing
// that a later run would pick up: a run after the killed one writes the
// same outputs as an uninterrupted run and leaves nothing else (the killed
// run's temporary files, working copies and logs go with it).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::TempDir;
using Files = std::map<std::string, std::string>;  // relative path: contents
using Clock = std::chrono::steady_clock;

// A text file without the moment of its run: dates and the run's time
// and memory lines.
std::string without_times(std::string text) {
    if (text.find('\0') != std::string::npos) return text;
    static const std::regex date(R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9:]{8} [0-9]{4})");
    static const std::regex usage(R"([^\n]*(System Info|Elapsed|Peak Memory)[^\n]*)");
    return std::regex_replace(std::regex_replace(text, date, "<date>"), usage, "<usage>");
}

// Every regular file below dir, contents without times.
Files snapshot(const fs::path& dir) {
    Files f;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file() || e.is_symlink()) continue;
        f[fs::relative(e.path(), dir).string()] = without_times(testsupport::read_file(e.path()));
    }
    return f;
}

// The names of the files that differ between a and b.
std::string differences(const Files& a, const Files& b) {
    std::string out;
    for (const auto& [name, text] : a) {
        auto it = b.find(name);
        if (it == b.end()) out += " only-first:" + name;
        else if (it->second != text) out += " differs:" + name;
    }
    for (const auto& [name, text] : b)
        if (!a.count(name)) out += " only-second:" + name;
    return out;
}

void restore(const fs::path& dir, const Files& files) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
    for (const auto& [name, text] : files) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << text;
    }
}

// Runs argv in dir in a process group of its own; with kill_after set,
// the whole group is killed with SIGKILL then.  Returns the wait status.
int run_group(const std::vector<std::string>& argv, const fs::path& dir, const Clock::duration* kill_after) {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args = testsupport::exec_args(argv);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &fa, &attr, args.data(), environ);
    fs::current_path(old);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return -1;
    if (kill_after) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(*kill_after).count();
        timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        while (nanosleep(&ts, &ts) != 0) {
        }
        ::kill(-pid, SIGKILL);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    if (kill_after) {
        // Tools the run started may still be going down.
        ::kill(-pid, SIGKILL);
        timespec settle{0, 20 * 1000 * 1000};
        nanosleep(&settle, nullptr);
    }
    return st;
}

struct Step {
    const char* name;
    std::vector<std::string> argv;
};

// The state of dir after a run killed at some moment, against the state
// before the run and after an uninterrupted one.
void expect_all_or_nothing(const Files& before, const Files& done, const Files& after, const std::string& where) {
    for (const auto& [name, text] : after) {
        auto d = done.find(name);
        auto b = before.find(name);
        // A temporary file, or a file of the run's own that an ended run
        // removes (the logs of the tools it runs, the design the editor
        // wrote before its expansion): the run that follows must find
        // nothing of it (checked there).
        if (d == done.end() && b == before.end()) continue;
        const bool complete = d != done.end() && d->second == text;
        const bool untouched = b != before.end() && b->second == text;
        EXPECT_TRUE(complete || untouched) << where << ": " << name << " is incomplete or damaged";
    }
    for (const auto& [name, text] : before) {
        auto d = done.find(name);
        if (d == done.end() || d->second != text) continue;  // replaced or removed by the run
        auto a = after.find(name);
        EXPECT_TRUE(a != after.end() && a->second == text) << where << ": input " << name << " was damaged";
    }
}

class CrashSafety : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
            GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    }

    // Runs the step uninterrupted from `before`, then killed at `kills`
    // moments spread over its time, each followed by a run to the end.
    void check(const Step& step, const Files& before, int kills) {
        TempDir work;
        restore(work.path(), before);
        const auto t0 = Clock::now();
        ASSERT_EQ(run_group(step.argv, work.path(), nullptr), 0) << step.name << " fails uninterrupted";
        const auto took = Clock::now() - t0;
        const Files done = snapshot(work.path());
        // Outputs that differ from run to run (none expected) would show here.
        restore(work.path(), before);
        ASSERT_EQ(run_group(step.argv, work.path(), nullptr), 0);
        ASSERT_EQ(differences(snapshot(work.path()), done), "") << step.name << " writes other outputs on a second run";

        for (int k = 0; k < kills; ++k) {
            const std::string where = std::string(step.name) + " killed at " + std::to_string(k + 1) + "/" +
                                      std::to_string(kills + 1) + " of its time";
            restore(work.path(), before);
            const Clock::duration at = took * (k + 1) / (kills + 1);
            run_group(step.argv, work.path(), &at);
            expect_all_or_nothing(before, done, snapshot(work.path()), where);
            // A later run finds nothing of the killed one, and leaves
            // nothing of it: the killed run's temporary files, working
            // copies and logs are gone.
            ASSERT_EQ(run_group(step.argv, work.path(), nullptr), 0) << where << ": the next run fails";
            EXPECT_EQ(differences(snapshot(work.path()), done), "") << where << ": the next run writes other outputs";
        }
    }
};

TEST_F(CrashSafety, KilledRunsLeaveOutputsWholeOrAbsent) {
    testsupport::ToolPath env;
    TempDir src;
    testsupport::copy_fixture_chip(src.path());
    const Files fixture = snapshot(src.path());
    const std::string tools = testsupport::tools_dir();

    // The stand-ins: the compile of the cells and modules, then the
    // expansion of the chip.
    check({"tessick", {tools + "/tessick", "-lib", "cells.v", "chip.v"}}, fixture, 5);
    ASSERT_TRUE(testsupport::compile_chip_in(src.path()));
    const Files compiled = snapshot(src.path());
    // kestrand: the insertion, plovert, quarnel and drumway.
    check({"kestrand", {built_program("bin/kestrand"), "chip"}}, compiled, 8);
    ASSERT_EQ(testsupport::run_kestrand(src.path()).status, 0);
    const Files edited = snapshot(src.path());
    check({"tallowmere",
           {built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"}},
          edited, 5);
}

// ------------------------------------------------------ joint saves

// A save of several files that a crash signal cuts short between its
// renames: the crash road puts the old file back under every name that
// had taken its new file before it removes the temporary files, as a
// kill's does, so that the files are all old; no second name is left.
// A library preloaded into kestrand raises the signal right after the
// second file of the save took its name.
struct JointSave {
    const char* name;
    std::vector<std::string> options;  // of kestrand, after the design
    std::string input;                 // answers to the menus
    std::vector<std::string> files;    // the files of the save, in their order
    bool compiled;                     // the chip is compiled first
};
struct JointCrash {
    JointSave save;
    int signal;
};
void PrintTo(const JointCrash& c, std::ostream* os) { *os << c.save.name << " " << c.signal; }

class CrashDuringJointSave : public ::testing::TestWithParam<JointCrash> {};

TEST_P(CrashDuringJointSave, PutsEveryOldFileBack) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const std::string preload = built_program("tests/crash_at_rename.so");
    if (!fs::exists(preload)) GTEST_SKIP() << "the crash library is not built";
    const JointCrash& c = GetParam();
    testsupport::ToolPath env;
    TempDir dir;
    if (c.save.compiled)
        ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    else
        testsupport::copy_fixture_chip(dir.path());
    // Old files that no save writes: a mixed set shows.
    for (const std::string& f : c.save.files)
        if (!fs::exists(dir.path() / f)) std::ofstream(dir.path() / f) << "old " << f << "\n";
    const Files before = snapshot(dir.path());
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asan_options = (asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0";
    const std::string signal = std::to_string(c.signal);
    testsupport::ScopedEnv loaded("LD_PRELOAD", preload.c_str()), crash_at("KEST_CRASH_AFTER_RENAME_TO", c.save.files[1].c_str()),
        crash_with("KEST_CRASH_SIGNAL", signal.c_str()), sanitizer("ASAN_OPTIONS", asan_options.c_str());
    std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
    argv.insert(argv.end(), c.save.options.begin(), c.save.options.end());
    const testsupport::RunResult r = testsupport::run(argv, dir.path(), &c.save.input);
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("Internal Error:"), std::string::npos) << r.out;
    const Files after = snapshot(dir.path());
    for (const std::string& f : c.save.files) {
        ASSERT_TRUE(after.count(f)) << f;
        EXPECT_EQ(after.at(f), before.at(f)) << f << " is not its old self";
    }
    for (const auto& [name, text] : after)
        EXPECT_NE(fs::path(name).filename().string()[0], '.') << name << " was left";
}

const JointSave kMenuEditor{"MenuEditor", {"-guideline"}, "1\n5\nrst_n\n6\n9\n", {"chip.bsc", "chip.lib", "chip.pin"}, false};
const JointSave kTapScripts{"TapScripts", {"-add_tap_only"}, "", {"chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl"}, true};

INSTANTIATE_TEST_SUITE_P(Saves, CrashDuringJointSave,
                         ::testing::Values(JointCrash{kMenuEditor, SIGSEGV}, JointCrash{kMenuEditor, SIGABRT},
                                           JointCrash{kTapScripts, SIGSEGV}, JointCrash{kTapScripts, SIGABRT}),
                         [](const auto& info) {
                             return std::string(info.param.save.name) + (info.param.signal == SIGSEGV ? "SIGSEGV" : "SIGABRT");
                         });

}  // namespace
