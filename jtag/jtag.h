// kestrand's command line, option array and the TAP side.
#pragma once

#include <string>

// Slots of JTAG_OPTION.
enum JtagOptionSlot {
    OPT_OPATH = 0,
    OPT_TAP_PORT_ONLY = 1,
    OPT_ADD_TAP = 2,
    OPT_ADD_TAP_ONLY = 3,
    OPT_VHDL = 4,
    OPT_ADD_PAD = 5,
    OPT_GUIDELINE = 6,
    OPT_DEBUG = 7,
    OPT_UNUSED = 8,
    OPT_DF_SPEED = 9,
    OPT_EXTERNAL_IDCODE = 10,
    OPT_SYNCH = 11,
    OPT_NO_EXPAND = 12,
    OPT_ADD_BCM = 13,
    OPT_NO_PAD = 14,
    OPT_DONT_SHARE_CONTROL = 15,
    JTAG_OPTION_COUNT = 16
};

// The option flags, 0 off and 1 on.
extern int JTAG_OPTION[JTAG_OPTION_COUNT];
// Output directory ("." unless -opath is given).
extern std::string OPATH;
// Directory of the netlist-edit command files and the edited designs.
extern std::string BSCAN_OPATH;
// The circuit (top module) name.
extern std::string TOP_MODULE;
// Directory part of the circuit argument, with its trailing '/' ("" when none).
extern std::string PATH;

// Reads the command line into the globals above, makes ./bscan_lib, opens
// the report file and echoes the selected options.  Ends the process on
// the failures it reports.
void jtag_parse_cmd_line(int argc, char** argv, std::string* top_out);
void scan_option(char** argv, int argc, int* index);
void init_option_flag();
[[noreturn]] void print_help_options();

// Returns the command-line globals to their start-up values.
void JTAG_CMD_reset_globals();

// ---------------------------------------------------------------- TAP side
// The instruction facts, the TAP description, the port-only TAP module,
// the add-TAP flow and the synthesis scripts are declared in jtag/tap.h;
// the insertion facts they read in bscan/insertion_facts.h.
#include "bscan/insertion_facts.h"
#include "jtag/tap.h"
