// The printers of the design database's coded messages.
#include "sdb/sdb_err.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "runtime/strfmt.h"

char sdb_err_msg_bufferG[4096] = {0};
int SDB_num_errorG = 0;
int SDB_num_warningG = 0;
FILE* sdb_log_fpG = nullptr;
int SDB_error_flagG = 0;
int sdb_info_flagG = 0;
int plovert_quiet_flagG = 0;
int plovert_batchG = 0;
const char* plovert_batch_nameG = nullptr;
int plovert_line_numG = 0;

namespace {

const char* level_word(int level) {
    switch (level) {
        case SDB_FATAL: return "FATAL: ";
        case SDB_ERROR: return "ERROR: ";
        case SDB_WARNING: return "WARNING: ";
        default: return nullptr;
    }
}

// The lines held back by an SdbMessageHold, or null.
std::vector<std::string>* held_lines = nullptr;

void print_line(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
    if (sdb_log_fpG) {
        std::fprintf(sdb_log_fpG, "%s\n", line.c_str());
        std::fflush(sdb_log_fpG);
    }
}

// Keeps the line in the message buffer (cut to its size) and prints it
// to standard output and the log stream, or holds it back.
void emit(const std::string& line) {
    size_t n = std::min(line.size(), sizeof(sdb_err_msg_bufferG) - 1);
    std::memcpy(sdb_err_msg_bufferG, line.data(), n);
    sdb_err_msg_bufferG[n] = '\0';
    if (held_lines) {
        held_lines->push_back(line);
        return;
    }
    print_line(line);
}

void log_error(int level, const char* format, va_list ap) {
    std::string line = "SDB ";
    const char* word = level_word(level);
    if (word) {
        line += word;
        line += STR_vformat(format, ap);
    } else {
        line += "FATAL: ";
        line += FA_01_0001;
    }
    if (level == SDB_WARNING)
        ++SDB_num_warningG;
    else
        ++SDB_num_errorG;
    emit(line);
}

}  // namespace

#define SDB_LOG_ERROR_BODY          \
    va_list ap;                     \
    va_start(ap, format);           \
    log_error(level, format, ap);   \
    va_end(ap)

void sdb_log_error(int level, const char* format, ...) { SDB_LOG_ERROR_BODY; }
void sdb_log_error2(int level, const char* format, ...) { SDB_LOG_ERROR_BODY; }
void sdb_log_error3(int level, const char* format, ...) { SDB_LOG_ERROR_BODY; }
void sdb_log_error4(int level, const char* format, ...) { SDB_LOG_ERROR_BODY; }
void sdb_log_error5(int level, const char* format, ...) { SDB_LOG_ERROR_BODY; }

#undef SDB_LOG_ERROR_BODY

void sdb_exit_error(int level, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    log_error(level, format, ap);
    va_end(ap);
    qdx_exit(-1);
}

void sdb_exit_name_inconsistency() { sdb_exit_error(SDB_FATAL, "%s", FA_02_0020); }

void sdb_info(int level, const char* format, ...) {
    std::string line;
    bool known = true;
    switch (level) {
        case SDB_FATAL:
        case SDB_ERROR:
            line = std::string("SDB ") + level_word(level);
            SDB_error_flagG = 1;
            break;
        case SDB_WARNING:
            if (plovert_quiet_flagG == 1) return;
            line = "SDB WARNING: ";
            break;
        case SDB_INFO:
            if (!sdb_info_flagG) return;
            break;
        default:
            line = std::string("SDB FATAL: ") + FA_01_0001;
            SDB_error_flagG = 1;
            known = false;
            break;
    }
    if (known) {
        va_list ap;
        va_start(ap, format);
        line += STR_vformat(format, ap);
        va_end(ap);
    }
    if (plovert_batchG)
        line += STR_format(" Batch file '%s' - line %d,", plovert_batch_nameG ? plovert_batch_nameG : "",
                           plovert_line_numG);
    emit(line);
}

int get_sdb_num_error() { return SDB_num_errorG; }
int get_sdb_num_warning() { return SDB_num_warningG; }

SdbMessageHold::SdbMessageHold() : outer_(held_lines) { held_lines = &lines_; }

SdbMessageHold::~SdbMessageHold() { release(); }

void SdbMessageHold::release() {
    if (!holding_) return;
    holding_ = false;
    held_lines = outer_;
    for (const std::string& line : lines_) {
        if (outer_)
            outer_->push_back(line);
        else
            print_line(line);
    }
    lines_.clear();
}

void SdbMessageHold::drop() {
    if (!holding_) return;
    holding_ = false;
    held_lines = outer_;
    lines_.clear();
}

void SDB_err_reset_globals() {
    sdb_err_msg_bufferG[0] = '\0';
    SDB_num_errorG = 0;
    SDB_num_warningG = 0;
    sdb_log_fpG = nullptr;
    SDB_error_flagG = 0;
    sdb_info_flagG = 0;
    plovert_quiet_flagG = 0;
    plovert_batchG = 0;
    plovert_batch_nameG = nullptr;
    plovert_line_numG = 0;
}
