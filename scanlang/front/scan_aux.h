// Reading a map file on its own, and cell look-ups straight from the map
// tree (themapAST).
#pragma once

#include <optional>
#include <string>

// Parses one map file into themapAST; 0 on success, 1 (with a message on
// standard error) when it cannot be opened.  No object is built.
int scan_map(const std::string& file);

// The scan-in port of the map cell whose design-side name is `cell`.
std::optional<std::string> scan_map_get_si(const std::string& cell);
// The value listed for `name` in the first list of the %REPAIR_CELL block.
std::optional<std::string> scan_get_repair_cell(const std::string& name);
// The pin named `name` of the repair cell "MUX".
std::optional<std::string> scan_get_repair_cell_mux(const std::string& name);
