// The scanning ground the three description readers share: input read as
// it is scanned, comments and line counting, and the syntax-error exit.
#include "desc/scanner.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"

namespace {

// Bytes asked of the stream at a time.
constexpr size_t kBlock = 65536;

}  // namespace

void DescScanner::start(FILE* in, const char* file) {
    clear();
    in_ = in;
    file_ = desc_file_name(file);
}

void DescScanner::start_text(std::string text) {
    clear();
    text_ = std::move(text);
}

bool DescScanner::read_more() {
    if (!in_) return false;
    // What the scan has passed goes; what is ahead moves to the front.
    text_.erase(0, pos_);
    pos_ = 0;
    const size_t held = text_.size();
    text_.resize(held + kBlock);
    const size_t got = std::fread(text_.data() + held, 1, kBlock, in_);
    text_.resize(held + got);
    if (got == kBlock) return true;
    if (std::ferror(in_)) {
        // A read failure is reported on standard error with its own status,
        // apart from the description's syntax errors.
        const int err = errno;
        int lines = line_;
        for (size_t i = pos_; i < text_.size(); ++i) lines += text_[i] == '\n';
        std::fprintf(stderr, "\"%s\", line %d: cannot read the input (%s)\n", file_.c_str(), lines,
                     std::strerror(err));
        qdx_exit(2);
    }
    in_ = nullptr;
    return got > 0;
}

int DescScanner::peek_ahead(size_t k) {
    while (pos_ + k >= text_.size())
        if (!read_more()) return -1;
    return static_cast<unsigned char>(text_[pos_ + k]);
}

bool DescScanner::looking_at(const char* s) {
    for (size_t k = 0; s[k]; ++k)
        if (peek(k) != static_cast<unsigned char>(s[k])) return false;
    return true;
}

std::string DescScanner::take(size_t n) {
    std::string t;
    take(n, t);
    return t;
}

void DescScanner::take(size_t n, std::string& out) {
    if (n > kMaxToken) {
        // A token beyond the limit is an internal failure of the scanner,
        // with its own message and status.
        std::fprintf(stderr, "token too large, exceeds YYLMAX\n");
        qdx_exit(2);
    }
    peek(n > 0 ? n - 1 : 0);
    out.assign(text_, pos_, n);
    pos_ += out.size();
}

void DescScanner::skip_blanks() {
    for (;;) {
        for (; pos_ < text_.size(); ++pos_) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            else if (c != ' ' && c != '\t' && c != '\r' && c != '\f')
                return;
        }
        if (!read_more()) return;
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
    for (;;) {
        const void* nl = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        if (nl) {
            pos_ = static_cast<size_t>(static_cast<const char*>(nl) - text_.data());
            return;
        }
        pos_ = text_.size();
        if (!read_more()) return;
    }
}

void DescScanner::skip_block_comment(const char* file) {
    pos_ += 2;
    for (;;) {
        const int c = peek();
        if (c < 0 || (c == '/' && peek(1) == '*')) {
            qdx_exit_printf(-1, "'%s' line %d: Missing '*/'.\n", desc_file_name(file), line_);
        }
        if (c == '*' && peek(1) == '/') {
            pos_ += 2;
            return;
        }
        if (c == '\n') ++line_;
        ++pos_;
    }
}

void DescScanner::clear() {
    std::string().swap(text_);
    pos_ = 0;
    line_ = 1;
    in_ = nullptr;
    file_.clear();
}

DescInput desc_open_input(const char* name) {
    if (!name) return {};
    std::string why;
    DescInput in(FNM_open_input(name, &why));
    if (!in && why == FNM_NOT_REGULAR) {
        std::fprintf(stderr, "Error: '%s' is not a regular file\n", name);
        qdx_exit(-1);
    }
    return in;
}

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
