// Mapping of the sections: Sequences, test schedule, test sessions and test architecture.
// Not mapped yet: each section leaves its field as a fresh object has it.
#include "scanlang/object/map_frame.h"

void map_sequences(const ScanAstNode*) {}
void map_test_schedule(const ScanAstNode*) {}
void map_test_session(const ScanAstNode*) {}
void map_test_architecture(const ScanAstNode*) {}
