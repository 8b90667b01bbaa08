// The DFT file writer's %TEST_CONVERSION section.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

bool all_digits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A conversion clock: a count stands after the name, a pattern after an
// equals sign and in quotes, the two forms the grammar reads.
void print_clock(FILE* out, const char* keyword, const CaptureClockRecord& c) {
    if (all_digits(c.second)) std::fprintf(out, "          %s %s %s ;\n", keyword, c.first.c_str(), c.second.c_str());
    else std::fprintf(out, "          %s %s = '%s' ;\n", keyword, c.first.c_str(), dft_pattern_text(c.second).c_str());
}

void print_ram(FILE* out, const char* keyword, const TwoIdentListRecord& e) {
    if (e.first.empty() || e.second.empty()) return;
    std::fprintf(out, "        %s", keyword);
    for (std::size_t i = 0; i < e.first.size(); ++i) std::fprintf(out, i == 0 ? " %s" : " , %s", e.first[i].c_str());
    std::fprintf(out, " = '%s' ;\n", dft_pattern_text(e.second.front()).c_str());
}

}  // namespace

void write_test_conversion(FILE* out, const DftObject& object, int flag) {
    if (!object.test_conversion) return;
    const TestConversionRecord& r = *object.test_conversion;
    const int kw = r.top_line, end = r.line;
    auto comment = [&](int token, int indent, int limit = 0, int block = 0) {
        print_dft_comment(token, out, indent, kw, end, limit, block);
    };
    comment(TK_TEST_CONVERSION, 2);
    if (flag) std::fprintf(out, "%s\n", kBannerTestConversion);
    std::fputs("  %TEST_CONVERSION\n", out);
    comment(TK_LBRACE, 5, r.left_brace_line, TK_TEST_CONVERSION);
    std::fputs("     {\n", out);
    if (r.set_timing) {
        const SetTimingRecord& t = *r.set_timing;
        comment(TK_SET_TIMING, 9);
        std::fputs("        %SET_TIMING\n", out);
        comment(TK_LBRACE, 9, t.line, TK_SET_TIMING);
        std::fputs("        {\n", out);
        const long body = dft_block_start(out);
        // The waveform type is kept too.
        if (!t.type.empty()) std::fprintf(out, "          %%TYPE %s ; \n", t.type.c_str());
        print_timing(out, t, true, kw, end);
        dft_block_end(out, body, kTimingNotGiven);
        comment(TK_RBRACE, 10, t.line, TK_SET_TIMING);
        std::fputs("        }\n", out);
    }
    if (!r.test_c_clock.empty() || !r.test_b_clock.empty()) {
        const int first = r.test_c_clock.empty() ? r.test_b_clock.front().line : r.test_c_clock.front().line;
        comment(TK_CLOCK, 8, first - 1);
        std::fputs("        %CLOCK\n", out);
        comment(TK_LBRACE, 8, r.clock_right_brace_line, TK_CLOCK);
        std::fputs("        {\n", out);
        for (const CaptureClockRecord& c : r.test_c_clock) {
            comment(TK_CLOCK, 10, c.line);
            print_clock(out, "%CLOCK", c);
        }
        for (const CaptureClockRecord& c : r.test_b_clock) {
            comment(TK_BIST_CLOCK, 10, c.line);
            print_clock(out, "%BIST_CLOCK", c);
        }
        comment(TK_RBRACE, 10, r.clock_right_brace_line, TK_CLOCK);
        std::fputs("        }\n", out);
    }
    for (const TwoIdentListRecord& e : r.ram_read_list) {
        comment(TK_RAM_READ, 8);
        print_ram(out, "%RAM_READ", e);
    }
    for (const TwoIdentListRecord& e : r.ram_write_list) {
        comment(TK_RAM_WRITE, 8);
        print_ram(out, "%RAM_WRITE", e);
    }
    // An empty pin list would not read back: it is left out.
    if (r.remove_pins && !r.remove_pins->empty()) {
        std::fputs("        %REMOVE_PIN", out);
        for (std::size_t i = 0; i < r.remove_pins->size(); ++i)
            std::fprintf(out, i == 0 ? " %s" : " , %s", (*r.remove_pins)[i].c_str());
        std::fputs(" ;\n", out);
    }
    if (r.diff_pads)
        for (const DiffPadEntry& d : *r.diff_pads) {
            const int a = d.name_line, b = d.line;
            print_dft_comment(TK_DIFF_PAD, out, 10, a, b, 0, 0);
            std::fprintf(out, "       %%DIFF_PAD  %s\n", d.name.c_str());
            print_dft_comment(TK_LBRACE, out, 15, a, b, b, TK_DIFF_PAD);
            std::fputs("        {\n", out);
            if (!d.p_pad.empty()) {
                print_dft_comment(TK_P_PAD, out, 15, a, b, d.p_pad_line, 0);
                std::fprintf(out, "         %%P_PAD  = %s ;\n", d.p_pad.c_str());
            }
            if (!d.n_pad.empty()) {
                print_dft_comment(TK_N_PAD, out, 15, a, b, d.n_pad_line, 0);
                std::fprintf(out, "         %%N_PAD  = %s ;\n", d.n_pad.c_str());
            }
            print_dft_comment(TK_RBRACE, out, 15, a, b, b, TK_DIFF_PAD);
            std::fputs("        }\n", out);
        }
    comment(TK_RBRACE, 5, end, TK_TEST_CONVERSION);
    std::fputs("     }\n\n\n", out);
}
