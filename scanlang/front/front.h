// The scan-language front end: everything that reads DFT scan-language
// files and their side files (map, lockup-latch, path and PSO files) into
// syntax trees.
//
//   tokens.h       token numbers (from scan_tokens.def)
//   keywords.h     the reserved words and their look-up
//   scanner.h      the scanner, its comment table and section lines
//   nodes.h, ast.h the syntax tree (node kinds from scan_nodes.def)
//   diagnostics.h  the numbered messages, checked copy and allocation
//   parser.h       the parser, its tree roots and error reports
//   seman.h        the occurrence tables and the block checks
//
// The entry that reads a DFT file and its cores into objects
// (scan_interface.h) and the cursors over them live with the object model
// in scanlang/object/.
#pragma once

#include "scanlang/front/ast.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/keywords.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/seman.h"
#include "scanlang/front/tokens.h"

// Returns every module of the front end to its start-up state (the trees
// freed, the tables emptied); SCANLANG_reset_globals resets the objects
// too.
void SCAN_FRONT_reset_globals();
