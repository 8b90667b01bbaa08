// Helpers that the builders of the insertion tables share: read-only
// look-ups in the current design, the pad enable choice and the hooks
// that reset each builder's private state (the owned-text helpers are
// bscan.h's).
#pragma once

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/tables.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

namespace bsnames {

inline bool valid_obj(int obj) { return obj >= 0 && obj < obj_count; }
inline bool valid_net(int net) { return net >= 0 && net < net_count; }
inline bool valid_node(int node) { return node >= 0 && node < node_count; }

// Class name of an object, "*UNDEF*" when it has none.
inline const char* class_name(int obj) { return SDB_class_name_of(obj); }

// The port of a port node, -1 for an instance node.
inline int node_port(int node) {
    if (!valid_node(node) || node_tab[node].object >= 0) return -1;
    int p = node_tab[node].pin;
    return p >= 0 && p < port_count ? p : -1;
}

inline const char* port_name(int port) {
    if (port < 0 || port >= port_count) return "*UNDEF*";
    const char* n = SYM_get(sym_tab, port_tab[port].name);
    return n ? n : "*UNDEF*";
}

// Name of a net, null for none.
inline const char* net_name(int net) {
    if (!valid_net(net)) return nullptr;
    return SDB_net_name(sdb, net);
}

inline int node_net(int node) { return valid_node(node) ? node_tab[node].net : -1; }

// Frees a DynaArray of owned texts and sets it to null.
inline void free_texts(char**& list) {
    if (!list) return;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) std::free(list[i]);
    DYNA_free(&list);
    list = nullptr;
}

// The enable pin of a pad buffer by the pin row's enable polarity: 0 the
// %EN_L pin, 1 the %EN_H pin, otherwise %EN_L when declared, else %EN_H.
// A polarity that names a pin the buffer does not declare takes the one
// it does declare.
inline const char* enable_pin(const BufferEntry* b, int polarity) {
    if (!b) return nullptr;
    const char* first = polarity == PAD_EN_HIGH ? b->en_h : polarity == PAD_EN_LOW ? b->en_l : b->en_l;
    if (first) return first;
    return b->en_l ? b->en_l : b->en_h;
}

// Ends the run for a pad whose cell has no %BUFFER definition in the
// library file, showing the definition the user has to add.
[[noreturn]] void unknown_buffer(const char* cell, const char* signal);

}  // namespace bsnames

// Sizes of n loads split into ceil(n / limit) groups as evenly as
// possible, the larger groups first (limit 1 or more; empty for n 0).
std::vector<int> bs_group_sizes(int n, int limit);

// Private state of the builders, cleared with the tables.
void bs_control_reset_index();
void bs_scan_tab_reset_state();
void bs_buffer_tree_reset();
// Frees MULTI_IO_TAB and the tree MULTI_IO_HIER.
void bs_free_multi_io();
// Points the TAP pad records that are set at their rows again (after
// OPIN_TAB grew).
void bs_refresh_tap_pad_pointers();
