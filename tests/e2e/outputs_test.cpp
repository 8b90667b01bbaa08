// Nothing lost, nothing half-written: kestrand and tallowmere on a disk
// that fills up, runs that are killed or fail and the runs after them,
// names at the file system's limit, and names that read as options.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sdb/nl_edit.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::Patch;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::TempDir;

bool built() { return testsupport::fixture_tools_built() && fs::exists(built_program("bin/tallowmere")); }

// Every regular file below dir with its bytes.
using Files = std::map<std::string, std::string>;
Files snapshot(const fs::path& dir) {
    Files files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = read_file(e.path());
    return files;
}

// What looks like a run's temporary file (a hidden name ending in six
// random characters, ".<name>.tmp.XXXXXX" here) and the run's own files
// outside their place: the design's working copy and the tool logs.  The
// files of `users` are the user's.
std::vector<std::string> leftovers(const fs::path& dir, const Files& users = {}) {
    static const std::regex temporary(R"(\..+\.[A-Za-z0-9]{6})");
    std::vector<std::string> found;
    for (const auto& [name, text] : snapshot(dir)) {
        const std::string base = fs::path(name).filename().string();
        if (users.count(name)) continue;
        if (std::regex_match(base, temporary) || name == "chip_jtag.sdb" || name == "bs_plovert.log" ||
            name == "bs_quarnel.log" || name == "bs_drumway.log")
            found.push_back(name);
    }
    return found;
}

std::vector<std::string> tallowmere_argv() {
    return {built_program("bin/tallowmere"), "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"};
}

// Runs argv in dir with the stand-in tools on PATH and the files it
// writes limited to `bytes` (the signal of a write past the limit
// ignored: the write fails as on a full disk).  What it prints comes
// through a pipe, which the limit does not reach.
RunResult run_on_full_disk(const std::vector<std::string>& argv, const fs::path& dir, unsigned long long bytes) {
    testsupport::ToolPath env;
    std::vector<char*> args = testsupport::exec_args(argv);
    int out[2];
    if (::pipe(out) != 0) return {};
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec.
        if (::chdir(dir.c_str()) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
        ::signal(SIGXFSZ, SIG_IGN);
        ::dup2(out[1], 1);
        ::dup2(out[1], 2);
        ::close(out[0]);
        ::close(out[1]);
        ::execve(args[0], args.data(), environ);
        _exit(127);
    }
    ::close(out[1]);
    RunResult r;
    std::string chunk(4096, '\0');
    for (ssize_t n; (n = ::read(out[0], chunk.data(), chunk.size())) > 0;) r.out.append(chunk.data(), static_cast<size_t>(n));
    ::close(out[0]);
    int st = 0;
    if (pid > 0 && waitpid(pid, &st, 0) == pid) r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class Outputs : public ::testing::Test {
protected:
    void SetUp() override {
        if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    }
    // The fixture chip, compiled, with the outputs of a whole run of both
    // programs: the old files that a later run must not damage.
    void complete_run(const fs::path& dir, const std::vector<Patch>& patches = {}) {
        ASSERT_TRUE(testsupport::compile_fixture_chip(dir, patches));
        ASSERT_EQ(testsupport::run_kestrand(dir).status, 0);
        testsupport::ToolPath env;
        ASSERT_EQ(testsupport::run(tallowmere_argv(), dir).status, 0);
    }
};

struct FullDiskCase {
    std::string name;
    std::vector<std::string> argv;  // "kestrand" or "tallowmere" first
    unsigned long long limit;
    std::string message;
    std::vector<std::string> rewritten;  // files the failed run may write whole (its report)
};
void PrintTo(const FullDiskCase& c, std::ostream* os) { *os << c.name; }

class FullDisk : public Outputs, public ::testing::WithParamInterface<FullDiskCase> {};

// A write that fails leaves every old file as it was, makes no truncated
// one, leaves no temporary, and says why.
TEST_P(FullDisk, OldFilesStayAndTheReasonIsGiven) {
    const FullDiskCase& c = GetParam();
    TempDir dir;
    complete_run(dir.path());
    const Files before = snapshot(dir.path());
    std::vector<std::string> argv = c.argv[0] == "kestrand" ? std::vector<std::string>{built_program("bin/kestrand")}
                                                           : std::vector<std::string>{tallowmere_argv()[0]};
    argv.insert(argv.end(), c.argv.begin() + 1, c.argv.end());
    const RunResult r = run_on_full_disk(argv, dir.path(), c.limit);
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    Files after = snapshot(dir.path());
    for (const std::string& f : c.rewritten) after[f] = before.at(f);
    EXPECT_EQ(after, before);
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, FullDisk,
    ::testing::Values(
        // The design's working copy (9 KB) does not fit.
        FullDiskCase{"kestrand_design_copy",
                     {"kestrand", "chip"},
                     8000,
                     "ERROR: can't copy file ./chip.sdb. ./.chip_jtag.sdb.tmp.unedit: File too large.\n\n",
                     {"chip.kest.rpt"}},
        // The report fits, the BSDL file does not.
        FullDiskCase{"tallowmere_bsdl",
                     {"tallowmere", "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"},
                     2000,
                     "ERROR: can't write file './chip_jtag.bsd': File too large.\n\n",
                     {"chip_jtag.bsdl.rpt"}},
        // Neither the BSDL file nor the report fits.
        FullDiskCase{"tallowmere_report",
                     {"tallowmere", "-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"},
                     300,
                     "ERROR: can't write report file 'chip_jtag.bsdl.rpt': File too large.\n\n",
                     {}}),
    [](const auto& info) { return info.param.name; });

struct BlockedCopy {
    std::string name, verilog;  // chip.v of the run ("" the fixture's own)
    std::vector<Patch> patches;
    std::string copy;     // the edited design whose working copy a folder blocks
    std::string message;  // how the run ends, with the reason for the failed copy
};

class CopyFails : public Outputs, public ::testing::WithParamInterface<BlockedCopy> {};

// A working copy of a design that cannot be made ends the run, with the
// reason, naming the path it is about, on the message's last line,
// before any edited design is saved; the command files and the pin list
// written before it go with the run.
TEST_P(CopyFails, RunEndsWithTheReason) {
    const BlockedCopy& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches,
                                                  c.verilog.empty() ? "" : testsupport::source_path(c.verilog)));
    fs::create_directory(dir.path() / sdb_unedited_file_name(c.copy));
    const RunResult r = testsupport::run_kestrand(dir.path());
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    if (fs::exists(dir.path() / "bscan_lib")) {
        for (const auto& e : fs::directory_iterator(dir.path() / "bscan_lib")) {
            EXPECT_NE(e.path().extension(), ".sdb") << e.path();
            EXPECT_NE(e.path().extension(), ".cmd") << e.path();
        }
    }
    EXPECT_FALSE(fs::exists(dir.path() / "chip.bso"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyFails,
    ::testing::Values(
        BlockedCopy{"top_design", "", {}, "chip_jtag.sdb", "ERROR: can't copy file ./chip.sdb. ./.chip_jtag.sdb.tmp.unedit: Is a directory.\n\n"},
        BlockedCopy{"module_on_the_tap_path",
                    "tests/fixtures/bscan/hier/tap_in_core.v",
                    {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_core.u_tap;"}},
                    "core_bs.sdb",
                    "\nERROR: can not copy file \"./core.sdb\" to file \"core_bs.sdb\".\n       ./.core_bs.sdb.tmp.unedit: Is a directory\n\n"},
        BlockedCopy{"pad_module",
                    "tests/fixtures/bscan/hier/pads_in_io.v",
                    {},
                    "pads_bs.sdb",
                    "\nERROR: can't copy file './pads.sdb' to file './bscan_lib/pads_bs.sdb'.\n       ./.pads_bs.sdb.tmp.unedit: Is a directory\n\n"},
        BlockedCopy{"one_of_several_io_modules",
                    "tests/fixtures/bscan/hier/io_pair.v",
                    {},
                    "pio_bs0.sdb",
                    "\nERROR: can not copy file \"./pio.sdb\" to file \"pio_bs0.sdb\".\n       ./.pio_bs0.sdb.tmp.unedit: Is a directory\n\n"}),
    [](const auto& info) { return info.param.name; });

// A run killed by a signal while plovert runs ends plovert, and takes its
// temporary files, the design's working copy and the tool's log with it;
// the old report stays.
TEST_F(Outputs, KilledRunRemovesItsOwnFiles) {
    TempDir dir, bin;
    complete_run(dir.path());
    const Files before = snapshot(dir.path());
    std::ofstream(bin.path() / "plovert") << "#!/bin/sh\nkill -TERM $PPID\nexec sleep 30\n";
    fs::permissions(bin.path() / "plovert", fs::perms::owner_all);
    const RunResult r = testsupport::run_kestrand(dir.path(), {}, bin.str());
    EXPECT_EQ(r.status, -1) << "not ended by its signal: " << r.out;
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
    EXPECT_EQ(read_file(dir.path() / "chip.kest.rpt"), before.at("chip.kest.rpt"));
}

struct EarlierRun {
    std::string name;
    std::string tool;    // replaced for the first run
    std::string script;  // its body
    std::vector<std::string> rerun_options;
};
void PrintTo(const EarlierRun& c, std::ostream* os) { *os << c.name; }

class Leftovers : public Outputs, public ::testing::WithParamInterface<EarlierRun> {};

// What a killed or failed run left (temporary files, the working copy of
// the design, tool logs) goes with the next run, and only that: files of
// the user's that look alike stay.
TEST_P(Leftovers, TheNextRunRemovesThem) {
    const EarlierRun& c = GetParam();
    TempDir dir, bin;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    const Files mine = {{".chip.bso.backup", "mine"}, {"bs_notes.log", "mine"}, {".chip.kest.rpt.tmp.old", "mine"},
                        {"bscan_lib/.chip_jtag.cmd~", "mine"}};
    fs::create_directory(dir.path() / "bscan_lib");
    for (const auto& [name, text] : mine) std::ofstream(dir.path() / name) << text;
    std::ofstream(bin.path() / c.tool) << "#!/bin/sh\n" << c.script;
    fs::permissions(bin.path() / c.tool, fs::perms::owner_all);
    const RunResult first = testsupport::run_kestrand(dir.path(), {}, bin.str());
    EXPECT_NE(first.status, 0);
    EXPECT_NE(leftovers(dir.path(), mine), std::vector<std::string>{}) << "the first run left nothing to remove";

    const RunResult again = testsupport::run_kestrand(dir.path(), c.rerun_options);
    ASSERT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_EQ(leftovers(dir.path(), mine), std::vector<std::string>{});
    for (const auto& [name, text] : mine) EXPECT_EQ(read_file(dir.path() / name), text) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Leftovers,
    ::testing::Values(
        // Killed outright while plovert runs (no handler runs): its report
        // and the design's working copy stay behind.
        EarlierRun{"killed_outright_in_plovert", "plovert", "kill -KILL $PPID\nexit 1\n", {}},
        // quarnel failed and kept its log; the next run takes another road.
        EarlierRun{"failed_quarnel_then_no_expand", "quarnel", "echo quarnel: stand-in failure\nexit 1\n",
                   {"-no_expand"}}),
    [](const auto& info) { return info.param.name; });

struct LongName {
    std::string name;
    size_t length;  // of the top module's name
    std::vector<std::string> options;
    bool runs;
};
void PrintTo(const LongName& c, std::ostream* os) { *os << c.name; }

class NameLimit : public Outputs, public ::testing::WithParamInterface<LongName> {};

// Every file a run writes fits when its name does, through a temporary
// name that fits too; a run whose longest name would not fit its folder
// is refused before it writes anything.
TEST_P(NameLimit, TemporaryNamesFitAndTooLongNamesAreRefused) {
    const LongName& c = GetParam();
    TempDir dir;
    const long max = ::pathconf(dir.str().c_str(), _PC_NAME_MAX);
    if (max != 255) GTEST_SKIP() << "the file system takes names of " << max << " bytes, not 255";
    const std::string top(c.length, 'c');
    testsupport::copy_fixture_chip(dir.path(), {{"chip.v", "module chip (", "module " + top + " ("}});
    // The pin list keeps its name, which the configuration gives.
    for (const char* ext : {".bsc", ".lib"})
        fs::rename(dir.path() / (std::string("chip") + ext), dir.path() / (top + ext));
    testsupport::ToolPath env;
    ASSERT_EQ(testsupport::tool("tessick", {"-lib", "cells.v", "chip.v"}, dir.path()).status, 0);
    ASSERT_EQ(testsupport::tool("drumway", {top}, dir.path()).status, 0);
    std::vector<std::string> argv = {built_program("bin/kestrand"), top};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    const RunResult r = testsupport::run(argv, dir.path());
    if (c.runs) {
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(fs::exists(dir.path() / "bscan_lib" / (top + "_jtag.sdb")));
    } else {
        EXPECT_EQ(r.status, 255);
        EXPECT_NE(r.out.find("ERROR: can't write file './" + top + "_jtag.c.sdb': File name too long.\n\n"),
                  std::string::npos)
            << r.out;
        EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
    }
    EXPECT_EQ(leftovers(dir.path()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameLimit,
    ::testing::Values(
        // "<top>_jtag.c.sdb", the longest name of the default road, of 255 bytes.
        LongName{"longest_for_the_expanded_design", 244, {}, true},
        LongName{"one_byte_too_long_for_the_expanded_design", 245, {}, false},
        // Without the expansion "<top>_jtag.sdb" and "<top>.kest.rpt" are
        // the longest, of 255 bytes.
        LongName{"longest_without_expansion", 246, {"-no_expand"}, true}),
    [](const auto& info) { return info.param.name; });

// A circuit whose name begins with "-", given with its folder: no tool
// call reads a name as an option, on any road.
class OptionLikeName : public Outputs, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(OptionLikeName, ReachesEveryToolAsAName) {
    TempDir dir;
    testsupport::copy_fixture_chip(dir.path(), {{"chip.v", "module chip (", "module \\-chip  ("}});
    for (const char* ext : {".bsc", ".lib"})
        fs::rename(dir.path() / (std::string("chip") + ext), dir.path() / (std::string("-chip") + ext));
    testsupport::ToolPath env;
    ASSERT_EQ(testsupport::tool("tessick", {"-lib", "cells.v", "chip.v"}, dir.path()).status, 0);
    ASSERT_EQ(testsupport::tool("drumway", {"./-chip"}, dir.path()).status, 0);
    std::vector<std::string> argv = {built_program("bin/kestrand"), "./-chip"};
    argv.insert(argv.end(), GetParam().begin(), GetParam().end());
    const RunResult r = testsupport::run(argv, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

INSTANTIATE_TEST_SUITE_P(Roads, OptionLikeName,
                         ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"-vhdl"},
                                           std::vector<std::string>{"-add_tap_only"},
                                           std::vector<std::string>{"-add_tap_only", "-vhdl"}),
                         [](const auto& info) {
                             std::string name = "default";
                             for (const std::string& o : info.param) name = (name == "default" ? "" : name + "_") + o.substr(1);
                             return name;
                         });

}  // namespace
