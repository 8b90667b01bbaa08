// The runtime's exit: the exit hooks, the run's registered temporary
// files, then flush both streams and end the process (or throw in the
// fuzz build); and the handlers that clean up after a kill or a crash.
#include "runtime/exit.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
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

// Removes the registered files, then the folders (empty by then), that
// go at the exit, or every one when all is set.  System calls only.
void remove_registered_now(bool all) {
    for (bool folders : {false, true})
        for (const auto& [path, r] : registered())
            if (r.folder == folders && (all || r.when == RtRemove::AtExit))
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

// From a handler: the child, then every registered file.  The table is
// not given back.
void take_everything_down(int child_signal) {
    end_running_child(child_signal);
    take_table();
    remove_registered_now(true);
}

// Only async-signal-safe calls: kill, waitpid, unlink, rmdir, sigaction,
// raise.
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
        remove_registered_now(false);
        std::erase_if(registered(), [](const auto& entry) { return entry.second.when == RtRemove::AtExit; });
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
