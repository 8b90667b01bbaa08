// The pad table: one row per signal of the pin list, traced from the top
// port through its pad cell, with the pad's kind, its boundary cell and
// the nets that the design edits connect to; the steps that build it for
// the run, and the refusals of the roads that it shows.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

using bsnames::clear_text;
using bsnames::or_text;
using bsnames::set_text;

namespace {

const char* design_file() { return MODULE_C_SDB.c_str(); }


PinListEntry* pin_row_of(int row) {
    int pin = OPIN_TAB[row].pin;
    return pin >= 0 && pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[pin] : nullptr;
}

int cell_code_of(int row) {
    PinListEntry* r = pin_row_of(row);
    return r ? r->cell_code : CELL_SINGLE;
}

int enable_polarity_of(int row) {
    PinListEntry* r = pin_row_of(row);
    return r ? r->pad_enable : PAD_EN_NONE;
}

bool ucase_equal(const char* a, const char* b) { return a && b && STR_ucomp(a, b) == 0; }
bool is_bs_buffer(const BufferEntry* b) { return b && b->kind == BUFFER_BS; }
bool is_plain_or_bs(const BufferEntry* b) { return b && (b->kind == BUFFER_PLAIN || b->kind == BUFFER_BS); }
bool is_differential(const BufferEntry* b) {
    return b && (b->kind == BUFFER_DIFF_VOLTAGE || b->kind == BUFFER_DIFF_CURRENT);
}

// A scan cell that the configuration names; a name the library lacks ends
// the run.
ScanCellEntry* library_cell(const char* name) {
    ScanCellEntry* c = get_scan_cell(name);
    if (!c) {
        qdx_exit_printf(-1, "ERROR: can't find scan cell '%s' in '%s' file.\n\n", name, lib_file());
    }
    return c;
}

// The first configured of two cell names, looked up; none when neither is set.
ScanCellEntry* configured(const char* first, const char* second) {
    const char* name = first ? first : second;
    return name ? library_cell(name) : nullptr;
}

// A cell named for this pad in particular, validated by the role's check.
ScanCellEntry* checked_cell(const char* name, int (*check)(const char*)) {
    std::string copy = name;
    if (check(copy.c_str())) {
        qdx_exit_printf(-1, "\n");
    }
    return library_cell(copy.c_str());
}

// The pin row's single cell, validated; the request is cleared once used.
ScanCellEntry* requested_cell(int row, int (*check)(const char*)) {
    if (!OPIN_TAB[row].cell_request) return nullptr;
    std::string name = OPIN_TAB[row].cell_request;
    ScanCellEntry* c = checked_cell(name.c_str(), check);
    clear_text(OPIN_TAB[row].cell_request);
    return c;
}

// The scan cell of a %BS_BUFFER pad: the library cell named like the
// buffer.  Its MODE_2 and MODE_3 pins make the TAP's mode signals needed,
// and its HIGHZ pin the TAP's high-impedance command, as the configured
// cells' pins do (the pin is one more load of the command's tree).
ScanCellEntry* bs_buffer_cell(const BufferEntry* b) {
    ScanCellEntry* c = get_scan_cell(b->name);
    if (!c) {
        qdx_exit_printf(-1, "ERROR: can't find %%SCAN_CELL '%s' for %%BS_BUFFER.\n", b->name);
    }
    if (c->mode3) BCELL_MODE3 = 1;
    if (c->mode2) BCELL_MODE2 = 1;
    if (c->highz) BCELL_HIGHZ = 1;
    return c;
}

[[noreturn]] void pin_not_in_design(const char* keyword, const char* where, const char* pin, const char* buffer,
                                    const char* signal) {
    qdx_printf("ERROR: (%s) %%%s %s specified in %s %s\n", lib_file(), keyword, or_text(pin, ""), where,
               or_text(buffer, ""));
    qdx_exit_printf(-1, "       can't be found in file '%s' while tracing port '%s'.\n\n", design_file(), signal);
}

// Name of the pad pin that the port's net reaches: "*UNDEF*" for a node
// without a pin; a pin without a name ends the run.
std::string reached_pin(int port, const char* signal) {
    int node = get_node_connected_to_portnode(port);
    int p = node_tab[node].pin;
    if (node_tab[node].object < 0 || p < 0 || p >= pin_count) return "*UNDEF*";
    const char* name = SDB_pin_name(node);
    if (!name) {
        qdx_exit_printf(-1, "ERROR: can not get pin name while tracing port '%s'.\n", signal);
    }
    return name;
}

// Net id on a pin of the pad instance (-1 when the pin is absent).
int net_on(int obj, const char* pin, int direction) {
    return pin ? search_inet_connected_to_obj(obj, pin, direction) : -1;
}

// The TAP's MODE_2 or MODE_3 pin after a pad: which pin the cells use,
// and the net on it in the design.
void tap_mode_pin(int& need, char* TapCellEntry::*field, const char*& global, int flag, const char* word, int tap) {
    if (need) {
        const char* pin = TAP_CONTR ? TAP_CONTR->*field : nullptr;
        if (!pin) {
            qdx_printf("ERROR: (%s) can't find %%%s in %%TAP_CONTROLLER %s.\n", lib_file(), word,
                       or_text(TAP_MODULE_NAME, ""));
            need = 0;
        } else {
            global = without_low_mark(pin);
        }
    } else {
        global = nullptr;
    }
    if (tap < 0 || !global) return;
    int net = search_inet_connected_to_obj(tap, global, SDB_DIR_OUTPUT);
    TAP_FLAG[flag] = net;
    if (net == 0 || net == 1) {
        qdx_printf("WARNING: Pin %%%s '%s' of TAP '%s' ", word, global, or_text(TAP_INSTANCE_NAME, ""));
        qdx_printf(net == 0 ? "was connected to GND.\n" : "was connected to VCC.\n");
        qdx_printf("         %%%s '%s' will be disconnected.\n", word, global);
    }
}

// The TAP's %HIGHZ_COMMAND pin when only the cells that pads carry need
// it (the field checks settle it for the configured cells, before the
// pads are seen): the pin the cells' HIGHZ pins hang on, and the net on it
// in the design, which the field checks found for the TAP's declared
// command (a tie is then cut before the pin is wired).  A TAP without the
// command ends the run; with -add_tap the check of the added TAP's pins
// says why (bs_check_highz_of_added_tap).
void tap_highz_pin() {
    if (!BCELL_HIGHZ || (TAP_HIGHZ_PIN && *TAP_HIGHZ_PIN)) return;
    const char* pin = TAP_CONTR ? TAP_CONTR->highz_command : nullptr;
    if (!pin) {
        if (JTAG_OPTION[OPT_ADD_TAP]) return;
        qdx_printf("ERROR: (%s) can't find %%HIGHZ_COMMAND in %%TAP_CONTROLLER %s\n", lib_file(),
                   or_text(TAP_MODULE_NAME, ""));
        qdx_exit_printf(-1, "       for the %%HIGHZ pins of the cells that the pads carry.\n\n");
    }
    TAP_HIGHZ_PIN = without_low_mark(pin);
    TAP_FLAG[TAP_FLAG_HIGHZ] = TAP_FLAG[TAP_FLAG_HIZ];
}

// An output pin of a cell that drives a bidirectional port without a pad
// (-add_pad), as the cell-level design names it.
struct DrivingPin {
    std::string inst, pin, cell;
};

// A bidirectional port without a pad that -add_pad gives one, or an
// output port without a pad whose cell (-no_pad) or added pad (-add_pad)
// will drive the pin all the time, and the cell outputs that drive its
// net: the checks that need other designs than the cell-level one run
// once the pad table is built.
struct AddedInoutPort {
    std::string signal;
    std::vector<DrivingPin> drivers;
    bool output = false;
};
std::vector<AddedInoutPort> added_inout_ports;

// What drives an output port without a pad after the edit: the pad that
// -add_pad adds, or the boundary cell that stands for it (-no_pad).
const char* output_edit() {
    return JTAG_OPTION[OPT_ADD_PAD] ? "the pad that -add_pad adds" : "the boundary cell that -no_pad puts on it";
}

// An output port without a pad whose net the design may leave floating at
// times (a bidirectional pin, a module's inout port or a three-state
// output on it): the edit would drive the pin all the time.
[[noreturn]] void output_end_refused(const char* signal, const std::string& end) {
    qdx_printf("ERROR: output port '%s' has no pad, and its net reaches the bidirectional\n", signal);
    qdx_printf("       %s, which may leave it floating at times;\n", end.c_str());
    qdx_printf("       %s would drive the pin all the time.\n", output_edit());
    qdx_exit_printf(-1, "       Please give the port its pad in the design, or specify '%s' as skip signal.\n\n",
                    signal);
}

[[noreturn]] void bidir_end_refused(const char* signal, const std::string& end) {
    qdx_printf("ERROR: bidirectional port '%s' has no pad, and its net reaches the bidirectional\n", signal);
    qdx_printf("       %s: when that drives the port is not known, so the pad that\n", end.c_str());
    qdx_printf("       -add_pad adds could not drive the pin exactly when the design did.\n");
    qdx_exit_printf(-1, "       Please give the port its pad in the design, or specify '%s' as skip signal.\n\n",
                    signal);
}

// Whether the core drives a port that has no pad, as the expanded design
// shows it: a cell output, a top input port or a constant on the port's
// net drives it; cell inputs and output ports only read it.  A
// bidirectional cell pin on the net (or, for a bidirectional port,
// another bidirectional port) hides when the net is driven, so that no
// pad the edit adds, nor a cell that stands for one, could keep the pin
// as it was: the run stops, before anything is written.  The cell outputs
// are noted for the port: whether one of them is three-state (and so
// drives only at times) the cell's own design says
// (check_added_inout_ports).  `output`: an output port (-add_pad,
// -no_pad), else a bidirectional one (-add_pad).
bool note_padless_port(int port, const char* signal, bool output) {
    const int own = port_tab[port].node;
    const int net = bsnames::node_net(own);
    if (!bsnames::valid_net(net)) return false;
    if (net == 0 || net == 1) return true;
    AddedInoutPort noted{signal, {}, output};
    bool drives = false;
    int guard = 0;
    for (int k = net_tab[net].first_node; bsnames::valid_node(k) && guard <= node_count; k = node_tab[k].next, ++guard) {
        if (k == own) continue;
        const int obj = node_tab[k].object;
        int direction;
        std::string end;
        if (obj < 0) {
            const int other = bsnames::node_port(k);
            if (output || other < 0) continue;
            direction = port_tab[other].direction & 3;
            end = std::string("port '") + bsnames::port_name(other) + "'";
            if (direction == SDB_DIR_INPUT) drives = true;
        } else {
            const int pin = node_tab[k].pin;
            if (pin < 0 || pin >= pin_count) continue;
            direction = pin_tab[pin].direction & 3;
            const std::string inst = or_text(SDB_obj_name(sdb, obj), "*UNDEF*");
            const std::string name = or_text(SDB_pin_name(k), "*UNDEF*");
            end = "pin '" + inst + "{" + name + "}'";
            if (direction == SDB_DIR_OUTPUT) {
                drives = true;
                noted.drivers.push_back({inst, name, bsnames::class_name(obj)});
            }
        }
        if (direction == SDB_DIR_BIDIR) {
            if (output) output_end_refused(signal, end);
            bidir_end_refused(signal, end);
        }
    }
    added_inout_ports.push_back(std::move(noted));
    return drives;
}

// The hierarchical design shows what the expanded one hides: a module
// with a bidirectional port on the net of a port that -add_pad gives a
// pad (a core whose inout port meets the chip's pin, with its three-state
// driver and its reads inside).  One pin cannot be split into the pad's
// data, enable and read-back, so the run stops there too.
void refuse_module_inout_pins() {
    open_sdb_file(MODULE_SDB.c_str());
    for (const AddedInoutPort& a : added_inout_ports) {
        const int port = SDB_nl_search_port(a.signal.c_str());
        const int net = port >= 0 ? bsnames::node_net(port_tab[port].node) : -1;
        if (!bsnames::valid_net(net)) continue;
        int guard = 0;
        for (int k = net_tab[net].first_node; bsnames::valid_node(k) && guard <= node_count;
             k = node_tab[k].next, ++guard) {
            const int obj = node_tab[k].object;
            const int pin = node_tab[k].pin;
            if (obj < 0 || pin < 0 || pin >= pin_count || (pin_tab[pin].direction & 3) != SDB_DIR_BIDIR) continue;
            const std::string end = std::string("pin '") + or_text(SDB_obj_name(sdb, obj), "*UNDEF*") + "{" +
                                    or_text(SDB_pin_name(k), "*UNDEF*") + "}'";
            if (a.output) output_end_refused(a.signal.c_str(), end);
            bidir_end_refused(a.signal.c_str(), end);
        }
    }
    SDB_close(sdb, 0);
}

// The three-state outputs of a cell, as its own design marks them; the
// path of the design is "" when it is not found.
struct CellOutputs {
    std::string path;
    std::vector<std::string> three_state;
};

CellOutputs cell_outputs(const std::string& cell) {
    CellOutputs c;
    c.path = FNM_find(PATH + cell + ".sdb");
    if (c.path.empty()) return c;
    open_sdb_file(c.path.c_str());
    for (int p = 0; p < port_count; ++p)
        if (port_tab[p].name >= 0 && (port_tab[p].flags & SDB_PORT_THREE_STATE))
            c.three_state.emplace_back(bsnames::port_name(p));
    SDB_close(sdb, 0);
    return c;
}

bool is_three_state(const CellOutputs& c, const DrivingPin& d) {
    return std::any_of(c.three_state.begin(), c.three_state.end(),
                       [&](const std::string& p) { return ucase_equal(p.c_str(), d.pin.c_str()); });
}

// The same for an output port without a pad: the pad that -add_pad adds,
// or the cell that stands for it with -no_pad, drives the pin all the
// time, where a three-state output left it floating at times.
void refuse_output_driver(const AddedInoutPort& a, const DrivingPin& d, const CellOutputs& c) {
    const char* signal = a.signal.c_str();
    if (c.path.empty()) {
        qdx_printf("ERROR: output port '%s' has no pad, and its net is driven by the output\n", signal);
        qdx_printf("       '%s{%s}' of cell '%s', whose design '%s.sdb' is not found:\n", d.inst.c_str(),
                   d.pin.c_str(), d.cell.c_str(), (PATH + d.cell).c_str());
        qdx_printf("       whether that output is three-state is not known, and\n");
        qdx_printf("       %s would drive the pin all the time.\n", output_edit());
        qdx_exit_printf(-1,
                        "       Please put the cell's design on the search path, give the port its pad in the\n"
                        "       design, or specify '%s' as skip signal.\n\n",
                        signal);
    }
    if (!is_three_state(c, d)) return;
    qdx_printf("ERROR: output port '%s' has no pad, and its net is driven by the three-state\n", signal);
    qdx_printf("       output '%s{%s}' of cell '%s', which leaves the pin floating at times;\n", d.inst.c_str(),
               d.pin.c_str(), d.cell.c_str());
    qdx_printf("       %s would drive it all the time.\n", output_edit());
    qdx_exit_printf(-1, "       Please give the port its pad in the design, or specify '%s' as skip signal.\n\n",
                    signal);
}

// A cell output that drives only at times (a three-state output) leaves
// the pin floating while it is off; the tied enable of the pad that
// -add_pad adds would drive the pin all the time, and the library names
// no enable pin of such a cell that the pad's enable could follow.  A cell
// whose design is not found could be one: both stop the run, before
// anything is written.
void refuse_three_state_drivers() {
    std::map<std::string, CellOutputs> cells;
    for (const AddedInoutPort& a : added_inout_ports) {
        for (const DrivingPin& d : a.drivers) {
            auto it = cells.find(d.cell);
            if (it == cells.end()) it = cells.emplace(d.cell, cell_outputs(d.cell)).first;
            const CellOutputs& c = it->second;
            const char* signal = a.signal.c_str();
            if (a.output) {
                refuse_output_driver(a, d, c);
                continue;
            }
            if (c.path.empty()) {
                qdx_printf("ERROR: bidirectional port '%s' has no pad, and its net is driven by the output\n", signal);
                qdx_printf("       '%s{%s}' of cell '%s', whose design '%s.sdb' is not found:\n", d.inst.c_str(),
                           d.pin.c_str(), d.cell.c_str(), (PATH + d.cell).c_str());
                qdx_printf("       whether that output is three-state is not known, so the pad that\n");
                qdx_printf("       -add_pad adds could not drive the pin exactly when the design did.\n");
                qdx_exit_printf(-1,
                                "       Please put the cell's design on the search path, give the port its pad in the\n"
                                "       design, or specify '%s' as skip signal.\n\n",
                                signal);
            }
            if (!is_three_state(c, d)) continue;
            qdx_printf("ERROR: bidirectional port '%s' has no pad, and its net is driven by the three-state\n", signal);
            qdx_printf("       output '%s{%s}' of cell '%s': when that drives the port is not known, so\n",
                       d.inst.c_str(), d.pin.c_str(), d.cell.c_str());
            qdx_printf("       the pad that -add_pad adds could not drive the pin exactly when the design did.\n");
            qdx_exit_printf(-1, "       Please give the port its pad in the design, or specify '%s' as skip signal.\n\n",
                            signal);
        }
    }
}

// The checks of the bidirectional ports that -add_pad gives pads, in the
// designs beside the cell-level one (none is open when they run).
void check_added_inout_ports() {
    if (added_inout_ports.empty()) return;
    refuse_module_inout_pins();
    refuse_three_state_drivers();
    added_inout_ports.clear();
}

// The pad kinds whose cell writer wires the pad buffer's own MODE pins
// (those open or tied in the design) to the TAP's mode signals.
bool wires_pad_mode_pins(int kind) {
    switch (kind) {
        case PAD_MUX_INPUT:
        case PAD_MUX_OUTPUT2:
        case PAD_MUX_OUTPUT3:
        case PAD_MUX_BIDIR1:
        case PAD_MUX_BIDIR2:
        case PAD_MUX_INOUT1:
        case PAD_MUX_INOUT2: return true;
        default: return false;
    }
}

// A mux pad's own MODE_n pin that the design leaves open or ties is one
// more load of the TAP's MODE_n signal, so it makes that output needed as
// a configured cell's pin does: the TAP that -add_tap or -add_tap_only
// writes has it, the pad modules get its port, and a tie on the design
// TAP's pin is cut.  A TAP description without the pin, or a design TAP
// instance without it, ends the run here, before anything is written.
void mux_pad_mode_needs(const PadEntry& p, int tap) {
    const BufferEntry* b = p.buffer;
    if (!b || !p.cell || !wires_pad_mode_pins(p.kind)) return;
    struct {
        const char* pin;
        int net;
        int& need;
        char* TapCellEntry::*field;
        const char* word;
    } modes[] = {{b->mode1, p.mode1_net, BCELL_MODE1, &TapCellEntry::mode1, "MODE_1"},
                 {b->mode2, p.mode2_net, BCELL_MODE2, &TapCellEntry::mode2, "MODE_2"},
                 {b->mode3, p.mode3_net, BCELL_MODE3, &TapCellEntry::mode3, "MODE_3"}};
    for (auto& m : modes) {
        if (!m.pin || m.net >= 2) continue;
        const char* tap_pin = TAP_CONTR ? TAP_CONTR->*m.field : nullptr;
        if (!tap_pin) bs_no_tap_mode_pin(m.word, p.pad_instance);
        tap_pin = without_low_mark(tap_pin);
        const bool design_tap = tap >= 0 && !JTAG_OPTION[OPT_ADD_TAP] && !JTAG_OPTION[OPT_ADD_BCM];
        if (design_tap && search_inode_connected_to_obj(tap, tap_pin, SDB_DIR_OUTPUT) < 0) {
            qdx_printf("ERROR: TAP '%s' in SDB file '%s' has no pin %%%s '%s'\n", kest_hier_tap_design_name(),
                       design_file(), m.word, tap_pin);
            qdx_exit_printf(-1, "       to connect pin '%s' of mux pad '%s'.\n\n", m.pin, or_text(p.pad_instance, ""));
        }
        m.need = 1;
    }
}

// The TAP's mode pins after a pad; MODE_1, which the field checks settle
// for the configured cells, only when a mux pad alone needs it.
void tap_mode_pins(const PadEntry& p) {
    int tap = TAP_INSTANCE_NAME ? SDB_nl_search_obj(kest_hier_tap_design_name()) : -1;
    mux_pad_mode_needs(p, tap);
    if (BCELL_MODE1 && !(TAP_MODE1_PIN && *TAP_MODE1_PIN))
        tap_mode_pin(BCELL_MODE1, &TapCellEntry::mode1, TAP_MODE1_PIN, TAP_FLAG_MODE1, "MODE_1", tap);
    tap_mode_pin(BCELL_MODE2, &TapCellEntry::mode2, TAP_MODE2_PIN, TAP_FLAG_MODE2, "MODE_2", tap);
    tap_mode_pin(BCELL_MODE3, &TapCellEntry::mode3, TAP_MODE3_PIN, TAP_FLAG_MODE3, "MODE_3", tap);
}

// A top port reached from an input pad's core side, directly or through
// one buffer of the library: the input is merged with that port.
bool merged_input(int node, const BufferEntry* pad_buffer, int port) {
    if (is_bs_buffer(pad_buffer)) return false;
    int a = find_adjacent_node(node);
    if (a < 0) return false;
    int other = bsnames::node_port(a);
    if (other >= 0) {
        if (skip_signal(bsnames::port_name(other))) return false;
        qdx_printf("WARNING: input port '%s' connects to output port '%s' directly.\n", bsnames::port_name(port),
                   bsnames::port_name(other));
        qdx_printf("         A merged cell will be introduced.\n\n");
        return true;
    }
    int obj = node_tab[a].object;
    BufferEntry* b = get_buffer(bsnames::class_name(obj));
    if (!b) return false;
    int from = a;
    if (!b->function) {
        // Only the buffer's data input leads through it to its output: an
        // enable, mux or mode pin carries no data on.
        if (!ucase_equal(SDB_pin_name(a), b->input)) return false;
        from = b->output ? search_inode_connected_to_obj(obj, b->output, SDB_DIR_OUTPUT) : -1;
    }
    int beyond = from >= 0 ? find_adjacent_node(from) : -1;
    other = bsnames::node_port(beyond);
    if (other < 0) return false;
    qdx_printf("WARNING: input port '%s' connects to port '%s' directly.\n", bsnames::port_name(port),
               bsnames::port_name(other));
    qdx_printf("         A merged cell will be introduced.\n\n");
    return true;
}

// A receive side that comes out at a top port, directly or through one
// buffer of the library.
bool merged_receive(int node, int port) {
    int a = find_adjacent_node(node);
    if (a < 0) return false;
    int other = bsnames::node_port(a);
    if (other >= 0) {
        qdx_printf("WARNING: input port '%s' connects to output port '%s' directly.\n", bsnames::port_name(port),
                   bsnames::port_name(other));
        qdx_printf("         A merged cell will be introduced.\n\n");
        return true;
    }
    int obj = node_tab[a].object;
    BufferEntry* b = get_buffer(bsnames::class_name(obj));
    if (!b) return false;
    int from = ucase_equal(b->function, "inout")
                   ? (b->inout ? search_inode_connected_to_obj(obj, b->inout, SDB_DIR_BIDIR) : -1)
                   : (b->output ? search_inode_connected_to_obj(obj, b->output, SDB_DIR_OUTPUT) : -1);
    int beyond = from >= 0 ? find_adjacent_node(from) : -1;
    other = bsnames::node_port(beyond);
    if (other < 0) return false;
    qdx_printf("WARNING: input end of bidir port '%s' connects to port '%s' directly.\n", bsnames::port_name(port),
               bsnames::port_name(other));
    qdx_printf("         A merged cell will be introduced.\n\n");
    return true;
}

// A mux pin and its mode pin come together.
void require_pair(const BufferEntry* b, const char* a, const char* a_word, const char* m, const char* m_word,
                  const char* what) {
    if (a && !m) {
        qdx_printf("ERROR: (%s) '%s' is a mux %s pad because %%%s signal is declared.\n", lib_file(), b->name, what,
                   a_word);
        qdx_exit_printf(-1, "       Mux %s pad also requires %%%s signal to be declared.\n\n", what, m_word);
    }
    if (m && !a) {
        qdx_printf("ERROR: (%s) '%s' is a mux %s pad because %%%s signal is declared.\n", lib_file(), b->name, what,
                   m_word);
        qdx_exit_printf(-1, "       Mux %s pad also requires %%%s signal to be declared.\n\n", what, a_word);
    }
}

[[noreturn]] void no_input_scan(const char* signal) {
    qdx_printf("ERROR: can't find %%INPUT_SCAN in file '%s'.\n", bsc_file());
    qdx_exit_printf(-1, "       Need INPUT SCAN to connect to input port '%s'.\n\n", signal);
}

[[noreturn]] void missing_bidir_cell(const char* keyword, const char* need, const char* signal) {
    qdx_printf("ERROR: can't find %%%s in file '%s'.\n", keyword, bsc_file());
    qdx_exit_printf(-1, "       Need %s to connect to bidir port '%s'.\n\n", need, signal);
}

}  // namespace

[[noreturn]] void bsnames::unknown_buffer(const char* cell, const char* signal) {
    qdx_exit_printf(-1,
                    "FATAL: can't find the definition of buffer '%s' while tracing port '%s'.\n"
                    "       Please specify the following in file '%s'.\n"
                    "              %%BUFFER  %s {\n"
                    "                  %%INPUT\n"
                    "                  %%OUTPUT\n"
                    "               }\n\n",
                    cell, signal, lib_file(), cell);
}

int create_an_entry_of_OPIN_TAB(int pin, const char* name) {
    PadEntry e{};
    e.pin = pin;
    const PinListEntry* r = pin >= 0 && pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[pin] : nullptr;
    const char* marker = r && is_internal_marker(r->io_name) ? r->io_name : nullptr;
    set_text(e.pin_text, marker ? marker : (r ? r->number : nullptr));
    e.active_low = is_active_low(name) ? 1 : 0;
    set_text(e.signal, without_low_mark(name));
    set_text(e.cell_request, r ? r->cell : nullptr);
    e.modules = DYNA_new<char*>();
    e.instances = DYNA_new<char*>();
    e.kind = PAD_NO_CELL;
    e.object = -1;
    e.mode1_net = e.mode2_net = e.mode3_net = -1;
    e.mux_in1_net = e.mux_in2_net = e.mux_in3_net = e.mux_out_net = -1;
    e.multi_io_row = -1;
    return DYNA_append(&OPIN_TAB, e);
}

namespace {

// A port of the design that no row of the pin list names gets no
// boundary cell and is missing from the BSDL file: said once per port.
void warn_ports_without_pin_row() {
    std::vector<char> named(static_cast<size_t>(std::max(port_count, 0)), 0);
    for (int i = 0, n = DYNA_count(PIN_TABLE); i < n; ++i) {
        const char* name = bs_pin_name(i);
        const int port = name ? bs_search_iport(name) : -1;
        if (port >= 0 && port < port_count) named[static_cast<size_t>(port)] = 1;
    }
    const char* pin_file = PIN_FILE ? PIN_FILE : bsc_file();
    for (int p = 0; p < port_count; ++p) {
        if (named[static_cast<size_t>(p)] || port_tab[p].name < 0) continue;
        qdx_printf("WARNING: (%s) port '%s' of the design has no row in the pin list;\n", pin_file,
                   bsnames::port_name(p));
        qdx_printf("         it gets no boundary-scan cell.\n\n");
    }
}

}  // namespace

void produce_opin_control_tab() {
    tdi_pin_indexG = tms_pin_indexG = tck_pin_indexG = trst_pin_indexG = tdo_pin_indexG = -1;
    TAP_TDI_PIN_PTR = TAP_TDO_PIN_PTR = TAP_TMS_PIN_PTR = TAP_TCK_PIN_PTR = TAP_TRST_PIN_PTR = nullptr;
    if (!OPIN_TAB) OPIN_TAB = DYNA_new<PadEntry>();
    for (int i = 0, n = DYNA_count(PIN_TABLE); i < n; ++i) {
        const char* name = bs_pin_name(i);
        if (!name) continue;
        int row = create_an_entry_of_OPIN_TAB(i, name);
        if (skip_signal(name))
            bs_save_OPIN_TAB_for_standard_port_of_TAP(row, name);
        else if (is_internal_marker(PIN_TABLE[i]->io_name))
            save_OPIN_TAB_for_adding_scan_cell_internal(row);
        else
            save_OPIN_TAB_for_adding_scan_cell(row);
    }
    tap_highz_pin();
    bs_refresh_tap_pad_pointers();
    warn_ports_without_pin_row();
    if (sdb) SDB_close(sdb, 0);
}

namespace {

// The pad that -add_pad adds is wired on its pin, data, enable and
// read-back pins alone: a pin-file pad that carries its own boundary cell
// (its scan and mode pins) or takes a second data input (its mux and mode
// pins) would be left with control pins open, and a bidirectional pad on
// an input or output port would be wired by its data pins, its pin and
// enable left open, as would a pad with an enable on an input port: the
// run stops before anything is written.
void refuse_pads_it_cannot_wire(int row, const std::string& signal, int direction) {
    const PinListEntry* r = pin_row_of(row);
    const BufferEntry* b = r && r->pad ? get_buffer(r->pad) : nullptr;
    if (!b) return;
    const std::string head = "the option -add_pad with pad cell '" + std::string(or_text(b->name, "")) + "' of port '" +
                             signal + "'";
    if (is_bs_buffer(b)) bs_not_available(head + ", which carries its own boundary cell,");
    if (b->mux_in1 || b->mux_in2 || b->mux_in3 || b->mode1 || b->mode2 || b->mode3)
        bs_not_available(head + ", which takes a second data input,");
    if (b->inout && direction != SDB_DIR_BIDIR)
        bs_not_available(head + std::string(direction == SDB_DIR_INPUT ? ", an input" : ", an output") +
                         " port on a bidirectional pad,");
    if ((b->en_l || b->en_h) && direction == SDB_DIR_INPUT)
        bs_not_available(head + ", an input port on a pad with an enable,");
    // A differential pad takes its pin as one leg of a pair: one pad per
    // port would leave each pad's other leg open.
    if (is_differential(b)) bs_not_available(head + ", which takes a pair of pins,");
}

// What the first library buffer on a port's net is to the port.  It is
// the port's pad when the pin's data passes through it: the port meets it
// on the pin that faces the chip pin (%INPUT of an input pad, %OUTPUT of
// an output pad, %INOUT, a differential pad's legs), and it does not
// invert.  A buffer that meets the port on another pin (an enable, a mux
// or mode pin, its core-side data pin) or that inverts is core logic: a
// boundary cell behind it would not see or drive the pin.  A pad of
// %FUNCTION BUF takes no cell only while its core side carries nothing;
// one that passes the pin's data to or from the core is a pad like any
// other, whatever its %FUNCTION says.
struct PadRole {
    enum Kind { PAD, NO_CELL, NOT_PAD } kind = PAD;
    std::string why;  // NOT_PAD: what the buffer does instead, for the messages
};

// The role of a declared pin of a pad buffer, and whether the chip pin of
// a port of that direction meets the buffer on it; none for a pin the
// library does not declare.
struct PinRole {
    const char* word = nullptr;
    bool pin_side = false;
};

PinRole pin_role(const BufferEntry* b, const char* pin, int direction) {
    const bool in = direction == SDB_DIR_INPUT, out = direction == SDB_DIR_OUTPUT;
    const struct {
        const char* declared;
        const char* word;
        bool pin_side;
    } pins[] = {{b->inout, "pad pin", true},          {b->input, "data input", in},
                {b->input_m, "minus input", in},      {b->output, "data output", out},
                {b->output_m, "minus output", out},   {b->en_l, "enable", false},
                {b->en_h, "enable", false},           {b->mux_in1, "second data input", false},
                {b->mux_in2, "second data input", false}, {b->mux_in3, "second data input", false},
                {b->mux_out, "second data output", false}, {b->mode1, "mode pin", false},
                {b->mode2, "mode pin", false},        {b->mode3, "mode pin", false}};
    for (const auto& p : pins)
        if (ucase_equal(p.declared, pin)) return {p.word, p.pin_side};
    return {};
}

// A pin of the buffer on a net that reaches another pin or port, or a
// constant.
bool pin_carries(int obj, const char* pin, int pin_direction) {
    const int node = pin ? search_inode_connected_to_obj(obj, pin, pin_direction) : -1;
    const int net = bsnames::node_net(node);
    return net == 0 || net == 1 || (bsnames::valid_net(net) && find_adjacent_node(node) >= 0);
}

PadRole pad_role(const BufferEntry* b, int obj, int node, int direction) {
    if (!b || obj < 0) return {};
    const char* inst = or_text(SDB_obj_name(sdb, obj), "*UNDEF*");
    const std::string first = std::string("the first cell on its net, '") + inst + "' (cell " + or_text(b->name, "") +
                              "),\n       ";
    const char* pin = SDB_pin_name(node);
    const PinRole role = pin_role(b, pin, direction);
    if (role.word && !role.pin_side)
        return {PadRole::NOT_PAD, first + "takes the pin on its " + role.word + " '" + pin +
                                      "', which is no path through a pad to the core"};
    if (is_inverting_buffer(b))
        return {PadRole::NOT_PAD, first + "is an inverter, behind which a boundary cell would " +
                                      (direction == SDB_DIR_OUTPUT ? "drive" : "see") + " the pin inverted"};
    if (!ucase_equal(b->function, "BUF")) return {};
    const bool live = (direction != SDB_DIR_OUTPUT && pin_carries(obj, b->output, SDB_DIR_OUTPUT)) ||
                      (direction != SDB_DIR_INPUT && pin_carries(obj, b->input, SDB_DIR_INPUT));
    return {live ? PadRole::PAD : PadRole::NO_CELL, ""};
}

// A port whose first cell is no pad, on the road that takes every port's
// pad from the design.  -no_pad puts no cell on a bidirectional port, so
// only -add_pad is offered for one.
[[noreturn]] void refuse_not_a_pad(const char* signal, int direction, const std::string& why) {
    const char* kind = direction == SDB_DIR_OUTPUT ? "output" : direction == SDB_DIR_BIDIR ? "bidirectional" : "input";
    qdx_printf("ERROR: %s port '%s' has no pad: %s.\n", kind, signal, why.c_str());
    qdx_exit_printf(-1,
                    "       Please give the port its pad in the design, use %s,\n"
                    "       or specify '%s' as skip signal.\n\n",
                    direction == SDB_DIR_BIDIR ? "-add_pad" : "-add_pad or -no_pad", signal);
}

// -no_pad lets a port stand for its pad only as an input or an output: a
// bidirectional port without a pad has no enable for a control cell, and
// the cell writers write nothing for it.
[[noreturn]] void refuse_no_pad_bidir(const char* signal) {
    qdx_printf("ERROR: bidirectional port '%s' has no pad, and option -no_pad puts no boundary cell\n", signal);
    qdx_printf("       on such a port: without a pad there is no enable for a control cell to drive.\n");
    qdx_exit_printf(-1, "       Please give the port its pad in the design, use -add_pad, or specify '%s' as skip signal.\n\n",
                    signal);
}

}  // namespace

void save_OPIN_TAB_for_adding_scan_cell(int row) {
    std::string signal = OPIN_TAB[row].signal;
    int port = find_iport(signal.c_str());
    int node = get_node_connected_to_portnode(port);
    int obj = node_tab[node].object;
    OPIN_TAB[row].object = obj >= 0 ? obj : -1;
    set_text(OPIN_TAB[row].pad_cell, obj >= 0 ? bsnames::class_name(obj) : "*UNDEF*");
    // Only an instance can be a pad buffer.
    BufferEntry* buffer = obj >= 0 ? get_buffer(OPIN_TAB[row].pad_cell) : nullptr;
    int direction = port_tab[port].direction & 3;
    const PadRole role = pad_role(buffer, obj, node, direction);
    // A bidirectional port meets a bidirectional pad on its pad pin; one
    // that meets a plain buffer (no %FUNCTION, no enable) or an inverter
    // on a data pin, a core buffer that reads or drives it, has no pad
    // either.  Other buffers meet the checks of a bidirectional pad below
    // (an input pad of %FUNCTION CLOCK, say, is refused as no
    // bidirectional pad).
    const bool core_buffer_on_bidir = direction == SDB_DIR_BIDIR && buffer && !buffer->en_l && !buffer->en_h &&
                                      (!buffer->function || is_inverting_buffer(buffer));
    const bool no_pad = role.kind == PadRole::NOT_PAD && (direction != SDB_DIR_BIDIR || core_buffer_on_bidir);
    if (no_pad) {
        // The port has no pad: -add_pad gives it one, -no_pad lets an
        // input or output port stand for it (and refuses a bidirectional
        // one below); the road that takes the pads from the design stops
        // here.
        if (JTAG_OPTION[OPT_ADD_PAD] || JTAG_OPTION[OPT_NO_PAD])
            buffer = nullptr;
        else
            refuse_not_a_pad(signal.c_str(), direction, role.why);
    }
    if ((!buffer || role.kind == PadRole::NOT_PAD) && !JTAG_OPTION[OPT_ADD_PAD] && JTAG_OPTION[OPT_NO_PAD] &&
        direction == SDB_DIR_BIDIR)
        refuse_no_pad_bidir(signal.c_str());
    if (!buffer && !JTAG_OPTION[OPT_ADD_PAD] && (!JTAG_OPTION[OPT_NO_PAD] || direction == SDB_DIR_BIDIR))
        bsnames::unknown_buffer(OPIN_TAB[row].pad_cell, signal.c_str());
    if (buffer) {
        OPIN_TAB[row].buffer = buffer;
        get_hier_class_and_inst_name(row, obj);
    }
    if (!buffer && JTAG_OPTION[OPT_ADD_PAD]) refuse_pads_it_cannot_wire(row, signal, direction);
    set_text(OPIN_TAB[row].suffix, bs_pin_direction(OPIN_TAB[row].pin));
    if (buffer && role.kind == PadRole::NO_CELL) {
        OPIN_TAB[row].kind = PAD_INTERNAL;
        return;
    }
    switch (direction) {
        case SDB_DIR_INPUT:
            save_input_clock_tab(buffer, row, port, buffer && ucase_equal(buffer->function, "CLOCK") ? 0 : 1);
            break;
        case SDB_DIR_OUTPUT:
            save_output_scan_tab(buffer, row, port);
            break;
        case SDB_DIR_BIDIR:
            if (buffer) {
                if (!buffer->function) desc_set_text(&buffer->function, "inout");
                if (!ucase_equal(buffer->function, "inout")) {
                    qdx_printf("ERROR: bidir port '%s' doesn't connect to bidir pad.\n", signal.c_str());
                    qdx_exit_printf(-1, "       Please setup %%FUNCTION inout in %%BUFFER %s.\n\n", buffer->name);
                }
            }
            save_bidir_scan_tab(buffer, row, port);
            break;
        default:
            qdx_exit_printf(-1, "FATAL: can't identify function of port '%s'.\n\n", bsnames::port_name(port));
    }
    // The pad that -add_pad adds goes on the top's port.
    if (!buffer && JTAG_OPTION[OPT_ADD_PAD] && OPIN_TAB[row].cell) bs_place_added_pad_in_top(row);
    tap_mode_pins(OPIN_TAB[row]);
}

void save_input_clock_tab(BufferEntry* b, int row, int port, int not_clock) {
    std::string signal = OPIN_TAB[row].signal;
    int obj = OPIN_TAB[row].object;
    int node = -1;
    if (is_plain_or_bs(b) || is_differential(b)) {
        const char* where = "%BUFFER";
        if (is_differential(b)) {
            where = "DIFFERENTIAL BUFFER";
            if (!b->input || !b->input_m) {
                qdx_exit_printf(-1, "ERROR: (%s) can't find %%INPUT_P or %%INPUT_M in DIFFERENTIAL BUFFER %s\n\n", lib_file(),
                           OPIN_TAB[row].pad_cell);
            }
            if (!b->output) {
                qdx_exit_printf(-1, "ERROR: (%s) can't find %%OUTPUT in DIFFERENTIAL BUFFER %s\n\n", lib_file(),
                           OPIN_TAB[row].pad_cell);
            }
            std::string pin = reached_pin(port, signal.c_str());
            if (bsnames::same(pin.c_str(), b->input_m)) return;  // the other leg of the pair
            if (!bsnames::same(pin.c_str(), b->input)) {
                qdx_exit_printf(-1, "ERROR: the %s pin specified in netlist, but can not be found in DIFFERENTIAL BUFFER %s\n ",
                           pin.c_str(), b->name);
            }
        } else if (!b->output) {
            qdx_exit_printf(-1, "ERROR: (%s) can't find %%OUTPUT in %%BUFFER %s\n\n", lib_file(), OPIN_TAB[row].pad_cell);
        }
        node = search_inode_connected_to_obj(obj, b->output, SDB_DIR_OUTPUT);
        if (node < 0) pin_not_in_design("OUTPUT", where, b->output, b->name, signal.c_str());
        set_text(OPIN_TAB[row].core_net, bsnames::net_name(bsnames::node_net(node)));
        set_text(OPIN_TAB[row].pin_to_core, b->output);
    } else {
        if (!INPUT_BUFFER && !JTAG_OPTION[OPT_NO_PAD]) {
            qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%INPUT_BUFFER\n       in file '%s'.\n\n",
                       bsc_file());
        }
        node = port_tab[port].node;
        set_text(OPIN_TAB[row].core_net, bsnames::net_name(bsnames::node_net(node)));
    }
    if (merged_input(node, b, port)) return;

    // A second data input.
    if (b && (b->mux_in2 || b->mode2)) {
        require_pair(b, b->mux_in2, "MUX_IN2", b->mode2, "MODE_2", "input");
        int kind = not_clock ? PAD_MUX_INPUT : PAD_MUX_CLOCK;
        ScanCellEntry* c =
            requested_cell(row, kind == PAD_MUX_INPUT ? check_input_mux_scan_cell : check_clock_mux_scan);
        if (!c)
            c = kind == PAD_MUX_INPUT ? configured(INPUT_MUX_SCAN, CLOCK_MUX_SCAN)
                                      : configured(CLOCK_MUX_SCAN, INPUT_MUX_SCAN);
        if (!c) {
            qdx_printf("ERROR: can't find %%INPUT_MUX_SCAN in file '%s'.\n", bsc_file());
            qdx_exit_printf(-1, "       Need INPUT_MUX_SCAN to connect to input port '%s'.\n\n", signal.c_str());
        }
        PadEntry& p = OPIN_TAB[row];
        p.kind = kind;
        // A clock pad with a second data input gets no boundary cell: the
        // cell is chosen (and checked) above, but the pad keeps none, so
        // that it takes no register position.
        p.cell = kind == PAD_MUX_CLOCK ? nullptr : c;
        p.mode2_net = net_on(obj, b->mode2, SDB_DIR_INPUT);
        p.mux_in2_net = net_on(obj, b->mux_in2, SDB_DIR_INPUT);
        return;
    }

    int code = cell_code_of(row);
    const PinListEntry* r = pin_row_of(row);
    ScanCellEntry* c = requested_cell(row, not_clock ? check_input_scan_cell : check_clock_scan_cell);
    if (!c) {
        if (code == CELL_I && r && r->i_cell)
            c = checked_cell(r->i_cell, check_input_scan_cell);
        else if (code > CELL_I)
            c = configured(INPUT_SCAN, CLOCK_SCAN);
        else if (not_clock && is_bs_buffer(b))
            c = bs_buffer_cell(b);
        else
            c = not_clock ? configured(INPUT_SCAN, CLOCK_SCAN) : configured(CLOCK_SCAN, INPUT_SCAN);
    }
    if (!c) no_input_scan(signal.c_str());
    OPIN_TAB[row].kind = not_clock ? PAD_INPUT : PAD_CLOCK;
    OPIN_TAB[row].cell = c;
}

void save_output_scan_tab(BufferEntry* b, int row, int port) {
    std::string signal = OPIN_TAB[row].signal;
    int obj = OPIN_TAB[row].object;
    if (!b && (JTAG_OPTION[OPT_ADD_PAD] || JTAG_OPTION[OPT_NO_PAD])) note_padless_port(port, signal.c_str(), true);
    int t = 2;  // output class: 1 data through the enable, 2 two-state, 3 three-state
    if (is_plain_or_bs(b)) {
        int polarity = enable_polarity_of(row);
        const char* data = nullptr;
        if (!b->en_l && !b->en_h) {
            if (!b->input) {
                qdx_exit_printf(-1, "ERROR: (%s) can't find %%INPUT in %%BUFFER  %s.\n\n", lib_file(), b->name);
            }
            data = b->input;
        } else if (!b->input) {
            t = 1;
            data = bsnames::enable_pin(b, polarity);
        } else {
            // An enable pin that names the data input is no enable.
            if (polarity != PAD_EN_HIGH && bsnames::same(b->en_l, b->input)) desc_free_text(&b->en_l);
            if (polarity != PAD_EN_LOW && bsnames::same(b->en_h, b->input)) desc_free_text(&b->en_h);
            t = b->en_l || b->en_h ? 3 : 2;
            data = b->input;
        }
        std::string net = verify_obj_pin_name(obj, data, SDB_DIR_INPUT);
        if (net.empty()) pin_not_in_design("INPUT", "%BUFFER", data, b->name, signal.c_str());
        set_text(OPIN_TAB[row].core_net, net.c_str());
        set_text(OPIN_TAB[row].pin_from_core, data);
    } else if (is_differential(b)) {
        if (!b->input) {
            qdx_exit_printf(-1, "ERROR: (%s) can't find %%INPUT in DIFFERENTIAL BUFFER %s.\n\n", lib_file(),
                       OPIN_TAB[row].pad_cell);
        }
        if (!b->output || !b->output_m) {
            qdx_exit_printf(-1, "ERROR: (%s) can't find %%OUTPUT_P or %%OUTPUT_M in DIFFERENTIAL BUFFER %s. \n\n", lib_file(),
                       OPIN_TAB[row].pad_cell);
        }
        t = b->en_l || b->en_h ? 3 : 2;
        std::string pin = reached_pin(port, signal.c_str());
        if (bsnames::same(pin.c_str(), b->output_m)) return;  // the other leg of the pair
        if (!bsnames::same(pin.c_str(), b->output)) {
            qdx_exit_printf(-1, "ERROR: the %s pin specified in netlist, but can not be found in DIFFERENTIAL BUFFER %s\n ",
                       pin.c_str(), b->name);
        }
        std::string net = verify_obj_pin_name(obj, b->input, SDB_DIR_INPUT);
        if (net.empty()) pin_not_in_design("INPUT", "DIFFERENTIAL BUFFER", b->input, b->name, signal.c_str());
        set_text(OPIN_TAB[row].core_net, net.c_str());
        set_text(OPIN_TAB[row].pin_from_core, b->input);
    } else if (!OUTPUT_BUFFER && JTAG_OPTION[OPT_ADD_PAD]) {
        qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%OUTPUT_BUFFER\n       in file '%s'.\n\n",
                   bsc_file());
    }

    if (b && (b->mux_in1 || b->mode1)) {
        require_pair(b, b->mux_in1, "MUX_IN1", b->mode1, "MODE_1", "output");
        ScanCellEntry* c = requested_cell(row, check_output_mux_scan);
        if (!c) c = configured(OUTPUT_MUX_SCAN, nullptr);
        if (!c) {
            qdx_printf("ERROR: can't find %%OUTPUT_MUX_SCAN in file '%s'.\n", bsc_file());
            qdx_exit_printf(-1, "       Need OUTPUT_MUX_SCAN to connect to output port '%s'.\n\n", signal.c_str());
        }
        PadEntry& p = OPIN_TAB[row];
        p.kind = t == 1 ? PAD_MUX_OUTPUT_EN : t == 2 ? PAD_MUX_OUTPUT2 : PAD_MUX_OUTPUT3;
        // An enable-driven output with a second data input gets no cell
        // either (see the mux clock pad above).
        p.cell = p.kind == PAD_MUX_OUTPUT_EN ? nullptr : c;
        p.mode1_net = net_on(obj, b->mode1, SDB_DIR_INPUT);
        p.mux_in1_net = net_on(obj, b->mux_in1, SDB_DIR_INPUT);
    } else {
        ScanCellEntry* c = requested_cell(row, check_output_scan_cell);
        if (!c && is_bs_buffer(b)) c = bs_buffer_cell(b);
        if (!c) c = configured(OUTPUT_SCAN, nullptr);
        if (!c) {
            qdx_printf("ERROR: can't find %%OUTPUT_SCAN in file '%s'.\n", bsc_file());
            qdx_exit_printf(-1, "       Need OUTPUT SCAN to connect to output port '%s'.\n\n", signal.c_str());
        }
        OPIN_TAB[row].kind = t == 1 ? PAD_OUTPUT_EN : t == 2 ? PAD_OUTPUT2 : PAD_OUTPUT3;
        OPIN_TAB[row].cell = c;
    }
    if (b && (b->en_l || b->en_h) && b->input) save_control_of_pad(b, row);
}

namespace {

// A pad's kind and its boundary cell.
struct PadChoice {
    int kind;
    ScanCellEntry* cell;
};

// The second data inputs of a bidirectional pad: each needs its mode pin,
// and the nets on them are noted in the pad's row.
void note_bidir_mux_nets(BufferEntry* b, int row, int obj) {
    require_pair(b, b->mux_in1, "MUX_IN1", b->mode1, "MODE_1", "bidi");
    require_pair(b, b->mux_in2, "MUX_IN2", b->mode2, "MODE_2", "bidi");
    PadEntry& p = OPIN_TAB[row];
    if (b->mux_in1) {
        p.mode1_net = net_on(obj, b->mode1, SDB_DIR_INPUT);
        p.mux_in1_net = net_on(obj, b->mux_in1, SDB_DIR_INPUT);
    }
    if (b->mux_in2) {
        p.mode2_net = net_on(obj, b->mode2, SDB_DIR_INPUT);
        p.mux_in2_net = net_on(obj, b->mux_in2, SDB_DIR_INPUT);
    }
    if (b->mux_out) p.mux_out_net = net_on(obj, b->mux_out, SDB_DIR_OUTPUT);
}

// The pad kind and boundary cell of a bidirectional pad from the sides
// that carry data: a bidirectional cell (or an input and an output cell)
// for both, an output or an input cell for one, their mux forms where the
// buffer has second data inputs.  Ends the run when the configuration
// names no fitting cell.
PadChoice choose_bidir_cell(BufferEntry* b, int row, bool drive_live, bool receive_live, const std::string& signal) {
    int kind = PAD_NO_CELL;
    ScanCellEntry* c = nullptr;
    if (drive_live && receive_live) {
        if (!b->mux_in1) {
            c = requested_cell(row, check_bidir_scan_cell_after_open_sdb);
            kind = PAD_BIDIR;
            if (!c && is_bs_buffer(b)) c = bs_buffer_cell(b);
            if (!c && BIDIR_SCAN) c = library_cell(BIDIR_SCAN);
            if (!c && INPUT_SCAN && OUTPUT_SCAN) {
                c = library_cell(OUTPUT_SCAN);
                kind = PAD_INOUT;
            }
            if (!c) missing_bidir_cell("BIDIR_SCAN", "BIDIR_SCAN", signal.c_str());
        } else {
            bool two = b->mux_in2 != nullptr;
            c = requested_cell(row, check_bidir_mux_scan_cell);
            kind = two ? PAD_MUX_BIDIR2 : PAD_MUX_BIDIR1;
            if (!c && BIDIR_MUX_SCAN) c = library_cell(BIDIR_MUX_SCAN);
            if (!c && (two ? INPUT_MUX_SCAN : INPUT_SCAN) && OUTPUT_MUX_SCAN) {
                c = library_cell(OUTPUT_MUX_SCAN);
                kind = two ? PAD_MUX_INOUT2 : PAD_MUX_INOUT1;
            }
            if (!c) {
                qdx_printf("ERROR: can't find %%BIDI_MUX_SCAN in file '%s'.\n", bsc_file());
                qdx_exit_printf(-1, "       Need BIDIR_MUX_SCAN to connect to bidir port '%s'.\n\n", signal.c_str());
            }
        }
    } else if (drive_live) {
        if (!b->mux_in1) {
            if (is_bs_buffer(b)) {
                c = bs_buffer_cell(b);
                kind = PAD_BIDIR;
            } else if (OUTPUT_SCAN) {
                c = library_cell(OUTPUT_SCAN);
                kind = PAD_OUTPUT3;
            } else {
                missing_bidir_cell("OUTPUT_SCAN", "OUTPUT_SCAN", signal.c_str());
            }
        } else if (OUTPUT_MUX_SCAN) {
            c = library_cell(OUTPUT_MUX_SCAN);
            kind = PAD_MUX_OUTPUT3;
        } else {
            missing_bidir_cell("OUTPUT_MUX_SCAN", "OUTPUT_MUX_SCAN", signal.c_str());
        }
    } else {
        if (!b->mux_in2) {
            if (is_bs_buffer(b)) {
                c = bs_buffer_cell(b);
                kind = PAD_BIDIR;
            } else if (INPUT_SCAN) {
                c = library_cell(INPUT_SCAN);
                kind = PAD_INPUT;
            } else {
                missing_bidir_cell("INPUT_SCAN", "INPUT_SCAN", signal.c_str());
            }
        } else if (INPUT_MUX_SCAN) {
            c = library_cell(INPUT_MUX_SCAN);
            kind = PAD_MUX_INPUT;
        } else {
            missing_bidir_cell("INPUT_MUX_SCAN", "INPUT_MUX_SCAN", signal.c_str());
        }
    }
    return {kind, c};
}

}  // namespace

void save_bidir_scan_tab(BufferEntry* b, int row, int port) {
    std::string signal = OPIN_TAB[row].signal;
    int obj = OPIN_TAB[row].object;
    if (b && !b->input && !b->output) {
        qdx_printf("ERROR: (%s) can't find %%INPUT or %%OUTPUT in %%BUFFER %s,\n", lib_file(), b->name);
        qdx_exit_printf(-1, "       while tracing bidirectional port '%s'.\n\n", signal.c_str());
    }
    if (b && !b->en_l && !b->en_h) {
        qdx_printf("ERROR: (%s) can't find %%EN_L or %%EN_H in %%BUFFER %s,\n", lib_file(), b->name);
        qdx_exit_printf(-1, "       while tracing bidirectional port '%s'.\n\n", signal.c_str());
    }
    // Drive side: the data from the core to the pad.
    std::string drive;
    if (b && b->input) {
        drive = verify_obj_pin_name(obj, b->input, SDB_DIR_INPUT);
        if (!drive.empty()) {
            set_text(OPIN_TAB[row].pin_from_core, b->input);
        } else {
            qdx_printf("WARNING: (%s) %%INPUT %s of %%BUFFER %s which connects to\n", lib_file(), b->input, b->name);
            qdx_printf("         port '%s' is floating.\n", signal.c_str());
            qdx_printf("         Output boundary scan cell won't be inserted on this port.\n\n");
        }
    }
    // Receive side: the data from the pad to the core.
    std::string receive;
    int receive_node = -1;
    if (b && b->output && cell_code_of(row) != CELL_I_ONLY) {
        receive_node = search_inode_connected_to_obj(obj, b->output, SDB_DIR_OUTPUT);
        if (receive_node < 0) pin_not_in_design("OUTPUT", "%BUFFER", b->output, b->name, signal.c_str());
        int net = bsnames::node_net(receive_node);
        const char* name = net >= 0 ? bsnames::net_name(net) : nullptr;
        if (!name) {
            qdx_printf("WARNING: (%s) %%OUTPUT %s of %%BUFFER %s which connects to\n", lib_file(), b->output, b->name);
            qdx_printf("         port '%s' is floating.\n", signal.c_str());
            qdx_printf("         Input boundary scan cell won't be inserted on this port.\n\n");
            receive_node = -1;
        } else {
            receive = name;
            set_text(OPIN_TAB[row].pin_to_core, b->output);
        }
    }
    bool drive_live = !drive.empty();
    bool receive_live = !receive.empty();
    if (!drive_live && !receive_live) {
        if (JTAG_OPTION[OPT_ADD_PAD]) {
            ScanCellEntry* c = configured(OUTPUT_SCAN, nullptr);
            if (!c) missing_bidir_cell("OUTPUT_SCAN", "OUTPUT_SCAN", signal.c_str());
            OPIN_TAB[row].kind = PAD_INOUT;
            OPIN_TAB[row].cell = c;
            // The pad that the cell writer adds drives the pin exactly when
            // the core drove it before.
            if (!b) OPIN_TAB[row].core_drives = note_padless_port(port, signal.c_str(), false) ? 1 : 0;
            return;
        }
        qdx_printf("ERROR: (%s) %%OUTPUT %s and %%INPUT %s in %%BUFFER %s\n", lib_file(),
                   or_text(b ? b->output : nullptr, ""), or_text(b ? b->input : nullptr, ""), b ? b->name : "");
        qdx_printf("       are both floating.\n");
        qdx_exit_printf(-1, "       Can't insert boundary scan on port '%s'.\n\n", signal.c_str());
    }
    std::string core = drive_live && receive_live ? drive + "," + receive : drive_live ? drive : receive;
    set_text(OPIN_TAB[row].core_net, core.c_str());
    if (receive_live && merged_receive(receive_node, port)) receive_live = false;

    note_bidir_mux_nets(b, row, obj);

    auto [kind, c] = choose_bidir_cell(b, row, drive_live, receive_live, signal);
    OPIN_TAB[row].kind = kind;
    OPIN_TAB[row].cell = c;
    if (drive_live && !bsnames::same(b->en_l, b->input) && !bsnames::same(b->en_h, b->input))
        save_control_of_pad(b, row);
}

void save_OPIN_TAB_for_adding_scan_cell_internal(int row) {
    std::string signal = OPIN_TAB[row].signal;
    size_t open = signal.find('{');
    size_t close = open == std::string::npos ? std::string::npos : signal.find('}', open + 1);
    std::string inst = open == std::string::npos ? "" : signal.substr(0, open);
    std::string pin = close == std::string::npos ? "" : signal.substr(open + 1, close - open - 1);
    if (inst.empty() || pin.empty()) {
        qdx_exit_printf(-1, "ERROR: can not get instance name or pin name in '%s' of pin file.\n", signal.c_str());
    }
    int obj = SDB_lookup_obj(inst.c_str());
    if (obj < 0) {
        qdx_exit_printf(-1, "ERROR: can not find instance '%s' in '%s' file.\n", inst.c_str(), design_file());
    }
    OPIN_TAB[row].object = obj;
    set_text(OPIN_TAB[row].pad_cell, bsnames::class_name(obj));
    int node = -1;
    for (int n = obj_tab[obj].first_node; bsnames::valid_node(n) && node_tab[n].object == obj; ++n) {
        const char* name = SDB_pin_name(n);
        if (name && STR_ucomp(name, pin.c_str()) == 0) {
            node = n;
            break;
        }
    }
    if (node < 0) {
        qdx_exit_printf(-1, "ERROR: can not find port '%s' in instance '%s'.\n", pin.c_str(), inst.c_str());
    }
    const char* design_pin = SYM_get(sym_tab, pin_tab[node_tab[node].pin].name);
    int direction = pin_tab[node_tab[node].pin].direction & 3;
    get_hier_class_and_inst_name(row, obj);
    PadEntry& p = OPIN_TAB[row];
    set_text(p.suffix, bs_pin_direction(p.pin));
    p.kind = PAD_INTERNAL;
    set_text(p.core_net, bsnames::net_name(bsnames::node_net(node)));
    if (direction == SDB_DIR_INPUT) {
        set_text(p.pin_from_core, design_pin);
    } else if (direction == SDB_DIR_OUTPUT) {
        set_text(p.pin_to_core, design_pin);
    } else {
        qdx_exit_printf(-1, "ERROR: can't support inout port '%s' now.\n", signal.c_str());
    }
    const PinListEntry* r = pin_row_of(row);
    if (r && bsnames::same(r->io_name, "INTERNAL")) {
        if (!INTERNAL_SCAN) {
            qdx_printf("ERROR: can't find %%INTERNAL_SCAN in file '%s'.\n", bsc_file());
            qdx_exit_printf(-1, "       Need INTERNAL SCAN to connect to internal port '%s'.\n\n", signal.c_str());
        }
        OPIN_TAB[row].cell = library_cell(INTERNAL_SCAN);
    } else {
        if (!OBSERVE_ONLY_SCAN) {
            qdx_printf("ERROR: can't find %%OBSERVE_ONLY_SCAN in file '%s'.\n", bsc_file());
            qdx_exit_printf(-1, "       Need OBSERVE_ONLY SCAN to connect to internal port '%s'.\n\n", signal.c_str());
        }
        OPIN_TAB[row].cell = library_cell(OBSERVE_ONLY_SCAN);
    }
}

// ------------------------------------------------ the pad table of the run

void bs_build_pad_table() {
    added_inout_ports.clear();
    bs_create_multi_io_tab();
    check_pin_signal_inv_buf();
    open_sdb_file(MODULE_C_SDB.c_str());
    bscan_init();
    check_necessary_fields();
    produce_opin_control_tab();  // closes the cell-level design
    check_added_inout_ports();
    arrange_opin_tab_from_tdo();
    setup_driving_control_cell_and_highz_buf();
    bs_reset_standard_port_ptr_of_TAP();
}

void bs_no_boundary_register() {
    // Without a boundary cell there is no boundary register to insert.
    qdx_printf("ERROR: no pin of the pin list '%s' gets a boundary-scan cell;\n", PIN_FILE ? PIN_FILE : "");
    qdx_exit_printf(-1, "       there is no boundary register to insert.\n\n");
}

void bs_not_available(const std::string& what) {
    qdx_exit_printf(-1, "ERROR: %s is not available in this version.\n\n", what.c_str());
}
