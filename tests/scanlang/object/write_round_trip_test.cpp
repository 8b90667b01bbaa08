// The parse-write-parse round trip over the fixtures of the mapping.
#include <gtest/gtest.h>

#include <filesystem>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;

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
    for (const char* name : {"atpg_constraints", "compression", "connect_bist", "connect_core", "mbist",
                             "paths_lists", "pll_blackbox", "ports_sequences", "select_fault", "selection",
                             "test_conversion", "test_sessions", "wrapper"})
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
