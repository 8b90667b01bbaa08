// The run of kestrand: start-up, the fixed order of the steps, and the end.
#include <sys/times.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kestrand/kest_main.h"

#include "bscan/bcm/bcm.h"
#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "desc/tables.h"
#include "guideline/guideline.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "kestrand/connect_file.h"
#include "kestrand/jtag_cmd.h"
#include "kestrand/kest_input.h"
#include "kestrand/outputs.h"
#include "kestrand/report.h"
#include "kestrand/tool_runs.h"
#include "runtime/exit.h"
#include "runtime/process.h"
#include "runtime/frame/frame.h"
#include "runtime/sysinfo.h"
#include "sdb/prefix.h"
#include "sdb/sdb.h"

namespace {

std::string cpu_time_text;

// With -add_tap the top edit (or, for a TAP inside a sub-module, the edit
// of the innermost module on its path) adds the TAP instance; a design
// that holds an instance of that name already would make the netlist
// editor fail after every command file was written.  With -add_bcm the
// TAP comes inside the boundary-cell module, beside which a TAP of the
// design would stay on the TAP pads' nets.
void check_tap_instance_free(const char* option) {
    const bool hier = kest_hier_tap_ctrlG == 1;
    const std::string& design = hier ? MODULE_C_SDB : MODULE_SDB;
    open_sdb_file(design.c_str());
    const char* name = kest_hier_tap_design_name();
    const int tap = name ? SDB_nl_search_obj(name) : -1;
    SDB_close(sdb, 0);
    if (tap < 0) return;
    qdx_printf("ERROR: (%s) the design '%s' already holds the TAP instance '%s'\n", JTAG_BSC_FILE.c_str(),
               design.c_str(), name);
    qdx_exit_printf(-1, "       (%%INSTANCE_NAME of %%TAP_MODULE); option %s adds it.\n\n", option);
}

const char* const kTapOnPadPath =
    "the boundary-scan insertion with the TAP controller inside a module on the pad-module path";

// A TAP controller inside a sub-module with pads in several IO-pad modules.
[[noreturn]] void refuse_hier_tap_for_multi_io() {
    qdx_exit_printf(-1, "ERROR: Can not support hierarchic TAP controller for multiple IO-PAD modules.\n\n");
}

// The files of the run named after the top module whose names are the
// longest in their folders: a name that the folder can't take refuses the
// run, and so does a circuit name that the command files can't take.
void check_names_fit() {
    const std::string& top = TOP_MODULE;
    std::vector<std::pair<std::string, std::string>> names;  // folder, name
    if (JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY]) names.emplace_back(".", top + "_TAP_empty.tessick.log");
    if (JTAG_OPTION[OPT_ADD_BCM]) names.emplace_back(".", bcm_module_name() + ".tessick.log");
    if (kest_edits_design()) names.emplace_back(".", kest_edited_top() + ".sdb");
    if (kest_expands_design()) names.emplace_back(OPATH, kest_edited_top() + ".c.sdb");
    for (const auto& [folder, name] : names) top_check_name_fits(folder, name);
    // The command files name the edited design after the circuit.
    if (kest_edits_design() && !bs_cmd_name_ok(top))
        qdx_exit_printf(-1,
                        "ERROR: the circuit name '%s' can't be written into a netlist-edit command file,\n"
                        "       which takes no blank, line end, '{' or '}' in a name.\n\n",
                        top.c_str());
}

// The roads that this version does not take, and the inputs that the last
// steps would refuse, end the run before the first output file is written
// (every DFT file of the BIST entries is read).
void refuse_before_writing() {
    kest_check_connect_file();
    // The chip that the default road edits is described by its instruction
    // table: the BSDL file and the TAP must decode each code into one
    // instruction.  The TAP roads check it with the rest of the table's
    // rules (jtag_init).
    const bool tap_roads = JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY] || JTAG_OPTION[OPT_ADD_BCM];
    if (!tap_roads) check_distinct_opcodes(JTAG_BSC_FILE.c_str());
    if (JTAG_OPTION[OPT_ADD_BCM]) {
        if (!JTAG_OPTION[OPT_ADD_TAP]) check_tap_instance_free("-add_bcm");
    }
    if (JTAG_OPTION[OPT_ADD_TAP_ONLY]) return;
    if (JTAG_OPTION[OPT_ADD_TAP]) check_tap_instance_free("-add_tap");
}

bool in_pad_module(const PadEntry& p) { return DYNA_count(p.modules) > 0; }

// The first pad of the table with a boundary cell, -1 when none.
int first_cell_pad() {
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i)
        if (OPIN_TAB[i].cell) return i;
    return -1;
}

// The refusals that need the pad table, before the first file of the run
// (with -add_tap, before the TAP files).
void check_insertion_road() {
    if (multi_io_module_flagG) {
        // Several IO-pad modules.
        if (kest_hier_tap_ctrlG == 1) refuse_hier_tap_for_multi_io();
        // Where each TAP pad's pin leaves its IO-pad modules, or which
        // module it needs a new port of.
        bs_hier_trace_tap_pins();
        return;
    }
    const int first = first_cell_pad();
    if (first < 0) {
        bs_no_boundary_register();
    }
    if (kest_hier_tap_ctrlG != 1) return;
    kest_hier_record_tap_ports();
    kest_hier_find_tap_instance_with_iopad();
    int from = 0;
    if (in_pad_module(OPIN_TAB[first])) {
        kest_check_hier_inst_tap_iopad(first);
        from = kest_hier_same_instance_tapG + 1;
        // A module that holds both the pads' path and the TAP's own one
        // would get two command files of one name.
        const PadEntry& p = OPIN_TAB[first];
        for (int i = from; i + 1 < DYNA_count(kest_hier_tap_ctrl_name_tabG); ++i)
            for (int k = 0, n = DYNA_count(p.modules); k < n; ++k)
                if (bsnames::same(kest_hier_tap_ctrl_name_tabG[i].module, p.modules[k])) bs_not_available(kTapOnPadPath);
    }
    kest_hier_check_tap_path_ports(from);
}

// The checks before the first output file were made (once a run).
bool checked_before_writing = false;

// The checks just before the run's first output file (once a run): every
// netlist tool of its road can be started and every name it writes fits
// its folder; then the tool logs of an earlier run go.  No output is a
// file the run read: that check is made again before each part of the run
// that writes (the menu editor's save comes before the inputs of the rest
// of the run are read).
void check_before_first_write() {
    kest_check_outputs_spare_inputs();
    if (checked_before_writing) return;
    checked_before_writing = true;
    bs_check_tools_startable();
    check_names_fit();
    // The logs that an earlier run's failed tools left go now.
    bs_remove_stale_tool_logs();
}

// The pad table, its order and its control cells, and the checks of the
// road the insertion takes; once a run.
bool insertion_prepared = false;
void prepare_insertion() {
    if (insertion_prepared) return;
    insertion_prepared = true;
    bs_build_pad_table();
    bs_check_cells_describable();
    bs_check_highz_of_added_tap();
    check_insertion_road();
}

// The pads sit in a pad module, itself perhaps inside other modules: each
// module on the path gets a copy with the ports that carry the TAP signals
// and the chain down to the cells, the top its new master and the TAP
// wiring, and the innermost module the cells.  A TAP on the path sits in
// the module of its level, which wires it to the pads below through ports
// and to the chain and the cells' controls through the modules between.
void insert_in_pad_modules(int first) {
    const PadEntry& p = OPIN_TAB[first];
    std::vector<std::string> modules, instances;
    for (int k = 0, n = DYNA_count(p.modules); k < n; ++k) {
        modules.emplace_back(p.modules[k]);
        instances.emplace_back(k < DYNA_count(p.instances) ? p.instances[k] : "");
    }
    const int levels = static_cast<int>(modules.size());
    // The level of the path whose module holds the TAP (or the module of
    // the TAP's own branch), -1 when the TAP is off the path.
    int tap_level = -1;
    std::string tap_here;
    if (kest_hier_tap_ctrlG == 1) {
        if (kest_hier_same_instance_tapG == -1) {
            kest_hier_replace_tap_instance_iopad();
        } else {
            tap_level = kest_hier_same_instance_iopadG;
            kest_hier_replace_tap_branch();
            tap_here = bsnames::or_text(TAP_INSTANCE_NAME, "");
            // The top sees the TAP through the path's instance.
            bsnames::set_text(TAP_INSTANCE_NAME, kest_hier_tap_ctrl_name_tabG[0].instance);
        }
        kest_hier_do_plovert_for_tap_instance();
    }
    open_and_modify_top_sdb();
    // The TAP pads' pins followed up to the TAP's level.
    bs_search_standard_ports(first, tap_level < 0 ? levels : tap_level);
    const size_t outer = static_cast<size_t>(levels - 1);
    replace_cell_in_top(modules[outer].c_str(), instances[outer].c_str());
    for (int level = levels - 1; level >= 0; --level) {
        const size_t at = static_cast<size_t>(level);
        int match = -1;
        if (tap_level == level) match = 1;
        else if (tap_level >= 0) match = tap_level < level ? 2 : 3;
        kest_hier_instance_matchG = match;
        kest_need_to_add_extra_portG = match == 3 || (match == 1 && level != 0) ? 1 : 0;
        if (match == 1) bsnames::set_text(TAP_INSTANCE_NAME, tap_here.c_str());
        std::string path = open_and_modify_hierarchy_sdb(modules[at].c_str(), level);
        if (level > 0) {
            replace_cell_in_pad(modules[at - 1].c_str(), instances[at - 1].c_str(), level);
            continue;
        }
        bsnames::set_text(PAD_MODULE, path.c_str());
        bs_write_pad_module_tap_lines(PAD_FP);
    }
    open_sdb_file(PAD_MODULE);
    for (int i = first, n = DYNA_count(OPIN_TAB); i < n; ++i)
        if (OPIN_TAB[i].cell) add_scan_cells_in_cmd_file(PAD_FP, i);
    SDB_close(sdb, 0);
    bs_check_tree_buffers();
    print_bso_file();
}

void add_scan_cell() {
    prepare_insertion();
    check_before_first_write();
    if (multi_io_module_flagG) {
        // Several IO-pad modules.
        current_multi_io_indexG = -1;
        open_multi_io_modules();
        // The top's TAP wiring follows each TAP pad's pins up from the pad
        // itself, before the port search moves the records up the tree.
        bs_open_multi_io_top();
        bs_hier_search_tap_ports();
        qdx_printf(" - Synthesizing Boundary Registers in gate level ...\n\n");
        bs_add_multi_io_cells();
        print_bso_file();
        return;
    }
    const int first = first_cell_pad();
    // Pads with cells both in the top and in a pad module took the road of
    // several IO-pad modules above; a TAP pad alone may sit on the other
    // side, which the pad-module road wires.
    qdx_printf(" - Synthesizing Boundary Registers in gate level ...\n\n");
    if (in_pad_module(OPIN_TAB[first])) {
        PAD_MODULE_EXIST = 255;
        insert_in_pad_modules(first);
        return;
    }
    // The pads sit in the top design.
    PAD_MODULE_EXIST = 0;
    if (kest_hier_tap_ctrlG == 1) {
        kest_hier_replace_tap_instance_no_iopad();
        kest_hier_do_plovert_for_tap_instance();
    }
    open_and_modify_top_sdb();
    open_sdb_file(MODULE_SDB.c_str());
    for (int i = first, n = DYNA_count(OPIN_TAB); i < n; ++i)
        if (OPIN_TAB[i].cell) add_scan_cells_in_cmd_file(TAP_FP, i);
    kest_do_connection_table(TAP_FP);
    SDB_close(sdb, 0);
    bs_check_tree_buffers();
    print_bso_file();
}

// The -add_bcm road: the module's cells and the refusals of the road,
// the run's checks before its first file, the module's files and the top
// design's command file, the netlist tools and the report.
void add_boundary_cell_module() {
    const BcmModule module = bcm_prepare_module();
    check_before_first_write();
    bcm_write_module(module);
    do_plovert();
    print_report();
}

void add_boundary_scan_chain() {
    add_scan_cell();
    set_hier_common_net(MULTI_IO_HIER.row, MULTI_IO_HIER.children);
    HIGHZ_CNT = 0;
    if (!multi_io_module_flagG) {
        built_bus_balance_group_tab_for_control_signal();
        connect_scan_cell_in_cmd(PAD_MODULE_EXIST ? PAD_FP : TAP_FP);
        do_plovert();
    } else {
        connect_scan_cell_for_multi_io();
        hier_replace_io_module(MULTI_IO_HIER.row, MULTI_IO_HIER.children);
        hier_do_plovert(MULTI_IO_HIER.row, MULTI_IO_HIER.children);
        finish_synthesis();
    }
    print_report();
    insertion_prepared = false;
}

}  // namespace

long get_CPU_time() {
    tms t{};
    times(&t);
    long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0) ticks = 100;
    return static_cast<long>((t.tms_utime + t.tms_stime) / ticks);
}

const char* get_CPU_time_string(long start) {
    long s = get_CPU_time() - start;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld:%.2ld:%.2ld", s / 3600, (s % 3600) / 60, s % 60);
    cpu_time_text = buf;
    return cpu_time_text.c_str();
}

void start_routine(int*, char**) {
    top_print_prog_name_and_version_num("KESTRAND", KEST_VERSION);
    SDB_start_load_def();
    top_set_w_directory(quendal_write_dir);
}

void free_alloc_memory() {
    checked_before_writing = false;
    bs_free_insertion_tables();
    free_inst_enable_pin();
    bsnames::clear_text(PAD_MODULE);
}

void kestrand_main(int argc, char** argv) {
    long start = get_CPU_time();
    start_routine(&argc, argv);
    top_install_fault_handlers();
    RT_install_kill_cleanup();
    uti_prepare_system_info();
    jtag_parse_cmd_line(argc, argv, &TOP_MODULE);
    get_bsc_lib_name();
    // The editor's save is the run's first output when the run goes on.
    if (JTAG_OPTION[OPT_GUIDELINE]) guideline_handler(check_before_first_write);
    check_necessary_input_file();
    refuse_before_writing();
    if (JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY]) {
        // The pads of the design, when there is one, say which outputs
        // the TAP must have (a mux pad's MODE pins) and how its TDO pad
        // is enabled.
        const bool pads_seen = JTAG_OPTION[OPT_ADD_TAP] || find_tap_only_design();
        if (pads_seen) check_connect_pad();
        jtag_init();
        if (!pads_seen) settle_tdo_enable_polarity();
        // The insertion's pad table and the refusals of its road come
        // before the TAP files are written.
        if (JTAG_OPTION[OPT_ADD_TAP] && !JTAG_OPTION[OPT_ADD_BCM]) prepare_insertion();
        check_before_first_write();
        jtagsyn();
    }
    if (JTAG_OPTION[OPT_ADD_BCM]) {
        // The boundary-cell module brings the TAP and the boundary cells;
        // the chain is not inserted into the design itself.
        if (!JTAG_OPTION[OPT_ADD_TAP]) check_connect_pad();
        jtag_init();
        add_boundary_cell_module();
    } else if (!JTAG_OPTION[OPT_ADD_TAP_ONLY]) {
        add_boundary_scan_chain();
    }
    kest_write_connect_file();
    free_alloc_memory();
    qdx_printf("\nCPU TIME = %s\n\n", get_CPU_time_string(start));
    qdx_printf("END TIME : %s\n", get_time_string().c_str());
    uti_report_system_info(fd, 1);
    qdx_exit(0);
}
