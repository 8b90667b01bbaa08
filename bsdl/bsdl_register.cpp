// The boundary register of the BSDL file: BOUNDARY_LENGTH, and the
// BOUNDARY_REGISTER rows made from the cells that the tracers find for
// each port, sorted by cell number.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/bsdl_writer.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

std::vector<BdRegEntry> BD_REG_TAB;

namespace {

// The owner of each row of BD_REG_TAB by its number (row_owner, or "the
// enable of " and that for a control row), and the numbers of its control
// rows.
std::unordered_map<int, std::string> row_owners;
std::unordered_set<int> control_numbers;

bool is_control(const std::string& function) {
    return STR_ucomp(function.c_str(), "control") == 0 || STR_ucomp(function.c_str(), "controlr") == 0;
}

void push_row(BdRegEntry row, const std::string& owner) {
    row_owners.emplace(row.num, owner);
    if (is_control(row.function)) control_numbers.insert(row.num);
    BD_REG_TAB.push_back(std::move(row));
}

// One bit of the register describes one cell of one port: a cell that the
// traces of two ports reach (a port without a cell of its own whose trace
// runs on to another port's cell, a cell left to stand for two ports), or
// a data cell that is also a pad's control cell, would make a file in
// which a board tester drives or reads the wrong pin.
[[noreturn]] void two_owners(const ChainCellEntry* c, const std::string& first, const std::string& second) {
    bsdl_not_written(STR_format("boundary scan cell '%s'(%s) serves %s and %s;\n"
                                "       its one row of the boundary register can describe only one of them.\n\n",
                                c->instance_name, c->cell_name, first.c_str(), second.c_str()));
}

// True when row `num` of cell c may be added for `owner`; false when the
// same owner has it already; ends the run when another owner has it.
bool free_for(int num, const ChainCellEntry* c, const std::string& owner) {
    const auto it = row_owners.find(num);
    if (it == row_owners.end()) return true;
    if (it->second == owner) return false;
    two_owners(c, it->second, owner);
}

ChainCellEntry* chain_cell(const std::string& key) {
    ChainCellEntry* c = get_chain_cell(key.c_str());
    if (!c) {
        qdx_exit_printf(-1, "ERROR: '%s' is no cell of the boundary scan chain of '%s'.\n\n", key.c_str(),
                        BS_SDB_FILE.c_str());
    }
    return c;
}

std::string first_name(const ChainCellEntry* c, int j = 0) {
    if (j < DYNA_count(c->std_names) && c->std_names[j]) return c->std_names[j];
    return c->cell_name;
}

const char* disable_result(const BufferEntry* b) {
    if (!b) return "Z";
    if (b->weak_0) return "WEAK0";
    if (b->weak_1) return "WEAK1";
    if (b->pull_0) return "PULL0";
    if (b->pull_1) return "PULL1";
    if (b->keeper) return "KEEPER";
    return "Z";
}

}  // namespace

int contr_cell_exist(int num) { return control_numbers.count(num) > 0 ? 1 : 0; }

std::string row_owner(int row) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    if (r.function == "internal" || r.function == "observe_only")
        return "signal '" + r.core_name + "{" + r.bsdl_name + "}'";
    return "port '" + r.bsdl_name + "'";
}

void add_bd_row(const BdRegEntry& row, const ChainCellEntry* cell, const std::string& owner) {
    if (free_for(row.num, cell, owner)) push_row(row, owner);
}

void print_attribute_of_bd_cell_and_bd_len(const std::string& entity) {
    std::fprintf(BSD_FILE, "  attribute BOUNDARY_LENGTH of %s : entity is ", entity.c_str());
    std::fprintf(BSD_FILE, "%d;\n\n", CHAIN_CELL_COUNT);
}

void print_bd_register(int row, const BufferEntry* buffer, const FoundCell& found) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    ChainCellEntry* c = chain_cell(found.instance);
    c->in_register = 1;
    // The -dump_bs listing is debugging output for the screen only.
    if (option_check[BSDL_OPT_DUMP_BS])
        std::printf("%d : port name: %s, cell name: %s, instance: %s\n", c->order, r.bsdl_name.c_str(), c->cell_name,
                    found.instance.c_str());
    const std::string rslt = disable_result(buffer);
    // A cell on a signal inside the chip serves no system pin: each of its
    // bits is an internal cell without a port.
    const bool internal = found.function == "internal";

    // The rows of the data cell; `current` is the row a control cell belongs to.
    std::vector<BdRegEntry> rows;
    size_t current = 0;
    if (internal) {
        const int bits = c->order_first == 0 ? 1 : 2;
        for (int j = 0; j < bits; ++j)
            rows.push_back({c->order + j, first_name(c, j), "*", "internal", "X", -1, 0, rslt});
    } else if (c->order_first == 0) {
        rows.push_back({c->order, first_name(c), r.bsdl_name, found.function, "X", -1, 0, rslt});
    } else {
        const bool input_first = c->order_first == 1;
        rows.push_back({c->order, first_name(c, 0), r.bsdl_name, input_first ? "input" : "output3", "X", -1, 0, rslt});
        rows.push_back({c->order + 1, first_name(c, 1), r.bsdl_name, input_first ? "output3" : "input", "X", -1, 0, rslt});
        current = input_first ? 1 : 0;
    }
    // A port's trace that meets its own cell again (the cells of a hard
    // macro's enable, say) adds nothing.
    const std::string owner = row_owner(row);
    for (const auto& e : rows)
        if (!free_for(e.num, c, owner)) return;

    if (!found.control.empty()) {
        ChainCellEntry* ctl = chain_cell(found.control);
        ctl->in_register = 1;
        const int C = ctl->order;
        if (ctl != c) {
            check_one_control_bit(ctl);
            if (!contr_cell_exist(C)) {
                const ScanCellEntry* lib = get_scan_cell(ctl->cell_name);
                if (!lib) {
                    qdx_exit_printf(-1, "ERROR: can't find the definition of '%s' in .lib file '%s'\n\n",
                                    ctl->cell_name, BS_LIB_FILE.c_str());
                }
                BdRegEntry control{C, first_name(ctl), "*", lib->rst ? "controlr" : "control",
                                   found.disval == 1 ? "1" : "0", -1, 0, {}};
                add_bd_row(control, ctl, "the enable of " + owner);
            }
        } else {
            rows[current].safe = found.disval == 1 ? "1" : "0";
        }
        rows[current].ccell = C;
        rows[current].disval = found.disval;
    }
    for (auto& e : rows) {
        two_state_without_control(e);
        push_row(std::move(e), owner);
    }
}

void check_one_control_bit(const ChainCellEntry* ctl) {
    const int names = DYNA_count(ctl->std_names);
    if (names > 1) {
        qdx_exit_printf(-1,
                        "ERROR: there are %d control cells in module %s.\n"
                        "       Can't decide to select which one.\n\n",
                        names, ctl->cell_name);
    }
}

void two_state_without_control(BdRegEntry& row) {
    if ((row.function == "output3" || row.function == "bidir") && row.ccell < 0) row.function = "output2";
}

namespace {

// printf's %-Ns and %-Nd.
void left(std::string& s, std::string_view text, std::size_t width) { STR_append_left(s, text, width); }
void left(std::string& s, int number, std::size_t width) { STR_append_left(s, STR_Digits(number).view(), width); }

}  // namespace

void print_out_bd_reg_tab() {
    // The rows by number, rows of one number in the order they came; the
    // rows themselves stay where they are (each holds several strings).
    std::vector<std::size_t> order(BD_REG_TAB.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [](std::size_t a, std::size_t b) { return BD_REG_TAB[a].num < BD_REG_TAB[b].num; });
    // The register's text, put together and written at once.
    std::string text;
    for (size_t i = 0; i < order.size(); ++i) {
        const BdRegEntry& e = BD_REG_TAB[order[i]];
        text += "    \"";
        left(text, e.num, 4);
        text += " (";
        left(text, e.cell, 12);
        text += ',';
        left(text, e.port, 15);
        text += ',';
        left(text, e.function, 14);
        text += ',';
        text += e.safe;
        if (e.ccell != -1) {
            text += "   ,";
            left(text, e.ccell, 4);
            text += " ,";
            left(text, e.disval, 5);
            text += " ,";
            text += e.rslt;
        }
        text += i + 1 == order.size() ? ")\";\n" : "),\" &\n";
    }
    std::fwrite(text.data(), 1, text.size(), BSD_FILE);
}

void print_attribute_of_bd_register(const std::string& entity) {
    std::fputs("\n  attribute BOUNDARY_REGISTER of ", BSD_FILE);
    std::fprintf(BSD_FILE, "%s : entity is\n", entity.c_str());
    std::fputs("  -- num   cell         port            function", BSD_FILE);
    std::fputs("       safe [ccell disval rslt]\n\n", BSD_FILE);
    BD_REG_TAB.clear();
    row_owners.clear();
    control_numbers.clear();
    for (int i = 0; i < static_cast<int>(BUF_TAB.size()); ++i) {
        const BufTabEntry& r = BUF_TAB[static_cast<size_t>(i)];
        if (skip_signal(r.core_name.c_str()) || r.function.empty()) continue;
        TraceResult t;
        const int pad = r.pad_obj;
        if (pad < 0) continue;
        if (r.function == "in")
            t = print_input_clock_bd_register(i, pad, "input");
        else if (r.function == "clock")
            t = print_input_clock_bd_register(i, pad, "clock");
        else if (r.function == "out" || r.function == "buffer")
            t = print_output_bd_register(i, pad);
        else if (r.function == "inout")
            t = print_bidir_bd_register(i, pad);
        else if (r.function == "internal" || r.function == "observe_only")
            t = print_internal_bd_register(i, pad);
        for (const FoundCell& f : t.cells) print_bd_register(i, t.buffer, f);
    }
    print_out_bd_reg_tab();
}
