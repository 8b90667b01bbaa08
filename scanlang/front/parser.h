// The scan-language parser: one bison grammar for every file kind (DFT,
// map, path, PSO and lockup-latch files), told apart by content alone.
//
// The grammar is assembled at build time from the fragments in grammar/
// (see grammar/README); the actions call the helpers below to build the
// syntax tree, count block statements in the occurrence tables of
// seman.h and report what is doubled.
//
// A parse leaves its tree in the root of its kind; every root is cleared
// when a parse begins, so a root holds the tree of the latest parse or
// null.  Trees are never freed during a run: a cleared root's tree stays
// alive (records of the object model point into it) until
// SCAN_PARSE_reset_globals.
#pragma once

#include <string>

#include "scanlang/front/ast.h"
#include "scanlang/front/scanner.h"

// Roots of the trees of the latest parse (each a PROGRAM_NODE or null):
// empty input, DFT, map, path, PSO and lockup-latch file.
extern ScanAstNode* theAST;
extern ScanAstNode* thedftAST;
extern ScanAstNode* themapAST;
extern ScanAstNode* thepathAST;
extern ScanAstNode* thepsoAST;
extern ScanAstNode* thelockupAST;

// 1 while the object model parses a path file: only then does a path
// list become thepathAST, and the block forms of the path sections are
// refused.
extern int parse_path_fileG;
// 1 while a lockup-latch file is parsed: only then are lines of a name
// and a semicolon accepted.
extern int sl_lockup_latch_flag;
// Cleared after each %CORE and %SCAN_MODULE block.
extern int dont_fix_flag;
// Clocks seen so far in the wrapper chain being parsed.
extern int wrapper_chain_clk_count;
// Set to 1 when a decoder mode is given in its braced (port block) form,
// for the object builder; the one-line forms leave them alone.
extern int new_decoder_scan_mode, new_decoder_test_mode, new_decoder_override_mode, new_decoder_ram_write;

// Parses the whole of scan_yyin (from its first line) and returns 0.  A
// syntax error ends the run (code 4).
int scan_yyparse();
// The generated parser over a started scanner; scan_yyparse() wraps it.
int scan_yyparse(ScanScanner* scanner);

// Zeroes the occurrence tables that start afresh with every file; called
// before each file is parsed.
void initial_parser();

// Parses the file at `path` (error 0 naming it when it cannot be opened),
// with `shown` as the name that the parser's messages give, from line 1.
void sl_parse_file(const std::string& path, const std::string& shown);

// ---------------------------------------------------------- error reports

// Code 11: internal tree error (fatal).
int tree_error();
// Code 15 (warning): the block `text` at `line` has an empty body.
int empty_body_error(const char* text, int line);
// Code 7 (warning) at the current line: the node kind `name` is given
// more than once.  A trailing "_NODE" is left out of the message
// ("SCAN_INIT_NODE" reads "SCAN_INIT"); other names are printed whole.
int multiple_error(const char* name);
// Code 5 (fatal): `text` - `value` is undefined, at `line`.
int undefined_error(const char* text, const char* value, int line);
// The syntax-error report of the parser: code 4 naming the text of the
// current token, then the run ends.  A block whose grammar is not in this
// version is refused with its own message instead.
void scan_yyerror(ScanScanner* scanner, const char* message);

// The name that warning 7 prints for a node kind: its name less a
// trailing "_NODE".
std::string scan_kind_report_name(int kind);

// Frees the trees of every parse of the run and clears the roots and the
// parse flags.
void SCAN_PARSE_reset_globals();
