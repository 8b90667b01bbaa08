// The state of the scan-language object model: the current object, the
// core list, and the process-wide tables that making an object current
// fills from it.
//
// Every DftObject of the run is owned here (NEW_OBJECT_DFT) and lives
// until SCAN_OBJECT_reset_globals; everything else holds plain pointers
// to objects.  The map object of a file is shared by MAP_OBJECT and the
// object's `map_object`.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scanlang/object/dft_object.h"

// The current object and map object (none before any parse).
extern DftObject* DFT_OBJECT;
extern std::shared_ptr<MapObject> MAP_OBJECT;

// The DFT files of the design hierarchy: entry 0 is the top file, the
// mapping of each file appends one entry per core it lists.  Entries are
// never removed; walk it by index, since it grows while it is walked.
extern std::vector<CoreListEntry> SL_CORE_LIST;
// The top node of the DFT tree, and the node DFT_setup made current last.
extern DftTreeNode* SL_TOP_DFT_TREE;
extern DftTreeNode* current_hier_dft_node;

// Tables copied from the current object when it is made current.
extern const std::vector<InstrOrderTabRecord>* INSTR_ORDER_TAB;
extern DynArray<std::string> SCAN_LOCKUP_LATCH_LIST;
extern DynArray<PathEntry> dft_multicycle_pathG;
extern DynArray<PathFileRecord> file_dft_multicycle_pathG;
extern DynArray<TextList> dft_critical_pathG;
extern DynArray<PathEntry> dft_false_pathG;
extern DynArray<PathFileRecord> file_dft_false_pathG;
extern std::optional<GuiInfoRecord> sl_gui_infoG;

// Left by the mapping of the current file: its %HOOKUP list, the last
// LAUNCH and CAPTURE timing blocks, and the don't-fix pairs of its scan
// modules.
extern std::optional<HookupList> sl_hookup_listG;
extern std::optional<SetTimingRecord> Luanch_timingG;
extern std::optional<SetTimingRecord> Capture_timingG;
extern DynArray<DontFixEntry> DONT_FIX_TAB;

// The DFT file being read and the directory (ending in "/") against which
// relative file names are resolved; empty when there is none.
extern std::string dft_file_nameG;
extern std::string current_pathG;

// A new object, owned by the model, with every section none.  Starts the
// process-wide path lists and the GUI record afresh, so nothing of an
// earlier file leaks into the new object.
DftObject* NEW_OBJECT_DFT();
// A new, empty tree node, owned by the model.
DftTreeNode* SL_NEW_SCAN_DFT_PTR();
// A new core-list entry (all none).
inline CoreListEntry NEW_CORE_LIST() { return {}; }
// The last entry of SL_CORE_LIST, or null when it is empty.
CoreListEntry* SL_CORE_LIST_FINAL();

// Releases the current object with everything it owns and unregisters
// it: its core-list entries (as object and as parent), the tree nodes,
// the tables copied from it and every cursor forget it, and DFT_OBJECT is
// none.  Then, when a map object is current, MAP_OBJECT is let go and the
// saved comments are freed.  Objects of other cores stay.  A core whose
// object was released is read again when it is made current.
void free_scan_object();
// Releases the configuration part of the current object (the instruction
// binary, the register length and the FENNOX groups) when it has groups,
// leaving those fields as a new object has them; nothing otherwise.
void sl_free_cfg_only();

// Back to the start-up state: no object, no core list; every object of
// the run is freed.
void SCAN_OBJECT_reset_globals();
