// tallowmere run as a program: invocations with their output and status.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bsdl_test_util.h"

namespace {

using namespace bsdltest;
using testsupport::read_file;
using testsupport::run;
namespace fs = std::filesystem;

const std::string kUsage =
    "\nUsage: tallowmere [-opath pathname] -template [template_file]"
    "\n       ==>generate the standard template file."
    "\n       tallowmere [-opath pathname] [-template template_file] circuit_file..."
    "\n       ==>generate the BSDL file(s) from the circuit file(s)."
    "\n\nOptions:"
    "\n  -opath <directory>    : specify the output directoty."
    "\n  -template <file name> : specify the template file name."
    "\n  -bsc_file <file name> : Use file name as BSC_FILE name."
    "\n  -lib_file <file name> : Use file name as LIB_FILE name."
    "\n  -scan                 : generate svf file for preamble sequence of DFT."
    "\n  -no_pad               : the boundary scan cell is after port,"
    "\n                          just for input and 2-state output.\n\n";

// Until the BSDL writer lands, a circuit whose chain walks ends here.
const std::string kNoBsdl = "ERROR: writing the BSDL file is not available in this version.\n\n";

const std::string kBannerRule = "\n============== TALLOWMERE V2.9.00 (07/19/06 Beta_version) Linux ==============\n\n";

// The output with every banner (rule, blank line, time line) taken out.
std::string without_banners(std::string out) {
    for (size_t at; (at = out.find(kBannerRule)) != std::string::npos;) {
        size_t time = out.find("\nTIME: ", at + kBannerRule.size());
        size_t end = out.find('\n', time + 1);
        out.erase(at, end + 2 - at);  // the time line ends with an empty line
    }
    return out;
}

// The circuit "chip" in a directory: description files and a design with
// a two-cell chain.
void chip_design(const ChipDir& dir, const std::string& path = "chip.c.sdb") {
    DesignBuilder d(dir.file(path));
    chip_classes(d);
    chip_front(d);
    d.inst("A", "BC_IN").inst("B", "BC_OUT");
    d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/SI"}).net("s2", {"B/SO", "TAP/BOUNDARY_out"});
    d.save();
}

struct Invocation {
    const char* what;
    std::vector<std::string> args;
    std::function<void(const ChipDir&)> prepare;  // null: the description files only
    int status;
    std::string out;                   // the whole screen output, banners taken out
    std::vector<std::string> files;    // made by the run
    std::vector<std::string> no_files;  // not made
};

class Cli : public BsdlTest {
protected:
    testsupport::ScopedEnv dirs{"QUENDAL_DIRS", nullptr};
    testsupport::ScopedEnv root{"QUENDAL", nullptr};
};

TEST_F(Cli, Invocations) {
    const std::string kMissingAll =
        "ERROR: can't find lib file \"x.lib\"\nERROR: can't find bsc file \"x.bsc\"\n"
        "ERROR: can't find sdb file \"x.c.sdb\"\n\n";
    const std::string kUncreatable =
        "WARNING: cannot create specified output path \"blocker/x\".\n"
        "         output files will be saved in the current directory.\n";
    auto design = [](const ChipDir& d) { chip_design(d); };
    const Invocation cases[] = {
        {"no arguments", {}, nullptr, 0, kUsage, {}, {}},
        {"-help", {"-help"}, nullptr, 0, kUsage, {}, {}},
        {"-h with a circuit", {"-h", "chip"}, design, 0, kUsage, {}, {"chip.bsdl.rpt"}},
        {"-opath alone: no template flag", {"-opath"}, nullptr, 0, kUsage, {}, {}},
        {"an invalid option warns and the run goes on",
         {"-xyz", "x"}, nullptr, 255, "WARNING: invalid option \"xyz\".\n" + kMissingAll, {"x.bsdl.rpt"}, {}},
        {"-scan takes no word", {"-scan", "x"}, nullptr, 255, kMissingAll, {}, {}},
        {"all three files missing, library first", {"x"}, nullptr, 255, kMissingAll, {}, {}},
        {"-lib_file word and circuit",
         {"-lib_file", "a.lib", "b"},
         nullptr,
         255,
         "ERROR: can't find lib file \"a.lib\"\nERROR: can't find bsc file \"b.bsc\"\n"
         "ERROR: can't find sdb file \"b.c.sdb\"\n\n",
         {},
         {}},
        {"-bsc_file names a missing file", {"-bsc_file", "cfg", "chip"}, design, 255,
         "ERROR: can't find bsc file \"cfg\"\n\n", {}, {}},
        {"-bsc_file falls back to the word itself",
         {"-bsc", "cfg", "chip"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::rename(d.file("chip.bsc"), d.file("cfg"));
         },
         255, kNoBsdl, {}, {}},
        {"-bsc_file tries the word with .bsc first",
         {"-bsc", "cfg", "chip"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::rename(d.file("chip.bsc"), d.file("cfg.bsc"));
             d.write("cfg", "not a configuration");
         },
         255, kNoBsdl, {}, {}},
        {"-lib_file falls back to the word itself",
         {"chip", "-lib_file", "cells"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::rename(d.file("chip.lib"), d.file("cells"));
         },
         255, kNoBsdl, {}, {}},
        {"-bsc_file without a word is not given", {"chip", "-bsc_file"}, design, 255, kNoBsdl, {}, {}},
        {"the whole flow up to the BSDL writer", {"chip"}, design, 255, kNoBsdl, {"chip.bsdl.rpt"}, {"chip.bsd"}},
        {"-opath to a new directory", {"-opath", "out/x", "chip"}, design, 255, kNoBsdl, {"out/x/chip.bsdl.rpt"},
         {"chip.bsdl.rpt"}},
        {"-opath to an uncreatable directory",
         {"-op", "blocker/x", "chip"},
         [](const ChipDir& d) {
             chip_design(d);
             d.write("blocker", "a file");
         },
         255, kUncreatable + kNoBsdl, {"chip.bsdl.rpt"}, {}},
        {"a circuit in a subdirectory",
         {"designs/chip"},
         [](const ChipDir& d) {
             fs::create_directory(d.file("designs"));
             chip_design(d, "designs/chip.c.sdb");
             for (const char* f : {"chip.lib", "chip.bsc"}) fs::rename(d.file(f), d.file(std::string("designs/") + f));
         },
         255, kNoBsdl, {"chip.bsdl.rpt"}, {"designs/chip.bsdl.rpt"}},
        {"circuits of one top module are refused",
         {"a/chip", "b/chip"},
         nullptr,
         255,
         "ERROR: circuits \"a/chip\" and \"b/chip\" have the same top module \"chip\";\n"
         "       their BSDL and report files would overwrite each other.\n\n",
         {},
         {"chip.bsdl.rpt"}},
        {"a report that cannot be opened",
         {"chip"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::create_directory(d.file("chip.bsdl.rpt"));
         },
         255,
         "WARNING: can't open report file \"chip.bsdl.rpt\"; messages go to the screen only.\n" + kNoBsdl, {}, {}},
        {"-T: the template road", {"-T"}, nullptr, 0, "BSDL template file was written into \"./BSDL.tpl\".\n\n",
         {"BSDL.tpl", "BSDL.bsdl.rpt"}, {}},
    };
    for (const Invocation& c : cases) {
        SCOPED_TRACE(c.what);
        ChipDir dir;
        if (c.prepare) c.prepare(dir);
        reset();
        std::vector<std::string> argv = {testsupport::built_program("bin/tallowmere")};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        auto r = run(argv, dir.path());
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_EQ(without_banners(r.out), c.out) << r.out;
        EXPECT_EQ(r.err, "");
        for (const auto& f : c.files) EXPECT_TRUE(fs::exists(dir.path() / f)) << f;
        for (const auto& f : c.no_files) EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
    }
}

TEST_F(Cli, ReportHoldsBannerAndMessages) {
    ChipDir dir;
    chip_design(dir);
    reset();
    auto r = run({testsupport::built_program("bin/tallowmere"), "chip"}, dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.rfind(kBannerRule, 0), 0u) << r.out;
    EXPECT_EQ(read_file(dir.path() / "chip.bsdl.rpt"), r.out);
}

TEST_F(Cli, AnAbsoluteCircuitPathIsFound) {
    ChipDir dir;
    fs::create_directory(dir.file("designs"));
    chip_design(dir, "designs/chip.c.sdb");
    for (const char* f : {"chip.lib", "chip.bsc"}) fs::rename(dir.file(f), dir.file(std::string("designs/") + f));
    reset();
    testsupport::TempDir elsewhere;
    // The pin file is named relative to the working directory.
    elsewhere.write("chip.pin", read_file(dir.path() / "chip.pin"));
    auto r = run({testsupport::built_program("bin/tallowmere"), dir.file("designs/chip")}, elsewhere.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(without_banners(r.out), kNoBsdl);
    EXPECT_TRUE(fs::exists(elsewhere.path() / "chip.bsdl.rpt"));
}

TEST_F(Cli, ChainErrorsReachTheReport) {
    ChipDir dir;
    {
        DesignBuilder d(dir.file("chip.c.sdb"));
        chip_classes(d);
        chip_front(d);
        d.inst("A", "BC_IN");
        d.net("s0", {"TAP/first_Bcell", "A/SI"});
        d.save();
    }
    reset();
    auto r = run({testsupport::built_program("bin/tallowmere"), "chip"}, dir.path());
    const std::string kBroken =
        "ERROR: Boundary Scan Chain is broken at cell 'A'.\n"
        "       Pin 'SO' can't connect to any scan cell or tap controller.\n\n";
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(without_banners(r.out), kBroken);
    EXPECT_EQ(without_banners(read_file(dir.path() / "chip.bsdl.rpt")), kBroken);
}

}  // namespace
