// The break (SIGINT) flag and its procedure, and single-key input.
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/cmd.h"
#include "runtime/msg.h"
#include "runtime/str.h"

namespace {

volatile std::sig_atomic_t break_seen = 0;
volatile std::sig_atomic_t trapping = 0;
volatile std::sig_atomic_t in_proc = 0;
BreakProc break_proc = nullptr;

}  // namespace

BreakProc onbreak(BreakProc proc) {
    BreakProc previous = break_proc;
    break_proc = proc;
    if (proc) {
        std::signal(SIGINT, dobreak);
        trapping = 1;
    } else {
        // Only a handler of ours is taken back; a host's own stays.
        if (previous || trapping) std::signal(SIGINT, SIG_DFL);
        trapping = 0;
    }
    break_seen = 0;
    return previous;
}

void dobreak(int) {
    if (trapping && !in_proc && break_proc) {
        in_proc = 1;
        break_proc();
        in_proc = 0;
    }
    break_seen = 1;
    std::signal(SIGINT, dobreak);
}

int isbreak() { return break_seen ? 1 : 0; }

int setbreak(int trap) {
    trapping = trap != 0;
    break_seen = 0;
    return 0;
}

int STR_getc() {
    int key;
    termios saved{};
    if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios raw = saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        unsigned char c = 0;
        key = ::read(STDIN_FILENO, &c, 1) == 1 ? c : -1;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    } else {
        // Not a terminal: the key is the first character of the next line.
        char* line = STR_gets();
        key = !line ? -1 : line[0] ? static_cast<unsigned char>(line[0]) : '\n';
        std::free(line);
    }
    if (isbreak()) return -1;
    return key;
}

int STR_prompt(const char* prompt, const char* choices, int deflt) {
    MSG_printf("%s", prompt ? prompt : "");
    MSG_printf("%s", choices ? choices : "");
    MSG_printf("> ");
    while (true) {
        int key = STR_getc();
        if (key == -1) return 'q';  // end of input or a break: nobody left to answer
        key = std::tolower(key);
        if (key == '\n' || key == '\r' || key == ' ' || key == 0) return deflt;
        if (std::strchr("ynqicx", key)) return key == 'x' ? 'q' : key;
    }
}
