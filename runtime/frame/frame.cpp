// The program frame: banner, report file, output to screen and report,
// argument editing and allocation that ends the run when memory runs out.
#include "runtime/frame/frame.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "runtime/exit.h"
#include "runtime/strfmt.h"

std::string prog_name;
std::string version_num;
FILE* fd = nullptr;
const char* w_directory = nullptr;
std::string outfile_name;
int last_argc_pos = 0;

namespace {

constexpr const char* kReportSuffix = ".rpt";

void write_both(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
    std::fflush(stdout);
    if (fd) {
        std::fwrite(s.data(), 1, s.size(), fd);
        std::fflush(fd);
    }
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The open report's temporary file and the name it takes at the close.
std::string report_temp, report_path;

// Opens the report at w_directory/base plus the suffix.
void open_report(const std::string& base, const char* mode) {
    std::string path = w_directory ? std::string(w_directory) + "/" + base : base;
    path += kReportSuffix;
    if (!top_open_report(path, mode))
        qdx_exit_printf(-1, "\n\nCan not open output report filename '%s'!\n\n", path.c_str());
}

}  // namespace

bool top_open_report(const std::string& path, const char* mode) {
    top_close_report();
    // A report that could not take its name at the end is refused now.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) || (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0))
        return false;
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fdesc = ::mkstemp(temp.data());
    if (fdesc < 0) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fdesc, 0666 & ~mask);
    FILE* f = ::fdopen(fdesc, "w");
    if (!f) {
        ::close(fdesc);
        ::unlink(temp.c_str());
        return false;
    }
    if (mode && mode[0] == 'a') {
        // Appending: the report so far comes first.
        if (FILE* old = std::fopen(path.c_str(), "rb")) {
            char buf[1 << 14];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, old)) > 0) std::fwrite(buf, 1, n, f);
            std::fclose(old);
        }
    }
    static const bool closed_at_exit = std::atexit(top_close_report) == 0;
    (void)closed_at_exit;
    fd = f;
    report_temp = temp;
    report_path = path;
    return true;
}

void FRAME_reset_globals() {
    top_close_report();
    prog_name.clear();
    version_num.clear();
    w_directory = nullptr;
    outfile_name.clear();
    last_argc_pos = 0;
}

void qdx_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = STR_vformat(fmt, ap);
    va_end(ap);
    write_both(s);
}

void print_out_str(const char* text) {
    if (!text) return;
    std::fputs(text, stdout);
    if (fd) {
        std::fputs(text, fd);
        std::fflush(fd);
    }
    std::fflush(stdout);
}

void qdx_log_printf(int to_screen, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = STR_vformat(fmt, ap);
    va_end(ap);
    if (fd) {
        std::fwrite(s.data(), 1, s.size(), fd);
        std::fflush(fd);
    }
    if (to_screen) {
        std::fwrite(s.data(), 1, s.size(), stdout);
        std::fflush(stdout);
    }
}

void qdx_exit_printf(int status, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = STR_vformat(fmt, ap);
    va_end(ap);
    print_out_str(s.c_str());
    qdx_exit(status);
}

void top_print_prog_name_and_version_num(const char* name, const char* version) {
    prog_name = name ? name : "";
    version_num = version ? version : "";
    scr_to_upper_case(prog_name);
}

void top_set_w_directory(const char* directory) { w_directory = directory; }

const char* get_make_date() { return "V2.9.00 (07/19/06 Beta_version) Linux"; }

std::string get_time_string() {
    std::time_t now = std::time(nullptr);
    char buf[64];
    std::tm tmv{};
    localtime_r(&now, &tmv);
    std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y\n", &tmv);
    return buf;
}

std::string top_banner_text() {
    std::string t = " " + prog_name + " " + get_make_date() + " ";
    int w = (78 - static_cast<int>(t.size())) / 2;
    std::string rule(w > 0 ? static_cast<size_t>(w) : 0, '=');
    return "\n" + rule + t + rule + "\n\n" + "\nTIME: " + get_time_string() + "\n";
}

void top_print_copyright() { print_out_str(top_banner_text().c_str()); }

void top_print_copyright_no_stdout(FILE* stream) {
    if (!stream) return;
    std::fputs(top_banner_text().c_str(), stream);
    std::fflush(stream);
}

int top_init(int argc, char** argv, const char* name, const char* version) {
    bool nologo = check_arg(&argc, argv, "-nologo") != 0;
    top_print_prog_name_and_version_num(name, version);
    if (!nologo) top_print_copyright();
    return argc;
}

void top_direct_output(const char* name, const char* extension, int append) {
    if (!fd) {
        std::string base = name ? name : "";
        std::string ext = extension ? extension : "";
        if (ext.size() < base.size() && ends_with(base, ext)) {
            base.resize(base.size() - ext.size());
            if (ext == ".sdb" && base.size() > 2 && ends_with(base, ".x")) base.resize(base.size() - 2);
        }
        open_report(base, append ? "a" : "w");
    }
    if (!append) top_print_copyright();
}

void parse_output(int* argc, char** argv) {
    outfile_name.clear();
    if (!check_arg(argc, argv, "-o")) return;
    int i = last_argc_pos;
    if (i >= *argc || argv[i][0] == '-' || argv[i][0] == '+')
        qdx_exit_printf(-1, "\nThere should be an argument after option \"-o\". Please check\n");
    outfile_name = argv[i];
    delete_arg(argc, argv, i);
    if (outfile_name.empty()) qdx_exit_printf(-1, "\n\nMissing output report filename!\n\n");
    if (ends_with(outfile_name, kReportSuffix)) outfile_name.resize(outfile_name.size() - 4);
    open_report(outfile_name, "w");
}

void top_remove_report_file() {
    // Removes the report of the "-o" option; the frame does it in-process
    // rather than by replacing the process with a shell tool.
    std::string path = outfile_name + kReportSuffix;
    std::remove(path.c_str());
}

void top_commit_report_from_signal() {
    if (!report_temp.empty()) ::rename(report_temp.c_str(), report_path.c_str());
}

void top_close_report() {
    if (fd) std::fclose(fd);
    fd = nullptr;
    if (!report_temp.empty() && std::rename(report_temp.c_str(), report_path.c_str()) != 0)
        ::unlink(report_temp.c_str());
    report_temp.clear();
    report_path.clear();
}

int just_check_arg(int* argc, char** argv, const char* option) {
    for (int i = 1; i < *argc; ++i)
        if (argv[i] && std::strcmp(argv[i], option) == 0) return 1;
    return 0;
}

int check_arg(int* argc, char** argv, const char* option) {
    for (int i = 1; i < *argc; ++i) {
        if (argv[i] && std::strcmp(argv[i], option) == 0) {
            delete_arg(argc, argv, i);
            last_argc_pos = i;
            return 1;
        }
    }
    return 0;
}

void delete_arg(int* argc, char** argv, int i) {
    if (i < 0 || i >= *argc) return;
    for (int k = i; k + 1 < *argc; ++k) argv[k] = argv[k + 1];
    *argc -= 1;
    argv[*argc] = nullptr;
}

// Out of memory, the frame cannot format a message: a fixed line goes to
// standard error before the exit.
void* stg_malloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) {
        std::fputs("No memory available.\n", stderr);
        qdx_exit(-1);
    }
    return p;
}

void* stg_valloc(size_t size) {
    long page = sysconf(_SC_PAGESIZE);
    void* p = nullptr;
    if (posix_memalign(&p, page > 0 ? static_cast<size_t>(page) : 4096, size ? size : 1) != 0) {
        std::fputs("No memory available.\n", stderr);
        qdx_exit(-1);
    }
    return p;
}

int scr_to_upper_case(char* text) {
    for (char* p = text; p && *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return 0;
}

int scr_to_lower_case(char* text) {
    for (char* p = text; p && *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return 0;
}

void scr_to_upper_case(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
