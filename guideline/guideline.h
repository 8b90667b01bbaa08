// The guideline editor of kestrand (-guideline): a text menu on standard
// input and output that fills in or changes the boundary-scan
// configuration, the cell library and the pin list in the description
// tables, and the writers that save those tables as the three description
// files.
//
// The menus:
//     Main Menu
//       1 Global Port Menu            GLOBAL_TDI .. GLOBAL_TRST
//       2 TAP Controller Menu         TAP_MODULE_NAME, TAP_INSTANCE_NAME and
//                                     the TAP controller pages (TAP_CELL_TAB)
//       3 Instruction Register Menu   G_INST_LEN, INSTRUCTIONS, INST_CAPTURE,
//                                     INST_DISABLE, INST_GUARD, INST_PRIVATE
//       4 Test Data Registers Menu    the pad-role cells, the scan-cell pages
//                                     (SCAN_CELL_TAB), IDCODE_REG, USERCODE_REG
//       5 PAD and internal buffer     the pad pages (BUFFER_TAB) by function
//       6 PIN List Menu               PIN_FILE and PIN_TABLE
//       7 Skip Signal List            SKIP_SIGNAL_TAB
//       8 save and continue, 9 save and quit (status 0), 10 abort (status -1)
// An item is chosen only by a line that is exactly its number; any other
// line shows the menu again.  Every answer is one whole line (any length).
// End of input leaves a sub-menu, and at the main menu leaves the editor
// without saving.  Bad values print a message, wait for one line and leave
// the field as it was.  All menu text goes to standard output only; the
// screen is cleared with an ANSI sequence, and only on a terminal.
//
// Saving writes the three files through temporary names and renames them.
// It first checks that what it writes reads back through the description
// readers into the same tables (everything the files held, also what the
// menus do not show, is written back); when it would not, nothing is
// written and the editor says why.
#pragma once

#include <cstdio>
#include <string>

// Instruction length in bits; every opcode typed must have this many
// characters.  0 until set or taken from the first opcode read.
extern int G_INST_LEN;

// Runs the editor on the tables of JTAG_LIB_FILE and JTAG_BSC_FILE (read
// first when both were found).  Returns after "Save and continue the
// program" (JTAG_BSC_FILE and JTAG_LIB_FILE then name the saved files) or
// at the end of the input (nothing saved); "Save and quit" ends the run
// with status 0, "Abort and quit" with -1.  A file that cannot be written
// ends the run with -1 after "Can't open %s to write\n".
// before_continuing, when given, runs before the save of "Save and
// continue the program": the program's checks before its first output,
// which end the run, with nothing saved, when it could not go on.
int guideline_handler(void (*before_continuing)() = nullptr);

// Prepares the tables for editing: one empty TAP page and one empty
// scan-cell page when there are none, G_INST_LEN from the first opcode,
// and one blank pad entry.
void initialize();

// Writes the configuration, the cell library and (when PIN_TABLE has
// rows) the pin file.  Returns false, with the reasons printed, when the
// tables cannot be saved so that they read back the same; nothing is
// written then.
bool save_bsc_lib();

// The row of the instruction of that name (ignoring case); a new name is
// appended as a row with no opcode and no access register.
int check_inst_name(const char* name);
// Splits the text at commas, semicolons, blanks and newlines and appends
// each piece that is a valid opcode of the row (check_inst, and neither
// of another length nor equal to an opcode already there, "X" matching
// anything); any other piece prints "%5c invalid instruction '%s'\n" and
// waits for one line.
void put_opcode_into_instruction(int row, const char* text);
// True for an empty text or one of decimal digits only.
bool check_integer(const char* text);
// True when the text has exactly G_INST_LEN characters, each 0, 1, x or X.
bool check_inst(const char* text);
// True for a 32-character code of 0, 1, x and X (of 0 and 1 only without
// unknown_bits: the IDCODE, which the reader takes only so); otherwise
// prints why, waits for one line and returns false.
bool check_idcode_reg(const char* text, bool unknown_bits = true);
// Order of two PIN_TABLE row pointers by pin number: numbers made of
// digits by value, before the others, which compare as texts.
int comp_pin(const void* a, const void* b);

// The writers.  Each writes its whole file to the open stream and leaves
// it open.  write_to_bsc names pin_file in %PIN_LIST in place of PIN_FILE
// when given.
void write_to_bsc(FILE* fp, const char* pin_file = nullptr);
void write_to_lib(FILE* fp);
void write_to_pin(FILE* fp);

// Everything the description tables hold that a file can carry, as text,
// one fact a line (records without a name, source lines and file names
// left out): two states whose texts are equal read back the same.
std::string guideline_tables_text();

// Test tooling: the stream the editor reads its answers from (standard
// input by default).
void guideline_set_input(FILE* in);

// Returns the editor's globals to their start-up values.
void GUIDELINE_reset_globals();
