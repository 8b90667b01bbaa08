// kestrand -add_bcm with the TAP's IDCODE from outside (-external_idcode),
// cells with %EXTRA_n pins, -df_speed and a TAP controller configured in
// a sub-module: rows of the end-to-end case of add_bcm_test.cpp, and the
// checks that only these roads need.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace add_bcm {
namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::RunResult;

// The TAP's extra pin %EXTRA_1, named AUX.
const Patch kTapAux{"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 AUX;"};

// Only the input cells take an extra pin: %EXTRA_2 (the TAP names
// neither extra pin, so it takes the default names EXTRA1 and EXTRA2).
const std::vector<Patch> kInputCellsTakeExtra2 = {
    {"chip.lib", "%MODE_1 MODE;\n}", "%MODE_1 MODE; %EXTRA_2 EX;\n}"},  // BC_IN, the first cell
    {"cells.v", "module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n  input DI,",
     "module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, EX);\n  input EX, DI,"}};

// The TAP controller configured inside the core.
const Patch kTapInCore{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME core.u_tap;"};

std::vector<Patch> joined(std::vector<Patch> a, const std::vector<Patch>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Options, AddBcm,
    ::testing::Values(
        BcmCase{"external_idcode", {"-external_idcode"}, {}, "chip_jtag_in"},
        BcmCase{"external_idcode_one_module", {"-external_idcode"}, without_directions(), ""},
        BcmCase{"extra_pin_every_cell", {}, joined(cells_with("EX", "%EXTRA_1 EX;"), {kTapAux}), "chip_jtag_in", true,
                9, 0},
        BcmCase{"extra_pin_every_cell_one_module",
                {},
                joined(joined(cells_with("EX", "%EXTRA_1 EX;"), {kTapAux}), without_directions()),
                "",
                true,
                9,
                0},
        BcmCase{"extra_pin_of_input_cells_only", {}, kInputCellsTakeExtra2, "chip_jtag_in", true, 9, 0},
        // An active-low TAP pin: its tree is built of the inverting buffer.
        BcmCase{"extra_pin_active_low",
                {},
                joined(cells_with("EX", "%EXTRA_1 EX;"),
                       {{"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 -AUX;"}}),
                "chip_jtag_in",
                true,
                9,
                0},
        BcmCase{"df_speed", {"-df_speed"}, {kGroupSize2}, "chip_jtag_in"},
        BcmCase{"df_speed_one_module_without_group_size", {"-df_speed"}, joined({kNoGroupSize}, without_directions()),
                ""},
        BcmCase{"tap_configured_in_a_sub_module", {"-external_idcode"}, {kTapInCore}, "chip_jtag_in"}),
    [](const auto& info) { return info.param.name; });

bool built() { return testsupport::fixture_tools_built(); }

RunResult run_add_bcm(const fs::path& dir, const std::vector<Patch>& patches, std::vector<std::string> options) {
    testsupport::compile_notap_chip(dir, patches);
    options.insert(options.begin(), "-add_bcm");
    return testsupport::run_kestrand(dir, options);
}

// The lines of a text that match a pattern, the first group of each.
std::vector<std::string> matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

// -external_idcode: the module brings the TAP's IDCODE bus out, and the
// command file ties each bit to the configured value, bit 31 first.  The
// simulated chip then reads the value through its TAP pins (the rows
// above).
TEST(AddBcmOptions, ExternalIdcodeTiesTheModuleBusBitByBit) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const std::string id = "10010000000000000001000010100111";
    const RunResult r = run_add_bcm(dir.path(),
                                    {{"chip.bsc", "%IDCODE_REGISTER 00010000000000000001000010100111;",
                                      "%IDCODE_REGISTER " + id + ";"}},
                                    {"-external_idcode"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string module = read_file(dir.path() / "chip_BCM.v");
    EXPECT_NE(module.find("input      [31:0] IDCODE;\n"), std::string::npos) << module;
    EXPECT_NE(module.find(".IDCODE\t( IDCODE )"), std::string::npos) << module;
    const std::string cmd = read_file(dir.path() / "bscan_lib/chip_jtag.cmd");
    const std::vector<std::string> ties = matches(cmd, R"(connect chip_BCM\{IDCODE\[\d+\]\} (\w+)\n)");
    ASSERT_EQ(ties.size(), 32u) << cmd;
    for (size_t i = 0; i < 32; ++i) {
        const char* want = id[i] == '1' ? "VCC" : "GND";
        EXPECT_EQ(ties[i], want) << "IDCODE[" << 31 - i << "]";
    }
    EXPECT_NE(cmd.find("connect chip_BCM{IDCODE[31]} VCC\n"), std::string::npos);
    EXPECT_NE(cmd.find("connect chip_BCM{IDCODE[0]} VCC\n"), std::string::npos);
}

// Without -external_idcode the module has no IDCODE port and nothing is tied.
TEST(AddBcmOptions, NoIdcodePortWithoutTheOption) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const RunResult r = run_add_bcm(dir.path(), {}, {});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(read_file(dir.path() / "chip_BCM.v").find("IDCODE"), std::string::npos);
    EXPECT_EQ(read_file(dir.path() / "bscan_lib/chip_jtag.cmd").find("IDCODE"), std::string::npos);
}

// Every cell's extra pin hangs on a leaf of the TAP pin's tree; with
// position groups each sub-module that takes the pin gets a port of its
// own, a leaf of the module's tree, and roots its own tree there.
TEST(AddBcmOptions, ExtraPinTreesReachEveryCell) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const RunResult r = run_add_bcm(dir.path(), kInputCellsTakeExtra2, {});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("WARNING: (./chip.lib) can't find %EXTRA_2 "), std::string::npos) << r.out;
    const std::string module = read_file(dir.path() / "chip_BCM.v");
    // Four input cells (clk, rst_n, din0, din1), each on a leaf of extra2.
    EXPECT_EQ(matches(module, R"(\.EX\t\( (extra2_buf_\d+_\d+_Y) \))").size(), 4u) << module;
    EXPECT_EQ(module.find("extra1_buf"), std::string::npos) << "no cell takes %EXTRA_1";
    EXPECT_NE(module.find("assign extra2_buf_1_1_A = chip_in_EXTRA2;\n"), std::string::npos) << module;
    EXPECT_NE(module.find(".chip_in_EXTRA2 ( extra2_buf_1_1_Y )"), std::string::npos) << module;
    EXPECT_NE(module.find(".EXTRA2\t( extra2_buf_1_1_A )"), std::string::npos) << module;
    // Only the sub-module of the input cells takes it.
    EXPECT_EQ(module.find("chip_out_EXTRA2"), std::string::npos);
    EXPECT_EQ(module.find("chip_inout_EXTRA2"), std::string::npos);
}

// -df_speed keeps one place of every leaf free: with %GROUP_SIZE 2 each
// leaf buffer of a tree drives a single cell.  The extra pins' trees keep
// their groups.
TEST(AddBcmOptions, DfSpeedLeavesDriveOneLoadFewer) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    for (const bool df : {false, true}) {
        testsupport::TempDir dir;
        std::vector<std::string> options;
        if (df) options.push_back("-df_speed");
        const std::vector<Patch> patches =
            joined(joined({kGroupSize2, kTapAux}, cells_with("EX", "%EXTRA_1 EX;")), without_directions());
        const RunResult r = run_add_bcm(dir.path(), patches, options);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const std::string module = read_file(dir.path() / "chip_BCM.v");
        auto leaves_of = [&](const std::string& pin, const std::string& stem) {
            const std::vector<std::string> leaves =
                matches(module, "\\." + pin + "\t\\( (" + stem + "_buf_\\d+_\\d+_Y) \\)");
            EXPECT_EQ(leaves.size(), 9u) << pin;
            return std::set<std::string>(leaves.begin(), leaves.end()).size();
        };
        EXPECT_EQ(leaves_of("SHIFT", "shift"), df ? 9u : 5u) << (df ? "-df_speed" : "plain") << "\n" << module;
        EXPECT_EQ(leaves_of("EX", "extra1"), 5u) << (df ? "-df_speed" : "plain") << "\n" << module;
    }
}

// A %GROUP_SIZE of 1 leaves no load to a leaf under -df_speed: the run
// stops before it writes the TAP or the module.
TEST(AddBcmOptions, DfSpeedWithGroupSizeOneIsRefusedBeforeAnyFile) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const RunResult r =
        run_add_bcm(dir.path(), {{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 1;"}}, {"-df_speed"});
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("ERROR: (./chip.lib) %GROUP_SIZE 1 of %TAP_CONTROLLER qdx_tap leaves a buffer no load "
                         "under -df_speed;\n       it must be at least 2.\n\n"),
              std::string::npos)
        << r.out;
    for (const char* f : {"chip_TAP.v", "chip_BCM.v", "chip.bso"}) EXPECT_FALSE(fs::exists(dir.path() / f)) << f;
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib"));
}

// A TAP controller that the configuration places in a sub-module comes,
// like any other, inside the boundary-cell module; a design that already
// holds an instance at that path is refused before any file.
TEST(AddBcmOptions, TapConfiguredInASubModuleThatIsTaken) {
    if (!built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    const Patch taken{"chip.v", "  assign bidir_out = bidir_in;",
                      "  assign bidir_out = bidir_in;\n  BUF u_tap (.A(clk), .Y());"};
    const RunResult r = run_add_bcm(dir.path(), {kTapInCore, taken}, {});
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_NE(r.out.find("already holds the TAP instance 'core.u_tap'"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "chip_BCM.v"));
}

}  // namespace
}  // namespace add_bcm
