// Mapping of the sections: PLL clock fixes, PLLs and blackboxes.
// Not mapped yet: each section leaves its field as a fresh object has it.
#include "scanlang/object/map_frame.h"

void map_pll_clock_fix(const ScanAstNode*) {}
void map_pll(const ScanAstNode*) {}
void map_blackbox(const ScanAstNode*) {}
