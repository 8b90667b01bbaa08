// Design databases as the netlist tools see them: read whole into plain
// tables, and written back.
#include "tools/common/netdb.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/pages.h"
#include "runtime/workers.h"
#include "sdb/sdb.h"
#include "tools/common/tool.h"

namespace ntool {

static_assert(kPortThreeState == SDB_PORT_THREE_STATE);

const char* direction_name(int dir) {
    switch (dir & 3) {
        case kDirOutput: return "output";
        case kDirBidir: return "inout";
        case kDirInput: return "input";
        default: return "direction3";
    }
}

std::string join_path(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir == ".") return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::string base_name(const std::string& path) {
    std::string b = path;
    const std::size_t slash = b.rfind('/');
    if (slash != std::string::npos) b.erase(0, slash + 1);
    const std::size_t dot = b.rfind('.');
    if (dot != std::string::npos && dot > 0) b.erase(dot);
    return b;
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string find_design(const std::string& name, const std::vector<std::string>& dirs) {
    // A name that is not one file name cannot be a design of its own.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return {};
    const std::string file = name + ".sdb";
    for (const std::string& dir : dirs) {
        const std::string p = join_path(dir, file);
        if (::access(p.c_str(), R_OK) == 0) return p;
    }
    std::unique_ptr<char, decltype(&std::free)> found(FNM_search(file.c_str(), R_OK, FNM_SEARCH_PATH), &std::free);
    return found ? std::string(found.get()) : std::string();
}

namespace {

// Task 3 of SDB_open: the classes and the ports only, no pins; a design
// whose own ports are sound opens so however its class pins are named.
constexpr int kClassesAndPorts = 3;

// The masters of the design at path (modules and cells) when its classes
// and ports open (ok then), for design_with_damaged_ports_below.
std::vector<std::string> masters_of(const std::string& path, bool& ok) {
    std::vector<std::string> masters;
    SdbDatabase* db = SDB_open(path.c_str(), "r", kClassesAndPorts);
    ok = db != nullptr;
    if (!db) return masters;
    const SdbClass* cls = static_cast<const SdbClass*>(db->slot[SDB_CLAS].data);
    const int n = cls ? db->slot[SDB_CLAS].count : 0;
    for (int c = 0; c < n; ++c) {
        const char* name = SYM_get(db->symbols, cls[c].name);
        if (name) masters.emplace_back(name);
    }
    SDB_close(db, 0);
    return masters;
}

std::string damaged_ports_below(const std::string& path, const std::vector<std::string>& dirs,
                                std::unordered_set<std::string>& seen) {
    bool ok = false;
    const std::vector<std::string> masters = masters_of(path, ok);
    if (!ok) return sdb_errnoG == SDB_CORRUPT ? path : std::string();
    for (const std::string& m : masters) {
        const std::string below = find_design(m, dirs);
        if (below.empty() || !seen.insert(below).second) continue;
        std::string found = damaged_ports_below(below, dirs, seen);
        if (!found.empty()) return found;
    }
    return {};
}

}  // namespace

std::string design_with_damaged_ports_below(const std::string& path, const std::vector<std::string>& dirs) {
    SdbMessageHold quiet;
    std::unordered_set<std::string> seen{path};
    std::string found = damaged_ports_below(path, dirs, seen);
    quiet.drop();
    return found == path ? std::string() : found;
}

// ---------------------------------------------------------------- reading

namespace {

// Room in a table of db for n more records and the 0xFF record behind
// them, made at once.
void make_room(SdbDatabase* db, int k, std::size_t n) {
    void*& a = db->slot[k].data;
    if (!a) return;
    const auto want = static_cast<std::int64_t>(DYNA_count(a)) + static_cast<std::int64_t>(n) + 1 - DYNA_capacity(a);
    if (want > 0 && want < INT32_MAX) DYNA_resize(&a, static_cast<int>(want));
    // The room is written once, record by record, as the design is
    // saved: huge pages spare most of the faults of bringing it in.
    if (db->slot[k].size > 0)
        RT_advise_huge_pages(a, static_cast<std::size_t>(DYNA_capacity(a)) * static_cast<std::size_t>(db->slot[k].size));
}

template <class T>
const T* table(const SdbDatabase* db, int k, int& count) {
    count = db->slot[k].data ? db->slot[k].count : 0;
    return static_cast<const T*>(db->slot[k].data);
}

bool in_range(std::int64_t i, int count) { return i >= 0 && i < count; }

// Records of a design above which its names are copied on several threads.
constexpr std::size_t kThreadedRecords = std::size_t{1} << 16;
// Records a thread takes at a time.
constexpr std::size_t kNamePiece = std::size_t{1} << 14;

// The pieces of kNamePiece records that n records make.
std::size_t pieces_of(std::size_t n) { return (n + kNamePiece - 1) / kNamePiece; }

struct CloseDb {
    void operator()(SdbDatabase* db) const { SDB_close(db, 0); }
};

}  // namespace

namespace {

// The first bad record of the pieces (kNoRecord for none).
constexpr int kNoRecord = INT32_MAX;
int first_bad(const std::vector<int>& of_piece) {
    return of_piece.empty() ? kNoRecord : *std::min_element(of_piece.begin(), of_piece.end());
}

// Prefix sums of counts kept piece by piece at [piece + 1].
void add_up(std::vector<std::size_t>& v) {
    for (std::size_t k = 1; k < v.size(); ++k) v[k] += v[k - 1];
}

// One design database read into a Design, step by step in the order of
// read_design.  Each step that can find the file damaged returns false
// with the reason in err.  Names that are symbols are copied on several
// threads for a large design, and the records checked there; what is
// left goes one by one, in order, so that the first bad record is the
// one reported (hierarchical names are built in a buffer of the design
// database, one at a time).  The names go into a few large blocks of the
// design's texts.  The tables of the file go as soon as what they hold is
// copied: the connections are taken first, so that the node table (for a
// large design larger than all the copies) is gone before the names are
// copied.
class DesignReader {
public:
    DesignReader(const std::string& path, Design& d, std::string& err) : path_(path), d_(d), err_(err) {}

    // The file opened and its tables found.
    bool open();
    // The module name and the kind of design from the properties.
    void properties();
    // The classes with their pins.
    bool classes();
    // Per piece of the object table: its live objects, their pins and the
    // bytes of their symbol names, and its first bad record (reported
    // after the nets' errors).
    void count_objects();
    // The net on each pin of the objects and on each port, and whether
    // the design has contents; then the nodes and nets of the file go.
    void connections();
    // The net names.
    bool nets();
    // The objects with the net on each pin, in order, piece by piece.
    bool objects();
    // The ports, in the order of the port list.
    bool ports();
    // The alias pairs, and the contents that ports tied to a constant give.
    void aliases_and_contents();

private:
    bool bad(const std::string& what) {
        err_ = "design database '" + path_ + "' is damaged: " + what;
        return false;
    }
    const char* text(std::int32_t id) const { return SYM_get(syms_, id); }
    bool live(int o) const { return sobj_[o] != -1 && obj_[o].cls != -1; }
    int net_of(int v) const {
        const int n = node_[v].net;
        return in_range(n, nnet_) ? n : -1;
    }

    const std::string& path_;
    Design& d_;
    std::string& err_;
    std::unique_ptr<SdbDatabase, CloseDb> db_;
    const SymbolTable* syms_ = nullptr;
    int nclass_ = 0, npin_ = 0, nport_ = 0, nobj_ = 0, nnet_ = 0, nnode_ = 0, nsobj_ = 0, nsnet_ = 0, nxport_ = 0,
        nprop_ = 0;
    const SdbClass* cls_ = nullptr;
    const SdbPin* pin_ = nullptr;
    const SdbPort* port_ = nullptr;
    const SdbObject* obj_ = nullptr;
    const SdbNode* node_ = nullptr;
    const std::int32_t* sobj_ = nullptr;
    const std::int32_t* snet_ = nullptr;
    const std::int32_t* xport_ = nullptr;
    const std::int32_t* prop_ = nullptr;
    unsigned threads_ = 1;
    // The object table by pieces (count_objects).
    bool obj_names_short_ = false;
    std::size_t pieces_ = 0;
    int obj_bad_ = kNoRecord;
    std::vector<std::size_t> objects_before_, pins_before_, bytes_before_;
    std::vector<int> port_net_;
};

bool DesignReader::open() {
    d_ = Design{};
    d_.path = path_;
    // A file that is not there is said here, once: the database would
    // print a message of its own on standard output too.
    if (::access(path_.c_str(), R_OK) != 0) {
        err_ = "cannot open design database '" + path_ + "': " + std::strerror(errno);
        return false;
    }
    db_.reset(SDB_open(path_.c_str(), "r", 0));
    if (!db_) {
        // The design layer has printed its coded message; the reason it
        // gives goes into the tool's own.
        err_ = "cannot open design database '" + path_ + "'";
        if (const char* why = SDB_error()) {
            std::string reason = why;
            while (!reason.empty() && reason.back() == '\n') reason.pop_back();
            err_ += ": " + reason;
        }
        return false;
    }
    syms_ = db_->symbols;
    if (!syms_) return bad("it has no symbol table");
    SdbDatabase* db = db_.get();
    cls_ = table<SdbClass>(db, SDB_CLAS, nclass_);
    pin_ = table<SdbPin>(db, SDB_PIN, npin_);
    port_ = table<SdbPort>(db, SDB_PORT, nport_);
    obj_ = table<SdbObject>(db, SDB_OBJ, nobj_);
    table<SdbNet>(db, SDB_NET, nnet_);
    node_ = table<SdbNode>(db, SDB_NODE, nnode_);
    sobj_ = table<std::int32_t>(db, SDB_SOBJ, nsobj_);
    snet_ = table<std::int32_t>(db, SDB_SNET, nsnet_);
    xport_ = table<std::int32_t>(db, SDB_XPOR, nxport_);
    prop_ = table<std::int32_t>(db, SDB_PROP, nprop_);
    const std::size_t records = static_cast<std::size_t>(nnet_) + static_cast<std::size_t>(nobj_);
    threads_ = records >= kThreadedRecords ? RT_max_threads() : 1;
    return true;
}

void DesignReader::properties() {
    d_.module = db_->name ? db_->name : base_name(path_);
    for (int i = 0; i + 1 < nprop_; i += 2) {
        const char* key = text(prop_[i]);
        const char* value = text(prop_[i + 1]);
        if (!key || !value) continue;
        if (std::strcmp(key, kPropModule) == 0 && *value) d_.module = value;
        if (std::strcmp(key, kPropType) == 0) d_.cell = std::strcmp(value, kTypeCellName) == 0;
    }
}

bool DesignReader::classes() {
    d_.classes.resize(static_cast<std::size_t>(nclass_));
    for (int c = 0; c < nclass_; ++c) {
        const SdbClass& r = cls_[c];
        Class& k = d_.classes[static_cast<std::size_t>(c)];
        const char* name = text(r.name);
        if (r.name == -1) name = "";
        if (!name) return bad("class " + std::to_string(c) + " has no name");
        k.name = name;
        k.type = r.type;
        if (r.pin_count < 0 || (r.pin_count > 0 && (!in_range(r.first_pin, npin_) ||
                                                    static_cast<std::int64_t>(r.first_pin) + r.pin_count > npin_)))
            return bad("the pins of class '" + k.name + "' lie outside the pin table");
        k.pins.reserve(static_cast<std::size_t>(r.pin_count));
        for (int p = 0; p < r.pin_count; ++p) {
            const SdbPin& q = pin_[r.first_pin + p];
            const char* pn = text(q.name);
            k.pins.push_back({pn ? pn : "", q.direction & 3});
        }
    }
    return true;
}

void DesignReader::count_objects() {
    obj_names_short_ = nsobj_ < nobj_;
    pieces_ = pieces_of(static_cast<std::size_t>(nobj_));
    std::vector<int> bad_obj(pieces_, kNoRecord);
    objects_before_.assign(pieces_ + 1, 0);
    pins_before_.assign(pieces_ + 1, 0);
    bytes_before_.assign(pieces_ + 1, 0);
    if (!obj_names_short_)
        run_in_pieces(static_cast<std::size_t>(nobj_), kNamePiece, threads_, [&](std::size_t first, std::size_t last) {
            const std::size_t piece = first / kNamePiece;
            std::size_t objects = 0, pins = 0, bytes = 0;
            for (std::size_t j = first; j < last; ++j) {
                const int o = static_cast<int>(j);
                if (!live(o)) continue;
                const int c = obj_[o].cls;
                const char* name = sobj_[o] >= 0 ? text(sobj_[o]) : nullptr;
                if (!in_range(c, nclass_) || (sobj_[o] >= 0 && !name)) {
                    bad_obj[piece] = o;
                    return;
                }
                ++objects;
                pins += static_cast<std::size_t>(cls_[c].pin_count);
                if (name) bytes += std::strlen(name) + 1;
            }
            objects_before_[piece + 1] = objects;
            pins_before_[piece + 1] = pins;
            bytes_before_[piece + 1] = bytes;
        });
    obj_bad_ = first_bad(bad_obj);
    add_up(objects_before_);
    add_up(pins_before_);
    add_up(bytes_before_);
}

void DesignReader::connections() {
    port_net_.assign(static_cast<std::size_t>(nport_), -1);
    if (obj_names_short_ || obj_bad_ != kNoRecord) return;
    RT_reserve_huge(d_.conns, pins_before_[pieces_]);
    d_.conns.assign(pins_before_[pieces_], -1);
    run_in_pieces(static_cast<std::size_t>(nobj_), kNamePiece, threads_, [&](std::size_t first, std::size_t last) {
        auto pins = static_cast<std::uint32_t>(pins_before_[first / kNamePiece]);
        for (std::size_t j = first; j < last; ++j) {
            const int o = static_cast<int>(j);
            if (!live(o)) continue;
            const SdbClass& r = cls_[obj_[o].cls];
            for (int v = obj_[o].first_node; in_range(v, nnode_) && node_[v].object == o; ++v) {
                const std::int64_t pos = static_cast<std::int64_t>(node_[v].pin) - r.first_pin;
                if (pos >= 0 && pos < r.pin_count) d_.conns[pins + static_cast<std::uint32_t>(pos)] = net_of(v);
            }
            pins += static_cast<std::uint32_t>(r.pin_count);
        }
    });
    for (int p = 0; p < nport_; ++p) {
        const int v = port_[p].node;
        if (in_range(v, nnode_)) port_net_[static_cast<std::size_t>(p)] = net_of(v);
    }
    d_.contents = SDB_is_empty(db_.get()) == 0;
    SDB_free_tab(db_.get(), SDB_NODE);
    SDB_free_tab(db_.get(), SDB_NET);
    node_ = nullptr;
    nnode_ = 0;
}

bool DesignReader::nets() {
    if (nsnet_ < nnet_) return bad("the net name table is short");
    d_.net_live.assign(static_cast<std::size_t>(nnet_), false);
    std::vector<int> bad_net(pieces_of(static_cast<std::size_t>(nnet_)), kNoRecord);
    std::vector<std::size_t> net_bytes(bad_net.size() + 1, 0);
    run_in_pieces(static_cast<std::size_t>(nnet_), kNamePiece, threads_, [&](std::size_t first, std::size_t last) {
        std::size_t bytes = 0;
        for (std::size_t n = first; n < last; ++n) {
            if (snet_[n] < 0) continue;
            const char* name = text(snet_[n]);
            if (!name) {
                bad_net[first / kNamePiece] = static_cast<int>(n);
                return;
            }
            bytes += std::strlen(name) + 1;
        }
        net_bytes[first / kNamePiece + 1] = bytes;
    });
    const int net_bad = first_bad(bad_net);
    add_up(net_bytes);
    RT_reserve_huge(d_.nets, static_cast<std::size_t>(nnet_));
    d_.nets.resize(static_cast<std::size_t>(nnet_));
    char* const block = net_bad == kNoRecord ? d_.texts.take(net_bytes.back()) : nullptr;
    for (int n = 0; n < nnet_; ++n) {
        if (snet_[n] == -1) continue;
        if (n == net_bad) return bad("net " + std::to_string(n) + " has an illegal name word");
        if (snet_[n] < 0) {
            const char* name = SDB_net_name(db_.get(), n);
            if (!name) return bad("net " + std::to_string(n) + " has an illegal name word");
            d_.nets[static_cast<std::size_t>(n)] = d_.texts.keep(name);
        }
        d_.net_live[static_cast<std::size_t>(n)] = true;
    }
    run_in_pieces(static_cast<std::size_t>(nnet_), kNamePiece, threads_, [&](std::size_t first, std::size_t last) {
        char* at = block + net_bytes[first / kNamePiece];
        for (std::size_t n = first; n < last; ++n) {
            if (snet_[n] < 0) continue;
            char* const end = ::stpcpy(at, text(snet_[n]));
            d_.nets[n] = std::string_view(at, static_cast<std::size_t>(end - at));
            at = end + 1;
        }
    });
    SDB_free_tab(db_.get(), SDB_SNET);
    return true;
}

bool DesignReader::objects() {
    if (obj_names_short_) return bad("the object name table is short");
    if (obj_bad_ != kNoRecord) {
        // A hierarchical name before it that cannot be built comes first.
        for (int o = 0; o < obj_bad_; ++o)
            if (live(o) && sobj_[o] < 0 && !SDB_obj_name(db_.get(), o))
                return bad("object " + std::to_string(o) + " has an illegal name word");
        const bool classless = !in_range(obj_[obj_bad_].cls, nclass_);
        return bad("object " + std::to_string(obj_bad_) + (classless ? " has no valid class" : " has an illegal name word"));
    }
    RT_reserve_huge(d_.objects, objects_before_[pieces_]);
    d_.objects.resize(objects_before_[pieces_]);
    char* const block = d_.texts.take(bytes_before_[pieces_]);
    run_in_pieces(static_cast<std::size_t>(nobj_), kNamePiece, threads_, [&](std::size_t first, std::size_t last) {
        const std::size_t piece = first / kNamePiece;
        std::size_t at = objects_before_[piece];
        auto pins = static_cast<std::uint32_t>(pins_before_[piece]);
        char* to = block + bytes_before_[piece];
        for (std::size_t j = first; j < last; ++j) {
            const int o = static_cast<int>(j);
            if (!live(o)) continue;
            Object& x = d_.objects[at++];
            x.cls = obj_[o].cls;
            x.first = pins;
            pins += static_cast<std::uint32_t>(cls_[x.cls].pin_count);
            if (sobj_[o] < 0) continue;
            char* const end = ::stpcpy(to, text(sobj_[o]));
            x.name = std::string_view(to, static_cast<std::size_t>(end - to));
            to = end + 1;
        }
    });
    // The hierarchical names, in order.
    for (int o = 0, at = 0; o < nobj_; ++o) {
        if (!live(o)) continue;
        Object& x = d_.objects[static_cast<std::size_t>(at++)];
        if (sobj_[o] >= 0) continue;
        const char* name = SDB_obj_name(db_.get(), o);
        if (!name) return bad("object " + std::to_string(o) + " has an illegal name word");
        x.name = d_.texts.keep(name);
    }
    SDB_free_tab(db_.get(), SDB_OBJ);
    SDB_free_tab(db_.get(), SDB_SOBJ);
    return true;
}

bool DesignReader::ports() {
    std::vector<int> order;
    std::vector<bool> placed(static_cast<std::size_t>(nport_), false);
    std::unordered_map<std::int32_t, std::vector<int>> by_name;
    for (int p = nport_; p-- > 0;)
        if (port_[p].name != -1) by_name[port_[p].name].push_back(p);
    for (int i = 0; i < nxport_; ++i) {
        auto it = by_name.find(xport_[i]);
        if (it == by_name.end() || it->second.empty()) continue;
        const int p = it->second.back();
        it->second.pop_back();
        order.push_back(p);
        placed[static_cast<std::size_t>(p)] = true;
    }
    for (int p = 0; p < nport_; ++p)
        if (port_[p].name != -1 && !placed[static_cast<std::size_t>(p)]) order.push_back(p);
    for (int p : order) {
        const char* name = text(port_[p].name);
        if (!name) return bad("port " + std::to_string(p) + " has no name");
        d_.ports.push_back({name, port_[p].direction & 3, port_net_[static_cast<std::size_t>(p)], port_[p].flags});
    }
    return true;
}

void DesignReader::aliases_and_contents() {
    for (int i = 0; i < alias_net_count; ++i)
        if (alias_net_tab[i].first && alias_net_tab[i].second)
            d_.aliases.emplace_back(alias_net_tab[i].first, alias_net_tab[i].second);
    // Objects, or a net joining two nodes (two ports: assign y = a) as
    // found above, or a port tied to a constant (assign y = 1'b1) drive
    // ports from inside.
    for (const Port& p : d_.ports)
        if (d_.is_gnd(p.net) || d_.is_vcc(p.net)) d_.contents = true;
}

}  // namespace

bool read_design(const std::string& path, Design& d, std::string& err) {
    DesignReader r(path, d, err);
    if (!r.open()) return false;
    r.properties();
    if (!r.classes()) return false;
    r.count_objects();
    r.connections();
    if (!r.nets() || !r.objects() || !r.ports()) return false;
    r.aliases_and_contents();
    return true;
}

// ---------------------------------------------------------------- texts

namespace {
// Size of the blocks that take the texts given one by one.
constexpr std::size_t kTextBlock = std::size_t{64} << 10;
}  // namespace

char* TextArena::take(std::size_t n) {
    if (n > left_) {
        if (n >= kTextBlock / 4) {
            // A large piece has a block of its own; the open block stays.
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(n));
            return blocks_.back().get();
        }
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kTextBlock));
        cur_ = blocks_.back().get();
        left_ = kTextBlock;
    }
    char* p = cur_;
    cur_ += n;
    left_ -= n;
    return p;
}

std::string_view TextArena::keep(std::string_view text) {
    char* p = take(text.size() + 1);
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    return {p, text.size()};
}

// ---------------------------------------------------------------- building

DesignBuilder::DesignBuilder() : symbols_(SYM_init(SYM_NBUCKETS)) {
    if (!symbols_) throw std::bad_alloc();
    nets_.push_back(name(kGndName));
    nets_.push_back(name(kVccName));
}

std::int32_t DesignBuilder::name(std::string_view text) {
    if ((indexed_ + 1) * 2 > slots_.size()) {
        // Grow: every indexed handle goes into a table twice the size.
        std::vector<std::uint64_t> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
        const std::size_t mask = slots_.size() - 1;
        for (std::uint64_t v : old) {
            if (!v) continue;
            std::size_t i = (v >> 32) & mask;
            while (slots_[i]) i = (i + 1) & mask;
            slots_[i] = v;
        }
    }
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>()(text));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    for (; slots_[i]; i = (i + 1) & mask) {
        const std::uint64_t v = slots_[i];
        if ((v >> 32) != hash) continue;
        const auto h = static_cast<std::uint32_t>(v) - 1;
        if (std::string_view(texts_[h]) == text) return static_cast<std::int32_t>(h);
    }
    const std::int32_t h = new_name(text);
    slots_[i] = (static_cast<std::uint64_t>(hash) << 32) | (static_cast<std::uint32_t>(h) + 1);
    ++indexed_;
    return h;
}

namespace {

// grow_for, with the room asked for in huge pages when it is large: a
// large design's tables are filled at once, and a page fault per 4 KiB
// of them costs more than the writing.
template <class V>
void grow_huge_for(V& v, std::size_t extra) {
    const std::size_t before = v.capacity();
    grow_for(v, extra);
    if (v.capacity() != before) RT_advise_huge_pages(v.data(), v.capacity() * sizeof(typename V::value_type));
}

}  // namespace

void DesignBuilder::reserve(std::size_t names, std::size_t nets, std::size_t objects, std::size_t conns,
                            std::size_t prefixes) {
    grow_huge_for(texts_, names);
    grow_huge_for(nets_, nets);
    grow_huge_for(objects_, objects);
    grow_huge_for(conns_, conns);
    grow_huge_for(prefixes_, prefixes);
}

std::int32_t DesignBuilder::new_name(std::string_view text) {
    const auto h = static_cast<std::int32_t>(texts_.size());
    texts_.push_back(SYM_keep(static_cast<SymbolTable*>(symbols_), text.data(), text.size()));
    return h;
}

std::int32_t DesignBuilder::kept_name(const char* text) {
    const auto h = static_cast<std::int32_t>(texts_.size());
    texts_.push_back(text);
    return h;
}

std::int32_t DesignBuilder::add_level(std::int32_t segment, std::int32_t parent, std::int32_t cls_name) {
    prefixes_.push_back({segment, parent, cls_name, true});
    return static_cast<std::int32_t>(prefixes_.size() - 1);
}

std::int32_t DesignBuilder::add_leaf(std::int32_t segment, std::int32_t parent) {
    prefixes_.push_back({segment, parent, -1, false});
    return static_cast<std::int32_t>(prefixes_.size() - 1);
}

int DesignBuilder::add_class(std::int32_t name, int type, const std::vector<std::pair<std::int32_t, int>>& pins) {
    classes_.push_back({name, type, static_cast<std::uint32_t>(pins_.size()), static_cast<int>(pins.size())});
    pins_.insert(pins_.end(), pins.begin(), pins.end());
    return static_cast<int>(classes_.size() - 1);
}

int DesignBuilder::add_net(std::int32_t name_word) {
    const int n = static_cast<int>(nets_.size());
    nets_.push_back(name_word);
    if (name_word <= -6) prefixes_[static_cast<std::size_t>(-6 - name_word)].owner = n;
    return n;
}

int DesignBuilder::add_port(std::int32_t name, int dir, int net, std::uint32_t flags) {
    ports_.push_back({name, dir, net, flags});
    return static_cast<int>(ports_.size() - 1);
}

int DesignBuilder::add_object(std::int32_t name_word, int cls, const std::int32_t* nets) {
    const int o = static_cast<int>(objects_.size());
    const int n = classes_[static_cast<std::size_t>(cls)].count;
    conns_.insert(conns_.end(), nets, nets + n);
    objects_.push_back({name_word, cls});
    if (name_word <= -6) prefixes_[static_cast<std::size_t>(-6 - name_word)].owner = SDB_OWNER_OBJECT + o;
    return o;
}

void DesignBuilder::set_property(std::string_view key, std::string_view value) {
    props_.emplace_back(name(key), name(value));
}

void DesignBuilder::add_alias(std::string first, std::string second) {
    if (first != second) aliases_.emplace_back(std::move(first), std::move(second));
}

namespace {

// Frees what x holds (clear() would keep its storage).
template <class T>
void release(T& x) {
    T().swap(x);
}

}  // namespace

// Every handle gets its symbol id.  The symbol table keeps one search
// tree per hash bucket and never rebalances it; names inserted in sorted
// order (as u1, u2 ... of a netlist tend to be) would make each tree a
// list.  So the names of each bucket are sorted and inserted middle
// first, which leaves every tree balanced.
namespace {

// The first eight bytes of a text (zeros after its end) as a big-endian
// number: texts whose keys differ compare as their keys do under strcmp.
std::uint64_t text_key(const char* s) {
    std::uint64_t k = 0;
    int i = 0;
    for (; i < 8 && s[i]; ++i) k = (k << 8) | static_cast<unsigned char>(s[i]);
    if (i == 0 || i == 8) return k;
    return k << (8 * (8 - i));
}

// A handle with its text and the text's key, in twenty bytes (a design
// has millions of names): the sort and the symbols made from it read the
// text where the record is instead of looking it up by handle.
#pragma pack(push, 4)
struct Keyed {
    std::uint64_t k;
    const char* text;
    std::uint32_t handle;
    std::uint64_t key() const { return k; }
    // By value: a member of a packed record is not bound to a reference.
    const char* str() const { return text; }
};
#pragma pack(pop)

// Sorts a bucket's handles by key: a radix sort of the key's bytes, the
// lowest first, that skips a byte all keys share (names of a netlist
// share most of theirs), so that the texts themselves are not touched.
// Equal keys keep their order; tmp is room for as many records.
void sort_by_key(Keyed* a, std::size_t n, std::vector<Keyed>& tmp) {
    constexpr std::size_t kSmall = 48;
    if (n < kSmall) {
        std::sort(a, a + n, [](const Keyed& x, const Keyed& y) { return x.key() < y.key(); });
        return;
    }
    std::uint32_t count[8][256] = {};
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint64_t key = a[k].key();
        for (int d = 0; d < 8; ++d) ++count[d][(key >> (8 * d)) & 0xFF];
    }
    tmp.resize(n);
    Keyed* from = a;
    Keyed* to = tmp.data();
    for (int d = 0; d < 8; ++d) {
        if (count[d][(a[0].key() >> (8 * d)) & 0xFF] == n) continue;  // one value for all
        std::uint32_t at = 0;
        for (std::uint32_t& c : count[d]) {
            const std::uint32_t here = c;
            c = at;
            at += here;
        }
        for (std::size_t k = 0; k < n; ++k) to[count[d][(from[k].key() >> (8 * d)) & 0xFF]++] = from[k];
        std::swap(from, to);
    }
    if (from != a) std::copy(from, from + n, a);
}

// The balanced tree of the distinct texts names[a .. z) of a bucket, in
// strcmp order, as SYM_install_kept makes it: the middle text first, then
// the lower half, then the upper half, the ids counting from next in that
// order.  ids[m] takes the id of names[m]; returns the root's id (-1 for
// none).
std::int32_t make_tree(SymbolEntry* e, const char* const* names, std::int32_t* ids, std::size_t a, std::size_t z,
                       std::int32_t& next) {
    if (a >= z) return -1;
    const std::size_t m = a + (z - a) / 2;
    const std::int32_t id = next++;
    ids[m] = id;
    e[id].name = const_cast<char*>(names[m]);
    e[id].left = make_tree(e, names, ids, a, m, next);
    e[id].right = make_tree(e, names, ids, m + 1, z, next);
    return id;
}

}  // namespace

void DesignBuilder::make_symbols() {
    auto* t = static_cast<SymbolTable*>(symbols_);
    const std::size_t n = texts_.size();
    // A large design's texts are hashed, its buckets sorted and their
    // trees made on several threads; each bucket's ids follow those of
    // the buckets before it, as on one thread, so that the ids do not
    // depend on the threads.
    const unsigned threads = n >= kThreadedRecords ? RT_max_threads() : 1;
    // Each handle's bucket, and the handles with their texts in bucket
    // order (a counting sort): each piece of handles counts its own, so
    // that every piece places its records in its own slots.
    static_assert(SYM_NBUCKETS <= UINT16_MAX + 1);
    std::vector<std::uint16_t> bucket(n);
    const std::size_t pieces = pieces_of(n);
    std::vector<std::uint32_t> at(pieces * SYM_NBUCKETS, 0);  // piece by piece, then bucket
    run_in_pieces(n, kNamePiece, threads, [&](std::size_t first, std::size_t last) {
        std::uint32_t* count = at.data() + first / kNamePiece * SYM_NBUCKETS;
        for (std::size_t h = first; h < last; ++h) {
            bucket[h] = static_cast<std::uint16_t>(SYM_hash(texts_[h]) % static_cast<std::uint32_t>(SYM_NBUCKETS));
            ++count[bucket[h]];
        }
    });
    std::vector<std::uint32_t> start(SYM_NBUCKETS + 1, 0);
    for (int b = 0; b < SYM_NBUCKETS; ++b) {
        std::uint32_t place = start[b];
        for (std::size_t p = 0; p < pieces; ++p) {
            std::uint32_t& c = at[p * SYM_NBUCKETS + static_cast<std::size_t>(b)];
            const std::uint32_t here = c;
            c = place;
            place += here;
        }
        start[b + 1] = place;
    }
    // Every record is written below: the table is not cleared first.
    const auto keyed = std::make_unique_for_overwrite<Keyed[]>(n);
    RT_advise_huge_pages(keyed.get(), n * sizeof(Keyed));
    run_in_pieces(n, kNamePiece, threads, [&](std::size_t first, std::size_t last) {
        std::uint32_t* place = at.data() + first / kNamePiece * SYM_NBUCKETS;
        for (std::size_t h = first; h < last; ++h)
            keyed[place[bucket[h]]++] = {0, texts_[h], static_cast<std::uint32_t>(h)};
    });
    release(at);
    // The records hold the texts now: the handles' tables go before the
    // symbols' are made (for a large design this is the peak of saving).
    release(bucket);
    release(texts_);
    // Each bucket in strcmp order: by key, and the texts of equal keys
    // compared among themselves.  Then each record's key becomes the
    // place of its text among the bucket's distinct texts (a text
    // differs from the one before it when their keys do).
    auto text_less = [](const Keyed& x, const Keyed& y) { return std::strcmp(x.text, y.text) < 0; };
    constexpr std::size_t kBucketPiece = 16;
    run_in_pieces(SYM_NBUCKETS, kBucketPiece, threads, [&](std::size_t first, std::size_t last) {
        std::vector<Keyed> tmp;
        for (std::size_t b = first; b < last; ++b) {
            Keyed* const lo = keyed.get() + start[b];
            Keyed* const hi = keyed.get() + start[b + 1];
            for (Keyed* k = lo; k != hi; ++k) k->k = text_key(k->text);
            sort_by_key(lo, static_cast<std::size_t>(hi - lo), tmp);
            for (Keyed* k = lo; k != hi;) {
                Keyed* e = k + 1;
                while (e != hi && e->key() == k->key()) ++e;
                if (e - k > 1) std::sort(k, e, text_less);
                k = e;
            }
            std::uint64_t u = 0;
            std::uint64_t prev_key = 0;
            for (Keyed* k = lo; k != hi; ++k) {
                const std::uint64_t key = k->k;
                if (k != lo && (key != prev_key || std::strcmp(k->text, (k - 1)->text) != 0)) ++u;
                prev_key = key;
                k->k = u;
            }
        }
    });
    // Room for every text at once (equal texts take fewer entries).
    const auto want = static_cast<std::int64_t>(n) + 2 - DYNA_capacity(t->entries);
    if (want > 0 && want < INT32_MAX) DYNA_resize(&t->entries, static_cast<int>(want));
    RT_advise_huge_pages(t->entries, static_cast<std::size_t>(DYNA_capacity(t->entries)) * sizeof(SymbolEntry));
    RT_reserve_huge(sym_of_, n);
    sym_of_.assign(n, 0);
    // The distinct texts of each bucket.
    std::vector<std::int32_t> distinct(SYM_NBUCKETS, 0);
    for (int b = 0; b < SYM_NBUCKETS; ++b)
        if (start[b + 1] > start[b]) distinct[b] = static_cast<std::int32_t>(keyed[start[b + 1] - 1].k + 1);
    // The texts of bucket b, in order, and each record's symbol.
    auto texts_of = [&](int b, std::vector<const char*>& names) {
        names.clear();
        for (const Keyed* k = keyed.get() + start[b]; k != keyed.get() + start[b + 1]; ++k)
            if (k->k == names.size()) names.push_back(k->str());
    };
    auto give_ids = [&](int b, const std::vector<std::int32_t>& ids) {
        for (const Keyed* k = keyed.get() + start[b]; k != keyed.get() + start[b + 1]; ++k)
            sym_of_[k->handle] = ids[static_cast<std::size_t>(k->k)];
    };
    std::vector<const char*> names;
    std::vector<std::int32_t> ids;
    for (int b = 0; b < SYM_NBUCKETS;) {
        if (t->roots[static_cast<std::size_t>(b)] != -1) {
            // A bucket that holds symbols already ("*UNDEF*" is symbol 0
            // of every table): each text is found there or added.
            texts_of(b, names);
            ids.resize(names.size());
            SYM_install_kept(t, names.data(), ids.data(), names.size());
            give_ids(b, ids);
            ++b;
            continue;
        }
        // A run of empty buckets: the ids of each one's texts follow those
        // of the buckets before it, so that the trees are made side by
        // side, each as SYM_install_kept makes it.
        int e = b;
        while (e < SYM_NBUCKETS && t->roots[static_cast<std::size_t>(e)] == -1) ++e;
        std::vector<std::int32_t> base(static_cast<std::size_t>(e - b) + 1);
        base[0] = SYM_count(t);
        for (int i = b; i < e; ++i)
            base[static_cast<std::size_t>(i - b) + 1] = base[static_cast<std::size_t>(i - b)] + distinct[i];
        const std::int32_t added = base.back() - base[0];
        if (added > 0 && DYNA_add(&t->entries, added) < 0) throw std::bad_alloc();
        SymbolEntry* const entries = t->entries;
        run_in_pieces(static_cast<std::size_t>(e - b), kBucketPiece, threads, [&](std::size_t first, std::size_t last) {
            std::vector<const char*> texts;
            std::vector<std::int32_t> sym;
            for (std::size_t i = first; i < last; ++i) {
                const int bucket = b + static_cast<int>(i);
                texts_of(bucket, texts);
                if (texts.empty()) continue;
                sym.resize(texts.size());
                std::int32_t next = base[i];
                t->roots[static_cast<std::size_t>(bucket)] = make_tree(entries, texts.data(), sym.data(), 0, texts.size(), next);
                give_ids(bucket, sym);
            }
        });
        b = e;
    }
}

bool DesignBuilder::save(const std::string& path, std::string& err) {
    make_symbols();
    // The symbols are made: the handles' texts and index go before the
    // database tables grow (for a large design they are a good part of
    // the peak memory).
    release(texts_);
    release(slots_);
    indexed_ = 0;
    auto* symbols = static_cast<SymbolTable*>(symbols_);
    symbols_ = nullptr;
    errno = 0;
    SdbDatabase* db = SDB_open(path.c_str(), "w", 0);
    if (!db) {
        // The folder that does not take the file says why.
        const int why = errno ? errno : EIO;
        SYM_free(symbols);
        err = "cannot create design database '" + path + "': " + std::strerror(why);
        return false;
    }
    SDB_setup(db);
    SYM_free(db->symbols);
    db->symbols = symbols;
    db->slot[SDB_PREF].data = PREFIX_init(static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data), symbols);
    SDB_setup(db);
    // A new design starts without the pairs of an old alias file.
    ALIAS_free();

    // The tables take their records at once instead of growing step by
    // step (each step a copy of the table into new memory).
    make_room(db, SDB_PREF, prefixes_.size());
    make_room(db, SDB_CLAS, classes_.size());
    make_room(db, SDB_PIN, pins_.size());
    make_room(db, SDB_NET, nets_.size());
    make_room(db, SDB_SNET, nets_.size());
    make_room(db, SDB_PORT, ports_.size());
    make_room(db, SDB_OBJ, objects_.size());
    make_room(db, SDB_SOBJ, objects_.size());
    make_room(db, SDB_NODE, conns_.size() + ports_.size());
    make_room(db, SDB_XPOR, xport_.size());
    SDB_setup(db);

    auto sym = [&](std::int32_t h) { return h >= 0 ? sym_of_[static_cast<std::size_t>(h)] : h; };
    bool ok = true;
    auto check = [&](int r) {
        if (r < 0) ok = false;
        return r;
    };

    // The prefix entries at once, behind those of the new design (none),
    // in the room made for them.
    if (!prefixes_.empty()) {
        auto* t = static_cast<SdbPrefixEntry*>(db->slot[SDB_PREF].data);
        SdbPrefixEntry* e =
            prefixes_.size() < INT32_MAX ? PREFIX_add_room(&t, static_cast<int>(prefixes_.size())) : nullptr;
        if (!e) {
            ok = false;
        } else {
            for (const PrefixRec& p : prefixes_) {
                const std::int32_t owner = p.level ? -6 - (p.owner >= 0 ? sym(p.owner) : 0) : p.owner;
                *e++ = SdbPrefixEntry{sym(p.name), p.parent, owner};
            }
        }
    }
    release(prefixes_);
    for (const ClassRec& c : classes_) {
        int first = -1;
        for (int k = 0; k < c.count; ++k) {
            const auto& [pn, dir] = pins_[c.first_pin + static_cast<std::uint32_t>(k)];
            const int i = check(SDB_make_pin(sym(pn), dir));
            if (k == 0) first = i;
        }
        check(SDB_make_class(sym(c.name), c.type, first, c.count));
    }
    // The database makes GND and VCC with every new design, named in the
    // symbol table it started with: they take the names of this one.
    std::size_t named = 0;
    for (; named < nets_.size() && named < 2; ++named) {
        if (static_cast<int>(named) >= ::net_count || static_cast<int>(named) >= DYNA_count(snet_tab)) break;
        snet_tab[named] = sym(nets_[named]);
    }
    // The other nets' names in place of their handles, made at once.
    for (std::size_t k = named; k < nets_.size(); ++k) nets_[k] = sym(nets_[k]);
    if (named < nets_.size())
        check(SDB_make_nets(static_cast<int>(nets_.size() - named), nets_.data() + named));
    saved_nets_ = nets_.size();
    release(nets_);
    SDB_update(db);
    for (const PortRec& p : ports_) {
        const int i = check(SDB_make_port(sym(p.name), p.dir, -1, p.flags));
        if (i >= 0) check(SDB_make_node(-1, i, p.net));
    }
    // What is left to do needs a few symbols only: the objects take
    // their names' symbols in place of their handles, and the symbol of
    // each handle goes before the objects and their nodes are made (which
    // take memory of their own).
    for (ObjectRec& o : objects_) o.name = sym(o.name);
    std::vector<std::int32_t> xport_syms;
    for (std::int32_t x : xport_) xport_syms.push_back(sym(x));
    std::vector<std::pair<std::int32_t, std::int32_t>> prop_syms;
    for (const auto& [k, v] : props_) prop_syms.emplace_back(sym(k), sym(v));
    release(sym_of_);
    for (std::int32_t x : xport_syms) check(SDB_make_port_list(x));
    if (!props_.empty()) {
        SdbTableSlot& s = db->slot[SDB_PROP];
        auto* a = static_cast<std::int32_t*>(s.data);
        if (!a) a = DYNA_new<std::int32_t>(static_cast<int>(2 * prop_syms.size() + 1));
        for (const auto& [k, v] : prop_syms) {
            DYNA_append(&a, k);
            DYNA_append(&a, v);
        }
        // The record behind the last reads as -1, as in every table.
        const int end = DYNA_append(&a, std::int32_t{-1});
        DYNA_set_count(a, end);
        s.data = a;
        s.count = end;
        s.size = static_cast<std::int32_t>(sizeof(std::int32_t));
    }
    for (const auto& [a, b] : aliases_) ALIAS_add(a.c_str(), b.c_str());

    // The objects and their nodes, which come in the order of their
    // connections, are made as the design is written: a large design's
    // node table is never held in memory.
    int saved = -1;
    if (ok) {
        SdbObjectSource src{
            static_cast<int>(objects_.size()),
            [](void* ctx, int i, std::int32_t* name, std::int32_t* cls) {
                const ObjectRec& o = (*static_cast<const std::vector<ObjectRec>*>(ctx))[static_cast<std::size_t>(i)];
                *name = o.name;
                *cls = o.cls;
            },
            &objects_, conns_.data(), static_cast<std::int64_t>(conns_.size())};
        saved = objects_.size() > static_cast<std::size_t>(INT32_MAX) ? -1 : SDB_save_objs(db, &src);
    }
    saved_objects_ = objects_.size();
    release(objects_);
    release(conns_);
    SDB_close(db, 0);
    if (saved < 0) {
        err = "internal error while making design database '" + path + "'";
        return false;
    }
    if (saved != 0) {
        err = "cannot write design database '" + path + "': " + SDB_save_why();
        return false;
    }
    if (aliases_.empty()) {
        std::string asn = path;
        const std::size_t slash = asn.rfind('/');
        const std::size_t dot = asn.rfind('.');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) asn.erase(dot);
        asn += ".asn";
        std::error_code ec;
        std::filesystem::remove(asn, ec);
    }
    return true;
}

DesignBuilder::~DesignBuilder() {
    if (symbols_) SYM_free(static_cast<SymbolTable*>(symbols_));
}

}  // namespace ntool
