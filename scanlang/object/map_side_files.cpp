// Mapping of the sections that name a side file (%READ_MAP,
// %LOCKUP_LATCH_FILE, %SCAN_MODIFY_CMD) and of %SCAN_REPAIR.
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/readers.h"
#include "scanlang/object/object_state.h"

namespace {

std::string text_of(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

std::optional<FileRefRecord> file_ref(const ScanAstNode* section, int top_line) {
    if (!section) return std::nullopt;
    return FileRefRecord{text_of(section->child), top_line, section->line};
}

}  // namespace

void map_read_map(const ScanAstNode* section) { DFT_OBJECT->read_map = file_ref(section, read_map_top_line); }

// Every %LOCKUP_LATCH_FILE section names a file to read: the first in the
// object's own field, the others after it.  The scanner keeps the
// keyword line of the last section only, so where there are several,
// each takes the line of its file name instead (the comments before a
// section stay before it).
void map_lockup_latch_file(const ScanAstNode* section) {
    DFT_OBJECT->lockup_latch_file = file_ref(section, lockup_latch_file_top_line);
    if (!section) return;
    auto name_line = [](const ScanAstNode* n) { return n->child ? n->child->line : n->line; };
    for (const ScanAstNode* more = SCAN_FIND_AST(section->sibling, LOCKUP_LATCH_FILE_NODE); more;
         more = SCAN_FIND_AST(more->sibling, LOCKUP_LATCH_FILE_NODE)) {
        DFT_OBJECT->lockup_latch_file->top_line = name_line(section);
        DFT_OBJECT->more_lockup_latch_files.push_back(*file_ref(more, name_line(more)));
    }
}

void map_modify_cmd(const ScanAstNode* section) { DFT_OBJECT->modify_cmd = file_ref(section, modify_cmd_top_line); }

void map_scan_repair(const ScanAstNode* section) {
    if (!section) {
        DFT_OBJECT->scan_repair.reset();
        return;
    }
    ScanRepairRecord r;
    if (const ScanAstNode* force_net = SCAN_FIND_AST(section->child, FORCE_NET_NODE)) {
        const ScanAstNode* items = force_net->child;
        if (const ScanAstNode* n = SCAN_FIND_AST(items, NET_NAME_NODE)) r.net_name = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(items, SHIFT_NODE)) r.shift = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(items, HOLD_NODE)) r.hold = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(items, CAPTURE_NODE)) r.capture = text_of(n->child);
    }
    DFT_OBJECT->scan_repair = std::move(r);
}
