// String lists, tokens, wildcard matching, case and number conversions.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/dyna.h"

// String lists are DynaArrays of pointers to owned strings (malloc'd).
int STR_table(char*** list, int op, const char* text, DynaCompare cmp);
char* STR_add(char*** list, const char* text);
char** STR_break(char* text, const char* delimiters);
int STR_free(char*** list);
const char** STR_list(int n, ...);
int STR_inlist(const char* const* array, int n, const char* text);
int STR_lookup(const char* const* array, int n, const char* key, DynaCompare cmp);

// strtok-like tokenizer that keeps "(...)" and quoted groups whole.
char* STR_token(char* text, const char* separators);
char* STR_find(char* text, const char* word);
int STR_abbrev(const char* shorter, const char* longer);
char* STR_scaneq(char* text, const char* set);
char* STR_scanne(char* text, const char* set);
int STR_index(const char* text, int c);
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
int STR_ucomp(const char* a, const char* b);
char* STR_upper(char* text);
char* STR_lower(char* text);
char* STR_dup(const char* text);
// Replaces the owned string in slot by a copy of text (null for none) and
// frees the old one; text may point into the old string.
void STR_replace_owned(char*& slot, const char* text);

long ctol(const char* text);
int ctoi(const char* text);
const char* itoc(int n);
const char* ltoc(long n);
const char* htoc(int n);
const char* wtoc(unsigned n);

// Returns the module state (tokenizer position, last pattern) to start-up.
void STR_reset_globals();
