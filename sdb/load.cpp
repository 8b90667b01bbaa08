// Reading the tables and the symbol section of a design file.
//
// The tables are cut into pieces of about a megabyte; each piece is read
// straight into its table's array (or, mapped from the file, is there
// already), turned in place from file words into records, and its index
// words are checked against the counts of the tables they refer to.
// Meanwhile one task reads the symbol entries and finds where each
// begins; each piece of them is made into entries as soon as its end is
// known.  Large designs spread the pieces over a few threads, which also
// spreads the cost of bringing the new memory in; the threads are joined
// before the open goes on, and nothing outside this file sees them.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <thread>
#include <vector>

#include "runtime/pages.h"
#include "runtime/workers.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace sdbi {

namespace {

constexpr int64_t kPiece = 1 << 20;
constexpr int64_t kThreadedBytes = 8 << 20;  // below this one thread reads everything

// The task that reads the symbol entries and finds where each begins,
// and the tasks that make the entries of one piece of them.
constexpr int kSymbolEntries = -1;
constexpr int kSymbolPiece = -2;
// A piece of the checks made once every table is in.
constexpr int kAfterTables = -3;

struct Task {
    int k = kSymbolEntries;
    bool mapped = false;     // the bytes lie in place already: nothing is read
    uint8_t* dst = nullptr;  // the first record checked
    int32_t count = 0;       // records checked
    int32_t first = 0;       // index of the first record; the piece of a kSymbolPiece or kAfterTables task
    // The bytes read: len bytes at file offset `from` into `to`.
    uint8_t* to = nullptr;
    int64_t len = 0;
    int64_t from = 0;
};

bool pread_all(int fd, uint8_t* dst, int64_t n, int64_t off) {
    while (n > 0) {
        ssize_t r = ::pread(fd, dst, static_cast<size_t>(n), off);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        dst += r;
        n -= r;
        off += r;
    }
    return true;
}

class Loader {
public:
    Loader(int fd, bool big, const TableCounts& c) : fd_(fd), big_(big), c_(c) {}

    // Turns the records of one piece in place and checks them; false for
    // an index word out of range.
    bool process(const Task& t, LinkBits* links) {
        const bool big = big_;
        auto w = [big](const uint8_t* p, int i) { return load_word(p + 4 * i, big); };
        auto flags = [big](const uint8_t* p, int i, uint32_t (*conv)(uint32_t)) {
            uint32_t v = load_le32(p + 4 * i);
            return big ? conv(v) : v;
        };
        auto in = [](int32_t v, int32_t lo, int32_t n) { return v >= lo && v < n; };
        const TableCounts& c = c_;
        const int32_t nsym = c.nsym;
        auto n = [&c](int k) { return c.n[k]; };
        auto has = [&c](int k) { return c.loaded[k]; };
        // A port or pin is named by a symbol of its own, or -1 once deleted;
        // symbol 0 ("*UNDEF*") names nothing, so a record that holds it is
        // damaged.
        auto port_or_pin_name = [&](int32_t v) { return v == -1 || in(v, 1, nsym); };
        auto name_word = [&](int32_t v) {
            return v >= 0 ? v < nsym : (v > -6 || !has(SDB_PREF) || sdb_prefix_of(v) < n(SDB_PREF));
        };
        switch (t.k) {
            case SDB_CLAS:
                return each<SdbClass>(t, [&](const uint8_t* p) {
                    return SdbClass{w(p, 0), w(p, 1), w(p, 2), w(p, 3), w(p, 4), w(p, 5), w(p, 6), w(p, 7)};
                }, [&](const SdbClass& r) {
                    return in(r.name, -1, nsym) && r.pin_count >= 0 &&
                           (!has(SDB_PIN) || r.pin_count == 0 ||
                            (r.first_pin >= 0 && int64_t{r.first_pin} + r.pin_count <= n(SDB_PIN)));
                });
            case SDB_PORT:
                return each<SdbPort>(t, [&](const uint8_t* p) {
                    return SdbPort{w(p, 0), w(p, 1), w(p, 2), flags(p, 3, port_flags_from_big)};
                }, [&](const SdbPort& r) {
                    return port_or_pin_name(r.name) && (!has(SDB_NODE) || in(r.node, -1, n(SDB_NODE)));
                });
            case SDB_OBJ:
                return each<SdbObject>(t, [&](const uint8_t* p) {
                    return SdbObject{w(p, 0), w(p, 1), flags(p, 2, obj_flags_from_big)};
                }, [&](const SdbObject& r) {
                    return (!has(SDB_CLAS) || in(r.cls, -1, n(SDB_CLAS))) &&
                           (!has(SDB_NODE) || in(r.first_node, -1, n(SDB_NODE)));
                });
            case SDB_NET:
                return each<SdbNet>(t, [&](const uint8_t* p) {
                    return SdbNet{w(p, 0), flags(p, 1, net_flags_from_big)};
                }, [&](const SdbNet& r) {
                    if (!has(SDB_NODE)) return true;
                    if (!in(r.first_node, -1, n(SDB_NODE))) return false;
                    if (links) links->mark(r.first_node);
                    return true;
                });
            case SDB_NODE:
                return each<SdbNode>(t, [&](const uint8_t* p) {
                    return SdbNode{w(p, 0), w(p, 1), w(p, 2), w(p, 3), flags(p, 4, node_flags_from_big)};
                }, [&](const SdbNode& r) {
                    if (!in(r.next, -1, n(SDB_NODE))) return false;
                    if (links) links->mark(r.next);
                    if (has(SDB_OBJ) && !in(r.object, -1, n(SDB_OBJ))) return false;
                    if (has(SDB_NET) && !in(r.net, -1, n(SDB_NET))) return false;
                    if (r.object >= 0) return !has(SDB_PIN) || in(r.pin, -1, n(SDB_PIN));
                    return !has(SDB_PORT) || in(r.pin, -1, n(SDB_PORT));
                });
            case SDB_PIN:
                return each<SdbPin>(t, [&](const uint8_t* p) { return SdbPin{w(p, 0), w(p, 1)}; },
                                    [&](const SdbPin& r) { return port_or_pin_name(r.name); });
            case SDB_PREF: {
                // Entries made by the makers refer only to earlier entries;
                // then their links cannot go round in a circle.
                int32_t index = t.first;
                bool down = true;
                bool ok = each<SdbPrefixEntry>(t, [&](const uint8_t* p) {
                    return SdbPrefixEntry{w(p, 0), w(p, 1), w(p, 2)};
                }, [&](const SdbPrefixEntry& r) {
                    down &= r.parent < index && (r.name > -6 || sdb_prefix_of(r.name) < index);
                    ++index;
                    return (r.name >= 0 ? r.name < nsym : (r.name > -6 || sdb_prefix_of(r.name) < n(SDB_PREF))) &&
                           in(r.parent, -1, n(SDB_PREF));
                });
                if (!down) prefix_down_ = false;
                return ok;
            }
            case SDB_SOBJ:
            case SDB_SNET:
                return each<int32_t>(t, [&](const uint8_t* p) { return w(p, 0); }, name_word);
            case SDB_XPIN:
            case SDB_XNOD:
            case SDB_XPOR:
                return each<int32_t>(t, [&](const uint8_t* p) { return w(p, 0); }, [](int32_t) { return true; });
            default: return true;  // kept as the bytes they are
        }
    }

    // Reads a piece; false when the file ends first.
    bool read(const Task& t) { return pread_all(fd_, t.to, t.len, t.from); }

    static int record_size(int k) { return sdb_slot_info[k].size; }
    bool prefix_down() const { return prefix_down_; }

private:
    template <class T, class Decode, class Check>
    bool each(const Task& t, Decode decode, Check check) const {
        const int size = record_size(t.k);
        T* out = reinterpret_cast<T*>(t.dst);
        bool ok = true;
        if (!big_) {
            // The words of a little-endian file are the records already:
            // they are only checked (a mapped table is not written).
            static_assert(std::endian::native == std::endian::little);
            for (int32_t j = 0; j < t.count; ++j) ok &= check(out[j]);
            return ok;
        }
        for (int32_t j = 0; j < t.count; ++j) {
            // Every word is taken before the record over them is written.
            T r = decode(t.dst + static_cast<size_t>(j) * static_cast<size_t>(size));
            out[j] = r;
            ok &= check(r);
        }
        return ok;
    }

    int fd_;
    bool big_;
    const TableCounts& c_;
    std::atomic<bool> prefix_down_{true};
};

}  // namespace

CopyPlan plan_copy(uintptr_t at, int32_t count, int record_size) {
    CopyPlan plan;
    const auto huge = static_cast<uintptr_t>(kHugePageBytes);
    const int64_t rs = record_size;
    const int64_t bytes = int64_t{count} * rs;
    for (int64_t lo = 0; lo < bytes;) {
        const auto end = static_cast<int64_t>((at + static_cast<uintptr_t>(lo)) / huge * huge + huge - at);
        const int64_t hi = std::min(bytes, end);
        const int64_t first = (lo + rs - 1) / rs, last = hi / rs;  // records lying whole in [lo, hi)
        plan.pieces.push_back(CopyPiece{lo, hi, static_cast<int32_t>(first),
                                        static_cast<int32_t>(std::max<int64_t>(last - first, 0))});
        if (hi % rs != 0) plan.shared.push_back(static_cast<int32_t>(last));
        lo = hi;
    }
    return plan;
}

void* new_table(int k, int32_t count) {
    const SdbSlotInfo& info = sdb_slot_info[k];
    void* a = DYNA_init(count + 1, info.size);
    DynaHeader* h = DYNA_header(a);
    h->fixed = 0;
    h->delta = info.growth;
    DYNA_set_count(a, count);
    RT_advise_huge_pages(a, static_cast<size_t>(count) * static_cast<size_t>(info.size));
    std::memset(static_cast<uint8_t*>(a) + static_cast<size_t>(count) * static_cast<size_t>(info.size), 0xFF,
                static_cast<size_t>(info.size));
    return a;
}

void* map_table(int k, int fd, int64_t size, int64_t offset, int32_t count) {
    const SdbSlotInfo& info = sdb_slot_info[k];
    if (count <= 0 || info.size <= 0) return nullptr;
    void* a = DYNA_map(fd, size, offset, count, info.size);
    if (!a) return nullptr;
    DynaHeader* h = DYNA_header(a);
    h->fixed = 0;
    h->delta = info.growth;
    std::memset(static_cast<uint8_t*>(a) + static_cast<size_t>(count) * static_cast<size_t>(info.size), 0xFF,
                static_cast<size_t>(info.size));
    return a;
}

TableLoad load_tables(int fd, int64_t size, bool big, const TableCounts& counts, const std::vector<TableJob>& jobs,
                      int64_t sym_pos, SymLoad* sym_status, SymbolTable** symbols, const AfterTables* after) {
    std::vector<Task> tasks;
    int64_t total = 0;

    // The symbol section: its head now; its entries are read and found by
    // one task while the others read the tables.
    SymSection sec;
    SymLoad sym = SymLoad::Ok;
    FdReader sin(fd, size, std::max<int64_t>(sym_pos, 0), big);
    if (sym_pos >= 0) {
        // The entries of a little-endian file are used where they lie.
        sym = sym_begin(sin, sec, big ? -1 : fd);
        if (sym == SymLoad::Ok) {
            tasks.push_back(Task{});
            total += int64_t{sec.count} * 13;
        }
    }
    // Records that two pieces of a copied table share: checked when both
    // pieces are in.
    std::vector<Task> straddling;
    const size_t first_table_task = tasks.size();
    for (const TableJob& j : jobs) {
        int rs = Loader::record_size(j.k);
        if (j.count <= 0 || rs <= 0) continue;
        auto* base = static_cast<uint8_t*>(j.data);
        const int64_t bytes = int64_t{j.count} * rs;
        if (!big && !j.mapped) {
            // A copied table of a file in this machine's byte order is read
            // in pieces that end where the huge pages of its array end, so
            // that no two threads bring in the same fresh page.
            const CopyPlan plan = plan_copy(reinterpret_cast<uintptr_t>(base), j.count, rs);
            for (const CopyPiece& c : plan.pieces) {
                Task t;
                t.k = j.k;
                t.first = c.first;
                t.count = c.count;
                t.dst = base + int64_t{c.first} * rs;
                t.to = base + c.lo;
                t.len = c.hi - c.lo;
                t.from = j.offset + c.lo;
                tasks.push_back(t);
            }
            for (int32_t i : plan.shared) {
                Task r;
                r.k = j.k;
                r.first = i;
                r.count = 1;
                r.dst = base + int64_t{i} * rs;
                straddling.push_back(r);
            }
        } else {
            int32_t per = static_cast<int32_t>(std::max<int64_t>(1, kPiece / rs));
            for (int32_t first = 0; first < j.count; first += per) {
                int32_t n = std::min(per, j.count - first);
                Task t;
                t.k = j.k;
                t.mapped = j.mapped;
                t.dst = base + static_cast<size_t>(first) * static_cast<size_t>(rs);
                t.count = n;
                t.first = first;
                t.to = t.dst;
                t.len = int64_t{n} * rs;
                t.from = j.offset + int64_t{first} * rs;
                tasks.push_back(t);
            }
        }
        total += bytes;
    }
    const auto table_tasks = static_cast<int64_t>(tasks.size() - first_table_task);
    // The pieces of the symbol entries follow: each is made as soon as the
    // scan has found where it ends, while the scan goes on.
    const bool symbols_read = sym_pos >= 0 && sym == SymLoad::Ok;
    const int32_t sym_pieces = symbols_read ? pieces_of(sec.count, kSymPiece) : 0;
    for (int32_t p = 0; p < sym_pieces; ++p) {
        Task t;
        t.k = kSymbolPiece;
        t.first = p;
        tasks.push_back(t);
    }
    // The checks that need whole tables come last; a thread that takes one
    // waits for the table pieces still being read.
    const size_t after_pieces = after ? after->pieces : 0;
    for (size_t p = 0; p < after_pieces; ++p) {
        Task t;
        t.k = kAfterTables;
        t.first = static_cast<int32_t>(p);
        tasks.push_back(t);
    }
    const bool check_links = counts.loaded[SDB_NODE] && counts.loaded[SDB_NET];
    unsigned threads = total >= kThreadedBytes ? RT_max_threads() : 1;
    threads = std::min(threads, static_cast<unsigned>(std::max<size_t>(tasks.size(), 1)));

    Loader loader(fd, big, counts);
    std::atomic<bool> short_read{false}, bad_index{false}, bad_symbols{false}, after_unsound{false};
    // Each thread's link bits are made (and cleared) by the thread, when it
    // first needs them.
    std::vector<LinkBits> links(threads), tree_links(threads);
    auto node_links = [&](unsigned self) {
        LinkBits& l = links[self];
        if (l.bits.empty()) l = LinkBits(static_cast<size_t>(counts.n[SDB_NODE]));
        return &l;
    };
    std::atomic<int32_t> scanned{0};
    std::atomic<int64_t> tables_left{table_tasks};
    RT_run_parallel(tasks.size(), threads, [&](size_t i, unsigned self) {
        const Task& t = tasks[i];
        if (t.k == kSymbolEntries) {
            try {
                sym = sym_scan(sin, sec, &scanned);
            } catch (...) {
                // The pieces that wait for the scan are let go (the step
                // hands the exception to its caller).
                scanned.store(-1, std::memory_order_release);
                scanned.notify_all();
                throw;
            }
            return;
        }
        if (t.k == kSymbolPiece) {
            // The scan runs on another thread (or ran before, on this one).
            int32_t known;
            while ((known = scanned.load(std::memory_order_acquire)) >= 0 && known <= t.first) scanned.wait(known);
            if (known < 0) return;  // the scan failed: its status says why
            LinkBits& l = tree_links[self];
            if (l.bits.empty()) l = LinkBits(static_cast<size_t>(sec.count));
            if (sym_parse(sec, t.first, big, l) != SymLoad::Ok) bad_symbols = true;
            return;
        }
        if (t.k == kAfterTables) {
            // Every table piece was taken before this one: wait for those
            // still being read.
            int64_t left;
            while ((left = tables_left.load(std::memory_order_acquire)) > 0) tables_left.wait(left);
            if (!short_read.load(std::memory_order_relaxed) && !after->check(static_cast<size_t>(t.first)))
                after_unsound = true;
            return;
        }
        auto done = [&tables_left] {
            if (tables_left.fetch_sub(1, std::memory_order_acq_rel) == 1) tables_left.notify_all();
        };
        if (short_read.load(std::memory_order_relaxed)) return done();
        try {
            if (!t.mapped && !loader.read(t)) {
                short_read = true;
                return done();
            }
            const bool links_here = check_links && (t.k == SDB_NET || t.k == SDB_NODE);
            if (!loader.process(t, links_here ? node_links(self) : nullptr)) bad_index = true;
        } catch (...) {
            // The checks that wait for the tables are let go.
            short_read = true;
            done();
            throw;
        }
        done();
    });

    if (!short_read)
        for (const Task& t : straddling) {
            const bool links_here = check_links && (t.k == SDB_NET || t.k == SDB_NODE);
            if (!loader.process(t, links_here ? node_links(0) : nullptr)) bad_index = true;
        }

    if (sym_pos >= 0) {
        if (sym == SymLoad::Ok) sym = bad_symbols ? SymLoad::Corrupt : sym_end(sec, tree_links, symbols);
        *sym_status = sym;
    }

    TableLoad r;
    r.short_read = short_read;
    r.bad_index = bad_index;
    r.prefix_down = loader.prefix_down();
    r.after_checked = after_pieces > 0;
    r.after_sound = !after_unsound;
    if (check_links) r.links_simple = links_once(links);
    return r;
}

}  // namespace sdbi
