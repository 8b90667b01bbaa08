// Mapping of the sections: PLL clock fixes, PLLs and blackboxes.
//
// Every value is the text of the first child of the node named; a name
// list is the texts of the children of the node's first child.  Each
// array is made on its first element.
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

template <class T>
T& append(DynArray<T>& array) {
    if (!array) array.emplace();
    return array->emplace_back();
}

// Appends the names of a list statement to `names`.
void append_names(DynArray<std::string>& names, const ScanAstNode* statement) {
    const ScanAstNode* first = statement->child;
    append_texts(names, first && first->kind == IDENT_LIST_NODE ? first->child : first);
}

// ------------------------------------------------------------ clock fixes

// The kinds of fix, in the order of their codes 1 to 6.
constexpr int kFixKinds[] = {
    EXTERNAL_PLL_IN_CLOCK_NODE,
    FIX_EXTERNAL_PLL_IN_AND_SCAN_CLOCK_NODE,
    INTERNAL_PLL_IN_CLOCK_NODE,
    FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK_NODE,
    FIX_INTERNAL_PLL_IN_AND_EXTERNAL_SCAN_CLOCK_NODE,
    FIX_INTERNAL_PLL_OUT_AND_SCAN_CLOCK_NODE,
};

int fix_kind(int node_kind) {
    for (int i = 0; i < 6; ++i)
        if (kFixKinds[i] == node_kind) return i + 1;
    return 0;
}

// One field of a fix: the node it comes from and the fix kinds that take
// it (bit k for kind k).  Each kind takes every statement its form
// accepts, so nothing a fix states is lost.
struct FixField {
    int node_kind;
    unsigned kinds;
    std::string PllClockFixItem::*field;
};

constexpr unsigned K(int k) { return 1u << k; }

const FixField kFixFields[] = {
    {PLL_CLOCK_INPORT_NODE, K(2) | K(3) | K(4) | K(5), &PllClockFixItem::pll_clock_inport},
    {PLL_CLOCK_OUTPORT_NODE, K(6), &PllClockFixItem::pll_clock_outport},
    {FROM_INTERNAL_PLL_CLOCK_WIRE_NODE, K(3), &PllClockFixItem::from_internal_pll_clock_wire},
    {FROM_INTERNAL_SCAN_CLOCK_WIRE_NODE, K(4), &PllClockFixItem::from_internal_scan_clock_wire},
    {FROM_EXTERNAL_PLL_CLOCK_INPORT_NODE, K(1), &PllClockFixItem::from_external_pll_clock_inport},
    {FROM_EXTERNAL_SCAN_CLOCK_INPORT_NODE, K(2) | K(5), &PllClockFixItem::from_external_scan_clock_inport},
    {FROM_CLOCK_GENERATOR_NODE, K(4), &PllClockFixItem::from_clock_generator},
    {FROM_CLOCK_GENERATOR_OUTPORT_NODE, K(4), &PllClockFixItem::from_clock_generator_outport},
    {NEW_INTERNAL_PLL_CLOCK_WIRE_NODE, K(4) | K(6), &PllClockFixItem::new_internal_pll_clock_wire},
    {NEW_EXTERNAL_PLL_CLOCK_INPORT_NODE, K(2) | K(5), &PllClockFixItem::new_external_pll_clock_inport},
    {NEW_SCAN_CLOCK_ENABLE_INPORT_NODE, K(4) | K(6), &PllClockFixItem::new_scan_clock_enable_inport},
    {NEW_LBIST_DOMAIN_CLOCK_OUTPORT_NODE, K(4) | K(6), &PllClockFixItem::new_lbist_domain_clock_outport},
    {THROUGH_CLOCK_GENERATOR_NODE, K(5), &PllClockFixItem::through_clock_generator},
    {THROUGH_CLOCK_GENERATOR_INPORT_NODE, K(5), &PllClockFixItem::through_clock_generator_inport},
    {DRIVE_CLOCK_WIRE_NODE, K(6), &PllClockFixItem::drive_clock_wire},
};

PllClockFixItem clock_fix(const ScanAstNode* fix, int kind) {
    PllClockFixItem r;
    r.kind = kind;
    r.name = node_text(fix->child);
    const ScanAstNode* items = fix->child;
    if (const ScanAstNode* n = SCAN_FIND_AST(items, PERIOD_NODE)) r.period = map_node_int(n->child);
    for (const FixField& f : kFixFields)
        if (f.kinds & K(kind))
            if (const ScanAstNode* n = SCAN_FIND_AST(items, f.node_kind)) r.*f.field = first_child_text(n);
    return r;
}

// ------------------------------------------------------------------ PLLs

enum class ClockOf { REF, FB, OUTPUT };

PllClockInfo pll_clock(const ScanAstNode* clock, ClockOf of) {
    PllClockInfo r;
    for (const ScanAstNode* c = clock->child; c; c = c->sibling) {
        switch (c->kind) {
        case PERIOD_NODE: r.period = map_node_real(c->child); break;
        case CLOCK_NODE:
            r.clock_name = node_text(c->child);
            r.clock_value = c->child ? node_text(c->child->sibling) : "";
            break;
        case CLOCK_NET_NODE: r.clock_net = first_child_text(c); break;
        case LB_CLOCK_NODE:
            r.lb_clock_name = node_text(c->child);
            r.lb_clock_value = c->child ? node_text(c->child->sibling) : "";
            break;
        case ENABLE_NODE: r.enable = first_child_text(c); break;
        case EXT_PORT_NODE:
            if (of == ClockOf::REF) r.ext_port = first_child_text(c);
            break;
        case PLL_CLOCK_BUFFER_NODE:
            if (of == ClockOf::OUTPUT) append_names(r.buffers, c);
            break;
        default: break;
        }
    }
    return r;
}

void pll_entry(const ScanAstNode* entry, PllInfo& r) {
    for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
        switch (c->kind) {
        case NAME_NODE: r.name = first_child_text(c); break;
        case FIX_FB_CLOCK_IN_TEST_NODE: r.fix_fb_clock_in_test = first_child_text(c); break;
        case FB_ENABLE_NODE: r.fb_enable = first_child_text(c); break;
        case REF_CLOCK_NODE: append(r.ref_clocks) = pll_clock(c, ClockOf::REF); break;
        case FB_CLOCK_NODE: append(r.fb_clocks) = pll_clock(c, ClockOf::FB); break;
        case OUTPUT_CLOCK_NODE: append(r.output_clocks) = pll_clock(c, ClockOf::OUTPUT); break;
        case FORCE0_NODE: append_names(r.force0, c); break;
        case FORCE1_NODE: append_names(r.force1, c); break;
        case CONSTANT0_NODE: append_names(r.constant0, c); break;
        case CONSTANT1_NODE: append_names(r.constant1, c); break;
        case DONT_MODIFY_NODE: append_names(r.dont_modify, c); break;
        case AUTO_CONSTANT_NODE: r.auto_constant = SCAN_FIND_AST(c->child, ONE_NODE) ? 1 : 0; break;
        case SCAN_CK_MUX_NODE: {
            ScanCkMuxEntry& m = append(r.scan_ck_muxes);
            const ScanAstNode* items = c->child;
            if (const ScanAstNode* n = SCAN_FIND_AST(items, NAME_NODE)) m.name = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, PLL_CK_PIN_NODE)) m.pll_ck_pin = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, SCAN_CK_PIN_NODE)) m.scan_ck_pin = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, CLK_NET_NODE)) m.clk_net = first_child_text(n);
            break;
        }
        case TWO_PULSE_GEN_NODE: {
            TwoPulseGenEntry& g = append(r.two_pulse_gens);
            const ScanAstNode* items = c->child;
            if (const ScanAstNode* n = SCAN_FIND_AST(items, NAME_NODE)) g.name = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, CAPTURE_MODE_NODE)) g.capture_mode = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, FINISH_MODE_NODE)) g.finish_mode = first_child_text(n);
            if (const ScanAstNode* n = SCAN_FIND_AST(items, RESET_MODE_NODE)) g.reset_mode = first_child_text(n);
            break;
        }
        default: break;
        }
    }
}

// Blackbox pin modes besides BLACKBOX_MODE_DONT_MODIFY.
constexpr int BLACKBOX_MODE_ZERO = 0, BLACKBOX_MODE_ONE = 1, BLACKBOX_MODE_CONTROL = 2, BLACKBOX_MODE_OBSERVE = 3;

void blackbox_entry(const ScanAstNode* entry, BlackboxInfo& r) {
    for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
        switch (c->kind) {
        case INSTANCE_NAME_NODE: r.instance_name = first_child_text(c); break;
        case MODULE_NAME_NODE: r.module_name = first_child_text(c); break;
        case FORCE0_NODE: append_names(r.force0, c); break;
        case FORCE1_NODE: append_names(r.force1, c); break;
        case CONSTANT0_NODE: append_names(r.constant0, c); break;
        case CONSTANT1_NODE: append_names(r.constant1, c); break;
        case DONT_MODIFY_NODE: append_names(r.dont_modify, c); break;
        case CLOCK_NODE: append_names(r.clocks, c); break;
        case INPUT_NODE:
            if (SCAN_FIND_AST(c->child, PSO_OBSERVE_NODE)) r.input_mode = BLACKBOX_MODE_OBSERVE;
            break;
        case OUTPUT_NODE:
            if (SCAN_FIND_AST(c->child, PSO_CONTROL_NODE)) r.output_mode = BLACKBOX_MODE_CONTROL;
            if (SCAN_FIND_AST(c->child, ONE_NODE)) r.output_mode = BLACKBOX_MODE_ONE;
            if (SCAN_FIND_AST(c->child, ZERO_NODE)) r.output_mode = BLACKBOX_MODE_ZERO;
            break;
        default: break;
        }
    }
}

}  // namespace

void map_pll_clock_fix(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
        PllClockFixEntry& r = append(DFT_OBJECT->pll_clock_fix);
        r.line = entry->line;
        for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
            if (c->kind == IDENT_NODE) r.name = node_text(c);
            else if (c->kind == SCOPE_NODE) r.scope = first_child_text(c);
            else if (c->kind == PLL_PATH_NODE) r.pll_path = first_child_text(c);
            else if (int kind = fix_kind(c->kind)) append(r.fixes) = clock_fix(c, kind);
        }
    }
}

void map_pll(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        pll_entry(entry, append(DFT_OBJECT->pll));
}

void map_blackbox(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        blackbox_entry(entry, append(DFT_OBJECT->blackbox));
}
