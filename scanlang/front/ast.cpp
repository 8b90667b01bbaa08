// Syntax-tree records of the scan language: constructors, linking, copies,
// searches, the printer and freeing.  Sibling chains can be long (a list
// of many thousand names), so chains are walked in loops and only the
// nesting of children recurses.
#include "scanlang/front/ast.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#ifdef KEST_FUZZ
#include <unordered_set>
#endif

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/scanner.h"

const char* const node_name_tab[SCAN_NODE_KIND_COUNT] = {
#define SCAN_NODE(name) #name,
#include "scanlang/front/scan_nodes.def"
};

ScanAstNode* sl_pso_clock_order_ptr = nullptr;
ScanAstNode* sl_pso_must_scan_ptr = nullptr;
ScanAstNode* sl_pso_dont_scan_ptr = nullptr;
ScanAstNode* sl_pso_dont_modify_ptr = nullptr;
ScanAstNode* sl_pso_must_be_trans_ptr = nullptr;
ScanAstNode* sl_pso_scan_group_ptr = nullptr;
ScanAstNode* sl_pso_full_scan_ptr = nullptr;
ScanAstNode* sl_pso_selected_scan_ptr = nullptr;
ScanAstNode* sl_pso_buffer_ptr = nullptr;

namespace {

// The PSO statement kinds whose last statement is remembered, and where.
struct PsoLast {
    int kind;
    ScanAstNode** last;
};
const PsoLast kPsoLast[] = {
    {PSO_CLOCK_ORDER_NODE, &sl_pso_clock_order_ptr},   {PSO_MUST_SCAN_NODE, &sl_pso_must_scan_ptr},
    {PSO_DONT_SCAN_NODE, &sl_pso_dont_scan_ptr},       {PSO_DONT_MODIFY_NODE, &sl_pso_dont_modify_ptr},
    {PSO_MUST_BE_TRANS_NODE, &sl_pso_must_be_trans_ptr}, {PSO_SCAN_GROUP_NODE, &sl_pso_scan_group_ptr},
    {PSO_FULL_SCAN_NODE, &sl_pso_full_scan_ptr},       {PSO_SELECTED_SCAN_NODE, &sl_pso_selected_scan_ptr},
    {PSO_BUFFER_NODE, &sl_pso_buffer_ptr},
};

bool is_shown_leaf(int kind) {
    return kind == IDENT_NODE || kind == NUMBER_NODE || kind == PATTERN_NODE || kind == PERCENTAGE_NODE ||
           kind == REAL_NUM_NODE;
}

ScanAstNode* with_children(int kind, std::initializer_list<ScanAstNode*> children) {
    ScanAstNode* node = SCAN_MAKE_AST(kind);
    ScanAstNode* prev = nullptr;
    for (ScanAstNode* c : children) {
        c->parent = node;
        if (prev)
            prev->sibling = c;
        else
            node->child = c;
        prev = c;
    }
    return node;
}

ScanAstNode* last_of(ScanAstNode* chain) {
    while (chain->sibling) chain = chain->sibling;
    return chain;
}

#ifdef KEST_FUZZ
// In the fuzz build the exit returns to the caller instead of ending the
// process, so a refused parse leaves the nodes it held only on the parse
// stack.  Every live node is known here, and the reset frees those left.
std::unordered_set<ScanAstNode*>& live_nodes() {
    static std::unordered_set<ScanAstNode*> nodes;
    return nodes;
}
#endif

ScanAstNode* alloc_node() {
    auto* node = static_cast<ScanAstNode*>(ealloc(sizeof(ScanAstNode)));
#ifdef KEST_FUZZ
    live_nodes().insert(node);
#endif
    return node;
}

// A copy of one node with a copied attribute and no links.
ScanAstNode* copy_one(const ScanAstNode* node) {
    ScanAstNode* copy = alloc_node();
    *copy = ScanAstNode{node->kind, save_string(node->attribute), node->line, nullptr, nullptr, nullptr};
    return copy;
}

}  // namespace

ScanAstNode* SCAN_NEW_AST() { return SCAN_MAKE_AST(0); }

ScanAstNode* SCAN_MAKE_AST(int kind) {
    ScanAstNode* node = alloc_node();
    *node = ScanAstNode{kind, nullptr, scan_yylineno, nullptr, nullptr, nullptr};
    return node;
}

ScanAstNode* SCAN_MAKE_SOLO_AST(int kind, ScanAstNode* c1) { return with_children(kind, {c1}); }
ScanAstNode* SCAN_MAKE_DUET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2) { return with_children(kind, {c1, c2}); }
ScanAstNode* SCAN_MAKE_TRIO_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3) {
    return with_children(kind, {c1, c2, c3});
}
ScanAstNode* SCAN_MAKE_QUARTET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3, ScanAstNode* c4) {
    return with_children(kind, {c1, c2, c3, c4});
}
ScanAstNode* SCAN_MAKE_SESTET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3, ScanAstNode* c4,
                                  ScanAstNode* c5, ScanAstNode* c6) {
    return with_children(kind, {c1, c2, c3, c4, c5, c6});
}

ScanAstNode* SCAN_PUT_ATTRIBUTE(ScanAstNode* node, const char* text) {
    char* copy = save_string(text);
    std::free(node->attribute);
    node->attribute = copy;
    return node;
}

ScanAstNode* SCAN_APPEND_SIBLING(ScanAstNode* node, ScanAstNode* other) {
    if (other) last_of(node)->sibling = other;
    return node;
}

ScanAstNode* SCAN_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* chain) {
    if (!chain) return parent;
    FAST_SCAN_APPEND_CHILD(parent, parent->child ? last_of(parent->child) : nullptr, chain);
    return parent;
}

ScanAstNode* FAST_SCAN_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* last, ScanAstNode* chain) {
    if (!chain) return parent;
    if (!last && parent->child) last = last_of(parent->child);
    if (last)
        last->sibling = chain;
    else
        parent->child = chain;
    ScanAstNode* n = chain;
    for (;; n = n->sibling) {
        n->parent = parent;
        if (!n->sibling) break;
    }
    return n;
}

ScanAstNode* SL_PSO_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* last, ScanAstNode* child) {
    if (!child) return parent;
    if (!parent->child) {
        parent->child = child;
    } else {
        if (!last) last = last_of(parent->child);
        last->sibling = child;
        for (const PsoLast& p : kPsoLast)
            if (p.kind == child->kind) *p.last = child;
    }
    child->parent = parent;
    return parent;
}

ScanAstNode* SCAN_COPY_AST(const ScanAstNode* node, ScanAstNode* parent) {
    ScanAstNode* head = nullptr;
    ScanAstNode* prev = nullptr;
    for (; node; node = node->sibling) {
        ScanAstNode* copy = copy_one(node);
        copy->parent = parent;
        copy->child = SCAN_COPY_AST(node->child, copy);
        if (prev)
            prev->sibling = copy;
        else
            head = copy;
        prev = copy;
    }
    return head;
}

ScanAstNode* SCAN_DUP_AST(const ScanAstNode* node) {
    if (!node) return nullptr;
    ScanAstNode* copy = copy_one(node);
    copy->sibling = node->sibling;
    copy->parent = node->parent;
    copy->child = SCAN_COPY_AST(node->child, copy);
    return copy;
}

ScanAstNode* SCAN_FIND_AST(ScanAstNode* chain, int kind) {
    for (; chain; chain = chain->sibling)
        if (chain->kind == kind) return chain;
    return nullptr;
}

ScanAstNode* SCAN_FIND_EXTRA_SEQ(ScanAstNode* chain, int n) {
    int seen = 0;
    for (; chain; chain = chain->sibling) {
        if (chain->kind != EXTRA_SEQ_NODE) continue;
        if (seen == n) return chain;
        ++seen;
    }
    return nullptr;
}

int SCAN_COUNT_SIBLING_AST(const ScanAstNode* node) {
    int n = 0;
    for (; node; node = node->sibling) ++n;
    return n;
}

int SCAN_CHILD_COUNT(const ScanAstNode* node) { return node ? SCAN_COUNT_SIBLING_AST(node->child) : 0; }

// A debugging dump on the screen only.
void SCAN_PRINT_AST(const ScanAstNode* node, int indent) {
    for (; node; node = node->sibling) {
        std::printf("%*s%s", indent, "", scan_node_name(node->kind));
        if (is_shown_leaf(node->kind))
            std::printf(" [%s]\n", node->attribute ? node->attribute : "(null)");
        else
            std::putchar('\n');
        SCAN_PRINT_AST(node->child, indent + 4);
    }
}

void SCAN_FREE_AST(ScanAstNode* node) {
    while (node) {
        ScanAstNode* next = node->sibling;
        SCAN_FREE_AST(node->child);
        std::free(node->attribute);
#ifdef KEST_FUZZ
        live_nodes().erase(node);
#endif
        std::free(node);
        node = next;
    }
}

const char* scan_node_name(int kind) {
    return kind >= 0 && kind < SCAN_NODE_KIND_COUNT ? node_name_tab[kind] : "?";
}

void SCAN_AST_reset_globals() {
    for (const PsoLast& p : kPsoLast) *p.last = nullptr;
#ifdef KEST_FUZZ
    for (ScanAstNode* n : live_nodes()) {
        std::free(n->attribute);
        std::free(n);
    }
    live_nodes().clear();
#endif
}
