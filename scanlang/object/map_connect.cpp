// Mapping of the sections: Connect scan, connect core and connect BIST.
//
// Instruction names are resolved into the object's own instruction
// records (mapped before these sections); an unknown name leaves none.
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/pso_records.h"
#include "scanlang/object/instance_files.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// The numbered diagnostic of a CLOCK_POLARITY other than POSITIVE or NEGATIVE.
constexpr int kClockPolarityDiagnostic = 21;

// The value of the statement of `kind` among `chain`, or none.
std::string value_in(const ScanAstNode* chain, int kind) { return first_child_text(SCAN_FIND_AST(chain, kind)); }

// The instruction of a name, none for no name or one the file does not
// define.
const InstructionRecord* instruction_named(const std::string& name) {
    return name.empty() ? nullptr : SCAN_FIND_INSTRUCTION(name);
}

// A scan port: both scan-in fields take SCAN_IN, both scan-out fields
// SCAN_OUT.
PortRecord scan_port(const ScanAstNode* items, int line) {
    PortRecord r;
    r.scan_in = r.scan_in2 = value_in(items, SCAN_IN_NODE);
    r.scan_out = r.scan_out2 = value_in(items, SCAN_OUT_NODE);
    r.default_value = value_in(items, DEFAULT_NODE);
    r.line = line;
    return r;
}

// A %SCAN_PORT block of a chain or a core connection, with the name it
// may be written with.
PortRecord named_scan_port(const ScanAstNode* port) {
    PortRecord r = scan_port(port->child, port->line);
    r.name = node_text(SCAN_FIND_AST(port->child, IDENT_NODE));
    return r;
}

std::vector<SelectRecord> selects(const ScanAstNode* list) {
    std::vector<SelectRecord> out;
    for (const ScanAstNode* item = list ? list->child : nullptr; item; item = item->sibling) {
        SelectRecord r;
        r.name = first_child_text(item);
        r.select = value_in(item->child, SELECT_NODE);
        r.global_select = value_in(item->child, GLOBAL_SELECT_NODE);
        r.line = item->line;
        out.push_back(std::move(r));
    }
    return out;
}

// The clocks of a chain; with `polarity`, CLOCK_POLARITY is read (and
// must be POSITIVE or NEGATIVE, letter case counting).
std::vector<ClockRecord> clocks(const ScanAstNode* list, bool polarity) {
    std::vector<ClockRecord> out;
    for (const ScanAstNode* item = list ? list->child : nullptr; item; item = item->sibling) {
        ClockRecord r;
        r.name = first_child_text(item);
        r.clock = value_in(item->child, CLOCK_NODE);
        if (const ScanAstNode* g = SCAN_FIND_AST(item->child, GLOBAL_CLOCK_NODE); g && g->child) {
            if (g->child->sibling) {
                r.global_clock_first = node_text(g->child);
                r.global_clock_second = node_text(g->child->sibling);
            } else {
                r.global_clock = node_text(g->child);
            }
        }
        if (const ScanAstNode* p = SCAN_FIND_AST(item->child, CLOCK_POLARITY_NODE); p && polarity) {
            const std::string value = first_child_text(p);
            if (value == "POSITIVE") r.polarity = CLOCK_POLARITY_POSITIVE;
            else if (value == "NEGATIVE") r.polarity = CLOCK_POLARITY_NEGATIVE;
            else error_handler(map_error_file().c_str(), p->line, kClockPolarityDiagnostic, nullptr, nullptr);
        }
        r.line = item->line;
        out.push_back(std::move(r));
    }
    return out;
}

// The elements and groups of a SCAN_INSTANCES or BIST_INSTANCES node.
void take_instances(const ScanAstNode* node, InstancesRecord& r) {
    ConvertedInstances c = CONVERT_SCAN_INSTANCES(node);
    r.elements = std::move(c.elements);
    r.groups = std::move(c.groups);
}

// Reads the instance file `name` into `entry` and takes the elements of
// the rebuilt SCAN_INSTANCES node into `r`.  The pad flags belong to one
// file: the next file, of this entry or another, may name its own pads.
InstanceFileInfo read_instance_file(const std::string& name, ScanAstNode* entry, InstancesRecord& r) {
    InstanceFileInfo info = CONVERT_FILE_INSTANCES(name, entry);
    take_instances(SCAN_FIND_AST(entry->child, SCAN_INSTANCES_NODE), r);
    sl_pso_scan_in_pad_flag = 0;
    sl_pso_scan_out_pad_flag = 0;
    return info;
}

// The instances written in the DFT file.
InstancesRecord written_instances(const ScanAstNode* node) {
    InstancesRecord r;
    take_instances(node, r);
    r.line = node->line;
    return r;
}

// The chain's instances: written (SCAN_INSTANCES), or else read from the
// instance files it names, each file one record.  Reading a file rebuilds
// the entry's SCAN_INSTANCES node, whose elements the record takes.
void chain_instances(ScanAstNode* entry, ConnectScanRecord& r) {
    if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, SCAN_INSTANCES_NODE)) {
        r.instances.push_back(written_instances(n));
        return;
    }
    const ScanAstNode* files = SCAN_FIND_AST(entry->child, SCAN_INSTANCES_FILE_NODE);
    if (!files || !files->child) return;
    r.pso_order_tab.emplace();
    for (const ScanAstNode* f = files->child; f; f = f->sibling) {
        SL_BUFFER_LIST.clear();
        SL_GROUP_LIST.clear();
        InstancesRecord i;
        i.file_name = node_text(f);
        if (i.file_name.starts_with("./")) i.file_name.erase(0, 2);
        i.line = files->line;
        InstanceFileInfo info = read_instance_file(i.file_name, entry, i);
        // The pads and buffers of the last file read are the chain's.
        r.scan_in_pad = std::move(info.scan_in_pad);
        r.scan_out_pad = std::move(info.scan_out_pad);
        r.buffer_list = std::move(info.buffers);
        r.instances.push_back(std::move(i));
    }
}

ConnectScanRecord connect_scan(ScanAstNode* entry) {
    const ScanAstNode* items = entry->child;
    sl_pso_clock_index = -1;
    ConnectScanRecord r;
    if (const ScanAstNode* n = SCAN_FIND_AST(items, SCAN_DELAY_NODE); n && n->child) {
        ScanDelayRecord& d = r.scan_delay.emplace();
        d.delay_out = value_in(n->child, DELAY_OUT_NODE);
        d.delay_out_default = value_in(n->child, DELAY_OUT_DEFAULT_NODE);
        d.scan_test = value_in(n->child, SCAN_TEST_NODE);
        d.line = n->line;
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(items, SCAN_PAD_NODE); n && n->child) {
        // The front end gives each statement of a scan pad block its own
        // node kind, which is not the kind of the same name for every one.
        ScanPadRecord& p = r.scan_pad.emplace();
        p.sdi_pad_name = value_in(n->child, SDI_PAD_NAME_NODE);
        p.sdo_pad_name = value_in(n->child, SDI_PAD_OUT_NODE);
        p.sdi_pad_out = value_in(n->child, SDO_PAD_CLASS_NODE);
        p.sdo_pad_in = value_in(n->child, SDO_PAD_IN_NODE);
        for (const ScanAstNode* c = n->child; c; c = c->sibling) {
            TextList* classes = c->kind == SDI_PAD_CLASS_NODE   ? &p.sdi_pad_classes
                                : c->kind == SDO_PAD_NAME_NODE ? &p.sdo_pad_classes
                                                               : nullptr;
            if (!classes || !c->child) continue;
            const ScanAstNode* names = c->child->kind == IDENT_LIST_NODE ? c->child->child : c->child;
            for (; names; names = names->sibling) classes->push_back(node_text(names));
        }
        p.line = n->line;
    }
    if (const ScanAstNode* n = SCAN_FIND_AST(items, SCAN_PORT_NODE)) r.scan_port = named_scan_port(n);
    r.scan_selects = selects(SCAN_FIND_AST(items, SCAN_SELECT_LIST_NODE));
    r.scan_clocks = clocks(SCAN_FIND_AST(items, SCAN_CLOCK_LIST_NODE), true);
    if (const ScanAstNode* n = SCAN_FIND_AST(items, MS_VIOLATION); n && n->child) {
        r.ms_violation = map_node_int(n->child);
        if (r.ms_violation != 0 && r.ms_violation != 1)
            map_fatal_stdout("MS_VIOLATION value must be 1 or 0 in dft file!\n ");
    }
    r.first_name = node_text(items);
    if (items) {
        r.second_name = node_text(items->sibling);
        r.name_line = items->line;
    }
    r.item_line = entry->line;
    chain_instances(entry, r);
    r.scan_instruction_name = first_child_text(SCAN_FIND_AST(items, SCAN_INSTRUCTION_NODE));
    r.scan_instruction = instruction_named(r.scan_instruction_name);
    if (const ScanAstNode* n = SCAN_FIND_AST(items, PSO_CLOCK_ORDER_NODE); n && n->child)
        r.pso_clock_order = map_node_int(n->child);
    return r;
}

ConnectCoreRecord connect_core(const ScanAstNode* entry) {
    const ScanAstNode* items = entry->child;
    ConnectCoreRecord r;
    r.name = node_text(items);
    r.instance_name = value_in(items, INSTANCE_NAME_NODE);
    r.module_name = value_in(items, MODULE_NAME_NODE);
    r.file_name = value_in(items, FILE_NAME_NODE);
    r.core_instruction_name = first_child_text(SCAN_FIND_AST(items, CORE_INSTRUCTION_NODE));
    r.core_instruction = instruction_named(r.core_instruction_name);
    r.system_instruction_name = first_child_text(SCAN_FIND_AST(items, SYSTEM_INSTRUCTION_NODE));
    r.system_instruction = instruction_named(r.system_instruction_name);
    if (const ScanAstNode* list = SCAN_FIND_AST(items, SCAN_PORT_LIST_NODE))
        for (const ScanAstNode* item = list->child; item; item = item->sibling)
            r.scan_ports.push_back(named_scan_port(item));
    return r;
}

ConnectBistRecord connect_bist(ScanAstNode* entry) {
    const ScanAstNode* items = entry->child;
    ConnectBistRecord r;
    if (const ScanAstNode* n = SCAN_FIND_AST(items, BIST_PORT_NODE)) r.bist_port = scan_port(n->child, n->line);
    r.bist_selects = selects(SCAN_FIND_AST(items, BIST_SELECT_LIST_NODE));
    r.bist_clocks = clocks(SCAN_FIND_AST(items, BIST_CLOCK_LIST_NODE), false);
    if (const ScanAstNode* n = SCAN_FIND_AST(items, BIST_INSTRUCTION_NODE)) {
        BistInstruRecord& b = r.bist_instruction.emplace();
        b.line = n->line;
        if (n->child) {
            if (const ScanAstNode* name = SCAN_FIND_AST(n->child, IDENT_NODE)) {
                b.instruction_name = node_text(name);
                b.instruction = instruction_named(b.instruction_name);
            }
            const ScanAstNode* seed = SCAN_FIND_AST(n->child, PATTERN_NODE);
            b.pattern = node_text(seed);
            b.seed_given = seed != nullptr;
        }
    }
    r.bist_type = value_in(items, BIST_TYPE_NODE);
    r.bist_type_given = SCAN_FIND_AST(items, BIST_TYPE_NODE) != nullptr;
    if (const ScanAstNode* n = SCAN_FIND_AST(items, BIST_INSTANCES_NODE)) {
        r.instances.push_back(written_instances(n));
    } else if (const ScanAstNode* files = SCAN_FIND_AST(items, BIST_INSTANCES_FILE_NODE)) {
        for (const ScanAstNode* f = files->child; f; f = f->sibling) {
            InstancesRecord i;
            i.file_name = node_text(f);
            i.line = files->line;
            read_instance_file(i.file_name, entry, i);
            r.instances.push_back(std::move(i));
        }
    }
    r.first_name = node_text(items);
    if (items) {
        r.second_name = node_text(items->sibling);
        r.name_line = items->line;
    }
    r.item_line = entry->line;
    return r;
}

}  // namespace

// The instance files of a chain or BIST connection are read into its own
// entry of the tree, so the entries are walked as writable nodes.
void map_connect_scan(const ScanAstNode* section) {
    // The instance tables hold the instance files of this object only.
    sl_clear_instance_tables();
    if (!section) return;
    for (ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        DFT_OBJECT->connect_scan.push_back(connect_scan(entry));
}

void map_connect_core(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        DFT_OBJECT->connect_core.push_back(connect_core(entry));
}

void map_connect_bist(const ScanAstNode* section) {
    if (!section) return;
    for (ScanAstNode* entry = section->child; entry; entry = entry->sibling)
        DFT_OBJECT->connect_bist.push_back(connect_bist(entry));
}
