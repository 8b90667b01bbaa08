// flag: the notification command.  Shows a title and a message, here as
// two lines on standard output.
//
//     flag [-title TITLE] [-info TEXT]
//
// The title comes first, then the information, each on its own line; the
// status is 0 (1 when the lines could not be written: a reader that has
// gone).  A wrong argument prints the usage on standard error and ends
// with status 2.

#include <cstdio>
#include <optional>
#include <string>

#include "runtime/exit.h"

namespace {

const char* const kUsage =
    "usage: flag [-title TITLE] [-info TEXT]\n"
    "  -title TITLE  the title of the notice\n"
    "  -info TEXT    the information it gives\n";

[[noreturn]] void usage(const std::string& why) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s%s", why.c_str(), kUsage);
    qdx_exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    RT_install_kill_cleanup();
    std::optional<std::string> title, info;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-title" || a == "-info") {
            if (i + 1 >= argc) usage("flag: " + a + " needs an argument\n");
            (a == "-title" ? title : info) = argv[++i];
        } else if (a == "-h" || a == "-help" || a == "--help") {
            usage("");
        } else {
            usage("flag: unknown argument " + a + "\n");
        }
    }
    if (title) std::printf("%s\n", title->c_str());
    if (info) std::printf("%s\n", info->c_str());
    qdx_exit(RT_standard_output_lost() ? 1 : 0);
}
