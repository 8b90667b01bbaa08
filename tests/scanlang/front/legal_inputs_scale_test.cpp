// The legal-input merge at the sizes the language allows, read through
// the entry: two wide illegal statements merge in a moment,
// and a merge whose result would pass the stated limit ends the run with
// a message naming the file and the line.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

#include "bench/illegal_inputs_dft.h"
#include "scanlang/front/front.h"
#include "scanlang/front/legal_inputs.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

class LegalInputsScale : public testing::Test {
protected:
    void SetUp() override { SCANLANG_reset_globals(); }
    void TearDown() override { SCANLANG_reset_globals(); }
};

// Two statements of this many ports each: their complements (2^16 - 1
// patterns each) merge within the pattern limit when they share all ports
// but one, and past it when they share one.
constexpr int kWidePorts = 16;

// The complements of two wide statements that share all ports but one:
// one statement over both own ports, every pattern once, each one that
// neither statement forbids; the port warning is printed once per shared
// port after the first, not once per pattern.
TEST_F(LegalInputsScale, WideIllegalStatementsMergeOnce) {
    const int n = kWidePorts;
    testsupport::TempDir dir;
    const std::string file = dir.write("merge.dft", illegal_pair_dft(n, n - 1));
    testing::internal::CaptureStderr();
    scan_interface(file.c_str(), 0, "atpg");
    const std::string err = testing::internal::GetCapturedStderr();

    ASSERT_TRUE(DFT_OBJECT && DFT_OBJECT->atpg_constraints);
    ASSERT_EQ(DFT_OBJECT->atpg_constraints->options.size(), 1u);
    const auto& legal = DFT_OBJECT->atpg_constraints->options[0].legal_inputs;
    ASSERT_EQ(legal.size(), 1u);
    const std::vector<std::string>& ports = legal[0].first;
    ASSERT_EQ(ports.size(), static_cast<std::size_t>(n + 1));
    EXPECT_EQ(ports[n - 1], "a0");
    EXPECT_EQ(ports[n], "b0");
    const std::vector<std::string>& patterns = legal[0].second;
    EXPECT_EQ(static_cast<long long>(patterns.size()), illegal_pair_patterns(n, n - 1));
    EXPECT_EQ(std::unordered_set<std::string>(patterns.begin(), patterns.end()).size(), patterns.size());
    const std::string shared_ones(static_cast<std::size_t>(n - 1), '1');
    for (const std::string& p : patterns) {
        ASSERT_EQ(p.size(), static_cast<std::size_t>(n + 1));
        if (p.compare(0, shared_ones.size(), shared_ones) == 0) {
            EXPECT_EQ(p.substr(n - 1), "00") << p;
        }
    }

    std::string warnings;
    for (int k = 1; k < n - 1; ++k)
        warnings += "WARNING: the port 'p" + std::to_string(k) + "' in LEGAL_INPUT doesn't match.\n";
    EXPECT_EQ(err, warnings);
}

// Statements that share one port only pair nearly every pattern of one
// with every pattern of the other: the merge stops at the limit.
TEST_F(LegalInputsScale, MergePastTheLimitEndsTheRun) {
    const int n = kWidePorts;
    ASSERT_GT(illegal_pair_patterns(n, 1), static_cast<long long>(kMaxLegalInputPatterns));
    testsupport::TempDir dir;
    const std::string file = dir.write("wide.dft", illegal_pair_dft(n, 1));
    const testsupport::ChildResult r = testsupport::run_child([&] { scan_interface(file.c_str(), 0, "atpg"); });
    EXPECT_EQ(r.status, 255);
    const std::string limit = std::to_string(kMaxLegalInputPatterns);
    EXPECT_EQ(r.err, "ERROR : '" + file + "', line-4, LEGAL_INPUTS and ILLEGAL_INPUTS combine into more than " +
                         limit + " patterns; at most " + limit + " are supported.\n");
}

}  // namespace
