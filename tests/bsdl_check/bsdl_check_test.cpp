// The BSDL checks of the tests, shown on a small hand-written chip: an
// input, a two-state output, a three-state output, a bidirectional pair
// sharing one control cell, and an IDCODE.  Each 1149.1 fault the semantic
// check looks for is put into a copy of the file, and the check must name
// it; broken syntax must be refused by liburjtag's parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/bsdl_check.h"
#include "support/testsupport.h"

namespace {

using bsdlcheck::BsdlCheck;
using bsdlcheck::check_bsdl_file;

std::string valid_path() { return testsupport::source_path("tests/fixtures/bsdl_check/valid.bsd"); }
std::string valid_text() { return testsupport::read_file(valid_path()); }

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// Replaces each `from` once; a replacement that finds nothing fails the test.
std::string mutate(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
    for (const auto& [from, to] : edits) {
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << "the fixture has no \"" << from << "\"";
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

#define SKIP_WITHOUT_URJTAG() \
    if (bsdlcheck::urjtag_checker().empty()) GTEST_SKIP() << bsdlcheck::urjtag_skip_reason()

TEST(BsdlCheck, ValidChipPassesBothChecks) {
    SKIP_WITHOUT_URJTAG();
    BsdlCheck c = check_bsdl_file(valid_path());
    EXPECT_TRUE(c.urjtag_ran);
    EXPECT_TRUE(c.ok()) << c.describe();
    EXPECT_TRUE(c.problems.empty()) << joined(c.problems);
}

TEST(BsdlCheck, ReaderDecodesWhatTestsCompareWithADesign) {
    bsdlcheck::BsdlFile f = bsdlcheck::read_bsdl(valid_text());
    EXPECT_TRUE(f.errors.empty()) << joined(f.errors);
    EXPECT_EQ(f.entity, "tiny");
    EXPECT_EQ(f.instruction_length, 3);
    EXPECT_EQ(f.instruction_capture, "101");
    EXPECT_EQ(f.idcode, "00010000000000000001000010100111");
    ASSERT_NE(f.instruction("idcode"), nullptr);
    EXPECT_EQ(f.instruction("IDCODE")->opcodes, (std::vector<std::string>{"010", "110"}));
    EXPECT_EQ(f.instruction("BYPASS")->opcodes, (std::vector<std::string>{"111"}));

    ASSERT_NE(f.port("D"), nullptr);
    EXPECT_EQ(f.port("D")->direction, "inout");
    EXPECT_TRUE(f.port("D")->vector);
    EXPECT_EQ(f.port("D")->left, 0);
    EXPECT_EQ(f.port("D")->right, 1);
    EXPECT_EQ(f.port("Y")->direction, "buffer");
    EXPECT_EQ(f.ports.size(), 8u);
    EXPECT_EQ(f.physical_pin_map, "DIP16");
    EXPECT_EQ(f.pins("D"), (std::vector<std::string>{"4", "5"}));
    EXPECT_EQ(f.pins("TDO"), (std::vector<std::string>{"9"}));

    EXPECT_EQ(f.boundary_length, 7);
    std::vector<std::string> rows;
    for (const auto& r : f.boundary) rows.push_back(bsdlcheck::to_string(r));
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "0 BC_1 A input X",
                        "1 BC_1 Y output2 X",
                        "2 BC_1 * control 0",
                        "3 BC_1 Q output3 X 2 0 Z",
                        "4 BC_1 * control 0",
                        "5 BC_7 D(0) bidir X 4 0 Z",
                        "6 BC_7 D(1) bidir X 4 0 PULL1",
                    }));
    ASSERT_NE(f.row(3), nullptr);
    EXPECT_EQ(f.row(3)->ccell, 2);
    EXPECT_EQ(f.row(4)->disval, -1);
    ASSERT_NE(f.attribute("TAP_SCAN_CLOCK"), nullptr);
    EXPECT_EQ(f.attribute("TAP_SCAN_CLOCK")->target, "TCK");
}

// The parser's own reading of the file agrees with ours, cell by cell.
TEST(BsdlCheck, UrjtagDumpAgreesWithOurReading) {
    SKIP_WITHOUT_URJTAG();
    testsupport::RunResult r = bsdlcheck::run_urjtag(valid_path(), true);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("instruction length 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("register BSR 7"), std::string::npos) << r.out;
    std::vector<bsdlcheck::BoundaryRow> dumped = bsdlcheck::urjtag_dump_rows(r.out);
    bsdlcheck::BsdlFile f = bsdlcheck::read_bsdl(valid_text());
    ASSERT_EQ(dumped.size(), f.boundary.size()) << r.out;
    const std::map<std::string, std::string> letter = {
        {"input", "I"}, {"output2", "O"}, {"output3", "O"}, {"control", "C"}, {"bidir", "B"}};
    for (size_t i = 0; i < dumped.size(); ++i) {
        const auto& d = dumped[i];
        const bsdlcheck::BoundaryRow* row = f.row(d.num);
        ASSERT_NE(row, nullptr) << "cell " << d.num;
        EXPECT_EQ(d.function, letter.at(row->function)) << "cell " << d.num;
        EXPECT_EQ(d.port, row->port) << "cell " << d.num;
        EXPECT_EQ(d.safe, row->safe) << "cell " << d.num;
        EXPECT_EQ(d.ccell, row->ccell) << "cell " << d.num;
        EXPECT_EQ(d.disval, row->disval) << "cell " << d.num;
    }
}

struct Fault {
    const char* name;
    std::vector<std::pair<std::string, std::string>> edits;
    std::vector<std::string> expected;  // problem lines our check must give
    bool urjtag_refuses = false;        // liburjtag's parser refuses it too
};

void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

const std::string kInstructionLength = "  attribute INSTRUCTION_LENGTH of tiny : entity is 3;\n";

// A USERCODE_REGISTER statement after the IDCODE, with the text of its value.
const std::string kIdcodeEnd = "\"1\";                    -- mandatory LSB\n";
std::pair<std::string, std::string> usercode(const std::string& value) {
    return {kIdcodeEnd, kIdcodeEnd + "  attribute USERCODE_REGISTER of tiny : entity is\n" + value + ";\n"};
}
const std::string kUsercode = "      \"0000\" &\n      \"1111000011110000\" &\n      \"10101010101\" &\n      \"X\"";

const Fault kFaults[] = {
    {"LengthAboveRows",
     {{"BOUNDARY_LENGTH of tiny : entity is 7", "BOUNDARY_LENGTH of tiny : entity is 8"}},
     {"BOUNDARY_LENGTH is 8 but BOUNDARY_REGISTER has 7 rows", "cell 7 is not described"}},
    {"CellTwice",
     {{"\"6    (BC_7", "\"5    (BC_7"}},
     {"cell 5 is described 2 times", "cell 6 is not described"}},
    {"CellOutsideRegister",
     {{"\"6    (BC_7", "\"9    (BC_7"}},
     {"cell 9 is outside 0 to 6", "cell 6 is not described"}},
    {"ControlCellMissing",
     {{",X   ,2    ,0     ,Z)", ",X   ,8    ,0     ,Z)"}},
     {"cell 3 names control cell 8, which is not described"}},
    {"ControlCellNotAControl",
     {{",X   ,2    ,0     ,Z)", ",X   ,1    ,0     ,Z)"}},
     {"cell 3 names control cell 1, which is output2, not control"}},
    {"Output3WithoutControl",
     {{",X   ,2    ,0     ,Z)", ",X)"}},
     {"cell 3 (output3 Q) has no control cell"}},
    {"BidirWithoutControl",
     {{",X   ,4    ,0     ,Z)", ",X)"}},
     {"cell 5 (bidir D(0)) has no control cell"}},
    {"PortNotDeclared",
     {{",A              ,input", ",B              ,input"}},
     {"cell 0 names port B, which is not declared"}},
    // An observe-only cell observes a system pin; a cell on an internal
    // signal is "internal", with no port.
    {"ObserveOnlyWithoutPort",
     {{",A              ,input", ",*              ,observe_only"}, {"          A: in bit;\n", ""}, {"\"A : 1,\" &\n", ""}},
     {"cell 0 (observe_only) names no port"}},
    {"InternalWithPort", {{",Y              ,output2", ",Y              ,internal"}}, {"cell 1 (internal) names port Y, not *"}},
    {"OpcodeTooLong",
     {{"SAMPLE     (001)", "SAMPLE     (0011)"}},
     {"opcode 0011 of SAMPLE has 4 bits, not INSTRUCTION_LENGTH 3"}},
    {"BypassNotAllOnes",
     {{"BYPASS     (111)", "BYPASS     (011)"}},
     {"BYPASS opcode 011 is not all ones"}},
    {"CaptureNotEndingIn01",
     {{"entity is \"101\"", "entity is \"100\""}},
     {"INSTRUCTION_CAPTURE 100 does not end in 01"}},
    {"IdcodeLsbZero",
     {{"\"1\";                    -- mandatory LSB", "\"0\";                    -- mandatory LSB"}},
     {"IDCODE_REGISTER bit 0 is 0, not 1"}},
    {"IdcodeShort",
     {{"\"0001\" &", "\"001\" &"}},
     {"IDCODE_REGISTER has 31 bits, not 32"}},
    {"InstructionLengthAfterCapture",
     {{kInstructionLength, ""}, {"  attribute IDCODE_REGISTER", kInstructionLength + "  attribute IDCODE_REGISTER"}},
     {"statement order: attribute INSTRUCTION_LENGTH comes after attribute INSTRUCTION_CAPTURE"}},
    // Two patterns as one string: a list, which the 1994 package's
    // ID_STRING (32 bits) cannot hold.
    {"UsercodeTwoPatterns",
     {usercode("      \"00000000000000000000000000000011,\" &\n      \"0000000000000000000000000000010X\"")},
     {"USERCODE_REGISTER holds 2 patterns; STD_1149_1_1994 takes one"},
     true},
    // Two strings separated by a comma: no string at all.
    {"UsercodeNotAString",
     {usercode("      \"00000000000000000000000000000011\",\n      \"0000000000000000000000000000010X\"")},
     {"USERCODE_REGISTER is not a string"},
     true},
    {"UsercodeShort",
     {usercode("      \"0000\" &\n      \"1111000011110000\" &\n      \"1010101010\" &\n      \"X\"")},
     {"USERCODE_REGISTER has 31 bits, not 32"}},
    {"BoundaryLengthAfterRegister",
     {{"  attribute BOUNDARY_LENGTH of tiny : entity is 7;\n", ""},
      {"\nend tiny;", "  attribute BOUNDARY_LENGTH of tiny : entity is 7;\nend tiny;"}},
     {"statement order: attribute BOUNDARY_LENGTH comes after attribute BOUNDARY_REGISTER"}},
};

class SemanticFault : public ::testing::TestWithParam<Fault> {};

TEST_P(SemanticFault, IsNamedByOurCheck) {
    const Fault& fault = GetParam();
    testsupport::TempDir dir;
    std::string path = dir.write("tiny.bsd", mutate(valid_text(), fault.edits));
    BsdlCheck c = check_bsdl_file(path);
    EXPECT_FALSE(c.ok());
    for (const auto& want : fault.expected)
        EXPECT_NE(std::find(c.problems.begin(), c.problems.end(), want), c.problems.end())
            << "missing \"" << want << "\" in:\n" << joined(c.problems);
    EXPECT_EQ(c.problems.size(), fault.expected.size()) << joined(c.problems);
    // liburjtag's parser lets most of these through: the reason for our check.
    if (c.urjtag_ran) {
        EXPECT_EQ(c.urjtag_ok, !fault.urjtag_refuses) << c.urjtag_output;
    }
}

// One USERCODE pattern passes both checks; a list of them is the 2013
// edition's syntax, which our check takes in a file of that edition.
TEST(BsdlCheck, UsercodeIsOnePatternBefore2013) {
    SKIP_WITHOUT_URJTAG();
    testsupport::TempDir dir;
    BsdlCheck c = check_bsdl_file(dir.write("tiny.bsd", mutate(valid_text(), {usercode(kUsercode)})));
    EXPECT_TRUE(c.ok()) << c.describe();
    EXPECT_EQ(c.file.usercode, "0000111100001111000010101010101X");
    const std::string list = "      \"00000000000000000000000000000011,0000000000000000000000000000010X\"";
    for (const char* edition : {"1994", "2013"}) {
        const std::string text = mutate(
            valid_text(), {usercode(list), {"STD_1149_1_1994.all", std::string("STD_1149_1_") + edition + ".all"}});
        const std::vector<std::string> problems = bsdlcheck::semantic_problems(bsdlcheck::read_bsdl(text));
        EXPECT_EQ(problems.empty(), std::string(edition) == "2013") << edition << ":\n" << joined(problems);
    }
}

INSTANTIATE_TEST_SUITE_P(BsdlCheck, SemanticFault, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// Faults that only liburjtag's parser is asked to find.
const Fault kSyntaxFaults[] = {
    {"MissingSemicolon", {{"BOUNDARY_LENGTH of tiny : entity is 7;", "BOUNDARY_LENGTH of tiny : entity is 7"}}, {}},
    {"UnknownCellFunction", {{",output2       ,X)", ",outputx       ,X)"}}, {}},
    {"UnclosedRow", {{",input         ,X),", ",input         ,X,"}}, {}},
    {"AttributeWithoutIs", {{"INSTRUCTION_LENGTH of tiny : entity is 3", "INSTRUCTION_LENGTH of tiny : entity 3"}}, {}},
};

class SyntaxFault : public ::testing::TestWithParam<Fault> {};

TEST_P(SyntaxFault, IsRefusedByUrjtag) {
    SKIP_WITHOUT_URJTAG();
    testsupport::TempDir dir;
    std::string path = dir.write("tiny.bsd", mutate(valid_text(), GetParam().edits));
    BsdlCheck c = check_bsdl_file(path);
    EXPECT_TRUE(c.urjtag_ran);
    EXPECT_FALSE(c.urjtag_ok) << c.urjtag_output;
    EXPECT_NE(c.urjtag_output.find("error"), std::string::npos) << c.urjtag_output;
    EXPECT_EQ(c.urjtag_output.find("OK\n"), std::string::npos) << c.urjtag_output;
}

INSTANTIATE_TEST_SUITE_P(BsdlCheck, SyntaxFault, ::testing::ValuesIn(kSyntaxFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// The reader never fails: every cut-off copy of the file gives an error or
// a problem, and nothing worse.
TEST(BsdlCheck, TruncatedFileIsAlwaysFaulted) {
    const std::string text = valid_text();
    for (size_t n = 0; n + 2 < text.size(); n += 13) {
        bsdlcheck::BsdlFile f = bsdlcheck::read_bsdl(text.substr(0, n));
        EXPECT_FALSE(f.errors.empty() && bsdlcheck::semantic_problems(f).empty()) << "cut at " << n;
    }
    for (size_t n : {text.size() - 2, text.size() - 5})  // "end tiny" and "end t"
        EXPECT_FALSE(bsdlcheck::read_bsdl(text.substr(0, n)).errors.empty()) << "cut at " << n;
}

TEST(BsdlCheck, MissingFileIsAProblem) {
    BsdlCheck c = check_bsdl_file("/nonexistent/chip.bsd");
    EXPECT_FALSE(c.ok());
    EXPECT_EQ(c.problems, (std::vector<std::string>{"cannot read /nonexistent/chip.bsd"}));
}

}  // namespace
