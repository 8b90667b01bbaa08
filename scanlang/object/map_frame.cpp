// The frame of the mapping: the fixed order of the sections.
#include "scanlang/object/map_frame.h"
#include "scanlang/object/readers.h"

#include "scanlang/front/parser.h"
#include "scanlang/object/object_state.h"

namespace {

struct SectionMapping {
    int kind;  // the section's node kind among the root's children
    void (*map)(const ScanAstNode* section);
};

// The sections in mapping order.  %INSTRUCTION is read twice: for the
// instructions, then for their steps.
constexpr SectionMapping kSectionOrder[] = {
    {SELECT_SCAN_NODE, map_select_scan},
    {PORT_INFO_NODE, map_port_info},
    {SCAN_IN_LIST_NODE, map_scan_in_list},
    {CORE_NO_SCAN, map_core_no_scan},
    {SCAN_OUT_LIST_NODE, map_scan_out_list},
    {GUI_NODE, map_gui},
    {CAPTURE_CLOCK_NODE, map_capture_clock},
    {HOOKUP_NODE, map_hookup},
    {MULTICYCLE_PATH_NODE, map_multicycle_path},
    {CRITICAL_PATH_NODE, map_critical_path},
    {FALSE_PATH_NODE, map_false_path},
    {NONTPI_INSTANCE_NODE, map_nontpi_instance},
    {CLOCK_PERIOD_NODE, map_clock_period},
    {TEST_FILES_NODE, map_test_files},
    {TOP_MODULE_NODE, map_top_module},
    {MBIST_CONSTRAINTS_NODE, map_mbist_control},
    {SCAN_DECODER_NODE, map_scan_decoder},
    {SEQUENCE_LIST_NODE, map_sequences},
    {TEST_SCHEDULE_LIST_NODE, map_test_schedule},
    {TEST_SESSION_LIST_NODE, map_test_session},
    {TEST_ARCHITECTURE_LIST_NODE, map_test_architecture},
    {CORE_LIST_NODE, map_cores},
    {WRAPPER_NODE, map_wrapper},
    {GRISTEL_INFO_NODE, map_gristel_info},
    {DEF_INFO_NODE, map_def_info},
    {MBIST_BSD_NODE, map_mbist_bsd},
    {INSTRUCTION_LIST_NODE, map_instructions},
    {INSTRUCTION_LIST_NODE, map_instr_order_tab},
    {PLL_CLOCK_FIX_LIST_NODE, map_pll_clock_fix},
    {PLL_LIST_NODE, map_pll},
    {BLACKBOX_LIST_NODE, map_blackbox},
    {READ_MAP_NODE, map_read_map},
    {LOCKUP_LATCH_FILE_NODE, map_lockup_latch_file},
    {MODIFY_CMD_NODE, map_modify_cmd},
    {SCAN_REPAIR_NODE, map_scan_repair},
    {CONNECT_SCAN_LIST_NODE, map_connect_scan},
    {CONNECT_CORE_LIST_NODE, map_connect_core},
    {CONNECT_BIST_LIST_NODE, map_connect_bist},
    {ATPG_CONSTAINTS_NODE, map_atpg_constraints},
    {SELECT_FAULT_NODE, map_select_fault},
    {TEST_CONVERSION_NODE, map_test_conversion},
    {TA_CONSTRAINTS_NODE, map_ta_constraints},
    {FENNOX_INFO_LIST_NODE, map_fennox_info},
    {CIPHERTEXT_NODE, map_ciphertext},
    {CFG_INSTRUCTION_BINARY_NODE, map_instruction_binary},
    {CFG_REGISTER_LENGTH_NODE, map_register_length},
    {CFG_FENNOX_IN_LIST_NODE, map_fennox_in_groups},
    {CFG_FENNOX_OUT_LIST_NODE, map_fennox_out_groups},
    {SCAN_MODULE_LIST_NODE, map_scan_module},
};

}  // namespace

void MAP_AST_2_OBJECT() {
    DftObject* built = nullptr;
    if (thedftAST) {
        built = NEW_OBJECT_DFT();
        built->dft_file_name = dft_file_nameG;
        built->dft_file_dir = current_pathG;
        DFT_OBJECT = built;
        for (const SectionMapping& s : kSectionOrder) s.map(SCAN_FIND_AST(thedftAST->child, s.kind));
        map_core_list();
    }
    std::shared_ptr<MapObject> map;
    if (themapAST) MAP_OBJECT = map = map_map_file(themapAST);
    // The object keeps the map object of its own file only (none when the
    // file names no map file); without a DFT tree the map object stays in
    // MAP_OBJECT alone.
    if (built) built->map_object = map;
    // Each object keeps the comments of its own file (those of the side
    // files read meanwhile went to tables of their own).
    if (built) built->comments = scan_take_comment_tab();
}
