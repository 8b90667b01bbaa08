// What the three description scanners share: the input read as it is
// scanned, with a read position and a line counter, blanks and comments,
// the longest token, and the messages of a bad character, an unclosed
// comment, a token too long and a failed read.
//
// A scanner holds only the part of its input that it has not passed yet,
// so an endless input (a device, a runaway generator) takes bounded
// memory and meets its first error as soon as it is read.  Each language
// recognizes its own words and numbers on top of this (the word rules
// differ).  A comment wins over a word at "//" and "/*" in all three (the
// configuration language has words that begin with "/").
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

class DescScanner {
public:
    // The longest token (word, number or pattern) a description may hold.
    static constexpr size_t kMaxToken = 8191;

    // Starts on the stream, read as the scan goes (it stays open and must
    // outlive the scan), with the line counter at 1.  A failed read prints
    // "\"<file>\", line <n>: cannot read the input (<reason>)" on standard
    // error, n counting the lines read so far, and ends the run with
    // status 2, the status of an internal scanner failure.  A null stream
    // is an empty input.
    void start(FILE* in, const char* file);
    // Starts on a text instead of a stream.
    void start_text(std::string text);

    bool at_end() { return peek() < 0; }
    // The byte k places ahead (0 .. 255), or -1 past the end.
    int peek(size_t k = 0) {
        return pos_ + k < text_.size() ? static_cast<unsigned char>(text_[pos_ + k]) : peek_ahead(k);
    }
    bool looking_at(const char* s);
    // The place of the first byte, k places ahead or further, that
    // `in_class` refuses; it looks no further than one byte past the
    // longest token.
    template <class Class>
    size_t span(size_t k, Class in_class) {
        while (k <= kMaxToken && in_class(peek(k))) ++k;
        return k;
    }
    // Takes n bytes as a token text (they hold no newline).  More than
    // kMaxToken bytes print "token too large, exceeds YYLMAX" on standard
    // error and end the run with status 2.
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

    // Frees the held input and lets go of the stream.
    void clear();

private:
    // peek beyond the bytes held: reads on until k places ahead are held
    // or the input ends.
    int peek_ahead(size_t k);
    // Reads the next block of the stream behind the bytes held, dropping
    // those already passed; false at the end of the input.
    bool read_more();
    void skip_blanks();
    // At "//": to the end of the line (the newline stays).
    void skip_line_comment();
    // At "/*": past the next "*/".
    void skip_block_comment(const char* file);

    std::string text_;  // the input from the read position on (and some passed bytes)
    size_t pos_ = 0;
    int line_ = 1;
    FILE* in_ = nullptr;  // null once the input has ended
    std::string file_;    // for the read-error message
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
// be opened.  What is not a regular file (a FIFO, a device, a directory)
// is refused before it is opened: "Error: '<name>' is not a regular
// file\n" on standard error and the end of the run with -1.
DescInput desc_open_input(const char* name);

// The file name for messages (an empty text for none).
inline const char* desc_file_name(const char* name) { return name ? name : ""; }

// Character classes of the description languages (plain ASCII).
inline bool desc_is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool desc_is_digit(int c) { return c >= '0' && c <= '9'; }

// A decimal integer from the leading digits of a text (the rest is
// ignored), held to the range of int; 0 when it has no leading digit.
int desc_decimal(const char* text);
