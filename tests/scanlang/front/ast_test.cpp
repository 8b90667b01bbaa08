// Syntax-tree operations on small trees.
#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "support/child.h"

namespace {

ScanAstNode* leaf(int kind, const char* text) { return SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(kind), text); }

// The tree as the printer shows it.
std::string printed(const ScanAstNode* node, int indent = 0) {
    return testsupport::stdout_of([&] { SCAN_PRINT_AST(node, indent); });
}

class ScanAst : public testing::Test {
protected:
    void SetUp() override { SCAN_FRONT_reset_globals(); }
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

TEST_F(ScanAst, NodeKindNamesFollowTheList) {
    EXPECT_EQ(SCAN_NODE_KIND_COUNT, 499);
    EXPECT_STREQ(node_name_tab[ALL_NODE], "ALL_NODE");
    EXPECT_STREQ(node_name_tab[3], "ATPG_CONSTAINTS_NODE");
    EXPECT_STREQ(node_name_tab[62], "DEALY_DATA_OUT_NODE");
    EXPECT_EQ(DUMMY, 77);
    EXPECT_EQ(IDENT_NODE, 99);
    EXPECT_EQ(NUMBER_NODE, 138);
    EXPECT_EQ(PROGRAM_NODE, 158);
    EXPECT_EQ(EXTRA_SEQ_NODE, 275);
    EXPECT_EQ(CORE_NO_SCAN, 488);
    EXPECT_STREQ(node_name_tab[491], "MS_VIOLATION");
    EXPECT_STREQ(node_name_tab[498], "EXTRA_GATE_NODE");
    EXPECT_STREQ(scan_node_name(499), "?");
}

TEST_F(ScanAst, ConstructorsLinkChildrenAndTakeTheCurrentLine) {
    scan_yylineno = 12;
    ScanAstNode* a = leaf(IDENT_NODE, "a");
    ScanAstNode* b = leaf(NUMBER_NODE, "1");
    ScanAstNode* c = leaf(IDENT_NODE, "c");
    ScanAstNode* root = SCAN_MAKE_TRIO_AST(PIN_NODE, a, b, c);
    EXPECT_EQ(root->line, 12);
    EXPECT_EQ(root->kind, PIN_NODE);
    EXPECT_EQ(root->child, a);
    EXPECT_EQ(a->sibling, b);
    EXPECT_EQ(b->sibling, c);
    for (ScanAstNode* n : {a, b, c}) EXPECT_EQ(n->parent, root);
    EXPECT_EQ(SCAN_CHILD_COUNT(root), 3);
    EXPECT_EQ(SCAN_COUNT_SIBLING_AST(a), 3);
    EXPECT_EQ(SCAN_CHILD_COUNT(nullptr), 0);

    ScanAstNode* six = SCAN_MAKE_SESTET_AST(CELL_NODE, SCAN_NEW_AST(), SCAN_NEW_AST(), SCAN_NEW_AST(),
                                            SCAN_NEW_AST(), SCAN_NEW_AST(), leaf(IDENT_NODE, "z"));
    EXPECT_EQ(SCAN_CHILD_COUNT(six), 6);
    EXPECT_STREQ(SCAN_FIND_AST(six->child, IDENT_NODE)->attribute, "z");
    SCAN_FREE_AST(root);
    SCAN_FREE_AST(six);
}

TEST_F(ScanAst, AppendingKeepsOrderAndParents) {
    ScanAstNode* list = SCAN_MAKE_AST(IDENT_LIST_NODE);
    ScanAstNode* chain = leaf(IDENT_NODE, "a");
    SCAN_APPEND_SIBLING(chain, leaf(IDENT_NODE, "b"));
    SCAN_APPEND_SIBLING(chain, nullptr);
    SCAN_APPEND_CHILD(list, chain);
    SCAN_APPEND_CHILD(list, nullptr);
    ScanAstNode* last = FAST_SCAN_APPEND_CHILD(list, chain->sibling, leaf(IDENT_NODE, "c"));
    EXPECT_STREQ(last->attribute, "c");
    last = FAST_SCAN_APPEND_CHILD(list, last, leaf(IDENT_NODE, "d"));
    EXPECT_EQ(FAST_SCAN_APPEND_CHILD(list, last, nullptr), list);
    EXPECT_EQ(printed(list),
              "IDENT_LIST_NODE\n    IDENT_NODE [a]\n    IDENT_NODE [b]\n    IDENT_NODE [c]\n    IDENT_NODE [d]\n");
    for (ScanAstNode* n = list->child; n; n = n->sibling) EXPECT_EQ(n->parent, list);
    SCAN_FREE_AST(list);
}

TEST_F(ScanAst, FindsByKindAndCountsExtraSequences) {
    ScanAstNode* chain = SCAN_MAKE_AST(EXTRA_SEQ_NODE);
    SCAN_PUT_ATTRIBUTE(chain, "first");
    SCAN_APPEND_SIBLING(chain, SCAN_MAKE_AST(SHIFT_NODE));
    SCAN_APPEND_SIBLING(chain, SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(EXTRA_SEQ_NODE), "second"));
    EXPECT_EQ(SCAN_FIND_AST(chain, EXTRA_SEQ_NODE), chain);
    EXPECT_EQ(SCAN_FIND_AST(chain, SHIFT_NODE), chain->sibling);
    EXPECT_EQ(SCAN_FIND_AST(chain, HOLD_NODE), nullptr);
    EXPECT_EQ(SCAN_FIND_AST(nullptr, HOLD_NODE), nullptr);
    EXPECT_STREQ(SCAN_FIND_EXTRA_SEQ(chain, 0)->attribute, "first");
    EXPECT_STREQ(SCAN_FIND_EXTRA_SEQ(chain, 1)->attribute, "second");
    EXPECT_EQ(SCAN_FIND_EXTRA_SEQ(chain, 2), nullptr);
    SCAN_FREE_AST(chain);
}

TEST_F(ScanAst, PrintsLeavesWithTheirTextAndIndentsChildren) {
    ScanAstNode* n = leaf(NUMBER_NODE, "12");
    EXPECT_EQ(printed(n, 4), "    NUMBER_NODE [12]\n");
    ScanAstNode* tree = SCAN_MAKE_DUET_AST(PIN_NODE, n, SCAN_MAKE_SOLO_AST(PIN_NAME_NODE, leaf(PATTERN_NODE, "01X")));
    SCAN_APPEND_SIBLING(tree, leaf(FILE_NAME_NODE, "not shown"));
    EXPECT_EQ(printed(tree),
              "PIN_NODE\n    NUMBER_NODE [12]\n    PIN_NAME_NODE\n        PATTERN_NODE [01X]\nFILE_NAME_NODE\n");
    SCAN_FREE_AST(tree);
}

// Copies own their texts: the original and the copy are both freed (the
// sanitizer build would catch a double free or a leak).
TEST_F(ScanAst, CopiesOwnTheirTexts) {
    ScanAstNode* tree = SCAN_MAKE_DUET_AST(PIN_NODE, leaf(IDENT_NODE, "a"), leaf(IDENT_NODE, "b"));
    SCAN_APPEND_SIBLING(tree, leaf(IDENT_NODE, "next"));
    ScanAstNode* parent = SCAN_MAKE_AST(PIN_LIST_NODE);
    ScanAstNode* copy = SCAN_COPY_AST(tree, parent);
    parent->child = copy;
    EXPECT_EQ(printed(copy), printed(tree));
    EXPECT_EQ(copy->parent, parent);
    EXPECT_EQ(copy->sibling->parent, parent);
    EXPECT_EQ(copy->child->parent, copy);
    EXPECT_NE(copy->child->attribute, tree->child->attribute);

    ScanAstNode* dup = SCAN_DUP_AST(tree);
    EXPECT_EQ(dup->sibling, tree->sibling);
    EXPECT_EQ(dup->child->parent, dup);
    EXPECT_STREQ(dup->child->sibling->attribute, "b");
    dup->sibling = nullptr;  // the original chain keeps its own sibling

    SCAN_FREE_AST(tree);
    SCAN_FREE_AST(parent);
    SCAN_FREE_AST(dup);
    EXPECT_EQ(SCAN_COPY_AST(nullptr, nullptr), nullptr);
    EXPECT_EQ(SCAN_DUP_AST(nullptr), nullptr);
}

TEST_F(ScanAst, PsoAppendRemembersTheLastStatementOfItsKind) {
    ScanAstNode* list = SCAN_MAKE_AST(PSO_MUST_SCAN_LIST_NODE);
    ScanAstNode* first = SCAN_MAKE_AST(PSO_MUST_SCAN_NODE);
    SL_PSO_APPEND_CHILD(list, nullptr, first);
    EXPECT_EQ(list->child, first);
    EXPECT_EQ(sl_pso_must_scan_ptr, nullptr);
    ScanAstNode* second = SCAN_MAKE_AST(PSO_MUST_SCAN_NODE);
    SL_PSO_APPEND_CHILD(list, first, second);
    EXPECT_EQ(sl_pso_must_scan_ptr, second);
    ScanAstNode* buffer = SCAN_MAKE_AST(PSO_BUFFER_NODE);
    SL_PSO_APPEND_CHILD(list, nullptr, buffer);  // no known last: appended at the end
    EXPECT_EQ(second->sibling, buffer);
    EXPECT_EQ(sl_pso_buffer_ptr, buffer);
    ScanAstNode* other = SCAN_MAKE_AST(PSO_CLOCK_NODE);
    SL_PSO_APPEND_CHILD(list, buffer, other);
    SL_PSO_APPEND_CHILD(list, other, nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(list), 4);
    for (ScanAstNode* n = list->child; n; n = n->sibling) EXPECT_EQ(n->parent, list);
    SCAN_FREE_AST(list);
}

// A long sibling chain is copied, printed and freed without deep
// recursion.
TEST_F(ScanAst, LongChainsAreWalkedInLoops) {
    ScanAstNode* list = SCAN_MAKE_AST(IDENT_LIST_NODE);
    ScanAstNode* last = nullptr;
    for (int i = 0; i < 200000; ++i) last = FAST_SCAN_APPEND_CHILD(list, last, leaf(IDENT_NODE, "n"));
    ScanAstNode* copy = SCAN_COPY_AST(list, nullptr);
    EXPECT_EQ(SCAN_CHILD_COUNT(copy), 200000);
    SCAN_FREE_AST(list);
    SCAN_FREE_AST(copy);
}

}  // namespace
