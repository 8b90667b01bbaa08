// Node kinds of the scan-language syntax tree (numbered by their place in
// scan_nodes.def) and their printed names.
#pragma once

enum ScanNodeKind : int {
#define SCAN_NODE(name) name,
#include "scanlang/front/scan_nodes.def"
    SCAN_NODE_KIND_COUNT
};

// The name of each kind, indexed by kind.
extern const char* const node_name_tab[SCAN_NODE_KIND_COUNT];
