// A conformance bench for the RTL TAP.  A cycle-level reference model of
// an IEEE 1149.1 TAP, built from the description (instruction table, codes,
// pins, options) rather than from the writers, predicts every sampled
// output of every TCK cycle of a vector file; test benches in Verilog and
// VHDL drive the generated TAP with the same vector file and write the
// same trace format, which is compared with the prediction.
//
// Vector file: one line per TCK cycle, four characters 0/1: TRST (active
// low; held 1 when the TAP has none), TMS, TDI, and EXT, which drives the
// TAP's LAST_BCELL input (the boundary register's serial output) and, in
// complement, every <reg>_out input of a user data register.
//
// Timing of cycle k (100 ns): TCK falls at 0, the inputs change at 10, the
// first sample (A) is taken at 30, TCK rises at 50, the second sample (B)
// at 75.  Trace: one line per cycle, the A columns, a blank, the B
// columns; each column one character per bit, most significant first, as
// 0, 1, z or x.  A "?" in a prediction is not compared (power-up values).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tapbench {

// The 32-bit value the benches drive on an IDCODE input bus.
inline const char* kExternalIdcode = "10101010010101011100001100110011";

enum State {
    TLR, RTI, SEL_DR, CAP_DR, SH_DR, EX1_DR, PA_DR, EX2_DR, UPD_DR, SEL_IR, CAP_IR, SH_IR, EX1_IR, PA_IR, EX2_IR,
    UPD_IR, UNKNOWN = -1
};
const char* state_name(int s);
int next_state(int s, int tms);

struct Cycle {
    char trst = '1', tms = '0', tdi = '0', ext = '0';
};

// What a bench instantiates: the TAP top, or its controller alone.
enum class Dut { Top, Controller };

// One sampled output of the device under test.
struct Column {
    enum Kind {
        TDO, TDO_EN, FIRST_BCELL, USER_IN, SHIFT_DR, CLOCK_DR, UPDATE_DR, RESET, MODE1, MODE2, MODE3, HIGHZ,
        CHIP_TEST, TEST_MODE, SCAN_MODE, ENABLE_PIN, BCELL_TCK, SHIFT_IR, CLOCK_IR, UPDATE_IR, SELECT_DR, ENABLE
    };
    Kind kind;
    std::string port;
    int width = 1;
    int index = 0;  // ENABLE_PIN: which enable pin
};

// The facts of the TAP as the description states them, read from the
// description tables and TAP globals after jtag_init.
struct TapFacts {
    int len = 0;
    std::string tms, tck, tdi, tdo, trst, tdo_en, shift, clock, update, reset, first, last;
    std::string mode[3], highz, top;
    bool has_trst = false, synch = false, has_update = false, reset_port = false, tdo_en_low = false;
    bool ext_idcode_port = false;
    bool clamp = false;
    int hiz_overlap = 0;
    std::string capture, reset_opcode;  // MSB first
    bool has_id = false, idmode = false;
    std::string id_value, user_value;  // MSB first, bit 31 first
    struct Row {
        std::string name;  // lower case
        std::vector<std::string> opcodes;
        enum Reg { BYPASS, ID, BOUNDARY, USER } reg;
        std::vector<std::pair<int, std::string>> enables;  // pin index, value
    };
    std::vector<Row> rows;
    struct Pin {
        std::string name, second;
        int width = 1;
        bool inverted = false, gated = false;
        int gate = -1;
        std::string fallback;  // MSB first
    };
    std::vector<Pin> pins;
    std::vector<std::string> user_regs;

    static TapFacts from_description();
    // The row an instruction code (MSB first, 0/1) selects, -1 for none.
    int row_of(const std::string& inst) const;
    std::vector<Column> columns(Dut dut) const;
};

class Model {
public:
    explicit Model(const TapFacts& facts, Dut dut);
    // Runs one cycle; returns the predicted trace line.
    std::string step(const Cycle& c);
    // Starts in a known state with the output registers it sets.
    void force_state(int s);

private:
    const TapFacts& facts_;
    std::vector<Column> cols_;
    int st_ = UNKNOWN;
    char reset_reg_ = '?', en_reg_ = '?', shift_ir_reg_ = '?', shift_dr_reg_ = '?';
    std::string tms_hist_ = "????";
    std::string cap_ir_, upd_ir_;  // bit j at index j
    std::string id_;               // bit j at index j
    char bypass_ = '?', tdo_cell_ = '?';

    void registers_from_state();
    std::string inst_msb() const;  // "" when unknown
    int row() const;               // -2 when unknown
    char dr_out(const Cycle& c) const;
    std::string sample(const Cycle& c, bool tck_high) const;
    std::string value(const Column& col, const Cycle& c, bool tck_high) const;
};

// Vector builder.
class Vectors {
public:
    explicit Vectors(const TapFacts& facts, std::uint32_t seed = 1) : facts_(facts), seed_(seed) {}
    void clk(int tms, int tdi = 0, int ext = 0, int trst = 1);
    void tms_reset();  // five TMS high
    void ir_scan(const std::string& opcode_msb);
    // A DR scan of n bits from Run-Test/Idle back to it, random TDI and
    // EXT, through Pause-DR halfway when `pause` is set.
    void dr_scan(int n, bool pause = false);
    // From Run-Test/Idle to state s (shortest path).
    void go_to(int s);
    int bit();
    const std::vector<Cycle>& cycles() const { return cycles_; }

private:
    const TapFacts& facts_;
    std::uint32_t seed_;
    std::vector<Cycle> cycles_;
};

// The vectors of the two benches.
std::vector<Cycle> top_vectors(const TapFacts& facts);
std::vector<Cycle> controller_vectors(const TapFacts& facts);
// The text of the vector file.
std::string vector_file(const std::vector<Cycle>& v);
// The predicted trace.
std::string predict(const TapFacts& facts, Dut dut, const std::vector<Cycle>& v);

// Test benches reading "vectors.txt" and writing the named trace file.
std::string verilog_bench(const TapFacts& facts, Dut dut, size_t cycles, const std::string& trace);
std::string vhdl_bench(const TapFacts& facts, Dut dut, size_t cycles, const std::string& trace);

// "" when the trace matches the prediction, else where it first differs.
std::string compare(const TapFacts& facts, Dut dut, const std::vector<Cycle>& v, const std::string& expected,
                    const std::string& trace);
// The TDO characters of a trace at the places the prediction defines.
std::string defined_tdo(const TapFacts& facts, const std::string& expected, const std::string& trace);

}  // namespace tapbench
