// printf-style formatting into a std::string, of any length.
#pragma once

#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

std::string STR_vformat(const char* fmt, va_list ap);
std::string STR_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Appends the formatted text to out.
void STR_append_format(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

// An integer's decimal text, as printf's %d, %ld and %lu write it, held
// without allocating: for lines put together piece by piece.
class STR_Digits {
public:
    template <class Int>
    explicit STR_Digits(Int v) : n_(static_cast<std::size_t>(std::to_chars(buf_, buf_ + sizeof buf_, v).ptr - buf_)) {}
    std::string_view view() const { return {buf_, n_}; }

private:
    char buf_[24];
    std::size_t n_;
};

// Appends text with blanks up to width: behind it as printf's %-Ns
// pads, or before it as %Ns does.
inline void STR_append_left(std::string& out, std::string_view text, std::size_t width) {
    out.append(text);
    if (text.size() < width) out.append(width - text.size(), ' ');
}
inline void STR_append_right(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width) out.append(width - text.size(), ' ');
    out.append(text);
}
