#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bsdl/bsdl.h"
#include "scanlang/front/front.h"
#include "scanlang/object/scan_interface.h"

namespace fuzz {

// The scan language is no program's layer yet: it is reset
// beside tallowmere's layers, which cover every other reader here.
void reset_all() {
    SCANLANG_reset_globals();
    TALLOWMERE_reset_globals();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string read_source(const std::string& name) { return read_file(std::string(KEST_SOURCE_DIR) + "/" + name); }

std::string read_fixture(const std::string& name) { return read_source("tests/fixtures/" + name); }

MemFile::MemFile() {
    fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0) std::abort();
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemFile::~MemFile() {
    if (fd_ >= 0) ::close(fd_);
}

void MemFile::set(const uint8_t* data, size_t size) {
    if (::ftruncate(fd_, 0) != 0) std::abort();
    for (size_t done = 0; done < size;) {
        ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
}

}  // namespace fuzz
