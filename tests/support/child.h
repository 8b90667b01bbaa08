// Running a piece of code of the program under test in a child process,
// for the messages and statuses of runs that end, and capturing what code
// run in this process prints.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "runtime/exit.h"
#include "support/testsupport.h"

namespace testsupport {

// Exit status (-1 when the child did not exit), standard output and
// standard error of the child.
using ChildResult = RunResult;

// Runs fn in a child process with standard output and standard error
// captured; a child that returns from fn ends with status 0.
inline ChildResult run_child(const std::function<void()>& fn) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        fn();
        qdx_exit(0);
    }
    ChildResult r;
    int st = 0;
    waitpid(pid, &st, 0);
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    for (auto [f, s] : {std::pair{out, &r.out}, std::pair{err, &r.err}}) {
        std::rewind(f);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s->append(buf, n);
        std::fclose(f);
    }
    return r;
}

// Standard output of fn run in this process.
inline std::string stdout_of(const std::function<void()>& fn) {
    testing::internal::CaptureStdout();
    fn();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Standard error of fn run in this process.
inline std::string stderr_of(const std::function<void()>& fn) {
    testing::internal::CaptureStderr();
    fn();
    std::fflush(stderr);
    return testing::internal::GetCapturedStderr();
}

}  // namespace testsupport
