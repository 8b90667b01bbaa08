// The boundary cells of each pad, by its kind: the boundary-register rows
// and the command-file lines that add the cells and cut them into the
// pad's data path, and the control cells and high-impedance buffers of
// three-state pads.  The design read here is the one being edited (the
// top design, or the pad module), open and current.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bscan/edit.h"
#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "bscan/pad_trace.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"
#include "sdb/sdb.h"

int INPUT_SCAN_COUNT = 0, CLK_SCAN_COUNT = 0, OUTPUT_SCAN_COUNT = 0, INPUT_MUX_SCAN_COUNT = 0, CLK_MUX_SCAN_COUNT = 0,
    OUTPUT_MUX_SCAN_COUNT = 0, BIDIR_SCAN_COUNT = 0, BIDIR_MUX_SCAN_COUNT = 0, INTERNAL_SCAN_COUNT = 0,
    CONTROL_SCAN_COUNT = 0, CONTROL_OE_SCAN_COUNT = 0;
int ADD_BUF_COUNT = 0;

using bsnames::or_text;
using bsnames::set_text;
using bstrace::enable_source;
using bstrace::floating;
using bstrace::inverter_to;
using bstrace::moved;
using bstrace::on_net;
using bstrace::other_end_of_object;
using bstrace::pad_enable;
using bstrace::Partner;
using bstrace::pin_of;
using bstrace::port_partner;
using bstrace::trace_core;
using bstrace::Traced;

namespace {

PadEntry& pad(int row) { return OPIN_TAB[row]; }
bool has_bs_buffer(const PadEntry& p) { return p.buffer && p.buffer->kind == BUFFER_BS; }

const PinListEntry* pin_row(const PadEntry& p) {
    return p.pin >= 0 && p.pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[p.pin] : nullptr;
}

// A new boundary cell of the pad: its register row, the pad's order key
// and cell name; the "add" line unless the pad carries its own cell.
// Returns false for such a pad (nothing more is written for it).
bool new_cell(FILE* fp, int row, ScanCellEntry* cell, std::string* name, int mux) {
    int r = add_scan_tab(cell, name, row, mux, 0);
    PadEntry& p = pad(row);
    p.key = r;
    set_text(p.cell_request, name->c_str());
    if (has_bs_buffer(p)) return false;
    bsedit::write_line(fp, "add ", *name, " ", cell->name);
    return true;
}

// A boundary cell of a pair, without the "add" line (the pair writers
// write both adds together).
std::string pair_cell(int row, ScanCellEntry* cell, int mux) {
    std::string name;
    add_scan_tab(cell, &name, row, mux, 0);
    return name;
}

void connect(FILE* fp, const std::string& a, const std::string& b) {
    bsedit::write_line(fp, "connect ", a, " ", b);
}

void disconnect(FILE* fp, const std::string& end) { bsedit::write_line(fp, "disconnect ", end); }

// The cell's DATA_IN from the pad side.  A pin marked active low ("-" in
// the pin list) is cut in like any other: the cell observes and drives
// the level at its pin, which is what its BSDL row describes.
void data_in_from_pad(FILE* fp, const ScanCellEntry* c, const std::string& cell, const std::string& pad_end) {
    if (c->data_in) connect(fp, pin_of(cell, c->data_in), pad_end);
}

// A pad added with -add_pad for a port that has none.
enum class PadSide { In, Out, InOut };
struct AddedPad {
    int number;
    std::string inst;
    std::string inner;  // the pin towards the core
    const BufferEntry* buffer;
};

[[noreturn]] void need_buffer_keyword(const char* keyword) {
    qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%%s\n       in file '%s'.\n\n", keyword,
               JTAG_BSC_FILE.c_str());
}

AddedPad add_pad(FILE* fp, int row, PadSide side) {
    PadEntry& p = pad(row);
    const PinListEntry* r = pin_row(p);
    const char* pin_pad = r ? r->pad : nullptr;
    std::string cell, outer, inner;
    switch (side) {
        case PadSide::In:
            if (pin_pad) {
                bs_check_input_buf_fields(pin_pad);
                cell = pin_pad;
                outer = or_text(SPEC_INPUT_BUFFER_INPUT, "");
                inner = or_text(SPEC_INPUT_BUFFER_OUTPUT, "");
            } else {
                if (!INPUT_BUFFER) need_buffer_keyword("INPUT_BUFFER");
                cell = INPUT_BUFFER;
                outer = or_text(INPUT_BUFFER_INPUT, "");
                inner = or_text(INPUT_BUFFER_OUTPUT, "");
            }
            break;
        case PadSide::Out:
            if (pin_pad) {
                bs_check_output_buf_fields(pin_pad);
                cell = pin_pad;
                outer = or_text(SPEC_OUTPUT_BUFFER_OUTPUT, "");
                inner = or_text(SPEC_OUTPUT_BUFFER_INPUT, "");
            } else {
                if (!OUTPUT_BUFFER) need_buffer_keyword("OUTPUT_BUFFER");
                cell = OUTPUT_BUFFER;
                outer = or_text(OUTPUT_BUFFER_OUTPUT, "");
                inner = or_text(OUTPUT_BUFFER_INPUT, "");
            }
            break;
        case PadSide::InOut:
            if (pin_pad) {
                bs_check_inout_buf_fields(pin_pad);
                cell = pin_pad;
            } else {
                if (!INOUT_BUFFER) need_buffer_keyword("INOUT_BUFFER");
                cell = INOUT_BUFFER;
            }
            break;
    }
    const BufferEntry* b = get_buffer(cell.c_str());
    if (side == PadSide::InOut) outer = or_text(b ? b->inout : nullptr, "");
    AddedPad a{ADD_BUF_COUNT++, "", inner, b};
    a.inst = STR_format("B_PAD%d", a.number);
    std::fprintf(fp, "add %s %s\n", a.inst.c_str(), cell.c_str());
    std::fprintf(fp, "disconnect %s\n", or_text(p.signal, ""));
    connect(fp, pin_of(a.inst, outer), or_text(p.signal, ""));
    set_text(p.pad_cell, cell.c_str());
    set_text(p.pad_instance, a.inst.c_str());
    if (side == PadSide::In) set_text(p.pin_to_core, inner.c_str());
    if (side == PadSide::Out) set_text(p.pin_from_core, inner.c_str());
    return a;
}

// A mux pad's cell wired to the pad buffer's second data path: the cell's
// pin (its UPDATE_DR_OUT, or MUX_DATA_IN for %MUX_OUT) takes over a mux
// pin of the buffer that is open or tied to GND or VCC, with a warning
// for a tied one; a mux pin on a signal net is left alone.
void take_mux_pin(FILE* fp, const PadEntry& p, const char* mux_pin, int net, const char* word,
                  const std::string& cell, const char* cell_pin) {
    if (!mux_pin || !cell_pin || net >= 2) return;
    std::string inst = or_text(p.pad_instance, "");
    if (net == 0 || net == 1) {
        qdx_printf("WARNING: Pin %%%s of pad '%s'(%s) connected to %s.\n", word, inst.c_str(), or_text(p.pad_cell, ""),
                   net == 0 ? "GND" : "VCC");
        qdx_printf("         %%%s '%s' will be disconnected and reconnected\n", word, mux_pin);
        qdx_printf("         to scan cell '%s'.\n", cell.c_str());
        disconnect(fp, pin_of(inst, mux_pin));
    }
    connect(fp, pin_of(cell, cell_pin), pin_of(inst, mux_pin));
}

// True when the instruction table has HIGHZ and the TAP's %HIGHZ_COMMAND
// is no MODE pin as well: the command then reaches the pads only through
// the control cells' HIGHZ pins (or the high-impedance buffers).
bool highz_needs_cell_pin() {
    const TapCellEntry* t = TAP_CONTR;
    if (!t || !t->highz_command) return false;
    for (const char* mode : {t->mode1, t->mode2, t->mode3})
        if (mode && STR_ucomp(mode, t->highz_command) == 0) return false;
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i)
        if (INSTRUCTIONS[i].name && STR_ucomp(INSTRUCTIONS[i].name, "highz") == 0) return true;
    return false;
}

// A pad that carries its own cell with a HIGHZ pin takes the command on
// that pin (one more load of the command's tree) and floats its pin
// whatever its enable says.
bool floats_itself_under_highz(const PadEntry& p) {
    return has_bs_buffer(p) && p.pad_instance && p.cell && p.cell->highz;
}

// A pad whose control cell has no HIGHZ pin keeps driving under HIGHZ,
// unless its own cell floats it: nothing in the cell library lets the
// command reach its enable, so the run says so (the BSDL writer then
// leaves HIGHZ out).
void warn_no_highz_pin(const PadEntry& p, const std::string& control_inst, const ScanCellEntry* cell) {
    if (!cell || cell->highz || !highz_needs_cell_pin() || floats_itself_under_highz(p)) return;
    qdx_printf("WARNING: control cell '%s'(%s) of pad '%s' has no %%HIGHZ pin:\n", control_inst.c_str(),
               or_text(cell->name, ""), or_text(p.pad_instance, ""));
    qdx_printf("         port '%s' keeps its drive under INSTRUCTION HIGHZ.\n\n", or_text(p.signal, ""));
}

// The enable of pad row `row`: from the buffer of its high-impedance
// group, or from its control cell (added by the pad that owns it, whose
// instance and DATA_OUT the control row then keeps for the pads that
// share it).  oe selects the output-enable cells, whose OE_MODE pin
// follows the data cell's.
void write_control(FILE* fp, int row, bool oe, const std::string& data_cell) {
    PadEntry& p = pad(row);
    int ref = oe ? p.control_oe : p.control;
    if (ref == 0) return;
    if (bs_own_control_cell(p)) return;  // the pad buffer drives its enable itself
    const char* enable = pad_enable(p);
    std::string pad_inst = or_text(p.pad_instance, "");
    std::string pad_en = pin_of(pad_inst, or_text(enable, ""));
    std::string control_inst, control_out;
    if (ref == -1) {
        // A high-impedance group: its buffer carries the command active
        // high.  An active-low enable takes it as it is, an active-high
        // one through an inverter, so that the pad keeps driving in
        // functional mode; an enable tied off or left open stays as it is.
        const HighzDrive drive = bs_recorded_highz_drive(p);
        if (drive == HighzDrive::None) return;
        std::string buf = STR_format("highz_buf%d", p.highz_group);
        if (!HIZ_BUF || !HIZ_BUF_NAME) bsedit::no_highz_buffer(pad_inst.c_str());
        // The first pad of the group that takes the command adds the buffer.
        const bool first = bs_claim_highz_buffer(p.highz_group);
        if (first) std::fprintf(fp, "add %s %s\n", buf.c_str(), HIZ_BUF_NAME);
        disconnect(fp, pad_en);
        const std::string hiz_out = pin_of(buf, or_text(HIZ_BUF->output, ""));
        if (drive == HighzDrive::Direct)
            connect(fp, hiz_out, pad_en);
        else
            inverter_to(fp, ADD_BUF_COUNT++, hiz_out, pad_en);
        if (first) {
            std::string hiz_in = pin_of(buf, or_text(HIZ_BUF->input, ""));
            if (PAD_MODULE_EXIST)
                connect(fp, hiz_in, or_text(TAP_HIZ_PIN, ""));
            else
                connect(fp, hiz_in, pin_of(or_text(TAP_INSTANCE_NAME, ""), or_text(TAP_HIZ_PIN, "")));
        }
        return;
    }
    ControlCellEntry*& table = oe ? CONTROL_OE_TAB : CONTROL_TAB;
    if (ref < 1 || ref > DYNA_count(table)) return;
    if (!p.drives_control) {
        // Shares the cell its owner added, whose DATA_IN reads the
        // enable's net in its place.
        disconnect(fp, pad_en);
        ControlCellEntry& c = table[ref - 1];
        control_inst = or_text(c.instance, "");
        control_out = or_text(c.data_out, "");
        connect(fp, pin_of(control_inst, control_out), pad_en);
        if (c.cell && c.cell->data_in) moved(pad_en, pin_of(control_inst, c.cell->data_in));
        warn_no_highz_pin(p, control_inst, c.cell);
    } else {
        ScanCellEntry* cell = table[ref - 1].cell;
        const char* configured = oe ? CONTROL_OE_SCAN : CONTROL_SCAN;
        if (!cell) cell = configured ? get_scan_cell(configured) : nullptr;
        if (!cell) return;
        add_scan_tab(cell, &control_inst, row, 0, 1);
        ++(oe ? CONTROL_OE_SCAN_COUNT : CONTROL_SCAN_COUNT);
        std::fprintf(fp, "add %s %s\n", control_inst.c_str(), or_text(configured, cell->name));
        disconnect(fp, pad_en);
        std::string source = enable_source(p.pad_instance ? SDB_lookup_obj(p.pad_instance) : -1, enable);
        if (source.empty()) bstrace::no_enable_source(p);
        const std::string control_in = pin_of(control_inst, or_text(cell->data_in, ""));
        connect(fp, control_in, on_net(source));
        moved(pad_en, control_in);
        control_out = or_text(cell->data_out, "");
        connect(fp, pin_of(control_inst, control_out), pad_en);
        set_text(table[ref - 1].instance, control_inst.c_str());
        set_text(table[ref - 1].data_out, control_out.c_str());
        warn_no_highz_pin(p, control_inst, cell);
    }
    if (!oe || data_cell.empty()) return;
    // The control cell's OE_MODE follows the data cell's.
    ControlCellEntry& c = table[ref - 1];
    const ScanCellEntry* control_cell = c.cell;
    const ScanCellEntry* data = p.cell;
    if (control_cell && control_cell->oe_mode && data && data->oe_mode && !bsnames::same(data->oe_mode, enable))
        connect(fp, pin_of(control_inst, control_cell->oe_mode), pin_of(data_cell, data->oe_mode));
}

bool differential(const BufferEntry* b) {
    return b && (b->kind == BUFFER_DIFF_VOLTAGE || b->kind == BUFFER_DIFF_CURRENT);
}

void control_of(FILE* fp, int row, const std::string& data_cell) {
    const PadEntry& p = pad(row);
    if (p.cell && p.cell->oe_mode)
        add_oe_control_scan_cell_in_cmd(fp, row, data_cell);
    else
        add_control_scan_cell_in_cmd(fp, row);
}

// The lines that `write` puts into a stream, as a text: for lines that
// must follow others that are written later.
template <class Write>
std::string lines_of(Write write) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* mem = open_memstream(&buffer, &size);
    if (!mem) {
        qdx_exit_printf(-1, "ERROR: out of memory while writing a command file.\n\n");
    }
    write(mem);
    std::fclose(mem);
    std::string text(buffer ? buffer : "", size);
    std::free(buffer);
    return text;
}

// The input part of a pair: the configured input cell, else the clock
// cell; counted by the choice.
ScanCellEntry* input_part(const char* first, int* first_count, const char* second, int* second_count) {
    ScanCellEntry* c = first ? get_scan_cell(first) : nullptr;
    if (c) {
        ++*first_count;
        return c;
    }
    c = second ? get_scan_cell(second) : nullptr;
    if (c) ++*second_count;
    return c;
}

}  // namespace

void add_scan_cells_in_cmd_file(FILE* fp, int row) {
    const PadEntry& p = pad(row);
    if (!p.cell) return;
    std::string data;
    switch (p.kind) {
        case PAD_CLOCK: add_input_clock_cell_in_cmd(fp, row, 0); break;
        case PAD_INPUT: add_input_clock_cell_in_cmd(fp, row, 1); break;
        case PAD_OUTPUT2:
        case PAD_OUTPUT_EN: add_output_scan_cell_in_cmd(fp, row, &data); break;
        case PAD_OUTPUT3:
            add_output_scan_cell_in_cmd(fp, row, &data);
            control_of(fp, row, data);
            break;
        case PAD_BIDIR:
            add_bidi_scan_cell_in_cmd(fp, row, &data);
            control_of(fp, row, data);
            break;
        case PAD_INOUT: add_in_out_scan_cell_in_cmd(fp, row); break;
        case PAD_INTERNAL: add_internal_scan_cell_in_cmd(fp, row); break;
        case PAD_MUX_INPUT: add_mux_input_cell_in_cmd(fp, row); break;
        case PAD_MUX_OUTPUT2: add_mux_output_scan_cell_in_cmd(fp, row, &data); break;
        case PAD_MUX_OUTPUT3:
            add_mux_output_scan_cell_in_cmd(fp, row, &data);
            control_of(fp, row, data);
            break;
        case PAD_MUX_BIDIR1:
        case PAD_MUX_BIDIR2:
            add_mux_bidi_scan_cell_in_cmd(fp, row, &data);
            control_of(fp, row, data);
            break;
        case PAD_MUX_INOUT1:
            add_mux1_in_out_scan_cell_in_cmd(fp, row);
            add_control_scan_cell_in_cmd(fp, row);
            break;
        case PAD_MUX_INOUT2:
            add_mux2_in_out_scan_cell_in_cmd(fp, row);
            add_control_scan_cell_in_cmd(fp, row);
            break;
        default: break;  // PAD_MUX_CLOCK and PAD_MUX_OUTPUT_EN get no cell
    }
}

void add_input_clock_cell_in_cmd(FILE* fp, int row, int not_clock) {
    if (!not_clock && CLOCK_SCAN)
        ++CLK_SCAN_COUNT;
    else
        ++INPUT_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    if (!new_cell(fp, row, c, &cell, 0)) return;
    std::string port = or_text(p.signal, "");

    if (!p.pad_instance && JTAG_OPTION[OPT_ADD_PAD]) {
        Partner load = port_partner(port.c_str());
        if (load.kind == Partner::NONE) floating("Input", port.c_str(), port.c_str());
        // The added pad feeds the cell, and the port's loads see the
        // pad's output (through the cell's DATA_OUT when it has one) as
        // they saw the port.
        AddedPad a = add_pad(fp, row, PadSide::In);
        std::string pad_out = pin_of(a.inst, a.inner);
        const std::string to_load = c->data_out ? pin_of(cell, c->data_out) : pad_out;
        connect(fp, to_load, on_net(load.text));
        moved(port, to_load);
        data_in_from_pad(fp, c, cell, pad_out);
        return;
    }
    if (!p.pad_instance) {
        // The port stands for the pad (-no_pad).
        if (c->data_out) {
            Partner load = port_partner(port.c_str());
            if (load.kind == Partner::NONE) floating("Input", port.c_str(), port.c_str());
            disconnect(fp, port);
            connect(fp, pin_of(cell, c->data_out), on_net(load.text));
            moved(port, pin_of(cell, c->data_out));
        }
        data_in_from_pad(fp, c, cell, port);
        return;
    }
    Traced t = trace_core(p.pad_instance, p.pin_to_core, true, "Input", port.c_str());
    if (t.partner.kind == Partner::PORT && !PAD_MODULE_EXIST)
        qdx_printf("WARNING: Input Pad '%s' connect to output port '%s' directly.\n\n", t.inst.c_str(),
                   t.partner.text.c_str());
    std::string pad_end = pin_of(t.inst, t.pin);
    if (c->data_out) {
        disconnect(fp, pad_end);
        connect(fp, pin_of(cell, c->data_out), on_net(t.partner.text));
        moved(pad_end, pin_of(cell, c->data_out));
    }
    data_in_from_pad(fp, c, cell, pad_end);
}

namespace {

// The enable of a pad that -add_pad adds to an output port (a three-state
// pad that the pin file names): the core drove the port all the time (the
// pad table refuses a port that a three-state output drives), so the
// enable is tied to its enabling level and the pad drives as the core did.
void tie_added_output_enable(FILE* fp, const PadEntry& p, const AddedPad& a) {
    const PinListEntry* r = pin_row(p);
    const char* enable = bsnames::enable_pin(a.buffer, r ? r->pad_enable : PAD_EN_NONE);
    if (!enable) return;
    connect(fp, pin_of(a.inst, enable), bsnames::same(enable, a.buffer->en_l) ? "GND" : "VCC");
}

}  // namespace

void add_output_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name) {
    ++OUTPUT_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    bool writes = new_cell(fp, row, c, &cell, 0);
    if (cell_name) *cell_name = cell;
    if (!writes) return;
    std::string port = or_text(p.signal, "");
    if (!p.pad_instance) {
        Partner driver = port_partner(port.c_str());
        if (driver.kind == Partner::NONE) floating("Output", port.c_str(), port.c_str());
        // Without a pad the port stands for it (-no_pad).
        std::string pad_end = port;
        if (!JTAG_OPTION[OPT_ADD_PAD]) {
            disconnect(fp, port);
        } else {
            AddedPad a = add_pad(fp, row, PadSide::Out);
            pad_end = pin_of(a.inst, a.inner);
            tie_added_output_enable(fp, p, a);
        }
        connect(fp, pin_of(cell, or_text(c->data_out, "")), pad_end);
        connect(fp, pin_of(cell, or_text(c->data_in, "")), on_net(driver.text));
        moved(port, pin_of(cell, or_text(c->data_in, "")));
        return;
    }
    Traced t = trace_core(p.pad_instance, p.pin_from_core, false, "Output", port.c_str());
    std::string pad_end = pin_of(t.inst, t.pin);
    disconnect(fp, pad_end);
    connect(fp, pin_of(cell, or_text(c->data_out, "")), pad_end);
    connect(fp, pin_of(cell, or_text(c->data_in, "")), on_net(t.partner.text));
    moved(pad_end, pin_of(cell, or_text(c->data_in, "")));
}

void add_bidi_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name) {
    ++BIDIR_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    bool writes = new_cell(fp, row, c, &cell, 0);
    if (cell_name) *cell_name = cell;
    if (!writes) return;
    const char* port = or_text(p.signal, "");
    Traced out = trace_core(p.pad_instance, p.pin_from_core, false, "Bidirectional", port);
    Traced in = trace_core(p.pad_instance, p.pin_to_core, true, "Bidirectional", port);
    std::string out_end = pin_of(out.inst, out.pin);
    disconnect(fp, out_end);
    connect(fp, pin_of(cell, or_text(c->data_in, "")), on_net(out.partner.text));
    moved(out_end, pin_of(cell, or_text(c->data_in, "")));
    connect(fp, pin_of(cell, or_text(c->data_out, "")), out_end);
    std::string in_end = pin_of(in.inst, in.pin);
    if (c->sys_in) {
        disconnect(fp, in_end);
        connect(fp, pin_of(cell, c->sys_in), on_net(in.partner.text));
        moved(in_end, pin_of(cell, c->sys_in));
    }
    connect(fp, pin_of(cell, or_text(c->sys_pin, "")), in_end);
}

namespace {

// One part of a pad's pair of cells: its instance name and its cell (null
// when the pad has no such part).
struct PairPart {
    const std::string& name;
    ScanCellEntry* cell;
};

// Records a pad's pair of cells once both parts hold their register rows:
// the pad's order key becomes the last row, its cell request the names
// "out,in"; then both cells are added, the input part first unless
// out_first.
void add_cell_pair(FILE* fp, PadEntry& p, PairPart out, PairPart in, bool out_first) {
    p.key = DYNA_count(SCAN_TAB) - 1;
    set_text(p.cell_request, (out.name + "," + in.name).c_str());
    if (out_first) bsedit::write_line(fp, "add ", out.name, " ", out.cell->name);
    if (in.cell) bsedit::write_line(fp, "add ", in.name, " ", in.cell->name);
    if (!out_first) bsedit::write_line(fp, "add ", out.name, " ", out.cell->name);
}

}  // namespace

void add_in_out_scan_cell_in_cmd(FILE* fp, int row) {
    PadEntry& p = pad(row);
    if (!p.pad_instance && !JTAG_OPTION[OPT_ADD_PAD]) return;
    ScanCellEntry* out_cell = p.cell;
    const char* port = or_text(p.signal, "");
    if (p.pad_instance) {
        std::string out_name = pair_cell(row, out_cell, 0);
        ++OUTPUT_SCAN_COUNT;
        // The control cell's register row follows the output part's; its
        // lines (the OE join names the output part) wait until both parts
        // are added.
        std::string control_lines = lines_of([&](FILE* mem) { control_of(mem, row, out_name); });
        ScanCellEntry* in_cell = input_part(INPUT_SCAN, &INPUT_SCAN_COUNT, CLOCK_SCAN, &CLK_SCAN_COUNT);
        if (!in_cell) return;  // the pad table gives this kind only with an input cell
        std::string in_name = pair_cell(row, in_cell, 0);
        add_cell_pair(fp, p, {out_name, out_cell}, {in_name, in_cell}, false);
        std::fputs(control_lines.c_str(), fp);
        // Each part as the input and the output writers place it.
        Traced in = trace_core(p.pad_instance, p.pin_to_core, true, "Bidirectional", port);
        std::string in_end = pin_of(in.inst, in.pin);
        if (in_cell->data_out) {
            disconnect(fp, in_end);
            connect(fp, pin_of(in_name, in_cell->data_out), on_net(in.partner.text));
            moved(in_end, pin_of(in_name, in_cell->data_out));
        }
        data_in_from_pad(fp, in_cell, in_name, in_end);
        Traced out = trace_core(p.pad_instance, p.pin_from_core, false, "Bidirectional", port);
        std::string out_end = pin_of(out.inst, out.pin);
        disconnect(fp, out_end);
        connect(fp, pin_of(out_name, or_text(out_cell->data_in, "")), on_net(out.partner.text));
        moved(out_end, pin_of(out_name, or_text(out_cell->data_in, "")));
        connect(fp, pin_of(out_name, or_text(out_cell->data_out, "")), out_end);
        return;
    }
    // -add_pad on a bidirectional port without a pad.
    Partner partner = port_partner(port);
    const bstrace::PortNetEnds ends = bstrace::port_net_ends(port);
    AddedPad a = add_pad(fp, row, PadSide::InOut);
    std::string out_name = pair_cell(row, out_cell, 0);
    ++OUTPUT_SCAN_COUNT;
    ScanCellEntry* in_cell = input_part(INPUT_SCAN, &INPUT_SCAN_COUNT, CLOCK_SCAN, &CLK_SCAN_COUNT);
    if (!in_cell) return;
    std::string in_name = pair_cell(row, in_cell, 0);
    add_cell_pair(fp, p, {out_name, out_cell}, {in_name, in_cell}, false);
    const BufferEntry* b = a.buffer;
    if (in_cell->data_in) connect(fp, pin_of(in_name, in_cell->data_in), pin_of(a.inst, or_text(b ? b->output : nullptr, "")));
    connect(fp, pin_of(out_name, or_text(out_cell->data_out, "")), pin_of(a.inst, or_text(b ? b->input : nullptr, "")));
    // The port's former net (the pad table saw whether the core drives
    // it): a driven net feeds the output part; an undriven one has the
    // output part's data tied high.  The loads of the net read the pin
    // through the pad, from the input part's DATA_OUT (the pad's output
    // itself for a cell without one), as the input writer has them: where
    // instance outputs drive the net, these leave it for a net of their
    // own with the output part's DATA_IN, and the loads stay behind.  A
    // net driven by an input port or a constant keeps its loads.
    const bool driven = p.core_drives != 0;
    const std::string out_in = pin_of(out_name, or_text(out_cell->data_in, ""));
    const std::string to_loads = in_cell->data_out ? pin_of(in_name, in_cell->data_out)
                                                   : pin_of(a.inst, or_text(b ? b->output : nullptr, ""));
    const bool by_instances =
        !ends.constant && !ends.drivers.empty() &&
        std::all_of(ends.drivers.begin(), ends.drivers.end(), [](const Partner& d) { return d.kind == Partner::PIN; });
    if (driven && by_instances && !ends.loads.empty()) {
        for (const Partner& d : ends.drivers) disconnect(fp, d.text);
        connect(fp, out_in, ends.drivers.front().text);
        for (size_t i = 1; i < ends.drivers.size(); ++i) connect(fp, ends.drivers[i].text, ends.drivers.front().text);
        connect(fp, to_loads, ends.loads.front().text);
    } else if (driven && partner.kind != Partner::NONE) {
        connect(fp, out_in, partner.text);
    } else {
        connect(fp, out_in, "VCC");
    }
    if (!driven && partner.kind != Partner::NONE) connect(fp, to_loads, partner.text);
    // The pad's enable from a control cell whose data is tied: in
    // functional mode the pad drives the pin exactly when the core drove
    // it before (the enabling level), and leaves it floating when nothing
    // drove it (the disabling level).
    ScanCellEntry* control = CONTROL_SCAN ? get_scan_cell(CONTROL_SCAN) : nullptr;
    if (!control || !b) return;
    const PinListEntry* r = pin_row(p);
    const char* enable = bsnames::enable_pin(b, r ? r->pad_enable : PAD_EN_NONE);
    if (!enable) return;
    const bool active_low = bsnames::same(enable, b->en_l);
    const bool high = driven != active_low;  // the enabling level of an active-high enable, and so on
    std::string control_name;
    add_scan_tab(control, &control_name, row, 0, 1);
    ++CONTROL_SCAN_COUNT;
    std::fprintf(fp, "add %s %s\n", control_name.c_str(), CONTROL_SCAN);
    connect(fp, pin_of(control_name, or_text(control->data_in, "")), high ? "VCC" : "GND");
    connect(fp, pin_of(control_name, or_text(control->data_out, "")), pin_of(a.inst, enable));
    warn_no_highz_pin(p, control_name, control);
}

void add_internal_scan_cell_in_cmd(FILE* fp, int row) {
    ++INTERNAL_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    if (!new_cell(fp, row, c, &cell, 0)) return;
    std::string inst = or_text(p.pad_instance, "");
    bool output = p.pin_to_core != nullptr;
    std::string pin = or_text(output ? p.pin_to_core : p.pin_from_core, "");
    std::string end = pin_of(inst, pin);
    if (!c->data_out) {
        connect(fp, pin_of(cell, or_text(c->data_in, "")), end);
        return;
    }
    int obj = SDB_lookup_obj(inst.c_str());
    int node = obj >= 0 ? search_inode_connected_to_obj(obj, pin.c_str(), output ? SDB_DIR_OUTPUT : SDB_DIR_INPUT) : -1;
    Partner partner = node >= 0 ? other_end_of_object(node, obj) : Partner{};
    if (partner.kind == Partner::NONE) {
        qdx_exit_printf(-1, "ERROR: pin '%s' is floating.\n", or_text(p.signal, ""));
    }
    if (partner.kind == Partner::PORT && !PAD_MODULE_EXIST) {
        qdx_printf(output ? "WARNING:  '%s' connect to output " : "WARNING:  '%s' connect to input ",
                   or_text(p.signal, ""));
        qdx_printf("port '%s' directly.\n\n", partner.text.c_str());
    }
    disconnect(fp, end);
    if (output) {
        connect(fp, pin_of(cell, c->data_out), partner.text);
        connect(fp, pin_of(cell, or_text(c->data_in, "")), end);
    } else if (partner.kind == Partner::PIN) {
        connect(fp, pin_of(cell, c->data_out), end);
        connect(fp, pin_of(cell, or_text(c->data_in, "")), partner.text);
    } else {
        connect(fp, pin_of(cell, or_text(c->data_in, "")), partner.text);
        connect(fp, pin_of(cell, c->data_out), end);
    }
}

void add_mux_input_cell_in_cmd(FILE* fp, int row) {
    ++INPUT_MUX_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    if (!new_cell(fp, row, c, &cell, 1)) return;
    take_mux_pin(fp, p, p.buffer ? p.buffer->mux_in2 : nullptr, p.mux_in2_net, "MUX_IN2", cell, c->update_dr_out);
    data_in_from_pad(fp, c, cell, pin_of(or_text(p.pad_instance, ""), or_text(p.pin_to_core, "")));
}

void add_mux_output_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name) {
    ++OUTPUT_MUX_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    bool writes = new_cell(fp, row, c, &cell, 1);
    if (cell_name) *cell_name = cell;
    if (!writes) return;
    take_mux_pin(fp, p, p.buffer ? p.buffer->mux_in1 : nullptr, p.mux_in1_net, "MUX_IN1", cell, c->update_dr_out);
    if (c->data_in)
        connect(fp, pin_of(cell, c->data_in), pin_of(or_text(p.pad_instance, ""), or_text(p.pin_from_core, "")));
}

void add_mux_bidi_scan_cell_in_cmd(FILE* fp, int row, std::string* cell_name) {
    ++BIDIR_MUX_SCAN_COUNT;
    PadEntry& p = pad(row);
    ScanCellEntry* c = p.cell;
    std::string cell;
    bool writes = new_cell(fp, row, c, &cell, 1);
    if (cell_name) *cell_name = cell;
    if (!writes) return;
    std::string inst = or_text(p.pad_instance, "");
    std::string to_core = pin_of(inst, or_text(p.pin_to_core, ""));
    if (c->sys_in) {
        int obj = SDB_lookup_obj(inst.c_str());
        int node = obj >= 0 && p.pin_to_core ? search_inode_connected_to_obj(obj, p.pin_to_core, SDB_DIR_OUTPUT) : -1;
        Partner partner = node >= 0 ? other_end_of_object(node, obj) : Partner{};
        if (partner.kind == Partner::NONE) floating("Bidirectional", inst.c_str(), p.signal);
        disconnect(fp, to_core);
        connect(fp, pin_of(cell, c->sys_in), partner.text);
    }
    connect(fp, pin_of(cell, or_text(c->sys_pin, "")), to_core);
    if (c->data_in) connect(fp, pin_of(cell, c->data_in), pin_of(inst, or_text(p.pin_from_core, "")));
    const BufferEntry* b = p.buffer;
    take_mux_pin(fp, p, b ? b->mux_in1 : nullptr, p.mux_in1_net, "MUX_IN1", cell, c->update_dr_out);
    if (c->mux_data_in && b && b->mux_out)
        take_mux_pin(fp, p, b->mux_out, p.mux_out_net, "MUX_OUT", cell, c->mux_data_in);
}

namespace {

// PAD_MUX_INOUT1 and PAD_MUX_INOUT2: an output mux cell and an input cell on
// one pad.
void mux_in_out(FILE* fp, int row, bool second_mux) {
    PadEntry& p = pad(row);
    ScanCellEntry* out_cell = p.cell;
    std::string out_name = pair_cell(row, out_cell, 1);
    ++OUTPUT_MUX_SCAN_COUNT;
    ScanCellEntry* in_cell = second_mux
                                 ? input_part(INPUT_MUX_SCAN, &INPUT_MUX_SCAN_COUNT, CLOCK_MUX_SCAN, &CLK_MUX_SCAN_COUNT)
                                 : input_part(INPUT_SCAN, &INPUT_SCAN_COUNT, CLOCK_SCAN, &CLK_SCAN_COUNT);
    std::string in_name = in_cell ? pair_cell(row, in_cell, 0) : std::string();
    add_cell_pair(fp, p, {out_name, out_cell}, {in_name, in_cell}, true);
    std::string inst = or_text(p.pad_instance, "");
    if (in_cell && in_cell->data_in) connect(fp, pin_of(in_name, in_cell->data_in), pin_of(inst, or_text(p.pin_to_core, "")));
    if (out_cell->data_in) connect(fp, pin_of(out_name, out_cell->data_in), pin_of(inst, or_text(p.pin_from_core, "")));
    const BufferEntry* b = p.buffer;
    take_mux_pin(fp, p, b ? b->mux_in1 : nullptr, p.mux_in1_net, "MUX_IN1", out_name, out_cell->update_dr_out);
    if (second_mux && in_cell)
        take_mux_pin(fp, p, b ? b->mux_in2 : nullptr, p.mux_in2_net, "MUX_IN2", in_name, in_cell->update_dr_out);
}

}  // namespace

void bsedit::no_highz_buffer(const char* pad_instance) {
    qdx_printf("ERROR: (%s) can't find %%SIGNAL_BUFFER in %%TAP_CONTROLLER %s\n", lib_file(),
               or_text(TAP_MODULE_NAME, ""));
    qdx_exit_printf(-1, "       for the high-impedance buffer of pad '%s'.\n\n", pad_instance);
}

void add_mux1_in_out_scan_cell_in_cmd(FILE* fp, int row) { mux_in_out(fp, row, false); }
void add_mux2_in_out_scan_cell_in_cmd(FILE* fp, int row) { mux_in_out(fp, row, true); }

void add_control_scan_cell_in_cmd(FILE* fp, int row) {
    const PadEntry& p = pad(row);
    if (bs_own_control_cell(p)) return;  // the pad buffer carries its own control cell
    if (p.control == 0) return;
    if (differential(p.buffer) && !p.drives_control) return;
    write_control(fp, row, false, "");
}

void add_oe_control_scan_cell_in_cmd(FILE* fp, int row, const std::string& data_cell) {
    write_control(fp, row, true, data_cell);
}
