// The end-to-end harness of the boundary-scan tests: a chip compiled with
// the stand-in tools, kestrand run on it (the default run with the RTL TAP
// of -add_tap_only as the TAP's model, or -add_tap), tallowmere writing
// its BSDL file; then the edited netlist, the RTL TAP and the cell models
// (examples/cells.v) simulated with Icarus Verilog through the chip's TAP
// pins, and a yosys proof that the chip with its TAP held in reset is the
// chip before the insertion on every functional pin.
//
// What a test bench expects comes from the BSDL file alone (read with
// bsdlcheck::read_bsdl), as a board tester has it: nothing is taken from
// the pin file or from kestrand's own outputs.  The BSDL's port names are
// the design's, possibly in another case.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/bsdl_check.h"
#include "support/testsupport.h"

namespace scanharness {

namespace fs = std::filesystem;

// A functional pin: its BSDL port, its design port and direction ("in",
// "out", "inout" as the BSDL says).
struct ChipPin {
    std::string bsdl;
    std::string port;
    std::string direction;
};

// The chip as its BSDL file describes it.
struct Chip {
    std::string top = "chip";
    bsdlcheck::BsdlFile bsdl;
    std::vector<ChipPin> pins;           // functional pins, in the BSDL's port order
    std::string tdi, tms, tck, tdo, trst;  // design ports of the TAP; trst empty without one
    std::vector<std::string> errors;     // what could not be matched up

    const ChipPin* pin_of_bsdl(const std::string& bsdl_port) const;
    // The opcode of an instruction (its first), empty when the BSDL has none.
    std::string opcode(const std::string& instruction) const;
};

// Reads the BSDL file bsd; its ports are matched to the ports of module
// `top` in the netlist <top>.v beside it (the chip before the insertion),
// by name, or ignoring case.  Problems (a BSDL port that matches no port
// so) go to Chip::errors.
Chip read_chip(const fs::path& bsd, const std::string& top = "chip");

// How kestrand is run.
enum class Road {
    Default,  // the design instantiates the TAP; -add_tap_only writes its RTL afterwards
    AddTap,   // kestrand -add_tap adds the TAP and writes its RTL
    AddBcm,   // kestrand -add_bcm adds the boundary-cell module with the TAP and writes the TAP's RTL
};

// Runs kestrand (with the options, plus -add_tap or -add_bcm on those
// roads), for the default road then kestrand -add_tap_only, then
// `tallowmere -bsc_file chip -lib_file chip chip_jtag` and its -scan run,
// in dir, where the chip is compiled.  Failures are reported with gtest;
// false after one.
// log, when given, receives what the tools printed; bsdl_options go to
// both tallowmere runs.
bool run_flow(const fs::path& dir, Road road, const std::vector<std::string>& options = {}, std::string* log = nullptr,
              const std::vector<std::string>& bsdl_options = {});

// cells.v of dir without the port-only TAP module: the models the
// simulations and proofs read beside the RTL TAP.  Written as
// dir/<name>; returns the name.
std::string write_sim_cells(const fs::path& dir, const std::string& name = "sim_cells.v");

// A copy of a netlist without the empty pin connections (".HIGHZ(),"):
// the design's TAP may declare pins that the RTL TAP leaves out.
std::string write_sim_netlist(const fs::path& dir, const std::string& netlist, const std::string& name);

// The simulation: one test bench drives the chip's pins, moves the TAP
// through its states and prints what it saw, a line "TAG bits" for each
// observation.  Bits are TDO in shift order (the first bit out first) or
// pin values (0, 1, z, x) in Chip::pins order.
class Bench {
public:
    explicit Bench(const Chip& chip);

    // Sets the functional pins: inputs driven strongly, bidirectional
    // pins weakly (so the chip's own drive wins) or released with 'z';
    // outputs are not driven.  Keys are design ports.
    void set_pins(const std::map<std::string, char>& values);
    void release_bidirs();
    // TRST low then high (when the chip has it), five TCK with TMS high,
    // one to Run-Test/Idle.
    void reset_by_trst();
    void reset_by_tms();
    // Shifts an opcode (most significant bit first, as the BSDL writes
    // it) into the instruction register from Run-Test/Idle and back;
    // with a tag prints the bits captured.
    void ir(const std::string& opcode, const std::string& tag = "");
    // Shifts bits (in shift order: bits[0] first, ending in the cell
    // nearest TDO after bits.size() shifts) through the selected data
    // register from Run-Test/Idle and back; prints what came out.
    void dr(const std::string& bits, const std::string& tag = "");
    // Prints the pins' values.
    void show_pins(const std::string& tag);
    // A pulse of TRST in Run-Test/Idle, leaving the TAP in Test-Logic-Reset
    // and stepping to Run-Test/Idle.
    void pulse_trst();

    // The Verilog text of the bench.
    std::string text() const;

private:
    const Chip& chip_;
    std::string body_;
    size_t width_ = 64;
};

// Compiles the bench with the sources and runs it in dir; the lines
// "TAG bits" by tag.  Failures are reported with gtest.
std::map<std::string, std::string> simulate(const fs::path& dir, const Bench& bench,
                                            const std::vector<std::string>& sources, const std::string& name);

// A reproducible bit string of n bits from a seed.
std::string bits(size_t n, unsigned seed);
std::string reversed(std::string s);

// The proof: gold and gate netlists (with the cell models and the RTL TAP)
// flattened, a miter of the two with TRST held low, and yosys's SAT
// solver proving every functional output and every three-state driver of
// a pad (its enable, and its data while enabled) equal.  Pad cells with
// a three-state driver are replaced by models that expose that driver;
// the chip's bidirectional pins become inputs that both designs read.  A
// pin on which the insertion added such a pad (-add_pad) is shown in the
// gold netlist as it was driven: always, with the value of what drove it
// in the chip, or never.
testsupport::RunResult prove_transparent(const fs::path& dir, const Chip& chip, const std::string& gold,
                                         const std::string& gate, const std::vector<std::string>& models);

// A copy of a netlist with one pin connection of an instance inverted
// ("inst (" ... ".pin(net)" becomes ".pin(~net)"), in the module of that
// name (the first instance of that name when `module` is empty).
std::string write_mutant(const fs::path& dir, const std::string& netlist, const std::string& module,
                         const std::string& inst, const std::string& pin, const std::string& name);

// The chip's TAP pins as OpenOCD's remote_bitbang adapter reaches them:
// a Verilator model of the chip (functional inputs held low) built from
// the sources with tests/fixtures/e2e/bitbang/bitbang_server.cpp, which
// serves the protocol on a Unix socket.  The program is dir/bitbang_sim.
testsupport::RunResult build_bitbang_model(const fs::path& dir, const Chip& chip,
                                           const std::vector<std::string>& sources);

// The model serving on dir/jtag.sock while the object lives; ended (by
// its process id) when it goes out of scope.
class BitbangServer {
public:
    explicit BitbangServer(const fs::path& dir);
    ~BitbangServer();
    BitbangServer(const BitbangServer&) = delete;
    BitbangServer& operator=(const BitbangServer&) = delete;
    bool ready() const { return ready_; }
    const fs::path& socket() const { return socket_; }

private:
    fs::path socket_;
    int pid_ = -1;
    bool ready_ = false;
};

// OpenOCD on the socket: one TAP of that instruction length expecting
// that IDCODE (8 hex digits), init, then each SVF file, then shutdown.
testsupport::RunResult run_openocd(const fs::path& dir, const fs::path& socket, int ir_length,
                                   const std::string& expected_id, const std::vector<std::string>& svf_files);

// An IDCODE as 8 hex digits from its 32 BSDL bits.
std::string hex_id(const std::string& bits);

}  // namespace scanharness
