// The scan-language parser over every file kind it reads.  DFT (with its
// core sections), map and PSO files are told apart by their content; path
// and lockup-latch files parse under flags of their own, chosen here by a
// first byte of 1 (path) or 2 (lockup latches), which is not part of the
// text.  A syntax error ends the parse through the runtime's exit; the
// reset frees what the parse had made, so each input is parsed once.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scanlang/front/front.h"

namespace {

enum Mode : uint8_t { CONTENT = 0, PATH_FILE = 1, LOCKUP_FILE = 2 };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Mode mode = CONTENT;
    if (size > 0 && (data[0] == PATH_FILE || data[0] == LOCKUP_FILE)) {
        mode = static_cast<Mode>(data[0]);
        ++data;
        --size;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::run_once([&] {
        in_file_name = "fuzz.dft";
        scan_lang_Option_type = 2;
        make_keyword_hash();
        initial_parser();
        scan_new_comment_tab();
        parse_path_fileG = mode == PATH_FILE;
        sl_lockup_latch_flag = mode == LOCKUP_FILE;
        ScanScanner scanner;
        scanner.start_text(text);
        scan_yyparse(&scanner);
    });
    return 0;
}
