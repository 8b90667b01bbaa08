// Making an object current, and reading the DFT files of cores.
#include "scanlang/object/core_switch.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/seman.h"
#include "scanlang/object/cursors.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"
#include "scanlang/object/scan_interface.h"

namespace {

struct FreeText {
    void operator()(char* p) const { std::free(p); }
};
using Text = std::unique_ptr<char, FreeText>;

std::string string_of(const Text& t) { return t ? std::string(t.get()) : std::string(); }

bool same_ignoring_case(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// The path as the file system resolves it, for telling files apart.
std::string canonical(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = std::filesystem::absolute(path, ec).lexically_normal();
    return p.string();
}

// The object of the file that lists the core whose object is `object`.
const DftObject* parent_of(const DftObject* object) {
    for (const CoreListEntry& e : SL_CORE_LIST)
        if (e.object == object) return e.parent;
    return nullptr;
}

// The object already read from the file at `path`: files are told apart
// by their canonical paths, whatever names led to them.
DftObject* registered_object(const std::string& path) {
    const std::string wanted = canonical(path);
    for (const CoreListEntry& e : SL_CORE_LIST)
        if (e.object && canonical(e.object->dft_file_name) == wanted) return e.object;
    return nullptr;
}

// True when `object` is `from` or a file that lists it, directly or
// through other cores.
bool contains(const DftObject* object, const DftObject* from) {
    // Each step goes to a file read earlier, so the walk ends; the bound
    // only guards it.
    std::size_t steps = SL_CORE_LIST.size() + 1;
    for (const DftObject* p = from; p && steps-- > 0; p = parent_of(p))
        if (p == object) return true;
    return false;
}

void make_current(DftObject* object) {
    DFT_OBJECT = object;
    INSTR_ORDER_TAB = &object->instr_order_tab;
    SCAN_LOCKUP_LATCH_LIST = object->lockup_latch_list;
    dft_multicycle_pathG = object->multicycle_path_list;
    file_dft_multicycle_pathG = object->multicycle_path_file;
    dft_critical_pathG = object->critical_path;
    dft_false_pathG = object->false_path_list;
    file_dft_false_pathG = object->false_path_file;
    current_connect_scan = nullptr;
    if (const std::optional<ScanDecoderRecord>& d = object->scan_decoder) {
        new_decoder_scan_mode = new_decoder_control_port_1 = d->scan_mode_form;
        new_decoder_test_mode = new_decoder_control_port_2 = d->test_mode_form;
        new_decoder_override_mode = new_decoder_control_port_3 = d->override_mode_form;
        new_decoder_ram_write = d->ram_write_form;
    }
    current_pathG = object->dft_file_dir;
    sl_gui_infoG = object->gui_info;
    MAP_OBJECT = object->map_object;
}

}  // namespace

std::string sl_resolve_file(const std::string& name) {
    if (!name.empty() && name[0] == '~') {
        Text home(FNM_get_home(name.c_str()));
        return home ? string_of(home) : name;
    }
    if (current_pathG.empty() || (!name.empty() && name[0] == '/')) return name;
    return current_pathG + name;
}

void sl_parse_map_file() {
    // Every parse begins by setting the parser's trees aside; the DFT
    // file's tree is mapped after the map file is read, so it is kept
    // out of the parser's hands meanwhile.
    ScanAstNode* dft = std::exchange(thedftAST, nullptr);
    const std::string map_path = sl_resolve_file(map_file_name);
    sl_parse_file(map_path, map_path);
    thedftAST = dft;
}

void report_empty_dft_file(const std::string& name) {
    map_fatal_stdout("ERROR : The dft file '" + name + "' is empty.\n");
}

int DFT_setup(DftTreeNode* node) {
    if (!node || !node->object) return 0;
    current_hier_dft_node = node;
    make_current(node->object);
    return 1;
}

int DFT_inst_setup(const char* core_name) {
    const std::string wanted = core_name ? core_name : "";
    for (std::size_t i = 0; i < SL_CORE_LIST.size(); ++i) {
        if (!same_ignoring_case(SL_CORE_LIST[i].core_name, wanted)) continue;
        if (!SL_CORE_LIST[i].object) sl_read_core_entry(i);
        DftObject* object = SL_CORE_LIST[i].object;
        make_current(object);
        object->connect_scan_index.reset();
        return 1;
    }
    qdx_printf("WARNING: The core '%s' is not listed in the dft files.\n", wanted.c_str());
    return 0;
}

int sl_find_and_parser_dft_file(const char* name_text) {
    if (!name_text || !*name_text) return 0;
    const std::string name = name_text;
    const std::string entry_dir = current_pathG;
    const std::string path = sl_resolve_file(name);
    if (DftObject* known = registered_object(path)) {
        DFT_OBJECT = known;
        return 1;
    }
    Text base(FNM_break(name.c_str(), "b"));
    LOG_FILE = string_of(base) + ".dft_map.log";
    // A warning of an earlier file of the run stays reported.
    const int warned = has_error;
    initial_scan();

    // The file's messages name it as it is opened: the name as written
    // is relative to the folder of the file that names it, which a
    // message would not show.
    dft_file_name = path;
    scan_new_comment_tab();
    sl_parse_file(path, path);
    if (!thedftAST) report_empty_dft_file(path);

    dft_file_nameG = path;
    Text dir(FNM_break(path.c_str(), "p"));
    current_pathG = string_of(dir);
    if (has_map_file) sl_parse_map_file();
    MAP_AST_2_OBJECT();
    // Relative names of the file that named this one are resolved against
    // its directory again, whatever form this name had.
    current_pathG = entry_dir;
    has_error |= warned;
    return 1;
}

void sl_read_core_entry(std::size_t index) {
    const CoreListEntry entry = SL_CORE_LIST[index];
    if (entry.dft_file.empty()) report_core_without_dft_file(entry.core_name);
    // A core's file is named relative to the file that lists the core,
    // whichever object is current when it is read.
    const std::string entry_dir = current_pathG;
    if (entry.parent) current_pathG = entry.parent->dft_file_dir;
    const DftObject* known = registered_object(sl_resolve_file(entry.dft_file));
    if (known && contains(known, entry.parent))
        map_fatal_stdout("ERROR : '" + (entry.parent ? entry.parent->dft_file_name : std::string()) + "', line-" +
                         std::to_string(entry.line) + ", the dft file '" + entry.dft_file + "' of core '" +
                         entry.core_name + "' is the file of the core itself or of a core that contains it.\n");
    if (!sl_find_and_parser_dft_file(entry.dft_file.c_str()))
        error_handler(nullptr, 0, SCAN_ERR_OPEN_INPUT, entry.dft_file.c_str(), nullptr);
    // The mapping may have appended entries: index again.
    SL_CORE_LIST[index].object = DFT_OBJECT;
    current_pathG = entry_dir;
}

void build_lockup_latch_list() {
    if (!thelockupAST || !DFT_OBJECT) return;
    if (!SCAN_LOCKUP_LATCH_LIST) SCAN_LOCKUP_LATCH_LIST.emplace();
    if (const ScanAstNode* list = thelockupAST->child)
        for (const ScanAstNode* n = list->child; n; n = n->sibling)
            SCAN_LOCKUP_LATCH_LIST->push_back(n->attribute ? n->attribute : "");
    DFT_OBJECT->lockup_latch_list = SCAN_LOCKUP_LATCH_LIST;
}
