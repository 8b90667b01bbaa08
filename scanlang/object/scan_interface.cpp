// The scan-language entry and the resets of a parse run.
#include "scanlang/object/scan_interface.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "runtime/fnm.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/fennox_decrypt.h"
#include "scanlang/front/front.h"
#include "scanlang/front/keywords.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/seman.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/cursors.h"
#include "scanlang/object/dump.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"

int DEBUG_FLAG = 0;
int has_lockup_file = 0;
int new_decoder_control_port_1 = 0, new_decoder_control_port_2 = 0, new_decoder_control_port_3 = 0;

namespace {

struct FreeText {
    void operator()(char* p) const { std::free(p); }
};
using Text = std::unique_ptr<char, FreeText>;

std::string string_of(const Text& t) { return t ? std::string(t.get()) : std::string(); }

struct ToolKind {
    const char* name;
    int kind;
};
constexpr ToolKind kTools[] = {
    {"atpg", SCAN_TOOL_ATPG},     {"mirdale", SCAN_TOOL_DEFAULT}, {"lorvish", SCAN_TOOL_LORVISH},
    {"padril", SCAN_TOOL_PADRIL}, {"atpg_kr", SCAN_TOOL_ATPG},    {"junnard", SCAN_TOOL_JUNNARD},
    {"hier_dft", SCAN_TOOL_HIER_DFT},
};

// The groups that the coded strings stand for, when the file gives none
// of its own.
void decode_groups(DftObject* object, const std::string& file) {
    if (!object->ciphertext || object->fennox_in_groups || object->fennox_out_groups) return;
    std::vector<FennoxGroup> in, out;
    sl_decrypt(*object->ciphertext, object->ciphertext_lines, in, out, file);
    if (!in.empty()) object->fennox_in_groups = std::move(in);
    if (!out.empty()) object->fennox_out_groups = std::move(out);
    object->fennox_groups_decoded = object->fennox_in_groups || object->fennox_out_groups;
}

// Parses the lockup-latch file `name` (by the path rule) into
// thelockupAST.
void read_lockup_latch_file(const std::string& name) {
    const std::string path = sl_resolve_file(name);
    sl_lockup_latch_flag = 1;
    // The file's comments are its own: the DFT file's went with its
    // object, and these are not written anywhere.
    scan_new_comment_tab();
    sl_parse_file(path, path);
    scan_free_comment_tab();
    sl_lockup_latch_flag = 0;
}

void print_tree(const ScanAstNode* tree) {
    std::fputs("\n\n", stdout);
    SCAN_PRINT_AST(tree, 0);
}

}  // namespace

int scan_tool_kind(const char* tool) {
    for (const ToolKind& t : kTools)
        if (tool && strcasecmp(tool, t.name) == 0) return t.kind;
    return SCAN_TOOL_DEFAULT;
}

void initial_scan() {
    has_error = 0;
    has_map_file = 0;
    has_lockup_file = 0;
    DFT_OBJECT = nullptr;
    MAP_OBJECT.reset();
    new_decoder_control_port_1 = new_decoder_control_port_2 = new_decoder_control_port_3 = 0;
    new_decoder_scan_mode = new_decoder_test_mode = new_decoder_override_mode = 0;
    for (int* line : {&control_port_1_top_line, &control_port_2_top_line, &control_port_3_top_line,
                      &scan_mode_top_line, &test_mode_top_line, &override_mode_top_line, &scan_mode_out_top_line,
                      &scan_mode_inv_out_top_line, &test_mode_out_top_line, &test_mode_inv_out_top_line,
                      &override_mode_out_top_line, &override_mode_inv_out_top_line})
        *line = -1;
    make_keyword_hash();
    SCAN_LOCKUP_LATCH_LIST.emplace();
}

void SCAN_ENTRY_reset_globals() {
    DEBUG_FLAG = 0;
    has_lockup_file = 0;
    new_decoder_control_port_1 = new_decoder_control_port_2 = new_decoder_control_port_3 = 0;
}

void SCANLANG_reset_globals() {
    SCAN_FRONT_reset_globals();
    SCAN_ENTRY_reset_globals();
    SCAN_CURSOR_reset_globals();
    SCAN_OBJECT_reset_globals();
}

void close_scan() {
    scan_close_log();
    has_error = 0;
}

int scan_interface(const char* file_text, int debug, const char* tool) {
    const std::string file = file_text ? file_text : "";
    current_connect_scan = nullptr;
    DEBUG_FLAG = debug;
    parse_path_fileG = 0;
    const std::string base = string_of(Text(FNM_break(file.c_str(), "b")));
    const std::string dir = string_of(Text(FNM_break(file.c_str(), "p")));
    LOG_FILE = base + ".dft_map.log";
    scan_lang_Option_type = scan_tool_kind(tool);
    initial_scan();

    // A bare name is looked for in the working directory only.
    const std::string opened = dir.empty() ? base + ".dft" : file;
    std::error_code ec;
    if (dir.empty() && !std::filesystem::exists(opened, ec))
        error_handler(nullptr, 0, SCAN_ERR_OPEN_INPUT, opened.c_str(), nullptr);
    dft_file_name = file;
    scan_new_comment_tab();
    comment_flag = 0;
    current_comment_index = -1;
    SL_CORE_LIST.clear();
    CoreListEntry top = NEW_CORE_LIST();
    top.dft_file = dft_file_name;
    top.core_name = base;
    SL_CORE_LIST.push_back(std::move(top));
    sl_parse_file(opened, file);

    dft_file_nameG = opened;
    current_pathG = dir;
    if (has_map_file) sl_parse_map_file();
    MAP_AST_2_OBJECT();
    if (!DFT_OBJECT) report_empty_dft_file(file);
    decode_groups(DFT_OBJECT, file);

    if (DFT_OBJECT->lockup_latch_file) {
        has_lockup_file = 1;
        read_lockup_latch_file(DFT_OBJECT->lockup_latch_file->file_name);
        // Each further file adds its names after those of the files
        // before it.
        for (const LockupLatchFileRecord& more : DFT_OBJECT->more_lockup_latch_files) {
            build_lockup_latch_list();
            read_lockup_latch_file(more.file_name);
        }
    }
    build_lockup_latch_list();
    SL_CORE_LIST.front().object = DFT_OBJECT;
    SL_TOP_DFT_TREE = SL_NEW_SCAN_DFT_PTR();
    SL_TOP_DFT_TREE->object = DFT_OBJECT;

    if (scan_lang_Option_type == SCAN_TOOL_HIER_DFT) {
        // Entries appended while the walk runs (cores of cores) are read too.
        for (std::size_t i = 0; i < SL_CORE_LIST.size(); ++i)
            if (!SL_CORE_LIST[i].object) sl_read_core_entry(i);
    }

    if (DEBUG_FLAG) {
        print_tree(thedftAST);
        print_tree(themapAST);
        print_tree(thepsoAST);
        print_tree(thelockupAST);
        PRINT_OUT_OBJECT();
    }
    const int warned = has_error;
    close_scan();
    DFT_setup(SL_TOP_DFT_TREE);
    return warned;
}
