// The alias file of a design.
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "runtime/str.h"
#include "sdb/sdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemFile file;
    file.set(data, size);
    fuzz::run([&] {
        std::free(asn_file_name);
        asn_file_name = qdx_strdup(file.path().c_str());
        ALIAS_init();
        for (int i = 0; i < alias_net_count; ++i)
            if (alias_net_tab[i].first) ALIAS_search(alias_net_tab[i].first);
    });
    return 0;
}
