// Checking and merging the legal and illegal input patterns of a constraint.
#include "scanlang/front/legal_inputs.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/seman.h"

std::vector<DoubleTwoIdentListRecord> COMBINE_LEGAL;

namespace {

constexpr int kErrPatternCount = 22;
constexpr int kErrIllegalValue = 23;
constexpr char kDeleted = '.';

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

void append_unique(std::vector<std::string>& list, std::string text) {
    if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
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
            unsigned long count = 1UL << n;
            for (unsigned long v = 0; v < count; ++v) {
                std::string p = get_new_pattern(v, n);
                if (std::find(r.second.begin(), r.second.end(), p) == r.second.end())
                    legal_stmt.second.push_back(std::move(p));
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
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < a.first.size(); ++i)
        for (std::size_t j = 0; j < b.first.size(); ++j)
            if (a.first[i] == b.first[j]) pairs.emplace_back(i, j);

    TwoIdentListRecord result;
    result.first = a.first;
    for (std::size_t j = 0; j < b.first.size(); ++j) {
        bool paired = std::any_of(pairs.begin(), pairs.end(), [j](const auto& pr) { return pr.second == j; });
        if (!paired) result.first.push_back(b.first[j]);
    }
    bool same_ports = pairs.size() == a.first.size() && a.first.size() == b.first.size();

    for (const std::string& p : a.second) {
        for (const std::string& q : b.second) {
            bool agree = !pairs.empty() && p[pairs[0].first] == q[pairs[0].second];
            if (!agree && !same_ports) continue;
            std::string cand = q;
            if (agree && !same_ports) {
                bool dropped = false;
                for (const auto& [i, j] : pairs) {
                    if (p[i] == q[j]) {
                        cand[j] = kDeleted;
                    } else {
                        std::fprintf(stderr, "WARNING: the port '%s' in LEGAL_INPUT doesn't match.\n",
                                     a.first[i].c_str());
                        dropped = true;
                    }
                }
                if (dropped) continue;
            }
            std::string r;
            for (char c : cand)
                if (c != kDeleted) r += c;
            append_unique(result.second, r.size() == cand.size() ? r : p + r);
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
