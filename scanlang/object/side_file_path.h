// Where a file named inside a DFT file lies: against the directory of
// the DFT file being read.
#pragma once

#include <string>

// A name beginning with "/" stands as written; one beginning with "~" is
// expanded to the home directory; any other is current_pathG followed by
// the name (as written when there is no current_pathG).  A "~" name whose
// user is unknown stands as written.
std::string resolve_against_current_path(const std::string& name);
