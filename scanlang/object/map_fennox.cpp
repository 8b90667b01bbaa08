// Mapping of the FENNOX configuration (%FENNOX_INFO, %CIPHERTEXT,
// %INSTRUCTION_BINARY, %REGISTER_LENGTH, %FENNOX_IN_<n>, %FENNOX_OUT_<n>),
// of %SCAN_MODULE, and the core-list entries of the file's cores.
#include <string>

#include "scanlang/object/cursors.h"
#include "scanlang/object/map_dont_fix.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

std::string text_of(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

// The names under the first child of the node of `kind` among `first`
// and its siblings; none without that node.
DynArray<std::string> names_under(const ScanAstNode* first, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(first, kind);
    if (!n) return std::nullopt;
    return n->child ? GET_IDENT1_LIST(n->child->child) : TextList{};
}

// One entry of an in-group item: its own text, or the name it is written
// under (`head`) with the entry's child's text.
void read_entry(const ScanAstNode* entry, std::string& head, std::string& text) {
    if (entry->child) {
        head = text_of(entry);
        text = text_of(entry->child);
    } else {
        text = text_of(entry);
    }
}

// "Q<n>" and "Q<n>_S<s>".
std::string q_name(int q) { return "Q" + std::to_string(q); }
std::string q_s_name(int q, int s) { return q_name(q) + "_S" + std::to_string(s); }

FennoxGroupItem in_group_item(const ScanAstNode* item, std::size_t index, const std::vector<FennoxGroupItem>& items) {
    FennoxGroupItem r;
    const ScanAstNode* first = item->child;
    if (!first) return r;
    r.text = text_of(first);
    const ScanAstNode* second = first->sibling;
    if (!second) return r;
    read_entry(second, r.text2_head, r.text2);
    const ScanAstNode* third = second->sibling;
    if (!third) return r;
    read_entry(third, r.text3_head, r.text3);
    if (const ScanAstNode* fourth = third->sibling) {
        r.q_name = text_of(fourth);
        return r;
    }
    // Without a register name of its own, the item is named after the
    // group's first register: the first item is Q0 (or takes the name its
    // second entry holds), later items count from it.
    if (index == 0) {
        if (!r.text2_head.empty()) {
            r.q_name = r.text2;
            r.text2 = r.text2_head;
            r.text2_head.clear();
        } else {
            r.q_name = "Q0";
        }
        return r;
    }
    const int q0 = sl_get_Q_number(items.front().q_name.c_str());
    const int qk = sl_get_Q_number(r.text2.c_str());
    const int sk = sl_get_S_number(r.text2.c_str());
    r.q_name = q_name(qk);
    if (!r.text2_head.empty()) r.text2 = sk != 0 ? q_s_name(qk - q0, sk) : q_name(qk - q0);
    return r;
}

FennoxGroupItem out_group_item(const ScanAstNode* item) {
    FennoxGroupItem r;
    if (item->child) r.text = text_of(item->child);
    if (const ScanAstNode* flags = SCAN_FIND_AST(item->child, IDENT_LIST_NODE)) r.flags = GET_IDENT1_LIST(flags->child);
    return r;
}

// The groups of %FENNOX_IN_<n> or %FENNOX_OUT_<n>: one per entry, named
// by its %PORT_NAME, with one item per child of its %GROUP list.
DynArray<FennoxGroup> groups_of(const ScanAstNode* section, bool in) {
    if (!section || !section->child) return std::nullopt;
    std::vector<FennoxGroup> groups;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
        FennoxGroup g;
        g.name = entry->child ? text_of(entry->child->child) : "";
        const ScanAstNode* list = entry->child ? entry->child->sibling : nullptr;
        for (const ScanAstNode* item = list ? list->child : nullptr; item; item = item->sibling)
            g.items.push_back(in ? in_group_item(item, g.items.size(), g.items) : out_group_item(item));
        groups.push_back(std::move(g));
    }
    return groups;
}

}  // namespace

void map_fennox_info(const ScanAstNode* section) {
    if (!section || !section->child) return;
    std::vector<FennoxInfoEntry> entries;
    for (const ScanAstNode* e = section->child; e; e = e->sibling) {
        FennoxInfoEntry r;
        if (const ScanAstNode* name = SCAN_FIND_AST(e->child, IDENT_NODE)) r.name = text_of(name);
        r.chain_order = names_under(e->child, CHAIN_ORDER_NODE);
        r.virtual_source = names_under(e->child, VIRTUAL_SOURCE_NODE);
        r.virtual_control = names_under(e->child, VIRTUAL_CONTROL_NODE);
        entries.push_back(std::move(r));
    }
    DFT_OBJECT->fennox_info = std::move(entries);
}

void map_ciphertext(const ScanAstNode* section) {
    if (!section || !section->child) return;
    DFT_OBJECT->ciphertext = GET_IDENT1_LIST(section->child);
    for (const ScanAstNode* n = section->child; n; n = n->sibling) DFT_OBJECT->ciphertext_lines.push_back(n->line);
}

void map_instruction_binary(const ScanAstNode* section) {
    if (section) DFT_OBJECT->instruction_binary = text_of(section->child);
}

void map_register_length(const ScanAstNode* section) {
    if (section && section->child) DFT_OBJECT->register_length = map_node_int(section->child);
}

void map_fennox_in_groups(const ScanAstNode* section) {
    if (DynArray<FennoxGroup> g = groups_of(section, true)) DFT_OBJECT->fennox_in_groups = std::move(g);
}

void map_fennox_out_groups(const ScanAstNode* section) {
    if (DynArray<FennoxGroup> g = groups_of(section, false)) DFT_OBJECT->fennox_out_groups = std::move(g);
}

void map_scan_module(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
        ScanModuleRecord r;
        for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
            if (c->kind != DONT_FIX_INFO_NODE) continue;
            if (!DONT_FIX_TAB) DONT_FIX_TAB.emplace();
            if (!r.dont_fix_info) r.dont_fix_info.emplace();
            std::vector<DontFixEntry> pairs;
            map_dont_fix_pairs(c, pairs);
            DONT_FIX_TAB->insert(DONT_FIX_TAB->end(), pairs.begin(), pairs.end());
            r.dont_fix_info->insert(r.dont_fix_info->end(), pairs.begin(), pairs.end());
        }
        if (const ScanAstNode* name = SCAN_FIND_AST(entry->child, IDENT_NODE)) {
            r.name = text_of(name);
            r.name_line = name->line;
        }
        if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, SCAN_IN_NODE)) r.scan_in = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, SCAN_OUT_NODE)) r.scan_out = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, SCAN_MODE_NODE)) r.scan_mode = text_of(n->child);
        if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, TEST_MODE_NODE)) r.test_mode = text_of(n->child);
        r.item_line = entry->line;
        DFT_OBJECT->scan_module.push_back(std::move(r));
    }
}

void map_core_list() {
    if (!DFT_OBJECT->core_section) return;
    for (const CoreInfoRecord& core : DFT_OBJECT->core_section->cores) {
        CoreListEntry entry = NEW_CORE_LIST();
        entry.dft_file = core.dft_file;
        entry.core_name = core.core_name;
        entry.parent = DFT_OBJECT;
        entry.line = core.source_line;
        SL_CORE_LIST.push_back(std::move(entry));
    }
    set_current_core_name(SL_core_name_countG() - 1);
}
