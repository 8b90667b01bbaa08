// The scan-language entry with the DFT file writer as its oracle: an input
// is read as a DFT file through scan_interface, written back, and the
// written file read again; the listings of the two objects must be the
// same (the paths of the two files aside), and the written file must read
// at all.  An input the entry refuses is no finding, nor one whose object
// holds no statement the writer can write (the entry refuses a DFT file of
// comments alone).
//
// The input is the file <work>/in/fuzz.dft and is written to
// <work>/out/fuzz.dft.  Both folders hold copies of the side files of the
// fixtures (map, lockup-latch, path and instance files), so inputs that
// name them read them alike.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "fuzz/fuzz_support.h"
#include "scanlang/front/front.h"
#include "scanlang/object/dump.h"
#include "scanlang/object/scan_interface.h"
#include "scanlang/object/write_dft.h"

namespace {

namespace fs = std::filesystem;

struct Work {
    fs::path root, in, out;
};

void remove_work();

const Work& work() {
    static const Work w = [] {
        Work made;
        made.root = fs::temp_directory_path() / ("fuzz_scan_entry." + std::to_string(::getpid()));
        made.in = made.root / "in";
        made.out = made.root / "out";
        fs::create_directories(made.in);
        fs::create_directories(made.out);
        const fs::path fixtures = fs::path(KEST_FIXTURE_DIR) / "scanlang";
        for (const fs::path& dir : {fixtures, fixtures / "round_trip"}) {
            std::error_code ec;
            for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
                if (!e.is_regular_file() || e.path().extension() == ".dft") continue;
                for (const fs::path& to : {made.in, made.out})
                    fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing, ec);
            }
        }
        std::atexit(remove_work);
        return made;
    }();
    return w;
}

void remove_work() {
    std::error_code ec;
    fs::remove_all(work().root, ec);
}

// The listing of the current object, without the path it was read from
// (the line that names it; the same text elsewhere is the input's own).
std::string listing(const fs::path& file) {
    std::string text = SL_object_dump_text();
    const std::string line = "DFT FILE NAME : " + file.string() + "\n";
    if (const std::size_t at = text.find(line); at != std::string::npos)
        text.replace(at, line.size(), "DFT FILE NAME : <file>\n");
    return text;
}

// True when `text` holds a statement: a line whose first word starts
// with "%".
bool has_statement(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t first = text.find_first_not_of(" \t", at);
        if (first != std::string::npos && text[first] == '%') return true;
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return false;
}

[[noreturn]] void finding(const char* what, const std::string& first, const std::string& second) {
    std::fprintf(stderr, "scan_entry: %s\n--- first listing\n%s\n--- second listing\n%s\n", what, first.c_str(),
                 second.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Work& w = work();
    const fs::path input = w.in / "fuzz.dft", output = w.out / "fuzz.dft";
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                    static_cast<std::streamsize>(size));
    fuzz::run([&] {
        // A refusal of the input ends the run here: no finding.
        scan_interface(input.c_str(), 0, "atpg");
        const std::string first = listing(input);
        if (!PRINT_SCAN_OBJECT(output.string(), 1)) finding("the object could not be written", first, "");
        SCANLANG_reset_globals();
        std::string second;
        const int status = fuzz::guarded([&] {
            scan_interface(output.c_str(), 0, "atpg");
            second = listing(output);
        });
        if (status != 0) {
            // An object the writer writes no statement of (its file held
            // only statements the mapping drops) is written as comments
            // alone, which the entry refuses as an empty DFT file.
            if (!has_statement(fuzz::read_file(output.string()))) return;
            finding("the written file is refused", first, "");
        }
        if (second != first) finding("the written file reads back as another object", first, second);
    });
    return 0;
}
