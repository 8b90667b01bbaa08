// The parser's roots, error reports and the tree-building helpers of its
// actions.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exit.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/legal_inputs.h"
#include "scanlang/front/parse_actions.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/pso_records.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/seman.h"

ScanAstNode* theAST = nullptr;
ScanAstNode* thedftAST = nullptr;
ScanAstNode* themapAST = nullptr;
ScanAstNode* thepathAST = nullptr;
ScanAstNode* thepsoAST = nullptr;
ScanAstNode* thelockupAST = nullptr;
int parse_path_fileG = 0;
int sl_lockup_latch_flag = 0;
int dont_fix_flag = 0;
int wrapper_chain_clk_count = 0;
int new_decoder_scan_mode = 0, new_decoder_test_mode = 0, new_decoder_override_mode = 0, new_decoder_ram_write = 0;

namespace {

// Trees of earlier parses of the run, and trees that no root took.  The
// list itself is never destroyed: a run that ends part-way keeps its
// trees reachable to the end of the process.
std::vector<ScanAstNode*>& kept_trees = *new std::vector<ScanAstNode*>;

// The scanner of the parse under way (for the text of syntax errors).
ScanScanner* current_scanner = nullptr;

// Where the last append ended: the holder (or first node of a sibling
// chain) and its last node.
struct AppendMemory {
    ScanAstNode* list = nullptr;
    ScanAstNode* last = nullptr;
};
AppendMemory child_memory, chain_memory;

void forget_appends() { child_memory = chain_memory = {}; }

ScanAstNode* last_of_chain(ScanAstNode* n) {
    while (n && n->sibling) n = n->sibling;
    return n;
}

ScanAstNode** roots[] = {&theAST, &thedftAST, &themapAST, &thepathAST, &thepsoAST, &thelockupAST};

// Ends the run after a message of its own, as a fatal diagnostic does.
[[noreturn]] void fatal_exit() {
    scan_close_log();
    has_error = 0;
    qdx_exit(-1);
}

// Index of the list kind that an item kind joins, or -1.
int list_kind_of(int kind, ScanListKinds lists) {
    for (const auto& [item, list] : lists)
        if (item == kind) return list;
    return -1;
}

// The repeatable top-level blocks of a DFT file and their list nodes.
const ScanListKinds kDftLists = {
    {SEQUENCE_NODE, SEQUENCE_LIST_NODE},
    {INSTRUCTION_NODE, INSTRUCTION_LIST_NODE},
    {PLL_CLOCK_FIX_NODE, PLL_CLOCK_FIX_LIST_NODE},
    {PLL_NODE, PLL_LIST_NODE},
    {BLACKBOX_NODE, BLACKBOX_LIST_NODE},
    {CONNECT_SCAN_NODE, CONNECT_SCAN_LIST_NODE},
    {CONNECT_CORE_NODE, CONNECT_CORE_LIST_NODE},
    {CORE_NODE, CORE_LIST_NODE},
    {TEST_SCHEDULE_NODE, TEST_SCHEDULE_LIST_NODE},
    {TEST_SESSION_NODE, TEST_SESSION_LIST_NODE},
    {TEST_ARCHITECTURE_NODE, TEST_ARCHITECTURE_LIST_NODE},
    {CONNECT_BIST_NODE, CONNECT_BIST_LIST_NODE},
    {SCAN_MODULE_NODE, SCAN_MODULE_LIST_NODE},
    {CFG_FENNOX_IN_NODE, CFG_FENNOX_IN_LIST_NODE},
    {CFG_FENNOX_OUT_NODE, CFG_FENNOX_OUT_LIST_NODE},
    {FENNOX_INFO_NODE, FENNOX_INFO_LIST_NODE},
};

}  // namespace

// ---------------------------------------------------------- error reports

std::string scan_kind_report_name(int kind) {
    std::string name = scan_node_name(kind);
    constexpr std::string_view suffix = "_NODE";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.erase(name.size() - suffix.size());
    return name;
}

int tree_error() { return error_handler(nullptr, 0, SCAN_ERR_TREE, nullptr, nullptr); }

int empty_body_error(const char* text, int line) {
    return error_handler(in_file_name.c_str(), line, SCAN_WARN_EMPTY_BODY, text, nullptr);
}

int multiple_error(const char* name) {
    std::string shown = name ? name : "";
    constexpr std::string_view suffix = "_NODE";
    if (shown.size() > suffix.size() && shown.compare(shown.size() - suffix.size(), suffix.size(), suffix) == 0)
        shown.erase(shown.size() - suffix.size());
    error_handler(in_file_name.c_str(), scan_yylineno, SCAN_WARN_MULTIPLE, shown.c_str(), nullptr);
    has_error = 1;
    return 0;
}

int undefined_error(const char* text, const char* value, int line) {
    return error_handler(in_file_name.c_str(), line, SCAN_ERR_UNDEFINED, text, value);
}

void scan_yyerror(ScanScanner* scanner, const char* message) {
    std::string text(scanner ? scanner->text() : std::string_view());
    error_handler(in_file_name.c_str(), scan_yylineno, SCAN_ERR_SYNTAX, text.c_str(), nullptr);
    fatal_exit();  // not reached: code 4 ends the run
}

// ------------------------------------------------------------ tree helpers

void scan_parse_begin(ScanScanner* scanner) {
    current_scanner = scanner;
    for (ScanAstNode** root : roots) {
        if (*root) kept_trees.push_back(*root);
        *root = nullptr;
    }
    forget_appends();
}

ScanAstNode* scan_holder(int kind, ScanAstNode* items) { return scan_append_item(SCAN_MAKE_AST(kind), items); }

ScanAstNode* scan_append_item(ScanAstNode* holder, ScanAstNode* items) {
    if (!items) return holder;
    ScanAstNode* last = nullptr;
    if (child_memory.list == holder && child_memory.last && child_memory.last->parent == holder &&
        !child_memory.last->sibling)
        last = child_memory.last;
    else
        last = last_of_chain(holder->child);
    ScanAstNode* new_last = FAST_SCAN_APPEND_CHILD(holder, last, items);
    child_memory = {holder, new_last};
    return holder;
}

ScanAstNode* scan_chain_append(ScanAstNode* first, ScanAstNode* items) {
    if (!first) return items;
    if (!items) return first;
    ScanAstNode* last = chain_memory.list == first && chain_memory.last && !chain_memory.last->sibling
                            ? chain_memory.last
                            : last_of_chain(first);
    last->sibling = items;
    for (ScanAstNode* n = items; n; n = n->sibling) n->parent = first->parent;
    chain_memory = {first, last_of_chain(items)};
    return first;
}

ScanAstNode* scan_take_children(ScanAstNode* node, ScanAstNode* head) {
    if (!head) return node;
    ScanAstNode* children = head->child;
    head->child = nullptr;
    scan_drop(head);
    return scan_append_item(node, children);
}

void scan_drop(ScanAstNode* node) {
    if (!node) return;
    forget_appends();
    node->sibling = nullptr;
    SCAN_FREE_AST(node);
}

ScanAstNode* scan_once(uint16_t& slot, ScanAstNode* node) {
    if (slot) multiple_error(scan_node_name(node->kind));
    slot = 1;
    return node;
}

ScanAstNode* scan_first_in_list(uint16_t& slot, int list_kind, ScanAstNode* node) {
    if (slot) return node;
    slot = 1;
    return scan_holder(list_kind, node);
}

ScanAstNode* scan_once_as(uint16_t& slot, const char* report_kind, ScanAstNode* node) {
    if (slot) multiple_error(report_kind);
    slot = 1;
    return node;
}

ScanAstNode* scan_number_as_ident(ScanAstNode* number) {
    number->kind = IDENT_NODE;
    return number;
}

// A wrapper chain is meant to have a scan clock and at most one more.
constexpr int kMaxWrapperChainClocks = 2;

ScanAstNode* scan_wrapper_chain_clock(ScanAstNode* clock) {
    ++wrapper_chain_clk_count;
    if (wrapper_chain_clk_count > kMaxWrapperChainClocks) {
        std::fputs("WARNING : there are more than 2 clk in the wrapper chain\n", stdout);
        std::fflush(stdout);
    }
    return scan_first_in_list(wrapper_chain_t[WRAPPER_CHAIN_CLOCK], WRAPPER_CLOCK_LIST_NODE, clock);
}

ScanAstNode* scan_merge_item(ScanAstNode* holder, ScanAstNode* item, ScanListKinds lists) {
    int list_kind = item ? list_kind_of(item->kind, lists) : -1;
    if (list_kind < 0) return scan_append_item(holder, item);
    ScanAstNode* list = SCAN_FIND_AST(holder->child, list_kind);
    if (!list) tree_error();
    scan_append_item(list, item);
    return holder;
}

ScanAstNode* scan_merge_chain(ScanAstNode* first, ScanAstNode* item, ScanListKinds lists) {
    int list_kind = item ? list_kind_of(item->kind, lists) : -1;
    if (list_kind < 0) return scan_chain_append(first, item);
    ScanAstNode* list = SCAN_FIND_AST(first, list_kind);
    if (!list) tree_error();
    scan_append_item(list, item);
    return first;
}

ScanAstNode* scan_merge_names(ScanAstNode* holder, ScanAstNode* item, std::initializer_list<int> kinds) {
    bool merges = false;
    for (int k : kinds) merges = merges || (item && item->kind == k);
    ScanAstNode* first = merges ? SCAN_FIND_AST(holder->child, item->kind) : nullptr;
    if (!first) return scan_append_item(holder, item);
    ScanAstNode* names = item->child;
    item->child = nullptr;
    scan_drop(item);
    scan_append_item(first, names);
    return holder;
}

// ------------------------------------------------------ statement values

namespace {

// The instance part of a memory-BIST pin ends in "_" and its number: "0"
// or a decimal number that is not 0.
bool mbist_instance_numbered(std::string_view instance) {
    const size_t underscore = instance.rfind('_');
    if (underscore == std::string_view::npos) return false;
    const std::string_view number = instance.substr(underscore + 1);
    if (number.empty()) return false;
    bool nonzero = false;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
        nonzero = nonzero || c != '0';
    }
    return nonzero || number == "0";
}

ScanAstNode* ident_leaf(std::string_view text) {
    return SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(IDENT_NODE), std::string(text).c_str());
}

}  // namespace

ScanAstNode* scan_mbist_pin(int kind, ScanAstNode* ident, bool braced) {
    const std::string name = ident->attribute ? ident->attribute : "";
    const size_t dot = name.find('.');
    if (braced || dot == std::string::npos) return SCAN_MAKE_SOLO_AST(kind, ident);
    const std::string_view whole(name);
    if (!mbist_instance_numbered(whole.substr(0, dot))) {
        std::fprintf(stderr, "ERROR : %s pin format error !\n", scan_kind_report_name(kind).c_str());
        fatal_exit();
    }
    scan_drop(ident);
    return SCAN_MAKE_DUET_AST(kind, ident_leaf(whole.substr(0, dot)), ident_leaf(whole.substr(dot + 1)));
}

ScanAstNode* scan_pin_ref(ScanAstNode* instance, ScanAstNode* pin) { return scan_append_item(instance, pin); }

ScanAstNode* scan_word_node(int kind, const char* text) {
    ScanAstNode* node = SCAN_MAKE_AST(kind);
    if (text) SCAN_PUT_ATTRIBUTE(node, text);
    return node;
}

ScanAstNode* scan_bit_value(ScanAstNode* number) {
    const char* text = number && number->attribute ? number->attribute : "";
    errno = 0;
    long value = std::strtol(text, nullptr, 10);
    if (errno == 0 && (value == 0 || value == 1)) {
        scan_drop(number);
        return SCAN_MAKE_AST(value == 1 ? ONE_NODE : ZERO_NODE);
    }
    error_handler(in_file_name.c_str(), scan_yylineno, SCAN_ERR_SYNTAX, text, nullptr);
    fatal_exit();  // not reached: code 4 ends the run
}

ScanAstNode* scan_path_section(ScanAstNode* paths, const char* message) {
    if (parse_path_fileG == 1) {
        std::fputs(message, stdout);
        fatal_exit();
    }
    return paths;
}

// ------------------------------------------------------ the DFT top level

ScanAstNode* scan_dft_once(int slot, ScanAstNode* node, int wrap_kind) {
    if (dft_t[slot]) {
        multiple_error(scan_node_name(wrap_kind >= 0 ? wrap_kind : node->kind));
        return node;
    }
    dft_t[slot] = 1;
    return wrap_kind >= 0 ? scan_holder(wrap_kind, node) : node;
}

ScanAstNode* scan_dft_list(int slot, int list_kind, ScanAstNode* node) {
    return scan_first_in_list(dft_t[slot], list_kind, node);
}

ScanAstNode* scan_dft_item(ScanAstNode* head, ScanAstNode* item) { return scan_merge_item(head, item, kDftLists); }

// -------------------------------------------------------- the start rules

void scan_finish_empty() { theAST = SCAN_MAKE_AST(PROGRAM_NODE); }

ScanAstNode* scan_finish_dft(ScanAstNode* head) {
    thedftAST = scan_take_children(SCAN_MAKE_AST(PROGRAM_NODE), head);
    scan_clear_table(dft_t);
    check_missing(BLOCK_DFT_FILE);
    check_dft_semantic();
    return thedftAST;
}

ScanAstNode* scan_finish_map(ScanAstNode* head) {
    themapAST = scan_take_children(SCAN_MAKE_AST(PROGRAM_NODE), head);
    check_missing(BLOCK_MAP_FILE);
    return themapAST;
}

void scan_finish_path(ScanAstNode* list) {
    if (parse_path_fileG)
        thepathAST = scan_holder(PROGRAM_NODE, list);
    else
        kept_trees.push_back(list);  // read but not wanted: kept to the run's end like every tree
}

// The PSO parse's append pointers, and its records (defined below).
void scan_pso_forget();
void reset_pso_records();

ScanAstNode* scan_finish_pso(ScanAstNode* head) {
    thepsoAST = scan_take_children(SCAN_MAKE_AST(PROGRAM_NODE), head);
    scan_clear_table(pso_t);
    scan_pso_forget();
    return thepsoAST;
}

void scan_finish_lockup(ScanAstNode* list) { thelockupAST = scan_holder(PROGRAM_NODE, list); }

// ------------------------------------------------------------ name rules

// The scanner delivers a bus bit "name[index]" as one identifier, so the
// text stands as it is, at any length.
ScanAstNode* scan_signal(ScanAstNode* ident) { return ident; }

ScanAstNode* scan_lockup_line(ScanAstNode* list, ScanAstNode* name) {
    if (!sl_lockup_latch_flag) scan_yyerror(current_scanner, "syntax error");
    if (!list) return scan_holder(LOCKUP_LATCH_LIST_NODE, name);
    return scan_append_item(list, name);
}

// ------------------------------------------------------------- the entry

int scan_yyparse() {
    ScanScanner scanner;
    scanner.start(scan_yyin);
    return scan_yyparse(&scanner);
}

void initial_parser() {
    scan_clear_table(dft_t);
    scan_clear_table(pso_t);
    scan_clear_table(select_scan_t);
    scan_clear_table(sequence_t);
    scan_clear_table(connect_scan_t);
    scan_clear_table(port_t);
    scan_clear_table(select_t);
    scan_clear_table(scan_clock_t);
    scan_clear_table(connect_bist_t);
    scan_clear_table(bist_instruction_t);
    scan_clear_table(atpg_constraints_t);
    scan_clear_table(select_fault_t);
    scan_clear_table(statistical_t);
    scan_clear_table(map_t);
    scan_clear_table(map_cell_t);
    scan_clear_table(group_cell_t);
    scan_clear_table(scan_delay_t);
    scan_clear_table(map_scan_t);
    scan_clear_table(delay_cell_t);
    scan_clear_table(decoder_out_t);
    scan_clear_table(scan_decoder_t);
    scan_clear_table(instruction_t);
    scan_clear_table(wrapper_chain_t);
    scan_clear_table(wrapper_info_t);
    scan_clear_table(diff_pad_t);
    scan_clear_table(gristel_t);
    scan_clear_table(tddm_tdm_info_t);
    scan_clear_table(tddm_group_t);
    scan_clear_table(tdm_group_t);
}

void SCAN_PARSE_reset_globals() {
    for (ScanAstNode** root : roots) {
        if (*root) kept_trees.push_back(*root);
        *root = nullptr;
    }
    for (ScanAstNode* tree : kept_trees) SCAN_FREE_AST(tree);
    kept_trees.clear();
    forget_appends();
    scan_pso_forget();
    reset_pso_records();
    COMBINE_LEGAL.clear();
    current_scanner = nullptr;
    parse_path_fileG = 0;
    sl_lockup_latch_flag = 0;
    dont_fix_flag = 0;
    wrapper_chain_clk_count = 0;
    new_decoder_scan_mode = new_decoder_test_mode = new_decoder_override_mode = new_decoder_ram_write = 0;
}

// ------------------------------------------------------------- PSO files

std::vector<InstanceElement> sl_pso_instances;
std::vector<std::string> SL_BUFFER_LIST;
std::vector<GroupListRecord> SL_GROUP_LIST;
std::vector<std::string> sl_pso_clock_list;
int sl_pso_clock_index = -1;
int sl_pso_scan_in_pad_flag = 0;
int sl_pso_scan_out_pad_flag = 0;

namespace {

// Slots of pso_t.
constexpr int PSO_MUST_SCAN = 0, PSO_DONT_SCAN = 1, PSO_DONT_MODIFY = 2, PSO_MUST_BE_TRANS = 3, PSO_SCAN_GROUP = 4,
              PSO_FULL_SCAN = 5, PSO_SELECTED_SCAN = 6, PSO_CLOCK_ORDER = 7, PSO_BUFFER = 8, PSO_SCAN_PAD = 10,
              PSO_KR_SCAN = 11;
constexpr int PSO_SLOT_COUNT = 12;

struct PsoKind {
    int stmt_kind;
    int list_kind;
    int slot;
    bool records;  // its instance elements make instance records
};
const PsoKind kPsoKinds[] = {
    {PSO_MUST_SCAN_NODE, PSO_MUST_SCAN_LIST_NODE, PSO_MUST_SCAN, true},
    {PSO_PIPELINE_NODE, PSO_MUST_SCAN_LIST_NODE, PSO_MUST_SCAN, false},
    {PSO_LOCKUP_LATCH_NODE, PSO_MUST_SCAN_LIST_NODE, PSO_MUST_SCAN, false},
    {PSO_KR_SCAN_NODE, PSO_KR_SCAN_LIST_NODE, PSO_KR_SCAN, true},
    {PSO_DONT_SCAN_NODE, PSO_DONT_SCAN_LIST_NODE, PSO_DONT_SCAN, false},
    {PSO_DONT_MODIFY_NODE, PSO_DONT_MODIFY_LIST_NODE, PSO_DONT_MODIFY, false},
    {PSO_MUST_BE_TRANS_NODE, PSO_MUST_BE_TRANS_LIST_NODE, PSO_MUST_BE_TRANS, true},
    {PSO_SCAN_GROUP_NODE, PSO_SCAN_GROUP_LIST_NODE, PSO_SCAN_GROUP, false},
    {PSO_FULL_SCAN_NODE, PSO_FULL_SCAN_LIST_NODE, PSO_FULL_SCAN, false},
    {PSO_SELECTED_SCAN_NODE, PSO_SELECTED_SCAN_LIST_NODE, PSO_SELECTED_SCAN, false},
    {SCAN_IN_PAD_NODE, SCAN_PAD_LIST_NODE, PSO_SCAN_PAD, false},
    {SCAN_OUT_PAD_NODE, SCAN_PAD_LIST_NODE, PSO_SCAN_PAD, false},
    {PSO_CLOCK_ORDER_NODE, PSO_CLOCK_ORDER_LIST_NODE, PSO_CLOCK_ORDER, false},
    {PSO_BUFFER_NODE, PSO_BUFFER_LIST_NODE, PSO_BUFFER, false},
};

// Per list kind its list node and last statement, and the holder's last
// child: every append is constant-time.
struct PsoParse {
    ScanAstNode* list[PSO_SLOT_COUNT] = {};
    ScanAstNode* last[PSO_SLOT_COUNT] = {};
    ScanAstNode* tail = nullptr;
    std::vector<const ScanAstNode*> long_elements;
};
PsoParse pso_parse;

const char* attr(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

ScanAstNode* nth_child(ScanAstNode* n, int i) {
    ScanAstNode* c = n ? n->child : nullptr;
    while (c && i-- > 0) c = c->sibling;
    return c;
}

// The record of one INSTANCE_ELEMENT_NODE.
InstanceElement instance_record(ScanAstNode* element) {
    InstanceElement r = NEW_INSTANCE_ELEMENT();
    r.clock_index = sl_pso_clock_index;
    ScanAstNode* chain = nth_child(element, 0);
    if (chain && chain->kind == NUMBER_NODE) r.chain = std::atoi(attr(chain));
    bool long_form = std::find(pso_parse.long_elements.begin(), pso_parse.long_elements.end(), element) !=
                     pso_parse.long_elements.end();
    ScanAstNode* cell = nth_child(element, long_form ? 1 : 5);
    if (long_form) {
        // chain, cell specifier, control, observe, transition, pipeline
        if (cell && cell->kind != DUMMY) {
            r.instance = attr(cell->child);
            if (cell->child && cell->child->sibling) r.cell_name = attr(cell->child->sibling);
        }
        r.control = nth_child(element, 2) && nth_child(element, 2)->kind == PSO_CONTROL_NODE;
        r.observe = nth_child(element, 3) && nth_child(element, 3)->kind == PSO_OBSERVE_NODE;
        r.transition = nth_child(element, 4) && nth_child(element, 4)->kind == PSO_TRANSITION_NODE;
        r.pipeline = nth_child(element, 5) && nth_child(element, 5)->kind == PSO_PIPELINE_NODE;
        return r;
    }
    // chain, complement, inverse 1, name, inverse 2, cell specifier
    r.complement = nth_child(element, 1) && nth_child(element, 1)->kind == PSO_COMPLEMENT_NODE;
    r.inverse1 = nth_child(element, 2) && nth_child(element, 2)->kind == PSO_INVERSE1_NODE;
    ScanAstNode* name = nth_child(element, 3);
    if (name && name->kind == CAPTURE_NODE) {
        r.capture = "CAPTURE1";
        name = name->child;
    }
    r.instance = attr(name);
    r.inverse2 = nth_child(element, 4) && nth_child(element, 4)->kind == PSO_INVERSE2_NODE;
    if (cell && cell->kind == PSO_CELL_NAME_NODE && cell->child) r.cell_name = attr(cell->child);
    return r;
}

// Records every instance element among the children of a statement (and
// of its GROUP_NODEs).
void record_instances(ScanAstNode* stmt) {
    for (ScanAstNode* c = stmt->child; c; c = c->sibling) {
        if (c->kind == INSTANCE_ELEMENT_NODE) sl_pso_instances.push_back(instance_record(c));
        if (c->kind == GROUP_NODE)
            for (ScanAstNode* e = c->child; e; e = e->sibling)
                if (e->kind == INSTANCE_ELEMENT_NODE) sl_pso_instances.push_back(instance_record(e));
    }
}

// One record for the name of a pipeline or lockup-latch statement.
std::size_t record_name(ScanAstNode* stmt) {
    InstanceElement r = NEW_INSTANCE_ELEMENT();
    r.instance = attr(stmt->child);
    r.clock_index = sl_pso_clock_index;
    sl_pso_instances.push_back(std::move(r));
    return sl_pso_instances.size() - 1;
}

}  // namespace

void reset_pso_records() {
    sl_pso_instances.clear();
    SL_BUFFER_LIST.clear();
    SL_GROUP_LIST.clear();
    sl_pso_clock_list.clear();
    sl_pso_clock_index = -1;
    sl_pso_scan_in_pad_flag = 0;
    sl_pso_scan_out_pad_flag = 0;
}

ScanAstNode* scan_pso_item(ScanAstNode* head, ScanAstNode* item) {
    if (sl_lockup_latch_flag) scan_yyerror(current_scanner, "syntax error");
    if (!head) {
        pso_parse = PsoParse{};
        reset_pso_records();
        head = SCAN_MAKE_AST(DUMMY);
    }
    const PsoKind* kind = nullptr;
    for (const PsoKind& k : kPsoKinds)
        if (k.stmt_kind == item->kind) kind = &k;
    if (!kind) {
        // A CLOCK statement's string: the clock of later instance records.
        sl_pso_clock_list.emplace_back(attr(item));
        sl_pso_clock_index = static_cast<int>(sl_pso_clock_list.size()) - 1;
    }
    if (item->kind == SCAN_IN_PAD_NODE || item->kind == SCAN_OUT_PAD_NODE) {
        bool in = item->kind == SCAN_IN_PAD_NODE;
        int& flag = in ? sl_pso_scan_in_pad_flag : sl_pso_scan_out_pad_flag;
        // A file names one scan-in and one scan-out pad; a second one is
        // an error of the file, not a normal end.
        if (flag) {
            ScanAstNode* name = nth_child(item, 2);
            scan_fatal_message("ERROR : '" + in_file_name + "', line-" + std::to_string(name ? name->line : 0) +
                               ", '" + (in ? "PSO_SCAN_IN_PAD" : "PSO_SCAN_OUT_PAD") + "' is multiple defined\n");
        }
        flag = 1;
    }
    if (kind) {
        if (kind->records) record_instances(item);
        if (item->kind == PSO_PIPELINE_NODE) record_name(item);
        if (item->kind == PSO_LOCKUP_LATCH_NODE) {
            GroupListRecord g = NEW_GROUP_LIST();
            g.elements.push_back(record_name(item));
            SL_GROUP_LIST.push_back(std::move(g));
        }
        if (item->kind == PSO_BUFFER_NODE) SL_BUFFER_LIST.emplace_back(attr(item->child));
        ScanAstNode*& list = pso_parse.list[kind->slot];
        if (list) {
            pso_parse.last[kind->slot] = FAST_SCAN_APPEND_CHILD(list, pso_parse.last[kind->slot], item);
            return head;
        }
        list = scan_holder(kind->list_kind, item);
        pso_t[kind->slot] = 1;
        pso_parse.last[kind->slot] = item;
        item = list;
    }
    pso_parse.tail = FAST_SCAN_APPEND_CHILD(head, pso_parse.tail, item);
    return head;
}

// The append pointers point into the finished tree: dropped with the parse.
void scan_pso_forget() { pso_parse = PsoParse{}; }

ScanAstNode* scan_pso_long_element(ScanAstNode* element) {
    pso_parse.long_elements.push_back(element);
    return element;
}

void sl_parse_file(const std::string& path, const std::string& shown) {
    // Closed however the parse ends.
    std::unique_ptr<FILE, int (*)(FILE*)> in(scan_open_input(path), &std::fclose);
    if (!in) error_handler(nullptr, 0, SCAN_ERR_OPEN_INPUT, path.c_str(), nullptr);
    scan_yyin = in.get();
    in_file_name = shown;
    initial_parser();
    scan_yylineno = 1;
    scan_yyparse();
    scan_yyin = nullptr;
}
