// Control cells of three-state and bidirectional pads, and the
// high-impedance groups of pads whose enable has no net of its own.
#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "bscan/pad_trace.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"

namespace {

// Rows of each control table by enable net, in table order, so that a
// pad finds the row it shares without a walk over the table.
std::unordered_map<int, std::vector<int>> rows_by_net[2];

// The drives of the grouped pads' enables by the pad instance's object in
// the cell-level design (the rows of OPIN_TAB move when it is sorted), and
// the groups whose buffer a writer has added.
std::unordered_map<int, HighzDrive> highz_drives;
std::unordered_set<int> claimed_groups;

ControlCellEntry*& table_of(bool oe) { return oe ? CONTROL_OE_TAB : CONTROL_TAB; }

[[noreturn]] void enable_fault(const BufferEntry* b, const char* pin, const char* second_line, const char* signal) {
    qdx_printf("ERROR: (%s) %%%s %s specified in %%BUFFER %s\n", JTAG_LIB_FILE.c_str(),
               bsnames::same(pin, b->en_l) ? "EN_L" : "EN_H", pin ? pin : "", b->name);
    qdx_exit_printf(-1, second_line, MODULE_C_SDB.c_str(), signal);
}

int save_control_row(BufferEntry* b, int row, bool oe) {
    if (!b) return -1;
    const PadEntry& pad = OPIN_TAB[row];
    int pin_row = pad.pin;
    int polarity = pin_row >= 0 && pin_row < DYNA_count(PIN_TABLE) ? PIN_TABLE[pin_row]->pad_enable : PAD_EN_NONE;
    const char* pin = bsnames::enable_pin(b, polarity);
    const char* cell_name = oe ? CONTROL_OE_SCAN : CONTROL_SCAN;
    if (!cell_name) {
        if (oe) qdx_exit_printf(-1, "ERROR: Please specify %%CONTROL_OE_SCAN in file '%s'.\n\n", JTAG_BSC_FILE.c_str());
        qdx_exit_printf(-1, "ERROR: can't find %%CONTROL_SCAN in file '%s'.\n\n", JTAG_BSC_FILE.c_str());
    }
    ScanCellEntry* cell = get_scan_cell(cell_name);
    if (!cell) {
        qdx_exit_printf(-1, "ERROR: can't find scan cell '%s' in '%s' file.\n\n", cell_name, JTAG_LIB_FILE.c_str());
    }
    std::string signal = bsnames::or_text(pad.signal, "");
    int node = pin ? search_inode_connected_to_obj(pad.object, pin, SDB_DIR_INPUT) : -1;
    if (node < 0)
        enable_fault(b, pin, "       can't be found in file '%s' while tracing port '%s'.\n\n", signal.c_str());
    int net = node_tab[node].net;
    // An enable tied to GND or VCC, or left open, has no control cell.
    if (net < 2) return -1;
    const char* name = bsnames::net_name(net);
    if (!name || !*name)
        enable_fault(b, pin, "       is floating in file '%s' while tracing port '%s'.\n\n", signal.c_str());

    ControlCellEntry*& table = table_of(oe);
    std::vector<int>& same_net = rows_by_net[oe ? 1 : 0][net];
    int module = multi_io_module_flagG ? OPIN_TAB[row].multi_io_row : -1;
    if (!JTAG_OPTION[OPT_DONT_SHARE_CONTROL]) {
        for (int r : same_net)
            if (!multi_io_module_flagG || table[r].multi_io_row == module) return r + 1;
    }
    ControlCellEntry e{};
    e.net = net;
    e.reserved = -1;
    e.multi_io_row = module;
    bsnames::set_text(e.net_name, name);
    bsnames::set_text(e.function, cell->rst ? "controlr" : "control");
    e.cell = cell;
    if (!table) table = DYNA_new<ControlCellEntry>();
    int r = DYNA_append(&table, e);
    same_net.push_back(r);
    return r + 1;
}

}  // namespace

void bs_control_reset_index() {
    rows_by_net[0].clear();
    rows_by_net[1].clear();
    highz_drives.clear();
    claimed_groups.clear();
}

HighzDrive bs_highz_drive(const PadEntry& p, int obj) {
    const char* enable = bstrace::pad_enable(p);
    if (obj < 0 || !enable) return HighzDrive::None;
    const bool active_high = p.buffer && bsnames::same(enable, p.buffer->en_h);
    const int net = search_inet_connected_to_obj(obj, enable, SDB_DIR_INPUT);
    // Net 0 is GND, net 1 VCC.
    if (net != (active_high ? 1 : 0)) return HighzDrive::None;
    return active_high ? HighzDrive::Inverted : HighzDrive::Direct;
}

HighzDrive bs_recorded_highz_drive(const PadEntry& p) {
    auto it = highz_drives.find(p.object);
    return it == highz_drives.end() ? HighzDrive::None : it->second;
}

void bs_settle_highz_inverter(const PadEntry& p) {
    const char* name = INVERTER ? INVERTER : (TAP_CONTR ? TAP_CONTR->inv_buffer : nullptr);
    if (!name) {
        qdx_printf("ERROR: can't find %%INV_BUFFER of %%TAP_CONTROLLER in file '%s'\n", JTAG_LIB_FILE.c_str());
        qdx_exit_printf(-1, "       or %%INVERTER in file '%s' for the enable of pad '%s'.\n\n", JTAG_BSC_FILE.c_str(),
                        bsnames::or_text(p.pad_instance, ""));
    }
    const BufferEntry* b = get_buffer(name);
    if (!b || !b->input || !b->output) {
        qdx_exit_printf(-1, "ERROR: can't find the definition of buffer '%s' in file '%s'.\n\n", name,
                        JTAG_LIB_FILE.c_str());
    }
    if (!INVERTER) desc_set_text(&INVERTER, name);
    if (!INVERTER_INPUT) bsnames::set_text(INVERTER_INPUT, b->input);
    if (!INVERTER_OUTPUT) bsnames::set_text(INVERTER_OUTPUT, b->output);
}

bool bs_claim_highz_buffer(int group) { return claimed_groups.insert(group).second; }

void save_control_of_pad(BufferEntry* buffer, int row) {
    const ScanCellEntry* cell = OPIN_TAB[row].cell;
    bool oe = cell && cell->oe_mode;
    int result = buffer && buffer->control_bcell ? -1 : save_control_row(buffer, row, oe);
    if (result == -1) {
        // Driven from a high-impedance group when the TAP has the command.
        if (TAP_CONTR && TAP_CONTR->highz_command) {
            ++HIGHZ_CNT;
            const PadEntry& p = OPIN_TAB[row];
            if (!(buffer && buffer->control_bcell)) {
                // What ties the enable is seen here, in the cell-level
                // design: the module that the cell writers edit may take
                // the constant through a port.
                const HighzDrive drive = bs_highz_drive(p, p.object);
                highz_drives[p.object] = drive;
                // The boundary-cell module settles its inverter itself.
                if (drive == HighzDrive::Inverted && !JTAG_OPTION[OPT_ADD_BCM]) bs_settle_highz_inverter(p);
            }
        } else {
            result = 0;
        }
    }
    (oe ? OPIN_TAB[row].control_oe : OPIN_TAB[row].control) = result;
}

bool bs_own_control_cell(const PadEntry& p) { return p.buffer && p.buffer->control_bcell; }

bool bs_highz_group_exists() {
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        if (p.drives_control && (p.control == -1 || p.control_oe == -1) && !bs_own_control_cell(p)) return true;
    }
    return false;
}

void setup_driving_control_cell_and_highz_buf() {
    int pads = DYNA_count(OPIN_TAB);
    // Every pad marked -1 takes a place in a group, whether or not its
    // cell has a HIGHZ pin, so the groups hold exactly these pads.  A pad
    // whose buffer carries its own control cell takes none: nothing is
    // written for its enable, so it cannot open a group.
    // With several IO-pad modules each module has groups of its own: a
    // group's buffer drives enables in its own module only.
    auto module_of = [](const PadEntry& p) { return multi_io_module_flagG ? std::max(p.multi_io_row, 0) : 0; };
    std::map<int, int> highz;  // marked pads per module
    for (int i = 0; i < pads; ++i) {
        PadEntry& p = OPIN_TAB[i];
        p.drives_control = 0;
        p.highz_group = 0;
        if (bs_own_control_cell(p)) continue;
        if (p.control == -1) ++highz[module_of(p)];
        if (p.control_oe == -1) ++highz[module_of(p)];
    }
    struct Groups {
        std::vector<int> sizes;
        size_t index = 0;
        int count = 0;
        int number = 0;  // the group being filled
    };
    std::map<int, Groups> groups;
    for (const auto& [module, n] : highz) {
        int limit = TAP_CONTR && TAP_CONTR->group_size >= 1 ? TAP_CONTR->group_size : n;
        groups[module].sizes = bs_group_sizes(n, limit);
    }
    int next_group = 0;
    auto walk = [&](int PadEntry::*word, int rows) {
        std::vector<char> seen(static_cast<size_t>(rows), 0);
        for (int i = 0; i < pads; ++i) {
            PadEntry& p = OPIN_TAB[i];
            int ref = p.*word;
            if (ref == -1 && bs_own_control_cell(p)) continue;
            if (ref == -1) {
                Groups& g = groups[module_of(p)];
                if (g.index >= g.sizes.size()) continue;  // cannot happen: the groups were sized above
                if (g.count == 0) {
                    g.number = next_group++;
                    p.drives_control = 1;
                }
                p.highz_group = g.number;
                if (++g.count == g.sizes[g.index]) {
                    ++g.index;
                    g.count = 0;
                }
            } else if (ref > 0 && ref <= rows && !seen[static_cast<size_t>(ref - 1)]) {
                seen[static_cast<size_t>(ref - 1)] = 1;
                p.drives_control = 1;
            }
        }
    };
    walk(&PadEntry::control, DYNA_count(CONTROL_TAB));
    walk(&PadEntry::control_oe, DYNA_count(CONTROL_OE_TAB));
}

namespace {

// The input part of a pad's pair of cells: the first of the two
// configured cells that the library holds (as the pair writer picks it).
const ScanCellEntry* input_part_of(const char* first, const char* second) {
    const ScanCellEntry* c = first ? get_scan_cell(first) : nullptr;
    return c ? c : second ? get_scan_cell(second) : nullptr;
}

// A boundary cell of port `p` whose %ORDER names more than one control
// cell: no BSDL row could say which one disables the pin.
void check_control_words(const ScanCellEntry* cell, const PadEntry& p) {
    const int controls = control_word_count(cell);
    if (controls <= 1) return;
    qdx_exit_printf(-1,
                    "ERROR: (%s) %%SCAN_CELL %s of port '%s' names %d control cells in %%ORDER:\n"
                    "       tallowmere can't describe more than 1 control cell in one module in the BSDL file.\n\n",
                    JTAG_LIB_FILE.c_str(), cell->name, bsnames::or_text(p.signal, ""), controls);
}

// The control cell of port `p` takes one bit of the register: a cell of
// several standard names leaves the BSDL file no way to say which of its
// bits disables the pin.
void check_control_bits(const ScanCellEntry* cell, const PadEntry& p) {
    const int names = cell ? DYNA_count(cell->std_name) : 0;
    if (names <= 1) return;
    qdx_exit_printf(-1,
                    "ERROR: (%s) %%SCAN_CELL %s, the control cell of port '%s', has %d standard names:\n"
                    "       tallowmere can't decide which of them is the control cell in the BSDL file.\n\n",
                    JTAG_LIB_FILE.c_str(), cell->name, bsnames::or_text(p.signal, ""), names);
}

}  // namespace

void bs_check_cells_describable() {
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        if (!p.cell) continue;
        check_control_words(p.cell, p);
        if (p.kind == PAD_INOUT || p.kind == PAD_MUX_INOUT1)
            check_control_words(input_part_of(INPUT_SCAN, CLOCK_SCAN), p);
        if (p.kind == PAD_MUX_INOUT2) check_control_words(input_part_of(INPUT_MUX_SCAN, CLOCK_MUX_SCAN), p);
        if (bs_own_control_cell(p)) continue;
        for (const bool oe : {false, true}) {
            const int ref = oe ? p.control_oe : p.control;
            ControlCellEntry* table = table_of(oe);
            if (ref >= 1 && ref <= DYNA_count(table)) check_control_bits(table[ref - 1].cell, p);
        }
        // A pad added for a bidirectional port takes the configured
        // control cell.
        if (p.kind == PAD_INOUT && !p.pad_instance && CONTROL_SCAN) check_control_bits(get_scan_cell(CONTROL_SCAN), p);
    }
}

// With -add_tap the TAP is the port-only module that jtagsyn wrote, not the
// library's cell: it has the high-impedance command as an output only when
// the instruction table has a HIGHZ instruction (on the MODE pin that
// carries the same signal, when one does).  Cells or high-impedance
// buffers wired to a pin it lacks would only fail later in the netlist
// editor, so the run stops here with the reason.
bool bs_added_tap_has_highz_pin() {
    if (HIGHZ_EXIST < 0) return false;
    switch (HIZ_OVERLAP) {
        case 1: return BCELL_MODE1 != 0;
        case 2: return BCELL_MODE2 != 0;
        case 3: return BCELL_MODE3 != 0;
        default: return true;
    }
}

void bs_check_highz_of_added_tap() {
    if (!JTAG_OPTION[OPT_ADD_TAP] || bs_added_tap_has_highz_pin()) return;
    const char* pin = TAP_CONTR ? without_low_mark(TAP_CONTR->highz_command) : nullptr;
    const PadEntry* user = nullptr;
    // A pad that carries its own control cell drives its enable itself and
    // takes nothing from the TAP's pin.
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n && !user; ++i)
        if ((OPIN_TAB[i].control == -1 || OPIN_TAB[i].control_oe == -1) && !bs_own_control_cell(OPIN_TAB[i]))
            user = &OPIN_TAB[i];
    if (!user && !BCELL_HIGHZ) return;
    if (user)
        qdx_printf("ERROR: pad '%s' is driven from the TAP's %%HIGHZ_COMMAND pin '%s',\n",
                   bsnames::or_text(user->pad_instance, bsnames::or_text(user->signal, "")), bsnames::or_text(pin, ""));
    else
        qdx_printf("ERROR: the boundary-scan cells are driven from the TAP's %%HIGHZ_COMMAND pin '%s',\n",
                   bsnames::or_text(pin, ""));
    qdx_printf("       which the TAP added with -add_tap has only with a HIGHZ instruction\n");
    qdx_exit_printf(-1, "       in %%INSTRUCTION_TABLE of file '%s'.\n\n", JTAG_BSC_FILE.c_str());
}
