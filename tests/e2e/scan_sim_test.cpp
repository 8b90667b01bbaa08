// The chip that kestrand edited, with the TAP RTL it wrote and the cell
// models of examples/cells.v, behaves on its TAP pins as the BSDL file
// from tallowmere says: Icarus Verilog simulates it through the TAP pins
// with a test bench whose expectations are read from the BSDL file
// (IDCODE, BYPASS, the boundary register's length, SAMPLE/PRELOAD captures
// at the BSDL's cell numbers, EXTEST drives and releases the pins, the
// safe values, HIGHZ, CLAMP, USERCODE, TRST), and in functional mode
// (TAP in reset) the pins behave as in the chip before the insertion.
// yosys proves the latter for every input, not only the simulated ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench/pad_chip.h"
#include "e2e/scan_sim_case.h"
#include "support/bsdl_check.h"
#include "support/fixture_chip.h"
#include "support/scan_harness.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using scanharness::Bench;
using scanharness::Chip;
using scanharness::Road;
using testsupport::Patch;
using testsupport::read_file;
using testsupport::source_path;

// ---------------------------------------------------------------------------
// The designs.

using scan_sim::fixture;
using scan_sim::kHighzControlCell;
using scan_sim::kUsercodeClampHighz;
using scan_sim::Mutant;
using scan_sim::Prepare;
using scan_sim::ScanCase;
using scan_sim::ScanSim;

// The demo chip of examples/.
bool example_chip(const fs::path& dir) {
    for (const char* f : {"chip.v", "cells.v", "chip.bsc", "chip.lib", "chip.pin"})
        fs::copy_file(source_path(std::string("examples/") + f), dir / f, fs::copy_options::overwrite_existing);
    return testsupport::compile_chip_in(dir);
}

// The fixture chip without a TAP (for -add_tap): the port-only TAP module
// taken out of cells.v as well.
Prepare without_tap(std::vector<Patch> patches) {
    return [patches](const fs::path& dir) {
        testsupport::copy_fixture_chip(dir, {}, source_path("tests/fixtures/e2e/notap/chip.v"));
        const std::string cells = read_file(dir / scanharness::write_sim_cells(dir, "cells_notap.v"));
        std::ofstream(dir / "cells.v") << cells;
        for (const Patch& p : patches) testsupport::apply_patch(dir, p);
        return testsupport::compile_chip_in(dir);
    };
}

// The chip with its pads two levels down (u_io.u_ring) and the TAP added
// in the IO block above the ring; the TMS pad's output ends inside the
// ring, whose TMS output is tied off.
bool tap_in_the_io_block(const fs::path& dir) {
    testsupport::copy_fixture_chip(dir, {}, source_path("tests/fixtures/bscan/hier/pads_in_io.v"));
    const std::string cells = read_file(dir / scanharness::write_sim_cells(dir, "cells_notap.v"));
    std::ofstream(dir / "cells.v") << cells;
    const std::vector<Patch> patches = {
        {"chip.bsc", "%INSTANCE_NAME TAP;", "%INSTANCE_NAME u_io.TAP;"},
        {"chip.v", ".tdo_c(tdo_c), .tdo_en(tdo_en));\n\n  qdx_tap", ".tdo_c(), .tdo_en());\n\n  qdx_tap"},
        {"chip.v",
         "  qdx_tap TAP (.TDI(tdi_c), .TMS(tms_c), .TCK(tck_c), .TRST(trst_c), .TDO(tdo_c), .TDO_EN(tdo_en),\n"
         "               .SHIFT_DR(), .CLOCK_DR(), .UPDATE_DR(), .MODE1(), .HIGHZ(), .RESET(),\n"
         "               .first_Bcell(chain), .BOUNDARY_out(chain));\n",
         ""},
        {"chip.v", "PAD_TMS    (.PAD(tms), .Y(tms_c));", "PAD_TMS    (.PAD(tms), .Y(tms_y));"},
        {"chip.v", "  PIN_CLK   PAD_CLK", "  wire tms_y;\n  assign tms_c = 1'b0;\n  PIN_CLK   PAD_CLK"}};
    for (const Patch& p : patches) testsupport::apply_patch(dir, p);
    return testsupport::compile_chip_in(dir);
}

// The pad-ring chip of bench/pad_chip.h with the fixture's cells,
// configuration and library.
Prepare generated(int pads) {
    return [pads](const fs::path& dir) {
        testsupport::copy_fixture_chip(dir);
        std::ofstream(dir / "chip.v") << padchip::chip_verilog(pads);
        std::ofstream(dir / "chip.pin") << padchip::pin_file(pads);
        return testsupport::compile_chip_in(dir);
    };
}

// The three-state output's enable is the bidirectional pad's enable.
const Patch kSharedEnable{"chip.v", ".OE(dout1_oe), .PAD(dout1)", ".OE(bidir0_oe), .PAD(dout1)"};

// A buffer between the rst_n pad and the core whose output is an internal
// point, served by a cell of two register bits (%ORDER input, output): a
// cell on a signal inside the chip, which serves no pin of the BSDL.
const std::vector<Patch> kTwoBitInternalCell = {
    {"chip.v", "  core core (.clk(clk_c), .rst_n(rst_n_c),",
     "  wire rst_g;\n  BUF grst (.A(rst_n_c), .Y(rst_g));\n  core core (.clk(clk_c), .rst_n(rst_g),"},
    {"chip.pin", "15  VDD     *       *", "15  INTERNAL grst{Y} *"},
    {"chip.bsc", "    %CONTROL_SCAN BC_CTRL;\n", "    %CONTROL_SCAN BC_CTRL;\n    %INTERNAL_SCAN BC_INT2;\n"},
    {"chip.lib", "",
     "\n%SCAN_CELL BC_INT2\n{\n    %STD_NAME BC_1, BC_2; %ORDER input, output;\n"
     "    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;\n"
     "    %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE;\n}\n"},
    {"cells.v", "",
     "\n`celldefine\nmodule BC_INT2 (DI, DO, SI, SO, SHIFT, CLOCK, UPDATE, MODE);\n"
     "  input DI, SI, SHIFT, CLOCK, UPDATE, MODE;\n  output DO, SO;\n  reg first, second, hold;\n"
     "  always @(posedge CLOCK) begin first <= SHIFT ? SI : DI; second <= SHIFT ? first : hold; end\n"
     "  always @(posedge UPDATE) hold <= second;\n  assign SO = second;\n"
     "  assign DO = MODE ? hold : DI;\nendmodule\n`endcelldefine\n"}};

const std::vector<ScanCase>& cases() {
    static const std::vector<ScanCase> all = {
        {"example_chip",
         example_chip,
         Road::Default,
         {},
         {{"", "PAD_DOUT0", "A"}, {"", "PAD_BIDIR0", "OE"}, {"", "PAD_READY_N", "A"}, {"", "core", "din"}, {"", "core", "rst_n"}}},
        {"shared_control", fixture({kSharedEnable}), Road::Default, {}, {{"", "PAD_DOUT1", "OE"}}, 1},
        {"dont_share_control", fixture({kSharedEnable}), Road::Default, {"-dont_share_control"}, {{"", "PAD_BIDIR0", "OE"}}},
        {"add_tap_with_trst", without_tap({}), Road::AddTap, {}, {{"", "PAD_BIDIR0", "A"}}},
        {"usercode_clamp_highz", without_tap(kHighzControlCell + kUsercodeClampHighz), Road::AddTap, {},
         {{"", "PAD_DOUT1", "A"}}},
        {"highz_without_cell_pin", without_tap(kUsercodeClampHighz), Road::AddTap, {}, {{"", "PAD_DOUT1", "A"}}, 2,
         true},
        {"active_low_input", fixture({{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"}}), Road::Default, {},
         {{"", "core", "rst_n"}}},
        {"active_low_outputs",
         fixture({{"chip.pin", "DOUT0   dout0", "DOUT0   -dout0"}, {"chip.pin", "DOUT1   dout1", "DOUT1   -dout1"}}),
         Road::Default, {}, {{"", "PAD_DOUT0", "A"}, {"", "PAD_DOUT1", "A"}}},
        {"pad_module", fixture({}, "tests/fixtures/bscan/padmod/chip.v"), Road::Default, {}, {{"pads_bs", "PAD_DOUT0", "A"}}},
        {"tap_in_the_io_block_above_the_pads", tap_in_the_io_block, Road::AddTap, {}, {{"pads_bs", "PAD_DOUT0", "A"}}},
        {"df_speed", fixture({}), Road::Default, {"-df_speed"}, {}},
        {"two_bit_internal_cell", fixture(kTwoBitInternalCell), Road::Default, {}, {{"", "grst", "Y"}}},
        {"generated_200_pads", generated(200), Road::Default, {}, {{"", "PAD_t198", "OE"}}, 100},
    };
    return all;
}

bool tools_built() { return testsupport::fixture_tools_built() && fs::exists(testsupport::built_program("bin/tallowmere")); }

// Compiles the case's chip in dir, runs the flow and reads the chip's
// BSDL file, which the BSDL checks accept.
bool prepare(const ScanCase& c, const fs::path& dir, Chip& chip, std::string* log = nullptr) {
    if (!c.prepare(dir)) return false;
    if (!scanharness::run_flow(dir, c.road, c.options, log, c.bsdl_options)) return false;
    if (c.after_flow) c.after_flow(dir);
    bsdlcheck::BsdlCheck check = bsdlcheck::check_bsdl_file((dir / "chip_jtag.bsd").string());
    EXPECT_TRUE(check.problems.empty()) << check.describe();
    if (check.urjtag_ran) {
        EXPECT_TRUE(check.urjtag_ok) << check.describe();
    }
    chip = scanharness::read_chip(dir / "chip_jtag.bsd");
    EXPECT_TRUE(chip.errors.empty()) << ::testing::PrintToString(chip.errors);
    EXPECT_FALSE(chip.pins.empty());
    EXPECT_EQ(chip.bsdl.boundary_length, static_cast<int>(chip.bsdl.boundary.size()));
    int controls = 0;
    for (const auto& r : chip.bsdl.boundary) controls += r.function == "control" || r.function == "controlr";
    EXPECT_EQ(controls, c.control_cells);
    return chip.errors.empty() && !chip.pins.empty();
}

// ---------------------------------------------------------------------------
// What the BSDL says, turned into pin and register values.

bool is_output(const std::string& f) { return f == "output2" || f == "output3"; }
bool is_input(const std::string& f) { return f == "input" || f == "clock" || f == "observe_only"; }
char inverse(char c) { return c == '0' ? '1' : '0'; }

class Expect {
public:
    explicit Expect(const Chip& chip) : chip_(chip) {
        for (size_t i = 0; i < chip.pins.size(); ++i) index_[chip.pins[i].bsdl] = i;
    }
    // The index of a row's pin in the pins line; -1 for "*".
    int pin(const bsdlcheck::BoundaryRow& r) const {
        auto it = index_.find(r.port);
        return it == index_.end() ? -1 : static_cast<int>(it->second);
    }
    // A boundary register value: control cells at their disable value
    // (disable) or its inverse, other cells from `random`.
    std::string vector(bool disable, unsigned seed) const {
        std::string v = scanharness::bits(static_cast<size_t>(chip_.bsdl.boundary_length), seed);
        for (const auto& r : chip_.bsdl.boundary)
            if (r.function == "control" || r.function == "controlr") {
                char d = '0';
                for (const auto& o : chip_.bsdl.boundary)
                    if (o.ccell == r.num) d = static_cast<char>('0' + o.disval);
                v[static_cast<size_t>(r.num)] = disable ? d : inverse(d);
            }
        return v;
    }
    // Pin values: inputs and bidirectional pins from the seed.
    std::map<std::string, char> drive(unsigned seed) const {
        std::string v = scanharness::bits(chip_.pins.size(), seed);
        std::map<std::string, char> m;
        for (size_t i = 0; i < chip_.pins.size(); ++i)
            if (chip_.pins[i].direction != "out") m[chip_.pins[i].port] = v[i];
        return m;
    }

private:
    const Chip& chip_;
    std::map<std::string, size_t> index_;
};

// Every line of the bench as long as asked.
void expect_sizes(const std::map<std::string, std::string>& seen, const std::map<std::string, size_t>& sizes) {
    for (const auto& [tag, n] : sizes) {
        auto it = seen.find(tag);
        ASSERT_NE(it, seen.end()) << "the bench printed no " << tag;
        ASSERT_EQ(it->second.size(), n) << tag << " " << it->second;
    }
}

// Bits compared where the expectation is not X.
void expect_bits(const std::string& seen, const std::string& want, const std::string& what) {
    ASSERT_GE(seen.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i] == '0' || want[i] == '1') {
            EXPECT_EQ(seen[i], want[i]) << what << " bit " << i << ": " << seen;
        }
}

// ---------------------------------------------------------------------------

TEST_P(ScanSim, BehavesAsItsBsdlSays) {
    if (!tools_built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("iverilog") || !testsupport::have_program("vvp"))
        GTEST_SKIP() << "iverilog is not installed: the chip is not simulated";
    const ScanCase& c = GetParam();
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    Chip chip;
    std::string log;
    ASSERT_TRUE(prepare(c, dir, chip, &log));
    const bsdlcheck::BsdlFile& b = chip.bsdl;
    const Expect x(chip);
    const size_t L = static_cast<size_t>(b.boundary_length), IL = static_cast<size_t>(b.instruction_length);
    const std::string bypass = chip.opcode("BYPASS"), sample = chip.opcode("SAMPLE"), extest = chip.opcode("EXTEST"),
                      idcode = chip.opcode("IDCODE"), usercode = chip.opcode("USERCODE"),
                      highz = chip.opcode("HIGHZ"), clamp = chip.opcode("CLAMP");
    ASSERT_FALSE(bypass.empty() || sample.empty() || extest.empty());
    if (c.highz_left_out) {
        EXPECT_TRUE(highz.empty()) << "the BSDL lists HIGHZ, which no pad of the chip carries out";
        for (const std::string& port : c.drive_under_highz)
            EXPECT_NE(log.find("port '" + port + "' keeps its drive under INSTRUCTION HIGHZ"),
                      std::string::npos)
                << log;
        EXPECT_NE(log.find("which is left out"), std::string::npos) << log;
    } else {
        // HIGHZ, where the instruction table has it, reaches every
        // three-state and bidirectional pin.
        EXPECT_EQ(log.find("keeps its drive under INSTRUCTION HIGHZ"), std::string::npos) << log;
        EXPECT_EQ(log.find("which is left out"), std::string::npos) << log;
    }
    for (const auto& r : b.boundary)
        if (r.port != "*") {
            ASSERT_GE(x.pin(r), 0) << "row " << r;
        }

    const std::string q = scanharness::bits(L + 40, 7), tail = q.substr(0, 40);
    const int functional = 16;
    const std::string V1 = x.vector(false, 11), V2 = x.vector(true, 12);
    // The safe values; a control cell without one at its disable value.
    std::string safe = x.vector(true, 0);
    for (const auto& r : b.boundary)
        if (r.safe == "0" || r.safe == "1" || (r.function != "control" && r.function != "controlr"))
            safe[static_cast<size_t>(r.num)] = r.safe == "1" ? '1' : '0';

    // The functional part alone, for the chip before the insertion too.
    auto functional_part = [&](Bench& bench) {
        bench.reset_by_trst();
        for (int k = 0; k < functional; ++k) {
            bench.set_pins(x.drive(100 + k));
            bench.show_pins("F" + std::to_string(k));
        }
    };
    Bench bench(chip);
    functional_part(bench);
    bench.release_bidirs();
    bench.dr(tail, "RESET_DR");
    bench.ir(idcode.empty() ? bypass : idcode, "IR_CAPTURE");
    if (!idcode.empty()) bench.dr(tail, "IDCODE");
    bench.ir(bypass);
    bench.dr(tail, "BYPASS");
    // SAMPLE: pins forced, the register captured and shifted out with
    // 40 more bits behind it.
    bench.ir(sample);
    bench.set_pins(x.drive(200));
    bench.show_pins("SAMPLE_PINS");
    bench.dr(q, "SAMPLE");
    // PRELOAD V1 (enables on), then EXTEST drives it.
    bench.dr(V1);
    bench.release_bidirs();
    bench.ir(extest);
    bench.show_pins("EXTEST_V1");
    // V2 with the enables off, then the pins forced and captured.
    bench.dr(V2);
    bench.show_pins("EXTEST_V2");
    bench.set_pins(x.drive(300));
    bench.show_pins("EXTEST_IN");
    bench.dr(V2, "EXTEST_CAPTURE");
    bench.release_bidirs();
    bench.dr(safe);
    bench.show_pins("SAFE");
    if (!highz.empty()) {
        bench.ir(sample);
        bench.dr(V1);
        bench.ir(highz);
        bench.show_pins("HIGHZ_PINS");
        bench.dr(tail, "HIGHZ_DR");
    }
    if (!clamp.empty()) {
        bench.ir(sample);
        bench.dr(V1);
        bench.ir(clamp);
        bench.show_pins("CLAMP_PINS");
        bench.dr(tail, "CLAMP_DR");
    }
    if (!usercode.empty()) {
        bench.ir(usercode);
        bench.dr(tail, "USERCODE");
    }
    bench.ir(bypass);
    bench.reset_by_tms();
    bench.dr(tail, "TMS_RESET_DR");
    if (!chip.trst.empty()) {
        bench.ir(bypass);
        bench.pulse_trst();
        bench.dr(tail, "TRST_DR");
    }

    const std::vector<std::string> sources = {scanharness::write_sim_cells(dir), "chip_TAP.v",
                                              scanharness::write_sim_netlist(dir, "chip_jtag.v", "sim_chip_jtag.v")};
    auto seen = scanharness::simulate(dir, bench, sources, "scan_bench");
    const size_t P = chip.pins.size();
    std::map<std::string, size_t> sizes = {{"RESET_DR", 40},   {"IR_CAPTURE", IL}, {"BYPASS", 40},
                                           {"SAMPLE_PINS", P}, {"SAMPLE", L + 40}, {"EXTEST_V1", P},
                                           {"EXTEST_V2", P},   {"EXTEST_IN", P},   {"EXTEST_CAPTURE", L},
                                           {"SAFE", P},        {"TMS_RESET_DR", 40}};
    if (!idcode.empty()) sizes["IDCODE"] = 40;
    if (!chip.trst.empty()) sizes["TRST_DR"] = 40;
    if (!highz.empty()) sizes["HIGHZ_PINS"] = P, sizes["HIGHZ_DR"] = 40;
    if (!clamp.empty()) sizes["CLAMP_PINS"] = P, sizes["CLAMP_DR"] = 40;
    if (!usercode.empty()) sizes["USERCODE"] = 40;
    expect_sizes(seen, sizes);
    if (HasFatalFailure()) return;

    // The identification register (IDCODE's value, least significant bit
    // first), else BYPASS, after each way of resetting the TAP.
    const std::string shifted1 = "0" + tail.substr(0, 39);
    const std::string after_reset = b.idcode.empty() ? shifted1 : scanharness::reversed(b.idcode) + tail.substr(0, 8);
    EXPECT_EQ(seen["RESET_DR"], after_reset);
    EXPECT_EQ(seen["TMS_RESET_DR"], after_reset);
    if (!chip.trst.empty()) {
        EXPECT_EQ(seen["TRST_DR"], after_reset);
    }
    if (!idcode.empty()) {
        EXPECT_EQ(seen["IDCODE"], after_reset);
    }
    expect_bits(seen["IR_CAPTURE"], scanharness::reversed(b.instruction_capture), "instruction capture");
    // BYPASS: one bit that captured 0.
    EXPECT_EQ(seen["BYPASS"], shifted1);
    if (!usercode.empty()) {
        const bsdlcheck::Statement* u = b.attribute("USERCODE_REGISTER");
        ASSERT_NE(u, nullptr) << "USERCODE without USERCODE_REGISTER";
        expect_bits(seen["USERCODE"], scanharness::reversed(u->value) + tail.substr(0, 8), "USERCODE");
    }

    // The boundary register is BOUNDARY_LENGTH long: what went in comes out after it.
    const std::string& s = seen["SAMPLE"];
    EXPECT_EQ(s.substr(L), q.substr(0, 40)) << "the boundary register is not " << L << " bits long";

    const std::string& sp = seen["SAMPLE_PINS"];
    const std::string& x1 = seen["EXTEST_V1"];
    const std::string& x2 = seen["EXTEST_V2"];
    const std::string& xin = seen["EXTEST_IN"];
    const std::string& xc = seen["EXTEST_CAPTURE"];
    const std::string& sf = seen["SAFE"];
    std::set<int> covered;
    for (const auto& r : b.boundary) {
        SCOPED_TRACE(bsdlcheck::to_string(r));
        const size_t n = static_cast<size_t>(r.num);
        const int p = x.pin(r);
        if (p >= 0) covered.insert(p);
        const char pin = p >= 0 ? sp[static_cast<size_t>(p)] : 'x';
        if (is_input(r.function)) {
            // SAMPLE and EXTEST capture the pin.
            EXPECT_EQ(s[n], pin) << "SAMPLE";
            EXPECT_EQ(xc[n], xin[static_cast<size_t>(p)]) << "EXTEST capture";
        } else if (r.function == "bidir" || is_output(r.function)) {
            // SAMPLE captures what is on the pin when something drives it:
            // the chip, for the output cell of a bidirectional pin, which
            // the bench drives (weakly) for the input side.
            if ((pin == '0' || pin == '1') && (r.function == "bidir" || chip.pins[static_cast<size_t>(p)].direction != "inout")) {
                EXPECT_EQ(s[n], pin) << "SAMPLE";
            }
            // EXTEST drives the cell's value with the enables on, and with
            // them off releases a three-state pin.
            EXPECT_EQ(x1[static_cast<size_t>(p)], V1[n]) << "EXTEST drive";
            if (r.ccell >= 0) {
                EXPECT_EQ(x2[static_cast<size_t>(p)], 'z') << "EXTEST with the control cell at its disable value";
                EXPECT_EQ(r.rslt, "Z");
                if (safe[static_cast<size_t>(r.ccell)] == static_cast<char>('0' + r.disval)) {
                    EXPECT_EQ(sf[static_cast<size_t>(p)], 'z') << "safe values";
                }
            } else {
                EXPECT_EQ(x2[static_cast<size_t>(p)], V2[n]) << "EXTEST drive";
                if (r.safe == "0" || r.safe == "1") {
                    EXPECT_EQ(sf[static_cast<size_t>(p)], r.safe[0]) << "safe value";
                }
            }
            if (r.function == "bidir") {
                EXPECT_EQ(xc[n], xin[static_cast<size_t>(p)]) << "EXTEST capture of a bidir";
            }
            if (!highz.empty() && r.ccell >= 0) {
                EXPECT_EQ(seen["HIGHZ_PINS"][static_cast<size_t>(p)], 'z') << "HIGHZ";
            }
            if (!clamp.empty()) {
                EXPECT_EQ(seen["CLAMP_PINS"][static_cast<size_t>(p)], V1[n]) << "CLAMP";
            }
        } else if (r.function == "control" || r.function == "controlr") {
            // A control cell captures the enable of the three-state
            // outputs it controls: off where the pin floats.  A
            // bidirectional pin, which the bench drives (weakly) for the
            // input side, shows a level either way.
            for (const auto& o : b.boundary)
                if (o.ccell == r.num && o.function == "output3" &&
                    chip.pins[static_cast<size_t>(x.pin(o))].direction != "inout") {
                    char op = sp[static_cast<size_t>(x.pin(o))];
                    if (op == 'z') {
                        EXPECT_EQ(s[n], static_cast<char>('0' + o.disval)) << "SAMPLE of the control";
                    }
                    if (op == '0' || op == '1') {
                        EXPECT_EQ(s[n], static_cast<char>('1' - o.disval)) << "SAMPLE of the control";
                    }
                }
        }
    }
    for (const std::string& port : c.never_driven) {
        size_t p = 0;
        while (p < P && chip.pins[p].port != port) ++p;
        ASSERT_LT(p, P) << "no pin " << port;
        EXPECT_EQ(covered.count(static_cast<int>(p)), 0u) << port << " has a boundary cell";
        covered.insert(static_cast<int>(p));
        for (const char* tag : {"EXTEST_V1", "EXTEST_V2", "SAFE", "HIGHZ_PINS", "CLAMP_PINS"})
            if (seen.count(tag)) {
                EXPECT_EQ(seen[tag][p], 'z') << port << " is driven in " << tag;
            }
    }
    EXPECT_EQ(covered.size(), P) << "pins without a boundary cell in the BSDL";
    if (!highz.empty()) {
        EXPECT_EQ(seen["HIGHZ_DR"], shifted1) << "HIGHZ selects BYPASS";
    }
    if (c.highz_floats_every_pin) {
        ASSERT_FALSE(highz.empty()) << "the BSDL lists no HIGHZ\n" << log;
        for (size_t p = 0; p < P; ++p)
            if (chip.pins[p].direction != "in") {
                EXPECT_EQ(seen["HIGHZ_PINS"][p], 'z') << chip.pins[p].port << " is driven under HIGHZ";
            }
    }
    if (!clamp.empty()) {
        EXPECT_EQ(seen["CLAMP_DR"], shifted1) << "CLAMP selects BYPASS";
    }

    // Functional mode: the pins as in the chip before the insertion.
    Bench before(chip);
    functional_part(before);
    auto gold = scanharness::simulate(dir, before, {"sim_cells.v", "chip_TAP.v",
                                                    scanharness::write_sim_netlist(dir, "chip.v", "sim_chip.v")},
                                      "gold_bench");
    for (int k = 0; k < functional; ++k) {
        const std::string tag = "F" + std::to_string(k);
        ASSERT_EQ(gold[tag].size(), P) << tag;
        EXPECT_EQ(seen[tag], gold[tag]) << tag << ": the pins differ from the chip before the insertion";
    }
}

// The chip with its TAP held in reset (TRST low) is the chip before the
// insertion on every functional pin, for every input and every state of
// the boundary cells; a netlist with one pad pin inverted is not.
TEST_P(ScanSim, TransparentWithTheTapInReset) {
    if (!tools_built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("yosys")) GTEST_SKIP() << "yosys is not installed: nothing is proven";
    const ScanCase& c = GetParam();
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    Chip chip;
    ASSERT_TRUE(prepare(c, dir, chip));
    ASSERT_FALSE(chip.trst.empty()) << "the proof holds the TAP in reset with TRST";
    auto r = scanharness::prove_transparent(dir, chip, "chip.v", "chip_jtag.v", {"chip_TAP.v"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const Mutant& m : c.mutants) {
        SCOPED_TRACE(m.module + " " + m.inst + "{" + m.pin + "} inverted");
        std::string mutant = scanharness::write_mutant(dir, "chip_jtag.v", m.module, m.inst, m.pin, "mutant.v");
        auto f = scanharness::prove_transparent(dir, chip, "chip.v", mutant, {"chip_TAP.v"});
        EXPECT_NE(f.status, 0) << f.out << f.err;
        EXPECT_NE((f.out + f.err).find("proof did fail"), std::string::npos) << f.out << f.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanSim, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

// An SVF file of the IDCODE instruction and 32 bits read with TDO compared.
std::string idcode_svf(const Chip& chip, const std::string& id) {
    const std::string op = chip.opcode("IDCODE");
    return "SIR " + std::to_string(op.size()) + " TDI (" + scanharness::hex_id(std::string(32 - op.size(), '0') + op) +
           ");\nSDR 32 TDI (00000000) TDO (" + id + ") MASK (FFFFFFFF);\n";
}

// The opcode as the SVF preamble writes it: hexadecimal, no leading zeros.
std::string svf_hex(const std::string& opcode) {
    char text[32];
    std::snprintf(text, sizeof text, "%lX", std::stoul(opcode, nullptr, 2));
    return text;
}

// The SVF preamble of tallowmere -scan, then an IDCODE read of our own,
// replayed through OpenOCD's remote_bitbang adapter against a Verilator
// model of the chip on a Unix socket: OpenOCD finds the BSDL's IDCODE and
// the files run without a TDO error.  When the BSDL lists QUENDAL_ATPG,
// the preamble loads its opcode, and the data register between TDI and
// TDO after it is the one REGISTER_ACCESS gives the instruction, the
// bypass register (its first bit out 0, where the IDCODE register that a
// reset TAP selects gives 1).  With a wrong
// IDCODE expected, both the scan-chain check and the SVF's TDO compare
// report it.
class ScanSvf : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScanSvf, OpenOcdReplaysTheSvf) {
    if (!tools_built()) GTEST_SKIP() << "kestrand, tallowmere or the stand-in tools are not built";
    if (!testsupport::have_program("verilator")) GTEST_SKIP() << "verilator is not installed: no model to serve";
    if (!testsupport::have_program("openocd")) GTEST_SKIP() << "openocd is not installed: nothing replays the SVF";
    const ScanCase& c = GetParam();
    testsupport::TempDir tmp;
    const fs::path& dir = tmp.path();
    if ((dir / "jtag.sock").string().size() >= 100)
        GTEST_SKIP() << "the temporary folder's path is too long for a Unix socket: " << dir;
    Chip chip;
    ASSERT_TRUE(prepare(c, dir, chip));
    ASSERT_EQ(chip.bsdl.idcode.size(), 32u);
    ASSERT_FALSE(chip.opcode("IDCODE").empty());
    const std::vector<std::string> sources = {scanharness::write_sim_cells(dir), "chip_TAP.v",
                                              scanharness::write_sim_netlist(dir, "chip_jtag.v", "sim_chip_jtag.v")};
    auto built = scanharness::build_bitbang_model(dir, chip, sources);
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    const std::string id = scanharness::hex_id(chip.bsdl.idcode);
    // A wrong IDCODE: one bit of the part number flipped.
    std::string wrong = scanharness::hex_id(chip.bsdl.idcode.substr(0, 10) + (chip.bsdl.idcode[10] == '1' ? "0" : "1") +
                                            chip.bsdl.idcode.substr(11));
    std::ofstream(dir / "idcode.svf") << idcode_svf(chip, id);
    std::ofstream(dir / "wrong_idcode.svf") << idcode_svf(chip, wrong);
    std::vector<std::string> files = {"chip_jtag.svf", "idcode.svf"};
    if (const std::string atpg = chip.opcode("QUENDAL_ATPG"); !atpg.empty()) {
        const std::string load = "SIR " + std::to_string(atpg.size()) + " TDI(" + svf_hex(atpg) + "); !QUENDAL_ATPG\n";
        const std::string preamble = read_file(dir / "chip_jtag.svf");
        EXPECT_NE(preamble.find(load + "STATE IDLE;\n"), std::string::npos) << preamble;
        const bsdlcheck::Statement* access = chip.bsdl.attribute("REGISTER_ACCESS");
        ASSERT_NE(access, nullptr);
        std::string entries = access->value;
        std::erase(entries, ' ');
        ASSERT_NE(entries.find("BYPASS(QUENDAL_ATPG)"), std::string::npos) << access->value;
        // OpenOCD resets the TAP before each file: the preamble and the
        // scan that follows it in one.
        std::ofstream(dir / "atpg_register.svf") << preamble << "SDR 1 TDI (0) TDO (0) MASK (1);\n";
        files.insert(files.begin() + 1, "atpg_register.svf");
    }

    scanharness::BitbangServer server(dir);
    ASSERT_TRUE(server.ready()) << read_file(dir / "bitbang_sim.log");
    auto r = scanharness::run_openocd(dir, server.socket(), chip.bsdl.instruction_length, id, files);
    const std::string out = r.out + r.err;
    EXPECT_EQ(r.status, 0) << out;
    EXPECT_NE(out.find("tap/device found: 0x" + id), std::string::npos) << out;
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    size_t runs = 0;
    for (size_t at = out.find("svf file programmed successfully"); at != std::string::npos;
         at = out.find("svf file programmed successfully", at + 1))
        ++runs;
    EXPECT_EQ(runs, files.size()) << out;

    auto w = scanharness::run_openocd(dir, server.socket(), chip.bsdl.instruction_length, wrong, {"wrong_idcode.svf"});
    const std::string bad = w.out + w.err;
    EXPECT_NE(bad.find("tap/device found: 0x" + id), std::string::npos) << bad;
    EXPECT_NE(bad.find("expected 1 of 1: 0x" + wrong), std::string::npos) << bad;
    EXPECT_NE(bad.find("tdo check error"), std::string::npos) << bad;
    EXPECT_EQ(bad.find("svf file programmed successfully"), std::string::npos) << bad;
}

std::vector<ScanCase> svf_cases() {
    std::vector<ScanCase> some;
    for (const ScanCase& c : cases())
        if (c.name == "example_chip" || c.name == "add_tap_with_trst") some.push_back(c);
    return some;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanSvf, ::testing::ValuesIn(svf_cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
