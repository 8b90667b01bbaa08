// The storage of the run's options and names (jtag/jtag.h), and the
// names of the run's files made from them.
#include "jtag/jtag.h"

int JTAG_OPTION[JTAG_OPTION_COUNT] = {};
std::string OPATH;
std::string BSCAN_OPATH;
std::string TOP_MODULE;
std::string PATH;
std::string MODULE_SDB;
std::string MODULE_C_SDB;

std::string kest_output_file(const std::string& name) { return JTAG_OPTION[OPT_OPATH] ? OPATH + "/" + name : name; }

std::string kest_edit_file(const std::string& name) { return BSCAN_OPATH + "/" + name; }

std::string kest_edited_top() { return TOP_MODULE + "_jtag"; }

void JTAG_RUN_reset_globals() {
    for (int& o : JTAG_OPTION) o = 0;
    OPATH.clear();
    BSCAN_OPATH.clear();
    TOP_MODULE.clear();
    PATH.clear();
    MODULE_SDB.clear();
    MODULE_C_SDB.clear();
}
