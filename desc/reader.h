// Reading the description files of one design into the description
// tables: the cell library first, then the boundary-scan configuration,
// which names the pin or package files that are read while it is saved.
//
// Use per design:
//     bsdft_init();
//     get_bs_dft_file(library_path, configuration_path, 0);
// then read the tables of tables.h (SCAN_CELL_TAB, BUFFER_TAB, PIN_TABLE,
// INSTRUCTIONS, the pad-role cell names, GLOBAL_TDI ...) and the look-ups
// get_scan_cell, get_tap_cell, get_buffer.  Every error prints its message
// and ends the run with -1; the functions return only on success.
#pragma once

// Empties every description table and value of the previous design and
// creates the tables empty.  Nothing of an earlier design survives: the
// pad-role cell names, the TAP module and instance names, the connection
// table, the package table and type, the %ALLOWED_MULTIPLE names and the
// pin-file name are cleared too (the second program reads one design after
// another in one run).  The hash modulus is a program setting and stays.
void bsdft_init();

// Reads the library, then the configuration (and the pin or package files
// it names) into the tables.  Dump level 0 prints nothing; 1 prints the
// configuration table dump; 2 traces the scanners' tokens and prints both
// syntax trees and the library table dump.
void get_bs_dft_file(const char* library, const char* configuration, int dump);

// Fill the tables from the syntax tree of the last parse (desc::theAST):
// the library's blocks, or the configuration's items.
void save_lib_tab();
void save_dft_tab();

// The debugging dumps of the library tables and of the configuration
// tables, on standard output.
void jsin_dump_lib_tab();
void jsin_dump_dft_tab();

// Reads one pin file alone (list mode) into PIN_TABLE after bsdft_init.
void bscan_get_pin_file_info(const char* path);
