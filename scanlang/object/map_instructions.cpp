// Mapping of the instruction sections: the sequence steps of %CORE
// blocks, %MBIST_BSD, the top-level %INSTRUCTION section and its order
// table of steps.
//
// Every sequence name is resolved once, here, into a pointer to the
// object's own SequenceRecord (mapped earlier in the same run).
#include "scanlang/front/diagnostics.h"
#include "scanlang/object/map_core_steps.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// The identifiers of a PREAMBLE / POSTAMBLE / FORCE_LIST statement: the
// children of its IDENT_LIST_NODE (or the statement's own identifiers).
const ScanAstNode* list_names(const ScanAstNode* statement) {
    const ScanAstNode* first = statement ? statement->child : nullptr;
    return first && first->kind == IDENT_LIST_NODE ? first->child : first;
}

// ------------------------------------------------------------ core blocks

[[noreturn]] void core_sequence_missing(const char* what, const std::string& name) {
    map_fatal_stdout("ERROR: Can not find " + std::string(what) + " sequence '" + name + "' of the core.\n");
}

[[noreturn]] void block_sequence_missing(const char* what, const std::string& name, const std::string& core) {
    map_fatal_stdout("ERROR: Can not find " + std::string(what) + "sequence '" + name + "' of the core '" + core +
                     "'.\n");
}

// The sequences of a name list; an unknown one ends the run (what = the
// word before "sequence" in the message, with its blank, or none).
std::vector<const SequenceRecord*> block_sequences(const ScanAstNode* statement, const char* what,
                                                   const std::string& core) {
    std::vector<const SequenceRecord*> out;
    for (const ScanAstNode* n = list_names(statement); n; n = n->sibling) {
        const SequenceRecord* s = SCAN_FIND_SEQUENCE(node_text(n));
        if (!s) block_sequence_missing(what, node_text(n), core);
        out.push_back(s);
    }
    return out;
}

void add_core_step(CoreInstructionRecord& r, const SequenceRecord* s, int kind) {
    if (!r.sequences) {
        r.sequences.emplace();
        r.sequence_kinds.emplace();
    }
    r.sequences->push_back(s);
    r.sequence_kinds->push_back(kind);
}

CorePatsetRecord core_patset(const ScanAstNode* entry, const std::string& core) {
    CorePatsetRecord r;
    for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
        switch (c->kind) {
        case IDENT_NODE: r.name = node_text(c); break;
        case DFT_FILE_NODE: r.dft_file = node_text(c->child); break;
        case PREAMBLE_NODE: r.preamble = block_sequences(c, "preamble ", core); break;
        case FORCE_LIST_NODE: r.force_sequences = block_sequences(c, "", core); break;
        case BTP_NODE: r.btp = node_text(c->child); break;
        case TP_NODE: r.tp = node_text(c->child); break;
        case INT_NODE: r.int_value = node_text(c->child); break;
        case OPTION_NODE: r.option = node_text(c->child); break;
        default: break;
        }
    }
    return r;
}

CoreInstructionRecord core_instruction(const ScanAstNode* entry, const std::string& core) {
    CoreInstructionRecord r;
    for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
        switch (c->kind) {
        case IDENT_NODE: r.name = node_text(c); break;
        case MODE_NODE: r.mode = node_text(c->child); break;
        case PREAMBLE_NODE:
            for (const ScanAstNode* n = list_names(c); n; n = n->sibling) {
                const SequenceRecord* s = SCAN_FIND_SEQUENCE(node_text(n));
                if (!s) core_sequence_missing("preamble", node_text(n));
                add_core_step(r, s, STEP_PREAMBLE);
            }
            break;
        case EXTRA_SEQ_NODE:
        case SHIFT_NODE:
        case HOLD_NODE:
        case CAPTURE_NODE: {
            const char* what = c->kind == EXTRA_SEQ_NODE ? "extra"
                               : c->kind == SHIFT_NODE   ? "shift"
                               : c->kind == HOLD_NODE    ? "hold"
                                                         : "capture";
            const SequenceRecord* s = SCAN_FIND_SEQUENCE(node_text(c->child));
            if (!s) core_sequence_missing(what, node_text(c->child));
            add_core_step(r, s, set_instr_type(c));
            break;
        }
        case PATSET_NODE: r.patsets.push_back(core_patset(c, core)); break;
        default: break;
        }
    }
    return r;
}

// ------------------------------------------------- top-level instructions

// The sequence a step names; a SHIFT, HOLD or first PREAMBLE name that no
// %SEQUENCE defines is reported by name (the later steps read it).
const SequenceRecord* required_sequence(const ScanAstNode* name) {
    const SequenceRecord* s = SCAN_FIND_SEQUENCE(node_text(name));
    if (!s)
        error_handler(map_error_file().c_str(), name ? name->line : 0, SCAN_ERR_UNDEFINED, "SEQUENCE name",
                      node_text(name).c_str());
    return s;
}

// Only a capture sequence may hold a LAUNCH or CAPTURE timing block.
void check_no_launch_capture(const SequenceRecord* s) {
    if (s && (s->launch_timing || s->capture_timing))
        map_fatal_stdout("ERROR: LAUNCH/CAPTURE type timing block only can exist in the capture sequence!\n");
}

std::vector<const SequenceRecord*> sequence_list(const ScanAstNode* statement) {
    std::vector<const SequenceRecord*> out;
    for (const ScanAstNode* n = list_names(statement); n; n = n->sibling) out.push_back(SCAN_FIND_SEQUENCE(node_text(n)));
    return out;
}

const SequenceRecord* single_sequence(const ScanAstNode* steps, int kind) {
    const ScanAstNode* n = SCAN_FIND_AST(steps, kind);
    return n ? SCAN_FIND_SEQUENCE(node_text(n->child)) : nullptr;
}

InstructionRecord instruction(const ScanAstNode* entry) {
    InstructionRecord r;
    r.item_line = entry->line;
    const ScanAstNode* steps = entry->child;
    if (!steps) return r;
    r.name = node_text(steps);
    r.name_line = steps->line;
    if (const ScanAstNode* n = SCAN_FIND_AST(steps, MODE_NODE)) r.mode = node_text(n->child);
    if (const ScanAstNode* n = SCAN_FIND_AST(steps, PREAMBLE_NODE)) {
        r.preamble_list = sequence_list(n);
        if (const ScanAstNode* first = list_names(n)) {
            r.preamble_list.front() = r.first_preamble = required_sequence(first);
            check_no_launch_capture(r.first_preamble);
        }
    }
    for (int i = 0;; ++i) {
        const ScanAstNode* n = SCAN_FIND_EXTRA_SEQ(const_cast<ScanAstNode*>(steps), i);
        if (!n) break;
        r.extra_seq_list.push_back(SCAN_FIND_SEQUENCE(node_text(n->child)));
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(steps, SHIFT_NODE)) {
        r.shift = required_sequence(n->child);
        check_no_launch_capture(r.shift);
    }
    r.propagate = single_sequence(steps, PROPAGATE_NODE);
    r.ram_write = single_sequence(steps, RAM_WRITE_NODE);
    if (const ScanAstNode* n = SCAN_FIND_AST(steps, POSTAMBLE_NODE)) {
        r.postamble_list = sequence_list(n);
        if (!r.postamble_list.empty()) r.first_postamble = r.postamble_list.front();
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(steps, HOLD_NODE)) {
        r.hold = required_sequence(n->child);
        check_no_launch_capture(r.hold);
    }
    r.capture = single_sequence(steps, CAPTURE_NODE);
    r.runbist = single_sequence(steps, RUNBIST_NODE);
    return r;
}

}  // namespace

void map_core_block_steps(const ScanAstNode* block, CoreInfoRecord& shared) {
    const ScanAstNode* first_name = SCAN_FIND_AST(block->child, CORE_NAME_NODE);
    const std::string core = first_name ? node_text(SCAN_FIND_AST(first_name->child, IDENT_NODE)) : "";
    for (const ScanAstNode* c = block->child; c; c = c->sibling) {
        if (c->kind != INSTRUCTION_NODE) continue;
        if (!shared.instructions) shared.instructions.emplace();
        shared.instructions->push_back(core_instruction(c, core));
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(block->child, PREAMBLE_NODE))
        shared.preamble = block_sequences(n, "preamble ", core);
    for (const ScanAstNode* c = block->child; c; c = c->sibling) {
        if (c->kind != PATSET_NODE) continue;
        if (!shared.patsets) shared.patsets.emplace();
        shared.patsets->push_back(core_patset(c, core));
    }
}

// Every %MBIST_BSD block of the file (each a child of the root after the
// first) adds its entries, in file order.
void map_mbist_bsd(const ScanAstNode* section) {
    int block = 0;
    for (; section; section = SCAN_FIND_AST(section->sibling, MBIST_BSD_NODE), ++block)
        for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
            MbistBsdInstructionRecord r;
            r.item_line = entry->line;
            r.block = block;
            if (const ScanAstNode* first = entry->child) {
                r.name = node_text(first);
                r.name_line = first->line;
                if (const ScanAstNode* n = SCAN_FIND_AST(first, MBIST_CLOCK_NODE)) r.mbist_clock = node_text(n->child);
                if (const ScanAstNode* n = SCAN_FIND_AST(first, MBIST_MDF_NODE)) r.mbist_mdf = node_text(n->child);
            }
            DFT_OBJECT->mbist_bsd.push_back(std::move(r));
        }
}

void map_instructions(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        DFT_OBJECT->instructions.push_back(instruction(entry));
}

void map_instr_order_tab(const ScanAstNode* section) {
    if (!section) return;
    std::vector<InstrOrderTabRecord>& tab = DFT_OBJECT->instr_order_tab;
    int index = 0;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling, ++index) {
        InstructionRecord* record =
            static_cast<std::size_t>(index) < DFT_OBJECT->instructions.size() ? &DFT_OBJECT->instructions[index] : nullptr;
        for (const ScanAstNode* c = entry->child; c; c = c->sibling) {
            if (c->kind == IDENT_NODE) continue;
            tab.push_back({index, set_instr_type(c)});
            if (!record) continue;
            TextList& names = record->step_names.emplace_back();
            if (c->kind == PREAMBLE_NODE || c->kind == POSTAMBLE_NODE)
                for (const ScanAstNode* n = list_names(c); n; n = n->sibling) names.push_back(node_text(n));
            else if (c->kind != MODE_NODE)
                names.push_back(node_text(c->child));
        }
    }
    if (!tab.empty()) INSTR_ORDER_TAB = &tab;
}
