#include "tools/plovert/masters.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "runtime/fnm.h"
#include "sdb/sdb.h"

namespace plovert {

namespace {

// Opening a design for a look at its ports must not read or drop the
// alias tables of the design being edited, nor change what the database
// remembers of the design opened last.
class Aside {
public:
    Aside() : task_(which_task), asn_(asn_file_name), objs_(sdb_obj_count), nets_(sdb_net_count) {
        asn_file_name = nullptr;
        which_task = -2;  // no alias file is read or freed
    }
    ~Aside() {
        std::free(asn_file_name);
        asn_file_name = asn_;
        which_task = task_;
        sdb_obj_count = objs_;
        sdb_net_count = nets_;
    }
    Aside(const Aside&) = delete;
    Aside& operator=(const Aside&) = delete;

private:
    int task_;
    char* asn_;
    int objs_, nets_;
};

struct CloseDb {
    void operator()(SdbDatabase* db) const { SDB_close(db, 0); }
};

template <class T>
const T* table(const SdbDatabase* db, int k, int& count) {
    count = db->slot[k].data ? db->slot[k].count : 0;
    return static_cast<const T*>(db->slot[k].data);
}

}  // namespace

std::string find_master(const std::string& name, const std::vector<std::string>& dirs) {
    // A master is a module name, never a path.
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return {};
    const std::string file = name + ".sdb";
    for (const std::string& dir : dirs) {
        const std::string p = dir.empty() || dir == "." ? file : (dir.back() == '/' ? dir + file : dir + "/" + file);
        if (::access(p.c_str(), R_OK) == 0) return p;
    }
    std::unique_ptr<char, decltype(&std::free)> found(FNM_search(file.c_str(), R_OK, FNM_SEARCH_PATH), &std::free);
    return found ? std::string(found.get()) : std::string();
}

bool read_master(const std::string& path, MasterPorts& out, std::string& err) {
    out = MasterPorts{};
    Aside aside;
    std::unique_ptr<SdbDatabase, CloseDb> db(SDB_open(path.c_str(), "r", 0));
    if (!db) {
        err = "cannot read design database '" + path + "'";
        return false;
    }
    const SymbolTable* syms = db->symbols;
    int nport = 0, nxport = 0, nprop = 0;
    const auto* port = table<SdbPort>(db.get(), SDB_PORT, nport);
    const auto* xport = table<std::int32_t>(db.get(), SDB_XPOR, nxport);
    const auto* prop = table<std::int32_t>(db.get(), SDB_PROP, nprop);
    auto text = [&](std::int32_t id) -> const char* { return syms ? SYM_get(syms, id) : nullptr; };

    for (int i = 0; i + 1 < nprop; i += 2) {
        const char* key = text(prop[i]);
        const char* value = text(prop[i + 1]);
        if (key && value && std::strcmp(key, "TYPE") == 0) out.type = std::strcmp(value, "CELL") == 0 ? 1 : 0;
    }

    // The port list gives the order of the module's header; ports it
    // does not name follow in table order.
    std::unordered_map<std::int32_t, std::vector<int>> by_name;
    for (int p = nport; p-- > 0;)
        if (port[p].name != -1) by_name[port[p].name].push_back(p);
    std::vector<bool> placed(static_cast<std::size_t>(nport), false);
    auto take = [&](int p) -> bool {
        const char* name = text(port[p].name);
        if (!name || !*name) {
            err = "design database '" + path + "' holds a port without a name";
            return false;
        }
        out.pins.emplace_back(name, port[p].direction & 3);
        placed[static_cast<std::size_t>(p)] = true;
        return true;
    };
    for (int i = 0; i < nxport; ++i) {
        auto it = by_name.find(xport[i]);
        if (it == by_name.end() || it->second.empty()) continue;
        const int p = it->second.back();
        it->second.pop_back();
        if (!take(p)) return false;
    }
    for (int p = 0; p < nport; ++p)
        if (port[p].name != -1 && !placed[static_cast<std::size_t>(p)] && !take(p)) return false;
    return true;
}

}  // namespace plovert
