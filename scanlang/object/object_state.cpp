// The current object, the core list and the tables copied from the
// current object.
#include "scanlang/object/object_state.h"

#include <algorithm>

#include "scanlang/front/scanner.h"
#include "scanlang/object/cursors.h"

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

// The path and GUI tables that a new object starts without and that the
// current object's tables are copied into.
void reset_path_and_gui_tables() {
    dft_multicycle_pathG.reset();
    file_dft_multicycle_pathG.reset();
    dft_critical_pathG.reset();
    dft_false_pathG.reset();
    file_dft_false_pathG.reset();
    sl_gui_infoG.reset();
}

}  // namespace

DftObject* NEW_OBJECT_DFT() {
    objects.push_back(std::make_unique<DftObject>());
    reset_path_and_gui_tables();
    return objects.back().get();
}

DftTreeNode* SL_NEW_SCAN_DFT_PTR() {
    tree_nodes.push_back(std::make_unique<DftTreeNode>());
    return tree_nodes.back().get();
}

namespace {

// The tables copied from the current object when it was made current.
void reset_copied_tables() {
    SCAN_LOCKUP_LATCH_LIST.reset();
    reset_path_and_gui_tables();
}

}  // namespace

CoreListEntry* SL_CORE_LIST_FINAL() { return SL_CORE_LIST.empty() ? nullptr : &SL_CORE_LIST.back(); }

void free_scan_object() {
    if (DftObject* gone = DFT_OBJECT) {
        for (CoreListEntry& e : SL_CORE_LIST) {
            if (e.object == gone) e.object = nullptr;
            if (e.parent == gone) e.parent = nullptr;
        }
        for (const std::unique_ptr<DftTreeNode>& node : tree_nodes)
            if (node->object == gone) node->object = nullptr;
        if (INSTR_ORDER_TAB == &gone->instr_order_tab) INSTR_ORDER_TAB = nullptr;
        reset_copied_tables();
        SCAN_CURSOR_reset_globals();
        DFT_OBJECT = nullptr;
        const auto owned = std::find_if(objects.begin(), objects.end(),
                                        [gone](const std::unique_ptr<DftObject>& o) { return o.get() == gone; });
        if (owned != objects.end()) objects.erase(owned);
    }
    if (!MAP_OBJECT) return;
    // The map cursors point into the map object.
    SCAN_CURSOR_reset_globals();
    MAP_OBJECT.reset();
    scan_free_comment_tab();
}

void sl_free_cfg_only() {
    if (!DFT_OBJECT || (!DFT_OBJECT->fennox_in_groups && !DFT_OBJECT->fennox_out_groups)) return;
    DFT_OBJECT->instruction_binary.clear();
    DFT_OBJECT->register_length = -1;
    DFT_OBJECT->fennox_in_groups.reset();
    DFT_OBJECT->fennox_out_groups.reset();
    DFT_OBJECT->fennox_groups_decoded = false;
}

void SCAN_OBJECT_reset_globals() {
    DFT_OBJECT = nullptr;
    MAP_OBJECT.reset();
    SL_CORE_LIST.clear();
    SL_TOP_DFT_TREE = nullptr;
    current_hier_dft_node = nullptr;
    INSTR_ORDER_TAB = nullptr;
    reset_copied_tables();
    sl_hookup_listG.reset();
    Luanch_timingG.reset();
    Capture_timingG.reset();
    DONT_FIX_TAB.reset();
    dft_file_nameG.clear();
    current_pathG.clear();
    objects.clear();
    tree_nodes.clear();
}
