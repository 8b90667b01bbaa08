// Helpers of the netlist-tool tests: running the built tools in a
// directory and comparing designs through sdbdump.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace tooltest {

namespace fs = std::filesystem;

inline std::string tool(const std::string& name) { return testsupport::built_program("tools/" + name); }

// Runs one of the built tools in dir.
inline testsupport::RunResult run_tool(const std::string& name, std::vector<std::string> args, const fs::path& dir) {
    args.insert(args.begin(), tool(name));
    return testsupport::run(args, dir);
}

// A tool run that must succeed; its output is shown when it does not.
inline void ok(const std::string& name, const std::vector<std::string>& args, const fs::path& dir) {
    const auto r = run_tool(name, args, dir);
    ASSERT_EQ(r.status, 0) << name << " failed:\n" << r.out << r.err;
}

// The connectivity of a design as sdbdump prints it, without the alias
// lines (a netlist written back no longer says which nets an assignment
// merged).
inline std::string connectivity(const std::string& design, const fs::path& dir) {
    const auto r = run_tool("sdbdump", {design}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("alias ", 0) != 0) out += line + "\n";
    return out;
}

// Copies the fixture chip's Verilog into dir.
inline void copy_chip(const fs::path& dir) {
    fs::copy_file(testsupport::source_path("tests/fixtures/chip/chip.v"), dir / "chip.v", fs::copy_options::overwrite_existing);
    fs::copy_file(testsupport::source_path(testsupport::kCellModels), dir / "cells.v", fs::copy_options::overwrite_existing);
}

inline std::string gates_file() { return testsupport::source_path("tests/fixtures/verilog/yosys_gates.v"); }

// The search path of the tools, their definition file and the
// environment variables that set them: the defaults ("." first).
class ToolEnv {
public:
    ToolEnv() : dirs_("QUENDAL_DIRS", nullptr), root_("QUENDAL", nullptr) {}

private:
    testsupport::ScopedEnv dirs_, root_;
};

}  // namespace tooltest
