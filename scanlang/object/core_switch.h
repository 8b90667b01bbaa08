// The current object and the switching between the objects of a design
// and its cores.
//
// A design with cores has one DftObject per DFT file: the top file's and
// one per core file that a %CORE entry names.  SL_CORE_LIST is the
// registry: one entry per core name (entry 0 the top file), holding the
// core's object once its file is read.  A file is read at most once per
// run: a core whose file resolves to the same file as one already read
// (the same canonical path) shares that object.
//
// Making an object current sets DFT_OBJECT and copies its tables into the
// process-wide globals that the cursors, the dump and the writer read
// (INSTR_ORDER_TAB, SCAN_LOCKUP_LATCH_LIST, the path lists, the decoder
// form flags, current_pathG, sl_gui_infoG), points MAP_OBJECT at the
// object's own map object and clears current_connect_scan.  When the
// object has no scan decoder, the decoder flags keep their values.
#pragma once

#include <string>

#include "scanlang/object/dft_object.h"

// Makes the node's object current (the node itself is SL_TOP_DFT_TREE as
// a rule).  1, or 0 when the node or its object is none (nothing
// changes).  The object's connect-scan index is kept.
int DFT_setup(DftTreeNode* node);

// Makes the object of the core named `core_name` (letter case ignored;
// the first entry of SL_CORE_LIST wins) current, reading its DFT file on
// first use, and drops the object's connect-scan index.  1; a name that no
// entry has is reported as a warning and gives 0 (nothing changes).
int DFT_inst_setup(const char* core_name);

// Makes the object read from the DFT file `name` current, parsing and
// mapping the file (and its map file) unless a registered object came
// from it.  Relative names are resolved against current_pathG, which is
// back as it was when this returns.  1; 0 for an empty name.  The new
// object is not registered: the caller stores DFT_OBJECT in its entry.
// A file that cannot be opened is error 0, a file without anything of a
// DFT file ends the run as an empty file.  The file's messages name it as
// it is opened (the resolved path).
int sl_find_and_parser_dft_file(const char* name);

// Reads the DFT file of SL_CORE_LIST entry `index` (or finds its object)
// and stores the object in the entry.  A core whose file is the file of
// the core itself or of a core that contains it ends the run: the cores
// would contain one another without end.
void sl_read_core_entry(std::size_t index);

// Appends the names of the lockup-latch file parsed last (thelockupAST)
// to SCAN_LOCKUP_LATCH_LIST and stores that list in the current object;
// nothing without a lockup-latch tree.
void build_lockup_latch_list();

// The path a side file named `name` in the current DFT file is opened
// at: "/..." as written, "~..." expanded to the home directory, anything
// else behind current_pathG ("dir/" + name; as written without one).
std::string sl_resolve_file(const std::string& name);

// Reads the map file named by the DFT file just parsed (its tree becomes
// the map tree), keeping that DFT file's tree for the mapping.
void sl_parse_map_file();

// "ERROR : The dft file '<name>' is empty." on standard output, and the
// run ends: the file gave no DFT description.
[[noreturn]] void report_empty_dft_file(const std::string& name);
