// Checks over DFT files and the current DFT object: which file to read
// for a DFT file name, and the connections between the signals of the
// memory-BIST control entries.
#pragma once

#include <optional>
#include <string>

// The DFT file to open for `name`: the name itself when it ends in
// ".dft", else the name with its extension (if any) replaced by ".dft",
// in the same directory.  When that file does not exist: a warning on
// standard error and none.  When it exists but cannot be read, the file
// of that base name on the search path; none there either ends the run.
std::optional<std::string> sl_check_dft_file(const std::string& name);

// Marks the signal `keyword` (any letter case) of the memory-BIST control
// entries numbered like `instance` ("<prefix>_<number>") as connected,
// and the signal it names on its own control instance too.  Returns the
// connected flag the signal had before (0 or 1); 0 when no entry has the
// signal.  An instance name without "_<number>", or a signal that names
// no instance, ends the run naming the DFT file.
int sl_check_mbist_control_connect(const std::string& instance, const std::string& keyword);
