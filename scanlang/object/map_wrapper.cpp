// Mapping of %WRAPPER, %GRISTEL_INFO and %DEF_INFO.
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// A wrapper clock: the clock statement's value (a bare name stands for
// itself).
std::string clock_name(const ScanAstNode* clock) { return clock->attribute ? node_text(clock) : first_child_text(clock); }
int clock_line(const ScanAstNode* clock) { return clock->attribute ? clock->line : value_line(clock); }

WrapperChainEntry wrapper_chain(const ScanAstNode* chain) {
    WrapperChainEntry e;
    e.name_line = chain->child ? chain->child->line : -1;
    e.line = chain->line;
    for (const ScanAstNode* c = chain->child; c; c = c->sibling) {
        if (c->kind == IDENT_NODE) {
            e.name = node_text(c);
        } else if (c->kind == WRAPPER_CLOCK_LIST_NODE && c->child) {
            e.clock1 = clock_name(c->child);
            e.clock1_line = clock_line(c->child);
            if (const ScanAstNode* second = c->child->sibling) {
                e.clock2 = clock_name(second);
                e.clock2_line = clock_line(second);
                for (const ScanAstNode* more = second->sibling; more; more = more->sibling)
                    e.more_clocks.push_back({clock_name(more), clock_line(more)});
            }
        } else if (c->kind == SCAN_IN_NODE) {
            e.scan_in = first_child_text(c);
            e.scan_in_line = value_line(c);
        } else if (c->kind == SCAN_OUT_NODE) {
            e.scan_out = first_child_text(c);
            e.scan_out_line = value_line(c);
        }
    }
    return e;
}

// The names of a %CHAIN_ORDER and the line of the first of them.
void chain_order(const ScanAstNode* statement, DynArray<std::string>& names, int& line) {
    if (!names) names.emplace();
    const ScanAstNode* first = statement->child ? statement->child->child : nullptr;
    if (first) line = first->line;
    append_texts(names, first);
}

void tddm_group(const ScanAstNode* group, GristelGroupRecord& r) {
    r.tddm_group_line = group->line;
    for (const ScanAstNode* c = group->child; c; c = c->sibling) {
        if (c->kind == TDDM_IN_NODE) {
            r.tddm_in = first_child_text(c);
            r.tddm_in_line = value_line(c);
        } else if (c->kind == CLOCK_NODE) {
            r.tddm_clock = first_child_text(c);
            r.tddm_clock_line = value_line(c);
        } else if (c->kind == CHAIN_ORDER_NODE) {
            chain_order(c, r.tddm_chain_order, r.tddm_chain_order_line);
        } else if (c->kind == IDENT_NODE) {
            r.tddm_name = node_text(c);
            r.tddm_name_line = c->line;
        }
    }
}

void tdm_group(const ScanAstNode* group, GristelGroupRecord& r) {
    r.tdm_group_line = group->line;
    for (const ScanAstNode* c = group->child; c; c = c->sibling) {
        if (c->kind == TDM_OUT_NODE) {
            r.tdm_out = first_child_text(c);
            r.tdm_out_line = value_line(c);
        } else if (c->kind == CLOCK_NODE) {
            r.tdm_clock = first_child_text(c);
            r.tdm_clock_line = value_line(c);
        } else if (c->kind == CHAIN_ORDER_NODE) {
            chain_order(c, r.tdm_chain_order, r.tdm_chain_order_line);
        } else if (c->kind == IDENT_NODE) {
            r.tdm_name = node_text(c);
            r.tdm_name_line = c->line;
        } else if (c->kind == CLEAR_NODE) {
            r.clear = first_child_text(c);
            r.clear_line = value_line(c);
        }
    }
}

GristelGroupRecord gristel_group(const ScanAstNode* entry) {
    GristelGroupRecord r;
    r.line = entry->line;
    for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
        if (c->kind == SPEED_RATIO_NODE) {
            r.speed_ratio = map_node_int(c->child);
            r.speed_ratio_line = value_line(c);
        } else if (c->kind == IDENT_NODE) {
            r.name = node_text(c);
            r.name_line = c->line;
        } else if (c->kind == TDDM_GROUP_NODE) {
            tddm_group(c, r);
        } else if (c->kind == TDM_GROUP_NODE) {
            tdm_group(c, r);
        }
    }
    return r;
}

}  // namespace

void map_wrapper(const ScanAstNode* section) {
    if (!section) return;
    WrapperRecord r;
    r.keyword_line = wrapper_top_line;
    r.line = section->line;
    for (const ScanAstNode* c = section->child ? section->child->child : nullptr; c; c = c->sibling) {
        switch (c->kind) {
        case TYPE_NODE: r.type = first_child_text(c); break;
        case BSC_LIB_FILE_NODE: r.bsc_lib_file = first_child_text(c); break;
        case BS_CHAIN_FILE_NODE: r.bs_chain_file = first_child_text(c); break;
        case LBIST_FILE_NODE: r.lbist_file = first_child_text(c); break;
        case MBIST_FILE_NODE: r.mbist_file = first_child_text(c); break;
        case WRAPPER_CHAIN_FILE_NODE: r.wrapper_chain_file = first_child_text(c); break;
        case WRAPPER_CELL_NODE:
            if (!r.cells) r.cells.emplace();
            r.cells->push_back(
                {first_child_text(c), c->child ? node_text(c->child->sibling) : "", value_line(c)});
            break;
        case WRAPPER_CHAIN_LIST_NODE:
            if (!r.chains) r.chains.emplace();
            for (const ScanAstNode* chain = c->child; chain; chain = chain->sibling)
                r.chains->push_back(wrapper_chain(chain));
            break;
        case SKIP_SIGNALS_NODE:
            if (c->child) append_texts(r.skip_signals, c->child->child);
            break;
        case INSTRUCTION_NODE:
            if (!r.instructions) r.instructions.emplace();
            r.instructions->push_back(first_child_text(c));
            break;
        default: break;
        }
    }
    DFT_OBJECT->wrapper.emplace().push_back(std::move(r));
}

void map_gristel_info(const ScanAstNode* section) {
    if (!section) return;
    GristelInfoRecord r;
    r.keyword_line = gristel_top_line;
    r.line = section->line;
    for (const ScanAstNode* c = section->child; c; c = c->sibling) {
        if (c->kind == TOP_MODULE_NODE) {
            r.top_module = first_child_text(c);
            r.top_module_line = value_line(c);
        } else if (c->kind == SPEED_RATIO_NODE) {
            r.speed_ratio = map_node_int(c->child);
            r.speed_ratio_line = value_line(c);
        } else if (c->kind == TDDM_TDM_INFO_LIST_NODE) {
            for (const ScanAstNode* entry = c->child; entry; entry = entry->sibling) {
                if (!r.groups) r.groups.emplace();
                r.groups->push_back(gristel_group(entry));
            }
        }
    }
    DFT_OBJECT->gristel_info.emplace().push_back(std::move(r));
}

void map_def_info(const ScanAstNode* section) {
    if (!section) return;
    DefInfoRecord r;
    r.keyword_line = def_info_top_line;
    r.line = section->line;
    for (const ScanAstNode* p = section->child; p; p = p->sibling) {
        if (!r.partitions) r.partitions.emplace();
        r.partitions->push_back({p->line, p->child ? texts_or_none(p->child->child) : std::nullopt});
    }
    DFT_OBJECT->def_info.emplace().push_back(std::move(r));
}
