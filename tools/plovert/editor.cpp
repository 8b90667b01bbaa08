// The batch run of one command file on one design database.
#include "tools/plovert/editor.h"

#include <unistd.h>

#include <cstdio>
#include <unordered_map>
#include <vector>

#include "sdb/lookup.h"
#include "sdb/sdb.h"
#include "tools/common/netdb.h"
#include "tools/plovert/masters.h"

namespace plovert {

namespace {

const char* direction_word(int dir) {
    switch (dir & 3) {
        case SDB_DIR_OUTPUT: return "an output";
        case SDB_DIR_BIDIR: return "a bidirectional";
        case SDB_DIR_INPUT: return "an input";
        default: return "a";
    }
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

// The part an end point gives to the name of a net made for it.
std::string net_label(const EndPoint& e) { return e.is_pin() ? e.inst + "_" + e.name : e.name; }

// Instances with more pins than this have their pins' nodes indexed.
constexpr int kIndexedPins = 16;

}  // namespace

Editor::~Editor() {
    if (db_) SDB_close(db_, 0);
}

bool Editor::apply(const Command& cmd) {
    switch (cmd.op) {
        case Op::None: break;
        case Op::Edit: open(cmd.a); break;
        case Op::Path: path_dir_ = cmd.a; break;
        case Op::AddInst: add_instance(cmd.a, cmd.b); break;
        case Op::AddPort: add_port(cmd.a, cmd.direction); break;
        case Op::Replace: replace(cmd.a, cmd.b); break;
        case Op::DisconnectPin:
        case Op::DisconnectPort: disconnect(cmd.e1); break;
        case Op::Connect: connect(cmd.e1, cmd.e2); break;
        case Op::Save: save(); break;
        case Op::Quit: return false;
    }
    return true;
}

void Editor::open(const std::string& name) {
    if (db_) throw EditError("a second 'edit' line: design " + quoted(file_) + " is being edited already");
    if (name.find('/') != std::string::npos)
        throw EditError("design " + quoted(name) + " is named with a directory; the design edited lies in the current directory");
    const std::string file = sdb_file_name(name);
    // The unedited working copy that a caller left for the edit, else the
    // design itself; either way the save writes the design.
    const std::string copy = sdb_unedited_file_name(file);
    const std::string input = ::access(copy.c_str(), F_OK) == 0 ? copy : file;
    if (::access(input.c_str(), F_OK) != 0)
        throw EditError("no design database " + quoted(file) + " in the current directory");
    SdbDatabase* db = SDB_open(input.c_str(), "r", 0);
    if (!db) throw EditError("cannot read design database " + quoted(input));
    SDB_set_path(db, file.c_str());
    db_ = db;
    file_ = file;
    SDB_setup(db_);
    wiring_.build();
}

void Editor::need_design(const char* command) const {
    if (!db_) throw EditError(std::string("'") + command + "' before the 'edit' line that names the design");
}

int Editor::find_obj(const std::string& name) {
    if (const auto it = objs_.find(name); it != objs_.end()) return it->second;
    const int obj = sdb_nl_find_obj(name.c_str());
    if (obj >= 0) objs_.emplace(name, obj);
    return obj;
}

int Editor::find_sym(const std::string& name) {
    if (const auto it = syms_.find(name); it != syms_.end()) return it->second;
    const int sym = SYM_lookup(sym_tab, name.c_str());
    if (sym >= 0) syms_.emplace(name, sym);
    return sym;
}

int Editor::resolve_class(const std::string& master) {
    if (const auto it = classes_.find(master); it != classes_.end()) return it->second;
    const int sym = find_sym(master);
    if (sym >= 0) {
        const int cls = SDB_search_class(sym);
        if (cls >= 0) {
            classes_.emplace(master, cls);
            return cls;
        }
    }
    // The path directory, then the current directory (where the edited
    // designs of lower modules lie until they are moved), then the
    // search path.
    std::vector<std::string> dirs;
    if (!path_dir_.empty()) dirs.push_back(path_dir_);
    dirs.emplace_back(".");
    // A master is a module name, never a path (find_design takes no path).
    const std::string file = ntool::find_design(master, dirs);
    if (file.empty())
        throw EditError("master " + quoted(master) + " is no class of design " + quoted(file_) +
                        " and no design database " + quoted(master + ".sdb") + " was found" +
                        (path_dir_.empty() ? "" : " in " + quoted(path_dir_) + ",") +
                        " in the current directory or along the search path");
    MasterPorts ports;
    std::string err;
    if (!read_master(file, ports, err)) throw EditError(err);
    const int cls = SDB_make_class(SYM_setup(sym_tab, master.c_str()), ports.type, -1, 0);
    if (cls < 0) throw EditError("cannot make class " + quoted(master));
    if (!ports.pins.empty()) {
        std::vector<SdbPinDef> defs;
        defs.reserve(ports.pins.size());
        for (auto& [name, dir] : ports.pins) defs.push_back(SdbPinDef{name.data(), dir, 0});
        if (SDB_make_pinlist(cls, static_cast<int>(defs.size()), defs.data()) < 0)
            throw EditError("cannot make the pins of class " + quoted(master));
    }
    return cls;
}

// The node SDB_search_node finds, through the index for an instance
// with many pins.
int Editor::find_pin_node(int sym, int obj) {
    const int cls = obj_tab[obj].cls;
    if (cls < 0 || cls >= class_count || class_tab[cls].pin_count <= kIndexedPins) return SDB_search_node(sym, obj);
    auto [it, added] = pin_nodes_.try_emplace(obj);
    std::unordered_map<std::int32_t, int>& index = it->second;
    if (added) {
        for (int v = obj_tab[obj].first_node; v >= 0 && v < node_count && node_tab[v].object == obj; ++v) {
            const int pin = node_tab[v].pin;
            if (pin >= 0 && pin < pin_count) index.emplace(pin_tab[pin].name, v);
        }
    }
    const auto found = index.find(sym);
    return found == index.end() ? -1 : found->second;
}

int Editor::pin_node(const EndPoint& e) {
    const int obj = find_obj(e.inst);
    if (obj < 0) throw EditError("no instance " + quoted(e.inst) + " in design " + quoted(file_));
    const int sym = find_sym(e.name);
    const int node = sym < 0 ? -1 : find_pin_node(sym, obj);
    if (node < 0)
        throw EditError("instance " + quoted(e.inst) + " (master " + quoted(SDB_class_name_of(obj)) +
                        ") has no pin " + quoted(e.name));
    return node;
}

int Editor::port_node(int port) {
    int node = port_tab[port].node;
    if (node < 0 || node >= node_count || node_tab[node].object != -1 || node_tab[node].pin != port) {
        node = SDB_make_node(-1, port, -1);
        wiring_.grow();
    }
    return node;
}

Editor::Target Editor::resolve(const EndPoint& e) {
    Target t;
    if (e.is_pin()) {
        t.node = pin_node(e);
        t.net = node_tab[t.node].net;
        return t;
    }
    // Net 0 is GND and net 1 is VCC in every design.
    if ((e.name == "GND" || e.name == "VCC") && net_count >= 2) {
        t.net = e.name == "GND" ? 0 : 1;
        return t;
    }
    const int port = SDB_nl_search_port(e.name.c_str());
    if (port >= 0) {
        t.node = port_node(port);
        t.net = node_tab[t.node].net;
        return t;
    }
    t.net = sdb_nl_find_net(e.name.c_str());
    // The net of unknown value that ties an IDCODE bit is made on first use.
    if (t.net < 0 && e.name == "X_NET") t.net = wiring_.new_net(e.name);
    if (t.net < 0) throw EditError("no port or net " + quoted(e.name) + " in design " + quoted(file_));
    return t;
}

void Editor::add_instance(const std::string& inst, const std::string& master) {
    need_design("add");
    if (find_obj(inst) >= 0)
        throw EditError("instance " + quoted(inst) + " exists already in design " + quoted(file_));
    const int cls = resolve_class(master);
    const int obj = SDB_make_obj(SYM_setup(sym_tab, inst.c_str()), cls, 0, -1);
    if (obj < 0) throw EditError("cannot make instance " + quoted(inst));
    // No record had the name before: the new one is what a look-up of
    // the name finds from now on.
    objs_.emplace(inst, obj);
    wiring_.grow();
    dirty_ = true;
}

void Editor::add_port(const std::string& name, int direction) {
    need_design("add");
    const int existing = SDB_nl_search_port(name.c_str());
    if (existing >= 0) {
        if ((port_tab[existing].direction & 3) == direction) return;
        throw EditError("port " + quoted(name) + " exists already as " + direction_word(port_tab[existing].direction) +
                        " port");
    }
    const int sym = SYM_setup(sym_tab, name.c_str());
    const int port = SDB_make_port(sym, direction, -1, 0);
    if (port < 0) throw EditError("cannot make port " + quoted(name));
    const int node = SDB_make_node(-1, port, -1);
    SDB_make_port_list(sym);
    wiring_.grow();
    // A port is the net of its name: an existing one, else a new one.
    int net = sdb_nl_find_net(name.c_str());
    if (net < 0) net = wiring_.new_net(name);
    wiring_.attach(net, node);
    dirty_ = true;
}

void Editor::replace(const std::string& inst, const std::string& master) {
    need_design("replace");
    const int obj = find_obj(inst);
    if (obj < 0) throw EditError("no instance " + quoted(inst) + " in design " + quoted(file_));
    const int cls = resolve_class(master);
    const int old_cls = obj_tab[obj].cls;
    if (cls == old_cls) return;

    // Each pin of the new master by name.
    const SdbClass& c = class_tab[cls];
    const int count = c.pin_count > 0 && c.first_pin >= 0 ? c.pin_count : 0;
    std::unordered_map<std::int32_t, int> position;
    position.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) position.emplace(pin_tab[c.first_pin + k].name, k);

    // Every connected pin must be a pin of the new master; the nodes can
    // stay when the two masters have the same pins.
    std::vector<int> all;                      // the instance's nodes
    std::vector<std::pair<int, int>> mapped;   // node, position of its pin in the new master
    std::vector<std::pair<int, int>> moved;    // connected node, position
    std::vector<bool> claimed(static_cast<std::size_t>(count), false);
    for (int v = obj_tab[obj].first_node; v >= 0 && v < node_count && node_tab[v].object == obj; ++v) {
        all.push_back(v);
        const int pin = node_tab[v].pin;
        const std::int32_t name = pin >= 0 && pin < pin_count ? pin_tab[pin].name : -1;
        const char* text = name >= 0 ? SYM_get(sym_tab, name) : nullptr;
        auto it = position.find(name);
        const bool connected = node_tab[v].net != -1;
        if (it == position.end()) {
            if (connected)
                throw EditError("master " + quoted(master) + " has no pin " + quoted(text ? text : "*UNDEF*") +
                                " that instance " + quoted(inst) + " connects");
            continue;
        }
        mapped.emplace_back(v, it->second);
        if (!connected) continue;
        if (claimed[static_cast<std::size_t>(it->second)])
            throw EditError("instance " + quoted(inst) + " connects pin " + quoted(text ? text : "*UNDEF*") + " twice");
        claimed[static_cast<std::size_t>(it->second)] = true;
        moved.emplace_back(v, it->second);
    }
    bool same = all.size() == mapped.size() && static_cast<int>(all.size()) == count;
    if (same) {
        std::vector<bool> seen(static_cast<std::size_t>(count), false);
        for (const auto& [v, k] : mapped) {
            if (seen[static_cast<std::size_t>(k)]) same = false;
            seen[static_cast<std::size_t>(k)] = true;
        }
    }

    obj_tab[obj].cls = cls;
    pin_nodes_.erase(obj);
    if (same) {
        for (const auto& [v, k] : mapped) node_tab[v].pin = c.first_pin + k;
    } else {
        // Fresh nodes for the new master; each connection moves to the
        // node of the same pin, and the old nodes belong to nothing.
        const int first = SDB_make_nodeobj(obj, count);
        wiring_.grow();
        for (const auto& [v, k] : moved) wiring_.substitute(v, first + k);
        for (int v : all) node_tab[v].object = node_tab[v].pin = -1;
    }
    dirty_ = true;
}

void Editor::disconnect(const EndPoint& e) {
    need_design("disconnect");
    int node;
    if (e.is_pin()) {
        node = pin_node(e);
    } else {
        const int port = SDB_nl_search_port(e.name.c_str());
        if (port < 0) throw EditError("no port " + quoted(e.name) + " in design " + quoted(file_));
        node = port_node(port);
    }
    wiring_.detach(node);
    dirty_ = true;
}

void Editor::connect(const EndPoint& a, const EndPoint& b) {
    need_design("connect");
    const Target x = resolve(a);
    const Target y = resolve(b);
    dirty_ = true;
    if (x.node >= 0 && x.node == y.node) return;  // one pin with itself
    if (x.net == -1 && y.net == -1) {
        const int net = wiring_.new_net(SDB_nl_make_netname(net_label(a).c_str(), net_label(b).c_str()));
        if (net < 0) throw EditError("cannot make a net for " + quoted(a.text()) + " and " + quoted(b.text()));
        wiring_.attach(net, x.node);
        wiring_.attach(net, y.node);
    } else if (x.net == -1) {
        wiring_.attach(y.net, x.node);
    } else if (y.net == -1) {
        wiring_.attach(x.net, y.node);
    } else if (x.net != y.net) {
        if ((x.net == 0 && y.net == 1) || (x.net == 1 && y.net == 0))
            throw EditError("connecting " + quoted(a.text()) + " and " + quoted(b.text()) + " would join GND and VCC");
        wiring_.merge(x.net, y.net);
    }
}

void Editor::save() {
    need_design("save");
    // Saving drops deleted records: node and object numbers change.
    pin_nodes_.clear();
    objs_.clear();
    syms_.clear();
    classes_.clear();
    if (SDB_save(db_) != 0) throw EditError("cannot write design database " + quoted(file_) + ": " + SDB_save_why());
    dirty_ = false;
    std::printf("Saved %s\n", file_.c_str());
    std::fflush(stdout);
}

}  // namespace plovert
