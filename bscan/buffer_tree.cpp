// Buffer trees of the test control signals: the loads of each signal are
// split into groups of bounded size, one buffer per group, and a balanced
// tree of buffers joins the TAP pin to the group buffers (or, with
// -df_speed, a chain of buffers).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "jtag/insertion_facts.h"
#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

GroupSizeList SHIFT_GROUP = nullptr, CLOCK_GROUP = nullptr, UPDATE_GROUP = nullptr, HIGHZ_GROUP = nullptr,
              RST_GROUP = nullptr, MODE1_GROUP = nullptr, MODE2_GROUP = nullptr, MODE3_GROUP = nullptr,
              BCLK_GROUP = nullptr;
GroupSizeList* EXTRA_PIN_GROUP = nullptr;
BufferEntry *SHIFT_BUF = nullptr, *CLOCK_BUF = nullptr, *UPDATE_BUF = nullptr, *HIGHZ_BUF = nullptr, *MODE1_BUF = nullptr,
            *MODE2_BUF = nullptr, *MODE3_BUF = nullptr, *RST_BUF = nullptr, *BCLK_BUF = nullptr;
BufferEntry** EXTRA_PIN_BUF = nullptr;
int level_count = 0;
int shift_index = 0, clock_index = 0, update_index = 0, mode1_index = 0, mode2_index = 0, mode3_index = 0;

namespace {

// A grouping that cannot be made: the run ends with a failure status.
[[noreturn]] void group_error(int n, int limit) {
    qdx_exit_printf(-1, "ERROR: Can't group %d with max size %d !\n", n, limit);
}

GroupSizeList to_list(const std::vector<int>& sizes) {
    if (sizes.empty()) return nullptr;
    GroupSizeList list = DYNA_new<int>();
    for (int s : sizes) DYNA_append(&list, s);
    return list;
}

void free_list(GroupSizeList& list) {
    if (list) DYNA_free(&list);
    list = nullptr;
}

void free_extra_groups() {
    for (int i = 0, n = DYNA_count(EXTRA_PIN_GROUP); i < n; ++i) free_list(EXTRA_PIN_GROUP[i]);
    if (EXTRA_PIN_GROUP) DYNA_free(&EXTRA_PIN_GROUP);
    EXTRA_PIN_GROUP = nullptr;
}

void free_groups() {
    for (GroupSizeList* g : {&SHIFT_GROUP, &CLOCK_GROUP, &UPDATE_GROUP, &HIGHZ_GROUP, &RST_GROUP, &MODE1_GROUP,
                             &MODE2_GROUP, &MODE3_GROUP, &BCLK_GROUP})
        free_list(*g);
    free_extra_groups();
}

// The buffer of a signal whose TAP pin is `pin`: the inverting buffer for
// an active-low pin; a pin that is not declared keeps the earlier choice.
void choose(BufferEntry*& slot, const char* pin, BufferEntry* plain, BufferEntry* inverting) {
    if (!pin) return;
    slot = is_active_low(pin) ? inverting : plain;
}

void choose_extra(BufferEntry* plain, BufferEntry* inverting) {
    const TapCellEntry* t = TAP_CONTR;
    int n = std::max(DYNA_count(t ? t->extra : nullptr), DYNA_count(NEED_EXTRA_PIN));
    if (!EXTRA_PIN_BUF) EXTRA_PIN_BUF = DYNA_new<BufferEntry*>();
    while (DYNA_count(EXTRA_PIN_BUF) < n) DYNA_append(&EXTRA_PIN_BUF, plain);
    for (int k = 0; k < n; ++k) {
        const char* pin = t && k < DYNA_count(t->extra) ? t->extra[k] : nullptr;
        choose(EXTRA_PIN_BUF[k], pin, plain, inverting);
    }
}

void extra_groups(int limit, bool dfspeed) {
    free_extra_groups();
    EXTRA_PIN_GROUP = DYNA_new<GroupSizeList>();
    for (int k = 0, n = DYNA_count(NEED_EXTRA_PIN); k < n; ++k)
        DYNA_append(&EXTRA_PIN_GROUP, dfspeed ? bs_dfspeed(NEED_EXTRA_PIN[k], limit) : bs_group(NEED_EXTRA_PIN[k], limit));
}

// The TAP is reached inside the module being edited: no pad module, or the
// pad module that holds the TAP instance.
bool tap_in_module() {
    return !PAD_MODULE_EXIST || (kest_hier_same_instance_iopadG == 0 && kest_hier_instance_matchG == 1);
}

void report(const std::string& line) { DYNA_append(&BUFFER_REPORT, qdx_strdup(line.c_str())); }

// The TAP's plain and inverting buffers, as the library names them.
BufferEntry* plain_buffer() {
    return TAP_CONTR && TAP_CONTR->signal_buffer ? get_buffer(TAP_CONTR->signal_buffer) : nullptr;
}
BufferEntry* inverting_buffer() {
    return TAP_CONTR && TAP_CONTR->inv_buffer ? get_buffer(TAP_CONTR->inv_buffer) : nullptr;
}

// The depth of a balanced tree of n leaf buffers under a TAP pin of
// fan-out `limit` (as tree_level builds it).
int tree_depth(int n, int limit) {
    int depth = 1;
    while (n > limit) {
        n = static_cast<int>(bs_group_sizes(n, std::max(limit, 2)).size());
        ++depth;
    }
    return depth;
}

// A tree or chain of more than one buffer behind an active-low TAP pin
// needs a plain buffer for the buffers that pass the signal on: the
// inverting buffer may stand on one level only.
void need_relay(const BufferEntry* chosen, const char* stem, int buffers_in_line) {
    if (buffers_in_line <= 1 || bs_relay_buffer(chosen)) return;
    const char* tap = TAP_CONTR && TAP_CONTR->name ? TAP_CONTR->name : "";
    qdx_printf("ERROR: the %s signal needs %d buffers in line from the TAP to its cells, but\n", stem,
               buffers_in_line);
    qdx_printf("       %%TAP_CONTROLLER %s declares no %%SIGNAL_BUFFER: its active-low pin\n", tap);
    qdx_printf("       takes %%INV_BUFFER '%s', which may invert the signal only once.\n",
               chosen && chosen->name ? chosen->name : "");
    qdx_exit_printf(-1, "       Please declare %%SIGNAL_BUFFER in file '%s'.\n\n", JTAG_LIB_FILE.c_str());
}

// One level of buffers driving the next: the children are numbered across
// the parents in order, parent k taking the next groups[k] children.
void connect_levels(FILE* fp, const char* stem, int upper, int lower, const std::vector<int>& groups,
                    const BufferEntry* parent, const BufferEntry* child_buffer) {
    int child = 1;
    for (size_t k = 0; k < groups.size(); ++k)
        for (int i = 0; i < groups[k]; ++i, ++child)
            bsedit::write_line(fp, "connect ", stem, "_buf_", upper, "_", k + 1, "{", parent->output, "} ", stem, "_buf_",
                               lower, "_", child, "{", child_buffer->input, "}");
}

// A level of n buffers below the TAP, the recursion of the balanced tree.
// `limit` is the TAP pin's fan-out; the buffers above a level share out
// their children with at least two each, so the tree always closes.  The
// leaves (the deepest level) are the signal's own buffer `leaf`, which the
// cells hang on; the levels above pass the signal on through `relay`, so
// an inverting buffer inverts it once.
int tree_level(FILE* fp, int n, int limit, const char* tap_pin, const char* stem, const BufferEntry* leaf,
               const BufferEntry* relay, bool deepest) {
    const BufferEntry* b = deepest ? leaf : relay;
    if (n <= limit) {
        for (int i = 1; i <= n; ++i) {
            bsedit::write_line(fp, "add ", stem, "_buf_1_", i, " ", b->name);
            if (tap_in_module())
                bsedit::write_line(fp, "connect ", bsnames::or_text(TAP_INSTANCE_NAME, ""), "{", tap_pin, "} ", stem,
                                   "_buf_1_", i, "{", b->input, "}");
            else
                bsedit::write_line(fp, "connect ", stem, "_buf_1_", i, "{", b->input, "} ", tap_pin);
        }
        if (n > 0) {
            report(STR_format("  ** Using buffer '%s' for signal '%s'\n", leaf->name, tap_pin));
            report("  ...............................................\n");
            report(STR_format("     Level 1: TAP controller drives %2d buffers\n", n));
        }
        return 1;
    }
    std::vector<int> upper = bs_group_sizes(n, std::max(limit, 2));
    int g = static_cast<int>(upper.size());
    int d = tree_level(fp, g, limit, tap_pin, stem, leaf, relay, false);
    for (int j = 1; j <= n; ++j) bsedit::write_line(fp, "add ", stem, "_buf_", d + 1, "_", j, " ", b->name);
    report(STR_format("     Level %d: %3d buffers    drive %3d buffers\n", d + 1, g, n));
    connect_levels(fp, stem, d, d + 1, upper, relay, b);
    return d + 1;
}

void store_level_width(const char* stem, int width) {
    struct {
        const char* stem;
        int* slot;
    } slots[] = {{"shift", &shift_index}, {"clock", &clock_index}, {"update", &update_index},
                 {"mode1", &mode1_index}, {"mode2", &mode2_index}, {"mode3", &mode3_index}};
    for (auto& s : slots)
        if (STR_ucomp(stem, s.stem) == 0) *s.slot = width;
}

// The Verilog form of a tree.  Level d (1 next to the TAP) holds buffers
// "<stem>_buf_<d>_<j>"; the buffers of level 1 share the root net
// "<stem>_buf_1_1_<input>", every other buffer's input is its parent's
// output net, and every buffer drives "<stem>_buf_<d>_<j>_<output>"; the
// leaf nets are those of the deepest level.  As in tree_level, the leaves
// are `leaf` and the levels above `relay`.
int verilog_level(FILE* fp, int n, int limit, const char* signal, const char* stem, const BufferEntry* leaf,
                  const BufferEntry* relay, bool deepest) {
    ++level_count;
    const BufferEntry* b = deepest ? leaf : relay;
    if (n <= limit) {
        for (int j = 1; j <= n; ++j) {
            if (PAD_MODULE_EXIST) {
                std::fprintf(fp, "add %s_buf_1_%d %s\n", stem, j, b->name);
                std::fprintf(fp, "connect %s_buf_1_%d{%s} %s\n", stem, j, b->input, signal);
            } else {
                // The root net keeps the name of the signal's own buffer's
                // input, which the module's writer drives.
                std::fprintf(fp, "%s %s_buf_1_%d ( .%s ( %s_buf_1_1_%s ) , .%s ( %s_buf_1_%d_%s ) ) ;\n", b->name, stem,
                             j, b->input, stem, leaf->input, b->output, stem, j, b->output);
            }
        }
        store_level_width(stem, n);
        return 1;
    }
    std::vector<int> upper = bs_group_sizes(n, std::max(limit, 2));
    int d = verilog_level(fp, static_cast<int>(upper.size()), limit, signal, stem, leaf, relay, false);
    int child = 1;
    for (size_t k = 0; k < upper.size(); ++k)
        for (int i = 0; i < upper[k]; ++i, ++child)
            std::fprintf(fp, "%s %s_buf_%d_%d ( .%s ( %s_buf_%d_%zu_%s ) , .%s ( %s_buf_%d_%d_%s ) );\n", b->name, stem,
                         d + 1, child, b->input, stem, d, k + 1, relay->output, b->output, stem, d + 1, child,
                         b->output);
    store_level_width(stem, n);
    return d + 1;
}

}  // namespace

std::vector<int> bs_group_sizes(int n, int limit) {
    std::vector<int> sizes;
    if (n <= 0 || limit < 1) return sizes;
    // n / limit rounded up, without n + limit overflowing: a limit at or
    // above n makes one group of n.
    int g = n / limit + (n % limit != 0);
    sizes.assign(static_cast<size_t>(g), n / g);
    for (int i = 0; i < n % g; ++i) ++sizes[static_cast<size_t>(i)];
    return sizes;
}

GroupSizeList bs_group(int n, int limit) {
    if (n <= 0) return nullptr;  // no loads, no groups
    if (limit < 1) group_error(n, limit);
    return to_list(bs_group_sizes(n, limit));
}

GroupSizeList bs_dfspeed(int n, int limit) {
    if (n <= 0) return nullptr;
    // Each buffer of a chain drives the next buffer as well as its group.
    if (limit < 2) group_error(n, limit);
    return to_list(bs_group_sizes(n, limit - 1));
}

void bs_buffer_tree_reset() {
    free_groups();
    SHIFT_BUF = CLOCK_BUF = UPDATE_BUF = HIGHZ_BUF = MODE1_BUF = MODE2_BUF = MODE3_BUF = RST_BUF = BCLK_BUF = nullptr;
    if (EXTRA_PIN_BUF) DYNA_free(&EXTRA_PIN_BUF);
    EXTRA_PIN_BUF = nullptr;
    level_count = 0;
    shift_index = clock_index = update_index = mode1_index = mode2_index = mode3_index = 0;
}

namespace {

// The buffer of each tree but the clock's: the inverting one for a TAP
// pin that is active low.
void choose_buffers(const TapCellEntry* t, BufferEntry* plain, BufferEntry* inverting) {
    choose(SHIFT_BUF, t->shift_dr, plain, inverting);
    choose(UPDATE_BUF, t->update_dr, plain, inverting);
    choose(HIGHZ_BUF, t->highz_command, plain, inverting);
    choose(MODE1_BUF, t->mode1, plain, inverting);
    choose(MODE2_BUF, t->mode2, plain, inverting);
    choose(MODE3_BUF, t->mode3, plain, inverting);
    choose(RST_BUF, t->tap_reset, plain, inverting);
    choose_extra(plain, inverting);
}

}  // namespace

void bs_choose_tree_buffers() {
    const TapCellEntry* t = TAP_CONTR;
    if (!t) return;
    BufferEntry* plain = t->signal_buffer ? get_buffer(t->signal_buffer) : nullptr;
    BufferEntry* inverting = t->inv_buffer ? get_buffer(t->inv_buffer) : nullptr;
    choose_buffers(t, plain, inverting);
    choose(CLOCK_BUF, t->clock_dr, plain, inverting);
}

void built_bus_balance_group_tab_for_control_signal() {
    const TapCellEntry* t = TAP_CONTR;
    if (!t) return;
    BufferEntry* plain = t->signal_buffer ? get_buffer(t->signal_buffer) : nullptr;
    BufferEntry* df = t->df_signal_buffer ? get_buffer(t->df_signal_buffer) : nullptr;
    BufferEntry* inverting = t->inv_buffer ? get_buffer(t->inv_buffer) : nullptr;
    if (t->group_size < 1 && t->df_group_size < 1) return;
    bool dfspeed = JTAG_OPTION[OPT_DF_SPEED] != 0;
    if (DYNA_count(SCAN_TAB) > 0) {
        free_groups();
        int limit = t->group_size >= 1 ? t->group_size : t->df_group_size;
        if (!dfspeed) {
            CLOCK_GROUP = bs_group(NEED_CLOCK_DR, limit);
            BCLK_GROUP = bs_group(NEED_BCLK, limit);
        } else {
            int d = t->df_group_size >= 1 ? t->df_group_size : t->group_size;
            CLOCK_GROUP = bs_group(NEED_CLOCK_DR, d);
            BCLK_GROUP = bs_dfspeed(NEED_BCLK, d);
        }
        if (limit > 0) {
            SHIFT_GROUP = bs_group(NEED_SHIFT_DR, limit);
            UPDATE_GROUP = bs_group(NEED_UPDATE_DR, limit);
            HIGHZ_GROUP = bs_group(NEED_HIGHZ, limit);
            RST_GROUP = bs_group(NEED_RST, limit);
            MODE1_GROUP = bs_group(NEED_MODE1, limit);
            MODE2_GROUP = bs_group(NEED_MODE2, limit);
            MODE3_GROUP = bs_group(NEED_MODE3, limit);
            extra_groups(limit, false);
        }
    }
    choose_buffers(t, plain, inverting);
    if (t->clock_dr) CLOCK_BUF = is_active_low(t->clock_dr) ? inverting : dfspeed && df ? df : plain;
    if (JTAG_OPTION[OPT_SYNCH]) BCLK_BUF = dfspeed && df ? df : plain;
}


const BufferEntry* bs_relay_buffer(const BufferEntry* chosen) {
    if (!chosen || chosen != inverting_buffer()) return chosen;
    return plain_buffer();
}

const BufferEntry* bs_chain_buffer(const BufferEntry* chosen, int index) {
    return index == 0 ? chosen : bs_relay_buffer(chosen);
}

void bs_check_tree_buffers() {
    const TapCellEntry* t = TAP_CONTR;
    if (!t || DYNA_count(SCAN_TAB) == 0) return;
    built_bus_balance_group_tab_for_control_signal();
    const bool dfspeed = JTAG_OPTION[OPT_DF_SPEED] != 0;
    if (dfspeed ? t->group_size < 1 && t->df_group_size < 1 : t->group_size < 1) return;
    struct {
        const char* stem;
        GroupSizeList groups;
        const BufferEntry* buffer;
    } trees[] = {{"shift", SHIFT_GROUP, SHIFT_BUF}, {"clock", CLOCK_GROUP, CLOCK_BUF},
                 {"update", UPDATE_GROUP, UPDATE_BUF}, {"highz", HIGHZ_GROUP, HIGHZ_BUF},
                 {"rst", RST_GROUP, RST_BUF},         {"mode1", MODE1_GROUP, MODE1_BUF},
                 {"mode2", MODE2_GROUP, MODE2_BUF},   {"mode3", MODE3_GROUP, MODE3_BUF},
                 {"bclk", BCLK_GROUP, BCLK_BUF}};
    auto check = [&](const char* stem, GroupSizeList groups, const BufferEntry* buffer) {
        int n = DYNA_count(groups);
        if (n == 0 || !buffer) return;
        need_relay(buffer, stem, dfspeed ? n : tree_depth(n, t->group_size));
    };
    for (auto& tree : trees) check(tree.stem, tree.groups, tree.buffer);
    for (int k = 0, n = DYNA_count(EXTRA_PIN_GROUP); k < n && k < DYNA_count(EXTRA_PIN_BUF); ++k)
        check(STR_format("extra%d", k + 1).c_str(), EXTRA_PIN_GROUP[k], EXTRA_PIN_BUF[k]);
}

int bs_build_pin_inverter(FILE* fp, const char* tap_pin, const char* stem) {
    const BufferEntry* inv = inverting_buffer();
    if (!fp || !inv) return 0;
    return tree_level(fp, 1, 1, bsnames::or_text(tap_pin, ""), stem, inv, inv, true);
}

int build_buffer_balance_tree(FILE* fp, GroupSizeList groups, const char* tap_pin, const char* stem,
                              BufferEntry* buffer) {
    int limit = TAP_CONTR ? TAP_CONTR->group_size : -1;
    if (limit < 1 || !buffer || !fp) return 0;
    int n = DYNA_count(groups);
    need_relay(buffer, stem, tree_depth(n, limit));
    return tree_level(fp, n, limit, bsnames::or_text(tap_pin, ""), stem, buffer, bs_relay_buffer(buffer), true);
}

int build_dfspeed_buffer_balance_tree(FILE* fp, GroupSizeList groups, const char* tap_pin, const char* stem,
                                      BufferEntry* buffer) {
    const TapCellEntry* t = TAP_CONTR;
    if (!t || (t->group_size < 1 && t->df_group_size < 1) || !groups || DYNA_count(groups) == 0 || !buffer || !fp)
        return 0;
    const char* pin = bsnames::or_text(tap_pin, "");
    int n = DYNA_count(groups);
    need_relay(buffer, stem, n);
    // The first buffer of the chain takes the signal's own buffer; the
    // others pass its output on, so an inverting buffer inverts it once.
    bsedit::write_line(fp, "add ", stem, "_df_buf_1 ", buffer->name);
    if (tap_in_module())
        bsedit::write_line(fp, "connect ", bsnames::or_text(TAP_INSTANCE_NAME, ""), "{", pin, "} ", stem, "_df_buf_1{",
                           buffer->input, "}");
    else
        bsedit::write_line(fp, "connect ", stem, "_df_buf_1{", buffer->input, "} ", pin);
    for (int i = 1; i < n; ++i) {
        const BufferEntry* from = bs_chain_buffer(buffer, i - 1);
        const BufferEntry* to = bs_chain_buffer(buffer, i);
        bsedit::write_line(fp, "add ", stem, "_df_buf_", i + 1, " ", to->name);
        bsedit::write_line(fp, "connect ", stem, "_df_buf_", i, "{", from->output, "} ", stem, "_df_buf_", i + 1, "{",
                           to->input, "}");
    }
    int loads = 0;
    for (int i = 0; i < n; ++i) loads += groups[i];
    report(STR_format("  ** Using buffer '%s' for signal '%s'\n", buffer->name, pin));
    report("  ...............................................\n");
    report(STR_format("     Using %4d buffers to drives %4d signals\n", n, loads));
    return 1;
}

int make_buffer(FILE* fp, GroupSizeList groups, const char* signal, const char* stem, BufferEntry* buffer) {
    int n = DYNA_count(groups);
    if (!fp || !buffer || n == 0) return 0;
    int limit = TAP_CONTR && TAP_CONTR->group_size >= 1 ? TAP_CONTR->group_size : n;
    need_relay(buffer, stem, tree_depth(n, limit));
    return verilog_level(fp, n, limit, bsnames::or_text(signal, ""), stem, buffer, bs_relay_buffer(buffer), true);
}
