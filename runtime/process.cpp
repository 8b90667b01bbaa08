// Outside programs run with an argument vector, and pieces of the run in
// a child process.
#include "runtime/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/exit.h"

extern char** environ;

namespace {

// Why a program could not be started, as one line.
std::string start_failure(const std::string& program, int error) {
    std::string text = program + ": cannot be started: " + std::strerror(error);
    if (program.find('/') == std::string::npos) {
        const char* path = std::getenv("PATH");
        text += path ? " (searched along PATH=" + std::string(path) + ")" : std::string(" (PATH is not set)");
    }
    return text + "\n";
}

// Adds the text to the log; a log that cannot be opened stays as it is.
void append_to_log(const std::string& log_path, const std::string& text) {
    if (log_path.empty()) return;
    const int fdesc = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fdesc < 0) return;
    ssize_t w = ::write(fdesc, text.data(), text.size());
    (void)w;
    ::close(fdesc);
}

// Waits for the child to end and takes its exit status (-1 when it was
// killed).  The child is the running one until it has been waited for:
// it is reaped only with the kill signals held back, so that a kill never
// goes to a process id that is no longer the child's.
int wait_for_child(pid_t pid) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    RtKillHold hold;
    int st = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(pid, &st, 0)) < 0 && errno == EINTR) {
    }
    RT_set_running_child(0);
    return reaped == pid && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// Starts argv with the given file actions (our own streams flushed first)
// and waits for it.  Returns its exit status, or -1 when it was killed or
// could not be started (then *spawn_error holds posix_spawnp's error).
int spawn_and_wait(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* fa, int* spawn_error) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = 0;
    {
        // A kill during the start is taken once the child is known, and
        // ends it; the child itself starts with the mask from before, and
        // with the write signals that this run ignores at their default.
        RtKillHold hold;
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setsigmask(&attr, &hold.mask_before());
        const sigset_t to_default = RT_signals_to_default();
        posix_spawnattr_setsigdefault(&attr, &to_default);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        *spawn_error = posix_spawnp(&pid, args[0], fa, &attr, args.data(), environ);
        posix_spawnattr_destroy(&attr);
        if (*spawn_error != 0) return -1;
        RT_set_running_child(pid);
    }
    return wait_for_child(pid);
}

}  // namespace

int RT_run(const std::vector<std::string>& argv, const std::string& log_path, bool append, std::string* start_error) {
    if (start_error) start_error->clear();
    if (argv.empty()) return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    const char* out = log_path.empty() ? "/dev/null" : log_path.c_str();
    int flags = O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_addopen(&fa, 1, out, flags, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    int spawn_error = 0;
    // A log begun anew belongs to this run: a kill takes it away, also
    // after the program ended and before the caller has removed the log
    // or kept it (an error exit keeps it).
    if (!append && !log_path.empty()) RT_remove_at_end(log_path, RtRemove::WhenKilled);
    const int status = spawn_and_wait(argv, &fa, &spawn_error);
    posix_spawn_file_actions_destroy(&fa);
    if (spawn_error != 0) {
        const std::string why = start_failure(argv[0], spawn_error);
        append_to_log(log_path, why);
        if (start_error) *start_error = why;
    }
    return status;
}

std::string RT_cannot_start(const std::string& program) {
    auto runnable = [](const std::string& path) {
        struct stat st{};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (program.find('/') != std::string::npos)
        return runnable(program) ? std::string() : start_failure(program, ::access(program.c_str(), F_OK) == 0 ? EACCES : ENOENT);
    // Without PATH, the search of posix_spawnp takes the system's default.
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/bin:/usr/bin";
    int error = ENOENT;
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > at ? dirs.substr(at, end - at) : ".";
        const std::string candidate = dir + "/" + program;
        if (runnable(candidate)) return {};
        if (::access(candidate.c_str(), F_OK) == 0) error = EACCES;
        at = end + 1;
    }
    return start_failure(program, error);
}

std::string RT_file_arg(const std::string& name) { return !name.empty() && name[0] == '-' ? "./" + name : name; }

int RT_run_attached(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    int spawn_error = 0;
    return spawn_and_wait(argv, nullptr, &spawn_error);
}

int RT_run_forked(const std::function<int()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = 0;
    {
        RtKillHold hold;
        pid = ::fork();
        if (pid == 0) {
            RT_enter_forked_child();
            pthread_sigmask(SIG_SETMASK, &hold.mask_before(), nullptr);
            qdx_exit(body());
        }
        if (pid < 0) return -1;
        RT_set_running_child(pid);
    }
    return wait_for_child(pid);
}
