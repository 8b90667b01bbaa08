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
    // Each input the run needs and the search path does not hold is named
    // before the run ends.
    // An input that is found must be a regular file: a FIFO would make the
    // run wait for ever, a device never end.
    auto require = [&failed](const std::string& found, const char* kind, const std::string& name) {
        if (found.empty()) {
            qdx_printf("ERROR: can't find %s file '%s' in default searching path.\n\n", kind, name.c_str());
            failed = true;
        } else if (std::string why; !FNM_regular_input(found.c_str(), &why) && why == FNM_NOT_REGULAR) {
            qdx_printf("ERROR: %s file '%s' is not a regular file.\n\n", kind, found.c_str());
            failed = true;
        }
    };
    require(JTAG_BSC_FILE, "BSC", TOP_MODULE + ".bsc");
    require(JTAG_LIB_FILE, "LIB", TOP_MODULE + ".lib");
    if (!JTAG_OPTION[OPT_ADD_TAP_ONLY]) {
        const std::string sdb_name = PATH + TOP_MODULE + ".sdb";
        const std::string c_sdb_name = PATH + TOP_MODULE + ".c.sdb";
        MODULE_SDB = FNM_find(sdb_name);
        MODULE_C_SDB = FNM_find(c_sdb_name);
        require(MODULE_SDB, "SDB", sdb_name);
        require(MODULE_C_SDB, "SDB", c_sdb_name);
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
