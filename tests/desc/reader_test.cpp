// Reading a design's description files: the fixture chip into the tables
// and the dumps, the saving of the configuration's items, the pin and
// package lists, broken configurations, and designs read one after
// another in one process.

#include <gtest/gtest.h>

#include "support/param_name.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "desc/scanner.h"
#include "desc_test_util.h"

namespace {

using desctest::DescTest;
using desctest::str;
using testsupport::ChangeDir;
using testsupport::TempDir;

std::string fixture_path(const std::string& rel) { return testsupport::source_path("tests/fixtures/" + rel); }
std::string fixture(const std::string& rel) { return testsupport::read_file(fixture_path(rel)); }

// Reads the fixture chip from its own directory (the configuration names
// its pin file relative to it).
void read_chip(int dump = 0) {
    ChangeDir cd(fixture_path("chip"));
    bsdft_init();
    get_bs_dft_file("chip.lib", "chip.bsc", dump);
}

std::vector<std::string> texts(char** list) {
    std::vector<std::string> v;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) v.push_back(str(list[i]));
    return v;
}

std::vector<int> ints(int* list) {
    std::vector<int> v;
    for (int i = 0, n = DYNA_count(list); i < n; ++i) v.push_back(list[i]);
    return v;
}

std::string both_dumps() {
    return desctest::stdout_of([] {
        jsin_dump_lib_tab();
        jsin_dump_dft_tab();
    });
}

// ------------------------------------------------------------ fixture chip

TEST_F(DescTest, ChipFixtureFillsTheTables) {
    std::string err;
    std::string out = desctest::stdout_of([&] { err = desctest::stderr_of([] { read_chip(); }); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(GLOBAL_EXIT, 0);

    // Library.
    EXPECT_EQ(DYNA_count(TAP_CELL_TAB), 1);
    EXPECT_EQ(DYNA_count(SCAN_CELL_TAB), 4);
    EXPECT_EQ(DYNA_count(BUFFER_TAB), 7);
    TapCellEntry* tap = get_tap_cell("qdx_tap");
    ASSERT_NE(tap, nullptr);
    EXPECT_STREQ(tap->tdo_en, "TDO_EN");
    EXPECT_STREQ(tap->first_bcell, "first_Bcell");
    EXPECT_STREQ(tap->last_bcell, "BOUNDARY_out");
    EXPECT_EQ(tap->group_size, 8);
    EXPECT_EQ(tap->df_group_size, -1);
    ScanCellEntry* bidir = get_scan_cell("BC_BIDIR");
    ASSERT_NE(bidir, nullptr);
    EXPECT_EQ(texts(bidir->std_name), (std::vector<std::string>{"BC_7"}));
    EXPECT_STREQ(bidir->sys_pin, "FROM_PAD");
    EXPECT_STREQ(bidir->sys_in, "TO_CORE");
    EXPECT_STREQ(get_buffer("PIN_CLK")->function, "CLOCK");
    EXPECT_STREQ(get_buffer("PIN_TRI")->en_h, "OE");
    EXPECT_STREQ(get_buffer("PIN_BIDIR")->inout, "PAD");

    // Configuration.
    EXPECT_STREQ(TAP_MODULE_NAME, "qdx_tap");
    EXPECT_STREQ(TAP_INSTANCE_NAME, "TAP");
    EXPECT_STREQ(INPUT_SCAN, "BC_IN");
    EXPECT_STREQ(CLOCK_SCAN, "BC_IN");
    EXPECT_STREQ(OUTPUT_SCAN, "BC_OUT");
    EXPECT_STREQ(BIDIR_SCAN, "BC_BIDIR");
    EXPECT_STREQ(CONTROL_SCAN, "BC_CTRL");
    EXPECT_EQ(OUTPUT_MUX_SCAN, nullptr);
    EXPECT_EQ(CONTROL_OE_SCAN, nullptr);
    EXPECT_STREQ(GLOBAL_TDI, "tdi");
    EXPECT_STREQ(GLOBAL_TMS, "tms");
    EXPECT_STREQ(GLOBAL_TCK, "tck");
    EXPECT_STREQ(GLOBAL_TRST, "trst");
    EXPECT_STREQ(GLOBAL_TDO, "tdo");
    EXPECT_STREQ(INPUT_BUFFER, "PIN_IN");
    EXPECT_STREQ(OUTPUT_BUFFER, "PIN_OUT");
    EXPECT_STREQ(INOUT_BUFFER, "PIN_BIDIR");
    EXPECT_STREQ(INVERTER, "INV");
    ASSERT_EQ(DYNA_count(INSTRUCTIONS), 4);
    std::vector<std::string> rows;
    for (int i = 0; i < 4; ++i) {
        const InstructionEntry& e = INSTRUCTIONS[i];
        rows.push_back(str(e.name) + " " + texts(e.opcodes).at(0) + " " + str(e.access));
        EXPECT_EQ(DYNA_count(e.enable), 0);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"EXTEST 0000 BOUNDARY", "SAMPLE 0001 BOUNDARY", "IDCODE 0010 IDCODE",
                                              "BYPASS 1111 BYPASS"}));
    EXPECT_EQ(texts(INST_CAPTURE), (std::vector<std::string>{"0001"}));
    EXPECT_STREQ(IDCODE_REG, "00010000000000000001000010100111");
    EXPECT_EQ(DYNA_count(USERCODE_REG), 0);
    for (const char* port : {"tdi", "tms", "tck", "trst", "tdo"}) EXPECT_EQ(skip_signal(port), 1) << port;
    EXPECT_EQ(skip_signal("clk"), 0);
    EXPECT_EQ(CONNECT_TABLE, nullptr);

    // Pin file.
    EXPECT_STREQ(PIN_FILE, "chip.pin");
    EXPECT_STREQ(PACKAGE_TYPE, "QFN16");
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 16);
    EXPECT_EQ(texts(ALLOWED_MULTIPLE_LIST), (std::vector<std::string>{"VDD", "VSS"}));
    ASSERT_EQ(BS_PIN_COUNT, 16);
    ASSERT_EQ(DYNA_count(PIN_TABLE), 16);
    std::vector<std::string> ports;
    for (int i = 0; i < 16; ++i) ports.push_back(str(bs_pin_name(i)));
    EXPECT_EQ(ports, (std::vector<std::string>{"clk", "rst_n", "din0", "din1", "dout0", "dout1", "bidir0", "tdi",
                                               "tms", "tck", "trst", "tdo", "<none>", "<none>", "<none>", "<none>"}));
    const PinListEntry* dout1 = PIN_TABLE[5];
    EXPECT_STREQ(dout1->io_name, "DOUT1");
    EXPECT_STREQ(dout1->number, "6");
    EXPECT_STREQ(dout1->direction, "out");
    EXPECT_STREQ(dout1->pad, "PIN_TRI");
    EXPECT_EQ(dout1->pad_enable, PAD_EN_HIGH);
    EXPECT_EQ(dout1->cell_code, CELL_SINGLE);
    EXPECT_EQ(dout1->line, 11);
}

// The dumps of the fixture: the library dump as its own call, the
// configuration dump as get_bs_dft_file prints it at dump level 1.
TEST_F(DescTest, ChipFixtureDumps) {
    std::string level1 = desctest::stdout_of([] { read_chip(1); });
    EXPECT_EQ(level1, fixture("desc/chip_bsc.dump"));
    EXPECT_EQ(desctest::stdout_of(jsin_dump_lib_tab), fixture("desc/chip_lib.dump"));
    EXPECT_EQ(desctest::stdout_of(jsin_dump_dft_tab), fixture("desc/chip_bsc.dump"));
}

// Level 2 traces the tokens and prints both trees and the library dump,
// but not the configuration dump.
TEST_F(DescTest, ChipFixtureDumpLevelTwo) {
    std::string out = desctest::stdout_of([] { read_chip(2); });
    EXPECT_NE(out.find("5: KEYWORD : %TAP_CONTROLLER\n5: IDENT : qdx_tap\nLBRACE\n"), std::string::npos);
    EXPECT_NE(out.find("PROGRAM_NODE\n    TAP_CELL_NODE\n        IDENT_NODE [qdx_tap]\n        INSTANCE_NAME_NODE\n"),
              std::string::npos);
    EXPECT_NE(out.find(fixture("desc/chip_lib.dump")), std::string::npos);
    EXPECT_NE(out.find("KEYWORD : %TAP_MODULE\nLBRACE\nKEYWORD : %MODULE_NAME\nIDENT : qdx_tap\n"
                       "KEYWORD : %INSTANCE_NAME\nIDENT : TAP\nKEYWORD : %GLOBAL_TDI\n"),
              std::string::npos);
    EXPECT_NE(out.find("PROGRAM_NODE\n    TAP_MODULE_NODE\n        MODULE_NAME_NODE\n            IDENT_NODE [qdx_tap]\n"),
              std::string::npos);
    EXPECT_NE(out.find("INT 1\nID CLK\nID clk\nID in\n"), std::string::npos);  // the pin file's trace
    EXPECT_EQ(out.find("OUTPUT MUX SCAN"), std::string::npos);
}

// ------------------------------------------------------------ broken configurations

struct Broken {
    const char* what;
    std::string bsc;
    std::string out;  // standard output
    std::string err;  // standard error
    int status;
};

void PrintTo(const Broken& c, std::ostream* os) { *os << c.what; }

class BrokenConfiguration : public DescTest, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenConfiguration, MessageAndStatus) {
    const Broken& c = GetParam();
    TempDir dir;
    std::string lib = fixture("chip/chip.lib");
    auto r = desctest::run_child([&] { desctest::read_design(dir, lib, c.bsc); });
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
}

#define AT(line, text) "\"t.bsc\", line " #line ": Syntax Error at '" text "'\n"
const std::string kId31 = "0001000000000000000100001010011";

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenConfiguration,
    ::testing::Values(
        // Unknown and reserved keywords.
        Broken{"unknown keyword", "%SCAN_CELL\n{\n    %INPUT_SCAN BC_IN;\n}\n", AT(2, "{"), "", 255},
        Broken{"unknown keyword in a block", "%SCAN_CELLS {\n    %INPUT_SCANS BC_IN;\n}\n", AT(2, "%INPUT_SCANS"), "",
               255},
        Broken{"keyword in lower case", "%global_tdi tdi;", AT(1, ";"), "", 255},
        Broken{"reserved keyword", "%GLOBAL_TDI tdi;\n%TDI tdi;\n", AT(2, "%TDI"), "", 255},
        Broken{"reserved keyword in a block", "%TAP_MODULE { %GROUP_SIZE 8; }", AT(1, "%GROUP_SIZE"), "", 255},
        Broken{"keyword of the wrong block", "%MEMORY_BIST { %INSTRUCTION M { %DFT_FILE x.dft; } }",
               AT(1, "%DFT_FILE"), "", 255},
        // Bad patterns.
        Broken{"bad character in a pattern", "%INSTRUCTION_CAPTURE (01$1);", AT(1, "$"), "", 255},
        Broken{"IDCODE of 31 bits", "%IDCODE_REGISTER " + kId31 + ";",
               "\"t.bsc\", line 1: Pattern '" + kId31 + "' is not 32 bits\n", "", 255},
        Broken{"IDCODE not of 0 and 1", "%IDCODE_REGISTER\n  0001XXXX000000000001000010100111;",
               "\"t.bsc\", line 2: Pattern '0001XXXX000000000001000010100111' is not made of 0 and 1\n", "", 255},
        Broken{"repeated opcode (the run goes on)",
               "%INSTRUCTION_TABLE {\n  %INSTRUCTION SAMPLE = (0001, 0001) ACCESS BOUNDARY;\n}", "",
               "\"t.bsc\", line 2: Pattern '0001' has been appeared previous\n", 0},
        Broken{"opcode of another length (the run goes on)",
               "%INSTRUCTION_TABLE { %INSTRUCTION A = (001,\n 0001) ACCESS R; }", "",
               "\"t.bsc\", line 2: Size of '0001' and '001' are not equivalence\n", 0},
        // Missing semicolons.
        Broken{"missing semicolon", "%GLOBAL_TDI tdi\n%GLOBAL_TDO tdo;\n", AT(2, "%GLOBAL_TDO"), "", 255},
        Broken{"missing semicolon before a brace", "%SCAN_CELLS { %INPUT_SCAN BC_IN }", AT(1, "}"), "", 255},
        Broken{"missing semicolon at the end", "%GLOBAL_TDI tdi\n", AT(2, ""), "", 255},
        Broken{"missing semicolon in an instruction", "%INSTRUCTION_TABLE {\n  %INSTRUCTION A { %EN_H S }\n}",
               AT(2, "}"), "", 255},
        // Cells the library lacks.
        Broken{"cell not in the library", "%SCAN_CELLS {\n    %OUTPUT_SCAN BC_OUT;\n    %INPUT_SCAN NOCELL;\n}\n",
               "'t.bsc' line 3: Can't find Cell NOCELL.\n", "", 255},
        Broken{"pad cell as a boundary cell", "%SCAN_CELLS { %INPUT_SCAN PIN_IN; }",
               "'t.bsc' line 1: Can't find Cell PIN_IN.\n", "", 255},
        Broken{"TAP module not in the library", "%TAP_MODULE {\n    %MODULE_NAME my_tap;\n}",
               "'t.bsc' line 2: Can't find Cell my_tap.\n", "", 255},
        // Comments.
        Broken{"unclosed comment", "%GLOBAL_TDI tdi;\n/* the TAP\n   ports\n", "'t.bsc' line 4: Missing '*/'.\n", "",
               255},
        Broken{"comment inside a comment", "/* a\n /* b */ */ %GLOBAL_TDI tdi;", "'t.bsc' line 2: Missing '*/'.\n",
               "", 255},
        // Other forms.
        Broken{"empty configuration", "// nothing here\n", AT(2, ""), "", 255},
        Broken{"connection between two ports", "%CONNECTION_TABLE { %CONNECT a TO b; }", AT(1, ";"), "", 255},
        Broken{"pin file missing", "%PIN_LIST { %FILE_NAME nope.pin; }",
               "Error: (t.bsc) can't open pin file 'nope.pin' in default searching path.\n\n", "", 255}),
    [](const auto& i) { return testsupport::param_name(i.param.what); });

#undef AT

// ------------------------------------------------------------ opening the files

struct OpenCase {
    const char* lib;
    const char* bsc;
    const char* err;
};

TEST_F(DescTest, ReaderOpensBothFilesBeforeParsing) {
    TempDir dir;
    dir.write("t.lib", "garbage {");  // never parsed: the configuration is missing
    dir.write("t.bsc", "%GLOBAL_TDI tdi;");
    const OpenCase cases[] = {
        {nullptr, "t.bsc", "Error: lib file is a null string\n"},
        {"t.lib", nullptr, "Error: dft file is a null string\n"},
        {nullptr, nullptr, "Error: lib file is a null string\nError: dft file is a null string\n"},
        {"none.lib", "t.bsc", "Error: Can't open lib file none.lib\n"},
        {"t.lib", "none.bsc", "Error: Can't open dft file none.bsc\n"},
        // What is not a regular file is refused before it is opened: a
        // FIFO would wait for a writer for ever.
        {"fifo.lib", "t.bsc", "Error: 'fifo.lib' is not a regular file\n"},
        {"t.lib", "fifo.bsc", "Error: 'fifo.bsc' is not a regular file\n"},
        {"t.lib", ".", "Error: '.' is not a regular file\n"},
    };
    ASSERT_EQ(mkfifo((dir.str() + "/fifo.lib").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir.str() + "/fifo.bsc").c_str(), 0600), 0);
    for (const OpenCase& c : cases) {
        auto r = desctest::run_child([&] {
            alarm(60);
            ChangeDir cd(dir.path());
            bsdft_init();
            get_bs_dft_file(c.lib, c.bsc, 0);
        });
        EXPECT_EQ(r.status, 255) << c.err;
        EXPECT_EQ(r.out, "") << c.err;
        EXPECT_EQ(r.err, c.err);
    }
}

// ------------------------------------------------------------ library

TEST_F(DescTest, LibrarySaveMakesBuffersAndCells) {
    TempDir dir;
    desctest::read_design(dir,
                          "%BS_BUFFER A, B { %INPUT I; %MODE_1 M; %DATA_IN D; %WEAK_0; %BCELL C1; }\n"
                          "%BUFFER P1, P2 { %PULL_1; %INPUT X; }\n"
                          "%SCAN_CELL C1 { %DATA_IN D; }\n"
                          "%SCAN_CELL C2 { %STD_NAME BC_1, BC_2; %ORDER input, output; }\n",
                          "%GLOBAL_TDI tdi;");
    for (const char* name : {"A", "B"}) {
        BufferEntry* b = get_buffer(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->kind, BUFFER_BS);
        EXPECT_EQ(b->mode1, nullptr);  // a boundary-cell buffer keeps no mode pins
        EXPECT_STREQ(b->input, "I");
        EXPECT_STREQ(b->bcell, "C1");
        EXPECT_EQ(b->weak_0, 1);
    }
    ScanCellEntry* a = get_scan_cell("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->bs_buffer, 1);
    EXPECT_STREQ(a->mode1, "M");
    EXPECT_STREQ(a->data_in, "D");
    EXPECT_EQ(texts(a->std_name), (std::vector<std::string>{"A"}));
    EXPECT_EQ(get_scan_cell("B"), nullptr);
    EXPECT_EQ(get_buffer("P2")->pull_1, 1);
    EXPECT_EQ(texts(get_scan_cell("C1")->std_name), (std::vector<std::string>{"C1"}));
    EXPECT_EQ(texts(get_scan_cell("C2")->std_name), (std::vector<std::string>{"BC_1", "BC_2"}));
    EXPECT_EQ(get_scan_cell("C1")->bs_buffer, 0);
    EXPECT_EQ(DYNA_count(SCAN_CELL_TAB), 3);
    EXPECT_EQ(DYNA_count(BUFFER_TAB), 4);
}

TEST_F(DescTest, LibraryWeakAndPullExcludeEachOther) {
    TempDir dir;
    auto r = desctest::run_child([&] {
        desctest::read_design(dir, "%BUFFER P1, P2 { %WEAK_1; %INPUT A; %PULL_0; %WEAK_0; %WEAK_1; }",
                              "%GLOBAL_TDI tdi;");
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Error: t.lib file 'WEAK_0','WEAK_1','PULL_0', Should be mutually exclusive in %BUFFER P2\n");
}

// A cell's standard names and %ORDER words describe its register bits one
// by one: lists of two lengths are refused as the library is read, naming
// the cell and both lists; a cell of one bit may leave either list out,
// and a cell of several bits without %ORDER is left to the chain walk.
struct NamesAndOrder {
    const char* what;
    std::string cell;
    std::string out;  // empty: read
};

void PrintTo(const NamesAndOrder& c, std::ostream* os) { *os << c.what; }

class LibraryNamesAndOrder : public DescTest, public ::testing::WithParamInterface<NamesAndOrder> {};

TEST_P(LibraryNamesAndOrder, AgreeOrAreRefused) {
    const NamesAndOrder& c = GetParam();
    TempDir dir;
    auto r = desctest::run_child(
        [&] { desctest::read_design(dir, "%BUFFER P { %INPUT A; }\n\n" + c.cell + "\n", "%GLOBAL_TDI tdi;"); });
    EXPECT_EQ(r.status, c.out.empty() ? 0 : 255);
    EXPECT_EQ(r.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LibraryNamesAndOrder,
    ::testing::Values(
        NamesAndOrder{"more names than order words", "%SCAN_CELL BC_C2 { %STD_NAME BC_1, BC_2; %ORDER input; }",
                      "ERROR: (t.lib) %SCAN_CELL BC_C2 (line 3) has 2 standard names but 1 %ORDER word:\n"
                      "       %STD_NAME BC_1, BC_2;\n"
                      "       %ORDER input;\n"
                      "       each bit of the cell takes one name of %STD_NAME and one word of %ORDER.\n\n"},
        NamesAndOrder{"fewer names than order words",
                      "%SCAN_CELL BC_M {\n  %STD_NAME BC_1;\n  %ORDER output, control, control;\n}",
                      "ERROR: (t.lib) %SCAN_CELL BC_M (line 3) has 1 standard name but 3 %ORDER words:\n"
                      "       %STD_NAME BC_1;\n"
                      "       %ORDER output, control, control;\n"
                      "       each bit of the cell takes one name of %STD_NAME and one word of %ORDER.\n\n"},
        NamesAndOrder{"order words and no standard name", "%SCAN_CELL BC_X { %ORDER input, output; }",
                      "ERROR: (t.lib) %SCAN_CELL BC_X (line 3) has 1 standard name but 2 %ORDER words:\n"
                      "       no %STD_NAME: the cell's own name BC_X;\n"
                      "       %ORDER input, output;\n"
                      "       each bit of the cell takes one name of %STD_NAME and one word of %ORDER.\n\n"},
        NamesAndOrder{"one bit, neither list", "%SCAN_CELL BC_A { %DATA_IN DI; }", ""},
        NamesAndOrder{"one bit without order", "%SCAN_CELL BC_A { %STD_NAME BC_1; }", ""},
        NamesAndOrder{"one bit with its order word", "%SCAN_CELL BC_A { %ORDER input; }", ""},
        NamesAndOrder{"two bits", "%SCAN_CELL BC_A { %STD_NAME BC_1, BC_2; %ORDER output, input; }", ""},
        NamesAndOrder{"names given in two items", "%SCAN_CELL BC_A { %STD_NAME BC_1; %STD_NAME BC_2; %ORDER input, output; }",
                      ""},
        NamesAndOrder{"two bits without order", "%SCAN_CELL BC_A { %STD_NAME BC_1, BC_2; }", ""}),
    [](const auto& i) { return testsupport::param_name(i.param.what); });

// ------------------------------------------------------------ configuration items

const char* const kRichBsc =
    "%INSTRUCTION_PRIVATE PRIV1, PRIV2;\n"                          // 1
    "%INSTRUCTION_PRIVATE PRIV3;\n"                                 // 2
    "%INSTRUCTION_DISABLE dis; %INSTRUCTION_GUARD grd;\n"           // 3
    "%INSTRUCTION_CAPTURE (0X01, 0101, 001, 1X11);\n"               // 4
    "%USERCODE_REGISTER 00000000000000000000000000000001, 0101;\n"  // 5
    "%USERCODE_REGISTER 11111111111111111111111111111111;\n"        // 6
    "%SKIP_SIGNAL_NAMES { a(0), b(1), c(x), d(01), e; }\n"          // 7
    "%SKIP_SIGNAL_NAMES { f(1); }\n"                                // 8
    "%TRANSPARENT_BUFFER { BUF, INV; }\n"                           // 9
    "%UNBOUNDED_PINS { u1, u2; }\n"                                 // 10
    "%CONNECTION_TABLE { %CONNECT u1(Y) TO u2(A); %CONNECT p1 TO u3(B); }\n"
    "%CONNECTION_TABLE { %CONNECT u4(Q) TO p2; }\n"
    "%MEMORY_BIST {\n"
    "  %INSTRUCTION MB1 { %CNT_FILE m1.cnt, m2.cnt; %SEL_INSTRUCTION S1; %CTRL_ORDER 3, 10, 1; }\n"
    "  %INSTRUCTION MB2 { }\n"
    "}\n"
    "%LOGIC_BIST { %INSTRUCTION OLD { %DFT_FILE old.dft; } }\n"
    "%LOGIC_BIST {\n"
    "  %INSTRUCTION LB1 { %DFT_FILE a.dft; %DFT_FILE core.dft; %CNT_FILE a.cnt, A.CNT, b.cnt; %CNT_FILE c.cnt, B.cnt;\n"
    "    %DIAG_INSTRUCTION D1, D2; %DIAG_CNT_FILE d.cnt; %SCAN_INSTRUCTION SC; %DEBUG_INSTRUCTION DB;\n"
    "    %LBIST_INSTRUCTION LB; %INSTANCE_NAME u_lbist; %SEL_INSTRUCTION SEL; %TESTS (t1, 2, 0101); %CTRL_ORDER 2; }\n"
    "  %INSTRUCTION LB2 { }\n"
    "}\n"
    "%SKIP_MODULE_NAMES { m1; }\n"
    "abc, 12, 0101 xyz\n"
    "%TAP_MODULE { %MODULE_NAME qdx_tap; %INSTANCE_NAME u_tap; }\n"
    "%TAP_MODULE { %INSTANCE_NAME u_tap2; }\n"
    "%SCAN_CELLS { %INPUT_SCAN BC_OUT; %OBSERVE_ONLY_SCAN BC_IN; }\n"
    "%SCAN_CELLS { %INPUT_SCAN BC_IN; }\n";

// ------------------------------------------------------------ scanning

// The longest token of the description languages: a name of that length
// is kept whole; one character more ends the run with the scanners'
// internal-failure status, whatever follows.
struct TokenCase {
    const char* language;
    std::string (*text)(const std::string& name);
    void (*read)(const std::string& text);
    bool (*kept)(const std::string& name);
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.language; }

class LongestToken : public DescTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(LongestToken, KeptUpToTheLimitRefusedBeyond) {
    const TokenCase& c = GetParam();
    const std::string longest = "N" + std::string(DescScanner::kMaxToken - 1, 'a');
    auto r = desctest::run_child([&] {
        c.read(c.text(longest));
        std::printf("%d\n", c.kept(longest));
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n") << r.err;
    // A runaway word: far longer than the limit, still refused at once.
    for (size_t length : {DescScanner::kMaxToken + 1, size_t{200000}}) {
        r = desctest::run_child([&] { c.read(c.text("N" + std::string(length - 1, 'a'))); });
        EXPECT_EQ(r.status, 2) << length;
        EXPECT_EQ(r.out, "") << length;
        EXPECT_EQ(r.err, "token too large, exceeds YYLMAX\n") << length;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LongestToken,
    ::testing::Values(
        TokenCase{"library", [](const std::string& n) { return "%BUFFER " + n + " { %INPUT A; }"; },
                  [](const std::string& t) {
                      desctest::parse_lib(t);
                      save_lib_tab();
                  },
                  [](const std::string& n) { return get_buffer(n.c_str()) != nullptr; }},
        // "%EXTRA_" is cut off its number only after the whole word was
        // held against the limit.
        TokenCase{"library_extra",
                  [](const std::string& n) { return "%SCAN_CELL C { %EXTRA_" + std::string(n.size() - 8, '0') + "1 X; }"; },
                  [](const std::string& t) {
                      desctest::parse_lib(t);
                      save_lib_tab();
                  },
                  [](const std::string&) {
                      const ScanCellEntry* c = get_scan_cell("C");
                      return c && DYNA_count(c->extra) == 1 && str(c->extra[0]) == "X";
                  }},
        TokenCase{"configuration", [](const std::string& n) { return "%GLOBAL_TDI " + n + ";"; },
                  [](const std::string& t) {
                      desctest::parse_dft(t);
                      save_dft_tab();
                  },
                  [](const std::string& n) { return GLOBAL_TDI && GLOBAL_TDI == n; }},
        TokenCase{"configuration_pattern", [](const std::string& n) { return "%USERCODE_REGISTER " + std::string(n.size(), '1') + ";"; },
                  [](const std::string& t) { desctest::parse_dft(t); },
                  [](const std::string&) { return true; }},
        TokenCase{"pin_file", [](const std::string& n) { return "1 " + n + " x in"; },
                  [](const std::string& t) {
                      desctest::parse_pin(t);
                      desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
                  },
                  [](const std::string& n) { return DYNA_count(PIN_TABLE) == 1 && PIN_TABLE[0]->io_name == n; }}),
    [](const auto& i) { return std::string(i.param.language); });

// The scanners read as they scan: an input far larger than one read,
// with tokens and comments across the seams of the reads, gives every
// token whole and the right line numbers.
TEST_F(DescTest, InputReadAsItIsScanned) {
    std::string text;
    std::vector<std::string> names;
    int line = 1;
    for (int i = 0; i < 5000; ++i) {
        names.push_back("priv_" + std::to_string(i) + std::string(static_cast<size_t>(i % 97), 'x'));
        text += "%INSTRUCTION_PRIVATE " + names.back() + ";";
        text += i % 3 ? " // comment " + std::to_string(i) + "\n" : " /* comment\n over two lines */\n";
        line += i % 3 ? 1 : 2;
    }
    desctest::parse_dft(text);
    save_dft_tab();
    EXPECT_EQ(texts(INST_PRIVATE), names);
    auto r = desctest::run_child([&] { desctest::parse_dft(text + "\n@"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "\"t.bsc\", line " + std::to_string(line + 1) + ": Syntax Error at '@'\n");
}

// An endless input (a device read as a description) meets its first
// error at once: a NUL byte is no character of the languages.
TEST_F(DescTest, EndlessInputEndsAtItsFirstError) {
    struct Reader {
        const char* language;
        void (*read)(FILE* in);
        const char* out;
    };
    const Reader readers[] = {
        {"library", [](FILE* in) { desctest::read_lib(in); }, "\"t.lib\", line 1: Syntax Error at ''\n"},
        {"configuration", [](FILE* in) { desctest::read_dft(in); }, "\"t.bsc\", line 1: Syntax Error at ''\n"},
        {"pin file",
         [](FILE* in) {
             desc_set_text(&PIN_FILE, "p.pin");
             parse_pin_file(in, 1);
         },
         "\"p.pin\", line 1: Syntax Error at ''\n"},
    };
    for (const Reader& reader : readers) {
        auto r = desctest::run_child([&] {
            alarm(60);  // a reader that reads to the end never gets there
            reader.read(std::fopen("/dev/zero", "r"));
        });
        EXPECT_EQ(r.status, 255) << reader.language;
        EXPECT_EQ(r.out, reader.out) << reader.language;
    }
}

TEST_F(DescTest, ConfigurationItemsAreSaved) {
    TempDir dir;
    std::string err;
    std::string out = desctest::stdout_of(
        [&] { err = desctest::stderr_of([&] { desctest::read_design(dir, fixture("chip/chip.lib"), kRichBsc); }); });
    EXPECT_EQ(out,
              "\"t.bsc\", line 5: Pattern '0101' is not 32 bits\n"
              "WARNING: '01' is illegal value of \"d\" pin in %SKIP_SIGNAL_NAME, ignored\n");
    EXPECT_EQ(err,
              "\"t.bsc\", line 4: Pattern '0101' has been appeared previous\n"
              "\"t.bsc\", line 4: Size of '001' and '0X01' are not equivalence\n");

    EXPECT_EQ(texts(INST_PRIVATE), (std::vector<std::string>{"PRIV1", "PRIV2", "PRIV3"}));
    EXPECT_STREQ(INST_DISABLE, "dis");
    EXPECT_STREQ(INST_GUARD, "grd");
    EXPECT_EQ(texts(INST_CAPTURE), (std::vector<std::string>{"0X01", "1X11"}));
    EXPECT_EQ(texts(USERCODE_REG), (std::vector<std::string>{"11111111111111111111111111111111"}));

    // Skip signals of both blocks, each once; only 0 and 1 are values.
    std::vector<std::string> skips;
    for (int i = 0, n = DYNA_count(SKIP_SIGNAL_TAB); i < n; ++i)
        skips.push_back(str(SKIP_SIGNAL_TAB[i]->name) + "=" + str(SKIP_SIGNAL_TAB[i]->value));
    std::sort(skips.begin(), skips.end());
    EXPECT_EQ(skips, (std::vector<std::string>{"a=0", "b=1", "c=<none>", "d=<none>", "e=<none>", "f=1"}));
    EXPECT_EQ(trans_buffer("INV"), 1);
    EXPECT_EQ(trans_buffer("PIN_IN"), 0);
    EXPECT_EQ(DYNA_count(TRANS_BUF_TAB), 2);
    EXPECT_EQ(texts(UNBOUNDED_PIN_TAB), (std::vector<std::string>{"u1", "u2"}));

    // Both connection tables stay reachable, in file order.
    std::vector<std::string> connects;
    for (ConnectEntry* c = CONNECT_TABLE; c; c = c->next)
        connects.push_back(str(c->from_inst) + "(" + str(c->from_pin) + ")>" + str(c->to_inst) + "(" + str(c->to_pin) +
                           ")");
    EXPECT_EQ(connects, (std::vector<std::string>{"u1(Y)>u2(A)", "<none>(p1)>u3(B)", "u4(Q)><none>(p2)"}));

    ASSERT_EQ(DYNA_count(BL_MBIST_TAB), 2);
    EXPECT_STREQ(BL_MBIST_TAB[0].instruction, "MB1");
    EXPECT_STREQ(BL_MBIST_TAB[0].cnt_file, "m1.cnt");
    EXPECT_STREQ(BL_MBIST_TAB[0].sel_instruction, "S1");
    EXPECT_EQ(ints(BL_MBIST_TAB[0].ctrl_order), (std::vector<int>{3, 10, 1}));
    EXPECT_STREQ(BL_MBIST_TAB[1].instruction, "MB2");
    EXPECT_EQ(BL_MBIST_TAB[1].cnt_file, nullptr);

    // The second %LOGIC_BIST replaces the first.
    ASSERT_EQ(DYNA_count(BL_LBIST_TAB), 2);
    const LbistEntry& lb = BL_LBIST_TAB[0];
    EXPECT_STREQ(lb.instruction, "LB1");
    EXPECT_STREQ(lb.dft_file, "core.dft");
    EXPECT_EQ(texts(lb.cnt_file), (std::vector<std::string>{"a.cnt", "b.cnt", "c.cnt"}));
    EXPECT_EQ(texts(lb.diag_instruction), (std::vector<std::string>{"D1", "D2"}));
    EXPECT_EQ(texts(lb.diag_cnt_file), (std::vector<std::string>{"d.cnt"}));
    EXPECT_STREQ(lb.scan_instruction, "SC");
    EXPECT_STREQ(lb.debug_instruction, "DB");
    EXPECT_STREQ(lb.lbist_instruction, "LB");
    EXPECT_STREQ(lb.instance_name, "u_lbist");
    EXPECT_STREQ(lb.sel_instruction, "SEL");
    EXPECT_EQ(texts(lb.tests), (std::vector<std::string>{"t1", "2", "0101"}));
    EXPECT_EQ(ints(lb.ctrl_order), (std::vector<int>{2}));
    EXPECT_STREQ(BL_LBIST_TAB[1].instruction, "LB2");

    // A %TAP_MODULE line not given keeps the value; a later role wins.
    EXPECT_STREQ(TAP_MODULE_NAME, "qdx_tap");
    EXPECT_STREQ(TAP_INSTANCE_NAME, "u_tap2");
    EXPECT_STREQ(INPUT_SCAN, "BC_IN");
    EXPECT_STREQ(OBSERVE_ONLY_SCAN, "BC_IN");
    EXPECT_EQ(DYNA_count(SKIP_MODULE_TAB), 0);
    EXPECT_EQ(DYNA_count(PIN_TABLE), 0);
}

TEST_F(DescTest, LogicBistWithoutInstructionBlocks) {
    TempDir dir;
    desctest::read_design(dir, fixture("chip/chip.lib"),
                          "%LOGIC_BIST { %DFT_FILE core.dft; %CNT_FILE x.cnt, X.CNT; %TESTS (t); }");
    ASSERT_EQ(DYNA_count(BL_LBIST_TAB), 1);
    EXPECT_EQ(BL_LBIST_TAB[0].instruction, nullptr);
    EXPECT_STREQ(BL_LBIST_TAB[0].dft_file, "core.dft");
    EXPECT_EQ(texts(BL_LBIST_TAB[0].cnt_file), (std::vector<std::string>{"x.cnt"}));
    EXPECT_EQ(BL_MBIST_TAB, nullptr);
}

// ------------------------------------------------------------ pin lists

TEST_F(DescTest, PinFileNamedWithDotSlash) {
    TempDir dir;
    dir.write("pins.txt", "%PACKAGE_TYPE P 2;\n1 A a in\n2 B b out\n");
    desctest::read_design(dir, fixture("chip/chip.lib"), "%PIN_LIST { %FILE_NAME ./pins.txt; }");
    EXPECT_STREQ(PIN_FILE, "pins.txt");
    EXPECT_EQ(BS_PIN_COUNT, 2);
    EXPECT_STREQ(bs_pin_direction(1), "out");
}

// The inline form reads its numbers (which scan as patterns or integers)
// and gets the checks of a pin file.
TEST_F(DescTest, InlinePinList) {
    TempDir dir;
    std::string out = desctest::stdout_of([&] {
        desctest::read_design(dir, fixture("chip/chip.lib"), "%PIN_LIST {\n  1 clk\n  2 din[0]\n  17 dout\n}\n");
    });
    EXPECT_EQ(out, "");
    ASSERT_EQ(BS_PIN_COUNT, 3);
    std::vector<std::string> rows;
    for (int i = 0; i < 3; ++i) {
        const PinListEntry* r = PIN_TABLE[i];
        rows.push_back(str(r->number) + " " + str(r->io_name) + " " + str(r->core_name) + " " + str(r->direction) +
                       " " + std::to_string(r->line) + " " + std::to_string(r->cell_code) + " " +
                       std::to_string(r->pad_enable));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"1 clk clk <none> 2 -1 -1", "2 din[0] din[0] <none> 3 -1 -1",
                                              "17 dout dout <none> 4 -1 -1"}));
    EXPECT_STREQ(PIN_FILE, "t.bsc");
    EXPECT_EQ(PACKAGE_TYPE, nullptr);
}

struct PinCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // pin files
    std::string bsc;
    std::string out;
    std::string err;
    int status;
};

void PrintTo(const PinCase& c, std::ostream* os) { *os << c.what; }

class PinListCase : public DescTest, public ::testing::WithParamInterface<PinCase> {};

TEST_P(PinListCase, MessagesAndStatus) {
    const PinCase& c = GetParam();
    TempDir dir;
    for (const auto& [name, text] : c.files) dir.write(name, text);
    std::string lib = fixture("chip/chip.lib");
    auto r = desctest::run_child([&] { desctest::read_design(dir, lib, c.bsc); });
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
}

const char* const kPinList = "%PIN_LIST { %FILE_NAME p.pin; }\n";

INSTANTIATE_TEST_SUITE_P(
    Table, PinListCase,
    ::testing::Values(
        PinCase{"fewer package pins than rows",
                {{"pins.txt", "%PACKAGE_TYPE P 1;\n1 A a in\n2 B b in\n"}},
                "%PIN_LIST { %FILE_NAME ./pins.txt; }",
                "\"pins.txt\", package pin number '1' is less than total pin count '2'\n",
                "",
                255},
        PinCase{"pin file without a package type",
                {{"p.pin", "1 A a in\n"}},
                kPinList,
                "\"p.pin\", package pin number '0' is less than total pin count '1'\n",
                "",
                255},
        PinCase{"repeated names are reported, the run ends after the configuration",
                {{"p.pin", "%PACKAGE_TYPE P 3;\n1 VDD * *\n2 VDD * *\n3 CLKN clk in\n"}},
                std::string(kPinList) + "%USERCODE_REGISTER 01;\n",
                "'p.pin' line 3: pin name VDD mutiple defined.\n\"t.bsc\", line 2: Pattern '01' is not 32 bits\n",
                "",
                255},
        PinCase{"allowed name that no row uses",
                {{"p.pin", "%PACKAGE_TYPE P 2;\n%ALLOWED_MULTIPLE { VDD, GND; }\n1 VDD * *\n2 VDD * *\n"}},
                kPinList,
                "",
                "WARNING : %ALLOWED_MULTIPLE 'GND' was not declared in \"p.pin\".\n",
                0},
        PinCase{"inline number used twice", {}, "%PIN_LIST { 1 a\n 1 b }", "'t.bsc' line 2: pin number 1 mutiple defined.\n",
                "", 255},
        PinCase{"inline name used twice", {}, "%PIN_LIST { 1 a\n 2 a\n 3 b }", "'t.bsc' line 2: pin name a mutiple defined.\n",
                "", 255},
        PinCase{"inline name with a bad index", {}, "%PIN_LIST { 1 d[x] }", "", "\"t.bsc\", line 1: Syntax error at d[x]\n",
                255},
        PinCase{"inline pins counted against an earlier pin file's package",
                {{"p.pin", "%PACKAGE_TYPE P 2;\n1 A a in\n2 B b in\n"}},
                std::string(kPinList) + "%PIN_LIST { 3 c }",
                "\"t.bsc\", package pin number '2' is less than total pin count '3'\n",
                "",
                255},
        PinCase{"inline list needs a name after each number", {}, "%PIN_LIST { 1 a 2 }", "\"t.bsc\", line 1: Syntax Error at '}'\n",
                "", 255}),
    [](const auto& i) { return testsupport::param_name(i.param.what); });

// ------------------------------------------------------------ package lists

TEST_F(DescTest, PackageListReadsEachFile) {
    TempDir dir;
    dir.write("a.pin", "%PACKAGE_TYPE QFP 4;\n1 X x in BSC(C:BC, I:BI)\n2 Y y out PAD(P, O:Z) PAD_EN_L\n");
    dir.write("b.pin", "%PACKAGE_TYPE BGA 2;\nA1 Z z in\n");
    dir.write("A.PIN", "%PACKAGE_TYPE QFP 4;\n1 X x in\n");
    std::string out = desctest::stdout_of([&] {
        desctest::read_design(dir, fixture("chip/chip.lib"),
                              "%PACKAGE_LIST {\n %FILE_NAME a.pin;\n %FILE_NAME ./b.pin;\n %FILE_NAME A.PIN;\n}\n");
    });
    // A file named twice is read once.
    EXPECT_EQ(out, "Warning: (A.PIN) was redefined in package list and will skip it.\n\n");
    ASSERT_NE(PACKAGE_TABLE, nullptr);
    const PackageEntry* a = PACKAGE_TABLE;
    EXPECT_STREQ(a->file_name, "a.pin");
    EXPECT_STREQ(a->type, "QFP");
    EXPECT_EQ(a->pin_count, 4);
    ASSERT_NE(a->first, nullptr);
    EXPECT_STREQ(a->first->cell, "BC");
    EXPECT_EQ(a->first->cell_code, CELL_SINGLE);
    ASSERT_NE(a->first->next, nullptr);
    EXPECT_STREQ(a->first->next->pad_o, "Z");
    EXPECT_EQ(a->first->next->pad_enable, PAD_EN_LOW);
    const PackageEntry* b = a->next;
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->file_name, "b.pin");
    EXPECT_STREQ(b->type, "BGA");
    ASSERT_NE(b->first, nullptr);
    EXPECT_STREQ(b->first->number, "A1");
    EXPECT_EQ(b->next, nullptr);
    EXPECT_EQ(DYNA_count(PIN_TABLE), 0);
    EXPECT_EQ(current_package_ptr, nullptr);
    EXPECT_EQ(PIN_FLAG, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PinListCase,
    ::testing::Values(
        PinCase{"same package type in two files",
                {{"a.pin", "%PACKAGE_TYPE QFP 1;\n1 X x in\n"}, {"c.pin", "%PACKAGE_TYPE qfp 1;\n1 X x in\n"}},
                "%PACKAGE_LIST { %FILE_NAME a.pin; %FILE_NAME c.pin; }",
                "Error : The same package type name(qfp) in (a.pin) and (c.pin).\n",
                "",
                255},
        PinCase{"package file with more rows than pins",
                {{"c.pin", "%PACKAGE_TYPE QFP 1;\n1 X x in\n2 Y y in\n"}},
                "%PACKAGE_LIST { %FILE_NAME ./c.pin; }",
                "\"c.pin\", package pin number '1' is less than total pin count '2'\n",
                "",
                255},
        PinCase{"package file missing", {}, "%PACKAGE_LIST { %FILE_NAME zz.pin; }",
                "Error: can't open pin file 'zz.pin' in default searching path.\n\n", "", 255}),
    [](const auto& i) { return testsupport::param_name(i.param.what); });

// ------------------------------------------------------------ several designs

// A design that sets every value the configuration can set.
void write_rich_design(const TempDir& dir) {
    dir.write("a.pin", "%PACKAGE_TYPE QFP 3;\n%ALLOWED_MULTIPLE { VDD; }\n1 VDD * *\n2 VDD * *\n3 CLK clk in\n");
    dir.write("pk.pin", "%PACKAGE_TYPE BGA 1;\nA1 CLK clk in\n");
    std::string roles;
    for (const char* kw : {"%OUTPUT_MUX_SCAN", "%OUTPUT_SCAN", "%INPUT_MUX_SCAN", "%INPUT_SCAN", "%CONTROL_OE_SCAN",
                           "%CONTROL_OE_LOW_SCAN", "%CONTROL_OE_HIGH_SCAN", "%CONTROL_MUX_SCAN", "%CONTROL_SCAN",
                           "%CONTROL_LOW_SCAN", "%CONTROL_HIGH_SCAN", "%BIDIR_MUX_SCAN", "%BIDIR_SCAN",
                           "%BIDIR_LOW_SCAN", "%BIDIR_HIGH_SCAN", "%CLOCK_MUX_SCAN", "%CLOCK_SCAN", "%INTERNAL_SCAN",
                           "%OBSERVE_ONLY_SCAN", "%CONTROL_HZ_SCAN"})
        roles += std::string(kw) + " BC_IN; ";
    dir.write("t.lib", fixture("chip/chip.lib") + "%BUFFER PX* { %INPUT A; }\n");
    dir.write("t.bsc", std::string(kRichBsc) + "%SCAN_CELLS { " + roles +
                           "}\n"
                           "%GLOBAL_TDI tdi; %GLOBAL_TDO tdo; %GLOBAL_TMS tms; %GLOBAL_TCK tck; %GLOBAL_TRST trst;\n"
                           "%INPUT_BUFFER PIN_IN; %OUTPUT_BUFFER PIN_OUT; %INOUT_BUFFER PIN_BIDIR; %INVERTER INV;\n"
                           "%IDCODE_REGISTER 00010000000000000001000010100111;\n"
                           "%INSTRUCTION_TABLE { %INSTRUCTION BYPASS = (11) ACCESS BYPASS ENABLE e (1); }\n"
                           "%PIN_LIST { %FILE_NAME a.pin; }\n"
                           "%PACKAGE_LIST { %FILE_NAME pk.pin; }\n");
}

void read_files(const TempDir& dir) {
    ChangeDir cd(dir.path());
    bsdft_init();
    get_bs_dft_file("t.lib", "t.bsc", 0);
}

// The second program reads design after design in one run: nothing of one
// design may show in the tables of the next.
TEST_F(DescTest, DesignsReadOneAfterAnotherShareNothing) {
    DESC_set_hash_modulus(DESC_HASH_MODULUS_TALLOWMERE);
    read_chip();
    std::string chip_alone = both_dumps();

    TempDir rich, plain;
    write_rich_design(rich);
    plain.write("t.lib", "%SCAN_CELL OTHER { %DATA_IN D; }\n");
    plain.write("t.bsc", "%GLOBAL_TDI b_tdi;\n");
    desctest::stdout_of([&] { desctest::stderr_of([&] { read_files(rich); }); });
    ASSERT_STREQ(TAP_MODULE_NAME, "qdx_tap");  // the first design did set the values
    ASSERT_STREQ(CONTROL_HZ_SCAN, "BC_IN");
    ASSERT_NE(CONNECT_TABLE, nullptr);
    ASSERT_NE(PACKAGE_TABLE, nullptr);
    ASSERT_EQ(PACKAGE_PIN_NUMBER, 3);
    ASSERT_EQ(DYNA_count(ALLOWED_MULTIPLE_LIST), 1);
    read_files(plain);

    for (const DftPadRole& role : DFT_PAD_ROLES) EXPECT_EQ(*role.global, nullptr);
    EXPECT_EQ(TAP_MODULE_NAME, nullptr);
    EXPECT_EQ(TAP_INSTANCE_NAME, nullptr);
    EXPECT_EQ(CONNECT_TABLE, nullptr);
    EXPECT_EQ(PACKAGE_TABLE, nullptr);
    EXPECT_EQ(PACKAGE_TYPE, nullptr);
    EXPECT_EQ(PACKAGE_PIN_NUMBER, 0);
    EXPECT_EQ(DYNA_count(ALLOWED_MULTIPLE_LIST), 0);
    EXPECT_EQ(PIN_FILE, nullptr);
    EXPECT_EQ(BS_PIN_COUNT, 0);
    EXPECT_EQ(DYNA_count(PIN_TABLE), 0);
    EXPECT_EQ(DYNA_count(INSTRUCTIONS), 0);
    EXPECT_EQ(DYNA_count(INST_CAPTURE), 0);
    EXPECT_EQ(DYNA_count(INST_PRIVATE), 0);
    EXPECT_EQ(DYNA_count(USERCODE_REG), 0);
    EXPECT_EQ(IDCODE_REG, nullptr);
    EXPECT_EQ(INST_DISABLE, nullptr);
    EXPECT_EQ(INST_GUARD, nullptr);
    EXPECT_STREQ(GLOBAL_TDI, "b_tdi");
    for (char* g : {GLOBAL_TDO, GLOBAL_TMS, GLOBAL_TCK, GLOBAL_TRST, INPUT_BUFFER, OUTPUT_BUFFER, INOUT_BUFFER, INVERTER})
        EXPECT_EQ(g, nullptr);
    EXPECT_EQ(DYNA_count(SKIP_SIGNAL_TAB), 0);
    EXPECT_EQ(skip_signal("a"), 0);
    EXPECT_EQ(DYNA_count(TRANS_BUF_TAB), 0);
    EXPECT_EQ(DYNA_count(UNBOUNDED_PIN_TAB), 0);
    EXPECT_EQ(BL_MBIST_TAB, nullptr);
    EXPECT_EQ(BL_LBIST_TAB, nullptr);
    EXPECT_EQ(DYNA_count(WILD_CARD_BUF_TAB), 0);
    EXPECT_EQ(DYNA_count(TAP_CELL_TAB), 0);
    EXPECT_EQ(DYNA_count(BUFFER_TAB), 0);
    ASSERT_EQ(DYNA_count(SCAN_CELL_TAB), 1);
    EXPECT_STREQ(SCAN_CELL_TAB[0]->name, "OTHER");
    EXPECT_EQ(get_scan_cell("BC_IN"), nullptr);
    EXPECT_EQ(get_buffer("PX1"), nullptr);
    EXPECT_EQ(GLOBAL_EXIT, 0);

    // The fixture read after the others gives the tables it gives alone.
    read_chip();
    EXPECT_EQ(both_dumps(), chip_alone);
}

// A name the first design allowed to repeat is not allowed in the next.
TEST_F(DescTest, AllowedMultipleNamesEndWithTheirDesign) {
    TempDir rich, next;
    write_rich_design(rich);
    next.write("t.lib", fixture("chip/chip.lib"));
    next.write("n.pin", "%PACKAGE_TYPE Q 2;\n1 VDD * *\n2 VDD * *\n");
    next.write("t.bsc", "%PIN_LIST { %FILE_NAME n.pin; }\n");
    auto r = desctest::run_child([&] {
        desctest::stdout_of([&] { desctest::stderr_of([&] { read_files(rich); }); });
        read_files(next);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "'n.pin' line 3: pin name VDD mutiple defined.\n");
}

// A pin file read alone, outside a configuration.
TEST_F(DescTest, PinFileReadAlone) {
    TempDir dir;
    dir.write("p.pin", "%PACKAGE_TYPE P 2;\n1 A a in\n2 B b out\n");
    {
        ChangeDir cd(dir.path());
        bscan_get_pin_file_info("./p.pin");
    }
    EXPECT_STREQ(PIN_FILE, "p.pin");
    ASSERT_EQ(DYNA_count(PIN_TABLE), 2);
    EXPECT_STREQ(bs_pin_name(1), "b");
    auto r = desctest::run_child([&] { bscan_get_pin_file_info("/nonexistent/q.pin"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Error: can not open pin file '/nonexistent/q.pin' in default searching path.\n\n");
}

}  // namespace
