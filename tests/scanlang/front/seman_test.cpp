// The block checks: missing, repeated-together and one-of-two statements
// per block, and the cross-references of a whole DFT file.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "scanlang/front/front.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

using testsupport::run_child;
using testsupport::stderr_of;

class Seman : public testing::Test {
protected:
    void SetUp() override {
        SCAN_FRONT_reset_globals();
        in_file_name = "t.dft";
        scan_yylineno = 9;
    }
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

// ----------------------------------------------------------- check_missing

struct MissingCase {
    const char* name;
    int block;
    std::function<void()> given;  // marks the statements the block has
    const char* err;
};
void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class CheckMissing : public Seman, public testing::WithParamInterface<MissingCase> {};

TEST_P(CheckMissing, Reports) {
    GetParam().given();
    std::string err = stderr_of([] { check_missing(GetParam().block); });
    EXPECT_EQ(err, GetParam().err);
    EXPECT_EQ(has_error, *GetParam().err ? 1 : 0);
}

#define W(text) "WARNING : 't.dft', line-9, " text ".\n"

INSTANTIATE_TEST_SUITE_P(
    Seman, CheckMissing,
    testing::Values(
        MissingCase{"SelectScanEmpty", BLOCK_SELECT_SCAN, [] {},
                    W("'%SCAN_INIT' statement is missing") W("'%SCAN_INCR' statement is missing")
                        W("'%SCAN_MAX' statement is missing") W("'%DONT_SCAN_TYPE' statement is missing")},
        MissingCase{"SelectScanComplete", BLOCK_SELECT_SCAN,
                    [] { select_scan_t[0] = select_scan_t[1] = select_scan_t[2] = select_scan_t[3] = 1; }, ""},
        MissingCase{"SequenceWithForce", BLOCK_SEQUENCE, [] { sequence_t[SEQ_FORCE] = 1; }, ""},
        MissingCase{"SequenceWithoutForce", BLOCK_SEQUENCE, [] { sequence_t[SEQ_CYCLE_LENGTH] = 1; },
                    W("'%FORCE' statement is missing")},
        MissingCase{"ConnectScanInstancesAndFile", BLOCK_CONNECT_SCAN,
                    [] { connect_scan_t[2] = connect_scan_t[3] = connect_scan_t[4] = 1; },
                    W("'%SCAN_INSTANCES' and '%SCAN_INSTANCES_FILE' statements can't appear in the same time")},
        MissingCase{"ConnectScanNoInstruction", BLOCK_CONNECT_SCAN, [] {},
                    W("'%SCAN_INSTRUCTION' statement is missing")},
        MissingCase{"ConnectBistBothInstanceForms", BLOCK_CONNECT_BIST,
                    [] {
                        for (int i = 0; i < 7; ++i) connect_bist_t[i] = 1;
                    },
                    W("'%BIST_INSTANCES' and '%BIST_INSTANCES_FILE' statements can't appear in the same time")},
        MissingCase{"ConnectBistNoInstanceForm", BLOCK_CONNECT_BIST,
                    [] {
                        for (int i = 0; i < 5; ++i) connect_bist_t[i] = 1;
                    },
                    W("either '%BIST_INSTANCES' or '%BIST_INSTANCES_FILE' statement is missing")},
        MissingCase{"SelectFaultSampleForms", BLOCK_SELECT_FAULT,
                    [] {
                        for (int i = 0; i < 5; ++i) select_fault_t[i] = 1;
                    },
                    W("either '%RANDOM_SAMPLE' or '%STATISTICAL_SAMPLE' statement is missing")},
        MissingCase{"MapCell", BLOCK_MAP_CELL, [] { map_cell_t[5] = 1; },
                    W("'%SCAN_PORT %SCAN_IN' statement is missing")},
        MissingCase{"ScanDecoderPortAndMode", BLOCK_SCAN_DECODER,
                    [] { scan_decoder_t[0] = scan_decoder_t[3] = scan_decoder_t[4] = 1; },
                    W("'%CONTROL_PORT_1' and 'SCAN_MODE' statements can't appear in the same time")},
        MissingCase{"DelayCellHalf", BLOCK_DELAY_CELL,
                    [] { delay_cell_t[0] = delay_cell_t[2] = delay_cell_t[4] = delay_cell_t[6] = 1; },
                    W("'%SCAN_PORT %SCAN_OUT' statement is missing") W("'%LOOP_DATA_OUT' statement is missing")
                        W("'%DELAY_SCAN_CLOCK' statement is missing")},
        MissingCase{"WrapperChain", BLOCK_WRAPPER_CHAIN, [] { wrapper_chain_t[0] = 1; },
                    W("'%SCAN_IN' statement is missing") W("'%SCAN_OUT' statement is missing")},
        MissingCase{"GristelWithTopModule", BLOCK_GRISTEL_INFO, [] { gristel_t[GRISTEL_TOP_MODULE] = 1; },
                    W("'%TDDM_TDM_INFO' statement is missing")},
        MissingCase{"BlocksWithoutChecks", BLOCK_INSTRUCTION,
                    [] {}, ""},
        MissingCase{"DftFileHasNoChecks", BLOCK_DFT_FILE, [] {}, ""},
        MissingCase{"NumberAboveTheTable", BLOCK_CLOCK_PERIOD, [] {}, ""}),
    [](const testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

#undef W

// ------------------------------------------------------ check_dft_semantic

ScanAstNode* ident(const char* name, int line = 3) {
    ScanAstNode* n = SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(IDENT_NODE), name);
    n->line = line;
    return n;
}

// A DFT tree of an instruction whose preamble lists the names, and the
// sequences defined.
void dft_tree(std::initializer_list<const char*> preamble, std::initializer_list<const char*> sequences) {
    ScanAstNode* names = SCAN_MAKE_AST(IDENT_LIST_NODE);
    names->line = 5;
    for (const char* p : preamble) SCAN_APPEND_CHILD(names, ident(p, 5));
    ScanAstNode* instr = SCAN_MAKE_DUET_AST(INSTRUCTION_NODE, ident("load"), SCAN_MAKE_SOLO_AST(PREAMBLE_NODE, names));
    SCAN_APPEND_CHILD(instr, SCAN_MAKE_SOLO_AST(MODE_NODE, ident("m")));
    SCAN_APPEND_CHILD(instr, SCAN_MAKE_SOLO_AST(SHIFT_NODE, ident("s1", 6)));
    thedftAST = SCAN_MAKE_AST(PROGRAM_NODE);
    SCAN_APPEND_CHILD(thedftAST, SCAN_MAKE_SOLO_AST(INSTRUCTION_LIST_NODE, instr));
    if (sequences.size()) {
        ScanAstNode* list = SCAN_MAKE_AST(SEQUENCE_LIST_NODE);
        for (const char* s : sequences) SCAN_APPEND_CHILD(list, SCAN_MAKE_SOLO_AST(SEQUENCE_NODE, ident(s)));
        SCAN_APPEND_CHILD(thedftAST, list);
    }
}

TEST_F(Seman, SequenceNamesMustBeDefinedWhateverTheirOrder) {
    for (auto preamble : {std::initializer_list<const char*>{"s1", "nope"}, {"nope", "s1"}}) {
        auto r = run_child([&] {
            dft_tree(preamble, {"s1", "s2"});
            check_dft_semantic();
        });
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, "ERROR : 't.dft', line-5, SEQUENCE name - 'nope' is undefined.\n");
    }
    // The shift sequence (an item other than the preamble) is checked too.
    auto r = run_child([] {
        dft_tree({"s2"}, {"s2"});
        check_dft_semantic();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.dft', line-6, SEQUENCE name - 's1' is undefined.\n");
    // Defined names pass.
    dft_tree({"s1", "s2"}, {"s2", "s1"});
    EXPECT_EQ(stderr_of([] { check_dft_semantic(); }), "");
}

TEST_F(Seman, NoSequenceListChecksNoSequenceNames) {
    dft_tree({"nope"}, {});
    EXPECT_EQ(stderr_of([] { check_dft_semantic(); }), "");
}

TEST_F(Seman, ConnectScanInstructionMustBeDefined) {
    auto r = run_child([] {
        dft_tree({"s1"}, {"s1"});
        ScanAstNode* chain = SCAN_MAKE_DUET_AST(CONNECT_SCAN_NODE, ident("c1"),
                                                SCAN_MAKE_SOLO_AST(SCAN_INSTRUCTION_NODE, ident("other", 8)));
        SCAN_APPEND_CHILD(thedftAST, SCAN_MAKE_SOLO_AST(CONNECT_SCAN_LIST_NODE, chain));
        check_dft_semantic();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.dft', line-8, INSTRUCTION name - 'other' is undefined.\n");
}

TEST_F(Seman, ReadMapRecordsTheMapFile) {
    thedftAST = SCAN_MAKE_SOLO_AST(PROGRAM_NODE, SCAN_MAKE_SOLO_AST(READ_MAP_NODE, ident("chip.map")));
    check_dft_semantic();
    EXPECT_EQ(has_map_file, 1);
    EXPECT_EQ(map_file_name, "chip.map");
}

TEST_F(Seman, PatternLengthAgainstPortCount) {
    auto entry = [](const char* pattern) {
        ScanAstNode* ports = SCAN_MAKE_DUET_AST(IDENT_LIST_NODE, ident("a"), ident("b"));
        ScanAstNode* p = SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(PATTERN_NODE), pattern);
        p->line = 12;
        return SCAN_MAKE_DUET_AST(LEGAL_INPUTS_NODE, ports, SCAN_MAKE_SOLO_AST(PATTERN_LIST_NODE, p));
    };
    ScanAstNode* good = entry("01");
    EXPECT_EQ(check_atpg_pattern_length(good), 0);
    SCAN_FREE_AST(good);
    auto r = run_child([&] {
        ScanAstNode* body = SCAN_MAKE_SOLO_AST(ATPG_CONTAIN_NODE, SCAN_MAKE_SOLO_AST(LEGAL_INPUTS_LIST_NODE, entry("011")));
        ScanAstNode* mode = SCAN_MAKE_DUET_AST(ATPG_MODE_NODE, ident("m"), body);
        thedftAST = SCAN_MAKE_SOLO_AST(PROGRAM_NODE, SCAN_MAKE_SOLO_AST(ATPG_CONSTAINTS_NODE, mode));
        check_dft_semantic();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "ERROR : 't.dft', line-12, pattern length (011) is inconsistent with port number.\n");
}

TEST_F(Seman, DuplicateAtpgModes) {
    ScanAstNode* chain = nullptr;
    for (const char* m : {"a", "b", "a"}) {
        ScanAstNode* mode = SCAN_MAKE_SOLO_AST(ATPG_MODE_NODE, ident(m));
        mode->line = m[0] == 'a' && chain ? 20 : 10;
        chain = chain ? SCAN_APPEND_SIBLING(chain, mode) : mode;
    }
    EXPECT_EQ(stderr_of([&] { check_atpg_scan_opt_duplicate(chain); }),
              "WARNING : 't.dft', line-20, '%ATPG_MODE a' is multiple defined.\n");
    SCAN_FREE_AST(chain);
}

}  // namespace
