// The netlist editor on a small design made with the database's makers:
// command files that edit it, checked by the connectivity of the saved
// design, and command files that must fail without touching it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "plovert_support.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using namespace plovert_test;
using testsupport::RunResult;
using testsupport::TempDir;

// The design edited: two pads, a core module, three buffers, and a TAP
// cell and a cell of many pins with nothing connected.  The copy
// "top_jtag.sdb" is edited, as the insertion makes it.
const char* const kTop = R"(
module top
class PIN_IN CELL PAD:input Y:output
class PIN_OUT CELL A:input PAD:output
class BUF CELL A:input Y:output
class CORE DESIGN a:input b:input c:input y:output z:output
class TAPC CELL TDI:input TDO:output IDCODE[1]:input IDCODE[0]:input SHIFT:output
port din input din
port dout output dout
port spare input spare
inst PAD_IN PIN_IN PAD=din Y=din_c
inst PAD_OUT PIN_OUT A=dout_c PAD=dout
inst core CORE a=din_c b=n1 c=GND y=dout_c z=n2
inst u1 BUF A=n2 Y=n1
inst u2 BUF A=n3 Y=n4
inst u3 BUF A=n4 Y=n5
inst tap TAPC
class WIDE CELL P0:input P1:input P2:input P3:input P4:input P5:input P6:input P7:input P8:input)"
    R"( P9:input P10:input P11:input P12:input P13:input P14:input P15:input P16:input P17:input Q:output
inst wide WIDE
)";

// The working directory of one run: the design, masters in the path
// directory "bscan_lib", in the current directory and in "lib" (the
// search path), and the command file bscan_lib/top_jtag.cmd.
class Work {
public:
    Work() {
        fs::create_directories(dir.path() / "bscan_lib");
        fs::create_directories(dir.path() / "lib");
        make_design(file("top_jtag.sdb"), kTop);
        make_cell(file("lib/BC_IN.sdb"), "DI:input DO:output SI:input SO:output");
        make_cell(file("lib/SMALL.sdb"), "A:input");
        make_cell(file("lib/BUFX.sdb"), "Y:output A:input");
        // The path directory comes before the search path ...
        make_cell(file("bscan_lib/BUF2.sdb"), "A:input Y:output EN:input");
        make_cell(file("lib/BUF2.sdb"), "A:input Q:output");
        // ... and a class of the design before either.
        make_cell(file("bscan_lib/BUF.sdb"), "X:input");
        // The wide cell's pins in another order, and one more.
        make_cell(file("bscan_lib/WIDE2.sdb"),
                  "Q:output P17:input P16:input P15:input P14:input P13:input P12:input P11:input P10:input P9:input "
                  "P8:input P7:input P6:input P5:input P4:input P3:input P2:input P1:input P0:input EXTRA:input");
        // An edited lower module, still in the current directory.
        make_cell(file("CORE_bs.sdb"), "a:input b:input c:input y:output z:output chain_in:input", false);
        before = read_netlist(file("top_jtag.sdb"));
    }

    std::string file(const std::string& name) const { return (dir.path() / name).string(); }

    RunResult run(const std::string& commands, bool logo = false) {
        dir.write("bscan_lib/top_jtag.cmd", commands);
        testsupport::ScopedEnv path("QUENDAL_DIRS", file("lib").c_str());
        std::vector<std::string> argv{program("plovert")};
        if (!logo) argv.push_back("-nologo");
        argv.insert(argv.end(), {"-b", "bscan_lib/top_jtag"});
        return testsupport::run(argv, dir.path());
    }

    Netlist after() const { return read_netlist(file("top_jtag.sdb")); }

    TempDir dir;
    Netlist before;
};

struct EditCase {
    const char* name;
    const char* commands;
    Expect expect;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class PlovertEdits : public ::testing::TestWithParam<EditCase> {};

TEST_P(PlovertEdits, SavedDesignConnectsAsCommanded) {
    ASSERT_TRUE(built("plovert"));
    Work w;
    const RunResult r = w.run(GetParam().commands);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    // One line per save.
    std::string saved;
    const std::string commands = GetParam().commands;
    for (std::size_t at = 0; (at = commands.find("save\n", at)) != std::string::npos; ++at)
        saved += "Saved top_jtag.sdb\n";
    EXPECT_EQ(r.out, saved);
    expect_edit(w.before, w.after(), GetParam().expect);
}

const EditCase kEdits[] = {
    {"BoundaryCellBetweenPadAndCore",
     // The forms the insertion writes: a blank before the line end, two
     // blanks in a row, a line that begins with a blank, a tab.
     "edit top_jtag\n"
     "path bscan_lib \n"
     "add BCELL0 BC_IN\n"
     "disconnect  PAD_IN{Y}\n"
     " connect BCELL0{DO}  core{a}\n"
     "connect BCELL0{DI} PAD_IN{Y}\n"
     "\tconnect BCELL0{SI} spare\r\n"
     "save\nquit\n",
     {.nets = {"BCELL0{DO} core{a}", "BCELL0{DI} PAD_IN{Y}", "BCELL0{SI} port:spare"},
      .open = {"BCELL0{SO}"},
      .insts = {"BCELL0 BC_IN"},
      .classes = {"BC_IN CELL DI:input DO:output SI:input SO:output"}}},
    {"ReplaceKeepsConnectionsAndTakesThePathDirectoryFirst",
     // u1's new master has the same pins in another order.
     "edit top_jtag\npath bscan_lib \nreplace u2 BUF2\nreplace u1 BUFX\nsave\nquit\n",
     {.nets = {"u2{A}", "u2{Y} u3{A}", "u1{A} core{z}", "u1{Y} core{b}"},
      .open = {"u2{EN}"},
      .insts = {"u2 BUF2", "u1 BUFX"},
      .classes = {"BUF2 CELL A:input Y:output EN:input", "BUFX CELL Y:output A:input"}}},
    {"AClassOfTheDesignComesBeforeAnyFile",
     "edit top_jtag\npath bscan_lib\nadd u9 BUF\nconnect u9{A} u3{Y}\nsave\n",
     {.nets = {"u3{Y} u9{A}"}, .open = {"u9{Y}"}, .insts = {"u9 BUF"}, .classes = {"BUF CELL A:input Y:output"}}},
    {"ReplaceByAnEditedModuleInTheCurrentDirectory",
     "edit top_jtag\npath bscan_lib\nreplace core CORE_bs\nconnect core{chain_in} spare\n"
     "disconnect core{y}\n"
     "disconnect u1{A}\nsave\nquit\n",  // a moved pin, and the pin behind another, leave their nets
     {.nets = {"core{a} PAD_IN{Y}", "core{b} u1{Y}", "GND core{c}", "PAD_OUT{A}", "core{z}",
               "core{chain_in} port:spare"},
      .open = {"core{y}", "u1{A}"},
      .insts = {"core CORE_bs"},
      .classes = {"CORE_bs DESIGN a:input b:input c:input y:output z:output chain_in:input"}}},
    {"DisconnectAndReconnectPinsAndPorts",
     "edit top_jtag\n"
     "disconnect PAD_OUT{A}\nconnect u3{Y} PAD_OUT{A}\n"
     "disconnect dout\nconnect dout u2{A}\n"
     "disconnect core{a}\nconnect tap{TDI} PAD_IN{Y}\n"  // the last node of a net, then a new one
     "save\nquit\n",
     {.nets = {"u3{Y} PAD_OUT{A}", "port:dout u2{A}", "PAD_IN{Y} tap{TDI}"},
      .open = {"core{y}", "PAD_OUT{PAD}", "core{a}"}}},
    {"AddedPortsJoinTheirNets",
     "edit top_jtag\n"
     "add chain_in input\nadd chain_out output\n"
     "connect chain_in u2{A}\nconnect u3{Y} chain_out\n"
     "add din input\n"  // there already, with that direction
     "save\nquit\n",
     {.nets = {"port:chain_in u2{A}", "u3{Y} port:chain_out"},
      .ports = {"chain_in input", "chain_out output"}}},
    {"MergeTwoNets",
     "edit top_jtag\n"
     "connect u1{Y} u3{Y}\n"     // pins on two nets
     "connect n2 n4\n"           // two nets by name
     "connect core{b} u1{Y}\n"   // one net already: nothing to do
     "connect tap{SHIFT} core{b}\n"              // a pin joins a merged net ...
     "connect tap{TDO} u2{A}\ndisconnect tap{TDO}\n"  // ... and one leaves again
     "save\nquit\n",
     {.nets = {"u1{Y} core{b} u3{Y} tap{SHIFT}", "core{z} u1{A} u2{Y} u3{A}", "u2{A}"}, .open = {"tap{TDO}"}}},
    {"ConstantNetsAndBusPins",
     "edit top_jtag\n"
     "connect tap{IDCODE[1]} VCC\nconnect tap{IDCODE[0]} GND\n"
     "connect u2{A} GND\n"
     "connect tap{TDI} X_NET\nconnect X_NET tap{TDO}\n"
     "save\nquit\n",
     {.nets = {"VCC tap{IDCODE[1]}", "GND core{c} tap{IDCODE[0]} u2{A}", "tap{TDI} tap{TDO}"}}},
    {"NewNetForTwoFreePins",
     "edit top_jtag\nconnect tap{SHIFT} u1{A}\nconnect tap{TDO} tap{TDI}\nsave\n",
     {.nets = {"tap{SHIFT} u1{A} core{z}", "tap{TDO} tap{TDI}"}}},
    {"PinsOfAWideInstanceBeforeAndAfterItsReplaceAndASave",
     "edit top_jtag\npath bscan_lib\n"
     "connect wide{P17} u3{Y}\nconnect wide{P0} spare\n"
     "replace wide WIDE2\n"  // new nodes for the instance
     "connect wide{P16} u2{A}\nconnect wide{EXTRA} n2\n"
     "save\n"  // records renumbered
     "connect wide{Q} tap{TDI}\ndisconnect wide{P0}\nsave\nquit\n",
     {.nets = {"u3{Y} wide{P17}", "u2{A} wide{P16}", "core{z} u1{A} wide{EXTRA}", "wide{Q} tap{TDI}"},
      .open = {"wide{P0}"},
      .insts = {"wide WIDE2"},
      .classes = {"WIDE2 CELL Q:output P17:input P16:input P15:input P14:input P13:input P12:input "
                  "P11:input P10:input P9:input P8:input P7:input P6:input P5:input P4:input P3:input P2:input P1:input P0:input EXTRA:input"}}},
    {"NamesFoundBeforeASaveThatDropsANetAreFoundAgainAfterIt",
     // Instances, pins and masters named on many lines; the merge leaves a
     // deleted net that the save drops, renumbering the records.
     "edit top_jtag\nadd x BUF\nconnect x{A} u3{Y}\nconnect n2 n4\nsave\n"
     "add y BUF\nconnect y{A} x{Y}\nconnect x{Y} tap{TDI}\nconnect u1{A} y{Y}\nsave\nquit\n",
     {.nets = {"u3{Y} x{A}", "core{z} u1{A} u2{Y} u3{A} y{Y}", "y{A} x{Y} tap{TDI}"},
      .insts = {"x BUF", "y BUF"}}},
    {"LinesAfterQuitAreNotReadAndUnsavedEditsAreDropped",
     "edit top_jtag\nadd x BUF\nsave\nadd y BUF\nquit\nno such command\n",
     {.open = {"x{A}", "x{Y}"}, .insts = {"x BUF"}}},
};

INSTANTIATE_TEST_SUITE_P(Plovert, PlovertEdits, ::testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailCase {
    const char* name;
    const char* commands;
    int line;
    const char* message;
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class PlovertFailures : public ::testing::TestWithParam<FailCase> {};

TEST_P(PlovertFailures, ReportFileAndLineAndLeaveTheDesign) {
    ASSERT_TRUE(built("plovert"));
    Work w;
    w.dir.write("bscan_lib/top_jtag.cmd", GetParam().commands);
    const auto files = snapshot(w.dir.path());
    const RunResult r = w.run(GetParam().commands);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    const std::string where = "bscan_lib/top_jtag.cmd:" + std::to_string(GetParam().line) + ": error: ";
    EXPECT_EQ(r.err.rfind(where + GetParam().message, 0), 0u) << r.err;
    EXPECT_EQ(snapshot(w.dir.path()), files);
}

const FailCase kFailures[] = {
    {"UnknownInstanceInConnect", "edit top_jtag\nconnect nosuch{A} u1{A}\nsave\n", 2,
     "no instance 'nosuch' in design 'top_jtag.sdb'"},
    {"UnknownInstanceInDisconnect", "edit top_jtag\nadd x BUF\ndisconnect nosuch{A}\nsave\n", 3,
     "no instance 'nosuch'"},
    {"UnknownInstanceInReplace", "edit top_jtag\nreplace nosuch BUF\nsave\n", 2, "no instance 'nosuch'"},
    {"PinTheMasterLacks", "edit top_jtag\nconnect u1{Q} u2{A}\nsave\n", 2,
     "instance 'u1' (master 'BUF') has no pin 'Q'"},
    {"PinTheMasterLacksInDisconnect", "edit top_jtag\ndisconnect PAD_IN{X}\nsave\n", 2,
     "instance 'PAD_IN' (master 'PIN_IN') has no pin 'X'"},
    {"BusBitTheMasterLacks", "edit top_jtag\nconnect tap{IDCODE[2]} GND\nsave\n", 2,
     "instance 'tap' (master 'TAPC') has no pin 'IDCODE[2]'"},
    {"ReplacementLacksAConnectedPin", "edit top_jtag\nreplace u1 SMALL\nsave\n", 2,
     "master 'SMALL' has no pin 'Y' that instance 'u1' connects"},
    {"UnknownMaster", "edit top_jtag\npath bscan_lib \nadd x NOPE\nsave\n", 3,
     "master 'NOPE' is no class of design 'top_jtag.sdb' and no design database 'NOPE.sdb' was found"},
    {"InstanceExists", "edit top_jtag\nadd u1 BUF\nsave\n", 2, "instance 'u1' exists already"},
    {"PortOfTheOtherDirection", "edit top_jtag\nadd din output\nsave\n", 2,
     "port 'din' exists already as an input port"},
    {"UnknownPortOrNet", "edit top_jtag\nconnect u1{A} nowhere\nsave\n", 2,
     "no port or net 'nowhere' in design 'top_jtag.sdb'"},
    {"UnknownPort", "edit top_jtag\ndisconnect n1\nsave\n", 2, "no port 'n1'"},
    {"GndAndVcc", "edit top_jtag\nconnect u2{A} VCC\nconnect u2{A} GND\nsave\n", 3,
     "connecting 'u2{A}' and 'GND' would join GND and VCC"},
    {"OneEndPoint", "edit top_jtag\nconnect u1{A}\nsave\n", 2, "malformed line: 'connect' takes the form"},
    {"AddWithoutMaster", "edit top_jtag\nadd x\nsave\n", 2, "malformed line: 'add' takes the form"},
    {"UnknownCommand", "edit top_jtag\nfrobnicate u1\nsave\n", 2, "malformed line: unknown command 'frobnicate'"},
    {"UnclosedBrace", "edit top_jtag\nconnect u1{A u2{A}\nsave\n", 2, "malformed line: end point 'u1{A'"},
    {"NoInstanceBeforeBrace", "edit top_jtag\nconnect {A} u2{A}\nsave\n", 2,
     "malformed line: end point '{A}' names no instance"},
    {"EmptyPin", "edit top_jtag\ndisconnect u1{}\nsave\n", 2, "malformed line: end point 'u1{}' names no pin"},
    {"SaveWithAField", "edit top_jtag\nsave now\n", 2, "malformed line: 'save' takes the form"},
    {"EditingBeforeEdit", "add x BUF\nedit top_jtag\nsave\n", 1, "'add' before the 'edit' line"},
    {"SecondEdit", "edit top_jtag\nedit top_jtag\nsave\n", 2, "a second 'edit' line"},
    {"MissingDesign", "edit nothere\nsave\n", 1, "no design database 'nothere.sdb' in the current directory"},
    {"DesignInAnotherDirectory", "edit lib/BC_IN\nsave\n", 1, "design 'lib/BC_IN' is named with a directory"},
};

INSTANTIATE_TEST_SUITE_P(Plovert, PlovertFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlovertRun, AFailureKeepsWhatAnEarlierSaveWrote) {
    ASSERT_TRUE(built("plovert"));
    Work w;
    const RunResult r = w.run("edit top_jtag\nadd x BUF\nsave\nadd y BUF\nconnect y{A} nowhere\nsave\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bscan_lib/top_jtag.cmd:5: error: no port or net 'nowhere'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("since its last save are not saved"), std::string::npos) << r.err;
    const Netlist n = w.after();
    EXPECT_TRUE(n.insts.count("x"));
    EXPECT_FALSE(n.insts.count("y"));
}

// A command file longer than the blocks it is read in: lines that a
// block's end cuts in two, and a last line without its line end, are
// taken whole, and a failing line is named by its number.
TEST(PlovertRun, LongCommandFileAcrossReadBlocks) {
    ASSERT_TRUE(built("plovert"));
    struct Case {
        const char* name;
        std::string tail;  // after the padding
        int status;
        const char* message;  // the error with its line, or the edit made
    };
    const std::string pad_line(99, ' ');  // blank lines, 100 bytes each
    std::string head = "edit top_jtag\nadd u9 BUF\n";
    int lines = 2;
    for (; head.size() + 100 < 65536 - 8; ++lines) head += pad_line + "\n";
    head += std::string(65536 - 8 - head.size(), ' ');  // the next line runs across the first block's end
    const Case cases[] = {
        {"CutLineAndNoLastLineEnd", "connect u9{A} u3{Y}\nsave", 0, ""},
        {"FailureAfterTheCut", "connect u9{A} u3{Y}\nconnect u9{Q} u3{A}\nsave\n", 1, ": error: instance 'u9'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Work w;
        const RunResult r = w.run(head + c.tail);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.out, "Saved top_jtag.sdb\n");
            EXPECT_EQ(w.after().net_of("u9{A}"), (Group{"u3{Y}", "u9{A}"}));
        } else {
            const std::string where = "bscan_lib/top_jtag.cmd:" + std::to_string(lines + 2) + c.message;
            EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
        }
    }
}

TEST(PlovertRun, CommandLine) {
    ASSERT_TRUE(built("plovert"));
    Work w;
    // The banner unless -nologo; a name given with ".cmd" is taken as it is.
    RunResult r = w.run("edit top_jtag\nsave\n", true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("plovert", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Saved top_jtag.sdb"), std::string::npos);
    r = testsupport::run({program("plovert"), "-nologo", "-b", "bscan_lib/top_jtag.cmd"}, w.dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Saved top_jtag.sdb\n");

    r = testsupport::run({program("plovert"), "-nologo", "-b", "bscan_lib/none"}, w.dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open command file 'bscan_lib/none.cmd'"), std::string::npos) << r.err;
    for (const std::vector<std::string>& argv : {std::vector<std::string>{program("plovert")},
                                                 {program("plovert"), "-nologo"},
                                                 {program("plovert"), "-b"},
                                                 {program("plovert"), "-x", "-b", "a"}}) {
        r = testsupport::run(argv, w.dir.path());
        EXPECT_EQ(r.status, 2) << argv.size();
        EXPECT_NE(r.err.find("usage: plovert"), std::string::npos);
    }
}

}  // namespace
