// BSDL template files: the reader of a user's template, with its format
// errors, and the writer of the standard template.
#include "bsdl/template.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "bsdl/bsdl.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"

const char* const BS_TPL_STR[TPL_BLOCK_COUNT] = {
    "Logical Port Description", "Package Pin Mapping", "Scan Port Identification",
    "Test Access Port Description", "Boundary Register Description",
};
const char* const BS_TPL_TOKEN2B[TPL_BLOCK_COUNT] = {
    "Logical_Port_Description_Begin", "Package_Pin_Mapping_Begin", "Scan_Port_Identification_Begin",
    "Test_Access_Port_Description_Begin", "Boundary_Register_Description_Begin",
};
const char* const BS_TPL_TOKEN2E[TPL_BLOCK_COUNT] = {
    "Logical_Port_Description_End", "Package_Pin_Mapping_End", "Scan_Port_Identification_End",
    "Test_Access_Port_Description_End", "Boundary_Register_Description_End",
};

int bs_tpl_check[TPL_BLOCK_COUNT] = {};

namespace {

constexpr const char* kMarkerWord = "--!";
constexpr const char* kTemplateExtension = "tpl";
// Package type when the description gives none.
constexpr const char* kNoPackage = "UNDEFINE";

enum BlockState : int { BLOCK_NOT_SEEN = 0, BLOCK_BEGUN = 1, BLOCK_ENDED = 2 };

// The first two words of a line (blanks, tabs, carriage returns and the
// newline separate words).
void first_two_words(std::string_view line, std::string_view& first, std::string_view& second) {
    constexpr std::string_view kSeparators = " \t\r\n";
    first = second = {};
    std::string_view* slot[2] = {&first, &second};
    size_t at = 0;
    for (std::string_view* s : slot) {
        size_t begin = line.find_first_not_of(kSeparators, at);
        if (begin == std::string_view::npos) return;
        size_t end = line.find_first_of(kSeparators, begin);
        if (end == std::string_view::npos) end = line.size();
        *s = line.substr(begin, end - begin);
        at = end;
    }
}

// The block whose marker (begin or end, from the table) is `word`, or -1.
int marker_block(std::string_view word, const char* const (&markers)[TPL_BLOCK_COUNT]) {
    for (int k = 0; k < TPL_BLOCK_COUNT; ++k)
        if (word == markers[k]) return k;
    return -1;
}

// Reads one line whole, newline included when there is one; false at the
// end of the file.
bool read_line(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    while ((c = std::getc(in)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

[[noreturn]] void tempalte_file_format_error(const char* marker, int line) {
    const char* word = bsdl_option_word(BSDL_OPT_TEMPLATE);
    qdx_exit_printf(-1,
                    "ERROR: template file \"%s\" format error.\n"
                    "       line %d: cannot find matched \"%s %s\"\n\n",
                    template_file_path(word ? word : "BSDL").c_str(), line, kMarkerWord, marker);
}

void write_marker(std::string& out, const char* marker) {
    out += "  ";
    out += kMarkerWord;
    out += ' ';
    out += marker;
    out += " \n";
}

// The comment header of the standard template.
void dump_template_header(std::string& out, const std::string& name) {
    const std::string rule = "--  " + std::string(68, '*') + "\n";
    out += rule;
    out += "--  *\n";
    out += "--  *  Module : " + name + " (template)\n";
    out += "--  *  Created: " + get_time_string();
    out += std::string("--  *  By     : TALLOWMERE version 1.0.9 of ") + get_make_date() + "\n";
    out += "--  *           tallowmere -template " + name + "\n";
    out += "--  *\n";
    out += rule;
    out += "\n";
}

// The body of the standard template: the entity with placeholder blocks.
// The generic's default names the pin-map constant that the template
// declares, so that the filled template is a complete BSDL text.
void dump_template_body(std::string& out, const std::string& name, const std::string& package) {
    const std::string constant = package + "_PACKAGE";
    out += "entity " + name + " is\n  --\n";
    out += "  -- Generic Parameter\n  --\n";
    out += "  generic (PHYSICAL_PIN_MAP : string := \"" + constant + "\");\n";

    out += "\n  --\n  -- Logical Port Description\n  --\n";
    out += "  port (\n";
    write_marker(out, BS_TPL_TOKEN2B[TPL_LOGICAL_PORT]);
    out += "    < logical port description goes here >\n";
    write_marker(out, BS_TPL_TOKEN2E[TPL_LOGICAL_PORT]);
    out += "       );\n";

    out += "\n  --\n  -- Use Statements\n  --\n";
    out += "  use STD_1149_1_1994.all;";
    out += "  -- Get Std 1149.1-1994 attributes and definitions\n";

    out += "\n  --\n  -- Package Pin Mapping\n  --\n";
    out += "  attribute PIN_MAP of " + name + " : entity is ";
    out += "PHYSICAL_PIN_MAP;\n";
    out += "  constant " + constant + ":PIN_MAP_STRING:=\n";
    write_marker(out, BS_TPL_TOKEN2B[TPL_PACKAGE_PIN]);
    out += "    < package pin mapping string goes here >\n";
    write_marker(out, BS_TPL_TOKEN2E[TPL_PACKAGE_PIN]);

    out += "\n  --\n  -- Scan Port Identification\n  --\n";
    write_marker(out, BS_TPL_TOKEN2B[TPL_SCAN_PORT]);
    out += "  attribute TAP_SCAN_IN of TDI : signal is true;\n";
    out += "  attribute TAP_SCAN_MODE of TMS : signal is true;\n";
    out += "  attribute TAP_SCAN_OUT of TDO : signal is true;\n";
    out += "  attribute TAP_SCAN_RESET of TRST : signal is true;\n";
    out += "  attribute TAP_SCAN_CLOCK of TCK : signal is (25.0e6,BOTH);\n";
    write_marker(out, BS_TPL_TOKEN2E[TPL_SCAN_PORT]);

    out += "\n  --\n  -- Test Access Port Description\n  --\n";
    write_marker(out, BS_TPL_TOKEN2B[TPL_TAP_DESCRIPTION]);
    out += "  attribute INSTRUCTION_LENGTH of " + name + " : entity is 2;\n";
    out += "  attribute INSTRUCTION_OPCODE of " + name + " : entity is\n";
    out += "    \"BYPASS(11,01),\" &\n";
    out += "    \"EXTEST(00),\" &\n";
    out += "    \"SAMPLE(10)\";\n";
    out += "  attribute INSTRUCTION_CAPTURE of " + name + " :";
    out += " entity is \"01\";\n";
    out += "  attribute REGISTER_ACCESS of " + name + " : entity is\n";
    out += "  -- these are given by standard\n";
    out += "  -- \"BOUNDARY(EXTEST,SAMPLE,INTEST)\";\n";
    out += "  -- \"BYPASS(BYPASS)\";\n";
    out += "  -- \"IDCODE(IDCODE,USERCODE)\";\n";
    out += "     \"BOUNDARY(EXTEST,SAMPLE),\"&\n";
    out += "     \"BYPASS(BYPASS)\";  -- INTEST decodes as BYPASS\n";
    write_marker(out, BS_TPL_TOKEN2E[TPL_TAP_DESCRIPTION]);

    out += "\n  --\n  -- Boundary Register Description ";
    out += "for 1149.1 Boundary_Scan_Cell\n  --\n";
    write_marker(out, BS_TPL_TOKEN2B[TPL_BOUNDARY_REGISTER]);
    out += "    < boundary register description goes here >\n";
    write_marker(out, BS_TPL_TOKEN2E[TPL_BOUNDARY_REGISTER]);

    out += "\nend " + name + ";\n";
}

// The package type of the template: read from the description "<name>.bsc"
// and "<name>.lib" when both are on the search path.
std::string template_package_type(const std::string& name) {
    auto search = [](const std::string& file) {
        char* found = FNM_search(file.c_str(), 0, FNM_SEARCH_PATH);
        std::string path = found ? found : "";
        std::free(found);
        return path;
    };
    BS_BSC_FILE = search(name + ".bsc");
    BS_LIB_FILE = search(name + ".lib");
    if (!BS_BSC_FILE.empty() && !BS_LIB_FILE.empty()) {
        bsdft_init();
        get_bs_dft_file(BS_LIB_FILE.c_str(), BS_BSC_FILE.c_str(), 0);
    }
    return PACKAGE_TYPE && *PACKAGE_TYPE ? PACKAGE_TYPE : kNoPackage;
}

}  // namespace

std::string template_file_name(const std::string& word) { return word + "." + kTemplateExtension; }

std::string template_file_path(const std::string& word) {
    return (std::filesystem::path(BS_OUTPUT_DIR) / template_file_name(word)).string();
}

std::vector<TemplateBlock> read_template_file(std::FILE* in, std::string& entity) {
    std::vector<TemplateBlock> blocks(1);  // starts with an empty text node
    for (int& state : bs_tpl_check) state = BLOCK_NOT_SEEN;
    int open = -1;  // the block being dropped, or -1
    int count = 0;

    std::string line;
    while (read_line(in, line)) {
        ++count;
        std::string_view first, second;
        first_two_words(line, first, second);
        if (first == "entity" && !second.empty()) entity = std::string(second);

        const bool marker = first == kMarkerWord;
        const int begins = marker ? marker_block(second, BS_TPL_TOKEN2B) : -1;
        const int ends = marker ? marker_block(second, BS_TPL_TOKEN2E) : -1;
        if (begins >= 0) {
            // A second begin marker of a block lacks the end marker it needs.
            if (open >= 0) tempalte_file_format_error(BS_TPL_TOKEN2E[open], count);
            if (bs_tpl_check[begins] != BLOCK_NOT_SEEN) tempalte_file_format_error(BS_TPL_TOKEN2E[begins], count);
            bs_tpl_check[begins] = BLOCK_BEGUN;
            blocks.back().text += line;
            blocks.push_back({begins, {}});
            open = begins;
        } else if (ends >= 0) {
            if (open != ends || bs_tpl_check[ends] != BLOCK_BEGUN)
                tempalte_file_format_error(BS_TPL_TOKEN2B[ends], count);
            bs_tpl_check[ends] = BLOCK_ENDED;
            open = -1;
            blocks.push_back({TPL_TEXT, line});
        } else if (open < 0) {
            blocks.back().text += line;
        }
    }
    if (open >= 0) tempalte_file_format_error(BS_TPL_TOKEN2E[open], count);
    return blocks;
}

void write_template_file(const char* name_word) {
    const std::string name = name_word ? name_word : "BSDL";
    open_report_file(name.c_str());
    const std::string path = template_file_path(name);

    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        qdx_printf("WARNING: template file \"%s\" already exist.\n", path.c_str());
        std::printf("Do you want to replace the old template file? (Yes/No): ");
        std::fflush(stdout);
        if (!yes_or_no()) qdx_exit(0);
    }

    // The description is read before the file is opened: a description
    // error ends the run, and must leave no temporary file behind.
    const std::string package = template_package_type(name);
    std::string text;
    dump_template_header(text, name);
    dump_template_body(text, name, package);

    bool written = false;
    {
        AtomicFile file(path);
        if (!file.open()) {
            qdx_exit_printf(-1, "ERROR: can't open template file \"%s\" to write.\n", path.c_str());
        }
        std::fwrite(text.data(), 1, text.size(), file.stream());
        written = file.commit();
    }
    if (!written) {
        qdx_exit_printf(-1, "ERROR: can't write template file \"%s\".\n", path.c_str());
    }
    if (!option_check[BSDL_OPT_WINDOW]) qdx_printf("BSDL template file was written into \"%s\".\n\n", path.c_str());
}
