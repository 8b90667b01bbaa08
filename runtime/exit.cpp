// The runtime's exit: the exit hooks, the run's registered temporary
// files, then flush both streams and end the process (or throw in the
// fuzz build); and the handlers that clean up after a kill or a crash.
#include "runtime/exit.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kKillSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr int kCrashSignals[] = {SIGSEGV, SIGFPE, SIGABRT, SIGBUS};
// The signals of a write that cannot be done, which the run ignores so
// that the write fails instead.
constexpr int kWriteSignals[] = {SIGPIPE, SIGXFSZ};

sigset_t kill_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kKillSignals) sigaddset(&set, s);
    return set;
}

struct Registered {
    RtRemove when;
    bool folder;
};

// The registered files.  A kill may arrive in any thread, a crash or an
// allocation that fails may come in the middle of a change of the table:
// the table is changed only with the kill signals held back in the
// changing thread and under a spin lock, which the handlers take too (and
// never give back, since the process ends) unless their thread holds it
// already, so that a handler never reads it half changed by another
// thread.  The table's own changes allocate before they change anything,
// so that a failed allocation finds it whole.
std::unordered_map<std::string, Registered>& registered() {
    static std::unordered_map<std::string, Registered> files;
    return files;
}
std::atomic_flag table_busy = ATOMIC_FLAG_INIT;
thread_local int table_depth = 0;  // how often this thread holds the table
std::atomic<pid_t> running_child{0};
std::vector<void (*)(int&)> exit_hooks;
volatile sig_atomic_t in_forked_child = 0;

// The write signals this process turned from their default action.
sigset_t write_signals_ignored;
bool write_signals_known = false;

// The save of several files whose renames are under way: its targets,
// published whole (count first) before the list.
std::atomic<const RtJointRename*> joint_list{nullptr};
std::atomic<std::size_t> joint_count{0};

// Puts back the old files of a save of several files cut short during
// its renames: a target whose temporary file is gone took the new file,
// and gets its old one again from its second name (or goes, when it had
// none).  The second names of targets not yet replaced are registered
// temporaries and go with the rest.  System calls only.
void put_back_joint_rename() {
    const RtJointRename* list = joint_list.exchange(nullptr);
    if (!list) return;
    const std::size_t n = joint_count.load();
    for (std::size_t i = 0; i < n; ++i) {
        const RtJointRename& r = list[i];
        if (::access(r.temp, F_OK) == 0) continue;
        if (r.backup)
            ::rename(r.backup, r.target);
        else
            ::unlink(r.target);
    }
}

// Why what was written to standard output was lost, as far as the
// descriptor shows without writing to it again.
int lost_output_reason() {
    struct stat st{};
    if (::fstat(STDOUT_FILENO, &st) != 0) return errno;
    // Standard output was closed when the run began (keep_standard_descriptors).
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY) return EBADF;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        pollfd p{STDOUT_FILENO, POLLOUT, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLERR | POLLHUP))) return EPIPE;
    } else if (S_ISREG(st.st_mode)) {
        rlimit limit{};
        if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
            static_cast<rlim_t>(st.st_size) >= limit.rlim_cur)
            return EFBIG;
        struct statvfs space{};
        if (::fstatvfs(STDOUT_FILENO, &space) == 0 && space.f_bavail == 0) return ENOSPC;
    }
    return EIO;
}

void take_table() {
    if (table_depth++ > 0) return;
    while (table_busy.test_and_set(std::memory_order_acquire)) {
    }
}

void give_table() {
    if (--table_depth == 0) table_busy.clear(std::memory_order_release);
}

class TableLock {
public:
    TableLock() { take_table(); }
    ~TableLock() { give_table(); }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    RtKillHold hold_;  // made before the table is taken, ended after it is given back
};

// Whether a registered file goes at an exit that succeeds or fails.
bool goes_at_exit(RtRemove when, bool failed) {
    return when == RtRemove::AtExit || (failed && when == RtRemove::IfFailed);
}

// Removes the registered files, then the folders (empty by then), that
// go at an exit that succeeds or fails, or every one when all is set.
// System calls only.
void remove_registered_now(bool all, bool failed = true) {
    for (bool folders : {false, true})
        for (const auto& [path, r] : registered())
            if (r.folder == folders && (all || goes_at_exit(r.when, failed)))
                folders ? ::rmdir(path.c_str()) : ::unlink(path.c_str());
}

// Ends the running child with the signal and waits for it.
void end_running_child(int sig) {
    const pid_t child = running_child.load();
    if (child <= 0) return;
    ::kill(child, sig);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// From a handler: the child, the old files of a save cut short, then
// every registered file.  The table is not given back.
void take_everything_down(int child_signal) {
    end_running_child(child_signal);
    put_back_joint_rename();
    take_table();
    remove_registered_now(true);
}

// Only async-signal-safe calls: kill, waitpid, access, rename, unlink,
// rmdir, sigaction, raise.
void on_kill(int sig) {
    take_everything_down(sig);
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::raise(sig);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::_exit(128 + sig);
}

// The text of RT_install_crash_handler, kept in a plain buffer set before
// installation.
char* crash_text = nullptr;
size_t crash_length = 0;

void print_and_end(int) {
    if (crash_text) RT_write_from_handler(STDERR_FILENO, crash_text, crash_length);
    RT_end_at_once(-1);
}

// Maps an alternate signal stack and gives it to the calling thread;
// null when none could be mapped.  The stack is mapped rather than
// allocated: a forked child has the other threads' stacks without their
// threads, and holds no heap block of theirs so.
void* give_crash_stack(size_t size) {
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    stack_t ss{};
    ss.ss_sp = memory;
    ss.ss_size = size;
    if (::sigaltstack(&ss, nullptr) == 0) return memory;
    ::munmap(memory, size);
    return nullptr;
}

// Room for a handler's writes, renames and waits.
// A standard descriptor closed when the run began would be the number
// of the first file the run opens, and what the run prints would go into
// that file (its report, a lock file).  Each closed one is opened on
// /dev/null, standard output and standard error read-only, so that a
// write to them fails as to a closed descriptor (EBADF).
void keep_standard_descriptors() {
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) >= 0 || errno != EBADF) continue;
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened >= 0 && opened != descriptor) {
            ::dup2(opened, descriptor);
            ::close(opened);
        }
    }
}

size_t crash_stack_size() { return static_cast<size_t>(std::max(::sysconf(_SC_SIGSTKSZ), 64L * 1024)); }

}  // namespace

RtCrashStack::RtCrashStack() : size_(crash_stack_size()), memory_(give_crash_stack(size_)) {}

RtCrashStack::~RtCrashStack() {
    if (!memory_) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
    ::munmap(memory_, size_);
}

void qdx_exit(int status) {
    if (in_forked_child) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(status);
    }
    for (void (*hook)(int&) : exit_hooks) hook(status);
    {
        TableLock lock;
        put_back_joint_rename();
        const bool failed = status != 0;
        remove_registered_now(false, failed);
        // The results of a run that succeeded are its outputs now.
        std::erase_if(registered(), [](const auto& entry) {
            return entry.second.when == RtRemove::AtExit || entry.second.when == RtRemove::IfFailed;
        });
    }
    if (RT_standard_output_lost()) {
        std::fprintf(stderr, "ERROR: can't write to standard output: %s.\n", std::strerror(lost_output_reason()));
        if (status == 0) status = -1;
    }
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef KEST_FUZZ
    throw QdxExit{status};
#else
    std::exit(status);
#endif
}

void RT_end_at_once(int status) {
    take_everything_down(SIGTERM);
    ::_exit(status);
}

void RT_add_exit_hook(void (*hook)(int& status)) {
    if (std::find(exit_hooks.begin(), exit_hooks.end(), hook) == exit_hooks.end()) exit_hooks.push_back(hook);
}

void RT_remove_at_end(const std::string& path, RtRemove when) {
    TableLock lock;
    registered()[path] = Registered{when, false};
}

void RT_remove_folder_at_end(const std::string& path, RtRemove when) {
    TableLock lock;
    registered()[path] = Registered{when, true};
}

void RT_forget(const std::string& path) {
    TableLock lock;
    registered().erase(path);
}

void RT_set_running_child(pid_t pid) { running_child.store(pid); }

bool RT_standard_output_lost() { return std::fflush(stdout) != 0 || std::ferror(stdout) != 0; }

void RT_begin_joint_rename(const RtJointRename* renames, std::size_t count) {
    joint_count.store(count);
    joint_list.store(renames);
}

void RT_end_joint_rename() { joint_list.store(nullptr); }

RtKillHold::RtKillHold() {
    const sigset_t kills = kill_signals();
    pthread_sigmask(SIG_BLOCK, &kills, &before_);
}

RtKillHold::~RtKillHold() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

bool RtKillHold::kill_waiting() const {
    sigset_t waiting;
    if (sigpending(&waiting) != 0) return false;
    for (int s : kKillSignals)
        if (sigismember(&waiting, s) == 1) return true;
    return false;
}

void RT_install_kill_cleanup() {
    keep_standard_descriptors();
    registered();  // made now: the handler must not be the first to touch it
    struct sigaction sa{};
    sa.sa_handler = on_kill;
    sa.sa_mask = kill_signals();
    for (int s : kKillSignals) {
        // A signal the run was started to ignore (nohup, a background
        // shell job) stays ignored.
        struct sigaction old{};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &sa, nullptr);
    }
    if (!write_signals_known) {
        sigemptyset(&write_signals_ignored);
        write_signals_known = true;
    }
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int s : kWriteSignals) {
        struct sigaction old{};
        if (::sigaction(s, &ignore, &old) == 0 && old.sa_handler == SIG_DFL) sigaddset(&write_signals_ignored, s);
    }
}

sigset_t RT_signals_to_default() {
    sigset_t set;
    sigemptyset(&set);
    if (write_signals_known) set = write_signals_ignored;
    return set;
}

void RT_on_crash(void (*handler)(int)) {
    registered();
    // The thread that installs the handler keeps its stack for the rest of
    // the process.
    static void* const installer_stack = give_crash_stack(crash_stack_size());
    (void)installer_stack;
    struct sigaction sa{};
    sa.sa_handler = handler;
    sa.sa_flags = SA_ONSTACK;
    // A kill during the crash's own cleanup waits for its end.
    sa.sa_mask = kill_signals();
    for (int s : kCrashSignals) ::sigaction(s, &sa, nullptr);
}

void RT_install_crash_handler(const std::string& text) {
    std::free(crash_text);
    crash_text = static_cast<char*>(std::malloc(text.size() + 1));
    crash_length = 0;
    if (crash_text) {
        std::memcpy(crash_text, text.c_str(), text.size() + 1);
        crash_length = text.size();
    }
    RT_on_crash(print_and_end);
}

void RT_write_from_handler(int descriptor, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t w = ::write(descriptor, text, length);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        text += w;
        length -= static_cast<std::size_t>(w);
    }
}

void RT_enter_forked_child() {
    RT_reset_exit_state();
    in_forked_child = 1;
}

bool RT_in_forked_child() { return in_forked_child != 0; }

void RT_reset_exit_state() {
    {
        TableLock lock;
        registered().clear();
    }
    running_child.store(0);
    exit_hooks.clear();
}
