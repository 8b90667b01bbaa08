// Outside programs run with an argument vector, and the crash handler.
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

}  // namespace

namespace {

// Starts argv with the given file actions (our own streams flushed first)
// and waits for it.  Returns its exit status, or -1 when it was killed or
// could not be started (then *spawn_error holds posix_spawnp's error).
int spawn_and_wait(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* fa, int* spawn_error) {
    *spawn_error = 0;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = 0;
    *spawn_error = posix_spawnp(&pid, args[0], fa, nullptr, args.data(), environ);
    if (*spawn_error != 0) return -1;
    RT_set_running_child(pid);
    int st = 0;
    int status = -1;
    for (;;) {
        if (waitpid(pid, &st, 0) >= 0) {
            status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
            break;
        }
        if (errno != EINTR) break;
    }
    RT_set_running_child(0);
    return status;
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
    // A log begun anew belongs to this run: a kill takes it away.
    if (!append && !log_path.empty()) RT_remove_at_end(log_path, RtRemove::WhenKilled);
    const int status = spawn_and_wait(argv, &fa, &spawn_error);
    if (!append && !log_path.empty()) RT_forget(log_path);
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

namespace {
// The handler's text, kept in a plain buffer set before installation.
char* crash_text = nullptr;
size_t crash_len = 0;

void crash_handler(int) {
    if (crash_text) {
        ssize_t r = ::write(1, crash_text, crash_len);
        (void)r;
    }
    ::_exit(255);
}
}  // namespace

void RT_install_crash_handler(const std::string& text) {
    std::free(crash_text);
    crash_text = static_cast<char*>(std::malloc(text.size() + 1));
    if (crash_text) {
        std::memcpy(crash_text, text.c_str(), text.size() + 1);
        crash_len = text.size();
    }
    struct sigaction sa{};
    sa.sa_handler = crash_handler;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGSEGV, &sa, nullptr);
}
