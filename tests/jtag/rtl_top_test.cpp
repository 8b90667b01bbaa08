// The RTL TAP against IEEE 1149.1, by simulation: for each TAP
// configuration of the table, the Verilog is linted by Verilator,
// synthesised by Yosys and simulated by Icarus Verilog, the VHDL is
// analysed, elaborated and run by GHDL, and both traces must equal the
// reference model's prediction (tap_bench.h) for the same vector files:
// one bench drives the TAP controller alone through all 32 transitions,
// the other the whole TAP through every instruction code.  Mutated TAPs
// (a wrong transition, TDO on the rising edge, a bypass cell capturing 1)
// must fail the bench.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "jtag/rtl_tap.h"
#include "jtag_test_util.h"
#include "tap_bench.h"

namespace {

namespace fs = std::filesystem;
using jtagtest::add_instruction;
using jtagtest::Enable;
using jtagtest::set_list;
using tapbench::Dut;
using testsupport::have_program;
using testsupport::read_file;
using testsupport::run;

// ---------------------------------------------------------- configurations

TapCellEntry* base_tap(bool trst) {
    TapCellEntry* t = jtagtest::library_tap("qdx_tap");
    if (trst) {
        desc_set_text(&t->trst, "-TRST");
        desc_set_text(&GLOBAL_TRST, "TRST");
    }
    desc_set_text(&t->update_dr, "UPDATE_DR");
    desc_set_text(&t->tap_reset, "-RESET");
    desc_set_text(&t->mode1, "MODE1");
    desc_set_text(&t->mode3, "MODE3");
    BCELL_UPDATE_DR = BCELL_RST = BCELL_MODE1 = BCELL_MODE3 = 1;
    return t;
}

void four_bit_table() {
    add_instruction("EXTEST", {"0000"}, "boundary");
    add_instruction("SAMPLE", {"0001"}, "boundary");
    add_instruction("IDCODE", {"0010"}, "IDCODE");
    add_instruction("BYPASS", {"1111"}, "BYPASS");
    set_list(&INST_CAPTURE, {"0101"});
    desc_set_text(&IDCODE_REG, jtagtest::kIdcode);
}

struct BenchConfig {
    const char* name;
    std::function<void()> setup;
};

const BenchConfig kConfigs[] = {
    {"Trst", [] {
         four_bit_table();
         base_tap(true);
     }},
    {"NoTrstNoResetPort", [] {
         four_bit_table();
         base_tap(false);
         BCELL_RST = 0;
     }},
    {"Synch", [] {
         four_bit_table();
         base_tap(true);
         JTAG_OPTION[OPT_SYNCH] = 1;
     }},
    {"ExternalIdcode", [] {
         four_bit_table();
         base_tap(false);
         JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
     }},
    {"IdcodeAndUsercodeSynch", [] {
         four_bit_table();
         add_instruction("USERCODE", {"0011"}, "usercode");
         set_list(&USERCODE_REG, {jtagtest::kUsercode});
         base_tap(true);
         JTAG_OPTION[OPT_SYNCH] = 1;
         JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
     }},
    {"UsercodeOnly", [] {
         add_instruction("EXTEST", {"0000"}, "boundary");
         add_instruction("SAMPLE", {"0001"}, "boundary");
         add_instruction("USERCODE", {"0011"}, "idcode");
         add_instruction("BYPASS", {"1111"}, "BYPASS");
         set_list(&INST_CAPTURE, {"0001"});
         set_list(&USERCODE_REG, {jtagtest::kUsercode});
         base_tap(false);
     }},
    {"IdcodeValueWithoutInstruction", [] {
         add_instruction("EXTEST", {"0000"}, "boundary");
         add_instruction("SAMPLE", {"0001"}, "boundary");
         add_instruction("BYPASS", {"1111"}, "BYPASS");
         set_list(&INST_CAPTURE, {"0001"});
         desc_set_text(&IDCODE_REG, jtagtest::kIdcode);
         base_tap(true);
         JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
     }},
    {"ClampHighzIntest", [] {
         four_bit_table();
         add_instruction("INTEST", {"0100"}, "boundary");
         add_instruction("CLAMP", {"0101", "0110"}, "bypass");
         add_instruction("HIGHZ", {"0111"}, "Bypass");
         TapCellEntry* t = base_tap(true);
         desc_set_text(&t->mode2, "MODE2");
         desc_set_text(&t->highz_command, "HIGHZ");
         BCELL_MODE2 = 1;
     }},
    {"HighzOnMode1", [] {
         four_bit_table();
         add_instruction("HIGHZ", {"0111"}, "bypass");
         TapCellEntry* t = base_tap(false);
         desc_set_text(&t->highz_command, "MODE1");
     }},
    {"EnablesDontCaresUserRegister", [] {
         add_instruction("EXTEST", {"0000"}, "boundary");
         add_instruction("SAMPLE", {"0001"}, "boundary");
         add_instruction("USER_A", {"10X0"}, "MYREG[3:0]", {{"EN", "00"}, {"ENL", "0"}});
         add_instruction("USER_B", {"0011"}, "bypass", {{"en", "01"}, {"EN2", "1", "SHIFT_DR", GATE_AND}});
         add_instruction("CHIP_TEST", {"0100"}, "boundary", {{"ENL", "0"}});
         add_instruction("QUENDAL_ATPG", {"0101"}, "bypass");
         add_instruction("BYPASS", {"1111"}, "BYPASS");
         set_list(&INST_CAPTURE, {"1001"});
         base_tap(true);
     }},
    {"TwoBitIrTdoEnableHigh", [] {
         add_instruction("EXTEST", {"00"}, "boundary");
         add_instruction("SAMPLE", {"01"}, "boundary");
         add_instruction("IDCODE", {"10"}, "idcode");
         add_instruction("BYPASS", {"11"}, "bypass");
         set_list(&INST_CAPTURE, {"01"});
         desc_set_text(&IDCODE_REG, jtagtest::kIdcode);
         TapCellEntry* t = base_tap(true);
         desc_set_text(&t->tdo_en, "TDO_EN");
     }},
    {"EightBitIrOwnPinNamesTdoEnableLow", [] {
         add_instruction("EXTEST", {"00000000"}, "boundary");
         add_instruction("SAMPLE", {"00000001"}, "boundary");
         add_instruction("IDCODE", {"00000010"}, "idcode");
         add_instruction("PRIV", {"1010XXXX"}, "SCANREG");
         add_instruction("BYPASS", {"11111111", "0111111X"}, "bypass");
         set_list(&INST_CAPTURE, {"11000101"});
         desc_set_text(&IDCODE_REG, jtagtest::kIdcode);
         TapCellEntry* t = base_tap(true);
         for (auto [field, name] : {std::pair{&t->tck, "jtck"}, {&t->tms, "jtms"}, {&t->tdi, "jtdi"},
                                    {&t->tdo, "jtdo"}, {&t->trst, "-jtrst_n"}, {&t->tdo_en, "-jtdo_oe_n"},
                                    {&t->shift_dr, "bs_shift"}, {&t->clock_dr, "bs_clock"},
                                    {&t->update_dr, "bs_update"}, {&t->tap_reset, "-bs_reset_n"},
                                    {&t->first_bcell, "bs_first"}, {&t->last_bcell, "bs_last"}})
             desc_set_text(field, name);
         TDO_EN_LOW = 1;
     }},
};

std::string config_name(const ::testing::TestParamInfo<BenchConfig>& info) { return info.param.name; }
void PrintTo(const BenchConfig& c, std::ostream* os) { *os << c.name; }

// ------------------------------------------------------------------- runs

std::string written(bool vhdl) {
    FILE* f = std::tmpfile();
    JTAG_OPTION[OPT_VHDL] = vhdl ? 1 : 0;
    jtagtest::stdout_of([f] { write_full_rtl_tap(f); });
    JTAG_OPTION[OPT_VHDL] = 0;
    std::string text;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

std::string outcome(const testsupport::RunResult& r) { return r.out + r.err; }

// Simulates one bench in one language; "" with the trace in `trace`, or
// the tool's complaint.
std::string simulate(const fs::path& dir, bool vhdl, const tapbench::TapFacts& facts, Dut dut, size_t cycles,
                     std::string* trace) {
    const std::string bench = dut == Dut::Top ? "top" : "ctrl";
    if (!vhdl) {
        std::string tb = "tb_" + bench + ".v";
        std::ofstream(dir / tb) << tapbench::verilog_bench(facts, dut, cycles, "trace_v.txt");
        auto r = run({"iverilog", "-g2001", "-s", "tb", "-o", "sim_" + bench, tb, "tap.v"}, dir);
        if (r.status != 0) return "iverilog: " + outcome(r);
        r = run({"vvp", "-n", "sim_" + bench}, dir);
        if (r.status != 0) return "vvp: " + outcome(r);
        *trace = read_file(dir / "trace_v.txt");
        return "";
    }
    std::string tb = "tb_" + bench + ".vhd";
    std::ofstream(dir / tb) << tapbench::vhdl_bench(facts, dut, cycles, "trace_vhdl.txt");
    const std::string work = "--workdir=" + (dir / ("ghdl_" + bench)).string();
    fs::create_directories(dir / ("ghdl_" + bench));
    for (std::vector<std::string> cmd : {std::vector<std::string>{"ghdl", "-a", "--std=93", work, "tap.vhd", tb},
                                         {"ghdl", "-e", "--std=93", work, "tb"},
                                         {"ghdl", "-r", "--std=93", work, "tb"}}) {
        auto r = run(cmd, dir);
        if (r.status != 0) return cmd[1] + " " + outcome(r);
    }
    *trace = read_file(dir / "trace_vhdl.txt");
    return "";
}

// Runs both benches on a TAP text in one language; "" when it conforms.
std::string bench_language(const fs::path& dir, bool vhdl, const std::string& rtl, const tapbench::TapFacts& facts,
                           std::string* top_trace = nullptr, std::string* top_expected = nullptr) {
    std::ofstream(dir / (vhdl ? "tap.vhd" : "tap.v")) << rtl;
    for (Dut dut : {Dut::Controller, Dut::Top}) {
        const auto vectors = dut == Dut::Top ? tapbench::top_vectors(facts) : tapbench::controller_vectors(facts);
        std::ofstream(dir / "vectors.txt") << tapbench::vector_file(vectors);
        std::string trace;
        std::string err = simulate(dir, vhdl, facts, dut, vectors.size(), &trace);
        if (!err.empty()) return err;
        const std::string expected = tapbench::predict(facts, dut, vectors);
        std::string diff = tapbench::compare(facts, dut, vectors, expected, trace);
        if (!diff.empty()) return std::string(dut == Dut::Top ? "TAP bench: " : "controller bench: ") + diff;
        if (dut == Dut::Top && top_trace) {
            *top_trace = trace;
            *top_expected = expected;
        }
    }
    return "";
}

class RtlTapBench : public jtagtest::JtagTest, public ::testing::WithParamInterface<BenchConfig> {
protected:
    void SetUp() override {
        JtagTest::SetUp();
        GetParam().setup();
        int keep_low = TDO_EN_LOW;
        jtagtest::stdout_of([] { jtag_init(); });
        TDO_EN_LOW = keep_low;
        jtagtest::stdout_of([] { rtltap::check_rtl_tap_description(); });
    }
};

TEST_P(RtlTapBench, ConformsInBothLanguages) {
    const std::string verilog = written(false);
    const std::string vhdl = written(true);
    ASSERT_NE(verilog.find("module  " + std::string(TAP_MODULE_NAME)), std::string::npos);
    ASSERT_NE(vhdl.find("entity " + std::string(TAP_MODULE_NAME) + " is"), std::string::npos);
    const tapbench::TapFacts facts = tapbench::TapFacts::from_description();
    // The vectors and the model's predictions run in every build.
    for (Dut dut : {Dut::Controller, Dut::Top}) {
        const auto v = dut == Dut::Top ? tapbench::top_vectors(facts) : tapbench::controller_vectors(facts);
        ASSERT_GT(v.size(), 100u);
        size_t bits = 0;
        for (const tapbench::Column& c : facts.columns(dut)) bits += static_cast<size_t>(c.width);
        EXPECT_EQ(tapbench::predict(facts, dut, v).size(), v.size() * (2 * bits + 2));
    }

    testsupport::TempDir dir;
    std::ofstream(dir.path() / "tap.v") << verilog;
    if (have_program("verilator")) {
        // Every warning but three: file names, the #1 of the -synch clocks
        // (simulation only), and inputs of the top that a configuration
        // leaves unread (an IDCODE bus without the IDCODE instruction).
        auto r = run({"verilator", "--lint-only", "--no-timing", "-Wall", "-Wno-DECLFILENAME", "-Wno-ASSIGNDLY",
                      "-Wno-UNUSEDSIGNAL", "--top-module",
                      TAP_MODULE_NAME, "tap.v"},
                     dir.path());
        EXPECT_EQ(r.status, 0) << outcome(r);
    }
    if (have_program("yosys")) {
        auto r = run({"yosys", "-q", "-p",
                      std::string("read_verilog tap.v; synth -top ") + TAP_MODULE_NAME + "; check -assert"},
                     dir.path());
        EXPECT_EQ(r.status, 0) << outcome(r);
    }

    std::string trace_v, trace_vhdl, expected;
    if (have_program("iverilog") && have_program("vvp")) {
        EXPECT_EQ(bench_language(dir.path(), false, verilog, facts, &trace_v, &expected), "");
    }
    if (have_program("ghdl")) {
        EXPECT_EQ(bench_language(dir.path(), true, vhdl, facts, &trace_vhdl, &expected), "");
    }
    if (!trace_v.empty() && !trace_vhdl.empty()) {
        // One vector file, one TDO trace, whichever language.
        std::string tdo_v = tapbench::defined_tdo(facts, expected, trace_v);
        EXPECT_GT(tdo_v.size(), 100u);
        EXPECT_EQ(tdo_v, tapbench::defined_tdo(facts, expected, trace_vhdl));
    }
    if (!have_program("iverilog") || !have_program("ghdl") || !have_program("verilator") || !have_program("yosys"))
        GTEST_SKIP() << "some checkers are not installed (iverilog, ghdl, verilator, yosys): the others ran";
}

INSTANTIATE_TEST_SUITE_P(Configurations, RtlTapBench, ::testing::ValuesIn(kConfigs), config_name);

// ------------------------------------------------------------- mutations

struct Mutation {
    const char* name;
    bool vhdl;
    const char* from;
    const char* to;
    const char* caught_by;  // the bench that must fail
};

const Mutation kMutations[] = {
    {"VerilogExit2DrToPause", false, "? `UPDATE_DR: `SHIFT_DR;", "? `UPDATE_DR: `PAUSE_DR;", "controller bench"},
    {"VerilogTdoOnRisingEdge", false, "always @(negedge TCK)\n            TDO_cell", "always @(posedge TCK)\n            TDO_cell",
     "TAP bench"},
    {"VerilogBypassCapturesOne", false, "assign BYPASS_in = SHIFT_DR & TDI;", "assign BYPASS_in = ~SHIFT_DR | TDI;",
     "TAP bench"},
    {"VhdlExit2DrToPause", true,
     "        when EXIT2_DR_ST =>\n            if (TMS = '1') then\n                STATE <= UPDATE_DR_ST;\n"
     "            else\n                STATE <= SHIFT_DR_ST;",
     "        when EXIT2_DR_ST =>\n            if (TMS = '1') then\n                STATE <= UPDATE_DR_ST;\n"
     "            else\n                STATE <= PAUSE_DR_ST;",
     "controller bench"},
    {"VhdlTdoOnRisingEdge", true, "wait until (FALLING_EDGE(TCK));\n        TDO_cell",
     "wait until (RISING_EDGE(TCK));\n        TDO_cell", "TAP bench"},
    {"VhdlBypassCapturesOne", true, "BYPASS_in <= SHIFT_DR and TDI;", "BYPASS_in <= (not SHIFT_DR) or TDI;", "TAP bench"},
};

class RtlTapMutation : public jtagtest::JtagTest, public ::testing::WithParamInterface<Mutation> {
protected:
    void SetUp() override {
        JtagTest::SetUp();
        kConfigs[0].setup();
        jtagtest::stdout_of([] { jtag_init(); });
    }
};

TEST_P(RtlTapMutation, FailsTheBench) {
    const Mutation& m = GetParam();
    std::string rtl = written(m.vhdl);
    size_t at = rtl.find(m.from);
    ASSERT_NE(at, std::string::npos) << "the text to mutate is not in the TAP";
    rtl.replace(at, std::strlen(m.from), m.to);
    if (!have_program(m.vhdl ? "ghdl" : "iverilog")) GTEST_SKIP() << (m.vhdl ? "ghdl" : "iverilog") << " is not installed";
    testsupport::TempDir dir;
    const tapbench::TapFacts facts = tapbench::TapFacts::from_description();
    std::string verdict = bench_language(dir.path(), m.vhdl, rtl, facts);
    EXPECT_NE(verdict, "") << "the mutated TAP passed the bench";
    // It compiles and runs; the comparison with the model fails it.
    EXPECT_EQ(verdict.rfind(m.caught_by, 0), 0u) << verdict;
}

std::string mutation_name(const ::testing::TestParamInfo<Mutation>& info) { return info.param.name; }
void PrintTo(const Mutation& m, std::ostream* os) { *os << m.name; }

INSTANTIATE_TEST_SUITE_P(Mutants, RtlTapMutation, ::testing::ValuesIn(kMutations), mutation_name);

}  // namespace
