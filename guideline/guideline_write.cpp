// The writers of the guideline editor: the description tables back into
// the configuration, cell-library and pin-file languages, and the text of
// the tables that the read-back check compares.
//
// The lines the editor's fields fill come first, in the documented form;
// whatever else the tables hold (pad buffers of the configuration, the
// other pad roles, instruction enables, BIST entries, connections, extra
// pins, the other cell and buffer fields, forced values of skip signals,
// pin cells and pads ...) follows in the same language, so a file loaded
// and saved again keeps it.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "guideline/guideline.h"
#include "desc/dft.h"
#include "desc/hash.h"
#include "desc/tables.h"

namespace {

int count(const void* list) { return DYNA_count(list); }

// "name" or "a, b, c" for a list of names.
void write_names(FILE* fp, char** list, const char* separator = ", ") {
    for (int i = 0, n = count(list); i < n; ++i) std::fprintf(fp, "%s%s", i ? separator : "", list[i] ? list[i] : "");
}

// ------------------------------------------------------------ configuration

struct NamedText {
    const char* keyword;
    char** value;
};

void write_scan_cells(FILE* fp) {
    // The five roles the editor fills, as documented, then the others.
    const NamedText shown[] = {{"    %%INPUT_SCAN     %s;\n", &INPUT_SCAN},
                               {"    %%OUTPUT_SCAN    %s;\n", &OUTPUT_SCAN},
                               {"    %%CONTROL_SCAN    %s;\n", &CONTROL_SCAN},
                               {"    %%BIDIR_SCAN      %s;\n", &BIDIR_SCAN},
                               {"    %%CLOCK_SCAN      %s;\n", &CLOCK_SCAN}};
    const NamedText others[] = {
        {"%OUTPUT_MUX_SCAN", &OUTPUT_MUX_SCAN},     {"%INPUT_MUX_SCAN", &INPUT_MUX_SCAN},
        {"%CONTROL_OE_SCAN", &CONTROL_OE_SCAN},     {"%CONTROL_OE_LOW_SCAN", &CONTROL_OE_LOW_SCAN},
        {"%CONTROL_OE_HIGH_SCAN", &CONTROL_OE_HIGH_SCAN}, {"%CONTROL_MUX_SCAN", &CONTROL_MUX_SCAN},
        {"%CONTROL_LOW_SCAN", &CONTROL_LOW_SCAN},   {"%CONTROL_HIGH_SCAN", &CONTROL_HIGH_SCAN},
        {"%BIDIR_MUX_SCAN", &BIDIR_MUX_SCAN},       {"%BIDIR_LOW_SCAN", &BIDIR_LOW_SCAN},
        {"%BIDIR_HIGH_SCAN", &BIDIR_HIGH_SCAN},     {"%CLOCK_MUX_SCAN", &CLOCK_MUX_SCAN},
        {"%INTERNAL_SCAN", &INTERNAL_SCAN},         {"%OBSERVE_ONLY_SCAN", &OBSERVE_ONLY_SCAN},
        {"%CONTROL_HZ_SCAN", &CONTROL_HZ_SCAN}};
    bool any = false;
    for (const NamedText& r : shown) any |= *r.value != nullptr;
    for (const NamedText& r : others) any |= *r.value != nullptr;
    if (!any) return;
    std::fprintf(fp, "%%SCAN_CELLS\n {\n");
    for (const NamedText& r : shown)
        if (*r.value) std::fprintf(fp, r.keyword, *r.value);
    for (const NamedText& r : others)
        if (*r.value) std::fprintf(fp, "    %-21s %s;\n", r.keyword, *r.value);
    std::fprintf(fp, " }\n\n");
}

void write_skip_signals(FILE* fp) {
    int n = count(SKIP_SIGNAL_TAB);
    if (n == 0) return;
    std::fprintf(fp, "/* Signal names that will be skipped from searching */\n\n");
    std::fprintf(fp, "%%SKIP_SIGNAL_NAMES\n {\n");
    for (int i = 0; i < n; ++i) {
        const SkipSignalEntry* s = SKIP_SIGNAL_TAB[i];
        // A forced value is written after the name, as it was read.
        std::string name = s->name ? s->name : "";
        if (s->value) name += std::string("(") + s->value + ")";
        std::fprintf(fp, "%15s", name.c_str());
        if (i + 1 < n) std::fprintf(fp, (i % 4 == 3) ? ",\n" : ",");
    }
    std::fprintf(fp, ";\n }\n\n");
}

// One enable of an instruction, in the block form that gives it back.
void write_enable(FILE* fp, const InstructionEntry& e, int k) {
    const char* signal = e.enable[k] ? e.enable[k] : "";
    const char* value = k < count(e.enable_value) ? e.enable_value[k] : nullptr;
    const char* second = k < count(e.enable_second) ? e.enable_second[k] : nullptr;
    int gate = k < count(e.enable_gate) ? e.enable_gate[k] : GATE_NONE;
    static const struct {
        int code;
        const char* word;
    } gates[] = {{GATE_AND, "AND"}, {GATE_NAND, "NAND"}, {GATE_OR, "OR"},
                 {GATE_NOR, "NOR"}, {GATE_XOR, "XOR"},   {GATE_XNOR, "XNOR"}};
    bool level = value && (std::string(value) == "1" || std::string(value) == "0");
    if (level) {
        std::fprintf(fp, "        %s %s", *value == '1' ? "%EN_H" : "%EN_L", signal);
        for (const auto& g : gates)
            if (g.code == gate && second) std::fprintf(fp, " %s %s", g.word, second);
        std::fprintf(fp, ";\n");
    } else {
        // A value that is no 0/1 pattern is read as none: "X" gives that.
        std::fprintf(fp, "        %%ENABLE %s = %s;\n", signal, value ? value : "X");
    }
}

void write_instruction(FILE* fp, const InstructionEntry& e) {
    const char* name = e.name ? e.name : "";
    const char* access = e.access ? e.access : "bypass";
    int ops = count(e.opcodes);
    int enables = count(e.enable);
    if (ops > 0 && enables == 0) {
        std::fprintf(fp, "    %%INSTRUCTION  %15s ", name);
        std::fprintf(fp, "= (%s", e.opcodes[0]);
        for (int i = 1; i < ops; ++i) std::fprintf(fp, ",\n%37c%s", ' ', e.opcodes[i]);
        std::fprintf(fp, ")");
        std::fprintf(fp, "  ACCESS  %s", access);
        std::fprintf(fp, ";\n");
        return;
    }
    // Enables, or no opcode at all: the block form.
    std::fprintf(fp, "    %%INSTRUCTION  %15s\n     {\n", name);
    if (ops > 0) {
        std::fprintf(fp, "        %%BINARY_CODE = (");
        write_names(fp, e.opcodes);
        std::fprintf(fp, ");\n");
    }
    std::fprintf(fp, "        %%DATA_REGISTER = %s;\n", access);
    for (int k = 0; k < enables; ++k) write_enable(fp, e, k);
    std::fprintf(fp, "     }\n");
}

void write_list_line(FILE* fp, const char* head, char** list, int indent, const char* tail) {
    int n = count(list);
    if (n == 0) return;
    std::fprintf(fp, head, list[0]);
    for (int i = 1; i < n; ++i) std::fprintf(fp, ",\n%*c%s", indent, ' ', list[i]);
    std::fprintf(fp, "%s", tail);
}

void write_name_block(FILE* fp, const char* keyword, char** list) {
    if (count(list) == 0) return;
    std::fprintf(fp, "%s\n {\n    ", keyword);
    write_names(fp, list, ",\n    ");
    std::fprintf(fp, ";\n }\n\n");
}

void write_connections(FILE* fp) {
    if (!CONNECT_TABLE) return;
    std::fprintf(fp, "%%CONNECTION_TABLE\n {\n");
    for (const ConnectEntry* c = CONNECT_TABLE; c; c = c->next) {
        std::fprintf(fp, "    %%CONNECT ");
        if (c->from_inst)
            std::fprintf(fp, "%s(%s)", c->from_inst, c->from_pin ? c->from_pin : "");
        else
            std::fprintf(fp, "%s", c->from_pin ? c->from_pin : "");
        std::fprintf(fp, " TO ");
        if (c->to_inst)
            std::fprintf(fp, "%s(%s)", c->to_inst, c->to_pin ? c->to_pin : "");
        else
            std::fprintf(fp, "%s", c->to_pin ? c->to_pin : "");
        std::fprintf(fp, ";\n");
    }
    std::fprintf(fp, " }\n\n");
}

void write_one(FILE* fp, const char* keyword, const char* value) {
    if (value) std::fprintf(fp, "        %s %s;\n", keyword, value);
}

void write_some(FILE* fp, const char* keyword, char** list) {
    if (count(list) == 0) return;
    std::fprintf(fp, "        %s ", keyword);
    write_names(fp, list);
    std::fprintf(fp, ";\n");
}

void write_order(FILE* fp, int* order) {
    int n = count(order);
    if (n == 0) return;
    std::fprintf(fp, "        %%CTRL_ORDER ");
    for (int i = 0; i < n; ++i) std::fprintf(fp, "%s%d", i ? ", " : "", order[i]);
    std::fprintf(fp, ";\n");
}

void write_bist(FILE* fp) {
    if (count(BL_MBIST_TAB) > 0) {
        std::fprintf(fp, "%%MEMORY_BIST\n {\n");
        for (int i = 0, n = count(BL_MBIST_TAB); i < n; ++i) {
            const MbistEntry& m = BL_MBIST_TAB[i];
            std::fprintf(fp, "    %%INSTRUCTION %s\n     {\n", m.instruction ? m.instruction : "");
            write_one(fp, "%CNT_FILE", m.cnt_file);
            write_one(fp, "%SEL_INSTRUCTION", m.sel_instruction);
            write_order(fp, m.ctrl_order);
            std::fprintf(fp, "     }\n");
        }
        std::fprintf(fp, " }\n\n");
    }
    int n = count(BL_LBIST_TAB);
    if (n == 0) return;
    std::fprintf(fp, "%%LOGIC_BIST\n {\n");
    for (int i = 0; i < n; ++i) {
        const LbistEntry& l = BL_LBIST_TAB[i];
        // An entry without an instruction came from a block that held its
        // lines directly.
        if (l.instruction) std::fprintf(fp, "    %%INSTRUCTION %s\n     {\n", l.instruction);
        write_one(fp, "%DFT_FILE", l.dft_file);
        write_some(fp, "%CNT_FILE", l.cnt_file);
        write_some(fp, "%DIAG_INSTRUCTION", l.diag_instruction);
        write_some(fp, "%DIAG_CNT_FILE", l.diag_cnt_file);
        write_one(fp, "%SCAN_INSTRUCTION", l.scan_instruction);
        write_one(fp, "%DEBUG_INSTRUCTION", l.debug_instruction);
        write_one(fp, "%LBIST_INSTRUCTION", l.lbist_instruction);
        write_one(fp, "%INSTANCE_NAME", l.instance_name);
        write_one(fp, "%SEL_INSTRUCTION", l.sel_instruction);
        if (count(l.tests) > 0) {
            std::fprintf(fp, "        %%TESTS (");
            write_names(fp, l.tests);
            std::fprintf(fp, ");\n");
        }
        write_order(fp, l.ctrl_order);
        if (l.instruction) std::fprintf(fp, "     }\n");
    }
    std::fprintf(fp, " }\n\n");
}

// ------------------------------------------------------------ library

template <class T>
struct Pin {
    const char* keyword;
    char* T::*field;
};

const Pin<TapCellEntry> kTapShown[] = {
    {"%TDI", &TapCellEntry::tdi},
    {"%TDO", &TapCellEntry::tdo},
    {"%TMS", &TapCellEntry::tms},
    {"%TCK", &TapCellEntry::tck},
    {"%TRST", &TapCellEntry::trst},
    {"%FIRST_BCELL", &TapCellEntry::first_bcell},
    {"%LAST_BCELL", &TapCellEntry::last_bcell},
    {"%SHIFT_DR", &TapCellEntry::shift_dr},
    {"%CLOCK_DR", &TapCellEntry::clock_dr},
    {"%UPDATE_DR", &TapCellEntry::update_dr},
    {"%MODE_1", &TapCellEntry::mode1},
    {"%MODE_2", &TapCellEntry::mode2},
    {"%MODE_3", &TapCellEntry::mode3},
    {"%TAP_RESET", &TapCellEntry::tap_reset},
    {"%HIGHZ_COMMAND", &TapCellEntry::highz_command},
    {"%SIGNAL_BUFFER", &TapCellEntry::signal_buffer},
    {"%INV_BUFFER", &TapCellEntry::inv_buffer},
};
const Pin<TapCellEntry> kTapOthers[] = {
    {"%INSTANCE_NAME", &TapCellEntry::instance_name},
    {"%GROUP_METHOD", &TapCellEntry::group_method},
    {"%DF_SIGNAL_BUFFER", &TapCellEntry::df_signal_buffer},
    {"%TDO_EN", &TapCellEntry::tdo_en},
    {"%LASTTDO", &TapCellEntry::lasttdo},
};

const Pin<ScanCellEntry> kCellShown[] = {
    {"%SYS_PIN", &ScanCellEntry::sys_pin},   {"%DATA_IN", &ScanCellEntry::data_in},
    {"%DATA_OUT", &ScanCellEntry::data_out}, {"%TDI", &ScanCellEntry::tdi},
    {"%TDO", &ScanCellEntry::tdo},           {"%MODE_1", &ScanCellEntry::mode1},
    {"%MODE_2", &ScanCellEntry::mode2},      {"%MODE_3", &ScanCellEntry::mode3},
    {"%SHIFT_DR", &ScanCellEntry::shift_dr}, {"%CLOCK_DR", &ScanCellEntry::clock_dr},
    {"%UPDATE_DR", &ScanCellEntry::update_dr}, {"%RST", &ScanCellEntry::rst},
};
// The other scan-cell pins; %CONTROL_IN is not allowed in a %BS_BUFFER block.
const Pin<ScanCellEntry> kCellOthers[] = {
    {"%SYS_IN", &ScanCellEntry::sys_in},
    {"%TCK", &ScanCellEntry::tck},
    {"%HIGHZ", &ScanCellEntry::highz},
    {"%UPDATE_DR_OUT", &ScanCellEntry::update_dr_out},
    {"%MUX_DATA_IN", &ScanCellEntry::mux_data_in},
    {"%OE_MODE", &ScanCellEntry::oe_mode},
    {"%CONTROL_IN", &ScanCellEntry::control_in},
};

const Pin<BufferEntry> kBufferShown[] = {
    {"%INOUT", &BufferEntry::inout}, {"%INPUT", &BufferEntry::input}, {"%OUTPUT", &BufferEntry::output},
    {"%EN_L", &BufferEntry::en_l},   {"%EN_H", &BufferEntry::en_h},
};
const Pin<BufferEntry> kBufferOthers[] = {
    {"%INPUT_M", &BufferEntry::input_m}, {"%OUTPUT_M", &BufferEntry::output_m},
    {"%MUX_IN1", &BufferEntry::mux_in1}, {"%MUX_IN2", &BufferEntry::mux_in2},
    {"%MUX_IN3", &BufferEntry::mux_in3}, {"%MUX_OUT", &BufferEntry::mux_out},
    {"%MODE_1", &BufferEntry::mode1},    {"%MODE_2", &BufferEntry::mode2},
    {"%MODE_3", &BufferEntry::mode3},    {"%BCELL", &BufferEntry::bcell},
    {"%IN_BCELL", &BufferEntry::in_bcell}, {"%OUT_BCELL", &BufferEntry::out_bcell},
    {"%CONTROL_BCELL", &BufferEntry::control_bcell},
};

template <class T, size_t N>
void write_pins(FILE* fp, const T& record, const Pin<T> (&pins)[N], int width) {
    for (const Pin<T>& p : pins)
        if (record.*p.field) std::fprintf(fp, "  %-*s %s;\n", width, p.keyword, record.*p.field);
}

void write_extra(FILE* fp, char** extra, int width) {
    for (int i = 0, n = count(extra); i < n; ++i) {
        if (!extra[i]) continue;
        std::string keyword = "%EXTRA_" + std::to_string(i + 1);
        std::fprintf(fp, "  %-*s %s;\n", width, keyword.c_str(), extra[i]);
    }
}

void write_tap(FILE* fp, const TapCellEntry& t) {
    std::fprintf(fp, "%%TAP_CONTROLLER   %s\n {\n", t.name);
    write_pins(fp, t, kTapShown, 15);
    // A group size is written when one is set: -1 is "none", which the
    // library language cannot spell, and 0 is a value like any other.
    if (t.group_size >= 0) std::fprintf(fp, "  %-15s %d;\n", "%GROUP_SIZE", t.group_size);
    if (t.df_group_size >= 0) std::fprintf(fp, "  %-15s %d;\n", "%DF_GROUP_SIZE", t.df_group_size);
    write_pins(fp, t, kTapOthers, 15);
    write_extra(fp, t.extra, 15);
    std::fprintf(fp, " }\n\n");
}

// True when the cell's standard names are just its own name (what the
// reader gives a cell without %STD_NAME).
bool own_std_name(const ScanCellEntry& c) {
    return count(c.std_name) == 1 && c.std_name[0] && c.name && std::string(c.std_name[0]) == c.name;
}

void write_cell_items(FILE* fp, const ScanCellEntry& c, bool in_buffer_block) {
    write_pins(fp, c, kCellShown, 13);
    if (!in_buffer_block) {
        if (!own_std_name(c) && count(c.std_name) > 0) {
            std::fprintf(fp, "  %-13s ", "%STD_NAME");
            write_names(fp, c.std_name);
            std::fprintf(fp, ";\n");
        }
        if (count(c.order) > 0) {
            std::fprintf(fp, "  %-13s ", "%ORDER");
            write_names(fp, c.order);
            std::fprintf(fp, ";\n");
        }
    }
    for (const Pin<ScanCellEntry>& p : kCellOthers) {
        if (in_buffer_block && p.field == &ScanCellEntry::control_in) continue;
        if (c.*p.field) std::fprintf(fp, "  %-13s %s;\n", p.keyword, c.*p.field);
    }
    write_extra(fp, c.extra, 13);
    // In a %BS_BUFFER block the enables are the buffer's (they fill both).
    if (!in_buffer_block) {
        if (c.en_l) std::fprintf(fp, "  %-13s %s;\n", "%EN_L", c.en_l);
        if (c.en_h) std::fprintf(fp, "  %-13s %s;\n", "%EN_H", c.en_h);
    }
}

const char* buffer_block_keyword(int kind) {
    switch (kind) {
        case BUFFER_DIFF_VOLTAGE: return "%DIFFERENTIAL_VOLTAGE";
        case BUFFER_DIFF_CURRENT: return "%DIFFERENTIAL_CURRENT";
        case BUFFER_BS: return "%BS_BUFFER";
        default: return "%BUFFER";
    }
}

// The boundary cell that a %BS_BUFFER block of that first name made.
const ScanCellEntry* own_cell(const BufferEntry& b) {
    if (b.kind != BUFFER_BS || !b.name) return nullptr;
    for (int i = 0, n = count(SCAN_CELL_TAB); i < n; ++i) {
        const ScanCellEntry* c = SCAN_CELL_TAB[i];
        if (c->bs_buffer && c->name && std::string(c->name) == b.name) return c;
    }
    return nullptr;
}

bool same_text(const char* a, const char* b) { return a == b || (a && b && std::string(a) == b); }

// Two buffers of one block: everything but the name alike.
bool same_contents(const BufferEntry& a, const BufferEntry& b) {
    BufferEntry x = a, y = b;
    x.name = y.name = nullptr;
    char* BufferEntry::*texts[] = {&BufferEntry::function, &BufferEntry::inout,   &BufferEntry::input,
                                   &BufferEntry::output,   &BufferEntry::input_m, &BufferEntry::output_m,
                                   &BufferEntry::en_l,     &BufferEntry::en_h,    &BufferEntry::mux_in1,
                                   &BufferEntry::mux_in2,  &BufferEntry::mux_in3, &BufferEntry::mux_out,
                                   &BufferEntry::mode1,    &BufferEntry::mode2,   &BufferEntry::mode3,
                                   &BufferEntry::bcell,    &BufferEntry::in_bcell, &BufferEntry::out_bcell,
                                   &BufferEntry::control_bcell};
    for (auto t : texts)
        if (!same_text(x.*t, y.*t)) return false;
    return x.weak_0 == y.weak_0 && x.weak_1 == y.weak_1 && x.pull_0 == y.pull_0 && x.pull_1 == y.pull_1 &&
           x.keeper == y.keeper && x.kind == y.kind;
}

// One block: its first buffer gives the contents, all get the names.
void write_buffer(FILE* fp, const std::vector<const BufferEntry*>& names) {
    const BufferEntry& b = *names.front();
    std::fprintf(fp, "%s        ", b.kind == BUFFER_PLAIN ? "%BUFFER" : buffer_block_keyword(b.kind));
    for (size_t i = 0; i < names.size(); ++i) std::fprintf(fp, "%s%s", i ? ", " : "", names[i]->name);
    std::fprintf(fp, "\n {\n");
    if (b.function) std::fprintf(fp, "  %-12s %s;\n", "%FUNCTION", b.function);
    write_pins(fp, b, kBufferShown, 12);
    write_pins(fp, b, kBufferOthers, 12);
    const struct {
        int BufferEntry::*flag;
        const char* keyword;
    } flags[] = {{&BufferEntry::weak_0, "%WEAK_0"},
                 {&BufferEntry::weak_1, "%WEAK_1"},
                 {&BufferEntry::pull_0, "%PULL_0"},
                 {&BufferEntry::pull_1, "%PULL_1"},
                 {&BufferEntry::keeper, "%KEEPER"}};
    for (const auto& f : flags)
        if (b.*f.flag) std::fprintf(fp, "  %s;\n", f.keyword);
    // A buffer with its own boundary cell carries the cell's pins too.
    if (const ScanCellEntry* c = own_cell(b)) write_cell_items(fp, *c, true);
    std::fprintf(fp, " }\n\n");
}

// The order to write the buffers in: the listing order, except that the
// buffers of a bucket up to each wild-card name are written before the
// next wild-card name, so that the wild-card list reads back in its order.
std::vector<const BufferEntry*> buffer_write_order() {
    std::vector<const BufferEntry*> order;
    int n = count(BUFFER_TAB);
    std::vector<bool> done(n, false);
    for (int w = 0, nw = count(WILD_CARD_BUF_TAB); w < nw; ++w) {
        const char* wild = WILD_CARD_BUF_TAB[w];
        if (!wild) continue;
        int at = -1;
        for (int i = 0; i < n && at < 0; ++i)
            if (!done[i] && BUFFER_TAB[i]->name && std::string(BUFFER_TAB[i]->name) == wild) at = i;
        if (at < 0) continue;
        int bucket = hash_key(wild);
        for (int i = 0; i <= at; ++i) {
            if (done[i] || hash_key(BUFFER_TAB[i]->name) != bucket) continue;
            done[i] = true;
            order.push_back(BUFFER_TAB[i]);
        }
    }
    for (int i = 0; i < n; ++i)
        if (!done[i]) order.push_back(BUFFER_TAB[i]);
    return order;
}

// ------------------------------------------------------------ pin file

void write_pin_row(FILE* fp, const PinListEntry& r) {
    auto or_star = [](const char* s) { return s ? s : "*"; };
    std::fprintf(fp, "%s  %s  %s  %s", r.number ? r.number : "", or_star(r.io_name), or_star(r.core_name),
                 or_star(r.direction));
    if (r.cell) {
        std::fprintf(fp, "  BSC(%s)", r.cell);
    } else if (r.c_cell || r.i_cell || r.o_cell || r.io_cell) {
        // Roles that give back the same cells and the same cell code.
        std::vector<std::string> roles;
        if (r.c_cell) roles.push_back(std::string("C:") + r.c_cell);
        if (r.i_cell) roles.push_back(std::string(r.cell_code == CELL_I_ONLY ? "I_ONLY:" : "I:") + r.i_cell);
        if (r.io_cell) roles.push_back(std::string("IO:") + r.io_cell);
        bool o_only = r.cell_code == CELL_O_ONLY || r.cell_code == CELL_C_O_ONLY;
        if (r.o_cell) roles.push_back(std::string(o_only ? "O_ONLY:" : "O:") + r.o_cell);
        std::fprintf(fp, "  BSC(");
        for (size_t i = 0; i < roles.size(); ++i) std::fprintf(fp, "%s%s", i ? ", " : "", roles[i].c_str());
        std::fprintf(fp, ")");
    }
    if (r.pad) {
        std::fprintf(fp, "  PAD(%s", r.pad);
        if (r.pad_c) std::fprintf(fp, ", C:%s", r.pad_c);
        if (r.pad_i) std::fprintf(fp, ", I:%s", r.pad_i);
        if (r.pad_o) std::fprintf(fp, ", O:%s", r.pad_o);
        std::fprintf(fp, ")");
    }
    if (r.pad_enable == PAD_EN_LOW) std::fprintf(fp, "  PAD_EN_L");
    if (r.pad_enable == PAD_EN_HIGH) std::fprintf(fp, "  PAD_EN_H");
    std::fprintf(fp, "\n");
}

}  // namespace

// ------------------------------------------------------------ writers

void write_to_bsc(FILE* fp, const char* pin_file) {
    std::fprintf(fp, "/* Global Signals */\n\n");
    const NamedText globals[] = {{"%%GLOBAL_TDI      %s;\n", &GLOBAL_TDI},
                                 {"%%GLOBAL_TDO      %s;\n", &GLOBAL_TDO},
                                 {"%%GLOBAL_TMS      %s;\n", &GLOBAL_TMS},
                                 {"%%GLOBAL_TCK      %s;\n", &GLOBAL_TCK},
                                 {"%%GLOBAL_TRST     %s;\n", &GLOBAL_TRST}};
    for (const NamedText& g : globals)
        if (*g.value) std::fprintf(fp, g.keyword, *g.value);
    const NamedText pads[] = {{"%%INPUT_BUFFER    %s;\n", &INPUT_BUFFER},
                              {"%%OUTPUT_BUFFER   %s;\n", &OUTPUT_BUFFER},
                              {"%%INOUT_BUFFER    %s;\n", &INOUT_BUFFER},
                              {"%%INVERTER        %s;\n", &INVERTER}};
    for (const NamedText& p : pads)
        if (*p.value) std::fprintf(fp, p.keyword, *p.value);

    std::fprintf(fp, "\n\n/* TAP controller to be used */\n\n");
    // The block needs at least one line; a name not set is not written.
    if (TAP_MODULE_NAME || TAP_INSTANCE_NAME) {
        std::fprintf(fp, "%%TAP_MODULE\n {\n");
        if (TAP_MODULE_NAME) std::fprintf(fp, "    %%MODULE_NAME      %s;\n", TAP_MODULE_NAME);
        if (TAP_INSTANCE_NAME) std::fprintf(fp, "    %%INSTANCE_NAME    %s;\n", TAP_INSTANCE_NAME);
        std::fprintf(fp, " }\n\n");
    }

    std::fprintf(fp, "\n\n/* Test Date Register */\n\n");
    if (IDCODE_REG) std::fprintf(fp, "%%IDCODE_REGISTER  %s;\n\n", IDCODE_REG);
    write_list_line(fp, "%%USERCODE_REGISTER  %s", USERCODE_REG, 19, ";\n\n");

    write_scan_cells(fp);

    if (PACKAGE_TABLE) {
        std::fprintf(fp, "%%PACKAGE_LIST\n {\n");
        for (const PackageEntry* p = PACKAGE_TABLE; p; p = p->next)
            if (p->file_name) std::fprintf(fp, "    %%FILE_NAME  %s;\n", p->file_name);
        std::fprintf(fp, " }\n\n");
    }
    const char* pins = pin_file ? pin_file : PIN_FILE;
    if (pins && count(PIN_TABLE) > 0) {
        std::fprintf(fp, "/* Pin List File */\n\n");
        std::fprintf(fp, "%%PIN_LIST\n {\n");
        std::fprintf(fp, "    %%FILE_NAME  %s;\n", pins);
        std::fprintf(fp, " }\n\n");
    }

    write_skip_signals(fp);
    if (count(TRANS_BUF_TAB) > 0) {
        std::fprintf(fp, "%%TRANSPARENT_BUFFER\n {\n    ");
        for (int i = 0, n = count(TRANS_BUF_TAB); i < n; ++i)
            std::fprintf(fp, "%s%s", i ? ",\n    " : "", *TRANS_BUF_TAB[i] ? *TRANS_BUF_TAB[i] : "");
        std::fprintf(fp, ";\n }\n\n");
    }
    write_name_block(fp, "%UNBOUNDED_PINS", UNBOUNDED_PIN_TAB);
    write_connections(fp);

    if (count(INSTRUCTIONS) > 0) {
        std::fprintf(fp, "/* Instruction Table */\n\n");
        std::fprintf(fp, "%%INSTRUCTION_TABLE\n {\n");
        for (int i = 0, n = count(INSTRUCTIONS); i < n; ++i) write_instruction(fp, INSTRUCTIONS[i]);
        std::fprintf(fp, "}\n\n");
    }
    write_list_line(fp, "%%INSTRUCTION_CAPTURE  (%s", INST_CAPTURE, 23, ");\n\n");
    if (INST_DISABLE) std::fprintf(fp, "%%INSTRUCTION_DISABLE   %s;\n\n", INST_DISABLE);
    if (INST_GUARD) std::fprintf(fp, "%%INSTRUCTION_GUARD     %s;\n\n", INST_GUARD);
    write_list_line(fp, "%%INSTRUCTION_PRIVATE   %s", INST_PRIVATE, 23, ";\n\n");
    write_bist(fp);
}

void write_to_lib(FILE* fp) {
    int taps = 0;
    for (int i = 0, n = count(TAP_CELL_TAB); i < n; ++i) taps += TAP_CELL_TAB[i]->name != nullptr;
    if (taps > 0) {
        std::fprintf(fp, "/* Description of TAP controller */\n\n");
        for (int i = 0, n = count(TAP_CELL_TAB); i < n; ++i)
            if (TAP_CELL_TAB[i]->name) write_tap(fp, *TAP_CELL_TAB[i]);
    }
    int cells = 0;
    for (int i = 0, n = count(SCAN_CELL_TAB); i < n; ++i)
        cells += SCAN_CELL_TAB[i]->name && !SCAN_CELL_TAB[i]->bs_buffer;
    if (cells > 0) {
        std::fprintf(fp, "/* Description of Boundary Scan Cells */\n\n");
        for (int i = 0, n = count(SCAN_CELL_TAB); i < n; ++i) {
            const ScanCellEntry& c = *SCAN_CELL_TAB[i];
            // A buffer's own boundary cell is written in its %BS_BUFFER block.
            if (!c.name || c.bs_buffer) continue;
            std::fprintf(fp, "%%SCAN_CELL      %s\n {\n", c.name);
            write_cell_items(fp, c, false);
            std::fprintf(fp, " }\n\n");
        }
    }
    std::vector<const BufferEntry*> buffers;
    for (const BufferEntry* b : buffer_write_order())
        if (b->name) buffers.push_back(b);
    if (!buffers.empty()) {
        std::fprintf(fp, "/* Description of Pads */\n\n");
        // The further names of a %BS_BUFFER block (buffers alike, without
        // a boundary cell of their own) are written in the block of its
        // first name, which made the cell.
        std::vector<bool> done(buffers.size(), false);
        for (size_t i = 0; i < buffers.size(); ++i) {
            if (done[i]) continue;
            std::vector<const BufferEntry*> names = {buffers[i]};
            if (own_cell(*buffers[i])) {
                for (size_t k = 0; k < buffers.size(); ++k) {
                    if (k == i || done[k] || buffers[k]->kind != BUFFER_BS || own_cell(*buffers[k])) continue;
                    if (!same_contents(*buffers[i], *buffers[k])) continue;
                    names.push_back(buffers[k]);
                    done[k] = true;
                }
            } else if (buffers[i]->kind == BUFFER_BS) {
                // Written with its first name, when one is alike.
                bool grouped = false;
                for (size_t k = 0; k < buffers.size() && !grouped; ++k)
                    grouped = k != i && own_cell(*buffers[k]) && same_contents(*buffers[i], *buffers[k]);
                if (grouped) continue;
            }
            done[i] = true;
            write_buffer(fp, names);
        }
    }
}

void write_to_pin(FILE* fp) {
    int rows = count(PIN_TABLE);
    int pins = PACKAGE_PIN_NUMBER > rows ? PACKAGE_PIN_NUMBER : rows;
    std::fprintf(fp, "%%PACKAGE_TYPE %s %d;\n", PACKAGE_TYPE ? PACKAGE_TYPE : "My_Chip", pins);
    if (count(ALLOWED_MULTIPLE_LIST) > 0) {
        std::fprintf(fp, "%%ALLOWED_MULTIPLE { ");
        write_names(fp, ALLOWED_MULTIPLE_LIST);
        std::fprintf(fp, " ; }\n");
    }
    for (int i = 0; i < rows; ++i) write_pin_row(fp, *PIN_TABLE[i]);
}

// ------------------------------------------------------------ the tables as text

namespace {

struct TextOut {
    std::string s;
    void line(const std::string& key, const char* value) {
        s += key;
        s += '=';
        s += value ? value : "<none>";
        s += '\n';
    }
    void line(const std::string& key, int value) { line(key, std::to_string(value).c_str()); }
    void list(const std::string& key, char** l) {
        std::string v = std::to_string(count(l)) + ":";
        for (int i = 0, n = count(l); i < n; ++i) v += std::string(" ") + (l[i] ? l[i] : "<none>");
        line(key, v.c_str());
    }
    void ints(const std::string& key, int* l) {
        std::string v = std::to_string(count(l)) + ":";
        for (int i = 0, n = count(l); i < n; ++i) v += " " + std::to_string(l[i]);
        line(key, v.c_str());
    }
};

}  // namespace

std::string guideline_tables_text() {
    TextOut t;
    const NamedText singles[] = {
        {"GLOBAL_TDI", &GLOBAL_TDI},     {"GLOBAL_TDO", &GLOBAL_TDO},     {"GLOBAL_TMS", &GLOBAL_TMS},
        {"GLOBAL_TCK", &GLOBAL_TCK},     {"GLOBAL_TRST", &GLOBAL_TRST},   {"INPUT_BUFFER", &INPUT_BUFFER},
        {"OUTPUT_BUFFER", &OUTPUT_BUFFER}, {"INOUT_BUFFER", &INOUT_BUFFER}, {"INVERTER", &INVERTER},
        {"TAP_MODULE_NAME", &TAP_MODULE_NAME}, {"TAP_INSTANCE_NAME", &TAP_INSTANCE_NAME},
        {"IDCODE_REG", &IDCODE_REG},     {"INST_DISABLE", &INST_DISABLE}, {"INST_GUARD", &INST_GUARD},
        {"PACKAGE_TYPE", &PACKAGE_TYPE}};
    for (const NamedText& n : singles) t.line(n.keyword, *n.value);
    for (const DftPadRole& r : DFT_PAD_ROLES) t.line(dft_keyword_text(r.token), *r.global);
    t.line("PACKAGE_PIN_NUMBER", PACKAGE_PIN_NUMBER);
    t.line("BS_PIN_COUNT", BS_PIN_COUNT);
    t.list("USERCODE_REG", USERCODE_REG);
    t.list("INST_CAPTURE", INST_CAPTURE);
    t.list("INST_PRIVATE", INST_PRIVATE);
    t.list("UNBOUNDED_PIN_TAB", UNBOUNDED_PIN_TAB);
    t.list("WILD_CARD_BUF_TAB", WILD_CARD_BUF_TAB);
    t.list("ALLOWED_MULTIPLE_LIST", ALLOWED_MULTIPLE_LIST);
    for (int i = 0, n = count(TRANS_BUF_TAB); i < n; ++i) t.line("TRANS_BUF", *TRANS_BUF_TAB[i]);
    for (int i = 0, n = count(SKIP_SIGNAL_TAB); i < n; ++i)
        t.line(std::string("SKIP ") + (SKIP_SIGNAL_TAB[i]->name ? SKIP_SIGNAL_TAB[i]->name : ""),
               SKIP_SIGNAL_TAB[i]->value);
    for (int i = 0, n = count(TAP_CELL_TAB); i < n; ++i) {
        const TapCellEntry& e = *TAP_CELL_TAB[i];
        if (!e.name) continue;
        std::string k = std::string("TAP ") + e.name + " ";
        for (const auto& p : kTapShown) t.line(k + p.keyword, e.*p.field);
        for (const auto& p : kTapOthers) t.line(k + p.keyword, e.*p.field);
        t.line(k + "%GROUP_SIZE", e.group_size);
        t.line(k + "%DF_GROUP_SIZE", e.df_group_size);
        t.list(k + "%EXTRA", e.extra);
    }
    for (int i = 0, n = count(SCAN_CELL_TAB); i < n; ++i) {
        const ScanCellEntry& e = *SCAN_CELL_TAB[i];
        if (!e.name) continue;
        std::string k = std::string("CELL ") + e.name + " ";
        for (const auto& p : kCellShown) t.line(k + p.keyword, e.*p.field);
        for (const auto& p : kCellOthers) t.line(k + p.keyword, e.*p.field);
        t.line(k + "%EN_L", e.en_l);
        t.line(k + "%EN_H", e.en_h);
        t.list(k + "%STD_NAME", e.std_name);
        t.list(k + "%ORDER", e.order);
        t.list(k + "%EXTRA", e.extra);
        t.line(k + "oe_mode_direction", e.oe_mode_direction);
        t.line(k + "bs_buffer", e.bs_buffer);
    }
    for (int i = 0, n = count(BUFFER_TAB); i < n; ++i) {
        const BufferEntry& e = *BUFFER_TAB[i];
        if (!e.name) continue;
        std::string k = std::string("BUFFER ") + e.name + " ";
        t.line(k + "%FUNCTION", e.function);
        for (const auto& p : kBufferShown) t.line(k + p.keyword, e.*p.field);
        for (const auto& p : kBufferOthers) t.line(k + p.keyword, e.*p.field);
        std::string flags = std::to_string(e.weak_0) + std::to_string(e.weak_1) + std::to_string(e.pull_0) +
                            std::to_string(e.pull_1) + std::to_string(e.keeper);
        t.line(k + "flags", flags.c_str());
        t.line(k + "kind", e.kind);
    }
    for (int i = 0, n = count(INSTRUCTIONS); i < n; ++i) {
        const InstructionEntry& e = INSTRUCTIONS[i];
        std::string k = std::string("INSTRUCTION ") + (e.name ? e.name : "") + " ";
        t.list(k + "opcodes", e.opcodes);
        t.line(k + "access", e.access);
        t.list(k + "enable", e.enable);
        t.list(k + "enable_value", e.enable_value);
        t.list(k + "enable_second", e.enable_second);
        t.ints(k + "enable_gate", e.enable_gate);
    }
    for (int i = 0, n = count(PIN_TABLE); i < n; ++i) {
        const PinListEntry& r = *PIN_TABLE[i];
        std::string k = std::string("PIN ") + (r.number ? r.number : "") + " ";
        const std::pair<const char*, const char*> f[] = {
            {"core", r.core_name}, {"io", r.io_name}, {"dir", r.direction}, {"cell", r.cell},
            {"c", r.c_cell},       {"i", r.i_cell},   {"o", r.o_cell},     {"io_cell", r.io_cell},
            {"pad", r.pad},        {"pad_c", r.pad_c}, {"pad_i", r.pad_i}, {"pad_o", r.pad_o}};
        for (const auto& [key, value] : f) t.line(k + key, value);
        t.line(k + "code", r.cell_code);
        t.line(k + "enable", r.pad_enable);
    }
    for (const ConnectEntry* c = CONNECT_TABLE; c; c = c->next) {
        t.line("CONNECT from", c->from_inst);
        t.line("CONNECT from_pin", c->from_pin);
        t.line("CONNECT to", c->to_inst);
        t.line("CONNECT to_pin", c->to_pin);
    }
    for (int i = 0, n = count(BL_MBIST_TAB); i < n; ++i) {
        const MbistEntry& m = BL_MBIST_TAB[i];
        t.line("MBIST", m.instruction);
        t.line("MBIST cnt_file", m.cnt_file);
        t.line("MBIST sel", m.sel_instruction);
        t.ints("MBIST order", m.ctrl_order);
    }
    for (int i = 0, n = count(BL_LBIST_TAB); i < n; ++i) {
        const LbistEntry& l = BL_LBIST_TAB[i];
        t.line("LBIST", l.instruction);
        t.line("LBIST dft_file", l.dft_file);
        t.list("LBIST cnt_file", l.cnt_file);
        t.list("LBIST diag", l.diag_instruction);
        t.list("LBIST diag_cnt", l.diag_cnt_file);
        t.line("LBIST scan", l.scan_instruction);
        t.line("LBIST debug", l.debug_instruction);
        t.line("LBIST lbist", l.lbist_instruction);
        t.line("LBIST instance", l.instance_name);
        t.line("LBIST sel", l.sel_instruction);
        t.list("LBIST tests", l.tests);
        t.ints("LBIST order", l.ctrl_order);
    }
    for (const PackageEntry* p = PACKAGE_TABLE; p; p = p->next) {
        t.line("PACKAGE", p->file_name);
        t.line("PACKAGE type", p->type);
        t.line("PACKAGE pins", p->pin_count);
        for (const PackagePinEntry* r = p->first; r; r = r->next) {
            std::string k = std::string("PACKAGE PIN ") + (r->number ? r->number : "") + " ";
            t.line(k + "io", r->io_name);
            t.line(k + "core", r->core_name);
            t.line(k + "dir", r->direction);
            t.line(k + "cell", r->cell);
            t.line(k + "pad", r->pad);
            t.line(k + "enable", r->pad_enable);
        }
    }
    return t.s;
}
