// Names that a shell or an output language would read otherwise: blanks,
// quotes, ";", "$(...)", a leading "-" and bytes outside ASCII, as the
// name of the working directory, a module, instances and the circuit.
// The tools run no shell and touch nothing outside the working area;
// what they write is read back by the language's own checkers (Icarus
// Verilog for the netlist, GHDL for the VHDL TAP, the BSDL checks, Tcl
// for the synthesis scripts), or the name is refused with a message.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/bsdl_check.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::have_program;
using testsupport::read_file;
using testsupport::RunResult;
using testsupport::Patch;
using testsupport::TempDir;

enum class Place { Directory, Module, Instance, Circuit };

struct NameCase {
    const char* label;
    const char* name;
};

const NameCase kNames[] = {
    {"blank", "a b"},
    {"single_quote", "a'b"},
    {"double_quote", "q\"d"},
    {"semicolon", "a;b"},
    {"command", "$(touch${IFS}pwned)"},
    {"backquote", "`touch${IFS}pwned`"},
    {"tcl_command", "[pwned]"},
    {"leading_dash", "-x"},
    {"non_ascii", "\xc3\xa9t\xc3\xa9"},
    {"braces", "a{b}"},
};

struct Case {
    Place place;
    NameCase name;
};

std::string place_name(Place p) {
    switch (p) {
        case Place::Directory: return "directory";
        case Place::Module: return "module";
        case Place::Instance: return "instance";
        case Place::Circuit: return "circuit";
    }
    return "";
}

// Shown by the test runner in place of the case's bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << place_name(c.place) << "_" << c.name.label; }

void replace_all(std::string& s, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
}

// Every file below dir.
std::vector<fs::path> files_below(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) out.push_back(e.path());
    return out;
}

// No shell ran, and nothing was made outside the working area.
void expect_no_shell_nothing_outside(const fs::path& root, const fs::path& area) {
    for (const fs::path& p : files_below(root)) {
        EXPECT_NE(p.filename().string(), "pwned") << "a shell ran: " << p;
        const std::string rel = fs::relative(p, area).string();
        EXPECT_FALSE(rel.rfind("..", 0) == 0) << "outside the working area: " << p;
    }
    EXPECT_FALSE(fs::exists("pwned"));
}

class Names : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
            GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    }
};

// Runs one step; a step that fails must say so and end normally.
bool step(const std::vector<std::string>& argv, const fs::path& dir, const std::string& what) {
    RunResult r = testsupport::run(argv, dir);
    if (r.status == 0) return true;
    EXPECT_NE(r.status, -1) << what << " did not end normally";
    EXPECT_FALSE(r.out.empty() && r.err.empty()) << what << " failed without a message";
    return false;
}

TEST_P(Names, NoShellNothingOutsideAndOutputsInTheirLanguage) {
    const Case c = GetParam();
    const std::string name = c.name.name;

    TempDir root;
    const fs::path area = root.path() / "area";
    const fs::path work = c.place == Place::Directory ? area / name : area;
    fs::create_directories(work);
    testsupport::copy_fixture_chip(work);
    std::string top = "chip";
    std::string netlist = read_file(work / "chip.v");
    const std::string escaped = "\\" + name + " ";
    switch (c.place) {
        case Place::Directory: break;
        case Place::Module:
            replace_all(netlist, "module slice (", "module " + escaped + "(");
            replace_all(netlist, "  slice u", "  " + escaped + "u");
            break;
        case Place::Instance:
            replace_all(netlist, "core core (", "core " + escaped + "(");
            replace_all(netlist, "PAD_DIN0   (", "\\" + name + "_pad (");
            replace_all(netlist, "BUF b0 (", "BUF \\" + name + "_b0 (");
            break;
        case Place::Circuit:
            replace_all(netlist, "module chip (", "module " + escaped + "(");
            top = name;
            for (const char* ext : {".bsc", ".lib", ".pin"}) fs::copy_file(work / ("chip" + std::string(ext)), work / (top + ext));
            break;
    }
    std::ofstream(work / "chip.v", std::ios::binary) << netlist;

    testsupport::ToolPath env;
    const std::string tools = testsupport::tools_dir();
    const bool compiled = step({tools + "/tessick", "-lib", "cells.v", "chip.v"}, work, "tessick");
    bool ok = compiled && step({tools + "/drumway", top}, work, "drumway") &&
              step({built_program("bin/kestrand"), top}, work, "kestrand") &&
              step({built_program("bin/tallowmere"), "-bsc_file", top, "-lib_file", top, top + "_jtag"}, work,
                   "tallowmere");
    // A Verilog name cannot hold a blank: an escaped identifier ends at
    // the first white space, so the netlist compiler meets the rest of the
    // name where it expects the next token and refuses the netlist.
    const bool blank = c.place != Place::Directory && name.find(' ') != std::string::npos;
    if (blank) {
        EXPECT_FALSE(compiled) << "tessick took a Verilog name with a blank";
    }
    // As a circuit name, a leading "-" is an option to every tool: it is
    // refused.  The netlist-edit command files write an end point as
    // INST{PIN} and name the edited design: an instance or circuit name
    // with a brace cannot be written there, and the editor refuses the
    // file (the run stops with its message, the design untouched).
    // Everything else goes through.
    const bool braces = name.find_first_of("{}") != std::string::npos;
    const bool refused = blank || (c.place == Place::Circuit && name[0] == '-') ||
                         ((c.place == Place::Instance || c.place == Place::Circuit) && braces);
    EXPECT_EQ(ok, !refused) << (refused ? "the name was taken" : "the flow stopped");

    expect_no_shell_nothing_outside(root.path(), area);
    if (!ok && compiled && c.place == Place::Instance) {
        // The editor refused the command file: the run keeps that file
        // and the editor's log, which names it, and leaves no result of
        // the chip it did not build.
        EXPECT_TRUE(fs::exists(work / "bs_plovert.log"));
        EXPECT_TRUE(fs::exists(work / "bscan_lib/chip_jtag.cmd"));
        for (const char* f : {"chip.bso", "chip_jtag.sdb", "bscan_lib/chip_jtag.sdb", "chip_jtag.v", "chip_jtag.c.sdb"})
            EXPECT_FALSE(fs::exists(work / f)) << f;
    }
    if (!ok) return;

    // The written netlist, read by Icarus Verilog with the cells.
    if (have_program("iverilog")) {
        RunResult v = testsupport::run({"iverilog", "-o", "/dev/null", "cells.v", top + "_jtag.v"}, work);
        EXPECT_EQ(v.status, 0) << v.out << v.err << read_file(work / (top + "_jtag.v")).substr(0, 4000);
    }
    // The BSDL file.
    bsdlcheck::BsdlCheck b = bsdlcheck::check_bsdl_file((work / (top + "_jtag.bsd")).string());
    EXPECT_TRUE(b.problems.empty()) << b.describe();
    // The VHDL TAP and the synthesis scripts that read it.
    // A circuit name with a double quote cannot be written into the
    // dc_shell script: the TAP road refuses it before writing anything.
    const bool tap_ok = step({built_program("bin/kestrand"), "-add_tap_only", "-vhdl", top}, work, "kestrand -vhdl");
    if (c.place == Place::Circuit && name.find('"') != std::string::npos) {
        EXPECT_FALSE(tap_ok);
        for (const char* ext : {"_TAP.vhd", "_TAP_empty.v", "_TAP.ac.tcl", "_TAP.dc.scr", "_TAP.pt.tcl"})
            EXPECT_FALSE(fs::exists(work / (top + ext))) << ext;
        return;
    }
    ASSERT_TRUE(tap_ok);
    if (have_program("ghdl")) {
        RunResult g = testsupport::run({"ghdl", "-s", "--std=93c", top + "_TAP.vhd"}, work);
        EXPECT_EQ(g.status, 0) << g.out << g.err;
    }
    // The Tcl scripts: read by Tcl with the tool commands recording
    // their words; every file name arrives as one word, nothing else runs.
    if (have_program("tclsh")) {
        for (const std::string& script : {top + "_TAP.ac.tcl", top + "_TAP.pt.tcl"}) {
            const std::string probe =
                "proc unknown {args} {}\n"
                "proc read_vhdl {f} {puts \"READ:$f\"}\n"
                "proc read_verilog {f} {puts \"READ:$f\"}\n"
                "source [lindex $argv 0]\n";
            std::ofstream(work / "probe.tcl") << probe;
            RunResult t = testsupport::run({"tclsh", "probe.tcl", script}, work);
            EXPECT_EQ(t.status, 0) << script << ": " << t.err;
            EXPECT_NE(t.out.find("READ:" + top + "_TAP.vhd\n"), std::string::npos) << script << ": " << t.out;
        }
    }
}

std::vector<Case> all_cases() {
    std::vector<Case> v;
    for (Place p : {Place::Directory, Place::Module, Place::Instance, Place::Circuit})
        for (const NameCase& n : kNames) v.push_back({p, n});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Table, Names, ::testing::ValuesIn(all_cases()), [](const auto& info) {
    return place_name(info.param.place) + "_" + info.param.name.label;
});

// The -add_bcm road on a design of each name.  The boundary-cell module
// and its position sub-modules are named after the design, and so are
// the sub-modules' control ports: the module's Verilog is read by the
// netlist tools within the run and by Icarus Verilog after it, and
// tallowmere describes the edited chip.  The design is named with its
// folder ("./-x"), so that a leading "-" is no option.
class AddBcmNames : public ::testing::TestWithParam<NameCase> {
protected:
    void SetUp() override {
        if (!testsupport::fixture_tools_built() || !fs::exists(built_program("bin/tallowmere")))
            GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    }
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

TEST_P(AddBcmNames, TheModuleIsWrittenInItsLanguage) {
    const std::string name = GetParam().name;
    TempDir root;
    const fs::path area = root.path() / "area";
    fs::create_directories(area);
    testsupport::copy_notap_chip(area, {{"chip.v", "module chip (", "module \\" + name + " ("}});
    if (HasFatalFailure()) return;
    for (const char* ext : {".bsc", ".lib", ".pin"})
        fs::copy_file(area / ("chip" + std::string(ext)), area / (name + ext));
    const std::string top = "./" + name;

    testsupport::ToolPath env;
    const std::string tools = testsupport::tools_dir();
    const bool compiled = step({tools + "/tessick", "-lib", "cells.v", "chip.v"}, area, "tessick");
    // A Verilog identifier cannot hold a blank, escaped or not: the
    // netlist compiler refuses the netlist.
    if (name.find(' ') != std::string::npos) {
        EXPECT_FALSE(compiled) << "tessick took a Verilog name with a blank";
        expect_no_shell_nothing_outside(root.path(), area);
        return;
    }
    const bool ok = compiled && step({tools + "/drumway", top}, area, "drumway") &&
                    step({built_program("bin/kestrand"), top, "-add_bcm"}, area, "kestrand -add_bcm") &&
                    step({built_program("bin/tallowmere"), "-bsc_file", top, "-lib_file", top, top + "_jtag"}, area,
                         "tallowmere");
    // A name with a brace cannot be written as an end point INST{PIN} of
    // the netlist-edit command files (see NoShellNothingOutsideAndOutputsInTheirLanguage).
    EXPECT_EQ(ok, name.find_first_of("{}") == std::string::npos);
    expect_no_shell_nothing_outside(root.path(), area);
    if (!ok) return;
    if (have_program("iverilog")) {
        for (const std::string& netlist : {name + "_BCM.v", name + "_jtag.v"}) {
            RunResult v =
                testsupport::run({"iverilog", "-o", "/dev/null", "cells.v", top + "_TAP.v", "./" + netlist}, area);
            EXPECT_EQ(v.status, 0) << netlist << "\n" << v.out << v.err << read_file(area / netlist).substr(0, 4000);
        }
    }
    bsdlcheck::BsdlCheck b = bsdlcheck::check_bsdl_file((area / (name + "_jtag.bsd")).string());
    EXPECT_TRUE(b.problems.empty()) << b.describe();
}

// A circuit whose name the netlist-edit command files cannot take (they
// split fields at blanks and read INST{PIN} at braces) is refused with its
// message before the run writes anything, on the road that edits the
// design and on the boundary-cell module's.  A name that no Verilog module
// can have (a tab) is the chip's database under that name.
TEST(CircuitNames, RefusedBeforeTheFirstFileWhereCommandFilesCannotTakeThem) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    for (const std::string name : {"a{b}", "x}y", "tab\tin"})
        for (const bool bcm : {false, true}) {
            SCOPED_TRACE(name + (bcm ? " -add_bcm" : ""));
            TempDir dir;
            const bool verilog_name = name.find('\t') == std::string::npos;
            const std::string module = verilog_name ? name : "chip";
            const std::vector<Patch> top = {{"chip.v", "module chip (", "module \\" + module + " ("}};
            bcm ? testsupport::copy_notap_chip(dir.path(), top) : testsupport::copy_fixture_chip(dir.path(), top);
            for (const char* ext : {".bsc", ".lib", ".pin"})
                fs::copy_file(dir.path() / ("chip" + std::string(ext)), dir.path() / (name + ext),
                              fs::copy_options::overwrite_existing);
            testsupport::ToolPath env;
            const std::string tools = testsupport::tools_dir();
            ASSERT_TRUE(step({tools + "/tessick", "-lib", "cells.v", "chip.v"}, dir.path(), "tessick"));
            ASSERT_TRUE(step({tools + "/drumway", module}, dir.path(), "drumway"));
            if (!verilog_name)
                for (const char* ext : {".sdb", ".c.sdb"})
                    fs::copy_file(dir.path() / (module + ext), dir.path() / (name + ext));
            const testsupport::FolderFiles before = testsupport::folder_files(dir.path(), {".rpt"});
            std::vector<std::string> argv = {built_program("bin/kestrand"), name};
            if (bcm) argv.emplace_back("-add_bcm");
            const RunResult r = testsupport::run(argv, dir.path());
            EXPECT_EQ(r.status, 255) << r.out << r.err;
            EXPECT_NE(r.out.find("ERROR: the circuit name '" + name +
                                 "' can't be written into a netlist-edit command file,\n"
                                 "       which takes no blank, line end, '{' or '}' in a name.\n"),
                      std::string::npos)
                << r.out;
            EXPECT_EQ(testsupport::folder_changes(before, testsupport::folder_files(dir.path(), {".rpt"})),
                      std::vector<std::string>{});
        }
}

INSTANTIATE_TEST_SUITE_P(Table, AddBcmNames, ::testing::ValuesIn(kNames),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
