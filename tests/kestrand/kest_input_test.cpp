// kestrand's input checks on the fixture chip: missing files, unfit scan
// cells, missing TAP fields and a TAP pin of the wrong direction.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::run;
using testsupport::source_path;

// Copies the fixture chip into dir and compiles it ("chip.sdb",
// "chip.c.sdb" and the cells' designs); false when the tools are missing.
bool compile_chip(const fs::path& dir) {
    return testsupport::fixture_tools_built() && testsupport::compile_fixture_chip(dir);
}

// Replaces the first `from` after `anchor` in a file.
void edit(const fs::path& file, const std::string& anchor, const std::string& from, const std::string& to) {
    std::string s = read_file(file);
    size_t a = s.find(anchor);
    ASSERT_NE(a, std::string::npos) << anchor;
    size_t f = s.find(from, a);
    ASSERT_NE(f, std::string::npos) << from;
    s.replace(f, from.size(), to);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << s;
}

testsupport::RunResult kestrand(const fs::path& dir, std::vector<std::string> args = {"chip"}) {
    testsupport::ScopedEnv dirs("QUENDAL_DIRS", nullptr);
    testsupport::ScopedEnv root("QUENDAL", nullptr);
    args.insert(args.begin(), built_program("bin/kestrand"));
    return run(args, dir);
}

struct Edit {
    const char* file;
    const char* anchor;
    const char* from;
    const char* to;
};

struct CheckCase {
    const char* name;
    std::vector<Edit> edits;
    std::vector<const char*> remove;  // files removed after compiling
    std::string want;                 // exact block of output
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class InputChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(InputChecks, ReportAndStop) {
    const CheckCase& c = GetParam();
    testsupport::TempDir dir;
    if (!compile_chip(dir.path())) GTEST_SKIP() << "tessick or drumway not built";
    for (const auto& e : c.edits) edit(dir.path() / e.file, e.anchor, e.from, e.to);
    for (const char* f : c.remove) fs::remove(dir.path() / f);
    auto r = kestrand(dir.path());
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find(c.want), std::string::npos) << "want:\n" << c.want << "\ngot:\n" << r.out;
    // The report holds the same lines.
    EXPECT_NE(read_file(dir.path() / "chip.kest.rpt").find(c.want), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputChecks,
    ::testing::Values(
        CheckCase{"MissingCellDesign",
                  {},
                  {"chip.c.sdb"},
                  "ERROR: can't find SDB file 'chip.c.sdb' in default searching path.\n\n"},
        CheckCase{"MissingDescriptions",
                  {},
                  {"chip.bsc", "chip.lib", "chip.sdb"},
                  "ERROR: can't find BSC file 'chip.bsc' in default searching path.\n\n"
                  "ERROR: can't find LIB file 'chip.lib' in default searching path.\n\n"
                  "ERROR: can't find SDB file 'chip.sdb' in default searching path.\n\n"},
        // Two unfit cells are both diagnosed before the run stops.
        CheckCase{"TwoUnfitCells",
                  {{"chip.lib", "%SCAN_CELL BC_OUT", "%DATA_IN DI; ", ""},
                   {"chip.lib", "%SCAN_CELL BC_CTRL", "%UPDATE_DR UPDATE; ", ""}},
                  {},
                  "ERROR: (./chip.lib) can't find %DATA_IN in %SCAN_CELL BC_OUT.\n"
                  "       OUTPUT SCAN 'BC_OUT' should have %DATA_IN signal.\n\n"
                  "ERROR: (./chip.lib) can't find %UPDATE_DR in %SCAN_CELL BC_CTRL.\n"
                  "       CONTROL SCAN 'BC_CTRL' should have %UPDATE_DR signal.\n\n\n"},
        // The low- and high-active control cells are checked as control cells.
        CheckCase{"LowControlCellCheckedAsControl",
                  {{"chip.lib", "%SCAN_CELL BC_OUT", "%UPDATE_DR UPDATE; ", ""},
                   {"chip.bsc", "%SCAN_CELLS", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRL; %CONTROL_LOW_SCAN BC_OUT;"}},
                  {},
                  "ERROR: (./chip.lib) can't find %UPDATE_DR in %SCAN_CELL BC_OUT.\n"
                  "       CONTROL SCAN 'BC_OUT' should have %UPDATE_DR signal.\n\n"},
        CheckCase{"HighControlCellCheckedAsControl",
                  {{"chip.lib", "%SCAN_CELL BC_OUT", "%UPDATE_DR UPDATE; ", ""},
                   {"chip.bsc", "%SCAN_CELLS", "%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_CTRL; %CONTROL_HIGH_SCAN BC_OUT;"}},
                  {},
                  "ERROR: (./chip.lib) can't find %UPDATE_DR in %SCAN_CELL BC_OUT.\n"
                  "       CONTROL SCAN 'BC_OUT' should have %UPDATE_DR signal.\n\n"},
        CheckCase{"CellWithoutScanPath",
                  {{"chip.lib", "%SCAN_CELL BC_IN", "%TDO SO;", ""}},
                  {},
                  "ERROR: (./chip.lib) can't find %TDO in %SCAN_CELL BC_IN.\n\n"},
        // Every missing field of the TAP check group is reported together.
        CheckCase{"MissingTapFields",
                  {{"chip.lib", "%TAP_CONTROLLER qdx_tap", "%SHIFT_DR SHIFT_DR; %CLOCK_DR CLOCK_DR; ", ""},
                   {"chip.bsc", "%GLOBAL_TDI", "%GLOBAL_TDI  tdi;", ""}},
                  {},
                  "ERROR: can't find %GLOBAL_TDI in file './chip.bsc'.\n"
                  "ERROR: (./chip.lib) can't find %SHIFT_DR in %TAP_CONTROLLER qdx_tap.\n"
                  "ERROR: (./chip.lib) can't find %CLOCK_DR in %TAP_CONTROLLER qdx_tap.\n\n"},
        CheckCase{"TapPinOfTheWrongDirection",
                  {{"chip.lib", "%TAP_CONTROLLER qdx_tap", "%FIRST_BCELL first_Bcell;", "%FIRST_BCELL TDI;"}},
                  {},
                  "ERROR: 'TDI' is an input pin of 'qdx_tap'.\n"
                  "       But it was declared as an output pin in file './chip.lib'.\n\n"},
        CheckCase{"TapInstanceMissing",
                  {{"chip.bsc", "%TAP_MODULE", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME TAP9;"}},
                  {},
                  "ERROR: (./chip.bsc) can't find TAP %INSTANCE_NAME 'TAP9' in SDB file './chip.c.sdb'.\n\n"}),
    [](const ::testing::TestParamInfo<CheckCase>& i) { return std::string(i.param.name); });

// The fixture chip passes every input check: the run reads its files and
// goes through to the end without an error.
TEST(InputChecksPass, FixtureChipIsRead) {
    testsupport::TempDir dir;
    if (!compile_chip(dir.path())) GTEST_SKIP() << "tessick or drumway not built";
    auto r = testsupport::run_kestrand(dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\n - Reading input files ...\n    ./chip.sdb,  ./chip.c.sdb,\n    ./chip.bsc,  ./chip.lib.\n\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
    // -add_tap_only needs no design file at all.
    fs::remove(dir.path() / "chip.sdb");
    fs::remove(dir.path() / "chip.c.sdb");
    r = testsupport::run_kestrand(dir.path(), {"-add_tap_only"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\n - Reading input files ...\n    ./chip.bsc,  ./chip.lib.\n\n\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
}

}  // namespace
