// The files a run of kestrand writes, by its road, and the check that
// none of them is a file that the run reads.
#pragma once

#include <string>
#include <vector>

// The outputs of the run's road whose names the command line and the
// configuration settle: the report; on the roads that edit the design the
// pin list "<top>.bso", the edited top design's command file, database
// (in the edit folder and, before its move, in the current folder),
// working copy and alias files, with its netlist and expanded design
// unless -no_expand; the RTL TAP, its synthesis scripts and the port-only
// TAP module of -add_tap and -add_tap_only; the boundary-cell module of
// -add_bcm; the BIST connection files; the logs of the tools.  The
// compiled TAP module's database is left out: it replaces the TAP's
// database on purpose.
std::vector<std::string> kest_run_outputs();

// Ends the run with -1 before its first output when one of
// kest_run_outputs is a file that the run read (runtime/run_inputs.h):
// "ERROR: output file '<output>' would replace '<input>', which the run
// reads.".  The report, when it is that file, is left unwritten.
void kest_check_outputs_spare_inputs();
