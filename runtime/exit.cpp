// The runtime's exit: flush both streams, then end the process (or throw in
// the fuzz build).
#include "runtime/exit.h"

#include <cstdio>
#include <cstdlib>

void qdx_exit(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef KEST_FUZZ
    throw QdxExit{status};
#else
    std::exit(status);
#endif
}
