// Block checks of the scan language.
#include "scanlang/front/seman.h"

#include <cstring>
#include <string>
#include <unordered_set>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"

uint16_t dft_t[48], pso_t[12], select_scan_t[8], sequence_t[5], connect_scan_t[8], port_t[3], select_t[2],
    scan_clock_t[3], connect_bist_t[7], bist_instruction_t[2], atpg_constraints_t[26], select_fault_t[12],
    statistical_t[2], map_t[4], map_cell_t[7], group_cell_t[2], scan_delay_t[3], map_scan_t[2], delay_cell_t[7],
    decoder_out_t[2], scan_decoder_t[20], instruction_t[10], wrapper_chain_t[3], wrapper_info_t[6], diff_pad_t[2],
    gristel_t[2], tddm_tdm_info_t[3], tddm_group_t[3], tdm_group_t[4];
uint16_t con_port_t[4], set_timing_t[6], ta_constraints_t[8], scan_module_t[4], delay_cell_map_t[2], test_files_t[4],
    scan_repair_t[5], clock_period_t[1], test_conversion_t[6], conversion_clock_t[2], connect_core_tt[6];

std::string map_file_name;
std::string dft_file_name;

const char* const select_scan_name[8] = {"%SCAN_INIT",      "%SCAN_INCR", "%SCAN_MAX",  "%DONT_SCAN_TYPE",
                                         "%MUST_SCAN_TYPE", "%DONT_SCAN", "%MUST_SCAN", "%DONT_SCAN_MODULE"};
const char* const sequence_name[5] = {"%FORCE", "%CYCYLE_LENGTH", "%SET_TIMING", "%FORCE_CLOCK", "%FRAME_LENGTH"};
const char* const connect_scan_name[7] = {"%SCAN_PORT",      "%SCAN_CLOCK",          "%SCAN_INSTRUCTION",
                                          "%SCAN_INSTANCES", "%SCAN_INSTANCES_FILE", "%SCAN_DELAY",
                                          "%SACN_SELECT"};
const char* const port_name[3] = {"%SCAN_IN", "%SCAN_OUT", "%DEFAULT"};
const char* const select_name[2] = {"%SELECT", "%GLOBAL_SELECT"};
const char* const map_cell_name[7] = {"%SCAN_PORT %SYSTEM_IN", "%SCAN_PORT %SCAN_IN", "%SCAN_PORT %SCAN_OUT",
                                      "%CHANGE_NAME",          "%SCAN_SELECT_#",      "%SCAN_CLOCK_#",
                                      "%SCAN_PORT %SCAN_OUT_INV"};
const char* const connect_bist_name[7] = {"%BIST_TYPE",        "%BIST_PORT",      "%BIST_SELECT",
                                          "%BIST_CLOCK",       "%BIST_INSTRUCTION", "%BIST_INSTANCES",
                                          "%BIST_INSTANCES_FILE"};
const char* const bist_instruction_name[2] = {"%INSTRUCTION", "%SEED"};
const char* const diff_pad_name[2] = {"%P_PAD", "%N_PAD"};
const char* const wrapper_chain_name[3] = {"%CLK", "%SCAN_IN", "%SCAN_OUT"};
const char* const gristel_name[3] = {"%TDDM_TDM_INFO", "TOP_MODULE", "%SPEED_RATIO"};
const char* const tddm_tdm_info_name[3] = {"%TDDM_GROUP", "%TDM_GROUP", "%SPEED_RATIO"};
const char* const tddm_group_name[3] = {"%TDDM_IN", "%CLOCK", "%CHAIN_ORDER"};
const char* const tdm_group_name[4] = {"%TDM_OUT", "%CLOCK", "%CHAIN_ORDER", "%CLEAR"};
const char* const select_fault_name[12] = {
    "%FAULT_MODEL",   "%FAULT_ORDER",   "%DONT_FAULT_TYPE",     "%DONT_FAULT",        "%MUST_FAULT_TYPE",
    "%MUST_FAULT",    "%FILE_NAME",     "%RANDOM_SAMPLE",       "%STATISTICAL_SAMPLE", "%DONT_FAULT_MODULE",
    "%DONT_FAULT_FILE", "%MUST_FAULT_FILE"};
const char* const statistical_name[2] = {"%PRECISION", "%CONFIDENCE_LEVEL"};
const char* const scan_delay_name[3] = {"%DELAY_OUT", "%DELAY_OUT_DEFAULT", "%SCAN_TEST"};
const char* const delay_cell_name[7] = {"%SCAN_PORT %SCAN_IN", "%SCAN_PORT %SCAN_OUT", "%LOOP_DATA_IN",
                                        "%LOOP_DATA_OUT",      "%DELAY_SCAN_TEST",     "%DELAY_SCAN_CLOCK",
                                        "%DELAY_SCAN_SCAN"};
const char* const scan_decoder_name[15] = {
    "%CONTROL_PORT_1",    "%CONTROL_PORT_2",   "%CONTROL_PORT_3",   "SCAN_MODE",
    "%TEST_MODE",         "%OVERIDE_MODE",     "%SCAN_MODE_OUT",    "%SCAN_MODE_INV_OUT",
    "%TEST_MODE_OUT",     "%TEST_MODE_INV_OUT", "%OVERRIDE_MODE_OUT", "%OVERRIDE_MODE_INV_OUT",
    "%RAM_WRITE_",        "%POSITION",         "%DECODER_NAME"};

namespace {

// One check of a closed block: a required statement (MISSING, entry a),
// two that exclude each other (EXCLUSIVE, a and b) or two of which one is
// required (ONE_OF, a and b).
enum class Rule { MISSING, EXCLUSIVE, ONE_OF };
struct Check {
    Rule rule;
    int a;
    int b;
};
struct BlockChecks {
    int block;
    const uint16_t* table;
    const char* const* names;
    std::initializer_list<Check> checks;
};

constexpr Check missing(int a) { return {Rule::MISSING, a, -1}; }
constexpr Check exclusive(int a, int b) { return {Rule::EXCLUSIVE, a, b}; }
constexpr Check one_of(int a, int b) { return {Rule::ONE_OF, a, b}; }

const BlockChecks kBlockChecks[] = {
    {BLOCK_SELECT_SCAN, select_scan_t, select_scan_name, {missing(0), missing(1), missing(2), missing(3)}},
    {BLOCK_SEQUENCE, sequence_t, sequence_name, {missing(SEQ_FORCE)}},
    {BLOCK_CONNECT_SCAN, connect_scan_t, connect_scan_name, {missing(2), exclusive(3, 4)}},
    {BLOCK_PORT, port_t, port_name, {missing(0), missing(1)}},
    {BLOCK_SELECT, select_t, select_name, {missing(0), missing(1)}},
    {BLOCK_CONNECT_BIST,
     connect_bist_t,
     connect_bist_name,
     {missing(0), missing(1), missing(2), missing(3), missing(4), one_of(5, 6), exclusive(5, 6)}},
    {BLOCK_BIST_INSTRUCTION, bist_instruction_t, bist_instruction_name, {missing(0), missing(1)}},
    {BLOCK_SCAN_DELAY, scan_delay_t, scan_delay_name, {missing(0), missing(1), missing(2)}},
    {BLOCK_SELECT_FAULT,
     select_fault_t,
     select_fault_name,
     {missing(0), missing(1), missing(2), missing(3), missing(4), one_of(7, 8), exclusive(7, 8)}},
    {BLOCK_STATISTICAL, statistical_t, statistical_name, {missing(0), missing(1)}},
    {BLOCK_MAP_CELL, map_cell_t, map_cell_name, {missing(1), one_of(4, 5)}},
    {BLOCK_DELAY_CELL,
     delay_cell_t,
     delay_cell_name,
     {missing(0), missing(1), missing(2), missing(3), missing(4), missing(5), missing(6)}},
    {BLOCK_SCAN_DECODER, scan_decoder_t, scan_decoder_name, {exclusive(0, 3), exclusive(1, 4)}},
    {BLOCK_DIFF_PAD, diff_pad_t, diff_pad_name, {missing(0), missing(1)}},
    {BLOCK_WRAPPER_CHAIN, wrapper_chain_t, wrapper_chain_name, {missing(0), missing(1), missing(2)}},
    {BLOCK_GRISTEL_INFO, gristel_t, gristel_name, {missing(GRISTEL_TDDM_TDM_INFO), missing(GRISTEL_TOP_MODULE)}},
    {BLOCK_TDDM_TDM_INFO,
     tddm_tdm_info_t,
     tddm_tdm_info_name,
     {missing(TDDM_TDM_INFO_TDDM_GROUP), missing(TDDM_TDM_INFO_TDM_GROUP)}},
    {BLOCK_TDDM_GROUP, tddm_group_t, tddm_group_name, {missing(0), missing(1), missing(2)}},
    {BLOCK_TDM_GROUP, tdm_group_t, tdm_group_name, {missing(0), missing(1), missing(2), missing(3)}},
};

const char* attr_or_empty(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

ScanAstNode* find_child(ScanAstNode* parent, int kind) { return parent ? SCAN_FIND_AST(parent->child, kind) : nullptr; }

// The names (attribute of the first child) of the entries under a list node.
std::unordered_set<std::string> entry_names(ScanAstNode* list) {
    std::unordered_set<std::string> names;
    for (ScanAstNode* e = list->child; e; e = e->sibling)
        if (e->child) names.insert(attr_or_empty(e->child));
    return names;
}

// Instruction names that connect-scan or connect-BIST entries use must be
// defined by an %INSTRUCTION block.
void check_instruction_uses(ScanAstNode* uses, int use_kind, const std::unordered_set<std::string>& instructions) {
    if (!uses) return;
    for (ScanAstNode* entry = uses->child; entry; entry = entry->sibling) {
        ScanAstNode* use = find_child(entry, use_kind);
        if (!use) continue;
        ScanAstNode* name = use_kind == SCAN_INSTRUCTION_NODE ? use->child : SCAN_FIND_AST(use->child, IDENT_NODE);
        if (!name || name->kind != IDENT_NODE) continue;
        if (!instructions.count(attr_or_empty(name))) undefined_error("INSTRUCTION name", name->attribute, name->line);
    }
}

}  // namespace

void check_missing(int block) {
    for (const BlockChecks& b : kBlockChecks) {
        if (b.block != block) continue;
        const char* file = in_file_name.c_str();
        for (const Check& c : b.checks) {
            switch (c.rule) {
            case Rule::MISSING:
                if (b.table[c.a] == 0) error_handler(file, scan_yylineno, SCAN_WARN_MISSING, b.names[c.a], nullptr);
                break;
            case Rule::EXCLUSIVE:
                if (b.table[c.a] != 0 && b.table[c.b] != 0)
                    error_handler(file, scan_yylineno, SCAN_WARN_EXCLUSIVE, b.names[c.a], b.names[c.b]);
                break;
            case Rule::ONE_OF:
                if (b.table[c.a] == 0 && b.table[c.b] == 0)
                    error_handler(file, scan_yylineno, SCAN_WARN_ONE_OF, b.names[c.a], b.names[c.b]);
                break;
            }
        }
        return;
    }
}

int check_atpg_pattern_length(ScanAstNode* entry) {
    if (!entry || !entry->child) return 0;
    const size_t ports = static_cast<size_t>(SCAN_CHILD_COUNT(entry->child));
    ScanAstNode* patterns = entry->child->sibling;
    for (ScanAstNode* p = patterns ? patterns->child : nullptr; p; p = p->sibling)
        if (p->attribute && std::strlen(p->attribute) != ports)
            error_handler(in_file_name.c_str(), p->line, SCAN_ERR_PATTERN_LENGTH, p->attribute, nullptr);
    return 0;
}

void check_atpg_scan_opt_duplicate(ScanAstNode* chain) {
    for (ScanAstNode* a = chain; a; a = a->sibling)
        for (ScanAstNode* b = a->sibling; b; b = b->sibling) {
            if (!a->child || !b->child) continue;
            if (std::string(attr_or_empty(a->child)) != attr_or_empty(b->child)) continue;
            std::string name = std::string("%ATPG_MODE ") + attr_or_empty(b->child);
            error_handler(in_file_name.c_str(), b->line, SCAN_WARN_MULTIPLE, name.c_str(), nullptr);
        }
}

void check_dft_semantic() {
    if (!thedftAST) return;
    ScanAstNode* top = thedftAST->child;
    ScanAstNode* instructions = SCAN_FIND_AST(top, INSTRUCTION_LIST_NODE);
    if (instructions) {
        const std::unordered_set<std::string> names = entry_names(instructions);
        check_instruction_uses(SCAN_FIND_AST(top, CONNECT_SCAN_LIST_NODE), SCAN_INSTRUCTION_NODE, names);
        check_instruction_uses(SCAN_FIND_AST(top, CONNECT_BIST_LIST_NODE), BIST_INSTRUCTION_NODE, names);
    }
    ScanAstNode* sequences = SCAN_FIND_AST(top, SEQUENCE_LIST_NODE);
    if (instructions && sequences) {
        const std::unordered_set<std::string> names = entry_names(sequences);
        for (ScanAstNode* instr = instructions->child; instr; instr = instr->sibling) {
            for (ScanAstNode* item = instr->child ? instr->child->sibling : nullptr; item; item = item->sibling) {
                if (item->kind == MODE_NODE) continue;
                if (!item->child) tree_error();
                if (item->kind == PREAMBLE_NODE || item->kind == POSTAMBLE_NODE) {
                    for (ScanAstNode* id = item->child->child; id; id = id->sibling)
                        if (!names.count(attr_or_empty(id)))
                            undefined_error("SEQUENCE name", id->attribute, item->child->line);
                } else if (!names.count(attr_or_empty(item->child))) {
                    undefined_error("SEQUENCE name", item->child->attribute, item->child->line);
                }
            }
        }
    }
    if (ScanAstNode* atpg = SCAN_FIND_AST(top, ATPG_CONSTAINTS_NODE)) {
        for (ScanAstNode* mode = atpg->child; mode; mode = mode->sibling) {
            // The lists hang in the mode's constraint body (or, in a
            // tree built otherwise, straight under the mode).
            ScanAstNode* holders[2] = {mode, find_child(mode, ATPG_CONTAIN_NODE)};
            for (int kind : {ILLEGAL_INPUTS_LIST_NODE, LEGAL_INPUTS_LIST_NODE, GRAY_CODE_LIST_NODE})
                for (ScanAstNode* holder : holders)
                    if (ScanAstNode* list = find_child(holder, kind))
                        for (ScanAstNode* e = list->child; e; e = e->sibling) check_atpg_pattern_length(e);
        }
    }
    if (ScanAstNode* read_map = SCAN_FIND_AST(top, READ_MAP_NODE)) {
        if (!read_map->child) tree_error();
        map_file_name = attr_or_empty(read_map->child);
        has_map_file = 1;
    }
}

void check_map_semantic() {
    ScanAstNode* scans = thedftAST ? SCAN_FIND_AST(thedftAST->child, CONNECT_SCAN_LIST_NODE) : nullptr;
    ScanAstNode* maps = themapAST ? SCAN_FIND_AST(themapAST->child, MAP_SCAN_LIST_NODE) : nullptr;
    if (!scans || !maps) return;
    std::unordered_set<std::string> mapped;
    for (ScanAstNode* m = maps->child; m; m = m->sibling)
        if (m->child) mapped.insert(attr_or_empty(m->child));
    for (ScanAstNode* entry = scans->child; entry; entry = entry->sibling) {
        ScanAstNode* cell = entry->child ? entry->child->child : nullptr;
        cell = cell ? cell->sibling : nullptr;
        if (cell && !mapped.count(attr_or_empty(cell)))
            error_handler(dft_file_name.c_str(), cell->line, SCAN_WARN_NO_MAP_DEFINITION, cell->attribute, nullptr);
    }
}

void SCAN_SEMAN_reset_globals() {
    initial_parser();
    scan_clear_table(con_port_t);
    scan_clear_table(set_timing_t);
    scan_clear_table(ta_constraints_t);
    scan_clear_table(scan_module_t);
    scan_clear_table(delay_cell_map_t);
    scan_clear_table(test_files_t);
    scan_clear_table(scan_repair_t);
    scan_clear_table(clock_period_t);
    scan_clear_table(test_conversion_t);
    scan_clear_table(conversion_clock_t);
    scan_clear_table(connect_core_tt);
    map_file_name.clear();
    dft_file_name.clear();
}
