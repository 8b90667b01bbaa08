// Reading a map file on its own and cell look-ups in the map tree.
#include "scanlang/front/scan_aux.h"

#include <cstdio>
#include <memory>

#include "scanlang/front/front.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

bool has_attribute(const ScanAstNode* n, const std::string& text) {
    return n && n->attribute && text == n->attribute;
}

std::optional<std::string> attribute_of(const ScanAstNode* n) {
    if (!n || !n->attribute) return std::nullopt;
    return std::string(n->attribute);
}

// The first node of the sibling chain whose first child has the attribute
// `name`.
const ScanAstNode* entry_named(const ScanAstNode* chain, const std::string& name) {
    for (const ScanAstNode* n = chain; n; n = n->sibling)
        if (has_attribute(n->child, name)) return n;
    return nullptr;
}

// The entries of the first list of the %REPAIR_CELL block.
const ScanAstNode* repair_cell_entries() {
    if (!themapAST) return nullptr;
    for (const ScanAstNode* n = themapAST->child; n; n = n->sibling)
        if (n->kind == REPAIR_CELL_NODE) return n->child ? n->child->child : nullptr;
    return nullptr;
}

}  // namespace

int scan_map(const std::string& file) {
    LOG_FILE = file + ".log";
    std::unique_ptr<FILE, FileCloser> in(scan_open_input(file));
    if (!in) {
        std::fprintf(stderr, "Failed to open file %s.\n", file.c_str());
        return 1;
    }
    make_keyword_hash();
    initial_parser();
    scan_yylineno = 1;
    scan_new_comment_tab();
    comment_flag = 0;
    in_file_name = file;
    ScanScanner scanner;
    scanner.start(in.get());
    scan_yyparse(&scanner);
    return 0;
}

std::optional<std::string> scan_map_get_si(const std::string& cell) {
    const ScanAstNode* n = themapAST;
    while (n && n->kind != IDENT_NODE) n = n->child;
    while (n && n->kind != MAP_CELL_LIST_NODE) n = n->sibling;
    if (!n) return std::nullopt;
    for (const ScanAstNode* entry = n->child; entry; entry = entry->sibling) {
        if (!entry->child || !has_attribute(entry->child->sibling, cell)) continue;
        const ScanAstNode* item = entry->child->sibling->sibling;
        for (; item; item = item->sibling)
            if (item->kind == SCAN_PORT_IN_NODE && item->child) return attribute_of(item->child);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> scan_get_repair_cell(const std::string& name) {
    const ScanAstNode* e = entry_named(repair_cell_entries(), name);
    return e ? attribute_of(e->child->sibling) : std::nullopt;
}

std::optional<std::string> scan_get_repair_cell_mux(const std::string& name) {
    const ScanAstNode* mux = entry_named(repair_cell_entries(), "MUX");
    const ScanAstNode* pins = mux && mux->child->sibling ? mux->child->sibling->sibling : nullptr;
    const ScanAstNode* e = pins ? entry_named(pins->child, name) : nullptr;
    return e ? attribute_of(e->child->sibling) : std::nullopt;
}
