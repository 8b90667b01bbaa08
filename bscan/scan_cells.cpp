// The checks of the configured boundary-scan cells: one record per cell
// role (the pins it needs, how it names itself in messages) walked by
// one check, and what the checked cells need of the TAP.
#include <cstdlib>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"

namespace {

// The pins a role needs besides the common ones.
enum Need { DATA_IN, DATA_OUT, UPDATE_DR, SYS_PIN, UPDATE_DR_OUT, OE_MODE };
enum ModeRule { MODE_NONE, MODE_WARN_IF_NONE, MODE_WARN_AND_CLEAR };
enum OeLookup { OE_FIRST, OE_AFTER_OPEN };

struct Role {
    const char* role;        // the role's keyword in messages
    const char* display;     // its display name
    std::vector<Need> pins;  // required pins, in order
    ModeRule mode;
    const char* mode_name;   // the name the %MODE warning uses
    const char* oe_block;    // the block word of the %OE_MODE message
    OeLookup oe = OE_FIRST;
};

const char* pin_of(const ScanCellEntry* c, Need n) {
    switch (n) {
        case DATA_IN: return c->data_in;
        case DATA_OUT: return c->data_out;
        case UPDATE_DR: return c->update_dr;
        case SYS_PIN: return c->sys_pin;
        case UPDATE_DR_OUT: return c->update_dr_out;
        case OE_MODE: return c->oe_mode;
    }
    return nullptr;
}

const char* need_word(Need n) {
    switch (n) {
        case DATA_IN: return "DATA_IN";
        case DATA_OUT: return "DATA_OUT";
        case UPDATE_DR: return "UPDATE_DR";
        case SYS_PIN: return "SYS_PIN";
        case UPDATE_DR_OUT: return "UPDATE_DR_OUT";
        case OE_MODE: return "OE_MODE";
    }
    return "";
}

void clear_text(char*& s) {
    std::free(s);
    s = nullptr;
}

// One per-role check: the pins every cell needs and the role's own, the
// TAP outputs the cell needs (the BCELL_* facts), the role's rule on
// %MODE pins, and the port direction of its %OE_MODE pin.
int check_role(const Role& r, const char* cell) {
    ScanCellEntry* c = nullptr;
    int unfit = check_ports_in_scan_cell(&c, r.role, cell);
    for (Need n : r.pins) {
        if (pin_of(c, n)) continue;
        unfit = 1;
        if (n == OE_MODE) {
            qdx_printf("ERROR: (%s) can't find %%OE_MODE in %%%s %s.\n", lib_file(), r.oe_block, cell);
        } else {
            qdx_printf("ERROR: (%s) can't find %%%s in %%SCAN_CELL %s.\n", lib_file(), need_word(n), cell);
            qdx_printf("       %s '%s' should have %%%s signal.\n", r.display, cell, need_word(n));
        }
    }
    if (!unfit) {
        if (c->rst) BCELL_RST = 1;
        if (c->update_dr) BCELL_UPDATE_DR = 1;
        if (c->highz) BCELL_HIGHZ = 1;
        if (c->mode1) BCELL_MODE1 = 1;
        if (c->mode2) BCELL_MODE2 = 1;
        if (c->mode3) BCELL_MODE3 = 1;
        int extra = DYNA_count(c->extra);
        if (extra > BCELL_EXTRA) BCELL_EXTRA = extra;
    } else {
        qdx_printf("\n");
    }
    bool any_mode = c->mode1 || c->mode2 || c->mode3;
    if (r.mode == MODE_WARN_IF_NONE && !any_mode) {
        qdx_printf("WARNING: (%s) can't find %%MODE signals in %s '%s'.\n", lib_file(), r.mode_name, cell);
        qdx_printf("         %%MODE signals won't be connected.\n\n");
    } else if (r.mode == MODE_WARN_AND_CLEAR && any_mode) {
        qdx_printf("WARNING: (%s) %%MODE signals in %s '%s'.\n", lib_file(), r.mode_name, cell);
        qdx_printf("         But %%MODE signals won't be connected.\n\n");
        clear_text(c->mode1);
        clear_text(c->mode2);
        clear_text(c->mode3);
    }
    if (r.oe == OE_AFTER_OPEN)
        check_scan_oe_mode_type_after_open_sdb(c, cell);
    else
        check_scan_oe_mode_type(c, cell);
    return unfit;
}

const Role kInput{"%INPUT_SCAN", "INPUT SCAN", {DATA_IN}, MODE_NONE, "INPUT SCAN", ""};
const Role kClock{"%CLOCK_SCAN", "CLOCK SCAN", {DATA_IN}, MODE_NONE, "CLOCK SCAN", ""};
const Role kOutput{"%OUTPUT_SCAN", "OUTPUT SCAN", {DATA_IN, DATA_OUT, UPDATE_DR}, MODE_WARN_IF_NONE,
                   "OUTPUT SCAN", ""};
const Role kBidir{"%BIDIR_SCAN", "BIDIR SCAN", {DATA_IN, DATA_OUT, UPDATE_DR, SYS_PIN}, MODE_WARN_IF_NONE,
                  "BIDIR SCAN", ""};
const Role kControl{"%CONTROL_SCAN", "CONTROL SCAN", {DATA_IN, DATA_OUT, UPDATE_DR}, MODE_WARN_IF_NONE,
                    "CONTORL SCAN", ""};
const Role kInputMux{"%INPUT_MUX_SCAN", "INPUT MUX SCAN", {DATA_IN, UPDATE_DR_OUT, UPDATE_DR},
                     MODE_WARN_AND_CLEAR, "INPUT MUX SCAN", ""};
const Role kClockMux{"%CLOCK_MUX_SCAN", "CLOCK MUX SCAN", {DATA_IN, UPDATE_DR_OUT, UPDATE_DR},
                     MODE_WARN_AND_CLEAR, "CLOCK MUX SCAN", ""};
const Role kOutputMux{"%OUTPUT_MUX_SCAN", "OUTPUT MUX SCAN", {UPDATE_DR, UPDATE_DR_OUT}, MODE_WARN_AND_CLEAR,
                      "OUTPUT MUX SCAN", ""};
const Role kBidirMux{"%BIDIR_MUX_SCAN", "BIDIR MUX SCAN", {SYS_PIN, UPDATE_DR, UPDATE_DR_OUT}, MODE_NONE,
                     "BIDIR MUX SCAN", ""};
const Role kControlMux{"%CONTROL_MUX_SCAN", "CONTROL MUX SCAN", {DATA_IN, UPDATE_DR, UPDATE_DR_OUT},
                       MODE_WARN_AND_CLEAR, "CONTROL MUX SCAN", ""};
const Role kControlOe{"%CONTROL_OE_SCAN", "CONTROL OE SCAN", {DATA_IN, UPDATE_DR, DATA_OUT, OE_MODE},
                      MODE_NONE, "CONTROL OE SCAN", "CONRTOL_OE_SCAN"};
const Role kControlOeLow{"%CONTROL_OE_LOW_SCAN", "CONTROL OE LOW SCAN", {DATA_IN, UPDATE_DR, DATA_OUT, OE_MODE},
                         MODE_NONE, "CONTROL OE LOW SCAN", "CONRTOL_OE_LOW_SCAN"};
const Role kControlOeHigh{"%CONTROL_OE_HIGH_SCAN", "CONTROL OE HIGH SCAN",
                          {DATA_IN, UPDATE_DR, DATA_OUT, OE_MODE}, MODE_NONE, "CONTROL OE HIGH SCAN",
                          "CONRTOL_OE_HIGH_SCAN"};

// Looks the cell's design up, opens it and finds the %OE_MODE port; the
// current design is restored afterwards (or, with restore_none, left
// without a current design when none was current).
void oe_mode_type(ScanCellEntry* entry, const char* cell, bool clear_when_none) {
    std::string name = PATH + cell + ".sdb";
    std::string path = FNM_find(name);
    if (path.empty()) {
        qdx_exit_printf(-1, "ERROR: can't find SDB file '%s' in default searching path.\n\n", name.c_str());
    }
    if (!entry || !entry->oe_mode) return;
    SdbDatabase* kept = sdb;
    SdbDatabase* db = open_sdb_file(path.c_str());
    const char* port = without_low_mark(entry->oe_mode);
    int p = SDB_nl_search_port(port);
    if (p < 0) {
        qdx_exit_printf(-1, "ERROR: (%s) can't find port '%s' in SDB '%s' for SCAN_CELL '%s'.\n\n", lib_file(), port,
                   path.c_str(), cell);
    }
    entry->oe_mode_direction = port_tab[p].direction;
    SDB_close(db, 0);
    if (kept)
        SDB_setup(kept);
    else if (clear_when_none)
        SDB_setup(nullptr);
}

}  // namespace

int check_ports_in_scan_cell(ScanCellEntry** out, const char* role, const char* cell) {
    ScanCellEntry* c = get_scan_cell(cell);
    if (!c) {
        qdx_exit_printf(-1, "ERROR: can't find scan cell %s '%s' in '%s' file.\n\n", role, cell ? cell : "", lib_file());
    }
    if (out) *out = c;
    int unfit = 0;
    struct {
        const char* pin;
        const char* word;
        bool needed;
    } common[] = {{c->tdi, "TDI", true},
                  {c->tdo, "TDO", true},
                  {c->shift_dr, "SHIFT_DR", true},
                  {c->clock_dr, "CLOCK_DR", true},
                  {c->tck, "TCK", JTAG_OPTION[OPT_SYNCH] != 0}};
    for (const auto& p : common) {
        if (!p.needed || p.pin) continue;
        qdx_printf("ERROR: (%s) can't find %%%s in %%SCAN_CELL %s.\n", lib_file(), p.word, cell);
        unfit = 1;
    }
    return unfit;
}

void check_scan_oe_mode_type(ScanCellEntry* entry, const char* cell) { oe_mode_type(entry, cell, true); }
void check_scan_oe_mode_type_after_open_sdb(ScanCellEntry* entry, const char* cell) {
    oe_mode_type(entry, cell, false);
}

int check_input_scan_cell(const char* cell) { return check_role(kInput, cell); }
int check_clock_scan_cell(const char* cell) { return check_role(kClock, cell); }
int check_output_scan_cell(const char* cell) { return check_role(kOutput, cell); }
int check_bidir_scan_cell(const char* cell) { return check_role(kBidir, cell); }
int check_bidir_scan_cell_after_open_sdb(const char* cell) {
    Role r = kBidir;
    r.oe = OE_AFTER_OPEN;
    return check_role(r, cell);
}
int check_control_scan_cell(const char* cell) { return check_role(kControl, cell); }
int check_input_mux_scan_cell(const char* cell) { return check_role(kInputMux, cell); }
int check_clock_mux_scan(const char* cell) { return check_role(kClockMux, cell); }
int check_output_mux_scan(const char* cell) { return check_role(kOutputMux, cell); }
int check_bidir_mux_scan_cell(const char* cell) { return check_role(kBidirMux, cell); }
int check_control_mux_scan(const char* cell) { return check_role(kControlMux, cell); }
int check_control_oe_scan_cell(const char* cell) { return check_role(kControlOe, cell); }
int check_control_oe_low_scan_cell(const char* cell) { return check_role(kControlOeLow, cell); }
int check_control_oe_high_scan_cell(const char* cell) { return check_role(kControlOeHigh, cell); }

void check_scan_cells() {
    BCELL_RST = BCELL_UPDATE_DR = BCELL_HIGHZ = 0;
    BCELL_MODE1 = BCELL_MODE2 = BCELL_MODE3 = 0;
    BCELL_EXTRA = 0;
    struct {
        const char* cell;
        int (*check)(const char*);
    } roles[] = {
        {INPUT_SCAN, check_input_scan_cell},
        {CLOCK_SCAN, check_clock_scan_cell},
        {OUTPUT_SCAN, check_output_scan_cell},
        {BIDIR_SCAN, check_bidir_scan_cell},
        // The low- and high-active control cells are control cells: one check
        // and one name ("CONTROL SCAN") for all three.
        {CONTROL_SCAN, check_control_scan_cell},
        {CONTROL_LOW_SCAN, check_control_scan_cell},
        {CONTROL_HIGH_SCAN, check_control_scan_cell},
        {INPUT_MUX_SCAN, check_input_mux_scan_cell},
        {CLOCK_MUX_SCAN, check_clock_mux_scan},
        {OUTPUT_MUX_SCAN, check_output_mux_scan},
        {BIDIR_MUX_SCAN, check_bidir_mux_scan_cell},
        {CONTROL_MUX_SCAN, check_control_mux_scan},
        {CONTROL_OE_SCAN, check_control_oe_scan_cell},
        {CONTROL_OE_LOW_SCAN, check_control_oe_low_scan_cell},
        {CONTROL_OE_HIGH_SCAN, check_control_oe_high_scan_cell},
    };
    int unfit = 0;
    for (const auto& r : roles)
        if (r.cell) unfit |= r.check(r.cell);
    if (unfit) {
        qdx_exit_printf(-1, "\n");
    }
}
