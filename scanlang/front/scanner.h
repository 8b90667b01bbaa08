// The scan-language scanner.
//
// ScanScanner turns the text of a scan-language file (DFT, map, PSO, path
// or lockup-latch file) into tokens for the parser, one `lex` call per
// token.  Besides the token it
//   - makes the leaf node of the token (identifiers, strings, numbers,
//     reals, percentages, patterns, and a few keywords that stand for a
//     name) for the parser to hang into its tree;
//   - records the line of certain section keywords in the *_top_line
//     globals below, which the DFT writer uses to put comments back;
//   - captures every comment into `comment_tab`, each tied to the keyword
//     or brace it belongs to;
//   - for the "lorvish" tool (scan_lang_Option_type 3) skips every
//     %CONNECT_CORE section up to the next section keyword it resumes at.
//
// The language, rule by rule (longest match wins, the earlier rule on a
// tie):
//   blanks        space, tab, form feed, newline: skipped
//   pattern       ' then 0 1 S X Z tab form-feed ... then '   PATTERN, the
//                 text keeps only 0 1 S X Z
//   integer       -? digits                                    INTEGER
//   real          -? digits* . digits+ ([eE] [+-]? digits+)?   REAL
//   percentage    digits %                                     PERCENTAGE
//   numbered      %SCAN_CLOCK_<n>, %DATA_<n> (the tokens of %SCAN_CLOCK
//                 and %DATA), %BIST_CLOCK_<n>, %BIST_SELECT_<n>,
//                 %SCAN_SELECT_<n>, %FENNOX_IN_<n>, %FENNOX_OUT_<n>
//   escaped name  \ and everything up to a blank                IDENT
//   word          first a letter _ # $ % & @, then letters, digits and
//                 @ ! # $ % & ( ) * + - . / : < > [ \ ] ^ _ |
//                 a keyword gives its token; any other word is an IDENT,
//                 cut before its first "(" (else ")") unless it holds a
//                 backslash, the rest scanned again: a(1) is a ( 1 )
//   punctuation   . { } ( ) [ ] , ; : = => ~ !
//   comments      // to the line end, /* to */
//   string        "..." ("" stands for ", a backslash takes the text up to
//                 the next blank literally); leading blanks and one
//                 trailing blank dropped, an empty text is null; STRING
//   anything else skipped one character at a time
//
// Texts of any length are kept whole; the input is read into memory at
// the start.  Errors: a string that meets a line end, a NUL or the end of
// the input is error 12 (bad string), a block comment that meets a NUL or
// the end is error 13 with the line it began on; both end the run.
//
// Use from a pure (reentrant) parser: one ScanScanner per file, passed to
// the parser and on to `scan_yylex`, which fills the parser's value.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scanlang/front/ast.h"
#include "scanlang/front/tokens.h"

// -------------------------------------------------------- the token value

// What a token hands the parser.  `text` is the token's text (the
// keyword, the name, the number, the filtered pattern, the string; null
// for punctuation and the end of input); it is owned by the scanner and
// stays valid until the scanner starts again or is destroyed, so the
// parser copies what it keeps.  `node` is the leaf made for the token or
// null; the parser owns it.
struct ScanValue {
    const char* text;
    int token;
    ScanAstNode* node;
};

// --------------------------------------------------------------- comments

// One comment of the input.  `lines` is a DynaArray of malloc'ed lines
// without their line ends: a "//" comment is one line beginning "//", a
// block comment's first line begins "/*" and its last ends "*/".  `line`
// is the comment's own line for "//", the line it ends on for a block.
// `token` is the token of the keyword or brace the comment belongs to
// (the keyword on whose line it stands, else the next keyword or brace;
// -1 while it waits behind a later comment); `block_token` is the keyword
// whose block a brace opens or closes, -1 otherwise.  `printed` is 0; the
// DFT writer sets it.
struct ScanCommentRecord {
    char** lines;
    int line_count;
    int line;
    int token;
    int block_token;
    int printed;
};

// The comments of the file being parsed, in reading order (a DynaArray),
// with 1 in comment_flag while the last one waits for its token, and the
// index of the last one (-1 none).
extern ScanCommentRecord* comment_tab;
extern int comment_flag;
extern int current_comment_index;

// Frees comment_tab and starts a new empty one (flag 0, index -1).
void scan_new_comment_tab();
// Frees comment_tab with its lines; leaves it null.
void scan_free_comment_tab();

// A comment table taken out of the scanner's hands, freed with its lines.
struct ScanCommentTableFree {
    void operator()(ScanCommentRecord* table) const;
};
using ScanCommentTable = std::unique_ptr<ScanCommentRecord, ScanCommentTableFree>;
// Hands comment_tab (the comments of the file read last) to the caller
// and leaves comment_tab null, so that the next file's comments go to a
// table of their own.
ScanCommentTable scan_take_comment_tab();

// ---------------------------------------- the input and the parse's state

// The stream the parse reads; its name for messages; the current line.
extern FILE* scan_yyin;
extern std::string in_file_name;
extern int scan_yylineno;
// The calling tool (1 atpg, 2 default, 3 lorvish, 4 padril, 5 junnard,
// 6 hierarchical) and whether the DFT file names a map file, both set by
// the parse run.  Comments are captured only while has_map_file is 0.
extern int scan_lang_Option_type;
extern int has_map_file;
inline constexpr int SCAN_TOOL_LORVISH = 3;

// Lines of section keywords of the file read last (-1 until one is seen),
// and of the "{" after %ATPG_CONSTRAINTS, %SELECT_FAULT and
// %TEST_CONVERSION.
extern int select_scan_top_line, wrapper_top_line, gristel_top_line, def_info_top_line, clock_period_top_line,
    core_top_line, test_files_top_line, mbist_control_top_line, read_map_top_line, lockup_latch_file_top_line,
    modify_cmd_top_line, select_fault_top_line, decoder_top_line, control_port_1_top_line, control_port_2_top_line,
    control_port_3_top_line, scan_mode_top_line, scan_mode_out_top_line, scan_mode_inv_out_top_line,
    test_mode_top_line, test_mode_out_top_line, test_mode_inv_out_top_line, override_mode_top_line,
    override_mode_out_top_line, override_mode_inv_out_top_line, ram_write_top_line, atpg_constraints_top_line,
    pll_clock_fix_top_line, test_conversion_top_line, ta_constraints_top_line;
extern int atpg_left_brace_line, select_fault_left_brace_line, test_conversion_left_brace_line;

// ------------------------------------------------------------ the scanner

class ScanScanner {
public:
    ScanScanner() = default;
    ScanScanner(const ScanScanner&) = delete;
    ScanScanner& operator=(const ScanScanner&) = delete;

    // Reads the whole stream (which stays open; null is an empty input)
    // and starts at its first line: scan_yylineno = 1, no keyword seen,
    // no open brace, not skipping.  A failed read prints "ERROR : '<in_file_name>',
    // line-<n>, cannot read the input (<reason>).\n" on standard error and
    // ends the run with status 2.
    void start(FILE* in);
    // Starts on a text instead of a stream.
    void start_text(std::string text);

    // The next token (0 at the end of the input) with its value.
    int lex(ScanValue* value);

    // The matched text of the last token ("" at the end of the input), for
    // syntax errors.
    std::string_view text() const { return matched_; }
    // True while a section is being skipped.
    bool skipping() const { return skip_; }

private:
    int finish(ScanValue* value, int token, const char* text, ScanAstNode* node);
    int leaf_token(ScanValue* value, int token, std::string_view text, int kind);
    int word(ScanValue* value, size_t end);
    int keyword(ScanValue* value, int token, std::string_view text);
    int brace(ScanValue* value, bool open);
    int string(ScanValue* value);
    int skip_step();
    void comment(bool block);
    void settle_waiting_comment();
    void attach_waiting_comment(int token, int owner, bool at_brace, bool copy_block);
    size_t number_length(size_t at, int* token) const;
    const char* keep(std::string_view text);
    int innermost_owner() const { return owners_.empty() ? -1 : owners_.back(); }

    std::string input_;
    size_t pos_ = 0;
    std::string_view matched_;
    bool skip_ = false;                 // skipping a %CONNECT_CORE section
    bool skip_instruction_ = false;     // an instruction keyword was skipped
    int last_token_ = 0;                // the token returned last
    int last_keyword_ = 0;              // the keyword scanned last and its line
    int last_keyword_line_ = 0;
    std::vector<int> owners_;           // keyword owning each open brace
    std::string work_;                  // text being built (patterns, strings, comments)

    // Token texts of this file, in chunks that never move.
    std::vector<std::unique_ptr<char[]>> chunks_;
    size_t chunk_used_ = 0;
    size_t chunk_size_ = 0;
};

// The parser's call: the next token of `scanner` into `value`.
int scan_yylex(ScanValue* value, ScanScanner* scanner);

// Back to the start-up state: empty comment table, line globals -1, no
// input, line 1.
void SCAN_LEX_reset_globals();
