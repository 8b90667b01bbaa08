// Names of netlist writers: bus bits, identifier escaping and unique scopes.
#include "tools/common/names.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "runtime/pages.h"
#include "tools/common/tool.h"

namespace ntool {

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The words of a text separated by single blanks.
std::unordered_set<std::string_view> split_words(std::string_view text) {
    std::unordered_set<std::string_view> words;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) words.insert(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// Reserved words of VHDL-2008 (lower case).
const std::unordered_set<std::string_view>& vhdl_keywords() {
    static const char* const words =
        "abs access after alias all and architecture array assert assume assume_guarantee attribute begin "
        "block body buffer bus case component configuration constant context cover default disconnect downto "
        "else elsif end entity exit fairness file for force function generate generic group guarded if "
        "impure in inertial inout is label library linkage literal loop map mod nand new next nor not null "
        "of on open or others out package parameter port postponed procedure process property protected pure "
        "range record register reject release rem report restrict restrict_guarantee return rol ror select "
        "sequence severity shared signal sla sll sra srl strong subtype then to transport type unaffected "
        "units until use variable vmode vprop vunit wait when while with xnor xor ";
    static const std::unordered_set<std::string_view> k = split_words(words);
    return k;
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

// Characters an escaped or extended identifier cannot hold.
char printable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7f ? '_' : c;
}

}  // namespace

bool split_bit(std::string_view name, std::string_view& base, std::int32_t& index) {
    if (name.size() < 4 || name.back() != ']') return false;
    const std::size_t open = name.rfind('[');
    if (open == std::string_view::npos || open == 0) return false;
    std::string_view digits = name.substr(open + 1, name.size() - open - 2);
    bool neg = false;
    if (!digits.empty() && digits[0] == '-') {
        neg = true;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 10) return false;
    std::int64_t v = 0;
    for (char c : digits) {
        if (!is_digit(c)) return false;
        v = v * 10 + (c - '0');
    }
    // Leading zeros would not come back as the same name.
    if (digits.size() > 1 && digits[0] == '0') return false;
    if (neg) {
        if (v == 0) return false;
        v = -v;
    }
    if (v > INT32_MAX || v < INT32_MIN) return false;
    base = name.substr(0, open);
    index = static_cast<std::int32_t>(v);
    return true;
}

std::string bit_name(std::string_view base, std::int32_t index) {
    std::string s(base);
    s += '[';
    s += std::to_string(index);
    s += ']';
    return s;
}

std::vector<BitGroup> group_bits(const std::vector<std::string_view>& names,
                                 const std::function<bool(std::size_t, std::size_t)>& same) {
    std::vector<BitGroup> groups;
    const std::size_t n = names.size();
    for (std::size_t i = 0; i < n;) {
        std::string_view base;
        std::int32_t idx;
        if (!split_bit(names[i], base, idx)) {
            groups.push_back({std::string(names[i]), false, 0, 0, i, 1});
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        std::int32_t step = 0, last = idx;
        for (; j < n; ++j) {
            std::string_view b;
            std::int32_t k;
            if (!split_bit(names[j], b, k) || b != base || !same(j - 1, j)) break;
            const std::int64_t d = static_cast<std::int64_t>(k) - last;
            if (d != 1 && d != -1) break;
            if (step == 0) step = static_cast<std::int32_t>(d);
            if (d != step) break;
            last = k;
        }
        groups.push_back({std::string(base), true, idx, last, i, j - i});
        i = j;
    }
    // A base may name one group only, and no scalar of the list.
    std::unordered_map<std::string_view, int> uses;
    for (const BitGroup& g : groups) ++uses[g.base];
    bool demote = false;
    for (const BitGroup& g : groups)
        if (g.bus && uses[g.base] > 1) demote = true;
    if (!demote) return groups;
    std::vector<BitGroup> out;
    for (const BitGroup& g : groups) {
        if (!g.bus || uses[g.base] == 1) {
            out.push_back(g);
            continue;
        }
        for (std::size_t k = 0; k < g.count; ++k)
            out.push_back({std::string(names[g.first + k]), false, 0, 0, g.first + k, 1});
    }
    return out;
}

bool vhdl_basic_id(std::string_view name) {
    if (name.empty() || !is_letter(name[0]) || name.back() == '_') return false;
    char prev = 0;
    for (char c : name) {
        if (!(is_letter(c) || is_digit(c) || c == '_')) return false;
        if (c == '_' && prev == '_') return false;
        prev = c;
    }
    return vhdl_keywords().count(lower(name)) == 0;
}

std::string vhdl_extended_id(std::string_view name) {
    std::string s = "\\";
    for (char c : name) {
        if (c == '\\') s += '\\';
        s += printable(c);
    }
    if (name.empty()) s += '_';
    s += '\\';
    return s;
}

std::string vhdl_key(std::string_view name) { return vhdl_basic_id(name) ? lower(name) : vhdl_extended_id(name); }

namespace {

// Eight bytes at a time: the names of a large module are millions.
std::uint32_t name_hash(std::string_view s) {
    std::uint64_t h = 0xcbf29ce484222325ULL ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    auto mix = [&h](std::uint64_t w) {
        h = (h ^ w) * 0xff51afd7ed558ccdULL;
        h ^= h >> 29;
    };
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        mix(w);
    }
    if (n) {
        std::uint64_t w = 0;
        for (std::size_t i = 0; i < n; ++i) w |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        mix(w);
    }
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h);
}

constexpr std::size_t kNameBlock = 1 << 20;
// Names a thread adds at a time in a bulk insert.
constexpr std::size_t kBulkPiece = 1 << 14;
// How many names ahead a bulk insert loads their slots into the cache.
constexpr std::size_t kBulkAhead = 16;

}  // namespace

std::size_t NameSet::find_slot(std::string_view s, std::uint32_t h) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) return i;
        if ((slot >> 32) == h && views_[static_cast<std::uint32_t>(slot) - 1].text() == s) return i;
    }
}

bool NameSet::contains(std::string_view s) const {
    if (slots_.empty()) return false;
    return slots_[find_slot(s, name_hash(s))] != 0;
}

void NameSet::add(std::size_t slot, std::uint32_t h, std::string_view text) {
    if (views_.size() >= UINT32_MAX - 1) throw std::length_error("too many names in one scope");
    views_.emplace_back(text);
    slots_[slot] = (static_cast<std::uint64_t>(h) << 32) | views_.size();
    ++count_;
}

bool NameSet::insert(std::string_view s) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const std::uint32_t h = name_hash(s);
    const std::size_t i = find_slot(s, h);
    if (slots_[i] != 0) return false;
    if (s.size() > left_) {
        // Blocks double from 4 KiB up to 1 MiB, so small scopes stay small.
        block_ = std::min(kNameBlock, std::max<std::size_t>(4096, block_ * 2));
        const std::size_t n = std::max(block_, s.size());
        blocks_.push_back(std::make_unique<char[]>(n));
        free_ = blocks_.back().get();
        left_ = n;
    }
    if (!s.empty()) std::memcpy(free_, s.data(), s.size());
    add(i, h, std::string_view(free_, s.size()));
    free_ += s.size();
    left_ -= s.size();
    return true;
}

bool NameSet::insert_held(std::string_view s) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const std::uint32_t h = name_hash(s);
    const std::size_t i = find_slot(s, h);
    if (slots_[i] != 0) return false;
    add(i, h, s);
    return true;
}

bool NameSet::insert_all_held(std::size_t n, const std::function<std::string_view(std::size_t)>& name_of,
                              unsigned threads) {
    if (n == 0) return true;
    if (views_.size() + n >= UINT32_MAX - 1) throw std::length_error("too many names in one scope");
    const std::size_t base = views_.size();
    std::size_t want = std::max<std::size_t>(64, slots_.size());
    while (want < 2 * (count_ + n)) want *= 2;
    if (want > slots_.size()) grow_to(want);
    views_.resize(base + n);
    const std::size_t mask = slots_.size() - 1;
    std::atomic<bool> clash{false};
    // Each name is written to its entry before a slot refers to it, so a
    // thread that meets the slot reads the whole name.  Two equal names
    // meet in one probe sequence whichever thread comes first.
    run_in_pieces(n, kBulkPiece, threads, [&](std::size_t first, std::size_t last) {
        for (std::size_t k = first; k < last; ++k) {
            if (clash.load(std::memory_order_relaxed)) return;
            if (k + kBulkAhead < last) __builtin_prefetch(&slots_[name_hash(name_of(k + kBulkAhead)) & mask]);
            const std::string_view s = name_of(k);
            views_[base + k] = View(s);
            const std::uint32_t h = name_hash(s);
            const std::uint64_t mine = (static_cast<std::uint64_t>(h) << 32) | (base + k + 1);
            for (std::size_t i = h & mask;; i = (i + 1) & mask) {
                std::atomic_ref<std::uint64_t> slot(slots_[i]);
                std::uint64_t seen = slot.load(std::memory_order_acquire);
                if (seen == 0) {
                    if (slot.compare_exchange_strong(seen, mine, std::memory_order_acq_rel)) break;
                }
                if ((seen >> 32) == h && views_[static_cast<std::uint32_t>(seen) - 1].text() == s) {
                    clash.store(true, std::memory_order_relaxed);
                    return;
                }
            }
        }
    });
    if (!clash.load()) {
        count_ += n;
        return true;
    }
    // Back to the names held before: the table is laid out again without
    // the new entries, whose removal would break the probe sequences.
    std::vector<std::uint64_t> kept;
    kept.reserve(count_);
    for (std::uint64_t slot : slots_)
        if (slot != 0 && static_cast<std::uint32_t>(slot) <= base) kept.push_back(slot);
    std::fill(slots_.begin(), slots_.end(), 0);
    for (std::uint64_t slot : kept) {
        std::size_t i = (slot >> 32) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
    views_.resize(base);
    return false;
}

void NameSet::reserve(std::size_t n) {
    std::size_t want = 64;
    while (want < 2 * n) want *= 2;
    if (want > slots_.size()) grow_to(want);
    RT_reserve_huge(views_, n);
}

void NameSet::prefetch(std::string_view s) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[name_hash(s) & (slots_.size() - 1)]);
}

NameSet::Slots::Slots(std::size_t n) : p_(static_cast<std::uint64_t*>(std::calloc(n, sizeof(std::uint64_t)))), n_(n) {
    if (!p_) throw std::bad_alloc();
    RT_advise_huge_pages(p_.get(), n * sizeof(std::uint64_t));
}

void NameSet::Slots::Free::operator()(std::uint64_t* p) const { std::free(p); }

void NameSet::grow() { grow_to(std::max<std::size_t>(64, slots_.size() * 2)); }

void NameSet::grow_to(std::size_t size) {
    Slots slots(size);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : slots_) {
        if (slot == 0) continue;
        std::size_t i = (slot >> 32) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    slots_.swap(slots);
}

std::string Scope::fresh(std::string_view wanted) {
    if (take(wanted)) return std::string(wanted);
    for (std::uint64_t k = 1;; ++k) {
        std::string cand = std::string(wanted) + "_" + std::to_string(k);
        if (take(cand)) return cand;
    }
}

}  // namespace ntool
