// The byte layout of design database files: flag words written by the
// other byte order, buffered reads and word writes, and table growth.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "runtime/dyna.h"
#include "sdb/internal.h"

namespace sdbi {

bool file_is_big = false;

uint8_t reverse_byte(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}

uint32_t reverse_bits_in_bytes(uint32_t v) {
    uint32_t r = 0;
    for (int i = 0; i < 4; ++i) r |= static_cast<uint32_t>(reverse_byte(static_cast<uint8_t>(v >> (8 * i)))) << (8 * i);
    return r;
}

namespace {

uint32_t bit(uint32_t v, int i) { return (v >> i) & 1u; }

// Reverses the order of the bits of the field of width w at bit lo.
uint32_t reverse_field(uint32_t v, int lo, int w) {
    uint32_t field = (v >> lo) & ((1u << w) - 1);
    uint32_t r = 0;
    for (int i = 0; i < w; ++i) r |= bit(field, i) << (w - 1 - i);
    return (v & ~(((1u << w) - 1) << lo)) | r << lo;
}

}  // namespace

uint32_t port_flags_from_big(uint32_t v) { return reverse_bits_in_bytes(v); }

uint32_t net_flags_from_big(uint32_t v) {
    v = reverse_bits_in_bytes(v);
    v = reverse_field(v, 5, 8);
    v = reverse_field(v, 13, 8);
    v = reverse_field(v, 21, 2);
    v = reverse_field(v, 23, 4);
    return v;
}

uint32_t node_flags_from_big(uint32_t v) {
    v = reverse_bits_in_bytes(v);
    uint32_t b4 = bit(v, 4), b5 = bit(v, 5);
    return (v & ~0x30u) | b5 << 4 | b4 << 5;
}

// The first two bytes hold the object's short flag fields, whose bit
// positions a big-endian writer mirrors.  Old bit 2 has no place in the
// little-endian layout (new bit 2 is always 0); new bits 7 and 8 are
// taken from old bits 1 and 0 whatever old bit 2 holds.
uint32_t obj_flags_from_big(uint32_t v) {
    uint32_t h = v & 0xFFFFu;
    uint32_t n = (h & 0xFE00u);
    n |= bit(h, 7) << 0;
    n |= bit(h, 8) << 1;
    n |= bit(h, 6) << 3;
    n |= bit(h, 5) << 4;
    n |= bit(h, 4) << 5;
    n |= bit(h, 3) << 6;
    n |= bit(h, 1) << 7;
    n |= bit(h, 0) << 8;
    return (v & 0xFFFF0000u) | n;
}

FdReader::FdReader(int fd, int64_t size, int64_t pos, bool big)
    : fd_(fd), size_(size), pos_(pos), big_(big) {}

bool FdReader::fill(size_t n) {
    // A reader that looks at a few words (a header, a count) reads a
    // little; one that goes on reading reads ever more at a time.  The
    // buffer takes no more than what is left of the file, and is not
    // cleared: only the bytes read into it are looked at.
    size_t want = std::max(n, next_fill_);
    next_fill_ = std::min(next_fill_ * 2, kBuffer);
    if (static_cast<int64_t>(want) > size_ - pos_) want = static_cast<size_t>(std::max<int64_t>(size_ - pos_, 0));
    const size_t cap = std::max(want, n);
    if (buf_cap_ < cap) {
        buf_ = std::make_unique_for_overwrite<uint8_t[]>(cap);
        buf_cap_ = cap;
    }
    size_t got = 0;
    while (got < want) {
        ssize_t r = ::pread(fd_, buf_.get() + got, want - got, pos_ + static_cast<int64_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<size_t>(r);
    }
    buf_off_ = pos_;
    buf_len_ = got;
    return got >= n;
}

const uint8_t* FdReader::view(size_t n) {
    if (n > kBuffer || pos_ < 0 || static_cast<int64_t>(n) > size_ - pos_) return nullptr;
    if (pos_ < buf_off_ || pos_ + static_cast<int64_t>(n) > buf_off_ + static_cast<int64_t>(buf_len_)) {
        if (!fill(n)) return nullptr;
    }
    const uint8_t* p = buf_.get() + (pos_ - buf_off_);
    pos_ += static_cast<int64_t>(n);
    return p;
}

bool FdReader::read(void* dst, size_t n) {
    auto* d = static_cast<uint8_t*>(dst);
    if (pos_ < 0 || static_cast<int64_t>(n) > size_ - pos_) return false;
    // What the buffer already holds, then large reads straight into dst.
    if (pos_ >= buf_off_ && pos_ < buf_off_ + static_cast<int64_t>(buf_len_)) {
        size_t have = std::min(n, static_cast<size_t>(buf_off_ + static_cast<int64_t>(buf_len_) - pos_));
        std::memcpy(d, buf_.get() + (pos_ - buf_off_), have);
        d += have;
        n -= have;
        pos_ += static_cast<int64_t>(have);
    }
    if (n >= kDirect) {
        while (n > 0) {
            ssize_t r = ::pread(fd_, d, n, pos_);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            d += r;
            n -= static_cast<size_t>(r);
            pos_ += r;
        }
        return true;
    }
    if (n == 0) return true;
    const uint8_t* p = view(n);
    if (!p) return false;
    std::memcpy(d, p, n);
    return true;
}

WordWriter::WordWriter(FILE* stream, int64_t pos, bool background)
    : stream_(stream), buf_(std::make_unique_for_overwrite<uint8_t[]>(kBuffer)), pos_(pos), background_(background) {}

WordWriter::~WordWriter() { flush(); }

void WordWriter::write_now(const uint8_t* p, size_t n) {
    if (ok_ && std::fwrite(p, 1, n, stream_) != n) ok_ = false;
}

void WordWriter::wait_written() {
    if (!bg_) return;
    bg_->wait();
    if (bg_failed_) ok_ = false;
}

void WordWriter::hand_over() {
    if (used_ == 0) return;
    handed_ += static_cast<int64_t>(used_);
    if (!bg_ && background_ && ok_ && handed_ > kBackgroundAfter) {
        bg_ = std::make_unique<BackgroundJobs>();
        spare_ = std::make_unique_for_overwrite<uint8_t[]>(kBuffer);
    }
    if (!bg_) {
        write_now(buf_.get(), used_);
        used_ = 0;
        return;
    }
    // The thread's buffer is free once it has written it: the two swap.
    wait_written();
    std::swap(buf_, spare_);
    const size_t n = ok_ ? used_ : 0;
    used_ = 0;
    if (n > 0)
        bg_->run([this, n] {
            if (std::fwrite(spare_.get(), 1, n, stream_) != n) bg_failed_ = true;
        });
}

void WordWriter::bytes(const void* p, size_t n) {
    auto* s = static_cast<const uint8_t*>(p);
    if (n == 0) return;
    pos_ += static_cast<int64_t>(n);
    if (n >= kBuffer && !background_) {
        hand_over();
        for (size_t at = 0; ok_ && at < n; at += kBuffer) write_now(s + at, std::min(kBuffer, n - at));
        return;
    }
    // In the background a large block goes through the buffers too, so
    // that its writing overlaps the copying of the next piece.
    while (n > 0) {
        if (used_ == kBuffer) hand_over();
        const size_t step = std::min(n, kBuffer - used_);
        std::memcpy(buf_.get() + used_, s, step);
        used_ += step;
        s += step;
        n -= step;
    }
}

bool WordWriter::flush() {
    hand_over();
    wait_written();
    return ok_;
}

void reserve(void* handle_ptr, int need) {
    void* h = *static_cast<void**>(handle_ptr);
    if (!h) return;
    int64_t count = DYNA_count(h);
    int64_t cap = DYNA_capacity(h);
    if (count + need <= cap) return;
    DynaHeader* head = DYNA_header(h);
    int64_t grow = count + need - cap + std::max<int64_t>(head->delta, 0);
    grow = std::max<int64_t>(grow, count / 2);
    if (cap + grow > std::numeric_limits<int32_t>::max()) grow = std::numeric_limits<int32_t>::max() - cap;
    DYNA_resize(handle_ptr, static_cast<int>(grow));
}

}  // namespace sdbi
