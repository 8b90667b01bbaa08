// Name/value tables (aliases, variables, key definitions) and the
// expansion of "$name" variables.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/msg.h"

namespace {

int find(CmdNameValue* table, const char* name) {
    for (int i = 0; i < DYNA_count(table); ++i)
        if (table[i].name && std::strcmp(table[i].name, name) == 0) return i;
    return -1;
}

bool ends_name(char c) { return c == 0 || c == ' ' || c == '\t' || c == '\n' || c == '.' || c == '$' || c == '\\'; }

// Expands text into out; active holds the names being expanded, so that a
// name met again inside its own value is caught.
bool expand(const std::string& text, MacroLookup lookup, std::vector<std::string>& active, std::string* out) {
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c != '$' || (i > 0 && text[i - 1] == '\\')) {
            *out += c;
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && !ends_name(text[end])) ++end;
        std::string name = text.substr(i + 1, end - i - 1);
        if (name.empty()) {
            *out += c;
            ++i;
            continue;
        }
        if (end < text.size() && text[end] == '.') ++end;  // "$name." ends the name
        i = end;
        for (const auto& a : active)
            if (a == name) {
                MSG_error("#028: Variable '%s' refers to itself\n", name.c_str());
                return false;
            }
        const char* value = lookup ? lookup(name.c_str()) : nullptr;
        if (!value) value = std::getenv(name.c_str());
        if (!value) continue;
        active.push_back(name);
        bool ok = expand(value, lookup, active, out);
        active.pop_back();
        if (!ok) return false;
    }
    return true;
}

}  // namespace

CmdNameValue* MACRO_add(CmdNameValue** table, const char* name, const char* value) {
    if (!table || !name) return nullptr;
    if (!*table) *table = DYNA_new<CmdNameValue>();
    int i = find(*table, name);
    if (i >= 0) {
        if (!value) {
            MACRO_delete(table, name);
            return nullptr;
        }
        char* copy = qdx_strdup(value);
        std::free((*table)[i].value);
        (*table)[i].value = copy;
        return &(*table)[i];
    }
    if (!value) return nullptr;
    i = DYNA_append(table, CmdNameValue{qdx_strdup(name), qdx_strdup(value)});
    return &(*table)[i];
}

const char* MACRO_search(CmdNameValue** table, const char* name) {
    if (!table || !*table || !name) return nullptr;
    int i = find(*table, name);
    return i < 0 ? nullptr : (*table)[i].value;
}

int MACRO_delete(CmdNameValue** table, const char* name) {
    if (!table || !*table || !name) return -1;
    int i = find(*table, name);
    if (i < 0) return -1;
    std::free((*table)[i].name);
    std::free((*table)[i].value);
    DYNA_delete(table, i);
    return 0;
}

void MACRO_free(CmdNameValue** table) {
    if (!table || !*table) return;
    for (int i = 0; i < DYNA_count(*table); ++i) {
        std::free((*table)[i].name);
        std::free((*table)[i].value);
    }
    DYNA_free(table);
    *table = nullptr;
}

int macro_compare(const void* a, const void* b) {
    return std::strcmp(static_cast<const CmdNameValue*>(a)->name, static_cast<const CmdNameValue*>(b)->name);
}

bool MACRO_expand(const std::string& text, MacroLookup lookup, std::string* out) {
    std::vector<std::string> active;
    std::string result;
    if (!expand(text, lookup, active, &result)) return false;
    *out = std::move(result);
    return true;
}
