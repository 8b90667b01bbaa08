// String lists, tokens, wildcard matching, case and number conversions.
#include "runtime/str.h"

#include "runtime/msg.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

char* token_pos = nullptr;
std::string last_pattern;
bool have_pattern = false;
std::string num_buf;

bool in_set(char c, const char* set) { return c && std::strchr(set, c) != nullptr; }

bool star_char(char c) { return c != '>' && c != '<' && c != '?'; }

// Whole-text wildcard match by dynamic programming over pattern positions;
// linear in the product of the two lengths, with no backtracking blow-up.
bool glob_match(const std::string& p, const char* t) {
    size_t m = p.size();
    std::vector<char> cur(m + 1, 0), next(m + 1, 0);
    // cur[j]: pattern prefix of length j matches the text read so far.
    cur[0] = 1;
    for (size_t j = 1; j <= m && p[j - 1] == '*'; ++j) cur[j] = 1;
    for (const char* c = t; *c; ++c) {
        std::fill(next.begin(), next.end(), 0);
        for (size_t j = 1; j <= m; ++j) {
            char pc = p[j - 1];
            if (pc == '*')
                next[j] = next[j - 1] || (cur[j] && star_char(*c));
            else if (pc == '?' || pc == *c)
                next[j] = cur[j - 1];
        }
        cur.swap(next);
        // An empty prefix matches only the empty text.
        cur[0] = 0;
    }
    return cur[m] != 0;
}

}  // namespace

void STR_reset_globals() {
    token_pos = nullptr;
    last_pattern.clear();
    have_pattern = false;
}

int STR_table(char*** list, int op, const char* text, DynaCompare cmp) {
    if (!list) return -1;
    if (op == 0) return STR_free(list);
    if (!*list) *list = DYNA_new<char*>();
    switch (op) {
        case 1: {
            int i = DYNA_add(list, 1);
            (*list)[i] = text ? qdx_strdup(text) : nullptr;
            return i;
        }
        case 2: return DYNA_search(list, &text, cmp);
        case 3:
            DYNA_sort(list, cmp);
            return DYNA_count(*list);
        case 4: {
            int n = DYNA_count(*list), k = 0;
            for (int i = 0; i < n; ++i) {
                char* s = (*list)[i];
                if (s && static_cast<unsigned char>(s[0]) == 0xFF) continue;
                (*list)[k++] = s;
            }
            return k;
        }
        default: return 0;
    }
}

char* STR_add(char*** list, const char* text) {
    int i = STR_table(list, 1, text, nullptr);
    return (*list)[i];
}

char** STR_break(char* text, const char* delimiters) {
    char** list = nullptr;
    STR_table(&list, 3, nullptr, DYNA_scomp);  // creates the empty list
    if (!text) return list;
    char* p = text;
    while (*p) {
        while (*p && in_set(*p, delimiters)) ++p;
        if (!*p) break;
        char* start = p;
        while (*p && !in_set(*p, delimiters)) ++p;
        if (*p) *p++ = 0;
        STR_add(&list, start);
    }
    return list;
}

int STR_free(char*** list) {
    if (!list || !*list) return 0;
    int n = DYNA_count(*list);
    for (int i = 0; i < n; ++i) std::free((*list)[i]);
    DYNA_free(list);
    *list = nullptr;
    return 0;
}

const char** STR_list(int n, ...) {
    auto** a = static_cast<const char**>(std::calloc(static_cast<size_t>(n) + 1, sizeof(char*)));
    if (!a) MSG_fatal_error(1);
    va_list ap;
    va_start(ap, n);
    for (int i = 0; i < n; ++i) a[i] = va_arg(ap, const char*);
    va_end(ap);
    return a;
}

int STR_inlist(const char* const* array, int n, const char* text) {
    if (!array || !text) return -1;
    for (int i = 0; i < n && array[i]; ++i)
        if (std::strcmp(array[i], text) == 0) return i;
    return -1;
}

int STR_lookup(const char* const* array, int n, const char* key, DynaCompare cmp) {
    if (!array || !array[0]) return -1;
    if (!cmp) cmp = DYNA_ucomp;
    for (int i = 0; i < n && array[i]; ++i)
        if (cmp(&array[i], &key) == 0) return i;
    return -1;
}

char* STR_token(char* text, const char* separators) {
    char* p = text ? text : token_pos;
    if (!p) return nullptr;
    while (*p && in_set(*p, separators)) ++p;
    if (!*p) {
        token_pos = p;
        return nullptr;
    }
    char* start = p;
    char close = 0;
    if (*p == '(')
        close = ')';
    else if (*p == '"' || *p == '\'')
        close = *p;
    if (close) {
        ++p;
        while (*p && !(*p == close && p[-1] != '\\')) ++p;
        if (*p) ++p;  // keep the closing character
    } else {
        while (*p && !in_set(*p, separators)) ++p;
    }
    if (*p) {
        *p = 0;
        token_pos = p + 1;
    } else {
        token_pos = p;
    }
    return start;
}

char* STR_find(char* text, const char* word) {
    if (!text || !word) return nullptr;
    while (*text == ' ' || *text == '\t') ++text;
    return std::strstr(text, word);
}

int STR_abbrev(const char* shorter, const char* longer) {
    size_t a = std::strlen(shorter), b = std::strlen(longer);
    if (a > b) return 1;
    return std::strncmp(shorter, longer, a) == 0 ? 0 : -1;
}

char* STR_scaneq(char* text, const char* set) {
    while (*text && in_set(*text, set)) ++text;
    return text;
}

char* STR_scanne(char* text, const char* set) {
    while (*text && !in_set(*text, set)) ++text;
    return text;
}

int STR_index(const char* text, int c) {
    const char* p = std::strchr(text, c);
    return p ? static_cast<int>(p - text) : -1;
}

char* STR_shift(char* text, int n) {
    if (n <= 0) return text;
    size_t len = std::strlen(text);
    std::memmove(text + n, text, len + 1);
    std::memset(text, ' ', static_cast<size_t>(n));
    return text;
}

char* STR_gets() {
    std::string line;
    int c;
    bool any = false;
    while ((c = std::fgetc(stdin)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!any) return nullptr;
    return qdx_strdup(line.c_str());
}

bool STR_read_line(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

int STR_match(const char* pattern, const char* text) {
    if (pattern) {
        last_pattern = pattern;
        have_pattern = true;
    }
    if (!have_pattern) return 1;
    if (!text) return (!last_pattern.empty() && last_pattern[0] == '*') ? 0 : -1;
    return glob_match(last_pattern, text) ? 0 : 1;
}

char* build_mask(const char* pattern) {
    std::string r = "^";
    for (const char* p = pattern; p && *p; ++p) {
        switch (*p) {
            case '*': r += "[^><?]*"; break;
            case '?': r += '.'; break;
            case '$': case '(': case ')': case '.': case '[': case ']': case '^': case '{': case '}':
                r += '\\';
                r += *p;
                break;
            default: r += *p;
        }
    }
    r += '$';
    return qdx_strdup(r.c_str());
}

int STR_ucomp(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (;; ++x, ++y) {
        int cx = *x, cy = *y;
        if (cx != cy) {
            cx = std::toupper(cx);
            cy = std::toupper(cy);
            if (cx != cy) return cx - cy;
        }
        if (!cx) return 0;
    }
}

char* STR_upper(char* text) {
    for (char* p = text; p && *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return text;
}

char* STR_lower(char* text) {
    for (char* p = text; p && *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

char* STR_dup(const char* text) { return text ? qdx_strdup(text) : nullptr; }

void STR_replace_owned(char*& slot, const char* text) {
    char* copy = STR_dup(text);
    std::free(slot);
    slot = copy;
}

long ctol(const char* text) {
    if (!text || !*text) return 0;
    int base = 10;
    const char* digits = text;
    switch (*text) {
        case 'h': case 'x': base = 16; ++digits; break;
        case 'o': base = 8; ++digits; break;
        case 'b': base = 2; ++digits; break;
        default: break;
    }
    char* end = nullptr;
    long v = std::strtol(digits, &end, base);
    if (end == digits) return 0;
    return v;
}

int ctoi(const char* text) { return static_cast<int>(ctol(text)); }

const char* itoc(int n) {
    num_buf = std::to_string(n);
    return num_buf.c_str();
}
const char* ltoc(long n) {
    num_buf = std::to_string(n);
    return num_buf.c_str();
}
const char* htoc(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "x%X", static_cast<unsigned>(n));
    num_buf = b;
    return num_buf.c_str();
}
const char* wtoc(unsigned n) {
    num_buf = std::to_string(n & 0xFFFFu);
    return num_buf.c_str();
}
