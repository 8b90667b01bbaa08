// The runtime's exit: the exit hooks, the run's registered temporary
// files, then flush both streams and end the process (or throw in the
// fuzz build); and the handlers that clean up after a kill.
#include "runtime/exit.h"

#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kKillSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// The registered files.  A kill may arrive in any thread: the table is
// changed only with the kill signals blocked in the changing thread and
// under a spin lock, which the handler takes too (and never gives back,
// since the process ends), so that the handler never reads it half
// changed.
std::unordered_map<std::string, RtRemove>& registered() {
    static std::unordered_map<std::string, RtRemove> files;
    return files;
}
std::atomic_flag table_busy = ATOMIC_FLAG_INIT;
std::atomic<pid_t> running_child{0};
std::vector<void (*)(int&)> exit_hooks;

class TableLock {
public:
    TableLock() {
        sigset_t block;
        sigemptyset(&block);
        for (int s : kKillSignals) sigaddset(&block, s);
        pthread_sigmask(SIG_BLOCK, &block, &old_);
        while (table_busy.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~TableLock() {
        table_busy.clear(std::memory_order_release);
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    sigset_t old_;
};

void remove_registered(bool killed) {
    std::vector<std::string> doomed;
    {
        TableLock lock;
        for (auto it = registered().begin(); it != registered().end();) {
            if (killed || it->second == RtRemove::AtExit) {
                doomed.push_back(it->first);
                it = registered().erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const std::string& path : doomed) ::unlink(path.c_str());
}

// Only async-signal-safe calls: kill, waitpid, unlink, sigaction, raise.
void on_kill(int sig) {
    const pid_t child = running_child.load();
    if (child > 0) {
        ::kill(child, sig);
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    while (table_busy.test_and_set(std::memory_order_acquire)) {
    }
    for (const auto& [path, when] : registered()) ::unlink(path.c_str());
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

}  // namespace

void qdx_exit(int status) {
    for (void (*hook)(int&) : exit_hooks) hook(status);
    remove_registered(false);
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef KEST_FUZZ
    throw QdxExit{status};
#else
    std::exit(status);
#endif
}

void RT_add_exit_hook(void (*hook)(int& status)) {
    if (std::find(exit_hooks.begin(), exit_hooks.end(), hook) == exit_hooks.end()) exit_hooks.push_back(hook);
}

void RT_remove_at_end(const std::string& path, RtRemove when) {
    TableLock lock;
    registered()[path] = when;
}

void RT_forget(const std::string& path) {
    TableLock lock;
    registered().erase(path);
}

void RT_set_running_child(pid_t pid) { running_child.store(pid); }

void RT_install_kill_cleanup() {
    registered();  // made now: the handler must not be the first to touch it
    struct sigaction sa{};
    sa.sa_handler = on_kill;
    sigemptyset(&sa.sa_mask);
    for (int s : kKillSignals) sigaddset(&sa.sa_mask, s);
    for (int s : kKillSignals) {
        // A signal the run was started to ignore (nohup, a background
        // shell job) stays ignored.
        struct sigaction old{};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &sa, nullptr);
    }
}

void RT_reset_exit_state() {
    {
        TableLock lock;
        registered().clear();
    }
    running_child.store(0);
    exit_hooks.clear();
}
