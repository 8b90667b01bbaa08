// A flat gate-level Verilog netlist of any size, for the netlist-tool
// benchmarks: cells.v holds the library cells (behavioural models), net.v
// one module "top" with the given number of cell instances.
//
// Every instance drives a net of its own, n<i>; its inputs take nets of
// earlier instances (chosen by a fixed pseudo-random sequence, so a run
// always writes the same text), the inputs of the module, or now and
// then a constant.  A few instances connect through buses and part
// selects, so that the reader's bus paths are timed as well.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace flatnet {

inline const char* const kCells =
    "// Library cells of the flat benchmark netlist.\n"
    "`celldefine\n"
    "module INV (A, Y); input A; output Y; assign Y = ~A; endmodule\n"
    "module NAND2 (A, B, Y); input A, B; output Y; assign Y = ~(A & B); endmodule\n"
    "module MUX2 (A, B, S, Y); input A, B, S; output Y; assign Y = S ? B : A; endmodule\n"
    "module DFF (D, CK, Q); input D, CK; output reg Q; always @(posedge CK) Q <= D; endmodule\n"
    "module REG4 (D, CK, Q); input [3:0] D; input CK; output reg [3:0] Q; always @(posedge CK) Q <= D; endmodule\n"
    "`endcelldefine\n";

// Writes cells.v and net.v into dir; false when a file cannot be written.
inline bool write_flat_netlist(const std::string& dir, long instances) {
    {
        std::FILE* f = std::fopen((dir + "/cells.v").c_str(), "w");
        if (!f) return false;
        std::fputs(kCells, f);
        if (std::fclose(f) != 0) return false;
    }
    std::FILE* f = std::fopen((dir + "/net.v").c_str(), "w");
    if (!f) return false;
    std::uint64_t seed = 0x2545F4914F6CDD1DULL;
    auto next = [&seed]() {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    const int kInputs = 64;
    // An input net: an earlier instance's output, a module input, or 1'b0.
    auto pick = [&](long i) -> std::string {
        const std::uint64_t r = next();
        if (r % 97 == 0) return "1'b0";
        if (i < 16 || r % 13 == 0) return "in[" + std::to_string(r % kInputs) + "]";
        return "n" + std::to_string(static_cast<long>((r >> 8) % static_cast<std::uint64_t>(i)));
    };
    std::fprintf(f, "// Flat benchmark netlist: %ld cell instances.\n`timescale 1ns / 1ps\n", instances);
    std::fprintf(f, "module top (clk, in, out);\n  input clk;\n  input [%d:0] in;\n  output [%d:0] out;\n", kInputs - 1,
                 kInputs - 1);
    for (long i = 0; i < instances; ++i) std::fprintf(f, "  wire n%ld;\n", i);
    for (long i = 0; i < instances; ++i) {
        switch (next() % 8) {
            case 0:
            case 1:
            case 2:
                std::fprintf(f, "  NAND2 u%ld (.A(%s), .B(%s), .Y(n%ld));\n", i, pick(i).c_str(), pick(i).c_str(), i);
                break;
            case 3:
            case 4: std::fprintf(f, "  INV u%ld (.A(%s), .Y(n%ld));\n", i, pick(i).c_str(), i); break;
            case 5:
                std::fprintf(f, "  MUX2 u%ld (.A(%s), .B(%s), .S(%s), .Y(n%ld));\n", i, pick(i).c_str(),
                             pick(i).c_str(), pick(i).c_str(), i);
                break;
            case 6: std::fprintf(f, "  DFF u%ld (.D(%s), .CK(clk), .Q(n%ld));\n", i, pick(i).c_str(), i); break;
            default:
                // A 4-bit register: its data from a part select of the
                // inputs, bit 0 of its output on n<i>, the others on
                // nets declared with it.
                {
                    const long lo = static_cast<long>(next() % (kInputs - 4));
                    std::fprintf(f, "  wire r%ld_3, r%ld_2, r%ld_1;\n", i, i, i);
                    std::fprintf(f, "  REG4 u%ld (.D(in[%ld:%ld]), .CK(clk), .Q({r%ld_3, r%ld_2, r%ld_1, n%ld}));\n", i,
                                 lo + 3, lo, i, i, i, i);
                }
                break;
        }
    }
    for (int k = 0; k < kInputs; ++k)
        std::fprintf(f, "  assign out[%d] = n%ld;\n", k, instances > 0 ? (instances - 1 - k % instances) : 0L);
    std::fprintf(f, "endmodule\n");
    return std::fclose(f) == 0;
}

}  // namespace flatnet
