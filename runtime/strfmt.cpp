// printf-style formatting into a std::string.
#include "runtime/strfmt.h"

#include <cstdio>

std::string STR_vformat(const char* fmt, va_list ap) {
    char small[512];
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string s(static_cast<size_t>(n), '\0');
    std::vsnprintf(s.data(), s.size() + 1, fmt, ap);
    return s;
}

std::string STR_format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = STR_vformat(fmt, ap);
    va_end(ap);
    return s;
}

void STR_append_format(std::string& out, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    out += STR_vformat(fmt, ap);
    va_end(ap);
}
