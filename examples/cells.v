// Library cells of the demo chip "chip", shared with the tests' fixture
// chip (tests/fixtures/chip, whose users copy this file): read with tessick -lib,
// and the behavioural models that simulate the netlist kestrand edits
// (Icarus Verilog, Verilator, yosys).  The pad cells, the boundary-scan
// cells with their capture, shift and update stages and the MODE pin, the
// buffers and the inverter, and the port-only TAP controller qdx_tap
// (replaced by the RTL TAP "<top>_TAP.v" in a simulation).  Pin names
// follow chip.lib.
`timescale 1ns / 1ps

`celldefine
// Pad cells: PAD is the chip pin, A the data from the core, Y the data to
// the core, OE the output enable (active high).
module PIN_IN (PAD, Y);
  input PAD;
  output Y;
  assign Y = PAD;
endmodule

module PIN_CLK (PAD, Y);
  input PAD;
  output Y;
  assign Y = PAD;
endmodule

module PIN_OUT (A, PAD);
  input A;
  output PAD;
  assign PAD = A;
endmodule

module PIN_TRI (A, OE, PAD);
  input A, OE;
  output PAD;
  assign PAD = OE ? A : 1'bz;
endmodule

module PIN_BIDIR (A, OE, Y, PAD);
  input A, OE;
  output Y;
  inout PAD;
  assign PAD = OE ? A : 1'bz;
  assign Y = PAD;
endmodule

// Boundary-scan cells: scan path SI -> SO, capture (SHIFT low) and shift
// (SHIFT high) on the rising edge of CLOCK, the update stage loads on the
// rising edge of UPDATE, MODE selects the update stage towards DO (test
// mode) instead of DI (functional mode).
module BC_IN (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;
  output DO, SO;
  reg capture, hold;
  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;
  always @(posedge UPDATE) hold <= capture;
  assign SO = capture;
  assign DO = MODE ? hold : DI;
endmodule

module BC_OUT (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;
  output DO, SO;
  reg capture, hold;
  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;
  always @(posedge UPDATE) hold <= capture;
  assign SO = capture;
  assign DO = MODE ? hold : DI;
endmodule

module BC_CTRL (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;
  output DO, SO;
  reg capture, hold;
  always @(posedge CLOCK) capture <= SHIFT ? SI : DI;
  always @(posedge UPDATE) hold <= capture;
  assign SO = capture;
  assign DO = MODE ? hold : DI;
endmodule

// FROM_PAD/TO_CORE carry the pad's input side through the cell.
module BC_BIDIR (DI, DO, FROM_PAD, TO_CORE, SI, SO, SHIFT, CLOCK, UPDATE, MODE);
  input DI, FROM_PAD, SI, SHIFT, CLOCK, UPDATE, MODE;
  output DO, TO_CORE, SO;
  reg capture, hold;
  always @(posedge CLOCK) capture <= SHIFT ? SI : FROM_PAD;
  always @(posedge UPDATE) hold <= capture;
  assign SO = capture;
  assign DO = MODE ? hold : DI;
  assign TO_CORE = FROM_PAD;
endmodule

// Buffers of the control-signal trees.
module BUF (A, Y);
  input A;
  output Y;
  assign Y = A;
endmodule

module INV (A, Y);
  input A;
  output Y;
  assign Y = ~A;
endmodule
`endcelldefine

// The TAP controller as a port-only module.
module qdx_tap (TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET,
                first_Bcell, BOUNDARY_out);
  input TDI, TMS, TCK, TRST;
  output TDO, TDO_EN;
  output SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET;
  output first_Bcell;
  input BOUNDARY_out;
endmodule
