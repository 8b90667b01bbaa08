// The parse-write-parse round trip over the fixtures of the mapping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;

// A fixture with most sections, written with its header and banners,
// matches its golden written file byte for byte (the directory of the
// output aside).  Set KEST_UPDATE_GOLDEN=1 to rewrite the golden file.
TEST_F(MapTest, ManySectionsMatchGoldenWrittenFile) {
    const std::filesystem::path input = testsupport::source_path("tests/fixtures/scanlang/many_sections.dft");
    ASSERT_NE(map_text(testsupport::read_file(input), input.parent_path().string() + "/"), nullptr);
    testsupport::TempDir dir;
    const std::string out = (dir.path() / "many_sections.dft").string();
    ASSERT_TRUE(PRINT_SCAN_OBJECT(out, 1));
    std::string text = testsupport::read_file(out);
    for (std::size_t at; (at = text.find(dir.str() + "/")) != std::string::npos;) text.erase(at, dir.str().size() + 1);
    const std::string golden = testsupport::source_path("tests/fixtures/scanlang/written/many_sections.dft");
    if (std::getenv("KEST_UPDATE_GOLDEN")) std::ofstream(golden, std::ios::binary) << text;
    EXPECT_EQ(text, testsupport::read_file(golden));
}

// Every fixture: what the writer writes of it reads back equal and writes
// the same text again.
class WriteFixture : public MapTest, public testing::WithParamInterface<std::string> {};

TEST_P(WriteFixture, RoundTrip) {
    const std::filesystem::path file = testsupport::source_path(GetParam());
    expect_round_trip(testsupport::read_file(file), file.parent_path().string() + "/");
}

// The fixtures that map on their own (the others need their side files or
// are the parser's error cases).
std::vector<std::string> fixtures() {
    std::vector<std::string> all;
    for (const char* name : {"atpg_constraints", "compression", "connect_bist", "connect_core", "many_sections", "mbist",
                             "paths_lists", "pll_blackbox", "ports_sequences", "scan_decoder", "select_fault",
                             "selection", "test_conversion", "test_sessions", "wrapper"})
        all.push_back(std::string("tests/fixtures/scanlang/") + name + ".dft");
    return all;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WriteFixture, testing::ValuesIn(fixtures()), [](const auto& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
