// The alias file of a design: its assignments read, kept and written.
#include "sdb/alias.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

char* asn_file_name = nullptr;
AliasPair* alias_net_tab = nullptr;
int alias_net_count = 0;
PortAlias* sdb_port_aliasG = nullptr;

namespace {

// Index of the pair table by first name, so that adding and searching
// stay fast with many pairs.  It covers the first `indexed` pairs and is
// brought up to date on use.
std::unordered_map<std::string, std::vector<int>> by_first;
int indexed = 0;

void index_pairs() {
    int n = DYNA_count(alias_net_tab);
    if (n < indexed) {
        by_first.clear();
        indexed = 0;
    }
    for (; indexed < n; ++indexed)
        if (alias_net_tab[indexed].first) by_first[alias_net_tab[indexed].first].push_back(indexed);
}

void drop_index() {
    by_first.clear();
    indexed = 0;
}

void free_pairs() {
    int n = DYNA_count(alias_net_tab);
    for (int i = 0; i < n; ++i) {
        std::free(alias_net_tab[i].first);
        std::free(alias_net_tab[i].second);
    }
    if (alias_net_tab) DYNA_set_count(alias_net_tab, 0);
    alias_net_count = 0;
    drop_index();
}

// Words of an alias file: runs of characters between white space.
class WordReader {
public:
    explicit WordReader(FILE* f) : f_(f) {}
    bool next(std::string& w) {
        if (have_pushed_) {
            w.swap(pushed_);
            have_pushed_ = false;
            return true;
        }
        w.clear();
        int c;
        while ((c = std::getc(f_)) != EOF && std::isspace(c)) {
        }
        while (c != EOF && !std::isspace(c)) {
            w.push_back(static_cast<char>(c));
            c = std::getc(f_);
        }
        return !w.empty();
    }
    void push(std::string w) {
        pushed_ = std::move(w);
        have_pushed_ = true;
    }

private:
    FILE* f_;
    std::string pushed_;
    bool have_pushed_ = false;
};

bool next_word(FILE* f, std::string& w) { return WordReader(f).next(w); }

void corrupt_message() { sdb_log_error(SDB_ERROR, FA_01_0006, asn_file_name ? asn_file_name : ""); }

}  // namespace

void ALIAS_init() {
    if (!alias_net_tab) alias_net_tab = DYNA_new<AliasPair>(0);
    free_pairs();
    if (!asn_file_name) return;
    // An alias file that is not a regular file is not read (a FIFO would
    // wait for ever), as one that cannot be opened.
    FILE* f = FNM_open_input(asn_file_name);
    if (!f) return;
    WordReader in(f);
    std::string w, a, b, c;
    while (in.next(w)) {
        if (w == "ASSIGN") {
            if (!in.next(a) || !in.next(b)) break;
            if (b[0] == '[') {
                a += b;
                if (!in.next(b)) break;
            }
            if (b[0] == '\\' && in.next(c)) {
                if (c[0] == '[')
                    b += c;
                else
                    in.push(c);
            }
            ALIAS_add(a.c_str(), b.c_str());
        } else if (w == "ALIAS") {
            sdb_get_port_alias(f);
        }
    }
    std::fclose(f);
}

void sdb_get_port_alias(FILE* stream) {
    std::string w;
    if (!next_word(stream, w)) {
        corrupt_message();
        return;
    }
    if (!sdb_port_aliasG) sdb_port_aliasG = DYNA_new<PortAlias>(0);
    int i = DYNA_add(&sdb_port_aliasG, 1);
    sdb_port_aliasG[i] = PortAlias{qdx_strdup(w.c_str()), nullptr};
    while (next_word(stream, w)) {
        if (w == ";") return;
        STR_add(&sdb_port_aliasG[i].aliases, w.c_str());
    }
    corrupt_message();
    port_alias_free();
}

int ALIAS_search(const char* name) {
    if (!name || !alias_net_tab) return -1;
    index_pairs();
    auto it = by_first.find(name);
    return it == by_first.end() ? -1 : it->second.front();
}

int ALIAS_add(const char* first, const char* second) {
    if (!first || !second) return -1;
    if (!alias_net_tab) alias_net_tab = DYNA_new<AliasPair>(0);
    int found = ALIAS_search(first);
    if (found >= 0) {
        const char* s = alias_net_tab[found].second;
        if (s && std::strcmp(s, second) == 0) return -1;
        // Earlier pairs of the same first name now lead to the new second name.
        for (int j : by_first[first]) {
            std::free(alias_net_tab[j].second);
            alias_net_tab[j].second = qdx_strdup(second);
        }
    }
    sdbi::reserve(&alias_net_tab, 1);
    int i = DYNA_add(&alias_net_tab, 1);
    alias_net_tab[i] = AliasPair{qdx_strdup(first), qdx_strdup(second)};
    ++alias_net_count;
    index_pairs();
    return i;
}

void ALIAS_write_to(const char* path) {
    if (alias_net_count != DYNA_count(alias_net_tab)) {
        sdb_exit_error(SDB_FATAL, "%s", FA_01_0042);
    }
    if (alias_net_count == 0 || !path) return;
    AtomicFile out(path);
    bool ok = out.open("w");
    for (int i = 0; ok && i < alias_net_count; ++i)
        std::fprintf(out.stream(), "ASSIGN %s %s\n", alias_net_tab[i].first, alias_net_tab[i].second);
    if (!ok || !out.commit()) {
        sdb_exit_error(SDB_FATAL, FA_01_0020, path);
    }
}

void ALIAS_dump() {
    for (int i = 0; i < alias_net_count; ++i)
        std::printf("ASSIGN %s %s\n", alias_net_tab[i].first, alias_net_tab[i].second);
    std::fflush(stdout);
}

void ALIAS_free() { free_pairs(); }

void port_alias_free() {
    int n = DYNA_count(sdb_port_aliasG);
    for (int i = 0; i < n; ++i) {
        std::free(sdb_port_aliasG[i].port);
        STR_free(&sdb_port_aliasG[i].aliases);
    }
    if (sdb_port_aliasG) DYNA_free(&sdb_port_aliasG);
    sdb_port_aliasG = nullptr;
}

namespace {

int constant_kind(const std::string& n) {
    if (n == "VCC" || n == "1'b1") return 1;
    if (n == "GND" || n == "1'b0") return 2;
    if (n == "X_NET" || n == "1'bX") return 3;
    if (n == "Z_NET" || n == "1'bZ") return 4;
    return 0;
}

// Direction of the port named n in the current design, -1 for no port.
int port_direction(const std::string& n) {
    int p = SDB_nl_search_port(n.c_str());
    return p < 0 ? -1 : port_tab[p].direction & 3;
}

}  // namespace

// Groups of names of one net are kept as ordered lists; a name's group is
// found through a map.  Merging appends the second group to the first.
int ALIAS_fix() {
    std::vector<std::vector<std::string>> groups;
    std::unordered_map<std::string, int> group_of;
    for (int i = 0; i < alias_net_count; ++i) {
        const char* f = alias_net_tab[i].first;
        const char* s = alias_net_tab[i].second;
        if (!f || !s) return -1;
        auto fi = group_of.find(f);
        auto si = group_of.find(s);
        if (fi == group_of.end() && si == group_of.end()) {
            group_of[f] = group_of[s] = static_cast<int>(groups.size());
            groups.push_back({f, s});
            if (std::strcmp(f, s) == 0) groups.back().pop_back();
        } else if (fi == group_of.end()) {
            auto& g = groups[static_cast<size_t>(si->second)];
            size_t at = 0;
            while (g[at] != s) ++at;
            g.insert(g.begin() + static_cast<long>(at), f);
            group_of[f] = si->second;
        } else if (si == group_of.end()) {
            groups[static_cast<size_t>(fi->second)].push_back(s);
            group_of[s] = fi->second;
        } else if (fi->second != si->second) {
            int keep = fi->second, gone = si->second;
            for (std::string& n : groups[static_cast<size_t>(gone)]) {
                group_of[n] = keep;
                groups[static_cast<size_t>(keep)].push_back(std::move(n));
            }
            groups[static_cast<size_t>(gone)].clear();
        }
    }
    free_pairs();
    std::vector<std::pair<std::string, std::string>> out;
    for (auto& g : groups) {
        if (g.empty()) continue;
        // One name per constant; two different constants cannot be one net.
        int kind = 0;
        std::string constant;
        std::vector<std::string> names;
        for (std::string& n : g) {
            int k = constant_kind(n);
            if (k == 0) {
                names.push_back(std::move(n));
            } else if (kind == 0) {
                kind = k;
                constant = std::move(n);
            } else if (k != kind) {
                return -1;
            }
        }
        if (kind) names.push_back(constant);
        std::vector<int> dir(names.size());
        for (size_t i = 0; i < names.size(); ++i) dir[i] = port_direction(names[i]);
        int output = -1, target = -1;
        for (size_t i = 0; i < names.size() && output < 0; ++i)
            if (dir[i] == SDB_DIR_OUTPUT) output = static_cast<int>(i);
        for (size_t i = names.size(); i-- > 0 && target < 0;)
            if (dir[i] == SDB_DIR_INPUT) target = static_cast<int>(i);
        // Without an input port the last name (the constant, when there is
        // one) is the target.
        if (target < 0) target = static_cast<int>(names.size()) - 1;
        for (size_t i = 0; i < names.size(); ++i) {
            if (static_cast<int>(i) == target) continue;
            if (dir[i] == SDB_DIR_INPUT) {
                int from = -1;
                for (size_t j = i; j-- > 0 && from < 0;)
                    if (dir[j] != SDB_DIR_INPUT) from = static_cast<int>(j);
                if (from < 0) from = output;
                if (from >= 0)
                    out.emplace_back(names[static_cast<size_t>(from)], names[i]);
                else
                    out.emplace_back(names[i], names[static_cast<size_t>(target)]);
            } else {
                out.emplace_back(names[i], names[static_cast<size_t>(target)]);
            }
        }
    }
    for (auto& [f, s] : out) {
        sdbi::reserve(&alias_net_tab, 1);
        int i = DYNA_add(&alias_net_tab, 1);
        alias_net_tab[i] = AliasPair{qdx_strdup(f.c_str()), qdx_strdup(s.c_str())};
    }
    alias_net_count = DYNA_count(alias_net_tab);
    return 0;
}

void ALIAS_reset_globals() {
    free_pairs();
    if (alias_net_tab) DYNA_free(&alias_net_tab);
    alias_net_tab = nullptr;
    port_alias_free();
    std::free(asn_file_name);
    asn_file_name = nullptr;
}
