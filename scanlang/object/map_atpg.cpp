// Mapping of the sections: ATPG constraints, fault selection, test
// conversion and test-access constraints.  A section without any child
// leaves its field none.
#include "scanlang/front/legal_inputs.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/name_files.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

const ScanAstNode* find(const ScanAstNode* chain, int kind) { return SCAN_FIND_AST(chain, kind); }

// The children of the statement of `kind` among `chain` (null without it).
const ScanAstNode* items_of(const ScanAstNode* chain, int kind) {
    const ScanAstNode* n = find(chain, kind);
    return n ? n->child : nullptr;
}

// How many names the list statement of `kind` holds (0 without it).
int written_count(const ScanAstNode* chain, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(chain, kind);
    return n ? SCAN_CHILD_COUNT(n) : 0;
}

// The names under the statement of `kind` (the language's name chains).
TextList names_of(const ScanAstNode* chain, int kind) {
    const ScanAstNode* first = items_of(chain, kind);
    return GET_IDENT1_LIST(first && first->kind == IDENT_LIST_NODE ? first->child : first);
}

AtpgScanOptionRecord atpg_option(const ScanAstNode* block) {
    AtpgScanOptionRecord r;
    r.item_line = block->line;
    if (block->child && block->child->kind == IDENT_NODE) r.name = node_text(block->child);
    const ScanAstNode* v = block->child;
    if (const ScanAstNode* contain = find(block->child, ATPG_CONTAIN_NODE)) {
        r.contain_line = contain->line;
        v = contain->child;
    }
    r.force_list = GET_IDENT2_LIST(items_of(v, FORCE_LIST_NODE));
    r.control_list = GET_IDENT2_LIST(items_of(v, CONTROL_LIST_NODE));
    r.control_cell_list = GET_IDENT2_LIST(items_of(v, CONTROL_CELL_LIST_NODE));
    if (const ScanAstNode* n = find(v, AUTOSAVE_NODE); n && n->child) r.autosave = map_node_int(n->child);
    if (const ScanAstNode* n = find(v, STROBE_NODE); n && n->child)
        r.strobe = Ident2Record{node_text(n->child), node_text(n->child->sibling), -1};
    r.skip_faults = GET_NUMBER_LIST(items_of(v, SKIPFAULTS_NODE));
    r.illegal_inputs = GET_TWO_IDENT1_LIST(items_of(v, ILLEGAL_INPUTS_LIST_NODE));
    check_mapping_num_port_pat(r.illegal_inputs, true);
    r.legal_inputs = GET_TWO_IDENT1_LIST(items_of(v, LEGAL_INPUTS_LIST_NODE));
    check_mapping_num_port_pat(r.legal_inputs, false);
    r.written_legal_inputs = r.legal_inputs;
    r.gray_code = GET_TWO_IDENT1_LIST(items_of(v, GRAY_CODE_LIST_NODE));
    r.power_on_reset = GET_POWER_LIST(items_of(v, POWER_ON_RESET_LIST_NODE));
    r.power_on_set = GET_POWER_LIST(items_of(v, POWER_ON_SET_LIST_NODE));
    r.reset_list = GET_IDENT2_LIST(items_of(v, RESET_LIST_NODE));
    r.reset_disable_list = GET_IDENT2_LIST(items_of(v, RESET_DISABLE_LIST_NODE));
    r.set_list = GET_IDENT2_LIST(items_of(v, SET_LIST_NODE));
    r.set_disable_list = GET_IDENT2_LIST(items_of(v, SET_DISABLE_LIST_NODE));
    r.ram_list = GET_IDENT2_LIST(items_of(v, RAM_LIST_NODE));
    r.atpg_clock_list = GET_IDENT2_LIST(items_of(v, ATPG_CLOCK_LIST_NODE));
    r.black_box = names_of(v, BLACK_BOX_NODE);
    r.bypass = names_of(v, BYPASS_NODE);
    r.uncontrol = names_of(v, UNCONTROL_NODE);
    r.uncontrol_chain = names_of(v, UNCONTROL_CHAIN_NODE);
    r.unobserve = names_of(v, UNOBSERVE_NODE);
    r.unobserve_chain = names_of(v, UNOBSERVE_CHAIN_NODE);
    r.skip_bus = names_of(v, SKIP_BUS_NODE);
    r.no_floating = names_of(v, NO_FLOATING_NODE);
    r.skew_ff = names_of(v, SKEW_FF_NODE);
    r.dont_fault_module = names_of(v, DONT_FAULT_MODULE_NODE);
    r.feedback_loops = first_child_text(find(v, FEEDBACK_LOOPS_NODE));
    r.ram_read_list = GET_TWO_IDENT1_LIST(items_of(v, RAM_READ_LIST_NODE));
    r.ram_write_list = GET_TWO_IDENT1_LIST(items_of(v, RAM_WRITE_LIST_NODE));

    // The illegal patterns join the legal ones as their complement (the
    // illegal statements stay as written), then related legal statements
    // are merged.  The merged groups are this option's own: nothing of an
    // earlier option or file is kept.
    LegalList illegal = r.illegal_inputs;
    transfer_illegal_to_legal(illegal, r.legal_inputs);
    COMBINE_LEGAL.clear();
    r.legal_inputs = combine_relative_legal_inputs(r.legal_inputs);
    r.combine_legal = COMBINE_LEGAL;
    return r;
}

}  // namespace

void map_atpg_constraints(const ScanAstNode* section) {
    if (!section) return;
    // An empty section (the language takes one, with a warning) makes no
    // record; its lines are kept aside, so that a file of it alone is
    // written back with it rather than without any statement.
    AtpgConstraintsRecord& r =
        (section->child ? DFT_OBJECT->atpg_constraints : DFT_OBJECT->empty_atpg_constraints).emplace();
    r.top_line = atpg_constraints_top_line;
    r.line = section->line;
    r.left_brace_line = atpg_left_brace_line;
    for (const ScanAstNode* block = section->child; block; block = block->sibling)
        r.options.push_back(atpg_option(block));
}

void map_select_fault(const ScanAstNode* section) {
    if (!section || !section->child) return;
    SelectFaultRecord& r = DFT_OBJECT->select_fault.emplace();
    r.top_line = select_fault_top_line;
    r.line = section->line;
    r.left_brace_line = select_fault_left_brace_line;
    // The names of the fault-list files join the written lists, after the
    // written names; the counts keep how many of them were written, so
    // that the file is referred to instead of copying its names.
    ScanAstNode* writable = const_cast<ScanAstNode*>(section);
    const std::string dont_file = first_child_text(find(section->child, DONT_FAULT_FILE_NODE));
    const std::string must_file = first_child_text(find(section->child, MUST_FAULT_FILE_NODE));
    const int written_dont = written_count(section->child, DONT_FAULT_NODE);
    const int written_must = written_count(section->child, MUST_FAULT_NODE);
    if (!dont_file.empty()) sl_convert_file_dont_fault(dont_file, writable);
    if (!must_file.empty()) sl_convert_file_must_fault(must_file, writable);
    const ScanAstNode* v = section->child;
    r.fault_model = first_child_text(find(v, FAULT_MODEL_NODE));
    if (const ScanAstNode* n = find(v, RANDOM_SAMPLE_NODE)) r.random_sample = GET_VALUE(n->child);
    if (const ScanAstNode* n = find(v, STATISTICAL_SAMPLE_NODE); n && n->child) {
        StatisticRecord& s = r.statistical_sample.emplace();
        if (const ScanAstNode* p = find(n->child, PRECISION_NODE)) s.precision = GET_VALUE(p->child);
        if (const ScanAstNode* c = find(n->child, CONFIDENCE_LEVEL_NODE)) s.confidence = GET_VALUE(c->child);
        s.line = n->line;
    }
    r.dont_fault_type = names_of(v, DONT_FAULT_TYPE_NODE);
    r.must_fault_type = names_of(v, MUST_FAULT_TYPE_NODE);
    r.dont_fault = names_of(v, DONT_FAULT_NODE);
    r.must_fault = names_of(v, MUST_FAULT_NODE);
    r.dont_fault_module = names_of(v, DONT_FAULT_MODULE_NODE);
    r.fault_order = first_child_text(find(v, FAULT_ORDER_NODE));
    r.file_name = first_child_text(find(v, FILE_NAME_NODE));
    r.dont_fault_file = first_child_text(find(v, DONT_FAULT_FILE_NODE));
    r.must_fault_file = first_child_text(find(v, MUST_FAULT_FILE_NODE));
    // The written names are counted per object, so that nothing of an
    // earlier file's fault lists is taken for this one's.
    if (!r.dont_fault_file.empty()) r.dont_fault_num = written_dont;
    else if (find(v, DONT_FAULT_NODE)) r.dont_fault_num = static_cast<int>(r.dont_fault.size());
    if (!r.must_fault_file.empty()) r.must_fault_num = written_must;
    else if (find(v, MUST_FAULT_NODE)) r.must_fault_num = static_cast<int>(r.must_fault.size());
    if (r.dont_fault_num >= 0) sl_dont_fault_num = r.dont_fault_num;
    if (r.must_fault_num >= 0) sl_must_fault_num = r.must_fault_num;
    if (const ScanAstNode* list = find(v, DONT_FAULT_PATH_LIST)) {
        r.dont_fault_paths.emplace();
        for (const ScanAstNode* item = list->child; item; item = item->sibling) {
            DontFaultPathEntry e;
            for (const ScanAstNode* c = item->child; c; c = c->sibling) {
                if (c->kind == IDENT_NODE) e.name = node_text(c);
                if (c->kind == PATTERN_NODE) e.pattern = node_text(c);
            }
            r.dont_fault_paths->push_back(std::move(e));
        }
    }
}

void map_test_conversion(const ScanAstNode* section) {
    if (!section || !section->child) return;
    TestConversionRecord& r = DFT_OBJECT->test_conversion.emplace();
    r.top_line = test_conversion_top_line;
    r.line = section->line;
    r.left_brace_line = test_conversion_left_brace_line;
    const ScanAstNode* v = section->child;
    r.set_timing = GET_SET_TIMING(find(v, SET_TIMING_NODE));
    if (const ScanAstNode* n = find(v, DIFF_PAD_LIST_NODE)) r.diff_pads = GET_DIFF_PAD_LIST(n);
    if (const ScanAstNode* n = find(v, CONVERSION_CLOCK_NODE)) {
        r.test_c_clock = GET_CLOCK(n->child);
        r.test_b_clock = GET_BIST_CLOCK(n->child);
        if (n->child) r.clock_right_brace_line = n->line;
    }
    r.ram_read_list = GET_TWO_IDENT1_LIST(items_of(v, RAM_READ_LIST_NODE));
    r.ram_write_list = GET_TWO_IDENT1_LIST(items_of(v, RAM_WRITE_LIST_NODE));
    if (find(v, REMOVE_PIN_NODE)) r.remove_pins = names_of(v, REMOVE_PIN_NODE);
}

void map_ta_constraints(const ScanAstNode* section) {
    if (!section || !section->child) return;
    TaConstraintsRecord& r = DFT_OBJECT->ta_constraints.emplace();
    r.top_line = ta_constraints_top_line;
    r.line = section->line;
    const ScanAstNode* v = section->child;
    r.ta_clock_list = GET_IDENT2_LIST(items_of(v, TA_CLOCK_LIST_NODE));
    r.force_list = GET_IDENT2_LIST(items_of(v, FORCE_LIST_NODE));
    r.force_clock_list = GET_IDENT2_LIST(items_of(v, FORCE_CLOCK_LIST_NODE));
    r.ta_dft = names_of(v, TA_DFT_NODE);
    r.isolate_mod = GET_TA_ISOLATE_LIST(items_of(v, ISOLATE_MOD_LIST_NODE));
    r.isolate_ram = GET_TA_ISOLATE_LIST(items_of(v, ISOLATE_RAM_LIST_NODE));
    r.isolate_reg = GET_TA_ISOLATE_LIST(items_of(v, ISOLATE_REG_LIST_NODE));
    r.init_patterns = first_child_text(find(v, INIT_PATTERNS_NODE));
}
