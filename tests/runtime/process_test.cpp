#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "runtime/exit.h"
#include "runtime/process.h"
#include "support/testsupport.h"

namespace {

using testsupport::read_file;
using testsupport::TempDir;
namespace fs = std::filesystem;

TEST(Process, RunSendsOutputToTheLogAndGivesTheStatus) {
    TempDir dir;
    std::string log = (dir.path() / "tool.log").string();
    // A name with blanks and a semicolon is one argument, never shell text.
    EXPECT_EQ(RT_run({"sh", "-c", "echo \"$0\"; echo err >&2; exit 3", "a b;rm -rf x"}, log), 3);
    EXPECT_EQ(read_file(log), "a b;rm -rf x\nerr\n");
    EXPECT_EQ(RT_run({"true"}, log, true), 0);
    EXPECT_EQ(read_file(log), "a b;rm -rf x\nerr\n");
    EXPECT_EQ(RT_run({"/no/such/program"}, log), -1);
    EXPECT_EQ(RT_run({"sh", "-c", "kill -9 $$"}, ""), -1);
}

// A program that cannot be started leaves the reason in its log and
// hands it to the caller.
TEST(Process, StartFailureIsLogged) {
    TempDir dir;
    const std::string log = (dir.path() / "tool.log").string();
    std::string why = "stale";
    EXPECT_EQ(RT_run({"true"}, log, false, &why), 0);
    EXPECT_EQ(why, "");
    {
        testsupport::ScopedEnv path("PATH", dir.str().c_str());
        dir.write("plain", "#!/bin/sh\nexit 0\n");  // not executable
        EXPECT_EQ(RT_run({"plain"}, log, false, &why), -1);
        EXPECT_EQ(why, "plain: cannot be started: Permission denied (searched along PATH=" + dir.str() + ")\n");
        EXPECT_EQ(read_file(log), why);
        EXPECT_EQ(RT_run({"absent"}, log, true), -1);
        EXPECT_EQ(read_file(log),
                  why + "absent: cannot be started: No such file or directory (searched along PATH=" + dir.str() + ")\n");
    }
    // A name with a directory is not searched for.
    EXPECT_EQ(RT_run({"/no/such/program"}, log, false, &why), -1);
    EXPECT_EQ(why, "/no/such/program: cannot be started: No such file or directory\n");
    EXPECT_EQ(read_file(log), why);
}

TEST(Process, AtomicFileReplacesOnlyOnCommit) {
    TempDir dir;
    std::string target = dir.write("out.txt", "old\n");
    {
        AtomicFile f(target);
        ASSERT_TRUE(f.open());
        std::fputs("half", f.stream());
        // destroyed without commit: the target is untouched
    }
    EXPECT_EQ(read_file(target), "old\n");
    {
        AtomicFile f(target);
        ASSERT_TRUE(f.open());
        std::fputs("new\n", f.stream());
        EXPECT_TRUE(f.commit());
    }
    EXPECT_EQ(read_file(target), "new\n");
    // No temporary files are left behind.
    int n = 0;
    for (auto& e : fs::directory_iterator(dir.path())) (void)e, ++n;
    EXPECT_EQ(n, 1);
    AtomicFile bad((dir.path() / "missing" / "x").string());
    EXPECT_FALSE(bad.open());
}

TEST(ProcessDeath, CrashHandlerPrintsAndExits) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            RT_install_crash_handler("\nInternal Error:\n");
            raise(SIGSEGV);
        },
        ::testing::ExitedWithCode(255), "^\nInternal Error:\n$");
}

}  // namespace
