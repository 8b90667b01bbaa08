// Leveled messages of the runtime services, their log and the fatal exit.
#include "runtime/msg.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "runtime/strfmt.h"

const char* _program = nullptr;
int debug_flag = 0;

namespace {

FILE* out_stream = nullptr;  // null: standard error
bool fid_active = true;
MsgTrapProc trap_proc = nullptr;
FILE* log_file = nullptr;
bool log_active = false;
bool use_error_num = true;
bool use_prefix_name = false;
size_t msg_id_len = 0;
size_t msg_len = 0;
std::vector<std::string> msg_list;  // pending continuation lines

FILE* stream() { return out_stream ? out_stream : stderr; }

const char* level_prefix(int level) {
    switch (level) {
        case MSG_WARN: return "WARNING ";
        case MSG_ERROR: return "ERROR ";
        case MSG_FATAL: return "FATAL ";
        default: return "";
    }
}

// Prints one line at a level (print_it).
void print_it(int level, const std::string& text) {
    std::string line;
    if (level == MSG_CONT) {
        line.assign(msg_id_len, ' ');
    } else if (level >= MSG_WARN && level <= MSG_FATAL) {
        if (use_prefix_name && _program) {
            line += _program;
            line += '-';
        }
        line += level_prefix(level);
        if (!use_error_num) line += ": ";
        msg_id_len = line.size() + 5;
    }
    line += text;
    bool to_stream = level == MSG_ALWAYS || (!trap_proc && fid_active);
    if (to_stream) {
        FILE* s = level == MSG_ALWAYS ? stderr : stream();
        if (line.size() < msg_len) {
            std::string erase(msg_len, ' ');
            erase += '\r';
            std::fputs(erase.c_str(), s);
        }
        std::fwrite(line.data(), 1, line.size(), s);
        std::fflush(s);
    }
    if (log_active && log_file && level != MSG_ALWAYS) {
        std::fwrite(line.data(), 1, line.size(), log_file);
        std::fflush(log_file);
    }
    msg_len = (!line.empty() && line.back() == '\r') ? line.size() - 1 : 0;
}

void call_trap(int level, const std::vector<std::string>& lines) {
    if (!trap_proc) return;
    std::vector<const char*> p;
    for (const auto& l : lines) p.push_back(l.c_str());
    trap_proc(level, static_cast<int>(p.size()), p.data(), static_cast<int>(p.size()) - 1);
}

void print_msg(int level, const std::string& text) {
    if (msg_list.empty()) {
        print_it(level, text);
        call_trap(level, {text});
        return;
    }
    msg_list.push_back(text);
    for (size_t i = 0; i + 1 < msg_list.size(); ++i) print_it(MSG_CONT, msg_list[i]);
    print_it(level, msg_list.back());
    call_trap(level, msg_list);
    msg_list.clear();
}

// Prints a message: its first line at its level, each further complete
// line as a continuation line.  Text after the last newline is dropped.
void write_msg(int level, const std::string& raw) {
    std::string text = filter_msg(raw.c_str());
    size_t nl = text.find('\n');
    std::string first = nl == std::string::npos ? text : text.substr(0, nl + 1);
    print_msg(level, first);
    if (nl == std::string::npos) return;
    size_t pos = nl + 1;
    while (true) {
        size_t e = text.find('\n', pos);
        if (e == std::string::npos) break;
        msg_list.push_back(text.substr(pos, e + 1 - pos));
        pos = e + 1;
    }
    for (const auto& l : msg_list) print_it(MSG_CONT, l);
    msg_list.clear();
}

}  // namespace

void MSG_reset_globals() {
    out_stream = nullptr;
    fid_active = true;
    trap_proc = nullptr;
    log_file = nullptr;
    log_active = false;
    use_error_num = true;
    use_prefix_name = false;
    msg_id_len = msg_len = 0;
    msg_list.clear();
    debug_flag = 0;
}

const char* filter_msg(const char* text) {
    if (!text || text[0] != '#') return text;
    if (use_error_num) return text + 1;
    const char* colon = std::strchr(text, ':');
    if (!colon) return text + 1;
    return colon + 1;
}

#define FORMAT_ARGS(fmt, out)          \
    std::string out;                   \
    {                                  \
        va_list ap;                    \
        va_start(ap, fmt);             \
        out = STR_vformat(fmt, ap);    \
        va_end(ap);                    \
    }

void MSG_fatal(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    write_msg(MSG_FATAL, s);
    qdx_exit(-1);
}

int MSG_error(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    write_msg(MSG_ERROR, s);
    return 0;
}

int MSG_warning(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    write_msg(MSG_WARN, s);
    return 0;
}

int MSG_inform(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    msg_id_len = 0;
    print_msg(MSG_INFO, s);
    return 0;
}

int MSG_printf(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    msg_id_len = 0;
    print_msg(MSG_ALWAYS, s);
    return 0;
}

int MSG_debug(const char* fmt, ...) {
    if (!debug_flag) return 0;
    FORMAT_ARGS(fmt, s);
    print_msg(MSG_INFO, s);
    return 0;
}

int MSG_list(const char* fmt, ...) {
    FORMAT_ARGS(fmt, s);
    msg_list.push_back(s);
    return 0;
}

int MSG_log(const char* fmt, ...) {
    if (!log_active || !log_file) return 0;
    FORMAT_ARGS(fmt, s);
    std::fputs(s.c_str(), log_file);
    std::fflush(log_file);
    return 0;
}

int MSG_puts(char* text) {
    if (!text) return 0;
    // Remove escapes in place: a back-quote and the character after it;
    // after "`f" one more character, after "`0" two more.
    char* w = text;
    for (char* r = text; *r;) {
        if (*r == '`' && r[1]) {
            char c = r[1];
            r += 2;
            int extra = c == 'f' ? 1 : c == '0' ? 2 : 0;
            while (extra-- > 0 && *r) ++r;
            continue;
        }
        *w++ = *r++;
    }
    *w = 0;
    if (trap_proc) {
        const char* lines[1] = {text};
        trap_proc(MSG_INFO, 1, lines, 0);
    } else if (fid_active) {
        std::fputs(text, stream());
        std::fflush(stream());
    }
    if (log_active && log_file) {
        std::fputs(text, log_file);
        std::fflush(log_file);
    }
    return 0;
}

int MSG_set_fid(FILE* s) {
    out_stream = s;
    return 0;
}
int MSG_fid_on(int flag) {
    fid_active = flag != 0;
    return 0;
}
int MSG_set_proc(MsgTrapProc proc) {
    trap_proc = proc;
    return 0;
}
int MSG_set_log(FILE* s) {
    if (log_file && log_file != s) std::fclose(log_file);
    log_file = s;
    log_active = s != nullptr;
    return 0;
}
int MSG_log_on(int flag) {
    log_active = flag != 0 && log_file != nullptr;
    return 0;
}
int MSG_is_log() { return log_active ? 1 : 0; }
FILE* MSG_get_log() { return log_file; }
FILE* MSG_swap_log(FILE* s, int* was_on) {
    FILE* old = log_file;
    if (was_on) *was_on = log_active ? 1 : 0;
    log_file = s;
    log_active = s != nullptr;
    return old;
}
int MSG_is_fid_on() { return fid_active ? 1 : 0; }
int MSG_set_prefix(int flag) {
    use_prefix_name = flag != 0;
    return 0;
}
int MSG_set_errnum(int flag) {
    use_error_num = flag != 0;
    return 0;
}

void MSG_fatal_error(int code) {
    static const char* const reasons[] = {"Not enough memory", "Disk full", "Corrupted data table"};
    MSG_inform("\n");
    if (code >= 1 && code <= 3) MSG_fatal("#002: Fatal Error - %s\n", reasons[code - 1]);
    MSG_fatal("#003: Fatal Error - Error Code %d\n", code);
}
