// A TDO pad whose data and enable pins are tied to constants, as a
// netlist has it before its TAP is wired (the TAP's TDO and TDO-enable
// pins open, or no TAP at all for -add_tap and -add_bcm): on every road
// the run cuts both pins from their constants and joins them to the TAP,
// through new ports of the modules where the pad sits in one, so that the
// chip answers on its TAP pins as its BSDL file says (the scan simulation
// of scan_sim_test.cpp) and, with the TAP in reset, is the chip before
// the insertion (the yosys proof; the TDO pad's enable inverted in the
// edited netlist makes the proof fail).  The enable is active high (tied
// low) or active low (tied high).  The design's own TAP may take constants
// on its input pins too, or leave them open, and sit inside a module that
// keeps its pins: each such pin is joined to its pad instead, through a
// new port of the pad's IO-pad module where the pad's output stays there
// on other logic.
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
using scan_sim::erase_statement;
using scan_sim::ScanCase;
using scan_sim::ScanSim;
using scanharness::Road;
using testsupport::Patch;
using testsupport::read_file;

// Every fixture netlist holds the TDO pad on this line and the TAP
// controller's TDO pins on the other.
const char* const kTdoPad = "PIN_TRI   PAD_TDO    (.A(tdo_c), .OE(tdo_en), .PAD(tdo));";
const char* const kTapTdo = ".TDO(tdo_c), .TDO_EN(tdo_en),";

// The pad module's chip with the TDO pad (active high, tied off) taken
// out of the module into the top, beside the module's instance.
const std::vector<Patch> kTdoPadInTheTop = {
    {"chip.v", "  PIN_TRI   PAD_TDO    (.A(1'b0), .OE(1'b0), .PAD(tdo));\n", ""},
    {"chip.v", ".trst(trst), .tdo(tdo),", ".trst(trst), .tdo(),"},
    {"chip.v", "  qdx_tap TAP (", "  PIN_TRI   PAD_TDO    (.A(1'b0), .OE(1'b0), .PAD(tdo));\n  qdx_tap TAP ("}};

// Where the pads sit: the netlist that replaces chip.v (with patches of
// its own), and the module (as the edited netlist names it) that holds
// the TDO pad.
struct Placement {
    const char* name;
    const char* verilog;  // empty: the fixture chip's own, all pads in the top
    const char* module;   // empty: the top
    std::vector<Patch> patches{};
};
const Placement kFlat{"flat", "", ""};
const Placement kPadModule{"pad_module", "tests/fixtures/bscan/padmod/chip.v", "pads_bs"};
const Placement kTdoPadBesideThePadModule{"tdo_pad_beside_the_pad_module", "tests/fixtures/bscan/padmod/chip.v", "",
                                          kTdoPadInTheTop};
const Placement kTwoLevelsDown{"pads_two_levels_down", "tests/fixtures/bscan/hier/pads_in_io.v", "pads_bs"};
const Placement kSeveralIoModules{"several_io_modules", "tests/fixtures/bscan/hier/io_pair.v", "pads_bs0"};
// The TDI pad's output kept inside its IO-pad module on other logic (a
// buffer there), which no port of the module carries to the TAP.
const Placement kTdiPadOnLogicInItsModule{
    "tdi_pad_on_logic_in_one_of_several_io_modules", "tests/fixtures/bscan/hier/io_pair.v", "pads_bs0",
    {{"chip.v", "  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));",
      "  wire tdi_i;\n  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_i));\n"
      "  BUF       tdi_use    (.A(tdi_i), .Y(tdi_c));"}}};
// The TDO pad's data and enable pins on inverters beside the pad, which
// read nets that nothing drives (no TAP, or the design's TAP with its TDO
// pins open): each pin leaves its inverter's net for the TAP, which drives
// it alone.  An inverter of an undriven net drives x in the simulation, so
// a pin joined to the TAP without leaving it shows.
const Patch kTdoPadOnInverters{
    "chip.v", "PIN_TRI   PAD_TDO    (.A(1'b0), .OE(1'b0), .PAD(tdo));",
    "wire tdo_i, tdo_ei;\n  INV       tdo_inv    (.A(tdo_c), .Y(tdo_i));\n"
    "  INV       tdo_einv   (.A(tdo_en), .Y(tdo_ei));\n  PIN_TRI   PAD_TDO    (.A(tdo_i), .OE(tdo_ei), .PAD(tdo));"};
const Placement kTdoPadOnLogicInItsModule{"tdo_pad_on_logic_in_one_of_several_io_modules",
                                          "tests/fixtures/bscan/hier/io_pair.v", "pads_bs0", {kTdoPadOnInverters}};
const Placement kTdoPadOnLogicFlat{"tdo_pad_on_logic_flat", "", "", {kTdoPadOnInverters}};
// The TAP's TRST pin named active low in the library.
const Placement kFlatActiveLowTrst{"flat_trst_named_active_low", "", "", {{"chip.lib", "%TRST TRST;", "%TRST -TRST;"}}};
const Placement kTdoPadOnLogicInThePadModule{"tdo_pad_on_logic_in_the_pad_module", "tests/fixtures/bscan/padmod/chip.v",
                                             "pads_bs", {kTdoPadOnInverters}};

// The TDO pad tied off: its data low and its enable at the level that
// disables it, active high (the fixture's PIN_TRI) or active low
// (PIN_TRIN).
std::vector<Patch> tied_tdo_pad(bool active_low) {
    if (!active_low) return {{"chip.v", kTdoPad, "PIN_TRI   PAD_TDO    (.A(1'b0), .OE(1'b0), .PAD(tdo));"}};
    return scan_sim::kActiveLowTriPad +
           std::vector<Patch>{{"chip.v", kTdoPad, "PIN_TRIN  PAD_TDO    (.A(1'b0), .OEN(1'b1), .PAD(tdo));"},
                              {"chip.pin", "tdo     out     PAD(PIN_TRI) PAD_EN_H", "tdo     out     PAD(PIN_TRIN) PAD_EN_L"}};
}

// How the design's TAP takes its input pins: from its pads' outputs, tied
// to constants (TRST low, holding it in reset), or on no net at all (the
// TAP's TRST then floats, unless the run wires it).
enum class TapInputs { FromPads, Tied, Open };
const char* const kTapInputsFromPads = "(.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c),";
const char* const kTapInputsTied = "(.TDI(1'b0), .TMS(1'b1), .TCK(1'b0), .TRST(1'b0),";
const char* const kTapInputsOpen = "(.TDI(), .TMS(), .TCK(), .TRST(),";

// The chip of the placement with its TDO pad tied off.  On the default
// road the design's TAP leaves its TDO pins open (and takes its inputs as
// `inputs` says); on the others the design has no TAP, and cells.v no
// model of its port-only module.
scan_sim::Prepare chip(const Placement& at, bool active_low, Road road, TapInputs inputs) {
    return [at, active_low, road, inputs](const fs::path& dir) {
        testsupport::copy_fixture_chip(dir, tied_tdo_pad(active_low) + at.patches,
                                       *at.verilog ? testsupport::source_path(at.verilog) : "");
        if (road == Road::Default) {
            testsupport::apply_patch(dir, {"chip.v", kTapTdo, ".TDO(), .TDO_EN(),"});
            if (inputs != TapInputs::FromPads)
                testsupport::apply_patch(
                    dir, {"chip.v", kTapInputsFromPads, inputs == TapInputs::Tied ? kTapInputsTied : kTapInputsOpen});
        } else {
            erase_statement(dir / "chip.v", "  qdx_tap TAP (");
            const std::string cells = read_file(dir / scanharness::write_sim_cells(dir, "cells_notap.v"));
            std::ofstream(dir / "cells.v") << cells;
        }
        return !::testing::Test::HasFatalFailure() && testsupport::compile_chip_in(dir);
    };
}

// The design's TAP inside the core (u_core.u_tap), which keeps the TAP's
// pins inside, its inputs tied (or open) and its TDO pins open: the run
// brings them out of the core to the TAP pads.
scan_sim::Prepare tap_in_the_core(TapInputs inputs) {
    return [inputs](const fs::path& dir) {
        const std::vector<Patch> patches = {
            {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_core.u_tap;"},
            {"chip.v", "TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR", "SHIFT_DR"},
            {"chip.v", "input TDI, TMS, TCK, TRST, BOUNDARY_out;", "input BOUNDARY_out;"},
            {"chip.v", "output TDO, TDO_EN, SHIFT_DR", "output SHIFT_DR"},
            {"chip.v", "(.TDI(TDI), .TMS(TMS), .TCK(TCK), .TRST(TRST), .TDO(TDO), .TDO_EN(TDO_EN),",
             std::string(inputs == TapInputs::Tied ? kTapInputsTied : kTapInputsOpen) + " .TDO(), .TDO_EN(),"},
            // Pins that the TAP model of the simulation lacks.
            {"chip.v", ".HIGHZ(HIGHZ), .RESET(RESET),", ".HIGHZ(), .RESET(),"},
            {"chip.v", ".TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),", ""}};
        testsupport::copy_fixture_chip(dir, tied_tdo_pad(false) + patches,
                                       testsupport::source_path("tests/fixtures/bscan/hier/tap_in_core.v"));
        return !::testing::Test::HasFatalFailure() && testsupport::compile_chip_in(dir);
    };
}

ScanCase tied_case(const Placement& at, Road road, bool active_low, TapInputs inputs = TapInputs::FromPads) {
    ScanCase c;
    const char* road_name = road == Road::Default ? "default" : road == Road::AddTap ? "add_tap" : "add_bcm";
    c.name = std::string(at.name) + "_" + road_name + (active_low ? "_active_low" : "_active_high") +
             (inputs == TapInputs::Tied ? "_tap_inputs_tied" : inputs == TapInputs::Open ? "_tap_inputs_open" : "");
    c.prepare = chip(at, active_low, road, inputs);
    c.road = road;
    // With its enable inverted the TDO pad drives in functional mode.
    c.mutants = {{at.module, "PAD_TDO", active_low ? "OEN" : "OE"}};
    return c;
}

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        tied_case(kFlat, Road::Default, false),
        tied_case(kFlat, Road::Default, true),
        tied_case(kFlat, Road::AddTap, true),
        tied_case(kFlat, Road::AddBcm, true),
        tied_case(kPadModule, Road::Default, false),
        tied_case(kPadModule, Road::Default, true),
        tied_case(kPadModule, Road::AddTap, false),
        tied_case(kTwoLevelsDown, Road::Default, true),
        tied_case(kTwoLevelsDown, Road::AddTap, false),
        tied_case(kTdoPadBesideThePadModule, Road::Default, false),
        tied_case(kTdoPadBesideThePadModule, Road::AddTap, false),
        tied_case(kSeveralIoModules, Road::Default, false),
        tied_case(kSeveralIoModules, Road::Default, true),
        tied_case(kSeveralIoModules, Road::AddTap, false),
        tied_case(kSeveralIoModules, Road::AddTap, true),
        // The design's TAP inputs tied too: each leaves its constant for
        // its pad's output.
        {"tap_in_a_sub_module_default_active_high_tap_inputs_tied", tap_in_the_core(TapInputs::Tied), Road::Default, {},
         {{"", "PAD_TDO", "OE"}}},
        tied_case(kFlat, Road::Default, false, TapInputs::Tied),
        tied_case(kPadModule, Road::Default, false, TapInputs::Tied),
        tied_case(kSeveralIoModules, Road::Default, false, TapInputs::Tied),
        // The tied TDI pin of the TAP reaches its pad's output through a
        // new port of the pad's module.
        tied_case(kTdiPadOnLogicInItsModule, Road::Default, false, TapInputs::Tied),
        // The design's TAP inputs open (its TRST floating, as TDO's pins
        // are): each is joined to its pad's output, as a tied one is; the
        // library may name the TRST pin active low.
        {"tap_in_a_sub_module_default_active_high_tap_inputs_open", tap_in_the_core(TapInputs::Open), Road::Default,
         {}, {{"", "PAD_TDO", "OE"}}},
        tied_case(kFlatActiveLowTrst, Road::Default, false, TapInputs::Open),
        tied_case(kPadModule, Road::Default, true, TapInputs::Open),
        tied_case(kSeveralIoModules, Road::Default, false, TapInputs::Open),
        tied_case(kTdiPadOnLogicInItsModule, Road::Default, false, TapInputs::Open),
        tied_case(kTdiPadOnLogicInItsModule, Road::AddTap, false),
        // The TDO pad's pins on logic: the TAP drives them alone, through
        // new ports where the pad sits in a module.
        tied_case(kTdoPadOnLogicInItsModule, Road::Default, false),
        tied_case(kTdoPadOnLogicInItsModule, Road::AddTap, false),
        tied_case(kTdoPadOnLogicInThePadModule, Road::Default, false),
        tied_case(kTdoPadOnLogicInThePadModule, Road::AddTap, false),
        tied_case(kTdoPadOnLogicFlat, Road::Default, false),
        tied_case(kTdoPadOnLogicFlat, Road::AddTap, false),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(TiedTdoPad, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
