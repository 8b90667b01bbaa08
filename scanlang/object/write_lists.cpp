// The DFT file writer's test-access constraints, scan modules, port
// information, name lists, GUI, capture clocks, hook-up and path sections.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// The names after a head: the first as "%s", every further as " , %s";
// names, or pin references where the statement takes them.
void print_comma_names(FILE* out, const std::vector<std::string>& names, bool pin_refs = false) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string text = pin_refs ? dft_pin_ref_text(names[i], true) : dft_name_text(names[i], true);
        std::fprintf(out, i ? " , %s" : "%s", text.c_str());
    }
}

// %CLOCK, %FORCE or %FORCE_CLOCK items; %FORCE and %FORCE_CLOCK align
// their "=" after the longest name.  An item without a value (only
// %FORCE_CLOCK has them) ends after its name.
void print_ta_items(FILE* out, const std::vector<Ident2Record>& items, int token, const char* keyword, bool align,
                    int kw, int end) {
    if (items.empty()) return;
    std::size_t width = 0;
    for (const Ident2Record& i : items) width = std::max(width, i.first.size());
    for (const Ident2Record& i : items) {
        print_dft_comment(token, out, 8, kw, end, i.line, 0);
        std::fprintf(out, "        %s  %s ", keyword, i.first.c_str());
        if (i.second.empty() && token == TK_FORCE_CLOCK) {
            std::fputs(";\n", out);
            continue;
        }
        if (align) std::fprintf(out, "%*s", static_cast<int>(width - i.first.size()), "");
        std::fprintf(out, "= '%s' ;\n", dft_pattern_text(i.second).c_str());
    }
    std::fputs("\n", out);
}

void print_isolates(FILE* out, const std::vector<TaIsolateRecord>& list, int token, const char* keyword, int kw,
                    int end) {
    if (list.empty()) return;
    for (const TaIsolateRecord& r : list) {
        print_dft_comment(token, out, 8, kw, end, list.front().line, 0);
        std::fprintf(out, "        %s  %s {\n", keyword, r.name.c_str());
        const int indent = static_cast<int>(r.name.size()) + 25;
        for (std::size_t i = 0; i < r.forced.size(); ++i)
            std::fprintf(out, "%*s %s '%s'%s\n", indent, "", r.forced[i].first.c_str(),
                         dft_pattern_text(r.forced[i].second).c_str(),
                         i + 1 < r.forced.size() ? " ," : "");
        std::fprintf(out, "%*s} ;\n", indent - 2, "");
    }
    std::fputs("\n", out);
}

void print_ta_constraints(FILE* out, const TaConstraintsRecord& t) {
    const int kw = t.top_line, end = t.line;
    print_dft_comment(TK_TA_CONSTRAINTS, out, 2, kw, end, 0, 0);
    std::fputs("  %TA_CONSTRAINTS\n", out);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, end, TK_TA_CONSTRAINTS);
    std::fputs("     {\n", out);
    print_ta_items(out, t.ta_clock_list, TK_CLOCK, "%CLOCK", false, kw, end);
    print_ta_items(out, t.force_list, TK_FORCE, "%FORCE", true, kw, end);
    print_ta_items(out, t.force_clock_list, TK_FORCE_CLOCK, "%FORCE_CLOCK", true, kw, end);
    if (!t.ta_dft.empty()) {
        print_dft_comment(TK_DFT, out, 8, kw, end, 0, 0);
        for (const std::string& n : t.ta_dft) std::fprintf(out, "        %%DFT  %s ;\n", n.c_str());
        std::fputs("\n", out);
    }
    print_isolates(out, t.isolate_mod, TK_ISOLATE_MOD, "%ISOLATE_MOD", kw, end);
    print_isolates(out, t.isolate_ram, TK_ISOLATE_RAM, "%ISOLATE_RAM", kw, end);
    print_isolates(out, t.isolate_reg, TK_ISOLATE_REG, "%ISOLATE_REG", kw, end);
    if (!t.init_patterns.empty()) {
        print_dft_comment(TK_INIT_PATTERNS, out, 8, kw, end, 0, 0);
        std::fprintf(out, "        %%INIT_PATTERNS %s ;\n", t.init_patterns.c_str());
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_TA_CONSTRAINTS);
    std::fputs("     }\n\n", out);
}

void print_scan_module(FILE* out, const ScanModuleRecord& m) {
    const int kw = m.name_line, end = m.item_line;
    print_dft_comment(TK_SCAN_MODULE, out, 2, kw, end, 0, 0);
    std::fprintf(out, "  %%SCAN_MODULE  %s\n", m.name.c_str());
    print_dft_comment(TK_LBRACE, out, 5, kw, end, kw - 1, TK_SCAN_MODULE);
    std::fputs("     {\n", out);
    print_dft_value_lines(out,
                          {{TK_SCAN_IN, "      %%SCAN_IN = %s ;\n", m.scan_in},
                           {TK_SCAN_OUT, "      %%SCAN_OUT = %s ;\n", m.scan_out},
                           {TK_SCAN_MODE, "      %%SCAN_MODE = %s ;\n", m.scan_mode},
                           {TK_TEST_MODE, "      %%TEST_MODE = %s ;\n", m.test_mode}},
                          5, kw, end);
    if (m.dont_fix_info) {
        print_dft_comment(TK_DONT_FIX, out, 5, kw, end, 0, 0);
        print_dft_dont_fix(out, "      %DONT_FIX ", *m.dont_fix_info);
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_SCAN_MODULE);
    std::fputs("     }\n\n", out);
}

void print_pad_pairs(FILE* out, const char* head, const DynArray<PortPadEntry>& pairs) {
    if (!pairs) return;
    for (const PortPadEntry& p : *pairs) {
        std::fprintf(out, "        %s %s", head, p.name.c_str());
        if (p.names)
            for (std::size_t i = 0; i < p.names->size(); ++i)
                std::fprintf(out, i ? " , %s" : " { %s", (*p.names)[i].c_str());
        std::fputs(" } ;\n", out);
    }
}

void print_port_info(FILE* out, const std::vector<PortInfoEntry>& ports) {
    std::fputs("%PORT_INFO {\n", out);
    for (const PortInfoEntry& e : ports) {
        std::fprintf(out, "    %%PORT %s {\n", e.name.c_str());
        switch (e.type) {
        case PORT_TYPE_INPUT: std::fputs("        %TYPE I ;\n", out); break;
        case PORT_TYPE_OUTPUT: std::fputs("        %TYPE O ;\n", out); break;
        case PORT_TYPE_CLOCK: std::fputs("        %TYPE CLK ;\n", out); break;
        default: break;
        }
        print_pad_pairs(out, "%PAD", e.pads);
        print_pad_pairs(out, "%PORT_MAP", e.port_maps);
        std::fputs("    }\n", out);
    }
    std::fputs("}\n", out);
}

void print_paths(FILE* out, const char* title, const DynArray<PathEntry>& paths) {
    if (!paths || paths->empty()) return;
    std::fputs(title, out);
    for (const PathEntry& e : *paths) {
        std::fputs("    %PATH {\n", out);
        if (e.cycle > 0) std::fprintf(out, "        %%CYCLE = %d ;\n", e.cycle);
        if (e.file_names)
            for (const std::string& f : *e.file_names) std::fprintf(out, "        %%FILE_NAME = \"%s\" ;\n", dft_string_text(f, false).c_str());
        auto list = [&](const char* head, const std::vector<std::string>& names) {
            if (names.empty()) return;
            std::fprintf(out, "        %s = ", head);
            print_comma_names(out, names, true);
            std::fputs(" ;\n", out);
        };
        if (e.from) list("%FROM", *e.from);
        if (e.through)
            for (const TextList& group : *e.through) list("%THROUGH", group);
        if (e.to) list("%TO", *e.to);
        std::fputs("    }\n", out);
    }
    std::fputs("}\n", out);
}

}  // namespace

void write_ta_and_lists(FILE* out, const DftObject& o) {
    if (o.ta_constraints) print_ta_constraints(out, *o.ta_constraints);
    for (const ScanModuleRecord& m : o.scan_module) print_scan_module(out, m);
    if (o.port_info) print_port_info(out, *o.port_info);
    if (o.scan_in_list) {
        std::fputs("  %SCAN_IN_LIST = ", out);
        print_comma_names(out, *o.scan_in_list);
        std::fputs(" ;\n", out);
    }
    if (o.core_no_scan) {
        std::fputs("  %CORE_NO_SCAN  { \n    %NAME = ", out);
        print_comma_names(out, *o.core_no_scan);
        std::fputs(" ;\n  }\n", out);
    }
    if (o.scan_out_list) {
        std::fputs("  %SCAN_OUT_LIST = ", out);
        print_comma_names(out, *o.scan_out_list);
        std::fputs(" ;\n", out);
    }
    if (o.gui_info) {
        const GuiInfoRecord& g = *o.gui_info;
        std::fputs("  %GUI\n  {\n", out);
        const long body = dft_block_start(out);
        const struct {
            const char* format;
            const std::string& value;
        } items[] = {{"    %%PATH = \" %s \" ;\n", g.path},
                     {"    %%EXTRACTION = \" %s \" ;\n", g.extraction},
                     {"    %%DRC = \" %s \" ;\n", g.drc},
                     {"    %%INIT_CONFLICT = \" %s \" ;\n", g.init_conflict},
                     {"    %%UNKNOWN = \" %s \" ;\n", g.unknown}};
        for (const auto& item : items)
            if (!item.value.empty()) std::fprintf(out, item.format, dft_string_text(item.value).c_str());
        dft_block_end(out, body, "    %PATH = \"  \" ;\n");
        std::fputs("  }\n", out);
    }
    if (o.capture_clock) {
        std::fputs("  %CAPTURE_CLOCK\n  {\n", out);
        for (const CaptureClockEntry& c : *o.capture_clock)
            std::fprintf(out, "      %%CLOCK %s = '%s' ;\n", c.first.c_str(), dft_pattern_text(c.second).c_str());
        std::fputs("  }\n", out);
    }
    if (o.hookup) {
        std::fputs("  %HOOKUP\n  {\n", out);
        for (const HookupEntry& e : o.hookup->entries) {
            std::fputs("    %CLOCK\n    {\n", out);
            if (!e.name.empty()) std::fprintf(out, "      %%NAME = %s ;\n", e.name.c_str());
            if (!e.instance_name.empty()) std::fprintf(out, "      %%INSTANCE_NAME = %s ;\n", e.instance_name.c_str());
            if (!e.pin_name.empty()) std::fprintf(out, "      %%PIN_NAME = %s ;\n", e.pin_name.c_str());
            std::fputs("    }\n", out);
        }
        std::fputs("  }\n", out);
    }
    // The object's own path lists as written (its path files are named by
    // their %FILE_NAME references, not copied in).
    print_paths(out, "\n%MULTICYCLE_PATH {\n", o.multicycle_path_list);
    print_paths(out, "\n%FALSE_PATH {\n", o.false_path_list);
    if (o.nontpi_instance) {
        std::fputs("\n%NONTPI_INSTANCE {\n", out);
        for (const std::string& n : *o.nontpi_instance) std::fprintf(out, "    %%INSTANCE = %s ;\n", n.c_str());
        std::fputs("}\n", out);
    }
    if (o.critical_path && !o.critical_path->empty()) {
        std::fputs("\n%CRITICAL_PATH {\n", out);
        for (const TextList& path : *o.critical_path) {
            if (path.empty()) continue;
            std::fputs("    %CPATH = ", out);
            print_comma_names(out, path, true);
            std::fputs(" ;\n", out);
        }
        std::fputs("}\n", out);
    }
}
