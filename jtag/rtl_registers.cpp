// The registers and the TDO path of the RTL TAP, in Verilog and VHDL: the
// bypass cell, the ID register, the instruction register, the data
// register multiplexer, the instruction/data multiplexer and the
// falling-edge TDO stage.  With -synch the registers take TCK and use
// CLOCK_DR / CLOCK_IR / UPDATE_IR as enables; otherwise those are their
// clocks.

#include <cstdio>
#include <string>
#include <vector>

#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"

namespace {

bool synch() { return JTAG_OPTION[OPT_SYNCH] != 0; }

}  // namespace

void jtag_include_vhdl_library(FILE* s) { std::fprintf(s, "library IEEE;\nuse IEEE.std_logic_1164.all;\n\n"); }

// ------------------------------------------------------------------ bypass

void make_bypass_reg_of_v(FILE* s) {
    std::fprintf(s, "module BYPASS_reg ( BYPASS_out,\n");
    if (synch()) std::fprintf(s, "%19c %s,\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%19c %s,\n%19c %s,\n%19c %s );\n\n", ' ', TAP_TDI_PIN, ' ', TAP_SHIFT_PIN, ' ', TAP_CLOCK_PIN);
    std::fprintf(s, "%7c output BYPASS_out;\n\n", ' ');
    if (synch()) std::fprintf(s, "%7c input %s;\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%7c input %s;\n%7c input %s;\n%7c input %s;\n\n", ' ', TAP_TDI_PIN, ' ', TAP_SHIFT_PIN, ' ',
                 TAP_CLOCK_PIN);
    std::fprintf(s, "%7c wire BYPASS_in;\n%7c reg BYPASS_cell;\n\n", ' ', ' ');
    // Captures 0 (SHIFT_DR low in Capture-DR), shifts TDI in Shift-DR.
    std::fprintf(s, "%7c assign BYPASS_in = %s & %s;\n\n", ' ', TAP_SHIFT_PIN, TAP_TDI_PIN);
    if (synch()) {
        std::fprintf(s, "%7c always @(posedge %s)\n%7c begin\n", ' ', TAP_TCK_PIN, ' ');
        std::fprintf(s, "%7c     if (%s)\n%7c         BYPASS_cell <= BYPASS_in;\n%7c end\n\n", ' ', TAP_CLOCK_PIN, ' ',
                     ' ');
    } else {
        std::fprintf(s, "%7c always @(posedge %s)\n            BYPASS_cell <= BYPASS_in;\n\n", ' ', TAP_CLOCK_PIN);
    }
    std::fprintf(s, "        assign BYPASS_out = BYPASS_cell;\n\nendmodule\n\n");
}

void vhdl_output_io_interface_of_bypass_reg(FILE* s) {
    std::fprintf(s, "    port (\n%7c %s, %s, %s: in std_logic;\n", ' ', TAP_TDI_PIN, TAP_SHIFT_PIN, TAP_CLOCK_PIN);
    if (synch()) std::fprintf(s, "%7c %s: in std_logic;\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "        BYPASS_out: out std_logic\n    );\n");
}

void make_bypass_reg_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity BYPASS_reg is\n");
    vhdl_output_io_interface_of_bypass_reg(s);
    std::fprintf(s, "end BYPASS_reg;\n\n");
    std::fprintf(s, "architecture BEHAVIOR of BYPASS_reg is\n    signal BYPASS_in, BYPASS_cell: std_logic;\n\nbegin\n\n");
    std::fprintf(s, "    BYPASS_in <= %s and %s;\n", TAP_SHIFT_PIN, TAP_TDI_PIN);
    if (synch()) {
        std::fprintf(s, "\n    process (%s)\n    begin\n%7c if (RISING_EDGE(%s)) then\n", TAP_TCK_PIN, ' ', TAP_TCK_PIN);
        std::fprintf(s, "%9c if (%s = '1') then\n%11c BYPASS_cell <= BYPASS_in;\n%9c end if;\n%7c end if;\n", ' ',
                     TAP_CLOCK_PIN, ' ', ' ', ' ');
    } else {
        std::fprintf(s, "\n    process\n    begin\n%7c wait until (RISING_EDGE(%s));\n", ' ', TAP_CLOCK_PIN);
        std::fprintf(s, "        BYPASS_cell <= BYPASS_in;\n");
    }
    std::fprintf(s, "    end process;\n\n    BYPASS_out <= BYPASS_cell;\n\nend BEHAVIOR;\n\n");
}

// ------------------------------------------------------------ ID register

void make_idcode_reg_of_v(FILE* s) {
    const bool ext = rtltap::id_from_port();
    const bool mode = tap_has_idmode();
    if (ext)
        std::fprintf(s, "\nmodule ID_reg ( IDCODE,\n%15c IDCODE_out,\n", ' ');
    else
        std::fprintf(s, "\nmodule ID_reg ( IDCODE_out,\n");
    if (synch()) std::fprintf(s, "%15c %s,\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%15c %s,\n%15c %s,\n%15c %s", ' ', TAP_TDI_PIN, ' ', TAP_SHIFT_PIN, ' ', TAP_CLOCK_PIN);
    if (mode) std::fprintf(s, ",\n %15c IDMODE", ' ');
    std::fprintf(s, " );\n\n        output IDCODE_out;\n\n");
    if (synch()) std::fprintf(s, "%7c input %s;\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%7c input %s;\n%7c input %s;\n%7c input %s;\n", ' ', TAP_TDI_PIN, ' ', TAP_SHIFT_PIN, ' ',
                 TAP_CLOCK_PIN);
    if (mode) std::fprintf(s, "        input IDMODE;\n");
    if (ext) std::fprintf(s, "        input[31:0] IDCODE;\n\n");
    std::fprintf(s, "\n        reg[31:0] ID_cell;\n\n");
    int in = 11, cont = 22;
    if (synch()) {
        std::fprintf(s, "%7c always @(posedge %s)\n%7c begin\n%11c if (%s)\n", ' ', TAP_TCK_PIN, ' ', ' ',
                     TAP_CLOCK_PIN);
        in = 15;
        cont = 26;
    } else {
        std::fprintf(s, "%7c always @(posedge %s)\n", ' ', TAP_CLOCK_PIN);
    }
    const std::string id = ext ? std::string("IDCODE") : "32'b" + rtltap::id_value();
    if (mode) {
        if (synch()) std::fprintf(s, "%*c begin\n", in - 4, ' ');
        std::fprintf(s, "%*c if (%s == 1)  ID_cell <= {%s, ID_cell[31:1]};\n", in, ' ', TAP_SHIFT_PIN, TAP_TDI_PIN);
        std::fprintf(s, "%*c else if (IDMODE == 1) ID_cell <= %s;\n", in, ' ', id.c_str());
        std::fprintf(s, "%*c else  ID_cell <= 32'b%s;\n", in, ' ', rtltap::user_value().c_str());
        if (synch()) std::fprintf(s, "%*c end\n", in - 4, ' ');
    } else {
        std::fprintf(s, "%*c ID_cell <= (%s) ? {%s, ID_cell[31:1]} :\n", in, ' ', TAP_SHIFT_PIN, TAP_TDI_PIN);
        std::fprintf(s, "%*c %s;\n\n", cont, ' ', id.c_str());
    }
    if (synch()) std::fprintf(s, "%7c end\n\n", ' ');
    std::fprintf(s, "        assign IDCODE_out = ID_cell[0];\n\nendmodule\n\n");
}

void vhdl_output_io_interface_of_idcode_reg(FILE* s) {
    std::fprintf(s, "    port (\n%7c %s, %s, %s", ' ', TAP_TDI_PIN, TAP_SHIFT_PIN, TAP_CLOCK_PIN);
    if (tap_has_idmode()) std::fprintf(s, ", IDMODE");
    std::fprintf(s, ": in std_logic;\n");
    if (synch()) std::fprintf(s, "%7c %s: in std_logic;\n", ' ', TAP_TCK_PIN);
    if (rtltap::id_from_port()) std::fprintf(s, "        IDCODE: in std_logic_vector(31 downto 0);\n");
    std::fprintf(s, "        IDCODE_out: out std_logic\n    );\n");
}

void make_idcode_reg_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity ID_reg is\n");
    vhdl_output_io_interface_of_idcode_reg(s);
    std::fprintf(s, "end ID_reg;\n\n");
    std::fprintf(s, "architecture BEHAVIOR of ID_reg is\n    signal ID_cell: std_logic_vector(31 downto 0);\n\n");
    if (synch()) {
        std::fprintf(s, "begin\n    process (%s)\n    begin\n%5c if (RISING_EDGE(%s)) then\n", TAP_TCK_PIN, ' ',
                     TAP_TCK_PIN);
        std::fprintf(s, "%7c if (%s = '1') then\n%9c if (%s = '1') then\n", ' ', TAP_CLOCK_PIN, ' ', TAP_SHIFT_PIN);
    } else {
        std::fprintf(s, "begin\n    process\n    begin\n%7c wait until (RISING_EDGE(%s));\n", ' ', TAP_CLOCK_PIN);
        std::fprintf(s, "%7c if (%s = '1') then\n", ' ', TAP_SHIFT_PIN);
    }
    std::fprintf(s, "%11c ID_cell <= %s & ID_cell(31 downto 1);\n", ' ', TAP_TDI_PIN);
    const std::string id = rtltap::id_from_port() ? std::string("IDCODE") : "\"" + rtltap::id_value() + "\"";
    if (tap_has_idmode()) {
        std::fprintf(s, "        elsif (IDMODE = '1') then\n%11c ID_cell <= %s;\n", ' ', id.c_str());
        std::fprintf(s, "        else\n%11c ID_cell <= \"%s\";\n", ' ', rtltap::user_value().c_str());
    } else {
        std::fprintf(s, "        else\n%11c ID_cell <= %s;\n", ' ', id.c_str());
    }
    std::fprintf(s, "        end if;\n");
    if (synch()) std::fprintf(s, "      end if;\n    end if;\n");
    std::fprintf(s, "    end process;\n\n    IDCODE_out <= ID_cell(0);\n\nend BEHAVIOR;\n\n");
}

// ------------------------------------------------------ instruction register

void make_inst_reg_of_v(FILE* s) {
    const int l = INST_LEN;
    const std::string r = rtltap::reset_opcode();
    const std::string c = rtltap::capture_pattern();
    std::fprintf(s, "\nmodule IR_reg ( IR_out,\n%15c INST,\n", ' ');
    if (synch()) std::fprintf(s, "%15c %s,\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%15c %s,\n%15c SHIFT_IR,\n%15c CLOCK_IR,\n%15c UPDATE_IR,\n%15c %s );\n\n", ' ', TAP_TDI_PIN, ' ',
                 ' ', ' ', ' ', TAP_RST_PIN);
    std::fprintf(s, "%7c output IR_out;\n%7c output[%d:0] INST;\n\n", ' ', ' ', l - 1);
    if (synch()) std::fprintf(s, "%7c input %s;\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "%7c input %s;\n%7c input SHIFT_IR;\n%7c input UPDATE_IR;\n%7c input CLOCK_IR;\n%7c input %s;\n\n",
                 ' ', TAP_TDI_PIN, ' ', ' ', ' ', ' ', TAP_RST_PIN);
    std::fprintf(s, "%7c reg[%d:0] CAP_IR;\n%7c reg[%d:0] UPD_IR;\n\n", ' ', l - 1, ' ', l - 1);
    if (synch()) {
        std::fprintf(s, "%7c always @(posedge %s)\n%7c begin\n%11c if (CLOCK_IR)\n", ' ', TAP_TCK_PIN, ' ', ' ');
        std::fprintf(s, "%15c CAP_IR <= (SHIFT_IR) ? {%s, CAP_IR[%d:1]} : %d'b%s;\n\n%7c end\n", ' ', TAP_TDI_PIN,
                     l - 1, l, c.c_str(), ' ');
        std::fprintf(s, "%7c always @(negedge %s or negedge %s)\n%7c begin\n", ' ', TAP_TCK_PIN, TAP_RST_PIN, ' ');
        std::fprintf(s, "%11c if (%s == 0)\n%15c UPD_IR <= %d'b%s;\n", ' ', TAP_RST_PIN, ' ', l, r.c_str());
        std::fprintf(s, "%11c else if (UPDATE_IR)\n%15c UPD_IR <= CAP_IR;\n\n%7c end\n", ' ', ' ', ' ');
    } else {
        std::fprintf(s, "%7c always @(posedge CLOCK_IR)\n", ' ');
        std::fprintf(s, "%11c CAP_IR <= (SHIFT_IR) ? {%s, CAP_IR[%d:1]} : %d'b%s;\n\n", ' ', TAP_TDI_PIN, l - 1, l,
                     c.c_str());
        std::fprintf(s, "%7c always @(posedge UPDATE_IR or negedge %s)\n", ' ', TAP_RST_PIN);
        std::fprintf(s, "%11c if (%s == 0)  UPD_IR <= %d'b%s;\n", ' ', TAP_RST_PIN, l, r.c_str());
        std::fprintf(s, "%11c else  UPD_IR <= CAP_IR;\n\n", ' ');
    }
    std::fprintf(s, "        assign  INST   = UPD_IR;\n        assign  IR_out = CAP_IR[0];\n\nendmodule\n\n");
}

void vhdl_output_io_interface_of_inst_reg(FILE* s) {
    std::fprintf(s, "    port (\n%7c %s, SHIFT_IR, UPDATE_IR, CLOCK_IR, %s: in std_logic;\n", ' ', TAP_TDI_PIN,
                 TAP_RST_PIN);
    if (synch()) std::fprintf(s, "%7c %s: in std_logic;\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "        IR_out: out std_logic;\n%7c INST: out std_logic_vector(%d downto 0)\n    );\n", ' ',
                 INST_LEN - 1);
}

void make_inst_reg_of_vhdl(FILE* s) {
    const int l = INST_LEN;
    const std::string r = rtltap::reset_opcode();
    const std::string c = rtltap::capture_pattern();
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity IR_reg is\n");
    vhdl_output_io_interface_of_inst_reg(s);
    std::fprintf(s, "end IR_reg;\n\n");
    std::fprintf(s, "architecture BEHAVIOR of IR_reg is\n    signal CAP_IR, UPD_IR: std_logic_vector(%d downto 0);\n",
                 l - 1);
    if (synch()) {
        std::fprintf(s, "begin\n    process (%s)\n    begin\n%5c if(RISING_EDGE(%s)) then\n", TAP_TCK_PIN, ' ',
                     TAP_TCK_PIN);
        std::fprintf(s, "%7c if (CLOCK_IR = '1') then\n         if (SHIFT_IR = '1') then\n", ' ');
        std::fprintf(s, "%11c CAP_IR <= %s & CAP_IR(%d downto 1);\n%9c else  CAP_IR <= \"%s\";\n", ' ', TAP_TDI_PIN,
                     l - 1, ' ', c.c_str());
        std::fprintf(s, "         end if;\n       end if;\n     end if;\n");
    } else {
        std::fprintf(s, "begin\n    process\n    begin\n        wait until (RISING_EDGE(CLOCK_IR));\n");
        std::fprintf(s, "        if (SHIFT_IR = '1') then\n%13c CAP_IR <= %s & CAP_IR(%d downto 1);\n", ' ',
                     TAP_TDI_PIN, l - 1);
        std::fprintf(s, "%7c else  CAP_IR <= \"%s\";\n        end if;\n", ' ', c.c_str());
    }
    std::fprintf(s, "    end process;\n\n");
    if (synch()) {
        std::fprintf(s, "    process (%s, %s)\n    begin\n", TAP_RST_PIN, TAP_TCK_PIN);
        std::fprintf(s, "%7c if (%s = '0') then\n%11c UPD_IR <= \"%s\";\n", ' ', TAP_RST_PIN, ' ', r.c_str());
        std::fprintf(s, "%7c elsif(FALLING_EDGE(%s)) then\n", ' ', TAP_TCK_PIN);
        std::fprintf(s, "          if(UPDATE_IR = '1') then\n            UPD_IR <= CAP_IR;\n          end if;\n");
        std::fprintf(s, "        end if;\n");
    } else {
        std::fprintf(s, "    process (UPDATE_IR, %s)\n    begin\n", TAP_RST_PIN);
        std::fprintf(s, "%7c if (%s = '0') then\n%13c UPD_IR <= \"%s\";\n", ' ', TAP_RST_PIN, ' ', r.c_str());
        std::fprintf(s, "        elsif(RISING_EDGE(UPDATE_IR)) then\n          UPD_IR <= CAP_IR;\n");
        std::fprintf(s, "        end if;\n");
    }
    std::fprintf(s, "    end process;\n\n    INST   <= UPD_IR;\n    IR_out <= CAP_IR(0);\n\nend BEHAVIOR;\n\n");
}

// ------------------------------------------------------------ multiplexers

void make_dr_mux_of_v(FILE* s) {
    const auto regs = rtltap::data_registers();
    std::fprintf(s, "\nmodule DR_mux ( DR_out,\n                DR_SELECT,\n");
    for (size_t i = 0; i < regs.size(); ++i)
        std::fprintf(s, i ? ",\n%15c %s_out" : "%15c %s_out", ' ', regs[i].name.c_str());
    std::fprintf(s, " );\n\n       output DR_out;\n\n");
    for (const auto& r : regs) std::fprintf(s, "%7c input %s_out;\n", ' ', r.name.c_str());
    std::fprintf(s, "%7c input[%d:0]  DR_SELECT;\n\n", ' ', DR_SEL_LINE - 1);
    std::fprintf(s, "%7c assign  DR_out = (\n", ' ');
    for (size_t i = 0; i < regs.size(); ++i)
        std::fprintf(s, "%s%15c ((DR_SELECT == %d'b%s) & %s_out)", i ? " |\n" : "", ' ', DR_SEL_LINE,
                     regs[i].code.c_str(), regs[i].name.c_str());
    std::fprintf(s, ");\n\nendmodule\n");
}

void vhdl_output_io_interface_of_dr_mux_reg(FILE* s) {
    const auto regs = rtltap::data_registers();
    std::fprintf(s, "    port (\n        DR_out: out std_logic;\n");
    std::fprintf(s, "       ");
    for (size_t i = 0; i < regs.size(); ++i) std::fprintf(s, i ? ", %s_out" : " %s_out", regs[i].name.c_str());
    std::fprintf(s, ": in std_logic;\n%7c DR_SELECT: in std_logic_vector(%d downto 0)\n    );\n", ' ',
                 DR_SEL_LINE - 1);
}

void make_dr_mux_of_vhdl(FILE* s) {
    const auto regs = rtltap::data_registers();
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity DR_mux is\n");
    vhdl_output_io_interface_of_dr_mux_reg(s);
    std::fprintf(s, "end DR_mux;\n\narchitecture BEHAVIOR of DR_mux is\n");
    for (const auto& r : regs)
        std::fprintf(s, "%4c constant SEL_%-8s: std_logic_vector(%d downto 0) := \"%s\";\n", ' ', r.name.c_str(),
                     DR_SEL_LINE - 1, r.code.c_str());
    std::fprintf(s, "\nbegin\n\n    process(DR_SELECT");
    for (const auto& r : regs) std::fprintf(s, ", %s_out", r.name.c_str());
    std::fprintf(s, ")\n    begin\n        case DR_SELECT is\n");
    for (const auto& r : regs)
        std::fprintf(s, "%7c when SEL_%s =>\n%12c DR_out <= %s_out;\n", ' ', r.name.c_str(), ' ', r.name.c_str());
    std::fprintf(s, "        when others =>\n             DR_out <= '0';\n        end case;\n    end process;\n\n");
    std::fprintf(s, "end BEHAVIOR;\n\n");
}

void make_ir_dr_mux_of_v(FILE* s) {
    std::fprintf(s, "\nmodule IR_DR_mux ( IR_out,\n                   DR_out,\n                   SELECT_DR,\n"
                    "                   TDOIN );\n\n        output TDOIN;\n\n        input IR_out;\n"
                    "        input DR_out;\n        input SELECT_DR;\n"
                    "        assign  TDOIN = (SELECT_DR) ? DR_out : IR_out;\n\nendmodule\n\n");
}

void vhdl_output_io_interface_of_ir_dr_mux_reg(FILE* s) {
    std::fprintf(s, "    port (\n        TDOIN:  out std_logic;\n        IR_out, DR_out, SELECT_DR: in std_logic\n    );\n");
}

void make_ir_dr_mux_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity IR_DR_mux is\n");
    vhdl_output_io_interface_of_ir_dr_mux_reg(s);
    std::fprintf(s, "end IR_DR_mux;\n\narchitecture BEHAVIOR of IR_DR_mux is\n\nbegin\n"
                    "        TDOIN <= DR_out when (SELECT_DR = '1') else IR_out;\n\nend BEHAVIOR;\n\n");
}

// --------------------------------------------------------------- TDO stage

void write_TDO_reg_module_of_v(FILE* s) {
    const bool enable = TAP_TDO_EN_PIN == nullptr;
    std::fprintf(s, "\nmodule  TDO_reg ( %s,\n%17c TDOIN,\n%17c %s", TAP_TDO_PIN, ' ', ' ', TAP_TCK_PIN);
    if (enable) std::fprintf(s, ",\n%17c ENABLE", ' ');
    std::fprintf(s, ");\n\n%7c output %s;\n\n%7c input TDOIN;\n%7c input %s;\n", ' ', TAP_TDO_PIN, ' ', ' ',
                 TAP_TCK_PIN);
    if (enable) std::fprintf(s, "%7c input ENABLE;\n", ' ');
    std::fprintf(s, "\n        reg TDO_cell;\n\n");
    // TDO changes on the falling edge of TCK only.
    std::fprintf(s, "%7c always @(negedge %s)\n%11c TDO_cell <= TDOIN;\n\n", ' ', TAP_TCK_PIN, ' ');
    if (enable)
        std::fprintf(s, "%7c assign %s = (ENABLE) ?  TDO_cell : 1'bz;\n\n", ' ', TAP_TDO_PIN);
    else
        std::fprintf(s, "%7c assign %s =  TDO_cell;\n\n", ' ', TAP_TDO_PIN);
    std::fprintf(s, "endmodule\n");
}

void vhdl_output_io_interface_of_TDO_reg(FILE* s) {
    std::fprintf(s, "    port (\n        %s: out std_logic;\n", TAP_TDO_PIN);
    if (TAP_TDO_EN_PIN)
        std::fprintf(s, "%7c TDOIN, %s : in std_logic\n", ' ', TAP_TCK_PIN);
    else
        std::fprintf(s, "%7c TDOIN, %s, ENABLE: in std_logic\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "    );\n");
}

void write_TDO_reg_module_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity TDO_reg is\n");
    vhdl_output_io_interface_of_TDO_reg(s);
    std::fprintf(s, "end TDO_reg;\n\narchitecture BEHAVIOR of TDO_reg is\n        signal  TDO_cell: std_logic;\n\n");
    std::fprintf(s, "begin\n    process\n    begin\n%7c wait until (FALLING_EDGE(%s));\n", ' ', TAP_TCK_PIN);
    std::fprintf(s, "        TDO_cell <= TDOIN;\n    end process;\n\n");
    if (TAP_TDO_EN_PIN)
        std::fprintf(s, "    %s <= TDO_cell ;\n\n", TAP_TDO_PIN);
    else
        std::fprintf(s, "    %s <= TDO_cell when (ENABLE = '1') else 'Z';\n\n", TAP_TDO_PIN);
    std::fprintf(s, "end BEHAVIOR;\n\n");
}
