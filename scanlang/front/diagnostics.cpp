// The numbered diagnostics of the scan language and the checked copy and
// allocation.
#include "scanlang/front/diagnostics.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/exit.h"
#include "runtime/fnm.h"

int has_error = 0;
std::string LOG_FILE;
FILE* log_file = nullptr;

namespace {

// Which arguments a segment of a message takes, in printf order.
enum class Args { NONE, S1, FILE_LINE, FILE_LINE_S1, FILE_LINE_S1_S2, FILE_S1, S1_S2 };

enum class Kind { FATAL, WARNING, OUT_OF_MEMORY };

// A message is one or two segments, each printed with its own arguments.
struct Diagnostic {
    const char* text;
    Args args;
    const char* more;  // second segment, or null
    Args more_args;
    Kind kind;
};

const Diagnostic kDiagnostics[SCAN_DIAG_CODE_COUNT] = {
    {"ERROR : Can't open input file - '%s'.\n", Args::S1, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : Can't create file - '%s'.\n", Args::S1, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : One of the input files is not %s file format.\n", Args::S1, nullptr, Args::NONE, Kind::FATAL},
    {"WARNING : '%s' is an empty file .\n", Args::S1, nullptr, Args::NONE, Kind::WARNING},
    {"ERROR : '%s', line-%d, syntax error near or at %s.\n", Args::FILE_LINE_S1, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : '%s', line-%d, %s - '%s' is undefined.\n", Args::FILE_LINE_S1_S2, nullptr, Args::NONE, Kind::FATAL},
    {"WARNING : '%s', line-%d, '%s' statement is missing.\n", Args::FILE_LINE_S1, nullptr, Args::NONE,
     Kind::WARNING},
    {"WARNING : '%s', line-%d, '%s' is multiple defined.\n", Args::FILE_LINE_S1, nullptr, Args::NONE, Kind::WARNING},
    {"WARNING : '%s', line-%d, '%s' and '%s' statements can't appear in the same time.\n", Args::FILE_LINE_S1_S2,
     nullptr, Args::NONE, Kind::WARNING},
    {"WARNING : '%s', line-%d, either '%s' or '%s' statement is missing.\n", Args::FILE_LINE_S1_S2, nullptr,
     Args::NONE, Kind::WARNING},
    {"ERROR : run out of memory.\n", Args::NONE, nullptr, Args::NONE, Kind::OUT_OF_MEMORY},
    {"ERROR : internal parser tree error.\n", Args::NONE, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : '%s', line-%d, bad string is encountered.\n", Args::FILE_LINE, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : '%s', line-%d, unterminated comment is encountered.\n", Args::FILE_LINE, nullptr, Args::NONE,
     Kind::FATAL},
    {"WARNING : '%s', line-%d, can't find definition of '%s' in map file.\n", Args::FILE_LINE_S1, nullptr,
     Args::NONE, Kind::WARNING},
    {"WARNING : '%s', line-%d, '%s' has empty body.\n", Args::FILE_LINE_S1, nullptr, Args::NONE, Kind::WARNING},
    {"WARNING : There are ERRORS (WARNINGS) in your scan language file!\n", Args::NONE,
     "          Please see '%s'.\n\n", Args::S1, Kind::WARNING},
    {"ERROR : '%s', line-%d, pattern length (%s) is inconsistent with port number.\n", Args::FILE_LINE_S1, nullptr,
     Args::NONE, Kind::FATAL},
    {"ERROR : '%s', line-%d, '%s' wasn't defined.\n", Args::FILE_LINE_S1, nullptr, Args::NONE, Kind::FATAL},
    {"ERROR : '%s', line-%d, POLARITY can only be ", Args::FILE_LINE, "%s or %s.\n", Args::S1_S2, Kind::FATAL},
    {"ERROR : '%s', line-%d, SCAN_MODE_ACTIVE can only be ", Args::FILE_LINE, "%s or %s.\n", Args::S1_S2,
     Kind::FATAL},
    {"ERROR : '%s', line-%d, CLOCK_POLARITY can only be POSITIVE", Args::FILE_LINE, " and NEGATIVE\n", Args::NONE,
     Kind::FATAL},
    {"ERROR: '%s', line-%d, number of pattern '%s' doesn't\n", Args::FILE_LINE_S1,
     "       match the number of ports.\n", Args::NONE, Kind::FATAL},
    {"ERROR: '%s', line-%d, syntax error at '%s'.\n", Args::FILE_LINE_S1,
     "       ILLEGAL_INPUTS can't accept 'X' or 'Z' in pattern.\n", Args::NONE, Kind::FATAL},
    {"FATAL: '%s', near '%s', grouping error!\n", Args::FILE_S1, nullptr, Args::NONE, Kind::FATAL},
};

const char* shown(const char* s) { return s ? s : "(null)"; }

void print_segment(const char* fmt, Args args, const char* file, int line, const char* s1, const char* s2) {
    switch (args) {
    case Args::NONE: std::fputs(fmt, stderr); break;
    case Args::S1: std::fprintf(stderr, fmt, shown(s1)); break;
    case Args::FILE_LINE: std::fprintf(stderr, fmt, shown(file), line); break;
    case Args::FILE_LINE_S1: std::fprintf(stderr, fmt, shown(file), line, shown(s1)); break;
    case Args::FILE_LINE_S1_S2: std::fprintf(stderr, fmt, shown(file), line, shown(s1), shown(s2)); break;
    case Args::FILE_S1: std::fprintf(stderr, fmt, shown(file), shown(s1)); break;
    case Args::S1_S2: std::fprintf(stderr, fmt, shown(s1), shown(s2)); break;
    }
}

}  // namespace

void scan_fatal_message(const std::string& message) {
    std::fputs(message.c_str(), stderr);
    scan_close_log();
    has_error = 0;
    qdx_exit(-1);
}

FILE* scan_open_input(const std::string& path) {
    std::string why;
    FILE* in = FNM_open_input(path.c_str(), &why);
    if (!in && why == FNM_NOT_REGULAR) scan_fatal_message("ERROR : Input file '" + path + "' is not a regular file.\n");
    return in;
}

int error_handler(const char* file, int line, int code, const char* s1, const char* s2) {
    if (code < 0 || code >= SCAN_DIAG_CODE_COUNT) return 0;
    const Diagnostic& d = kDiagnostics[code];
    print_segment(d.text, d.args, file, line, s1, s2);
    if (d.more) print_segment(d.more, d.more_args, file, line, s1, s2);
    switch (d.kind) {
    case Kind::WARNING: has_error = 1; return 0;
    case Kind::OUT_OF_MEMORY: qdx_exit(-1);
    case Kind::FATAL: break;
    }
    scan_close_log();
    has_error = 0;
    qdx_exit(-1);
}

bool scan_diag_is_warning(int code) {
    return code >= 0 && code < SCAN_DIAG_CODE_COUNT && kDiagnostics[code].kind == Kind::WARNING;
}

void scan_close_log() {
    if (!log_file) return;
    std::fclose(log_file);
    log_file = nullptr;
    if (!LOG_FILE.empty()) {
        std::error_code ec;
        std::filesystem::remove(LOG_FILE, ec);
    }
}

char* save_string(const char* text) {
    if (!text) return nullptr;
    size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(ealloc(n));
    std::memcpy(copy, text, n);
    return copy;
}

void* ealloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) error_handler(nullptr, 0, SCAN_ERR_MEMORY, nullptr, nullptr);
    return p;
}

void SCAN_DIAG_reset_globals() {
    if (log_file) std::fclose(log_file);
    log_file = nullptr;
    has_error = 0;
    LOG_FILE.clear();
}
