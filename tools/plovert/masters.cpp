// Masters of added and replaced instances, read for their ports.
#include "tools/plovert/masters.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "sdb/sdb.h"

namespace plovert {

namespace {

struct CloseDb {
    void operator()(SdbDatabase* db) const { SDB_close(db, 0); }
};

template <class T>
const T* table(const SdbDatabase* db, int k, int& count) {
    count = db->slot[k].data ? db->slot[k].count : 0;
    return static_cast<const T*>(db->slot[k].data);
}

}  // namespace

bool read_master(const std::string& path, MasterPorts& out, std::string& err) {
    out = MasterPorts{};
    // A look at the master must leave the edited design as it was (its
    // alias tables and its byte order above all).
    SdbLookAside aside;
    std::unique_ptr<SdbDatabase, CloseDb> db(SDB_open(path.c_str(), "r", 0));
    if (!db) {
        err = "cannot read design database '" + path + "'";
        if (const char* why = SDB_error()) {
            std::string reason = why;
            while (!reason.empty() && reason.back() == '\n') reason.pop_back();
            err += ": " + reason;
        }
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
