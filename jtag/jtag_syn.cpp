// The TAP top module in Verilog: header, port list and port declarations,
// and the table of its ports that the insertion flow routes up the design
// when the TAP sits in a sub-module.

#include <cstring>
#include <string>

#include "jtag/insertion_facts.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/str.h"

TapPortTable kest_hier_tap_port_tabG = {};

void free_tap_port_table() {
    for (char**& list : kest_hier_tap_port_tabG.list) STR_free(&list);
}

bool tap_is_user_data_register(const char* reg) {
    if (!reg) return false;
    for (const char* fixed : {"boundary", "bypass", "idcode", "usercode"})
        if (STR_ucomp(reg, fixed) == 0) return false;
    return true;
}

bool tap_has_highz_port() { return HIGHZ_EXIST >= 0 && HIZ_OVERLAP == 0 && TAP_HIZ_PIN; }

bool tap_has_idcode_port() { return JTAG_OPTION[OPT_EXTERNAL_IDCODE] && IDCODE_REG; }

bool tap_has_idmode() { return IDCODE_EXIST >= 0 && USERCODE_EXIST >= 0; }

namespace {

// The optional outputs of the TAP that the boundary cells ask for: a pin
// is there when its need flag is set and jtag_init named it.
const char* needed(int flag, const char* pin) { return flag ? pin : nullptr; }

class TopDeclaration {
public:
    explicit TopDeclaration(FILE* s) : s_(s), record_(kest_hier_tap_ctrlG == 1) {
        if (record_) {
            free_tap_port_table();
            for (char**& list : kest_hier_tap_port_tabG.list) list = DYNA_new<char*>();
        }
    }

    void write() {
        const char* module = TAP_MODULE_NAME ? TAP_MODULE_NAME : "";
        indent_.assign(std::strlen(module) + 10, ' ');
        std::fprintf(s_, JTAG_OPTION[OPT_SYNCH] ? "module  %s( %s,\n" : "module  %s ( %s,\n", module, TAP_TMS_PIN);
        port_list();
        outputs();
        inputs();
        if (JTAG_OPTION[OPT_TAP_PORT_ONLY]) {
            std::fprintf(s_, "\nendmodule\n");
            return;
        }
        wires();
    }

private:
    FILE* s_;
    bool record_;
    std::string indent_;
    bool first_port_ = true;

    void keep(int list, const char* name) {
        if (record_) STR_add(&kest_hier_tap_port_tabG.list[list], name);
    }

    void port(const char* name) {
        if (!name) return;
        if (!first_port_) std::fputs(",\n", s_);
        first_port_ = false;
        std::fprintf(s_, "%s %s", indent_.c_str(), name);
    }

    void output(const char* name, int list) {
        if (!name) return;
        std::fprintf(s_, "       output %s;\n", name);
        keep(list, name);
    }

    void input(const char* name, int list) {
        if (!name) return;
        std::fprintf(s_, "       input %s;\n", name);
        keep(list, name);
    }

    void port_list() {
        port(TAP_TDI_PIN);
        port(TAP_TCK_PIN);
        if (JTAG_OPTION[OPT_SYNCH]) port("BCELL_TCK");
        port(TAP_TDO_PIN);
        port(TAP_TDO_EN_PIN);
        port(TAP_TRST_PIN);
        port(TAP_CONTR->first_bcell);
        port(TAP_CONTR->last_bcell);
        port(TAP_SHIFT_PIN);
        port(TAP_CLOCK_PIN);
        port(needed(BCELL_UPDATE_DR, TAP_UPDATE_PIN));
        port(needed(BCELL_RST, TAP_RST_PIN));
        port(needed(BCELL_MODE1, TAP_MODE1_PIN));
        port(needed(BCELL_MODE2, TAP_MODE2_PIN));
        port(needed(BCELL_MODE3, TAP_MODE3_PIN));
        if (tap_has_idcode_port()) port("IDCODE");
        if (tap_has_highz_port()) port(TAP_HIZ_PIN);
        if (CHIP_TEST_EXIST >= 0) port("CHIP_TEST");
        for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i) port(TAP_EXTRA_PIN[i]);
        for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i) {
            if (!tap_is_user_data_register(ACCESS_REG[i])) continue;
            port((std::string(ACCESS_REG[i]) + "_in").c_str());
            port((std::string(ACCESS_REG[i]) + "_out").c_str());
        }
        for (int i = 0, n = DYNA_count(INST_ENABLE_PIN); i < n; ++i) port(INST_ENABLE_PIN[i].name);
        if (QUENDAL_ATPG_EXIST >= 0) {
            port("quendal_test_mode");
            port("quendal_scan_mode");
        }
        std::fputs(" );\n\n", s_);
    }

    void outputs() {
        output(TAP_TDO_PIN, TAP_PORTS_TDO);
        output(TAP_SHIFT_PIN, TAP_PORTS_CONTROLS);
        output(TAP_CLOCK_PIN, TAP_PORTS_CONTROLS);
        output(TAP_TDO_EN_PIN, TAP_PORTS_ENABLES);
        output(needed(BCELL_UPDATE_DR, TAP_UPDATE_PIN), TAP_PORTS_CONTROLS);
        output(TAP_CONTR->first_bcell, TAP_PORTS_CHAIN_OUT);
        output(needed(BCELL_RST, TAP_RST_PIN), TAP_PORTS_CONTROLS);
        output(needed(BCELL_MODE1, TAP_MODE1_PIN), TAP_PORTS_CONTROLS);
        output(needed(BCELL_MODE2, TAP_MODE2_PIN), TAP_PORTS_CONTROLS);
        output(needed(BCELL_MODE3, TAP_MODE3_PIN), TAP_PORTS_CONTROLS);
        if (tap_has_highz_port()) output(TAP_HIZ_PIN, TAP_PORTS_CONTROLS);
        if (CHIP_TEST_EXIST >= 0) output("CHIP_TEST", TAP_PORTS_CONTROLS);
        for (int i = 0, n = DYNA_count(TAP_EXTRA_PIN); i < n; ++i) output(TAP_EXTRA_PIN[i], TAP_PORTS_CONTROLS);
        if (JTAG_OPTION[OPT_SYNCH]) output("BCELL_TCK", TAP_PORTS_CONTROLS);
        for (int i = 0, n = DYNA_count(INST_ENABLE_PIN); i < n; ++i) {
            const InstEnablePin& pin = INST_ENABLE_PIN[i];
            size_t width = std::strlen(pin.value);
            if (width > 1) {
                std::fprintf(s_, "       output[%d:0] %s;\n", static_cast<int>(width) - 1, pin.name);
                keep(TAP_PORTS_ENABLES, pin.name);
            } else {
                output(pin.name, TAP_PORTS_ENABLES);
            }
        }
        if (QUENDAL_ATPG_EXIST >= 0) {
            output("quendal_test_mode", TAP_PORTS_CONTROLS);
            output("quendal_scan_mode", TAP_PORTS_CONTROLS);
        }
        for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i)
            if (tap_is_user_data_register(ACCESS_REG[i]))
                output((std::string(ACCESS_REG[i]) + "_in").c_str(), TAP_PORTS_CHAIN_OUT);
        std::fputs("\n", s_);
    }

    void inputs() {
        if (tap_has_idcode_port()) std::fputs("       input[31:0] IDCODE;\n", s_);
        input(TAP_TMS_PIN, TAP_PORTS_FROM_PINS);
        input(TAP_TDI_PIN, TAP_PORTS_FROM_PINS);
        input(TAP_TCK_PIN, TAP_PORTS_FROM_PINS);
        input(TAP_CONTR->last_bcell, TAP_PORTS_CHAIN_IN);
        input(TAP_TRST_PIN, TAP_PORTS_FROM_PINS);
        for (int i = 0, n = DYNA_count(ACCESS_REG); i < n; ++i) {
            if (!tap_is_user_data_register(ACCESS_REG[i])) continue;
            std::fprintf(s_, "       input  %s_out;\n", ACCESS_REG[i]);
            keep(TAP_PORTS_CHAIN_IN, (std::string(ACCESS_REG[i]) + "_out").c_str());
        }
        std::fputs("\n", s_);
    }

    // The internal wires of the full TAP, which the body's instances join.
    void wires() {
        std::fprintf(s_, "       wire %s;\n", TAP_RST_PIN);
        for (const char* w : {"SELECT_DR", "ENABLE", "TDOIN", "SHIFT_IR", "CLOCK_IR", "UPDATE_IR", "IR_out", "DR_out"})
            std::fprintf(s_, "       wire %s;\n", w);
        if (tap_has_idmode()) std::fputs("       wire IDMODE;\n", s_);
        if (CLAMP_EXIST >= 0) std::fputs("       wire tap_UPDATE_DR;\n", s_);
        // The serial outputs of the bypass and ID registers and what the
        // decoder drives for a gated enable pin.
        std::fputs("       wire BYPASS_out;\n", s_);
        if (rtltap::has_id_register()) std::fputs("       wire IDCODE_out;\n", s_);
        for (const rtltap::EnableOutput& e : rtltap::enable_outputs(false)) {
            if (e.gate == GATE_NONE) continue;
            if (e.width > 1)
                std::fprintf(s_, "       wire[%d:0] %s;\n", e.width - 1, e.driven.c_str());
            else
                std::fprintf(s_, "       wire %s;\n", e.driven.c_str());
        }
        std::fprintf(s_, "       wire[%d:0]  DR_SELECT;\n", DR_SEL_LINE - 1);
        std::fprintf(s_, "       wire[%d:0] INST;\n", INST_LEN - 1);
    }
};

}  // namespace

void make_declaration_of_v(FILE* stream) {
    if (!TAP_CONTR) return;  // jtag_init has not settled the TAP yet
    TopDeclaration(stream).write();
}
