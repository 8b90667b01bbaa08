// The DFT file writer's %SELECT_FAULT section.
#include <cmath>
#include <cstdio>
#include <string>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// A fraction as a whole percentage, rounded: 0.29 is stored as
// 0.28999..., which truncation would bring back as 28%.
long percent(double fraction) { return std::lround(fraction * 100.0); }

// The first `count` names in the column form: the first on the keyword's
// line, each further one `column` blanks in, the last ending " ;".
void print_names(FILE* out, const char* keyword, int column, const TextList& names, std::size_t count) {
    if (count > names.size()) count = names.size();
    if (count == 0) return;
    std::fprintf(out, "     %s", keyword);
    for (std::size_t i = 0; i < count; ++i) {
        const char* end = i + 1 < count ? " ," : " ;";
        if (i == 0) std::fprintf(out, "  %s%s\n", names[i].c_str(), end);
        else std::fprintf(out, "%*s%s%s\n", column, "", names[i].c_str(), end);
    }
    std::fputs("\n", out);
}

// How many names of a fault list the DFT file wrote itself: those read
// from its fault file follow them and are referred to by the file line.
// The count is the object's own, so a second write keeps the list.
std::size_t written_names(int count, const TextList& names) {
    return count < 0 ? names.size() : static_cast<std::size_t>(count);
}

}  // namespace

void write_select_fault(FILE* out, const DftObject& object, int flag) {
    if (!object.select_fault) return;
    const SelectFaultRecord& r = *object.select_fault;
    const int kw = r.top_line, end = r.line;
    auto comment = [&](int token, int indent, int limit = 0, int block = 0) {
        print_dft_comment(token, out, indent, kw, end, limit, block);
    };
    comment(TK_SELECT_FAULT, 2);
    if (flag) std::fprintf(out, "%s\n", kBannerFaultSelection);
    std::fputs("  %SELECT_FAULT\n", out);
    comment(TK_LBRACE, 5, r.left_brace_line, TK_SELECT_FAULT);
    std::fputs("   {\n", out);
    const long body = dft_block_start(out);
    const struct {
        int token;
        const char* keyword;
        const std::string& value;
    } quoted[] = {{TK_FAULT_MODEL, "%FAULT_MODEL", r.fault_model},
                  {TK_DONT_FAULT_FILE, "%DONT_FAULT_FILE", r.dont_fault_file},
                  {TK_MUST_FAULT_FILE, "%MUST_FAULT_FILE", r.must_fault_file}};
    for (const auto& q : quoted) {
        if (q.value.empty()) continue;
        comment(q.token, 5);
        std::fprintf(out, "     %s = \" %s \" ;\n", q.keyword, dft_string_text(q.value).c_str());
    }
    // The percentage when the number is not set; else the number, -1 too
    // (a sample of -1 reads back as itself).
    if (const auto& v = r.random_sample) {
        comment(TK_RANDOM_SAMPLE, 5);
        if (v->integer == -1 && v->real != -1.0) std::fprintf(out, "     %%RANDOM_SAMPLE  %ld%% ;\n", percent(v->real));
        else std::fprintf(out, "     %%RANDOM_SAMPLE  %d ;\n", v->integer);
    }
    if (r.statistical_sample) {
        const StatisticRecord& s = *r.statistical_sample;
        comment(TK_STATISTICAL_SAMPLE, 5);
        std::fputs("     %STATISTICAL_SAMPLE\n", out);
        comment(TK_LBRACE, 8, s.line, TK_STATISTICAL_SAMPLE);
        std::fputs("        {\n", out);
        if (s.precision && s.precision->real != -1.0) {
            comment(TK_PRECISION, 8);
            std::fprintf(out, "        %%PRECISION   %ld%% ;\n", percent(s.precision->real));
        }
        if (s.confidence && s.confidence->real != -1.0) {
            comment(TK_CONFIDENCE_LEVEL, 8);
            std::fprintf(out, "        %%CONFIDENCE_LEVEL  %ld%% ;\n", percent(s.confidence->real));
        }
        comment(TK_RBRACE, 8, s.line, TK_STATISTICAL_SAMPLE);
        std::fputs("        }\n", out);
    }
    if (!r.dont_fault_type.empty()) comment(TK_DONT_FAULT_TYPE, 5);
    print_names(out, "%DONT_FAULT_TYPE", 23, r.dont_fault_type, r.dont_fault_type.size());
    if (!r.must_fault_type.empty()) comment(TK_MUST_FAULT_TYPE, 5);
    print_names(out, "%MUST_FAULT_TYPE", 23, r.must_fault_type, r.must_fault_type.size());
    const std::size_t dont = written_names(r.dont_fault_num, r.dont_fault);
    if (dont > 0 && !r.dont_fault.empty()) comment(TK_DONT_FAULT, 5);
    print_names(out, "%DONT_FAULT", 18, r.dont_fault, dont);
    const std::size_t must = written_names(r.must_fault_num, r.must_fault);
    if (must > 0 && !r.must_fault.empty()) comment(TK_MUST_FAULT, 5);
    print_names(out, "%MUST_FAULT", 18, r.must_fault, must);
    if (!r.dont_fault_module.empty()) comment(TK_DONT_FAULT_MODULE, 5);
    print_names(out, "%DONT_FAULT_MODULE", 26, r.dont_fault_module, r.dont_fault_module.size());
    if (!r.fault_order.empty()) {
        comment(TK_FAULT_ORDER, 5);
        std::fprintf(out, "     %%FAULT_ORDER  \" %s \" ; %s\n", dft_string_text(r.fault_order).c_str(), kTrailerFaultOrder);
    }
    if (!r.file_name.empty()) {
        comment(TK_FILE_NAME, 5);
        std::fprintf(out, "     %%FILE_NAME = \" %s \" ;\n", dft_string_text(r.file_name).c_str());
    }
    if (r.dont_fault_paths) {
        std::fputs("     %DONT_FAULT_PATH  { \n", out);
        for (const DontFaultPathEntry& p : *r.dont_fault_paths)
            std::fprintf(out, "       %s  '%s' ;\n", p.name.c_str(), dft_pattern_text(p.pattern).c_str());
        std::fputs("     } \n", out);
    }
    dft_block_end(out, body, "     %FAULT_MODEL = \"  \" ;\n");
    comment(TK_RBRACE, 5, end, TK_SELECT_FAULT);
    std::fputs("   }\n\n\n", out);
}
