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
%define parse.error custom
%param {ScanScanner* scanner}
%initial-action { scan_parse_begin(scanner); }

/* Placeholder of the blocks whose grammar is not in this version: the
   scanner never produces it (see grammar/unbuilt/). */
%token UNBUILT 699 "unbuilt block"

/* The grammar has no conflicts. */
%expect 0
%start file
%%
%%
/* A syntax error ends the run with code 4, except where the next token
   could only be the placeholder of a block not in this version: then the
   keyword just read (the symbol of the state on top) names the block. */
static int yyreport_syntax_error(const yypcontext_t* context, ScanScanner* scanner) {
    yysymbol_kind_t expected[4];
    int n = yypcontext_expected_tokens(context, expected, 4);
    for (int i = 0; i < n; ++i)
        if (expected[i] == YYSYMBOL_UNBUILT)
            scan_refuse_unbuilt(yysymbol_name(YY_ACCESSING_SYMBOL(*context->yyssp)));
    scan_yyerror(scanner, "syntax error");
    return 0;
}
