// The syntax-tree value readers: numbers and percentages, positions,
// timing blocks, "Q<n>_S<n>" names and step kinds.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "object_util.h"
#include "scanlang/object/readers.h"
#include "support/child.h"
#include "support/param_name.h"

namespace {

using objtest::ObjectTest;

// A leaf of `kind` with `text` at line 3.
ScanAstNode* leaf(int kind, const char* text) {
    ScanAstNode* n = SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(kind), text);
    n->line = 3;
    return n;
}

struct ValueCase {
    const char* label;
    int kind;
    const char* text;
    int integer;        // expected, -1 for none
    double real;        // expected, -1.0 for none
    const char* error;  // the message on standard error when the value is refused
};

const ValueCase kValueCases[] = {
    {"number", NUMBER_NODE, "7", 7, -1.0, nullptr},
    {"negative number", NUMBER_NODE, "-5", -5, -1.0, nullptr},
    {"largest int", NUMBER_NODE, "2147483647", INT_MAX, -1.0, nullptr},
    {"number past int", NUMBER_NODE, "2147483648", -1, -1.0,
     "ERROR : 't.dft', line-3, the number '2147483648' is out of range.\n"},
    {"half", PERCENTAGE_NODE, "50%", -1, 0.5, nullptr},
    {"twelve and a half percent", PERCENTAGE_NODE, "12.5%", -1, 0.125, nullptr},
    {"ten percent", PERCENTAGE_NODE, "10%", -1, 0.1, nullptr},
    {"nothing", PERCENTAGE_NODE, "0%", -1, 0.0, nullptr},
    {"all", PERCENTAGE_NODE, "100%", -1, 1.0, nullptr},
    {"over all", PERCENTAGE_NODE, "101%", -1, -1.0,
     "ERROR : 't.dft', line-3, the percentage '101%' is out of range.\n"},
    {"not a number", NUMBER_NODE, "1x", -1, -1.0, "ERROR : 't.dft', line-3, '1x' is not a number.\n"},
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.label; }

class ValueTest : public testing::TestWithParam<ValueCase> {
protected:
    void TearDown() override { SCANLANG_reset_globals(); }
};

TEST_P(ValueTest, ReadsExactlyOrRefusesNamingTheFile) {
    const ValueCase& c = GetParam();
    dft_file_name = "t.dft";
    ScanAstNode* node = leaf(c.kind, c.text);
    if (c.error) {
        auto r = testsupport::run_child([&] { GET_VALUE(node); });
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, c.error);
    } else {
        std::optional<ValueRecord> v = GET_VALUE(node);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->integer, c.integer);
        EXPECT_DOUBLE_EQ(v->real, c.real);
        EXPECT_STREQ(node->attribute, c.text) << "the tree's text is left as it is";
    }
    SCAN_FREE_AST(node);
}

INSTANTIATE_TEST_SUITE_P(Table, ValueTest, testing::ValuesIn(kValueCases),
                         [](const auto& info) { return testsupport::param_name(info.param.label); });

TEST(Readers, ValueOfAnotherKindIsATreeError) {
    ScanAstNode* node = leaf(IDENT_NODE, "a");
    auto r = testsupport::run_child([&] { GET_VALUE(node); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : internal parser tree error.\n");
    EXPECT_FALSE(GET_VALUE(nullptr));
    SCAN_FREE_AST(node);
}

TEST(Readers, PositionZeroReadsAsNone) {
    ScanAstNode* two = SCAN_MAKE_DUET_AST(CONNECT_NODE, leaf(NUMBER_NODE, "0"), leaf(IDENT_NODE, "d"));
    ScanAstNode* four = SCAN_MAKE_QUARTET_AST(CONNECT_NODE, leaf(NUMBER_NODE, "2"), leaf(IDENT_NODE, "q"),
                                              leaf(NUMBER_NODE, "0"), leaf(IDENT_NODE, "qn"));
    two->sibling = four;
    std::vector<PositionPortRecord> p = GET_POSITION_PORT(two);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].first_position, -1);
    EXPECT_EQ(p[0].first_port, "d");
    EXPECT_EQ(p[0].second_position, -1);
    EXPECT_EQ(p[1].first_position, 2);
    EXPECT_EQ(p[1].second_position, -1);
    EXPECT_EQ(p[1].second_port, "qn");
    SCAN_FREE_AST(two);
}

struct QsCase {
    const char* name;
    int q;
    int s;
};

TEST(Readers, QAndSNumbers) {
    const QsCase cases[] = {{"Q12_S3", 12, 3}, {"S3_Q1", 0, 0}, {"Q4", 4, 0}, {"Q4_X_S12", 4, 12}, {"Q7_", 7, 0}};
    for (const QsCase& c : cases) {
        EXPECT_EQ(sl_get_Q_number(c.name), c.q) << c.name;
        EXPECT_EQ(sl_get_S_number(c.name), c.s) << c.name;
    }
    EXPECT_EQ(sl_get_Q_number(nullptr), 0);
    EXPECT_EQ(sl_get_S_number(nullptr), 0);
}

TEST(Readers, StepKinds) {
    const std::pair<int, int> kinds[] = {{MODE_NODE, STEP_MODE},       {PREAMBLE_NODE, STEP_PREAMBLE},
                                         {SHIFT_NODE, STEP_SHIFT},     {PROPAGATE_NODE, STEP_PROPAGATE},
                                         {HOLD_NODE, STEP_HOLD},       {RUNBIST_NODE, STEP_RUNBIST},
                                         {CAPTURE_NODE, STEP_CAPTURE}, {POSTAMBLE_NODE, STEP_POSTAMBLE},
                                         {RAM_WRITE_NODE, STEP_RAM_WRITE}, {EXTRA_SEQ_NODE, STEP_EXTRA_SEQ},
                                         {IDENT_NODE, STEP_OTHER}};
    for (auto [kind, step] : kinds) {
        ScanAstNode* n = SCAN_MAKE_AST(kind);
        EXPECT_EQ(set_instr_type(n), step) << scan_node_name(kind);
        SCAN_FREE_AST(n);
    }
}

// The set-timing block of the first sequence of the parsed file.
const ScanAstNode* timing_block() {
    const ScanAstNode* sequence = SCAN_FIND_AST(thedftAST->child, SEQUENCE_LIST_NODE)->child;
    return SCAN_FIND_AST(sequence->child, SET_TIMING_LIST_NODE)->child;
}

TEST_F(ObjectTest, TimingBlockRead) {
    scantest::parse(
        "%SEQUENCE s { %FORCE a = '1'; %SET_TIMING { %CYCLE = 2; %P_CLOCK = 0 5 ck1 ck2; %PI_TIME = 3 a b;\n"
        " %DEFAULT_PI_TIME 1.5; %DEFAULT_IO_TIME 1 2.5; %PRECISION 3; %TYPE LAUNCH; } }\n");
    std::optional<SetTimingRecord> t = GET_SET_TIMING(timing_block());
    ASSERT_TRUE(t);
    EXPECT_EQ(t->cycle, 2);
    ASSERT_EQ(t->p_clock.size(), 1u);
    EXPECT_EQ(t->p_clock[0].times, (std::vector<double>{0, 5}));
    EXPECT_EQ(t->p_clock[0].pins, (TextList{"ck1", "ck2"}));
    ASSERT_EQ(t->pi_time.size(), 1u);
    EXPECT_EQ(t->pi_time[0].pins, (TextList{"a", "b"}));
    EXPECT_DOUBLE_EQ(t->default_pi_time, 1.5);
    EXPECT_DOUBLE_EQ(t->default_po_time, -1.0);
    EXPECT_EQ(t->default_io_times, (std::vector<double>{1, 2.5}));
    EXPECT_EQ(t->precision, 3);
    EXPECT_EQ(t->type, "LAUNCH");
    EXPECT_TRUE(t->n_clock.empty());
}

struct TimingErrorCase {
    const char* label;
    const char* block;
    const char* error;
};

const TimingErrorCase kTimingErrors[] = {
    {"cycle zero", "%CYCLE = 0;", "ERROR: line 2, the CYCLE must be greater than 0.\n"},
    {"first time negative", "%P_CLOCK = -1 5 ck;",
     "ERROR: line 2, P_CLOCK time1 (-1.00) must be greater than or equal 0.\n"},
    {"later time zero", "%N_CLOCK = 0 0 ck;", "ERROR: line 2, N_CLOCK time2 (0.00) must be greater than 0.\n"},
};

void PrintTo(const TimingErrorCase& c, std::ostream* os) { *os << c.label; }

class TimingErrorTest : public testing::TestWithParam<TimingErrorCase> {
protected:
    void TearDown() override { SCANLANG_reset_globals(); }
};

TEST_P(TimingErrorTest, EndsTheRun) {
    auto r = testsupport::run_child([] {
        scantest::begin();
        scantest::parse_now(std::string("%SEQUENCE s { %FORCE a = '1';\n %SET_TIMING { ") + GetParam().block +
                            " } }\n");
        GET_SET_TIMING(timing_block());
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Table, TimingErrorTest, testing::ValuesIn(kTimingErrors),
                         [](const auto& info) { return testsupport::param_name(info.param.label); });

}  // namespace
