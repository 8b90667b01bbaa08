// The scan-language syntax tree.
//
// Every scan-language file (DFT, map, path, PSO, lockup-latch) is parsed
// into a tree of ScanAstNode records.  The grammar actions build it
// bottom-up with the constructors below; the block checks and the object
// model walk it by node kind (nodes.h).  Children hang from their parent's
// `child` as a chain linked through `sibling`, and each points back at
// its `parent`.  Leaves (identifiers, numbers, reals, percentages,
// patterns, names) carry their token text as `attribute`.
//
// Memory: nodes and attributes are malloc'ed (through ealloc, so running
// out of memory is error 10) and a node owns its attribute; SCAN_FREE_AST
// frees a chain with everything below it.  Copies own their attributes
// too, so a tree and its copy may both be freed.
#pragma once

#include "scanlang/front/nodes.h"

struct ScanAstNode {
    int kind;             // a ScanNodeKind
    char* attribute;      // owned token text of a leaf, else null
    int line;             // scan_yylineno when the node was made
    ScanAstNode* child;   // first child
    ScanAstNode* sibling; // next node of the same parent (or top-level chain)
    ScanAstNode* parent;
};

// Constructors: a node of the kind at the current line (scan_yylineno),
// without attribute, sibling or parent; the given children (which must
// exist) become its children in order and point at it.  The last child's
// own sibling link is left as it is.
ScanAstNode* SCAN_NEW_AST();  // kind 0
ScanAstNode* SCAN_MAKE_AST(int kind);
ScanAstNode* SCAN_MAKE_SOLO_AST(int kind, ScanAstNode* c1);
ScanAstNode* SCAN_MAKE_DUET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2);
ScanAstNode* SCAN_MAKE_TRIO_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3);
ScanAstNode* SCAN_MAKE_QUARTET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3, ScanAstNode* c4);
ScanAstNode* SCAN_MAKE_SESTET_AST(int kind, ScanAstNode* c1, ScanAstNode* c2, ScanAstNode* c3, ScanAstNode* c4,
                                  ScanAstNode* c5, ScanAstNode* c6);

// The attribute becomes a copy of the text (null for null); the old one
// is freed.  Returns node.
ScanAstNode* SCAN_PUT_ATTRIBUTE(ScanAstNode* node, const char* text);

// Links `other` (when not null) after the last node of node's sibling
// chain; parents are not touched.  Returns node.
ScanAstNode* SCAN_APPEND_SIBLING(ScanAstNode* node, ScanAstNode* other);
// Links `chain` (when not null) after the parent's last child, or makes it
// the first child, and points every node of the chain at the parent.
// Returns parent.
ScanAstNode* SCAN_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* chain);
// As SCAN_APPEND_CHILD, linking after the known last child `last` (null
// when the parent has no child yet) without walking the children.
// Returns the last node of the chain, or parent when the chain is null.
ScanAstNode* FAST_SCAN_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* last, ScanAstNode* chain);

// Appends one PSO statement: nothing for a null child; the first child of
// a childless parent; otherwise linked after `last` (after the parent's
// real last child when `last` is null) and remembered as the last
// statement of its kind in the matching sl_pso_*_ptr below.  The child
// points at the parent in every case.  Returns parent.
ScanAstNode* SL_PSO_APPEND_CHILD(ScanAstNode* parent, ScanAstNode* last, ScanAstNode* child);
extern ScanAstNode* sl_pso_clock_order_ptr;
extern ScanAstNode* sl_pso_must_scan_ptr;
extern ScanAstNode* sl_pso_dont_scan_ptr;
extern ScanAstNode* sl_pso_dont_modify_ptr;
extern ScanAstNode* sl_pso_must_be_trans_ptr;
extern ScanAstNode* sl_pso_scan_group_ptr;
extern ScanAstNode* sl_pso_full_scan_ptr;
extern ScanAstNode* sl_pso_selected_scan_ptr;
extern ScanAstNode* sl_pso_buffer_ptr;

// Deep copy of node, its subtree and every node after it in its sibling
// chain, with copied attributes; the copies of the chain point at
// `parent`.  Null for null.
ScanAstNode* SCAN_COPY_AST(const ScanAstNode* node, ScanAstNode* parent);
// Copy of node alone that keeps node's sibling and parent links, with a
// deep copy of its children under it.  Null for null.
ScanAstNode* SCAN_DUP_AST(const ScanAstNode* node);

// First node of the sibling chain from `chain` on (itself included) of
// the kind, or null.
ScanAstNode* SCAN_FIND_AST(ScanAstNode* chain, int kind);
// The EXTRA_SEQ_NODE numbered n (from 0) among the chain, or null.
ScanAstNode* SCAN_FIND_EXTRA_SEQ(ScanAstNode* chain, int n);
// Nodes in the sibling chain from node on (0 for null).
int SCAN_COUNT_SIBLING_AST(const ScanAstNode* node);
// Children of node (0 for null).
int SCAN_CHILD_COUNT(const ScanAstNode* node);

// Prints the chain on standard output: per node `indent` blanks, the
// kind's name, then " [<attribute>]" for the leaves IDENT_NODE,
// NUMBER_NODE, PATTERN_NODE, PERCENTAGE_NODE and REAL_NUM_NODE, a newline,
// and its children at indent + 4.
void SCAN_PRINT_AST(const ScanAstNode* node, int indent);

// Frees every node of the chain with its attribute and its children.
void SCAN_FREE_AST(ScanAstNode* node);

// The printed name of a kind ("?" outside the table).
const char* scan_node_name(int kind);

// Forgets the remembered PSO statements.
void SCAN_AST_reset_globals();
