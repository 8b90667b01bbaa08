// kestrand's boundary-scan insertion: the checks of the description
// fields against the design, the TAP flags and the counters, the pad
// connections, the TAP's path through the hierarchy, the pad table and
// the refusals of the roads, and the tables the insertion shares with the
// TAP side.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "desc/tables.h"
#include "jtag/insertion_facts.h"
#include "bscan/tables.h"
#include "runtime/str.h"

struct SdbDatabase;

// The owned texts (malloc'd char*) of the insertion's tables and globals.
namespace bsnames {
inline void set_text(char*& slot, const char* text) { STR_replace_owned(slot, text); }
inline void clear_text(char*& slot) {
    std::free(slot);
    slot = nullptr;
}
inline bool same(const char* a, const char* b) { return STR_same(a, b); }
inline const char* or_text(const char* s, const char* none) { return s ? s : none; }
}  // namespace bsnames

// ------------------------------------------ the configured boundary cells

// Runs the check of every configured scan-cell role; ends the run when a
// cell is unfit, after all checks have reported.
void check_scan_cells();
// The per-role checks: 0 when the cell is fit, 1 when not.
int check_input_scan_cell(const char* cell);
int check_clock_scan_cell(const char* cell);
int check_output_scan_cell(const char* cell);
int check_bidir_scan_cell(const char* cell);
int check_bidir_scan_cell_after_open_sdb(const char* cell);
int check_control_scan_cell(const char* cell);
int check_input_mux_scan_cell(const char* cell);
int check_clock_mux_scan(const char* cell);
int check_output_mux_scan(const char* cell);
int check_bidir_mux_scan_cell(const char* cell);
int check_control_mux_scan(const char* cell);
int check_control_oe_scan_cell(const char* cell);
int check_control_oe_low_scan_cell(const char* cell);
int check_control_oe_high_scan_cell(const char* cell);
// Looks the cell up and checks the pins every boundary cell needs.
int check_ports_in_scan_cell(ScanCellEntry** out, const char* role, const char* cell);
// Finds the cell's design and stores the direction of its %OE_MODE port
// in the record (ScanCellEntry::oe_mode_direction).
void check_scan_oe_mode_type(ScanCellEntry* entry, const char* cell);
void check_scan_oe_mode_type_after_open_sdb(ScanCellEntry* entry, const char* cell);

// ------------------------------------------------ TAP flags and the fields

// Net ids found on the TAP's pins: 0 GND, 1 VCC, another value a signal
// net, -1 nothing.  A pin tied to GND or VCC is disconnected before it is
// rewired.  The nets of the extra pins are the separate list
// TAP_FLAG_EXTRA.
enum TapFlag : int {
    TAP_FLAG_RESET = 0,        // %TAP_RESET
    TAP_FLAG_FIRST_BCELL = 1,  // %FIRST_BCELL, the start of the chain
    TAP_FLAG_LAST_BCELL = 2,   // %LAST_BCELL, the end of the chain
    TAP_FLAG_SHIFT_DR = 3,
    TAP_FLAG_CLOCK_DR = 4,
    TAP_FLAG_UPDATE_DR = 5,
    TAP_FLAG_HIGHZ = 6,        // %HIGHZ_COMMAND as the cells' high-impedance pin
    TAP_FLAG_HIZ = 7,          // %HIGHZ_COMMAND as declared by the TAP
    TAP_FLAG_MODE1 = 8,
    TAP_FLAG_MODE2 = 9,
    TAP_FLAG_MODE3 = 10,
    TAP_FLAG_EXTRA_WORD = 11,  // unused here: the extra pins are TAP_FLAG_EXTRA
    TAP_FLAG_TDO_DATA = 12,    // the TDO pad's pin from the core
    TAP_FLAG_TDI = 13,         // the TAP's input pins, from their pads
    TAP_FLAG_TMS = 14,
    TAP_FLAG_TCK = 15,
    TAP_FLAG_TRST = 16,
    TAP_FLAG_TDO_ENABLE = 17,  // the TDO pad's enable pin
    TAP_FLAG_WORDS = 18
};
extern int TAP_FLAG[TAP_FLAG_WORDS];
extern int* TAP_FLAG_EXTRA;

// What the field checks learn of the buffers the edits add.  The pin
// names are owned copies of the library's (none until learnt).
// 1 when the TAP controller has a %HIGHZ_COMMAND pin, else 0.
extern int HIZ_FLAG;
// The buffer that drives a high-impedance group's enables from that pin:
// the TAP's %SIGNAL_BUFFER, or its %INV_BUFFER for an active-low command
// (none when there is none).
extern char* HIZ_BUF_NAME;
// Its library record (a description record, not owned).
extern BufferEntry* HIZ_BUF;
// %INPUT and %OUTPUT pins of the configuration's %INPUT_BUFFER, the pad
// that -add_pad adds on an input (and a TAP input port).
extern char* INPUT_BUFFER_INPUT;
extern char* INPUT_BUFFER_OUTPUT;
// %INPUT and %OUTPUT pins of the configuration's %OUTPUT_BUFFER, the pad
// that -add_pad adds on an output (and the TDO port).
extern char* OUTPUT_BUFFER_INPUT;
extern char* OUTPUT_BUFFER_OUTPUT;
// %INPUT and %OUTPUT pins of the inverter between a high-impedance
// group's buffer and an active-high pad enable (%INVERTER, else the TAP's
// %INV_BUFFER; bs_settle_highz_inverter).
extern char* INVERTER_INPUT;
extern char* INVERTER_OUTPUT;
// %INPUT and %OUTPUT pins of the pad a pin row names itself (PAD(cell))
// for -add_pad on an input, the last one checked.
extern char* SPEC_INPUT_BUFFER_INPUT;
extern char* SPEC_INPUT_BUFFER_OUTPUT;
// The same for a pin row's own pad on an output.
extern char* SPEC_OUTPUT_BUFFER_INPUT;
extern char* SPEC_OUTPUT_BUFFER_OUTPUT;

// Counters of the insertion, reset by bs_reset_counters.
extern int CONTR_INDEX, HIGHZ_CNT;
extern int SHIFT_CNT, CLOCK_CNT, UPDATE_CNT, MODE1_CNT, MODE2_CNT, MODE3_CNT, RST_CNT, BCLK_CNT;
extern int SHIFT_INDEX, CLOCK_INDEX, UPDATE_INDEX, MODE1_INDEX, MODE2_INDEX, MODE3_INDEX, RST_INDEX,
    BCLK_INDEX;
extern int NEED_SHIFT_DR, NEED_CLOCK_DR, NEED_UPDATE_DR, NEED_MODE1, NEED_MODE2, NEED_MODE3, NEED_RST,
    NEED_BCLK, NEED_HIGHZ;
extern int SHIFT_DR_LEVEL, CLOCK_DR_LEVEL, UPDATE_DR_LEVEL, MODE1_LEVEL, MODE2_LEVEL, MODE3_LEVEL, RST_LEVEL,
    BCLK_LEVEL;
extern char** BUFFER_REPORT;
// Entry i counts the boundary cells that have an (i+1)-th extra pin.
extern int* NEED_EXTRA_PIN;
extern int multi_io_module_flagG;

// Resets the counters, the TAP flags (but TAP_FLAG_HIGHZ and
// TAP_FLAG_TDO_ENABLE) and multi_io_module_flagG; makes no table.
void bs_reset_counters();
// bs_reset_counters, then makes BUFFER_REPORT, NEED_EXTRA_PIN,
// TAP_FLAG_EXTRA and the insertion tables (OPIN_TAB, CONTROL_TAB,
// CONTROL_OE_TAB, SCAN_TAB) empty.
void bscan_init();
// Checks the TAP's signal buffer and inverting buffer against their own
// designs; ends the run on a fault.
void check_pin_signal_inv_buf();
// Checks the description fields against the design and sets the TAP pin
// names and TAP_FLAG; ends the run after reporting every fault of a group.
void check_necessary_fields();
void bs_check_input_buf_fields(const char* cell);
void bs_check_output_buf_fields(const char* cell);
void bs_check_inout_buf_fields(const char* cell);

// Opens a design read-only and makes it current; ends the run when it
// cannot be opened.
SdbDatabase* open_sdb_file(const char* path);
// The port of the current design that a pin-list name stands for (its
// "-" dropped; a one-bit bus "<name>[...]" for a bare name): find_iport
// ends the run when there is none, bs_search_iport returns -1.
int find_iport(const char* signal);
int bs_search_iport(const char* signal);
// Drops what find_iport learnt of the ports of a design.
void bs_forget_port_stems();
int search_inet_connected_to_obj(int obj, const char* pin, int direction);
// Full name of the net on an object's pin ("" when the pin or its net is missing).
std::string verify_obj_pin_name(int obj, const char* pin, int direction);

// ------------------------------------------------------ pad connections

// A pin row whose package name marks an internal or observe-only point;
// pin files write OBSERVE_ONLY, so both spellings count.
inline bool is_internal_marker(const char* io) {
    return io && (std::strcmp(io, "INTERNAL") == 0 || std::strcmp(io, "OBSERVE") == 0 ||
                  std::strcmp(io, "OBSERVE_ONLY") == 0);
}

// Learns from the pad cells in use whether the TDO pad's enable is active
// low and which MODE pins the boundary cells need.
void check_connect_pad();
// -add_tap_only: the design "<top>.c.sdb", when it is there, becomes
// MODULE_C_SDB, so that check_connect_pad learns from its pads (before
// jtag_init) what the TAP it writes must have; false without it.
bool find_tap_only_design();
// -add_tap_only without the design, after jtag_init: TDO_EN_LOW from the
// TAP's %TDO_EN pin ("-" = active low).
void settle_tdo_enable_polarity();
// The node of the object's pin of that name (ignoring case), -1 when the
// object has none; ends the run when the pin has another direction
// (0 output, 1 bidirectional, 2 input).
int search_inode_connected_to_obj(int obj, const char* pin, int direction);

// ---------------------------------------------------- hierarchical TAP

// One item of the TAP instance path, from the top down.
struct TapPathItem {
    char* instance;
    char* module;  // none until found; stays none for the TAP itself
};
extern TapPathItem* kest_hier_tap_ctrl_name_tabG;
extern int kest_hier_same_instance_tapG;
extern int kest_hier_same_instance_iopadG;
// Splits a hierarchical TAP_INSTANCE_NAME into the path above.
void kest_check_hier_tap_ctrl_instance();
// The TAP instance's name in the cell-level design: the whole dotted path
// for a TAP inside a sub-module, else TAP_INSTANCE_NAME (none without).
const char* kest_hier_tap_design_name();
// Fills in the module of each path item but the last, each looked up in
// the module of the item above (the top for the first); ends the run when
// a database or an instance is missing.
void kest_hier_find_tap_instance_with_iopad();
// Sets kest_hier_same_instance_tapG and kest_hier_same_instance_iopadG
// from the first instance name that the TAP path and the pad-module path
// of pad row `pad` share (both -1 when none).
void kest_check_hier_inst_tap_iopad(int pad);
// Copies each module on the TAP path to "<module>_bs.sdb" and writes its
// command file "<module>_bs.cmd": the TAP (with -add_tap) in the innermost,
// the edited lower module in the others, and the TAP's ports on every
// level.  TAP_INSTANCE_NAME then names the path's instance in the top.
// The _no_iopad form looks the modules up first.
void kest_hier_replace_tap_instance_no_iopad();
void kest_hier_replace_tap_instance_iopad();
// With the TAP's path leaving the pads' path below their shared instance:
// the modules of the TAP's own branch (copies, command files and ports as
// above), and TAP_INSTANCE_NAME the branch's first instance; with the TAP
// right in the shared module, TAP_INSTANCE_NAME the TAP's own name.
void kest_hier_replace_tap_branch();
// The first item of the TAP path whose module the run edits (0 unless the
// TAP's branch leaves the pads' path).
int kest_hier_tap_path_first();
// The TAP in the module at its level of the pads' path: the TAP itself
// (added with -add_tap) or its branch's edited module.
void kest_hier_place_tap(FILE* fp);
// Ends the run when a module of the TAP path from item `first` on holds a
// port or net named like a TAP port that its edit would add.
void kest_hier_check_tap_path_ports(int first);
// With -add_tap: the list of TAP ports the edits add (kest_hier_tap_port_tabG),
// recorded before the TAP files are written.
void kest_hier_record_tap_ports();
// Frees the TAP path and clears the hierarchy globals above.
void KEST_HIER_reset_globals();

// ---------------------------------------------------- the insertion's road

// The pad table of the run: the IO-pad modules, the field checks, the
// pads' control cells, their order from TDO and the high-impedance
// buffer; the cell-level design is closed afterwards.
void bs_build_pad_table();
// Ends the run for a road that this version does not take yet:
// "ERROR: <what> is not available in this version.".
[[noreturn]] void bs_not_available(const std::string& what);
// Ends the run when no pin of the pin list gets a boundary cell.
[[noreturn]] void bs_no_boundary_register();
// Ends the run, before its first file, when the pad table places a cell
// that tallowmere could not describe in the BSDL file of the chip: a cell
// whose %ORDER names more than one control cell, or a control cell of
// several standard names (bits).
void bs_check_cells_describable();

// Returns every global of this layer to its start-up value.
void BSCAN_reset_globals();
