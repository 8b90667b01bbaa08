// The add-TAP flow: the port-only TAP module and its compile run, the
// synthesis scripts of the RTL TAP, and the RTL TAP written.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

FILE* JTAG_V_FILE = nullptr;

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
    const std::string tcl_module = tcl_word(desc_text(TAP_MODULE_NAME)), dc_module = dcsh_word(desc_text(TAP_MODULE_NAME));
    const std::string tcl_tck = tcl_word(desc_text(TAP_TCK_PIN)), dc_tck = dcsh_word(desc_text(TAP_TCK_PIN));

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
    qdx_printf(" - Synthesizing RTL TAP module (%s) ...\n", desc_text(TAP_MODULE_NAME));
    JTAG_V_FILE = file.stream();
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = 0;
    get_TAP_in_RTL(JTAG_V_FILE);
    JTAG_V_FILE = nullptr;
    if (!file.commit()) top_write_failed(name, file.why());
    RT_remove_at_end(name, RtRemove::IfFailed);
    qdx_printf("    .TAP module (%s) was written into file '%s'.\n\n", desc_text(TAP_MODULE_NAME), name.c_str());
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
        // The -add_bcm road removes the module at its end (also when
        // -add_tap compiled it first): a signal before then takes it.
        if (JTAG_OPTION[OPT_ADD_BCM]) RT_remove_at_end(empty_module, RtRemove::WhenKilled);
        if (!file.commit()) top_write_failed(empty_module, file.why());
        // A run that fails after the compile takes it with its other
        // results; a compile that fails leaves it beside its log.
        RT_remove_at_end(empty_module, RtRemove::IfFailed);
    }

    std::vector<std::string> compile = {"tessick", "-lib", RT_file_arg(empty_module)};
    for (std::string& word : jtag_tessick_opath()) compile.push_back(std::move(word));
    std::string start_error;
    // The compiler's own log goes with a kill, as BSCAN.log does.
    RT_remove_at_end(TOP_MODULE + "_TAP_empty.tessick.log", RtRemove::WhenKilled);
    if (RT_run(compile, "BSCAN.log", false, &start_error) != 0) {
        RT_forget(empty_module);
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
                                                         {desc_text(TAP_MODULE_NAME), desc_text(TAP_MODULE_NAME)},
                                                         {desc_text(TAP_TCK_PIN), desc_text(TAP_TCK_PIN)}};
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
    for (const std::string& script : names) RT_remove_at_end(script, RtRemove::IfFailed);
    jtag_write_rtl_tap();
}
