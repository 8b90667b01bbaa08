// The storage of the insertion facts that the TAP side reads, and their
// reset.
#include "jtag/insertion_facts.h"

#include "jtag/tap.h"
#include "runtime/str.h"

std::string JTAG_BSC_FILE;
std::string JTAG_LIB_FILE;
int BCELL_UPDATE_DR = 0;
int BCELL_HIGHZ = 0;
int BCELL_RST = 0;
int BCELL_MODE1 = 0;
int BCELL_MODE2 = 0;
int BCELL_MODE3 = 0;
int BCELL_EXTRA = 0;
int TDO_EN_LOW = 0;
int kest_hier_tap_ctrlG = 0;

int check_hiz_signal() {
    if (!TAP_CONTR || !TAP_CONTR->highz_command) return 0;
    const char* modes[] = {TAP_CONTR->mode1, TAP_CONTR->mode2, TAP_CONTR->mode3};
    for (int i = 0; i < 3; ++i)
        if (modes[i] && STR_ucomp(modes[i], TAP_CONTR->highz_command) == 0) return i + 1;
    return 0;
}

void BSCAN_FACTS_reset_globals() {
    JTAG_BSC_FILE.clear();
    JTAG_LIB_FILE.clear();
    BCELL_UPDATE_DR = BCELL_HIGHZ = BCELL_RST = 0;
    BCELL_MODE1 = BCELL_MODE2 = BCELL_MODE3 = 0;
    BCELL_EXTRA = 0;
    TDO_EN_LOW = 0;
    kest_hier_tap_ctrlG = 0;
}
