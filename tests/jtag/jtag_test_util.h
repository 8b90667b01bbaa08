// Helpers of the TAP-side tests: a fixture that starts every test from
// empty tables, builders for instruction tables and TAP controllers, and a
// child-process runner for the runs that end.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "kestrand/kestrand_reset.h"
#include "desc/lib.h"
#include "desc/tables.h"
#include "jtag/jtag.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace jtagtest {

using testsupport::ChildResult;
using testsupport::run_child;
using testsupport::stdout_of;

struct Enable {
    const char* signal;
    const char* value = nullptr;   // null: no value given
    const char* second = nullptr;  // signal after the gate word
    int gate = GATE_NONE;
};

// Appends an instruction row to INSTRUCTIONS.
inline void add_instruction(const char* name, std::initializer_list<const char*> opcodes, const char* access,
                            std::initializer_list<Enable> enables = {}) {
    if (!INSTRUCTIONS) INSTRUCTIONS = DYNA_new<InstructionEntry>();
    int i = DYNA_add(&INSTRUCTIONS, 1);
    InstructionEntry& e = INSTRUCTIONS[i];
    e = InstructionEntry{};
    e.name = name ? qdx_strdup(name) : nullptr;
    e.opcodes = DYNA_new<char*>();
    for (const char* op : opcodes) STR_add(&e.opcodes, op);
    e.access = access ? qdx_strdup(access) : nullptr;
    e.enable = DYNA_new<char*>();
    e.enable_value = DYNA_new<char*>();
    e.enable_second = DYNA_new<char*>();
    e.enable_gate = DYNA_new<int>();
    for (const Enable& en : enables) {
        STR_add(&e.enable, en.signal);
        STR_add(&e.enable_value, en.value);
        STR_add(&e.enable_second, en.second);
        DYNA_append(&e.enable_gate, en.gate);
    }
}

inline void set_list(char*** list, std::initializer_list<const char*> texts) {
    STR_free(list);
    *list = DYNA_new<char*>();
    for (const char* t : texts) STR_add(list, t);
}

// The smallest table the rules accept: EXTEST, SAMPLE and BYPASS with a
// capture pattern, four opcode bits.
inline void minimal_table() {
    add_instruction("EXTEST", {"0000"}, "boundary");
    add_instruction("SAMPLE", {"0001"}, "boundary");
    add_instruction("BYPASS", {"1111"}, "BYPASS");
    set_list(&INST_CAPTURE, {"0001"});
}

inline const char* kIdcode = "00010010001101000101011001111001";
inline const char* kUsercode = "11110000111100001111000011110000";

// A library TAP controller that names every pin the defaults would give.
inline TapCellEntry* library_tap(const char* name) {
    TapCellEntry* t = new_tap_cell(name);
    for (auto [field, text] : {std::pair{&t->tdi, "TDI"}, {&t->tdo, "TDO"}, {&t->tms, "TMS"}, {&t->tck, "TCK"},
                               {&t->shift_dr, "SHIFT_DR"}, {&t->clock_dr, "CLOCK_DR"},
                               {&t->first_bcell, "first_Bcell"}, {&t->last_bcell, "BOUNDARY_out"}})
        desc_set_text(field, text);
    desc_set_text(&TAP_MODULE_NAME, name);
    desc_set_text(&TAP_INSTANCE_NAME, "TAP");
    return t;
}

// A description that uses every optional port of the TAP top module:
// TDO enable, TRST, UPDATE_DR, TAP_RESET, MODE1, an EXTRA pin, the external
// IDCODE bus, the HIGHZ command, CHIP_TEST, a user data register, two
// enable pins (one four bits wide) and the ATPG modes.
inline void rich_description() {
    minimal_table();
    add_instruction("INTEST", {"0010"}, "boundary");
    add_instruction("IDCODE", {"0011"}, "idcode");
    add_instruction("CHIP_TEST", {"0100"}, "MYREG[7:0]", {{"EN", "0101"}});
    add_instruction("QUENDAL_ATPG", {"0101"}, "bypass", {{"EN2", "1", "SHIFT_DR", GATE_AND}});
    add_instruction("HIGHZ", {"0110"}, "bypass");
    desc_set_text(&IDCODE_REG, kIdcode);
    TapCellEntry* t = library_tap("chip_tap");
    desc_set_text(&TAP_INSTANCE_NAME, "U_TAP");
    desc_set_text(&t->tdo_en, "-TDO_EN");
    desc_set_text(&t->trst, "-TRST");
    desc_set_text(&t->update_dr, "UPDATE_DR");
    desc_set_text(&t->tap_reset, "-RESET");
    desc_set_text(&t->mode1, "MODE1");
    desc_set_text(&t->highz_command, "HIGHZ");
    desc_set_extra(&t->extra, 1, "EXTRA1");
    desc_set_text(&GLOBAL_TRST, "TRST");
    BCELL_UPDATE_DR = BCELL_RST = BCELL_MODE1 = 1;
    BCELL_EXTRA = 1;
    JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
}

inline std::string str(const char* s) { return s ? s : "-"; }

inline std::vector<std::string> texts(char** list) {
    std::vector<std::string> v;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) v.push_back(str(list[i]));
    return v;
}

// Every test starts from empty tables, options and TAP facts, with the
// description files named "chip.bsc" and "cells.lib".
class JtagTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        JTAG_BSC_FILE = "chip.bsc";
        JTAG_LIB_FILE = "cells.lib";
    }
    void TearDown() override { reset(); }

    static void reset() {
        KESTRAND_reset_globals();
    }
};

}  // namespace jtagtest
