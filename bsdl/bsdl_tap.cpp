// The sections of the BSDL file that come from the description rather
// than from the boundary register: the port grouping of differential pads,
// the TAP scan ports, the compliance patterns and the instruction,
// identification and register-access statements.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/bsdl_writer.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

namespace {

bool fixed_mode() { return !option_check[BSDL_OPT_TEMPLATE]; }

const char* pin_file() { return PIN_FILE ? PIN_FILE : ""; }

// The name a pin row's port is declared under; names that the port list
// does not declare are mapped the same way.
std::string port_reference(const PinListEntry& row) {
    const char* name = bsdl_port_source(row);
    std::string r = bsdl_port_reference(name);
    return r.empty() ? bsdl_identifier(without_low_mark(name)) : r;
}


// A pattern of 32 characters 0, 1 or X.
bool is_code(const char* s) {
    if (!s || std::strlen(s) != 32) return false;
    for (const char* p = s; *p; ++p)
        if (*p != '0' && *p != '1' && *p != 'x' && *p != 'X') return false;
    return true;
}

}  // namespace

int find_iport(const std::string& name) {
    const std::string n = without_low_mark(name.c_str());
    int p = SDB_nl_search_port(n.c_str());
    if (p < 0) {
        qdx_exit_printf(-1, "ERROR: (%s) can't find port '%s' in SDB '%s'.\n\n", pin_file(), n.c_str(),
                        BS_SDB_FILE.c_str());
    }
    return p;
}

namespace {

// The ports of one differential pad, by the leg their net reaches.
struct DifferentialPad {
    int pad = -1;
    const BufferEntry* buffer = nullptr;
    const char* plus_pin = nullptr;   // the legs' pins, of the first port's direction
    const char* minus_pin = nullptr;
    std::vector<int> plus, minus;     // BUF_TAB rows
};

// "no port", "port 'A'" or "ports 'A', 'B'".
std::string ports_text(const std::vector<int>& rows) {
    if (rows.empty()) return "no port";
    std::string text = rows.size() == 1 ? "port " : "ports ";
    for (size_t i = 0; i < rows.size(); ++i)
        text += (i ? ", '" : "'") + BUF_TAB[static_cast<size_t>(rows[i])].bsdl_name + "'";
    return text;
}

}  // namespace

void print_port_grouping_decl() {
    // The differential pads in the order their first port comes.
    std::vector<DifferentialPad> pads;
    std::unordered_map<int, size_t> pad_index;
    for (int r = 0; r < static_cast<int>(BUF_TAB.size()); ++r) {
        const BufTabEntry& row = BUF_TAB[static_cast<size_t>(r)];
        if (row.pad_obj < 0 || row.function == "internal" || row.function == "observe_only") continue;
        BufferEntry* b = get_buffer(SDB_class_name_of(row.pad_obj));
        if (!b || (b->kind != BUFFER_DIFF_VOLTAGE && b->kind != BUFFER_DIFF_CURRENT)) continue;
        const int port = find_iport(row.core_name);
        const char* pin = node_pin(get_node_connected_to_portnode(port));
        if (!pin) continue;
        const int d = port_tab[port].direction & 3;
        const char* p_pin = d == SDB_DIR_INPUT ? b->input : d == SDB_DIR_OUTPUT ? b->output : nullptr;
        const char* m_pin = d == SDB_DIR_INPUT ? b->input_m : d == SDB_DIR_OUTPUT ? b->output_m : nullptr;
        const bool plus = STR_same(pin, p_pin), minus = STR_same(pin, m_pin);
        if (!plus && !minus) continue;
        auto [it, added] = pad_index.emplace(row.pad_obj, pads.size());
        if (added) pads.push_back({row.pad_obj, b, p_pin, m_pin, {}, {}});
        DifferentialPad& dp = pads[it->second];
        (plus ? dp.plus : dp.minus).push_back(r);
    }
    // PORT_GROUPING pairs one port on a pad's plus leg with one on its
    // minus leg: a pad whose legs do not have a port each (a leg left open
    // or wired inside the chip) is a pair the attribute cannot state.
    for (const DifferentialPad& dp : pads) {
        if (dp.plus.size() == 1 && dp.minus.size() == 1) continue;
        bsdl_not_written(STR_format("differential pad '%s'(%s) has %s on its plus leg '%s'\n"
                                    "       and %s on its minus leg '%s': PORT_GROUPING pairs one port with "
                                    "one.\n\n",
                                    SDB_obj_name(sdb, dp.pad), dp.buffer->name, ports_text(dp.plus).c_str(),
                                    dp.plus_pin ? dp.plus_pin : "", ports_text(dp.minus).c_str(),
                                    dp.minus_pin ? dp.minus_pin : ""));
    }
    std::vector<int> vpos, vneg, cpos, cneg;
    for (const DifferentialPad& dp : pads) {
        const bool voltage = dp.buffer->kind == BUFFER_DIFF_VOLTAGE;
        (voltage ? vpos : cpos).push_back(dp.plus.front());
        (voltage ? vneg : cneg).push_back(dp.minus.front());
    }
    if (vpos.empty() && cpos.empty()) return;
    std::fprintf(BSD_FILE, "\n  attribute PORT_GROUPING of %s : entity is \n", bsdl_entity_name(BS_TOP_MODULE).c_str());
    const size_t nV = vpos.size(), nC = cpos.size();
    const char* cont = "                             ";
    // Pair i is (pos[i], neg[i]).
    auto pairs = [&](const std::vector<int>& pos, const std::vector<int>& neg, bool voltage) {
        const size_t count = pos.size();
        for (size_t i = 0; i < count; ++i) {
            const char* a = BUF_TAB[static_cast<size_t>(pos[i])].bsdl_name.c_str();
            const char* b = BUF_TAB[static_cast<size_t>(neg[i])].bsdl_name.c_str();
            if (i == 0) {
                if (count == 1 && (!voltage || nC == 0))
                    std::fprintf(BSD_FILE, "(%s, %s)) \" ;\n", a, b);
                else if (count == 1)
                    std::fprintf(BSD_FILE, "(%s, %s)), \" &\n", a, b);
                else
                    std::fprintf(BSD_FILE, "(%s, %s), \" &\n", a, b);
            } else if (i + 1 < count) {
                std::fprintf(BSD_FILE, "%s\"(%s, %s), \" &\n", cont, a, b);
            } else if (voltage) {
                std::fprintf(BSD_FILE, nC > 0 ? "%s\"(%s, %s)),\" &\n" : "%s\"(%s, %s)) \" ;\n", cont, a, b);
            } else {
                std::fprintf(BSD_FILE, "%s\"(%s, %s) )\" ;\n", cont, a, b);
            }
        }
    };
    if (nV > 0) {
        std::fputs("    \"Differential_Voltage ( ", BSD_FILE);
        pairs(vpos, vneg, true);
    }
    if (nC > 0) {
        std::fputs("    \"Differential_Current ( ", BSD_FILE);
        pairs(cpos, cneg, false);
    }
}

void print_scan_port_identification() {
    if (fixed_mode()) std::fputs("\n  --\n  -- Scan Port Identification\n  --\n", BSD_FILE);
    struct TapPort {
        const char* global;
        const char* key;   // "GLOBAL_TDI"
        const char* attr;  // "TAP_SCAN_IN"
        const char* value;
    };
    const TapPort ports[] = {
        {GLOBAL_TDI, "GLOBAL_TDI", "TAP_SCAN_IN", "true"},
        {GLOBAL_TMS, "GLOBAL_TMS", "TAP_SCAN_MODE", "true"},
        {GLOBAL_TDO, "GLOBAL_TDO", "TAP_SCAN_OUT", "true"},
        {GLOBAL_TRST, "GLOBAL_TRST", "TAP_SCAN_RESET", "true"},
        {GLOBAL_TCK, "GLOBAL_TCK", "TAP_SCAN_CLOCK", "(25.0e6,BOTH)"},
    };
    for (const TapPort& t : ports) {
        if (!t.global) {
            if (std::strcmp(t.attr, "TAP_SCAN_RESET") == 0) continue;
            qdx_printf("WARNING: can't find %%%s in file '%s'.\n", t.key, BS_BSC_FILE.c_str());
            qdx_printf("         Please add %s in '%s' manually.\n", t.attr, BS_BSD_FILE.c_str());
            std::fprintf(BSD_FILE, "  -- attribute %s of Unknown : signal is %s;\n", t.attr, t.value);
            continue;
        }
        const PinListEntry* found = nullptr;
        for (int r = 0, n = DYNA_count(PIN_TABLE); r < n && !found; ++r)
            if (PIN_TABLE[r]->core_name && std::strcmp(PIN_TABLE[r]->core_name, t.global) == 0) found = PIN_TABLE[r];
        // The port as the port list declares it: under its package name,
        // or with -verify under its design name.
        const char* source = found ? bsdl_port_source(*found) : nullptr;
        const std::string ref = source ? bsdl_port_reference(source) : std::string();
        if (!ref.empty()) {
            std::fprintf(BSD_FILE, "  attribute %s of %s : signal is %s;\n", t.attr, ref.c_str(), t.value);
            continue;
        }
        // A port the port list does not declare can't carry the
        // attribute: it is left as a comment for the user to complete.
        qdx_printf("WARNING: can't find %%%s \"%s\" in file '%s'.\n", t.key, t.global, pin_file());
        qdx_printf("         Please add the port description in '%s' manually.\n", BS_BSD_FILE.c_str());
        std::fprintf(BSD_FILE, "  -- attribute %s of %s : signal is %s;\n", t.attr, t.global, t.value);
    }
}

void print_compliance_enable_description() {
    std::vector<std::string> names;
    std::string values;
    for (int r = 0, n = DYNA_count(PIN_TABLE); r < n; ++r) {
        const PinListEntry* row = PIN_TABLE[r];
        if (!row->core_name || !row->io_name) continue;
        const char* core = without_low_mark(row->core_name);
        for (int s = 0, ns = DYNA_count(SKIP_SIGNAL_TAB); s < ns; ++s) {
            const SkipSignalEntry* sk = SKIP_SIGNAL_TAB[s];
            if (!sk->value || !sk->name || std::strcmp(core, sk->name) != 0) continue;
            names.push_back(port_reference(*row));
            values += sk->value;
        }
    }
    if (names.empty()) return;
    std::fprintf(BSD_FILE, "\n  attribute COMPLIANCE_PATTERNS of %s: entity is\n",
                 bsdl_entity_name(BS_TOP_MODULE).c_str());
    std::fputs("   \"(", BSD_FILE);
    int j = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i + 1 == names.size()) {
            std::fputs(names[i].c_str(), BSD_FILE);
            break;
        }
        if (++j != 3) {
            std::fprintf(BSD_FILE, "%s, ", names[i].c_str());
        } else {
            // Three names to a line; the literal closes before the line end.
            std::fprintf(BSD_FILE, "%s,\" &\n     \"", names[i].c_str());
            j = 0;
        }
    }
    std::fprintf(BSD_FILE, ") (%s) \";", values.c_str());
}

// The HIGHZ instruction when the chip does not carry it out: its row
// (-1 when it does or has none) and, when some outputs float under it but
// not all, the control cell that leaves its outputs driving.
struct HighzGap {
    int row = -1;
    std::string cell;       // instance of the control cell; empty: nothing takes the command
    std::string cell_name;  // its library cell
};

// HIGHZ reaches the pads through the TAP's %HIGHZ_COMMAND pin (to the
// control cells' HIGHZ pins, the high-impedance buffers, or the HIGHZ pins
// of pads that carry their own cell) or through a MODE pin of the same
// name.  A %HIGHZ_COMMAND pin that nothing in the design takes leaves
// every output driving under HIGHZ; a control cell whose HIGHZ pin is
// missing or open leaves the outputs it controls driving, unless each of
// their pads floats its pin by its own HIGHZ pin.  Either way a BSDL that
// listed the instruction would promise floating pins that never float.
// A control cell is one that drives a port's enable in this design,
// whatever its library cell: where one library cell serves every role,
// its input and output cells control nothing.
HighzGap unimplemented_highz() {
    HighzGap gap;
    if (HIGHZ_EXIST < 0 || !TAP_CONTR || TAP_IOBJ < 0) return gap;
    const char* command = TAP_CONTR->highz_command;
    if (!command) return gap;
    for (const char* mode : {TAP_CONTR->mode1, TAP_CONTR->mode2, TAP_CONTR->mode3})
        if (mode && STR_ucomp(mode, command) == 0) return gap;
    const char* pin = without_low_mark(command);
    if (!pin_reaches_other_objects(TAP_IOBJ, pin)) {
        gap.row = HIGHZ_EXIST;
        return gap;
    }
    // The control cells in register order, so that the first that fails
    // is named.
    const auto controlled = control_cells_by_role();
    std::vector<std::pair<const ChainCellEntry*, int>> cells;
    for (const auto& [obj, drivers] : controlled)
        if (const ChainCellEntry* c = get_chain_cell(chain_key(obj).c_str())) cells.emplace_back(c, obj);
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first->order < b.first->order; });
    for (const auto& [c, obj] : cells) {
        const ScanCellEntry* s = c->scan_cell;
        if (s && s->highz && pin_reaches_other_objects(obj, s->highz)) continue;
        const std::vector<int>& drivers = controlled.at(obj);
        if (std::all_of(drivers.begin(), drivers.end(),
                        [pin](int driver) { return pad_floats_under_highz(driver, pin); }))
            continue;
        gap.row = HIGHZ_EXIST;
        gap.cell = c->key;
        gap.cell_name = s && s->name ? s->name : c->cell_name;
        return gap;
    }
    return gap;
}

void print_TAP_description(const std::string& entity) {
    const char* e = entity.c_str();
    const int rows = DYNA_count(INSTRUCTIONS);
    const HighzGap gap = unimplemented_highz();
    const int dropped = gap.row;
    const char* bsc = BS_BSC_FILE.c_str();

    // Every instruction needs opcodes of one length.
    int length = -1;
    for (int i = 0; i < rows; ++i) {
        const InstructionEntry& in = INSTRUCTIONS[i];
        if (DYNA_count(in.opcodes) == 0 || !in.opcodes[0]) {
            qdx_exit_printf(-1, "ERROR: (%s) INSTRUCTION %s has no opcode in %%INSTRUCTION_TABLE.\n\n", bsc, in.name);
        }
        for (int k = 0, nk = DYNA_count(in.opcodes); k < nk; ++k) {
            const int len = in.opcodes[k] ? static_cast<int>(std::strlen(in.opcodes[k])) : 0;
            if (length < 0) length = len;
            if (len != length) {
                qdx_exit_printf(-1,
                                "ERROR: (%s) opcode '%s' of INSTRUCTION %s is not %d bits long like the first "
                                "opcode of %%INSTRUCTION_TABLE.\n\n",
                                bsc, in.opcodes[k] ? in.opcodes[k] : "", in.name, length);
            }
        }
    }
    if (IDCODE_REG && (!is_code(IDCODE_REG) || IDCODE_REG[31] != '1')) {
        qdx_exit_printf(-1,
                        "ERROR: (%s) %%IDCODE_REGISTER '%s' must be 32 bits of 0, 1 or X ending with the "
                        "mandatory 1.\n\n",
                        bsc, IDCODE_REG);
    }
    for (int i = 0, n = DYNA_count(USERCODE_REG); i < n; ++i) {
        if (!is_code(USERCODE_REG[i])) {
            qdx_exit_printf(-1, "ERROR: (%s) %%USERCODE_REGISTER '%s' must be 32 bits of 0, 1 or X.\n\n", bsc,
                            USERCODE_REG[i] ? USERCODE_REG[i] : "");
        }
    }

    if (fixed_mode()) std::fputs("\n  --\n  -- TAP Instruction Description\n  --\n", BSD_FILE);
    if (rows > 0) {
        std::fprintf(BSD_FILE, "  attribute INSTRUCTION_LENGTH of %s : entity is %d;\n", e, length);
        std::fprintf(BSD_FILE, "  attribute INSTRUCTION_OPCODE of %s : entity is\n", e);
    } else {
        qdx_printf("\n");
        qdx_printf("WARNING: can't find %%INSTRUCTION_TABLE in file '%s'.", bsc);
        qdx_printf("\n         Please complete instruction information ");
        qdx_printf("after\n         -- TAP Instruction Description of ");
        qdx_printf("file '%s'.\n\n", BS_BSD_FILE.c_str());
        std::fprintf(BSD_FILE, "  -- attribute INSTRUCTION_LENGTH of %s : entity is 0;\n", e);
        std::fprintf(BSD_FILE, "  -- attribute INSTRUCTION_OPCODE of %s : entity is\n", e);
    }
    if (dropped >= 0 && gap.cell.empty()) {
        qdx_printf("WARNING: nothing in the design takes %%HIGHZ_COMMAND '%s' of TAP '%s':\n",
                   TAP_CONTR->highz_command, TAP_INSTANCE_NAME ? TAP_INSTANCE_NAME : "");
        qdx_printf("         the outputs keep driving under INSTRUCTION %s, which is left out\n",
                   INSTRUCTIONS[dropped].name);
    } else if (dropped >= 0) {
        qdx_printf("WARNING: control cell '%s'(%s) takes no %%HIGHZ_COMMAND '%s' of TAP '%s':\n",
                   gap.cell.c_str(), gap.cell_name.c_str(), TAP_CONTR->highz_command,
                   TAP_INSTANCE_NAME ? TAP_INSTANCE_NAME : "");
        qdx_printf("         the outputs it controls keep driving under INSTRUCTION %s, which is left out\n",
                   INSTRUCTIONS[dropped].name);
    }
    if (dropped >= 0) qdx_printf("         of BSDL file '%s'.\n\n", BS_BSD_FILE.c_str());
    const int last = dropped == rows - 1 ? rows - 2 : rows - 1;
    for (int i = 0; i < rows; ++i) {
        if (i == dropped) continue;
        const InstructionEntry& in = INSTRUCTIONS[i];
        std::fprintf(BSD_FILE, "    \"%-10s (%s", in.name, in.opcodes[0]);
        for (int k = 1, nk = DYNA_count(in.opcodes); k < nk; ++k)
            std::fprintf(BSD_FILE, ",\" &\n    \"%10c  %s", ' ', in.opcodes[k]);
        std::fputs(i == last ? ")\";\n" : "),\"  &\n", BSD_FILE);
    }
    auto first_pattern_only = [bsc](char** patterns, const char* keyword) {
        if (DYNA_count(patterns) > 1)
            qdx_printf("WARNING: (%s) only the first pattern of %%%s is written.\n\n", bsc, keyword);
    };
    // The capture pattern is one pattern; further ones are not BSDL.
    if (DYNA_count(INST_CAPTURE) > 0 && INST_CAPTURE[0]) {
        std::fprintf(BSD_FILE, "  attribute INSTRUCTION_CAPTURE of %s :", e);
        std::fprintf(BSD_FILE, " entity is \"%s\";\n", INST_CAPTURE[0]);
        first_pattern_only(INST_CAPTURE, "INSTRUCTION_CAPTURE");
    }
    if (IDCODE_REG) {
        const char* c = IDCODE_REG;
        std::fprintf(BSD_FILE, "  attribute IDCODE_REGISTER of %s : entity is\n", e);
        std::fprintf(BSD_FILE, "      \"%c%c%c%c\" &            " "    -- 4-bit version\n", c[0], c[1], c[2], c[3]);
        std::fprintf(BSD_FILE, "      \"%.16s\" &    -- 16-bit part number\n", c + 4);
        std::fprintf(BSD_FILE, "      \"%.11s\" &         -- 11-bit manufacturer\n", c + 20);
        std::fprintf(BSD_FILE, "      \"%c\";                 " "   -- mandatory LSB\n\n", c[31]);
    }
    // The standard package types USERCODE_REGISTER as one string of 32
    // bits (ID_STRING), so one pattern is written: the first, which is
    // the value kestrand's TAP captures under USERCODE.
    if (DYNA_count(USERCODE_REG) > 0) {
        const char* c = USERCODE_REG[0];
        std::fprintf(BSD_FILE, "  attribute USERCODE_REGISTER of %s : entity is\n", e);
        std::fprintf(BSD_FILE, "      \"%c%c%c%c\" &\n", c[0], c[1], c[2], c[3]);
        std::fprintf(BSD_FILE, "      \"%.16s\" &\n", c + 4);
        std::fprintf(BSD_FILE, "      \"%.11s\" &\n", c + 20);
        std::fprintf(BSD_FILE, "      \"%c\";\n\n", c[31]);
        first_pattern_only(USERCODE_REG, "USERCODE_REGISTER");
    }

    std::fprintf(BSD_FILE, rows > 0 ? "  attribute REGISTER_ACCESS of %s : entity is\n"
                                    : "  -- attribute REGISTER_ACCESS of %s : entity is\n",
                 e);
    std::fputs("  -- these are given by standard\n", BSD_FILE);
    std::fputs("  -- \"BOUNDARY(EXTEST,SAMPLE,INTEST)\";\n", BSD_FILE);
    std::fputs("  -- \"BYPASS(BYPASS)\";\n", BSD_FILE);
    // A register other than the standard ones needs its length, which the
    // description does not give: such an entry is left out with a warning.
    std::vector<std::string> entries;
    for (int i = 0; i < rows; ++i) {
        if (i == dropped) continue;
        const InstructionEntry& in = INSTRUCTIONS[i];
        const char* access = in.access ? in.access : "bypass";
        std::string reg;
        if (STR_ucomp(access, "idcode") == 0 || STR_ucomp(access, "usercode") == 0 ||
            STR_ucomp(access, "device_id") == 0)
            reg = "DEVICE_ID";
        else if (STR_ucomp(access, "boundary") == 0 || STR_ucomp(access, "bypass") == 0)
            reg = access;
        if (reg.empty()) {
            qdx_printf("WARNING: (%s) the length of register '%s' of INSTRUCTION %s is unknown.\n", bsc, access,
                       in.name);
            qdx_printf("         Please add \"%s[<length>] (%s)\" to REGISTER_ACCESS in '%s' manually.\n\n", access,
                       in.name, BS_BSD_FILE.c_str());
            continue;
        }
        if (reg.size() < 10) reg.resize(10, ' ');
        entries.push_back("     \"" + reg + "(" + in.name + ")");
    }
    for (size_t i = 0; i < entries.size(); ++i)
        std::fprintf(BSD_FILE, "%s%s", entries[i].c_str(), i + 1 == entries.size() ? "\";\n" : ",\" &\n");
    std::fputs("\n\n", BSD_FILE);
}
