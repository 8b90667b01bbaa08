// The tables of the boundary-scan insertion: the pad table OPIN_TAB, the
// control-cell tables, the boundary register SCAN_TAB, the buffer groups
// of the test control signals and the rows of the IO-pad modules, with
// the steps that build them, order them and write the pin-list file.
//
// Conventions:
// - Tables are DynaArrays of records by value, referred to by index; -1
//   means none.  A table handle is null before bscan_init creates it and
//   after free_alloc_memory.
// - Every char* field of these records is an owned heap copy (qdx_strdup;
//   free it with std::free before replacing it), except the pin names of
//   ScanChainEntry, which point at the cell library's strings.
// - Pointers to description records (BufferEntry, ScanCellEntry) point
//   into the description tables, which live to the end of the run.
#pragma once

#include <cstdio>
#include <string>

#include "desc/tables.h"

// ---------------------------------------------------------------- pad kinds

// Pad kinds (PadEntry::kind).  The cell writers dispatch on these numbers
// and the report names them.
enum PadKind : int {
    PAD_NO_CELL = -1,        // no cell of its own
    PAD_CLOCK = 0,           // clock input pad (buffer %FUNCTION CLOCK)
    PAD_INPUT = 1,           // input pad; TRST, TDI, TMS, TCK pads
    PAD_OUTPUT2 = 2,         // two-state output
    PAD_OUTPUT3 = 3,         // three-state output with a control cell; TDO pad
    PAD_OUTPUT_EN = 4,       // output whose data arrives through the enable pin
    PAD_BIDIR = 5,           // bidirectional pad, one bidirectional cell
    PAD_INOUT = 6,           // bidirectional pad, an input cell and an output cell
    PAD_INTERNAL = 7,        // internal or observe-only point; pad of %FUNCTION BUF
    PAD_MUX_CLOCK = 8,       // clock pad with a second data input
    PAD_MUX_INPUT = 9,       // input pad with a second data input
    PAD_MUX_OUTPUT2 = 10,    // two-state output with a second data input
    PAD_MUX_OUTPUT3 = 11,    // three-state output with a second data input
    PAD_MUX_OUTPUT_EN = 12,  // enable-driven output with a second data input
    PAD_MUX_BIDIR1 = 13,     // bidirectional with %MUX_IN1, one cell
    PAD_MUX_BIDIR2 = 14,     // bidirectional with %MUX_IN1 and %MUX_IN2, one cell
    PAD_MUX_INOUT1 = 15,     // bidirectional with %MUX_IN1: INPUT_SCAN + OUTPUT_MUX_SCAN
    PAD_MUX_INOUT2 = 16,     // bidirectional with both: INPUT_MUX_SCAN + OUTPUT_MUX_SCAN
};

// ------------------------------------------------------------------ records

// One row of the pad table: a pad of the pin list, an internal or
// observe-only point, or a TAP port's pad.  The comments number the words.
struct PadEntry {
    int key;                    // 0 order key; after the cell writers the register position
    int pin;                    // 1 row of PIN_TABLE
    char* pin_text;             // 2 "INTERNAL"/"OBSERVE"/"OBSERVE_ONLY" marker, else the pin number text
    char* signal;               // 3 port name without a leading "-"
    char* pin_from_core;        // 4 pad pin taking the data from the core (internal: input pin)
    char* pin_to_core;          // 5 pad pin delivering the data to the core (internal: output pin)
    char* core_net;             // 6 core-side net name ("drive,receive" for a live bidirectional pad)
    char* pad_cell;             // 7 class of the pad instance, or "*UNDEF*"
    char* pad_instance;         // 8 pad instance name
    char* cell_request;         // 9 the pin row's single cell until looked up; later the cell instance name(s)
    char** modules;             // 10 module names above the pad instance, innermost first
    char** instances;           // 11 instance names of the same levels
    char* suffix;               // 12 cell-name suffix: the pin's direction text; TDO pad: pad instance name
    int kind;                   // 13 PadKind
    int control;                // 14 CONTROL_TAB index+1, -1 high-impedance group, 0 none
    int control_oe;             // 15 the same for CONTROL_OE_TAB
    int drives_control;         // 16 1 when this pad carries its control cell or opens its group
    int active_low;             // 17 1 when the pin-list name began with "-"
    int highz_group;            // 18 high-impedance group number
    int object;                 // 19 pad instance's object id in the cell-level design, -1 none
    int mode1_net;              // 20 net on the buffer's MODE_1; TAP pad: 1 when its pin needs a port
    int mode2_net;              // 21 net on MODE_2; TDO pad: 1 when its enable needs a port
    int mode3_net;              // 22 net on MODE_3 (not filled; -1)
    int mux_in1_net;            // 23 net on MUX_IN1
    int mux_in2_net;            // 24 net on MUX_IN2
    int mux_in3_net;            // 25 net on MUX_IN3 (not filled; -1)
    int mux_out_net;            // 26 net on MUX_OUT
    int multi_io_row;           // 27 MULTI_IO_TAB row of the innermost pad module; 0 top; -1 not traced
    BufferEntry* buffer;        // 28 pad buffer, or none
    ScanCellEntry* cell;        // 29 chosen boundary cell, or none
    int core_drives;            // 30 bidirectional port without a pad (-add_pad): 1 when the core drives it
};

// One control cell: a row of CONTROL_TAB or of CONTROL_OE_TAB.
struct ControlCellEntry {
    char* instance;       // 0 the control cell's instance, stored by the cell writer of its owning pad
    int net;              // 1 net id of the enable net (2 or more)
    int reserved;         // 2 -1
    int multi_io_row;     // 3 pad module of the first pad that asked for it (several modules), else -1
    char* net_name;       // 4 enable net name
    char* function;       // 5 "controlr" when the control cell has %RST, else "control"
    ScanCellEntry* cell;  // 6 the control scan cell
    char* data_out;       // 7 the control cell's DATA_OUT pin, stored by the cell writer
    int spare;            // 8 zero
};

// A pin of a pad's own boundary cell that lies on a net of the design, and
// that net's id (0 GND, 1 VCC).
struct CellPinNet {
    const char* pin;  // the library's string, not owned
    int net;
};

// One boundary-register cell: a row of SCAN_TAB, in register order (row 0
// next to the TAP's LAST_BCELL input).
struct ScanChainEntry {
    char* instance;         // 0 cell instance name
    const char* tdi;        // 1 the cell's pins (library strings, not owned; null when absent)
    const char* tdo;        // 2
    const char* shift_dr;   // 3
    const char* clock_dr;   // 4
    const char* update_dr;  // 5
    const char* highz;      // 6
    const char* mode1;      // 7
    const char* mode2;      // 8
    const char* mode3;      // 9
    const char* rst;        // 10
    const char* tck;        // 11
    const char** extra;     // 12 list of the cell's extra pins, in the cell's order (list owned)
    int pad;                // 13 pad row for a cell added for a mux pad, else -1
    int multi_io_row;       // 14 pad module row being written (several modules), else -1
    int module_cell;        // 15 the cell's number within that module from 1, else -1
    // 16 a pad that carries its own cell (%BS_BUFFER): its chain and control
    // pins that lie on a net of the design being edited, a constant tie
    // above all; the chain and the TAP's signals drive them alone, so each
    // leaves its net before it is joined (list owned; null for other cells)
    CellPinNet* on_nets;
};

// Sizes of the leaf groups of one buffer tree, one entry per leaf buffer
// (a DynaArray of int).  A signal without loads has no list (null).
using GroupSizeList = int*;

// One control group of the pin-list file.
struct ControlPinGroup {
    int control;     // CONTROL_TAB index+1, or -1 for an OE row
    int control_oe;  // CONTROL_OE_TAB index+1, or -1 for a plain row
    int* keys;       // order keys of the pads it controls
};

// A port that an IO-pad module gets, and a connection in it.
struct MultiIoPortItem {
    char* name;
    int direction;  // 0 input, 1 output
    int skip;       // 1: not written
};
struct MultiIoConnectItem {
    char* instance1;  // none for a port
    char* pin1;
    char* instance2;
    char* pin2;
    int cut;  // 1: the first pin leaves its net (a constant) before it is joined
};

// Signals with a counter and a saved cursor per IO-pad module.
enum MultiIoSignal : int {
    MIO_SHIFT = 0,
    MIO_CLOCK,
    MIO_UPDATE,
    MIO_HIGHZ,
    MIO_MODE1,
    MIO_MODE2,
    MIO_MODE3,
    MIO_RST,
    MIO_BCLK,
    MIO_SIGNALS
};

// One IO-pad module (row 0 is the top design).
struct MultiIoModule {
    char* module;                  // 0
    char* instance;                // 1
    int* pads;                     // 2 pad rows (none for row 0)
    int file_number;               // 3 rows before it with the same module name
    int parent;                    // 4 parent row, -1 for row 0
    int cell_count;                // 5 cells added in this module
    int need[MIO_SIGNALS];         // 6-14 loads per control signal in or below this module
    int cursor_index[MIO_SIGNALS]; // 15-23 saved leaf index per signal
    int cursor_count[MIO_SIGNALS]; // 24-32 saved count on that leaf per signal
    MultiIoPortItem* ports;        // 33 ports to add
    MultiIoConnectItem* connects;  // 34 connections to add
};

// A node of the tree of IO-pad modules: a MULTI_IO_TAB row and its
// children (a DynaArray of nodes by value, null when it has none).
struct MultiIoHierNode {
    int row;
    MultiIoHierNode* children;
};

// ------------------------------------------------------------------ tables

extern PadEntry* OPIN_TAB;
extern ControlCellEntry* CONTROL_TAB;
extern ControlCellEntry* CONTROL_OE_TAB;
extern ScanChainEntry* SCAN_TAB;
// Control groups of the pin-list file; lives only while it is written.
extern ControlPinGroup* CONTR_PIN;
extern MultiIoModule* MULTI_IO_TAB;
extern MultiIoHierNode MULTI_IO_HIER;

// Row of each TAP port's pad in OPIN_TAB, -1 when there is none.
extern int tdi_pin_indexG, tms_pin_indexG, tck_pin_indexG, trst_pin_indexG, tdo_pin_indexG;

// Name of the pin-list file once written ("<top>.bso"), none otherwise.
extern char* BSO_FILE;
// 0 when the pads sit in the top design, 255 inside a pad module.
extern int PAD_MODULE_EXIST;
// MULTI_IO_TAB row of the pad being written (several IO-pad modules), -1 before.
extern int current_multi_io_indexG;
// Where the TAP sits relative to the pad-module level being written: -1
// not on the path, 1 in this module, 2 below, 3 above.
extern int kest_hier_instance_matchG;
extern int kest_need_to_add_extra_portG;

// Buffer groups and buffers of the control-signal trees.
extern GroupSizeList SHIFT_GROUP, CLOCK_GROUP, UPDATE_GROUP, HIGHZ_GROUP, RST_GROUP, MODE1_GROUP, MODE2_GROUP,
    MODE3_GROUP, BCLK_GROUP;
// One GroupSizeList per extra pin (an entry may be null: no loads).
extern GroupSizeList* EXTRA_PIN_GROUP;
extern BufferEntry *SHIFT_BUF, *CLOCK_BUF, *UPDATE_BUF, *HIGHZ_BUF, *MODE1_BUF, *MODE2_BUF, *MODE3_BUF, *RST_BUF, *BCLK_BUF;
// One buffer per extra pin.
extern BufferEntry** EXTRA_PIN_BUF;
// Depth counter of make_buffer (the caller sets it to 0 first) and the
// number of buffers at the last level it wrote per signal.
extern int level_count;
extern int shift_index, clock_index, update_index, mode1_index, mode2_index, mode3_index;

// ----------------------------------------------------------- the pad table

// Builds OPIN_TAB from PIN_TABLE and the current (cell-level) design,
// choosing each pad's kind, cell and control; closes the design at the end
// and checks the inverter of active-low pins.
void produce_opin_control_tab();
// Appends an initialised row for PIN_TABLE row `pin`; returns its index.
int create_an_entry_of_OPIN_TAB(int pin, const char* name);
void save_OPIN_TAB_for_adding_scan_cell(int row);
void save_input_clock_tab(BufferEntry* buffer, int row, int port, int not_clock);
void save_output_scan_tab(BufferEntry* buffer, int row, int port);
void save_bidir_scan_tab(BufferEntry* buffer, int row, int port);
void save_OPIN_TAB_for_adding_scan_cell_internal(int row);

// ------------------------------------------------------------ TAP pads

// Fills the row of a skip-listed signal when it names a TAP port.
void bs_save_OPIN_TAB_for_standard_port_of_TAP(int row, const char* name);
// Points the TAP pad records and indexes at their rows of OPIN_TAB.
void bs_reset_standard_port_ptr_of_TAP();

// ------------------------------------------------------ control cells

// The control of a three-state pad (its control and control_oe).
void save_control_of_pad(BufferEntry* buffer, int row);
// Marks the pads that carry their control cell or open a high-impedance
// group, and numbers the groups, in the current order of OPIN_TAB.
void setup_driving_control_cell_and_highz_buf();
// True when the pad's buffer carries its own control cell (%CONTROL_BCELL):
// it is marked -1 but takes no place in a high-impedance group and its
// enable is not wired by the insertion.
bool bs_own_control_cell(const PadEntry& p);
// How the enable of a pad in a high-impedance group takes the TAP's
// high-impedance command, which the group's buffer carries active high
// (1 under HIGHZ).  Only an enable tied to its enabled level takes it: the
// pad then drives in functional mode and floats under HIGHZ.  An enable
// tied to its disabled level, or left open, keeps what it had.
enum class HighzDrive : unsigned char {
    None,      // not at all: the enable is tied off or left open
    Direct,    // the command as it is (an active-low enable tied low)
    Inverted,  // through an inverter (an active-high enable tied high)
};
// The drive of a grouped pad's enable, from the net on its enable pin in
// the current design, where obj is the pad instance (-1: None).
HighzDrive bs_highz_drive(const PadEntry& p, int obj);
// The drive that the pad-table build found for a grouped pad in the
// cell-level design (None for a pad outside the groups).
HighzDrive bs_recorded_highz_drive(const PadEntry& p);
// The inverter between a group's buffer and an active-high enable: the
// configuration's %INVERTER, else the TAP's %INV_BUFFER, whose name and
// pins then stand in for INVERTER; ends the run, naming the pad, when
// there is neither.
void bs_settle_highz_inverter(const PadEntry& p);
// True the first time it is asked for a group: the writer that asks first
// adds the group's buffer.  Forgotten with the control tables' index.
bool bs_claim_highz_buffer(int group);
// After the marking: true when some pad opens a high-impedance group, so
// that a high-impedance buffer needs the TAP's high-impedance pin.
bool bs_highz_group_exists();
// With -add_tap: true when the TAP module that the run writes has an
// output for the high-impedance command (a HIGHZ instruction exists).
bool bs_added_tap_has_highz_pin();
// With -add_tap, ends the run when cells or high-impedance buffers need
// that output and the TAP module will not have it.
void bs_check_highz_of_added_tap();

// --------------------------------------------------- boundary register

// Appends a SCAN_TAB row for one cell instance of `cell` added for pad row
// `pad` and counts its control-signal loads; the instance name goes to
// *name as well.  `mux` is set by the writers of the mux kinds, `own_name`
// forces a generated name for a pad that brings its own scan cell.
// Returns the new row (-1 without a cell).
int add_scan_tab(ScanCellEntry* cell, std::string* name, int pad, int mux, int own_name);
// Ends the run: the TAP controller has no %MODE_<n> pin ("MODE_1", ...)
// for the mux pad on instance pad_instance.
[[noreturn]] void bs_no_tap_mode_pin(const char* word, const char* pad_instance);
// Fills the pad's instance name and module path (pad_instance, modules,
// instances, multi_io_row) and
// registers its pad modules.  Pads on more than one module path, or (TAP
// pads aside) both in the top and in a pad module, set
// multi_io_module_flagG: their cells go into the module of each pad.
void get_hier_class_and_inst_name(int pad, int obj, bool tap_pad = false);
// The pad that -add_pad adds for a port without one sits on the top's
// port: the row's pad is one of the top, as for a pad of the top design.
void bs_place_added_pad_in_top(int pad);
// Makes MULTI_IO_TAB with row 0 (the top) and the root of MULTI_IO_HIER.
void bs_create_multi_io_tab();

// ------------------------------------------------------ buffer trees

// Leaf-group sizes of n loads with at most `limit` per group (null for no
// loads); bs_dfspeed for a chain whose buffers also drive the next one.
GroupSizeList bs_group(int n, int limit);
GroupSizeList bs_dfspeed(int n, int limit);
void built_bus_balance_group_tab_for_control_signal();
// Only the buffers of the trees (SHIFT_BUF ...), each the signal buffer,
// or the inverting buffer for an active-low TAP pin; no groups.
void bs_choose_tree_buffers();
// Writes one signal's tree into a command file; returns its depth (0 when
// no tree is built).
int build_buffer_balance_tree(FILE* fp, GroupSizeList groups, const char* tap_pin, const char* stem,
                              BufferEntry* buffer);
int build_dfspeed_buffer_balance_tree(FILE* fp, GroupSizeList groups, const char* tap_pin, const char* stem,
                                      BufferEntry* buffer);
// Without trees, the cells of an active-low TAP pin take the signal from
// one inverting buffer "<stem>_buf_1_1" (%INV_BUFFER), written as a tree of
// one level and one buffer; returns 1, or 0 when nothing was written.
int bs_build_pin_inverter(FILE* fp, const char* tap_pin, const char* stem);
// The Verilog form of a tree for the boundary-cell module; returns its depth.
int make_buffer(FILE* fp, GroupSizeList groups, const char* signal, const char* stem, BufferEntry* buffer);
// A signal's tree inverts at most once: its leaves (and the first buffer
// of a -df_speed chain) are the signal's own buffer, the buffers that
// pass the signal on are the relay buffer: the plain %SIGNAL_BUFFER when
// the own buffer is the inverting one (null when none is declared), else
// the own buffer.  bs_chain_buffer gives the buffer of chain buffer
// `index` (0 first).
const BufferEntry* bs_relay_buffer(const BufferEntry* chosen);
const BufferEntry* bs_chain_buffer(const BufferEntry* chosen, int index);
// Ends the run, before the trees are written, when an active-low signal's
// tree or chain needs more than one buffer in line and the library gives
// no plain %SIGNAL_BUFFER to pass the signal on.  Reads the load counts of
// the complete boundary register (it builds the group lists).
void bs_check_tree_buffers();

// ----------------------------------------------- order and pin-list file

void arrange_opin_tab_from_tdo();
void sort_pin_with_control();
// Writes "<top>.bso" in the working directory.
void print_bso_file();
// Writes `width` characters '0'/'1' of the low bits of value, most
// significant first; no terminator.
void integer_to_binary_code(unsigned value, char* buffer, int width);

// ------------------------------------------------------------ lifetime

// Frees the tables above and creates OPIN_TAB, CONTROL_TAB, CONTROL_OE_TAB
// and SCAN_TAB empty (part of bscan_init).
void bs_init_insertion_tables();
// Frees every table above (handles set to null).
void bs_free_insertion_tables();
// Returns every global of this header to its start-up value.
void BSCAN_TABLES_reset_globals();
