// Hierarchical names: the prefix table that shares the leading parts.
#include "sdb/prefix.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

// ---------------------------------------------------------------------
// The look-up index of a prefix table.  For each pair (parent, segment
// name) a hash slot holds the entry with the highest index; further
// entries of the same pair follow through `next` in decreasing index
// order.  A look-up therefore costs one probe per segment whatever the
// size of the design.  Entries appended to the table are added when the
// next look-up finds the table longer than the index.
//
// Each indexed table carries a serial number in a free word of its
// DynaArray header; the index is found by that number, so a table that
// moves when it grows keeps its index, and a new table made where a
// freed one lay starts without one.
struct PrefixIdTable {
    int32_t indexed = 0;    // entries 0 .. indexed-1 are in the index
    int32_t max_name = -1;  // largest segment symbol id met
    std::vector<int32_t> slot;  // head entry of a pair, -1 empty; size a power of two
    int32_t used = 0;
    std::vector<int32_t> next;  // next entry of the same pair, -1 at the end
};

namespace {

char prefix_dot = '.';
std::string name_buffer;

// The symbol table pointer lives in the last two header words in front
// of element 0, which DynaArray never uses.
void store_symbols(SdbPrefixEntry* table, SymbolTable* symbols) {
    std::memcpy(&DYNA_header(table)->reserved[2], &symbols, sizeof symbols);
}

[[noreturn]] void too_long() { sdb_exit_error(SDB_FATAL, FA_02_0044, "", static_cast<long>(PREFIX_NAME_LIMIT)); }

// The text of one segment on a walk up the tree: the entry's own name
// (a stand-in entry has been replaced by the one it stands for).
const char* segment_text(const SymbolTable* symbols, const SdbPrefixEntry& e) {
    if (e.name < 0) sdb_exit_error(SDB_FATAL, "%s", FA_02_0026);
    const char* text = SYM_get(symbols, e.name);
    if (!text || !*text) sdb_exit_error(SDB_FATAL, "%s", FA_02_0027);
    return text;
}

// Joins segments gathered leaf first into one name.
void join(std::string& out, const std::vector<const char*>& segments, size_t need) {
    out.clear();
    out.reserve(need);
    for (size_t i = segments.size(); i-- > 0;) {
        out += segments[i];
        if (i) out += prefix_dot;
    }
}

// Walks up from entry, gathering segment texts, until the top or, when
// stop_at_level is set, an entry whose owner stands for a hierarchy
// level; returns the entry where the walk stopped (-1 at the top).
// Stand-in entries are replaced by the entries they stand for.  A name
// that would not fit the limit of a full name ends the run.
int gather(SdbPrefixEntry* table, int entry, bool stop_at_level, std::vector<const char*>& segments,
           size_t& need) {
    const SymbolTable* symbols = PREFIX_symbols(table);
    int count = DYNA_count(table);
    segments.clear();
    need = 0;
    // Each entry is met at most once on a sound walk; more steps than
    // entries means the links go round in a circle.
    for (int steps = 0; entry != -1; ++steps) {
        if (entry < 0 || entry >= count) sdb_exit_error(SDB_FATAL, "%s", FA_02_0026);
        if (steps > count) sdb_exit_name_inconsistency();
        if (stop_at_level && table[entry].owner <= -6) return entry;
        int e = entry;
        for (int hops = 0; table[e].name <= -6; ++hops) {
            e = -6 - table[e].name;
            if (e >= count) sdb_exit_error(SDB_FATAL, "%s", FA_02_0026);
            if (hops > count) sdb_exit_name_inconsistency();
        }
        const char* text = segment_text(symbols, table[e]);
        // Segments and separators fill a buffer of the limit from its
        // end; the name must leave its first byte free.
        need += std::strlen(text) + 1;
        if (need > PREFIX_NAME_LIMIT - 2) too_long();
        segments.push_back(text);
        entry = table[e].parent;
    }
    return -1;
}

using Index = PrefixIdTable;

std::unordered_map<int32_t, std::unique_ptr<Index>> indexes;
int32_t last_serial = 0;

int32_t& serial_word(const SdbPrefixEntry* table) { return DYNA_header(table)->reserved[1]; }

size_t hash_pair(int32_t parent, int32_t name) {
    uint64_t k = (uint64_t{static_cast<uint32_t>(parent)} << 32) | static_cast<uint32_t>(name);
    k = (k ^ (k >> 30)) * 0xBF58476D1CE4E5B9ull;
    k = (k ^ (k >> 27)) * 0x94D049BB133111EBull;
    return static_cast<size_t>(k ^ (k >> 31));
}

// The slot of the pair, or the empty slot where it would go.
size_t probe(const Index& x, const SdbPrefixEntry* t, int32_t parent, int32_t name) {
    size_t mask = x.slot.size() - 1;
    for (size_t i = hash_pair(parent, name) & mask;; i = (i + 1) & mask) {
        int32_t h = x.slot[i];
        if (h == -1 || (t[h].parent == parent && t[h].name == name)) return i;
    }
}

void rehash(Index& x, const SdbPrefixEntry* t, size_t size) {
    std::vector<int32_t> old = std::move(x.slot);
    x.slot.assign(size, -1);
    for (int32_t h : old)
        if (h != -1) x.slot[probe(x, t, t[h].parent, t[h].name)] = h;
}

void add_entry(Index& x, const SdbPrefixEntry* t, int32_t e) {
    x.next[static_cast<size_t>(e)] = -1;
    const SdbPrefixEntry& r = t[e];
    // Only entries with a segment of their own are found by name.
    if (r.name < 0) return;
    x.max_name = std::max(x.max_name, r.name);
    if (size_t{static_cast<uint32_t>(x.used) + 1} * 2 > x.slot.size()) rehash(x, t, std::max<size_t>(64, x.slot.size() * 2));
    size_t i = probe(x, t, r.parent, r.name);
    if (x.slot[i] == -1)
        ++x.used;
    else
        x.next[static_cast<size_t>(e)] = x.slot[i];
    x.slot[i] = e;
}

// The index of a table, made or brought up to date; null for an empty
// or missing table.
Index* index_of(SdbPrefixEntry* table) {
    if (!table) return nullptr;
    int32_t count = DYNA_count(table);
    if (count <= 0) return nullptr;
    int32_t& serial = serial_word(table);
    auto it = serial ? indexes.find(serial) : indexes.end();
    if (it == indexes.end()) {
        do {
            last_serial = last_serial == INT32_MAX ? 1 : last_serial + 1;
        } while (indexes.count(last_serial));
        serial = last_serial;
        it = indexes.emplace(serial, std::make_unique<Index>()).first;
    }
    Index& x = *it->second;
    if (count < x.indexed) x = Index{};  // the table was cut back: start again
    if (x.indexed == 0) {
        size_t size = 64;
        while (size < size_t{static_cast<uint32_t>(count)} * 2) size *= 2;
        x.slot.assign(size, -1);
    }
    x.next.resize(static_cast<size_t>(count));
    for (; x.indexed < count; ++x.indexed) add_entry(x, table, x.indexed);
    return &x;
}

// True when an entry's owner is what kind asks for.
bool owner_fits(int32_t owner, int kind) {
    switch (kind) {
        case PREFIX_KIND_OBJECT: return owner >= 0 && (owner & SDB_OWNER_OBJECT);
        // A net's owner word has neither the object bit nor the net-mask
        // bit: an object of the same name must not stand for the net.
        case PREFIX_KIND_NET: return owner >= 0 && !(owner & SDB_OWNER_NET_MASK) && !(owner & SDB_OWNER_OBJECT);
        case PREFIX_KIND_LEVEL: return owner <= -6;
        default: return owner <= -6 || (owner >= 0 && (owner & SDB_OWNER_OBJECT));
    }
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

namespace {

// After the table that was old grew into table: the current design's
// slot and the cached table and count follow it when they held old.
void follow_table(const SdbPrefixEntry* old, SdbPrefixEntry* table) {
    const int count = DYNA_count(table);
    if (sdb && old && sdb->slot[SDB_PREF].data == old) {
        sdb->slot[SDB_PREF].data = table;
        sdb->slot[SDB_PREF].count = count;
    }
    if (old && prefix_tab == old) {
        prefix_tab = table;
        prefix_count = count;
    }
}

}  // namespace

int PREFIX_add(SdbPrefixEntry** table, int name, int parent, int owner) {
    if (!table) return -1;
    SdbPrefixEntry* old = *table;
    if (!*table) *table = PREFIX_init(nullptr, nullptr);
    int i = sdbi::append(table, SdbPrefixEntry{name, parent, owner});
    follow_table(old, *table);
    return i;
}

SdbPrefixEntry* PREFIX_add_room(SdbPrefixEntry** table, int n) {
    if (!table || n < 0) return nullptr;
    SdbPrefixEntry* old = *table;
    if (int64_t{old ? DYNA_count(old) : 0} + n + 1 > INT32_MAX) return nullptr;
    if (!*table) *table = PREFIX_init(nullptr, nullptr);
    sdbi::reserve(table, n + 1);
    const int first = DYNA_add(table, n);
    if (first < 0) return nullptr;
    sdbi::set_count(*table, first + n);
    follow_table(old, *table);
    return *table + first;
}

const char* PREFIX_get(SdbPrefixEntry* table, int entry) {
    std::vector<const char*> segments;
    size_t need = 0;
    gather(table, entry, false, segments, need);
    join(name_buffer, segments, need);
    return name_buffer.c_str();
}

int PREFIX_lookup(SdbPrefixEntry* table, const char* name, int kind, int start) {
    if (!table || !name || !*name) return -1;
    SymbolTable* symbols = PREFIX_symbols(table);
    std::vector<int32_t> ids;
    for (const char* p = name;;) {
        const char* dot = std::strchr(p, prefix_dot);
        std::string seg(p, dot ? static_cast<size_t>(dot - p) : std::strlen(p));
        int id = SYM_lookup(symbols, seg.c_str());
        if (id < 0) return -1;
        ids.push_back(id);
        if (!dot) break;
        p = dot + 1;
    }
    Index* x = index_of(table);
    if (!x) return -1;
    int32_t parent = start;
    int32_t bound = start + 1;
    const size_t last = ids.size() - 1;
    for (size_t i = 0; i < ids.size(); ++i) {
        int32_t h = x->slot[probe(*x, table, parent, ids[i])];
        // The entries of one pair come in decreasing index order: the
        // first one below the bound ends the search.
        int32_t found = -1;
        for (; h != -1 && h >= bound; h = x->next[static_cast<size_t>(h)]) {
            if (i < last || owner_fits(table[h].owner, kind)) {
                found = h;
                break;
            }
        }
        if (found == -1) return -1;
        if (i == last) return found;
        parent = found;
        bound = i + 1 == last ? found + 1 : found;
    }
    return -1;
}

const char* PREFIX_get_cio_names(SdbPrefixEntry* table, int entry, int* cell, std::string& upper,
                                 std::string& lower) {
    if (cell) *cell = -1;
    upper.clear();
    lower.clear();
    std::vector<const char*> segments;
    size_t need = 0;
    int level = gather(table, entry, true, segments, need);
    join(lower, segments, need);
    if (level == -1) return lower.c_str();
    if (cell) *cell = -6 - table[level].owner;
    gather(table, level, false, segments, need);
    join(upper, segments, need);
    return upper.c_str();
}

const PrefixIdTable* PREFIX_build_id_table(SdbPrefixEntry* table, int* heads) {
    Index* x = index_of(table);
    if (heads) *heads = x ? x->max_name + 1 : 0;
    return x;
}

void PREFIX_forget(const SdbPrefixEntry* table) {
    if (!table) return;
    int32_t& serial = serial_word(table);
    if (serial) indexes.erase(serial);
    serial = 0;
}

void PREFIX_reset_sys() { indexes.clear(); }

void reset_prefix_num_tabsL() { PREFIX_reset_sys(); }

void SDB_flatten_name(std::string& dst, const char* src) {
    dst = src ? src : "";
    if (prefix_dot == '.') return;
    std::replace(dst.begin(), dst.end(), prefix_dot, '_');
}

void PREFIX_set_dot(char c) { prefix_dot = c; }
char PREFIX_get_dot() { return prefix_dot; }

std::string PREFIX_last_part(const std::string& name) {
    const size_t cut = name.rfind(prefix_dot);
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

void PREFIX_reset_globals() {
    PREFIX_reset_sys();
    last_serial = 0;
    prefix_dot = '.';
    name_buffer.clear();
    name_buffer.shrink_to_fit();
}
