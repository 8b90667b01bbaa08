// Scanner and recursive-descent parser of the pin and package file
// language, and the rows it makes.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>

#include "desc/hash.h"
#include "desc/pin.h"
#include "desc/scanner.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/msg.h"
#include "runtime/str.h"

int PIN_FLAG = 1;
PackageEntry* current_package_ptr = nullptr;
char*** SEM_IO_PIN_TAB = nullptr;
char*** SEM_V_PIN_TAB = nullptr;
FILE* pin_yyin = nullptr;
int pin_yylineno = 1;
PinTokenValue pin_yylval = {"", 0, 1};

namespace {

// A set of names that is searched with a plain text, without making a
// string of it first.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

DescScanner scanner;
bool started = false;
std::string token_text;

const char* file() { return desc_file_name(PIN_FILE); }

// The pin numbers of the rows of PIN_HASH_TAB, kept beside the table so
// that the check of a new number does not walk every earlier row.  It
// follows the table as rows are added (one bucket each) and starts over
// when the table was emptied or replaced, which it tells by its first
// bucket (buckets stay where they are while later rows are added).
struct NumberIndex {
    const void* first = nullptr;
    int buckets = 0;
    NameSet numbers;

    void clear() {
        first = nullptr;
        buckets = 0;
        NameSet().swap(numbers);
    }

    bool contains(const char* number) {
        int n = DYNA_count(PIN_HASH_TAB);
        const void* head = n > 0 ? PIN_HASH_TAB[0] : nullptr;
        if (n < buckets || (buckets > 0 && head != first)) clear();
        for (; buckets < n; ++buckets) {
            PinListEntry* bucket = PIN_HASH_TAB[buckets];
            for (int i = 0, m = DYNA_count(bucket); i < m; ++i)
                if (bucket[i].number) numbers.insert(bucket[i].number);
        }
        first = head;
        return numbers.find(std::string_view(number)) != numbers.end();
    }
};
NumberIndex number_index;

bool is_word_char(int c) {
    return desc_is_letter(c) || desc_is_digit(c) || c == '_' || c == '-' || c == '.' || c == '?' || c == '[' ||
           c == ']' || c == '{' || c == '}';
}

// Length of the word at the read position, 0 when none starts there: the
// marks "-", "_", "\", "%", "_" (each at most once, in this order), a
// letter, then letters, digits and "_", "-", ".", "?", "[", "]", "{", "}".
size_t word_length() {
    size_t k = 0;
    for (char mark : {'-', '_', '\\', '%', '_'})
        if (scanner.peek(k) == mark) ++k;
    if (!desc_is_letter(scanner.peek(k))) return 0;
    return scanner.span(k + 1, is_word_char);
}

// The token whose text is in token_text.
int finish_token(int code, int line) {
    pin_yylval = {token_text.c_str(), code, line};
    return code;
}

}  // namespace

// Token dumps (dump level 2) are debugging output for the screen only.
// The token's text goes straight into token_text, whose storage serves
// token after token.
int pin_yylex() {
    if (!started) {
        scanner.start(pin_yyin, PIN_FILE);
        started = true;
    }
    scanner.skip_space(file());
    int line = pin_yylineno = scanner.line();
    if (scanner.at_end()) {
        token_text.clear();
        return finish_token(PIN_TOK_EOF, line);
    }
    int c = scanner.peek();
    if (desc_is_digit(c)) {
        scanner.take(scanner.span(0, desc_is_digit), token_text);
        finish_token(PIN_TOK_INTEGER, line);
        if (DUMP == 2) std::printf("INT %s\n", pin_yylval.text);
        return PIN_TOK_INTEGER;
    }
    if (size_t n = word_length()) {
        scanner.take(n, token_text);
        int kw = pin_keyword_lookup(token_text.c_str());
        if (kw >= 0) {
            if (DUMP == 2) std::printf("%d: KEYWORD : %s\n", line, token_text.c_str());
            return finish_token(kw, line);
        }
        if (DUMP == 2) std::printf("ID %s\n", token_text.c_str());
        return finish_token(PIN_TOK_IDENT, line);
    }
    scanner.take(1, token_text);
    if (std::strchr("{}()*;:,", c) && c != 0) {
        if (DUMP == 2) {
            if (c == '{') std::printf("LBRACE\n");
            if (c == '}') std::printf("RBRACE\n");
            if (c == '(') std::printf("LPAREN\n");
            if (c == ')') std::printf("RPAREN\n");
        }
        return finish_token(c, line);
    }
    desc_syntax_error(file(), line, token_text.c_str());
}

void pin_yyerror() { desc_syntax_error(file(), pin_yylineno, pin_yylval.text); }

void error_msg(const char* file_name, int line, int kind, const char* name) {
    const char* f = desc_file_name(file_name);
    const char* n = name ? name : "";
    switch (kind) {
        case 0: qdx_printf("'%s' line %d: Missing '*/'.\n", f, line); break;
        case 1: qdx_printf("'%s' line %d: Can't find Cell %s.\n", f, line, n); break;
        case 3: qdx_printf("'%s' line %d: pin number %s mutiple defined.\n", f, line, n); break;
        case 4: qdx_printf("'%s' line %d: pin name %s mutiple defined.\n", f, line, n); break;
        default: break;
    }
}

PinListEntry* save_pin(const char* number, int line) {
    if (!number) number = "";
    if (number_index.contains(number)) {
        error_msg(PIN_FILE, line, 3, number);
        qdx_exit(-1);
    }
    // One row to a bucket: a small first block, growable like any bucket.
    PinListEntry* row = desc_hash_add_at(&PIN_HASH_TAB, DYNA_count(PIN_HASH_TAB), 1);
    row->number = qdx_strdup(number);
    row->cell_code = CELL_SINGLE;
    row->pad_enable = PAD_EN_NONE;
    row->line = line;
    return row;
}

void free_pin_tables() {
    desc_free_hash(&PIN_HASH_TAB);
    desc_free_array(&PIN_TABLE);
    number_index.clear();
}

namespace {

// The names of a name-check table, kept beside it so that a check does
// not walk a whole bucket (the byte-sum hash puts many pin names of one
// shape into a few buckets).  It starts over when the table was replaced.
struct NameIndex {
    const void* table = nullptr;
    NameSet names;

    void clear() {
        table = nullptr;
        NameSet().swap(names);
    }

    void follow(char*** t) {
        if (table == t) return;
        clear();
        table = t;
        for (int b = 0, nb = DYNA_count(t); b < nb; ++b)
            for (int i = 0, n = DYNA_count(t[b]); i < n; ++i)
                if (t[b][i]) names.insert(t[b][i]);
    }
};
NameIndex io_index, v_index;

// 1 when the name is in the table; else adds it and gives 0.
int seen_before(char**** table, NameIndex& index, const char* name) {
    if (!name) return 0;
    if (!*table) *table = DYNA_new<char**>();
    index.follow(*table);
    if (index.names.find(std::string_view(name)) != index.names.end()) return 1;
    *desc_hash_add(table, name) = qdx_strdup(name);
    index.follow(*table);  // the outer array may have moved
    index.names.emplace(name);
    return 0;
}

}  // namespace

void create_pin_check_tables() {
    if (!SEM_IO_PIN_TAB) SEM_IO_PIN_TAB = DYNA_new<char**>();
    if (!SEM_V_PIN_TAB) SEM_V_PIN_TAB = DYNA_new<char**>();
}

void free_pin_check_tables() {
    desc_free_hash(&SEM_IO_PIN_TAB);
    desc_free_hash(&SEM_V_PIN_TAB);
    io_index.clear();
    v_index.clear();
}

int exist_io_pin(const char* name) {
    if (!name || std::strcmp(name, "INTERNAL") == 0 || std::strcmp(name, "OBSERVE_ONLY") == 0) return 0;
    return seen_before(&SEM_IO_PIN_TAB, io_index, name);
}

int exist_v_pin(const char* name) { return seen_before(&SEM_V_PIN_TAB, v_index, name); }

int in_allowed_list(const char* name) {
    if (!name) return 0;
    for (int i = 0, n = DYNA_count(ALLOWED_MULTIPLE_LIST); i < n; ++i)
        if (ALLOWED_MULTIPLE_LIST[i] && std::strcmp(ALLOWED_MULTIPLE_LIST[i], name) == 0) return 1;
    return 0;
}

void exist_multiple_pin() {
    std::unordered_set<std::string> used;
    for (int b = 0, nb = DYNA_count(PIN_HASH_TAB); b < nb; ++b) {
        PinListEntry* bucket = PIN_HASH_TAB[b];
        for (int i = 0, n = DYNA_count(bucket); i < n; ++i)
            if (bucket[i].io_name) used.insert(bucket[i].io_name);
    }
    for (int i = 0, n = DYNA_count(ALLOWED_MULTIPLE_LIST); i < n; ++i) {
        const char* name = ALLOWED_MULTIPLE_LIST[i];
        if (name && !used.count(name))
            std::fprintf(stderr, "WARNING : %%ALLOWED_MULTIPLE '%s' was not declared in \"%s\".\n", name, file());
    }
}

void parse_pin_name(const char* name, int line) {
    if (!name) return;
    const char* open = std::strchr(name, '[');
    if (!open) return;
    const char* close = std::strchr(open + 1, ']');
    if (!close) return;
    for (const char* p = open + 1; p < close; ++p) {
        if (!desc_is_digit(static_cast<unsigned char>(*p))) {
            std::fprintf(stderr, "\"%s\", line %d: Syntax error at %s\n", file(), line, name);
            qdx_exit(-1);
        }
    }
}

namespace {

// A field of a row: a name, or none for "*".
struct Field {
    std::string text;
    bool none = true;
    int line = 0;
    const char* c_str() const { return none ? nullptr : text.c_str(); }
};

// The cells and pad pins of the row being read: the six cell roles
// (bs_ctrlL, bs_inL, bs_outL, bs_inoutL, bs_in_onlyL, bs_out_onlyL) and
// the three pad pins (pad_ctrlL, pad_inL, pad_outL).
struct RowCells {
    bool has_bsc = false;
    Field single;  // BSC(cell)
    Field first;   // first cell of the role form
    Field bs_ctrlL, bs_inL, bs_outL, bs_inoutL, bs_in_onlyL, bs_out_onlyL;
    bool has_pad = false;
    Field pad;
    Field pad_ctrlL, pad_inL, pad_outL;
    int enable = PAD_EN_NONE;
};

char* dup_field(const Field& f) { return f.none ? nullptr : qdx_strdup(f.text.c_str()); }

class PinParser {
public:
    void run() {
        next();
        if (tok_ == PIN_TOK_EOF) pin_yyerror();  // a file has at least one entry
        if (!PIN_FLAG) start_package();
        while (tok_ != PIN_TOK_EOF) {
            switch (tok_) {
                case PIN_KW_PACKAGE_TYPE: package_type(); break;
                case PIN_KW_ALLOWED_MULTIPLE: allowed_multiple(); break;
                case PIN_TOK_IDENT:
                case PIN_TOK_INTEGER: pin_row(); break;
                default: pin_yyerror();
            }
        }
    }

private:
    int tok_ = 0;
    PackagePinEntry* tail_ = nullptr;  // last row of the current package

    void next() { tok_ = pin_yylex(); }

    void expect(int t) {
        if (tok_ != t) pin_yyerror();
        next();
    }

    std::string take(int t) {
        if (tok_ != t) pin_yyerror();
        std::string text = pin_yylval.text;
        next();
        return text;
    }

    Field take_ident() {
        Field f;
        f.line = pin_yylval.line;
        f.text = take(PIN_TOK_IDENT);
        f.none = false;
        return f;
    }

    // An identifier, or "*" for none.
    Field field() {
        if (tok_ == '*') {
            Field f;
            f.line = pin_yylval.line;
            next();
            return f;
        }
        return take_ident();
    }

    void start_package() {
        if (!current_package_ptr) {
            auto* p = static_cast<PackageEntry*>(std::calloc(1, sizeof(PackageEntry)));
            if (!p) MSG_fatal_error(1);
            p->file_name = STR_dup(PIN_FILE);
            if (!PACKAGE_TABLE) {
                PACKAGE_TABLE = p;
            } else {
                PackageEntry* last = PACKAGE_TABLE;
                while (last->next) last = last->next;
                last->next = p;
            }
            current_package_ptr = p;
        }
        tail_ = current_package_ptr->first;
        while (tail_ && tail_->next) tail_ = tail_->next;
    }

    // "%PACKAGE_TYPE" name n ";"
    void package_type() {
        next();
        std::string name = take(PIN_TOK_IDENT);
        int count = desc_decimal(take(PIN_TOK_INTEGER).c_str());
        expect(';');
        if (PIN_FLAG) {
            desc_set_text(&PACKAGE_TYPE, name.c_str());
            PACKAGE_PIN_NUMBER = count;
            return;
        }
        for (PackageEntry* p = PACKAGE_TABLE; p; p = p->next) {
            if (p == current_package_ptr || !p->pin_count || !p->type) continue;
            if (STR_ucomp(p->type, name.c_str()) == 0) {
                qdx_exit_printf(-1, "Error : The same package type name(%s) in (%s) and (%s).\n", name.c_str(),
                                desc_file_name(p->file_name), file());
            }
        }
        desc_set_text(&current_package_ptr->type, name.c_str());
        current_package_ptr->pin_count = count;
    }

    // "%ALLOWED_MULTIPLE" "{" name, name, ... ";" "}"
    void allowed_multiple() {
        next();
        expect('{');
        STR_free(&ALLOWED_MULTIPLE_LIST);
        ALLOWED_MULTIPLE_LIST = DYNA_new<char*>();
        STR_add(&ALLOWED_MULTIPLE_LIST, take(PIN_TOK_IDENT).c_str());
        while (tok_ == ',') {
            next();
            STR_add(&ALLOWED_MULTIPLE_LIST, take(PIN_TOK_IDENT).c_str());
        }
        expect(';');
        expect('}');
    }

    // A package or core-side name seen before in this file and not allowed
    // to repeat: reported now, the run ends after the configuration.
    static void report_repeat(const Field& f) {
        error_msg(PIN_FILE, f.line, 4, f.text.c_str());
        GLOBAL_EXIT = 1;
    }

    // number field field field [cells] [pad] [PAD_EN_L | PAD_EN_H]
    void pin_row() {
        std::string number = pin_yylval.text;
        int number_line = pin_yylval.line;
        next();
        PinListEntry* row = PIN_FLAG ? save_pin(number.c_str(), number_line) : nullptr;

        Field io = field();
        if (!io.none) {
            parse_pin_name(io.c_str(), io.line);
            if (exist_io_pin(io.c_str()) && !in_allowed_list(io.c_str())) report_repeat(io);
        }
        Field core = field();
        if (!core.none) {
            parse_pin_name(core.c_str(), core.line);
            if (exist_v_pin(core.c_str()) && !in_allowed_list(io.c_str())) report_repeat(core);
        }
        Field dir = field();
        if (!dir.none) parse_pin_name(dir.c_str(), dir.line);

        RowCells cells;
        if (tok_ == PIN_KW_BSC) bsc(cells);
        if (tok_ == PIN_KW_PAD) pad(cells);
        if (tok_ == PIN_KW_PAD_EN_L || tok_ == PIN_KW_PAD_EN_H) {
            cells.enable = tok_ == PIN_KW_PAD_EN_L ? PAD_EN_LOW : PAD_EN_HIGH;
            next();
        }

        if (row)
            fill_list_row(row, io, core, dir, cells);
        else
            add_package_row(number, io, core, dir, cells);
    }

    // "BSC" "(" cell ")" or "BSC" "(" role ":" cell, ... ")"
    void bsc(RowCells& cells) {
        next();
        expect('(');
        cells.has_bsc = true;
        if (tok_ == PIN_TOK_IDENT) {
            cells.single = take_ident();
            expect(')');
            return;
        }
        for (;;) {
            Field* slot = nullptr;
            switch (tok_) {
                case PIN_KW_C: slot = &cells.bs_ctrlL; break;
                case PIN_KW_I: slot = &cells.bs_inL; break;
                case PIN_KW_O: slot = &cells.bs_outL; break;
                case PIN_KW_IO: slot = &cells.bs_inoutL; break;
                case PIN_KW_I_ONLY: slot = &cells.bs_in_onlyL; break;
                case PIN_KW_O_ONLY: slot = &cells.bs_out_onlyL; break;
                default: pin_yyerror();
            }
            next();
            expect(':');
            *slot = take_ident();
            if (cells.first.none) cells.first = *slot;
            if (tok_ != ',') break;
            next();
        }
        expect(')');
    }

    // "PAD" "(" pad ")" or "PAD" "(" pad "," role ":" pin, ... ")"
    void pad(RowCells& cells) {
        next();
        expect('(');
        cells.has_pad = true;
        cells.pad = take_ident();
        while (tok_ == ',') {
            next();
            Field* slot = nullptr;
            switch (tok_) {
                case PIN_KW_C: slot = &cells.pad_ctrlL; break;
                case PIN_KW_I: slot = &cells.pad_inL; break;
                case PIN_KW_O: slot = &cells.pad_outL; break;
                default: pin_yyerror();
            }
            next();
            expect(':');
            *slot = take_ident();
        }
        expect(')');
    }

    static void fill_list_row(PinListEntry* row, const Field& io, const Field& core, const Field& dir,
                              const RowCells& cells) {
        row->line = io.line;
        row->io_name = dup_field(io);
        row->core_name = dup_field(core);
        row->direction = dup_field(dir);
        if (cells.has_bsc && !cells.single.none) {
            row->cell = dup_field(cells.single);
        } else if (cells.has_bsc) {
            // Roles in the order I, C, O, IO, I_ONLY, O_ONLY, each later
            // one setting the code over the earlier ones.
            bool c = !cells.bs_ctrlL.none, i = !cells.bs_inL.none;
            int code = CELL_SINGLE;
            if (i) {
                row->i_cell = dup_field(cells.bs_inL);
                code = CELL_I;
            }
            if (c) {
                row->c_cell = dup_field(cells.bs_ctrlL);
                code = CELL_C;
            }
            if (!cells.bs_outL.none) {
                row->o_cell = dup_field(cells.bs_outL);
                code = c && i ? CELL_C_I_O : c ? CELL_C_O : i ? CELL_I_O : CELL_O;
            }
            if (!cells.bs_inoutL.none) {
                row->io_cell = dup_field(cells.bs_inoutL);
                code = c ? CELL_C_IO : CELL_IO;
            }
            if (!cells.bs_in_onlyL.none) {
                desc_set_text(&row->i_cell, cells.bs_in_onlyL.c_str());
                code = CELL_I_ONLY;
            }
            if (!cells.bs_out_onlyL.none) {
                desc_set_text(&row->o_cell, cells.bs_out_onlyL.c_str());
                code = c ? CELL_C_O_ONLY : CELL_O_ONLY;
            }
            row->cell_code = code;
        }
        if (cells.has_pad) {
            row->pad = dup_field(cells.pad);
            row->pad_c = dup_field(cells.pad_ctrlL);
            row->pad_i = dup_field(cells.pad_inL);
            row->pad_o = dup_field(cells.pad_outL);
        }
        row->pad_enable = cells.enable;
    }

    void add_package_row(const std::string& number, const Field& io, const Field& core, const Field& dir,
                         const RowCells& cells) {
        auto* row = static_cast<PackagePinEntry*>(std::calloc(1, sizeof(PackagePinEntry)));
        if (!row) MSG_fatal_error(1);
        row->number = qdx_strdup(number.c_str());
        row->line = io.line;
        row->io_name = dup_field(io);
        row->core_name = dup_field(core);
        row->direction = dup_field(dir);
        if (cells.has_bsc) row->cell = dup_field(cells.single.none ? cells.first : cells.single);
        if (cells.has_pad) {
            row->pad = dup_field(cells.pad);
            row->pad_c = dup_field(cells.pad_ctrlL);
            row->pad_i = dup_field(cells.pad_inL);
            row->pad_o = dup_field(cells.pad_outL);
        }
        row->cell_code = CELL_SINGLE;
        row->pad_enable = cells.enable;
        if (tail_)
            tail_->next = row;
        else
            current_package_ptr->first = row;
        tail_ = row;
    }
};

}  // namespace

void pin_yyparse() {
    scanner.start(pin_yyin, PIN_FILE);
    started = true;
    pin_yylineno = 1;
    PinParser().run();
    scanner.clear();
    started = false;
}

void parse_pin_file(FILE* in, int list_mode) {
    PIN_FLAG = list_mode;
    create_pin_check_tables();
    make_pin_keyword_hash();
    pin_yyin = in;
    pin_yyparse();
    pin_yyin = nullptr;
}

void PIN_reset_globals() {
    free_pin_tables();
    free_pin_check_tables();
    PIN_FLAG = 1;
    current_package_ptr = nullptr;
    pin_yyin = nullptr;
    pin_yylineno = 1;
    scanner.clear();
    started = false;
    token_text.clear();
    pin_yylval = {"", 0, 1};
}
