// Gate-level netlist of the demo chip "chip": a pad ring with a clock
// input, an active-low reset input, data inputs, a two-state output, a
// three-state output, a bidirectional pin and an active-low ready
// output, the TAP controller qdx_tap (instance TAP) and a core of two
// levels.  Compile with the cells: tessick -lib cells.v chip.v
`timescale 1ns / 1ps

// One slice of the core: a buffer pair and an inverted copy.
module slice (a, y, yn);
  input a;
  output y, yn;
  wire t;
  BUF b0 (.A(a), .Y(t));
  BUF b1 (.A(t), .Y(y));
  INV i0 (.A(t), .Y(yn));
endmodule

module core (clk, rst_n, din, dout, dout1_oe, bidir_in, bidir_out, bidir_oe, ready_n);
  input clk, rst_n;
  input [1:0] din;
  output [1:0] dout;
  output dout1_oe;
  input bidir_in;
  output bidir_out, bidir_oe;
  output ready_n;
  wire [1:0] n;
  wire \clk$b ;

  slice u0 (.a(din[0]), .y(n[0]), .yn());
  slice u1 (.a(din[1]), .y(n[1]), .yn(dout1_oe));
  // dout0 shows what the bidirectional pin reads; the pin drives the
  // first slice's output.
  INV ob0 (.A(bidir_in), .Y(dout[0]));
  INV bo (.A(n[0]), .Y(bidir_out));
  INV ob1 (n[1], dout[1]);
  BUF clkbuf (.A(clk), .Y(\clk$b ));
  INV oe (.A(rst_n), .Y(bidir_oe));
  // Ready (low) once the reset (low) is released.
  INV rdy (.A(rst_n), .Y(ready_n));
endmodule

module chip (clk, rst_n, din0, din1, dout0, dout1, bidir0, ready_n, tdi, tms, tck, trst, tdo);
  input clk, rst_n, din0, din1;
  output dout0, dout1, ready_n;
  inout bidir0;
  input tdi, tms, tck, trst;
  output tdo;

  wire clk_c, rst_n_c;
  wire [1:0] din_c, dout_c;
  wire dout1_oe, bidir0_i, bidir0_o, bidir0_oe, ready_n_c;
  wire tdi_c, tms_c, tck_c, trst_c, tdo_c, tdo_en;
  wire chain;  // the TAP's boundary chain, closed until cells are inserted

  PIN_CLK   PAD_CLK    (.PAD(clk), .Y(clk_c));
  PIN_IN    PAD_RST_N  (.PAD(rst_n), .Y(rst_n_c));
  PIN_IN    PAD_DIN0   (.PAD(din0), .Y(din_c[0]));
  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));
  PIN_OUT   PAD_DOUT0  (.A(dout_c[0]), .PAD(dout0));
  PIN_TRI   PAD_DOUT1  (.A(dout_c[1]), .OE(dout1_oe), .PAD(dout1));
  PIN_BIDIR PAD_BIDIR0 (.A(bidir0_o), .OE(bidir0_oe), .Y(bidir0_i), .PAD(bidir0));
  PIN_OUT   PAD_READY_N (.A(ready_n_c), .PAD(ready_n));
  PIN_IN    PAD_TDI    (.PAD(tdi), .Y(tdi_c));
  PIN_IN    PAD_TMS    (.PAD(tms), .Y(tms_c));
  PIN_IN    PAD_TCK    (.PAD(tck), .Y(tck_c));
  PIN_IN    PAD_TRST   (.PAD(trst), .Y(trst_c));
  PIN_TRI   PAD_TDO    (.A(tdo_c), .OE(tdo_en), .PAD(tdo));

  qdx_tap TAP (.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),
               .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),
               .first_Bcell(chain), .BOUNDARY_out(chain));

  core core (.clk(clk_c), .rst_n(rst_n_c), .din(din_c), .dout(dout_c), .dout1_oe(dout1_oe),
             .bidir_in(bidir0_i), .bidir_out(bidir0_o), .bidir_oe(bidir0_oe), .ready_n(ready_n_c));
endmodule
