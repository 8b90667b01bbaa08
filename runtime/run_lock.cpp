// The folder lock of a run (runtime/run_lock.h).
#include "runtime/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/output_file.h"

namespace {

// The lock this process holds: its descriptor (-1 when none), the file's
// name and identity.
int held = -1;
std::string held_path;
dev_t held_dev = 0;
ino_t held_ino = 0;
// The lock file's folder when this run made it (empty otherwise): it goes
// with the lock file when the run left nothing else in it.
std::string made_folder;

// Removes the lock file when its name still names the file locked (never
// one that another run made after someone else removed this one), then
// lets the lock go.
void release() {
    if (held < 0) return;
    struct stat st {};
    if (::stat(held_path.c_str(), &st) == 0 && st.st_dev == held_dev && st.st_ino == held_ino)
        ::unlink(held_path.c_str());
    if (!made_folder.empty()) ::rmdir(made_folder.c_str());  // only when empty
    made_folder.clear();
    ::close(held);
    held = -1;
}

// The last step of a run's exit, after its files were settled: from here
// another run may take the folder.
void release_at_exit() { release(); }

// Why a lock file that has other names as well is not taken.
constexpr const char* kOtherNames = "it has another name too (a hard link)";

// The process id that the lock file holds, 0 when none.
long holder_of(int descriptor) {
    char text[32] = {};
    const ssize_t n = ::pread(descriptor, text, sizeof text - 1, 0);
    if (n <= 0) return 0;
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 ? pid : 0;
}

// True when the folder holds the one entry `name` and nothing else.
bool holds_only(const std::string& folder, const std::string& name) {
    std::error_code ec;
    int entries = 0;
    bool found = false;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        ++entries;
        found = found || it->path().filename() == name;
    }
    return !ec && entries == 1 && found;
}

RtLock failed(std::string* why, const char* reason, const std::string& made = "") {
    if (!made.empty()) ::rmdir(made.c_str());  // the folder made for a lock not taken
    if (why) *why = reason;
    return RtLock::Failed;
}

}  // namespace

RtLock RT_lock_folder(const std::string& path, long* holder, std::string* why) {
    if (holder) *holder = 0;
    if (held >= 0 && path == held_path) return RtLock::Taken;
    // A run that ended let the lock go after removing the file, so the
    // file just opened may be one that no longer has the name: then the
    // name is opened again.
    std::string made;  // the folder made here for the lock file
    const std::string folder = RT_directory_of(path);
    // A lock file that is there already was left by a run killed with
    // SIGKILL (every other end removes it).
    struct stat left {};
    const bool left_by_killed_run = ::lstat(path.c_str(), &left) == 0;
    // A kill waits until the lock file (and the folder made for it) is
    // registered to go with it.
    RtKillHold hold;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Not closed on exec: the tools the run starts hold the lock too.
        // A lock file made by another user may be read-only to this one;
        // a shared lock on it still excludes the other runs.
        int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0666);
        if (descriptor < 0 && errno == EACCES) descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW);
        if (descriptor < 0 && errno == ENOENT) {
            // The folder is made here when missing (another run may make
            // it at the same moment, which serves as well).
            if (::mkdir(folder.c_str(), 0777) == 0) {
                made = folder;
                continue;
            }
            // A name that is there but no folder (a link to a folder that
            // is missing) is said at once.
            struct stat st {};
            if (errno == EEXIST && ::stat(folder.c_str(), &st) != 0) return failed(why, std::strerror(errno));
            if (errno == EEXIST && !S_ISDIR(st.st_mode)) return failed(why, std::strerror(ENOTDIR));
            if (errno == EEXIST) continue;
        }
        if (descriptor < 0) return failed(why, std::strerror(errno), made);
        struct stat mine {};
        // A file of other names too (a hard link, a pin file say) is no
        // lock file: the process id written into it would replace its text.
        const char* reason = ::fstat(descriptor, &mine) != 0 ? std::strerror(errno)
                             : !S_ISREG(mine.st_mode)            ? FNM_NOT_REGULAR
                             : mine.st_nlink > 1                 ? kOtherNames
                                                                 : nullptr;
        if (reason) {
            ::close(descriptor);
            return failed(why, reason);
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK && holder) *holder = holder_of(descriptor);
            ::close(descriptor);
            return error == EWOULDBLOCK ? RtLock::Held : failed(why, std::strerror(error));
        }
        struct stat named {};
        if (::stat(path.c_str(), &named) != 0 || named.st_dev != mine.st_dev || named.st_ino != mine.st_ino) {
            ::close(descriptor);
            continue;
        }
        const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
        if (::ftruncate(descriptor, 0) == 0) {
            const ssize_t w = ::pwrite(descriptor, pid.data(), pid.size(), 0);
            (void)w;  // the pid only names the holder in a message
        }
        release();
        // The folder of a killed run's lock file that holds nothing else
        // goes at the end as if this run had made it: a run that writes
        // nothing there leaves the folder as a run in a clean folder does.
        if (made.empty() && left_by_killed_run && holds_only(folder, std::filesystem::path(path).filename().string()))
            made = folder;
        made_folder = made;
        held = descriptor;
        held_path = path;
        held_dev = mine.st_dev;
        held_ino = mine.st_ino;
        // A kill or a crash removes the file with the run's other files;
        // the exit removes it after them.
        RT_remove_at_end(path, RtRemove::WhenKilled);
        if (!made_folder.empty()) RT_remove_folder_at_end(made_folder, RtRemove::WhenKilled);
        static const bool released_at_exit = std::atexit(release_at_exit) == 0;
        (void)released_at_exit;
        return RtLock::Taken;
    }
    return failed(why, std::strerror(EAGAIN));
}

void RT_reset_run_lock() {
    if (held >= 0) RT_forget(held_path);
    if (!made_folder.empty()) RT_forget(made_folder);
    release();
    held_path.clear();
}
