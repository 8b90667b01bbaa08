// Whole runs that meet a fault or a kill at a bad moment: memory that
// runs out, a reader of the screen that has gone, a file-size limit, a
// SIGTERM or SIGKILL while the menu editor reads its save back, a signal
// while -add_bcm compiles its port-only TAP, the netlist editor at work on
// the design's working copy.  Each ends with its status and message and
// leaves no temporary file or folder (or one that the next run removes),
// and no file under an output's name that is not that output.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/flat_netlist.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::TempDir;

// How a program is started beside its arguments: its limits, and a
// standard output whose reader has gone (a pipe whose reading end is
// closed before the program starts) or that is closed (`>&-`).
struct Setting {
    rlim_t address_space = RLIM_INFINITY;
    rlim_t file_size = RLIM_INFINITY;
    bool reader_gone = false;
    bool out_closed = false;
};

// A program started in dir, standard input from a text, standard output
// and standard error collected through pipes.  It starts with SIGPIPE
// and SIGXFSZ at their default actions, as a shell starts it.
class Started {
public:
    Started(const std::vector<std::string>& argv, const fs::path& dir, const std::string& input = "",
            const Setting& setting = {}) {
        const std::string in = streams_.write("in", input);
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        if (setting.reader_gone) {
            ::close(out[0]);
            out[0] = -1;
        }
        std::vector<char*> args = testsupport::exec_args(argv);
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const rlimit space{setting.address_space, setting.address_space};
            const rlimit size{setting.file_size, setting.file_size};
            if (::chdir(dir.c_str()) != 0 || ::setrlimit(RLIMIT_AS, &space) != 0 || ::setrlimit(RLIMIT_FSIZE, &size) != 0)
                _exit(126);
            ::signal(SIGPIPE, SIG_DFL);
            ::signal(SIGXFSZ, SIG_DFL);
            const int streams[] = {::open(in.c_str(), O_RDONLY), out[1], err[1]};
            for (int i = 0; i < 3; ++i) ::dup2(streams[i], i);
            if (setting.out_closed) ::close(STDOUT_FILENO);
            ::execv(args[0], args.data());
            _exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        if (out[0] >= 0) out_reader_ = std::thread(collect, out[0], &out_);
        err_reader_ = std::thread(collect, err[0], &err_);
    }
    ~Started() {
        if (ended_ || pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        end();
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    pid_t pid() const { return pid_; }
    // The wait status of its end; the streams are read to their ends.
    int end() {
        int st = 0;
        waitpid(pid_, &st, 0);
        for (std::thread* t : {&out_reader_, &err_reader_})
            if (t->joinable()) t->join();
        ended_ = true;
        return st;
    }
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    static void collect(int fd, std::string* to) {
        char buf[4096];
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) != 0;) {
            if (n > 0) to->append(buf, static_cast<size_t>(n));
            else if (errno != EINTR) break;
        }
        ::close(fd);
    }

    TempDir streams_;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::string out_, err_;
    std::thread out_reader_, err_reader_;
};

// The name of a signal for a test case's name.
std::string signal_name(int sig) {
    switch (sig) {
        case SIGTERM: return "SIGTERM";
        case SIGKILL: return "SIGKILL";
        case SIGABRT: return "SIGABRT";
        default: return "signal" + std::to_string(sig);
    }
}

// What a run left that is neither an input nor an output: hidden files
// (temporaries, working copies) and the menu editor's read-back folders.
std::vector<std::string> leftovers(const fs::path& dir) {
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name[0] == '.' || name.rfind("kest_guideline_", 0) == 0) left.push_back(fs::relative(e.path(), dir));
    }
    return left;
}

// ------------------------------------------------------------- memory

struct MemoryCase {
    const char* program;
    const char* report;
};
void PrintTo(const MemoryCase& c, std::ostream* os) { *os << c.program; }

class OutOfMemory : public ::testing::TestWithParam<MemoryCase> {};

// A pin list of 400,000 rows is more than the run's 40 MB of address
// space hold: the run ends with -1 and one of the system's out-of-memory
// messages (which one depends on the allocation that fails first), keeps
// its report and leaves no temporary file; never an uncaught exception.
TEST_P(OutOfMemory, EndsTheRunWithItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps its shadow memory beyond any address-space limit";
#endif
    const MemoryCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    {
        std::ofstream pins(dir.path() / "chip.pin", std::ios::app);
        for (int i = 100; i < 400100; ++i) pins << i << " X" << i << " x" << i << " in\n";
    }
    testsupport::ToolPath env;
    Started run({built_program(std::string("bin/") + c.program), "chip"}, dir.path(), "", {rlim_t{40} << 20});
    const int st = run.end();
    const std::string said = run.out() + run.err();
    ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st) << "\n" << said;
    EXPECT_EQ(WEXITSTATUS(st), 255) << said;
    const char* const kOutOfMemory[] = {
        "No memory available.\n",                             // the program frame
        "FATAL 002: Fatal Error - Not enough memory",        // the growable arrays
        "ERROR: (S0-00-0001) Not enough memory.",             // the text copies
        "ERROR: run out of memory.\n",                        // the description readers' trees
        "Ran out of memory in the function",                  // the design database
    };
    bool said_so = false;
    for (const char* m : kOutOfMemory) said_so = said_so || said.find(m) != std::string::npos;
    EXPECT_TRUE(said_so) << said;
    EXPECT_EQ(said.find("terminate called"), std::string::npos) << said;
    EXPECT_TRUE(fs::exists(dir.path() / c.report));
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Programs, OutOfMemory,
                         ::testing::Values(MemoryCase{"kestrand", "chip.kest.rpt"},
                                           MemoryCase{"tallowmere", "chip.bsdl.rpt"}),
                         [](const auto& info) { return std::string(info.param.program); });

// quarnel on a flat design of 100,000 gates under address-space limits
// that end it in different steps, several of them spread over threads:
// it ends with its out-of-memory message (or the design database's, when
// the reading of the design runs out first), never through the crash road,
// and leaves neither the netlist nor its temporary file.  A limit that the
// machine's threads leave room enough under lets the run end 0.
class QuarnelOutOfMemory : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        design_ = std::make_unique<TempDir>();
        if (!flatnet::write_flat_netlist(design_->str(), 100000)) return;
        compiled_ = testsupport::tool("tessick", {"-lib", "cells.v", "net.v"}, design_->path()).status == 0;
    }
    static void TearDownTestSuite() { design_.reset(); }
    static std::unique_ptr<TempDir> design_;
    static bool compiled_;
};
std::unique_ptr<TempDir> QuarnelOutOfMemory::design_;
bool QuarnelOutOfMemory::compiled_ = false;

TEST_P(QuarnelOutOfMemory, EndsWithItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps its shadow memory beyond any address-space limit";
#endif
    ASSERT_TRUE(compiled_) << "the flat design did not compile";
    const fs::path dir = design_->path();
    fs::remove(dir / "net_out.v");
    Started run({testsupport::tools_dir() + "/quarnel", "-verilog", "-o", "net_out.v", "top"}, dir, "",
                {rlim_t(GetParam()) << 20});
    const int st = run.end();
    const std::string said = run.out() + run.err();
    ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st) << "\n" << said;
    EXPECT_EQ(said.find("terminate called"), std::string::npos) << said;
    EXPECT_EQ(said.find("internal error"), std::string::npos) << said;
    if (WEXITSTATUS(st) == 0) {
        EXPECT_TRUE(fs::exists(dir / "net_out.v")) << said;
    } else {
        if (WEXITSTATUS(st) == 1)
            EXPECT_EQ(run.err(), "quarnel: error: out of memory\n") << said;
        else
            EXPECT_NE(said.find("Ran out of memory in the function"), std::string::npos) << WEXITSTATUS(st) << said;
        EXPECT_FALSE(fs::exists(dir / "net_out.v"));
    }
    EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Limits, QuarnelOutOfMemory, ::testing::Values(36, 52, 68, 84),
                         [](const auto& info) { return std::to_string(info.param) + "MB"; });

// -------------------------------------------- a screen that is gone, a full file

// A program of the flow, on the fixture chip compiled (and edited first
// by kestrand, for tallowmere).
struct FlowRun {
    const char* name;
    bool edited;                    // kestrand has run on the chip first
    std::vector<std::string> argv;  // the program under the build tree, its arguments
};

fs::path prepared_chip(const TempDir& dir, bool edited) {
    if (!testsupport::compile_fixture_chip(dir.path())) return {};
    if (edited && testsupport::run_kestrand(dir.path()).status != 0) return {};
    return dir.path();
}

std::vector<std::string> program_argv(const FlowRun& r) {
    std::vector<std::string> argv = r.argv;
    argv[0] = built_program(argv[0]);
    return argv;
}

const FlowRun kKestrand{"kestrand", false, {"bin/kestrand", "chip"}};
const FlowRun kTallowmere{"tallowmere", true, {"bin/tallowmere", "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"}};
const FlowRun kQuarnel{"quarnel", false, {"tools/quarnel", "-verilog", "-o", "net.v", "chip"}};

// A text without its lines that hold the moment of the run and its use
// of the machine.
std::string undated(const std::string& text) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, end - at);
        bool varies = false;
        for (const char* mark : {"TIME:", "TIME :", "TIME =", "Created:", "[System Info]"})
            varies = varies || line.find(mark) != std::string::npos;
        if (!varies) out += line;
        at = end;
    }
    return out;
}

struct PipeCase {
    FlowRun run;
    bool closed;                       // standard output closed, not a pipe without its reader
    int status;                        // the exit status
    std::vector<std::string> outputs;  // written whole: as a run with its screen writes them
};
void PrintTo(const PipeCase& c, std::ostream* os) { *os << c.run.name << (c.closed ? " >&-" : " | head -1"); }

class ReaderGone : public ::testing::TestWithParam<PipeCase> {};

// A program whose standard output is a pipe that nobody reads any more
// (`kestrand chip | head -1` once head has quit) is not ended by SIGPIPE:
// it writes all its files, then fails, saying on standard error that its
// screen was lost, and leaves no temporary file.  A standard output
// closed from the start (`kestrand chip >&-`) is lost the same way: no
// file of the run takes its descriptor, so no screen text lands in one
// (tallowmere's report, kestrand's lock file).
TEST_P(ReaderGone, WritesItsFilesAndFails) {
    if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
        GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const PipeCase& c = GetParam();
    testsupport::ToolPath env;
    TempDir dir, reference;
    ASSERT_FALSE(prepared_chip(dir, c.run.edited).empty());
    ASSERT_FALSE(prepared_chip(reference, c.run.edited).empty());
    ASSERT_EQ(testsupport::run(program_argv(c.run), reference.path()).status, 0);
    Setting lost;
    (c.closed ? lost.out_closed : lost.reader_gone) = true;
    Started run(program_argv(c.run), dir.path(), "", lost);
    const int st = run.end();
    ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st) << "\n" << run.err();
    EXPECT_EQ(WEXITSTATUS(st), c.status) << run.err();
    const std::string why = c.closed ? "Bad file descriptor" : "Broken pipe";
    EXPECT_NE(run.err().find("ERROR: can't write to standard output: " + why + ".\n"), std::string::npos) << run.err();
    for (const std::string& f : c.outputs)
        EXPECT_EQ(undated(read_file(dir.path() / f)), undated(read_file(reference.path() / f))) << f;
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

const std::vector<std::string> kKestrandOutputs = {"chip.bso", "chip_jtag.v", "chip_jtag.c.sdb", "bscan_lib/chip_jtag.cmd",
                                                   "chip.kest.rpt"};
const std::vector<std::string> kTallowmereOutputs = {"chip_jtag.bsd", "chip_jtag.bsdl.rpt"};

INSTANTIATE_TEST_SUITE_P(
    Programs, ReaderGone,
    ::testing::Values(PipeCase{kKestrand, false, 255, kKestrandOutputs},
                      PipeCase{kTallowmere, false, 255, kTallowmereOutputs}, PipeCase{kQuarnel, false, 1, {"net.v"}},
                      PipeCase{kKestrand, true, 255, kKestrandOutputs},
                      PipeCase{kTallowmere, true, 255, kTallowmereOutputs}, PipeCase{kQuarnel, true, 1, {"net.v"}}),
    [](const auto& info) { return std::string(info.param.run.name) + (info.param.closed ? "Closed" : ""); });

struct SizeCase {
    const char* name;
    FlowRun run;
    // The file of the run's folder, after a run without limit, whose size
    // (less one byte when short_of is set) the run's files may not exceed.
    const char* sized_like;
    bool short_of;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class FileSizeLimit : public ::testing::TestWithParam<SizeCase> {};

// A file-size limit (`ulimit -f`) that a file of the run, or of a tool it
// runs, would pass ends the run as a full disk does: status 255 with the
// system's reason, "File too large", on the screen or in the tool's log
// that the screen names, never by SIGXFSZ, and no temporary file left.
// The output whose writing failed keeps its old contents.
TEST_P(FileSizeLimit, EndsTheRunWithTheReason) {
    if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
        GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const SizeCase& c = GetParam();
    testsupport::ToolPath env;
    TempDir dir;
    ASSERT_FALSE(prepared_chip(dir, c.run.edited).empty());
    // A run without limit first: its outputs are the old files of the
    // limited run.
    ASSERT_EQ(testsupport::run(program_argv(c.run), dir.path()).status, 0);
    const testsupport::FolderFiles before = testsupport::folder_files(dir.path(), {".rpt", ".log"});
    const rlim_t limit = static_cast<rlim_t>(fs::file_size(dir.path() / c.sized_like)) - (c.short_of ? 1 : 0);
    Started run(program_argv(c.run), dir.path(), "", {.file_size = limit});
    const int st = run.end();
    std::string said = run.out() + run.err();
    ASSERT_TRUE(WIFEXITED(st)) << "ended by signal " << WTERMSIG(st) << "\n" << said;
    EXPECT_EQ(WEXITSTATUS(st), 255) << said;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.path().extension() == ".log") said += read_file(e.path());
    EXPECT_NE(said.find("File too large"), std::string::npos) << said;
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
    // Each file is its old self, or the new one of a step that ended
    // before the limit was met (the run's own outputs are the same).
    for (const auto& [name, text] : testsupport::folder_files(dir.path(), {".rpt", ".log"})) {
        auto old = before.find(name);
        EXPECT_TRUE(old != before.end() && old->second == text) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FileSizeLimit,
    ::testing::Values(
        // The working copy of the design is the first file too large.
        SizeCase{"KestrandWorkingCopy", kKestrand, "chip.sdb", true},
        // The copy fits; plovert's edited design does not.
        SizeCase{"KestrandTool", kKestrand, "chip.sdb", false},
        SizeCase{"TallowmereBsdl", kTallowmere, "chip_jtag.bsd", true}),
    [](const auto& info) { return std::string(info.param.name); });

// --------------------------------------------------------------- kills

// A kill while the menu editor reads its save back (its folder
// "kest_guideline_<pid>_XXXXXX" exists): the files it was to save are as
// they were.  A SIGTERM takes the folder with the run; after a SIGKILL,
// which no program can handle, the folder stays until the editor's next
// save removes it, which leaves alone the folder of a run still alive.
// kestrand is stopped as soon as the folder appears, so that the kill
// lands while it exists.
class KillDuringReadBack : public ::testing::TestWithParam<int> {};

bool lock_free(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return true;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

TEST_P(KillDuringReadBack, LeavesTheSavedFilesAsTheyWere) {
    const int kill_signal = GetParam();
    const std::vector<std::string> files = {"chip.bsc", "chip.lib", "chip.pin"};
    const std::string save_and_quit = "1\n5\nrst_n\n6\n9\n";  // set the reset signal, save, quit
    bool hit = false;
    for (int attempt = 0; attempt < 10 && !hit; ++attempt) {
        TempDir dir;
        testsupport::copy_fixture_chip(dir.path());
        std::map<std::string, std::string> before;
        for (const std::string& f : files) before[f] = read_file(dir.path() / f);
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, dir.str().c_str(), IN_CREATE), 0);
        Started run({built_program("bin/kestrand"), "chip", "-guideline"}, dir.path(), save_and_quit);
        std::string folder;
        bool stopped = false;
        while (!stopped) {
            pollfd p{watch, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            alignas(inotify_event) char buf[4096];
            const ssize_t n = ::read(watch, buf, sizeof buf);
            for (ssize_t at = 0; at < n && !stopped;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                if (!(e->mask & IN_ISDIR) || e->len == 0 || std::string(e->name).rfind("kest_guideline_", 0) != 0)
                    continue;
                ::kill(run.pid(), SIGSTOP);
                int st = 0;
                waitpid(run.pid(), &st, WUNTRACED);
                stopped = WIFSTOPPED(st);
                hit = stopped && fs::exists(dir.path() / e->name);
                folder = e->name;
            }
        }
        ::close(watch);
        ::kill(run.pid(), kill_signal);
        ::kill(run.pid(), SIGCONT);
        const int st = run.end();
        if (!hit) continue;  // the read-back was over before the stop: again
        EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == kill_signal) << st << run.out();
        for (const std::string& f : files) EXPECT_EQ(read_file(dir.path() / f), before[f]) << f;
        if (kill_signal != SIGKILL) {
            EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{}) << run.err();
            continue;
        }
        // The folder, beside the report's temporary file.
        const std::vector<std::string> left = leftovers(dir.path());
        EXPECT_NE(std::find(left.begin(), left.end(), folder), left.end());
        // The read-back's child, which the kill did not reach, ends soon;
        // a folder of a live run (this one's id) must stay.
        for (int wait = 0; wait < 500 && !lock_free(dir.path() / folder); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string alive = "kest_guideline_" + std::to_string(::getpid()) + "_alive0";
        fs::create_directory(dir.path() / alive);
        Started again({built_program("bin/kestrand"), "chip", "-guideline"}, dir.path(), save_and_quit);
        EXPECT_EQ(again.end(), 0) << again.out();
        EXPECT_TRUE(fs::is_directory(dir.path() / alive));
        fs::remove(dir.path() / alive);
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
    }
    if (!hit) GTEST_SKIP() << "the read-back never outlasted the stop in 10 runs (a machine too busy)";
}

INSTANTIATE_TEST_SUITE_P(Signals, KillDuringReadBack, ::testing::Values(SIGTERM, SIGKILL),
                         [](const auto& info) { return signal_name(info.param); });

// A signal while -add_bcm compiles its port-only TAP module: the module
// "<top>_TAP_empty.v", which a finished run removes, goes with the run
// as its temporary files do; also with -add_tap, whose TAP compile comes
// first.  A stand-in tessick sends the signal to kestrand when it is
// given that module.
struct AddBcmSignal {
    int sig;
    std::vector<std::string> options;
};
void PrintTo(const AddBcmSignal& c, std::ostream* os) { *os << signal_name(c.sig) << " " << c.options.size(); }

class SignalDuringAddBcm : public ::testing::TestWithParam<AddBcmSignal> {};

TEST_P(SignalDuringAddBcm, RemovesThePortOnlyTap) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const int sig = GetParam().sig;
    TempDir dir, bin;
    testsupport::compile_notap_chip(dir.path());
    if (HasFatalFailure()) return;
    std::ofstream(bin.path() / "tessick") << "#!/bin/sh\n"
                                            "case \"$*\" in *_TAP_empty.v*) kill -"
                                         << sig << " $PPID; exec sleep 10;; esac\n"
                                                   "exec '"
                                         << testsupport::tools_dir() << "/tessick' \"$@\"\n";
    fs::permissions(bin.path() / "tessick", fs::perms::owner_all);
    testsupport::ToolPath env(bin.str());
    std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
    argv.insert(argv.end(), GetParam().options.begin(), GetParam().options.end());
    Started run(argv, dir.path());
    const int st = run.end();
    if (sig == SIGTERM)
        EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st << run.out();
    else
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 255) << st << run.out();
    EXPECT_FALSE(fs::exists(dir.path() / "chip_TAP_empty.v"));
    EXPECT_FALSE(fs::exists(dir.path() / "BSCAN.log"));
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringAddBcm,
                         ::testing::Values(AddBcmSignal{SIGTERM, {"-add_bcm"}}, AddBcmSignal{SIGABRT, {"-add_bcm"}},
                                           AddBcmSignal{SIGTERM, {"-add_bcm", "-add_tap"}},
                                           AddBcmSignal{SIGABRT, {"-add_bcm", "-add_tap"}}),
                         [](const auto& info) {
                             return signal_name(info.param.sig) + (info.param.options.size() > 1 ? "WithAddTap" : "");
                         });

// A signal just after the compiler has compiled a module of the run and
// before kestrand has removed the compiler's log ("<module>.tessick.log")
// takes that log with the run's other files.  A stand-in tessick runs the
// real one, then sends the signal and waits to be ended.
struct CompileCase {
    const char* name;
    std::vector<std::string> options;
    bool notap;            // the chip without its TAP (for -add_bcm)
    const char* compiled;  // the file whose compile is followed by the signal
    const char* log;       // the compiler's log of it
};
void PrintTo(const CompileCase& c, std::ostream* os) { *os << c.name; }

class SignalAfterACompile : public ::testing::TestWithParam<CompileCase> {};

TEST_P(SignalAfterACompile, TakesTheCompilersLog) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const CompileCase& c = GetParam();
    TempDir dir, bin;
    if (c.notap)
        testsupport::compile_notap_chip(dir.path());
    else
        ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    if (HasFatalFailure()) return;
    std::ofstream(bin.path() / "tessick") << "#!/bin/sh\n"
                                             "'"
                                          << testsupport::tools_dir() << "/tessick' \"$@\" || exit $?\n"
                                          << "case \"$*\" in *" << c.compiled
                                          << "*) kill -TERM $PPID; exec sleep 10;; esac\n";
    fs::permissions(bin.path() / "tessick", fs::perms::owner_all);
    testsupport::ToolPath env(bin.str());
    std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    Started run(argv, dir.path());
    const int st = run.end();
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st << run.out();
    EXPECT_FALSE(fs::exists(dir.path() / c.log));
    EXPECT_FALSE(fs::exists(dir.path() / "BSCAN.log"));
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Compiles, SignalAfterACompile,
    ::testing::Values(CompileCase{"PortOnlyTap", {"-add_tap_only"}, false, "chip_TAP_empty.v", "chip_TAP_empty.tessick.log"},
                      CompileCase{"BoundaryCellModule", {"-add_bcm"}, true, "chip_BCM.v", "chip_BCM.tessick.log"}),
    [](const auto& info) { return std::string(info.param.name); });

// The design that plovert edits lies under a hidden name until plovert
// saves it: no file of the edited design's name is ever the unedited
// design, which is what a SIGKILL before the save would leave.  A
// stand-in plovert looks before the real one runs.
TEST(Kills, EditedDesignsNameHoldsOnlyTheEditedDesign) {
    TempDir dir, bin;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    const std::string seen = (bin.path() / "seen").string();
    std::ofstream(bin.path() / "plovert") << "#!/bin/sh\n"
                                             "name=$(basename \"$3\")\n"
                                             "[ -e \"$name.sdb\" ] && echo \"$name.sdb before its edit\" >> '" << seen
                                          << "'\n"
                                             "[ -e \".$name.sdb.tmp.unedit\" ] || echo \"no copy of $name\" >> '"
                                          << seen << "'\n"
                                             "echo \"$name\" >> '" << seen << "'\n"
                                             "exec '" << built_program("tools/plovert") << "' \"$@\"\n";
    fs::permissions(bin.path() / "plovert", fs::perms::owner_all);
    const auto r = testsupport::run_kestrand(dir.path(), {}, bin.str());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(read_file(seen), "chip_jtag\n");
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

}  // namespace
