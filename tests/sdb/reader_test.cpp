// The buffered file reader hands out exactly the bytes of the file, in
// either byte order, whatever the reads' sizes and wherever its buffer
// refills, and refuses reads past the end.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "sdb/internal.h"
#include "support/testsupport.h"
#include <gtest/gtest.h>

namespace {

TEST(FdReader, ReadsEveryByteAcrossRefills) {
    testsupport::TempDir dir;
    // Longer than the first refills together, not a whole number of words.
    std::string bytes(3 * sdbi::FdReader::kBuffer + 4093, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string p = dir.write("f.bin", bytes);
    const int fd = ::open(p.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const auto size = static_cast<int64_t>(bytes.size());
    auto at = [&bytes](int64_t i) { return reinterpret_cast<const uint8_t*>(bytes.data()) + i; };

    // Word by word to the end, in both byte orders.
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian" : "little-endian");
        sdbi::FdReader in(fd, size, 1, big);
        int64_t pos = 1;
        int32_t w;
        while (pos + 4 <= size) {
            ASSERT_TRUE(in.word(w)) << pos;
            ASSERT_EQ(w, sdbi::load_word(at(pos), big)) << pos;
            pos += 4;
        }
        EXPECT_FALSE(in.word(w));
    }
    // Views and reads of mixed sizes, small ones and ones that go past the buffer.
    const size_t sizes[] = {200000, 7, 4096, 70000, 13, sdbi::FdReader::kBuffer, 65535, 3, 1};
    sdbi::FdReader in(fd, size, 0, false);
    int64_t pos = 0;
    for (size_t k = 0;; ++k) {
        const size_t n = sizes[k % std::size(sizes)];
        if (pos + static_cast<int64_t>(n) > size) {
            EXPECT_EQ(in.view(n), nullptr);
            std::vector<uint8_t> rest(n);
            EXPECT_FALSE(in.read(rest.data(), n));
            break;
        }
        if (k % 2 == 0) {
            const uint8_t* v = in.view(n);
            ASSERT_NE(v, nullptr) << pos;
            ASSERT_EQ(std::memcmp(v, at(pos), n), 0) << pos;
        } else {
            std::vector<uint8_t> got(n);
            ASSERT_TRUE(in.read(got.data(), n)) << pos;
            ASSERT_EQ(std::memcmp(got.data(), at(pos), n), 0) << pos;
        }
        pos += static_cast<int64_t>(n);
        ASSERT_EQ(in.tell(), pos);
    }
    // Back to an earlier place.
    in.seek(5);
    const uint8_t* v = in.view(100);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::memcmp(v, at(5), 100), 0);
    ::close(fd);
}

}  // namespace
