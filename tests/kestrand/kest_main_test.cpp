// kestrand on the fixture chip, compiled with the stand-in tools: the
// ordered pad table and the pin-list file of the insertion.
#include <gtest/gtest.h>

#include <cstdlib>
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

// Copies the fixture chip into dir and compiles it there ("chip.sdb",
// "chip.c.sdb" and the cells' designs); false when the tools are missing.
bool compile_chip(const fs::path& dir) {
    return testsupport::fixture_tools_built() && testsupport::compile_fixture_chip(dir);
}

testsupport::RunResult kestrand(const fs::path& dir) {
    testsupport::ScopedEnv dirs("QUENDAL_DIRS", nullptr);
    testsupport::ScopedEnv root("QUENDAL", nullptr);
    // The run ends with the stand-in netlist tools.
    const char* old = std::getenv("PATH");
    std::string path = fs::path(built_program("tools/plovert")).parent_path().string() + ":" + (old ? old : "");
    testsupport::ScopedEnv tools("PATH", path.c_str());
    return run({built_program("bin/kestrand"), "chip"}, dir);
}

TEST(InsertionRun, FixtureChipPinList) {
    testsupport::TempDir dir;
    if (!compile_chip(dir.path())) GTEST_SKIP() << "tessick or drumway not built";
    auto r = kestrand(dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(" - Synthesizing Boundary Registers in gate level ...\n\n"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(dir.path() / "chip.bso"), read_file(source_path("tests/fixtures/bscan/chip.bso")));
    // Written whole: no temporary file is left behind.
    for (const auto& f : fs::directory_iterator(dir.path()))
        EXPECT_EQ(f.path().filename().string().find("chip.bso."), std::string::npos) << f.path();
}

// A pin list whose pads all lack a boundary cell leaves nothing to insert.
TEST(InsertionRun, NoPadWithACell) {
    testsupport::TempDir dir;
    if (!compile_chip(dir.path())) GTEST_SKIP() << "tessick or drumway not built";
    std::ofstream(dir.path() / "chip.pin") << "%PACKAGE_TYPE QFN16 16;\n"
                                              "8   TDI     tdi     in      PAD(PIN_IN)\n"
                                              "9   TMS     tms     in      PAD(PIN_IN)\n"
                                              "10  TCK     tck     in      PAD(PIN_IN)\n"
                                              "11  TRST    trst    in      PAD(PIN_IN)\n"
                                              "12  TDO     tdo     out     PAD(PIN_TRI) PAD_EN_H\n";
    auto r = kestrand(dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: no pin of the pin list 'chip.pin' gets a boundary-scan cell;\n"
                         "       there is no boundary register to insert.\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(dir.path() / "chip.bso"));
}

}  // namespace
