// The guideline editor's menus: reading answers, the screens, the edits
// of the description tables, and saving.  The menus and their prompts are
// screen-only output: they print with std::printf, not to the report.
#include "guideline/guideline.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jtag/insertion_facts.h"
#include "desc/dft.h"
#include "desc/hash.h"
#include "desc/pin.h"
#include "desc/reader.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "jtag/jtag.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/str.h"

int G_INST_LEN = 0;

namespace {

namespace fs = std::filesystem;

FILE* answers = stdin;

// ------------------------------------------------------------ input and screen

// One whole answer line without its newline; none at the end of the input.
std::optional<std::string> read_line() {
    std::string line;
    bool any = false;
    int c;
    while ((c = std::fgetc(answers)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (!any) return std::nullopt;
    return line;
}

// After a message: one line of any text (or the end of the input).
void wait_line() {
    std::fflush(stdout);
    read_line();
}

std::optional<std::string> ask(const std::string& prompt) {
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    return read_line();
}

void clear_screen() {
    if (::isatty(STDOUT_FILENO)) std::fputs("\033[H\033[2J", stdout);
    std::fflush(stdout);
}

std::string blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

// The item chosen by a line that is exactly one of the numbers 1 .. items,
// 0 for any other line, none at the end of the input.
std::optional<int> read_command(const std::string& prompt, int items) {
    auto line = ask(prompt);
    if (!line) return std::nullopt;
    for (int k = 1; k <= items; ++k)
        if (*line == std::to_string(k)) return k;
    return 0;
}

// One menu line: its number, its label (a second line under it when the
// label has two), and after it a dotted leader and the value when set.
struct Item {
    int number;
    const char* label;
    const char* label2 = nullptr;
    std::string value;
    bool has_value = false;
};

Item item(int number, const char* label, const char* value = nullptr, const char* label2 = nullptr) {
    Item i{number, label, label2, value ? value : "", value != nullptr};
    return i;
}

void print_items(int indent, const std::vector<Item>& items) {
    size_t width = 0;
    for (const Item& i : items) width = std::max({width, std::strlen(i.label), i.label2 ? std::strlen(i.label2) : 0});
    for (const Item& i : items) {
        std::printf("%s%2d. %s", blanks(indent).c_str(), i.number, i.label);
        const char* last = i.label;
        if (i.label2) {
            std::printf("\n%s    %s", blanks(indent).c_str(), i.label2);
            last = i.label2;
        }
        if (i.has_value)
            std::printf("%s ..... %s", blanks(static_cast<int>(width - std::strlen(last))).c_str(), i.value.c_str());
        std::printf("\n");
    }
    std::printf("\n");
}

void show(const std::string& title, int indent, const std::vector<Item>& items) {
    clear_screen();
    std::fputs(title.c_str(), stdout);
    print_items(indent, items);
}

// An answer that sets a text field: empty gives none.
void set_field(char** field, const std::string& answer) { desc_set_text(field, answer.empty() ? nullptr : answer.c_str()); }

// Asks for a field; returns false at the end of the input.
bool ask_field(const std::string& prompt, char** field) {
    auto a = ask(prompt);
    if (!a) return false;
    set_field(field, *a);
    return true;
}

// The pieces of an answer split at commas, semicolons, blanks and newlines.
std::vector<std::string> pieces(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == ',' || c == ';' || c == ' ' || c == '\n' || c == '\t') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

bool same_ignoring_case(const char* a, const char* b) { return a && b && STR_ucomp(a, b) == 0; }

// ------------------------------------------------------------ the pages being edited
//
// The hashed tables are edited as plain lists while the editor runs (a
// record's bucket follows its name, which the user may change); they go
// back into the tables, hashed by their names, whenever the tables are
// saved and when the editor ends.

std::vector<TapCellEntry> taps;
std::vector<ScanCellEntry> cells;
std::vector<BufferEntry> buffers;
std::vector<SkipSignalEntry> skips;
std::vector<PinListEntry> pins;
bool editing = false;
// Whether the files found were read into the tables, and the pin file
// that came with them: only those are replaced by a save.
bool files_loaded = false;
std::string loaded_pin_file;

BufferEntry blank_buffer();

template <class T>
std::vector<T> take(T*** hash, T*** listing) {
    std::vector<T> out;
    for (int i = 0, n = DYNA_count(*listing); i < n; ++i) {
        out.push_back(*(*listing)[i]);
        *(*listing)[i] = T{};  // the list owns the fields now
    }
    desc_free_hash(hash);
    desc_free_array(listing);
    *hash = DYNA_new<T*>();
    *listing = DYNA_new<T*>();
    return out;
}

template <class T>
void put_back(T*** hash, T*** listing, std::vector<T>& rows) {
    for (T& r : rows) *desc_hash_add(hash, desc_record_key(r)) = r;
    rows.clear();
    desc_build_listing(*hash, listing);
}

template <class T>
void free_rows(std::vector<T>& rows) {
    for (T& r : rows) desc_free_record(r);
    rows.clear();
}

void take_pages() {
    taps = take(&TAP_CELL_HASH_TAB, &TAP_CELL_TAB);
    cells = take(&SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
    buffers = take(&BUFFER_HASH_TAB, &BUFFER_TAB);
    // Nameless pad entries are never written; one blank entry stays last,
    // where the pad pages start when no entry has their function.
    for (size_t i = buffers.size(); i-- > 0;) {
        if (buffers[i].name) continue;
        desc_free_record(buffers[i]);
        buffers.erase(buffers.begin() + static_cast<long>(i));
    }
    buffers.push_back(blank_buffer());
    skips = take(&SKIP_SIGNAL_HASH_TAB, &SKIP_SIGNAL_TAB);
    for (int i = 0, n = DYNA_count(PIN_TABLE); i < n; ++i) {
        pins.push_back(*PIN_TABLE[i]);
        *PIN_TABLE[i] = PinListEntry{};
    }
    free_pin_tables();
    PIN_HASH_TAB = DYNA_new<PinListEntry*>();
    PIN_TABLE = DYNA_new<PinListEntry*>();
    editing = true;
}

void put_pages_back() {
    if (!editing) return;
    put_back(&TAP_CELL_HASH_TAB, &TAP_CELL_TAB, taps);
    put_back(&SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB, cells);
    put_back(&BUFFER_HASH_TAB, &BUFFER_TAB, buffers);
    put_back(&SKIP_SIGNAL_HASH_TAB, &SKIP_SIGNAL_TAB, skips);
    for (PinListEntry& r : pins) *desc_hash_add_at(&PIN_HASH_TAB, DYNA_count(PIN_HASH_TAB), 1) = r;
    pins.clear();
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    editing = false;
}

TapCellEntry new_tap() {
    TapCellEntry t{};
    t.group_size = -1;
    t.df_group_size = -1;
    return t;
}

ScanCellEntry new_cell() {
    ScanCellEntry c{};
    c.oe_mode_direction = -1;
    return c;
}

BufferEntry blank_buffer() {
    BufferEntry b{};
    desc_set_text(&b.function, " ");
    return b;
}

// Pages without a name go, from the last down to the second; then the
// first too when it has no name and others are left.
template <class T>
void clean_up_pages(std::vector<T>& rows) {
    for (size_t i = rows.size(); i-- > 1;) {
        if (rows[i].name) continue;
        desc_free_record(rows[i]);
        rows.erase(rows.begin() + static_cast<long>(i));
    }
    if (rows.size() > 1 && !rows[0].name) {
        desc_free_record(rows[0]);
        rows.erase(rows.begin());
    }
}

// ------------------------------------------------------------ Global Port Menu

void print_Global_port_menu() {
    show(blanks(15) + " *****     Global Port Menu     *****\n\n", 20,
         {item(1, "specify Global TDI", GLOBAL_TDI), item(2, "specify Global TDO", GLOBAL_TDO),
          item(3, "specify Global TMS", GLOBAL_TMS), item(4, "specify Global TCK", GLOBAL_TCK),
          item(5, "specify Global TRST", GLOBAL_TRST), item(6, "return to Main Menu")});
}

void global_port_menu() {
    char** fields[] = {&GLOBAL_TDI, &GLOBAL_TDO, &GLOBAL_TMS, &GLOBAL_TCK, &GLOBAL_TRST};
    for (;;) {
        print_Global_port_menu();
        auto c = read_command(blanks(19) + " Enter Command : ", 6);
        if (!c || *c == 6) return;
        if (*c == 0) continue;
        if (!ask_field(blanks(19) + " Enter Data : ", fields[*c - 1])) return;
    }
}

// ------------------------------------------------------------ TAP controller

struct TapItem {
    const char* label;
    const char* label2;
    char* TapCellEntry::*field;
};

const TapItem kTapItems[] = {
    {"specify TAP module name", nullptr, &TapCellEntry::name},
    {"specify output pin connected to", "the first boundary scan cell", &TapCellEntry::first_bcell},
    {"specify input pin connected to", "the last boundary scan cell", &TapCellEntry::last_bcell},
    {"specify the signal for SHIFT_DR", nullptr, &TapCellEntry::shift_dr},
    {"specify the signal for CLOCK_DR", nullptr, &TapCellEntry::clock_dr},
    {"specify the signal for UPDATE_DR", nullptr, &TapCellEntry::update_dr},
    {"specify the signal for MODE_1", nullptr, &TapCellEntry::mode1},
    {"specify the signal for MODE_2", nullptr, &TapCellEntry::mode2},
    {"specify the signal for MODE_3", nullptr, &TapCellEntry::mode3},
    {"specify the signal for RESET", nullptr, &TapCellEntry::tap_reset},
    {"specify the signal for HIHGZ command", nullptr, &TapCellEntry::highz_command},
    {"specify buffer type used for bus balancing", nullptr, &TapCellEntry::signal_buffer},
    {"specify inverter type used for bus balancing", nullptr, &TapCellEntry::inv_buffer},
    {"specify group size for bus balancing", nullptr, nullptr},
    {"specify the signal for TDI", nullptr, &TapCellEntry::tdi},
    {"specify the signal for TDO", nullptr, &TapCellEntry::tdo},
    {"specify the signal for TMS", nullptr, &TapCellEntry::tms},
    {"specify the signal for TCK", nullptr, &TapCellEntry::tck},
    {"specify the signal for TRST", nullptr, &TapCellEntry::trst},
};
constexpr int kTapGroupSizeItem = 14;

void print_TAP_lib_menu1(size_t page) {
    const TapCellEntry& t = taps[page];
    std::vector<Item> items;
    int n = 1;
    std::string size = std::to_string(t.group_size);
    for (const TapItem& ti : kTapItems) {
        const char* value = ti.field ? t.*ti.field : (t.group_size >= 0 ? size.c_str() : nullptr);
        items.push_back(item(n++, ti.label, value, ti.label2));
    }
    items.push_back(item(20, "go to next page"));
    items.push_back(item(21, "add a new page"));
    items.push_back(item(22, "return to previous menu"));
    show(" ***************    TAP Controller Module Menu " + std::to_string(page + 1) + "  " + " **************\n\n",
         5, items);
}

void tap_lib_menu1() {
    if (taps.empty()) taps.push_back(new_tap());
    size_t page = 0;
    for (;;) {
        print_TAP_lib_menu1(page);
        auto c = read_command(blanks(4) + " Enter Command : ", 22);
        if (!c || *c == 22) break;
        if (*c == 0) continue;
        if (*c == 20) {
            page = (page + 1) % taps.size();
        } else if (*c == 21) {
            taps.push_back(new_tap());
            page = taps.size() - 1;
        } else if (*c == kTapGroupSizeItem) {
            auto a = ask(blanks(4) + " Enter group size : ");
            if (!a) break;
            if (a->empty()) continue;
            if (!check_integer(a->c_str())) {
                std::printf("%s group size must be an integer", blanks(4).c_str());
                wait_line();
                continue;
            }
            taps[page].group_size = desc_decimal(a->c_str());
        } else if (!ask_field(blanks(4) + " Enter Data : ", &(taps[page].*kTapItems[*c - 1].field))) {
            break;
        }
    }
    clean_up_pages(taps);
}

void print_TAP_menu() {
    show(blanks(5) + " *******    TAP Controller Menu    *******\n\n", 10,
         {item(1, "edit TAP module in lib file"),
          item(2, "specify TAP module name in bsc file", TAP_MODULE_NAME),
          item(3, "specify TAP instance name in bsc file", TAP_INSTANCE_NAME), item(4, "return to Main Menu")});
}

void tap_menu() {
    for (;;) {
        print_TAP_menu();
        auto c = read_command(blanks(9) + " Enter Command : ", 4);
        if (!c || *c == 4) return;
        if (*c == 1) tap_lib_menu1();
        if (*c == 2 && !ask_field(blanks(9) + " Enter module name : ", &TAP_MODULE_NAME)) return;
        if (*c == 3 && !ask_field(blanks(9) + " Enter instance name : ", &TAP_INSTANCE_NAME)) return;
    }
}

// ------------------------------------------------------------ instructions

void print_INST_opcode_menu() {
    clear_screen();
    std::printf("********     Instruction Opcode Table     ********\n");
    std::printf(" Instruction name     Access Register     Opcode\n");
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i) {
        const InstructionEntry& e = INSTRUCTIONS[i];
        std::printf(" %-16s", e.name ? e.name : "");
        if (e.access)
            std::printf("%-15s", e.access);
        else
            std::printf("%15c", ' ');
        int ops = DYNA_count(e.opcodes);
        std::printf(" %s\n", ops > 0 ? e.opcodes[0] : "");
        for (int k = 1; k < ops; ++k) std::printf(" %40s %s\n", "...", e.opcodes[k]);
    }
    std::printf("\n");
}

void delete_instruction(int row) {
    desc_free_record(INSTRUCTIONS[row]);
    DYNA_delete(&INSTRUCTIONS, row);
}

// The opcode list as the reader takes it: no two of different lengths,
// none equal to an earlier one where "X" matches anything.
bool fits_opcode_list(const std::string& op, char** list) {
    for (int i = 0, n = DYNA_count(list); i < n; ++i) {
        std::string earlier = list[i];
        if (earlier.size() != op.size()) return false;
        bool equal = true;
        for (size_t k = 0; k < op.size() && equal; ++k) {
            char a = op[k], b = earlier[k];
            equal = a == b || a == 'x' || a == 'X' || b == 'x' || b == 'X';
        }
        if (equal) return false;
    }
    return true;
}

// Appends each valid opcode of the answer to the list; each other piece
// prints the message (after `indent` blanks) and waits for a line.
void add_opcodes(char*** list, const std::string& text, int indent, bool blank_after_indent) {
    for (const std::string& p : pieces(text)) {
        if (check_inst(p.c_str()) && fits_opcode_list(p, *list)) {
            STR_add(list, p.c_str());
            continue;
        }
        std::printf("%s%sinvalid instruction '%s'\n", blanks(indent).c_str(), blank_after_indent ? " " : "", p.c_str());
        wait_line();
    }
}

// Asks for the access register of a row with opcodes; returns false at
// the end of the input.  The reader gives "bypass" to an instruction
// without a register, so an empty answer for a new row stands for it.
bool ask_access(const std::string& prompt, int row, bool keep_on_empty) {
    auto a = ask(prompt);
    if (!a) return false;
    if (a->empty()) {
        if (!keep_on_empty || !INSTRUCTIONS[row].access) desc_set_text(&INSTRUCTIONS[row].access, "bypass");
    } else {
        desc_set_text(&INSTRUCTIONS[row].access, a->c_str());
    }
    return true;
}

void inst_opcode_table() {
    for (;;) {
        print_INST_opcode_menu();
        std::printf("    Enter Instrcuction name to start editing or\n");
        auto name = ask("    press <Enter> return to previous menu : ");
        if (!name || name->empty()) return;
        int row = check_inst_name(name->c_str());
        auto ops = ask("    Enter Instruction opcode : ");
        if (!ops) return;
        put_opcode_into_instruction(row, ops->c_str());
        if (!ops->empty() && DYNA_count(INSTRUCTIONS[row].opcodes) > 0) {
            if (!ask_access(blanks(4) + "Enter Access Register : ", row, true)) return;
        } else {
            delete_instruction(row);
        }
    }
}

void first_instruction() {
    auto name = ask(blanks(10) + "Enter Instruction name : ");
    if (!name || name->empty()) return;
    int row = check_inst_name(name->c_str());
    auto ops = ask(blanks(15) + "Enter Instruction opcode : ");
    if (ops) put_opcode_into_instruction(row, ops->c_str());
    if (ops && !ops->empty() && DYNA_count(INSTRUCTIONS[row].opcodes) > 0) {
        ask_access(blanks(15) + "Enter Access Register : ", row, false);
    } else {
        delete_instruction(row);
    }
}

std::string joined(char** list) {
    std::string s;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) s += std::string(i ? ", " : "") + list[i];
    return s;
}

void print_INST_menu() {
    std::string len = std::to_string(G_INST_LEN);
    std::string names;
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i)
        names += std::string(i ? ", " : "") + (INSTRUCTIONS[i].name ? INSTRUCTIONS[i].name : "");
    std::string capture = joined(INST_CAPTURE), priv = joined(INST_PRIVATE);
    show(blanks(5) + " ****   Instruction Register Menu   ****\n\n", 10,
         {item(1, "specify instruction length", len.c_str()),
          item(2, "edit instruction opcode table", names.empty() ? nullptr : names.c_str()),
          item(3, "edit INSTRUCTION_CAPTURE", capture.empty() ? nullptr : capture.c_str()),
          item(4, "edit INSTRUCTION_DISABLE", INST_DISABLE), item(5, "edit INSTRUCTION_GUARD", INST_GUARD),
          item(6, "edit INSTRUCTION_PRIVATE", priv.empty() ? nullptr : priv.c_str()),
          item(7, "return to Main Menu")});
}

void inst_menu() {
    for (;;) {
        print_INST_menu();
        auto c = read_command(blanks(10) + "Enter command : ", 7);
        if (!c || *c == 7) return;
        switch (*c) {
            case 1: {
                auto a = ask(blanks(10) + "Enter instruction length : ");
                if (!a) return;
                if (a->empty()) break;
                if (!check_integer(a->c_str())) {
                    std::printf("%sInstruction length must be an integer", blanks(10).c_str());
                    wait_line();
                    break;
                }
                G_INST_LEN = desc_decimal(a->c_str());
                break;
            }
            case 2:
                if (DYNA_count(INSTRUCTIONS) == 0)
                    first_instruction();
                else
                    inst_opcode_table();
                break;
            case 3: {
                auto a = ask(blanks(10) + "Enter INSTRUCTION_CAPTURE : ");
                if (!a) return;
                if (a->empty()) {
                    STR_free(&INST_CAPTURE);
                    INST_CAPTURE = DYNA_new<char*>();
                } else {
                    add_opcodes(&INST_CAPTURE, *a, 15, false);
                }
                break;
            }
            case 4:
                if (!ask_field(blanks(10) + "Enter INSTRUCTION_DISABLE : ", &INST_DISABLE)) return;
                break;
            case 5:
                if (!ask_field(blanks(10) + "Enter INSTRUCTION_GAURD : ", &INST_GUARD)) return;
                break;
            case 6: {
                auto a = ask(blanks(10) + "Enter INSTRUCTION_PRIVATE : ");
                if (!a) return;
                if (a->empty()) {
                    STR_free(&INST_PRIVATE);
                    INST_PRIVATE = DYNA_new<char*>();
                } else {
                    for (const std::string& p : pieces(*a)) STR_add(&INST_PRIVATE, p.c_str());
                }
                break;
            }
            default: break;
        }
    }
}

// ------------------------------------------------------------ test data registers

void print_BD_name_menu() {
    show(blanks(5) + " *****   Boundary Scan Cell  Menu   *****\n\n", 11,
         {item(1, "specify Input Scan Cell name", INPUT_SCAN), item(2, "specify Output Scan Cell name", OUTPUT_SCAN),
          item(3, "specify Control Scan Cell name", CONTROL_SCAN),
          item(4, "specify Bidirectional Scan Cell name", BIDIR_SCAN),
          item(5, "specify Clock Scan Cell name", CLOCK_SCAN), item(6, "return to previous menu")});
}

void bd_name_menu() {
    char** fields[] = {&INPUT_SCAN, &OUTPUT_SCAN, &CONTROL_SCAN, &BIDIR_SCAN, &CLOCK_SCAN};
    for (;;) {
        print_BD_name_menu();
        auto c = read_command(blanks(10) + " Enter Command : ", 6);
        if (!c || *c == 6) return;
        if (*c == 0) continue;
        if (!ask_field(blanks(10) + " Enter Data : ", fields[*c - 1])) return;
    }
}

struct CellItem {
    const char* label;
    char* ScanCellEntry::*field;
};

const CellItem kCellItems[] = {
    {"specify module name", &ScanCellEntry::name},
    {"specify the bidirectional pin", &ScanCellEntry::sys_pin},
    {"specify pin name of data in", &ScanCellEntry::data_in},
    {"specify pin name of data out", &ScanCellEntry::data_out},
    {"specify pin name of tdi", &ScanCellEntry::tdi},
    {"specify pin name of tdo", &ScanCellEntry::tdo},
    {"specify pin name of shift_dr", &ScanCellEntry::shift_dr},
    {"specify pin name of clock_dr", &ScanCellEntry::clock_dr},
    {"specify pin name of update_dr", &ScanCellEntry::update_dr},
    {"specify pin name of mode_1", &ScanCellEntry::mode1},
    {"specify pin name of mode_2", &ScanCellEntry::mode2},
    {"specify pin name of mode_3", &ScanCellEntry::mode3},
    {"specify pin name of reset", &ScanCellEntry::rst},
};

void print_BD_module_menu(size_t page) {
    std::vector<Item> items;
    int n = 1;
    for (const CellItem& ci : kCellItems) items.push_back(item(n++, ci.label, cells[page].*ci.field));
    items.push_back(item(14, "go to next page"));
    items.push_back(item(15, "add a new page"));
    items.push_back(item(16, "return to previous Menu"));
    show(blanks(10) + " *****   Boundary Scan Cell Menu " + std::to_string(page + 1) + "  *****\n\n", 16, items);
}

void bd_module_menu() {
    if (cells.empty()) cells.push_back(new_cell());
    size_t page = 0;
    for (;;) {
        print_BD_module_menu(page);
        auto c = read_command("\n" + blanks(15) + " Enter Command : ", 16);
        if (!c || *c == 16) break;
        if (*c == 0) continue;
        if (*c == 14) {
            page = (page + 1) % cells.size();
        } else if (*c == 15) {
            cells.push_back(new_cell());
            page = cells.size() - 1;
        } else if (!ask_field(blanks(15) + " Enter Data : ", &(cells[page].*kCellItems[*c - 1].field))) {
            break;
        }
    }
    clean_up_pages(cells);
}

void print_test_reg_menu() {
    std::string user = joined(USERCODE_REG);
    show(" *****   Test Date Registers Menu   *****\n\n", 6,
         {item(1, "specify Scan Cell name in bsc file"), item(2, "edit  Scan Cell module in lib file"),
          item(3, "edit IDCODE register code", IDCODE_REG),
          item(4, "edit USERCODE register code", user.empty() ? nullptr : user.c_str()),
          item(5, "return to Main Menu")});
}

void test_reg_menu() {
    for (;;) {
        print_test_reg_menu();
        auto c = read_command(blanks(5) + " Enter Command : ", 5);
        if (!c || *c == 5) return;
        if (*c == 1) bd_name_menu();
        if (*c == 2) bd_module_menu();
        if (*c == 3) {
            auto a = ask(blanks(10) + " Enter IDCODE REGISTER : ");
            if (!a) return;
            if (a->empty())
                desc_free_text(&IDCODE_REG);
            else if (check_idcode_reg(a->c_str(), false))
                desc_set_text(&IDCODE_REG, a->c_str());
        }
        if (*c == 4) {
            auto a = ask(blanks(10) + " Enter USERCODE REGISTER : ");
            if (!a) return;
            if (a->empty()) {
                STR_free(&USERCODE_REG);
                USERCODE_REG = DYNA_new<char*>();
            }
            for (const std::string& p : pieces(*a))
                if (check_idcode_reg(p.c_str())) STR_add(&USERCODE_REG, p.c_str());
        }
    }
}

// ------------------------------------------------------------ pads

struct PadKind {
    const char* function;
    const char* title;  // with the item number
    bool enables;       // items 7 and 8 shown
    bool inout;         // item 9 shown
};

const PadKind kPadKinds[] = {
    {"in", "%10c *******       Input_only PAD Menu %d       *******\n\n", false, false},
    {"out", "%10c *******     3_state output PAD Menu %d     *******\n\n", true, false},
    {"inout", "%10c *******      Bidirectional PAD Menu %d     *******\n\n", true, true},
    {"buf", "%10c **  2_state output and internal buffer Menu %d  **\n\n", false, false},
    {"inv", "%10c ****     Internal inverting buffer Menu %d    ****\n\n", false, false},
};

bool has_function(const BufferEntry& b, const char* f) { return same_ignoring_case(b.function, f); }

void print_edit_PAD(const PadKind& k, size_t at, int n) {
    const BufferEntry& b = buffers[at];
    clear_screen();
    std::printf(k.title, ' ', n);
    std::vector<Item> items = {item(1, "return to previous Menu"), item(2, "go to next item"),
                               item(3, "add a new item"), item(4, "specify buffer name", b.name),
                               item(5, "specify pin name of data in", b.input),
                               item(6, "specify pin name of data out", b.output)};
    if (k.enables) {
        items.push_back(item(7, "specify pin name of low active", b.en_l));
        items.push_back(item(8, "specify pin name of high active", b.en_h));
    }
    if (k.inout) items.push_back(item(9, "specify pin name of bidirection", b.inout));
    print_items(16, items);
    std::fflush(stdout);
}

void edit_pad(const PadKind& k) {
    size_t at = buffers.size() - 1;
    int n = 1;
    for (size_t i = 0; i < buffers.size(); ++i)
        if (has_function(buffers[i], k.function)) {
            at = i;
            break;
        }
    for (;;) {
        print_edit_PAD(k, at, n);
        auto c = read_command("", 9);
        if (!c || *c == 1) break;
        if (*c == 0) continue;
        if (*c == 2) {
            size_t next = at;
            for (size_t i = at + 1; i < buffers.size(); ++i)
                if (has_function(buffers[i], k.function)) {
                    next = i;
                    break;
                }
            if (next != at) {
                at = next;
                ++n;
            } else {
                for (size_t i = 0; i < buffers.size(); ++i)
                    if (has_function(buffers[i], k.function)) {
                        at = i;
                        n = 1;
                        break;
                    }
            }
        } else if (*c == 3) {
            BufferEntry b{};
            desc_set_text(&b.function, k.function);
            buffers.push_back(b);
            at = buffers.size() - 1;
            n = static_cast<int>(std::count_if(buffers.begin(), buffers.end(),
                                               [&](const BufferEntry& e) { return has_function(e, k.function); }));
        } else if (*c == 4) {
            auto a = ask(blanks(15) + " Enter buffer name : ");
            if (!a) break;
            set_field(&buffers[at].name, *a);
            if (!a->empty()) desc_set_text(&buffers[at].function, k.function);
        } else {
            char* BufferEntry::*fields[] = {&BufferEntry::input, &BufferEntry::output, &BufferEntry::en_l,
                                            &BufferEntry::en_h, &BufferEntry::inout};
            if (!ask_field(blanks(15) + " Enter Data : ", &(buffers[at].*fields[*c - 5]))) break;
        }
    }
    // Unnamed entries go (from the last down to the second), and a new
    // blank one is kept at the end.
    for (size_t i = buffers.size(); i-- > 1;) {
        if (buffers[i].name) continue;
        desc_free_record(buffers[i]);
        buffers.erase(buffers.begin() + static_cast<long>(i));
    }
    buffers.push_back(blank_buffer());
}

void print_PAD_menu() {
    show(blanks(15) + " ****    PAD and internal buffer Menu   ****\n\n", 16,
         {item(1, "edit Input-only PAD"), item(2, "edit 3-state output PAD"), item(3, "edit Bidirectional PAD"),
          item(4, "edit 2-state output or Internal buffer"), item(5, "edit Internal inverting buffer"),
          item(6, "return to Main Menu")});
}

void pad_menu() {
    for (;;) {
        print_PAD_menu();
        auto c = read_command(blanks(15) + " Enter Command : ", 6);
        if (!c || *c == 6) return;
        if (*c >= 1) edit_pad(kPadKinds[*c - 1]);
    }
}

// ------------------------------------------------------------ pins

PinListEntry new_pin(const std::string& number) {
    PinListEntry r{};
    desc_set_text(&r.number, number.c_str());
    r.cell_code = CELL_SINGLE;
    r.pad_enable = PAD_EN_NONE;
    return r;
}

// Asks for the three fields of a row; false at the end of the input.
bool ask_pin_fields(PinListEntry& r, int indent) {
    return ask_field(blanks(indent) + " Enter pin name on package : ", &r.io_name) &&
           ask_field(blanks(indent) + " Enter pin name on top module : ", &r.core_name) &&
           ask_field(blanks(indent) + " Enter pin's direction : ", &r.direction);
}

void sort_pins() {
    std::stable_sort(pins.begin(), pins.end(), [](const PinListEntry& a, const PinListEntry& b) {
        const PinListEntry* pa = &a;
        const PinListEntry* pb = &b;
        return comp_pin(&pa, &pb) < 0;
    });
}

void print_PIN_table_menu(size_t start) {
    clear_screen();
    std::printf("************        PIN   LIST   TABLE        ************\n");
    std::printf("Number     Name on package     Name on Core      Direction\n");
    auto name = [](const char* s) { return s ? std::string(s) : "*" + blanks(19); };
    for (size_t i = start; i < pins.size() && i < start + 20; ++i) {
        const PinListEntry& r = pins[i];
        std::printf("  %-7s  ", r.number ? r.number : "");
        std::printf("%-20s", name(r.io_name).c_str());
        std::printf("%-20s", name(r.core_name).c_str());
        std::printf("%-10s\n", r.direction ? r.direction : "");
    }
    std::printf("\n   Press <Enter> to return to previous menu or\n");
    std::printf("   Enter '0' to go to next page or\n");
}

void pin_table_menu() {
    size_t start = 0;
    for (;;) {
        print_PIN_table_menu(start);
        auto a = ask("   Enter PIN Number : ");
        if (!a || a->empty()) return;
        if (*a == "0") {
            start += 20;
            if (start >= pins.size()) start = 0;
            continue;
        }
        size_t at = pins.size();
        for (size_t i = 0; i < pins.size(); ++i)
            if (pins[i].number && *a == pins[i].number) at = i;
        if (at == pins.size()) pins.push_back(new_pin(*a));
        PinListEntry& r = pins[at];
        bool more = ask_field("   Enter pin name on package : ", &r.io_name) &&
                    ask_field("   Enter pin name on top module : ", &r.core_name) &&
                    ask_field("   Enter pin's direction : ", &r.direction);
        if (!r.io_name && !r.core_name && !r.direction) {
            desc_free_record(r);
            pins.erase(pins.begin() + static_cast<long>(at));
        }
        if (pins.size() > 1) sort_pins();
        if (!more) return;
    }
}

void print_PIN_menu() {
    show(blanks(10) + " *****     PIN List Menu     *****\n\n", 16,
         {item(1, "specify Pin List file name", PIN_FILE), item(2, "edit Pin List Table"),
          item(3, "return to Main Menu")});
}

void pin_menu() {
    for (;;) {
        print_PIN_menu();
        auto c = read_command(blanks(15) + " Enter Command : ", 3);
        if (!c || *c == 3) return;
        if (*c == 1 && !ask_field(blanks(15) + " Enter PIN file name : ", &PIN_FILE)) return;
        if (*c == 2) {
            if (!pins.empty()) {
                pin_table_menu();
                continue;
            }
            auto number = ask(blanks(15) + " Enter pin number : ");
            if (!number) return;
            if (number->empty()) continue;
            pins.push_back(new_pin(*number));
            if (!ask_pin_fields(pins.back(), 15)) return;
        }
    }
}

// ------------------------------------------------------------ skip signals

void print_Skip_Signal_menu() {
    clear_screen();
    std::printf("%5c ********        Skip Signal List        ********\n\n", ' ');
    for (size_t i = 0; i < skips.size(); i += 3) {
        std::printf("%5c %15s", ' ', skips[i].name ? skips[i].name : "");
        for (size_t k = i + 1; k < i + 3 && k < skips.size(); ++k)
            std::printf(",%15s", skips[k].name ? skips[k].name : "");
        std::printf("\n");
    }
    std::printf("\n");
    print_items(6, {item(1, "Add a new skip signal"), item(2, "Delete a skip signal from list"),
                    item(3, "return to Main Menu")});
}

void skip_signal_menu() {
    for (;;) {
        print_Skip_Signal_menu();
        auto c = read_command(blanks(5) + "        Enter Command : ", 3);
        if (!c || *c == 3) return;
        if (*c == 0) continue;
        auto name = ask(blanks(5) + "        Enter Signal name : ");
        if (!name) return;
        if (name->empty()) continue;
        auto at = std::find_if(skips.begin(), skips.end(),
                               [&](const SkipSignalEntry& s) { return same_ignoring_case(s.name, name->c_str()); });
        if (*c == 1) {
            if (at != skips.end()) {
                std::printf("%5c Signal '%s' is already in list.", ' ', name->c_str());
                wait_line();
                continue;
            }
            SkipSignalEntry s{};
            desc_set_text(&s.name, name->c_str());
            skips.push_back(s);
        } else {
            if (at == skips.end()) {
                std::printf("%5c Signal '%s' is not in list.", ' ', name->c_str());
                wait_line();
                continue;
            }
            desc_free_record(*at);
            skips.erase(at);
        }
    }
}

// ------------------------------------------------------------ main menu

void print_main_menu() {
    show(blanks(15) + " *********   Main  Menu   ********\n\n", 21,
         {item(1, "Global scan ports"), item(2, "TAP controller"), item(3, "Instruction register and decoder"),
          item(4, "Test data registers"), item(5, "PAD and internal buffer"), item(6, "Pin list"),
          item(7, "Skip signal"), item(8, "Save and continue the program"), item(9, "Save and quit"),
          item(10, "Abort and quit")});
}

// ------------------------------------------------------------ saving

// Where a file is saved: where it was found, else "<top><ext>" here.
std::string target_name(const std::string& found, const char* ext) {
    return found.empty() ? TOP_MODULE + ext : found;
}

// The text a writer gives.
template <class Writer>
std::string render(Writer write) {
    char* data = nullptr;
    size_t size = 0;
    FILE* mem = ::open_memstream(&data, &size);
    if (!mem) qdx_exit(-1);
    write(mem);
    std::fclose(mem);
    std::string s(data, size);
    std::free(data);
    return s;
}

bool write_text(const std::string& path, const std::string& text) {
    AtomicFile out(path);
    if (!out.open()) return false;
    std::fwrite(text.data(), 1, text.size(), out.stream());
    return out.commit();
}

[[noreturn]] void cannot_write(const std::string& path) {
    qdx_exit_printf(-1, "Can't open %s to write\n", path.c_str());
}

// Saves the files together: each is written beside its target under a
// temporary name, then all are renamed; when any step fails none is
// replaced and the run ends with -1.
void save_together(const std::vector<RtOutput>& texts) {
    std::string failed, why;
    switch (RT_write_all(texts, &failed, &why)) {
        case RtSaved::All: return;
        case RtSaved::NotOpened: cannot_write(failed);
        case RtSaved::NotCommitted: top_write_failed(failed, why);
    }
}

// Fills in, before saving, what the reader would give the tables: the
// standard name of a cell without one, the package line of the pin file,
// the pin count and the wild-card buffer names.
void prepare_tables() {
    for (int i = 0, n = DYNA_count(SCAN_CELL_TAB); i < n; ++i) {
        ScanCellEntry* c = SCAN_CELL_TAB[i];
        if (c->name && DYNA_count(c->std_name) == 0) STR_add(&c->std_name, c->name);
    }
    int rows = DYNA_count(PIN_TABLE);
    BS_PIN_COUNT = rows;
    if (rows > 0) {
        if (!PACKAGE_TYPE) desc_set_text(&PACKAGE_TYPE, "My_Chip");
        if (PACKAGE_PIN_NUMBER < rows) PACKAGE_PIN_NUMBER = rows;
    }
    // The wild-card names: those still in use keep their order, new ones
    // follow in the order of the buffers.
    std::vector<std::string> wild, have;
    for (int i = 0, n = DYNA_count(BUFFER_TAB); i < n; ++i) {
        const char* name = BUFFER_TAB[i]->name;
        if (name && std::strchr(name, '*')) have.push_back(name);
    }
    for (int i = 0, n = DYNA_count(WILD_CARD_BUF_TAB); i < n; ++i) {
        auto at = std::find(have.begin(), have.end(), WILD_CARD_BUF_TAB[i] ? WILD_CARD_BUF_TAB[i] : "");
        if (at == have.end()) continue;
        wild.push_back(*at);
        have.erase(at);
    }
    wild.insert(wild.end(), have.begin(), have.end());
    STR_free(&WILD_CARD_BUF_TAB);
    WILD_CARD_BUF_TAB = DYNA_new<char*>();
    for (const std::string& w : wild) STR_add(&WILD_CARD_BUF_TAB, w.c_str());
}

bool same_file(const std::string& a, const char* b) {
    if (!b || a.empty()) return false;
    std::error_code ec;
    return fs::equivalent(a, b, ec) || a == b;
}

// The faults the menus let through that the readers would refuse, each
// said plainly.  True when there is none.
bool check_before_saving(const std::string& bsc, const std::string& lib) {
    bool ok = true;
    // A file that the editor did not read is not replaced by what it shows.
    std::error_code ec;
    for (const std::string& f : {bsc, lib}) {
        if (files_loaded || !fs::exists(f, ec)) continue;
        std::printf("'%s' was not read (a configuration is read only with its cell library); "
                    "it is not replaced.\n",
                    f.c_str());
        ok = false;
    }
    if (DYNA_count(PIN_TABLE) > 0 && PIN_FILE && fs::exists(PIN_FILE, ec) && !same_file(loaded_pin_file, PIN_FILE)) {
        std::printf("'%s' is not the pin list that was read; it is not replaced.\n", PIN_FILE);
        ok = false;
    }
    if (DYNA_count(PIN_TABLE) > 0 && (!PIN_FILE || same_file(bsc, PIN_FILE) || same_file(lib, PIN_FILE))) {
        std::printf("The pin list has %d pins but no pin file of its own: specify one in the PIN List Menu.\n",
                    DYNA_count(PIN_TABLE));
        ok = false;
    }
    auto in_library = [](const char* name, bool tap) {
        if (tap) {
            for (int i = 0, n = DYNA_count(TAP_CELL_TAB); i < n; ++i)
                if (TAP_CELL_TAB[i]->name && std::strcmp(TAP_CELL_TAB[i]->name, name) == 0) return true;
        } else {
            for (int i = 0, n = DYNA_count(SCAN_CELL_TAB); i < n; ++i)
                if (SCAN_CELL_TAB[i]->name && std::strcmp(SCAN_CELL_TAB[i]->name, name) == 0) return true;
        }
        return false;
    };
    if (TAP_MODULE_NAME && !in_library(TAP_MODULE_NAME, true)) {
        std::printf("The TAP module '%s' is not a TAP controller of the library.\n", TAP_MODULE_NAME);
        ok = false;
    }
    for (const DftPadRole& r : DFT_PAD_ROLES)
        if (*r.global && !in_library(*r.global, false)) {
            std::printf("The scan cell '%s' of %s is not a scan cell of the library.\n", *r.global,
                        dft_keyword_text(r.token));
            ok = false;
        }
    return ok;
}

// The folders of the read-back: "kest_guideline_<pid>_XXXXXX" in the
// working directory, with the process id of the run that made it and six
// random characters, locked (flock) by that run while it lives.
constexpr std::string_view kReadBackFolder = "kest_guideline_";
// The files a read-back writes into its folder.
constexpr const char* kReadBackFiles[] = {"check.lib", "check.bsc", "check.pin"};

// The process id in the name of a read-back folder, or 0 when the name is
// not of one.
pid_t read_back_folder_pid(const std::string& name) {
    if (name.rfind(kReadBackFolder, 0) != 0) return 0;
    const std::string rest = name.substr(kReadBackFolder.size());
    const size_t mark = rest.find('_');
    if (mark == 0 || mark == std::string::npos || mark > 9 || rest.size() != mark + 7) return 0;
    for (size_t i = 0; i < rest.size(); ++i)
        if (i != mark && !(i < mark ? std::isdigit(static_cast<unsigned char>(rest[i]))
                                    : std::isalnum(static_cast<unsigned char>(rest[i]))))
            return 0;
    return static_cast<pid_t>(std::stol(rest.substr(0, mark)));
}

// True for a file a read-back writes into its folder: one of its files,
// or the temporary name one of them is written under.
bool read_back_file(const std::string& name) {
    for (const char* f : kReadBackFiles) {
        if (name == f) return true;
        const std::string temp = fs::path(RT_temp_template(f)).filename().string();  // ".<file>.tmp.XXXXXX"
        if (name.size() == temp.size() && name.compare(0, temp.size() - 6, temp, 0, temp.size() - 6) == 0) return true;
    }
    return false;
}

// Removes the read-back folders that runs ended by SIGKILL left in the
// working directory: a folder so named, of this user, whose run is gone
// (no process has its id, and no process holds its lock; the read-back's
// child, which may outlive a killed run, holds the lock too).  Only the
// files a read-back writes are removed, then the folder when that leaves
// it empty: a folder of other contents stays as it is.
void sweep_read_back_folders() {
    std::error_code ec;
    for (fs::directory_iterator it(".", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t pid = read_back_folder_pid(name);
        if (pid <= 0 || (::kill(pid, 0) == 0 || errno == EPERM)) continue;
        struct stat st{};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
        const int folder = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) continue;
        if (::flock(folder, LOCK_EX | LOCK_NB) == 0) {
            std::error_code listed;
            for (fs::directory_iterator f(name, listed), last; !listed && f != last; f.increment(listed)) {
                const std::string file = f->path().filename().string();
                if (read_back_file(file)) ::unlinkat(folder, file.c_str(), 0);
            }
            ::rmdir(name.c_str());
        }
        ::close(folder);
    }
}

// Reads the texts back through the description readers in a child
// process (a reader ends its process on the first fault) and compares the
// tables it gets with the tables now.  The reader's own message says what
// it refused.  The folder of the texts and the files in it are the run's
// own: an error exit or a kill removes them, and a later read-back those
// of a run that SIGKILL ended.
bool reads_back(const std::string& lib_text, const std::string& pin_text) {
    sweep_read_back_folders();
    // A directory of the working directory, whose relative name the
    // configuration can spell as a file name.
    std::string dir_template = std::string(kReadBackFolder) + std::to_string(::getpid()) + "_XXXXXX";
    int lock = -1;
    {
        // Registered before a kill can come between.
        RtKillHold hold;
        if (!::mkdtemp(dir_template.data())) return false;
        RT_remove_folder_at_end(dir_template);
        lock = ::open(dir_template.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (lock >= 0) ::flock(lock, LOCK_EX | LOCK_NB);  // a new folder: the lock is free
    }
    const fs::path dir = dir_template;
    const std::string lib = (dir / kReadBackFiles[0]).string(), bsc = (dir / kReadBackFiles[1]).string();
    const std::string pin_name = (dir / kReadBackFiles[2]).string();
    for (const std::string& f : {lib, bsc, pin_name}) RT_remove_at_end(f);
    std::string bsc_text = render([&](FILE* f) { write_to_bsc(f, pin_name.c_str()); });
    bool written = write_text(lib, lib_text) && write_text(bsc, bsc_text) &&
                   (pin_text.empty() || write_text(pin_name, pin_text));
    std::string before = guideline_tables_text();
    const int status = !written ? -1 : RT_run_forked([&] {
        // Only the reader's messages on standard output are of use here.
        FILE* null = std::fopen("/dev/null", "w");
        if (null) ::dup2(::fileno(null), STDERR_FILENO);
        bsdft_init();
        get_bs_dft_file(lib.c_str(), bsc.c_str(), 0);
        return guideline_tables_text() == before ? 0 : 1;
    });
    std::error_code ec;
    fs::remove_all(dir, ec);
    for (const std::string& f : {lib, bsc, pin_name}) RT_forget(f);
    RT_forget(dir_template);
    if (lock >= 0) ::close(lock);
    return status == 0;
}

// Says where a file goes when that is not the working directory (a file
// found on the search path is replaced where it was found).
void saved(const std::string& path) {
    std::error_code ec;
    fs::path p(path);
    bool here = !p.has_parent_path() || fs::equivalent(p.parent_path(), ".", ec);
    std::printf("File was written to %s\n", here ? path.c_str() : fs::absolute(p, ec).string().c_str());
}

}  // namespace

// ------------------------------------------------------------ public entries

void guideline_set_input(FILE* in) { answers = in ? in : stdin; }

bool check_integer(const char* text) {
    for (const char* p = text; p && *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

bool check_inst(const char* text) {
    if (!text || static_cast<int>(std::strlen(text)) != G_INST_LEN) return false;
    for (const char* p = text; *p; ++p)
        if (!std::strchr("01xX", *p)) return false;
    return true;
}

bool check_idcode_reg(const char* text, bool unknown_bits) {
    for (const char* p = text; *p; ++p) {
        if (!std::strchr(unknown_bits ? "01xX" : "01", *p)) {
            std::printf("%10c Invalid bit value '%c' in \"%s\"\n", ' ', *p, text);
            wait_line();
            return false;
        }
    }
    if (std::strlen(text) != 32) {
        std::printf("%10c The length of data must be 32.\n", ' ');
        wait_line();
        return false;
    }
    return true;
}

int check_inst_name(const char* name) {
    for (int i = 0, n = DYNA_count(INSTRUCTIONS); i < n; ++i)
        if (same_ignoring_case(INSTRUCTIONS[i].name, name)) return i;
    InstructionEntry e{};
    e.name = qdx_strdup(name);
    e.opcodes = DYNA_new<char*>();
    e.enable = DYNA_new<char*>();
    e.enable_value = DYNA_new<char*>();
    e.enable_second = DYNA_new<char*>();
    e.enable_gate = DYNA_new<int>();
    if (!INSTRUCTIONS) INSTRUCTIONS = DYNA_new<InstructionEntry>();
    return DYNA_append(&INSTRUCTIONS, e);
}

void put_opcode_into_instruction(int row, const char* text) {
    add_opcodes(&INSTRUCTIONS[row].opcodes, text ? text : "", 5, true);
}

int comp_pin(const void* a, const void* b) {
    const char* x = (*static_cast<const PinListEntry* const*>(a))->number;
    const char* y = (*static_cast<const PinListEntry* const*>(b))->number;
    x = x ? x : "";
    y = y ? y : "";
    bool dx = *x && check_integer(x), dy = *y && check_integer(y);
    if (dx != dy) return dx ? -1 : 1;
    if (dx) {
        // Numbers by value: without leading zeros the longer is larger.
        while (*x == '0' && x[1]) ++x;
        while (*y == '0' && y[1]) ++y;
        size_t lx = std::strlen(x), ly = std::strlen(y);
        if (lx != ly) return lx < ly ? -1 : 1;
    }
    return std::strcmp(x, y);
}

void initialize() {
    if (DYNA_count(TAP_CELL_TAB) == 0) *desc_hash_add(&TAP_CELL_HASH_TAB, nullptr) = new_tap();
    if (DYNA_count(SCAN_CELL_TAB) == 0) *desc_hash_add(&SCAN_CELL_HASH_TAB, nullptr) = new_cell();
    desc_build_listing(TAP_CELL_HASH_TAB, &TAP_CELL_TAB);
    desc_build_listing(SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
    if (DYNA_count(INSTRUCTIONS) > 0 && DYNA_count(INSTRUCTIONS[0].opcodes) > 0)
        G_INST_LEN = static_cast<int>(std::strlen(INSTRUCTIONS[0].opcodes[0]));
    *desc_hash_add(&BUFFER_HASH_TAB, nullptr) = blank_buffer();
    desc_build_listing(BUFFER_HASH_TAB, &BUFFER_TAB);
}

bool save_bsc_lib() {
    bool was_editing = editing;
    put_pages_back();
    prepare_tables();
    std::string bsc = target_name(JTAG_BSC_FILE, ".bsc");
    std::string lib = target_name(JTAG_LIB_FILE, ".lib");
    bool ok = check_before_saving(bsc, lib);
    bool pin_file = DYNA_count(PIN_TABLE) > 0;
    if (ok) {
        std::string lib_text = render([](FILE* f) { write_to_lib(f); });
        std::string pin_text = pin_file ? render([](FILE* f) { write_to_pin(f); }) : std::string();
        ok = reads_back(lib_text, pin_text);
        if (!ok) {
            std::printf("The files would not read back as edited.\n");
        } else {
            std::string bsc_text = render([](FILE* f) { write_to_bsc(f); });
            std::vector<RtOutput> texts = {{bsc, bsc_text}, {lib, lib_text}};
            if (pin_file) texts.push_back({PIN_FILE, pin_text});
            save_together(texts);
            for (const RtOutput& o : texts) saved(o.target);
            JTAG_BSC_FILE = bsc;
            JTAG_LIB_FILE = lib;
        }
    }
    if (!ok) {
        std::printf("Nothing was saved.\n");
        wait_line();
    }
    if (was_editing) take_pages();
    return ok;
}

int guideline_handler(void (*before_continuing)()) {
    bsdft_init();
    files_loaded = !JTAG_LIB_FILE.empty() && !JTAG_BSC_FILE.empty();
    if (files_loaded) get_bs_dft_file(JTAG_LIB_FILE.c_str(), JTAG_BSC_FILE.c_str(), 0);
    // A pin list written inside the configuration has no file of its own.
    if (PIN_FILE && (same_file(JTAG_BSC_FILE, PIN_FILE) || same_file(JTAG_LIB_FILE, PIN_FILE)))
        desc_free_text(&PIN_FILE);
    // After a package list the name is that of its last file, not of a
    // pin list.
    for (const PackageEntry* p = PACKAGE_TABLE; p && PIN_FILE; p = p->next)
        if (p->file_name && std::strcmp(p->file_name, PIN_FILE) == 0) desc_free_text(&PIN_FILE);
    loaded_pin_file = PIN_FILE ? PIN_FILE : "";
    initialize();
    take_pages();
    for (;;) {
        print_main_menu();
        auto c = read_command(blanks(20) + " Enter Command : ", 10);
        if (!c) {
            clear_screen();
            break;
        }
        switch (*c) {
            case 1: global_port_menu(); break;
            case 2: tap_menu(); break;
            case 3: inst_menu(); break;
            case 4: test_reg_menu(); break;
            case 5: pad_menu(); break;
            case 6: pin_menu(); break;
            case 7: skip_signal_menu(); break;
            case 8:
                if (before_continuing) {
                    // The checks see the edited records in the tables, and
                    // a check that ends the run leaves every record owned
                    // by them.
                    put_pages_back();
                    before_continuing();
                    take_pages();
                }
                if (save_bsc_lib()) {
                    put_pages_back();
                    return 0;
                }
                break;
            case 9:
                if (save_bsc_lib()) {
                    put_pages_back();  // the tables own every record to the end
                    qdx_exit(0);
                }
                break;
            case 10:
                clear_screen();
                put_pages_back();
                qdx_exit(-1);
            default: break;
        }
    }
    put_pages_back();
    return 0;
}

void GUIDELINE_reset_globals() {
    G_INST_LEN = 0;
    answers = stdin;
    free_rows(taps);
    free_rows(cells);
    free_rows(buffers);
    free_rows(skips);
    free_rows(pins);
    editing = false;
    files_loaded = false;
    loaded_pin_file.clear();
}
