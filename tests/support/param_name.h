// Readable names for the cases of parameterised tests: a case's label or
// content reduced to the letters, digits and underscores GoogleTest allows.
#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace testsupport {

// `text` with every run of other characters turned into one '_', without
// leading or trailing '_', cut after `max` characters; "Empty" when nothing
// is left.
inline std::string param_name(std::string_view text, std::size_t max = 60) {
    std::string out;
    for (unsigned char c : text) {
        if (out.size() >= max) break;
        if (std::isalnum(c))
            out += static_cast<char>(c);
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out.empty() ? std::string("Empty") : out;
}

// `text` with the wild-card characters spelled out ("*" as "Star", "?" as
// "Any") and an empty text as "Nothing", for cases made of patterns.
inline std::string spelled(std::string_view text) {
    if (text.empty()) return "Nothing";
    std::string out;
    for (char c : text) {
        if (c == '*')
            out += "_Star_";
        else if (c == '?')
            out += "_Any_";
        else
            out += c;
    }
    return out;
}

// A null text reads "null".
inline std::string param_name(const char* text, std::size_t max = 60) {
    return param_name(std::string_view(text ? text : "null"), max);
}

// The same with the case's position appended, for tables whose labels
// may repeat once reduced.
inline std::string param_name(std::string_view text, std::size_t index, std::size_t max) {
    return param_name(text, max) + "_" + std::to_string(index);
}
inline std::string param_name(const char* text, std::size_t index, std::size_t max) {
    return param_name(text, max) + "_" + std::to_string(index);
}

// `text` in double quotes on one line, for the printed value of a case
// (PrintTo) that is named after its text: quotes, backslashes and control
// characters escaped, cut after `max` characters with "..."; a null text
// reads null.
inline std::string quoted(std::string_view text, std::size_t max = 80) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == max) {
            out += "...";
            break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c >= 0x7f) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + '"';
}
inline std::string quoted(const char* text, std::size_t max = 80) {
    return text ? quoted(std::string_view(text), max) : std::string("null");
}

}  // namespace testsupport
