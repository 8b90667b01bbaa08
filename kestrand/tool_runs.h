// The runs of the outside netlist tools on the finished command files:
// plovert edits each database copy, the edited databases move into
// BSCAN_OPATH with their alias files, and quarnel and drumway write and
// expand the edited netlist.  Every tool runs with an argument vector and
// its output in a log file that stays only when the tool failed.
#pragma once

#include <string>
#include <vector>

struct MultiIoHierNode;

// Whether the run's road edits the design (every road but -add_tap_only
// alone) and expands the edited design (unless -no_expand).
bool kest_edits_design();
bool kest_expands_design();

// Ends the run with -1 when a netlist tool that the run's road will run
// (tessick, plovert, quarnel, drumway) cannot be started, naming the
// tool, the reason and the PATH searched.  Called before the first
// output file.
void bs_check_tools_startable();
// Removes the tool logs that an earlier run left (a tool that failed
// keeps its log for the user until the next run).
void bs_remove_stale_tool_logs();
// The logs that the netlist tools of the run's road write.
std::vector<std::string> kest_tool_logs();

// Runs plovert on the command files, moves the edited databases into
// BSCAN_OPATH with their alias files, prints the closing lines and,
// unless -no_expand, writes and expands the netlist.
void do_plovert();
// Several IO-pad modules: runs plovert on the row files, children before
// parents, the top last, and moves each edited database into BSCAN_OPATH.
void hier_do_plovert(int row, MultiIoHierNode* children);
// Runs plovert on the command files of the TAP path, innermost first, and
// moves each edited module into BSCAN_OPATH before its parent runs.
void kest_hier_do_plovert_for_tap_instance();
// The closing lines of an insertion whose databases are in BSCAN_OPATH
// (where the pin list and the edited databases went) and, unless
// -no_expand, the netlist written and expanded.
void finish_synthesis();
// Writes the edited netlist "<top>_jtag.v" (".vhd" with -vhdl) into the
// output directory with quarnel and expands it with drumway.
void bs_get_and_expand_netlist_with_jtag();
