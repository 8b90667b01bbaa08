// The BIST connection files: kestrand on the fixture chip with memory- and
// logic-BIST entries and a core tree of DFT files against golden files,
// and the writer on its own for the unnamed logic-BIST form and the
// entries it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "desc/reader.h"
#include "desc/tables.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "kestrand/connect_file.h"
#include "runtime/dyna.h"
#include "scanlang/front/front.h"
#include "scanlang/object/scan_interface.h"
#include "support/child.h"
#include "support/fixture_chip.h"
#include "support/insertion_test_util.h"
#include "support/param_name.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Patch;
using testsupport::read_file;
using testsupport::source_path;

const char* const kMbist = "mbist_bscan.cnt";
const char* const kLbist = "lbist_bscan.cnt";

// The BIST instructions of the fixture: plain and gated enables, register
// widths in brackets.
const char* const kBistInstructions =
    "%INSTRUCTION BYPASS = (1111) ACCESS BYPASS;\n"
    "%INSTRUCTION MBIST1 { %BINARY_CODE = 0100; %DATA_REGISTER = MB_REG[8]; %EN_H mb_en; %EN_H mb_res AND mb_ok; }\n"
    "%INSTRUCTION MSEL { %BINARY_CODE = 0101; %DATA_REGISTER = MSEL_REG; %EN_H msel_plain; %EN_H msel_gated AND x; }\n"
    "%INSTRUCTION LBIST1 { %BINARY_CODE = 0110; %DATA_REGISTER = LB_REG; %EN_H lb_en; %EN_H lb_res OR y; }\n"
    "%INSTRUCTION LSEL { %BINARY_CODE = 0111; %DATA_REGISTER = LSEL_REG[4]; %EN_H lsel_plain; %EN_H lsel_gated AND z; }\n"
    "%INSTRUCTION LSCAN { %BINARY_CODE = 1000; %DATA_REGISTER = SCAN_REG; %EN_H scan_en; %EN_L scan_g XOR w; }\n"
    "%INSTRUCTION DIAG1 { %BINARY_CODE = 1001; %DATA_REGISTER = DIAG_REG; %EN_H diag_en; }\n"
    "%INSTRUCTION LDBG { %BINARY_CODE = 1010; %DATA_REGISTER = DBG_REG; %EN_H dbg_en; }\n";

// Memory BIST with a selection instruction and one entry whose instruction
// is not in the table; named logic BIST, one entry with a core tree and
// tests, one with diagnosis.
const char* const kBistSections =
    "\n%MEMORY_BIST\n{\n"
    "    %INSTRUCTION MBIST1 { %CNT_FILE m1.cnt; %SEL_INSTRUCTION MSEL; %CTRL_ORDER 2, 1; }\n"
    "    %INSTRUCTION NOSUCH { %CNT_FILE n.cnt; }\n"
    "    %INSTRUCTION mbist1 { }\n"
    "}\n"
    "%LOGIC_BIST\n{\n"
    "    %INSTRUCTION LBIST1\n    {\n"
    "        %DFT_FILE core_top.dft; %INSTANCE_NAME u_core; %SEL_INSTRUCTION LSEL;\n"
    "        %TESTS (1010, 0110); %CNT_FILE a.cnt, b.cnt; %CTRL_ORDER 3;\n"
    "    }\n"
    "    %INSTRUCTION LSCAN\n    {\n"
    "        %DIAG_INSTRUCTION DIAG1; %LBIST_INSTRUCTION LBIST1; %SCAN_INSTRUCTION LSCAN;\n"
    "        %DFT_FILE core_top.dft; %INSTANCE_NAME u_diag;\n"
    "    }\n"
    "}\n";

// Cores A and B carry logic BIST, N does not; A holds C, named relative
// to A's own file.
void write_core_tree(const fs::path& dir) {
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "core_top.dft") << "%TOP_MODULE = core_top;\n"
                                           "%CORE { %NAME = A; %DFT_FILE = \"sub/a.dft\"; %LBIST_FILE = \"a.lbist\"; }\n"
                                           "%CORE { %NAME = N; %DFT_FILE = \"n.dft\"; }\n"
                                           "%CORE { %NAME = B; %DFT_FILE = \"b.dft\"; %LBIST_FILE = \"b.lbist\"; }\n";
    std::ofstream(dir / "sub/a.dft") << "%TOP_MODULE = a_top;\n"
                                        "%CORE { %NAME = C; %DFT_FILE = \"c.dft\"; %LBIST_FILE = \"c.lbist\"; }\n";
    std::ofstream(dir / "sub/c.dft") << "%TOP_MODULE = c_top;\n";
    std::ofstream(dir / "n.dft") << "%TOP_MODULE = n_top;\n";
    std::ofstream(dir / "b.dft") << "%TOP_MODULE = b_top;\n";
}

const std::vector<Patch> kBistPatches = {
    {"chip.bsc", "%INSTRUCTION BYPASS = (1111) ACCESS BYPASS;", kBistInstructions},
    {"chip.bsc", "", kBistSections},
};

std::string golden(const char* name) { return read_file(source_path(std::string("tests/fixtures/kestrand/connect/") + name)); }

TEST(ConnectFiles, FixtureChipAgainstGoldenFilesTwice) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), kBistPatches));
    write_core_tree(dir.path());
    std::string first[2];
    for (int run = 0; run < 2; ++run) {
        const auto r = testsupport::run_kestrand(dir.path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(read_file(dir.path() / kMbist), golden(kMbist));
        EXPECT_EQ(read_file(dir.path() / kLbist), golden(kLbist));
        if (run == 0) {
            first[0] = read_file(dir.path() / kMbist);
            first[1] = read_file(dir.path() / kLbist);
        } else {
            EXPECT_EQ(read_file(dir.path() / kMbist), first[0]);
            EXPECT_EQ(read_file(dir.path() / kLbist), first[1]);
        }
    }
    // Written whole: no temporary file is left behind.
    for (const auto& f : fs::directory_iterator(dir.path()))
        EXPECT_EQ(f.path().filename().string().find("bscan.cnt."), std::string::npos) << f.path();

    // With -opath the files go there, and nothing into the working directory.
    fs::remove(dir.path() / kMbist);
    fs::remove(dir.path() / kLbist);
    fs::create_directory(dir.path() / "out");
    const auto r = testsupport::run_kestrand(dir.path(), {"-opath", "out"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(read_file(dir.path() / "out" / kMbist), golden(kMbist));
    EXPECT_EQ(read_file(dir.path() / "out" / kLbist), golden(kLbist));
    EXPECT_FALSE(fs::exists(dir.path() / kMbist));
    EXPECT_FALSE(fs::exists(dir.path() / kLbist));
}

// Without BIST entries no file is written, and an old one stays.
TEST(ConnectFiles, NothingWithoutBistEntries) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    std::ofstream(dir.path() / kLbist) << "old\n";
    const auto r = testsupport::run_kestrand(dir.path(), {"-add_tap_only"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(fs::exists(dir.path() / kMbist));
    EXPECT_EQ(read_file(dir.path() / kLbist), "old\n");
}

// The TAP instance line names the TAP as configured, on every road: the
// whole path of a TAP inside a sub-module, the default name that -add_tap
// gives a configuration without one.
struct TapLine {
    std::string name;
    std::vector<Patch> patches;
    std::vector<std::string> options;
    std::string line;
};

void PrintTo(const TapLine& c, std::ostream* os) { *os << c.name; }

class ConnectFileTapLine : public ::testing::TestWithParam<TapLine> {};

TEST_P(ConnectFileTapLine, NamesTheConfiguredInstance) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "kestrand or the stand-in tools are not built";
    const TapLine& c = GetParam();
    testsupport::TempDir dir;
    std::vector<Patch> patches = c.patches;
    patches.push_back({"chip.bsc", "", "\n%MEMORY_BIST { %INSTRUCTION EXTEST { } }\n"});
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), patches));
    const auto r = testsupport::run_kestrand(dir.path(), c.options);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string text = read_file(dir.path() / kMbist);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), c.line);
    EXPECT_FALSE(fs::exists(dir.path() / kLbist));
}

INSTANTIATE_TEST_SUITE_P(
    Roads, ConnectFileTapLine,
    ::testing::Values(
        TapLine{"tap_in_a_wrapper",
                {{"chip.v", "  qdx_tap TAP (", "  tapwrap u_tap ("},
                 {"chip.v", "",
                  "\nmodule tapwrap (TDI, TMS, TCK, TRST, TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ,\n"
                  "                RESET, first_Bcell, BOUNDARY_out);\n"
                  "  input TDI, TMS, TCK, TRST, BOUNDARY_out;\n"
                  "  output TDO, TDO_EN, SHIFT_DR, CLOCK_DR, UPDATE_DR, MODE1, HIGHZ, RESET, first_Bcell;\n"
                  "  qdx_tap TAP (.TDI(TDI), .TMS(TMS), .TCK(TCK), .TRST(TRST), .TDO(TDO), .TDO_EN(TDO_EN),\n"
                  "               .SHIFT_DR(SHIFT_DR), .CLOCK_DR(CLOCK_DR), .UPDATE_DR(UPDATE_DR), .MODE1(MODE1),\n"
                  "               .HIGHZ(HIGHZ), .RESET(RESET), .first_Bcell(first_Bcell), "
                  ".BOUNDARY_out(BOUNDARY_out));\n"
                  "endmodule\n"},
                 {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_tap.TAP;"}},
                {},
                "%TAP_INSTANCE    chip.u_tap.TAP;\n"},
        TapLine{"add_tap_only_default_name",
                {{"chip.bsc", "%INSTANCE_NAME TAP;", ""}},
                {"-add_tap_only"},
                "%TAP_INSTANCE    chip.TAP;\n"}),
    [](const ::testing::TestParamInfo<TapLine>& i) { return testsupport::param_name(i.param.name); });

// The writer on its own, on the fixture chip's descriptions with BIST
// sections of each case.
class ConnectFileWriter : public bstest::InsertionTest {
protected:
    void SetUp() override {
        InsertionTest::SetUp();
        SCANLANG_reset_globals();
    }
    void TearDown() override {
        SCANLANG_reset_globals();
        InsertionTest::TearDown();
    }
    // Reads the fixture chip's configuration with the instructions above
    // and `sections` in place of its BIST sections.
    void read_configuration(const std::string& sections) {
        const fs::path chip = source_path("tests/fixtures/chip");
        fs::copy_file(chip / "chip.lib", "chip.lib");
        fs::copy_file(chip / "chip.pin", "chip.pin");
        std::string bsc = read_file(chip / "chip.bsc");
        const std::string bypass = "%INSTRUCTION BYPASS = (1111) ACCESS BYPASS;";
        bsc.replace(bsc.find(bypass), bypass.size(), kBistInstructions);
        std::ofstream("chip.bsc") << bsc << sections;
        bsdft_init();
        get_bs_dft_file("chip.lib", "chip.bsc", 0);
        TOP_MODULE = "chip";
        org_tap_instance_nameG = qdx_strdup("TAP");
        TAP_TCK_PIN = "TCK";
        TAP_SHIFT_PIN = "SHIFT_DR";
    }
};

TEST_F(ConnectFileWriter, UnnamedLogicBistForm) {
    read_configuration(
        "%LOGIC_BIST\n{\n"
        "    %LBIST_INSTRUCTION LBIST1; %SEL_INSTRUCTION LSEL; %TESTS (1100); %DEBUG_INSTRUCTION LDBG;\n"
        "    %DIAG_INSTRUCTION null, DIAG1; %DIAG_CNT_FILE d0.cnt, d1.cnt; %CTRL_ORDER 4, 5;\n"
        "}\n");
    kest_check_connect_file();
    kest_write_connect_file();
    EXPECT_FALSE(fs::exists(kMbist));
    EXPECT_EQ(read_file(kLbist),
              "%TAP_INSTANCE    chip.TAP;\n"
              "%LOGIC_BIST\n{\n"
              "     %LBIST_INSTRUCTION    '0110';\n"
              "     %LBIST_TDI     LB_REG_in;\n"
              "     %LBIST_TDO     LB_REG_out;\n"
              "     %LBIST_EN    lb_en;\n"
              "     %CNT_FILE   \"lbist.cnt\";\n"
              "     %SHIFT_DR    SHIFT_DR;\n"
              "     %BCLK    TCK;\n"
              "     %GCLK    TCK;\n"
              "     %BISTCTRL_ORDER    4, 5;\n"
              "     %SEL_INSTRUCTION    '0111';\n"
              "     %GROUP_SEL_I     LSEL_REG_in;\n"
              "     %GROUP_SEL_O     LSEL_REG_out;\n"
              "     %SEL_EN    lsel_plain;\n"
              "     %TESTS    '1100';\n"
              "     %DEBUG_INSTRUCTION    '1010';\n"
              "     %DEBUG_EN    dbg_en;\n"
              "     %DIAG_INSTRUCTION    \"*\", \"DIAG1\" ;\n"
              "}\n"
              "\n%LBIST_DIAG  DIAG1\n{\n"
              "     %INSTRUCTION    '1001';\n"
              "     %TDI           DIAG_REG_in;\n"
              "     %TDO           DIAG_REG_out;\n"
              "     %DIAG_EN       diag_en;\n"
              "     %CNT_FILE      \"d1.cnt\";\n"
              "}\n");
}

struct Refusal {
    std::string name;
    std::string sections;
    std::string message;
    bool up_front = true;  // refused by the check before the run writes anything
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class ConnectFileRefusal : public ConnectFileWriter, public ::testing::WithParamInterface<Refusal> {};

// Each refusal ends the run with -1 and leaves both files as they were;
// the entry checks refuse before the run writes anything.
TEST_P(ConnectFileRefusal, EndsTheRunAndKeepsOldFiles) {
    const Refusal& c = GetParam();
    read_configuration(c.sections);
    std::ofstream(kLbist) << "old\n";
    std::ofstream(kMbist) << "old\n";
    write_core_tree(".");
    std::ofstream("loop.dft") << "%TOP_MODULE = loop_top;\n"
                                 "%CORE { %NAME = L; %DFT_FILE = \"l.dft\"; %LBIST_FILE = \"l.lbist\"; }\n";
    // A core of L named like the file that contains L.
    std::ofstream("l.dft") << "%TOP_MODULE = l_top;\n"
                              "%CORE { %NAME = loop; %DFT_FILE = \"l2.dft\"; %LBIST_FILE = \"x.lbist\"; }\n";
    std::ofstream("l2.dft") << "%TOP_MODULE = l2_top;\n";
    if (c.up_front) {
        const auto check = testsupport::run_child([] { kest_check_connect_file(); });
        EXPECT_EQ(check.status, 255);
        EXPECT_EQ(check.out, c.message);
    }
    const auto r = testsupport::run_child([] { kest_write_connect_file(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_EQ(read_file(kLbist), "old\n");
    EXPECT_EQ(read_file(kMbist), "old\n");
    for (const auto& f : fs::directory_iterator("."))
        EXPECT_EQ(f.path().filename().string().find("bscan.cnt."), std::string::npos) << f.path();
}

const std::string kMemory = "%MEMORY_BIST { %INSTRUCTION MBIST1 { } }\n";

INSTANTIATE_TEST_SUITE_P(
    Entries, ConnectFileRefusal,
    ::testing::Values(
        Refusal{"named_dft_file_without_instance",
                kMemory + "%LOGIC_BIST { %INSTRUCTION LBIST1 { %DFT_FILE core_top.dft; } }\n",
                "ERROR: Please specify the %INSTANCE_NAME of the core for %LOGIC_BIST.\n"},
        Refusal{"unnamed_dft_file_without_instance", kMemory + "%LOGIC_BIST { %DFT_FILE core_top.dft; }\n",
                "ERROR: Please specify the %INSTANCE_NAME of the core in %LOGIC_BIST.\n"},
        Refusal{"test_longer_than_the_selection_register",
                "%LOGIC_BIST { %INSTRUCTION LBIST1 { %SEL_INSTRUCTION LSEL; %TESTS (10101); } }\n",
                "ERROR: the length of data register does not match for %TESTS and %SEL_INSTRUCTION.\n"},
        // The width of an earlier entry's selection register does not carry over.
        Refusal{"tests_without_selection_after_a_selection",
                "%LOGIC_BIST { %INSTRUCTION LBIST1 { %SEL_INSTRUCTION LSEL; %TESTS (1010); }\n"
                "              %INSTRUCTION LSCAN { %TESTS (1010); } }\n",
                "ERROR: the length of data register does not match for %TESTS and %SEL_INSTRUCTION.\n"},
        Refusal{"diagnosis_lists_of_different_length",
                "%LOGIC_BIST { %DIAG_INSTRUCTION DIAG1, LDBG; %DIAG_CNT_FILE d.cnt; }\n",
                "ERROR: The number of %DIAG_INSTRUCTION is not equal to the number of %DIAG_CNT_FILE.\n"},
        Refusal{"diagnosis_without_count_files", "%LOGIC_BIST { %DIAG_INSTRUCTION DIAG1; }\n",
                "ERROR: The number of %DIAG_INSTRUCTION is not equal to the number of %DIAG_CNT_FILE.\n"},
        Refusal{"diagnosis_item_not_in_the_table",
                "%LOGIC_BIST { %DIAG_INSTRUCTION NOPE; %DIAG_CNT_FILE d.cnt; }\n",
                "ERROR: Can not find the instruction 'NOPE' in %DIAG_INSTRUCTION.\n"},
        Refusal{"core_named_like_its_ancestor",
                kMemory + "%LOGIC_BIST { %INSTRUCTION LBIST1 { %DFT_FILE loop.dft; %INSTANCE_NAME u_l; } }\n",
                "ERROR: The core 'loop' in dft file 'l.dft' is named like a core that contains it.\n", false}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return testsupport::param_name(i.param.name); });

}  // namespace
