// The scanner of the scan-language files: every token to the end.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scanlang/front/ast.h"
#include "scanlang/front/front.h"
#include "scanlang/front/scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::run([&] {
        ScanScanner s;
        s.start_text(std::string(reinterpret_cast<const char*>(data), size));
        ScanValue v{};
        // Every token takes at least one byte; a scanner that stops
        // moving is a fault.
        for (size_t n = 0; s.lex(&v) != 0; ++n) {
            if (v.node) SCAN_FREE_AST(v.node);
            v.node = nullptr;
            if (n > size + 1) __builtin_trap();
        }
    });
    return 0;
}
