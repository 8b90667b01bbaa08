// The one way the programs end, and what the end of a run takes with it.
//
// A run's own temporary files (an output being written under its
// temporary name, the working copy of a design between its copy and its
// move, the log of a tool while the tool runs) are registered here while
// they exist.  A run that ends through qdx_exit removes the registered
// files that are to go at the exit; a run ended by a signal (after
// RT_install_kill_cleanup) first ends the outside program it is running,
// then removes every registered file, then dies of the signal.
#pragma once

#include <sys/types.h>

#include <string>

// Runs the exit hooks (each may turn a status of 0 into a failure),
// removes the files registered to go at the exit, flushes standard
// output and standard error and ends the process with the status (-1 is
// seen by the shell as 255).
//
// In the fuzz build (KEST_FUZZ) the run does not end the process: the
// call throws QdxExit instead, so that a fuzz target can take the next
// input after a reader has refused one.
[[noreturn]] void qdx_exit(int status);

#ifdef KEST_FUZZ
struct QdxExit {
    int status;
};
#endif

// A function that qdx_exit calls first, with the status it will end
// with; it may change the status.  Each function is added once however
// often it is given.
void RT_add_exit_hook(void (*hook)(int& status));

// When a registered file goes.
enum class RtRemove {
    AtExit,      // at qdx_exit (it was never finished) and when killed
    WhenKilled,  // only when the run is killed (a file that the exit itself settles)
};

// Registers a file of this run to be removed as said above; registering
// it again changes when.  RT_forget takes it off again (it was renamed,
// moved or removed, or it is to stay).
void RT_remove_at_end(const std::string& path, RtRemove when = RtRemove::AtExit);
void RT_forget(const std::string& path);

// The outside program being run, which a kill ends first (0: none).
void RT_set_running_child(pid_t pid);

// Installs handlers of SIGHUP, SIGINT, SIGQUIT and SIGTERM that end the
// running child with the same signal and wait for it, remove every
// registered file, and end the process by the signal.
void RT_install_kill_cleanup();

// Forgets every registered file and hook (tests).
void RT_reset_exit_state();
