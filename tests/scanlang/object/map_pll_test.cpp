// PLL clock fixes, PLLs and blackboxes into the object.
#include <gtest/gtest.h>

#include "tests/scanlang/object/section_map_util.h"

namespace {

class PllMap : public maptest::MapTest {};

using Names = std::vector<std::string>;

TEST_F(PllMap, ClockFixesTakeEveryFieldTheirFormStates) {
    DftObject* obj = maptest::map(
        "%PLL_CLOCK_FIX f1 {\n"
        " %SCOPE = top;\n"
        " %PLL_PATH = u/pll;\n"
        " %EXTERNAL_PLL_IN_CLOCK e1 { %PERIOD = 10; %FROM_EXTERNAL_PLL_CLOCK_INPORT = pa; }\n"
        " %FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK e2 { %PLL_CLOCK_INPORT = pi; %FROM_EXTERNAL_SCAN_CLOCK_INPORT = sa;"
        " %NEW_EXTERNAL_PLL_CLOCK_INPORT = nx; }\n"
        " %FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK e4 { %PLL_CLOCK_INPORT = p4; %FROM_CLOCK_GENERATOR = g;"
        " %FROM_CLOCK_GENERATOR_OUTPORT = go; %FROM_INTERNAL_SCAN_CLOCK_WIRE = sw; %NEW_INTERNAL_PLL_CLOCK_WIRE = nw4;"
        " %NEW_SCAN_CLOCK_ENABLE_INPORT = se4; %NEW_LBIST_DOMAIN_CLOCK_OUTPORT = lo4; }\n"
        " %FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK e5 { %PLL_CLOCK_INPORT = p5; %THROUGH_CLOCK_GENERATOR = tg;"
        " %THROUGH_CLOCK_GENERATOR_INPORT = ti; %NEW_EXTERNAL_PLL_CLOCK_INPORT = n5; }\n"
        " %FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK e6 { %PLL_CLOCK_OUTPORT = po; %DRIVE_CLOCK_WIRE = dw;"
        " %NEW_SCAN_CLOCK_ENABLE_INPORT = se; %NEW_INTERNAL_PLL_CLOCK_WIRE = nw; %NEW_LBIST_DOMAIN_CLOCK_OUTPORT = lo; }\n"
        "}\n"
        "%PLL_CLOCK_FIX f2 { %INTERNAL_PLL_IN_CLOCK e3 { %PLL_CLOCK_INPORT = p3; %FROM_INTERNAL_PLL_CLOCK_WIRE = w3; } }\n");
    ASSERT_TRUE(obj->pll_clock_fix);
    ASSERT_EQ(obj->pll_clock_fix->size(), 2u);
    const PllClockFixEntry& f = (*obj->pll_clock_fix)[0];
    EXPECT_EQ(f.name, "f1");
    EXPECT_EQ(f.scope, "top");
    EXPECT_EQ(f.pll_path, "u/pll");
    EXPECT_EQ(f.line, 9);  // the entry closes on line 9
    ASSERT_TRUE(f.fixes);
    ASSERT_EQ(f.fixes->size(), 5u);
    // Per fix: kind, name, period and its fields in declaration order
    // joined with "|" (empty fields included).
    auto fields = [](const PllClockFixItem& i) {
        std::string s;
        for (const std::string* t :
             {&i.pll_clock_inport, &i.pll_clock_outport, &i.from_internal_pll_clock_wire,
              &i.from_internal_scan_clock_wire, &i.from_external_pll_clock_inport, &i.from_external_scan_clock_inport,
              &i.from_clock_generator, &i.from_clock_generator_outport, &i.new_internal_pll_clock_wire,
              &i.new_external_pll_clock_inport, &i.new_scan_clock_enable_inport, &i.new_lbist_domain_clock_outport,
              &i.through_clock_generator, &i.through_clock_generator_inport, &i.drive_clock_wire})
            s += *t + "|";
        return std::to_string(i.kind) + " " + i.name + " " + std::to_string(i.period) + " " + s;
    };
    const char* const expected[] = {
        "1 e1 10 ||||pa|||||||||||",
        // Forms 2 and 4 keep their new ports and wires too.
        "2 e2 -1 pi|||||sa||||nx||||||",
        "4 e4 -1 p4|||sw|||g|go|nw4||se4|lo4||||",
        "5 e5 -1 p5|||||||||n5|||tg|ti||",
        "6 e6 -1 |po|||||||nw||se|lo|||dw|",
    };
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(fields((*f.fixes)[i]), expected[i]) << i;
    const PllClockFixEntry& g = (*obj->pll_clock_fix)[1];
    ASSERT_TRUE(g.fixes);
    EXPECT_EQ(fields((*g.fixes)[0]), "3 e3 -1 p3||w3|||||||||||||");
}

TEST_F(PllMap, PllFields) {
    DftObject* obj = maptest::map(
        "%PLL {\n"
        " %NAME = p1;\n"
        " %FIX_FB_CLOCK_IN_TEST = yes;\n"
        " %FB_ENABLE = fe;\n"
        " %REF_CLOCK { %PERIOD = 2.5; %CLOCK rc = '1'; %CLOCK_NET rn; %LB_CLOCK lc = '0'; %ENABLE = re;"
        " %EXT_PORT = xp; }\n"
        " %REF_CLOCK { %CLOCK r2 = '0'; }\n"
        " %FB_CLOCK { %CLOCK fc = '0'; %ENABLE = fen; }\n"
        " %OUTPUT_CLOCK { %PERIOD = 5.0; %PLL_CLOCK_BUFFER = b1, b2; %PLL_CLOCK_BUFFER = b3; }\n"
        " %FORCE0 = a, b;\n"
        " %FORCE0 = c;\n"
        " %FORCE1 = d;\n"
        " %CONSTANT0 = e;\n"
        " %CONSTANT1 = f;\n"
        " %DONT_MODIFY = g;\n"
        " %AUTO_CONSTANT = 1;\n"
        " %SCAN_CK_MUX { %NAME = mx; %PLL_CK_PIN = pp; %SCAN_CK_PIN = sp; %CLK_NET = cn; }\n"
        " %TWO_PULSE_GEN { %NAME = tg; %CAPTURE_MODE = cm; %FINISH_MODE = fm; %RESET_MODE = rm; }\n"
        "}\n"
        "%PLL { %NAME = p2; %AUTO_CONSTANT = 0; }\n"
        "%PLL { %NAME = p3; }\n");
    ASSERT_TRUE(obj->pll);
    ASSERT_EQ(obj->pll->size(), 3u);
    const PllInfo& p = (*obj->pll)[0];
    EXPECT_EQ(p.name, "p1");
    EXPECT_EQ(p.fix_fb_clock_in_test, "yes");
    EXPECT_EQ(p.fb_enable, "fe");
    ASSERT_TRUE(p.ref_clocks);
    ASSERT_EQ(p.ref_clocks->size(), 2u);
    const PllClockInfo& r = (*p.ref_clocks)[0];
    EXPECT_DOUBLE_EQ(r.period, 2.5);
    EXPECT_EQ(r.clock_name + "=" + r.clock_value, "rc=1");
    EXPECT_EQ(r.clock_net, "rn");
    EXPECT_EQ(r.lb_clock_name + "=" + r.lb_clock_value, "lc=0");
    EXPECT_EQ(r.enable, "re");
    EXPECT_EQ(r.ext_port, "xp");
    EXPECT_EQ((*p.ref_clocks)[1].period, -1.0);  // no PERIOD
    EXPECT_EQ((*p.ref_clocks)[1].clock_name, "r2");
    ASSERT_TRUE(p.fb_clocks);
    EXPECT_EQ((*p.fb_clocks)[0].clock_name, "fc");
    EXPECT_EQ((*p.fb_clocks)[0].enable, "fen");
    ASSERT_TRUE(p.output_clocks);
    EXPECT_DOUBLE_EQ((*p.output_clocks)[0].period, 5.0);
    EXPECT_EQ((*p.output_clocks)[0].buffers, (Names{"b1", "b2", "b3"}));
    // Two FORCE0 statements add to one list.
    EXPECT_EQ(p.force0, (Names{"a", "b", "c"}));
    EXPECT_EQ(p.force1, Names{"d"});
    EXPECT_EQ(p.constant0, Names{"e"});
    EXPECT_EQ(p.constant1, Names{"f"});
    EXPECT_EQ(p.dont_modify, Names{"g"});
    EXPECT_EQ(p.auto_constant, 1);
    ASSERT_TRUE(p.scan_ck_muxes);
    const ScanCkMuxEntry& m = (*p.scan_ck_muxes)[0];
    EXPECT_EQ(m.name + m.pll_ck_pin + m.scan_ck_pin + m.clk_net, "mxppspcn");
    ASSERT_TRUE(p.two_pulse_gens);
    const TwoPulseGenEntry& t = (*p.two_pulse_gens)[0];
    EXPECT_EQ(t.name + t.capture_mode + t.finish_mode + t.reset_mode, "tgcmfmrm");

    EXPECT_EQ((*obj->pll)[1].auto_constant, 0);
    const PllInfo& bare = (*obj->pll)[2];
    EXPECT_EQ(bare.auto_constant, -1);
    EXPECT_FALSE(bare.ref_clocks);
    EXPECT_FALSE(bare.force0);
    EXPECT_FALSE(bare.scan_ck_muxes);
}

TEST_F(PllMap, BlackboxPinModes) {
    struct Case {
        const char* items;
        int input_mode;
        int output_mode;
    };
    const Case cases[] = {
        {"", 4, 4},
        {"%INPUT = OBSERVE; %OUTPUT = CONTROL;", 3, 2},
        {"%INPUT = DONT_MODIFY; %OUTPUT = DONT_MODIFY;", 4, 4},
        {"%OUTPUT = 1;", 4, 1},
        {"%OUTPUT = 0;", 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.items);
        DftObject* obj = maptest::map(std::string("%BLACKBOX { %INSTANCE_NAME = u1; ") + c.items + " }\n");
        ASSERT_TRUE(obj->blackbox);
        EXPECT_EQ((*obj->blackbox)[0].input_mode, c.input_mode);
        EXPECT_EQ((*obj->blackbox)[0].output_mode, c.output_mode);
    }
}

TEST_F(PllMap, BlackboxNameLists) {
    DftObject* obj = maptest::map(
        "%BLACKBOX {\n %INSTANCE_NAME = u1;\n %MODULE_NAME = m1;\n %FORCE0 = a;\n %FORCE1 = b;\n"
        " %CONSTANT0 = c;\n %CONSTANT1 = d;\n %DONT_MODIFY = e, f;\n %CLOCK = k1, k2;\n}\n"
        "%BLACKBOX { %INSTANCE_NAME = u2; }\n");
    ASSERT_TRUE(obj->blackbox);
    ASSERT_EQ(obj->blackbox->size(), 2u);
    const BlackboxInfo& b = (*obj->blackbox)[0];
    EXPECT_EQ(b.instance_name, "u1");
    EXPECT_EQ(b.module_name, "m1");
    EXPECT_EQ(b.force0, Names{"a"});
    EXPECT_EQ(b.force1, Names{"b"});
    EXPECT_EQ(b.constant0, Names{"c"});
    EXPECT_EQ(b.constant1, Names{"d"});
    EXPECT_EQ(b.dont_modify, (Names{"e", "f"}));
    EXPECT_EQ(b.clocks, (Names{"k1", "k2"}));
    EXPECT_EQ((*obj->blackbox)[1].instance_name, "u2");
    EXPECT_FALSE((*obj->blackbox)[1].clocks);
    EXPECT_FALSE(obj->pll);
    EXPECT_FALSE(obj->pll_clock_fix);
}

}  // namespace
