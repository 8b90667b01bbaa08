// Mapping of the sections: Wrapper, GRISTEL information and DEF information.
// Not mapped yet: each section leaves its field as a fresh object has it.
#include "scanlang/object/map_frame.h"

void map_wrapper(const ScanAstNode*) {}
void map_gristel_info(const ScanAstNode*) {}
void map_def_info(const ScanAstNode*) {}
