// The debugging listing of the object model: label-and-colon lines and a
// few keyword-like blocks, meant for a person and never read back.
//
// Every text goes through "%s" with its std::string, so a missing text
// (empty) prints as nothing, and every line the listing opens is ended.
#include "scanlang/object/dump.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/strfmt.h"
#include "scanlang/front/pso_records.h"
#include "scanlang/object/cursors.h"
#include "scanlang/object/object_state.h"

namespace {

constexpr const char* kRule = "                         ==============================\n";
constexpr const char* kStars = "\n**************************************************\n";
constexpr const char* kPrefix = "                    ";

class Dump {
public:
    std::string text;

    void p(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        text += STR_vformat(fmt, ap);
        va_end(ap);
    }
    void s(const char* fmt, const std::string& t) { p(fmt, t.c_str()); }
    void s2(const char* fmt, const std::string& a, const std::string& b) { p(fmt, a.c_str(), b.c_str()); }

    // A value record: its integer, else its real, else nothing.
    void value(const std::optional<ValueRecord>& v) {
        if (v && v->integer != -1)
            p("%d\n", v->integer);
        else if (v && v->real != -1.0)
            p("%.2f\n", v->real);
        else
            p("\n");
    }
    void item_line(const std::string& a, const std::string& b) {
        p("%s", kPrefix);
        s2("%s ---> %s\n", a, b);
    }
    void name_line(const std::string& n) {
        p("%s", kPrefix);
        s("%s\n", n);
    }
    void name_lines(const TextList& names) {
        for (const std::string& n : names) name_line(n);
    }
    void items(const std::vector<Ident2Record>& list) {
        for (const Ident2Record& r : list) item_line(r.first, r.second);
    }
    // A name list: the first name with `first`, later ones with `later`.
    void names(const std::vector<std::string>& list, const char* first, const char* later) {
        for (std::size_t i = 0; i < list.size(); ++i) s(i == 0 ? first : later, list[i]);
    }
    // Heading, names with " %s" and " , %s", " ;" (PLL and blackbox lists).
    void keyword_list(const char* heading, const DynArray<std::string>& list) {
        if (!list) return;
        p("%s", heading);
        names(*list, " %s", " , %s");
        p(" ;\n");
    }

    void dft(const DftObject& o);
    void map(const MapObject& m);

private:
    void cores(const CoreSectionRecord& c);
    void mbist_control(const std::vector<MbistControlEntry>& list);
    void port_info(const std::vector<PortInfoEntry>& ports);
    void pad_pairs(const char* head, const DynArray<PortPadEntry>& pairs);
    void paths_written(const char* title, const std::vector<PathEntry>& paths,
                       const DynArray<PathFileRecord>& files, bool cycles);
    void paths_all(const std::vector<PathEntry>& paths, bool cycles);
    void path_body(const PathEntry& e, const char* indent, const char* from_later, bool cycles);
    void cfg(const DftObject& o);
    void sequences();
    void instructions();
    void step_line(int kind, bool always_extra);
    void clock_fixes(const std::vector<PllClockFixEntry>& list);
    void plls(const std::vector<PllInfo>& list);
    void pll_clocks(const char* head, const DynArray<PllClockInfo>& clocks);
    void blackboxes(const std::vector<BlackboxInfo>& list);
    void chain(const ConnectScanRecord& c);
    void element_line(const InstanceElement& e);
    void bist();
    void atpg();
    void fault(const SelectFaultRecord& f);
    void conversion(const TestConversionRecord& t);
    void wrapper(const WrapperRecord& w);
    void gristel(const GristelInfoRecord& g);
};

void Dump::cores(const CoreSectionRecord& c) {
    p("CORE :\n");
    for (const CoreInfoRecord& core : c.cores) {
        s("    NAME : %s", core.core_name);
        if (!core.dft_file.empty()) s("  DFT_FILE : %s\n", core.dft_file); else p("\n");
        if (!core.lbist_file.empty()) s("  LBIST_FILE : %s\n", core.lbist_file); else p("\n");
        if (core.preamble) {
            p("    PREAMBLE =");
            for (std::size_t j = 0; j < core.preamble->size(); ++j) {
                const SequenceRecord* seq = (*core.preamble)[j];
                current_sequence = seq;
                if (seq && !seq->name.empty()) s(j == 0 ? " %s" : ", %s", seq->name);
            }
            p("\n");
        }
        if (core.tie0) { p("     %%TIE0 ="); names(*core.tie0, " %s", " , %s"); p(" ;\n"); }
        if (core.tie1) { p("     %%TIE1 ="); names(*core.tie1, " %s", " , %s"); p(" ;\n"); }
        if (core.dont_fix_info) {
            p("    %%DONT_FIX : ");
            for (const DontFixEntry& d : *core.dont_fix_info)
                if (!d.name.empty() && !d.value.empty()) s2(" %s{%s}", d.name, d.value);
            p(";\n");
        }
        if (core.patsets)
            for (const CorePatsetRecord& ps : *core.patsets) {
                if (!ps.name.empty()) { s("     %%PATSET %s\n", ps.name); p("     {\n"); }
                if (!ps.dft_file.empty()) s("         %%DFT_FILE = \" %s \" ;\n", ps.dft_file);
                auto seq_list = [&](const char* head, const DynArray<const SequenceRecord*>& list) {
                    if (!list) return;
                    p("%s", head);
                    for (std::size_t j = 0; j < list->size(); ++j) {
                        const SequenceRecord* seq = (*list)[j];
                        current_sequence = seq;
                        if (seq) s(j == 0 ? " %s" : " , %s", seq->name);
                    }
                    p(" ;\n");
                };
                seq_list("         %PREAMBLE =", ps.preamble);
                seq_list("         %FORCE_LIST =", ps.force_sequences);
                if (!ps.btp.empty()) s("         %%BTP = \" %s \" ;\n", ps.btp);
                if (!ps.tp.empty()) s("         %%TP = \" %s \" ;\n", ps.tp);
                if (!ps.int_value.empty()) s("         %%INT = \" %s \" ;\n", ps.int_value);
                if (!ps.option.empty()) s("         %%OPTION = \" %s \" ;\n", ps.option);
                p("     }\n");
            }
    }
    p("\n");
}

void Dump::mbist_control(const std::vector<MbistControlEntry>& list) {
    static constexpr const char* kKeywords[MBIST_SIGNAL_COUNT] = {
        "BISTMODE",       "BISTFAIL",        "ERRMAP",          "BIST_RESULT_EN",  "BIST_RESULT_IN",
        "BIST_RESULT_OUT", "FINISH",         "UTI_SCAN_IN",     "UTI_SCAN_OUT",    "MEMGROUPSEL",
        "MEMGROUPSEL_IN", "MEMGROUPSEL_OUT", "BIST_SEL_EN",     "QDX_TIS",         "VCLK",
        "QDX_UTI_IN",     "QDX_UTI_OUT",     "QDX_UTI_SHIFT",   "QDX_UTI_HOLD_IN", "QDX_UTI_HOLD_OUT",
        "BYPASS",         "BIST_CLK",        "SHIFTEND",        "SIGNATUREOUT"};
    for (const MbistControlEntry& e : list) {
        p("  %%MBIST_CONTROL %d\n", e.number);
        p("     {\n");
        for (int k = 0; k < MBIST_SIGNAL_COUNT; ++k) {
            const std::optional<MbistSignalRecord>& sig = e.signals[static_cast<std::size_t>(k)];
            if (!sig) continue;
            if (!sig->instance.empty())
                p("     %%%s = %s.%s;\n", kKeywords[k], sig->instance.c_str(), sig->pin.c_str());
            else
                p("     %%%s = {%s};\n", kKeywords[k], sig->pin.c_str());
        }
        p("     }\n\n\n");
    }
}

void Dump::pad_pairs(const char* head, const DynArray<PortPadEntry>& pairs) {
    if (!pairs) return;
    for (const PortPadEntry& pad : *pairs) {
        s(head, pad.name);
        if (pad.names) {
            names(*pad.names, " { %s", ", %s");
            p(" };\n");
        } else {
            p("\n");  // the line is ended also without names
        }
    }
}

void Dump::port_info(const std::vector<PortInfoEntry>& ports) {
    p("%%PORT_INFO {\n");
    for (const PortInfoEntry& port : ports) {
        s("    %%PORT %s {\n", port.name);
        if (port.type == PORT_TYPE_INPUT) p("        %%TYPE I;\n");
        else if (port.type == PORT_TYPE_OUTPUT) p("        %%TYPE O;\n");
        else if (port.type == PORT_TYPE_CLOCK) p("        %%TYPE CLK;\n");
        pad_pairs("        %%PAD %s", port.pads);
        pad_pairs("        %%PORT_MAP %s", port.port_maps);
        p("    }\n");
    }
    p("}\n");
}

void Dump::path_body(const PathEntry& e, const char* indent, const char* from_later, bool cycles) {
    const std::string in = indent;
    if (cycles && e.cycle > 0) p("%s%%CYCLE = %d ;\n", in.c_str(), e.cycle);
    if (e.from && !e.from->empty()) {
        p("%s", in.c_str());
        names(*e.from, "%%FROM = %s", from_later);
        p(";\n");
    }
    if (e.through)
        for (const TextList& group : *e.through) {
            p("%s", in.c_str());
            names(group, "%%THROUGH = %s", " ,%s");
            p(";\n");
        }
    if (e.to && !e.to->empty()) {
        p("%s", in.c_str());
        names(*e.to, "%%TO = %s", " ,%s");
        p(";\n");
    }
}

void Dump::paths_written(const char* title, const std::vector<PathEntry>& paths,
                         const DynArray<PathFileRecord>& files, bool cycles) {
    p("%s", title);
    for (const PathEntry& e : paths) {
        p("    %%PATH {\n");
        if (cycles && e.cycle > 0) p("        %%CYCLE = %d ;\n", e.cycle);
        if (e.file_names)
            for (const std::string& f : *e.file_names) s("        %%FILE_NAME = %s ;\n", f);
        PathEntry lists = e;
        lists.cycle = -1;
        path_body(lists, "        ", " ,%s", false);
        p("    }\n");
        if (!e.file_names) continue;
        for (std::size_t k = 0; k < e.file_names->size(); ++k) {
            s("         --%%FILE_NAME = %s ;\n", (*e.file_names)[k]);
            const int index = e.file_index && k < e.file_index->size() ? (*e.file_index)[k] : -1;
            if (!files || index < 0 || static_cast<std::size_t>(index) >= files->size()) continue;
            const PathFileRecord& file = (*files)[static_cast<std::size_t>(index)];
            if (!file.paths) continue;
            for (const PathEntry& fp : *file.paths) {
                p("        %%PATH {\n");
                path_body(fp, "            ", cycles ? ",%s" : " ,%s", cycles);
                p("          }\n");
            }
        }
    }
    p("}\n");
}

void Dump::paths_all(const std::vector<PathEntry>& paths, bool cycles) {
    p("%s", kStars);
    for (const PathEntry& e : paths) {
        p("    %%PATH {\n");
        path_body(e, "        ", " ,%s", cycles);
        p("    }\n");
    }
    p("%s", kStars);
}

void Dump::cfg(const DftObject& o) {
    p("CFG INFO\n");
    if (!o.instruction_binary.empty()) s("    INSTRUCTION BINARY %s\n", o.instruction_binary);
    if (o.register_length != -1) p("    REGISTER LENGTH %d\n", o.register_length);
    if (o.fennox_in_groups)
        for (std::size_t g = 0; g < o.fennox_in_groups->size(); ++g) {
            const FennoxGroup& group = (*o.fennox_in_groups)[g];
            p("    FENNOX IN %d\n", static_cast<int>(g + 1));
            if (!group.name.empty()) s("        PORT_NAME %s\n", group.name);
            if (group.items.empty()) continue;
            p("        GROUP\n");
            for (const FennoxGroupItem& item : group.items) {
                p("            ");
                if (!item.text.empty()) s("%s", item.text);
                auto pair = [&](const std::string& head, const std::string& value) {
                    if (!head.empty()) {
                        s(" ,%s", head);
                        if (!value.empty()) s("{%s}", value);
                    } else if (!value.empty()) {
                        s(" ,%s", value);
                    }
                };
                pair(item.text2_head, item.text2);
                pair(item.text3_head, item.text3);
                if (!item.q_name.empty()) s(" , %s ;\n", item.q_name); else p(" ;\n");
            }
        }
    if (o.fennox_out_groups)
        for (std::size_t g = 0; g < o.fennox_out_groups->size(); ++g) {
            const FennoxGroup& group = (*o.fennox_out_groups)[g];
            p("    FENNOX OUT %d\n", static_cast<int>(g + 1));
            if (!group.name.empty()) s("        PORT_NAME %s\n", group.name);
            if (group.items.empty()) continue;
            p("        GROUP\n");
            for (const FennoxGroupItem& item : group.items) {
                s("            %s", item.text);
                for (const std::string& f : item.flags) s(",%s", f);
                if (item.reg_index == -1) p(";\n"); else p(",REG(%d);\n", item.reg_index);
            }
        }
    p("\n");
}

void Dump::sequences() {
    for (int i = 0; i < sequence_count(); ++i) {
        const SequenceRecord* seq = set_current_sequence(i);
        if (!seq) continue;
        s("SEQUENCE :          %s\n", seq->name);
        p("    FORCE :\n");
        for (const ForceItemRecord& f : seq->forces) item_line(f.name, f.value);
        auto clock_item = [&](const ForceItemRecord& f) {
            if (!f.value.empty()) item_line(f.name, f.value); else name_line(f.name);
        };
        p("    FORCE_CLOCK :\n");
        for (const ForceItemRecord& f : seq->force_clocks) clock_item(f);
        p("    FORCE_ORDER :\n");
        if (seq->force_order)
            for (const ForceOrderEntry& e : *seq->force_order) {
                const std::vector<ForceItemRecord>* list = nullptr;
                if (e.kind == FORCE_ORDER_FORCE) { p("        FORCE : \n"); list = &seq->forces; }
                else if (e.kind == FORCE_ORDER_FORCE_CLOCK) { p("        FORCE_CLOCK : \n"); list = &seq->force_clocks; }
                if (list && e.index < list->size()) clock_item((*list)[e.index]);
            }
        if (seq->cycle_length != -1) p("    CYCLE_LENGTH :  %d\n", seq->cycle_length);
        if (seq->frame_length != -1) p("    FRAME_LENGTH :  %d\n", seq->frame_length);
        else p("    FRAME_LENGTH :  \n");
        p("\n");
    }
}

// One step of the current instruction.  `always_extra`: an EXTRA line
// also when no named sequence was selected.
void Dump::step_line(int kind, bool always_extra) {
    struct Step {
        int kind;
        int slot;
        const char* format;
    };
    static constexpr Step kSteps[] = {
        {STEP_PREAMBLE, SLOT_PREAMBLE, "    PREAMBLE :      %s\n"},
        {STEP_SHIFT, SLOT_SHIFT, "    SHIFT :         %s\n"},
        {STEP_PROPAGATE, SLOT_PROPAGATE, "    PROPAGATE :     %s\n"},
        {STEP_HOLD, SLOT_HOLD, "    HOLD :          %s\n"},
        {STEP_RUNBIST, SLOT_RUNBIST, "    RUNBIST :       %s\n"},
        {STEP_CAPTURE, SLOT_CAPTURE, "    CAPTURE :       %s\n"},
        {STEP_POSTAMBLE, SLOT_POSTAMBLE, "    POSTAMBLE :     %s\n"},
        {STEP_RAM_WRITE, SLOT_RAM_WRITE, "    RAM_WRITE :     %s\n"},
        {STEP_EXTRA_SEQ, SLOT_EXTRA, "    EXTRA :     %s\n"},
    };
    if (kind == STEP_MODE) {
        s("    MODE :          %s\n", current_instruction ? current_instruction->mode : std::string());
        return;
    }
    for (const Step& st : kSteps) {
        if (st.kind != kind) continue;
        const SequenceRecord* seq = set_instruction_sequence(st.slot);
        const std::string name = seq ? seq->name : std::string();
        if (kind == STEP_EXTRA_SEQ && !always_extra && name.empty()) return;
        s(st.format, name);
        return;
    }
}

void Dump::instructions() {
    for (int i = 0; i < instruction_count(); ++i) {
        const InstructionRecord* in = set_current_instruction(i);
        if (!in) continue;
        const int n = extra_seq_count();
        extra_seq_index = 0;
        const InstrOrderTabRecord* r = set_current_instr_order_tab(i);
        const int m = instr_seq_count();
        s("INSTRUCTION :       %s\n", in->name);
        p("EXTRA_SEQ_NUMBER :    %d\n", n);
        p("INSTR_SEQ_NUMBER :    %d\n", m);
        if (r && INSTR_ORDER_TAB) {
            const InstrOrderTabRecord* end = INSTR_ORDER_TAB->data() + INSTR_ORDER_TAB->size();
            for (; r != end && r->instruction_index == i; ++r) {
                current_instr_order_tab = r;
                step_line(r->step_kind, false);
            }
        }
        p("\n");
    }
}

void Dump::clock_fixes(const std::vector<PllClockFixEntry>& list) {
    for (const PllClockFixEntry& e : list) {
        s("PLL_CLOCK_FIX : %s\n", e.name);
        if (!e.scope.empty()) s("    SCOPE : %s\n", e.scope);
        if (!e.pll_path.empty()) s("    PLL_PATH : %s\n", e.pll_path);
        if (!e.fixes) continue;
        for (const PllClockFixItem& f : *e.fixes) {
            static constexpr const char* kHeads[] = {
                nullptr,
                "        EXTERNAL_PLL_IN_CLOCK : ",
                "        FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK : ",
                "        INTERNAL_PLL_IN_CLOCK : ",
                "        FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK : ",
                "        FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK : ",
                "        FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK : ",
            };
            if (f.kind < 1 || f.kind > 6) continue;
            p("%s", kHeads[f.kind]);
            // The heading line is ended also without a clock name.
            s("%s\n", f.name);
            if (f.period != -1) p("            PERIOD : %d\n", f.period);
            auto line = [&](const char* fmt, const std::string& v) {
                if (!v.empty()) s(fmt, v);
            };
            auto tail = [&] {
                line("            NEW_SCAN_CLOCK_ENABLE_INPORT : %s\n", f.new_scan_clock_enable_inport);
                line("            NEW_INTERNAL_PLL_CLOCK_WIRE : %s\n", f.new_internal_pll_clock_wire);
                line("            NEW_LBIST_DOMAIN_CLOCK_OUTPORT : %s\n", f.new_lbist_domain_clock_outport);
            };
            switch (f.kind) {
            case 1:
                line("            FROM_EXTERNAL_PLL_CLOCK_INPORT : %s\n", f.from_external_pll_clock_inport);
                break;
            case 2:
                line("            PLL_CLOCK_INPORT : %s\n", f.pll_clock_inport);
                line("            FROM_EXTERNAL_SCAN_CLOCK_INPORT : %s\n", f.from_external_scan_clock_inport);
                line("            NEW_EXTERNAL_PLL_CLOCK_INPORT : %s\n", f.new_external_pll_clock_inport);
                break;
            case 3:
                line("            PLL_CLOCK_INPORT : %s\n", f.pll_clock_inport);
                line("            FROM_INTERNAL_PLL_CLOCK_WIRE : %s\n", f.from_internal_pll_clock_wire);
                break;
            case 4:
                line("            PLL_CLOCK_INPORT : %s\n", f.pll_clock_inport);
                line("            FROM_CLOCK_GENERATOR : %s\n", f.from_clock_generator);
                line("            FROM_CLOCK_GENERATOR_OUTPORT : %s\n", f.from_clock_generator_outport);
                line("            FROM_INTERNAL_SCAN_CLOCK_WIRE : %s\n", f.from_internal_scan_clock_wire);
                tail();
                break;
            case 5:
                line("            PLL_CLOCK_INPORT : %s\n", f.pll_clock_inport);
                line("            FROM_EXTERNAL_SCAN_CLOCK_INPORT : %s\n", f.from_external_scan_clock_inport);
                line("            THROUGH_CLOCK_GENERATOR : %s\n", f.through_clock_generator);
                line("            THROUGH_CLOCK_GENERATOR_INPORT : %s\n", f.through_clock_generator_inport);
                line("            NEW_EXTERNAL_PLL_CLOCK_INPORT : %s\n", f.new_external_pll_clock_inport);
                break;
            case 6:
                line("            PLL_CLOCK_OUTPORT : %s\n", f.pll_clock_outport);
                line("            DRIVE_CLOCK_WIRE : %s\n", f.drive_clock_wire);
                tail();
                break;
            default: break;
            }
        }
    }
}

void Dump::pll_clocks(const char* head, const DynArray<PllClockInfo>& clocks) {
    if (!clocks) return;
    for (const PllClockInfo& c : *clocks) {
        p("%s", head);
        p("        {\n");
        if (c.period != -1.0) p("        %%PERIOD = %.2f;\n", c.period);
        if (!c.clock_name.empty()) s2("        %%CLOCK %s = '%s';\n", c.clock_name, c.clock_value);
        if (!c.clock_net.empty()) s("        %%CLOCK_NET %s;\n", c.clock_net);
        if (!c.lb_clock_name.empty()) s2("        %%LB_CLOCK %s = '%s';\n", c.lb_clock_name, c.lb_clock_value);
        if (!c.enable.empty()) s("        %%ENABLE = %s;\n", c.enable);
        p("        }\n");
    }
}

void Dump::plls(const std::vector<PllInfo>& list) {
    for (const PllInfo& e : list) {
        p("  %%PLL\n");
        p("     {\n");
        if (!e.name.empty()) s("     %%NAME = %s;\n", e.name);
        if (!e.fb_enable.empty()) s("     %%FB_ENABLE = %s;\n", e.fb_enable);
        pll_clocks("     %REF_CLOCK\n", e.ref_clocks);
        pll_clocks("     %FB_CLOCK\n", e.fb_clocks);
        pll_clocks("     %OUTPUT_CLOCK\n", e.output_clocks);
        keyword_list("     %FORCE0 =", e.force0);
        keyword_list("     %FORCE1 =", e.force1);
        keyword_list("     %CONSTANT0 =", e.constant0);
        keyword_list("     %CONSTANT1 =", e.constant1);
        keyword_list("     %DONT_MODIFY =", e.dont_modify);
        p("     }\n");
    }
}

void Dump::blackboxes(const std::vector<BlackboxInfo>& list) {
    for (const BlackboxInfo& e : list) {
        p("  %%BLACKBOX\n");
        p("     {\n");
        if (!e.instance_name.empty()) s("     %%INSTANCE_NAME = %s ;\n", e.instance_name);
        if (!e.module_name.empty()) s("     %%MODULE_NAME = %s ;\n", e.module_name);
        keyword_list("     %FORCE0 =", e.force0);
        keyword_list("     %FORCE1 =", e.force1);
        keyword_list("     %CONSTANT0 =", e.constant0);
        keyword_list("     %CONSTANT1 =", e.constant1);
        keyword_list("     %DONT_MODIFY =", e.dont_modify);
        keyword_list("     %CLOCK =", e.clocks);
        if (e.input_mode == 3) p("    %%INPUT = OBSERVE ;\n");
        else if (e.input_mode == 4) p("    %%INPUT = DONT_MODIFY ;\n");
        if (e.output_mode == 2) p("    %%OUTPUT = CONTROL ;\n");
        else if (e.output_mode == 4) p("    %%OUTPUT = DONT_MODIFY ;\n");
        else if (e.output_mode == 1) p("    %%OUTPUT = 1 ;\n");
        else if (e.output_mode == 0) p("    %%OUTPUT = 0 ;\n");
        p("     }\n");
    }
}

// One element of an instance file.
void Dump::element_line(const InstanceElement& e) {
    if (e.clock_index >= 0 && static_cast<std::size_t>(e.clock_index) < sl_pso_clock_list.size() &&
        !sl_pso_clock_list[static_cast<std::size_t>(e.clock_index)].empty())
        s("clock : %s", sl_pso_clock_list[static_cast<std::size_t>(e.clock_index)]);
    p("            mode:%d ", 0);
    if (e.chain != -1) p(" %d", e.chain);
    if (e.complement) p("~");
    if (e.inverse1) p("!");
    if (e.inverse2) p("!");
    if (!e.cell_name.empty()) s(" cell : %s", e.cell_name);
    if (!e.instance.empty()) {
        if (!e.capture.empty()) s(" %s CAPTURE1\n", e.instance); else s(" %s\n", e.instance);
    } else {
        p("\n");  // the element's line is ended also without a name
    }
}

void Dump::chain(const ConnectScanRecord& c) {
    s2("CONNECT_SCAN :      %s %s\n", c.first_name, c.second_name);
    auto either = [&](const char* with, const char* without, const std::string& v) {
        if (!v.empty()) s(with, v); else p("%s", without);
    };
    if (c.scan_delay) {
        p("    SCAN_DELAY  :\n");
        either("        DELAY_OUT : %s\n", "        DELAY_OUT :\n", c.scan_delay->delay_out);
        either("        OUT_DEFAULT:%s\n", "        OUT_DEFAULT:\n", c.scan_delay->delay_out_default);
        either("        SCAN_TEST : %s\n", "        SCAN_TEST : \n", c.scan_delay->scan_test);
    }
    if (c.ms_violation != -1) p("    MS_VIOLATION:%d \n", c.ms_violation);
    if (c.scan_pad) {
        const ScanPadRecord& pad = *c.scan_pad;
        p("    SCAN_PAD  :\n");
        either("        SDI_PAD_NAME:%s\n", "        SDI_PAD_NAME:\n", pad.sdi_pad_name);
        either("        SDO_PAD_NAME:%s\n", "        SDO_PAD_NAME:\n", pad.sdo_pad_name);
        either("        SDI_PAD_OUT :%s\n", "        SDI_PAD_OUT :\n", pad.sdi_pad_out);
        either("        SDO_PAD_IN :%s\n", "        SDO_PAD_IN :\n", pad.sdo_pad_in);
        for (const std::string& cl : pad.sdi_pad_classes) s("        SDI_PAD_CLASS:%s\n", cl);
        for (const std::string& cl : pad.sdo_pad_classes) s("        SDO_PAD_CLASS:%s\n", cl);
    }
    if (c.scan_port) {
        p("    SCAN_PORT :\n");
        either("        SCAN_IN :   %s\n", "        SCAN_IN :\n", c.scan_port->scan_in);
        either("        SCAN_OUT :  %s\n", "        SCAN_OUT :\n", c.scan_port->scan_out);
        either("        DEFAULT :   %s\n", "        DEFAULT :\n", c.scan_port->default_value);
    }
    for (int i = 0; i < scan_select_count(); ++i) {
        const SelectRecord* sel = set_current_scan_select(i);
        s("    SCAN_SELECT :   %s\n", sel->name);
        either("        SELECT :    %s\n", "        SELECT :\n", sel->select);
        either("        G_SELECT :  %s\n", "        G_SELECT :\n", sel->global_select);
    }
    for (int i = 0; i < scan_clock_count(); ++i) {
        const ClockRecord* ck = set_current_scan_clock(i);
        if (!ck->name.empty()) s("    SCAN_CLOCK :    %s\n", ck->name);
        if (!ck->clock.empty()) s("        CLOCK :     %s\n", ck->clock);
        if (!ck->global_clock.empty())
            s("        G_CLOCK :   %s\n", ck->global_clock);
        else if (!ck->global_clock_first.empty())
            s2("        G_CLOCK :   %s{%s};\n", ck->global_clock_first, ck->global_clock_second);
        if (ck->polarity == CLOCK_POLARITY_POSITIVE) p("        CLOCK_POLARITY :   POSITIVE\n");
        else if (ck->polarity == CLOCK_POLARITY_NEGATIVE) p("        CLOCK_POLARITY :   NEGATIVE\n");
    }
    // No separate don't-scan, don't-modify or must-be-transparent tables
    // are kept (a chain's scan-order table below holds those instances):
    // the headings stay, without entries.
    p("    DONT SCAN TAB\n\n");
    p("    DONT MODIFY TAB\n\n");
    p("    MUST BE TRANSPARENT TAB\n\n");
    for (int i = 0; i < scan_instances_count(); ++i) {
        const InstancesRecord* ins = set_current_scan_instances(i);
        if (ins->file_name.empty()) {
            p("    SCAN_INSTANCES : \n");
            for (int k = 0; k < scan_instance_element_count(); ++k) {
                const InstanceElement* e = set_current_scan_instance_element(k);
                if (!e->instance.empty()) name_line(e->instance);
            }
        } else {
            p("    SCAN_INSTANCES_FILE : \n");
            s("        FILE_NAME : %s\n", ins->file_name);
            p("Begin : \n");
            p("End : \n");
            p("        INSTANCES : \n");
            for (int k = 0; k < scan_instance_element_count(); ++k)
                element_line(*set_current_scan_instance_element(k));
        }
        p("    SCAN_GROUP: \n");
        for (int k = 0; k < scan_group_count(); ++k) {
            const GroupListRecord* g = set_current_scan_group(k);
            std::string first;
            if (!g->elements.empty() && g->elements.front() < ins->elements.size())
                first = ins->elements[g->elements.front()].instance;
            p("        GROUP :     %s   %d\n", first.c_str(), g->number);
        }
    }
    if (c.scan_instruction) {
        current_instruction = c.scan_instruction;
        s("    SCAN_INSTRUCT : %s\n", c.scan_instruction->name);
        p("    EXTRA_SEQ_NUMBER : %d\n", extra_seq_count());
        set_connect_instr_order();
        p("    INSTR_SEQ_NUMBER : %d\n", instr_seq_count());
        const InstrOrderTabRecord* r = current_instr_order_tab;
        if (r && INSTR_ORDER_TAB) {
            const InstrOrderTabRecord* end = INSTR_ORDER_TAB->data() + INSTR_ORDER_TAB->size();
            const int index = r->instruction_index;
            for (; r != end && r->instruction_index == index; ++r) {
                current_instr_order_tab = r;
                step_line(r->step_kind, true);
            }
        }
    }
    set_SL_LORVISH_PSO_ORDER_TAB();
    p("    LORVISH PSO ORDER TAB\n\n");
    for (int i = 0; i < scan_lorvish_instance_element_count(); ++i) {
        switch (sl_get_lorvish_pso_scan_type(i)) {
        case PSO_ORDER_MUST_SCAN: p("      MUST_SCAN "); break;
        case PSO_ORDER_KR_SCAN: p("      KR_SCAN "); break;
        case PSO_ORDER_MUST_BE_TRANS_B: p("      MUST_BE_TRANS_B "); break;
        case PSO_ORDER_MUST_BE_TRANS_F: p("      MUST_BE_TRANS_F "); break;
        default: break;
        }
        const InstanceElement* e = set_current_scan_lorvish_instance_element(i);
        if (!e) { p(";\n"); continue; }
        if (e->chain != -1) p("%d ", e->chain);
        if (e->complement) p("~");
        if (e->inverse1) p("!");
        if (!e->instance.empty()) s(" %s", e->instance);
        if (e->inverse2) p("!");
        if (!e->cell_name.empty()) s(" %s", e->cell_name);
        if (e->control) p(" CONTROL");
        if (e->observe) p(" OBSERVE");
        if (e->transition) p(" TRANSITION");
        if (e->pipeline) p(" PIPELINE");
        p(";\n");
    }
    for (const std::string& b : c.buffer_list) {
        p("      BUFFER ");
        s("%s\n", b);
    }
    if (c.pso_clock_order != -1) p("      CLOCK_ORDER: %d\n", c.pso_clock_order);
    p("\n");
}

void Dump::bist() {
    for (int i = 0; i < connect_bist_count(); ++i) {
        const ConnectBistRecord* b = set_current_connect_bist(i);
        s2("CONNECT_BIST :      %s %s\n", b->first_name, b->second_name);
        s("    BIST_TYPE:      %s\n", b->bist_type);
        if (b->bist_port) {
            p("    BIST_PORT :\n");
            s("        SCAN_IN :   %s\n", b->bist_port->scan_in);
            s("        SCAN_OUT :  %s\n", b->bist_port->scan_out);
            s("        DEFAULT :   %s\n", b->bist_port->default_value);
        }
        for (int k = 0; k < bist_select_count(); ++k) {
            const SelectRecord* sel = set_current_bist_select(k);
            s("    BIST_SELECT :   %s\n", sel->name);
            s("        SELECT :    %s\n", sel->select);
            s("        G_SELECT :  %s\n", sel->global_select);
        }
        for (int k = 0; k < bist_clock_count(); ++k) {
            const ClockRecord* ck = set_current_bist_clock(k);
            s("    BIST_CLOCK :    %s\n", ck->name);
            s("        CLOCK :     %s\n", ck->clock);
            if (!ck->global_clock.empty()) s("        G_CLOCK :   %s\n", ck->global_clock);
            else s2("        G_CLOCK :   %s{%s}\n", ck->global_clock_first, ck->global_clock_second);
        }
        for (int k = 0; k < bist_instances_count(); ++k) {
            const InstancesRecord* ins = set_current_bist_instances(k);
            if (ins->file_name.empty()) {
                p("    BIST_INSTANCES : \n");
            } else {
                p("    BIST_INSTANCES_FILE : \n");
                s("        FILE_NAME : %s\n", ins->file_name);
                p("        INSTANCES : \n");
            }
            for (int e = 0; e < bist_instance_element_count(); ++e) {
                const InstanceElement* el = set_current_bist_instance_element(e);
                if (!el->instance.empty()) name_line(el->instance);
            }
            p("    BIST_GROUP: \n");
            for (int g = 0; g < bist_group_count(); ++g) {
                const GroupListRecord* gr = set_current_bist_group(g);
                std::string first;
                if (!gr->elements.empty() && gr->elements.front() < ins->elements.size())
                    first = ins->elements[gr->elements.front()].instance;
                p("        GROUP :     %s   %d\n", first.c_str(), gr->number);
            }
        }
        if (b->bist_instruction) {
            current_instruction = b->bist_instruction->instruction;
            p("    BIST_INSTRUCT : \n");
            s("        INSTRUCT :  %s\n",
              current_instruction ? current_instruction->name : std::string());
            s("        SEED :      %s\n", b->bist_instruction->pattern);
        }
        p("\n");
    }
}

void Dump::atpg() {
    auto name_list = [&](const char* head, const TextList& list) {
        p("%s", head);
        name_lines(list);
    };
    auto item_list = [&](const char* head, const std::vector<Ident2Record>& list) {
        p("%s", head);
        items(list);
    };
    for (int i = 0; i < atpg_scan_opt_count(); ++i) {
        const AtpgScanOptionRecord* o = set_current_atpg_scan_opt(i);
        p("    ATPG_MODE :");
        if (!o->name.empty()) s("     %s\n", o->name); else p("\n");
        item_list("        FORCE :\n", o->force_list);
        item_list("        CONTROL :\n", o->control_list);
        p("        CONTROL_CELL :\n");
        for (const Ident2Record& r : o->control_cell_list) {
            p("%s", kPrefix);
            s("CLASS_NAME ---> %s\n", r.first);
            p("%s", kPrefix);
            s("PIN_NAME ---> %s\n", r.second);
        }
        p("        STROBE :\n");
        if (o->strobe) item_line(o->strobe->first, o->strobe->second);
        p("        AUTOSAVE :");
        if (o->autosave != -1) p("      %d\n", o->autosave); else p("\n");
        p("        SKIPFAULTS :\n");
        for (int n : o->skip_faults) {
            p("%s", kPrefix);
            p("%d\n", n);
        }
        for (int k = 0; k < illegal_inputs_count(); ++k) {
            const TwoIdent1ListNode* n = set_current_illegal_inputs(k);
            p("        ILLEGAL_INPUTS :\n");
            name_lines(n->first);
            name_lines(n->second);
        }
        for (int k = 0; k < legal_inputs_count(); ++k) {
            const TwoIdent1ListNode* n = set_current_legal_inputs(k);
            p("        LEGAL_INPUTS :\n");
            name_lines(n->first);
            name_lines(n->second);
            p("ORIGINAL LEGAL_INPUTS :\n");
            if (const std::vector<TwoIdentListRecord>* orig = set_original_legal_inputs(k))
                for (const TwoIdentListRecord& r : *orig) {
                    p("    LEGAL_INPUTS :\n");
                    for (const std::string& nm : r.first) s("             %s\n", nm);
                    for (const std::string& nm : r.second) s("             %s\n", nm);
                }
        }
        for (int k = 0; k < gray_code_count(); ++k) {
            const TwoIdent1ListNode* n = set_current_gray_code(k);
            p("        GRAY_CODE :\n");
            name_lines(n->first);
            // The code's value is printed only when the entry has one.
            if (!n->second.empty()) name_line(n->second.front());
        }
        for (int k = 0; k < power_on_reset_count(); ++k) {
            p("        POWER_ON_RESET :\n");
            name_lines(set_current_power_on_reset(k)->names);
        }
        for (int k = 0; k < power_on_set_count(); ++k) {
            p("        POWER_ON_SET :\n");
            name_lines(set_current_power_on_set(k)->names);
        }
        item_list("        RESET :\n", o->reset_list);
        item_list("        RESET_DISABLE :\n", o->reset_disable_list);
        item_list("        SET :\n", o->set_list);
        item_list("        SET_DISABLE :\n", o->set_disable_list);
        item_list("        RAM :\n", o->ram_list);
        item_list("        CLOCK :\n", o->atpg_clock_list);
        name_list("        BLACK_BOX :\n", o->black_box);
        name_list("        BYPASS :\n", o->bypass);
        name_list("        UNCONTROL :\n", o->uncontrol);
        name_list("        UNCONTROL_CHAIN :\n", o->uncontrol_chain);
        name_list("        UNOBSERVE :\n", o->unobserve);
        name_list("        UNOBSERVE_CHAIN :\n", o->unobserve_chain);
        if (!o->feedback_loops.empty()) s("        FEEDBACK:   %s\n", o->feedback_loops);
    }
}

void Dump::fault(const SelectFaultRecord& f) {
    auto either = [&](const char* with, const char* without, const std::string& v) {
        if (!v.empty()) s(with, v); else p("%s", without);
    };
    p("SELECT_FAULT :\n");
    either("    FAULT_MODEL :   %s\n", "    FAULT_MODEL :\n", f.fault_model);
    either("    DONT_FAULT_FILE:    %s\n", "    DONT_FAULT_FILE:\n", f.dont_fault_file);
    either("    MUST_FAULT_FILE:    %s\n", "    MUST_FAULT_FILE:\n", f.must_fault_file);
    p("    RANDOM_SAMPLE : ");
    value(f.random_sample);
    p("    STATISTICAL_SAMPLE :  \n");
    if (f.statistical_sample) {
        const StatisticRecord& st = *f.statistical_sample;
        if (st.precision && st.precision->real != -1.0) p("        PRECISION:  %.2f\n", st.precision->real);
        if (st.confidence && st.confidence->real != -1.0) p("        CONFIDENCE: %.2f\n", st.confidence->real);
    }
    p("    DONT_FAULT_TYPE :\n");
    name_lines(f.dont_fault_type);
    p("    MUST_FAULT_TYPE :\n");
    name_lines(f.must_fault_type);
    p("    DONT_FAULT :\n");
    name_lines(f.dont_fault);
    p("    MUST_FAULT :\n");
    name_lines(f.must_fault);
    p("    DONT_FAULT_MODULE :\n");
    name_lines(f.dont_fault_module);
    either("    FAULT_ORDER :   %s\n", "    FAULT_ORDER :\n", f.fault_order);
    either("    FILE_NAME :     %s\n", "    FILE_NAME :\n", f.file_name);
    if (!f.dont_fault_paths) {
        p("    DONT_FAULT_PATH :\n");
    } else {
        p("    DONT_FAULT_PATH:\n");
        for (const DontFaultPathEntry& d : *f.dont_fault_paths) s2("         %s  %s \n", d.name, d.pattern);
    }
    p("\n");
}

void Dump::conversion(const TestConversionRecord& t) {
    p("TEST_CONVERSION :\n");
    if (t.set_timing) {
        const SetTimingRecord& st = *t.set_timing;
        p("    SET_TIMING :\n");
        if (st.cycle != 0) p("        CYCLE : %d\n", st.cycle);
        auto entries = [&](const char* head, const std::vector<PinRecord>& list) {
            for (const PinRecord& r : list) {
                p("%s", head);
                for (const std::string& pin : r.pins) s("            PIN NAME : %s\n", pin);
                for (double time : r.times) p("            TIME : %.2f\n", time);
            }
        };
        entries("        P CLOCK :\n", st.p_clock);
        entries("        N CLOCK :\n", st.n_clock);
        entries("        PI TIME :\n", st.pi_time);
        entries("        PO TIME :\n", st.po_time);
        entries("        IO TIME :\n", st.io_time);
    }
    auto clocks = [&](const char* head, const std::vector<CaptureClockRecord>& list) {
        if (list.empty()) return;
        p("%s", head);
        for (const CaptureClockRecord& c : list) {
            s("     PIN NAME :%s\n", c.first);
            s("     VALUE :%s\n", c.second);
        }
    };
    clocks("    CLOCK :\n", t.test_c_clock);
    clocks("    BIST_CLOCK :\n", t.test_b_clock);
    if (t.remove_pins) {
        names(*t.remove_pins, "        %%REMOVE_PIN %s", " , %s");
        p(" ;\n");
    }
    if (t.diff_pads)
        for (const DiffPadEntry& d : *t.diff_pads) {
            p("     DIFF_PAD_NODE:\n");
            if (!d.name.empty()) s("        name: %s\n", d.name);
            if (!d.p_pad.empty()) s("        P_PAD =  %s\n", d.p_pad);
            if (!d.n_pad.empty()) s("        N_PAD =  %s\n", d.n_pad);
        }
}

void Dump::wrapper(const WrapperRecord& w) {
    if (w.cells)
        for (const WrapperCellEntry& c : *w.cells) {
            p("      WRAPPER CELL :\n");
            if (!c.first.empty()) s("             %s :\n", c.first);
            if (!c.second.empty()) s("             %s :\n", c.second);
        }
    if (w.chains)
        for (const WrapperChainEntry& c : *w.chains) {
            p("      WRAPPER CHAIN :\n");
            if (!c.name.empty()) s("             chain_id  :%s \n", c.name);
            if (!c.clock1.empty()) s("             clock     :%s \n", c.clock1);
            if (!c.clock2.empty()) s("             clock     :%s \n", c.clock2);
            // Clocks after the second are listed like the first two.
            for (const auto& k : c.more_clocks)
                if (!k.name.empty()) s("             clock     :%s \n", k.name);
            if (!c.scan_in.empty()) s("             scan_in   :%s \n", c.scan_in);
            if (!c.scan_out.empty()) s("             scan_out  :%s \n", c.scan_out);
        }
    p("      WRAPPER SKIP SIGNALS :\n");
    if (w.skip_signals)
        for (const std::string& sig : *w.skip_signals) s("                   %s \n", sig);
    if (!w.wrapper_chain_file.empty()) {
        p("      WRAPPER CHAIN FILE :\n");
        s("             WRAPPER CHAIN FILE NAME :%s \n", w.wrapper_chain_file);
    }
    if (w.instructions) p("      WRAPPER INSTRUCTION :\n");
}

void Dump::gristel(const GristelInfoRecord& g) {
    if (g.speed_ratio > 0) p("  SPEED_RATIO : %d\n", g.speed_ratio);
    if (!g.top_module.empty()) s("  TOP_MODULE: %s\n", g.top_module);
    if (!g.groups) return;
    for (const GristelGroupRecord& e : *g.groups) {
        p("    TDDM_TDM_INFO :\n");
        if (e.speed_ratio > 0) p("      SPEED_RATIO : %d\n\n", e.speed_ratio);
        if (!e.tddm_name.empty()) {
            p("      TDDM_GROUP_INFO :\n");
            s("        %s \n", e.tddm_name);
            if (!e.tddm_in.empty()) s("        TDDM_IN:  %s \n", e.tddm_in);
            if (!e.tddm_clock.empty()) s("        TDDM_CLK: %s \n", e.tddm_clock);
            if (e.tddm_chain_order) {
                p("        TDDM_CHAIN_ORDER :");
                for (const std::string& n : *e.tddm_chain_order) s(" %s", n);
                p("\n");
            }
        }
        if (!e.tdm_name.empty()) {
            p("      TDM_GROUP_INFO :\n");
            s("        %s \n", e.tdm_name);
            if (!e.tdm_out.empty()) s("        TDM_OUT:  %s \n", e.tdm_out);
            if (!e.tdm_clock.empty()) s("        TDM_CLK:   %s \n", e.tdm_clock);
            if (!e.clear.empty()) s("        TDM_CLEAR: %s \n", e.clear);
            if (e.tdm_chain_order) {
                p("        TDM_CHAIN_ORDER :");
                for (const std::string& n : *e.tdm_chain_order) s(" %s", n);
                p("\n");
            }
        }
    }
}

void Dump::dft(const DftObject& o) {
    p("\n");
    p("%s", kRule);
    p("                         =    OBJECTS FOR DFT FILE    =\n");
    p("%s", kRule);
    p("\n");
    if (!o.dft_file_name.empty()) s("DFT FILE NAME : %s\n\n", o.dft_file_name);
    if (o.clock_period) {
        p("CLOCK_PERIOD :\n");
        for (int i = 0; i < SL_clock_period_clock_countG(); ++i) {
            const ClockPeriodEntry* c = set_current_clock(i);
            s("    CLOCK : %s", c->name);
            p("\tTIME : %2f\n", c->period);
        }
        p("\n");
    }
    if (o.core_section) cores(*o.core_section);
    if (o.test_files) {
        const TestFilesRecord& t = *o.test_files;
        p("TEST_FILES :\n");
        if (!t.mbist_file.empty()) s("    MBIST_FILE : %s\n", t.mbist_file);
        if (!t.lbist_file.empty()) s("    LBIST_FILE : %s\n", t.lbist_file);
        if (!t.bsd_file.empty()) s("    BSD_FILE : %s\n", t.bsd_file);
        if (!t.macro_test.empty()) s("    MACRO_TEST : %s\n", t.macro_test);
        p("\n");
    }
    if (!o.top_module.empty()) s("     %%TOP_MODULE = %s;\n", o.top_module);
    if (o.mbist_control) mbist_control(*o.mbist_control);
    if (!o.mbist_bsd.empty()) {
        p("MBIST_BSD :\n");
        for (int i = 0; i < sl_mbist_bsd_instruction_count(); ++i) {
            const MbistBsdInstructionRecord* m = set_current_mbist_bsd_instruction(i);
            s("    INSTRUCTION : %s\n", m->name);
            if (!m->mbist_clock.empty()) s("        MBIST_CLOCK : %s\n", m->mbist_clock);
            if (!m->mbist_mdf.empty()) s("        MBIST_MDF : %s\n", m->mbist_mdf);
        }
        p("\n");
    }
    if (o.select_scan) {
        const SelectScanRecord& sel = *o.select_scan;
        p("%%SELECT_SCAN :\n");
        p("    INIT :          ");
        value(sel.scan_init);
        p("    INCR :          ");
        value(sel.scan_incr);
        p("    MAX :           ");
        value(sel.scan_max);
        p("    DONT_SCAN_TYPE :\n");
        name_lines(sel.dont_scan_type);
        p("    DONT_SCAN_MODULE :\n");
        name_lines(sel.dont_scan_module);
        p("    MUST_SCAN_TYPE :\n");
        name_lines(sel.must_scan_type);
        p("    DONT_SCAN :\n");
        name_lines(sel.dont_scan);
        p("    MUST_SCAN :\n");
        name_lines(sel.must_scan);
        p("\n");
    }
    if (o.port_info) port_info(*o.port_info);
    if (o.scan_in_list) {
        p("  %%SCAN_IN_LIST = ");
        names(*o.scan_in_list, "%s", " ,%s");
        p(" ;\n");
    }
    if (o.scan_out_list) {
        p("  %%SCAN_OUT_LIST = ");
        names(*o.scan_out_list, "%s", " ,%s");
        p(" ;\n");
    }
    if (o.gui_info) {
        const GuiInfoRecord& g = *o.gui_info;
        p("  %%GUI\n");
        p("  {\n");
        if (!g.path.empty()) s("    %%PATH = \" %s \" ;\n", g.path);
        if (!g.extraction.empty()) s("    %%EXTRACTION = \" %s \" ;\n", g.extraction);
        if (!g.drc.empty()) s("    %%DRC = \" %s \" ;\n", g.drc);
        if (!g.init_conflict.empty()) s("    %%INIT_CONFLICT = \" %s \" ;\n", g.init_conflict);
        if (!g.unknown.empty()) s("    %%UNKNOWN = \" %s \" ;\n", g.unknown);
        p("  }\n");
    }
    if (dft_multicycle_pathG && !dft_multicycle_pathG->empty())
        paths_written("\n%MULTICYCLE_PATH {\n", *dft_multicycle_pathG, file_dft_multicycle_pathG, true);
    if (o.multicycle_path) paths_all(*o.multicycle_path, true);
    if (dft_false_pathG && !dft_false_pathG->empty())
        paths_written("\n%FALSE_PATH {\n", *dft_false_pathG, file_dft_false_pathG, false);
    if (o.false_path) paths_all(*o.false_path, false);
    if (dft_critical_pathG && !dft_critical_pathG->empty()) {
        p("\n%%CRITICAL_PATH {\n");
        for (const TextList& path : *dft_critical_pathG) {
            if (path.empty()) continue;
            p("    %%CPATH =");
            names(path, " %s", ", %s");
            p(";\n");
        }
        p("}\n");
    }
    if (o.fennox_info)
        for (const FennoxInfoEntry& f : *o.fennox_info) {
            if (!f.name.empty()) s("  %%FENNOX_INFO %s\n", f.name); else p("  %%FENNOX_INFO\n");
            p("  {\n");
            auto list = [&](const char* head, const DynArray<std::string>& l) {
                if (!l) return;
                p("%s", head);
                names(*l, " %s", ", %s");
                p(";\n");
            };
            list("      %CHAIN_ORDER", f.chain_order);
            list("      %VIRTUAL_SOURCE", f.virtual_source);
            list("      %VIRTUAL_CONTROL", f.virtual_control);
            p("  }\n\n");
        }
    if (o.ciphertext) {
        p("  %%CIPHERTEXT\n");
        p("  {\n");
        for (const std::string& t : *o.ciphertext) s("      %s\n", t);
        p("  }\n");
    }
    if (o.fennox_in_groups || o.fennox_out_groups) cfg(o);
    sequences();
    instructions();
    if (o.pll_clock_fix) clock_fixes(*o.pll_clock_fix);
    if (o.pll) plls(*o.pll);
    if (o.blackbox) blackboxes(*o.blackbox);
    if (o.read_map && !o.read_map->file_name.empty()) {
        s("READ_MAP :          %s\n", o.read_map->file_name);
        p("\n");
    }
    if (o.modify_cmd && !o.modify_cmd->file_name.empty()) {
        s("SCAN_MODIFY_CMD :          %s\n", o.modify_cmd->file_name);
        p("\n");
    }
    if (o.scan_repair) {
        const ScanRepairRecord& r = *o.scan_repair;
        p("SCAN_REPAIR\n");
        p("    FORCE_NET\n");
        if (!r.net_name.empty()) s("       NET_NAME:%s\n", r.net_name);
        if (!r.shift.empty()) s("       SHIFT   :%s\n", r.shift);
        if (!r.hold.empty()) s("       HOLD    :%s\n", r.hold);
        if (!r.capture.empty()) s("       CAPTURE :%s\n", r.capture);
        p("\n");
    }
    if (!o.connect_scan.empty())
        for (int i = 0; i < connect_scan_count(); ++i) chain(*set_current_connect_scan(i));
    if (!o.connect_bist.empty()) bist();
    if (o.atpg_constraints) {
        p("ATPG_CONSTRAINTS :\n");
        atpg();
        p("\n");
    }
    if (o.select_fault) fault(*o.select_fault);
    if (o.test_conversion) conversion(*o.test_conversion);
    if (!o.scan_module.empty())
        for (int i = 0; i < sl_scan_module_count(); ++i) {
            const ScanModuleRecord* m = sl_set_current_scan_module(i);
            s("\nSCAN_MODULE :   %s\n", m->name);
            if (!m->scan_in.empty()) s("    SCAN_IN : %s\n", m->scan_in);
            if (!m->scan_out.empty()) s("    SCAN_OUT : %s\n", m->scan_out);
            if (!m->scan_mode.empty()) s("    SCAN_MODE : %s\n", m->scan_mode);
            if (!m->test_mode.empty()) s("    TEST_MODE : %s\n", m->test_mode);
            if (m->dont_fix_info) {
                p("    %%DONT_FIX : ");
                for (const DontFixEntry& d : *m->dont_fix_info)
                    if (!d.name.empty() && !d.value.empty()) s2(" %s{%s}", d.name, d.value);
                p(";\n");
            }
        }
    if (o.core_no_scan) {
        p("CORE_NO_SCAN :\n");
        p("    NAME  :\n    ");
        for (const std::string& n : *o.core_no_scan) s("  %s ", n);
        p("\n");  // ended, so the next section starts on a line of its own
    }
    if (o.wrapper) {
        p("WRAPPER :\n");
        p("    KORRAL :\n");
        if (!o.wrapper->empty()) wrapper(o.wrapper->front());
    }
    if (o.gristel_info) {
        p("GRISTEL_INFO :\n");
        if (!o.gristel_info->empty()) gristel(o.gristel_info->front());
    }
    if (o.def_info) {
        p("DEF_INFO :\n");
        if (!o.def_info->empty() && o.def_info->front().partitions)
            for (const DefPartitionEntry& part : *o.def_info->front().partitions) {
                p("  PARTITION : \n      ");
                if (part.names)
                    for (const std::string& n : *part.names) s("%s ", n);
                p(";\n");
            }
    }
}

void Dump::map(const MapObject& m) {
    p("\n\n");
    p("%s", kRule);
    p("                         =    OBJECTS FOR MAP FILE    =\n");
    p("%s", kRule);
    p("\n");
    if (!m.map_scans.empty()) {
        for (int i = 0; i < map_scan_count(); ++i) {
            const MapScanRecord* sc = set_current_map_scan(i);
            s("MAP_SCAN :          %s\n", sc->name);
            for (int k = 0; k < map_cell_count(); ++k) {
                const MapCellRecord* c = set_current_map_cell(k);
                s2("    MAP_CELL :      %s ---> %s\n", c->cell_name, c->scan_cell_name);
                if (!c->system_port_in.empty()) s("        SYSTEM_IN : %s\n", c->system_port_in);
                if (!c->scan_port_in.empty()) s("        SCAN_P_IN : %s\n", c->scan_port_in);
                if (!c->scan_port_out.empty()) s("        SCAN_P_OUT: %s\n", c->scan_port_out);
                if (!c->scan_port_out_inv.empty()) s("        SCAN_P_OUT_INV: %s\n", c->scan_port_out_inv);
                p("        S_SELECT :\n");
                items(c->scan_select);
                p("        S_CLOCK :\n");
                items(c->scan_clock);
                p("        CHANGE_NAME :\n");
                items(c->change_name);
                s("        SCAN_MODE_ACTIVE: %s\n", c->scan_mode_active);
            }
            if (const std::optional<DelayCellRecord>& d = sc->delay_cell) {
                s("    DELAY_CELL :    %s\n", d->name);
                auto line = [&](const char* fmt, const std::string& v) {
                    if (!v.empty()) s(fmt, v);
                };
                line("        PORT_IN :   %s\n", d->port_in);
                line("        PORT_OUT :  %s\n", d->port_out);
                line("        DATA_IN :   %s\n", d->loop_data_in);
                line("        DATA_OUT :  %s\n", d->loop_data_out);
                line("        SCAN_TEST : %s\n", d->delay_scan_test);
                line("        SCAN_CLOCK: %s\n", d->delay_scan_clock);
                line("        SCAN_SCAN:  %s\n", d->delay_scan_scan);
                if (!d->delay_map_cell.empty()) {
                    s("        DELAY_MAP_CELL:  %s\n", d->delay_map_cell);
                    s("        DELAY_MAP_DATA_IN: %s\n", d->delay_data_in);
                    s("        DELAY_MAP_DATA_OUT: %s\n", d->delay_data_out);
                }
            }
        }
        p("\n");
    }
    if (!m.map_groups.empty()) {
        for (int i = 0; i < map_group_count(); ++i) {
            set_current_map_group(i);
            p("MAP_GROUP :\n");
            for (int k = 0; k < group_cell_count(); ++k) {
                const GroupCellRecord* g = set_current_group_cell(k);
                p("    GROUP_CELL :     ");
                for (const std::string& n : g->cell_names) s("%s ", n);
                s("=> %s\n", g->target_name);
                for (int c = 0; c < connect_count(); ++c) {
                    const PositionPortRecord* r = set_current_connect(c);
                    p("        CONNECT:    %d:%s => %d:%s\n", r->first_position, r->first_port.c_str(),
                      r->second_position, r->second_port.c_str());
                }
                for (int c = 0; c < disconnect_count(); ++c) {
                    const PositionPortRecord* r = set_current_disconnect(c);
                    p("        DISCONNECT: %d:%s\n", r->first_position, r->first_port.c_str());
                }
            }
        }
        p("\n");
    }
    if (!m.test_point_cells.empty()) {
        p("  TEST_POINT_CELL_LIST :\n");
        for (int i = 0; i < tp_cell_count(); ++i) {
            const TestPointCellRecord* c = set_current_tp_cell(i);
            s2("    CELL :          %s --->  %s\n", c->type, c->name);
            p("        PIN :\n");
            items(c->pins);
        }
    }
    if (m.repair_cell) {
        p("REPAIR_CELL :\n");
        for (int i = 0; i < r_cell_count(); ++i) {
            const RCellRecord* c = set_current_r_cell(i);
            s2("    CELL :          %s --->  %s\n", c->cell_name, c->repair_name);
            p("        PIN :\n");
            items(c->pins);
        }
        for (const Ident2Record& b : m.repair_cell->buffers) s2("    BUFFER :         %s --->  %s\n", b.first, b.second);
    }
    p("    LOCKUP LATCH LIST \n");
    if (SCAN_LOCKUP_LATCH_LIST)
        for (const std::string& n : *SCAN_LOCKUP_LATCH_LIST) s("        %s\n", n);
}

}  // namespace

std::string SL_object_dump_text() {
    Dump d;
    if (DFT_OBJECT) d.dft(*DFT_OBJECT);
    if (MAP_OBJECT) d.map(*MAP_OBJECT);
    return std::move(d.text);
}

void PRINT_OUT_OBJECT() {
    const std::string text = SL_object_dump_text();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}
