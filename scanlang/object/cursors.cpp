// The cursor accessors over the current DFT and map objects.
#include "scanlang/object/cursors.h"

#include "scanlang/front/legal_inputs.h"
#include "scanlang/object/object_state.h"

const ClockPeriodEntry* current_clock = nullptr;
const CoreInfoRecord* current_core_name = nullptr;
const MbistBsdInstructionRecord* current_mbist_bsd_instruction = nullptr;
const SequenceRecord* current_sequence = nullptr;
const InstructionRecord* current_instruction = nullptr;
const InstrOrderTabRecord* current_instr_order_tab = nullptr;
const ConnectScanRecord* current_connect_scan = nullptr;
const SelectRecord* current_scan_select = nullptr;
const ClockRecord* current_scan_clock = nullptr;
const InstancesRecord* current_scan_instances = nullptr;
const InstanceElement* current_scan_instance_element = nullptr;
const GroupListRecord* current_scan_group = nullptr;
const ConnectCoreRecord* current_connect_core = nullptr;
const PortRecord* current_core_scan_port = nullptr;
const ConnectBistRecord* current_connect_bist = nullptr;
const SelectRecord* current_bist_select = nullptr;
const ClockRecord* current_bist_clock = nullptr;
const InstancesRecord* current_bist_instances = nullptr;
const InstanceElement* current_bist_instance_element = nullptr;
const GroupListRecord* current_bist_group = nullptr;
const AtpgScanOptionRecord* current_atpg_scan_opt = nullptr;
const TwoIdent1ListNode* current_illegal_inputs = nullptr;
const TwoIdent1ListNode* current_legal_inputs = nullptr;
const TwoIdent1ListNode* current_gray_code = nullptr;
const PowerListNode* current_power_on_reset = nullptr;
const PowerListNode* current_power_on_set = nullptr;
const TwoIdent1ListNode* current_atpg_ram_read = nullptr;
const TwoIdent1ListNode* current_atpg_ram_write = nullptr;
const TwoIdent1ListNode* current_test_ram_read = nullptr;
const TwoIdent1ListNode* current_test_ram_write = nullptr;
const TaIsolateRecord* current_isolate_mod = nullptr;
const TaIsolateRecord* current_isolate_ram = nullptr;
const TaIsolateRecord* current_isolate_reg = nullptr;
const ScanModuleRecord* sl_current_scan_module = nullptr;
const MapScanRecord* current_map_scan = nullptr;
const MapCellRecord* current_map_cell = nullptr;
const MapGroupRecord* current_map_group = nullptr;
const GroupCellRecord* current_group_cell = nullptr;
const PositionPortRecord* current_connect = nullptr;
const PositionPortRecord* current_disconnect = nullptr;
std::variant<std::monostate, const RCellRecord*, const TestPointCellRecord*> current_r_cell;

const std::vector<const SequenceRecord*>* current_sequ_list = nullptr;
int extra_seq_index = 0;
const std::vector<PsoOrderRow>* SL_LORVISH_PSO_ORDER_TAB = nullptr;
std::string sl_currnet_instances_file;

namespace {

template <class T>
int count_of(const std::vector<T>* list) {
    return list ? static_cast<int>(list->size()) : 0;
}

template <class T>
int count_of(const std::optional<std::vector<T>>* list) {
    return list && *list ? static_cast<int>((*list)->size()) : 0;
}

// The common selection: clear the cursor, then item i when in range.
template <class T>
const T* select(const std::vector<T>* list, int i, const T*& cursor) {
    cursor = nullptr;
    if (list && i >= 0 && i < static_cast<int>(list->size())) cursor = &(*list)[i];
    return cursor;
}

template <class T>
const T* select(const std::optional<std::vector<T>>* list, int i, const T*& cursor) {
    return select(list && *list ? &**list : static_cast<const std::vector<T>*>(nullptr), i, cursor);
}

// The lists below: null when a link on the way is missing.
const std::vector<ClockPeriodEntry>* clocks() {
    return DFT_OBJECT && DFT_OBJECT->clock_period ? &DFT_OBJECT->clock_period->clocks : nullptr;
}
const std::vector<CoreInfoRecord>* cores() {
    return DFT_OBJECT && DFT_OBJECT->core_section ? &DFT_OBJECT->core_section->cores : nullptr;
}
const std::vector<AtpgScanOptionRecord>* atpg_options() {
    return DFT_OBJECT && DFT_OBJECT->atpg_constraints ? &DFT_OBJECT->atpg_constraints->options : nullptr;
}
const TestConversionRecord* conversion() {
    return DFT_OBJECT && DFT_OBJECT->test_conversion ? &*DFT_OBJECT->test_conversion : nullptr;
}
const TaConstraintsRecord* ta() {
    return DFT_OBJECT && DFT_OBJECT->ta_constraints ? &*DFT_OBJECT->ta_constraints : nullptr;
}
// The object's index of its chains, built once: each chain once, in order.
const std::vector<std::size_t>& connect_scan_index() {
    if (!DFT_OBJECT->connect_scan_index) {
        std::vector<std::size_t> index(DFT_OBJECT->connect_scan.size());
        for (std::size_t k = 0; k < index.size(); ++k) index[k] = k;
        DFT_OBJECT->connect_scan_index = std::move(index);
    }
    return *DFT_OBJECT->connect_scan_index;
}

#define MEMBER_LIST(parent, member) ((parent) ? &(parent)->member : nullptr)

}  // namespace

int SL_clock_period_clock_countG() { return count_of(clocks()); }
const ClockPeriodEntry* set_current_clock(int i) { return select(clocks(), i, current_clock); }
int SL_core_name_countG() { return count_of(cores()); }
const CoreInfoRecord* set_current_core_name(int i) { return select(cores(), i, current_core_name); }
int sl_mbist_bsd_instruction_count() { return count_of(MEMBER_LIST(DFT_OBJECT, mbist_bsd)); }
const MbistBsdInstructionRecord* set_current_mbist_bsd_instruction(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, mbist_bsd), i, current_mbist_bsd_instruction);
}
int sequence_count() { return count_of(MEMBER_LIST(DFT_OBJECT, sequences)); }
const SequenceRecord* set_current_sequence(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, sequences), i, current_sequence);
}
int instruction_count() { return count_of(MEMBER_LIST(DFT_OBJECT, instructions)); }
const InstructionRecord* set_current_instruction(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, instructions), i, current_instruction);
}

const InstrOrderTabRecord* set_current_instr_order_tab(int i) {
    current_instr_order_tab = nullptr;
    if (!INSTR_ORDER_TAB || i < 0 || i >= instruction_count()) return nullptr;
    for (const InstrOrderTabRecord& r : *INSTR_ORDER_TAB)
        if (r.instruction_index == i) return current_instr_order_tab = &r;
    return nullptr;
}

int connect_scan_count() {
    if (!DFT_OBJECT) return 0;
    return DFT_OBJECT->connect_scan_index ? count_of(&*DFT_OBJECT->connect_scan_index)
                                          : count_of(&DFT_OBJECT->connect_scan);
}

const ConnectScanRecord* set_current_connect_scan(int i) {
    current_connect_scan = nullptr;
    if (!DFT_OBJECT) return nullptr;
    const std::vector<std::size_t>& index = connect_scan_index();
    if (i < 0 || i >= static_cast<int>(index.size())) return nullptr;
    return current_connect_scan = &DFT_OBJECT->connect_scan[index[i]];
}

int scan_select_count() { return count_of(MEMBER_LIST(current_connect_scan, scan_selects)); }
const SelectRecord* set_current_scan_select(int i) {
    return select(MEMBER_LIST(current_connect_scan, scan_selects), i, current_scan_select);
}
int scan_clock_count() { return count_of(MEMBER_LIST(current_connect_scan, scan_clocks)); }
const ClockRecord* set_current_scan_clock(int i) {
    return select(MEMBER_LIST(current_connect_scan, scan_clocks), i, current_scan_clock);
}
int scan_instances_count() { return count_of(MEMBER_LIST(current_connect_scan, instances)); }
const InstancesRecord* set_current_scan_instances(int i) {
    return select(MEMBER_LIST(current_connect_scan, instances), i, current_scan_instances);
}
int scan_instance_element_count() { return count_of(MEMBER_LIST(current_scan_instances, elements)); }
const InstanceElement* set_current_scan_instance_element(int i) {
    return select(MEMBER_LIST(current_scan_instances, elements), i, current_scan_instance_element);
}
int scan_group_count() { return count_of(MEMBER_LIST(current_scan_instances, groups)); }
const GroupListRecord* set_current_scan_group(int i) {
    return select(MEMBER_LIST(current_scan_instances, groups), i, current_scan_group);
}

int connect_core_count() { return count_of(MEMBER_LIST(DFT_OBJECT, connect_core)); }
const ConnectCoreRecord* set_current_connect_core(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, connect_core), i, current_connect_core);
}
int core_scan_port_count() { return count_of(MEMBER_LIST(current_connect_core, scan_ports)); }
const PortRecord* set_current_core_scan_port(int i) {
    return select(MEMBER_LIST(current_connect_core, scan_ports), i, current_core_scan_port);
}

int connect_bist_count() { return count_of(MEMBER_LIST(DFT_OBJECT, connect_bist)); }
const ConnectBistRecord* set_current_connect_bist(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, connect_bist), i, current_connect_bist);
}
int bist_select_count() { return count_of(MEMBER_LIST(current_connect_bist, bist_selects)); }
const SelectRecord* set_current_bist_select(int i) {
    return select(MEMBER_LIST(current_connect_bist, bist_selects), i, current_bist_select);
}
int bist_clock_count() { return count_of(MEMBER_LIST(current_connect_bist, bist_clocks)); }
const ClockRecord* set_current_bist_clock(int i) {
    return select(MEMBER_LIST(current_connect_bist, bist_clocks), i, current_bist_clock);
}
int bist_instances_count() { return count_of(MEMBER_LIST(current_connect_bist, instances)); }
const InstancesRecord* set_current_bist_instances(int i) {
    return select(MEMBER_LIST(current_connect_bist, instances), i, current_bist_instances);
}
int bist_instance_element_count() { return count_of(MEMBER_LIST(current_bist_instances, elements)); }
const InstanceElement* set_current_bist_instance_element(int i) {
    return select(MEMBER_LIST(current_bist_instances, elements), i, current_bist_instance_element);
}
int bist_group_count() { return count_of(MEMBER_LIST(current_bist_instances, groups)); }
const GroupListRecord* set_current_bist_group(int i) {
    return select(MEMBER_LIST(current_bist_instances, groups), i, current_bist_group);
}

int atpg_scan_opt_count() { return count_of(atpg_options()); }
const AtpgScanOptionRecord* set_current_atpg_scan_opt(int i) { return select(atpg_options(), i, current_atpg_scan_opt); }
int illegal_inputs_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, illegal_inputs)); }
const TwoIdent1ListNode* set_current_illegal_inputs(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, illegal_inputs), i, current_illegal_inputs);
}
int legal_inputs_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, legal_inputs)); }
const TwoIdent1ListNode* set_current_legal_inputs(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, legal_inputs), i, current_legal_inputs);
}
int gray_code_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, gray_code)); }
const TwoIdent1ListNode* set_current_gray_code(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, gray_code), i, current_gray_code);
}
int power_on_reset_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, power_on_reset)); }
const PowerListNode* set_current_power_on_reset(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, power_on_reset), i, current_power_on_reset);
}
int power_on_set_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, power_on_set)); }
const PowerListNode* set_current_power_on_set(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, power_on_set), i, current_power_on_set);
}
int atpg_ram_read_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, ram_read_list)); }
const TwoIdent1ListNode* set_current_atpg_ram_read(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, ram_read_list), i, current_atpg_ram_read);
}
int atpg_ram_write_count() { return count_of(MEMBER_LIST(current_atpg_scan_opt, ram_write_list)); }
const TwoIdent1ListNode* set_current_atpg_ram_write(int i) {
    return select(MEMBER_LIST(current_atpg_scan_opt, ram_write_list), i, current_atpg_ram_write);
}

const std::vector<TwoIdentListRecord>* set_original_legal_inputs(int i) {
    if (i < 0 || i >= legal_inputs_count()) return nullptr;
    COMBINE_LEGAL = current_atpg_scan_opt->combine_legal;
    if (i >= static_cast<int>(COMBINE_LEGAL.size())) return nullptr;
    return &COMBINE_LEGAL[i].members;
}

int test_ram_read_count() { return count_of(MEMBER_LIST(conversion(), ram_read_list)); }
const TwoIdent1ListNode* set_current_test_ram_read(int i) {
    return select(MEMBER_LIST(conversion(), ram_read_list), i, current_test_ram_read);
}
int test_ram_write_count() { return count_of(MEMBER_LIST(conversion(), ram_write_list)); }
const TwoIdent1ListNode* set_current_test_ram_write(int i) {
    return select(MEMBER_LIST(conversion(), ram_write_list), i, current_test_ram_write);
}

int scan_isolate_mod_count() { return count_of(MEMBER_LIST(ta(), isolate_mod)); }
const TaIsolateRecord* scan_set_current_isolate_mod(int i) {
    return select(MEMBER_LIST(ta(), isolate_mod), i, current_isolate_mod);
}
int scan_isolate_ram_count() { return count_of(MEMBER_LIST(ta(), isolate_ram)); }
const TaIsolateRecord* scan_set_current_isolate_ram(int i) {
    return select(MEMBER_LIST(ta(), isolate_ram), i, current_isolate_ram);
}
int scan_isolate_reg_count() { return count_of(MEMBER_LIST(ta(), isolate_reg)); }
const TaIsolateRecord* scan_set_current_isolate_reg(int i) {
    return select(MEMBER_LIST(ta(), isolate_reg), i, current_isolate_reg);
}

int sl_scan_module_count() { return count_of(MEMBER_LIST(DFT_OBJECT, scan_module)); }
const ScanModuleRecord* sl_set_current_scan_module(int i) {
    return select(MEMBER_LIST(DFT_OBJECT, scan_module), i, sl_current_scan_module);
}

int map_scan_count() { return count_of(MEMBER_LIST(MAP_OBJECT, map_scans)); }
const MapScanRecord* set_current_map_scan(int i) {
    return select(MEMBER_LIST(MAP_OBJECT, map_scans), i, current_map_scan);
}
int map_cell_count() { return count_of(MEMBER_LIST(current_map_scan, map_cells)); }
const MapCellRecord* set_current_map_cell(int i) {
    return select(MEMBER_LIST(current_map_scan, map_cells), i, current_map_cell);
}
int map_group_count() { return count_of(MEMBER_LIST(MAP_OBJECT, map_groups)); }
const MapGroupRecord* set_current_map_group(int i) {
    return select(MEMBER_LIST(MAP_OBJECT, map_groups), i, current_map_group);
}
int group_cell_count() { return count_of(MEMBER_LIST(current_map_group, group_cells)); }
const GroupCellRecord* set_current_group_cell(int i) {
    return select(MEMBER_LIST(current_map_group, group_cells), i, current_group_cell);
}
int connect_count() { return count_of(MEMBER_LIST(current_group_cell, connect)); }
const PositionPortRecord* set_current_connect(int i) {
    return select(MEMBER_LIST(current_group_cell, connect), i, current_connect);
}
int disconnect_count() { return count_of(MEMBER_LIST(current_group_cell, disconnect)); }
const PositionPortRecord* set_current_disconnect(int i) {
    return select(MEMBER_LIST(current_group_cell, disconnect), i, current_disconnect);
}

namespace {
const std::vector<RCellRecord>* r_cells() {
    return MAP_OBJECT && MAP_OBJECT->repair_cell ? &MAP_OBJECT->repair_cell->r_cells : nullptr;
}
}  // namespace

int r_cell_count() { return count_of(r_cells()); }
const RCellRecord* set_current_r_cell(int i) {
    const RCellRecord* cell = nullptr;
    select(r_cells(), i, cell);
    current_r_cell = std::monostate{};
    if (cell) current_r_cell = cell;
    return cell;
}
int tp_cell_count() { return count_of(MEMBER_LIST(MAP_OBJECT, test_point_cells)); }
const TestPointCellRecord* set_current_tp_cell(int i) {
    const TestPointCellRecord* cell = nullptr;
    select(MEMBER_LIST(MAP_OBJECT, test_point_cells), i, cell);
    current_r_cell = std::monostate{};
    if (cell) current_r_cell = cell;
    return cell;
}

// ---------------------------------------------- instruction sequences

const SequenceRecord* set_instruction_sequence(int slot) {
    current_sequence = nullptr;
    const InstructionRecord* in = current_instruction;
    if (!in) return nullptr;
    auto first_of = [](const std::vector<const SequenceRecord*>& list) {
        current_sequ_list = &list;
        return list.empty() ? nullptr : list.front();
    };
    switch (slot) {
    case SLOT_PREAMBLE: current_sequence = first_of(in->preamble_list); break;
    case SLOT_SHIFT: current_sequence = in->shift; break;
    case SLOT_EXTRA:
        ++extra_seq_index;
        current_sequ_list = &in->extra_seq_list;
        if (extra_seq_index <= static_cast<int>(in->extra_seq_list.size()))
            current_sequence = in->extra_seq_list[extra_seq_index - 1];
        break;
    case SLOT_PROPAGATE: current_sequence = in->propagate; break;
    case SLOT_HOLD: current_sequence = in->hold; break;
    case SLOT_RUNBIST: current_sequence = in->runbist; break;
    case SLOT_CAPTURE: current_sequence = in->capture; break;
    case SLOT_RAM_WRITE: current_sequence = in->ram_write; break;
    case SLOT_POSTAMBLE: current_sequence = first_of(in->postamble_list); break;
    default: break;
    }
    return current_sequence;
}

int preamble_count() { return count_of(current_sequ_list); }
int postamble_count() { return count_of(current_sequ_list); }

const SequenceRecord* set_current_preamble(int j) {
    current_sequence = nullptr;
    if (current_sequ_list && j >= 0 && j < static_cast<int>(current_sequ_list->size()))
        current_sequence = (*current_sequ_list)[j];
    return current_sequence;
}
const SequenceRecord* set_current_postamble(int j) { return set_current_preamble(j); }

int extra_seq_count() {
    if (!current_instruction) return 0;
    int n = 0;
    for (const SequenceRecord* s : current_instruction->extra_seq_list) {
        if (!s) break;
        ++n;
    }
    return n;
}

void set_connect_instr_order() {
    extra_seq_index = 0;
    current_instr_order_tab = nullptr;
    if (!DFT_OBJECT || !current_instruction) return;
    const std::vector<InstructionRecord>& list = DFT_OBJECT->instructions;
    for (std::size_t k = 0; k < list.size(); ++k)
        if (&list[k] == current_instruction) {
            set_current_instr_order_tab(static_cast<int>(k));
            return;
        }
}

int instr_seq_count() {
    if (!current_instr_order_tab || !INSTR_ORDER_TAB) return 0;
    const InstrOrderTabRecord* end = INSTR_ORDER_TAB->data() + INSTR_ORDER_TAB->size();
    const InstrOrderTabRecord* r = current_instr_order_tab;
    if (r < INSTR_ORDER_TAB->data() || r >= end) return 0;  // a cursor of another object
    int n = 0;
    for (; r != end && r->instruction_index == current_instr_order_tab->instruction_index; ++r)
        if (r->step_kind > STEP_MODE) ++n;
    return n;
}

// ------------------------------------------------------- scan order

void set_SL_LORVISH_PSO_ORDER_TAB() {
    SL_LORVISH_PSO_ORDER_TAB =
        current_connect_scan && current_connect_scan->pso_order_tab ? &*current_connect_scan->pso_order_tab : nullptr;
}

int scan_lorvish_instance_element_count() { return count_of(SL_LORVISH_PSO_ORDER_TAB); }

int sl_get_lorvish_pso_scan_type(int i) {
    if (i < 0 || i >= scan_lorvish_instance_element_count()) return 0;
    return (*SL_LORVISH_PSO_ORDER_TAB)[i].scan_type;
}

const InstanceElement* set_current_scan_lorvish_instance_element(int i) {
    current_scan_instance_element = nullptr;
    if (i >= 0 && i < scan_lorvish_instance_element_count())
        current_scan_instance_element = &(*SL_LORVISH_PSO_ORDER_TAB)[i].element;
    return current_scan_instance_element;
}

const std::string& set_current_scan_instances_file() {
    sl_currnet_instances_file.clear();
    if (!DFT_OBJECT || !current_scan_instances || current_scan_instances->file_name.empty())
        return sl_currnet_instances_file;
    sl_currnet_instances_file = DFT_OBJECT->dft_file_dir + current_scan_instances->file_name;
    return sl_currnet_instances_file;
}

DftObject* sl_modify_connect_scanG(int n) {
    if (!DFT_OBJECT) return nullptr;
    if (n < 0) n = 0;
    // Cursors into the chains are dropped before the chains move.
    current_connect_scan = nullptr;
    current_scan_select = nullptr;
    current_scan_clock = nullptr;
    current_scan_instances = nullptr;
    current_scan_instance_element = nullptr;
    current_scan_group = nullptr;
    SL_LORVISH_PSO_ORDER_TAB = nullptr;
    DFT_OBJECT->connect_scan.resize(static_cast<std::size_t>(n));
    DFT_OBJECT->connect_scan_index.reset();
    return DFT_OBJECT;
}

void SCAN_CURSOR_reset_globals() {
    current_clock = nullptr;
    current_core_name = nullptr;
    current_mbist_bsd_instruction = nullptr;
    current_sequence = nullptr;
    current_instruction = nullptr;
    current_instr_order_tab = nullptr;
    current_connect_scan = nullptr;
    current_scan_select = nullptr;
    current_scan_clock = nullptr;
    current_scan_instances = nullptr;
    current_scan_instance_element = nullptr;
    current_scan_group = nullptr;
    current_connect_core = nullptr;
    current_core_scan_port = nullptr;
    current_connect_bist = nullptr;
    current_bist_select = nullptr;
    current_bist_clock = nullptr;
    current_bist_instances = nullptr;
    current_bist_instance_element = nullptr;
    current_bist_group = nullptr;
    current_atpg_scan_opt = nullptr;
    current_illegal_inputs = nullptr;
    current_legal_inputs = nullptr;
    current_gray_code = nullptr;
    current_power_on_reset = nullptr;
    current_power_on_set = nullptr;
    current_atpg_ram_read = nullptr;
    current_atpg_ram_write = nullptr;
    current_test_ram_read = nullptr;
    current_test_ram_write = nullptr;
    current_isolate_mod = nullptr;
    current_isolate_ram = nullptr;
    current_isolate_reg = nullptr;
    sl_current_scan_module = nullptr;
    current_map_scan = nullptr;
    current_map_cell = nullptr;
    current_map_group = nullptr;
    current_group_cell = nullptr;
    current_connect = nullptr;
    current_disconnect = nullptr;
    current_r_cell = std::monostate{};
    current_sequ_list = nullptr;
    extra_seq_index = 0;
    SL_LORVISH_PSO_ORDER_TAB = nullptr;
    sl_currnet_instances_file.clear();
}
