// A chip with a ring of many pads for the end-to-end boundary-scan tests:
// the netlist and pin list of a chip with the cells, configuration and
// cell library of the demo chip (examples/cells.v, chip.bsc, chip.lib).
//
// Pads come in groups of four: an input i<4m>, a two-state output o<4m+1>,
// a three-state output t<4m+2> and a bidirectional pad b<4m+3>, plus the
// TAP pads tdi, tms, tck, trst, tdo and the TAP qdx_tap (instance TAP).
// The glue between them is combinational (buffers and inverters), so that
// every pad's value reaches a pin: the output takes the inverted input of
// the bidirectional pad, the three-state and bidirectional pads take the
// group's input as data and the next group's input as enable.
#pragma once

#include <cctype>
#include <string>

namespace padchip {

inline char kind_of(int k) { return "iotb"[k % 4]; }
inline std::string port_of(int k) { return std::string(1, kind_of(k)) + std::to_string(k); }

// The Verilog netlist of the chip with `pads` functional pads (rounded
// up to whole groups of four).
inline std::string chip_verilog(int pads) {
    const int groups = (pads + 3) / 4;
    std::string ports = "tdi, tms, tck, trst, tdo", decl, body;
    for (int k = 0; k < groups * 4; ++k) {
        const std::string p = port_of(k);
        ports += ", " + p;
        decl += std::string("  ") + (kind_of(k) == 'i' ? "input " : kind_of(k) == 'b' ? "inout " : "output ") + p +
                ";\n";
    }
    for (int m = 0; m < groups; ++m) {
        const std::string in = "i" + std::to_string(4 * m), next_in = "i" + std::to_string(4 * ((m + 1) % groups));
        const std::string out = "o" + std::to_string(4 * m + 1), tri = "t" + std::to_string(4 * m + 2),
                          bid = "b" + std::to_string(4 * m + 3);
        body += "  wire " + in + "_y, " + out + "_a, " + tri + "_a, " + tri + "_oe, " + bid + "_a, " + bid + "_oe, " +
                bid + "_y;\n";
        body += "  PIN_IN    PAD_" + in + " (.PAD(" + in + "), .Y(" + in + "_y));\n";
        body += "  PIN_OUT   PAD_" + out + " (.A(" + out + "_a), .PAD(" + out + "));\n";
        body += "  PIN_TRI   PAD_" + tri + " (.A(" + tri + "_a), .OE(" + tri + "_oe), .PAD(" + tri + "));\n";
        body += "  PIN_BIDIR PAD_" + bid + " (.A(" + bid + "_a), .OE(" + bid + "_oe), .Y(" + bid + "_y), .PAD(" +
                bid + "));\n";
        body += "  INV g_" + out + " (.A(" + bid + "_y), .Y(" + out + "_a));\n";
        body += "  BUF g_" + tri + " (.A(" + in + "_y), .Y(" + tri + "_a));\n";
        body += "  INV e_" + tri + " (.A(" + next_in + "_y), .Y(" + tri + "_oe));\n";
        body += "  INV g_" + bid + " (.A(" + in + "_y), .Y(" + bid + "_a));\n";
        body += "  BUF e_" + bid + " (.A(" + next_in + "_y), .Y(" + bid + "_oe));\n";
    }
    return "// A chip of " + std::to_string(groups * 4) +
           " pads around a combinational core.\n`timescale 1ns / 1ps\n\nmodule chip (" + ports +
           ");\n  input tdi, tms, tck, trst;\n  output tdo;\n" + decl +
           "  wire tdi_c, tms_c, tck_c, trst_c, tdo_c, tdo_en, chain;\n"
           "  PIN_IN  PAD_TDI  (.PAD(tdi), .Y(tdi_c));\n"
           "  PIN_IN  PAD_TMS  (.PAD(tms), .Y(tms_c));\n"
           "  PIN_IN  PAD_TCK  (.PAD(tck), .Y(tck_c));\n"
           "  PIN_IN  PAD_TRST (.PAD(trst), .Y(trst_c));\n"
           "  PIN_TRI PAD_TDO  (.A(tdo_c), .OE(tdo_en), .PAD(tdo));\n"
           "  qdx_tap TAP (.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),\n"
           "               .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),\n"
           "               .first_Bcell(chain), .BOUNDARY_out(chain));\n" +
           body + "endmodule\n";
}

// The pin list of that chip (the format of examples/chip.pin): package
// pin names are the ports in upper case.
inline std::string pin_file(int pads) {
    const int groups = (pads + 3) / 4, n = groups * 4;
    std::string text = "// Pins of the generated chip of " + std::to_string(n) + " pads.\n%PACKAGE_TYPE GRID" +
                       std::to_string(n + 7) + " " + std::to_string(n + 7) + ";\n%ALLOWED_MULTIPLE { VDD, VSS ; }\n\n";
    auto line = [&](int pin, const std::string& port, const std::string& rest) {
        std::string upper = port;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        text += std::to_string(pin) + "  " + upper + "  " + port + "  " + rest + "\n";
    };
    for (int k = 0; k < n; ++k) {
        switch (kind_of(k)) {
            case 'i': line(k + 1, port_of(k), "in     PAD(PIN_IN)"); break;
            case 'o': line(k + 1, port_of(k), "out    PAD(PIN_OUT)"); break;
            case 't': line(k + 1, port_of(k), "out    PAD(PIN_TRI) PAD_EN_H"); break;
            default: line(k + 1, port_of(k), "inout  PAD(PIN_BIDIR) PAD_EN_H"); break;
        }
    }
    line(n + 1, "tdi", "in     PAD(PIN_IN)");
    line(n + 2, "tms", "in     PAD(PIN_IN)");
    line(n + 3, "tck", "in     PAD(PIN_IN)");
    line(n + 4, "trst", "in     PAD(PIN_IN)");
    line(n + 5, "tdo", "out    PAD(PIN_TRI) PAD_EN_H");
    text += std::to_string(n + 6) + "  VDD  *  *\n" + std::to_string(n + 7) + "  VSS  *  *\n";
    return text;
}

}  // namespace padchip
