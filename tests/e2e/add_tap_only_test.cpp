// kestrand -add_tap_only on the fixture chip, with the stand-in tools on PATH:
// the port-only TAP module, its compiled cell, the synthesis scripts and
// the RTL TAP they read, in Verilog or VHDL, with the TDO_EN polarity of
// the chip's TDO pad.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::run;
using testsupport::source_path;

TEST(AddTapOnly, WritesCompilesAndScripts) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path());
    // The cells' designs are what the scan-cell checks open.
    auto r = testsupport::tool("tessick", {"-lib", "cells.v"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    // No design of the chip itself is needed.
    r = testsupport::run_kestrand(dir.path(), {"-add_tap_only"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Selected option:  -add_tap_only.\n\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nCPU TIME = "), std::string::npos);
    for (const char* f :
         {"chip_TAP_empty.v", "chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl", "chip_TAP.v", "qdx_tap.sdb"})
        EXPECT_TRUE(fs::exists(dir.path() / f)) << f;
    // The scripts read the RTL TAP the run wrote.
    EXPECT_NE(r.out.find("    .TAP module (qdx_tap) was written into file 'chip_TAP.v'.\n"), std::string::npos);
    EXPECT_NE(read_file(dir.path() / "chip_TAP.ac.tcl").find("\nread_verilog chip_TAP.v \n"), std::string::npos);
    const std::string rtl = read_file(dir.path() / "chip_TAP.v");
    // A second run writes the same TAP.
    r = testsupport::run_kestrand(dir.path(), {"-add_tap_only"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(read_file(dir.path() / "chip_TAP.v"), rtl);
    // The compile log and the tool's side file are removed after success.
    EXPECT_FALSE(fs::exists(dir.path() / "BSCAN.log"));
    EXPECT_FALSE(fs::exists(dir.path() / "chip_TAP_empty.tessick.log"));
    // The compiled TAP is the port-only module the run wrote (it replaced
    // the library's qdx_tap compiled above): exactly the TAP pins that the
    // chip's boundary cells need, with their directions.
    std::map<std::string, std::string> ports;
    for (const char* in : {"TDI", "TMS", "TCK", "TRST", "BOUNDARY_out"}) ports[in] = "input";
    for (const char* out : {"TDO", "TDO_EN", "SHIFT_DR", "CLOCK_DR", "UPDATE_DR", "MODE1", "first_Bcell"})
        ports[out] = "output";
    EXPECT_EQ(testsupport::Netlist(dir.path(), "qdx_tap.sdb").ports(), ports);
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed";
    r = run({"iverilog", "-t", "null", "chip_TAP_empty.v"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    r = run({"iverilog", "-g2001", "-t", "null", "-s", "qdx_tap", "chip_TAP.v"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// With -vhdl the RTL TAP is VHDL, which the scripts read and GHDL takes.
TEST(AddTapOnly, VhdlTap) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "the stand-in tools are not built";
    testsupport::TempDir dir;
    testsupport::copy_fixture_chip(dir.path());
    auto r = testsupport::tool("tessick", {"-lib", "cells.v"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    r = testsupport::run_kestrand(dir.path(), {"-add_tap_only", "-vhdl"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "chip_TAP.v"));
    EXPECT_NE(read_file(dir.path() / "chip_TAP.dc.scr").find("\nanalyze -format vhdl  chip_TAP.vhd \n"),
              std::string::npos);
    if (!testsupport::have_program("ghdl")) GTEST_SKIP() << "ghdl is not installed";
    for (std::vector<std::string> cmd : {std::vector<std::string>{"ghdl", "-a", "--std=93", "chip_TAP.vhd"},
                                         {"ghdl", "-e", "--std=93", "qdx_tap"}}) {
        r = run(cmd, dir.path());
        EXPECT_EQ(r.status, 0) << cmd[1] << ": " << r.out << r.err;
    }
}

// A design whose mux input pad (din1's, add_bcm::kMuxPads) alone needs
// the TAP's MODE_2 output: the TAP that -add_tap_only writes has it, in
// Verilog and in VHDL, as its compiled port-only module shows.
class MuxPadModeOutput : public ::testing::TestWithParam<bool> {};

TEST_P(MuxPadModeOutput, TheTapHasIt) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "the stand-in tools are not built";
    const bool vhdl = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), add_bcm::kMuxPads + add_bcm::kDesignTapMode2));
    std::vector<std::string> options = {"-add_tap_only"};
    if (vhdl) options.push_back("-vhdl");
    const auto r = testsupport::run_kestrand(dir.path(), options);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto ports = testsupport::Netlist(dir.path(), "qdx_tap.sdb").ports();
    const auto mode2 = ports.find("MODE2");
    ASSERT_NE(mode2, ports.end());
    EXPECT_EQ(mode2->second, "output");
    EXPECT_NE(read_file(dir.path() / (vhdl ? "chip_TAP.vhd" : "chip_TAP.v")).find("MODE2"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Languages, MuxPadModeOutput, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Vhdl" : "Verilog"); });

// The TDO_EN output of the TAP follows the TDO pad's enable: with the
// design there, its pad cell tells (as on the -add_tap road); without it,
// the %TDO_EN pin's "-" does.
struct Polarity {
    const char* name;
    bool design;
    const char* lib_tdo_en;  // the %TDO_EN entry
    bool pad_low;            // the TDO pad's enable is active low
    const char* line;        // the line of chip_TAP.v
};

void PrintTo(const Polarity& p, std::ostream* os) { *os << p.name; }

class TdoEnablePolarity : public ::testing::TestWithParam<Polarity> {};

TEST_P(TdoEnablePolarity, FollowsThePadOrThePin) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "the stand-in tools are not built";
    const Polarity& p = GetParam();
    testsupport::TempDir dir;
    std::vector<testsupport::Patch> patches = {
        {"chip.lib", "%TDO_EN TDO_EN;", std::string("%TDO_EN ") + p.lib_tdo_en + ";"}};
    if (p.pad_low) patches.push_back({"chip.lib", "%EN_H OE; }\n%BUFFER PIN_BIDIR", "%EN_L OE; }\n%BUFFER PIN_BIDIR"});
    if (p.design) {
        ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), patches));
    } else {
        testsupport::copy_fixture_chip(dir.path(), patches);
        auto r = testsupport::tool("tessick", {"-lib", "cells.v"}, dir.path());
        ASSERT_EQ(r.status, 0) << r.err;
    }
    auto r = testsupport::run_kestrand(dir.path(), {"-add_tap_only"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(read_file(dir.path() / "chip_TAP.v").find(p.line), std::string::npos) << p.line;
}

INSTANTIATE_TEST_SUITE_P(
    Roads, TdoEnablePolarity,
    ::testing::Values(Polarity{"PinHighNoDesign", false, "TDO_EN", false, "       assign TDO_EN = ENABLE;\n"},
                      Polarity{"PinLowNoDesign", false, "-TDO_EN", false, "       assign TDO_EN = ~ENABLE;\n"},
                      Polarity{"PadLowOverPin", true, "TDO_EN", true, "       assign TDO_EN = ~ENABLE;\n"},
                      Polarity{"PadHighOverPin", true, "-TDO_EN", false, "       assign TDO_EN = ENABLE;\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
