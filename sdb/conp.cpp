// Connection-pin tables: nodes of flattened cell instances and the cell
// pins they stand for.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/process.h"
#include "sdb/internal.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

ConpRecord* conp_tab = nullptr;
int conp_count = 0;

namespace {

bool in_range(int i, int count) { return i >= 0 && i < count; }

// Look-ups of the table by some of a record's words.  Each map is made
// at its first use and follows the records appended since; replacing the
// table (CONP_init, CONP_read) drops them all.
using Key = std::array<int32_t, 4>;
struct KeyHash {
    size_t operator()(const Key& k) const {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (int32_t w : k) h = (h ^ static_cast<uint32_t>(w)) * 0x100000001B3ull + (h >> 29);
        return static_cast<size_t>(h);
    }
};

struct RecordMap {
    Key (*key)(const ConpRecord&);
    bool last;  // the last matching record wins, else the first
    std::unordered_map<Key, int32_t, KeyHash> map;
    int32_t indexed = 0;

    int32_t find(const Key& k) {
        int32_t n = DYNA_count(conp_tab);
        if (n < indexed) {
            map.clear();
            indexed = 0;
        }
        for (; indexed < n; ++indexed) {
            auto [it, fresh] = map.try_emplace(key(conp_tab[indexed]), indexed);
            if (!fresh && last) it->second = indexed;
        }
        auto it = map.find(k);
        return it == map.end() ? -1 : it->second;
    }
};

RecordMap by_record{[](const ConpRecord& r) { return Key{r.cell, r.object, r.node, r.pin}; }, false, {}, 0};
RecordMap by_cell{[](const ConpRecord& r) { return Key{r.cell, 0, 0, 0}; }, false, {}, 0};
RecordMap by_cell_pin{[](const ConpRecord& r) { return Key{r.cell, r.pin, 0, 0}; }, true, {}, 0};
RecordMap by_cell_obj{[](const ConpRecord& r) { return Key{r.cell, r.object, 0, 0}; }, true, {}, 0};
RecordMap by_cell_obj_node{[](const ConpRecord& r) { return Key{r.cell, r.object, r.node, 0}; }, true, {}, 0};

void forget_maps() {
    for (RecordMap* m : {&by_record, &by_cell, &by_cell_pin, &by_cell_obj, &by_cell_obj_node}) {
        m->map.clear();
        m->indexed = 0;
    }
}

void free_table() {
    if (conp_tab) DYNA_free(&conp_tab);
    conp_tab = nullptr;
    conp_count = 0;
    forget_maps();
}

int append(const ConpRecord& r) {
    if (!conp_tab) conp_tab = DYNA_new<ConpRecord>(256);
    sdbi::reserve(&conp_tab, 1);
    int i = DYNA_append(&conp_tab, r);
    conp_count = DYNA_count(conp_tab);
    return i;
}

// The records of a ".conp" file, its words in the byte order of the
// design opened last.  head is the count the file gives (0 when it has
// no head or a bad one); the records are those the file holds of them.
struct ConpFile {
    int32_t head = 0;
    bool head_ok = false;
    std::vector<ConpRecord> records;
};

ConpFile read_file(const char* path) {
    ConpFile f;
    // Only a regular file is read (a FIFO would wait for ever).
    if (!path || !FNM_regular_input(path)) return f;
    std::ifstream in(path, std::ios::binary);
    if (!in) return f;
    auto word = [&in](int32_t& w) {
        uint8_t b[4];
        if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
        w = sdbi::load_word(b, sdbi::file_is_big);
        return true;
    };
    int32_t n, m;
    if (!word(n) || !word(m)) return f;
    f.head = n;
    f.head_ok = n > 0 && m == -n;
    if (!f.head_ok) return f;
    // Records are read as far as the file holds them, never more than the
    // head promises.
    for (int32_t i = 0; i < n; ++i) {
        ConpRecord r;
        if (!word(r.cell) || !word(r.object) || !word(r.node) || !word(r.pin)) break;
        f.records.push_back(r);
    }
    return f;
}

const char* text_or_empty(const char* s) { return s ? s : ""; }

}  // namespace

void CONP_init() {
    free_table();
    conp_tab = DYNA_new<ConpRecord>(256);
}

int CONP_add(SymbolTable* symbols, const char* cell, const char* object, int node, const char* pin) {
    ConpRecord r{SYM_setup(symbols, cell), SYM_setup(symbols, object), node, SYM_setup(symbols, pin)};
    int i = by_record.find(Key{r.cell, r.object, r.node, r.pin});
    return i >= 0 ? i : append(r);
}

int CONP_fast_add(int cell, int object, int node, int pin) { return append(ConpRecord{cell, object, node, pin}); }

void CONP_read(const char* path) {
    free_table();
    ConpFile f = read_file(path);
    if (!f.head_ok || static_cast<int32_t>(f.records.size()) != f.head) return;
    conp_tab = DYNA_new<ConpRecord>(f.head);
    for (const ConpRecord& r : f.records) DYNA_append(&conp_tab, r);
    conp_count = f.head;
}

void CONP_write(const char* path) {
    if (conp_count != DYNA_count(conp_tab)) {
        sdb_exit_error(SDB_FATAL, "%s", FA_01_0040);
    }
    if (!path) return;
    std::error_code ec;
    if (conp_count == 0 && !std::filesystem::exists(path, ec)) return;
    AtomicFile out(path);
    bool ok = out.open("w");
    if (ok) {
        sdbi::WordWriter w(out.stream());
        w.word(conp_count);
        w.word(-conp_count);
        for (int i = 0; i < conp_count; ++i) {
            const ConpRecord& r = conp_tab[i];
            for (int32_t v : {r.cell, r.object, r.node, r.pin}) w.word(v);
        }
        ok = w.flush();
    }
    if (!ok || !out.commit()) {
        sdb_exit_error(SDB_FATAL, FA_01_0020, path);
    }
}

void CONP_merge(const char* path, SymbolTable* symbols, SymbolTable* file_symbols) {
    ConpFile f = read_file(path);
    if (static_cast<int32_t>(f.records.size()) != f.head) sdb_log_error(SDB_WARNING, FA_01_0024, text_or_empty(path));
    auto name = [&](int32_t id) {
        const char* t = SYM_get(file_symbols, id);
        return t ? SYM_setup(symbols, t) : -1;
    };
    for (const ConpRecord& r : f.records) {
        ConpRecord t{name(r.cell), r.object >= 0 ? name(r.object) : r.object, r.node, name(r.pin)};
        if (by_record.find(Key{t.cell, t.object, t.node, t.pin}) < 0) append(t);
    }
}

void CONP_dump() {
    if (conp_count == 0) sdb_log_error(SDB_WARNING, "%s", FA_01_0041);
    const char* path = "conp_tab.dump";
    AtomicFile out(path);
    bool ok = out.open("w");
    for (int i = 0; ok && i < DYNA_count(conp_tab); ++i) {
        const ConpRecord& r = conp_tab[i];
        const char* cell = text_or_empty(SYM_get(sym_tab, r.cell));
        const char* pin = text_or_empty(SYM_get(sym_tab, r.pin));
        if (sdb_is_prefix_word(r.object)) {
            std::string full = prefix_tab ? PREFIX_get(prefix_tab, sdb_prefix_of(r.object)) : "";
            std::fprintf(out.stream(), "* C:%s O:%s, N:%d, P:%s\n", cell, full.c_str(), r.node, pin);
        } else {
            std::fprintf(out.stream(), "* %d C:%s O:%s, N:%d, P:%s\n", i, cell,
                         text_or_empty(SYM_get(sym_tab, r.object)), r.node, pin);
        }
    }
    if (!ok || !out.commit()) {
        sdb_exit_error(SDB_FATAL, FA_01_0020, path);
    }
}

int CONP_lookup_cell(int cell) { return by_cell.find(Key{cell, 0, 0, 0}); }
int CONP_lookup_cp(int cell, int pin) { return by_cell_pin.find(Key{cell, pin, 0, 0}); }
int CONP_lookup_co(int cell, int object) { return by_cell_obj.find(Key{cell, object, 0, 0}); }
int CONP_lookup_con(int cell, int object, int node) { return by_cell_obj_node.find(Key{cell, object, node, 0}); }

// ---------------------------------------------------------------------
// Mapping between the nodes of the current design and cell pins.

namespace {

// The name of a node's own pin (a port node: its port's name).
std::string own_pin_name(int node) {
    const char* t = SDB_pin_name(node);
    return t ? t : "*UNDEF*";
}

// The mapped names of node of obj, when the table holds them.
bool map_node(int node, int obj, std::string& pin_text, std::string& obj_text) {
    if (DYNA_count(conp_tab) == 0 || !in_range(obj, obj_count) || !in_range(obj, DYNA_count(sobj_tab))) return false;
    int32_t w = sobj_tab[obj];
    if (w >= 0) return false;
    if (!sdb_is_prefix_word(w)) sdb_exit_error(SDB_FATAL, "%s", FA_02_0008);
    int p = sdb_prefix_of(w);
    if (!in_range(p, prefix_count) || prefix_tab[p].owner != SDB_OWNER_OBJECT + obj) sdb_exit_name_inconsistency();
    int cell = -1;
    std::string upper, lower;
    PREFIX_get_cio_names(prefix_tab, p, &cell, upper, lower);
    int object = SYM_lookup(sym_tab, lower.c_str());
    if (object < 0) return false;
    int r = CONP_lookup_con(cell, object, node - obj_tab[obj].first_node);
    if (r < 0) return false;
    const char* pin = SYM_get(sym_tab, conp_tab[r].pin);
    pin_text = pin ? pin : "*UNDEF*";
    obj_text = upper;
    return true;
}

}  // namespace

int SDB_map_node_to_cellpin(int node, int obj, std::string& pin_text, std::string& obj_text) {
    if (map_node(node, obj, pin_text, obj_text)) return 1;
    pin_text = own_pin_name(node);
    const char* o = sdb ? SDB_obj_name(sdb, obj) : nullptr;
    obj_text = o ? o : "*UNDEF*";
    return 0;
}

int SDB_map_cellpin_to_node(const char* instance, const char* cell_pin, int* obj, int* node) {
    if (obj) *obj = -1;
    if (node) *node = -1;
    if (DYNA_count(conp_tab) == 0 || !sdb || !instance || !cell_pin) return 0;
    int level = PREFIX_lookup(prefix_tab, instance, PREFIX_KIND_LEVEL, -1);
    if (level < 0) return 0;
    int cell = -6 - prefix_tab[level].owner;
    int pin = SYM_lookup(sym_tab, cell_pin);
    if (pin < 0) return 0;
    int r = CONP_lookup_cp(cell, pin);
    if (r < 0) return 0;
    const ConpRecord rec = conp_tab[r];
    if (node) *node = rec.node;
    std::string name;
    if (rec.object >= 0) {
        const char* t = SYM_get(sym_tab, rec.object);
        if (!t) return 0;
        name = t;
    } else if (sdb_is_prefix_word(rec.object) && in_range(sdb_prefix_of(rec.object), prefix_count)) {
        name = PREFIX_get(prefix_tab, sdb_prefix_of(rec.object));
    } else {
        return 0;
    }
    int e = PREFIX_lookup(prefix_tab, name.c_str(), PREFIX_KIND_OBJECT, level);
    if (e < 0) return 0;
    int32_t o = prefix_tab[e].owner & ~SDB_OWNER_OBJECT;
    if (o >= obj_count) return 0;
    if (!in_range(o, DYNA_count(sobj_tab)) || sobj_tab[o] != sdb_prefix_word(e)) sdb_exit_name_inconsistency();
    if (obj) *obj = o;
    return 0;
}

int SDB_map_instance_to_obj(const char* path, int* entry) {
    int e = sdb && path ? PREFIX_lookup(prefix_tab, path, PREFIX_KIND_OBJECT, -1) : -1;
    if (entry) *entry = e;
    return e;
}

void sdbi::prim_reset_globals() {
    SDB_free_primitives();
    free_table();
}
