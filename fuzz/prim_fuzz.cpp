// The primitive definitions.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sdb/prim.h"
#include "sdb/sdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemFile file;
    file.set(data, size);
    fuzz::run([&] { SDB_load_primitives(file.path().c_str()); });
    return 0;
}
