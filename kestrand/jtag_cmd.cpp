// The command line of kestrand: its options, the help page and the
// checks of the circuit name and the output folders.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "kestrand/jtag_cmd.h"

#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/run_lock.h"
#include "runtime/str.h"

namespace {

// True while the process exists (one of another user's too).
bool process_alive(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

int warning_num = 0;
int error_num = 0;

// Before the first message of the run the banner is printed.
void banner_before_first_message() {
    if (warning_num == 0 && error_num == 0) top_print_copyright();
}

// The command line is read before the report file is opened, so its
// messages go to the screen only.
void out(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

std::string name_part(const char* name, const char* letters) {
    char* p = FNM_break(name, letters);
    std::string s = p ? p : "";
    std::free(p);
    return s;
}

struct OptionName {
    const char* name;
    int slot;
};

constexpr OptionName kOptions[] = {
    {"debug", OPT_DEBUG},
    {"add_tap", OPT_ADD_TAP},
    {"add_tap_only", OPT_ADD_TAP_ONLY},
    {"add_bcm", OPT_ADD_BCM},
    {"add_pad", OPT_ADD_PAD},
    {"dont_share_control", OPT_DONT_SHARE_CONTROL},
    {"vhdl", OPT_VHDL},
    {"guideline", OPT_GUIDELINE},
    {"df_speed", OPT_DF_SPEED},
    {"external_idcode", OPT_EXTERNAL_IDCODE},
    {"synch", OPT_SYNCH},
    {"no_expand", OPT_NO_EXPAND},
    {"no_pad", OPT_NO_PAD},
};

// The working directory ./bscan_lib that is no directory (a file, a link
// to nothing) or that can't be made.  Screen only, without the banner.
[[noreturn]] void refuse_default_directory() {
    out("\nERROR: can't open default directory .\\'bscan_lib'.\n\n");
    qdx_exit(-1);
}

// A folder that the run writes into must be writable: found only at its
// first file there, the run would end with some of its outputs written.
void refuse_unwritable(const std::string& folder) {
    if (access(folder.c_str(), W_OK | X_OK) == 0) return;
    banner_before_first_message();
    qdx_exit_printf(-1, "\nERROR: %s, write permission denied.\n\n", folder.c_str());
}

// Two runs in one folder would write the same working names (the edited
// design, its working copy and command file, the tool logs): the run
// holds the folder's lock to its end, and a run that finds it held ends
// before it writes anything.
void lock_working_folder() {
    const std::string lock = kest_edit_file(".kestrand.lock");
    long holder = 0;
    std::string why;
    switch (RT_lock_folder(lock, &holder, &why)) {
        case RtLock::Taken: return;
        case RtLock::Held:
            banner_before_first_message();
            // The run that wrote its process id may be gone (killed with
            // SIGKILL) while a netlist tool that it started holds the lock.
            if (holder > 0 && !process_alive(holder))
                qdx_exit_printf(-1,
                                "\nERROR: another run works in the current folder: process %ld has ended, but a tool "
                                "that it started holds the lock file '%s'.\n\n",
                                holder, lock.c_str());
            if (holder > 0)
                qdx_exit_printf(-1,
                                "\nERROR: another run works in the current folder: process %ld holds the lock file "
                                "'%s'.\n\n",
                                holder, lock.c_str());
            qdx_exit_printf(-1, "\nERROR: another run works in the current folder: it holds the lock file '%s'.\n\n",
                            lock.c_str());
        case RtLock::Failed:
            // The working directory itself could not be made.
            if (std::error_code ec; !std::filesystem::is_directory(kEditFolder, ec)) refuse_default_directory();
            banner_before_first_message();
            qdx_exit_printf(-1, "\nERROR: can't lock the current folder with '%s': %s.\n\n", lock.c_str(), why.c_str());
    }
}

}  // namespace

void JTAG_CMD_reset_globals() { warning_num = error_num = 0; }

void init_option_flag() {
    for (int i = 0; i < JTAG_OPTION_COUNT; ++i)
        if (i != OPT_TAP_PORT_ONLY) JTAG_OPTION[i] = 0;
}

void print_help_options() {
    std::printf("\nPlease use: `kestrand <bsm_name> [Options]' for boundary scan circuits synthesis.\n");
    std::printf("Options:\n");
    std::printf("  -opath <dir> : output files to <dir> directory.\n");
    std::printf("  -help        : printout this help message.\n");
    std::printf("  -add_tap     : add tap controller and boundary scan cells.\n");
    std::printf("  -add_tap_only: only add tap controller.\n");
    std::printf("  -vhdl        : add RTL TAP module in VHDL format.\n");
    std::printf("                 With -add_tap or -add_tap_only the TAP is <bsm_name>_TAP.vhd;\n");
    std::printf("                 the modified netlist is <bsm_name>_jtag.vhd instead of .v.\n");
    std::printf("  -add_pad     : add pad automatically if necessary.\n");
    std::printf("  -add_bcm     : add boundary scan cells in one module <bsm_name>_BCM.\n");
    std::printf("                 Pads in pad modules are not available with it\n");
    std::printf("                 in this version.\n");
    std::printf("  -guideline   : interactive environment to generate .bsc, .pin\n%16c and .lib files.\n\n", ' ');
    std::printf("  -df_speed    : Do slow to fast clock tree for update_dr, etc.\n");
    std::printf("  -external_idcode : add a port for 32 bits IDCODE bus in tap controller.\n");
    std::printf("                     And tap controller will not have hard coded IDCODE.\n");
    std::printf("  -synch       : generate synchronous JTAG.\n");
    std::printf("  -no_expand   : does not expand modified netlist.\n\n");
    std::printf("  -no_pad      : inserting boundary scan cell after port,\n");
    std::printf("                 just for input and 2-state output.\n\n");
    std::printf("  -dont_share_control : inserting boundary scan cells in every \n");
    std::printf("                 BIDI output and 3-state output enable ports.\n");
    qdx_exit(0);
}

void scan_option(char** argv, int argc, int* index) {
    const char* text = argv[*index] + 1;
    if (*text == 0) {
        banner_before_first_message();
        out("WARNING: empty option -???, ignored.\n\n");
        ++warning_num;
        return;
    }
    if (STR_ucomp(text, "help") == 0 || std::string(text) == "?") print_help_options();
    for (const auto& o : kOptions) {
        if (STR_ucomp(text, o.name) == 0) {
            JTAG_OPTION[o.slot] = 1;
            return;
        }
    }
    // "-opath" takes the next argument as its directory; with nothing
    // after it the option is incomplete and counts as unrecognised.
    if (STR_ucomp(text, "opath") == 0 && *index + 1 < argc) {
        JTAG_OPTION[OPT_OPATH] = 1;
        *index += 1;
        OPATH = argv[*index];
        return;
    }
    banner_before_first_message();
    std::printf("-%s: unkown option. Please use -? for help.\n\n", text);
    std::fflush(stdout);
    ++error_num;
}

void jtag_parse_cmd_line(int argc, char** argv, std::string* top_out) {
    init_option_flag();
    std::string circuit;
    int circuits = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            scan_option(argv, argc, &i);
        } else {
            circuit = argv[i];
            ++circuits;
        }
    }
    // An unrecognised option is an error even when no circuit was named.
    if (error_num != 0) qdx_exit(-1);
    if (circuits == 0) {
        banner_before_first_message();
        print_help_options();
    }
    if (circuits > 1) {
        banner_before_first_message();
        out("\nERROR: too many arguments.\n");
        out("       kestrand can handle only one circuit at once.\n\n");
        qdx_exit(-1);
    }

    std::string top = name_part(circuit.c_str(), "e") == ".sdb" ? name_part(circuit.c_str(), "b")
                                                                : name_part(circuit.c_str(), "be");
    if (top_out) *top_out = top;
    TOP_MODULE = top;
    PATH = name_part(circuit.c_str(), "p");

    std::error_code ec;
    // The output directory of -opath is not created: one that is missing
    // ends the run before anything is written.
    if (JTAG_OPTION[OPT_OPATH] && !std::filesystem::is_directory(OPATH, ec)) {
        banner_before_first_message();
        // Screen only, as every message of the command line.
        std::printf("\nERROR: output directory '%s' of option -opath %s.\n\n", OPATH.c_str(),
                    std::filesystem::exists(OPATH, ec) ? "is not a directory" : "does not exist");
        std::fflush(stdout);
        qdx_exit(-1);
    }
    // Nor does a run begin that could not write its outputs there.
    if (JTAG_OPTION[OPT_OPATH]) refuse_unwritable(OPATH);

    BSCAN_OPATH = kEditFolder;
    bool exists = std::filesystem::exists(BSCAN_OPATH, ec);
    // The working directory is made when the run takes its lock file in
    // it, and goes again at the end when the run left nothing in it (a
    // run that edits nothing, or one refused before its first edit); here
    // only that it can be: a file of that name is no working directory,
    // and a missing one must be makeable in the current folder.
    // A link to nothing is as little a working directory, nor can one be
    // made in its place.
    if ((exists && !std::filesystem::is_directory(BSCAN_OPATH, ec)) || (!exists && std::filesystem::is_symlink(BSCAN_OPATH, ec)))
        refuse_default_directory();
    if (exists) refuse_unwritable(BSCAN_OPATH);
    // The working copies, the tool logs and the edited design before its
    // move go into the current folder on every road.
    refuse_unwritable(".");
    // The roads that compile with tessick write its databases into ./lib
    // when there is one.
    const bool compiles = JTAG_OPTION[OPT_ADD_TAP] || JTAG_OPTION[OPT_ADD_TAP_ONLY] || JTAG_OPTION[OPT_ADD_BCM];
    if (const std::vector<std::string> lib = jtag_tessick_opath(); compiles && !lib.empty()) refuse_unwritable(lib.back());
    lock_working_folder();

    const std::string report = kest_output_file(TOP_MODULE + ".kest.rpt");
    if (!JTAG_OPTION[OPT_OPATH]) OPATH = ".";
    if (!top_open_report(report, "w")) {
        banner_before_first_message();
        std::printf("\nWARNING: can't create report file '%s'.\n\n", report.c_str());
        std::fflush(stdout);
        ++warning_num;
    }
    top_direct_output(TOP_MODULE.c_str(), ".sdb", 0);

    static const int echo_start[] = {OPT_OPATH, OPT_ADD_TAP, OPT_ADD_TAP_ONLY, OPT_VHDL,
                                     OPT_ADD_PAD, OPT_DF_SPEED, OPT_ADD_BCM};
    bool echo = false;
    for (int s : echo_start) echo = echo || JTAG_OPTION[s];
    if (echo) {
        std::string line = "Selected option: ";
        if (JTAG_OPTION[OPT_ADD_TAP]) line += " -add_tap";
        if (JTAG_OPTION[OPT_ADD_TAP_ONLY]) line += " -add_tap_only";
        if (JTAG_OPTION[OPT_ADD_BCM]) line += " -add_bcm";
        if (JTAG_OPTION[OPT_VHDL]) line += " -vhdl";
        if (JTAG_OPTION[OPT_ADD_PAD]) line += " -add_pad";
        if (JTAG_OPTION[OPT_OPATH]) line += " -opath " + OPATH;
        if (JTAG_OPTION[OPT_DF_SPEED]) line += " -df_speed";
        if (JTAG_OPTION[OPT_EXTERNAL_IDCODE]) line += " -external_idcode";
        if (JTAG_OPTION[OPT_SYNCH]) line += " -synch";
        if (JTAG_OPTION[OPT_NO_EXPAND]) line += " -no_expand";
        if (JTAG_OPTION[OPT_NO_PAD]) line += " -no_pad";
        if (JTAG_OPTION[OPT_DONT_SHARE_CONTROL]) line += " -dont_share_control";
        line += ".\n\n";
        qdx_printf("%s", line.c_str());
    }
    if (JTAG_OPTION[OPT_ADD_TAP] && JTAG_OPTION[OPT_ADD_TAP_ONLY]) {
        qdx_exit_printf(-1, "ERROR:  option -add_tap conflicts with -add_tap_only.\n\n");
    }
}
