// Mapping of %SELECT_SCAN, %PORT_INFO, %SCAN_IN_LIST, %CORE_NO_SCAN,
// %SCAN_OUT_LIST, %GUI, %CAPTURE_CLOCK and %HOOKUP.
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// The names of a selection statement.  A statement written several times
// holds one group node per occurrence, whose children are the names; a
// bare name stands for itself.
TextList selection_names(const ScanAstNode* statement) {
    TextList names;
    if (!statement) return names;
    for (const ScanAstNode* c = statement->child; c; c = c->sibling) {
        if (c->attribute) names.push_back(node_text(c));
        else
            for (const ScanAstNode* n = c->child; n; n = n->sibling) names.push_back(node_text(n));
    }
    return names;
}

PortPadEntry port_pad(const ScanAstNode* statement) {
    PortPadEntry e;
    e.name = first_child_text(statement);
    const ScanAstNode* second = statement->child ? statement->child->sibling : nullptr;
    if (second) e.names = texts_or_none(second->child);
    return e;
}

int port_type(const ScanAstNode* statement) {
    const std::string type = first_child_text(statement);
    if (type == "I") return PORT_TYPE_INPUT;
    if (type == "O") return PORT_TYPE_OUTPUT;
    if (type == "CLK") return PORT_TYPE_CLOCK;
    map_fatal_stdout("ERROR : Unknown port type '" + type + "'.\n");
}

}  // namespace

void map_select_scan(const ScanAstNode* section) {
    if (!section) return;
    SelectScanRecord r;
    const ScanAstNode* first = section->child;
    if (const ScanAstNode* n = SCAN_FIND_AST(first, SCAN_INIT_NODE)) r.scan_init = GET_VALUE(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(first, SCAN_INCR_NODE)) r.scan_incr = GET_VALUE(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(first, SCAN_MAX_NODE)) r.scan_max = GET_VALUE(n->child);
    r.dont_scan_type = selection_names(SCAN_FIND_AST(first, DONT_SCAN_TYPE_NODE));
    r.must_scan_type = selection_names(SCAN_FIND_AST(first, MUST_SCAN_TYPE_NODE));
    r.dont_scan = selection_names(SCAN_FIND_AST(first, DONT_SCAN_NODE));
    r.must_scan = selection_names(SCAN_FIND_AST(first, MUST_SCAN_NODE));
    r.dont_scan_module = selection_names(SCAN_FIND_AST(first, DONT_SCAN_MODULE_NODE));
    r.keyword_line = select_scan_top_line;
    r.line = section->line;
    DFT_OBJECT->select_scan = std::move(r);
}

void map_port_info(const ScanAstNode* section) {
    if (!section) return;
    std::vector<PortInfoEntry> ports;
    for (const ScanAstNode* port = section->child; port; port = port->sibling) {
        PortInfoEntry e;
        for (const ScanAstNode* c = port->child; c; c = c->sibling) {
            if (c->kind == IDENT_NODE) e.name = node_text(c);
            else if (c->kind == TYPE_NODE) e.type = port_type(c);
            else if (c->kind == PAD_NODE) {
                if (!e.pads) e.pads.emplace();
                e.pads->push_back(port_pad(c));
            } else if (c->kind == PORT_MAP_NODE) {
                if (!e.port_maps) e.port_maps.emplace();
                e.port_maps->push_back(port_pad(c));
            }
        }
        ports.push_back(std::move(e));
    }
    DFT_OBJECT->port_info = std::move(ports);
}

void map_scan_in_list(const ScanAstNode* section) {
    if (section && section->child) append_texts(DFT_OBJECT->scan_in_list, section->child->child);
}

void map_core_no_scan(const ScanAstNode* section) {
    const ScanAstNode* name = section ? SCAN_FIND_AST(section->child, NAME_NODE) : nullptr;
    if (name && name->child) append_texts(DFT_OBJECT->core_no_scan, name->child->child);
}

void map_scan_out_list(const ScanAstNode* section) {
    if (section && section->child) append_texts(DFT_OBJECT->scan_out_list, section->child->child);
}

void map_gui(const ScanAstNode* section) {
    if (section) {
        GuiInfoRecord& r = sl_gui_infoG.emplace();
        for (const ScanAstNode* c = section->child; c; c = c->sibling) {
            if (c->kind == PATH_NODE) r.path = first_child_text(c);
            else if (c->kind == EXTRACTION_NODE) r.extraction = first_child_text(c);
            else if (c->kind == DRC_NODE) r.drc = first_child_text(c);
            else if (c->kind == INIT_CONFLICT_NODE) r.init_conflict = first_child_text(c);
            else if (c->kind == UNKNOWN_NODE) r.unknown = first_child_text(c);
        }
    }
    // The object's creation cleared the process-wide record, so a file
    // without %GUI has none.
    DFT_OBJECT->gui_info = sl_gui_infoG;
}

void map_capture_clock(const ScanAstNode* section) {
    if (!section) return;
    std::vector<CaptureClockEntry> clocks;
    for (const ScanAstNode* c = section->child; c; c = c->sibling)
        clocks.push_back({first_child_text(c), c->child ? node_text(c->child->sibling) : ""});
    DFT_OBJECT->capture_clock = std::move(clocks);
}

void map_hookup(const ScanAstNode* section) {
    if (!section) return;
    HookupList& list = sl_hookup_listG.emplace();
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
        HookupEntry e;
        for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
            if (c->kind == NAME_NODE) e.name = first_child_text(c);
            else if (c->kind == INSTANCE_NAME_NODE) e.instance_name = first_child_text(c);
            else if (c->kind == PIN_NAME_NODE) e.pin_name = first_child_text(c);
        }
        list.entries.push_back(std::move(e));
    }
    DFT_OBJECT->hookup = sl_hookup_listG;
}
