// What the three description scanners share: the input held in memory
// with a read position and a line counter, blanks and comments, and the
// messages of a bad character, an unclosed comment and a failed read.
//
// A scanner reads its whole input at the start of a parse, so tokens and
// lines of any length are kept whole.  Each language recognizes its own
// words and numbers on top of this (the word rules differ).  A comment
// wins over a word at "//" and "/*" in all three (the configuration
// language has words that begin with "/").
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class DescScanner {
public:
    // Reads the stream to its end (the stream stays open) and sets the
    // line counter to 1.  A failed read prints "\"<file>\", line <n>:
    // cannot read the input (<reason>)" on standard error and ends the
    // run with status 2, the status of an internal scanner failure.  A
    // null stream is an empty input.
    void start(FILE* in, const char* file);
    // Starts on a text instead of a stream.
    void start_text(std::string text);

    bool at_end() const { return pos_ >= text_.size(); }
    // The byte k places ahead (0 .. 255), or -1 past the end.
    int peek(size_t k = 0) const {
        return pos_ + k < text_.size() ? static_cast<unsigned char>(text_[pos_ + k]) : -1;
    }
    bool looking_at(const char* s) const;
    size_t pos() const { return pos_; }
    // Takes n bytes as a token text (they hold no newline).
    std::string take(size_t n);
    // The same into out, reusing its storage.
    void take(size_t n, std::string& out);
    int line() const { return line_; }

    // Skips what stands between tokens: space, tab, newline, carriage
    // return and form feed (counting newlines), "//" comments to the end
    // of the line and "/*" comments to the next "*/".  A "/*" inside a
    // comment, or the end of the input before "*/", prints "'<file>' line
    // <n>: Missing '*/'.\n" on standard output and ends the run with -1.
    void skip_space(const char* file);

    // Frees the held input.
    void clear();

private:
    void skip_blanks();
    // At "//": to the end of the line (the newline stays).
    void skip_line_comment();
    // At "/*": past the next "*/".
    void skip_block_comment(const char* file);

    std::string text_;
    size_t pos_ = 0;
    int line_ = 1;
};

// "\"<file>\", line <n>: Syntax Error at '<text>'\n" on standard output,
// then the end of the run with -1.
[[noreturn]] void desc_syntax_error(const char* file, int line, const char* text);

// A description file open for reading, closed at the end of its scope.
struct DescFileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using DescInput = std::unique_ptr<FILE, DescFileCloser>;
// Opens the file for reading; empty for a null name or a file that cannot
// be opened.
DescInput desc_open_input(const char* name);

// The file name for messages (an empty text for none).
inline const char* desc_file_name(const char* name) { return name ? name : ""; }

// Character classes of the description languages (plain ASCII).
inline bool desc_is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool desc_is_digit(int c) { return c >= '0' && c <= '9'; }

// A decimal integer from the leading digits of a text (the rest is
// ignored), held to the range of int; 0 when it has no leading digit.
int desc_decimal(const char* text);
