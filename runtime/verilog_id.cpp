// Verilog identifiers of names (see verilog_id.h).
#include "runtime/verilog_id.h"

#include <unordered_set>

namespace {

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reserved words of Verilog-2005, the configuration words included: an
// escaped identifier of such a word is a plain name to every reader.
const std::unordered_set<std::string_view>& verilog_keywords() {
    static const std::unordered_set<std::string_view> words = {
        "always", "and", "assign", "automatic", "begin", "buf", "bufif0", "bufif1", "case", "casex", "casez",
        "cell", "cmos", "config", "deassign", "default", "defparam", "design", "disable", "edge", "else", "end",
        "endcase", "endconfig", "endfunction", "endgenerate", "endmodule", "endprimitive", "endspecify",
        "endtable", "endtask", "event", "for", "force", "forever", "fork", "function", "generate", "genvar",
        "highz0", "highz1", "if", "ifnone", "incdir", "include", "initial", "inout", "input", "instance",
        "integer", "join", "large", "liblist", "library", "localparam", "macromodule", "medium", "module",
        "nand", "negedge", "nmos", "nor", "noshowcancelled", "not", "notif0", "notif1", "or", "output",
        "parameter", "pmos", "posedge", "primitive", "pull0", "pull1", "pulldown", "pullup",
        "pulsestyle_ondetect", "pulsestyle_onevent", "rcmos", "real", "realtime", "reg", "release", "repeat",
        "rnmos", "rpmos", "rtran", "rtranif0", "rtranif1", "scalared", "showcancelled", "signed", "small",
        "specify", "specparam", "strong0", "strong1", "supply0", "supply1", "table", "task", "time", "tran",
        "tranif0", "tranif1", "tri", "tri0", "tri1", "triand", "trior", "trireg", "unsigned", "use", "uwire",
        "vectored", "wait", "wand", "weak0", "weak1", "while", "wire", "wor", "xnor", "xor"};
    return words;
}

// True when a name may be a reserved word: lower-case letters and '_',
// and a last character that may also be a digit (as in "bufif0").  Most
// names of a netlist (u12, n345, Q) are not, and are not looked up.
bool keyword_shaped(std::string_view name) {
    if (name.size() < 2) return false;
    auto word_char = [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; };
    for (std::size_t i = 0; i + 1 < name.size(); ++i)
        if (!word_char(name[i])) return false;
    return word_char(name.back()) || is_digit(name.back());
}

}  // namespace

bool VLOG_simple_id(std::string_view name) {
    if (name.empty() || !(is_letter(name[0]) || name[0] == '_')) return false;
    for (char c : name)
        if (!(is_letter(c) || is_digit(c) || c == '_' || c == '$')) return false;
    return !keyword_shaped(name) || verilog_keywords().count(name) == 0;
}

std::string VLOG_id(std::string_view name) {
    if (VLOG_simple_id(name)) return std::string(name);
    std::string s = "\\";
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        s += u <= 0x20 || u == 0x7f ? '_' : c;
    }
    if (name.empty()) s += '_';
    s += ' ';
    return s;
}
