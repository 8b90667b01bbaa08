// The flow of one circuit: find its configuration, cell library and
// design along the search path, read the description, check that it has
// what a BSDL file needs, open the design, walk the chain, write the file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "bsdl/bsdl.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"
#include "sdb/lookup.h"
#include "sdb/prefix.h"
#include "sdb/sdb.h"
#include "sdb/sym.h"

std::string BS_TOP_MODULE;
std::string BS_BSC_FILE;
std::string BS_LIB_FILE;
std::string BS_SDB_FILE;
std::string BS_BSD_FILE;
std::string BS_SVF_NAME;

int TAP_IOBJ = -1;

namespace {

bool same_ignoring_case(const char* a, const char* b) { return a && b && STR_ucomp(a, b) == 0; }

// A file along the search path: each search directory joined to the name,
// the first that exists.  A name that is already absolute (or starts at a
// home directory) is taken as it stands.
std::string search_file(const std::string& name) {
    if (name.empty()) return {};
    const bool rooted = name[0] == '/' || name[0] == '~';
    char* found = FNM_search(name.c_str(), 0, rooted ? FNM_NAME_ONLY : FNM_SEARCH_PATH);
    std::string r = found ? found : "";
    std::free(found);
    return r;
}

// The configuration or library file: "<word><ext>", then the word itself,
// when the option names one; else "<circuit><ext>".
std::string find_description_file(int option, const char* circuit, const char* ext) {
    const char* word = option_check[option] ? bsdl_option_word(option) : nullptr;
    if (!word) return search_file(std::string(circuit) + ext);
    std::string found = search_file(std::string(word) + ext);
    return found.empty() ? search_file(word) : found;
}

// One register check: absent optional instructions are skipped.
void check_register(int row, const char* first, const char* second, const char* accepted, const char* also = nullptr) {
    if (row < 0) return;
    const char* access = INSTRUCTIONS[row].access;
    if (same_ignoring_case(access, accepted) || (also && same_ignoring_case(access, also))) return;
    qdx_exit_printf(-1, "%s%s", STR_format(first, BS_BSC_FILE.c_str()).c_str(), second);
}

// The TAP of a chip whose boundary cells and TAP sit in a boundary-cell
// module (kestrand -add_bcm): the module's instance, expanded, is a level
// of the design at the top that bears the name of its module "<...>_BCM",
// and inside it the TAP takes the last part of %INSTANCE_NAME.  The
// object id, or -1 when the design holds no such TAP.
int tap_in_boundary_cell_module(const char* instance) {
    const std::string inner = PREFIX_last_part(instance);
    const char dot = PREFIX_get_dot();
    for (int e = 0; e < prefix_count; ++e) {
        const SdbPrefixEntry& level = prefix_tab[e];
        if (level.parent != -1 || level.owner > -6 || level.name < 0) continue;
        const char* module = SYM_get(sym_tab, -6 - level.owner);
        const char* segment = SYM_get(sym_tab, level.name);
        if (!module || !segment || std::strcmp(module, segment) != 0 || !std::string_view(module).ends_with("_BCM")) continue;
        const int obj = SDB_nl_search_obj((std::string(segment) + dot + inner).c_str());
        if (obj >= 0 && STR_same(SDB_class_name_of(obj), TAP_MODULE_NAME)) return obj;
    }
    return -1;
}

}  // namespace

void write_bsdl_file(const char* circuit) {
    char* base = FNM_break(circuit, "b");
    BS_TOP_MODULE = base ? base : "";
    std::free(base);
    free_chain_tables();

    const std::string directory = open_report_file(BS_TOP_MODULE.c_str());

    BS_BSC_FILE = find_description_file(BSDL_OPT_BSC_FILE, circuit, ".bsc");
    BS_LIB_FILE = find_description_file(BSDL_OPT_LIB_FILE, circuit, ".lib");
    BS_SDB_FILE = search_file(std::string(circuit) + ".c.sdb");

    BS_BSD_FILE = directory + "/" + BS_TOP_MODULE + ".bsd";
    BS_SVF_NAME.clear();
    if (option_check[BSDL_OPT_SCAN]) BS_SVF_NAME = directory + "/" + BS_TOP_MODULE + ".svf";

    if (BS_LIB_FILE.empty() || BS_BSC_FILE.empty() || BS_SDB_FILE.empty()) {
        const char* lib_word = option_check[BSDL_OPT_LIB_FILE] ? bsdl_option_word(BSDL_OPT_LIB_FILE) : nullptr;
        const char* bsc_word = option_check[BSDL_OPT_BSC_FILE] ? bsdl_option_word(BSDL_OPT_BSC_FILE) : nullptr;
        std::string missing;
        if (BS_LIB_FILE.empty())
            missing += lib_word ? STR_format("ERROR: can't find lib file \"%s\"\n", lib_word)
                                : STR_format("ERROR: can't find lib file \"%s.lib\"\n", circuit);
        if (BS_BSC_FILE.empty())
            missing += bsc_word ? STR_format("ERROR: can't find bsc file \"%s\"\n", bsc_word)
                                : STR_format("ERROR: can't find bsc file \"%s.bsc\"\n", circuit);
        if (BS_SDB_FILE.empty()) missing += STR_format("ERROR: can't find sdb file \"%s.c.sdb\"\n", circuit);
        qdx_exit_printf(-1, "%s\n", missing.c_str());
    }

    clear_standard_instructions();
    bsdft_init();
    get_bs_dft_file(BS_LIB_FILE.c_str(), BS_BSC_FILE.c_str(), 0);
    check_necessary_information();
    open_and_check_sdb();
    get_bs_chain();
    insert_BSDL_description();
    SDB_close(sdb, 0);
}

void check_necessary_information() {
    const char* bsc = BS_BSC_FILE.c_str();
    if (!TAP_MODULE_NAME || !*TAP_MODULE_NAME) {
        qdx_exit_printf(-1, "ERROR: \"%s\" can't find %%MODULE_NAME in %%TAP_MODULE.\n\n", bsc);
    }
    TAP_CONTR = get_tap_cell(TAP_MODULE_NAME);
    if (!TAP_CONTR) {
        qdx_exit_printf(-1,
                        "ERROR: can't find %%MODULE_NAME (%s) of %%TAP_MODULE\n"
                        "       defined in file \"%s\".\n\n",
                        TAP_MODULE_NAME, BS_LIB_FILE.c_str());
    }
    if (!TAP_INSTANCE_NAME || !*TAP_INSTANCE_NAME) {
        qdx_exit_printf(-1, "ERROR: \"%s\" can't find %%INSTANCE_NAME in %%TAP_MODULE.\n\n", bsc);
    }

    find_standard_instructions();

    if (EXTEST_EXIST < 0 || SAMPLE_EXIST < 0 || BYPASS_EXIST < 0) {
        qdx_exit_printf(-1,
                        "ERROR: (%s) -add_tap option required INSTRUCTION\n"
                        "       EXTEST, SAMPLE and BYPASS declared in %%INSTRUCTION_TABLE.\n\n",
                        bsc);
    }
    check_register(BYPASS_EXIST, "ERROR: (%s) INSTRUCTION BYPASS must access bypass ", "register.\n\n", "bypass");
    check_register(EXTEST_EXIST, "ERROR: (%s) INSTRUCTION EXTEST must access ", "boundary register.\n\n", "boundary");
    check_register(SAMPLE_EXIST, "ERROR: (%s) INSTRUCTION SAMPLE must access ", "boundary register.\n\n", "boundary");
    check_register(INTEST_EXIST, "ERROR: (%s) INSTRUCTION INTEST must access ", "boundary register.\n\n", "boundary");
    check_register(CLAMP_EXIST, "ERROR: (%s) INSTRUCTION CLAMP must access ", "bypass register.\n\n", "bypass");
    check_register(HIGHZ_EXIST, "ERROR: (%s) INSTRUCTION HIGHZ must access ", "bypass register.\n\n", "bypass");
    check_register(IDCODE_EXIST, "ERROR: (%s) INSTRUCTION IDCODE must access ", "IDCODE register.\n\n", "idcode");
    check_register(USERCODE_EXIST, "ERROR: (%s) INSTRUCTION USERCODE must access ", "USERCODE register.\n\n",
                   "usercode", "idcode");
    check_instruction_patterns(bsc);
    check_distinct_opcodes(bsc);
}

SdbDatabase* bsdl_open_design(const std::string& path) {
    SdbDatabase* db = SDB_open(path.c_str(), "r", 0);
    if (!db) qdx_exit_printf(-1, "ERROR: can't open SDB file \"%s\".\n", path.c_str());
    SDB_setup(db);
    return db;
}

void open_and_check_sdb() {
    bsdl_open_design(BS_SDB_FILE);
    TAP_IOBJ = TAP_INSTANCE_NAME ? SDB_nl_search_obj(TAP_INSTANCE_NAME) : -1;
    if (TAP_IOBJ < 0 && TAP_INSTANCE_NAME) TAP_IOBJ = tap_in_boundary_cell_module(TAP_INSTANCE_NAME);
    if (TAP_IOBJ < 0) {
        qdx_exit_printf(-1,
                        "ERROR: can't find TAP_CONTROLLER (%s) in SDB \"%s\".\n"
                        "       Please check %%INSTANCE_NAME of %%TAP_MODULE in file \"%s\".\n\n",
                        TAP_INSTANCE_NAME ? TAP_INSTANCE_NAME : "", BS_SDB_FILE.c_str(), BS_BSC_FILE.c_str());
    }
}
