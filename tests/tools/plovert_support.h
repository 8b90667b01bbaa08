// Helpers of the netlist-editor tests: small designs made with the
// database's makers, and the connectivity of a design file read through
// its tables (instances, classes, ports and, per net, the set of its end
// points), so that edits are checked by what they connect, whatever the
// nets are called.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/dyna.h"
#include "sdb/sdb.h"
#include "tools/common/tool.h"
#include "support/testsupport.h"

namespace plovert_test {

inline std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

inline int direction_of(const std::string& word) {
    if (word == "input") return SDB_DIR_INPUT;
    if (word == "output") return SDB_DIR_OUTPUT;
    return SDB_DIR_BIDIR;
}

inline const char* direction_word(int dir) {
    switch (dir & 3) {
        case SDB_DIR_INPUT: return "input";
        case SDB_DIR_OUTPUT: return "output";
        default: return "inout";
    }
}

// Writes a design file made from lines of the forms
//   module NAME [CELL]                   the module; CELL for a library cell
//   class NAME DESIGN|CELL PIN:DIR ...
//   port NAME DIR NET
//   inst NAME CLASS PIN=NET ...          pins not named stay open
// where NET is a net name ("GND" and "VCC" are nets 0 and 1) and DIR is
// input, output or inout.  The module name and type are recorded in the
// design's properties, as the compilers record them.
inline void make_design(const std::string& path, const std::string& text) {
    ntool::reset_globals();
    SdbDatabase* db = SDB_open(path.c_str(), "w", 0);
    ASSERT_NE(db, nullptr) << path;
    SDB_setup(db);
    std::map<std::string, int> nets{{"GND", 0}, {"VCC", 1}};
    auto net = [&](const std::string& n) {
        auto it = nets.find(n);
        if (it != nets.end()) return it->second;
        const int i = SDB_make_net(SYM_setup(sym_tab, n.c_str()), -1);
        nets[n] = i;
        return i;
    };
    std::map<std::string, int> classes;
    std::string module = std::filesystem::path(path).stem().string();
    bool cell = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> f = words(line);
        if (f.empty()) continue;
        if (f[0] == "module") {
            module = f.at(1);
            cell = f.size() > 2 && f[2] == "CELL";
        } else if (f[0] == "class") {
            int first = -1;
            for (std::size_t k = 3; k < f.size(); ++k) {
                const std::size_t colon = f[k].rfind(':');
                const int p = SDB_make_pin(SYM_setup(sym_tab, f[k].substr(0, colon).c_str()),
                                           direction_of(f[k].substr(colon + 1)));
                if (first < 0) first = p;
            }
            classes[f[1]] = SDB_make_class(SYM_setup(sym_tab, f[1].c_str()), f.at(2) == "CELL" ? 1 : 0, first,
                                           static_cast<int>(f.size() - 3));
        } else if (f[0] == "port") {
            const int sym = SYM_setup(sym_tab, f.at(1).c_str());
            const int p = SDB_make_port(sym, direction_of(f.at(2)), -1, 0);
            SDB_make_node(-1, p, f.size() > 3 ? net(f[3]) : -1);
            SDB_make_port_list(sym);
        } else if (f[0] == "inst") {
            ASSERT_TRUE(classes.count(f.at(2))) << line;
            const int o = SDB_make_obj(SYM_setup(sym_tab, f[1].c_str()), classes[f[2]], 0, -1);
            for (std::size_t k = 3; k < f.size(); ++k) {
                const std::size_t eq = f[k].find('=');
                const int node = SDB_search_node(SYM_lookup(sym_tab, f[k].substr(0, eq).c_str()), o);
                ASSERT_GE(node, 0) << line;
                SDB_nl_connect_net(net(f[k].substr(eq + 1)), node);
            }
        } else {
            FAIL() << "bad design line: " << line;
        }
    }
    SdbTableSlot& s = db->slot[SDB_PROP];
    auto* a = static_cast<std::int32_t*>(s.data);
    if (!a) a = DYNA_new<std::int32_t>(5);
    for (const char* t : {"MODULE", module.c_str(), "TYPE", cell ? "CELL" : "DESIGN"})
        DYNA_append(&a, static_cast<std::int32_t>(SYM_setup(sym_tab, t)));
    const int end = DYNA_append(&a, std::int32_t{-1});
    DYNA_set_count(a, end);
    s.data = a;
    s.count = end;
    s.size = 4;
    EXPECT_EQ(SDB_save(db), 0) << path;
    SDB_close(db, 0);
}

// A port-only design of a library cell: "A:input Y:output ...".
inline void make_cell(const std::string& path, const std::string& pins, bool cell = true) {
    std::string text = std::string("module ") + std::filesystem::path(path).stem().string() + (cell ? " CELL\n" : "\n");
    for (const std::string& p : words(pins)) {
        const std::size_t colon = p.rfind(':');
        text += "port " + p.substr(0, colon) + " " + p.substr(colon + 1) + "\n";
    }
    make_design(path, text);
}

using Group = std::set<std::string>;

struct Netlist {
    std::map<std::string, std::string> insts;    // instance -> class
    std::map<std::string, std::string> classes;  // class -> "TYPE pin:dir ..."
    std::map<std::string, std::string> ports;    // port -> direction
    std::set<Group> nets;  // end points of each net: "inst{pin}", "port:name"; "GND"/"VCC" on nets 0/1
    bool ok = false;

    // The net that holds end point e, empty when e is on none.
    Group net_of(const std::string& e) const {
        for (const Group& g : nets)
            if (g.count(e)) return g;
        return {};
    }
};

// The connectivity of a design file, read through its tables.
inline Netlist read_netlist(const std::string& path) {
    Netlist n;
    ntool::reset_globals();
    SdbDatabase* db = SDB_open(path.c_str(), "r", 0);
    EXPECT_NE(db, nullptr) << path;
    if (!db) return n;
    SDB_setup(db);
    auto text = [](std::int32_t id) -> std::string {
        const char* s = id >= 0 ? SYM_get(sym_tab, id) : nullptr;
        return s ? s : "*UNDEF*";
    };
    // The end point of each node, then each net's list walked from its
    // first node: the lists are what readers of a design follow.
    std::vector<std::string> end(static_cast<std::size_t>(node_count));
    for (int c = 0; c < class_count; ++c) {
        std::string d = class_tab[c].type == 1 ? "CELL" : class_tab[c].type == 0 ? "DESIGN" : "type" + std::to_string(class_tab[c].type);
        for (int k = 0; k < class_tab[c].pin_count; ++k) {
            const SdbPin& p = pin_tab[class_tab[c].first_pin + k];
            d += " " + text(p.name) + ":" + direction_word(p.direction);
        }
        n.classes[text(class_tab[c].name)] = d;
    }
    for (int p = 0; p < port_count; ++p) {
        if (port_tab[p].name == -1) continue;
        const std::string name = text(port_tab[p].name);
        n.ports[name] = direction_word(port_tab[p].direction);
        if (port_tab[p].node >= 0 && port_tab[p].node < node_count) end[static_cast<std::size_t>(port_tab[p].node)] = "port:" + name;
    }
    for (int o = 0; o < obj_count; ++o) {
        if (sobj_tab[o] == -1 || obj_tab[o].cls == -1) continue;
        const char* oname = SDB_obj_name(db, o);
        const std::string name = oname ? oname : "?";
        n.insts[name] = text(class_tab[obj_tab[o].cls].name);
        for (int v = obj_tab[o].first_node; v >= 0 && v < node_count && node_tab[v].object == o; ++v)
            end[static_cast<std::size_t>(v)] = name + "{" + text(pin_tab[node_tab[v].pin].name) + "}";
    }
    int listed = 0, on_nets = 0;
    for (int v = 0; v < node_count; ++v) on_nets += node_tab[v].net >= 0;
    for (int net = 0; net < net_count; ++net) {
        if (snet_tab[net] == -1) {
            EXPECT_EQ(net_tab[net].first_node, -1) << "deleted net " << net << " holds nodes";
            continue;
        }
        Group g;
        if (net <= 1 && text(snet_tab[net]) == (net == 0 ? "GND" : "VCC")) g.insert(net == 0 ? "GND" : "VCC");
        for (int v = net_tab[net].first_node; v != -1 && listed <= node_count; v = node_tab[v].next, ++listed) {
            EXPECT_EQ(node_tab[v].net, net) << end[static_cast<std::size_t>(v)] << " on the list of another net";
            EXPECT_FALSE(end[static_cast<std::size_t>(v)].empty()) << "node " << v << " of nothing on net " << net;
            g.insert(end[static_cast<std::size_t>(v)]);
        }
        if (!g.empty()) n.nets.insert(g);
    }
    EXPECT_EQ(listed, on_nets) << "nodes that name a net but are not on its list";
    SDB_close(db, 0);
    n.ok = true;
    return n;
}

// What an edit must leave: the nets that hold the given end points
// exactly (each "a b c" one net), end points on no net with another,
// instances and ports added or changed ("NAME CLASS", "NAME DIR"), and
// classes ("NAME TYPE pin:dir ...").  Everything else stays as it was.
struct Expect {
    std::vector<std::string> nets{};
    std::vector<std::string> open{};
    std::vector<std::string> insts{};
    std::vector<std::string> ports{};
    std::vector<std::string> classes{};
    std::vector<std::string> gone{};  // instances no longer there
};

inline void expect_edit(const Netlist& before, const Netlist& after, const Expect& e) {
    ASSERT_TRUE(before.ok && after.ok);
    Group named;
    for (const std::string& n : e.nets)
        for (const std::string& p : words(n)) named.insert(p);
    for (const std::string& p : e.open) named.insert(p);
    for (const std::string& n : e.nets) {
        const std::vector<std::string> w = words(n);
        const Group want(w.begin(), w.end());
        EXPECT_EQ(after.net_of(w.at(0)), want) << "net of " << w[0];
    }
    for (const std::string& p : e.open) EXPECT_LE(after.net_of(p).size(), 1u) << p << " is connected";
    // Nets without any end point named above are untouched.
    auto untouched = [&](const Netlist& n) {
        std::set<Group> s;
        for (const Group& g : n.nets) {
            bool hit = false;
            for (const std::string& p : g) hit = hit || named.count(p);
            if (!hit) s.insert(g);
        }
        return s;
    };
    EXPECT_EQ(untouched(after), untouched(before));

    std::map<std::string, std::string> insts = before.insts, ports = before.ports;
    for (const std::string& i : e.insts) insts[words(i).at(0)] = words(i).at(1);
    for (const std::string& i : e.gone) insts.erase(i);
    for (const std::string& p : e.ports) ports[words(p).at(0)] = words(p).at(1);
    EXPECT_EQ(after.insts, insts);
    EXPECT_EQ(after.ports, ports);
    for (const std::string& c : e.classes) {
        const std::size_t blank = c.find(' ');
        auto it = after.classes.find(c.substr(0, blank));
        ASSERT_NE(it, after.classes.end()) << c;
        EXPECT_EQ(it->second, c.substr(blank + 1));
    }
}

// The files of a directory tree with their contents, to show that a
// failed run changed nothing.
inline std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), dir).string()] = testsupport::read_file(entry.path());
    return files;
}

inline std::string program(const std::string& name) { return testsupport::built_program("tools/" + name); }

inline bool built(const std::string& name) { return std::filesystem::exists(program(name)); }

}  // namespace plovert_test
