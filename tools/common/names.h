// Names of netlist writers: bus bits, identifier escaping and scopes of
// unique identifiers.
//
// A design database holds bit-blasted names: bit 3 of bus "d" is "d[3]".
// Writers gather runs of such bits back into buses and write every name
// that is not a legal identifier of the target language in its escaped
// form.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ntool {

// Splits "base[index]" (base not empty, index a decimal number, possibly
// negative); false for any other name.
bool split_bit(std::string_view name, std::string_view& base, std::int32_t& index);

// "base[index]".
std::string bit_name(std::string_view base, std::int32_t index);

// A run of consecutive names that forms one bus ("d[3]", "d[2]", ... as
// d[3:...]) or one scalar.
struct BitGroup {
    std::string base;  // the bus name, or the whole name of a scalar
    bool bus = false;
    std::int32_t msb = 0, lsb = 0;  // bus range, first name's index first
    std::size_t first = 0;          // position of the first name
    std::size_t count = 1;
};

// Groups names[0..n) in order: a run of bit names with one base whose
// indices step by one in one direction (and for which same(i, j) holds
// between neighbours) becomes a bus; any other name a scalar.  A base
// that would name two groups, or a bus whose base is also a scalar name
// of the list, is not used for buses: those names become scalars.
std::vector<BitGroup> group_bits(const std::vector<std::string_view>& names,
                                 const std::function<bool(std::size_t, std::size_t)>& same);

// Verilog identifiers: VLOG_simple_id and VLOG_id (runtime/verilog_id.h).

// VHDL identifiers: a legal basic identifier as it is, any other name as
// an extended identifier (\name\, inner backslashes doubled).
bool vhdl_basic_id(std::string_view name);
std::string vhdl_extended_id(std::string_view name);

// The identifiers already given out in one scope of a written module.
// Each name is compared through its key: the name itself for Verilog,
// where an escaped identifier of a legal name is that name; for VHDL the
// lower-case form of a basic identifier and the extended form of any
// other name.
// A set of strings whose text lives in blocks that never move: no
// allocation per name, and the whole set is freed in a few calls.  Large
// modules put millions of names into one scope.
class NameSet {
public:
    NameSet() = default;
    NameSet(const NameSet&) = delete;
    NameSet& operator=(const NameSet&) = delete;
    bool contains(std::string_view s) const;
    // Adds s; false when it was in the set already.
    bool insert(std::string_view s);
    // Adds s without copying its text: the caller keeps the text alive
    // and unchanged as long as the set (a name the design holds, say).
    bool insert_held(std::string_view s);
    // Adds the n names name_of(0) ... name_of(n - 1), held as by
    // insert_held, on up to threads threads: true when none of them was
    // in the set and no two are equal, as adding them one by one would
    // have found.  Else false, and the set is left as it was.
    bool insert_all_held(std::size_t n, const std::function<std::string_view(std::size_t)>& name_of,
                         unsigned threads);
    // Room for n names, so that a set whose size is known grows once.
    void reserve(std::size_t n);
    // Starts loading the slot of s into the cache: a caller that adds
    // many names names one some steps ahead of the one it adds.
    void prefetch(std::string_view s) const;
    std::size_t size() const { return count_; }

private:
    void grow();
    void grow_to(std::size_t slots);
    // The slot of s: where it lies, else the empty slot it would take.
    std::size_t find_slot(std::string_view s, std::uint32_t h) const;
    void add(std::size_t slot, std::uint32_t h, std::string_view text);
    // A table of slots that comes zeroed from the system: a table of
    // millions of slots needs no pass that clears it, and its pages come
    // in as the names fill it, on the threads that add them.  A large
    // table is asked for in huge pages (it is read at random).
    class Slots {
    public:
        Slots() = default;
        explicit Slots(std::size_t n);
        std::size_t size() const { return n_; }
        bool empty() const { return n_ == 0; }
        std::uint64_t& operator[](std::size_t i) { return p_[i]; }
        const std::uint64_t& operator[](std::size_t i) const { return p_[i]; }
        std::uint64_t* begin() const { return p_.get(); }
        std::uint64_t* end() const { return p_.get() + n_; }
        void swap(Slots& o) noexcept {
            p_.swap(o.p_);
            std::swap(n_, o.n_);
        }

    private:
        struct Free {
            void operator()(std::uint64_t* p) const;
        };
        std::unique_ptr<std::uint64_t[], Free> p_;
        std::size_t n_ = 0;
    };
    // Open addressing: the hash in the high word and the offset of the
    // name's entry + 1 in the low word, 0 when empty.
    Slots slots_;
    // A name's text; not cleared when made, so that room for a bulk of
    // names is filled by the threads that add them.
    struct View {
        View() {}  // NOLINT: left unset on purpose
        explicit View(std::string_view s) : data(s.data()), size(s.size()) {}
        std::string_view text() const { return {data, size}; }
        const char* data;
        std::size_t size;
    };
    std::vector<View> views_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* free_ = nullptr;
    std::size_t left_ = 0, block_ = 0, count_ = 0;
};

class Scope {
public:
    using KeyFn = std::string (*)(std::string_view);
    explicit Scope(KeyFn key = nullptr) : key_(key) {}
    bool free(std::string_view name) const { return key_ ? !used_.contains(key_(name)) : !used_.contains(name); }
    // Takes name; false when it was taken already.
    bool take(std::string_view name) { return key_ ? used_.insert(key_(name)) : used_.insert(name); }
    // The same for a name whose text outlives the scope: it is not copied.
    bool take_held(std::string_view name) { return key_ ? used_.insert(key_(name)) : used_.insert_held(name); }
    // Takes the n names name_of(0) ... (texts outliving the scope) at
    // once, on several threads: true when all were free and no two are
    // equal.  Else false and nothing is taken: the caller then takes them
    // one by one.  Names with a key are not taken this way.
    bool take_all_held(std::size_t n, const std::function<std::string_view(std::size_t)>& name_of,
                       unsigned threads) {
        return !key_ && used_.insert_all_held(n, name_of, threads);
    }
    void reserve(std::size_t names) { used_.reserve(names); }
    void prefetch(std::string_view name) const {
        if (!key_) used_.prefetch(name);
    }
    // wanted when it is free, else the first free of wanted + "_1",
    // wanted + "_2" ...; the result is taken.
    std::string fresh(std::string_view wanted);

private:
    KeyFn key_;
    NameSet used_;
};

// Key of a VHDL name for Scope.
std::string vhdl_key(std::string_view name);

}  // namespace ntool
