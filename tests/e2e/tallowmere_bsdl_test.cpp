// tallowmere writes the BSDL file of the fixture chip after kestrand has
// inserted its boundary register: the register rows must name kestrand's
// cells at their positions, with the functions, safe values and control
// cells of kestrand's pin-list file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/scan_sim_case.h"
#include "support/bsdl_check.h"
#include "support/fixture_chip.h"
#include "support/regex.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::built_program;
using testsupport::read_file;
using testsupport::RunResult;

// The command line that names the design kestrand edited.
std::vector<std::string> edited_design() { return {"-bsc_file", "chip", "-lib_file", "chip", "chip_jtag"}; }

RunResult tallowmere(const fs::path& dir, const std::vector<std::string>& options = {},
                     const std::string& first = "") {
    testsupport::ToolPath env(first);
    std::vector<std::string> argv = {built_program("bin/tallowmere")};
    argv.insert(argv.end(), options.begin(), options.end());
    for (const auto& w : edited_design()) argv.push_back(w);
    return testsupport::run(argv, dir);
}

// The fixture chip compiled in dir and edited by kestrand.
void edited_chip(const fs::path& dir, const std::vector<testsupport::Patch>& patches = {}) {
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir, patches));
    RunResult k = testsupport::run_kestrand(dir);
    ASSERT_EQ(k.status, 0) << k.out << k.err;
}

// One row of BOUNDARY_REGISTER, as the shared BSDL reader gives it.
using Row = bsdlcheck::BoundaryRow;

// The checks of a written BSDL file: liburjtag's parser (where it is
// installed) and our 1149.1 checks of the register, the instructions and
// the statement order.  Returns the file as read; the rows are handed
// back for comparison.
bsdlcheck::BsdlFile check_written_bsdl(const fs::path& bsd, std::vector<Row>* rows = nullptr) {
    bsdlcheck::BsdlCheck c = bsdlcheck::check_bsdl_file(bsd.string());
    EXPECT_TRUE(c.problems.empty()) << c.describe();
    if (!bsdlcheck::urjtag_checker().empty()) {
        EXPECT_TRUE(c.urjtag_ok) << c.describe();
    }
    if (rows) *rows = c.file.boundary;
    return c.file;
}

bool built() { return testsupport::fixture_tools_built() && fs::exists(built_program("bin/tallowmere")); }

// The fixture chip after kestrand.  The rows follow kestrand's pin-list
// file: cells 0-3 the input and clock pads, 4 the two-state output, 5 the
// three-state output with its control cell 6, 7 the bidirectional pad
// with its control cell 8.  The bidirectional pad's input comes straight
// back as its own output data, so its one cell both captures and drives
// the pin: a "bidir" cell.
TEST(TallowmereBsdl, FixtureChipAfterKestrand) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    testsupport::TempDir dir;
    edited_chip(dir.path());
    if (HasFatalFailure()) return;
    RunResult t = tallowmere(dir.path());
    ASSERT_EQ(t.status, 0) << t.out << t.err;
    EXPECT_NE(t.out.find(" - BSDL file was written into \"./chip_jtag.bsd\"."), std::string::npos) << t.out;
    const std::string bsd = read_file(dir.path() / "chip_jtag.bsd");

    std::vector<Row> rows;
    check_written_bsdl(dir.path() / "chip_jtag.bsd", &rows);
    EXPECT_EQ(rows, (std::vector<Row>{
                        {0, "BC_1", "CLK", "input", "X", -1, -1, ""},
                        {1, "BC_1", "RST_N", "input", "X", -1, -1, ""},
                        {2, "BC_1", "DIN0", "input", "X", -1, -1, ""},
                        {3, "BC_1", "DIN1", "input", "X", -1, -1, ""},
                        {4, "BC_1", "DOUT0", "output2", "X", -1, -1, ""},
                        {5, "BC_1", "DOUT1", "output3", "X", 6, 0, "Z"},
                        {6, "BC_1", "*", "control", "0", -1, -1, ""},
                        {7, "BC_1", "BIDIR0", "bidir", "X", 8, 0, "Z"},
                        {8, "BC_1", "*", "control", "0", -1, -1, ""},
                    }))
        << bsd;

    // The statements around the register.
    for (const char* s : {"entity chip_jtag is\n", "  constant QFN16:PIN_MAP_STRING:=\n", "          \"VDD :(13,15),\" &\n",
                          "  attribute TAP_SCAN_RESET of TRST : signal is true;\n",
                          "  attribute INSTRUCTION_LENGTH of chip_jtag : entity is 4;\n",
                          "  attribute INSTRUCTION_CAPTURE of chip_jtag : entity is \"0001\";\n", "\nend chip_jtag;\n"})
        EXPECT_NE(bsd.find(s), std::string::npos) << s << "\n" << bsd;

    // Run again: the same file, and nothing else left beside it.
    RunResult again = tallowmere(dir.path());
    ASSERT_EQ(again.status, 0) << again.out;
    const std::string second = read_file(dir.path() / "chip_jtag.bsd");
    auto body = [](const std::string& s) { return s.substr(s.find("entity chip_jtag is")); };
    EXPECT_EQ(body(second), body(bsd));
    for (const auto& f : fs::directory_iterator(dir.path()))
        EXPECT_EQ(f.path().filename().string().find("chip_jtag.bsd."), std::string::npos) << f.path();
}

// With -verify the ports are declared under their design names (tdi, not
// TDI): the file still names the same TAP pins as the normal run, and
// both files pass the checks.
TEST(TallowmereBsdl, VerifyDescribesTheSameTap) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    testsupport::TempDir dir;
    edited_chip(dir.path());
    if (HasFatalFailure()) return;
    for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"-verify", "-opath", "verify"}}) {
        RunResult t = tallowmere(dir.path(), options);
        ASSERT_EQ(t.status, 0) << t.out << t.err;
        EXPECT_EQ(t.out.find("can't find %GLOBAL"), std::string::npos) << t.out;
    }
    const fs::path normal = dir.path() / "chip_jtag.bsd", verify = dir.path() / "verify" / "chip_jtag.bsd";
    const bsdlcheck::BsdlFile a = check_written_bsdl(normal);
    const bsdlcheck::BsdlFile b = check_written_bsdl(verify);
    ASSERT_NE(b.port("tdi"), nullptr) << read_file(verify);
    for (const char* attr : {"TAP_SCAN_IN", "TAP_SCAN_MODE", "TAP_SCAN_OUT", "TAP_SCAN_RESET", "TAP_SCAN_CLOCK"}) {
        const bsdlcheck::Statement* x = a.attribute(attr);
        const bsdlcheck::Statement* y = b.attribute(attr);
        ASSERT_TRUE(x && y) << attr << "\n" << read_file(verify);
        EXPECT_EQ(y->value, x->value) << attr;
        EXPECT_EQ(b.pins(y->target), a.pins(x->target)) << attr << " of " << x->target << " and " << y->target;
        EXPECT_FALSE(a.pins(x->target).empty()) << attr;
    }
}

// The bidirectional pad's input reaching the core: one bidirectional cell
// kestrand chose, or, without %BIDIR_SCAN, an input and an output cell;
// and the one cell of a pad whose enable is tied to a constant.
TEST(TallowmereBsdl, BidirectionalPadVariants) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const testsupport::Patch and2{"cells.v", "",
                                  "\n`celldefine\nmodule AND2 (A, B, Y);\n  input A, B;\n  output Y;\n"
                                  "  assign Y = A & B;\nendmodule\n`endcelldefine\n"};
    const testsupport::Patch both{"chip.v", "assign bidir_out = bidir_in;",
                                  "AND2 bb (.A(bidir_in), .B(rst_n), .Y(bidir_out));"};
    struct Case {
        const char* name;
        std::vector<testsupport::Patch> patches;
        std::vector<Row> tail;  // rows from 7 on
    } cases[] = {
        {"bidir_cell",
         {both, and2},
         {{7, "BC_7", "BIDIR0", "bidir", "X", 8, 0, "Z"}, {8, "BC_1", "*", "control", "0", -1, -1, ""}}},
        {"input_and_output_cells",
         {both, and2, {"chip.bsc", "    %BIDIR_SCAN   BC_BIDIR;\n", ""}},
         {{7, "BC_1", "BIDIR0", "output3", "X", 8, 0, "Z"},
          {8, "BC_1", "*", "control", "0", -1, -1, ""},
          {9, "BC_1", "BIDIR0", "input", "X", -1, -1, ""}}},
        // The enable tied on (no HIGHZ in the TAP: the pad is left as it
        // is): the cell always drives the pin, a two-state output.
        {"enable_tied_on", {both, and2, {"chip.v", ".OE(bidir0_oe), .Y", ".OE(1'b1), .Y"}},
         {{7, "BC_7", "BIDIR0", "output2", "X", -1, -1, ""}}},
        // The enable tied off: the pad never drives, the cell only captures.
        {"enable_tied_off", {both, and2, {"chip.v", ".OE(bidir0_oe), .Y", ".OE(1'b0), .Y"}},
         {{7, "BC_7", "BIDIR0", "input", "X", -1, -1, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        edited_chip(dir.path(), c.patches);
        if (HasFatalFailure()) return;
        RunResult t = tallowmere(dir.path());
        ASSERT_EQ(t.status, 0) << t.out << t.err;
        std::vector<Row> rows;
        check_written_bsdl(dir.path() / "chip_jtag.bsd", &rows);
        ASSERT_GE(rows.size(), 7u);
        EXPECT_EQ(std::vector<Row>(rows.begin() + 7, rows.end()), c.tail);
    }
}

// One enable for the three-state and the bidirectional pad: kestrand gives
// them one control cell, which gets one row that both name.
TEST(TallowmereBsdl, SharedControlCell) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    testsupport::TempDir dir;
    edited_chip(dir.path(), {{"chip.v", ".OE(bidir0_oe), .Y(bidir0_i)", ".OE(dout1_oe), .Y(bidir0_i)"}});
    if (HasFatalFailure()) return;
    RunResult t = tallowmere(dir.path());
    ASSERT_EQ(t.status, 0) << t.out << t.err;
    std::vector<Row> rows;
    check_written_bsdl(dir.path() / "chip_jtag.bsd", &rows);
    EXPECT_EQ(rows.size(), 8u);
    std::vector<int> controls, users;
    for (const Row& r : rows) {
        if (r.function == "control") controls.push_back(r.num);
        if (r.ccell >= 0) users.push_back(r.ccell);
    }
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(users, (std::vector<int>{controls[0], controls[0]}));
}

// -window hands the title and the message to `flag` as two words each.
// HIGHZ is listed only when it floats every output that a control cell
// drives: a control cell without a HIGHZ pin, or with its HIGHZ pin open
// (cut in the edited design after the run), keeps its outputs driving
// unless each of their pads floats its pin by a HIGHZ pin of its own on
// the TAP's command, and the BSDL leaves the instruction out with the
// reason.
TEST(TallowmereBsdl, HighzOnlyWhenEveryControlCellTakesIt) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const testsupport::Patch highz{"chip.bsc", "    %INSTRUCTION BYPASS",
                                   "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"};
    std::vector<testsupport::Patch> with_pin = scan_sim::kHighzControlCell;
    with_pin.push_back(highz);
    const std::vector<testsupport::Patch> own_cell_pads = scan_sim::kOwnHighzTriBidir + scan_sim::kPadWithOwnHighzCell;
    struct {
        const char* name;
        std::vector<testsupport::Patch> patches;
        const char* cut;      // an instance pin disconnected in the edited design, or null
        const char* warning;  // null: HIGHZ listed
    } cases[] = {
        {"cells_take_highz", with_pin, nullptr, nullptr},
        {"cell_pin_left_open", with_pin, "BCELL6_out{HZ}",
         "WARNING: control cell 'BCELL6_out'(BC_CTRLZ) takes no %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"
         "         the outputs it controls keep driving under INSTRUCTION HIGHZ, which is left out\n"
         "         of BSDL file './chip_jtag.bsd'.\n"},
        {"cells_without_highz_pin", {highz}, nullptr,
         "WARNING: nothing in the design takes %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"},
        // Pads that carry their own cell with a HIGHZ pin float their pins
        // whatever their control cells (without one) say; with one pad's
        // pin cut from the command, its control cell leaves it driving.
        {"own_cell_pads_take_highz", own_cell_pads, nullptr, nullptr},
        {"own_cell_pad_pin_left_open", own_cell_pads, "PAD_DOUT1{HZ}",
         "WARNING: control cell 'BCELL6_out'(BC_CTRL) takes no %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"
         "         the outputs it controls keep driving under INSTRUCTION HIGHZ, which is left out\n"},
        // The same with one library cell for every role: a cell is a
        // control cell by what it drives, so the input cells (of the same
        // library cell, without a HIGHZ pin) do not count, and the warning
        // names the control cell.
        {"own_cell_pads_take_highz_one_cell_for_every_role", own_cell_pads + scan_sim::kOneCellForEveryRole, nullptr,
         nullptr},
        {"own_cell_pad_pin_left_open_one_cell_for_every_role", own_cell_pads + scan_sim::kOneCellForEveryRole,
         "PAD_DOUT1{HZ}",
         "WARNING: control cell 'BCELL6_out'(BC_CTRL) takes no %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"
         "         the outputs it controls keep driving under INSTRUCTION HIGHZ, which is left out\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        edited_chip(dir.path(), c.patches);
        if (HasFatalFailure()) return;
        if (c.cut) {
            std::ofstream(dir.path() / "bscan_lib" / "cut.cmd") << "edit chip_jtag\ndisconnect " << c.cut << "\nsave\n";
            RunResult e = testsupport::tool("plovert", {"-nologo", "-b", "cut"}, dir.path() / "bscan_lib");
            ASSERT_EQ(e.status, 0) << e.out << e.err;
            e = testsupport::tool("drumway", {"-cellonly", "-keepempty", "bscan_lib/chip_jtag", "-opath", "."}, dir.path());
            ASSERT_EQ(e.status, 0) << e.out << e.err;
        }
        RunResult r = tallowmere(dir.path());
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const std::string bsd = read_file(dir.path() / "chip_jtag.bsd");
        check_written_bsdl(dir.path() / "chip_jtag.bsd");
        EXPECT_EQ(bsd.find("\"HIGHZ ") != std::string::npos, c.warning == nullptr) << bsd;
        if (c.warning) {
            EXPECT_NE(r.out.find(c.warning), std::string::npos) << r.out;
        }
    }
}

// The fixture chip, changed by `chip`, edited by kestrand, then changed
// by `after`: tallowmere stops with the message, and no BSDL file (nor a
// temporary one) is left.
void expect_no_bsdl_after(const std::vector<testsupport::Patch>& after, const std::string& message,
                          const std::vector<testsupport::Patch>& chip = {}) {
    testsupport::TempDir dir;
    edited_chip(dir.path(), chip);
    if (::testing::Test::HasFatalFailure()) return;
    for (const testsupport::Patch& p : after) testsupport::apply_patch(dir.path(), p);
    RunResult t = tallowmere(dir.path());
    EXPECT_EQ(t.status, 255) << t.out;
    EXPECT_NE(t.out.find(message), std::string::npos) << t.out;
    for (const auto& f : fs::directory_iterator(dir.path())) {
        const std::string name = f.path().filename().string();
        EXPECT_TRUE(name != "chip_jtag.bsd" && name.find(".bsd.tmp") == std::string::npos) << name;
    }
}

// A boundary register that the BSDL file cannot describe bit for bit,
// whatever the pin's pad: a cell whose %ORDER names two control cells, a
// control cell of two bits, an output cell of three bits whose third bit
// no row describes, a cell whose standard names and %ORDER words differ
// in number (the library as the user changed it after kestrand's run).
// And chips whose file could not be written whole: an input pad wired
// straight to an output port's pad (kestrand gives the input no cell of
// its own, "A merged cell will be introduced"), whose trace ends at the
// output's cell; a differential input pad whose minus leg stays inside
// the chip, which PORT_GROUPING cannot pair.  tallowmere stops with the
// reason, and no BSDL file is left.
TEST(TallowmereBsdl, RegistersItCannotDescribeLeaveNoFile) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const std::string out_cell = "%SCAN_CELL BC_OUT           // output pads: DI from the core, DO to the pad\n{\n";
    const std::string control_cell = "%SCAN_CELL BC_CTRL          // enables of three-state and bidirectional pads\n{\n";
    // The library as changed after kestrand's run.
    auto cell = [](const std::string& head, const std::string& names) {
        return std::vector<testsupport::Patch>{{"chip.lib", head + "    %STD_NAME BC_1;", head + "    " + names}};
    };
    const struct {
        const char* name;
        std::vector<testsupport::Patch> after;  // applied after kestrand's run
        std::string message;
        std::vector<testsupport::Patch> chip{};  // the chip kestrand edits
    } cases[] = {
        {"two_control_words_at_a_pad", cell(out_cell, "%STD_NAME BC_1, BC_1, BC_1; %ORDER output, control, control;"),
         "FATAL: (./chip.lib) there are 2 control cells specified in module \"BC_OUT\".\n"
         "       tallowmere can't handle more than 1 control cell in one module.\n\n"},
        {"control_cell_of_two_bits_at_a_pad", cell(control_cell, "%STD_NAME BC_1, BC_2; %ORDER input, output;"),
         "ERROR: there are 2 control cells in module BC_CTRL.\n"
         "       Can't decide to select which one.\n\n"},
        {"output_cell_of_three_bits_at_a_pad", cell(out_cell, "%STD_NAME BC_1, BC_1, BC_1; %ORDER output, input, input;"),
         "ERROR: BSDL file \"./chip_jtag.bsd\" was not written: every bit of the boundary register needs exactly one "
         "row.\n"
         "       bit 6 (cell 'BCELL4_out'(BC_OUT)) has no row.\n"
         "       bit 9 (cell 'BCELL5_out'(BC_OUT)) has no row.\n"
         "       bit 13 (cell 'BCELL7_inout'(BC_OUT)) has no row.\n\n"},
        {"names_and_order_words_differ", cell(control_cell, "%STD_NAME BC_1, BC_2; %ORDER input;"),
         "ERROR: (./chip.lib) %SCAN_CELL BC_CTRL (line 44) has 2 standard names but 1 %ORDER word:\n"
         "       %STD_NAME BC_1, BC_2;\n"
         "       %ORDER input;\n"
         "       each bit of the cell takes one name of %STD_NAME and one word of %ORDER.\n\n"},
        {"input_pad_wired_to_an_output_pad",
         {},
         "ERROR: can't find boundary scan cell while tracing port 'din1':\n"
         "       the trace reached cell 'BCELL3_out'(BC_OUT), which serves pad 'PAD_DOUT0'(PIN_OUT) of another "
         "port.\n\n",
         {{"chip.v", "  wire chain;", "  wire chain, through;"},
          {"chip.v", "(.PAD(din1), .Y(din_c[1]));", "(.PAD(din1), .Y(through));"},
          {"chip.v", "(.A(dout_c[0]), .PAD(dout0));", "(.A(through), .PAD(dout0));"}}},
        {"differential_input_with_its_minus_leg_inside_the_chip",
         {},
         "ERROR: BSDL file \"./chip_jtag.bsd\" was not written: differential pad 'PAD_DIN1'(LVDS_RX) has port 'DIN1' "
         "on its plus leg 'P'\n"
         "       and no port on its minus leg 'N': PORT_GROUPING pairs one port with one.\n\n",
         {{"chip.v", "  PIN_IN    PAD_DIN1   (.PAD(din1), .Y(din_c[1]));",
           "  LVDS_RX   PAD_DIN1   (.P(din1), .N(1'b0), .Y(din_c[1]));"},
          {"chip.pin", "DIN1    din1    in      PAD(PIN_IN)", "DIN1    din1    in      PAD(LVDS_RX)"},
          {"chip.lib", "", "\n%DIFFERENTIAL_VOLTAGE LVDS_RX { %INPUT_P P; %INPUT_M N; %OUTPUT Y; }\n"},
          {"cells.v", "",
           "\n`celldefine\nmodule LVDS_RX (P, N, Y);\n  input P, N;\n  output Y;\n  assign Y = P & ~N;\nendmodule\n"
           "`endcelldefine\n"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_no_bsdl_after(c.after, c.message, c.chip);
    }
}

// Two instructions that one code selects (a configuration changed after
// kestrand's run, which refuses it): no chip decodes both, so tallowmere
// stops before it writes the BSDL file.
TEST(TallowmereBsdl, InstructionsSharingAnOpcodeLeaveNoFile) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    const struct {
        const char* name;
        testsupport::Patch table;
        std::string message;
    } cases[] = {
        {"idcode_given_the_opcode_of_sample", {"chip.bsc", "IDCODE = (0010)", "IDCODE = (0001)"},
         "ERROR: (./chip.bsc) INSTRUCTION 'SAMPLE' (0001) and INSTRUCTION 'IDCODE' (0001) share an opcode.\n\n"},
        {"x_opcode_covering_two_others",
         {"chip.bsc", "    %INSTRUCTION BYPASS", "    %INSTRUCTION PRIV = (00X0) ACCESS BYPASS;\n    %INSTRUCTION BYPASS"},
         "ERROR: (./chip.bsc) INSTRUCTION 'EXTEST' (0000) and INSTRUCTION 'PRIV' (00X0) share an opcode.\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_no_bsdl_after({c.table}, c.message);
    }
}

TEST(TallowmereBsdl, WindowNotifiesThroughFlag) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    testsupport::TempDir dir, fake;
    edited_chip(dir.path());
    if (HasFatalFailure()) return;
    const fs::path script = fake.path() / "flag";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$(dirname \"$0\")/flag.args\"\n";
    fs::permissions(script, fs::perms::owner_all);
    RunResult t = tallowmere(dir.path(), {"-window"}, fake.str());
    ASSERT_EQ(t.status, 0) << t.out << t.err;
    EXPECT_EQ(read_file(fake.path() / "flag.args"),
              "-title\nBSDL File\n-info\nBSDL file was written into ./chip_jtag.bsd.\n");
}

// The template road end to end: the standard template written by
// "-template chip", then filled for the edited design, is a valid BSDL
// file whose five blocks were replaced, with the text around them kept.
TEST(TallowmereBsdl, FilledStandardTemplate) {
    if (!built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    testsupport::TempDir dir;
    edited_chip(dir.path());
    if (HasFatalFailure()) return;
    testsupport::ToolPath env;
    RunResult w = testsupport::run({built_program("bin/tallowmere"), "-template", "chip"}, dir.path());
    ASSERT_EQ(w.status, 0) << w.out;
    RunResult t = tallowmere(dir.path(), {"-template", "chip"});
    ASSERT_EQ(t.status, 0) << t.out;
    for (const char* block : {"Logical Port Description", "Package Pin Mapping", "Scan Port Identification",
                              "Test Access Port Description", "Boundary Register Description"})
        EXPECT_NE(t.out.find(std::string(" - Text block of < ") + block + " > has been replaced.\n"),
                  std::string::npos)
            << t.out;
    std::vector<Row> rows;
    check_written_bsdl(dir.path() / "chip_jtag.bsd", &rows);
    EXPECT_EQ(rows.size(), 9u);
    const std::string bsd = read_file(dir.path() / "chip_jtag.bsd");
    EXPECT_NE(bsd.find("--  *  Module : chip (template)\n"), std::string::npos) << bsd;
    EXPECT_NE(bsd.find("  attribute INSTRUCTION_LENGTH of chip : entity is 4;\n"), std::string::npos) << bsd;
}

}  // namespace
