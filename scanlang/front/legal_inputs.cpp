// Checking and merging the legal and illegal input patterns of a constraint.
#include "scanlang/front/legal_inputs.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/seman.h"

std::vector<DoubleTwoIdentListRecord> COMBINE_LEGAL;

namespace {

constexpr int kErrPatternCount = 22;
constexpr int kErrIllegalValue = 23;

// Two statements are related when they share a port name.
bool related(const TwoIdentListRecord& a, const TwoIdentListRecord& b) {
    for (const std::string& p : a.first)
        if (std::find(b.first.begin(), b.first.end(), p) != b.first.end()) return true;
    return false;
}

void print_names(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        std::fprintf(stderr, i + 1 < names.size() ? "%s, " : "%s;\n", names[i].c_str());
}

using PortPairs = std::vector<std::pair<std::size_t, std::size_t>>;

// The line a message about combining a and b names: b's (the statement
// being merged in), else a's, else that of the first member that has one.
int statement_line(const TwoIdentListRecord& a, const TwoIdentListRecord& b,
                   const std::vector<TwoIdentListRecord>& group) {
    if (b.line >= 0) return b.line;
    if (a.line >= 0) return a.line;
    for (const TwoIdentListRecord& m : group)
        if (m.line >= 0) return m.line;
    return -1;
}

// What makes a statement of more than kMaxLegalInputPatterns patterns:
// statements that share ports combined, or the complement of one
// illegal statement.
constexpr const char* kCombined = "LEGAL_INPUTS and ILLEGAL_INPUTS combine into";
constexpr const char* kComplement = "ILLEGAL_INPUTS expands into";

// A statement of more than kMaxLegalInputPatterns patterns ends the run,
// naming `line` and what made it.
[[noreturn]] void too_many_patterns(int line, const char* made) {
    scan_fatal_message("ERROR : '" + dft_file_name + "', line-" + std::to_string(line) + ", " + made +
                       " more than " + std::to_string(kMaxLegalInputPatterns) + " patterns; at most " +
                       std::to_string(kMaxLegalInputPatterns) + " are supported.\n");
}

// The patterns of a combined statement as they are made.
void add_pattern(std::vector<std::string>& patterns, std::string pattern, int line) {
    if (patterns.size() == kMaxLegalInputPatterns) too_many_patterns(line, kCombined);
    patterns.push_back(std::move(pattern));
}

// A pattern the complement of an n-port statement leaves out: n
// characters, each 0 or 1.
bool is_value_of(std::string_view pattern, int n) {
    return pattern.size() == static_cast<std::size_t>(n) && pattern.find_first_not_of("01") == std::string_view::npos;
}

// The values of `pattern` at the shared ports, in pair order: at the
// first position of each pair for a pattern of a, the second for b.
std::string shared_values(const std::string& pattern, const PortPairs& pairs, bool of_a) {
    std::string key;
    key.reserve(pairs.size());
    for (const auto& [i, j] : pairs) key += pattern[of_a ? i : j];
    return key;
}

// A pattern of a and one of b that agree at the first shared port but
// differ at another cannot be combined: the warning names each such port
// once, in pair order.
void warn_differing_ports(const TwoIdentListRecord& a, const TwoIdentListRecord& b, const PortPairs& pairs) {
    constexpr std::size_t kValues = 256;
    // Per value at the first shared port: the values seen at port k.
    using Seen = std::vector<std::bitset<kValues>>;
    auto value = [](const std::string& pattern, std::size_t at) { return static_cast<unsigned char>(pattern[at]); };
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        Seen in_a(kValues), in_b(kValues);
        for (const std::string& p : a.second) in_a[value(p, pairs[0].first)].set(value(p, pairs[k].first));
        for (const std::string& q : b.second) in_b[value(q, pairs[0].second)].set(value(q, pairs[k].second));
        bool differ = false;
        for (std::size_t v = 0; v < kValues && !differ; ++v)
            differ = in_a[v].any() && in_b[v].any() && (in_a[v] | in_b[v]).count() > 1;
        if (differ)
            std::fprintf(stderr, "WARNING: the port '%s' in LEGAL_INPUT doesn't match.\n",
                         a.first[pairs[k].first].c_str());
    }
}

}  // namespace

void check_mapping_num_port_pat(const LegalList& list, bool illegal) {
    for (const TwoIdentListRecord& r : list) {
        for (const std::string& pat : r.second) {
            if (pat.size() != r.first.size())
                error_handler(dft_file_name.c_str(), r.line, kErrPatternCount, pat.c_str(), nullptr);
            if (illegal && pat.find_first_of("XSZ") != std::string::npos)
                error_handler(dft_file_name.c_str(), r.line, kErrIllegalValue, pat.c_str(), nullptr);
        }
    }
}

std::string get_new_pattern(unsigned long value, int n) {
    std::string s(static_cast<std::size_t>(n), '0');
    for (int i = 0; i < n; ++i)
        if (value & (1UL << i)) s[static_cast<std::size_t>(i)] = '1';
    return s;
}

void transfer_illegal_to_legal(LegalList& illegal, LegalList& legal) {
    LegalList result;
    for (const TwoIdentListRecord& r : illegal) {
        int n = r.second.empty() ? 0 : static_cast<int>(r.second.front().size());
        if (n > kMaxIllegalInputPorts)
            scan_fatal_message("ERROR : '" + dft_file_name + "', line-" + std::to_string(r.line) +
                               ", ILLEGAL_INPUTS over " + std::to_string(n) + " ports; at most " +
                               std::to_string(kMaxIllegalInputPorts) + " are supported.\n");
        TwoIdentListRecord legal_stmt{r.first, {}, r.line};
        // A statement without patterns forbids nothing and yields nothing.
        if (!r.second.empty()) {
            const std::unordered_set<std::string_view> listed(r.second.begin(), r.second.end());
            const unsigned long count = 1UL << n;
            const auto forbidden = static_cast<unsigned long>(
                std::count_if(listed.begin(), listed.end(), [n](std::string_view p) { return is_value_of(p, n); }));
            if (count - forbidden > kMaxLegalInputPatterns) too_many_patterns(r.line, kComplement);
            legal_stmt.second.reserve(count - forbidden);
            for (unsigned long v = 0; v < count; ++v) {
                std::string p = get_new_pattern(v, n);
                if (!listed.contains(p)) legal_stmt.second.push_back(std::move(p));
            }
        }
        if (!legal_stmt.second.empty()) result.push_back(std::move(legal_stmt));
    }
    for (TwoIdentListRecord& r : result) legal.push_back(std::move(r));
    illegal.clear();
}

std::optional<TwoIdentListRecord> combine_two_relative_legal(const TwoIdentListRecord& a,
                                                             const TwoIdentListRecord& b,
                                                             const std::vector<TwoIdentListRecord>& group) {
    PortPairs pairs;
    for (std::size_t i = 0; i < a.first.size(); ++i)
        for (std::size_t j = 0; j < b.first.size(); ++j)
            if (a.first[i] == b.first[j]) pairs.emplace_back(i, j);

    TwoIdentListRecord result;
    result.first = a.first;
    std::vector<bool> paired(b.first.size(), false);
    for (const auto& pr : pairs) paired[pr.second] = true;
    for (std::size_t j = 0; j < b.first.size(); ++j)
        if (!paired[j]) result.first.push_back(b.first[j]);
    const bool same_ports = pairs.size() == a.first.size() && a.first.size() == b.first.size();

    // Each pattern of a and of b is taken once (the first time it stands
    // in its list), so every pattern made is made once: the patterns of a
    // are all as long as a's ports.
    const int line = statement_line(a, b, group);
    std::unordered_set<std::string_view> seen_a, seen_b;
    if (same_ports) {
        // Every pattern of b, unchanged, once a has a pattern at all.
        if (!a.second.empty())
            for (const std::string& q : b.second)
                if (seen_b.insert(q).second) add_pattern(result.second, q, line);
    } else if (!pairs.empty()) {
        warn_differing_ports(a, b, pairs);
        // A pattern p of a and a pattern q of b that agree at every shared
        // port give p followed by q's values at b's other ports.  The
        // patterns of b are found by their values at the shared ports.
        std::unordered_map<std::string, std::vector<std::string>> rest_by_key;
        for (const std::string& q : b.second) {
            if (!seen_b.insert(q).second) continue;
            std::string rest;
            for (std::size_t j = 0; j < q.size(); ++j)
                if (!paired[j]) rest += q[j];
            rest_by_key[shared_values(q, pairs, false)].push_back(std::move(rest));
        }
        for (const std::string& p : a.second) {
            if (!seen_a.insert(p).second) continue;
            const auto found = rest_by_key.find(shared_values(p, pairs, true));
            if (found == rest_by_key.end()) continue;
            for (const std::string& rest : found->second) add_pattern(result.second, p + rest, line);
        }
    }

    if (result.second.empty()) {
        std::fputs("WARNING : the LEGAL_INPUTS as following don't match:\n", stderr);
        for (const TwoIdentListRecord& m : group) {
            std::fprintf(stderr, "          line-%d ", m.line);
            print_names(m.first);
            std::fputs("          =  ", stderr);
            print_names(m.second);
        }
        has_error = 1;
        return std::nullopt;
    }
    return result;
}

std::vector<DoubleTwoIdentListRecord> integrate_relative_legal(std::vector<DoubleTwoIdentListRecord> entries) {
    std::vector<bool> used(entries.size(), false);
    std::vector<DoubleTwoIdentListRecord> merged;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        bool started = false;
        std::optional<TwoIdentListRecord> acc;
        std::vector<TwoIdentListRecord> members;
        auto add_members = [&members](const DoubleTwoIdentListRecord& e) {
            for (const TwoIdentListRecord& m : e.members) {
                bool known = std::any_of(members.begin(), members.end(),
                                         [&m](const TwoIdentListRecord& k) { return k.first == m.first; });
                if (!known) members.push_back(TwoIdentListRecord{m.first, m.second, -1});
            }
        };
        for (std::size_t j = i + 1; j < entries.size(); ++j) {
            if (!related(entries[i].combined, entries[j].combined)) continue;
            used[j] = true;
            if (!started) {
                started = true;
                used[i] = true;
                members = entries[i].members;
                add_members(entries[j]);
                acc = combine_two_relative_legal(entries[i].combined, entries[j].combined, members);
            } else {
                add_members(entries[j]);
                // Once the group has failed it stays empty.
                if (acc) acc = combine_two_relative_legal(*acc, entries[j].combined, members);
            }
        }
        if (started && acc) merged.push_back(DoubleTwoIdentListRecord{std::move(*acc), std::move(members)});
    }
    std::vector<DoubleTwoIdentListRecord> result;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!used[i]) result.push_back(std::move(entries[i]));
    if (!merged.empty()) {
        for (DoubleTwoIdentListRecord& e : integrate_relative_legal(std::move(merged))) result.push_back(std::move(e));
    }
    return result;
}

LegalList combine_relative_legal_inputs(const LegalList& list) {
    std::vector<bool> used(list.size(), false);
    std::vector<DoubleTwoIdentListRecord> entries;
    for (std::size_t i = 0; i < list.size(); ++i) {
        bool started = false;
        std::optional<TwoIdentListRecord> acc;
        std::vector<TwoIdentListRecord> members;
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            if (!related(list[i], list[j])) continue;
            used[j] = true;
            if (!started) {
                started = true;
                used[i] = true;
                members = {list[i], list[j]};
                acc = combine_two_relative_legal(list[i], list[j], members);
            } else {
                members.push_back(list[j]);
                // Once the group has failed it stays empty.
                if (acc) acc = combine_two_relative_legal(*acc, list[j], members);
            }
        }
        if (started && acc) entries.push_back(DoubleTwoIdentListRecord{std::move(*acc), std::move(members)});
    }

    LegalList result;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!used[i]) result.push_back(list[i]);
    if (entries.empty()) {
        // Statements of a failed group are dropped; without any group the
        // list comes back unchanged.
        return result;
    }
    std::vector<DoubleTwoIdentListRecord> merged = integrate_relative_legal(std::move(entries));
    std::vector<DoubleTwoIdentListRecord> combine;
    if (!result.empty()) {
        const TwoIdentListRecord& first = result.front();
        combine.push_back(DoubleTwoIdentListRecord{first, {TwoIdentListRecord{first.first, first.second, -1}}});
    }
    for (const DoubleTwoIdentListRecord& e : merged) {
        result.push_back(e.combined);
        combine.push_back(e);
    }
    COMBINE_LEGAL = std::move(combine);
    return result;
}
