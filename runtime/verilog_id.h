// Verilog identifiers for names that come from a design or a description
// and are written into a Verilog text.
//
// A name that is a legal simple identifier of Verilog-2005 (a letter or
// "_", then letters, digits, "_" and "$") and no reserved word is written
// as it is; any other name as an escaped identifier: a backslash, the
// name, and the blank that ends it ("\-chip9 ").  Every Verilog reader
// takes the escaped identifier of a name as that name.  White space and
// control characters, which an escaped identifier cannot hold, become "_".
#pragma once

#include <string>
#include <string_view>

// True when the name can be written as it is.
bool VLOG_simple_id(std::string_view name);
// The name as it is written: itself, or its escaped identifier.
std::string VLOG_id(std::string_view name);
