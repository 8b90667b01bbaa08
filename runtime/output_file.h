// Output files written whole or not at all.
//
// An output is written under a temporary name beside its target and
// renamed over the target when complete, so that a failed or killed run
// never leaves a half-written file and a failed write leaves the old file
// as it was.  The temporary name is "." + name + ".tmp.XXXXXX" in the
// target's directory (six random characters); a name too long for that
// keeps its first part and a hash of the whole name instead, so that the
// temporary name fits the file system's limit whenever the target's name
// does.  While it is being written the temporary file is locked; when an
// output is opened again, temporaries of that target left by a run that
// was killed (no longer locked) are removed first.  Nothing else in the
// directory is touched.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// The longest file name that the directory takes (255 where the system
// does not say).
long RT_name_max(const std::string& dir);

// The folder of a path: its parent, or "." for a bare name.
std::string RT_directory_of(const std::string& path);

// The temporary-name template of a target (ending in "XXXXXX"), as
// mkstemp takes it.
std::string RT_temp_template(const std::string& target);

// Creates a new temporary file for target (read-write, closed on exec,
// locked, permissions of an ordinary new file), registered with the
// exit (runtime/exit.h) to be removed at the end of the run unless it is
// forgotten there.  Stale temporaries of the target are removed first.
// Returns the descriptor and sets temp, or -1 with errno set.
int RT_make_temp(const std::string& target, std::string& temp);

// Removes the temporaries of target that no live writer holds.
void RT_remove_stale_temps(const std::string& target);

// An output file written under a temporary name in its target directory
// and renamed over the target by commit().  A writer destroyed without a
// successful commit removes the temporary file and leaves the target as
// it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Opens the temporary file; false (with errno and error() set) when it
    // cannot.
    bool open(const char* mode = "w");
    FILE* stream() const { return stream_; }
    // True while every write so far succeeded.
    bool good() const;
    // Flushes and closes the temporary file; false when any write failed.
    bool finish();
    // finish(), then renames the temporary file over the target; false
    // when any step or earlier write failed (the target is then as it was).
    bool commit();
    const std::string& target() const { return target_; }
    const std::string& temp() const { return temp_; }
    // The error of the first step that failed (an errno value), 0 when
    // none did.
    int error() const { return error_; }
    // Its text ("No space left on device").
    std::string why() const;

private:
    friend bool RT_commit_all(const std::vector<AtomicFile*>& files, std::string* failed, std::string* why);
    void fail(int error);

    std::string target_;
    std::string temp_;
    FILE* stream_ = nullptr;
    int error_ = 0;
};

// Finishes every file, then renames each over its target: all or none.
// A file that fails to finish stops the commit before any target is
// replaced; a rename that fails puts the targets replaced before it back
// as they were.  A kill signal waits for the end of the renames
// (runtime/exit.h); one that came meanwhile puts the old files back too,
// and is then taken.  False, with the failed target and the reason (the
// first target and "Interrupted system call" after a kill that the
// process survives), when nothing was replaced.
bool RT_commit_all(const std::vector<AtomicFile*>& files, std::string* failed = nullptr, std::string* why = nullptr);

// One output of a save of several files: the file and what it holds.
struct RtOutput {
    std::string target;
    std::string_view text;
};
// How a save of several files ended.
enum class RtSaved {
    All,           // every target replaced
    NotOpened,     // a temporary file could not be made; nothing replaced
    NotCommitted,  // a write or a rename failed; nothing replaced
};
// Writes every text under a temporary name beside its target, then
// replaces the targets together (RT_commit_all).  Unless all were
// replaced: the target that failed and, after NotCommitted, the reason.
// No temporary file is left behind.
RtSaved RT_write_all(const std::vector<RtOutput>& outputs, std::string* failed, std::string* why);

// Copies a file to `to` through a temporary file beside it, replacing
// `to` only when the whole copy was written.  False with the reason (the
// system's error text) otherwise, and in `about` the path the reason is
// about: `from` when it could not be read, `to` when it could not be
// written or replaced.
bool RT_copy_file(const std::string& from, const std::string& to, std::string* why = nullptr,
                  std::string* about = nullptr);

// Forgets the directories listed for stale temporaries (tests, and a
// second run in one process).
void RT_reset_output_files();
