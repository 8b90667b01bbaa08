// The definition file read at start-up (key/value entries), looked up
// as the design layer looks up its keys.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "runtime/cmd.h"
#include "runtime/fnm.h"
#include "runtime/rc.h"
#include "sdb/sdb.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemFile file;
    file.set(data, size);
    fuzz::run([&] {
        // The file is found along the search path as "<name><ext>": here
        // the folder of the in-memory file and its number, no extension.
        const std::string& p = file.path();
        const size_t slash = p.rfind('/');
        CMD_init();
        CMD_set_path(p.substr(0, slash).c_str(), static_cast<const char*>(nullptr));
        RC_EXT = "";
        RC_load(p.substr(slash + 1).c_str(), nullptr);
        RC_sget("hier_dot*", ".");
        RC_get("*");
        RC_lget("*");
        RC_iget("*", 0);
        RC_bget("*", 0);
        RC_EXT = ".def";
    });
    RC_EXT = ".def";
    return 0;
}
