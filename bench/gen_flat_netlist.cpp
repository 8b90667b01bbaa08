// Writes the flat benchmark netlist: cells.v and net.v in a directory.
//
//   gen_flat_netlist [instances] [directory]     (1000000 and "." by default)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/flat_netlist.h"
#include "runtime/exit.h"

int main(int argc, char** argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::string dir = argc > 2 ? argv[2] : ".";
    if (n < 0 || !flatnet::write_flat_netlist(dir, n)) {
        std::fprintf(stderr, "gen_flat_netlist: cannot write the netlist into %s\n", dir.c_str());
        qdx_exit(1);
    }
    std::printf("wrote %s/cells.v and %s/net.v (%ld instances)\n", dir.c_str(), dir.c_str(), n);
    qdx_exit(0);
}
