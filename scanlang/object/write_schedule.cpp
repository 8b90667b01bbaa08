// The DFT file writer's test schedule, test sessions and test
// architecture.  These sections carry no banner and put no comment back.
#include <cstdio>
#include <string>

#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_sections.h"

namespace {

// A list in the equals form's separators: " a , b , c".
void print_separated(FILE* out, const DynArray<std::string>& names) {
    if (!names) return;
    for (std::size_t i = 0; i < names->size(); ++i) std::fprintf(out, i == 0 ? " %s" : " , %s", (*names)[i].c_str());
}

void print_tam_port(FILE* out, const char* block, const TamPortRecord& r, const char* port, const char* pad,
                    const char* pad_other) {
    std::fprintf(out, "        %s %s\n        {\n", block, r.name.c_str());
    const struct {
        const char* keyword;
        const std::string& value;
    } items[] = {{port, r.port}, {pad, r.pad}, {pad_other, r.pad_other}};
    for (const auto& item : items)
        if (!item.value.empty()) std::fprintf(out, "          %s = %s ;\n", item.keyword, item.value.c_str());
    std::fputs("        }\n", out);
}

void print_tam_core(FILE* out, const TamCoreEntry& c) {
    std::fprintf(out, "      %%CORE %s\n      {\n", c.core_name.c_str());
    // Every block of a kind, the last (the core's own field) last.
    for (const TamPortRecord& r : c.earlier_tam_ins)
        print_tam_port(out, "%TAM_IN", r, "%TAM_IN_PORT", "%TAM_IN_PAD", "%TAM_IN_PAD_OUT");
    if (c.tam_in) print_tam_port(out, "%TAM_IN", *c.tam_in, "%TAM_IN_PORT", "%TAM_IN_PAD", "%TAM_IN_PAD_OUT");
    for (const TamPortRecord& r : c.earlier_tam_outs)
        print_tam_port(out, "%TAM_OUT", r, "%TAM_OUT_PORT", "%TAM_OUT_PAD", "%TAM_OUT_PAD_IN");
    if (c.tam_out) print_tam_port(out, "%TAM_OUT", *c.tam_out, "%TAM_OUT_PORT", "%TAM_OUT_PAD", "%TAM_OUT_PAD_IN");
    if (c.ports)
        for (const TamPortInfoEntry& p : *c.ports) {
            std::fputs("        %PORT_INFO\n        {\n          %PORT", out);
            if (!p.name.empty()) std::fprintf(out, " %s", p.name.c_str());
            std::fputs("\n          {\n", out);
            if (!p.type.empty()) std::fprintf(out, "            %%TYPE %s ;\n", p.type.c_str());
            if (p.port_map) {
                std::fputs("            %PORT_MAP", out);
                print_separated(out, p.port_map);
                std::fputs(" ;\n", out);
            }
            std::fputs("          }\n        }\n", out);
        }
    std::fputs("      }\n", out);
}

void print_schedule(FILE* out, const TestScheduleRecord& r) {
    std::fputs("  %TEST_SCHEDULE\n     {\n", out);
    if (r.sessions)
        for (const std::string& s : *r.sessions) std::fprintf(out, "     %%TEST_SESSION %s ;\n", s.c_str());
    std::fputs("     }\n", out);
}

void print_architecture(FILE* out, const TestArchitectureRecord& a) {
    std::fputs("  %TEST_ARCHITECTURE\n  {\n", out);
    if (!a.type.empty()) std::fprintf(out, "    %%TYPE = %s ;\n", a.type.c_str());
    if (!a.test_controller.empty()) std::fprintf(out, "    %%TEST_CONTROLLER = %s ;\n", a.test_controller.c_str());
    // The language wants a core in a %TAM_CONFIG block: an architecture
    // without TAM cores is written without one.
    if (a.tam_cores && !a.tam_cores->empty()) {
        std::fputs("    %TAM_CONFIG\n    {\n", out);
        for (const TamCoreEntry& c : *a.tam_cores) print_tam_core(out, c);
        std::fputs("    }\n", out);
    }
    std::fputs("  }\n", out);
}

}  // namespace

// Every block of a repeated section is written, the first in its place.
void write_test_schedule(FILE* out, const DftObject& object) {
    if (object.test_schedule) print_schedule(out, *object.test_schedule);
    for (const TestScheduleRecord& r : object.more_test_schedules) print_schedule(out, r);
    if (object.test_session)
        for (const TestSessionEntry& s : *object.test_session) {
            std::fprintf(out, "  %%TEST_SESSION %s ;\n     {\n", s.name.c_str());
            if (s.pairs)
                for (const TestSessionPair& p : *s.pairs)
                    std::fprintf(out, "       %s . %s ;\n", p.first.c_str(), p.second.c_str());
            std::fputs("     }\n", out);
        }
    if (object.test_architecture) print_architecture(out, *object.test_architecture);
    for (const TestArchitectureRecord& a : object.more_test_architectures) print_architecture(out, a);
}
