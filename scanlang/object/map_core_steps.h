// The steps of a %CORE block that name sequences: its %INSTRUCTION
// entries, its PREAMBLE list and its PATSET entries.
#pragma once

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// Fills `shared` (the values every core record of the block gets) with the
// block's instructions, preamble and pattern sets, resolving each
// sequence name among the sequences of the object being built.  An
// unknown name ends the run naming it.
void map_core_block_steps(const ScanAstNode* block, CoreInfoRecord& shared);
