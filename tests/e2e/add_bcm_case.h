// The -add_bcm end-to-end case (tests/e2e/add_bcm_test.cpp runs it): a
// patched fixture chip, the options of the run and what the module must
// hold.  Test files instantiate AddBcm with their own rows.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"

namespace add_bcm {

using testsupport::Patch;

struct BcmCase {
    std::string name;
    std::vector<std::string> options;
    std::vector<Patch> patches;
    std::string sub_module;  // a position sub-module the module must hold, "" for none
    bool simulate = true;    // the cell models follow the TAP's clocking
    size_t cells = 9;        // boundary cells, the length of the boundary register
    // B_PAD_INV inverters in the command file: only the enables of
    // high-impedance groups take one, never a pin's data path (an
    // active-low pin included).
    size_t inverters = 0;
    // dout0, dout1 and bidir0 (pulled weakly to 0) through the chip's pins
    // with the TAP reset, a blank, then under the HIGHZ instruction (0101),
    // e.g. "111 z10"; "" for no such check.
    std::string highz{};
};

inline void PrintTo(const BcmCase& c, std::ostream* os) { *os << c.name; }

class AddBcm : public ::testing::TestWithParam<BcmCase> {};

// The pin file with no direction texts ("*"): the module without
// position groups.
std::vector<Patch> without_directions();

// Every boundary cell with more input pins (which the models leave
// unused): "pins" as the models name them, "keywords" as the library does.
inline std::vector<Patch> cells_with(const std::string& pins, const std::string& keywords) {
    std::vector<Patch> p;
    for (int i = 0; i < 4; ++i) {
        p.push_back({"cells.v", "UPDATE, MODE);", "UPDATE, MODE, " + pins + " );"});
        p.push_back({"cells.v", "UPDATE, MODE;", "UPDATE, MODE, " + pins + " ;"});
        p.push_back({"chip.lib", "%TDI SI; %TDO SO;", "%TDI SI;  %TDO SO; " + keywords});
    }
    return p;
}

// The core's bidirectional data through a buffer: both sides of the pad
// live, so it takes one bidirectional cell, or without %BIDIR_SCAN an
// input cell and an output cell.
inline const Patch kLiveBidir{"chip.v", "  assign bidir_out = bidir_in;", "  BUF bi (.A(bidir_in), .Y(bidir_out));"};
inline const Patch kNoBidirCell{"chip.bsc", "    %BIDIR_SCAN   BC_BIDIR;", ""};

inline const Patch kGroupSize2{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 2;"};
inline const Patch kGroupSize0{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 0;"};
inline const Patch kNoGroupSize{"chip.lib", "%GROUP_SIZE 8;", ""};
// Active-low ports: an input, a three-state output and a bidirectional
// pin with both sides live.
inline const std::vector<Patch> kActiveLow{{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"},
                                    {"chip.pin", "DOUT1   dout1", "DOUT1   -dout1"},
                                    {"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"},
                                    kLiveBidir};
inline const Patch kOddDirection{"chip.pin", "din1    in ", "din1    in.x "};

// ------------------------------------------- fixtures shared by the rows

inline std::string celldefine(const std::string& models) { return "\n`celldefine\n" + models + "`endcelldefine\n"; }

// A boundary cell with the fixture's scan and control pins and the given
// data pins; "body" gives its data outputs.
inline std::string cell_model(const std::string& name, const std::string& ins, const std::string& outs,
                       const std::string& capture, const std::string& body) {
    return "module " + name + " (" + ins + ", " + outs + ", SI, SO, SHIFT, CLOCK, UPDATE);\n  input " + ins +
           ", SI, SHIFT, CLOCK, UPDATE;\n  output " + outs + ", SO;\n  reg capture, hold;\n"
           "  always @(posedge CLOCK) capture <= SHIFT ? SI : " + capture + ";\n"
           "  always @(posedge UPDATE) hold <= capture;\n  assign SO = capture;\n" + body + "endmodule\n";
}

// The instruction HIGHZ (it gives the TAP its high-impedance output).
inline const Patch kHighzInstruction{"chip.bsc", "    %INSTRUCTION BYPASS",
                              "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"};
// The three-state output's enable (active high) tied on or off: the pad
// joins a high-impedance group.
inline const Patch kDout1AlwaysOn{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"};
inline const Patch kDout1AlwaysOff{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b0), .PAD(dout1)"};
inline const Patch kBidirAlwaysOn{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(1'b1), .Y(bidir0_i)"};
// Output-enable cells: the bidirectional cell captures the core's data
// while its pad drives and the pad otherwise (its %OE_MODE input watches
// the enable); the output-enable control cell shows its update stage on
// its %OE_MODE output.
inline const std::vector<Patch> kOutputEnableBidirCell = {
    {"chip.lib", "%SYS_PIN FROM_PAD; %SYS_IN TO_CORE; // from the pad to the core",
     "%SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %OE_MODE OE;"},
    {"cells.v", "module BC_BIDIR (DI, DO, FROM_PAD, TO_CORE, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n"
                "  input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE, MODE;",
     "module BC_BIDIR (DI, DO, FROM_PAD, TO_CORE, SI, SO, SHIFT, CLOCK, UPDATE, MODE, OE);\n"
     "  input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE, MODE, OE;"},
    {"cells.v", "always @(posedge CLOCK) capture <= SHIFT ? SI : FROM_PAD;",
     "always @(posedge CLOCK) capture <= SHIFT ? SI : OE ? DI : FROM_PAD;"},
};
// The output-enable control cell (%CONTROL_OE_SCAN).
inline const std::vector<Patch> kOutputEnableControlCell = {
    {"chip.bsc", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRL;\n    %CONTROL_OE_SCAN BC_CTRL_OE;"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_CTRL_OE\n{\n    %STD_NAME BC_1;\n"
     "    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %OE_MODE OEM;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_CTRL_OE (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, OEM);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;\n  output DO, SO, OEM;\n  reg capture, hold;\n"
     "  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;\n  always @(posedge UPDATE) hold <= capture;\n"
     "  assign SO = capture;\n  assign OEM = hold;\n  assign DO = MODE ? hold : DI;\nendmodule\n`endcelldefine\n"}};
inline const std::vector<Patch> kOutputEnableCells = kOutputEnableBidirCell + kOutputEnableControlCell;
// The bidirectional pin's drive side from din0 and its receive side into
// a buffer: both sides live, and what the pad drives is known.
inline const Patch kBidirFromDin0{"chip.v", "  assign bidir_out = bidir_in;",
                           "  BUF bi (.A(din[0]), .Y(bidir_out));\n  BUF bj (.A(bidir_in), .Y());"};

// ------------------------------------------------------------ mux pads

// The mux cells: update outputs to the pad buffers' mux inputs.
inline const char* const kMuxCellLib =
    "\n%SCAN_CELL BC_BMUX { %STD_NAME BC_7; %DATA_IN DI; %SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %UPDATE_DR_OUT UO;"
    " %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n"
    "%SCAN_CELL BC_OMUX { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
    " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n"
    "%SCAN_CELL BC_IMUX { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
    " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }\n";

inline std::string mux_cell_models() {
    return celldefine(cell_model("BC_BMUX", "DI, FROM_PAD", "TO_CORE, UO", "FROM_PAD",
                                 "  assign TO_CORE = FROM_PAD;\n  assign UO = hold;\n") +
                      cell_model("BC_OMUX", "DI", "UO", "DI", "  assign UO = hold;\n") +
                      cell_model("BC_IMUX", "DI", "UO", "DI", "  assign UO = hold;\n"));
}

// Pad buffers with second data inputs: MODE_k high selects MUX_INk.
inline const char* const kMuxPadLib =
    "\n%BUFFER PIN_INMUX { %INPUT PAD; %OUTPUT Y; %MUX_IN2 M2; %MODE_2 S2; }\n"
    "%BUFFER PIN_OUTMUX { %INPUT A; %OUTPUT PAD; %MUX_IN1 M1; %MODE_1 S1; }\n"
    "%BUFFER PIN_TRIMUX { %INPUT A; %OUTPUT PAD; %EN_H OE; %MUX_IN1 M1; %MODE_1 S1; }\n"
    "%BUFFER PIN_BIDIRMUX { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %MUX_IN1 M1; %MODE_1 S1; }\n"
    "%BUFFER PIN_BIDIRMUX2 { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %MUX_IN1 M1; %MODE_1 S1;"
    " %MUX_IN2 M2; %MODE_2 S2; }\n";

// The three-state ones drive their pins through the fixture's PIN_TRI and
// PIN_BIDIR, whose drivers the yosys proof of the scan harness exposes.
inline const char* const kMuxPadModels =
    "module PIN_INMUX (PAD, Y, M2, S2);\n  input PAD, M2, S2;\n  output Y;\n  assign Y = S2 ? M2 : PAD;\nendmodule\n"
    "module PIN_OUTMUX (A, PAD, M1, S1);\n  input A, M1, S1;\n  output PAD;\n  assign PAD = S1 ? M1 : A;\nendmodule\n"
    "module PIN_TRIMUX (A, OE, PAD, M1, S1);\n  input A, OE, M1, S1;\n  output PAD;\n"
    "  PIN_TRI t (.A(S1 ? M1 : A), .OE(OE), .PAD(PAD));\nendmodule\n"
    "module PIN_BIDIRMUX (A, OE, Y, PAD, M1, S1);\n  input A, OE, M1, S1;\n  output Y;\n  inout PAD;\n"
    "  PIN_BIDIR b (.A(S1 ? M1 : A), .OE(OE), .Y(Y), .PAD(PAD));\nendmodule\n"
    "module PIN_BIDIRMUX2 (A, OE, Y, PAD, M1, S1, M2, S2);\n  input A, OE, M1, S1, M2, S2;\n  output Y;\n"
    "  inout PAD;\n  wire y;\n  PIN_BIDIR b (.A(S1 ? M1 : A), .OE(OE), .Y(y), .PAD(PAD));\n"
    "  assign Y = S2 ? M2 : y;\nendmodule\n";

// The library, models and TAP pins of every mux row.
inline const std::vector<Patch> kMuxLibrary = {{"chip.lib", "", std::string(kMuxCellLib) + kMuxPadLib},
                                        {"chip.lib", "%MODE_1 MODE1;", "%MODE_1 MODE1; %MODE_2 MODE2;"},
                                        {"cells.v", "", mux_cell_models() + celldefine(kMuxPadModels)}};

inline Patch scan_cells(const std::string& cells) {
    return {"chip.bsc", "    %CONTROL_SCAN BC_CTRL;\n", "    %CONTROL_SCAN BC_CTRL;\n" + cells};
}

// The bidirectional pad as a mux pad: `buffer` with its mux pins tied low.
inline std::vector<Patch> mux_bidir(const std::string& buffer, bool second) {
    const std::string ties = second ? ", .M1(1'b0), .S1(1'b0), .M2(1'b0), .S2(1'b0)" : ", .M1(1'b0), .S1(1'b0)";
    return {kLiveBidir,
            {"chip.v", "  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));",
             "  " + buffer + " PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0)" + ties + ");"},
            {"chip.pin", "PAD(PIN_BIDIR)", "PAD(" + buffer + ")"}};
}

// dout0 a two-state mux output (PAD_MUX_OUTPUT2), dout1 a three-state
// mux output with its control cell (PAD_MUX_OUTPUT3), bidir0 a mux
// bidirectional pad with one cell (PAD_MUX_BIDIR1) and its control cell:
// mux pads on the TAP's MODE_1 alone.
inline const std::vector<Patch> kMuxOutputPads =
    kMuxLibrary +
    std::vector<Patch>{
        scan_cells("    %OUTPUT_MUX_SCAN BC_OMUX;\n    %BIDIR_MUX_SCAN BC_BMUX;\n"),
        {"chip.v", "  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));",
         "  PIN_OUTMUX PAD_DOUT0 (.A(dout_c[0]), .PAD(dout0), .M1(1'b0), .S1(1'b0));"},
        {"chip.v", "  PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));",
         "  PIN_TRIMUX PAD_DOUT1 (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1), .M1(1'b0), .S1(1'b0));"},
        {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_OUTMUX)"},
        {"chip.pin", "PAD(PIN_TRI) PAD_EN_H\n7", "PAD(PIN_TRIMUX) PAD_EN_H\n7"}} +
    mux_bidir("PIN_BIDIRMUX", false);
// Those and din1 a mux input (PAD_MUX_INPUT) on the TAP's MODE_2.
inline const std::vector<Patch> kMuxPads =
    kMuxOutputPads +
    std::vector<Patch>{scan_cells("    %INPUT_MUX_SCAN BC_IMUX;\n"),
                       {"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));",
                        "  PIN_INMUX PAD_DIN1 (.PAD(din1), .Y(din_c[1]), .M2(1'b0), .S2(1'b0));"},
                       {"chip.pin", "PAD(PIN_IN)\n5", "PAD(PIN_INMUX)\n5"}};

// The design's TAP (its port-only model and its instance) with the MODE2
// output that the TAP of -add_tap_only has for a design with mux input
// pads: the road where the design holds the TAP.
inline const std::vector<Patch> kDesignTapMode2 = {
    {"cells.v", "output SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET;",
     "output SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, MODE2, HIGHZ, RESET;"},
    {"cells.v", "MODE1, HIGHZ, RESET,\n", "MODE1, MODE2, HIGHZ, RESET,\n"},
    {"chip.v", ".MODE1(),", ".MODE1(), .MODE2(),"}};

// The mux input, the three-state mux output and the bidirectional mux
// pad of kMuxPads active low.
inline const std::vector<Patch> kMuxPinsActiveLow = {{"chip.pin", "DIN1    din1", "DIN1    -din1"},
                                                     {"chip.pin", "DOUT1   dout1", "DOUT1   -dout1"},
                                                     {"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"}};

// ------------------------------------------------ pads with their own cell

// din0 and dout0 on pad buffers that carry their own boundary cell, their
// scan and control pins open in the design (an open MODE pin is the
// functional mode, so the chip before the edit works).
inline const std::vector<Patch> kPadsWithOwnCells = {
    {"chip.lib", "",
     "\n%BS_BUFFER PIN_BSI { %INPUT PAD; %OUTPUT Y; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
     " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }\n"
     "%BS_BUFFER PIN_BSO { %INPUT A; %OUTPUT PAD; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT;"
     " %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }\n"},
    {"cells.v", "",
     celldefine(cell_model("PIN_BSI", "PAD, MODE", "Y", "PAD", "  assign Y = MODE === 1'b1 ? hold : PAD;\n") +
                cell_model("PIN_BSO", "A, MODE", "PAD", "A", "  assign PAD = MODE === 1'b1 ? hold : A;\n"))},
    {"chip.v", "  PIN_IN    PAD_DIN0   (", "  PIN_BSI   PAD_DIN0   ("},
    {"chip.v", "  PIN_OUT   PAD_DOUT0  (", "  PIN_BSO   PAD_DOUT0  ("},
    {"chip.pin", "PAD(PIN_OUT)", "PAD(PIN_BSO)"}};

}  // namespace add_bcm
