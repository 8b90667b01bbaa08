// The syntax-tree value readers and the look-ups by name.
#include "scanlang/object/readers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "runtime/frame/frame.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/seman.h"
#include "scanlang/object/object_state.h"

namespace {

std::string text_of(const ScanAstNode* n) { return n && n->attribute ? n->attribute : ""; }

const ScanAstNode* second_child(const ScanAstNode* n) { return n && n->child ? n->child->sibling : nullptr; }

TextList child_texts(const ScanAstNode* n) { return n ? GET_IDENT1_LIST(n->child) : TextList{}; }

[[noreturn]] void value_error(const ScanAstNode* node, const std::string& what) {
    map_fatal_stderr("ERROR : '" + map_error_file() + "', line-" + std::to_string(node ? node->line : 0) + ", " +
                     what + ".\n");
}

// A whole decimal integer ("+" or "-" allowed in front) that fits an int.
int checked_int(const ScanAstNode* node, std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size())
        value_error(node, "'" + std::string(text) + "' is not a number");
    if (ec == std::errc::result_out_of_range) value_error(node, "the number '" + std::string(text) + "' is out of range");
    return value;
}

// Decimal digits with at most one point, read exactly as mantissa and
// count of digits after the point; false when the text is not that.
bool decimal_parts(std::string_view text, long long* mantissa, int* decimals) {
    constexpr long long kMaxMantissa = 1LL << 53;  // exact in a double
    *mantissa = 0;
    *decimals = 0;
    bool point = false, digit = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        digit = true;
        if (*mantissa > kMaxMantissa / 10) return false;
        *mantissa = *mantissa * 10 + (c - '0');
        if (point) ++*decimals;
    }
    return digit && *decimals <= 20;
}

// "12.5%" as the fraction 0.125.
double percentage_fraction(const ScanAstNode* node) {
    const std::string text = text_of(node);
    std::string_view number(text);
    if (!number.empty() && number.back() == '%') number.remove_suffix(1);
    long long mantissa = 0;
    int decimals = 0;
    if (!decimal_parts(number, &mantissa, &decimals)) value_error(node, "'" + text + "' is not a percentage");
    double scale = std::pow(10.0, decimals + 2);  // exact for these exponents
    if (static_cast<double>(mantissa) > 100.0 * std::pow(10.0, decimals))
        value_error(node, "the percentage '" + text + "' is out of range");
    return static_cast<double>(mantissa) / scale;
}

std::vector<double> reals_of(const ScanAstNode* chain) {
    std::vector<double> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) out.push_back(map_node_real(n));
    return out;
}

std::vector<CaptureClockRecord> clocks_of_kind(const ScanAstNode* chain, int kind) {
    std::vector<CaptureClockRecord> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling)
        if (n->kind == kind) out.push_back({text_of(n->child), text_of(second_child(n)), n->line});
    return out;
}

const ScanAstNode* child_of_kind(const ScanAstNode* n, int kind) { return n ? SCAN_FIND_AST(n->child, kind) : nullptr; }

// The clock times of a timing block: the first not below 0, the others
// above 0.
void check_clock_times(const std::vector<PinRecord>& pins, const ScanAstNode* node, const char* clock) {
    if (pins.empty()) return;
    const std::vector<double>& times = pins.front().times;
    char buf[128];
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (i == 0 && times[i] < 0) {
            std::snprintf(buf, sizeof buf, "ERROR: line %d, %s time1 (%.2f) must be greater than or equal 0.\n",
                          node->line, clock, times[i]);
            map_fatal_stderr(buf);
        }
        if (i > 0 && times[i] <= 0) {
            std::snprintf(buf, sizeof buf, "ERROR: line %d, %s time2 (%.2f) must be greater than 0.\n", node->line,
                          clock, times[i]);
            map_fatal_stderr(buf);
        }
    }
}

// The leading decimal digits of `p` (0 without), capped at INT_MAX.
int leading_number(const char* p) {
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = std::min<long long>(v * 10 + (*p - '0'), INT_MAX);
    return static_cast<int>(v);
}

}  // namespace

// ---------------------------------------------------------- value errors

void map_fatal_stderr(const std::string& message) { scan_fatal_message(message); }

void map_fatal_stdout(const std::string& message) { qdx_exit_printf(-1, "%s", message.c_str()); }

void report_core_without_dft_file(const std::string& core_name) {
    if (core_name.empty()) map_fatal_stdout("ERROR: Please specify dft file of core in top module dft file.\n");
    map_fatal_stdout("ERROR: Please specify dft file of core '" + core_name + "' in top module dft file.\n");
}

std::string map_error_file() { return dft_file_name.empty() ? in_file_name : dft_file_name; }

// --------------------------------------------------------------- numbers

int map_node_int(const ScanAstNode* node) { return checked_int(node, text_of(node)); }

double map_node_real(const ScanAstNode* node) {
    const std::string text = text_of(node);
    char* end = nullptr;
    double value = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') value_error(node, "'" + text + "' is not a number");
    if (!std::isfinite(value)) value_error(node, "the number '" + text + "' is out of range");
    return value;
}

std::optional<ValueRecord> GET_VALUE(const ScanAstNode* node) {
    if (!node) return std::nullopt;
    ValueRecord v;
    if (node->kind == NUMBER_NODE)
        v.integer = map_node_int(node);
    else if (node->kind == PERCENTAGE_NODE)
        v.real = percentage_fraction(node);
    else
        tree_error();
    return v;
}

// ------------------------------------------------------------ name lists

TextList GET_IDENT1_LIST(const ScanAstNode* chain) {
    TextList out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) out.push_back(text_of(n));
    return out;
}

std::vector<Ident2Record> GET_IDENT2_LIST(const ScanAstNode* chain) {
    std::vector<Ident2Record> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) out.push_back({text_of(n->child), text_of(second_child(n)), n->line});
    return out;
}

std::vector<OneIdent1ListNode> GET_ONE_IDENT1_LIST(const ScanAstNode* chain) {
    std::vector<OneIdent1ListNode> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling)
        if (second_child(n)) out.push_back({text_of(n->child), child_texts(second_child(n))});
    return out;
}

std::vector<TwoIdent1ListNode> GET_TWO_IDENT1_LIST(const ScanAstNode* chain) {
    std::vector<TwoIdent1ListNode> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling)
        if (second_child(n)) out.push_back({child_texts(n->child), child_texts(second_child(n)), n->line});
    return out;
}

TextList GET_POWER_IDENT_LIST(const ScanAstNode* node) {
    if (!node || !node->child) return {};
    if (SCAN_FIND_AST(node->child, DUMMY)) return {std::string()};
    return child_texts(node->child);
}

std::vector<PowerListNode> GET_POWER_LIST(const ScanAstNode* chain) {
    std::vector<PowerListNode> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling)
        if (n->child) out.push_back({GET_POWER_IDENT_LIST(n)});
    return out;
}

// ------------------------------------------------------- numbers, pins

std::vector<int> GET_NUMBER_LIST(const ScanAstNode* chain) {
    std::vector<int> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) out.push_back(map_node_int(n));
    return out;
}

std::vector<double> GET_REAL_NUM_LIST(const ScanAstNode* chain) { return reals_of(chain); }

std::vector<PinRecord> GET_PIN_LIST(const ScanAstNode* chain, int kind) {
    std::vector<PinRecord> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) {
        if (n->kind != kind) continue;
        PinRecord r;
        if (n->child) r.times = reals_of(n->child->child);
        r.pins = child_texts(second_child(n));
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<CaptureClockRecord> GET_CLOCK(const ScanAstNode* chain) { return clocks_of_kind(chain, TEST_C_CLOCK_NODE); }

std::vector<CaptureClockRecord> GET_BIST_CLOCK(const ScanAstNode* chain) {
    return clocks_of_kind(chain, TEST_B_CLOCK_NODE);
}

std::vector<PositionPortRecord> GET_POSITION_PORT(const ScanAstNode* chain) {
    auto position = [](const ScanAstNode* n) {
        int v = map_node_int(n);
        return v == 0 ? -1 : v;
    };
    std::vector<PositionPortRecord> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) {
        PositionPortRecord r;
        const ScanAstNode* c = n->child;
        if (c) r.first_position = position(c);
        if (c && c->sibling) r.first_port = text_of(c->sibling);
        if (SCAN_CHILD_COUNT(n) > 2) {
            const ScanAstNode* third = c->sibling->sibling;
            r.second_position = position(third);
            r.second_port = text_of(third->sibling);
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<TaIsolateRecord> GET_TA_ISOLATE_LIST(const ScanAstNode* chain) {
    std::vector<TaIsolateRecord> out;
    for (const ScanAstNode* n = chain; n; n = n->sibling) {
        const ScanAstNode* forced = child_of_kind(n, FORCE_PIN_VALUE_LIST_NODE);
        out.push_back({text_of(n->child), forced ? GET_IDENT2_LIST(forced->child) : std::vector<Ident2Record>{},
                       n->line});
    }
    return out;
}

DynArray<DiffPadEntry> GET_DIFF_PAD_LIST(const ScanAstNode* node) {
    if (!node) return std::nullopt;
    std::vector<DiffPadEntry> out;
    for (const ScanAstNode* pad = node->child; pad; pad = pad->sibling) {
        DiffPadEntry e;
        e.name = text_of(pad->child);
        e.name_line = pad->child ? pad->child->line : 0;
        e.line = pad->line;
        if (const ScanAstNode* p = child_of_kind(pad, P_PAD_NODE)) {
            e.p_pad = text_of(p->child);
            e.p_pad_line = p->child ? p->child->line : 0;
        }
        if (const ScanAstNode* q = child_of_kind(pad, N_PAD_NODE)) {
            e.n_pad = text_of(q->child);
            e.n_pad_line = q->child ? q->child->line : 0;
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<SetTimingRecord> GET_SET_TIMING(const ScanAstNode* node) {
    if (!node) return std::nullopt;
    SetTimingRecord r;
    r.line = node->line;
    const ScanAstNode* first = node->child;
    if (const ScanAstNode* cycle = SCAN_FIND_AST(first, CYCLE_NODE)) {
        r.cycle = map_node_int(cycle->child);
        if (r.cycle < 1) map_fatal_stderr("ERROR: line " + std::to_string(cycle->line) +
                                          ", the CYCLE must be greater than 0.\n");
    }
    if (const ScanAstNode* type = SCAN_FIND_AST(first, TYPE_NODE)) r.type = text_of(type->child);
    if (const ScanAstNode* p = SCAN_FIND_AST(first, P_CLOCK_NODE)) {
        r.p_clock = GET_PIN_LIST(p, P_CLOCK_NODE);
        check_clock_times(r.p_clock, p, "P_CLOCK");
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(first, N_CLOCK_NODE)) {
        r.n_clock = GET_PIN_LIST(n, N_CLOCK_NODE);
        check_clock_times(r.n_clock, n, "N_CLOCK");
    }
    if (const ScanAstNode* pi = SCAN_FIND_AST(first, PI_TIME_NODE)) r.pi_time = GET_PIN_LIST(pi, PI_TIME_NODE);
    if (const ScanAstNode* po = SCAN_FIND_AST(first, PO_TIME_NODE)) r.po_time = GET_PIN_LIST(po, PO_TIME_NODE);
    if (const ScanAstNode* io = SCAN_FIND_AST(first, IO_TIME_NODE)) r.io_time = GET_PIN_LIST(io, IO_TIME_NODE);
    if (const ScanAstNode* d = SCAN_FIND_AST(first, D_PI_TIME_NODE)) r.default_pi_time = map_node_real(d->child);
    if (const ScanAstNode* d = SCAN_FIND_AST(first, D_PO_TIME_NODE)) r.default_po_time = map_node_real(d->child);
    if (const ScanAstNode* d = SCAN_FIND_AST(first, D_IO_TIME_NODE))
        r.default_io_times = d->child ? reals_of(d->child->child) : std::vector<double>{};
    if (const ScanAstNode* p = SCAN_FIND_AST(first, PRECISION_NODE)) r.precision = map_node_int(p->child);
    return r;
}

// ------------------------------------------------------------- look-ups

const SequenceRecord* SCAN_FIND_SEQUENCE(const std::string& name) {
    if (!DFT_OBJECT || name.empty()) return nullptr;
    for (const SequenceRecord& s : DFT_OBJECT->sequences)
        if (s.name == name) return &s;
    return nullptr;
}

const SequenceRecord* SL_SEARCH_SEQUENCE(const char* name) { return name ? SCAN_FIND_SEQUENCE(name) : nullptr; }

const InstructionRecord* SCAN_FIND_INSTRUCTION(const std::string& name) {
    if (!DFT_OBJECT || name.empty()) return nullptr;
    for (const InstructionRecord& i : DFT_OBJECT->instructions)
        if (i.name == name) return &i;
    return nullptr;
}

int sl_get_Q_number(const char* name) {
    if (!name || name[0] != 'Q') return 0;
    return leading_number(name + 1);
}

int sl_get_S_number(const char* name) {
    if (!name) return 0;
    for (const char* p = name; *p; ++p)
        if (p[0] == '_' && p[1] == 'S') return leading_number(p + 2);
    return 0;
}

int set_instr_type(const ScanAstNode* node) {
    if (!node) return STEP_OTHER;
    switch (node->kind) {
    case MODE_NODE: return STEP_MODE;
    case PREAMBLE_NODE: return STEP_PREAMBLE;
    case SHIFT_NODE: return STEP_SHIFT;
    case PROPAGATE_NODE: return STEP_PROPAGATE;
    case HOLD_NODE: return STEP_HOLD;
    case RUNBIST_NODE: return STEP_RUNBIST;
    case CAPTURE_NODE: return STEP_CAPTURE;
    case POSTAMBLE_NODE: return STEP_POSTAMBLE;
    case RAM_WRITE_NODE: return STEP_RAM_WRITE;
    case EXTRA_SEQ_NODE: return STEP_EXTRA_SEQ;
    default: return STEP_OTHER;
    }
}

int sl_port_info_count() {
    return DFT_OBJECT && DFT_OBJECT->port_info ? static_cast<int>(DFT_OBJECT->port_info->size()) : 0;
}

int sl_port_info_port_map_count(int i) {
    if (i < 0 || i >= sl_port_info_count()) return 0;
    const PortInfoEntry& e = (*DFT_OBJECT->port_info)[i];
    return e.port_maps ? static_cast<int>(e.port_maps->size()) : 0;
}

int sl_port_info_port_map_pin_count(int i, int j) {
    if (j < 0 || j >= sl_port_info_port_map_count(i)) return 0;
    const PortPadEntry& pair = (*(*DFT_OBJECT->port_info)[i].port_maps)[j];
    return pair.names ? static_cast<int>(pair.names->size()) : 0;
}
