#include "tools/verilog/lexer.h"

#include <cstring>

namespace vlog {

const char* const kKeywordNames[kNumKeywords] = {
#define VLOG_KW_NAME(k) #k,
    VLOG_KEYWORDS(VLOG_KW_NAME)
#undef VLOG_KW_NAME
};

namespace {

// Character classes, one table look-up each.
enum : std::uint8_t { C_SPACE = 1, C_IDSTART = 2, C_IDCHAR = 4, C_DIGIT = 8, C_BASEDIGIT = 16 };

struct CharTable {
    std::uint8_t t[256] = {};
    constexpr CharTable() {
        for (int c : {' ', '\t', '\n', '\r', '\f', '\v'}) t[c] |= C_SPACE;
        for (int c = 'a'; c <= 'z'; ++c) t[c] |= C_IDSTART | C_IDCHAR;
        for (int c = 'A'; c <= 'Z'; ++c) t[c] |= C_IDSTART | C_IDCHAR;
        t[static_cast<int>('_')] |= C_IDSTART | C_IDCHAR;
        t[static_cast<int>('$')] |= C_IDCHAR;
        for (int c = '0'; c <= '9'; ++c) t[c] |= C_IDCHAR | C_DIGIT | C_BASEDIGIT;
        for (int c = 'a'; c <= 'f'; ++c) t[c] |= C_BASEDIGIT;
        for (int c = 'A'; c <= 'F'; ++c) t[c] |= C_BASEDIGIT;
        for (int c : {'x', 'X', 'z', 'Z', '?', '_'}) t[c] |= C_BASEDIGIT;
    }
};
constexpr CharTable kChars;

inline bool is(char c, std::uint8_t cls) { return kChars.t[static_cast<unsigned char>(c)] & cls; }

}  // namespace

void Lexer::fail(std::uint32_t line, const std::string& msg) const {
    throw Error(file_ + ":" + std::to_string(line) + ": error: " + msg);
}

void Lexer::skip_line() {
    while (p_ < end_ && *p_ != '\n') ++p_;
}

void Lexer::skip_block_comment() {
    const std::uint32_t start = line_;
    p_ += 2;
    for (;;) {
        if (p_ + 1 >= end_) fail(start, "unterminated comment");
        if (p_[0] == '*' && p_[1] == '/') {
            p_ += 2;
            return;
        }
        if (*p_ == '\n') ++line_;
        ++p_;
    }
}

// Moves to the closing quote of a string whose opening quote is behind.
void Lexer::skip_string_body(std::uint32_t start) {
    while (p_ < end_ && *p_ != '"' && *p_ != '\n') {
        if (*p_ == '\\' && p_ + 1 < end_) {
            if (p_[1] == '\n') ++line_;
            ++p_;
        }
        ++p_;
    }
    if (p_ >= end_ || *p_ != '"') fail(start, "unterminated string");
}

// (* name = value, ... *): attributes carry nothing the netlist needs.
void Lexer::skip_attribute() {
    const std::uint32_t start = line_;
    p_ += 2;
    for (;;) {
        if (p_ + 1 >= end_) fail(start, "unterminated attribute");
        if (p_[0] == '*' && p_[1] == ')') {
            p_ += 2;
            return;
        }
        if (*p_ == '"') {
            ++p_;
            skip_string_body(start);
        } else if (*p_ == '\n') {
            ++line_;
        }
        ++p_;
    }
}

void Lexer::directive() {
    const char* start = ++p_;
    while (p_ < end_ && is(*p_, C_IDCHAR)) ++p_;
    const std::string_view name(start, p_ - start);
    if (name.empty()) {
        if (skipping) return;
        fail(line_, "stray '`'");
    }
    if (name == "timescale") {
        skip_line();
    } else if (name == "celldefine" || name == "endcelldefine" || name == "resetall") {
    } else if (skipping) {
        // A macro definition inside a skipped body: its text may hold
        // anything, so the rest of the line (and continuation lines) goes.
        if (name == "define") {
            for (;;) {
                skip_line();
                if (p_ < end_ && p_[-1] == '\\') {
                    ++line_;
                    ++p_;
                    continue;
                }
                break;
            }
        }
    } else {
        fail(line_, "unsupported compiler directive '`" + std::string(name) + "'");
    }
}

void Lexer::next(Token& t) {
    for (;;) {
        while (p_ < end_ && is(*p_, C_SPACE)) {
            if (*p_ == '\n') ++line_;
            ++p_;
        }
        t.line = line_;
        if (p_ >= end_) {
            t.kind = Tok::End;
            t.text = {};
            return;
        }
        const char c = *p_;
        if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
            skip_line();
            continue;
        }
        if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
            skip_block_comment();
            continue;
        }
        if (c == '`') {
            directive();
            continue;
        }
        if (c == '(' && !skipping && p_ + 2 < end_ && p_[1] == '*' && p_[2] != ')') {
            skip_attribute();
            continue;
        }
        if (is(c, C_IDSTART)) {
            const char* s = p_++;
            while (p_ < end_ && is(*p_, C_IDCHAR)) ++p_;
            t.text = std::string_view(s, p_ - s);
            t.id = names_.intern(t.text);
            t.kind = t.id < kNumKeywords ? Tok::Keyword : Tok::Ident;
            return;
        }
        if (c == '\\') {
            // Escaped identifier: up to the next white space, stored
            // without the backslash.
            const char* s = ++p_;
            while (p_ < end_ && !is(*p_, C_SPACE)) ++p_;
            if (p_ == s) fail(line_, "empty escaped identifier");
            t.text = std::string_view(s, p_ - s);
            t.id = names_.intern(t.text);
            t.kind = Tok::Ident;
            return;
        }
        if (is(c, C_DIGIT)) {
            const char* s = p_;
            std::uint64_t v = 0;
            bool over = false;
            for (; p_ < end_ && (is(*p_, C_DIGIT) || *p_ == '_'); ++p_) {
                if (*p_ == '_') continue;
                const unsigned d = static_cast<unsigned>(*p_ - '0');
                if (v > (UINT64_MAX - d) / 10) over = true;
                v = v * 10 + d;
            }
            t.kind = Tok::Number;
            t.value = v;
            t.overflow = over;
            t.text = std::string_view(s, p_ - s);
            return;
        }
        if (c == '\'') {
            const char* q = p_ + 1;
            if (q < end_ && (*q == 's' || *q == 'S')) ++q;
            if (q < end_ && std::strchr("bBoOdDhH", *q) && *q) {
                t.base = static_cast<char>(*q | 0x20);
                p_ = q + 1;
                while (p_ < end_ && is(*p_, C_SPACE)) {
                    if (*p_ == '\n') ++line_;
                    ++p_;
                }
                const char* s = p_;
                while (p_ < end_ && is(*p_, C_BASEDIGIT)) ++p_;
                t.kind = Tok::Based;
                t.text = std::string_view(s, p_ - s);
                return;
            }
        }
        if (c == '"') {
            const std::uint32_t start = line_;
            const char* s = ++p_;
            skip_string_body(start);
            t.kind = Tok::String;
            t.text = std::string_view(s, p_ - s);
            ++p_;
            return;
        }
        t.kind = Tok::Punct;
        t.punct = c;
        t.text = std::string_view(p_, 1);
        ++p_;
        return;
    }
}

}  // namespace vlog
