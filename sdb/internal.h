// Internal helpers of the design database: byte order, the flag-word
// conversions of big-endian files, block reading and word writing, table
// growth, and the steps of reading a file.  Not part of the public
// interface.
#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/workers.h"
#include "sdb/sdb.h"

namespace sdbi {

inline uint32_t bswap32(uint32_t v) { return __builtin_bswap32(v); }

inline uint32_t load_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint32_t load_be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[3]) | static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[0]) << 24;
}
// A word in the byte order of the file.
inline int32_t load_word(const uint8_t* p, bool big) {
    return static_cast<int32_t>(big ? load_be32(p) : load_le32(p));
}
inline void store_le32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Bits of one byte in reverse order.
uint8_t reverse_byte(uint8_t b);
// Each byte of the word bit-reversed in place, byte order kept.
uint32_t reverse_bits_in_bytes(uint32_t v);
// Flag words of big-endian files.  The argument is the word as its
// bytes lie in the file, read as a little-endian number.
uint32_t port_flags_from_big(uint32_t v);
uint32_t obj_flags_from_big(uint32_t v);
uint32_t net_flags_from_big(uint32_t v);
uint32_t node_flags_from_big(uint32_t v);

// A design file is written with 32-bit offsets and never grows past
// them: count records of record_bytes each from file position at that
// would end beyond that reach belong to no sound file, however large the
// file on disk is (a sparse one can be of any size).
inline constexpr int64_t kFileReach = std::numeric_limits<int32_t>::max();
inline bool beyond_file_reach(int64_t at, int64_t count, int64_t record_bytes) {
    return at + count * record_bytes > kFileReach;
}

// The number of pieces of per records that n records make: n / per
// rounded up, without n + per overflowing.
inline int32_t pieces_of(int32_t n, int32_t per) { return n / per + (n % per != 0); }

// Reads a file through a large buffer with pread: no syscall per word.
// Every read is checked against the end of the file.
class FdReader {
public:
    FdReader(int fd, int64_t size, int64_t pos, bool big);
    int64_t tell() const { return pos_; }
    int64_t size() const { return size_; }
    int64_t remaining() const { return size_ > pos_ ? size_ - pos_ : 0; }
    bool big() const { return big_; }
    void seek(int64_t pos) { pos_ = pos; }
    // n contiguous bytes at the position (n up to the buffer size), the
    // position moving past them; null when the file ends first.
    const uint8_t* view(size_t n);
    // n bytes into dst; false when the file ends first.
    bool read(void* dst, size_t n);
    bool word(int32_t& w) {
        const uint8_t* p = view(4);
        if (!p) return false;
        w = load_word(p, big_);
        return true;
    }
    static constexpr size_t kBuffer = 1 << 20;
    // Reads of this size or more go straight into the destination.
    static constexpr size_t kDirect = 64 << 10;
    // The first fill reads this much; each further one twice as much as
    // the one before, up to kBuffer.
    static constexpr size_t kFirstFill = 64 << 10;

private:
    bool fill(size_t n);
    int fd_;
    int64_t size_;
    int64_t pos_;
    bool big_;
    std::unique_ptr<uint8_t[]> buf_;  // not cleared: only what was read is looked at
    size_t buf_cap_ = 0;
    size_t next_fill_ = kFirstFill;
    int64_t buf_off_ = 0;
    size_t buf_len_ = 0;
};

// Writes little-endian words and bytes to a stream through a buffer and
// keeps the position; ok() turns false after the first failed write.
//
// A writer made with background set hands its full buffers, once a
// large file is under way, to a thread of its own that writes them while
// the next one is filled: the system's copying of the data into the file
// then overlaps the making of it.  Nothing else touches the stream until
// flush() or the destructor has waited for that thread.
class WordWriter {
public:
    explicit WordWriter(FILE* stream, int64_t pos = 0, bool background = false);
    ~WordWriter();
    WordWriter(const WordWriter&) = delete;
    WordWriter& operator=(const WordWriter&) = delete;
    void word(uint32_t v) {
        if (used_ + 4 > kBuffer) hand_over();
        store_le32(buf_.get() + used_, v);
        used_ += 4;
        pos_ += 4;
    }
    void word(int32_t v) { word(static_cast<uint32_t>(v)); }
    // Blocks of a buffer or more go to the stream directly.
    void bytes(const void* p, size_t n);
    // Records of T, each a run of 32-bit words in field order, as words
    // in little-endian order: copied as they are on a little-endian host.
    template <class T>
    void records(const T* r, size_t n) {
        static_assert(sizeof(T) % 4 == 0 && std::is_trivially_copyable_v<T>);
        if constexpr (std::endian::native == std::endian::little) {
            bytes(r, n * sizeof(T));
        } else {
            const auto* w = reinterpret_cast<const uint8_t*>(r);
            for (size_t i = 0; i < n * sizeof(T) / 4; ++i) {
                uint32_t v;
                std::memcpy(&v, w + 4 * i, 4);
                word(v);
            }
        }
    }
    // Room in the buffer for records of size bytes each, to be made
    // there in place (as little-endian words): the count that fits at
    // at(), the full buffer handed over first when none does; add(bytes)
    // takes those made.
    size_t room(size_t size) {
        if (kBuffer - used_ < size) hand_over();
        return (kBuffer - used_) / size;
    }
    uint8_t* at() { return buf_.get() + used_; }
    void add(size_t bytes) {
        used_ += bytes;
        pos_ += static_cast<int64_t>(bytes);
    }
    // Writes what the buffer holds and waits until everything handed
    // over is written.
    bool flush();
    bool ok() const { return ok_; }
    int64_t pos() const { return pos_; }
    static constexpr size_t kBuffer = 1 << 20;
    // Bytes written before a writer in the background takes a thread: a
    // small file is written on the caller's.
    static constexpr int64_t kBackgroundAfter = int64_t{8} << 20;

private:
    // The full buffer goes to the stream: on the writer's thread when it
    // writes in the background, else at once.
    void hand_over();
    // Waits until the writer's thread has written what it was given.
    void wait_written();
    void write_now(const uint8_t* p, size_t n);
    FILE* stream_;
    std::unique_ptr<uint8_t[]> buf_;
    size_t used_ = 0;
    int64_t pos_;
    bool ok_ = true;
    bool background_;
    int64_t handed_ = 0;  // bytes handed over so far
    // Writing in the background: the thread writes spare_ while buf_ is
    // filled, and bg_failed_ tells of a write of its that failed.
    std::unique_ptr<uint8_t[]> spare_;
    bool bg_failed_ = false;
    std::unique_ptr<BackgroundJobs> bg_;
};

// Makes room for need more elements behind the count of a DynaArray.
// Growth is at least the array's growth step and at least half the
// count, so that appending stays linear however large a table gets.
void reserve(void* handle_ptr, int need);

// Links found by one thread: a bit for each record that a link leads to,
// and whether one was met twice.
struct LinkBits {
    std::vector<uint64_t> bits;
    bool twice = false;
    explicit LinkBits(size_t n = 0) : bits((n + 63) / 64, 0) {}
    void mark(int32_t v) {
        if (v < 0) return;
        uint64_t m = uint64_t{1} << (v & 63);
        uint64_t& w = bits[static_cast<size_t>(v) >> 6];
        if (w & m) twice = true;
        w |= m;
    }
};
// True when no record is marked twice in one set or in two of them.
bool links_once(const std::vector<LinkBits>& sets);

// Outcome of reading a symbol section.
enum class SymLoad { Ok, BadMagic, ShortRead, Corrupt };
// Reads the symbol section at the reader's position (see SYM_load);
// prints nothing.
SymLoad sym_load(FdReader& in, SymbolTable** out);

// The symbol section read in steps, so that its entries can be read
// with other work and turned into entries piece by piece in parallel:
// sym_begin reads the head and the roots and makes the table; the
// entries then lie as in the file in `block` (sym_fill reads them
// sequentially; a caller may read them itself and set `loaded`);
// sym_scan finds where the entries begin; sym_parse makes the entries of
// one piece; sym_end checks the trees and hands the table over.
inline constexpr int32_t kSymPiece = 1 << 15;  // entries a piece
struct SymSection {
    std::unique_ptr<SymbolTable> table;
    int32_t count = 0;
    int64_t start = 0;   // file position of the first entry
    int64_t room = 0;    // bytes from there to the end of the file
    char* block = nullptr;
    int64_t loaded = 0;  // bytes of the block read
    int64_t end = 0;     // block offset behind the last entry
    std::vector<int64_t> piece_at;  // block offset of the first entry of each piece
    int32_t pieces() const { return static_cast<int32_t>(piece_at.size()); }
};
// With map_fd (the reader's file) the entries are mapped from the file
// rather than read: loaded is then the whole rest of the file.
SymLoad sym_begin(FdReader& in, SymSection& s, int map_fd = -1);
bool sym_fill(FdReader& in, SymSection& s, int64_t need);
// With done, the scan stores there the number of pieces that lie whole
// in the block as it finds them, all of them at the end, and -1 when it
// fails; it wakes the threads that wait on it.
SymLoad sym_scan(FdReader& in, SymSection& s, std::atomic<int32_t>* done = nullptr);
SymLoad sym_parse(SymSection& s, int32_t piece, bool big, LinkBits& links);
SymLoad sym_end(SymSection& s, std::vector<LinkBits>& links, SymbolTable** out);
// Writes the symbol section.
void sym_write(WordWriter& out, const SymbolTable* table);

// Byte order of the design read last (true: big-endian).
extern bool file_is_big;

// Appends one record to a DynaArray of T and keeps the record behind the
// count filled with 0xFF bytes (it reads as all -1), as every table of a
// design has it.  Returns the new record's index.
template <class T>
int append(T** handle, const T& rec) {
    reserve(handle, 2);
    int i = DYNA_add(handle, 1);
    (*handle)[i] = rec;
    std::memset(static_cast<void*>(&(*handle)[i + 1]), 0xFF, sizeof(T));
    return i;
}

// Sets the count of a DynaArray of T (not above its capacity - 1) and
// fills the record behind it with 0xFF bytes.
template <class T>
void set_count(T* handle, int count) {
    DYNA_set_count(handle, count);
    std::memset(static_cast<void*>(&handle[count]), 0xFF, sizeof(T));
}

// After slot k's array of db changed (grew, moved or its count changed):
// the slot takes the array's handle and count, and when db is the current
// design the cached array and count follow.
void refresh_slot(SdbDatabase* db, int k);
// Forgets the editing caches that belong to db (closed or freed).
void forget_edit_caches(const SdbDatabase* db);
// After the editing calls changed the name word of record i of slot k
// (SOBJ, SNET, PORT or CLAS) of the current design: the name indexes of
// the look-ups follow.
void name_changed(int k, int i);
// Drops the name indexes of the look-ups of db (of every design when
// db is null); they are made again at the next look-up.
void forget_lookups(const SdbDatabase* db);
// Makes the supply nets GND (net 0) and VCC (net 1) in a new design.
void make_supply_nets(SdbDatabase* db);
// Returns the primitive and connection-pin tables to start-up.
void prim_reset_globals();
// Sets quendal_write_dir to a copy of dir (null: none).
void set_write_dir(const char* dir);

// What the tables of a design may refer to: the counts of the tables
// being loaded (the image gives them before any table is read) and of
// the symbols.
struct TableCounts {
    int32_t n[SDB_NUM_STD_SLOTS] = {};
    bool loaded[SDB_NUM_STD_SLOTS] = {};
    int32_t nsym = 0;
};

// One table to read: count records of slot k at a file offset into data
// (or, mapped, already in data as they lie in the file: then only checked).
struct TableJob {
    int k;
    void* data;
    int32_t count;
    int64_t offset;
    bool mapped = false;
};

struct TableLoad {
    bool short_read = false;     // a table ran past the end of the file
    bool bad_index = false;      // an index word out of its table
    bool links_simple = true;    // no node is led to twice by net heads and next words
    bool prefix_down = true;     // every prefix entry refers only to earlier entries
    bool after_checked = false;  // the checks given as AfterTables were made
    bool after_sound = true;     // and found nothing wrong
};

// Checks that need every table read, made in pieces by the loading
// threads once the tables are in (not when one ran past the end of the
// file): check(i) is true when piece i is sound.  The tables lie where
// the jobs say from the start.
struct AfterTables {
    size_t pieces = 0;
    std::function<bool(size_t)> check;
};

// How a table copied from a file is cut for reading: byte pieces that
// end where the huge pages of its array (at address at) end, each
// checking the records that lie whole in it; a record that two pieces
// share is checked on its own once both are read.
struct CopyPiece {
    int64_t lo, hi;        // bytes of the table
    int32_t first, count;  // records checked
};
struct CopyPlan {
    std::vector<CopyPiece> pieces;
    std::vector<int32_t> shared;
};
CopyPlan plan_copy(uintptr_t at, int32_t count, int record_size);

// A table's array for count records read from a file: growable with the
// slot's growth step, the count set, the 0xFF record behind it.
void* new_table(int k, int32_t count);
// The same over the records as they lie in the file (fd, size bytes),
// mapped instead of read: only for a file in the byte order of this
// machine, whose records are the words of the file.  Null when the
// records cannot be mapped; the caller then reads them into new_table.
void* map_table(int k, int fd, int64_t size, int64_t offset, int32_t count);
// Reads the tables, checking every index word; with sym_pos 0 or more it
// reads the symbol section there at the same time; with after, it makes
// those checks too.
TableLoad load_tables(int fd, int64_t size, bool big, const TableCounts& counts, const std::vector<TableJob>& jobs,
                      int64_t sym_pos, SymLoad* sym_status, SymbolTable** symbols,
                      const AfterTables* after = nullptr);

}  // namespace sdbi
