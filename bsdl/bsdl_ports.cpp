// The logical ports of the BSDL entity and its package pin maps: the port
// tables built from the pin file and the design, each port's function from
// its pad, the port list and the PIN_MAP_STRING rows.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/bsdl_writer.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

std::vector<BufTabEntry> BUF_TAB;
std::vector<PortHeaderEntry> Port_header;
std::vector<PackageListEntry> Package_list;

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

const char* sdb_path() { return BS_SDB_FILE.c_str(); }

const char* port_name(int port) {
    if (port < 0 || port >= port_count) return "*UNDEF*";
    const char* n = SYM_get(sym_tab, port_tab[port].name);
    return n ? n : "*UNDEF*";
}

bool in_allowed_multiple(const std::string& name) {
    for (int i = 0, n = DYNA_count(ALLOWED_MULTIPLE_LIST); i < n; ++i)
        if (ALLOWED_MULTIPLE_LIST[i] && STR_ucomp(ALLOWED_MULTIPLE_LIST[i], name.c_str()) == 0) return true;
    return false;
}

// A pin-file name split into its base and index.
struct SplitName {
    std::string base;
    std::string index;  // the index as written; empty for a scalar
    bool has_index = false;
    // The index as a bit number: decimal digits up to the largest int,
    // the widest bit number the port tables hold; -1 for any other text.
    int bit = -1;
};

SplitName split_name(const std::string& source) {
    SplitName s;
    size_t i = 0;
    while (i < source.size() && source[i] != '[' && source[i] != '(' && source[i] != ' ' && source[i] != '\n') ++i;
    s.base = source.substr(0, i);
    if (i < source.size() && (source[i] == '[' || source[i] == '(')) {
        size_t j = ++i;
        while (j < source.size() && source[j] != ']' && source[j] != ')' && source[j] != ' ' && source[j] != '\n')
            ++j;
        s.index = source.substr(i, j - i);
        s.has_index = true;
        int bit = -1;
        const char* end = s.index.data() + s.index.size();
        auto [past, ec] = std::from_chars(s.index.data(), end, bit);
        const bool digits = !s.index.empty() && std::isdigit(static_cast<unsigned char>(s.index[0]));
        if (digits && ec == std::errc() && past == end) s.bit = bit;
    }
    return s;
}

// The pin-file row a name was read from, for its messages.
struct PinRow {
    const char* file;
    int line;
};

// A pin-file name without its active-low mark; "" for none.
std::string strip_minus(const char* s) { return desc_text(without_low_mark(s)); }

// A port list with the position of each port by name, so that a chip of
// many pads is gathered in linear time.
struct PortList {
    std::vector<PortHeaderEntry>& ports;
    std::unordered_map<std::string, std::size_t> at;
    // The bits given so far, as "<port position>:<bit>".
    std::unordered_set<std::string> bits{};

    PortHeaderEntry* find(const std::string& base) {
        const auto it = at.find(base);
        return it == at.end() ? nullptr : &ports[it->second];
    }
};

// Adds one bit of a pin-file name to a port list; a bus index that is no
// bit number, a bit given twice and the scalar/vector error end the run.
// A repeated scalar of %ALLOWED_MULTIPLE gathers its pins.
PortHeaderEntry& add_bit(PortList& list, const SplitName& n, const std::string& pin, const PinRow& row) {
    const char* file = desc_file_name(row.file);
    if (n.has_index && n.bit < 0) {
        qdx_exit_printf(-1, "ERROR: '%s' line %d: bus index '%s' of port '%s' is not a number from 0 to %d.\n\n", file,
                        row.line, n.index.c_str(), n.base.c_str(), std::numeric_limits<int>::max());
    }
    if (n.has_index) {
        const auto at = list.at.find(n.base);
        const std::size_t position = at == list.at.end() ? list.ports.size() : at->second;
        if (!list.bits.insert(std::to_string(position) + ":" + std::to_string(n.bit)).second) {
            qdx_exit_printf(-1, "ERROR: '%s' line %d: bit %d of port '%s' is given a second time.\n\n", file, row.line,
                            n.bit, n.base.c_str());
        }
    }
    PortHeaderEntry* p = list.find(n.base);
    const int index = n.bit;
    if (!p) {
        list.at.emplace(n.base, list.ports.size());
        list.ports.push_back({n.base, {{index, pin, {}}}, {}, false, false});
        return list.ports.back();
    }
    if (!n.has_index && p->bits.front().index == -1 && in_allowed_multiple(n.base)) {
        p->multi = true;
        p->bits.push_back({-1, pin, p->bits.front().function});
        return *p;
    }
    if (!n.has_index || p->bits.front().index == -1) {
        qdx_exit_printf(-1, "ERROR: port '%s' was declared as scalar type and vector type.\n\n", n.base.c_str());
    }
    p->bits.push_back({index, pin, {}});
    return *p;
}

// The design port of a core-side name: that exact port, else the only
// port "<name>[...]".
int find_design_port(const std::string& name, const std::unordered_map<std::string, std::vector<int>>& by_base) {
    int p = SDB_nl_search_port(name.c_str());
    if (p >= 0) return p;
    auto it = by_base.find(name);
    return it != by_base.end() && it->second.size() == 1 ? it->second.front() : -1;
}

void sort_bits(std::vector<PortBitEntry>& bits) {
    if (bits.size() < 2) return;  // most ports are one bit: no sort, no buffer for it
    std::stable_sort(bits.begin(), bits.end(), [](const PortBitEntry& a, const PortBitEntry& b) {
        return a.index < b.index;
    });
}

// Decides how a port is declared: one bit, a bit_vector, or one scalar
// per bit (bits with gaps or with different functions).
void decide_form(PortHeaderEntry& p) {
    p.bsdl = bsdl_identifier(p.name);
    if (p.multi) {
        for (size_t i = 0; i < p.bits.size(); ++i) p.bits[i].index = static_cast<int>(i) + 1;
        return;
    }
    sort_bits(p.bits);
    p.split = false;
    for (size_t i = 1; i < p.bits.size(); ++i)
        if (p.bits[i].index != p.bits[i - 1].index + 1 || p.bits[i].function != p.bits[0].function) p.split = true;
}

std::string bit_reference(const PortHeaderEntry& p, int index) {
    if (p.bits.size() == 1) return p.bsdl;
    if (p.split) return p.bsdl + "_" + std::to_string(index);
    return p.bsdl + "(" + std::to_string(index) + ")";
}

// Every declared name once, case-blind; two pin-file names that print
// alike end the run.
void check_names_unique() {
    std::unordered_map<std::string, std::string> seen;  // upper-cased identifier -> pin-file name
    auto claim = [&](const std::string& id, const std::string& from) {
        auto [it, fresh] = seen.emplace(upper(id), from);
        if (fresh || it->second == from) return;
        qdx_exit_printf(-1,
                        "ERROR: ports '%s' and '%s' of file '%s' both become '%s' in the BSDL file.\n"
                        "       Please rename one of them.\n\n",
                        it->second.c_str(), from.c_str(), PIN_FILE ? PIN_FILE : "", id.c_str());
    };
    for (const auto& p : Port_header) {
        if (p.split) {
            for (const auto& b : p.bits) claim(bit_reference(p, b.index), p.name + "(" + std::to_string(b.index) + ")");
        } else {
            claim(p.bsdl, p.name);
        }
    }
}

// Each port whose pin-file name the BSDL file cannot carry is declared
// under another name; the user hears of it once per port, since the
// board tester will know the pin only by that name.
void warn_renamed_ports() {
    for (const auto& p : Port_header) {
        if (p.bsdl == p.name) continue;
        qdx_printf("WARNING: port '%s' of file '%s' is %s;\n", p.name.c_str(), PIN_FILE ? PIN_FILE : "",
                   bsdl_reserved_word(p.name) ? "a reserved word of BSDL or VHDL" : "not a VHDL identifier");
        qdx_printf("         it is declared as '%s' in the BSDL file.\n\n", p.bsdl.c_str());
    }
}

// The "," & "..." layout of one port's pins: "NAME : PIN" for one bit,
// "NAME :(P1,P2,...)" ten pins to a line for a vector.
void print_pins(const std::string& name, const std::vector<std::string>& pins, bool vector, bool last) {
    const std::string ten(10, ' ');
    if (!vector) {
        std::string line = ten;
        line += '"';
        line += name;
        line += " : ";
        line += pins.front();
        line += last ? "\";\n" : ",\" &\n";
        std::fwrite(line.data(), 1, line.size(), BSD_FILE);
        return;
    }
    std::string prefix = ten + "\"" + name + " :(";
    // Continuation lines: blanks up to the place of '(', which holds the quote.
    const std::string blank = std::string(prefix.size() - 1, ' ') + "\"";
    for (size_t i = 0; i < pins.size(); ++i) {
        if (i % 10 == 0) std::fputs(i == 0 ? prefix.c_str() : blank.c_str(), BSD_FILE);
        std::fputs(pins[i].c_str(), BSD_FILE);
        const bool port_end = i + 1 == pins.size();
        if (port_end)
            std::fputs(last ? ")\";\n" : "),\" &\n", BSD_FILE);
        else if (i % 10 == 9)
            std::fputs(",\" &\n", BSD_FILE);
        else
            std::fputs(",", BSD_FILE);
    }
}

// The pin-map rows of a port list; `form` gives each port's declared form
// (the logical port of that name), the ports themselves their pins.
void print_port_pins(const std::vector<PortHeaderEntry>& ports) {
    // Each element printed: name, pins, vector?
    struct Item {
        std::string name;
        std::vector<std::string> pins;
        bool vector;
    };
    std::vector<Item> items;
    // The logical ports by name ignoring case, the last one of a name.
    std::unordered_map<std::string, const PortHeaderEntry*> logical;
    for (const auto& h : Port_header) logical[upper(h.name)] = &h;
    for (const auto& p : ports) {
        const PortHeaderEntry* form = &p;
        if (const auto it = logical.find(upper(p.name)); it != logical.end()) form = it->second;
        std::vector<PortBitEntry> bits = p.bits;
        if (!p.multi) sort_bits(bits);
        const std::string id = form->bsdl.empty() ? bsdl_identifier(p.name) : form->bsdl;
        if (bits.size() == 1) {
            items.push_back({id, {bits[0].pin}, false});
        } else if (form->split) {
            for (const auto& b : bits) items.push_back({id + "_" + std::to_string(b.index), {b.pin}, false});
        } else {
            Item it{id, {}, true};
            for (const auto& b : bits) it.pins.push_back(b.pin);
            items.push_back(it);
        }
    }
    for (size_t i = 0; i < items.size(); ++i)
        print_pins(items[i].name, items[i].pins, items[i].vector, i + 1 == items.size());
}

const char* const kReserved[] = {
    // VHDL
    "abs", "access", "after", "alias", "all", "and", "architecture", "array", "assert", "attribute", "begin",
    "block", "body", "buffer", "bus", "case", "component", "configuration", "constant", "disconnect", "downto",
    "else", "elsif", "end", "entity", "exit", "file", "for", "function", "generate", "generic", "group", "guarded",
    "if", "impure", "in", "inertial", "inout", "is", "label", "library", "linkage", "literal", "loop", "map", "mod",
    "nand", "new", "next", "nor", "not", "null", "of", "on", "open", "or", "others", "out", "package", "port",
    "postponed", "procedure", "process", "pure", "range", "record", "register", "reject", "rem", "report",
    "return", "rol", "ror", "select", "severity", "signal", "shared", "sla", "sll", "sra", "srl", "subtype", "then",
    "to", "transport", "type", "unaffected", "units", "until", "use", "variable", "wait", "when", "while", "with",
    "xnor", "xor",
    // BSDL's own words: types, cell functions, safe and disable values,
    // registers, clock levels and the standard's names
    "bit", "bit_vector", "string", "true", "false", "input", "output", "output2", "output3", "control",
    "controlr", "internal", "clock", "bidir", "observe_only", "x", "z", "weak0", "weak1", "pull0", "pull1",
    "keeper", "boundary", "bypass", "device_id", "both", "low", "physical_pin_map", "std_1149_1_1990",
    "std_1149_1_1993", "std_1149_1_1994", "std_1149_1_2001", "bc_0", "bc_1", "bc_2", "bc_3", "bc_4", "bc_5",
    "bc_6", "bc_7", "bc_8", "bc_9", "bc_10", "pin_map_string", "cell_info", "cell_type", "differential_voltage",
    "differential_current",
};

}  // namespace

bool bsdl_reserved_word(const std::string& name) {
    static const std::set<std::string> words(std::begin(kReserved), std::end(kReserved));
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return words.count(lower) > 0;
}

std::string bsdl_identifier(const std::string& name) {
    std::string s;
    for (char c : name) {
        const bool word = std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80;
        const char put = word ? c : '_';
        if (put == '_' && (s.empty() || s.back() == '_')) continue;
        s.push_back(put);
    }
    while (!s.empty() && s.back() == '_') s.pop_back();
    if (s.empty()) return "P";
    if (!std::isalpha(static_cast<unsigned char>(s[0]))) s = "P_" + s;
    if (bsdl_reserved_word(s)) s += "_P";
    return s;
}

std::string bsdl_entity_name(const std::string& name) { return bsdl_identifier(name); }

std::string bsdl_port_reference(const std::string& package_name) {
    SplitName n = split_name(strip_minus(package_name.c_str()));
    for (const auto& p : Port_header) {
        if (p.name != n.base) continue;
        if (p.multi) return p.bsdl;
        if (n.has_index && n.bit < 0) return {};
        return bit_reference(p, n.has_index ? n.bit : p.bits.front().index);
    }
    return {};
}

const char* bsdl_port_source(const PinListEntry& row) {
    return option_check[BSDL_OPT_VERIFY] ? row.core_name : row.io_name;
}

std::string get_port_func(int port) {
    const std::string name = port_name(port);
    BufTabEntry& row = BUF_TAB.back();
    int pad = -1;
    if (port >= 0) {
        int other = find_adjacent_node(port_tab[port].node);
        if (other >= 0 && node_tab[other].object >= 0) pad = node_tab[other].object;
    }
    if (pad < 0) qdx_printf("WARNING: Port '%s' is floating!\n\n", name.c_str());
    const char* pad_cell = pad >= 0 ? SDB_class_name_of(pad) : "*UNDEF*";
    const int d = port >= 0 ? (port_tab[port].direction & 3) : 3;
    static const char* const by_dir[] = {"out", "inout", "in", nullptr};

    BufferEntry* buf = pad >= 0 ? get_buffer(pad_cell) : nullptr;
    if (buf) {
        row.pad_obj = pad;
        const char* f = buf->function;
        const std::string inst = SDB_obj_name(sdb, pad) ? SDB_obj_name(sdb, pad) : "*UNDEF*";
        std::string result;
        // The warning of a port whose direction disagrees with its pad.
        auto disagree = [&](const char* pad_kind, const char* instead) {
            const char* dir_text = d == 0 ? "output port " : d == 1 ? "bidirectional port " : "input port ";
            qdx_printf("WARNING: %s'%s' connects to %s '%s'(%s).\n", dir_text, name.c_str(), pad_kind, inst.c_str(),
                       pad_cell);
            qdx_printf("         Please check file '%s' & '%s'.\n", BS_LIB_FILE.c_str(), sdb_path());
            const char* as = d == 2 ? "'in' " : d == 0 ? "'out' " : "'inout' ";
            qdx_printf("         Port '%s' will be assigned to %sinstead of '%s'.\n\n", name.c_str(), as, instead);
        };
        const bool has_enable = buf->en_l || buf->en_h;
        const bool enable_is_data = buf->input && ((buf->en_l && std::strcmp(buf->en_l, buf->input) == 0) ||
                                                   (buf->en_h && std::strcmp(buf->en_h, buf->input) == 0));
        if (!f) {
            if (d != 3) result = by_dir[d];
        } else if (STR_ucomp(f, "in") == 0 || STR_ucomp(f, "clock") == 0) {
            const bool clock = STR_ucomp(f, "clock") == 0;
            if (d == 2) {
                result = "in";
            } else if (d != 3) {
                disagree(clock ? "clock pad" : "input pad", "in");
                result = by_dir[d];
            }
        } else if (STR_ucomp(f, "out") == 0) {
            if (d == 0) {
                result = (!has_enable || enable_is_data) ? "buffer" : "out";
                if (GLOBAL_TDO && name == GLOBAL_TDO) result = "out";
            } else if (d != 3) {
                disagree("output pad", "out");
                result = by_dir[d];
            }
        } else if (STR_ucomp(f, "inout") == 0) {
            if (d == 1) {
                result = "inout";
            } else if (d != 3) {
                disagree("inout pad", "inout");
                result = by_dir[d];
            }
        } else if (STR_ucomp(f, "buf") == 0 || STR_ucomp(f, "inv") == 0) {
            const char* dir_text = d == 0 ? "output " : d == 1 ? "bidirectional " : "input ";
            qdx_printf("WARNING: %sport '%s' connects to an internal buffer.\n", dir_text, name.c_str());
            qdx_printf("       Legal functions are 'in', 'out' 'clock' and 'inout'.\n\n");
            if (d != 3) result = by_dir[d];
        } else {
            qdx_exit_printf(-1,
                            "ERROR: (%s) %%BUFFER '%s' has illegal function %s.\n"
                            "       Legal functions are 'in', 'out' 'clock' and 'inout'.\n\n",
                            BS_LIB_FILE.c_str(), buf->name, f);
        }
        // A port of unknown direction on a pad: the pad's own function
        // where it names one, else linkage.
        if (result.empty()) {
            if (f && (STR_ucomp(f, "in") == 0 || STR_ucomp(f, "clock") == 0))
                result = "in";
            else if (f && STR_ucomp(f, "out") == 0)
                result = (!has_enable || enable_is_data) ? "buffer" : "out";
            else if (f && STR_ucomp(f, "inout") == 0)
                result = "inout";
            else
                result = "linkage";
        }
        if (result != "linkage") row.function = result;
        return result;
    }

    if (!option_check[BSDL_OPT_NO_PAD]) {
        if (!skip_signal(name.c_str())) {
            qdx_printf("WARNING: port '%s' wasn't connected to any IO pads.\n", name.c_str());
            qdx_printf("         Port '%s' will be viewed as a skip signal.\n\n", name.c_str());
        }
    } else {
        int other = port >= 0 ? find_adjacent_node(port_tab[port].node) : -1;
        row.pad_obj = other >= 0 ? node_tab[other].object : -1;
        if (d != 3) row.function = by_dir[d];
    }
    if (d != 3) return by_dir[d];
    qdx_printf("WARNING: can't find function type of port '%s'.\n", name.c_str());
    qdx_printf("         port '%s' was treated as 'linkage'.\n\n", name.c_str());
    return "linkage";
}

void create_BUF_TAB() {
    BUF_TAB.clear();
    Port_header.clear();
    Package_list.clear();

    // Ports by the base of their bus names, for core names without index.
    std::unordered_map<std::string, std::vector<int>> by_base;
    for (int p = 0; p < port_count; ++p) {
        if (port_tab[p].name < 0) continue;
        const char* n = SYM_get(sym_tab, port_tab[p].name);
        if (!n) continue;
        if (const char* b = std::strchr(n, '[')) by_base[std::string(n, b)].push_back(p);
    }

    PortList header{Port_header, {}};
    for (int r = 0, nr = DYNA_count(PIN_TABLE); r < nr; ++r) {
        const PinListEntry* row = PIN_TABLE[r];
        const char* C = row->core_name;
        const char* P = row->io_name;
        if (!bsdl_port_source(*row)) continue;
        if (P && (std::strcmp(P, "INTERNAL") == 0 || std::strcmp(P, "OBSERVE") == 0)) {
            const std::string c = C ? C : "";
            const size_t open = c.find('{');
            const size_t close = c.find('}', open == std::string::npos ? 0 : open);
            BufTabEntry e;
            e.core_name = c.substr(0, open);
            if (open != std::string::npos)
                e.bsdl_name = c.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
            e.function = std::strcmp(P, "INTERNAL") == 0 ? "internal" : "observe_only";
            e.enable = row->pad_enable;
            e.pad_obj = SDB_nl_search_obj(e.core_name.c_str());
            if (e.pad_obj < 0) {
                qdx_exit_printf(-1, "ERROR: can not find instance '%s' in '%s' file.\n", e.core_name.c_str(),
                                sdb_path());
            }
            BUF_TAB.push_back(e);
            continue;
        }
        const std::string source = strip_minus(bsdl_port_source(*row));
        const std::string core = strip_minus(C);
        const int port = C ? find_design_port(core, by_base) : -1;
        SplitName n = split_name(source);
        PortHeaderEntry& h = add_bit(header, n, row->number ? row->number : "", {PIN_FILE, row->line});
        PortBitEntry& bit = h.bits.back();
        if (port < 0) {
            if (C)
                qdx_printf("WARNING: can't find port '%s' in sdb file '%s'.\n         ", C, sdb_path());
            else
                qdx_printf("WARNING: ");
            qdx_printf("Function of port '%s' was treated as 'linkage'.\n\n", n.base.c_str());
            bit.function = "linkage";
            continue;
        }
        BufTabEntry e;
        e.bsdl_name = n.has_index ? n.base + "(" + n.index + ")" : n.base;
        e.core_name = core;
        e.base = n.base;
        e.index = n.bit;
        BUF_TAB.push_back(e);
        bit.function = get_port_func(port);
        BUF_TAB.back().enable = row->pad_enable;
    }

    for (auto& p : Port_header) decide_form(p);
    check_names_unique();
    warn_renamed_ports();
    // The register rows name each bit as the port list declares it.
    for (auto& e : BUF_TAB) {
        if (e.base.empty()) continue;
        if (PortHeaderEntry* p = header.find(e.base))
            e.bsdl_name = bit_reference(*p, p->bits.size() == 1 ? p->bits[0].index : e.index);
    }

    std::unordered_set<std::string> declared;  // the ports' names, upper case
    for (const auto& h : Port_header) declared.insert(upper(h.name));
    for (const PackageEntry* pkg = PACKAGE_TABLE; pkg; pkg = pkg->next) {
        PackageListEntry list{pkg->type ? pkg->type : "", {}};
        PortList ports{list.ports, {}};
        for (const PackagePinEntry* pin = pkg->first; pin; pin = pin->next) {
            if (!pin->io_name) continue;
            add_bit(ports, split_name(strip_minus(pin->io_name)), pin->number ? pin->number : "",
                    {pkg->file_name, pin->line});
        }
        for (auto& p : list.ports)
            if (p.multi)
                for (size_t i = 0; i < p.bits.size(); ++i) p.bits[i].index = static_cast<int>(i) + 1;
        if (list.ports.size() != Port_header.size())
            qdx_printf("WARNING: The port number of package '%s' can not match port declaration.\n",
                       list.package.c_str());
        for (const auto& p : list.ports) {
            if (!declared.count(upper(p.name)))
                qdx_printf("WARNING: The port '%s' of package '%s' was undefined.\n", p.name.c_str(),
                           list.package.c_str());
        }
        Package_list.push_back(std::move(list));
    }
}

void insert_port() {
    const std::string ten(10, ' ');
    // Each declaration: name, function, range (empty for a bit).
    struct Decl {
        std::string name, function, range;
    };
    std::vector<Decl> decls;
    for (const auto& p : Port_header) {
        if (p.bits.size() == 1) {
            decls.push_back({p.bsdl, p.bits[0].function, {}});
        } else if (p.split) {
            for (const auto& b : p.bits) decls.push_back({bit_reference(p, b.index), b.function, {}});
        } else {
            decls.push_back({p.bsdl, p.bits[0].function,
                             "(" + std::to_string(p.bits.front().index) + " to " + std::to_string(p.bits.back().index) +
                                 ")"});
        }
    }
    for (size_t i = 0; i < decls.size(); ++i) {
        const Decl& d = decls[i];
        std::fprintf(BSD_FILE, "%s%s: %s %s", ten.c_str(), d.name.c_str(), d.function.c_str(),
                     d.range.empty() ? "bit" : ("bit_vector" + d.range).c_str());
        std::fputs(i + 1 == decls.size() ? "\n" : ";\n", BSD_FILE);
    }
}

void insert_pin() { print_port_pins(Port_header); }

void insert_package_pin_map() {
    for (const auto& pkg : Package_list) {
        std::fprintf(BSD_FILE, "  constant %s:PIN_MAP_STRING:=\n", bsdl_identifier(pkg.package).c_str());
        print_port_pins(pkg.ports);
    }
}
