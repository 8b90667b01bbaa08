// The standard TAP ports: which pad record carries each port, and how its
// pin reaches the level of the TAP through the enclosing pad modules.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

std::string TDO_ENABLE_LIFTED;

using bsnames::or_text;
using bsnames::set_text;

namespace bsedit {

namespace {

const TapPort kPorts[] = {
    {"tdi", TAP_PORT_TDI, &GLOBAL_TDI, &TAP_TDI_PIN, &TAP_TDI_PIN_PTR, &tdi_pin_indexG, false, TAP_FLAG_TDI},
    {"tms", TAP_PORT_TMS, &GLOBAL_TMS, &TAP_TMS_PIN, &TAP_TMS_PIN_PTR, &tms_pin_indexG, false, TAP_FLAG_TMS},
    {"tck", TAP_PORT_TCK, &GLOBAL_TCK, &TAP_TCK_PIN, &TAP_TCK_PIN_PTR, &tck_pin_indexG, false, TAP_FLAG_TCK},
    {"trst", TAP_PORT_TRST, &GLOBAL_TRST, &TAP_TRST_PIN, &TAP_TRST_PIN_PTR, &trst_pin_indexG, false, TAP_FLAG_TRST},
    {"tdo", TAP_PORT_TDO, &GLOBAL_TDO, &TAP_TDO_PIN, &TAP_TDO_PIN_PTR, &tdo_pin_indexG, true, TAP_FLAG_TDO_DATA},
};

PinReach reaches[6];
PinReach enable_reach;
int reach_limit = 0;

}  // namespace

const PinReach& tap_reach(int kind) { return reaches[kind >= 0 && kind < 6 ? kind : 0]; }
const PinReach& tdo_enable_reach() { return enable_reach; }

const char* TapPort::port() const { return without_low_mark(*global); }
std::string TapPort::qdx_port() const { return std::string("qdx_tap_") + word; }
std::string TapPort::pad_name() const {
    std::string s = word;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s + "_PAD";
}
const char* TapPort::pin() const { return or_text(*tap_pin, ""); }

const TapPort& tap_port(int kind) { return kPorts[kind == TAP_PORT_TDO ? 4 : kind - 1]; }

std::vector<const TapPort*> tap_ports(std::initializer_list<int> kinds) {
    std::vector<const TapPort*> v;
    for (int k : kinds) {
        if (k == TAP_PORT_TRST && !GLOBAL_TRST) continue;
        v.push_back(&tap_port(k));
    }
    return v;
}

char*& record_pin(PadEntry& p, bool tdo) { return tdo ? p.pin_from_core : p.pin_to_core; }

bool unwired_tap_input(const TapPort& tp) {
    const PadEntry* r = *tp.record;
    return !tp.tdo && r && r->pad_instance && (tied(TAP_FLAG[tp.flag]) || TAP_INPUT_OPEN[tp.flag]);
}

const char* record_enable(const PadEntry& p) {
    int polarity = p.pin >= 0 && p.pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[p.pin]->pad_enable : PAD_EN_NONE;
    return bsnames::enable_pin(p.buffer, polarity);
}

std::string module_sdb(const char* module) {
    std::string name = PATH + or_text(module, "") + ".sdb";
    std::string path = FNM_find(name);
    if (path.empty()) {
        qdx_exit_printf(-1, "ERROR: Can't find file %s.\n\n", name.c_str());
    }
    return path;
}

Lift lift_pin(std::string& inst, std::string& pin, const char* parent) {
    int node = SDB_nl_search_node(inst.c_str(), pin.c_str());
    if (node < 0) return Lift::Unchanged;
    int other = find_adjacent_node(node);
    if (other < 0) return Lift::NoOtherEnd;
    int port = bsnames::node_port(other);
    if (port < 0) return Lift::Unchanged;
    inst = or_text(parent, "");
    pin = bsnames::port_name(port);
    return Lift::Lifted;
}

}  // namespace bsedit

using namespace bsedit;

void bs_search_standard_ports(int pad, int levels) {
    reset_tap_reach();
    if (pad < 0 || pad >= DYNA_count(OPIN_TAB)) return;
    std::vector<std::string> modules, instances;
    for (int i = 0, n = DYNA_count(OPIN_TAB[pad].modules); i < n; ++i) {
        modules.emplace_back(OPIN_TAB[pad].modules[i]);
        instances.emplace_back(i < DYNA_count(OPIN_TAB[pad].instances) ? OPIN_TAB[pad].instances[i] : "");
    }
    reach_limit = std::clamp(levels, 0, static_cast<int>(modules.size()));
    // A TAP pad on this path climbs level by level until its net stays in
    // a module (no other end, or an end that is no port of the module):
    // from there a new port takes it on.  A TAP pad at the top, or in
    // another module, does not climb.
    auto on_path = [&](const PadEntry& r) {
        if (DYNA_count(r.instances) != static_cast<int>(instances.size())) return false;
        for (size_t i = 0; i < instances.size(); ++i)
            if (!bsnames::same(r.instances[i], instances[i].c_str())) return false;
        return true;
    };
    std::vector<const TapPort*> climbing;
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
        PadEntry* r = *tp->record;
        if (!r || !r->pad_instance || !record_pin(*r, tp->tdo) || !on_path(*r)) continue;
        PinReach& reach = reaches[tp->kind];
        reach.inst = r->pad_instance;
        reach.pin = record_pin(*r, tp->tdo);
        // A TDO pad whose data pin was tied takes the TAP's TDO through a
        // port from its own module.
        if (tp->tdo && tied(TAP_FLAG[TAP_FLAG_TDO_DATA]) && reach_limit > 0) {
            reach.port = true;
            r->mode1_net = 1;
        } else {
            climbing.push_back(tp);
        }
    }
    PadEntry* tdo = TAP_TDO_PIN_PTR;
    const char* enable = tdo && tdo->pad_instance && on_path(*tdo) ? record_enable(*tdo) : nullptr;
    bool enable_climbs = false;
    if (enable) {
        enable_reach.inst = tdo->pad_instance;
        enable_reach.pin = enable;
        enable_climbs = !(tied(TAP_FLAG[TAP_FLAG_TDO_ENABLE]) && reach_limit > 0);
        if (!enable_climbs) {
            enable_reach.port = true;
            tdo->mode2_net = 1;
        }
    }
    auto climb = [&](PinReach& reach, int level) {
        std::string inst = reach.inst, pin = reach.pin;
        if (lift_pin(inst, pin, instances[static_cast<size_t>(level)].c_str()) == Lift::Lifted) {
            reach.inst = inst;
            reach.pin = pin;
            reach.stop = level + 1;
            return true;
        }
        reach.port = true;
        return false;
    };
    for (int level = 0; level < reach_limit; ++level) {
        SdbDatabase* db = open_sdb_file(module_sdb(modules[static_cast<size_t>(level)].c_str()).c_str());
        for (auto it = climbing.begin(); it != climbing.end();) {
            const TapPort* tp = *it;
            PadEntry* r = *tp->record;
            PinReach& reach = reaches[tp->kind];
            if (climb(reach, level)) {
                set_text(r->pad_instance, reach.inst.c_str());
                set_text(record_pin(*r, tp->tdo), reach.pin.c_str());
                ++it;
            } else {
                r->mode1_net = 1;
                it = climbing.erase(it);
            }
        }
        if (enable_climbs && !climb(enable_reach, level)) {
            enable_climbs = false;
            tdo->mode2_net = 1;
        }
        SDB_close(db, 0);
    }
    if (enable && !enable_reach.port && enable_reach.stop > 0) TDO_ENABLE_LIFTED = enable_reach.pin;
}

namespace {

// The MULTI_IO_TAB row of a pad's module at `level` of its path (0 the
// module that holds the pad), -1 when there is none.
int row_at_level(const PadEntry& pad, int level) {
    int row = pad.multi_io_row;
    for (int k = 0; k < level && row > 0; ++k) row = MULTI_IO_TAB[row].parent;
    return row > 0 && level < DYNA_count(pad.modules) ? row : -1;
}

// Follows a pin of a TAP pad up its module path: it is lifted through the
// ports of the modules, or stays at the level where its net has no other
// end (it then needs a new port there), or stops at a net that leaves no
// module.
PinReach trace_up(const PadEntry& r, const char* inst, const char* pin) {
    PinReach reach;
    reach.inst = or_text(inst, "");
    reach.pin = or_text(pin, "");
    for (int level = 0, n = DYNA_count(r.modules); level < n; ++level) {
        SdbDatabase* db = open_sdb_file(module_sdb(r.modules[level]).c_str());
        std::string at = reach.inst, name = reach.pin;
        const Lift l = lift_pin(at, name, level < DYNA_count(r.instances) ? r.instances[level] : "");
        SDB_close(db, 0);
        if (l == Lift::NoOtherEnd) {
            reach.port = true;
            reach.stop = level;
            return reach;
        }
        if (l == Lift::Unchanged) break;
        reach.inst = at;
        reach.pin = name;
        reach.stop = level + 1;
    }
    return reach;
}

// Where a TAP pad's pin reaches the TAP from: a pin tied to a constant
// (wherever the tie is made) leaves it at the pad, through a new port of
// the pad's own module; any other pin is followed up.
PinReach trace_from_pad(const PadEntry& r, const char* pin, bool tied_pin) {
    if (!tied_pin) return trace_up(r, r.pad_instance, pin);
    PinReach reach;
    reach.inst = or_text(r.pad_instance, "");
    reach.pin = or_text(pin, "");
    reach.port = reach.cut = true;
    return reach;
}

// A pin that stays inside the module of row `row`: a new port of that
// name takes it out, every module above passes the port on, and the top
// joins it to the TAP pin `tap_pin`.  direction 1 for a signal going up
// (output ports), 0 for one coming down.
void carry_to_top(int row, const PinReach& reach, const std::string& port, int direction, const char* tap_pin) {
    std::string inst = reach.inst, pin = reach.pin;
    bool cut = reach.cut;
    for (; row > 0; row = MULTI_IO_TAB[row].parent) {
        add_row_port(row, port, direction);
        add_row_connect(row, inst, pin, "", port, cut);
        inst = or_text(MULTI_IO_TAB[row].instance, "");
        pin = port;
        cut = false;
    }
    add_row_connect(0, inst, pin, or_text(TAP_INSTANCE_NAME, ""), or_text(tap_pin, ""));
}

}  // namespace

void bs_hier_trace_tap_pins() {
    reset_tap_reach();
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
        PadEntry* r = *tp->record;
        if (!r || !r->pad_instance || !record_pin(*r, tp->tdo) || DYNA_count(r->modules) == 0) continue;
        PinReach& reach = reaches[tp->kind];
        reach = trace_from_pad(*r, record_pin(*r, tp->tdo), tp->tdo && tied(TAP_FLAG[TAP_FLAG_TDO_DATA]));
        // A TAP input that its pad must drive (the TAP this run adds, or a
        // pin of the design's TAP that leaves its tie) while the pad's pin
        // stays inside its module on other logic: a new port there takes
        // the pin out beside that logic.
        const bool stays_inside = !reach.port && reach.stop < DYNA_count(r->modules);
        if (!tp->tdo && stays_inside && (JTAG_OPTION[OPT_ADD_TAP] || unwired_tap_input(*tp))) reach.port = true;
        // A TDO pad pin that the TAP must drive (the TAP this run adds, or
        // a pin that the design's TAP leaves open) while it reads other
        // logic inside its module: it leaves that logic for a new port of
        // its own module, which the TAP drives alone, as a tied pin does.
        const bool tap_drives = tp->tdo && (JTAG_OPTION[OPT_ADD_TAP] || TAP_TDO_OPEN);
        if (tap_drives && stays_inside) reach = trace_from_pad(*r, record_pin(*r, true), true);
        const char* enable = tp->tdo && TAP_TDO_EN_PIN && *TAP_TDO_EN_PIN ? record_enable(*r) : nullptr;
        if (enable) {
            enable_reach = trace_from_pad(*r, enable, tied(TAP_FLAG[TAP_FLAG_TDO_ENABLE]));
            const bool enable_inside = !enable_reach.port && enable_reach.stop < DYNA_count(r->modules);
            if (enable_inside && (JTAG_OPTION[OPT_ADD_TAP] || TAP_TDO_EN_OPEN))
                enable_reach = trace_from_pad(*r, enable, true);
        }
    }
}

bool bs_hier_tap_pin_needs_port(int kind) { return tap_reach(kind).port; }
bool bs_hier_tdo_enable_needs_port() { return enable_reach.port; }

void bs_hier_search_tap_ports() {
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
        PadEntry* r = *tp->record;
        if (!r || !r->pad_instance || !record_pin(*r, tp->tdo) || DYNA_count(r->modules) == 0) continue;
        const PinReach& reach = reaches[tp->kind];
        if (tp->tdo && enable_reach.port) {
            // The enable stays inside its module: a port of the TAP's
            // TDO-enable name takes it to the TAP.
            r->mode2_net = 1;
            const int row = row_at_level(*r, enable_reach.stop);
            if (row > 0) carry_to_top(row, enable_reach, TAP_TDO_EN_PIN, 0, TAP_TDO_EN_PIN);
        }
        // The record follows the pin as far as it climbed.
        if (reach.stop > 0) {
            set_text(r->pad_instance, reach.inst.c_str());
            set_text(record_pin(*r, tp->tdo), reach.pin.c_str());
        }
        if (reach.port) {
            r->mode1_net = 1;
            bs_add_tap_port_to_cmd_file(r, reach.stop, tp->kind);
        }
    }
}

void bs_add_tap_port_to_cmd_file(PadEntry* pad, int level, int kind) {
    if (!pad || level < 0 || level >= DYNA_count(pad->modules)) return;
    const TapPort& tp = tap_port(kind);
    // The row of this instance of the module (two instances of one
    // module are two rows).
    const int row = row_at_level(*pad, level);
    if (row < 0) {
        std::string word = tp.word;
        for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        qdx_exit_printf(-1, "ERROR: Can not find the parent module for traceing %s(%s) in %s PAD.\n", word.c_str(),
                        or_text(pad->signal, ""), or_text(pad->pad_instance, ""));
    }
    const std::string port = tp.qdx_port();
    PinReach from;
    from.inst = or_text(pad->pad_instance, "");
    from.pin = or_text(record_pin(*pad, tp.tdo), "");
    from.cut = reaches[kind].cut;
    carry_to_top(row, from, port, tp.tdo ? 0 : 1, tp.pin());
    int outer = DYNA_count(pad->instances) - 1;
    if (outer >= 0) set_text(pad->pad_instance, pad->instances[outer]);
    set_text(record_pin(*pad, tp.tdo), port.c_str());
}

void bsedit::reset_tap_reach() {
    for (PinReach& r : reaches) r = PinReach{};
    enable_reach = PinReach{};
    reach_limit = 0;
    TDO_ENABLE_LIFTED.clear();
}
