// Opening, validating, setting up and closing a design.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/run_inputs.h"
#include "runtime/workers.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

SdbDatabase* sdb = nullptr;
SdbClass* class_tab = nullptr;
SdbPort* port_tab = nullptr;
SdbObject* obj_tab = nullptr;
SdbNet* net_tab = nullptr;
SdbNode* node_tab = nullptr;
SdbPin* pin_tab = nullptr;
int32_t* sobj_tab = nullptr;
int32_t* snet_tab = nullptr;
int32_t* xpin_tab = nullptr;
int32_t* xnode_tab = nullptr;
SdbPrefixEntry* prefix_tab = nullptr;
int32_t* xport_tab = nullptr;
SymbolTable* sym_tab = nullptr;
int class_count = 0, port_count = 0, obj_count = 0, net_count = 0, node_count = 0, pin_count = 0;
int prefix_count = 0, xport_count = 0, xpin_count = 0, xnode_count = 0;

int sdb_errnoG = 0;
int sdb_obj_count = 0;
int sdb_net_count = 0;
int which_task = 0;
char sdb_hier_dot = '.';
const char* quendal_write_dir = nullptr;
const int task_load[5] = {0xFFFF, 0xFC1F, 0xFC1F, 0x0803, 0xFFFF};
int sdb_model = 1;

const SdbSlotInfo sdb_slot_info[SDB_NUM_STD_SLOTS] = {
    {"CLAS", 32, 512, 256},   {"PORT", 16, 1024, 512}, {"OBJ", 12, 5120, 5120}, {"NET", 8, 5120, 5120},
    {"NODE", 20, 5120, 5120}, {"PIN", 8, 5120, 2048},  {"SOBJ", 4, 5120, 5120}, {"SNET", 4, 5120, 5120},
    {"XPIN", 4, 1024, 256},   {"XNOD", 4, 1024, 256},  {"PREF", 12, 512, 5120}, {"XPOR", 4, 512, 128},
    {"PROP", 4, 1024, 512},   {"S13", 0, 128, 64},     {"S14", 0, 128, 64},     {"S15", 732, 128, 32},
};

static_assert(sizeof(SdbClass) == 32 && sizeof(SdbPort) == 16 && sizeof(SdbObject) == 12 && sizeof(SdbNet) == 8 &&
                  sizeof(SdbNode) == 20 && sizeof(SdbPin) == 8 && sizeof(SdbPrefixEntry) == 12,
              "records hold their words and nothing else");

namespace {

using sdbi::FdReader;
using sdbi::load_le32;
using sdbi::load_word;

// Every cached array and count from db's slots (all null for none).
void publish(SdbDatabase* db) {
    auto data = [db](int k) { return db ? db->slot[k].data : nullptr; };
    auto count = [db](int k) { return db && db->slot[k].data ? db->slot[k].count : 0; };
    class_tab = static_cast<SdbClass*>(data(SDB_CLAS));
    port_tab = static_cast<SdbPort*>(data(SDB_PORT));
    obj_tab = static_cast<SdbObject*>(data(SDB_OBJ));
    net_tab = static_cast<SdbNet*>(data(SDB_NET));
    node_tab = static_cast<SdbNode*>(data(SDB_NODE));
    pin_tab = static_cast<SdbPin*>(data(SDB_PIN));
    sobj_tab = static_cast<int32_t*>(data(SDB_SOBJ));
    snet_tab = static_cast<int32_t*>(data(SDB_SNET));
    xpin_tab = static_cast<int32_t*>(data(SDB_XPIN));
    xnode_tab = static_cast<int32_t*>(data(SDB_XNOD));
    prefix_tab = static_cast<SdbPrefixEntry*>(data(SDB_PREF));
    xport_tab = static_cast<int32_t*>(data(SDB_XPOR));
    sym_tab = db ? db->symbols : nullptr;
    class_count = count(SDB_CLAS);
    port_count = count(SDB_PORT);
    obj_count = count(SDB_OBJ);
    net_count = count(SDB_NET);
    node_count = count(SDB_NODE);
    pin_count = count(SDB_PIN);
    prefix_count = count(SDB_PREF);
    xport_count = count(SDB_XPOR);
    xpin_count = count(SDB_XPIN);
    xnode_count = count(SDB_XNOD);
}

// Handle of the global that caches slot k, or null for slots without one.
void** cached_handle(int k) {
    switch (k) {
        case SDB_CLAS: return reinterpret_cast<void**>(&class_tab);
        case SDB_PORT: return reinterpret_cast<void**>(&port_tab);
        case SDB_OBJ: return reinterpret_cast<void**>(&obj_tab);
        case SDB_NET: return reinterpret_cast<void**>(&net_tab);
        case SDB_NODE: return reinterpret_cast<void**>(&node_tab);
        case SDB_PIN: return reinterpret_cast<void**>(&pin_tab);
        case SDB_SOBJ: return reinterpret_cast<void**>(&sobj_tab);
        case SDB_SNET: return reinterpret_cast<void**>(&snet_tab);
        case SDB_XPIN: return reinterpret_cast<void**>(&xpin_tab);
        case SDB_XNOD: return reinterpret_cast<void**>(&xnode_tab);
        case SDB_PREF: return reinterpret_cast<void**>(&prefix_tab);
        case SDB_XPOR: return reinterpret_cast<void**>(&xport_tab);
        default: return nullptr;
    }
}

int* cached_count(int k) {
    switch (k) {
        case SDB_CLAS: return &class_count;
        case SDB_PORT: return &port_count;
        case SDB_OBJ: return &obj_count;
        case SDB_NET: return &net_count;
        case SDB_NODE: return &node_count;
        case SDB_PIN: return &pin_count;
        case SDB_XPIN: return &xpin_count;
        case SDB_XNOD: return &xnode_count;
        case SDB_PREF: return &prefix_count;
        case SDB_XPOR: return &xport_count;
        default: return nullptr;
    }
}

void free_record(SdbDatabase* db) {
    if (!db) return;
    SDB_free(db);
    std::free(db->name);
    std::free(db->path);
    std::unique_ptr<SdbDatabase> owned(db);
}

std::string without_extension(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

// Step common to opening and creating: alias path, name, prefix table,
// alias file, counts of the design opened last.
SdbDatabase* finish_open(SdbDatabase* db, const char* path) {
    std::string p = path;
    if (which_task == 0 || which_task == -2) {
        std::free(asn_file_name);
        asn_file_name = qdx_strdup((without_extension(p) + ".asn").c_str());
    }
    SDB_set_path(db, path);
    db->slot[SDB_PREF].data = PREFIX_init(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data), db->symbols);
    db->slot[SDB_PREF].size = sdb_slot_info[SDB_PREF].size;
    if (which_task != -2) ALIAS_init();
    sdb_obj_count = db->slot[SDB_OBJ].count;
    sdb_net_count = db->slot[SDB_NET].count;
    return db;
}

SdbDatabase* create(const char* path, int mask) {
    // Nothing is written before SDB_save; the directory must take the file.
    std::filesystem::path p(path);
    std::string dir = p.has_parent_path() ? p.parent_path().string() : std::string(".");
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return nullptr;
    auto db = std::make_unique<SdbDatabase>();
    db->writable = 1;
    db->version = SDB_FILE_VERSION;
    db->symbols = SYM_init(SYM_NBUCKETS);
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        const SdbSlotInfo& info = sdb_slot_info[k];
        SdbTableSlot& s = db->slot[k];
        std::memset(s.name, 0, 4);
        std::memcpy(s.name, info.name, std::min<size_t>(4, std::strlen(info.name)));
        s.size = info.size;
        s.count = 0;
        s.offset = 0;
        if (!(mask & (1 << k)) || info.size == 0) continue;
        void* a = DYNA_init(sdb_model * info.initial, info.size);
        DynaHeader* h = DYNA_header(a);
        h->fixed = 0;
        h->delta = sdb_model * info.growth;
        std::memset(a, 0xFF, static_cast<size_t>(info.size));
        s.data = a;
    }
    sdbi::make_supply_nets(db.get());
    return finish_open(db.release(), path);
}

// True when a functional graph (next(v) is -1 or a valid index) has no
// cycle; linear in n.
template <class Next>
bool acyclic(int32_t n, Next next) {
    std::vector<uint8_t> state(static_cast<size_t>(n), 0);  // 0 new, 1 on the path, 2 done
    std::vector<int32_t> path;
    for (int32_t i = 0; i < n; ++i) {
        int32_t v = i;
        while (v != -1 && state[static_cast<size_t>(v)] == 0) {
            state[static_cast<size_t>(v)] = 1;
            path.push_back(v);
            v = next(v);
        }
        if (v != -1 && state[static_cast<size_t>(v)] == 1) return false;
        for (int32_t p : path) state[static_cast<size_t>(p)] = 2;
        path.clear();
    }
    return true;
}

// True when no node is reached twice on the walks of the net lists (so
// every walk ends).
bool lists_sound(const SdbNet* net, int32_t nnet, const SdbNode* node, int32_t nnode) {
    std::vector<uint8_t> seen(static_cast<size_t>(nnode), 0);
    for (int32_t i = 0; i < nnet; ++i) {
        for (int32_t v = net[i].first_node; v != -1; v = node[v].next) {
            if (seen[static_cast<size_t>(v)]) return false;
            seen[static_cast<size_t>(v)] = 1;
        }
    }
    return true;
}

// Hierarchical names tie a record and its prefix entry both ways: the
// entry that a record's name word refers to carries the record as its
// owner, and an entry whose owner is a record of the design is the one
// that record's name word refers to.  The name look-ups rely on it.  The
// three walks are cut in pieces, for several threads on a large design.
class OwnerCheck {
public:
    // Over the tables db holds (or will hold once read: they lie in place
    // from the start).
    explicit OwnerCheck(const SdbDatabase* db) {
        pre_ = static_cast<const SdbPrefixEntry*>(db->slot[SDB_PREF].data);
        if (!pre_) return;
        npre_ = db->slot[SDB_PREF].count;
        auto words = [db](int k, int owners, int32_t& n) {
            const auto* w = static_cast<const int32_t*>(db->slot[k].data);
            n = w && db->slot[owners].data ? std::min(db->slot[k].count, db->slot[owners].count) : 0;
            return w;
        };
        sobj_ = words(SDB_SOBJ, SDB_OBJ, nobj_);
        snet_ = words(SDB_SNET, SDB_NET, nnet_);
        for (Walk walk : {kObjects, kNets, kEntries}) {
            const int64_t n = walk == kObjects ? nobj_ : walk == kNets ? nnet_ : npre_;
            for (int64_t lo = 0; lo < n; lo += kPiece)
                pieces_.push_back({walk, static_cast<int32_t>(lo), static_cast<int32_t>(std::min(n, lo + kPiece))});
        }
    }
    size_t pieces() const { return pieces_.size(); }
    bool piece(size_t i) const {
        const Piece& c = pieces_[i];
        return c.walk == kObjects ? refers_back(sobj_, c.lo, c.hi, SDB_OWNER_OBJECT)
               : c.walk == kNets  ? refers_back(snet_, c.lo, c.hi, 0)
                                  : owned_back(c.lo, c.hi);
    }
    bool sound() const {
        const unsigned threads = pieces_.size() > 8 ? std::min<unsigned>(RT_max_threads(), pieces_.size()) : 1;
        std::atomic<bool> ok{true};
        RT_run_parallel(pieces_.size(), threads, [&](size_t i, unsigned) {
            if (!piece(i)) ok = false;
        });
        return ok;
    }

private:
    static constexpr int64_t kPiece = 1 << 16;
    enum Walk { kObjects, kNets, kEntries };
    struct Piece {
        Walk walk;
        int32_t lo, hi;
    };
    bool refers_back(const int32_t* w, int32_t lo, int32_t hi, int32_t bits) const {
        bool ok = true;
        for (int32_t i = lo; i < hi; ++i) {
            if (!sdb_is_prefix_word(w[i])) continue;
            int32_t p = sdb_prefix_of(w[i]);
            ok &= p < npre_ && pre_[p].owner == bits + i;
        }
        return ok;
    }
    bool owned_back(int32_t lo, int32_t hi) const {
        bool ok = true;
        for (int32_t p = lo; p < hi; ++p) {
            const int32_t o = pre_[p].owner;
            if (o < 0) continue;
            const bool object = (o & SDB_OWNER_OBJECT) != 0;
            const int32_t r = object ? o & ~SDB_OWNER_OBJECT : o;
            const int32_t* w = object ? sobj_ : snet_;
            ok &= r >= (object ? nobj_ : nnet_) || w[r] == sdb_prefix_word(p);
        }
        return ok;
    }
    const SdbPrefixEntry* pre_ = nullptr;
    int32_t npre_ = 0;
    const int32_t* sobj_ = nullptr;
    const int32_t* snet_ = nullptr;
    int32_t nobj_ = 0, nnet_ = 0;
    std::vector<Piece> pieces_;
};

// The checks that need whole tables, made after every index word was
// found in range: net lists and prefix links without cycles.
bool links_sound(const SdbDatabase* db, const sdbi::TableLoad& load) {
    auto* net = static_cast<const SdbNet*>(db->slot[SDB_NET].data);
    auto* node = static_cast<const SdbNode*>(db->slot[SDB_NODE].data);
    // Without a node that two links lead to, the lists can neither meet
    // nor close on themselves; otherwise they are walked.
    if (net && node && !load.links_simple &&
        !lists_sound(net, db->slot[SDB_NET].count, node, db->slot[SDB_NODE].count))
        return false;
    auto* pre = static_cast<const SdbPrefixEntry*>(db->slot[SDB_PREF].data);
    if (pre && !load.prefix_down) {
        int32_t n = db->slot[SDB_PREF].count;
        // Name walks follow a stand-in entry or go one level up; both must end.
        if (!acyclic(n, [pre](int32_t v) { return pre[v].parent; })) return false;
        if (!acyclic(n, [pre](int32_t v) {
                return pre[v].name <= -6 ? sdb_prefix_of(pre[v].name) : pre[v].parent;
            }))
            return false;
    }
    // The owner ties were checked while the tables were read, or are now.
    return load.after_checked ? load.after_sound : OwnerCheck(db).sound();
}

// The symbol count, read ahead of the section so that the tables can be
// checked while it is read; 0 when the section is too short to tell.
int32_t peek_symbol_count(int fd, int64_t size, int64_t pos, bool big) {
    FdReader in(fd, size, pos + 12, big);
    int32_t nbuckets, count;
    if (!in.word(nbuckets) || nbuckets <= 0) return 0;
    in.seek(pos + 24 + 4 * int64_t{nbuckets});
    if (!in.word(count) || count < 0) return 0;
    return count;
}

struct OpenFailure {
    int kind;
    std::function<void()> message;
};

// Reads and checks the design in the stream f (read from its start),
// named path; the design keeps f.  Null on failure, f closed.
SdbDatabase* open_stream(FILE* f, const char* path, bool writable, int mask);

void decode_image(SdbDatabase* db, const uint8_t* img, bool big) {
    auto w = [img, big](int i) { return load_word(img + 4 * i, big); };
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) {
        int base = 3 + 5 * k;
        SdbTableSlot& s = db->slot[k];
        std::memcpy(s.name, img + 4 * base, 4);
        s.count = w(base + 1);
        s.size = w(base + 2);
        s.data = nullptr;
        s.offset = w(base + 4);
    }
    db->version = w(165);
}

}  // namespace

namespace sdbi {

void refresh_slot(SdbDatabase* db, int k) {
    SdbTableSlot& s = db->slot[k];
    s.count = DYNA_count(s.data);
    if (db != sdb) return;
    if (void** g = cached_handle(k)) *g = s.data;
    if (int* c = cached_count(k)) *c = s.data ? s.count : 0;
}

}  // namespace sdbi

SdbDatabase* SDB_open(const char* path, const char* mode, int task) {
    if (!path || !mode) return nullptr;
    const bool reading = std::strchr(mode, 'r') != nullptr;
    const bool writable = std::strchr(mode, 'w') || std::strchr(mode, '+');
    const int mask = task >= 0 && task < 5 ? task_load[task] : 0xFFFF;
    sdb_errnoG = 0;
    sdbi::file_is_big = false;
    if (!reading) return create(path, mask);

    std::string p = path;
    auto report = [](const OpenFailure& f) {
        f.message();
        sdb_errnoG = f.kind;
        return nullptr;
    };
    auto read_failed = OpenFailure{SDB_READ_FAILED, [] { sdb_log_error(SDB_ERROR, "%s", FA_01_0005); }};

    struct stat st {};
    if (::stat(path, &st) != 0) return report(read_failed);
    if (st.st_size < SDB_IMAGE_SIZE)
        return report({SDB_TOO_SMALL, [p] { sdb_log_error(SDB_ERROR, FA_01_0008, p.c_str()); }});
    // The file is only read here; SDB_save replaces it as a whole.  A
    // writable open still needs a file that may be written.
    if (writable && ::access(path, W_OK) != 0) return nullptr;
    FILE* f = std::fopen(path, "r");
    if (!f) return nullptr;
    // A design read is an input of the run: no output may replace it.
    if (!writable) RT_note_input(::fileno(f), path);
    return open_stream(f, path, writable, mask);
}

void SDB_set_path(SdbDatabase* db, const char* path) {
    if (!db || !path) return;
    std::free(db->path);
    db->path = qdx_strdup(path);
    std::free(db->name);
    const std::string base = without_extension(std::filesystem::path(path).filename().string());
    db->name = base.empty() ? nullptr : qdx_strdup(base.c_str());
}

SdbDatabase* SDB_open_memory(const void* data, size_t size, const char* path, int task) {
    if (!data || !path) return nullptr;
    const int mask = task >= 0 && task < 5 ? task_load[task] : 0xFFFF;
    sdb_errnoG = 0;
    sdbi::file_is_big = false;
    std::string p = path;
    if (size < static_cast<size_t>(SDB_IMAGE_SIZE)) {
        sdb_log_error(SDB_ERROR, FA_01_0008, p.c_str());
        sdb_errnoG = SDB_TOO_SMALL;
        return nullptr;
    }
    // The bytes go into an anonymous file in memory, read as a design
    // file is read.
    int fd = ::memfd_create("sdb", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    const auto* b = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        ssize_t n = ::write(fd, b + done, size - done);
        if (n <= 0) {
            ::close(fd);
            return nullptr;
        }
        done += static_cast<size_t>(n);
    }
    FILE* f = ::fdopen(fd, "r");
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    return open_stream(f, path, false, mask);
}

namespace {

OpenFailure read_failure() {
    return {SDB_READ_FAILED, [] { sdb_log_error(SDB_ERROR, "%s", FA_01_0005); }};
}

OpenFailure corrupt_failure(const std::string& path) {
    return {SDB_CORRUPT, [path] { sdb_log_error(SDB_ERROR, FA_01_0006, path.c_str()); }};
}

// The byte order, from the platform byte that starts the file or, for a
// file without one, from its first word; start is where the header
// begins.
std::optional<OpenFailure> read_byte_order(FdReader& in, bool& big, int64_t& start) {
    const uint8_t* head = in.view(4);
    if (!head) return read_failure();
    start = 0;
    switch (head[0]) {
        case 10: case 12: case 15: case 16: big = true; start = 1; break;
        case 13: case 18: big = false; start = 1; break;
        case 11: case 17:
            return OpenFailure{SDB_BAD_PLATFORM, [] { sdb_log_error(SDB_ERROR, "%s", FA_01_0005); }};
        default: {
            int32_t b = static_cast<int32_t>(sdbi::load_be32(head));
            int32_t s = static_cast<int32_t>(load_le32(head));
            big = !(b >= 10 && s <= 9);
        }
    }
    return std::nullopt;
}

// The magic word, the file version and the image of the slots, which
// gives db its slots and its version.
std::optional<OpenFailure> read_header(FdReader& in, SdbDatabase* db, const std::string& path) {
    auto bad_version = [](long version) {
        return OpenFailure{SDB_BAD_VERSION, [version] { sdb_log_error(SDB_ERROR, FA_04_0009, "", version); }};
    };
    int32_t magic_len;
    if (!in.word(magic_len)) return read_failure();
    if (magic_len == 0)
        return OpenFailure{SDB_CORRUPT, [path] { sdb_log_error(SDB_WARNING, FA_04_0007, path.c_str()); }};
    if (magic_len != 4) return bad_version(0);
    const uint8_t* magic = in.view(4);
    int32_t file_version;
    if (!magic) return read_failure();
    bool magic_ok = std::memcmp(magic, "SDB", 4) == 0;
    if (!in.word(file_version)) return read_failure();
    if (!magic_ok) return bad_version(0);
    const uint8_t* img = in.view(SDB_IMAGE_SIZE);
    if (!img) return read_failure();
    decode_image(db, img, in.big());
    if (db->version == 0)
        return OpenFailure{SDB_BAD_PLATFORM, [] { sdb_log_error(SDB_ERROR, "%s", FA_01_0005); }};
    if (db->version != 300 && db->version != 301) return bad_version(db->version);
    return std::nullopt;
}

// The tables to load: their counts, record sizes and places in the file,
// checked in slot order.  A slot that cannot hold its table makes the
// plan corrupt (a wrong record size, a negative count, name words that
// do not match their records) or short (a table past the end of the
// file); either loads nothing.
struct TablePlan {
    sdbi::TableCounts counts;
    std::vector<sdbi::TableJob> jobs;
    bool corrupt = false;
    bool short_file = false;
};

TablePlan plan_tables(SdbDatabase* db, int mask, int64_t file_size) {
    TablePlan plan;
    for (int k = 0; k < SDB_NUM_SLOTS; ++k) {
        SdbTableSlot& s = db->slot[k];
        if (k >= SDB_NUM_STD_SLOTS) {  // user tables are never read from a file
            s = SdbTableSlot{};
            continue;
        }
        if (!(mask & (1 << k))) {
            s.count = 0;
            continue;
        }
        if (plan.corrupt || plan.short_file) continue;
        const SdbSlotInfo& info = sdb_slot_info[k];
        if (s.count < 0 || (s.count > 0 && s.size != info.size)) {
            plan.corrupt = true;
            continue;
        }
        s.size = info.size;
        if (info.size == 0) {  // records without bytes: nothing to hold
            s.count = 0;
            continue;
        }
        int64_t bytes = int64_t{s.count} * info.size;
        if (s.count > 0 && (s.offset < 0 || s.offset > file_size || bytes > file_size - s.offset)) {
            plan.short_file = true;
            continue;
        }
        if (s.count > 0 && sdbi::beyond_file_reach(s.offset, s.count, info.size)) {
            plan.corrupt = true;
            continue;
        }
        plan.counts.n[k] = s.count;
        plan.counts.loaded[k] = true;
        plan.jobs.push_back(sdbi::TableJob{k, nullptr, s.count, s.offset});
    }
    // One name word per object and per net.
    auto names_match = [&plan](int k, int owners) {
        return !plan.counts.loaded[k] || !plan.counts.loaded[owners] || plan.counts.n[k] == plan.counts.n[owners];
    };
    if (!plan.short_file && (!names_match(SDB_SOBJ, SDB_OBJ) || !names_match(SDB_SNET, SDB_NET)))
        plan.corrupt = true;
    if (plan.corrupt || plan.short_file) plan.jobs.clear();
    return plan;
}

// What was loaded, judged in the order of the file: the symbol section,
// then the tables, then what ties them together.
std::optional<OpenFailure> load_failure(const SdbDatabase* db, const std::string& path, sdbi::SymLoad sym,
                                        const TablePlan& plan, const sdbi::TableLoad& tables) {
    switch (sym) {
        case sdbi::SymLoad::Ok: break;
        case sdbi::SymLoad::Corrupt: return corrupt_failure(path);
        case sdbi::SymLoad::ShortRead:
            sdb_log_error(SDB_ERROR, "%s", FA_01_0005);  // the section's own message
            return read_failure();
        default: return read_failure();
    }
    if (plan.corrupt) return corrupt_failure(path);
    if (plan.short_file || tables.short_read) {
        sdb_log_error(SDB_ERROR, "%s", FA_01_0005);  // the table's own message
        return read_failure();
    }
    if (tables.bad_index || !links_sound(db, tables)) return corrupt_failure(path);
    return std::nullopt;
}

SdbDatabase* open_stream(FILE* f, const char* path, bool writable, int mask) {
    const std::string p = path;
    auto report = [](const OpenFailure& f) {
        f.message();
        sdb_errnoG = f.kind;
        return nullptr;
    };
    struct stat fst {};
    if (::fstat(fileno(f), &fst) != 0) {
        std::fclose(f);
        return report(read_failure());
    }
    auto db_owner = std::make_unique<SdbDatabase>();
    SdbDatabase* db = db_owner.get();
    db->file = f;
    auto fail = [&](const OpenFailure& failure) {
        db_owner.release();
        std::fclose(db->file);
        db->file = nullptr;
        free_record(db);
        return report(failure);
    };

    FdReader in(fileno(f), fst.st_size, 0, false);
    bool big = false;
    int64_t start = 0;
    if (auto failure = read_byte_order(in, big, start)) return fail(*failure);
    db->big_endian = big ? 1 : 0;
    sdbi::file_is_big = big;
    in = FdReader(fileno(f), fst.st_size, start, big);
    if (auto failure = read_header(in, db, p)) return fail(*failure);

    TablePlan plan = plan_tables(db, mask, fst.st_size);
    // The tables of a file in this machine's byte order are used where
    // they lie in the file, mapped; the others are read into memory.
    for (sdbi::TableJob& j : plan.jobs) {
        j.data = big ? nullptr : sdbi::map_table(j.k, fileno(f), fst.st_size, j.offset, j.count);
        j.mapped = j.data != nullptr;
        if (!j.mapped) j.data = sdbi::new_table(j.k, j.count);
        db->slot[j.k].data = j.data;
    }
    const int64_t sym_pos = in.tell();
    plan.counts.nsym = peek_symbol_count(fileno(f), fst.st_size, sym_pos, big);
    sdbi::SymLoad sym = sdbi::SymLoad::BadMagic;
    // The owner ties are checked by the threads that read the tables, as
    // soon as the tables are in.
    const OwnerCheck owners(db);
    sdbi::AfterTables after;
    after.pieces = owners.pieces();
    after.check = [&owners](size_t i) { return owners.piece(i); };
    const sdbi::TableLoad tables = sdbi::load_tables(fileno(f), fst.st_size, big, plan.counts, plan.jobs, sym_pos,
                                                     &sym, &db->symbols, &after);
    if (auto failure = load_failure(db, p, sym, plan, tables)) return fail(*failure);

    db->writable = writable ? 1 : 0;
    db->partial = (mask & 0xFFFF) != 0xFFFF ? 1 : 0;
    db_owner.release();
    return finish_open(db, path);
}

}  // namespace

SdbDatabase* SDB_setup(SdbDatabase* db) {
    if (!db) return nullptr;
    sdb = db;
    publish(db);
    return db;
}

void SDB_update(SdbDatabase* db) {
    if (!db) return;
    // The tables may have been written straight: the look-ups read them
    // afresh.
    sdbi::forget_lookups(db);
    // The cached arrays belong to db only when db is current.
    if (db == sdb)
        for (int k = 0; k < SDB_NUM_SLOTS; ++k)
            if (void** g = cached_handle(k)) db->slot[k].data = *g;
    for (SdbTableSlot& s : db->slot) s.count = DYNA_count(s.data);
    sdb = db;
    publish(db);
}

void SDB_free(SdbDatabase* db) {
    if (!db) return;
    PREFIX_forget(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data));
    sdbi::forget_lookups(db);
    SYM_free(db->symbols);
    db->symbols = nullptr;
    for (SdbTableSlot& s : db->slot) {
        if (s.data) DYNA_free(&s.data);
        s.data = nullptr;
        s.count = 0;
    }
    sdbi::forget_edit_caches(db);
    if (db == sdb) publish(db);
}

void SDB_free_tab(SdbDatabase* db, int k) {
    if (!db || k < 0 || k >= SDB_NUM_SLOTS) return;
    SdbTableSlot& s = db->slot[k];
    if (k == SDB_PREF) PREFIX_forget(static_cast<SdbPrefixEntry*>(s.data));
    sdbi::forget_lookups(db);
    if (s.data) DYNA_free(&s.data);
    s.data = nullptr;
    s.count = 0;
    s.offset = -1;
    if (db == sdb) publish(db);
}

void SDB_close(SdbDatabase* db, int save) {
    if (!db) return;
    if (save && db->writable) SDB_save(db);
    if (db->file) std::fclose(db->file);
    db->file = nullptr;
    if (db == sdb) {
        sdb = nullptr;
        publish(nullptr);
    }
    free_record(db);
    std::free(asn_file_name);
    asn_file_name = nullptr;
    if (which_task != -2) {
        ALIAS_free();
        port_alias_free();
    }
}

SdbDatabase* SDB_nl_open(const char* name, char mode) {
    if (!name) return nullptr;
    std::string path = name;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".sdb") != 0) path += ".sdb";
    const char* m = mode == 'w' ? "w" : mode == 'u' ? "r+" : "r";
    SdbDatabase* db = SDB_open(path.c_str(), m, 0);
    if (db) SDB_setup(db);
    return db;
}

int SDB_is_empty(SdbDatabase* db) {
    if (!db) return 0;
    const SdbTableSlot& o = db->slot[SDB_OBJ];
    if (o.data && o.count > 0) return 0;
    auto* net = static_cast<const SdbNet*>(db->slot[SDB_NET].data);
    auto* node = static_cast<const SdbNode*>(db->slot[SDB_NODE].data);
    if (net && node)
        for (int32_t i = 0; i < db->slot[SDB_NET].count; ++i) {
            int32_t first = net[i].first_node;
            if (first != -1 && node[first].next != -1) return 0;
        }
    return 255;
}

const char* SDB_error() {
    switch (sdb_errnoG) {
        case SDB_CORRUPT: return "Design database is corrupted\n";
        case SDB_BAD_VERSION: return "Design database has incompatible version\n";
        default: return nullptr;
    }
}

void SDB_set_model(int n) {
    if (n < 1 || n > 500) return;
    sdb_model = n;
    SYM_set_model(n);
}

void SDB_set_hier_dot(char c) {
    sdb_hier_dot = c;
    PREFIX_set_dot(c);
}

char SDB_get_hier_dot(char* c) {
    if (c) *c = sdb_hier_dot;
    return sdb_hier_dot;
}

void SDB_set_log(FILE* stream) { sdb_log_fpG = stream; }

int SDB_for_PALVORIN(SdbDatabase* db) { return db && db->version == 301 ? 1 : 0; }
int SDB_for_DESSAMIT(SdbDatabase* db) { return db && db->version == 300 ? 1 : 0; }

int SDB_SREAD(char** buffer) {
    if (buffer) *buffer = nullptr;
    if (!sdb || !sdb->file) return -1;
    FILE* f = sdb->file;
    uint8_t w[4];
    if (std::fread(w, 1, 4, f) != 4) return -1;
    int32_t len = static_cast<int32_t>(load_le32(w));
    struct stat st {};
    off_t pos = ftello(f);
    if (len < 0 || ::fstat(fileno(f), &st) != 0 || pos < 0 || len > st.st_size - pos) return -1;
    std::unique_ptr<char, decltype(&std::free)> data(static_cast<char*>(std::malloc(static_cast<size_t>(len) + 1)),
                                                     &std::free);
    if (!data) {
        sdb_log_error(SDB_ERROR, FA_01_0002, "SDB_SREAD()");
        qdx_exit(-1);
    }
    size_t got = std::fread(data.get(), 1, static_cast<size_t>(len), f);
    data.get()[got] = '\0';
    if (buffer) *buffer = data.release();
    return static_cast<int>(got);
}

int SDB_read_tab(SdbDatabase* db, int k) {
    if (!db || !db->file) return 1;
    FILE* f = db->file;
    struct stat st {};
    if (::fstat(fileno(f), &st) != 0) return 1;
    bool big = db->big_endian != 0;
    if ((k == -1 || k == 999) && db->symbols) {
        off_t pos = ftello(f);
        FdReader in(fileno(f), st.st_size, pos < 0 ? 0 : pos, big);
        SymbolTable* t = nullptr;
        if (sdbi::sym_load(in, &t) != sdbi::SymLoad::Ok) return 1;
        SYM_free(db->symbols);
        db->symbols = t;
        if (db->slot[SDB_PREF].data)
            PREFIX_init(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data), db->symbols);
        fseeko(f, in.tell(), SEEK_SET);
        if (db == sdb) publish(db);
        if (k == 999) return 0;
        k = 0;
    }
    if (k < 0 || k >= SDB_NUM_STD_SLOTS) return 1;
    SdbTableSlot& s = db->slot[k];
    const SdbSlotInfo& info = sdb_slot_info[k];
    if (k == SDB_PREF) PREFIX_forget(static_cast<SdbPrefixEntry*>(s.data));
    sdbi::forget_lookups(db);
    if (s.data) DYNA_free(&s.data);
    s.data = nullptr;
    // A table that cannot be read is left out of the design.
    auto failed = [db, &s] {
        if (s.data) DYNA_free(&s.data);
        s.data = nullptr;
        s.count = 0;
        if (db == sdb) publish(db);
        return 1;
    };
    if (s.count < 0 || (s.count > 0 && s.size != info.size)) return failed();
    if (info.size == 0 || s.count == 0) {
        s.count = 0;
        if (info.size) s.data = sdbi::new_table(k, 0);
    } else {
        if (s.offset < 0 || int64_t{s.count} * info.size > st.st_size - s.offset) {
            sdb_log_error(SDB_ERROR, "%s", FA_01_0005);
            return failed();
        }
        // Index words are checked against the tables the design holds now.
        sdbi::TableCounts counts;
        for (int i = 0; i < SDB_NUM_STD_SLOTS; ++i) {
            counts.loaded[i] = i == k || db->slot[i].data;
            counts.n[i] = i == k ? s.count : db->slot[i].data ? db->slot[i].count : 0;
        }
        counts.nsym = SYM_count(db->symbols);
        std::vector<sdbi::TableJob> jobs{{k, sdbi::new_table(k, s.count), s.count, s.offset}};
        sdbi::TableLoad r = sdbi::load_tables(fileno(f), st.st_size, big, counts, jobs, -1, nullptr, nullptr);
        s.data = jobs[0].data;
        if (r.short_read) sdb_log_error(SDB_ERROR, "%s", FA_01_0005);
        r.links_simple = false;  // the other tables' links were not counted: walk them
        if (r.short_read || r.bad_index || !links_sound(db, r)) return failed();
    }
    if (k == SDB_PREF) PREFIX_init(static_cast<SdbPrefixEntry*>(s.data), db->symbols);
    if (db == sdb) publish(db);
    return 0;
}

uint32_t SDB_reverse(uint32_t w) { return sdbi::file_is_big ? sdbi::bswap32(w) : w; }
uint32_t SDB_reverse_all(uint32_t w) { return sdbi::file_is_big ? sdbi::reverse_bits_in_bytes(w) : w; }
uint8_t SDB_reverse_byte(uint8_t b) { return sdbi::file_is_big ? sdbi::reverse_byte(b) : b; }

namespace {
std::string write_dir_storage;
}

void sdbi::set_write_dir(const char* dir) {
    if (dir) {
        write_dir_storage = dir;
        quendal_write_dir = write_dir_storage.c_str();
    } else {
        write_dir_storage.clear();
        quendal_write_dir = nullptr;
    }
}

void SDB_reset_globals() {
    sdb = nullptr;
    publish(nullptr);
    sdb_errnoG = 0;
    sdb_obj_count = 0;
    sdb_net_count = 0;
    which_task = 0;
    sdb_hier_dot = '.';
    sdbi::set_write_dir(nullptr);
    sdb_model = 1;
    sdbi::forget_edit_caches(nullptr);
    sdbi::forget_lookups(nullptr);
    sdbi::prim_reset_globals();
    SYM_reset_globals();
    PREFIX_reset_globals();
    ALIAS_reset_globals();
    SDB_err_reset_globals();
}
