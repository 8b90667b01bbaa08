// Facts of the full RTL TAP that its Verilog and VHDL writers share: the
// data registers with their select codes and sources, the ID register,
// the reset opcode, the enable outputs with their defaults, the opcode
// conditions, and the check of the description's names.

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"

namespace rtltap {

namespace {

bool same_name(const std::string& a, const std::string& b) { return STR_ucomp(a.c_str(), b.c_str()) == 0; }

std::string code_of(int index) {
    std::string code(static_cast<size_t>(DR_SEL_LINE), '0');
    for (int b = 0; b < DR_SEL_LINE; ++b)
        if (index & (1 << b)) code[static_cast<size_t>(DR_SEL_LINE - 1 - b)] = '1';
    return code;
}

// Don't-care bits of a value that is loaded into a register become 0.
std::string defined(const char* value) {
    std::string v = desc_text(value);
    for (char& c : v)
        if (c != '1') c = '0';
    return v;
}

// The least significant bit first: character j is bit j of b.
std::string candidate(unsigned b, int width) {
    std::string s(static_cast<size_t>(width), '0');
    for (int j = 0; j < width; ++j)
        if (b & (1u << j)) s[static_cast<size_t>(j)] = '1';
    return s;
}

}  // namespace

std::vector<DataRegister> data_registers() {
    std::vector<DataRegister> regs;
    for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i) {
        DataRegister r;
        r.name = ACCESS_REG[i];
        r.code = code_of(i);
        if (same_name(r.name, "bypass"))
            r.source = "BYPASS_out";
        else if (same_name(r.name, "idcode") || same_name(r.name, "usercode"))
            r.source = "IDCODE_out";  // the ID register holds both codes
        else if (same_name(r.name, "boundary"))
            r.source = desc_text(TAP_CONTR ? TAP_CONTR->last_bcell : nullptr);
        else
            r.source = r.name + "_out";
        regs.push_back(r);
    }
    return regs;
}

int register_of_row(int row) {
    if (row < 0 || row >= DYNA_count(INSTRUCTIONS)) return 0;
    std::string name = access_register_name(INSTRUCTIONS[row].access);
    for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i)
        if (same_name(name, ACCESS_REG[i])) return i;
    return 0;
}

bool has_id_register() { return IDCODE_EXIST >= 0 || USERCODE_EXIST >= 0; }

bool id_from_port() { return IDCODE_EXIST >= 0 && tap_has_idcode_port(); }

std::string id_value() {
    if (IDCODE_EXIST >= 0) return defined(IDCODE_REG);
    return user_value();
}

std::string user_value() { return DYNA_count(USERCODE_REG) > 0 ? defined(USERCODE_REG[0]) : std::string(32, '0'); }

std::string reset_opcode() {
    int row = IDCODE_EXIST >= 0 ? IDCODE_EXIST : USERCODE_EXIST >= 0 ? USERCODE_EXIST : BYPASS_EXIST;
    std::vector<std::string> ops = opcodes_of(row);
    return ops.empty() ? std::string(static_cast<size_t>(INST_LEN), '1') : defined(ops[0].c_str());
}

std::string capture_pattern() {
    if (DYNA_count(INST_CAPTURE) == 0) {
        std::string c(static_cast<size_t>(INST_LEN), '0');
        if (INST_LEN > 0) c.back() = '1';
        return c;
    }
    return defined(INST_CAPTURE[0]);
}

std::vector<std::string> opcodes_of(int row) {
    std::vector<std::string> ops;
    if (row < 0 || row >= DYNA_count(INSTRUCTIONS)) return ops;
    const InstructionEntry& e = INSTRUCTIONS[row];
    for (int k = 0, n = DYNA_count(e.opcodes); k < n; ++k) ops.push_back(desc_text(e.opcodes[k]));
    return ops;
}

std::vector<EnableOutput> enable_outputs(bool vhdl) {
    std::vector<EnableOutput> out;
    for (int i = 0, n = DYNA_count(INST_ENABLE_PIN); i < n; ++i) {
        const InstEnablePin& p = INST_ENABLE_PIN[i];
        EnableOutput e;
        e.pin = desc_text(p.name);
        e.width = static_cast<int>(std::strlen(desc_text(p.value)));
        if (e.width < 1) e.width = 1;
        e.inverted = e.width == 1 && std::strcmp(desc_text(p.value), "0") == 0;
        e.gate = p.gate;
        e.second = desc_text(p.second);
        e.driven = e.gate == GATE_NONE ? e.pin : e.pin + (vhdl ? "_net" : "_wire");
        for (int r = 0, rows = DYNA_count(INSTRUCTIONS); r < rows; ++r) {
            const InstructionEntry& row = INSTRUCTIONS[r];
            for (int k = 0, m = DYNA_count(row.enable); k < m; ++k) {
                if (STR_ucomp(desc_text(row.enable[k]), e.pin.c_str()) != 0) continue;
                const char* v = k < DYNA_count(row.enable_value) ? row.enable_value[k] : nullptr;
                e.uses.push_back({r, v ? v : "1"});
            }
        }
        if (e.width > 1) {
            // The first value, least significant bit first, that no
            // instruction uses: the other instructions must not look like
            // one of them.  check_rtl_tap_description refuses a pin whose
            // every value is taken.
            unsigned limit = e.width >= 31 ? 0x80000000u : 1u << e.width;
            for (unsigned b = 0; b < limit && e.fallback.empty(); ++b) {
                std::string c = candidate(b, e.width);
                bool taken = false;
                for (const EnableOutput::Use& u : e.uses) taken = taken || u.value == c;
                if (!taken) e.fallback = c;
            }
            if (e.fallback.empty()) e.fallback = candidate(limit - 1, e.width);
        }
        out.push_back(e);
    }
    return out;
}

std::string v_match(const std::string& op) {
    bool all = true, any = false;
    std::string mask, value;
    for (char c : op) {
        bool dc = c == 'X' || c == 'x';
        all = all && !dc;
        any = any || !dc;
        mask += dc ? '0' : '1';
        value += c == '1' ? '1' : '0';
    }
    const int l = static_cast<int>(op.size());
    if (all) return "( INST == " + std::to_string(l) + "'b" + op + " )";
    if (!any) return "1'b1";
    return "( (INST & " + std::to_string(l) + "'b" + mask + ") == " + std::to_string(l) + "'b" + value + " )";
}

std::string vhdl_match(const std::string& op) {
    bool all = true;
    for (char c : op) all = all && c != 'X' && c != 'x';
    if (all) return "( INST = \"" + op + "\" )";
    std::string terms;
    const int l = static_cast<int>(op.size());
    for (int j = 0; j < l; ++j) {
        char c = op[static_cast<size_t>(j)];
        if (c == 'X' || c == 'x') continue;
        if (!terms.empty()) terms += " and ";
        terms += "INST(" + std::to_string(l - 1 - j) + ") = '" + std::string(1, c == '1' ? '1' : '0') + "'";
    }
    return terms.empty() ? "( true )" : "( " + terms + " )";
}

const char* mode_pin(int n) {
    switch (n) {
    case 1: return BCELL_MODE1 ? TAP_MODE1_PIN : nullptr;
    case 2: return BCELL_MODE2 ? TAP_MODE2_PIN : nullptr;
    case 3: return BCELL_MODE3 ? TAP_MODE3_PIN : nullptr;
    default: return nullptr;
    }
}

char extra_pin_level(int i) {
    const char* name = TAP_CONTR && TAP_CONTR->extra && i < DYNA_count(TAP_CONTR->extra) ? TAP_CONTR->extra[i] : nullptr;
    return name && name[0] == '-' ? '1' : '0';
}

bool has_update_dr() { return BCELL_UPDATE_DR && TAP_UPDATE_PIN; }

bool has_reset_port() { return BCELL_RST && TAP_RST_PIN; }

// ------------------------------------------------------------ name check

namespace {

// Names the RTL TAP declares itself: sub-module names, internal signals
// of the top and of the sub-modules, and VHDL words that the writers'
// texts meet.  Compared ignoring case, since VHDL does.
const char* const kInternalNames[] = {
    "TAP_controller", "BYPASS_reg", "ID_reg", "IR_reg", "IR_dec", "DR_mux", "IR_DR_mux", "TDO_reg",
    "SELECT_DR", "ENABLE", "TDOIN", "SHIFT_IR", "CLOCK_IR", "UPDATE_IR", "IR_out", "DR_out", "IDMODE",
    "tap_UPDATE_DR", "DR_SELECT", "INST", "BYPASS_out", "IDCODE_out", "IDCODE", "BYPASS_in", "BYPASS_cell",
    "ID_cell", "CAP_IR", "UPD_IR", "TDO_cell", "STATE", "tms_count", "EN_reg", "RESET_reg", "SHIFT_IR_reg",
    "SHIFT_DR_reg", "internal_TRST", "internal_TRST1", "quendal_atpg_mode", "TAP", "BYP", "ID", "IR", "IRdec",
    "Dmux", "IDMUX", "TDOreg", "BEHAVIOR", "STRUCTURE", "IEEE", "std_logic", "std_logic_vector", "work",
    // VHDL reserved words a pin might be named after
    "in", "out", "inout", "buffer", "signal", "port", "entity", "architecture", "begin", "end", "process",
    "if", "then", "else", "elsif", "case", "when", "others", "is", "of", "for", "all", "use", "library",
    "component", "map", "and", "or", "not", "xor", "nand", "nor", "xnor", "wait", "until", "constant",
    "downto", "to", "open", "type", "range", "select", "with", "null", "block", "label", "loop", "next",
    "exit", "return", "function", "procedure", "package", "body", "configuration", "generic", "new",
    "on", "after", "transport", "reject", "inertial", "bus", "register", "disconnect", "guarded", "linkage",
    "literal", "units", "variable", "shared", "file", "alias", "attribute", "group", "impure", "pure",
    "postponed", "sla", "sll", "sra", "srl", "rol", "ror", "mod", "rem", "abs", "assert", "report",
    "severity", "while", "array", "record", "access", "subtype", "unaffected",
    // Verilog keywords the writers' texts meet
    "module", "endmodule", "input", "output", "wire", "reg", "assign", "always", "posedge", "negedge",
    "define"};

// The VHDL TAP controller names its states with these constants.
const char* const kStateConstants[] = {
    "TEST_RESET_ST", "TEST_IDLE_ST", "DR_SCAN_ST", "CAPTURE_DR_ST", "SHIFT_DR_ST", "EXIT1_DR_ST",
    "PAUSE_DR_ST", "EXIT2_DR_ST", "UPDATE_DR_ST", "IR_SCAN_ST", "CAPTURE_IR_ST", "SHIFT_IR_ST",
    "EXIT1_IR_ST", "PAUSE_IR_ST", "EXIT2_IR_ST", "UPDATE_IR_ST"};

bool internal(const std::string& name) {
    for (const char* n : kInternalNames)
        if (same_name(name, n)) return true;
    for (const char* n : kStateConstants)
        if (same_name(name, n)) return true;
    // Select codes (SEL_<reg>) and the "_net"/"_wire" signals of the top.
    if (name.size() > 4 && STR_ucomp(name.substr(0, 4).c_str(), "SEL_") == 0) return true;
    return false;
}

[[noreturn]] void reject(const char* file, const std::string& name, const char* what) {
    qdx_exit_printf(-1, "ERROR: (%s) the name '%s' of %s is used inside the RTL TAP module.\n"
               "       Please give it another name.\n\n",
               file, name.c_str(), what);
}

}  // namespace

void check_rtl_tap_description() {
    const char* lib = JTAG_LIB_FILE.c_str();
    const char* bsc = JTAG_BSC_FILE.c_str();
    struct Pin {
        const char* name;
        const char* what;
    };
    const Pin pins[] = {{TAP_TDI_PIN, "%TDI"},
                        {TAP_TDO_PIN, "%TDO"},
                        {TAP_TDO_EN_PIN, "%TDO_EN"},
                        {TAP_TMS_PIN, "%TMS"},
                        {TAP_TCK_PIN, "%TCK"},
                        {TAP_TRST_PIN, "%TRST"},
                        {TAP_SHIFT_PIN, "%SHIFT_DR"},
                        {TAP_CLOCK_PIN, "%CLOCK_DR"},
                        {TAP_UPDATE_PIN, "%UPDATE_DR"},
                        {TAP_HIZ_PIN, "%HIGHZ_COMMAND"},
                        {TAP_RST_PIN, "%TAP_RESET"},
                        {TAP_MODE1_PIN, "%MODE_1"},
                        {TAP_MODE2_PIN, "%MODE_2"},
                        {TAP_MODE3_PIN, "%MODE_3"},
                        {TAP_CONTR ? TAP_CONTR->first_bcell : nullptr, "%FIRST_BCELL"},
                        {TAP_CONTR ? TAP_CONTR->last_bcell : nullptr, "%LAST_BCELL"}};
    for (const Pin& p : pins)
        if (p.name && internal(p.name)) reject(lib, p.name, p.what);
    for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i)
        if (TAP_EXTRA_PIN[i] && internal(TAP_EXTRA_PIN[i])) reject(lib, TAP_EXTRA_PIN[i], "an %EXTRA pin");
    if (TAP_MODULE_NAME && internal(TAP_MODULE_NAME)) reject(bsc, TAP_MODULE_NAME, "%TAP_MODULE");
    for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i)
        if (tap_is_user_data_register(ACCESS_REG[i])) {
            // Its serial ports are <reg>_in and <reg>_out.
            const std::string r = ACCESS_REG[i];
            if (internal(r) || internal(r + "_in") || internal(r + "_out")) reject(bsc, r, "a data register");
        }
    for (const EnableOutput& e : enable_outputs(false)) {
        if (internal(e.pin)) reject(bsc, e.pin, "an enable pin");
        if (e.width > 1) {
            // enable_outputs falls back on a taken value only when none is free.
            bool taken = false;
            for (const EnableOutput::Use& u : e.uses) taken = taken || u.value == e.fallback;
            if (taken) {
                qdx_exit_printf(-1, "ERROR: (%s) every value of enable pin '%s' is used by an instruction;\n"
                           "       no value is left for the other instructions.\n\n",
                           bsc, e.pin.c_str());
            }
        }
    }
}

}  // namespace rtltap
