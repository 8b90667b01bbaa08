// Mapping of the map file into its MapObject: scan cells and their delay
// cells, groups of cells replaced together, repair cells and test-point
// cells.
#include <cctype>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/seman.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/readers.h"

namespace {

// The numbered diagnostic of a SCAN_MODE_ACTIVE other than HIGH or LOW.
constexpr int kScanModeActiveDiagnostic = 20;

std::string value_in(const ScanAstNode* chain, int kind) { return first_child_text(SCAN_FIND_AST(chain, kind)); }

std::vector<Ident2Record> ident2_in(const ScanAstNode* chain, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(chain, kind);
    return GET_IDENT2_LIST(n ? n->child : nullptr);
}

// The pins of a PIN_LIST_NODE: each pin's name is written with a leading
// keyword character, which is not part of the name.  An empty name stays
// empty.
std::vector<Ident2Record> pins_of(const ScanAstNode* pin_list) {
    std::vector<Ident2Record> pins = GET_IDENT2_LIST(pin_list->child);
    for (Ident2Record& p : pins)
        if (!p.first.empty()) p.first.erase(0, 1);
    return pins;
}

bool equals_ignoring_case(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

MapCellRecord map_cell(const ScanAstNode* entry) {
    MapCellRecord r;
    const ScanAstNode* first = entry->child;
    r.cell_name = node_text(first);
    const ScanAstNode* second = first ? first->sibling : nullptr;
    r.scan_cell_name = node_text(second);
    const ScanAstNode* rest = second ? second->sibling : nullptr;
    r.system_port_in = value_in(rest, SYSTEM_PORT_IN_NODE);
    r.scan_port_in = value_in(rest, SCAN_PORT_IN_NODE);
    r.scan_port_out = value_in(rest, SCAN_PORT_OUT_NODE);
    r.scan_port_out_inv = value_in(rest, SCAN_PORT_OUT_INV_NODE);
    r.scan_select = ident2_in(rest, SCAN_SELECT_LIST_NODE);
    r.scan_clock = ident2_in(rest, SCAN_CLOCK_LIST_NODE);
    r.change_name = ident2_in(rest, CHANGE_NAME_LIST_NODE);
    r.scan_mode_active = "HIGH";
    if (const ScanAstNode* n = SCAN_FIND_AST(rest, SCAN_MODE_ACTIVE_NODE)) {
        const std::string value = first_child_text(n);
        if (!equals_ignoring_case(value, "HIGH") && !equals_ignoring_case(value, "LOW"))
            error_handler(map_file_name.c_str(), n->child ? n->child->line : n->line, kScanModeActiveDiagnostic,
                          "HIGH", "LOW");
        r.scan_mode_active = value;
    }
    return r;
}

DelayCellRecord delay_cell(const ScanAstNode* node) {
    DelayCellRecord r;
    const ScanAstNode* first = node->child;
    r.name = node_text(first);
    const ScanAstNode* rest = first ? first->sibling : nullptr;
    r.port_in = value_in(rest, SCAN_PORT_IN_NODE);
    r.port_out = value_in(rest, SCAN_PORT_OUT_NODE);
    r.loop_data_in = value_in(rest, LOOP_DATA_IN_NODE);
    r.loop_data_out = value_in(rest, LOOP_DATA_OUT_NODE);
    r.delay_scan_test = value_in(rest, DELAY_SCAN_TEST_NODE);
    r.delay_scan_clock = value_in(rest, DELAY_SCAN_CLOCK_NODE);
    r.delay_scan_scan = value_in(rest, DELAY_SCAN_SCAN_NODE);
    if (const ScanAstNode* m = SCAN_FIND_AST(rest, DELAY_MAP_CELL_NODE)) {
        r.delay_map_cell = node_text(m->child);
        r.delay_data_in = value_in(m->child, DELAY_DATA_IN_NODE);
        r.delay_data_out = value_in(m->child, DEALY_DATA_OUT_NODE);
    }
    return r;
}

GroupCellRecord group_cell(const ScanAstNode* item) {
    GroupCellRecord r;
    const ScanAstNode* first = item->child;
    if (first) r.cell_names = GET_IDENT1_LIST(first->child);
    const ScanAstNode* second = first ? first->sibling : nullptr;
    r.target_name = node_text(second);
    const ScanAstNode* rest = second ? second->sibling : nullptr;
    if (const ScanAstNode* n = SCAN_FIND_AST(rest, CONNECT_LIST_NODE)) r.connect = GET_POSITION_PORT(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(rest, DISCONNECT_LIST_NODE)) r.disconnect = GET_POSITION_PORT(n->child);
    return r;
}

RepairCellRecord repair_cell(const ScanAstNode* node) {
    RepairCellRecord r;
    if (const ScanAstNode* cells = SCAN_FIND_AST(node->child, CELL_LIST_NODE))
        for (const ScanAstNode* item = cells->child; item; item = item->sibling) {
            RCellRecord c;
            const ScanAstNode* first = item->child;
            c.cell_name = node_text(first);
            const ScanAstNode* second = first ? first->sibling : nullptr;
            c.repair_name = node_text(second);
            const ScanAstNode* third = second ? second->sibling : nullptr;
            if (third && third->kind == PIN_LIST_NODE) c.pins = pins_of(third);
            r.r_cells.push_back(std::move(c));
        }
    r.buffers = ident2_in(node->child, BUFFER_LIST_NODE);
    return r;
}

}  // namespace

std::shared_ptr<MapObject> map_map_file(const ScanAstNode* root) {
    auto map = std::make_shared<MapObject>();
    const ScanAstNode* sections = root ? root->child : nullptr;
    if (const ScanAstNode* list = SCAN_FIND_AST(sections, TEST_POINT_CELL_LIST_NODE))
        for (const ScanAstNode* entry = list->child; entry; entry = entry->sibling) {
            TestPointCellRecord r;
            for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
                if (c->kind == TYPE_NODE) r.type = first_child_text(c);
                else if (c->kind == IDENT_NODE) r.name = node_text(c);
                else if (c->kind == PIN_LIST_NODE) r.pins = pins_of(c);
            }
            map->test_point_cells.push_back(std::move(r));
        }
    if (const ScanAstNode* list = SCAN_FIND_AST(sections, MAP_SCAN_LIST_NODE))
        for (const ScanAstNode* entry = list->child; entry; entry = entry->sibling) {
            MapScanRecord r;
            r.name = node_text(entry->child);
            if (const ScanAstNode* cells = SCAN_FIND_AST(entry->child, MAP_CELL_LIST_NODE))
                for (const ScanAstNode* c = cells->child; c; c = c->sibling) r.map_cells.push_back(map_cell(c));
            if (const ScanAstNode* d = SCAN_FIND_AST(entry->child, DELAY_CELL_NODE)) r.delay_cell = delay_cell(d);
            map->map_scans.push_back(std::move(r));
        }
    if (const ScanAstNode* list = SCAN_FIND_AST(sections, MAP_GROUP_LIST_NODE))
        for (const ScanAstNode* entry = list->child; entry; entry = entry->sibling) {
            if (!entry->child) continue;
            MapGroupRecord g;
            for (const ScanAstNode* item = entry->child->child; item; item = item->sibling)
                g.group_cells.push_back(group_cell(item));
            map->map_groups.push_back(std::move(g));
        }
    if (const ScanAstNode* n = SCAN_FIND_AST(sections, REPAIR_CELL_NODE)) map->repair_cell = repair_cell(n);
    return map;
}
