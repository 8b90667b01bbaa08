// The fixture chip of tests/fixtures/chip, compiled with the stand-in
// tools, and kestrand run on it: helpers shared by the program-level tests.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace testsupport {

// The folder of the stand-in tools in this build tree.
std::string tools_dir();
// True when the stand-in tools and kestrand are built.
bool fixture_tools_built();

// The environment of a run: the stand-in tools first on PATH (after
// `first`, a folder of replacements, when given) and the default search
// path (QUENDAL and QUENDAL_DIRS unset).
class ToolPath {
public:
    explicit ToolPath(const std::string& first = "");

private:
    std::string value_;
    ScopedEnv path_, dirs_, root_;
};

// Runs one stand-in tool in dir.
RunResult tool(const std::string& name, const std::vector<std::string>& args, const std::filesystem::path& dir);

// An exact text replacement in one of the fixture's files; an empty
// `from` appends `to`.
struct Patch {
    std::string file, from, to;
};
void apply_patch(const std::filesystem::path& dir, const Patch& p);
// The patches of a, then those of b.
inline std::vector<Patch> operator+(std::vector<Patch> a, const std::vector<Patch>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Copies the fixture chip into dir (with chip.v replaced by `verilog` when
// given) and applies the patches.
void copy_fixture_chip(const std::filesystem::path& dir, const std::vector<Patch>& patches = {},
                       const std::string& verilog = "");
// Compiles what is in dir: the cells and modules (tessick -lib cells.v
// chip.v), then chip.c.sdb (drumway chip).  False after a reported failure.
bool compile_chip_in(const std::filesystem::path& dir);
// copy_fixture_chip then compile_chip_in.
bool compile_fixture_chip(const std::filesystem::path& dir, const std::vector<Patch>& patches = {},
                          const std::string& verilog = "");

// The fixture chip with the chip.v of tests/fixtures/e2e/notap (no TAP
// instance), patched and compiled, with the port-only qdx_tap module taken
// out of cells.v: the RTL TAP that a run writes and compiles is the TAP's
// only model.  Fails the test (gtest) on a missing module or a failed
// compile.
void compile_notap_chip(const std::filesystem::path& dir, const std::vector<Patch>& patches = {});
// The same files, patched, not compiled.
void copy_notap_chip(const std::filesystem::path& dir, const std::vector<Patch>& patches = {});

// kestrand on the chip in dir with the options, under a ToolPath.
RunResult run_kestrand(const std::filesystem::path& dir, const std::vector<std::string>& options = {},
                       const std::string& first = "");

// A design as sdbdump prints it: its ports, instances with their classes
// and pin nets, and the ends of each net ("inst{pin}" or "port:name").
class Netlist {
public:
    Netlist(const std::filesystem::path& dir, const std::string& design);

    const std::map<std::string, std::string>& ports() const { return ports_; }
    std::string cls(const std::string& inst) const;
    // The net on an instance pin; "" when the pin is open.
    std::string net(const std::string& inst, const std::string& pin) const;
    // The ends of a net in the order printed.
    std::vector<std::string> ends(const std::string& net) const;
    // The ends of the net on an instance pin; empty when the pin is open.
    std::set<std::string> ends_at(const std::string& inst, const std::string& pin) const;
    // The instances whose class begins with the prefix.
    std::set<std::string> of_class(const std::string& prefix) const;

private:
    std::map<std::string, std::string> ports_;
    std::map<std::string, std::string> classes_;
    std::map<std::string, std::map<std::string, std::string>> pins_;
    std::map<std::string, std::vector<std::string>> nets_;
};

// Expects every SHIFT, CLOCK, UPDATE and MODE pin of every boundary cell
// (class BC_*) to be driven from its pin of the TAP instance `tap`,
// directly or through the BUF buffers of the trees.
void expect_controls_driven(const Netlist& n, const std::string& tap = "TAP");

// The instance and the pin of an end "inst{pin}".
std::string inst_of(const std::string& end);
std::string pin_of(const std::string& end);

}  // namespace testsupport
