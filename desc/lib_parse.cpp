// Scanner and recursive-descent parser of the cell-library language.

#include <cstdio>
#include <string>

#include "desc/ast.h"
#include "desc/hash.h"
#include "desc/lib.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"

using desc::DescAstNode;

FILE* lib_yyin = nullptr;
int lib_yylineno = 1;
const char* lib_yytext = "";
DescAstNode* lib_yylval = nullptr;

namespace {

DescScanner scanner;
bool started = false;
std::string token_text;
// Tree under construction, kept reachable while the parse runs.
DescAstNode* building = nullptr;

const char* file() { return desc_file_name(LIB_FILE); }

bool is_word_char(int c) {
    return desc_is_letter(c) || desc_is_digit(c) || c == '_' || c == '*' || c == '-' || c == '?' || c == '[' ||
           c == ']';
}

// Length of the word at the read position, 0 when none starts there: the
// marks "-", "_", "\", "%", "*" (each at most once, in this order), a
// letter, then letters, digits and "_", "*", "-", "?", "[", "]".
size_t word_length() {
    size_t k = 0;
    for (char mark : {'-', '_', '\\', '%', '*'})
        if (scanner.peek(k) == mark) ++k;
    if (!desc_is_letter(scanner.peek(k))) return 0;
    return scanner.span(k + 1, is_word_char);
}

void set_text(std::string text) {
    token_text = std::move(text);
    lib_yytext = token_text.c_str();
}

// Token dumps (dump level 2) are debugging output for the screen only.
void trace_punct(int c) {
    if (DUMP != 2) return;
    switch (c) {
        case ',': std::printf("COMMA\n"); break;
        case ';': std::printf("SEMICOLON\n"); break;
        case '{': std::printf("LBRACE\n"); break;
        case '}': std::printf("RBRACE\n"); break;
        default: break;
    }
}

}  // namespace

int lib_yylex() {
    if (!started) {
        scanner.start(lib_yyin, LIB_FILE);
        started = true;
    }
    lib_yylval = nullptr;
    scanner.skip_space(file());
    int line = lib_yylineno = desc::ast_line = scanner.line();
    if (scanner.at_end()) {
        set_text("");
        return LIB_TOK_EOF;
    }
    if (size_t n = word_length()) {
        // "%EXTRA_" is cut off its number, which is scanned again (the
        // whole word counts against the longest token).
        if (n <= DescScanner::kMaxToken && scanner.looking_at("%EXTRA_")) n = 7;
        set_text(scanner.take(n));
        int kw = lib_keyword_lookup(lib_yytext);
        if (kw >= 0) {
            if (DUMP == 2) std::printf("%d: KEYWORD : %s\n", line, lib_yytext);
            return kw;
        }
        if (DUMP == 2) std::printf("%d: IDENT : %s\n", line, lib_yytext);
        lib_yylval = desc::MAKE_LEAF_AST(desc::IDENT_NODE, lib_yytext, line);
        return LIB_TOK_IDENT;
    }
    int c = scanner.peek();
    if (desc_is_digit(c)) {
        set_text(scanner.take(scanner.span(0, desc_is_digit)));
        if (DUMP == 2) std::printf("INTEGER: %s\n", lib_yytext);
        lib_yylval = desc::MAKE_LEAF_AST(desc::INTEGER_NODE, lib_yytext, line);
        return LIB_TOK_INTEGER;
    }
    set_text(scanner.take(1));
    if (c == ',' || c == ';' || c == '{' || c == '}') {
        trace_punct(c);
        return c;
    }
    desc_syntax_error(file(), line, lib_yytext);
}

void lib_yyerror() { desc_syntax_error(file(), lib_yylineno, lib_yytext); }

namespace {

// Block classes, as bits of an item's mask.
enum : unsigned { IN_TAP = 1, IN_SCAN = 2, IN_BUF = 4, IN_DIFF = 8, IN_BSBUF = 16 };

enum ArgKind { ARG_NONE, ARG_IDENT, ARG_INT, ARG_NAMES, ARG_EXTRA };

struct ItemRule {
    int kind;
    ArgKind arg;
    unsigned blocks;
};

// What an item keyword makes, what follows it, and where it is allowed;
// kind -1 for a keyword that is no item.
ItemRule item_rule(int token) {
    using namespace desc;
    constexpr unsigned TSX = IN_TAP | IN_SCAN | IN_BSBUF;
    constexpr unsigned SX = IN_SCAN | IN_BSBUF;
    constexpr unsigned BDX = IN_BUF | IN_DIFF | IN_BSBUF;
    switch (token) {
        case LIB_KW_TDI: return {TDI_NODE, ARG_IDENT, TSX};
        case LIB_KW_TDO: return {TDO_NODE, ARG_IDENT, TSX};
        case LIB_KW_TDO_EN: return {TDO_EN_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_TMS: return {TMS_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_TRST: return {TRST_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_TCK: return {TCK_NODE, ARG_IDENT, TSX};
        case LIB_KW_LASTTDO: return {LASTTDO_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_INSTANCE_NAME: return {INSTANCE_NAME_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_HIGHZ_COMMAND: return {HIGHZ_COMMAND_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_GROUP_METHOD: return {GROUP_METHOD_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_GROUP_SIZE: return {GROUP_SIZE_NODE, ARG_INT, IN_TAP};
        case LIB_KW_DF_GROUP_SIZE: return {DF_GROUP_SIZE_NODE, ARG_INT, IN_TAP};
        case LIB_KW_SIGNAL_BUFFER: return {SIGNAL_BUFFER_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_DF_SIGNAL_BUFFER: return {DF_SIGNAL_BUFFER_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_INV_BUFFER: return {INV_BUFFER_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_CLOCK_DR: return {CLOCK_DR_NODE, ARG_IDENT, TSX};
        case LIB_KW_SHIFT_DR: return {SHIFT_DR_NODE, ARG_IDENT, TSX};
        case LIB_KW_UPDATE_DR: return {UPDATE_DR_NODE, ARG_IDENT, TSX};
        case LIB_KW_MODE_1: return {MODE_1_NODE, ARG_IDENT, TSX | BDX};
        case LIB_KW_MODE_2: return {MODE_2_NODE, ARG_IDENT, TSX | BDX};
        case LIB_KW_MODE_3: return {MODE_3_NODE, ARG_IDENT, TSX | BDX};
        case LIB_KW_FIRST_BCELL: return {FIRST_BCELL_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_LAST_BCELL: return {LAST_BCELL_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_TAP_RESET: return {TAP_RESET_NODE, ARG_IDENT, IN_TAP};
        case LIB_KW_EXTRA: return {EXTRA_NODE, ARG_EXTRA, TSX};
        case LIB_KW_STD_NAME: return {STD_NAME_LIST_NODE, ARG_NAMES, IN_SCAN};
        case LIB_KW_ORDER: return {ORDER_LIST_NODE, ARG_NAMES, IN_SCAN};
        case LIB_KW_DATA_IN: return {DATA_IN_NODE, ARG_IDENT, SX};
        case LIB_KW_DATA_OUT: return {DATA_OUT_NODE, ARG_IDENT, SX};
        case LIB_KW_SYS_IN: return {SYS_IN_NODE, ARG_IDENT, SX};
        case LIB_KW_SYS_PIN: return {SYS_PIN_NODE, ARG_IDENT, SX};
        case LIB_KW_HIGHZ: return {BS_HIGHZ_NODE, ARG_IDENT, SX};
        case LIB_KW_UPDATE_DR_OUT: return {UPDATE_DR_OUT_NODE, ARG_IDENT, SX};
        case LIB_KW_RST: return {RST_NODE, ARG_IDENT, SX};
        case LIB_KW_CONTROL_IN: return {CONTROL_IN_NODE, ARG_IDENT, IN_SCAN};
        case LIB_KW_MUX_DATA_IN: return {MUX_DATA_IN_NODE, ARG_IDENT, SX};
        case LIB_KW_OE_MODE: return {OE_MODE_NODE, ARG_IDENT, SX};
        case LIB_KW_EN_L: return {EN_L_NODE, ARG_IDENT, IN_SCAN | BDX};
        case LIB_KW_EN_H: return {EN_H_NODE, ARG_IDENT, IN_SCAN | BDX};
        case LIB_KW_FUNCTION: return {FUNCTION_NODE, ARG_IDENT, BDX};
        case LIB_KW_INOUT: return {INOUT_NODE, ARG_IDENT, IN_BUF | IN_BSBUF};
        case LIB_KW_INPUT: return {INPUT_NODE, ARG_IDENT, BDX};
        case LIB_KW_OUTPUT: return {OUTPUT_NODE, ARG_IDENT, BDX};
        case LIB_KW_INPUT_P: return {INPUT_P_NODE, ARG_IDENT, IN_DIFF};
        case LIB_KW_OUTPUT_P: return {OUTPUT_P_NODE, ARG_IDENT, IN_DIFF};
        case LIB_KW_INPUT_M: return {INPUT_M_NODE, ARG_IDENT, IN_DIFF};
        case LIB_KW_OUTPUT_M: return {OUTPUT_M_NODE, ARG_IDENT, IN_DIFF};
        case LIB_KW_MUX_IN1: return {MUX_IN1_NODE, ARG_IDENT, BDX};
        case LIB_KW_MUX_IN2: return {MUX_IN2_NODE, ARG_IDENT, BDX};
        case LIB_KW_MUX_IN3: return {MUX_IN3_NODE, ARG_IDENT, BDX};
        case LIB_KW_MUX_OUT: return {MUX_OUT_NODE, ARG_IDENT, BDX};
        case LIB_KW_WEAK_0: return {WEAK_0_NODE, ARG_NONE, BDX};
        case LIB_KW_WEAK_1: return {WEAK_1_NODE, ARG_NONE, BDX};
        case LIB_KW_PULL_0: return {PULL_0_NODE, ARG_NONE, BDX};
        case LIB_KW_PULL_1: return {PULL_1_NODE, ARG_NONE, BDX};
        case LIB_KW_KEEPER: return {KEEPER_NODE, ARG_NONE, BDX};
        case LIB_KW_BCELL: return {BCELL_NODE, ARG_IDENT, IN_BSBUF};
        case LIB_KW_IN_BCELL: return {IN_BCELL_NODE, ARG_IDENT, IN_BSBUF};
        case LIB_KW_OUT_BCELL: return {OUT_BCELL_NODE, ARG_IDENT, IN_BSBUF};
        case LIB_KW_CONTROL_BCELL: return {CONTROL_BCELL_NODE, ARG_IDENT, IN_BSBUF};
        default: return {-1, ARG_NONE, 0};
    }
}

class LibParser {
public:
    void run() {
        next();
        if (tok_ == LIB_TOK_EOF) lib_yyerror();  // a library has at least one block
        desc::read_program(building, [this] { return tok_ == LIB_TOK_EOF; }, [this] { return parse_block(); });
    }

private:
    int tok_ = 0;
    int line_ = 1;  // line of the current token

    void next() {
        tok_ = lib_yylex();
        line_ = lib_yylineno;
    }

    void expect(int t) {
        if (tok_ != t) lib_yyerror();
        next();
    }

    // The leaf of the current token, which must have the given code.
    DescAstNode* take_leaf(int t) {
        if (tok_ != t) lib_yyerror();
        DescAstNode* leaf = lib_yylval;
        lib_yylval = nullptr;
        next();
        return leaf;
    }

    // IDENT ("," IDENT)* as a sibling chain.
    DescAstNode* names() {
        DescAstNode* head = take_leaf(LIB_TOK_IDENT);
        DescAstNode* tail = head;
        while (tok_ == ',') {
            next();
            tail->sibling = take_leaf(LIB_TOK_IDENT);
            tail = tail->sibling;
        }
        return head;
    }

    DescAstNode* parse_block() {
        using namespace desc;
        int kind;
        unsigned cls;
        bool several;
        switch (tok_) {
            case LIB_KW_TAP_CONTROLLER: kind = TAP_CELL_NODE, cls = IN_TAP, several = false; break;
            case LIB_KW_SCAN_CELL: kind = SCAN_CELL_NODE, cls = IN_SCAN, several = false; break;
            case LIB_KW_BUFFER: kind = BUFFER_CELL_NODE, cls = IN_BUF, several = true; break;
            case LIB_KW_INV_BUFFER: kind = INV_BUFFER_NODE, cls = IN_BUF, several = true; break;
            case LIB_KW_DIFFERENTIAL_VOLTAGE: kind = DIFF_V_BUFFER_CELL_NODE, cls = IN_DIFF, several = true; break;
            case LIB_KW_DIFFERENTIAL_CURRENT: kind = DIFF_I_BUFFER_CELL_NODE, cls = IN_DIFF, several = true; break;
            case LIB_KW_BS_BUFFER: kind = BS_BUFFER_NODE, cls = IN_BSBUF, several = true; break;
            default: lib_yyerror();
        }
        DescAstNode* block = MAKE_AST(kind);
        block->line = line_;
        next();
        if (several) {
            DescAstNode* list = MAKE_AST(IDENT_LIST_NODE);
            list->line = line_;
            APPEND_CHILD(block, list);
            APPEND_CHILD(list, names());
        } else {
            APPEND_CHILD(block, take_leaf(LIB_TOK_IDENT));
        }
        expect('{');
        DescAstNode* tail = block->child;
        do {
            DescAstNode* item = parse_item(cls);
            item->parent = block;
            tail->sibling = item;
            tail = item;
            expect(';');
        } while (tok_ != '}');
        next();
        return block;
    }

    DescAstNode* parse_item(unsigned cls) {
        using namespace desc;
        ItemRule r = item_rule(tok_);
        if (r.kind < 0 || !(r.blocks & cls)) lib_yyerror();
        DescAstNode* item = MAKE_AST(r.kind);
        item->line = line_;
        next();
        switch (r.arg) {
            case ARG_NONE: break;
            case ARG_IDENT: APPEND_CHILD(item, take_leaf(LIB_TOK_IDENT)); break;
            case ARG_INT: APPEND_CHILD(item, take_leaf(LIB_TOK_INTEGER)); break;
            case ARG_NAMES: APPEND_CHILD(item, names()); break;
            case ARG_EXTRA: {
                // %EXTRA_n counts from 1: position 0 names no pin.  The
                // list of extra pins is as long as the highest n, which
                // is bounded.
                if (tok_ == LIB_TOK_INTEGER && desc_decimal(lib_yytext) < 1) lib_yyerror();
                if (tok_ == LIB_TOK_INTEGER && desc_decimal(lib_yytext) > DESC_MAX_EXTRA_PINS) {
                    // The item is in no tree yet: it is freed before the run ends.
                    FREE_AST(item);
                    qdx_exit_printf(-1, "\"%s\", line %d: %%EXTRA_%s: at most %d extra pins are allowed\n", file(),
                                    lib_yylineno, lib_yytext, DESC_MAX_EXTRA_PINS);
                }
                APPEND_CHILD(item, take_leaf(LIB_TOK_INTEGER));
                APPEND_CHILD(item, take_leaf(LIB_TOK_IDENT));
                break;
            }
        }
        return item;
    }
};

}  // namespace

void lib_yyparse() {
    started = false;
    scanner.start(lib_yyin, LIB_FILE);
    started = true;
    lib_yylineno = 1;
    LibParser().run();
    scanner.clear();
    started = false;
}

void LIB_reset_globals() {
    scanner.clear();
    started = false;
    token_text.clear();
    lib_yytext = "";
    lib_yylineno = 1;
    lib_yyin = nullptr;
    desc::FREE_AST(lib_yylval);
    lib_yylval = nullptr;
    desc::FREE_AST(building);
    building = nullptr;
}
