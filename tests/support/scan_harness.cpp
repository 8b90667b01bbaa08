#include "support/scan_harness.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fcntl.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "support/fixture_chip.h"
#include "support/regex.h"

namespace scanharness {

namespace {

using testsupport::read_file;

void write_text(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The text without the module of that name (its "module" to its
// "endmodule" line).
std::string without_module(std::string text, const std::string& name) {
    size_t from = text.find("module " + name + " ");
    if (from == std::string::npos) from = text.find("module " + name + "(");
    if (from == std::string::npos) return text;
    size_t to = text.find("endmodule", from);
    if (to == std::string::npos) return text;
    return text.erase(from, to + 9 - from);
}

// The target port of the first TAP_SCAN_<what> attribute.
std::string tap_port(const bsdlcheck::BsdlFile& f, const std::string& what) {
    const bsdlcheck::Statement* s = f.attribute("TAP_SCAN_" + what);
    return s ? s->target : "";
}

// The Verilog name of the bench's signal for a pin.
std::string sig(size_t i) { return "p" + std::to_string(i); }

}  // namespace

const ChipPin* Chip::pin_of_bsdl(const std::string& bsdl_port) const {
    for (const ChipPin& p : pins)
        if (lower(p.bsdl) == lower(bsdl_port)) return &p;
    return nullptr;
}

std::string Chip::opcode(const std::string& instruction) const {
    const bsdlcheck::Instruction* i = bsdl.instruction(instruction);
    return i && !i->opcodes.empty() ? i->opcodes.front() : "";
}

Chip read_chip(const fs::path& bsd, const std::string& top) {
    Chip chip;
    chip.top = top;
    chip.bsdl = bsdlcheck::read_bsdl(read_file(bsd));
    for (const std::string& e : chip.bsdl.errors) chip.errors.push_back(bsd.filename().string() + ": " + e);
    const fs::path netlist = bsd.parent_path() / (top + ".v");
    const std::vector<std::string> design =
        fs::exists(netlist) ? testsupport::module_ports(read_file(netlist), top) : std::vector<std::string>{};
    // The design port that a BSDL port stands for: the port of that name,
    // else the one name that differs only in case.
    auto design_port = [&](const std::string& bsdl_port) {
        for (const std::string& p : design)
            if (p == bsdl_port) return p;
        std::string found;
        int matches = 0;
        for (const std::string& p : design)
            if (lower(p) == lower(bsdl_port)) found = p, ++matches;
        if (matches == 1) return found;
        chip.errors.push_back("no design port for BSDL port " + bsdl_port);
        return std::string();
    };
    const std::string tdi = tap_port(chip.bsdl, "IN"), tms = tap_port(chip.bsdl, "MODE"),
                      tck = tap_port(chip.bsdl, "CLOCK"), tdo = tap_port(chip.bsdl, "OUT"),
                      trst = tap_port(chip.bsdl, "RESET");
    if (tdi.empty() || tms.empty() || tck.empty() || tdo.empty()) chip.errors.push_back("a TAP port is not named");
    chip.tdi = design_port(tdi);
    chip.tms = design_port(tms);
    chip.tck = design_port(tck);
    chip.tdo = design_port(tdo);
    if (!trst.empty()) chip.trst = design_port(trst);
    for (const bsdlcheck::Port& p : chip.bsdl.ports) {
        if (p.direction == "linkage" || p.name == tdi || p.name == tms || p.name == tck || p.name == tdo ||
            p.name == trst)
            continue;
        if (p.vector) {
            chip.errors.push_back("bit-vector port " + p.name + " is not supported by the harness");
            continue;
        }
        ChipPin pin;
        pin.bsdl = p.name;
        pin.direction = p.direction == "buffer" ? "out" : p.direction;
        pin.port = design_port(p.name);
        chip.pins.push_back(pin);
    }
    return chip;
}

bool run_flow(const fs::path& dir, Road road, const std::vector<std::string>& options, std::string* log,
              const std::vector<std::string>& bsdl_options) {
    std::vector<std::string> opts = options;
    if (road == Road::AddTap) opts.insert(opts.begin(), "-add_tap");
    if (road == Road::AddBcm) opts.insert(opts.begin(), "-add_bcm");
    testsupport::RunResult r = testsupport::run_kestrand(dir, opts);
    if (log) *log += r.out + r.err;
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (r.status != 0) return false;
    if (road == Road::Default) {
        r = testsupport::run_kestrand(dir, {"-add_tap_only"});
        if (log) *log += r.out + r.err;
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        if (r.status != 0) return false;
    }
    testsupport::ToolPath env;
    const std::string tallowmere = testsupport::built_program("bin/tallowmere");
    for (const bool scan : {false, true}) {
        std::vector<std::string> argv = {tallowmere, "-bsc_file", "chip", "-lib_file", "chip"};
        if (scan) argv.push_back("-scan");
        argv.insert(argv.end(), bsdl_options.begin(), bsdl_options.end());
        argv.push_back("chip_jtag");
        r = testsupport::run(argv, dir);
        if (log) *log += r.out + r.err;
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        if (r.status != 0) return false;
    }
    EXPECT_TRUE(fs::exists(dir / "chip_jtag.bsd"));
    EXPECT_TRUE(fs::exists(dir / "chip_TAP.v"));
    return fs::exists(dir / "chip_jtag.bsd") && fs::exists(dir / "chip_TAP.v");
}

std::string write_sim_cells(const fs::path& dir, const std::string& name) {
    write_text(dir / name, without_module(read_file(dir / "cells.v"), "qdx_tap"));
    return name;
}

std::string write_sim_netlist(const fs::path& dir, const std::string& netlist, const std::string& name) {
    const std::string in = read_file(dir / netlist);
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        // ".NAME()" then blanks and a comma: left out with the comma.
        if (in[i] == '.' && i + 1 < in.size() && (std::isalpha(static_cast<unsigned char>(in[i + 1])) || in[i + 1] == '_')) {
            size_t j = i + 1;
            while (j < in.size() && (std::isalnum(static_cast<unsigned char>(in[j])) || in[j] == '_' || in[j] == '$')) ++j;
            if (in.compare(j, 2, "()") == 0) {
                size_t k = j + 2;
                while (k < in.size() && std::isspace(static_cast<unsigned char>(in[k]))) ++k;
                if (k < in.size() && in[k] == ',') {
                    i = k + 1;
                    while (i < in.size() && std::isspace(static_cast<unsigned char>(in[i]))) ++i;
                    continue;
                }
            }
        }
        out += in[i++];
    }
    write_text(dir / name, out);
    return name;
}

// ---------------------------------------------------------------------------

Bench::Bench(const Chip& chip) : chip_(chip) {}

void Bench::set_pins(const std::map<std::string, char>& values) {
    for (size_t i = 0; i < chip_.pins.size(); ++i) {
        auto it = values.find(chip_.pins[i].port);
        if (it == values.end()) continue;
        const ChipPin& p = chip_.pins[i];
        if (p.direction == "in") {
            body_ += "    " + sig(i) + " = 1'b" + it->second + ";\n";
        } else if (p.direction == "inout") {
            if (it->second == 'z') {
                body_ += "    " + sig(i) + "_en = 0;\n";
            } else {
                body_ += "    " + sig(i) + "_d = 1'b" + it->second + "; " + sig(i) + "_en = 1;\n";
            }
        }
    }
    body_ += "    #10;\n";
}

void Bench::release_bidirs() {
    for (size_t i = 0; i < chip_.pins.size(); ++i)
        if (chip_.pins[i].direction == "inout") body_ += "    " + sig(i) + "_en = 0;\n";
    body_ += "    #10;\n";
}

void Bench::reset_by_trst() {
    if (!chip_.trst.empty()) body_ += "    trst = 0; #50 trst = 1; #50;\n";
    reset_by_tms();
}

void Bench::reset_by_tms() { body_ += "    repeat (5) step(1, 0); step(0, 0);\n"; }

void Bench::pulse_trst() {
    if (chip_.trst.empty()) return;
    // Into Shift-IR, where TRST has to win over what is under way.
    body_ += "    step(1, 0); step(1, 0); step(0, 0); step(0, 0);\n"
             "    trst = 0; #50 trst = 1; #50;\n"
             "    step(0, 0);\n";
}

void Bench::ir(const std::string& opcode, const std::string& tag) {
    width_ = std::max(width_, opcode.size());
    // Opcodes are written most significant bit first; the least
    // significant bit goes in first.
    body_ += "    din = " + std::to_string(opcode.size()) + "'b" + opcode + ";\n";
    body_ += "    step(1, 0); step(1, 0); step(0, 0); step(0, 0);\n";
    body_ += "    shift(" + std::to_string(opcode.size()) + ");\n";
    body_ += "    step(1, 0); step(0, 0);\n";
    if (!tag.empty()) body_ += "    $write(\"" + tag + " \"); show(" + std::to_string(opcode.size()) + ");\n";
}

void Bench::dr(const std::string& in, const std::string& tag) {
    width_ = std::max(width_, in.size());
    body_ += "    din = " + std::to_string(in.size()) + "'b" + reversed(in) + ";\n";
    body_ += "    step(1, 0); step(0, 0); step(0, 0);\n";
    body_ += "    shift(" + std::to_string(in.size()) + ");\n";
    body_ += "    step(1, 0); step(0, 0);\n";
    if (!tag.empty()) body_ += "    $write(\"" + tag + " \"); show(" + std::to_string(in.size()) + ");\n";
}

void Bench::show_pins(const std::string& tag) {
    body_ += "    #10 $display(\"" + tag + " ";
    for (size_t i = 0; i < chip_.pins.size(); ++i) body_ += "%b";
    body_ += "\"";
    for (size_t i = 0; i < chip_.pins.size(); ++i) body_ += ", " + sig(i);
    body_ += ");\n";
}

std::string Bench::text() const {
    std::string t = "`timescale 1ns / 1ps\nmodule scan_bench;\n";
    t += "  reg tck = 0, tms = 1, tdi = 0, trst = 1;\n  wire tdo;\n";
    t += "  reg [" + std::to_string(width_ - 1) + ":0] din, dout;\n";
    std::string connections = "." + chip_.tdi + "(tdi), ." + chip_.tms + "(tms), ." + chip_.tck + "(tck), ." +
                              chip_.tdo + "(tdo)";
    if (!chip_.trst.empty()) connections += ", ." + chip_.trst + "(trst)";
    for (size_t i = 0; i < chip_.pins.size(); ++i) {
        const ChipPin& p = chip_.pins[i];
        const std::string s = sig(i);
        if (p.direction == "in") {
            t += "  reg " + s + " = 0;\n";
        } else if (p.direction == "inout") {
            t += "  wire " + s + ";\n  reg " + s + "_d = 0, " + s + "_en = 0;\n";
            t += "  assign (weak0, weak1) " + s + " = " + s + "_en ? " + s + "_d : 1'bz;\n";
        } else {
            t += "  wire " + s + ";\n";
        }
        connections += ", ." + p.port + "(" + s + ")";
    }
    t += "  " + chip_.top + " dut (" + connections + ");\n";
    t += R"(  // One TCK cycle: TMS and TDI set, TDO read before the rising edge.
  task step(input m, input d);
    begin
      tms = m; tdi = d;
      #20;
      tck = 1;
      #50 tck = 0;
      #30;
    end
  endtask
  // n bits from din through the register in Shift-IR or Shift-DR, TMS
  // high with the last; what TDO showed goes to dout.
  task shift(input integer n);
    integer j;
    begin
      for (j = 0; j < n; j = j + 1) begin
        tms = (j == n - 1); tdi = din[j];
        #20 dout[j] = tdo;
        tck = 1;
        #50 tck = 0;
        #30;
      end
    end
  endtask
  task show(input integer n);
    integer j;
    begin
      for (j = 0; j < n; j = j + 1) $write("%b", dout[j]);
      $display("");
    end
  endtask
  initial begin
    #10;
)";
    t += body_;
    t += "    $display(\"END\");\n    $finish;\n  end\nendmodule\n";
    return t;
}

std::map<std::string, std::string> simulate(const fs::path& dir, const Bench& bench,
                                            const std::vector<std::string>& sources, const std::string& name) {
    std::map<std::string, std::string> seen;
    write_text(dir / (name + ".v"), bench.text());
    std::vector<std::string> argv = {"iverilog", "-g2005", "-s", "scan_bench", "-o", name + ".vvp", name + ".v"};
    argv.insert(argv.end(), sources.begin(), sources.end());
    testsupport::RunResult r = testsupport::run(argv, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (r.status != 0) return seen;
    r = testsupport::run({"vvp", "-n", name + ".vvp"}, dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\nEND\n"), std::string::npos) << r.out << r.err;
    std::istringstream out(r.out);
    std::string line;
    while (std::getline(out, line)) {
        std::istringstream words(line);
        std::string tag, value;
        if (words >> tag >> value) {
            EXPECT_EQ(seen.count(tag), 0u) << "tag " << tag << " printed twice";
            seen[tag] = value;
        }
    }
    return seen;
}

std::string bits(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s;
    s.reserve(n);
    for (size_t i = 0; i < n; ++i) s += (gen() & 1) ? '1' : '0';
    return s;
}

std::string reversed(std::string s) { return std::string(s.rbegin(), s.rend()); }

// ---------------------------------------------------------------------------

namespace {

// The module text of that name in a netlist: [from, to) from its
// "module" to the end of its "endmodule"; npos when there is none.
std::pair<size_t, size_t> module_span(const std::string& text, const std::string& name) {
    size_t from = std::string::npos;
    for (size_t at = text.find("module " + name); at != std::string::npos && from == std::string::npos;
         at = text.find("module " + name, at + 1)) {
        const size_t after = at + 7 + name.size();
        if ((at == 0 || text[at - 1] == '\n') && after < text.size() && (text[after] == ' ' || text[after] == '('))
            from = at;
    }
    if (from == std::string::npos) return {std::string::npos, std::string::npos};
    const size_t to = text.find("endmodule", from);
    if (to == std::string::npos) return {std::string::npos, std::string::npos};
    return {from, to + 9};
}

std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\n");
    const size_t b = s.find_last_not_of(" \t\n");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// The pad cells of the cell models `cells` whose pad pin is driven
// three-state ("assign PAD = C ? V : 1'bz;" or "assign PAD = C ? 1'bz :
// V;", the one such line of their model), by module name with that pin;
// their models in `cells` get their driver exposed instead: the enable
// and the data while enabled become wires that the proof compares (the
// pad pin itself is left undriven, so that the outside world may drive
// it).
std::map<std::string, std::string> formal_pads(std::string* cells) {
    std::map<std::string, std::string> pads;
    const std::regex assign(R"(\n([ \t]*)assign[ \t]+(\w+)[ \t]*=([^;]*);)");
    for (size_t at = cells->find("module "); at != std::string::npos; at = cells->find("module ", at + 1)) {
        if (at > 0 && (*cells)[at - 1] != '\n') continue;
        const size_t name_end = cells->find_first_of(" (", at + 7);
        const std::string name = cells->substr(at + 7, name_end - at - 7);
        const auto [from, to] = module_span(*cells, name);
        if (from != at) continue;
        std::string body = cells->substr(from, to - from);
        std::string::const_iterator begin = body.cbegin();
        int lines = 0;
        std::smatch only;
        for (std::smatch m; std::regex_search(begin, body.cend(), m, assign); begin = m[0].second) {
            const std::string expr = m[3];
            if (expr.find("1'bz") == std::string::npos) continue;
            ++lines;
            only = m;
        }
        if (lines != 1) continue;
        const std::string expr = only[3];
        const size_t q = expr.find('?');
        const size_t colon = expr.rfind(':');
        if (q == std::string::npos || colon == std::string::npos || colon < q) continue;
        const std::string cond = trimmed(expr.substr(0, q));
        const std::string then = trimmed(expr.substr(q + 1, colon - q - 1));
        const std::string other = trimmed(expr.substr(colon + 1));
        std::string oe, value;
        if (other == "1'bz") {
            oe = cond;
            value = then;
        } else if (then.rfind("1'bz", 0) == 0) {
            // "C ? 1'bz : V" with V itself perhaps a choice: the first colon.
            const size_t first = expr.find(':', q);
            oe = "!(" + cond + ")";
            value = trimmed(expr.substr(first + 1));
        } else {
            continue;
        }
        pads[name] = only[2];
        const std::string indent = only[1];
        const std::string formal = "\n" + indent + "(* keep *) wire formal_oe = " + oe + ";\n" + indent +
                                   "(* keep *) wire formal_val = formal_oe & (" + value + ");";
        body.replace(static_cast<size_t>(only[0].first - body.cbegin()), static_cast<size_t>(only.length(0)), formal);
        cells->replace(from, to - from, body);
    }
    return pads;
}

// The ports of each module of a netlist or of cell models by direction
// ("input", "output", "inout"), from their declarations.
std::map<std::string, std::map<std::string, std::string>> port_directions(const std::string& text) {
    std::map<std::string, std::map<std::string, std::string>> modules;
    const std::regex decl(R"((?:^|\n)[ \t]*(input|output|inout)\b([^;]*);)");
    for (size_t at = text.find("module "); at != std::string::npos; at = text.find("module ", at + 1)) {
        if (at > 0 && text[at - 1] != '\n') continue;
        const size_t name_end = text.find_first_of(" (", at + 7);
        const std::string name = text.substr(at + 7, name_end - at - 7);
        const auto [from, to] = module_span(text, name);
        if (from != at) continue;
        const std::string body = text.substr(from, to - from);
        for (std::sregex_iterator m(body.begin(), body.end(), decl), stop; m != stop; ++m) {
            std::string names = std::regex_replace(std::string((*m)[2]), std::regex(R"(\[[^\]]*\]|\breg\b|\bwire\b)"), " ");
            std::istringstream list(names);
            for (std::string item; std::getline(list, item, ',');)
                if (!trimmed(item).empty()) modules[name][trimmed(item)] = (*m)[1];
        }
    }
    return modules;
}

// The instances of a module body: cell, name and connections (pin to the
// text in its parentheses).
struct Instance {
    std::string cell, name;
    std::map<std::string, std::string> pins;
};

std::vector<Instance> instances_of(const std::string& body) {
    std::vector<Instance> all;
    static const std::set<std::string> keywords = {"module", "input", "output", "inout", "wire", "reg", "assign"};
    const std::regex statement(R"((?:^|\n)[ \t]*([A-Za-z_][\w$]*)[ \t]+(\\\S+|[A-Za-z_][\w$]*)[ \t\n]*\(([^;]*)\)[ \t]*;)");
    const std::regex connection(R"(\.([\w$]+)[ \t\n]*\(([^()]*)\))");
    for (std::sregex_iterator m(body.begin(), body.end(), statement), stop; m != stop; ++m) {
        if (keywords.count((*m)[1])) continue;
        Instance i{(*m)[1], (*m)[2], {}};
        const std::string list = (*m)[3];
        for (std::sregex_iterator c(list.begin(), list.end(), connection); c != stop; ++c)
            i.pins[(*c)[1]] = trimmed((*c)[2]);
        all.push_back(i);
    }
    return all;
}

// The gold netlist (the chip before the insertion, its text `gold`) with
// a view of each pin on which the insertion added a three-state pad (an
// instance of a pad of `pads` in the gate's top that the gold's top
// lacks, its pad pin on a port of the chip): the wires of that pad's
// exposed driver as the pin was driven before.  A pin that something in
// the chip drove (a cell's or a module's output, or an assignment) was
// driven always, with that value; the design's reads of it keep reading
// that value.  A pin that nothing in the chip drove was never driven.
std::string with_views_of_added_pads(std::string gold, const std::string& gate, const std::string& top,
                                     const std::map<std::string, std::string>& pads, const std::string& cells) {
    const auto [gate_from, gate_to] = module_span(gate, top);
    auto [from, to] = module_span(gold, top);
    if (gate_from == std::string::npos || from == std::string::npos) return gold;
    std::set<std::string> gold_instances;
    for (const Instance& i : instances_of(gold.substr(from, to - from))) gold_instances.insert(i.name);
    auto directions = port_directions(cells);
    for (auto& [module, ports] : port_directions(gold)) directions[module] = ports;
    const std::map<std::string, std::string>& top_ports = directions[top];
    std::string views, wires;
    for (const Instance& added : instances_of(gate.substr(gate_from, gate_to - gate_from))) {
        const auto pad = pads.find(added.cell);
        if (pad == pads.end() || gold_instances.count(added.name)) continue;
        const auto at = added.pins.find(pad->second);
        if (at == added.pins.end() || !top_ports.count(at->second)) continue;
        const std::string port = at->second;
        const std::string body = gold.substr(from, to - from);
        // The net, not a pin of the same name (".dout1(dout1)" of a pad module).
        const std::regex word("(^|[^.\\w])" + port + "\\b");
        bool driven = false;
        for (const Instance& i : instances_of(body))
            for (const auto& [pin, net] : i.pins) {
                if (net != port) continue;
                const auto cell = directions.find(i.cell);
                const std::string dir = cell == directions.end() || !cell->second.count(pin) ? "" : cell->second.at(pin);
                EXPECT_TRUE(dir == "input" || dir == "output")
                    << "the proof can't tell whether " << i.name << "{" << pin << "} drives pin " << port;
                driven = driven || dir == "output";
            }
        const std::regex assigned(R"((?:^|\n)[ \t]*assign[ \t]+)" + port + R"([ \t]*=)");
        driven = driven || std::regex_search(body, assigned);
        if (!driven) {
            views += "  formal_undriven_pin " + added.name + " ();\n";
            continue;
        }
        // The design's ends of the pin on a net of their own, which the
        // view shows as the pin's drive.
        std::string renamed;
        std::istringstream lines(body);
        for (std::string line; std::getline(lines, line);) {
            const std::string first = trimmed(line).substr(0, trimmed(line).find_first_of(" \t"));
            if (first != "module" && first != "input" && first != "output" && first != "inout" && first != "wire")
                line = std::regex_replace(line, word, "$1" + port + "__core");
            renamed += line + "\n";
        }
        renamed.erase(renamed.size() - 1);
        gold.replace(from, to - from, renamed);
        to = from + renamed.size();
        wires += "  wire " + port + "__core;\n";
        views += "  formal_driven_pin " + added.name + " (.A(" + port + "__core));\n";
    }
    if (views.empty()) return gold;
    gold.insert(to - 9, views);
    // The new nets declared before their first use, after the header.
    gold.insert(gold.find(";\n", from) + 2, wires);
    return gold;
}

const char* const kPinViews = R"(
module formal_undriven_pin ();
  (* keep *) wire formal_oe = 1'b0;
  (* keep *) wire formal_val = 1'b0;
endmodule

module formal_driven_pin (A);
  input A;
  (* keep *) wire formal_oe = 1'b1;
  (* keep *) wire formal_val = A;
endmodule
)";

// A netlist of dir with every "inout" declaration made an input, for the
// proof: the pad models above never drive a pad's PAD, so the pin's level
// comes from outside alone, and both designs must read the one value that
// the miter gives the pin (an inout port of the miter reaches neither).
std::string with_pins_as_inputs(const fs::path& dir, const std::string& netlist) {
    std::istringstream in(read_file(dir / netlist));
    std::string out;
    for (std::string line; std::getline(in, line);) {
        const size_t word = line.find_first_not_of(" \t");
        if (word != std::string::npos && line.compare(word, 6, "inout ") == 0) line.replace(word, 5, "input");
        out += line + "\n";
    }
    write_text(dir / netlist, out);
    return netlist;
}

}  // namespace

testsupport::RunResult prove_transparent(const fs::path& dir, const Chip& chip, const std::string& gold,
                                         const std::string& gate, const std::vector<std::string>& models) {
    std::string cells = without_module(read_file(dir / "cells.v"), "qdx_tap");
    const std::map<std::string, std::string> pads = formal_pads(&cells);
    write_text(dir / "formal_cells.v", cells + kPinViews);
    auto design = [&](const std::string& netlist, const std::string& as) {
        std::string s = "read_verilog -noblackbox formal_cells.v\n";
        for (const std::string& m : models) s += "read_verilog " + m + "\n";
        s += "read_verilog " + netlist + "\n";
        s += "hierarchy -check -top " + chip.top + "\n";
        s += "proc\nflatten\nasync2sync\nopt_clean\n";
        // The pads' three-state drivers become outputs of the chip.
        s += "expose w:*.formal_*\n";
        s += "rename " + chip.top + " " + as + "\n";
        s += "design -stash " + as + "\n";
        return s;
    };
    const std::string gate_netlist = write_sim_netlist(dir, gate, "formal_gate.v");
    const std::string gold_netlist = write_sim_netlist(dir, gold, "formal_gold.v");
    write_text(dir / gold_netlist, with_views_of_added_pads(read_file(dir / gold_netlist), read_file(dir / gate_netlist),
                                                            chip.top, pads, cells));
    std::string script = design(with_pins_as_inputs(dir, gold_netlist), "gold") +
                         design(with_pins_as_inputs(dir, gate_netlist), "gate");
    script += "design -copy-from gold -as gold gold\n";
    script += "design -copy-from gate -as gate gate\n";
    script += "miter -equiv -flatten -make_assert gold gate miter\n";
    script += "hierarchy -top miter\n";
    // One time step from any state of every flip-flop, with TRST low: the
    // TAP in Test-Logic-Reset, everything else free.
    script += "sat -seq 1 -verify -prove-asserts -show-inputs";
    if (!chip.trst.empty()) script += " -set in_" + chip.trst + " 0";
    script += " miter\n";
    write_text(dir / "transparency.ys", script);
    return testsupport::run({"yosys", "-q", "-s", "transparency.ys"}, dir);
}

std::string write_mutant(const fs::path& dir, const std::string& netlist, const std::string& module,
                         const std::string& inst, const std::string& pin, const std::string& name) {
    std::string text = read_file(dir / netlist);
    size_t at = module.empty() ? 0 : text.find("module " + module + " ");
    if (at != std::string::npos) at = text.find(" " + inst + " (", at);
    size_t p = at == std::string::npos ? at : text.find("." + pin + "(", at);
    EXPECT_NE(p, std::string::npos) << "no " << inst << "{" << pin << "} in " << netlist;
    if (p != std::string::npos) text.insert(p + pin.size() + 2, "~");
    write_text(dir / name, text);
    return name;
}

// ---------------------------------------------------------------------------

testsupport::RunResult build_bitbang_model(const fs::path& dir, const Chip& chip,
                                           const std::vector<std::string>& sources) {
    std::string top = "`timescale 1ns / 1ps\nmodule bitbang_top (input tck, input tms, input tdi, input trst, output tdo);\n";
    top += "  " + chip.top + " dut (." + chip.tck + "(tck), ." + chip.tms + "(tms), ." + chip.tdi + "(tdi), ." +
           chip.tdo + "(tdo)";
    if (!chip.trst.empty()) top += ", ." + chip.trst + "(trst)";
    for (const ChipPin& p : chip.pins)
        if (p.direction == "in") top += ", ." + p.port + "(1'b0)";
    top += ");\nendmodule\n";
    write_text(dir / "bitbang_top.v", top);
    std::vector<std::string> argv = {"verilator", "--cc", "--exe", "--build", "-j", "2", "-Wno-fatal", "-Wno-lint",
                                     "-Wno-style", "--top-module", "bitbang_top", "-Mdir", "bitbang_obj", "-o",
                                     "../bitbang_sim", "bitbang_top.v"};
    argv.insert(argv.end(), sources.begin(), sources.end());
    argv.push_back(testsupport::source_path("tests/fixtures/e2e/bitbang/bitbang_server.cpp"));
    return testsupport::run(argv, dir);
}

BitbangServer::BitbangServer(const fs::path& dir) : socket_(dir / "jtag.sock") {
    const std::string program = (dir / "bitbang_sim").string(), socket = socket_.string(),
                      log = (dir / "bitbang_sim.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(socket.c_str()), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    pid_ = pid;
    for (int i = 0; i < 200 && !ready_; ++i) {
        std::error_code ec;
        ready_ = fs::is_socket(socket_, ec);
        if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

BitbangServer::~BitbangServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
}

testsupport::RunResult run_openocd(const fs::path& dir, const fs::path& socket, int ir_length,
                                   const std::string& expected_id, const std::vector<std::string>& svf_files) {
    // Bounded in time: a model that stops answering must not hang the test.
    std::vector<std::string> argv = {"timeout", "120", "openocd",
                                     "-c", "adapter driver remote_bitbang",
                                     "-c", "remote_bitbang port 0",
                                     "-c", "remote_bitbang host " + socket.string(),
                                     "-c", "transport select jtag",
                                     "-c", "reset_config trst_only",
                                     "-c", "jtag newtap chip tap -irlen " + std::to_string(ir_length) +
                                               " -expected-id 0x" + expected_id,
                                     "-c", "init"};
    for (const std::string& f : svf_files) {
        argv.push_back("-c");
        argv.push_back("svf -tap chip.tap " + f);
    }
    argv.push_back("-c");
    argv.push_back("shutdown");
    return testsupport::run(argv, dir);
}

std::string hex_id(const std::string& bits) {
    unsigned long v = 0;
    for (char c : bits) v = v << 1 | (c == '1' ? 1 : 0);
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", v);
    return text;
}

}  // namespace scanharness
