// kestrand -add_tap_only on the fixture chip, with the stand-in tools on PATH.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

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
    for (const char* f : {"chip_TAP_empty.v", "chip_TAP.ac.tcl", "chip_TAP.dc.scr", "chip_TAP.pt.tcl", "qdx_tap.sdb"})
        EXPECT_TRUE(fs::exists(dir.path() / f)) << f;
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
}

}  // namespace
