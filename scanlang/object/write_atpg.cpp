// The DFT file writer's %ATPG_CONSTRAINTS section: the constraints that
// test generation must respect, one block per ATPG mode.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// Prints the saved comments of one statement of the current mode.
struct ModeComments {
    FILE* out;
    int kw;
    int end;
    void operator()(int token, int indent, int limit = 0, int block = 0) const {
        print_dft_comment(token, out, indent, kw, end, limit, block);
    }
};

// A list of names after its keyword: the first on the keyword's line, each
// further one on a line of its own after `pad` blanks; the last ends in ";".
void print_name_list(FILE* out, const TextList& names, int pad) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* tail = i + 1 < names.size() ? " ,\n" : " ;\n";
        if (i == 0) std::fprintf(out, "  %s%s", names[i].c_str(), tail);
        else std::fprintf(out, "%*s%s%s", pad, "", names[i].c_str(), tail);
    }
}

void print_names_statement(FILE* out, const ModeComments& comment, int token, const char* keyword,
                           const TextList& names, int pad) {
    if (names.empty()) return;
    comment(token, 8);
    std::fputs(keyword, out);
    print_name_list(out, names, pad);
    std::fputs("\n", out);
}

// Name = 'value' items whose "=" stand in one column.
void print_aligned_pairs(FILE* out, const ModeComments& comment, int token, const char* keyword,
                         const std::vector<Ident2Record>& items) {
    std::size_t width = 0;
    for (const Ident2Record& r : items) width = std::max(width, r.first.size());
    for (const Ident2Record& r : items) {
        comment(token, 8, r.line);
        std::fprintf(out, "        %s  %s %*s= '%s' ;\n", keyword, r.first.c_str(),
                     static_cast<int>(width - r.first.size()), "", dft_pattern_text(r.second).c_str());
    }
}

// `quoted`: the format puts the value between double quotes.
void print_pairs(FILE* out, const ModeComments& comment, int token, const char* format,
                 const std::vector<Ident2Record>& items, bool quoted = false) {
    for (const Ident2Record& r : items) {
        comment(token, 8, r.line);
        std::fprintf(out, format, r.first.c_str(),
                     (quoted ? dft_string_text(r.second) : dft_pattern_text(r.second)).c_str());
    }
}

// The names of an entry, " , " between them.
void print_entry_names(FILE* out, const TextList& names) {
    for (std::size_t i = 0; i < names.size(); ++i) std::fprintf(out, i == 0 ? " %s" : " , %s", names[i].c_str());
}

// An input-pattern statement: the names, then the patterns, the further
// patterns on lines of their own under the first.
void print_input_patterns(FILE* out, const ModeComments& comment, int token, const char* keyword, int pad,
                          const char* further_lead, const std::vector<TwoIdent1ListNode>& entries) {
    for (const TwoIdent1ListNode& e : entries) {
        comment(token, 8, e.line);
        std::fputs(keyword, out);
        print_entry_names(out, e.first);
        std::fputs(" =", out);
        int c = pad;
        for (std::size_t i = 0; i < e.first.size(); ++i)
            c += static_cast<int>(e.first[i].size()) + (i == 0 ? 0 : 2);
        for (std::size_t i = 0; i < e.second.size(); ++i) {
            const char* tail = i + 1 < e.second.size() ? " ,\n" : " ;\n";
            const std::string pattern = dft_pattern_text(e.second[i]);
            if (i == 0) std::fprintf(out, "  '%s'%s", pattern.c_str(), tail);
            else std::fprintf(out, "%*s%s'%s'%s", c, "", further_lead, pattern.c_str(), tail);
        }
        std::fputs("\n", out);
    }
}

// A statement of names with one value (gray code, RAM read and write).
void print_coded_names(FILE* out, const char* keyword, const TwoIdent1ListNode& e) {
    if (e.first.empty() || e.second.empty()) return;
    std::fputs(keyword, out);
    print_entry_names(out, e.first);
    std::fprintf(out, " = '%s' ;\n", dft_pattern_text(e.second.front()).c_str());
}

// A control cell's class or pin name, in the single quotes the scanner
// skips; bare where quotes would not read back: a name of pattern letters
// would read as a pattern, and an escaped name would take the closing
// quote in.
std::string quoted_name(const std::string& name) {
    if (name.find_first_not_of("01SXZ") == std::string::npos || name.front() == '\\') return name;
    return "'" + name + "'";
}

void write_mode(FILE* out, const AtpgScanOptionRecord& o, int kw, int end) {
    const ModeComments comment{out, kw, end};
    // Written without a name too: the block reads only after the keyword
    // and its (empty) string.
    comment(TK_ATPG_MODE, 5);
    std::fprintf(out, "     %%ATPG_MODE  \" %s \"\n", dft_string_text(o.name).c_str());
    comment(TK_LBRACE, 8, end, TK_ATPG_MODE);
    std::fputs("        {\n", out);
    print_aligned_pairs(out, comment, TK_FORCE, "%FORCE", o.force_list);
    print_aligned_pairs(out, comment, TK_CONTROL, "%CONTROL", o.control_list);
    for (const Ident2Record& r : o.control_cell_list) {
        comment(TK_CONTROL_CELL, 8, r.line);
        std::fputs("        %CONTROL_CELL {\n", out);
        std::fprintf(out, "             %%CLASS_NAME = %s ;\n", quoted_name(r.first).c_str());
        std::fprintf(out, "             %%PIN_NAME = %s ;\n", quoted_name(r.second).c_str());
        std::fputs("        }\n", out);
    }
    if (o.strobe) {
        comment(TK_STROBE, 8, o.strobe->line);
        std::fprintf(out, "        %%STROBE %s = '%s' ;\n", o.strobe->first.c_str(),
                     dft_pattern_text(o.strobe->second).c_str());
    }
    if (o.autosave != -1) {
        comment(TK_AUTOSAVE, 8);
        std::fprintf(out, "        %%AUTOSAVE %d ;\n", o.autosave);
    }
    if (!o.skip_faults.empty()) {
        comment(TK_SKIPFAULTS, 8);
        std::fputs("        %SKIPFAULTS", out);
        for (std::size_t i = 0; i < o.skip_faults.size(); ++i) {
            const char* tail = i + 1 < o.skip_faults.size() ? " ,\n" : " ;\n";
            std::fprintf(out, i == 0 ? "  %d%s" : "                     %d%s", o.skip_faults[i], tail);
        }
        std::fputs("\n", out);
    }
    // The input statements as they were written: the legal patterns the
    // illegal ones imply are derived again when the file is read.
    print_input_patterns(out, comment, TK_ILLEGAL_INPUTS, "        %ILLEGAL_INPUTS", 25, "   ", o.illegal_inputs);
    print_input_patterns(out, comment, TK_LEGAL_INPUTS, "        %LEGAL_INPUTS  ", 23, "     ",
                         o.written_legal_inputs);
    for (const TwoIdent1ListNode& e : o.gray_code) {
        comment(TK_GRAY_CODE, 8, e.line);
        print_coded_names(out, "        %GRAY_CODE", e);
    }
    for (const PowerListNode& e : o.power_on_reset) {
        comment(TK_POWER_ON_RESET, 8);
        std::fputs("        %POWER_ON_RESET", out);
        print_name_list(out, e.names, 30);
        std::fputs("\n", out);
    }
    for (const PowerListNode& e : o.power_on_set) {
        comment(TK_POWER_ON_SET, 8);
        std::fputs("        %POWER_ON_SET  ", out);
        print_name_list(out, e.names, 25);
        std::fputs("\n", out);
    }
    print_pairs(out, comment, TK_RESET, "        %%RESET         %s = '%s' ;\n", o.reset_list);
    print_pairs(out, comment, TK_RESET_DISABLE, "        %%RESET_DISABLE %s = '%s' ;\n", o.reset_disable_list);
    print_pairs(out, comment, TK_SET, "        %%SET           %s = '%s' ;\n", o.set_list);
    print_pairs(out, comment, TK_SET_DISABLE, "        %%SET_DISABLE   %s = '%s' ;\n", o.set_disable_list);
    print_pairs(out, comment, TK_RAM, "        %%RAM %s = \" %s \" ;\n", o.ram_list, true);
    print_pairs(out, comment, TK_CLOCK, "        %%CLOCK %s = '%s' ;\n", o.atpg_clock_list);
    print_names_statement(out, comment, TK_BLACK_BOX, "        %BLACK_BOX", o.black_box, 20);
    print_names_statement(out, comment, TK_BYPASS, "        %BYPASS", o.bypass, 17);
    print_names_statement(out, comment, TK_SKIP_BUS, "        %SKIP_BUS", o.skip_bus, 21);
    print_names_statement(out, comment, TK_NO_FLOATING, "        %NO_FLOATING", o.no_floating, 21);
    print_names_statement(out, comment, TK_SKEW_FF, "        %SKEW_FF", o.skew_ff, 21);
    print_names_statement(out, comment, TK_DONT_FAULT_MODULE, "        %DONT_FAULT_MODULE", o.dont_fault_module,
                          21);
    for (const TwoIdent1ListNode& e : o.ram_read_list) {
        comment(TK_RAM_READ, 8);
        print_coded_names(out, "        %RAM_READ", e);
    }
    for (const TwoIdent1ListNode& e : o.ram_write_list) {
        comment(TK_RAM_WRITE, 8);
        print_coded_names(out, "        %RAM_WRITE", e);
    }
    print_names_statement(out, comment, TK_UNCONTROLLABLE, "        %UNCONTROLLABLE", o.uncontrol, 25);
    print_names_statement(out, comment, TK_UNCONTROLLABLE_CHAIN, "        %UNCONTROLLABLE_CHAIN", o.uncontrol_chain,
                          25);
    print_names_statement(out, comment, TK_UNOBSERVABLE, "        %UNOBSERVABLE", o.unobserve, 23);
    print_names_statement(out, comment, TK_UNOBSERVABLE_CHAIN, "        %UNOBSERVABLE_CHAIN", o.unobserve_chain,
                          23);
    if (!o.feedback_loops.empty()) {
        comment(TK_FEEDBACK_LOOPS, 8);
        std::fprintf(out, "        %%FEEDBACK_LOOPS = \" %s \" ;\n", dft_string_text(o.feedback_loops).c_str());
    }
    comment(TK_RBRACE, 8, end, TK_ATPG_MODE);
    std::fputs("        }\n", out);
}

}  // namespace

// The section, or the empty section the file gave in its place.
void write_atpg_constraints(FILE* out, const DftObject& object, int flag) {
    const std::optional<AtpgConstraintsRecord>& section =
        object.atpg_constraints ? object.atpg_constraints : object.empty_atpg_constraints;
    if (!section) return;
    const AtpgConstraintsRecord& r = *section;
    const int kw = r.top_line, end = r.line;
    if (flag) std::fprintf(out, "%s\n", kBannerAtpgConstraints);
    print_dft_comment(TK_ATPG_CONSTRAINTS, out, 2, kw, end, 0, 0);
    std::fputs("  %ATPG_CONSTRAINTS\n", out);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, r.left_brace_line, TK_ATPG_CONSTRAINTS);
    std::fputs("     {\n", out);
    // Each mode's comments lie between its keyword and the next mode's.
    for (std::size_t i = 0; i < r.options.size(); ++i) {
        const int mode_end = i + 1 < r.options.size() ? r.options[i + 1].item_line - 1 : end;
        write_mode(out, r.options[i], r.options[i].item_line, mode_end);
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_ATPG_CONSTRAINTS);
    std::fputs("     }\n\n\n", out);
}
