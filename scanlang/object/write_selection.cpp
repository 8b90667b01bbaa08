// The DFT file writer's scan selection and instruction sequences.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// A count given as a number or as a percentage: the percentage when the
// number is not set, rounded to the nearest whole per cent (the stored
// fraction of 29% is 0.28999..., which truncation would turn into 28%);
// else the number, -1 too, which reads back as the same count.
void print_value(FILE* out, const char* keyword, const ValueRecord& v) {
    if (v.integer == -1 && v.real != -1.0)
        std::fprintf(out, "     %s %ld%% ;\n", keyword, std::lround(v.real * 100.0));
    else
        std::fprintf(out, "     %s %d ;\n", keyword, v.integer);
}

// A list in the column form: the first name on the keyword's line, each
// further name on its own line under the first.
void print_column_list(FILE* out, const char* keyword, int column, const TextList& names) {
    std::fprintf(out, "     %s", keyword);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* end = i + 1 < names.size() ? " ," : " ;";
        if (i == 0)
            std::fprintf(out, "  %s%s\n", names[i].c_str(), end);
        else
            std::fprintf(out, "%*s%s%s\n", column, "", names[i].c_str(), end);
    }
    std::fputs("\n", out);
}

// Times keep two decimals where that is exact.
constexpr int kTimeDecimals = 2;

void print_reals(FILE* out, const std::vector<double>& values) {
    for (double v : values) std::fprintf(out, " %s", dft_real_text(v, kTimeDecimals).c_str());
}

}  // namespace

// The statements of a %SET_TIMING block; `comments` puts the saved
// comments of each statement back (the sequence's own block).
void print_timing(FILE* out, const SetTimingRecord& t, bool comments, int kw, int end) {
    auto comment = [&](int token) {
        if (comments) print_dft_comment(token, out, 10, kw, end, 0, 0);
    };
    comment(TK_CYCLE);
    if (t.cycle != -1) std::fprintf(out, "          %%CYCLE %d ;\n", t.cycle);
    const struct {
        int token;
        const char* keyword;
        const std::vector<PinRecord>& entries;
    } lists[] = {{TK_P_CLOCK, "%P_CLOCK", t.p_clock},
                 {TK_N_CLOCK, "%N_CLOCK", t.n_clock},
                 {TK_PI_TIME, "%PI_TIME", t.pi_time},
                 {TK_PO_TIME, "%PO_TIME", t.po_time},
                 {TK_IO_TIME, "%IO_TIME", t.io_time}};
    for (const auto& list : lists) {
        comment(list.token);
        for (const PinRecord& e : list.entries) {
            std::fprintf(out, "          %s =", list.keyword);
            print_reals(out, e.times);
            for (const std::string& pin : e.pins) std::fprintf(out, " %s", pin.c_str());
            std::fputs(" ;\n", out);
        }
    }
    comment(TK_DEFAULT_PI_TIME);
    if (t.default_pi_time != -1.0)
        std::fprintf(out, "          %%DEFAULT_PI_TIME  %s ;\n", dft_real_text(t.default_pi_time, kTimeDecimals).c_str());
    comment(TK_DEFAULT_PO_TIME);
    if (t.default_po_time != -1.0)
        std::fprintf(out, "          %%DEFAULT_PO_TIME  %s ;\n", dft_real_text(t.default_po_time, kTimeDecimals).c_str());
    comment(TK_DEFAULT_IO_TIME);
    if (!t.default_io_times.empty()) {
        std::fputs("          %DEFAULT_IO_TIME  ", out);
        print_reals(out, t.default_io_times);
        std::fputs(" ;\n", out);
    }
    comment(TK_PRECISION);
    // Only a precision that was given: -1 stands for none.
    if (t.precision != -1) std::fprintf(out, "          %%PRECISION %d ;\n", t.precision);
}

namespace {

void print_sequence(FILE* out, const SequenceRecord& s) {
    const int kw = s.name_line, end = s.line;
    print_dft_comment(TK_SEQUENCE, out, 2, kw, end, 0, 0);
    if (!s.name.empty()) std::fprintf(out, "  %%SEQUENCE %s\n", s.name.c_str());
    print_dft_comment(TK_LBRACE, out, 2, kw, end, end, TK_SEQUENCE);
    std::fputs("     {\n", out);

    auto item_of = [&](const ForceOrderEntry& e) -> const ForceItemRecord* {
        const auto& items = e.kind == FORCE_ORDER_FORCE ? s.forces : s.force_clocks;
        return e.index < items.size() ? &items[e.index] : nullptr;
    };
    if (s.force_order) {
        // The "=" of every line of the sequence stands in one column.
        std::size_t width = 0;
        for (const ForceOrderEntry& e : *s.force_order)
            if (const ForceItemRecord* item = item_of(e))
                width = std::max(width, item->name.size() + (e.kind == FORCE_ORDER_FORCE ? 6 : 0));
        for (const ForceOrderEntry& e : *s.force_order) {
            const ForceItemRecord* item = item_of(e);
            if (!item) continue;
            const int pad = static_cast<int>(width) - static_cast<int>(item->name.size());
            if (e.kind == FORCE_ORDER_FORCE) {
                print_dft_comment(TK_FORCE, out, 5, kw, end, item->line, 0);
                std::fprintf(out, "     %%FORCE  %s       %*s= '%s' ;\n", item->name.c_str(), std::max(pad, 0), "",
                             dft_pattern_text(item->value).c_str());
            } else {
                print_dft_comment(TK_FORCE_CLOCK, out, 5, kw, end, item->line, 0);
                if (!item->value.empty())
                    std::fprintf(out, "     %%FORCE_CLOCK  %s %*s= '%s' ;\n", item->name.c_str(), std::max(pad, 0),
                                 "", item->value.c_str());
                else
                    std::fprintf(out, "     %%FORCE_CLOCK  %s ;\n", item->name.c_str());
            }
        }
    }
    // Always written: a missing statement reads as 1, so leaving out any
    // other value (0 among them) would change it.
    print_dft_comment(TK_CYCLE_LENGTH, out, 5, kw, end, 0, 0);
    std::fprintf(out, "     %%CYCLE_LENGTH  = %d ;\n", s.cycle_length);
    // A missing statement reads as -1: every other value is written.
    if (s.frame_length != -1) {
        print_dft_comment(TK_FRAME_LENGTH, out, 5, kw, end, 0, 0);
        std::fprintf(out, "     %%FRAME_LENGTH  = %d ;\n", s.frame_length);
    }
    if (s.set_timing) {
        print_dft_comment(TK_SET_TIMING, out, 5, kw, end, 0, 0);
        std::fputs("     %SET_TIMING\n", out);
        print_dft_comment(TK_LBRACE, out, 8, kw, end, s.set_timing->line, TK_SET_TIMING);
        std::fputs("        {\n", out);
        const long body = dft_block_start(out);
        print_timing(out, *s.set_timing, true, kw, end);
        dft_block_end(out, body, kTimingNotGiven);
        print_dft_comment(TK_RBRACE, out, 8, kw, end, end, TK_SET_TIMING);
        std::fputs("        }\n", out);
    }
    for (const auto* t : {&s.launch_timing, &s.capture_timing}) {
        if (!*t) continue;
        std::fputs("     %SET_TIMING\n        {\n", out);
        if (!(*t)->type.empty()) std::fprintf(out, "          %%TYPE %s ; \n", (*t)->type.c_str());
        print_timing(out, **t, false, kw, end);
        std::fputs("        }\n", out);
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_SEQUENCE);
    std::fputs("     }\n", out);
}

}  // namespace

void write_select_scan(FILE* out, const DftObject& object, int flag) {
    if (!object.select_scan) return;
    const SelectScanRecord& s = *object.select_scan;
    const int kw = s.keyword_line, end = s.line;
    print_dft_comment(TK_SELECT_SCAN, out, 2, kw, end, 0, 0);
    if (flag) std::fprintf(out, "%s\n", kBannerScanSelection);
    std::fputs("  %SELECT_SCAN\n", out);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_SELECT_SCAN);
    std::fputs("     {\n", out);
    const struct {
        int token;
        const char* keyword;
        const std::optional<ValueRecord>& value;
    } values[] = {{TK_SCAN_INIT, "%SCAN_INIT ", s.scan_init},
                  {TK_SCAN_INCR, "%SCAN_INCR ", s.scan_incr},
                  {TK_SCAN_MAX, "%SCAN_MAX  ", s.scan_max}};
    for (const auto& v : values) {
        if (!v.value) continue;
        print_dft_comment(v.token, out, 5, kw, end, 0, 0);
        print_value(out, v.keyword, *v.value);
    }
    const struct {
        int token;
        const char* keyword;
        int column;
        const TextList& names;
    } lists[] = {{TK_DONT_SCAN_TYPE, "%DONT_SCAN_TYPE", 22, s.dont_scan_type},
                 {TK_MUST_SCAN_TYPE, "%MUST_SCAN_TYPE", 22, s.must_scan_type},
                 {TK_DONT_SCAN_MODULE, "%DONT_SCAN_MODULE", 24, s.dont_scan_module},
                 {TK_DONT_SCAN, "%DONT_SCAN", 17, s.dont_scan},
                 {TK_MUST_SCAN, "%MUST_SCAN", 17, s.must_scan}};
    for (const auto& list : lists) {
        if (list.names.empty()) continue;
        print_dft_comment(list.token, out, 5, kw, end, 0, 0);
        print_column_list(out, list.keyword, list.column, list.names);
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_SELECT_SCAN);
    std::fputs("     }\n\n\n", out);
}

void write_sequences(FILE* out, const DftObject& object, int flag) {
    if (object.sequences.empty()) return;
    if (flag) std::fprintf(out, "%s\n", kBannerSequence);
    for (const SequenceRecord& s : object.sequences) print_sequence(out, s);
    std::fputs("\n\n", out);
}
