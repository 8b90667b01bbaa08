// A pad that carries its own boundary cell (a %BS_BUFFER) whose scan and
// control pins the design ties to constants, as a netlist has them before
// its boundary scan is wired: the run cuts each tie before it joins the
// pin to the chain, the TAP or a tree leaf, so that no constant is merged
// into a TAP signal.  Wherever the pad sits (in the top, in a pad module,
// in one of several IO-pad modules) and on every road, the chip answers on
// its TAP pins as its BSDL file says (the scan simulation of
// scan_sim_test.cpp, the pad's HIGHZ pin taking the TAP's command) and,
// with the TAP in reset, is the chip before the insertion (the yosys
// proof; the pad's HIGHZ pin inverted in the edited netlist makes the
// proof fail).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace {

using scan_sim::placed_chip;
using scan_sim::ScanCase;
using scan_sim::ScanSim;
using scanharness::Road;
using testsupport::Patch;

// The own-cell pad's scan input and control pins tied, to GND and to VCC;
// its scan output stays open.
const char* const kTies = ".SI(1'b0), .SHIFT(1'b1), .CLOCK(1'b0), .UPDATE(1'b1), .MODE(1'b0), .HZ(1'b0)";

// dout0's pad in the fixture chip (in the top, or in the pad module of
// padmod/chip.v): the own-cell pad with its pins tied.
const Patch kTiedDout0{"chip.v", "PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));",
                       "PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0), " + std::string(kTies) + ");"};
const std::vector<Patch> kTiedInFixture = scan_sim::kOwnCellPadWithHighzPin + std::vector<Patch>{kTiedDout0};

// The three IO-pad modules of io_pair.v: dout0's pad is P_OUT of the IO
// module pio (its instance u_io0), with the rest of the own-cell fixture.
const std::vector<Patch> kTiedInIoModule =
    scan_sim::kUsercodeClampHighz + scan_sim::kOwnHighzCellModel +
    std::vector<Patch>{{"chip.v", "  PIN_OUT P_OUT (.A(core_out), .PAD(pin_out));",
                        "  PIN_BSZ P_OUT (.A(core_out), .PAD(pin_out), " + std::string(kTies) + ");"},
                       {"chip.pin", "dout0   out     PAD(PIN_OUT)", "dout0   out     PAD(PIN_BSZ)"}} +
    scan_sim::kOtherOutputsOff;

ScanCase tied_case(const std::string& name, scan_sim::Prepare prepare, Road road, const std::string& module,
                   const std::string& pad, std::vector<std::string> options = {}) {
    ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.options = std::move(options);
    c.mutants = {{module, pad, "HZ"}};
    c.control_cells = 0;
    c.never_driven = {"dout1"};
    c.highz_floats_every_pin = true;
    return c;
}

const Patch kNoGroupSize{"chip.lib", "%GROUP_SIZE 8;", ""};
const char* const kPadModule = "tests/fixtures/bscan/padmod/chip.v";
const char* const kIoPair = "tests/fixtures/bscan/hier/io_pair.v";

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        // The pad's pins on tree leaves, straight on the TAP's pins
        // without trees, and on -df_speed chains.
        tied_case("in_the_top", placed_chip(kTiedInFixture, "", Road::Default), Road::Default, "", "PAD_DOUT0"),
        tied_case("in_the_top_without_trees",
                  placed_chip(kTiedInFixture + std::vector<Patch>{kNoGroupSize}, "", Road::Default), Road::Default, "",
                  "PAD_DOUT0"),
        tied_case("in_the_top_df_speed", placed_chip(kTiedInFixture, "", Road::Default), Road::Default, "",
                  "PAD_DOUT0", {"-df_speed"}),
        tied_case("in_the_top_add_tap", placed_chip(kTiedInFixture, "", Road::AddTap), Road::AddTap, "", "PAD_DOUT0"),
        tied_case("in_the_top_add_bcm", scan_sim::notap_fixture(kTiedInFixture), Road::AddBcm, "", "PAD_DOUT0"),
        tied_case("in_a_pad_module", placed_chip(kTiedInFixture, kPadModule, Road::Default), Road::Default, "pads_bs",
                  "PAD_DOUT0"),
        tied_case("in_a_pad_module_add_tap", placed_chip(kTiedInFixture, kPadModule, Road::AddTap), Road::AddTap, "pads_bs",
                  "PAD_DOUT0"),
        tied_case("in_one_of_several_io_modules", placed_chip(kTiedInIoModule, kIoPair, Road::Default), Road::Default,
                  "pio_bs0", "P_OUT"),
        tied_case("in_one_of_several_io_modules_add_tap", placed_chip(kTiedInIoModule, kIoPair, Road::AddTap), Road::AddTap,
                  "pio_bs0", "P_OUT"),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(OwnCellPadTies, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
