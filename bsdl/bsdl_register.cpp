// The boundary register of the BSDL file: BOUNDARY_LENGTH, and the
// BOUNDARY_REGISTER rows made from the cells that the tracers find for
// each port, sorted by cell number.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
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

// The numbers of BD_REG_TAB's rows, and of its control rows.
std::unordered_set<int> row_numbers, control_numbers;

void push_row(BdRegEntry row) {
    row_numbers.insert(row.num);
    if (STR_ucomp(row.function.c_str(), "control") == 0 || STR_ucomp(row.function.c_str(), "controlr") == 0)
        control_numbers.insert(row.num);
    BD_REG_TAB.push_back(std::move(row));
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

bool has_row(int num) { return row_numbers.count(num) > 0; }

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

void add_bd_row(const BdRegEntry& row) {
    if (has_row(row.num)) {
        qdx_printf("WARNING: boundary scan cell %d was described already; port '%s' gets no second row.\n\n", row.num,
                   row.port.c_str());
        return;
    }
    push_row(row);
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
    for (const auto& e : rows) {
        if (has_row(e.num)) {
            qdx_printf("WARNING: boundary scan cell '%s' serves port '%s' and another port;\n", found.instance.c_str(),
                       r.bsdl_name.c_str());
            qdx_printf("         port '%s' gets no second row for it.\n\n", r.bsdl_name.c_str());
            return;
        }
    }

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
                if (has_row(C)) {
                    qdx_printf("WARNING: boundary scan cell %d serves as data and control cell.\n\n", C);
                } else {
                    push_row(control);
                }
            }
        } else {
            rows[current].safe = found.disval == 1 ? "1" : "0";
        }
        rows[current].ccell = C;
        rows[current].disval = found.disval;
    }
    for (auto& e : rows) {
        two_state_without_control(e);
        push_row(std::move(e));
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
    row_numbers.clear();
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
