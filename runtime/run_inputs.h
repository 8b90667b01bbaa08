// The files a run reads, and whether a file it is to write is one of
// them.
//
// Every text input opened through FNM_open_input (runtime/fnm.h: the
// configuration, the cell library, the pin and package files, the DFT
// files, alias files) and every design database opened for reading is
// noted here with its device and inode.  Before its first output a
// program holds each file it will write against them: an output that is
// an input, under the same name or another one (a symbolic or hard link),
// would replace what the run read, so the run is refused instead.
#pragma once

#include <string>

// Notes the open file `descriptor`, opened as `path`, as an input of the
// run.  Thread-safe.
void RT_note_input(int descriptor, const std::string& path);

// The name an input of the run was opened as when `path` names the same
// file (same device and inode, whatever the names); empty when it names
// none of them or does not exist.
std::string RT_input_at(const std::string& path);

// The refusal of an output that is an input of the run, both named:
// "ERROR: output file '<output>' would replace '<input>', which the run
// reads.\n\n".
std::string RT_output_is_input_text(const std::string& output, const std::string& input);

// Forgets every input noted (tests, and a second run in one process).
void RT_reset_run_inputs();
