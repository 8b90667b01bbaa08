// kestrand's command line, run as a program.
#include <gtest/gtest.h>

#include "support/param_name.h"
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace {

using testsupport::built_program;
using testsupport::read_file;
using testsupport::run;
using testsupport::TempDir;
namespace fs = std::filesystem;

const std::string kHelpStart = "\nPlease use: `kestrand <bsm_name> [Options]' for boundary scan circuits synthesis.\n";
const std::string kBannerRule = "\n=============== KESTRAND V2.9.00 (07/19/06 Beta_version) Linux ===============\n\n";

testsupport::RunResult kestrand(const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> argv = {built_program("bin/kestrand")};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, dir);
}

struct CliCase {
    std::vector<std::string> args;
    int status;
    bool banner_first;
    std::vector<std::string> contains;  // in this order
    std::vector<std::string> absent;
};

void PrintTo(const CliCase& c, std::ostream* os) {
    *os << "kestrand";
    for (const auto& a : c.args) *os << " " << testsupport::quoted(a);
}

class KestrandCli : public ::testing::TestWithParam<CliCase> {};

TEST_P(KestrandCli, OutputAndStatus) {
    const CliCase& c = GetParam();
    TempDir dir;
    auto r = kestrand(c.args, dir.path());
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    if (c.banner_first) {
        EXPECT_EQ(r.out.rfind(kBannerRule, 0), 0u) << r.out;
    }
    size_t at = 0;
    for (const auto& want : c.contains) {
        size_t f = r.out.find(want, at);
        EXPECT_NE(f, std::string::npos) << "missing: " << want << "\nin:\n" << r.out;
        if (f != std::string::npos) at = f + want.size();
    }
    for (const auto& no : c.absent) EXPECT_EQ(r.out.find(no), std::string::npos) << no;
}

const char* kTooMany = "\nERROR: too many arguments.\n       kestrand can handle only one circuit at once.\n\n";

INSTANTIATE_TEST_SUITE_P(
    Table, KestrandCli,
    ::testing::Values(
        CliCase{{},
                0,
                true,
                {kHelpStart,
                 "  -vhdl        : add RTL TAP module in VHDL format.\n"
                 "                 With -add_tap or -add_tap_only the TAP is <bsm_name>_TAP.vhd;\n"
                 "                 the modified netlist is <bsm_name>_jtag.vhd instead of .v.\n",
                 "  -add_bcm     : add boundary scan cells in one module <bsm_name>_BCM.\n",
                 "  -dont_share_control : inserting boundary scan cells in every \n"},
                {}},
        CliCase{{"-?"}, 0, false, {kHelpStart}, {"KESTRAND"}},
        CliCase{{"chip", "-HELP"}, 0, false, {kHelpStart}, {}},
        CliCase{{"-add_tap"}, 0, true, {kHelpStart}, {}},  // options only: help
        CliCase{{"a", "b"}, 255, true, {kTooMany}, {kHelpStart}},
        CliCase{{"-foo", "chip"}, 255, true, {"-foo: unkown option. Please use -? for help.\n\n"}, {"Selected"}},
        // An unknown option with no circuit is an error too, not the help.
        CliCase{{"-foo"}, 255, true, {"-foo: unkown option. Please use -? for help.\n\n"}, {kHelpStart}},
        // -opath with nothing after it is incomplete.
        CliCase{{"chip", "-opath"}, 255, true, {"-opath: unkown option. Please use -? for help.\n\n"}, {}},
        CliCase{{"-", "-h"}, 255, true, {"WARNING: empty option -???, ignored.\n\n", "-h: unkown option."}, {}},
        CliCase{{"-ADD_TAP", "chip"}, 255, true, {"Selected option:  -add_tap.\n\n", "ERROR: can't find BSC file 'chip.bsc'"}, {}},
        CliCase{{"-synch", "chip"}, 255, true, {"ERROR: can't find BSC file"}, {"Selected option"}},
        CliCase{{"chip", "-add_tap", "-add_tap_only", "-vhdl", "-no_pad"},
                255,
                true,
                {"Selected option:  -add_tap -add_tap_only -vhdl -no_pad.\n\n",
                 "ERROR:  option -add_tap conflicts with -add_tap_only.\n\n"},
                {"can't find BSC"}}),
    [](const auto& i) {
        std::string s;
        for (const auto& a : i.param.args) s += testsupport::spelled(a) + " ";
        return testsupport::param_name(i.param.args.empty() ? "NoArgs" : s, i.index, 40);
    });

TEST(KestrandRun, CircuitPathAndReport) {
    TempDir dir;
    auto r = kestrand({"dir/chip.sdb"}, dir.path());
    EXPECT_EQ(r.status, 255);
    // TOP_MODULE is chip and PATH dir/: the report and the searched names show it.
    EXPECT_TRUE(fs::exists(dir.path() / "chip.kest.rpt"));
    // A run that edits nothing makes no working directory.
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
    EXPECT_NE(r.out.find("ERROR: can't find BSC file 'chip.bsc' in default searching path.\n\n"
                         "ERROR: can't find LIB file 'chip.lib' in default searching path.\n\n"
                         "ERROR: can't find SDB file 'dir/chip.sdb' in default searching path.\n\n"
                         "ERROR: can't find SDB file 'dir/chip.c.sdb' in default searching path.\n\n"),
              std::string::npos)
        << r.out;
    // Everything printed after the report opened is in the report too.
    std::string rpt = read_file(dir.path() / "chip.kest.rpt");
    EXPECT_NE(rpt.find("ERROR: can't find SDB file 'dir/chip.c.sdb'"), std::string::npos);
    EXPECT_EQ(rpt.rfind(kBannerRule, 0), 0u);
}

TEST(KestrandRun, OpathReportAndEcho) {
    TempDir dir;
    fs::create_directory(dir.path() / "out");
    auto r = kestrand({"-opath", "out", "chip"}, dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("Selected option:  -opath out.\n\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "out" / "chip.kest.rpt"));
}

// Only the report can't be created (a folder stands under its name): the
// run warns, goes on, and reports into "<top>.rpt" in the current folder.
TEST(KestrandRun, ReportThatCannotBeCreatedOnlyWarns) {
    TempDir dir;
    fs::create_directories(dir.path() / "out" / "chip.kest.rpt");
    auto r = kestrand({"-opath", "out", "chip"}, dir.path());
    EXPECT_NE(r.out.find("\nWARNING: can't create report file 'out/chip.kest.rpt'.\n\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ERROR: can't find BSC file"), std::string::npos);  // the run went on
    EXPECT_NE(read_file(dir.path() / "chip.rpt").find("ERROR: can't find BSC file"), std::string::npos);
}

TEST(KestrandRun, WorkingDirectoryProblems) {
    // A file named bscan_lib cannot serve as the working directory, nor a
    // link to a folder that is missing, in whose place none can be made.
    for (const bool link : {false, true}) {
        SCOPED_TRACE(link ? "link to nothing" : "file");
        TempDir dir;
        if (link)
            fs::create_symlink("missing", dir.path() / "bscan_lib");
        else
            dir.write("bscan_lib", "x");
        auto r = kestrand({"chip"}, dir.path());
        EXPECT_EQ(r.status, 255);
        EXPECT_NE(r.out.find("\nERROR: can't open default directory .\\'bscan_lib'.\n\n"), std::string::npos) << r.out;
        EXPECT_FALSE(fs::exists(dir.path() / "missing"));
    }
    testsupport::TempDir other;
    if (geteuid() == 0) GTEST_SKIP() << "running as root: directory permissions are not enforced";
    fs::create_directory(other.path() / "bscan_lib");
    fs::permissions(other.path() / "bscan_lib", fs::perms::owner_read | fs::perms::owner_exec);
    auto r = kestrand({"chip"}, other.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("\nERROR: ./bscan_lib, write permission denied.\n\n"), std::string::npos) << r.out;
    fs::permissions(other.path() / "bscan_lib", fs::perms::owner_all);
}

}  // namespace
