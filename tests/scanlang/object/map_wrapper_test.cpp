// Wrapper, GRISTEL and DEF information mapped from their sections.
#include <gtest/gtest.h>

#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapWrapper = MapTest;
using Names = std::vector<std::string>;

TEST_F(MapWrapper, WrapperFromTheFixture) {
    DftObject* o = map_fixture("wrapper.dft");
    ASSERT_TRUE(o->wrapper);
    ASSERT_EQ(o->wrapper->size(), 1u);
    const WrapperRecord& w = (*o->wrapper)[0];
    EXPECT_EQ(w.type, "p1500");
    ASSERT_TRUE(w.cells);
    ASSERT_EQ(w.cells->size(), 1u);
    EXPECT_EQ((*w.cells)[0].first, "WBC1");
    EXPECT_EQ((*w.cells)[0].second, "WBC_LIB");
    EXPECT_EQ((*w.cells)[0].line, 4);
    ASSERT_TRUE(w.chains);
    ASSERT_EQ(w.chains->size(), 2u);
    struct Row {
        const char *name, *clock1, *clock2, *scan_in, *scan_out;
        int clock1_line, scan_in_line;
    };
    const Row rows[] = {{"wc1", "wclk", "wclk2", "wsi1", "wso1", 6, 7}, {"wc2", "wclk", "", "wsi2", "wso2", 17, 15}};
    for (std::size_t i = 0; i < 2; ++i) {
        const WrapperChainEntry& c = (*w.chains)[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(c.name, rows[i].name);
        EXPECT_EQ(c.clock1, rows[i].clock1);
        EXPECT_EQ(c.clock2, rows[i].clock2);
        EXPECT_EQ(c.scan_in, rows[i].scan_in);
        EXPECT_EQ(c.scan_out, rows[i].scan_out);
        EXPECT_EQ(c.clock1_line, rows[i].clock1_line);
        EXPECT_EQ(c.scan_in_line, rows[i].scan_in_line);
    }
    EXPECT_EQ((*w.chains)[1].clock2_line, -1);
    // A third clock is kept after the two.
    ASSERT_EQ((*w.chains)[0].more_clocks.size(), 1u);
    EXPECT_EQ((*w.chains)[0].more_clocks[0].name, "wclk3");
    EXPECT_EQ((*w.chains)[0].more_clocks[0].line, 10);
    EXPECT_TRUE((*w.chains)[1].more_clocks.empty());
    EXPECT_EQ(w.skip_signals, (Names{"a", "b", "c"}));
    EXPECT_EQ(w.instructions, (Names{"WS_BYPASS"}));
    EXPECT_EQ(w.wrapper_chain_file, "chains.txt");
    EXPECT_EQ(w.keyword_line, 1);
}

TEST_F(MapWrapper, TwoInstructionsInOrder) {
    DftObject* o = map_text("%WRAPPER { %KORRAL { %TYPE t; %INSTRUCTION I1; %INSTRUCTION I2; } }");
    const WrapperRecord& w = o->wrapper->at(0);
    EXPECT_EQ(w.type, "t");
    EXPECT_EQ(w.instructions, (Names{"I1", "I2"}));
    EXPECT_FALSE(w.cells);
    EXPECT_FALSE(w.chains);
    EXPECT_EQ(w.mbist_file, "");
}

TEST_F(MapWrapper, GristelInfoFromTheFixture) {
    DftObject* o = map_fixture("compression.dft");
    ASSERT_TRUE(o->gristel_info);
    const GristelInfoRecord& g = o->gristel_info->at(0);
    EXPECT_EQ(g.top_module, "chip");
    EXPECT_EQ(g.top_module_line, 24);
    EXPECT_EQ(g.speed_ratio, -1);
    EXPECT_EQ(g.speed_ratio_line, 0);
    ASSERT_TRUE(g.groups);
    ASSERT_EQ(g.groups->size(), 1u);
    const GristelGroupRecord& r = (*g.groups)[0];
    EXPECT_EQ(r.name, "g1");
    EXPECT_EQ(r.speed_ratio, 2);
    EXPECT_EQ(r.speed_ratio_line, 28);
    EXPECT_EQ(r.tddm_name, "a");
    EXPECT_EQ(r.tddm_in, "i");
    EXPECT_EQ(r.tddm_clock, "c");
    EXPECT_EQ(r.tddm_chain_order, (Names{"x", "y"}));
    EXPECT_EQ(r.tddm_chain_order_line, 26);
    EXPECT_EQ(r.tdm_name, "b");
    EXPECT_EQ(r.tdm_out, "o");
    EXPECT_EQ(r.tdm_clock, "c");
    EXPECT_EQ(r.tdm_chain_order, (Names{"x"}));
    EXPECT_EQ(r.clear, "r");
    EXPECT_EQ(r.clear_line, 27);
}

TEST_F(MapWrapper, DefInfoPartitionsInSourceOrderAndAbsentSections) {
    DftObject* o = map_fixture("selection.dft");
    ASSERT_TRUE(o->def_info);
    const DefInfoRecord& d = o->def_info->at(0);
    ASSERT_TRUE(d.partitions);
    ASSERT_EQ(d.partitions->size(), 2u);
    EXPECT_EQ((*d.partitions)[0].names, (Names{"p0", "u1", "u2"}));
    EXPECT_EQ((*d.partitions)[1].names, (Names{"p1"}));
    EXPECT_EQ(d.keyword_line, 15);

    o = map_text("%TOP_MODULE = t;");
    EXPECT_FALSE(o->wrapper);
    EXPECT_FALSE(o->gristel_info);
    EXPECT_FALSE(o->def_info);
}

}  // namespace
