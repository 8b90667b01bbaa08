// Design-database benchmark: makes a flattened design of many objects
// with the makers, saves it, and compares opening it again with reading
// the same file with cat, in time and in peak memory.
//
//   sdb_bench [objects] [directory]
//   sdb_bench --make objects file     (only makes the design)
//   sdb_bench --open file             (only opens it, printing the time)
//
// Prints the open/cat time ratio and the peak-memory/file-size ratio of
// the opening process, for the design as saved and for a copy whose
// tables lie one byte further on (tables that lie aligned are used in
// place, the others are copied: one of the two is copied); exits 1 when
// a ratio reaches 3.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/timed.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "sdb/sdb.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Makes the design: classes NAND2, INV and DFF; every object is named
// top.b<block>.u<k> (1000 objects a block) and drives its own net n<i>;
// its inputs take nets of earlier objects, VCC and GND.
void make_design(const std::string& path, int objects) {
    SdbDatabase* db = SDB_open(path.c_str(), "w", 0);
    if (!db) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        qdx_exit(2);
    }
    SDB_setup(db);
    auto sym = [](const std::string& s) { return SYM_setup(sym_tab, s.c_str()); };
    // Net 0 is GND and net 1 is VCC: code that reads designs relies on it.
    int gnd = SDB_make_net(sym("GND"), -1);
    int vcc = SDB_make_net(sym("VCC"), -1);
    SdbPinDef nand_pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                             {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                             {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
    SdbPinDef inv_pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0}, {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
    SdbPinDef dff_pins[] = {{const_cast<char*>("D"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("CK"), SDB_DIR_INPUT, 1},
                            {const_cast<char*>("Q"), SDB_DIR_OUTPUT, 0},
                            {const_cast<char*>("QN"), SDB_DIR_OUTPUT, 0}};
    int nand = SDB_make_class(sym("NAND2"), 1, -1, 0);
    SDB_make_pinlist(nand, 3, nand_pins);
    int inv = SDB_make_class(sym("INV"), 1, -1, 0);
    SDB_make_pinlist(inv, 2, inv_pins);
    int dff = SDB_make_class(sym("DFF"), 1, -1, 0);
    SDB_make_pinlist(dff, 4, dff_pins);

    const int ports = 64;
    std::vector<int> in_nets;
    for (int i = 0; i < ports; ++i) {
        std::string name = "in" + std::to_string(i);
        int p = SDB_make_port(sym(name), SDB_DIR_INPUT, -1, 0);
        int n = SDB_make_net(sym(name), -1);
        SDB_make_node(-1, p, n);
        SDB_make_port_list(port_tab[p].name);
        in_nets.push_back(n);
    }
    int top = PREFIX_add(&prefix_tab, sym("top"), -1, -6);
    int block = -1;
    std::vector<int> out_net(static_cast<size_t>(objects));
    uint32_t seed = 12345;
    auto rnd = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (int i = 0; i < objects; ++i) {
        if (i % 1000 == 0) block = PREFIX_add(&prefix_tab, sym("b" + std::to_string(i / 1000)), top, -6);
        int cls = i % 10 == 9 ? dff : i % 4 == 3 ? inv : nand;
        int e = PREFIX_add(&prefix_tab, sym("u" + std::to_string(i % 1000)), block, SDB_OWNER_OBJECT + obj_count);
        int o = SDB_make_obj(sdb_prefix_word(e), cls, 0, -1);
        int f = obj_tab[o].first_node;
        auto input = [&](int node) {
            uint32_t pick = rnd(16);
            int net = pick == 0 ? vcc
                      : pick == 1 ? gnd
                      : i < 16 || pick == 2 ? in_nets[rnd(ports)]
                                            : out_net[static_cast<size_t>(i - 1 - static_cast<int>(rnd(std::min(i, 5000))))];
            SDB_nl_connect_net(net, node);
        };
        int out = SDB_make_net(sym("n" + std::to_string(i)), -1);
        out_net[static_cast<size_t>(i)] = out;
        if (cls == nand) {
            input(f);
            input(f + 1);
            SDB_nl_connect_net(out, f + 2);
        } else if (cls == inv) {
            input(f);
            SDB_nl_connect_net(out, f + 1);
        } else {
            input(f);
            input(f + 1);
            SDB_nl_connect_net(out, f + 2);
        }
    }
    for (int i = 0; i < ports; ++i) {
        std::string name = "out" + std::to_string(i);
        int p = SDB_make_port(sym(name), SDB_DIR_OUTPUT, -1, 0);
        SDB_make_node(-1, p, out_net[static_cast<size_t>(objects - 1 - i)]);
        SDB_make_port_list(port_tab[p].name);
    }
    if (SDB_save(db) != 0) {
        std::fprintf(stderr, "cannot save %s\n", path.c_str());
        qdx_exit(2);
    }
    SDB_close(db, 0);
}

// The same design with a platform byte (13, little-endian) in front, so
// that every table lies one byte further on: where the tables of the
// design lie aligned for use in place, those of this copy do not.
bool write_shifted(const std::string& from, const std::string& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::vector<char> bytes(static_cast<size_t>(fs::file_size(from)));
    const bool read = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
    std::fclose(in);
    if (!read) return false;
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        const size_t slot = 12 + 4 * static_cast<size_t>(3 + 5 * k);
        uint32_t count, offset;
        std::memcpy(&count, bytes.data() + slot + 4, 4);
        std::memcpy(&offset, bytes.data() + slot + 16, 4);
        if (count > 0) offset += 1;
        std::memcpy(bytes.data() + slot + 16, &offset, 4);
    }
    std::FILE* out = std::fopen(to.c_str(), "wb");
    if (!out) return false;
    const char platform = 13;
    bool ok = std::fwrite(&platform, 1, 1, out) == 1 && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

struct RunStats {
    double wall = 0;   // seconds from spawn to exit
    long maxrss = 0;   // kilobytes
    std::string out;
};

// Runs a program with an argument vector, its standard output captured
// (or sent to /dev/null).
RunStats run(const std::vector<std::string>& args, bool capture) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2] = {-1, -1};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (capture) {
        if (pipe(fds) != 0) qdx_exit(2);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
    } else {
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    }
    RunStats r;
    auto t0 = Clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        qdx_exit(2);
    }
    posix_spawn_file_actions_destroy(&fa);
    if (capture) {
        close(fds[1]);
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
        close(fds[0]);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    r.wall = seconds_since(t0);
    r.maxrss = ru.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", argv[0]);
        qdx_exit(2);
    }
    return r;
}

// The opening process: opens the design and reports the time it took.
int open_only(const char* path) {
    auto t0 = Clock::now();
    SdbDatabase* db = SDB_open(path, "r", 0);
    double t = seconds_since(t0);
    if (!db) return 1;
    std::printf("%.6f %d %d %d %s\n", t, db->slot[SDB_OBJ].count, db->slot[SDB_NET].count, db->slot[SDB_NODE].count,
                DYNA_is_mapped(db->slot[SDB_NODE].data) ? "in place" : "copied");
    std::fflush(stdout);
    // The process ends here: freeing is not part of opening.
    qdx_exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0) return open_only(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--make") == 0) {
        make_design(argv[3], std::max(1, std::atoi(argv[2])));
        return 0;
    }
    int objects = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (objects < 1) objects = 1;
    bool own_dir = false;
    const fs::path dir = bench_directory(argc, argv, 2, "sdb_bench", own_dir);
    fs::create_directories(dir);
    std::string path = (dir / "bench.sdb").string();

    auto t0 = Clock::now();
    make_design(path, objects);
    double make_time = seconds_since(t0);
    double file_size = static_cast<double>(fs::file_size(path));
    std::string self = fs::read_symlink("/proc/self/exe").string();

    const std::string shifted = (dir / "bench_shifted.sdb").string();
    if (!write_shifted(path, shifted)) {
        std::fprintf(stderr, "cannot write %s\n", shifted.c_str());
        qdx_exit(2);
    }
    std::printf("objects %d, file %.1f MB, made and saved in %.2f s\n", objects, file_size / 1e6, make_time);

    // Both read the file from the page cache: the design was just written,
    // and the first cat warms it in any case.  Best of five each.
    bool pass = true;
    for (const std::string& p : {path, shifted}) {
        run({"cat", p}, false);
        double cat_best = 1e9, open_best = 1e9, open_proc_best = 1e9;
        long rss_max = 0;
        std::string counts;
        for (int i = 0; i < 5; ++i) {
            cat_best = std::min(cat_best, run({"cat", p}, false).wall);
            RunStats o = run({self, "--open", p}, true);
            double inner = std::atof(o.out.c_str());
            open_best = std::min(open_best, inner);
            open_proc_best = std::min(open_proc_best, o.wall);
            rss_max = std::max(rss_max, o.maxrss);
            counts = o.out.substr(o.out.find(' ') + 1);
        }
        double time_ratio = open_best / cat_best;
        double mem_ratio = static_cast<double>(rss_max) * 1024.0 / file_size;
        std::printf("%s:\n", fs::path(p).filename().c_str());
        std::printf("  opened: objects nets nodes %s", counts.c_str());
        std::printf("  cat: %.1f ms   open: %.1f ms (whole process %.1f ms)\n", cat_best * 1e3, open_best * 1e3,
                    open_proc_best * 1e3);
        std::printf("  open/cat time ratio: %.2f (limit 3)\n", time_ratio);
        std::printf("  peak memory/file size ratio: %.2f (peak %.1f MB, limit 3)\n", mem_ratio, rss_max / 1024.0);
        pass = pass && time_ratio < 3 && mem_ratio < 3;
    }
    std::error_code ec;
    if (own_dir)
        fs::remove_all(dir, ec);
    else
        fs::remove(path, ec), fs::remove(shifted, ec), fs::remove(dir / "bench.asn", ec),
            fs::remove(dir / "bench_shifted.asn", ec);
    return pass ? 0 : 1;
}
