#include "sdb/lookup.h"

#include <algorithm>
#include <vector>

#include "sdb/internal.h"
#include "sdb/sdb.h"

int SDB_search_port(int sym) {
    for (int i = 0; i < port_count; ++i)
        if (port_tab[i].name == sym) return i;
    return -1;
}

int SDB_nl_search_port(const char* name) {
    int sym = SYM_lookup(sym_tab, name);
    return sym < 0 ? -1 : SDB_search_port(sym);
}

void SDB_sort_port_tab(SdbDatabase* db) {
    if (!db) return;
    SdbTableSlot& s = db->slot[SDB_PORT];
    auto* port = static_cast<SdbPort*>(s.data);
    int32_t n = DYNA_count(port);
    if (n < 2) return;
    // Directions 0, 1 and 2 in that order; any other value keeps its
    // place in the old order behind them rather than being lost.
    auto rank = [](int32_t d) { return d >= 0 && d <= 2 ? d : 3; };
    std::vector<SdbPort> sorted(port, port + n);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const SdbPort& a, const SdbPort& b) { return rank(a.direction) < rank(b.direction); });
    std::copy(sorted.begin(), sorted.end(), port);
    auto* node = static_cast<SdbNode*>(db->slot[SDB_NODE].data);
    int32_t nnode = DYNA_count(node);
    for (int32_t i = 0; i < n; ++i)
        if (port[i].node >= 0 && port[i].node < nnode) node[port[i].node].pin = i;
}
