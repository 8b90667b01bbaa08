// kestrand's command line: the options into JTAG_OPTION, the circuit's
// names and folders (jtag/jtag.h), the edit folder, the report file, and
// the help page.
#pragma once

#include <string>

// Reads the command line into the globals of jtag/jtag.h, makes the edit
// folder kEditFolder, opens the report file and echoes the selected
// options.  Ends the process on the failures it reports.
void jtag_parse_cmd_line(int argc, char** argv, std::string* top_out);
// Reads the option argv[*index]; "-opath" takes the next word too and
// moves *index past it.
void scan_option(char** argv, int argc, int* index);
// Every option flag off but OPT_TAP_PORT_ONLY.
void init_option_flag();
// The help page, then the end of the run with status 0.
[[noreturn]] void print_help_options();

// Returns the command line's own counts of warnings and errors to their
// start-up values (the options themselves: JTAG_RUN_reset_globals).
void JTAG_CMD_reset_globals();
