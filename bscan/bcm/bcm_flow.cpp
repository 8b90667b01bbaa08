// The -add_bcm road: the pad table, the boundary-cell module and the TAP
// in RTL, and the top design's command file that adds one instance of the
// module and cuts each pad's data path through the module's pins; the run
// (kestrand/kest_main.cpp) checks before the first file between the two
// halves and runs the netlist tools after them.  The
// cells, their numbers and their pin names come from bcm_enumerate, which
// the module writer reads as well.
#include <cstdio>
#include <string>
#include <vector>

#include "bscan/bcm/bcm.h"
#include "bscan/bcm/bcm_control.h"
#include "bscan/bcm/bcm_mux.h"
#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "bscan/edit_internal.h"
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
using bstrace::Traced;

namespace {

void connect(FILE* fp, const std::string& a, const std::string& b) {
    std::fprintf(fp, "connect %s %s\n", a.c_str(), b.c_str());
}

void disconnect(FILE* fp, const std::string& end) { std::fprintf(fp, "disconnect %s\n", end.c_str()); }

std::string module_pin(const std::string& port) { return pin_of(bcm_module_name(), port); }
std::string module_pin(int n, BcmPort p) { return module_pin(bcm_cell_port(n, p)); }

bool has_port(const BcmCell& c, BcmPort p) {
    for (BcmPort q : c.ports)
        if (q == p) return true;
    return false;
}

// True when the instance pin lies on a net of the current design.
bool on_a_net(const char* inst, const char* pin, int direction) {
    const int obj = inst ? SDB_lookup_obj(inst) : -1;
    return obj >= 0 && pin && search_inet_connected_to_obj(obj, pin, direction) >= 0;
}

// The side of a pad where the data runs to the core: the cell's `drive`
// port takes over the core's load, its `observe` port watches the pad.
void input_side(FILE* fp, const PadEntry& p, const BcmCell& c, BcmPort observe, BcmPort drive, const char* what) {
    const Traced t = bstrace::trace_core(p.pad_instance, p.pin_to_core, true, what, p.signal);
    if (t.partner.kind == bstrace::Partner::PORT)
        qdx_printf("WARNING: Input Pad '%s' connect to output port '%s' directly.\n\n", t.inst.c_str(),
                   t.partner.text.c_str());
    const std::string pad_end = pin_of(t.inst, t.pin);
    if (has_port(c, drive)) {
        disconnect(fp, pad_end);
        connect(fp, module_pin(c.number, drive), bstrace::on_net(t.partner.text));
        bstrace::moved(pad_end, module_pin(c.number, drive));
    }
    if (has_port(c, observe)) connect(fp, module_pin(c.number, observe), pad_end);
}

// The side of a pad where the data comes from the core: the cell's
// `to_pad` port drives the pad, its `from_core` port takes the core's
// driver.
void output_side(FILE* fp, const PadEntry& p, const BcmCell& c, BcmPort from_core, BcmPort to_pad, const char* what) {
    const Traced t = bstrace::trace_core(p.pad_instance, p.pin_from_core, false, what, p.signal);
    const std::string pad_end = pin_of(t.inst, t.pin);
    if (has_port(c, to_pad)) {
        disconnect(fp, pad_end);
        connect(fp, module_pin(c.number, to_pad), pad_end);
    }
    if (!has_port(c, from_core)) return;
    connect(fp, module_pin(c.number, from_core), bstrace::on_net(t.partner.text));
    if (has_port(c, to_pad)) bstrace::moved(pad_end, module_pin(c.number, from_core));
}

// The control cell that a pad carries: the enable's source into its IN,
// its OUT to the enable.
void control_lines(FILE* fp, const PadEntry& p, const BcmCell& c) {
    const char* enable = bstrace::pad_enable(p);
    const std::string pad_en = pin_of(or_text(p.pad_instance, ""), or_text(enable, ""));
    const std::string source = bstrace::enable_source(p.pad_instance ? SDB_lookup_obj(p.pad_instance) : -1, enable);
    if (source.empty()) bstrace::no_enable_source(p);
    disconnect(fp, pad_en);
    connect(fp, module_pin(c.number, BcmPort::In), bstrace::on_net(source));
    bstrace::moved(pad_en, module_pin(c.number, BcmPort::In));
    connect(fp, module_pin(c.number, BcmPort::Out), pad_en);
}

// A pad that shares the control cell another pad carries.
void shared_control_lines(FILE* fp, const PadEntry& p, const BcmModule& m) {
    const std::string pad_en = pin_of(or_text(p.pad_instance, ""), or_text(bstrace::pad_enable(p), ""));
    disconnect(fp, pad_en);
    connect(fp, module_pin(m.control_cell(p.control), BcmPort::Out), pad_en);
    bstrace::moved(pad_en, module_pin(m.control_cell(p.control), BcmPort::In));
}

bool shares_control(const PadEntry& p, const BcmModule& m) {
    return (p.kind == PAD_OUTPUT3 || p.kind == PAD_BIDIR || p.kind == PAD_INOUT || bcm_mux_carries_control(p)) &&
           p.control > 0 && !p.drives_control && m.control_cell(p.control) >= 0;
}

// The boundary-register row of a module cell: row n for cell n, named
// after the module's instance of the cell.
void register_row(const BcmCell& c) {
    std::string name;
    const int row = add_scan_tab(c.cell, &name, c.pad, 0, 1);
    if (row != c.number)
        qdx_exit_printf(-1, "ERROR: internal: boundary cell %d of the boundary-cell module took register row %d.\n\n",
                        c.number, row);
    const std::string cell = STR_format("BCELL%d", c.number);
    bsnames::set_text(SCAN_TAB[row].instance, cell.c_str());
    PadEntry& p = OPIN_TAB[c.pad];
    // A control row names its cell by the module pin (bcm_publish_control_cells).
    if (c.role == BcmRole::Control) return;
    p.key = row;
    // The pad's cell names, the output part first for a pair.
    if (c.role == BcmRole::InputPart || !p.cell_request || c.role == BcmRole::Data)
        bsnames::set_text(p.cell_request, cell.c_str());
    else
        bsnames::set_text(p.cell_request, (cell + "," + p.cell_request).c_str());
}

void count_cell(const PadEntry& p, const BcmCell& c) {
    if (c.role != BcmRole::Control && bcm_mux_road(p)) {
        bcm_mux_count_cell(p, c);
        return;
    }
    switch (c.role) {
        case BcmRole::Control: ++(c.oe ? CONTROL_OE_SCAN_COUNT : CONTROL_SCAN_COUNT); return;
        case BcmRole::OutputPart: ++OUTPUT_SCAN_COUNT; return;
        case BcmRole::InputPart: ++INPUT_SCAN_COUNT; return;
        case BcmRole::Data: break;
    }
    if (p.kind == PAD_CLOCK && CLOCK_SCAN)
        ++CLK_SCAN_COUNT;
    else if (p.kind == PAD_CLOCK || p.kind == PAD_INPUT)
        ++INPUT_SCAN_COUNT;
    else if (p.kind == PAD_BIDIR)
        ++BIDIR_SCAN_COUNT;
    else
        ++OUTPUT_SCAN_COUNT;
}

// The lines of one module cell in the top design's command file.
void cell_lines(FILE* fp, const BcmCell& c, const BcmModule& m) {
    const PadEntry& p = OPIN_TAB[c.pad];
    register_row(c);
    count_cell(p, c);
    if (c.role == BcmRole::Data && bcm_pad_carries_cell(p)) {
        bcm_pad_cell_lines(fp, p, c);
        if (shares_control(p, m)) shared_control_lines(fp, p, m);
        return;
    }
    if (c.role == BcmRole::Data && bcm_port_stands_for_pad(p)) {
        bcm_port_cell_lines(fp, p, c);
        return;
    }
    if (c.role != BcmRole::Control && bcm_mux_road(p)) {
        bcm_mux_cell_lines(fp, p, c);
        if (c.role != BcmRole::InputPart && shares_control(p, m)) shared_control_lines(fp, p, m);
        return;
    }
    switch (c.role) {
        case BcmRole::Control: control_lines(fp, p, c); return;
        case BcmRole::InputPart: input_side(fp, p, c, BcmPort::In, BcmPort::Out, "Bidirectional"); return;
        case BcmRole::OutputPart: output_side(fp, p, c, BcmPort::In, BcmPort::Out, "Bidirectional"); break;
        case BcmRole::Data:
            if (p.kind == PAD_CLOCK || p.kind == PAD_INPUT) {
                input_side(fp, p, c, BcmPort::In, BcmPort::Out, "Input");
            } else if (p.kind == PAD_BIDIR) {
                output_side(fp, p, c, BcmPort::DataIn, BcmPort::PadOut, "Bidirectional");
                input_side(fp, p, c, BcmPort::PadIn, BcmPort::DataOut, "Bidirectional");
            } else {
                output_side(fp, p, c, BcmPort::In, BcmPort::Out, "Output");
            }
            break;
    }
    if (shares_control(p, m)) shared_control_lines(fp, p, m);
}

// The design must not hold an instance of the module's name already.
void check_module_instance_free() {
    open_sdb_file(MODULE_SDB.c_str());
    const std::string name = bcm_module_name();
    const bool taken = SDB_nl_search_obj(name.c_str()) >= 0;
    SDB_close(sdb, 0);
    if (!taken) return;
    qdx_printf("ERROR: the design '%s' already holds an instance '%s';\n", MODULE_SDB.c_str(), name.c_str());
    qdx_exit_printf(-1, "       option -add_bcm adds the boundary-cell module under that name.\n\n");
}

// The head of the top design's command file: its copy, the module's
// instance and the TAP ports wired to the module's TAP ports.  The
// design (MODULE_SDB) is open and current.
void make_top_sdb() {
    const std::string bcm = bcm_module_name();
    bsnames::set_text(TAP_INSTANCE_NAME, bcm.c_str());
    bs_open_top_cmd_file();
    FILE* fp = TAP_FP;
    std::fprintf(fp, "add %s %s\n", bcm.c_str(), bcm.c_str());
    using namespace bsedit;
    for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TDO, TAP_PORT_TRST})) {
        const char* port = tp->port();
        // A TAP port whose pin the TAP lacks has no module port to reach.
        if (!port || !*tp->pin()) continue;
        const std::string to = module_pin(bcm_tap_port(tp->pin()));
        PadEntry* r = *tp->record;
        if (!r || !r->pad_instance) {
            if (!r)
                std::fprintf(fp, "add %s %s\n", port, tp->tdo ? "output" : "input");
            else if (tp->tdo)
                disconnect(fp, port);
            connect(fp, port, to);
            continue;
        }
        const char* pin = record_pin(*r, tp->tdo);
        if (!tp->tdo) {
            connect(fp, pin_of(r->pad_instance, or_text(pin, "")), to);
            continue;
        }
        // The module's TAP drives the TDO pad alone: whatever drove its
        // pins before leaves them.
        if (on_a_net(r->pad_instance, pin, SDB_DIR_INPUT)) disconnect(fp, pin_of(r->pad_instance, or_text(pin, "")));
        connect(fp, pin_of(r->pad_instance, or_text(pin, "")), to);
        const char* enable = record_enable(*r);
        if (!TAP_TDO_EN_PIN || !*TAP_TDO_EN_PIN || !enable) continue;
        if (on_a_net(r->pad_instance, enable, SDB_DIR_INPUT)) disconnect(fp, pin_of(r->pad_instance, enable));
        connect(fp, pin_of(r->pad_instance, enable), module_pin(bcm_tap_port(TAP_TDO_EN_PIN)));
    }
    // With -external_idcode the module's IDCODE bus is tied to the value.
    bs_write_idcode_ties(fp);
}

}  // namespace

void add_scan_module(const BcmModule& module) {
    qdx_printf(" - Synthesizing Boundary Registers in gate level ...\n\n");
    PAD_MODULE_EXIST = 0;
    open_sdb_file(MODULE_SDB.c_str());
    make_top_sdb();
    level_count = 0;
    bcm_publish_control_cells(module);
    for (const BcmCell& c : module.cells) cell_lines(TAP_FP, c, module);
    bcm_enable_lines(TAP_FP, module);
    SDB_close(sdb, 0);
    std::fputs("save\nquit\n", TAP_FP);
    bs_close_cmd_file(TAP_FP);
    print_bso_file();
}

BcmModule bcm_prepare_module() {
    // The pad table first: the module's cells and the top design's wiring
    // are both read from it.
    bs_build_pad_table();
    bs_check_cells_describable();
    BcmModule module = bcm_enumerate();
    bcm_refuse_untaken_roads(module);
    bcm_mux_settle_mode_pins(module);
    check_module_instance_free();
    return module;
}

void bcm_write_module(const BcmModule& module) {
    jtagsyn_bcm(module);
    add_scan_module(module);
}
