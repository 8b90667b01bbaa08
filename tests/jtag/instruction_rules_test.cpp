// Instruction-table rules: the facts drawn from accepted tables, and the
// message and status of every breach.

#include <functional>
#include <string>
#include <vector>

#include "jtag_test_util.h"

namespace {

using jtagtest::add_instruction;
using jtagtest::Enable;
using jtagtest::JtagTest;
using jtagtest::kIdcode;
using jtagtest::kUsercode;
using jtagtest::minimal_table;
using jtagtest::set_list;

// The rows of the standard instructions that exist, as "name=row ...".
std::string standard_rows() {
    const std::pair<const char*, int> rows[] = {
        {"intest", INTEST_EXIST},   {"extest", EXTEST_EXIST},     {"sample", SAMPLE_EXIST},
        {"chip_test", CHIP_TEST_EXIST}, {"idcode", IDCODE_EXIST}, {"usercode", USERCODE_EXIST},
        {"bypass", BYPASS_EXIST},   {"highz", HIGHZ_EXIST},       {"clamp", CLAMP_EXIST},
        {"runbist", RUNBIST_EXIST}, {"quendal_atpg", QUENDAL_ATPG_EXIST}};
    std::string s;
    for (auto [name, row] : rows)
        if (row >= 0) s += (s.empty() ? "" : " ") + std::string(name) + "=" + std::to_string(row);
    return s;
}

std::vector<std::string> enable_pins() {
    std::vector<std::string> v;
    for (int i = 0, n = DYNA_count(INST_ENABLE_PIN); i < n; ++i) {
        const InstEnablePin& p = INST_ENABLE_PIN[i];
        v.push_back(std::string(p.name) + ":" + p.value + ":" + jtagtest::str(p.second) + ":" +
                    std::to_string(p.gate));
    }
    return v;
}

struct Accepted {
    const char* label;
    std::function<void()> table;
    int inst_len;
    const char* rows;
    std::vector<std::string> access_reg;
    int dr_sel_line;
    std::vector<std::string> enables;
};

void PrintTo(const Accepted& c, std::ostream* os) { *os << c.label; }

class AcceptedTable : public JtagTest, public ::testing::WithParamInterface<Accepted> {};

TEST_P(AcceptedTable, Facts) {
    const Accepted& c = GetParam();
    c.table();
    std::string out = jtagtest::stdout_of([] { set_up_various_flags(); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(INST_LEN, c.inst_len);
    EXPECT_EQ(standard_rows(), c.rows);
    EXPECT_EQ(jtagtest::texts(ACCESS_REG), c.access_reg);
    EXPECT_EQ(DR_SEL_LINE, c.dr_sel_line);
    EXPECT_EQ(enable_pins(), c.enables);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AcceptedTable,
    ::testing::Values(
        Accepted{"Minimal", minimal_table, 4, "extest=0 sample=1 bypass=2", {"BYPASS", "boundary"}, 1, {}},
        Accepted{"IdcodeAndUsercodeShareIdRegister",
                 [] {
                     minimal_table();
                     add_instruction("IDCODE", {"0010"}, "idcode");
                     add_instruction("USERCODE", {"0011"}, "idcode");
                     desc_set_text(&IDCODE_REG, kIdcode);
                     set_list(&USERCODE_REG, {kUsercode});
                 },
                 4, "extest=0 sample=1 idcode=3 usercode=4 bypass=2", {"BYPASS", "boundary", "idcode"}, 2, {}},
        // Names and register names ignore case; a bit range names its register.
        Accepted{"CaseAndIndexedRegisters",
                 [] {
                     add_instruction("Extest", {"000"}, "BOUNDARY[0:7]");
                     add_instruction("sample", {"001"}, "boundary[3]");
                     add_instruction("Bypass", {"111"}, "bypass");
                     add_instruction("Intest", {"010"}, "Boundary");
                     add_instruction("clamp", {"011"}, "Bypass");
                     add_instruction("HighZ", {"100"}, "BYPASS[0]");
                     set_list(&INST_CAPTURE, {"101"});
                 },
                 3, "intest=3 extest=0 sample=1 bypass=2 highz=5 clamp=4", {"BYPASS", "BOUNDARY"}, 1, {}},
        // A later row of the same name is the one kept.
        Accepted{"LaterRowWins",
                 [] {
                     minimal_table();
                     add_instruction("idcode", {"0010"}, "idcode");
                     add_instruction("IDCODE", {"0011"}, "idcode");
                     desc_set_text(&IDCODE_REG, kIdcode);
                 },
                 4, "extest=0 sample=1 idcode=4 bypass=2", {"BYPASS", "boundary", "idcode"}, 2, {}},
        // Five registers need a select bus of three bits; user registers and
        // the other standard instructions without a register rule.
        Accepted{"FiveRegisters",
                 [] {
                     minimal_table();
                     add_instruction("CHIP_TEST", {"0100"}, "scan1");
                     add_instruction("RUNBIST", {"0101"}, "bist");
                     add_instruction("QUENDAL_ATPG", {"0110"}, "scan2[4]");
                     add_instruction("PRIVATE", {"0111"}, "SCAN1");
                 },
                 4, "extest=0 sample=1 chip_test=3 bypass=2 runbist=4 quendal_atpg=5",
                 {"BYPASS", "boundary", "scan1", "bist", "scan2"}, 3, {}},
        // Enable pins: one record per name (ignoring case), as first driven;
        // a missing value counts as "1"; the gate keeps its second signal.
        Accepted{"EnablePins",
                 [] {
                     add_instruction("EXTEST", {"0000"}, "boundary", {{"EN", "01"}, {"T1"}});
                     add_instruction("SAMPLE", {"0001"}, "boundary", {{"en", "10"}});
                     add_instruction("BYPASS", {"1111"}, "bypass");
                     add_instruction("MBIST", {"1000"}, "bypass", {{"GO", "1", "SHIFT_DR", GATE_AND}, {"t1", "0"}});
                     set_list(&INST_CAPTURE, {"0101"});
                 },
                 4, "extest=0 sample=1 bypass=2", {"BYPASS", "boundary"}, 1,
                 {"EN:01:-:-1", "T1:1:-:-1", "GO:1:SHIFT_DR:18"}},
        // Don't-care bits that never select the same code as another opcode.
        Accepted{"DontCareOpcodes",
                 [] {
                     add_instruction("EXTEST", {"00X0"}, "boundary");
                     add_instruction("SAMPLE", {"0001", "0011"}, "boundary");
                     add_instruction("BYPASS", {"1XXX"}, "bypass");
                     set_list(&INST_CAPTURE, {"1101", "0001"});
                 },
                 4, "extest=0 sample=1 bypass=2", {"BYPASS", "boundary"}, 1, {}}),
    [](const auto& info) { return std::string(info.param.label); });

struct Breach {
    const char* label;
    std::function<void()> table;
    const char* message;
};

void PrintTo(const Breach& c, std::ostream* os) { *os << c.label; }

class BrokenTable : public JtagTest, public ::testing::WithParamInterface<Breach> {};

TEST_P(BrokenTable, MessageAndStatus) {
    const Breach& c = GetParam();
    c.table();
    auto r = jtagtest::run_child([] { set_up_various_flags(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, c.message);
}

// Replaces the access text of a row of the minimal table.
void access(int row, const char* text) { desc_set_text(&INSTRUCTIONS[row].access, text); }

const char* const kRequired =
    "ERROR: (chip.bsc) -add_tap option required INSTRUCTION\n"
    "       EXTEST, SAMPLE and BYPASS declared in %INSTRUCTION_TABLE.\n\n";

INSTANTIATE_TEST_SUITE_P(
    Required, BrokenTable,
    ::testing::Values(Breach{"EmptyTable", [] {}, kRequired},
                      Breach{"NoSample",
                             [] {
                                 add_instruction("EXTEST", {"00"}, "boundary");
                                 add_instruction("BYPASS", {"11"}, "bypass");
                             },
                             kRequired}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    RegisterRules, BrokenTable,
    ::testing::Values(
        Breach{"Bypass", [] { minimal_table(); access(2, "boundary"); },
               "ERROR: (chip.bsc) INSTRUCTION BYPASS must access bypass register.\n\n"},
        Breach{"Extest", [] { minimal_table(); access(0, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION EXTEST must access boundary register.\n\n"},
        Breach{"Sample", [] { minimal_table(); access(1, "boundaryX[2]"); },
               "ERROR: (chip.bsc) INSTRUCTION SAMPLE must access boundary register.\n\n"},
        Breach{"Intest", [] { minimal_table(); add_instruction("INTEST", {"0010"}, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION INTEST must access boundary register.\n\n"},
        Breach{"Clamp", [] { minimal_table(); add_instruction("CLAMP", {"0010"}, "boundary"); },
               "ERROR: (chip.bsc) INSTRUCTION CLAMP must access bypass register.\n\n"},
        Breach{"Highz", [] { minimal_table(); add_instruction("HIGHZ", {"0010"}, "boundary"); },
               "ERROR: (chip.bsc) INSTRUCTION HIGHZ must access bypass register.\n\n"},
        Breach{"Idcode", [] { minimal_table(); add_instruction("IDCODE", {"0010"}, "usercode"); },
               "ERROR: (chip.bsc) INSTRUCTION IDCODE must access IDCODE register.\n\n"},
        Breach{"Usercode", [] { minimal_table(); add_instruction("USERCODE", {"0010"}, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION USERCODE must access USERCODE register.\n\n"},
        Breach{"NoRegisterName", [] { minimal_table(); add_instruction("PRIV", {"0010"}, "[["); },
               "ERROR: (chip.bsc) INSTRUCTION 'PRIV' names no data register.\n\n"},
        Breach{"EnableWidths",
               [] {
                   minimal_table();
                   add_instruction("M1", {"0100"}, "bypass", {{"EN", "01"}});
                   add_instruction("M2", {"0101"}, "bypass", {{"en", "1"}});
               },
               "ERROR: (chip.bsc) the length of enable pin 'EN' are different in INSTRUCTION 'M2'.\n"}),
    [](const auto& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Standard1149, BrokenTable,
    ::testing::Values(
        Breach{"NoOpcode", [] { minimal_table(); add_instruction("PRIV", {}, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION 'PRIV' has no opcode in %INSTRUCTION_TABLE.\n\n"},
        // Opcodes and capture patterns are 0, 1 and X: a TAP cannot decode 2.
        Breach{"OpcodeDigit", [] { minimal_table(); add_instruction("PRIV", {"2010"}, "bypass"); },
               "ERROR: (chip.bsc) the opcode '2010' of INSTRUCTION 'PRIV' is not a pattern of 0, 1 and X.\n\n"},
        Breach{"CaptureDigit", [] { minimal_table(); set_list(&INST_CAPTURE, {"2001"}); },
               "ERROR: (chip.bsc) %INSTRUCTION_CAPTURE '2001' is not a pattern of 0, 1 and X.\n\n"},
        Breach{"OpcodeWidth", [] { minimal_table(); add_instruction("PRIV", {"0100", "011"}, "bypass"); },
               "ERROR: (chip.bsc) the opcode '011' of INSTRUCTION 'PRIV' is not 4 bits long.\n\n"},
        Breach{"OneBitRegister",
               [] {
                   add_instruction("EXTEST", {"0"}, "boundary");
                   add_instruction("SAMPLE", {"0"}, "boundary");
                   add_instruction("BYPASS", {"1"}, "bypass");
                   set_list(&INST_CAPTURE, {"1"});
               },
               "ERROR: (chip.bsc) the instruction register needs opcodes of at least 2 bits, not 1.\n\n"},
        Breach{"SharedOpcode", [] { minimal_table(); add_instruction("PRIV", {"0110", "0001"}, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION 'SAMPLE' (0001) and INSTRUCTION 'PRIV' (0001) share an opcode.\n\n"},
        Breach{"DontCareCoversOpcode", [] { minimal_table(); add_instruction("PRIV", {"00X1"}, "bypass"); },
               "ERROR: (chip.bsc) INSTRUCTION 'SAMPLE' (0001) and INSTRUCTION 'PRIV' (00X1) share an opcode.\n\n"},
        Breach{"BypassNotAllOnes",
               [] {
                   add_instruction("EXTEST", {"00"}, "boundary");
                   add_instruction("SAMPLE", {"01"}, "boundary");
                   add_instruction("BYPASS", {"10"}, "bypass");
                   set_list(&INST_CAPTURE, {"01"});
               },
               "ERROR: (chip.bsc) INSTRUCTION BYPASS must have the all-ones opcode '11'.\n\n"},
        Breach{"NoCapture", [] { minimal_table(); STR_free(&INST_CAPTURE); },
               "ERROR: (chip.bsc) %INSTRUCTION_CAPTURE is missing; the instruction register needs its capture "
               "pattern.\n\n"},
        Breach{"EmptyCaptureList", [] { minimal_table(); set_list(&INST_CAPTURE, {}); },
               "ERROR: (chip.bsc) %INSTRUCTION_CAPTURE is missing; the instruction register needs its capture "
               "pattern.\n\n"},
        Breach{"CaptureWidth", [] { minimal_table(); set_list(&INST_CAPTURE, {"0001", "001"}); },
               "ERROR: (chip.bsc) %INSTRUCTION_CAPTURE '001' must be 4 bits long and end in \"01\".\n\n"},
        Breach{"CaptureEnding", [] { minimal_table(); set_list(&INST_CAPTURE, {"0010"}); },
               "ERROR: (chip.bsc) %INSTRUCTION_CAPTURE '0010' must be 4 bits long and end in \"01\".\n\n"},
        Breach{"IdcodeWithoutRegister", [] { minimal_table(); add_instruction("IDCODE", {"0010"}, "idcode"); },
               "ERROR: (chip.bsc) INSTRUCTION IDCODE needs a %IDCODE_REGISTER of 32 bits whose last bit is 1.\n\n"},
        Breach{"IdcodeLastBitZero",
               [] {
                   minimal_table();
                   add_instruction("IDCODE", {"0010"}, "idcode");
                   desc_set_text(&IDCODE_REG, "00010010001101000101011001111000");
               },
               "ERROR: (chip.bsc) INSTRUCTION IDCODE needs a %IDCODE_REGISTER of 32 bits whose last bit is 1.\n\n"},
        Breach{"IdcodeShort",
               [] {
                   minimal_table();
                   add_instruction("IDCODE", {"0010"}, "idcode");
                   desc_set_text(&IDCODE_REG, "0001001000110100010101100111001");
               },
               "ERROR: (chip.bsc) INSTRUCTION IDCODE needs a %IDCODE_REGISTER of 32 bits whose last bit is 1.\n\n"},
        Breach{"UsercodeWithoutPattern",
               [] {
                   minimal_table();
                   add_instruction("USERCODE", {"0010"}, "usercode");
                   set_list(&USERCODE_REG, {});
               },
               "ERROR: (chip.bsc) INSTRUCTION USERCODE needs a %USERCODE_REGISTER value of 32 bits.\n\n"},
        Breach{"UsercodeBadPattern",
               [] {
                   minimal_table();
                   add_instruction("USERCODE", {"0010"}, "usercode");
                   set_list(&USERCODE_REG, {"1111000011110000111100001111000Z"});
               },
               "ERROR: (chip.bsc) INSTRUCTION USERCODE needs a %USERCODE_REGISTER value of 32 bits.\n\n"}),
    [](const auto& info) { return std::string(info.param.label); });

// A second run starts from fresh facts: nothing of the first table stays.
TEST_F(JtagTest, RulesRunTwiceStartOver) {
    minimal_table();
    add_instruction("M1", {"0100"}, "scan1", {{"EN", "1"}});
    set_up_various_flags();
    ASSERT_EQ(DYNA_count(ACCESS_REG), 3);
    free_instruction_table(&INSTRUCTIONS);
    minimal_table();
    set_up_various_flags();
    EXPECT_EQ(jtagtest::texts(ACCESS_REG), (std::vector<std::string>{"BYPASS", "boundary"}));
    EXPECT_EQ(DYNA_count(INST_ENABLE_PIN), 0);
    EXPECT_EQ(standard_rows(), "extest=0 sample=1 bypass=2");
}

}  // namespace
