// The netlist writers of quarnel.
#pragma once

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "tools/common/names.h"
#include "tools/common/netdb.h"

namespace quarnel {

// One module to write: its design and the name it is written under (the
// name its instances use).
struct ModuleOut {
    const ntool::Design* design;
    std::string name;
};

// Writes structural Verilog-2001 of the modules to f, in the order
// given.  Library cells are referred to by name only.  Write errors show
// in the stream's error flag.
void write_verilog(std::FILE* f, const std::vector<ModuleOut>& modules);

// Structural VHDL of the modules: per module an entity and an
// architecture "structural" that declares a component for every master
// it instantiates.  Written to f as write_verilog.
void write_vhdl(std::FILE* f, const std::vector<ModuleOut>& modules);

// What the two writers share: the bus groups of a list of bit names and
// the nets that ports name.
namespace detail {

// The ports of a design grouped into buses, and the position of each
// port bit in its group.
struct PortGroups {
    std::vector<ntool::BitGroup> groups;
    std::vector<std::size_t> group_of;  // port -> group
};
PortGroups port_groups(const ntool::Design& d);
std::vector<ntool::BitGroup> pin_groups(const ntool::Class& c);

// Index of bit k of group g: msb + k steps towards lsb.
inline std::int32_t bit_index(const ntool::BitGroup& g, std::size_t k) {
    const auto s = static_cast<std::int32_t>(k);
    return g.msb >= g.lsb ? g.msb - s : g.msb + s;
}

// The ports on each net, in port order.  A module has few ports beside
// millions of nets: only the nets that carry ports have entries, those of
// net n lying in ports where nets holds n.
struct NetPorts {
    std::vector<bool> has;     // per net: it carries a port
    std::vector<int> nets;     // the net of each entry, ascending
    std::vector<int> ports;    // the port of each entry, ascending on one net
    std::span<const int> of(std::size_t n) const {
        if (n >= has.size() || !has[n]) return {};
        const auto lo = std::lower_bound(nets.begin(), nets.end(), static_cast<int>(n));
        const auto hi = std::upper_bound(lo, nets.end(), static_cast<int>(n));
        return {ports.data() + (lo - nets.begin()), static_cast<std::size_t>(hi - lo)};
    }
};
NetPorts ports_by_net(const ntool::Design& d);

}  // namespace detail

}  // namespace quarnel
