// The map file into its MapObject.
#include <gtest/gtest.h>

#include "support/child.h"
#include "tests/scanlang/object/section_map_util.h"

namespace {

class MapFileMap : public maptest::MapTest {};

using Names = std::vector<std::string>;

std::shared_ptr<MapObject> map_file(const std::string& text) {
    maptest::parse(text, scantest::Kind::MAP);
    map_file_name = "t.map";
    MAP_AST_2_OBJECT();
    return MAP_OBJECT;
}

std::vector<std::string> pairs(const std::vector<Ident2Record>& list) {
    std::vector<std::string> out;
    for (const Ident2Record& r : list) out.push_back(r.first + "=" + r.second);
    return out;
}

std::string positions(const std::vector<PositionPortRecord>& list) {
    std::string s;
    for (const PositionPortRecord& p : list)
        s += std::to_string(p.first_position) + ":" + p.first_port + ">" + std::to_string(p.second_position) + ":" +
             p.second_port + ";";
    return s;
}

TEST_F(MapFileMap, ScanCellsAndDelayCells) {
    std::shared_ptr<MapObject> m = map_file(
        "%MAP_SCAN lib {\n"
        " %MAP_CELL DFF => SDFF {\n"
        "  %SCAN_PORT %SYSTEM_IN => D;\n"
        "  %SCAN_PORT %SCAN_IN => TI;\n"
        "  %SCAN_PORT %SCAN_OUT => Q;\n"
        "  %SCAN_PORT %SCAN_OUT_INV => QN;\n"
        "  %SCAN_SELECT_1 %SELECT => TE;\n"
        "  %SCAN_CLOCK %CLOCK => CK;\n"
        "  %CHANGE_NAME a => b;\n"
        "  %SCAN_MODE_ACTIVE = low;\n"
        " }\n"
        " %MAP_CELL L => SL { %SCAN_PORT %SCAN_IN => SI; %SCAN_SELECT_1 %SELECT => E; }\n"
        " %DELAY_CELL dl {\n"
        "  %SCAN_PORT %SCAN_IN => a; %SCAN_PORT %SCAN_OUT => b;\n"
        "  %LOOP_DATA_IN => c; %LOOP_DATA_OUT => d; %DELAY_SCAN_TEST => e;\n"
        "  %DELAY_SCAN_CLOCK => f; %DELAY_SCAN_SCAN => g;\n"
        "  %DELAY_MAP_CELL m { %DATA_IN => x; %DATA_OUT => y; }\n"
        " }\n"
        "}\n"
        "%MAP_SCAN lib2 { %DELAY_CELL d2 { %SCAN_PORT %SCAN_IN => a; } }\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->map_scans.size(), 2u);
    const MapScanRecord& s = m->map_scans[0];
    EXPECT_EQ(s.name, "lib");
    ASSERT_EQ(s.map_cells.size(), 2u);
    const MapCellRecord& c = s.map_cells[0];
    EXPECT_EQ(c.cell_name + "->" + c.scan_cell_name, "DFF->SDFF");
    EXPECT_EQ(c.system_port_in + c.scan_port_in + c.scan_port_out + c.scan_port_out_inv, "DTIQQN");
    EXPECT_EQ(pairs(c.scan_select), Names{"%SCAN_SELECT_1=TE"});
    EXPECT_EQ(pairs(c.scan_clock), Names{"%SCAN_CLOCK=CK"});
    EXPECT_EQ(pairs(c.change_name), Names{"a=b"});
    EXPECT_EQ(c.scan_mode_active, "low");  // as written
    EXPECT_EQ(s.map_cells[1].scan_mode_active, "HIGH");  // absent
    ASSERT_TRUE(s.delay_cell);
    const DelayCellRecord& d = *s.delay_cell;
    const std::pair<const std::string*, const char*> fields[] = {
        {&d.name, "dl"},          {&d.port_in, "a"},          {&d.port_out, "b"},
        {&d.loop_data_in, "c"},   {&d.loop_data_out, "d"},    {&d.delay_scan_test, "e"},
        {&d.delay_scan_clock, "f"}, {&d.delay_scan_scan, "g"}, {&d.delay_map_cell, "m"},
        {&d.delay_data_in, "x"},  {&d.delay_data_out, "y"}};
    for (const auto& [got, expected] : fields) EXPECT_EQ(*got, expected);
    const MapScanRecord& t = m->map_scans[1];
    EXPECT_TRUE(t.map_cells.empty());
    ASSERT_TRUE(t.delay_cell);
    EXPECT_EQ(t.delay_cell->port_in, "a");
    EXPECT_EQ(t.delay_cell->delay_map_cell + t.delay_cell->delay_data_in + t.delay_cell->delay_data_out, "");
}

TEST_F(MapFileMap, GroupsRepairAndTestPointCells) {
    std::shared_ptr<MapObject> m = map_file(
        "%TEST_POINT_CELL {\n"
        " %CELL OBSERVE tp1 { %DATA_IN = d; %SCAN_OUT = so; }\n"
        " %CELL CONTROL tp2 { %TEST_ENABLE = te; }\n"
        "}\n"
        "%MAP_GROUP {\n"
        " %GROUP_CELL [ a1, a2 ] => T { %CONNECT 1:p => 2:q; %DISCONNECT 3:r; }\n"
        " %GROUP_CELL [ b1 ] => U { %DISCONNECT 0:s; }\n"
        "}\n"
        "%REPAIR_CELL {\n"
        " %BUFFER B 1;\n"
        " %CELL C1 R1 { %DATA = d; %CLOCK = ck; }\n"
        " %CELL LOCKUP_LATCH R2;\n"
        "}\n");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->test_point_cells.size(), 2u);
    EXPECT_EQ(m->test_point_cells[0].type, "OBSERVE");
    EXPECT_EQ(m->test_point_cells[0].name, "tp1");
    // Pin names without their leading keyword character.
    EXPECT_EQ(pairs(m->test_point_cells[0].pins), (Names{"DATA_IN=d", "SCAN_OUT=so"}));
    EXPECT_EQ(m->test_point_cells[1].type, "CONTROL");
    EXPECT_EQ(pairs(m->test_point_cells[1].pins), Names{"TEST_ENABLE=te"});

    ASSERT_EQ(m->map_groups.size(), 1u);
    const std::vector<GroupCellRecord>& g = m->map_groups[0].group_cells;
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].cell_names, (Names{"a1", "a2"}));
    EXPECT_EQ(g[0].target_name, "T");
    EXPECT_EQ(positions(g[0].connect), "1:p>2:q;");
    EXPECT_EQ(positions(g[0].disconnect), "3:r>-1:;");
    EXPECT_TRUE(g[1].connect.empty());
    EXPECT_EQ(positions(g[1].disconnect), "-1:s>-1:;");

    ASSERT_TRUE(m->repair_cell);
    EXPECT_EQ(pairs(m->repair_cell->buffers), Names{"B=1"});
    ASSERT_EQ(m->repair_cell->r_cells.size(), 2u);
    const RCellRecord& r1 = m->repair_cell->r_cells[0];
    EXPECT_EQ(r1.cell_name + "/" + r1.repair_name, "C1/R1");
    EXPECT_EQ(pairs(r1.pins), (Names{"DATA=d", "CLOCK=ck"}));
    const RCellRecord& r2 = m->repair_cell->r_cells[1];
    EXPECT_EQ(r2.cell_name + "/" + r2.repair_name, "LOCKUP_LATCH/R2");
    EXPECT_TRUE(r2.pins.empty());
}

TEST_F(MapFileMap, EmptyMapFileGivesAnEmptyObject) {
    std::shared_ptr<MapObject> m = map_file("%MAP_SCAN lib { %MAP_CELL A => B { %SCAN_PORT %SCAN_IN => I; } }\n");
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->map_groups.empty());
    EXPECT_FALSE(m->repair_cell);
    EXPECT_TRUE(m->test_point_cells.empty());
}

// The scanner never makes an empty pin name, but a tree that has one
// keeps it empty.
TEST_F(MapFileMap, EmptyPinNameStaysEmpty) {
    auto ident = [](const char* text) { return SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(IDENT_NODE), text); };
    ScanAstNode* pins = SCAN_MAKE_SOLO_AST(PIN_LIST_NODE, SCAN_MAKE_DUET_AST(PIN_NODE, ident(""), ident("v")));
    ScanAstNode* cell = SCAN_MAKE_TRIO_AST(TEST_POINT_CELL_NODE, SCAN_MAKE_SOLO_AST(TYPE_NODE, ident("OBSERVE")),
                                           ident("tp"), pins);
    ScanAstNode* root = SCAN_MAKE_SOLO_AST(PROGRAM_NODE, SCAN_MAKE_SOLO_AST(TEST_POINT_CELL_LIST_NODE, cell));
    std::shared_ptr<MapObject> m = map_map_file(root);
    SCAN_FREE_AST(root);
    ASSERT_EQ(m->test_point_cells.size(), 1u);
    EXPECT_EQ(pairs(m->test_point_cells[0].pins), Names{"=v"});
}

TEST_F(MapFileMap, ScanModeActiveIsHighOrLow) {
    testsupport::ChildResult r = testsupport::run_child([] {
        map_file("%MAP_SCAN lib {\n %MAP_CELL A => B {\n  %SCAN_PORT %SCAN_IN => I; %SCAN_SELECT_1 %SELECT => E;\n  %SCAN_MODE_ACTIVE = mid;\n } }\n");
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.map', line-4, SCAN_MODE_ACTIVE can only be HIGH or LOW.\n");
}

}  // namespace
