// The boundary-cell module of the -add_bcm road: one module "<top>_BCM"
// that holds every boundary cell, the TAP controller and the buffer trees
// of the test control signals, and one instance of it (of the same name)
// that the top design's command file wires between the pads and the core.
//
// Two writers must agree on every cell: the Verilog writer of the module
// (bscan/bcm/rtl_bcm.cpp) and the command-file writer that names the module's
// pins (bscan/bcm/bcm_flow.cpp).  Both read the cells from bcm_enumerate():
// its cell numbers, its cells' ports and its TAP port names are the only
// source of the names on either side.
//
// The module's ports:
//     BCELL<n>_<suffix>   the ports of cell n (bcm_port_suffix)
//     BCM_<pin>           the TAP ports, named after the TAP pins (bcm_tap_port)
// With position groups (pins whose pin-list row carries a direction text)
// the cells of each group sit in a sub-module "<top>_jtag_<group>" whose
// ports carry the group's name: BCELL<n>_<group>_<suffix>.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bscan/tables.h"
#include "jtag/jtag.h"

// What a module cell is to its pad.
enum class BcmRole {
    Data,        // the pad's own cell
    InputPart,   // the input cell of an input/output pair
    OutputPart,  // the output cell of an input/output pair
    Control,     // the control cell that the pad carries for its enable
};

// A port of a module cell, named "BCELL<n>_" and its suffix.
enum class BcmPort {
    In,       // the cell's DATA_IN
    Out,      // the cell's DATA_OUT
    DataIn,   // DATA_IN of a bidirectional cell (data from the core)
    PadOut,   // DATA_OUT of a bidirectional cell (data to the pad)
    DataOut,  // SYS_IN of a bidirectional cell (data to the core)
    PadIn,    // SYS_PIN of a bidirectional cell (data from the pad)
    Oe,       // OE_MODE of a data cell: the enable the pad sees
    UpdOut,     // UPDATE_DR_OUT of a mux cell (to the pad's mux input)
    MuxDataIn,  // MUX_DATA_IN of a mux cell (from the pad's mux output)
    Mode1,      // the mode-1 select of a mux pad, from a mode-1 tree leaf
    Mode2,      // the mode-2 select of a mux pad, from a mode-2 tree leaf
    // The links of a pad that carries its own boundary cell, which sits
    // in the top design: its scan output into the module, the module's
    // chain into its scan input, and its control pins from the module's
    // trees (in the order of the module's control signals).
    PadScanIn,   // the pad's TDO
    PadScanOut,  // the pad's TDI
    PadShift,
    PadClock,
    PadUpdate,
    PadHighz,
    PadMode1,
    PadMode2,
    PadMode3,
    PadReset,
    PadTck,      // the cell clock under -synch
};

const char* bcm_port_suffix(BcmPort port);
bool bcm_port_is_input(BcmPort port);
// The cell pin behind a module port.
const char* bcm_port_pin(const ScanCellEntry& cell, BcmPort port);

struct BcmCell {
    int pad = -1;        // OPIN_TAB row it serves
    int number = -1;     // n of "BCELL<n>"
    BcmRole role = BcmRole::Data;
    ScanCellEntry* cell = nullptr;
    int control = 0;     // Control: the pad's CONTROL_TAB reference (index+1)
    int position = -1;   // index into BcmModule::positions, -1 on the standard road
    std::vector<BcmPort> ports;
    bool oe = false;     // Control: a CONTROL_OE_TAB cell, control its reference
};

// How the enable of a pad of a high-impedance group takes the TAP's
// high-impedance command (bscan/bcm/bcm_control.h); None also when no command
// comes.
using BcmHighzDrive = HighzDrive;

struct BcmModule {
    // The position groups in order of first appearance, as module-name
    // parts; empty when no pad with a cell has a direction text.
    std::vector<std::string> positions;
    // The cells in module order: number i is cells[i].  The boundary
    // register runs from the TAP's first-cell pin into the last cell and
    // out of cell 0 into the TAP's last-cell pin.
    std::vector<BcmCell> cells;

    // The cell number of the control cell that CONTROL_TAB row ref-1 got,
    // -1 when none.
    int control_cell(int ref) const;
    // Per CONTROL_TAB reference (index+1): its control cell's number, -1
    // when none.
    std::vector<int> control_numbers;

    // The same for CONTROL_OE_TAB references.
    int control_oe_cell(int ref) const;
    std::vector<int> control_oe_numbers;
    // Per OPIN_TAB row (empty when no pad takes the command).
    std::vector<BcmHighzDrive> highz_drive;
};

// The cells of the module from the ordered pad table: pads in table order
// (grouped by position when there are positions), each with its cells by
// kind.  Call after the pad table is built, sorted and its control cells
// assigned.
BcmModule bcm_enumerate();

// A direction text as a part of module and port names: every character
// that a Verilog identifier does not take becomes "_".
std::string bcm_position_name(const char* direction);

// The module's name, and the name of its one instance: "<top>_BCM".
inline std::string bcm_module_name() { return TOP_MODULE + "_BCM"; }
// The module port of a TAP pin: "BCM_" and the pin name.
std::string bcm_tap_port(const char* tap_pin);
// "BCELL<n>_<suffix>".
std::string bcm_cell_port(int number, BcmPort port);
// The TAP's instance in the module: the last part of %INSTANCE_NAME (the
// module holds the TAP whatever sub-module that name points into), so
// that the name looked up inside the module's instance finds the TAP.
std::string bcm_tap_instance();

// Ends the run (with the "not available in this version" message) when
// the pad table holds something that the -add_bcm road does not build,
// and when the TAP's instance name can't stand in the module's Verilog
// text beside the names the module gives its own parts.  Called before
// the first output file is written.
void bcm_refuse_untaken_roads(const BcmModule& module);

// The -add_bcm road after the pad check and the TAP defaults, up to the
// first output file: the pad table, the module's cells, the refusals of
// what the road does not build, the mode pins of the mux pads, and the
// check that the design holds no instance of the module's name.
BcmModule bcm_prepare_module();
// The road's files, after the run's checks before its first output
// file: the RTL TAP, the module's RTL and its compile run
// (jtagsyn_bcm), the top design's command file and the pin-list file
// (add_scan_module).  The netlist tools and the report are the run's.
void bcm_write_module(const BcmModule& module);
// Writes the top design's command file for the module (the instance, the
// TAP ports and each cell's pins) and the pin-list file.
void add_scan_module(const BcmModule& module);

// True when the module that holds the TAP gives one of its own parts
// that name: a port, net or instance of its cells (BCELL<n>...), a TAP
// port (BCM_<pin>) or TAP net (BCM_first_Bcell, BCM_BOUNDARY_out,
// BCM_RESET, BCM_MODE3, BCM_BCELL_TCK) it declares, its IDCODE bus, a
// buffer or net of a control-signal tree (<signal>_buf_<level>_<index>...),
// or a position sub-module's instance.
bool bcm_module_makes_name(const BcmModule& module, const std::string& name);

// The module as Verilog into fp (from the enumerated cells).
void get_BCM_in_RTL(FILE* fp, const BcmModule& module);
// The RTL files of the road: the RTL TAP, the module "<top>_BCM.v"
// (Verilog also with -vhdl) and its compile run with tessick.
void jtagsyn_bcm(const BcmModule& module);
