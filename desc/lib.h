// The cell-library language (".lib"): scanner, parser and the records its
// blocks make.
//
// Syntax tree of a library (desc::theAST after lib_yyparse):
//   PROGRAM_NODE
//     TAP_CELL_NODE | SCAN_CELL_NODE            children: IDENT_NODE name, items...
//     BUFFER_CELL_NODE | INV_BUFFER_NODE |
//     DIFF_V_BUFFER_CELL_NODE | DIFF_I_BUFFER_CELL_NODE |
//     BS_BUFFER_NODE                            children: IDENT_LIST_NODE (IDENT_NODE names...), items...
// Items, in file order, each with its operands as children:
//   pin and name items (TDI_NODE, DATA_IN_NODE, FUNCTION_NODE, ...)  IDENT_NODE
//   GROUP_SIZE_NODE, DF_GROUP_SIZE_NODE                            INTEGER_NODE
//   EXTRA_NODE                                                     INTEGER_NODE n, IDENT_NODE pin
//   STD_NAME_LIST_NODE, ORDER_LIST_NODE                            IDENT_NODE names...
//   WEAK_0_NODE, WEAK_1_NODE, PULL_0_NODE, PULL_1_NODE, KEEPER_NODE  none
// Item kinds by keyword: %HIGHZ gives BS_HIGHZ_NODE, %INV_BUFFER inside a
// %TAP_CONTROLLER gives INV_BUFFER_NODE, %MODE_n gives MODE_n_NODE, and
// every other %X gives X_NODE.  Nodes carry the line of their keyword.
#pragma once

#include <cstdio>

#include "desc/ast.h"
#include "desc/tables.h"

// The library being read; LIB_FILE names it in messages.
extern FILE* lib_yyin;
// Line of the library scanner (from 1 for each file read).
extern int lib_yylineno;
// Text of the last token ("" at the end of the input).
extern const char* lib_yytext;
// Leaf of the last identifier or integer token (the parser takes it).
extern desc::DescAstNode* lib_yylval;

// The next token of lib_yyin (a LibToken, a punctuation character, or 0
// at the end).  The first call of a parse reads the whole input.
int lib_yylex();
// Parses the whole library from lib_yyin and leaves the tree in
// desc::theAST (the previous tree is freed); returns only on success.
void lib_yyparse();
// The syntax-error message for the last token, then the end of the run.
[[noreturn]] void lib_yyerror();

// Records of the library tables.  Each appends a record to its hash table
// under the name (records of the same name are kept, first found first).
//
// A scan cell with its three lists made empty, every pin none,
// oe_mode_direction -1 and the %BS_BUFFER flag as given.
ScanCellEntry* new_scan_cell(const char* name, int bs_buffer);
// A TAP controller with both group sizes -1 and everything else none.
TapCellEntry* new_tap_cell(const char* name);
// A buffer of the given BufferKind with every other word clear; a name
// that contains "*" is also appended to WILD_CARD_BUF_TAB.
BufferEntry* new_buffer(const char* name, int kind);

// Apply one item node of a library block to a record: each stores its
// operand in the record word the item fills and returns 1, or returns 0
// for an item that does not fill that kind of record (so a %BS_BUFFER
// block can offer every item to its buffers and to its scan cell).
// %STD_NAME and %ORDER append their names; %EXTRA_n stores its pin at
// position n-1; a pin given twice keeps the last one.
int lib_fill_scan_cell(ScanCellEntry* cell, const desc::DescAstNode* item);
int lib_fill_tap_cell(TapCellEntry* tap, const desc::DescAstNode* item);
int lib_fill_buffer(BufferEntry* buffer, const desc::DescAstNode* item);

// Returns the library scanner to its start-up state.
void LIB_reset_globals();
