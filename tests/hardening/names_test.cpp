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

    // No shell ran, and nothing was made outside the working area.
    for (const fs::path& p : files_below(root.path())) {
        EXPECT_NE(p.filename().string(), "pwned") << "a shell ran: " << p;
        const std::string rel = fs::relative(p, area).string();
        EXPECT_FALSE(rel.rfind("..", 0) == 0) << "outside the working area: " << p;
    }
    EXPECT_FALSE(fs::exists("pwned"));
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

}  // namespace
