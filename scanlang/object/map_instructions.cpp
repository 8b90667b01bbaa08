// Mapping of the sections: Memory-BIST instructions, top-level instructions and their order table.
// Not mapped yet: each section leaves its field as a fresh object has it.
#include "scanlang/object/map_frame.h"

void map_mbist_bsd(const ScanAstNode*) {}
void map_instructions(const ScanAstNode*) {}
void map_instr_order_tab(const ScanAstNode*) {}
