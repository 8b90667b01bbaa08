// The command interpreter: a host program registers a command dictionary
// (names, options, flags and a procedure per command); the interpreter
// reads lines from a prompt, from batch files or from the host, expands
// aliases and $variables, finds the command by a case-insensitive
// abbreviation, parses its flags and options and calls its procedure.
// The programs only run CMD_init, through the design database's set-up,
// which sets the default search path; the rest serves a host that
// registers a dictionary.
//
// The command-line language, as CMD_wait_cmd reads it:
//   cmd a b ; cmd2        ";" separates commands, run in order; a "|"
//                         inside a command stands for a literal ";"
//   = or !!               the last command again;  !n  history line n
//   <file                 "batch file";  >file  "log -o file"
//   @cmd                  this batch line is not echoed
//   # text                a comment (-4)
//   first word            replaced by its alias text, once
//   $name or $name.       the variable's value, else the environment's,
//                         else nothing ("\$" stays); a variable that refers
//                         to itself is reported (#028), not expanded
//   words                 split at blanks, tabs, commas; quotes keep blanks
//   -opt v1 v2 / -optv1   an option, abbreviated, with as many values as
//                         its format has "%" fields ("-count %d")
//   -abc                  a group of flag letters of the command
//   ... >file / >>file    messages of this command go to the file only
//                         (written whole, or appended), screen off
// An unknown option gives "#010: Invalid command option: %s".  Commands
// with no option table take every word as a plain argument, so that
// "set log -o x" reaches the log procedure as it was written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A name/value pair of owned strings (aliases, variables, key definitions).
struct CmdNameValue {
    char* name;
    char* value;
};

// Procedure that reads one line for the prompt (a malloc'd string that the
// interpreter frees, or null at the end of input), and the page prompt
// procedure of the listings (-1 from it stops a listing).
using CmdLineProc = char* (*)(const char* prompt);
using CmdPromptProc = int (*)(const char* prompt);

// Mode bits of the control block.
inline constexpr unsigned CMD_MODE_ECHO = 1u;    // echo batch lines
inline constexpr unsigned CMD_MODE_PAUSE = 2u;   // pause before each batch line
inline constexpr unsigned CMD_MODE_EXPAND = 4u;  // expand variables

// Number of lines the history keeps.
inline constexpr int CMD_HISTORY_SIZE = 20;

struct CmdControlBlock {
    FILE* batch = nullptr;  // batch input; null when reading from the prompt
    int batch_echoed = 0;   // batch lines echoed
    unsigned mode = 0;
    char* prompt = nullptr;  // null: the host program's name
    CmdLineProc line_proc = nullptr;
    CmdPromptProc prompt_proc = nullptr;
    std::string line;          // the line being handled
    std::string last_command;  // repeated by "="
    // Pending commands: DynaArray of owned lines; the read cursor is word 9
    // of the array header (DynaHeader::reserved[0]), -1 when exhausted.
    char** queue = nullptr;
    char** history = nullptr;  // fixed DynaArray of CMD_HISTORY_SIZE owned lines
    int history_first = 0;     // number of the oldest history line
    int history_pos = 0;       // current history position
    CmdNameValue* aliases = nullptr;    // DynaArrays of pairs
    CmdNameValue* variables = nullptr;
    CmdNameValue* keys = nullptr;
    // Batch streams interrupted by a nested batch, resumed in turn.
    std::vector<FILE*> outer_batches;
    // Special variables and the procedures that setting them runs.
    std::vector<std::pair<std::string, int (*)(int, char**)>> specials;
    int last_status = 0;  // result of the last command run by CMD_wait_cmd

    CmdControlBlock() = default;
    CmdControlBlock(const CmdControlBlock&) = delete;
    CmdControlBlock& operator=(const CmdControlBlock&) = delete;
    // Closes the batch stream and frees the lines and tables it owns.
    ~CmdControlBlock();
};

// The process's control block; null before CMD_init and after CMD_terminate.
extern CmdControlBlock* cmd_ccb;

// Creates the control block (replacing an earlier one) and sets the
// default search path from QUENDAL; returns 0.
int CMD_init();
// Frees the control block and everything it holds; returns 0.
int CMD_terminate();

// The read cursor of the pending-command queue.
int CMD_queue_cursor();
void CMD_set_queue_cursor(int cursor);

// Returns the interpreter to its start-up state (no control block, no
// dictionary, help closed, profile and break state cleared).
void CMD_reset_globals();

// ---------------------------------------------------------------- dictionary

// A command's procedure: argument count and texts (argv[0] is the command
// name as typed); it reads its arguments with the CMD_get_* functions.
using CmdProc = int (*)(int argc, char** argv);

// One command: name, number of entries of its option table (entry 0, the
// flag masks, included), index of that table, index of its procedure (-1:
// the command does nothing) and help index.
struct CmdEntry {
    const char* name;
    int16_t narg;
    int16_t iarg;
    int16_t iproc;
    int16_t ihelp;
};

// One option-table entry.  Entry 0 of a command's table names the valid
// flag letters in bits (bit 0 = 'a' / 'A' / '0'); every further entry is an
// option name (alternatives joined by "|", as "-file|-input"), its value
// format (each "%" field takes one value, as "%s %d") and the number of
// values.
struct CmdArgEntry {
    const char* name;
    const char* format;
    int16_t marg;
    uint32_t lower_bits;  // entry 0: flags a-z
    uint32_t upper_bits;  // entry 0: flags A-Z
    uint32_t digit_bits;  // entry 0: flags 0-9
};

struct CmdDictionary {
    const CmdEntry* commands;
    int ncommands;
    const CmdArgEntry* args;
    int nargs;
    const CmdProc* procs;
    int nprocs;
};

// Registers the host's dictionary (null: none).  The tables are the
// caller's and must outlive their use.
void CMD_set_dictionary(const CmdDictionary* dictionary);
const CmdDictionary* CMD_get_dictionary();
// Prints the command table and the option tables.
void dump_ctab();
void dump_atab();

// An option table built from an option text: an optional flag list
// in brackets ("[-abc]", "[a-z]", ranges allowed) followed by option
// names with their value formats ("-file %s -count %d").
struct CmdOptionTable {
    std::vector<std::string> names;
    std::vector<std::string> formats;
    std::vector<CmdArgEntry> entries;  // entry 0: the flags
};
std::unique_ptr<CmdOptionTable> setup_opt(const char* option_text);
// Adds the letters of a flag list ("-abc", "a-z0-9") to the masks of entry.
void setup_flag(CmdArgEntry& entry, const char* letters);
// The flag letters of a "[...]" list with its ranges written out.
std::string CMD_flag_expand(const char* list);

// ---------------------------------------------------------------- running

// Splits the text into words, finds the command by abbreviation (first
// match in table order) and parses its arguments; the command's index, or
// -1 when no command matches.
int CMD_line(const char* text);
// Sorts the parsed words into options (with their values), flag groups
// and plain arguments; 0, or -1 without a parsed command.
int CMD_parse();
// Runs the parsed command: output redirection first, then "#010" and -1
// for an option the command does not know, else the procedure's result.
int CMD_activate();
// Formats a command line, runs it with the current argument state saved
// and restored (nesting bounded: "#027" and -1), and returns its result,
// or -1 for an unknown command.
int CMD_execute(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Saves / restores the parsed argument state (at most CMD_MAX_NESTING).
int CMD_save_arg();
int CMD_restore_arg();
int CMD_search(const char* name);
int CMD_action(int index);
// Parses a host program's own command line against the dictionary's
// first command and runs it; without a dictionary, parses it against the
// option text and returns 0 (-1 for an unknown option).
int CMD_parse_main(int argc, char** argv, const char* option_text);

// Case-insensitive abbreviation: 0 when word is a prefix of name.
int abbrev_comp(const char* word, const char* name);
// Index of the table entry whose alternatives include the name exactly,
// or -1 (opt_search); as a case-insensitive abbreviation (optlist_search).
int opt_search(const char* name, const CmdArgEntry* table, int n);
int optlist_search(const char* name, const CmdArgEntry* table, int n);

// Nesting bounds of batch files and of CMD_execute.
inline constexpr int CMD_MAX_BATCH_DEPTH = 16;
inline constexpr int CMD_MAX_NESTING = 20;

// ---------------------------------------------------------------- arguments

// Fill the given char* places (a null ends the list) with the next plain
// arguments; returns how many were filled.  Texts stay valid while the
// parsed command lives.
int CMD_get_arg(const char** first, ...);
// Finds the option written as named (one of its "|" alternatives); its
// values follow as separate words or, for the first, stick to it ("-n5").
// Each value is converted by its "%" field ("%s": const char**; "%d",
// "%i", "%x", "%o": int*; "%ld": long*; "%f": float*; "%lf": double*) and
// blanked out.  Returns the number of values, 0 for an option that takes
// none, -1 when the option is absent.
int CMD_get_opt(const char* name, ...);
// Finds the word equal to one of the name's alternatives, blanks it and as
// many following words as const char** places are given (null-ended),
// and returns how many values it filled, or -1.
int CMD_scan_opt(const char* name, ...);
// The first "-" word the command does not know, or null.
const char* CMD_get_xopt();
const char* CMD_get_arg_str();
int CMD_get_arg_int(int* value);
int CMD_get_arg_bool(int* flag);
// All remaining plain arguments; returns their number.
int CMD_get_arg_list(std::vector<std::string>* list);
// The remaining plain arguments joined with blanks.
std::string CMD_get_arg_remain();
// Joins n words from first (all remaining for a negative n) into word
// first, separated by blanks; returns the number joined.
int CMD_combine_arg(int first, int n);
// The prefix and the remaining plain arguments separated by blanks.
std::string CMD_rebuild(const char* prefix);
int CMD_is_opt_specify(const char* text);
// The flag masks of the parsed command: 0 lower-case, 1 upper-case, 2 digits.
uint32_t CMD_get_flag(int which);
// Writes "-<letter> " for each set bit, the letter being first + bit.
std::string CMD_print_flag(uint32_t mask, char first);
int CMD_argc();
char** CMD_argv();
int CMD_get_cmd();
const char* CMD_name();
int CMD_set_arg(int argc, char** argv);
void CMD_reset_arg_index();
// Drops the parsed command and the saved argument states.
void CMD_reset_arg_state();
// 1 with 255 (true) or 0 (false) in flag for T/Y/F/N/TRUE/YES/FALSE/NO in
// any case; -1 for anything else.
int to_bool(const char* text, int* flag);

// ---------------------------------------------------------------- input

// Takes the next line (queue, batch, prompt), expands its alias and, with
// expansion on, its variables, then parses and runs it.  Returns the
// command's index (-1 unknown command or a failed expansion), -3 for an
// empty line, -4 for a comment, -5 at the end of input.
int CMD_wait_cmd();
// The result of the last command CMD_wait_cmd ran.
int CMD_last_status();
// The next command line (queue, batch, prompt), without expansion; false
// at the end of input.
bool get_command(std::string* line);
bool cmd_prompt(std::string* line);
// The first word replaced by its alias text.
std::string CMD_expand_alias(const std::string& line);
// Variables expanded from the variable table; false after "#028".
bool CMD_expand_macro(const std::string& line, std::string* out);

int CMD_set_prompt(const char* prompt);
// Makes the stream the batch input (the current one, if any, is resumed
// at the end of the new one; at most CMD_MAX_BATCH_DEPTH deep: "#026" and
// -1, the stream closed); null closes the current batch.
int CMD_set_batch(FILE* stream);
int CMD_set_echo(int on);
int CMD_set_pause(int on);
int CMD_set_expand(int on);
// The line-reading procedure of the prompt (null: standard input).
int CMD_set_keyproc(CmdLineProc proc);
int CMD_set_prompt_proc(CmdPromptProc proc);
CmdPromptProc CMD_get_prompt_proc();

int CMD_define_alias(const char* name, const char* value);
int CMD_define_set(const char* name, const char* value);
int CMD_define_key(const char* name, const char* value);
const char* CMD_get(const char* name);  // alias
const char* CMD_get_set(const char* name);
const char* CMD_get_key(const char* name);
// A variable's value, else the environment's, or null.
const char* lookup_macro(const char* name);
int CMD_push_cmd(const char* line);
// The next pending line, or false.
bool CMD_pop_cmd(std::string* line);
// History: lines numbered from 1; a number no longer kept gives null.
const char* CMD_history_line(int number);

// ---------------------------------------------------------------- procedures

// The built-in commands, named after the words that call them: each takes
// the command's words (argv[0] the command itself) and returns its status
// to the interpreter.
int CMD_shell(int argc, char** argv);
int CMD_log(int argc, char** argv);
int CMD_history(int argc, char** argv);
int CMD_more(int argc, char** argv);
int CMD_ls(int argc, char** argv);
int CMD_echo(int argc, char** argv);
int CMD_path(int argc, char** argv);
int CMD_help(int argc, char** argv);
int CMD_pause(int argc, char** argv);
int CMD_batch(int argc, char** argv);
int CMD_set(int argc, char** argv);
int CMD_alias(int argc, char** argv);
int CMD_setkey(int argc, char** argv);
int CMD_unset(int argc, char** argv);
int CMD_unalias(int argc, char** argv);
int CMD_unsetkey(int argc, char** argv);
int CMD_set_verbose(int argc, char** argv);
int CMD_set_debug(int argc, char** argv);
int CMD_where(int argc, char** argv);
int CMD_save_profile(int argc, char** argv);
// Binds a special variable: setting it runs the procedure instead.
int CMD_special_set(const char* name, CmdProc proc);
void CMD_free_special_set();

extern int verbose_flag;

// ---------------------------------------------------------------- variables

// A name-value table is a DynaArray made on first use; the table owns
// copies of the names and values.
using MacroLookup = const char* (*)(const char* name);
// Sets name to a copy of value and returns its entry; a null value
// deletes the name (null is returned then, and for a null table or name).
CmdNameValue* MACRO_add(CmdNameValue** table, const char* name, const char* value);
// The value of name (owned by the table), or null.
const char* MACRO_search(CmdNameValue** table, const char* name);
// Removes name: 0, or -1 when it is not there.
int MACRO_delete(CmdNameValue** table, const char* name);
// Frees every entry and the table.
void MACRO_free(CmdNameValue** table);
// Orders CmdNameValue entries by name (strcmp).
int macro_compare(const void* a, const void* b);
// Replaces each "$name" (ended by a blank, ".", "$" or backslash; a "."
// that ends it is dropped; "\$" is left alone) by the look-up's value, else
// the environment's, else nothing, expanding values in turn.  A variable
// reached again inside its own value is reported ("#028") and false
// returned.
bool MACRO_expand(const std::string& text, MacroLookup lookup, std::string* out);

// ---------------------------------------------------------------- help

using HelpPrintProc = int (*)(const char* line);
using HelpPromptProc = int (*)();

struct HelpTopic {
    std::string name;  // upper-cased
    int number;
    long position;  // file position of the topic's first line
    int lines;
};

struct HelpControlBlock {
    FILE* file = nullptr;
    std::string path;
    int x = 0, y = 0;
    int width = 80;
    int length = -1;  // page length; -1 no paging
    int help_color = 0, color = 0;
    HelpPrintProc print_proc = nullptr;
    HelpPromptProc prompt_proc = nullptr;
    std::vector<HelpTopic> index;  // sorted by name
    ~HelpControlBlock();
};

// Most topics a help file may hold.
inline constexpr int HELP_MAX_TOPICS = 128;

HelpControlBlock* HELP_init(const char* name);
int HELP_context(const char* topic);
int HELP_page(const char* topic);
int HELP_index();
int HELP_setup(int x, int y, int width, int length, int help_color, int color);
int HELP_set_color(int help_color, int color);
int HELP_set_proc(HelpPrintProc print, HelpPromptProc prompt);
int HELP_terminate();
int help_print_proc(const char* line);
int help_prompt_proc();

// ---------------------------------------------------------------- profiles

// Writes the aliases, variables and keys to the profile (when a
// dictionary is registered and they changed); the path, or empty after
// "#025" or when there was nothing to do.
std::string PRO_create();
int PRO_load();
int PRO_set_modify(int on);
int PRO_is_active();
int PRO_is_modify();
// Forgets the loaded profile and clears its flags.
void PRO_reset_globals();

// ---------------------------------------------------------------- break and keys

using BreakProc = void (*)();
BreakProc onbreak(BreakProc proc);
void dobreak(int sig);
int isbreak();
int setbreak(int trap);
// One key from standard input without echo; when standard input is not a
// terminal, the first character of the next line ('\n' for an empty one).
// -1 at the end of input or after a break.
int STR_getc();
// Prints the prompt and choices, then "> ", and reads keys until one of
// "ynqicx" (lower-cased); Enter or blank gives the default, "x" gives "q".
int STR_prompt(const char* prompt, const char* choices, int deflt);
