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

// The end of a run that wrote the BSDL file into the directory.
std::string written(const std::string& dir = ".") {
    return "\n - BSDL file was written into \"" + dir + "/chip.bsd\".\n\n";
}
const std::string kNoBsdl = written();

const std::string kBannerRule = "\n============== TALLOWMERE V2.9.00 (07/19/06 Beta_version) Linux ==============\n\n";

// The output with every banner (rule, blank line, time line) and the
// closing system report taken out.
std::string without_banners(std::string out) {
    if (size_t at = out.find("\n[System Info]"); at != std::string::npos) out.erase(at);
    for (size_t at; (at = out.find(kBannerRule)) != std::string::npos;) {
        size_t time = out.find("\nTIME: ", at + kBannerRule.size());
        size_t end = out.find('\n', time + 1);
        out.erase(at, end + 2 - at);  // the time line ends with an empty line
    }
    return out;
}

// The circuit "chip" in a directory: description files and a design with
// a two-cell chain, an input cell A and an output cell B, each at its pad.
void chip_design(const ChipDir& dir, const std::string& path = "chip.c.sdb") {
    dir.write("chip.pin",
              "%PACKAGE_TYPE QFN7 7;\n"
              "1 DIN0 din0 in PAD(PIN_IN)\n2 DOUT0 dout0 out PAD(PIN_OUT)\n3 TDI tdi in PAD(PIN_IN)\n"
              "4 TMS tms in PAD(PIN_IN)\n5 TCK tck in PAD(PIN_IN)\n6 TRST trst in PAD(PIN_IN)\n"
              "7 TDO tdo out PAD(PIN_TRI) PAD_EN_H\n");
    DesignBuilder d(dir.file(path));
    chip_classes(d);
    d.cell("PIN_OUT", {{"A", IN}, {"PAD", OUT}});
    chip_front(d);
    d.inst("A", "BC_IN").inst("B", "BC_OUT");
    d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/SI"}).net("s2", {"B/SO", "TAP/BOUNDARY_out"});
    d.port("din0", IN).inst("p_din0", "PIN_IN").net("din0", {"p_din0/PAD"}).net("din0_c", {"p_din0/Y", "A/DI"});
    d.port("dout0", OUT).inst("p_dout0", "PIN_OUT").net("dout0", {"p_dout0/PAD"});
    d.net("dout0_c", {"B/DO", "p_dout0/A"});
    for (const char* p : {"tms", "tck", "trst"}) {
        const std::string pad = std::string("p_") + p;
        d.port(p, IN).inst(pad, "PIN_IN").net(p, {pad + "/PAD"});
    }
    d.save();
}

// chip_design with the package names of din0 and dout0 (pin-file lines
// 2 and 3) replaced.
std::function<void(const ChipDir&)> bus_pins(const std::string& din0, const std::string& dout0) {
    return [din0, dout0](const ChipDir& d) {
        chip_design(d);
        std::string pins = read_file(d.file("chip.pin"));
        pins.replace(pins.find("DIN0"), 4, din0);
        pins.replace(pins.find("DOUT0"), 5, dout0);
        d.write("chip.pin", pins);
    };
}

// The circuit of chip_design under another top module name.
std::function<void(const ChipDir&)> named_design(const std::string& top) {
    return [top](const ChipDir& d) {
        chip_design(d, top + ".c.sdb");
        for (const char* ext : {".lib", ".bsc"}) fs::rename(d.file(std::string("chip") + ext), d.file(top + ext));
    };
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
         0, kNoBsdl, {}, {}},
        {"-bsc_file tries the word with .bsc first",
         {"-bsc", "cfg", "chip"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::rename(d.file("chip.bsc"), d.file("cfg.bsc"));
             d.write("cfg", "not a configuration");
         },
         0, kNoBsdl, {}, {}},
        {"-lib_file falls back to the word itself",
         {"chip", "-lib_file", "cells"},
         [](const ChipDir& d) {
             chip_design(d);
             fs::rename(d.file("chip.lib"), d.file("cells"));
         },
         0, kNoBsdl, {}, {}},
        {"-bsc_file without a word is not given", {"chip", "-bsc_file"}, design, 0, kNoBsdl, {}, {}},
        {"the whole flow", {"chip"}, design, 0, kNoBsdl, {"chip.bsdl.rpt", "chip.bsd"}, {}},
        {"-opath to a new directory", {"-opath", "out/x", "chip"}, design, 0, written("out/x"),
         {"out/x/chip.bsdl.rpt", "out/x/chip.bsd"},
         {"chip.bsdl.rpt"}},
        {"-opath to an uncreatable directory",
         {"-op", "blocker/x", "chip"},
         [](const ChipDir& d) {
             chip_design(d);
             d.write("blocker", "a file");
         },
         0, kUncreatable + kNoBsdl, {"chip.bsdl.rpt", "chip.bsd"}, {}},
        {"a circuit in a subdirectory",
         {"designs/chip"},
         [](const ChipDir& d) {
             fs::create_directory(d.file("designs"));
             chip_design(d, "designs/chip.c.sdb");
             for (const char* f : {"chip.lib", "chip.bsc"}) fs::rename(d.file(f), d.file(std::string("designs/") + f));
         },
         0, kNoBsdl, {"chip.bsdl.rpt"}, {"designs/chip.bsdl.rpt"}},
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
         0,
         "WARNING: can't open report file \"chip.bsdl.rpt\"; messages go to the screen only.\n" + kNoBsdl, {}, {}},
        // A bus index the port tables cannot hold, or a bit given twice,
        // would declare a port twice or under a wrapped number.
        {"a bus index beyond int", {"chip"}, bus_pins("DBUS[4294967296]", "DBUS[0]"), 255,
         "ERROR: 'chip.pin' line 2: bus index '4294967296' of port 'DBUS' is not a number from 0 to 2147483647.\n\n",
         {}, {"chip.bsd"}},
        {"a bus index of 20 digits", {"chip"}, bus_pins("DBUS[0]", "DBUS[18446744073709551617]"), 255,
         "ERROR: 'chip.pin' line 3: bus index '18446744073709551617' of port 'DBUS' is not a number from 0 to "
         "2147483647.\n\n",
         {}, {"chip.bsd"}},
        {"the largest bus index", {"chip"}, bus_pins("DBUS[2147483647]", "DBUS[0]"), 0, kNoBsdl, {"chip.bsd"}, {}},
        {"one bit written twice", {"chip"}, bus_pins("DBUS[1]", "DBUS[01]"), 255,
         "ERROR: 'chip.pin' line 3: bit 1 of port 'DBUS' is given a second time.\n\n", {}, {"chip.bsd"}},
        // Every name the run writes must fit its folder (255 bytes): the
        // report of a top of 247 characters is refused before the BSDL
        // and SVF files are written, and so is a template's report.
        {"a report name too long", {"-scan", std::string(247, 'c')}, named_design(std::string(247, 'c')), 255,
         "ERROR: can't write file './" + std::string(247, 'c') + ".bsdl.rpt': File name too long.\n\n", {},
         {std::string(247, 'c') + ".bsd", std::string(247, 'c') + ".svf"}},
        {"a template report name too long", {"-T", std::string(251, 't')}, nullptr, 255,
         "ERROR: can't write file './" + std::string(251, 't') + ".bsdl.rpt': File name too long.\n\n", {},
         {std::string(251, 't') + ".tpl"}},
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
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(kBannerRule, 0), 0u) << r.out;
    // The same up to the system report, which the screen gets with one
    // more blank line.
    auto upto_system_report = [](std::string s) {
        s.erase(s.find("[System Info]"));
        return s.erase(s.find_last_not_of('\n') + 1);
    };
    EXPECT_EQ(upto_system_report(read_file(dir.path() / "chip.bsdl.rpt")), upto_system_report(r.out));
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
    EXPECT_EQ(r.status, 0);
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

// The description errors that end a run are in the report as on the
// screen: a missing design, and a syntax error of the configuration.
TEST_F(Cli, DescriptionErrorsReachTheReport) {
    struct Case {
        const char* what;
        std::function<void(const ChipDir&)> prepare;
        std::string message;
    };
    const Case cases[] = {
        {"missing design", nullptr, "ERROR: can't find sdb file \"chip.c.sdb\"\n\n"},
        {"configuration syntax",
         [](const ChipDir& d) {
             chip_design(d);
             d.write("chip.bsc", "%TAP_CONTROLLER = ;\n");
         },
         "\"./chip.bsc\", line 1: Syntax Error at '='\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChipDir dir;
        if (c.prepare) c.prepare(dir);
        reset();
        auto r = run({testsupport::built_program("bin/tallowmere"), "chip"}, dir.path());
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(without_banners(r.out), c.message);
        EXPECT_EQ(without_banners(read_file(dir.path() / "chip.bsdl.rpt")), c.message);
    }
}

}  // namespace
