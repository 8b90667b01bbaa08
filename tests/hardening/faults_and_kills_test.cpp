// Whole runs that meet a fault or a kill at a bad moment: memory that
// runs out, a SIGTERM while the menu editor reads its save back, the
// netlist editor at work on the design's working copy.  Each ends with
// its status and message and leaves no temporary file or folder, and no
// file under an output's name that is not that output.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::TempDir;

// A program started in dir, standard input from a text, standard output
// and standard error into files of a folder of their own, its address
// space limited when a limit is given.
class Started {
public:
    Started(const std::vector<std::string>& argv, const fs::path& dir, const std::string& input = "",
            rlim_t address_space = RLIM_INFINITY) {
        const std::string in = streams_.write("in", input);
        const std::string out = (streams_.path() / "out").string(), err = (streams_.path() / "err").string();
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const rlimit limit{address_space, address_space};
            if (::chdir(dir.c_str()) != 0 || ::setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
            const int streams[] = {::open(in.c_str(), O_RDONLY), ::open(out.c_str(), O_WRONLY | O_CREAT, 0600),
                                   ::open(err.c_str(), O_WRONLY | O_CREAT, 0600)};
            for (int i = 0; i < 3; ++i) ::dup2(streams[i], i);
            ::execv(args[0], args.data());
            _exit(127);
        }
    }
    pid_t pid() const { return pid_; }
    // The wait status of its end.
    int end() {
        int st = 0;
        waitpid(pid_, &st, 0);
        return st;
    }
    std::string out() const { return read_file(streams_.path() / "out"); }
    std::string err() const { return read_file(streams_.path() / "err"); }

private:
    TempDir streams_;
    pid_t pid_ = -1;
};

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
    Started run({built_program(std::string("bin/") + c.program), "chip"}, dir.path(), "", rlim_t{40} << 20);
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

// --------------------------------------------------------------- kills

// A SIGTERM while the menu editor reads its save back (its folder
// "kest_guideline_XXXXXX" exists): the folder goes with the run, and the
// files it was to save are as they were.  kestrand is stopped as soon as
// the folder appears, so that the kill lands while it exists.
TEST(Kills, DuringTheReadBackOfTheMenuEditorsSave) {
    const std::vector<std::string> files = {"chip.bsc", "chip.lib", "chip.pin"};
    bool hit = false;
    for (int attempt = 0; attempt < 10 && !hit; ++attempt) {
        TempDir dir;
        testsupport::copy_fixture_chip(dir.path());
        std::map<std::string, std::string> before;
        for (const std::string& f : files) before[f] = read_file(dir.path() / f);
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, dir.str().c_str(), IN_CREATE), 0);
        // Set the reset signal, then save and quit.
        Started run({built_program("bin/kestrand"), "chip", "-guideline"}, dir.path(), "1\n5\nrst_n\n6\n9\n");
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
            }
        }
        ::close(watch);
        ::kill(run.pid(), SIGTERM);
        ::kill(run.pid(), SIGCONT);
        const int st = run.end();
        if (!hit) continue;  // the read-back was over before the stop: again
        EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st << run.out();
        EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{}) << run.err();
        for (const std::string& f : files) EXPECT_EQ(read_file(dir.path() / f), before[f]) << f;
    }
    if (!hit) GTEST_SKIP() << "the read-back never outlasted the stop in 10 runs (a machine too busy)";
}

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
