// Writing a design and compacting its tables.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "runtime/dyna.h"
#include "runtime/process.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

using sdbi::WordWriter;

// Growth step of user tables when they are remade.
constexpr int kUserGrowth = 256;

template <class T, class Encode>
void encode_records(WordWriter& out, const void* data, int32_t count, Encode encode) {
    const T* r = static_cast<const T*>(data);
    for (int32_t i = 0; i < count; ++i) encode(r[i]);
}

// The records of slot k, word by word; tables that no code interprets
// go out as the bytes they hold.
void write_records(WordWriter& out, const SdbTableSlot& s, int k) {
    const void* d = s.data;
    const int32_t n = s.count;
    switch (k) {
        case SDB_CLAS:
            encode_records<SdbClass>(out, d, n, [&](const SdbClass& r) {
                for (int32_t w : {r.name, r.type, r.first_pin, r.pin_count, r.made, r.zero5, r.zero6, r.last_pin})
                    out.word(w);
            });
            break;
        case SDB_PORT:
            encode_records<SdbPort>(out, d, n, [&](const SdbPort& r) {
                out.word(r.name);
                out.word(r.direction);
                out.word(r.node);
                out.word(r.flags);
            });
            break;
        case SDB_OBJ:
            encode_records<SdbObject>(out, d, n, [&](const SdbObject& r) {
                out.word(r.cls);
                out.word(r.first_node);
                out.word(r.flags);
            });
            break;
        case SDB_NET:
            encode_records<SdbNet>(out, d, n, [&](const SdbNet& r) {
                out.word(r.first_node);
                out.word(r.flags);
            });
            break;
        case SDB_NODE:
            encode_records<SdbNode>(out, d, n, [&](const SdbNode& r) {
                out.word(r.object);
                out.word(r.pin);
                out.word(r.net);
                out.word(r.next);
                out.word(r.flags);
            });
            break;
        case SDB_PIN:
            encode_records<SdbPin>(out, d, n, [&](const SdbPin& r) {
                out.word(r.name);
                out.word(r.direction);
            });
            break;
        case SDB_PREF:
            encode_records<SdbPrefixEntry>(out, d, n, [&](const SdbPrefixEntry& r) {
                out.word(r.name);
                out.word(r.parent);
                out.word(r.owner);
            });
            break;
        case SDB_SOBJ:
        case SDB_SNET:
        case SDB_XPIN:
        case SDB_XNOD:
        case SDB_XPOR: encode_records<int32_t>(out, d, n, [&](int32_t w) { out.word(w); }); break;
        default: out.bytes(d, static_cast<size_t>(n) * static_cast<size_t>(s.size)); break;
    }
}

bool has_records(const SdbTableSlot& s) { return s.data && s.count > 0 && s.size > 0; }

// The database record as its 732-byte image; pointers are written as 0.
void write_image(WordWriter& out, const SdbDatabase* db) {
    out.word(0);
    out.word(db->writable);
    out.word(db->reserved);
    for (const SdbTableSlot& s : db->slot) {
        out.bytes(s.name, 4);
        out.word(s.count);
        out.word(s.size);
        out.word(0);
        out.word(s.offset);
    }
    out.word(0);
    out.word(0);
    out.word(db->version);
    for (int32_t w : db->spare) out.word(w);
}

int64_t symbol_section_size(const SymbolTable* t) {
    int64_t n = 4 + 4 + 4 + 12 + 4 * static_cast<int64_t>(t->nbuckets) + 4;
    int count = SYM_count(t);
    for (int i = 0; i < count; ++i) {
        const char* name = t->entries[i].name;
        n += 4 + static_cast<int64_t>(name ? std::strlen(name) : 0) + 1 + 8;
    }
    return n;
}

// Drops trailing deleted records (name word -1) from a table and its
// name table, which keep one count.
template <class T>
void drop_deleted(SdbDatabase* db, int k, int names) {
    SdbTableSlot& s = db->slot[k];
    SdbTableSlot& w = db->slot[names];
    if (!s.data || !w.data) return;
    int32_t n = std::min(s.count, w.count);
    const int32_t* word = static_cast<const int32_t*>(w.data);
    while (n > 0 && word[n - 1] == -1) --n;
    if (n != s.count) sdbi::set_count(static_cast<T*>(s.data), n);
    if (n != w.count) sdbi::set_count(static_cast<int32_t*>(w.data), n);
    sdbi::refresh_slot(db, k);
    sdbi::refresh_slot(db, names);
}

template <class T>
void drop_unnamed(SdbDatabase* db, int k) {
    SdbTableSlot& s = db->slot[k];
    if (!s.data) return;
    const T* r = static_cast<const T*>(s.data);
    int32_t n = s.count;
    while (n > 0 && r[n - 1].name == -1) --n;
    if (n != s.count) sdbi::set_count(static_cast<T*>(s.data), n);
    sdbi::refresh_slot(db, k);
}

std::string alias_path_of(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".asn";
    return path.substr(0, dot) + ".asn";
}

// Remakes one array with room for exactly its records and the 0xFF
// record behind them.
void remake(SdbTableSlot& s, int growth) {
    if (!s.data || s.size <= 0) return;
    int32_t n = DYNA_count(s.data);
    void* a = DYNA_init(n + 1, s.size);
    DYNA_header(a)->fixed = 0;
    DYNA_header(a)->delta = growth;
    std::memcpy(a, s.data, static_cast<size_t>(n + 1) * static_cast<size_t>(s.size));
    DYNA_set_count(a, n);
    DYNA_free(&s.data);
    s.data = a;
    s.count = n;
}

}  // namespace

int SDB_save(SdbDatabase* db) {
    // A design read without some of its tables would lose them.
    if (!db || !db->path || !db->symbols || db->partial) return 1;
    if (db == sdb) SDB_update(db);
    SDB_sort_port_tab(db);
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) db->slot[k].count = DYNA_count(db->slot[k].data);
    drop_unnamed<SdbClass>(db, SDB_CLAS);
    drop_unnamed<SdbPort>(db, SDB_PORT);
    drop_deleted<SdbObject>(db, SDB_OBJ, SDB_SOBJ);
    drop_deleted<SdbNet>(db, SDB_NET, SDB_SNET);

    // The layout is known before anything is written: header, image,
    // symbol section, then the tables in slot order.
    int64_t pos = 12 + SDB_IMAGE_SIZE + symbol_section_size(db->symbols);
    for (SdbTableSlot& s : db->slot) {
        if (!has_records(s)) continue;
        if (pos > std::numeric_limits<int32_t>::max()) return 1;
        s.offset = static_cast<int32_t>(pos);
        pos += static_cast<int64_t>(s.count) * s.size;
    }
    if (pos > std::numeric_limits<int32_t>::max()) return 1;

    AtomicFile file(db->path);
    if (!file.open("w")) return 1;
    {
        WordWriter out(file.stream());
        out.word(4);
        out.bytes("SDB", 4);
        out.word(SDB_FILE_VERSION);
        write_image(out, db);
        sdbi::sym_write(out, db->symbols);
        for (int k = 0; k < SDB_NUM_SLOTS; ++k)
            if (has_records(db->slot[k])) write_records(out, db->slot[k], k);
        if (!out.flush()) return 1;
    }
    if (!file.commit()) return 1;
    // Further reads of db see the file just written.
    if (db->file) {
        std::fclose(db->file);
        db->file = std::fopen(db->path, "r");
    }
    if (which_task != -2) ALIAS_write_to(alias_path_of(db->path).c_str());
    return 0;
}

int SDB_write_tab(SdbDatabase* db, int k, FILE* stream) {
    if (!db || !stream || k < -1 || k >= SDB_NUM_SLOTS) return 1;
    off_t start = ftello(stream);
    if (start < 0) return 1;
    WordWriter out(stream, start);
    for (int i = k == -1 ? 0 : k; i < (k == -1 ? SDB_NUM_SLOTS : k + 1); ++i) {
        SdbTableSlot& s = db->slot[i];
        if (!has_records(s)) continue;
        if (out.pos() > std::numeric_limits<int32_t>::max()) return 1;
        s.offset = static_cast<int32_t>(out.pos());
        write_records(out, s, i);
    }
    return out.flush() ? 0 : 1;
}

int SDB_fast_pack_mem(SdbDatabase* db) {
    if (!db) return 1;
    SDB_update(db);
    PREFIX_forget(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data));
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) {
        int growth = k < SDB_NUM_STD_SLOTS ? sdb_slot_info[k].growth * sdb_model : kUserGrowth;
        remake(db->slot[k], growth);
    }
    if (db->slot[SDB_PREF].data)
        PREFIX_init(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data), db->symbols);
    sdbi::forget_edit_caches(db);
    SDB_setup(db);
    return 0;
}

// As SDB_fast_pack_mem, and the symbol entries and names are moved out
// to an anonymous temporary file and read back into storage of their
// exact size.
int SDB_pack_mem(SdbDatabase* db) {
    if (!db) return 1;
    if (SDB_fast_pack_mem(db) != 0) return 1;
    if (!db->symbols) return 0;
    std::unique_ptr<FILE, decltype(&std::fclose)> tmp(std::tmpfile(), &std::fclose);
    if (!tmp) return 1;
    if (SYM_pack_mem(0, tmp.get(), db->symbols) != 0) return 1;
    std::rewind(tmp.get());
    if (SYM_pack_mem(1, tmp.get(), db->symbols) != 0) return 1;
    SDB_setup(db);
    return 0;
}
