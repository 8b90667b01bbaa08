// The BSDL template reader.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bsdl/template.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // fmemopen takes no empty buffer: an empty input is a buffer of one
    // byte read past.
    std::vector<uint8_t> copy(data, data + size);
    copy.push_back(0);
    fuzz::run([&] {
        std::unique_ptr<FILE, int (*)(FILE*)> in(fmemopen(copy.data(), size ? size : 1, "r"), &std::fclose);
        if (!in) return;
        if (size == 0) std::fgetc(in.get());
        std::string entity;
        read_template_file(in.get(), entity);
    });
    return 0;
}
