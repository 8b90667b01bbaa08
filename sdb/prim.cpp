// Class types and primitive definitions.
#include "sdb/prim.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/str.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

const char* const sdb_valid_class_type[SDB_NUM_CLASS_TYPES] = {
    /*   0 */ "DESIGN", "CELL", "PLA", "FUNCT", "BOOL", "C", "CUDP", "N/A",
    /*   8 */ "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /*  16 */ "BUF", "INV", "AND", "NAND", "OR", "NOR", "XOR", "XNOR",
    /*  24 */ "MUX", "ALU", "MPY", "FORCE0", "FORCE1", "FORCEX", "FORCEZ", "FORCEB",
    /*  32 */ "DOT", "WAND", "WOR", "WIRE", "DOT0", "DOT1", "DOTX", "DOTZ",
    /*  40 */ "DOTQ", "N/A", "N/A", "N/A", "N/A", "REPEATER", "PULLDOWN", "PULLUP",
    /*  48 */ "TBUF", "TINV", "CMOS", "NMOS", "PMOS", "BUF0", "BUF1", "INV0",
    /*  56 */ "INV1", "TDFF", "TDFFS", "TDFFR", "TDFFSR", "TDFFRS", "TDFFX", "N/A",
    /*  64 */ "N/A", "DELAY", "LAT", "LATS", "LATR", "LATSR", "LATRS", "LATX",
    /*  72 */ "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /*  80 */ "DFF", "DFFS", "DFFR", "DFFSR", "DFFRS", "DFFX", "N/A", "N/A",
    /*  88 */ "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /*  96 */ "MDFF", "MDFFS", "MDFFR", "MDFFX", "DFF2", "DFF2S", "DFF2R", "DFF2X",
    /* 104 */ "LSSD", "LSSDS", "LSSDR", "LSSDX", "SDFF", "N/A", "N/A", "N/A",
    /* 112 */ "MLAT", "MLATS", "MLATR", "MLATX", "LAT2", "LAT2S", "LAT2R", "LAT2X",
    /* 120 */ "SLAT", "SUDP", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /* 128 */ "RAM", "ROM", "FIFO", "RAM2", "MEMPORT", "N/A", "N/A", "N/A",
    /* 136 */ "N/AT", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /* 144 */ "TFAULT", "MUX21", "MUX41", "TBUF0", "TINV0", "LAT0", "N/A", "N/A",
    /* 152 */ "POS", "SOP", "IPOS", "ISOP", "ADDS", "ADDC", "CNOR", "CNAND",
    /* 160 */ "RSENSOR", "FSENSOR", "ESENSOR", "TOGGLE", "COMPARE", "XGND", "XPOWER", "XZ",
    /* 168 */ "WEAK", "SMARTDRV", "TRANCTL", "XDETECT", "DELAY10", "DELAY100", "RDELAY", "FDELAY",
    /* 176 */ "DELAYCTL", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
    /* 184 */ "N/AT", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A",
};

PrimitiveDef* sdb_primitives = nullptr;

namespace {

// The definitions every table holds after the primitive file's own.
const char* const kBuiltIn[] = {
    "_DESIGN DESIGN o:Q i:I[8192]",
    "_BUF BUF o:Q i:A",
    "_INV INV o:QN i:A",
    "_DELAY DELAY o:Q i:A",
    "_NMOS NMOS o:Q i:A B",
    "_DOT1 DOT1 o:Q i:I[8192]",
    "_DOT0 DOT0 o:Q i:I[8192]",
    "_DOTX DOTX o:Q i:I[8192]",
    "_DOTZ DOTZ o:Q i:I[16384]",
    "_DOTQ DOTQ o:Q i:I[8192]",
    "_WAND WAND o:Q i:I[8192]",
    "_WOR WOR o:Q i:I[8192]",
    "_MUX MUX o:Q i:I0 I1 S",
    "_WIRE WIRE o:Q i:I[8192]",
    "_TBUF TBUF o:Q i:A EN",
    "_TINV TINV o:QN i:A EN",
    "_AND2 AND o:Q i:A B",
    "_AND AND o:Q i:I[2048]",
    "_NAND NAND o:Q i:I[2048]",
    "_OR2 OR o:Q i:A B",
    "_OR OR o:Q i:I[2048]",
    "_NOR NOR o:Q i:I[2048]",
    "_XOR XOR o:Q i:I0 I1",
    "_XNOR XNOR o:Q i:I0 I1",
    "_SLAT SLAT o:Q i:D",
    "_SDFF SDFF o:Q i:D",
    "_DFF DFF o:Q i:D c:CK",
    "_BIDI BUF o:Q i:A",
    "_DFFS DFFS o:Q i:D c:CK S",
    "_DFFR DFFR o:Q i:D c:CK R",
    "_DFFX DFFX o:Q i:D c:CK S R",
    "TDFF TDFF o:Q i:D c:CK",
    "TDFFS TDFFS o:Q i:D c:CK S",
    "TDFFR TDFFR o:Q i:D c:CK R",
    "TDFFX TDFFX o:Q i:D c:CK S R",
    "TDFFSR TDFFX o:Q i:D c:CK S R",
    "TDFFRS TDFFX o:Q i:D c:CK S R",
    "FORCED_0_CLASS FORCE0 o:Q i:A",
    "FORCED_1_CLASS FORCE1 o:Q i:A",
    "FORCED_X_CLASS FORCEX o:Q i:A",
    "FORCED_Z_CLASS FORCEZ o:Q i:A",
    "FORCED_B_CLASS FORCEB o:Q i:A",
    "_LAT LAT o:Q i:D c:CK",
    "_LATS LATS o:Q i:D c:CK S",
    "_LATR LATR o:Q i:D c:CK R",
    "_LATX LATX o:Q i:D c:CK S R",
};
static_assert(sizeof kBuiltIn / sizeof kBuiltIn[0] == 46, "the built-in definitions");

// Pins that one token "name[n]" may give: more could only exhaust memory.
constexpr long kMaxPinsPerToken = 1L << 20;
// Pins of one definition, whatever its tokens: far above any primitive,
// and bounded so that a short line cannot ask for gigabytes.
constexpr size_t kMaxPinsPerPrimitive = size_t{1} << 20;
// Pins of the whole table, so that many such lines cannot either.
constexpr size_t kMaxPinsPerTable = 2 * kMaxPinsPerPrimitive;

bool is_separator(char c) { return c == ',' || c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == ';'; }

std::vector<std::string> tokens_of(const std::string& line) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_separator(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !is_separator(line[i])) ++i;
        if (i > start) out.emplace_back(line, start, i - start);
    }
    return out;
}

int type_code(const std::string& name) {
    for (int k = 0; k < SDB_NUM_CLASS_TYPES; ++k)
        if (STR_ucomp(sdb_valid_class_type[k], name.c_str()) == 0) return k;
    return -1;
}

std::string upper(const std::string& s) {
    std::string u = s;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// The built-in definitions, read once and kept to the end of the process.
// Every loaded table shares their pin lists, which nothing changes once
// loaded: a load makes no copy of their some 90000 pin names.
const PrimitiveDef* built_ins = nullptr;

bool shares_pins(const SdbPinDef* pins) {
    for (int i = 0, n = DYNA_count(built_ins); i < n; ++i)
        if (built_ins[i].pins == pins) return true;
    return false;
}

void free_table(PrimitiveDef* t) {
    int n = DYNA_count(t);
    for (int i = 0; i < n; ++i) {
        std::free(t[i].name);
        std::free(t[i].attr);
        if (shares_pins(t[i].pins)) continue;
        int np = DYNA_count(t[i].pins);
        for (int k = 0; k < np; ++k) std::free(t[i].pins[k].name);
        if (t[i].pins) DYNA_free(&t[i].pins);
    }
    if (t) DYNA_free(&t);
}

struct PinItem {
    bool named;
    std::string name;
    int32_t direction;
    int32_t flags;
};

// Reads definition lines one after another into a new table.
class Loader {
public:
    Loader() = default;
    Loader(const Loader&) = delete;
    Loader& operator=(const Loader&) = delete;
    ~Loader() { free_table(table_); }

    void line(const std::string& text) {
        std::vector<std::string> tok = tokens_of(text);
        size_t i = 0;
        if (!continued_) {
            if (tok.empty()) return;
            const auto c0 = static_cast<unsigned char>(tok[0][0]);
            if (!(std::isalnum(c0) || c0 == '_' || c0 == '@' || c0 == '.')) return;  // a comment
            name_ = tok[0];
            pins_.clear();
            attr_.clear();
            have_key_ = false;
            // The first definition of a name holds; the file's lines come
            // before the built-in ones.
            skipping_ = defined_.count(upper(name_)) != 0;
            if (!skipping_) {
                if (tok.size() < 2) {
                    sdb_log_error(SDB_WARNING, FA_02_0006, name_.c_str());
                    return;
                }
                type_ = type_code(tok[1]);
                if (type_ < 0) {
                    std::printf("Primitive `%s' is not supported.\n", tok[1].c_str());
                    std::fflush(stdout);
                    skipping_ = true;
                }
            }
            i = 2;
        }
        continued_ = false;
        for (; i < tok.size(); ++i) {
            if (tok[i][0] == '\\') {
                continued_ = true;
                break;
            }
            if (!skipping_) pin_token(tok[i]);
        }
        if (!continued_ && !skipping_) finish();
    }

    // Ends a run of lines: a definition left open by a last continued
    // line is complete.
    void end() {
        if (continued_ && !skipping_) finish();
        continued_ = false;
    }

    // Adds the built-in definition d, sharing its pin list, unless a
    // definition of its name is there already.
    void add_built_in(const PrimitiveDef& d) {
        if (!defined_.insert(upper(d.name)).second) return;
        if (!table_) table_ = DYNA_new<PrimitiveDef>(64);
        sdbi::reserve(&table_, 1);
        DYNA_append(&table_, PrimitiveDef{qdx_strdup(d.name), d.type, d.pins, d.attr ? qdx_strdup(d.attr) : nullptr});
    }

    PrimitiveDef* take() {
        end();
        if (DYNA_count(table_) > 1) DYNA_sort(&table_, primitives_comp);
        PrimitiveDef* t = table_;
        table_ = nullptr;
        return t;
    }

private:
    void pin_token(const std::string& t) {
        size_t at = t.find(':');
        if (at == std::string::npos) at = t.find('=');
        if (at == std::string::npos) {
            if (!have_key_) illegal();
            add_pins(t);
            return;
        }
        std::string key = t.substr(0, at), value = t.substr(at + 1);
        if (key.size() == 1 && std::strchr("otbic", key[0])) {
            switch (key[0]) {
                case 'o': direction_ = SDB_DIR_OUTPUT, flags_ = 0; break;
                case 't': direction_ = SDB_DIR_OUTPUT, flags_ = 2; break;
                case 'b': direction_ = SDB_DIR_BIDIR, flags_ = 0; break;
                case 'i': direction_ = SDB_DIR_INPUT, flags_ = 0; break;
                default: direction_ = SDB_DIR_INPUT, flags_ = 1; break;  // 'c'
            }
            have_key_ = true;
            add_pins(value);
        } else if (!value.empty()) {
            attr_ += " " + key + " " + value;
        }
    }

    [[noreturn]] void illegal() { sdb_exit_error(SDB_FATAL, FA_01_0053, name_.c_str()); }

    // The pins of one value: "name[n]" gives name0 .. name(n-1); an empty
    // value only takes a pin position; any other value is one pin.
    void add_pins(const std::string& value) {
        size_t open = value.rfind('[');
        if (!value.empty() && value.back() == ']' && open != std::string::npos && open > 0 &&
            open + 2 < value.size()) {
            std::string digits = value.substr(open + 1, value.size() - open - 2);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
                long n = digits.size() > 9 ? LONG_MAX : std::strtol(digits.c_str(), nullptr, 10);
                if (n > kMaxPinsPerToken || pins_.size() + static_cast<size_t>(n) > kMaxPinsPerPrimitive ||
                    table_pins_ + pins_.size() + static_cast<size_t>(n) > kMaxPinsPerTable)
                    illegal();
                std::string base = value.substr(0, open);
                for (long k = 0; k < n; ++k) pins_.push_back({true, base + std::to_string(k), direction_, flags_});
                return;
            }
        }
        if (pins_.size() >= kMaxPinsPerPrimitive || table_pins_ + pins_.size() >= kMaxPinsPerTable) illegal();
        pins_.push_back({!value.empty(), value, direction_, flags_});
    }

    void finish() {
        defined_.insert(upper(name_));
        table_pins_ += pins_.size();
        auto* pins = DYNA_new<SdbPinDef>(static_cast<int>(pins_.size()));
        for (const PinItem& p : pins_)
            DYNA_append(&pins, SdbPinDef{p.named ? qdx_strdup(p.name.c_str()) : nullptr, p.direction, p.flags});
        if (!table_) table_ = DYNA_new<PrimitiveDef>(64);
        sdbi::reserve(&table_, 1);
        DYNA_append(&table_, PrimitiveDef{qdx_strdup(name_.c_str()), type_, pins,
                                          attr_.empty() ? nullptr : qdx_strdup(attr_.c_str())});
    }

    PrimitiveDef* table_ = nullptr;
    std::unordered_set<std::string> defined_;  // names in upper case
    bool continued_ = false;
    bool skipping_ = false;
    std::string name_;
    int type_ = 0;
    std::vector<PinItem> pins_;
    size_t table_pins_ = 0;  // pins of the definitions finished so far
    std::string attr_;
    bool have_key_ = false;
    int32_t direction_ = SDB_DIR_INPUT;
    int32_t flags_ = 0;
};

const PrimitiveDef* built_in_table() {
    if (!built_ins) {
        Loader load;
        for (const char* text : kBuiltIn) load.line(text);
        built_ins = load.take();
    }
    return built_ins;
}

}  // namespace

PrimitiveDef* SDB_load_primitives(const char* name) {
    if (!name) return nullptr;
    std::unique_ptr<char, decltype(&std::free)> path(FNM_search(name, R_OK, FNM_SEARCH_PATH), &std::free);
    if (!path && std::strchr(name, '/')) path.reset(FNM_search(name, R_OK, FNM_NAME_ONLY));
    // Only a regular file is read (a FIFO would wait for ever).
    if (!path || !FNM_regular_input(path.get())) return nullptr;
    std::ifstream in(path.get(), std::ios::binary);
    if (!in) return nullptr;
    Loader load;
    for (std::string text; std::getline(in, text);) load.line(text);
    if (in.bad()) return nullptr;
    load.end();
    const PrimitiveDef* built_in = built_in_table();
    for (int i = 0, n = DYNA_count(built_in); i < n; ++i) load.add_built_in(built_in[i]);
    PrimitiveDef* table = load.take();
    free_table(sdb_primitives);
    sdb_primitives = table;
    return sdb_primitives;
}

void SDB_free_primitives() {
    free_table(sdb_primitives);
    sdb_primitives = nullptr;
}

int primitives_comp(const void* a, const void* b) {
    return STR_ucomp(static_cast<const PrimitiveDef*>(a)->name, static_cast<const PrimitiveDef*>(b)->name);
}

int SDB_lookup_primitive(const char* name) {
    if (!name || !sdb_primitives) return -1;
    // The table is sorted by primitives_comp, so this is a binary search.
    PrimitiveDef key{};
    key.name = const_cast<char*>(name);
    return DYNA_search(&sdb_primitives, &key, primitives_comp);
}

int SDB_search_primitive(int sym) { return SDB_lookup_primitive(SYM_get(sym_tab, sym)); }

void SDB_get_prim_attr(int prim, const char* key, std::string& dst) {
    dst.clear();
    if (!key || prim < 0 || prim >= DYNA_count(sdb_primitives) || !sdb_primitives[prim].attr) return;
    std::vector<std::string> words;
    std::string w;
    for (const char* p = sdb_primitives[prim].attr;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!w.empty()) words.push_back(std::move(w));
            w.clear();
            if (!*p) break;
        } else {
            w.push_back(*p);
        }
    }
    for (size_t i = 0; i + 1 < words.size(); i += 2)
        if (words[i] == key) {
            dst = words[i + 1];
            return;
        }
}
