// Mapping of %CORE: one CoreInfoRecord per core name of each block, with
// the block's port lists, files and don't-fix pairs; a block without a
// core name is kept whole beside the cores.
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_core_steps.h"
#include "scanlang/object/map_dont_fix.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// The names of a list statement; none when it is absent or names nothing.
DynArray<std::string> names_of(const ScanAstNode* first) {
    if (!first) return std::nullopt;
    TextList names = GET_IDENT1_LIST(first);
    if (names.empty()) return std::nullopt;
    return names;
}

// A port list names ports and instance pins ("u1{CK}"); none when it is
// absent or names nothing.
DynArray<std::string> port_list(const ScanAstNode* block, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(block->child, kind);
    DynArray<std::string> ports;
    if (n)
        for (const ScanAstNode* p = n->child; p; p = p->sibling) {
            if (!ports) ports.emplace();
            ports->push_back(pin_ref_text(p));
        }
    return ports;
}

DynArray<std::string> tie_list(const ScanAstNode* block, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(block->child, kind);
    return n && n->child ? names_of(n->child->child) : std::nullopt;
}

// What every core record of one block shares.
CoreInfoRecord block_values(const ScanAstNode* block) {
    CoreInfoRecord r;
    bool dont_fix = false;
    std::vector<DontFixEntry> pairs;
    for (const ScanAstNode* c = block->child; c; c = c->sibling) {
        if (c->kind != DONT_FIX_INFO_NODE) continue;
        dont_fix = true;
        map_dont_fix_pairs(c, pairs);
    }
    if (dont_fix) r.dont_fix_info = std::move(pairs);
    if (const ScanAstNode* n = SCAN_FIND_AST(block->child, IDENT_NODE)) r.block_name = node_text(n);
    if (const ScanAstNode* n = SCAN_FIND_AST(block->child, DFT_FILE_NODE)) r.dft_file = node_text(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(block->child, LBIST_FILE_NODE)) r.lbist_file = node_text(n->child);
    r.clock_ports = port_list(block, CLOCK_PORTS_NODE);
    r.set_reset_ports = port_list(block, SET_RESET_PORTS_NODE);
    r.bidi_ports = port_list(block, BIDI_PORTS_NODE);
    r.scan_in_ports = port_list(block, SCAN_IN_PORTS_NODE);
    r.scan_out_ports = port_list(block, SCAN_OUT_PORTS_NODE);
    r.tie0 = tie_list(block, TIE0_NODE);
    r.tie1 = tie_list(block, TIE1_NODE);
    return r;
}

}  // namespace

void map_dont_fix_pairs(const ScanAstNode* statement, std::vector<DontFixEntry>& pairs) {
    const ScanAstNode* first = statement ? statement->child : nullptr;
    const ScanAstNode* items = first && first->kind == DONT_FIX_LIST_NODE ? first->child : first;
    for (const ScanAstNode* pair = items; pair; pair = pair->sibling)
        if (pair->kind == DONT_FIX_NODE)
            pairs.push_back({node_text(pair->child), pair->child ? node_text(pair->child->sibling) : ""});
}

void map_cores(const ScanAstNode* section) {
    if (!section) return;
    CoreSectionRecord record;
    record.keyword_line = core_top_line;
    record.line = section->line;
    for (const ScanAstNode* block = SCAN_FIND_AST(section->child, CORE_NODE); block; block = block->sibling) {
        CoreInfoRecord shared = block_values(block);
        map_core_block_steps(block, shared);
        if (!SCAN_FIND_AST(block->child, CORE_NAME_NODE)) {
            record.unnamed_blocks.push_back(std::move(shared));
            continue;
        }
        bool first_of_block = true;
        for (const ScanAstNode* c = block->child; c; c = c->sibling) {
            if (c->kind != CORE_NAME_NODE) continue;
            CoreInfoRecord core = shared;
            const ScanAstNode* name = SCAN_FIND_AST(c->child, IDENT_NODE);
            core.core_name = node_text(name);
            core.source_line = c->line;
            if (name && core.dft_file.empty()) report_core_without_dft_file(core.core_name);
            // The don't-fix pairs go to the first core of the block only.
            if (!first_of_block) core.dont_fix_info.reset();
            first_of_block = false;
            record.cores.push_back(std::move(core));
        }
    }
    DFT_OBJECT->core_section = std::move(record);
}
