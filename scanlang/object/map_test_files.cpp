// Mapping of %TEST_FILES, %TOP_MODULE, the memory-BIST control entries
// and %SCAN_DECODER.
#include "scanlang/front/diagnostics.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"

namespace {

// The statement kinds of the memory-BIST control signals, in MbistSignal
// order.
constexpr int kMbistSignalKinds[MBIST_SIGNAL_COUNT] = {
    BISTMODE_NODE,         BISTFAIL_NODE,        ERRMAP_NODE,        BIST_RESULT_EN_NODE,  BIST_RESULT_IN_NODE,
    BIST_RESULT_OUT_NODE,  FINISH_NODE,          UTI_SCAN_IN_NODE,   UTI_SCAN_OUT_NODE,    MEMGROUPSEL_NODE,
    MEMGROUPSEL_IN_NODE,   MEMGROUPSEL_OUT_NODE, BIST_SEL_EN_NODE,   QDX_TIS_NODE,         VCLK_NODE,
    QDX_UTI_IN_NODE,       QDX_UTI_OUT_NODE,     QDX_UTI_SHIFT_NODE, QDX_UTI_HOLD_IN_NODE, QDX_UTI_HOLD_OUT_NODE,
    BYPASS_NODE,           BIST_CLK_NODE,        SHIFTEND_NODE,      SIGNATUREOUT_NODE,
};

// The decoder port errors (codes 18 and 19), naming the DFT file.
void require_statement(const ScanAstNode* statement, int other_kind, const char* other_keyword, int line) {
    if (!SCAN_FIND_AST(statement->parent ? statement->parent->child : statement, other_kind))
        error_handler(map_error_file().c_str(), line, 18, other_keyword, nullptr);
}

void check_pad_pair(const ScanAstNode* item) {
    if (item->kind == DECODER_PAD_NAME_NODE)
        require_statement(item, DECODER_PAD_OUT_NODE, "%PAD_OUT", value_line(item) + 1);
    else if (item->kind == DECODER_PAD_OUT_NODE)
        require_statement(item, DECODER_PAD_NAME_NODE, "%PAD_NAME", value_line(item) - 1);
}

// 1 for ACTIVE_HIGH, 0 for ACTIVE_LOW; any other text ends the run.
int polarity_value(const ScanAstNode* statement) {
    const std::string text = first_child_text(statement);
    if (text == "ACTIVE_HIGH") return 1;
    if (text == "ACTIVE_LOW") return 0;
    error_handler(map_error_file().c_str(), value_line(statement), 19, "ACTIVE_HIGH", "ACTIVE_LOW");
    return 0;
}

// The form of a control-port statement, read from its own shape: 1 for
// the block of port statements, 0 for a plain port name.  Reading it from
// the tree keeps it to this statement of this file.
int control_port_form(const ScanAstNode* statement) { return SCAN_FIND_AST(statement->child, IDENT_NODE) ? 0 : 1; }

std::optional<DecoderOutRecord> decoder_out(const ScanAstNode* first, int kind, int keyword_line) {
    const ScanAstNode* n = SCAN_FIND_AST(first, kind);
    if (!n) return std::nullopt;
    DecoderOutRecord r;
    if (const ScanAstNode* i = SCAN_FIND_AST(n->child, INSTANCE_NAME_NODE)) r.instance_name = first_child_text(i);
    if (const ScanAstNode* p = SCAN_FIND_AST(n->child, PIN_NAME_NODE)) r.pin_name = first_child_text(p);
    r.keyword_line = keyword_line;
    r.line = n->line;
    return r;
}

KrModeRecord kr_mode(const ScanAstNode* statement) {
    KrModeRecord r;
    int default_value = 1;
    for (const ScanAstNode* c = statement->child; c; c = c->sibling)
        if (c->kind == DECODER_POLARITY_NODE) default_value = polarity_value(c);
    for (const ScanAstNode* c = statement->child; c; c = c->sibling) {
        check_pad_pair(c);
        if (c->kind == DECODER_PORT_NAME_NODE) {
            if (!r.ports) r.ports.emplace();
            const ScanAstNode* port = c->child;
            r.ports->push_back({node_text(port), port && port->child ? map_node_int(port->child) : default_value});
        } else if (c->kind == DECODER_PAD_NAME_NODE) {
            r.pad_name = first_child_text(c);
        } else if (c->kind == DECODER_PAD_OUT_NODE) {
            r.pad_out = first_child_text(c);
        } else if (c->kind == DECODER_POLARITY_NODE) {
            r.polarity = first_child_text(c);
        }
    }
    return r;
}

// One control port of the decoder, with its form and keyword line; none
// for an absent or empty statement.
std::optional<ControlPortRecord> control_port(const ScanAstNode* first, int kind, int keyword_line, int& form) {
    const ScanAstNode* statement = SCAN_FIND_AST(first, kind);
    if (!statement || !statement->child) return std::nullopt;
    form = control_port_form(statement);
    ControlPortRecord r = save_decoder_control_port(statement->child, form);
    r.keyword_line = keyword_line;
    return r;
}

}  // namespace

ControlPortRecord save_decoder_control_port(const ScanAstNode* first, int form) {
    ControlPortRecord r;
    if (!first) return r;
    if (!form) {
        r.port_name = node_text(first);
        return r;
    }
    r.line = first->parent ? first->parent->line : first->line;
    for (const ScanAstNode* c = first; c; c = c->sibling) {
        check_pad_pair(c);
        if (c->kind == DECODER_PORT_NAME_NODE) r.port_name = first_child_text(c);
        else if (c->kind == DECODER_PAD_NAME_NODE) r.pad_name = first_child_text(c);
        else if (c->kind == DECODER_PAD_OUT_NODE) r.pad_out = first_child_text(c);
        else if (c->kind == DECODER_POLARITY_NODE) {
            polarity_value(c);
            r.polarity = first_child_text(c);
        }
    }
    return r;
}

void map_test_files(const ScanAstNode* section) {
    if (!section || !section->child) return;
    TestFilesRecord r;
    r.keyword_line = test_files_top_line;
    r.line = section->line;
    const ScanAstNode* first = section->child;
    const std::pair<int, std::pair<std::string*, int*>> files[] = {
        {MBIST_FILE_NODE, {&r.mbist_file, &r.mbist_file_line}},
        {LBIST_FILE_NODE, {&r.lbist_file, &r.lbist_file_line}},
        {BSD_FILE_NODE, {&r.bsd_file, &r.bsd_file_line}},
        {MACRO_TEST_NODE, {&r.macro_test, &r.macro_test_line}},
    };
    for (const auto& [kind, field] : files)
        if (const ScanAstNode* n = SCAN_FIND_AST(first, kind)) {
            *field.first = first_child_text(n);
            *field.second = n->line;
        }
    DFT_OBJECT->test_files = std::move(r);
}

void map_top_module(const ScanAstNode* section) {
    if (section) DFT_OBJECT->top_module = first_child_text(section);
}

void map_mbist_control(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* entry = section->child; entry; entry = entry->sibling) {
        MbistControlEntry e;
        e.keyword_line = mbist_control_top_line;
        e.line = section->line;
        if (const ScanAstNode* n = SCAN_FIND_AST(entry->child, NUMBER_NODE)) e.number = map_node_int(n);
        for (int s = 0; s < MBIST_SIGNAL_COUNT; ++s) {
            const ScanAstNode* n = SCAN_FIND_AST(entry->child, kMbistSignalKinds[s]);
            if (!n) continue;
            MbistSignalRecord& signal = e.signals[s].emplace();
            if (n->child && n->child->sibling) {
                signal.instance = node_text(n->child);
                signal.pin = node_text(n->child->sibling);
            } else {
                signal.pin = first_child_text(n);
            }
        }
        if (!DFT_OBJECT->mbist_control) DFT_OBJECT->mbist_control.emplace();
        DFT_OBJECT->mbist_control->push_back(std::move(e));
    }
}

void map_scan_decoder(const ScanAstNode* section) {
    if (!section || !section->child) {
        DFT_OBJECT->scan_decoder.reset();
        return;
    }
    ScanDecoderRecord r;
    r.keyword_line = decoder_top_line;
    r.line = section->line;
    const ScanAstNode* first = section->child;
    const std::pair<int, std::string*> names[] = {
        {DECODER_NAME_NODE, &r.decoder_name},
        {DECODER_SCAN_MODE_NODE, &r.decoder_scan_mode},
        {DECODER_SCAN_MODE_INV_NODE, &r.decoder_scan_mode_inv},
        {DECODER_TEST_MODE_NODE, &r.decoder_test_mode},
        {DECODER_TEST_MODE_INV_NODE, &r.decoder_test_mode_inv},
    };
    for (const auto& [kind, field] : names)
        if (const ScanAstNode* n = SCAN_FIND_AST(first, kind)) *field = first_child_text(n);
    r.scan_mode = control_port(first, SCAN_MODE_NODE, scan_mode_top_line, r.scan_mode_form);
    r.test_mode = control_port(first, TEST_MODE_NODE, test_mode_top_line, r.test_mode_form);
    r.override_mode = control_port(first, OVERRIDE_MODE_NODE, override_mode_top_line, r.override_mode_form);
    if (const ScanAstNode* n = SCAN_FIND_AST(first, KR_MODE_NODE); n && n->child) r.kr_mode = kr_mode(n);
    r.ram_write = control_port(first, RAM_WRITE_NODE, ram_write_top_line, r.ram_write_form);
    // The parser's form flags follow the decoder just mapped.
    new_decoder_scan_mode = r.scan_mode_form;
    new_decoder_test_mode = r.test_mode_form;
    new_decoder_override_mode = r.override_mode_form;
    new_decoder_ram_write = r.ram_write_form;
    if (const ScanAstNode* n = SCAN_FIND_AST(first, SCAN_CLK_NODE)) r.scan_clk = first_child_text(n);
    r.scan_mode_out = decoder_out(first, SCAN_MODE_OUT_NODE, scan_mode_out_top_line);
    r.scan_mode_inv_out = decoder_out(first, SCAN_MODE_INV_OUT_NODE, scan_mode_inv_out_top_line);
    r.test_mode_out = decoder_out(first, TEST_MODE_OUT_NODE, test_mode_out_top_line);
    r.test_mode_inv_out = decoder_out(first, TEST_MODE_INV_OUT_NODE, test_mode_inv_out_top_line);
    r.override_mode_out = decoder_out(first, OVERRIDE_MODE_OUT_NODE, override_mode_out_top_line);
    r.override_mode_inv_out = decoder_out(first, OVERRIDE_INV_OUT_NODE, override_mode_inv_out_top_line);
    if (const ScanAstNode* n = SCAN_FIND_AST(first, POSITION_NODE)) r.position = first_child_text(n);
    DFT_OBJECT->scan_decoder = std::move(r);
}
