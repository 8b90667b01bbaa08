// Tree-building helpers of the grammar actions (used by the generated
// parser only).
//
// Item lists come in two shapes: a holder node whose children are the
// items (a DUMMY head or a list node), or a chain of items linked as
// siblings.  Appending to either remembers where the last append ended,
// so the left-recursive list rules add each item in constant time.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "scanlang/front/ast.h"
#include "scanlang/front/scanner.h"

// Which list node a statement kind joins when it repeats: {statement
// kind, list kind}.
using ScanListKinds = std::initializer_list<std::pair<int, int>>;

// Clears the roots (their trees are kept until the run's reset) and the
// append memory; runs at the start of every parse.
void scan_parse_begin(ScanScanner* scanner);

// A node of `kind` holding the item chain as its children.
ScanAstNode* scan_holder(int kind, ScanAstNode* items);
// Appends the item chain as further children of holder; returns holder.
ScanAstNode* scan_append_item(ScanAstNode* holder, ScanAstNode* items);
// Links the item chain after the last node of the sibling chain that
// starts at first; returns first.
ScanAstNode* scan_chain_append(ScanAstNode* first, ScanAstNode* items);
// Moves the children of `head` under node (after its own children) and
// frees the head; returns node.
ScanAstNode* scan_take_children(ScanAstNode* node, ScanAstNode* head);
// Frees a node that no tree holds, with its children.
void scan_drop(ScanAstNode* node);

// Statement counting.  `once`: the first occurrence sets the slot; a
// repeat is warning 7 naming the node's kind and still passes up.
ScanAstNode* scan_once(uint16_t& slot, ScanAstNode* node);
// `first in list`: the first occurrence sets the slot and is wrapped in a
// node of list_kind; repeats pass up bare for the list rule to file.
ScanAstNode* scan_first_in_list(uint16_t& slot, int list_kind, ScanAstNode* node);

// As scan_once, with the warning naming `report_kind` (a node-kind-like
// name whose "_NODE" ending is left out) instead of the node's kind.
ScanAstNode* scan_once_as(uint16_t& slot, const char* report_kind, ScanAstNode* node);
// A number leaf used as a name: it becomes an IDENT_NODE with the same
// text and line.  Returns the leaf.
ScanAstNode* scan_number_as_ident(ScanAstNode* number);
// A %CLOCK statement of a wrapper chain: the first opens the chain's
// WRAPPER_CLOCK_LIST_NODE, later ones pass up bare; from the third on a
// warning line is printed on standard output (the clock is kept).
ScanAstNode* scan_wrapper_chain_clock(ScanAstNode* clock);

// List merge of a holder's items: a bare item of a kind in `lists` joins
// the first list node of its list kind among the holder's children (error
// 11 when there is none); any other item is appended to the holder.
// Returns holder.
ScanAstNode* scan_merge_item(ScanAstNode* holder, ScanAstNode* item, ScanListKinds lists);
// The same over a sibling chain of items; returns first.
ScanAstNode* scan_merge_chain(ScanAstNode* first, ScanAstNode* item, ScanListKinds lists);
// Name-list merge: an item of one of `kinds` whose kind the holder already
// holds gives its children to that first node and is dropped; any other
// item is appended.  Returns holder.
ScanAstNode* scan_merge_names(ScanAstNode* holder, ScanAstNode* item, std::initializer_list<int> kinds);

// Slots of dft_t, one per top-level block of a DFT file.
enum DftSlot : int {
    DFT_SELECT_SCAN = 0, DFT_SEQUENCE = 1, DFT_INSTRUCTION = 2, DFT_READ_MAP = 3, DFT_CONNECT_SCAN = 4,
    DFT_CONNECT_BIST = 5, DFT_ATPG_CONSTRAINTS = 6, DFT_SELECT_FAULT = 7, DFT_SCAN_DECODER = 8,
    DFT_TEST_CONVERSION = 9, DFT_SCAN_REPAIR = 10, DFT_CONNECT_CORE = 11, DFT_SCAN_MODIFY_CMD = 12,
    DFT_TA_CONSTRAINTS = 13,
    DFT_SCAN_MODULE = 14, DFT_CLOCK_PERIOD = 15, DFT_CORE = 16, DFT_TEST_FILES = 17, DFT_MBIST_CONSTRAINTS = 18,
    DFT_MBIST_BSD = 19, DFT_TOP_MODULE = 20, DFT_INSTRUCTION_BINARY = 21, DFT_REGISTER_LENGTH = 22,
    DFT_FENNOX_IN = 23, DFT_FENNOX_OUT = 24, DFT_CIPHERTEXT = 25, DFT_FENNOX_INFO = 26, DFT_PLL_CLOCK_FIX = 27,
    DFT_MULTICYCLE_PATH = 28, DFT_CRITICAL_PATH = 29, DFT_FALSE_PATH = 30, DFT_SCAN_IN_LIST = 31,
    DFT_SCAN_OUT_LIST = 32, DFT_PLL = 33, DFT_PORT_INFO = 35, DFT_BLACKBOX = 36, DFT_GUI = 37, DFT_HOOKUP = 38,
    DFT_TEST_SCHEDULE = 39, DFT_TEST_SESSION = 40, DFT_TEST_ARCHITECTURE = 41, DFT_CAPTURE_CLOCK = 42,
    DFT_NONTPI_INSTANCE = 43, DFT_WRAPPER = 44, DFT_GRISTEL_INFO = 45, DFT_DEF_INFO = 46, DFT_CORE_NO_SCAN = 47,
};

// Counts a statement whose repeats pass without a report: the slot is
// set and the node passes up.
inline ScanAstNode* scan_count(uint16_t& slot, ScanAstNode* node) {
    slot = 1;
    return node;
}

// An "instance{pin}" reference: the pin's leaf becomes the only child of
// the instance's leaf, which stands for the pair.
ScanAstNode* scan_pin_ref(ScanAstNode* instance, ScanAstNode* pin);
// A node of `kind` carrying the text of the word that stands for it (the
// words that share one token: CONTROL and the CONTROL_WEIGHT words,
// OBSERVE and OBSERVE_BLOCK).
ScanAstNode* scan_word_node(int kind, const char* text);
// An integer that may only be 1 or 0: a ONE_NODE or a ZERO_NODE (the
// number's leaf is dropped); any other value is a syntax error (code 4)
// naming the number.
ScanAstNode* scan_bit_value(ScanAstNode* number);
// The %PATH entries of a %MULTICYCLE_PATH or %FALSE_PATH block.  A path
// file holds only the entries: there the block is refused with `message`
// on standard output and the run ends.
ScanAstNode* scan_path_section(ScanAstNode* paths, const char* message);

// A memory-BIST pin statement of `kind` over the identifier's leaf.
// Braced, the name is taken as it stands.  Unbraced, a name holding a "."
// is an instance and a pin, split at the first "." into two IDENT_NODE
// children; the instance's text after its last "_" must be "0" or a
// nonzero decimal number, else "ERROR : <kind> pin format error !" on
// standard error ends the run.
ScanAstNode* scan_mbist_pin(int kind, ScanAstNode* ident, bool braced);

// The top level of a DFT file: a once block (slot of dft_t; wrapped in
// wrap_kind on its first occurrence when wrap_kind >= 0; a repeat is
// warning 7 naming the block), a list block (its first occurrence
// wrapped in list_kind), and the filing of an item under the head.
ScanAstNode* scan_dft_once(int slot, ScanAstNode* node, int wrap_kind = -1);
ScanAstNode* scan_dft_list(int slot, int list_kind, ScanAstNode* node);
ScanAstNode* scan_dft_item(ScanAstNode* head, ScanAstNode* item);

// The start rules: the roots of the file kinds.
void scan_finish_empty();
ScanAstNode* scan_finish_dft(ScanAstNode* head);
ScanAstNode* scan_finish_map(ScanAstNode* head);
void scan_finish_path(ScanAstNode* list);
ScanAstNode* scan_finish_pso(ScanAstNode* head);
void scan_finish_lockup(ScanAstNode* list);

// The PSO file.  `scan_pso_item` files one statement under the file's
// holder (made by the first item): a statement joins the list node of its
// kind (opened by its first statement, which sets the pso_t slot), in
// constant time; anything else is appended to the holder.  Must-scan,
// KR-scan, must-be-transparent, pipeline and lockup-latch statements make
// instance records; buffers and lockup latches are recorded too; a bare
// string is a CLOCK statement; a second scan-in or scan-out pad ends the
// run.  A PSO statement in a lockup-latch file is a syntax error.
ScanAstNode* scan_pso_item(ScanAstNode* head, ScanAstNode* item);
// A long-form must-scan or KR-scan statement: its element is marked so
// that its instance record reads the long layout.
ScanAstNode* scan_pso_long_element(ScanAstNode* element);
// A name reference: the identifier's leaf, as it stands.
ScanAstNode* scan_signal(ScanAstNode* ident);
// A line of a lockup-latch file (refused outside one): the first makes
// the LOCKUP_LATCH_LIST_NODE, later ones join it.
ScanAstNode* scan_lockup_line(ScanAstNode* list, ScanAstNode* name);
