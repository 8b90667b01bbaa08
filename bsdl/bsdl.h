// tallowmere: the BSDL generator.  Its command line and options, the
// per-circuit flow (finding the input files, reading the description,
// checking the TAP and instruction description, opening the design), the
// walk of the design's boundary-scan chain, and the globals that the BSDL,
// SVF and template writers read.
//
// One process reads design after design: every circuit starts from fresh
// description tables, a fresh chain table and a report file of its own.
#pragma once

#include <cstdio>
#include <string>

#include "desc/tables.h"

// ------------------------------------------------------------------ options

// Option numbers: the index of each option in the option tables.
enum BsdlOption : int {
    BSDL_OPT_HELP = 0,       // -help, -h
    BSDL_OPT_TEMPLATE = 1,   // -template, -t        (one word)
    BSDL_OPT_VERIFY = 2,     // -verify, -v
    BSDL_OPT_OPATH = 3,      // -opath, -op          (one word)
    BSDL_OPT_WINDOW = 4,     // -window
    BSDL_OPT_BSC_FILE = 5,   // -bsc_file, -bsc      (one word)
    BSDL_OPT_LIB_FILE = 6,   // -lib_file            (one word)
    BSDL_OPT_BS_SEARCH = 7,  // -bs_search, -bs_s
    BSDL_OPT_DUMP_BS = 8,    // -dump_bs, -dbs
    BSDL_OPT_SCAN = 9,       // -scan
    BSDL_OPT_NO_PAD = 10,    // -no_pad
    BSDL_OPTION_COUNT = 11,
};

// The fixed option table: name, short form, and how many words follow.
extern const char* const option_string[BSDL_OPTION_COUNT];
extern const char* const option_string_abbr[BSDL_OPTION_COUNT];
extern const int option_check_extr[BSDL_OPTION_COUNT];

// 1 for each option given on the command line.
extern int option_check[BSDL_OPTION_COUNT];
// The words that followed each option (DynaArrays of owned strings; null
// until parsed), at most option_check_extr[i] of them.
extern char** option_string_extr[BSDL_OPTION_COUNT];
// The circuit words, in command-line order (DynaArray of owned strings).
extern char** option_other_string;

// The first word of an option, or null.
const char* bsdl_option_word(int option);

// ------------------------------------------------------------ per circuit

// Set by write_bsdl_file for the circuit being processed; empty = none.
extern std::string BS_TOP_MODULE;  // circuit word without directory and extension
extern std::string BS_BSC_FILE;    // configuration file found
extern std::string BS_LIB_FILE;    // cell library found
extern std::string BS_SDB_FILE;    // design file found
extern std::string BS_BSD_FILE;    // "<output dir>/<top>.bsd"
extern std::string BS_SVF_NAME;    // "<output dir>/<top>.svf"; set only with -scan

// Object id of the TAP instance in the open design (-1 before).
extern int TAP_IOBJ;

// The rows of INSTRUCTIONS holding the standard instructions (INTEST_EXIST
// and its siblings) are kept by the description layer (desc/tables.h).

// ------------------------------------------------------------- chain table

// One boundary cell of the walked chain.  Records live in the buckets of
// CHAIN_HASH_TAB (DynaArrays, so the fields are plain owned pointers).
struct ChainCellEntry {
    char* key;            // full instance name; "<module instance>.<inner name>" inside a %BS_BUFFER module
    int order;            // position in the boundary register (0 nearest the TAP's %LAST_BCELL); a
                          // cell of several bits takes this position and the ones above it
    char* instance_name;  // a second copy of the key
    char* cell_name;      // module name of the instance ("*UNDEF*" when none)
    char** std_names;     // standard cell names (DynaArray of owned strings)
    int order_first;      // 0 one standard name; 1 %ORDER begins "input"; 2 "output"
    ScanCellEntry* scan_cell;  // the library record of the cell
    int in_register;      // set by the boundary-register writer when it places the cell
    int bits;             // register positions the cell takes: one per standard name of its own
};

// Buckets by hash_key of the key (DynaArray of DynaArrays of records;
// a bucket is null until a key falls into it).
extern ChainCellEntry** CHAIN_HASH_TAB;
// Every record, in ascending order after the walk (DynaArray of pointers
// into the buckets).
extern ChainCellEntry** CHAIN_TAB;
// Boundary-register positions taken: the boundary length.
extern int CHAIN_CELL_COUNT;
// The TAP controller record reached by the walk.
extern TapCellEntry* tap_ctrl;

// --------------------------------------------------------------- the run

// The program: start-up, options, one of the three roads, exit.
[[noreturn]] void tallowmere_main(int argc, char** argv);
// Fills the option flags, their word lists and the circuit list.
void parse_command_options(int argc, char** argv);
// Closes the open report, opens the report of `top` (in the -opath
// directory, made when missing) and prints the banner; returns the output
// directory ("." when none) and stores it in BS_OUTPUT_DIR.
std::string open_report_file(const char* top);
// The output directory of the circuit or template being written: the one
// open_report_file last returned ("." before).
extern std::string BS_OUTPUT_DIR;
// Reads answers until one is yes (1) or no (0); the end of the input is no.
int yes_or_no(FILE* in = stdin);
void print_help();

// The per-circuit flow: files, description, checks, design, chain, BSDL.
void write_bsdl_file(const char* circuit);
// Ends the run with -1, before the BSDL file of the current circuit, when
// a file that the rest of the run writes (this circuit's BSDL file and
// report, those of the circuits after it, the SVF file) is one that the
// run read (runtime/run_inputs.h), naming both; the report, when it is
// that file, is left unwritten.
void bsdl_check_outputs_spare_inputs();
void check_necessary_information();
void open_and_check_sdb();
// Opens the design at path read-only and makes it the current design; a
// design that cannot be opened ends the run with tallowmere's message.
struct SdbDatabase;
SdbDatabase* bsdl_open_design(const std::string& path);

// The chain walk: fills CHAIN_HASH_TAB, CHAIN_TAB, CHAIN_CELL_COUNT.
void get_bs_chain();
// The record with exactly that key (sets HASH_INDEX), or null.
ChainCellEntry* get_chain_cell(const char* key);
// Order of two CHAIN_TAB elements (pointers to records): larger order first.
int chain_cmp(const void* a, const void* b);
// Frees the chain tables and sets the count to 0.
void free_chain_tables();

// ------------------------------------------------------- the writers' seam
// (bsdl/writers_pending.cpp until the writers land)

// Writes BS_BSD_FILE for the current circuit (fixed layout or template).
void insert_BSDL_description();
// Writes the SVF preamble of the last circuit to BS_SVF_NAME.
void write_svf_file();
// Writes the standard template "<name>.tpl" (the template road).
void write_template_file(const char* name);

// Returns every global of the layer to its start-up value (the report
// file, which belongs to the frame, is left alone).
void BSDL_reset_globals();
// Returns every layer tallowmere uses (this one, the descriptions, the
// design database, the frame with its report, the runtime) to its
// start-up state: the one reset of the program.
void TALLOWMERE_reset_globals();
