// Names and look-ups in the current design.
#include "sdb/lookup.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

bool in_range(int i, int count) { return i >= 0 && i < count; }

// ---------------------------------------------------------------------
// Index of one table's name words: for each symbol id the records that
// carry it, in increasing index order, so that "the first record named
// sym" is one step.  Each record keeps the word it was indexed under and
// its place in a list per name (next: the following record, -1 at the
// end; prev: the record before, the first record's prev being the last
// one so that appending is one step).
//
// Records appended to the table are indexed at the next look-up; the
// editing calls report every name word they change (name_changed); a
// record found under a name it no longer carries (a table written
// straight) makes the index start again.
class NameIndex {
public:
    // word(i) reads the name word of record i of a table of count records.
    template <class Word>
    int find(int32_t sym, int32_t count, Word word) {
        if (sym < 0) {  // deleted records (-1) and such: not indexed
            for (int32_t i = 0; i < count; ++i)
                if (word(i) == sym) return i;
            return -1;
        }
        if (indexed_ == 0 && scanned_ < kScanRounds * int64_t{count}) {
            // The first look-ups of a table read it from the start: a run
            // that asks for a name or two does not pay for an index of
            // the whole table, and one that asks for many builds it once
            // the scans have read the table a few times over.
            int32_t i = 0;
            while (i < count && word(i) != sym) ++i;
            scanned_ += i + 1;
            return i < count ? i : -1;
        }
        sync(count, word);
        int32_t c = first(sym);
        if (c != -1 && (c >= count || word(c) != sym)) {
            clear();
            sync(count, word);
            c = first(sym);
        }
        return c;
    }

    // Record i now carries the word w.
    void changed(int32_t i, int32_t w) {
        if (i < 0 || i >= indexed_) return;  // indexed when the table is next synced
        unlink(i);
        link_sorted(i, w);
    }

    void clear() {
        indexed_ = 0;
        head_.clear();
        sparse_ = false;
        sparse_heads_.clear();
        word_.clear();
        next_.clear();
        prev_.clear();
    }

private:
    template <class Word>
    void sync(int32_t count, Word word) {
        if (count < indexed_) {
            for (int32_t i = count; i < indexed_; ++i) unlink(i);
            indexed_ = count;
        }
        if (count == indexed_) return;
        // The list heads are sized once for the largest new word: growing
        // them word by word would move and refill them many times over.
        // A table far smaller than the range of its words (a few hundred
        // ports named among millions of symbols) keeps its heads in a map
        // instead of an array over the whole range.
        int32_t top = -1;
        for (int32_t i = indexed_; i < count; ++i) top = std::max(top, word(i));
        if (indexed_ == 0 && head_.empty() && sparse_heads_.empty())
            sparse_ = int64_t{top} > 4 * int64_t{count} + kDenseSlack;
        if (sparse_)
            sparse_heads_.reserve(sparse_heads_.size() + static_cast<size_t>(count - indexed_));
        else if (top >= 0)
            head(top);
        word_.resize(static_cast<size_t>(count));
        next_.resize(static_cast<size_t>(count));
        prev_.resize(static_cast<size_t>(count));
        for (; indexed_ < count; ++indexed_) {
            word_[static_cast<size_t>(indexed_)] = -1;
            link_tail(indexed_, word(indexed_));
        }
    }

    int32_t first(int32_t sym) const {
        if (sparse_) {
            auto it = sparse_heads_.find(sym);
            return it == sparse_heads_.end() ? -1 : it->second;
        }
        return static_cast<size_t>(sym) < head_.size() ? head_[static_cast<size_t>(sym)] : -1;
    }

    int32_t& head(int32_t w) {
        if (sparse_) return sparse_heads_.try_emplace(w, -1).first->second;
        if (static_cast<size_t>(w) >= head_.size())
            head_.resize(std::max(static_cast<size_t>(w) + 1, head_.size() + head_.size() / 2), -1);
        return head_[static_cast<size_t>(w)];
    }

    void link_tail(int32_t i, int32_t w) {
        auto at = static_cast<size_t>(i);
        word_[at] = w;
        next_[at] = -1;
        prev_[at] = -1;
        if (w < 0) return;
        int32_t& h = head(w);
        if (h == -1) {
            h = i;
            prev_[at] = i;
        } else {
            int32_t t = prev_[static_cast<size_t>(h)];
            next_[static_cast<size_t>(t)] = i;
            prev_[at] = t;
            prev_[static_cast<size_t>(h)] = i;
        }
    }

    void link_sorted(int32_t i, int32_t w) {
        if (w < 0) {
            word_[static_cast<size_t>(i)] = w;
            return;
        }
        int32_t h = head(w);
        if (h == -1 || i > prev_[static_cast<size_t>(h)]) {
            link_tail(i, w);
            return;
        }
        auto at = static_cast<size_t>(i);
        word_[at] = w;
        if (i < h) {
            prev_[at] = prev_[static_cast<size_t>(h)];
            next_[at] = h;
            prev_[static_cast<size_t>(h)] = i;
            head(w) = i;
            return;
        }
        int32_t p = h;
        while (next_[static_cast<size_t>(p)] != -1 && next_[static_cast<size_t>(p)] < i) p = next_[static_cast<size_t>(p)];
        int32_t n = next_[static_cast<size_t>(p)];  // not -1: i lies before the last record
        next_[static_cast<size_t>(p)] = i;
        prev_[at] = p;
        next_[at] = n;
        prev_[static_cast<size_t>(n)] = i;
    }

    void unlink(int32_t i) {
        auto at = static_cast<size_t>(i);
        int32_t w = word_[at];
        word_[at] = -1;
        if (w < 0) return;
        int32_t& h = head(w);
        int32_t p = prev_[at], n = next_[at];
        if (i == h) {
            h = n;
            if (n != -1) prev_[static_cast<size_t>(n)] = p;
        } else {
            next_[static_cast<size_t>(p)] = n;
            if (n == -1)
                prev_[static_cast<size_t>(h)] = p;
            else
                prev_[static_cast<size_t>(n)] = p;
        }
        next_[at] = prev_[at] = -1;
    }

    static constexpr int64_t kScanRounds = 2;  // whole-table reads before the index is built
    int64_t scanned_ = 0;                       // records read by the scans so far
    int32_t indexed_ = 0;
    static constexpr int64_t kDenseSlack = 4096;  // words any table may span in an array
    bool sparse_ = false;        // the heads are in sparse_heads_, not head_
    std::vector<int32_t> head_;  // first record of each symbol id, -1 none
    std::unordered_map<int32_t, int32_t> sparse_heads_;
    std::vector<int32_t> word_;  // the word each record is indexed under
    std::vector<int32_t> next_;
    std::vector<int32_t> prev_;
};

// The name indexes of one design.
struct Lookups {
    NameIndex obj, net, port, cls;
};
std::unordered_map<const SdbDatabase*, Lookups> lookups;

Lookups& current() { return lookups[sdb]; }

std::string obj_name_buffer;
std::string net_name_buffer;

// The arrays of db: the cached ones when db is current.
template <class T>
T* table_of(SdbDatabase* db, int k, T* cached) {
    return db == sdb ? cached : static_cast<T*>(db->slot[k].data);
}

// Name of record i of a table whose words are SOBJ or SNET: shared by
// the object and net names.  owner is the owner word the record's prefix
// entry must carry.
const char* record_name(SdbDatabase* db, int i, const int32_t* words, int32_t owner, std::string& buffer) {
    if (!in_range(i, DYNA_count(words))) {
        sdb_log_error(SDB_FATAL, "%s", FA_02_0008);
        return nullptr;
    }
    int32_t w = words[i];
    if (w >= 0) return SYM_get(db->symbols, w);
    if (!sdb_is_prefix_word(w)) {
        sdb_log_error(SDB_FATAL, "%s", FA_02_0008);
        return nullptr;
    }
    SdbPrefixEntry* pre = table_of(db, SDB_PREF, prefix_tab);
    int p = sdb_prefix_of(w);
    if (!in_range(p, DYNA_count(pre)) || pre[p].owner != owner) sdb_exit_name_inconsistency();
    buffer = PREFIX_get(pre, p);
    return buffer.c_str();
}

bool hierarchical(const char* name) { return std::strchr(name, sdb_hier_dot) != nullptr; }

// The record a prefix entry p names, checked against its name word:
// p's owner (without the object bit for objects) when it is a record of
// the table and the record's name word refers back to p; -1 for an owner
// out of range; a name word that refers elsewhere ends the run.
int owner_record(int p, int32_t owner_bits, int count, const int32_t* words) {
    int32_t o = prefix_tab[p].owner;
    if (o < 0) return -1;
    int r = o & ~owner_bits;
    if (r >= count) return -1;
    if (!in_range(r, DYNA_count(words)) || words[r] != sdb_prefix_word(p)) sdb_exit_name_inconsistency();
    return r;
}

}  // namespace

void sdbi::name_changed(int k, int i) {
    if (!sdb) return;
    auto it = lookups.find(sdb);
    if (it == lookups.end()) return;
    Lookups& l = it->second;
    switch (k) {
        case SDB_SOBJ:
            if (in_range(i, DYNA_count(sobj_tab))) l.obj.changed(i, sobj_tab[i]);
            break;
        case SDB_SNET:
            if (in_range(i, DYNA_count(snet_tab))) l.net.changed(i, snet_tab[i]);
            break;
        case SDB_PORT:
            if (in_range(i, port_count)) l.port.changed(i, port_tab[i].name);
            break;
        case SDB_CLAS:
            if (in_range(i, class_count)) l.cls.changed(i, class_tab[i].name);
            break;
        default: break;
    }
}

void sdbi::forget_lookups(const SdbDatabase* db) {
    if (!db) {
        lookups.clear();
        obj_name_buffer.clear();
        obj_name_buffer.shrink_to_fit();
        net_name_buffer.clear();
        net_name_buffer.shrink_to_fit();
        return;
    }
    lookups.erase(db);
}

// ---------------------------------------------------------------------
// Names by index.

const char* SDB_obj_name(SdbDatabase* db, int obj) {
    if (obj == -1) return "*UNDEF*";
    if (!db) return nullptr;
    return record_name(db, obj, table_of(db, SDB_SOBJ, sobj_tab), SDB_OWNER_OBJECT + obj, obj_name_buffer);
}

const char* SDB_class_name_of(int obj) {
    if (obj < 0 || obj >= obj_count) return "*UNDEF*";
    const int cls = obj_tab[obj].cls;
    const char* n = cls >= 0 && cls < class_count ? SYM_get(sym_tab, class_tab[cls].name) : nullptr;
    return n ? n : "*UNDEF*";
}

const char* SDB_pin_name(int node) {
    if (!in_range(node, node_count)) return nullptr;
    const SdbNode& n = node_tab[node];
    if (n.object < 0) return in_range(n.pin, port_count) ? SYM_get(sym_tab, port_tab[n.pin].name) : nullptr;
    return in_range(n.pin, pin_count) ? SYM_get(sym_tab, pin_tab[n.pin].name) : nullptr;
}

const char* SDB_net_name(SdbDatabase* db, int net) {
    if (net == -1) return "*UNDEF*";
    if (!db) return nullptr;
    return record_name(db, net, table_of(db, SDB_SNET, snet_tab), net, net_name_buffer);
}

// ---------------------------------------------------------------------
// Look-ups by symbol id.

int SDB_search_port(int sym) {
    if (!sdb) return -1;
    return current().port.find(sym, port_count, [](int32_t i) { return port_tab[i].name; });
}

int SDB_search_class(int sym) {
    if (!sdb) return -1;
    return current().cls.find(sym, class_count, [](int32_t i) { return class_tab[i].name; });
}

int SDB_search_obj(int sym) {
    if (!sdb) return -1;
    return current().obj.find(sym, DYNA_count(sobj_tab), [](int32_t i) { return sobj_tab[i]; });
}

int SDB_search_net(int sym) {
    if (!sdb) return -1;
    return current().net.find(sym, DYNA_count(snet_tab), [](int32_t i) { return snet_tab[i]; });
}

int SDB_search_class_by_type(int type) {
    for (int i = 0; i < class_count; ++i)
        if (class_tab[i].type == type) return i;
    return -1;
}

int SDB_search_pin(int sym, int obj) {
    if (!in_range(obj, obj_count)) return -1;
    int cls = obj_tab[obj].cls;
    if (!in_range(cls, class_count)) return -1;
    const SdbClass& c = class_tab[cls];
    if (c.type == 16 || c.pin_count <= 0 || c.first_pin < 0) return -1;
    for (int k = 0; k < c.pin_count && c.first_pin + k < pin_count; ++k)
        if (pin_tab[c.first_pin + k].name == sym) return k;
    return -1;
}

int SDB_search_node(int sym, int obj) {
    if (!in_range(obj, obj_count)) return -1;
    int f = obj_tab[obj].first_node;
    if (!in_range(f, node_count) || node_tab[f].object != obj) return -1;
    for (int v = f; v < node_count && node_tab[v].object == obj; ++v) {
        int pin = node_tab[v].pin;
        if (in_range(pin, pin_count) && pin_tab[pin].name == sym) return v;
    }
    return -1;
}

int SDB_search_nlink(int node, int net) {
    // No node (-1) has no predecessor: the walk below would take the end
    // of the list for it.
    if (!in_range(net, net_count) || !in_range(node, node_count)) return -1;
    int v = net_tab[net].first_node;
    if (v == -1 || v == node) return -1;
    for (int steps = 0; in_range(v, node_count) && steps <= node_count; ++steps) {
        int n = node_tab[v].next;
        if (n == node) return v;
        v = n;
    }
    return -1;
}

int find_adjacent_node(int node) {
    if (!in_range(node, node_count)) return -1;
    const int net = node_tab[node].net;
    if (!in_range(net, net_count)) return -1;
    const int first = net_tab[net].first_node;
    return first == node ? node_tab[node].next : first;
}

int get_node_connected_to_portnode(int port) {
    const char* name = in_range(port, port_count) ? SYM_get(sym_tab, port_tab[port].name) : nullptr;
    if (!name) name = "*UNDEF*";
    const int node = in_range(port, port_count) ? port_tab[port].node : -1;
    if (!in_range(node, node_count)) {
        qdx_exit_printf(-1, "ERROR: SDB error. Port '%s' can't map to the node table.\n\n", name);
    }
    const int other = find_adjacent_node(node);
    if (other < 0) {
        qdx_exit_printf(-1, "ERROR: port '%s' is floating.\n\n", name);
    }
    return other;
}

// ---------------------------------------------------------------------
// Look-ups by name.

int SDB_nl_search_port(const char* name) {
    int sym = SYM_lookup(sym_tab, name);
    return sym < 0 ? -1 : SDB_search_port(sym);
}

int SDB_lookup_obj(const char* name) {
    if (!name || !sdb) return -1;
    if (!hierarchical(name)) {
        int sym = SYM_lookup(sym_tab, name);
        return sym < 0 ? -1 : SDB_search_obj(sym);
    }
    int p = PREFIX_lookup(prefix_tab, name, PREFIX_KIND_OBJECT, -1);
    return p < 0 ? -1 : owner_record(p, SDB_OWNER_OBJECT, obj_count, sobj_tab);
}

int SDB_lookup_obj_nonhier(const char* name) {
    if (!name || !sdb) return -1;
    if (name[0] == '\\') {
        int sym = SYM_lookup(sym_tab, name);
        return sym < 0 ? -1 : SDB_search_obj(sym);
    }
    return SDB_lookup_obj(name);
}

int SDB_lookup_net(const char* name) {
    if (!name || !sdb) return -1;
    if (!hierarchical(name)) {
        int sym = SYM_lookup(sym_tab, name);
        return sym < 0 ? SDB_lookup_alias_net(name) : SDB_search_net(sym);
    }
    int p = PREFIX_lookup(prefix_tab, name, PREFIX_KIND_NET, -1);
    return p < 0 ? SDB_lookup_alias_net(name) : owner_record(p, 0, net_count, snet_tab);
}

int SDB_lookup_alias_net(const char* name) {
    if (!name || !sdb) return -1;
    // Without a cycle every step takes a pair of another first name, so
    // a chain longer than the table has pairs has come round.
    const int pairs = std::max(alias_net_count, DYNA_count(alias_net_tab));
    std::string cur = name;
    for (int steps = 0;; ++steps) {
        int i = ALIAS_search(cur.c_str());
        if (i < 0) return -1;
        const char* second = alias_net_tab[i].second;
        if (!second || std::strcmp(alias_net_tab[i].first, second) == 0) return -1;
        if (steps >= pairs) {
            sdb_log_error(SDB_ERROR, FA_01_0006, asn_file_name ? asn_file_name : "");
            return -1;
        }
        if (hierarchical(second)) {
            int p = PREFIX_lookup(prefix_tab, second, PREFIX_KIND_NET, -1);
            if (p >= 0) return owner_record(p, 0, net_count, snet_tab);
        } else {
            int sym = SYM_lookup(sym_tab, second);
            if (sym >= 0) return SDB_search_net(sym);
        }
        cur = second;
    }
}

int SDB_nl_search_obj(const char* name) { return SDB_lookup_obj(name); }

int SDB_nl_search_net(const char* name) { return SDB_lookup_net(name); }

int SDB_nl_search_node(const char* obj_name, const char* pin_name) {
    if (!obj_name || obj_name[0] == '*') {
        int port = SDB_nl_search_port(pin_name);
        return port < 0 ? -1 : port_tab[port].node;
    }
    int obj = SDB_lookup_obj(obj_name);
    if (obj < 0 || !pin_name) return -1;
    int sym = SYM_lookup(sym_tab, pin_name);
    if (sym < 0) return -2;
    return SDB_search_node(sym, obj);
}

int SDB_nl_search_xport(const char* name) {
    int sym = SYM_lookup(sym_tab, name);
    if (sym < 0) return -1;
    for (int i = 0; i < xport_count; ++i)
        if (xport_tab[i] == sym) return i;
    return -1;
}

int SDB_nl_search_class(const char* name) {
    if (!name) return -1;
    for (auto conv : {::toupper, ::tolower}) {
        std::string n = name;
        for (char& c : n) c = static_cast<char>(conv(static_cast<unsigned char>(c)));
        int sym = SYM_lookup(sym_tab, n.c_str());
        int cls = sym < 0 ? -1 : SDB_search_class(sym);
        if (cls >= 0) return cls;
    }
    return -1;
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
    // The ports have new places.
    auto it = lookups.find(db);
    if (it != lookups.end()) it->second.port.clear();
}

int is_a_bus(const char* name, std::string* base, int* index) {
    if (base) base->clear();
    if (index) *index = -1;
    if (!name) return 0;
    size_t len = std::strlen(name);
    const char* open = std::strrchr(name, '[');
    if (len == 0 || name[len - 1] != ']' || !open) return 0;
    if (base) base->assign(name, static_cast<size_t>(open - name));
    if (index) *index = static_cast<int>(std::strtol(open + 1, nullptr, 10));
    return 1;
}
