// Facts of the boundary-scan insertion that the TAP side reads: the files
// in use, what the configured boundary cells need of the TAP, and where the
// TAP sits.
#pragma once

#include <string>

// Configuration and cell-library files in use, for messages ("" when none).
extern std::string JTAG_BSC_FILE;
extern std::string JTAG_LIB_FILE;
// The same, as the messages' printf arguments take them.
inline const char* bsc_file() { return JTAG_BSC_FILE.c_str(); }
inline const char* lib_file() { return JTAG_LIB_FILE.c_str(); }
// 1 when some configured boundary cell needs that TAP output.
extern int BCELL_UPDATE_DR;
extern int BCELL_HIGHZ;
extern int BCELL_RST;
extern int BCELL_MODE1;
extern int BCELL_MODE2;
extern int BCELL_MODE3;
// The largest number of EXTRA pins of a configured boundary cell.
extern int BCELL_EXTRA;
// 1 when the TDO pad's enable is active low.
extern int TDO_EN_LOW;
// 1 when the TAP instance sits in a sub-module of the design.
extern int kest_hier_tap_ctrlG;

// Which of MODE_1, MODE_2, MODE_3 of TAP_CONTR (each only when present)
// equals its HIGHZ_COMMAND ignoring case: 1, 2 or 3 for the first, 0 for
// none (also without TAP_CONTR or HIGHZ_COMMAND).
int check_hiz_signal();

// Returns the globals above to their start-up values.
void BSCAN_FACTS_reset_globals();
