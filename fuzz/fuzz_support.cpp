#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bsdl/bsdl.h"
#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/hash.h"
#include "desc/lib.h"
#include "desc/pin.h"
#include "desc/tables.h"
#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/msg.h"
#include "runtime/rc.h"
#include "runtime/str.h"
#include "runtime/sysinfo.h"
#include "scanlang/front/front.h"
#include "sdb/sdb.h"

namespace fuzz {

void reset_all() {
    BSDL_reset_globals();
    SCAN_FRONT_reset_globals();
    DESC_reset_globals();
    DFT_reset_globals();
    LIB_reset_globals();
    PIN_reset_globals();
    desc::AST_reset_globals();
    HASH_reset_globals();
    SDB_reset_globals();
    RC_reset_globals();
    CMD_reset_globals();
    FNM_reset_globals();
    MSG_reset_globals();
    FRAME_reset_globals();
    STR_reset_globals();
    SYSINFO_reset_globals();
    DYNA_reset_globals();
}

std::string read_fixture(const std::string& name) {
    std::ifstream in(std::string(KEST_FIXTURE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

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
