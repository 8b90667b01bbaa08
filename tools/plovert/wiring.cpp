// Connectivity edits of the current design in constant time per node.
#include "tools/plovert/wiring.h"

#include "runtime/exit.h"
#include "sdb/sdb.h"

namespace plovert {

namespace {

bool in_range(int i, int count) { return i >= 0 && i < count; }

}  // namespace

void Wiring::build() {
    prev_.assign(static_cast<std::size_t>(node_count), kOff);
    tail_.assign(static_cast<std::size_t>(net_count), -1);
    size_.assign(static_cast<std::size_t>(net_count), 0);
    for (int n = 0; n < net_count; ++n) {
        int before = -1, count = 0;
        for (int v = net_tab[n].first_node; v != -1; v = node_tab[v].next) {
            // A net list that does not end, or leaves the node table,
            // cannot be edited safely.
            if (!in_range(v, node_count) || prev_[static_cast<std::size_t>(v)] != kOff) sdb_exit_name_inconsistency();
            prev_[static_cast<std::size_t>(v)] = before;
            // A node is on the list of the net it names.
            node_tab[v].net = n;
            before = v;
            ++count;
        }
        tail_[static_cast<std::size_t>(n)] = before;
        size_[static_cast<std::size_t>(n)] = count;
    }
    // A node that names a net whose list does not hold it is on no net.
    for (int v = 0; v < node_count; ++v)
        if (prev_[static_cast<std::size_t>(v)] == kOff) {
            node_tab[v].net = -1;
            node_tab[v].next = -1;
        }
}

void Wiring::grow() {
    if (prev_.size() < static_cast<std::size_t>(node_count)) prev_.resize(static_cast<std::size_t>(node_count), kOff);
    if (tail_.size() < static_cast<std::size_t>(net_count)) {
        tail_.resize(static_cast<std::size_t>(net_count), -1);
        size_.resize(static_cast<std::size_t>(net_count), 0);
    }
}

void Wiring::detach(int node) {
    SdbNode& d = node_tab[node];
    const int net = d.net;
    if (net == -1) return;
    const std::int32_t before = prev_[static_cast<std::size_t>(node)];
    if (before == kOff) {
        d.net = d.next = -1;
        return;
    }
    if (before == -1)
        net_tab[net].first_node = d.next;
    else
        node_tab[before].next = d.next;
    if (d.next == -1)
        tail_[static_cast<std::size_t>(net)] = before;
    else
        prev_[static_cast<std::size_t>(d.next)] = before;
    --size_[static_cast<std::size_t>(net)];
    d.net = -1;
    d.next = -1;
    prev_[static_cast<std::size_t>(node)] = kOff;
}

void Wiring::attach(int net, int node) {
    const std::int32_t last = tail_[static_cast<std::size_t>(net)];
    if (last == -1)
        net_tab[net].first_node = node;
    else
        node_tab[last].next = node;
    node_tab[node].net = net;
    node_tab[node].next = -1;
    prev_[static_cast<std::size_t>(node)] = last;
    tail_[static_cast<std::size_t>(net)] = node;
    ++size_[static_cast<std::size_t>(net)];
}

void Wiring::substitute(int a, int b) {
    const int net = node_tab[a].net;
    if (net == -1) return;
    const std::int32_t before = prev_[static_cast<std::size_t>(a)];
    const std::int32_t after = node_tab[a].next;
    if (before == -1)
        net_tab[net].first_node = b;
    else
        node_tab[before].next = b;
    if (after == -1)
        tail_[static_cast<std::size_t>(net)] = b;
    else
        prev_[static_cast<std::size_t>(after)] = b;
    node_tab[b].net = net;
    node_tab[b].next = after;
    node_tab[b].flags = node_tab[a].flags;
    prev_[static_cast<std::size_t>(b)] = before;
    node_tab[a].net = -1;
    node_tab[a].next = -1;
    prev_[static_cast<std::size_t>(a)] = kOff;
}

int Wiring::merge(int a, int b) {
    int keep = a, give = b;
    if (b <= 1 || (a > 1 && size(b) > size(a))) {
        keep = b;
        give = a;
    }
    const std::int32_t head = net_tab[give].first_node;
    if (head != -1) {
        for (int v = head; v != -1; v = node_tab[v].next) node_tab[v].net = keep;
        const std::int32_t last = tail_[static_cast<std::size_t>(keep)];
        if (last == -1)
            net_tab[keep].first_node = head;
        else
            node_tab[last].next = head;
        prev_[static_cast<std::size_t>(head)] = last;
        tail_[static_cast<std::size_t>(keep)] = tail_[static_cast<std::size_t>(give)];
        size_[static_cast<std::size_t>(keep)] += size_[static_cast<std::size_t>(give)];
    }
    net_tab[give].first_node = -1;
    tail_[static_cast<std::size_t>(give)] = -1;
    size_[static_cast<std::size_t>(give)] = 0;
    SDB_delete_net(give);
    return keep;
}

int Wiring::new_net(const std::string& name) {
    const int before = net_count;
    const int net = SDB_make_net(SYM_setup(sym_tab, name.c_str()), -1);
    grow();
    if (net >= before) {
        // The index may be one that a deleted last net left free.
        net_tab[net].first_node = -1;
        tail_[static_cast<std::size_t>(net)] = -1;
        size_[static_cast<std::size_t>(net)] = 0;
    }
    return net;
}

}  // namespace plovert
