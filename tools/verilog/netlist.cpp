#include "tools/verilog/netlist.h"

#include <algorithm>
#include <cstring>

#include "tools/verilog/lexer.h"
#include "tools/verilog/messages.h"

namespace vlog {

namespace {

inline std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// The first n bytes at p (n at most 8) as a little-endian word, zeros
// after them: whole loads only, so the word is never put together from
// byte stores (which would stall the load that reads it back).
inline std::uint64_t load_upto8(const char* p, std::size_t n) {
    std::uint64_t w = 0;
    if (n >= 8) {
        std::memcpy(&w, p, 8);
        return w;
    }
    if (n >= 4) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + n - 4, 4);
        return lo | (static_cast<std::uint64_t>(hi) << (8 * (n - 4)));
    }
    if (n == 0) return 0;
    const auto byte = [p](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])); };
    return byte(0) | (byte(n / 2) << (8 * (n / 2))) | (byte(n - 1) << (8 * (n - 1)));
}

std::uint32_t hash_bytes(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
    while (n >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 29;
        p += 8;
        n -= 8;
    }
    if (n) h = (h ^ load_upto8(p, n)) * 0xc4ceb9fe1a85ec53ULL;
    return static_cast<std::uint32_t>(mix(h));
}

constexpr std::size_t kBlockSize = 1 << 20;

}  // namespace

// ---------------------------------------------------------------- names

NameTable::NameTable() {
    set_size(kMinSlots);
    slots_.assign(size_, Slot{0, 0, 0});
    for (const char* k : kKeywordNames) intern(k);
}

namespace {

// The first eight bytes of a name, zeros after its end.
inline std::uint64_t head_of(std::string_view s) { return load_upto8(s.data(), std::min<std::size_t>(s.size(), 8)); }

// The hash's high bits and the length (255 for any longer name).
inline std::uint32_t tag_of(std::uint32_t h, std::size_t size) {
    return (h & 0xFFFFFF00u) | static_cast<std::uint32_t>(std::min<std::size_t>(size, 255));
}

}  // namespace

void NameTable::release_index() {
    SlotVector().swap(slots_);
}

// Slots for names names at most three quarters full: linear probing
// stays short.
std::size_t NameTable::slots_for(std::size_t names) { return std::max(kMinSlots, names / 3 * 4 + 4); }

void NameTable::set_size(std::size_t slots) const {
    if (slots > UINT32_MAX) throw Error("error: too many names");
    size_ = slots;
    home_shift_ = slots <= kTagHome ? 8 : 0;
}

void NameTable::reserve(std::size_t names) {
    if (slots_.empty()) return;  // built to size when next needed
    const std::size_t want = slots_for(names);
    if (want > size_) resize_index(want);
}

void NameTable::rebuild_index() const {
    set_size(slots_for(count_ + kMinSlots));
    slots_.assign(size_, Slot{0, 0, 0});
    for (std::size_t id = 0; id < count_; ++id) {
        const std::string_view s = str(static_cast<Id>(id));
        const std::uint32_t h = hash_bytes(s);
        std::size_t i = home(h);
        while (slots_[i].id1 != 0) i = next(i);
        slots_[i] = Slot{head_of(s), tag_of(h, s.size()), static_cast<std::uint32_t>(id) + 1};
    }
}

Id NameTable::find(std::string_view s, std::uint32_t h) const {
    if (slots_.empty()) rebuild_index();
    const std::uint32_t tag = tag_of(h, s.size());
    const std::uint64_t head = head_of(s);
    for (std::size_t i = home(h);; i = next(i)) {
        const Slot& slot = slots_[i];
        if (slot.id1 == 0) return kNoId;
        if (slot.tag == tag && slot.head == head) {
            const Id id = slot.id1 - 1;
            if (s.size() <= 8 || str(id) == s) return id;
        }
    }
}

std::uint32_t NameTable::hash(std::string_view s) { return hash_bytes(s); }

void NameTable::prefetch(std::uint32_t h) const {
    if (slots_.empty()) return;
    // The cache line after the home slot's too: a probe often runs into
    // it.
    constexpr std::size_t kLine = 64 / sizeof(Slot);
    const std::size_t i = home(h);
    __builtin_prefetch(&slots_[i]);
    if (i + kLine < size_) __builtin_prefetch(&slots_[i + kLine]);
}

Id NameTable::intern(std::string_view s, std::uint32_t h) {
    if (slots_.empty()) rebuild_index();
    const std::uint32_t tag = tag_of(h, s.size());
    const std::uint64_t head = head_of(s);
    std::size_t i = home(h);
    for (;; i = next(i)) {
        const Slot& slot = slots_[i];
        if (slot.id1 == 0) break;
        if (slot.tag == tag && slot.head == head) {
            const Id id = slot.id1 - 1;
            if (s.size() <= 8 || str(id) == s) return id;
        }
    }
    if (count_ >= kNoId - 1) throw Error("error: too many names");
    if (s.size() > UINT32_MAX) throw Error("error: name too long");
    const std::size_t prefix = s.size() < kLongName ? 1 : 1 + sizeof(std::uint32_t);
    const std::size_t need = prefix + s.size() + 1;
    if (need > left_) {
        // Blocks double from 4 KiB up to 1 MiB, so small designs stay small.
        block_ = std::min(kBlockSize, std::max<std::size_t>(4096, block_ * 2));
        // A name's offset in its block fits in the bits its place has for
        // it: blocks are no larger, but for a longer name at offset 0.
        static_assert(kBlockSize <= std::size_t{1} << kOffsetBits);
        const std::size_t n = std::max(block_, need);
        if (blocks_.size() == kMaxBlocks) throw Error("error: too many names");
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(n));
        free_ = blocks_.back().get();
        left_ = n;
    }
    if (prefix == 1) {
        *free_ = static_cast<char>(s.size());
    } else {
        *free_ = static_cast<char>(kLongName);
        const auto size = static_cast<std::uint32_t>(s.size());
        std::memcpy(free_ + 1, &size, sizeof size);
    }
    if (!s.empty()) std::memcpy(free_ + prefix, s.data(), s.size());
    free_[prefix + s.size()] = '\0';
    const Id id = static_cast<Id>(count_);
    if ((count_ & (kChunk - 1)) == 0) locs_.push_back(std::make_unique_for_overwrite<Loc[]>(kChunk));
    locs_.back()[count_ & (kChunk - 1)] =
        static_cast<Loc>(((blocks_.size() - 1) << kOffsetBits) | static_cast<std::size_t>(free_ - blocks_.back().get()));
    ++count_;
    free_ += need;
    left_ -= need;
    slots_[i] = Slot{head, tag, id + 1};
    if (count_ * 4 > size_ * 3) grow();
    return id;
}

NameTable::TextBlocks NameTable::take_texts() {
    TextBlocks blocks;
    blocks.swap(blocks_);
    locs_.clear();
    count_ = 0;
    free_ = nullptr;
    left_ = 0;
    release_index();
    return blocks;
}

void NameTable::grow() { resize_index(size_ + size_ / 2); }

void NameTable::resize_index(std::size_t size) {
    SlotVector slots(size, Slot{0, 0, 0});
    set_size(size);
    for (const Slot& slot : slots_) {
        if (slot.id1 == 0) continue;
        // The tag keeps the hash's high bits, which give the home slot of
        // a table of up to kTagHome slots without hashing the name again.
        std::size_t i = home(home_shift_ ? slot.tag : hash_bytes(str(slot.id1 - 1)));
        while (slots[i].id1 != 0) i = next(i);
        slots[i] = slot;
    }
    slots_.swap(slots);
}

// ---------------------------------------------------------------- IdMap

namespace {
inline std::size_t slot_of(Id key, std::size_t mask) {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ULL) >> 32) & mask;
}
}  // namespace

std::uint32_t IdMap::find(Id key) const {
    if (slots_.empty()) return npos;
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = static_cast<std::uint64_t>(key) + 1;
    for (std::size_t i = slot_of(key, mask);; i = (i + 1) & mask) {
        const std::uint64_t s = slots_[i];
        if (s == 0) return npos;
        if ((s >> 32) == tag) return static_cast<std::uint32_t>(s);
    }
}

std::pair<std::uint32_t, bool> IdMap::insert(Id key, std::uint32_t value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const std::size_t mask = slots_.size() - 1;
    const std::uint64_t tag = static_cast<std::uint64_t>(key) + 1;
    for (std::size_t i = slot_of(key, mask);; i = (i + 1) & mask) {
        const std::uint64_t s = slots_[i];
        if (s == 0) {
            slots_[i] = (tag << 32) | value;
            ++count_;
            return {value, true};
        }
        if ((s >> 32) == tag) return {static_cast<std::uint32_t>(s), false};
    }
}

void IdMap::grow() {
    std::vector<std::uint64_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint64_t s : old) {
        if (s == 0) continue;
        std::size_t i = slot_of(static_cast<Id>((s >> 32) - 1), mask);
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

// ---------------------------------------------------------------- Design

int Design::find_module(Id name) const {
    const std::uint32_t v = module_map_.find(name);
    return v == IdMap::npos ? -1 : static_cast<int>(v);
}

int Design::find_module(std::string_view name) const {
    const Id id = names.find(name);
    return id == kNoId ? -1 : find_module(id);
}

std::string Design::where(const Module& m, std::uint32_t line) const {
    const std::string& f = m.file < files.size() ? files[m.file] : std::string();
    return f + ":" + std::to_string(line);
}

Module& Design::add_module(Module m) {
    const int old = find_module(m.name);
    if (old >= 0) {
        throw Error(where(m, m.line) + ": error: module " + msg::quoted(names.str(m.name)) + " is already defined at " +
                    where(modules[old], modules[old].line));
    }
    module_map_.insert(m.name, static_cast<std::uint32_t>(modules.size()));
    modules.push_back(std::move(m));
    return modules.back();
}

void Design::link() {
    // Port name -> port index of each master, made when first needed.
    std::vector<IdMap> port_maps(modules.size());
    std::vector<bool> have_map(modules.size(), false);
    std::vector<std::uint8_t> seen;

    for (Module& m : modules) {
        // Rebuild the pins of a module only when one of its instances has
        // become resolvable.
        bool work = false;
        for (const Instance& inst : m.instances) {
            if (inst.master_index >= 0) continue;
            if (find_module(inst.master) >= 0) {
                work = true;
            } else if (inst.ordered && inst.count > 0) {
                throw Error(where(m, inst.line) + ": error: " + msg::ordered_unknown(names.str(inst.master)));
            }
        }
        if (!work) continue;
        PodArray<Pin> pins;
        PodArray<Conn> conns;
        pins.reserve(m.pins.size());
        conns.reserve(m.conns.size());
        for (Instance& inst : m.instances) {
            const auto first_pin = static_cast<std::uint32_t>(pins.size());
            const auto first_conn = static_cast<std::uint32_t>(conns.size());
            auto fail = [&](const std::string& msg) { throw Error(where(m, inst.line) + ": error: " + msg); };
            if (inst.master_index >= 0) {
                // Already resolved: its connections move as they are.
                const auto c = m.instance_conns(inst);
                conns.append(c.data(), c.data() + c.size());
                inst.first = first_conn;
                continue;
            }
            const int mi = find_module(inst.master);
            if (mi < 0) {
                // A master the design does not hold: keep the pins as they are.
                for (const Pin& p : m.written_pins(inst)) {
                    pins.push_back({p.name, static_cast<std::uint32_t>(conns.size()), p.width});
                    auto c = m.pin_conns(p);
                    conns.append(c.data(), c.data() + c.size());
                }
                inst.first = first_pin;
                continue;
            }
            const Module& master = modules[mi];
            const std::string master_name(names.str(master.name));
            if (inst.ordered && inst.count > master.ports.size()) {
                fail(msg::too_many(master_name, master.ports.size()));
            }
            conns.append(master.port_bits.size(), kOpen);
            seen.assign(master.ports.size(), 0);
            std::uint32_t k = 0;
            for (const Pin& p : m.written_pins(inst)) {
                std::uint32_t pi = k++;
                if (!inst.ordered) {
                    if (!have_map[mi]) {
                        for (std::uint32_t j = 0; j < master.ports.size(); ++j) {
                            port_maps[mi].insert(master.ports[j].name, j);
                        }
                        have_map[mi] = true;
                    }
                    pi = port_maps[mi].find(p.name);
                    if (pi == IdMap::npos) {
                        fail(msg::no_port(master_name, names.str(p.name)));
                    }
                }
                const Port& port = master.ports[pi];
                if (seen[pi]) {
                    fail(msg::connected_twice(names.str(port.name), names.str(inst.name)));
                }
                seen[pi] = 1;
                if (p.width == 0) continue;  // .a() or an empty ordered slot
                if (p.width != port.width) {
                    fail(msg::width(names.str(port.name), names.str(inst.name), master_name, port.width, p.width));
                }
                auto c = m.pin_conns(p);
                std::copy(c.begin(), c.end(), conns.begin() + first_conn + port.first_bit);
            }
            inst.first = first_conn;
            inst.count = static_cast<std::uint32_t>(master.port_bits.size());
            inst.master_index = mi;
        }
        m.pins.swap(pins);
        m.conns.swap(conns);
    }

    // A module may not contain itself, directly or through others.
    enum : std::uint8_t { White, Grey, Black };
    std::vector<std::uint8_t> color(modules.size(), White);
    struct Frame {
        std::uint32_t mod;
        std::uint32_t next;
    };
    std::vector<Frame> stack;
    for (std::uint32_t root = 0; root < modules.size(); ++root) {
        if (color[root] != White) continue;
        stack.push_back({root, 0});
        color[root] = Grey;
        while (!stack.empty()) {
            Frame& f = stack.back();
            const Module& m = modules[f.mod];
            if (f.next == m.instances.size()) {
                color[f.mod] = Black;
                stack.pop_back();
                continue;
            }
            const Instance& inst = m.instances[f.next++];
            if (inst.master_index < 0) continue;
            const auto child = static_cast<std::uint32_t>(inst.master_index);
            if (color[child] == Grey) {
                throw Error(where(m, inst.line) + ": error: module " + msg::quoted(names.str(modules[child].name)) +
                            " instantiates itself (through instance " + msg::quoted(names.str(inst.name)) + ")");
            }
            if (color[child] == White) {
                color[child] = Grey;
                stack.push_back({child, 0});
            }
        }
    }
}

std::vector<Pin> Design::instance_pins(const Module& m, const Instance& i) const {
    if (i.master_index < 0) {
        const auto w = m.written_pins(i);
        return {w.begin(), w.end()};
    }
    std::vector<Pin> pins;
    for (const Port& p : modules[static_cast<std::size_t>(i.master_index)].ports)
        pins.push_back({p.name, i.first + p.first_bit, p.width});
    return pins;
}

std::vector<int> Design::top_modules() const {
    std::vector<bool> used(modules.size(), false);
    for (const Module& m : modules) {
        for (const Instance& i : m.instances) {
            const int mi = i.master_index >= 0 ? i.master_index : find_module(i.master);
            if (mi >= 0) used[mi] = true;
        }
    }
    std::vector<int> tops;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        if (!used[i]) tops.push_back(static_cast<int>(i));
    }
    return tops;
}

}  // namespace vlog
