// The definition file: loading its sections and wildcard key look-ups.
#include "runtime/rc.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/str.h"

RcEntry* rc_tab = nullptr;
const char* RC_EXT = ".def";
const char* _company = nullptr;
const char* _product = nullptr;

namespace {

const char* const kDefaultExt = ".def";
const char* const kItemSeparators = " ,;\t\r\n";
const char* const kKeySeparators = " =:\t\r\n";
const char* const kCommentChars = "#!@$%^&/~";

std::string rc_ext_text = kDefaultExt;
unsigned char use_semicolon = 0;  // entry-end mode: 0, 1 or 255
int search_idx = -1;              // entry the last search stopped at
std::string last_pattern;         // upper-cased pattern of the last search
bool have_pattern = false;

std::string upper(const char* text) {
    std::string s = text ? text : "";
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The items of a text split at the separators; an item that begins with a
// quote runs to the next equal quote (separators inside it are kept) and
// loses both quotes.
std::vector<std::string> split_items(const std::string& text, const char* separators) {
    std::vector<std::string> items;
    size_t i = 0, n = text.size();
    auto is_sep = [separators](char c) { return std::strchr(separators, c) != nullptr && c != '\0'; };
    while (i < n) {
        while (i < n && is_sep(text[i])) ++i;
        if (i >= n) break;
        if (text[i] == '"' || text[i] == '\'') {
            char q = text[i];
            size_t close = text.find(q, i + 1);
            if (close == std::string::npos) close = n;
            items.push_back(text.substr(i + 1, close - i - 1));
            i = close;
            while (i < n && !is_sep(text[i])) ++i;
        } else {
            size_t start = i;
            while (i < n && !is_sep(text[i])) ++i;
            items.push_back(text.substr(start, i - start));
        }
    }
    return items;
}

// The items of an entry's value text: a text in parentheses is a list,
// any other text is one item.
std::vector<std::string> make_list(const char* value_text) {
    std::string text = value_text ? value_text : "";
    if (text.empty()) return {};
    if (text[0] != '(') return {text};
    std::string inner = text.substr(1);
    size_t close = inner.rfind(')');
    if (close != std::string::npos) inner.resize(close);
    return split_items(inner, kItemSeparators);
}

char** new_list(const std::vector<std::string>& items) {
    char** list = DYNA_new<char*>();
    for (const auto& s : items) STR_add(&list, s.c_str());
    return list;
}

// 0 when the entry's key matches the pattern.
int rc_compare(const char* pattern, const RcEntry& entry) {
    if (!entry.key) return 1;
    return STR_match(pattern, entry.key) == 0 ? 0 : 1;
}

const char* first_value(char** values) {
    for (int i = 0; i < DYNA_count(values); ++i)
        if (values[i]) return values[i];
    return nullptr;
}

std::vector<int> matching_entries(const char* pattern) {
    std::vector<int> found;
    if (!pattern) return found;
    std::string p = upper(pattern);
    for (int i = 0; i < DYNA_count(rc_tab); ++i)
        if (rc_compare(p.c_str(), rc_tab[i]) == 0) found.push_back(i);
    return found;
}

int first_match(const char* pattern) {
    if (!pattern) return -1;
    std::string p = upper(pattern);
    for (int i = 0; i < DYNA_count(rc_tab); ++i)
        if (rc_compare(p.c_str(), rc_tab[i]) == 0) return i;
    return -1;
}

// Joins the value lists of every matching entry into the first one; with
// split, each value is first broken into items.
char** gather_values(const char* pattern, bool split) {
    std::vector<int> found = matching_entries(pattern);
    if (found.empty()) return nullptr;
    char** joined = DYNA_new<char*>();
    for (int i : found) {
        char** values = rc_tab[i].values;
        for (int k = 0; k < DYNA_count(values); ++k) {
            char* v = values[k];
            if (!v) continue;
            if (split) {
                for (const auto& item : split_items(v, kItemSeparators)) STR_add(&joined, item.c_str());
                std::free(v);
            } else {
                int at = DYNA_add(&joined, 1);
                joined[at] = v;  // the string moves
            }
        }
        if (values) DYNA_free(&values);
        rc_tab[i].values = nullptr;
    }
    rc_tab[found[0]].values = joined;
    return joined;
}

// The key of an entry under a section, or false when the entry is not
// the section's.
bool apply_section(std::string& key, const char* section) {
    if (!section) return true;
    if (key[0] == '.') {
        key.erase(0, 1);
    } else if (key.find('.') != std::string::npos) {
        size_t len = std::strlen(section);
        if (key.compare(0, len, section) != 0) return false;
        key.erase(0, len + 1);
    }
    return !key.empty();
}

void add_loaded_entry(std::string key, const std::string& text, const char* section) {
    if (!apply_section(key, section)) return;
    if (debug_flag) std::printf("%s = %s\n", key.c_str(), text.c_str());
    RC_add(key.c_str(), text.c_str());
}

}  // namespace

int RC_load(const char* name, const char* section) {
    if (!name) {
        if (!_company || !_product) return -1;
        int r = RC_load(_company, _product);
        if (r != 0) return r;
        return RC_load(_product, section);
    }
    char* path = lookup_file(name);
    if (!path) return -1;
    // Only a regular file is read (a FIFO would wait for ever).
    std::ifstream in;
    if (FNM_regular_input(path)) in.open(path, std::ios::binary);
    std::free(path);
    if (!in.is_open()) return -1;

    const unsigned char mode = use_semicolon;
    bool open = false;
    std::string key, text;
    std::string line;
    while (std::getline(in, line)) {
        size_t start = line.find_first_not_of(" \t\r\n\f\v");
        if (start == std::string::npos) continue;
        if (std::strchr(kCommentChars, line[start])) continue;
        std::string rest = line.substr(start);
        if (!open) {
            size_t end = rest.find_first_of(kKeySeparators);
            key = rest.substr(0, end);
            rest = end == std::string::npos ? std::string() : rest.substr(end);
            if (key.empty()) continue;
            text.clear();
            open = true;
        }
        size_t v = rest.find_first_not_of(kKeySeparators);
        std::string value = v == std::string::npos ? std::string() : rest.substr(v);
        size_t last = value.find_last_not_of(" \t\r\n\f\v");
        value.resize(last == std::string::npos ? 0 : last + 1);

        if (mode != 255 && text.empty() && value.empty() && key.size() > 1 && key.back() == ';') {
            // "KEY;" alone: an entry with no values.
            key.pop_back();
            open = false;
            add_loaded_entry(key, text, section);
            continue;
        }
        text += value;
        if (mode == 255) {
            open = false;
        } else if (!text.empty() && text.back() == ';') {
            text.pop_back();
            open = false;
        } else {
            // The entry goes on; in mode 0 the line's last character (the
            // continuation backslash) becomes a line break.
            if (mode == 0 && !value.empty()) text.back() = '\n';
            continue;
        }
        add_loaded_entry(key, text, section);
    }
    // An entry still open at the end of the file is dropped.
    return 0;
}

char* lookup_file(const char* name) {
    if (!name) return nullptr;
    std::string hidden = std::string(".") + name + RC_EXT;
    if (char* found = FNM_search(hidden.c_str(), 0, FNM_SEARCH_PATH)) return found;
    std::string plain = std::string(name) + RC_EXT;
    return FNM_search(plain.c_str(), 0, FNM_SEARCH_PATH);
}

RcEntry* RC_add(const char* key, const char* value_text) {
    if (!key) return nullptr;
    if (!rc_tab) rc_tab = DYNA_new<RcEntry>();
    int found = -1;
    for (int i = 0; i < DYNA_count(rc_tab); ++i)
        if (rc_compare(key, rc_tab[i]) == 0) {
            found = i;
            break;
        }
    if (found < 0) {
        if (!value_text) return nullptr;
        found = DYNA_add(&rc_tab, 1);
        rc_tab[found].key = STR_upper(qdx_strdup(key));
        rc_tab[found].values = nullptr;
    } else if (!value_text) {
        RcEntry& e = rc_tab[found];
        std::free(e.key);
        e.key = nullptr;
        STR_free(&e.values);
        return &e;
    }
    RcEntry& e = rc_tab[found];
    for (const auto& item : make_list(value_text)) STR_add(&e.values, item.c_str());
    return &e;
}

char** RC_search(const char* pattern) {
    int n = DYNA_count(rc_tab);
    int start = 0;
    if (pattern) {
        last_pattern = upper(pattern);
        have_pattern = true;
    } else {
        if (!have_pattern) return nullptr;
        start = search_idx + 1;
        if (start < 0 || start >= n) start = 0;
    }
    for (int i = start; i < n; ++i)
        if (rc_compare(last_pattern.c_str(), rc_tab[i]) == 0) {
            search_idx = i;
            return rc_tab[i].values;
        }
    search_idx = n;
    return nullptr;
}

char** RC_get(const char* pattern) { return RC_search(pattern); }

const char* RC_sget(const char* pattern, const char* deflt) {
    const char* v = first_value(RC_search(pattern));
    return v ? v : deflt;
}

int RC_iget(const char* pattern, int deflt) {
    const char* v = first_value(RC_search(pattern));
    return v ? ctoi(v) : deflt;
}

int RC_bget(const char* pattern, int deflt) {
    const char* v = first_value(RC_search(pattern));
    if (!v) return deflt & 0xFF;
    return std::strchr("1TtYy", v[0]) && v[0] ? 1 : 0;
}

char** RC_lget(const char* pattern) { return gather_values(pattern, false); }

char** RC_tget(const char* pattern) { return gather_values(pattern, true); }

int RC_set(const char* pattern, char** values) {
    int i = first_match(pattern);
    if (i < 0) return -1;
    STR_free(&rc_tab[i].values);
    rc_tab[i].values = values;
    return i;
}

int RC_delete(const char* key, const char* value_text) {
    int i = first_match(key);
    if (i < 0) return 0;
    char** values = rc_tab[i].values;
    int removed = 0;
    for (const auto& item : make_list(value_text)) {
        for (int k = 0; k < DYNA_count(values); ++k)
            if (values[k] && item == values[k]) {
                std::free(values[k]);
                values[k] = nullptr;
                ++removed;
                break;
            }
    }
    return removed;
}

char** RC_break(const char* text, const char* separators) {
    return new_list(split_items(text ? text : "", separators ? separators : kItemSeparators));
}

RcEntry* RC_select(RcEntry* table) {
    RcEntry* previous = rc_tab;
    rc_tab = table;
    return previous;
}

void RC_free() {
    for (int i = 0; i < DYNA_count(rc_tab); ++i) {
        std::free(rc_tab[i].key);
        STR_free(&rc_tab[i].values);
    }
    if (rc_tab) DYNA_free(&rc_tab);
    rc_tab = nullptr;
    search_idx = -1;
}

void RC_set_ext(const char* extension) {
    rc_ext_text = extension ? extension : kDefaultExt;
    RC_EXT = rc_ext_text.c_str();
}

void RC_set_sc(int mode) { use_semicolon = static_cast<unsigned char>(mode); }

int RC_dump() { return 0; }

void RC_reset_globals() {
    RC_free();
    RC_set_ext(nullptr);
    use_semicolon = 0;
    search_idx = -1;
    last_pattern.clear();
    have_pattern = false;
    _company = nullptr;
    _product = nullptr;
}
