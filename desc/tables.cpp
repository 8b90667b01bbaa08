// The description tables: look-ups by name and wild card, and their reset.
#include "desc/tables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/lib.h"
#include "desc/pin.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"

int HASH_INDEX = -1;
TapCellEntry* TAP_CONTR = nullptr;

ScanCellEntry** SCAN_CELL_HASH_TAB = nullptr;
ScanCellEntry** SCAN_CELL_TAB = nullptr;
TapCellEntry** TAP_CELL_HASH_TAB = nullptr;
TapCellEntry** TAP_CELL_TAB = nullptr;
BufferEntry** BUFFER_HASH_TAB = nullptr;
BufferEntry** BUFFER_TAB = nullptr;
SkipSignalEntry** SKIP_SIGNAL_HASH_TAB = nullptr;
SkipSignalEntry** SKIP_SIGNAL_TAB = nullptr;
char*** TRANS_BUF_HASH_TAB = nullptr;
char*** TRANS_BUF_TAB = nullptr;
char*** SKIP_MODULE_HASH_TAB = nullptr;
char*** SKIP_MODULE_TAB = nullptr;
PinListEntry** PIN_HASH_TAB = nullptr;
PinListEntry** PIN_TABLE = nullptr;
PinoEntry** PINO_HASH_TAB = nullptr;
PinoEntry** PINO_TAB = nullptr;
void** CONTR_HASH_TAB = nullptr;
void** CONTR_TAB = nullptr;

InstructionEntry* INSTRUCTIONS = nullptr;
char** INST_CAPTURE = nullptr;
char** INST_PRIVATE = nullptr;
char** USERCODE_REG = nullptr;
char* INST_DISABLE = nullptr;
char* INST_GUARD = nullptr;
char* IDCODE_REG = nullptr;
char* GLOBAL_TDI = nullptr;
char* GLOBAL_TDO = nullptr;
char* GLOBAL_TMS = nullptr;
char* GLOBAL_TCK = nullptr;
char* GLOBAL_TRST = nullptr;
char* INPUT_BUFFER = nullptr;
char* OUTPUT_BUFFER = nullptr;
char* INOUT_BUFFER = nullptr;
char* INVERTER = nullptr;

char* OUTPUT_MUX_SCAN = nullptr;
char* OUTPUT_SCAN = nullptr;
char* INPUT_MUX_SCAN = nullptr;
char* INPUT_SCAN = nullptr;
char* CONTROL_OE_SCAN = nullptr;
char* CONTROL_OE_LOW_SCAN = nullptr;
char* CONTROL_OE_HIGH_SCAN = nullptr;
char* CONTROL_MUX_SCAN = nullptr;
char* CONTROL_SCAN = nullptr;
char* CONTROL_LOW_SCAN = nullptr;
char* CONTROL_HIGH_SCAN = nullptr;
char* BIDIR_MUX_SCAN = nullptr;
char* BIDIR_SCAN = nullptr;
char* BIDIR_LOW_SCAN = nullptr;
char* BIDIR_HIGH_SCAN = nullptr;
char* CLOCK_MUX_SCAN = nullptr;
char* CLOCK_SCAN = nullptr;
char* INTERNAL_SCAN = nullptr;
char* OBSERVE_ONLY_SCAN = nullptr;
char* CONTROL_HZ_SCAN = nullptr;
char* TAP_MODULE_NAME = nullptr;
char* TAP_INSTANCE_NAME = nullptr;

char** UNBOUNDED_PIN_TAB = nullptr;
char** WILD_CARD_BUF_TAB = nullptr;
ConnectEntry* CONNECT_TABLE = nullptr;
MbistEntry* BL_MBIST_TAB = nullptr;
LbistEntry* BL_LBIST_TAB = nullptr;
PackageEntry* PACKAGE_TABLE = nullptr;
char* PACKAGE_TYPE = nullptr;
int PACKAGE_PIN_NUMBER = 0;
int BS_PIN_COUNT = 0;
char** ALLOWED_MULTIPLE_LIST = nullptr;
char* PIN_FILE = nullptr;
char* LIB_FILE = nullptr;
char* DFT_FILE = nullptr;
int GLOBAL_EXIT = 0;
int DUMP = 0;

int INTEST_EXIST = -1;
int EXTEST_EXIST = -1;
int SAMPLE_EXIST = -1;
int CHIP_TEST_EXIST = -1;
int IDCODE_EXIST = -1;
int USERCODE_EXIST = -1;
int BYPASS_EXIST = -1;
int HIGHZ_EXIST = -1;
int CLAMP_EXIST = -1;
int RUNBIST_EXIST = -1;
int QUENDAL_ATPG_EXIST = -1;

// ------------------------------------------------------------ freeing

void desc_free_text(char** text) {
    std::free(*text);
    *text = nullptr;
}

void desc_set_text(char** slot, const char* text) { STR_replace_owned(*slot, text); }

void desc_drop_dot_slash(char** name) {
    if (*name && std::strncmp(*name, "./", 2) == 0) desc_set_text(name, *name + 2);
}

void desc_set_extra(char*** list, int n, const char* text) {
    if (n < 1 || n > DESC_MAX_EXTRA_PINS) return;
    if (!*list) *list = DYNA_new<char*>();
    int have = DYNA_count(*list);
    if (have < n) {
        DYNA_add(list, n - have);
        for (int i = have; i < n; ++i) (*list)[i] = nullptr;
    }
    desc_set_text(&(*list)[n - 1], text);
}

namespace {

void free_texts(std::initializer_list<char**> texts) {
    for (char** t : texts) desc_free_text(t);
}

void free_list(char*** list) { STR_free(list); }

}  // namespace

void desc_free_record(ScanCellEntry& e) {
    free_texts({&e.name, &e.data_in, &e.data_out, &e.sys_in, &e.sys_pin, &e.tdi, &e.tdo, &e.tck, &e.highz,
                &e.clock_dr, &e.shift_dr, &e.update_dr, &e.rst, &e.mode1, &e.mode2, &e.mode3, &e.control_in,
                &e.update_dr_out, &e.mux_data_in, &e.oe_mode, &e.en_l, &e.en_h});
    free_list(&e.std_name);
    free_list(&e.order);
    free_list(&e.extra);
}

void desc_free_record(TapCellEntry& e) {
    free_texts({&e.name, &e.instance_name, &e.highz_command, &e.group_method, &e.signal_buffer,
                &e.df_signal_buffer, &e.inv_buffer, &e.tdi, &e.tdo, &e.tdo_en, &e.tms, &e.tck, &e.trst,
                &e.lasttdo, &e.clock_dr, &e.shift_dr, &e.update_dr, &e.mode1, &e.mode2, &e.mode3,
                &e.first_bcell, &e.last_bcell, &e.tap_reset});
    free_list(&e.extra);
}

void desc_free_record(BufferEntry& e) {
    free_texts({&e.name, &e.function, &e.inout, &e.input, &e.output, &e.input_m, &e.output_m, &e.en_l,
                &e.en_h, &e.mux_in1, &e.mux_in2, &e.mux_in3, &e.mux_out, &e.mode1, &e.mode2, &e.mode3,
                &e.bcell, &e.in_bcell, &e.out_bcell, &e.control_bcell});
}

void desc_free_record(SkipSignalEntry& e) { free_texts({&e.name, &e.value}); }

void desc_free_record(PinListEntry& e) {
    free_texts({&e.core_name, &e.io_name, &e.number, &e.direction, &e.cell, &e.c_cell, &e.i_cell, &e.o_cell,
                &e.io_cell, &e.pad, &e.pad_c, &e.pad_i, &e.pad_o});
}

void desc_free_record(PinoEntry&) {}

void desc_free_record(char*& name) { desc_free_text(&name); }

void desc_free_record(InstructionEntry& e) {
    free_texts({&e.name, &e.access});
    free_list(&e.opcodes);
    free_list(&e.enable);
    free_list(&e.enable_value);
    free_list(&e.enable_second);
    desc_free_array(&e.enable_gate);
}

void desc_free_record(MbistEntry& e) {
    free_texts({&e.instruction, &e.cnt_file, &e.sel_instruction});
    desc_free_array(&e.ctrl_order);
}

void desc_free_record(LbistEntry& e) {
    free_texts({&e.instruction, &e.dft_file, &e.scan_instruction, &e.debug_instruction, &e.lbist_instruction,
                &e.instance_name, &e.sel_instruction});
    free_list(&e.cnt_file);
    free_list(&e.diag_instruction);
    free_list(&e.diag_cnt_file);
    free_list(&e.tests);
    desc_free_array(&e.ctrl_order);
}

void free_connect_list(ConnectEntry* head) {
    while (head) {
        ConnectEntry* next = head->next;
        free_texts({&head->from_inst, &head->from_pin, &head->to_inst, &head->to_pin});
        std::free(head);
        head = next;
    }
}

void free_package_pins(PackagePinEntry* head) {
    while (head) {
        PackagePinEntry* next = head->next;
        free_texts({&head->number, &head->io_name, &head->core_name, &head->direction, &head->cell, &head->c_cell,
                    &head->i_cell, &head->o_cell, &head->io_cell, &head->pad, &head->pad_c, &head->pad_i,
                    &head->pad_o});
        std::free(head);
        head = next;
    }
}

void free_package_list(PackageEntry* head) {
    while (head) {
        PackageEntry* next = head->next;
        free_texts({&head->file_name, &head->type});
        free_package_pins(head->first);
        std::free(head);
        head = next;
    }
}

namespace {

template <class T>
void free_by_value(T** table) {
    if (!*table) return;
    for (int i = 0, n = DYNA_count(*table); i < n; ++i) desc_free_record((*table)[i]);
    DYNA_free(table);
    *table = nullptr;
}

}  // namespace

void free_instruction_table(InstructionEntry** table) { free_by_value(table); }
void free_mbist_table(MbistEntry** table) { free_by_value(table); }
void free_lbist_table(LbistEntry** table) { free_by_value(table); }

// ------------------------------------------------------------ look-ups

ScanCellEntry* get_scan_cell(const char* name) { return desc_hash_find(SCAN_CELL_HASH_TAB, name); }

TapCellEntry* get_tap_cell(const char* name) { return desc_hash_find(TAP_CELL_HASH_TAB, name); }

namespace {

// How well a wild-card name matches a name: the number of literal
// characters that matched (0 for a name that starts with its only star),
// or -1 for no match.
int wild_card_score(std::string_view w, std::string_view n) {
    size_t stars = 0;
    for (char c : w) stars += c == '*';
    if (stars == 0) return -1;
    if (stars == 1 && w.front() == '*') {
        // Star, then a suffix: the name must end with it.
        std::string_view suffix = w.substr(1);
        return n.size() >= suffix.size() && n.substr(n.size() - suffix.size()) == suffix ? 0 : -1;
    }
    if (stars == 1 && w.back() == '*') {
        // A prefix, then the star: the name must start with it.
        std::string_view prefix = w.substr(0, w.size() - 1);
        return n.substr(0, prefix.size()) == prefix ? static_cast<int>(prefix.size()) : -1;
    }
    // Several stars, or one between two literal parts: the leading text
    // must start the name, each inner piece must follow in order (first
    // occurrence), and the trailing text must end the name without
    // overlapping what the other pieces matched.
    int score = 0;
    size_t at = w.find('*');
    std::string_view lead = w.substr(0, at);
    if (n.substr(0, lead.size()) != lead) return -1;
    score += static_cast<int>(lead.size());
    size_t pos = lead.size();
    std::string_view rest = w.substr(at + 1);
    for (size_t star = rest.find('*'); star != std::string_view::npos; star = rest.find('*')) {
        std::string_view piece = rest.substr(0, star);
        if (!piece.empty()) {
            size_t found = n.find(piece, pos);
            if (found == std::string_view::npos) return -1;
            pos = found + piece.size();
            score += static_cast<int>(piece.size());
        }
        rest = rest.substr(star + 1);
    }
    if (!rest.empty()) {
        if (n.size() - pos < rest.size() || n.substr(n.size() - rest.size()) != rest) return -1;
        score += static_cast<int>(rest.size());
    }
    return score;
}

}  // namespace

const char* bs_name_transfer_wild_card_name(const char* name) {
    if (!name) return nullptr;
    int best = 0;
    std::vector<const char*> candidates;
    for (int i = 0, n = DYNA_count(WILD_CARD_BUF_TAB); i < n; ++i) {
        const char* w = WILD_CARD_BUF_TAB[i];
        if (!w) continue;
        int score = wild_card_score(w, name);
        if (score < 0) continue;
        if (score > best) {
            best = score;
            candidates.clear();
        }
        if (score == best) candidates.push_back(w);
    }
    if (candidates.empty()) return nullptr;
    if (candidates.size() == 1) return candidates.front();
    const char* lib = LIB_FILE ? LIB_FILE : "";
    std::string listed;
    for (const char* c : candidates) listed += std::string(c) + ", ";
    qdx_exit_printf(-1,
                    "ERROR: BUFFER, %sin \"%s\" can match iopad '%s'.\n"
                    "Please give a more specific name in \"%s\" to avoid ambiguous.\n",
                    listed.c_str(), lib, name, lib);
}

BufferEntry* get_buffer(const char* name) {
    if (!name) return nullptr;
    if (BufferEntry* b = desc_hash_find(BUFFER_HASH_TAB, name)) return b;
    const char* w = bs_name_transfer_wild_card_name(name);
    return w ? desc_hash_find(BUFFER_HASH_TAB, w) : nullptr;
}

bool is_inverting_buffer(const BufferEntry* b) {
    if (!b || !b->name) return false;
    auto named = [b](const char* name) { return name && STR_ucomp(b->name, name) == 0; };
    return (b->function && STR_ucomp(b->function, "inv") == 0) || named(INVERTER) ||
           (TAP_CONTR && named(TAP_CONTR->inv_buffer));
}

bool is_control_word(const char* word) {
    return word && (STR_ucomp(word, "control") == 0 || STR_ucomp(word, "controlr") == 0);
}

int control_word_count(const ScanCellEntry* cell) {
    int n = 0;
    for (int j = 0, words = cell ? DYNA_count(cell->order) : 0; j < words; ++j) n += is_control_word(cell->order[j]);
    return n;
}

int skip_signal(const char* name) { return desc_hash_find(SKIP_SIGNAL_HASH_TAB, name) ? 1 : 0; }

int trans_buffer(const char* name) { return desc_hash_find(TRANS_BUF_HASH_TAB, name) ? 1 : 0; }

int skip_module(const char* name) { return desc_hash_find(SKIP_MODULE_HASH_TAB, name) ? 1 : 0; }

const char* bs_pin_name(int row) {
    if (row < 0 || row >= DYNA_count(PIN_TABLE)) return nullptr;
    return PIN_TABLE[row]->core_name;
}

const char* bs_pin_direction(int row) {
    if (row < 0 || row >= DYNA_count(PIN_TABLE)) return nullptr;
    return PIN_TABLE[row]->direction;
}

namespace {
constexpr int kPinoBuckets = 127;
}

PinoEntry* get_pin(int number) {
    if (number < 1) return nullptr;
    HASH_INDEX = -1;
    int b = number % kPinoBuckets;
    if (b >= DYNA_count(PINO_HASH_TAB) || !PINO_HASH_TAB[b]) return nullptr;
    PinoEntry* bucket = PINO_HASH_TAB[b];
    for (int i = 0, n = DYNA_count(bucket); i < n; ++i) {
        if (bucket[i].number == number) {
            HASH_INDEX = i;
            return &bucket[i];
        }
    }
    return nullptr;
}

PinoEntry* save_pino(int number) {
    int b = number % kPinoBuckets;
    if (b < 0) b += kPinoBuckets;
    PinoEntry* e = desc_hash_add_at(&PINO_HASH_TAB, b);
    e->number = number;
    return e;
}

int compare_pino(const void* a, const void* b) {
    int x = (*static_cast<PinoEntry* const*>(a))->number;
    int y = (*static_cast<PinoEntry* const*>(b))->number;
    return (x > y) - (x < y);
}

namespace desc {
int compare_ctrl(const void* a, const void* b) {
    int x = *static_cast<const int*>(a);
    int y = *static_cast<const int*>(b);
    return (x > y) - (x < y);
}
}  // namespace desc

// ------------------------------------------------------------ standard instructions

namespace {

struct StandardInstruction {
    const char* name;
    int* row;
};

const StandardInstruction kStandardInstructions[] = {
    {"intest", &INTEST_EXIST},       {"extest", &EXTEST_EXIST},   {"sample", &SAMPLE_EXIST},
    {"chip_test", &CHIP_TEST_EXIST}, {"idcode", &IDCODE_EXIST},   {"usercode", &USERCODE_EXIST},
    {"bypass", &BYPASS_EXIST},       {"highz", &HIGHZ_EXIST},     {"clamp", &CLAMP_EXIST},
    {"runbist", &RUNBIST_EXIST},     {"quendal_atpg", &QUENDAL_ATPG_EXIST},
};

}  // namespace

void clear_standard_instructions() {
    for (const StandardInstruction& s : kStandardInstructions) *s.row = -1;
}

void find_standard_instructions() {
    clear_standard_instructions();
    for (int row = 0, n = DYNA_count(INSTRUCTIONS); row < n; ++row) {
        const char* name = INSTRUCTIONS[row].name;
        if (!name) continue;
        for (const StandardInstruction& s : kStandardInstructions)
            if (STR_ucomp(name, s.name) == 0) *s.row = row;
    }
}

void check_instruction_patterns(const char* configuration) {
    for (int row = 0, n = DYNA_count(INSTRUCTIONS); row < n; ++row) {
        const InstructionEntry& in = INSTRUCTIONS[row];
        for (int k = 0, m = DYNA_count(in.opcodes); k < m; ++k)
            if (!is_pattern(in.opcodes[k]))
                qdx_exit_printf(-1, "ERROR: (%s) the opcode '%s' of INSTRUCTION '%s' is not a pattern of 0, 1 and X.\n\n",
                                configuration, in.opcodes[k], desc_text(in.name));
    }
    for (int k = 0, n = DYNA_count(INST_CAPTURE); k < n; ++k)
        if (!is_pattern(INST_CAPTURE[k]))
            qdx_exit_printf(-1, "ERROR: (%s) %%INSTRUCTION_CAPTURE '%s' is not a pattern of 0, 1 and X.\n\n",
                            configuration, INST_CAPTURE[k]);
}

namespace {

bool is_dont_care(char c) { return c == 'X' || c == 'x'; }

// Two opcodes of equal length select a common code when every position
// holds the same bit or a don't-care in either.
bool opcodes_overlap(const char* a, const char* b) {
    if (!a || !b || std::strlen(a) != std::strlen(b)) return false;
    for (; *a; ++a, ++b)
        if (*a != *b && !is_dont_care(*a) && !is_dont_care(*b)) return false;
    return true;
}

}  // namespace

void check_distinct_opcodes(const char* configuration) {
    // Instruction tables are a few dozen rows: every pair is compared.
    for (int r = 0, rows = DYNA_count(INSTRUCTIONS); r < rows; ++r) {
        const InstructionEntry& a = INSTRUCTIONS[r];
        for (int s = r + 1; s < rows; ++s) {
            const InstructionEntry& b = INSTRUCTIONS[s];
            for (int i = 0, n = DYNA_count(a.opcodes); i < n; ++i)
                for (int j = 0, m = DYNA_count(b.opcodes); j < m; ++j)
                    if (opcodes_overlap(a.opcodes[i], b.opcodes[j]))
                        qdx_exit_printf(-1,
                                        "ERROR: (%s) INSTRUCTION '%s' (%s) and INSTRUCTION '%s' (%s) share an opcode.\n\n",
                                        configuration, desc_text(a.name), a.opcodes[i], desc_text(b.name), b.opcodes[j]);
        }
    }
}

// ------------------------------------------------------------ reset

void DESC_reset_globals() {
    desc_free_hash(&SCAN_CELL_HASH_TAB);
    desc_free_array(&SCAN_CELL_TAB);
    desc_free_hash(&TAP_CELL_HASH_TAB);
    desc_free_array(&TAP_CELL_TAB);
    desc_free_hash(&BUFFER_HASH_TAB);
    desc_free_array(&BUFFER_TAB);
    desc_free_hash(&SKIP_SIGNAL_HASH_TAB);
    desc_free_array(&SKIP_SIGNAL_TAB);
    desc_free_hash(&TRANS_BUF_HASH_TAB);
    desc_free_array(&TRANS_BUF_TAB);
    desc_free_hash(&SKIP_MODULE_HASH_TAB);
    desc_free_array(&SKIP_MODULE_TAB);
    desc_free_hash(&PIN_HASH_TAB);
    desc_free_array(&PIN_TABLE);
    desc_free_hash(&PINO_HASH_TAB);
    desc_free_array(&PINO_TAB);
    if (CONTR_HASH_TAB) {
        for (int b = 0, n = DYNA_count(CONTR_HASH_TAB); b < n; ++b)
            if (CONTR_HASH_TAB[b]) DYNA_free(&CONTR_HASH_TAB[b]);
    }
    desc_free_array(&CONTR_HASH_TAB);
    desc_free_array(&CONTR_TAB);

    free_instruction_table(&INSTRUCTIONS);
    free_list(&INST_CAPTURE);
    free_list(&INST_PRIVATE);
    free_list(&USERCODE_REG);
    free_texts({&INST_DISABLE, &INST_GUARD, &IDCODE_REG, &GLOBAL_TDI, &GLOBAL_TDO, &GLOBAL_TMS, &GLOBAL_TCK,
                &GLOBAL_TRST, &INPUT_BUFFER, &OUTPUT_BUFFER, &INOUT_BUFFER, &INVERTER});
    free_texts({&OUTPUT_MUX_SCAN, &OUTPUT_SCAN, &INPUT_MUX_SCAN, &INPUT_SCAN, &CONTROL_OE_SCAN,
                &CONTROL_OE_LOW_SCAN, &CONTROL_OE_HIGH_SCAN, &CONTROL_MUX_SCAN, &CONTROL_SCAN,
                &CONTROL_LOW_SCAN, &CONTROL_HIGH_SCAN, &BIDIR_MUX_SCAN, &BIDIR_SCAN, &BIDIR_LOW_SCAN,
                &BIDIR_HIGH_SCAN, &CLOCK_MUX_SCAN, &CLOCK_SCAN, &INTERNAL_SCAN, &OBSERVE_ONLY_SCAN,
                &CONTROL_HZ_SCAN, &TAP_MODULE_NAME, &TAP_INSTANCE_NAME});
    free_list(&UNBOUNDED_PIN_TAB);
    free_list(&WILD_CARD_BUF_TAB);
    free_connect_list(CONNECT_TABLE);
    CONNECT_TABLE = nullptr;
    free_mbist_table(&BL_MBIST_TAB);
    free_lbist_table(&BL_LBIST_TAB);
    free_package_list(PACKAGE_TABLE);
    PACKAGE_TABLE = nullptr;
    free_texts({&PACKAGE_TYPE, &PIN_FILE, &LIB_FILE, &DFT_FILE});
    PACKAGE_PIN_NUMBER = 0;
    BS_PIN_COUNT = 0;
    free_list(&ALLOWED_MULTIPLE_LIST);
    GLOBAL_EXIT = 0;
    DUMP = 0;
    HASH_INDEX = -1;
    clear_standard_instructions();

    PIN_reset_globals();
    LIB_reset_globals();
    DFT_reset_globals();
    HASH_reset_globals();
    desc::AST_reset_globals();
}
