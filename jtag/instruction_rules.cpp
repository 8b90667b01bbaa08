// The rules of the instruction table: what IEEE 1149.1 asks of the
// registers the standard instructions access and of the opcodes, and the
// facts drawn from the table (INST_LEN, ACCESS_REG, INST_ENABLE_PIN,
// DR_SEL_LINE).
#include <cstdlib>
#include <cstring>
#include <string>

#include "desc/tables.h"
#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"

int INST_LEN = 0;
char** ACCESS_REG = nullptr;
InstEnablePin* INST_ENABLE_PIN = nullptr;
int DR_SEL_LINE = 0;
PadEntry* TAP_TDI_PIN_PTR = nullptr;
PadEntry* TAP_TDO_PIN_PTR = nullptr;
PadEntry* TAP_TMS_PIN_PTR = nullptr;
PadEntry* TAP_TCK_PIN_PTR = nullptr;
PadEntry* TAP_TRST_PIN_PTR = nullptr;

namespace {

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
                           JTAG_BSC_FILE.c_str(), INST_ENABLE_PIN[found].name, desc_text(row.name));
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
    auto reg = [](int row) { return access_register_name(INSTRUCTIONS[row].access); };
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

// An opcode that selects the code: every position the same bit, or a
// don't-care in the opcode.
bool opcode_selects(const char* opcode, const std::string& code) {
    if (!opcode || std::strlen(opcode) != code.size()) return false;
    for (size_t i = 0; i < code.size(); ++i)
        if (opcode[i] != code[i] && !is_dont_care(opcode[i])) return false;
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
    check_instruction_patterns(bsc);
    int rows = DYNA_count(INSTRUCTIONS);
    for (int r = 0; r < rows; ++r) {
        const InstructionEntry& row = INSTRUCTIONS[r];
        if (DYNA_count(row.opcodes) == 0)
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION '%s' has no opcode in %%INSTRUCTION_TABLE.\n\n", bsc, desc_text(row.name));
        for (int k = 0, n = DYNA_count(row.opcodes); k < n; ++k)
            if (std::strlen(desc_text(row.opcodes[k])) != static_cast<size_t>(INST_LEN))
                qdx_exit_printf(-1, "ERROR: (%s) the opcode '%s' of INSTRUCTION '%s' is not %d bits long.\n\n", bsc,
                           desc_text(row.opcodes[k]), desc_text(row.name), INST_LEN);
    }
    if (INST_LEN < 2)
        qdx_exit_printf(-1, "ERROR: (%s) the instruction register needs opcodes of at least 2 bits, not %d.\n\n", bsc,
                   INST_LEN);
    check_distinct_opcodes(bsc);
    std::string ones(static_cast<size_t>(INST_LEN), '1');
    const InstructionEntry& bypass = INSTRUCTIONS[BYPASS_EXIST];
    bool has_ones = false;
    for (int k = 0, n = DYNA_count(bypass.opcodes); k < n && !has_ones; ++k)
        has_ones = opcode_selects(bypass.opcodes[k], ones);
    if (!has_ones)
        qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION BYPASS must have the all-ones opcode '%s'.\n\n", bsc, ones.c_str());

    if (DYNA_count(INST_CAPTURE) == 0)
        qdx_exit_printf(-1, "ERROR: (%s) %%INSTRUCTION_CAPTURE is missing; the instruction register needs its capture "
                   "pattern.\n\n",
                   bsc);
    for (int k = 0, n = DYNA_count(INST_CAPTURE); k < n; ++k) {
        const char* c = desc_text(INST_CAPTURE[k]);
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

}  // namespace

std::string access_register_name(const char* access) {
    if (!access) return "";
    const char* p = access;
    while (*p == '[') ++p;
    const char* end = std::strchr(p, '[');
    return end ? std::string(p, end) : std::string(p);
}

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
                   ? static_cast<int>(std::strlen(desc_text(INSTRUCTIONS[0].opcodes[0])))
                   : 0;
    find_standard_instructions();
    for (int r = 0; r < rows; ++r) {
        const InstructionEntry& row = INSTRUCTIONS[r];
        std::string reg = access_register_name(row.access);
        if (reg.empty())
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION '%s' names no data register.\n\n", JTAG_BSC_FILE.c_str(),
                       desc_text(row.name));
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
