// The cell-library language: accepted and rejected texts, the syntax tree,
// and the record words its items fill.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <cstdio>
#include <string>
#include <vector>

#include "desc_test_util.h"

namespace {

using namespace desc;
using desctest::DescTest;
using desctest::str;

std::string tree_of(const std::string& text) {
    desctest::parse_lib(text);
    return desctest::stdout_of([] { PRINT_AST(theAST, 0); });
}

// Saves the last library tree into the tables block by block, the way
// the description reader does (without its later steps).
void save_tree() {
    for (DescAstNode* block = theAST->child; block; block = block->sibling) {
        DescAstNode* items = block->child->sibling;
        if (block->kind == TAP_CELL_NODE) {
            TapCellEntry* t = new_tap_cell(block->child->text);
            for (DescAstNode* i = items; i; i = i->sibling) EXPECT_EQ(lib_fill_tap_cell(t, i), 1);
        } else if (block->kind == SCAN_CELL_NODE) {
            ScanCellEntry* c = new_scan_cell(block->child->text, 0);
            for (DescAstNode* i = items; i; i = i->sibling) EXPECT_EQ(lib_fill_scan_cell(c, i), 1);
        } else {
            int kind = block->kind == DIFF_V_BUFFER_CELL_NODE   ? BUFFER_DIFF_VOLTAGE
                       : block->kind == DIFF_I_BUFFER_CELL_NODE ? BUFFER_DIFF_CURRENT
                       : block->kind == BS_BUFFER_NODE          ? BUFFER_BS
                                                                : BUFFER_PLAIN;
            for (DescAstNode* n = block->child->child; n; n = n->sibling) {
                BufferEntry* b = new_buffer(n->text, kind);
                for (DescAstNode* i = items; i; i = i->sibling) lib_fill_buffer(b, i);
            }
            if (kind == BUFFER_BS) {
                ScanCellEntry* c = new_scan_cell(block->child->child->text, 1);
                for (DescAstNode* i = items; i; i = i->sibling) lib_fill_scan_cell(c, i);
            }
        }
    }
}

TEST_F(DescTest, LibTreeOfScanCellWithExtraPin) {
    EXPECT_EQ(tree_of("%SCAN_CELL BC1 { %DATA_IN DI; %DATA_OUT DO; %EXTRA_2 X2; }"),
              "PROGRAM_NODE\n"
              "    SCAN_CELL_NODE\n"
              "        IDENT_NODE [BC1]\n"
              "        DATA_IN_NODE\n"
              "            IDENT_NODE [DI]\n"
              "        DATA_OUT_NODE\n"
              "            IDENT_NODE [DO]\n"
              "        EXTRA_NODE\n"
              "            INTEGER_NODE [2]\n"
              "            IDENT_NODE [X2]\n");
    save_tree();
    ScanCellEntry* c = get_scan_cell("BC1");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(DYNA_count(c->extra), 2);
    EXPECT_EQ(c->extra[0], nullptr);
    EXPECT_STREQ(c->extra[1], "X2");
    EXPECT_EQ(DYNA_count(c->std_name), 0);  // the reader adds the cell's own name
    EXPECT_EQ(c->oe_mode_direction, -1);
    EXPECT_EQ(c->bs_buffer, 0);
}

TEST_F(DescTest, LibTreeOfBufferBlocksAndWords) {
    EXPECT_EQ(tree_of("// comment\n/* block\n comment */\n"
                      "%BUFFER PI*, -_\\%*A, %A, IO[3], P*_IN, a?b-c { %INPUT -A; %WEAK_0; }\n"
                      "%TAP_CONTROLLER T { %GROUP_SIZE 20; %INV_BUFFER IV; }\n"
                      "%SCAN_CELL S { %STD_NAME X, Y; %HIGHZ H; %MODE_3 M; }"),
              "PROGRAM_NODE\n"
              "    BUFFER_CELL_NODE\n"
              "        IDENT_LIST_NODE\n"
              "            IDENT_NODE [PI*]\n"
              "            IDENT_NODE [-_\\%*A]\n"
              "            IDENT_NODE [%A]\n"
              "            IDENT_NODE [IO[3]]\n"
              "            IDENT_NODE [P*_IN]\n"
              "            IDENT_NODE [a?b-c]\n"
              "        INPUT_NODE\n"
              "            IDENT_NODE [-A]\n"
              "        WEAK_0_NODE\n"
              "    TAP_CELL_NODE\n"
              "        IDENT_NODE [T]\n"
              "        GROUP_SIZE_NODE\n"
              "            INTEGER_NODE [20]\n"
              "        INV_BUFFER_NODE\n"
              "            IDENT_NODE [IV]\n"
              "    SCAN_CELL_NODE\n"
              "        IDENT_NODE [S]\n"
              "        STD_NAME_LIST_NODE\n"
              "            IDENT_NODE [X]\n"
              "            IDENT_NODE [Y]\n"
              "        BS_HIGHZ_NODE\n"
              "            IDENT_NODE [H]\n"
              "        MODE_3_NODE\n"
              "            IDENT_NODE [M]\n");
}

TEST_F(DescTest, LibNodesCarryLinesAndParents) {
    desctest::parse_lib("\n%SCAN_CELL C\n{\n  %TDI\n A;\n}\n");
    DescAstNode* cell = theAST->child;
    EXPECT_EQ(cell->line, 2);
    EXPECT_EQ(cell->parent, theAST);
    DescAstNode* tdi = cell->child->sibling;
    EXPECT_EQ(tdi->kind, TDI_NODE);
    EXPECT_EQ(tdi->line, 4);
    EXPECT_EQ(tdi->parent, cell);
    EXPECT_EQ(tdi->child->line, 5);
    EXPECT_EQ(tdi->child->parent, tdi);
}

struct Rejected {
    const char* text;
    const char* out;  // standard output
    int status;
};

void PrintTo(const Rejected& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class LibRejected : public DescTest, public ::testing::WithParamInterface<Rejected> {};

TEST_P(LibRejected, MessageFileLineAndStatus) {
    const Rejected& c = GetParam();
    auto r = desctest::run_child([&] { desctest::parse_lib(c.text, "cells.lib"); });
    EXPECT_EQ(r.status, c.status) << c.text;
    EXPECT_EQ(r.out, c.out) << c.text;
    EXPECT_EQ(r.err, "") << c.text;
}

#define SYNTAX(line, at) "\"cells.lib\", line " #line ": Syntax Error at '" at "'\n"

INSTANTIATE_TEST_SUITE_P(
    Table, LibRejected,
    ::testing::Values(
        // The last item needs its ";" too.
        Rejected{"%SCAN_CELL BC1 { %DATA_IN DI }", SYNTAX(1, "}"), 255},
        // "%EXTRA_" is cut off; what follows must be an integer.
        Rejected{"%SCAN_CELL BC1 { %EXTRA_a PIN; }", SYNTAX(1, "a"), 255},
        Rejected{"%SCAN_CELL BC1 { %EXTRA_ PIN; }", SYNTAX(1, "PIN"), 255},
        // Positions count from 1.
        Rejected{"%SCAN_CELL BC1 { %EXTRA_0 PIN; }", SYNTAX(1, "0"), 255},
        // Positions are bounded: the list of extra pins is as long as the
        // highest one.
        Rejected{"%SCAN_CELL BC1 {\n  %EXTRA_1025 PIN; }",
                 "\"cells.lib\", line 2: %EXTRA_1025: at most 1024 extra pins are allowed\n", 255},
        Rejected{"%TAP_CONTROLLER T { %EXTRA_300000000 X; }",
                 "\"cells.lib\", line 1: %EXTRA_300000000: at most 1024 extra pins are allowed\n", 255},
        Rejected{"%TAP_CONTROLLER T { %EXTRA_99999999999999999999 X; }",
                 "\"cells.lib\", line 1: %EXTRA_99999999999999999999: at most 1024 extra pins are allowed\n", 255},
        // Items not allowed in their block.
        Rejected{"%SCAN_CELL BC1 {\n  %TMS T;\n}", SYNTAX(2, "%TMS"), 255},
        Rejected{"%TAP_CONTROLLER T { %DATA_IN D; }", SYNTAX(1, "%DATA_IN"), 255},
        Rejected{"%BUFFER B { %INPUT_P A; }", SYNTAX(1, "%INPUT_P"), 255},
        Rejected{"%DIFFERENTIAL_VOLTAGE D { %INOUT A; }", SYNTAX(1, "%INOUT"), 255},
        Rejected{"%BUFFER B { %BCELL C; }", SYNTAX(1, "%BCELL"), 255},
        Rejected{"%BS_BUFFER B { %CONTROL_IN C; }", SYNTAX(1, "%CONTROL_IN"), 255},
        Rejected{"%SCAN_CELL S { %FUNCTION F; }", SYNTAX(1, "%FUNCTION"), 255},
        // Operands of the wrong kind.
        Rejected{"%TAP_CONTROLLER T { %GROUP_SIZE x; }", SYNTAX(1, "x"), 255},
        Rejected{"%TAP_CONTROLLER T { %TDI 5; }", SYNTAX(1, "5"), 255},
        Rejected{"%BUFFER B { %WEAK_0 W; }", SYNTAX(1, "W"), 255},
        Rejected{"%SCAN_CELL A, B { %DATA_IN X; }", SYNTAX(1, ","), 255},
        Rejected{"%SCAN_CELL %BUFFER { %DATA_IN X; }", SYNTAX(1, "%BUFFER"), 255},
        // A block needs an item; a library needs a block.
        Rejected{"%BUFFER B { }", SYNTAX(1, "}"), 255},
        Rejected{"", SYNTAX(1, ""), 255},
        Rejected{"// nothing\n\n", SYNTAX(3, ""), 255},
        Rejected{"%BUFFER B { %INPUT A;", SYNTAX(1, ""), 255},
        Rejected{"SCAN_CELL X { }", SYNTAX(1, "SCAN_CELL"), 255},
        // Texts that are not one word.
        Rejected{"%BUFFER *_IN { %INPUT A; }", SYNTAX(1, "*"), 255},
        Rejected{"%%A", SYNTAX(1, "%"), 255},
        Rejected{"__A", SYNTAX(1, "_"), 255},
        Rejected{"%BUFFER a.b { %INPUT A; }", SYNTAX(1, "."), 255},
        Rejected{"%BUFFER B { %INPUT a/b; }", SYNTAX(1, "/"), 255},
        Rejected{"%BUFFER B { %INPUT A; } @", SYNTAX(1, "@"), 255},
        // Keywords are case-sensitive.
        Rejected{"%scan_cell X { %DATA_IN D; }", SYNTAX(1, "%scan_cell"), 255},
        // Comments.
        Rejected{"%BUFFER B { %INPUT A; }\n/* open\n", "'cells.lib' line 3: Missing '*/'.\n", 255},
        Rejected{"/* a\n /* b */", "'cells.lib' line 2: Missing '*/'.\n", 255}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

// A read failure of the input is an internal scanner failure: status 2.
TEST_F(DescTest, LibReadFailureEndsWithStatusTwo) {
    testsupport::TempDir dir;
    auto r = desctest::run_child([&] {
        desc_set_text(&LIB_FILE, dir.str().c_str());
        lib_yyin = std::fopen(dir.str().c_str(), "r");
        lib_yyparse();
    });
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "\"" + dir.str() + "\", line 1: cannot read the input (Is a directory)\n");
}

TEST_F(DescTest, LibTraceAtDumpLevelTwo) {
    DUMP = 2;
    std::string out = desctest::stdout_of([] { desctest::parse_lib("%BUFFER A, B\n{ %INPUT I; }\n%SCAN_CELL C { %EXTRA_3 X; }"); });
    EXPECT_EQ(out,
              "1: KEYWORD : %BUFFER\n1: IDENT : A\nCOMMA\n1: IDENT : B\nLBRACE\n2: KEYWORD : %INPUT\n"
              "2: IDENT : I\nSEMICOLON\nRBRACE\n3: KEYWORD : %SCAN_CELL\n3: IDENT : C\nLBRACE\n"
              "3: KEYWORD : %EXTRA_\nINTEGER: 3\n3: IDENT : X\nSEMICOLON\nRBRACE\n");
    DUMP = 0;
    EXPECT_EQ(desctest::stdout_of([] { desctest::parse_lib("%BUFFER A { %INPUT I; }"); }), "");
}

// Each item fills its own word of each kind of record.
TEST_F(DescTest, LibItemsFillTheirWords) {
    struct ScanItem {
        const char* kw;
        char* ScanCellEntry::*field;
    };
    const ScanItem scan_items[] = {
        {"%DATA_IN", &ScanCellEntry::data_in},     {"%DATA_OUT", &ScanCellEntry::data_out},
        {"%SYS_IN", &ScanCellEntry::sys_in},       {"%SYS_PIN", &ScanCellEntry::sys_pin},
        {"%TDI", &ScanCellEntry::tdi},             {"%TDO", &ScanCellEntry::tdo},
        {"%TCK", &ScanCellEntry::tck},             {"%HIGHZ", &ScanCellEntry::highz},
        {"%CLOCK_DR", &ScanCellEntry::clock_dr},   {"%SHIFT_DR", &ScanCellEntry::shift_dr},
        {"%UPDATE_DR", &ScanCellEntry::update_dr}, {"%RST", &ScanCellEntry::rst},
        {"%MODE_1", &ScanCellEntry::mode1},        {"%MODE_2", &ScanCellEntry::mode2},
        {"%MODE_3", &ScanCellEntry::mode3},        {"%CONTROL_IN", &ScanCellEntry::control_in},
        {"%UPDATE_DR_OUT", &ScanCellEntry::update_dr_out},
        {"%MUX_DATA_IN", &ScanCellEntry::mux_data_in},
        {"%OE_MODE", &ScanCellEntry::oe_mode},     {"%EN_L", &ScanCellEntry::en_l},
        {"%EN_H", &ScanCellEntry::en_h},
    };
    struct TapItem {
        const char* kw;
        char* TapCellEntry::*field;
    };
    const TapItem tap_items[] = {
        {"%INSTANCE_NAME", &TapCellEntry::instance_name}, {"%HIGHZ_COMMAND", &TapCellEntry::highz_command},
        {"%GROUP_METHOD", &TapCellEntry::group_method},   {"%SIGNAL_BUFFER", &TapCellEntry::signal_buffer},
        {"%DF_SIGNAL_BUFFER", &TapCellEntry::df_signal_buffer},
        {"%INV_BUFFER", &TapCellEntry::inv_buffer},       {"%TDI", &TapCellEntry::tdi},
        {"%TDO", &TapCellEntry::tdo},                     {"%TDO_EN", &TapCellEntry::tdo_en},
        {"%TMS", &TapCellEntry::tms},                     {"%TCK", &TapCellEntry::tck},
        {"%TRST", &TapCellEntry::trst},                   {"%LASTTDO", &TapCellEntry::lasttdo},
        {"%CLOCK_DR", &TapCellEntry::clock_dr},           {"%SHIFT_DR", &TapCellEntry::shift_dr},
        {"%UPDATE_DR", &TapCellEntry::update_dr},         {"%MODE_1", &TapCellEntry::mode1},
        {"%MODE_2", &TapCellEntry::mode2},                {"%MODE_3", &TapCellEntry::mode3},
        {"%FIRST_BCELL", &TapCellEntry::first_bcell},     {"%LAST_BCELL", &TapCellEntry::last_bcell},
        {"%TAP_RESET", &TapCellEntry::tap_reset},
    };
    struct BufItem {
        const char* kw;
        char* BufferEntry::*field;
        const char* block;
    };
    const BufItem buf_items[] = {
        {"%FUNCTION", &BufferEntry::function, "%BUFFER"},  {"%INOUT", &BufferEntry::inout, "%BUFFER"},
        {"%INPUT", &BufferEntry::input, "%BUFFER"},        {"%OUTPUT", &BufferEntry::output, "%INV_BUFFER"},
        {"%INPUT_P", &BufferEntry::input, "%DIFFERENTIAL_VOLTAGE"},
        {"%OUTPUT_P", &BufferEntry::output, "%DIFFERENTIAL_CURRENT"},
        {"%INPUT_M", &BufferEntry::input_m, "%DIFFERENTIAL_VOLTAGE"},
        {"%OUTPUT_M", &BufferEntry::output_m, "%DIFFERENTIAL_CURRENT"},
        {"%EN_L", &BufferEntry::en_l, "%BUFFER"},          {"%EN_H", &BufferEntry::en_h, "%BS_BUFFER"},
        {"%MUX_IN1", &BufferEntry::mux_in1, "%BUFFER"},    {"%MUX_IN2", &BufferEntry::mux_in2, "%BUFFER"},
        {"%MUX_IN3", &BufferEntry::mux_in3, "%BUFFER"},    {"%MUX_OUT", &BufferEntry::mux_out, "%BUFFER"},
        {"%MODE_1", &BufferEntry::mode1, "%BUFFER"},       {"%MODE_2", &BufferEntry::mode2, "%BUFFER"},
        {"%MODE_3", &BufferEntry::mode3, "%DIFFERENTIAL_VOLTAGE"},
        {"%BCELL", &BufferEntry::bcell, "%BS_BUFFER"},     {"%IN_BCELL", &BufferEntry::in_bcell, "%BS_BUFFER"},
        {"%OUT_BCELL", &BufferEntry::out_bcell, "%BS_BUFFER"},
        {"%CONTROL_BCELL", &BufferEntry::control_bcell, "%BS_BUFFER"},
    };
    for (const ScanItem& it : scan_items) {
        DESC_reset_globals();
        desctest::parse_lib(std::string("%SCAN_CELL C { ") + it.kw + " first; " + it.kw + " -pin; }");
        save_tree();
        ScanCellEntry* c = get_scan_cell("C");
        EXPECT_EQ(str(c->*it.field), "-pin") << it.kw;  // the last one given, "-" kept
        int set = 0;
        for (const ScanItem& other : scan_items) set += c->*other.field != nullptr;
        EXPECT_EQ(set, 1) << it.kw;
    }
    for (const TapItem& it : tap_items) {
        DESC_reset_globals();
        desctest::parse_lib(std::string("%TAP_CONTROLLER T { ") + it.kw + " v; }");
        save_tree();
        TapCellEntry* t = get_tap_cell("T");
        EXPECT_EQ(str(t->*it.field), "v") << it.kw;
        int set = 0;
        for (const TapItem& other : tap_items) set += t->*other.field != nullptr;
        EXPECT_EQ(set, 1) << it.kw;
        EXPECT_EQ(t->group_size, -1);
        EXPECT_EQ(t->df_group_size, -1);
    }
    for (const BufItem& it : buf_items) {
        DESC_reset_globals();
        desctest::parse_lib(std::string(it.block) + " B { " + it.kw + " v; }");
        save_tree();
        BufferEntry* b = get_buffer("B");
        EXPECT_EQ(str(b->*it.field), "v") << it.kw << " in " << it.block;
        int set = 0;
        for (const BufItem& other : buf_items)
            if (other.field != it.field) set += b->*other.field != nullptr;
        EXPECT_EQ(set, 0) << it.kw;
    }
}

TEST_F(DescTest, LibExtraPinAtTheLimit) {
    desctest::parse_lib("%SCAN_CELL S { %EXTRA_1024 LAST; }\n");
    save_tree();
    ScanCellEntry* c = get_scan_cell("S");
    ASSERT_EQ(DYNA_count(c->extra), DESC_MAX_EXTRA_PINS);
    EXPECT_STREQ(c->extra[DESC_MAX_EXTRA_PINS - 1], "LAST");
    EXPECT_EQ(c->extra[0], nullptr);
}

TEST_F(DescTest, LibGroupSizesFlagsListsAndBsBuffer) {
    desctest::parse_lib(
        "%TAP_CONTROLLER T { %GROUP_SIZE 20; %EXTRA_2 E2; }\n"
        "%TAP_CONTROLLER U { %GROUP_SIZE 08; %DF_GROUP_SIZE 0012; }\n"
        "%SCAN_CELL S { %STD_NAME A, B; %STD_NAME C; %ORDER DI, SI, TI; }\n"
        "%BUFFER PI*, PO* { %INPUT A; %OUTPUT Y; %WEAK_1; %KEEPER; }\n"
        "%BS_BUFFER X, Y { %INPUT I; %TDI TI; %MODE_1 M; %EN_L E; %BCELL BC; }\n");
    save_tree();
    TapCellEntry* t = get_tap_cell("T");
    EXPECT_EQ(t->group_size, 20);
    EXPECT_EQ(t->df_group_size, -1);
    ASSERT_EQ(DYNA_count(t->extra), 2);
    EXPECT_STREQ(t->extra[1], "E2");
    TapCellEntry* u = get_tap_cell("U");
    EXPECT_EQ(u->group_size, 8);  // decimal
    EXPECT_EQ(u->df_group_size, 12);

    ScanCellEntry* s = get_scan_cell("S");
    ASSERT_EQ(DYNA_count(s->std_name), 3);
    EXPECT_STREQ(s->std_name[2], "C");
    ASSERT_EQ(DYNA_count(s->order), 3);
    EXPECT_STREQ(s->order[1], "SI");

    for (const char* n : {"PI*", "PO*"}) {
        BufferEntry* b = get_buffer(n);
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(b->input, "A");
        EXPECT_EQ(b->weak_0 + b->weak_1 * 2 + b->pull_0 * 4 + b->pull_1 * 8 + b->keeper * 16, 2 + 16);
        EXPECT_EQ(b->kind, BUFFER_PLAIN);
    }
    ASSERT_EQ(DYNA_count(WILD_CARD_BUF_TAB), 2);
    EXPECT_STREQ(WILD_CARD_BUF_TAB[0], "PI*");
    EXPECT_STREQ(WILD_CARD_BUF_TAB[1], "PO*");
    EXPECT_STREQ(get_buffer("PO7")->name, "PO*");

    // A %BS_BUFFER block: buffers of both names, one scan cell of the first.
    for (const char* n : {"X", "Y"}) {
        BufferEntry* b = get_buffer(n);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->kind, BUFFER_BS);
        EXPECT_STREQ(b->input, "I");
        EXPECT_STREQ(b->en_l, "E");
        EXPECT_STREQ(b->bcell, "BC");
    }
    ScanCellEntry* x = get_scan_cell("X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->bs_buffer, 1);
    EXPECT_STREQ(x->tdi, "TI");
    EXPECT_STREQ(x->mode1, "M");
    EXPECT_STREQ(x->en_l, "E");
    EXPECT_EQ(get_scan_cell("Y"), nullptr);
}

// The demo library reads whole; the records match what it says.
TEST_F(DescTest, LibFixtureReadsWhole) {
    FILE* f = std::fopen(testsupport::source_path("tests/fixtures/desc/cells.lib").c_str(), "r");
    ASSERT_NE(f, nullptr);
    desc_set_text(&LIB_FILE, "cells.lib");
    lib_yyin = f;
    lib_yyparse();
    std::fclose(f);
    lib_yyin = nullptr;
    save_tree();
    desc_build_listing(TAP_CELL_HASH_TAB, &TAP_CELL_TAB);
    desc_build_listing(SCAN_CELL_HASH_TAB, &SCAN_CELL_TAB);
    desc_build_listing(BUFFER_HASH_TAB, &BUFFER_TAB);
    EXPECT_EQ(DYNA_count(TAP_CELL_TAB), 1);
    EXPECT_EQ(DYNA_count(SCAN_CELL_TAB), 3);  // BC_IN, BC_OUT and the %BS_BUFFER's PBS
    EXPECT_EQ(DYNA_count(BUFFER_TAB), 8);
    TapCellEntry* tap = get_tap_cell("qdx_tap");
    ASSERT_NE(tap, nullptr);
    EXPECT_STREQ(tap->trst, "-TRST");
    EXPECT_EQ(tap->group_size, 16);
    EXPECT_EQ(tap->df_group_size, 8);
    EXPECT_STREQ(tap->tap_reset, "-RESET");
    ASSERT_EQ(DYNA_count(tap->extra), 2);
    EXPECT_STREQ(get_scan_cell("BC_IN")->std_name[1], "BC_4");
    EXPECT_STREQ(get_scan_cell("BC_OUT")->extra[2], "X3");
    EXPECT_STREQ(get_buffer("PI7")->output, "Y");
    EXPECT_EQ(get_buffer("PI7")->pull_1, 1);
    EXPECT_STREQ(get_buffer("PIN_CK")->name, "PIN_CK");
    EXPECT_STREQ(get_buffer("PB3")->mux_out, "MO");
    EXPECT_EQ(get_buffer("LVDS_RX")->kind, BUFFER_DIFF_VOLTAGE);
    EXPECT_STREQ(get_buffer("LVDS_RX")->input_m, "PADN");
    EXPECT_EQ(get_buffer("CML_TX")->kind, BUFFER_DIFF_CURRENT);
    EXPECT_STREQ(get_buffer("PBS2")->out_bcell, "BC_OUT");
    EXPECT_STREQ(get_scan_cell("PBS")->mode2, "BM2");
    EXPECT_EQ(get_buffer("NOPE"), nullptr);
}

}  // namespace
