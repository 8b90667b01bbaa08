// The %DONT_FIX pairs of a %CORE or %SCAN_MODULE block, shared by their
// two mappings.
#pragma once

#include <vector>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// Appends the pairs of one %DONT_FIX statement (a DONT_FIX_INFO_NODE) to
// `pairs`, in order.  The first statement of a block holds its pairs under
// a list node, later ones hold them bare; both are read.
void map_dont_fix_pairs(const ScanAstNode* statement, std::vector<DontFixEntry>& pairs);
