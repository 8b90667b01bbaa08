// The DFT file writer: prints the current DFT object back as a DFT
// scan-language file that the parser reads again, with the comments the
// scanner saved from the file the object came from (the object's
// `comments`) put back in front of the items they stood before.
//
// PRINT_SCAN_OBJECT is the entry: it writes the whole file under a
// temporary name and renames it over `file` once everything is written.
// print_scan_object_to_file prints the sections in their fixed order onto
// an open stream; the three comment printers are shared by the section
// writers (write_*.cpp).
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

struct DftObject;
struct DontFixEntry;

// 1 when the writer's own banners and header lines read back from an
// earlier output are to be dropped rather than printed as comments; set
// from PRINT_SCAN_OBJECT's flag.
extern int not_print_self_comment_flag;

// Writes the current object (DFT_OBJECT) to `file`; `flag` non-zero adds
// the header and the section banners.  Returns false, after a message on
// standard error, when the file cannot be written; without a current
// object it writes nothing and returns false.
bool PRINT_SCAN_OBJECT(const std::string& file, int flag);

// Prints the sections of the current object onto `stream` (which stays
// open): the start comments, every section the writer knows in the fixed
// order, and the comments left over.
void print_scan_object_to_file(FILE* stream, int flag);

// The comment printers (see write_frame.cpp).
void print_start_comment(FILE* stream);
void print_dft_comment(int token, FILE* stream, int indent, int first_line, int last_line, int limit_line,
                       int block_token);
void print_end_comment(FILE* stream);

// The text of a real that reads back as the same number: `decimals`
// decimals when that text is exact (so a time such as 12.5 keeps its
// usual form), else the shortest plain decimal text that is exact (the
// scanner reads no exponent).
std::string dft_real_text(double value, int decimals);

// The text to put between the double quotes of a string statement so that
// the scanner reads `value` back: a double quote is doubled, except in a
// backslash run (from a backslash to the next blank), which the scanner
// takes literally.  `blank_follows` says whether the format puts a blank
// before the closing quote; without one, a blank is added when the value
// ends in a blank (the scanner drops one) or in a backslash run (which
// would run on over the quote).
std::string dft_string_text(const std::string& value, bool blank_follows = true);

// The text of a name that the format follows with punctuation.  An
// escaped name (from a backslash to the next blank) would run on over the
// punctuation, so a blank is put after it, unless the format writes one
// itself (`blank_follows`).  Other names are written as they are.
std::string dft_name_text(const std::string& name, bool blank_follows = false);

// The same for an entry of a list that takes pin references, which the
// object holds as "u1{CK}" (instance and pin) or as a name alone.  Each
// escaped part ends with a blank: "\u1 {CK}", "u1{\p }", "\u1 {\p }".
// An escaped name alone may hold braces too ("\u1{CK}" read as one
// name): it is written as a pin reference where it reads back as one
// (the object's text is the same either way), else as one escaped name.
std::string dft_pin_ref_text(const std::string& ref, bool blank_follows = false);

// The text to put between the single quotes of a pattern: the pattern
// itself, or a tab for an empty one (a quoted tab reads as the empty
// pattern, two quotes alone do not read as a pattern at all).
std::string dft_pattern_text(const std::string& pattern);

// A %DONT_FIX statement: `lead` (its keyword), each pair as
// " name{value}", then " ;".
void print_dft_dont_fix(FILE* stream, const char* lead, const std::vector<DontFixEntry>& pairs);

// A block whose statements all held values that read as not given (an
// empty string, a period of -1 ...) would be written without a statement,
// and an empty block does not read.  dft_block_start is the position after
// the block's opening brace; dft_block_end, called before its closing
// brace, writes `fallback` (a statement whose value reads as not given
// too) when nothing but saved comments was written since.
long dft_block_start(FILE* stream);
void dft_block_end(FILE* stream, long start, const char* fallback);

// One statement of a block: the token whose saved comments go before it,
// its printf format (one %s for the value), the value, and the value's
// source line (0 when none is kept).
struct DftValueLine {
    int token;
    const char* format;
    const std::string& value;
    int line = 0;
};
// Prints the lines whose value is not empty, each after its saved
// comments (indent, window first_line..last_line) when `comments` is set.
void print_dft_value_lines(FILE* stream, std::initializer_list<DftValueLine> lines, int indent, int first_line,
                           int last_line, bool comments = true);
