// The one reset of kestrand: returns every layer the program uses (its
// command line, the insertion with its command-file writers, the menu
// editor, the TAP side with the run's options and names, the
// scan-language front end and object model read for the BIST files, the
// descriptions, the design database, the frame with its report, the
// runtime) to its start-up state, as a test or a second run in one
// process needs.
#pragma once

#include "bscan/bscan.h"
#include "desc/tables.h"
#include "guideline/guideline.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "kestrand/jtag_cmd.h"
#include "runtime/frame/frame.h"
#include "runtime/reset.h"
#include "scanlang/front/front.h"
#include "scanlang/object/scan_interface.h"
#include "sdb/sdb.h"

inline void KESTRAND_reset_globals() {
    JTAG_CMD_reset_globals();
    BSCAN_reset_globals();
    GUIDELINE_reset_globals();
    JTAG_TAP_reset_globals();
    JTAG_RUN_reset_globals();
    SCANLANG_reset_globals();
    DESC_reset_globals();
    SDB_reset_globals();
    FRAME_reset_globals();
    RUNTIME_reset_globals();
}
