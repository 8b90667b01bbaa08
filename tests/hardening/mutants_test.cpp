// Mutants of the description files run through the whole programs:
// kestrand and tallowmere on the fixture chip with one of its
// configuration, cell library or pin file damaged (bytes changed, cut,
// repeated, numbers blown up, a NUL, a runaway word).  Whatever the
// mutant, each run ends by itself (no crash, no hang) with status 0, 2 or
// 255, leaves no temporary file, and a refused run changes no file (its
// report and logs aside).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;

// A refused run still writes its own report and logs, with the message.
const std::vector<std::string> kRunRecords = {".rpt", ".log"};

// The mutant number `seed` of a text: one to three edits at places and of
// kinds drawn from a generator of fixed results (std::mt19937 is the same
// everywhere; its numbers are used without a distribution, whose results
// the standard leaves open).
std::string mutant(std::string text, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto below = [&random](size_t n) { return n == 0 ? 0 : static_cast<size_t>(random() % n); };
    static const std::string kBytes = std::string("%{}();,:*=-_[]./\\0129xX \n") + '\0';
    static const std::vector<std::string> kWords = {"2147483647", "99999999999999999999", "-1", "0", "%GROUP_SIZE",
                                                    "%INSTRUCTION", "/*", "*/", "//", std::string(9000, 'w')};
    for (size_t edits = 1 + below(3); edits > 0; --edits) {
        const size_t at = below(text.size() + 1);
        const size_t span = 1 + below(40);
        switch (below(6)) {
            case 0: if (at < text.size()) text[at] = kBytes[below(kBytes.size())]; break;
            case 1: text.erase(at, span); break;
            case 2: text.insert(at, text.substr(at, span)); break;
            case 3: text.resize(at); break;
            case 4: text.insert(at, kWords[below(kWords.size())]); break;
            default: {
                // A number of the file blown up.
                const size_t digit = text.find_first_of("0123456789", at);
                if (digit != std::string::npos) text.insert(digit, "99999999999");
                break;
            }
        }
    }
    return text;
}

struct MutantCase {
    const char* file;
    std::uint32_t seed;
};

class Mutant : public ::testing::TestWithParam<MutantCase> {};

TEST_P(Mutant, EndsCleanlyInBothPrograms) {
    if (!testsupport::fixture_tools_built() || !fs::exists(testsupport::built_program("bin/tallowmere")))
        GTEST_SKIP() << "the programs or the stand-in tools are not built";
    const MutantCase& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    const std::string original = read_file(dir.path() / c.file);
    std::ofstream(dir.path() / c.file, std::ios::binary | std::ios::trunc) << mutant(original, c.seed);
    testsupport::ToolPath env;
    for (const char* program : {"tallowmere", "kestrand"}) {
        const auto before = testsupport::folder_files(dir.path(), kRunRecords);
        // A run that waits for ever is killed (status 137), and fails.
        const testsupport::RunResult r = testsupport::run(
            {"timeout", "-s", "KILL", "120", testsupport::built_program(std::string("bin/") + program), "chip"},
            dir.path());
        SCOPED_TRACE(std::string(program) + " on mutant " + std::to_string(c.seed) + " of " + c.file);
        EXPECT_TRUE(r.status == 0 || r.status == 2 || r.status == 255) << r.status << "\n" << r.out << r.err;
        EXPECT_EQ(testsupport::output_temporaries(dir.path()), std::vector<std::string>{});
        if (r.status != 0) {
            EXPECT_EQ(testsupport::folder_changes(before, testsupport::folder_files(dir.path(), kRunRecords)),
                      std::vector<std::string>{});
        }
    }
}

std::vector<MutantCase> cases() {
    std::vector<MutantCase> all;
    for (const char* file : {"chip.bsc", "chip.lib", "chip.pin"})
        for (std::uint32_t seed = 1; seed <= 12; ++seed) all.push_back({file, seed});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Descriptions, Mutant, ::testing::ValuesIn(cases()), [](const auto& i) {
    std::string name = i.param.file;
    name[name.find('.')] = '_';
    return name + "_" + std::to_string(i.param.seed);
});

}  // namespace
