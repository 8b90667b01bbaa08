// BSDL template files: a BSDL text whose five generated blocks are marked
// by comment lines "--! <Block>_Begin" / "--! <Block>_End".  The reader keeps
// every line outside the blocks in order and drops what lies inside them;
// the BSDL writer then fills each block with the design's text.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The five blocks, in file order.
enum TemplateBlockKind : int {
    TPL_TEXT = -1,  // kept text
    TPL_LOGICAL_PORT = 0,
    TPL_PACKAGE_PIN = 1,
    TPL_SCAN_PORT = 2,
    TPL_TAP_DESCRIPTION = 3,
    TPL_BOUNDARY_REGISTER = 4,
    TPL_BLOCK_COUNT = 5,
};

// Block titles, in block order ("Logical Port Description", ...).
extern const char* const BS_TPL_STR[TPL_BLOCK_COUNT];

// Per block after reading: 0 not seen, 1 begin marker seen, 2 begin and end
// marker seen (the block will be replaced).
extern int bs_tpl_check[TPL_BLOCK_COUNT];

// One node of a parsed template, in file order.
struct TemplateBlock {
    int kind = TPL_TEXT;  // TPL_TEXT or a block number
    std::string text;     // kept lines with their newlines (TPL_TEXT only)
};

// Reads an open template.  Returns the nodes (kept text and block places,
// starting with a text node) and stores the entity name in `entity` when the
// file has an "entity" line.  A format error prints its message and ends the
// run with status -1.
std::vector<TemplateBlock> read_template_file(std::FILE* in, std::string& entity);
