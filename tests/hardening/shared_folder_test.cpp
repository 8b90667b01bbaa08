// Runs that would write over what is not theirs: a second run in a folder
// that a run is working in, an output that is a file the run reads (a pin
// file named like an output, or linked to one), an output folder that
// can't be written.  Each is refused before the run writes anything, and
// a folder whose run was killed is free for the next one.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/run_lock.h"
#include "support/fixture_chip.h"
#include "support/param_name.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::folder_changes;
using testsupport::folder_files;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::TempDir;

const char* const kLockFile = "./bscan_lib/.kestrand.lock";

std::string held_message(long pid) {
    return "\nERROR: another run works in the current folder: process " + std::to_string(pid) +
           " holds the lock file './bscan_lib/.kestrand.lock'.\n\n";
}

// A program started in dir and left running; its standard input is
// empty, its output goes to a file.
class Background {
public:
    Background(const std::vector<std::string>& argv, const fs::path& dir) {
        const std::string out = (streams_.path() / "out").string();
        std::vector<char*> args = testsupport::exec_args(argv);
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const int in = ::open("/dev/null", O_RDONLY), to = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
            if (::chdir(dir.c_str()) != 0 || in < 0 || to < 0) _exit(126);
            ::dup2(in, 0);
            ::dup2(to, 1);
            ::dup2(to, 2);
            ::execv(args[0], args.data());
            _exit(127);
        }
    }
    pid_t pid() const { return pid_; }
    // Its exit status (-1 when it did not exit).
    int end() {
        int st = 0;
        waitpid(pid_, &st, 0);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // True once it has ended (it is then waited for by end()).
    bool ended() const {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
    }
    std::string out() const { return read_file(streams_.path() / "out"); }

private:
    TempDir streams_;
    pid_t pid_ = -1;
};

class SharedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
            GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    }
};

// ------------------------------------------------------- the folder lock

// Every road of kestrand writes into the current folder: each finds the
// lock that another run holds and ends before it writes anything.  The
// holder here is the test itself, with or without its process id in the
// lock file.
struct HeldCase {
    std::vector<std::string> options;
    bool pid_written;
};
void PrintTo(const HeldCase& c, std::ostream* os) {
    *os << "kestrand chip";
    for (const std::string& o : c.options) *os << " " << o;
    *os << (c.pid_written ? " (holder's pid written)" : " (no pid yet)");
}

class HeldFolder : public SharedFolder, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldFolder, RefusesTheRunBeforeItWritesAnything) {
    const HeldCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    fs::create_directory(dir.path() / "bscan_lib");
    fs::create_directory(dir.path() / "out");
    const int lock = ::open((dir.path() / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (c.pid_written) {
        ASSERT_EQ(::write(lock, pid.data(), pid.size()), static_cast<ssize_t>(pid.size()));
    }
    const auto before = folder_files(dir.path());

    const RunResult r = testsupport::run_kestrand(dir.path(), c.options);
    ::close(lock);

    EXPECT_EQ(r.status, 255) << r.out;
    const std::string message = c.pid_written ? held_message(::getpid())
                                              : "\nERROR: another run works in the current folder: it holds the lock "
                                                "file './bscan_lib/.kestrand.lock'.\n\n";
    EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
    EXPECT_EQ(folder_changes(before, folder_files(dir.path())), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Roads, HeldFolder,
                         ::testing::Values(HeldCase{{}, true}, HeldCase{{"-opath", "out"}, true},
                                           HeldCase{{"-add_tap_only"}, true}, HeldCase{{"-add_bcm"}, true},
                                           HeldCase{{"-guideline"}, true}, HeldCase{{}, false}),
                         [](const auto& info) {
                             std::string name = "chip";
                             for (const std::string& o : info.param.options) name += " " + o;
                             return testsupport::param_name(name + (info.param.pid_written ? "" : " NoPid"));
                         });

// Two real runs: the first holds the folder while its plovert (a stand-in
// that waits to be let go) runs; a second run of another configuration
// into another -opath folder is refused, naming the first; the first
// then ends with its own outputs.
TEST_F(SharedFolder, SecondRunWhileTheFirstWorksIsRefused) {
    TempDir dir, bin;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    fs::create_directory(dir.path() / "b");
    const fs::path started = bin.path() / "started", go = bin.path() / "go";
    std::ofstream(bin.path() / "plovert") << "#!/bin/sh\n"
                                          << "touch '" << started.string() << "'\n"
                                          << "while [ ! -e '" << go.string() << "' ]; do sleep 0.02; done\n"
                                          << "exec '" << built_program("tools/plovert") << "' \"$@\"\n";
    fs::permissions(bin.path() / "plovert", fs::perms::owner_all);
    testsupport::ToolPath env(bin.str());
    Background first({built_program("bin/kestrand"), "chip"}, dir.path());
    while (!fs::exists(started) && !first.ended()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(started)) << first.out();

    const RunResult second = testsupport::run({built_program("bin/kestrand"), "chip", "-opath", "b"}, dir.path());
    std::ofstream(go.string()) << "";
    const int first_status = first.end();

    EXPECT_EQ(second.status, 255) << second.out;
    EXPECT_NE(second.out.find(held_message(first.pid())), std::string::npos) << second.out;
    EXPECT_EQ(first_status, 0) << first.out();
    EXPECT_TRUE(fs::exists(dir.path() / "chip_jtag.v"));
    EXPECT_TRUE(fs::is_empty(dir.path() / "b"));
    EXPECT_FALSE(fs::exists(dir.path() / kLockFile));
}

// Takes the folder's lock in dir as a run does (making ./bscan_lib when
// it is missing) in a child that then dies of SIGKILL; with `tool`, the
// child first starts a program that inherits the lock and runs on (as a
// netlist tool does), whose process id is returned.  The child's process
// id goes into *killed.
pid_t killed_run_holding(const fs::path& dir, pid_t* killed, bool tool) {
    const fs::path tool_pid = dir / "tool.pid";
    std::fflush(nullptr);
    *killed = fork();
    if (*killed == 0) {
        long holder = 0;
        std::string why;
        if (::chdir(dir.c_str()) != 0 || RT_lock_folder(kLockFile, &holder, &why) != RtLock::Taken) _exit(1);
        if (tool) {
            const pid_t sleeper = fork();
            if (sleeper == 0) {
                ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
                _exit(127);
            }
            std::ofstream(tool_pid) << sleeper;
        }
        ::raise(SIGKILL);
    }
    int st = 0;
    waitpid(*killed, &st, 0);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) << st;
    EXPECT_EQ(read_file(dir / kLockFile), std::to_string(*killed) + "\n");
    if (!tool) return 0;
    const pid_t sleeper = static_cast<pid_t>(std::stol(read_file(tool_pid)));
    fs::remove(tool_pid);
    return sleeper;
}

// The lock file of a run killed with SIGKILL stays, holding a process id,
// but no lock: the next run takes it over, and removes it at its end; with
// the folder the killed run made for it when the next run leaves nothing
// else there (-add_tap_only), as a run in a clean folder does.
TEST_F(SharedFolder, LockFileOfAKilledRunDoesNotBlock) {
    for (const bool tap_only : {false, true}) {
        SCOPED_TRACE(tap_only ? "-add_tap_only" : "chip");
        TempDir dir;
        ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
        pid_t killed = 0;
        killed_run_holding(dir.path(), &killed, false);
        if (HasFailure()) return;
        const RunResult r = testsupport::run_kestrand(dir.path(), tap_only ? std::vector<std::string>{"-add_tap_only"}
                                                                             : std::vector<std::string>{});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_FALSE(fs::exists(dir.path() / kLockFile));
        EXPECT_EQ(fs::exists(dir.path() / "bscan_lib"), !tap_only);
    }
}

// A run killed with SIGKILL while a netlist tool that it started runs on:
// the tool holds the lock, and the next run is refused, naming the killed
// run and saying that a tool it started holds the folder.
TEST_F(SharedFolder, ToolOfAKilledRunHoldsTheFolder) {
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    pid_t killed = 0;
    const pid_t tool = killed_run_holding(dir.path(), &killed, true);
    if (HasFailure()) return;
    const auto before = folder_files(dir.path());
    const RunResult r = testsupport::run_kestrand(dir.path());
    ::kill(tool, SIGKILL);
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find("\nERROR: another run works in the current folder: process " + std::to_string(killed) +
                         " has ended, but a tool that it started holds the lock file './bscan_lib/.kestrand.lock'.\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(folder_changes(before, folder_files(dir.path())), std::vector<std::string>{});
}

// A lock file that is no lock file refuses the run, with the reason, and
// what stands under its name is as it was: a folder, a symbolic link, a
// hard link of the pin file (whose text the process id would replace).
struct NoLockCase {
    const char* name;
    std::function<void(const fs::path& dir)> make;  // puts it under the lock file's name
    std::string reason;
};
void PrintTo(const NoLockCase& c, std::ostream* os) { *os << c.name; }

class LockFileRefused : public SharedFolder, public ::testing::WithParamInterface<NoLockCase> {};

TEST_P(LockFileRefused, RefusesTheRunAndLeavesIt) {
    const NoLockCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    fs::create_directory(dir.path() / "bscan_lib");
    c.make(dir.path());
    const std::string pin = read_file(dir.path() / "chip.pin");
    const auto before = folder_files(dir.path());
    const RunResult r = testsupport::run_kestrand(dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("\nERROR: can't lock the current folder with './bscan_lib/.kestrand.lock': " + c.reason +
                         ".\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(folder_changes(before, folder_files(dir.path())), std::vector<std::string>{});
    EXPECT_EQ(read_file(dir.path() / "chip.pin"), pin);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LockFileRefused,
    ::testing::Values(
        NoLockCase{"Folder", [](const fs::path& d) { fs::create_directory(d / kLockFile); }, "Is a directory"},
        NoLockCase{"SymbolicLink", [](const fs::path& d) { fs::create_symlink("../chip.pin", d / kLockFile); },
                   "Too many levels of symbolic links"},
        NoLockCase{"HardLinkOfThePinFile", [](const fs::path& d) { fs::create_hard_link(d / "chip.pin", d / kLockFile); },
                   "it has another name too (a hard link)"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------- outputs that are inputs

// The configuration names a pin file that is an output of the run (by
// its name, or a link to it): the run is refused with both names, and the
// pin file, like every other file but the run's report, is as it was.  tallowmere runs on the
// chip that kestrand edited first.
struct SameFileCase {
    const char* name;
    const char* program;
    std::vector<std::string> options;
    std::string pin;      // the pin file the configuration names
    std::string link_to;  // the pin file links to this file; empty: none
    bool hard_link;
    std::string message;
};
void PrintTo(const SameFileCase& c, std::ostream* os) { *os << c.name; }

class OutputIsInput : public SharedFolder, public ::testing::WithParamInterface<SameFileCase> {};

TEST_P(OutputIsInput, RefusedWithBothNamesAndTheInputKept) {
    const SameFileCase& c = GetParam();
    const bool tallowmere = std::string(c.program) == "tallowmere";
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    if (tallowmere) {
        ASSERT_EQ(testsupport::run_kestrand(dir.path()).status, 0);
    }
    fs::create_directory(dir.path() / "out");
    const fs::path pin = dir.path() / c.pin;
    const fs::path real = c.link_to.empty() ? pin : dir.path() / c.link_to;
    fs::copy_file(dir.path() / "chip.pin", real, fs::copy_options::overwrite_existing);
    if (!c.link_to.empty()) {
        if (c.hard_link)
            fs::create_hard_link(real, pin);
        else
            fs::create_symlink(c.link_to, pin);
    }
    testsupport::apply_patch(dir.path(), {"chip.bsc", "%FILE_NAME chip.pin;", "%FILE_NAME " + c.pin + ";"});
    // The report of a refused run is written, unless it is the pin file.
    const auto before = folder_files(dir.path(), {".rpt"});

    RunResult r;
    if (tallowmere) {
        testsupport::ToolPath env;
        std::vector<std::string> argv = {built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file", "chip"};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        argv.emplace_back("chip_jtag");
        r = testsupport::run(argv, dir.path());
    } else {
        r = testsupport::run_kestrand(dir.path(), c.options);
    }

    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_EQ(folder_changes(before, folder_files(dir.path(), {".rpt"})), std::vector<std::string>{});
    EXPECT_EQ(read_file(real), read_file(dir.path() / "chip.pin"));
    if (!c.link_to.empty() && !c.hard_link) {
        EXPECT_TRUE(fs::is_symlink(pin));
    }
}

std::string replaces(const std::string& output, const std::string& input) {
    return "ERROR: output file '" + output + "' would replace '" + input + "', which the run reads.\n\n";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OutputIsInput,
    ::testing::Values(
        SameFileCase{"KestrandPinListName", "kestrand", {}, "chip.bso", "", false, replaces("chip.bso", "chip.bso")},
        SameFileCase{"KestrandNetlistName", "kestrand", {}, "chip_jtag.v", "", false,
                     replaces("chip_jtag.v", "chip_jtag.v")},
        SameFileCase{"KestrandReportName", "kestrand", {}, "chip.kest.rpt", "", false,
                     replaces("chip.kest.rpt", "chip.kest.rpt")},
        SameFileCase{"KestrandLinkToThePinList", "kestrand", {}, "p.pin", "chip.bso", false,
                     replaces("chip.bso", "p.pin")},
        SameFileCase{"KestrandHardLinkToTheReport", "kestrand", {}, "p.pin", "chip.kest.rpt", true,
                     replaces("chip.kest.rpt", "p.pin")},
        SameFileCase{"KestrandOpathNetlist", "kestrand", {"-opath", "out"}, "out/chip_jtag.v", "", false,
                     replaces("out/chip_jtag.v", "out/chip_jtag.v")},
        SameFileCase{"KestrandAddTapOnlyRtlTap", "kestrand", {"-add_tap_only"}, "chip_TAP.v", "", false,
                     replaces("chip_TAP.v", "chip_TAP.v")},
        // Another refusal comes first: the report, which would be kept,
        // does not take the pin file's place.
        SameFileCase{"KestrandReportAfterAnotherRefusal", "kestrand", {"-add_tap"}, "chip.kest.rpt", "", false,
                     replaces("chip.kest.rpt", "chip.kest.rpt")},
        SameFileCase{"TallowmereBsdlName", "tallowmere", {}, "chip_jtag.bsd", "", false,
                     replaces("./chip_jtag.bsd", "chip_jtag.bsd")},
        SameFileCase{"TallowmereReportName", "tallowmere", {}, "chip_jtag.bsdl.rpt", "", false,
                     replaces("chip_jtag.bsdl.rpt", "chip_jtag.bsdl.rpt")},
        SameFileCase{"TallowmereLinkToTheBsdl", "tallowmere", {}, "p.pin", "chip_jtag.bsd", false,
                     replaces("./chip_jtag.bsd", "p.pin")},
        SameFileCase{"TallowmereSvfName", "tallowmere", {"-scan"}, "chip_jtag.svf", "", false,
                     replaces("./chip_jtag.svf", "chip_jtag.svf")}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------ folders not writable

// A folder that the run writes into and may not write: the -opath folder,
// the current folder (with a writable ./bscan_lib), or ./lib where the
// roads that compile with tessick put its databases.  As root, where
// permissions do not bite, kestrand runs as the user nobody, from copies
// of kestrand and of the netlist tools it runs in a folder that every
// user may enter: the build folder may sit where nobody can't (a clone in
// root's home folder, mode 700).
struct ReadOnlyCase {
    const char* name;
    std::vector<std::string> options;
    std::string read_only;  // the folder made read-only, relative to the work folder
    std::string message;
};
void PrintTo(const ReadOnlyCase& c, std::ostream* os) { *os << c.name; }

class ReadOnlyFolder : public SharedFolder, public ::testing::WithParamInterface<ReadOnlyCase> {};

constexpr uid_t kNobody = 65534;

// kestrand and the netlist tools it runs copied into folder,
// which everyone may enter and whose files everyone may run; returns the
// copy of kestrand.
std::string programs_for_everyone(const fs::path& folder) {
    const auto everyone = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder, everyone);
    for (const char* p : {"bin/kestrand", "tools/tessick", "tools/plovert", "tools/quarnel", "tools/drumway"}) {
        const fs::path copy = folder / fs::path(p).filename();
        fs::copy_file(built_program(p), copy);
        fs::permissions(copy, everyone);
    }
    return (folder / "kestrand").string();
}

TEST_P(ReadOnlyFolder, RefusedBeforeAnyWrite) {
    const ReadOnlyCase& c = GetParam();
    TempDir dir, streams;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    fs::create_directory(dir.path() / "out");
    fs::create_directory(dir.path() / "bscan_lib");
    fs::create_directory(dir.path() / "lib");
    const bool root = ::geteuid() == 0;
    TempDir programs;
    const std::string kestrand = root ? programs_for_everyone(programs.path()) : built_program("bin/kestrand");
    if (root) {
        for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
            ASSERT_EQ(::lchown(e.path().c_str(), kNobody, kNobody), 0) << e.path();
        }
        ASSERT_EQ(::chown(dir.path().c_str(), kNobody, kNobody), 0);
    }
    const fs::path locked = dir.path() / c.read_only;
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const auto before = folder_files(dir.path());

    testsupport::ToolPath env(root ? programs.str() : "");
    const std::string out = (streams.path() / "out").string();
    std::vector<std::string> argv = {kestrand, "chip"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    std::vector<char*> args = testsupport::exec_args(argv);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY), to = ::open(out.c_str(), O_WRONLY | O_CREAT, 0600);
        if (in < 0 || to < 0 || ::chdir(dir.path().c_str()) != 0) _exit(126);
        ::dup2(in, 0);
        ::dup2(to, 1);
        ::dup2(to, 2);
        if (root && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) _exit(125);
        ::execv(args[0], args.data());
        _exit(127);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    fs::permissions(locked, fs::perms::owner_all);
    const std::string said = read_file(out);

    ASSERT_TRUE(WIFEXITED(st)) << st;
    EXPECT_EQ(WEXITSTATUS(st), 255) << said;
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
    EXPECT_EQ(folder_changes(before, folder_files(dir.path())), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_empty(dir.path() / "bscan_lib"));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ReadOnlyFolder,
    ::testing::Values(ReadOnlyCase{"Opath", {"-opath", "out"}, "out", "\nERROR: out, write permission denied.\n\n"},
                      ReadOnlyCase{"CurrentFolder", {}, ".", "\nERROR: ., write permission denied.\n\n"},
                      ReadOnlyCase{"LibFolderOfTheTap", {"-add_tap_only"}, "lib", "\nERROR: lib, write permission denied.\n\n"},
                      ReadOnlyCase{"LibFolderOfTheBoundaryCellModule", {"-add_bcm"}, "lib",
                                   "\nERROR: lib, write permission denied.\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
