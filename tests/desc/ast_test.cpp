// Syntax-tree nodes: constructors, links, search and printing.

#include <gtest/gtest.h>

#include "desc_test_util.h"

namespace {

using namespace desc;
using desctest::DescTest;

TEST_F(DescTest, ConstructorsLinkChildrenInOrderWithParents) {
    ast_line = 7;
    DescAstNode* a = MAKE_LEAF_AST(IDENT_NODE, "a", 3);
    DescAstNode* b = MAKE_LEAF_AST(INTEGER_NODE, "12", 3);
    DescAstNode* c = MAKE_LEAF_AST(PATTERN_NODE, "0101", 4);
    DescAstNode* t = MAKE_TRIO_AST(EXTRA_NODE, a, b, c);
    EXPECT_EQ(t->line, 7);
    EXPECT_EQ(t->text, nullptr);
    EXPECT_EQ(t->child, a);
    EXPECT_EQ(a->sibling, b);
    EXPECT_EQ(b->sibling, c);
    EXPECT_EQ(c->sibling, nullptr);
    for (DescAstNode* n : {a, b, c}) EXPECT_EQ(n->parent, t);
    EXPECT_EQ(FIND_AST(t->child, INTEGER_NODE), b);
    EXPECT_EQ(FIND_AST(t->child, DUMMY), nullptr);
    EXPECT_EQ(FIND_AST(nullptr, IDENT_NODE), nullptr);

    // APPEND_CHILD adds a whole chain after the last child; none changes nothing.
    DescAstNode* d = MAKE_LEAF_AST(IDENT_NODE, "d", 5);
    d->sibling = MAKE_LEAF_AST(IDENT_NODE, "e", 5);
    EXPECT_EQ(APPEND_CHILD(t, d), t);
    EXPECT_EQ(c->sibling, d);
    EXPECT_EQ(d->sibling->parent, t);
    EXPECT_EQ(APPEND_CHILD(t, nullptr), t);
    EXPECT_EQ(d->sibling->sibling, nullptr);

    DescAstNode* solo = MAKE_SOLO_AST(DUMMY, MAKE_AST(TRST_NODE));
    EXPECT_EQ(solo->child->parent, solo);
    DescAstNode* q = MAKE_QUARTET_AST(CONNECT_NODE, MAKE_AST(TDI_NODE), MAKE_AST(TDO_NODE), MAKE_AST(TMS_NODE),
                                      MAKE_AST(TCK_NODE));
    EXPECT_EQ(q->child->sibling->sibling->sibling->kind, TCK_NODE);

    EXPECT_EQ(PUT_ATTRIBUTE(a, "renamed"), a);
    EXPECT_STREQ(a->text, "renamed");
    DescAstNode* bare = NEW_AST();
    EXPECT_EQ(bare->kind, 0);
    EXPECT_EQ(bare->line, 7);
    EXPECT_EQ(bare->child, nullptr);
    FREE_AST(bare);
    FREE_AST(t);
    FREE_AST(solo);
    FREE_AST(q);
}

// Each node prints its own kind's name; leaves add their text.
TEST_F(DescTest, PrintShowsKindsLeavesAndIndent) {
    DescAstNode* root = MAKE_AST(PROGRAM_NODE);
    DescAstNode* cell = MAKE_DUET_AST(SCAN_CELL_NODE, MAKE_LEAF_AST(IDENT_NODE, "BC1", 1),
                                      MAKE_SOLO_AST(TRST_NODE, MAKE_LEAF_AST(IDENT_NODE, "-T", 1)));
    APPEND_CHILD(root, cell);
    APPEND_CHILD(root, MAKE_SOLO_AST(UPDATE_DR_NODE, MAKE_LEAF_AST(INTEGER_NODE, "8", 2)));
    APPEND_CHILD(root, MAKE_SOLO_AST(DUMMY, MAKE_LEAF_AST(PATTERN_NODE, "01", 2)));
    std::string out = desctest::stdout_of([&] { PRINT_AST(root, 0); });
    EXPECT_EQ(out,
              "PROGRAM_NODE\n"
              "    SCAN_CELL_NODE\n"
              "        IDENT_NODE [BC1]\n"
              "        TRST_NODE\n"
              "            IDENT_NODE [-T]\n"
              "    UPDATE_DR_NODE\n"
              "        INTEGER_NODE [8]\n"
              "    DUMMY\n"
              "        PATTERN_NODE [01]\n");
    FREE_AST(root);
}

TEST(DescAstNames, EveryKindHasItsName) {
    EXPECT_EQ(DESC_KIND_COUNT, 157);
    EXPECT_STREQ(ast_kind_name(ACCESS_NODE), "ACCESS_NODE");
    EXPECT_STREQ(ast_kind_name(BL_TEST_SETING_NODE), "BL_TEST_SETING_NODE");
    EXPECT_STREQ(ast_kind_name(JS_PIN_BCELL_NODE), "JS_PIN_BCELL_NODE");
    EXPECT_STREQ(ast_kind_name(WEAK_1_NODE), "WEAK_1_NODE");
    EXPECT_STREQ(ast_kind_name(DUMMY), "DUMMY");
    EXPECT_STREQ(ast_kind_name(-1), "?");
    EXPECT_STREQ(ast_kind_name(DESC_KIND_COUNT), "?");
}

}  // namespace
