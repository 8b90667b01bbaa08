// sdbdump: prints the connectivity of a design database one record a
// line, in an order that depends only on the names, so that two designs
// with the same connectivity print the same text.
//
//     sdbdump DESIGN[.sdb]
//
//     design <module> DESIGN|CELL
//     port <name> <direction> <net> [three-state]
//     class <name> <type> <pin>:<direction> ...
//     inst <name> <class> <pin>=<net> ...
//     net <name> <endpoint> ...        endpoints: <inst>{<pin>} or port:<name>
//     alias <name> <net>
//
// Each kind is sorted by name; a pin or port on no net shows "-".

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sdb/sdb.h"
#include "tools/common/netdb.h"
#include "tools/common/tool.h"

namespace {

std::string type_name(int type) {
    if (type == ntool::kTypeDesign) return ntool::kTypeDesignName;
    if (type == ntool::kTypeCell) return ntool::kTypeCellName;
    return "type" + std::to_string(type);
}

}  // namespace

int main(int argc, char** argv) {
    ntool::ToolRun run("sdbdump");
    if (argc != 2 || argv[1][0] == '-') run.usage("usage: sdbdump DESIGN[.sdb]\n");
    const std::string path = sdb_file_name(argv[1]);
    SDB_start_load_def();
    ntool::Design d;
    std::string err;
    if (!ntool::read_design(path, d, err)) {
        run.error(err);
        run.finish(1);
    }
    auto net = [&](int n) -> std::string {
        static const std::string none = "-";
        return n >= 0 && static_cast<std::size_t>(n) < d.nets.size() && d.net_live[static_cast<std::size_t>(n)]
                   ? std::string(d.nets[static_cast<std::size_t>(n)])
                   : none;
    };
    std::vector<std::string> lines;
    std::string out = "design " + d.module + " " + (d.cell ? ntool::kTypeCellName : ntool::kTypeDesignName) + "\n";

    std::vector<std::vector<std::string>> ends(d.nets.size());
    for (const ntool::Port& p : d.ports) {
        lines.push_back("port " + p.name + " " + ntool::direction_name(p.dir) + " " + net(p.net) +
                        (p.flags & ntool::kPortThreeState ? " three-state" : ""));
        if (p.net >= 0) ends[static_cast<std::size_t>(p.net)].push_back("port:" + p.name);
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) out += l + "\n";
    lines.clear();

    for (const ntool::Class& c : d.classes) {
        std::string l = "class " + c.name + " " + type_name(c.type);
        for (const ntool::Pin& p : c.pins) l += " " + p.name + ":" + ntool::direction_name(p.dir);
        lines.push_back(std::move(l));
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) out += l + "\n";
    lines.clear();

    for (const ntool::Object& o : d.objects) {
        const ntool::Class& c = d.classes[static_cast<std::size_t>(o.cls)];
        std::string l = "inst " + std::string(o.name) + " " + c.name;
        for (std::size_t k = 0; k < c.pins.size(); ++k) {
            const int n = d.conns[o.first + k];
            l += " " + c.pins[k].name + "=" + net(n);
            if (n >= 0) ends[static_cast<std::size_t>(n)].push_back(std::string(o.name) + "{" + c.pins[k].name + "}");
        }
        lines.push_back(std::move(l));
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) out += l + "\n";
    lines.clear();

    for (std::size_t n = 0; n < d.nets.size(); ++n) {
        if (!d.net_live[n]) continue;
        std::sort(ends[n].begin(), ends[n].end());
        std::string l = "net " + std::string(d.nets[n]);
        for (const std::string& e : ends[n]) l += " " + e;
        lines.push_back(std::move(l));
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) out += l + "\n";
    lines.clear();

    for (const auto& [a, b] : d.aliases) lines.push_back("alias " + a + " " + b);
    std::sort(lines.begin(), lines.end());
    for (const std::string& l : lines) out += l + "\n";

    std::fwrite(out.data(), 1, out.size(), stdout);
    run.finish(0);
}
