// Inputs that a run cannot use, handed to the whole programs one at a
// time: a table of a FIFO or a device in place of a file, a damaged design
// database, numbers at the top of int, opcodes that are no patterns, a
// runaway token; and mutants of the description files (bytes changed,
// cut, repeated, numbers blown up, a NUL, a runaway word).  Each run ends
// by itself, never hangs (a run that blocks is killed after a while, which
// fails its case); a refused run ends with its status and message and
// leaves the folder as it was (its report and logs aside), and no run
// leaves a temporary file behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Patch;

// A refused run still writes its own report and logs, with the message.
const std::vector<std::string> kRunRecords = {".rpt", ".log"};

void fifo(const fs::path& dir, const std::string& name) {
    fs::remove(dir / name);
    ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0) << name;
}

void device(const fs::path& dir, const std::string& name) {
    fs::remove(dir / name);
    fs::create_symlink("/dev/zero", dir / name);
}

// Writes 0 over the name (word 0) of the first record of a table of a
// design database as the stand-in tools write it: little-endian, the
// magic length first, the image of the database record from byte 12, its
// table slots of five words from word 3, the file offset of a slot's
// records in its fifth word.  Symbol 0 is "*UNDEF*".
void undefined_name(const fs::path& file, int slot) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    auto word_at = [&f](std::streamoff at) {
        unsigned char b[4] = {};
        f.seekg(at);
        f.read(reinterpret_cast<char*>(b), 4);
        return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24);
    };
    ASSERT_EQ(word_at(0), 4) << file;
    const std::int32_t records = word_at(12 + 4 * (3 + 5 * slot + 4));
    ASSERT_GT(records, 0);
    f.seekp(records);
    f.write("\0\0\0\0", 4);
    ASSERT_TRUE(f.good());
}

constexpr int kPortSlot = 1;
constexpr int kPinSlot = 5;

struct Hostile {
    const char* name;
    std::vector<Patch> patches;                       // on the chip's sources, before it is compiled
    std::function<void(const fs::path&)> spoil;       // on the compiled chip
    std::vector<std::string> argv;                    // program (kestrand, tallowmere or a tool) and arguments
    int status;
    std::string out{};                                // in standard output
    std::string err{};                                // in standard error
};

void PrintTo(const Hostile& c, std::ostream* os) { *os << c.name; }

bool programs_built() {
    return testsupport::fixture_tools_built() && fs::exists(testsupport::built_program("bin/tallowmere"));
}

// Runs a program of the build (kestrand, tallowmere or a stand-in tool,
// with its arguments) in dir under the stand-in tools' path, and checks
// what every run must leave: no temporary file, and after a refusal
// (status other than 0) the folder as it was.
testsupport::RunResult run_and_check(const fs::path& dir, const std::vector<std::string>& argv) {
    // A run that waits for ever is killed (status 137), which fails its case.
    std::vector<std::string> full = {"timeout", "-s", "KILL", "120"};
    const std::string& program = argv.front();
    full.push_back(program == "kestrand" || program == "tallowmere"
                       ? testsupport::built_program("bin/" + program)
                       : (fs::path(testsupport::tools_dir()) / program).string());
    full.insert(full.end(), argv.begin() + 1, argv.end());
    const auto before = testsupport::folder_files(dir, kRunRecords);
    testsupport::ToolPath env;
    const testsupport::RunResult r = testsupport::run(full, dir);
    EXPECT_EQ(testsupport::output_temporaries(dir), std::vector<std::string>{});
    if (r.status != 0) {
        EXPECT_EQ(testsupport::folder_changes(before, testsupport::folder_files(dir, kRunRecords)),
                  std::vector<std::string>{});
        const fs::path work = dir / "bscan_lib";
        if (fs::exists(work)) {
            EXPECT_TRUE(fs::is_empty(work));
        }
    }
    return r;
}

class HostileInput : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileInput, EndsCleanly) {
    if (!programs_built()) GTEST_SKIP() << "the programs or the stand-in tools are not built";
    const Hostile& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path(), c.patches));
    if (c.spoil) c.spoil(dir.path());
    const testsupport::RunResult r = run_and_check(dir.path(), c.argv);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
}

// The TAP out of the design, for the roads that add it.
const std::vector<Patch> kNoTap = {
    {"chip.v", "  qdx_tap TAP (", "  /* qdx_tap TAP ("},
    {"chip.v", ".first_Bcell(chain), .BOUNDARY_out(chain));", ".first_Bcell(chain), .BOUNDARY_out(chain)); */"}};

Patch group_size(const std::string& value) { return {"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE " + value + ";"}; }

// The three-state output's enable tied on and a control cell that takes
// the TAP's HIGHZ: the pad goes into a high-impedance group.
const std::vector<Patch> kHighzGroup = {
    {"chip.bsc", "    %INSTRUCTION BYPASS", "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"},
    {"chip.bsc", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRLZ;"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_CTRLZ {\n    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; %HIGHZ HZ;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_CTRLZ (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE, HZ);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE, HZ;\n  output DO, SO;\nendmodule\n`endcelldefine\n"},
    {"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(1'b1), .PAD(dout1)"}};

const Patch kLogicBist{"chip.bsc", "", "\n%LOGIC_BIST {\n  %DFT_FILE core.dft;\n  %INSTANCE_NAME u_core;\n}\n"};

const std::string kLong(70000, 'd');

const std::string kNotRegular = "is not a regular file";
const std::string kCorrupt = "SDB ERROR: (FA-01-0006) The sdb file './chip.c.sdb' is corrupted.";
const std::string kTokenTooLarge = "token too large, exceeds YYLMAX\n";

INSTANTIATE_TEST_SUITE_P(
    Table, HostileInput,
    ::testing::Values(
        // A group size at the top of int (or beyond it, which the reader
        // holds there) is one group of every load.
        Hostile{"group_size_at_int_max", {group_size("2147483647")}, {}, {"kestrand", "chip"}, 0},
        Hostile{"group_size_beyond_int", {group_size("99999999999999")}, {}, {"kestrand", "chip"}, 0},
        Hostile{"df_group_size_at_int_max",
                {{"chip.lib", "%GROUP_SIZE 8;", "%DF_GROUP_SIZE 2147483647; %DF_SIGNAL_BUFFER BUF;"}},
                {},
                {"kestrand", "chip", "-df_speed"},
                0},
        Hostile{"high_impedance_group_at_int_max", kHighzGroup + std::vector<Patch>{group_size("2147483647")}, {},
                {"kestrand", "chip"}, 0},
        Hostile{"boundary_cell_module_at_int_max", kNoTap + std::vector<Patch>{group_size("2147483647")}, {},
                {"kestrand", "chip", "-add_bcm"}, 0},
        // An endless device as the configuration.
        Hostile{"configuration_is_a_device", {}, [](const fs::path& d) { device(d, "chip.bsc"); },
                {"kestrand", "chip"}, 255, "ERROR: BSC file './chip.bsc' is not a regular file.\n"},
        Hostile{"configuration_is_a_device_tallowmere", {}, [](const fs::path& d) { device(d, "chip.bsc"); },
                {"tallowmere", "chip"}, 255, "", "Error: './chip.bsc' " + kNotRegular},
        // The design that kestrand copies for the edit.
        Hostile{"design_is_a_fifo", {}, [](const fs::path& d) { fifo(d, "chip.sdb"); }, {"kestrand", "chip"}, 255,
                "ERROR: SDB file './chip.sdb' is not a regular file.\n"},
        Hostile{"design_is_a_device", {}, [](const fs::path& d) { device(d, "chip.sdb"); }, {"kestrand", "chip"},
                255, "ERROR: SDB file './chip.sdb' is not a regular file.\n"},
        // A FIFO in place of any input.
        Hostile{"library_is_a_fifo", {}, [](const fs::path& d) { fifo(d, "chip.lib"); }, {"kestrand", "chip"}, 255,
                "ERROR: LIB file './chip.lib' is not a regular file.\n"},
        Hostile{"library_is_a_fifo_tallowmere", {}, [](const fs::path& d) { fifo(d, "chip.lib"); },
                {"tallowmere", "chip"}, 255, "", "Error: './chip.lib' " + kNotRegular},
        Hostile{"pin_file_is_a_fifo", {}, [](const fs::path& d) { fifo(d, "chip.pin"); }, {"kestrand", "chip"}, 255,
                "", "Error: 'chip.pin' " + kNotRegular},
        Hostile{"pin_file_is_a_fifo_tallowmere", {}, [](const fs::path& d) { fifo(d, "chip.pin"); },
                {"tallowmere", "chip"}, 255, "", "Error: 'chip.pin' " + kNotRegular},
        Hostile{"logic_bist_dft_file_is_a_fifo", {kLogicBist}, [](const fs::path& d) { fifo(d, "core.dft"); },
                {"kestrand", "chip"}, 255, "", "ERROR : Input file 'core.dft' " + kNotRegular},
        Hostile{"netlist_is_a_fifo", {}, [](const fs::path& d) { fifo(d, "f.v"); }, {"tessick", "f.v"}, 1, "",
                "f.v: error: cannot open file: not a regular file"},
        Hostile{"command_file_is_a_fifo", {}, [](const fs::path& d) { fifo(d, "x.cmd"); }, {"plovert", "-b", "x"}, 1,
                "", "plovert: error: cannot open command file 'x.cmd': not a regular file"},
        // Opcodes and capture patterns are 0, 1 and X.
        Hostile{"opcode_digit", {{"chip.bsc", "(1111) ACCESS BYPASS", "(2010) ACCESS BYPASS"}}, {},
                {"kestrand", "chip", "-add_tap_only"}, 255,
                "ERROR: (./chip.bsc) the opcode '2010' of INSTRUCTION 'BYPASS' is not a pattern of 0, 1 and X.\n"},
        Hostile{"opcode_digit_tallowmere",
                {{"chip.bsc", "    %INSTRUCTION BYPASS", "    %INSTRUCTION QUENDAL_ATPG = (0013) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"}},
                {}, {"tallowmere", "chip"}, 255,
                "ERROR: (./chip.bsc) the opcode '0013' of INSTRUCTION 'QUENDAL_ATPG' is not a pattern of 0, 1 and X.\n"},
        Hostile{"capture_digit", {{"chip.bsc", "%INSTRUCTION_CAPTURE (0001)", "%INSTRUCTION_CAPTURE (2001)"}}, {},
                {"tallowmere", "chip"}, 255,
                "ERROR: (./chip.bsc) %INSTRUCTION_CAPTURE '2001' is not a pattern of 0, 1 and X.\n"},
        // A port or a pin named by symbol 0 makes a damaged database.
        Hostile{"port_named_undef", {}, [](const fs::path& d) { undefined_name(d / "chip.c.sdb", kPortSlot); },
                {"kestrand", "chip"}, 255, kCorrupt},
        Hostile{"pin_named_undef_tallowmere", {}, [](const fs::path& d) { undefined_name(d / "chip.c.sdb", kPinSlot); },
                {"tallowmere", "chip"}, 255, kCorrupt},
        // A design database that cannot be written says why.
        Hostile{"design_name_too_long", {},
                [](const fs::path& d) {
                    std::ofstream(d / "long.v") << "module m" << std::string(300, 'x') << " (a);\n  input a;\nendmodule\n";
                },
                {"tessick", "long.v"}, 1, "", "'m" + std::string(300, 'x') + ".sdb': File name too long"},
        // A runaway token.
        Hostile{"configuration_token_too_long", {{"chip.bsc", "%GLOBAL_TDI  tdi;", "%GLOBAL_TDI  t" + kLong + ";"}}, {},
                {"kestrand", "chip"}, 2, "", kTokenTooLarge},
        Hostile{"library_token_too_long", {{"chip.lib", "%INSTANCE_NAME  TAP;", "%INSTANCE_NAME  T" + kLong + ";"}}, {},
                {"tallowmere", "chip"}, 2, "", kTokenTooLarge}),
    [](const auto& i) { return std::string(i.param.name); });

// ------------------------------------------------------------ mutants

// The mutant number `seed` of a text: one to three edits at places and of
// kinds drawn from a generator of fixed results (std::mt19937 is the same
// everywhere; its numbers are used without a distribution, whose results
// the standard leaves open).
std::string mutant(std::string text, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto below = [&random](size_t n) { return n == 0 ? 0 : static_cast<size_t>(random() % n); };
    static const std::string kBytes = std::string("%{}();,:*=-_[]./\\0129xX \n") + '\0';
    static const std::vector<std::string> kWords = {"2147483647", "99999999999999999999", "-1", "0", "%GROUP_SIZE",
                                                    "%INSTRUCTION", "/*", "*/", "//", std::string(9000, 'w')};
    for (size_t edits = 1 + below(3); edits > 0; --edits) {
        const size_t at = below(text.size() + 1);
        const size_t span = 1 + below(40);
        switch (below(6)) {
            case 0:
                if (at < text.size()) text[at] = kBytes[below(kBytes.size())];
                break;
            case 1: text.erase(at, span); break;
            case 2: text.insert(at, text.substr(at, span)); break;
            case 3: text.resize(at); break;
            case 4: text.insert(at, kWords[below(kWords.size())]); break;
            default: {
                // A number of the file blown up.
                const size_t digit = text.find_first_of("0123456789", at);
                if (digit != std::string::npos) text.insert(digit, "99999999999");
                break;
            }
        }
    }
    return text;
}

struct MutantCase {
    const char* file;
    std::uint32_t seed;
};

class Mutant : public ::testing::TestWithParam<MutantCase> {};

TEST_P(Mutant, EndsCleanlyInBothPrograms) {
    if (!programs_built()) GTEST_SKIP() << "the programs or the stand-in tools are not built";
    const MutantCase& c = GetParam();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    const std::string original = testsupport::read_file(dir.path() / c.file);
    std::ofstream(dir.path() / c.file, std::ios::binary | std::ios::trunc) << mutant(original, c.seed);
    for (const char* program : {"tallowmere", "kestrand"}) {
        SCOPED_TRACE(std::string(program) + " on mutant " + std::to_string(c.seed) + " of " + c.file);
        const testsupport::RunResult r = run_and_check(dir.path(), {program, "chip"});
        EXPECT_TRUE(r.status == 0 || r.status == 2 || r.status == 255) << r.status << "\n" << r.out << r.err;
    }
}

std::vector<MutantCase> cases() {
    std::vector<MutantCase> all;
    for (const char* file : {"chip.bsc", "chip.lib", "chip.pin"})
        for (std::uint32_t seed = 1; seed <= 12; ++seed) all.push_back({file, seed});
    return all;
}

INSTANTIATE_TEST_SUITE_P(Descriptions, Mutant, ::testing::ValuesIn(cases()), [](const auto& i) {
    std::string name = i.param.file;
    name[name.find('.')] = '_';
    return name + "_" + std::to_string(i.param.seed);
});

}  // namespace
