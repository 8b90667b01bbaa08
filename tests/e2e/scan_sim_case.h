// The case of the end-to-end scan simulation (tests/e2e/scan_sim_test.cpp
// runs it): how the chip is made, how kestrand and tallowmere are run, and
// what the run must say.  Test files instantiate ScanSim with their own
// rows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace scan_sim {

namespace fs = std::filesystem;

// Makes the chip in a folder; false on failure.
using Prepare = std::function<bool(const fs::path&)>;

// An instance pin that the proof's mutant inverts (an empty module: the
// first instance of that name).
struct Mutant {
    std::string module, inst, pin;
};

struct ScanCase {
    std::string name;
    Prepare prepare;
    scanharness::Road road = scanharness::Road::Default;
    std::vector<std::string> options;
    std::vector<Mutant> mutants;
    int control_cells = 2;  // control rows of the BSDL
    // The configuration gives HIGHZ no way to some pads: the run warns for
    // each of them (the ports below) and the BSDL leaves the instruction out.
    bool highz_left_out = false;
    std::vector<std::string> drive_under_highz = {"dout1", "bidir0"};
    // Run in the folder after the tools, before the simulation (e.g. a TAP
    // model with other pin polarities); none when empty.
    std::function<void(const fs::path&)> after_flow{};
    std::vector<std::string> bsdl_options{};  // for tallowmere
    // Output pins whose pad never drives (its enable tied off): no cell of
    // the BSDL serves them, and they float in every mode.
    std::vector<std::string> never_driven{};
    // Every output and bidirectional pin of the chip floats under HIGHZ, as
    // IEEE 1149.1 has it (a chip with two-state pads that no command
    // reaches lists HIGHZ all the same: those cases leave this off).
    bool highz_floats_every_pin = false;
};

inline void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class ScanSim : public ::testing::TestWithParam<ScanCase> {};

// Instruction register of four bits with USERCODE, CLAMP and HIGHZ.  The
// USERCODE register captures the first of its two patterns, the one value
// the BSDL file can give.
inline const std::vector<testsupport::Patch> kUsercodeClampHighz = {
    {"chip.bsc", "    %INSTRUCTION BYPASS",
     "    %INSTRUCTION USERCODE = (0011) ACCESS USERCODE;\n"
     "    %INSTRUCTION CLAMP = (0100) ACCESS BYPASS;\n"
     "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n"
     "    %INSTRUCTION BYPASS"},
    {"chip.bsc", "%PIN_LIST", "%USERCODE_REGISTER 10100101000011110000000011111111, 00000000000000000000000000000001;\n\n%PIN_LIST"}};

// The TAP's HIGHZ output reaches the pads through the control cells, so
// these take a control cell with a HIGHZ pin that forces the enable off.
inline const std::vector<testsupport::Patch> kHighzControlCell = {
    {"chip.bsc", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRLZ;"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_CTRLZ\n{\n    %STD_NAME BC_1;\n"
     "    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_CTRLZ (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output DO, SO;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n  assign DO = HZ ? 1'b0 : MODE ? hold : DI;\nendmodule\n`endcelldefine\n"}};

// One library cell, BC_CTRL (a BC_1), for every role of the
// configuration: the input, clock, output and control cells alike, and
// no bidirectional cell (a plain bidirectional pad takes an input and an
// output cell).
inline const std::vector<testsupport::Patch> kOneCellForEveryRole = {
    {"chip.bsc", "%INPUT_SCAN   BC_IN;", "%INPUT_SCAN   BC_CTRL;"},
    {"chip.bsc", "%CLOCK_SCAN   BC_IN;", "%CLOCK_SCAN   BC_CTRL;"},
    {"chip.bsc", "%OUTPUT_SCAN  BC_OUT;", "%OUTPUT_SCAN  BC_CTRL;"},
    {"chip.bsc", "    %BIDIR_SCAN   BC_BIDIR;\n", ""}};

// The fixture chip with patches, from another netlist when one is named.
inline Prepare fixture(std::vector<testsupport::Patch> patches, std::string verilog = "") {
    return [patches, verilog](const fs::path& dir) {
        return testsupport::compile_fixture_chip(dir, patches, verilog.empty() ? "" : testsupport::source_path(verilog));
    };
}

// The fixture chip without a TAP (tests/fixtures/e2e/notap/chip.v, for
// -add_tap and -add_bcm), with patches.
inline Prepare notap_fixture(std::vector<testsupport::Patch> patches) {
    return [patches](const fs::path& dir) {
        testsupport::compile_notap_chip(dir, patches);
        return !::testing::Test::HasFatalFailure();
    };
}

// A three-state output pad cell whose enable OEN is active low, PIN_TRIN:
// its library entry and its model.
inline const std::vector<testsupport::Patch> kActiveLowTriPad = {
    {"chip.lib", "%BUFFER PIN_BIDIR", "%BUFFER PIN_TRIN  { %INPUT A; %OUTPUT PAD; %EN_L OEN; }\n%BUFFER PIN_BIDIR"},
    {"cells.v", "module PIN_BIDIR",
     "module PIN_TRIN (A, OEN, PAD);\n  input A, OEN;\n  output PAD;\n  assign PAD = OEN ? 1'bz : A;\nendmodule\n\n"
     "module PIN_BIDIR"}};

// The three-state output on a pad cell whose enable is active low, tied
// on (to GND).
inline const std::vector<testsupport::Patch> kDout1ActiveLowOn = {
    kActiveLowTriPad[0],
    kActiveLowTriPad[1],
    {"chip.v", "PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));",
     "PIN_TRIN  PAD_DOUT1  (.A(dout_c[1]), .OEN(1'b0), .PAD(dout1));"},
    {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_TRIN)\n7"}};

// A pad cell that carries its own boundary cell (a %BS_BUFFER) with a
// %HIGHZ pin, PIN_BSZ: its library entry and its model.
inline const std::vector<testsupport::Patch> kOwnHighzCellModel = {
    {"chip.lib", "",
     "\n%BS_BUFFER PIN_BSZ { %INPUT A; %OUTPUT PAD; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
     " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ; }\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule PIN_BSZ (A, PAD, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input A, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output PAD, SO;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : A;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n  assign PAD = HZ === 1'b1 ? 1'bz : MODE === 1'b1 ? hold : A;\n"
     "endmodule\n`endcelldefine\n"}};

// dout0 on that pad, its pins open in the design (the pad then drives).
inline const std::vector<testsupport::Patch> kPadWithOwnHighzCell =
    kOwnHighzCellModel +
    std::vector<testsupport::Patch>{{"chip.v", "  PIN_OUT   PAD_DOUT0  (", "  PIN_BSZ   PAD_DOUT0  ("},
                                    {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BSZ)"}};

// The chip's other three-state pads never drive (their enables tied off).
inline const std::vector<testsupport::Patch> kOtherOutputsOff = {
    {"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b0), .PAD(dout1)"},
    {"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(1'b0), .Y(bidir0_i)"}};

// That pad under a TAP with %HIGHZ_COMMAND and the instructions USERCODE,
// CLAMP and HIGHZ; no configured cell has a %HIGHZ pin, and the chip's
// other three-state pads never drive, so that the pad's HIGHZ pin alone
// takes the command.
inline const std::vector<testsupport::Patch> kOwnCellPadWithHighzPin =
    kUsercodeClampHighz + kPadWithOwnHighzCell + kOtherOutputsOff;

// Three-state and bidirectional pad cells that carry their own boundary
// cell with a %HIGHZ pin, PIN_BSTZ and PIN_BSBZ (whose cell is described
// as BC_BIDIR is): their library entries and models.  Their enables come
// from the core through the configured control cells, which have no
// %HIGHZ pin: the pad's own pin alone floats the pin under HIGHZ.
inline const std::vector<testsupport::Patch> kOwnHighzTriBidirModels = {
    {"chip.lib", "",
     "\n%BS_BUFFER PIN_BSTZ { %INPUT A; %OUTPUT PAD; %EN_H OE; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
     " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ; }\n"
     "%BS_BUFFER PIN_BSBZ { %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %BCELL BC_BIDIR; %DATA_IN DI; %DATA_OUT DO;"
     " %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ; }\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule PIN_BSTZ (A, OE, PAD, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input A, OE, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output PAD, SO;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : A;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n"
     "  assign PAD = HZ === 1'b1 || OE !== 1'b1 ? 1'bz : MODE === 1'b1 ? hold : A;\n"
     "endmodule\n`endcelldefine\n"
     "\n`celldefine\nmodule PIN_BSBZ (A, OE, Y, PAD, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input A, OE, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output Y, SO;\n  inout PAD;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : PAD;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n"
     "  assign PAD = HZ === 1'b1 || OE !== 1'b1 ? 1'bz : MODE === 1'b1 ? hold : A;\n"
     "  assign Y = PAD;\nendmodule\n`endcelldefine\n"}};

// dout1 on PIN_BSTZ and bidir0 on PIN_BSBZ (in the top, a pad module or an
// IO-pad module alike), under a TAP with %HIGHZ_COMMAND and the
// instructions USERCODE, CLAMP and HIGHZ.
inline const std::vector<testsupport::Patch> kOwnHighzTriBidir =
    kUsercodeClampHighz + kOwnHighzTriBidirModels +
    std::vector<testsupport::Patch>{{"chip.v", "  PIN_TRI   PAD_DOUT1  (", "  PIN_BSTZ  PAD_DOUT1  ("},
                                    {"chip.v", "  PIN_BIDIR PAD_BIDIR0 (", "  PIN_BSBZ  PAD_BIDIR0 ("},
                                    {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_BSTZ) PAD_EN_H\n7"},
                                    {"chip.pin", "PAD(PIN_BIDIR) PAD_EN_H", "PAD(PIN_BSBZ) PAD_EN_H"}};

// bidir0 without its pad, for -add_pad: the top's gates `gates` take the
// pad's place.  With the pad module of tests/fixtures/bscan/padmod/chip.v
// (in_pad_module) the pin and the pad's core-side signals leave the
// module, and the gates go before the core.
inline std::vector<testsupport::Patch> bidir0_without_pad(const std::string& gates, bool in_pad_module = false) {
    const std::string pad = "  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));\n";
    if (!in_pad_module) return {{"chip.v", pad, gates}};
    return {{"chip.v", "module pads (clk, rst_n, din0, din1, dout0, dout1, bidir0, ",
             "module pads (clk, rst_n, din0, din1, dout0, dout1, "},
            {"chip.v", " dout1_oe, bidir0_i, bidir0_o, bidir0_oe,\n", " dout1_oe,\n"},
            {"chip.v", "  inout bidir0;\n", ""},
            {"chip.v", "  output bidir0_i;\n  input bidir0_o, bidir0_oe;\n", ""},
            {"chip.v", pad, ""},
            {"chip.v", " .bidir0(bidir0), .tdi(tdi),", " .tdi(tdi),"},
            {"chip.v", "               .bidir0_i(bidir0_i), .bidir0_o(bidir0_o), .bidir0_oe(bidir0_oe),\n", ""},
            {"chip.v", "  core core (", gates + "  core core ("}};
}

// A two-input AND cell, AND2, for gates of the top.
inline const testsupport::Patch kAnd2Model{
    "cells.v", "",
    "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n  assign Y = A & B;\nendmodule\n`endcelldefine\n"};

// The pad that the pin list names for bidir0, PIN_BIDIRN, with an
// active-low enable OEN.
inline const std::vector<testsupport::Patch> kActiveLowInoutPad = {
    {"chip.lib", "%BUFFER PIN_BIDIR",
     "%BUFFER PIN_BIDIRN { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_L OEN; }\n%BUFFER PIN_BIDIR"},
    {"cells.v", "module PIN_BIDIR ",
     "module PIN_BIDIRN (A, OEN, Y, PAD);\n  input A, OEN;\n  output Y;\n  inout PAD;\n  assign PAD = OEN ? 1'bz : A;\n"
     "  assign Y = PAD;\nendmodule\n\nmodule PIN_BIDIR "},
    {"chip.pin", "PAD(PIN_BIDIR) PAD_EN_H", "PAD(PIN_BIDIRN) PAD_EN_L"}};

// The text from `from` to the end of its statement taken out of a file.
inline void erase_statement(const fs::path& file, const std::string& from) {
    std::string text = testsupport::read_file(file);
    const size_t a = text.find(from);
    ASSERT_NE(a, std::string::npos) << from;
    text.erase(a, text.find(";\n", a) + 2 - a);
    std::ofstream(file) << text;
}

// The fixture chip of a placement (tests/fixtures/chip, or another
// netlist such as a pad module's when one is named), with patches: for
// -add_tap without the design's TAP and without the TAP's port-only model.
inline Prepare placed_chip(std::vector<testsupport::Patch> patches, std::string verilog, scanharness::Road road) {
    return [patches, verilog, road](const fs::path& dir) {
        testsupport::copy_fixture_chip(dir, patches, verilog.empty() ? "" : testsupport::source_path(verilog));
        if (road == scanharness::Road::AddTap) {
            erase_statement(dir / "chip.v", "  qdx_tap TAP (");
            const std::string cells = testsupport::read_file(dir / scanharness::write_sim_cells(dir, "cells_notap.v"));
            std::ofstream(dir / "cells.v") << cells;
        }
        return !::testing::Test::HasFatalFailure() && testsupport::compile_chip_in(dir);
    };
}

}  // namespace scan_sim
