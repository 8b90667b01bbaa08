// The outputs of a run of kestrand held against its inputs
// (kestrand/outputs.h).
#include "kestrand/outputs.h"

#include <filesystem>

#include "bscan/bcm/bcm.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "kestrand/connect_file.h"
#include "kestrand/tool_runs.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/run_inputs.h"
#include "sdb/nl_edit.h"

std::vector<std::string> kest_run_outputs() {
    std::vector<std::string> files;
    if (const std::string report = top_report_path(); !report.empty()) files.push_back(report);
    const std::string& top = TOP_MODULE;
    const bool vhdl = JTAG_OPTION[OPT_VHDL] != 0;
    const bool add_tap = JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY];
    const bool add_bcm = JTAG_OPTION[OPT_ADD_BCM] != 0;
    if (add_tap || add_bcm) {
        files.push_back(kest_output_file(top + (vhdl ? "_TAP.vhd" : "_TAP.v")));
        files.push_back(top + "_TAP_empty.v");
        files.push_back(top + "_TAP_empty.tessick.log");
        files.emplace_back("BSCAN.log");
    }
    if (add_tap) {
        for (const char* script : {"_TAP.ac.tcl", "_TAP.dc.scr", "_TAP.pt.tcl"})
            files.push_back(kest_output_file(top + script));
    }
    if (add_bcm) {
        const std::string bcm = bcm_module_name();
        files.push_back(kest_output_file(bcm + ".v"));
        files.push_back(bcm + ".tessick.log");
        const std::vector<std::string> lib = jtag_tessick_opath();
        files.push_back((lib.empty() ? std::filesystem::path() : std::filesystem::path(lib.back())) / (bcm + ".sdb"));
    }
    if (kest_edits_design()) {
        const std::string edited = kest_edited_top();
        files.push_back(top + ".bso");
        files.push_back(kest_edit_file(edited + ".cmd"));
        files.push_back(kest_edit_file(edited + ".sdb"));
        files.push_back(kest_edit_file(edited + ".asn"));
        if (vhdl) files.push_back(kest_edit_file(edited + ".inf"));
        files.push_back(edited + ".sdb");
        files.push_back(sdb_unedited_file_name(edited + ".sdb"));
        if (kest_expands_design()) {
            files.push_back(kest_output_file(edited + (vhdl ? ".vhd" : ".v")));
            files.push_back(kest_output_file(edited + ".c.sdb"));
        }
    }
    for (std::string& f : kest_connect_files()) files.push_back(std::move(f));
    for (std::string& f : kest_tool_logs()) files.push_back(std::move(f));
    return files;
}

void kest_check_outputs_spare_inputs() {
    const std::string report = top_report_path();
    for (const std::string& output : kest_run_outputs()) {
        const std::string input = RT_input_at(output);
        if (input.empty()) continue;
        // The report would take the input's place at the exit.
        if (output == report) top_drop_report();
        qdx_exit_printf(-1, "%s", RT_output_is_input_text(output, input).c_str());
    }
}
