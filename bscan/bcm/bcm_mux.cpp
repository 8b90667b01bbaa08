// Internal and observe-only points and mux pads on the -add_bcm road.
//
// Their cells sit in the boundary-cell module like every other cell, so
// they lie on the boundary register that the module holds; the top
// design's command file wires the module's pins where the default road
// wires a cell's own pins:
//   internal point   BCELL<n>_IN observes the point, BCELL<n>_OUT (when
//                    the cell has DATA_OUT) takes over its load;
//   mux pad          BCELL<n>_IN observes the pad's data, BCELL<n>_UPD_OUT
//                    drives an open or tied mux input of the pad buffer
//                    (MUX_IN1 on the output side, MUX_IN2 on the input
//                    side), BCELL<n>_MUX_DATA_IN takes an open or tied
//                    MUX_OUT, and BCELL<n>_MODE1 / _MODE2 drive the
//                    buffer's open or tied MODE_1 / MODE_2 pin from the
//                    module's mode trees;
//   bidirectional    BCELL<n>_DATA_OUT takes over the core's load of the
//   mux pad          pad, BCELL<n>_PAD_IN the pad's data, BCELL<n>_DATA_IN
//                    observes the core's data.
// A mux pin or mode pin that lies on a signal net is left alone, and the
// cell gets no port for it.  A port without a pad (-no_pad) stands for
// its pad: its cell sits between the port and the port's former partner.
// A pad that carries its own cell (%BS_BUFFER) keeps it; the module
// passes its chain through the ports BCELL<n>_TDO (from the pad) and
// BCELL<n>_TDI (to the pad) and drives its control pins through ports
// named after them (BCELL<n>_SHIFT_DR, ...).
#include "bscan/bcm/bcm_mux.h"

#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "jtag/insertion_facts.h"
#include "bscan/insertion_internal.h"
#include "bscan/pad_trace.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"
#include "sdb/sdb.h"

using bsnames::or_text;
using bstrace::Partner;
using bstrace::pin_of;

namespace {

// A pin of the pad buffer that the module takes over: present, and open
// (-1) or tied to a constant (0 GND, 1 VCC).
bool open_or_tied(const char* pin, int net) { return pin && *pin && net < 2; }

const BufferEntry* buffer_of(const PadEntry& p) { return p.buffer; }

const char* mux_in1(const PadEntry& p) { return buffer_of(p) ? buffer_of(p)->mux_in1 : nullptr; }
const char* mux_in2(const PadEntry& p) { return buffer_of(p) ? buffer_of(p)->mux_in2 : nullptr; }
const char* mux_out(const PadEntry& p) { return buffer_of(p) ? buffer_of(p)->mux_out : nullptr; }
const char* mode1(const PadEntry& p) { return buffer_of(p) ? buffer_of(p)->mode1 : nullptr; }
const char* mode2(const PadEntry& p) { return buffer_of(p) ? buffer_of(p)->mode2 : nullptr; }

bool two_cells(const PadEntry& p) { return p.kind == PAD_MUX_INOUT1 || p.kind == PAD_MUX_INOUT2; }

// Which of the pad's cells take which mux and mode pins: a pad with one
// cell gives it both sides; of a pair the output part takes MUX_IN1 and
// MODE_1, the input part MUX_IN2 and MODE_2.
bool takes_side1(const PadEntry& p, BcmRole role) {
    return p.kind != PAD_MUX_INPUT && (!two_cells(p) || role == BcmRole::OutputPart);
}
bool takes_side2(const PadEntry& p, BcmRole role) {
    if (two_cells(p)) return role == BcmRole::InputPart && p.kind == PAD_MUX_INOUT2;
    return p.kind != PAD_INTERNAL;
}

// The mux pin that the cell's UPDATE_DR_OUT drives: MUX_IN1 on the output
// side, MUX_IN2 for a mux input and the input part of a pair.
struct MuxPin {
    const char* pin = nullptr;
    int net = -1;
    const char* word = "";
};

MuxPin update_target(const PadEntry& p, BcmRole role) {
    if (p.kind == PAD_MUX_INPUT || (two_cells(p) && role == BcmRole::InputPart)) {
        if (p.kind == PAD_MUX_INOUT1) return {};
        return {mux_in2(p), p.mux_in2_net, "MUX_IN2"};
    }
    return {mux_in1(p), p.mux_in1_net, "MUX_IN1"};
}

// The ports of one mux cell, in module order.
std::vector<BcmPort> mux_ports(const PadEntry& p, BcmRole role, const ScanCellEntry* c) {
    std::vector<BcmPort> ports;
    const bool bidir = (p.kind == PAD_MUX_BIDIR1 || p.kind == PAD_MUX_BIDIR2) && role == BcmRole::Data;
    if (bidir) {
        if (c->sys_in) ports.push_back(BcmPort::DataOut);
        if (c->sys_pin) ports.push_back(BcmPort::PadIn);
        if (c->data_in) ports.push_back(BcmPort::DataIn);
    } else if (c->data_in) {
        ports.push_back(BcmPort::In);
    }
    const MuxPin target = update_target(p, role);
    if (c->update_dr_out && open_or_tied(target.pin, target.net)) ports.push_back(BcmPort::UpdOut);
    if (bidir && c->mux_data_in && open_or_tied(mux_out(p), p.mux_out_net)) ports.push_back(BcmPort::MuxDataIn);
    if (takes_side1(p, role) && open_or_tied(mode1(p), p.mode1_net)) ports.push_back(BcmPort::Mode1);
    if (takes_side2(p, role) && open_or_tied(mode2(p), p.mode2_net)) ports.push_back(BcmPort::Mode2);
    return ports;
}

// The input part of a mux pair: of PAD_MUX_INOUT1 the input cell
// (INPUT_SCAN, else CLOCK_SCAN), of PAD_MUX_INOUT2 the input mux cell
// (INPUT_MUX_SCAN, else CLOCK_MUX_SCAN).
ScanCellEntry* input_part(const PadEntry& p) {
    const char* first = p.kind == PAD_MUX_INOUT2 ? INPUT_MUX_SCAN : INPUT_SCAN;
    const char* second = p.kind == PAD_MUX_INOUT2 ? CLOCK_MUX_SCAN : CLOCK_SCAN;
    ScanCellEntry* c = first ? get_scan_cell(first) : nullptr;
    if (!c && second) c = get_scan_cell(second);
    return c;
}

bool input_part_is_first(const PadEntry& p) {
    return (p.kind == PAD_MUX_INOUT2 ? INPUT_MUX_SCAN : INPUT_SCAN) != nullptr &&
           get_scan_cell(p.kind == PAD_MUX_INOUT2 ? INPUT_MUX_SCAN : INPUT_SCAN) != nullptr;
}

std::string module_pin(const BcmCell& c, BcmPort port) {
    return pin_of(bcm_module_name(), bcm_cell_port(c.number, port));
}

bool has(const BcmCell& c, BcmPort port) {
    for (BcmPort q : c.ports)
        if (q == port) return true;
    return false;
}

void connect(FILE* fp, const std::string& a, const std::string& b) {
    std::fprintf(fp, "connect %s %s\n", a.c_str(), b.c_str());
}

void disconnect(FILE* fp, const std::string& end) { std::fprintf(fp, "disconnect %s\n", end.c_str()); }

// A pad-buffer pin that a module port takes over: a tied pin leaves its
// constant first, with the warning of the default road.
void take_over(FILE* fp, const PadEntry& p, const char* pin, int net, const char* word, const BcmCell& c,
               BcmPort port) {
    if (!has(c, port)) return;
    const std::string inst = or_text(p.pad_instance, "");
    if (net == 0 || net == 1) {
        qdx_printf("WARNING: Pin %%%s of pad '%s'(%s) connected to %s.\n", word, inst.c_str(), or_text(p.pad_cell, ""),
                   net == 0 ? "GND" : "VCC");
        qdx_printf("         %%%s '%s' will be disconnected and reconnected\n", word, pin);
        qdx_printf("         to scan cell '%s'.\n", STR_format("BCELL%d", c.number).c_str());
        disconnect(fp, pin_of(inst, pin));
    }
    connect(fp, module_pin(c, port), pin_of(inst, pin));
}

// The mux and mode pins of the pad buffer that the cell's ports take.
void mux_pins(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const MuxPin target = update_target(p, c.role);
    if (target.pin) take_over(fp, p, target.pin, target.net, target.word, c, BcmPort::UpdOut);
    if (mux_out(p)) take_over(fp, p, mux_out(p), p.mux_out_net, "MUX_OUT", c, BcmPort::MuxDataIn);
    if (mode1(p)) take_over(fp, p, mode1(p), p.mode1_net, "MODE_1", c, BcmPort::Mode1);
    if (mode2(p)) take_over(fp, p, mode2(p), p.mode2_net, "MODE_2", c, BcmPort::Mode2);
}

// An internal or observe-only point: the cell observes the point and,
// with DATA_OUT, sits between it and its partner.
void internal_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const std::string inst = or_text(p.pad_instance, "");
    const bool output = p.pin_to_core != nullptr;
    const std::string pin = or_text(output ? p.pin_to_core : p.pin_from_core, "");
    const std::string end = pin_of(inst, pin);
    if (!has(c, BcmPort::Out)) {
        connect(fp, module_pin(c, BcmPort::In), end);
        return;
    }
    const int obj = SDB_lookup_obj(inst.c_str());
    const int node =
        obj >= 0 ? search_inode_connected_to_obj(obj, pin.c_str(), output ? SDB_DIR_OUTPUT : SDB_DIR_INPUT) : -1;
    const Partner partner = node >= 0 ? bstrace::other_end_of_object(node, obj) : Partner{};
    if (partner.kind == Partner::NONE) qdx_exit_printf(-1, "ERROR: pin '%s' is floating.\n", or_text(p.signal, ""));
    if (partner.kind == Partner::PORT) {
        qdx_printf(output ? "WARNING:  '%s' connect to output " : "WARNING:  '%s' connect to input ",
                   or_text(p.signal, ""));
        qdx_printf("port '%s' directly.\n\n", partner.text.c_str());
    }
    disconnect(fp, end);
    if (output) {
        connect(fp, module_pin(c, BcmPort::Out), partner.text);
        connect(fp, module_pin(c, BcmPort::In), end);
    } else {
        connect(fp, module_pin(c, BcmPort::Out), end);
        connect(fp, module_pin(c, BcmPort::In), partner.text);
    }
}

// A mux bidirectional pad with one cell: the cell takes over the core's
// load of the pad, sees the pad and observes the core's data.
void mux_bidir_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const std::string inst = or_text(p.pad_instance, "");
    const std::string to_core = pin_of(inst, or_text(p.pin_to_core, ""));
    if (has(c, BcmPort::DataOut)) {
        const int obj = SDB_lookup_obj(inst.c_str());
        const int node = obj >= 0 && p.pin_to_core ? search_inode_connected_to_obj(obj, p.pin_to_core, SDB_DIR_OUTPUT) : -1;
        const Partner partner = node >= 0 ? bstrace::other_end_of_object(node, obj) : Partner{};
        if (partner.kind == Partner::NONE) bstrace::floating("Bidirectional", inst.c_str(), p.signal);
        disconnect(fp, to_core);
        connect(fp, module_pin(c, BcmPort::DataOut), partner.text);
    }
    if (has(c, BcmPort::PadIn)) connect(fp, module_pin(c, BcmPort::PadIn), to_core);
    if (has(c, BcmPort::DataIn)) connect(fp, module_pin(c, BcmPort::DataIn), pin_of(inst, or_text(p.pin_from_core, "")));
}

}  // namespace

bool bcm_mux_road(const PadEntry& p) { return p.kind >= PAD_INTERNAL && p.kind <= PAD_MUX_INOUT2; }

bool bcm_mux_carries_control(const PadEntry& p) {
    return p.kind == PAD_MUX_OUTPUT3 || p.kind == PAD_MUX_BIDIR1 || p.kind == PAD_MUX_BIDIR2 ||
           p.kind == PAD_MUX_INOUT1 || p.kind == PAD_MUX_INOUT2;
}

void bcm_mux_cells_of_pad(const PadEntry& p, const BcmAddCell& add) {
    ScanCellEntry* c = p.cell;
    switch (p.kind) {
        case PAD_INTERNAL: {
            std::vector<BcmPort> ports;
            if (c->data_in) ports.push_back(BcmPort::In);
            if (c->data_out) ports.push_back(BcmPort::Out);
            add(BcmRole::Data, c, std::move(ports));
            return;
        }
        case PAD_MUX_INPUT:
        case PAD_MUX_OUTPUT2:
        case PAD_MUX_OUTPUT3:
        case PAD_MUX_BIDIR1:
        case PAD_MUX_BIDIR2: add(BcmRole::Data, c, mux_ports(p, BcmRole::Data, c)); return;
        case PAD_MUX_INOUT1:
        case PAD_MUX_INOUT2: {
            ScanCellEntry* in = input_part(p);
            if (in) add(BcmRole::InputPart, in, mux_ports(p, BcmRole::InputPart, in));
            add(BcmRole::OutputPart, c, mux_ports(p, BcmRole::OutputPart, c));
            return;
        }
        default: return;  // PAD_MUX_CLOCK and PAD_MUX_OUTPUT_EN get no cell
    }
}

void bcm_mux_settle_mode_pins(const BcmModule& module) {
    struct Mode {
        BcmPort port;
        int* flag;
        const char** tap_pin;
        char* TapCellEntry::*field;
        const char* word;
    } modes[] = {{BcmPort::Mode1, &BCELL_MODE1, &TAP_MODE1_PIN, &TapCellEntry::mode1, "MODE_1"},
                 {BcmPort::Mode2, &BCELL_MODE2, &TAP_MODE2_PIN, &TapCellEntry::mode2, "MODE_2"}};
    for (const BcmCell& c : module.cells)
        for (const Mode& m : modes) {
            bool needs = false;
            for (BcmPort q : c.ports) needs = needs || q == m.port;
            if (!needs) continue;
            const char* tap = TAP_CONTR ? TAP_CONTR->*m.field : nullptr;
            if (!tap || !*tap) bs_no_tap_mode_pin(m.word, OPIN_TAB[c.pad].pad_instance);
            if (!*m.tap_pin || !**m.tap_pin) *m.tap_pin = without_low_mark(tap);
            *m.flag = 1;
        }
}

void bcm_mux_count_cell(const PadEntry& p, const BcmCell& c) {
    switch (p.kind) {
        case PAD_INTERNAL: ++INTERNAL_SCAN_COUNT; return;
        case PAD_MUX_INPUT: ++INPUT_MUX_SCAN_COUNT; return;
        case PAD_MUX_BIDIR1:
        case PAD_MUX_BIDIR2: ++BIDIR_MUX_SCAN_COUNT; return;
        case PAD_MUX_INOUT1:
        case PAD_MUX_INOUT2:
            if (c.role == BcmRole::InputPart) {
                const bool first = input_part_is_first(p);
                if (p.kind == PAD_MUX_INOUT2)
                    ++(first ? INPUT_MUX_SCAN_COUNT : CLK_MUX_SCAN_COUNT);
                else
                    ++(first ? INPUT_SCAN_COUNT : CLK_SCAN_COUNT);
                return;
            }
            ++OUTPUT_MUX_SCAN_COUNT;
            return;
        default: ++OUTPUT_MUX_SCAN_COUNT; return;
    }
}

void bcm_mux_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    if (p.kind == PAD_INTERNAL) {
        internal_lines(fp, p, c);
        return;
    }
    const std::string inst = or_text(p.pad_instance, "");
    if (p.kind == PAD_MUX_BIDIR1 || p.kind == PAD_MUX_BIDIR2) {
        mux_bidir_lines(fp, p, c);
    } else if (has(c, BcmPort::In)) {
        // The cell observes the pad's data: towards the core on the input
        // side, from the core on the output side.
        const bool input_side = p.kind == PAD_MUX_INPUT || c.role == BcmRole::InputPart;
        const std::string end = pin_of(inst, or_text(input_side ? p.pin_to_core : p.pin_from_core, ""));
        connect(fp, module_pin(c, BcmPort::In), end);
    }
    mux_pins(fp, p, c);
}

bool bcm_port_stands_for_pad(const PadEntry& p) {
    return !p.pad_instance && !JTAG_OPTION[OPT_ADD_PAD] &&
           (p.kind == PAD_CLOCK || p.kind == PAD_INPUT || p.kind == PAD_OUTPUT2);
}

void bcm_port_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const char* port = or_text(p.signal, "");
    const bool input = p.kind == PAD_CLOCK || p.kind == PAD_INPUT;
    const Partner partner = bstrace::port_partner(port);
    if (partner.kind == Partner::NONE) bstrace::floating(input ? "Input" : "Output", port, port);
    if (input) {
        if (has(c, BcmPort::Out)) {
            disconnect(fp, port);
            connect(fp, module_pin(c, BcmPort::Out), partner.text);
        }
        if (has(c, BcmPort::In)) connect(fp, module_pin(c, BcmPort::In), port);
        return;
    }
    disconnect(fp, port);
    if (has(c, BcmPort::Out)) connect(fp, module_pin(c, BcmPort::Out), port);
    if (has(c, BcmPort::In)) connect(fp, module_pin(c, BcmPort::In), partner.text);
}

bool bcm_pad_carries_cell(const PadEntry& p) {
    return p.buffer && p.buffer->kind == BUFFER_BS && p.cell && p.pad_instance && p.kind >= PAD_CLOCK &&
           p.kind <= PAD_BIDIR;
}

std::vector<BcmPort> bcm_pad_cell_ports(const PadEntry& p) {
    const ScanCellEntry& c = *p.cell;
    // The scan ports always: a cell without its scan pins is refused
    // when the module is written.
    std::vector<BcmPort> ports = {BcmPort::PadScanIn, BcmPort::PadScanOut};
    for (BcmPort q : {BcmPort::PadShift, BcmPort::PadClock,
                      BcmPort::PadUpdate, BcmPort::PadHighz, BcmPort::PadMode1, BcmPort::PadMode2,
                      BcmPort::PadMode3, BcmPort::PadReset})
        if (bcm_port_pin(c, q)) ports.push_back(q);
    if (JTAG_OPTION[OPT_SYNCH] && c.tck) ports.push_back(BcmPort::PadTck);
    return ports;
}

void bcm_pad_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const std::string inst = or_text(p.pad_instance, "");
    const int obj = SDB_lookup_obj(inst.c_str());
    for (BcmPort q : c.ports) {
        const char* pin = bcm_port_pin(*c.cell, q);
        // The module drives these pins alone: a tie or net leaves them.
        const int dir = q == BcmPort::PadScanIn ? SDB_DIR_OUTPUT : SDB_DIR_INPUT;
        if (obj >= 0 && search_inet_connected_to_obj(obj, pin, dir) >= 0) disconnect(fp, pin_of(inst, pin));
        connect(fp, module_pin(c, q), pin_of(inst, pin));
    }
}
