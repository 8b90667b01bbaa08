// BSDL template files: a BSDL text whose five generated blocks are marked
// by comment lines "--! <Block>_Begin" / "--! <Block>_End".  The reader keeps
// every line outside the blocks in order and drops what lies inside them;
// the BSDL writer then fills each block with the design's text.
//
// The format, line by line:
//   - a marker line is one whose first word is exactly "--!" and whose
//     second word is one of the ten marker names below (words are split at
//     blanks, tabs, carriage returns and newlines; case matters); anything
//     else starting with "--!" is ordinary text;
//   - a block runs from its begin marker to its end marker; blocks do not
//     nest, each appears at most once, and every begun block must end;
//   - the marker lines themselves are kept text, the lines between them are
//     dropped;
//   - a line whose first word is "entity" names the entity (its second
//     word), also inside a block; the last such line wins.
// Lines are read whole, however long.
//
// The standard template ("tallowmere -template [name]") is this format with
// a placeholder line in each block, written to "<name>.tpl" in the output
// directory; a later run with circuits and "-template <name>" reads the
// template back from the same place.
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

// Marker names of each block, in block order ("Logical_Port_Description_Begin",
// "..._End", ...).
extern const char* const BS_TPL_TOKEN2B[TPL_BLOCK_COUNT];
extern const char* const BS_TPL_TOKEN2E[TPL_BLOCK_COUNT];

// The path of the template named by a -template word: "<word>.tpl" in the
// output directory of the run (BS_OUTPUT_DIR, set by open_report_file), so
// that a template is read from where the template road wrote it.  An
// absolute word is taken as it stands.
std::string template_file_path(const std::string& word);
// The template's file name alone: "<word>.tpl".
std::string template_file_name(const std::string& word);

// Reads an open template.  Returns the nodes (kept text and block places,
// starting with a text node) and stores the entity name in `entity` when the
// file has an "entity" line.  A format error prints its message and ends the
// run with status -1; the message names the template by the -template word
// (template_file_path; "BSDL" when the option has no word).
std::vector<TemplateBlock> read_template_file(std::FILE* in, std::string& entity);

// The template road (declared in bsdl/bsdl.h): write_template_file(name)
// opens the report of `name`, asks before replacing an existing
// "<name>.tpl", reads "<name>.bsc" and "<name>.lib" when both are on the
// search path (for the package type), and writes the standard template
// whole (a temporary file renamed at the end).  Failures end the run with
// status -1; declining the replacement ends it with 0.
