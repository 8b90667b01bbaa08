// tessick: compiles structural Verilog into design databases, one ".sdb"
// file per module.
//
//     tessick [-lib FILE]... [FILE]... [-incdir DIR]... [-opath DIR]
//
// Files named after -lib hold library cells: only the header and the port
// declarations of each module are read, so behavioural models and
// port-only modules compile; an output that the model leaves floating at
// times is marked three-state in the cell's design (its port flags).  The other files are gate-level netlists.
// Compiler directives are run in both (`define, `ifdef, `include ...);
// an included file is looked for beside the file that includes it, then
// in the -incdir directories in order.
// Masters that none of the files defines are taken from their design
// databases "<name>.sdb", looked for in DIR and then along the search
// path.  Every module read is written as DIR/<module>.sdb (DIR "." by
// default), after all files were read and checked.  The lines printed
// are also written to "<base>.tessick.log" in the working directory, base
// being the first file's name without directory and extension.

#include <malloc.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "sdb/sdb.h"
#include "tools/common/names.h"
#include "tools/common/netdb.h"
#include "tools/common/tool.h"
#include "tools/verilog/netlist.h"

namespace {

using ntool::DesignBuilder;

const char* const kUsage =
    "usage: tessick [-lib FILE]... [FILE]... [-incdir DIR]... [-opath DIR]\n"
    "  -lib FILE   read FILE as library cells (ports only)\n"
    "  -incdir DIR look for `include files in DIR too\n"
    "  -opath DIR  write the design databases into DIR (default .)\n";

struct Input {
    std::string path;
    bool library;
};

int sdb_direction(vlog::Dir d) {
    switch (d) {
        case vlog::Dir::Input: return ntool::kDirInput;
        case vlog::Dir::Output: return ntool::kDirOutput;
        case vlog::Dir::Inout: return ntool::kDirBidir;
    }
    return ntool::kDirBidir;
}

vlog::Dir verilog_direction(int d) {
    switch (d & 3) {
        case ntool::kDirInput: return vlog::Dir::Input;
        case ntool::kDirOutput: return vlog::Dir::Output;
        default: return vlog::Dir::Inout;
    }
}

// A master known only from its design database, as a port-only module.
vlog::Module module_from_design(vlog::Design& d, const std::string& name, const ntool::Design& db) {
    vlog::Module m;
    m.name = d.names.intern(name);
    d.files.push_back(db.path);
    m.file = static_cast<std::uint32_t>(d.files.size() - 1);
    m.line = 0;
    m.is_cell = db.cell;
    std::vector<std::string_view> names;
    for (const ntool::Port& p : db.ports) names.push_back(p.name);
    const auto groups =
        ntool::group_bits(names, [&](std::size_t a, std::size_t b) { return db.ports[a].dir == db.ports[b].dir; });
    for (const ntool::BitGroup& g : groups) {
        vlog::Port p{};
        p.name = d.names.intern(g.base);
        p.dir = verilog_direction(db.ports[g.first].dir);
        p.is_bus = g.bus;
        p.msb = g.msb;
        p.lsb = g.lsb;
        p.first_bit = static_cast<std::uint32_t>(m.port_bits.size());
        p.width = static_cast<std::uint32_t>(g.count);
        p.line = 0;
        for (std::size_t k = 0; k < g.count; ++k) {
            m.port_bits.push_back(static_cast<std::uint32_t>(m.nets.size()));
            m.nets.push_back({d.names.intern(names[g.first + k]), vlog::NetKind::Wire});
        }
        m.ports.push_back(p);
    }
    return m;
}

// Adds the masters that the files instantiate but do not define, from
// their design databases.
void add_outside_masters(vlog::Design& d, const std::string& opath, ntool::ToolRun& run) {
    std::vector<vlog::Id> wanted;
    // Module and instance of each master's first use, by index: adding
    // modules moves them.
    std::vector<std::pair<std::size_t, std::size_t>> first_use;
    vlog::IdMap seen;
    for (std::size_t mi = 0; mi < d.modules.size(); ++mi) {
        const vlog::Module& m = d.modules[mi];
        for (std::size_t ii = 0; ii < m.instances.size(); ++ii) {
            const vlog::Instance& i = m.instances[ii];
            if (i.master_index >= 0 || d.find_module(i.master) >= 0) continue;
            if (seen.insert(i.master, static_cast<std::uint32_t>(wanted.size())).second) {
                wanted.push_back(i.master);
                first_use.emplace_back(mi, ii);
            }
        }
    }
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        const std::string name(d.names.str(wanted[k]));
        const std::string path = ntool::find_design(name, {opath});
        const vlog::Module& user = d.modules[first_use[k].first];
        const vlog::Instance& inst = user.instances[first_use[k].second];
        if (path.empty()) {
            throw vlog::Error(d.where(user, inst.line) + ": error: module '" + name + "' of instance '" +
                              std::string(d.names.str(inst.name)) + "' is not defined, and no design database '" +
                              name + ".sdb' was found");
        }
        ntool::Design db;
        std::string err;
        if (!ntool::read_design(path, db, err)) throw vlog::Error(d.where(user, inst.line) + ": error: " + err);
        run.note("Taking module " + name + " from " + path);
        d.add_module(module_from_design(d, name, db));
    }
}

// Makes the design database of one module.
// Frees what x holds (clear() would keep its storage).
template <class T>
void release(T& x) {
    T().swap(x);
}

// Keeps the nets of a module's ports only, each once, in the order the
// ports first name them: once a module is compiled, the modules that
// instantiate it look at its ports and their nets, not at its other nets.
void keep_port_nets(vlog::Module& m) {
    vlog::PodArray<vlog::Net> kept;
    {
        std::vector<std::uint32_t> place(m.nets.size(), UINT32_MAX);
        for (std::uint32_t& bit : m.port_bits) {
            if (place[bit] == UINT32_MAX) {
                place[bit] = static_cast<std::uint32_t>(kept.size());
                kept.push_back(m.nets[bit]);
            }
            bit = place[bit];
        }
    }
    m.nets.swap(kept);
}

class ModuleCompiler {
public:
    explicit ModuleCompiler(const vlog::Design& d)
        : d_(d),
          handle_(d.names.size(), -1),
          gnd_(d.names.find(ntool::kGndName)),
          vcc_(d.names.find(ntool::kVccName)),
          gnd_rename_(free_name(d, ntool::kGndName)),
          vcc_rename_(free_name(d, ntool::kVccName)) {}

    // The checks of compile() that can fail, made before anything is
    // written; warns through run about nets renamed.
    void check(const vlog::Module& m, ntool::ToolRun& run) {
        merge_nets(m);
        for (std::uint32_t i = 0; i < m.nets.size(); ++i) {
            const std::string_view to = renamed(m, i);
            if (to.empty()) continue;
            run.warn(d_.where(m, m.line) + ": warning: net '" + std::string(d_.names.str(m.nets[i].name)) +
                     "' is not the constant net of that name: it is named '" + std::string(to) +
                     "' in the design database");
        }
    }

    void compile(const vlog::Module& m, DesignBuilder& b) {
        b_ = &b;
        // Every net and instance has a name of its own, and every pin bit
        // a connection.
        b.reserve(m.nets.size() + m.instances.size(), m.nets.size(), m.instances.size(), m.conns.size());
        if (handle_.size() < d_.names.size()) handle_.resize(d_.names.size(), -1);
        // Most names a module uses are its nets' and instances' own.
        touched_.reserve(m.nets.size() + m.instances.size());
        merge_nets(m);
        make_nets(m);
        make_ports(m);
        make_objects(m);
        b.set_property(ntool::kPropModule, d_.names.str(m.name));
        b.set_property(ntool::kPropType, m.is_cell ? ntool::kTypeCellName : ntool::kTypeDesignName);
        // The builder holds the module now: the tables made for it go
        // before its database is written (for a large module they are
        // as large as its nets and names).
        for (vlog::Id id : touched_) handle_[id] = -1;
        release(touched_);
        release(parent_);
        release(is_port_);
        release(driven_);
        release(flat_);
        release(nets_);
    }

private:
    static constexpr std::uint32_t kGnd = 0, kVcc = 1, kFirst = 2;

    // "<base>_<k>" for the smallest k from 1 that names nothing read.
    static std::string free_name(const vlog::Design& d, const std::string& base) {
        for (unsigned k = 1;; ++k) {
            std::string name = base + "_" + std::to_string(k);
            if (d.names.find(name) == vlog::kNoId) return name;
        }
    }

    // The design database keeps the names GND and VCC for its constant
    // nets: a net of the module named so that is not that constant (a
    // wire the module drives itself) takes a name of its own instead.
    // "" when net i keeps its name.
    std::string_view renamed(const vlog::Module& m, std::uint32_t i) {
        const vlog::Id name = m.nets[i].name;
        if (name == gnd_ && gnd_ != vlog::kNoId && find(i + kFirst) != kGnd) return gnd_rename_;
        if (name == vcc_ && vcc_ != vlog::kNoId && find(i + kFirst) != kVcc) return vcc_rename_;
        return {};
    }

    // The name net i has in the design database.
    std::string net_name(const vlog::Module& m, std::uint32_t i) {
        const std::string_view to = renamed(m, i);
        return std::string(to.empty() ? d_.names.str(m.nets[i].name) : to);
    }

    std::int32_t h(vlog::Id id) {
        std::int32_t& v = handle_[id];
        if (v < 0) {
            v = b_->kept_name(d_.names.c_str(id));
            touched_.push_back(id);
        }
        return v;
    }

    std::uint32_t find(std::uint32_t x) {
        while (parent_[x] != x) {
            parent_[x] = parent_[parent_[x]];
            x = parent_[x];
        }
        return x;
    }

    // Joins the nets of an assignment lhs = rhs.  The name that stays is
    // a constant's, else a port's, else the right-hand side's.
    void unite(const vlog::Module& m, std::uint32_t lhs, std::uint32_t rhs, std::uint32_t line) {
        std::uint32_t a = find(lhs), b = find(rhs);
        if (a == b) return;
        if (a < kFirst && b < kFirst) {
            throw vlog::Error(d_.where(m, line) + ": error: this assignment joins the constants 0 and 1");
        }
        std::uint32_t keep = b, gone = a;
        if (a < kFirst || (b >= kFirst && is_port_[a] && !is_port_[b])) std::swap(keep, gone);
        parent_[gone] = keep;
        is_port_[keep] = is_port_[keep] || is_port_[gone];
    }

    // driven_[i]: net i is named GND or VCC and the module drives it, from
    // an output or inout pin of an instance of a known master or from an
    // assignment of one of its nets.  Such a net is not the constant.
    void mark_driven_constant_names(const vlog::Module& m) {
        driven_.assign(m.nets.size(), false);
        if (gnd_ == vlog::kNoId && vcc_ == vlog::kNoId) return;
        auto named = [&](vlog::Conn c) {
            return c >= 0 && (m.nets[static_cast<std::uint32_t>(c)].name == gnd_ ||
                              m.nets[static_cast<std::uint32_t>(c)].name == vcc_);
        };
        for (const vlog::Assign& a : m.assigns)
            if (a.rhs >= 0 && named(a.lhs)) driven_[static_cast<std::uint32_t>(a.lhs)] = true;
        for (const vlog::Instance& inst : m.instances) {
            if (inst.master_index < 0) continue;
            const vlog::Module& master = d_.modules[static_cast<std::size_t>(inst.master_index)];
            const std::span<const vlog::Conn> conns = m.instance_conns(inst);
            for (const vlog::Port& port : master.ports) {
                if (port.dir == vlog::Dir::Input) continue;
                for (std::uint32_t b = 0; b < port.width && port.first_bit + b < conns.size(); ++b) {
                    const vlog::Conn c = conns[port.first_bit + b];
                    if (named(c)) driven_[static_cast<std::uint32_t>(c)] = true;
                }
            }
        }
    }

    void merge_nets(const vlog::Module& m) {
        const std::size_t n = m.nets.size() + kFirst;
        parent_.resize(n);
        for (std::uint32_t i = 0; i < n; ++i) parent_[i] = i;
        is_port_.assign(n, false);
        for (std::uint32_t bit : m.port_bits) is_port_[bit + kFirst] = true;
        mark_driven_constant_names(m);
        for (std::uint32_t i = 0; i < m.nets.size(); ++i) {
            const vlog::Net& net = m.nets[i];
            // Supply nets other than ports are the constants, and so are
            // nets named GND and VCC (the names the design database keeps
            // for them), unless the module drives such a net itself.
            const bool gnd_name = net.name == gnd_ && !driven_[i];
            const bool vcc_name = net.name == vcc_ && !driven_[i];
            if (gnd_name || (net.kind == vlog::NetKind::Supply0 && !is_port_[i + kFirst])) {
                unite(m, i + kFirst, kGnd, m.line);
            } else if (vcc_name || (net.kind == vlog::NetKind::Supply1 && !is_port_[i + kFirst])) {
                unite(m, i + kFirst, kVcc, m.line);
            }
        }
        for (const vlog::Assign& a : m.assigns) {
            // An x or z bit drives nothing: the net keeps its other
            // drivers, or has none.
            if (a.rhs == vlog::kConstX || a.rhs == vlog::kConstZ) continue;
            const std::uint32_t rhs = a.rhs == vlog::kConst0   ? kGnd
                                      : a.rhs == vlog::kConst1 ? kVcc
                                                               : static_cast<std::uint32_t>(a.rhs) + kFirst;
            unite(m, static_cast<std::uint32_t>(a.lhs) + kFirst, rhs, a.line);
        }
    }

    void make_nets(const vlog::Module& m) {
        flat_.assign(m.nets.size() + kFirst, -1);
        flat_[kGnd] = ntool::kNetGnd;
        flat_[kVcc] = ntool::kNetVcc;
        for (std::uint32_t i = 0; i < m.nets.size(); ++i) {
            if (find(i + kFirst) != i + kFirst) continue;
            const std::string_view to = renamed(m, i);
            flat_[i + kFirst] = b_->add_net(to.empty() ? h(m.nets[i].name) : b_->name(to));
        }
        // Every net merged into another leaves an alias: its name now
        // means the net that stayed.
        for (std::uint32_t i = 0; i < m.nets.size(); ++i) {
            const std::uint32_t r = find(i + kFirst);
            if (r == i + kFirst) continue;
            const std::string to = r == kGnd   ? ntool::kGndName
                                   : r == kVcc ? ntool::kVccName
                                               : net_name(m, r - kFirst);
            b_->add_alias(net_name(m, i), to);
        }
        // Each net now maps straight to the net it became, so that a
        // connection costs one look-up.
        for (std::uint32_t i = 0; i < m.nets.size(); ++i) flat_[i + kFirst] = flat_[find(i + kFirst)];
    }

    std::int32_t net_of(vlog::Conn c) {
        // A pin bit tied to x or z is left unconnected.
        if (c == vlog::kOpen || c == vlog::kConstX || c == vlog::kConstZ) return -1;
        if (c == vlog::kConst0) return flat_[kGnd];
        if (c == vlog::kConst1) return flat_[kVcc];
        return flat_[static_cast<std::uint32_t>(c) + kFirst];
    }

    void make_ports(const vlog::Module& m) {
        for (const vlog::Port& p : m.ports) {
            for (std::uint32_t bit : m.port_nets(p)) {
                const std::int32_t name = h(m.nets[bit].name);
                b_->add_port(name, sdb_direction(p.dir), net_of(static_cast<vlog::Conn>(bit)),
                             p.three_state ? ntool::kPortThreeState : 0);
                b_->add_port_list(name);
            }
        }
    }

    int class_for(int mi) {
        if (class_of_.size() < d_.modules.size()) class_of_.resize(d_.modules.size(), -1);
        int& c = class_of_[static_cast<std::size_t>(mi)];
        if (c >= 0) return c;
        const vlog::Module& master = d_.modules[static_cast<std::size_t>(mi)];
        pins_.clear();
        for (const vlog::Port& p : master.ports)
            for (std::uint32_t bit : master.port_nets(p))
                pins_.emplace_back(h(master.nets[bit].name), sdb_direction(p.dir));
        c = b_->add_class(h(master.name), master.is_cell ? ntool::kTypeCell : ntool::kTypeDesign, pins_);
        used_classes_.push_back(mi);
        return c;
    }

    void make_objects(const vlog::Module& m) {
        for (int mi : used_classes_) class_of_[static_cast<std::size_t>(mi)] = -1;
        used_classes_.clear();
        // The nets a netlist's pins name lie all over the module: each
        // look-up in flat_ would wait for memory.  The entry of the
        // connection kLead places ahead is fetched meanwhile.
        constexpr std::size_t kLead = 64;
        const vlog::Conn* const all = m.conns.data();
        const std::size_t total = m.conns.size();
        for (const vlog::Instance& inst : m.instances) {
            const int cls = class_for(inst.master_index);
            nets_.clear();
            std::size_t k = inst.first;
            for (vlog::Conn c : m.instance_conns(inst)) {
                if (k + kLead < total && all[k + kLead] >= 0)
                    __builtin_prefetch(&flat_[static_cast<std::uint32_t>(all[k + kLead]) + kFirst]);
                ++k;
                nets_.push_back(net_of(c));
            }
            b_->add_object(h(inst.name), cls, nets_.data());
        }
    }

    const vlog::Design& d_;
    DesignBuilder* b_ = nullptr;
    std::vector<std::int32_t> handle_;
    const vlog::Id gnd_, vcc_;  // the names GND and VCC, if read
    const std::string gnd_rename_, vcc_rename_;  // their names when not the constants
    std::vector<vlog::Id> touched_;
    std::vector<std::uint32_t> parent_;
    std::vector<bool> is_port_;
    std::vector<bool> driven_;
    std::vector<std::int32_t> flat_;
    std::vector<int> class_of_;
    std::vector<int> used_classes_;
    std::vector<std::pair<std::int32_t, int>> pins_;
    std::vector<std::int32_t> nets_;
};

bool usable_file_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

}  // namespace

int main(int argc, char** argv) {
    // Blocks of a megabyte or more come straight from the system and go
    // back to it when freed: the reader's tables grow by doubling and are
    // freed in turn, and space freed inside the heap would stay with the
    // process (the allocator's own threshold rises past such blocks).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    ntool::ToolRun run("tessick");
    std::vector<Input> inputs;
    std::vector<std::string> include_dirs;
    std::string opath = ".";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-lib" || a == "-opath" || a == "-incdir") {
            if (i + 1 >= argc) run.usage("tessick: " + a + " needs an argument\n" + kUsage);
            if (a == "-lib")
                inputs.push_back({argv[++i], true});
            else if (a == "-incdir")
                include_dirs.emplace_back(argv[++i]);
            else
                opath = argv[++i];
        } else if (a == "-h" || a == "-help" || a == "--help") {
            run.usage(kUsage);
        } else if (!a.empty() && a[0] == '-') {
            run.usage("tessick: unknown option " + a + "\n" + kUsage);
        } else {
            inputs.push_back({a, false});
        }
    }
    if (inputs.empty()) run.usage(std::string("tessick: no input file\n") + kUsage);

    SDB_start_load_def();
    std::string base = ntool::base_name(inputs.front().path);
    if (base.empty()) base = "tessick";
    const std::string log_path = base + ".tessick.log";
    auto fail = [&](const std::string& msg) {
        run.error(msg);
        run.write_log(log_path);
        run.finish(1);
    };

    struct stat st {};
    if (::stat(opath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        fail("output directory '" + opath + "' does not exist");

    try {
        vlog::Design d;
        d.include_dirs = include_dirs;
        for (const Input& in : inputs) {
            run.note(std::string(in.library ? "Reading library file " : "Reading netlist file ") + in.path);
            d.read_file(in.path, in.library);
        }
        const std::size_t read = d.modules.size();
        if (read == 0) fail("no module in the files read");
        for (std::size_t i = 0; i < read; ++i) {
            const vlog::Module& m = d.modules[i];
            if (!usable_file_name(d.names.str(m.name)))
                throw vlog::Error(d.where(m, m.line) + ": error: module name '" + std::string(d.names.str(m.name)) +
                                  "' cannot name a design file");
        }
        add_outside_masters(d, opath, run);
        d.link();

        // Everything is read and checked before the first file is written.
        auto compiler = std::make_unique<ModuleCompiler>(d);
        // All names are read: their index goes before the databases are
        // built.
        d.names.release_index();
        for (std::size_t i = 0; i < read; ++i) compiler->check(d.modules[i], run);
        for (std::size_t i = 0; i < read; ++i) {
            vlog::Module& m = d.modules[i];
            const std::string name(d.names.str(m.name));
            const std::string path = ntool::join_path(opath, name + ".sdb");
            const bool cell = m.is_cell;
            const std::size_t port_bits = m.port_bits.size();
            const std::size_t instances = m.instances.size();
            // The builder takes the names' texts where the reader put
            // them: they stay until the database is written.
            vlog::NameTable::TextBlocks texts;
            DesignBuilder b;
            compiler->compile(m, b);
            if (i + 1 == read) {
                // The builder holds all the last module needs: the
                // modules read and the names' index go before its
                // database is written (the last module is mostly the
                // largest).
                compiler.reset();
                texts = d.names.take_texts();
                d = vlog::Design();
            } else {
                // The instances of a compiled module are not read again
                // (the modules that instantiate it use its ports and their
                // nets only): they go before its database is written.
                release(m.instances);
                release(m.pins);
                release(m.conns);
                release(m.assigns);
                keep_port_nets(m);
            }
            std::string err;
            if (!b.save(path, err)) fail(err);
            run.note("Wrote " + path + " (" + (cell ? "cell " : "module ") + name + ": " + std::to_string(port_bits) +
                     " port bits, " + std::to_string(instances) + " instances, " + std::to_string(b.net_count()) +
                     " nets)");
        }
    } catch (const vlog::Error& e) {
        fail(e.what());
    } catch (const std::bad_alloc&) {
        fail("out of memory");
    }
    if (std::string why; !run.write_log(log_path, &why)) {
        run.error("cannot write the log file '" + log_path + "': " + why);
        run.finish(1);
    }
    run.finish(0);
}
