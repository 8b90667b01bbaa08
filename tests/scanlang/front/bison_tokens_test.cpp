// The parser's token declarations, generated from the token list, are
// accepted by bison and give every token the scanner's number.
#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace {

using testsupport::have_program;
using testsupport::run;

TEST(BisonTokens, GrammarGetsTheScannersNumbers) {
    if (!have_program("bison")) GTEST_SKIP() << "bison is not installed";
    if (!have_program("cmake")) GTEST_SKIP() << "cmake is not on PATH";
    testsupport::TempDir dir;
    // A small grammar that writes keywords and punctuation by their texts.
    std::string body = dir.write("body.y", "%define api.pure full\n%%\n"
                                           "file: \"%SELECT_SCAN\" \"{\" IDENT \"}\" | \"%EXTRA\" INTEGER \";\"\n"
                                           "    | \"CLOCK\" \"=>\" PATTERN ;\n%%\n");
    auto r = run({"cmake", "-DIN=" + testsupport::source_path("scanlang/front/scan_tokens.def"),
                  "-DOUT=" + (dir.path() / "g.y").string(), "-DGRAMMAR=" + body, "-P",
                  testsupport::source_path("scanlang/front/scan_tokens_bison.cmake")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run({"bison", "-Wno-other", "-d", "-o", "g.c", "g.y"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::string header = testsupport::read_file(dir.path() / "g.h");
    std::regex entry(R"re(YYTK_(\w+) = (\d+),\s*/\* "((?:[^"\\]|\\.)*)")re");
    int seen = 0;
    for (std::sregex_iterator it(header.begin(), header.end(), entry), end; it != end; ++it) {
        if ((*it)[1].str().rfind("YY", 0) == 0) continue;  // bison's own end, error and undefined tokens
        ++seen;
        int number = std::stoi((*it)[2]);
        SCOPED_TRACE((*it)[1].str());
        ASSERT_NE(scan_token_alias(number), nullptr);
        std::string alias = (*it)[3];
        alias = std::regex_replace(alias, std::regex(R"(\\(.))"), "$1");
        EXPECT_EQ(alias, scan_token_alias(number));
    }
    // Every number from 257 to 683 but the fourteen that no input makes.
    EXPECT_EQ(seen, 683 - 257 + 1 - 14);
    EXPECT_NE(header.find("YYTK_SCAN_CLOCK = 438"), std::string::npos);
    EXPECT_NE(header.find("YYTK_IDENT = 677"), std::string::npos);
}

}  // namespace
