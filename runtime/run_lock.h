// A run's hold on the folder it works in.
//
// Two runs in one folder would share the fixed names they write there
// (working copies, tool logs, edited designs), and each could end with
// files of the other.  A run takes the folder's lock file for its whole
// length; a second run that finds it held is refused.
//
// The lock is flock(2) on the lock file: the system releases it when the
// last process that holds it ends, however it ends, so a run killed with
// SIGKILL leaves no lock behind (its lock file may stay: it holds nothing,
// and the next run takes it over, and removes it at its end with the
// folder when nothing else is left in it).  The outside programs a run starts
// inherit the lock: a tool that runs on after its run was killed keeps
// the folder until it ends too.  The file holds the process id of the
// run that holds it, for the message of the run refused, and goes when
// the run ends (the last step of the exit, or a kill signal).
#pragma once

#include <string>

enum class RtLock {
    Taken,   // this run holds the folder
    Held,    // another live run holds it
    Failed,  // the lock file could not be made or locked
};

// Takes the lock file `path` (made when missing), without waiting.  Held:
// *holder is the process id the file holds (0 when it holds none yet).
// Failed: *why is the system's reason (a folder of the lock file that is
// missing and can't be made: "Not a directory" where a file or a link to
// nothing has its name), or why the file is no lock file (not a regular
// file; a hard link, whose other names would get the process id).  A
// second call for the same file
// in one process finds it Taken.
RtLock RT_lock_folder(const std::string& path, long* holder, std::string* why);

// Releases the lock and removes its file (tests, and a second run in one
// process).
void RT_reset_run_lock();
