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

// The records of slot k, in bulk; tables that no code interprets go out
// as the bytes they hold.
void write_records(WordWriter& out, const SdbTableSlot& s, int k) {
    const void* d = s.data;
    const auto n = static_cast<size_t>(s.count);
    switch (k) {
        case SDB_CLAS: out.records(static_cast<const SdbClass*>(d), n); break;
        case SDB_PORT: out.records(static_cast<const SdbPort*>(d), n); break;
        case SDB_OBJ: out.records(static_cast<const SdbObject*>(d), n); break;
        case SDB_NET: out.records(static_cast<const SdbNet*>(d), n); break;
        case SDB_NODE: out.records(static_cast<const SdbNode*>(d), n); break;
        case SDB_PIN: out.records(static_cast<const SdbPin*>(d), n); break;
        case SDB_PREF: out.records(static_cast<const SdbPrefixEntry*>(d), n); break;
        case SDB_SOBJ:
        case SDB_SNET:
        case SDB_XPIN:
        case SDB_XNOD:
        case SDB_XPOR: out.records(static_cast<const int32_t*>(d), n); break;
        default: out.bytes(d, n * static_cast<size_t>(s.size)); break;
    }
}

static_assert(sizeof(SdbClass) == 32 && sizeof(SdbPort) == 16 && sizeof(SdbObject) == 12 && sizeof(SdbNet) == 8 &&
              sizeof(SdbNode) == 20 && sizeof(SdbPin) == 8 && sizeof(SdbPrefixEntry) == 12,
              "records are written as they lie in memory");

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

    AtomicFile file(db->path);
    if (!file.open("w")) return 1;
    {
        // Header, image, symbol section, then the tables in slot order.
        // The image holds the tables' offsets, known once the symbols are
        // out: it is written again over its first copy at the end.
        WordWriter out(file.stream());
        out.word(4);
        out.bytes("SDB", 4);
        out.word(SDB_FILE_VERSION);
        const int64_t image_at = out.pos();
        write_image(out, db);
        sdbi::sym_write(out, db->symbols);
        int64_t pos = out.pos();
        for (SdbTableSlot& s : db->slot) {
            if (!has_records(s)) continue;
            if (pos > std::numeric_limits<int32_t>::max()) return 1;
            s.offset = static_cast<int32_t>(pos);
            pos += static_cast<int64_t>(s.count) * s.size;
        }
        if (pos > std::numeric_limits<int32_t>::max()) return 1;
        for (int k = 0; k < SDB_NUM_SLOTS; ++k)
            if (has_records(db->slot[k])) write_records(out, db->slot[k], k);
        if (!out.flush() || out.pos() != pos) return 1;
        if (fseeko(file.stream(), static_cast<off_t>(image_at), SEEK_SET) != 0) return 1;
        WordWriter image(file.stream(), image_at);
        write_image(image, db);
        if (!image.flush()) return 1;
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
