// The order of the boundary register (from the TDO pad round the pin
// list) and the pin-list file "<top>.bso".
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

namespace {

constexpr int kTdoKey = -1;
constexpr int kTdiKey = 9999;
constexpr int kNoCellKey = 10000;
constexpr int kFirstBackwardKey = 9998;

bool is_port(const PadEntry& p, const char* global) {
    return global && bsnames::same(p.signal, without_low_mark(global));
}

int last_key(const ControlPinGroup& g) {
    int n = DYNA_count(g.keys);
    return n > 0 ? g.keys[n - 1] : INT_MIN;
}

const char* function_word(int kind) {
    switch (kind) {
        case PAD_CLOCK:
        case PAD_MUX_CLOCK: return "clock";
        case PAD_INPUT:
        case PAD_MUX_INPUT: return "input";
        case PAD_OUTPUT2:
        case PAD_MUX_OUTPUT2: return "output2";
        case PAD_OUTPUT3:
        case PAD_OUTPUT_EN:
        case PAD_MUX_OUTPUT3: return "output3";
        case PAD_BIDIR:
        case PAD_MUX_BIDIR1:
        case PAD_MUX_BIDIR2: return "bidir";
        case PAD_INOUT:
        case PAD_MUX_INOUT1:
        case PAD_MUX_INOUT2: return "inout";
        case PAD_INTERNAL: return "internal";
        default: return "  *";
    }
}

// Register rows of the cells by instance name, for finding each control
// cell's own row; built once per pin-list file.
using RowsByName = std::unordered_map<std::string_view, int>;

RowsByName rows_by_name() {
    RowsByName rows;
    for (int i = 0, n = DYNA_count(SCAN_TAB); i < n; ++i)
        if (SCAN_TAB[i].instance) rows.emplace(SCAN_TAB[i].instance, i);
    return rows;
}

// The control block of one group, for the control cell in register row
// `row` (none when the row does not exist or has no instance).
void write_control_block(FILE* fp, const char* net, const char* function, const char* cell, const int* keys,
                         long row) {
    int n = DYNA_count(keys);
    if (n == 0) return;
    if (row < 0 || row >= DYNA_count(SCAN_TAB) || !SCAN_TAB[row].instance) return;
    std::fprintf(fp, "   [CONTROL SCAN CELL]    %-22s %-6c  %-11s %-11s\n", bsnames::or_text(net, "*"), '*',
                 bsnames::or_text(function, "*"), SCAN_TAB[row].instance);
    if (n == 1)
        std::fprintf(fp, "   [OE RANGE] %3d                   ", keys[0]);
    else
        std::fprintf(fp, "   [OE RANGE] %3d:%3d               ", keys[0], keys[n - 1]);
    std::fprintf(fp, "             *                  [%s]\n", bsnames::or_text(cell, "*"));
}

// The row after the first pad of a group: where the cell writers put the
// control cell of a pad with a single data cell.
long row_after_first_key(const int* keys) {
    return DYNA_count(keys) > 0 ? static_cast<long>(keys[0]) + 1 : -1;
}

void group_block(FILE* fp, const ControlPinGroup& g, const RowsByName& rows) {
    const ControlCellEntry* entry = nullptr;
    if (g.control > 0 && g.control <= DYNA_count(CONTROL_TAB)) entry = &CONTROL_TAB[g.control - 1];
    if (g.control_oe > 0 && g.control_oe <= DYNA_count(CONTROL_OE_TAB)) entry = &CONTROL_OE_TAB[g.control_oe - 1];
    // The cell writer of the group's owning pad records the control cell's
    // instance; its row is found by that name, since a pad with an input
    // and an output cell is keyed by its input cell, added after its
    // control cell.  Without a recorded instance the control cell is
    // taken to follow the first pad's data cell.
    long row = row_after_first_key(g.keys);
    if (entry && entry->instance) {
        auto at = rows.find(entry->instance);
        row = at == rows.end() ? -1 : at->second;
    }
    write_control_block(fp, entry ? entry->net_name : nullptr, entry ? entry->function : nullptr,
                        entry && entry->cell ? entry->cell->name : nullptr, g.keys, row);
}

void free_contr_pin() {
    for (int i = 0, n = DYNA_count(CONTR_PIN); i < n; ++i)
        if (CONTR_PIN[i].keys) DYNA_free(&CONTR_PIN[i].keys);
    if (CONTR_PIN) DYNA_free(&CONTR_PIN);
    CONTR_PIN = nullptr;
}

// printf's %-Ns (a null text written as "(null)"), %Ns and %Nd.
void left(std::string& s, const char* text, std::size_t width) { STR_append_left(s, text ? text : "(null)", width); }
void right(std::string& s, std::string_view t, std::size_t width) { STR_append_right(s, t, width); }
void right(std::string& s, int number, std::size_t width) { STR_append_right(s, STR_Digits(number).view(), width); }

// A pad's line (and the line of its pad cell), put together and written
// in one call: the file has a line for every pad.
void write_pad(FILE* fp, const PadEntry& p) {
    thread_local std::string line;
    line.clear();
    if (static_cast<unsigned>(p.key) <= static_cast<unsigned>(kFirstBackwardKey)) {
        line += ' ';
        right(line, p.key, 4);
        line += "  ";
    } else {
        line += "    *  ";
    }
    right(line, bsnames::or_text(p.pin_text, "*"), 4);
    line += ' ';
    left(line, bsnames::or_text(p.signal, "*"), 13);
    line += ' ';
    left(line, bsnames::or_text(p.core_net, "*"), 20);
    line += ' ';
    left(line, bsnames::or_text(p.pad_instance, "  *"), 9);
    line += ' ';
    left(line, function_word(p.kind), 11);
    line += ' ';
    left(line, bsnames::or_text(p.cell_request, "  *"), 11);
    line += '\n';
    if (p.pad_cell) {
        std::string cell = "*";
        if (p.cell) {
            if (p.kind == PAD_INOUT || p.kind == PAD_MUX_INOUT1 || p.kind == PAD_MUX_INOUT2) {
                const ScanCellEntry* input = INPUT_SCAN ? get_scan_cell(INPUT_SCAN) : nullptr;
                cell = std::string(input ? input->name : "*") + "," + p.cell->name;
            } else {
                cell = p.cell->name;
            }
        }
        const std::size_t pad = std::strlen(p.pad_cell);
        line.append(43, ' ');
        line += "   [";
        line += p.pad_cell;
        line += ']';
        if (pad < 20) line.append(20 - pad, ' ');
        line += '[';
        line += cell;
        line += "]\n";
    }
    std::fwrite(line.data(), 1, line.size(), fp);
}

void write_file(FILE* fp) {
    std::fprintf(fp, "// ---------------------------------------------------------------------------\n");
    std::fprintf(fp, "//SCAN  Pin Signal Name   Signal Name          IO BUF    SIGNAL      SCAN CELL\n");
    std::fprintf(fp, "//ORDER Num at the Pin    at the Core          NAME      FUNCTION    NAME\n");
    std::fprintf(fp, "//                                            [TYPE]                [TYPE]\n");
    std::fprintf(fp, "// ---------------------------------------------------------------------------\n");
    sort_pin_with_control();
    int groups = DYNA_count(CONTR_PIN);
    int current = 0;
    // Groups without pads cannot be written; they come first after the sort.
    while (current < groups && DYNA_count(CONTR_PIN[current].keys) == 0) ++current;
    RowsByName rows = current < groups ? rows_by_name() : RowsByName();
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        write_pad(fp, p);
        if (current < groups && last_key(CONTR_PIN[current]) != -1 && last_key(CONTR_PIN[current]) == p.key) {
            group_block(fp, CONTR_PIN[current], rows);
            ++current;
        }
    }
}

}  // namespace




void arrange_opin_tab_from_tdo() {
    int n = DYNA_count(OPIN_TAB);
    int direction = 0;  // 0 not known, 1 forward (TDI before TDO), 2 backward
    bool tdi_seen = false;
    int up = 0, down = kFirstBackwardKey;
    auto next_key = [&]() { return direction == 1 ? up++ : down--; };
    int tdo_at = -1;
    for (int i = 0; i < n; ++i) {
        PadEntry& p = OPIN_TAB[i];
        if (is_port(p, GLOBAL_TDO)) {
            p.key = kTdoKey;
            if (direction == 0) direction = tdi_seen ? 1 : 2;
            if (tdo_at < 0) tdo_at = i;
        } else if (is_port(p, GLOBAL_TDI)) {
            p.key = kTdiKey;
            tdi_seen = true;
        } else if (p.cell) {
            if (direction != 0) p.key = next_key();
        } else {
            p.key = kNoCellKey;
        }
    }
    // Round the ring: the pads before TDO follow those after it.
    for (int i = 0, end = tdo_at < 0 ? n : tdo_at; i < end; ++i) {
        PadEntry& p = OPIN_TAB[i];
        if (!p.cell)
            p.key = kNoCellKey;
        else if (direction != 0)
            p.key = next_key();
    }
    // Pads of equal key (those without a cell) keep their pin-list order.
    std::vector<PadEntry> rows(OPIN_TAB, OPIN_TAB + n);
    std::stable_sort(rows.begin(), rows.end(), [](const PadEntry& a, const PadEntry& b) { return a.key < b.key; });
    std::copy(rows.begin(), rows.end(), OPIN_TAB);
}

void sort_pin_with_control() {
    free_contr_pin();
    int plain = DYNA_count(CONTROL_TAB);
    int n = plain + DYNA_count(CONTROL_OE_TAB);
    CONTR_PIN = DYNA_new<ControlPinGroup>();
    for (int i = 0; i < n; ++i) DYNA_append(&CONTR_PIN, ControlPinGroup{-1, -1, DYNA_new<int>()});
    if (n == 0) return;
    for (int i = 0, pads = DYNA_count(OPIN_TAB); i < pads; ++i) {
        const PadEntry& p = OPIN_TAB[i];
        int at = -1;
        if (p.control > 0 && p.control <= plain) {
            at = p.control - 1;
            if (DYNA_count(CONTR_PIN[at].keys) == 0) {
                CONTR_PIN[at].control = p.control;
                CONTR_PIN[at].control_oe = -1;
            }
        } else if (p.control <= 0 && p.control_oe > 0 && p.control_oe <= n - plain) {
            at = p.control_oe - 1 + plain;
            if (DYNA_count(CONTR_PIN[at].keys) == 0) {
                CONTR_PIN[at].control_oe = p.control_oe;
                CONTR_PIN[at].control = -1;
            }
        }
        if (at >= 0) DYNA_append(&CONTR_PIN[at].keys, p.key);
    }
    for (int i = 0; i < n; ++i) {
        int* keys = CONTR_PIN[i].keys;
        std::sort(keys, keys + DYNA_count(keys));
    }
    std::stable_sort(CONTR_PIN, CONTR_PIN + n,
                     [](const ControlPinGroup& a, const ControlPinGroup& b) { return last_key(a) < last_key(b); });
}

void print_bso_file() {
    bsnames::set_text(BSO_FILE, (TOP_MODULE + ".bso").c_str());
    AtomicFile file(BSO_FILE);
    const bool opened = file.open("w");
    bool written = false;
    if (opened) {
        write_file(file.stream());
        written = file.commit();
    }
    // The pin list of a chip that the run does not finish goes with it.
    if (written) RT_remove_at_end(BSO_FILE, RtRemove::IfFailed);
    free_contr_pin();
    if (written) return;
    // A file that can't be made (also where a directory stands) is the
    // open failure; a write that failed says why.
    if (opened && file.error() != EISDIR)
        qdx_printf("WARNING: can't write file '%s': %s.\n\n", BSO_FILE, file.why().c_str());
    else
        qdx_printf("WARNING: can't open file '%s' to output information of pins.\n\n", BSO_FILE);
    std::printf("         Continue excuting? (y/n) : ");
    std::fflush(stdout);
    // Only "y" goes on; any other answer, or none at the end of input, stops.
    char* answer = STR_gets();
    bool go_on = answer && STR_ucomp(answer, "y") == 0;
    std::free(answer);
    if (!go_on) qdx_exit(-1);
    bsnames::clear_text(BSO_FILE);
}


void integer_to_binary_code(unsigned value, char* buffer, int width) {
    for (int i = 0; i < width; ++i) buffer[width - 1 - i] = (i < 32 && (value >> i) & 1u) ? '1' : '0';
}
