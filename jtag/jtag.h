// The run of kestrand as every layer of it reads it: the option flags of
// the command line, the circuit's names and folders, the design files
// found for it, and the names of the files the run writes, made here once
// from those.  The command line that fills them in is kestrand's own
// (kestrand/jtag_cmd.h).
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
// Directory of the netlist-edit command files and the edited designs
// (kEditFolder once the command line is read).
extern std::string BSCAN_OPATH;
// The circuit (top module) name.
extern std::string TOP_MODULE;
// Directory part of the circuit argument, with its trailing '/' ("" when none).
extern std::string PATH;
// Full paths of the design database and of its cell-level version ("" when
// not found), found along the search path before the insertion starts.
extern std::string MODULE_SDB;
extern std::string MODULE_C_SDB;

// ---------------------------------------------------------- the run's files

// The folder of the edits, made in the working directory when missing.
inline constexpr const char* kEditFolder = "./bscan_lib";

// A file of the output directory: "<OPATH>/<name>" with -opath, else
// name as it is (in the working directory).
std::string kest_output_file(const std::string& name);
// A file of the edit folder: "<BSCAN_OPATH>/<name>".
std::string kest_edit_file(const std::string& name);
// The name of the edited top design, of its database, command file and
// netlist: "<TOP_MODULE>_jtag".
std::string kest_edited_top();

// Returns the globals above to their start-up values.
void JTAG_RUN_reset_globals();

// ---------------------------------------------------------------- TAP side
// The instruction facts, the TAP description, the port-only TAP module,
// the add-TAP flow and the synthesis scripts are declared in jtag/tap.h;
// the insertion facts they read in jtag/insertion_facts.h.
#include "jtag/insertion_facts.h"
#include "jtag/tap.h"
