// The pads of the TAP's standard ports in the pad table: which pad
// carries which TAP signal, the nets between pad and core, and whether
// the TDO pad's data or enable input is tied to a constant.
#include <cstring>
#include <string>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

using bsnames::or_text;
using bsnames::set_text;

namespace {

// Nets that the netlist expansion adds between a pad and the design.
constexpr const char* kExpandedNet = "QUENDAL_EXP_ADDED_NET";

struct TapPort {
    char* const* global;  // the configuration's port name
    int* index;
    PadEntry** record;
    bool tdo;
};

// In the order the pin-list names are matched.
const TapPort kPorts[] = {{&GLOBAL_TDO, &tdo_pin_indexG, &TAP_TDO_PIN_PTR, true},
                          {&GLOBAL_TDI, &tdi_pin_indexG, &TAP_TDI_PIN_PTR, false},
                          {&GLOBAL_TMS, &tms_pin_indexG, &TAP_TMS_PIN_PTR, false},
                          {&GLOBAL_TCK, &tck_pin_indexG, &TAP_TCK_PIN_PTR, false},
                          {&GLOBAL_TRST, &trst_pin_indexG, &TAP_TRST_PIN_PTR, false}};

[[noreturn]] void need_buffer(const char* keyword) {
    qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%%s\n       in file '%s'.\n\n", keyword, bsc_file());
}

bool expanded(int net) {
    const char* name = bsnames::net_name(net);
    return name && std::strncmp(name, kExpandedNet, std::strlen(kExpandedNet)) == 0;
}

// Looks through a net added by the netlist expansion: the first node on it
// that is not on the pad instance, when that instance is a buffer of the
// library, leads to the net on the buffer's other pin.  -1 when there is
// no such net.  The cell's name is only looked up, never changed.
int net_behind_expansion(int net, int pad_obj) {
    int guard = 0;
    for (int k = net_tab[net].first_node; bsnames::valid_node(k) && guard <= node_count; k = node_tab[k].next, ++guard) {
        int obj = node_tab[k].object;
        if (obj == pad_obj) continue;
        if (obj < 0 || !get_buffer(bsnames::class_name(obj))) return -1;
        for (int n = obj_tab[obj].first_node; bsnames::valid_node(n) && node_tab[n].object == obj; ++n)
            if (n != k) return node_tab[n].net;
        return -1;
    }
    return -1;
}

// A net of the TDO pad's pin, or, for a net that the netlist expansion
// added, the constant behind it (GND 0, VCC 1) when there is one.
int constant_behind(int net, int pad_obj) {
    if (!bsnames::valid_net(net) || !expanded(net)) return net;
    const int behind = net_behind_expansion(net, pad_obj);
    return behind == 0 || behind == 1 ? behind : net;
}

// The warning about the TDO pad's data pin tied to a constant: the pin
// leaves the constant (the TAP's %TDO pin drives it instead).
void tdo_data_tied(const char* pin, const char* instance) {
    qdx_printf("WARNING: Pin %%TDO '%s' was connected to GND or VCC.\n", or_text(GLOBAL_TDO, ""));
    qdx_printf("         %s of %s will be disconnected.\n", or_text(pin, ""), or_text(instance, ""));
}

// The TDO pad's enable tied to the level that turns the pad off, and no
// TAP pin to drive it instead.
[[noreturn]] void tdo_enable_tied_off(const char* enable, const char* instance, int net) {
    qdx_printf("ERROR: the enable %s of TDO pad '%s' is tied to %s, which keeps the pad off,\n", enable,
               or_text(instance, ""), net == 0 ? "GND" : "VCC");
    qdx_printf("       and %%TAP_CONTROLLER %s declares no %%TDO_EN pin to drive it\n", or_text(TAP_MODULE_NAME, ""));
    qdx_exit_printf(-1, "       in file '%s': the TAP could never be reached.\n\n", lib_file());
}

}  // namespace

void bs_save_OPIN_TAB_for_standard_port_of_TAP(int row, const char* name) {
    const TapPort* tp = nullptr;
    for (const TapPort& p : kPorts)
        if (*p.global && std::strcmp(name, *p.global) == 0) {
            tp = &p;
            break;
        }
    if (!tp) return;
    int port = SDB_nl_search_port(without_low_mark(name));
    *tp->index = row;
    OPIN_TAB[row].kind = tp->tdo ? PAD_OUTPUT3 : PAD_INPUT;
    if (port < 0) return;
    *tp->record = &OPIN_TAB[row];

    std::string signal = or_text(OPIN_TAB[row].signal, "");
    int node = get_node_connected_to_portnode(port);
    int obj = node_tab[node].object;
    OPIN_TAB[row].object = obj >= 0 ? obj : -1;
    set_text(OPIN_TAB[row].pad_cell, obj >= 0 ? bsnames::class_name(obj) : "*UNDEF*");
    BufferEntry* b = obj >= 0 ? get_buffer(OPIN_TAB[row].pad_cell) : nullptr;
    if (!b && !JTAG_OPTION[OPT_ADD_PAD] && !JTAG_OPTION[OPT_NO_PAD]) {
        const char* cell = OPIN_TAB[row].pad_cell;
        bsnames::unknown_buffer(cell, signal.c_str());
    }
    if (b) {
        OPIN_TAB[row].buffer = b;
        get_hier_class_and_inst_name(row, obj, true);
    }
    int direction = port_tab[port].direction & 3;
    int port_net = bsnames::node_net(port_tab[port].node);
    const char* data_pin = nullptr;
    if (tp->tdo || direction == SDB_DIR_OUTPUT) {
        if (b) {
            data_pin = b->input ? b->input : b->en_l ? b->en_l : b->en_h;
            if (!data_pin) {
                qdx_exit_printf(-1, "ERROR: (%s) can't find %%INPUT in %%BUFFER  %s.\n\n", lib_file(), b->name);
            }
            // An enable pin that names the data input is no enable.
            if (b->input && bsnames::same(b->en_l, b->input)) desc_free_text(&b->en_l);
            if (b->input && bsnames::same(b->en_h, b->input)) desc_free_text(&b->en_h);
            std::string net = verify_obj_pin_name(obj, data_pin, SDB_DIR_INPUT);
            if (net.empty()) {
                qdx_printf("ERROR: (%s) %%INPUT %s specified in %%BUFFER %s\n", lib_file(), data_pin, b->name);
                qdx_exit_printf(-1, "       can't be found in file '%s' while tracing port '%s'.\n\n", MODULE_C_SDB.c_str(),
                           signal.c_str());
            }
            set_text(OPIN_TAB[row].core_net, net.c_str());
            set_text(OPIN_TAB[row].pin_from_core, data_pin);
        } else if (direction == SDB_DIR_OUTPUT ? JTAG_OPTION[OPT_ADD_PAD] && !OUTPUT_BUFFER : !OUTPUT_BUFFER) {
            need_buffer("OUTPUT_BUFFER");
        }
    } else if (b) {
        if (!b->output) {
            qdx_exit_printf(-1, "ERROR: (%s) can't find %%OUTPUT in %%BUFFER %s\n\n", lib_file(), OPIN_TAB[row].pad_cell);
        }
        int out = search_inode_connected_to_obj(obj, b->output, SDB_DIR_OUTPUT);
        if (out < 0) {
            qdx_printf("ERROR: (%s) %%OUTPUT %s specified in %%BUFFER %s\n", lib_file(), b->output, b->name);
            qdx_exit_printf(-1, "       can't be found in file '%s' while tracing port '%s'.\n\n", MODULE_C_SDB.c_str(),
                       signal.c_str());
        }
        set_text(OPIN_TAB[row].core_net, bsnames::net_name(bsnames::node_net(out)));
        set_text(OPIN_TAB[row].pin_to_core, b->output);
    } else if (direction == SDB_DIR_INPUT ? (JTAG_OPTION[OPT_ADD_PAD] && INPUT_BUFFER) || JTAG_OPTION[OPT_NO_PAD]
                                          : INPUT_BUFFER != nullptr) {
        set_text(OPIN_TAB[row].core_net, bsnames::net_name(port_net));
    } else {
        need_buffer("INPUT_BUFFER");
    }
    if (!tp->tdo) return;

    // The net that feeds the TDO pad, and a constant on it.
    int feed = JTAG_OPTION[OPT_ADD_PAD] || JTAG_OPTION[OPT_NO_PAD] ? port_net
               : data_pin ? search_inet_connected_to_obj(obj, data_pin, SDB_DIR_INPUT)
                          : -1;
    if (bsnames::valid_net(feed)) set_text(OPIN_TAB[row].core_net, bsnames::net_name(feed));
    set_text(OPIN_TAB[row].suffix, OPIN_TAB[row].pad_instance);
    const int data_net = constant_behind(feed, obj);
    if (data_net == 0 || data_net == 1) {
        TAP_FLAG[TAP_FLAG_TDO_DATA] = data_net;
        tdo_data_tied(data_pin, OPIN_TAB[row].pad_instance);
    }

    // The TDO enable.
    if (!b) return;
    int polarity = PIN_TABLE[OPIN_TAB[row].pin]->pad_enable;
    const char* enable = bsnames::enable_pin(b, polarity);
    if (!enable) return;
    const int enable_net = constant_behind(search_inet_connected_to_obj(obj, enable, SDB_DIR_INPUT), obj);
    if (!TAP_TDO_EN_PIN) {
        // Nothing of the TAP can drive the enable: tied off, it keeps TDO
        // from ever driving.
        const bool active_low = bsnames::same(enable, b->en_l);
        if (enable_net == (active_low ? 1 : 0)) tdo_enable_tied_off(enable, OPIN_TAB[row].pad_instance, enable_net);
        return;
    }
    // A tied enable is noted silently: the TAP's %TDO_EN pin drives it.
    TAP_FLAG[TAP_FLAG_TDO_ENABLE] = enable_net;
}

void bs_refresh_tap_pad_pointers() {
    for (const TapPort& p : kPorts)
        if (*p.record) *p.record = *p.index >= 0 && *p.index < DYNA_count(OPIN_TAB) ? &OPIN_TAB[*p.index] : nullptr;
}

void bs_reset_standard_port_ptr_of_TAP() {
    // The order of the comparisons: TDO, TDI, TMS, TCK, TRST.
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        for (const TapPort& p : kPorts) {
            if (!*p.global || !bsnames::same(OPIN_TAB[i].signal, without_low_mark(*p.global))) continue;
            *p.index = i;
            if (*p.record) *p.record = &OPIN_TAB[i];
            break;
        }
    }
}
