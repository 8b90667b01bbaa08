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
int shift_level_count = 0, clock_level_count = 0, update_level_count = 0, highz_level_count = 0,
    mode1_level_count = 0, mode2_level_count = 0, mode3_level_count = 0;

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

// The tree (or -df_speed chain) of a signal whose TAP pin is `pin`
// (`lib` as the library writes it), with `loads` cell pins.  Without
// trees the cells take the TAP pin straight, or, as they take every
// signal active high, through one inverting buffer for an active-low pin.
int build(FILE* fp, GroupSizeList groups, const char* lib, const char* pin, const char* stem, BufferEntry* buffer,
          int loads) {
    if (!trees()) return is_active_low(lib) && loads > 0 && set(pin) ? bs_build_pin_inverter(fp, pin, stem) : 0;
    return df_speed() ? build_dfspeed_buffer_balance_tree(fp, groups, pin, stem, buffer)
                      : build_buffer_balance_tree(fp, groups, pin, stem, buffer);
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

struct Signal {
    const char* stem;
    GroupSizeList* groups;
    BufferEntry** buffer;
    int* level;
    int* index;
    int* count;
};

Signal shift_signal() { return {"shift", &SHIFT_GROUP, &SHIFT_BUF, &SHIFT_DR_LEVEL, &SHIFT_INDEX, &SHIFT_CNT}; }
Signal clock_signal() { return {"clock", &CLOCK_GROUP, &CLOCK_BUF, &CLOCK_DR_LEVEL, &CLOCK_INDEX, &CLOCK_CNT}; }
Signal update_signal() { return {"update", &UPDATE_GROUP, &UPDATE_BUF, &UPDATE_DR_LEVEL, &UPDATE_INDEX, &UPDATE_CNT}; }
Signal highz_signal() { return {"highz", &HIGHZ_GROUP, &HIGHZ_BUF, &HIGHZ_LEVEL, &HIGHZ_INDEX, &HIGHZ_CNT}; }
Signal rst_signal() { return {"rst", &RST_GROUP, &RST_BUF, &RST_LEVEL, &RST_INDEX, &RST_CNT}; }
Signal mode1_signal() { return {"mode1", &MODE1_GROUP, &MODE1_BUF, &MODE1_LEVEL, &MODE1_INDEX, &MODE1_CNT}; }
Signal mode2_signal() { return {"mode2", &MODE2_GROUP, &MODE2_BUF, &MODE2_LEVEL, &MODE2_INDEX, &MODE2_CNT}; }
Signal mode3_signal() { return {"mode3", &MODE3_GROUP, &MODE3_BUF, &MODE3_LEVEL, &MODE3_INDEX, &MODE3_CNT}; }
Signal bclk_signal() { return {"bclk", &BCLK_GROUP, &BCLK_BUF, &BCLK_LEVEL, &BCLK_INDEX, &BCLK_CNT}; }

const char* output_of(const BufferEntry* b) { return or_text(b ? b->output : nullptr, ""); }

// A cell pin on the current leaf of a balanced tree.  The pins of a row of
// SCAN_TAB (row, when given) leave a net of the design first.
void to_leaf(FILE* fp, const char* cell, const char* pin, const Signal& s, const ScanChainEntry* row = nullptr) {
    if (!pin) return;
    if (row) bsedit::leave_design_net(fp, *row, pin);
    bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.stem, "_buf_", *s.level, "_", *s.index + 1, "{",
                       output_of(*s.buffer), "}");
    advance(*s.groups, *s.index, *s.count);
}

// A cell pin on the current buffer of a -df_speed chain (the chain's
// buffers after the first may be another cell than the first).
void to_chain(FILE* fp, const ScanChainEntry& row, const char* pin, const Signal& s) {
    if (!pin) return;
    const char* cell = or_text(row.instance, "");
    bsedit::leave_design_net(fp, row, pin);
    bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", s.stem, "_df_buf_", *s.index + 1, "{",
                       output_of(bs_chain_buffer(*s.buffer, *s.index)), "}");
    advance(*s.groups, *s.index, *s.count);
}

// A cell pin straight to the TAP pin (or to the port of that name when the
// TAP lies outside the module); for an active-low pin (`lib` as the
// library writes it) to the inverting buffer of its stem instead.
void to_tap(FILE* fp, const ScanChainEntry& row, const char* pin, const char* tap_pin, const char* lib = nullptr,
            const std::string& stem = "") {
    if (!pin || !set(tap_pin)) return;
    const char* cell = or_text(row.instance, "");
    bsedit::leave_design_net(fp, row, pin);
    if (is_active_low(lib)) {
        const BufferEntry* inv = TAP_CONTR && TAP_CONTR->inv_buffer ? get_buffer(TAP_CONTR->inv_buffer) : nullptr;
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", stem, "_buf_1_1{", output_of(inv), "}");
        return;
    }
    if (tap_in_module())
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", tap(), "{", tap_pin, "}");
    else
        bsedit::write_line(fp, "connect ", cell, "{", pin, "} ", tap_pin);
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
// mode trees.
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
        if (!m.pin || m.net >= 2 || !*m.signal.buffer) continue;
        if (m.net == 0 || m.net == 1) {
            qdx_printf("WARNING: Pin %%%s of pad '%s'(%s) connected to %s.\n", m.word, inst, or_text(p.pad_cell, ""),
                       m.net == 0 ? "GND" : "VCC");
            qdx_printf("         %%%s '%s' will be disconnected and reconnected to TAP.\n", m.word, m.pin);
            std::fprintf(fp, "disconnect %s{%s}\n", inst, m.pin);
        }
        to_leaf(fp, inst, m.pin, m.signal);
    }
}

// The signals whose trees are rooted at TAP pins, in the order they are
// built, with their loads.
struct TreeSignal {
    const char* lib;  // the TAP pin as the library writes it
    const char* pin;  // without its active-low mark
    GroupSizeList groups;
    const char* stem;
    BufferEntry* buffer;
    int* level;
    int loads;
    bool rule_only;  // the report gives only the rule after it (-df_speed clock)
    bool always;     // built even when the TAP does not name the pin (shift, clock)
};

bool wanted(const TreeSignal& s) { return s.always || set(s.pin); }

std::vector<TreeSignal> tree_signals() {
    const bool df = df_speed();
    return {{lib_pin(&TapCellEntry::shift_dr), TAP_SHIFT_PIN, SHIFT_GROUP, "shift", SHIFT_BUF, &SHIFT_DR_LEVEL,
             NEED_SHIFT_DR, false, true},
            {lib_pin(&TapCellEntry::clock_dr), TAP_CLOCK_PIN, CLOCK_GROUP, "clock", CLOCK_BUF, &CLOCK_DR_LEVEL,
             NEED_CLOCK_DR, df, true},
            {lib_pin(&TapCellEntry::update_dr), TAP_UPDATE_PIN, UPDATE_GROUP, "update", UPDATE_BUF, &UPDATE_DR_LEVEL,
             NEED_UPDATE_DR, false, false},
            {lib_pin(&TapCellEntry::highz_command), TAP_HIGHZ_PIN, HIGHZ_GROUP, "highz", HIGHZ_BUF, &HIGHZ_LEVEL,
             NEED_HIGHZ, false, false},
            {lib_pin(&TapCellEntry::tap_reset), TAP_RST_PIN, RST_GROUP, "rst", RST_BUF, &RST_LEVEL, NEED_RST, false, false},
            {lib_pin(&TapCellEntry::mode1), TAP_MODE1_PIN, MODE1_GROUP, "mode1", MODE1_BUF, &MODE1_LEVEL, NEED_MODE1,
             false, false},
            {lib_pin(&TapCellEntry::mode2), TAP_MODE2_PIN, MODE2_GROUP, "mode2", MODE2_BUF, &MODE2_LEVEL, NEED_MODE2,
             false, false},
            {lib_pin(&TapCellEntry::mode3), TAP_MODE3_PIN, MODE3_GROUP, "mode3", MODE3_BUF, &MODE3_LEVEL, NEED_MODE3,
             false, false}};
}

int extra_loads(int k) { return k < DYNA_count(NEED_EXTRA_PIN) ? NEED_EXTRA_PIN[k] : 0; }

// Without trees: the inverting buffers of the active-low EXTRA_n pins.
void build_extra_inverters(FILE* fp, bool with_report) {
    for (int k = 0, n = extra_count(); k < n; ++k) {
        const std::string stem = STR_format("extra%d", k + 1);
        const int level = build(fp, nullptr, lib_extra_pin(k), TAP_EXTRA_PIN[k], stem.c_str(), nullptr, extra_loads(k));
        if (with_report) report(level, nullptr, extra_loads(k), false);
    }
}

}  // namespace

void connect_control_signal(FILE* fp, int row) {
    const ScanChainEntry& s = SCAN_TAB[row];
    const char* c = or_text(s.instance, "");
    if (!df_speed()) {
        if (group_size() < 1) {
            to_tap(fp, s, s.clock_dr, TAP_CLOCK_PIN, lib_pin(&TapCellEntry::clock_dr), "clock");
            if (synch()) to_tap(fp, s, s.tck, "BCELL_TCK");
        } else {
            to_leaf(fp, c, s.clock_dr, clock_signal(), &s);
            if (synch()) to_leaf(fp, c, s.tck, bclk_signal(), &s);
        }
    } else if (trees()) {
        to_chain(fp, s, s.clock_dr, clock_signal());
        if (synch()) to_chain(fp, s, s.tck, bclk_signal());
        to_chain(fp, s, s.shift_dr, shift_signal());
        to_chain(fp, s, s.update_dr, update_signal());
        to_chain(fp, s, s.rst, rst_signal());
        to_chain(fp, s, s.mode1, mode1_signal());
        to_chain(fp, s, s.mode2, mode2_signal());
        to_chain(fp, s, s.mode3, mode3_signal());
    }
    if (!trees()) {
        if (df_speed()) {
            to_tap(fp, s, s.clock_dr, TAP_CLOCK_PIN, lib_pin(&TapCellEntry::clock_dr), "clock");
            if (synch()) to_tap(fp, s, s.tck, "BCELL_TCK");
        }
        to_tap(fp, s, s.shift_dr, TAP_SHIFT_PIN, lib_pin(&TapCellEntry::shift_dr), "shift");
        to_tap(fp, s, s.update_dr, TAP_UPDATE_PIN, lib_pin(&TapCellEntry::update_dr), "update");
        to_tap(fp, s, s.highz, TAP_HIGHZ_PIN, lib_pin(&TapCellEntry::highz_command), "highz");
        to_tap(fp, s, s.rst, TAP_RST_PIN, lib_pin(&TapCellEntry::tap_reset), "rst");
        to_tap(fp, s, s.mode1, TAP_MODE1_PIN, lib_pin(&TapCellEntry::mode1), "mode1");
        to_tap(fp, s, s.mode2, TAP_MODE2_PIN, lib_pin(&TapCellEntry::mode2), "mode2");
        to_tap(fp, s, s.mode3, TAP_MODE3_PIN, lib_pin(&TapCellEntry::mode3), "mode3");
        for (int k = 0, n = DYNA_count(s.extra); k < n && k < extra_count(); ++k)
            to_tap(fp, s, s.extra[k], TAP_EXTRA_PIN[k], lib_extra_pin(k), STR_format("extra%d", k + 1));
        return;
    }
    if (df_speed()) return;
    to_leaf(fp, c, s.shift_dr, shift_signal(), &s);
    to_leaf(fp, c, s.update_dr, update_signal(), &s);
    to_leaf(fp, c, s.highz, highz_signal(), &s);
    to_leaf(fp, c, s.rst, rst_signal(), &s);
    to_leaf(fp, c, s.mode1, mode1_signal(), &s);
    to_leaf(fp, c, s.mode2, mode2_signal(), &s);
    to_leaf(fp, c, s.mode3, mode3_signal(), &s);
    for (int k = 0, n = DYNA_count(s.extra); k < n && k < DYNA_count(EXTRA_INDEX); ++k) {
        if (!s.extra[k]) continue;
        int level = k < DYNA_count(EXTRA_PIN_LEVEL) ? EXTRA_PIN_LEVEL[k] : 0;
        bsedit::leave_design_net(fp, s, s.extra[k]);
        bsedit::write_line(fp, "connect ", c, "{", s.extra[k], "} extra", k + 1, "_buf_", level, "_", EXTRA_INDEX[k] + 1,
                           "{", output_of(extra_buffer(k)), "}");
        advance(extra_group(k), EXTRA_INDEX[k], EXTRA_CNT[k]);
    }
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
    // The trees, rooted at the TAP pins.
    bool df = df_speed();
    if (synch()) {
        BCLK_LEVEL = build(fp, BCLK_GROUP, nullptr, "BCELL_TCK", "bclk", BCLK_BUF, NEED_BCLK);
        report(BCLK_LEVEL, BCLK_GROUP, NEED_BCLK, df);
    }
    for (const TreeSignal& o : tree_signals()) {
        if (!wanted(o)) continue;
        *o.level = build(fp, o.groups, o.lib, o.pin, o.stem, o.buffer, o.loads);
        report(*o.level, o.groups, o.loads, o.rule_only);
    }
    free_int_list(EXTRA_PIN_LEVEL);
    if (group_size() >= 1) {
        EXTRA_PIN_LEVEL = DYNA_new<int>();
        for (int k = 0, n = extra_count(); k < n; ++k) {
            std::string stem = STR_format("extra%d", k + 1);
            int level = build(fp, extra_group(k), lib_extra_pin(k), TAP_EXTRA_PIN[k], stem.c_str(), extra_buffer(k),
                              extra_loads(k));
            DYNA_append(&EXTRA_PIN_LEVEL, level);
            report_line(STR_format("     Level %d: %3d buffers    drive %3d scan cells\n", level + 1,
                                   DYNA_count(extra_group(k)), extra_loads(k)));
            report_line("  -------------------------------------\n");
        }
    } else {
        build_extra_inverters(fp, true);
    }

    // The chain, from row 0 next to LAST_BCELL round to FIRST_BCELL,
    // stitched anew through every cell.
    reset_cursors();
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
    // top).
    if (synch()) BCLK_LEVEL = build(fp, BCLK_GROUP, nullptr, "BCELL_TCK", "bclk", BCLK_BUF, NEED_BCLK);
    for (const TreeSignal& o : tree_signals())
        if (wanted(o)) *o.level = build(fp, o.groups, o.lib, o.pin, o.stem, o.buffer, o.loads);
    free_int_list(EXTRA_PIN_LEVEL);
    if (group_size() >= 1) {
        EXTRA_PIN_LEVEL = DYNA_new<int>();
        for (int k = 0, n = extra_count(); k < n; ++k) {
            std::string stem = STR_format("extra%d", k + 1);
            DYNA_append(&EXTRA_PIN_LEVEL, build(fp, extra_group(k), lib_extra_pin(k), TAP_EXTRA_PIN[k], stem.c_str(),
                                                extra_buffer(k), extra_loads(k)));
        }
    } else {
        build_extra_inverters(fp, false);
    }
    // The module's cells hang on its own trees in chain order.
    reset_cursors();
    for (int i : cells) connect_control_signal(fp, i);
}

void add_buffer(FILE* fp) {
    bool df = df_speed();
    auto tree = [&](GroupSizeList groups, const char* pin, const char* stem, BufferEntry* buffer, int* depth,
                    int* width) {
        if (df) {
            *depth = build_dfspeed_buffer_balance_tree(fp, groups, pin, stem, buffer);
            return;
        }
        level_count = 0;
        *depth = make_buffer(fp, groups, pin, stem, buffer);
        if (width) *width = level_count;
    };
    tree(SHIFT_GROUP, TAP_SHIFT_PIN, "shift", SHIFT_BUF, &SHIFT_DR_LEVEL, &shift_level_count);
    tree(CLOCK_GROUP, TAP_CLOCK_PIN, "clock", CLOCK_BUF, &CLOCK_DR_LEVEL, &clock_level_count);
    if (set(TAP_UPDATE_PIN)) tree(UPDATE_GROUP, TAP_UPDATE_PIN, "update", UPDATE_BUF, &UPDATE_DR_LEVEL, &update_level_count);
    if (set(TAP_HIGHZ_PIN)) tree(HIGHZ_GROUP, TAP_HIGHZ_PIN, "highz", HIGHZ_BUF, &HIGHZ_LEVEL, &highz_level_count);
    if (set(TAP_RST_PIN)) tree(RST_GROUP, TAP_RST_PIN, "rst", RST_BUF, &RST_LEVEL, nullptr);
    if (set(TAP_MODE1_PIN)) tree(MODE1_GROUP, TAP_MODE1_PIN, "mode1", MODE1_BUF, &MODE1_LEVEL, &mode1_level_count);
    if (set(TAP_MODE2_PIN)) tree(MODE2_GROUP, TAP_MODE2_PIN, "mode2", MODE2_BUF, &MODE2_LEVEL, &mode2_level_count);
    if (set(TAP_MODE3_PIN)) tree(MODE3_GROUP, TAP_MODE3_PIN, "mode3", MODE3_BUF, &MODE3_LEVEL, &mode3_level_count);
    free_int_list(EXTRA_PIN_LEVEL);
    EXTRA_PIN_LEVEL = DYNA_new<int>();
    for (int k = 0, n = extra_count(); k < n; ++k) {
        std::string stem = STR_format("extra%d", k + 1);
        int depth = 0;
        tree(extra_group(k), TAP_EXTRA_PIN[k], stem.c_str(), extra_buffer(k), &depth, nullptr);
        DYNA_append(&EXTRA_PIN_LEVEL, depth);
    }
}

void bsedit::reset_chain_state() {
    HIGHZ_LEVEL = HIGHZ_INDEX = 0;
    free_int_list(EXTRA_PIN_LEVEL);
    free_int_list(EXTRA_INDEX);
    free_int_list(EXTRA_CNT);
    shift_level_count = clock_level_count = update_level_count = highz_level_count = mode1_level_count =
        mode2_level_count = mode3_level_count = 0;
}
