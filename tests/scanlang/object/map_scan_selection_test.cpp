// Scan selection, ports, scan-in/out lists, GUI, capture clocks and
// hookups mapped from their sections.
#include <gtest/gtest.h>

#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapScanSelection = MapTest;
using Names = std::vector<std::string>;

TEST_F(MapScanSelection, SelectScanAndCoreNoScanFromTheFixture) {
    DftObject* o = map_fixture("selection.dft");
    ASSERT_TRUE(o->select_scan);
    const SelectScanRecord& s = *o->select_scan;
    ASSERT_TRUE(s.scan_init && s.scan_incr && s.scan_max);
    EXPECT_DOUBLE_EQ(s.scan_init->real, 0.10);
    EXPECT_EQ(s.scan_incr->integer, 5);
    EXPECT_DOUBLE_EQ(s.scan_max->real, 0.90);
    // A statement written twice gives the names of both, in order.
    EXPECT_EQ(s.dont_scan_type, (Names{"DFFX1", "DFFX2", "LATCHX"}));
    EXPECT_EQ(s.must_scan_type, (Names{"SDFF"}));
    EXPECT_EQ(s.dont_scan, (Names{"u1/r0", "u1/r1", "u3/r0", "u3/r1"}));
    EXPECT_EQ(s.must_scan, (Names{"u2/r0"}));
    EXPECT_EQ(s.dont_scan_module, (Names{"mem_wrap"}));
    EXPECT_EQ(s.keyword_line, 2);
    EXPECT_EQ(o->core_no_scan, (Names{"core_a", "core_b"}));
}

TEST_F(MapScanSelection, PortInfoFromTheFixture) {
    DftObject* o = map_fixture("ports_sequences.dft");
    ASSERT_TRUE(o->port_info);
    ASSERT_EQ(o->port_info->size(), 2u);
    const PortInfoEntry& din = (*o->port_info)[0];
    EXPECT_EQ(din.name, "din");
    EXPECT_EQ(din.type, PORT_TYPE_INPUT);
    ASSERT_TRUE(din.pads && din.port_maps);
    EXPECT_EQ(din.pads->at(0).name, "PI0");
    EXPECT_EQ(din.pads->at(0).names, (Names{"a", "b"}));
    EXPECT_EQ(din.port_maps->at(0).name, "pm0");
    EXPECT_EQ(din.port_maps->at(0).names, (Names{"x", "y"}));
    const PortInfoEntry& clk = (*o->port_info)[1];
    EXPECT_EQ(clk.type, PORT_TYPE_CLOCK);
    EXPECT_FALSE(clk.pads);
    EXPECT_FALSE(clk.port_maps);
}

TEST_F(MapScanSelection, TwoPadsInSourceOrderAndOutputType) {
    DftObject* o = map_text("%PORT_INFO { %PORT q { %PAD P1 { a }; %PAD P2 { b }; %TYPE O; } }");
    const PortInfoEntry& q = o->port_info->at(0);
    EXPECT_EQ(q.type, PORT_TYPE_OUTPUT);
    ASSERT_EQ(q.pads->size(), 2u);
    EXPECT_EQ(q.pads->at(0).name, "P1");
    EXPECT_EQ(q.pads->at(1).name, "P2");
}

TEST_F(MapScanSelection, UnknownPortTypeEndsTheRun) {
    for (const char* type : {"clk", "i", "IO"}) {
        auto r = map_in_child(std::string("%PORT_INFO { %PORT p { %TYPE ") + type + "; } }");
        EXPECT_EQ(r.status, 255) << type;
        EXPECT_NE(r.out.find(std::string("ERROR : Unknown port type '") + type + "'.\n"), std::string::npos)
            << r.out << r.err;
    }
}

TEST_F(MapScanSelection, ListsGuiCaptureClocksAndHookupsFromTheFixture) {
    // The fixture names a path file, which must be there to be read.
    testsupport::TempDir dir;
    dir.write("more.path", "%PATH { %FROM = a; }\n");
    DftObject* o =
        map_text(testsupport::read_file(testsupport::source_path("tests/fixtures/scanlang/paths_lists.dft")),
                 dir.str() + "/");
    EXPECT_EQ(o->scan_in_list, (Names{"si0", "si1", "si2"}));
    EXPECT_EQ(o->scan_out_list, (Names{"so0"}));
    ASSERT_TRUE(o->gui_info);
    EXPECT_EQ(o->gui_info->path, "work/gui");
    EXPECT_EQ(o->gui_info->extraction, "extract.log");
    EXPECT_EQ(o->gui_info->drc, "drc.log");
    EXPECT_EQ(o->gui_info->init_conflict, "init.log");
    EXPECT_EQ(o->gui_info->unknown, "x.log");
    ASSERT_TRUE(o->capture_clock);
    ASSERT_EQ(o->capture_clock->size(), 2u);
    EXPECT_EQ(o->capture_clock->at(1).first, "tck");
    EXPECT_EQ(o->capture_clock->at(1).second, "01");
    ASSERT_TRUE(o->hookup);
    ASSERT_EQ(o->hookup->entries.size(), 2u);
    const HookupEntry& h0 = o->hookup->entries[0];
    EXPECT_EQ(h0.name, "clk");
    EXPECT_EQ(h0.instance_name, "u_buf");
    EXPECT_EQ(h0.pin_name, "Z");
    EXPECT_EQ(o->hookup->entries[1].name, "tck");
    EXPECT_EQ(o->hookup->entries[1].instance_name, "");
    ASSERT_TRUE(sl_hookup_listG);
    EXPECT_EQ(sl_hookup_listG->entries.size(), 2u);
}

TEST_F(MapScanSelection, AbsentAndEmptySections) {
    DftObject* o = map_text("%TOP_MODULE = t;");
    EXPECT_FALSE(o->select_scan);
    EXPECT_FALSE(o->gui_info);
    EXPECT_FALSE(o->hookup);
    EXPECT_FALSE(o->port_info);
    EXPECT_FALSE(o->capture_clock);
    EXPECT_FALSE(o->scan_in_list);
    EXPECT_FALSE(o->core_no_scan);

    o = map_text("%GUI { %DRC = \"d\"; }");
    ASSERT_TRUE(o->gui_info);
    EXPECT_EQ(o->gui_info->drc, "d");
    EXPECT_EQ(o->gui_info->path, "");
}

// A GUI record of one file does not leak into the next file's object.
TEST_F(MapScanSelection, GuiRecordIsPerObject) {
    // Each parse frees the objects of the one before: look at the first
    // object before the second file is mapped.
    DftObject* first = map_text("%GUI { %PATH = \"p\"; }");
    ASSERT_TRUE(first->gui_info);
    EXPECT_EQ(first->gui_info->path, "p");
    DftObject* second = map_text("%TOP_MODULE = t;");
    EXPECT_FALSE(second->gui_info);
}

}  // namespace
