// The DFT file writer's wrapper, GRISTEL, DEF and clock-period sections.
#include <cstdio>
#include <string>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// The statement written in a GRISTEL block that would come out empty (its
// speed ratio was -1): a speed ratio of -1 reads as not given.
constexpr const char* kSpeedRatioNotGiven = "         %SPEED_RATIO   -1 ;\n";

void print_names(FILE* out, const DynArray<std::string>& names) {
    if (names)
        for (const std::string& n : *names) std::fprintf(out, " %s ", n.c_str());
}

void print_wrapper_chain(FILE* out, const WrapperChainEntry& c) {
    const int ck = c.name_line, ce = c.line;
    print_dft_comment(TK_WRAPPER_CHAIN, out, 10, ck, ce, 0, 0);
    if (!c.name.empty()) std::fprintf(out, "       %%WRAPPER_CHAIN  %s \n", c.name.c_str());
    print_dft_comment(TK_LBRACE, out, 15, ck, ce, ce, TK_WRAPPER_CHAIN);
    std::fputs("        {\n", out);
    print_dft_value_lines(out,
                          {{TK_CLOCK, "         %%CLOCK  = %s ;\n", c.clock1, c.clock1_line},
                           {TK_CLOCK, "         %%CLOCK  = %s ;\n", c.clock2, c.clock2_line}},
                          15, ck, ce);
    // Clocks after the second follow the second, as they were read.
    for (const auto& k : c.more_clocks)
        print_dft_value_lines(out, {{TK_CLOCK, "         %%CLOCK  = %s ;\n", k.name, k.line}}, 15, ck, ce);
    print_dft_value_lines(out,
                          {{TK_SCAN_IN, "         %%SCAN_IN  = %s ;\n", c.scan_in, c.scan_in_line},
                           {TK_SCAN_OUT, "         %%SCAN_OUT  = %s ;\n", c.scan_out, c.scan_out_line}},
                          15, ck, ce);
    print_dft_comment(TK_RBRACE, out, 15, ck, ce, ce, TK_WRAPPER_CHAIN);
    std::fputs("        }\n", out);
}

void print_tddm_group(FILE* out, const GristelGroupRecord& g) {
    const int gk = g.tddm_name_line, ge = g.tddm_group_line;
    print_dft_comment(TK_TDDM_GROUP, out, 9, gk, ge, 0, 0);
    std::fprintf(out, "         %%TDDM_GROUP  %s \n", g.tddm_name.c_str());
    print_dft_comment(TK_LBRACE, out, 9, gk, ge, ge, TK_TDDM_GROUP);
    std::fputs("         {\n", out);
    if (!g.tddm_in.empty()) {
        print_dft_comment(TK_TDDM_IN, out, 10, gk, ge, g.tddm_in_line, 0);
        std::fprintf(out, "         %%TDDM_IN    = %s;\n", dft_name_text(g.tddm_in).c_str());
    }
    if (!g.tddm_clock.empty()) {
        print_dft_comment(TK_CLOCK, out, 10, gk, ge, g.tddm_clock_line, 0);
        std::fprintf(out, "         %%CLOCK      = %s;\n", dft_name_text(g.tddm_clock).c_str());
    }
    if (g.tddm_chain_order) {
        print_dft_comment(TK_CHAIN_ORDER, out, 10, gk, ge, g.tddm_clock_line, 0);
        std::fputs("         %CHAIN_ORDER", out);
        print_names(out, g.tddm_chain_order);
        std::fputs(";\n", out);
    }
    print_dft_comment(TK_RBRACE, out, 9, gk, ge, ge, TK_TDDM_GROUP);
    std::fputs("         }\n\n", out);
}

void print_tdm_group(FILE* out, const GristelGroupRecord& g) {
    const int tk = g.tdm_name_line, te = g.tdm_group_line;
    print_dft_comment(TK_TDM_GROUP, out, 9, tk, te, 0, 0);
    std::fprintf(out, "         %%TDM_GROUP  %s \n", g.tdm_name.c_str());
    print_dft_comment(TK_LBRACE, out, 9, tk, te, te, TK_TDM_GROUP);
    std::fputs("        {\n", out);
    print_dft_value_lines(out,
                          {{TK_TDM_OUT, "         %%TDM_OUT      = %s;\n", dft_name_text(g.tdm_out), g.tdm_out_line},
                           {TK_CLOCK, "         %%CLOCK        = %s;\n", dft_name_text(g.tdm_clock), g.tdm_clock_line},
                           {TK_CLEAR, "         %%CLEAR        = %s;\n", dft_name_text(g.clear), g.clear_line}},
                          10, tk, te);
    if (g.tdm_chain_order) {
        print_dft_comment(TK_CHAIN_ORDER, out, 10, tk, te, g.tdm_chain_order_line, 0);
        std::fputs("         %CHAIN_ORDER", out);
        print_names(out, g.tdm_chain_order);
        std::fputs(";\n", out);
    }
    print_dft_comment(TK_RBRACE, out, 9, tk, te, te, TK_TDM_GROUP);
    std::fputs("        }\n\n", out);
}

void print_gristel_entry(FILE* out, const GristelGroupRecord& g) {
    const int ek = g.name_line, ee = g.line;
    print_dft_comment(TK_TDDM_TDM_INFO, out, 7, ek, ee, 0, 0);
    if (!g.name.empty()) std::fprintf(out, "       %%TDDM_TDM_INFO  %s\n", g.name.c_str());
    print_dft_comment(TK_LBRACE, out, 7, ek, ee, ee, TK_TDDM_TDM_INFO);
    std::fputs("      {\n", out);
    const long body = dft_block_start(out);
    if (g.speed_ratio != -1) {
        print_dft_comment(TK_SPEED_RATIO, out, 9, ek, ee, g.speed_ratio_line, 0);
        std::fprintf(out, "         %%SPEED_RATIO   %d ;\n\n", g.speed_ratio);
    }
    // A group block is written only when the entry has that group: the
    // language needs the group's name, and an entry may leave a group out.
    if (!g.tddm_name.empty()) print_tddm_group(out, g);
    if (!g.tdm_name.empty()) print_tdm_group(out, g);
    dft_block_end(out, body, kSpeedRatioNotGiven);
    print_dft_comment(TK_RBRACE, out, 5, ek, ee, ee, TK_TDDM_TDM_INFO);
    std::fputs("      }\n\n", out);
}

}  // namespace

void write_wrapper(FILE* out, const DftObject& object, int flag) {
    if (!object.wrapper) return;
    for (const WrapperRecord& w : *object.wrapper) {
        const int kw = w.keyword_line, end = w.line;
        print_dft_comment(TK_WRAPPER, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerWrapper);
        std::fputs("  %WRAPPER { \n     %KORRAL \n", out);
        print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_WRAPPER);
        std::fputs("     {\n", out);
        const long body = dft_block_start(out);
        if (!w.type.empty()) {
            print_dft_comment(TK_TYPE, out, 10, kw, end, 0, 0);
            std::fprintf(out, "       %%TYPE  %s ;\n", w.type.c_str());
        }
        if (w.cells)
            for (const WrapperCellEntry& c : *w.cells) {
                print_dft_comment(TK_WRAPPER_CELL, out, 10, kw, end, c.line, 0);
                std::fprintf(out, "       %%WRAPPER_CELL  %s %s;\n", c.first.c_str(), dft_name_text(c.second).c_str());
            }
        if (w.chains)
            for (const WrapperChainEntry& c : *w.chains) print_wrapper_chain(out, c);
        if (w.skip_signals) {
            print_dft_comment(TK_SKIP_SIGNALS, out, 10, kw, end, 0, 0);
            std::fputs("       %SKIP_SIGNALS  ", out);
            for (const std::string& s : *w.skip_signals) std::fprintf(out, "%s ", s.c_str());
            std::fputs(";\n", out);
        }
        // The wrapper's instructions; their comments are left to the
        // end of the file, as %INSTRUCTION is also a section of its own.
        if (w.instructions)
            for (const std::string& i : *w.instructions) std::fprintf(out, "       %%INSTRUCTION  %s ;\n", i.c_str());
        if (!w.wrapper_chain_file.empty()) {
            print_dft_comment(TK_WRAPPER_CHAIN_FILE, out, 10, kw, end, 0, 0);
            std::fprintf(out, "       %%WRAPPER_CHAIN_FILE =  \" %s \" ;\n", dft_string_text(w.wrapper_chain_file).c_str());
        }
        dft_block_end(out, body, "       %WRAPPER_CHAIN_FILE =  \"  \" ;\n");
        print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_WRAPPER);
        std::fputs("     }\n    }\n\n", out);
    }
}

void write_gristel_info(FILE* out, const DftObject& object, int flag) {
    if (!object.gristel_info) return;
    for (const GristelInfoRecord& g : *object.gristel_info) {
        const int kw = g.keyword_line, end = g.line;
        print_dft_comment(TK_GRISTEL_INFO, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerGristel);
        std::fputs("  %GRISTEL_INFO\n", out);
        print_dft_comment(TK_LBRACE, out, 2, kw, end, end, TK_GRISTEL_INFO);
        std::fputs("   {\n\n", out);
        const long body = dft_block_start(out);
        if (g.speed_ratio != -1) {
            print_dft_comment(TK_SPEED_RATIO, out, 7, kw, end, g.speed_ratio_line, 0);
            std::fprintf(out, "       %%SPEED_RATIO  %d;\n", g.speed_ratio);
        }
        if (!g.top_module.empty()) {
            print_dft_comment(TK_TOP_MODULE, out, 7, kw, end, g.top_module_line, 0);
            std::fprintf(out, "       %%TOP_MODULE   %s;\n\n", dft_name_text(g.top_module).c_str());
        }
        if (g.groups)
            for (const GristelGroupRecord& e : *g.groups) print_gristel_entry(out, e);
        dft_block_end(out, body, kSpeedRatioNotGiven);
        print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_GRISTEL_INFO);
        std::fputs("   }\n\n", out);
    }
}

void write_def_info(FILE* out, const DftObject& object, int flag) {
    if (!object.def_info) return;
    for (const DefInfoRecord& d : *object.def_info) {
        const int kw = d.keyword_line, end = d.line;
        print_dft_comment(TK_DEF_INFO, out, 2, kw, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerDefInfo);
        std::fputs("  %DEF_INFO\n", out);
        print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_DEF_INFO);
        std::fputs("     {\n", out);
        if (d.partitions)
            for (const DefPartitionEntry& p : *d.partitions) {
                print_dft_comment(TK_PARTITION, out, 5, kw, end, p.line, 0);
                std::fputs("     %PARTITION ", out);
                if (p.names)
                    for (const std::string& n : *p.names) std::fprintf(out, "%s ", n.c_str());
                std::fputs(";\n", out);
            }
        print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_DEF_INFO);
        std::fputs("     }\n\n", out);
    }
}

void write_clock_period(FILE* out, const DftObject& object, int flag) {
    if (!object.clock_period) return;
    const ClockPeriodRecord& r = *object.clock_period;
    const int kw = r.keyword_line, end = r.line;
    print_dft_comment(TK_CLOCK_PERIOD, out, 2, kw, end, 0, 0);
    if (flag) std::fprintf(out, "%s\n", kBannerClockPeriod);
    std::fputs("  %CLOCK_PERIOD\n", out);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_CLOCK_PERIOD);
    std::fputs("     {\n", out);
    for (const ClockPeriodEntry& c : r.clocks) {
        print_dft_comment(TK_CLOCK, out, 5, kw, end, c.line, 0);
        // Six decimals where that is exact.
        std::fprintf(out, "     %%CLOCK  %s = %s ;\n", c.name.c_str(), dft_real_text(c.period, 6).c_str());
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_CLOCK_PERIOD);
    std::fputs("     }\n\n\n", out);
}
