// The design edits of the boundary-scan insertion: the netlist-edit
// command files and their writers (boundary cells, control cells, buffer
// trees, the chain and the TAP wiring).  The runs of the outside netlist
// tools on them and the insertion report are the run's
// (kestrand/tool_runs.h, kestrand/report.h).
//
// Command files are plain text, one command a line:
//     edit <copy>                 the database copy the file edits
//     path <dir>                  where edited lower modules lie
//     add <instance> <master>     a new instance
//     add <port> input|output     a new port
//     replace <instance> <master> a new master, connections kept
//     disconnect <inst>{<pin>}    the pin (or a bare port) leaves its net
//     connect <end> <end>         both ends on one net
//     save / quit
// A re-wiring is written as the disconnect of the pin that loses its net,
// then the connect of its new partner to a pin still on the old net, then
// the connect of the freed pin.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bscan/bscan.h"

// ------------------------------------------------------- command files

// The open command file of the top design and of the pad module being
// edited (none while closed).
extern FILE* TAP_FP;
extern FILE* PAD_FP;
// Database path of the innermost pad module, none when the pads are flat.
extern char* PAD_MODULE;

// True when name can stand as a name (a design, instance, master, port,
// pin or net) in a command file: it is not empty and holds none of the
// blanks and line ends that separate the file's fields and lines, nor a
// brace, which marks an end point INST{PIN}.
bool bs_cmd_name_ok(const std::string& name);

// Opens a command file for writing; it is written under a temporary name
// beside its target and appears under its own name only when closed with
// bs_close_cmd_file after every write succeeded.  Null when it cannot be
// created.  A missing folder of the path (the working directory
// BSCAN_OPATH) is made first, and goes at an error exit or a kill when it
// is empty then.
FILE* bs_open_cmd_file(const std::string& path);
// Closes a file of bs_open_cmd_file (or a plain stream).  A write that
// failed on the way, or a failed close, ends the run with -1.  The command
// file is a result of the run from then on: a run that fails removes it
// (RtRemove::IfFailed), but for the one whose tool run failed.
void bs_close_cmd_file(FILE*& fp);

// File operations of the edits with the effects of "cp", "mv" and
// "rm -f": false (after a diagnostic on standard error, as the command
// would print) when the copy or move failed.  A copy's source must be a
// regular file (runtime/fnm.h): anything else is refused unread.
// The file copied or moved is a result of the run: a run that fails
// removes it (RtRemove::IfFailed).
bool bs_copy_file(const std::string& from, const std::string& to);
bool bs_move_file(const std::string& from, const std::string& to_dir);
// Copies a design database for its edit: to the unedited working copy of
// its edit name `to` in the working directory (sdb_unedited_file_name),
// from which plovert reads it and saves the edited design as `to`.  The
// copy is made whole or not at all (false with the reason, the system's
// or "not a regular file", after the path it is about: "<path>: <reason>").
// Both files are the run's own, the copy until bs_remove_design_copy,
// the edited design until bs_move_file takes it into BSCAN_OPATH: an
// error exit or a kill removes them.
bool bs_copy_design(const std::string& from, const std::string& to, std::string* why);
// Removes the working copy of the edit name `to` once plovert has run.
void bs_remove_design_copy(const std::string& to);
// Ends a message about a copy that failed: the reason on a line of its
// own, then the run ends with -1.
[[noreturn]] void bs_copy_failed(const std::string& why);
// The top design's working copy for "<top>_jtag.sdb" and its command file
// "<top>_jtag.cmd" in BSCAN_OPATH, opened into TAP_FP with its first line
// ("edit <top>_jtag"); a failed copy or open ends the run with -1 after
// its message.
void bs_open_top_cmd_file();
void bs_remove_file(const std::string& path);

// ------------------------------------------------ boundary-cell writers

// Cells added, per kind, for the report.
extern int INPUT_SCAN_COUNT, CLK_SCAN_COUNT, OUTPUT_SCAN_COUNT, INPUT_MUX_SCAN_COUNT, CLK_MUX_SCAN_COUNT,
    OUTPUT_MUX_SCAN_COUNT, BIDIR_SCAN_COUNT, BIDIR_MUX_SCAN_COUNT, INTERNAL_SCAN_COUNT, CONTROL_SCAN_COUNT,
    CONTROL_OE_SCAN_COUNT;
// Numbers the added pads "B_PAD%d" and inverters "B_PAD_INV%d".
extern int ADD_BUF_COUNT;

// Writes the boundary cells of pad row `row` by its kind.
void add_scan_cells_in_cmd_file(FILE* fp, int row);
void add_input_clock_cell_in_cmd(FILE* fp, int row, int not_clock);
void add_output_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name);
void add_bidi_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name);
void add_in_out_scan_cell_in_cmd(FILE* fp, int row);
void add_internal_scan_cell_in_cmd(FILE* fp, int row);
void add_mux_input_cell_in_cmd(FILE* fp, int row);
void add_mux_output_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name);
void add_mux_bidi_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name);
void add_mux1_in_out_scan_cell_in_cmd(FILE* fp, int row);
void add_mux2_in_out_scan_cell_in_cmd(FILE* fp, int row);
// The control cell (or high-impedance buffer) of a three-state pad.
void add_control_scan_cell_in_cmd(FILE* fp, int row);
void add_oe_control_scan_cell_in_cmd(FILE* fp, int row, const std::string& data_cell);

// ------------------------------------------------- chain and controls

// Tree depths and cursors the other signals keep in bscan.h.
extern int HIGHZ_LEVEL, HIGHZ_INDEX;
// Per extra pin: tree depth, leaf index and count on that leaf.
extern int* EXTRA_PIN_LEVEL;
extern int* EXTRA_INDEX;
extern int* EXTRA_CNT;

// Builds the trees, writes the control lines of every cell and the chain
// from the TAP's FIRST_BCELL pin to its LAST_BCELL pin, then the trailer;
// closes the file.
void connect_scan_cell_in_cmd(FILE*& fp);
// Several IO-pad modules: the trees of one module and the control lines
// of its cells (SCAN_TAB rows, in chain order); no chain, no trailer.
void connect_scan_cell_in_cmd_for_multi_io(FILE* fp, const std::vector<int>& cells);
// The control-pin lines of one SCAN_TAB row; advances the cursors.
void connect_control_signal(FILE* fp, int row);

// ------------------------------------------------------ top design edit

// Copies the top design for "<top>_jtag.sdb", opens "<top>_jtag.cmd" into
// TAP_FP and writes its head and the TAP wiring.
void open_and_modify_top_sdb();
// The configuration's extra connections (%CONNECTION_TABLE).
void kest_do_connection_table(FILE* fp);
// One pad module: its copy for "<module>_bs.sdb" and command file (PAD_FP)
// with the ports the TAP signals need; returns the module's database path.
// `level` is the module's level on the pads' path (0 the one holding them).
std::string open_and_modify_hierarchy_sdb(const char* module, int level);
// The pad module's instance in the top design: its new master and its
// TAP connections; closes TAP_FP.
void replace_cell_in_top(const char* module, const char* instance);
// The next-lower pad module's instance in the pad module being edited
// (PAD_FP): its new master and the ports that carry the TAP signals and
// the chain through it, or the TAP's wiring when the TAP sits at this
// level (`level`, the lower instance's being level - 1); closes PAD_FP.
void replace_cell_in_pad(const char* module, const char* instance, int level);
// With -external_idcode and an IDCODE register: the TAP's IDCODE bus tied
// to its value, bit 31 first.
void bs_write_idcode_ties(FILE* fp);
// The TAP lines of the pad module that holds the pads (the level below
// the top whose file receives the cells).
void bs_write_pad_module_tap_lines(FILE* fp);

// ------------------------------------------------ several IO-pad modules

// The design a MULTI_IO_TAB row's edits make: "<module>_bs<n>", and for
// row 0 (the top) kest_edited_top().
std::string bs_multi_io_row_design(int row);
// Copies each IO-pad module row's database for "<module>_bs<n>.sdb" and
// opens its command file "<module>_bs<n>.cmd" with its head.
void open_multi_io_modules();
// The top's copy and command file (open_and_modify_top_sdb) as row 0.
void bs_open_multi_io_top();
// Each pad's cells into the command file of its module, in table order.
void bs_add_multi_io_cells();
// Adds to each row's need counters one for each child that needs the
// signal, depth first: a module needs a signal's port when any below does.
void set_hier_common_net(int row, MultiIoHierNode* children);
// The lowest common ancestor of two rows, 0 when none is found.
int check_common_level_for_two_multi_io(int a, int b);
// The trees and control lines per module, then the chain across modules.
void connect_scan_cell_for_multi_io();
// Depth first: each child's new master and control connections in its
// parent, every row's port and connection items, the trailer; closes the
// row files.
void hier_replace_io_module(int row, MultiIoHierNode* children);

// ------------------------------------------------- standard TAP ports

// Lifts the TAP pads' pins along the module path of pad row `pad`, up to
// the TAP's level `levels` (the path's length when the TAP is off it).
void bs_search_standard_ports(int pad, int levels);
// Several IO-pad modules: follows each TAP pad's pin (and the TDO pad's
// enable) up its own module path, opening the modules' databases, to
// where it leaves the path or to the module where its net has no other
// end.  Called before the first file is written.
void bs_hier_trace_tap_pins();
// After bs_hier_trace_tap_pins: the TAP port of that kind (and the TDO
// enable) needs a new port, so the top's wiring leaves it to
// bs_hier_search_tap_ports.
bool bs_hier_tap_pin_needs_port(int kind);
bool bs_hier_tdo_enable_needs_port();
// Moves each TAP pad record to where its pin leaves its path and, for a
// pin that stays inside its module, records the new port ("qdx_tap_tdi"
// ..., the TAP's TDO-enable pin name for the enable) in the row of that
// module, the same port in every row above it, and the top's connection
// of the port to the TAP's pin (items of MULTI_IO_TAB, written after the
// rows' replace lines).
void bs_hier_search_tap_ports();
// kind: 1 TDI, 2 TMS, 3 TCK, 4 TRST, 5 TDO.  The row is this instance's
// own (pad's path at level); the record then names the outermost
// instance and the port.
void bs_add_tap_port_to_cmd_file(PadEntry* pad, int level, int kind);
// The TDO pad's enable pin as lifted by bs_search_standard_ports ("" when
// lifting found none).
extern std::string TDO_ENABLE_LIFTED;
// The design's TAP leaves its TDO pin (TDO_OPEN) or its TDO-enable pin
// (TDO_EN_OPEN) on no net: the run must join it to the TDO pad.
extern bool TAP_TDO_OPEN, TAP_TDO_EN_OPEN;
// The same for the TAP's input pins TDI, TMS, TCK and TRST, by their
// TAP_FLAG words: a pin on no net is joined to its port's pad, as a pin
// tied to a constant is.
extern bool TAP_INPUT_OPEN[TAP_FLAG_WORDS];

// Returns the globals of the design edits to their start-up values.
void BSCAN_EDIT_reset_globals();
