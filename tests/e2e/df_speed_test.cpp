// -df_speed: the control signals reach the cells through chains of
// buffers instead of balanced trees, and every pin that a control signal
// drives hangs on the buffer of its signal's chain that serves its group:
// the cells' %HIGHZ and %EXTRA_n pins and the mux pads' MODE pins as the
// clock, shift and update pins do.  Wherever the pads sit (in the top, in
// a pad module, in several IO-pad modules), by default and with -add_tap,
// with or without %GROUP_SIZE, the chip answers on its TAP pins as its BSDL file says (the scan simulation of
// scan_sim_test.cpp: HIGHZ floats every output, EXTEST drives the mux
// pads through their second data inputs) and, with the TAP in reset, is
// the chip before the insertion (the yosys proof; the pin inverted in the
// edited netlist makes it fail).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace {

using scan_sim::Mutant;
using scan_sim::placed_chip;
using scan_sim::ScanCase;
using scan_sim::ScanSim;
using scanharness::Road;
using testsupport::Patch;

const char* const kPadModule = "tests/fixtures/bscan/padmod/chip.v";
const char* const kIoPair = "tests/fixtures/bscan/hier/io_pair.v";

// Two loads per group: the chains have more than one buffer.
const std::vector<Patch> kGroupSize2 = {add_bcm::kGroupSize2};
// Only the chains' own limit.
const std::vector<Patch> kOnlyDfGroupSize = {{"chip.lib", "%GROUP_SIZE 8;", "%DF_GROUP_SIZE 3;"}};

ScanCase df_case(const std::string& name, scan_sim::Prepare prepare, Road road, std::vector<Mutant> mutants) {
    ScanCase c;
    c.name = name;
    c.prepare = std::move(prepare);
    c.road = road;
    c.options = {"-df_speed"};
    c.mutants = std::move(mutants);
    return c;
}

// ----------------------------------------------------------- %HIGHZ pins

// HIGHZ in the instruction table; the control cells take the TAP's
// command on their %HIGHZ pin, and dout0's pad carries its own cell with
// a %HIGHZ pin: every output of the chip floats under HIGHZ.
const std::vector<Patch> kHighzPins =
    scan_sim::kUsercodeClampHighz + scan_sim::kHighzControlCell + scan_sim::kPadWithOwnHighzCell + kGroupSize2;
// The same with dout0's pad, P_OUT of the IO module pio, in io_pair.v.
const std::vector<Patch> kHighzPinsInIoModules =
    scan_sim::kUsercodeClampHighz + scan_sim::kHighzControlCell + scan_sim::kOwnHighzCellModel + kGroupSize2 +
    std::vector<Patch>{{"chip.v", "  PIN_OUT P_OUT (", "  PIN_BSZ P_OUT ("},
                       {"chip.pin", "dout0   out     PAD(PIN_OUT)", "dout0   out     PAD(PIN_BSZ)"}};

// The own-cell pad's HIGHZ pin inverted: it floats with the TAP in reset.
ScanCase highz_case(const std::string& name, const std::vector<Patch>& patches, const char* verilog, Road road,
                    const std::string& module, const std::string& pad) {
    ScanCase c = df_case(name, placed_chip(patches, verilog, road), road, {{module, pad, "HZ"}});
    c.highz_floats_every_pin = true;
    return c;
}

// ----------------------------------------------------------- mux pads

// The mux pads of add_bcm_case.h, their MODE pins tied off in the design
// (din1's on the TAP's MODE_2, which the design's TAP then has).
const std::vector<Patch> kMuxPads = add_bcm::kMuxPads + kGroupSize2;
const std::vector<Patch> kMuxPadsOnTheDesignTap = kMuxPads + add_bcm::kDesignTapMode2;
// dout0's pad in io_pair.v a mux output pad, its MODE pin tied off.
const std::vector<Patch> kMuxPadInIoModule =
    add_bcm::kMuxLibrary + kGroupSize2 +
    std::vector<Patch>{add_bcm::scan_cells("    %OUTPUT_MUX_SCAN BC_OMUX;\n"),
                       {"chip.v", "  PIN_OUT P_OUT (.A(core_out), .PAD(pin_out));",
                        "  PIN_OUTMUX P_OUT (.A(core_out), .PAD(pin_out), .M1(1'b0), .S1(1'b0));"},
                       {"chip.pin", "dout0   out     PAD(PIN_OUT)", "dout0   out     PAD(PIN_OUTMUX)"}};

// ----------------------------------------------------------- %EXTRA_n pins

// The TAP's %EXTRA_1 (AUX, low while the TAP runs) on every input and
// output cell, whose data output it parks at 0 when high: a cell whose
// EX pin is left open or tied high breaks the chip.
Patch cell_with_extra_pin(const std::string& cell) {
    const std::string body =
        "  output DO, SO;\n  reg capture, hold;\n  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;\n"
        "  always @(posedge UPDATE) hold <= capture;\n  assign SO = capture;\n";
    return {"cells.v",
            "module " + cell + " (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;\n" +
                body + "  assign DO = MODE ? hold : DI;\n",
            "module " + cell + " (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, EX);\n  input DI, SI, SHIFT, CLOCK, UPDATE, "
                "MODE, EX;\n" + body + "  assign DO = EX ? 1'b0 : MODE ? hold : DI;\n"};
}
const std::vector<Patch> kExtraPins = {
    {"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 AUX;"},
    {"chip.lib", "DI from the pad, DO to the core\n{\n", "DI from the pad, DO to the core\n{\n    %EXTRA_1 EX;\n"},
    {"chip.lib", "DI from the core, DO to the pad\n{\n", "DI from the core, DO to the pad\n{\n    %EXTRA_1 EX;\n"},
    cell_with_extra_pin("BC_IN"),
    cell_with_extra_pin("BC_OUT"),
    // The design's TAP with that output.
    {"cells.v", "first_Bcell, BOUNDARY_out);\n  input TDI,", "first_Bcell, BOUNDARY_out, AUX);\n  output AUX;\n  input TDI,"}};

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        highz_case("highz_pins", kHighzPins, "", Road::Default, "", "PAD_DOUT0"),
        highz_case("highz_pins_in_a_pad_module", kHighzPins, kPadModule, Road::Default, "pads_bs", "PAD_DOUT0"),
        highz_case("highz_pins_in_several_io_modules", kHighzPinsInIoModules, kIoPair, Road::Default, "pio_bs0",
                   "P_OUT"),
        highz_case("highz_pins_add_tap", kHighzPins, "", Road::AddTap, "", "PAD_DOUT0"),
        highz_case("highz_pins_add_tap_in_several_io_modules", kHighzPinsInIoModules, kIoPair, Road::AddTap,
                   "pio_bs0", "P_OUT"),
        df_case("mux_pads", placed_chip(kMuxPadsOnTheDesignTap, "", Road::Default), Road::Default,
                {{"", "PAD_DOUT0", "S1"}, {"", "PAD_DIN1", "S2"}}),
        df_case("mux_pads_without_group_size",
                placed_chip(add_bcm::kMuxPads + add_bcm::kDesignTapMode2 + std::vector<Patch>{add_bcm::kNoGroupSize}, "",
                            Road::Default),
                Road::Default, {{"", "PAD_DOUT0", "S1"}, {"", "PAD_DIN1", "S2"}}),
        df_case("mux_pads_in_a_pad_module", placed_chip(kMuxPadsOnTheDesignTap, kPadModule, Road::Default),
                Road::Default, {{"pads_bs", "PAD_DOUT0", "S1"}, {"pads_bs", "PAD_DIN1", "S2"}}),
        df_case("mux_pad_in_several_io_modules", placed_chip(kMuxPadInIoModule, kIoPair, Road::Default), Road::Default,
                {{"pio_bs0", "P_OUT", "S1"}}),
        df_case("mux_pads_add_tap", placed_chip(kMuxPads, "", Road::AddTap), Road::AddTap, {{"", "PAD_DOUT0", "S1"}}),
        df_case("extra_pins", placed_chip(kExtraPins + kGroupSize2, "", Road::Default), Road::Default,
                {{"", "BCELL4_out", "EX"}}),
        df_case("extra_pins_without_group_size", placed_chip(kExtraPins + kOnlyDfGroupSize, "", Road::Default),
                Road::Default, {{"", "BCELL4_out", "EX"}}),
        df_case("extra_pins_in_a_pad_module", placed_chip(kExtraPins + kGroupSize2, kPadModule, Road::Default),
                Road::Default, {}),
        df_case("extra_pins_in_several_io_modules", placed_chip(kExtraPins + kGroupSize2, kIoPair, Road::Default),
                Road::Default, {}),
        df_case("extra_pins_add_tap", placed_chip(kExtraPins + kGroupSize2, "", Road::AddTap), Road::AddTap,
                {{"", "BCELL4_out", "EX"}}),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(DfSpeed, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
