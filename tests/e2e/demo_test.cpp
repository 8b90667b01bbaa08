// The demo that `make demo` runs (scripts/demo on the chip of examples/),
// run as a user runs it, in a work folder of its own: every step ends
// well and leaves the files the script says it left.  Its closing check
// runs the example case of scan_sim_test.cpp from this test program.
// The README's walk-through for a netlist of one's own runs as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;

TEST(Demo, RunsEveryStepOnTheExampleChip) {
    if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
        GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("bash")) GTEST_SKIP() << "bash is not installed: scripts/demo cannot run";
    testsupport::TempDir dir;
    const fs::path work = dir.path() / "work";
    const std::string build = fs::path(built_program("bin/kestrand")).parent_path().parent_path().string();
    auto r = testsupport::run({"bash", testsupport::source_path("scripts/demo"), build, work.string()}, dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // The check ran and agreed, or said why it did not run.
    EXPECT_NE(r.out.find("== Checking the example chip against its BSDL file\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("FAILED"), std::string::npos) << r.out;
    for (const char* f : {"chip_jtag.v", "bscan_lib/chip_jtag.cmd", "bscan_lib/chip_jtag.sdb", "chip_jtag.c.sdb",
                          "chip.bso", "chip.kest.rpt", "tap/chip_TAP.v", "tap/chip.kest.rpt", "chip_jtag.bsd",
                          "chip_jtag.bsdl.rpt", "chip_jtag.svf"}) {
        EXPECT_TRUE(fs::exists(work / f)) << f << " is missing\n" << r.out;
        EXPECT_NE(r.out.find((work / f).string()), std::string::npos) << f << " is not named\n" << r.out;
    }
    // kestrand's own screen output goes to its log.
    EXPECT_EQ(r.out.find("Boundary Scan Cells:"), std::string::npos) << r.out;
    EXPECT_NE(read_file(work / "kestrand.out").find("Boundary Scan Cells:"), std::string::npos);
    // The report is the insertion's, not that of the later TAP run.
    EXPECT_NE(read_file(work / "chip.kest.rpt").find("** Using buffer 'BUF' for signal 'MODE1'"), std::string::npos);
    // Every functional pad of the demo chip got its boundary cell; the
    // TAP pads got none.
    const std::string bsdl = read_file(work / "chip_jtag.bsd");
    for (const char* port : {",CLK ", ",RST_N ", ",DIN0 ", ",DIN1 ", ",DOUT0 ", ",DOUT1 ", ",BIDIR0 ", ",READY_N "})
        EXPECT_NE(bsdl.find(port), std::string::npos) << port << "\n" << bsdl;
    EXPECT_EQ(bsdl.find(",TDO "), std::string::npos) << bsdl;
    // The SVF preamble loads the scan test's instruction, and the script
    // shows it; the closing check played it through OpenOCD or says why not.
    const std::string svf = read_file(work / "chip_jtag.svf");
    EXPECT_NE(svf.find("); !QUENDAL_ATPG\nSTATE IDLE;\n"), std::string::npos) << svf;
    EXPECT_NE(r.out.find("   chip_jtag.svf: SIR "), std::string::npos) << r.out;
    EXPECT_TRUE(r.out.find("   chip_jtag.svf: played by OpenOCD") != std::string::npos ||
                r.out.find("   SVF replay skipped: ") != std::string::npos)
        << r.out;
    // Every warning of the runs whose output goes to a log is on the screen.
    for (const char* log : {"kestrand.out", "add_tap_only.out", "tallowmere.out", "tallowmere-scan.out"}) {
        std::istringstream lines(read_file(work / log));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("WARNING: ", 0) == 0) {
                EXPECT_NE(r.out.find("   " + line + "\n"), std::string::npos) << log << ": " << line << "\n" << r.out;
            }
    }
    // A work folder that is not empty is refused, and left as it was.
    auto again = testsupport::run({"bash", testsupport::source_path("scripts/demo"), build, work.string()}, dir.path());
    EXPECT_NE(again.status, 0);
    EXPECT_NE(again.err.find("is not empty"), std::string::npos) << again.err;
    EXPECT_TRUE(fs::exists(work / "chip_jtag.bsd"));
}

// The shell lines of the README's own-netlist example, taken from the
// README itself, run with bash from a folder whose build/ and examples/
// are this build's and this tree's, as from the top of the work tree:
// they work in a folder beside it and leave the tree as it was.
TEST(Readme, OwnNetlistExampleRuns) {
    if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
        GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("bash")) GTEST_SKIP() << "bash is not installed: the example cannot run";
    const std::string readme = read_file(testsupport::source_path("README.md"));
    const size_t from = readme.find("```\nKEST=$PWD\nmkdir ../mini && cd ../mini\n");
    ASSERT_NE(from, std::string::npos) << "README.md holds no own-netlist example";
    const size_t to = readme.find("```", from + 3);
    ASSERT_NE(to, std::string::npos);
    const std::string script = readme.substr(from + 4, to - from - 4);

    testsupport::TempDir dir;
    const fs::path kest = dir.path() / "kest";
    fs::create_directory(kest);
    fs::create_directory_symlink(fs::path(built_program("bin/kestrand")).parent_path().parent_path(), kest / "build");
    fs::create_directory_symlink(testsupport::source_path("examples"), kest / "examples");
    auto r = testsupport::run({"bash", "-e", "-c", script}, kest);
    ASSERT_EQ(r.status, 0) << script << r.out << r.err;
    std::vector<std::string> in_tree;
    for (const auto& e : fs::directory_iterator(kest)) in_tree.push_back(e.path().filename().string());
    std::sort(in_tree.begin(), in_tree.end());
    EXPECT_EQ(in_tree, (std::vector<std::string>{"build", "examples"}));
    const fs::path mini = dir.path() / "mini";
    // A boundary cell on the input and on the output, and the BSDL file
    // of a two-cell register.
    const std::string netlist = read_file(mini / "mini_jtag.v");
    EXPECT_NE(netlist.find("BC_IN "), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("BC_OUT "), std::string::npos) << netlist;
    EXPECT_NE(read_file(mini / "mini_jtag.bsd").find("attribute BOUNDARY_LENGTH of mini_jtag : entity is 2;"),
              std::string::npos);
}

}  // namespace
