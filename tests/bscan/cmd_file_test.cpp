// The command files (cmd_file.cpp): complete or absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bscan/edit.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;

// A command file is complete or absent: a failed write ends the run and
// leaves no file under the command file's name.
TEST(CommandFile, FailedWriteEndsTheRun) {
    testsupport::TempDir dir;
    std::string path = (dir.path() / "t_jtag.cmd").string();
    EXPECT_EXIT(
        {
            FILE* fp = bs_open_cmd_file(path);
            std::fputs("edit t_jtag\n", fp);
            std::fgetc(fp);  // a stream error, as a failed write leaves it
            bs_close_cmd_file(fp);
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    FILE* fp = bs_open_cmd_file(path);
    std::fputs("edit t_jtag\n", fp);
    bs_close_cmd_file(fp);
    EXPECT_EQ(fp, nullptr);
    EXPECT_EQ(read_file(path), "edit t_jtag\n");
}

}  // namespace
