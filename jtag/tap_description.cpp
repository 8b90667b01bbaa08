// The TAP description in use: the TAP module and instance names, the TAP
// controller (the library's, or one of our own), and every TAP pin name
// settled with its default and a warning where the library gives none;
// and the reset of the TAP side.
#include <cstdlib>
#include <deque>
#include <string>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"

char* org_tap_instance_nameG = nullptr;
const char* TAP_TDI_PIN = nullptr;
const char* TAP_TDO_PIN = nullptr;
const char* TAP_TDO_EN_PIN = nullptr;
const char* TAP_TMS_PIN = nullptr;
const char* TAP_TCK_PIN = nullptr;
const char* TAP_TRST_PIN = nullptr;
const char* TAP_SHIFT_PIN = nullptr;
const char* TAP_CLOCK_PIN = nullptr;
const char* TAP_UPDATE_PIN = nullptr;
const char* TAP_HIGHZ_PIN = nullptr;
const char* TAP_HIZ_PIN = nullptr;
const char* TAP_RST_PIN = nullptr;
const char* TAP_MODE1_PIN = nullptr;
const char* TAP_MODE2_PIN = nullptr;
const char* TAP_MODE3_PIN = nullptr;
char** TAP_EXTRA_PIN = nullptr;
int HIZ_OVERLAP = 0;

namespace {

// TAP controllers made here because the library has none of the module
// name; a deque keeps their addresses while more are added.
std::deque<TapCellEntry> own_tap_cells;

bool empty(const char* s) { return !s || !*s; }

void warn_pin(const char* keyword, const char* default_name) {
    qdx_printf("WARNING: (%s) can't find %%%s in %%TAP_CONTROLLER %s.\n"
               "         Using default name -> %s.\n\n",
               lib_file(), keyword, desc_text(TAP_MODULE_NAME), default_name);
}

// The pin name of a field of TAP_CONTR, filled with its default (and a
// warning) when the library gives none; returned without its "-".
const char* settle_pin(char** field, const char* keyword, const char* default_name) {
    if (empty(*field)) {
        warn_pin(keyword, default_name);
        desc_set_text(field, default_name);
    }
    return without_low_mark(*field);
}

// FIRST_BCELL and LAST_BCELL carry data, never an active-low signal.
void settle_chain_end(char** field, const char* keyword, const char* default_name) {
    settle_pin(field, keyword, default_name);
    if ((*field)[0] == '-') {
        qdx_printf("WARNING: low active in %%%s is of no sence.\n         '-' will be eliminated!\n\n", keyword);
        desc_set_text(field, *field + 1);
    }
}

TapCellEntry* own_tap_cell(const char* name) {
    TapCellEntry& e = own_tap_cells.emplace_back();
    e.name = qdx_strdup(name);
    e.group_size = -1;
    e.df_group_size = -1;
    e.extra = DYNA_new<char*>();
    return &e;
}

void clear_pin_names() {
    for (const char** p : {&TAP_TDI_PIN, &TAP_TDO_PIN, &TAP_TDO_EN_PIN, &TAP_TMS_PIN, &TAP_TCK_PIN, &TAP_TRST_PIN,
                           &TAP_SHIFT_PIN, &TAP_CLOCK_PIN, &TAP_UPDATE_PIN, &TAP_HIGHZ_PIN, &TAP_HIZ_PIN,
                           &TAP_RST_PIN, &TAP_MODE1_PIN, &TAP_MODE2_PIN, &TAP_MODE3_PIN})
        *p = nullptr;
}

void settle_extra_pins(TapCellEntry* t) {
    STR_free(&TAP_EXTRA_PIN);
    TAP_EXTRA_PIN = DYNA_new<char*>();
    for (int n = 1; n <= BCELL_EXTRA; ++n) {
        // A position the library left unnamed takes its default as well.
        if (n > DYNA_count(t->extra) || empty(t->extra[n - 1])) {
            std::string name = "EXTRA" + std::to_string(n);
            qdx_printf("WARNING: (%s) can't find %%EXTRA_%d in %%TAP_CONTROLLER %s.\n"
                       "         Using default name -> %s.\n\n",
                       lib_file(), n, desc_text(TAP_MODULE_NAME), name.c_str());
            desc_set_extra(&t->extra, n, name.c_str());
        }
        STR_add(&TAP_EXTRA_PIN, without_low_mark(t->extra[n - 1]));
    }
}

}  // namespace

void jtag_init() {
    set_up_various_flags();

    if (empty(TAP_INSTANCE_NAME)) {
        qdx_printf("WARNING: (%s) can't find %%INSTANCE_NAME in %%TAP_MODULE.\n"
                   "         Using default name -> TAP.\n\n",
                   JTAG_BSC_FILE.c_str());
        desc_set_text(&TAP_INSTANCE_NAME, "TAP");
    }
    // The name as first resolved; a later call (after the insertion flow
    // may have split a hierarchical name) keeps it.
    if (!org_tap_instance_nameG) org_tap_instance_nameG = qdx_strdup(TAP_INSTANCE_NAME);
    if (empty(TAP_MODULE_NAME)) {
        qdx_printf("WARNING: (%s) can't find %%MODULE_NAME in %%TAP_MODULE.\n"
                   "         Using default name -> qdx_tap.\n\n",
                   JTAG_BSC_FILE.c_str());
        desc_set_text(&TAP_MODULE_NAME, "qdx_tap");
    }

    TapCellEntry* t = get_tap_cell(TAP_MODULE_NAME);
    if (!t) t = own_tap_cell(TAP_MODULE_NAME);
    TAP_CONTR = t;

    clear_pin_names();
    TAP_TDI_PIN = settle_pin(&t->tdi, "TDI", "TDI");
    TAP_TDO_PIN = settle_pin(&t->tdo, "TDO", "TDO");
    if (!empty(t->tdo_en)) TAP_TDO_EN_PIN = without_low_mark(t->tdo_en);
    TAP_TMS_PIN = settle_pin(&t->tms, "TMS", "TMS");
    TAP_TCK_PIN = settle_pin(&t->tck, "TCK", "TCK");
    if (GLOBAL_TRST) TAP_TRST_PIN = settle_pin(&t->trst, "TRST", "-TRST");
    TAP_SHIFT_PIN = settle_pin(&t->shift_dr, "SHIFT_DR", "SHIFT_DR");
    TAP_CLOCK_PIN = settle_pin(&t->clock_dr, "CLOCK_DR", "CLOCK_DR");
    settle_chain_end(&t->first_bcell, "FIRST_BCELL", "first_Bcell");
    settle_chain_end(&t->last_bcell, "LAST_BCELL", "BOUNDARY_out");
    if (BCELL_UPDATE_DR) TAP_UPDATE_PIN = settle_pin(&t->update_dr, "UPDATE_DR", "UPDATE_DR");
    if (BCELL_HIGHZ) TAP_HIGHZ_PIN = settle_pin(&t->highz_command, "HIGHZ_COMMAND", "HIGHZ");
    TAP_RST_PIN = BCELL_RST ? settle_pin(&t->tap_reset, "TAP_RESET", "-RESET") : "RESET";
    if (BCELL_MODE1) TAP_MODE1_PIN = settle_pin(&t->mode1, "MODE_1", "MODE1");
    if (BCELL_MODE2) TAP_MODE2_PIN = settle_pin(&t->mode2, "MODE_2", "MODE2");
    if (BCELL_MODE3) TAP_MODE3_PIN = settle_pin(&t->mode3, "MODE_3", "MODE3");
    settle_extra_pins(t);
    if (HIGHZ_EXIST >= 0) TAP_HIZ_PIN = settle_pin(&t->highz_command, "HIGHZ_COMMAND", "HIGHZ");
    HIZ_OVERLAP = check_hiz_signal();
}

void JTAG_TAP_reset_globals() {
    INST_LEN = 0;
    clear_standard_instructions();
    STR_free(&ACCESS_REG);
    free_inst_enable_pin();
    DR_SEL_LINE = 0;
    TAP_TDI_PIN_PTR = TAP_TDO_PIN_PTR = TAP_TMS_PIN_PTR = TAP_TCK_PIN_PTR = TAP_TRST_PIN_PTR = nullptr;
    TAP_CONTR = nullptr;
    for (TapCellEntry& e : own_tap_cells) desc_free_record(e);
    own_tap_cells.clear();
    std::free(org_tap_instance_nameG);
    org_tap_instance_nameG = nullptr;
    clear_pin_names();
    STR_free(&TAP_EXTRA_PIN);
    HIZ_OVERLAP = 0;
    free_tap_port_table();
    JTAG_V_FILE = nullptr;
}
