// The runs of the outside netlist tools on the finished command files
// (kestrand/tool_runs.h).
#include "kestrand/tool_runs.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "jtag/jtag.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"

namespace {

constexpr const char* kPlovertLog = "bs_plovert.log";
constexpr const char* kQuarnelLog = "bs_quarnel.log";
constexpr const char* kDrumwayLog = "bs_drumway.log";

// A tool that failed: its log stays for the user, and so does the file
// that the log is about (`about`, when given: the command file that
// plovert ran), while the run's other results go at the exit.  A tool
// that could not be started says why, on the screen as in its log.
[[noreturn]] void tool_failed(const char* log, const std::string& start_error, const std::string& about) {
    if (!about.empty()) RT_forget(about);
    if (!start_error.empty()) std::printf("    %s", start_error.c_str());
    qdx_exit_printf(-1, "    Please check the \"%s\" file.\n", log);
}

// Runs a tool with its output in log; ends the run when it fails, else
// removes the log.
void run_tool(const std::vector<std::string>& argv, const char* log, const std::string& about = "") {
    std::string start_error;
    if (RT_run(argv, log, false, &start_error) != 0) tool_failed(log, start_error, about);
    bs_remove_file(log);
}

// Runs plovert on the command file name (BSCAN_OPATH/<design>), then
// removes the design's working copy.
void run_plovert(const std::string& name) {
    run_tool({"plovert", "-nologo", "-b", RT_file_arg(name)}, kPlovertLog, name + ".cmd");
    bs_remove_design_copy(std::filesystem::path(name).filename().string() + ".sdb");
}

void move_or_stop(const std::string& file) {
    if (!bs_move_file(file, BSCAN_OPATH)) qdx_exit(-1);
}

// Runs plovert on the command file of the edited module copy
// "<module>_bs" in BSCAN_OPATH.  An edited copy left there by an earlier
// run goes first: it would be taken as the master of the "replace" line
// of the module above.
void run_edited_module_file(const std::string& module) {
    const std::string edited = kest_edit_file(module + "_bs");
    qdx_printf("    .Executing command file  %s.cmd ...\n", edited.c_str());
    bs_remove_file(edited + ".sdb");
    run_plovert(edited);
}

// The module's side file found along the search path, copied beside the
// edited database.
void copy_side_file(const std::string& module, const char* extension, const std::string& target) {
    std::string found = FNM_find(module + extension);
    if (found.empty()) return;
    if (!bs_copy_file(found, kest_edit_file(target + extension))) qdx_exit(-1);
}

// The pad-module path of the pads that got cells (innermost first);
// empty for flat pads.
std::vector<std::string> pad_module_path() {
    std::vector<std::string> path;
    if (!PAD_MODULE_EXIST) return path;
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        if (!OPIN_TAB[i].cell) continue;
        for (int k = 0, m = DYNA_count(OPIN_TAB[i].modules); k < m; ++k) path.emplace_back(OPIN_TAB[i].modules[k]);
        break;
    }
    return path;
}

}  // namespace

bool kest_edits_design() { return JTAG_OPTION[OPT_ADD_BCM] || !JTAG_OPTION[OPT_ADD_TAP_ONLY]; }
bool kest_expands_design() { return kest_edits_design() && !JTAG_OPTION[OPT_NO_EXPAND]; }

void bs_check_tools_startable() {
    std::vector<const char*> tools;
    // The TAP's port-only module (and the boundary-cell module) are
    // compiled; every road but -add_tap_only edits the design, and expands
    // it unless -no_expand.
    if (JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY] || JTAG_OPTION[OPT_ADD_BCM]) tools.push_back("tessick");
    if (kest_edits_design()) tools.push_back("plovert");
    if (kest_expands_design()) {
        tools.push_back("quarnel");
        tools.push_back("drumway");
    }
    for (const char* tool : tools) {
        const std::string why = RT_cannot_start(tool);
        if (!why.empty()) qdx_exit_printf(-1, "ERROR: %s\n", why.c_str());
    }
}

std::vector<std::string> kest_tool_logs() {
    std::vector<std::string> logs;
    if (kest_edits_design()) logs.emplace_back(kPlovertLog);
    if (kest_expands_design()) {
        logs.emplace_back(kQuarnelLog);
        logs.emplace_back(kDrumwayLog);
    }
    return logs;
}

void bs_remove_stale_tool_logs() {
    for (const char* log : {kPlovertLog, kQuarnelLog, kDrumwayLog}) bs_remove_file(log);
}

void do_plovert() {
    const std::string top = kest_edited_top();
    std::vector<std::string> path = pad_module_path();
    for (const std::string& m : path) run_edited_module_file(m);
    qdx_printf("    .Executing command file  %s ...\n", kest_edit_file(top + ".cmd").c_str());
    run_plovert(kest_edit_file(top));
    for (const std::string& m : path) {
        move_or_stop(m + "_bs.sdb");
        copy_side_file(m, ".asn", m + "_bs");
        if (JTAG_OPTION[OPT_VHDL]) copy_side_file(m, ".inf", m + "_bs");
    }
    move_or_stop(top + ".sdb");
    copy_side_file(TOP_MODULE, ".asn", top);
    if (JTAG_OPTION[OPT_VHDL]) copy_side_file(TOP_MODULE, ".inf", top);

    finish_synthesis();
}

void finish_synthesis() {
    qdx_printf("\n - Synthesis  done!\n\n");
    if (BSO_FILE) {
        qdx_printf("    .The Boundary-scan Pin List was stored in ");
        qdx_printf("file '%s'.\n", BSO_FILE);
        bsnames::clear_text(BSO_FILE);
    }
    qdx_printf("    .Modified sdb files were stored in directory %s.\n\n", BSCAN_OPATH.c_str());
    if (!JTAG_OPTION[OPT_NO_EXPAND]) bs_get_and_expand_netlist_with_jtag();
}

void hier_do_plovert(int row, MultiIoHierNode* children) {
    if (row < 0) return;
    for (int i = 0, n = DYNA_count(children); i < n; ++i) hier_do_plovert(children[i].row, children[i].children);
    const std::string name = bs_multi_io_row_design(row);
    qdx_printf("    .Executing command file %s ...\n", kest_edit_file(name + ".cmd").c_str());
    bs_remove_file(kest_edit_file(name + ".sdb"));
    run_plovert(kest_edit_file(name));
    move_or_stop(name + ".sdb");
}

void kest_hier_do_plovert_for_tap_instance() {
    for (int i = DYNA_count(kest_hier_tap_ctrl_name_tabG) - 2; i >= kest_hier_tap_path_first(); --i) {
        const std::string m = bsnames::or_text(kest_hier_tap_ctrl_name_tabG[i].module, "");
        run_edited_module_file(m);
        move_or_stop(m + "_bs.sdb");
    }
}

void bs_get_and_expand_netlist_with_jtag() {
    const std::string top = kest_edited_top();
    const bool vhdl = JTAG_OPTION[OPT_VHDL] != 0;
    // The netlist goes into the output directory itself (OPATH is "."
    // without -opath), and is named so on the screen.
    const std::string netlist = OPATH + "/" + top + (vhdl ? ".vhd" : ".v");
    // The edited design is named with its folder in both forms: a bare
    // name could read as an option.
    const std::string edited = RT_file_arg(kest_edit_file(top + ".sdb"));
    std::vector<std::string> quarnel =
        vhdl ? std::vector<std::string>{"quarnel", "-vhdl", "-hierarchy", "-o", RT_file_arg(netlist), edited, "-add_path",
                                        RT_file_arg(BSCAN_OPATH)}
             : std::vector<std::string>{"quarnel", "-verilog", "-hierarchy", "-o", RT_file_arg(netlist), edited};
    run_tool(quarnel, kQuarnelLog);
    // The netlist and the expanded design are results of the run.
    RT_remove_at_end(netlist, RtRemove::IfFailed);
    qdx_printf("    .Modified netlist file was stored in file %s.\n", netlist.c_str());
    qdx_printf("    .Expanding modified netlist ...\n\n");
    run_tool({"drumway", "-cellonly", "-keepempty", RT_file_arg(kest_edit_file(top)), "-opath", RT_file_arg(OPATH)},
             kDrumwayLog);
    RT_remove_at_end(kest_output_file(top + ".c.sdb"), RtRemove::IfFailed);
}
