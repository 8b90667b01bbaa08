// The primitive definitions.  A refused file leaves nothing behind (the
// loader owns what it made), so each input is read once.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sdb/prim.h"
#include "sdb/sdb.h"

namespace {

// Bus pins ("name[n]") an input may ask for.  The reader's own bounds are
// far above this; inputs above it spend the run on allocation alone.
constexpr uint64_t kPinBudget = 1 << 14;
// Larger buses than this are refused by the reader at once.
constexpr uint64_t kReaderBusLimit = 1 << 20;

// The pins that the "[digits]" of the input ask for together.
uint64_t bus_pins(const uint8_t* data, size_t size) {
    uint64_t total = 0;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '[') continue;
        uint64_t n = 0;
        size_t k = i + 1;
        for (; k < size && k - i <= 10 && data[k] >= '0' && data[k] <= '9'; ++k) n = n * 10 + (data[k] - '0');
        if (k < size && data[k] == ']' && n <= kReaderBusLimit) total += n;
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemFile file;
    if (bus_pins(data, size) > kPinBudget) return 0;
    file.set(data, size);
    fuzz::run_once([&] { SDB_load_primitives(file.path().c_str()); });
    return 0;
}
