// The DFT file writer's connection sections: every %CONNECT_SCAN chain,
// every %CONNECT_CORE and every %CONNECT_BIST.
#include <cstdio>
#include <string>
#include <vector>

#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// The line window of the record being printed.
struct Window {
    int kw;
    int end;
};

void comment(FILE* out, int token, int indent, Window w, int limit = 0, int block = 0) {
    print_dft_comment(token, out, indent, w.kw, w.end, limit, block);
}

// The name of an instruction a statement names: the record's, or, for one
// the file does not define, the name as written.
const std::string& instruction_text(const InstructionRecord* r, const std::string& written) {
    return r ? r->name : written;
}

// "<lead> = <value> ;" when the value is set, after its comments.
void print_set(FILE* out, int token, Window w, const char* lead, const std::string& value, int limit = 0) {
    if (value.empty()) return;
    comment(out, token, 8, w, limit);
    std::fprintf(out, "%s = %s ;\n", lead, value.c_str());
}

// A pad-class list: the names stand in one column, the last ends " ;".
// Every line is a plain name list, so the list reads back as written.
void print_pad_classes(FILE* out, int token, Window w, const char* lead, const TextList& names) {
    if (names.empty()) return;
    comment(out, token, 8, w);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* sep = i + 1 == names.size() ? ";" : ",";
        if (i == 0) std::fprintf(out, "%s = %s %s\n", lead, names[i].c_str(), sep);
        else std::fprintf(out, "%28s%s %s\n", "", names[i].c_str(), sep);
    }
}

void print_port_lines(FILE* out, Window w, const PortRecord& p) {
    print_set(out, TK_SCAN_IN, w, "        %SCAN_IN ", p.scan_in2);
    print_set(out, TK_SCAN_OUT, w, "        %SCAN_OUT", p.scan_out2);
    print_set(out, TK_DEFAULT, w, "        %DEFAULT ", p.default_value);
}

void print_selects(FILE* out, Window w, const std::vector<SelectRecord>& selects, int block) {
    for (const SelectRecord& s : selects) {
        comment(out, block, 5, w, s.line);
        std::fprintf(out, "     %s\n", s.name.c_str());
        comment(out, TK_LBRACE, 8, w, s.line, block);
        std::fputs("        {\n", out);
        print_set(out, TK_SELECT, w, "        %SELECT       ", s.select, s.line);
        print_set(out, TK_GLOBAL_SELECT, w, "        %GLOBAL_SELECT", s.global_select, s.line);
        comment(out, TK_RBRACE, 8, w, s.line, block);
        std::fputs("        }\n", out);
    }
}

void print_clocks(FILE* out, Window w, const std::vector<ClockRecord>& clocks, int block, bool polarity) {
    for (const ClockRecord& c : clocks) {
        if (c.name.empty()) continue;
        comment(out, block, 5, w, c.line);
        std::fprintf(out, "     %s\n", c.name.c_str());
        comment(out, TK_LBRACE, 8, w, c.line, block);
        std::fputs("        {\n", out);
        print_set(out, TK_CLOCK, w, "        %CLOCK       ", c.clock, c.line);
        if (!c.global_clock.empty()) {
            print_set(out, TK_GLOBAL_CLOCK, w, "        %GLOBAL_CLOCK", c.global_clock, c.line);
        } else if (!c.global_clock_first.empty()) {
            comment(out, TK_GLOBAL_CLOCK, 8, w, c.line);
            std::fprintf(out, "        %%GLOBAL_CLOCK = %s { %s } ;\n", c.global_clock_first.c_str(),
                         c.global_clock_second.c_str());
        }
        if (polarity && c.polarity != CLOCK_POLARITY_NONE) {
            comment(out, TK_CLOCK_POLARITY, 8, w, c.line);
            if (c.polarity == CLOCK_POLARITY_POSITIVE) std::fputs("        %CLOCK_POLARITY = POSITIVE ;\n", out);
            else if (c.polarity == CLOCK_POLARITY_NEGATIVE) std::fputs("        %CLOCK_POLARITY = NEGATIVE ;\n", out);
        }
        comment(out, TK_RBRACE, 8, w, c.line, block);
        std::fputs("        }\n", out);
    }
}

// One written group: a lone name, or the names of a braced group.
std::string group_text(const InstancesRecord& r, const GroupListRecord& g) {
    std::string text;
    for (std::size_t index : g.elements) {
        if (index >= r.elements.size() || r.elements[index].instance.empty()) continue;
        if (!text.empty()) text += " ";
        text += r.elements[index].instance;
    }
    if (g.elements.size() > 1 && !text.empty()) text = "{ " + text + " }";
    return text;
}

// The instance lists: written in the file (each group on a line of its
// own, braced groups kept), or by the instance file they came from.
void print_instances(FILE* out, Window w, const std::vector<InstancesRecord>& lists, int list_token,
                     const char* list_kw, int file_token, const char* file_kw, const char* close) {
    std::vector<const InstancesRecord*> files;
    for (const InstancesRecord& r : lists)
        if (!r.file_name.empty()) files.push_back(&r);
    if (!files.empty()) {
        // Every instance file in one block: the block is read once.
        const int line = files.front()->line;
        comment(out, file_token, 5, w);
        std::fprintf(out, "     %s\n", file_kw);
        comment(out, TK_LBRACE, 8, w, line, file_token);
        std::fputs("        {\n", out);
        comment(out, TK_FILE_NAME, 8, w);
        for (const InstancesRecord* r : files)
            std::fprintf(out, "        %%FILE_NAME = \" %s \" ;\n", dft_string_text(r->file_name).c_str());
        comment(out, TK_RBRACE, 8, w, line, file_token);
        std::fputs("        }\n", out);
    }
    for (const InstancesRecord& r : lists) {
        if (r.file_name.empty()) {
            std::vector<std::string> lines;
            if (!r.groups.empty()) {
                for (const GroupListRecord& g : r.groups)
                    if (std::string t = group_text(r, g); !t.empty()) lines.push_back(std::move(t));
            } else {
                for (const InstanceElement& e : r.elements)
                    if (!e.instance.empty()) lines.push_back(e.instance);
            }
            // The grammar wants at least one name in the list.
            if (lines.empty()) continue;
            comment(out, list_token, 5, w);
            std::fprintf(out, "     %s\n", list_kw);
            comment(out, TK_LBRACE, 8, w, r.line, list_token);
            std::fputs("        {\n", out);
            // The separator goes by the lines printed, so the last line
            // ends " ;" even when unnamed elements follow it.
            for (std::size_t k = 0; k < lines.size(); ++k)
                std::fprintf(out, "        %s %s\n", lines[k].c_str(), k + 1 == lines.size() ? ";" : ",");
            comment(out, TK_RBRACE, 8, w, r.line, list_token);
            std::fputs(close, out);
        }
    }
}

void write_chain(FILE* out, const ConnectScanRecord& r) {
    const Window w{r.name_line, r.item_line};
    comment(out, TK_CONNECT_SCAN, 2, w);
    std::fprintf(out, "  %%CONNECT_SCAN  %s %s\n", r.first_name.c_str(), r.second_name.c_str());
    comment(out, TK_LBRACE, 5, w, w.kw - 3, TK_CONNECT_SCAN);
    std::fputs("     {\n", out);
    if (r.ms_violation != -1) std::fprintf(out, "     %%MS_VIOLATION  %d ; \n", r.ms_violation);
    if (r.scan_delay) {
        const ScanDelayRecord& d = *r.scan_delay;
        comment(out, TK_SCAN_DELAY, 5, w);
        std::fputs("     %SCAN_DELAY\n", out);
        comment(out, TK_LBRACE, 8, w, d.line, TK_SCAN_DELAY);
        std::fputs("        {\n", out);
        print_set(out, TK_DELAY_OUT, w, "        %DELAY_OUT  ", d.delay_out);
        print_set(out, TK_DELAY_OUT_DEFAULT, w, "        %DELAY_OUT_DEFAULT", d.delay_out_default);
        print_set(out, TK_SCAN_TEST, w, "        %SCAN_TEST  ", d.scan_test);
        comment(out, TK_RBRACE, 8, w, d.line, TK_SCAN_DELAY);
        std::fputs("        }\n", out);
    }
    if (r.scan_pad) {
        const ScanPadRecord& p = *r.scan_pad;
        comment(out, TK_SCAN_PAD, 5, w);
        std::fputs("     %SCAN_PAD\n", out);
        comment(out, TK_LBRACE, 8, w, p.line, TK_SCAN_PAD);
        std::fputs("        {\n", out);
        print_set(out, TK_SDI_PAD_NAME, w, "        %SDI_PAD_NAME", p.sdi_pad_name);
        print_set(out, TK_SDO_PAD_NAME, w, "        %SDO_PAD_NAME", p.sdo_pad_name);
        print_set(out, TK_SDI_PAD_OUT, w, "        %SDI_PAD_OUT ", p.sdi_pad_out);
        print_set(out, TK_SDO_PAD_IN, w, "        %SDO_PAD_IN  ", p.sdo_pad_in);
        print_pad_classes(out, TK_SDO_PAD_CLASS, w, "        %SDO_PAD_CLASS  ", p.sdo_pad_classes);
        print_pad_classes(out, TK_SDI_PAD_CLASS, w, "        %SDI_PAD_CLASS  ", p.sdi_pad_classes);
        comment(out, TK_RBRACE, 8, w, p.line, TK_SCAN_PAD);
        std::fputs("        }\n", out);
    }
    if (r.scan_port) {
        const PortRecord& p = *r.scan_port;
        comment(out, TK_SCAN_PORT, 8, w);
        // The port keeps its name.
        if (p.name.empty()) std::fputs("     %SCAN_PORT\n", out);
        else std::fprintf(out, "     %%SCAN_PORT  %s\n", p.name.c_str());
        comment(out, TK_LBRACE, 8, w, p.line, TK_SCAN_PORT);
        std::fputs("        {\n", out);
        print_port_lines(out, w, p);
        comment(out, TK_RBRACE, 8, w, p.line, TK_SCAN_PORT);
        std::fputs("        }\n", out);
    }
    print_selects(out, w, r.scan_selects, TK_SCAN_SELECT_N);
    print_clocks(out, w, r.scan_clocks, TK_SCAN_CLOCK, true);
    print_instances(out, w, r.instances, TK_SCAN_INSTANCES, "%SCAN_INSTANCES", TK_SCAN_INSTANCES_FILE,
                    "%SCAN_INSTANCES_FILE", "\n        }\n");
    if (const std::string& name = instruction_text(r.scan_instruction, r.scan_instruction_name); !name.empty()) {
        comment(out, TK_LBRACE, 8, w, w.end, TK_SCAN_INSTRUCTION);
        std::fputs("     %SCAN_INSTRUCTION\n        {\n", out);
        comment(out, TK_INSTRUCTION, 8, w);
        std::fprintf(out, "        %%INSTRUCTION = %s ;\n", name.c_str());
        comment(out, TK_RBRACE, 8, w, w.end, TK_SCAN_INSTRUCTION);
        std::fputs("        }\n", out);
    }
    comment(out, TK_RBRACE, 5, w, w.end, TK_CONNECT_SCAN);
    std::fputs("     }\n\n\n", out);
}

void print_instruction_block(FILE* out, const char* keyword, const InstructionRecord* r, const std::string& written) {
    const std::string& name = instruction_text(r, written);
    if (name.empty()) return;
    std::fprintf(out, "     %s\n        {\n        %%INSTRUCTION = %s ;\n        }\n", keyword, name.c_str());
}

void write_core(FILE* out, const ConnectCoreRecord& r) {
    std::fprintf(out, "  %%CONNECT_CORE %s\n     {\n", r.name.c_str());
    const long body = dft_block_start(out);
    if (!r.file_name.empty()) std::fprintf(out, "     %%CORE_PACKAGE_FILE = \" %s \" ;\n", dft_string_text(r.file_name).c_str());
    if (!r.instance_name.empty()) std::fprintf(out, "     %%INSTANCE_NAME = %s ;\n", r.instance_name.c_str());
    if (!r.module_name.empty()) std::fprintf(out, "     %%MODULE_NAME = %s ;\n", r.module_name.c_str());
    print_instruction_block(out, "%CORE_INSTRUCTION", r.core_instruction, r.core_instruction_name);
    print_instruction_block(out, "%SYSTEM_INSTRUCTION", r.system_instruction, r.system_instruction_name);
    for (const PortRecord& p : r.scan_ports) {
        if (p.name.empty()) std::fputs("     %SCAN_PORT\n", out);
        else std::fprintf(out, "     %%SCAN_PORT  %s\n", p.name.c_str());
        std::fputs("        {\n", out);
        if (!p.scan_in2.empty()) std::fprintf(out, "        %%SCAN_IN  = %s ;\n", p.scan_in2.c_str());
        if (!p.scan_out2.empty()) std::fprintf(out, "        %%SCAN_OUT = %s ;\n", p.scan_out2.c_str());
        if (!p.default_value.empty()) std::fprintf(out, "        %%DEFAULT  = %s ;\n", p.default_value.c_str());
        std::fputs("        }\n", out);
    }
    dft_block_end(out, body, "     %CORE_PACKAGE_FILE = \"  \" ;\n");
    std::fputs("     }\n\n\n", out);
}

void write_bist(FILE* out, const ConnectBistRecord& r) {
    const Window w{r.name_line, r.item_line};
    comment(out, TK_CONNECT_BIST, 2, w);
    std::fprintf(out, "  %%CONNECT_BIST  %s %s\n", r.first_name.c_str(), r.second_name.c_str());
    comment(out, TK_LBRACE, 5, w, w.kw - 3, TK_CONNECT_BIST);
    std::fputs("     {\n", out);
    const long body = dft_block_start(out);
    // A %BIST_TYPE of an empty string is written too: the block reads as
    // missing the statement without it.
    if (r.bist_type_given || !r.bist_type.empty()) {
        comment(out, TK_BIST_TYPE, 5, w);
        std::fprintf(out, "     %%BIST_TYPE = \" %s \" ; %s\n", dft_string_text(r.bist_type).c_str(), kTrailerBistType);
    }
    if (r.bist_port) {
        const PortRecord& p = *r.bist_port;
        comment(out, TK_BIST_PORT, 5, w);
        std::fputs("     %BIST_PORT\n", out);
        comment(out, TK_LBRACE, 8, w, p.line, TK_BIST_PORT);
        std::fputs("        {\n", out);
        print_port_lines(out, w, p);
        comment(out, TK_RBRACE, 8, w, p.line, TK_BIST_PORT);
        std::fputs("        }\n", out);
    }
    print_selects(out, w, r.bist_selects, TK_BIST_SELECT_N);
    print_clocks(out, w, r.bist_clocks, TK_BIST_CLOCK_N, false);
    print_instances(out, w, r.instances, TK_BIST_INSTANCES, "%BIST_INSTANCES", TK_BIST_INSTANCES_FILE,
                    "%BIST_INSTANCES_FILE", "        }\n");
    if (r.bist_instruction) {
        const BistInstruRecord& b = *r.bist_instruction;
        comment(out, TK_BIST_INSTRUCTION, 5, w);
        std::fputs("     %BIST_INSTRUCTION\n", out);
        comment(out, TK_LBRACE, 8, w, b.line, TK_BIST_INSTRUCTION);
        std::fputs("        {\n", out);
        const long statements = dft_block_start(out);
        if (const std::string& name = instruction_text(b.instruction, b.instruction_name); !name.empty()) {
            comment(out, TK_INSTRUCTION, 8, w);
            std::fprintf(out, "        %%INSTRUCTION = %s ;\n", name.c_str());
        }
        // An empty seed is written as a quoted tab, which reads back as
        // the empty pattern.
        if (b.seed_given || !b.pattern.empty()) {
            comment(out, TK_SEED, 8, w);
            std::fprintf(out, "        %%SEED        = '%s' ;\n", dft_pattern_text(b.pattern).c_str());
        }
        dft_block_end(out, statements, "        %SEED        = '\t' ;\n");
        comment(out, TK_RBRACE, 8, w, b.line, TK_BIST_INSTRUCTION);
        std::fputs("        }\n", out);
    }
    dft_block_end(out, body, "     %BIST_TYPE = \"  \" ;\n");
    comment(out, TK_RBRACE, 5, w, w.end, TK_CONNECT_BIST);
    std::fputs("     }\n\n\n", out);
}

}  // namespace

void write_connections(FILE* out, const DftObject& object, int flag) {
    if (!object.connect_scan.empty() && flag) std::fprintf(out, "%s\n", kBannerConnectScan);
    for (const ConnectScanRecord& r : object.connect_scan) write_chain(out, r);
    for (const ConnectCoreRecord& r : object.connect_core) write_core(out, r);
    if (!object.connect_bist.empty() && flag) std::fprintf(out, "%s\n", kBannerConnectBist);
    for (const ConnectBistRecord& r : object.connect_bist) write_bist(out, r);
}
