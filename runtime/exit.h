// The one way the programs end, and what the end of a run takes with it.
//
// A run's own temporary files (an output being written under its
// temporary name, the working copy of a design between its copy and its
// move, the log of a tool while the tool runs) and folders are registered
// here while they exist.  A run that ends through qdx_exit removes the
// registered files that are to go at the exit; a run ended by a signal
// (after RT_install_kill_cleanup) first ends the outside program it is
// running, then removes every registered file, then dies of the signal;
// a run that crashes (after RT_on_crash) does the same and ends with
// status 255.
//
// The kill signals are SIGHUP, SIGINT, SIGQUIT and SIGTERM.  Only the
// thread that runs the program takes them: the runtime's worker threads
// start with them held back (runtime/workers.h), so that a step that
// holds them (RtKillHold) knows that no kill is handled meanwhile.
//
// The signals by which the system answers a write it cannot do (SIGPIPE:
// the reader of a pipe or socket has gone; SIGXFSZ: a file would grow
// beyond the file-size limit) are ignored once the kill cleanup is
// installed: the write fails instead (EPIPE, EFBIG), and the run ends
// through its own error road, or, when only standard output was lost,
// finishes its files and fails at its exit (qdx_exit).
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

// Runs the exit hooks (each may turn a status of 0 into a failure),
// removes the files registered to go at the exit (and, when the status is
// not 0 then, the run's results: RtRemove::IfFailed), flushes standard
// output and standard error and ends the process with the status (-1 is
// seen by the shell as 255).  When something written to standard output
// was lost (its reader gone, a full disk, the file-size limit, a closed
// descriptor), "ERROR: can't write to standard output: <why>." goes to
// standard error and a status of 0 becomes -1: the run's files are
// written, but what it had to say did not arrive.
//
// In a child of RT_run_forked it only flushes the two streams and ends
// the child: the registered files, the hooks and whatever the exit
// functions of the process would close are the parent's.
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

// Ends the process at once with the status, from where qdx_exit cannot
// be used (a signal handler, a failure on the way out): the running child
// is ended (SIGTERM) and waited for, every registered file and folder is
// removed, and the process ends with _exit.  Only async-signal-safe calls
// are made.
[[noreturn]] void RT_end_at_once(int status);

// A function that qdx_exit calls first, with the status it will end
// with; it may change the status.  Each function is added once however
// often it is given.
void RT_add_exit_hook(void (*hook)(int& status));

// When a registered file goes.
enum class RtRemove {
    AtExit,      // at qdx_exit (it was never finished) and when killed
    WhenKilled,  // only when the run is killed (a file that the exit itself settles)
    IfFailed,    // a result of the run: at an exit whose status (after the
                 // hooks) is not 0, when killed and after a crash, so that
                 // a run that fails leaves no result; kept by an exit with 0
};

// Registers a file of this run to be removed as said above; registering
// it again changes when.  RT_forget takes it off again (it was renamed,
// moved or removed, or it is to stay).
void RT_remove_at_end(const std::string& path, RtRemove when = RtRemove::AtExit);
void RT_forget(const std::string& path);
// Registers a folder of this run in the same way.  A folder is removed
// after the files, and only when it is empty then: the files the run
// puts in it are registered too.
void RT_remove_folder_at_end(const std::string& path, RtRemove when = RtRemove::AtExit);

// The outside program being run, which a kill ends first (0: none).
void RT_set_running_child(pid_t pid);

// True when something written to standard output so far was lost (after
// a flush): for a program whose own status of a failure is not -1.
bool RT_standard_output_lost();

// One target of a save of several files (RT_commit_all): the temporary
// file that is to take its name, and the second name under which its old
// file is kept meanwhile (null when it had none).
struct RtJointRename {
    const char* temp;
    const char* target;
    const char* backup;
};
// Marks the renames of such a save as under way, until
// RT_end_joint_rename: an end by a kill, a crash or the exit meanwhile
// first puts the old files back (each target whose temporary file has
// taken its name gets its old file again, or is removed when it had
// none), before the registered files, the second names among them, are
// removed.  The array must stay as it is until the end is marked.  One
// save at a time.
void RT_begin_joint_rename(const RtJointRename* renames, std::size_t count);
void RT_end_joint_rename();

// Holds the kill signals back in the calling thread while it lives: a
// kill that arrives meanwhile waits, and is taken when the hold ends.
// Holds nest.
class RtKillHold {
public:
    RtKillHold();
    ~RtKillHold();
    RtKillHold(const RtKillHold&) = delete;
    RtKillHold& operator=(const RtKillHold&) = delete;

    // True when a kill signal waits to be taken.
    bool kill_waiting() const;
    // The thread's signal mask from before the hold (the mask a child
    // made meanwhile starts with).
    const sigset_t& mask_before() const { return before_; }

private:
    sigset_t before_;
};

// Installs handlers of the kill signals that end the running child with
// the same signal and wait for it, remove every registered file, and end
// the process by the signal; and ignores SIGPIPE and SIGXFSZ (above).
// Called first thing in a run (before it opens a file): a standard
// descriptor that was closed is opened on /dev/null, standard output and
// standard error read-only, so that no file of the run takes its number
// and what is printed to a closed standard output is lost as such
// ("Bad file descriptor" at the exit).
void RT_install_kill_cleanup();
// The signals that a program this process starts must get back at their
// default action: SIGPIPE and SIGXFSZ when RT_install_kill_cleanup turned
// them from it.
sigset_t RT_signals_to_default();

// Installs handler for the crash signals SIGSEGV, SIGFPE, SIGABRT and
// SIGBUS.  The handler must be async-signal-safe and end the process,
// after what it has to say, through RT_end_at_once.  It runs on an
// alternate signal stack, so that a stack that overflowed ends the run as
// any other crash does: the thread that installs it gets one here for the
// rest of the process, other threads hold an RtCrashStack.
void RT_on_crash(void (*handler)(int));
// An alternate signal stack for the crash handler, the calling thread's
// while the object lives (made and destroyed by that thread; none when
// it cannot be mapped).  The runtime's worker threads hold one each.
class RtCrashStack {
public:
    RtCrashStack();
    ~RtCrashStack();
    RtCrashStack(const RtCrashStack&) = delete;
    RtCrashStack& operator=(const RtCrashStack&) = delete;

private:
    size_t size_;
    void* memory_;
};
// A crash handler of that kind: writes the text to standard error and
// ends the process at once with status 255.
void RT_install_crash_handler(const std::string& text);
// Writes the text to the descriptor with write(2) alone, for handlers.
void RT_write_from_handler(int descriptor, const char* text, std::size_t length);

// For a child made by fork that runs a piece of this run and then ends
// (RT_run_forked): forgets the parent's registered files, hooks and
// running child, and makes qdx_exit end the child without touching them.
void RT_enter_forked_child();
// True in such a child.
bool RT_in_forked_child();

// Forgets every registered file and hook (tests).
void RT_reset_exit_state();
