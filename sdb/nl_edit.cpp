// Editing the current design by name.
#include "sdb/nl_edit.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/output_file.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

bool in_range(int i, int count) { return i >= 0 && i < count; }

bool hierarchical(const char* name) { return std::strchr(name, sdb_hier_dot) != nullptr; }

SdbPinDef* new_pin_list(int n) { return DYNA_new<SdbPinDef>(n > 0 ? n : 1); }

void add_pin(SdbPinDef** list, const char* name, int32_t direction, int32_t flags) {
    sdbi::reserve(list, 1);
    DYNA_append(list, SdbPinDef{name ? qdx_strdup(name) : nullptr, direction, flags});
}

// The design file of that name along the search path, or "".
std::string design_file(const char* name) {
    std::unique_ptr<char, decltype(&std::free)> found(FNM_search(sdb_file_name(name).c_str(), R_OK, FNM_SEARCH_PATH),
                                                      &std::free);
    return found ? std::string(found.get()) : std::string();
}

// A class made from primitive definition prim: SDB_make_class gives a
// primitive type its pins; a design-level type gets them here.
int class_from_primitive(int sym, int prim) {
    const PrimitiveDef& d = sdb_primitives[prim];
    int cls = SDB_make_class(sym, d.type, -1, 0);
    int n = DYNA_count(d.pins);
    if (cls >= 0 && class_tab[cls].first_pin == -1 && class_tab[cls].pin_count == 0 && n > 0)
        SDB_make_pinlist(cls, n, d.pins);
    return cls;
}

int existing_class(const char* name) {
    int sym = SYM_lookup(sym_tab, name);
    return sym < 0 ? -1 : SDB_search_class(sym);
}

}  // namespace

// A name that holds the separator may also be a flat name given to an
// object or net by the calls here: both are taken as taken.
int sdb_nl_find_obj(const char* name) {
    int obj = SDB_lookup_obj(name);
    if (obj < 0 && name && hierarchical(name)) {
        int sym = SYM_lookup(sym_tab, name);
        if (sym >= 0) obj = SDB_search_obj(sym);
    }
    return obj;
}

int sdb_nl_find_net(const char* name) {
    int net = SDB_lookup_net(name);
    if (net < 0 && name && hierarchical(name)) {
        int sym = SYM_lookup(sym_tab, name);
        if (sym >= 0) net = SDB_search_net(sym);
    }
    return net;
}

std::string sdb_file_name(const std::string& name) {
    std::string file = name;
    if (file.size() < 4 || file.compare(file.size() - 4, 4, ".sdb") != 0) file += ".sdb";
    return file;
}

std::string sdb_unedited_file_name(const std::string& name) {
    static constexpr char kUnedited[] = "unedit";
    std::string copy = RT_temp_template(sdb_file_name(name));
    return copy.replace(copy.size() - (sizeof kUnedited - 1), sizeof kUnedited - 1, kUnedited);
}

SdbLookAside::SdbLookAside()
    : task_(which_task), asn_(asn_file_name), objs_(sdb_obj_count), nets_(sdb_net_count), big_(sdbi::file_is_big) {
    asn_file_name = nullptr;
    which_task = -2;  // no alias file is read or freed
}

SdbLookAside::~SdbLookAside() {
    std::free(asn_file_name);
    asn_file_name = asn_;
    which_task = task_;
    sdb_obj_count = objs_;
    sdb_net_count = nets_;
    sdbi::file_is_big = big_;
}

void SDB_free_pin_list(SdbPinDef** list) {
    if (!list || !*list) return;
    int n = DYNA_count(*list);
    for (int i = 0; i < n; ++i) std::free((*list)[i].name);
    DYNA_free(list);
    *list = nullptr;
}

SdbPinDef* SDB_load_port_from_sdb(const char* path) {
    if (!path) return nullptr;
    SdbLookAside aside;
    SdbDatabase* db = SDB_open(path, "r", 3);
    if (!db) return nullptr;
    const auto* port = static_cast<const SdbPort*>(db->slot[SDB_PORT].data);
    int n = port ? db->slot[SDB_PORT].count : 0;
    SdbPinDef* list = new_pin_list(n);
    for (int i = 0; i < n; ++i)
        add_pin(&list, SYM_get(db->symbols, port[i].name), port[i].direction, static_cast<int32_t>(port[i].flags));
    SDB_close(db, 0);
    return list;
}

SdbPinDef* SDB_nl_load_port(const char* name) {
    if (!name) return nullptr;
    std::string file = design_file(name);
    if (!file.empty()) return SDB_load_port_from_sdb(file.c_str());
    int prim = SDB_lookup_primitive(name);
    if (prim >= 0) {
        const SdbPinDef* defs = sdb_primitives[prim].pins;
        int n = DYNA_count(defs);
        SdbPinDef* list = new_pin_list(n);
        for (int k = 0; k < n; ++k) add_pin(&list, defs[k].name, defs[k].direction, defs[k].flags);
        return list;
    }
    sdb_log_error(SDB_WARNING, FA_01_0052, name);
    return nullptr;
}

int SDB_nl_make_class(const char* name) {
    if (!sdb || !name) return -1;
    int cls = existing_class(name);
    if (cls >= 0) return cls;
    int sym = SYM_setup(sym_tab, name);
    std::string file = design_file(name);
    if (!file.empty()) {
        SdbPinDef* ports = SDB_load_port_from_sdb(file.c_str());
        cls = SDB_make_class(sym, 0, -1, 0);
        if (cls >= 0 && DYNA_count(ports) > 0) SDB_make_pinlist(cls, DYNA_count(ports), ports);
        SDB_free_pin_list(&ports);
        return cls;
    }
    int prim = SDB_lookup_primitive(name);
    if (prim >= 0) return class_from_primitive(sym, prim);
    return SDB_make_class(sym, 0, -1, 0);
}

int SDB_nl_make_prim_class(const char* name) {
    if (!sdb || !name) return -1;
    int cls = existing_class(name);
    if (cls >= 0) return cls;
    int prim = SDB_lookup_primitive(name);
    if (prim < 0) {
        sdb_exit_error(SDB_FATAL, FA_01_0051, name);
    }
    return class_from_primitive(SYM_setup(sym_tab, name), prim);
}

int SDB_nl_make_obj(const char* name, int cls, int reserved, int n) {
    SDB_error_flagG = 0;
    if (!sdb || !name) return -1;
    int obj = sdb_nl_find_obj(name);
    if (obj >= 0) {
        sdb_log_error(SDB_ERROR, FA_02_0002, name);
        SDB_error_flagG = 1;
        return obj;
    }
    return SDB_make_obj(SYM_setup(sym_tab, name), cls, reserved, n);
}

int SDB_nl_make_net(const char* name) {
    if (!sdb || !name) return -1;
    int net = sdb_nl_find_net(name);
    return net >= 0 ? net : SDB_make_net(SYM_setup(sym_tab, name), -1);
}

int SDB_nl_make_port(const char* name, int direction) {
    if (!sdb || !name) return -1;
    int port = SDB_nl_search_port(name);
    if (port >= 0) return port;
    int sym = SYM_setup(sym_tab, name);
    port = SDB_make_port(sym, direction, -1, 0);
    int node = SDB_make_node(-1, port, -1);
    int net = sdb_nl_find_net(name);
    if (net >= 0) {
        node_tab[node].next = net_tab[net].first_node;
        node_tab[node].net = net;
        net_tab[net].first_node = node;
    } else {
        SDB_make_net(sym, node);
    }
    return port;
}

int SDB_nl_rename_obj(int obj, const char* name) {
    if (!sdb || !name || !in_range(obj, obj_count) || !in_range(obj, DYNA_count(sobj_tab))) return 0;
    const char* now = SDB_obj_name(sdb, obj);
    if (now && std::strcmp(now, name) == 0) {
        sdb_log_error(SDB_WARNING, FA_02_0003, "", static_cast<long>(obj), name);
        return 0;
    }
    int other = sdb_nl_find_obj(name);
    if (other >= 0 && other != obj) {
        sdb_log_error(SDB_WARNING, FA_02_0004, "", static_cast<long>(obj), name);
        SDB_error_flagG = 1;
        return 0;
    }
    int sym = SYM_setup(sym_tab, name);
    int32_t w = sobj_tab[obj];
    if (sdb_is_prefix_word(w)) {
        int p = sdb_prefix_of(w);
        if (!in_range(p, prefix_count) || prefix_tab[p].owner != SDB_OWNER_OBJECT + obj) {
            sdb_exit_name_inconsistency();
        }
        prefix_tab[p].owner = -1;
    }
    sobj_tab[obj] = sym;
    sdbi::name_changed(SDB_SOBJ, obj);
    return 1;
}

std::string SDB_nl_make_netname(const char* a, const char* b) {
    std::string x = a ? a : "", y = b ? b : "";
    const bool ea = !x.empty() && x[0] == '\\', eb = !y.empty() && y[0] == '\\';
    std::string name;
    if (ea && eb)
        name = x + "_" + y.substr(1);
    else if (ea)
        name = x + "_" + y;
    else if (eb)
        name = "\\" + x + "_" + y.substr(1);
    else {
        name = x + "_" + y;
        for (char& c : name)
            if (c == '[' || c == ']') c = '_';
    }
    while (sdb && sdb_nl_find_net(name.c_str()) >= 0) name += "_QDX";
    return name;
}

int SDB_nl_delete_node(const char* obj_name, const char* pin_name) {
    int node = SDB_nl_search_node(obj_name, pin_name);
    return node >= 0 && nl_delete_node(node) == 1 ? 1 : 0;
}

int SDB_nl_delete_port(const char* name) {
    int port = SDB_nl_search_port(name);
    return port >= 0 && SDB_delete_port(port) == 1 ? 1 : 0;
}

int SDB_nl_delete_obj(const char* name) {
    int obj = SDB_lookup_obj(name);
    return obj >= 0 && SDB_delete_obj(obj) == 1 ? 1 : 0;
}

int SDB_nl_delete_net(const char* name) {
    int net = SDB_lookup_net(name);
    return net >= 0 && SDB_delete_net(net) == 1 ? 1 : 0;
}
