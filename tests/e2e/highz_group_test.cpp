// Pads whose enable is tied to a constant take the TAP's high-impedance
// command from the buffer of their high-impedance group: simulated
// through the TAP pins, such a pad drives in functional mode exactly when
// its tied enable made it drive before the insertion, and floats under
// HIGHZ; the chip behaves as tallowmere's BSDL says (the scan simulation
// of scan_sim_test.cpp, with the yosys proof of the functional mode).  An
// active-high enable takes the command through an inverter, which the
// run refuses to do without one, before any file is written.  A pad that
// carries its own boundary cell with a %HIGHZ pin takes the command on
// that pin, as a configured cell would, and floats under HIGHZ.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using scan_sim::fixture;
using scan_sim::kHighzControlCell;
using scan_sim::kUsercodeClampHighz;
using scan_sim::ScanCase;
using scan_sim::Mutant;
using scan_sim::ScanSim;
using scanharness::Road;
using testsupport::Patch;

// The three-state output's enable (active high) tied on or off.
const Patch kDout1On{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"};
const Patch kDout1Off{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b0), .PAD(dout1)"};
// The bidirectional pad's drive side from din0 and its input side into a
// buffer, so that the pad's loop through the core is open; and its
// enable tied on.
const Patch kBidirFromDin0{"chip.v", "  assign bidir_out = bidir_in;",
                           "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"};
const Patch kBidirOn{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(1'b1), .Y(bidir0_i)"};
const Patch kBidirOff{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(1'b0), .Y(bidir0_i)"};
using scan_sim::kDout1ActiveLowOn;

// HIGHZ in the instruction table, and a control cell whose HIGHZ pin
// floats the pads of ordinary control cells under it.
const std::vector<Patch> kHighz = kUsercodeClampHighz + kHighzControlCell;

using scan_sim::kOwnCellPadWithHighzPin;
const Patch kNoGroupSize{"chip.lib", "%GROUP_SIZE 8;", ""};

// The own-cell pad's HIGHZ pin inverted: it floats with the TAP in reset.
ScanCase own_cell_highz_case(const std::string& name, scan_sim::Prepare prepare, Road road,
                             const std::string& module = "") {
    ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.mutants = {{module, "PAD_DOUT0", "HZ"}};
    c.control_cells = 0;
    c.never_driven = {"dout1"};
    c.highz_floats_every_pin = true;
    return c;
}

// Three-state and bidirectional pads that carry their own cell with a
// %HIGHZ pin (dout1, bidir0), beside a two-state one (dout0), their
// enables from the core through control cells without one: the pads' own
// pins float every pin under HIGHZ, so the BSDL lists the instruction and
// kestrand does not warn.
ScanCase own_cell_enables_case(const std::string& name, scan_sim::Prepare prepare, Road road,
                               const std::string& module = "", std::vector<std::string> options = {}) {
    ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.options = std::move(options);
    c.mutants = {{module, "PAD_DOUT1", "HZ"}, {module, "PAD_BIDIR0", "HZ"}};
    c.highz_floats_every_pin = true;
    return c;
}

using scan_sim::kOneCellForEveryRole;
using scan_sim::kOwnHighzTriBidir;
using scan_sim::kPadWithOwnHighzCell;
const std::vector<Patch> kOwnCellEnables = kOwnHighzTriBidir + kPadWithOwnHighzCell;
// In the IO-pad modules of io_pair.v dout0's pad is P_OUT of module pio.
const std::vector<Patch> kOwnCellEnablesInIoModules =
    kOwnHighzTriBidir + scan_sim::kOwnHighzCellModel +
    std::vector<Patch>{{"chip.v", "  PIN_OUT P_OUT (", "  PIN_BSZ P_OUT ("},
                       {"chip.pin", "dout0   out     PAD(PIN_OUT)", "dout0   out     PAD(PIN_BSZ)"}};
// dout1's enable is bidir0's: one control cell for both pads.
const Patch kDout1OnBidirEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"};
// bidir0 back on its plain pad, which keeps driving under HIGHZ.
const Patch kPlainBidir0{"chip.v", "  PIN_BSBZ  PAD_BIDIR0 (", "  PIN_BIDIR PAD_BIDIR0 ("};

// Where a pin keeps driving under HIGHZ beside the own-cell pads, the run
// warns for it and the BSDL leaves the instruction out.
ScanCase keeps_driving_case(const std::string& name, std::vector<Patch> patches, int control_cells) {
    ScanCase c;
    c.name = name;
    c.prepare = fixture(std::move(patches));
    c.mutants = {{"", "PAD_DOUT1", "HZ"}};
    c.control_cells = control_cells;
    c.highz_left_out = true;
    c.drive_under_highz = {"bidir0"};
    return c;
}

// bidir0 on PIN_BSBZ (its own cell with a HIGHZ pin) beside dout1 on its
// plain pad, whose control cell has a HIGHZ pin: each pin floats under
// HIGHZ by one of them, so the BSDL lists the instruction.
const std::vector<Patch> kOwnCellBidirBesideHighzControlCell =
    kHighz + scan_sim::kOwnHighzTriBidirModels +
    std::vector<Patch>{{"chip.v", "  PIN_BIDIR PAD_BIDIR0 (", "  PIN_BSBZ  PAD_BIDIR0 ("},
                       {"chip.pin", "PAD(PIN_BIDIR) PAD_EN_H", "PAD(PIN_BSBZ) PAD_EN_H"}};
// dout1 on PIN_BSTZ with its enable tied on: the pad's own HIGHZ pin and
// its high-impedance group both take the command.
const Patch kOwnCellDout1On{"chip.v", "  PIN_BSTZ  PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe),",
                            "  PIN_BSTZ  PAD_DOUT1  (.A(dout_c[1]), .OE(1'b1),"};

ScanCase mixed_case(const std::string& name, scan_sim::Prepare prepare, Road road, std::vector<Mutant> mutants,
                    int control_cells) {
    ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.mutants = std::move(mutants);
    c.control_cells = control_cells;
    return c;
}

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        // The pad's active-high enable takes the command through an
        // inverter; inverted back, the pad floats in functional mode.
        {"enable_tied_high", fixture(kHighz + std::vector<Patch>{kDout1On}), Road::Default, {},
         {{"", "PAD_DOUT1", "OE"}}, 1},
        // An active-low enable takes the command as it is.
        {"active_low_enable_tied_low", fixture(kHighz + kDout1ActiveLowOn), Road::Default, {},
         {{"", "PAD_DOUT1", "OEN"}}, 1},
        // A bidirectional pad in a group drives under EXTEST whenever the
        // TAP's command does not float it.
        {"bidir_enable_tied_high", fixture(kHighz + std::vector<Patch>{kBidirOn}), Road::Default, {},
         {{"", "PAD_BIDIR0", "OE"}}, 1},
        // A pad whose enable is tied off never drives: no output cell
        // that EXTEST would drive the pin from.
        {"enable_tied_off", fixture(kHighz + std::vector<Patch>{kDout1Off}), Road::Default, {}, {}, 1, false, {},
         {}, {}, {"dout1"}},
        // A bidirectional pad tied off is an input only.
        {"bidir_enable_tied_off", fixture(kHighz + std::vector<Patch>{kBidirOff}), Road::Default, {}, {}, 1},
        // A pad that carries its own cell, with a %HIGHZ pin that no
        // configured cell has: the pin takes the TAP's command through the
        // tree, or straight without one, on the default road and with
        // -add_tap; HIGHZ floats it.
        own_cell_highz_case("own_cell_pad_highz_pin", fixture(kOwnCellPadWithHighzPin), Road::Default),
        own_cell_highz_case("own_cell_pad_highz_pin_without_trees",
                            fixture(kOwnCellPadWithHighzPin + std::vector<Patch>{kNoGroupSize}), Road::Default),
        own_cell_highz_case("own_cell_pad_highz_pin_add_tap", scan_sim::notap_fixture(kOwnCellPadWithHighzPin), Road::AddTap),
        own_cell_highz_case("own_cell_pad_highz_pin_in_a_pad_module",
                            fixture(kOwnCellPadWithHighzPin, "tests/fixtures/bscan/padmod/chip.v"), Road::Default,
                            "pads_bs"),
        own_cell_highz_case("own_cell_pad_highz_pin_add_bcm", scan_sim::notap_fixture(kOwnCellPadWithHighzPin), Road::AddBcm),
        own_cell_enables_case("own_cell_enables_add_bcm", scan_sim::notap_fixture(kOwnCellEnables), Road::AddBcm),
        own_cell_highz_case("own_cell_pad_highz_pin_add_tap_without_trees",
                            scan_sim::notap_fixture(kOwnCellPadWithHighzPin + std::vector<Patch>{kNoGroupSize}), Road::AddTap),
        own_cell_enables_case("own_cell_enables_released_by_pad_pins", fixture(kOwnCellEnables), Road::Default),
        own_cell_enables_case("own_cell_enables_without_trees",
                              fixture(kOwnCellEnables + std::vector<Patch>{kNoGroupSize}), Road::Default),
        own_cell_enables_case("own_cell_enables_df_speed", fixture(kOwnCellEnables), Road::Default, "", {"-df_speed"}),
        own_cell_enables_case("own_cell_enables_add_tap", scan_sim::notap_fixture(kOwnCellEnables), Road::AddTap),
        own_cell_enables_case("own_cell_enables_in_a_pad_module",
                              fixture(kOwnCellEnables, "tests/fixtures/bscan/padmod/chip.v"), Road::Default, "pads_bs"),
        own_cell_enables_case("own_cell_enables_in_several_io_modules",
                              fixture(kOwnCellEnablesInIoModules, "tests/fixtures/bscan/hier/io_pair.v"), Road::Default,
                              "pads_bs0"),
        [] {
            ScanCase c = own_cell_enables_case("own_cell_enables_sharing_a_control_cell",
                                               fixture(kOwnCellEnables + std::vector<Patch>{kDout1OnBidirEnable}),
                                               Road::Default);
            c.control_cells = 1;
            return c;
        }(),
        mixed_case("own_cell_bidir_beside_a_control_cell_with_a_highz_pin",
                   fixture(kOwnCellBidirBesideHighzControlCell), Road::Default, {{"", "PAD_BIDIR0", "HZ"}}, 2),
        mixed_case("own_cell_bidir_beside_a_control_cell_with_a_highz_pin_add_tap",
                   scan_sim::notap_fixture(kOwnCellBidirBesideHighzControlCell), Road::AddTap,
                   {{"", "PAD_BIDIR0", "HZ"}}, 2),
        mixed_case("own_cell_pad_with_its_enable_tied_on", fixture(kOwnCellEnables + std::vector<Patch>{kOwnCellDout1On}),
                   Road::Default, {{"", "PAD_DOUT1", "HZ"}, {"", "PAD_BIDIR0", "HZ"}}, 1),
        keeps_driving_case("own_cell_enable_beside_a_pad_that_keeps_driving",
                           kOwnCellEnables + std::vector<Patch>{kPlainBidir0}, 2),
        keeps_driving_case("own_cell_enable_sharing_its_control_cell_with_a_pad_that_keeps_driving",
                           kOwnCellEnables + std::vector<Patch>{kPlainBidir0, kDout1OnBidirEnable}, 1),
        // One library cell for every role: the input and output cells are
        // of the control cells' kind but control nothing, so the own-cell
        // pads' pins alone decide HIGHZ, on the default road and with
        // -add_tap; beside a plain pad that keeps driving, HIGHZ goes.
        own_cell_enables_case("own_cell_enables_one_cell_for_every_role",
                              fixture(kOwnCellEnables + kOneCellForEveryRole), Road::Default),
        own_cell_enables_case("own_cell_enables_one_cell_for_every_role_add_tap",
                              scan_sim::notap_fixture(kOwnCellEnables + kOneCellForEveryRole), Road::AddTap),
        keeps_driving_case("own_cell_enable_beside_a_pad_that_keeps_driving_one_cell_for_every_role",
                           kOwnCellEnables + kOneCellForEveryRole + std::vector<Patch>{kPlainBidir0}, 2),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(HighzGroups, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// What the grouped pads do on their pins: in functional mode (TAP reset)
// and under HIGHZ, dout1 then bidir0 ('d' for driven: 0 or 1).
struct PinCase {
    std::string name;
    std::vector<Patch> patches;
    std::string function;
    std::string highz;
};

void PrintTo(const PinCase& c, std::ostream* os) { *os << c.name; }

class HighzGroupPins : public ::testing::TestWithParam<PinCase> {};

char seen_as(char bit) { return bit == '0' || bit == '1' ? 'd' : bit; }

TEST_P(HighzGroupPins, DriveInFunctionalModeAndFloatUnderHighz) {
    if (!testsupport::fixture_tools_built() || !fs::exists(testsupport::built_program("bin/tallowmere")))
        GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("iverilog") || !testsupport::have_program("vvp"))
        GTEST_SKIP() << "iverilog is not installed: the chip is not simulated";
    const PinCase& c = GetParam();
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir, c.patches));
    std::string log;
    ASSERT_TRUE(scanharness::run_flow(dir, Road::Default, {}, &log)) << log;
    const scanharness::Chip chip = scanharness::read_chip(dir / "chip_jtag.bsd");
    const std::string highz = chip.opcode("HIGHZ");
    ASSERT_FALSE(highz.empty()) << log;
    std::map<std::string, size_t> at;
    for (size_t i = 0; i < chip.pins.size(); ++i) at[chip.pins[i].port] = i;
    ASSERT_TRUE(at.count("dout1") && at.count("bidir0"));

    scanharness::Bench bench(chip);
    bench.reset_by_trst();
    bench.set_pins({{"clk", '0'}, {"rst_n", '0'}, {"din0", '1'}, {"din1", '0'}});
    bench.release_bidirs();
    bench.show_pins("FUNCTION");
    bench.ir(highz);
    bench.show_pins("HIGHZ");
    auto seen = scanharness::simulate(
        dir, bench,
        {scanharness::write_sim_cells(dir), "chip_TAP.v",
         scanharness::write_sim_netlist(dir, "chip_jtag.v", "sim_chip_jtag.v")},
        "highz_bench");
    for (const auto& [tag, want] : {std::pair<std::string, std::string>{"FUNCTION", c.function}, {"HIGHZ", c.highz}}) {
        const std::string& pins = seen[tag];
        ASSERT_EQ(pins.size(), chip.pins.size()) << tag;
        const std::string got{seen_as(pins[at["dout1"]]), seen_as(pins[at["bidir0"]])};
        EXPECT_EQ(got, want) << tag << " (dout1, bidir0)\n" << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HighzGroupPins,
    ::testing::Values(
        PinCase{"enable_tied_high", kHighz + std::vector<Patch>{kBidirFromDin0, kDout1On}, "dd", "zz"},
        PinCase{"two_enables_tied_high", kHighz + std::vector<Patch>{kBidirFromDin0, kBidirOn, kDout1On}, "dd", "zz"},
        PinCase{"active_low_enable_tied_low", kHighz + kDout1ActiveLowOn + std::vector<Patch>{kBidirFromDin0}, "dd",
                "zz"},
        // A pad tied off never drives, also under HIGHZ.
        PinCase{"enable_tied_off", kHighz + std::vector<Patch>{kBidirFromDin0, kDout1Off}, "zd", "zz"},
        // One group: the pad tied off first, the buffer comes with the other.
        PinCase{"tied_off_beside_tied_on", kHighz + std::vector<Patch>{kBidirFromDin0, kBidirOn, kDout1Off}, "zd",
                "zz"}),
    [](const auto& info) { return info.param.name; });

// An active-high enable tied high, or an active-low TAP pin without
// buffer trees, needs an inverter: without one the run stops with the
// reason before any file is written.
struct Refusal {
    std::string name;
    std::vector<Patch> patches;
    std::string message;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class HighzInverterRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(HighzInverterRefusal, StopsBeforeAnyFile) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const Refusal& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches));
    auto r = testsupport::run_kestrand(dir.path());
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib" / "chip_jtag.cmd"));
    EXPECT_FALSE(fs::exists(dir.path() / "chip.bso"));
    EXPECT_FALSE(fs::exists(dir.path() / "bscan_lib" / "chip_jtag.sdb"));
}

const Patch kNoInverter{"chip.bsc", "%INVERTER      INV;\n", ""};
const Patch kNoInvBuffer{"chip.lib", "    %INV_BUFFER INV;\n", ""};

INSTANTIATE_TEST_SUITE_P(
    Cases, HighzInverterRefusal,
    ::testing::Values(
        Refusal{"enable_tied_high",
                kUsercodeClampHighz + std::vector<Patch>{kDout1On, kNoInverter, kNoInvBuffer},
                "ERROR: can't find %INV_BUFFER of %TAP_CONTROLLER in file './chip.lib'\n"
                "       or %INVERTER in file './chip.bsc' for the enable of pad 'PAD_DOUT1'.\n"},
        Refusal{"active_low_tap_pin_without_trees",
                {{"chip.lib", "%SHIFT_DR SHIFT_DR;", "%SHIFT_DR -SHIFT_DR;"},
                 {"chip.lib", "%GROUP_SIZE 8;", ""},
                 kNoInvBuffer},
                "ERROR: (./chip.lib) can't find %INV_BUFFER in %TAP_CONTROLLER.\n"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
