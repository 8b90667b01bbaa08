// drumway: expands a design into its cell-level design "<design>.c.sdb".
//
//     drumway [-cellonly] [-keepempty] DESIGN[.sdb] [-opath DIR]
//
// The hierarchy below DESIGN is flattened down to library cells: every
// instance of a module that has a design database of its own is replaced
// by the contents of that design, and its objects and nets get
// hierarchical names, the instance names above them joined by the
// hierarchy separator of the definition file.  Library cells (class type
// CELL, or designs compiled as cells) stay instances.  A module without
// contents (no instances, no net joining two pins) is dropped, or with
// -keepempty kept as a cell.  <design> is the name of the design file
// without its directory and ".sdb", so that an edited copy (chip_jtag.sdb)
// expands beside the expansion of the unedited design (chip.c.sdb) instead
// of over it; the result is written into DIR (default ".") and never over
// a file that the run reads.  Masters are looked for beside DESIGN, then
// along the search path.
//
// The work is linear in the size of the flattened design: each module's
// database is read once, and nets that meet through the ports of an
// expanded instance are joined with a union-find.

#include <malloc.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sdb/sdb.h"
#include "tools/common/netdb.h"
#include "tools/common/tool.h"

namespace {

using ntool::Design;
using ntool::DesignBuilder;

const char* const kUsage =
    "usage: drumway [-cellonly] [-keepempty] DESIGN[.sdb] [-opath DIR]\n"
    "  -cellonly   flatten the hierarchy down to library cells\n"
    "  -keepempty  keep modules without contents as cells\n"
    "  -opath DIR  write <design>.c.sdb into DIR (default .)\n";

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a design, or throws a Failure with the reason.  A design refused
// as damaged because a module below it has a port named after nothing
// (each design above it then holds a class pin of that name) is not the
// file to blame: the message names the module's file instead.
void read_or_fail(const std::string& path, Design& d, const std::vector<std::string>& dirs) {
    std::string err;
    SdbMessageHold hold;
    if (ntool::read_design(path, d, err)) return;
    if (sdb_errnoG == SDB_CORRUPT) {
        const std::string below = ntool::design_with_damaged_ports_below(path, dirs);
        if (!below.empty()) {
            hold.drop();
            Design damaged;
            if (!ntool::read_design(below, damaged, err)) throw Failure(err);
        }
    }
    hold.release();
    throw Failure(err);
}

// How many pins ahead the loops over the pins load their nets' entries.
constexpr std::size_t kAhead = 32;

class Flattener {
public:
    // The texts of the designs expanded go to kept when they are freed:
    // the result's names are taken where they lie in them, so kept must
    // outlive the builder's save.
    Flattener(ntool::ToolRun& run, bool keep_empty, char dot, std::vector<std::string> dirs,
              std::vector<ntool::TextArena>& kept)
        : run_(run), keep_empty_(keep_empty), dot_(dot), dirs_(std::move(dirs)), kept_(kept) {}

    void flatten(const Design& top, DesignBuilder& b) {
        b_ = &b;
        // Temporary nets 0 and 1 are the constants.
        parent_ = {0, 1};
        temp_name_ = {0, 0};
        on_path_.insert(top.module);
        std::vector<std::int32_t> local(top.nets.size(), -1);
        // The nets of the top-level ports come first, so that a net which
        // a lower module joins to a port is named after the port, not
        // after a wire that the top happens to declare earlier.
        for (const ntool::Port& p : top.ports) {
            const auto n = static_cast<std::size_t>(p.net);
            if (p.net < 0 || n >= top.nets.size() || !top.net_live[n] || local[n] >= 0) continue;
            if (top.is_gnd(p.net) || top.is_vcc(p.net)) continue;
            local[n] = new_temp(name_word(-1, top.nets[n]));
        }
        expand(top, top.path, -1, local, {0, 0});
        emit(top, local);
    }

    std::size_t dropped() const { return dropped_; }
    // The design files read for the masters.
    const std::vector<std::string>& read_paths() const { return read_paths_; }
    std::size_t expanded() const { return expanded_; }

private:
    enum class Kind { Leaf, Expand, Drop };
    struct Master {
        Kind kind = Kind::Leaf;
        std::unique_ptr<Design> design;
        std::unordered_map<std::string, int> port_of;  // port name -> index
    };
    struct FlatClass {
        int index;
        const ntool::Class* first;  // the class it was made from, for comparing pins
        std::string where;
    };
    struct FlatObject {
        std::int32_t name;
        int cls;
        std::uint32_t first;
    };

    // ------------------------------------------------------------ nets

    std::int32_t new_temp(std::int32_t name_word) {
        const auto t = static_cast<std::int32_t>(parent_.size());
        parent_.push_back(t);
        temp_name_.push_back(name_word);
        return t;
    }

    std::int32_t find(std::int32_t x) {
        while (parent_[static_cast<std::size_t>(x)] != x) {
            auto& p = parent_[static_cast<std::size_t>(x)];
            p = parent_[static_cast<std::size_t>(p)];
            x = p;
        }
        return x;
    }

    // The net made first (the outer one, or a constant) names the union.
    void unite(std::int32_t a, std::int32_t b, std::string_view inst) {
        a = find(a);
        b = find(b);
        if (a == b) return;
        if (a <= ntool::kNetVcc && b <= ntool::kNetVcc)
            throw Failure("instance '" + std::string(inst) + "' joins the constants GND and VCC");
        if (b < a) std::swap(a, b);
        parent_[static_cast<std::size_t>(b)] = a;
    }

    // ------------------------------------------------------------ names

    // The name word of local name text below level: a flat symbol at the
    // top, else the last of a chain of prefix entries.  Separators inside
    // a name make levels too, so that every name reads back whole and is
    // found by its full text.  text is a name of a design read, with its
    // terminator behind it: its last segment is taken where it lies.
    std::int32_t name_word(std::int32_t level, std::string_view text) {
        // A whole name at the top needs no look-up either: equal texts
        // still become one symbol.
        if (level == -1 && text.find(dot_) == std::string::npos) return b_->kept_name(text.data());
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find(dot_, start);
            const std::string_view seg =
                std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start);
            // A last segment is no key of a level: it needs no look-up
            // (equal texts still become one symbol when the design is
            // saved).
            if (end == std::string::npos)
                return DesignBuilder::prefix_word(
                    b_->add_leaf(seg.empty() ? segment(seg) : b_->kept_name(seg.data()), level));
            level = level_entry(segment(seg), level, -1);
            start = end + 1;
        }
    }

    std::int32_t segment(std::string_view s) {
        // An empty segment (a name with two separators in a row) would not
        // read back; it keeps the separator instead.
        if (s.empty()) return b_->name(std::string(1, dot_));
        return b_->name(s);
    }

    // The level entry of segment seg below parent, made once.
    std::int32_t level_entry(std::int32_t seg, std::int32_t parent, std::int32_t cls_name) {
        const std::uint64_t key =
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(parent)) << 32) | static_cast<std::uint32_t>(seg);
        auto it = levels_.find(key);
        if (it != levels_.end()) return it->second;
        const std::int32_t e = b_->add_level(seg, parent, cls_name);
        levels_.emplace(key, e);
        return e;
    }

    // ------------------------------------------------------------ masters

    Master& master(const ntool::Class& c) {
        auto it = masters_.find(c.name);
        if (it != masters_.end()) return it->second;
        Master& m = masters_[c.name];
        if (c.type != ntool::kTypeDesign) return m;  // a cell or primitive
        const std::string path = ntool::find_design(c.name, dirs_);
        if (path.empty()) {
            run_.warn("no design database '" + c.name + ".sdb' was found: its instances stay cells");
            return m;
        }
        auto d = std::make_unique<Design>();
        read_paths_.push_back(path);
        read_or_fail(path, *d, dirs_);
        if (d->cell) return m;
        if (!d->has_contents()) {
            m.kind = keep_empty_ ? Kind::Leaf : Kind::Drop;
            return m;
        }
        m.kind = Kind::Expand;
        for (std::size_t p = 0; p < d->ports.size(); ++p) m.port_of.emplace(d->ports[p].name, static_cast<int>(p));
        m.design = std::move(d);
        return m;
    }

    int flat_class(const ntool::Class& c, const std::string& where) {
        auto it = flat_classes_.find(c.name);
        if (it != flat_classes_.end()) {
            const ntool::Class& f = *it->second.first;
            bool same = f.pins.size() == c.pins.size();
            for (std::size_t k = 0; same && k < c.pins.size(); ++k) same = f.pins[k].name == c.pins[k].name;
            if (!same)
                throw Failure("class '" + c.name + "' has other pins in " + where + " than in " + it->second.where);
            return it->second.index;
        }
        pins_.clear();
        for (const ntool::Pin& p : c.pins) pins_.emplace_back(b_->name(p.name), p.dir);
        // In the cell-level design every leaf is a cell.
        const int type = c.type >= 16 ? c.type : ntool::kTypeCell;
        const int index = b_->add_class(b_->name(c.name), type, pins_);
        flat_classes_.emplace(c.name, FlatClass{index, &c, where});
        return index;
    }

    // Pin k of class c of design d goes to port pin_port[k] of the master.
    const std::vector<int>& pin_ports(const Design& d, int cls, const Master& m) {
        const auto key = std::make_pair(&d, cls);
        auto it = pin_ports_.find(key);
        if (it != pin_ports_.end()) return it->second;
        const ntool::Class& c = d.classes[static_cast<std::size_t>(cls)];
        std::vector<int> map(c.pins.size(), -1);
        for (std::size_t k = 0; k < c.pins.size(); ++k) {
            auto p = m.port_of.find(c.pins[k].name);
            if (p == m.port_of.end())
                throw Failure("pin '" + c.pins[k].name + "' of class '" + c.name + "' in " + d.path +
                              " is not a port of " + m.design->path);
            map[k] = p->second;
        }
        return pin_ports_.emplace(key, std::move(map)).first->second;
    }

    // ------------------------------------------------------------ expansion

    // What the designs above one being expanded add after it at most:
    // their objects behind it, and those objects' pins.
    struct Behind {
        std::size_t objects;
        std::size_t pins;
    };

    // Expands design d below level; local gives the temporary net of each
    // of d's nets, filled in already for the nets its ports reach.
    void expand(const Design& d, const std::string& where, std::int32_t level, std::vector<std::int32_t>& local,
                Behind behind) {
        if (d.is_gnd(ntool::kNetGnd) && local[ntool::kNetGnd] < 0) local[ntool::kNetGnd] = ntool::kNetGnd;
        if (d.is_vcc(ntool::kNetVcc) && local[ntool::kNetVcc] < 0) local[ntool::kNetVcc] = ntool::kNetVcc;
        for (std::size_t n = 0; n < d.nets.size(); ++n) {
            if (local[n] >= 0 || !d.net_live[n]) continue;
            local[n] = new_temp(name_word(level, d.nets[n]));
        }
        // Each class of d is looked up once, not once per object.
        ClassCache& cache = class_cache_[&d];
        if (cache.master.empty()) {
            cache.master.assign(d.classes.size(), nullptr);
            cache.flat.assign(d.classes.size(), -1);
        }
        for (const ntool::Object& o : d.objects) {
            const auto ci = static_cast<std::size_t>(o.cls);
            const ntool::Class& c = d.classes[ci];
            if (!cache.master[ci]) cache.master[ci] = &master(c);
            Master& m = *cache.master[ci];
            if (m.kind == Kind::Drop) {
                ++dropped_;
                continue;
            }
            if (m.kind == Kind::Leaf) {
                const auto first = static_cast<std::uint32_t>(conns_.size());
                for (std::size_t k = 0; k < c.pins.size(); ++k) {
                    // The nets of the pins some way ahead lie anywhere in
                    // local: their entries are loaded into the cache now.
                    if (o.first + k + kAhead < d.conns.size()) {
                        const std::int32_t ahead = d.conns[o.first + k + kAhead];
                        if (ahead >= 0 && static_cast<std::size_t>(ahead) < local.size())
                            __builtin_prefetch(&local[static_cast<std::size_t>(ahead)]);
                    }
                    const std::int32_t n = d.conns[o.first + k];
                    conns_.push_back(n >= 0 ? local[static_cast<std::size_t>(n)] : -1);
                }
                if (cache.flat[ci] < 0) cache.flat[ci] = flat_class(c, where);
                objects_.push_back({name_word(level, o.name), cache.flat[ci], first});
                continue;
            }
            const Design& child = *m.design;
            if (!on_path_.insert(c.name).second)
                throw Failure("module '" + c.name + "' contains itself (instance '" + std::string(o.name) + "' in " + d.path + ")");
            ++expanded_;
            // What the child adds, made room for at once, with the objects
            // that follow it here and above: a large child's tables would
            // otherwise grow by half again for the few cells behind it.
            const auto index = static_cast<std::size_t>(&o - d.objects.data());
            const Behind after{behind.objects + d.objects.size() - index - 1,
                               behind.pins + d.conns.size() - o.first - c.pins.size()};
            ntool::grow_for(objects_, child.objects.size() + after.objects);
            ntool::grow_for(conns_, child.conns.size() + after.pins);
            ntool::grow_for(parent_, child.nets.size());
            ntool::grow_for(temp_name_, child.nets.size());
            const std::size_t names = child.objects.size() + child.nets.size() + after.objects;
            b_->reserve(names, 0, 0, 0, names);
            std::vector<std::int32_t> inner(child.nets.size(), -1);
            if (child.is_gnd(ntool::kNetGnd)) inner[ntool::kNetGnd] = ntool::kNetGnd;
            if (child.is_vcc(ntool::kNetVcc)) inner[ntool::kNetVcc] = ntool::kNetVcc;
            // A port on a constant net ties the outer net to that constant.
            const std::vector<int>& ports = pin_ports(d, o.cls, m);
            for (std::size_t k = 0; k < c.pins.size(); ++k) {
                const std::int32_t outer = d.conns[o.first + k];
                const int pn = child.ports[static_cast<std::size_t>(ports[k])].net;
                if (outer < 0 || pn < 0) continue;
                const std::int32_t t = local[static_cast<std::size_t>(outer)];
                if (t < 0) continue;  // a net deleted by an edit: the pin is open
                std::int32_t& in = inner[static_cast<std::size_t>(pn)];
                if (in < 0)
                    in = t;
                else
                    unite(in, t, o.name);
            }
            // The instance's level: its name's segments, the last one
            // standing for the instance of class c.
            std::int32_t lv = level;
            {
                std::size_t start = 0;
                for (;;) {
                    const std::size_t end = o.name.find(dot_, start);
                    const std::string_view seg = std::string_view(o.name).substr(
                        start, end == std::string::npos ? std::string::npos : end - start);
                    const bool last = end == std::string::npos;
                    lv = level_entry(segment(seg), lv, last ? b_->name(c.name) : -1);
                    if (last) break;
                    start = end + 1;
                }
            }
            expand(child, child.path, lv, inner, after);
            on_path_.erase(c.name);
        }
    }

    // Hands the nets, objects and ports to the builder.  What the
    // expansion alone needed (the masters' designs, the look-up tables,
    // the union-find) goes before the builder's tables grow, and the
    // flat records go as soon as the builder holds their copies: each
    // would otherwise add to the peak memory of a large design.
    void emit(const Design& top, const std::vector<std::int32_t>& local) {
        release_masters();
        b_->reserve(0, parent_.size(), 0, 0);
        std::vector<std::int32_t> net(parent_.size(), -1);
        net[0] = ntool::kNetGnd;
        net[1] = ntool::kNetVcc;
        for (std::size_t t = 2; t < parent_.size(); ++t)
            if (find(static_cast<std::int32_t>(t)) == static_cast<std::int32_t>(t)) net[t] = b_->add_net(temp_name_[t]);
        // Every temporary net straight to its final net.
        for (std::size_t t = 2; t < parent_.size(); ++t)
            net[t] = net[static_cast<std::size_t>(find(static_cast<std::int32_t>(t)))];
        release(parent_);
        release(temp_name_);
        auto final_net = [&](std::int32_t t) { return t < 0 ? -1 : net[static_cast<std::size_t>(t)]; };
        b_->reserve(0, 0, objects_.size(), conns_.size());
        std::vector<std::int32_t> nets;
        for (const FlatObject& o : objects_) {
            const int count = b_->class_pin_count(o.cls);
            nets.resize(static_cast<std::size_t>(count));
            for (int k = 0; k < count; ++k) {
                const std::size_t at = o.first + static_cast<std::uint32_t>(k);
                if (at + kAhead < conns_.size() && conns_[at + kAhead] >= 0)
                    __builtin_prefetch(&net[static_cast<std::size_t>(conns_[at + kAhead])]);
                nets[static_cast<std::size_t>(k)] = final_net(conns_[at]);
            }
            b_->add_object(o.name, o.cls, nets.data());
        }
        release(objects_);
        release(conns_);
        for (const ntool::Port& p : top.ports) {
            const std::int32_t name = b_->name(p.name);
            b_->add_port(name, p.dir, p.net >= 0 ? final_net(local[static_cast<std::size_t>(p.net)]) : -1);
            b_->add_port_list(name);
        }
    }

    template <class T>
    static void release(T& x) {
        T().swap(x);
    }

    // The designs read for the masters and every table that points into
    // them; only the result's records stay.
    void release_masters() {
        for (auto& [name, m] : masters_)
            if (m.design) kept_.push_back(std::move(m.design->texts));
        release(class_cache_);
        release(pin_ports_);
        release(flat_classes_);
        release(levels_);
        release(masters_);
    }

    ntool::ToolRun& run_;
    bool keep_empty_;
    char dot_;
    std::vector<std::string> dirs_;
    std::vector<ntool::TextArena>& kept_;
    DesignBuilder* b_ = nullptr;
    std::vector<std::int32_t> parent_;     // union-find over temporary nets
    std::vector<std::int32_t> temp_name_;  // name word of each temporary net
    std::unordered_map<std::uint64_t, std::int32_t> levels_;
    std::unordered_map<std::string, Master> masters_;
    std::unordered_map<std::string, FlatClass> flat_classes_;
    // Per design read: the master of each class and, for a leaf, its
    // class in the result (-1 until first met).
    struct ClassCache {
        std::vector<Master*> master;
        std::vector<int> flat;
    };
    std::unordered_map<const Design*, ClassCache> class_cache_;
    struct PairHash {
        std::size_t operator()(const std::pair<const Design*, int>& k) const {
            return std::hash<const void*>()(k.first) * 31 + static_cast<std::size_t>(k.second);
        }
    };
    std::unordered_map<std::pair<const Design*, int>, std::vector<int>, PairHash> pin_ports_;
    std::unordered_set<std::string> on_path_;
    std::vector<std::pair<std::int32_t, int>> pins_;
    std::vector<FlatObject> objects_;
    std::vector<std::int32_t> conns_;
    std::vector<std::string> read_paths_;
    std::size_t dropped_ = 0;
    std::size_t expanded_ = 0;
};

// True when the two paths name one existing file.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

int main(int argc, char** argv) {
    ntool::ToolRun run("drumway");
    bool keep_empty = false;
    std::string opath = ".";
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-cellonly") {
            // Cells are the leaves of every expansion.
        } else if (a == "-keepempty") {
            keep_empty = true;
        } else if (a == "-opath") {
            if (i + 1 >= argc) run.usage("drumway: -opath needs an argument\n" + std::string(kUsage));
            opath = argv[++i];
        } else if (a == "-h" || a == "-help" || a == "--help") {
            run.usage(kUsage);
        } else if (!a.empty() && a[0] == '-') {
            run.usage("drumway: unknown option " + a + "\n" + kUsage);
        } else if (name.empty()) {
            name = a;
        } else {
            run.usage("drumway: more than one design named\n" + std::string(kUsage));
        }
    }
    if (name.empty()) run.usage("drumway: no design named\n" + std::string(kUsage));

    SDB_start_load_def();
    std::string path = sdb_file_name(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && name.find('/') == std::string::npos) {
        const std::string found = ntool::find_design(ntool::base_name(path), {});
        if (!found.empty()) path = found;
    }
    if (::stat(opath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        run.error("output directory '" + opath + "' does not exist");
        run.finish(1);
    }
    try {
        std::string err;
        const std::string out = ntool::join_path(opath, ntool::base_name(path) + ".c.sdb");
        // The names of the designs read, which the builder takes where
        // they lie: freed after it.
        std::vector<ntool::TextArena> texts;
        DesignBuilder b;
        std::vector<std::string> inputs;
        std::size_t expanded = 0, dropped = 0;
        {
            // The design read and the masters go before the result is
            // written: only the builder is kept.
            Design top;
            read_or_fail(path, top, {ntool::directory_of(path)});
            run.note("Expanding " + path + " (module " + top.module + ")");
            Flattener f(run, keep_empty, sdb_hier_dot, {ntool::directory_of(path)}, texts);
            f.flatten(top, b);
            texts.push_back(std::move(top.texts));
            b.set_property(ntool::kPropModule, top.module);
            b.set_property(ntool::kPropType, ntool::kTypeDesignName);
            inputs = f.read_paths();
            expanded = f.expanded();
            dropped = f.dropped();
        }
        inputs.push_back(path);
        for (const std::string& in : inputs)
            if (same_file(out, in)) throw Failure("the result " + out + " would overwrite its input " + in);
        // The tables of the file are made as the builder frees its own
        // records: the freed memory goes back at once instead of adding
        // to the peak (the expansion before it grows its tables faster in
        // the heap).  What the designs read left free inside the heap
        // goes back first: the file's tables are mapped apart from it and
        // could not use it.
        ntool::return_large_blocks();
        ::malloc_trim(0);
        if (!b.save(out, err)) throw Failure(err);
        run.note("Wrote " + out + ": " + std::to_string(b.object_count()) + " cell instances, " +
                 std::to_string(b.net_count()) + " nets; " + std::to_string(expanded) + " instances expanded" +
                 (dropped ? ", " + std::to_string(dropped) + " instances of modules without contents dropped"
                          : std::string()));
    } catch (const Failure& e) {
        run.error(e.what());
        run.finish(1);
    } catch (const std::bad_alloc&) {
        run.error("out of memory");
        run.finish(1);
    }
    run.finish(0);
}
