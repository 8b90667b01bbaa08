// Instance files read into a chain's SCAN_INSTANCES node and the instance
// tables, and SCAN_INSTANCES nodes turned into elements and groups.
#include <gtest/gtest.h>

#include "scanlang/front/nodes.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/instance_files.h"
#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using InstanceFiles = MapTest;

constexpr const char* kPso = R"(CLOCK "clk_a";
MUST_SCAN a, 3 ~ ! x !, { g1, g2 CAPTURE1 };
DONT_SCAN u_core/r1 DFF { Q };
DONT_SCAN u9;
MUST_SCAN b { SI } { SO };
KR_SCAN 2 ( DFFX { CK } ) CONTROL_WEIGHT1_B OBSERVE TRANSITION PIPELINE;
DONT_MODIFY m1;
MUST_BE_TRANSPARENT t1;
SCAN_IN_PAD ~ pi;
SCAN_OUT_PAD po !;
CLOCK_ORDER 2;
BUFFER BUFX1;
)";

class Chain {
public:
    Chain() : entry_(SCAN_MAKE_AST(CONNECT_SCAN_NODE)) {}
    ~Chain() { SCAN_FREE_AST(entry_); }
    Chain(const Chain&) = delete;
    Chain& operator=(const Chain&) = delete;
    ScanAstNode* entry() const { return entry_; }

private:
    ScanAstNode* entry_;
};

TEST_F(InstanceFiles, InstanceFileFieldByField) {
    testsupport::TempDir dir;
    dir.write("chain.pso", kPso);
    scantest::begin();
    current_pathG = dir.str() + "/";
    Chain chain;
    sl_clear_instance_tables();
    InstanceFileInfo info = CONVERT_FILE_INSTANCES("chain.pso", chain.entry());
    // The scan pads, the buffers and the clock order.
    ASSERT_TRUE(info.scan_in_pad && info.scan_out_pad);
    EXPECT_EQ(info.scan_in_pad->name, "pi");
    EXPECT_EQ(info.scan_in_pad->complement, 1);
    EXPECT_EQ(info.scan_out_pad->inverse2, 1);
    EXPECT_EQ(info.buffers, (TextList{"BUFX1"}));
    const ScanAstNode* order = SCAN_FIND_AST(chain.entry()->child, PSO_CLOCK_ORDER_NODE);
    ASSERT_NE(order, nullptr);
    EXPECT_STREQ(order->child->attribute, "2");

    // Instance tables.
    ASSERT_EQ(DONT_SCAN_TAB.size(), 2u);
    EXPECT_EQ(DONT_SCAN_TAB[0].name, "u_core/r1");
    EXPECT_EQ(DONT_SCAN_TAB[0].number, -1);
    EXPECT_EQ(DONT_SCAN_TAB[0].cell_name, "DFF");
    EXPECT_EQ(DONT_SCAN_TAB[0].cell_pin, "Q");
    EXPECT_EQ(DONT_SCAN_TAB[1].name, "u9");
    EXPECT_EQ(DONT_SCAN_TAB[1].cell_name, "");
    ASSERT_EQ(DONT_MODIFY_TAB.size(), 1u);
    EXPECT_EQ(DONT_MODIFY_TAB[0].name, "m1");
    ASSERT_EQ(MUST_BE_TRANS_TAB.size(), 1u);

    // The groups: must-scan items (a, x, the group {g1 g2}, b), then KR-scan.
    ConvertedInstances got = CONVERT_SCAN_INSTANCES(SCAN_FIND_AST(chain.entry()->child, SCAN_INSTANCES_NODE));
    ASSERT_EQ(got.groups.size(), 5u);
    std::vector<std::string> names;
    for (const InstanceElement& e : got.elements) names.push_back(e.instance);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "x", "g1", "g2", "b", "DFFX"}));
    EXPECT_EQ(got.groups[2].elements, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(got.groups[2].number, 2);
    const InstanceElement& x = got.elements[1];
    EXPECT_EQ(x.chain, 3);
    EXPECT_EQ(x.complement, 1);
    EXPECT_EQ(x.inverse1, 1);
    EXPECT_EQ(x.inverse2, 1);
    EXPECT_EQ(got.elements[3].capture, "CAPTURE1");
    EXPECT_EQ(got.elements[4].port_name, "SI");
    EXPECT_EQ(got.elements[4].second_port_name, "SO");
    const InstanceElement& kr = got.elements[5];
    EXPECT_EQ(kr.is_cell, 1);
    EXPECT_EQ(kr.cell_name, "DFFX");
    EXPECT_EQ(kr.port_name, "CK");
    EXPECT_EQ(kr.chain, 2);
    EXPECT_EQ(kr.control_kind, 8);
    EXPECT_EQ(kr.observe_kind, 3);
    EXPECT_EQ(kr.transition_kind, 9);
    EXPECT_EQ(kr.pipeline_kind, 10);
    EXPECT_EQ(got.elements[0].control_kind, -1);

    // A second file for the same chain replaces the instances.
    dir.write("other.pso", "FULL_SCAN f1;\n");
    CONVERT_FILE_INSTANCES("other.pso", chain.entry());
    got = CONVERT_SCAN_INSTANCES(SCAN_FIND_AST(chain.entry()->child, SCAN_INSTANCES_NODE));
    ASSERT_EQ(got.elements.size(), 1u);
    EXPECT_EQ(got.elements[0].instance, "f1");
}

TEST_F(InstanceFiles, MissingFileAndFullScanWithOtherListsEndTheRun) {
    testsupport::TempDir dir;
    dir.write("bad.pso", "FULL_SCAN f1;\nMUST_SCAN m1;\n");
    for (auto [file, message] : {std::pair<std::string, std::string>{"nope.pso", "ERROR : Can't open input file - '" +
                                                                                     dir.str() + "/nope.pso'.\n"},
                                 std::pair<std::string, std::string>{
                                     "bad.pso", "ERROR: 'bad.pso' file syntax error.\nFULL_SCAN had been defined, the "
                                                "other statements were not allowed.\n"}}) {
        auto r = testsupport::run_child([&] {
            scantest::begin();
            current_pathG = dir.str() + "/";
            Chain chain;
            CONVERT_FILE_INSTANCES(file, chain.entry());
        });
        EXPECT_EQ(r.status, 255) << file;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

}  // namespace
