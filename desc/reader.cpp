// The entry that reads the description files of one design, the start of
// a design's tables, and the saving of the cell library.

#include "desc/reader.h"

#include <cstdio>
#include <string>

#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/lib.h"
#include "desc/pin.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"

using desc::DescAstNode;

namespace {

template <class T>
void make_empty(T** array) {
    if (!*array) *array = DYNA_new<T>();
}

}  // namespace

void bsdft_init() {
    // Start from nothing: every table, text and list of the previous
    // design is freed (the parsers and scanners are reset with them).
    DESC_reset_globals();

    make_empty(&SCAN_CELL_HASH_TAB);
    make_empty(&TAP_CELL_HASH_TAB);
    make_empty(&BUFFER_HASH_TAB);
    make_empty(&PIN_HASH_TAB);
    make_empty(&PINO_HASH_TAB);
    make_empty(&CONTR_HASH_TAB);
    make_empty(&SKIP_MODULE_HASH_TAB);
    make_empty(&SKIP_SIGNAL_HASH_TAB);
    make_empty(&TRANS_BUF_HASH_TAB);
    make_empty(&INSTRUCTIONS);
    make_empty(&SCAN_CELL_TAB);
    make_empty(&TAP_CELL_TAB);
    make_empty(&BUFFER_TAB);
    make_empty(&PIN_TABLE);
    make_empty(&PINO_TAB);
    make_empty(&CONTR_TAB);
    make_empty(&SKIP_MODULE_TAB);
    make_empty(&SKIP_SIGNAL_TAB);
    make_empty(&UNBOUNDED_PIN_TAB);
    make_empty(&TRANS_BUF_TAB);
    make_empty(&WILD_CARD_BUF_TAB);
    make_empty(&INST_CAPTURE);
    make_empty(&INST_PRIVATE);
    make_empty(&USERCODE_REG);
}

void get_bs_dft_file(const char* library, const char* configuration, int dump) {
    DUMP = dump;
    // Missing or unreadable description files are reported on standard
    // error, before any report line is written.
    if (!library) std::fprintf(stderr, "Error: lib file is a null string\n");
    if (!configuration) std::fprintf(stderr, "Error: dft file is a null string\n");
    if (!library || !configuration) qdx_exit(-1);

    // Both files are opened before either is parsed.
    DescInput lib = desc_open_input(library);
    if (!lib) {
        std::fprintf(stderr, "Error: Can't open lib file %s\n", library);
        qdx_exit(-1);
    }
    DescInput dft = desc_open_input(configuration);
    if (!dft) {
        std::fprintf(stderr, "Error: Can't open dft file %s\n", configuration);
        qdx_exit(-1);
    }

    desc_set_text(&LIB_FILE, library);
    make_lib_keyword_hash();
    lib_yyin = lib.get();
    lib_yyparse();
    lib_yyin = nullptr;
    lib.reset();
    if (DUMP == 2) desc::PRINT_AST(desc::theAST, 0);
    save_lib_tab();
    if (DUMP == 2) jsin_dump_lib_tab();

    // The configuration parser looks its cells and TAP module up in the
    // library tables saved above.
    desc_set_text(&DFT_FILE, configuration);
    make_dft_keyword_hash();
    dft_yyin = dft.get();
    dft_yyparse();
    dft_yyin = nullptr;
    dft.reset();
    if (DUMP == 2) desc::PRINT_AST(desc::theAST, 0);
    save_dft_tab();
    if (DUMP == 1) jsin_dump_dft_tab();

    // Repeated pin names were all reported; now they end the run.
    if (GLOBAL_EXIT) qdx_exit(-1);
}

// ------------------------------------------------------------ library

namespace {

int buffer_kind(int block_kind) {
    switch (block_kind) {
        case desc::DIFF_V_BUFFER_CELL_NODE: return BUFFER_DIFF_VOLTAGE;
        case desc::DIFF_I_BUFFER_CELL_NODE: return BUFFER_DIFF_CURRENT;
        case desc::BS_BUFFER_NODE: return BUFFER_BS;
        default: return BUFFER_PLAIN;
    }
}

std::string joined(char** names) {
    std::string text;
    for (int i = 0, n = DYNA_count(names); i < n; ++i) text += (i ? ", " : "") + std::string(names[i] ? names[i] : "");
    return text;
}

// A cell of several register bits gives each bit one standard name and
// one %ORDER word, in the same order: lists of other lengths describe
// bits that the boundary register would lack or invent.  A cell of one
// bit may leave %ORDER out; a cell of several bits without %ORDER is
// refused where it is placed in a chain, which names the item to add.
void check_names_and_order(const ScanCellEntry* cell, const DescAstNode* block, bool named) {
    const int names = DYNA_count(cell->std_name), words = DYNA_count(cell->order);
    if (words == 0 || words == names) return;
    const std::string given = named ? "%STD_NAME " + joined(cell->std_name)
                                    : std::string("no %STD_NAME: the cell's own name ") + cell->name;
    qdx_exit_printf(-1,
                    "ERROR: (%s) %%SCAN_CELL %s (line %d) has %d standard name%s but %d %%ORDER word%s:\n"
                    "       %s;\n"
                    "       %%ORDER %s;\n"
                    "       each bit of the cell takes one name of %%STD_NAME and one word of %%ORDER.\n\n",
                    desc_file_name(LIB_FILE), cell->name, block->line, names, names == 1 ? "" : "s", words,
                    words == 1 ? "" : "s", given.c_str(), joined(cell->order).c_str());
}

void fill_scan_cell(ScanCellEntry* cell, const DescAstNode* block, const DescAstNode* items) {
    for (const DescAstNode* i = items; i; i = i->sibling) lib_fill_scan_cell(cell, i);
    // A cell without %STD_NAME is known by its own name.
    const bool named = DYNA_count(cell->std_name) > 0;
    if (!named) STR_add(&cell->std_name, cell->name);
    check_names_and_order(cell, block, named);
}

// %WEAK_0, %WEAK_1, %PULL_0 and %PULL_1 exclude one another in a block.
void check_weak_pull(const DescAstNode* block, const DescAstNode* items) {
    bool weak0 = false, weak1 = false, pull0 = false, pull1 = false;
    for (const DescAstNode* i = items; i; i = i->sibling) {
        weak0 |= i->kind == desc::WEAK_0_NODE;
        weak1 |= i->kind == desc::WEAK_1_NODE;
        pull0 |= i->kind == desc::PULL_0_NODE;
        pull1 |= i->kind == desc::PULL_1_NODE;
    }
    if (weak0 + weak1 + pull0 + pull1 < 2) return;
    const char* last = nullptr;
    for (const DescAstNode* n = block->child->child; n; n = n->sibling) last = n->text;
    std::string kinds;
    if (weak0) kinds += "'WEAK_0',";
    if (weak1) kinds += "'WEAK_1',";
    if (pull0) kinds += "'PULL_0',";
    if (pull1) kinds += "'PULL_1',";
    qdx_exit_printf(-1, "Error: %s file %s Should be mutually exclusive in %%BUFFER %s\n", desc_file_name(LIB_FILE),
                    kinds.c_str(), last ? last : "");
}

// One BufferEntry per name of the block; a %BS_BUFFER block also makes a
// scan cell named by its first name.
void save_buffer_block(const DescAstNode* block) {
    int kind = buffer_kind(block->kind);
    const DescAstNode* names = block->child;
    const DescAstNode* items = names->sibling;
    for (const DescAstNode* n = names->child; n; n = n->sibling) {
        BufferEntry* b = new_buffer(n->text, kind);
        for (const DescAstNode* i = items; i; i = i->sibling) lib_fill_buffer(b, i);
        if (kind == BUFFER_BS) {
            // The mode pins of a buffer with its own boundary cell belong
            // to the cell, not to the buffer.
            desc_free_text(&b->mode1);
            desc_free_text(&b->mode2);
            desc_free_text(&b->mode3);
        }
    }
    check_weak_pull(block, items);
    if (kind == BUFFER_BS && names->child) fill_scan_cell(new_scan_cell(names->child->text, 1), block, items);
}

}  // namespace

void save_lib_tab() {
    if (!desc::theAST) return;
    for (const DescAstNode* block = desc::theAST->child; block; block = block->sibling) {
        const DescAstNode* items = block->child ? block->child->sibling : nullptr;
        switch (block->kind) {
            case desc::TAP_CELL_NODE: {
                TapCellEntry* t = new_tap_cell(block->child->text);
                for (const DescAstNode* i = items; i; i = i->sibling) lib_fill_tap_cell(t, i);
                break;
            }
            case desc::SCAN_CELL_NODE: fill_scan_cell(new_scan_cell(block->child->text, 0), block, items); break;
            default: save_buffer_block(block); break;
        }
    }
    desc_build_listing(TAP_CELL_HASH_TAB, &TAP_CELL_TAB);
    desc_build_listing(SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
    desc_build_listing(BUFFER_HASH_TAB, &BUFFER_TAB);
}

// ------------------------------------------------------------ a pin file alone

void bscan_get_pin_file_info(const char* path) {
    bsdft_init();
    desc_set_text(&PIN_FILE, path);
    PIN_FLAG = 1;
    DescInput in = desc_open_input(path);
    if (!in) {
        qdx_exit_printf(-1, "Error: can not open pin file '%s' in default searching path.\n\n", path ? path : "");
    }
    desc_drop_dot_slash(&PIN_FILE);
    parse_pin_file(in.get(), 1);
    free_pin_check_tables();
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    BS_PIN_COUNT = DYNA_count(PIN_TABLE);
}
