// Scanner and recursive-descent parser of the boundary-scan configuration
// language, and the pattern checks of its opcodes.

#include <cstdio>
#include <cstring>
#include <string>

#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/hash.h"
#include "desc/pin.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "runtime/exit.h"

using desc::DescAstNode;

FILE* dft_yyin = nullptr;
int dft_yylineno = 1;
const char* dft_yytext = "";
DescAstNode* dft_yylval = nullptr;

const DftPadRole DFT_PAD_ROLES[20] = {
    {DFT_KW_OUTPUT_MUX_SCAN, desc::OUTPUT_MUX_SCAN_NODE, &OUTPUT_MUX_SCAN},
    {DFT_KW_OUTPUT_SCAN, desc::OUTPUT_SCAN_NODE, &OUTPUT_SCAN},
    {DFT_KW_INPUT_MUX_SCAN, desc::INPUT_MUX_SCAN_NODE, &INPUT_MUX_SCAN},
    {DFT_KW_INPUT_SCAN, desc::INPUT_SCAN_NODE, &INPUT_SCAN},
    {DFT_KW_CONTROL_OE_SCAN, desc::CONTROL_OE_SCAN_NODE, &CONTROL_OE_SCAN},
    {DFT_KW_CONTROL_OE_LOW_SCAN, desc::CONTROL_OE_LOW_SCAN_NODE, &CONTROL_OE_LOW_SCAN},
    {DFT_KW_CONTROL_OE_HIGH_SCAN, desc::CONTROL_OE_HIGH_SCAN_NODE, &CONTROL_OE_HIGH_SCAN},
    {DFT_KW_CONTROL_MUX_SCAN, desc::CONTROL_MUX_SCAN_NODE, &CONTROL_MUX_SCAN},
    {DFT_KW_CONTROL_SCAN, desc::CONTROL_SCAN_NODE, &CONTROL_SCAN},
    {DFT_KW_CONTROL_LOW_SCAN, desc::CONTROL_LOW_SCAN_NODE, &CONTROL_LOW_SCAN},
    {DFT_KW_CONTROL_HIGH_SCAN, desc::CONTROL_HIGH_SCAN_NODE, &CONTROL_HIGH_SCAN},
    {DFT_KW_BIDIR_MUX_SCAN, desc::BIDIR_MUX_SCAN_NODE, &BIDIR_MUX_SCAN},
    {DFT_KW_BIDIR_SCAN, desc::BIDIR_SCAN_NODE, &BIDIR_SCAN},
    {DFT_KW_BIDIR_LOW_SCAN, desc::BIDIR_LOW_SCAN_NODE, &BIDIR_LOW_SCAN},
    {DFT_KW_BIDIR_HIGH_SCAN, desc::BIDIR_HIGH_SCAN_NODE, &BIDIR_HIGH_SCAN},
    {DFT_KW_CLOCK_MUX_SCAN, desc::CLOCK_MUX_SCAN_NODE, &CLOCK_MUX_SCAN},
    {DFT_KW_CLOCK_SCAN, desc::CLOCK_SCAN_NODE, &CLOCK_SCAN},
    {DFT_KW_INTERNAL_SCAN, desc::INTERNAL_SCAN_NODE, &INTERNAL_SCAN},
    {DFT_KW_OBSERVE_ONLY_SCAN, desc::OBSERVE_ONLY_SCAN_NODE, &OBSERVE_ONLY_SCAN},
    {DFT_KW_CONTROL_HZ_SCAN, desc::CONTROL_HZ_SCAN_NODE, &CONTROL_HZ_SCAN},
};

namespace {

DescScanner scanner;
bool started = false;
std::string token_text;
// Tree under construction, kept reachable while the parse runs.
DescAstNode* building = nullptr;

const char* file() { return desc_file_name(DFT_FILE); }

bool is_word_char(int c) {
    return desc_is_letter(c) || desc_is_digit(c) || c == '_' || c == '*' || c == '-' || c == '.' || c == '/' ||
           c == '[' || c == ']';
}

bool is_bit(int c) { return c == '0' || c == '1'; }

// Length of the word at the read position, 0 when none starts there.  A
// word is a prefix, a letter, then letters, digits and "_", "*", "-",
// ".", "/", "[", "]".  The prefix is made of the parts "-", "_", "\",
// "./", "../", "/", "%", "*" (each at most once, in this order) followed
// by any run of the digits 0 and 1; so ./pins.txt, ../a.pin, -TRST and
// 1X0 are words.  The parts start with different characters (but for the
// two that start with "."), so taking each one greedily finds the longest
// word.
size_t word_length() {
    static const char* const parts[] = {"-", "_", "\\", "./", "../", "/", "%", "*"};
    size_t k = 0;
    for (const char* part : parts) {
        size_t n = std::strlen(part);
        size_t i = 0;
        while (i < n && scanner.peek(k + i) == static_cast<unsigned char>(part[i])) ++i;
        if (i == n) k += n;
    }
    k = scanner.span(k, is_bit);
    if (!desc_is_letter(scanner.peek(k))) return 0;
    return scanner.span(k + 1, is_word_char);
}

// Takes a token of n characters (a token too long ends the run).
void take_token(size_t n) {
    token_text = scanner.take(n);
    dft_yytext = token_text.c_str();
}

void set_text(const char* text) {
    token_text = text;
    dft_yytext = token_text.c_str();
}

}  // namespace

int dft_yylex() {
    if (!started) {
        scanner.start(dft_yyin, DFT_FILE);
        started = true;
    }
    // A leaf the parser did not take (only before a syntax error).
    desc::FREE_AST(dft_yylval);
    dft_yylval = nullptr;
    // A comment wins over a word that would begin with "/" or "/*".  Token
    // dumps (dump level 2) below are debugging output for the screen only.
    scanner.skip_space(file());
    int line = dft_yylineno = desc::ast_line = scanner.line();
    if (scanner.at_end()) {
        set_text("");
        return DFT_TOK_EOF;
    }
    if (size_t n = word_length()) {
        take_token(n);
        int kw = dft_keyword_lookup(dft_yytext);
        if (kw >= 0) {
            if (DUMP == 2) std::printf("KEYWORD : %s\n", dft_yytext);
            return kw;
        }
        if (DUMP == 2) std::printf("IDENT : %s\n", dft_yytext);
        dft_yylval = desc::MAKE_LEAF_AST(desc::IDENT_NODE, dft_yytext, line);
        return DFT_TOK_IDENT;
    }
    int c = scanner.peek();
    if (desc_is_digit(c)) {
        // A run of 0 and 1 is a pattern; a longer run of digits an integer.
        const size_t bits = scanner.span(0, is_bit);
        const size_t digits = scanner.span(0, desc_is_digit);
        if (digits > bits) {
            take_token(digits);
            if (DUMP == 2) std::printf("INTEGER: %s\n", dft_yytext);
            dft_yylval = desc::MAKE_LEAF_AST(desc::INTEGER_NODE, dft_yytext, line);
            return DFT_TOK_INTEGER;
        }
        take_token(bits);
        if (DUMP == 2) std::printf("PATTERN: %s\n", dft_yytext);
        dft_yylval = desc::MAKE_LEAF_AST(desc::PATTERN_NODE, dft_yytext, line);
        return DFT_TOK_PATTERN;
    }
    take_token(1);
    switch (c) {
        case '{':
            if (DUMP == 2) std::printf("LBRACE\n");
            return c;
        case '(':
            if (DUMP == 2) std::printf("LPAREN\n");
            return c;
        case ')':
            if (DUMP == 2) std::printf("RPAREN\n");
            return c;
        case '=':
            if (DUMP == 2) std::printf("EQUAL\n");
            return c;
        case '}':
        case ';':
        case ',': return c;
        default: desc_syntax_error(file(), line, dft_yytext);
    }
}

void dft_yyerror() { desc_syntax_error(file(), dft_yylineno, dft_yytext); }

// ------------------------------------------------------------ pattern checks

int check_pattern_list(const DescAstNode* pattern, char** list) {
    const char* p = pattern && pattern->text ? pattern->text : "";
    int line = pattern ? pattern->line : 0;
    size_t len = std::strlen(p);
    for (int i = 0, n = DYNA_count(list); i < n; ++i) {
        const char* q = list[i] ? list[i] : "";
        if (std::strlen(q) != len) {
            std::fprintf(stderr, "\"%s\", line %d: Size of '%s' and '%s' are not equivalence\n", file(), line, p, q);
            return 0;
        }
    }
    for (int i = 0, n = DYNA_count(list); i < n; ++i) {
        const char* q = list[i] ? list[i] : "";
        bool equal = true;
        for (size_t k = 0; k < len && equal; ++k) {
            char a = p[k], b = q[k];
            equal = a == b || a == 'X' || a == 'x' || b == 'X' || b == 'x';
        }
        if (equal) {
            std::fprintf(stderr, "\"%s\", line %d: Pattern '%s' has been appeared previous\n", file(), line, p);
            return 0;
        }
    }
    return 1;
}

int is_pattern(const char* text) {
    if (!text) return 1;
    for (const char* c = text; *c; ++c)
        if (*c != '0' && *c != '1' && *c != 'X' && *c != 'x') return 0;
    return 1;
}

int is_int(const char* text) {
    if (!text) return 1;
    for (const char* c = text; *c; ++c)
        if (!desc_is_digit(static_cast<unsigned char>(*c))) return 0;
    return 1;
}

// ------------------------------------------------------------------ parser

namespace {

class DftParser {
public:
    void run() {
        next();
        if (tok_ == DFT_TOK_EOF) dft_yyerror();  // a configuration has at least one item
        desc::read_program(building, [this] { return tok_ == DFT_TOK_EOF; }, [this] { return top_item(); });
    }

private:
    int tok_ = 0;
    int line_ = 1;  // line of the current token

    void next() {
        tok_ = dft_yylex();
        line_ = dft_yylineno;
    }

    void expect(int t) {
        if (tok_ != t) dft_yyerror();
        next();
    }

    bool is_value() const { return tok_ == DFT_TOK_IDENT || tok_ == DFT_TOK_INTEGER || tok_ == DFT_TOK_PATTERN; }
    bool is_number() const { return tok_ == DFT_TOK_INTEGER || tok_ == DFT_TOK_PATTERN; }

    // A node of the kind for the current (keyword) token, which it consumes.
    DescAstNode* keyword_node(int kind) {
        DescAstNode* n = desc::MAKE_AST(kind);
        n->line = line_;
        next();
        return n;
    }

    // The leaf of the current token.
    DescAstNode* take_leaf() {
        DescAstNode* leaf = dft_yylval;
        dft_yylval = nullptr;
        next();
        return leaf;
    }

    DescAstNode* name() {
        if (tok_ != DFT_TOK_IDENT) dft_yyerror();
        return take_leaf();
    }

    DescAstNode* value() {
        if (!is_value()) dft_yyerror();
        return take_leaf();
    }

    DescAstNode* number() {
        if (!is_number()) dft_yyerror();
        return take_leaf();
    }

    // item ("," item)* as a sibling chain.
    template <class F>
    DescAstNode* comma_list(F item) {
        DescAstNode* head = (this->*item)();
        DescAstNode* tail = head;
        while (tok_ == ',') {
            next();
            tail->sibling = (this->*item)();
            tail = tail->sibling;
        }
        return head;
    }
    DescAstNode* names() { return comma_list(&DftParser::name); }
    DescAstNode* values() { return comma_list(&DftParser::value); }
    DescAstNode* numbers() { return comma_list(&DftParser::number); }

    // keyword name ";"
    DescAstNode* name_item(int kind) {
        DescAstNode* n = keyword_node(kind);
        desc::APPEND_CHILD(n, name());
        expect(';');
        return n;
    }

    // keyword "{" names ";" "}"
    DescAstNode* name_block(int kind) {
        DescAstNode* n = keyword_node(kind);
        expect('{');
        desc::APPEND_CHILD(n, names());
        expect(';');
        expect('}');
        return n;
    }

    DescAstNode* top_item() {
        using namespace desc;
        switch (tok_) {
            case DFT_KW_INSTRUCTION_TABLE: return instruction_table();
            case DFT_KW_INSTRUCTION_CAPTURE: {
                DescAstNode* n = keyword_node(INSTRUCTION_CAPTURE_NODE);
                expect('(');
                APPEND_CHILD(n, values());
                expect(')');
                expect(';');
                return n;
            }
            case DFT_KW_INSTRUCTION_DISABLE: return name_item(INSTRUCTION_DISABLE_NODE);
            case DFT_KW_INSTRUCTION_GUARD: return name_item(INSTRUCTION_GUARD_NODE);
            case DFT_KW_INSTRUCTION_PRIVATE: {
                DescAstNode* n = keyword_node(INSTRUCTION_PRIVATE_NODE);
                APPEND_CHILD(n, names());
                expect(';');
                return n;
            }
            case DFT_KW_IDCODE_REGISTER: {
                DescAstNode* n = keyword_node(IDCODE_REGISTER_NODE);
                APPEND_CHILD(n, value());
                expect(';');
                return n;
            }
            case DFT_KW_USERCODE_REGISTER: {
                DescAstNode* n = keyword_node(USERCODE_REGISTER_NODE);
                APPEND_CHILD(n, values());
                expect(';');
                return n;
            }
            case DFT_KW_INPUT_BUFFER: return name_item(INPUT_BUFFER_NODE);
            case DFT_KW_OUTPUT_BUFFER: return name_item(OUTPUT_BUFFER_NODE);
            case DFT_KW_INOUT_BUFFER: return name_item(INOUT_BUFFER_NODE);
            case DFT_KW_INVERTER: return name_item(INVERTER_NODE);
            case DFT_KW_GLOBAL_TDI: return name_item(GLOBAL_TDI_NODE);
            case DFT_KW_GLOBAL_TDO: return name_item(GLOBAL_TDO_NODE);
            case DFT_KW_GLOBAL_TMS: return name_item(GLOBAL_TMS_NODE);
            case DFT_KW_GLOBAL_TCK: return name_item(GLOBAL_TCK_NODE);
            case DFT_KW_GLOBAL_TRST: return name_item(GLOBAL_TRST_NODE);
            case DFT_KW_SCAN_CELLS: return scan_cells();
            case DFT_KW_TAP_MODULE: return tap_module();
            case DFT_KW_PIN_LIST: return pin_list();
            case DFT_KW_PACKAGE_LIST: {
                DescAstNode* n = keyword_node(PACKAGE_LIST_NODE);
                expect('{');
                do {
                    APPEND_CHILD(n, file_name());
                } while (tok_ != '}');
                next();
                return n;
            }
            case DFT_KW_CONNECTION_TABLE: {
                DescAstNode* n = keyword_node(CONNECT_TABLE_NODE);
                expect('{');
                do {
                    APPEND_CHILD(n, connect());
                } while (tok_ != '}');
                next();
                return n;
            }
            case DFT_KW_SKIP_MODULE_NAMES: return name_block(SKIP_MODULE_NAMES_NODE);
            case DFT_KW_TRANSPARENT_BUFFER: return name_block(TRANSPARENT_BUFFER_NODE);
            case DFT_KW_UNBOUNDED_PINS: return name_block(UNBOUNDED_PINS_NODE);
            case DFT_KW_SKIP_SIGNAL_NAMES: {
                DescAstNode* n = keyword_node(SKIP_SIGNAL_NAMES_NODE);
                expect('{');
                APPEND_CHILD(n, comma_list(&DftParser::skip_signal));
                expect(';');
                expect('}');
                return n;
            }
            case DFT_KW_MEMORY_BIST: return bist(MEMORY_BIST_NODE, MEMORY_BIST_ELEMENT_NODE, false);
            case DFT_KW_LOGIC_BIST: return bist(LOGIC_BIST_NODE, LOGIC_BIST_ELEMENT_NODE, true);
            case DFT_TOK_IDENT:
            case DFT_TOK_INTEGER:
            case DFT_TOK_PATTERN: {
                // A bare list of values: accepted and saved nowhere.
                DescAstNode* n = MAKE_AST(IDENT_LIST_NODE);
                n->line = line_;
                APPEND_CHILD(n, values());
                return n;
            }
            default: dft_yyerror();
        }
    }

    // "%SCAN_CELLS" "{" role cell ";" ... "}"; each cell must be a
    // boundary-scan cell of the library.
    DescAstNode* scan_cells() {
        DescAstNode* n = keyword_node(desc::SCAN_CELLS_NODE);
        expect('{');
        do {
            const DftPadRole* role = nullptr;
            for (const DftPadRole& r : DFT_PAD_ROLES)
                if (r.token == tok_) role = &r;
            if (!role) dft_yyerror();
            DescAstNode* item = keyword_node(role->kind);
            DescAstNode* cell = name();
            if (!get_scan_cell(cell->text)) cannot_find_cell(cell);
            desc::APPEND_CHILD(item, cell);
            desc::APPEND_CHILD(n, item);
            expect(';');
        } while (tok_ != '}');
        next();
        return n;
    }

    // "%TAP_MODULE" "{" ("%MODULE_NAME" | "%INSTANCE_NAME") name ";" ... "}";
    // the module must be a TAP controller of the library.
    DescAstNode* tap_module() {
        DescAstNode* n = keyword_node(desc::TAP_MODULE_NODE);
        expect('{');
        do {
            DescAstNode* item;
            if (tok_ == DFT_KW_MODULE_NAME) {
                item = keyword_node(desc::MODULE_NAME_NODE);
                DescAstNode* module = name();
                if (!get_tap_cell(module->text)) cannot_find_cell(module);
                desc::APPEND_CHILD(item, module);
            } else if (tok_ == DFT_KW_INSTANCE_NAME) {
                item = keyword_node(desc::INSTANCE_NAME_NODE);
                desc::APPEND_CHILD(item, name());
            } else {
                dft_yyerror();
            }
            desc::APPEND_CHILD(n, item);
            expect(';');
        } while (tok_ != '}');
        next();
        return n;
    }

    [[noreturn]] void cannot_find_cell(DescAstNode* leaf) {
        error_msg(DFT_FILE, leaf->line, 1, leaf->text);
        desc::FREE_AST(leaf);
        qdx_exit(-1);
    }

    // "%FILE_NAME" name ";"
    DescAstNode* file_name() {
        if (tok_ != DFT_KW_FILE_NAME) dft_yyerror();
        return name_item(desc::FILE_NAME_NODE);
    }

    // "%PIN_LIST" "{" "%FILE_NAME" name ";" "}" or "%PIN_LIST" "{" number name ... "}"
    DescAstNode* pin_list() {
        using namespace desc;
        DescAstNode* n = keyword_node(PIN_LIST_NODE);
        expect('{');
        if (tok_ == DFT_KW_FILE_NAME) {
            APPEND_CHILD(n, file_name());
        } else {
            DescAstNode* list = MAKE_AST(PIN_ITEM_LIST_NODE);
            list->line = line_;
            APPEND_CHILD(n, list);
            do {
                DescAstNode* item = MAKE_AST(PIN_ITEM_NODE);
                item->line = line_;
                APPEND_CHILD(item, number());
                APPEND_CHILD(item, name());
                APPEND_CHILD(list, item);
            } while (tok_ != '}');
        }
        expect('}');
        return n;
    }

    // A side of a connection: instance "(" pin ")" or a design port.
    DescAstNode* connect_side(bool pin_required) {
        using namespace desc;
        int line = line_;
        DescAstNode* first = name();
        if (tok_ != '(' && !pin_required) {
            DescAstNode* port = MAKE_SOLO_AST(CONNECT_PORT_NODE, first);
            port->line = line;
            return port;
        }
        DescAstNode* pin = MAKE_SOLO_AST(CONNECT_PIN_NODE, first);
        pin->line = line;
        expect('(');
        APPEND_CHILD(pin, name());
        expect(')');
        return pin;
    }

    // "%CONNECT" from "TO" to ";" where at most one side is a port.
    DescAstNode* connect() {
        if (tok_ != DFT_KW_CONNECT) dft_yyerror();
        DescAstNode* n = keyword_node(desc::CONNECT_NODE);
        DescAstNode* from = connect_side(false);
        desc::APPEND_CHILD(n, from);
        expect(DFT_KW_W_TO);
        desc::APPEND_CHILD(n, connect_side(from->kind == desc::CONNECT_PORT_NODE));
        expect(';');
        return n;
    }

    // name or name "(" value ")"
    DescAstNode* skip_signal() {
        int line = line_;
        DescAstNode* n = desc::MAKE_SOLO_AST(desc::SKIP_IDENT_NODE, name());
        n->line = line;
        if (tok_ == '(') {
            next();
            desc::APPEND_CHILD(n, value());
            expect(')');
        }
        return n;
    }

    // ---------------------------------------------------------- instructions

    DescAstNode* instruction_table() {
        DescAstNode* n = keyword_node(desc::INSTRUCTION_TABLE_NODE);
        expect('{');
        do {
            desc::APPEND_CHILD(n, instruction());
        } while (tok_ != '}');
        next();
        return n;
    }

    // "(" values ")" as an opcode list.
    DescAstNode* opcode_list(bool parenthesised) {
        DescAstNode* list = desc::MAKE_AST(desc::INST_LIST_NODE);
        list->line = line_;
        if (parenthesised) expect('(');
        desc::APPEND_CHILD(list, values());
        if (parenthesised) expect(')');
        return list;
    }

    DescAstNode* instruction() {
        using namespace desc;
        if (tok_ != DFT_KW_INSTRUCTION) dft_yyerror();
        DescAstNode* n = keyword_node(INSTRUCTION_NODE);
        APPEND_CHILD(n, name());
        if (tok_ == '=') {
            // name "=" "(" values ")" "ACCESS" register ["ENABLE" signal ["(" value ")"]] ";"
            next();
            APPEND_CHILD(n, opcode_list(true));
            DescAstNode* access = MAKE_AST(ACCESS_NODE);
            access->line = line_;
            expect(DFT_KW_W_ACCESS);
            APPEND_CHILD(access, name());
            APPEND_CHILD(n, access);
            if (tok_ == DFT_KW_W_ENABLE) {
                DescAstNode* enable = keyword_node(ENABLE_NODE);
                APPEND_CHILD(enable, name());
                if (tok_ == '(') {
                    next();
                    APPEND_CHILD(enable, value());
                    expect(')');
                }
                APPEND_CHILD(n, enable);
            }
            expect(';');
            return n;
        }
        expect('{');
        do {
            APPEND_CHILD(n, instruction_entry());
            expect(';');
        } while (tok_ != '}');
        next();
        return n;
    }

    DescAstNode* instruction_entry() {
        using namespace desc;
        switch (tok_) {
            case DFT_KW_BINARY_CODE: {
                next();
                expect('=');
                return opcode_list(tok_ == '(');
            }
            case DFT_KW_DATA_REGISTER: {
                DescAstNode* n = keyword_node(ACCESS_NODE);
                expect('=');
                APPEND_CHILD(n, name());
                return n;
            }
            case DFT_KW_ENABLE: {
                DescAstNode* n = keyword_node(ENABLE_NODE);
                APPEND_CHILD(n, name());
                expect('=');
                if (tok_ == '(') {
                    next();
                    APPEND_CHILD(n, value());
                    expect(')');
                } else {
                    APPEND_CHILD(n, value());
                }
                return n;
            }
            case DFT_KW_EN_H:
            case DFT_KW_EN_L: {
                DescAstNode* n = keyword_node(tok_ == DFT_KW_EN_H ? EN_H_NODE : EN_L_NODE);
                APPEND_CHILD(n, name());
                int gate = -1;
                switch (tok_) {
                    case DFT_KW_W_AND: gate = INSTRUCTION_AND_NODE; break;
                    case DFT_KW_W_NAND: gate = INSTRUCTION_NAND_NODE; break;
                    case DFT_KW_W_OR: gate = INSTRUCTION_OR_NODE; break;
                    case DFT_KW_W_NOR: gate = INSTRUCTION_NOR_NODE; break;
                    case DFT_KW_W_XOR: gate = INSTRUCTION_XOR_NODE; break;
                    case DFT_KW_W_XNOR: gate = INSTRUCTION_XNOR_NODE; break;
                    default: break;
                }
                if (gate >= 0) {
                    DescAstNode* g = keyword_node(gate);
                    APPEND_CHILD(g, name());
                    APPEND_CHILD(n, g);
                }
                return n;
            }
            default: dft_yyerror();
        }
    }

    // ------------------------------------------------------------------ BIST

    // "%MEMORY_BIST" / "%LOGIC_BIST" "{" ("%INSTRUCTION" name "{" line... "}")... "}";
    // a logic-BIST block may instead hold its lines directly.
    DescAstNode* bist(int kind, int element_kind, bool logic) {
        using namespace desc;
        DescAstNode* n = keyword_node(kind);
        expect('{');
        if (logic && tok_ != DFT_KW_INSTRUCTION) {
            do {
                APPEND_CHILD(n, bist_line(logic));
            } while (tok_ != '}');
            next();
            return n;
        }
        do {
            if (tok_ != DFT_KW_INSTRUCTION) dft_yyerror();
            DescAstNode* element = keyword_node(element_kind);
            APPEND_CHILD(element, name());
            expect('{');
            while (tok_ != '}') APPEND_CHILD(element, bist_line(logic));
            next();
            APPEND_CHILD(n, element);
        } while (tok_ != '}');
        next();
        return n;
    }

    // One line of a BIST block, ended by ";".
    DescAstNode* bist_line(bool logic) {
        using namespace desc;
        DescAstNode* n = nullptr;
        switch (tok_) {
            case DFT_KW_CTRL_ORDER:
                n = keyword_node(CTRL_ORDER_NODE);
                APPEND_CHILD(n, numbers());
                break;
            case DFT_KW_CNT_FILE:
                n = keyword_node(CNT_FILE_NODE);
                APPEND_CHILD(n, names());
                break;
            case DFT_KW_SEL_INSTRUCTION:
                n = keyword_node(BL_SEL_INST_NODE);
                APPEND_CHILD(n, name());
                break;
            default: break;
        }
        if (!n && logic) {
            int one = -1, several = -1;
            switch (tok_) {
                case DFT_KW_DFT_FILE: one = DFT_FILE_NODE; break;
                case DFT_KW_SCAN_INSTRUCTION: one = BL_SCAN_INST_NODE; break;
                case DFT_KW_LBIST_INSTRUCTION: one = BL_LBIST_INST_NODE; break;
                case DFT_KW_DEBUG_INSTRUCTION: one = BL_DEBUG_INST_NODE; break;
                case DFT_KW_INSTANCE_NAME: one = INSTANCE_NAME_NODE; break;
                case DFT_KW_DIAG_INSTRUCTION: several = BL_DIAG_INST_NODE; break;
                case DFT_KW_DIAG_CNT_FILE: several = BL_DIAG_CNT_NODE; break;
                case DFT_KW_TESTS:
                    n = keyword_node(BL_TEST_SETING_NODE);
                    expect('(');
                    APPEND_CHILD(n, values());
                    expect(')');
                    break;
                default: break;
            }
            if (one >= 0) {
                n = keyword_node(one);
                APPEND_CHILD(n, name());
            } else if (several >= 0) {
                n = keyword_node(several);
                APPEND_CHILD(n, names());
            }
        }
        if (!n) dft_yyerror();
        expect(';');
        return n;
    }
};

}  // namespace

void dft_yyparse() {
    scanner.start(dft_yyin, DFT_FILE);
    started = true;
    dft_yylineno = 1;
    DftParser().run();
    scanner.clear();
    started = false;
}

void DFT_reset_globals() {
    scanner.clear();
    started = false;
    token_text.clear();
    dft_yytext = "";
    dft_yylineno = 1;
    dft_yyin = nullptr;
    desc::FREE_AST(dft_yylval);
    dft_yylval = nullptr;
    desc::FREE_AST(building);
    building = nullptr;
}
