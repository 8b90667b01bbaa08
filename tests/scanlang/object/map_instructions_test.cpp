// Instructions into the object: the sequence steps of %CORE blocks,
// %MBIST_BSD, the top-level %INSTRUCTION section and its order table.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "scanlang/object/readers.h"
#include "support/child.h"
#include "tests/scanlang/object/section_map_util.h"

namespace {

using maptest::names_of;

const char* const kSequences =
    "%SEQUENCE ld { %FORCE se = '1'; }\n"
    "%SEQUENCE sh { %FORCE se = '0'; }\n"
    "%SEQUENCE hd { %FORCE se = '1'; }\n"
    "%SEQUENCE cp { %FORCE se = '0'; }\n"
    "%SEQUENCE ex { %FORCE se = '0'; }\n";

// Maps the sequences of `text`, lets `adjust` change them, then maps the
// cores and the instruction sections in the mapping's order.
DftObject* map_steps(const std::string& text, const std::function<void(DftObject&)>& adjust = {}) {
    maptest::parse(text);
    DftObject* obj = NEW_OBJECT_DFT();
    DFT_OBJECT = obj;
    const ScanAstNode* root = thedftAST->child;
    map_sequences(SCAN_FIND_AST(root, SEQUENCE_LIST_NODE));
    if (adjust) adjust(*obj);
    map_cores(SCAN_FIND_AST(root, CORE_LIST_NODE));
    map_mbist_bsd(SCAN_FIND_AST(root, MBIST_BSD_NODE));
    map_instructions(SCAN_FIND_AST(root, INSTRUCTION_LIST_NODE));
    map_instr_order_tab(SCAN_FIND_AST(root, INSTRUCTION_LIST_NODE));
    return obj;
}

class InstructionsMap : public maptest::MapTest {};

TEST_F(InstructionsMap, CoreBlockStepsAreSharedByItsCores) {
    DftObject* obj = map_steps(std::string(kSequences) +
                               "%CORE {\n"
                               " %NAME = c1;\n"
                               " %NAME = c2;\n"
                               " %DFT_FILE = \"c.dft\";\n"
                               " %PREAMBLE = ld, sh;\n"
                               " %PATSET p1 { %DFT_FILE = \"p.dft\"; %FORCE_LIST = ex, cp; %BTP = \"b\"; %TP = \"t\";"
                               " %INT = \"i\"; %OPTION = \"o\"; }\n"
                               " %PATSET p2 { %BTP = \"b2\"; }\n"
                               " %INSTRUCTION w1 { %MODE = \"m1\"; %PREAMBLE = ld, hd; %SHIFT = sh; %EXTRA = ex;"
                               " %HOLD = hd; %CAPTURE = cp; %PATSET q { %BTP = \"x\"; } }\n"
                               " %INSTRUCTION w2 { %SHIFT = sh; }\n"
                               "}\n"
                               "%CORE { %NAME = c3; %DFT_FILE = \"d.dft\"; }\n");
    ASSERT_TRUE(obj->core_section);
    const std::vector<CoreInfoRecord>& cores = obj->core_section->cores;
    ASSERT_EQ(cores.size(), 3u);
    for (int i : {0, 1}) {
        SCOPED_TRACE(cores[i].core_name);
        ASSERT_TRUE(cores[i].instructions);
        const std::vector<CoreInstructionRecord>& ins = *cores[i].instructions;
        ASSERT_EQ(ins.size(), 2u);
        EXPECT_EQ(ins[0].name, "w1");
        EXPECT_EQ(ins[0].mode, "m1");
        ASSERT_TRUE(ins[0].sequences && ins[0].sequence_kinds);
        EXPECT_EQ(names_of(*ins[0].sequences), (std::vector<std::string>{"ld", "hd", "sh", "ex", "hd", "cp"}));
        EXPECT_EQ(*ins[0].sequence_kinds, (std::vector<int>{STEP_PREAMBLE, STEP_PREAMBLE, STEP_SHIFT, STEP_EXTRA_SEQ,
                                                            STEP_HOLD, STEP_CAPTURE}));
        EXPECT_EQ(ins[1].name, "w2");
        EXPECT_EQ(ins[1].mode, "");
        EXPECT_EQ(names_of(*ins[1].sequences), std::vector<std::string>{"sh"});
        // The steps point at the object's own sequence records.
        EXPECT_EQ((*ins[1].sequences)[0], SCAN_FIND_SEQUENCE("sh"));

        ASSERT_TRUE(cores[i].preamble);
        EXPECT_EQ(names_of(*cores[i].preamble), (std::vector<std::string>{"ld", "sh"}));
        ASSERT_TRUE(cores[i].patsets);
        ASSERT_EQ(cores[i].patsets->size(), 2u);
        const CorePatsetRecord& p = (*cores[i].patsets)[0];
        EXPECT_EQ(p.name, "p1");
        EXPECT_EQ(p.dft_file, "p.dft");
        EXPECT_FALSE(p.preamble);
        ASSERT_TRUE(p.force_sequences);
        EXPECT_EQ(names_of(*p.force_sequences), (std::vector<std::string>{"ex", "cp"}));
        EXPECT_EQ(p.btp + p.tp + p.int_value + p.option, "btio");
        EXPECT_EQ((*cores[i].patsets)[1].name, "p2");
        EXPECT_EQ((*cores[i].patsets)[1].btp, "b2");
        EXPECT_FALSE((*cores[i].patsets)[1].force_sequences);
    }
    // Nothing of the first block carries over into the next.
    EXPECT_EQ(cores[2].core_name, "c3");
    EXPECT_FALSE(cores[2].instructions);
    EXPECT_FALSE(cores[2].preamble);
    EXPECT_FALSE(cores[2].patsets);
}

TEST_F(InstructionsMap, TopLevelInstructionFields) {
    DftObject* obj = map_steps(std::string(kSequences) +
                               "%INSTRUCTION scan {\n"
                               " %MODE = \"m2\";\n"
                               " %PREAMBLE = ld, hd, cp;\n"
                               " %SHIFT = sh;\n"
                               " %EXTRA = ex;\n"
                               " %HOLD = hd;\n"
                               " %CAPTURE = cp;\n"
                               " %POSTAMBLE = ex, ld;\n"
                               " %RUNBIST = cp;\n"
                               " %PROPAGATE = sh;\n"
                               " %RAM_WRITE = hd;\n"
                               "}\n"
                               "%INSTRUCTION bare {\n %SHIFT = sh;\n %HOLD = hd;\n}\n");
    ASSERT_EQ(obj->instructions.size(), 2u);
    const InstructionRecord& r = obj->instructions[0];
    auto name = [](const SequenceRecord* s) { return s ? s->name : std::string("(none)"); };
    EXPECT_EQ(r.name, "scan");
    EXPECT_EQ(r.mode, "m2");
    EXPECT_EQ(names_of(r.preamble_list), (std::vector<std::string>{"ld", "hd", "cp"}));
    EXPECT_EQ(r.first_preamble, r.preamble_list[0]);
    EXPECT_EQ(names_of(r.extra_seq_list), std::vector<std::string>{"ex"});
    EXPECT_EQ(names_of(r.postamble_list), (std::vector<std::string>{"ex", "ld"}));
    EXPECT_EQ(name(r.first_postamble), "ex");
    const std::pair<const SequenceRecord*, const char*> singles[] = {
        {r.shift, "sh"}, {r.propagate, "sh"}, {r.hold, "hd"}, {r.runbist, "cp"}, {r.capture, "cp"}, {r.ram_write, "hd"}};
    for (auto [s, expected] : singles) EXPECT_EQ(name(s), expected);
    EXPECT_EQ(r.shift, SCAN_FIND_SEQUENCE("sh"));
    EXPECT_EQ(r.name_line, 6);
    EXPECT_GE(r.item_line, 6);

    const InstructionRecord& bare = obj->instructions[1];
    EXPECT_EQ(bare.name, "bare");
    EXPECT_TRUE(bare.preamble_list.empty());
    EXPECT_EQ(bare.first_preamble, nullptr);
    EXPECT_EQ(bare.capture, nullptr);
    EXPECT_EQ(bare.mode, "");
    EXPECT_EQ(SCAN_FIND_INSTRUCTION("bare"), &bare);
}

TEST_F(InstructionsMap, OrderTableListsTheStepsOfEachInstruction) {
    DftObject* obj = map_steps(std::string(kSequences) +
                               "%INSTRUCTION a { %MODE = \"m\"; %SHIFT = sh; %HOLD = hd; %CAPTURE = cp; }\n"
                               "%INSTRUCTION b { %PREAMBLE = ld; %SHIFT = sh; %EXTRA = ex; %HOLD = hd;"
                               " %POSTAMBLE = ld; %RAM_WRITE = hd; %RUNBIST = cp; %PROPAGATE = sh; }\n");
    std::vector<std::pair<int, int>> got;
    for (const InstrOrderTabRecord& r : obj->instr_order_tab) got.emplace_back(r.instruction_index, r.step_kind);
    const std::vector<std::pair<int, int>> expected = {
        {0, STEP_MODE},      {0, STEP_SHIFT},     {0, STEP_HOLD},     {0, STEP_CAPTURE},
        {1, STEP_PREAMBLE},  {1, STEP_SHIFT},     {1, STEP_EXTRA_SEQ}, {1, STEP_HOLD},
        {1, STEP_POSTAMBLE}, {1, STEP_RAM_WRITE}, {1, STEP_RUNBIST},  {1, STEP_PROPAGATE}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(INSTR_ORDER_TAB, &obj->instr_order_tab);
}

TEST_F(InstructionsMap, WithoutTheSectionsNothingIsSet) {
    DftObject* obj = map_steps(kSequences);
    EXPECT_TRUE(obj->instructions.empty());
    EXPECT_TRUE(obj->instr_order_tab.empty());
    EXPECT_TRUE(obj->mbist_bsd.empty());
    EXPECT_EQ(INSTR_ORDER_TAB, nullptr);
}

TEST_F(InstructionsMap, MbistBsdEntries) {
    DftObject* obj = map_steps(
        "%MBIST_BSD {\n"
        " %INSTRUCTION mb { %MBIST_CLOCK = clk; %MBIST_MDF = \"m.mdf\"; }\n"
        " %INSTRUCTION mc { %MBIST_MDF = \"n.mdf\"; }\n"
        "}\n");
    ASSERT_EQ(obj->mbist_bsd.size(), 2u);
    const MbistBsdInstructionRecord& a = obj->mbist_bsd[0];
    EXPECT_EQ(a.name, "mb");
    EXPECT_EQ(a.mbist_clock, "clk");
    EXPECT_EQ(a.mbist_mdf, "m.mdf");
    EXPECT_EQ(a.name_line, 2);
    const MbistBsdInstructionRecord& b = obj->mbist_bsd[1];
    EXPECT_EQ(b.name, "mc");
    EXPECT_EQ(b.mbist_clock, "");
    EXPECT_EQ(b.mbist_mdf, "n.mdf");
}

// Mappings that end the run: the message, on standard output unless the
// case says standard error, and the status.
struct FatalCase {
    const char* name;
    std::string text;
    std::string out;
    std::string err;
    std::function<void(DftObject&)> adjust = {};  // none for most cases
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class InstructionsRefused : public InstructionsMap, public testing::WithParamInterface<FatalCase> {};

TEST_P(InstructionsRefused, EndsTheRunNamingTheSequence) {
    const FatalCase& c = GetParam();
    testsupport::ChildResult r = testsupport::run_child([&] { map_steps(std::string(kSequences) + c.text, c.adjust); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
}

std::string core_with(const std::string& items) {
    return "%CORE {\n %NAME = c1;\n %DFT_FILE = \"c.dft\";\n" + items + "}\n";
}

void drop_sequence(DftObject& obj, const std::string& name) {
    std::erase_if(obj.sequences, [&](const SequenceRecord& s) { return s.name == name; });
}

INSTANTIATE_TEST_SUITE_P(
    InstructionsMap, InstructionsRefused,
    testing::Values(
        FatalCase{"CoreShift", core_with(" %INSTRUCTION w { %SHIFT = nosuch; }\n"),
                  "ERROR: Can not find shift sequence 'nosuch' of the core.\n", ""},
        FatalCase{"CorePreamble", core_with(" %INSTRUCTION w { %PREAMBLE = ld, gone; }\n"),
                  "ERROR: Can not find preamble sequence 'gone' of the core.\n", ""},
        FatalCase{"CoreExtra", core_with(" %INSTRUCTION w { %EXTRA = e2; }\n"),
                  "ERROR: Can not find extra sequence 'e2' of the core.\n", ""},
        FatalCase{"CoreHold", core_with(" %INSTRUCTION w { %HOLD = h2; }\n"),
                  "ERROR: Can not find hold sequence 'h2' of the core.\n", ""},
        FatalCase{"CoreCapture", core_with(" %INSTRUCTION w { %CAPTURE = c2; }\n"),
                  "ERROR: Can not find capture sequence 'c2' of the core.\n", ""},
        FatalCase{"BlockPreamble", core_with(" %PREAMBLE = ld, p9;\n"),
                  "ERROR: Can not find preamble sequence 'p9' of the core 'c1'.\n", ""},
        FatalCase{"PatsetForceList", core_with(" %PATSET p { %FORCE_LIST = f9; }\n"),
                  "ERROR: Can not find sequence 'f9' of the core 'c1'.\n", ""},
        FatalCase{"CoreWithoutDftFile", "%CORE {\n %NAME = c7;\n %INSTRUCTION w { %SHIFT = sh; }\n}\n",
                  "ERROR: Please specify dft file of core 'c7' in top module dft file.\n", ""},
        // Names the front end lets through (no sequence of that name is
        // left) are reported by name, not read as none.
        FatalCase{"UndefinedTopShift", "%INSTRUCTION s {\n %SHIFT = sh;\n %HOLD = hd;\n}\n", "",
                  "ERROR : 't.dft', line-7, SEQUENCE name - 'sh' is undefined.\n",
                  [](DftObject& o) { drop_sequence(o, "sh"); }},
        FatalCase{"UndefinedTopHold", "%INSTRUCTION s {\n %SHIFT = sh;\n %HOLD = hd;\n}\n", "",
                  "ERROR : 't.dft', line-8, SEQUENCE name - 'hd' is undefined.\n",
                  [](DftObject& o) { drop_sequence(o, "hd"); }},
        FatalCase{"UndefinedTopPreamble", "%INSTRUCTION s {\n %PREAMBLE = ld;\n %SHIFT = sh;\n %HOLD = hd;\n}\n", "",
                  "ERROR : 't.dft', line-7, SEQUENCE name - 'ld' is undefined.\n",
                  [](DftObject& o) { drop_sequence(o, "ld"); }},
        FatalCase{"LaunchTimingInShift", "%INSTRUCTION s {\n %SHIFT = sh;\n %HOLD = hd;\n}\n",
                  "ERROR: LAUNCH/CAPTURE type timing block only can exist in the capture sequence!\n", "",
                  [](DftObject& o) { o.sequences[1].launch_timing.emplace(); }},
        FatalCase{"CaptureTimingInHold", "%INSTRUCTION s {\n %SHIFT = sh;\n %HOLD = hd;\n}\n",
                  "ERROR: LAUNCH/CAPTURE type timing block only can exist in the capture sequence!\n", "",
                  [](DftObject& o) { o.sequences[2].capture_timing.emplace(); }},
        FatalCase{"LaunchTimingInFirstPreamble", "%INSTRUCTION s {\n %PREAMBLE = ld, cp;\n %SHIFT = sh;\n %HOLD = hd;\n}\n",
                  "ERROR: LAUNCH/CAPTURE type timing block only can exist in the capture sequence!\n", "",
                  [](DftObject& o) { o.sequences[0].launch_timing.emplace(); }}),
    [](const testing::TestParamInfo<FatalCase>& info) { return std::string(info.param.name); });

// Only the first preamble sequence is held to the rule.
TEST_F(InstructionsMap, LaterPreambleMayHoldTiming) {
    DftObject* obj = map_steps(std::string(kSequences) + "%INSTRUCTION s { %PREAMBLE = ld, cp; %SHIFT = sh; %HOLD = hd; }\n",
                               [](DftObject& o) { o.sequences[3].capture_timing.emplace(); });
    ASSERT_EQ(obj->instructions.size(), 1u);
    EXPECT_EQ(names_of(obj->instructions[0].preamble_list), (std::vector<std::string>{"ld", "cp"}));
}

}  // namespace
