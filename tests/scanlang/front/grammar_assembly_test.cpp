// The grammar is assembled from fragments: declarations before a "%%"
// line, rules after it, code after a second one; fragments are taken in
// path order, subfolders included.
#include <gtest/gtest.h>

#include <string>

#include "support/testsupport.h"

namespace {

TEST(GrammarAssembly, FragmentsAreSplitAndOrdered) {
    if (!testsupport::have_program("cmake")) GTEST_SKIP() << "cmake is not on PATH";
    testsupport::TempDir dir;
    dir.write("g/10_b.y", "b : B ;\n");
    dir.write("g/00_a.y", "%token A\n%%\na : A ;\n%%\nint code_a;\n");
    std::filesystem::create_directories(dir.path() / "g/sub");
    dir.write("g/sub/x.y", "%token X\n%%\nx : X ;\n");
    std::string out = (dir.path() / "out.y").string();
    auto r = testsupport::run({"cmake", "-DDIR=" + (dir.path() / "g").string(), "-DOUT=" + out, "-P",
                               testsupport::source_path("scanlang/front/scan_grammar_assemble.cmake")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = testsupport::read_file(out);
    auto at = [&](const std::string& s) { return text.find(s); };
    ASSERT_NE(at("%token A"), std::string::npos) << text;
    EXPECT_LT(at("%token A"), at("%token X"));
    EXPECT_LT(at("%token X"), at("\n%%\n"));
    EXPECT_LT(at("\n%%\n"), at("a : A ;"));
    EXPECT_LT(at("a : A ;"), at("b : B ;"));
    EXPECT_LT(at("b : B ;"), at("x : X ;"));
    size_t second = text.find("\n%%\n", at("x : X ;"));
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(second, at("int code_a;"));
    EXPECT_EQ(text.find("\n%%\n", second + 1), std::string::npos);
}

}  // namespace
