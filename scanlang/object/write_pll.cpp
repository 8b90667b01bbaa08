// The DFT file writer's PLL clock fixes, PLLs, blackboxes, file sections
// and scan repair.
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// Blackbox pin modes as the mapping stores them.
constexpr int kBlackboxZero = 0, kBlackboxOne = 1, kBlackboxControl = 2, kBlackboxObserve = 3;

// The equals form: " = a , b , c ;".
void print_equals(FILE* out, const char* lead, const DynArray<std::string>& names) {
    if (!names) return;
    std::fprintf(out, "%s =", lead);
    for (std::size_t i = 0; i < names->size(); ++i) std::fprintf(out, i == 0 ? " %s" : " , %s", (*names)[i].c_str());
    std::fputs(" ;\n", out);
}

void print_set(FILE* out, const char* lead, const std::string& value) {
    if (!value.empty()) std::fprintf(out, "%s = %s ;\n", lead, value.c_str());
}

// The fix forms 1 to 6: their keyword and the statements each takes.
struct FixField {
    const char* keyword;
    std::string PllClockFixItem::*field;
};
struct FixForm {
    const char* keyword;
    std::vector<FixField> fields;
};
const FixForm& fix_form(int kind) {
    using F = PllClockFixItem;
    static const FixForm forms[] = {
        {"%EXTERNAL_PLL_IN_CLOCK", {{"%FROM_EXTERNAL_PLL_CLOCK_INPORT", &F::from_external_pll_clock_inport}}},
        {"%FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK",
         {{"%PLL_CLOCK_INPORT", &F::pll_clock_inport},
          {"%FROM_EXTERNAL_SCAN_CLOCK_INPORT", &F::from_external_scan_clock_inport},
          {"%NEW_EXTERNAL_PLL_CLOCK_INPORT", &F::new_external_pll_clock_inport}}},
        {"%INTERNAL_PLL_IN_CLOCK",
         {{"%PLL_CLOCK_INPORT", &F::pll_clock_inport},
          {"%FROM_INTERNAL_PLL_CLOCK_WIRE", &F::from_internal_pll_clock_wire}}},
        {"%FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK",
         {{"%PLL_CLOCK_INPORT", &F::pll_clock_inport},
          {"%FROM_CLOCK_GENERATOR", &F::from_clock_generator},
          {"%FROM_CLOCK_GENERATOR_OUTPORT", &F::from_clock_generator_outport},
          {"%FROM_INTERNAL_SCAN_CLOCK_WIRE", &F::from_internal_scan_clock_wire},
          {"%NEW_SCAN_CLOCK_ENABLE_INPORT", &F::new_scan_clock_enable_inport},
          {"%NEW_INTERNAL_PLL_CLOCK_WIRE", &F::new_internal_pll_clock_wire},
          {"%NEW_LBIST_DOMAIN_CLOCK_OUTPORT", &F::new_lbist_domain_clock_outport}}},
        {"%FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK",
         {{"%PLL_CLOCK_INPORT", &F::pll_clock_inport},
          {"%FROM_EXTERNAL_SCAN_CLOCK_INPORT", &F::from_external_scan_clock_inport},
          {"%THROUGH_CLOCK_GENERATOR", &F::through_clock_generator},
          {"%THROUGH_CLOCK_GENERATOR_INPORT", &F::through_clock_generator_inport},
          {"%NEW_EXTERNAL_PLL_CLOCK_INPORT", &F::new_external_pll_clock_inport}}},
        {"%FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK",
         {{"%PLL_CLOCK_OUTPORT", &F::pll_clock_outport},
          {"%DRIVE_CLOCK_WIRE", &F::drive_clock_wire},
          {"%NEW_SCAN_CLOCK_ENABLE_INPORT", &F::new_scan_clock_enable_inport},
          {"%NEW_INTERNAL_PLL_CLOCK_WIRE", &F::new_internal_pll_clock_wire},
          {"%NEW_LBIST_DOMAIN_CLOCK_OUTPORT", &F::new_lbist_domain_clock_outport}}},
    };
    return forms[kind - 1];
}

void write_pll_clock_fixes(FILE* out, const DftObject& object, int flag) {
    if (!object.pll_clock_fix) return;
    // An entry keeps only its end line: its window runs from the line
    // after the entry before it.
    int kw = INT_MIN;
    for (const PllClockFixEntry& e : *object.pll_clock_fix) {
        const int end = e.line;
        print_dft_comment(TK_PLL_CLOCK_FIX, out, 2, end, end, 0, 0);
        if (flag) std::fprintf(out, "%s\n", kBannerPllClockFix);
        std::fprintf(out, "  %%PLL_CLOCK_FIX  %s\n", e.name.c_str());
        print_dft_comment(TK_LBRACE, out, 2, kw, end, end, TK_PLL_CLOCK_FIX);
        std::fputs("     {\n", out);
        print_set(out, "     %SCOPE", e.scope);
        print_set(out, "     %PLL_PATH", e.pll_path);
        if (e.fixes)
            for (const PllClockFixItem& f : *e.fixes) {
                if (f.kind < 1 || f.kind > 6) continue;
                const FixForm& form = fix_form(f.kind);
                std::fprintf(out, "     %s %s\n        {\n", form.keyword, f.name.c_str());
                const long body = dft_block_start(out);
                if (f.period != -1) std::fprintf(out, "        %%PERIOD = %d ;\n", f.period);
                for (const FixField& field : form.fields) print_set(out, (std::string("        ") + field.keyword).c_str(), f.*field.field);
                // A period of -1 reads as not given.
                dft_block_end(out, body, "        %PERIOD = -1 ;\n");
                std::fputs("        }\n", out);
            }
        print_dft_comment(TK_RBRACE, out, 2, kw, end, end, TK_PLL_CLOCK_FIX);
        std::fputs("     }\n\n\n", out);
        kw = end + 1;
    }
}

void print_pll_clock(FILE* out, const char* keyword, const PllClockInfo& c, bool reference, bool output) {
    std::fprintf(out, "     %s\n        {\n", keyword);
    const long body = dft_block_start(out);
    // Two decimals where that is exact.
    if (c.period != -1.0) std::fprintf(out, "        %%PERIOD = %s ;\n", dft_real_text(c.period, 2).c_str());
    if (!c.clock_name.empty())
        std::fprintf(out, "        %%CLOCK %s = '%s' ;\n", c.clock_name.c_str(), dft_pattern_text(c.clock_value).c_str());
    if (!c.clock_net.empty()) std::fprintf(out, "        %%CLOCK_NET %s ;\n", c.clock_net.c_str());
    if (!c.lb_clock_name.empty())
        std::fprintf(out, "        %%LB_CLOCK %s = '%s' ;\n", c.lb_clock_name.c_str(),
                     dft_pattern_text(c.lb_clock_value).c_str());
    print_set(out, "        %ENABLE", c.enable);
    if (reference) print_set(out, "        %EXT_PORT", c.ext_port);
    if (output) print_equals(out, "        %PLL_CLOCK_BUFFER", c.buffers);
    // A period of -1.0 reads as not given.
    dft_block_end(out, body, "        %PERIOD = -1.0 ;\n");
    std::fputs("        }\n", out);
}

void write_plls(FILE* out, const DftObject& object, int flag) {
    if (!object.pll) return;
    for (const PllInfo& p : *object.pll) {
        if (flag) std::fprintf(out, "%s\n", kBannerPll);
        std::fputs("  %PLL\n     {\n", out);
        print_set(out, "     %NAME", p.name);
        print_set(out, "     %FIX_FB_CLOCK_IN_TEST", p.fix_fb_clock_in_test);
        print_set(out, "     %FB_ENABLE", p.fb_enable);
        if (p.ref_clocks)
            for (const PllClockInfo& c : *p.ref_clocks) print_pll_clock(out, "%REF_CLOCK", c, true, false);
        if (p.fb_clocks)
            for (const PllClockInfo& c : *p.fb_clocks) print_pll_clock(out, "%FB_CLOCK", c, false, false);
        if (p.output_clocks)
            for (const PllClockInfo& c : *p.output_clocks) print_pll_clock(out, "%OUTPUT_CLOCK", c, false, true);
        print_equals(out, "     %FORCE0", p.force0);
        print_equals(out, "     %FORCE1", p.force1);
        print_equals(out, "     %CONSTANT0", p.constant0);
        print_equals(out, "     %CONSTANT1", p.constant1);
        print_equals(out, "     %DONT_MODIFY", p.dont_modify);
        if (p.auto_constant != -1) std::fprintf(out, "     %%AUTO_CONSTANT = %d ;\n", p.auto_constant);
        if (p.scan_ck_muxes)
            for (const ScanCkMuxEntry& m : *p.scan_ck_muxes) {
                std::fputs("     %SCAN_CK_MUX\n         {\n", out);
                print_set(out, "       %NAME", m.name);
                print_set(out, "       %PLL_CK_PIN", m.pll_ck_pin);
                print_set(out, "       %SCAN_CK_PIN", m.scan_ck_pin);
                print_set(out, "       %CLK_NET", m.clk_net);
                std::fputs("         }\n", out);
            }
        if (p.two_pulse_gens)
            for (const TwoPulseGenEntry& g : *p.two_pulse_gens) {
                std::fputs("     %TWO_PULSE_GEN\n         {\n", out);
                print_set(out, "       %NAME", g.name);
                print_set(out, "       %CAPTURE_MODE", g.capture_mode);
                print_set(out, "       %FINISH_MODE", g.finish_mode);
                print_set(out, "       %RESET_MODE", g.reset_mode);
                std::fputs("         }\n", out);
            }
        std::fputs("     }\n", out);
    }
}

void write_blackboxes(FILE* out, const DftObject& object, int flag) {
    if (!object.blackbox) return;
    for (const BlackboxInfo& b : *object.blackbox) {
        if (flag) std::fprintf(out, "%s\n", kBannerBlackbox);
        std::fputs("  %BLACKBOX\n     {\n", out);
        print_set(out, "     %INSTANCE_NAME", b.instance_name);
        print_set(out, "     %MODULE_NAME", b.module_name);
        print_equals(out, "     %FORCE0", b.force0);
        print_equals(out, "     %FORCE1", b.force1);
        print_equals(out, "     %CONSTANT0", b.constant0);
        print_equals(out, "     %CONSTANT1", b.constant1);
        print_equals(out, "     %DONT_MODIFY", b.dont_modify);
        print_equals(out, "     %CLOCK", b.clocks);
        if (b.input_mode == kBlackboxObserve) std::fputs("    %INPUT = OBSERVE ;\n", out);
        else if (b.input_mode == BLACKBOX_MODE_DONT_MODIFY) std::fputs("    %INPUT = DONT_MODIFY ;\n", out);
        switch (b.output_mode) {
        case kBlackboxControl: std::fputs("    %OUTPUT = CONTROL ;\n", out); break;
        case BLACKBOX_MODE_DONT_MODIFY: std::fputs("    %OUTPUT = DONT_MODIFY ;\n", out); break;
        case kBlackboxOne: std::fputs("    %OUTPUT = 1 ;\n", out); break;
        case kBlackboxZero: std::fputs("    %OUTPUT = 0 ;\n", out); break;
        default: break;
        }
        std::fputs("     }\n", out);
    }
}

void write_file_section(FILE* out, const std::optional<FileRefRecord>& r, int token, const char* keyword,
                        const char* banner) {
    if (!r) return;
    const int kw = r->top_line, end = r->line;
    print_dft_comment(token, out, 2, kw, end, 0, 0);
    if (banner) std::fprintf(out, "%s\n", banner);
    std::fprintf(out, "  %s\n", keyword);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, end, token);
    std::fputs("     {\n", out);
    print_dft_comment(TK_FILE_NAME, out, 5, kw, end, 0, 0);
    std::fprintf(out, "     %%FILE_NAME  = \" %s \" ;\n", dft_string_text(r->file_name).c_str());
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, token);
    std::fputs("     }\n\n\n", out);
}

}  // namespace

void write_pll_and_files(FILE* out, const DftObject& object, int flag) {
    write_pll_clock_fixes(out, object, flag);
    write_plls(out, object, flag);
    write_blackboxes(out, object, flag);
    write_file_section(out, object.read_map, TK_READ_MAP, "%READ_MAP", flag ? kBannerReadMap : nullptr);
    write_file_section(out, object.lockup_latch_file, TK_LOCKUP_LATCH_FILE, "%LOCKUP_LATCH_FILE",
                       flag ? kBannerLockupLatchFile : nullptr);
    for (const LockupLatchFileRecord& r : object.more_lockup_latch_files)
        write_file_section(out, r, TK_LOCKUP_LATCH_FILE, "%LOCKUP_LATCH_FILE", nullptr);
    write_file_section(out, object.modify_cmd, TK_SCAN_MODIFY_CMD, "%SCAN_MODIFY_CMD", kBannerReadMap);
    if (object.scan_repair) {
        const ScanRepairRecord& r = *object.scan_repair;
        std::fputs("  %SCAN_REPAIR\n     {\n     %FORCE_NET\n        {\n", out);
        const long body = dft_block_start(out);
        // The net is a name in the language, not a string.
        print_set(out, "         %NET_NAME", r.net_name);
        if (!r.shift.empty()) std::fprintf(out, "         %%SHIFT    = '%s' ;\n", r.shift.c_str());
        if (!r.hold.empty()) std::fprintf(out, "         %%HOLD     = '%s' ;\n", r.hold.c_str());
        if (!r.capture.empty()) std::fprintf(out, "         %%CAPTURE  = '%s' ;\n", r.capture.c_str());
        // An empty pattern reads as not given.
        dft_block_end(out, body, "         %SHIFT    = '\t' ;\n");
        std::fputs("        }\n     }\n\n\n", out);
    }
}
