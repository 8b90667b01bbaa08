// Syntax trees of the configuration and cell-library languages.
//
// The parsers of both languages build trees of small nodes that the save
// steps walk to fill the description tables.  Another part of the system
// (the scan-language front end) has a syntax tree of its own with the same
// constructor names and the same root name, so this one lives in the
// namespace `desc`.
#pragma once

namespace desc {

// Node kinds, one per construct.  IDENT_NODE, INTEGER_NODE and
// PATTERN_NODE are the leaves; their text is the token text.  DUMMY is the
// container of a block's item list while it is being built.
#define DESC_AST_KINDS(X) \
    X(ACCESS_NODE) X(BCELL_NODE) X(BIDIR_MUX_SCAN_NODE) X(BIDIR_SCAN_NODE) \
    X(BIDIR_HIGH_SCAN_NODE) X(BIDIR_LOW_SCAN_NODE) X(BUFFER_CELL_NODE) X(BUFFER_CELL_LIST_NODE) \
    X(BL_SEL_INST_NODE) X(BL_DEBUG_INST_NODE) X(BL_DIAG_INST_NODE) X(BL_DIAG_CNT_NODE) \
    X(BL_SCAN_INST_NODE) X(BL_LBIST_INST_NODE) X(BL_TEST_SETING_NODE) X(UNBOUNDED_PINS_NODE) \
    X(CLOCK_DR_NODE) X(CLOCK_MUX_SCAN_NODE) X(CLOCK_SCAN_NODE) X(CONNECT_NODE) \
    X(CONNECT_PORT_NODE) X(CONNECT_PIN_NODE) X(CONNECT_TABLE_NODE) X(CONTROL_BCELL_NODE) \
    X(CONTROL_HZ_SCAN_NODE) X(CONTROL_OE_SCAN_NODE) X(CONTROL_OE_LOW_SCAN_NODE) X(CONTROL_OE_HIGH_SCAN_NODE) \
    X(CONTROL_MUX_SCAN_NODE) X(CONTROL_SCAN_NODE) X(CONTROL_LOW_SCAN_NODE) X(CONTROL_HIGH_SCAN_NODE) \
    X(CONTROL_IN_NODE) X(CNT_FILE_NODE) X(CTRL_ORDER_NODE) X(DATA_IN_NODE) \
    X(DATA_OUT_NODE) X(DFT_FILE_NODE) X(DIFF_V_BUFFER_CELL_NODE) X(DIFF_I_BUFFER_CELL_NODE) \
    X(EN_L_NODE) X(EN_H_NODE) X(ENABLE_NODE) X(EXTRA_NODE) \
    X(FILE_NAME_NODE) X(FIRST_BCELL_NODE) X(FUNCTION_NODE) X(GLOBAL_TDI_NODE) \
    X(GLOBAL_TDO_NODE) X(GLOBAL_TMS_NODE) X(GLOBAL_TCK_NODE) X(GLOBAL_TRST_NODE) \
    X(GROUP_METHOD_NODE) X(GROUP_SIZE_NODE) X(DF_GROUP_SIZE_NODE) X(BS_BUFFER_NODE) \
    X(BS_HIGHZ_NODE) X(HIGHZ_COMMAND_NODE) X(IDCODE_REGISTER_NODE) X(IDENT_NODE) \
    X(IDENT_LIST_NODE) X(IN_BCELL_NODE) X(INOUT_NODE) X(INPUT_NODE) \
    X(INPUT_P_NODE) X(INPUT_M_NODE) X(INOUT_BUFFER_NODE) X(INPUT_BUFFER_NODE) \
    X(INPUT_MUX_SCAN_NODE) X(INPUT_SCAN_NODE) X(INSTANCE_NAME_NODE) X(INSTRUCTION_NODE) \
    X(INSTRUCTION_CAPTURE_NODE) X(INSTRUCTION_DISABLE_NODE) X(INSTRUCTION_GUARD_NODE) X(INSTRUCTION_PRIVATE_NODE) \
    X(INSTRUCTION_TABLE_NODE) X(INSTRUCTION_AND_NODE) X(INSTRUCTION_OR_NODE) X(INSTRUCTION_NAND_NODE) \
    X(INSTRUCTION_NOR_NODE) X(INSTRUCTION_XOR_NODE) X(INSTRUCTION_XNOR_NODE) X(INST_NAME_NODE) \
    X(INST_LIST_NODE) X(INTEGER_NODE) X(INTERNAL_SCAN_NODE) X(INT_LIST_NODE) \
    X(INV_BUFFER_NODE) X(INVERTER_NODE) X(JS_PIN_BCELL_NODE) X(KEEPER_NODE) \
    X(LAST_BCELL_NODE) X(LASTTDO_NODE) X(LOGIC_BIST_NODE) X(LOGIC_BIST_ELEMENT_NODE) \
    X(NEW_LOGIC_BIST_ELEMENT_NODE) X(LOGIC_BIST_LIST_NODE) X(MEMORY_BIST_NODE) X(MEMORY_BIST_ELEMENT_NODE) \
    X(MEMORY_BIST_LIST_NODE) X(MODE_0_NODE) X(MODE_1_NODE) X(MODE_2_NODE) \
    X(MODE_3_NODE) X(MODULE_NAME_NODE) X(MUX_DATA_IN_NODE) X(MUX_IN1_NODE) \
    X(MUX_IN2_NODE) X(MUX_IN3_NODE) X(MUX_OUT_NODE) X(OE_MODE_NODE) \
    X(OBSERVE_ONLY_SCAN_NODE) X(ORDER_LIST_NODE) X(OUT_BCELL_NODE) X(OUTPUT_NODE) \
    X(OUTPUT_P_NODE) X(OUTPUT_M_NODE) X(OUTPUT_BUFFER_NODE) X(OUTPUT_MUX_SCAN_NODE) \
    X(OUTPUT_SCAN_NODE) X(PACKAGE_LIST_NODE) X(PATTERN_NODE) X(PIN_ITEM_LIST_NODE) \
    X(PIN_ITEM_NODE) X(PIN_LIST_NODE) X(PULL_0_NODE) X(PULL_1_NODE) \
    X(PROGRAM_NODE) X(RST_NODE) X(SCAN_CELL_NODE) X(SCAN_CELLS_NODE) \
    X(SKIP_IDENT_NODE) X(SKIP_MODULE_NAMES_NODE) X(SKIP_SIGNAL_NAMES_NODE) X(SHIFT_DR_NODE) \
    X(SIGNAL_BUFFER_NODE) X(DF_SIGNAL_BUFFER_NODE) X(STD_NAME_LIST_NODE) X(SYS_IN_NODE) \
    X(SYS_PIN_NODE) X(TAP_CELL_NODE) X(TAP_MODULE_NODE) X(TAP_RESET_NODE) \
    X(TDI_NODE) X(TDO_NODE) X(TDO_EN_NODE) X(TMS_NODE) \
    X(TCK_NODE) X(TRANSPARENT_BUFFER_NODE) X(TRST_NODE) X(UPDATE_DR_NODE) \
    X(UPDATE_DR_OUT_NODE) X(USERCODE_REGISTER_NODE) X(WEAK_0_NODE) X(WEAK_1_NODE) \
    X(DUMMY) \

enum DescKind : int {
#define DESC_AST_KIND_ENUM(k) k,
    DESC_AST_KINDS(DESC_AST_KIND_ENUM)
#undef DESC_AST_KIND_ENUM
    DESC_KIND_COUNT
};

// One node: kind, text (owned copy or null), source line, first child,
// next sibling, parent.  Children form a singly linked sibling chain and
// every child points at its parent.
struct DescAstNode {
    int kind;
    char* text;
    int line;
    DescAstNode* child;
    DescAstNode* sibling;
    DescAstNode* parent;
};

// Root (a PROGRAM_NODE) of the last parse; its children are the file's
// top-level items in file order.
extern DescAstNode* theAST;
// Line of the scanner that is running; new nodes take it as their line.
extern int ast_line;

// Every constructor ends the run with "ERROR: run out of memory.\n" (on
// standard output, status -1) when no memory is left.
DescAstNode* NEW_AST();
DescAstNode* MAKE_AST(int kind);
// A leaf (or any node) with a copy of the text and the given line.
DescAstNode* MAKE_LEAF_AST(int kind, const char* text, int line);
DescAstNode* MAKE_SOLO_AST(int kind, DescAstNode* child);
DescAstNode* MAKE_DUET_AST(int kind, DescAstNode* a, DescAstNode* b);
DescAstNode* MAKE_TRIO_AST(int kind, DescAstNode* a, DescAstNode* b, DescAstNode* c);
DescAstNode* MAKE_QUARTET_AST(int kind, DescAstNode* a, DescAstNode* b, DescAstNode* c, DescAstNode* d);
// Appends a sibling chain after the node's last child and points every
// node of the chain at it; a null chain changes nothing.  Returns node.
DescAstNode* APPEND_CHILD(DescAstNode* node, DescAstNode* chain);
// First node of the sibling chain from `first` on with that kind, or null.
DescAstNode* FIND_AST(DescAstNode* first, int kind);
DescAstNode* PUT_ATTRIBUTE(DescAstNode* node, const char* text);
// Prints the sibling chain from node on standard output: indent blanks,
// the kind's name (with " [text]" for the leaves), then the children with
// indent + 4.
void PRINT_AST(const DescAstNode* node, int indent);
// Frees the sibling chain from node on, with the texts and children.
void FREE_AST(DescAstNode* node);

// Name of a kind as PRINT_AST prints it ("?" for a value out of range).
const char* ast_kind_name(int kind);

// Frees theAST and returns the module to its start-up state.
void AST_reset_globals();

// The top of a parse, as the library and configuration parsers build it:
// a PROGRAM_NODE of line 1 whose children are the items that read_item
// returns, in file order, until at_end() holds; the tree then replaces
// theAST (the one before is freed).  `building` holds the tree while it
// grows, so that a reset after a failed parse can free it.
template <class AtEnd, class ReadItem>
void read_program(DescAstNode*& building, AtEnd at_end, ReadItem read_item) {
    building = MAKE_AST(PROGRAM_NODE);
    building->line = 1;
    DescAstNode* tail = nullptr;
    while (!at_end()) {
        DescAstNode* item = read_item();
        item->parent = building;
        if (tail)
            tail->sibling = item;
        else
            building->child = item;
        tail = item;
    }
    FREE_AST(theAST);
    theAST = building;
    building = nullptr;
}

}  // namespace desc
