// The SVF preamble: its lines for both TRST forms and opcodes of any
// length, checked by OpenOCD's SVF player on a dummy adapter.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "bsdl_test_util.h"

namespace {

using namespace bsdltest;
using testsupport::read_file;
namespace fs = std::filesystem;

// The fixture chip's configuration with extra instruction rows (put first
// in the table when `first`), and with or without its TRST port.
std::string configuration(const std::string& rows, bool first, bool trst) {
    std::string bsc = read_file(testsupport::source_path("tests/fixtures/chip/chip.bsc"));
    if (!trst) {
        const std::string line = "%GLOBAL_TRST trst;\n";
        bsc.erase(bsc.find(line), line.size());
    }
    const std::string anchor = first ? "    %INSTRUCTION EXTEST" : "    %INSTRUCTION BYPASS";
    bsc.insert(bsc.find(anchor), rows);
    return bsc;
}

// Reads the description of the chip in `dir` and writes the SVF file "chip.svf"
// in a child process.
testsupport::ChildResult write_svf(const ChipDir& dir, const std::string& svf = "chip.svf") {
    return run_child([&] {
        BS_LIB_FILE = "chip.lib";
        BS_BSC_FILE = "chip.bsc";
        BS_SVF_NAME = svf;
        bsdft_init();
        get_bs_dft_file("chip.lib", "chip.bsc", 0);
        write_svf_file();
    });
}

// Runs the SVF file through OpenOCD's player with a dummy JTAG adapter and
// one TAP of the given instruction length; returns its exit status.
int openocd_plays(const std::string& svf, int irlen, std::string* log) {
    auto r = testsupport::run({"openocd", "-c", "adapter driver dummy", "-c", "transport select jtag", "-c",
                               "jtag newtap chip tap -irlen " + std::to_string(irlen), "-c", "init", "-c",
                               "svf -quiet " + svf, "-c", "shutdown"});
    *log = r.out + r.err;
    return r.status;
}

struct SvfCase {
    const char* name;
    std::string rows;  // instruction rows added to the table
    bool first;
    bool trst;
    std::string svf;
    std::string out;  // screen output
    int irlen;        // for the player
};

void PrintTo(const SvfCase& c, std::ostream* os) { *os << c.name; }

const std::string kNoAtpg =
    "WARNING: no INSTRUCTION QUENDAL_ATPG declared in %INSTRUCTION_TABLE of \"chip.bsc\";\n"
    "         the SVF file \"chip.svf\" only resets the TAP.\n";

const SvfCase kCases[] = {
    {"NoTrst", "    %INSTRUCTION quendal_atpg = (0110) ACCESS BYPASS;\n", false, false,
     "TRST ABSENT;\nSTATE RESET;\nSIR 4 TDI(6); !QUENDAL_ATPG\nSTATE IDLE;\n", "", 4},
    {"Trst", "    %INSTRUCTION QUENDAL_ATPG = (11111) ACCESS BYPASS;\n", false, true,
     "TRST ON;\nTRST OFF;\nSIR 5 TDI(1F); !QUENDAL_ATPG\nSTATE IDLE;\n", "", 5},
    {"FirstRowAndFirstOfTwo",
     "    %INSTRUCTION Quendal_Atpg = (1010, 0101) ACCESS BYPASS;\n    %INSTRUCTION QUENDAL_ATPG = (0011) ACCESS BYPASS;\n",
     true, true, "TRST ON;\nTRST OFF;\nSIR 4 TDI(A); !QUENDAL_ATPG\nSTATE IDLE;\n", "", 4},
    {"AllZeroOpcode", "    %INSTRUCTION quendal_atpg = (000000) ACCESS BYPASS;\n", false, false,
     "TRST ABSENT;\nSTATE RESET;\nSIR 6 TDI(0); !QUENDAL_ATPG\nSTATE IDLE;\n", "", 6},
    // 40 bits: more than a 32-bit value holds; every bit is kept.
    {"FortyBitOpcode", "    %INSTRUCTION quendal_atpg = (1000000000000000000000000000000011110001) ACCESS BYPASS;\n",
     false, true, "TRST ON;\nTRST OFF;\nSIR 40 TDI(80000000F1); !QUENDAL_ATPG\nSTATE IDLE;\n", "", 40},
    {"NoAtpgRowWarns", "", false, false, "TRST ABSENT;\nSTATE RESET;\n", kNoAtpg, 4},
};

class Svf : public BsdlTest, public ::testing::WithParamInterface<SvfCase> {};

TEST_P(Svf, LinesAndOpenOcdPlaysThem) {
    const SvfCase& c = GetParam();
    ChipDir dir;
    dir.write("chip.bsc", configuration(c.rows, c.first, c.trst));
    auto r = write_svf(dir);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(read_file(dir.path() / "chip.svf"), c.svf);

    if (!testsupport::have_program("openocd")) GTEST_SKIP() << "openocd is not installed";
    std::string log;
    EXPECT_EQ(openocd_plays(dir.file("chip.svf"), c.irlen, &log), 0) << log;
    EXPECT_NE(log.find("svf file programmed successfully"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Table, Svf, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SvfCase>& i) { return std::string(i.param.name); });

class SvfFile : public BsdlTest {};

// The player rejects a file whose value does not fit its length (what a
// 32-bit value cut to the wrong width gives) and a broken statement, so a
// zero status above means something.
TEST_F(SvfFile, OpenOcdRejectsMalformedFiles) {
    if (!testsupport::have_program("openocd")) GTEST_SKIP() << "openocd is not installed";
    testsupport::TempDir dir;
    const std::string bad[] = {
        "TRST ABSENT;\nSTATE RESET;\nSIR 4 TDI(1F); !QUENDAL_ATPG\nSTATE IDLE;\n",
        "TRST ABSENT;\nSTATE RESET;\nSIR 4 TDI(6;\nSTATE IDLE;\n",
    };
    for (const std::string& text : bad) {
        SCOPED_TRACE(text);
        std::string log;
        EXPECT_NE(openocd_plays(dir.write("bad.svf", text), 4, &log), 0) << log;
    }
}

TEST_F(SvfFile, UnopenableFileFailsAndLeavesNothing) {
    ChipDir dir;
    dir.write("chip.bsc", configuration("    %INSTRUCTION quendal_atpg = (0110) ACCESS BYPASS;\n", false, true));
    auto r = write_svf(dir, "missing/chip.svf");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "ERROR: can't open file 'missing/chip.svf' to write.\n\n");
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    // Over a directory of the same name: written, but not put in place.
    fs::create_directory(dir.file("chip.svf"));
    r = write_svf(dir);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "ERROR: can't write file 'chip.svf': Is a directory.\n\n");
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".chip.svf"), std::string::npos) << e.path();
}

}  // namespace
