// The -add_bcm road end to end like every other road: kestrand gathers the
// boundary cells and the TAP into the boundary-cell module, tallowmere
// writes the edited chip's BSDL file (and SVF preamble) with the same
// command as on the other roads, and the chip behaves on its TAP pins as
// that file says: the scan simulation of scan_sim_test.cpp (IDCODE,
// BYPASS, BOUNDARY_LENGTH, SAMPLE/PRELOAD and EXTEST at every cell, safe
// values, HIGHZ and CLAMP where the instruction table has them) with the
// yosys proof that the chip with its TAP in reset is the chip before the
// edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/add_bcm_case.h"
#include "e2e/scan_sim_case.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

using scan_sim::Mutant;
using scan_sim::ScanCase;
using scan_sim::ScanSim;
using testsupport::Patch;

ScanCase bcm_case(const std::string& name, std::vector<Patch> patches, std::vector<Mutant> mutants,
                  int control_cells = 2, std::vector<std::string> options = {}) {
    ScanCase c;
    c.name = name;
    c.prepare = scan_sim::notap_fixture(std::move(patches));
    c.road = scanharness::Road::AddBcm;
    c.options = std::move(options);
    c.mutants = std::move(mutants);
    c.control_cells = control_cells;
    return c;
}

// The TAP's extra pin %EXTRA_1 (AUX) on every cell.
const std::vector<Patch> kExtraPins =
    add_bcm::cells_with("EX", "%EXTRA_1 EX;") +
    std::vector<Patch>{{"chip.lib", "%TAP_RESET RESET;", "%TAP_RESET RESET; %EXTRA_1 AUX;"}};

// USERCODE, CLAMP and HIGHZ, with control cells that float their pads
// under HIGHZ, and the three-state output's enable tied on: a
// high-impedance group of one pad.
const std::vector<Patch> kHighImpedanceGroup =
    scan_sim::kUsercodeClampHighz + scan_sim::kHighzControlCell + std::vector<Patch>{add_bcm::kDout1AlwaysOn};

// dout0 on a pad that carries its own cell with a %HIGHZ pin, which no
// configured cell has (scan_sim::kOwnCellPadWithHighzPin): the module
// hands the pad's HIGHZ pin the TAP's command, and HIGHZ floats it.
ScanCase own_cell_pad_highz_pin(const std::string& name, std::vector<Patch> patches) {
    ScanCase c = bcm_case(name, scan_sim::kOwnCellPadWithHighzPin + patches, {{"", "PAD_DOUT0", "HZ"}}, 0);
    c.never_driven = {"dout1"};
    c.highz_floats_every_pin = true;
    return c;
}

const std::vector<ScanCase>& cases() {
    // A pad pin of the top inverted, and a cell's data output inside the
    // module: with the TAP in reset the chip is no longer the one before
    // the edit.
    static const std::vector<ScanCase> all = {
        bcm_case("position_groups", {}, {{"", "PAD_DOUT0", "A"}, {"chip_jtag_out", "BCELL4", "DO"}}),
        bcm_case("one_module", add_bcm::without_directions(), {{"chip_BCM", "BCELL4", "DO"}}),
        bcm_case("bidirectional_cell", {add_bcm::kLiveBidir}, {{"", "PAD_BIDIR0", "OE"}}),
        bcm_case("mux_pads", add_bcm::kMuxPads, {{"", "PAD_DOUT1", "A"}}),
        bcm_case("high_impedance_group", kHighImpedanceGroup, {{"", "PAD_DOUT1", "OE"}}, 1),
        bcm_case("external_idcode", {}, {{"", "PAD_DIN0", "Y"}}, 2, {"-external_idcode"}),
        bcm_case("extra_pins", kExtraPins, {{"", "PAD_DOUT0", "A"}}),
        // Active-low pins: each cell sees its pin's own level, as its
        // BSDL row says.
        bcm_case("active_low_pins", add_bcm::kActiveLow, {{"", "PAD_RST_N", "Y"}}),
        bcm_case("active_low_mux_pads", add_bcm::kMuxPads + add_bcm::kMuxPinsActiveLow, {{"", "PAD_DIN1", "Y"}}),
        own_cell_pad_highz_pin("own_cell_pad_highz_pin", {}),
        own_cell_pad_highz_pin("own_cell_pad_highz_pin_without_group_size", {add_bcm::kNoGroupSize}),
        // The module's TAP under the name the module would give it.
        bcm_case("tap_instance_named_bcm_tap", {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME BCM_TAP;"}},
                 {{"chip_jtag_out", "BCELL4", "DO"}}),
        // A reserved word of Verilog: the module, the expanded netlist and
        // tallowmere take its escaped identifier as the name.
        bcm_case("tap_instance_named_by_a_verilog_keyword",
                 {{"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME wire;"}}, {{"chip_jtag_out", "BCELL4", "DO"}}),
    };
    return all;
}

INSTANTIATE_TEST_SUITE_P(AddBcm, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
