// Structural Verilog and VHDL from design databases.
//
// Both writers first give every port, net and instance of a module a
// name of the target language (ModuleNames), then print.  Bit-blasted
// names are gathered back into buses: the ports by runs of the port
// list, the other nets by their common base when its indices form one
// range.  A net that carries ports is written as one of them (the one it
// is named after, else an input); the other ports on it are assigned
// from it.  A name taken already gets a suffix "_1", "_2" ...

#include "tools/quarnel/writer.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_map>

#include "runtime/pages.h"
#include "runtime/verilog_id.h"
#include "runtime/workers.h"
#include "tools/common/names.h"
#include "tools/common/tool.h"

namespace quarnel {

using ntool::BitGroup;
using ntool::Design;

namespace detail {

PortGroups port_groups(const Design& d) {
    std::vector<std::string_view> names;
    for (const ntool::Port& p : d.ports) names.push_back(p.name);
    PortGroups pg;
    pg.groups =
        ntool::group_bits(names, [&](std::size_t a, std::size_t b) { return d.ports[a].dir == d.ports[b].dir; });
    pg.group_of.resize(d.ports.size());
    for (std::size_t g = 0; g < pg.groups.size(); ++g)
        for (std::size_t k = 0; k < pg.groups[g].count; ++k) pg.group_of[pg.groups[g].first + k] = g;
    return pg;
}

std::vector<BitGroup> pin_groups(const ntool::Class& c) {
    std::vector<std::string_view> names;
    for (const ntool::Pin& p : c.pins) names.push_back(p.name);
    return ntool::group_bits(names, [&](std::size_t a, std::size_t b) { return c.pins[a].dir == c.pins[b].dir; });
}

NetPorts ports_by_net(const Design& d) {
    NetPorts by;
    by.has.assign(d.nets.size(), false);
    std::vector<std::pair<int, int>> entries;  // net, port
    for (std::size_t p = 0; p < d.ports.size(); ++p) {
        const int n = d.ports[p].net;
        if (n < 0 || static_cast<std::size_t>(n) >= d.nets.size()) continue;
        entries.emplace_back(n, static_cast<int>(p));
        by.has[static_cast<std::size_t>(n)] = true;
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [n, p] : entries) {
        by.nets.push_back(n);
        by.ports.push_back(p);
    }
    return by;
}

}  // namespace detail

namespace {

using detail::bit_index;

// Text is handed to the output stream in pieces of about this size.
constexpr std::size_t kFlushSize = 1 << 16;
// How many names ahead a loop that fills a scope loads their slots.
constexpr std::size_t kAhead = 16;
// Instances a thread formats at a time.
constexpr std::size_t kInstancePiece = 1 << 12;
// From how many names on a module's names are taken on several threads.
constexpr std::size_t kBulkNames = 1 << 16;

struct Lang {
    bool vhdl;
    std::string id(std::string_view name) const {
        if (!vhdl) return VLOG_id(name);
        return ntool::vhdl_basic_id(name) ? std::string(name) : ntool::vhdl_extended_id(name);
    }
    // True when a name is written as it is.
    bool legal(std::string_view name) const {
        return vhdl ? ntool::vhdl_basic_id(name) : VLOG_simple_id(name);
    }
    std::string bit(const std::string& id, std::int32_t i) const {
        return id + (vhdl ? "(" : "[") + std::to_string(i) + (vhdl ? ")" : "]");
    }
    std::string range(std::int32_t msb, std::int32_t lsb) const {
        if (!vhdl) return "[" + std::to_string(msb) + ":" + std::to_string(lsb) + "]";
        return "(" + std::to_string(msb) + (msb >= lsb ? " downto " : " to ") + std::to_string(lsb) + ")";
    }
    const char* zero() const { return vhdl ? "'0'" : "1'b0"; }
    const char* one() const { return vhdl ? "'1'" : "1'b1"; }
    // Ports whose value the module itself may read.
    bool readable(int dir) const { return !vhdl || dir != ntool::kDirOutput; }
};

// A declared vector (a bus port or a bus signal).
struct Bus {
    std::string id;  // as written
    std::int32_t msb, lsb;
};

// What stands for one bit in an expression.
struct Ref {
    enum Kind : std::uint8_t { Open, Zero, One, Scalar, PortScalar, Bit, Wire } kind = Open;
    // Bit: index into ModuleNames::buses; Scalar: into ModuleNames::signals;
    // PortScalar: into ModuleNames::ports (the declaration holds the name);
    // Wire: the net, a scalar signal declared under its own name.
    int at = -1;
    std::int32_t idx = 0;  // Bit: the bit
};

struct Decl {
    std::string id;  // as written
    int dir = 0;     // ports only
    bool bus = false;
    std::int32_t msb = 0, lsb = 0;
};

class ModuleNames {
public:
    ModuleNames(const Design& d, const Lang& lang)
        : d_(d), lang_(lang), scope_(lang.vhdl ? &ntool::vhdl_key : nullptr) {
        scope_.reserve(d.ports.size() + d.nets.size() + d.objects.size());
        name_ports();
        if (lang.vhdl) {
            // In VHDL the components, and the names the netlist uses from
            // its library, share the architecture's declarative region.
            for (const char* n : {"ieee", "std", "std_logic", "std_logic_vector", "std_logic_1164"}) scope_.take(n);
            std::vector<bool> used(d.classes.size(), false);
            for (const ntool::Object& o : d.objects) used[static_cast<std::size_t>(o.cls)] = true;
            for (std::size_t c = 0; c < d.classes.size(); ++c)
                if (used[c]) scope_.take(d.classes[c].name);
        }
        name_nets();
    }

    void append_text(std::string& out, const Ref& r) const {
        switch (r.kind) {
            case Ref::Scalar: out += signals[static_cast<std::size_t>(r.at)].id; return;
            case Ref::PortScalar: out += ports[static_cast<std::size_t>(r.at)].id; return;
            case Ref::Wire: append_wire(out, static_cast<std::size_t>(r.at)); return;
            default: out += text(r);
        }
    }

    std::string text(const Ref& r) const {
        switch (r.kind) {
            case Ref::Zero: return lang_.zero();
            case Ref::One: return lang_.one();
            case Ref::Scalar: return signals[static_cast<std::size_t>(r.at)].id;
            case Ref::PortScalar: return ports[static_cast<std::size_t>(r.at)].id;
            case Ref::Wire: return lang_.id(d_.nets[static_cast<std::size_t>(r.at)]);
            case Ref::Bit: return lang_.bit(buses[static_cast<std::size_t>(r.at)].id, r.idx);
            case Ref::Open: break;
        }
        return {};
    }

    // A new scalar signal for a pin that has to be connected to something.
    // After replay(), the signals made so far are handed out again, in
    // the order they were made: a writer that names them in a first pass
    // can declare them before it writes the instances that use them.
    Ref dummy() {
        if (replay_ < dummies_.size()) return dummies_[replay_++];
        const Ref r{Ref::Scalar, static_cast<int>(signals.size()), 0};
        signals.push_back({lang_.id(scope_.fresh("qdx_open")), 0, false, 0, 0});
        dummies_.push_back(r);
        replay_ = dummies_.size();
        return r;
    }
    void replay() { replay_ = 0; }
    // True when some pin needed a signal of its own: a pass that names
    // pins again hands these out in order.
    bool has_dummies() const { return !dummies_.empty(); }

    // Cache hints for a writer about to name net n (-1 for none): its
    // entry, then the declaration that entry refers to.
    void prefetch_net(std::int32_t n) const {
        if (n >= 0 && static_cast<std::size_t>(n) < net.size()) __builtin_prefetch(&net[static_cast<std::size_t>(n)]);
    }
    void prefetch_text(std::int32_t n) const {
        if (n < 0 || static_cast<std::size_t>(n) >= net.size()) return;
        const Ref& r = net[static_cast<std::size_t>(n)];
        if (r.kind == Ref::Scalar) __builtin_prefetch(&signals[static_cast<std::size_t>(r.at)]);
        if (r.kind == Ref::PortScalar) __builtin_prefetch(&ports[static_cast<std::size_t>(r.at)]);
        if (r.kind == Ref::Wire) __builtin_prefetch(d_.nets[static_cast<std::size_t>(r.at)].data());
    }

    // The identifier of net n of a Wire reference, appended to out: its
    // name when that is legal, else its escaped form.
    void append_wire(std::string& out, std::size_t n) const {
        const std::string_view name = d_.nets[n];
        if (lang_.legal(name))
            out += name;
        else
            out += lang_.id(name);
    }

    // The signals to declare, in order: signals[0, wire_nets_at), the
    // wire_nets (each under its own name), then the rest of signals.
    std::size_t signal_count() const { return signals.size() + wire_nets.size(); }
    // Signal i: its declaration, or null for a net of wire_nets, whose
    // name is then appended to out.
    const Decl* signal(std::string& out, std::size_t i) const {
        if (i < wire_nets_at) return &signals[i];
        if (i - wire_nets_at < wire_nets.size()) {
            append_wire(out, static_cast<std::size_t>(wire_nets[i - wire_nets_at]));
            return nullptr;
        }
        return &signals[i - wire_nets.size()];
    }

    std::vector<Decl> ports;    // the header, group by group
    std::vector<Ref> port_ref;  // each port bit
    std::vector<Bus> buses;
    std::vector<Ref> net;                      // each net
    std::vector<Decl> signals;                 // wires or signals to declare
    // Scalar nets declared under their own names after signals[0,
    // wire_nets_at): a large module's nets need no declaration of their own.
    std::vector<int> wire_nets;
    std::size_t wire_nets_at = 0;
    std::vector<std::pair<Ref, Ref>> assigns;  // port bit = value
    // Object i's written name.
    std::string_view inst(std::size_t i) const {
        if (renamed_.empty()) return d_.objects[i].name;
        const auto it = renamed_.find(i);
        return it == renamed_.end() ? d_.objects[i].name : std::string_view(it->second);
    }

private:
    void name_ports() {
        const detail::PortGroups pg = detail::port_groups(d_);
        port_ref.resize(d_.ports.size());
        for (const BitGroup& g : pg.groups) {
            // group_bits keeps the bases of one list apart; a name met
            // twice is a port list that names a port twice.
            const std::string name = scope_.fresh(g.base);
            const std::string id = lang_.id(name);
            ports.push_back({id, d_.ports[g.first].dir, g.bus, g.msb, g.lsb});
            if (!g.bus) {
                port_ref[g.first] = Ref{Ref::PortScalar, static_cast<int>(ports.size() - 1), 0};
                continue;
            }
            const int b = static_cast<int>(buses.size());
            buses.push_back({id, g.msb, g.lsb});
            for (std::size_t k = 0; k < g.count; ++k) {
                scope_.take(ntool::bit_name(name, bit_index(g, k)));
                port_ref[g.first + k] = Ref{Ref::Bit, b, bit_index(g, k)};
            }
        }
    }

    void name_nets() {
        RT_reserve_huge(net, d_.nets.size());
        net.resize(d_.nets.size());
        const auto by_net = detail::ports_by_net(d_);
        std::vector<int> wires;  // nets that need a wire or signal of their own
        for (std::size_t n = 0; n < d_.nets.size(); ++n) {
            if (!d_.net_live[n]) continue;
            const auto ps = by_net.of(n);
            const bool zero = d_.is_gnd(static_cast<int>(n)), one = d_.is_vcc(static_cast<int>(n));
            if (zero || one) {
                net[n].kind = zero ? Ref::Zero : Ref::One;
                for (int p : ps) assign(p, net[n]);
                continue;
            }
            int namer = -1;
            for (int p : ps)
                if (namer < 0 && d_.ports[static_cast<std::size_t>(p)].name == d_.nets[n] &&
                    lang_.readable(d_.ports[static_cast<std::size_t>(p)].dir))
                    namer = p;
            for (int p : ps)
                if (namer < 0 && d_.ports[static_cast<std::size_t>(p)].dir == ntool::kDirInput) namer = p;
            for (int p : ps)
                if (namer < 0 && lang_.readable(d_.ports[static_cast<std::size_t>(p)].dir)) namer = p;
            if (namer < 0) {
                wires.push_back(static_cast<int>(n));
                continue;
            }
            net[n] = port_ref[static_cast<std::size_t>(namer)];
            for (int p : ps)
                if (p != namer) assign(p, net[n]);
        }
        name_wires(wires);
        // The instances are named right after the wires: both share the
        // module's scope.
        name_scalars_and_instances();
        // Ports of nets that have a signal of their own take its value.
        for (int n : wires)
            for (int p : by_net.of(static_cast<std::size_t>(n))) assign(p, net[static_cast<std::size_t>(n)]);
    }

    // Port p takes value v, unless it is an input the language cannot
    // assign.
    void assign(int p, const Ref& v) {
        if (lang_.vhdl && d_.ports[static_cast<std::size_t>(p)].dir == ntool::kDirInput) return;
        assigns.emplace_back(port_ref[static_cast<std::size_t>(p)], v);
    }

    void name_wires(const std::vector<int>& wires) {
        // Gather bit names by base, in order of first appearance.
        std::unordered_map<std::string_view, int> base_index;
        std::vector<std::pair<std::string_view, std::vector<std::pair<std::int32_t, int>>>> bases;
        std::vector<int> scalars;
        for (int n : wires) {
            std::string_view base;
            std::int32_t idx;
            const std::string_view name = d_.nets[static_cast<std::size_t>(n)];
            if (!ntool::split_bit(name, base, idx)) {
                scalars.push_back(n);
                continue;
            }
            auto [it, added] = base_index.emplace(base, static_cast<int>(bases.size()));
            if (added) bases.push_back({base, {}});
            bases[static_cast<std::size_t>(it->second)].second.emplace_back(idx, n);
        }
        // A base that is also the name of a scalar wire makes no bus.
        std::vector<bool> scalar_base(bases.size(), false);
        if (!bases.empty())
            for (int n : scalars) {
                const auto it = base_index.find(d_.nets[static_cast<std::size_t>(n)]);
                if (it != base_index.end()) scalar_base[static_cast<std::size_t>(it->second)] = true;
            }
        std::vector<int> later;  // bits that do not form a bus
        for (std::size_t bi_of = 0; bi_of < bases.size(); ++bi_of) {
            auto& [base, bits] = bases[bi_of];
            std::sort(bits.begin(), bits.end());
            bool ok = !scalar_base[bi_of];
            for (std::size_t k = 1; ok && k < bits.size(); ++k) ok = bits[k].first == bits[k - 1].first + 1;
            if (!ok) {
                for (const auto& b : bits) later.push_back(b.second);
                continue;
            }
            // A base taken already (by a port, say) gives way to base_1 ...
            std::string name(base);
            for (std::uint64_t k = 1; !free_bus(name, bits); ++k) name = std::string(base) + "_" + std::to_string(k);
            scope_.take(name);
            const std::string id = lang_.id(name);
            const std::int32_t msb = bits.back().first, lsb = bits.front().first;
            const int bi = static_cast<int>(buses.size());
            buses.push_back({id, msb, lsb});
            signals.push_back({id, 0, true, msb, lsb});
            for (const auto& [idx, n] : bits) {
                scope_.take(ntool::bit_name(name, idx));
                net[static_cast<std::size_t>(n)] = Ref{Ref::Bit, bi, idx};
            }
        }
        scalars.insert(scalars.end(), later.begin(), later.end());
        scalars_ = std::move(scalars);
    }

    // The scalar wires, then the instances, each under its own name
    // unless that is taken.  In a large module the names are most often
    // all free and distinct: they are then taken at once on several
    // threads, which gives the names that taking them one by one gives.
    void name_scalars_and_instances() {
        std::vector<int> scalars = std::move(scalars_);
        const std::size_t ns = scalars.size(), count = ns + d_.objects.size();
        const unsigned threads = count < kBulkNames ? 1 : RT_max_threads();
        const auto name_of = [&](std::size_t k) -> std::string_view {
            return k < ns ? d_.nets[static_cast<std::size_t>(scalars[k])] : d_.objects[k - ns].name;
        };
        if (threads > 1 && scope_.take_all_held(count, name_of, threads)) {
            std::vector<std::uint8_t> illegal(d_.objects.size(), 0);
            ntool::run_in_pieces(count, kInstancePiece, threads, [&](std::size_t a, std::size_t b) {
                for (std::size_t k = a; k < b; ++k) {
                    if (k < ns) {
                        const auto n = static_cast<std::size_t>(scalars[k]);
                        net[n] = Ref{Ref::Wire, scalars[k], 0};
                    } else if (!lang_.legal(d_.objects[k - ns].name)) {
                        illegal[k - ns] = 1;
                    }
                }
            });
            wire_nets_at = signals.size();
            wire_nets = std::move(scalars);
            for (std::size_t i = 0; i < illegal.size(); ++i)
                if (illegal[i]) {
                    std::string id = lang_.id(d_.objects[i].name);
                    if (id != d_.objects[i].name) renamed_.emplace(i, std::move(id));
                }
            return;
        }
        RT_reserve_huge(signals, signals.size() + ns);
        for (std::size_t k = 0; k < ns; ++k) {
            if (k + kAhead < ns) scope_.prefetch(d_.nets[static_cast<std::size_t>(scalars[k + kAhead])]);
            const int n = scalars[k];
            net[static_cast<std::size_t>(n)] = Ref{Ref::Scalar, static_cast<int>(signals.size()), 0};
            signals.push_back({own_id(d_.nets[static_cast<std::size_t>(n)]), 0, false, 0, 0});
        }
        name_instances();
    }

    bool free_bus(const std::string& base, const std::vector<std::pair<std::int32_t, int>>& bits) const {
        if (!scope_.free(base)) return false;
        for (const auto& b : bits)
            if (!scope_.free(ntool::bit_name(base, b.first))) return false;
        return true;
    }

    // The identifier of a name the design holds: the name itself when it
    // is free and legal (its text is not copied into the scope), else
    // its free form, escaped.
    std::string own_id(std::string_view name) {
        return scope_.take_held(name) ? lang_.id(name) : lang_.id(scope_.fresh(name));
    }

    void name_instances() {
        for (std::size_t i = 0; i < d_.objects.size(); ++i) {
            if (i + kAhead < d_.objects.size()) scope_.prefetch(d_.objects[i + kAhead].name);
            const std::string_view name = d_.objects[i].name;
            std::string id;
            if (scope_.take_held(name)) {
                if (lang_.legal(name)) continue;
                id = lang_.id(name);
            } else {
                id = lang_.id(scope_.fresh(name));
            }
            if (id != name) renamed_.emplace(i, std::move(id));
        }
    }

    const Design& d_;
    const Lang& lang_;
    ntool::Scope scope_;
    std::vector<Ref> dummies_;
    std::unordered_map<std::size_t, std::string> renamed_;  // objects not written under their own name
    std::vector<int> scalars_;  // nets named by name_scalars_and_instances, in order
    std::size_t replay_ = 0;
};

const char* verilog_dir(int dir) {
    switch (dir) {
        case ntool::kDirInput: return "input";
        case ntool::kDirOutput: return "output";
        default: return "inout";
    }
}

const char* vhdl_dir(int dir) {
    switch (dir) {
        case ntool::kDirInput: return "in";
        case ntool::kDirOutput: return "out";
        default: return "inout";
    }
}

// The bits of a pin group, with open bits of partly connected groups
// (and, in VHDL, open inputs) given a signal of their own.
void pin_refs(std::vector<Ref>& refs, ModuleNames& names, const Design& d, const ntool::Object& o, const BitGroup& g,
              bool whole_open_ok) {
    refs.assign(g.count, Ref{});
    bool any_open = false, all_open = true;
    for (std::size_t k = 0; k < g.count; ++k) {
        const int n = d.conns[o.first + g.first + k];
        if (n >= 0) refs[k] = names.net[static_cast<std::size_t>(n)];
        if (refs[k].kind == Ref::Open)
            any_open = true;
        else
            all_open = false;
    }
    if (any_open && !(all_open && whole_open_ok))
        for (Ref& r : refs)
            if (r.kind == Ref::Open) r = names.dummy();
}

// The same, made anew.
std::vector<Ref> pin_refs(ModuleNames& names, const Design& d, const ntool::Object& o, const BitGroup& g,
                          bool whole_open_ok) {
    std::vector<Ref> refs;
    pin_refs(refs, names, d, o, g, whole_open_ok);
    return refs;
}

// Runs of consecutive bits of one bus, in the bus's own direction.
struct Run {
    std::size_t first, count;
};

std::vector<Run> runs(const std::vector<Ref>& refs, const std::vector<Bus>& buses) {
    std::vector<Run> out;
    for (std::size_t k = 0; k < refs.size();) {
        std::size_t e = k + 1;
        if (refs[k].kind == Ref::Bit) {
            const Bus& b = buses[static_cast<std::size_t>(refs[k].at)];
            const std::int32_t step = b.msb >= b.lsb ? -1 : 1;
            while (e < refs.size() && refs[e].kind == Ref::Bit && refs[e].at == refs[k].at &&
                   refs[e].idx == refs[e - 1].idx + step)
                ++e;
        }
        out.push_back({k, e - k});
        k = e;
    }
    return out;
}

// ---------------------------------------------------------------- Verilog

// The text of every net as a pin of one bit shows it, made once when the
// names are final.  The instances read the nets of their pins at random
// among millions: a short text lies in the entry itself, so that a pin
// costs one cache line instead of the net's reference and then the
// declaration it points to.
class NetTexts {
public:
    // The entries are filled by the threads that make them, without a
    // pass that clears them first.
    NetTexts(const ModuleNames& names, unsigned threads)
        : entries_(std::make_unique_for_overwrite<Entry[]>(names.net.size())), size_(names.net.size()) {
        const std::size_t n = size_, pieces = (n + kPiece - 1) / kPiece;
        long_.resize(pieces);
        ntool::run_in_pieces(n, kPiece, threads, [&](std::size_t first, std::size_t last) {
            std::string& store = long_[first / kPiece];
            std::string made;
            for (std::size_t k = first; k < last; ++k) {
                const Ref& r = names.net[k];
                Entry& e = entries_[k];
                if (r.kind == Ref::Open) {
                    e.size = kOpen;
                    continue;
                }
                std::string_view t;
                if (r.kind == Ref::Scalar) {
                    t = names.signals[static_cast<std::size_t>(r.at)].id;
                } else if (r.kind == Ref::PortScalar) {
                    t = names.ports[static_cast<std::size_t>(r.at)].id;
                } else {
                    made.clear();
                    names.append_text(made, r);
                    t = made;
                }
                if (t.size() < sizeof e.bytes) {
                    std::memcpy(e.bytes, t.data(), t.size());
                    e.size = static_cast<std::uint8_t>(t.size());
                    continue;
                }
                // A long text: its place in the store of the net's piece.
                const std::uint64_t offset = store.size();
                const auto size = static_cast<std::uint32_t>(std::min<std::size_t>(t.size(), UINT32_MAX));
                store.append(t.substr(0, size));
                std::memcpy(e.bytes, &offset, sizeof offset);
                std::memcpy(e.bytes + sizeof offset, &size, sizeof size);
                e.size = kLong;
            }
        });
    }

    // Starts loading the entry of net n into the cache.
    void prefetch(std::int32_t n) const {
        if (n >= 0 && static_cast<std::size_t>(n) < size_)
            __builtin_prefetch(&entries_[static_cast<std::size_t>(n)]);
    }

    // Appends the text of net n (not negative, below the count of nets)
    // to out; nothing for an open net.
    void append(std::string& out, std::size_t n) const {
        const Entry& e = entries_[n];
        if (e.size < sizeof e.bytes) {
            out.append(e.bytes, e.size);
        } else if (e.size == kLong) {
            std::uint64_t offset;
            std::uint32_t size;
            std::memcpy(&offset, e.bytes, sizeof offset);
            std::memcpy(&size, e.bytes + sizeof offset, sizeof size);
            out.append(long_[n / kPiece], offset, size);
        }
    }

private:
    static constexpr std::size_t kPiece = 1 << 14;
    static constexpr std::uint8_t kOpen = 255, kLong = 254;
    struct Entry {
        char bytes[15];
        std::uint8_t size;  // below 15: the text's size; else kOpen or kLong
    };
    // A long text: its offset (8 bytes) and size (4 bytes) in the bytes.
    static_assert(sizeof(std::uint64_t) + sizeof(std::uint32_t) <= sizeof(Entry::bytes));
    std::unique_ptr<Entry[]> entries_;
    std::size_t size_;
    std::vector<std::string> long_;  // the long texts, piece by piece
};

// Appends the expression of refs to out.
void verilog_expr(std::string& out, const ModuleNames& names, const std::vector<Ref>& refs) {
    const std::vector<Run> rs = runs(refs, names.buses);
    if (rs.size() > 1) out += '{';
    for (std::size_t i = 0; i < rs.size(); ++i) {
        const Run& r = rs[i];
        if (i) out += ", ";
        const Ref& a = refs[r.first];
        if (r.count == 1) {
            names.append_text(out, a);
            continue;
        }
        const Bus& b = names.buses[static_cast<std::size_t>(a.at)];
        const std::int32_t last = refs[r.first + r.count - 1].idx;
        out += b.id;
        if (a.idx != b.msb || last != b.lsb) {
            out += '[';
            out += std::to_string(a.idx);
            out += ':';
            out += std::to_string(last);
            out += ']';
        }
    }
    if (rs.size() > 1) out += '}';
}

// Writes text to f and empties it.
void flush(std::FILE* f, std::string& text) {
    std::fwrite(text.data(), 1, text.size(), f);
    text.clear();
}

// Writes the texts of one round to f on a thread of its own while the
// next round is formatted; the next write waits for it.
class RoundWriter {
public:
    explicit RoundWriter(std::FILE* f) : f_(f) {}
    // Hands texts over (they are taken, and texts gets the emptied
    // buffers of the round written before).
    void write(std::vector<std::string>& texts) {
        jobs_.wait();
        writing_.swap(texts);
        texts.resize(writing_.size());
        jobs_.run([this] {
            for (std::string& text : writing_) flush(f_, text);
        });
    }

private:
    std::FILE* f_;
    std::vector<std::string> writing_;
    BackgroundJobs jobs_;  // last: the thread ends before what it writes goes
};

// Writes the text of items [0, count) to f in their order: format(text,
// first, last) appends the text of items first .. last - 1.  A large
// count is formatted in rounds of pieces on several threads, each round
// written in order while the next is formatted; format must then not
// change what other pieces read, nor write to f.
void write_items(std::FILE* f, std::size_t count,
                 const std::function<void(std::string&, std::size_t, std::size_t)>& format) {
    const unsigned threads = count < 4 * kInstancePiece ? 1 : RT_max_threads();
    std::vector<std::string> texts(threads);
    RoundWriter writer(f);
    for (std::size_t base = 0; base < count; base += threads * kInstancePiece) {
        const std::size_t round = std::min(count - base, threads * kInstancePiece);
        ntool::run_in_pieces(round, kInstancePiece, threads, [&](std::size_t first, std::size_t last) {
            format(texts[first / kInstancePiece], base + first, base + last);
        });
        if (threads > 1) {
            writer.write(texts);
        } else {
            for (std::string& text : texts) flush(f, text);
        }
    }
}

void verilog_module(std::FILE* f, const ModuleOut& m) {
    const Design& d = *m.design;
    const Lang lang{false};
    ModuleNames names(d, lang);

    // The written names of a class and of its pin groups are made once.
    std::vector<std::vector<BitGroup>> groups(d.classes.size());
    std::vector<std::string> class_head(d.classes.size());
    std::vector<std::vector<std::string>> formal(d.classes.size());
    std::vector<bool> has_bus(d.classes.size(), false);  // a pin group of more than one bit
    for (const ntool::Object& o : d.objects) {
        const auto ci = static_cast<std::size_t>(o.cls);
        if (!class_head[ci].empty()) continue;
        const ntool::Class& c = d.classes[ci];
        groups[ci] = detail::pin_groups(c);
        class_head[ci] = "  " + lang.id(c.name) + " ";
        for (const BitGroup& g : groups[ci]) {
            formal[ci].push_back("\n    ." + lang.id(g.base) + "(");
            if (g.count > 1) has_bus[ci] = true;
        }
    }
    // The signals that open pin bits need are made first, so that they
    // are declared before the instances are written.
    // A pin of one bit is open or connected as a whole: only buses can
    // need such signals.
    std::vector<Ref> refs;
    for (const ntool::Object& o : d.objects) {
        if (!has_bus[static_cast<std::size_t>(o.cls)]) continue;
        for (const BitGroup& g : groups[static_cast<std::size_t>(o.cls)])
            if (g.count > 1) pin_refs(refs, names, d, o, g, true);
    }
    names.replay();

    std::string out = "module " + lang.id(m.name);
    if (!names.ports.empty()) {
        out += " (";
        for (std::size_t i = 0; i < names.ports.size(); ++i) out += (i ? ", " : "") + names.ports[i].id;
        out += ")";
    }
    out += ";\n";
    for (const Decl& p : names.ports)
        out +=
            "  " + std::string(verilog_dir(p.dir)) + " " + (p.bus ? lang.range(p.msb, p.lsb) + " " : "") + p.id + ";\n";
    flush(f, out);
    write_items(f, names.signal_count(), [&](std::string& text, std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            text += "  wire ";
            if (const Decl* s = names.signal(text, i)) {
                if (s->bus) text += lang.range(s->msb, s->lsb) + " ";
                text += s->id;
            }
            text += ";\n";
        }
    });
    // The nets of the instances lie anywhere in the tables: those of
    // later instances are loaded into the cache ahead, for pins of one bit
    // their texts, for wider pins the net's entry first and then what it
    // refers to.
    const NetTexts net_text(names, d.nets.size() < 4 * kInstancePiece ? 1 : RT_max_threads());
    auto conns_of = [&](std::size_t i) {
        const ntool::Object& o = d.objects[i];
        return std::span<const std::int32_t>(d.conns.data() + o.first,
                                             d.classes[static_cast<std::size_t>(o.cls)].pins.size());
    };
    // The instances from first to last (not included), appended to text.
    auto instances = [&](std::string& text, std::vector<Ref>& bits, std::size_t first, std::size_t last,
                         bool flushing) {
        for (std::size_t i = first; i < last; ++i) {
            if (i + 2 * kAhead < last) {
                const std::size_t ahead = i + 2 * kAhead;
                const bool wide = has_bus[static_cast<std::size_t>(d.objects[ahead].cls)];
                for (const std::int32_t n : conns_of(ahead)) {
                    net_text.prefetch(n);
                    if (wide) names.prefetch_net(n);
                }
            }
            if (i + kAhead < last && has_bus[static_cast<std::size_t>(d.objects[i + kAhead].cls)])
                for (const std::int32_t n : conns_of(i + kAhead)) names.prefetch_text(n);
            const ntool::Object& o = d.objects[i];
            const auto ci = static_cast<std::size_t>(o.cls);
            text += class_head[ci];
            text += names.inst(i);
            text += " (";
            for (std::size_t k = 0; k < groups[ci].size(); ++k) {
                const BitGroup& g = groups[ci][k];
                if (k) text += ',';
                text += formal[ci][k];
                if (g.count == 1) {
                    // One bit: its net, or nothing for an open pin.
                    const int n = d.conns[o.first + g.first];
                    if (n >= 0) net_text.append(text, static_cast<std::size_t>(n));
                } else {
                    pin_refs(bits, names, d, o, g, true);
                    if (bits[0].kind != Ref::Open) verilog_expr(text, names, bits);
                }
                text += ')';
            }
            text += ");\n";
            if (flushing && text.size() >= kFlushSize) flush(f, text);
        }
    };
    // When no pin needs a signal of its own, naming the instances only
    // reads what is named already: a large module is then formatted on
    // several threads.
    if (names.has_dummies()) {
        instances(out, refs, 0, d.objects.size(), true);
    } else {
        write_items(f, d.objects.size(), [&](std::string& text, std::size_t first, std::size_t last) {
            std::vector<Ref> bits;
            instances(text, bits, first, last, false);
        });
    }
    for (const auto& [port, value] : names.assigns) {
        out += "  assign " + names.text(port) + " = " + names.text(value) + ";\n";
        if (out.size() >= kFlushSize) flush(f, out);
    }
    out += "endmodule\n";
    flush(f, out);
}

// ---------------------------------------------------------------- VHDL

std::string vhdl_type(const Lang& lang, bool bus, std::int32_t msb, std::int32_t lsb) {
    return bus ? "std_logic_vector" + lang.range(msb, lsb) : "std_logic";
}

void vhdl_port_clause(std::string& out, const std::vector<Decl>& ports, const Lang& lang, const char* indent) {
    if (ports.empty()) return;
    out += std::string(indent) + "port (\n";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const Decl& p = ports[i];
        out += std::string(indent) + "  " + p.id + " : " + vhdl_dir(p.dir) + " " +
               vhdl_type(lang, p.bus, p.msb, p.lsb) + (i + 1 < ports.size() ? ";\n" : "\n");
    }
    out += std::string(indent) + ");\n";
}

std::vector<Decl> class_ports(const ntool::Class& c, const std::vector<BitGroup>& groups, const Lang& lang) {
    std::vector<Decl> ports;
    for (const BitGroup& g : groups) ports.push_back({lang.id(g.base), c.pins[g.first].dir, g.bus, g.msb, g.lsb});
    return ports;
}

// The associations of one formal group.
void vhdl_associate(std::vector<std::string>& out, const ModuleNames& names, const std::string& formal,
                    const BitGroup& g, const std::vector<Ref>& refs, const Lang& lang) {
    if (refs[0].kind == Ref::Open) {  // only outputs stay open
        out.push_back(formal + " => open");
        return;
    }
    if (!g.bus) {
        out.push_back(formal + " => " + names.text(refs[0]));
        return;
    }
    const std::vector<Run> rs = runs(refs, names.buses);
    if (rs.size() == 1 && refs[0].kind == Ref::Bit) {
        const Bus& b = names.buses[static_cast<std::size_t>(refs[0].at)];
        const std::int32_t last = refs.back().idx;
        if (refs[0].idx == b.msb && last == b.lsb)
            out.push_back(formal + " => " + b.id);
        else
            out.push_back(formal + " => " + b.id + lang.range(refs[0].idx, last));
        return;
    }
    for (std::size_t k = 0; k < refs.size(); ++k)
        out.push_back(lang.bit(formal, bit_index(g, k)) + " => " + names.text(refs[k]));
}

void vhdl_module(std::FILE* f, const ModuleOut& m) {
    const Design& d = *m.design;
    const Lang lang{true};
    ModuleNames names(d, lang);
    const std::string entity = lang.id(m.name);

    std::vector<std::vector<BitGroup>> groups(d.classes.size());
    std::vector<bool> used(d.classes.size(), false);
    for (const ntool::Object& o : d.objects) used[static_cast<std::size_t>(o.cls)] = true;
    for (std::size_t c = 0; c < d.classes.size(); ++c)
        if (used[c]) groups[c] = detail::pin_groups(d.classes[c]);
    // An input must be connected; an output may stay open.
    auto may_open = [&](const ntool::Object& o, const BitGroup& g) {
        return d.classes[static_cast<std::size_t>(o.cls)].pins[g.first].dir == ntool::kDirOutput;
    };
    // The signals that open pin bits need are made first, so that they
    // are declared before the instances are written.
    std::vector<Ref> refs;
    for (const ntool::Object& o : d.objects)
        for (const BitGroup& g : groups[static_cast<std::size_t>(o.cls)]) pin_refs(refs, names, d, o, g, may_open(o, g));
    names.replay();

    std::string out = "library ieee;\nuse ieee.std_logic_1164.all;\n\n";
    out += "entity " + entity + " is\n";
    vhdl_port_clause(out, names.ports, lang, "  ");
    out += "end entity " + entity + ";\n\n";
    out += "architecture structural of " + entity + " is\n";
    std::vector<bool> declared(d.classes.size(), false);
    std::unordered_map<std::string, bool> component_names;
    for (const ntool::Object& o : d.objects) {
        const auto c = static_cast<std::size_t>(o.cls);
        if (declared[c]) continue;
        declared[c] = true;
        // Two classes of one name (a damaged design) get one declaration.
        const std::string id = lang.id(d.classes[c].name);
        if (!component_names.emplace(id, true).second) continue;
        out += "  component " + id + "\n";
        vhdl_port_clause(out, class_ports(d.classes[c], groups[c], lang), lang, "    ");
        out += "  end component;\n";
    }
    for (std::size_t i = 0; i < names.signal_count(); ++i) {
        out += "  signal ";
        if (const Decl* s = names.signal(out, i))
            out += s->id + " : " + vhdl_type(lang, s->bus, s->msb, s->lsb) + ";\n";
        else
            out += " : std_logic;\n";
        if (out.size() >= kFlushSize) flush(f, out);
    }
    out += "begin\n";

    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const ntool::Object& o = d.objects[i];
        const ntool::Class& c = d.classes[static_cast<std::size_t>(o.cls)];
        std::vector<std::string> assoc;
        for (const BitGroup& g : groups[static_cast<std::size_t>(o.cls)])
            vhdl_associate(assoc, names, lang.id(g.base), g, pin_refs(names, d, o, g, may_open(o, g)), lang);
        out += "  ";
        out += names.inst(i);
        out += " : " + lang.id(c.name);
        if (!assoc.empty()) {
            out += "\n    port map (\n";
            for (std::size_t k = 0; k < assoc.size(); ++k)
                out += "      " + assoc[k] + (k + 1 < assoc.size() ? ",\n" : "\n");
            out += "    )";
        }
        out += ";\n";
        if (out.size() >= kFlushSize) flush(f, out);
    }
    for (const auto& [port, value] : names.assigns) {
        out += "  " + names.text(port) + " <= " + names.text(value) + ";\n";
        if (out.size() >= kFlushSize) flush(f, out);
    }
    out += "end architecture structural;\n";
    flush(f, out);
}

}  // namespace

void write_verilog(std::FILE* f, const std::vector<ModuleOut>& modules) {
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (i) std::fputs("\n", f);
        verilog_module(f, modules[i]);
    }
}

void write_vhdl(std::FILE* f, const std::vector<ModuleOut>& modules) {
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (i) std::fputs("\n", f);
        vhdl_module(f, modules[i]);
    }
}

}  // namespace quarnel
