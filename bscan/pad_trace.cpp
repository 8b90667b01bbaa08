// The core side of a pad, shared by the cell writers of the insertion and
// of the boundary-cell module: the partner of a pad pin across the nets of
// the design being edited, looked through the transparent buffers of the
// library, and the source of a pad's enable.
#include "bscan/pad_trace.h"

#include <cstdio>
#include <map>
#include <string>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "runtime/frame/frame.h"
#include "runtime/strfmt.h"
#include "sdb/sdb.h"

using bsnames::or_text;

namespace bstrace {

namespace {

const char* design_file() { return sdb && sdb->path ? sdb->path : ""; }

std::map<int, std::map<std::string, std::string>> moved_ends;

const char* node_pin_name(int node) {
    const char* n = SDB_pin_name(node);
    return n ? n : "*UNDEF*";
}

Partner constant_net(int net) {
    Partner r;
    r.kind = Partner::CONSTANT;
    const char* n = bsnames::net_name(net);
    r.text = n && *n ? n : (net == 0 ? "GND" : "VCC");
    return r;
}

Partner partner_at(int k) {
    Partner r;
    r.node = k;
    int obj = node_tab[k].object;
    if (obj < 0) {
        int port = bsnames::node_port(k);
        r.kind = Partner::PORT;
        r.text = bsnames::port_name(port);
        r.direction = port >= 0 ? port_tab[port].direction & 3 : -1;
    } else {
        r.kind = Partner::PIN;
        r.text = pin_of(or_text(SDB_obj_name(sdb, obj), "*UNDEF*"), node_pin_name(k));
        int p = node_tab[k].pin;
        r.direction = p >= 0 && p < pin_count ? pin_tab[p].direction & 3 : -1;
    }
    return r;
}

// The first node of the node's net that `skip` does not reject.  A net
// tied to a constant is named by that constant.
template <class Skip>
Partner other_end(int node, Skip skip) {
    int net = bsnames::node_net(node);
    if (!bsnames::valid_net(net)) return {};
    if (net == 0 || net == 1) return constant_net(net);
    int guard = 0;
    for (int k = net_tab[net].first_node; bsnames::valid_node(k) && guard <= node_count; k = node_tab[k].next, ++guard)
        if (!skip(k)) return partner_at(k);
    return {};
}

}  // namespace

std::string pin_of(const std::string& inst, const std::string& pin) { return inst + "{" + pin + "}"; }

Partner other_end_of_object(int node, int obj) {
    return other_end(node, [obj](int k) { return node_tab[k].object == obj; });
}

Partner port_partner(const char* signal) {
    int port = signal ? SDB_nl_search_port(signal) : -1;
    if (port < 0) return {};
    int node = port_tab[port].node;
    return other_end(node, [node](int k) { return k == node; });
}

PortNetEnds port_net_ends(const char* signal) {
    PortNetEnds e;
    const int port = signal ? SDB_nl_search_port(signal) : -1;
    if (port < 0) return e;
    const int own = port_tab[port].node;
    const int net = bsnames::node_net(own);
    if (!bsnames::valid_net(net)) return e;
    if (net == 0 || net == 1) {
        e.constant = true;
        return e;
    }
    int guard = 0;
    for (int k = net_tab[net].first_node; bsnames::valid_node(k) && guard <= node_count; k = node_tab[k].next, ++guard) {
        if (k == own) continue;
        Partner p = partner_at(k);
        // A port that the net leaves through reads it; one it enters by
        // drives it, as an instance output does.
        const bool drives = p.kind == Partner::PORT ? p.direction == SDB_DIR_INPUT : p.direction == SDB_DIR_OUTPUT;
        const bool reads = p.kind == Partner::PORT ? p.direction == SDB_DIR_OUTPUT : p.direction == SDB_DIR_INPUT;
        if (drives) e.drivers.push_back(std::move(p));
        else if (reads) e.loads.push_back(std::move(p));
    }
    return e;
}

void floating(const char* what, const char* pad, const char* port) {
    qdx_printf("ERROR: %s Pad '%s' is floating.\n", what, or_text(pad, ""));
    qdx_exit_printf(-1, "       Please correct your SDB or specify pin '%s' as skip signal.\n\n", or_text(port, ""));
}

Traced trace_core(const char* inst, const char* pin, bool to_core, const char* what, const char* port) {
    if (!inst || !pin) floating(what, inst, port);
    Traced t{inst, pin, {}};
    int dir = to_core ? SDB_DIR_OUTPUT : SDB_DIR_INPUT;
    int obj = SDB_lookup_obj(inst);
    int node = obj >= 0 ? search_inode_connected_to_obj(obj, pin, dir) : -1;
    if (node >= 0) t.partner = other_end_of_object(node, obj);
    if (t.partner.kind == Partner::PIN) {
        int pobj = node_tab[t.partner.node].object;
        std::string cls = bsnames::class_name(pobj);
        if (trans_buffer(cls.c_str())) {
            BufferEntry* b = get_buffer(cls.c_str());
            if (!b) {
                bsnames::unknown_buffer(cls.c_str(), or_text(port, ""));
            }
            const char* keyword = to_core ? "OUTPUT" : "INPUT";
            const char* facing = to_core ? b->output : b->input;
            if (!facing) {
                qdx_exit_printf(-1, "ERROR: (%s) can't find %%%s in %%BUFFER %s\n\n", lib_file(), keyword, cls.c_str());
            }
            int fnode = search_inode_connected_to_obj(pobj, facing, dir);
            if (fnode < 0) {
                qdx_printf("ERROR: (%s) %%%s %s specified in %%BUFFER %s\n", lib_file(), keyword, facing, cls.c_str());
                qdx_exit_printf(-1, "       can't be found in file '%s'.\n\n", design_file());
            }
            t.inst = or_text(SDB_obj_name(sdb, pobj), "*UNDEF*");
            t.pin = facing;
            t.partner = other_end_of_object(fnode, pobj);
        }
    }
    if (t.partner.kind == Partner::NONE) floating(what, t.inst.c_str(), port);
    return t;
}

const char* pad_enable(const PadEntry& p) {
    const PinListEntry* r = p.pin >= 0 && p.pin < DYNA_count(PIN_TABLE) ? PIN_TABLE[p.pin] : nullptr;
    return bsnames::enable_pin(p.buffer, r ? r->pad_enable : PAD_EN_NONE);
}

std::string enable_source(int obj, const char* enable) {
    int node = obj >= 0 && enable ? search_inode_connected_to_obj(obj, enable, SDB_DIR_INPUT) : -1;
    int net = bsnames::node_net(node);
    if (!bsnames::valid_net(net)) return "";
    if (net == 0 || net == 1) return constant_net(net).text;
    if (net_tab[net].flags & ((1u << 28) | (1u << 29))) return or_text(bsnames::net_name(net), "");
    Partner src = other_end(node, [obj](int k) {
        if (node_tab[k].object == obj) return true;
        int dir;
        if (node_tab[k].object < 0) {
            int port = bsnames::node_port(k);
            // A port that the net leaves through is a load of it.
            dir = port >= 0 ? port_tab[port].direction & 3 : SDB_DIR_OUTPUT;
            return dir == SDB_DIR_OUTPUT;
        }
        int p = node_tab[k].pin;
        dir = p >= 0 && p < pin_count ? pin_tab[p].direction & 3 : SDB_DIR_INPUT;
        return dir == SDB_DIR_INPUT;
    });
    return src.text;
}

void moved(const std::string& end, const std::string& by) { moved_ends[current_multi_io_indexG][end] = by; }

std::string on_net(const std::string& end) {
    const auto& ends = moved_ends[current_multi_io_indexG];
    std::string at = end;
    for (size_t guard = 0; guard <= ends.size(); ++guard) {
        auto it = ends.find(at);
        if (it == ends.end()) break;
        at = it->second;
    }
    return at;
}

void forget_moved_ends() { moved_ends.clear(); }

void no_enable_source(const PadEntry& p) {
    qdx_exit_printf(-1, "ERROR: Can not find the source of enable pin '%s' to connect to BCELL.\n", or_text(p.signal, ""));
}

void inverter_to(FILE* fp, int n, const std::string& from, const std::string& to) {
    const std::string inv = STR_format("B_PAD_INV%d", n);
    std::fprintf(fp, "add %s %s\n", inv.c_str(), or_text(INVERTER, ""));
    std::fprintf(fp, "connect %s %s\n", pin_of(inv, or_text(INVERTER_INPUT, "")).c_str(), from.c_str());
    std::fprintf(fp, "connect %s %s\n", pin_of(inv, or_text(INVERTER_OUTPUT, "")).c_str(), to.c_str());
}

}  // namespace bstrace
