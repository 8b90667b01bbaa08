// The boundary register: one row per cell instance in register order,
// with the instance's name and the load counts of the test control
// signals; and where each pad sits in the design hierarchy.
#include <string>
#include <unordered_map>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"
#include "sdb/sdb.h"

namespace {

// The first pad seen inside a module: the others are compared with it.
int reference_pad = -1;
// A pad other than a TAP pad seen in the top design, and one seen inside
// a pad module.
bool top_pad_seen = false;
bool module_pad_seen = false;
// Rows of MULTI_IO_TAB (from row 1) by module and instance name, the
// number of rows per module name, and each row's place among its parent's
// children in MULTI_IO_HIER.
std::unordered_map<std::string, int> row_by_level;
std::unordered_map<std::string, int> rows_per_module;
std::vector<int> child_position;

std::string level_key(const char* module, const char* instance) {
    return std::string(module) + '\n' + instance;
}

// The segment text of a prefix entry; an entry may stand for the name of
// another entry.
const char* segment(int entry) {
    for (int guard = 0; entry >= 0 && entry < prefix_count && guard < prefix_count + 1; ++guard) {
        int w = prefix_tab[entry].name;
        if (!sdb_is_prefix_word(w)) {
            const char* s = w >= 0 ? SYM_get(sym_tab, w) : nullptr;
            return s ? s : "*UNDEF*";
        }
        entry = sdb_prefix_of(w);
    }
    return "*UNDEF*";
}

// The module (cell) of a hierarchy level entry.
const char* level_module(int entry) {
    int owner = prefix_tab[entry].owner;
    if (owner > -6) return "*UNDEF*";
    const char* s = SYM_get(sym_tab, -6 - owner);
    return s ? s : "*UNDEF*";
}

MultiIoHierNode* hier_node(int row) {
    if (row <= 0) return &MULTI_IO_HIER;
    MultiIoHierNode* parent = hier_node(MULTI_IO_TAB[row].parent);
    return &parent->children[child_position[static_cast<size_t>(row)]];
}

int new_level_row(const char* module, const char* instance, int parent) {
    MultiIoModule m{};
    bsnames::set_text(m.module, module);
    bsnames::set_text(m.instance, instance);
    m.pads = DYNA_new<int>();
    int& same_module = rows_per_module[module];
    m.file_number = same_module++;
    m.parent = parent;
    m.ports = DYNA_new<MultiIoPortItem>();
    m.connects = DYNA_new<MultiIoConnectItem>();
    int row = DYNA_append(&MULTI_IO_TAB, m);
    MultiIoHierNode* node = hier_node(parent);
    if (!node->children) node->children = DYNA_new<MultiIoHierNode>();
    int at = DYNA_append(&node->children, MultiIoHierNode{row, nullptr});
    if (child_position.size() <= static_cast<size_t>(row)) child_position.resize(static_cast<size_t>(row) + 1, 0);
    child_position[static_cast<size_t>(row)] = at;
    row_by_level[level_key(module, instance)] = row;
    return row;
}

bool same_path(const PadEntry& a, const PadEntry& b) {
    int n = DYNA_count(a.modules);
    if (n != DYNA_count(b.modules) || DYNA_count(a.instances) != DYNA_count(b.instances)) return false;
    for (int i = 0; i < n; ++i)
        if (!bsnames::same(a.modules[i], b.modules[i]) || !bsnames::same(a.instances[i], b.instances[i]))
            return false;
    return true;
}

// The pins of a pad's own cell that lie on a net of the design open now
// (the one whose command file the cell's lines go to), with their nets.
CellPinNet* own_cell_pins_on_nets(const std::string& instance, const ScanCellEntry& cell) {
    const int obj = SDB_nl_search_obj(instance.c_str());
    if (obj < 0) return nullptr;
    CellPinNet* list = DYNA_new<CellPinNet>();
    auto look = [&](const char* pin, int direction) {
        const int net = pin ? search_inet_connected_to_obj(obj, pin, direction) : -1;
        if (net >= 0) DYNA_append(&list, CellPinNet{pin, net});
    };
    look(cell.tdo, SDB_DIR_OUTPUT);
    for (const char* pin : {cell.tdi, cell.shift_dr, cell.clock_dr, cell.update_dr, cell.highz, cell.mode1, cell.mode2,
                            cell.mode3, cell.rst, cell.tck})
        look(pin, SDB_DIR_INPUT);
    for (int i = 0, n = DYNA_count(cell.extra); i < n; ++i) look(cell.extra[i], SDB_DIR_INPUT);
    return list;
}

// One load of a control signal: the global count and the pad module's.
void count_load(int& global, int signal, int module) {
    ++global;
    if (module >= 0) ++MULTI_IO_TAB[module].need[signal];
}

}  // namespace

void bs_scan_tab_reset_state() {
    reference_pad = -1;
    top_pad_seen = module_pad_seen = false;
}

void bs_create_multi_io_tab() {
    bs_free_multi_io();
    row_by_level.clear();
    rows_per_module.clear();
    child_position.assign(1, 0);
    MULTI_IO_TAB = DYNA_new<MultiIoModule>();
    MultiIoModule top{};
    bsnames::set_text(top.module, TOP_MODULE.c_str());
    bsnames::set_text(top.instance, TOP_MODULE.c_str());
    top.parent = -1;
    top.connects = DYNA_new<MultiIoConnectItem>();
    DYNA_append(&MULTI_IO_TAB, top);
    MULTI_IO_HIER = {0, DYNA_new<MultiIoHierNode>()};
}

void bs_no_tap_mode_pin(const char* word, const char* pad_instance) {
    qdx_printf("ERROR: (%s) can't find %%%s in %%TAP_CONTROLLER %s.\n", JTAG_LIB_FILE.c_str(), word,
               bsnames::or_text(TAP_MODULE_NAME, ""));
    qdx_exit_printf(-1, "       Please define %%%s to connectmux pad %s.\n\n", word, bsnames::or_text(pad_instance, ""));
}

int add_scan_tab(ScanCellEntry* cell, std::string* name, int pad, int mux, int own_name) {
    if (!cell) return -1;
    int r = DYNA_count(SCAN_TAB);
    const PadEntry* p = pad >= 0 && pad < DYNA_count(OPIN_TAB) ? &OPIN_TAB[pad] : nullptr;
    std::string instance;
    const bool pad_itself = p && p->buffer && p->buffer->kind == BUFFER_BS && !own_name && p->pad_instance;
    if (pad_itself)
        instance = p->pad_instance;
    else if (p && p->suffix && *p->suffix)
        instance = STR_format("BCELL%d_%s", r, p->suffix);
    else
        instance = STR_format("BCELL%d", r);

    ScanChainEntry e{};
    e.instance = qdx_strdup(instance.c_str());
    e.tdi = cell->tdi;
    e.tdo = cell->tdo;
    e.tck = cell->tck;
    e.pad = -1;
    e.multi_io_row = -1;
    e.module_cell = -1;
    if (pad_itself) e.on_nets = own_cell_pins_on_nets(instance, *cell);
    int module = -1;
    if (multi_io_module_flagG && current_multi_io_indexG >= 0 && current_multi_io_indexG < DYNA_count(MULTI_IO_TAB)) {
        module = current_multi_io_indexG;
        e.multi_io_row = module;
        e.module_cell = ++MULTI_IO_TAB[module].cell_count;
    }
    struct {
        const char* pin;
        const char** word;
        int* need;
        int signal;
    } pins[] = {{cell->shift_dr, &e.shift_dr, &NEED_SHIFT_DR, MIO_SHIFT},
                {cell->clock_dr, &e.clock_dr, &NEED_CLOCK_DR, MIO_CLOCK},
                {cell->update_dr, &e.update_dr, &NEED_UPDATE_DR, MIO_UPDATE},
                {cell->highz, &e.highz, &NEED_HIGHZ, MIO_HIGHZ},
                {cell->mode1, &e.mode1, &NEED_MODE1, MIO_MODE1},
                {cell->mode2, &e.mode2, &NEED_MODE2, MIO_MODE2},
                {cell->mode3, &e.mode3, &NEED_MODE3, MIO_MODE3},
                {cell->rst, &e.rst, &NEED_RST, MIO_RST}};
    for (auto& pin : pins) {
        if (!pin.pin) continue;
        *pin.word = pin.pin;
        count_load(*pin.need, pin.signal, module);
    }
    if (JTAG_OPTION[OPT_SYNCH]) count_load(NEED_BCLK, MIO_BCLK, module);

    if (mux && p) {
        // The pad buffer's own mode pins, when tied or open, load the
        // TAP's mode signals too.
        struct {
            const char* buffer_pin;
            int net;
            int* need;
            int signal;
            const char** tap_pin;
            char* TapCellEntry::*field;
            const char* word;
        } modes[] = {
            {p->buffer ? p->buffer->mode1 : nullptr, p->mode1_net, &NEED_MODE1, MIO_MODE1, &TAP_MODE1_PIN,
             &TapCellEntry::mode1, "MODE_1"},
            {p->buffer ? p->buffer->mode2 : nullptr, p->mode2_net, &NEED_MODE2, MIO_MODE2, &TAP_MODE2_PIN,
             &TapCellEntry::mode2, "MODE_2"},
            {p->buffer ? p->buffer->mode3 : nullptr, p->mode3_net, &NEED_MODE3, MIO_MODE3, &TAP_MODE3_PIN,
             &TapCellEntry::mode3, "MODE_3"},
        };
        for (auto& m : modes) {
            if (!m.buffer_pin || m.net >= 2) continue;
            count_load(*m.need, m.signal, module);
            if (*m.tap_pin) continue;
            const char* tap = TAP_CONTR ? TAP_CONTR->*m.field : nullptr;
            if (!tap) bs_no_tap_mode_pin(m.word, p->pad_instance);
            *m.tap_pin = without_low_mark(tap);
        }
        e.pad = pad;
    }

    int extra = DYNA_count(cell->extra);
    e.extra = DYNA_new<const char*>();
    if (!NEED_EXTRA_PIN) NEED_EXTRA_PIN = DYNA_new<int>();
    for (int i = 0; i < extra; ++i) {
        DYNA_append(&e.extra, static_cast<const char*>(cell->extra[i]));
        if (i < DYNA_count(NEED_EXTRA_PIN))
            ++NEED_EXTRA_PIN[i];
        else
            DYNA_append(&NEED_EXTRA_PIN, 1);
    }
    if (!SCAN_TAB) SCAN_TAB = DYNA_new<ScanChainEntry>();
    DYNA_append(&SCAN_TAB, e);
    if (name) *name = instance;
    return r;
}

void bs_place_added_pad_in_top(int pad) {
    OPIN_TAB[pad].multi_io_row = 0;
    top_pad_seen = true;
    // Pads in a pad module besides: the top is one of several IO-pad
    // modules, so that the added pad's cells sit beside it.
    if (module_pad_seen) multi_io_module_flagG = 1;
}

void get_hier_class_and_inst_name(int pad, int obj, bool tap_pad) {
    if (!bsnames::valid_obj(obj) || obj >= DYNA_count(sobj_tab)) return;
    PadEntry& p = OPIN_TAB[pad];
    int word = sobj_tab[obj];
    if (!sdb_is_prefix_word(word)) {
        // A pad instance of the top design.
        bsnames::set_text(p.pad_instance, SDB_obj_name(sdb, obj));
        p.multi_io_row = 0;
        if (!tap_pad) top_pad_seen = true;
        // Pads in the top and in a pad module: the top is one of several
        // IO-pad modules, so that every pad gets its cell where it sits.
        if (top_pad_seen && module_pad_seen) multi_io_module_flagG = 1;
        return;
    }
    int entry = sdb_prefix_of(word);
    bsnames::set_text(p.pad_instance, segment(entry));
    int guard = 0;
    for (int q = entry >= 0 && entry < prefix_count ? prefix_tab[entry].parent : -1;
         q >= 0 && q < prefix_count && guard <= prefix_count; q = prefix_tab[q].parent, ++guard) {
        DYNA_append(&p.modules, qdx_strdup(level_module(q)));
        DYNA_append(&p.instances, qdx_strdup(segment(q)));
    }
    int levels = DYNA_count(p.modules);
    if (levels == 0) {
        p.multi_io_row = 0;
        return;
    }
    if (reference_pad < 0)
        reference_pad = pad;
    else if (!same_path(p, OPIN_TAB[reference_pad]))
        multi_io_module_flagG = 1;
    if (!tap_pad) module_pad_seen = true;
    if (top_pad_seen && module_pad_seen) multi_io_module_flagG = 1;

    if (!MULTI_IO_TAB) bs_create_multi_io_tab();
    int parent = 0;
    for (int k = levels - 1; k >= 0; --k) {
        const char* module = OPIN_TAB[pad].modules[k];
        const char* instance = OPIN_TAB[pad].instances[k];
        auto found = row_by_level.find(level_key(module, instance));
        parent = found != row_by_level.end() ? found->second : new_level_row(module, instance, parent);
    }
    OPIN_TAB[pad].multi_io_row = parent;
}
