// The description tables: the records that the cell library, the
// boundary-scan configuration and the pin/package files are read into,
// the process-wide tables that hold them, and the look-ups by name.
//
// Conventions:
// - Texts are heap copies (qdx_strdup/malloc) owned by their record or
//   global; none is a null pointer.  Assign a new copy after freeing the
//   old one; the reset functions free them.
// - Lists of texts are DynaArrays of owned char* (see STR_add); lists of
//   integers are DynaArrays of int.  A list that was never made is null.
// - Record fields are listed in the order of the words they stand for,
//   the first word numbered 1.
// - A name-hashed table is a DynaArray of buckets indexed by hash_key; a
//   bucket is a DynaArray of records by value, or null while no name has
//   fallen into it.  Its listing is a DynaArray of pointers to the records,
//   in bucket order (desc_build_listing); pointers into a bucket stay valid
//   until a record is added to that bucket, so a listing is rebuilt after
//   records are added.
#pragma once

#include <cstdio>
#include <cstring>

#include "desc/hash.h"
#include "runtime/dyna.h"

// ------------------------------------------------------------------ records

// A boundary-scan cell: one per %SCAN_CELL block of the library, and one
// per %BS_BUFFER block (named by the block's first name).
struct ScanCellEntry {
    char* name;           // 1
    char** std_name;      // 2 %STD_NAME list; the cell's own name when the block gives none
    char** order;         // 3 %ORDER list
    char* data_in;        // 4
    char* data_out;       // 5
    char* sys_in;         // 6
    char* sys_pin;        // 7
    char* tdi;            // 8
    char* tdo;            // 9
    char* tck;            // 10
    char* highz;          // 11 %HIGHZ
    char* clock_dr;       // 12
    char* shift_dr;       // 13
    char* update_dr;      // 14
    char* rst;            // 15
    char* mode1;          // 16
    char* mode2;          // 17
    char* mode3;          // 18
    char* control_in;     // 19
    char** extra;         // 20 %EXTRA_n at position n-1; unnamed positions null
    char* update_dr_out;  // 21
    char* mux_data_in;    // 22
    char* oe_mode;        // 23
    char* en_l;           // 24
    char* en_h;           // 25
    int oe_mode_direction;  // 26 direction of the %OE_MODE port in the cell's design (SDB_DIR_*), -1 until checked
    int bs_buffer;        // 27 1 when made from a %BS_BUFFER block
};

// A TAP controller: one per %TAP_CONTROLLER block.
struct TapCellEntry {
    char* name;              // 1 module name
    char* instance_name;     // 2
    char* highz_command;     // 3
    char* group_method;      // 4
    int group_size;          // 5 -1 when absent
    int df_group_size;       // 6 -1 when absent
    char* signal_buffer;     // 7
    char* df_signal_buffer;  // 8
    char* inv_buffer;        // 9
    char* tdi;               // 10
    char* tdo;               // 11
    char* tdo_en;            // 12
    char* tms;               // 13
    char* tck;               // 14
    char* trst;              // 15
    char* lasttdo;           // 16
    char* clock_dr;          // 17
    char* shift_dr;          // 18
    char* update_dr;         // 19
    char* mode1;             // 20
    char* mode2;             // 21
    char* mode3;             // 22
    char* first_bcell;       // 23
    char* last_bcell;        // 24
    char* tap_reset;         // 25
    char** extra;            // 26 %EXTRA_n at position n-1
};

// Buffer kinds (BufferEntry::kind).
enum BufferKind : int {
    BUFFER_PLAIN = 0,         // %BUFFER and %INV_BUFFER
    BUFFER_DIFF_VOLTAGE = 1,  // %DIFFERENTIAL_VOLTAGE
    BUFFER_DIFF_CURRENT = 2,  // %DIFFERENTIAL_CURRENT
    BUFFER_BS = 3,            // %BS_BUFFER
};

// A pad buffer: one per name of a buffer block; all names of one block
// get equal contents.
struct BufferEntry {
    char* name;           // 1 as written, "*" included
    char* function;       // 2
    char* inout;          // 3
    char* input;          // 4 %INPUT or %INPUT_P
    char* output;         // 5 %OUTPUT or %OUTPUT_P
    char* input_m;        // 6
    char* output_m;       // 7
    char* en_l;           // 8
    char* en_h;           // 9
    char* mux_in1;        // 10
    char* mux_in2;        // 11
    char* mux_in3;        // 12
    char* mux_out;        // 13
    char* mode1;          // 14 always none for %BS_BUFFER
    char* mode2;          // 15
    char* mode3;          // 16
    int weak_0;           // 17
    int weak_1;           // 18
    int pull_0;           // 19
    int pull_1;           // 20
    int keeper;           // 21
    int kind;             // 22 BufferKind
    char* bcell;          // 23
    char* in_bcell;       // 24
    char* out_bcell;      // 25
    char* control_bcell;  // 26
};

// A %BS_BUFFER that names %IN_BCELL, %OUT_BCELL or %CONTROL_BCELL: a hard
// macro whose boundary cells sit in a design of its own.
inline bool keeps_cells_in_own_design(const BufferEntry* b) {
    return b && b->kind == BUFFER_BS && (b->in_bcell || b->out_bcell || b->control_bcell);
}

// An inverting buffer of the library: one whose %FUNCTION is "inv", or
// the inverter that the configuration (%INVERTER) or the TAP's
// %INV_BUFFER names.  A boundary cell behind one sees (or drives) the
// pin inverted.
bool is_inverting_buffer(const BufferEntry* b);

// Gate codes of an instruction's enables (InstructionEntry::enable_gate).
enum InstructionGate : int {
    GATE_NONE = -1,
    GATE_AND = 18,
    GATE_NAND = 19,
    GATE_OR = 20,
    GATE_NOR = 21,
    GATE_XOR = 22,
    GATE_XNOR = 23,
};

// One %INSTRUCTION of %INSTRUCTION_TABLE.  Lists 4 to 7 are parallel:
// one entry each per enable.
struct InstructionEntry {
    char* name;             // 1
    char** opcodes;         // 2 patterns of 0, 1 and X
    char* access;           // 3 accessed data register; "bypass" when none is given
    char** enable;          // 4 enable signals
    char** enable_value;    // 5 "1" %EN_H, "0" %EN_L, the 0/1 pattern of %ENABLE, or null
    char** enable_second;   // 6 signal after a gate word, or null
    int* enable_gate;       // 7 InstructionGate
};

// Cell codes of a pin row (PinListEntry::cell_code).
enum PinCellCode : int {
    CELL_SINGLE = -1,  // BSC(cell) or no BSC
    CELL_I = 0,
    CELL_O = 1,
    CELL_C = 2,
    CELL_C_O = 3,
    CELL_I_O = 4,
    CELL_C_I_O = 5,
    CELL_I_ONLY = 6,
    CELL_O_ONLY = 7,
    CELL_C_O_ONLY = 8,
    CELL_IO = 9,
    CELL_C_IO = 10,
};

// Pad enable of a pin row (PinListEntry::pad_enable).
enum PadEnable : int { PAD_EN_NONE = -1, PAD_EN_LOW = 0, PAD_EN_HIGH = 1 };

// One pin row of the pin file in list mode.
struct PinListEntry {
    char* core_name;   // 1 design port; none for "*"
    char* io_name;     // 2 package name; none for "*"
    char* number;      // 3 pin number as written
    char* direction;   // 4 none for "*"
    char* cell;        // 5 single cell of BSC(cell)
    char* c_cell;      // 6 C
    char* i_cell;      // 7 I or I_ONLY
    char* o_cell;      // 8 O or O_ONLY
    char* io_cell;     // 9 IO
    char* pad;         // 10 PAD cell
    char* pad_c;       // 11 pad pins of PAD(pad, C:p, I:p, O:p)
    char* pad_i;       // 12
    char* pad_o;       // 13
    int cell_code;     // 14 PinCellCode
    int pad_enable;    // 15 PadEnable
    int line;          // 16 source line of the row
};

// One pin row in package mode (the per-role cells stay none, the code -1).
struct PackagePinEntry {
    char* number;      // 1
    char* io_name;     // 2 package name
    char* core_name;   // 3
    char* direction;   // 4
    char* cell;        // 5 the single cell, or the first cell named
    char* c_cell;      // 6
    char* i_cell;      // 7
    char* o_cell;      // 8
    char* io_cell;     // 9
    char* pad;         // 10
    char* pad_c;       // 11
    char* pad_i;       // 12
    char* pad_o;       // 13
    int cell_code;     // 14
    int pad_enable;    // 15
    int line;          // 16
    PackagePinEntry* next;  // 17
};

// One %PACKAGE_LIST file (linked list PACKAGE_TABLE).
struct PackageEntry {
    char* file_name;         // 1
    char* type;              // 2 from the file's %PACKAGE_TYPE
    int pin_count;           // 3 0 until the file's %PACKAGE_TYPE is read
    PackagePinEntry* first;  // 4 rows in file order
    PackageEntry* next;      // 5
};

struct SkipSignalEntry {
    char* name;   // 1
    char* value;  // 2 "0"/"1" as written, or none
};

// One %CONNECT; a side that is a design port has no instance.
struct ConnectEntry {
    char* from_inst;     // 1
    char* from_pin;      // 2
    char* to_inst;       // 3
    char* to_pin;        // 4
    ConnectEntry* next;  // 5
};

struct MbistEntry {
    char* instruction;      // 1
    char* cnt_file;         // 2 first name of %CNT_FILE
    char* sel_instruction;  // 3
    int* ctrl_order;        // 4
};

struct LbistEntry {
    char* instruction;         // 1
    char* dft_file;            // 2
    char** cnt_file;           // 3
    char** diag_instruction;   // 4
    char** diag_cnt_file;      // 5
    char* scan_instruction;    // 6
    char* debug_instruction;   // 7
    char* lbist_instruction;   // 8
    char* instance_name;       // 9
    char* sel_instruction;     // 10
    char** tests;              // 11
    int* ctrl_order;           // 12
};

struct PinoEntry {
    int number;    // 1
    int spare[6];  // 2-7 nothing fills them
};

// ------------------------------------------------------------------ tables

// Position within its bucket of the record last added or found; -1 after
// a failed look-up.
extern int HASH_INDEX;

extern ScanCellEntry** SCAN_CELL_HASH_TAB;
extern ScanCellEntry** SCAN_CELL_TAB;
extern TapCellEntry** TAP_CELL_HASH_TAB;
extern TapCellEntry** TAP_CELL_TAB;
// The TAP controller in use, set by each program from the configured TAP
// module (none before); the program's reset clears it.
extern TapCellEntry* TAP_CONTR;
extern BufferEntry** BUFFER_HASH_TAB;
extern BufferEntry** BUFFER_TAB;
extern SkipSignalEntry** SKIP_SIGNAL_HASH_TAB;
extern SkipSignalEntry** SKIP_SIGNAL_TAB;
extern char*** TRANS_BUF_HASH_TAB;  // buckets of names
extern char*** TRANS_BUF_TAB;       // pointers to the name slots
extern char*** SKIP_MODULE_HASH_TAB;
extern char*** SKIP_MODULE_TAB;
// Every pin row opens a bucket of its own, so PIN_TABLE is in file order.
extern PinListEntry** PIN_HASH_TAB;
extern PinListEntry** PIN_TABLE;
// Keyed by pin number modulo 127.
extern PinoEntry** PINO_HASH_TAB;
extern PinoEntry** PINO_TAB;
// Created empty; nothing fills them.
extern void** CONTR_HASH_TAB;
extern void** CONTR_TAB;

extern InstructionEntry* INSTRUCTIONS;  // by value, file order
extern char** INST_CAPTURE;
extern char** INST_PRIVATE;
extern char** USERCODE_REG;
extern char* INST_DISABLE;
extern char* INST_GUARD;
extern char* IDCODE_REG;
extern char* GLOBAL_TDI;
extern char* GLOBAL_TDO;
extern char* GLOBAL_TMS;
extern char* GLOBAL_TCK;
extern char* GLOBAL_TRST;
extern char* INPUT_BUFFER;
extern char* OUTPUT_BUFFER;
extern char* INOUT_BUFFER;
extern char* INVERTER;

// The boundary-scan cell chosen for each pad role by %SCAN_CELLS.
extern char* OUTPUT_MUX_SCAN;
extern char* OUTPUT_SCAN;
extern char* INPUT_MUX_SCAN;
extern char* INPUT_SCAN;
extern char* CONTROL_OE_SCAN;
extern char* CONTROL_OE_LOW_SCAN;
extern char* CONTROL_OE_HIGH_SCAN;
extern char* CONTROL_MUX_SCAN;
extern char* CONTROL_SCAN;
extern char* CONTROL_LOW_SCAN;
extern char* CONTROL_HIGH_SCAN;
extern char* BIDIR_MUX_SCAN;
extern char* BIDIR_SCAN;
extern char* BIDIR_LOW_SCAN;
extern char* BIDIR_HIGH_SCAN;
extern char* CLOCK_MUX_SCAN;
extern char* CLOCK_SCAN;
extern char* INTERNAL_SCAN;
extern char* OBSERVE_ONLY_SCAN;
extern char* CONTROL_HZ_SCAN;
extern char* TAP_MODULE_NAME;
extern char* TAP_INSTANCE_NAME;

extern char** UNBOUNDED_PIN_TAB;
extern char** WILD_CARD_BUF_TAB;  // buffer names containing "*", file order
extern ConnectEntry* CONNECT_TABLE;
extern MbistEntry* BL_MBIST_TAB;
extern LbistEntry* BL_LBIST_TAB;
extern PackageEntry* PACKAGE_TABLE;
extern char* PACKAGE_TYPE;
extern int PACKAGE_PIN_NUMBER;
extern int BS_PIN_COUNT;
extern char** ALLOWED_MULTIPLE_LIST;
// Names of the files being read, for messages (PIN_FILE without "./").
extern char* PIN_FILE;
extern char* LIB_FILE;
extern char* DFT_FILE;
// Set by a deferred error of the pin file; the reader ends the run after
// the whole configuration is read.
extern int GLOBAL_EXIT;
// Dump level of the reader: 2 traces the scanners' tokens.
extern int DUMP;

// --------------------------------------------------------- table helpers

// Frees the owned fields of one record (not the record itself).
void desc_free_record(ScanCellEntry& e);
void desc_free_record(TapCellEntry& e);
void desc_free_record(BufferEntry& e);
void desc_free_record(SkipSignalEntry& e);
void desc_free_record(PinListEntry& e);
void desc_free_record(PinoEntry& e);
void desc_free_record(char*& name);
void desc_free_record(InstructionEntry& e);
void desc_free_record(MbistEntry& e);
void desc_free_record(LbistEntry& e);

// The key a record is hashed and looked up by.
inline const char* desc_record_key(const ScanCellEntry& e) { return e.name; }
inline const char* desc_record_key(const TapCellEntry& e) { return e.name; }
inline const char* desc_record_key(const BufferEntry& e) { return e.name; }
inline const char* desc_record_key(const SkipSignalEntry& e) { return e.name; }
inline const char* desc_record_key(char* const& name) { return name; }

// Appends a zero-filled record to bucket b of a hash table, making the
// table and the bucket when absent; sets HASH_INDEX.  Buckets are made
// with room for `room` records and grow as needed.
template <class T>
T* desc_hash_add_at(T*** table, int b, int room = 0) {
    if (!*table) *table = DYNA_new<T*>();
    int have = DYNA_count(*table);
    if (have <= b) {
        DYNA_add(table, b + 1 - have);  // may move the array: index it afterwards
        for (int i = have; i <= b; ++i) (*table)[i] = nullptr;
    }
    if (!(*table)[b]) {
        if (room > 0) {
            (*table)[b] = DYNA_new<T>(room);
            DYNA_header((*table)[b])->fixed = 0;  // a growable bucket with a small first block
        } else {
            (*table)[b] = DYNA_new<T>();
        }
    }
    int i = DYNA_add(&(*table)[b], 1);
    T* r = &(*table)[b][i];
    *r = T{};
    HASH_INDEX = i;
    return r;
}

// Appends a zero-filled record to the bucket of the name.
template <class T>
T* desc_hash_add(T*** table, const char* name) {
    return desc_hash_add_at(table, hash_key(name), 0);
}

// The first record of the name in its bucket (exact comparison), or null;
// sets HASH_INDEX.  A null name finds nothing and leaves HASH_INDEX.
template <class T>
T* desc_hash_find(T** table, const char* name);

// Rebuilds a listing: pointers to every record, buckets in index order,
// each bucket front to back.  The listing is made when absent.
template <class T>
void desc_build_listing(T** table, T*** listing) {
    if (!*listing)
        *listing = DYNA_new<T*>();
    else
        DYNA_reset(listing);
    for (int b = 0, nb = DYNA_count(table); b < nb; ++b) {
        T* bucket = table[b];
        if (!bucket) continue;
        for (int i = 0, n = DYNA_count(bucket); i < n; ++i) {
            int at = DYNA_add(listing, 1);  // may move the listing: index it afterwards
            (*listing)[at] = &bucket[i];
        }
    }
}

// Frees a hash table with its records (and sets it to null).
template <class T>
void desc_free_hash(T*** table) {
    if (!*table) return;
    for (int b = 0, nb = DYNA_count(*table); b < nb; ++b) {
        T* bucket = (*table)[b];
        if (!bucket) continue;
        for (int i = 0, n = DYNA_count(bucket); i < n; ++i) desc_free_record(bucket[i]);
        DYNA_free(&bucket);
    }
    DYNA_free(table);
    *table = nullptr;
}

// Frees a DynaArray that does not own what it points at (a listing, an
// integer list) and sets it to null.
template <class T>
void desc_free_array(T** array) {
    if (*array) DYNA_free(array);
    *array = nullptr;
}

// Frees an owned text and sets it to none.
void desc_free_text(char** text);
// Replaces an owned text by a copy of `text` (none for null).
void desc_set_text(char** slot, const char* text);
// Takes a leading "./" off an owned file name (messages name a file
// without it).
void desc_drop_dot_slash(char** name);
// The highest n of %EXTRA_n: a cell or TAP controller has at most this
// many extra pins (the cell library refuses a higher n).
constexpr int DESC_MAX_EXTRA_PINS = 1024;
// Stores a copy of `text` at position n-1 of an extra-pin list, growing
// the list with none entries to length n first (n counts from 1, at most
// DESC_MAX_EXTRA_PINS; any other n is ignored).
void desc_set_extra(char*** list, int n, const char* text);

void free_connect_list(ConnectEntry* head);
void free_package_list(PackageEntry* head);
void free_package_pins(PackagePinEntry* head);
void free_instruction_table(InstructionEntry** table);
void free_mbist_table(MbistEntry** table);
void free_lbist_table(LbistEntry** table);

// ------------------------------------------------------- active-low names

// A pin or port name of the descriptions that begins with "-" is active
// low: whether it is, and the name without its mark (none stays none).
inline bool is_active_low(const char* name) { return name && name[0] == '-'; }
inline const char* without_low_mark(const char* name) { return is_active_low(name) ? name + 1 : name; }
// A text field of the tables as a message prints it: "" for none.
inline const char* desc_text(const char* text) { return text ? text : ""; }

// ------------------------------------------------------------- cell words

// True for an %ORDER word that makes its bit a control cell: "control" or
// "controlr", case ignored.
bool is_control_word(const char* word);
// How many of a scan cell's %ORDER words are control words.
int control_word_count(const ScanCellEntry* cell);

// ---------------------------------------------------------------- look-ups

ScanCellEntry* get_scan_cell(const char* name);
TapCellEntry* get_tap_cell(const char* name);
// Exact name first; failing that, the one wild-card buffer name that
// matches best (bs_name_transfer_wild_card_name).
BufferEntry* get_buffer(const char* name);
// The wild-card buffer name of WILD_CARD_BUF_TAB that matches the name
// best, or none.  A tie prints the ambiguity message on standard output
// and ends the run with -1.
const char* bs_name_transfer_wild_card_name(const char* name);
int skip_signal(const char* name);
int trans_buffer(const char* name);
int skip_module(const char* name);
// Core-side name and direction of a PIN_TABLE row (none out of range).
const char* bs_pin_name(int row);
const char* bs_pin_direction(int row);
PinoEntry* get_pin(int number);
PinoEntry* save_pino(int number);
int compare_pino(const void* a, const void* b);

// Order of two pointers to integers, for sorting (in the namespace desc:
// the name is too common for the global one).
namespace desc {
int compare_ctrl(const void* a, const void* b);
}  // namespace desc

// Rows of INSTRUCTIONS holding the standard instructions, -1 when absent:
// the row whose name is "intest", "extest", "sample", "chip_test",
// "idcode", "usercode", "bypass", "highz", "clamp", "runbist" or
// "quendal_atpg" (compared ignoring case; the last such row wins).  Both
// programs derive them from the table: find_standard_instructions sets
// them, clear_standard_instructions sets them all to -1.
extern int INTEST_EXIST;
extern int EXTEST_EXIST;
extern int SAMPLE_EXIST;
extern int CHIP_TEST_EXIST;
extern int IDCODE_EXIST;
extern int USERCODE_EXIST;
extern int BYPASS_EXIST;
extern int HIGHZ_EXIST;
extern int CLAMP_EXIST;
extern int RUNBIST_EXIST;
extern int QUENDAL_ATPG_EXIST;
void find_standard_instructions();
void clear_standard_instructions();

// The opcodes of INSTRUCTIONS and the %INSTRUCTION_CAPTURE patterns are
// patterns of 0, 1 and X (x): a TAP decodes them and BSDL states them.
// The first that holds any other character ends the run (-1) after
// "ERROR: (<configuration>) the opcode '<op>' of INSTRUCTION '<name>' is
// not a pattern of 0, 1 and X.\n\n" or "ERROR: (<configuration>)
// %INSTRUCTION_CAPTURE '<pattern>' is not a pattern of 0, 1 and X.\n\n".
void check_instruction_patterns(const char* configuration);

// No chip decodes one instruction code into two instructions: two rows of
// INSTRUCTIONS whose opcodes select a common code (each position the same
// bit, or X in either: "0001" and "00X1") end the run (-1) after
// "ERROR: (<configuration>) INSTRUCTION '<a>' (<op>) and INSTRUCTION '<b>'
// (<op>) share an opcode.\n\n", naming the first such pair in table order.
// The opcodes of one row may overlap; opcodes of different lengths are
// left to the checks of the opcode length.
void check_distinct_opcodes(const char* configuration);

// Frees every table, list, text and syntax tree of the description layer
// and returns all its globals (parsers and keyword hashes included) to
// their start-up values.  The hash modulus is a program setting and stays.
void DESC_reset_globals();

// ------------------------------------------------------------ definitions

template <class T>
T* desc_hash_find(T** table, const char* name) {
    if (!name) return nullptr;
    HASH_INDEX = -1;
    int b = hash_key(name);
    if (b < 0 || b >= DYNA_count(table) || !table[b]) return nullptr;
    T* bucket = table[b];
    for (int i = 0, n = DYNA_count(bucket); i < n; ++i) {
        const char* key = desc_record_key(bucket[i]);
        if (key && std::strcmp(key, name) == 0) {
            HASH_INDEX = i;
            return &bucket[i];
        }
    }
    return nullptr;
}
