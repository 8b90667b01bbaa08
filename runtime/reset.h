// One call that returns every module of the runtime layer (strings,
// dynamic arrays, file names, resources, messages, commands, system
// information) to its start-up state.  The frame above has its own,
// FRAME_reset_globals.
#pragma once

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/output_file.h"
#include "runtime/rc.h"
#include "runtime/run_inputs.h"
#include "runtime/run_lock.h"
#include "runtime/str.h"
#include "runtime/sysinfo.h"

// The dynamic-array bookkeeping goes last: the modules before it free
// their arrays through it.
inline void RUNTIME_reset_globals() {
    RT_reset_exit_state();
    RT_reset_output_files();
    RT_reset_run_lock();
    RT_reset_run_inputs();
    RC_reset_globals();
    CMD_reset_globals();
    FNM_reset_globals();
    MSG_reset_globals();
    STR_reset_globals();
    SYSINFO_reset_globals();
    DYNA_reset_globals();
}
