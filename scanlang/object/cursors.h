// Cursor accessors over the current DFT object (DFT_OBJECT) and map
// object (MAP_OBJECT).
//
// Code that writes, dumps or uses the object does not walk its lists
// itself: for each list there is a count function and a selecting
// function that makes item i (from 0) current in a cursor named after the
// list.  A nested list is reached through the cursor of its parent: first
// select a %CONNECT_SCAN chain, then its clocks.
//
// Every selecting function first clears its cursor; for 0 <= i < count it
// then sets it to item i and returns it, otherwise it returns null and the
// cursor stays null.  Counts are 0 when the object, the record or the
// parent cursor is missing.  Cursors keep their item until the next
// selection of the same list; selecting a parent does not clear the
// cursors of its children, and making another object current clears only
// current_connect_scan.  Cursors point into the current object, which
// lives until the model is reset.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "scanlang/object/dft_object.h"

// ------------------------------------------------------------- cursors

extern const ClockPeriodEntry* current_clock;
extern const CoreInfoRecord* current_core_name;
extern const MbistBsdInstructionRecord* current_mbist_bsd_instruction;
extern const SequenceRecord* current_sequence;
extern const InstructionRecord* current_instruction;
extern const InstrOrderTabRecord* current_instr_order_tab;
extern const ConnectScanRecord* current_connect_scan;
extern const SelectRecord* current_scan_select;
extern const ClockRecord* current_scan_clock;
extern const InstancesRecord* current_scan_instances;
extern const InstanceElement* current_scan_instance_element;
extern const GroupListRecord* current_scan_group;
extern const ConnectCoreRecord* current_connect_core;
extern const PortRecord* current_core_scan_port;
extern const ConnectBistRecord* current_connect_bist;
extern const SelectRecord* current_bist_select;
extern const ClockRecord* current_bist_clock;
extern const InstancesRecord* current_bist_instances;
extern const InstanceElement* current_bist_instance_element;
extern const GroupListRecord* current_bist_group;
extern const AtpgScanOptionRecord* current_atpg_scan_opt;
extern const TwoIdent1ListNode* current_illegal_inputs;
extern const TwoIdent1ListNode* current_legal_inputs;
extern const TwoIdent1ListNode* current_gray_code;
extern const PowerListNode* current_power_on_reset;
extern const PowerListNode* current_power_on_set;
extern const TwoIdent1ListNode* current_atpg_ram_read;
extern const TwoIdent1ListNode* current_atpg_ram_write;
extern const TwoIdent1ListNode* current_test_ram_read;
extern const TwoIdent1ListNode* current_test_ram_write;
extern const TaIsolateRecord* current_isolate_mod;
extern const TaIsolateRecord* current_isolate_ram;
extern const TaIsolateRecord* current_isolate_reg;
extern const ScanModuleRecord* sl_current_scan_module;
extern const MapScanRecord* current_map_scan;
extern const MapCellRecord* current_map_cell;
extern const MapGroupRecord* current_map_group;
extern const GroupCellRecord* current_group_cell;
extern const PositionPortRecord* current_connect;
extern const PositionPortRecord* current_disconnect;
// Set by both set_current_r_cell and set_current_tp_cell.
extern std::variant<std::monostate, const RCellRecord*, const TestPointCellRecord*> current_r_cell;

// The sequence list chosen last by set_instruction_sequence (the
// preamble, postamble or extra-sequence list of current_instruction), and
// the count of extra sequences taken from it since set_connect_instr_order.
extern const std::vector<const SequenceRecord*>* current_sequ_list;
extern int extra_seq_index;
// The scan-order table of the current chain (set_SL_LORVISH_PSO_ORDER_TAB).
extern const std::vector<PsoOrderRow>* SL_LORVISH_PSO_ORDER_TAB;
// The file name of the current instance group (set_current_scan_instances_file).
extern std::string sl_currnet_instances_file;

// ------------------------------------------------------ count / select

int SL_clock_period_clock_countG();
const ClockPeriodEntry* set_current_clock(int i);
int SL_core_name_countG();
const CoreInfoRecord* set_current_core_name(int i);
int sl_mbist_bsd_instruction_count();
const MbistBsdInstructionRecord* set_current_mbist_bsd_instruction(int i);
int sequence_count();
const SequenceRecord* set_current_sequence(int i);
int instruction_count();
const InstructionRecord* set_current_instruction(int i);
// The first order-table entry of instruction i.
const InstrOrderTabRecord* set_current_instr_order_tab(int i);

// The chains of %CONNECT_SCAN, through the object's index of them (built
// on first use, each chain once in list order).
int connect_scan_count();
const ConnectScanRecord* set_current_connect_scan(int i);
int scan_select_count();
const SelectRecord* set_current_scan_select(int i);
int scan_clock_count();
const ClockRecord* set_current_scan_clock(int i);
int scan_instances_count();
const InstancesRecord* set_current_scan_instances(int i);
int scan_instance_element_count();
const InstanceElement* set_current_scan_instance_element(int i);
int scan_group_count();
const GroupListRecord* set_current_scan_group(int i);

int connect_core_count();
const ConnectCoreRecord* set_current_connect_core(int i);
int core_scan_port_count();
const PortRecord* set_current_core_scan_port(int i);

int connect_bist_count();
const ConnectBistRecord* set_current_connect_bist(int i);
int bist_select_count();
const SelectRecord* set_current_bist_select(int i);
int bist_clock_count();
const ClockRecord* set_current_bist_clock(int i);
int bist_instances_count();
const InstancesRecord* set_current_bist_instances(int i);
int bist_instance_element_count();
const InstanceElement* set_current_bist_instance_element(int i);
int bist_group_count();
const GroupListRecord* set_current_bist_group(int i);

int atpg_scan_opt_count();
const AtpgScanOptionRecord* set_current_atpg_scan_opt(int i);
int illegal_inputs_count();
const TwoIdent1ListNode* set_current_illegal_inputs(int i);
int legal_inputs_count();
const TwoIdent1ListNode* set_current_legal_inputs(int i);
int gray_code_count();
const TwoIdent1ListNode* set_current_gray_code(int i);
int power_on_reset_count();
const PowerListNode* set_current_power_on_reset(int i);
int power_on_set_count();
const PowerListNode* set_current_power_on_set(int i);
int atpg_ram_read_count();
const TwoIdent1ListNode* set_current_atpg_ram_read(int i);
int atpg_ram_write_count();
const TwoIdent1ListNode* set_current_atpg_ram_write(int i);
// With 0 <= i < legal_inputs_count(): COMBINE_LEGAL becomes the option's
// combined legal list and the result is the statements that its entry i
// was merged from (null past its end).  Out of range: null, and
// COMBINE_LEGAL is left alone.
const std::vector<TwoIdentListRecord>* set_original_legal_inputs(int i);

int test_ram_read_count();
const TwoIdent1ListNode* set_current_test_ram_read(int i);
int test_ram_write_count();
const TwoIdent1ListNode* set_current_test_ram_write(int i);

int scan_isolate_mod_count();
const TaIsolateRecord* scan_set_current_isolate_mod(int i);
int scan_isolate_ram_count();
const TaIsolateRecord* scan_set_current_isolate_ram(int i);
int scan_isolate_reg_count();
const TaIsolateRecord* scan_set_current_isolate_reg(int i);

int sl_scan_module_count();
const ScanModuleRecord* sl_set_current_scan_module(int i);

int map_scan_count();
const MapScanRecord* set_current_map_scan(int i);
int map_cell_count();
const MapCellRecord* set_current_map_cell(int i);
int map_group_count();
const MapGroupRecord* set_current_map_group(int i);
int group_cell_count();
const GroupCellRecord* set_current_group_cell(int i);
int connect_count();
const PositionPortRecord* set_current_connect(int i);
int disconnect_count();
const PositionPortRecord* set_current_disconnect(int i);
int r_cell_count();
const RCellRecord* set_current_r_cell(int i);
int tp_cell_count();
const TestPointCellRecord* set_current_tp_cell(int i);

// ---------------------------------------------- instruction sequences

// Slots of set_instruction_sequence.
enum InstructionSlot : int {
    SLOT_PREAMBLE = 0,   // the preamble list
    SLOT_SHIFT = 1,
    SLOT_EXTRA = 2,      // the next extra sequence
    SLOT_PROPAGATE = 3,
    SLOT_HOLD = 4,
    SLOT_RUNBIST = 5,
    SLOT_CAPTURE = 6,
    SLOT_RAM_WRITE = 7,
    SLOT_POSTAMBLE = 8,  // the postamble list
};

// Makes the sequence in `slot` of current_instruction current and returns
// it.  The preamble and postamble slots choose their list as
// current_sequ_list and take its first sequence; the extra slot counts
// extra_seq_index up and takes that extra sequence (the first after
// set_connect_instr_order).  Null without an instruction or outside the
// slots.
const SequenceRecord* set_instruction_sequence(int slot);
// The sequences of current_sequ_list: count, and select item j.
int preamble_count();
int postamble_count();
const SequenceRecord* set_current_preamble(int j);
const SequenceRecord* set_current_postamble(int j);
// The extra sequences of current_instruction: up to the first undefined one.
int extra_seq_count();
// Starts the walk of current_instruction's steps: extra_seq_index 0 and
// current_instr_order_tab on its first order entry (null if none).
void set_connect_instr_order();
// From current_instr_order_tab on, the entries of the same instruction
// whose step is not a MODE step.
int instr_seq_count();

// ------------------------------------------------------- scan order

// SL_LORVISH_PSO_ORDER_TAB = the scan-order table of current_connect_scan.
void set_SL_LORVISH_PSO_ORDER_TAB();
int scan_lorvish_instance_element_count();
// The scan type of row i (0 out of range).
int sl_get_lorvish_pso_scan_type(int i);
// current_scan_instance_element = the element of row i (null out of range).
const InstanceElement* set_current_scan_lorvish_instance_element(int i);

// The file of the current instance group, behind the current object's
// directory when it has one; empty without a group, name or object.
const std::string& set_current_scan_instances_file();

// Sets the number of %CONNECT_SCAN chains of the current object to n:
// fresh chains are added at the end, chains beyond n are dropped; the
// index is dropped and current_connect_scan cleared.  Returns the object.
DftObject* sl_modify_connect_scanG(int n);

// Clears every cursor.
void SCAN_CURSOR_reset_globals();
