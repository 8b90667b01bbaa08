// tallowmere's program frame: start-up, the command line, the report file
// of each circuit, the yes/no prompt and the usage text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/bsdl_writer.h"
#include "bsdl/template.h"
#include "desc/hash.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/fnm.h"
#include "runtime/reset.h"
#include "runtime/run_inputs.h"
#include "runtime/str.h"
#include "runtime/sysinfo.h"
#include "sdb/sdb.h"

const char* const option_string[BSDL_OPTION_COUNT] = {
    "help", "template", "verify", "opath", "window", "bsc_file", "lib_file", "bs_search", "dump_bs", "scan", "no_pad",
};
const char* const option_string_abbr[BSDL_OPTION_COUNT] = {
    "h", "t", "v", "op", "window", "bsc", "lib_file", "bs_s", "dbs", "scan", "no_pad",
};
const int option_check_extr[BSDL_OPTION_COUNT] = {0, 1, 0, 1, 0, 1, 1, 0, 0, 0, 0};

int option_check[BSDL_OPTION_COUNT] = {};
char** option_string_extr[BSDL_OPTION_COUNT] = {};
char** option_other_string = nullptr;
std::string BS_OUTPUT_DIR = ".";

namespace {

// The top module of each circuit word, in order.
std::vector<std::string> circuit_tops() {
    const int n = DYNA_count(option_other_string);
    std::vector<std::string> tops;
    tops.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        char* b = FNM_break(option_other_string[i], "b");
        tops.emplace_back(b ? b : "");
        std::free(b);
    }
    return tops;
}

// Two circuit words with the same top module would write the same BSDL and
// report files; such a run is refused before any circuit is processed.
void check_distinct_top_modules(const std::vector<std::string>& tops) {
    const int n = static_cast<int>(tops.size());
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i; ++j) {
            if (tops[static_cast<size_t>(i)] != tops[static_cast<size_t>(j)]) continue;
            qdx_exit_printf(-1,
                            "ERROR: circuits \"%s\" and \"%s\" have the same top module \"%s\";\n"
                            "       their BSDL and report files would overwrite each other.\n\n",
                            option_other_string[j], option_other_string[i], tops[static_cast<size_t>(i)].c_str());
        }
    }
}

// A file that the run will write in its output folder (the -opath word,
// else the current folder) must have a name that its folder takes: each
// is checked before the first output file of the run.
void check_name_fits(const std::string& file) {
    const char* word = option_check[BSDL_OPT_OPATH] ? bsdl_option_word(BSDL_OPT_OPATH) : nullptr;
    const std::filesystem::path path = std::filesystem::path(word ? word : ".") / file;
    top_check_name_fits(path.parent_path().string(), path.filename().string());
}

}  // namespace

const char* bsdl_option_word(int option) {
    if (option < 0 || option >= BSDL_OPTION_COUNT) return nullptr;
    char** list = option_string_extr[option];
    return DYNA_count(list) > 0 ? list[0] : nullptr;
}

void bsdl_check_outputs_spare_inputs() {
    const std::vector<std::string> tops = circuit_tops();
    const std::string report = top_report_path();
    const std::string dir = BS_OUTPUT_DIR + "/";
    std::vector<std::string> outputs = {report};
    // The circuits from the current one on (their top modules differ).
    bool from_here = false;
    for (const std::string& top : tops) {
        from_here = from_here || top == BS_TOP_MODULE;
        if (!from_here) continue;
        outputs.push_back(dir + top + ".bsd");
        if (top != BS_TOP_MODULE) outputs.push_back(dir + top + ".bsdl.rpt");
    }
    if (option_check[BSDL_OPT_SCAN] && !tops.empty()) outputs.push_back(dir + tops.back() + ".svf");
    for (const std::string& output : outputs) {
        const std::string input = RT_input_at(output);
        if (input.empty()) continue;
        // The report would take the input's place at the exit.
        if (output == report) top_drop_report();
        qdx_exit_printf(-1, "%s", RT_output_is_input_text(output, input).c_str());
    }
}

// ------------------------------------------------------------ command line

void parse_command_options(int argc, char** argv) {
    for (int i = 0; i < BSDL_OPTION_COUNT; ++i) {
        STR_free(&option_string_extr[i]);
        option_string_extr[i] = DYNA_new<char*>();
        option_check[i] = 0;
    }
    STR_free(&option_other_string);
    option_other_string = DYNA_new<char*>();
    if (!option_other_string) {
        qdx_exit_printf(-1, "Fatal error: memory allocation failed.\n");
    }

    int current = -1;
    for (int a = 1; a < argc; ++a) {
        const char* arg = argv[a];
        if (!arg) continue;
        if (arg[0] == '-') {
            const char* text = arg + 1;
            int found = -1;
            for (int i = 0; i < BSDL_OPTION_COUNT && found < 0; ++i)
                if (STR_ucomp(text, option_string[i]) == 0 || STR_ucomp(text, option_string_abbr[i]) == 0) found = i;
            if (found < 0) {
                qdx_printf("WARNING: invalid option \"%s\".\n", text);
                continue;
            }
            option_check[found] = 1;
            current = found;
            continue;
        }
        if (current >= 0 && DYNA_count(option_string_extr[current]) < option_check_extr[current]) {
            STR_add(&option_string_extr[current], arg);
            continue;
        }
        current = -1;
        STR_add(&option_other_string, arg);
    }
}

// --------------------------------------------------------------- report

std::string open_report_file(const char* top) {
    top_close_report();
    const std::string name = std::string(top ? top : "") + ".bsdl.rpt";
    std::string directory = ".";
    std::string path = name;
    bool no_word = false;
    std::string uncreatable;
    if (option_check[BSDL_OPT_OPATH]) {
        const char* dir = bsdl_option_word(BSDL_OPT_OPATH);
        if (!dir) {
            no_word = true;
        } else {
            std::error_code ec;
            bool ok = std::filesystem::is_directory(dir, ec);
            if (!ok) {
                std::filesystem::create_directories(dir, ec);
                ok = !ec && std::filesystem::is_directory(dir, ec);
            }
            if (ok) {
                directory = dir;
                path = directory + "/" + name;
            } else {
                uncreatable = dir;
            }
        }
    }

    top_open_report(path, "w");
    top_print_copyright();
    if (!fd) qdx_printf("WARNING: can't open report file \"%s\"; messages go to the screen only.\n", path.c_str());
    if (no_word) qdx_printf("WARNING: no path name specified after -opath.\n");
    if (!uncreatable.empty()) {
        qdx_printf("WARNING: cannot create specified output path \"%s\".\n", uncreatable.c_str());
        qdx_printf("         output files will be saved in the current directory.\n");
    }
    BS_OUTPUT_DIR = directory;
    return directory;
}

// ---------------------------------------------------------------- prompt

int yes_or_no(FILE* in) {
    for (;;) {
        std::string line;
        int c;
        bool any = false;
        while ((c = std::fgetc(in)) != EOF) {
            any = true;
            if (c == '\n') break;
            if (line.size() < 4) line.push_back(static_cast<char>(c));
        }
        // The end of the input answers no: there is nobody left to ask.
        if (!any) return 0;
        if (STR_ucomp(line.c_str(), "NO") == 0) return 0;
        if (STR_ucomp(line.c_str(), "YES") == 0) return 1;
        std::printf("Please enter \"Yes\" or \"No\": ");
        std::fflush(stdout);
    }
}

// ----------------------------------------------------------------- usage

void print_help() {
    top_print_copyright();
    static const char* const kLines[] = {
        "\nUsage: tallowmere [-opath pathname] -template [template_file]",
        "\n       ==>generate the standard template file.",
        "\n       tallowmere [-opath pathname] [-template template_file]",
        " circuit_file...",
        "\n       ==>generate the BSDL file(s) from the circuit file(s).",
        "\n\nOptions:",
        "\n  -opath <directory>    : specify the output directoty.",
        "\n  -template <file name> : specify the template file name.",
        "\n  -bsc_file <file name> : Use file name as BSC_FILE name.",
        "\n  -lib_file <file name> : Use file name as LIB_FILE name.",
        "\n  -scan                 : generate svf file for preamble sequence of DFT.",
        "\n  -no_pad               : the boundary scan cell is after port,",
        "\n                          just for input and 2-state output.\n\n",
    };
    for (const char* l : kLines) std::fputs(l, stdout);
    std::fflush(stdout);
}

// ------------------------------------------------------------------ run

void tallowmere_main(int argc, char** argv) {
    top_install_fault_handlers();
    RT_install_kill_cleanup();
    uti_prepare_system_info();
    top_print_prog_name_and_version_num("TALLOWMERE", KEST_VERSION);
    DESC_set_hash_modulus(DESC_HASH_MODULUS_TALLOWMERE);
    SDB_start_load_def();
    top_set_w_directory(quendal_write_dir);
    parse_command_options(argc, argv);

    if (argc < 2 || option_check[BSDL_OPT_HELP]) {
        print_help();
        qdx_exit(0);
    }
    const int circuits = DYNA_count(option_other_string);
    if (circuits > 0) {
        const std::vector<std::string> tops = circuit_tops();
        check_distinct_top_modules(tops);
        for (const std::string& top : tops) {
            check_name_fits(top + ".bsdl.rpt");
            check_name_fits(top + ".bsd");
        }
        if (option_check[BSDL_OPT_SCAN]) check_name_fits(tops.back() + ".svf");
        for (int i = 0; i < circuits; ++i) write_bsdl_file(option_other_string[i]);
        if (option_check[BSDL_OPT_SCAN]) write_svf_file();
        uti_report_system_info(fd, 1);
        qdx_exit(0);
    }
    if (option_check[BSDL_OPT_TEMPLATE]) {
        const char* word = bsdl_option_word(BSDL_OPT_TEMPLATE);
        const std::string name = word ? word : "BSDL";
        check_name_fits(name + ".bsdl.rpt");
        check_name_fits(template_file_name(name));
        write_template_file(name.c_str());
        qdx_exit(0);
    }
    print_help();
    qdx_exit(0);
}

// ----------------------------------------------------------------- reset

void BSDL_reset_globals() {
    for (int i = 0; i < BSDL_OPTION_COUNT; ++i) {
        STR_free(&option_string_extr[i]);
        option_check[i] = 0;
    }
    STR_free(&option_other_string);
    BS_OUTPUT_DIR = ".";
    BS_TOP_MODULE.clear();
    BS_BSC_FILE.clear();
    BS_LIB_FILE.clear();
    BS_SDB_FILE.clear();
    BS_BSD_FILE.clear();
    BS_SVF_NAME.clear();
    TAP_IOBJ = -1;
    TAP_CONTR = nullptr;
    clear_standard_instructions();
    free_chain_tables();
    BSDL_writer_reset();
}

void TALLOWMERE_reset_globals() {
    BSDL_reset_globals();
    DESC_reset_globals();
    SDB_reset_globals();
    FRAME_reset_globals();
    RUNTIME_reset_globals();
}
