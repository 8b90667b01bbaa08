// The cursor accessors over a hand-built object: range checks, the
// connect-scan index, the sequence slots of an instruction and the steps
// of the instruction order table.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "object_util.h"
#include "scanlang/front/legal_inputs.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/readers.h"

namespace {

using objtest::ObjectTest;

// A record with its name (first field) set.
template <class R>
R named(const char* name) {
    R r;
    if constexpr (requires { r.first_name; })
        r.first_name = name;
    else
        r.name = name;
    return r;
}

TEST_F(ObjectTest, WithoutObjectEveryCountIsZero) {
    const std::pair<const char*, std::function<int()>> counts[] = {
        {"clock", SL_clock_period_clock_countG}, {"core", SL_core_name_countG},
        {"mbist_bsd", sl_mbist_bsd_instruction_count}, {"sequence", sequence_count},
        {"instruction", instruction_count},     {"connect_scan", connect_scan_count},
        {"scan_select", scan_select_count},     {"connect_core", connect_core_count},
        {"connect_bist", connect_bist_count},   {"bist_clock", bist_clock_count},
        {"atpg_scan_opt", atpg_scan_opt_count}, {"legal_inputs", legal_inputs_count},
        {"test_ram_read", test_ram_read_count}, {"isolate_mod", scan_isolate_mod_count},
        {"scan_module", sl_scan_module_count},  {"map_scan", map_scan_count},
        {"r_cell", r_cell_count},               {"tp_cell", tp_cell_count},
        {"preamble", preamble_count},           {"extra_seq", extra_seq_count},
        {"instr_seq", instr_seq_count},         {"lorvish", scan_lorvish_instance_element_count},
    };
    for (const auto& [name, count] : counts) EXPECT_EQ(count(), 0) << name;
    EXPECT_EQ(set_current_connect_scan(0), nullptr);
    EXPECT_EQ(set_instruction_sequence(SLOT_SHIFT), nullptr);
}

TEST_F(ObjectTest, SelectionsAreRangeChecked) {
    DFT_OBJECT = NEW_OBJECT_DFT();
    DFT_OBJECT->clock_period = ClockPeriodRecord{{{"ck1", 10.0, 1}, {"ck2", 2.5, 2}}, 1, 1};
    EXPECT_EQ(SL_clock_period_clock_countG(), 2);
    EXPECT_EQ(set_current_clock(1)->name, "ck2");
    EXPECT_EQ(set_current_clock(-1), nullptr);
    EXPECT_EQ(current_clock, nullptr);
    EXPECT_EQ(set_current_clock(2), nullptr);
    EXPECT_EQ(current_clock, nullptr);

    DFT_OBJECT->connect_scan.resize(2);
    EXPECT_EQ(set_current_connect_scan(2), nullptr);
    EXPECT_EQ(set_current_connect_scan(-1), nullptr);
    set_SL_LORVISH_PSO_ORDER_TAB();
    EXPECT_EQ(set_current_scan_lorvish_instance_element(0), nullptr);
    EXPECT_EQ(sl_get_lorvish_pso_scan_type(0), 0);
}

TEST_F(ObjectTest, ConnectScanIndexHoldsEachChainOnce) {
    DftObject* top = DFT_OBJECT = NEW_OBJECT_DFT();
    for (const char* name : {"c0", "c1", "c2"}) top->connect_scan.push_back(named<ConnectScanRecord>(name));
    DftTreeNode* node = SL_NEW_SCAN_DFT_PTR();
    node->object = top;
    SL_CORE_LIST.push_back({"top.dft", "top", top, nullptr});
    DftObject* other = NEW_OBJECT_DFT();
    SL_CORE_LIST.push_back({"o.dft", "o", other, top});

    for (int round = 0; round < 3; ++round) {
        DFT_setup(node);  // clears the cursor; the index stays
        EXPECT_EQ(connect_scan_count(), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(set_current_connect_scan(i)->first_name, "c" + std::to_string(i));
        ASSERT_TRUE(top->connect_scan_index);
        EXPECT_EQ(top->connect_scan_index->size(), 3u);
    }
    const ConnectScanRecord* second = set_current_connect_scan(1);
    DFT_inst_setup("o");
    EXPECT_EQ(connect_scan_count(), 0);
    DFT_inst_setup("top");
    EXPECT_EQ(connect_scan_count(), 3);
    EXPECT_EQ(set_current_connect_scan(1), second);
}

// An instruction over the sequences p1 p2 (preamble), sh (shift), e1 e2
// e3 (extra), q1 (postamble) and one sequence per other slot.
class InstructionCursorTest : public ObjectTest {
protected:
    void SetUp() override {
        ObjectTest::SetUp();
        DFT_OBJECT = NEW_OBJECT_DFT();
        for (const char* name : {"p1", "p2", "sh", "e1", "e2", "e3", "pr", "ho", "rb", "ca", "rw", "q1"})
            DFT_OBJECT->sequences.push_back(named<SequenceRecord>(name));
        InstructionRecord in;
        in.name = "i0";
        in.preamble_list = {seq("p1"), seq("p2")};
        in.shift = seq("sh");
        in.extra_seq_list = {seq("e1"), seq("e2"), seq("e3")};
        in.propagate = seq("pr");
        in.hold = seq("ho");
        in.runbist = seq("rb");
        in.capture = seq("ca");
        in.ram_write = seq("rw");
        in.postamble_list = {seq("q1")};
        DFT_OBJECT->instructions = {in, named<InstructionRecord>("i1")};
        DFT_OBJECT->instr_order_tab = {{0, STEP_MODE},  {0, STEP_PREAMBLE}, {0, STEP_EXTRA_SEQ},
                                       {0, STEP_SHIFT}, {1, STEP_SHIFT}};
        INSTR_ORDER_TAB = &DFT_OBJECT->instr_order_tab;
    }
    const SequenceRecord* seq(const char* name) { return SCAN_FIND_SEQUENCE(name); }
    static std::string name_of(const SequenceRecord* s) { return s ? s->name : "(none)"; }
};

TEST_F(InstructionCursorTest, SlotsSelectTheirSequences) {
    set_current_instruction(0);
    const std::pair<int, const char*> slots[] = {{SLOT_SHIFT, "sh"},   {SLOT_PROPAGATE, "pr"}, {SLOT_HOLD, "ho"},
                                                 {SLOT_RUNBIST, "rb"}, {SLOT_CAPTURE, "ca"},   {SLOT_RAM_WRITE, "rw"},
                                                 {SLOT_PREAMBLE, "p1"}, {SLOT_POSTAMBLE, "q1"}, {9, "(none)"},
                                                 {-1, "(none)"}};
    for (auto [slot, expected] : slots) EXPECT_EQ(name_of(set_instruction_sequence(slot)), expected) << slot;

    set_instruction_sequence(SLOT_PREAMBLE);
    EXPECT_EQ(preamble_count(), 2);
    EXPECT_EQ(name_of(set_current_preamble(1)), "p2");
    EXPECT_EQ(set_current_preamble(2), nullptr);
    set_instruction_sequence(SLOT_POSTAMBLE);
    EXPECT_EQ(postamble_count(), 1);
}

TEST_F(InstructionCursorTest, ExtraSequencesComeOneAfterAnother) {
    set_current_instruction(0);
    set_connect_instr_order();
    EXPECT_EQ(extra_seq_count(), 3);
    std::string taken;
    for (int k = 0; k < 4; ++k) taken += name_of(set_instruction_sequence(SLOT_EXTRA)) + " ";
    EXPECT_EQ(taken, "e1 e2 e3 (none) ");
    set_connect_instr_order();
    EXPECT_EQ(name_of(set_instruction_sequence(SLOT_EXTRA)), "e1");
}

TEST_F(InstructionCursorTest, OrderTableStepsOfOneInstruction) {
    set_current_instruction(0);
    set_connect_instr_order();
    ASSERT_NE(current_instr_order_tab, nullptr);
    EXPECT_EQ(current_instr_order_tab->step_kind, STEP_MODE);
    EXPECT_EQ(instr_seq_count(), 3) << "the MODE step is not counted";
    EXPECT_EQ(set_current_instr_order_tab(1)->step_kind, STEP_SHIFT);
    EXPECT_EQ(instr_seq_count(), 1);
    EXPECT_EQ(set_current_instr_order_tab(2), nullptr);
    EXPECT_EQ(instr_seq_count(), 0);
}

TEST_F(ObjectTest, MapCursorsShareTheRepairCellCursor) {
    MAP_OBJECT = std::make_shared<MapObject>();
    MAP_OBJECT->repair_cell.emplace().r_cells = {RCellRecord{"r0", "rep", {}}};
    MAP_OBJECT->test_point_cells = {TestPointCellRecord{"tp", "t0", {}}};
    set_current_r_cell(0);
    ASSERT_TRUE(std::holds_alternative<const RCellRecord*>(current_r_cell));
    set_current_tp_cell(0);
    ASSERT_TRUE(std::holds_alternative<const TestPointCellRecord*>(current_r_cell));
    EXPECT_EQ(std::get<const TestPointCellRecord*>(current_r_cell)->name, "t0");
    set_current_tp_cell(1);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(current_r_cell));
}

TEST_F(ObjectTest, OriginalLegalInputsOfTheCurrentOption) {
    DFT_OBJECT = NEW_OBJECT_DFT();
    AtpgScanOptionRecord option;
    option.legal_inputs = {TwoIdentListRecord{{"a"}, {"0"}, 1}, TwoIdentListRecord{{"b"}, {"1"}, 2}};
    DoubleTwoIdentListRecord merged{{{"a", "b"}, {"01"}, -1}, option.legal_inputs};
    option.combine_legal = {merged};
    DFT_OBJECT->atpg_constraints.emplace().options = {option};
    set_current_atpg_scan_opt(0);
    EXPECT_EQ(legal_inputs_count(), 2);
    const std::vector<TwoIdentListRecord>* members = set_original_legal_inputs(0);
    ASSERT_NE(members, nullptr);
    EXPECT_EQ(members->size(), 2u);
    ASSERT_EQ(COMBINE_LEGAL.size(), 1u);
    EXPECT_EQ(set_original_legal_inputs(1), nullptr) << "past the combined list";
    COMBINE_LEGAL.clear();
    EXPECT_EQ(set_original_legal_inputs(2), nullptr);
    EXPECT_TRUE(COMBINE_LEGAL.empty()) << "out of range leaves it alone";
}

TEST_F(ObjectTest, InstanceFileBehindTheObjectsDirectory) {
    DFT_OBJECT = NEW_OBJECT_DFT();
    DFT_OBJECT->dft_file_dir = "d/";
    ConnectScanRecord chain;
    chain.instances.push_back(InstancesRecord{"inst.pso", {}, {}, -1});
    DFT_OBJECT->connect_scan.push_back(chain);
    set_current_connect_scan(0);
    set_current_scan_instances(0);
    EXPECT_EQ(set_current_scan_instances_file(), "d/inst.pso");
    sl_modify_connect_scanG(4);
    EXPECT_EQ(current_connect_scan, nullptr);
    EXPECT_EQ(connect_scan_count(), 4);
    EXPECT_EQ(set_current_connect_scan(0)->instances.size(), 1u);
}

}  // namespace
