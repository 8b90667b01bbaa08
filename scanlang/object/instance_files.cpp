#include "scanlang/object/instance_files.h"

#include <cstdio>
#include <memory>
#include <strings.h>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/nodes.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/pso_records.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/nested_parse.h"
#include "scanlang/object/readers.h"
#include "scanlang/object/side_file_path.h"

std::vector<InstanceTabRow> DONT_SCAN_TAB;
std::vector<InstanceTabRow> DONT_MODIFY_TAB;
std::vector<InstanceTabRow> MUST_BE_TRANS_TAB;

void sl_clear_instance_tables() {
    DONT_SCAN_TAB.clear();
    DONT_MODIFY_TAB.clear();
    MUST_BE_TRANS_TAB.clear();
}

namespace {

// The caller type under which instance files are not read.
constexpr int kCallerWithoutInstanceFiles = 5;

bool has_child(const ScanAstNode* n, int kind) { return n && SCAN_FIND_AST(n->child, kind); }

PsoScanPadRecord scan_pad(const ScanAstNode* pad) {
    PsoScanPadRecord r;
    r.complement = has_child(pad, PSO_COMPLEMENT_NODE);
    r.inverse1 = has_child(pad, PSO_INVERSE1_NODE);
    r.inverse2 = has_child(pad, PSO_INVERSE2_NODE);
    r.name = node_text(SCAN_FIND_AST(pad->child, IDENT_NODE));
    return r;
}

InstanceTabRow table_row(const ScanAstNode* item) {
    InstanceTabRow r;
    r.name = node_text(SCAN_FIND_AST(item->child, IDENT_NODE));
    if (const ScanAstNode* n = SCAN_FIND_AST(item->child, NUMBER_NODE)) r.number = map_node_int(n);
    r.complement = has_child(item, PSO_COMPLEMENT_NODE);
    r.inverse1 = has_child(item, PSO_INVERSE1_NODE);
    r.inverse2 = has_child(item, PSO_INVERSE2_NODE);
    if (const ScanAstNode* cell = SCAN_FIND_AST(item->child, PSO_CELL_NAME_NODE)) {
        r.cell_name = node_text(cell->child);
        if (cell->child) r.cell_pin = node_text(cell->child->sibling);
    }
    return r;
}

// The rows of one list: every item of every entry, the items of a group
// one by one.
void table_rows(const ScanAstNode* list, std::vector<InstanceTabRow>& table) {
    if (!list) return;
    for (const ScanAstNode* entry = list->child; entry; entry = entry->sibling)
        for (const ScanAstNode* item = entry->child; item; item = item->sibling) {
            if (item->kind == GROUP_NODE)
                for (const ScanAstNode* g = item->child; g; g = g->sibling) table.push_back(table_row(g));
            else
                table.push_back(table_row(item));
        }
}

// One GROUP_NODE under `instances` per item of every entry of `list`: a
// group item brings its members, any other item itself (copied: the
// instance file's tree is freed after the read).  `last` is the last
// child of `instances`, kept so that a file of many instances is not
// walked again for every one.
void append_groups(const ScanAstNode* list, ScanAstNode* instances, ScanAstNode*& last) {
    if (!list) return;
    for (const ScanAstNode* entry = list->child; entry; entry = entry->sibling)
        for (const ScanAstNode* item = entry->child; item; item = item->sibling) {
            ScanAstNode* group = SCAN_MAKE_AST(GROUP_NODE);
            if (item->kind == GROUP_NODE) {
                SCAN_APPEND_CHILD(group, SCAN_COPY_AST(item->child, group));
            } else {
                ScanAstNode* copy = SCAN_DUP_AST(item);
                copy->sibling = nullptr;
                SCAN_APPEND_CHILD(group, copy);
            }
            last = FAST_SCAN_APPEND_CHILD(instances, last, group);
        }
}

ScanAstNode* emptied_scan_instances(ScanAstNode* entry) {
    ScanAstNode* instances = SCAN_FIND_AST(entry->child, SCAN_INSTANCES_NODE);
    if (!instances) {
        instances = SCAN_MAKE_AST(SCAN_INSTANCES_NODE);
        SCAN_APPEND_CHILD(entry, instances);
        return instances;
    }
    if (instances->child) SCAN_FREE_AST(instances->child);
    instances->child = nullptr;
    return instances;
}

void read_pso_tree(const ScanAstNode* root, const std::string& file, ScanAstNode* entry, ScanAstNode* instances,
                   InstanceFileInfo& info) {
    const ScanAstNode* first = root->child;
    if (const ScanAstNode* pads = SCAN_FIND_AST(first, SCAN_PAD_LIST_NODE)) {
        if (const ScanAstNode* in = SCAN_FIND_AST(pads->child, SCAN_IN_PAD_NODE)) info.scan_in_pad = scan_pad(in);
        if (const ScanAstNode* out = SCAN_FIND_AST(pads->child, SCAN_OUT_PAD_NODE)) info.scan_out_pad = scan_pad(out);
    }
    if (const ScanAstNode* orders = SCAN_FIND_AST(first, PSO_CLOCK_ORDER_LIST_NODE); orders && orders->child) {
        const ScanAstNode* last = orders->child;
        while (last->sibling) last = last->sibling;
        ScanAstNode* order = SCAN_MAKE_AST(PSO_CLOCK_ORDER_NODE);
        SCAN_APPEND_CHILD(order, SCAN_COPY_AST(last->child, order));
        SCAN_APPEND_CHILD(entry, order);
    }
    const ScanAstNode* must = SCAN_FIND_AST(first, PSO_MUST_SCAN_LIST_NODE);
    const ScanAstNode* full = SCAN_FIND_AST(first, PSO_FULL_SCAN_LIST_NODE);
    const ScanAstNode* selected = SCAN_FIND_AST(first, PSO_SELECTED_SCAN_LIST_NODE);
    const ScanAstNode* group = SCAN_FIND_AST(first, PSO_SCAN_GROUP_LIST_NODE);
    if (full && (must || selected || group))
        scan_fatal_message("ERROR: '" + file + "' file syntax error.\n" +
                           "FULL_SCAN had been defined, the other statements were not allowed.\n");
    ScanAstNode* last = nullptr;  // the SCAN_INSTANCES node was emptied
    append_groups(must, instances, last);
    append_groups(SCAN_FIND_AST(first, PSO_KR_SCAN_LIST_NODE), instances, last);
    append_groups(full, instances, last);
    append_groups(selected, instances, last);
    append_groups(group, instances, last);
    table_rows(SCAN_FIND_AST(first, PSO_DONT_SCAN_LIST_NODE), DONT_SCAN_TAB);
    table_rows(SCAN_FIND_AST(first, PSO_DONT_MODIFY_LIST_NODE), DONT_MODIFY_TAB);
    table_rows(SCAN_FIND_AST(first, PSO_MUST_BE_TRANS_LIST_NODE), MUST_BE_TRANS_TAB);
    info.buffers = SL_BUFFER_LIST;
}

// ------------------------------------------------- SCAN_INSTANCES lists

struct KindWord {
    const char* word;
    int kind;
};
constexpr KindWord kControlKinds[] = {{"CONTROL", 0},           {"CONTROL_WEIGHT0", 1},   {"CONTROL_WEIGHT1", 2},
                                      {"CONTROL_WEIGHT0_A", 5}, {"CONTROL_WEIGHT0_B", 6}, {"CONTROL_WEIGHT1_A", 7},
                                      {"CONTROL_WEIGHT1_B", 8}};
constexpr KindWord kObserveKinds[] = {{"OBSERVE", 3}, {"OBSERVE_BLOCK", 4}};
constexpr KindWord kTransitionKinds[] = {{"TRANSITION", 9}};
constexpr KindWord kPipelineKinds[] = {{"PIPELINE", 10}};

template <std::size_t N>
int kind_of(const ScanAstNode* node, const KindWord (&words)[N]) {
    const std::string text = first_child_text(node);
    for (const KindWord& w : words)
        if (strcasecmp(text.c_str(), w.word) == 0) return w.kind;
    return -1;
}

InstanceElement element_of(const ScanAstNode* x) {
    InstanceElement e = NEW_INSTANCE_ELEMENT();
    if (x->kind == INSTANCE_ELEMENT_NODE) {
        const ScanAstNode* name = SCAN_FIND_AST(x->child, IDENT_NODE);
        e.instance = node_text(name);
        e.is_cell = name ? 0 : 1;
    } else if (x->kind == PSO_CELL_NAME_NODE) {
        e.cell_name = node_text(SCAN_FIND_AST(x->child, IDENT_NODE));
        e.is_cell = 1;
    }
    for (const ScanAstNode* c = x->child; c; c = c->sibling) {
        switch (c->kind) {
        case CAPTURE_NODE:
            e.instance = node_text(c->child);
            e.is_cell = 0;
            e.capture = "CAPTURE1";
            break;
        case NUMBER_NODE: e.chain = map_node_int(c); break;
        case PSO_COMPLEMENT_NODE: e.complement = 1; break;
        case PSO_INVERSE1_NODE: e.inverse1 = 1; break;
        case PSO_INVERSE2_NODE: e.inverse2 = 1; break;
        case PSO_CELL_NAME_NODE:
            e.cell_name = node_text(c->child);
            if (c->child) e.port_name = node_text(c->child->sibling);
            break;
        case PSO_PORT_NAME_NODE:
            e.port_name = node_text(c->child);
            if (c->child) e.second_port_name = node_text(c->child->sibling);
            break;
        case PSO_CONTROL_NODE: e.control_kind = kind_of(c, kControlKinds); break;
        case PSO_OBSERVE_NODE: e.observe_kind = kind_of(c, kObserveKinds); break;
        case PSO_TRANSITION_NODE: e.transition_kind = kind_of(c, kTransitionKinds); break;
        case PSO_PIPELINE_NODE: e.pipeline_kind = kind_of(c, kPipelineKinds); break;
        default: break;
        }
    }
    if (e.is_cell) e.instance = e.cell_name;
    return e;
}

}  // namespace

InstanceFileInfo CONVERT_FILE_INSTANCES(const std::string& file, ScanAstNode* entry) {
    InstanceFileInfo info;
    const std::string path = resolve_against_current_path(file);
    ScanAstNode* instances = emptied_scan_instances(entry);
    if (scan_lang_Option_type == kCallerWithoutInstanceFiles) return info;
    std::unique_ptr<FILE, int (*)(FILE*)> in(scan_open_input(path), &std::fclose);
    // A chain whose instance file is missing would silently lose its
    // instances: that is an error.
    if (!in) error_handler(path.c_str(), 0, SCAN_ERR_OPEN_INPUT, path.c_str(), nullptr);
    NestedParse nested(NestedParse::INSTANCE_FILE);
    in_file_name = path;
    initial_parser();
    scan_yylineno = 1;
    scan_yyin = in.get();
    scan_yyparse();
    if (thepsoAST) read_pso_tree(thepsoAST, file, entry, instances, info);
    return info;
}

ConvertedInstances CONVERT_SCAN_INSTANCES(const ScanAstNode* scan_instances) {
    ConvertedInstances out;
    if (!scan_instances) return out;
    for (const ScanAstNode* c = scan_instances->child; c; c = c->sibling) {
        GroupListRecord group = NEW_GROUP_LIST();
        group.number = SCAN_CHILD_COUNT(c);
        const ScanAstNode* found = SCAN_FIND_AST(c->child, INSTANCE_ELEMENT_NODE);
        if (!found) found = SCAN_FIND_AST(c->child, PSO_CELL_NAME_NODE);
        if (!found) {
            for (const ScanAstNode* d = c->child; d; d = d->sibling) {
                InstanceElement e = NEW_INSTANCE_ELEMENT();
                if (d->kind == IDENT_NODE) {
                    e.instance = node_text(d);
                } else {
                    e.cell_name = node_text(SCAN_FIND_AST(d->child, IDENT_NODE));
                    e.is_cell = 1;
                    e.instance = e.cell_name;
                }
                group.elements.push_back(out.elements.size());
                out.elements.push_back(std::move(e));
            }
        } else {
            for (const ScanAstNode* x = found; x; x = x->sibling) {
                group.elements.push_back(out.elements.size());
                out.elements.push_back(element_of(x));
            }
        }
        if (!group.elements.empty()) out.groups.push_back(std::move(group));
    }
    return out;
}
