// The scan-language scanner: a hand-written longest-match scanner over the
// whole input held in memory, with its comment capture and section skip.
#include "scanlang/front/scanner.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/keywords.h"

ScanCommentRecord* comment_tab = nullptr;
int comment_flag = 0;
int current_comment_index = -1;

FILE* scan_yyin = nullptr;
std::string in_file_name;
int scan_yylineno = 1;
int scan_lang_Option_type = 0;
int has_map_file = 0;

int select_scan_top_line = -1, wrapper_top_line = -1, gristel_top_line = -1, def_info_top_line = -1,
    clock_period_top_line = -1, core_top_line = -1, test_files_top_line = -1, mbist_control_top_line = -1,
    read_map_top_line = -1, lockup_latch_file_top_line = -1, modify_cmd_top_line = -1, select_fault_top_line = -1,
    decoder_top_line = -1, control_port_1_top_line = -1, control_port_2_top_line = -1, control_port_3_top_line = -1,
    scan_mode_top_line = -1, scan_mode_out_top_line = -1, scan_mode_inv_out_top_line = -1, test_mode_top_line = -1,
    test_mode_out_top_line = -1, test_mode_inv_out_top_line = -1, override_mode_top_line = -1,
    override_mode_out_top_line = -1, override_mode_inv_out_top_line = -1, ram_write_top_line = -1,
    atpg_constraints_top_line = -1, pll_clock_fix_top_line = -1, test_conversion_top_line = -1,
    ta_constraints_top_line = -1;
int atpg_left_brace_line = -1, select_fault_left_brace_line = -1, test_conversion_left_brace_line = -1;

namespace {

// ------------------------------------------------------------ tables

// Section keywords whose line is recorded.
struct SectionLine {
    int token;
    int* line;
};
const SectionLine kSectionLines[] = {
    {TK_SELECT_SCAN, &select_scan_top_line},
    {TK_WRAPPER, &wrapper_top_line},
    {TK_GRISTEL_INFO, &gristel_top_line},
    {TK_DEF_INFO, &def_info_top_line},
    {TK_CLOCK_PERIOD, &clock_period_top_line},
    {TK_CORE, &core_top_line},
    {TK_TEST_FILES, &test_files_top_line},
    {TK_MBIST_CONTROL, &mbist_control_top_line},
    {TK_READ_MAP, &read_map_top_line},
    {TK_LOCKUP_LATCH_FILE, &lockup_latch_file_top_line},
    {TK_SCAN_MODIFY_CMD, &modify_cmd_top_line},
    {TK_SELECT_FAULT, &select_fault_top_line},
    {TK_SCAN_DECODER, &decoder_top_line},
    {TK_CONTROL_PORT_1, &control_port_1_top_line},
    {TK_CONTROL_PORT_2, &control_port_2_top_line},
    {TK_CONTROL_PORT_3, &control_port_3_top_line},
    {TK_SCAN_MODE, &scan_mode_top_line},
    {TK_SCAN_MODE_OUT, &scan_mode_out_top_line},
    {TK_SCAN_MODE_INV_OUT, &scan_mode_inv_out_top_line},
    {TK_TEST_MODE, &test_mode_top_line},
    {TK_TEST_MODE_OUT, &test_mode_out_top_line},
    {TK_TEST_MODE_INV_OUT, &test_mode_inv_out_top_line},
    {TK_OVERRIDE_MODE, &override_mode_top_line},
    {TK_OVERRIDE_MODE_OUT, &override_mode_out_top_line},
    {TK_OVERRIDE_MODE_INV_OUT, &override_mode_inv_out_top_line},
    {TK_RAM_WRITE, &ram_write_top_line},
    {TK_ATPG_CONSTRAINTS, &atpg_constraints_top_line},
    {TK_PLL_CLOCK_FIX, &pll_clock_fix_top_line},
    {TK_TEST_CONVERSION, &test_conversion_top_line},
    {TK_TA_CONSTRAINTS, &ta_constraints_top_line},
};

// The "{" after these keywords has its line recorded.
const SectionLine kLeftBraceLines[] = {
    {TK_TEST_CONVERSION, &test_conversion_left_brace_line},
    {TK_ATPG_CONSTRAINTS, &atpg_left_brace_line},
    {TK_SELECT_FAULT, &select_fault_left_brace_line},
};

// Keywords that stand for a name and so get an IDENT_NODE leaf.
bool keyword_has_leaf(int token) {
    switch (token) {
    case TK_SCAN_CLOCK: case TK_DATA: case TK_OUTPUT: case TK_SELECT: case TK_ENABLE:
    case TK_STRENGTH: case TK_IN: case TK_OUT: case TK_CK:
        return true;
    default:
        return false;
    }
}

// Numbered words: the prefix, then digits to the end of the word.
struct NumberedWord {
    std::string_view prefix;
    int token;
    bool leaf;
};
const NumberedWord kNumberedWords[] = {
    {"%SCAN_CLOCK_", TK_SCAN_CLOCK, true},     {"%FENNOX_IN_", TK_FENNOX_IN_N, false},
    {"%FENNOX_OUT_", TK_FENNOX_OUT_N, false},  {"%BIST_CLOCK_", TK_BIST_CLOCK_N, true},
    {"%BIST_SELECT_", TK_BIST_SELECT_N, true}, {"%DATA_", TK_DATA, true},
    {"%SCAN_SELECT_", TK_SCAN_SELECT_N, true},
};

// Where a skipped %CONNECT_CORE section ends.
bool is_resume_keyword(int token) {
    switch (token) {
    case TK_ATPG_CONSTRAINTS: case TK_SELECT_FAULT: case TK_SCAN_DECODER: case TK_CONNECT_SCAN:
    case TK_READ_MAP: case TK_SELECT_SCAN: case TK_SEQUENCE: case TK_INSTRUCTION: case TK_PLL_CLOCK_FIX:
    case TK_TEST_CONVERSION: case TK_CONNECT_BIST: case TK_SCAN_MODIFY_CMD: case TK_TA_CONSTRAINTS:
    case TK_SCAN_REPAIR:
        return true;
    default:
        return false;
    }
}

// An instruction keyword inside a skipped section swallows the next
// resume keyword (it belongs to the instruction).
bool is_skipped_instruction(int token) {
    return token == TK_SCAN_INSTRUCTION || token == TK_CORE_INSTRUCTION || token == TK_SYSTEM_INSTRUCTION;
}

// ------------------------------------------------- character classes

enum : unsigned char { WORD_START = 1, WORD_CHAR = 2, DIGIT = 4, BLANK = 8, PATTERN_CHAR = 16 };

struct CharClasses {
    unsigned char of[256] = {};
    constexpr CharClasses() {
        for (int c = 'a'; c <= 'z'; ++c) of[c] = WORD_START | WORD_CHAR;
        for (int c = 'A'; c <= 'Z'; ++c) of[c] = WORD_START | WORD_CHAR;
        for (int c = '0'; c <= '9'; ++c) of[c] = WORD_CHAR | DIGIT;
        for (unsigned char c : std::string_view("_#$%&@")) of[c] |= WORD_START | WORD_CHAR;
        for (unsigned char c : std::string_view("!()*+-./:<>[\\]^|")) of[c] |= WORD_CHAR;
        for (unsigned char c : std::string_view(" \t\f\n")) of[c] |= BLANK;
        for (unsigned char c : std::string_view("01SXZ\t\f")) of[c] |= PATTERN_CHAR;
    }
};
constexpr CharClasses kClass;

inline bool has(char c, unsigned char cls) { return kClass.of[static_cast<unsigned char>(c)] & cls; }

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!has(c, DIGIT)) return false;
    return true;
}

// Codes 12 and 13 end the run.
[[noreturn]] void fatal_at(int code, int line) {
    scan_yylineno = line;
    error_handler(in_file_name.c_str(), line, code, nullptr, nullptr);
    qdx_exit(-1);
}

}  // namespace

// ------------------------------------------------------------ comments

void ScanCommentTableFree::operator()(ScanCommentRecord* table) const {
    for (int i = 0, n = DYNA_count(table); i < n; ++i) {
        char** lines = table[i].lines;
        for (int j = 0, m = DYNA_count(lines); j < m; ++j) std::free(lines[j]);
        if (lines) DYNA_free(&lines);
    }
    if (table) DYNA_free(&table);
}

void scan_free_comment_tab() { ScanCommentTableFree{}(std::exchange(comment_tab, nullptr)); }

ScanCommentTable scan_take_comment_tab() { return ScanCommentTable(std::exchange(comment_tab, nullptr)); }

void scan_new_comment_tab() {
    scan_free_comment_tab();
    comment_tab = DYNA_new<ScanCommentRecord>();
    comment_flag = 0;
    current_comment_index = -1;
}

// ------------------------------------------------------------ scanner

void ScanScanner::start(FILE* in) {
    std::string text;
    if (in) {
        char block[65536];
        for (;;) {
            size_t got = std::fread(block, 1, sizeof block, in);
            text.append(block, got);
            if (got < sizeof block) break;
        }
        if (std::ferror(in)) {
            // A read failure is reported on standard error with its own
            // status, apart from the diagnostics of the text.
            int err = errno;
            int line = 1;
            for (char c : text) line += c == '\n';
            std::fprintf(stderr, "ERROR : '%s', line-%d, cannot read the input (%s).\n", in_file_name.c_str(), line,
                         std::strerror(err));
            qdx_exit(2);
        }
    }
    start_text(std::move(text));
}

void ScanScanner::start_text(std::string text) {
    input_ = std::move(text);
    pos_ = 0;
    matched_ = {};
    skip_ = false;
    skip_instruction_ = false;
    last_token_ = 0;
    last_keyword_ = 0;
    last_keyword_line_ = 0;
    owners_.clear();
    chunks_.clear();
    chunk_used_ = chunk_size_ = 0;
    scan_yylineno = 1;
}

const char* ScanScanner::keep(std::string_view text) {
    constexpr size_t kChunk = 64 * 1024;
    size_t need = text.size() + 1;
    if (chunk_used_ + need > chunk_size_) {
        chunk_size_ = need > kChunk ? need : kChunk;
        chunks_.push_back(std::make_unique<char[]>(chunk_size_));
        chunk_used_ = 0;
    }
    char* p = chunks_.back().get() + chunk_used_;
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    chunk_used_ += need;
    return p;
}

int ScanScanner::finish(ScanValue* value, int token, const char* text, ScanAstNode* node) {
    *value = ScanValue{text, token, node};
    last_token_ = token;
    return token;
}

int ScanScanner::leaf_token(ScanValue* value, int token, std::string_view text, int kind) {
    const char* kept = keep(text);
    return finish(value, token, kept, kind >= 0 ? SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(kind), kept) : nullptr);
}

int scan_yylex(ScanValue* value, ScanScanner* scanner) { return scanner->lex(value); }

int ScanScanner::lex(ScanValue* value) {
    const size_t n = input_.size();
    for (;;) {
        if (pos_ >= n) {
            // The end of the input also ends a skipped section.
            skip_ = false;
            skip_instruction_ = false;
            matched_ = {};
            return finish(value, TK_END_OF_INPUT, nullptr, nullptr);
        }
        const size_t at = pos_;
        const char c = input_[at];
        const char next = at + 1 < n ? input_[at + 1] : '\0';
        auto match = [&](size_t len) {
            matched_ = std::string_view(input_).substr(at, len);
            pos_ = at + len;
        };
        auto punct = [&](int token, size_t len = 1) {
            match(len);
            return finish(value, token, nullptr, nullptr);
        };

        if (has(c, BLANK)) {
            for (; pos_ < n && has(input_[pos_], BLANK); ++pos_)
                if (input_[pos_] == '\n') ++scan_yylineno;
            continue;
        }
        if (c == '/' && (next == '/' || next == '*')) {
            comment(next == '*');
            continue;
        }
        if (skip_) {
            if (int token = skip_step()) return finish(value, token, keep(matched_), nullptr);
            continue;
        }

        int token = 0;
        size_t len = 0;
        switch (c) {
        case '\'': {
            size_t q = at + 1;
            while (q < n && has(input_[q], PATTERN_CHAR)) ++q;
            if (q == at + 1 || q >= n || input_[q] != '\'') break;  // not a pattern: the quote is skipped
            match(q + 1 - at);
            work_.clear();
            for (char p : matched_)
                if (p != '\'' && p != '\t' && p != '\f') work_ += p;
            return leaf_token(value, TK_PATTERN, work_, PATTERN_NODE);
        }
        case '\\': {
            size_t q = at + 1;
            while (q < n && !has(input_[q], BLANK)) ++q;
            match(q - at);
            return leaf_token(value, TK_IDENT, matched_, IDENT_NODE);
        }
        case '{': match(1); return brace(value, true);
        case '}': match(1); return brace(value, false);
        case '(': return punct(TK_LPAREN);
        case ')': return punct(TK_RPAREN);
        case '[': return punct(TK_LBRACKET);
        case ']': return punct(TK_RBRACKET);
        case ',': return punct(TK_COMMA);
        case ';': return punct(TK_SEMICOLON);
        case ':': return punct(TK_COLON);
        case '~': return punct(TK_TILDE);
        case '!': return punct(TK_BANG);
        case '=': return next == '>' ? punct(TK_ARROW, 2) : punct(TK_EQUAL);
        case '"': match(1); return string(value);
        default:
            if (has(c, DIGIT) || c == '-' || c == '.') {
                len = number_length(at, &token);
                if (len) {
                    match(len);
                    int kind = token == TK_INTEGER ? NUMBER_NODE : token == TK_REAL ? REAL_NUM_NODE : PERCENTAGE_NODE;
                    return leaf_token(value, token, matched_, kind);
                }
                if (c == '.') return punct(TK_DOT);
                break;
            }
            if (has(c, WORD_START)) {
                size_t q = at + 1;
                while (q < n && has(input_[q], WORD_CHAR)) ++q;
                int t = word(value, q);
                if (t >= 0) return t;
                continue;
            }
            break;
        }
        // A character that starts no token.
        pos_ = at + 1;
    }
}

// Length of the longest integer, real or percentage at `at` (0 for none).
size_t ScanScanner::number_length(size_t at, int* token) const {
    const size_t n = input_.size();
    size_t q = at;
    bool minus = input_[q] == '-';
    if (minus) ++q;
    size_t digits_from = q;
    while (q < n && has(input_[q], DIGIT)) ++q;
    bool digits = q > digits_from;
    size_t best = 0;
    if (digits) {
        best = q - at;
        *token = TK_INTEGER;
        if (!minus && q < n && input_[q] == '%') {
            *token = TK_PERCENTAGE;
            return q + 1 - at;
        }
    }
    if (q + 1 < n && input_[q] == '.' && has(input_[q + 1], DIGIT)) {
        size_t r = q + 1;
        while (r < n && has(input_[r], DIGIT)) ++r;
        if (r < n && (input_[r] == 'e' || input_[r] == 'E')) {
            size_t e = r + 1;
            if (e < n && (input_[e] == '+' || input_[e] == '-')) ++e;
            if (e < n && has(input_[e], DIGIT)) {
                while (e < n && has(input_[e], DIGIT)) ++e;
                r = e;
            }
        }
        best = r - at;
        *token = TK_REAL;
    }
    return best;
}

// A word from pos_ to `end`: a numbered word, a keyword or an identifier.
// Returns the token, or -1 when the word gives none (a %CONNECT_CORE that
// starts a skipped section).
int ScanScanner::word(ScanValue* value, size_t end) {
    const size_t at = pos_;
    std::string_view w = std::string_view(input_).substr(at, end - at);
    matched_ = w;
    pos_ = end;
    for (const NumberedWord& nw : kNumberedWords)
        if (w.size() > nw.prefix.size() && w.substr(0, nw.prefix.size()) == nw.prefix &&
            all_digits(w.substr(nw.prefix.size())))
            return leaf_token(value, nw.token, w, nw.leaf ? IDENT_NODE : -1);

    int token = keyword_lookup(w);
    if (token > 0) return keyword(value, token, w);

    if (w.find('\\') == std::string_view::npos) {
        size_t cut = w.find('(');
        if (cut == std::string_view::npos) cut = w.find(')');
        if (cut != std::string_view::npos) {
            w = w.substr(0, cut);
            matched_ = w;
            pos_ = at + cut;
        }
    }
    return leaf_token(value, TK_IDENT, w, IDENT_NODE);
}

int ScanScanner::keyword(ScanValue* value, int token, std::string_view text) {
    for (const SectionLine& s : kSectionLines)
        if (s.token == token) *s.line = scan_yylineno;
    attach_waiting_comment(token, -1, false, false);
    last_keyword_ = token;
    last_keyword_line_ = scan_yylineno;
    if (token == TK_CONNECT_CORE && scan_lang_Option_type == SCAN_TOOL_LORVISH) {
        skip_ = true;
        return -1;
    }
    return leaf_token(value, token, text, keyword_has_leaf(token) ? IDENT_NODE : -1);
}

int ScanScanner::brace(ScanValue* value, bool open) {
    int token = open ? TK_LBRACE : TK_RBRACE;
    if (open) {
        owners_.push_back(last_keyword_);
        attach_waiting_comment(token, innermost_owner(), true, false);
        for (const SectionLine& s : kLeftBraceLines)
            if (s.token == last_keyword_) *s.line = scan_yylineno;
    } else {
        attach_waiting_comment(token, innermost_owner(), true, true);
        if (!owners_.empty()) owners_.pop_back();
    }
    return finish(value, token, nullptr, nullptr);
}

// One step inside a skipped section.  Returns the resume keyword at which
// the section ends (its text in matched_), else 0.
int ScanScanner::skip_step() {
    const size_t n = input_.size();
    const size_t at = pos_;
    const char c = input_[at];
    if (has(c, WORD_START)) {
        size_t q = at + 1;
        while (q < n && has(input_[q], WORD_CHAR)) ++q;
        std::string_view w = std::string_view(input_).substr(at, q - at);
        pos_ = q;
        int token = keyword_lookup(w);
        if (is_skipped_instruction(token)) skip_instruction_ = true;
        if (!is_resume_keyword(token)) return 0;
        if (skip_instruction_) {
            skip_instruction_ = false;
            return 0;
        }
        skip_ = false;
        matched_ = w;
        return token;
    }
    if (c == '\\') {
        size_t q = at + 1;
        while (q < n && !has(input_[q], BLANK)) ++q;
        pos_ = q;
        return 0;
    }
    int token = 0;
    size_t len = (has(c, DIGIT) || c == '-' || c == '.') ? number_length(at, &token) : 0;
    pos_ = at + (len ? len : 1);
    return 0;
}

int ScanScanner::string(ScanValue* value) {
    const size_t n = input_.size();
    size_t p = pos_;
    work_.clear();
    for (;;) {
        if (p >= n || input_[p] == '\n' || input_[p] == '\0') fatal_at(SCAN_ERR_BAD_STRING, scan_yylineno);
        char c = input_[p];
        if (c == '"') {
            if (p + 1 < n && input_[p + 1] == '"') {
                work_ += '"';
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (c == '\\') {
            // Taken literally up to the next space or line end.
            while (p < n && input_[p] != ' ' && input_[p] != '\n' && input_[p] != '\0') work_ += input_[p++];
            continue;
        }
        work_ += c;
        ++p;
    }
    pos_ = p;
    // Leading spaces go, and one space in the last place.
    size_t from = work_.find_first_not_of(' ');
    if (from == std::string::npos) return finish(value, TK_STRING, nullptr, SCAN_MAKE_AST(IDENT_NODE));
    std::string_view text = std::string_view(work_).substr(from);
    if (text.back() == ' ') text.remove_suffix(1);
    return leaf_token(value, TK_STRING, text, IDENT_NODE);
}

// A comment at pos_ ("//" or "/*").  It is captured into comment_tab
// unless the file names a map file or it follows a %SCAN_CLOCK word.
void ScanScanner::comment(bool block) {
    const size_t n = input_.size();
    const int start_line = scan_yylineno;
    const bool capture = has_map_file == 0 && last_token_ != TK_SCAN_CLOCK;
    size_t p = pos_ + 2;
    char** lines = nullptr;
    auto keep_line = [&](const std::string& s) {
        if (capture) DYNA_append(&lines, save_string(s.c_str()));
    };
    if (capture) {
        settle_waiting_comment();
        lines = DYNA_new<char*>();
    }
    work_ = block ? "/*" : "//";
    int line = start_line;
    if (!block) {
        size_t end = input_.find('\n', p);
        if (end == std::string::npos) end = n;
        if (capture) work_.append(input_, p, end - p);
        keep_line(work_);
        pos_ = end < n ? end + 1 : n;
        if (end < n) ++scan_yylineno;
    } else {
        for (;;) {
            if (p >= n || input_[p] == '\0') {
                if (lines) {
                    for (int j = 0, m = DYNA_count(lines); j < m; ++j) std::free(lines[j]);
                    DYNA_free(&lines);
                }
                fatal_at(SCAN_ERR_BAD_COMMENT, start_line);
            }
            char c = input_[p];
            if (c == '\n') {
                keep_line(work_);
                work_.clear();
                ++scan_yylineno;
                ++p;
            } else if (c == '*' && p + 1 < n && input_[p + 1] == '/') {
                work_ += "*/";
                keep_line(work_);
                p += 2;
                break;
            } else {
                if (capture) work_ += c;
                ++p;
            }
        }
        pos_ = p;
        line = scan_yylineno;
    }
    if (!capture) return;
    ScanCommentRecord record{lines, DYNA_count(lines), line, 0, -1, 0};
    if (!comment_tab) comment_tab = DYNA_new<ScanCommentRecord>();
    current_comment_index = DYNA_append(&comment_tab, record);
    comment_flag = 1;
}

// A comment that waits when the next one starts belongs to the last
// keyword when it stands on its line; otherwise it waits on (-1) for the
// token that the new comment gets.
void ScanScanner::settle_waiting_comment() {
    if (!comment_flag) return;
    if (current_comment_index < 0 || current_comment_index >= DYNA_count(comment_tab)) return;
    ScanCommentRecord& r = comment_tab[current_comment_index];
    r.token = r.line == last_keyword_line_ ? last_keyword_ : -1;
}

// Gives the waiting comment (and the ones waiting behind it) its token:
// the last keyword when it stands on that keyword's line, else `token`.
// At a brace the comment also records the brace's owner keyword, which
// the comments behind it copy at a "}".
void ScanScanner::attach_waiting_comment(int token, int owner, bool at_brace, bool copy_block) {
    if (!comment_flag) return;
    comment_flag = 0;
    if (current_comment_index < 0 || current_comment_index >= DYNA_count(comment_tab)) return;
    ScanCommentRecord& r = comment_tab[current_comment_index];
    if (r.line == last_keyword_line_) {
        r.token = last_keyword_;
        return;
    }
    if (at_brace) r.block_token = owner;
    r.token = token;
    for (int i = current_comment_index - 1; i >= 0 && comment_tab[i].token == -1; --i) {
        comment_tab[i].token = token;
        if (!at_brace || copy_block) comment_tab[i].block_token = r.block_token;
    }
}

void SCAN_LEX_reset_globals() {
    scan_free_comment_tab();
    comment_flag = 0;
    current_comment_index = -1;
    scan_yyin = nullptr;
    in_file_name.clear();
    scan_yylineno = 1;
    scan_lang_Option_type = 0;
    has_map_file = 0;
    for (const SectionLine& s : kSectionLines) *s.line = -1;
    for (const SectionLine& s : kLeftBraceLines) *s.line = -1;
}
