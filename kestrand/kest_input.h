// kestrand's input files: the configuration and the cell library found
// along the search path, and the design databases.
#pragma once

// Finds "<top>.bsc" and "<top>.lib" along the search path.
void get_bsc_lib_name();
// Finds the design files, reads the descriptions, splits the TAP path and
// checks the configured scan cells (check_scan_cells); ends the run on a
// fault.  Every input missing or not a regular file is named ("ERROR:
// can't find ..." or "ERROR: <kind> file '<path>' is not a regular
// file.") before the run ends.
void check_necessary_input_file();
