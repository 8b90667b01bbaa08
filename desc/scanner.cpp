// The scanning ground the three description readers share: input in memory,
// comments and line counting, and the syntax-error exit.
#include "desc/scanner.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "runtime/exit.h"
#include "runtime/frame/frame.h"

void DescScanner::start(FILE* in, const char* file) {
    text_.clear();
    pos_ = 0;
    line_ = 1;
    if (!in) return;
    char block[65536];
    for (;;) {
        size_t got = std::fread(block, 1, sizeof block, in);
        text_.append(block, got);
        if (got < sizeof block) break;
    }
    if (std::ferror(in)) {
        // A read failure is reported on standard error with its own status,
        // apart from the description's syntax errors.
        int err = errno;
        int lines = 1;
        for (char c : text_) lines += c == '\n';
        std::fprintf(stderr, "\"%s\", line %d: cannot read the input (%s)\n", desc_file_name(file), lines,
                     std::strerror(err));
        qdx_exit(2);
    }
}

void DescScanner::start_text(std::string text) {
    text_ = std::move(text);
    pos_ = 0;
    line_ = 1;
}

bool DescScanner::looking_at(const char* s) const { return text_.compare(pos_, std::strlen(s), s) == 0; }

std::string DescScanner::take(size_t n) {
    std::string t;
    take(n, t);
    return t;
}

void DescScanner::take(size_t n, std::string& out) {
    out.assign(text_, pos_, n);
    pos_ += out.size();
}

void DescScanner::skip_blanks() {
    while (pos_ < text_.size()) {
        char c = text_[pos_];
        if (c == '\n')
            ++line_;
        else if (c != ' ' && c != '\t' && c != '\r' && c != '\f')
            return;
        ++pos_;
    }
}

void DescScanner::skip_space(const char* file) {
    for (;;) {
        skip_blanks();
        // Only a "/" can begin a comment.
        if (peek() != '/') return;
        if (peek(1) == '/')
            skip_line_comment();
        else if (peek(1) == '*')
            skip_block_comment(file);
        else
            return;
    }
}

void DescScanner::skip_line_comment() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
}

void DescScanner::skip_block_comment(const char* file) {
    pos_ += 2;
    for (;;) {
        if (pos_ >= text_.size() || looking_at("/*")) {
            qdx_exit_printf(-1, "'%s' line %d: Missing '*/'.\n", desc_file_name(file), line_);
        }
        if (looking_at("*/")) {
            pos_ += 2;
            return;
        }
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }
}

void DescScanner::clear() {
    std::string().swap(text_);
    pos_ = 0;
    line_ = 1;
}

DescInput desc_open_input(const char* name) { return DescInput(name ? std::fopen(name, "r") : nullptr); }

void desc_syntax_error(const char* file, int line, const char* text) {
    qdx_exit_printf(-1, "\"%s\", line %d: Syntax Error at '%s'\n", desc_file_name(file), line, text ? text : "");
}

int desc_decimal(const char* text) {
    if (!text) return 0;
    long long v = 0;
    for (const char* p = text; desc_is_digit(static_cast<unsigned char>(*p)); ++p) {
        v = v * 10 + (*p - '0');
        if (v > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(v);
}
