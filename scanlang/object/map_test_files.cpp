// Mapping of the sections: Test files, the top module, memory-BIST control and the scan decoder.
// Not mapped yet but the top module: each other section leaves its field
// as a fresh object has it.
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"

void map_test_files(const ScanAstNode*) {}
// The name given to %TOP_MODULE.
void map_top_module(const ScanAstNode* item) {
    const ScanAstNode* name = item ? item->child : nullptr;
    DFT_OBJECT->top_module = name && name->attribute ? name->attribute : "";
}
void map_mbist_control(const ScanAstNode*) {}
void map_scan_decoder(const ScanAstNode*) {}
