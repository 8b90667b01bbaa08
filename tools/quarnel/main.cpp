// quarnel: writes a design database as a Verilog or VHDL netlist.
//
//     quarnel (-verilog | -vhdl) [-hierarchy] -o FILE DESIGN[.sdb] [-add_path DIRS]...
//
// DESIGN is read as named, else looked for in the -add_path directories
// and then along the search path.  With -hierarchy every module below it
// that has a design database is written too (each once, lower modules
// first); library cells and modules without a database are only
// instantiated.  Masters are looked for beside DESIGN, in the -add_path
// directories (':'- or blank-separated lists) and along the search path.
// The top module is written under the module name its design records.
// FILE is written whole or not at all.

#include <sys/stat.h>

#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "runtime/process.h"
#include "sdb/sdb.h"
#include "tools/common/netdb.h"
#include "tools/common/tool.h"
#include "tools/quarnel/writer.h"

namespace {

using ntool::Design;

const char* const kUsage =
    "usage: quarnel (-verilog | -vhdl) [-hierarchy] -o FILE DESIGN[.sdb] [-add_path DIRS]\n"
    "  -verilog     write a structural Verilog netlist\n"
    "  -vhdl        write a structural VHDL netlist\n"
    "  -hierarchy   write every module below DESIGN that has a design database\n"
    "  -o FILE      the netlist file\n"
    "  -add_path D  look for designs in the directories D (':' or blank separated)\n";

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void split_dirs(const std::string& text, std::vector<std::string>& out) {
    const char sep = text.find(':') != std::string::npos ? ':' : ' ';
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(sep, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool exists(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Collects the modules to write, lower ones first.
class Hierarchy {
public:
    Hierarchy(ntool::ToolRun& run, std::vector<std::string> dirs, bool whole)
        : run_(run), dirs_(std::move(dirs)), whole_(whole) {}

    void visit(const Design& d, const std::string& name) {
        if (whole_) {
            path_.insert(name);
            for (const ntool::Class& c : d.classes) {
                const Design* m = master(c);
                if (!m || done_.count(c.name)) continue;
                if (path_.count(c.name)) throw Failure("module '" + c.name + "' contains itself (in " + d.path + ")");
                visit(*m, c.name);
            }
            path_.erase(name);
        }
        if (!done_.insert(name).second) throw Failure("two modules to write are named '" + name + "'");
        order_.push_back({&d, name});
    }

    const std::vector<quarnel::ModuleOut>& order() const { return order_; }

private:
    // The design of a module master, or null for a cell.
    const Design* master(const ntool::Class& c) {
        if (c.type != ntool::kTypeDesign) return nullptr;
        auto it = masters_.find(c.name);
        if (it != masters_.end()) return it->second.get();
        std::unique_ptr<Design>& slot = masters_[c.name];
        const std::string path = ntool::find_design(c.name, dirs_);
        if (path.empty()) {
            run_.warn("no design database '" + c.name + ".sdb' was found: '" + c.name +
                      "' is written as a cell of a library");
            return nullptr;
        }
        auto d = std::make_unique<Design>();
        std::string err;
        if (!ntool::read_design(path, *d, err)) throw Failure(err);
        if (d->cell) return nullptr;
        slot = std::move(d);
        return slot.get();
    }

    ntool::ToolRun& run_;
    std::vector<std::string> dirs_;
    bool whole_;
    std::unordered_map<std::string, std::unique_ptr<Design>> masters_;
    std::unordered_set<std::string> path_, done_;
    std::vector<quarnel::ModuleOut> order_;
};

}  // namespace

int main(int argc, char** argv) {
    ntool::return_large_blocks();
    ntool::ToolRun run("quarnel");
    int language = 0;  // 1 Verilog, 2 VHDL
    bool hierarchy = false;
    std::string output, name;
    std::vector<std::string> add_dirs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) run.usage("quarnel: " + a + " needs an argument\n" + kUsage);
            return argv[++i];
        };
        if (a == "-verilog" || a == "-vhdl") {
            const int l = a == "-verilog" ? 1 : 2;
            if (language && language != l)
                run.usage(std::string("quarnel: -verilog and -vhdl exclude each other\n") + kUsage);
            language = l;
        } else if (a == "-hierarchy") {
            hierarchy = true;
        } else if (a == "-o") {
            output = value();
        } else if (a == "-add_path") {
            split_dirs(value(), add_dirs);
        } else if (a == "-h" || a == "-help" || a == "--help") {
            run.usage(kUsage);
        } else if (!a.empty() && a[0] == '-') {
            run.usage("quarnel: unknown option " + a + "\n" + kUsage);
        } else if (name.empty()) {
            name = a;
        } else {
            run.usage("quarnel: more than one design named\n" + std::string(kUsage));
        }
    }
    if (!language) run.usage(std::string("quarnel: name -verilog or -vhdl\n") + kUsage);
    if (output.empty()) run.usage(std::string("quarnel: no output file (-o)\n") + kUsage);
    if (name.empty()) run.usage(std::string("quarnel: no design named\n") + kUsage);

    SDB_start_load_def();
    try {
        std::string path = sdb_file_name(name);
        if (!exists(path) && name.find('/') == std::string::npos) {
            const std::string found = ntool::find_design(ntool::base_name(path), add_dirs);
            if (!found.empty()) path = found;
        }
        Design top;
        std::string err;
        if (!ntool::read_design(path, top, err)) throw Failure(err);
        std::vector<std::string> dirs{ntool::directory_of(path)};
        dirs.insert(dirs.end(), add_dirs.begin(), add_dirs.end());
        Hierarchy h(run, dirs, hierarchy);
        h.visit(top, top.module);
        AtomicFile out(output);
        if (!out.open("w")) throw Failure("cannot create '" + output + "': " + out.why());
        const std::string head = std::string(language == 1 ? "// " : "-- ") + "Netlist of module " + top.module +
                                 " written by quarnel from " + ntool::base_name(path) + ".sdb\n\n";
        std::fwrite(head.data(), 1, head.size(), out.stream());
        if (language == 1)
            quarnel::write_verilog(out.stream(), h.order());
        else
            quarnel::write_vhdl(out.stream(), h.order());
        if (!out.commit()) throw Failure("cannot write '" + output + "': " + out.why());
        run.note("Wrote " + output + " (" + std::to_string(h.order().size()) + " modules)");
    } catch (const Failure& e) {
        run.error(e.what());
        run.finish(1);
    } catch (const std::bad_alloc&) {
        run.error("out of memory");
        run.finish(1);
    }
    run.finish(0);
}
