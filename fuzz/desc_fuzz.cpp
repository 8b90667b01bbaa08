// The description readers: built three times, as the cell-library reader
// (FUZZ_DESC_LIBRARY), the configuration reader (FUZZ_DESC_CONFIG, with
// the fixture chip's library) and the pin/package reader (FUZZ_DESC_PIN).
// A refused file leaves nothing behind (the reset frees the syntax tree
// and the tables), so each input is read once.
#include <cstdint>
#include <string>

#include "desc/reader.h"
#include "fuzz/fuzz_support.h"

#ifndef KEST_FIXTURE_DIR
#error "KEST_FIXTURE_DIR names tests/fixtures"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemFile file;
    static const std::string chip = std::string(KEST_FIXTURE_DIR) + "/chip/";
    file.set(data, size);
    fuzz::run_once([&] {
        bsdft_init();
#if defined(FUZZ_DESC_LIBRARY)
        // An empty configuration (a regular file: a device is refused).
        static const fuzz::MemFile empty;
        get_bs_dft_file(file.path().c_str(), empty.path().c_str(), 0);
#elif defined(FUZZ_DESC_CONFIG)
        get_bs_dft_file((chip + "chip.lib").c_str(), file.path().c_str(), 0);
#else
        bscan_get_pin_file_info(file.path().c_str());
#endif
    });
    return 0;
}
