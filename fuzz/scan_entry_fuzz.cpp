// The scan-language entry with the DFT file writer as its oracle.  Each
// input is read as a DFT file through scan_interface as the ATPG tool
// reads it, and, when it lists cores, as the hierarchical flow does, which
// reads the DFT files of the cores too (the two reads differ in nothing
// else).  Every object read is written back, the written top file is read
// again the same way, and every object of that read is written again.
// Findings:
//   - an object the writer cannot write, or a written file without any
//     statement (the entry takes no file without one);
//   - a written file the entry refuses;
//   - a second read of other files, or whose object lists differently;
//   - a second read that prints a line (a warning) the first did not
//     print as often: the folders of the reads and the line numbers
//     aside, a written file draws no warning that its input did not;
//   - a second write that differs from the first: write, read, write is a
//     fixed point, which compares the whole object, not only what its
//     listing shows.
// An input the entry refuses is no finding, nor is one whose cores' files
// lie outside the input's folder (their written copies could not stand
// where the written top file names them).
//
// The input is the file <work>/in/fuzz.dft; the objects are written under
// <work>/out, then under <work>/again.  The input's folder holds copies of
// the side files of the fixtures (map, lockup-latch, path and instance
// files) and of the round-trip fixtures' DFT files, which inputs may name
// as core files; the first written folder holds copies of the side files.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <system_error>

#include "fuzz/fuzz_support.h"
#include "scanlang/front/front.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/dump.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"
#include "scanlang/object/write_dft.h"

namespace {

namespace fs = std::filesystem;

struct Work {
    fs::path root, in, out, again;
};

void remove_work();

const Work& work() {
    static const Work w = [] {
        Work made;
        // In memory where the system offers it: every input writes and
        // reads a dozen files.
        std::error_code in_memory;
        const fs::path base = fs::is_directory("/dev/shm", in_memory) ? fs::path("/dev/shm") : fs::temp_directory_path();
        made.root = base / ("fuzz_scan_entry." + std::to_string(::getpid()));
        made.in = made.root / "in";
        made.out = made.root / "out";
        made.again = made.root / "again";
        for (const fs::path& dir : {made.in, made.out, made.again}) fs::create_directories(dir);
        const fs::path fixtures = fs::path(KEST_FIXTURE_DIR) / "scanlang";
        for (const fs::path& dir : {fixtures, fixtures / "round_trip"}) {
            std::error_code ec;
            for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
                if (!e.is_regular_file()) continue;
                const bool dft = e.path().extension() == ".dft";
                if (dft && dir == fixtures) continue;
                for (const fs::path& to : {made.in, made.out}) {
                    if (dft && to == made.out) continue;
                    fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing, ec);
                }
            }
        }
        return made;
    }();
    // Registered after w is made, so that it runs before w is destroyed.
    static const bool removed_at_exit = std::atexit(remove_work) == 0;
    (void)removed_at_exit;
    return w;
}

void remove_work() {
    std::error_code ec;
    fs::remove_all(work().root, ec);
}

// `text` with its first line that is `line` (the one naming the file read
// or written) as "<file>"; the same path elsewhere is the input's own text.
std::string without(std::string text, const std::string& line) {
    std::size_t at = 0;
    if (text.compare(0, line.size(), line) != 0) {
        at = text.find("\n" + line);
        if (at == std::string::npos) return text;
        ++at;
    }
    text.replace(at, line.size(), "<file>\n");
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

// What a read prints on standard output and standard error, caught in a
// file in memory while the object lives (a refusal that ends the read
// unwinds through it and gives both streams back).
class Printed {
public:
    Printed() : file_(::memfd_create("fuzz-printed", MFD_CLOEXEC)) {
        if (file_ < 0) std::abort();
        std::fflush(stdout);
        std::fflush(stderr);
        saved_out_ = ::dup(1);
        saved_err_ = ::dup(2);
        if (::dup2(file_, 1) < 0 || ::dup2(file_, 2) < 0) std::abort();
    }
    ~Printed() {
        restore();
        ::close(file_);
    }
    Printed(const Printed&) = delete;
    Printed& operator=(const Printed&) = delete;

    // The streams back, and what was printed meanwhile.
    std::string take() {
        restore();
        std::string text;
        char buf[4096];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(file_, buf, sizeof buf, at);
            if (n <= 0) break;
            text.append(buf, static_cast<std::size_t>(n));
            at += n;
        }
        return text;
    }

private:
    void restore() {
        if (saved_out_ < 0) return;
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(saved_out_, 1);
        ::dup2(saved_err_, 2);
        ::close(saved_out_);
        ::close(saved_err_);
        saved_out_ = saved_err_ = -1;
    }
    int file_;
    int saved_out_ = -1, saved_err_ = -1;
};

// The lines a read printed, each with its count: `dir` (the folder of the
// read) as "<dir>" and line numbers as "line-#" (a written file has its
// own).
using Lines = std::map<std::string, int>;

Lines lines_of(std::string text, const fs::path& dir) {
    static const std::regex kLineNumber("line-[0-9]+");
    const std::string folder = dir.string();
    for (std::size_t at; (at = text.find(folder)) != std::string::npos;) text.replace(at, folder.size(), "<dir>");
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) ++lines[std::regex_replace(line, kLineNumber, "line-#")];
    return lines;
}

// The lines of `after` that `before` does not hold as often.
std::string new_lines(const Lines& before, const Lines& after) {
    std::string added;
    for (const auto& [line, count] : after) {
        const auto found = before.find(line);
        if (found == before.end() || found->second < count) added += line + "\n";
    }
    return added;
}

[[noreturn]] void finding(const char* tool, const std::string& what, const std::string& first,
                          const std::string& second) {
    std::fprintf(stderr, "scan_entry (%s): %s\n--- first\n%s\n--- second\n%s\n", tool, what.c_str(), first.c_str(),
                 second.c_str());
    std::abort();
}

// What one object of a read gives: its listing and its written text, the
// folder of the read (and of the write) taken out.
struct Written {
    std::string listing;
    std::string text;
};
// Per file, named relative to the folder of the read.
using Objects = std::map<fs::path, Written>;

// The file of each object read, relative to `dir`; false when a file lies
// outside it.
bool object_files(const fs::path& dir, std::map<DftObject*, fs::path>& files) {
    for (const CoreListEntry& e : SL_CORE_LIST) {
        if (!e.object || files.contains(e.object)) continue;
        const fs::path relative = fs::weakly_canonical(e.object->dft_file_name).lexically_relative(
            fs::weakly_canonical(dir));
        if (relative.empty() || *relative.begin() == "..") return false;
        files[e.object] = relative;
    }
    return true;
}

// Writes every object of the read from `dir` under its file's name into
// `to`; none when a file lies outside `dir`.
std::optional<Objects> write_objects(const char* tool, const fs::path& dir, const fs::path& to) {
    std::map<DftObject*, fs::path> files;
    if (!object_files(dir, files)) return std::nullopt;
    Objects objects;
    for (const auto& [object, relative] : files) {
        DftTreeNode node{object};
        DFT_setup(&node);
        const fs::path file = to / relative;
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        Written w{without(SL_object_dump_text(), "DFT FILE NAME : " + object->dft_file_name + "\n"), ""};
        if (!PRINT_SCAN_OBJECT(file.string(), 1)) finding(tool, "the object could not be written", w.listing, "");
        w.text = without(fuzz::read_file(file.string()), "// File : " + file.string() + "\n");
        if (!has_statement(w.text)) finding(tool, "the written file holds no statement", w.listing, w.text);
        objects[relative] = std::move(w);
    }
    DFT_setup(SL_TOP_DFT_TREE);
    return objects;
}

// One round trip of the input read with `tool`; `lists_cores` tells
// whether the first read listed cores.
void round_trip(const char* tool, bool& lists_cores) {
    const Work& w = work();
    // A refusal of the input ends the run here: no finding.
    Lines printed_first;
    {
        Printed printed;
        scan_interface((w.in / "fuzz.dft").c_str(), 0, tool);
        printed_first = lines_of(printed.take(), w.in);
    }
    lists_cores = SL_CORE_LIST.size() > 1;
    const std::optional<Objects> first = write_objects(tool, w.in, w.out);
    if (!first) return;
    SCANLANG_reset_globals();
    std::optional<Objects> second;
    Lines printed_second;
    const int status = fuzz::guarded([&] {
        {
            Printed printed;
            scan_interface((w.out / "fuzz.dft").c_str(), 0, tool);
            printed_second = lines_of(printed.take(), w.out);
        }
        second = write_objects(tool, w.out, w.again);
    });
    if (status != 0) finding(tool, "the written file is refused", first->at("fuzz.dft").text, "");
    if (const std::string added = new_lines(printed_first, printed_second); !added.empty())
        finding(tool, "the written file draws warnings its input did not", first->at("fuzz.dft").text, added);
    if (!second || second->size() != first->size())
        finding(tool, "the written files read back as other files", first->at("fuzz.dft").text, "");
    for (const auto& [file, before] : *first) {
        const auto after = second->find(file);
        if (after == second->end()) finding(tool, file.string() + " is not read back", before.text, "");
        if (after->second.listing != before.listing)
            finding(tool, file.string() + " reads back as another object", before.listing, after->second.listing);
        if (after->second.text != before.text)
            finding(tool, file.string() + " is written otherwise the second time", before.text, after->second.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Work& w = work();
    std::ofstream(w.in / "fuzz.dft", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    bool lists_cores = false;
    fuzz::run([&] { round_trip("atpg", lists_cores); });
    if (lists_cores) fuzz::run([&] { round_trip("hier_dft", lists_cores); });
    return 0;
}
