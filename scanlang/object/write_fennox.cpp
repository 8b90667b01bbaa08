// The DFT file writer's FENNOX sections: the %FENNOX_INFO entries, the
// %CIPHERTEXT strings as read, and the in- and out-groups with their
// %INSTRUCTION_BINARY and %REGISTER_LENGTH values.
#include <cstdio>
#include <string>
#include <vector>

#include "scanlang/object/dft_object.h"
#include "scanlang/object/scan_interface.h"
#include "scanlang/object/write_sections.h"

namespace {

// Lines of a wrapped name list end once the running width passes this.
constexpr std::size_t kWrapWidth = 74;

// A name list after `head`, wrapped: a continuation line starts with
// `indent` blanks; `h` is the head's share of the running width.
void print_wrapped(FILE* out, const char* head, std::size_t h, int indent, const DynArray<std::string>& names) {
    if (!names) return;
    std::fputs(head, out);
    std::size_t width = 0;
    for (std::size_t i = 0; i < names->size(); ++i) {
        const std::string& n = (*names)[i];
        if (i == 0) {
            std::fprintf(out, " %s", n.c_str());
            width = n.size() + h;
            continue;
        }
        width += n.size();
        if (width > kWrapWidth) {
            std::fprintf(out, " ,\n%*s%s", indent, "", n.c_str());
            width = n.size() + h;
        } else {
            std::fprintf(out, " , %s", n.c_str());
            width += 2;
        }
    }
    std::fputs(" ;\n", out);
}

void print_in_item(FILE* out, const FennoxGroupItem& i) {
    std::fputs("          ", out);
    if (!i.text.empty()) std::fputs(i.text.c_str(), out);
    // Each entry as its name with the value in braces, or the value alone.
    auto entry = [&](const std::string& head, const std::string& value) {
        if (!head.empty()) {
            std::fprintf(out, " , %s", head.c_str());
            if (!value.empty()) std::fprintf(out, " { %s }", value.c_str());
        } else if (!value.empty()) {
            std::fprintf(out, " , %s", value.c_str());
        }
    };
    entry(i.text2_head, i.text2);
    entry(i.text3_head, i.text3);
    if (!i.q_name.empty()) std::fprintf(out, " , %s ;\n", i.q_name.c_str());
    else std::fputs(" ;\n", out);
}

void print_out_item(FILE* out, const FennoxGroupItem& i) {
    std::fputs("          ", out);
    if (!i.text.empty()) std::fputs(i.text.c_str(), out);
    for (const std::string& f : i.flags) std::fprintf(out, " , %s", f.c_str());
    if (i.reg_index != -1) std::fprintf(out, " , REG ( %d ) ;\n", i.reg_index);
    else std::fputs(" ;\n", out);
}

void print_groups(FILE* out, const char* keyword, const std::vector<FennoxGroup>& groups,
                  void (*item)(FILE*, const FennoxGroupItem&)) {
    for (std::size_t n = 0; n < groups.size(); ++n) {
        const FennoxGroup& g = groups[n];
        std::fprintf(out, "  %s%d\n  {\n", keyword, static_cast<int>(n + 1));
        if (!g.name.empty()) std::fprintf(out, "      %%PORT_NAME %s ;\n", g.name.c_str());
        if (!g.items.empty()) {
            std::fputs("      %GROUP\n      {\n", out);
            for (const FennoxGroupItem& i : g.items) item(out, i);
            std::fputs("      }\n", out);
        }
        std::fputs("  }\n", out);
    }
}

}  // namespace

void write_fennox(FILE* out, const DftObject& o) {
    if (o.fennox_info)
        for (const FennoxInfoEntry& e : *o.fennox_info) {
            if (!e.name.empty()) std::fprintf(out, "  %%FENNOX_INFO %s\n", e.name.c_str());
            else std::fputs("  %FENNOX_INFO\n", out);
            std::fputs("  {\n", out);
            print_wrapped(out, "      %CHAIN_ORDER", 19, 18, e.chain_order);
            print_wrapped(out, "      %VIRTUAL_SOURCE", 22, 22, e.virtual_source);
            print_wrapped(out, "      %VIRTUAL_CONTROL", 23, 23, e.virtual_control);
            std::fputs("  }\n\n", out);
        }
    if (o.ciphertext) {
        std::fputs("  %CIPHERTEXT\n  {\n", out);
        for (const std::string& s : *o.ciphertext) std::fprintf(out, "      %s\n", s.c_str());
        std::fputs("  }\n", out);
    }
    // The two values are written whenever set, so none is lost with the
    // groups absent or kept coded.
    // The pattern is held without its quotes; the language reads it quoted.
    if (!o.instruction_binary.empty())
        std::fprintf(out, "  %%INSTRUCTION_BINARY '%s' ;\n", o.instruction_binary.c_str());
    if (o.register_length != -1) std::fprintf(out, "  %%REGISTER_LENGTH %d ;\n", o.register_length);
    // Groups decoded from the ciphertext stay coded in the file, unless
    // the debug switch asks for them in plain text too; groups the file
    // wrote in plain text are written back so, beside a ciphertext too.
    if (o.fennox_groups_decoded && !DEBUG_FLAG) return;
    if (!o.fennox_in_groups && !o.fennox_out_groups) return;
    if (o.fennox_in_groups) print_groups(out, "%FENNOX_IN_", *o.fennox_in_groups, print_in_item);
    if (o.fennox_out_groups) print_groups(out, "%FENNOX_OUT_", *o.fennox_out_groups, print_out_item);
    std::fputs("\n", out);
}
