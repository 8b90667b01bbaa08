// The Verilog reader of the netlist tools and its link step, with the
// fixture chip's cell library read first.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "tools/verilog/netlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string cells = fuzz::read_source("examples/cells.v");
    std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzz::run([&] {
        try {
            vlog::Design d;
            d.read_text(cells, "cells.v", true);
            d.read_text(text, "net.v", false);
            d.link();
        } catch (const vlog::Error&) {
        }
    });
    return 0;
}
