// The symbol table of a design: interned names, loaded and saved.
#include "sdb/sym.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/pages.h"
#include "sdb/internal.h"
#include "sdb/sdb_err.h"

int sym_model = 1;

// Names live in large chunks owned by the table rather than in one heap
// block each: a design has millions of short names.
struct SymbolNamePool {
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::vector<std::unique_ptr<char, Free>> chunks;
    char* cur = nullptr;
    size_t left = 0;
    size_t next_chunk = 16 * 1024;

    // A chunk of its own of n bytes, not cleared.
    char* block(size_t n) {
        char* p = static_cast<char*>(std::malloc(std::max<size_t>(n, 1)));
        if (!p) {
            sdb_exit_error(SDB_ERROR, FA_01_0002, "SYM_load()");
        }
        chunks.emplace_back(p);
        return p;
    }
    // The n bytes of a file at pos, mapped privately instead of read;
    // null when they cannot be mapped.
    char* map(int fd, int64_t pos, int64_t n) {
        const auto ps = static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
        const int64_t lo = pos / ps * ps;
        const auto len = static_cast<size_t>(pos + n - lo);
        if (n <= 0 || ps <= 0) return nullptr;
        // Pages come in as the entries are read (the rest of the file
        // may hold the tables, which are not to be brought in twice); a
        // write copies its page, so the names stay writable as the pool's
        // other chunks are.
        void* p = ::mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, static_cast<off_t>(lo));
        if (p == MAP_FAILED) return nullptr;
        maps.push_back({static_cast<char*>(p), len});
        return static_cast<char*>(p) + (pos - lo);
    }
    struct Mapping {
        char* base;
        size_t len;
    };
    std::vector<Mapping> maps;
    SymbolNamePool() = default;
    SymbolNamePool(const SymbolNamePool&) = delete;
    SymbolNamePool& operator=(const SymbolNamePool&) = delete;
    ~SymbolNamePool() {
        for (const Mapping& m : maps) ::munmap(m.base, m.len);
    }
    char* alloc(size_t n) {
        if (n > left) {
            size_t size = std::max(n, next_chunk);
            next_chunk = std::min<size_t>(next_chunk * 2, 1 << 20);
            cur = block(size);
            left = size;
        }
        char* p = cur;
        cur += n;
        left -= n;
        return p;
    }
    char* copy(const char* s) { return copy(s, std::strlen(s)); }
    // A name whose length (without its terminator) is known.
    char* copy(const char* s, size_t len) {
        const size_t n = len + 1;
        char* p = alloc(n);
        if (len > 0) std::memcpy(p, s, len);
        p[len] = '\0';
        return p;
    }
};

SymbolTable::SymbolTable() : pool(std::make_unique<SymbolNamePool>()) {}

SymbolTable::~SymbolTable() {
    if (entries) DYNA_free(&entries);
}

namespace {

// Entry count of SYM_pack_mem between moving out and back.
int packed_count = 0;

SymbolEntry* new_entries(int capacity, int growth) {
    auto* e = DYNA_new<SymbolEntry>(std::max(capacity, 1));
    DynaHeader* h = DYNA_header(e);
    h->fixed = 0;
    h->delta = std::max(growth, 1);
    return e;
}

// kept: the name lies in the table's storage already (SYM_keep).
int append_entry(SymbolTable* t, const char* name, bool kept = false) {
    sdbi::reserve(&t->entries, 1);
    int id = DYNA_add(&t->entries, 1);
    t->entries[id] = SymbolEntry{kept ? const_cast<char*>(name) : t->pool->copy(name), -1, -1};
    return id;
}

// Walks the bucket tree of name.  Returns the id found, or -1 with the
// place where a new entry would hang: *parent (-1 for an empty bucket)
// and *go_left.
int search(const SymbolTable* t, const char* name, uint32_t bucket, int* parent, bool* go_left) {
    *parent = -1;
    *go_left = false;
    int id = t->roots[bucket];
    while (id != -1) {
        const SymbolEntry& e = t->entries[id];
        int c = std::strcmp(e.name ? e.name : "", name);
        if (c == 0) return id;
        *parent = id;
        *go_left = c > 0;
        id = c > 0 ? e.left : e.right;
    }
    return -1;
}

void link(SymbolTable* t, uint32_t bucket, int parent, bool left, int id) {
    if (parent == -1)
        t->roots[bucket] = id;
    else if (left)
        t->entries[parent].left = id;
    else
        t->entries[parent].right = id;
}

uint32_t bucket_of(const SymbolTable* t, const char* name) {
    return SYM_hash(name) % static_cast<uint32_t>(t->nbuckets);
}

bool usable(const SymbolTable* t) { return t && t->nbuckets > 0 && t->entries; }

}  // namespace

uint32_t SYM_hash(const char* name) {
    uint32_t h = 0;
    for (const char* p = name; *p; ++p)
        h = ((h << 3) | (h >> 29)) + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    return h;
}

SymbolTable* SYM_init(int nbuckets) {
    if (nbuckets <= 0) return nullptr;
    auto t = std::make_unique<SymbolTable>();
    t->nbuckets = nbuckets;
    t->roots.assign(static_cast<size_t>(nbuckets), -1);
    t->entries = new_entries(sym_model * 20480, sym_model * 5120);
    SYM_install(t.get(), "*UNDEF*");
    return t.release();
}

int SYM_lookup(SymbolTable* table, const char* name) {
    if (!usable(table) || !name) return -1;
    int parent;
    bool left;
    return search(table, name, bucket_of(table, name), &parent, &left);
}

int SYM_install(SymbolTable* table, const char* name) {
    if (!usable(table) || !name) return -1;
    int id = append_entry(table, name);
    uint32_t b = bucket_of(table, name);
    int parent;
    bool left;
    if (search(table, name, b, &parent, &left) != -1) return id;  // an equal name: left unlinked
    link(table, b, parent, left, id);
    return id;
}

int SYM_setup(SymbolTable* table, const char* name) {
    if (!usable(table) || !name) return -1;
    uint32_t b = bucket_of(table, name);
    int parent;
    bool left;
    int found = search(table, name, b, &parent, &left);
    if (found != -1) return found;
    int id = append_entry(table, name);
    link(table, b, parent, left, id);
    return id;
}

namespace {

void install_sorted(SymbolTable* table, const char* const* names, int32_t* ids, size_t n, bool kept) {
    if (!usable(table) || n == 0) return;
    const uint32_t b = bucket_of(table, names[0]);
    struct Span {
        size_t a, e;
        int parent;
        bool left;
    };
    std::vector<Span> stack{{0, n, -1, false}};
    const bool empty = table->roots[b] == -1;
    if (empty) sdbi::reserve(&table->entries, static_cast<int>(n));
    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        if (s.a >= s.e) continue;
        const size_t m = s.a + (s.e - s.a) / 2;
        int id;
        if (empty) {
            // Middle first: each name hangs below the middle of the span
            // around it, where a search would have put it.
            id = append_entry(table, names[m], kept);
            link(table, b, s.parent, s.left, id);
        } else {
            id = SYM_setup(table, names[m]);
        }
        ids[m] = id;
        stack.push_back({m + 1, s.e, id, false});
        stack.push_back({s.a, m, id, true});
    }
}

}  // namespace

void SYM_install_sorted(SymbolTable* table, const char* const* names, int32_t* ids, size_t n) {
    install_sorted(table, names, ids, n, false);
}

void SYM_install_kept(SymbolTable* table, const char* const* names, int32_t* ids, size_t n) {
    install_sorted(table, names, ids, n, true);
}

const char* SYM_keep(SymbolTable* table, const char* text, size_t len) {
    if (!table || !table->pool || (len > 0 && !text)) return nullptr;
    return table->pool->copy(text, len);
}

int SYM_count(const SymbolTable* table) { return table && table->entries ? DYNA_count(table->entries) : 0; }

const char* SYM_get(const SymbolTable* table, int id) {
    if (id < 0 || id >= SYM_count(table)) return nullptr;
    return table->entries[id].name;
}

SymbolEntry* SYM_query(SymbolTable* table, int id) {
    if (id < 0 || id >= SYM_count(table)) return nullptr;
    return &table->entries[id];
}

void SYM_free(SymbolTable* table) { std::unique_ptr<SymbolTable> owned(table); }

void SYM_set_model(int n) {
    if (n >= 1 && n <= 500) sym_model = n;
}

void SYM_reset_globals() {
    sym_model = 1;
    packed_count = 0;
    sdbi::file_is_big = false;
}

namespace sdbi {

namespace {

// True when no entry is reached twice from the roots, walking the trees.
bool trees_walk(const SymbolTable* t, int32_t count) {
    std::vector<uint8_t> seen(static_cast<size_t>(count), 0);
    std::vector<int32_t> stack;
    for (int32_t r : t->roots) {
        if (r == -1) continue;
        stack.push_back(r);
        while (!stack.empty()) {
            int32_t id = stack.back();
            stack.pop_back();
            if (seen[static_cast<size_t>(id)]) return false;
            seen[static_cast<size_t>(id)] = 1;
            const SymbolEntry& e = t->entries[id];
            if (e.left != -1) stack.push_back(e.left);
            if (e.right != -1) stack.push_back(e.right);
        }
    }
    return true;
}

}  // namespace

SymLoad sym_begin(FdReader& in, SymSection& s, int map_fd) {
    int32_t magic_len = 0;
    if (!in.word(magic_len) || magic_len != 4) return SymLoad::BadMagic;
    const uint8_t* magic = in.view(4);
    if (!magic || std::memcmp(magic, "SYM", 4) != 0) return SymLoad::BadMagic;
    int32_t version, nbuckets;
    if (!in.word(version)) return SymLoad::BadMagic;
    // The head: the bucket count and two words without meaning in a file.
    if (!in.word(nbuckets) || !in.view(8)) return SymLoad::ShortRead;
    if (nbuckets <= 0) return SymLoad::Corrupt;
    if (int64_t{nbuckets} * 4 > in.remaining()) return SymLoad::ShortRead;
    if (beyond_file_reach(in.tell(), nbuckets, 4)) return SymLoad::Corrupt;
    auto t = std::make_unique<SymbolTable>();
    t->nbuckets = nbuckets;
    t->roots.resize(static_cast<size_t>(nbuckets));
    for (int32_t& r : t->roots)
        if (!in.word(r)) return SymLoad::ShortRead;
    int32_t count;
    if (!in.word(count)) return SymLoad::ShortRead;
    if (count < 0) return SymLoad::Corrupt;
    // An entry takes at least 13 bytes: length, one byte of name, two ids.
    if (int64_t{count} * 13 > in.remaining()) return SymLoad::ShortRead;
    if (beyond_file_reach(in.tell(), count, 13)) return SymLoad::Corrupt;
    for (int32_t r : t->roots)
        if (r < -1 || r >= count) return SymLoad::Corrupt;
    t->entries = new_entries(count, sym_model * 5120);
    DYNA_set_count(t->entries, count);
    // The entries are written once each, by the threads that make them:
    // huge pages spare most of the faults of bringing the array in.
    RT_advise_huge_pages(t->entries, static_cast<size_t>(count) * sizeof(SymbolEntry));
    // The entries are read as they lie into one block of the pool, which
    // the names then stay in; the block is filled only as far as the
    // section goes (its untouched rest costs no memory).
    s.count = count;
    s.start = in.tell();
    // The section lies within the file's reach: bytes behind it are never
    // brought in, whatever the size of the file.
    s.room = std::min(in.remaining(), kFileReach - s.start);
    if (map_fd >= 0 && (s.block = t->pool->map(map_fd, s.start, s.room)) != nullptr) {
        s.loaded = s.room;
    } else {
        s.block = t->pool->block(static_cast<size_t>(s.room));
    }
    s.table = std::move(t);
    return SymLoad::Ok;
}

bool sym_fill(FdReader& in, SymSection& s, int64_t need) {
    while (s.loaded < need) {
        int64_t step = std::min(s.room - s.loaded, std::max<int64_t>(need - s.loaded, 4 << 20));
        in.seek(s.start + s.loaded);
        if (step <= 0 || !in.read(s.block + s.loaded, static_cast<size_t>(step))) return false;
        s.loaded += step;
    }
    return true;
}

SymLoad sym_scan(FdReader& in, SymSection& s, std::atomic<int32_t>* done) {
    const bool big = in.big();
    int64_t at = 0;
    s.piece_at.assign(static_cast<size_t>(pieces_of(s.count, kSymPiece)), 0);
    // Pieces 0 .. n - 1 lie whole in the block from here on.
    auto publish = [&](int32_t n) {
        if (!done) return;
        done->store(n, std::memory_order_release);
        done->notify_all();
    };
    auto scan = [&]() {
        for (int32_t i = 0; i < s.count; ++i) {
            if (i % kSymPiece == 0) {
                if (i > 0) {
                    if (!sym_fill(in, s, at)) return SymLoad::ShortRead;
                    publish(i / kSymPiece);
                }
                s.piece_at[static_cast<size_t>(i / kSymPiece)] = at;
            }
            if (at + 4 > s.loaded && !sym_fill(in, s, at + 4)) return SymLoad::ShortRead;
            int32_t len = load_word(reinterpret_cast<uint8_t*>(s.block + at), big);
            if (len <= 0) return SymLoad::Corrupt;
            if (len > s.room - at - 12) return SymLoad::ShortRead;
            at += 12 + len;
        }
        if (!sym_fill(in, s, at)) return SymLoad::ShortRead;
        return SymLoad::Ok;
    };
    const SymLoad r = scan();
    if (r != SymLoad::Ok) {
        publish(-1);
        return r;
    }
    s.end = at;
    in.seek(s.start + at);
    publish(s.pieces());
    return SymLoad::Ok;
}

SymLoad sym_parse(SymSection& s, int32_t piece, bool big, LinkBits& links) {
    const int32_t count = s.count;
    const int32_t first = piece * kSymPiece;
    const int32_t last = std::min(count, first + kSymPiece);
    SymbolEntry* entries = s.table->entries;
    auto in_range = [count](int32_t id) { return id >= -1 && id < count; };
    int64_t at = s.piece_at[static_cast<size_t>(piece)];
    for (int32_t i = first; i < last; ++i) {
        int32_t len = load_word(reinterpret_cast<uint8_t*>(s.block + at), big);
        char* name = s.block + at + 4;
        if (name[len - 1] != '\0' || std::strlen(name) != static_cast<size_t>(len - 1)) return SymLoad::Corrupt;
        int32_t left = load_word(reinterpret_cast<uint8_t*>(name + len), big);
        int32_t right = load_word(reinterpret_cast<uint8_t*>(name + len + 4), big);
        if (!in_range(left) || !in_range(right)) return SymLoad::Corrupt;
        entries[i] = SymbolEntry{name, left, right};
        links.mark(left);
        links.mark(right);
        at += 12 + len;
    }
    return SymLoad::Ok;
}

SymLoad sym_end(SymSection& s, std::vector<LinkBits>& links, SymbolTable** out) {
    // Ids must lie in range, and every entry in at most one tree at most
    // once, so that the tree walks of look-ups end.  When no entry has two
    // links to it (roots and children counted) that holds at once.
    LinkBits roots(static_cast<size_t>(s.count));
    for (int32_t r : s.table->roots) roots.mark(r);
    links.push_back(std::move(roots));
    if (!links_once(links) && !trees_walk(s.table.get(), s.count)) return SymLoad::Corrupt;
    *out = s.table.release();
    return SymLoad::Ok;
}

SymLoad sym_load(FdReader& in, SymbolTable** out) {
    *out = nullptr;
    SymSection s;
    SymLoad r = sym_begin(in, s);
    if (r == SymLoad::Ok) r = sym_scan(in, s);
    std::vector<LinkBits> links(1, LinkBits(static_cast<size_t>(s.count)));
    for (int32_t p = 0; r == SymLoad::Ok && p < s.pieces(); ++p) r = sym_parse(s, p, in.big(), links[0]);
    if (r == SymLoad::Ok) r = sym_end(s, links, out);
    return r;
}

bool links_once(const std::vector<LinkBits>& sets) {
    // Sets left empty marked nothing.
    size_t words = 0;
    for (const LinkBits& l : sets) words = std::max(words, l.bits.size());
    std::vector<uint64_t> all(words, 0);
    for (const LinkBits& l : sets) {
        if (l.twice) return false;
        for (size_t i = 0; i < l.bits.size(); ++i) {
            if (all[i] & l.bits[i]) return false;
            all[i] |= l.bits[i];
        }
    }
    return true;
}

void sym_write(WordWriter& out, const SymbolTable* t) {
    out.word(4);
    out.bytes("SYM", 4);
    out.word(100);
    out.word(t->nbuckets);
    out.word(0);
    out.word(0);
    for (int32_t r : t->roots) out.word(r);
    int count = SYM_count(t);
    out.word(count);
    // Ids follow the buckets' trees, not the order in which the names
    // were stored: the names a little ahead are fetched meanwhile.
    constexpr int kAhead = 16;
    for (int i = 0; i < count; ++i) {
        if (i + kAhead < count) __builtin_prefetch(t->entries[i + kAhead].name);
        const SymbolEntry& e = t->entries[i];
        const char* name = e.name ? e.name : "";
        const size_t len = std::strlen(name) + 1;
        out.word(static_cast<int32_t>(len));
        out.bytes(name, len);
        out.word(e.left);
        out.word(e.right);
    }
}

}  // namespace sdbi

SymbolTable* SYM_load(FILE* stream) {
    if (!stream) return nullptr;
    std::fflush(stream);
    int fd = fileno(stream);
    struct stat st {};
    off_t pos = ftello(stream);
    if (fd < 0 || fstat(fd, &st) != 0 || pos < 0) return nullptr;
    sdbi::FdReader in(fd, st.st_size, pos, sdbi::file_is_big);
    SymbolTable* t = nullptr;
    if (sdbi::sym_load(in, &t) == sdbi::SymLoad::ShortRead) sdb_log_error(SDB_ERROR, "%s", FA_01_0005);
    fseeko(stream, in.tell(), SEEK_SET);
    return t;
}

int SYM_save(FILE* stream, const SymbolTable* table) {
    if (!stream || !table) return 1;
    sdbi::WordWriter out(stream, ftello(stream));
    sdbi::sym_write(out, table);
    return out.flush() ? 0 : 1;
}

int SYM_pack_mem(int restore, FILE* stream, SymbolTable* table) {
    if (!stream || !table) return 1;
    if (!restore) {
        int count = SYM_count(table);
        {
            sdbi::WordWriter out(stream, 0);
            for (int i = 0; i < count; ++i) {
                out.word(0);  // the name pointer has no meaning outside memory
                out.word(table->entries[i].left);
                out.word(table->entries[i].right);
            }
            for (int i = 0; i < count; ++i) {
                const char* name = table->entries[i].name;
                size_t len = name ? std::strlen(name) + 1 : 0;
                out.word(static_cast<int32_t>(len));
                if (len) out.bytes(name, len);
            }
            if (!out.flush()) return 1;
        }
        DYNA_free(&table->entries);
        table->entries = nullptr;
        table->pool = std::make_unique<SymbolNamePool>();
        packed_count = count;
        return 0;
    }
    std::fflush(stream);
    int fd = fileno(stream);
    struct stat st {};
    off_t pos = ftello(stream);
    if (fd < 0 || fstat(fd, &st) != 0 || pos < 0) return 1;
    sdbi::FdReader in(fd, st.st_size, pos, false);
    int count = packed_count;
    SymbolEntry* e = new_entries(count, count / 4);
    DYNA_set_count(e, count);
    auto fail = [&] {
        DYNA_free(&e);
        return 1;
    };
    for (int i = 0; i < count; ++i) {
        int32_t ignored;
        e[i].name = nullptr;
        if (!in.word(ignored) || !in.word(e[i].left) || !in.word(e[i].right)) return fail();
    }
    for (int i = 0; i < count; ++i) {
        int32_t len;
        if (!in.word(len) || len < 0 || len > in.remaining()) return fail();
        if (len == 0) continue;
        char* name = table->pool->alloc(static_cast<size_t>(len));
        if (!in.read(name, static_cast<size_t>(len))) return fail();
        name[len - 1] = '\0';
        e[i].name = name;
    }
    fseeko(stream, in.tell(), SEEK_SET);
    table->entries = e;
    packed_count = 0;
    return 0;
}
