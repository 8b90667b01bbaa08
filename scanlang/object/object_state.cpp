// The current object, the core list and the tables copied from the
// current object.
#include "scanlang/object/object_state.h"

DftObject* DFT_OBJECT = nullptr;
std::shared_ptr<MapObject> MAP_OBJECT;
std::vector<CoreListEntry> SL_CORE_LIST;
DftTreeNode* SL_TOP_DFT_TREE = nullptr;
DftTreeNode* current_hier_dft_node = nullptr;

const std::vector<InstrOrderTabRecord>* INSTR_ORDER_TAB = nullptr;
DynArray<std::string> SCAN_LOCKUP_LATCH_LIST;
DynArray<PathEntry> dft_multicycle_pathG;
DynArray<PathFileRecord> file_dft_multicycle_pathG;
DynArray<TextList> dft_critical_pathG;
DynArray<PathEntry> dft_false_pathG;
DynArray<PathFileRecord> file_dft_false_pathG;
std::optional<GuiInfoRecord> sl_gui_infoG;

std::optional<HookupList> sl_hookup_listG;
std::optional<SetTimingRecord> Luanch_timingG;
std::optional<SetTimingRecord> Capture_timingG;
DynArray<DontFixEntry> DONT_FIX_TAB;

std::string dft_file_nameG;
std::string current_pathG;

namespace {

// Every object and tree node of the run.
std::vector<std::unique_ptr<DftObject>> objects;
std::vector<std::unique_ptr<DftTreeNode>> tree_nodes;

}  // namespace

DftObject* NEW_OBJECT_DFT() {
    objects.push_back(std::make_unique<DftObject>());
    dft_multicycle_pathG.reset();
    file_dft_multicycle_pathG.reset();
    dft_critical_pathG.reset();
    dft_false_pathG.reset();
    file_dft_false_pathG.reset();
    sl_gui_infoG.reset();
    return objects.back().get();
}

DftTreeNode* SL_NEW_SCAN_DFT_PTR() {
    tree_nodes.push_back(std::make_unique<DftTreeNode>());
    return tree_nodes.back().get();
}

CoreListEntry* SL_CORE_LIST_FINAL() { return SL_CORE_LIST.empty() ? nullptr : &SL_CORE_LIST.back(); }

void SCAN_OBJECT_reset_globals() {
    DFT_OBJECT = nullptr;
    MAP_OBJECT.reset();
    SL_CORE_LIST.clear();
    SL_TOP_DFT_TREE = nullptr;
    current_hier_dft_node = nullptr;
    INSTR_ORDER_TAB = nullptr;
    SCAN_LOCKUP_LATCH_LIST.reset();
    dft_multicycle_pathG.reset();
    file_dft_multicycle_pathG.reset();
    dft_critical_pathG.reset();
    dft_false_pathG.reset();
    file_dft_false_pathG.reset();
    sl_gui_infoG.reset();
    sl_hookup_listG.reset();
    Luanch_timingG.reset();
    Capture_timingG.reset();
    DONT_FIX_TAB.reset();
    dft_file_nameG.clear();
    current_pathG.clear();
    objects.clear();
    tree_nodes.clear();
}
