// The instruction-table rules, the TAP description defaults, the
// synthesis scripts of the RTL TAP, and the add-TAP flow (the port-only
// TAP module and its compile run, the scripts and the RTL TAP written).

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

int INST_LEN = 0;
char** ACCESS_REG = nullptr;
InstEnablePin* INST_ENABLE_PIN = nullptr;
int DR_SEL_LINE = 0;
PadEntry* TAP_TDI_PIN_PTR = nullptr;
PadEntry* TAP_TDO_PIN_PTR = nullptr;
PadEntry* TAP_TMS_PIN_PTR = nullptr;
PadEntry* TAP_TCK_PIN_PTR = nullptr;
PadEntry* TAP_TRST_PIN_PTR = nullptr;

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

FILE* JTAG_V_FILE = nullptr;

namespace {

// TAP controllers made here because the library has none of the module
// name; a deque keeps their addresses while more are added.
std::deque<TapCellEntry> own_tap_cells;

const char* nz(const char* s) { return s ? s : ""; }
bool empty(const char* s) { return !s || !*s; }

// ------------------------------------------------------ instruction rules

// The register name of an accessed-register text: the text up to its
// first "[", leading "[" skipped ("boundary[3]" gives "boundary").
std::string register_name(const char* access) {
    if (!access) return "";
    const char* p = access;
    while (*p == '[') ++p;
    const char* end = std::strchr(p, '[');
    return end ? std::string(p, end) : std::string(p);
}

bool same_name(const std::string& a, const char* b) { return STR_ucomp(a.c_str(), b) == 0; }

// Entry k of a parallel list, or none past its end.
template <class T>
T list_at(T* list, int k, T none) {
    return list && k < DYNA_count(list) ? list[k] : none;
}

void note_enable_pins(const InstructionEntry& row) {
    for (int k = 0, n = DYNA_count(row.enable); k < n; ++k) {
        const char* signal = row.enable[k];
        if (!signal) continue;
        const char* value = list_at<char*>(row.enable_value, k, nullptr);
        if (!value) value = "1";
        int found = -1;
        for (int i = 0, m = DYNA_count(INST_ENABLE_PIN); i < m && found < 0; ++i)
            if (STR_ucomp(INST_ENABLE_PIN[i].name, signal) == 0) found = i;
        if (found >= 0) {
            if (std::strlen(INST_ENABLE_PIN[found].value) != std::strlen(value))
                qdx_exit_printf(-1, "ERROR: (%s) the length of enable pin '%s' are different in INSTRUCTION '%s'.\n",
                           JTAG_BSC_FILE.c_str(), INST_ENABLE_PIN[found].name, nz(row.name));
            continue;
        }
        int gate = list_at<int>(row.enable_gate, k, GATE_NONE);
        const char* second = list_at<char*>(row.enable_second, k, nullptr);
        InstEnablePin pin{};
        pin.name = qdx_strdup(signal);
        pin.value = qdx_strdup(value);
        pin.gate = gate;
        pin.second = gate != GATE_NONE && second ? qdx_strdup(second) : nullptr;
        DYNA_append(&INST_ENABLE_PIN, pin);
    }
}

// The register rules, tested on the register name of each row.
void check_register_rules() {
    const char* bsc = JTAG_BSC_FILE.c_str();
    auto reg = [](int row) { return register_name(INSTRUCTIONS[row].access); };
    if (!same_name(reg(BYPASS_EXIST), "bypass"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION BYPASS must access bypass register.\n\n", bsc);
    if (!same_name(reg(EXTEST_EXIST), "boundary"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION EXTEST must access boundary register.\n\n", bsc);
    if (!same_name(reg(SAMPLE_EXIST), "boundary"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION SAMPLE must access boundary register.\n\n", bsc);
    if (INTEST_EXIST >= 0 && !same_name(reg(INTEST_EXIST), "boundary"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION INTEST must access boundary register.\n\n", bsc);
    if (CLAMP_EXIST >= 0 && !same_name(reg(CLAMP_EXIST), "bypass"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION CLAMP must access bypass register.\n\n", bsc);
    if (HIGHZ_EXIST >= 0 && !same_name(reg(HIGHZ_EXIST), "bypass"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION HIGHZ must access bypass register.\n\n", bsc);
    if (IDCODE_EXIST >= 0 && !same_name(reg(IDCODE_EXIST), "idcode"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION IDCODE must access IDCODE register.\n\n", bsc);
    if (USERCODE_EXIST >= 0 && !same_name(reg(USERCODE_EXIST), "usercode") &&
        !same_name(reg(USERCODE_EXIST), "idcode"))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION USERCODE must access USERCODE register.\n\n", bsc);
}

bool is_dont_care(char c) { return c == 'X' || c == 'x'; }

// Two opcodes of equal length select a common code when every position
// holds the same bit or a don't-care in either.
bool opcodes_overlap(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (*a != *b && !is_dont_care(*a) && !is_dont_care(*b)) return false;
    return true;
}

// 32 characters of 0, 1, x or X.
bool is_32_bit_code(const char* code) {
    if (!code || std::strlen(code) != 32) return false;
    for (const char* p = code; *p; ++p)
        if (*p != '0' && *p != '1' && !is_dont_care(*p)) return false;
    return true;
}

// What IEEE 1149.1 asks of the instruction register and its opcodes
// beyond the register rules.
void check_opcodes_and_codes() {
    const char* bsc = JTAG_BSC_FILE.c_str();
    int rows = DYNA_count(INSTRUCTIONS);
    for (int r = 0; r < rows; ++r) {
        const InstructionEntry& row = INSTRUCTIONS[r];
        if (DYNA_count(row.opcodes) == 0)
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION '%s' has no opcode in %%INSTRUCTION_TABLE.\n\n", bsc, nz(row.name));
        for (int k = 0, n = DYNA_count(row.opcodes); k < n; ++k)
            if (std::strlen(nz(row.opcodes[k])) != static_cast<size_t>(INST_LEN))
                qdx_exit_printf(-1, "ERROR: (%s) the opcode '%s' of INSTRUCTION '%s' is not %d bits long.\n\n", bsc,
                           nz(row.opcodes[k]), nz(row.name), INST_LEN);
    }
    if (INST_LEN < 2)
        qdx_exit_printf(-1, "ERROR: (%s) the instruction register needs opcodes of at least 2 bits, not %d.\n\n", bsc,
                   INST_LEN);
    // Instruction tables are a few dozen rows: every pair is compared.
    for (int r = 0; r < rows; ++r) {
        const InstructionEntry& a = INSTRUCTIONS[r];
        for (int s = r + 1; s < rows; ++s) {
            const InstructionEntry& b = INSTRUCTIONS[s];
            for (int i = 0, n = DYNA_count(a.opcodes); i < n; ++i)
                for (int j = 0, m = DYNA_count(b.opcodes); j < m; ++j)
                    if (opcodes_overlap(a.opcodes[i], b.opcodes[j]))
                        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION '%s' (%s) and INSTRUCTION '%s' (%s) share an opcode.\n\n",
                                   bsc, nz(a.name), a.opcodes[i], nz(b.name), b.opcodes[j]);
        }
    }
    std::string ones(static_cast<size_t>(INST_LEN), '1');
    const InstructionEntry& bypass = INSTRUCTIONS[BYPASS_EXIST];
    bool has_ones = false;
    for (int k = 0, n = DYNA_count(bypass.opcodes); k < n && !has_ones; ++k)
        has_ones = opcodes_overlap(bypass.opcodes[k], ones.c_str());
    if (!has_ones)
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION BYPASS must have the all-ones opcode '%s'.\n\n", bsc, ones.c_str());

    if (DYNA_count(INST_CAPTURE) == 0)
        qdx_exit_printf(-1, "ERROR: (%s) %%INSTRUCTION_CAPTURE is missing; the instruction register needs its capture "
                   "pattern.\n\n",
                   bsc);
    for (int k = 0, n = DYNA_count(INST_CAPTURE); k < n; ++k) {
        const char* c = nz(INST_CAPTURE[k]);
        size_t len = std::strlen(c);
        bool ends_01 = len >= 2 && c[len - 2] == '0' && c[len - 1] == '1';
        if (len != static_cast<size_t>(INST_LEN) || !ends_01)
            qdx_exit_printf(-1, "ERROR: (%s) %%INSTRUCTION_CAPTURE '%s' must be %d bits long and end in \"01\".\n\n", bsc, c,
                       INST_LEN);
    }
    if (IDCODE_EXIST >= 0 && (!is_32_bit_code(IDCODE_REG) || IDCODE_REG[31] != '1'))
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION IDCODE needs a %%IDCODE_REGISTER of 32 bits whose last bit is 1.\n\n",
                   bsc);
    if (USERCODE_EXIST >= 0) {
        bool ok = DYNA_count(USERCODE_REG) > 0;
        for (int k = 0, n = DYNA_count(USERCODE_REG); k < n && ok; ++k) ok = is_32_bit_code(USERCODE_REG[k]);
        if (!ok)
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION USERCODE needs a %%USERCODE_REGISTER value of 32 bits.\n\n", bsc);
    }
}

// ------------------------------------------------------- TAP description


void warn_pin(const char* keyword, const char* default_name) {
    qdx_printf("WARNING: (%s) can't find %%%s in %%TAP_CONTROLLER %s.\n"
               "         Using default name -> %s.\n\n",
               lib_file(), keyword, nz(TAP_MODULE_NAME), default_name);
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
                       lib_file(), n, nz(TAP_MODULE_NAME), name.c_str());
            desc_set_extra(&t->extra, n, name.c_str());
        }
        STR_add(&TAP_EXTRA_PIN, without_low_mark(t->extra[n - 1]));
    }
}

}  // namespace

void free_inst_enable_pin() {
    for (int i = 0, n = DYNA_count(INST_ENABLE_PIN); i < n; ++i) {
        std::free(INST_ENABLE_PIN[i].name);
        std::free(INST_ENABLE_PIN[i].value);
        std::free(INST_ENABLE_PIN[i].second);
    }
    if (INST_ENABLE_PIN) DYNA_free(&INST_ENABLE_PIN);
    INST_ENABLE_PIN = nullptr;
}

void init_various_flags() {
    clear_standard_instructions();
    STR_free(&ACCESS_REG);
    ACCESS_REG = DYNA_new<char*>();
    free_inst_enable_pin();
    INST_ENABLE_PIN = DYNA_new<InstEnablePin>();
    STR_add(&ACCESS_REG, "BYPASS");
    TAP_TDI_PIN_PTR = TAP_TDO_PIN_PTR = TAP_TMS_PIN_PTR = TAP_TCK_PIN_PTR = TAP_TRST_PIN_PTR = nullptr;
}

void set_up_various_flags() {
    init_various_flags();
    int rows = DYNA_count(INSTRUCTIONS);
    INST_LEN = rows > 0 && DYNA_count(INSTRUCTIONS[0].opcodes) > 0
                   ? static_cast<int>(std::strlen(nz(INSTRUCTIONS[0].opcodes[0])))
                   : 0;
    find_standard_instructions();
    for (int r = 0; r < rows; ++r) {
        const InstructionEntry& row = INSTRUCTIONS[r];
        std::string reg = register_name(row.access);
        if (reg.empty())
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION '%s' names no data register.\n\n", JTAG_BSC_FILE.c_str(),
                       nz(row.name));
        bool known = false;
        for (int i = 0, n = DYNA_count(ACCESS_REG); i < n && !known; ++i) known = same_name(reg, ACCESS_REG[i]);
        if (!known) STR_add(&ACCESS_REG, reg.c_str());
        note_enable_pins(row);
    }
    if (EXTEST_EXIST < 0 || SAMPLE_EXIST < 0 || BYPASS_EXIST < 0)
        qdx_exit_printf(-1, "ERROR: (%s) -add_tap option required INSTRUCTION\n"
                   "       EXTEST, SAMPLE and BYPASS declared in %%INSTRUCTION_TABLE.\n\n",
                   JTAG_BSC_FILE.c_str());
    check_register_rules();
    check_opcodes_and_codes();
    int n = DYNA_count(ACCESS_REG);
    DR_SEL_LINE = 0;
    while ((1 << DR_SEL_LINE) < n) ++DR_SEL_LINE;
}

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

// ------------------------------------------------------------- scripts

namespace {

// Characters that the script languages read as themselves in a word.
bool plain_script_word(const std::string& w) {
    if (w.empty()) return false;
    for (unsigned char c : w)
        if (c == 0 || (!std::isalnum(c) && !std::strchr("_.+-/:@%,=", c))) return false;
    return true;
}

// A name as one word of the Tcl scripts: as it is, else with a
// backslash before every character that Tcl would read otherwise (no
// substitution, no word or command end); empty for a line end, which
// no Tcl word holds as it is.
std::string tcl_word(const std::string& w) {
    if (plain_script_word(w)) return w;
    if (w.empty() || w.find_first_of(std::string("\n\r\0", 3)) != std::string::npos) return "";
    std::string out;
    for (unsigned char c : w) {
        if (c < 0x80 && !std::isalnum(c) && !std::strchr("_.+-/:@%,=", c)) out += '\\';
        out += static_cast<char>(c);
    }
    return out;
}

// A name as one word of the dc_shell script: as it is, else in double
// quotes; empty when quotes cannot hold it, or when it would end the
// script's head comment.
std::string dcsh_word(const std::string& w) {
    if (w.find("*/") != std::string::npos) return "";
    if (plain_script_word(w)) return w;
    if (w.empty() || w.find_first_of("\"\\\n\r") != std::string::npos) return "";
    return "\"" + w + "\"";
}

}  // namespace

void bs_write_synthesize_script(FILE* ac, FILE* dc, FILE* pt, const char* design) {
    const bool vhdl = JTAG_OPTION[OPT_VHDL] != 0;
    const std::string tool = std::string("KESTRAND ") + KEST_VERSION;
    const std::string now = get_time_string();
    // Each name goes in as one word of its script language.
    const std::string file = design;
    const std::string ac_file = tcl_word(file + (vhdl ? ".vhd" : ".v"));
    const std::string ac_gate = tcl_word(file + (vhdl ? "_gate.vhd" : "_gate.v"));
    const std::string dc_file = dcsh_word(file + (vhdl ? ".vhd" : ".v"));
    const std::string dc_gate = dcsh_word(file + (vhdl ? "_gate.vhd" : "_gate.v"));
    const std::string tcl_module = tcl_word(nz(TAP_MODULE_NAME)), dc_module = dcsh_word(nz(TAP_MODULE_NAME));
    const std::string tcl_tck = tcl_word(nz(TAP_TCK_PIN)), dc_tck = dcsh_word(nz(TAP_TCK_PIN));

    std::fprintf(ac, "\n");
    std::fprintf(ac, "# FILE : Quendal TAP Synthesis Script file for ac_shell\n");
    std::fprintf(ac, "# NAME : %s.ac.tcl\n", design);
    std::fprintf(ac, "# TOOL : %s\n", tool.c_str());
    std::fprintf(ac, "# TIME : %s\n\n\n", now.c_str());
    std::fprintf(ac, "#read_alf user_lib.alf\n\n");
    std::fprintf(ac, vhdl ? "read_vhdl %s \n\n" : "read_verilog %s \n\n", ac_file.c_str());
    std::fprintf(ac, "do_build_generic \n\n");
    std::fprintf(ac, "set_current_module %s\n\n", tcl_module.c_str());
    std::fprintf(ac, "set_top_timing_module %s\n\n", tcl_module.c_str());
    std::fprintf(ac, "create_clock %s -period 40.0 -waveform {0 20}\n\n", tcl_tck.c_str());
    std::fprintf(ac, "do_optimize -effort high -reclaim_maximum_area\n\n");
    std::fprintf(ac, "report_area -hierarchical\n\n");
    std::fprintf(ac, "report_timing\n\n");
    std::fprintf(ac, vhdl ? "write_vhdl -hierarchical %s\n\n" : "write_verilog -hierarchical %s\n\n",
                 ac_gate.c_str());
    std::fprintf(ac, "quit\n");

    std::fprintf(dc, "\n");
    std::fprintf(dc, "/*\n");
    std::fprintf(dc, "  FILE : Quendal TAP Synthesis Script file for dc_shell\n");
    std::fprintf(dc, "  NAME : %s.dc.scr\n", design);
    std::fprintf(dc, "  TOOL : %s\n", tool.c_str());
    std::fprintf(dc, "  TIME :  %s\n\n\n", now.c_str());
    std::fprintf(dc, "*/\n\n");
    std::fprintf(dc, "/* Loading Library & Designs    */\n");
    std::fprintf(dc, "/*\n");
    std::fprintf(dc, "link_library = {user_lib.db}\n");
    std::fprintf(dc, "target_library = {user_lib.db}\n");
    std::fprintf(dc, "symbol_library = {generic.sdb}\n");
    std::fprintf(dc, "*/\n\n");
    std::fprintf(dc, vhdl ? "analyze -format vhdl  %s \n\n" : "analyze -format verilog %s \n\n", dc_file.c_str());
    std::fprintf(dc, "elaborate %s\n\n", dc_module.c_str());
    std::fprintf(dc, "current_design %s\n\n", dc_module.c_str());
    std::fprintf(dc, "link\n\n");
    std::fprintf(dc, "uniquify\n\n");
    std::fprintf(dc, "check_design\n\n");
    std::fprintf(dc, "create_clock -period 40.0 -waveform {0 20} %s\n\n", dc_tck.c_str());
    std::fprintf(dc, "compile\n\n");
    std::fprintf(dc, "report_area\n\n");
    std::fprintf(dc, "report_timing\n\n");
    std::fprintf(dc, vhdl ? "write -f vhdl -h -o %s\n\n" : "write -f  verilog -h -o %s\n\n", dc_gate.c_str());
    std::fprintf(dc, "quit\n");

    std::fprintf(pt, "# FILE : Quendal TAP Synthesis Script file for pt_shell\n");
    std::fprintf(pt, "# NAME : %s.pt.tcl\n", design);
    std::fprintf(pt, "# TOOL : %s\n", tool.c_str());
    std::fprintf(pt, "# TIME : %s\n\n\n", now.c_str());
    std::fprintf(pt, "# Loading Library\n");
    std::fprintf(pt, "# set link_path [list {*} user_li.db] \n\n");
    std::fprintf(pt, vhdl ? "read_vhdl %s \n\n" : "read_verilog %s \n\n", ac_file.c_str());
    std::fprintf(pt, "current_design %s\n\n", tcl_module.c_str());
    std::fprintf(pt, "link_design\n\n");
    std::fprintf(pt, "create_clock %s -period 40.0 -waveform {0 20}\n\n", tcl_tck.c_str());
    std::fprintf(pt, "update_timing\n\n");
    std::fprintf(pt, "check_timing\n\n");
    std::fprintf(pt, "report_constraint -all_violators\n\n");
    std::fprintf(pt, "report_timing -to [all_registers -data_pins]\n\n");
    std::fprintf(pt, "report_timing -to [all_outputs]\n\n");
}

// ------------------------------------------------------------ add-TAP flow

void get_TAP_in_RTL(FILE* stream) {
    if (JTAG_OPTION[OPT_TAP_PORT_ONLY]) {
        make_declaration_of_v(stream);
        return;
    }
    write_full_rtl_tap(stream);
}

void jtag_write_rtl_tap() {
    const std::string name = kest_output_file(TOP_MODULE + (JTAG_OPTION[OPT_VHDL] ? "_TAP.vhd" : "_TAP.v"));
    AtomicFile file(name);
    if (!file.open()) {
        qdx_exit_printf(-1, "ERROR: can't open file '%s'.\n\n", name.c_str());
    }
    qdx_printf(" - Synthesizing RTL TAP module (%s) ...\n", nz(TAP_MODULE_NAME));
    JTAG_V_FILE = file.stream();
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = 0;
    get_TAP_in_RTL(JTAG_V_FILE);
    JTAG_V_FILE = nullptr;
    if (!file.commit()) top_write_failed(name, file.why());
    qdx_printf("    .TAP module (%s) was written into file '%s'.\n\n", nz(TAP_MODULE_NAME), name.c_str());
}

std::vector<std::string> jtag_tessick_opath() {
    std::error_code ec;
    if (!std::filesystem::is_directory("lib", ec)) return {};
    return {"-opath", "lib"};
}

void jtag_compile_port_only_tap() {
    const std::string empty_module = TOP_MODULE + "_TAP_empty.v";
    {
        AtomicFile file(empty_module);
        if (!file.open()) {
            qdx_exit_printf(-1, "ERROR: can't open file '%s' to create a pseudo TAP module.\n\n", empty_module.c_str());
        }
        JTAG_V_FILE = file.stream();
        JTAG_OPTION[OPT_TAP_PORT_ONLY] = 1;
        get_TAP_in_RTL(JTAG_V_FILE);
        JTAG_OPTION[OPT_TAP_PORT_ONLY] = 0;
        JTAG_V_FILE = nullptr;
        if (!file.commit()) top_write_failed(empty_module, file.why());
    }

    std::vector<std::string> compile = {"tessick", "-lib", RT_file_arg(empty_module)};
    for (std::string& word : jtag_tessick_opath()) compile.push_back(std::move(word));
    std::string start_error;
    if (RT_run(compile, "BSCAN.log", false, &start_error) != 0) {
        if (!start_error.empty()) qdx_printf("    %s", start_error.c_str());
        qdx_exit_printf(-1, "    Please check the \"BSCAN.log\" file.\n");
    }
    std::error_code ec;
    std::filesystem::remove(TOP_MODULE + "_TAP_empty.tessick.log", ec);
    std::filesystem::remove("BSCAN.log", ec);
}

void jtagsyn() {
    rtltap::check_rtl_tap_description();
    // Names that the synthesis scripts cannot hold are refused before
    // any file is written.
    const std::pair<std::string, std::string> words[] = {{TOP_MODULE, TOP_MODULE + "_TAP_gate.vhd"},
                                                         {nz(TAP_MODULE_NAME), nz(TAP_MODULE_NAME)},
                                                         {nz(TAP_TCK_PIN), nz(TAP_TCK_PIN)}};
    for (const auto& [name, word] : words) {
        if (tcl_word(word).empty() || dcsh_word(word).empty()) {
            qdx_exit_printf(-1, "ERROR: the name '%s' cannot be written into the synthesis scripts.\n\n", name.c_str());
        }
    }
    jtag_compile_port_only_tap();

    const std::string design = TOP_MODULE + "_TAP";
    const std::string names[3] = {kest_output_file(design + ".ac.tcl"), kest_output_file(design + ".dc.scr"),
                                  kest_output_file(design + ".pt.tcl")};
    {
        // The three scripts are replaced together or not at all.
        AtomicFile ac(names[0]), dc(names[1]), pt(names[2]);
        for (AtomicFile* f : {&ac, &dc, &pt})
            if (!f->open()) qdx_exit_printf(-1, "ERROR: can't open file '%s'.\n\n", f->target().c_str());
        bs_write_synthesize_script(ac.stream(), dc.stream(), pt.stream(), design.c_str());
        std::string failed, why;
        if (!RT_commit_all({&ac, &dc, &pt}, &failed, &why)) top_write_failed(failed, why);
    }
    jtag_write_rtl_tap();
}

// ------------------------------------------------------------------ reset

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
