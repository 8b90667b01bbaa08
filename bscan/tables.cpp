// The insertion tables: their globals, their creation at the start of an
// insertion and their release at the end.
#include <cstdlib>

#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"

PadEntry* OPIN_TAB = nullptr;
ControlCellEntry* CONTROL_TAB = nullptr;
ControlCellEntry* CONTROL_OE_TAB = nullptr;
ScanChainEntry* SCAN_TAB = nullptr;
ControlPinGroup* CONTR_PIN = nullptr;
MultiIoModule* MULTI_IO_TAB = nullptr;
MultiIoHierNode MULTI_IO_HIER = {0, nullptr};

int tdi_pin_indexG = -1, tms_pin_indexG = -1, tck_pin_indexG = -1, trst_pin_indexG = -1, tdo_pin_indexG = -1;

char* BSO_FILE = nullptr;
int PAD_MODULE_EXIST = 0;
int current_multi_io_indexG = -1;
int kest_hier_instance_matchG = -1;
int kest_need_to_add_extra_portG = 0;

namespace {

void free_pad(PadEntry& p) {
    for (char** text : {&p.pin_text, &p.signal, &p.pin_from_core, &p.pin_to_core, &p.core_net, &p.pad_cell,
                        &p.pad_instance, &p.cell_request, &p.suffix})
        bsnames::clear_text(*text);
    bsnames::free_texts(p.modules);
    bsnames::free_texts(p.instances);
}

void free_control_table(ControlCellEntry*& table) {
    if (!table) return;
    for (int i = 0, n = DYNA_count(table); i < n; ++i) {
        bsnames::clear_text(table[i].instance);
        bsnames::clear_text(table[i].net_name);
        bsnames::clear_text(table[i].function);
        bsnames::clear_text(table[i].data_out);
    }
    DYNA_free(&table);
    table = nullptr;
}

void free_hier_children(MultiIoHierNode& node) {
    if (!node.children) return;
    for (int i = 0, n = DYNA_count(node.children); i < n; ++i) free_hier_children(node.children[i]);
    DYNA_free(&node.children);
    node.children = nullptr;
}

}  // namespace

void bs_free_multi_io() {
    if (MULTI_IO_TAB) {
        for (int i = 0, n = DYNA_count(MULTI_IO_TAB); i < n; ++i) {
            MultiIoModule& m = MULTI_IO_TAB[i];
            bsnames::clear_text(m.module);
            bsnames::clear_text(m.instance);
            if (m.pads) DYNA_free(&m.pads);
            for (int k = 0, c = DYNA_count(m.ports); k < c; ++k) std::free(m.ports[k].name);
            if (m.ports) DYNA_free(&m.ports);
            for (int k = 0, c = DYNA_count(m.connects); k < c; ++k) {
                MultiIoConnectItem& item = m.connects[k];
                for (char** t : {&item.instance1, &item.pin1, &item.instance2, &item.pin2}) std::free(*t);
            }
            if (m.connects) DYNA_free(&m.connects);
        }
        DYNA_free(&MULTI_IO_TAB);
        MULTI_IO_TAB = nullptr;
    }
    free_hier_children(MULTI_IO_HIER);
    MULTI_IO_HIER = {0, nullptr};
}

namespace {

void clear_tap_pads() {
    TAP_TDI_PIN_PTR = TAP_TDO_PIN_PTR = TAP_TMS_PIN_PTR = TAP_TCK_PIN_PTR = TAP_TRST_PIN_PTR = nullptr;
    tdi_pin_indexG = tms_pin_indexG = tck_pin_indexG = trst_pin_indexG = tdo_pin_indexG = -1;
}

void free_tables() {
    if (OPIN_TAB) {
        for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) free_pad(OPIN_TAB[i]);
        DYNA_free(&OPIN_TAB);
        OPIN_TAB = nullptr;
    }
    // The TAP pad records point into the pad table.
    TAP_TDI_PIN_PTR = TAP_TDO_PIN_PTR = TAP_TMS_PIN_PTR = TAP_TCK_PIN_PTR = TAP_TRST_PIN_PTR = nullptr;
    if (CONTR_PIN) {
        for (int i = 0, n = DYNA_count(CONTR_PIN); i < n; ++i)
            if (CONTR_PIN[i].keys) DYNA_free(&CONTR_PIN[i].keys);
        DYNA_free(&CONTR_PIN);
        CONTR_PIN = nullptr;
    }
    free_control_table(CONTROL_TAB);
    free_control_table(CONTROL_OE_TAB);
    if (SCAN_TAB) {
        for (int i = 0, n = DYNA_count(SCAN_TAB); i < n; ++i) {
            bsnames::clear_text(SCAN_TAB[i].instance);
            if (SCAN_TAB[i].extra) DYNA_free(&SCAN_TAB[i].extra);
            if (SCAN_TAB[i].on_nets) DYNA_free(&SCAN_TAB[i].on_nets);
        }
        DYNA_free(&SCAN_TAB);
        SCAN_TAB = nullptr;
    }
    bs_control_reset_index();
    bs_scan_tab_reset_state();
    bs_buffer_tree_reset();
}

}  // namespace

void bs_init_insertion_tables() {
    free_tables();
    OPIN_TAB = DYNA_new<PadEntry>();
    CONTROL_TAB = DYNA_new<ControlCellEntry>();
    CONTROL_OE_TAB = DYNA_new<ControlCellEntry>();
    SCAN_TAB = DYNA_new<ScanChainEntry>();
}

void bs_free_insertion_tables() {
    free_tables();
    bs_free_multi_io();
}

void BSCAN_TABLES_reset_globals() {
    bs_free_insertion_tables();
    bs_forget_port_stems();
    clear_tap_pads();
    bsnames::clear_text(BSO_FILE);
    PAD_MODULE_EXIST = 0;
    current_multi_io_indexG = -1;
    kest_hier_instance_matchG = -1;
    kest_need_to_add_extra_portG = 0;
}

void BSCAN_reset_globals() {
    BSCAN_EDIT_reset_globals();
    BSCAN_TABLES_reset_globals();
    KEST_HIER_reset_globals();
    BSCAN_FACTS_reset_globals();
    // The checks' results and the counters; the insertion tables went
    // with BSCAN_TABLES_reset_globals.
    bs_reset_counters();
    TAP_FLAG[TAP_FLAG_HIGHZ] = TAP_FLAG[TAP_FLAG_TDO_ENABLE] = -1;
    if (TAP_FLAG_EXTRA) DYNA_free(&TAP_FLAG_EXTRA);
    TAP_FLAG_EXTRA = nullptr;
    bsnames::free_texts(BUFFER_REPORT);
    if (NEED_EXTRA_PIN) DYNA_free(&NEED_EXTRA_PIN);
    NEED_EXTRA_PIN = nullptr;
    HIZ_FLAG = 0;
    HIZ_BUF = nullptr;
    for (char** text : {&HIZ_BUF_NAME, &INPUT_BUFFER_INPUT, &INPUT_BUFFER_OUTPUT, &OUTPUT_BUFFER_INPUT,
                        &OUTPUT_BUFFER_OUTPUT, &INVERTER_INPUT, &INVERTER_OUTPUT, &SPEC_INPUT_BUFFER_INPUT,
                        &SPEC_INPUT_BUFFER_OUTPUT, &SPEC_OUTPUT_BUFFER_INPUT, &SPEC_OUTPUT_BUFFER_OUTPUT})
        bsnames::clear_text(*text);
}
