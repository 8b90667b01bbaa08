// The debugging dumps of the description tables.

#include <cstdio>

#include "desc/reader.h"
#include "desc/tables.h"

namespace {

const char kRule[] = "=======================================\n";

// A value that is always printed: "(null)" stands for none.
const char* shown(const char* text) { return text ? text : "(null)"; }

void heading(const char* text) {
    std::fputs(text, stdout);
    std::fputs(kRule, stdout);
}

// One labelled line when the value is set.
void line(const char* format, const char* value) {
    if (value) std::printf(format, value);
}

// A list: its first entry on the labelled line, the others below it on
// lines of twelve blanks; entries that are none are left out.
void list(const char* format, char** values) {
    bool first = true;
    for (int i = 0, n = DYNA_count(values); i < n; ++i) {
        if (!values[i]) continue;
        if (first)
            std::printf(format, values[i]);
        else
            std::printf("            %s\n", values[i]);
        first = false;
    }
}

void dump_scan_cell(const ScanCellEntry* c) {
    std::printf("\n Cell name: %s\n", shown(c->name));
    list(" Std  name: %s\n", c->std_name);
    list(" Order    : %s\n", c->order);
    line(" Data in  : %s\n", c->data_in);
    line(" Data out : %s\n", c->data_out);
    line(" Sys in  : %s\n", c->sys_in);
    line(" Sys pin  : %s\n", c->sys_pin);
    line(" Tdi      : %s\n", c->tdi);
    line(" Tdo      : %s\n", c->tdo);
    line(" Mode_1    : %s\n", c->mode1);
    line(" Mode_2    : %s\n", c->mode2);
    line(" Mode_3    : %s\n", c->mode3);
    line(" Mux_data_in : %s\n", c->mux_data_in);
    line(" Oe_mode   : %s\n", c->oe_mode);
    line(" Clock_Dr : %s\n", c->clock_dr);
    line(" Shift_Dr : %s\n", c->shift_dr);
    line(" Update_Dr: %s\n", c->update_dr);
    line(" Update_Dr_Out: %s\n", c->update_dr_out);
    line(" Rst      : %s\n", c->rst);
    line(" Control in: %s\n", c->control_in);
    line(" En_l       : %s\n", c->en_l);
    line(" En_h       : %s\n", c->en_h);
    list(" Extra Pin: %s\n", c->extra);
}

void dump_tap_cell(const TapCellEntry* t) {
    std::printf("\n Cell name: %s\n", shown(t->name));
    line(" Tdi      : %s\n", t->tdi);
    line(" Tdo      : %s\n", t->tdo);
    line(" Tdo_en   : %s\n", t->tdo_en);
    line(" Tms      : %s\n", t->tms);
    line(" Tck      : %s\n", t->tck);
    line(" Trst     : %s\n", t->trst);
    line(" Lasttdo  : %s\n", t->lasttdo);
    line(" Instance : %s\n", t->instance_name);
    line(" Highz Cmd: %s\n", t->highz_command);
    line(" Group Method: %s\n", t->group_method);
    if (t->group_size != 0) std::printf(" Group Size  : %d\n", t->group_size);
    line(" Signal Buf  : %s\n", t->signal_buffer);
    line(" Inv Buf     : %s\n", t->inv_buffer);
    line(" Mode_1    : %s\n", t->mode1);
    line(" Mode_2    : %s\n", t->mode2);
    line(" Mode_3    : %s\n", t->mode3);
    line(" Clock_Dr : %s\n", t->clock_dr);
    line(" Shift_Dr : %s\n", t->shift_dr);
    line(" Update_Dr: %s\n", t->update_dr);
    line(" First_Bcell: %s\n", t->first_bcell);
    line(" Last_Bcell: %s\n", t->last_bcell);
    line(" Tap Reset: %s\n", t->tap_reset);
    list(" Extra Pin: %s\n", t->extra);
}

void dump_buffer(const BufferEntry* b) {
    std::printf("\n Buffer name: %s\n", shown(b->name));
    line(" Function   : %s\n", b->function);
    line(" Inout      : %s\n", b->inout);
    line(" Input      : %s\n", b->input);
    line(" Output     : %s\n", b->output);
    line(" En_l       : %s\n", b->en_l);
    line(" En_h       : %s\n", b->en_h);
    line(" Mux_in1    : %s\n", b->mux_in1);
    line(" Mux_in2    : %s\n", b->mux_in2);
    line(" Mux_in3    : %s\n", b->mux_in3);
    line(" Mux_out    : %s\n", b->mux_out);
    line(" Mode 1     : %s\n", b->mode1);
    line(" Mode 2     : %s\n", b->mode2);
    line(" Mode 3     : %s\n", b->mode3);
    if (b->weak_0) std::printf(" Weak 0  \n");
    if (b->weak_1) std::printf(" Weak 1  \n");
    if (b->pull_0) std::printf(" Pull 0 \n");
    if (b->pull_1) std::printf(" Pull 1 \n");
}

void dump_pin_row(const PinListEntry* r) {
    auto star = [](const char* t) { return t ? t : "*"; };
    std::printf("%s    ", shown(r->number));
    std::printf("%s %s %s", star(r->io_name), star(r->core_name), star(r->direction));
    if (r->cell) std::printf("   BSC(%s)", r->cell);
    if (r->c_cell) std::printf("   BSC_C %s", r->c_cell);
    if (r->i_cell) std::printf("   BSC_I %s", r->i_cell);
    if (r->o_cell) std::printf("   BSC_O %s", r->o_cell);
    if (r->io_cell) std::printf("   BSC_IO %s", r->io_cell);
    if (r->pad) {
        if (r->pad_c || r->pad_i || r->pad_o) {
            std::printf("   PAD(%s, ", r->pad);
            if (r->pad_c) std::printf("C:%s ", r->pad_c);
            if (r->pad_i) std::printf("I:%s ", r->pad_i);
            if (r->pad_o) std::printf("O:%s ", r->pad_o);
            std::printf(")");
        } else {
            std::printf("   PAD(%s)", r->pad);
        }
    }
    std::printf("\n");
}

}  // namespace

void jsin_dump_lib_tab() {
    heading("\n Scan Cell \n");
    for (int i = 0, n = DYNA_count(SCAN_CELL_TAB); i < n; ++i) dump_scan_cell(SCAN_CELL_TAB[i]);
    heading("\n Tap Cell \n");
    for (int i = 0, n = DYNA_count(TAP_CELL_TAB); i < n; ++i) dump_tap_cell(TAP_CELL_TAB[i]);
    heading("\n Buffer Cell \n");
    for (int i = 0, n = DYNA_count(BUFFER_TAB); i < n; ++i) dump_buffer(BUFFER_TAB[i]);
    for (int i = 0, n = DYNA_count(TRANS_BUF_TAB); i < n; ++i) std::printf(" TRANS_BUFFER : %s\n", *TRANS_BUF_TAB[i]);
    std::fflush(stdout);
}

void jsin_dump_dft_tab() {
    std::printf("\n");
    std::printf("OUTPUT MUX SCAN  : %s\n", shown(OUTPUT_MUX_SCAN));
    std::printf("OUTPUT SCAN      : %s\n", shown(OUTPUT_SCAN));
    std::printf("INPUT  MUX SCAN  : %s\n", shown(INPUT_MUX_SCAN));
    std::printf("INPUT  SCAN      : %s\n", shown(INPUT_SCAN));
    std::printf("CONTROL OE SCAN  : %s\n", shown(CONTROL_OE_SCAN));
    std::printf("CONTROL MUX SCAN : %s\n", shown(CONTROL_MUX_SCAN));
    std::printf("CONTROL SCAN     : %s\n", shown(CONTROL_SCAN));
    std::printf("BIDIR  MUX SCAN  : %s\n", shown(BIDIR_MUX_SCAN));
    std::printf("BIDIR  SCAN      : %s\n", shown(BIDIR_SCAN));
    std::printf("CLOCK  MUX SCAN  : %s\n", shown(CLOCK_MUX_SCAN));
    std::printf("CLOCK  SCAN      : %s\n", shown(CLOCK_SCAN));
    std::printf("INTERNAL SCAN    : %s\n", shown(INTERNAL_SCAN));
    std::printf("OBSERVE ONLY SCAN: %s\n", shown(OBSERVE_ONLY_SCAN));
    std::printf("CONTROL HZ SCAN  : %s\n", shown(CONTROL_HZ_SCAN));
    std::printf("TAP MODULE       : %s\n", shown(TAP_MODULE_NAME));
    std::printf("TAP INSTANCE     : %s\n", shown(TAP_INSTANCE_NAME));
    line("GLOBAL  TDI    : %s\n", GLOBAL_TDI);
    line("GLOBAL  TDO    : %s\n", GLOBAL_TDO);
    line("GLOBAL  TMS    : %s\n", GLOBAL_TMS);
    line("GLOBAL  TCK    : %s\n", GLOBAL_TCK);
    line("GLOBAL  TRST   : %s\n", GLOBAL_TRST);
    line("INVERTER       : %s\n", INVERTER);
    line("INPUT_BUFFER       : %s\n", INPUT_BUFFER);
    line("OUTPUT_BUFFER       : %s\n", OUTPUT_BUFFER);
    line("INOUT_BUFFER       : %s\n", INOUT_BUFFER);

    heading("\n Skip Module Names \n");
    for (int i = 0, n = DYNA_count(SKIP_MODULE_TAB); i < n; ++i) std::printf(" %s\n", *SKIP_MODULE_TAB[i]);

    heading("\n Skip Signal Names \n");
    for (int i = 0, n = DYNA_count(SKIP_SIGNAL_TAB); i < n; ++i) {
        const SkipSignalEntry* s = SKIP_SIGNAL_TAB[i];
        std::printf(" %s", shown(s->name));
        if (s->value)
            std::printf(" (%s)\n", s->value);
        else
            std::printf("\n");
    }

    heading("\n unbounded pin Names \n");
    for (int i = 0, n = DYNA_count(UNBOUNDED_PIN_TAB); i < n; ++i) std::printf(" %s\n", shown(UNBOUNDED_PIN_TAB[i]));

    heading("\n Transparent Buffer Names \n");
    for (int i = 0, n = DYNA_count(TRANS_BUF_TAB); i < n; ++i) std::printf(" %s\n", *TRANS_BUF_TAB[i]);

    heading("\n Pin List\n");
    line(" PACKAGE_TYPE %s\n\n", PACKAGE_TYPE);
    for (int i = 0, n = DYNA_count(ALLOWED_MULTIPLE_LIST); i < n; ++i)
        std::printf(i == 0 ? " ALLOWED_MULTIPLE %s\n\n" : "                  %s\n\n", shown(ALLOWED_MULTIPLE_LIST[i]));
    for (int i = 0, n = DYNA_count(PIN_TABLE); i < n; ++i) dump_pin_row(PIN_TABLE[i]);

    heading("\n Instruction Table \n");
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i) {
        const InstructionEntry& e = INSTRUCTIONS[i];
        std::printf("\nName: %s\n", shown(e.name));
        for (int k = 0, m = DYNA_count(e.opcodes); k < m; ++k) std::printf("Pattern List: %s\n", shown(e.opcodes[k]));
        std::printf("Acc Reg: %s\n", shown(e.access));
        for (int k = 0, m = DYNA_count(e.enable); k < m; ++k) {
            const char* value = k < DYNA_count(e.enable_value) ? e.enable_value[k] : nullptr;
            std::printf("EANBLE: %s, Pattern: %s \n", shown(e.enable[k]), shown(value));
        }
    }

    heading("\nInstruction Capture \n");
    for (int i = 0, n = DYNA_count(INST_CAPTURE); i < n; ++i) std::printf("Pattern: %s\n", shown(INST_CAPTURE[i]));
    line("\nINST DISABLE: %s\n", INST_DISABLE);
    line("\nINST GUARD: %s\n", INST_GUARD);

    heading("\nInstruction Private \n");
    for (int i = 0, n = DYNA_count(INST_PRIVATE); i < n; ++i) std::printf("Ident: %s\n", shown(INST_PRIVATE[i]));
    line("\nIDCODE REG: %s\n", IDCODE_REG);

    heading("\nUsercode Register \n");
    for (int i = 0, n = DYNA_count(USERCODE_REG); i < n; ++i) std::printf("Pattern: %s\n", shown(USERCODE_REG[i]));
    std::fflush(stdout);
}
