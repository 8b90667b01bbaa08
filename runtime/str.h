// String lists, tokens, wildcard matching, case and number conversions.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/dyna.h"

// String lists are DynaArrays of pointers to owned strings (malloc'd).
// One operation on *list (made on first use): 0 frees the list (0);
// 1 appends a copy of text (its index); 2 searches text with cmp (the
// DYNA_search result); 3 sorts with cmp (the count); 4 packs out the
// entries that begin with byte 0xFF (the count left; the array's count
// is not changed).  -1 for a null list.
int STR_table(char*** list, int op, const char* text, DynaCompare cmp);
// Appends a copy of text (null stays null) and returns the copy.
char* STR_add(char*** list, const char* text);
// Cuts text in place at the delimiter characters and returns a new list
// of copies of the non-empty pieces (empty for a null text).
char** STR_break(char* text, const char* delimiters);
// Frees every string and the list; *list becomes null.  Always 0.
int STR_free(char*** list);
// A null-terminated calloc'd array (free it; the strings stay the
// caller's) of the n given pointers.
const char** STR_list(int n, ...);
// The index of the first of the n entries (a null entry ends the array
// early) equal to text, or -1; -1 for a null array or text.
int STR_inlist(const char* const* array, int n, const char* text);
// As STR_inlist, comparing with cmp (case-blind DYNA_ucomp when null).
int STR_lookup(const char* const* array, int n, const char* key, DynaCompare cmp);

// strtok-like tokenizer that keeps "(...)" and quoted groups whole.
char* STR_token(char* text, const char* separators);
// Where word first occurs in text after its leading blanks, or null.
char* STR_find(char* text, const char* word);
// 0 when shorter is a prefix of longer, 1 when it is the longer of the
// two, -1 otherwise.
int STR_abbrev(const char* shorter, const char* longer);
// The first character of text that is not in set (the end of text when
// all are): skips a run of set characters.
char* STR_scaneq(char* text, const char* set);
// The first character of text that is in set (the end of text when none
// is): skips up to the next set character.
char* STR_scanne(char* text, const char* set);
// The offset of the first c in text, or -1.
int STR_index(const char* text, int c);
// Moves text right by n places in its own buffer, which must hold n more
// characters, and fills the front with blanks; returns text.
char* STR_shift(char* text, int n);
// Reads one line of standard input, without its newline, into a new
// string (free it); null at end of input.
char* STR_gets();
// Reads one line of any length from `in` into `line`, without its newline
// and trailing carriage returns; false at the end of the stream.
bool STR_read_line(std::FILE* in, std::string& line);

// 0 when the whole text matches the wildcard pattern ("*": any run of
// characters other than '>', '<' and '?'; "?": any one character), 1 when
// not.  A null text gives -1 unless the pattern begins with "*"; a null
// pattern reuses the previous one.
int STR_match(const char* pattern, const char* text);
// The anchored regular expression of a wildcard pattern (new string).
char* build_mask(const char* pattern);
// Compares as strcmp does, ignoring case (neither may be null).
int STR_ucomp(const char* a, const char* b);
// True when both texts are there and equal.
inline bool STR_same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
// Change the case of text in place and return it.
char* STR_upper(char* text);
char* STR_lower(char* text);
// A malloc'd copy (free it), or null for null; running out of memory ends
// the run.
char* STR_dup(const char* text);
// Replaces the owned string in slot by a copy of text (null for none) and
// frees the old one; text may point into the old string.
void STR_replace_owned(char*& slot, const char* text);

// A number with an optional base letter in front ('h' or 'x' hexadecimal,
// 'o' octal, 'b' binary), else decimal; 0 for null, empty or no digits.
long ctol(const char* text);
int ctoi(const char* text);
// Number texts: decimal, "x" and upper-case hexadecimal, and the decimal
// of the low 16 bits.  The text is the module's own and valid until the
// next of these calls.
const char* itoc(int n);
const char* ltoc(long n);
const char* htoc(int n);
const char* wtoc(unsigned n);

// Returns the module state (tokenizer position, last pattern) to start-up.
void STR_reset_globals();
