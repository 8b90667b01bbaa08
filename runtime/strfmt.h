// printf-style formatting into a std::string, of any length.
#pragma once

#include <cstdarg>
#include <string>

std::string STR_vformat(const char* fmt, va_list ap);
std::string STR_format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Appends the formatted text to out.
void STR_append_format(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
