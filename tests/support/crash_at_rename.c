/* A crash at a chosen moment of a run, for the tests of what a crash
 * leaves: preloaded (LD_PRELOAD) into a program, it lets rename(2) work as
 * ever and, right after the first rename whose new name ends in
 * $KEST_CRASH_AFTER_RENAME_TO, raises the signal numbered
 * $KEST_CRASH_SIGNAL (SIGSEGV when unset) in the renaming thread.  Later
 * renames (the crash handler's own among them) are left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

static int crashed = 0;

static int ends_with(const char* text, const char* tail) {
    const size_t n = strlen(text), m = strlen(tail);
    return m > 0 && n >= m && strcmp(text + n - m, tail) == 0;
}

int rename(const char* from, const char* to) {
    int (*real)(const char*, const char*) = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    const int result = real(from, to);
    if (result != 0 || crashed) return result;
    const char* target = getenv("KEST_CRASH_AFTER_RENAME_TO");
    if (target && ends_with(to, target)) {
        const char* sig = getenv("KEST_CRASH_SIGNAL");
        crashed = 1;
        raise(sig ? atoi(sig) : SIGSEGV);
    }
    return result;
}
