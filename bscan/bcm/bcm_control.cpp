// The enables of three-state and bidirectional pads on the -add_bcm road:
// output-enable control cells, control cells shared with pads outside the
// module, the high-impedance groups and the "OE" ports of output-enable
// cells (see bscan/bcm/bcm_control.h).
#include "bscan/bcm/bcm_control.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "bscan/bcm/bcm_mux.h"
#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "bscan/edit_internal.h"
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
using bstrace::pin_of;

namespace {

// A pad with an enable: the three-state and bidirectional kinds, plain or mux.
bool three_state(const PadEntry& p) {
    return p.kind == PAD_OUTPUT3 || p.kind == PAD_BIDIR || p.kind == PAD_INOUT || bcm_mux_carries_control(p);
}

// A pad in a high-impedance group whose enable a writer has to drive: a
// pad buffer with its own control cell drives its enable itself.
bool in_highz_group(const PadEntry& p) { return (p.control == -1 || p.control_oe == -1) && !bs_own_control_cell(p); }

// The module cell that stands for a pad's data path and enable.
bool data_role(const BcmCell& c) { return c.role == BcmRole::Data || c.role == BcmRole::OutputPart; }

std::string module_pin(const std::string& port) { return pin_of(bcm_module_name(), port); }

std::string pad_enable_pin(const PadEntry& p) {
    return pin_of(or_text(p.pad_instance, ""), or_text(bstrace::pad_enable(p), ""));
}

void connect(FILE* fp, const std::string& a, const std::string& b) {
    std::fprintf(fp, "connect %s %s\n", a.c_str(), b.c_str());
}

// A pad that shares a control cell which a writer outside the module
// added: its row names the cell's instance and output by then.
void share_outside(FILE* fp, const PadEntry& p, const ControlCellEntry& row, const std::string& pad_en) {
    if (!row.instance || !row.data_out) {
        qdx_exit_printf(-1, "ERROR: the control cell of the enable net '%s' of pad '%s' was never placed.\n\n",
                        or_text(row.net_name, ""), or_text(p.pad_instance, ""));
    }
    std::fprintf(fp, "disconnect %s\n", pad_en.c_str());
    connect(fp, pin_of(row.instance, row.data_out), pad_en);
}

}  // namespace

namespace {

bool oe_input(const ScanCellEntry* cell) { return cell && cell->oe_mode && cell->oe_mode_direction != SDB_DIR_OUTPUT; }

}  // namespace

bool bcm_highz_on_mode1() {
    return HIGHZ_EXIST >= 0 && HIZ_OVERLAP == 1 && BCELL_MODE1 && TAP_HIZ_PIN && *TAP_HIZ_PIN && TAP_MODE1_PIN &&
           *TAP_MODE1_PIN;
}

bool bcm_tap_sends_highz() { return tap_has_highz_port() || bcm_highz_on_mode1(); }

void bcm_add_oe_port(const PadEntry& p, const ScanCellEntry* cell, std::vector<BcmPort>& ports) {
    if (oe_input(cell) && bstrace::pad_enable(p)) ports.push_back(BcmPort::Oe);
}

const char* bcm_tied_oe_pin(const BcmCell& c) {
    if (!data_role(c) || !oe_input(c.cell) || bstrace::pad_enable(OPIN_TAB[c.pad])) return nullptr;
    return c.cell->oe_mode;
}

ScanCellEntry* bcm_carried_oe_control_cell(const PadEntry& p) {
    if (p.control_oe < 1 || !p.drives_control || p.control_oe > DYNA_count(CONTROL_OE_TAB)) return nullptr;
    ScanCellEntry* c = CONTROL_OE_TAB[p.control_oe - 1].cell;
    if (!c && CONTROL_OE_SCAN) c = get_scan_cell(CONTROL_OE_SCAN);
    return c;
}

std::vector<BcmHighzDrive> bcm_highz_drives(const BcmModule& m) {
    std::vector<BcmHighzDrive> drives;
    // Without a TAP output that sends the command it never reaches an
    // enable (refused by bcm_refuse_untaken_enables when a HIGHZ
    // instruction asks for it).
    if (!bcm_tap_sends_highz()) return drives;
    std::vector<int> pads;
    for (const BcmCell& c : m.cells)
        if (data_role(c) && in_highz_group(OPIN_TAB[c.pad])) pads.push_back(c.pad);
    if (pads.empty()) return drives;
    drives.assign(static_cast<size_t>(DYNA_count(OPIN_TAB)), BcmHighzDrive::None);
    open_sdb_file(MODULE_SDB.c_str());
    for (int row : pads) {
        const PadEntry& p = OPIN_TAB[row];
        drives[static_cast<size_t>(row)] = bs_highz_drive(p, p.pad_instance ? SDB_lookup_obj(p.pad_instance) : -1);
    }
    SDB_close(sdb, 0);
    return drives;
}

bool bcm_has_highz_port(const BcmModule& m) {
    for (BcmHighzDrive d : m.highz_drive)
        if (d != BcmHighzDrive::None) return true;
    return false;
}

void bcm_refuse_untaken_enables(const BcmModule& m) {
    bool grouped = false;
    for (const BcmCell& c : m.cells)
        if (data_role(c) && in_highz_group(OPIN_TAB[c.pad])) grouped = true;
    // The HIGHZ instruction with its command on the MODE_2 or MODE_3 pin,
    // which that instruction does not drive.
    if (grouped && HIGHZ_EXIST >= 0 && !bcm_tap_sends_highz())
        bs_not_available("the option -add_bcm with high-impedance groups whose command the TAP can't drive");
    for (size_t row = 0; row < m.highz_drive.size(); ++row) {
        if (m.highz_drive[row] == BcmHighzDrive::None) continue;
        const PadEntry& p = OPIN_TAB[row];
        if (!HIZ_BUF || !HIZ_BUF_NAME || !HIZ_BUF->input || !HIZ_BUF->output)
            bsedit::no_highz_buffer(or_text(p.pad_instance, ""));
        if (m.highz_drive[row] == BcmHighzDrive::Inverted) bs_settle_highz_inverter(p);
    }
}

void bcm_publish_control_cells(const BcmModule& m) {
    for (const BcmCell& c : m.cells) {
        if (c.role != BcmRole::Control) continue;
        ControlCellEntry* table = c.oe ? CONTROL_OE_TAB : CONTROL_TAB;
        if (c.control < 1 || c.control > DYNA_count(table)) continue;
        ControlCellEntry& row = table[c.control - 1];
        bsnames::set_text(row.instance, bcm_module_name().c_str());
        bsnames::set_text(row.data_out, bcm_cell_port(c.number, BcmPort::Out).c_str());
    }
}

void bcm_enable_lines(FILE* fp, const BcmModule& m) {
    std::set<int> group_buffers;
    const std::string command = module_pin(bcm_tap_port(TAP_HIZ_PIN));
    for (const BcmCell& c : m.cells) {
        if (!data_role(c)) continue;
        const PadEntry& p = OPIN_TAB[c.pad];
        if (!three_state(p)) continue;
        const std::string pad_en = pad_enable_pin(p);
        // A control cell that another writer placed.
        if (p.control > 0 && !p.drives_control && m.control_cell(p.control) < 0)
            share_outside(fp, p, CONTROL_TAB[p.control - 1], pad_en);
        // The output-enable control cell of another pad.
        if (p.control_oe > 0 && !p.drives_control && p.control_oe <= DYNA_count(CONTROL_OE_TAB)) {
            const int n = m.control_oe_cell(p.control_oe);
            if (n < 0) {
                share_outside(fp, p, CONTROL_OE_TAB[p.control_oe - 1], pad_en);
            } else {
                std::fprintf(fp, "disconnect %s\n", pad_en.c_str());
                connect(fp, module_pin(bcm_cell_port(n, BcmPort::Out)), pad_en);
            }
        }
        const size_t row = static_cast<size_t>(c.pad);
        const BcmHighzDrive drive = row < m.highz_drive.size() ? m.highz_drive[row] : BcmHighzDrive::None;
        if (drive == BcmHighzDrive::None) continue;
        // The group's buffer, added with its first pad.
        const std::string buffer = STR_format("highz_buf%d", p.highz_group);
        const std::string out = pin_of(buffer, or_text(HIZ_BUF->output, ""));
        if (group_buffers.insert(p.highz_group).second) {
            std::fprintf(fp, "add %s %s\n", buffer.c_str(), HIZ_BUF_NAME);
            connect(fp, pin_of(buffer, or_text(HIZ_BUF->input, "")), command);
        }
        std::fprintf(fp, "disconnect %s\n", pad_en.c_str());
        if (drive == BcmHighzDrive::Direct)
            connect(fp, out, pad_en);
        else
            bstrace::inverter_to(fp, ADD_BUF_COUNT++, out, pad_en);
    }
    // The output-enable cells watch the enables as they now are.
    for (const BcmCell& c : m.cells) {
        bool oe = false;
        for (BcmPort port : c.ports) oe = oe || port == BcmPort::Oe;
        if (!oe) continue;
        const PadEntry& p = OPIN_TAB[c.pad];
        const std::string oe_pin = module_pin(bcm_cell_port(c.number, BcmPort::Oe));
        connect(fp, oe_pin, pad_enable_pin(p));
    }
}
