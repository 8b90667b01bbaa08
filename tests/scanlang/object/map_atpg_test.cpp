// ATPG constraints, fault selection, test conversion and test-access
// constraints into the object.
#include <gtest/gtest.h>

#include "scanlang/front/diagnostics.h"
#include "scanlang/object/name_files.h"
#include "support/child.h"
#include "support/testsupport.h"
#include "tests/scanlang/object/section_map_util.h"

namespace {

class AtpgMap : public maptest::MapTest {};

using Names = std::vector<std::string>;

std::vector<std::string> pairs(const std::vector<Ident2Record>& list) {
    std::vector<std::string> out;
    for (const Ident2Record& r : list) out.push_back(r.first + "=" + r.second);
    return out;
}

std::vector<std::string> statements(const std::vector<TwoIdent1ListNode>& list) {
    std::vector<std::string> out;
    for (const TwoIdent1ListNode& r : list) {
        std::string s;
        for (const std::string& t : r.first) s += t + " ";
        s += "=";
        for (const std::string& t : r.second) s += " " + t;
        out.push_back(s);
    }
    return out;
}

TEST_F(AtpgMap, OptionFieldsComeFromTheBlock) {
    DftObject* obj = maptest::map(
        "%ATPG_CONSTRAINTS {\n"
        " %ATPG_MODE \"m1\" {\n"
        "  %FORCE a = '1';\n"
        "  %CONTROL b = '0';\n"
        "  %STROBE s = '1';\n"
        "  %AUTOSAVE 5;\n"
        "  %SKIPFAULTS 1, 2;\n"
        "  %ILLEGAL_INPUTS p, q = '11';\n"
        "  %GRAY_CODE x, y = '01';\n"
        "  %POWER_ON_RESET;\n"
        "  %POWER_ON_SET u, v;\n"
        "  %RESET rs = '1';\n"
        "  %RESET_DISABLE rd = '0';\n"
        "  %SET st = '1';\n"
        "  %SET_DISABLE sd = '0';\n"
        "  %RAM rm = \"r\";\n"
        "  %CLOCK ck = '0';\n"
        "  %BLACK_BOX bb1, bb2;\n"
        "  %BYPASS by;\n"
        "  %UNCONTROLLABLE uc;\n"
        "  %UNCONTROLLABLE_CHAIN ucc;\n"
        "  %UNOBSERVABLE uo;\n"
        "  %UNOBSERVABLE_CHAIN uoc;\n"
        "  %SKIP_BUS sb;\n"
        "  %NO_FLOATING nf;\n"
        "  %SKEW_FF sf;\n"
        "  %DONT_FAULT_MODULE dm;\n"
        "  %FEEDBACK_LOOPS = \"f\";\n"
        "  %RAM_READ a1 = '1';\n"
        "  %RAM_WRITE a2 = '0';\n"
        " }\n"
        " %ATPG_MODE \"m2\" { %BYPASS z; }\n"
        "}\n");
    ASSERT_TRUE(obj->atpg_constraints);
    ASSERT_EQ(obj->atpg_constraints->options.size(), 2u);
    const AtpgScanOptionRecord& o = obj->atpg_constraints->options[0];
    EXPECT_EQ(obj->atpg_constraints->left_brace_line, 1);
    EXPECT_EQ(o.name, "m1");
    EXPECT_NE(o.contain_line, -1);
    EXPECT_EQ(pairs(o.force_list), Names{"a=1"});
    EXPECT_EQ(pairs(o.control_list), Names{"b=0"});
    ASSERT_TRUE(o.strobe);
    EXPECT_EQ(o.strobe->first + "=" + o.strobe->second, "s=1");
    EXPECT_EQ(o.autosave, 5);
    EXPECT_EQ(o.skip_faults, (std::vector<int>{1, 2}));
    EXPECT_EQ(statements(o.illegal_inputs), Names{"p q = 11"});
    // The complement of the illegal patterns becomes legal.
    EXPECT_EQ(statements(o.legal_inputs), Names{"p q = 00 10 01"});
    EXPECT_EQ(statements(o.gray_code), Names{"x y = 01"});
    ASSERT_EQ(o.power_on_reset.size(), 1u);
    EXPECT_EQ(o.power_on_reset[0].names, Names{""});  // the bare statement
    ASSERT_EQ(o.power_on_set.size(), 1u);
    EXPECT_EQ(o.power_on_set[0].names, (Names{"u", "v"}));
    EXPECT_EQ(pairs(o.reset_list), Names{"rs=1"});
    EXPECT_EQ(pairs(o.reset_disable_list), Names{"rd=0"});
    EXPECT_EQ(pairs(o.set_list), Names{"st=1"});
    EXPECT_EQ(pairs(o.set_disable_list), Names{"sd=0"});
    EXPECT_EQ(pairs(o.ram_list), Names{"rm=r"});
    EXPECT_EQ(pairs(o.atpg_clock_list), Names{"ck=0"});
    const std::pair<const TextList*, Names> chains[] = {
        {&o.black_box, {"bb1", "bb2"}}, {&o.bypass, {"by"}},       {&o.uncontrol, {"uc"}},
        {&o.uncontrol_chain, {"ucc"}},  {&o.unobserve, {"uo"}},    {&o.unobserve_chain, {"uoc"}},
        {&o.skip_bus, {"sb"}},          {&o.no_floating, {"nf"}},  {&o.skew_ff, {"sf"}},
        {&o.dont_fault_module, {"dm"}}};
    for (const auto& [got, expected] : chains) EXPECT_EQ(*got, expected);
    EXPECT_EQ(o.feedback_loops, "f");
    EXPECT_EQ(statements(o.ram_read_list), Names{"a1 = 1"});
    EXPECT_EQ(statements(o.ram_write_list), Names{"a2 = 0"});

    const AtpgScanOptionRecord& m2 = obj->atpg_constraints->options[1];
    EXPECT_EQ(m2.name, "m2");
    EXPECT_EQ(m2.autosave, -1);
    EXPECT_FALSE(m2.strobe);
    EXPECT_EQ(m2.bypass, Names{"z"});
    EXPECT_TRUE(m2.legal_inputs.empty());
}

// Related legal statements are merged; the merged groups belong to the
// option that has them, not to a later option without any.
TEST_F(AtpgMap, MergedLegalInputsBelongToTheirOption) {
    DftObject* obj = maptest::map(
        "%ATPG_CONSTRAINTS {\n"
        " %ATPG_MODE \"m1\" {\n  %LEGAL_INPUTS a, b = '01', '10';\n  %LEGAL_INPUTS b, c = '00', '11';\n }\n"
        " %ATPG_MODE \"m2\" {\n  %LEGAL_INPUTS d = '1';\n }\n"
        "}\n");
    ASSERT_TRUE(obj->atpg_constraints);
    const AtpgScanOptionRecord& m1 = obj->atpg_constraints->options[0];
    ASSERT_EQ(m1.combine_legal.size(), 1u);
    EXPECT_EQ(m1.combine_legal[0].members.size(), 2u);
    EXPECT_EQ(statements(m1.legal_inputs), Names{"a b c = 011 100"});
    const AtpgScanOptionRecord& m2 = obj->atpg_constraints->options[1];
    EXPECT_TRUE(m2.combine_legal.empty());
    EXPECT_EQ(statements(m2.legal_inputs), Names{"d = 1"});
}

// (The parser already refuses patterns of the wrong length.)
TEST_F(AtpgMap, IllegalPatternsHoldNoXOrZ) {
    struct Case {
        const char* statement;
        const char* err;
    };
    const Case cases[] = {
        {"%ILLEGAL_INPUTS a, b = '1Z', '00';",
         "ERROR: 't.dft', line-3, syntax error at '1Z'.\n       ILLEGAL_INPUTS can't accept 'X' or 'Z' in pattern.\n"},
        {"%ILLEGAL_INPUTS a, b = 'X1';",
         "ERROR: 't.dft', line-3, syntax error at 'X1'.\n       ILLEGAL_INPUTS can't accept 'X' or 'Z' in pattern.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        testsupport::ChildResult r = testsupport::run_child([&] {
            maptest::parse(std::string("%ATPG_CONSTRAINTS {\n %ATPG_MODE \"m\" {\n  ") + c.statement + "\n }\n}\n");
            MAP_AST_2_OBJECT();
        });
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(AtpgMap, SelectFaultFields) {
    DftObject* obj = maptest::map(
        "%SELECT_FAULT {\n"
        " %FAULT_MODEL = \"stuck\";\n"
        " %RANDOM_SAMPLE 10%;\n"
        " %STATISTICAL_SAMPLE { %PRECISION 1%; %CONFIDENCE_LEVEL 95%; }\n"
        " %DONT_FAULT_TYPE t1;\n"
        " %MUST_FAULT_TYPE t2;\n"
        " %DONT_FAULT d1, d2, d3;\n"
        " %MUST_FAULT m1;\n"
        " %FAULT_ORDER \"o\";\n"
        " %DONT_FAULT_FILE = \"df\";\n"
        "}\n");
    ASSERT_TRUE(obj->select_fault);
    const SelectFaultRecord& s = *obj->select_fault;
    EXPECT_EQ(s.fault_model, "stuck");
    ASSERT_TRUE(s.random_sample);
    EXPECT_DOUBLE_EQ(s.random_sample->real, 0.10);
    ASSERT_TRUE(s.statistical_sample);
    ASSERT_TRUE(s.statistical_sample->precision && s.statistical_sample->confidence);
    EXPECT_DOUBLE_EQ(s.statistical_sample->precision->real, 0.01);
    EXPECT_DOUBLE_EQ(s.statistical_sample->confidence->real, 0.95);
    EXPECT_EQ(s.dont_fault_type, Names{"t1"});
    EXPECT_EQ(s.must_fault_type, Names{"t2"});
    EXPECT_EQ(s.dont_fault, (Names{"d1", "d2", "d3"}));
    EXPECT_EQ(s.must_fault, Names{"m1"});
    EXPECT_EQ(s.fault_order, "o");
    EXPECT_EQ(s.dont_fault_file, "df");
    EXPECT_EQ(s.must_fault_file, "");
    EXPECT_FALSE(s.dont_fault_paths);
    EXPECT_EQ(s.line, 11);
    EXPECT_EQ(s.left_brace_line, 1);
    EXPECT_EQ(s.dont_fault_num, 3);
    EXPECT_EQ(s.must_fault_num, 1);
}

// The names of the fault-list files join the lists after the written
// names; the counts keep the written ones.  A file that cannot be read is
// a warning and leaves the list as written.
TEST_F(AtpgMap, FaultListFilesJoinTheLists) {
    testsupport::TempDir dir;
    dir.write("dont.txt", "f1,f2;\r\nf3\n");
    dir.write("must.txt", "n1 n2\n");
    testsupport::ChangeDir cd(dir.path());
    struct Case {
        const char* text;
        Names dont, must;
        int dont_num, must_num;
        bool warned;
    };
    const Case cases[] = {
        {"%SELECT_FAULT { %DONT_FAULT d1, d2, d3; %DONT_FAULT_FILE = \"dont.txt\"; }\n",
         {"d1", "d2", "d3", "f1", "f2", "f3"}, {}, 3, -1, false},
        {"%SELECT_FAULT { %MUST_FAULT_FILE = \"must.txt\"; }\n", {}, {"n1", "n2"}, -1, 0, false},
        {"%SELECT_FAULT { %DONT_FAULT d1; %MUST_FAULT m1; }\n", {"d1"}, {"m1"}, 1, 1, false},
        {"%SELECT_FAULT { %DONT_FAULT d1; %DONT_FAULT_FILE = \"gone.txt\"; }\n", {"d1"}, {}, 1, -1, true},
    };
    for (const Case& c : cases) {
        sl_dont_fault_num = sl_must_fault_num = 99;
        std::string err;
        DftObject* obj = nullptr;
        err = testsupport::stderr_of([&] { obj = maptest::map(c.text); });
        ASSERT_TRUE(obj->select_fault) << c.text;
        const SelectFaultRecord& s = *obj->select_fault;
        EXPECT_EQ(s.dont_fault, c.dont) << c.text;
        EXPECT_EQ(s.must_fault, c.must) << c.text;
        EXPECT_EQ(s.dont_fault_num, c.dont_num) << c.text;
        EXPECT_EQ(s.must_fault_num, c.must_num) << c.text;
        if (c.dont_num >= 0) {
            EXPECT_EQ(sl_dont_fault_num, c.dont_num) << c.text;
        }
        if (c.must_num >= 0) {
            EXPECT_EQ(sl_must_fault_num, c.must_num) << c.text;
        }
        EXPECT_EQ(has_error != 0, c.warned) << c.text;
        EXPECT_EQ(err.find("gone.txt") != std::string::npos, c.warned) << err;
    }
}

TEST_F(AtpgMap, TestConversionFields) {
    DftObject* obj = maptest::map(
        "%TEST_CONVERSION {\n"
        " %SET_TIMING { %CYCLE = 100; }\n"
        " %CLOCK { %CLOCK c1 = '1'; %BIST_CLOCK b1 = '0'; }\n"
        " %REMOVE_PIN r1, r2;\n"
        " %DIFF_PAD dp { %P_PAD = pp; %N_PAD = nn; }\n"
        "}\n"
        "%TA_CONSTRAINTS {\n"
        " %CLOCK tc = '1';\n"
        " %DFT d1, d2;\n"
        " %ISOLATE_MOD im { a '1', b '0' } ;\n"
        " %ISOLATE_RAM ir { c '1' } ;\n"
        " %INIT_PATTERNS ip;\n"
        "}\n");
    ASSERT_TRUE(obj->test_conversion);
    const TestConversionRecord& t = *obj->test_conversion;
    ASSERT_TRUE(t.set_timing);
    EXPECT_EQ(t.set_timing->cycle, 100);
    ASSERT_EQ(t.test_c_clock.size(), 1u);
    EXPECT_EQ(t.test_c_clock[0].first + "=" + t.test_c_clock[0].second, "c1=1");
    ASSERT_EQ(t.test_b_clock.size(), 1u);
    EXPECT_EQ(t.test_b_clock[0].first + "=" + t.test_b_clock[0].second, "b1=0");
    EXPECT_EQ(t.remove_pins, (Names{"r1", "r2"}));
    EXPECT_EQ(t.left_brace_line, 1);
    EXPECT_EQ(t.clock_right_brace_line, 3);
    ASSERT_TRUE(t.diff_pads);
    ASSERT_EQ(t.diff_pads->size(), 1u);
    EXPECT_EQ((*t.diff_pads)[0].name + (*t.diff_pads)[0].p_pad + (*t.diff_pads)[0].n_pad, "dpppnn");

    ASSERT_TRUE(obj->ta_constraints);
    const TaConstraintsRecord& a = *obj->ta_constraints;
    EXPECT_EQ(pairs(a.ta_clock_list), Names{"tc=1"});
    EXPECT_EQ(a.ta_dft, (Names{"d1", "d2"}));
    ASSERT_EQ(a.isolate_mod.size(), 1u);
    EXPECT_EQ(a.isolate_mod[0].name, "im");
    EXPECT_EQ(pairs(a.isolate_mod[0].forced), (Names{"a=1", "b=0"}));
    ASSERT_EQ(a.isolate_ram.size(), 1u);
    EXPECT_EQ(pairs(a.isolate_ram[0].forced), Names{"c=1"});
    EXPECT_TRUE(a.isolate_reg.empty());
    EXPECT_EQ(a.init_patterns, "ip");
}

TEST_F(AtpgMap, ConversionWithoutClocksAndAbsentSections) {
    DftObject* obj = maptest::map("%TEST_CONVERSION {\n %REMOVE_PIN r1;\n}\n");
    ASSERT_TRUE(obj->test_conversion);
    EXPECT_TRUE(obj->test_conversion->test_c_clock.empty());
    EXPECT_TRUE(obj->test_conversion->test_b_clock.empty());
    EXPECT_FALSE(obj->test_conversion->set_timing);
    EXPECT_EQ(obj->test_conversion->clock_right_brace_line, -1);
    EXPECT_FALSE(obj->atpg_constraints);
    EXPECT_FALSE(obj->select_fault);
    EXPECT_FALSE(obj->ta_constraints);
}

}  // namespace
