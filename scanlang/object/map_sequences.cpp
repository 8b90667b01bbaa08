// Mapping of %SEQUENCE, %TEST_SCHEDULE, %TEST_SESSION and
// %TEST_ARCHITECTURE.
#include "scanlang/front/parser.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

ForceItemRecord force_item(const ScanAstNode* item) {
    return {first_child_text(item), item->child ? node_text(item->child->sibling) : "", item->line};
}

// The set-timing blocks of one sequence: a block without %TYPE is the
// sequence's own timing, a LAUNCH or CAPTURE block its launch or capture
// timing; a later block of one kind replaces the earlier.
void map_set_timing_blocks(const ScanAstNode* list, SequenceRecord& seq) {
    for (const ScanAstNode* block = list->child; block; block = block->sibling) {
        const ScanAstNode* type = SCAN_FIND_AST(block->child, TYPE_NODE);
        if (!type) {
            seq.set_timing = GET_SET_TIMING(block);
            continue;
        }
        const std::string kind = first_child_text(type);
        if (kind == "LAUNCH") {
            seq.launch_timing = GET_SET_TIMING(block);
            Luanch_timingG = seq.launch_timing;
        } else if (kind == "CAPTURE") {
            seq.capture_timing = GET_SET_TIMING(block);
            Capture_timingG = seq.capture_timing;
        } else {
            map_fatal_stdout("Error: the %TYPE must be LAUNCH or CAPTURE in the set timing block in the dft file !\n");
        }
    }
}

SequenceRecord map_sequence(const ScanAstNode* entry) {
    SequenceRecord seq;
    seq.line = entry->line;
    seq.name = node_text(entry->child);
    seq.name_line = entry->child ? entry->child->line : -1;
    if (const ScanAstNode* list = SCAN_FIND_AST(entry->child, FORCE_LIST_NODE)) {
        seq.force_order.emplace();
        for (const ScanAstNode* item = list->child; item; item = item->sibling) {
            if (item->kind == FORCE_NODE) {
                seq.force_order->push_back({FORCE_ORDER_FORCE, seq.forces.size()});
                seq.forces.push_back(force_item(item));
            } else if (item->kind == FORCE_CLOCK_NODE) {
                seq.force_order->push_back({FORCE_ORDER_FORCE_CLOCK, seq.force_clocks.size()});
                seq.force_clocks.push_back(force_item(item));
            }
        }
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, CYCLE_LENGTH_NODE)) seq.cycle_length = map_node_int(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, FRAME_LENGTH_NODE)) seq.frame_length = map_node_int(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, SET_TIMING_LIST_NODE)) map_set_timing_blocks(n, seq);
    return seq;
}

TamPortRecord tam_port(const ScanAstNode* node, int port_kind, int pad_kind, int pad_other_kind) {
    TamPortRecord r;
    for (const ScanAstNode* c = node->child; c; c = c->sibling) {
        if (c->kind == IDENT_NODE) r.name = node_text(c);
        else if (c->kind == port_kind) r.port = first_child_text(c);
        else if (c->kind == pad_kind) r.pad = first_child_text(c);
        else if (c->kind == pad_other_kind) r.pad_other = first_child_text(c);
    }
    return r;
}

TamPortInfoEntry tam_port_info(const ScanAstNode* statement) {
    TamPortInfoEntry r;
    const ScanAstNode* port = statement->child;
    for (const ScanAstNode* c = port ? port->child : nullptr; c; c = c->sibling) {
        if (c->kind == IDENT_NODE) r.name = node_text(c);
        else if (c->kind == TYPE_NODE) r.type = first_child_text(c);
        else if (c->kind == PORT_MAP_NODE && c->child) append_texts(r.port_map, c->child->child);
    }
    return r;
}

// A further %TAM_IN or %TAM_OUT block of a core: the one before it joins
// the earlier blocks, and the last stays in the core's own field.
void set_tam_port(std::optional<TamPortRecord>& last, std::vector<TamPortRecord>& earlier, TamPortRecord r) {
    if (last) earlier.push_back(std::move(*last));
    last = std::move(r);
}

TamCoreEntry tam_core(const ScanAstNode* core) {
    TamCoreEntry r;
    for (const ScanAstNode* c = core->child; c; c = c->sibling) {
        if (c->kind == IDENT_NODE) r.core_name = node_text(c);
        else if (c->kind == TAM_IN_NODE)
            set_tam_port(r.tam_in, r.earlier_tam_ins,
                         tam_port(c, TAM_IN_PORT_NODE, TAM_IN_PAD_NODE, TAM_IN_PAD_OUT_NODE));
        else if (c->kind == TAM_OUT_NODE)
            set_tam_port(r.tam_out, r.earlier_tam_outs,
                         tam_port(c, TAM_OUT_PORT_NODE, TAM_OUT_PAD_NODE, TAM_OUT_PAD_IN_NODE));
        else if (c->kind == PORT_INFO_NODE) {
            if (!r.ports) r.ports.emplace();
            r.ports->push_back(tam_port_info(c));
        }
    }
    return r;
}

}  // namespace

void map_sequences(const ScanAstNode* section) {
    if (!section) return;
    // The records are complete before anything points at them: the
    // instructions and cores mapped later keep pointers into this vector.
    std::vector<SequenceRecord> sequences;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        sequences.push_back(map_sequence(entry));
    DFT_OBJECT->sequences = std::move(sequences);
}

void map_test_schedule(const ScanAstNode* section) {
    if (!section) return;
    // The first block is the schedule; the section may repeat, and every
    // further block is kept as written.
    for (const ScanAstNode* block = section->child; block; block = block->sibling) {
        TestScheduleRecord r;
        for (const ScanAstNode* s = block->child; s; s = s->sibling) {
            if (!r.sessions) r.sessions.emplace();
            r.sessions->push_back(first_child_text(s));
        }
        if (block == section->child) DFT_OBJECT->test_schedule = std::move(r);
        else DFT_OBJECT->more_test_schedules.push_back(std::move(r));
    }
}

void map_test_session(const ScanAstNode* section) {
    if (!section) return;
    std::vector<TestSessionEntry> sessions;
    for (const ScanAstNode* s = section->child; s; s = s->sibling) {
        TestSessionEntry e;
        e.name = first_child_text(s);
        for (const ScanAstNode* c = s->child; c; c = c->sibling) {
            if (c->kind != TEST_SESSION_INFO_NODE) continue;
            if (!e.pairs) e.pairs.emplace();
            e.pairs->push_back({first_child_text(c), c->child ? node_text(c->child->sibling) : ""});
        }
        sessions.push_back(std::move(e));
    }
    DFT_OBJECT->test_session = std::move(sessions);
}

void map_test_architecture(const ScanAstNode* section) {
    if (!section) return;
    // The first block is the architecture; every further block is kept
    // as written.
    for (const ScanAstNode* block = section->child; block; block = block->sibling) {
        TestArchitectureRecord r;
        for (const ScanAstNode* c = block->child; c; c = c->sibling) {
            if (c->kind == TYPE_NODE) r.type = first_child_text(c);
            else if (c->kind == TEST_CONTROLLER_NODE) r.test_controller = first_child_text(c);
            else if (c->kind == TAM_CONFIG_NODE) {
                for (const ScanAstNode* core = c->child; core; core = core->sibling) {
                    if (!r.tam_cores) r.tam_cores.emplace();
                    r.tam_cores->push_back(tam_core(core));
                }
            }
        }
        if (block == section->child) DFT_OBJECT->test_architecture = std::move(r);
        else DFT_OBJECT->more_test_architectures.push_back(std::move(r));
    }
}
