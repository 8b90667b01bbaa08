// Mapping of the sections: Scan selection, port information, GUI, capture clocks and hookups.
// Not mapped yet: each section leaves its field as a fresh object has it.
#include "scanlang/object/map_frame.h"

void map_select_scan(const ScanAstNode*) {}
void map_port_info(const ScanAstNode*) {}
void map_scan_in_list(const ScanAstNode*) {}
void map_core_no_scan(const ScanAstNode*) {}
void map_scan_out_list(const ScanAstNode*) {}
void map_gui(const ScanAstNode*) {}
void map_capture_clock(const ScanAstNode*) {}
void map_hookup(const ScanAstNode*) {}
