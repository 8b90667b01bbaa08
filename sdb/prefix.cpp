#include "sdb/prefix.h"

#include <cstring>
#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

char prefix_dot = '.';
std::string name_buffer;

// The symbol table pointer lives in the last two header words in front
// of element 0, which DynaArray never uses.
void store_symbols(SdbPrefixEntry* table, SymbolTable* symbols) {
    std::memcpy(&DYNA_header(table)->reserved[2], &symbols, sizeof symbols);
}

[[noreturn]] void fatal(const char* text) {
    sdb_log_error(SDB_FATAL, "%s", text);
    qdx_exit(-1);
}

}  // namespace

static_assert(sizeof(SymbolTable*) <= 2 * sizeof(int32_t), "two header words hold the pointer");

SdbPrefixEntry* PREFIX_init(SdbPrefixEntry* table, SymbolTable* symbols) {
    if (!table) {
        table = DYNA_new<SdbPrefixEntry>(512 * sdb_model);
        DynaHeader* h = DYNA_header(table);
        h->fixed = 0;
        h->delta = 5120 * sdb_model;
        std::memset(static_cast<void*>(&table[0]), 0xFF, sizeof(SdbPrefixEntry));
    }
    store_symbols(table, symbols);
    return table;
}

SymbolTable* PREFIX_symbols(const SdbPrefixEntry* table) {
    if (!table) return nullptr;
    SymbolTable* s;
    std::memcpy(&s, &DYNA_header(table)->reserved[2], sizeof s);
    return s;
}

int PREFIX_add(SdbPrefixEntry** table, int name, int parent, int owner) {
    if (!table) return -1;
    SdbPrefixEntry* old = *table;
    if (!*table) *table = PREFIX_init(nullptr, nullptr);
    int i = sdbi::append(table, SdbPrefixEntry{name, parent, owner});
    int count = DYNA_count(*table);
    if (sdb && old && sdb->slot[SDB_PREF].data == old) {
        sdb->slot[SDB_PREF].data = *table;
        sdb->slot[SDB_PREF].count = count;
    }
    if (old && prefix_tab == old) {
        prefix_tab = *table;
        prefix_count = count;
    }
    return i;
}

const char* PREFIX_get(SdbPrefixEntry* table, int entry) {
    const SymbolTable* symbols = PREFIX_symbols(table);
    int count = DYNA_count(table);
    std::vector<const char*> segments;
    size_t need = 0;
    // Each entry is met at most once on a sound walk; more steps than
    // entries means the links go round in a circle.
    for (int steps = 0; entry != -1; ++steps) {
        if (entry < 0 || entry >= count) fatal(FA_02_0026);
        if (steps > count) fatal(FA_02_0020);
        const SdbPrefixEntry& e = table[entry];
        if (e.name <= -6) {
            entry = -6 - e.name;
            continue;
        }
        if (e.name < 0) fatal(FA_02_0026);
        const char* text = SYM_get(symbols, e.name);
        if (!text || !*text) fatal(FA_02_0027);
        // Segments and separators fill the buffer from its end; the name
        // must leave its first byte free.
        need += std::strlen(text) + 1;
        if (need > PREFIX_NAME_LIMIT - 2) {
            sdb_log_error(SDB_FATAL, FA_02_0044, "", static_cast<long>(PREFIX_NAME_LIMIT));
            qdx_exit(-1);
        }
        segments.push_back(text);
        entry = e.parent;
    }
    name_buffer.clear();
    name_buffer.reserve(need);
    for (size_t i = segments.size(); i-- > 0;) {
        name_buffer += segments[i];
        if (i) name_buffer += prefix_dot;
    }
    return name_buffer.c_str();
}

void PREFIX_set_dot(char c) { prefix_dot = c; }
char PREFIX_get_dot() { return prefix_dot; }

void PREFIX_reset_globals() {
    prefix_dot = '.';
    name_buffer.clear();
    name_buffer.shrink_to_fit();
}
