// The DFT file writer's %CORE sections: one block per core, then one per
// block that names no core.
#include <cstdio>
#include <string>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// Statements of a block stand at its opening brace's indent and four more.
constexpr int kStatementIndent = 4;

// The equals form: " = a , b , c ;", of names or of pin references.
void print_equals(FILE* out, const char* lead, const DynArray<std::string>& names, bool pin_refs) {
    if (!names) return;
    std::fprintf(out, "%s =", lead);
    for (std::size_t i = 0; i < names->size(); ++i) {
        const std::string& n = (*names)[i];
        const std::string text = pin_refs ? dft_pin_ref_text(n, true) : dft_name_text(n, true);
        std::fprintf(out, i == 0 ? " %s" : " , %s", text.c_str());
    }
    std::fputs(" ;\n", out);
}

// The same for sequences, each by its name; an unknown one is left out.
void print_sequences(FILE* out, int indent, const char* keyword, const DynArray<const SequenceRecord*>& sequences) {
    if (!sequences) return;
    std::fprintf(out, "%*s%s =", indent, "", keyword);
    // The separator goes by the names printed, so a list whose first
    // sequence is unknown still reads back.
    bool first = true;
    for (const SequenceRecord* s : *sequences) {
        if (!s || s->name.empty()) continue;
        std::fprintf(out, first ? " %s" : " , %s", s->name.c_str());
        first = false;
    }
    std::fputs(" ;\n", out);
}

void print_quoted(FILE* out, int indent, const char* keyword, const std::string& value) {
    if (!value.empty()) std::fprintf(out, "%*s%s = \" %s \" ;\n", indent, "", keyword, dft_string_text(value).c_str());
}

// A pattern set of a core block (at indent 5) or of one of its
// instructions (at indent 9), which holds only its %BTP.
void print_patset(FILE* out, int indent, const CorePatsetRecord& p) {
    if (!p.name.empty()) std::fprintf(out, "%*s%%PATSET %s\n%*s{\n", indent, "", p.name.c_str(), indent, "");
    const int at = indent + kStatementIndent;
    const long body = dft_block_start(out);
    print_quoted(out, at, "%DFT_FILE", p.dft_file);
    print_sequences(out, at, "%FORCE_LIST", p.force_sequences);
    print_quoted(out, at, "%BTP", p.btp);
    print_quoted(out, at, "%TP", p.tp);
    print_quoted(out, at, "%INT", p.int_value);
    print_quoted(out, at, "%OPTION", p.option);
    dft_block_end(out, body, (std::string(static_cast<std::size_t>(at), ' ') + "%BTP = \"  \" ;\n").c_str());
    std::fprintf(out, "%*s}\n", indent, "");
}

void print_core_instruction(FILE* out, const CoreInstructionRecord& r) {
    if (r.name.empty()) return;
    std::fprintf(out, "     %%INSTRUCTION %s\n     {\n", r.name.c_str());
    const long body = dft_block_start(out);
    print_quoted(out, 9, "%MODE", r.mode);
    if (r.sequences && r.sequence_kinds) {
        for (std::size_t i = 0; i < r.sequences->size() && i < r.sequence_kinds->size(); ++i) {
            const SequenceRecord* s = (*r.sequences)[i];
            if (!s) continue;
            const char* keyword = nullptr;
            switch ((*r.sequence_kinds)[i]) {
            case STEP_PREAMBLE: keyword = "%PREAMBLE"; break;
            case STEP_SHIFT: keyword = "%SHIFT"; break;
            case STEP_HOLD: keyword = "%HOLD"; break;
            case STEP_CAPTURE: keyword = "%CAPTURE"; break;
            case STEP_EXTRA_SEQ: keyword = "%EXTRA_SEQ"; break;
            default: break;
            }
            if (keyword) std::fprintf(out, "         %s = %s ;\n", keyword, s->name.c_str());
        }
    }
    for (const CorePatsetRecord& p : r.patsets) print_patset(out, 9, p);
    dft_block_end(out, body, "         %MODE = \"  \" ;\n");
    std::fputs("     }\n", out);
}

// What one block says, its %NAME aside.
void print_block_statements(FILE* out, const CoreInfoRecord& c) {
    print_quoted(out, 5, "%DFT_FILE", c.dft_file);
    if (c.dont_fix_info) print_dft_dont_fix(out, "     %DONT_FIX ", *c.dont_fix_info);
    print_quoted(out, 5, "%LBIST_FILE", c.lbist_file);
    print_sequences(out, 5, "%PREAMBLE", c.preamble);
    // Every core keeps its port lists, not only the first.
    print_equals(out, "     %CLOCK_PORTS", c.clock_ports, true);
    print_equals(out, "     %SET_RESET_PORTS", c.set_reset_ports, true);
    print_equals(out, "     %BIDI_PORTS", c.bidi_ports, true);
    print_equals(out, "     %SCAN_IN_PORTS", c.scan_in_ports, true);
    print_equals(out, "     %SCAN_OUT_PORTS", c.scan_out_ports, true);
    print_equals(out, "     %TIE0", c.tie0, false);
    print_equals(out, "     %TIE1", c.tie1, false);
    if (c.instructions)
        for (const CoreInstructionRecord& r : *c.instructions) print_core_instruction(out, r);
    if (c.patsets)
        for (const CorePatsetRecord& p : *c.patsets) print_patset(out, 5, p);
}

}  // namespace

void write_cores(FILE* out, const DftObject& object, int flag) {
    if (!object.core_section) return;
    const CoreSectionRecord& section = *object.core_section;
    const int kw = section.keyword_line, end = section.line;
    const std::size_t blocks = section.cores.size() + section.unnamed_blocks.size();
    for (std::size_t i = 0; i < blocks; ++i) {
        const bool named = i < section.cores.size();
        const CoreInfoRecord& c = named ? section.cores[i] : section.unnamed_blocks[i - section.cores.size()];
        // The saved comments go in front of the first block.
        if (i == 0) print_dft_comment(TK_CORE, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerCore);
        std::fputs("  %CORE\n", out);
        if (i == 0) print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_CORE);
        std::fputs("     {\n", out);
        const long body = dft_block_start(out);
        print_block_statements(out, c);
        if (named) std::fprintf(out, "     %%NAME = %s ;\n", c.core_name.c_str());
        dft_block_end(out, body, "     %DFT_FILE = \"  \" ;\n");
        std::fputs("     }\n\n", out);
    }
}
