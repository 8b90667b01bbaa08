// Peak-memory sampling, the closing resource report and date texts.
#include "runtime/sysinfo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/times.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Maxima in pages, raised by the signal handler.
volatile sig_atomic_t max_size = 0;
volatile sig_atomic_t max_resident = 0;
volatile sig_atomic_t max_shared = 0;
// "/proc/<pid>/statm", built once at start-up so the handler only opens it.
char statm_path[64] = "/proc/self/statm";
bool sampler_running = false;

std::string size_slots[8];
int next_slot = 0;
std::string cpu_text;
std::string date_text;

void raise_max(volatile sig_atomic_t& m, long v) {
    if (v > m) m = static_cast<sig_atomic_t>(v);
}

// Reads the first three numbers of the statm file with system calls only.
void sample() {
    int f = ::open(statm_path, O_RDONLY);
    if (f < 0) return;
    char buf[4096];
    ssize_t n = ::read(f, buf, sizeof buf - 1);
    ::close(f);
    if (n <= 0) return;
    buf[n] = 0;
    long v[3] = {0, 0, 0};
    int k = 0;
    for (char* p = buf; *p && k < 3;) {
        while (*p && (*p < '0' || *p > '9')) ++p;
        if (!*p) break;
        long x = 0;
        while (*p >= '0' && *p <= '9') x = x * 10 + (*p++ - '0');
        v[k++] = x;
    }
    if (k < 3) return;
    raise_max(max_size, v[0]);
    raise_max(max_resident, v[1]);
    raise_max(max_shared, v[2]);
}

}  // namespace

void uti_vt_handler(int) {
    int saved = errno;
    sample();
    errno = saved;
}

int uti_prepare_system_info() {
    std::snprintf(statm_path, sizeof statm_path, "/proc/%d/statm", static_cast<int>(getpid()));
    struct sigaction sa{};
    sa.sa_handler = uti_vt_handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (sigaction(SIGVTALRM, &sa, nullptr) != 0) return -1;
    itimerval tv{};
    tv.it_value.tv_sec = 2;
    tv.it_interval.tv_sec = 2;
    if (setitimer(ITIMER_VIRTUAL, &tv, nullptr) != 0) return -1;
    sampler_running = true;
    return 0;
}

void SYSINFO_reset_globals() {
    if (sampler_running) {
        itimerval tv{};
        setitimer(ITIMER_VIRTUAL, &tv, nullptr);
        sampler_running = false;
    }
    max_size = 0;
    max_resident = 0;
    max_shared = 0;
}

const char* format_k(long kb) {
    const char* unit = "K";
    if (kb > 9999) {
        kb = (kb + 512) / 1024;
        unit = "M";
        if (kb > 9999) {
            kb = (kb + 512) / 1024;
            unit = "G";
        }
    }
    std::string& s = size_slots[next_slot];
    next_slot = (next_slot + 1) % 8;
    s = std::to_string(kb) + unit;
    return s.c_str();
}

const char* format_cpu_time(long seconds) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%ld:%.2ld:%.2ld", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
    cpu_text = buf;
    return cpu_text.c_str();
}

long uti_report_system_info(FILE* stream, int to_stdout) {
    // The last sample is taken here in the reporting thread, with the
    // handler's own code, so a short run still reports a peak.
    sample();
    long peak_kb = static_cast<long>(max_size) * 4;
    if (peak_kb == 0) {
        // No process file system: the resident peak is what can be measured.
        rusage ru{};
        if (getrusage(RUSAGE_SELF, &ru) == 0) peak_kb = ru.ru_maxrss;
    }
    tms t{};
    times(&t);
    long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0) ticks = 100;
    long secs = static_cast<long>((t.tms_utime + t.tms_stime + t.tms_cutime + t.tms_cstime) / ticks);
    const char* size = format_k(peak_kb);
    const char* cpu = format_cpu_time(secs);
    if (to_stdout) {
        std::printf("\n%s - Peak Memory Usage .......... %s.\n", "[System Info] ", size);
        std::printf("%s - CPU Time Elapsed ........ %s.\n\n", "[System Info] ", cpu);
        std::fflush(stdout);
    }
    if (stream) {
        std::fprintf(stream, "\n");
        std::fprintf(stream, "\n%s - Peak Memory Usage .......... %s.\n", "[System Info] ", size);
        std::fprintf(stream, "%s - CPU Time Elapsed ........ %s.\n\n", "[System Info] ", cpu);
        std::fflush(stream);
    }
    return peak_kb;
}

const char* ascdate(std::time_t t, int form) {
    if (t == 0) t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char letter = tm.tm_hour < 12 ? 'a' : 'p';
    int h12 = tm.tm_hour > 12 ? tm.tm_hour - 12 : tm.tm_hour;
    char buf[64] = "";
    char ct[32] = "";
    std::strftime(ct, sizeof ct, "%a %b %e %H:%M:%S %Y", &tm);
    switch (form) {
        case 0:
            std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_year, tm.tm_hour, tm.tm_min, tm.tm_sec);
            break;
        case 1:
            std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d%c", tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_year, h12, tm.tm_min, letter);
            break;
        case 2:
            std::snprintf(buf, sizeof buf, "%.11s%4d %02d:%02d%c", ct, tm.tm_year + 1900, h12, tm.tm_min,
                          letter);
            break;
        case 3: std::snprintf(buf, sizeof buf, "%s", ct); break;
        case 4:
            std::snprintf(buf, sizeof buf, "%03d %02d.%02d%02d", tm.tm_yday, tm.tm_hour, tm.tm_min, tm.tm_sec);
            break;
        default: break;
    }
    date_text = buf;
    return date_text.c_str();
}
