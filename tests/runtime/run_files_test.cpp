// The run's hold on its files: the inputs noted and the outputs that are
// one of them under any name, and the folder lock that one run holds at a
// time.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "runtime/fnm.h"
#include "runtime/run_inputs.h"
#include "runtime/run_lock.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChangeDir;
using testsupport::TempDir;

// ------------------------------------------------------------ inputs

struct InputCase {
    const char* name;
    // Makes the folder's files after "in.pin" was read; returns the output
    // to look up.
    std::function<std::string(const TempDir&)> shape;
    const char* input;  // RT_input_at's answer
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class InputAt : public ::testing::TestWithParam<InputCase> {
protected:
    void TearDown() override { RT_reset_run_inputs(); }
};

TEST_P(InputAt, NamesTheInputThatAnOutputIs) {
    const InputCase& c = GetParam();
    TempDir dir;
    ChangeDir here(dir.path());
    dir.write("in.pin", "1 A a in\n");
    FILE* in = FNM_open_input("in.pin");
    ASSERT_NE(in, nullptr);
    std::fclose(in);
    EXPECT_EQ(RT_input_at(c.shape(dir)), c.input);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, InputAt,
    ::testing::Values(InputCase{"SameName", [](const TempDir&) { return std::string("in.pin"); }, "in.pin"},
                      InputCase{"OtherSpelling", [](const TempDir&) { return std::string("./in.pin"); }, "in.pin"},
                      InputCase{"SymbolicLink",
                                [](const TempDir&) {
                                    fs::create_symlink("in.pin", "out.bso");
                                    return std::string("out.bso");
                                },
                                "in.pin"},
                      InputCase{"HardLink",
                                [](const TempDir&) {
                                    fs::create_hard_link("in.pin", "out.bso");
                                    return std::string("out.bso");
                                },
                                "in.pin"},
                      InputCase{"OtherFile",
                                [](const TempDir& d) {
                                    d.write("out.bso", "x");
                                    return std::string("out.bso");
                                },
                                ""},
                      InputCase{"Missing", [](const TempDir&) { return std::string("out.bso"); }, ""},
                      // The input was replaced since (a save of it): the
                      // file that held it is no input under its name.
                      InputCase{"InputReplacedSince",
                                [](const TempDir& d) {
                                    fs::rename("in.pin", "old.pin");
                                    d.write("in.pin", "new");
                                    return std::string("old.pin");
                                },
                                ""}),
    [](const auto& info) { return std::string(info.param.name); });

// -------------------------------------------------------------- lock

class FolderLock : public ::testing::Test {
protected:
    void TearDown() override { RT_reset_run_lock(); }
};

TEST_F(FolderLock, OneHolderAtATime) {
    TempDir dir;
    const std::string path = (dir.path() / ".lock").string();
    long holder = -1;
    std::string why;
    // A holder elsewhere (another open file, as another process has).
    const int other = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(::write(other, "4242\n", 5), 5);
    EXPECT_EQ(RT_lock_folder(path, &holder, &why), RtLock::Held);
    EXPECT_EQ(holder, 4242);
    ::close(other);  // the holder ends without removing its file
    EXPECT_EQ(RT_lock_folder(path, &holder, &why), RtLock::Taken) << why;
    EXPECT_EQ(testsupport::read_file(path), std::to_string(::getpid()) + "\n");
    EXPECT_EQ(RT_lock_folder(path, &holder, &why), RtLock::Taken);  // again in this process
    RT_reset_run_lock();
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(FolderLock, LockFileThatIsNoFileFails) {
    TempDir dir;
    long holder = 0;
    std::string why;
    fs::create_symlink("elsewhere", dir.path() / "link.lock");
    EXPECT_EQ(RT_lock_folder((dir.path() / "link.lock").string(), &holder, &why), RtLock::Failed);
    EXPECT_EQ(why, "Too many levels of symbolic links");
    EXPECT_FALSE(fs::exists(dir.path() / "elsewhere"));
    fs::create_directory(dir.path() / "dir.lock");
    EXPECT_EQ(RT_lock_folder((dir.path() / "dir.lock").string(), &holder, &why), RtLock::Failed);
    EXPECT_EQ(why, "Is a directory");
}

}  // namespace
