// The instruction decoder IR_dec of the RTL TAP, in Verilog and VHDL: the
// data-register select code, the MODE outputs of the boundary cells, the
// HIGHZ command, CHIP_TEST, IDMODE, the ATPG mode and the instruction
// enable pins, each a function of the instruction bus INST.  An opcode
// with don't-care bits compares only its defined bits (no two rows select
// one code: the instruction rules refuse it); every other code selects
// BYPASS.

#include <cstdio>
#include <string>
#include <vector>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/frame/frame.h"

using rtltap::opcodes_of;

namespace rtltap {

std::vector<Decode> decoded_outputs(const char* atpg) {
    std::vector<Decode> out;
    if (CHIP_TEST_EXIST >= 0) out.push_back({"CHIP_TEST", {CHIP_TEST_EXIST}});
    if (tap_has_highz_port()) out.push_back({TAP_HIZ_PIN, {HIGHZ_EXIST}});
    if (const char* m = rtltap::mode_pin(1))
        out.push_back({m, {EXTEST_EXIST, INTEST_EXIST, HIZ_OVERLAP == 1 ? HIGHZ_EXIST : -1, CLAMP_EXIST, RUNBIST_EXIST}});
    if (const char* m = rtltap::mode_pin(2)) out.push_back({m, {INTEST_EXIST}});
    if (const char* m = rtltap::mode_pin(3)) out.push_back({m, {EXTEST_EXIST, SAMPLE_EXIST, CLAMP_EXIST}});
    if (tap_has_idmode()) out.push_back({"IDMODE", {IDCODE_EXIST}});
    if (QUENDAL_ATPG_EXIST >= 0) out.push_back({atpg, {QUENDAL_ATPG_EXIST}});
    return out;
}

}  // namespace rtltap

namespace {

using rtltap::Decode;
using rtltap::decoded_outputs;

std::vector<std::string> opcodes_of_rows(const std::vector<int>& rows) {
    std::vector<std::string> ops;
    for (int r : rows)
        for (const std::string& op : opcodes_of(r)) ops.push_back(op);
    return ops;
}

void warn_default(const rtltap::EnableOutput& e) {
    qdx_printf("    WARNING: the dafault value of enable pin '%s' from\n"
               "             tap controller is '%s'.\n",
               e.pin.c_str(), e.fallback.c_str());
}

std::string reg_name(int row) { return ACCESS_REG[rtltap::register_of_row(row)]; }

}  // namespace

void make_inst_decoder_of_v(FILE* s) {
    const int l = INST_LEN;
    const auto outs = decoded_outputs("quendal_test_mode");
    const auto enables = rtltap::enable_outputs(false);

    std::fprintf(s, "\nmodule IR_dec ( DR_SELECT,\n                INST");
    for (const Decode& d : outs) std::fprintf(s, ",\n%15c %s", ' ', d.name.c_str());
    for (const auto& e : enables) std::fprintf(s, ",\n%15c %s", ' ', e.driven.c_str());
    std::fprintf(s, " );\n\n%7c output[%d:0] DR_SELECT;\n", ' ', DR_SEL_LINE - 1);
    for (const Decode& d : outs) std::fprintf(s, "%7c output %s;\n", ' ', d.name.c_str());
    for (const auto& e : enables) {
        if (e.width > 1)
            std::fprintf(s, "%7c output[%d:0] %s;\n", ' ', e.width - 1, e.driven.c_str());
        else
            std::fprintf(s, "%7c output %s;\n", ' ', e.driven.c_str());
    }
    std::fprintf(s, "\n%7c input[%d:0] INST;\n\n", ' ', l - 1);

    for (const Decode& d : outs) {
        std::vector<std::string> ops = opcodes_of_rows(d.rows);
        std::fprintf(s, "%7c assign  %s = ", ' ', d.name.c_str());
        if (ops.empty()) std::fprintf(s, "1'b0");
        for (size_t i = 0; i < ops.size(); ++i) std::fprintf(s, "%s%s", i ? " | " : "", rtltap::v_match(ops[i]).c_str());
        std::fprintf(s, ";\n");
    }

    for (const auto& e : enables) {
        const std::string indent(e.driven.size() + 19, ' ');
        if (e.width > 1) {
            std::fprintf(s, "%7c assign  %s =", ' ', e.driven.c_str());
            bool first = true;
            for (const auto& u : e.uses)
                for (const std::string& op : opcodes_of(u.row)) {
                    std::fprintf(s, "%s%s ? %d'b%s :\n", first ? " " : indent.c_str(), rtltap::v_match(op).c_str(),
                                 e.width, u.value.c_str());
                    first = false;
                }
            std::fprintf(s, "%s%d'b%s;\n\n", first ? " " : indent.c_str(), e.width, e.fallback.c_str());
            warn_default(e);
        } else {
            std::vector<std::string> ops;
            for (const auto& u : e.uses)
                for (const std::string& op : opcodes_of(u.row)) ops.push_back(op);
            std::fprintf(s, "%7c assign  %s = %s( ", ' ', e.driven.c_str(), e.inverted ? "~" : "");
            if (ops.empty()) std::fprintf(s, "1'b0");
            for (size_t i = 0; i < ops.size(); ++i)
                std::fprintf(s, "%s%s", i ? " ||\n" : "", i ? (indent + rtltap::v_match(ops[i])).c_str()
                                                            : rtltap::v_match(ops[i]).c_str());
            std::fprintf(s, " );\n");
        }
    }

    // DR_SELECT: the first row listing an opcode wins.
    std::fprintf(s, "\n%7c assign  DR_SELECT =", ' ');
    bool first = true;
    const auto regs = rtltap::data_registers();
    for (int r = 0, n = DYNA_count(INSTRUCTIONS); r < n; ++r)
        for (const std::string& op : opcodes_of(r)) {
            std::fprintf(s, "%s%s ? %d'b%s :\n", first ? " " : "                            ",
                         rtltap::v_match(op).c_str(), DR_SEL_LINE,
                         regs[static_cast<size_t>(rtltap::register_of_row(r))].code.c_str());
            first = false;
        }
    std::fprintf(s, "%s%d'b%s;\n\n", first ? " " : "                            ", DR_SEL_LINE,
                 regs[0].code.c_str());
    std::fprintf(s, "\nendmodule\n\n");
}

void vhdl_output_io_interface_of_inst_decoder(FILE* s) {
    std::fprintf(s, "    port (\n%7c DR_SELECT: out std_logic_vector(%d downto 0);\n", ' ', DR_SEL_LINE - 1);
    for (const Decode& d : decoded_outputs("quendal_atpg_mode")) std::fprintf(s, "%7c %s: out std_logic;\n", ' ', d.name.c_str());
    for (const auto& e : rtltap::enable_outputs(true)) {
        if (e.width > 1)
            std::fprintf(s, "%7c %s: out std_logic_vector(%d downto 0);\n", ' ', e.driven.c_str(), e.width - 1);
        else
            std::fprintf(s, "%7c %s: out std_logic;\n", ' ', e.driven.c_str());
    }
    std::fprintf(s, "%7c INST: in std_logic_vector(%d downto 0)\n    );\n", ' ', INST_LEN - 1);
}

void make_inst_decoder_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity IR_dec is\n");
    vhdl_output_io_interface_of_inst_decoder(s);
    std::fprintf(s, "end IR_dec;\n\narchitecture BEHAVIOR of IR_dec is\n");
    const auto regs = rtltap::data_registers();
    for (const auto& r : regs)
        std::fprintf(s, "%7c constant SEL_%s: std_logic_vector(%d downto 0) := \"%s\";\n", ' ', r.name.c_str(),
                     DR_SEL_LINE - 1, r.code.c_str());
    std::fprintf(s, "begin\n");

    for (const Decode& d : decoded_outputs("quendal_atpg_mode")) {
        std::vector<std::string> ops = opcodes_of_rows(d.rows);
        if (ops.empty()) {
            std::fprintf(s, "    %s <= '0';\n", d.name.c_str());
            continue;
        }
        std::fprintf(s, "    %s <= '1' when ", d.name.c_str());
        for (size_t i = 0; i < ops.size(); ++i)
            std::fprintf(s, "%s%s", i ? " or " : "", rtltap::vhdl_match(ops[i]).c_str());
        std::fprintf(s, "\n                else '0';\n");
    }

    for (const auto& e : rtltap::enable_outputs(true)) {
        const std::string indent(e.driven.size() + 11, ' ');
        if (e.width > 1) {
            std::fprintf(s, "    %s <= ", e.driven.c_str());
            bool first = true;
            for (const auto& u : e.uses)
                for (const std::string& op : opcodes_of(u.row)) {
                    if (!first) std::fprintf(s, "else\n%s", indent.c_str());
                    std::fprintf(s, " \"%s\" when %s ", u.value.c_str(), rtltap::vhdl_match(op).c_str());
                    first = false;
                }
            if (!first) std::fprintf(s, "else\n%s", indent.c_str());
            std::fprintf(s, "\"%s\";\n", e.fallback.c_str());
            warn_default(e);
        } else {
            std::vector<std::string> ops;
            for (const auto& u : e.uses)
                for (const std::string& op : opcodes_of(u.row)) ops.push_back(op);
            if (ops.empty()) {
                std::fprintf(s, "    %s <= '%c';\n", e.driven.c_str(), e.inverted ? '1' : '0');
                continue;
            }
            std::fprintf(s, "    %s <= '%c' when ", e.driven.c_str(), e.inverted ? '0' : '1');
            for (size_t i = 0; i < ops.size(); ++i)
                std::fprintf(s, "%s%s", i ? " or " : "", rtltap::vhdl_match(ops[i]).c_str());
            std::fprintf(s, "\n                else '%c';\n", e.inverted ? '1' : '0');
        }
    }

    // A chain of conditions rather than a case: opcodes with don't-care
    // bits and opcodes two rows share have no case choice of their own.
    std::fprintf(s, "\n    DR_SELECT <=");
    for (int r = 0, n = DYNA_count(INSTRUCTIONS); r < n; ++r)
        for (const std::string& op : opcodes_of(r))
            std::fprintf(s, " SEL_%s when %s else\n                ", reg_name(r).c_str(),
                         rtltap::vhdl_match(op).c_str());
    std::fprintf(s, " SEL_%s;\n\nend BEHAVIOR;\n\n", regs[0].name.c_str());
}
