// The DFT file writer's test files, memory-BIST and instruction sections.
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// The memory-BIST signals with their keywords and tokens, in the order of
// MbistSignal.
struct MbistSignalName {
    int token;
    const char* keyword;
};
constexpr MbistSignalName kMbistSignals[MBIST_SIGNAL_COUNT] = {
    {TK_BISTMODE, "%BISTMODE"},
    {TK_BISTFAIL, "%BISTFAIL"},
    {TK_ERRMAP, "%ERRMAP"},
    {TK_BIST_RESULT_EN, "%BIST_RESULT_EN"},
    {TK_BIST_RESULT_IN, "%BIST_RESULT_IN"},
    {TK_BIST_RESULT_OUT, "%BIST_RESULT_OUT"},
    {TK_FINISH, "%FINISH"},
    {TK_UTI_SCAN_IN, "%UTI_SCAN_IN"},
    {TK_UTI_SCAN_OUT, "%UTI_SCAN_OUT"},
    {TK_MEMGROUPSEL, "%MEMGROUPSEL"},
    {TK_MEMGROUPSEL_IN, "%MEMGROUPSEL_IN"},
    {TK_MEMGROUPSEL_OUT, "%MEMGROUPSEL_OUT"},
    {TK_BIST_SEL_EN, "%BIST_SEL_EN"},
    {TK_QDX_TIS, "%QDX_TIS"},
    {TK_VCLK, "%VCLK"},
    {TK_QDX_UTI_IN, "%QDX_UTI_IN"},
    {TK_QDX_UTI_OUT, "%QDX_UTI_OUT"},
    {TK_QDX_UTI_SHIFT, "%QDX_UTI_SHIFT"},
    {TK_QDX_UTI_HOLD_IN, "%QDX_UTI_HOLD_IN"},
    {TK_QDX_UTI_HOLD_OUT, "%QDX_UTI_HOLD_OUT"},
    {TK_BYPASS, "%BYPASS"},
    {TK_BIST_CLK, "%BIST_CLK"},
    {TK_SHIFTEND, "%SHIFTEND"},
    {TK_SIGNATUREOUT, "%SIGNATUREOUT"},
};

// The name of a step's sequence: the record's, or, for a sequence the file
// does not define, the name the step wrote (`written`, the step's names,
// at `at`; none when the object was not read from a file).
std::string sequence_name(const SequenceRecord* s, const TextList* written, std::size_t at) {
    if (s) return s->name;
    return written && at < written->size() ? (*written)[at] : std::string();
}

// A preamble or postamble list in the column form: the first name after
// the keyword, each further one on its own line under it.
void print_sequence_column(FILE* out, const std::vector<const SequenceRecord*>& list, const TextList* written,
                           int column) {
    std::vector<std::string> names;
    for (std::size_t j = 0; j < list.size(); ++j)
        if (std::string n = sequence_name(list[j], written, j); !n.empty()) names.push_back(std::move(n));
    for (std::size_t j = 0; j < names.size(); ++j) {
        const char* end = j + 1 < names.size() ? " ,\n" : " ;\n";
        std::fprintf(out, "%*s%s%s", j == 0 ? 0 : column, "", names[j].c_str(), end);
    }
    if (names.empty()) std::fputs(";\n", out);
}

void print_step(FILE* out, const InstructionRecord& r, int kind, const TextList* written, std::size_t& extra_index,
                int kw, int end) {
    struct Single {
        int token;
        const char* lead;
        const SequenceRecord* sequence;
    };
    Single single{0, nullptr, nullptr};
    switch (kind) {
    case STEP_MODE:
        print_dft_comment(TK_MODE, out, 5, kw, end, end, 0);
        std::fprintf(out, "     %%MODE      = \" %s \" ;\n", dft_string_text(r.mode).c_str());
        return;
    case STEP_PREAMBLE:
        print_dft_comment(TK_PREAMBLE, out, 5, kw, end, 0, 0);
        std::fputs("     %PREAMBLE  = ", out);
        print_sequence_column(out, r.preamble_list, written, 18);
        return;
    case STEP_POSTAMBLE:
        print_dft_comment(TK_POSTAMBLE, out, 5, kw, end, 0, 0);
        std::fputs("     %POSTAMBLE  = ", out);
        print_sequence_column(out, r.postamble_list, written, 19);
        return;
    case STEP_SHIFT: single = {TK_SHIFT, "%SHIFT     =", r.shift}; break;
    case STEP_PROPAGATE: single = {TK_PROPAGATE, "%PROPAGATE =", r.propagate}; break;
    case STEP_HOLD: single = {TK_HOLD, "%HOLD      =", r.hold}; break;
    case STEP_RUNBIST: single = {TK_RUNBIST, "%RUNBIST   =", r.runbist}; break;
    case STEP_CAPTURE: single = {TK_CAPTURE, "%CAPTURE   =", r.capture}; break;
    case STEP_RAM_WRITE: single = {TK_RAM_WRITE, "%RAM_WRITE =", r.ram_write}; break;
    case STEP_EXTRA_SEQ:
        single = {TK_EXTRA, "%EXTRA =", extra_index < r.extra_seq_list.size() ? r.extra_seq_list[extra_index] : nullptr};
        ++extra_index;
        break;
    default: return;
    }
    print_dft_comment(single.token, out, 5, kw, end, 0, 0);
    // A step without a name to write is left out.
    if (const std::string name = sequence_name(single.sequence, written, 0); !name.empty())
        std::fprintf(out, "     %s %s ;\n", single.lead, name.c_str());
}

}  // namespace

void write_test_files(FILE* out, const DftObject& object, int flag) {
    if (object.test_files) {
        const TestFilesRecord& t = *object.test_files;
        const int kw = t.keyword_line, end = t.line;
        print_dft_comment(TK_TEST_FILES, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerTestFiles);
        std::fputs("  %TEST_FILES\n", out);
        print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_TEST_FILES);
        std::fputs("     {\n", out);
        print_dft_value_lines(out,
                              {{TK_MBIST_FILE, "     %%MBIST_FILE = %s ;\n", t.mbist_file, t.mbist_file_line},
                               {TK_LBIST_FILE, "     %%LBIST_FILE = %s ;\n", t.lbist_file, t.lbist_file_line},
                               {TK_BSD_FILE, "     %%BSD_FILE = %s ;\n", t.bsd_file, t.bsd_file_line},
                               {TK_MACRO_TEST, "     %%MACRO_TEST = %s ;\n", t.macro_test, t.macro_test_line}},
                              5, kw, end);
        print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_TEST_FILES);
        std::fputs("     }\n\n\n", out);
    }
    if (!object.top_module.empty()) {
        // The statement keeps no line of its own: its comments are found
        // wherever they stood.
        print_dft_comment(TK_TOP_MODULE, out, 5, INT_MIN, INT_MAX, INT_MAX, 0);
        std::fprintf(out, "     %%TOP_MODULE = %s ;\n", object.top_module.c_str());
    }
}

void write_mbist(FILE* out, const DftObject& object, int flag) {
    // The control entries stand in the block that holds them in the
    // language, so that the file reads back.
    if (object.mbist_control && !object.mbist_control->empty()) {
        std::fputs("  %MBIST_CONSTRAINTS\n  {\n", out);
        for (const MbistControlEntry& e : *object.mbist_control) {
            const int kw = e.keyword_line, end = e.line;
            print_dft_comment(TK_MBIST_CONTROL, out, 2, kw, end, 0, 0);
            if (flag) std::fprintf(out, "%s\n", kBannerMbistControl);
            std::fprintf(out, "  %%MBIST_CONTROL %d\n", e.number);
            print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_MBIST_CONTROL);
            std::fputs("     {\n", out);
            for (int s = 0; s < MBIST_SIGNAL_COUNT; ++s) {
                const std::optional<MbistSignalRecord>& signal = e.signals[s];
                if (!signal) continue;
                print_dft_comment(kMbistSignals[s].token, out, 5, kw, end, end, 0);
                if (!signal->instance.empty())
                    std::fprintf(out, "     %s = %s.%s ;\n", kMbistSignals[s].keyword, signal->instance.c_str(),
                                 signal->pin.c_str());
                else
                    std::fprintf(out, "     %s = { %s } ;\n", kMbistSignals[s].keyword, signal->pin.c_str());
            }
            print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_MBIST_CONTROL);
            std::fputs("     }\n\n\n", out);
        }
        std::fputs("  }\n\n", out);
    }
    // Each %MBIST_BSD block of the file with its own entries, in order.
    const std::vector<MbistBsdInstructionRecord>& entries = object.mbist_bsd;
    if (!entries.empty() && flag) std::fprintf(out, "%s\n", kBannerMbistBsd);
    for (std::size_t from = 0, to = 0; from < entries.size(); from = to) {
        while (to < entries.size() && entries[to].block == entries[from].block) ++to;
        const int first = entries[from].name_line, last = entries[to - 1].item_line;
        std::fputs("  %MBIST_BSD\n", out);
        print_dft_comment(TK_LBRACE, out, 5, first, last, last, TK_MBIST_BSD);
        std::fputs("     {\n", out);
        for (std::size_t i = from; i < to; ++i) {
            const MbistBsdInstructionRecord& r = entries[i];
            const int ik = r.name_line, ie = r.item_line;
            if (r.name.empty()) continue;
            std::fprintf(out, "     %%INSTRUCTION  %s\n         {\n", r.name.c_str());
            const long body = dft_block_start(out);
            if (!r.mbist_clock.empty()) {
                print_dft_comment(TK_MBIST_CLOCK, out, 5, ik, ie, ie, 0);
                std::fprintf(out, "         %%MBIST_CLOCK = %s ;\n", r.mbist_clock.c_str());
            }
            if (!r.mbist_mdf.empty()) {
                print_dft_comment(TK_MBIST_MDF, out, 5, ik, ie, ie, 0);
                std::fprintf(out, "         %%MBIST_MDF = \" %s \" ;\n", dft_string_text(r.mbist_mdf).c_str());
            }
            dft_block_end(out, body, "         %MBIST_MDF = \"  \" ;\n");
            std::fputs("         }\n", out);
        }
        print_dft_comment(TK_RBRACE, out, 5, first, last, last, TK_MBIST_BSD);
        std::fputs("     }\n", out);
    }
}

void write_instructions(FILE* out, const DftObject& object, int flag) {
    // The steps of each instruction in source order, bucketed once.
    std::vector<std::vector<int>> steps(object.instructions.size());
    for (const InstrOrderTabRecord& e : object.instr_order_tab)
        if (e.instruction_index >= 0 && static_cast<std::size_t>(e.instruction_index) < steps.size())
            steps[e.instruction_index].push_back(e.step_kind);
    for (std::size_t i = 0; i < object.instructions.size(); ++i) {
        const InstructionRecord& r = object.instructions[i];
        const int kw = r.name_line, end = r.item_line;
        print_dft_comment(TK_INSTRUCTION, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerInstruction);
        if (!r.name.empty()) std::fprintf(out, "  %%INSTRUCTION  %s\n", r.name.c_str());
        print_dft_comment(TK_LBRACE, out, 2, kw, end, end, TK_INSTRUCTION);
        std::fputs("     {\n", out);
        std::size_t extra_index = 0;
        for (std::size_t k = 0; k < steps[i].size(); ++k)
            print_step(out, r, steps[i][k], k < r.step_names.size() ? &r.step_names[k] : nullptr, extra_index, kw, end);
        print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_INSTRUCTION);
        std::fputs("     }\n\n\n", out);
    }
}
