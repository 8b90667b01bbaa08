#include "support/bsdl_check.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <set>
#include <sstream>

namespace bsdlcheck {

namespace {

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string strip_blanks(const std::string& s) {
    std::string r;
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) r += c;
    return r;
}

bool to_int(const std::string& s, int& v) {
    std::string t = trim(s);
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return ec == std::errc() && p == t.data() + t.size() && !t.empty();
}

// Splits at the separator where no parenthesis is open.
std::vector<std::string> split_top(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    int depth = 0;
    for (char c : s) {
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == sep && depth == 0) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

bool is_pattern(const std::string& s, const char* allowed) {
    return !s.empty() && s.find_first_not_of(allowed) == std::string::npos;
}

// ---------------------------------------------------------------- lexer

enum class Tok { Word, Number, String, Punct };

struct Token {
    Tok kind;
    std::string text;
    int line;
};

std::vector<Token> lex(const std::string& text, std::vector<std::string>& errors) {
    std::vector<Token> toks;
    int line = 1;
    size_t i = 0, n = text.size();
    auto is_word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    while (i < n) {
        char c = text[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            while (i < n && text[i] != '\n') ++i;
        } else if (c == '"') {
            size_t e = text.find_first_of("\"\n", i + 1);
            if (e == std::string::npos || text[e] != '"') {
                errors.push_back("line " + std::to_string(line) + ": unterminated string");
                e = (e == std::string::npos) ? n : e;
                toks.push_back({Tok::String, text.substr(i + 1, e - i - 1), line});
                i = e;
                continue;
            }
            toks.push_back({Tok::String, text.substr(i + 1, e - i - 1), line});
            i = e + 1;
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            size_t b = i;
            while (i < n && is_word(text[i])) ++i;
            toks.push_back({Tok::Word, text.substr(b, i - b), line});
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t b = i;
            while (i < n && (is_word(text[i]) || text[i] == '.')) ++i;
            toks.push_back({Tok::Number, text.substr(b, i - b), line});
        } else if (c == ':' && i + 1 < n && text[i + 1] == '=') {
            toks.push_back({Tok::Punct, ":=", line});
            i += 2;
        } else {
            toks.push_back({Tok::Punct, std::string(1, c), line});
            ++i;
        }
    }
    return toks;
}

bool is_word(const Token& t, const char* w) { return t.kind == Tok::Word && lower(t.text) == w; }
bool is_punct(const Token& t, const char* p) { return t.kind == Tok::Punct && t.text == p; }

// True when the tokens from `from` on are strings joined with "&".
bool string_value(const std::vector<Token>& toks, size_t from) {
    bool strings = from < toks.size();
    for (size_t i = from; i < toks.size(); ++i)
        if (toks[i].kind != Tok::String && !is_punct(toks[i], "&")) strings = false;
    return strings;
}

// The value of an attribute or constant: strings joined with "&" become
// their concatenation; anything else is its tokens joined by blanks.
std::string value_text(const std::vector<Token>& toks, size_t from) {
    const bool strings = string_value(toks, from);
    std::string v;
    for (size_t i = from; i < toks.size(); ++i) {
        if (strings) {
            if (toks[i].kind == Tok::String) v += toks[i].text;
        } else {
            if (!v.empty()) v += ' ';
            v += toks[i].text;
        }
    }
    return v;
}

// --------------------------------------------------------------- decoders

void read_ports(const std::vector<Token>& toks, BsdlFile& f, std::vector<std::string>& errors) {
    // port ( names : direction type ; ... )
    size_t i = 1;
    if (i >= toks.size() || !is_punct(toks[i], "(")) {
        errors.push_back("line " + std::to_string(toks[0].line) + ": port list without \"(\"");
        return;
    }
    ++i;
    while (i < toks.size()) {
        std::vector<std::string> names;
        while (i < toks.size() && toks[i].kind == Tok::Word) {
            names.push_back(toks[i].text);
            ++i;
            if (i < toks.size() && is_punct(toks[i], ",")) ++i;
        }
        if (names.empty() || i + 2 >= toks.size() || !is_punct(toks[i], ":")) {
            errors.push_back("line " + std::to_string(i < toks.size() ? toks[i].line : toks[0].line) +
                             ": cannot read the port list");
            return;
        }
        Port p;
        p.direction = lower(toks[i + 1].text);
        std::string type = lower(toks[i + 2].text);
        i += 3;
        if (type == "bit_vector") {
            p.vector = true;
            // ( left to|downto right )
            if (i + 4 < toks.size() && is_punct(toks[i], "(") && is_punct(toks[i + 4], ")") &&
                to_int(toks[i + 1].text, p.left) && to_int(toks[i + 3].text, p.right)) {
                i += 5;
            } else {
                errors.push_back("line " + std::to_string(toks[i - 1].line) + ": cannot read the range of " +
                                 names[0]);
                return;
            }
        }
        for (const auto& name : names) {
            p.name = name;
            f.ports.push_back(p);
        }
        if (i < toks.size() && is_punct(toks[i], ";")) {
            ++i;
            continue;
        }
        if (i < toks.size() && is_punct(toks[i], ")")) return;
        errors.push_back("line " + std::to_string(i < toks.size() ? toks[i].line : toks[0].line) +
                         ": cannot read the port list");
        return;
    }
}

void read_instructions(const Statement& s, BsdlFile& f, std::vector<std::string>& errors) {
    for (const auto& entry : split_top(s.value, ',')) {
        std::string e = trim(entry);
        size_t open = e.find('(');
        size_t close = e.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            errors.push_back("line " + std::to_string(s.line) + ": cannot read opcode entry \"" + e + "\"");
            continue;
        }
        Instruction ins;
        ins.name = trim(e.substr(0, open));
        for (const auto& op : split_top(e.substr(open + 1, close - open - 1), ','))
            ins.opcodes.push_back(strip_blanks(op));
        f.instructions.push_back(ins);
    }
}

void read_boundary(const Statement& s, BsdlFile& f, std::vector<std::string>& errors) {
    for (const auto& entry : split_top(s.value, ',')) {
        std::string e = trim(entry);
        size_t open = e.find('(');
        size_t close = e.rfind(')');
        BoundaryRow r;
        std::vector<std::string> fields;
        if (open != std::string::npos && close != std::string::npos && close > open) {
            for (const auto& fld : split_top(e.substr(open + 1, close - open - 1), ','))
                fields.push_back(trim(fld));
        }
        if (!to_int(e.substr(0, open == std::string::npos ? 0 : open), r.num) ||
            (fields.size() != 4 && fields.size() != 7)) {
            errors.push_back("line " + std::to_string(s.line) + ": cannot read boundary register row \"" + e +
                             "\"");
            continue;
        }
        r.cell = fields[0];
        r.port = strip_blanks(fields[1]);
        r.function = lower(fields[2]);
        r.safe = upper(fields[3]);
        if (fields.size() == 7) {
            if (!to_int(fields[4], r.ccell) || !to_int(fields[5], r.disval))
                errors.push_back("line " + std::to_string(s.line) + ": cannot read the control cell of row " +
                                 std::to_string(r.num));
            r.rslt = upper(fields[6]);
        }
        f.boundary.push_back(r);
    }
}

void read_pin_map(const Statement& s, BsdlFile& f, std::vector<std::string>& errors) {
    auto& map = f.pin_maps[s.name];
    for (const auto& entry : split_top(s.value, ',')) {
        std::string e = trim(entry);
        size_t colon = e.find(':');
        if (colon == std::string::npos) {
            errors.push_back("line " + std::to_string(s.line) + ": cannot read pin map entry \"" + e + "\"");
            continue;
        }
        std::string pins = trim(e.substr(colon + 1));
        if (!pins.empty() && pins.front() == '(' && pins.back() == ')') pins = pins.substr(1, pins.size() - 2);
        auto& list = map[trim(e.substr(0, colon))];
        for (const auto& p : split_top(pins, ',')) list.push_back(trim(p));
    }
}

// Decodes one statement's tokens (the closing ";" not included).
void read_statement(const std::vector<Token>& toks, BsdlFile& f, std::vector<std::string>& errors) {
    Statement s;
    s.line = toks[0].line;
    s.kind = lower(toks[0].text);
    auto bad = [&](const char* what) {
        errors.push_back("line " + std::to_string(s.line) + ": cannot read " + what + " statement");
    };
    if (s.kind == "attribute") {
        // attribute NAME of TARGET : CLASS is VALUE
        if (toks.size() < 7 || !is_word(toks[2], "of") || !is_punct(toks[4], ":") || !is_word(toks[6], "is"))
            return bad("an attribute");
        s.name = upper(toks[1].text);
        s.target = toks[3].text;
        s.value = value_text(toks, 7);
        s.literal = string_value(toks, 7);
    } else if (s.kind == "constant") {
        // constant NAME : TYPE := VALUE
        if (toks.size() < 5 || !is_punct(toks[2], ":") || !is_punct(toks[4], ":="))
            return bad("a constant");
        s.name = toks[1].text;
        s.target = upper(toks[3].text);
        s.value = value_text(toks, 5);
    } else if (s.kind == "use") {
        if (toks.size() < 2) return bad("a use");
        s.name = upper(toks[1].text);
        s.value = value_text(toks, 1);
    } else if (s.kind == "generic") {
        for (size_t i = 0; i + 1 < toks.size(); ++i)
            if (is_punct(toks[i], ":=") && toks[i + 1].kind == Tok::String) f.physical_pin_map = toks[i + 1].text;
    } else if (s.kind == "port") {
        read_ports(toks, f, errors);
    }
    f.statements.push_back(s);
    const Statement& st = f.statements.back();
    int n = 0;
    if (st.kind == "constant" && st.target == "PIN_MAP_STRING") read_pin_map(st, f, errors);
    if (st.kind != "attribute") return;
    if (st.name == "INSTRUCTION_LENGTH" || st.name == "BOUNDARY_LENGTH") {
        if (!to_int(st.value, n)) return bad(st.name == "BOUNDARY_LENGTH" ? "the BOUNDARY_LENGTH" : "the INSTRUCTION_LENGTH");
        (st.name == "BOUNDARY_LENGTH" ? f.boundary_length : f.instruction_length) = n;
    } else if (st.name == "INSTRUCTION_OPCODE") {
        read_instructions(st, f, errors);
    } else if (st.name == "INSTRUCTION_CAPTURE") {
        f.instruction_capture = strip_blanks(st.value);
    } else if (st.name == "IDCODE_REGISTER") {
        f.idcode = strip_blanks(st.value);
    } else if (st.name == "USERCODE_REGISTER") {
        f.usercode = strip_blanks(st.value);
    } else if (st.name == "BOUNDARY_REGISTER") {
        read_boundary(st, f, errors);
    }
}

// The order 1149.1 gives the statements of a BSDL entity; statements not
// listed may stand anywhere.  TAP_SCAN_* statements share one place.
const std::map<std::string, int>& statement_rank() {
    static const std::map<std::string, int> rank = {
        {"generic", 1},
        {"port", 2},
        {"use", 3},
        {"COMPONENT_CONFORMANCE", 4},
        {"PIN_MAP", 5},
        {"constant", 6},
        {"PORT_GROUPING", 7},
        {"TAP_SCAN_IN", 8},
        {"TAP_SCAN_OUT", 8},
        {"TAP_SCAN_MODE", 8},
        {"TAP_SCAN_CLOCK", 8},
        {"TAP_SCAN_RESET", 8},
        {"COMPLIANCE_PATTERNS", 9},
        {"INSTRUCTION_LENGTH", 10},
        {"INSTRUCTION_OPCODE", 11},
        {"INSTRUCTION_CAPTURE", 12},
        {"INSTRUCTION_PRIVATE", 13},
        {"IDCODE_REGISTER", 14},
        {"USERCODE_REGISTER", 15},
        {"REGISTER_ACCESS", 16},
        {"BOUNDARY_LENGTH", 17},
        {"BOUNDARY_REGISTER", 18},
        {"RUNBIST_EXECUTION", 19},
        {"INTEST_EXECUTION", 20},
        {"DESIGN_WARNING", 21},
    };
    return rank;
}

std::string order_key(const Statement& s) { return s.kind == "attribute" ? s.name : s.kind; }

std::string statement_title(const Statement& s) {
    if (s.kind == "attribute") return "attribute " + s.name;
    if (s.kind == "constant") return "constant " + s.name;
    return s.kind + " statement";
}

// The standard package the file uses ("STD_1149_1_1994"), empty when none.
std::string standard_package(const BsdlFile& f) {
    for (const auto& s : f.statements)
        if (s.kind == "use" && s.name.rfind("STD_1149_1_", 0) == 0) return s.name;
    return {};
}

void check_statements(const BsdlFile& f, std::vector<std::string>& p) {
    const auto& rank = statement_rank();
    const Statement* highest = nullptr;
    int highest_rank = 0;
    std::set<std::string> seen;
    for (const auto& s : f.statements) {
        std::string key = order_key(s);
        if (s.kind == "attribute" && !seen.insert(key).second) p.push_back("attribute " + key + " is given twice");
        seen.insert(key);
        auto it = rank.find(key);
        if (it == rank.end()) continue;
        if (it->second < highest_rank) {
            p.push_back("statement order: " + statement_title(s) + " comes after " + statement_title(*highest));
        } else {
            highest = &s;
            highest_rank = it->second;
        }
    }
    for (const char* key : {"generic", "port", "use"})
        if (!seen.count(key)) p.push_back(std::string("missing ") + key + " statement");
    // COMPONENT_CONFORMANCE came with the 2001 edition: a file that uses
    // the 1990 or 1994 package may leave it out.
    const std::string package = standard_package(f);
    const bool before_2001 = package == "STD_1149_1_1990" || package == "STD_1149_1_1994";
    if (!before_2001 && !seen.count("COMPONENT_CONFORMANCE")) p.push_back("missing attribute COMPONENT_CONFORMANCE");
    for (const char* key : {"PIN_MAP", "TAP_SCAN_IN", "TAP_SCAN_OUT", "TAP_SCAN_MODE",
                            "TAP_SCAN_CLOCK", "INSTRUCTION_LENGTH", "INSTRUCTION_OPCODE", "INSTRUCTION_CAPTURE",
                            "BOUNDARY_LENGTH", "BOUNDARY_REGISTER"})
        if (!seen.count(key)) p.push_back(std::string("missing attribute ") + key);
}

// True when a port reference ("D(3)" or "A") names a declared port bit;
// ports are keyed by their lower-case name.
bool declared(const std::map<std::string, const Port*>& ports, const std::string& ref) {
    size_t open = ref.find('(');
    auto it = ports.find(lower(ref.substr(0, open)));
    if (it == ports.end()) return false;
    const Port* port = it->second;
    if (open == std::string::npos) return !port->vector;
    int idx = 0;
    if (!port->vector || ref.back() != ')' || !to_int(ref.substr(open + 1, ref.size() - open - 2), idx))
        return false;
    return idx >= std::min(port->left, port->right) && idx <= std::max(port->left, port->right);
}

void check_boundary(const BsdlFile& f, std::vector<std::string>& p) {
    static const std::set<std::string> functions = {"input",  "clock",    "output2",  "output3",     "control",
                                                    "controlr", "internal", "bidir", "observe_only"};
    static const std::set<std::string> results = {"Z", "WEAK0", "WEAK1", "PULL0", "PULL1", "KEEPER"};
    static const std::set<std::string> unported = {"control", "controlr", "internal"};
    const int len = f.boundary_length;
    const int rows = static_cast<int>(f.boundary.size());
    if (len >= 0 && rows != len)
        p.push_back("BOUNDARY_LENGTH is " + std::to_string(len) + " but BOUNDARY_REGISTER has " +
                    std::to_string(rows) + " rows");
    if (len >= 0) {
        std::map<int, int> count;
        for (const auto& r : f.boundary) {
            if (r.num < 0 || r.num >= len)
                p.push_back("cell " + std::to_string(r.num) + " is outside 0 to " + std::to_string(len - 1));
            else
                ++count[r.num];
        }
        for (const auto& [num, n] : count)
            if (n > 1) p.push_back("cell " + std::to_string(num) + " is described " + std::to_string(n) + " times");
        // Cells without a row, reported one by one but not beyond a screenful.
        int missing = 0;
        for (int i = 0; i < len; ++i) {
            if (count.count(i)) continue;
            if (++missing <= 20) p.push_back("cell " + std::to_string(i) + " is not described");
        }
        if (missing > 20) p.push_back(std::to_string(missing - 20) + " more cells are not described");
    }
    // Look-ups by cell number and port name, so that a long register is
    // checked in n log n.
    std::map<int, const BoundaryRow*> by_num;
    for (const auto& r : f.boundary) by_num.emplace(r.num, &r);
    std::map<std::string, const Port*> ports;
    for (const auto& port : f.ports) ports.emplace(lower(port.name), &port);
    for (const auto& r : f.boundary) {
        const std::string cell = "cell " + std::to_string(r.num);
        if (!functions.count(r.function)) p.push_back(cell + " has unknown function " + r.function);
        if (r.safe != "0" && r.safe != "1" && r.safe != "X")
            p.push_back(cell + " has safe value " + r.safe + ", not 0, 1 or X");
        if (r.port != "*" && !declared(ports, r.port))
            p.push_back(cell + " names port " + r.port + ", which is not declared");
        // A control or internal cell serves no pin of its own: its port is
        // "*"; every other cell (observe_only too) serves a system pin.
        const bool pinless = unported.count(r.function) > 0;
        if (pinless && r.port != "*") p.push_back(cell + " (" + r.function + ") names port " + r.port + ", not *");
        if (!pinless && functions.count(r.function) && r.port == "*")
            p.push_back(cell + " (" + r.function + ") names no port");
        if ((r.function == "output3" || r.function == "bidir") && r.ccell < 0)
            p.push_back(cell + " (" + r.function + " " + r.port + ") has no control cell");
        if (r.ccell < 0) continue;
        auto found = by_num.find(r.ccell);
        const BoundaryRow* c = found == by_num.end() ? nullptr : found->second;
        if (!c)
            p.push_back(cell + " names control cell " + std::to_string(r.ccell) + ", which is not described");
        else if (c->function != "control" && c->function != "controlr")
            p.push_back(cell + " names control cell " + std::to_string(r.ccell) + ", which is " + c->function +
                        ", not control");
        if (r.disval != 0 && r.disval != 1)
            p.push_back(cell + " has disable value " + std::to_string(r.disval) + ", not 0 or 1");
        if (!results.count(r.rslt)) p.push_back(cell + " has disable result " + r.rslt);
    }
}

// IDCODE_REGISTER or USERCODE_REGISTER: the packages of 1990 to 2001
// type both as ID_STRING, an array of 32 elements '0', '1', 'x', 'X', so
// the value is one string of 32 such bits; the 2013 edition's syntax takes
// a list of such patterns separated by commas.  Each IDCODE ends in 1.
void check_id_register(const BsdlFile& f, const std::string& name, bool idcode, std::vector<std::string>& p) {
    const Statement* s = f.attribute(name);
    if (!s) return;
    if (!s->literal) {
        p.push_back(name + " is not a string");
        return;
    }
    const std::vector<std::string> patterns = split_top(strip_blanks(s->value), ',');
    const std::string package = standard_package(f);
    if (patterns.size() > 1 && package != "STD_1149_1_2013")
        p.push_back(name + " holds " + std::to_string(patterns.size()) + " patterns; " +
                    (package.empty() ? std::string("BSDL") : package) + " takes one");
    for (const std::string& code : patterns) {
        if (!is_pattern(code, "01xX"))
            p.push_back(name + " " + code + " is not a bit pattern");
        else if (code.size() != 32)
            p.push_back(name + " has " + std::to_string(code.size()) + " bits, not 32");
        if (idcode && !code.empty() && code.back() != '1')
            p.push_back(name + " bit 0 is " + code.back() + ", not 1");
    }
}

void check_instructions(const BsdlFile& f, std::vector<std::string>& p) {
    const int len = f.instruction_length;
    const std::string len_text = "INSTRUCTION_LENGTH " + std::to_string(len);
    std::map<std::string, std::string> owner;
    for (const auto& ins : f.instructions) {
        for (const auto& op : ins.opcodes) {
            if (!is_pattern(op, "01xX"))
                p.push_back("opcode " + op + " of " + ins.name + " is not a bit pattern");
            else if (len >= 0 && static_cast<int>(op.size()) != len)
                p.push_back("opcode " + op + " of " + ins.name + " has " + std::to_string(op.size()) +
                            " bits, not " + len_text);
            auto [it, fresh] = owner.emplace(op, ins.name);
            if (!fresh) p.push_back("opcode " + op + " is given to " + it->second + " and " + ins.name);
        }
    }
    if (f.attribute("INSTRUCTION_OPCODE")) {
        for (const char* name : {"BYPASS", "EXTEST", "SAMPLE"})
            if (!f.instruction(name)) p.push_back(std::string("no ") + name + " instruction");
    }
    if (const Instruction* bypass = f.instruction("BYPASS"))
        for (const auto& op : bypass->opcodes)
            if (op.find_first_not_of('1') != std::string::npos)
                p.push_back("BYPASS opcode " + op + " is not all ones");
    if (f.attribute("INSTRUCTION_CAPTURE")) {
        const std::string& cap = f.instruction_capture;
        if (!is_pattern(cap, "01xX"))
            p.push_back("INSTRUCTION_CAPTURE " + cap + " is not a bit pattern");
        else if (len >= 0 && static_cast<int>(cap.size()) != len)
            p.push_back("INSTRUCTION_CAPTURE " + cap + " has " + std::to_string(cap.size()) + " bits, not " +
                        len_text);
        if (cap.size() < 2 || cap.compare(cap.size() - 2, 2, "01") != 0)
            p.push_back("INSTRUCTION_CAPTURE " + cap + " does not end in 01");
    }
    check_id_register(f, "IDCODE_REGISTER", true, p);
    check_id_register(f, "USERCODE_REGISTER", false, p);
}

}  // namespace

// ---------------------------------------------------------------- BsdlFile

std::string to_string(const BoundaryRow& r) {
    std::string s = std::to_string(r.num) + " " + r.cell + " " + r.port + " " + r.function + " " + r.safe;
    if (r.ccell >= 0) s += " " + std::to_string(r.ccell) + " " + std::to_string(r.disval) + " " + r.rslt;
    return s;
}

const Statement* BsdlFile::attribute(const std::string& name) const {
    for (const auto& s : statements)
        if (s.kind == "attribute" && s.name == name) return &s;
    return nullptr;
}

const BoundaryRow* BsdlFile::row(int num) const {
    for (const auto& r : boundary)
        if (r.num == num) return &r;
    return nullptr;
}

const Port* BsdlFile::port(const std::string& name) const {
    for (const auto& p : ports)
        if (lower(p.name) == lower(name)) return &p;
    return nullptr;
}

const Instruction* BsdlFile::instruction(const std::string& name) const {
    for (const auto& i : instructions)
        if (upper(i.name) == upper(name)) return &i;
    return nullptr;
}

std::vector<std::string> BsdlFile::pins(const std::string& port) const {
    auto m = pin_maps.find(physical_pin_map);
    if (m == pin_maps.end()) return {};
    auto p = m->second.find(port);
    return p == m->second.end() ? std::vector<std::string>{} : p->second;
}

BsdlFile read_bsdl(const std::string& text) {
    BsdlFile f;
    std::vector<Token> toks = lex(text, f.errors);
    size_t i = 0;
    while (i < toks.size() && !is_word(toks[i], "entity")) ++i;
    if (i + 2 >= toks.size() || toks[i + 1].kind != Tok::Word || !is_word(toks[i + 2], "is")) {
        f.errors.push_back("no entity declaration");
        return f;
    }
    f.entity = toks[i + 1].text;
    i += 3;
    bool ended = false;
    while (i < toks.size()) {
        if (is_word(toks[i], "end")) {
            // end [name] ;
            ended = true;
            size_t j = i + 1;
            if (j < toks.size() && toks[j].kind == Tok::Word) {
                if (toks[j].text != f.entity)
                    f.errors.push_back("line " + std::to_string(toks[i].line) + ": end " + toks[j].text +
                                       " closes entity " + f.entity);
                ++j;
            }
            if (j >= toks.size() || !is_punct(toks[j], ";"))
                f.errors.push_back("line " + std::to_string(toks[i].line) + ": end without \";\"");
            break;
        }
        std::vector<Token> stmt;
        int depth = 0;
        while (i < toks.size() && !(depth == 0 && is_punct(toks[i], ";"))) {
            if (is_punct(toks[i], "(")) ++depth;
            if (is_punct(toks[i], ")")) --depth;
            stmt.push_back(toks[i++]);
        }
        if (i == toks.size()) {
            f.errors.push_back("line " + std::to_string(stmt.front().line) + ": statement without \";\"");
            break;
        }
        ++i;  // the ";"
        if (!stmt.empty()) read_statement(stmt, f, f.errors);
    }
    if (!ended) f.errors.push_back("no end of entity " + f.entity);
    return f;
}

std::vector<std::string> semantic_problems(const BsdlFile& file) {
    std::vector<std::string> p;
    check_statements(file, p);
    check_boundary(file, p);
    check_instructions(file, p);
    return p;
}

std::string BsdlCheck::describe() const {
    std::string s;
    for (const auto& p : problems) s += "problem: " + p + "\n";
    s += urjtag_ran ? (urjtag_ok ? "liburjtag: OK\n" : "liburjtag rejected the file:\n") : "liburjtag not run: ";
    if (!urjtag_ok) s += urjtag_output + "\n";
    return s;
}

std::string urjtag_checker() {
#ifdef KEST_URJTAG_BSDL_CHECK
    return KEST_URJTAG_BSDL_CHECK;
#else
    return "";
#endif
}

std::string urjtag_skip_reason() {
#ifdef KEST_URJTAG_SKIP_REASON
    return KEST_URJTAG_SKIP_REASON;
#else
    return "";
#endif
}

testsupport::RunResult run_urjtag(const std::string& path, bool dump) {
    std::vector<std::string> argv = {urjtag_checker()};
    if (dump) argv.push_back("-dump");
    argv.push_back(path);
    return testsupport::run(argv);
}

std::vector<BoundaryRow> urjtag_dump_rows(const std::string& dump) {
    std::vector<BoundaryRow> rows;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream w(line);
        std::string word;
        BoundaryRow r;
        if (!(w >> word) || word != "bit" || !(w >> r.num >> r.function >> r.safe >> r.port)) continue;
        if (r.safe == "?") r.safe = "X";
        if (w >> r.ccell >> r.disval >> r.rslt) {
        } else {
            r.ccell = -1;
            r.disval = -1;
            r.rslt.clear();
        }
        rows.push_back(r);
    }
    return rows;
}

BsdlCheck check_bsdl_file(const std::string& path) {
    BsdlCheck c;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        c.problems.push_back("cannot read " + path);
        c.urjtag_output = "no file " + path;
        return c;
    }
    c.file = read_bsdl(testsupport::read_file(path));
    c.problems = c.file.errors;
    for (auto& p : semantic_problems(c.file)) c.problems.push_back(std::move(p));
    if (urjtag_checker().empty()) {
        c.urjtag_output = urjtag_skip_reason();
        return c;
    }
    testsupport::RunResult r = run_urjtag(path, false);
    c.urjtag_ran = r.status >= 0;
    c.urjtag_ok = r.status == 0 && r.out.find("OK\n") != std::string::npos;
    c.urjtag_output = r.out + r.err;
    return c;
}

}  // namespace bsdlcheck
