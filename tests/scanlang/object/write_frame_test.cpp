// The DFT file writer's entry: the header, the file it writes, and what
// it refuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::written;
using WriteFrame = MapTest;

const char* kText = "// keep me\n%SELECT_SCAN { %MUST_SCAN a; }\n%SEQUENCE s { %FORCE a = '1'; }\n";

TEST_F(WriteFrame, HeaderFileAndRewriteOfItsOwnOutput) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "out.dft").string();
    map_text(kText);
    ASSERT_TRUE(PRINT_SCAN_OBJECT(path, 1));
    const std::string first = testsupport::read_file(path);
    EXPECT_EQ(first.rfind("// File : " + path + "\n// ", 0), 0u) << first;
    EXPECT_NE(first.find("\n\n\n\n  // keep me\n// Scan selection\n  %SELECT_SCAN\n"), std::string::npos) << first;
    // Read back and written again: the header, the banners and the user's
    // comment each come out once.
    map_text(first);
    ASSERT_TRUE(PRINT_SCAN_OBJECT(path, 1));
    EXPECT_EQ(testsupport::read_file(path), first);
    // Only the file itself is left in the directory: no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(WriteFrame, SecondWriteOfOneObjectKeepsItsComments) {
    map_text(kText);
    const std::string first = written(1);
    EXPECT_NE(first.find("// keep me"), std::string::npos);
    EXPECT_EQ(written(1), first);
}

TEST_F(WriteFrame, RefusalsLeaveTheTargetAlone) {
    testsupport::TempDir dir;
    const std::string path = dir.write("out.dft", "old text\n");
    struct Row {
        const char* name;
        const char* text;  // null: no current object
        std::string target;
        const char* message;
    } rows[] = {
        {"no object", nullptr, path, ""},
        {"missing directory", "%SELECT_SCAN { %MUST_SCAN a; }", (dir.path() / "no" / "out.dft").string(),
         "Error: Can't open '"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.text)
            map_text(r.text);
        else
            DFT_OBJECT = nullptr;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(PRINT_SCAN_OBJECT(r.target, 1));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind(r.message, 0), 0u) << err;
        EXPECT_EQ(testsupport::read_file(path), "old text\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

}  // namespace
