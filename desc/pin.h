// The pin and package file language: scanner, parser and the rows it
// makes.  The pin parser builds no syntax tree: each pin row becomes a
// PinListEntry of PIN_HASH_TAB (list mode) or a PackagePinEntry of the
// current package (package mode) as soon as it is read.
#pragma once

#include <cstdio>

#include "desc/tables.h"

// 1: list mode (%PIN_LIST; rows go to PIN_HASH_TAB), 0: package mode
// (%PACKAGE_LIST; rows go to current_package_ptr).  Set before parsing.
extern int PIN_FLAG;
// The PackageEntry that package mode fills; when none is set the parser
// appends a new one named PIN_FILE to PACKAGE_TABLE.
extern PackageEntry* current_package_ptr;
// Name-check tables of the file being read (hash tables of names, see
// tables.h): package names and core-side names seen so far.
extern char*** SEM_IO_PIN_TAB;
extern char*** SEM_V_PIN_TAB;

// The pin file being read; PIN_FILE names it in messages.
extern FILE* pin_yyin;
// Line of the pin scanner (from 1 for each file read).
extern int pin_yylineno;

// Value of the last token.
struct PinTokenValue {
    const char* text;  // "" at the end of the input
    int code;          // a PinToken, a punctuation character, or 0
    int line;
};
extern PinTokenValue pin_yylval;

// The next token of pin_yyin; the first call of a parse reads the whole
// input.
int pin_yylex();
// Parses one pin file from pin_yyin, making its rows; returns only on
// success.  Every error ends the run with -1 except repeated package and
// core-side names, which are reported and set GLOBAL_EXIT.
void pin_yyparse();
[[noreturn]] void pin_yyerror();
// Parses the open pin file in list mode (1) or package mode (0): sets
// PIN_FLAG, makes the name-check tables (when absent) and the keyword
// hash, and runs pin_yyparse on it.  The check tables stay for the
// caller's checks; free_pin_check_tables frees them.
void parse_pin_file(FILE* in, int list_mode);

// Appends a new row with that number text in a bucket of its own of
// PIN_HASH_TAB (cell code and pad enable -1, line as given).  A number
// already used by a row of PIN_HASH_TAB prints "'%s' line %d: pin number
// %s mutiple defined.\n" and ends the run with -1.  Rows made outside the
// pin parser (the inline %PIN_LIST pairs) are made here too.
PinListEntry* save_pin(const char* number, int line);
// Frees PIN_HASH_TAB and PIN_TABLE together with the index save_pin
// keeps of the numbers in use.  Use it, not a plain free, to empty them.
void free_pin_tables();

// 1 when the package name was seen in this file; else records it and
// gives 0.  "INTERNAL" and "OBSERVE_ONLY" always give 0 and are not kept.
int exist_io_pin(const char* name);
// The same for core-side names, without exceptions.
int exist_v_pin(const char* name);
// 1 when the name is in ALLOWED_MULTIPLE_LIST (exact comparison).
int in_allowed_list(const char* name);
// For each %ALLOWED_MULTIPLE name that no row of PIN_HASH_TAB has as its
// package name: "WARNING : %ALLOWED_MULTIPLE '<name>' was not declared
// in \"<PIN_FILE>\".\n" on standard error.
void exist_multiple_pin();
// The index check of a name: the characters between its first "[" and
// the first "]" after it must be decimal digits ("[]" passes); otherwise
// "\"%s\", line %d: Syntax error at %s\n" on standard error and the end
// of the run with -1.
void parse_pin_name(const char* name, int line);
// Prints the message of its kind on standard output (it does not end the
// run): 0 "'%s' line %d: Missing '*/'.\n", 1 "'%s' line %d: Can't find
// Cell %s.\n", 3 "'%s' line %d: pin number %s mutiple defined.\n", 4
// "'%s' line %d: pin name %s mutiple defined.\n".
void error_msg(const char* file, int line, int kind, const char* name);

// Make (when absent) and free the two name-check tables.
void create_pin_check_tables();
void free_pin_check_tables();

// Returns the pin reader to its start-up state (list mode, no current
// package, no check tables, scanner cleared).
void PIN_reset_globals();
