// The insertion report: the ports and TAP pins used (with -add_tap), the
// boundary cells added per kind with their pins, and the buffer levels of
// the control-signal trees.
#include <string>

#include "kestrand/report.h"

#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/frame/frame.h"

using bsnames::or_text;

namespace {

const char* kRule = "  ---------------------------------------\n";

void global_port(const char* format, const char* name) {
    if (name) qdx_printf(format, name);
}

void tap_section() {
    qdx_printf("  ** Add Global Ports:\n");
    qdx_printf("%s", kRule);
    global_port("     Global tdi      : %s\n", GLOBAL_TDI);
    global_port("     Global tdo      : %s\n", GLOBAL_TDO);
    global_port("     Global tms      : %s\n", GLOBAL_TMS);
    global_port("     Global tck      : %s\n", GLOBAL_TCK);
    global_port("     Global trst     : %s\n", GLOBAL_TRST);
    qdx_printf("%s", kRule);
    qdx_printf("  ** Add a TAP module: %s\n", or_text(TAP_MODULE_NAME, ""));
    qdx_printf("%s", kRule);
    qdx_printf("     TAP tdi         : %s\n", or_text(TAP_TDI_PIN, ""));
    qdx_printf("     TAP tdo         : %s\n", or_text(TAP_TDO_PIN, ""));
    qdx_printf("     TAP tms         : %s\n", or_text(TAP_TMS_PIN, ""));
    qdx_printf("     TAP tck         : %s\n", or_text(TAP_TCK_PIN, ""));
    if (GLOBAL_TRST) qdx_printf("     TAP trst        : %s\n", or_text(TAP_TRST_PIN, ""));
    const TapCellEntry* t = TAP_CONTR;
    qdx_printf("     TAP first_bcell : %s\n", or_text(t ? t->first_bcell : nullptr, ""));
    qdx_printf("     TAP last_bcell  : %s\n", or_text(t ? t->last_bcell : nullptr, ""));
    qdx_printf("     TAP shift_dr    : %s\n", or_text(TAP_SHIFT_PIN, ""));
    qdx_printf("     TAP clock_dr    : %s\n", or_text(TAP_CLOCK_PIN, ""));
    if (BCELL_UPDATE_DR) qdx_printf("     TAP update_dr   : %s\n", or_text(TAP_UPDATE_PIN, ""));
    if (BCELL_HIGHZ) qdx_printf("     TAP highz_command : %s\n", or_text(TAP_HIGHZ_PIN, ""));
    if (BCELL_MODE1) qdx_printf("     TAP mode1       : %s\n", or_text(TAP_MODE1_PIN, ""));
    if (BCELL_MODE2) qdx_printf("     TAP mode2       : %s\n", or_text(TAP_MODE2_PIN, ""));
    if (BCELL_MODE3) qdx_printf("     TAP mode3       : %s\n", or_text(TAP_MODE3_PIN, ""));
    if (BCELL_RST) qdx_printf("     TAP reset       : %s\n", or_text(TAP_RST_PIN, ""));
    if (t && t->highz_command) qdx_printf("     TAP highz       : %s\n", or_text(TAP_HIZ_PIN, ""));
    if (JTAG_OPTION[OPT_SYNCH]) qdx_printf("     TAP BCELL_TCK   : %s\n", "BCELL_TCK");
    qdx_printf("%s", kRule);
}

}  // namespace

void print_various_scan_cell(const ScanCellEntry* c) {
    qdx_printf("  .......................................\n");
    if (!c) return;
    struct {
        const char* format;
        const char* pin;
    } pins[] = {{"    %%DATA_IN        : %s\n", c->data_in},   {"    %%DATA_OUT       : %s\n", c->data_out},
                {"    %%UPDATE_DR_OUT  : %s\n", c->update_dr_out}, {"    %%TDI            : %s\n", c->tdi},
                {"    %%TDO            : %s\n", c->tdo},       {"    %%TCK            : %s\n", c->tck},
                {"    %%SHIFT_DR       : %s\n", c->shift_dr},  {"    %%CLOCK_DR       : %s\n", c->clock_dr},
                {"    %%UPDATE_DR      : %s\n", c->update_dr}, {"    %%HIGHZ          : %s\n", c->highz},
                {"    %%MODE_1         : %s\n", c->mode1},     {"    %%MODE_2         : %s\n", c->mode2},
                {"    %%MODE_3         : %s\n", c->mode3},     {"    %%RST            : %s\n", c->rst},
                {"    %%SYS_PIN        : %s\n", c->sys_pin},   {"    %%SYS_IN         : %s\n", c->sys_in},
                {"    %%MUX_DATA_IN    : %s\n", c->mux_data_in}, {"    %%OE_MODE        : %s\n", c->oe_mode}};
    for (const auto& p : pins)
        if (p.pin) qdx_printf(p.format, p.pin);
    // A position the library left unnamed has no pin to print.
    for (int i = 0, n = DYNA_count(c->extra); i < n; ++i)
        if (c->extra[i]) qdx_printf("    %%EXTRA_PIN_%d    : %s\n", i, c->extra[i]);
}

void print_report() {
    const char* rule = "====================================================\n";
    qdx_printf("\n\n");
    qdx_printf("%s", rule);
    qdx_printf("                 KESTRAND   Report\n");
    qdx_printf("%s", rule);
    if (JTAG_OPTION[OPT_ADD_TAP]) tap_section();
    qdx_printf("\n  ** Add total %3d Boundary Scan Cells:\n", DYNA_count(SCAN_TAB));
    struct {
        int count;
        const char* format;
        const char* cell;
    } kinds[] = {{CLK_SCAN_COUNT, "  ** Add %d CLOCK SCAN Cells: %s\n", CLOCK_SCAN},
                 {INPUT_SCAN_COUNT, "  ** Add %d INPUT SCAN Cells: %s\n", INPUT_SCAN},
                 {INPUT_MUX_SCAN_COUNT, "  ** Add %d INPUT MUX SCAN Cells: %s\n", INPUT_MUX_SCAN},
                 {OUTPUT_SCAN_COUNT, "  ** Add %d OUTPUT SCAN Cells: %s\n", OUTPUT_SCAN},
                 {OUTPUT_MUX_SCAN_COUNT, "  ** Add %d OUTPUT MUX SCAN Cells: %s\n", OUTPUT_MUX_SCAN},
                 {BIDIR_SCAN_COUNT, "  ** Add %d BIDIRECTIONAL SCAN Cells: %s\n", BIDIR_SCAN},
                 {BIDIR_MUX_SCAN_COUNT, "  ** Add %d BIDIRECTIONAL MUX SCAN Cells: %s\n", BIDIR_MUX_SCAN},
                 {CONTROL_SCAN_COUNT, "  ** Add %d CONTROL SCAN Cells: %s\n", CONTROL_SCAN},
                 {CONTROL_OE_SCAN_COUNT, "  ** Add %d CONTROL OE SCAN Cells: %s\n", CONTROL_OE_SCAN},
                 {INTERNAL_SCAN_COUNT, "  ** Add %d INTERNAL SCAN Cells: %s\n", INTERNAL_SCAN}};
    for (const auto& k : kinds) {
        if (k.count == 0) continue;
        qdx_printf("%s", kRule);
        qdx_printf(k.format, k.count, or_text(k.cell, ""));
        print_various_scan_cell(k.cell ? get_scan_cell(k.cell) : nullptr);
    }
    if (DYNA_count(BUFFER_REPORT) > 0) {
        qdx_printf("\n  -----------------------------------------------\n");
        for (int i = 0, n = DYNA_count(BUFFER_REPORT); i < n; ++i) qdx_printf("%s", BUFFER_REPORT[i]);
    }
    qdx_printf("%s", "====================================================\n\n");
}
