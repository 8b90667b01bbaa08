// The BIST connection files: how the memory-BIST and logic-BIST
// controllers of the design hang on the TAP controller.
//
// "mbist_bscan.cnt" holds one %MEMORY_BIST block per instruction row that
// a %MEMORY_BIST entry of the configuration names, "lbist_bscan.cnt" one
// %LOGIC_BIST block per %LOGIC_BIST entry.  A block names the
// instruction's opcode, the serial ports of its data register (the
// register name with "_in" and "_out"), its decoded enables, the TAP clock
// and shift signal, and for a logic-BIST core with a DFT file the core
// modules to be replaced ("%REPLACE", walking the cores of its DFT files).
// Both files go into the -opath directory when that option is given, else
// into the working directory; a file whose table is empty is not written
// (an old one stays as it is).  Nothing in the system reads them back.
#pragma once

#include <string>
#include <vector>

// Writes the connection files of the configuration's BIST entries (none
// without entries).  Both contents are made in full before either file
// is replaced, each under a temporary name renamed when complete; a
// fault ends the run with status -1 and leaves both files as they were.
void kest_write_connect_file();

// Checks the BIST entries of the configuration as the writer would,
// reading every DFT file they name (through scan_interface) but writing
// nothing: a DFT file that is missing or refused, or an entry that the
// writer would refuse, ends the run here, before its first output file.
void kest_check_connect_file();

// The connection files that kest_write_connect_file writes for the
// configuration's BIST entries.
std::vector<std::string> kest_connect_files();
