// The entry through which the rest of the system reads a DFT description:
// the top DFT file, the map and lockup-latch files it names and, for the
// hierarchical flow, the DFT file of every core it lists (and of their
// cores), each turned into its DftObject; the top object is current at
// the end.  Also the resets of one parse run.
#pragma once

// The debug switch of the run: the trees are printed at its end.
extern int DEBUG_FLAG;
// 1 when the DFT file names a lockup-latch file (reset per parse).
extern int has_lockup_file;
// The decoder form flags of the three control ports, kept with the
// new_decoder_* flags of the parser.
extern int new_decoder_control_port_1, new_decoder_control_port_2, new_decoder_control_port_3;

// Kinds of calling tool (scan_lang_Option_type).
inline constexpr int SCAN_TOOL_ATPG = 1, SCAN_TOOL_DEFAULT = 2, SCAN_TOOL_PADRIL = 4, SCAN_TOOL_JUNNARD = 5,
                     SCAN_TOOL_HIER_DFT = 6;
// The kind of a tool name ("atpg", "mirdale", "lorvish", "padril",
// "atpg_kr", "junnard", "hier_dft", letter case ignored); any other name
// is the default kind.
int scan_tool_kind(const char* tool);

// Reads `file` and everything it names (see above).  `file` without a
// directory is "<base>.dft" in the working directory; with one it is
// opened as written.  With the tool "hier_dft" every core listed is read
// too, breadth first.  Returns 1 when a file of the run gave a warning,
// else 0; every error ends the run.
int scan_interface(const char* file, int debug, const char* tool);

// Resets the state of one parse: no warning, no map or lockup-latch file,
// no current or map object, the decoder flags and their source lines, a
// fresh keyword table and an empty lockup-latch list.
void initial_scan();
// Back to the start-up state: no debug switch, no lockup-latch file, the
// decoder flags of the control ports 0.
void SCAN_ENTRY_reset_globals();
// Returns the whole scan language to its start-up state: the front end,
// the entry, the cursors and the objects.
void SCANLANG_reset_globals();
// Ends a parse run: the log is closed (and removed when the run made it),
// the warning flag cleared.
void close_scan();
