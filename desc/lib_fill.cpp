// The records of the library tables and the record word each library
// item fills.

#include <cstring>

#include "desc/lib.h"
#include "desc/scanner.h"
#include "runtime/str.h"

using desc::DescAstNode;

ScanCellEntry* new_scan_cell(const char* name, int bs_buffer) {
    ScanCellEntry* e = desc_hash_add(&SCAN_CELL_HASH_TAB, name);
    e->name = STR_dup(name);
    e->std_name = DYNA_new<char*>();
    e->order = DYNA_new<char*>();
    e->extra = DYNA_new<char*>();
    e->oe_mode_direction = -1;
    e->bs_buffer = bs_buffer;
    return e;
}

TapCellEntry* new_tap_cell(const char* name) {
    TapCellEntry* e = desc_hash_add(&TAP_CELL_HASH_TAB, name);
    e->name = STR_dup(name);
    e->group_size = -1;
    e->df_group_size = -1;
    return e;
}

BufferEntry* new_buffer(const char* name, int kind) {
    BufferEntry* e = desc_hash_add(&BUFFER_HASH_TAB, name);
    e->name = STR_dup(name);
    e->kind = kind;
    if (name && std::strchr(name, '*')) STR_add(&WILD_CARD_BUF_TAB, name);
    return e;
}

namespace {

// Text of the item's first operand.
const char* operand(const DescAstNode* item) { return item->child ? item->child->text : nullptr; }

// %EXTRA_ n pin: position n (from 1) and the pin.
void fill_extra(char*** list, const DescAstNode* item) {
    const DescAstNode* n = item->child;
    if (!n || !n->sibling) return;
    desc_set_extra(list, desc_decimal(n->text), n->sibling->text);
}

void append_names(char*** list, const DescAstNode* item) {
    for (const DescAstNode* c = item->child; c; c = c->sibling) STR_add(list, c->text);
}

}  // namespace

int lib_fill_scan_cell(ScanCellEntry* cell, const DescAstNode* item) {
    using namespace desc;
    char** slot = nullptr;
    switch (item->kind) {
        case STD_NAME_LIST_NODE: append_names(&cell->std_name, item); return 1;
        case ORDER_LIST_NODE: append_names(&cell->order, item); return 1;
        case EXTRA_NODE: fill_extra(&cell->extra, item); return 1;
        case DATA_IN_NODE: slot = &cell->data_in; break;
        case DATA_OUT_NODE: slot = &cell->data_out; break;
        case SYS_IN_NODE: slot = &cell->sys_in; break;
        case SYS_PIN_NODE: slot = &cell->sys_pin; break;
        case TDI_NODE: slot = &cell->tdi; break;
        case TDO_NODE: slot = &cell->tdo; break;
        case TCK_NODE: slot = &cell->tck; break;
        case BS_HIGHZ_NODE: slot = &cell->highz; break;
        case CLOCK_DR_NODE: slot = &cell->clock_dr; break;
        case SHIFT_DR_NODE: slot = &cell->shift_dr; break;
        case UPDATE_DR_NODE: slot = &cell->update_dr; break;
        case RST_NODE: slot = &cell->rst; break;
        case MODE_1_NODE: slot = &cell->mode1; break;
        case MODE_2_NODE: slot = &cell->mode2; break;
        case MODE_3_NODE: slot = &cell->mode3; break;
        case CONTROL_IN_NODE: slot = &cell->control_in; break;
        case UPDATE_DR_OUT_NODE: slot = &cell->update_dr_out; break;
        case MUX_DATA_IN_NODE: slot = &cell->mux_data_in; break;
        case OE_MODE_NODE: slot = &cell->oe_mode; break;
        case EN_L_NODE: slot = &cell->en_l; break;
        case EN_H_NODE: slot = &cell->en_h; break;
        default: return 0;
    }
    desc_set_text(slot, operand(item));
    return 1;
}

int lib_fill_tap_cell(TapCellEntry* tap, const DescAstNode* item) {
    using namespace desc;
    char** slot = nullptr;
    switch (item->kind) {
        case GROUP_SIZE_NODE: tap->group_size = desc_decimal(operand(item)); return 1;
        case DF_GROUP_SIZE_NODE: tap->df_group_size = desc_decimal(operand(item)); return 1;
        case EXTRA_NODE: fill_extra(&tap->extra, item); return 1;
        case INSTANCE_NAME_NODE: slot = &tap->instance_name; break;
        case HIGHZ_COMMAND_NODE: slot = &tap->highz_command; break;
        case GROUP_METHOD_NODE: slot = &tap->group_method; break;
        case SIGNAL_BUFFER_NODE: slot = &tap->signal_buffer; break;
        case DF_SIGNAL_BUFFER_NODE: slot = &tap->df_signal_buffer; break;
        case INV_BUFFER_NODE: slot = &tap->inv_buffer; break;
        case TDI_NODE: slot = &tap->tdi; break;
        case TDO_NODE: slot = &tap->tdo; break;
        case TDO_EN_NODE: slot = &tap->tdo_en; break;
        case TMS_NODE: slot = &tap->tms; break;
        case TCK_NODE: slot = &tap->tck; break;
        case TRST_NODE: slot = &tap->trst; break;
        case LASTTDO_NODE: slot = &tap->lasttdo; break;
        case CLOCK_DR_NODE: slot = &tap->clock_dr; break;
        case SHIFT_DR_NODE: slot = &tap->shift_dr; break;
        case UPDATE_DR_NODE: slot = &tap->update_dr; break;
        case MODE_1_NODE: slot = &tap->mode1; break;
        case MODE_2_NODE: slot = &tap->mode2; break;
        case MODE_3_NODE: slot = &tap->mode3; break;
        case FIRST_BCELL_NODE: slot = &tap->first_bcell; break;
        case LAST_BCELL_NODE: slot = &tap->last_bcell; break;
        case TAP_RESET_NODE: slot = &tap->tap_reset; break;
        default: return 0;
    }
    desc_set_text(slot, operand(item));
    return 1;
}

int lib_fill_buffer(BufferEntry* buffer, const DescAstNode* item) {
    using namespace desc;
    char** slot = nullptr;
    switch (item->kind) {
        case WEAK_0_NODE: buffer->weak_0 = 1; return 1;
        case WEAK_1_NODE: buffer->weak_1 = 1; return 1;
        case PULL_0_NODE: buffer->pull_0 = 1; return 1;
        case PULL_1_NODE: buffer->pull_1 = 1; return 1;
        case KEEPER_NODE: buffer->keeper = 1; return 1;
        case FUNCTION_NODE: slot = &buffer->function; break;
        case INOUT_NODE: slot = &buffer->inout; break;
        case INPUT_NODE:
        case INPUT_P_NODE: slot = &buffer->input; break;
        case OUTPUT_NODE:
        case OUTPUT_P_NODE: slot = &buffer->output; break;
        case INPUT_M_NODE: slot = &buffer->input_m; break;
        case OUTPUT_M_NODE: slot = &buffer->output_m; break;
        case EN_L_NODE: slot = &buffer->en_l; break;
        case EN_H_NODE: slot = &buffer->en_h; break;
        case MUX_IN1_NODE: slot = &buffer->mux_in1; break;
        case MUX_IN2_NODE: slot = &buffer->mux_in2; break;
        case MUX_IN3_NODE: slot = &buffer->mux_in3; break;
        case MUX_OUT_NODE: slot = &buffer->mux_out; break;
        case MODE_1_NODE: slot = &buffer->mode1; break;
        case MODE_2_NODE: slot = &buffer->mode2; break;
        case MODE_3_NODE: slot = &buffer->mode3; break;
        case BCELL_NODE: slot = &buffer->bcell; break;
        case IN_BCELL_NODE: slot = &buffer->in_bcell; break;
        case OUT_BCELL_NODE: slot = &buffer->out_bcell; break;
        case CONTROL_BCELL_NODE: slot = &buffer->control_bcell; break;
        default: return 0;
    }
    desc_set_text(slot, operand(item));
    return 1;
}
