// Making and editing the current design.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

// Last node of each net's list, remembered while a design is made so that
// appending to a net with many nodes does not walk its list each time.
// An entry is trusted only while its node still ends that net's list.
struct TailCache {
    const SdbDatabase* db = nullptr;
    std::vector<int32_t> tail;
} tails;

void remember_tail(int net, int node) {
    if (tails.db != sdb) {
        tails.db = sdb;
        tails.tail.clear();
    }
    if (static_cast<size_t>(net) >= tails.tail.size()) tails.tail.resize(static_cast<size_t>(net) + 1 + tails.tail.size() / 2, -1);
    tails.tail[static_cast<size_t>(net)] = node;
}

bool in_range(int i, int count) { return i >= 0 && i < count; }

// Appends a record to slot k of db, making the table when the design was
// opened without it.
template <class T>
int add_record_to(SdbDatabase* db, int k, const T& rec) {
    SdbTableSlot& s = db->slot[k];
    if (!s.data) {
        const SdbSlotInfo& info = sdb_slot_info[k];
        T* a = DYNA_new<T>(sdb_model * info.initial);
        DYNA_header(a)->fixed = 0;
        DYNA_header(a)->delta = sdb_model * info.growth;
        s.data = a;
        s.size = static_cast<int32_t>(sizeof(T));
    }
    T* h = static_cast<T*>(s.data);
    int i = sdbi::append(&h, rec);
    s.data = h;
    sdbi::refresh_slot(db, k);
    return i;
}

// The same for the current design.
template <class T>
int add_record(int k, const T& rec) {
    return add_record_to(sdb, k, rec);
}

// Net 0 or 1 when name_word names it and it is the supply net GND or VCC
// of the design, else -1.
int supply_net(int name_word) {
    if (name_word < 0) return -1;
    for (int k = 0; k < 2; ++k) {
        if (k >= net_count || k >= DYNA_count(snet_tab) || snet_tab[k] != name_word) continue;
        const char* text = SYM_get(sym_tab, name_word);
        if (text && std::strcmp(text, k == 0 ? "GND" : "VCC") == 0) return k;
    }
    return -1;
}

// Lowers the count of slot k to n, keeping the 0xFF record behind it.
template <class T>
void shorten(int k, int n) {
    sdbi::set_count(static_cast<T*>(sdb->slot[k].data), n);
    sdbi::refresh_slot(sdb, k);
}

int find_tail(int net) {
    if (tails.db == sdb && static_cast<size_t>(net) < tails.tail.size()) {
        int t = tails.tail[static_cast<size_t>(net)];
        if (in_range(t, node_count) && node_tab[t].net == net && node_tab[t].next == -1) return t;
    }
    int t = net_tab[net].first_node;
    if (t == -1) return -1;
    for (int steps = 0; node_tab[t].next != -1; ++steps) {
        if (steps > node_count || !in_range(node_tab[t].next, node_count)) sdb_exit_name_inconsistency();
        t = node_tab[t].next;
    }
    remember_tail(net, t);
    return t;
}

// Puts node at the end of net's node list, behind tail (-1: the list is
// empty).
void append_behind(int net, int node, int tail) {
    if (tail == -1)
        net_tab[net].first_node = node;
    else
        node_tab[tail].next = node;
    node_tab[node].net = net;
    node_tab[node].next = -1;
}

void link_at_end(int net, int node) {
    append_behind(net, node, find_tail(net));
    remember_tail(net, node);
}

// Takes node out of its net's list; net and next become -1.  False when
// the node has no net or is not on that net's list.
bool unlink(int node) {
    SdbNode& d = node_tab[node];
    int net = d.net;
    if (!in_range(net, net_count)) return false;
    int prev = -1, v = net_tab[net].first_node;
    for (int steps = 0; v != -1 && v != node; ++steps) {
        if (steps > node_count || !in_range(v, node_count)) sdb_exit_name_inconsistency();
        prev = v;
        v = node_tab[v].next;
    }
    if (v == -1) return false;
    if (prev == -1)
        net_tab[net].first_node = d.next;
    else
        node_tab[prev].next = d.next;
    d.net = -1;
    d.next = -1;
    return true;
}

bool on_list(int net, int node) {
    int v = net_tab[net].first_node;
    for (int steps = 0; v != -1; ++steps) {
        if (v == node) return true;
        if (steps > node_count || !in_range(v, node_count)) sdb_exit_name_inconsistency();
        v = node_tab[v].next;
    }
    return false;
}

// Removes a node from the design: off its net, object and pin -1.
void remove_node(int node) {
    unlink(node);
    SdbNode& d = node_tab[node];
    d.object = d.pin = d.net = d.next = -1;
}

// The prefix entry of a hierarchical name word must name its owner;
// it then names nothing any more.
void release_name(int32_t word, int32_t owner) {
    if (!sdb_is_prefix_word(word)) return;
    int p = sdb_prefix_of(word);
    if (!in_range(p, prefix_count) || prefix_tab[p].owner != owner) sdb_exit_name_inconsistency();
    prefix_tab[p].owner = -1;
}

void check_name(int32_t word, int32_t owner) {
    if (!sdb_is_prefix_word(word)) return;
    int p = sdb_prefix_of(word);
    if (!in_range(p, prefix_count) || prefix_tab[p].owner != owner) sdb_exit_name_inconsistency();
}

}  // namespace

// Code that reads designs takes net 0 for the constant 0 and net 1 for
// the constant 1 (the TAP checks, for one, tell a pin tied to GND or VCC
// by its net index), so every new design holds GND and VCC as its first
// two nets from the start.
void sdbi::make_supply_nets(SdbDatabase* db) {
    if (!db || !db->symbols || db->slot[SDB_NET].count != 0) return;
    for (const char* name : {"GND", "VCC"}) {
        add_record_to(db, SDB_SNET, static_cast<int32_t>(SYM_setup(db->symbols, name)));
        add_record_to(db, SDB_NET, SdbNet{-1, 0});
    }
}

void sdbi::forget_edit_caches(const SdbDatabase* db) {
    if (!db || tails.db == db) {
        tails.db = nullptr;
        tails.tail.clear();
        tails.tail.shrink_to_fit();
    }
}

int SDB_make_class(int name, int type, int first_pin, int count) {
    if (!sdb) return -1;
    // A primitive type takes its pins from the primitive definition of
    // the class's name; a name without one is made like any other class.
    const bool primitive = type >= 16 && !(type >= 4096 && type < 4096 + 8192);
    int prim = primitive ? SDB_search_primitive(name) : -1;
    if (prim >= 0) {
        const SdbPinDef* defs = sdb_primitives[prim].pins;
        int n = DYNA_count(defs);
        sdbi::reserve(&sdb->slot[SDB_PIN].data, n + 1);
        int first = n > 0 ? pin_count : -1;
        for (int k = 0; k < n; ++k)
            add_record(SDB_PIN, SdbPin{defs[k].name ? SYM_setup(sym_tab, defs[k].name) : -1, defs[k].direction});
        return add_record(SDB_CLAS, SdbClass{name, type, first, n, 1, 0, 0, n - 1});
    }
    int first = first_pin;
    if (first_pin == -1 && count >= 1) {
        sdbi::reserve(&sdb->slot[SDB_PIN].data, count + 1);
        first = pin_count;
        for (int k = 0; k < count; ++k) add_record(SDB_PIN, SdbPin{-1, SDB_DIR_INPUT});
    }
    return add_record(SDB_CLAS, SdbClass{name, type, first, count, 1, 0, 0, count - 1});
}

int SDB_make_port(int name, int direction, int node, uint32_t flags) {
    if (!sdb) return -1;
    return add_record(SDB_PORT, SdbPort{name, direction, node, flags});
}

int SDB_make_pin(int name, int direction) {
    if (!sdb) return -1;
    return add_record(SDB_PIN, SdbPin{name, direction});
}

int SDB_make_obj(int name_word, int cls, int reserved, int n) {
    if (!sdb) return -1;
    if (cls != -1 && !in_range(cls, class_count)) {
        sdb_log_error(SDB_FATAL, "%s", FA_02_0008);
        return -1;
    }
    int nodes = 0;
    if (cls != -1) {
        const SdbClass& c = class_tab[cls];
        if (n != -1 && n > c.pin_count) {
            const char* cname = SYM_get(sym_tab, c.name);
            sdb_exit_error(SDB_FATAL, FA_02_0005, static_cast<long>(n), static_cast<long>(c.pin_count),
                           cname ? cname : "");
        }
        nodes = (n == -1 || c.type < 17 || c.pin_count < 16) ? c.pin_count : n;
        if (nodes < 0) nodes = 0;
    }
    add_record(SDB_SOBJ, static_cast<int32_t>(name_word));
    int obj = add_record(SDB_OBJ, SdbObject{cls, -1, 0});
    if (cls != -1) SDB_make_nodeobj(obj, nodes);
    return obj;
}

int SDB_make_nodeobj(int obj, int n) {
    if (!sdb || !in_range(obj, obj_count) || n < 0) return -1;
    int cls = obj_tab[obj].cls;
    int first_pin = in_range(cls, class_count) ? class_tab[cls].first_pin : -1;
    if (n == 0) {
        obj_tab[obj].first_node = -1;
        return -1;
    }
    sdbi::reserve(&sdb->slot[SDB_NODE].data, n + 1);
    int first = -1;
    for (int k = 0; k < n; ++k) {
        int node = add_record(SDB_NODE, SdbNode{obj, first_pin >= 0 ? first_pin + k : -1, -1, -1, 0});
        if (k == 0) first = node;
    }
    obj_tab[obj].first_node = first;
    return first;
}

int SDB_make_objs(int n, void (*get)(void* ctx, int i, int32_t* name_word, int32_t* cls), void* ctx) {
    if (!sdb || n < 0 || !get) return -1;
    SdbTableSlot& sobj = sdb->slot[SDB_SOBJ];
    SdbTableSlot& obj = sdb->slot[SDB_OBJ];
    SdbTableSlot& node = sdb->slot[SDB_NODE];
    if (!sobj.data || !obj.data || !node.data) return -1;
    // The nodes come after the objects are checked, so that nothing is
    // made when one of them is not sound.
    int64_t nodes = 0;
    for (int i = 0; i < n; ++i) {
        int32_t name = 0, cls = -1;
        get(ctx, i, &name, &cls);
        if (cls == -1) continue;
        if (!in_range(cls, class_count)) {
            sdb_log_error(SDB_FATAL, "%s", FA_02_0008);
            return -1;
        }
        nodes += std::max(class_tab[cls].pin_count, 0);
    }
    if (nodes + node_count >= std::numeric_limits<int32_t>::max() ||
        static_cast<int64_t>(obj_count) + n >= std::numeric_limits<int32_t>::max())
        return -1;
    sdbi::reserve(&sobj.data, n + 1);
    sdbi::reserve(&obj.data, n + 1);
    sdbi::reserve(&node.data, static_cast<int>(nodes) + 1);
    auto* names = static_cast<int32_t*>(sobj.data);
    auto* objs = static_cast<SdbObject*>(obj.data);
    auto* ns = static_cast<SdbNode*>(node.data);
    const int first_obj = DYNA_count(objs);
    int o = first_obj, v = DYNA_count(ns);
    int s = DYNA_count(names);
    for (int i = 0; i < n; ++i, ++o, ++s) {
        int32_t name = 0, cls = -1;
        get(ctx, i, &name, &cls);
        names[s] = name;
        objs[o] = SdbObject{cls, -1, 0};
        if (cls == -1) continue;
        const SdbClass& c = class_tab[cls];
        const int count = std::max(c.pin_count, 0);
        if (count == 0) continue;
        objs[o].first_node = v;
        for (int k = 0; k < count; ++k) ns[v++] = SdbNode{o, c.first_pin >= 0 ? c.first_pin + k : -1, -1, -1, 0};
    }
    sdbi::set_count(names, s);
    sdbi::set_count(objs, o);
    sdbi::set_count(ns, v);
    sdbi::refresh_slot(sdb, SDB_SOBJ);
    sdbi::refresh_slot(sdb, SDB_OBJ);
    sdbi::refresh_slot(sdb, SDB_NODE);
    return n > 0 ? first_obj : -1;
}

int SDB_make_nets(int n, const int32_t* name_words) {
    if (!sdb || n < 0 || (n > 0 && !name_words)) return -1;
    SdbTableSlot& snet = sdb->slot[SDB_SNET];
    SdbTableSlot& net = sdb->slot[SDB_NET];
    if (!snet.data || !net.data) return -1;
    if (net_count < 2 || DYNA_count(snet_tab) < 2) {
        // The nets made first may become GND and VCC: one at a time.
        for (int i = 0; i < n; ++i)
            if (SDB_make_net(name_words[i], -1) < 0) return -1;
        return 0;
    }
    if (static_cast<int64_t>(net_count) + n >= std::numeric_limits<int32_t>::max()) return -1;
    sdbi::reserve(&snet.data, n + 1);
    sdbi::reserve(&net.data, n + 1);
    auto* names = static_cast<int32_t*>(snet.data);
    auto* nets = static_cast<SdbNet*>(net.data);
    int s = DYNA_count(names), t = DYNA_count(nets);
    for (int i = 0; i < n; ++i) {
        // GND and VCC are there already.
        if (supply_net(name_words[i]) != -1) continue;
        names[s++] = name_words[i];
        nets[t++] = SdbNet{-1, 0};
    }
    sdbi::set_count(names, s);
    sdbi::set_count(nets, t);
    sdbi::refresh_slot(sdb, SDB_SNET);
    sdbi::refresh_slot(sdb, SDB_NET);
    return 0;
}

int SDB_make_net(int name_word, int first_node) {
    if (!sdb || (first_node != -1 && !in_range(first_node, node_count))) return -1;
    // GND and VCC exist from the making of the design (make_supply_nets):
    // asking for them again gives them.
    int supply = supply_net(name_word);
    if (supply != -1) {
        if (first_node != -1) SDB_nl_connect_net(supply, first_node);
        return supply;
    }
    add_record(SDB_SNET, static_cast<int32_t>(name_word));
    int net = add_record(SDB_NET, SdbNet{-1, 0});
    if (first_node != -1) {
        // A node lies on one list only: it leaves the net it was on.
        if (node_tab[first_node].net != -1) unlink(first_node);
        link_at_end(net, first_node);
    }
    return net;
}

int SDB_make_node(int obj, int pin, int net) {
    if (!sdb || (obj != -1 && !in_range(obj, obj_count)) || (net != -1 && !in_range(net, net_count))) return -1;
    int node = add_record(SDB_NODE, SdbNode{obj, pin, -1, -1, 0});
    if (net != -1) link_at_end(net, node);
    if (obj == -1) {
        if (in_range(pin, port_count)) port_tab[pin].node = node;
    } else if (obj_tab[obj].first_node == -1) {
        obj_tab[obj].first_node = node;
    }
    return node;
}

int SDB_make_pinlist(int cls, int n, const SdbPinDef* pins) {
    if (!sdb || !in_range(cls, class_count) || class_tab[cls].first_pin != -1 || n < 0 || (n > 0 && !pins))
        return -1;
    int first = pin_count;
    for (int k = 0; k < n; ++k)
        add_record(SDB_PIN, SdbPin{pins[k].name ? SYM_setup(sym_tab, pins[k].name) : -1, pins[k].direction});
    SdbClass& c = class_tab[cls];
    c.first_pin = first;
    c.pin_count = n;
    c.last_pin = n - 1;
    c.made = 1;
    c.zero5 = 0;
    c.zero6 = 0;
    return first;
}

int SDB_make_port_list(int sym) {
    if (!sdb) return -1;
    return add_record(SDB_XPOR, static_cast<int32_t>(sym));
}

int SDB_alloc_utab(SdbDatabase* db, const char* name, int count, int size) {
    if (!db || !name || count < 0 || size <= 0) return -1;
    for (int k = SDB_FIRST_USER_SLOT; k < SDB_NUM_SLOTS; ++k) {
        SdbTableSlot& s = db->slot[k];
        if (s.name[0] != '\0') continue;
        std::memset(s.name, 0, 4);
        std::memcpy(s.name, name, std::min<size_t>(4, std::strlen(name)));
        if (s.name[0] == '\0') return -1;
        void* a = DYNA_init(count + 1, size);
        DYNA_header(a)->fixed = 0;
        DYNA_header(a)->delta = 256;
        DYNA_set_count(a, count);
        std::memset(static_cast<uint8_t*>(a) + static_cast<size_t>(count) * static_cast<size_t>(size), 0xFF,
                    static_cast<size_t>(size));
        s.data = a;
        s.count = count;
        s.size = size;
        s.offset = -1;
        return k;
    }
    return -1;
}

int SDB_delete_node(int node) {
    if (!sdb || !in_range(node, node_count) || node_tab[node].net == -1) return -1;
    remove_node(node);
    return 1;
}

int SDB_relink_node(int a, int b) {
    if (!sdb || !in_range(a, node_count) || !in_range(b, node_count) || !in_range(node_tab[a].net, net_count))
        return -1;
    SdbNode& na = node_tab[a];
    SdbNode& nb = node_tab[b];
    int net = na.net;
    int prev = -1, v = net_tab[net].first_node;
    for (int steps = 0; v != -1 && v != a; ++steps) {
        if (steps > node_count || !in_range(v, node_count)) sdb_exit_name_inconsistency();
        prev = v;
        v = node_tab[v].next;
    }
    if (v == a) {
        if (prev == -1)
            net_tab[net].first_node = b;
        else
            node_tab[prev].next = b;
    }
    nb.net = net;
    nb.next = na.next;
    nb.flags = na.flags;
    // a has left the list: it must not claim the net any more.
    na.net = -1;
    na.next = -1;
    return 1;
}

int SDB_delete_obj(int obj) {
    if (!sdb || !in_range(obj, obj_count)) return -1;
    int32_t word = in_range(obj, DYNA_count(sobj_tab)) ? sobj_tab[obj] : -1;
    check_name(word, SDB_OWNER_OBJECT + obj);
    for (int v = obj_tab[obj].first_node; in_range(v, node_count) && node_tab[v].object == obj; ++v) remove_node(v);
    release_name(word, SDB_OWNER_OBJECT + obj);
    obj_tab[obj].cls = -1;
    obj_tab[obj].first_node = -1;
    if (in_range(obj, DYNA_count(sobj_tab))) {
        sobj_tab[obj] = -1;
        sdbi::name_changed(SDB_SOBJ, obj);
    }
    if (obj == obj_count - 1) {
        shorten<SdbObject>(SDB_OBJ, obj);
        if (sobj_tab && DYNA_count(sobj_tab) > obj) shorten<int32_t>(SDB_SOBJ, obj);
    }
    return 1;
}

int SDB_delete_port(int port) {
    if (!sdb || !in_range(port, port_count)) return 0;
    int32_t name = port_tab[port].name;
    int node = port_tab[port].node;
    if (in_range(node, node_count)) remove_node(node);
    port_tab[port].name = -1;
    port_tab[port].node = -1;
    sdbi::name_changed(SDB_PORT, port);
    if (port == port_count - 1) shorten<SdbPort>(SDB_PORT, port);
    if (name != -1 && xport_tab) {
        int k = 0;
        for (int i = 0; i < xport_count; ++i)
            if (xport_tab[i] != name) xport_tab[k++] = xport_tab[i];
        if (k != xport_count) shorten<int32_t>(SDB_XPOR, k);
    }
    return 1;
}

int SDB_delete_net(int net) {
    if (!sdb || !in_range(net, net_count)) return -1;
    int32_t word = in_range(net, DYNA_count(snet_tab)) ? snet_tab[net] : -1;
    check_name(word, net);
    // The nodes stay with their objects and ports; they only lose the net.
    int v = net_tab[net].first_node;
    for (int steps = 0; v != -1; ++steps) {
        if (steps > node_count || !in_range(v, node_count)) sdb_exit_name_inconsistency();
        int next = node_tab[v].next;
        node_tab[v].net = -1;
        node_tab[v].next = -1;
        v = next;
    }
    release_name(word, net);
    net_tab[net].first_node = -1;
    if (in_range(net, DYNA_count(snet_tab))) {
        snet_tab[net] = -1;
        sdbi::name_changed(SDB_SNET, net);
    }
    if (net == net_count - 1) {
        shorten<SdbNet>(SDB_NET, net);
        if (snet_tab && DYNA_count(snet_tab) > net) shorten<int32_t>(SDB_SNET, net);
    }
    return 1;
}

int SDB_resize_node(int n) {
    if (!sdb || !node_tab || n >= node_count || n < -1) return -1;
    shorten<SdbNode>(SDB_NODE, n + 1);
    return 0;
}

int SDB_nl_connect_net(int net, int node) {
    if (net == -1 || node == -1) return 0;
    if (!sdb || !in_range(net, net_count) || !in_range(node, node_count)) return 1;
    SdbNode& d = node_tab[node];
    if (d.net == net && on_list(net, node)) return 0;
    // A node lies on one list only: it leaves the net it was on.
    if (d.net != -1) unlink(node);
    link_at_end(net, node);
    return 0;
}

int SDB_nl_connect_new_nodes(int first, const int32_t* nets, int n) {
    if (n == 0) return 0;
    if (!sdb || n < 0 || !nets || !in_range(first, node_count) || n > node_count - first) return 1;
    for (int k = 0; k < n; ++k)
        if ((nets[k] != -1 && !in_range(nets[k], net_count)) || node_tab[first + k].net != -1) return 1;
    // The last node of each net, then one pass in node order: each node
    // goes behind the last node of its net.
    std::vector<int32_t> last(static_cast<size_t>(net_count), -1);
    for (int net = 0; net < net_count; ++net)
        if (net_tab[net].first_node != -1) last[static_cast<size_t>(net)] = find_tail(net);
    for (int k = 0; k < n; ++k) {
        const int net = nets[k];
        if (net == -1) continue;
        const int node = first + k;
        int32_t& t = last[static_cast<size_t>(net)];
        append_behind(net, node, t);
        t = node;
    }
    for (int net = 0; net < net_count; ++net)
        if (last[static_cast<size_t>(net)] >= 0) remember_tail(net, last[static_cast<size_t>(net)]);
    return 0;
}

int nl_delete_node(int node) {
    if (!sdb || !in_range(node, node_count)) return 0;
    if (node_tab[node].net == -1) return 1;
    return unlink(node) ? 1 : 0;
}

void SDB_nl_close(int save) {
    if (!sdb) return;
    SdbDatabase* db = sdb;
    SDB_update(db);
    SDB_close(db, save);
}
