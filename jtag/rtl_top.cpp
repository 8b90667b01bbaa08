// The TAP top of the RTL TAP: the body of the Verilog module (its instances
// and glue, after the declarations of jtag_syn.cpp) and the VHDL top
// entity with its structural architecture, and the writer of the whole
// RTL TAP file.

#include <cstdio>
#include <string>
#include <vector>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/str.h"

namespace {

bool synch() { return JTAG_OPTION[OPT_SYNCH] != 0; }

std::vector<std::string> clamp_opcodes() { return rtltap::opcodes_of(CLAMP_EXIST); }

// The operator texts of an enable gate, Verilog and VHDL.
struct GateText {
    int gate;
    const char* v_open;
    const char* v_op;
    const char* v_close;
    const char* vhdl_open;
    const char* vhdl_op;
    const char* vhdl_close;
};
const GateText kGates[] = {
    {GATE_AND, "", " & ", "", "", " and ", ""},         {GATE_NAND, "~(", " & ", ")", "not (", " and ", ")"},
    {GATE_OR, "", " | ", "", "", " or ", ""},           {GATE_NOR, "~(", " | ", ")", "not (", " or ", ")"},
    {GATE_XOR, "", " ^ ", "", "", " xor ", ""},         {GATE_XNOR, "", " ^~ ", "", "not (", " xor ", ")"},
};

const GateText* gate_text(int gate) {
    for (const GateText& g : kGates)
        if (g.gate == gate) return &g;
    return nullptr;
}

std::vector<std::string> user_registers() {
    std::vector<std::string> regs;
    for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i)
        if (tap_is_user_data_register(ACCESS_REG[i])) regs.push_back(ACCESS_REG[i]);
    return regs;
}

}  // namespace

// ----------------------------------------------------------------- Verilog

void make_initialization_of_v(FILE* s) {
    const char* tdi = TAP_TDI_PIN;
    const char* tck = TAP_TCK_PIN;
    std::fprintf(s, "\n%7c TAP_controller  TAP(%s, %s,", ' ', TAP_TMS_PIN, tck);
    if (TAP_TRST_PIN) std::fprintf(s, " %s,", TAP_TRST_PIN);
    std::fprintf(s, "\n%27c SHIFT_IR, CLOCK_IR, UPDATE_IR,\n%27c %s, %s,", ' ', ' ', TAP_SHIFT_PIN, TAP_CLOCK_PIN);
    if (rtltap::has_update_dr()) {
        if (CLAMP_EXIST >= 0)
            std::fprintf(s, " tap_UPDATE_DR,");
        else
            std::fprintf(s, " %s,", TAP_UPDATE_PIN);
    }
    std::fprintf(s, "\n%27c %s, SELECT_DR, ENABLE);\n\n", ' ', TAP_RST_PIN);

    if (synch())
        std::fprintf(s, "%7c BYPASS_reg  BYP(BYPASS_out, %s, %s, %s, %s);\n\n", ' ', tck, tdi, TAP_SHIFT_PIN,
                     TAP_CLOCK_PIN);
    else
        std::fprintf(s, "%7c BYPASS_reg  BYP(BYPASS_out, %s, %s, %s);\n\n", ' ', tdi, TAP_SHIFT_PIN, TAP_CLOCK_PIN);

    if (rtltap::has_id_register()) {
        std::fprintf(s, "%7c ID_reg      ID(%sIDCODE_out, ", ' ', rtltap::id_from_port() ? "IDCODE, " : "");
        if (synch()) std::fprintf(s, "%s, ", tck);
        std::fprintf(s, "%s, %s, %s", tdi, TAP_SHIFT_PIN, TAP_CLOCK_PIN);
        if (tap_has_idmode()) std::fprintf(s, ", IDMODE");
        std::fprintf(s, ");\n\n");
    }

    if (synch())
        std::fprintf(s, "%7c IR_reg      IR(IR_out, INST, %s, %s, ", ' ', tck, tdi);
    else
        std::fprintf(s, "%7c IR_reg      IR(IR_out, INST, %s, ", ' ', tdi);
    std::fprintf(s, "SHIFT_IR, CLOCK_IR,\n%22c UPDATE_IR, %s);\n\n", ' ', TAP_RST_PIN);

    std::fprintf(s, "%7c IR_dec      IRdec(DR_SELECT, INST", ' ');
    for (const rtltap::Decode& d : rtltap::decoded_outputs("quendal_test_mode")) std::fprintf(s, ", %s", d.name.c_str());
    int k = 0;
    for (const auto& e : rtltap::enable_outputs(false)) {
        if (k++ % 4 == 0)
            std::fprintf(s, ",\n%25c %s", ' ', e.driven.c_str());
        else
            std::fprintf(s, ", %s", e.driven.c_str());
    }
    std::fprintf(s, ");\n\n");

    std::fprintf(s, "%7c DR_mux      Dmux(DR_out, DR_SELECT,\n%25c", ' ', ' ');
    const auto regs = rtltap::data_registers();
    for (size_t i = 0; i < regs.size(); ++i) std::fprintf(s, i ? ", %s" : "%s", regs[i].source.c_str());
    std::fprintf(s, ");\n\n");
    std::fprintf(s, "        IR_DR_mux   IDMUX(IR_out, DR_out, SELECT_DR, TDOIN);\n\n");

    if (TAP_TDO_EN_PIN) {
        std::fprintf(s, "%7c TDO_reg     TDOreg(%s, TDOIN, %s);\n\n", ' ', TAP_TDO_PIN, tck);
        std::fprintf(s, TDO_EN_LOW ? "%7c assign %s = ~ENABLE;\n\n" : "%7c assign %s = ENABLE;\n\n", ' ',
                     TAP_TDO_EN_PIN);
    } else {
        std::fprintf(s, "%7c TDO_reg     TDOreg(%s, TDOIN, %s, ENABLE);\n\n", ' ', TAP_TDO_PIN, tck);
    }
    std::fprintf(s, "%7c assign %s = %s;\n\n", ' ', TAP_CONTR->first_bcell, tdi);
    for (const std::string& r : user_registers()) std::fprintf(s, "%7c assign %s_in = %s;\n\n", ' ', r.c_str(), tdi);
    if (QUENDAL_ATPG_EXIST >= 0)
        std::fprintf(s, "%7c assign %s = %s & %s;\n\n", ' ', "quendal_scan_mode", "quendal_test_mode", TAP_TMS_PIN);
    if (synch()) std::fprintf(s, "%7c assign %s = %s;\n\n", ' ', "BCELL_TCK", tck);
    for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i)
        std::fprintf(s, "%7c assign %s = 1'b%c;\n\n", ' ', TAP_EXTRA_PIN[i], rtltap::extra_pin_level(i));
    if (CLAMP_EXIST >= 0 && rtltap::has_update_dr()) {
        // UPDATE_DR stays low while CLAMP is the instruction: the boundary
        // cells keep the values they hold.
        std::fprintf(s, "%7c assign %s = ~( ", ' ', TAP_UPDATE_PIN);
        const auto ops = clamp_opcodes();
        for (size_t i = 0; i < ops.size(); ++i) std::fprintf(s, "%s%s", i ? " | " : "", rtltap::v_match(ops[i]).c_str());
        std::fprintf(s, " ) & tap_UPDATE_DR;\n");
    }
    for (const auto& e : rtltap::enable_outputs(false)) {
        const GateText* g = gate_text(e.gate);
        if (!g) continue;
        std::string second = e.width > 1 ? "{" + std::to_string(e.width) + "{" + e.second + "}}" : e.second;
        std::fprintf(s, "%7c assign %s = %s%s%s%s%s;\n\n", ' ', e.pin.c_str(), g->v_open, e.driven.c_str(), g->v_op,
                     second.c_str(), g->v_close);
    }
    std::fprintf(s, "endmodule\n\n");
}

// -------------------------------------------------------------------- VHDL

namespace {

// Internal names of the outputs of the controller, which the VHDL top
// reads as well as drives out: an out port cannot be read in VHDL-93.
std::string net(const char* pin) { return std::string(pin) + "_net"; }

void component(FILE* s, const char* name, void (*port_writer)(FILE*)) {
    std::fprintf(s, "    component  %s\n", name);
    port_writer(s);
    std::fprintf(s, "    end component;\n    for all: %s use entity work.%s(BEHAVIOR);\n\n", name, name);
}

void assoc(FILE* s, const std::string& formal, const std::string& actual, bool last = false) {
    std::fprintf(s, "%12c %s => %s%s\n", ' ', formal.c_str(), actual.c_str(), last ? "" : ",");
}

void instance(FILE* s, int number, const char* name) { std::fprintf(s, "    U%d: %s\n        port map (\n", number, name); }

void end_instance(FILE* s) { std::fprintf(s, "        );\n\n"); }

// The second signal of a gated enable as the VHDL top can read it.
std::string readable(const std::string& signal) {
    for (const char* pin : {TAP_SHIFT_PIN, TAP_CLOCK_PIN, TAP_UPDATE_PIN, TAP_RST_PIN})
        if (pin && STR_ucomp(signal.c_str(), pin) == 0) return net(pin);
    return signal;
}

void vhdl_output_io_interface_of_TAP(FILE* s) {
    std::fprintf(s, "    port (\n");
    for (const char* in : {TAP_TMS_PIN, TAP_TDI_PIN, TAP_TCK_PIN, TAP_TRST_PIN})
        if (in) std::fprintf(s, "        %s: in std_logic;\n", in);
    std::fprintf(s, "%7c %s: in std_logic;\n", ' ', TAP_CONTR->last_bcell);
    if (tap_has_idcode_port()) std::fprintf(s, "%7c IDCODE: in std_logic_vector(31 downto 0);\n", ' ');
    for (const char* out : {static_cast<const char*>(TAP_CONTR->first_bcell), TAP_TDO_PIN, TAP_TDO_EN_PIN, TAP_SHIFT_PIN})
        if (out) std::fprintf(s, "%7c %s: out std_logic;\n", ' ', out);
    std::fprintf(s, "%7c %s: out std_logic", ' ', TAP_CLOCK_PIN);
    auto out = [s](const char* name) {
        if (name) std::fprintf(s, ";\n%7c %s: out std_logic", ' ', name);
    };
    if (synch()) out("BCELL_TCK");
    if (rtltap::has_update_dr()) out(TAP_UPDATE_PIN);
    if (rtltap::has_reset_port()) out(TAP_RST_PIN);
    for (int m = 1; m <= 3; ++m) out(rtltap::mode_pin(m));
    if (QUENDAL_ATPG_EXIST >= 0) {
        out("quendal_test_mode");
        out("quendal_scan_mode");
    }
    if (tap_has_highz_port()) out(TAP_HIZ_PIN);
    if (CHIP_TEST_EXIST >= 0) out("CHIP_TEST");
    for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i) out(TAP_EXTRA_PIN[i]);
    for (const std::string& r : user_registers()) {
        std::fprintf(s, ";\n%7c %s_in: out std_logic", ' ', r.c_str());
        std::fprintf(s, ";\n%7c %s_out: in std_logic", ' ', r.c_str());
    }
    for (const auto& e : rtltap::enable_outputs(true)) {
        if (e.width > 1)
            std::fprintf(s, ";\n%7c %s: out std_logic_vector(%d downto 0)", ' ', e.pin.c_str(), e.width - 1);
        else
            out(e.pin.c_str());
    }
    std::fprintf(s, "\n    );\n");
}

void vhdl_output_structure_of_TAP(FILE* s) {
    const char* tdi = TAP_TDI_PIN;
    const char* tck = TAP_TCK_PIN;
    std::fprintf(s, "architecture STRUCTURE of %s is\n\n", TAP_MODULE_NAME);
    component(s, "TAP_controller", vhdl_output_io_interface_of_tap_controller);
    component(s, "BYPASS_reg", vhdl_output_io_interface_of_bypass_reg);
    component(s, "IR_reg", vhdl_output_io_interface_of_inst_reg);
    if (rtltap::has_id_register()) component(s, "ID_reg", vhdl_output_io_interface_of_idcode_reg);
    component(s, "IR_dec", vhdl_output_io_interface_of_inst_decoder);
    component(s, "DR_mux", vhdl_output_io_interface_of_dr_mux_reg);
    component(s, "IR_DR_mux", vhdl_output_io_interface_of_ir_dr_mux_reg);
    component(s, "TDO_reg", vhdl_output_io_interface_of_TDO_reg);

    std::fprintf(s, "    signal  %s, SELECT_DR, ENABLE, TDOIN: std_logic;\n", net(TAP_RST_PIN).c_str());
    std::fprintf(s, "    signal  %s, %s: std_logic;\n", net(TAP_SHIFT_PIN).c_str(), net(TAP_CLOCK_PIN).c_str());
    if (rtltap::has_update_dr()) std::fprintf(s, "    signal  %s: std_logic;\n", net(TAP_UPDATE_PIN).c_str());
    std::fprintf(s, "    signal  SHIFT_IR, CLOCK_IR, UPDATE_IR: std_logic;\n");
    std::fprintf(s, "    signal  IR_out, DR_out, BYPASS_out%s: std_logic;\n",
                 rtltap::has_id_register() ? ", IDCODE_out" : "");
    if (tap_has_idmode()) std::fprintf(s, "    signal  IDMODE: std_logic;\n");
    std::fprintf(s, "    signal  DR_SELECT: std_logic_vector(%d downto 0);\n", DR_SEL_LINE - 1);
    if (QUENDAL_ATPG_EXIST >= 0) std::fprintf(s, "    signal  quendal_atpg_mode : std_logic;\n");
    for (const auto& e : rtltap::enable_outputs(true)) {
        if (e.gate == GATE_NONE) continue;
        if (e.width > 1)
            std::fprintf(s, "    signal  %s: std_logic_vector(%d downto 0);\n", e.driven.c_str(), e.width - 1);
        else
            std::fprintf(s, "    signal  %s: std_logic;\n", e.driven.c_str());
    }
    std::fprintf(s, "    signal  INST: std_logic_vector(%d downto 0);\n\nbegin\n\n", INST_LEN - 1);

    int u = 1;
    instance(s, u++, "TAP_controller");
    assoc(s, TAP_TMS_PIN, TAP_TMS_PIN);
    assoc(s, tck, tck);
    if (TAP_TRST_PIN) assoc(s, TAP_TRST_PIN, TAP_TRST_PIN);
    for (const char* w : {"SHIFT_IR", "CLOCK_IR", "UPDATE_IR"}) assoc(s, w, w);
    assoc(s, TAP_SHIFT_PIN, net(TAP_SHIFT_PIN));
    assoc(s, TAP_CLOCK_PIN, net(TAP_CLOCK_PIN));
    if (rtltap::has_update_dr()) assoc(s, TAP_UPDATE_PIN, net(TAP_UPDATE_PIN));
    assoc(s, TAP_RST_PIN, net(TAP_RST_PIN));
    assoc(s, "SELECT_DR", "SELECT_DR");
    assoc(s, "ENABLE", "ENABLE", true);
    end_instance(s);

    instance(s, u++, "BYPASS_reg");
    assoc(s, tdi, tdi);
    assoc(s, TAP_SHIFT_PIN, net(TAP_SHIFT_PIN));
    assoc(s, TAP_CLOCK_PIN, net(TAP_CLOCK_PIN));
    if (synch()) assoc(s, tck, tck);
    assoc(s, "BYPASS_out", "BYPASS_out", true);
    end_instance(s);

    instance(s, u++, "IR_reg");
    assoc(s, tdi, tdi);
    assoc(s, TAP_RST_PIN, net(TAP_RST_PIN));
    if (synch()) assoc(s, tck, tck);
    for (const char* w : {"INST", "SHIFT_IR", "CLOCK_IR", "UPDATE_IR"}) assoc(s, w, w);
    assoc(s, "IR_out", "IR_out", true);
    end_instance(s);

    instance(s, u++, "IR_dec");
    assoc(s, "INST", "INST");
    for (const rtltap::Decode& d : rtltap::decoded_outputs("quendal_atpg_mode")) assoc(s, d.name, d.name);
    for (const auto& e : rtltap::enable_outputs(true)) assoc(s, e.driven, e.driven);
    assoc(s, "DR_SELECT", "DR_SELECT", true);
    end_instance(s);

    if (rtltap::has_id_register()) {
        instance(s, u++, "ID_reg");
        assoc(s, tdi, tdi);
        if (synch()) assoc(s, tck, tck);
        assoc(s, TAP_SHIFT_PIN, net(TAP_SHIFT_PIN));
        assoc(s, TAP_CLOCK_PIN, net(TAP_CLOCK_PIN));
        if (tap_has_idmode()) assoc(s, "IDMODE", "IDMODE");
        if (rtltap::id_from_port()) assoc(s, "IDCODE", "IDCODE");
        assoc(s, "IDCODE_out", "IDCODE_out", true);
        end_instance(s);
    }

    instance(s, u++, "DR_mux");
    for (const auto& r : rtltap::data_registers()) assoc(s, r.name + "_out", r.source);
    assoc(s, "DR_SELECT", "DR_SELECT");
    assoc(s, "DR_out", "DR_out", true);
    end_instance(s);

    instance(s, u++, "IR_DR_mux");
    for (const char* w : {"IR_out", "DR_out", "SELECT_DR"}) assoc(s, w, w);
    assoc(s, "TDOIN", "TDOIN", true);
    end_instance(s);

    instance(s, u++, "TDO_reg");
    assoc(s, TAP_TDO_PIN, TAP_TDO_PIN);
    assoc(s, tck, tck);
    if (TAP_TDO_EN_PIN) {
        assoc(s, "TDOIN", "TDOIN", true);
    } else {
        assoc(s, "TDOIN", "TDOIN");
        assoc(s, "ENABLE", "ENABLE", true);
    }
    end_instance(s);

    std::fprintf(s, "    %s <= %s;\n", TAP_CONTR->first_bcell, tdi);
    std::fprintf(s, "    %s <= %s;\n", TAP_SHIFT_PIN, net(TAP_SHIFT_PIN).c_str());
    std::fprintf(s, "    %s <= %s;\n", TAP_CLOCK_PIN, net(TAP_CLOCK_PIN).c_str());
    if (rtltap::has_reset_port()) std::fprintf(s, "    %s <= %s;\n", TAP_RST_PIN, net(TAP_RST_PIN).c_str());
    if (rtltap::has_update_dr()) {
        if (CLAMP_EXIST >= 0) {
            // As in the Verilog: no UPDATE_DR pulse while CLAMP is the instruction.
            std::fprintf(s, "    %s <= '0' when ", TAP_UPDATE_PIN);
            const auto ops = clamp_opcodes();
            for (size_t i = 0; i < ops.size(); ++i)
                std::fprintf(s, "%s%s", i ? " or " : "", rtltap::vhdl_match(ops[i]).c_str());
            std::fprintf(s, " else %s;\n", net(TAP_UPDATE_PIN).c_str());
        } else {
            std::fprintf(s, "    %s <= %s;\n", TAP_UPDATE_PIN, net(TAP_UPDATE_PIN).c_str());
        }
    }
    if (synch()) std::fprintf(s, "    %s <= %s;\n", "BCELL_TCK", tck);
    for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i)
        std::fprintf(s, "    %s <= '%c';\n", TAP_EXTRA_PIN[i], rtltap::extra_pin_level(i));
    if (QUENDAL_ATPG_EXIST >= 0) {
        std::fprintf(s, "    %s <= quendal_atpg_mode;\n", "quendal_test_mode");
        std::fprintf(s, "    %s <=  quendal_atpg_mode and %s;\n", "quendal_scan_mode", TAP_TMS_PIN);
    }
    if (TAP_TDO_EN_PIN)
        std::fprintf(s, TDO_EN_LOW ? "    %s <= not (ENABLE);\n" : "    %s <= ENABLE;\n", TAP_TDO_EN_PIN);
    for (const std::string& r : user_registers()) std::fprintf(s, "    %s_in <= %s;\n", r.c_str(), tdi);
    for (const auto& e : rtltap::enable_outputs(true)) {
        const GateText* g = gate_text(e.gate);
        if (!g) continue;
        std::string second = readable(e.second);
        if (e.width > 1) second = "(" + e.driven + "'range => " + second + ")";
        std::fprintf(s, "    %s <= %s%s%s%s%s;\n\n", e.pin.c_str(), g->vhdl_open, e.driven.c_str(), g->vhdl_op,
                     second.c_str(), g->vhdl_close);
    }
    std::fprintf(s, "\nend STRUCTURE;\n");
}

}  // namespace

void make_entity_TAP_of_vhdl(FILE* s) {
    jtag_include_vhdl_library(s);
    std::fprintf(s, "entity %s is\n", TAP_MODULE_NAME);
    vhdl_output_io_interface_of_TAP(s);
    std::fprintf(s, "end %s;\n\n", TAP_MODULE_NAME);
    vhdl_output_structure_of_TAP(s);
}

void write_full_rtl_tap(FILE* s) {
    if (!TAP_CONTR) return;  // jtag_init has not settled the TAP yet
    if (JTAG_OPTION[OPT_VHDL]) {
        make_tap_controller_of_vhdl(s);
        make_bypass_reg_of_vhdl(s);
        if (rtltap::has_id_register()) make_idcode_reg_of_vhdl(s);
        make_inst_reg_of_vhdl(s);
        make_inst_decoder_of_vhdl(s);
        make_dr_mux_of_vhdl(s);
        make_ir_dr_mux_of_vhdl(s);
        write_TDO_reg_module_of_vhdl(s);
        make_entity_TAP_of_vhdl(s);
    } else {
        make_declaration_of_v(s);
        make_initialization_of_v(s);
        make_tap_controller_of_v(s);
        make_bypass_reg_of_v(s);
        if (rtltap::has_id_register()) make_idcode_reg_of_v(s);
        make_inst_reg_of_v(s);
        make_inst_decoder_of_v(s);
        make_dr_mux_of_v(s);
        make_ir_dr_mux_of_v(s);
        write_TDO_reg_module_of_v(s);
    }
}
