// The parts of the alias file that use the directory search path.
#include <cstdlib>
#include <string>

#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "sdb/sdb.h"

int ALIAS_file_name() {
    std::free(asn_file_name);
    asn_file_name = nullptr;
    if (!sdb || !sdb->name) return -1;
    std::string file = std::string(sdb->name) + ".sdb";
    char* found = FNM_search(file.c_str(), 0, FNM_SEARCH_PATH);
    if (!found) return -1;
    std::string p = found;
    std::free(found);
    p.replace(p.size() - 4, 4, ".asn");
    asn_file_name = qdx_strdup(p.c_str());
    return 0;
}

// The current design's alias path is where it was opened; only a
// process without one looks for the design along the search path.
void ALIAS_write() {
    if (!asn_file_name && ALIAS_file_name() != 0) return;
    ALIAS_write_to(asn_file_name);
}
