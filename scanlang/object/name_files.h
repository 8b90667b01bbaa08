// Files that list names for a DFT file: fault name lists (DONT_FAULT and
// MUST_FAULT files) read into the syntax tree as if written in place, and
// plain instance-name files.
#pragma once

#include <string>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// How many names the DONT_FAULT / MUST_FAULT node held before the names
// of the last file read into it were added.
extern int sl_dont_fault_num;
extern int sl_must_fault_num;

// Adds the names of `file` (opened as named) as IDENT_NODE children of the
// DONT_FAULT_NODE (MUST_FAULT_NODE) among `node`'s children, made and
// appended when absent.  Names are separated by blanks, tabs, line ends,
// "," and ";"; a carriage return ends a name too, so CRLF files read as
// LF files; every other byte is data, at any length.  A file that cannot
// be opened or holds no name is a warning on standard error (has_error
// set) and changes nothing.
void sl_convert_file_dont_fault(const std::string& file, ScanAstNode* node);
void sl_convert_file_must_fault(const std::string& file, ScanAstNode* node);

// The names of a plain instance file, in file order.  A first word that
// is longer than four characters and ends in "_SCAN" is a header: then
// only the words ending in "," or ";" are names.  A trailing "," or ";"
// is cut off.  A file that cannot be opened ends the run (error 0); an
// empty one is warning 3 and gives no names.
TextList GET_FILE_INSTANCES(const std::string& file);
