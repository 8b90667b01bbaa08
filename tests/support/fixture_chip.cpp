#include "support/fixture_chip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace fs = std::filesystem;

std::string tools_dir() { return fs::path(built_program("tools/tessick")).parent_path().string(); }

bool fixture_tools_built() {
    for (const char* t : {"tessick", "drumway", "quarnel", "plovert", "sdbdump"})
        if (!fs::exists(fs::path(tools_dir()) / t)) return false;
    return fs::exists(built_program("bin/kestrand"));
}

static std::string old_path() {
    const char* p = std::getenv("PATH");
    return p ? p : "/usr/bin:/bin";
}

ToolPath::ToolPath(const std::string& first)
    : value_((first.empty() ? "" : first + ":") + tools_dir() + ":" + old_path()),
      path_("PATH", value_.c_str()),
      dirs_("QUENDAL_DIRS", nullptr),
      root_("QUENDAL", nullptr) {}

RunResult tool(const std::string& name, const std::vector<std::string>& args, const fs::path& dir) {
    std::vector<std::string> argv = {(fs::path(tools_dir()) / name).string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, dir);
}

void apply_patch(const fs::path& dir, const Patch& p) {
    std::string text = read_file(dir / p.file);
    if (p.from.empty()) {
        text += p.to;
    } else {
        size_t at = text.find(p.from);
        ASSERT_NE(at, std::string::npos) << p.from;
        text.replace(at, p.from.size(), p.to);
    }
    std::ofstream(dir / p.file, std::ios::binary | std::ios::trunc) << text;
}

void copy_fixture_chip(const fs::path& dir, const std::vector<Patch>& patches, const std::string& verilog) {
    for (const auto& f : fs::directory_iterator(source_path("tests/fixtures/chip")))
        fs::copy_file(f.path(), dir / f.path().filename(), fs::copy_options::overwrite_existing);
    fs::copy_file(source_path(kCellModels), dir / "cells.v", fs::copy_options::overwrite_existing);
    if (!verilog.empty()) fs::copy_file(verilog, dir / "chip.v", fs::copy_options::overwrite_existing);
    for (const Patch& p : patches) apply_patch(dir, p);
}

void copy_notap_chip(const fs::path& dir, const std::vector<Patch>& patches) {
    copy_fixture_chip(dir, {}, source_path("tests/fixtures/e2e/notap/chip.v"));
    std::string cells = read_file(dir / "cells.v");
    const size_t from = cells.find("module qdx_tap");
    ASSERT_NE(from, std::string::npos);
    const size_t to = cells.find("endmodule\n", from);
    ASSERT_NE(to, std::string::npos);
    cells.erase(from, to + std::string("endmodule\n").size() - from);
    std::ofstream(dir / "cells.v") << cells;
    for (const Patch& p : patches) apply_patch(dir, p);
}

void compile_notap_chip(const fs::path& dir, const std::vector<Patch>& patches) {
    copy_notap_chip(dir, patches);
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_TRUE(compile_chip_in(dir));
    ASSERT_FALSE(fs::exists(dir / "qdx_tap.sdb"));
}

bool compile_chip_in(const fs::path& dir) {
    auto r = tool("tessick", {"-lib", "cells.v", "chip.v"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (r.status != 0) return false;
    r = tool("drumway", {"chip"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return r.status == 0;
}

bool compile_fixture_chip(const fs::path& dir, const std::vector<Patch>& patches, const std::string& verilog) {
    copy_fixture_chip(dir, patches, verilog);
    return compile_chip_in(dir);
}

RunResult run_kestrand(const fs::path& dir, const std::vector<std::string>& options, const std::string& first) {
    ToolPath env(first);
    std::vector<std::string> argv = {built_program("bin/kestrand"), "chip"};
    argv.insert(argv.end(), options.begin(), options.end());
    return run(argv, dir);
}

Netlist::Netlist(const fs::path& dir, const std::string& design) {
    auto r = tool("sdbdump", {design}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind, name, word;
        words >> kind >> name;
        if (kind == "port") {
            words >> ports_[name];
        } else if (kind == "inst") {
            words >> classes_[name];
            while (words >> word) {
                size_t eq = word.find('=');
                if (eq != std::string::npos) pins_[name][word.substr(0, eq)] = word.substr(eq + 1);
            }
        } else if (kind == "net") {
            auto& ends = nets_[name];
            while (words >> word) ends.push_back(word);
        }
    }
}

std::string Netlist::cls(const std::string& inst) const {
    auto it = classes_.find(inst);
    return it == classes_.end() ? "" : it->second;
}

std::string Netlist::net(const std::string& inst, const std::string& pin) const {
    auto i = pins_.find(inst);
    if (i == pins_.end()) return "";
    auto p = i->second.find(pin);
    return p == i->second.end() || p->second == "-" ? "" : p->second;
}

std::vector<std::string> Netlist::ends(const std::string& net) const {
    auto it = nets_.find(net);
    return it == nets_.end() ? std::vector<std::string>{} : it->second;
}

std::set<std::string> Netlist::ends_at(const std::string& inst, const std::string& pin) const {
    std::string n = net(inst, pin);
    if (n.empty()) return {};
    auto e = ends(n);
    return std::set<std::string>(e.begin(), e.end());
}

std::set<std::string> Netlist::of_class(const std::string& prefix) const {
    std::set<std::string> s;
    for (auto& [inst, c] : classes_)
        if (c.rfind(prefix, 0) == 0) s.insert(inst);
    return s;
}

std::string inst_of(const std::string& end) { return end.substr(0, end.find('{')); }

std::string pin_of(const std::string& end) {
    size_t a = end.find('{');
    return a == std::string::npos ? "" : end.substr(a + 1, end.size() - a - 2);
}

void expect_controls_driven(const Netlist& n, const std::string& tap) {
    const std::vector<std::pair<std::string, std::string>> pins = {
        {"SHIFT", "SHIFT_DR"}, {"CLOCK", "CLOCK_DR"}, {"UPDATE", "UPDATE_DR"}, {"MODE", "MODE1"}};
    for (const std::string& cell : n.of_class("BC_")) {
        for (auto& [pin, tap_pin] : pins) {
            std::string net = n.net(cell, pin);
            bool reached = false;
            for (int depth = 0; depth < 20 && !net.empty() && !reached; ++depth) {
                std::string up;
                for (const auto& e : n.ends(net)) {
                    if (e == tap + "{" + tap_pin + "}") reached = true;
                    if (n.cls(inst_of(e)) == "BUF" && pin_of(e) == "Y") up = n.net(inst_of(e), "A");
                }
                net = up;
            }
            EXPECT_TRUE(reached) << cell << "{" << pin << "} is not driven from " << tap << "{" << tap_pin << "}";
        }
    }
}

}  // namespace testsupport
