// The program frame: banner, report file, output to screen and report,
// argument editing and allocation that ends the run when memory runs out.
#include "runtime/frame/frame.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/output_file.h"
#include "runtime/run_inputs.h"
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

// The open report, written under its temporary name, and its descriptor
// for the crash handler (-1 while none is open).
std::unique_ptr<AtomicFile> report;
volatile sig_atomic_t report_descriptor = -1;
// The report was opened to be written anew (not to go on with its old
// text, which the run then reads).
bool report_anew = false;

constexpr char kCrashText[] = "\nInternal Error:\n    Please call QUENDAL (555) 013-2794 \n\n";
constexpr char kNoMemory[] = "No memory available.\n";

// An exception that no one catches: a std::bad_alloc is memory that ran
// out, anything else a crash.
[[noreturn]] void end_on_terminate() {
    if (const std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc&) {
            top_out_of_memory();
        } catch (...) {
        }
    }
    std::abort();
}

// Closes the report; at the end of a run whose report could not be
// written completely, the run fails (the old report stays).
void close_report_at_exit(int& status) {
    if (!top_finish_report() && status == 0) status = -1;
}

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
    auto file = std::make_unique<AtomicFile>(path);
    if (!file->open("w")) return false;
    if (mode && mode[0] == 'a') {
        // Appending: the report so far comes first (only a regular file
        // is read: a FIFO would wait for ever).
        if (FILE* old = FNM_open_input(path.c_str())) {
            std::vector<char> buf(1 << 14);
            size_t n;
            while ((n = std::fread(buf.data(), 1, buf.size(), old)) > 0) std::fwrite(buf.data(), 1, n, file->stream());
            std::fclose(old);
            std::fflush(file->stream());  // what the crash handler writes goes behind it
        }
    }
    // The report settles its name at the exit: only a kill takes the
    // temporary file away.
    RT_remove_at_end(file->temp(), RtRemove::WhenKilled);
    RT_add_exit_hook(close_report_at_exit);
    static const bool closed_at_exit = std::atexit(top_close_report) == 0;
    (void)closed_at_exit;
    fd = file->stream();
    report = std::move(file);
    report_descriptor = ::fileno(fd);
    report_anew = !(mode && mode[0] == 'a');
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

void top_write_failed(const std::string& path, const std::string& why) {
    qdx_exit_printf(-1, "ERROR: can't write file '%s': %s.\n\n", path.c_str(), why.c_str());
}

void top_check_name_fits(const std::string& folder, const std::string& name) {
    if (static_cast<long>(name.size()) > RT_name_max(folder))
        top_write_failed(folder + "/" + name, std::strerror(ENAMETOOLONG));
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
    if (report) ::rename(report->temp().c_str(), report->target().c_str());
}

bool top_finish_report() {
    report_descriptor = -1;
    if (!report) return true;
    std::unique_ptr<AtomicFile> file = std::move(report);
    fd = nullptr;
    // A report never takes the name of a file that the run read (a pin
    // file named like it): the temporary file goes instead.
    if (const std::string input = report_anew ? RT_input_at(file->target()) : std::string(); !input.empty()) {
        const std::string text = RT_output_is_input_text(file->target(), input);
        file.reset();
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
        return false;
    }
    if (file->commit()) return true;
    // The report is closed: the message goes to the screen.
    std::printf("\nERROR: can't write report file '%s': %s.\n\n", file->target().c_str(), file->why().c_str());
    std::fflush(stdout);
    return false;
}

void top_close_report() { top_finish_report(); }

void top_drop_report() {
    report_descriptor = -1;
    report.reset();
    fd = nullptr;
}

std::string top_report_path() { return report ? report->target() : std::string(); }

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

void* stg_malloc(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) top_out_of_memory();
    return p;
}

void* stg_valloc(size_t size) {
    long page = sysconf(_SC_PAGESIZE);
    void* p = nullptr;
    if (posix_memalign(&p, page > 0 ? static_cast<size_t>(page) : 4096, size ? size : 1) != 0) top_out_of_memory();
    return p;
}

// ------------------------------------------------------------- faults

void top_install_fault_handlers() {
    RT_on_crash(dosegv);
    std::set_new_handler(top_out_of_memory);
    std::set_terminate(end_on_terminate);
}

void dosegv(int) {
    RT_write_from_handler(STDOUT_FILENO, kCrashText, sizeof kCrashText - 1);
    // A forked piece of the run leaves the report to the run.
    const int report_file = RT_in_forked_child() ? -1 : report_descriptor;
    if (report_file >= 0) {
        RT_write_from_handler(report_file, kCrashText, sizeof kCrashText - 1);
        top_commit_report_from_signal();
    }
    RT_end_at_once(-1);
}

// Out of memory, the frame cannot format a message: a fixed line goes to
// standard error before the exit, which allocates nothing on its way.
void top_out_of_memory() {
    // A second failure on the way out, or in another thread meanwhile,
    // ends the process at once.
    static std::atomic<bool> ending{false};
    if (ending.exchange(true)) RT_end_at_once(-1);
    std::fflush(stdout);
    RT_write_from_handler(STDERR_FILENO, kNoMemory, sizeof kNoMemory - 1);
    qdx_exit(-1);
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
