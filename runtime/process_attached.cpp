// Running a program in the foreground, on this process's terminal.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

#include "runtime/process.h"

extern char** environ;

int RT_run_attached(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int st = 0;
    while (waitpid(pid, &st, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}
