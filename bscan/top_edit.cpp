// The command file of the top design ("<top>_jtag.cmd"): its head, the
// TAP instance and the wiring of the five TAP ports; the command file of
// a pad module that holds the pads ("<module>_bs.cmd"); and the pad
// module's instance in the top design.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"

using bsnames::or_text;
using bsnames::set_text;
using namespace bsedit;

namespace {

const char* tap() { return or_text(TAP_INSTANCE_NAME, ""); }
const char* first_bcell() { return TAP_CONTR ? or_text(without_low_mark(TAP_CONTR->first_bcell), "") : ""; }
const char* last_bcell() { return TAP_CONTR ? or_text(without_low_mark(TAP_CONTR->last_bcell), "") : ""; }
bool set(const char* s) { return s && *s; }
bool inside(const PadEntry& p) { return DYNA_count(p.modules) > 0; }

// A TAP port that the top wires to the TAP: one with its pad in the top,
// or, with -add_tap, one without a pad, which the top edit joins to a
// chip port (or to the pad that -add_pad adds for it).
bool from_top(const TapPort& tp) {
    const PadEntry* r = *tp.record;
    if (r && r->pad_instance) return !inside(*r);
    return JTAG_OPTION[OPT_ADD_TAP] && tp.port();
}

// The TDO pad in the top whose enable reaches the TAP's TDO-enable pin.
bool top_enable(const TapPort& tp) {
    const PadEntry* r = *tp.record;
    return tp.tdo && set(TAP_TDO_EN_PIN) && r && r->pad_instance && !inside(*r) && record_enable(*r);
}

// The TAP pins that the cells' control signals come from, with the
// conditions under which the cells need them.
std::vector<const char*> control_pins() {
    std::vector<const char*> pins;
    auto add = [&](bool need, const char* pin) {
        if (need && set(pin)) pins.push_back(pin);
    };
    add(true, TAP_SHIFT_PIN);
    add(true, TAP_CLOCK_PIN);
    add(BCELL_UPDATE_DR, TAP_UPDATE_PIN);
    add(BCELL_HIGHZ, TAP_HIGHZ_PIN);
    add(BCELL_RST, TAP_RST_PIN);
    add(BCELL_MODE1, TAP_MODE1_PIN);
    add(BCELL_MODE2, TAP_MODE2_PIN);
    add(BCELL_MODE3, TAP_MODE3_PIN);
    for (int i = 0; i < BCELL_EXTRA && i < DYNA_count(TAP_EXTRA_PIN); ++i) add(true, TAP_EXTRA_PIN[i]);
    // The high-impedance buffers of the groups take the TAP's
    // high-impedance command (through a port of the pad module).
    bool listed = false;
    for (const char* p : pins) listed = listed || bsnames::same(p, TAP_HIZ_PIN);
    add(!listed && bs_highz_group_exists(), TAP_HIZ_PIN);
    return pins;
}

}  // namespace

void bs_write_idcode_ties(FILE* fp) {
    if (!JTAG_OPTION[OPT_EXTERNAL_IDCODE] || !IDCODE_REG) return;
    size_t len = std::strlen(IDCODE_REG);
    for (int i = 31; i >= 0; --i) {
        size_t at = static_cast<size_t>(31 - i);
        char c = at < len ? IDCODE_REG[at] : 'X';
        std::fprintf(fp, "connect %s{IDCODE[%d]} %s\n", tap(), i, c == '1' ? "VCC" : c == '0' ? "GND" : "X_NET");
    }
}

namespace {

// Without -add_tap the TAP is in the design already: its pins tied to a
// constant leave the constant before they are wired.  The ends of the
// boundary chain leave whatever net they lie on, since the chain is
// stitched anew through the cells.
void disconnect_tap_pins(FILE* fp, const std::set<std::string>* only = nullptr) {
    auto wanted = [&](const char* pin) { return !only || only->count(pin) > 0; };
    auto off = [&](int flag, const char* pin) {
        if (tied(flag) && set(pin) && wanted(pin)) std::fprintf(fp, "disconnect %s{%s}\n", tap(), pin);
    };
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TRST}))
        if (unwired_tap_input(*tp)) off(TAP_FLAG[tp->flag], tp->pin());
    off(TAP_FLAG[TAP_FLAG_SHIFT_DR], TAP_SHIFT_PIN);
    off(TAP_FLAG[TAP_FLAG_CLOCK_DR], TAP_CLOCK_PIN);
    if (BCELL_UPDATE_DR) off(TAP_FLAG[TAP_FLAG_UPDATE_DR], TAP_UPDATE_PIN);
    if (BCELL_HIGHZ) off(TAP_FLAG[TAP_FLAG_HIGHZ], TAP_HIGHZ_PIN);
    // The high-impedance buffers take the TAP's high-impedance command
    // even when no cell has a HIGHZ pin: a tie of that pin goes too.
    if (bs_highz_group_exists() && !(BCELL_HIGHZ && bsnames::same(TAP_HIGHZ_PIN, TAP_HIZ_PIN)))
        off(TAP_FLAG[TAP_FLAG_HIZ], TAP_HIZ_PIN);
    if (BCELL_RST) off(TAP_FLAG[TAP_FLAG_RESET], TAP_RST_PIN);
    if (BCELL_MODE1) off(TAP_FLAG[TAP_FLAG_MODE1], TAP_MODE1_PIN);
    if (BCELL_MODE2) off(TAP_FLAG[TAP_FLAG_MODE2], TAP_MODE2_PIN);
    if (BCELL_MODE3) off(TAP_FLAG[TAP_FLAG_MODE3], TAP_MODE3_PIN);
    for (int i = 0; i < BCELL_EXTRA && i < DYNA_count(TAP_EXTRA_PIN); ++i)
        off(i < DYNA_count(TAP_FLAG_EXTRA) ? TAP_FLAG_EXTRA[i] : -1, TAP_EXTRA_PIN[i]);
    if (TAP_FLAG[TAP_FLAG_FIRST_BCELL] != -1 && wanted(first_bcell()))
        std::fprintf(fp, "disconnect %s{%s}\n", tap(), first_bcell());
    if (TAP_FLAG[TAP_FLAG_LAST_BCELL] != -1 && wanted(last_bcell()))
        std::fprintf(fp, "disconnect %s{%s}\n", tap(), last_bcell());
}

}  // namespace

std::vector<const char*> bsedit::tap_control_pins() { return control_pins(); }

void bsedit::disconnect_design_tap_pins(FILE* fp, const std::set<std::string>* only) { disconnect_tap_pins(fp, only); }

namespace {

// A TAP pad's pin that takes a new port at or below `level` of the pads'
// path: the port is on the module of that level.
bool port_at(const PinReach& reach, int level) { return reach.port && reach.stop <= level; }

// The TDO pad's enable reaches the TAP's TDO-enable pin through a port of
// that name on the module of `level`.
bool enable_port_at(int level) {
    const PadEntry* tdo = TAP_TDO_PIN_PTR;
    return set(TAP_TDO_EN_PIN) && tdo && tdo->pad_instance && port_at(tdo_enable_reach(), level);
}

// The line that joins a TAP pad's pin to its new port, in the module where
// the pin stays: the TDO pad's pins leave their nets first.
void pin_to_port(FILE* fp, const TapPort& tp) {
    const PinReach& reach = tap_reach(tp.kind);
    if (reach.inst.empty()) return;
    if (tp.tdo) std::fprintf(fp, "disconnect %s{%s}\n", reach.inst.c_str(), reach.pin.c_str());
    std::fprintf(fp, "connect %s{%s} %s\n", reach.inst.c_str(), reach.pin.c_str(), tp.qdx_port().c_str());
}

void enable_to_port(FILE* fp) {
    const PinReach& reach = tdo_enable_reach();
    if (reach.inst.empty()) return;
    std::fprintf(fp, "disconnect %s{%s}\n", reach.inst.c_str(), reach.pin.c_str());
    std::fprintf(fp, "connect %s{%s} %s\n", reach.inst.c_str(), reach.pin.c_str(), TAP_TDO_EN_PIN);
}

// The TAP wired straight to a pad pin that climbed to the TAP's level (the
// pad itself when the TAP sits beside it).  The TAP drives the TDO pad
// alone: the pin leaves its net first.
void tap_to_reached_pin(FILE* fp, const TapPort& tp) {
    const PinReach& reach = tap_reach(tp.kind);
    if (reach.inst.empty()) return;
    if (!tp.tdo) {
        std::fprintf(fp, "connect %s{%s} %s{%s}\n", tap(), tp.pin(), reach.inst.c_str(), reach.pin.c_str());
        return;
    }
    std::fprintf(fp, "disconnect %s{%s}\n", reach.inst.c_str(), reach.pin.c_str());
    std::fprintf(fp, "connect %s{%s} %s{%s}\n", tap(), tp.pin(), reach.inst.c_str(), reach.pin.c_str());
}

void tap_to_reached_enable(FILE* fp) {
    const PinReach& reach = tdo_enable_reach();
    if (!set(TAP_TDO_EN_PIN) || reach.pin.empty() || reach.port) return;
    std::fprintf(fp, "disconnect %s{%s}\n", reach.inst.c_str(), reach.pin.c_str());
    std::fprintf(fp, "connect %s{%s} %s{%s}\n", tap(), TAP_TDO_EN_PIN, reach.inst.c_str(), reach.pin.c_str());
}

// A TAP pad pin in this module joined to `to`{`to_pin`}.  A pin of the TDO
// pad leaves any net it is on first (a tie, or logic that the design left
// there before its TAP was wired): the TAP drives it alone.
void join_pad_pin(FILE* fp, const char* inst, const char* pin, bool tdo, const char* to, const char* to_pin) {
    if (tdo) std::fprintf(fp, "disconnect %s{%s}\n", inst, pin);
    std::fprintf(fp, "connect %s{%s} %s{%s}\n", inst, pin, to, to_pin);
}

// A TAP pad in the top joined to the TAP's pin on instance `to` (the TAP,
// or the instance that brings its pins out): its pin toward the core, for
// TDO the pin from the core and the enable, which takes the TAP's
// TDO-enable pin (of the pad's polarity).  With `only_tied` (the design's
// own TAP, which the design wires already) only where the wire is
// missing: a tied TDO pad pin or one whose TAP pin the design leaves open,
// or a tied TAP input, which disconnect_tap_pins has cut.
void join_top_pad(FILE* fp, const TapPort& tp, const PadEntry& r, const char* to, bool only_tied = false) {
    const char* pin = or_text(record_pin(r, tp.tdo), "");
    if (!tp.tdo) {
        if (!only_tied || unwired_tap_input(tp)) join_pad_pin(fp, r.pad_instance, pin, false, to, tp.pin());
        return;
    }
    const int data_flag = TAP_FLAG[TAP_FLAG_TDO_DATA], enable_flag = TAP_FLAG[TAP_FLAG_TDO_ENABLE];
    if (!only_tied || tied(data_flag) || TAP_TDO_OPEN) join_pad_pin(fp, r.pad_instance, pin, true, to, tp.pin());
    const char* enable = set(TAP_TDO_EN_PIN) ? record_enable(r) : nullptr;
    if (enable && (!only_tied || tied(enable_flag) || TAP_TDO_EN_OPEN))
        join_pad_pin(fp, r.pad_instance, enable, true, to, TAP_TDO_EN_PIN);
}

// The design's own TAP joined, where a tie stands in for the wire, to the
// TAP pads of the top and, with several IO-pad modules, to a pad pin that
// leaves its module through the module's ports (a pin that takes a new
// port is joined after its module's replace line; one that stays inside
// reaches nothing here).
void wire_tied_pins_in_top(FILE* fp) {
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TRST, TAP_PORT_TDO})) {
        const PadEntry* r = *tp->record;
        if (!r || !r->pad_instance) continue;
        if (!inside(*r)) {
            join_top_pad(fp, *tp, *r, tap(), true);
            continue;
        }
        const PinReach& reach = tap_reach(tp->kind);
        if (!unwired_tap_input(*tp) || reach.port || reach.stop < DYNA_count(r->modules)) continue;
        std::fprintf(fp, "connect %s{%s} %s{%s}\n", reach.inst.c_str(), reach.pin.c_str(), tap(), tp->pin());
    }
}

// A pad pin followed up the pad's module path to the top.
void lift_to_top(const PadEntry& p, std::string& inst, std::string& pin) {
    for (int i = 0, n = DYNA_count(p.modules); i < n; ++i) {
        SdbDatabase* db = open_sdb_file(module_sdb(p.modules[i]).c_str());
        lift_pin(inst, pin, i < DYNA_count(p.instances) ? p.instances[i] : "");
        SDB_close(db, 0);
    }
}

const PinListEntry* port_pin_row(const TapPort& tp) {
    int idx = *tp.index;
    if (idx < 0 || idx >= DYNA_count(OPIN_TAB)) return nullptr;
    int pin = OPIN_TAB[idx].pin;
    return pin >= 0 && pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[pin] : nullptr;
}

// A pad added with -add_pad for a TAP port without one ("TDI_PAD" ...).
void add_tap_pad(FILE* fp, const TapPort& tp, bool port_exists) {
    const char* port = tp.port();
    std::string name = tp.pad_name();
    const PinListEntry* row = port_pin_row(tp);
    const char* requested = row ? row->pad : nullptr;
    std::string cell, in_pin, out_pin;
    const BufferEntry* b = nullptr;
    if (requested) {
        b = get_buffer(requested);
        if (!b) {
            qdx_printf("ERROR: void declare %%%s  %s in file ", tp.tdo ? "OUTPUT_BUFFER" : "INPUT_BUFFER", requested);
            qdx_printf("'%s'.\n", JTAG_BSC_FILE.c_str());
            qdx_printf("       Can't find the definition of '%s' in file", requested);
            qdx_exit_printf(-1, " '%s'.\n", JTAG_LIB_FILE.c_str());
        }
        for (const char* word : {"INPUT", "OUTPUT"}) {
            if (std::strcmp(word, "INPUT") == 0 ? b->input : b->output) continue;
            qdx_printf("ERROR: (%s) can't find %%%s in %%BUFFER ", JTAG_LIB_FILE.c_str(), word);
            qdx_exit_printf(-1, "%s.\n", requested);
        }
        cell = requested;
        in_pin = b->input;
        out_pin = b->output;
        set_text(tp.tdo ? SPEC_OUTPUT_BUFFER_INPUT : SPEC_INPUT_BUFFER_INPUT, b->input);
        set_text(tp.tdo ? SPEC_OUTPUT_BUFFER_OUTPUT : SPEC_INPUT_BUFFER_OUTPUT, b->output);
    } else {
        cell = or_text(tp.tdo ? OUTPUT_BUFFER : INPUT_BUFFER, "");
        in_pin = or_text(tp.tdo ? OUTPUT_BUFFER_INPUT : INPUT_BUFFER_INPUT, "");
        out_pin = or_text(tp.tdo ? OUTPUT_BUFFER_OUTPUT : INPUT_BUFFER_OUTPUT, "");
        b = get_buffer(cell.c_str());
    }
    int idx = *tp.index;
    if (idx >= 0 && idx < DYNA_count(OPIN_TAB)) {
        PadEntry& e = OPIN_TAB[idx];
        set_text(e.pad_cell, cell.c_str());
        set_text(e.pad_instance, name.c_str());
        set_text(e.pin_from_core, in_pin.c_str());
        set_text(e.pin_to_core, out_pin.c_str());
    }
    if (port_exists)
        std::fprintf(fp, "disconnect %s\n", port);
    else
        std::fprintf(fp, "add %s %s\n", port, tp.tdo ? "output" : "input");
    std::fprintf(fp, "add %s %s\n", name.c_str(), cell.c_str());
    if (!tp.tdo) {
        std::fprintf(fp, "connect %s{%s} %s\n", name.c_str(), in_pin.c_str(), port);
        std::fprintf(fp, "connect %s{%s} %s{%s}\n", name.c_str(), out_pin.c_str(), tap(), tp.pin());
        return;
    }
    std::fprintf(fp, "connect %s{%s} %s\n", name.c_str(), out_pin.c_str(), port);
    std::fprintf(fp, "connect %s{%s} %s{%s}\n", name.c_str(), in_pin.c_str(), tap(), tp.pin());
    // The enable of the added TDO pad.
    int polarity = row ? row->pad_enable : PAD_EN_NONE;
    const char* low = b ? b->en_l : nullptr;
    const char* high = b ? b->en_h : nullptr;
    if (set(TAP_TDO_EN_PIN)) {
        const char* enable = polarity == PAD_EN_LOW ? low : polarity == PAD_EN_HIGH ? high : (low ? low : high);
        if (enable)
            std::fprintf(fp, "connect %s{%s} %s{%s}\n", name.c_str(), enable, tap(), TAP_TDO_EN_PIN);
        else
            qdx_printf("WARNING: TDO pin use 2-output PAD.\n");
        return;
    }
    if (polarity == PAD_EN_LOW) {
        if (low) std::fprintf(fp, "connect %s{%s} GND\n", name.c_str(), low);
    } else if (polarity == PAD_EN_HIGH) {
        if (high) std::fprintf(fp, "connect %s{%s} VCC\n", name.c_str(), high);
    } else if (low) {
        std::fprintf(fp, "connect %s{%s} GND\n", name.c_str(), low);
    } else if (high) {
        std::fprintf(fp, "connect %s{%s} VCC\n", name.c_str(), high);
    }
}

// Several IO-pad modules, the TAP in the design: a TAP pin whose pad pin
// stays inside its module leaves its old net, which no longer reaches the
// pad; it is joined to the pad's new port once the module has its edited
// master (bs_hier_search_tap_ports).
void leave_for_new_ports(FILE* fp) {
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST}))
        if (*tp->record && bs_hier_tap_pin_needs_port(tp->kind) && set(tp->pin()) && !unwired_tap_input(*tp))
            std::fprintf(fp, "disconnect %s{%s}\n", tap(), tp->pin());
    if (bs_hier_tdo_enable_needs_port() && set(TAP_TDO_EN_PIN))
        std::fprintf(fp, "disconnect %s{%s}\n", tap(), TAP_TDO_EN_PIN);
}

bool without_pad(const TapPort& tp) {
    const PadEntry* r = *tp.record;
    return !r || !r->pad_instance;
}

// A TAP inside a sub-module on the pads' path: the top reaches it through
// the path's instance, once that instance has its edited module.
bool tap_on_pad_path() { return kest_hier_tap_ctrlG && PAD_MODULE_EXIST && kest_hier_same_instance_tapG != -1; }

// One TAP port wired at the top (with -add_tap).
void wire_tap_port(FILE* fp, const TapPort& tp) {
    const char* port = tp.port();
    if (!port) return;
    PadEntry* r = *tp.record;
    if (!r || !r->pad_instance) {
        // No pad: the port itself, or a pad added for it.
        if (JTAG_OPTION[OPT_ADD_PAD]) {
            add_tap_pad(fp, tp, r != nullptr);
            return;
        }
        if (!r)
            std::fprintf(fp, "add %s %s\n", port, tp.tdo ? "output" : "input");
        else if (tp.tdo)
            std::fprintf(fp, "disconnect %s\n", port);  // the TAP drives the port alone
        std::fprintf(fp, "connect %s %s{%s}\n", port, tap(), tp.pin());
        return;
    }
    if (PAD_MODULE_EXIST) return;  // wired in the pad module's files
    // With several IO-pad modules, a pin that stays inside its module
    // reaches the TAP through a new port, which the top joins to the TAP
    // after the module's replace line.
    const bool data_by_port = multi_io_module_flagG && bs_hier_tap_pin_needs_port(tp.kind);
    std::string inst = r->pad_instance;
    std::string pin = or_text(record_pin(*r, tp.tdo), "");
    const char* enable = tp.tdo && set(TAP_TDO_EN_PIN) && !(multi_io_module_flagG && bs_hier_tdo_enable_needs_port())
                             ? record_enable(*r)
                             : nullptr;
    std::string enable_inst = inst, enable_pin = or_text(enable, "");
    if (inside(*r)) {
        if (tp.tdo) TAP_FLAG[TAP_FLAG_TDO_DATA] = TAP_FLAG[TAP_FLAG_TDO_ENABLE] = -1;
        if (!data_by_port) lift_to_top(*r, inst, pin);
        if (enable) lift_to_top(*r, enable_inst, enable_pin);
    }
    if (!tp.tdo) {
        if (!data_by_port) std::fprintf(fp, "connect %s{%s} %s{%s}\n", inst.c_str(), pin.c_str(), tap(), tp.pin());
        return;
    }
    if (!data_by_port) join_pad_pin(fp, inst.c_str(), pin.c_str(), true, tap(), tp.pin());
    if (enable) join_pad_pin(fp, enable_inst.c_str(), enable_pin.c_str(), true, tap(), TAP_TDO_EN_PIN);
}

}  // namespace

void kest_do_connection_table(FILE* fp) {
    for (const ConnectEntry* c = CONNECT_TABLE; c; c = c->next) {
        const char* from = or_text(c->from_pin, "");
        const char* to = or_text(c->to_pin, "");
        if (!c->from_inst && !c->to_inst)
            std::fprintf(fp, "connect %s %s\n", from, to);
        else if (!c->from_inst)
            std::fprintf(fp, "connect %s %s{%s}\n", from, c->to_inst, to);
        else if (!c->to_inst)
            std::fprintf(fp, "connect %s{%s} %s\n", c->from_inst, from, to);
        else
            std::fprintf(fp, "connect %s{%s} %s{%s}\n", c->from_inst, from, c->to_inst, to);
    }
}

void bs_open_top_cmd_file() {
    const std::string top = kest_edited_top();
    std::string why;
    if (!bs_copy_design(MODULE_SDB, top + ".sdb", &why)) {
        qdx_exit_printf(-1, "ERROR: can't copy file %s. %s.\n\n", MODULE_SDB.c_str(), why.c_str());
    }
    const std::string cmd = kest_edit_file(top + ".cmd");
    TAP_FP = bs_open_cmd_file(cmd);
    if (!TAP_FP) {
        qdx_exit_printf(-1, "ERROR: can't open %s to update sdb.\n\n", cmd.c_str());
    }
    qdx_printf("    .Editing command file    %s ...\n", cmd.c_str());
    std::fprintf(TAP_FP, "edit %s\n", top.c_str());
}

void open_and_modify_top_sdb() {
    bs_open_top_cmd_file();
    FILE* fp = TAP_FP;
    std::fprintf(fp, "path %s \n", BSCAN_OPATH.c_str());
    // A TAP inside a sub-module off the pads' path: the top's instance on
    // its path takes the edited module that brings the TAP's ports out.
    if (kest_hier_tap_ctrlG && !tap_on_pad_path() && DYNA_count(kest_hier_tap_ctrl_name_tabG) > 0) {
        const TapPathItem& top_item = kest_hier_tap_ctrl_name_tabG[0];
        if (top_item.instance && top_item.module)
            std::fprintf(fp, "replace %s %s_bs\n", top_item.instance, top_item.module);
    }
    if (!JTAG_OPTION[OPT_ADD_TAP]) {
        // A TAP on the pads' path takes these lines in its own module's file.
        if (!tap_on_pad_path()) disconnect_tap_pins(fp);
        if (multi_io_module_flagG) leave_for_new_ports(fp);
        // The path's instance in the top wires the pads of a pad module.
        if (!PAD_MODULE_EXIST) wire_tied_pins_in_top(fp);
        return;
    }
    // The TAP instance.
    if (!kest_hier_tap_ctrlG) std::fprintf(fp, "add %s %s\n", tap(), or_text(TAP_MODULE_NAME, ""));
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST}))
        if (!(tap_on_pad_path() && without_pad(*tp))) wire_tap_port(fp, *tp);
    if (!kest_hier_tap_ctrlG) bs_write_idcode_ties(fp);
}

std::string open_and_modify_hierarchy_sdb(const char* module, int level) {
    std::string path = module_sdb(module);
    std::string copy = std::string(module) + "_bs.sdb";
    std::string why;
    if (!bs_copy_design(path, copy, &why)) {
        qdx_printf("\n");
        qdx_printf("ERROR: can't copy file '%s' to file '%s/%s_bs.sdb'.", path.c_str(), BSCAN_OPATH.c_str(), module);
        bs_copy_failed(why);
    }
    std::string cmd = kest_edit_file(std::string(module) + "_bs.cmd");
    PAD_FP = bs_open_cmd_file(cmd);
    if (!PAD_FP) {
        qdx_printf("ERROR: can't open command file '%s' to ", cmd.c_str());
        qdx_exit_printf(-1, "update SDB.\n\n");
    }
    qdx_printf("    .Editing command file    %s/%s_bs.cmd ...\n", BSCAN_OPATH.c_str(), module);
    FILE* fp = PAD_FP;
    std::fprintf(fp, "edit %s_bs\n", module);
    int match = kest_hier_instance_matchG;
    if (match == -1 || match == 3) {
        // The TAP lies outside: its signals come in through ports.
        for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
            const PadEntry* r = *tp->record;
            if (r && port_at(tap_reach(tp->kind), level))
                std::fprintf(fp, "add %s %s\n", tp->qdx_port().c_str(), tp->tdo ? "input" : "output");
        }
        for (const char* pin : control_pins()) std::fprintf(fp, "add %s input\n", pin);
        std::fprintf(fp, "add chain_in input\n");
        std::fprintf(fp, "add chain_out output\n");
        if (JTAG_OPTION[OPT_SYNCH]) std::fprintf(fp, "add %s input\n", "BCELL_TCK");
        if (enable_port_at(level)) std::fprintf(fp, "add %s input\n", TAP_TDO_EN_PIN);
    }
    if (match == 1) {
        kest_hier_place_tap(fp);
        // The TAP of the design, right in this module: its tied pins and
        // its chain ends leave their nets here.
        if (!JTAG_OPTION[OPT_ADD_TAP] && kest_hier_tap_path_first() + 1 >= DYNA_count(kest_hier_tap_ctrl_name_tabG))
            disconnect_tap_pins(fp);
    }
    if (match == 1 || match == 2) {
        for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
            if (!from_top(*tp)) continue;
            std::fprintf(fp, "add %s %s\n", tp->pin(), tp->tdo ? "output" : "input");
            if (top_enable(*tp)) std::fprintf(fp, "add %s input\n", TAP_TDO_EN_PIN);
        }
    }
    return path;
}

void replace_cell_in_top(const char* module, const char* instance) {
    FILE* fp = TAP_FP;
    std::fprintf(fp, "replace %s %s_bs\n", instance, module);
    if (kest_hier_same_instance_iopadG == -1) {
        for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
            PadEntry* r = *tp->record;
            if (!r || !r->pad_instance) continue;
            if (!inside(*r)) {
                // A TAP pad in the top, beside the pad module.
                join_top_pad(fp, *tp, *r, tap());
                continue;
            }
            if (needs_port(*r))
                std::fprintf(fp, "connect %s{%s} %s{%s}\n", instance, tp->qdx_port().c_str(), tap(), tp->pin());
            else
                std::fprintf(fp, "connect %s{%s} %s{%s}\n", r->pad_instance, or_text(record_pin(*r, tp->tdo), ""),
                             tap(), tp->pin());
            if (!tp->tdo || !set(TAP_TDO_EN_PIN)) continue;
            std::string source;
            if (enable_needs_port(*r))
                source = std::string(instance) + "{" + TAP_TDO_EN_PIN + "}";
            else if (!TDO_ENABLE_LIFTED.empty())
                source = tdo_enable_reach().inst + "{" + TDO_ENABLE_LIFTED + "}";
            else
                source = std::string(r->pad_instance) + "{" + TAP_TDO_EN_PIN + "}";
            std::fprintf(fp, "connect %s %s{%s}\n", source.c_str(), tap(), TAP_TDO_EN_PIN);
        }
    } else {
        // The TAP sits on the pad-module path: the top's pads reach it
        // through the instance.
        for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
            PadEntry* r = *tp->record;
            if (r && r->pad_instance && !inside(*r)) join_top_pad(fp, *tp, *r, instance);
        }
        // The TAP ports without a pad, now that the instance has the ports.
        if (JTAG_OPTION[OPT_ADD_TAP] && tap_on_pad_path())
            for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST}))
                if (without_pad(*tp)) wire_tap_port(fp, *tp);
    }
    if (kest_hier_same_instance_tapG == -1) {
        for (const char* pin : control_pins())
            std::fprintf(fp, "connect %s{%s} %s{%s}\n", instance, pin, tap(), pin);
        std::fprintf(fp, "connect %s{chain_in} %s{%s}\n", instance, tap(), first_bcell());
        std::fprintf(fp, "connect %s{chain_out} %s{%s}\n", instance, tap(), last_bcell());
        if (JTAG_OPTION[OPT_SYNCH]) std::fprintf(fp, "connect %s{BCELL_TCK} %s{BCELL_TCK}\n", instance, tap());
        kest_do_connection_table(fp);
    }
    std::fputs("save\nquit\n", fp);
    bs_close_cmd_file(TAP_FP);
}

void replace_cell_in_pad(const char* module, const char* instance, int level) {
    FILE* fp = PAD_FP;
    const int match = kest_hier_instance_matchG;
    std::fprintf(fp, "replace %s %s_bs\n", instance, module);
    const auto ports = tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST});
    if (match == 1 || match == 2) {
        // The TAP sits at this level (1) or below it (2): the pads at the
        // top reach it through ports of the TAP pins' names.
        const char* to = match == 1 ? tap() : instance;
        for (const TapPort* tp : ports) {
            if (!from_top(*tp)) continue;
            std::fprintf(fp, "connect %s{%s} %s\n", to, tp->pin(), tp->pin());
            if (top_enable(*tp)) std::fprintf(fp, "connect %s{%s} %s\n", to, TAP_TDO_EN_PIN, TAP_TDO_EN_PIN);
        }
    }
    if (match == 2) {
        std::fputs("save\nquit\n", fp);
        bs_close_cmd_file(PAD_FP);
        return;
    }
    if (match == 1) {
        // The pads below reach the TAP through the ports that carry their
        // pins up, or the pins that climbed to this level.
        for (const TapPort* tp : ports) {
            const PadEntry* r = *tp->record;
            if (!r || !r->pad_instance || !inside(*r)) continue;
            if (tap_reach(tp->kind).port)
                std::fprintf(fp, "connect %s{%s} %s{%s}\n", instance, tp->qdx_port().c_str(), tap(), tp->pin());
            else
                tap_to_reached_pin(fp, *tp);
            if (!tp->tdo) continue;
            if (enable_port_at(level - 1))
                std::fprintf(fp, "connect %s{%s} %s{%s}\n", instance, TAP_TDO_EN_PIN, tap(), TAP_TDO_EN_PIN);
            else
                tap_to_reached_enable(fp);
        }
        for (const char* pin : control_pins()) std::fprintf(fp, "connect %s{%s} %s{%s}\n", instance, pin, tap(), pin);
        std::fprintf(fp, "connect %s{chain_in} %s{%s}\n", instance, tap(), first_bcell());
        std::fprintf(fp, "connect %s{chain_out} %s{%s}\n", instance, tap(), last_bcell());
        if (JTAG_OPTION[OPT_SYNCH]) std::fprintf(fp, "connect %s{BCELL_TCK} %s{BCELL_TCK}\n", instance, tap());
        std::fputs("save\nquit\n", fp);
        bs_close_cmd_file(PAD_FP);
        return;
    }
    // The TAP outside, above this level: the ports that the levels below
    // added are passed on, and a pin that stays at this level takes its
    // port here.
    for (const TapPort* tp : ports) {
        const PadEntry* r = *tp->record;
        if (!r) continue;
        const PinReach& reach = tap_reach(tp->kind);
        if (port_at(reach, level - 1)) {
            std::string port = tp->qdx_port();
            std::fprintf(fp, " connect %s{%s} %s\n", instance, port.c_str(), port.c_str());
        } else if (port_at(reach, level)) {
            pin_to_port(fp, *tp);
        }
    }
    if (enable_port_at(level - 1))
        std::fprintf(fp, " connect %s{%s} %s\n", instance, TAP_TDO_EN_PIN, TAP_TDO_EN_PIN);
    else if (enable_port_at(level))
        enable_to_port(fp);
    for (const char* pin : control_pins()) std::fprintf(fp, "connect %s{%s} %s\n", instance, pin, pin);
    std::fprintf(fp, "connect %s{chain_in} chain_in\n", instance);
    std::fprintf(fp, "connect %s{chain_out} chain_out\n", instance);
    if (JTAG_OPTION[OPT_SYNCH]) std::fprintf(fp, "connect %s{%s} %s\n", instance, "BCELL_TCK", "BCELL_TCK");
    std::fputs("save\nquit\n", fp);
    bs_close_cmd_file(PAD_FP);
}

void bs_write_pad_module_tap_lines(FILE* fp) {
    const char* en_pin = TAP_TDO_EN_PIN;
    const auto ports = tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST});
    if (kest_hier_instance_matchG == 1) {
        // The TAP sits in the module that holds the pads.
        for (const TapPort* tp : ports) {
            if (from_top(*tp)) {
                std::fprintf(fp, "connect %s{%s} %s\n", tap(), tp->pin(), tp->pin());
                if (top_enable(*tp)) std::fprintf(fp, "connect %s{%s} %s\n", tap(), en_pin, en_pin);
                continue;
            }
            const PadEntry* r = *tp->record;
            if (!r || !r->pad_instance) continue;
            tap_to_reached_pin(fp, *tp);
            if (tp->tdo && set(en_pin)) tap_to_reached_enable(fp);
        }
        return;
    }
    // The TAP outside this module: the pads whose pins stay in it take the
    // added ports.
    for (const TapPort* tp : ports) {
        const PadEntry* r = *tp->record;
        if (r && r->pad_instance && port_at(tap_reach(tp->kind), 0)) pin_to_port(fp, *tp);
    }
    if (enable_port_at(0)) enable_to_port(fp);
}
