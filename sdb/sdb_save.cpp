// Writing a design and compacting its tables.
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/output_file.h"
#include "runtime/pages.h"
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

// Objects of SDB_save_objs, made as they are written: the records of
// OBJ, SOBJ and NODE behind those in memory.
struct StreamedObjects {
    const SdbObjectSource* src = nullptr;
    int32_t first_obj = 0;      // index of the first of them
    int32_t first_node = 0;     // index of the first of their nodes
    int32_t kept = 0;           // objects written: trailing unnamed ones are dropped
    int64_t nodes = 0;          // nodes written: all of them
    std::unique_ptr<int32_t[]> next;  // next word of each node
};

// Records of T made one after another straight in the writer's buffer.
template <class T>
class RecordOut {
public:
    explicit RecordOut(WordWriter& out) : out_(out) {}
    ~RecordOut() { take(); }
    RecordOut(const RecordOut&) = delete;
    RecordOut& operator=(const RecordOut&) = delete;
    void put(const T& r) {
        if (made_ == room_) {
            take();
            room_ = out_.room(sizeof(T));
            at_ = out_.at();
        }
        std::memcpy(at_ + made_ * sizeof(T), &r, sizeof(T));
        ++made_;
    }

private:
    // The records made so far go to the writer, as little-endian words.
    void take() {
        const size_t bytes = made_ * sizeof(T);
        if constexpr (std::endian::native != std::endian::little) {
            for (size_t i = 0; i < bytes; i += 4) {
                uint32_t v;
                std::memcpy(&v, at_ + i, 4);
                sdbi::store_le32(at_ + i, v);
            }
        }
        out_.add(bytes);
        at_ += bytes;
        room_ -= made_;
        made_ = 0;
    }
    WordWriter& out_;
    uint8_t* at_ = nullptr;
    size_t room_ = 0;
    size_t made_ = 0;
};

void write_streamed(WordWriter& out, const SdbDatabase* db, const StreamedObjects& st, int k) {
    const SdbObjectSource& src = *st.src;
    const auto* cls_tab = static_cast<const SdbClass*>(db->slot[SDB_CLAS].data);
    if (k == SDB_SOBJ) {
        RecordOut<int32_t> names(out);
        for (int i = 0; i < st.kept; ++i) {
            int32_t name = 0, cls = -1;
            src.get(src.ctx, i, &name, &cls);
            names.put(name);
        }
    } else if (k == SDB_OBJ) {
        RecordOut<SdbObject> objs(out);
        int64_t v = st.first_node;
        for (int i = 0; i < st.kept; ++i) {
            int32_t name = 0, cls = -1;
            src.get(src.ctx, i, &name, &cls);
            const int count = cls == -1 ? 0 : std::max(cls_tab[cls].pin_count, 0);
            objs.put(SdbObject{cls, count > 0 ? static_cast<int32_t>(v) : -1, 0});
            v += count;
        }
    } else {
        // NODE: the nodes of every object, those dropped with their names
        // too.
        RecordOut<SdbNode> nodes(out);
        int64_t v = 0;
        for (int i = 0; i < src.n; ++i) {
            int32_t name = 0, cls = -1;
            src.get(src.ctx, i, &name, &cls);
            if (cls == -1) continue;
            const SdbClass& c = cls_tab[cls];
            const int count = std::max(c.pin_count, 0);
            for (int p = 0; p < count; ++p, ++v) {
                const auto u = static_cast<size_t>(v);
                nodes.put(SdbNode{st.first_obj + i, c.first_pin >= 0 ? c.first_pin + p : -1, src.nets[u], st.next[u], 0});
            }
        }
    }
}

// Why the last save failed.
std::string save_why;

// A design that cannot be written as it is: read without some of its
// tables (which it would lose), or without a path or names.
int cannot_save() {
    save_why = "the design was not read whole";
    return 1;
}

// Tables that would lie beyond the reach of the file's 32-bit offsets.
int too_large() {
    save_why = std::strerror(EFBIG);
    return 1;
}

// A save whose file failed: the system's reason, with the temporary file
// closed (and removed with the writer, which nothing writes to any more).
int write_failed(AtomicFile& file) {
    file.finish();
    save_why = file.why();
    return 1;
}

int save_design(SdbDatabase* db, StreamedObjects* st) {
    save_why.clear();
    if (!db || !db->path || !db->symbols || db->partial) return cannot_save();
    if (db == sdb) SDB_update(db);
    SDB_sort_port_tab(db);
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) db->slot[k].count = DYNA_count(db->slot[k].data);
    drop_unnamed<SdbClass>(db, SDB_CLAS);
    drop_unnamed<SdbPort>(db, SDB_PORT);
    // Objects written behind those in memory keep them all.
    if (!st || st->kept == 0) drop_deleted<SdbObject>(db, SDB_OBJ, SDB_SOBJ);
    drop_deleted<SdbNet>(db, SDB_NET, SDB_SNET);
    // The counts in memory, and those of the file.
    int32_t held[SDB_NUM_SLOTS];
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) held[k] = db->slot[k].count;
    struct Restore {
        SdbDatabase* db;
        const int32_t* held;
        ~Restore() {
            for (int k = 0; k < SDB_NUM_SLOTS; ++k) db->slot[k].count = held[k];
        }
    } restore{db, held};
    if (st) {
        db->slot[SDB_OBJ].count += st->kept;
        db->slot[SDB_SOBJ].count += st->kept;
        db->slot[SDB_NODE].count += static_cast<int32_t>(st->nodes);
    }
    auto streamed = [&](int k) { return st && (k == SDB_OBJ || k == SDB_SOBJ || k == SDB_NODE); };

    AtomicFile file(db->path);
    if (!file.open("w")) return write_failed(file);
    // The writers are done with the stream when the lambda returns.
    bool too_big = false;
    auto beyond_offsets = [&too_big] {
        too_big = true;
        return false;
    };
    const bool written = [&] {
        // Header, image, symbol section, then the tables in slot order.
        // The image holds the tables' offsets, known once the symbols are
        // out: it is written again over its first copy at the end.
        WordWriter out(file.stream(), 0, true);
        out.word(4);
        out.bytes("SDB", 4);
        out.word(SDB_FILE_VERSION);
        const int64_t image_at = out.pos();
        write_image(out, db);
        sdbi::sym_write(out, db->symbols);
        int64_t pos = out.pos();
        for (SdbTableSlot& s : db->slot) {
            if (!has_records(s)) continue;
            if (pos > std::numeric_limits<int32_t>::max()) return beyond_offsets();
            s.offset = static_cast<int32_t>(pos);
            pos += static_cast<int64_t>(s.count) * s.size;
        }
        if (pos > std::numeric_limits<int32_t>::max()) return beyond_offsets();
        for (int k = 0; k < SDB_NUM_SLOTS; ++k) {
            SdbTableSlot& s = db->slot[k];
            if (!has_records(s)) continue;
            if (!streamed(k)) {
                write_records(out, s, k);
                continue;
            }
            const int32_t all = s.count;
            s.count = held[k];
            write_records(out, s, k);
            s.count = all;
            write_streamed(out, db, *st, k);
        }
        if (!out.flush() || out.pos() != pos) return false;
        if (fseeko(file.stream(), static_cast<off_t>(image_at), SEEK_SET) != 0) return false;
        WordWriter image(file.stream(), image_at);
        write_image(image, db);
        return image.flush();
    }();
    if (too_big) return too_large();
    if (!written || !file.commit()) return write_failed(file);
    // Further reads of db see the file just written.
    if (db->file) {
        std::fclose(db->file);
        db->file = std::fopen(db->path, "r");
    }
    if (which_task != -2) ALIAS_write_to(alias_path_of(db->path).c_str());
    return 0;
}

}  // namespace

int SDB_save(SdbDatabase* db) { return save_design(db, nullptr); }

const char* SDB_save_why() { return save_why.c_str(); }

int SDB_save_objs(SdbDatabase* db, const SdbObjectSource* src) {
    if (!db || db != sdb || !src || src->n < 0 || (src->n > 0 && !src->get) || src->nnets < 0 ||
        (src->nnets > 0 && !src->nets))
        return -1;
    // What save_design refuses is refused before the nets take any link.
    if (!db->path || !db->symbols || db->partial) return cannot_save();
    SDB_update(db);
    const SdbTableSlot& sobj = db->slot[SDB_SOBJ];
    const SdbTableSlot& obj = db->slot[SDB_OBJ];
    const SdbTableSlot& node = db->slot[SDB_NODE];
    const SdbTableSlot& net = db->slot[SDB_NET];
    if (!sobj.data || !obj.data || !node.data || !net.data || sobj.count != obj.count) return -1;
    const int32_t nclass = db->slot[SDB_CLAS].data ? db->slot[SDB_CLAS].count : 0;
    const auto* cls_tab = static_cast<const SdbClass*>(db->slot[SDB_CLAS].data);
    // Every object and net is checked before anything changes.
    int64_t nodes = 0;
    int32_t kept = 0;
    for (int i = 0; i < src->n; ++i) {
        int32_t name = 0, cls = -1;
        src->get(src->ctx, i, &name, &cls);
        if (name != -1) kept = i + 1;
        if (cls == -1) continue;
        if (cls < 0 || cls >= nclass) {
            sdb_log_error(SDB_FATAL, "%s", FA_02_0008);
            return -1;
        }
        nodes += std::max(cls_tab[cls].pin_count, 0);
    }
    if (nodes != src->nnets || nodes + node.count >= std::numeric_limits<int32_t>::max() ||
        static_cast<int64_t>(obj.count) + src->n >= std::numeric_limits<int32_t>::max())
        return -1;
    const int32_t nnet = net.count;
    for (int64_t v = 0; v < nodes; ++v)
        if (src->nets[v] < -1 || src->nets[v] >= nnet) return -1;
    StreamedObjects st;
    st.src = src;
    st.first_obj = obj.count;
    st.first_node = node.count;
    st.kept = kept;
    st.nodes = nodes;
    // Each node's successor on its net: the next node of that net behind
    // it.  Then the first new node of each net goes behind the last node
    // the net held.
    // Both tables are filled at once: in huge pages, a page fault per
    // 4 KiB of them would cost more than the filling.
    st.next = std::make_unique_for_overwrite<int32_t[]>(static_cast<size_t>(nodes));
    RT_advise_huge_pages(st.next.get(), static_cast<size_t>(nodes) * sizeof(int32_t));
    std::vector<int32_t> later;
    RT_reserve_huge(later, static_cast<size_t>(nnet));
    later.assign(static_cast<size_t>(nnet), -1);
    for (int64_t v = nodes; v-- > 0;) {
        const int32_t n = src->nets[v];
        if (n == -1) {
            st.next[static_cast<size_t>(v)] = -1;
            continue;
        }
        int32_t& l = later[static_cast<size_t>(n)];
        st.next[static_cast<size_t>(v)] = l;
        l = st.first_node + static_cast<int32_t>(v);
    }
    auto* net_tab_of = static_cast<SdbNet*>(net.data);
    auto* node_tab_of = static_cast<SdbNode*>(node.data);
    // The last node of a net's list (-1 for none), or -2 when the list
    // is broken; the lists are checked before any of them changes.
    auto tail_of = [&](int32_t n) {
        int32_t t = net_tab_of[n].first_node;
        for (int32_t steps = 0; t != -1; ++steps) {
            if (t < 0 || t >= node.count || steps > node.count) return -2;
            if (node_tab_of[t].next == -1) break;
            t = node_tab_of[t].next;
        }
        return t;
    };
    // The tails of the nets that take new nodes and already hold some,
    // each list walked once; a net without nodes takes its first new one
    // as its first.
    std::vector<std::pair<int32_t, int32_t>> tails;  // net, its last node
    for (int32_t n = 0; n < nnet; ++n) {
        if (later[static_cast<size_t>(n)] == -1 || net_tab_of[n].first_node == -1) continue;
        const int32_t t = tail_of(n);
        if (t == -2) return -1;
        tails.emplace_back(n, t);
    }
    for (int32_t n = 0; n < nnet; ++n)
        if (net_tab_of[n].first_node == -1) net_tab_of[n].first_node = later[static_cast<size_t>(n)];
    for (const auto& [n, t] : tails) node_tab_of[t].next = later[static_cast<size_t>(n)];
    return save_design(db, &st);
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
