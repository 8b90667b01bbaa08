// Finding the input files of the run: the configuration and the cell
// library, the design databases; then the descriptions read and the
// configured boundary-scan cells checked.
#include <string>

#include "kestrand/kest_input.h"

#include "bscan/bscan.h"
#include "desc/reader.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"

void get_bsc_lib_name() {
    JTAG_BSC_FILE = FNM_find(TOP_MODULE + ".bsc");
    JTAG_LIB_FILE = FNM_find(TOP_MODULE + ".lib");
}

void check_necessary_input_file() {
    bool failed = false;
    if (JTAG_BSC_FILE.empty()) {
        qdx_printf("ERROR: can't find BSC file '%s.bsc' in default searching path.\n\n", TOP_MODULE.c_str());
        failed = true;
    }
    if (JTAG_LIB_FILE.empty()) {
        qdx_printf("ERROR: can't find LIB file '%s.lib' in default searching path.\n\n", TOP_MODULE.c_str());
        failed = true;
    }
    if (!JTAG_OPTION[OPT_ADD_TAP_ONLY]) {
        std::string sdb_name = PATH + TOP_MODULE + ".sdb";
        std::string c_sdb_name = PATH + TOP_MODULE + ".c.sdb";
        MODULE_SDB = FNM_find(sdb_name);
        MODULE_C_SDB = FNM_find(c_sdb_name);
        if (MODULE_SDB.empty()) {
            qdx_printf("ERROR: can't find SDB file '%s' in default searching path.\n\n", sdb_name.c_str());
            failed = true;
        }
        if (MODULE_C_SDB.empty()) {
            qdx_printf("ERROR: can't find SDB file '%s' in default searching path.\n\n", c_sdb_name.c_str());
            failed = true;
        }
    }
    if (failed) qdx_exit(-1);
    qdx_printf("\n - Reading input files ...\n");
    if (!JTAG_OPTION[OPT_ADD_TAP_ONLY]) qdx_printf("    %s,  %s,\n", MODULE_SDB.c_str(), MODULE_C_SDB.c_str());
    qdx_printf("    %s,  %s.\n\n\n", JTAG_BSC_FILE.c_str(), JTAG_LIB_FILE.c_str());
    bsdft_init();
    get_bs_dft_file(JTAG_LIB_FILE.c_str(), JTAG_BSC_FILE.c_str(), 0);
    // The TAP instance name as configured, before a hierarchical path is
    // split: the connection files name it.
    if (!org_tap_instance_nameG && TAP_INSTANCE_NAME && *TAP_INSTANCE_NAME) org_tap_instance_nameG = qdx_strdup(TAP_INSTANCE_NAME);
    kest_check_hier_tap_ctrl_instance();
    check_scan_cells();
}
