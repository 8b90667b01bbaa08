// The add-TAP flow: the port-only module, its compile run (a fake tessick
// first on PATH) and the synthesis scripts.

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "jtag_test_util.h"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::source_path;

// The text after "TIME :" and its blanks, up to the line end, masked.
std::string masked(std::string script) {
    size_t at = script.find("TIME :");
    if (at == std::string::npos) return script;
    size_t from = script.find_first_not_of(' ', at + 6);
    size_t to = script.find('\n', from);
    return script.replace(from, to - from, "<time>");
}

// The time text of a script, from get_time_string.
std::string time_text(const std::string& script) {
    size_t at = script.find("TIME : ");
    return at == std::string::npos ? "" : script.substr(at + 7, script.find('\n', at) + 1 - (at + 7));
}

std::set<std::string> listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

std::string golden(const char* name) { return read_file(source_path(std::string("tests/fixtures/jtag/") + name)); }

class AddTapFlow : public jtagtest::JtagTest {
protected:
    void SetUp() override {
        JtagTest::SetUp();
        fs::path bin = dir_.path() / "bin";
        fs::create_directories(bin);
        fs::copy_file(source_path("tests/fixtures/jtag/fake_tessick.sh"), bin / "tessick");
        fs::permissions(bin / "tessick", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
        const char* old = std::getenv("PATH");
        std::string path = bin.string() + ":" + (old ? old : "/usr/bin:/bin");
        path_ = std::make_unique<testsupport::ScopedEnv>("PATH", path.c_str());
        status_ = std::make_unique<testsupport::ScopedEnv>("FAKE_TESSICK_STATUS", nullptr);
        work_ = dir_.path() / "work";
        fs::create_directories(work_);
        cd_ = std::make_unique<testsupport::ChangeDir>(work_);
        TOP_MODULE = "chip";
        OPATH = ".";
        jtagtest::rich_description();
        jtagtest::stdout_of([] { jtag_init(); });
    }
    void TearDown() override {
        cd_.reset();
        status_.reset();
        path_.reset();
        JtagTest::TearDown();
    }

    testsupport::TempDir dir_;
    fs::path work_;
    std::unique_ptr<testsupport::ScopedEnv> path_;
    std::unique_ptr<testsupport::ScopedEnv> status_;
    std::unique_ptr<testsupport::ChangeDir> cd_;
};

// The module stays for the netlist edits, the compiled cell is made, the
// compiler's logs are removed, and the scripts match their golden texts.
TEST_F(AddTapFlow, WritesModuleCompilesItAndWritesScripts) {
    EXPECT_EQ(jtagtest::stdout_of([] { jtagsyn(); }),
              " - Synthesizing RTL TAP module (chip_tap) ...\n"
              "    WARNING: the dafault value of enable pin 'EN' from\n"
              "             tap controller is '0000'.\n"
              "    .TAP module (chip_tap) was written into file 'chip_TAP.v'.\n\n");
    EXPECT_EQ(listing(work_), (std::set<std::string>{"chip_TAP_empty.v", "chip_TAP_empty.sdb", "tessick.args",
                                                      "chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl",
                                                      "chip_TAP.v"}));
    // The full RTL TAP the scripts read starts with the same top module.
    std::string empty = read_file("chip_TAP_empty.v");
    EXPECT_EQ(read_file("chip_TAP.v").substr(0, empty.size() - 11), empty.substr(0, empty.size() - 11));
    EXPECT_EQ(read_file("tessick.args"), "-lib chip_TAP_empty.v\n");
    EXPECT_EQ(read_file("chip_TAP_empty.v"), golden("chip_TAP_empty.v"));
    EXPECT_EQ(JTAG_OPTION[OPT_TAP_PORT_ONLY], 0);
    EXPECT_EQ(masked(read_file("chip_TAP.ac.tcl")), golden("chip_TAP.ac.tcl"));
    EXPECT_EQ(masked(read_file("chip_TAP.dc.scr")), golden("chip_TAP.dc.scr"));
    EXPECT_EQ(masked(read_file("chip_TAP.pt.tcl")), golden("chip_TAP.pt.tcl"));
    // The time line carries the current time in the ctime form, ended by
    // its own line end.
    std::string when = time_text(read_file("chip_TAP.pt.tcl"));
    EXPECT_EQ(when.size(), 25u) << when;
    EXPECT_EQ(when.back(), '\n');
    EXPECT_EQ(time_text(read_file("chip_TAP.ac.tcl")), when);
}

// A "./lib" directory receives the compiled cell.
TEST_F(AddTapFlow, LibDirectoryTakesTheCell) {
    fs::create_directory("lib");
    jtagtest::stdout_of([] { jtagsyn(); });
    EXPECT_EQ(read_file("tessick.args"), "-lib chip_TAP_empty.v -opath lib\n");
    EXPECT_TRUE(fs::exists("lib/chip_TAP_empty.sdb"));
    EXPECT_FALSE(fs::exists("chip_TAP_empty.sdb"));
}

// -opath moves the scripts and the RTL TAP; -vhdl changes the scripts and
// the RTL TAP's language, not the port-only module.
TEST_F(AddTapFlow, OpathAndVhdl) {
    JTAG_OPTION[OPT_OPATH] = 1;
    JTAG_OPTION[OPT_VHDL] = 1;
    OPATH = "out";
    fs::create_directory("out");
    jtagtest::stdout_of([] { jtagsyn(); });
    EXPECT_EQ(listing("out"),
              (std::set<std::string>{"chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl", "chip_TAP.vhd"}));
    EXPECT_NE(read_file("out/chip_TAP.vhd").find("\nentity chip_tap is\n"), std::string::npos);
    EXPECT_EQ(read_file("chip_TAP_empty.v"), golden("chip_TAP_empty.v"));
    EXPECT_FALSE(fs::exists("BSCAN.log"));

    std::string ac = read_file("out/chip_TAP.ac.tcl");
    std::string dc = read_file("out/chip_TAP.dc.scr");
    std::string pt = read_file("out/chip_TAP.pt.tcl");
    for (const char* line : {"\nread_vhdl chip_TAP.vhd \n\n", "\nwrite_vhdl -hierarchical chip_TAP_gate.vhd\n\n"})
        EXPECT_NE(ac.find(line), std::string::npos) << line;
    for (const char* line : {"\nanalyze -format vhdl  chip_TAP.vhd \n\n", "\nwrite -f vhdl -h -o chip_TAP_gate.vhd\n\n"})
        EXPECT_NE(dc.find(line), std::string::npos) << line;
    EXPECT_NE(pt.find("\nread_vhdl chip_TAP.vhd \n\n"), std::string::npos);
    for (const std::string* s : {&ac, &dc, &pt}) EXPECT_EQ(s->find("verilog"), std::string::npos);
}

// A failing compile ends the run with 255 and keeps BSCAN.log for the user.
TEST_F(AddTapFlow, FailingCompileKeepsLog) {
    setenv("FAKE_TESSICK_STATUS", "3", 1);
    auto r = jtagtest::run_child([] { jtagsyn(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "    Please check the \"BSCAN.log\" file.\n");
    EXPECT_EQ(read_file("BSCAN.log"),
              "tessick: reading chip_TAP_empty.v\ntessick: syntax error in chip_TAP_empty.v\n");
    EXPECT_EQ(read_file("chip_TAP_empty.v"), golden("chip_TAP_empty.v"));
    EXPECT_FALSE(fs::exists("chip_TAP.ac.tcl"));
}

// A script that cannot be created ends the run; no half-written file or
// temporary file is left behind, and the port-only module written before
// goes with the failed run (the compiled TAP stays: it replaces the
// design's own on purpose).
TEST_F(AddTapFlow, ScriptDirectoryMissing) {
    JTAG_OPTION[OPT_OPATH] = 1;
    OPATH = "missing";
    auto r = jtagtest::run_child([] { jtagsyn(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "ERROR: can't open file 'missing/chip_TAP.ac.tcl'.\n\n");
    EXPECT_EQ(listing(work_), (std::set<std::string>{"chip_TAP_empty.sdb", "tessick.args"}));
}

}  // namespace
