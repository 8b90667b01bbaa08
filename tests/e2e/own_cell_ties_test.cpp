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

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
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

// The run's chip: the fixture of a placement, compiled; for -add_tap
// without the design's TAP, and without the TAP's port-only model.
scan_sim::Prepare chip(std::vector<Patch> patches, const char* verilog, Road road) {
    return [patches, verilog, road](const fs::path& dir) {
        testsupport::copy_fixture_chip(dir, patches, *verilog ? testsupport::source_path(verilog) : "");
        if (road == Road::AddTap) {
            scan_sim::erase_statement(dir / "chip.v", "  qdx_tap TAP (");
            const std::string cells = testsupport::read_file(dir / scanharness::write_sim_cells(dir, "cells_notap.v"));
            std::ofstream(dir / "cells.v") << cells;
        }
        return !::testing::Test::HasFatalFailure() && testsupport::compile_chip_in(dir);
    };
}

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

// -df_speed hangs no cell's HIGHZ pin on a chain: the pad's HIGHZ pin
// keeps its tie, and HIGHZ leaves the pad driving.
ScanCase df_speed_case() {
    ScanCase c = tied_case("in_the_top_df_speed", chip(kTiedInFixture, "", Road::Default), Road::Default, "",
                           "PAD_DOUT0", {"-df_speed"});
    c.highz_floats_every_pin = false;
    return c;
}

const Patch kNoGroupSize{"chip.lib", "%GROUP_SIZE 8;", ""};
const char* const kPadModule = "tests/fixtures/bscan/padmod/chip.v";
const char* const kIoPair = "tests/fixtures/bscan/hier/io_pair.v";

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        // The pad's pins on tree leaves, straight on the TAP's pins
        // without trees, and on -df_speed chains.
        tied_case("in_the_top", chip(kTiedInFixture, "", Road::Default), Road::Default, "", "PAD_DOUT0"),
        tied_case("in_the_top_without_trees",
                  chip(kTiedInFixture + std::vector<Patch>{kNoGroupSize}, "", Road::Default), Road::Default, "",
                  "PAD_DOUT0"),
        df_speed_case(),
        tied_case("in_the_top_add_tap", chip(kTiedInFixture, "", Road::AddTap), Road::AddTap, "", "PAD_DOUT0"),
        tied_case("in_the_top_add_bcm", scan_sim::notap_fixture(kTiedInFixture), Road::AddBcm, "", "PAD_DOUT0"),
        tied_case("in_a_pad_module", chip(kTiedInFixture, kPadModule, Road::Default), Road::Default, "pads_bs",
                  "PAD_DOUT0"),
        tied_case("in_a_pad_module_add_tap", chip(kTiedInFixture, kPadModule, Road::AddTap), Road::AddTap, "pads_bs",
                  "PAD_DOUT0"),
        tied_case("in_one_of_several_io_modules", chip(kTiedInIoModule, kIoPair, Road::Default), Road::Default,
                  "pio_bs0", "P_OUT"),
        tied_case("in_one_of_several_io_modules_add_tap", chip(kTiedInIoModule, kIoPair, Road::AddTap), Road::AddTap,
                  "pio_bs0", "P_OUT"),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(OwnCellPadTies, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
