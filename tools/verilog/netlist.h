// In-memory model of structural (gate-level) Verilog and its reader.
//
// A Design holds one name table and the modules read into it.  Every
// name (module, port, net, instance, pin) is interned once and referred
// to by its Id.  Nets are bit-blasted: bit 3 of bus "a" is the scalar net
// named "a[3]".  A scalar declared or used as the escaped identifier
// \a[3] beside a bus "a" with a bit 3 would be another net of the same
// name, which a design database cannot keep apart: the reader refuses it.
//
// What the reader takes: module headers (ANSI or not, with parameters
// whose defaults may size the ports), port, net and parameter
// declarations, instances with named or ordered connections of nets,
// bit- and part-selects, concatenations and sized constants (x and z bits
// included: they drive nothing), "assign" between such expressions, and
// the compiler directives of lexer.h.  Instances with parameters
// ("#(...)") are refused: a design database has no place for them.
//
// Typical use:
//     vlog::Design d;
//     d.read_file("cells.v", true);   // library cells: ports only (and
//                                     // which of them are three-state)
//     d.read_file("net.v", false);    // structural netlist
//     d.link();                       // resolve instances against masters
// Every error throws vlog::Error whose text is "<file>:<line>: error: ...".
#pragma once

#include "runtime/pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vlog {

using Id = std::uint32_t;
inline constexpr Id kNoId = UINT32_MAX;

// Any syntax or semantic error; what() is the full message.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A growable array of plain records, for the tables that grow with the
// size of a netlist.  It grows with realloc: a large block (the tools
// take those straight from the system) keeps its pages and is moved by
// remapping them, so growing copies nothing, and the old and the new
// block are never in memory side by side; room not written yet takes no
// memory either.  The interface is the part of std::vector the reader
// and its callers use.
template <class T>
class PodArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    PodArray() = default;
    PodArray(std::size_t n, const T& v) { assign(n, v); }
    PodArray(const PodArray& o) { append(o.begin(), o.end()); }
    PodArray(PodArray&& o) noexcept { swap(o); }
    PodArray& operator=(const PodArray& o) {
        if (this != &o) {
            clear();
            append(o.begin(), o.end());
        }
        return *this;
    }
    PodArray& operator=(PodArray&& o) noexcept {
        PodArray(std::move(o)).swap(*this);
        return *this;
    }
    ~PodArray() { std::free(data_); }

    void swap(PodArray& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(cap_, o.cap_);
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return cap_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    T& front() { return data_[0]; }
    const T& front() const { return data_[0]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }
    operator std::span<const T>() const { return {data_, size_}; }

    void reserve(std::size_t n) {
        if (n > cap_) reallocate(n);
    }
    void push_back(const T& v) {
        if (size_ == cap_) {
            const T copy = v;  // v may lie in the block that moves
            grow(size_ + 1);
            data_[size_++] = copy;
            return;
        }
        data_[size_++] = v;
    }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }
    void resize(std::size_t n) { resize(n, T{}); }
    void resize(std::size_t n, const T& v) {
        if (n > size_) {
            grow(n);
            for (std::size_t i = size_; i < n; ++i) data_[i] = v;
        }
        size_ = n;
    }
    void assign(std::size_t n, const T& v) {
        clear();
        resize(n, v);
    }
    // Appends n copies of v, or the records first .. last (which may lie
    // in this array).
    void append(std::size_t n, const T& v) { resize(size_ + n, v); }
    void append(const T* first, const T* last) {
        const auto n = static_cast<std::size_t>(last - first);
        if (n == 0) return;
        if (size_ + n > cap_) {
            if (!std::less<const T*>()(first, data_) && std::less<const T*>()(first, data_ + size_)) {
                const auto off = static_cast<std::size_t>(first - data_);
                grow(size_ + n);
                first = data_ + off;
            } else {
                grow(size_ + n);
            }
        }
        std::memmove(static_cast<void*>(data_ + size_), first, n * sizeof(T));
        size_ += n;
    }

private:
    void grow(std::size_t need) {
        if (need <= cap_) return;
        reallocate(std::max<std::size_t>({need, cap_ * 2, 16}));
    }
    void reallocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        void* p = std::realloc(static_cast<void*>(data_), n * sizeof(T));
        if (!p) throw std::bad_alloc();
        data_ = static_cast<T*>(p);
        cap_ = n;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t cap_ = 0;
};

// Allocator for large tables read at random (name indexes): a table of
// many megabytes is asked for in huge pages, which spares most of the
// page faults of filling it and the TLB misses of reading it (the kernel
// may refuse; nothing else changes).  Smaller tables come from new: a
// table in whole huge pages takes up to one more than it needs.

template <class T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}
    static constexpr std::size_t kHuge = kHugePageBytes;
    static std::size_t huge_bytes(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        return bytes >= 8 * kHuge ? (bytes + kHuge - 1) & ~(kHuge - 1) : 0;
    }
    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        const std::size_t huge = huge_bytes(n);
        if (!huge) return static_cast<T*>(::operator new(n * sizeof(T)));
        void* p = std::aligned_alloc(kHuge, huge);
        if (!p) throw std::bad_alloc();
        RT_advise_huge_pages(p, huge);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (huge_bytes(n))
            std::free(p);
        else
            ::operator delete(p);
    }
    template <class U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

// Interned strings.  Views returned by str() stay valid for the life of
// the table (the text lives in blocks that never move), and each text has
// a terminator behind it (c_str()).
class NameTable {
public:
    // The blocks that hold the texts.
    using TextBlocks = std::vector<std::unique_ptr<char[]>>;

    NameTable();
    Id intern(std::string_view s) { return intern(s, hash(s)); }
    // The same, given hash(s).
    Id intern(std::string_view s, std::uint32_t h);
    Id find(std::string_view s) const { return find(s, hash(s)); }  // kNoId when absent
    Id find(std::string_view s, std::uint32_t h) const;
    // The hash by which a name is looked up.
    static std::uint32_t hash(std::string_view s);
    // Frees the index by which names are found (a good part of the
    // table's memory) once no more are to be read; the names and their
    // ids stay.  A later find() or intern() builds it again.
    void release_index();
    // Sizes the index for names more names in all, so that it does not
    // grow (each step a copy beside the old index) while they are read.
    void reserve(std::size_t names);
    // Asks the processor to fetch the slot where a name of hash h would
    // be looked for: a hint for a name about to be interned, with no
    // other effect.
    void prefetch(std::uint32_t h) const;
    std::string_view str(Id id) const {
        const Loc loc = locs_[id >> kChunkShift][id & (kChunk - 1)];
        const char* t = blocks_[loc >> kOffsetBits].get() + (loc & kOffsetMask);
        const auto n = static_cast<unsigned char>(*t);
        if (n < kLongName) return {t + 1, n};
        std::uint32_t size;
        std::memcpy(&size, t + 1, sizeof size);
        return {t + 1 + sizeof size, size};
    }
    // The text of id with its terminator: a name read from a netlist
    // holds no NUL, so this is the whole name.
    const char* c_str(Id id) const { return str(id).data(); }
    std::size_t size() const { return count_; }
    // Hands over the blocks that hold the texts, for a caller that keeps
    // pointers from c_str() beyond the table's life; the table is left
    // without names (not even the keywords) and is not to be used again.
    TextBlocks take_texts();

private:
    // Open addressing.  A slot holds the first eight bytes of its name,
    // the high bits of the hash with the length, and Id + 1 (0 when
    // empty): a name of up to eight bytes is found without touching its
    // text, a longer one with one comparison of the rest.
    struct Slot {
        std::uint64_t head;
        std::uint32_t tag;
        std::uint32_t id1;
    };
    // Where each name's text lies: its block (the high bits) and its
    // offset there (the low kOffsetBits), in chunks that never move: no
    // spare room beyond the last chunk and no copying as the table grows.
    // A text begins with its length: one byte below kLongName, else that
    // byte and four of the length; a NUL follows it.
    using Loc = std::uint32_t;
    static constexpr unsigned kOffsetBits = 20;  // blocks hold 1 MiB (kBlockSize) but for a longer name
    static constexpr Loc kOffsetMask = (Loc{1} << kOffsetBits) - 1;
    static constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kOffsetBits);
    static constexpr unsigned kLongName = 255;
    static constexpr unsigned kChunkShift = 16;
    static constexpr std::size_t kChunk = std::size_t{1} << kChunkShift;
    void grow();
    // Moves the index into size slots.
    void resize_index(std::size_t size);
    void rebuild_index() const;
    static std::size_t slots_for(std::size_t names);
    void set_size(std::size_t slots) const;
    // The home slot of a hash: the hash scaled to the size of the index
    // (any size, so that the index is no larger than its names need).
    // Up to kTagHome slots it takes the hash's high 24 bits only, which
    // the tag keeps.
    static constexpr std::size_t kTagHome = std::size_t{1} << 24;
    static constexpr std::size_t kMinSlots = 1024;
    std::size_t home(std::uint32_t h) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(h >> home_shift_) * size_) >> (32 - home_shift_));
    }
    std::size_t next(std::size_t i) const { return i + 1 == size_ ? 0 : i + 1; }
    std::vector<std::unique_ptr<Loc[]>> locs_;
    std::size_t count_ = 0;
    // Built again on demand after release_index(), also by find().
    using SlotVector = std::vector<Slot, HugePageAllocator<Slot>>;
    mutable SlotVector slots_;
    mutable std::size_t size_ = 0;      // slots in the index (also while it is released)
    mutable unsigned home_shift_ = 8;  // low bits of the hash that home() leaves out
    TextBlocks blocks_;
    char* free_ = nullptr;
    std::size_t left_ = 0;
    std::size_t block_ = 0;
};

// Map from Id to a 32-bit value (open addressing, linear probing).
class IdMap {
public:
    static constexpr std::uint32_t npos = UINT32_MAX;
    // The value of key, or npos.
    std::uint32_t find(Id key) const;
    // Inserts key with value (not npos) unless present; returns the stored
    // value and whether it was inserted.
    std::pair<std::uint32_t, bool> insert(Id key, std::uint32_t value);
    std::size_t size() const { return count_; }

private:
    void grow();
    std::vector<std::uint64_t> slots_;  // key+1 in the high word, 0 = empty
    std::size_t count_ = 0;
};

enum class Dir : std::uint8_t { Input, Output, Inout };
enum class NetKind : std::uint8_t { Wire, Tri, Supply0, Supply1 };

// The value on one pin bit or assignment source: a net of the module
// (index >= 0) or one of the constants below.
using Conn = std::int32_t;
inline constexpr Conn kOpen = -1;    // not connected
inline constexpr Conn kConst0 = -2;  // 1'b0
inline constexpr Conn kConst1 = -3;  // 1'b1
inline constexpr Conn kConstX = -4;  // 1'bx: drives nothing
inline constexpr Conn kConstZ = -5;  // 1'bz: drives nothing

struct Net {
    Id name;       // "a" or "a[3]"
    NetKind kind;  // from its declaration; Wire for implicit nets
};

struct Port {
    Id name;
    Dir dir;
    bool is_bus;
    std::int32_t msb, lsb;    // the declared range; 0:0 for a scalar
    // Into Module::port_bits, which holds the bits of the ports in port
    // order: also where the port's bits begin among an instance's
    // connections.
    std::uint32_t first_bit;
    std::uint32_t width;
    std::uint32_t line;
    // A library cell's output (or inout) that its body leaves floating at
    // times: a three-state output.
    bool three_state = false;
};

// One pin of an instance: its bits are conns[first_conn .. +width), the
// first one for the port's msb.  An instance of a known master has one
// pin per master port, in port order and as wide as the port (bits left
// unconnected are kOpen).  An instance of a master the design does not
// hold keeps its named connections as written; width 0 there is ".a()".
struct Pin {
    Id name;
    std::uint32_t first_conn;
    std::uint32_t width;
};

// An instance of a master the design holds (resolved) has the bits of
// the master's ports, in port order, in conns[first .. +count), and no
// pins of its own (Design::instance_pins makes them): a netlist has
// millions of instances, and their pins would only repeat the master's
// ports.  One of a master the design does not hold keeps its connections
// as written in pins[first .. +count).
struct Instance {
    Id name;
    Id master;
    std::uint32_t line;
    std::int32_t master_index;  // into Design::modules once resolved, else -1
    std::uint32_t first;        // into Module::conns once resolved, else into Module::pins
    std::uint32_t count;
    bool ordered;  // written with ordered connections
};

// One bit of "assign lhs = rhs;": lhs is a net, rhs a net or constant
// (kConstX and kConstZ included: the assignment then drives nothing).
struct Assign {
    Conn lhs;
    Conn rhs;
    std::uint32_t line;
};

struct Module {
    Id name = kNoId;
    std::uint32_t file = 0;  // into Design::files
    std::uint32_t line = 0;
    bool is_cell = false;                  // read in library mode: ports only
    std::vector<Port> ports;             // in port-list order
    PodArray<std::uint32_t> port_bits;  // net indices, msb first per port
    PodArray<Net> nets;
    PodArray<Instance> instances;
    PodArray<Pin> pins;
    PodArray<Conn> conns;
    PodArray<Assign> assigns;

    std::span<const std::uint32_t> port_nets(const Port& p) const { return {port_bits.data() + p.first_bit, p.width}; }
    // The pins as written of an instance that is not resolved.
    std::span<const Pin> written_pins(const Instance& i) const { return {pins.data() + i.first, i.count}; }
    std::span<const Conn> pin_conns(const Pin& p) const { return {conns.data() + p.first_conn, p.width}; }
    std::span<const Conn> instance_conns(const Instance& i) const {
        return {conns.data() + i.first, i.count};
    }
};

// A macro of `define: its text, and the names of its arguments.
struct Macro {
    std::shared_ptr<const std::string> text;
    std::vector<std::string> params;
    bool function_like = false;  // defined with an argument list
};

class Design {
public:
    NameTable names;
    std::vector<Module> modules;     // in the order they were read
    // Names of the files read, and of included files that hold modules.
    std::vector<std::string> files;
    // Directories of `include files, searched in order after the
    // directory of the including file.
    std::vector<std::string> include_dirs;
    // The macros defined so far; they stay defined from file to file.
    std::unordered_map<std::string, Macro> macros;

    // Reads a file (or a text given the file name for messages).  With
    // library set, every module is a library cell: its header and port
    // declarations are read and the rest of its body is skipped.
    // Instances of modules already in the design are resolved at once (see
    // link); the others wait for link.
    void read_file(const std::string& path, bool library);
    void read_text(std::string_view text, const std::string& file_name, bool library);

    // Index of the module named name, or -1.
    int find_module(Id name) const;
    int find_module(std::string_view name) const;

    // Resolves every instance whose master is a module of the design:
    // its pins become the master's ports in order, each with the width of
    // the port (ports left out are open).  Throws on unknown pins, width
    // mismatches, ordered connections to unknown modules and modules that
    // instantiate themselves.  Instances of unknown modules keep the pins
    // as written, with master_index -1.  Call it once all files are read;
    // it may be called again after more modules were added.
    void link();

    // The pins of an instance of module m: one per port of its master, or
    // the pins as written when the design does not hold its master.
    std::vector<Pin> instance_pins(const Module& m, const Instance& i) const;

    // Modules that no other module instantiates, in reading order.
    std::vector<int> top_modules() const;

    // Adds a module built elsewhere (for example a master known from
    // another source, with its ports and their nets filled in); throws if
    // the name is taken.  file and line of the module are only used in
    // messages.
    Module& add_module(Module m);

    // "<file>:<line>" of a line of a module, for messages.
    std::string where(const Module& m, std::uint32_t line) const;

private:
    IdMap module_map_;
};

}  // namespace vlog
