// The cells of the boundary-cell module and their numbers, and the pads
// that the -add_bcm road does not take.  The module writer
// and the top design's command file both read the cells from here, so a
// pin that the command file names is a port that the module declares.
#include <cctype>
#include <string>
#include <unordered_map>
#include <vector>

#include "bscan/bcm/bcm.h"
#include "bscan/bcm/bcm_control.h"
#include "bscan/bcm/bcm_options.h"
#include "bscan/bcm/bcm_mux.h"
#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"

using bsnames::or_text;

namespace {

// The position group of pads whose row has no direction text, when
// others have one.
const char* const kNoPosition = "other";

bool has_cell_of_its_own(const PadEntry& p) { return p.cell && !skip_signal(or_text(p.signal, "")); }

std::vector<BcmPort> plain_ports(const ScanCellEntry* c) {
    std::vector<BcmPort> ports;
    if (c->data_in) ports.push_back(BcmPort::In);
    if (c->data_out) ports.push_back(BcmPort::Out);
    return ports;
}

std::vector<BcmPort> bidir_ports(const ScanCellEntry* c) {
    std::vector<BcmPort> ports;
    if (c->data_in) ports.push_back(BcmPort::DataIn);
    if (c->data_out) ports.push_back(BcmPort::PadOut);
    if (c->sys_in) ports.push_back(BcmPort::DataOut);
    if (c->sys_pin) ports.push_back(BcmPort::PadIn);
    return ports;
}

// The input cell of an input/output pair: INPUT_SCAN, else CLOCK_SCAN.
ScanCellEntry* input_part_cell() {
    ScanCellEntry* c = INPUT_SCAN ? get_scan_cell(INPUT_SCAN) : nullptr;
    if (!c && CLOCK_SCAN) c = get_scan_cell(CLOCK_SCAN);
    return c;
}

// The control cell that a pad carries for its enable (and for the pads
// that share it), none when it carries none.
ScanCellEntry* carried_control_cell(const PadEntry& p) {
    if (p.control < 1 || !p.drives_control || p.control > DYNA_count(CONTROL_TAB)) return nullptr;
    ScanCellEntry* c = CONTROL_TAB[p.control - 1].cell;
    if (!c && CONTROL_SCAN) c = get_scan_cell(CONTROL_SCAN);
    return c;
}

void add_cells_of_pad(std::vector<BcmCell>& cells, int row, int position) {
    const PadEntry& p = OPIN_TAB[row];
    auto add = [&](BcmRole role, ScanCellEntry* cell, std::vector<BcmPort> ports) {
        if (!cell) return;
        BcmCell c;
        c.pad = row;
        c.number = static_cast<int>(cells.size());
        c.role = role;
        c.cell = cell;
        c.position = position;
        c.ports = std::move(ports);
        if (role == BcmRole::Control) c.control = p.control;
        if (role == BcmRole::Data || role == BcmRole::OutputPart) bcm_add_oe_port(p, cell, c.ports);
        cells.push_back(std::move(c));
    };
    if (bcm_pad_carries_cell(p)) {
        add(BcmRole::Data, p.cell, bcm_pad_cell_ports(p));
    } else switch (p.kind) {
        case PAD_CLOCK:
        case PAD_INPUT:
        case PAD_OUTPUT2:
        case PAD_OUTPUT3:
        case PAD_OUTPUT_EN: add(BcmRole::Data, p.cell, plain_ports(p.cell)); break;
        case PAD_BIDIR: add(BcmRole::Data, p.cell, bidir_ports(p.cell)); break;
        case PAD_INOUT: {
            ScanCellEntry* in = input_part_cell();
            if (in) add(BcmRole::InputPart, in, plain_ports(in));
            add(BcmRole::OutputPart, p.cell, plain_ports(p.cell));
            break;
        }
        default:
            if (!bcm_mux_road(p)) return;  // a pad without a cell of its own
            bcm_mux_cells_of_pad(p, add);
            break;
    }
    if (p.kind == PAD_OUTPUT3 || p.kind == PAD_BIDIR || p.kind == PAD_INOUT || bcm_mux_carries_control(p)) {
        ScanCellEntry* control = carried_control_cell(p);
        if (control) add(BcmRole::Control, control, plain_ports(control));
        if (ScanCellEntry* oe = bcm_carried_oe_control_cell(p)) {
            add(BcmRole::Control, oe, plain_ports(oe));
            cells.back().control = p.control_oe;
            cells.back().oe = true;
        }
    }
}

std::string lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

[[noreturn]] void not_available(const std::string& what) { bs_not_available("the option -add_bcm " + what); }

bool verilog_identifier(const std::string& s) {
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    for (unsigned char ch : s)
        if (!std::isalnum(ch) && ch != '_' && ch != '$') return false;
    return true;
}

// The TAP's instance name beside the names the module gives its own parts.
void check_tap_instance_name(const BcmModule& module) {
    const std::string name = bcm_tap_instance();
    const char* why = nullptr;
    if (!verilog_identifier(name))
        why = "takes only Verilog identifiers";
    else if (bcm_module_makes_name(module, name))
        why = "names its own cells, buffers, ports and nets so";
    if (!why) return;
    qdx_exit_printf(-1,
                    "ERROR: (%s) the TAP instance '%s' (%%INSTANCE_NAME of %%TAP_MODULE) can't be named so\n"
                    "       in the boundary-cell module %s, which %s.\n\n",
                    JTAG_BSC_FILE.c_str(), name.c_str(), bcm_module_name().c_str(), why);
}

// The module takes the top module's pads only.  A pad inside a module
// instance is named with its cell and port: the pads of a pad module or
// of several IO-pad modules, and the library buffer that a port without a
// pad of its own reaches first when its net goes straight into a module
// (the core), which stands for the port's pad.
[[noreturn]] void pad_inside_a_module(const PadEntry& p) {
    std::string path;
    for (int k = DYNA_count(p.instances) - 1; k >= 0; --k) path += std::string(p.instances[k]) + ".";
    path += or_text(p.pad_instance, "");
    not_available(STR_format("with pad '%s' (cell %s) of port '%s' inside a module instance", path.c_str(),
                             or_text(p.pad_cell, ""), or_text(p.signal, "")));
}

}  // namespace

BcmModule bcm_enumerate() {
    BcmModule m;
    const int n = DYNA_count(OPIN_TAB);
    // The position of each pad with a cell: groups named after the
    // direction texts, letter case ignored, in order of first appearance.
    std::vector<int> position(static_cast<size_t>(n), -1);
    std::unordered_map<std::string, int> keys;
    bool any_text = false;
    for (int i = 0; i < n; ++i)
        if (has_cell_of_its_own(OPIN_TAB[i]) && OPIN_TAB[i].suffix && *OPIN_TAB[i].suffix) any_text = true;
    if (any_text) {
        for (int i = 0; i < n; ++i) {
            const PadEntry& p = OPIN_TAB[i];
            if (!has_cell_of_its_own(p)) continue;
            std::string name = p.suffix && *p.suffix ? bcm_position_name(p.suffix) : kNoPosition;
            auto [at, added] = keys.emplace(lower(name), static_cast<int>(m.positions.size()));
            if (added) m.positions.push_back(name);
            position[static_cast<size_t>(i)] = at->second;
        }
    }
    // The pads of each group in table order, the groups in their order.
    std::vector<std::vector<int>> members(m.positions.empty() ? 1 : m.positions.size());
    for (int i = 0; i < n; ++i)
        if (has_cell_of_its_own(OPIN_TAB[i]))
            members[m.positions.empty() ? 0 : static_cast<size_t>(position[static_cast<size_t>(i)])].push_back(i);
    for (size_t g = 0; g < members.size(); ++g)
        for (int i : members[g]) add_cells_of_pad(m.cells, i, m.positions.empty() ? -1 : static_cast<int>(g));
    m.control_numbers.assign(static_cast<size_t>(DYNA_count(CONTROL_TAB)) + 1, -1);
    m.control_oe_numbers.assign(static_cast<size_t>(DYNA_count(CONTROL_OE_TAB)) + 1, -1);
    for (const BcmCell& c : m.cells) {
        std::vector<int>& numbers = c.oe ? m.control_oe_numbers : m.control_numbers;
        if (c.role == BcmRole::Control && c.control > 0 && c.control < static_cast<int>(numbers.size()))
            numbers[static_cast<size_t>(c.control)] = c.number;
    }
    m.highz_drive = bcm_highz_drives(m);
    return m;
}

void bcm_refuse_untaken_roads(const BcmModule& module) {
    for (PadEntry* tap : {TAP_TDI_PIN_PTR, TAP_TMS_PIN_PTR, TAP_TCK_PIN_PTR, TAP_TDO_PIN_PTR, TAP_TRST_PIN_PTR})
        if (tap && DYNA_count(tap->modules) > 0) not_available("with TAP pads inside pad modules");
    // Any other pad inside a module instance (with pads in several IO-pad
    // modules, one of every row that has a pad).
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i)
        if (DYNA_count(OPIN_TAB[i].modules) > 0 && (multi_io_module_flagG || has_cell_of_its_own(OPIN_TAB[i])))
            pad_inside_a_module(OPIN_TAB[i]);
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        if (!has_cell_of_its_own(p)) continue;
        if (!p.pad_instance && !bcm_port_stands_for_pad(p)) not_available("with -add_pad on ports without a pad");
        // A buffer that carries its own cell has no mode pins of its own,
        // so the pad table never makes it a mux pad; the module would not
        // know where its cell sits.
        if (p.buffer && p.buffer->kind == BUFFER_BS && !bcm_pad_carries_cell(p))
            not_available("with pads that carry their own scan cell");
        // A pad that keeps cells in a design of its own (a hard macro) is
        // described from that design, which the expansion of the edited
        // chip either flattens away or, as a library cell, holds without
        // its cells: no BSDL row could be written for it.
        if (keeps_cells_in_own_design(p.buffer))
            not_available(STR_format("with pad '%s', whose %%BS_BUFFER %s keeps boundary cells in a design of its own",
                                     or_text(p.pad_instance, ""), or_text(p.buffer->name, "")));
    }
    bcm_refuse_untaken_enables(module);
    for (const BcmCell& c : module.cells) {
        // Without a HIGHZ instruction the pins are held inactive.
        if (c.cell->highz && HIGHZ_EXIST >= 0 && !bcm_tap_sends_highz())
            not_available("with cells whose %HIGHZ pin the TAP can't drive");
    }
    bcm_check_group_size();
    if (module.cells.empty()) bs_no_boundary_register();
    check_tap_instance_name(module);
}
