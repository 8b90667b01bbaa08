// Saving a parsed configuration into the description tables, with the
// pin list and the package files it names.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/pin.h"
#include "desc/reader.h"
#include "desc/scanner.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/msg.h"
#include "runtime/str.h"

using desc::DescAstNode;

namespace {

const char* file() { return desc_file_name(DFT_FILE); }

const char* text_of(const DescAstNode* n) { return n ? n->text : nullptr; }

template <class T>
T* new_record() {
    auto* r = static_cast<T*>(std::calloc(1, sizeof(T)));
    if (!r) MSG_fatal_error(1);
    return r;
}

// ------------------------------------------------------------ 32-bit values

// The IDCODE must be 32 characters of 0 and 1; anything else ends the run
// (a design without its intended IDCODE would be built or described
// wrongly otherwise).
void save_idcode(const DescAstNode* v) {
    const char* t = v->text ? v->text : "";
    if (std::strlen(t) != 32) {
        qdx_exit_printf(-1, "\"%s\", line %d: Pattern '%s' is not 32 bits\n", file(), v->line, t);
    }
    if (v->kind != desc::PATTERN_NODE) {
        qdx_exit_printf(-1, "\"%s\", line %d: Pattern '%s' is not made of 0 and 1\n", file(), v->line, t);
    }
    desc_set_text(&IDCODE_REG, t);
}

void save_usercode(const DescAstNode* item) {
    STR_free(&USERCODE_REG);
    USERCODE_REG = DYNA_new<char*>();
    for (const DescAstNode* v = item->child; v; v = v->sibling) {
        const char* t = v->text ? v->text : "";
        if (std::strlen(t) == 32)
            STR_add(&USERCODE_REG, t);
        else
            qdx_printf("\"%s\", line %d: Pattern '%s' is not 32 bits\n", file(), v->line, t);
    }
}

void save_capture(const DescAstNode* item) {
    STR_free(&INST_CAPTURE);
    INST_CAPTURE = DYNA_new<char*>();
    for (const DescAstNode* v = item->child; v; v = v->sibling)
        if (check_pattern_list(v, INST_CAPTURE)) STR_add(&INST_CAPTURE, v->text);
}

// ------------------------------------------------------------ instructions

int gate_code(int kind) {
    switch (kind) {
        case desc::INSTRUCTION_AND_NODE: return GATE_AND;
        case desc::INSTRUCTION_NAND_NODE: return GATE_NAND;
        case desc::INSTRUCTION_OR_NODE: return GATE_OR;
        case desc::INSTRUCTION_NOR_NODE: return GATE_NOR;
        case desc::INSTRUCTION_XOR_NODE: return GATE_XOR;
        case desc::INSTRUCTION_XNOR_NODE: return GATE_XNOR;
        default: return GATE_NONE;
    }
}

void add_enable(InstructionEntry& e, const char* signal, const char* value, const char* second, int gate) {
    STR_add(&e.enable, signal);
    STR_add(&e.enable_value, value);
    STR_add(&e.enable_second, second);
    DYNA_append(&e.enable_gate, gate);
}

void save_instruction(const DescAstNode* node) {
    using namespace desc;
    InstructionEntry e{};
    e.name = STR_dup(text_of(node->child));
    e.opcodes = DYNA_new<char*>();
    e.enable = DYNA_new<char*>();
    e.enable_value = DYNA_new<char*>();
    e.enable_second = DYNA_new<char*>();
    e.enable_gate = DYNA_new<int>();
    for (const DescAstNode* i = node->child ? node->child->sibling : nullptr; i; i = i->sibling) {
        switch (i->kind) {
            case INST_LIST_NODE:
                // A later opcode list replaces an earlier one.
                STR_free(&e.opcodes);
                e.opcodes = DYNA_new<char*>();
                for (const DescAstNode* v = i->child; v; v = v->sibling)
                    if (check_pattern_list(v, e.opcodes)) STR_add(&e.opcodes, v->text);
                break;
            case ACCESS_NODE: desc_set_text(&e.access, text_of(i->child)); break;
            case ENABLE_NODE: {
                // Only a 0/1 pattern is a value; another word gives none.
                const DescAstNode* v = i->child ? i->child->sibling : nullptr;
                add_enable(e, text_of(i->child), v && v->kind == PATTERN_NODE ? v->text : nullptr, nullptr,
                           GATE_NONE);
                break;
            }
            case EN_H_NODE:
            case EN_L_NODE: {
                const DescAstNode* g = i->child ? i->child->sibling : nullptr;
                add_enable(e, text_of(i->child), i->kind == EN_H_NODE ? "1" : "0", g ? text_of(g->child) : nullptr,
                           g ? gate_code(g->kind) : GATE_NONE);
                break;
            }
            default: break;
        }
    }
    if (!e.access) e.access = STR_dup("bypass");
    if (!INSTRUCTIONS) INSTRUCTIONS = DYNA_new<InstructionEntry>();
    DYNA_append(&INSTRUCTIONS, e);
}

// ------------------------------------------------------------ name blocks

void save_skip_signals(const DescAstNode* item) {
    for (const DescAstNode* s = item->child; s; s = s->sibling) {
        const char* name = text_of(s->child);
        const DescAstNode* v = s->child ? s->child->sibling : nullptr;
        SkipSignalEntry* e = desc_hash_add(&SKIP_SIGNAL_HASH_TAB, name);
        e->name = STR_dup(name);
        // A value is a 0/1 pattern in parentheses; x and X scan as words
        // and give no value.
        if (v && v->kind == desc::PATTERN_NODE) {
            if (std::strcmp(v->text, "1") == 0 || std::strcmp(v->text, "0") == 0)
                e->value = STR_dup(v->text);
            else
                qdx_printf("WARNING: '%s' is illegal value of \"%s\" pin in %%SKIP_SIGNAL_NAME, ignored\n", v->text,
                           name);
        }
    }
    desc_build_listing(SKIP_SIGNAL_HASH_TAB, &SKIP_SIGNAL_TAB);
}

void save_transparent_buffers(const DescAstNode* item) {
    for (const DescAstNode* n = item->child; n; n = n->sibling)
        *desc_hash_add(&TRANS_BUF_HASH_TAB, n->text) = STR_dup(n->text);
    desc_build_listing(TRANS_BUF_HASH_TAB, &TRANS_BUF_TAB);
}

// A second %CONNECTION_TABLE adds its connections after those of the
// first: every connection of the file stays reachable from CONNECT_TABLE.
void save_connections(const DescAstNode* item) {
    ConnectEntry** tail = &CONNECT_TABLE;
    while (*tail) tail = &(*tail)->next;
    for (const DescAstNode* c = item->child; c; c = c->sibling) {
        auto* e = new_record<ConnectEntry>();
        const DescAstNode* from = c->child;
        const DescAstNode* to = from ? from->sibling : nullptr;
        if (from && from->kind == desc::CONNECT_PIN_NODE) {
            e->from_inst = STR_dup(text_of(from->child));
            e->from_pin = STR_dup(text_of(from->child->sibling));
        } else if (from) {
            e->from_pin = STR_dup(text_of(from->child));
        }
        if (to && to->kind == desc::CONNECT_PIN_NODE) {
            e->to_inst = STR_dup(text_of(to->child));
            e->to_pin = STR_dup(text_of(to->child->sibling));
        } else if (to) {
            e->to_pin = STR_dup(text_of(to->child));
        }
        *tail = e;
        tail = &e->next;
    }
}

// ------------------------------------------------------------ BIST

void add_integers(int** list, const DescAstNode* first) {
    if (!*list) *list = DYNA_new<int>();
    for (const DescAstNode* n = first; n; n = n->sibling) DYNA_append(list, desc_decimal(n->text));
}

// Appends names that the list does not hold yet (compared without regard
// to case).
void add_new_names(char*** list, const DescAstNode* first) {
    if (!*list) *list = DYNA_new<char*>();
    for (const DescAstNode* n = first; n; n = n->sibling) {
        bool seen = false;
        for (int i = 0, k = DYNA_count(*list); i < k && !seen; ++i) seen = STR_ucomp((*list)[i], n->text) == 0;
        if (!seen) STR_add(list, n->text);
    }
}

void save_memory_bist(const DescAstNode* item) {
    free_mbist_table(&BL_MBIST_TAB);
    BL_MBIST_TAB = DYNA_new<MbistEntry>();
    for (const DescAstNode* el = item->child; el; el = el->sibling) {
        MbistEntry e{};
        e.instruction = STR_dup(text_of(el->child));
        for (const DescAstNode* l = el->child ? el->child->sibling : nullptr; l; l = l->sibling) {
            switch (l->kind) {
                case desc::CNT_FILE_NODE: desc_set_text(&e.cnt_file, text_of(l->child)); break;
                case desc::BL_SEL_INST_NODE: desc_set_text(&e.sel_instruction, text_of(l->child)); break;
                case desc::CTRL_ORDER_NODE: add_integers(&e.ctrl_order, l->child); break;
                default: break;
            }
        }
        DYNA_append(&BL_MBIST_TAB, e);
    }
}

void fill_lbist(LbistEntry& e, const DescAstNode* lines) {
    using namespace desc;
    for (const DescAstNode* l = lines; l; l = l->sibling) {
        switch (l->kind) {
            case DFT_FILE_NODE: desc_set_text(&e.dft_file, text_of(l->child)); break;
            case BL_SCAN_INST_NODE: desc_set_text(&e.scan_instruction, text_of(l->child)); break;
            case BL_DEBUG_INST_NODE: desc_set_text(&e.debug_instruction, text_of(l->child)); break;
            case BL_LBIST_INST_NODE: desc_set_text(&e.lbist_instruction, text_of(l->child)); break;
            case INSTANCE_NAME_NODE: desc_set_text(&e.instance_name, text_of(l->child)); break;
            case BL_SEL_INST_NODE: desc_set_text(&e.sel_instruction, text_of(l->child)); break;
            case CNT_FILE_NODE: add_new_names(&e.cnt_file, l->child); break;
            case BL_DIAG_INST_NODE: add_new_names(&e.diag_instruction, l->child); break;
            case BL_DIAG_CNT_NODE: add_new_names(&e.diag_cnt_file, l->child); break;
            case BL_TEST_SETING_NODE: add_new_names(&e.tests, l->child); break;
            case CTRL_ORDER_NODE: add_integers(&e.ctrl_order, l->child); break;
            default: break;
        }
    }
}

void save_logic_bist(const DescAstNode* item) {
    free_lbist_table(&BL_LBIST_TAB);
    BL_LBIST_TAB = DYNA_new<LbistEntry>();
    if (item->child && item->child->kind != desc::LOGIC_BIST_ELEMENT_NODE) {
        // A block without %INSTRUCTION blocks: one entry without a name.
        LbistEntry e{};
        fill_lbist(e, item->child);
        DYNA_append(&BL_LBIST_TAB, e);
        return;
    }
    for (const DescAstNode* el = item->child; el; el = el->sibling) {
        LbistEntry e{};
        e.instruction = STR_dup(text_of(el->child));
        fill_lbist(e, el->child ? el->child->sibling : nullptr);
        DYNA_append(&BL_LBIST_TAB, e);
    }
}

// ------------------------------------------------------------ pin list

// An inline pair "number name" makes a row like the pin-file row
// "number name name *": the name is the core-side name and also stands as
// the package name, and the row gets the checks of a pin-file row (a
// repeated number ends the run; a repeated name is reported and ends it
// after the configuration).
void save_inline_pin(const DescAstNode* item) {
    const DescAstNode* number = item->child;
    const DescAstNode* name = number->sibling;
    PinListEntry* row = save_pin(number->text, number->line);
    parse_pin_name(name->text, name->line);
    bool seen_io = exist_io_pin(name->text) != 0;
    bool seen_core = exist_v_pin(name->text) != 0;
    if ((seen_io || seen_core) && !in_allowed_list(name->text)) {
        error_msg(PIN_FILE, name->line, 4, name->text);
        GLOBAL_EXIT = 1;
    }
    row->line = name->line;
    row->io_name = STR_dup(name->text);
    row->core_name = STR_dup(name->text);
}

void save_pin_list(const DescAstNode* item) {
    const DescAstNode* first = item->child;
    bool inline_form = first && first->kind == desc::PIN_ITEM_LIST_NODE;
    if (!inline_form) {
        const char* name = text_of(first->child);
        desc_set_text(&PIN_FILE, name);
        DescInput in = desc_open_input(name);
        if (!in) {
            qdx_exit_printf(-1, "Error: (%s) can't open pin file '%s' in default searching path.\n\n", file(),
                            name ? name : "");
        }
        desc_drop_dot_slash(&PIN_FILE);
        parse_pin_file(in.get(), 1);
    } else {
        // The pins are written in the configuration itself.
        desc_set_text(&PIN_FILE, DFT_FILE);
        desc_drop_dot_slash(&PIN_FILE);
        PIN_FLAG = 1;
        create_pin_check_tables();
        for (const DescAstNode* p = first->child; p; p = p->sibling) save_inline_pin(p);
    }
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
    BS_PIN_COUNT = DYNA_count(PIN_TABLE);
    // Inline pins declare no package; they are held against a package
    // pin count only when a pin file of this configuration gave one.
    if ((!inline_form || PACKAGE_TYPE) && PACKAGE_PIN_NUMBER < BS_PIN_COUNT) {
        qdx_exit_printf(-1, "\"%s\", package pin number '%d' is less than total pin count '%d'\n",
                        desc_file_name(PIN_FILE), PACKAGE_PIN_NUMBER, BS_PIN_COUNT);
    }
    exist_multiple_pin();
    free_pin_check_tables();
}

// ------------------------------------------------------------ package list

int package_rows(const PackageEntry* p) {
    int n = 0;
    for (const PackagePinEntry* r = p->first; r; r = r->next) ++n;
    return n;
}

void save_package_list(const DescAstNode* item) {
    free_package_list(PACKAGE_TABLE);
    PACKAGE_TABLE = new_record<PackageEntry>();
    for (const DescAstNode* f = item->child; f; f = f->sibling) {
        const char* name = text_of(f->child);
        desc_set_text(&PIN_FILE, name);
        DescInput in = desc_open_input(name);
        if (!in) {
            qdx_exit_printf(-1, "Error: can't open pin file '%s' in default searching path.\n\n", name ? name : "");
        }
        desc_drop_dot_slash(&PIN_FILE);
        // A file named twice is read once, as the warning says.
        bool again = false;
        for (const PackageEntry* p = PACKAGE_TABLE; p && !again; p = p->next)
            again = p->file_name && STR_ucomp(p->file_name, PIN_FILE) == 0;
        if (again) {
            qdx_printf("Warning: (%s) was redefined in package list and will skip it.\n\n", PIN_FILE);
            continue;
        }
        // The first entry without a pin count takes the file.
        PackageEntry* entry = PACKAGE_TABLE;
        while (entry->pin_count != 0 && entry->next) entry = entry->next;
        if (entry->pin_count != 0) entry = entry->next = new_record<PackageEntry>();
        desc_set_text(&entry->file_name, PIN_FILE);
        current_package_ptr = entry;
        parse_pin_file(in.get(), 0);
        int rows = package_rows(entry);
        if (entry->pin_count < rows) {
            qdx_exit_printf(-1, "\"%s\", package pin number '%d' is less than total pin count '%d'\n",
                            desc_file_name(PIN_FILE), entry->pin_count, rows);
        }
        free_pin_check_tables();
    }
    current_package_ptr = nullptr;
    PIN_FLAG = 1;
}

void set_global(char** global, const DescAstNode* item) { desc_set_text(global, text_of(item->child)); }

}  // namespace

void save_dft_tab() {
    using namespace desc;
    free_mbist_table(&BL_MBIST_TAB);
    free_lbist_table(&BL_LBIST_TAB);
    if (!theAST) return;
    for (const DescAstNode* item = theAST->child; item; item = item->sibling) {
        switch (item->kind) {
            case GLOBAL_TDI_NODE: set_global(&GLOBAL_TDI, item); break;
            case GLOBAL_TDO_NODE: set_global(&GLOBAL_TDO, item); break;
            case GLOBAL_TMS_NODE: set_global(&GLOBAL_TMS, item); break;
            case GLOBAL_TCK_NODE: set_global(&GLOBAL_TCK, item); break;
            case GLOBAL_TRST_NODE: set_global(&GLOBAL_TRST, item); break;
            case INPUT_BUFFER_NODE: set_global(&INPUT_BUFFER, item); break;
            case OUTPUT_BUFFER_NODE: set_global(&OUTPUT_BUFFER, item); break;
            case INOUT_BUFFER_NODE: set_global(&INOUT_BUFFER, item); break;
            case INVERTER_NODE: set_global(&INVERTER, item); break;
            case IDCODE_REGISTER_NODE: save_idcode(item->child); break;
            case USERCODE_REGISTER_NODE: save_usercode(item); break;
            case INSTRUCTION_CAPTURE_NODE: save_capture(item); break;
            case INSTRUCTION_DISABLE_NODE: set_global(&INST_DISABLE, item); break;
            case INSTRUCTION_GUARD_NODE: set_global(&INST_GUARD, item); break;
            case INSTRUCTION_PRIVATE_NODE:
                for (const DescAstNode* n = item->child; n; n = n->sibling) STR_add(&INST_PRIVATE, n->text);
                break;
            case INSTRUCTION_TABLE_NODE:
                for (const DescAstNode* i = item->child; i; i = i->sibling) save_instruction(i);
                break;
            case SCAN_CELLS_NODE:
                for (const DescAstNode* r = item->child; r; r = r->sibling)
                    for (const DftPadRole& role : DFT_PAD_ROLES)
                        if (role.kind == r->kind) set_global(role.global, r);
                break;
            case TAP_MODULE_NODE:
                for (const DescAstNode* l = item->child; l; l = l->sibling) {
                    if (l->kind == MODULE_NAME_NODE) set_global(&TAP_MODULE_NAME, l);
                    if (l->kind == INSTANCE_NAME_NODE) set_global(&TAP_INSTANCE_NAME, l);
                }
                break;
            case PIN_LIST_NODE: save_pin_list(item); break;
            case PACKAGE_LIST_NODE: save_package_list(item); break;
            case SKIP_SIGNAL_NAMES_NODE: save_skip_signals(item); break;
            case TRANSPARENT_BUFFER_NODE: save_transparent_buffers(item); break;
            case UNBOUNDED_PINS_NODE:
                for (const DescAstNode* n = item->child; n; n = n->sibling) STR_add(&UNBOUNDED_PIN_TAB, n->text);
                break;
            case CONNECT_TABLE_NODE: save_connections(item); break;
            case MEMORY_BIST_NODE: save_memory_bist(item); break;
            case LOGIC_BIST_NODE: save_logic_bist(item); break;
            default: break;  // %SKIP_MODULE_NAMES and bare lists are not saved
        }
    }
}
