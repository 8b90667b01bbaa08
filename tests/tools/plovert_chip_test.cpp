// The netlist editor on the fixture chip compiled from tests/fixtures/chip:
// a boundary-scan insertion as the insertion writes it, the edited design
// written back as Verilog and checked by yosys, and an edit of a lower
// module expanded into the cell-level design.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "plovert_support.h"
#include "sdb/sdb.h"
#include "tools/common/tool.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using namespace plovert_test;
using testsupport::RunResult;

// A working directory "work" with the compiled chip in "lib" (the search
// path) and the command files in "work/bscan_lib".
class ChipWork {
public:
    ChipWork() : lib(dir.path() / "lib"), work(dir.path() / "work") {
        fs::create_directories(lib);
        fs::create_directories(work / "bscan_lib");
        fs::create_directories(work / "out");
        const RunResult r = testsupport::run({program("tessick"), "-lib", testsupport::source_path(testsupport::kCellModels),
                                              testsupport::source_path("tests/fixtures/chip/chip.v"), "-opath", lib.string()},
                                             dir.path());
        compiled = r.status == 0 && fs::exists(lib / "chip.sdb");
        EXPECT_TRUE(compiled) << r.out << r.err;
    }

    // Copies a module's database to the name that a command file edits.
    void copy(const std::string& module, const std::string& edited) {
        fs::copy_file(lib / (module + ".sdb"), work / (edited + ".sdb"), fs::copy_options::overwrite_existing);
    }

    RunResult tool(std::vector<std::string> argv) {
        testsupport::ScopedEnv path("QUENDAL_DIRS", lib.c_str());
        return testsupport::run(argv, work);
    }

    RunResult plovert(const std::string& name, const std::string& commands) {
        dir.write("work/bscan_lib/" + name + ".cmd", commands);
        return tool({program("plovert"), "-nologo", "-b", "bscan_lib/" + name});
    }

    // The edited designs go into bscan_lib after the editor ran.
    void move(const std::string& edited) {
        fs::rename(work / (edited + ".sdb"), work / "bscan_lib" / (edited + ".sdb"));
    }

    // quarnel writes the edited top; yosys checks the hierarchy and the
    // drivers of every net (the cells read as black boxes).
    void check_with_yosys() {
        if (!built("quarnel")) GTEST_SKIP() << "quarnel is not built";
        RunResult r = tool({program("quarnel"), "-verilog", "-hierarchy", "-o", "out/chip_jtag.v", "bscan_lib/chip_jtag.sdb"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        if (!testsupport::have_program("yosys")) GTEST_SKIP() << "yosys is not installed";
        const std::string script = "read_verilog -lib " + testsupport::source_path(testsupport::kCellModels) +
                                   "; read_verilog out/chip_jtag.v; hierarchy -check -top chip; check -assert";
        r = tool({"yosys", "-q", "-p", script});
        EXPECT_EQ(r.status, 0) << r.out << r.err << testsupport::read_file(work / "out/chip_jtag.v");
    }

    testsupport::TempDir dir;
    fs::path lib, work;
    bool compiled = false;
};

// Two boundary cells cut into the data paths of an input and an output
// pad, their control pins on the TAP, and the boundary chain opened at
// the TAP and closed through them.
const char* const kInsertion =
    "edit chip_jtag\n"
    "path bscan_lib \n"
    "add BCELL0 BC_IN\n"
    "disconnect  PAD_DIN0{Y}\n"
    "connect BCELL0{DO} core{din[0]}\n"
    "connect BCELL0{DI} PAD_DIN0{Y}\n"
    "add BCELL1 BC_OUT\n"
    "disconnect PAD_DOUT0{A}\n"
    "connect BCELL1{DI} core{dout[0]}\n"
    "connect BCELL1{DO} PAD_DOUT0{A}\n"
    "disconnect TAP{first_Bcell}\n"
    "disconnect TAP{BOUNDARY_out}\n"
    "connect BCELL1{SO} TAP{BOUNDARY_out}\n"
    "connect BCELL0{SHIFT} TAP{SHIFT_DR}\n"
    "connect BCELL0{CLOCK} TAP{CLOCK_DR}\n"
    "connect BCELL0{UPDATE} TAP{UPDATE_DR}\n"
    "connect BCELL0{MODE} TAP{MODE1}\n"
    "connect BCELL1{SI} BCELL0{SO}\n"
    "connect BCELL1{SHIFT} BCELL0{SHIFT}\n"
    "connect BCELL1{CLOCK} TAP{CLOCK_DR}\n"
    "connect BCELL1{UPDATE} TAP{UPDATE_DR}\n"
    "connect BCELL1{MODE} TAP{MODE1}\n"
    "connect BCELL0{SI} TAP{first_Bcell}\n"
    "save\nquit\n";

TEST(PlovertChip, InsertionIntoTheTopDesign) {
    if (!built("tessick")) GTEST_SKIP() << "tessick is not built: no compiled fixture chip";
    ChipWork w;
    ASSERT_TRUE(w.compiled);
    w.copy("chip", "chip_jtag");
    const Netlist before = read_netlist((w.work / "chip_jtag.sdb").string());
    const RunResult r = w.plovert("chip_jtag", kInsertion);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    expect_edit(before, read_netlist((w.work / "chip_jtag.sdb").string()),
                {.nets = {"BCELL0{DO} core{din[0]}", "BCELL0{DI} PAD_DIN0{Y}", "BCELL1{DI} core{dout[0]}",
                          "BCELL1{DO} PAD_DOUT0{A}", "BCELL1{SO} TAP{BOUNDARY_out}", "BCELL1{SI} BCELL0{SO}",
                          "BCELL0{SI} TAP{first_Bcell}", "TAP{SHIFT_DR} BCELL0{SHIFT} BCELL1{SHIFT}",
                          "TAP{CLOCK_DR} BCELL0{CLOCK} BCELL1{CLOCK}", "TAP{UPDATE_DR} BCELL0{UPDATE} BCELL1{UPDATE}",
                          "TAP{MODE1} BCELL0{MODE} BCELL1{MODE}"},
                 .insts = {"BCELL0 BC_IN", "BCELL1 BC_OUT"},
                 .classes = {"BC_IN CELL DI:input DO:output SI:input SO:output SHIFT:input CLOCK:input UPDATE:input MODE:input"}});
    w.move("chip_jtag");
    w.check_with_yosys();
}

TEST(PlovertChip, EditedLowerModuleExpandsUnderHierarchicalNames) {
    if (!built("tessick")) GTEST_SKIP() << "tessick is not built: no compiled fixture chip";
    ChipWork w;
    ASSERT_TRUE(w.compiled);
    w.copy("core", "core_bs");
    w.copy("chip", "chip_jtag");
    // A cell on the core's clock input, with the chain through new ports.
    RunResult r = w.plovert("core_bs",
                            "edit core_bs\n"
                            "add BCELL0 BC_IN\n"
                            "disconnect clkbuf{A}\n"
                            "connect BCELL0{DO} clkbuf{A}\n"
                            "connect BCELL0{DI} clk\n"
                            "add chain_in input\nadd chain_out output\n"
                            "add shift input\n"
                            "connect BCELL0{SI} chain_in\nconnect BCELL0{SO} chain_out\n"
                            "connect BCELL0{SHIFT} shift\n"
                            "save\nquit\n");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // The top file runs while core_bs.sdb is still in the working directory.
    r = w.plovert("chip_jtag",
                  "edit chip_jtag\n"
                  "path bscan_lib \n"
                  "replace core core_bs\n"
                  "disconnect TAP{BOUNDARY_out}\n"
                  "connect core{chain_in} TAP{first_Bcell}\n"
                  "connect core{chain_out} TAP{BOUNDARY_out}\n"
                  "connect core{shift} TAP{SHIFT_DR}\n"
                  "save\nquit\n");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    w.move("core_bs");
    w.move("chip_jtag");

    if (!built("drumway")) GTEST_SKIP() << "drumway is not built";
    r = w.tool({program("drumway"), "-cellonly", "-keepempty", "bscan_lib/chip_jtag", "-opath", "out"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string cells = (w.work / "out/chip_jtag.c.sdb").string();
    const Netlist n = read_netlist(cells);
    ASSERT_TRUE(n.ok);
    EXPECT_EQ(n.insts.at("core.BCELL0"), "BC_IN");
    EXPECT_EQ(n.insts.at("core.clkbuf"), "BUF");
    EXPECT_EQ(n.net_of("core.BCELL0{DI}"), (Group{"PAD_CLK{Y}", "core.BCELL0{DI}"}));
    EXPECT_EQ(n.net_of("core.BCELL0{DO}"), (Group{"core.BCELL0{DO}", "core.clkbuf{A}"}));
    EXPECT_EQ(n.net_of("core.BCELL0{SI}"), (Group{"TAP{first_Bcell}", "core.BCELL0{SI}"}));
    EXPECT_EQ(n.net_of("core.BCELL0{SO}"), (Group{"TAP{BOUNDARY_out}", "core.BCELL0{SO}"}));
    EXPECT_EQ(n.net_of("core.BCELL0{SHIFT}"), (Group{"TAP{SHIFT_DR}", "core.BCELL0{SHIFT}"}));
    // The hierarchical name finds the cell through the prefix table.
    ntool::reset_globals();
    SdbDatabase* db = SDB_open(cells.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    const int obj = SDB_lookup_obj("core.BCELL0");
    ASSERT_GE(obj, 0);
    EXPECT_STREQ(SYM_get(sym_tab, class_tab[obj_tab[obj].cls].name), "BC_IN");
    SDB_close(db, 0);

    w.check_with_yosys();
}

}  // namespace
