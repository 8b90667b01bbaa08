// The DFT file of the legal-input merge benchmark (and of its tests): one
// %ATPG_MODE with two %ILLEGAL_INPUTS statements of n ports each that
// share the first `shared` of them (p0, p1 ...), the others being a0 ...
// and b0 ...; each forbids only the pattern of all ones.  Their
// complements, 2^n - 1 patterns each, merge into one statement over
// 2n - shared ports; with shared = n - 1 it holds 2^(n+1) - 3 patterns.
// The second statement stands on line 4.
#pragma once

#include <string>

inline std::string illegal_pair_dft(int n, int shared) {
    auto statement = [&](const char* own) {
        std::string s = "    %ILLEGAL_INPUTS";
        for (int i = 0; i < shared; ++i) s += " p" + std::to_string(i);
        for (int i = 0; i < n - shared; ++i) s += " " + std::string(own) + std::to_string(i);
        return s + " = '" + std::string(static_cast<std::size_t>(n), '1') + "';\n";
    };
    return "%ATPG_CONSTRAINTS {\n  %ATPG_MODE \"merge\" {\n" + statement("a") + statement("b") + "  }\n}\n";
}

// The number of patterns of the merged statement.
inline long long illegal_pair_patterns(int n, int shared) {
    const long long keys = 1LL << shared, rest = 1LL << (n - shared);
    return (keys - 1) * rest * rest + (rest - 1) * (rest - 1);
}
