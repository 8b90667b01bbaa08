// The insertion report: the ports and TAP pins used (with -add_tap), the
// boundary cells added per kind with their pins, and the buffer levels of
// the control-signal trees, printed to the screen and the report file.
#pragma once

struct ScanCellEntry;

// The whole report of the insertion just made.
void print_report();
// The pins of one boundary cell, as the report lists them.
void print_various_scan_cell(const ScanCellEntry* cell);
