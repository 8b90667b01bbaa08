// Reader of structural Verilog into the netlist model: a recursive-descent
// parser over the token stream of lexer.cpp.  Each module is built in a
// scratch Module with its own symbol tables and moved into the design at
// its endmodule.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "tools/verilog/lexer.h"
#include "tools/verilog/messages.h"
#include "tools/verilog/netlist.h"

namespace vlog {

namespace {

// Widest bus or constant accepted; keeps a short text from asking for an
// unbounded number of nets.
constexpr std::uint32_t kMaxWidth = 1u << 20;
constexpr int kMaxNesting = 256;
constexpr std::uint32_t kNone = UINT32_MAX;
// Nets made plus bits of connections and assignments, per text read: a
// generous multiple of its size, so that memory stays in proportion to
// the text even when a short text declares very wide buses.
constexpr std::uint64_t kBaseBudget = 1u << 20;
constexpr std::uint64_t kBudgetPerByte = 16;

// A declared (or implicitly created) name of the module being read that
// needs a record of its own: a bus, a port, or a scalar whose name could
// also name a bit of a bus ("\\a[3] ").  A netlist has a signal for every
// net, nearly all of them plain scalars: those live in their entry of the
// name map alone (see NameMap::Entry).  The range of a bus is kept apart,
// and the name is the one its entry in the name map has (messages look it
// up there).
struct Signal {
    std::uint32_t line;       // of its declaration or first use
    std::uint32_t first_bit;  // into Parser::sig_bits_
    std::uint32_t range;      // into Parser::ranges_ for a bus, else kNone
    bool implicit : 1;        // made by its first use, not declared yet
    bool net_decl : 1;        // declared with a net type
    bool has_dir : 1;         // declared as a port
    Dir dir;
    bool bus() const { return range != kNone; }
};

// The name and the declared range of a bus signal.
struct BusRange {
    Id name;
    std::int32_t msb, lsb;
    std::uint32_t width;
};

// A parameter of the module being read: its default value, when that is
// an integer.
struct Param {
    bool known;
    std::int64_t value;
};

// The value of a constant expression, or why it has none.
struct Value {
    bool known = true;
    std::int64_t v = 0;
    std::string why;
};

Value unknown(std::string why) {
    Value r;
    r.known = false;
    r.why = std::move(why);
    return r;
}

// Binary operators of constant expressions by precedence (0: none).
int precedence(std::string_view op) {
    static const std::pair<std::string_view, int> kOps[] = {
        {"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},   {"&", 5},   {"==", 6},  {"!=", 6},  {"===", 6}, {"!==", 6},
        {"<", 7},  {"<=", 7}, {">", 7},  {">=", 7},  {"<<", 8},  {">>", 8},  {"<<<", 8}, {">>>", 8}, {"+", 9},
        {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10},  {"**", 11},
    };
    for (const auto& [o, p] : kOps)
        if (o == op) return p;
    return 0;
}

Value apply(std::string_view op, const Value& a, const Value& b) {
    if (!a.known) return a;
    if (!b.known) return b;
    const std::int64_t x = a.v, y = b.v;
    std::int64_t r = 0;
    const auto too_large = [] { return unknown("the value of a constant expression is too large"); };
    if (op == "+") {
        if (__builtin_add_overflow(x, y, &r)) return too_large();
    } else if (op == "-") {
        if (__builtin_sub_overflow(x, y, &r)) return too_large();
    } else if (op == "*") {
        if (__builtin_mul_overflow(x, y, &r)) return too_large();
    } else if (op == "/" || op == "%") {
        if (y == 0) return unknown("division by zero in a constant expression");
        if (x == INT64_MIN && y == -1) return too_large();
        r = op == "/" ? x / y : x % y;
    } else if (op == "**") {
        if (y < 0) return unknown("negative power in a constant expression");
        r = 1;
        for (std::int64_t k = 0; k < y && r != 0; ++k)
            if (__builtin_mul_overflow(r, x, &r)) return too_large();
    } else if (op == "<<" || op == "<<<" || op == ">>" || op == ">>>") {
        if (y < 0 || y > 62) return unknown("shift out of range in a constant expression");
        if (op[0] == '>') {
            r = x >> y;
        } else {
            if (x < 0 || x > (INT64_MAX >> y)) return too_large();
            r = x << y;
        }
    } else if (op == "&") {
        r = x & y;
    } else if (op == "|") {
        r = x | y;
    } else if (op == "^") {
        r = x ^ y;
    } else if (op == "&&") {
        r = x && y;
    } else if (op == "||") {
        r = x || y;
    } else if (op == "==" || op == "===") {
        r = x == y;
    } else if (op == "!=" || op == "!==") {
        r = x != y;
    } else if (op == "<") {
        r = x < y;
    } else if (op == "<=") {
        r = x <= y;
    } else if (op == ">") {
        r = x > y;
    } else if (op == ">=") {
        r = x >= y;
    }
    return Value{true, r, {}};
}

// Bit values of a constant while it is read.
constexpr std::uint8_t kBit0 = 0, kBitX = 2, kBitZ = 3;
constexpr Conn kBitConn[] = {kConst0, kConst1, kConstX, kConstZ};

// A name of the port list, in order; sig is set by its declaration.
struct PendingPort {
    Id name;
    std::uint32_t line;
    std::uint32_t sig;
};

// Entries a map over all names is made longer by past the name it is
// asked to hold: names are read in the order of their ids, so the map
// grows by steps with the names read, and writes no entries far beyond
// them (its room beyond takes no memory until written).
constexpr std::size_t kMapSlack = 4096;

// Map from Id to a value for the module being read: a plain array over
// all names, so that look-ups of names read in order stay in cache.  It
// remembers what it set and is cleared entry by entry.
class DenseMap {
public:
    std::uint32_t find(Id id) const { return id < v_.size() ? v_[id] : kNone; }
    // Sets id to value unless set; returns the stored value and whether
    // it was set now.
    std::pair<std::uint32_t, bool> insert(Id id, std::uint32_t value) {
        if (id >= v_.size()) v_.resize(std::size_t{id} + 1 + kMapSlack, kNone);
        if (v_[id] != kNone) return {v_[id], false};
        v_[id] = value;
        used_.push_back(id);
        return {value, true};
    }
    void clear() {
        for (Id id : used_) v_[id] = kNone;
        used_.clear();
    }

private:
    PodArray<std::uint32_t> v_;
    PodArray<Id> used_;
};

// What each name stands for in the module being read: the signal it
// declares, the net it names (a scalar signal's, or a bit of a bus) and
// the instance it names.  One entry per name over all names: the
// declaration and every use of a name read one entry, and a reference to
// a scalar, the common case, finds its net there.
class NameMap {
public:
    // Set in Entry::net when the net is a scalar signal's own.
    static constexpr std::uint32_t kScalar = 1u << 31;
    // Eight bytes a name: the signal and the mark of an instance share a
    // word.  A scalar without a record (a "bare" scalar) keeps in that
    // word only how it was made; its net is in Entry::net.
    struct Entry {
        static constexpr std::uint32_t kInstance = 1u << 31;
        static constexpr std::uint32_t kNoSignal = kInstance - 1;
        static constexpr std::uint32_t kBareImplicit = kNoSignal - 1;  // made by its first use
        static constexpr std::uint32_t kBareDeclared = kNoSignal - 2;  // declared with a net type
        // Records of signals are numbered below this.
        static constexpr std::uint32_t kMaxSignals = kBareDeclared;
        // The signal's record, or kNoSignal, or a bare scalar's kBare...;
        // kInstance when an instance has the name.
        std::uint32_t sig_inst = kNoSignal;
        std::uint32_t net = kNone;
        std::uint32_t state() const { return sig_inst & kNoSignal; }
        // The record of the signal the name declares, or kNone.
        std::uint32_t sig() const {
            const std::uint32_t s = state();
            return s >= kMaxSignals ? kNone : s;
        }
        bool bare() const { return state() == kBareImplicit || state() == kBareDeclared; }
        // s is a record below kMaxSignals, or a kBare... state.
        void set_sig(std::uint32_t s) { sig_inst = (sig_inst & kInstance) | s; }
        bool inst() const { return (sig_inst & kInstance) != 0; }
        void set_inst() { sig_inst |= kInstance; }
    };
    Entry find(Id id) const { return id < v_.size() ? v_[id] : Entry{}; }
    // The entry of id, to be set; a reference valid until the next call.
    Entry& at(Id id) {
        if (id >= v_.size()) v_.resize(std::size_t{id} + 1 + kMapSlack);
        return v_[id];
    }
    // Clears the entry of a name the module set (its nets, instances and
    // buses name them all), once the module is read.
    void forget(Id id) {
        if (id < v_.size()) v_[id] = Entry{};
    }
    // Has the entry of id fetched: a hint, with no other effect.
    void prefetch(Id id) const {
        if (id < v_.size()) __builtin_prefetch(&v_[id]);
    }

private:
    PodArray<Entry> v_;
};

bool is_operator(char c) { return c && std::strchr("~!&|^+-*/%<>?=", c) != nullptr; }

// Watches the tokens of a library cell's body for the names that it
// leaves floating at times, its three-state outputs: the first terminal
// of a bufif0, bufif1, notif0 or notif1 gate or of a MOS switch, the
// output of a gate or the target of a continuous assignment with a highz
// strength, and the target of an assignment (continuous or procedural)
// whose value holds a constant with z bits ("1'bz", "8'hzz", "2'b0?")
// other than as an operand of an equality ("A === 1'bz").  The body is
// not parsed: the watch keeps the nesting of brackets and the statement
// it is in, which is enough for the bodies that cell libraries have.
class FloatWatch {
public:
    void reset() {
        floating_.clear();
        to_statement();
        nest_ = paren_ = 0;
    }

    void feed(const Token& t) {
        // The first token inside a gate's group says which group it is.
        if (state_ == State::Gate && gate_group_ == Group::Open)
            gate_group_ = t.kind == Tok::Keyword && strength(static_cast<Keyword>(t.id)) ? Group::Other : Group::Terminals;
        const bool eq_op = t.kind == Tok::Punct && (t.text == "==" || t.text == "!=" || t.text == "===" || t.text == "!==");
        // A z constant counts unless an equality follows it.
        if (pending_z_ && !eq_op) value_z_ = true;
        pending_z_ = false;
        if (t.kind == Tok::Punct) {
            punct(t, eq_op);
        } else if (t.kind == Tok::Keyword) {
            keyword(static_cast<Keyword>(t.id));
        } else if (t.kind == Tok::Ident) {
            ident(t.id);
        } else if (t.kind == Tok::Based && state_ == State::Value && !after_eq_ &&
                   t.text.find_first_of("zZ?") != std::string_view::npos) {
            pending_z_ = true;
        }
        // The size of a sized constant ("1" of "1'bz") stands between an
        // equality and the constant's digits.
        if (t.kind != Tok::Number) after_eq_ = eq_op;
    }

    // The names that the body leaves floating, in the order first seen.
    const std::vector<Id>& floating() const { return floating_; }

private:
    enum class State : std::uint8_t { Statement, Value, Gate };

    static bool strength(Keyword k) {
        switch (k) {
            case kw_strong0:
            case kw_strong1:
            case kw_weak0:
            case kw_weak1:
            case kw_pull0:
            case kw_pull1:
            case kw_supply0:
            case kw_supply1:
            case kw_highz0:
            case kw_highz1:
            case kw_large:
            case kw_medium:
            case kw_small: return true;
            default: return false;
        }
    }

    void to_statement() {
        state_ = State::Statement;
        targets_.clear();
        highz_ = value_z_ = pending_z_ = after_eq_ = false;
        gate_group_ = Group::None;
        gate_output_done_ = after_hash_ = false;
    }

    void mark(const std::vector<Id>& names) {
        for (Id n : names)
            if (std::find(floating_.begin(), floating_.end(), n) == floating_.end()) floating_.push_back(n);
    }

    // The end of one assignment (at ";" or at the "," between two).
    void end_assignment() {
        if (value_z_ || highz_) mark(targets_);
        targets_.clear();
        value_z_ = false;
        state_ = State::Statement;
    }

    void keyword(Keyword k) {
        if (strength(k)) {
            if (k == kw_highz0 || k == kw_highz1) highz_ = true;
            return;
        }
        if (state_ != State::Statement) return;
        switch (k) {
            case kw_bufif0:
            case kw_bufif1:
            case kw_notif0:
            case kw_notif1:
            case kw_nmos:
            case kw_pmos:
            case kw_cmos:
            case kw_rnmos:
            case kw_rpmos:
            case kw_rcmos:
                to_statement();
                state_ = State::Gate;
                gate_floats_ = true;
                return;
            case kw_and:
            case kw_nand:
            case kw_or:
            case kw_nor:
            case kw_xor:
            case kw_xnor:
            case kw_buf:
            case kw_not:
                to_statement();
                state_ = State::Gate;
                gate_floats_ = false;
                return;
            default:
                // Any other word begins (or leads into) a statement.
                targets_.clear();
                return;
        }
    }

    void ident(Id id) {
        if (state_ == State::Statement) {
            if (paren_ == 0 && brackets_ == 0) targets_.push_back(id);
        } else if (state_ == State::Gate && gate_group_ == Group::Terminals && !gate_output_done_ && paren_ == 1 &&
                   brackets_ == 0) {
            targets_.push_back(id);
        }
    }

    void punct(const Token& t, bool eq_op) {
        const char c = t.punct;
        const bool open = c == '(' || c == '[' || c == '{';
        const bool close = c == ')' || c == ']' || c == '}';
        // A group of a gate: its strength, its delay or its terminals.
        if (state_ == State::Gate && c == '(' && paren_ == 0) gate_group_ = after_hash_ ? Group::Other : Group::Open;
        after_hash_ = c == '#';
        if (open) {
            ++nest_;
            if (c == '(') ++paren_;
            if (c == '[') ++brackets_;
        } else if (close) {
            if (nest_ > 0) --nest_;
            if (c == ')' && paren_ > 0) --paren_;
            if (c == ']' && brackets_ > 0) --brackets_;
        }
        switch (state_) {
            case State::Statement:
                if ((c == ')' && paren_ == 0) || (c == ':' && nest_ == 0) || c == ';') targets_.clear();
                if (c == ';') highz_ = false;
                if (nest_ == 0 && !eq_op && (t.text == "=" || t.text == "<=")) state_ = State::Value;
                return;
            case State::Value:
                if (nest_ == 0 && c == ';') {
                    end_assignment();
                    highz_ = false;
                } else if (nest_ == 0 && c == ',') {
                    end_assignment();
                }
                return;
            case State::Gate:
                if (gate_group_ == Group::Terminals && paren_ == 1 && nest_ == 1 && c == ',') gate_output_done_ = true;
                if (c == ')' && paren_ == 0) {
                    if (gate_group_ == Group::Terminals && (gate_floats_ || highz_)) mark(targets_);
                    if (gate_group_ == Group::Terminals) {
                        targets_.clear();
                        gate_output_done_ = false;
                    }
                    gate_group_ = Group::None;
                }
                if (c == ';' && nest_ == 0) to_statement();
                return;
        }
    }

    // Where a gate's tokens are: outside its groups, just after the "("
    // of one, in its strength or delay, or in its terminals.
    enum class Group : std::uint8_t { None, Open, Other, Terminals };

    std::vector<Id> floating_;
    std::vector<Id> targets_;  // of the assignment, or a gate's output terminal
    State state_ = State::Statement;
    Group gate_group_ = Group::None;
    int nest_ = 0, paren_ = 0, brackets_ = 0;
    bool highz_ = false;      // a highz strength in the statement
    bool value_z_ = false;    // a z constant in the value being assigned
    bool pending_z_ = false;  // a z constant just read
    bool after_eq_ = false;   // the token before was an equality
    bool after_hash_ = false;
    bool gate_floats_ = false;
    bool gate_output_done_ = false;
};

class Parser {
public:
    Parser(Design& d, std::string_view text, const std::string& file, bool library, std::uint32_t file_index)
        : d_(d),
          lx_(text, d, file),
          library_(library),
          file_index_(file_index),
          budget_(kBaseBudget + kBudgetPerByte * static_cast<std::uint64_t>(text.size())) {
        lx_.name_ahead = [](void* parser, Id id) { static_cast<Parser*>(parser)->name_map_.prefetch(id); };
        lx_.name_ahead_context = this;
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Tells the file whose text is read how far the reading got.
    void read_from(FileText* f) { lx_.file_text = f; }

    void run() {
        next();
        while (tok_.kind != Tok::End) {
            if (is_kw(kw_module) || is_kw(kw_macromodule)) {
                module();
            } else if (library_ && is_kw(kw_primitive)) {
                skip_primitive();
            } else {
                fail("expected 'module' but found " + describe());
            }
        }
    }

private:
    // ------------------------------------------------------------ tokens

    void next() {
        if (replay_end_ == 0) {
            lx_.next(tok_);
        } else if (replay_ < replay_end_) {
            tok_ = lib_tokens_[replay_++];
        } else {
            const std::uint32_t line = tok_.line;
            tok_ = Token{};  // the end of the kept tokens
            tok_.line = line;
        }
    }
    [[noreturn]] void fail(const std::string& msg) const { lx_.fail(tok_.line, msg); }
    [[noreturn]] void fail_at(std::uint32_t line, const std::string& msg) const { lx_.fail(line, msg); }

    bool is_punct(char c) const { return tok_.kind == Tok::Punct && tok_.punct == c; }
    bool is_kw(Keyword k) const { return tok_.kind == Tok::Keyword && tok_.id == k; }
    bool is_dir() const { return is_kw(kw_input) || is_kw(kw_output) || is_kw(kw_inout); }

    std::string q(Id id) const { return "'" + std::string(d_.names.str(id)) + "'"; }

    std::string describe() const {
        switch (tok_.kind) {
            case Tok::End: return "end of file";
            case Tok::Ident:
            case Tok::Keyword: return q(tok_.id);
            case Tok::Number: return "'" + std::string(tok_.text) + "'";
            case Tok::Based: return std::string("''") + tok_.base + std::string(tok_.text) + "'";
            case Tok::String: return "a string";
            case Tok::Punct: break;
        }
        const auto c = static_cast<unsigned char>(tok_.punct);
        if (c >= 0x20 && c < 0x7f) return std::string("'") + tok_.punct + "'";
        char buf[16];
        std::snprintf(buf, sizeof buf, "byte 0x%02x", c);
        return buf;
    }

    void expect(char c) {
        if (!is_punct(c)) fail(std::string("expected '") + c + "' but found " + describe());
        next();
    }

    Id expect_ident(const char* what) {
        if (tok_.kind != Tok::Ident) fail(std::string("expected ") + what + " but found " + describe());
        const Id id = tok_.id;
        next();
        return id;
    }

    // Ends an expression at closer; an operator here means an expression
    // this reader does not take.
    void end_expr(char closer) {
        if (tok_.kind == Tok::Punct && tok_.punct != closer && is_operator(tok_.punct)) unsupported_expr();
        expect(closer);
    }

    [[noreturn]] void unsupported_expr() const {
        fail(
            "unsupported expression: only nets, bit- and part-selects, concatenations and sized constants are "
            "allowed");
    }

    std::int32_t number(const char* what) {
        if (tok_.kind != Tok::Number) fail(std::string("expected ") + what + " but found " + describe());
        if (tok_.overflow || tok_.value > INT32_MAX) fail("number " + std::string(tok_.text) + " is too large");
        const auto v = static_cast<std::int32_t>(tok_.value);
        next();
        return v;
    }

    // '(' ... ')' of a parameter list, skipped with everything inside;
    // returns the number of tokens inside.
    std::size_t skip_parens() {
        if (!is_punct('(')) fail("expected '(' after '#' but found " + describe());
        int level = 0;
        std::size_t inside = 0;
        do {
            if (tok_.kind == Tok::End) fail("unexpected end of file in a parameter list");
            if (is_punct('(')) ++level;
            if (is_punct(')')) --level;
            next();
            ++inside;
        } while (level > 0);
        return inside - 2;
    }

    void skip_primitive() {
        lx_.skipping = true;
        next();
        while (!is_kw(kw_endprimitive)) {
            if (tok_.kind == Tok::End) fail("unexpected end of file in a primitive");
            next();
        }
        lx_.skipping = false;
        next();
    }

    // ------------------------------------------------------------ modules

    void module() {
        const std::uint32_t line = tok_.line;
        next();
        const Id name = expect_ident("a module name");
        const int old = d_.find_module(name);
        if (old >= 0) {
            const Module& m = d_.modules[old];
            fail_at(line, "module " + q(name) + " is already defined at " + d_.where(m, m.line));
        }
        cur_ = Module{};
        cur_.name = name;
        cur_.file = file_of_module();
        cur_.line = line;
        cur_.is_cell = library_;
        ansi_ = false;
        sigs_.clear();
        sig_bits_.clear();
        ports_.clear();
        port_map_.clear();
        param_map_.clear();
        params_.clear();
        ranges_.clear();

        if (is_punct('#')) parameter_ports();
        if (is_punct('(')) {
            next();
            port_list();
        }
        // The body of a library cell is read in skipping mode, from its
        // first token on.
        lx_.skipping = library_;
        expect(';');
        if (library_) {
            float_watch_.reset();
            library_body();
        } else {
            body();
        }
        finish_module();
        lx_.skipping = false;
        next();
    }

    // The file a module begins in: the file read, or a file it includes.
    std::uint32_t file_of_module() {
        if (lx_.file() == d_.files[file_index_]) return file_index_;
        if (included_ == kNone || lx_.file() != d_.files[included_]) {
            d_.files.push_back(lx_.file());
            included_ = static_cast<std::uint32_t>(d_.files.size() - 1);
        }
        return included_;
    }

    void port_list() {
        if (is_punct(')')) {
            next();
            return;
        }
        if (is_dir()) {
            ansi_ = true;
            ansi_ports();
            return;
        }
        for (;;) {
            const std::uint32_t line = tok_.line;
            const Id name = expect_ident("a port name");
            if (!port_map_.insert(name, static_cast<std::uint32_t>(ports_.size())).second) {
                fail_at(line, "port " + q(name) + " is listed twice");
            }
            ports_.push_back({name, line, kNone});
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(')');
            return;
        }
    }

    Dir take_dir() {
        const Dir dir = is_kw(kw_input) ? Dir::Input : is_kw(kw_output) ? Dir::Output : Dir::Inout;
        next();
        return dir;
    }

    // Optional net type and "signed" after a direction; true when a net
    // type was named.
    bool port_net_type(NetKind& kind) {
        bool named = false;
        kind = NetKind::Wire;
        if (is_kw(kw_wire) || is_kw(kw_tri) || is_kw(kw_supply0) || is_kw(kw_supply1)) {
            kind = net_kind();
            named = true;
            next();
        } else if (is_kw(kw_reg)) {
            if (!library_) fail("'reg' is not allowed in a structural netlist");
            named = true;
            next();
        }
        if (is_kw(kw_signed)) next();
        return named;
    }

    NetKind net_kind() const {
        if (is_kw(kw_tri)) return NetKind::Tri;
        if (is_kw(kw_supply0)) return NetKind::Supply0;
        if (is_kw(kw_supply1)) return NetKind::Supply1;
        return NetKind::Wire;
    }

    struct Range {
        bool bus = false;
        std::int32_t msb = 0, lsb = 0;
        // In a library cell: the tokens of "[...]" in lib_tokens_, read
        // at the end of the module.
        std::uint32_t first = 0, count = 0;
    };

    // A declared range.  In a library cell only its tokens are kept: a
    // range may use parameters that the body declares later.
    Range range() {
        Range r;
        if (!is_punct('[')) return r;
        if (library_) {
            r.bus = true;
            r.first = static_cast<std::uint32_t>(lib_tokens_.size());
            int depth = 0;
            do {
                if (tok_.kind == Tok::End) fail("unexpected end of file in a range");
                if (is_punct('[')) ++depth;
                if (is_punct(']')) --depth;
                lib_tokens_.push_back(tok_);
                next();
            } while (depth > 0);
            r.count = static_cast<std::uint32_t>(lib_tokens_.size()) - r.first;
            return r;
        }
        return range_value();
    }

    // The bounds of the range at "[".
    Range range_value() {
        Range r;
        const std::uint32_t line = tok_.line;
        next();
        r.bus = true;
        r.msb = range_bound();
        expect(':');
        r.lsb = range_bound();
        expect(']');
        const std::int64_t w = static_cast<std::int64_t>(r.msb) - r.lsb;
        if ((w < 0 ? -w : w) >= kMaxWidth) {
            fail_at(line, "range [" + std::to_string(r.msb) + ":" + std::to_string(r.lsb) + "] is too wide");
        }
        return r;
    }

    // A bound of a declared range: a constant expression of numbers and
    // the module's parameters.
    std::int32_t range_bound() {
        const std::uint32_t line = tok_.line;
        const Value v = const_expr();
        if (!v.known) fail_at(line, v.why);
        if (v.v < INT32_MIN || v.v > INT32_MAX) fail_at(line, "range bound " + std::to_string(v.v) + " is too large");
        return static_cast<std::int32_t>(v.v);
    }

    // ------------------------------------------------------------ parameters

    // #( [parameter] NAME = value, ... ) of a module header.
    void parameter_ports() {
        next();
        expect('(');
        if (is_punct(')')) {
            next();
            return;
        }
        for (;;) {
            if (is_kw(kw_parameter) || is_kw(kw_localparam)) next();
            parameter_assignment();
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(')');
            return;
        }
    }

    // parameter NAME = value, ...; (or localparam) in a module body.
    void parameter_statement() {
        next();
        for (;;) {
            parameter_assignment();
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(';');
            return;
        }
    }

    // [type] [range] NAME = value.  A value that is no integer constant
    // (a real, a string, bits with x or z) leaves the parameter without a
    // value, which only matters when a range uses it.
    void parameter_assignment() {
        bool integral = true;
        if (is_kw(kw_integer) || is_kw(kw_time)) {
            next();
        } else if (is_kw(kw_real) || is_kw(kw_realtime)) {
            integral = false;
            next();
        }
        if (is_kw(kw_signed) || is_kw(kw_unsigned)) next();
        if (is_punct('[')) skip_balanced();
        Id name = expect_ident("a parameter name");
        // A type written as a name (int, logic [3:0]) comes first.
        if (is_punct('[')) {
            skip_balanced();
            name = expect_ident("a parameter name");
        } else if (tok_.kind == Tok::Ident) {
            name = tok_.id;
            next();
        }
        expect('=');
        Value v = const_expr();
        if (!is_punct(',') && !is_punct(';') && !is_punct(')')) {
            skip_expression();
            v.known = false;
        }
        const Param p{v.known && integral, v.known ? v.v : 0};
        const auto [index, added] = param_map_.insert(name, static_cast<std::uint32_t>(params_.size()));
        if (added)
            params_.push_back(p);
        else
            params_[index] = p;
    }

    // Skips a bracketed text, '[' ... ']' with what it nests.
    void skip_balanced() {
        int depth = 0;
        do {
            if (tok_.kind == Tok::End) fail("unexpected end of file in a parameter declaration");
            if (is_punct('(') || is_punct('[') || is_punct('{')) ++depth;
            if (is_punct(')') || is_punct(']') || is_punct('}')) --depth;
            next();
        } while (depth > 0);
    }

    // Skips the rest of an expression up to the ',', ';' or ')' that ends it.
    void skip_expression() {
        int depth = 0;
        for (;;) {
            if (tok_.kind == Tok::End) fail("unexpected end of file in a parameter declaration");
            if (depth == 0 && (is_punct(',') || is_punct(';') || is_punct(')'))) return;
            if (is_punct('(') || is_punct('[') || is_punct('{')) ++depth;
            if (is_punct(')') || is_punct(']') || is_punct('}')) --depth;
            next();
        }
    }

    // ------------------------------------------------------------ constant expressions

    // Integer constant expressions of numbers, sized or based constants,
    // parameters, $clog2 and the operators of Verilog.  Never throws for
    // the form of the expression: it stops at the first token it cannot
    // take and says why the value is unknown.
    Value const_expr() {
        const Nesting nested = nest();
        Value c = const_binary(1);
        if (!is_punct('?')) return c;
        next();
        Value a = const_expr();
        if (!is_punct(':')) return unknown("expected ':' in a constant expression but found " + describe());
        next();
        Value b = const_expr();
        if (!c.known) return c;
        return c.v ? a : b;
    }

    // Counts the levels of a constant expression, so that a deeply nested
    // text cannot exhaust the stack.
    struct Nesting {
        int& depth;
        ~Nesting() { --depth; }
    };
    Nesting nest() {
        if (++expr_depth_ > kMaxNesting) fail("constant expression nested too deeply");
        return Nesting{expr_depth_};
    }

    Value const_binary(int min_prec) {
        Value lhs = const_unary();
        for (;;) {
            if (tok_.kind != Tok::Punct) return lhs;
            const std::string_view op = tok_.text;
            const int prec = precedence(op);
            if (prec == 0 || prec < min_prec) return lhs;
            next();
            const Value rhs = const_binary(op == "**" ? prec : prec + 1);
            lhs = apply(op, lhs, rhs);
        }
    }

    Value const_unary() {
        if (tok_.kind == Tok::Punct && tok_.text.size() == 1 && tok_.punct && std::strchr("-+!~", tok_.punct)) {
            const char op = tok_.punct;
            const Nesting nested = nest();
            next();
            Value v = const_unary();
            if (!v.known) return v;
            if (op == '-') {
                if (v.v == INT64_MIN) return unknown("the value of a constant expression is too large");
                v.v = -v.v;
            } else if (op == '!') {
                v.v = !v.v;
            } else if (op == '~') {
                v.v = ~v.v;
            }
            return v;
        }
        return const_primary();
    }

    Value const_primary() {
        switch (tok_.kind) {
            case Tok::Number: {
                const Token size = tok_;
                next();
                if (tok_.kind == Tok::Based) {
                    Value v = based_value();
                    if (v.known && !size.overflow && size.value < 63) v.v &= (std::int64_t{1} << size.value) - 1;
                    return v;
                }
                if (size.overflow || size.value > static_cast<std::uint64_t>(INT64_MAX))
                    return unknown("number " + std::string(size.text) + " is too large");
                return Value{true, static_cast<std::int64_t>(size.value), {}};
            }
            case Tok::Based: return based_value();
            case Tok::Ident: {
                const Id name = tok_.id;
                next();
                const std::uint32_t pi = param_map_.find(name);
                if (pi == kNone) return unknown(q(name) + " is not a parameter of module " + q(cur_.name));
                const Param& p = params_[pi];
                if (!p.known) return unknown("parameter " + q(name) + " has no integer value");
                return Value{true, p.value, {}};
            }
            case Tok::String:
                next();
                return unknown("a string is no integer");
            case Tok::Punct:
                if (is_punct('(')) {
                    next();
                    return parenthesized(const_expr());
                }
                if (is_punct('{')) {
                    skip_balanced();
                    return unknown("a concatenation is no integer");
                }
                if (is_punct('$')) {
                    next();
                    const bool clog2 = tok_.kind == Tok::Ident && d_.names.str(tok_.id) == "clog2";
                    if (tok_.kind == Tok::Ident) next();
                    if (!is_punct('(')) return unknown("expected '(' after a system function but found " + describe());
                    next();
                    const Value v = parenthesized(const_expr());
                    if (!clog2) return unknown("only $clog2 may be called in a constant expression");
                    if (!v.known) return v;
                    std::int64_t r = 0;
                    while (r < 63 && (std::int64_t{1} << r) < v.v) ++r;
                    return Value{true, r, {}};
                }
                break;
            default: break;
        }
        return unknown("expected a constant expression but found " + describe());
    }

    // Ends "(" expr ")": an expression that does not end at the ")" is
    // skipped up to it, so that what follows is read in step.
    Value parenthesized(Value v) {
        if (is_punct(')')) {
            next();
            return v;
        }
        v = unknown("expected ')' in a constant expression but found " + describe());
        for (int depth = 0;; next()) {
            if (tok_.kind == Tok::End) fail("unexpected end of file in a constant expression");
            if (is_punct('(') || is_punct('[') || is_punct('{')) ++depth;
            if (is_punct(')') || is_punct(']') || is_punct('}')) {
                if (depth == 0) break;
                --depth;
            }
        }
        next();
        return v;
    }

    // The value of a based constant ('h1F), consumed.
    Value based_value() {
        const std::string text = std::string("'") + tok_.base + std::string(tok_.text);
        const unsigned base = tok_.base == 'b' ? 2 : tok_.base == 'o' ? 8 : tok_.base == 'd' ? 10 : 16;
        const std::string_view digits = tok_.text;
        next();
        std::uint64_t v = 0;
        bool any = false;
        for (const char c : digits) {
            if (c == '_') continue;
            unsigned d;
            if (c >= '0' && c <= '9') {
                d = static_cast<unsigned>(c - '0');
            } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
                d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
            } else {
                return unknown("constant " + text + " has x or z bits");
            }
            if (d >= base) return unknown("invalid digit '" + std::string(1, c) + "' in constant " + text);
            if (v > (static_cast<std::uint64_t>(INT64_MAX) - d) / base)
                return unknown("constant " + text + " is too large");
            v = v * base + d;
            any = true;
        }
        if (!any) return unknown("constant " + text + " has no digits");
        return Value{true, static_cast<std::int64_t>(v), {}};
    }

    void ansi_ports() {
        Dir dir = Dir::Input;
        NetKind kind = NetKind::Wire;
        Range r;
        for (;;) {
            if (is_dir()) {
                dir = take_dir();
                port_net_type(kind);
                r = range();
            }
            const std::uint32_t line = tok_.line;
            const Id name = expect_ident("a port name");
            if (!port_map_.insert(name, static_cast<std::uint32_t>(ports_.size())).second) {
                fail_at(line, "port " + q(name) + " is declared twice");
            }
            ports_.push_back({name, line, kNone});
            declare_port(name, line, dir, r, true, kind);
            skip_port_default();
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(')');
            return;
        }
    }

    void body() {
        for (;;) {
            switch (tok_.kind) {
                case Tok::Keyword:
                    switch (tok_.id) {
                        case kw_input:
                        case kw_output:
                        case kw_inout: port_decl(); break;
                        case kw_wire:
                        case kw_tri:
                        case kw_supply0:
                        case kw_supply1: net_decl(); break;
                        case kw_assign: assign(); break;
                        case kw_parameter:
                        case kw_localparam: parameter_statement(); break;
                        case kw_endmodule: return;
                        case kw_module:
                        case kw_macromodule: missing_endmodule();
                        default: fail(describe() + " is not allowed in a structural netlist");
                    }
                    break;
                case Tok::Ident: instance(); break;
                case Tok::End: fail("unexpected end of file in module " + q(cur_.name));
                default: fail("unexpected " + describe());
            }
        }
    }

    [[noreturn]] void missing_endmodule() const {
        fail("unexpected " + describe() + " in module " + q(cur_.name) + " (missing 'endmodule'?)");
    }

    // A library cell: port declarations are read, everything else is
    // skipped; functions and tasks have input declarations of their own.
    void library_body() {
        int depth = 0;
        for (;;) {
            if (tok_.kind == Tok::End) fail("unexpected end of file in module " + q(cur_.name));
            if (tok_.kind == Tok::Keyword) {
                switch (tok_.id) {
                    case kw_endmodule: return;
                    case kw_module:
                    case kw_macromodule: missing_endmodule();
                    case kw_function:
                    case kw_task: ++depth; break;
                    case kw_endfunction:
                    case kw_endtask:
                        if (depth > 0) --depth;
                        break;
                    case kw_input:
                    case kw_output:
                    case kw_inout:
                        if (depth == 0) {
                            port_decl();
                            continue;
                        }
                        break;
                    case kw_parameter:
                    case kw_localparam:
                        if (depth == 0) {
                            parameter_statement();
                            continue;
                        }
                        break;
                    default: break;
                }
            }
            float_watch_.feed(tok_);
            next();
        }
    }

    // Reads the kept tokens of a range, once every parameter is known.
    Range replay_range(const Range& kept) {
        const Token saved = tok_;
        replay_ = kept.first;
        replay_end_ = kept.first + kept.count;
        next();
        const Range r = range_value();
        replay_ = replay_end_ = 0;
        tok_ = saved;
        return r;
    }

    void finish_module() {
        // The port declarations of a library cell, now that its
        // parameters are known.
        std::vector<LibPortDecl> decls;
        decls.swap(lib_decls_);
        for (LibPortDecl& p : decls) {
            if (p.range.count) p.range = replay_range(p.range);
            declare_port(p.name, p.line, p.dir, p.range, p.net_decl, p.kind);
        }
        lib_tokens_.clear();
        for (const PendingPort& p : ports_) {
            if (p.sig == kNone) {
                fail_at(p.line, "port " + q(p.name) + " of module " + q(cur_.name) + " has no direction declaration");
            }
            const Signal& s = sigs_[p.sig];
            cur_.ports.push_back({p.name, s.dir, s.bus(), msb(s), lsb(s),
                                  static_cast<std::uint32_t>(cur_.port_bits.size()), width(s), p.line});
            cur_.port_bits.append(sig_bits_.begin() + s.first_bit, sig_bits_.begin() + s.first_bit + width(s));
        }
        if (library_) {
            const std::vector<Id>& floating = float_watch_.floating();
            for (Port& p : cur_.ports)
                p.three_state =
                    p.dir != Dir::Input && std::find(floating.begin(), floating.end(), p.name) != floating.end();
        }
        for (const Net& n : cur_.nets) name_map_.forget(n.name);
        for (const Instance& i : cur_.instances) name_map_.forget(i.name);
        for (const BusRange& b : ranges_) name_map_.forget(b.name);
        d_.add_module(std::move(cur_));
        cur_ = Module{};
    }

    // ------------------------------------------------------------ declarations

    Id signal_name(const Signal& s) const {
        return s.bus() ? ranges_[s.range].name : cur_.nets[sig_bits_[s.first_bit]].name;
    }
    std::uint32_t width(const Signal& s) const { return s.bus() ? ranges_[s.range].width : 1; }
    std::int32_t msb(const Signal& s) const { return s.bus() ? ranges_[s.range].msb : 0; }
    std::int32_t lsb(const Signal& s) const { return s.bus() ? ranges_[s.range].lsb : 0; }

    // A new net named name of signal s, named sig_name.  A scalar "a[3]"
    // and bit 3 of a bus "a" would be two nets of one name, which a design
    // database cannot keep apart: refused.
    std::uint32_t new_net(Id name, const Signal& s, Id sig_name) {
        NameMap::Entry& e = name_map_.at(name);
        if (e.net != kNone) {
            // The signal that made the net first: the one whose nets (a
            // bus makes its nets one after the other) hold it.
            const std::uint32_t net = e.net & ~NameMap::kScalar;
            std::uint32_t before = kNone;
            for (std::uint32_t i = 0; i < sigs_.size() && before == kNone; ++i) {
                const Signal& b = sigs_[i];
                if (net >= sig_bits_[b.first_bit] && net - sig_bits_[b.first_bit] < width(b)) before = i;
            }
            const Id before_name = before == kNone ? name : signal_name(sigs_[before]);
            const std::uint32_t before_line = before == kNone ? s.line : sigs_[before].line;
            const Id scalar = s.bus() ? before_name : sig_name, bus = s.bus() ? sig_name : before_name;
            const std::uint32_t scalar_line = s.bus() ? before_line : s.line, bus_line = s.bus() ? s.line : before_line;
            fail_at(s.line, "scalar net " + q(scalar) + " (line " + std::to_string(scalar_line) + ") and bus " + q(bus) +
                                " (line " + std::to_string(bus_line) + ") both name the net " + q(name) +
                                ": rename one of them");
        }
        if (cur_.nets.size() >= static_cast<std::size_t>(INT32_MAX)) fail("too many nets");
        const auto index = static_cast<std::uint32_t>(cur_.nets.size());
        e.net = index;
        cur_.nets.push_back({name, NetKind::Wire});
        return index;
    }

    // Counts bits against the budget of the text.
    void charge(std::uint64_t bits) {
        used_ += bits;
        if (used_ > budget_) fail("too many nets and connection bits for the size of the text");
    }

    // A new signal with a record of its own.
    std::uint32_t new_signal(Id name, const Range& r, bool implicit, std::uint32_t line) {
        if (sigs_.size() >= NameMap::Entry::kMaxSignals) fail("too many nets");
        Signal s{};
        s.line = line;
        s.range = kNone;
        s.implicit = implicit;
        s.first_bit = static_cast<std::uint32_t>(sig_bits_.size());
        const std::uint32_t w =
            r.bus ? static_cast<std::uint32_t>((r.msb >= r.lsb ? r.msb - r.lsb : r.lsb - r.msb) + 1) : 1;
        charge(w);
        const auto index = static_cast<std::uint32_t>(sigs_.size());
        if (!r.bus) {
            sig_bits_.push_back(new_net(name, s, name));
        } else {
            s.range = static_cast<std::uint32_t>(ranges_.size());
            ranges_.push_back({name, r.msb, r.lsb, w});
            const std::int32_t step = r.msb >= r.lsb ? -1 : 1;
            const std::string base(d_.names.str(name));
            for (std::int32_t i = r.msb;; i += step) {
                buf_ = base;
                buf_ += '[';
                buf_ += std::to_string(i);
                buf_ += ']';
                sig_bits_.push_back(new_net(d_.names.intern(buf_), s, name));
                if (i == r.lsb) break;
            }
        }
        sigs_.push_back(s);
        NameMap::Entry& e = name_map_.at(name);
        e.set_sig(index);
        if (!r.bus) e.net |= NameMap::kScalar;
        return index;
    }

    // Whether a scalar named text needs a record: a name that could also
    // name a bit of a bus ("\\a[3] ") may meet that bit, and the message
    // then tells the line of the scalar.
    static bool could_name_bit(std::string_view text) { return !text.empty() && text.back() == ']'; }

    // A new scalar signal named name (whose text is text), made by its
    // first use (implicit) or declared with a net type; returns its net.
    // Most have no record.
    std::uint32_t new_scalar(Id name, std::string_view text, std::uint32_t line, bool implicit) {
        if (could_name_bit(text)) {
            Signal& s = sigs_[new_signal(name, Range{}, implicit, line)];
            s.net_decl = !implicit;
            return sig_bits_[s.first_bit];
        }
        charge(1);
        Signal s{};
        s.line = line;
        s.range = kNone;
        const std::uint32_t net = new_net(name, s, name);
        NameMap::Entry& e = name_map_.at(name);
        e.set_sig(implicit ? NameMap::Entry::kBareImplicit : NameMap::Entry::kBareDeclared);
        e.net |= NameMap::kScalar;
        return net;
    }

    // Gives a bare scalar a record (a port's, which the module's ports
    // are made from), declared at line.
    std::uint32_t record_of_bare(Id name, std::uint32_t line) {
        if (sigs_.size() >= NameMap::Entry::kMaxSignals) fail("too many nets");
        NameMap::Entry& e = name_map_.at(name);
        Signal s{};
        s.line = line;
        s.first_bit = static_cast<std::uint32_t>(sig_bits_.size());
        s.range = kNone;
        s.net_decl = e.state() == NameMap::Entry::kBareDeclared;
        sig_bits_.push_back(e.net & ~NameMap::kScalar);
        const auto index = static_cast<std::uint32_t>(sigs_.size());
        sigs_.push_back(s);
        e.set_sig(index);
        return index;
    }

    // Index of the signal for a declaration of name with range r: a new
    // one, or an earlier one that the declaration agrees with.
    std::uint32_t declared(Id name, std::uint32_t line, const Range& r) {
        const NameMap::Entry e = name_map_.find(name);
        if (e.bare()) {
            if (r.bus) {
                if (e.state() == NameMap::Entry::kBareImplicit)
                    fail_at(line, q(name) + " is used before its declaration as a bus");
                fail_at(line, "range of " + q(name) + " differs from its earlier declaration");
            }
            return record_of_bare(name, line);
        }
        const std::uint32_t si = e.sig();
        if (si == kNone) return new_signal(name, r, false, line);
        Signal& s = sigs_[si];
        if (s.implicit) {
            if (r.bus) fail_at(line, q(name) + " is used before its declaration as a bus");
            s.implicit = false;
            return si;
        }
        if (s.bus() != r.bus || msb(s) != r.msb || lsb(s) != r.lsb) {
            fail_at(line, "range of " + q(name) + " differs from its earlier declaration");
        }
        return si;
    }

    void set_kind(const Signal& s, NetKind kind) {
        for (std::uint32_t i = 0; i < width(s); ++i) cur_.nets[sig_bits_[s.first_bit + i]].kind = kind;
    }

    void declare_port(Id name, std::uint32_t line, Dir dir, const Range& r, bool net_decl, NetKind kind) {
        if (r.count) {
            lib_decls_.push_back({name, line, dir, r, net_decl, kind});
            return;
        }
        const std::uint32_t pi = port_map_.find(name);
        if (pi == kNone) fail_at(line, q(name) + " is not a port of module " + q(cur_.name));
        const NameMap::Entry existing = name_map_.find(name);
        if (existing.sig() != kNone) {
            const Signal& s = sigs_[existing.sig()];
            if (s.has_dir) fail_at(line, "port " + q(name) + " is declared twice");
            if (net_decl && s.net_decl) fail_at(line, q(name) + " is already declared");
        } else if (net_decl && existing.state() == NameMap::Entry::kBareDeclared) {
            fail_at(line, q(name) + " is already declared");
        }
        const std::uint32_t si = declared(name, line, r);
        Signal& s = sigs_[si];
        s.has_dir = true;
        s.dir = dir;
        if (net_decl) {
            s.net_decl = true;
            set_kind(s, kind);
        }
        ports_[pi].sig = si;
    }

    // "= value" after a port of a library cell (an initial value of an
    // output reg, a default of an input): it does not change the port.
    void skip_port_default() {
        if (!library_ || !is_punct('=') || tok_.text.size() != 1) return;
        next();
        skip_expression();
    }

    void port_decl() {
        if (ansi_) fail("port declaration in the body of module " + q(cur_.name) + ", whose header declares its ports");
        const Dir dir = take_dir();
        NetKind kind;
        // In an ANSI-less module a port declaration naming a net type also
        // declares the net.
        const bool net_decl = port_net_type(kind);
        const Range r = range();
        for (;;) {
            const std::uint32_t line = tok_.line;
            const Id name = expect_ident("a port name");
            declare_port(name, line, dir, r, net_decl, kind);
            skip_port_default();
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(';');
            return;
        }
    }

    void net_decl() {
        const NetKind kind = net_kind();
        next();
        if (is_kw(kw_signed)) next();
        const Range r = range();
        if (is_punct('#')) fail("delays are not supported");
        for (;;) {
            const std::uint32_t line = tok_.line;
            const std::string_view text = tok_.text;
            const Id name = expect_ident("a net name");
            if (is_punct('=')) fail("net declaration assignments are not supported; use 'assign'");
            if (is_punct('[')) fail("arrays are not supported");
            NameMap::Entry& e = name_map_.at(name);
            if (e.sig() != kNone) {
                const Signal& s = sigs_[e.sig()];
                if (s.net_decl || (ansi_ && s.has_dir)) fail_at(line, q(name) + " is already declared");
            } else if (e.state() == NameMap::Entry::kBareDeclared) {
                fail_at(line, q(name) + " is already declared");
            }
            if (!r.bus && e.state() == NameMap::Entry::kNoSignal) {
                // The common case: a scalar wire declared once.
                const std::uint32_t net = new_scalar(name, text, line, false);
                if (kind != NetKind::Wire) cur_.nets[net].kind = kind;
            } else if (!r.bus && e.state() == NameMap::Entry::kBareImplicit) {
                e.set_sig(NameMap::Entry::kBareDeclared);
                if (kind != NetKind::Wire) cur_.nets[e.net & ~NameMap::kScalar].kind = kind;
            } else {
                Signal& s = sigs_[declared(name, line, r)];
                s.net_decl = true;
                if (kind != NetKind::Wire) set_kind(s, kind);
            }
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(';');
            return;
        }
    }

    // ------------------------------------------------------------ expressions

    // Appends the bits of a structural expression, msb first.
    void primary(PodArray<Conn>& out) {
        switch (tok_.kind) {
            case Tok::Ident: reference(out); return;
            case Tok::Number: constant(out); return;
            case Tok::Based: fail("unsized constant " + describe() + ": write a sized constant such as 1'b0");
            case Tok::Punct:
                if (tok_.punct == '{') {
                    concatenation(out);
                    return;
                }
                if (is_operator(tok_.punct)) unsupported_expr();
                break;
            default: break;
        }
        fail("expected a net or a constant but found " + describe());
    }

    void concatenation(PodArray<Conn>& out) {
        if (++depth_ > kMaxNesting) fail("concatenations nested too deeply");
        next();
        for (;;) {
            primary(out);
            if (is_punct(',')) {
                next();
                continue;
            }
            end_expr('}');
            break;
        }
        --depth_;
    }

    void reference(PodArray<Conn>& out) {
        const Id name = tok_.id;
        const std::string_view text = tok_.text;
        const std::uint32_t line = tok_.line;
        next();
        if (is_punct('[')) {
            next();
            const std::int32_t a = number("an index");
            std::int32_t b = a;
            bool part = false;
            if (is_punct(':')) {
                next();
                b = number("an index");
                part = true;
            } else if (is_punct('+') || is_punct('-')) {
                fail("indexed part-selects are not supported");
            }
            expect(']');
            select(out, name, line, a, b, part);
            return;
        }
        const NameMap::Entry e = name_map_.find(name);
        if (e.net != kNone && (e.net & NameMap::kScalar)) {
            charge(1);
            out.push_back(static_cast<Conn>(e.net & ~NameMap::kScalar));
            return;
        }
        const std::uint32_t si = e.sig();
        if (si != kNone) {
            const Signal& s = sigs_[si];
            const std::uint32_t w = width(s);
            charge(w);
            for (std::uint32_t i = 0; i < w; ++i) out.push_back(static_cast<Conn>(sig_bits_[s.first_bit + i]));
            return;
        }
        out.push_back(static_cast<Conn>(new_scalar(name, text, line, true)));
    }

    void select(PodArray<Conn>& out, Id name, std::uint32_t line, std::int32_t a, std::int32_t b, bool part) {
        const NameMap::Entry e = name_map_.find(name);
        if (e.bare()) fail_at(line, q(name) + " is not a bus");
        const std::uint32_t si = e.sig();
        if (si == kNone) fail_at(line, q(name) + " is not declared");
        const Signal& s = sigs_[si];
        if (!s.bus()) fail_at(line, q(name) + " is not a bus");
        const std::int32_t s_msb = msb(s), s_lsb = lsb(s);
        // The texts of the select and the range are made for a message
        // only: a netlist has a select in nearly every connection.
        const auto sel = [&] {
            return part ? "[" + std::to_string(a) + ":" + std::to_string(b) + "]" : "[" + std::to_string(a) + "]";
        };
        const auto decl = [&] { return "[" + std::to_string(s_msb) + ":" + std::to_string(s_lsb) + "]"; };
        const std::int32_t lo = std::min(s_msb, s_lsb), hi = std::max(s_msb, s_lsb);
        if (a < lo || a > hi || b < lo || b > hi) {
            fail_at(line, "select " + sel() + " is out of the range " + decl() + " of " + q(name));
        }
        charge(static_cast<std::uint64_t>(a > b ? a - b : b - a) + 1);
        const bool down = s_msb >= s_lsb;
        if (a != b && (a > b) != down) {
            fail_at(line, "part-select " + sel() + " runs against the range " + decl() + " of " + q(name));
        }
        const std::int32_t step = a > b ? -1 : 1;
        for (std::int32_t i = a;; i += step) {
            const std::int32_t off = down ? s_msb - i : i - s_msb;
            out.push_back(static_cast<Conn>(sig_bits_[s.first_bit + static_cast<std::uint32_t>(off)]));
            if (i == b) break;
        }
    }

    void constant(PodArray<Conn>& out) {
        const Token size = tok_;
        next();
        if (tok_.kind != Tok::Based) {
            if (is_punct('{')) fail("replications are not supported");
            fail_at(size.line,
                    "unsized constant '" + std::string(size.text) + "': write a sized constant such as 1'b0");
        }
        const std::string text = std::string(size.text) + "'" + tok_.base + std::string(tok_.text);
        if (size.overflow || size.value == 0 || size.value > kMaxWidth) {
            fail_at(size.line, "size of constant " + text + " is out of range");
        }
        const auto width = static_cast<std::uint32_t>(size.value);
        charge(width);
        const std::string_view digits = tok_.text;
        const char base = tok_.base;
        if (digits.find_first_not_of('_') == std::string_view::npos) fail("constant " + text + " has no digits");
        bits_.clear();  // lsb first
        if (base == 'd') {
            const std::size_t first = digits.find_first_not_of('_');
            const char c = digits[first];
            if (std::strchr("xXzZ?", c) && digits.find_first_not_of('_', first + 1) == std::string_view::npos) {
                bits_.push_back((c | 0x20) == 'x' ? kBitX : kBitZ);  // 'dx: every bit x
            } else {
                std::uint64_t v = 0;
                for (const char ch : digits) {
                    if (ch == '_') continue;
                    if (ch < '0' || ch > '9') bad_digit(ch, text);
                    const unsigned d = static_cast<unsigned>(ch - '0');
                    if (v > (UINT64_MAX - d) / 10) fail("constant " + text + " is too large");
                    v = v * 10 + d;
                }
                for (; v; v >>= 1) bits_.push_back(static_cast<std::uint8_t>(v & 1));
            }
        } else {
            const unsigned shift = base == 'b' ? 1 : base == 'o' ? 3 : 4;
            for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
                const char c = *it;
                if (c == '_') continue;
                if (std::strchr("xXzZ?", c)) {
                    bits_.append(shift, (c | 0x20) == 'x' ? kBitX : kBitZ);
                    continue;
                }
                unsigned d;
                if (c >= '0' && c <= '9') {
                    d = static_cast<unsigned>(c - '0');
                } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
                    d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
                } else {
                    bad_digit(c, text);
                }
                if (d >> shift) bad_digit(c, text);
                for (unsigned k = 0; k < shift; ++k) bits_.push_back(static_cast<std::uint8_t>((d >> k) & 1));
                if (bits_.size() > kMaxWidth + 4) break;  // only the low bits count
            }
        }
        // Bits left of the digits are 0, or x (z) when the leftmost digit
        // is x (z).
        const std::uint8_t fill = !bits_.empty() && bits_.back() >= kBitX ? bits_.back() : kBit0;
        for (std::uint32_t i = width; i-- > 0;) out.push_back(kBitConn[i < bits_.size() ? bits_[i] : fill]);
        next();
    }

    [[noreturn]] void bad_digit(char c, const std::string& text) const {
        fail("invalid digit '" + std::string(1, c) + "' in constant " + text);
    }

    // ------------------------------------------------------------ statements

    void assign() {
        next();
        if (is_punct('#')) fail("delays are not supported");
        for (;;) {
            const std::uint32_t line = tok_.line;
            lhs_.clear();
            rhs_.clear();
            primary(lhs_);
            end_expr('=');
            primary(rhs_);
            if (!is_punct(',')) {
                if (tok_.kind == Tok::Punct && tok_.punct != ';' && is_operator(tok_.punct)) unsupported_expr();
                if (!is_punct(';')) fail("expected ';' but found " + describe());
            }
            if (lhs_.size() != rhs_.size()) {
                fail_at(line, "width mismatch in assignment: " + std::to_string(lhs_.size()) +
                                  (lhs_.size() == 1 ? " bit" : " bits") + " on the left, " +
                                  std::to_string(rhs_.size()) + " on the right");
            }
            for (std::size_t i = 0; i < lhs_.size(); ++i) {
                if (lhs_[i] < 0) fail_at(line, "constant on the left side of an assignment");
                cur_.assigns.push_back({lhs_[i], rhs_[i], line});
            }
            const bool more = is_punct(',');
            next();
            if (!more) return;
        }
    }

    void instance() {
        const Id master = tok_.id;
        next();
        // Parameters of instances ("#(...)"; "#()" has none) would change
        // what a cell does, and a design database has no place for them.
        std::uint32_t params_line = 0;
        if (is_punct('#')) {
            const std::uint32_t line = tok_.line;
            next();
            if (skip_parens() > 0) params_line = line;
        }
        // A master read before (a library cell, or a module earlier in the
        // files) is resolved at once; others wait for Design::link.
        const int mi = d_.find_module(master);
        for (;;) {
            const std::uint32_t line = tok_.line;
            const Id name = expect_ident("an instance name");
            if (params_line) {
                fail_at(params_line, "instance " + q(name) + " of module " + q(master) +
                                         " has parameters (#(...)), which a design database cannot keep");
            }
            if (is_punct('[')) fail("instance arrays are not supported");
            NameMap::Entry& e = name_map_.at(name);
            if (e.inst()) fail_at(line, "instance " + q(name) + " is already defined in module " + q(cur_.name));
            e.set_inst();
            Instance inst{name, master, line, -1, static_cast<std::uint32_t>(cur_.pins.size()), 0, false};
            expect('(');
            if (mi >= 0) {
                resolved_connections(inst, mi);
            } else {
                connections(inst);
            }
            cur_.instances.push_back(inst);
            if (is_punct(',')) {
                next();
                continue;
            }
            expect(';');
            return;
        }
    }

    [[noreturn]] void mixed(const Instance& inst) const {
        fail("mixed named and ordered connections in instance " + q(inst.name));
    }

    // Checks the token after a connection: true when another follows.
    bool more_connections(const Instance& inst, bool named) {
        if (is_punct(',')) {
            next();
            if (named && !is_punct('.')) {
                if (tok_.kind == Tok::Ident || tok_.kind == Tok::Number || is_punct('{')) mixed(inst);
                fail("expected '.' but found " + describe());
            }
            if (!named && is_punct('.')) mixed(inst);
            return true;
        }
        end_expr(')');
        return false;
    }

    // Connections to a master the design does not hold yet, kept as
    // written.
    void connections(Instance& inst) {
        if (is_punct(')')) {
            next();
            return;
        }
        const bool named = is_punct('.');
        inst.ordered = !named;
        do {
            Id pin = kNoId;
            if (named) {
                next();
                pin = expect_ident("a port name");
                expect('(');
            }
            const auto first = static_cast<std::uint32_t>(cur_.conns.size());
            if (!is_punct(',') && !is_punct(')')) primary(cur_.conns);
            if (named) end_expr(')');
            cur_.pins.push_back({pin, first, static_cast<std::uint32_t>(cur_.conns.size()) - first});
            ++inst.count;
        } while (more_connections(inst, named));
        if (named && inst.count > 1) {
            // Each pin once, also while the master is unknown.
            names_.clear();
            for (std::uint32_t i = 0; i < inst.count; ++i) names_.push_back(cur_.pins[inst.first + i].name);
            std::sort(names_.begin(), names_.end());
            const auto dup = std::adjacent_find(names_.begin(), names_.end());
            if (dup != names_.end())
                fail_at(inst.line, msg::connected_twice(d_.names.str(*dup), d_.names.str(inst.name)));
        }
    }

    // Connections to a known master: one pin per master port, in port
    // order, each as wide as its port.
    void resolved_connections(Instance& inst, int mi) {
        const Module& master = d_.modules[mi];
        // For messages only: a netlist has millions of instances.
        const auto master_name = [&] { return d_.names.str(master.name); };
        inst.master_index = mi;
        inst.first = static_cast<std::uint32_t>(cur_.conns.size());
        inst.count = static_cast<std::uint32_t>(master.port_bits.size());
        cur_.conns.append(inst.count, kOpen);
        if (is_punct(')')) {
            next();
            return;
        }
        seen_.assign(master.ports.size(), 0);
        const bool named = is_punct('.');
        inst.ordered = !named;
        std::uint32_t k = 0;
        do {
            std::uint32_t pi = k++;
            const std::uint32_t line = tok_.line;
            if (named) {
                next();
                const Id pin = expect_ident("a port name");
                pi = port_index(mi, pin);
                if (pi == kNone) fail_at(line, msg::no_port(master_name(), d_.names.str(pin)));
                expect('(');
            } else if (pi >= master.ports.size()) {
                fail(msg::too_many(master_name(), master.ports.size()));
            }
            tmp_.clear();
            if (!is_punct(',') && !is_punct(')')) primary(tmp_);
            if (named) end_expr(')');
            const Port& port = master.ports[pi];
            if (seen_[pi]) fail_at(line, msg::connected_twice(d_.names.str(port.name), d_.names.str(inst.name)));
            seen_[pi] = 1;
            if (tmp_.empty()) continue;
            if (tmp_.size() != port.width) {
                fail_at(line, msg::width(d_.names.str(port.name), d_.names.str(inst.name), master_name(), port.width,
                                         static_cast<std::uint32_t>(tmp_.size())));
            }
            std::copy(tmp_.begin(), tmp_.end(), cur_.conns.begin() + inst.first + port.first_bit);
        } while (more_connections(inst, named));
    }

    // Position of a master's port by name; masters with few ports are
    // searched in place.
    std::uint32_t port_index(int mi, Id pin) {
        const Module& master = d_.modules[mi];
        if (master.ports.size() <= 8) {
            for (std::uint32_t j = 0; j < master.ports.size(); ++j) {
                if (master.ports[j].name == pin) return j;
            }
            return kNone;
        }
        if (port_maps_.size() <= static_cast<std::size_t>(mi)) port_maps_.resize(d_.modules.size());
        IdMap& map = port_maps_[mi];
        if (map.size() == 0) {
            for (std::uint32_t j = 0; j < master.ports.size(); ++j) map.insert(master.ports[j].name, j);
        }
        const std::uint32_t j = map.find(pin);
        return j == IdMap::npos ? kNone : j;
    }

    Design& d_;
    Lexer lx_;
    Token tok_;
    bool library_;
    std::uint32_t file_index_;
    std::uint32_t included_ = kNone;  // the last included file that held a module

    // The module being read and its scratch tables.
    Module cur_;
    bool ansi_ = false;
    PodArray<Signal> sigs_;
    PodArray<std::uint32_t> sig_bits_;  // net of each signal bit, msb first
    std::vector<PendingPort> ports_;
    NameMap name_map_;
    DenseMap port_map_;  // port name -> port-list position
    // Port declarations of a library cell whose range waits for the end of
    // the module, and the tokens of those ranges; replay_ .. replay_end_
    // are the kept tokens being read again (none while replay_end_ is 0).
    struct LibPortDecl {
        Id name;
        std::uint32_t line;
        Dir dir;
        Range range;
        bool net_decl;
        NetKind kind;
    };
    std::vector<LibPortDecl> lib_decls_;
    std::vector<Token> lib_tokens_;
    std::uint32_t replay_ = 0, replay_end_ = 0;
    FloatWatch float_watch_;  // the three-state outputs of a library cell
    DenseMap param_map_;  // parameter name -> params_
    std::vector<Param> params_;
    PodArray<BusRange> ranges_;  // of the bus signals
    PodArray<Conn> lhs_, rhs_;
    PodArray<std::uint8_t> bits_;
    PodArray<Conn> tmp_;
    std::vector<std::uint8_t> seen_;
    std::vector<Id> names_;
    std::vector<IdMap> port_maps_;  // by master index, made when first needed
    std::string buf_;
    int depth_ = 0;
    int expr_depth_ = 0;
    std::uint64_t budget_;
    std::uint64_t used_ = 0;
};

// The fewest bytes of netlist per name, as estimated for the name index.
constexpr std::size_t kBytesPerName = 28;

}  // namespace

void Design::read_text(std::string_view text, const std::string& file_name, bool library) {
    files.push_back(file_name);
    Parser(*this, text, file_name, library, static_cast<std::uint32_t>(files.size() - 1)).run();
}

void Design::read_file(const std::string& path, bool library) {
    FileText text;
    std::string why;
    if (!text.load(path, why)) throw Error(path + ": error: " + why);
    // A netlist holds a name in every few dozen bytes at most (short
    // names and one-line instances): the name index takes that many at
    // once instead of doubling step by step.
    if (!library) names.reserve(names.size() + text.view().size() / kBytesPerName);
    files.push_back(path);
    Parser parser(*this, text.view(), path, library, static_cast<std::uint32_t>(files.size() - 1));
    parser.read_from(&text);
    parser.run();
}

}  // namespace vlog
