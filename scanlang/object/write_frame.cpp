// The DFT file writer's frame: the entry, the header, the order of the
// sections and the comment printers.
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/dyna.h"
#include "runtime/process.h"
#include "scanlang/front/keywords.h"
#include "scanlang/front/scanner.h"
#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

int not_print_self_comment_flag = 0;

namespace {

// The first line of the header, and the notice line under it.
constexpr std::string_view kHeaderFilePrefix = "// File : ";
constexpr const char* kHeaderNotice = "// Written back from its DFT object by the kestrand DFT file writer";

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y)) return false;
    }
    return true;
}

// A comment line this writer prints itself: a section banner.  Read back
// from an earlier output, such a line is not a user's comment, so with
// the flag set it is dropped instead of printed again (the writer prints
// it anew), and comments do not multiply.  The header is told by its
// place instead (see header_records).
bool is_own_line(const char* line) {
    const std::string_view text(line);
    // The banner in front of %SCAN_MODIFY_CMD is written with or without
    // the flag, so it is never a user's comment.
    if (equal_ignoring_case(text, kBannerReadMap)) return true;
    if (text == kTrailerBistType) return true;
    if (text == kTrailerFaultOrder) return true;
    if (not_print_self_comment_flag != 1) return false;
    for (const char* banner : kDftWriterBanners)
        if (equal_ignoring_case(text, banner)) return true;
    return false;
}

// True when the record is a comment of one "//" line holding `text`
// whole, or beginning with it when `prefix`.
bool is_line_comment(const ScanCommentRecord& r, int line, std::string_view text, bool prefix) {
    if (r.line != line || r.line_count != 1 || !r.lines || !r.lines[0]) return false;
    const std::string_view first(r.lines[0]);
    return prefix ? first.substr(0, text.size()) == text : first == text;
}

// The number of saved comments that are the header this writer wrote
// (2), or 0: the file's first two lines, each a "//" comment of its own,
// the first naming the file and the second the notice.  A "// File : "
// line anywhere else (a user's comment, a line inside a block comment)
// is the input's and is kept.
int header_records(const ScanCommentRecord* comments) {
    if (not_print_self_comment_flag != 1 || DYNA_count(comments) < 2) return 0;
    return is_line_comment(comments[0], 1, kHeaderFilePrefix, true) &&
                   is_line_comment(comments[1], 2, kHeaderNotice, false)
               ? 2
               : 0;
}

// Prints one saved comment, `indent` blanks before its first printed line,
// and marks it printed.
// The bytes written as saved comments so far in this write: a block
// holding only comments holds no statement (see dft_block_end).
long comment_bytes = 0;

void print_comment_record(FILE* out, ScanCommentRecord& record, int indent, const char* first_lead = "") {
    const long before = std::ftell(out);
    bool first = true;
    for (int i = 0; i < record.line_count; ++i) {
        const char* line = record.lines[i];
        if (is_own_line(line)) continue;
        if (first) std::fprintf(out, "%*s%s", indent, "", first_lead);
        first = false;
        std::fprintf(out, "%s\n", line);
    }
    record.printed = 1;
    const long after = std::ftell(out);
    if (before >= 0 && after >= before) comment_bytes += after - before;
}

bool is_section_keyword(int token) {
    switch (token) {
    case TK_ATPG_MODE: case TK_SEQUENCE: case TK_TEST_CONVERSION: case TK_CONNECT_BIST: case TK_CONNECT_SCAN:
    case TK_INSTRUCTION: case TK_PLL_CLOCK_FIX: case TK_ATPG_CONSTRAINTS: case TK_SELECT_FAULT:
    case TK_SCAN_DECODER: case TK_READ_MAP: case TK_GRISTEL_INFO: case TK_TDDM_TDM_INFO: case TK_TDDM_GROUP:
    case TK_TDM_GROUP: case TK_WRAPPER: case TK_DEF_INFO: case TK_WRAPPER_CHAIN: case TK_LOCKUP_LATCH_FILE:
    case TK_SCAN_MODIFY_CMD: case TK_SELECT_SCAN: case TK_CLOCK_PERIOD: case TK_CORE: case TK_TEST_FILES:
    case TK_SCAN_MODULE: case TK_TA_CONSTRAINTS:
        return true;
    default:
        return false;
    }
}

bool is_statement_keyword(int token) {
    switch (token) {
    case TK_FORCE: case TK_WRAPPER_CELL: case TK_SPEED_RATIO: case TK_FORCE_CLOCK: case TK_RESET:
    case TK_RESET_DISABLE: case TK_RAM: case TK_SET: case TK_SET_DISABLE: case TK_CLOCK: case TK_NAME:
    case TK_MBIST_FILE: case TK_LBIST_FILE: case TK_BSD_FILE: case TK_MACRO_TEST: case TK_BIST_CLOCK:
    case TK_BIST_SELECT_N: case TK_BIST_CLOCK_N: case TK_SEED: case TK_PARTITION: case TK_GLOBAL_CLOCK:
    case TK_GLOBAL_SELECT: case TK_SCAN_SELECT_N: case TK_SCAN_CLOCK: case TK_ISOLATE_MOD: case TK_ISOLATE_RAM:
    case TK_ISOLATE_REG: case TK_ILLEGAL_INPUTS: case TK_LEGAL_INPUTS: case TK_LBRACE: case TK_RBRACE:
        return true;
    default:
        return false;
    }
}

// The saved comments of the current object's own file (none without an
// object or comments).
ScanCommentRecord* object_comments() { return DFT_OBJECT ? DFT_OBJECT->comments.get() : nullptr; }

}  // namespace

void print_start_comment(FILE* out) {
    ScanCommentRecord* comments = object_comments();
    const int n = DYNA_count(comments);
    if (n == 0 || comments[0].line != 0) return;
    print_comment_record(out, comments[0], 0, "   ");
    comments[0].token = 0;
    for (int i = 1; i < n && comments[i].line == comments[i - 1].line + 1; ++i) {
        print_comment_record(out, comments[i], 0);
        comments[i].token = 0;
    }
}

void print_dft_comment(int token, FILE* out, int indent, int first_line, int last_line, int limit_line,
                       int block_token) {
    ScanCommentRecord* comments = object_comments();
    const int n = DYNA_count(comments);
    for (int i = 0; i < n; ++i) {
        ScanCommentRecord& r = comments[i];
        if (r.token != token) continue;
        bool take;
        if (is_section_keyword(token)) {
            take = r.line <= first_line && !r.printed;
        } else if (is_statement_keyword(token)) {
            take = first_line <= r.line && r.line <= last_line && r.line <= limit_line && !r.printed;
            if (token == TK_LBRACE || token == TK_RBRACE) take = take && r.block_token == block_token;
        } else {
            // A comment printed once in this write is not printed again,
            // though several statements of one window share its token.
            take = first_line <= r.line && r.line <= last_line && !r.printed;
        }
        if (take) print_comment_record(out, r, indent);
    }
}

std::string dft_real_text(double value, int decimals) {
    // Room for any double in plain notation: the 309 digits of the
    // largest, or the point, the 323 zeros and the digit of the smallest,
    // with the sign and the decimals asked for.
    constexpr std::size_t kRoom = 400;
    std::string text(kRoom + static_cast<std::size_t>(decimals), '\0');
    char* const first = text.data();
    char* const last = first + text.size();
    std::to_chars_result r = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    text.resize(static_cast<std::size_t>(r.ptr - first));
    if (std::strtod(text.c_str(), nullptr) == value) return text;
    text.resize(static_cast<std::size_t>(last - first));
    r = std::to_chars(first, last, value, std::chars_format::fixed);
    text.resize(static_cast<std::size_t>(r.ptr - first));
    // A shortest text is never a whole number here (whole numbers are
    // exact with the decimals), so it always has its decimal point.
    return text;
}

std::string dft_string_text(const std::string& value, bool blank_follows) {
    std::string text;
    text.reserve(value.size() + 2);
    bool literal = false;  // inside a backslash run
    for (char c : value) {
        if (c == '\\') literal = true;
        if (c == ' ') literal = false;
        if (c == '"' && !literal) text += '"';
        text += c;
    }
    if (!blank_follows && !value.empty() && (literal || value.back() == ' ')) text += ' ';
    return text;
}

std::string dft_name_text(const std::string& name, bool blank_follows) {
    if (!name.empty() && name.front() == '\\' && !blank_follows) return name + " ";
    return name;
}

namespace {

// True when `pin`, written between braces, reads back as one name: an
// escaped name, or a word that is no keyword and that the scanner
// neither cuts (at a parenthesis) nor reads as a number.  A word of
// "%" is left out whole: the numbered keywords start so.
bool reads_as_pin(const std::string& pin) {
    if (pin.empty()) return false;
    if (pin.front() == '\\') return true;
    constexpr std::string_view kFirst = "_#$&@", kMore = "_#$%&@!*+-./:<>[\\]^|";
    const auto in = [](std::string_view set, char c) { return set.find(c) != std::string_view::npos; };
    if (!std::isalpha(static_cast<unsigned char>(pin.front())) && !in(kFirst, pin.front())) return false;
    for (char c : pin)
        if (!std::isalnum(static_cast<unsigned char>(c)) && !in(kMore, c)) return false;
    return keyword_lookup(pin) <= 0;
}

}  // namespace

std::string dft_pin_ref_text(const std::string& ref, bool blank_follows) {
    // A plain instance holds no brace, so the first brace opens the pin.
    const std::size_t brace = ref.find('{');
    if (brace == std::string::npos || brace == 0 || ref.back() != '}') return dft_name_text(ref, blank_follows);
    const std::string pin = ref.substr(brace + 1, ref.size() - brace - 2);
    if (!reads_as_pin(pin)) return dft_name_text(ref, blank_follows);
    // An escaped instance ends at the blank before its brace, an escaped
    // pin at the blank before the closing brace.
    const std::string instance = ref.substr(0, brace);
    std::string text = instance.front() == '\\' ? instance + " {" : instance + "{";
    text += pin.front() == '\\' ? pin + " }" : pin + "}";
    return text;
}

std::string dft_pattern_text(const std::string& pattern) { return pattern.empty() ? "\t" : pattern; }

void print_dft_dont_fix(FILE* stream, const char* lead, const std::vector<DontFixEntry>& pairs) {
    std::fputs(lead, stream);
    for (const DontFixEntry& d : pairs)
        std::fprintf(stream, " %s{%s}", dft_name_text(d.name).c_str(), dft_name_text(d.value).c_str());
    std::fputs(" ;\n", stream);
}

// Positions counted without the saved comments: a comment written in a
// block whose statements all read as not given leaves it as empty.
long dft_block_start(FILE* stream) {
    const long at = std::ftell(stream);
    return at < 0 ? at : at - comment_bytes;
}

void dft_block_end(FILE* stream, long start, const char* fallback) {
    const long at = std::ftell(stream);
    if (start >= 0 && at >= 0 && at - comment_bytes == start) std::fputs(fallback, stream);
}

void print_dft_value_lines(FILE* stream, std::initializer_list<DftValueLine> lines, int indent, int first_line,
                           int last_line, bool comments) {
    for (const DftValueLine& l : lines) {
        if (l.value.empty()) continue;
        if (comments) print_dft_comment(l.token, stream, indent, first_line, last_line, l.line, 0);
        std::fprintf(stream, l.format, l.value.c_str());
    }
}

void print_end_comment(FILE* out) {
    ScanCommentRecord* comments = object_comments();
    const int n = DYNA_count(comments);
    for (int i = 0; i < n; ++i) {
        ScanCommentRecord& r = comments[i];
        if (r.printed || r.token == TK_ILLEGAL_INPUTS || r.token == TK_LEGAL_INPUTS) continue;
        print_comment_record(out, r, 0);
    }
}

void print_scan_object_to_file(FILE* out, int flag) {
    if (!DFT_OBJECT) return;
    // Every write starts with every saved comment unprinted, so a second
    // write of the same object keeps its comments too; the header of an
    // earlier write is left out (this write prints its own).
    ScanCommentRecord* comments = object_comments();
    const int header = header_records(comments);
    for (int i = 0, n = DYNA_count(comments); i < n; ++i) comments[i].printed = i < header;
    comment_bytes = 0;
    const DftObject& o = *DFT_OBJECT;
    print_start_comment(out);
    std::fputs("\n", out);
    write_select_scan(out, o, flag);
    write_sequences(out, o, flag);
    write_wrapper(out, o, flag);
    write_gristel_info(out, o, flag);
    write_def_info(out, o, flag);
    write_clock_period(out, o, flag);
    write_cores(out, o, flag);
    write_test_schedule(out, o);
    write_test_files(out, o, flag);
    write_mbist(out, o, flag);
    write_instructions(out, o, flag);
    write_pll_and_files(out, o, flag);
    write_connections(out, o, flag);
    write_atpg_constraints(out, o, flag);
    write_select_fault(out, o, flag);
    write_test_conversion(out, o, flag);
    write_scan_decoder(out, o, flag);
    write_ta_and_lists(out, o);
    write_fennox(out, o);
    print_end_comment(out);
}

bool PRINT_SCAN_OBJECT(const std::string& file, int flag) {
    not_print_self_comment_flag = flag;
    if (!DFT_OBJECT) return false;
    AtomicFile output(file);
    if (!output.open()) {
        std::fprintf(stderr, "Error: Can't open '%s'\n", file.c_str());
        return false;
    }
    FILE* out = output.stream();
    if (flag) std::fprintf(out, "%s%s\n%s\n\n\n", kHeaderFilePrefix.data(), file.c_str(), kHeaderNotice);
    print_scan_object_to_file(out, flag);
    if (!output.commit()) {
        std::fprintf(stderr, "Error: Can't write '%s': %s\n", file.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}
