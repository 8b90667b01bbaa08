// The BSDL file of one circuit: the tables its sections are made from and
// the section writers.
//
// The file is made in this order (fixed layout):
//
//   header comment               dump_quendal_title
//   entity, generic, port list   insert_port_and_pin_description
//   use, conformance, PIN_MAP    (port list and pin maps from Port_header)
//   PORT_GROUPING                print_port_grouping_decl   (differential pads)
//   TAP_SCAN_*                   print_scan_port_identification
//   COMPLIANCE_PATTERNS          print_compliance_enable_description
//   INSTRUCTION_*, IDCODE, ...   print_TAP_description
//   BOUNDARY_LENGTH/REGISTER     insert_bd_reg_description  (rows in BD_REG_TAB)
//   end <entity>;
//
// In template mode a user's template is copied and only five marked blocks
// are generated (bsdl/template.h).
//
// Names: every port, entity and package name printed is a valid VHDL
// identifier that no other name of the file and no word of BSDL itself
// spells (compared case-blind).  A name that is not one is mapped
// (bsdl_identifier); two names that would print alike end the run.
// A vector port is declared as bit_vector when its bits are consecutive
// and share one function; otherwise each bit becomes a scalar port
// "<name>_<index>", and a vector of one bit becomes a scalar.  The pin
// maps, the register rows and the TAP_SCAN lines use the same names.
//
// Long values are written as chains of complete string literals joined
// by "&"; a literal never runs across a line end.
//
// All writers print to BSD_FILE; messages go through qdx_printf; every
// error ends the run with status -1 before the BSDL file is in place.
#pragma once

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "desc/tables.h"

// ------------------------------------------------------------ port tables

// A design port of the pin file (or an internal/observe-only cell).
struct BufTabEntry {
    int pad_obj = -1;       // the pad instance; the cell of an internal row; -1 none
    int enable = PAD_EN_NONE;  // the pin row's PAD_EN_L / PAD_EN_H
    std::string function;   // "in", "out", "buffer", "inout", "internal", "observe_only"; empty: none
    std::string bsdl_name;  // the name printed in register rows; for internal rows the cell's pin
    std::string core_name;  // the design port (without '-'); for internal rows the instance
    // Port rows: the logical port and the bit index (-1 scalar) the row belongs to.
    std::string base;
    int index = -1;
};

struct PortBitEntry {
    int index = -1;        // -1 for a scalar port
    std::string pin;       // pin number
    std::string function;  // port function (Port_header only)
};

struct PortHeaderEntry {
    std::string name;  // base name as in the pin file
    std::vector<PortBitEntry> bits;
    // Filled by create_BUF_TAB once all bits are known.
    std::string bsdl;    // the identifier printed
    bool split = false;  // each bit declared as a scalar "<bsdl>_<index>"
    bool multi = false;  // a repeated %ALLOWED_MULTIPLE name: bits are its pins, numbered from 1
};

struct PackageListEntry {
    std::string package;  // package type (printed as an identifier)
    std::vector<PortHeaderEntry> ports;
};

extern std::vector<BufTabEntry> BUF_TAB;
extern std::vector<PortHeaderEntry> Port_header;
extern std::vector<PackageListEntry> Package_list;

// Builds the three tables from PIN_TABLE, PACKAGE_TABLE and the current
// design; ends the run on an unknown internal instance, a name used as
// scalar and vector, an illegal buffer FUNCTION or two names that print
// alike.
void create_BUF_TAB();
// The function of design port `port` (-1: none) from its pad; sets the
// last BUF_TAB row's pad_obj and function.
std::string get_port_func(int port);
void insert_port();
void insert_pin();
void insert_package_pin_map();

// A valid VHDL identifier for `name`: characters other than letters,
// digits and '_' become '_', runs of '_' shrink to one, a leading or
// trailing '_' goes, a name not starting with a letter gets "P_" in
// front, and a VHDL or BSDL reserved word gets "_P" behind.
std::string bsdl_identifier(const std::string& name);
// True for the reserved words of VHDL and the words of BSDL's own
// vocabulary (cell functions, disable results, register names ...).
bool bsdl_reserved_word(const std::string& name);
// The entity name printed for BS_TOP_MODULE / a template's entity.
std::string bsdl_entity_name(const std::string& name);
// The reference of a pin-file package name ("-X", "D[3]", "D(3)") as
// the port list declares it; empty when the port is not declared.
std::string bsdl_port_reference(const std::string& package_name);
// The pin-file name a pin row's port is declared under: its package name,
// or with -verify its design name; null when the row has none.
const char* bsdl_port_source(const PinListEntry& row);

// ------------------------------------------------- netlist look-ups

// The design port of a name (a leading '-' ignored); ends the run when absent.
int find_iport(const std::string& name);
// The name of the instance pin a node connects; null for a port node or a
// node out of range.
const char* node_pin(int node);

// ------------------------------------------------------ section writers

extern FILE* BSD_FILE;

void print_port_grouping_decl();
void print_scan_port_identification();
void print_compliance_enable_description();
void print_TAP_description(const std::string& entity);

// ------------------------------------------------------ boundary register

struct BdRegEntry {
    int num = 0;
    std::string cell;
    std::string port;
    std::string function;
    std::string safe;
    int ccell = -1;
    int disval = 0;
    std::string rslt;  // empty for control rows
};

extern std::vector<BdRegEntry> BD_REG_TAB;

// One cell a tracer found for a port: the data cell (instance key), the
// cell function, the control cell (empty: none) and its disabling value.
struct FoundCell {
    std::string instance;
    std::string function;
    std::string control;
    int disval = 0;
};

void print_attribute_of_bd_cell_and_bd_len(const std::string& entity);
void print_attribute_of_bd_register(const std::string& entity);
void print_bd_register(int row, const BufferEntry* buffer, const FoundCell& found);
void print_out_bd_reg_tab();
// 1 when BD_REG_TAB holds a control row of that number.
int contr_cell_exist(int num);
// Who a row of BUF_TAB row `row` speaks for in messages: "port '<bsdl
// name>'", or "signal '<instance>{<pin>}'" for an internal or observed
// point.
std::string row_owner(int row);
// Adds a row as it stands (the no-pad tracer makes its rows itself) for
// chain cell `cell`; `owner` is row_owner of its BUF_TAB row, or for a
// control row "the enable of " and that.  A bit can be described once: a
// second row of the same owner is dropped, one of another owner ends the
// run before the file is written (one row cannot describe the cell of
// two ports), as does a control row on a data cell or the reverse.
struct ChainCellEntry;
void add_bd_row(const BdRegEntry& row, const ChainCellEntry* cell, const std::string& owner);
// A control cell found for a port, with a pad or without one, takes one
// bit of the register: a cell of several standard names ends the run, as
// no row could say which of its bits disables the driver.
void check_one_control_bit(const ChainCellEntry* ctl);
// A three-state driver whose control cell could not be found is described
// as a two-state one: "output3" needs a control cell.  So is a
// bidirectional cell without one (a pad whose enable only the TAP's HIGHZ
// command takes away, or a cell with no enable at all): under EXTEST it
// always drives its pin.
void two_state_without_control(BdRegEntry& row);

// ------------------------------------------------------------ tracers
// Each returns the cells it found for BUF_TAB row `row`; the no-pad
// tracer adds its rows to BD_REG_TAB itself and returns nothing.

struct TraceResult {
    const BufferEntry* buffer = nullptr;
    std::vector<FoundCell> cells;
};

TraceResult print_input_clock_bd_register(int row, int pad, const char* word);
TraceResult print_output_bd_register(int row, int pad);
TraceResult print_bidir_bd_register(int row, int pad);
// The cell of an INTERNAL or OBSERVE row, as an internal cell.
TraceResult print_internal_bd_register(int row, int obj);
void print_no_pad_bd(int row, int obj, const char* word);

// The object id of a chain cell found from `net` in direction d (2 loads,
// 0 drivers), or -1.
int search_bd_reg(int obj, int net, int d);
// The net on pin `pin` of obj (-1 when unconnected); ends the run when obj
// has no such pin.
int find_inet_connected_to_pin(int obj, const char* pin);
// True when the net on obj's pin of that name has a node of another object
// or a port; false for an absent pin or a pin on no net.
bool pin_reaches_other_objects(int obj, const char* pin);
// The control cells of the chain by their role: the objects of the cells
// that drive an enable of a port's driver, each with the drivers it
// controls.  For every output and bidirectional port whose pad has an
// enable on a signal net, the cell that the tracers' control search finds
// from it, with the pad; for a port wired straight to its cell (-no_pad),
// the cell itself when its %ORDER has a control bit, else the cell that
// its enable leads back to, with the port's cell.  What a cell's library
// entry is called plays no part.
std::unordered_map<int, std::vector<int>> control_cells_by_role();
// True when pad `pad` floats its pin under HIGHZ by itself: a %BS_BUFFER
// whose cell has a %HIGHZ pin that hangs on the TAP's pin `tap_pin`,
// straight or through cells of one input (the buffers and inverters of
// the command's tree).
bool pad_floats_under_highz(int pad, const char* tap_pin);
// The chain-table key of an object of the current design (with the
// hard-macro prefix while a macro's design is current).
std::string chain_key(int obj);

// --------------------------------------------------------------- writer

struct TemplateBlock;
// Template mode: the kept text of a read template as it stands, and each
// block's place filled with its section for `entity`; then one line per
// block saying whether it was replaced (bs_tpl_check).
void fill_template_blocks(const std::vector<TemplateBlock>& blocks, const std::string& entity);

void dump_quendal_title();
void insert_port_and_pin_description();
void put_statement_before_port_des();
void put_statement_before_pin_des();
void insert_bd_reg_description();

// Ends the run before BS_BSD_FILE is written: "ERROR: BSDL file "<path>"
// was not written: " followed by the reason (with its line ends).
[[noreturn]] void bsdl_not_written(const std::string& reason);

// Frees the writer's tables (per circuit and at reset).
void BSDL_writer_reset();
