// The command interpreter's control block.  The programs only run
// CMD_init, through the design database's set-up, which sets the default
// search path.
#pragma once

#include <cstdio>
#include <string>

// A name/value pair of owned strings (aliases, variables, key definitions).
struct CmdNameValue {
    char* name;
    char* value;
};

// Procedure that reads one line for the prompt (a new string, or null at
// the end of input) and procedure called to show a prompt.
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

// Returns the module to its start-up state (no control block).
void CMD_reset_globals();
