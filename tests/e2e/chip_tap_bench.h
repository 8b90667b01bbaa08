// A test bench of the fixture chip after kestrand -add_tap: through the
// chip's pins it drives the RTL TAP that the run wrote, reading the IDCODE
// and scanning the boundary register and BYPASS.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "support/testsupport.h"

namespace chip_tap_bench {

// The IDCODE value of chip.bsc, bit 31 first.
inline const std::string kIdcode = "00010000000000000001000010100111";

// The head of a test bench of the fixture chip: its pins as registers and
// wires, `more` (declarations or pulls of the bench's own), the chip, and
// the TAP tasks: step (one TCK cycle with TMS and TDI, printing TDO when
// asked), ir (an instruction loaded from Run-Test/Idle back to it) and dr
// (n bits of `pattern` shifted through the selected data register from
// Run-Test/Idle, printing what TDO shows).  The bench goes on with its
// initial block and "endmodule".
inline std::string chip_bench_head(const std::string& more = "") {
    return R"(`timescale 1ns/1ps
module tb;
  reg tck, tms, tdi, trst, clk, rst_n, din0, din1;
  wire tdo, dout0, dout1, bidir0;
  reg [63:0] pattern;
)" + more + R"(  chip dut(.clk(clk), .rst_n(rst_n), .din0(din0), .din1(din1), .dout0(dout0), .dout1(dout1),
           .bidir0(bidir0), .tdi(tdi), .tms(tms), .tck(tck), .trst(trst), .tdo(tdo));
  task step(input m, input d, input show);
    begin
      tms = m; tdi = d;
      #20 if (show) $write("%b", tdo);
      tck = 1;
      #50 tck = 0;
      #30;
    end
  endtask
  task ir(input [3:0] op);
    integer j;
    begin
      step(1, 0, 0); step(1, 0, 0); step(0, 0, 0); step(0, 0, 0);
      for (j = 0; j < 4; j = j + 1) step(j == 3, op[j], 0);
      step(1, 0, 0); step(0, 0, 0);
    end
  endtask
  task dr(input integer n);
    integer j;
    begin
      step(1, 0, 0); step(0, 0, 0); step(0, 0, 0);
      for (j = 0; j < n; j = j + 1) step(j == n - 1, pattern[j], 1);
      $display("");
      step(1, 0, 0); step(0, 0, 0);
    end
  endtask
)";
}

// A test bench of the edited chip with the RTL TAP the run wrote: through
// the chip's pins it resets the TAP with TMS, reads the IDCODE (the
// instruction after reset), then scans SAMPLE and BYPASS, printing what
// TDO shows in each Shift-DR cycle while a known pattern goes in on TDI.
inline const std::string kChipBench = chip_bench_head() + R"(  initial begin
    pattern = 64'hC3A50F961E2DB47A;
    tck = 0; tms = 1; tdi = 0; trst = 0; clk = 0; rst_n = 0; din0 = 0; din1 = 1;
    #100 trst = 1;
    repeat (5) step(1, 0, 0);
    step(0, 0, 0);
    $write("ID "); dr(64);
    ir(4'b0001); $write("SAMPLE "); dr(40);
    ir(4'b1111); $write("BYPASS "); dr(40);
    $finish;
  end
endmodule
)";

// The RTL TAP "chip_TAP.v" that the scripts read, in the edited chip:
// Icarus Verilog runs kChipBench on it.  The IDCODE comes out least
// significant bit first, the boundary register is as long as the chain
// and BYPASS is one bit that captured 0.
inline void expect_tap_answers_through_pins(const std::filesystem::path& dir, size_t chain_length = 9) {
    EXPECT_NE(testsupport::read_file(dir / "chip_TAP.ac.tcl").find("\nread_verilog chip_TAP.v \n"), std::string::npos);
    if (!testsupport::have_program("iverilog")) GTEST_SKIP() << "iverilog is not installed: the chip is not simulated";
    std::ofstream(dir / "tb_chip.v") << kChipBench;
    auto r = testsupport::run({"iverilog", "-g2001", "-s", "tb", "-o", "chip_sim", "tb_chip.v", "cells.v",
                               "chip_TAP.v", "chip_jtag.v"},
                              dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = testsupport::run({"vvp", "-n", "chip_sim"}, dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const unsigned long long pattern = 0xC3A50F961E2DB47AULL;
    auto delayed = [&](int delay, int n) {
        std::string s;
        for (int j = delay; j < n; ++j) s += ((pattern >> (j - delay)) & 1) ? '1' : '0';
        return s;
    };
    std::istringstream out(r.out);
    std::map<std::string, std::string> seen;
    std::string name, bits;
    while (out >> name >> bits) seen[name] = bits;
    ASSERT_EQ(seen["ID"].size(), 64u) << r.out;
    EXPECT_EQ(seen["ID"].substr(0, 32), std::string(kIdcode.rbegin(), kIdcode.rend()));
    EXPECT_EQ(seen["ID"].substr(32), delayed(32, 64));
    ASSERT_EQ(seen["SAMPLE"].size(), 40u) << r.out;
    EXPECT_EQ(seen["SAMPLE"].substr(chain_length), delayed(static_cast<int>(chain_length), 40));
    EXPECT_EQ(seen["BYPASS"], "0" + delayed(1, 40));
}

}  // namespace chip_tap_bench
