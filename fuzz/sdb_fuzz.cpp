// The design-database reader on a file image in memory: the open with
// its checks, then every object and net name and a look-up of each, as
// the netlist tools read a design.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "sdb/sdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::run([&] {
        SdbDatabase* db = SDB_open_memory(data, size, "fuzz.sdb", 0);
        if (!db) return;
        SDB_setup(db);
        std::vector<std::string> names;
        for (int o = 0; o < obj_count; ++o)
            if (const char* n = SDB_obj_name(db, o)) names.emplace_back(n);
        for (int n = 0; n < net_count; ++n)
            if (const char* t = SDB_net_name(db, n)) names.emplace_back(t);
        for (const std::string& n : names) {
            SDB_lookup_obj(n.c_str());
            SDB_lookup_net(n.c_str());
        }
        SDB_is_empty(db);
        SDB_close(db, 0);
    });
    return 0;
}
