// The SVF preamble of a scan test: reset the TAP, load the ATPG
// instruction into the instruction register and wait in Run-Test/Idle.
// Written once, after the last circuit, from that circuit's description.
#include <cstdio>
#include <string>

#include "bsdl/bsdl.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"

namespace {

constexpr const char* kAtpgInstruction = "quendal_atpg";

// The first row of INSTRUCTIONS named `name` (ignoring case), or null.
const InstructionEntry* find_instruction(const char* name) {
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i)
        if (INSTRUCTIONS[i].name && STR_ucomp(INSTRUCTIONS[i].name, name) == 0) return &INSTRUCTIONS[i];
    return nullptr;
}

// An opcode (most significant bit first; any character but "1" counts as
// 0) as upper-case hexadecimal without leading zeros.  Built digit by
// digit, so an opcode of any length keeps every bit.
std::string opcode_hex(const std::string& bits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t lead = (4 - bits.size() % 4) % 4;  // zero bits in front of the first digit
    std::string hex;
    unsigned nibble = 0;
    for (size_t i = 0; i < lead + bits.size(); ++i) {
        const bool one = i >= lead && bits[i - lead] == '1';
        nibble = (nibble << 1) | (one ? 1u : 0u);
        if (i % 4 == 3) {
            if (nibble != 0 || !hex.empty()) hex.push_back(kDigits[nibble]);
            nibble = 0;
        }
    }
    return hex.empty() ? "0" : hex;
}

}  // namespace

void write_svf_file() {
    std::string text = GLOBAL_TRST ? "TRST ON;\nTRST OFF;\n" : "TRST ABSENT;\nSTATE RESET;\n";

    // Without the ATPG instruction the file can only reset the TAP; say so
    // rather than leave a preamble that silently loads nothing.
    const InstructionEntry* atpg = find_instruction(kAtpgInstruction);
    const char* opcode = atpg && DYNA_count(atpg->opcodes) > 0 ? atpg->opcodes[0] : nullptr;
    if (opcode && *opcode) {
        const std::string bits = opcode;
        text += "SIR " + std::to_string(bits.size()) + " TDI(" + opcode_hex(bits) + "); !QUENDAL_ATPG\n";
        text += "STATE IDLE;\n";
    } else if (atpg) {
        qdx_printf("WARNING: INSTRUCTION QUENDAL_ATPG has no opcode in \"%s\";\n", BS_BSC_FILE.c_str());
        qdx_printf("         the SVF file \"%s\" only resets the TAP.\n", BS_SVF_NAME.c_str());
    } else {
        qdx_printf("WARNING: no INSTRUCTION QUENDAL_ATPG declared in %%INSTRUCTION_TABLE of \"%s\";\n",
                   BS_BSC_FILE.c_str());
        qdx_printf("         the SVF file \"%s\" only resets the TAP.\n", BS_SVF_NAME.c_str());
    }

    AtomicFile file(BS_SVF_NAME);
    if (!file.open()) {
        qdx_exit_printf(-1, "ERROR: can't open file '%s' to write.\n\n", BS_SVF_NAME.c_str());
    }
    std::fwrite(text.data(), 1, text.size(), file.stream());
    if (!file.commit()) top_write_failed(BS_SVF_NAME, file.why());
}
