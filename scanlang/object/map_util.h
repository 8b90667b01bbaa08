// Small tree shapes that the section mappings read again and again.
#pragma once

#include <string>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// A node's own text (none for a null node or a node without text).
inline std::string node_text(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

// A pin reference: a bare name, or an instance with its pin hanging
// under it, named "u1{CK}".
inline std::string pin_ref_text(const ScanAstNode* n) {
    return n && n->child ? node_text(n) + "{" + node_text(n->child) + "}" : node_text(n);
}

// A statement's value: the text of its first child.
inline std::string first_child_text(const ScanAstNode* n) { return n ? node_text(n->child) : ""; }

// The source line of a statement's value (of the statement itself when
// it has none).
inline int value_line(const ScanAstNode* n) { return n->child ? n->child->line : n->line; }

// Appends the texts of a sibling chain to `list`, creating the list at
// the first text; an empty chain leaves the list as it was (none stays
// none).
inline void append_texts(DynArray<std::string>& list, const ScanAstNode* chain) {
    for (const ScanAstNode* n = chain; n; n = n->sibling) {
        if (!list) list.emplace();
        list->push_back(node_text(n));
    }
}

// The texts of a sibling chain; none when the chain is empty.
inline DynArray<std::string> texts_or_none(const ScanAstNode* chain) {
    DynArray<std::string> list;
    append_texts(list, chain);
    return list;
}
