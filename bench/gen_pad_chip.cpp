// Writes the generated pad-ring chip of bench/pad_chip.h: chip.v and
// chip.pin in a directory, to use with the demo chip's cells.v, chip.bsc
// and chip.lib.
//
//   gen_pad_chip [pads] [directory]     (200 and "." by default)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/pad_chip.h"
#include "runtime/exit.h"
#include "runtime/process.h"

namespace {

bool write_text(const std::string& path, const std::string& text) {
    AtomicFile out(path);
    if (!out.open("wb")) return false;
    std::fwrite(text.data(), 1, text.size(), out.stream());
    return out.commit();
}

}  // namespace

int main(int argc, char** argv) {
    const int pads = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string dir = argc > 2 ? argv[2] : ".";
    if (pads <= 0 || !write_text(dir + "/chip.v", padchip::chip_verilog(pads)) ||
        !write_text(dir + "/chip.pin", padchip::pin_file(pads))) {
        std::fprintf(stderr, "gen_pad_chip: cannot write the chip into %s\n", dir.c_str());
        qdx_exit(1);
    }
    std::printf("wrote %s/chip.v and %s/chip.pin (%d pads)\n", dir.c_str(), dir.c_str(), (pads + 3) / 4 * 4);
    qdx_exit(0);
}
