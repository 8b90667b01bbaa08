// Pads in several IO-pad modules: one command file per row of MULTI_IO_TAB
// ("<module>_bs<n>.cmd", the top's "<top>_jtag.cmd"), the cells written
// into the module that holds their pad, a buffer tree per module rooted at
// ports named like the TAP pins, the chain carried between modules through
// ports named after the receiving cell's pin, and the runs of the netlist
// editor children before parents.
//
// A module's parent connects to the module's new ports only after the
// "replace" line that gives the instance its edited master, so every line
// a parent writes about a child is kept as a port or connection item of
// the parent's row and written after its replace lines.
#include <algorithm>
#include <array>
#include <cstdio>
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
#include "sdb/sdb.h"

using bsnames::or_text;

namespace {

// The open command file of each row while the rows are written.
std::vector<FILE*> row_files;
// The loads of each row's own cells (and mux pads) per signal, taken
// before set_hier_common_net adds the children's needs to the counters.
std::vector<std::array<int, MIO_SIGNALS>> own_need;
// The loads of each row's own cells per extra pin (%EXTRA_n of the TAP),
// and whether the row or a row below it has any.
std::vector<std::vector<int>> own_extra;
std::vector<std::vector<char>> extra_below;
// 1 for a row that opens a high-impedance group, or holds one that does:
// it gets the TAP's high-impedance command as a port before its cells.
std::vector<char> hiz_rows;

int rows() { return DYNA_count(MULTI_IO_TAB); }

std::string row_cmd(int row) { return kest_edit_file(bs_multi_io_row_design(row) + ".cmd"); }

// The TAP pin of each signal with a per-module counter, none when the TAP
// has no such pin.
const char* signal_pin(int signal) {
    switch (signal) {
        case MIO_SHIFT: return TAP_SHIFT_PIN;
        case MIO_CLOCK: return TAP_CLOCK_PIN;
        case MIO_UPDATE: return TAP_UPDATE_PIN;
        case MIO_HIGHZ: return TAP_HIGHZ_PIN;
        case MIO_MODE1: return TAP_MODE1_PIN;
        case MIO_MODE2: return TAP_MODE2_PIN;
        case MIO_MODE3: return TAP_MODE3_PIN;
        case MIO_RST: return TAP_RST_PIN;
        case MIO_BCLK: return JTAG_OPTION[OPT_SYNCH] ? "BCELL_TCK" : nullptr;
        default: return nullptr;
    }
}

bool set(const char* s) { return s && *s; }

// One end of a chain link: an instance pin inside a row's module.
struct End {
    int row;
    std::string inst, pin;
};

// Carries `name` from the end up to the module `common`: a port of that
// name on every module between, the direction the signal takes.  Returns
// the end as seen in `common`.
End lift_to(End e, int common, const std::string& name, int direction) {
    while (e.row != common && e.row > 0) {
        bsedit::add_row_port(e.row, name, direction);
        if (direction == 1)
            bsedit::add_row_connect(e.row, e.inst, e.pin, "", name);
        else
            bsedit::add_row_connect(e.row, "", name, e.inst, e.pin);
        e = {MULTI_IO_TAB[e.row].parent, or_text(MULTI_IO_TAB[e.row].instance, ""), name};
    }
    return e;
}

// The chain from `from` (a cell's or the TAP's output) to `to` (an input),
// through the ports of the modules between them.  The ports bear the
// receiving pin's name after its instance, unique on every level since
// cell names are.
void link(const End& from, const End& to) {
    const int common = check_common_level_for_two_multi_io(from.row, to.row);
    const std::string name = to.inst + "_" + to.pin;
    End a = lift_to(from, common, name, 1);
    End b = lift_to(to, common, name, 0);
    bsedit::add_row_connect(common, a.inst, a.pin, b.inst, b.pin);
}

bool hiz_port(int row) { return row > 0 && hiz_rows[static_cast<size_t>(row)] && set(TAP_HIZ_PIN); }

// The control signals that reach the cells of a row (and of the rows
// below it) through ports of the row's module, each name once.
std::vector<const char*> signal_ports(int row) {
    std::vector<const char*> pins;
    if (hiz_rows[static_cast<size_t>(row)] && set(TAP_HIZ_PIN)) pins.push_back(TAP_HIZ_PIN);
    auto add = [&](const char* pin) {
        bool listed = false;
        for (const char* p : pins) listed = listed || bsnames::same(p, pin);
        if (!listed) pins.push_back(pin);
    };
    for (int s = 0; s < MIO_SIGNALS; ++s) {
        const char* pin = signal_pin(s);
        if (set(pin) && MULTI_IO_TAB[row].need[s] > 0) add(pin);
    }
    if (static_cast<size_t>(row) < extra_below.size()) {
        const std::vector<char>& extra = extra_below[static_cast<size_t>(row)];
        for (int k = 0, n = DYNA_count(TAP_EXTRA_PIN); k < n && k < static_cast<int>(extra.size()); ++k)
            if (extra[static_cast<size_t>(k)] && set(TAP_EXTRA_PIN[k])) add(TAP_EXTRA_PIN[k]);
    }
    return pins;
}

// The extra-pin loads of each row's cells, and the rows that need each
// extra pin's port because a row at or below them has such loads.
void count_extra_loads() {
    const size_t width = static_cast<size_t>(std::max(DYNA_count(TAP_EXTRA_PIN), 0));
    own_extra.assign(static_cast<size_t>(rows()), std::vector<int>(width, 0));
    extra_below.assign(static_cast<size_t>(rows()), std::vector<char>(width, 0));
    for (int i = 0, n = DYNA_count(SCAN_TAB); i < n; ++i) {
        const ScanChainEntry& s = SCAN_TAB[i];
        const int row = std::max(s.multi_io_row, 0);
        for (int k = 0, m = DYNA_count(s.extra); k < m && k < static_cast<int>(width); ++k) {
            if (!s.extra[k]) continue;
            ++own_extra[static_cast<size_t>(row)][static_cast<size_t>(k)];
            for (int r = row; r >= 0 && r < rows(); r = MULTI_IO_TAB[r].parent)
                extra_below[static_cast<size_t>(r)][static_cast<size_t>(k)] = 1;
        }
    }
}

void mark_hiz_rows() {
    hiz_rows.assign(static_cast<size_t>(rows()), 0);
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        if (!p.drives_control || (p.control != -1 && p.control_oe != -1) || bs_own_control_cell(p)) continue;
        for (int r = p.multi_io_row; r >= 0 && r < rows(); r = MULTI_IO_TAB[r].parent) hiz_rows[static_cast<size_t>(r)] = 1;
    }
}

// The trees and control lines of the cells of one module (its SCAN_TAB
// rows in chain order).
void connect_row_controls(int row, const std::vector<int>& cells) {
    FILE* fp = row_files[static_cast<size_t>(row)];
    PAD_MODULE_EXIST = row == 0 ? 0 : 255;
    if (row != 0)
        for (const char* pin : signal_ports(row))
            if (!(hiz_port(row) && bsnames::same(pin, TAP_HIZ_PIN))) std::fprintf(fp, "add %s input\n", pin);
    if (cells.empty()) return;
    // The module's loads stand for the design's while its trees are built.
    int* globals[MIO_SIGNALS] = {&NEED_SHIFT_DR, &NEED_CLOCK_DR, &NEED_UPDATE_DR, &NEED_HIGHZ, &NEED_MODE1,
                                 &NEED_MODE2,    &NEED_MODE3,    &NEED_RST,       &NEED_BCLK};
    int saved[MIO_SIGNALS];
    for (int s = 0; s < MIO_SIGNALS; ++s) {
        saved[s] = *globals[s];
        *globals[s] = own_need[static_cast<size_t>(row)][static_cast<size_t>(s)];
    }
    int* saved_extra = NEED_EXTRA_PIN;
    NEED_EXTRA_PIN = DYNA_new<int>();
    for (int loads : own_extra[static_cast<size_t>(row)]) DYNA_append(&NEED_EXTRA_PIN, loads);
    built_bus_balance_group_tab_for_control_signal();
    connect_scan_cell_in_cmd_for_multi_io(fp, cells);
    DYNA_free(&NEED_EXTRA_PIN);
    NEED_EXTRA_PIN = saved_extra;
    for (int s = 0; s < MIO_SIGNALS; ++s) *globals[s] = saved[s];
}

// The parent's lines for one child row: its new master and the control
// signals it needs.
void replace_child(int parent, int child) {
    const MultiIoModule& c = MULTI_IO_TAB[child];
    FILE* fp = row_files[static_cast<size_t>(parent)];
    const char* inst = or_text(c.instance, "");
    std::fprintf(fp, "replace %s %s\n", inst, bs_multi_io_row_design(child).c_str());
    for (const char* pin : signal_ports(child)) {
        if (parent == 0)
            std::fprintf(fp, "connect %s{%s} %s{%s}\n", inst, pin, or_text(TAP_INSTANCE_NAME, ""), pin);
        else
            std::fprintf(fp, "connect %s{%s} %s\n", inst, pin, pin);
    }
}

// The row's recorded ports and connections.
void write_items(int row) {
    FILE* fp = row_files[static_cast<size_t>(row)];
    const MultiIoModule& m = MULTI_IO_TAB[row];
    for (int i = 0, n = DYNA_count(m.ports); i < n; ++i)
        if (!m.ports[i].skip) std::fprintf(fp, "add %s %s\n", m.ports[i].name, m.ports[i].direction ? "output" : "input");
    for (int i = 0, n = DYNA_count(m.connects); i < n; ++i) {
        const MultiIoConnectItem& c = m.connects[i];
        if (c.cut) std::fprintf(fp, "disconnect %s{%s}\n", c.instance1, or_text(c.pin1, ""));
        std::fputs("connect ", fp);
        if (c.instance1) std::fprintf(fp, "%s{%s} ", c.instance1, or_text(c.pin1, ""));
        else std::fprintf(fp, "%s ", or_text(c.pin1, ""));
        if (c.instance2) std::fprintf(fp, "%s{%s}", c.instance2, or_text(c.pin2, ""));
        else std::fprintf(fp, "%s", or_text(c.pin2, ""));
        std::fputs("\n", fp);
    }
}

[[noreturn]] void cant_open(const std::string& cmd) {
    qdx_exit_printf(-1, "ERROR: can't open command file \"%s\" to update SDB.\n", cmd.c_str());
}

}  // namespace

std::string bs_multi_io_row_design(int row) {
    if (row == 0) return kest_edited_top();
    const MultiIoModule& m = MULTI_IO_TAB[row];
    return std::string(or_text(m.module, "")) + "_bs" + std::to_string(m.file_number);
}

void bsedit::add_row_port(int row, const std::string& name, int direction) {
    MultiIoModule& m = MULTI_IO_TAB[row];
    if (!m.ports) m.ports = DYNA_new<MultiIoPortItem>();
    DYNA_append(&m.ports, MultiIoPortItem{qdx_strdup(name.c_str()), direction, 0});
}

void bsedit::add_row_connect(int row, const std::string& inst1, const std::string& pin1, const std::string& inst2,
                             const std::string& pin2, bool cut) {
    MultiIoModule& m = MULTI_IO_TAB[row];
    if (!m.connects) m.connects = DYNA_new<MultiIoConnectItem>();
    auto text = [](const std::string& s) { return s.empty() ? nullptr : qdx_strdup(s.c_str()); };
    DYNA_append(&m.connects, MultiIoConnectItem{text(inst1), qdx_strdup(pin1.c_str()), text(inst2),
                                                qdx_strdup(pin2.c_str()), cut && !inst1.empty() ? 1 : 0});
}

void bsedit::reset_multi_io_state() {
    row_files.clear();
    hiz_rows.clear();
    own_need.clear();
    own_extra.clear();
    extra_below.clear();
}

void open_multi_io_modules() {
    row_files.assign(static_cast<size_t>(rows()), nullptr);
    mark_hiz_rows();
    for (int r = 1; r < rows(); ++r) {
        const MultiIoModule& m = MULTI_IO_TAB[r];
        std::string file = std::string(or_text(m.module, "")) + ".sdb";
        std::string found = FNM_find(file);
        if (found.empty()) {
            qdx_exit_printf(-1, "ERROR: Can not find \"%s\" file.\n\n", file.c_str());
        }
        std::string why;
        if (!bs_copy_design(found, bs_multi_io_row_design(r) + ".sdb", &why)) {
            qdx_printf("\n");
            qdx_printf("ERROR: can not copy file \"%s\" to file \"%s.sdb\".", found.c_str(), bs_multi_io_row_design(r).c_str());
            bs_copy_failed(why);
        }
        FILE* fp = bs_open_cmd_file(row_cmd(r));
        if (!fp) cant_open(row_cmd(r));
        std::fprintf(fp, "edit %s\n", bs_multi_io_row_design(r).c_str());
        std::fprintf(fp, "path %s \n", BSCAN_OPATH.c_str());
        if (hiz_port(r)) std::fprintf(fp, "add %s input\n", TAP_HIZ_PIN);
        row_files[static_cast<size_t>(r)] = fp;
    }
}

void bs_open_multi_io_top() {
    open_and_modify_top_sdb();
    if (!row_files.empty()) row_files[0] = TAP_FP;
}

void bs_add_multi_io_cells() {
    SdbDatabase* open = nullptr;
    int open_row = -1;
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        if (!OPIN_TAB[i].cell) continue;
        const int row = OPIN_TAB[i].multi_io_row < 0 ? 0 : OPIN_TAB[i].multi_io_row;
        if (row != open_row) {
            if (open) SDB_close(open, 0);
            const std::string file = std::string(or_text(MULTI_IO_TAB[row].module, "")) + ".sdb";
            const std::string found = row == 0 ? MODULE_SDB : FNM_find(file);
            if (found.empty()) {
                qdx_printf("ERROR: can't find SDB file '%s' in default", file.c_str());
                qdx_exit_printf(-1, " searching path.\n\n");
            }
            open = open_sdb_file(found.c_str());
            open_row = row;
        }
        current_multi_io_indexG = row;
        PAD_MODULE_EXIST = row == 0 ? 0 : 255;
        add_scan_cells_in_cmd_file(row_files[static_cast<size_t>(row)], i);
    }
    if (open) SDB_close(open, 0);
    own_need.assign(static_cast<size_t>(rows()), {});
    for (int r = 0; r < rows(); ++r)
        for (int s = 0; s < MIO_SIGNALS; ++s)
            own_need[static_cast<size_t>(r)][static_cast<size_t>(s)] = MULTI_IO_TAB[r].need[s];
}

void set_hier_common_net(int row, MultiIoHierNode* children) {
    for (int i = 0, n = DYNA_count(children); i < n; ++i) {
        const int child = children[i].row;
        set_hier_common_net(child, children[i].children);
        if (row < 0) continue;
        for (int s = 0; s < MIO_SIGNALS; ++s)
            if (MULTI_IO_TAB[child].need[s] > 0) ++MULTI_IO_TAB[row].need[s];
    }
}

int check_common_level_for_two_multi_io(int a, int b) {
    if (a == b) return a;
    std::vector<int> up_a, up_b;
    for (int r = a; r >= 0; r = MULTI_IO_TAB[r].parent) up_a.push_back(r);
    for (int r = b; r >= 0; r = MULTI_IO_TAB[r].parent) up_b.push_back(r);
    for (int r : up_a)
        for (int q : up_b)
            if (r == q) return r;
    return 0;
}

void connect_scan_cell_for_multi_io() {
    count_extra_loads();
    std::vector<std::vector<int>> cells(static_cast<size_t>(rows()));
    for (int i = 0, n = DYNA_count(SCAN_TAB); i < n; ++i)
        cells[static_cast<size_t>(std::max(SCAN_TAB[i].multi_io_row, 0))].push_back(i);
    for (int r = 0; r < rows(); ++r) connect_row_controls(r, cells[static_cast<size_t>(r)]);
    // The chain, from the TAP's last-cell pin round to its first-cell pin.
    const char* first = TAP_CONTR ? without_low_mark(TAP_CONTR->first_bcell) : nullptr;
    const char* last = TAP_CONTR ? without_low_mark(TAP_CONTR->last_bcell) : nullptr;
    const std::string tap = or_text(TAP_INSTANCE_NAME, "");
    auto cell_end = [](int i, bool tdo) {
        const ScanChainEntry& s = SCAN_TAB[i];
        return End{s.multi_io_row < 0 ? 0 : s.multi_io_row, or_text(s.instance, ""), or_text(tdo ? s.tdo : s.tdi, "")};
    };
    const int n = DYNA_count(SCAN_TAB);
    if (n == 0) return;
    // Each cell's chain pins leave the nets the design gave them, in the
    // file of the cell's module, before the links join them.
    for (int i = 0; i < n; ++i)
        bsedit::leave_design_nets_of_chain(row_files[static_cast<size_t>(std::max(SCAN_TAB[i].multi_io_row, 0))],
                                           SCAN_TAB[i]);
    link(cell_end(0, true), End{0, tap, or_text(last, "")});
    for (int i = 0; i + 1 < n; ++i) link(cell_end(i + 1, true), cell_end(i, false));
    link(End{0, tap, or_text(first, "")}, cell_end(n - 1, false));
}

void hier_replace_io_module(int row, MultiIoHierNode* children) {
    if (row < 0) return;
    for (int i = 0, n = DYNA_count(children); i < n; ++i) {
        hier_replace_io_module(children[i].row, children[i].children);
        replace_child(row, children[i].row);
    }
    // Every row writes its recorded items, a leaf IO-pad module too.
    write_items(row);
    if (row == 0) kest_do_connection_table(row_files[0]);
    FILE*& fp = row_files[static_cast<size_t>(row)];
    std::fputs("save\nquit\n", fp);
    bs_close_cmd_file(fp);
    if (row == 0) TAP_FP = nullptr;
}
