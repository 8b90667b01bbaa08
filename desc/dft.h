// The boundary-scan configuration language (".bsc"): scanner, parser and
// the pattern checks of its opcodes and capture patterns.
//
// Syntax tree of a configuration (desc::theAST after dft_yyparse).  Every
// item node carries the line of its keyword; leaves carry their own line.
//   PROGRAM_NODE, children the top-level items in file order:
//   INSTRUCTION_TABLE_NODE        INSTRUCTION_NODE...
//     INSTRUCTION_NODE            IDENT_NODE name, then its entries:
//       INST_LIST_NODE            the opcodes (value leaves); one per
//                                 "= (...)" or %BINARY_CODE
//       ACCESS_NODE               IDENT_NODE register (ACCESS, %DATA_REGISTER)
//       ENABLE_NODE               IDENT_NODE signal [, value leaf]
//                                 (ENABLE of the one-line form, %ENABLE)
//       EN_H_NODE, EN_L_NODE      IDENT_NODE signal [, gate node]
//         INSTRUCTION_AND_NODE .. INSTRUCTION_XNOR_NODE   IDENT_NODE signal
//   INSTRUCTION_CAPTURE_NODE      value leaves
//   INSTRUCTION_DISABLE_NODE, INSTRUCTION_GUARD_NODE   IDENT_NODE
//   INSTRUCTION_PRIVATE_NODE      IDENT_NODE...
//   IDCODE_REGISTER_NODE          value leaf
//   USERCODE_REGISTER_NODE        value leaves
//   INPUT_BUFFER_NODE, OUTPUT_BUFFER_NODE, INOUT_BUFFER_NODE, INVERTER_NODE,
//   GLOBAL_TDI_NODE .. GLOBAL_TRST_NODE                IDENT_NODE
//   SCAN_CELLS_NODE               role nodes (OUTPUT_MUX_SCAN_NODE ...), each IDENT_NODE cell
//   TAP_MODULE_NODE               MODULE_NAME_NODE / INSTANCE_NAME_NODE, each IDENT_NODE
//   PIN_LIST_NODE                 FILE_NAME_NODE (IDENT_NODE), or
//                                 PIN_ITEM_LIST_NODE of PIN_ITEM_NODE (number leaf, IDENT_NODE name)
//   PACKAGE_LIST_NODE             FILE_NAME_NODE...
//   CONNECT_TABLE_NODE            CONNECT_NODE (from side, to side); a side is
//                                 CONNECT_PIN_NODE (IDENT_NODE instance, IDENT_NODE pin)
//                                 or CONNECT_PORT_NODE (IDENT_NODE port)
//   SKIP_MODULE_NAMES_NODE, TRANSPARENT_BUFFER_NODE, UNBOUNDED_PINS_NODE   IDENT_NODE...
//   SKIP_SIGNAL_NAMES_NODE        SKIP_IDENT_NODE (IDENT_NODE name [, value leaf])...
//   MEMORY_BIST_NODE              MEMORY_BIST_ELEMENT_NODE (IDENT_NODE instruction, lines...)...
//   LOGIC_BIST_NODE               LOGIC_BIST_ELEMENT_NODE (IDENT_NODE instruction, lines...)...,
//                                 or the lines themselves for a block without %INSTRUCTION
//     lines: CTRL_ORDER_NODE (number leaves), CNT_FILE_NODE (IDENT_NODE...),
//            BL_SEL_INST_NODE, DFT_FILE_NODE, BL_SCAN_INST_NODE, BL_LBIST_INST_NODE,
//            BL_DEBUG_INST_NODE, INSTANCE_NAME_NODE (IDENT_NODE), BL_DIAG_INST_NODE,
//            BL_DIAG_CNT_NODE (IDENT_NODE...), BL_TEST_SETING_NODE (value leaves)
//   IDENT_LIST_NODE               value leaves of a bare list (saved nowhere)
#pragma once

#include <cstdio>

#include "desc/ast.h"
#include "desc/tables.h"

// The configuration being read; DFT_FILE names it in messages.
extern FILE* dft_yyin;
// Line of the configuration scanner (from 1 for each file read).
extern int dft_yylineno;
// Text of the last token ("" at the end of the input).
extern const char* dft_yytext;
// Leaf of the last identifier, integer or pattern token (the parser
// takes it).
extern desc::DescAstNode* dft_yylval;

// The next token of dft_yyin (a DftToken, a punctuation character, or 0
// at the end).  The first call of a parse reads the whole input.
int dft_yylex();
// Parses the whole configuration from dft_yyin and leaves the tree in
// desc::theAST (the previous tree is freed); returns only on success.
// The cells of %SCAN_CELLS and the module of %TAP_MODULE are looked up in
// the library tables as they are read, so the library is read first: a
// name the library lacks prints "'%s' line %d: Can't find Cell %s.\n" and
// ends the run with -1.
void dft_yyparse();
// The syntax-error message for the last token, then the end of the run.
[[noreturn]] void dft_yyerror();

// The pattern check of an opcode or capture pattern against the patterns
// already accepted into `list`: 1 accepts; 0 refuses after a message on
// standard error (a length that differs from an earlier pattern's, or a
// pattern equal to an earlier one where "X"/"x" matches anything).
int check_pattern_list(const desc::DescAstNode* pattern, char** list);
// 1 when every character is 0, 1, X or x (also for the empty text).
int is_pattern(const char* text);
// 1 when every character is a decimal digit (also for the empty text).
int is_int(const char* text);

// The pad roles of %SCAN_CELLS: the keyword token, the node kind it
// makes and the global that names the role's boundary-scan cell.
struct DftPadRole {
    int token;
    int kind;
    char** global;
};
extern const DftPadRole DFT_PAD_ROLES[20];

// Returns the configuration scanner and parser to their start-up state.
void DFT_reset_globals();
