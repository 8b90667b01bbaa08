/* The parser of the scan language: declarations.

   One LALR(1) parser reads every file kind; the start rule that the
   input derives decides whether it is a DFT, map, path, PSO or
   lockup-latch file.  The scanner is passed to the parser and on to
   scan_yylex; each grammar symbol's value is a ScanValue, whose node is
   the tree the rule built.  Reductions happen only on a consistent state
   or with the look-ahead read, as the block checks expect. */
%code requires {
#include "scanlang/front/scanner.h"
}
%code {
#include "scanlang/front/parse_actions.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/seman.h"
}
%define api.pure full
%define api.prefix {scan_yy}
%define api.value.type {ScanValue}
%define lr.default-reduction consistent
%define parse.error simple
%param {ScanScanner* scanner}
%initial-action { scan_parse_begin(scanner); }

/* The grammar has no conflicts. */
%expect 0
%start file
%%

