// The full RTL TAP: the writers of the TAP controller, its registers, its
// instruction decoder and the TAP top, in Verilog and in VHDL, and the
// facts both languages draw from the instruction table and the TAP
// description.
//
// The TAP is made of eight sub-modules that the top wires together:
//   TAP_controller  the 16-state state machine; registered SHIFT_IR,
//                   SHIFT_DR, RESET and ENABLE change on the falling TCK
//                   edge; CLOCK_IR/CLOCK_DR are gated clocks (level
//                   enables with -synch), UPDATE_IR/UPDATE_DR high in
//                   their update states while TCK is low (whole state
//                   with -synch)
//   BYPASS_reg      one cell, captures 0 and shifts TDI
//   ID_reg          32 bits, loads the IDCODE (or USERCODE) value, shifts
//                   right with TDI entering bit 31
//   IR_reg          capture/shift stage CAP_IR and update stage UPD_IR,
//                   reset to the IDCODE (else USERCODE, else BYPASS) opcode
//   IR_dec          INST to DR_SELECT, the MODE outputs, HIGHZ, CHIP_TEST,
//                   IDMODE, the ATPG mode and the instruction enable pins
//   DR_mux          the serial output of the selected data register
//   IR_DR_mux       DR_out in the data-register states, else IR_out
//   TDO_reg         TDOIN sampled on the falling TCK edge
// The boundary register and the user data registers lie outside the TAP:
// FIRST_BCELL and <reg>_in carry TDI out, LAST_BCELL and <reg>_out bring
// their serial outputs back.
//
// Every writer takes the open output stream and reads the TAP facts of
// jtag/tap.h and the option slots; nothing is returned.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// ------------------------------------------------------------ shared facts

namespace rtltap {

// A data register of the TAP as the DR multiplexer sees it.
struct DataRegister {
    std::string name;    // the ACCESS_REG spelling
    std::string code;    // select code, DR_SEL_LINE bits, MSB first
    std::string source;  // the signal of the top that carries its serial output
};

// The data registers in ACCESS_REG order.
std::vector<DataRegister> data_registers();
// The ACCESS_REG index of the register that instruction row `row` selects
// (compared ignoring case, the text before "["); 0 (BYPASS) when none.
int register_of_row(int row);

// The TAP has an ID register: the IDCODE or the USERCODE instruction
// exists.  The module is written and instantiated under this condition.
bool has_id_register();
// The ID register loads the 32-bit IDCODE port instead of a constant.
bool id_from_port();
// The constant the ID register loads when IDMODE is 1 (or always, without
// IDMODE): IDCODE_REG, else the first USERCODE; don't-care bits are 0.
std::string id_value();
// The USERCODE value loaded while IDMODE is 0.
std::string user_value();

// Instruction-register reset opcode (IDCODE, else USERCODE, else BYPASS)
// and capture pattern; don't-care bits written as 0.
std::string reset_opcode();
std::string capture_pattern();

// One instruction enable pin as the decoder drives it.
struct EnableOutput {
    std::string pin;       // the pin name
    std::string driven;    // what IR_dec drives: the pin, or <pin>_wire / <pin>_net when gated
    int width = 1;
    bool inverted = false;  // one bit with value "0": low for its instructions
    int gate = -1;          // InstructionGate, -1 plain
    std::string second;     // the signal after the gate word
    std::string fallback;   // value for the instructions that do not name it (width > 1)
    struct Use {
        int row;
        std::string value;
    };
    std::vector<Use> uses;  // in row order
};
// The enable pins in INST_ENABLE_PIN order; `vhdl` picks the "_net"
// suffix of gated pins instead of "_wire".
std::vector<EnableOutput> enable_outputs(bool vhdl);

// A condition that INST holds opcode `op` (only the defined bits compared).
std::string v_match(const std::string& op);
std::string vhdl_match(const std::string& op);
// The opcodes of an instruction row; empty for row -1.
std::vector<std::string> opcodes_of(int row);

// An output of the decoder other than DR_SELECT and the enable pins:
// its name and the instruction rows whose opcodes set it.
struct Decode {
    std::string name;
    std::vector<int> rows;
};
// CHIP_TEST, the HIGHZ command, MODE1..3, IDMODE and the ATPG mode (named
// `atpg`) as they exist, in the decoder's port order.
std::vector<Decode> decoded_outputs(const char* atpg);

// The pins the MODE outputs and the HIGHZ command use, when present.
const char* mode_pin(int n);  // n = 1..3
bool has_update_dr();
bool has_reset_port();
// The level an %EXTRA pin of the TAP holds: its inactive level ('1' for a
// pin marked active low, '0' otherwise).  The TAP has no logic behind
// these pins; the cells that take them see them inactive.
char extra_pin_level(int i);

// Rejects, with a message and status -1, a description whose names would
// clash with the names the RTL TAP uses inside, and a wide enable pin
// whose every value is taken by an instruction.  Runs before any TAP file
// is written.
void check_rtl_tap_description();

}  // namespace rtltap

// ------------------------------------------------------------------ writers

void make_tap_controller_of_v(FILE* stream);
void make_tap_controller_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_tap_controller(FILE* stream);

void make_bypass_reg_of_v(FILE* stream);
void make_bypass_reg_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_bypass_reg(FILE* stream);
void make_idcode_reg_of_v(FILE* stream);
void make_idcode_reg_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_idcode_reg(FILE* stream);
void make_dr_mux_of_v(FILE* stream);
void make_dr_mux_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_dr_mux_reg(FILE* stream);
void make_ir_dr_mux_of_v(FILE* stream);
void make_ir_dr_mux_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_ir_dr_mux_reg(FILE* stream);
void write_TDO_reg_module_of_v(FILE* stream);
void write_TDO_reg_module_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_TDO_reg(FILE* stream);

void make_inst_reg_of_v(FILE* stream);
void make_inst_reg_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_inst_reg(FILE* stream);

void make_inst_decoder_of_v(FILE* stream);
void make_inst_decoder_of_vhdl(FILE* stream);
void vhdl_output_io_interface_of_inst_decoder(FILE* stream);

// The body of the Verilog TAP top (after make_declaration_of_v in full
// mode) and the VHDL top entity.
void make_initialization_of_v(FILE* stream);
void make_entity_TAP_of_vhdl(FILE* stream);
void jtag_include_vhdl_library(FILE* stream);

// The whole RTL TAP in the language -vhdl chooses.
void write_full_rtl_tap(FILE* stream);
