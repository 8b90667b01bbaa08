// The BIST connection files "mbist_bscan.cnt" and "lbist_bscan.cnt":
// their blocks from the configuration's %MEMORY_BIST and %LOGIC_BIST
// entries and the instruction table, and the %REPLACE lines of logic-BIST
// cores from the cores' DFT files.
#include "kestrand/connect_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "desc/tables.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/cursors.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"
#include "sdb/sdb.h"

namespace {

constexpr const char* kMbistFile = "mbist_bscan.cnt";
constexpr const char* kLbistFile = "lbist_bscan.cnt";
// The count file of a logic-BIST block that names none.
constexpr const char* kDefaultCountFile = "lbist.cnt";

constexpr const char* kNamedWithoutInstance =
    "ERROR: Please specify the %INSTANCE_NAME of the core for %LOGIC_BIST.\n";
constexpr const char* kUnnamedWithoutInstance =
    "ERROR: Please specify the %INSTANCE_NAME of the core in %LOGIC_BIST.\n";
constexpr const char* kTestWidth =
    "ERROR: the length of data register does not match for %TESTS and %SEL_INSTRUCTION.\n";
constexpr const char* kDiagCount =
    "ERROR: The number of %DIAG_INSTRUCTION is not equal to the number of %DIAG_CNT_FILE.\n";

const char* text(const char* s) { return s ? s : ""; }

// A diagnosis item "null" (any letter case) stands for none.
bool is_null_item(const char* item) { return !item || STR_ucomp(item, "null") == 0; }

// Calls f for every instruction row named `name` (letter case ignored),
// in table order.
template <class F>
void for_each_row(const char* name, F&& f) {
    if (!name) return;
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i)
        if (INSTRUCTIONS[i].name && STR_ucomp(INSTRUCTIONS[i].name, name) == 0) f(INSTRUCTIONS[i]);
}

const InstructionEntry* first_row(const char* name) {
    const InstructionEntry* found = nullptr;
    for_each_row(name, [&](const InstructionEntry& r) {
        if (!found) found = &r;
    });
    return found;
}

// The first opcode of the row.
const char* opcode(const InstructionEntry& r) { return DYNA_count(r.opcodes) > 0 ? text(r.opcodes[0]) : ""; }

// The accessed data register up to its first "[".
std::string register_name(const InstructionEntry& r) {
    const std::string access = text(r.access);
    return access.substr(0, access.find('['));
}

// The number that starts the bracketed part of the accessed register
// ("SEL[4]" is 4 wide); 1 without brackets or for 0.
int register_width(const InstructionEntry& r) {
    const char* open = r.access ? std::strchr(r.access, '[') : nullptr;
    if (!open) return 1;
    const int width = std::atoi(open + 1);
    return width == 0 ? 1 : width;
}

// Each enable of the row in order: a plain one (gate code none) writes
// `plain_fmt`, a gated one `gated_fmt`, with its signal; a null format
// leaves that kind out.
void put_enables(std::string& out, const InstructionEntry& r, const char* plain_fmt, const char* gated_fmt) {
    for (int k = 0, n = DYNA_count(r.enable); k < n; ++k) {
        const bool is_plain = k >= DYNA_count(r.enable_gate) || r.enable_gate[k] == GATE_NONE;
        const char* fmt = is_plain ? plain_fmt : gated_fmt;
        if (fmt) STR_append_format(out, fmt, text(r.enable[k]));
    }
}

void put_serial_ports(std::string& out, const InstructionEntry& r, const char* in_fmt, const char* out_fmt) {
    const std::string reg = register_name(r);
    STR_append_format(out, in_fmt, reg.c_str());
    STR_append_format(out, out_fmt, reg.c_str());
}

void put_tap_instance(std::string& out) {
    // The instance name as the configuration gave it, before any split of
    // a hierarchical path.
    const char* tap = org_tap_instance_nameG ? org_tap_instance_nameG : text(TAP_INSTANCE_NAME);
    STR_append_format(out, "%%TAP_INSTANCE    %s.%s;\n", TOP_MODULE.c_str(), tap);
}

void put_ctrl_order(std::string& out, const int* order) {
    const int n = DYNA_count(order);
    if (n == 0) return;
    STR_append_format(out, "     %%BISTCTRL_ORDER    %d", order[0]);
    for (int i = 1; i < n; ++i) STR_append_format(out, ", %d", order[i]);
    STR_append_format(out, ";\n");
}

void put_count_files(std::string& out, char** files) {
    const int n = DYNA_count(files);
    if (n == 0) {
        STR_append_format(out, "     %%CNT_FILE   \"%s\";\n", kDefaultCountFile);
        return;
    }
    STR_append_format(out, "     %%CNT_FILE    \"%s\"", text(files[0]));
    for (int i = 1; i < n; ++i) STR_append_format(out, ",\n                  \"%s\"", text(files[i]));
    STR_append_format(out, ";\n");
}

const char* tck() { return text(TAP_TCK_PIN); }
const char* shift_dr() { return text(TAP_SHIFT_PIN); }

std::string memory_bist_text() {
    std::string out;
    put_tap_instance(out);
    for (int i = 0, n = DYNA_count(BL_MBIST_TAB); i < n; ++i) {
        const MbistEntry& e = BL_MBIST_TAB[i];
        for_each_row(e.instruction, [&](const InstructionEntry& r) {
            STR_append_format(out, "%%MEMORY_BIST\n{\n");
            STR_append_format(out, "     %%INST_NAME    %s;\n", text(r.name));
            STR_append_format(out, "     %%INSTRUCTION '%s';\n", opcode(r));
            put_enables(out, r, "     %%BIST_EN    %s;\n", "     %%BIST_RESULT_EN    %s;\n");
            STR_append_format(out, "     %%BCLK    %s;\n", tck());
            put_serial_ports(out, r, "     %%TDI    %s_in;\n", "     %%TDO    %s_out;\n");
            for_each_row(e.sel_instruction, [&](const InstructionEntry& s) {
                STR_append_format(out, "     %%SEL_INSTRUCTION  '%s';\n", opcode(s));
                put_serial_ports(out, s, "     %%GROUP_SEL_I    %s_in;\n", "     %%GROUP_SEL_O    %s_out;\n");
                put_enables(out, s, nullptr, "     %%SEL_EN    %s;\n");
            });
            put_ctrl_order(out, e.ctrl_order);
            if (e.cnt_file) STR_append_format(out, "     %%CNT_FILE    \"%s\";\n", e.cnt_file);
            STR_append_format(out, "}\n");
        });
    }
    return out;
}

// The logic-BIST file, reading the DFT file of each core it replaces.
class LogicBistText {
public:

    std::string make() {
        put_tap_instance(out_);
        for (int i = 0, n = DYNA_count(BL_LBIST_TAB); i < n; ++i) {
            // The width of a selection register belongs to its own entry.
            width_ = 0;
            const LbistEntry& e = BL_LBIST_TAB[i];
            if (e.instruction)
                named(e);
            else
                unnamed(e);
        }
        return std::move(out_);
    }

private:
    void named(const LbistEntry& e) {
        bool diag = false;
        for_each_row(e.instruction, [&](const InstructionEntry& r) {
            if (DYNA_count(e.diag_instruction) > 0) diag = true;
            STR_append_format(out_, "%%LOGIC_BIST\n{\n");
            STR_append_format(out_, "     %%INST_NAME    %s;\n", text(r.name));
            if (!e.scan_instruction) STR_append_format(out_, "     %%SCAN_INSTRUCTION    '%s';\n", opcode(r));
            if (diag)
                put_enables(out_, r, "     %%DIAG_EN    %s;\n", nullptr);
            else
                put_enables(out_, r, "     %%BIST_EN    %s;\n", "     %%BIST_RESULT_EN    %s;\n");
            STR_append_format(out_, "     %%BCLK    %s;\n", tck());
            if (!diag) put_serial_ports(out_, r, "     %%TDI    %s_in;\n", "     %%TDO    %s_out;\n");
            put_ctrl_order(out_, e.ctrl_order);
            put_count_files(out_, e.cnt_file);
            STR_append_format(out_, "     %%SHIFT_DR    %s;\n", shift_dr());
            for_each_row(e.scan_instruction, [&](const InstructionEntry& s) {
                STR_append_format(out_, "     %%SCAN_INSTRUCTION    '%s';\n", opcode(s));
                diag = true;
                put_enables(out_, s, "     %%DIAG_EN    %s;\n", nullptr);
            });
            if (DYNA_count(e.diag_instruction) > 0 && !is_null_item(e.diag_instruction[0])) {
                for_each_row(e.diag_instruction[0], [&](const InstructionEntry& g) {
                    STR_append_format(out_, "     %%DIAG_INSTRUCTION    '%s';\n", opcode(g));
                    put_serial_ports(out_, g, "     %%SCAN_TDI    %s_in;\n", "     %%SCAN_TDO    %s_out;\n");
                    put_enables(out_, g, "     %%DUMP_EN    %s;\n", nullptr);
                });
            }
            for_each_row(e.lbist_instruction, [&](const InstructionEntry& l) {
                if (!diag) return;
                put_serial_ports(out_, l, "     %%TDI    %s_in;\n", "     %%TDO    %s_out;\n");
                put_enables(out_, l, "     %%BIST_EN    %s;\n", nullptr);
            });
            STR_append_format(out_, "     %%GCLK    %s;\n", tck());
            for_each_row(e.sel_instruction, [&](const InstructionEntry& s) {
                STR_append_format(out_, "     %%SEL_INSTRUCTION    '%s';\n", opcode(s));
                width_ = register_width(s);
                put_serial_ports(out_, s, "     %%GROUP_SEL_I    %s_in;\n", "     %%GROUP_SEL_O    %s_out;\n");
                put_enables(out_, s, nullptr, "     %%SEL_EN    %s;\n");
            });
            if (e.dft_file) replacement(e, diag, kNamedWithoutInstance);
            tests(e);
            STR_append_format(out_, "}\n");
        });
    }

    void unnamed(const LbistEntry& e) {
        STR_append_format(out_, "%%LOGIC_BIST\n{\n");
        const bool diag_counts = DYNA_count(e.diag_cnt_file) > 0;
        for_each_row(e.lbist_instruction, [&](const InstructionEntry& r) {
            STR_append_format(out_, "     %%LBIST_INSTRUCTION    '%s';\n", opcode(r));
            put_serial_ports(out_, r, "     %%LBIST_TDI     %s_in;\n", "     %%LBIST_TDO     %s_out;\n");
            put_enables(out_, r, "     %%LBIST_EN    %s;\n", nullptr);
        });
        put_count_files(out_, e.cnt_file);
        STR_append_format(out_, "     %%SHIFT_DR    %s;\n", shift_dr());
        STR_append_format(out_, "     %%BCLK    %s;\n", tck());
        STR_append_format(out_, "     %%GCLK    %s;\n", tck());
        put_ctrl_order(out_, e.ctrl_order);
        if (e.dft_file) replacement(e, diag_counts, kUnnamedWithoutInstance);
        for_each_row(e.sel_instruction, [&](const InstructionEntry& s) {
            STR_append_format(out_, "     %%SEL_INSTRUCTION    '%s';\n", opcode(s));
            width_ = register_width(s);
            put_serial_ports(out_, s, "     %%GROUP_SEL_I     %s_in;\n", "     %%GROUP_SEL_O     %s_out;\n");
            put_enables(out_, s, "     %%SEL_EN    %s;\n", nullptr);
        });
        tests(e);
        for_each_row(e.debug_instruction, [&](const InstructionEntry& d) {
            STR_append_format(out_, "     %%DEBUG_INSTRUCTION    '%s';\n", opcode(d));
            put_enables(out_, d, "     %%DEBUG_EN    %s;\n", nullptr);
        });
        const int diags = DYNA_count(e.diag_instruction);
        if (diags > 0) {
            auto item = [&](int i) { return is_null_item(e.diag_instruction[i]) ? "*" : e.diag_instruction[i]; };
            STR_append_format(out_, "     %%DIAG_INSTRUCTION    \"%s\"", item(0));
            for (int i = 1; i < diags; ++i) STR_append_format(out_, ", \"%s\" ", item(i));
            STR_append_format(out_, ";\n");
        }
        STR_append_format(out_, "}\n");
        if (diags != DYNA_count(e.diag_cnt_file)) qdx_exit_printf(-1, "%s", kDiagCount);
        for (int i = 0; i < diags; ++i) {
            const char* name = e.diag_instruction[i];
            if (is_null_item(name)) continue;
            const InstructionEntry* r = first_row(name);
            if (!r) qdx_exit_printf(-1, "ERROR: Can not find the instruction '%s' in %%DIAG_INSTRUCTION.\n", name);
            STR_append_format(out_, "\n%%LBIST_DIAG  %s\n{\n", text(r->name));
            STR_append_format(out_, "     %%INSTRUCTION    '%s';\n", opcode(*r));
            put_serial_ports(out_, *r, "     %%TDI           %s_in;\n", "     %%TDO           %s_out;\n");
            put_enables(out_, *r, "     %%DIAG_EN       %s;\n", nullptr);
            if (i < DYNA_count(e.diag_cnt_file) && e.diag_cnt_file[i])
                STR_append_format(out_, "     %%CNT_FILE      \"%s\";\n", e.diag_cnt_file[i]);
            STR_append_format(out_, "}\n");
        }
    }

    // Every test is as long as the selection register is wide.
    void tests(const LbistEntry& e) {
        const int n = DYNA_count(e.tests);
        if (n == 0) return;
        for (int i = 0; i < n; ++i)
            if (std::strlen(text(e.tests[i])) != static_cast<std::size_t>(width_)) qdx_exit_printf(-1, "%s", kTestWidth);
        STR_append_format(out_, "     %%TESTS    '%s'", text(e.tests[0]));
        for (int i = 1; i < n; ++i) STR_append_format(out_, ", '%s'", text(e.tests[i]));
        STR_append_format(out_, ";\n");
    }

    // The core modules that the logic-BIST version replaces: the core
    // itself, then every core below it that carries logic BIST.
    void replacement(const LbistEntry& e, bool ocd, const char* without_instance) {
        if (!e.instance_name) qdx_exit_printf(-1, "%s", without_instance);
        scan_interface(e.dft_file, 0, "hier_dft");
        STR_append_format(out_, "     %%REPLACE\n      {\n");
        STR_append_format(out_, "       %s => TOP_Lb_%s%s;\n", e.instance_name, top_module(), ocd ? "_OCD" : "");
        std::vector<const DftObject*> walk{DFT_OBJECT};
        nested_cores(e.instance_name, ocd, walk);
        STR_append_format(out_, "      }\n");
    }

    static const char* top_module() { return DFT_OBJECT ? DFT_OBJECT->top_module.c_str() : ""; }

    // One line per core of the current object that carries logic BIST,
    // each followed by the lines of its own cores; `walk` holds the
    // objects from the top down to the current one.  Only the top level
    // uses the "_OCD" names.  The current object is the same on return.
    void nested_cores(const char* prefix, bool ocd, std::vector<const DftObject*>& walk) {
        const bool top = walk.size() == 1;
        for (int i = 0; DFT_OBJECT && DFT_OBJECT->core_section && i < SL_core_name_countG(); ++i) {
            const CoreInfoRecord* core = set_current_core_name(i);
            if (!core || core->lbist_file.empty()) continue;
            const std::string name = core->core_name;
            DftObject* parent = DFT_OBJECT;
            STR_append_format(out_, "       %s.u%s.%s =>", prefix, parent->top_module.c_str(), name.c_str());
            if (!DFT_inst_setup(name.c_str()))
                qdx_exit_printf(-1, "ERROR: can't find the dft file of core '%s' listed in '%s' for %%LOGIC_BIST.\n",
                                name.c_str(), parent->dft_file_name.c_str());
            // Cores are found by name: a core named like one that contains
            // it would lead back up the tree without end.
            if (std::find(walk.begin(), walk.end(), DFT_OBJECT) != walk.end())
                qdx_exit_printf(-1, "ERROR: The core '%s' in dft file '%s' is named like a core that contains it.\n",
                                name.c_str(), parent->dft_file_name.c_str());
            STR_append_format(out_, " TOP_Lb_%s%s;\n", top_module(), top && ocd ? "_OCD" : "");
            walk.push_back(DFT_OBJECT);
            nested_cores(prefix, ocd, walk);
            walk.pop_back();
            if (top) {
                DFT_setup(SL_TOP_DFT_TREE);
            } else {
                DftTreeNode back{parent};
                DFT_setup(&back);
            }
        }
    }

    int width_ = 0;
    std::string out_;
};

}  // namespace

void kest_check_connect_file() {
    if (DYNA_count(BL_MBIST_TAB) > 0) memory_bist_text();
    if (DYNA_count(BL_LBIST_TAB) > 0) LogicBistText().make();
}

std::vector<std::string> kest_connect_files() {
    std::vector<std::string> files;
    if (DYNA_count(BL_LBIST_TAB) > 0) files.push_back(kest_output_file(kLbistFile));
    if (DYNA_count(BL_MBIST_TAB) > 0) files.push_back(kest_output_file(kMbistFile));
    return files;
}

void kest_write_connect_file() {
    if (sdb) SDB_close(sdb, 0);
    const bool lbist = DYNA_count(BL_LBIST_TAB) > 0;
    const bool mbist = DYNA_count(BL_MBIST_TAB) > 0;
    if (!lbist && !mbist) return;
    const std::string lbist_text = lbist ? LogicBistText().make() : std::string();
    const std::string mbist_text = mbist ? memory_bist_text() : std::string();
    std::vector<RtOutput> outputs;
    if (lbist) outputs.push_back({kest_output_file(kLbistFile), lbist_text});
    if (mbist) outputs.push_back({kest_output_file(kMbistFile), mbist_text});
    // Both replaced or neither.
    std::string failed, why;
    switch (RT_write_all(outputs, &failed, &why)) {
        case RtSaved::All:
            for (const RtOutput& o : outputs) RT_remove_at_end(o.target, RtRemove::IfFailed);
            return;
        case RtSaved::NotOpened: qdx_exit_printf(-1, "ERROR: can't open file '%s'.\n\n", failed.c_str());
        case RtSaved::NotCommitted: top_write_failed(failed, why);
    }
}
