// Building, copying, printing and freeing the description syntax trees.
#include "desc/ast.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef KEST_FUZZ
#include <unordered_set>
#endif

#include "runtime/exit.h"
#include "runtime/frame/frame.h"

namespace desc {

DescAstNode* theAST = nullptr;
int ast_line = 0;

namespace {

const char* const kKindNames[] = {
#define DESC_AST_KIND_NAME(k) #k,
    DESC_AST_KINDS(DESC_AST_KIND_NAME)
#undef DESC_AST_KIND_NAME
};
static_assert(sizeof(kKindNames) / sizeof(kKindNames[0]) == DESC_KIND_COUNT);

[[noreturn]] void out_of_memory() { qdx_exit_printf(-1, "ERROR: run out of memory.\n"); }

char* copy_text(const char* text) {
    if (!text) return nullptr;
    char* c = strdup(text);
    if (!c) out_of_memory();
    return c;
}

#ifdef KEST_FUZZ
// In the fuzz build the exit returns to the caller instead of ending the
// process, so a refused parse leaves the nodes it held only on its stack.
// Every live node is known here, and the reset frees those left over.
std::unordered_set<DescAstNode*>& live_nodes() {
    static std::unordered_set<DescAstNode*> nodes;
    return nodes;
}
#endif

DescAstNode* alloc_node() {
    auto* n = static_cast<DescAstNode*>(std::calloc(1, sizeof(DescAstNode)));
    if (!n) out_of_memory();
#ifdef KEST_FUZZ
    live_nodes().insert(n);
#endif
    return n;
}

bool is_leaf(int kind) { return kind == IDENT_NODE || kind == INTEGER_NODE || kind == PATTERN_NODE; }

}  // namespace

const char* ast_kind_name(int kind) {
    if (kind < 0 || kind >= DESC_KIND_COUNT) return "?";
    return kKindNames[kind];
}

DescAstNode* NEW_AST() {
    DescAstNode* n = alloc_node();
    n->line = ast_line;
    return n;
}

DescAstNode* MAKE_AST(int kind) {
    DescAstNode* n = NEW_AST();
    n->kind = kind;
    return n;
}

DescAstNode* MAKE_LEAF_AST(int kind, const char* text, int line) {
    DescAstNode* n = MAKE_AST(kind);
    n->text = copy_text(text);
    n->line = line;
    return n;
}

DescAstNode* APPEND_CHILD(DescAstNode* node, DescAstNode* chain) {
    if (!node || !chain) return node;
    for (DescAstNode* c = chain; c; c = c->sibling) c->parent = node;
    if (!node->child) {
        node->child = chain;
    } else {
        DescAstNode* last = node->child;
        while (last->sibling) last = last->sibling;
        last->sibling = chain;
    }
    return node;
}

DescAstNode* MAKE_SOLO_AST(int kind, DescAstNode* child) { return APPEND_CHILD(MAKE_AST(kind), child); }

DescAstNode* MAKE_DUET_AST(int kind, DescAstNode* a, DescAstNode* b) {
    return APPEND_CHILD(MAKE_SOLO_AST(kind, a), b);
}

DescAstNode* MAKE_TRIO_AST(int kind, DescAstNode* a, DescAstNode* b, DescAstNode* c) {
    return APPEND_CHILD(MAKE_DUET_AST(kind, a, b), c);
}

DescAstNode* MAKE_QUARTET_AST(int kind, DescAstNode* a, DescAstNode* b, DescAstNode* c, DescAstNode* d) {
    return APPEND_CHILD(MAKE_TRIO_AST(kind, a, b, c), d);
}

DescAstNode* FIND_AST(DescAstNode* first, int kind) {
    for (DescAstNode* n = first; n; n = n->sibling)
        if (n->kind == kind) return n;
    return nullptr;
}

DescAstNode* PUT_ATTRIBUTE(DescAstNode* node, const char* text) {
    if (!node) return node;
    char* c = copy_text(text);
    std::free(node->text);
    node->text = c;
    return node;
}

// A debugging dump on the screen only.
void PRINT_AST(const DescAstNode* node, int indent) {
    for (const DescAstNode* n = node; n; n = n->sibling) {
        std::printf("%*s%s", indent, "", ast_kind_name(n->kind));
        if (is_leaf(n->kind))
            std::printf(" [%s]\n", n->text ? n->text : "");
        else
            std::printf("\n");
        PRINT_AST(n->child, indent + 4);
    }
}

void FREE_AST(DescAstNode* node) {
    while (node) {
        DescAstNode* next = node->sibling;
        FREE_AST(node->child);
        std::free(node->text);
#ifdef KEST_FUZZ
        live_nodes().erase(node);
#endif
        std::free(node);
        node = next;
    }
}

void AST_reset_globals() {
    FREE_AST(theAST);
    theAST = nullptr;
    ast_line = 0;
#ifdef KEST_FUZZ
    for (DescAstNode* n : live_nodes()) {
        std::free(n->text);
        std::free(n);
    }
    live_nodes().clear();
#endif
}

}  // namespace desc
