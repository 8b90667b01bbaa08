// The word writer of the design files: what it writes, on the caller's
// thread or in the background, and its failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "sdb/internal.h"
#include "support/testsupport.h"

namespace {

using sdbi::WordWriter;

struct CloseFile {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, CloseFile>;

// Writes a mix of words, small and large blocks and records of about
// `megabytes` through w; returns the bytes that the file must hold.
std::string write_mix(WordWriter& w, int megabytes) {
    std::string want;
    auto word = [&](uint32_t v) {
        w.word(v);
        for (int i = 0; i < 4; ++i) want.push_back(static_cast<char>(v >> (8 * i)));
    };
    std::string large(3 * WordWriter::kBuffer + 5, '\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + 1);
    for (uint32_t round = 0; want.size() < static_cast<size_t>(megabytes) << 20; ++round) {
        for (uint32_t i = 0; i < 100000; ++i) word(round * 1000003u + i);
        w.bytes("abc", 3);
        want += "abc";
        w.bytes(large.data(), large.size());
        want += large;
        const SdbNode nodes[2] = {{1, 2, 3, 4, 5}, {-1, -1, static_cast<int32_t>(round), -1, 0}};
        w.records(nodes, 2);
        for (const SdbNode& n : nodes)
            for (uint32_t v : {static_cast<uint32_t>(n.object), static_cast<uint32_t>(n.pin),
                               static_cast<uint32_t>(n.net), static_cast<uint32_t>(n.next), n.flags})
                for (int i = 0; i < 4; ++i) want.push_back(static_cast<char>(v >> (8 * i)));
    }
    return want;
}

std::string contents(FILE* f) {
    std::string s;
    std::rewind(f);
    char buf[1 << 16];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    return s;
}

}  // namespace

// The file holds every byte in order, whether the buffers are written on
// the caller's thread or handed to the writer's own, for a file under
// and over the size at which the writer takes its thread.
TEST(WordWriter, WritesEveryByteInOrder) {
    for (const bool background : {false, true}) {
        for (const int megabytes : {1, 30}) {
            SCOPED_TRACE(std::string(background ? "background " : "") + std::to_string(megabytes) + " MB");
            File f(std::tmpfile());
            ASSERT_TRUE(f);
            std::string want;
            {
                WordWriter w(f.get(), 0, background);
                want = write_mix(w, megabytes);
                EXPECT_EQ(w.pos(), static_cast<int64_t>(want.size()));
                EXPECT_TRUE(w.flush());
                // Written at once after a flush: the stream is the
                // caller's again.
                EXPECT_EQ(std::ftell(f.get()), static_cast<long>(want.size()));
                w.word(uint32_t{0x04030201});
                want += "\x01\x02\x03\x04";
            }
            EXPECT_TRUE(contents(f.get()) == want);
        }
    }
}

// A stream that refuses the bytes makes flush() false, on either thread,
// and the writer still ends.
TEST(WordWriter, FailedWritesAreReported) {
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "background" : "caller's thread");
        File f(std::fopen("/dev/full", "w"));
        if (!f) GTEST_SKIP() << "no /dev/full";
        WordWriter w(f.get(), 0, background);
        write_mix(w, 20);
        EXPECT_FALSE(w.flush());
        EXPECT_FALSE(w.ok());
    }
}

// A file that stops growing part of the way, after the writer has taken
// its thread: the thread's failed write is reported.
TEST(WordWriter, FailedWriteOnTheWritersThreadIsReported) {
    File f(std::tmpfile());
    ASSERT_TRUE(f);
    bool flushed = true, ok = true;
    {
        testsupport::FileSizeLimit limit(static_cast<unsigned long long>(WordWriter::kBackgroundAfter) + (4 << 20));
        ASSERT_TRUE(limit.ok());
        WordWriter w(f.get(), 0, true);
        write_mix(w, 30);
        flushed = w.flush();
        ok = w.ok();
    }
    EXPECT_FALSE(flushed);
    EXPECT_FALSE(ok);
}
