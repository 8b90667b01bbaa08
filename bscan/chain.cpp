// The boundary register closed into one shift chain between the TAP's
// FIRST_BCELL and LAST_BCELL pins, and every cell's control pins wired to
// the TAP, directly or through the leaves of the buffer trees.
#include <cstdio>
#include <string>
#include <vector>

#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"

int HIGHZ_LEVEL = 0, HIGHZ_INDEX = 0;
int* EXTRA_PIN_LEVEL = nullptr;
int* EXTRA_INDEX = nullptr;
int* EXTRA_CNT = nullptr;

using bsnames::or_text;

namespace {

bool df_speed() { return JTAG_OPTION[OPT_DF_SPEED] != 0; }
bool synch() { return JTAG_OPTION[OPT_SYNCH] != 0; }
int group_size() { return TAP_CONTR ? TAP_CONTR->group_size : -1; }
int df_group_size() { return TAP_CONTR ? TAP_CONTR->df_group_size : -1; }
bool set(const char* pin) { return pin && *pin; }

// The cells hang on buffer trees (or -df_speed chains): the trees are
// built exactly when these limits are set.
bool trees() { return df_speed() ? group_size() >= 1 || df_group_size() >= 1 : group_size() >= 1; }

// The TAP instance lies inside the module being edited.
bool tap_in_module() {
    return !PAD_MODULE_EXIST || (kest_hier_same_instance_iopadG == 0 && kest_hier_instance_matchG == 1);
}

const char* tap() { return or_text(TAP_INSTANCE_NAME, ""); }

void free_int_list(int*& list) {
    if (list) DYNA_free(&list);
    list = nullptr;
}

int extra_count() { return DYNA_count(TAP_EXTRA_PIN); }

GroupSizeList extra_group(int k) { return k < DYNA_count(EXTRA_PIN_GROUP) ? EXTRA_PIN_GROUP[k] : nullptr; }
BufferEntry* extra_buffer(int k) { return k < DYNA_count(EXTRA_PIN_BUF) ? EXTRA_PIN_BUF[k] : nullptr; }

const char* lib_pin(char* TapCellEntry::*field) { return TAP_CONTR ? TAP_CONTR->*field : nullptr; }
const char* lib_extra_pin(int k) {
    return TAP_CONTR && k < DYNA_count(TAP_CONTR->extra) ? TAP_CONTR->extra[k] : nullptr;
}

void report_line(const std::string& line) { DYNA_append(&BUFFER_REPORT, qdx_strdup(line.c_str())); }

// The two report lines after a tree (without trees, after the inverting
// buffer of an active-low pin).
void report(int depth, GroupSizeList groups, int loads, bool rule_only) {
    const int buffers = trees() ? DYNA_count(groups) : 1;
    if (depth <= 0 || buffers == 0) return;
    if (!rule_only)
        report_line(STR_format("     Level %d: %3d buffers    drive %3d scan cells\n", depth + 1, buffers, loads));
    report_line("  -----------------------------------------------\n");
}

// Cells hang on the leaves in chain order, each leaf taking its group's size.
void advance(GroupSizeList groups, int& index, int& count) {
    ++count;
    if (index < DYNA_count(groups) && count >= groups[index]) {
        ++index;
        count = 0;
    }
}

// A control signal: its TAP pin, the tree (or -df_speed chain) that
// carries it to the cells, and the cursor of the cells hung on its groups.
struct Signal {
    std::string stem;
    const char* lib;  // the TAP pin as the library writes it
    const char* pin;  // without its active-low mark
    GroupSizeList groups;
    BufferEntry* buffer;
    int* level;
    int* index;
    int* count;
};

Signal shift_signal() {
    return {"shift", lib_pin(&TapCellEntry::shift_dr), TAP_SHIFT_PIN, SHIFT_GROUP, SHIFT_BUF, &SHIFT_DR_LEVEL,
            &SHIFT_INDEX, &SHIFT_CNT};
}
Signal clock_signal() {
    return {"clock", lib_pin(&TapCellEntry::clock_dr), TAP_CLOCK_PIN, CLOCK_GROUP, CLOCK_BUF, &CLOCK_DR_LEVEL,
            &CLOCK_INDEX, &CLOCK_CNT};
}
Signal update_signal() {
    return {"update", lib_pin(&TapCellEntry::update_dr), TAP_UPDATE_PIN, UPDATE_GROUP, UPDATE_BUF, &UPDATE_DR_LEVEL,
            &UPDATE_INDEX, &UPDATE_CNT};
}
Signal highz_signal() {
    return {"highz", lib_pin(&TapCellEntry::highz_command), TAP_HIGHZ_PIN, HIGHZ_GROUP, HIGHZ_BUF, &HIGHZ_LEVEL,
            &HIGHZ_INDEX, &HIGHZ_CNT};
}
Signal rst_signal() {
    return {"rst", lib_pin(&TapCellEntry::tap_reset), TAP_RST_PIN, RST_GROUP, RST_BUF, &RST_LEVEL, &RST_INDEX, &RST_CNT};
}
Signal mode1_signal() {
    return {"mode1", lib_pin(&TapCellEntry::mode1), TAP_MODE1_PIN, MODE1_GROUP, MODE1_BUF, &MODE1_LEVEL, &MODE1_INDEX,
            &MODE1_CNT};
}
Signal mode2_signal() {
    return {"mode2", lib_pin(&TapCellEntry::mode2), TAP_MODE2_PIN, MODE2_GROUP, MODE2_BUF, &MODE2_LEVEL, &MODE2_INDEX,
            &MODE2_CNT};
}
Signal mode3_signal() {
    return {"mode3", lib_pin(&TapCellEntry::mode3), TAP_MODE3_PIN, MODE3_GROUP, MODE3_BUF, &MODE3_LEVEL, &MODE3_INDEX,
            &MODE3_CNT};
}
// The boundary cells' own clock of -synch, rooted at the TAP's "BCELL_TCK".
Signal bclk_signal() {
    return {"bclk", nullptr, "BCELL_TCK", BCLK_GROUP, BCLK_BUF, &BCLK_LEVEL, &BCLK_INDEX, &BCLK_CNT};
}
// EXTRA_<k+1>; its cursor must exist (k below the count of EXTRA_INDEX).
Signal extra_signal(int k) {
    int* level = k < DYNA_count(EXTRA_PIN_LEVEL) ? &EXTRA_PIN_LEVEL[k] : nullptr;
    return {STR_format("extra%d", k + 1), lib_extra_pin(k), TAP_EXTRA_PIN[k], extra_group(k), extra_buffer(k), level,
            &EXTRA_INDEX[k], &EXTRA_CNT[k]};
}

// The tree (or -df_speed chain) of a signal with `loads` cell pins.
// Without trees the cells take the TAP pin straight, or, as they take
// every signal active high, through one inverting buffer for an
// active-low pin.
int build(FILE* fp, const Signal& s, int loads) {
    const char* stem = s.stem.c_str();
    if (!trees()) return is_active_low(s.lib) && loads > 0 && set(s.pin) ? bs_build_pin_inverter(fp, s.pin, stem) : 0;
    return df_speed() ? build_dfspeed_buffer_balance_tree(fp, s.groups, s.pin, stem, s.buffer)
                      : build_buffer_balance_tree(fp, s.groups, s.pin, stem, s.buffer);
}

const char* output_of(const BufferEntry* b) { return or_text(b ? b->output : nullptr, ""); }

// A pin of `cell` straight to the signal's TAP pin (or to the port of
// that name when the TAP lies outside the module); for an active-low pin
// to the inverting buffer of its stem instead.
void to_tap(FILE* fp, const char* cell, const char* pin, const Signal& s, const ScanChainEntry* row) {
    if (!set(s.pin)) return;
    if (row) bsedit::leave_design_net(fp, *row, pin);
    if (is_active_low(s.lib)) {
        const BufferEntry* inv = TAP_CONTR && TAP_CONTR->inv_buffer ? get_buffer(TAP_CONTR->inv_buffer) : nullptr;
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.stem, "_buf_1_1{", output_of(inv), "}");
        return;
    }
    if (tap_in_module())
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", tap(), "{", s.pin, "}");
    else
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.pin);
}

// A pin of `cell` on its signal: on the buffer that serves the signal's
// current group, a leaf of its balanced tree or, with -df_speed, a buffer
// of its chain (whose buffers after the first may be another cell than
// the first); without trees straight on the TAP pin.  The pins of a row
// of SCAN_TAB (row, when given) leave a net of the design first.
void to_signal(FILE* fp, const char* cell, const char* pin, const Signal& s, const ScanChainEntry* row = nullptr) {
    if (!pin) return;
    if (!trees()) {
        to_tap(fp, cell, pin, s, row);
        return;
    }
    if (row) bsedit::leave_design_net(fp, *row, pin);
    if (df_speed())
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.stem, "_df_buf_", *s.index + 1, "{",
                           output_of(bs_chain_buffer(s.buffer, *s.index)), "}");
    else
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.stem, "_buf_", s.level ? *s.level : 0, "_",
                           *s.index + 1, "{", output_of(s.buffer), "}");
    advance(s.groups, *s.index, *s.count);
}

void reset_cursors() {
    SHIFT_INDEX = CLOCK_INDEX = UPDATE_INDEX = HIGHZ_INDEX = MODE1_INDEX = MODE2_INDEX = MODE3_INDEX = RST_INDEX =
        BCLK_INDEX = 0;
    SHIFT_CNT = CLOCK_CNT = UPDATE_CNT = HIGHZ_CNT = MODE1_CNT = MODE2_CNT = MODE3_CNT = RST_CNT = BCLK_CNT = 0;
    free_int_list(EXTRA_INDEX);
    free_int_list(EXTRA_CNT);
    EXTRA_INDEX = DYNA_new<int>();
    EXTRA_CNT = DYNA_new<int>();
    for (int k = 0, n = extra_count(); k < n; ++k) {
        DYNA_append(&EXTRA_INDEX, 0);
        DYNA_append(&EXTRA_CNT, 0);
    }
}

// The pad buffer's own MODE pins of a mux pad, when open or tied, on the
// mode signals as the cells' MODE pins are.
void pad_mode_pins(FILE* fp, int pad_row) {
    if (pad_row < 0 || pad_row >= DYNA_count(OPIN_TAB)) return;
    const PadEntry& p = OPIN_TAB[pad_row];
    const BufferEntry* b = p.buffer;
    if (!b) return;
    struct {
        const char* pin;
        int net;
        const char* word;
        Signal signal;
    } modes[] = {{b->mode1, p.mode1_net, "MODE_1", mode1_signal()},
                 {b->mode2, p.mode2_net, "MODE_2", mode2_signal()},
                 {b->mode3, p.mode3_net, "MODE_3", mode3_signal()}};
    const char* inst = or_text(p.pad_instance, "");
    for (auto& m : modes) {
        if (!m.pin || m.net >= 2 || (trees() && !m.signal.buffer)) continue;
        if (m.net == 0 || m.net == 1) {
            qdx_printf("WARNING: Pin %%%s of pad '%s'(%s) connected to %s.\n", m.word, inst, or_text(p.pad_cell, ""),
                       m.net == 0 ? "GND" : "VCC");
            qdx_printf("         %%%s '%s' will be disconnected and reconnected to TAP.\n", m.word, m.pin);
            std::fprintf(fp, "disconnect %s{%s}\n", inst, m.pin);
        }
        to_signal(fp, inst, m.pin, m.signal);
    }
}

// The signals whose trees are rooted at TAP pins, in the order they are
// built, with their loads.
struct TreeSignal {
    Signal signal;
    int loads;
    bool rule_only;  // the report gives only the rule after it (-df_speed clock)
    bool always;     // built even when the TAP does not name the pin (shift, clock)
};

bool wanted(const TreeSignal& s) { return s.always || set(s.signal.pin); }

std::vector<TreeSignal> tree_signals() {
    return {{shift_signal(), NEED_SHIFT_DR, false, true},   {clock_signal(), NEED_CLOCK_DR, df_speed(), true},
            {update_signal(), NEED_UPDATE_DR, false, false}, {highz_signal(), NEED_HIGHZ, false, false},
            {rst_signal(), NEED_RST, false, false},         {mode1_signal(), NEED_MODE1, false, false},
            {mode2_signal(), NEED_MODE2, false, false},     {mode3_signal(), NEED_MODE3, false, false}};
}

int extra_loads(int k) { return k < DYNA_count(NEED_EXTRA_PIN) ? NEED_EXTRA_PIN[k] : 0; }

// The trees (or chains) of every control signal, rooted at the TAP pins
// (or at the module's ports), with their report lines when asked; the
// cursors start anew.
void build_trees(FILE* fp, bool with_report) {
    reset_cursors();
    if (synch()) {
        BCLK_LEVEL = build(fp, bclk_signal(), NEED_BCLK);
        if (with_report) report(BCLK_LEVEL, BCLK_GROUP, NEED_BCLK, df_speed());
    }
    for (const TreeSignal& o : tree_signals()) {
        if (!wanted(o)) continue;
        *o.signal.level = build(fp, o.signal, o.loads);
        if (with_report) report(*o.signal.level, o.signal.groups, o.loads, o.rule_only);
    }
    free_int_list(EXTRA_PIN_LEVEL);
    if (trees()) EXTRA_PIN_LEVEL = DYNA_new<int>();
    for (int k = 0, n = extra_count(); k < n; ++k) {
        const Signal s = extra_signal(k);
        const int level = build(fp, s, extra_loads(k));
        if (!trees()) {
            // Without trees: the inverting buffer of an active-low pin.
            if (with_report) report(level, nullptr, extra_loads(k), false);
            continue;
        }
        DYNA_append(&EXTRA_PIN_LEVEL, level);
        if (!with_report) continue;
        report_line(STR_format("     Level %d: %3d buffers    drive %3d scan cells\n", level + 1,
                               DYNA_count(s.groups), extra_loads(k)));
        report_line("  -------------------------------------\n");
    }
}

}  // namespace

void connect_control_signal(FILE* fp, int row) {
    const ScanChainEntry& s = SCAN_TAB[row];
    const char* c = or_text(s.instance, "");
    to_signal(fp, c, s.clock_dr, clock_signal(), &s);
    if (synch()) to_signal(fp, c, s.tck, bclk_signal(), &s);
    to_signal(fp, c, s.shift_dr, shift_signal(), &s);
    to_signal(fp, c, s.update_dr, update_signal(), &s);
    to_signal(fp, c, s.highz, highz_signal(), &s);
    to_signal(fp, c, s.rst, rst_signal(), &s);
    to_signal(fp, c, s.mode1, mode1_signal(), &s);
    to_signal(fp, c, s.mode2, mode2_signal(), &s);
    to_signal(fp, c, s.mode3, mode3_signal(), &s);
    for (int k = 0, n = DYNA_count(s.extra); k < n && k < extra_count() && k < DYNA_count(EXTRA_INDEX); ++k)
        to_signal(fp, c, s.extra[k], extra_signal(k), &s);
    pad_mode_pins(fp, s.pad);
}

void bsedit::leave_design_net(FILE* fp, const ScanChainEntry& s, const char* pin) {
    for (int i = 0, n = DYNA_count(s.on_nets); i < n; ++i) {
        const CellPinNet& on = s.on_nets[i];
        if (on.pin != pin) continue;
        const char* inst = or_text(s.instance, "");
        if (tied(on.net)) {
            qdx_printf("WARNING: Pin %s of pad '%s' connected to %s.\n", pin, inst, on.net == 0 ? "GND" : "VCC");
            qdx_printf("         %s will be disconnected and reconnected to the boundary scan.\n", pin);
        }
        bsedit::write_line(fp, "disconnect ", inst, "{", pin, "}");
        return;
    }
}

void bsedit::leave_design_nets_of_chain(FILE* fp, const ScanChainEntry& s) {
    if (s.tdo) leave_design_net(fp, s, s.tdo);
    if (s.tdi) leave_design_net(fp, s, s.tdi);
}

void connect_scan_cell_in_cmd(FILE*& fp) {
    build_trees(fp, true);

    // The chain, from row 0 next to LAST_BCELL round to FIRST_BCELL,
    // stitched anew through every cell.
    const char* first = TAP_CONTR ? without_low_mark(TAP_CONTR->first_bcell) : nullptr;
    const char* last = TAP_CONTR ? without_low_mark(TAP_CONTR->last_bcell) : nullptr;
    int n = DYNA_count(SCAN_TAB);
    for (int i = 0; i < n; ++i) bsedit::leave_design_nets_of_chain(fp, SCAN_TAB[i]);
    if (n > 0) {
        const ScanChainEntry& row0 = SCAN_TAB[0];
        if (tap_in_module())
            bsedit::write_line(fp, "connect ", row0.instance, "{", or_text(row0.tdo, ""), "} ", tap(), "{",
                               or_text(last, ""), "}");
        else
            bsedit::write_line(fp, "connect ", row0.instance, "{", or_text(row0.tdo, ""), "} chain_out");
        for (int i = 0; i + 1 < n; ++i) {
            connect_control_signal(fp, i);
            bsedit::write_line(fp, "connect ", SCAN_TAB[i].instance, "{", or_text(SCAN_TAB[i].tdi, ""), "} ",
                               SCAN_TAB[i + 1].instance, "{", or_text(SCAN_TAB[i + 1].tdo, ""), "}");
        }
        connect_control_signal(fp, n - 1);
        const ScanChainEntry& end = SCAN_TAB[n - 1];
        if (tap_in_module())
            bsedit::write_line(fp, "connect ", end.instance, "{", or_text(end.tdi, ""), "} ", tap(), "{",
                               or_text(first, ""), "}");
        else
            bsedit::write_line(fp, "connect ", end.instance, "{", or_text(end.tdi, ""), "} chain_in");
    }
    std::fputs("save\nquit\n", fp);
    bs_close_cmd_file(fp);
}

void connect_scan_cell_in_cmd_for_multi_io(FILE* fp, const std::vector<int>& cells) {
    // The trees of this module, rooted at its ports (or at the TAP in the
    // top); the module's cells hang on them in chain order.
    build_trees(fp, false);
    for (int i : cells) connect_control_signal(fp, i);
}

void bsedit::reset_chain_state() {
    HIGHZ_LEVEL = HIGHZ_INDEX = 0;
    free_int_list(EXTRA_PIN_LEVEL);
    free_int_list(EXTRA_INDEX);
    free_int_list(EXTRA_CNT);
}
