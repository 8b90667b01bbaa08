// The TAP side of kestrand: the facts drawn from the instruction table,
// the TAP description with its default pin names, the port-only TAP
// module with its compile run, and the synthesis scripts of the RTL TAP.
//
// Texts follow the conventions of desc/tables.h: char* heap copies owned
// by their global (null = none), lists of texts DynaArrays of owned char*.
// The TAP pin-name globals are the exception: they point into the strings
// of TAP_CONTR (one character in when the name is active low), so they
// stay valid while TAP_CONTR's fields are left alone.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "desc/tables.h"

// A row of the pad table of the boundary-scan insertion.
struct PadEntry;

// ------------------------------------------------------ instruction facts

// Opcode width in bits (the first opcode of the first row); 0 without rows.
extern int INST_LEN;
// The row of each standard instruction in INSTRUCTIONS (INTEST_EXIST and
// its siblings) is kept by the description layer (desc/tables.h).

// Data registers that instructions select: "BYPASS" first, then each other
// register name (the text before "[") in order of first use, no duplicates
// (compared ignoring case).
extern char** ACCESS_REG;
// The register name of an accessed-register text: the text up to its
// first "[", leading "[" skipped ("boundary[3]" gives "boundary"); "" for
// none.  The rules and the RTL TAP both read a row's register through it,
// so a row selects the ACCESS_REG entry that the rules listed for it.
std::string access_register_name(const char* access);

// One enable pin that instructions drive, as the first instruction that
// drives it gives it.
struct InstEnablePin {
    char* name;    // the signal as first written
    char* value;   // its length is the pin's width; "1" when none was given
    char* second;  // signal after the gate word, or none
    int gate;      // InstructionGate; GATE_NONE for a plain enable
};
// One entry per distinct pin name (ignoring case), in order of first use.
extern InstEnablePin* INST_ENABLE_PIN;
// Width of the data-register select bus: the least w with 2^w >= the
// number of ACCESS_REG entries.
extern int DR_SEL_LINE;
// Pad rows of the five TAP ports; cleared here, set by the insertion flow.
extern PadEntry* TAP_TDI_PIN_PTR;
extern PadEntry* TAP_TDO_PIN_PTR;
extern PadEntry* TAP_TMS_PIN_PTR;
extern PadEntry* TAP_TCK_PIN_PTR;
extern PadEntry* TAP_TRST_PIN_PTR;

// The row globals to -1, ACCESS_REG to ("BYPASS"), INST_ENABLE_PIN empty,
// the pad references cleared.
void init_various_flags();
// Checks INSTRUCTIONS (with INST_CAPTURE, IDCODE_REG and USERCODE_REG)
// against the instruction-table rules and fills the facts above; a breach
// prints its message and ends the run with -1.
void set_up_various_flags();
// Frees INST_ENABLE_PIN (and sets it to none).
void free_inst_enable_pin();

// ------------------------------------------------------- TAP description

// TAP_CONTR (desc/tables.h) is the TAP controller in use: the library's
// %TAP_CONTROLLER of the module name, or an entry of our own when the
// library has none.
// The TAP instance name as first resolved (given or defaulted), before the
// insertion flow splits a hierarchical name.
extern char* org_tap_instance_nameG;
// Pin names without their active-low "-"; none when the pin is not needed.
extern const char* TAP_TDI_PIN;
extern const char* TAP_TDO_PIN;
extern const char* TAP_TDO_EN_PIN;
extern const char* TAP_TMS_PIN;
extern const char* TAP_TCK_PIN;
extern const char* TAP_TRST_PIN;
extern const char* TAP_SHIFT_PIN;
extern const char* TAP_CLOCK_PIN;
extern const char* TAP_UPDATE_PIN;
extern const char* TAP_HIGHZ_PIN;  // HIGHZ_COMMAND when a cell needs it
extern const char* TAP_HIZ_PIN;    // HIGHZ_COMMAND when the HIGHZ instruction exists
extern const char* TAP_RST_PIN;    // "RESET" when no cell needs TAP_RESET
extern const char* TAP_MODE1_PIN;
extern const char* TAP_MODE2_PIN;
extern const char* TAP_MODE3_PIN;
// BCELL_EXTRA names (owned copies), entry i for %EXTRA_<i+1>, without "-".
extern char** TAP_EXTRA_PIN;
// Which MODE pin (1 to 3) carries the HIGHZ_COMMAND signal, 0 for none.
extern int HIZ_OVERLAP;

// Runs set_up_various_flags, then settles the TAP module and instance
// names, TAP_CONTR and every pin name, printing a warning for each default.
void jtag_init();

// ------------------------------------------------------- TAP top module

// Lists of kest_hier_tap_port_tabG.
enum TapPortList {
    TAP_PORTS_FROM_PINS = 0,   // TMS, TDI, TCK, TRST
    TAP_PORTS_TDO = 1,         // TDO
    TAP_PORTS_ENABLES = 2,     // TDO enable, instruction enable pins
    TAP_PORTS_CHAIN_IN = 3,    // LAST_BCELL, <reg>_out
    TAP_PORTS_CHAIN_OUT = 4,   // FIRST_BCELL, <reg>_in
    TAP_PORTS_CONTROLS = 5,    // cell and mode controls
    TAP_PORTS_SPARE = 6,       // made, never filled
    TAP_PORT_LIST_COUNT = 7
};

// The TAP module's ports by kind (owned copies), filled while the TAP top
// module is declared when the TAP sits in a sub-module of the design
// (kest_hier_tap_ctrlG); lists are none until then.
struct TapPortTable {
    char** list[TAP_PORT_LIST_COUNT];
};
extern TapPortTable kest_hier_tap_port_tabG;
void free_tap_port_table();

// Writes the header, port list and port declarations of the TAP top module
// TAP_MODULE_NAME; in port-only mode (OPT_TAP_PORT_ONLY) it closes the
// module, otherwise it goes on with the internal wires of the full TAP.
void make_declaration_of_v(FILE* stream);

// Facts of the TAP top that its Verilog and VHDL writers share.
// A user data register: an ACCESS_REG entry other than boundary, bypass,
// idcode and usercode (ignoring case).
bool tap_is_user_data_register(const char* reg);
// The TAP has a HIGHZ_COMMAND output of its own (the HIGHZ instruction
// exists and no MODE pin carries the signal).
bool tap_has_highz_port();
// The TAP takes its IDCODE on a 32-bit input bus (-external_idcode with an
// IDCODE value).
bool tap_has_idcode_port();
// Both IDCODE and USERCODE exist: the ID register has an IDMODE input.
bool tap_has_idmode();

// ------------------------------------------------------------ add-TAP flow

// The stream the TAP writers write to while a TAP file is open.
extern FILE* JTAG_V_FILE;
// Writes the TAP into the open stream: the port-only module when
// OPT_TAP_PORT_ONLY is set, else the full RTL TAP.
void get_TAP_in_RTL(FILE* stream);
// Writes "<top>_TAP_empty.v", compiles it with tessick (output in
// "BSCAN.log") and writes the three synthesis scripts.
void jtagsyn();
// Writes the port-only TAP module "<top>_TAP_empty.v" and compiles it with
// tessick as a library cell: the TAP module's design database, a leaf
// that the expansion of a design keeps.  A failed compile ends the run
// (its output stays in "BSCAN.log").
void jtag_compile_port_only_tap();
// The words that send tessick's databases into "lib" when the working
// directory has that folder (where masters are looked for too); none
// otherwise.
std::vector<std::string> jtag_tessick_opath();
// Writes the full RTL TAP "<top>_TAP.v" (".vhd" with -vhdl), which the
// synthesis scripts read, next to them (in the -opath directory).
void jtag_write_rtl_tap();
// Writes the ac_shell, dc_shell and pt_shell scripts of the design
// (TOP_MODULE followed by "_TAP").
void bs_write_synthesize_script(FILE* ac, FILE* dc, FILE* pt, const char* design);

// Returns every global of this header to its start-up value.
void JTAG_TAP_reset_globals();
