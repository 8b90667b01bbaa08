#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

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
