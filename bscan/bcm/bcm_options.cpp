// The options and extra TAP pins of the -add_bcm road (see bcm_options.h).
#include "bscan/bcm/bcm_options.h"

#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"

bool bcm_has_idcode_port() { return tap_has_idcode_port(); }

const char* bcm_idcode_port() { return "IDCODE"; }

std::string bcm_idcode_declaration() {
    if (!bcm_has_idcode_port()) return "";
    return STR_format("%-10s [31:0] %s;\n\n", "input", bcm_idcode_port());
}

std::vector<int> bcm_extra_loads(const std::vector<const BcmCell*>& cells) {
    std::vector<int> loads(static_cast<size_t>(DYNA_count(TAP_EXTRA_PIN)), 0);
    for (const BcmCell* c : cells)
        for (size_t k = 0; k < loads.size(); ++k)
            if (bcm_extra_pin(*c->cell, k)) ++loads[k];
    return loads;
}

std::string bcm_extra_stem(size_t k) { return STR_format("extra%zu", k + 1); }

std::string bcm_extra_port(const std::string& group, size_t k) {
    return STR_format("%s_%s_EXTRA%zu", TOP_MODULE.c_str(), group.c_str(), k + 1);
}

const char* bcm_extra_pin(const ScanCellEntry& cell, size_t k) {
    if (!cell.extra || static_cast<int>(k) >= DYNA_count(cell.extra)) return nullptr;
    const char* pin = cell.extra[k];
    return pin && *pin ? pin : nullptr;
}

GroupSizeList bcm_group(int loads, bool chained_by_df_speed) {
    const int size = TAP_CONTR ? TAP_CONTR->group_size : -1;
    if (!JTAG_OPTION[OPT_DF_SPEED] || !chained_by_df_speed) return bs_group(loads, size >= 1 ? size : loads);
    // Without a group size one leaf still takes every load.
    return bs_dfspeed(loads, size >= 1 ? size : loads + 1);
}

void bcm_check_group_size() {
    if (!JTAG_OPTION[OPT_DF_SPEED] || !TAP_CONTR || TAP_CONTR->group_size != 1) return;
    qdx_exit_printf(-1, "ERROR: (%s) %%GROUP_SIZE 1 of %%TAP_CONTROLLER %s leaves a buffer no load under -df_speed;\n"
                        "       it must be at least 2.\n\n",
                    JTAG_LIB_FILE.c_str(), TAP_CONTR->name ? TAP_CONTR->name : "");
}
