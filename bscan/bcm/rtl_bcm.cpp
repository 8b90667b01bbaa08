// The boundary-cell module "<top>_BCM" in Verilog: every boundary cell of
// the -add_bcm road, the TAP controller (its instance named by
// %INSTANCE_NAME) and the buffer trees of the test control signals, with
// the boundary register run from the TAP's first-cell pin through the
// cells and back to its last-cell pin.  With position groups each group's
// cells sit in a sub-module of their own, which the module instantiates
// beside the TAP.  The cells, their numbers and their ports come from
// bcm_enumerate (bscan/bcm/bcm.h), which the top design's command file reads
// as well.  The module is compiled as a netlist, so that the expansion of
// the edited chip holds its cells as every other road's does.
#include <array>
#include <charconv>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bscan/bcm/bcm.h"
#include "bscan/bcm/bcm_control.h"
#include "bscan/bcm/bcm_options.h"
#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/rtl_tap.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/strfmt.h"
#include "runtime/verilog_id.h"

using bsnames::or_text;

namespace {

bool set(const char* s) { return s && *s; }

// Every name goes into the text as a Verilog identifier: the names made
// from the design's name ("<top>_BCM", the sub-modules and their control
// ports) are escaped when that name is no simple identifier.
std::string id(std::string_view name) { return VLOG_id(name); }

void write_assign(FILE* fp, const std::string& to, const std::string& from) {
    std::fprintf(fp, "assign %s = %s;\n", id(to).c_str(), id(from).c_str());
}

// The test control signals that the cells' pins take, each through a
// buffer tree whose root the TAP (or, in a sub-module, a port) drives.
enum Signal { SIG_SHIFT, SIG_CLOCK, SIG_UPDATE, SIG_HIGHZ, SIG_MODE1, SIG_MODE2, SIG_MODE3, SIG_RESET, SIG_COUNT };

struct SignalInfo {
    const char* stem;                 // tree names: "<stem>_buf_<level>_<index>"
    const char* port;                 // sub-module control port: "<top>_<group>_<port>"
    char* ScanCellEntry::*pin;        // the cell pin it drives
    BufferEntry** buffer;             // the tree's buffer, as bs_choose_tree_buffers chose it
    bool chained_by_df_speed = true;  // -df_speed narrows its leaf groups
};

const SignalInfo kSignals[SIG_COUNT] = {
    {"shift", "SHIFT", &ScanCellEntry::shift_dr, &SHIFT_BUF},
    {"clock", "CLOCK", &ScanCellEntry::clock_dr, &CLOCK_BUF},
    {"update", "UPDATE_DR", &ScanCellEntry::update_dr, &UPDATE_BUF},
    {"highz", "HIGHZ", &ScanCellEntry::highz, &HIGHZ_BUF},
    {"mode1", "MODE1", &ScanCellEntry::mode1, &MODE1_BUF},
    {"mode2", "MODE2", &ScanCellEntry::mode2, &MODE2_BUF},
    {"mode3", "MODE3", &ScanCellEntry::mode3, &MODE3_BUF},
    {"reset", "RESET", &ScanCellEntry::rst, &RST_BUF},
};

using Loads = std::array<int, SIG_COUNT>;

// The mode tree whose leaf a mux pad's mode port takes, -1 for other ports.
int mode_signal(BcmPort p) { return p == BcmPort::Mode1 ? SIG_MODE1 : p == BcmPort::Mode2 ? SIG_MODE2 : -1; }

Loads loads_of(const std::vector<const BcmCell*>& cells) {
    Loads n{};
    for (const BcmCell* c : cells) {
        for (int s = 0; s < SIG_COUNT; ++s)
            if (c->cell->*kSignals[s].pin) ++n[static_cast<size_t>(s)];
        for (BcmPort p : c->ports)
            if (mode_signal(p) >= 0) ++n[static_cast<size_t>(mode_signal(p))];
    }
    return n;
}

// One signal's tree in a module: its leaf groups, its depth and the
// cursor that hands out the leaves to the loads in order, each leaf
// taking as many loads as its group holds.
class Tree {
public:
    Tree() = default;
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    ~Tree() {
        if (groups_) DYNA_free(&groups_);
    }

    // Builds the groups of n loads and writes the tree; without a group
    // size one group takes every load.
    void write(FILE* fp, int loads, const SignalInfo& s) {
        if (loads <= 0) return;
        buffer_ = *s.buffer;
        groups_ = bcm_group(loads, s.chained_by_df_speed);
        level_count = 0;
        depth_ = make_buffer(fp, groups_, "", s.stem, buffer_);
        stem_ = s.stem;
    }
    bool built() const { return depth_ > 0; }
    std::string root() const { return STR_format("%s_buf_1_1_%s", stem_.c_str(), buffer_->input); }
    std::string next_leaf() {
        if (used_ == groups_[index_ - 1] && index_ < DYNA_count(groups_)) {
            ++index_;
            used_ = 0;
        }
        ++used_;
        return STR_format("%s_buf_%d_%d_%s", stem_.c_str(), depth_, index_, buffer_->output);
    }

private:
    GroupSizeList groups_ = nullptr;
    BufferEntry* buffer_ = nullptr;
    std::string stem_;
    int depth_ = 0;
    int index_ = 1;
    int used_ = 0;
};

using Trees = std::array<Tree, SIG_COUNT>;

// A tree with loads and no buffer to build it of.
[[noreturn]] void no_signal_buffer() {
    qdx_exit_printf(-1, "ERROR: (%s) can't find %%SIGNAL_BUFFER in %%TAP_CONTROLLER %s\n       for the "
                        "boundary-cell module.\n\n",
                    JTAG_LIB_FILE.c_str(), or_text(TAP_MODULE_NAME, ""));
}

// The trees of the TAP's %EXTRA_n pins (entry n-1), one for each pin that
// a cell of the module takes.
class ExtraTrees {
public:
    explicit ExtraTrees(std::vector<int> loads) : loads_(std::move(loads)), trees_(loads_.size()) {}
    size_t size() const { return trees_.size(); }
    Tree& operator[](size_t k) { return trees_[k]; }
    const Tree& operator[](size_t k) const { return trees_[k]; }
    void write(FILE* fp) {
        for (size_t k = 0; k < loads_.size(); ++k) {
            if (loads_[k] <= 0) continue;
            BufferEntry** buffer = static_cast<int>(k) < DYNA_count(EXTRA_PIN_BUF) ? &EXTRA_PIN_BUF[k] : nullptr;
            if (!buffer || !*buffer) no_signal_buffer();
            const std::string stem = bcm_extra_stem(k);
            trees_[k].write(fp, loads_[k], SignalInfo{stem.c_str(), "", nullptr, buffer, false});
        }
    }

private:
    std::vector<int> loads_;
    std::vector<Tree> trees_;
};

// The trees of a module, sized by the loads; each signal's buffer is the
// signal buffer, or the inverting one for an active-low TAP pin.
void write_trees(FILE* fp, Trees& trees, const Loads& loads) {
    bs_choose_tree_buffers();
    for (int s = 0; s < SIG_COUNT; ++s) {
        const size_t i = static_cast<size_t>(s);
        if (loads[i] > 0 && !*kSignals[s].buffer) no_signal_buffer();
        trees[i].write(fp, loads[i], kSignals[s]);
    }
}

// The trees as text: they are written after the declarations of their
// roots, which building them names.
std::string trees_text(Trees& trees, const Loads& loads, ExtraTrees& extras) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* mem = open_memstream(&buffer, &size);
    if (!mem) qdx_exit_printf(-1, "ERROR: out of memory while writing the boundary-cell module.\n\n");
    write_trees(mem, trees, loads);
    extras.write(mem);
    std::fclose(mem);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

// The nets that a tree text joins its buffers with, roots aside: every
// "( net )" of its connections.
std::vector<std::string> tree_nets(const std::string& text, const Trees& trees) {
    std::vector<std::string> nets;
    std::unordered_set<std::string> seen;
    for (const Tree& t : trees)
        if (t.built()) seen.insert(t.root());
    auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; };
    const size_t n = text.size();
    for (size_t at = text.find('('); at != std::string::npos; at = text.find('(', at + 1)) {
        size_t from = at + 1;
        while (from < n && text[from] == ' ') ++from;
        size_t to = from;
        while (to < n && word(text[to])) ++to;
        size_t close = to;
        while (close < n && text[close] == ' ') ++close;
        if (to == from || close >= n || text[close] != ')') continue;
        std::string net = text.substr(from, to - from);
        if (seen.insert(net).second) nets.push_back(std::move(net));
    }
    return nets;
}

// ------------------------------------------------------------ layout

// A port list "module <name> ( a, b, c,\n<indent>d ... );" three names
// to a line.
void write_header(FILE* fp, const std::string& module, const std::vector<std::string>& ports) {
    const std::string head = "module " + id(module) + " (";
    std::fputs(head.c_str(), fp);
    const std::string indent(head.size() + 1, ' ');
    for (size_t k = 0; k < ports.size(); ++k) {
        std::fprintf(fp, " %s", id(ports[k]).c_str());
        if (k + 1 == ports.size()) break;
        std::fputc(',', fp);
        if ((k + 1) % 3 == 0) std::fprintf(fp, "\n%s", indent.c_str());
    }
    std::fputs(" );\n\n", fp);
}

// Declarations of one direction: at most nine names a statement, three to
// a line, continuation lines under the first name.
void write_declarations(FILE* fp, const char* keyword, const std::vector<std::string>& names) {
    const std::string field = STR_format("%-10s", keyword);
    for (size_t k = 0; k < names.size(); ++k) {
        if (k % 9 == 0) std::fputs(field.c_str(), fp);
        std::fprintf(fp, " %s", id(names[k]).c_str());
        const bool last = k + 1 == names.size();
        if (last || (k + 1) % 9 == 0) {
            std::fputs(";\n", fp);
            if (!last) std::fputs("\n", fp);
        } else {
            std::fputc(',', fp);
            if ((k + 1) % 3 == 0) std::fputs("\n          ", fp);
        }
    }
    std::fputs("\n", fp);
}

// ------------------------------------------------------------ the TAP

struct TapPortPin {
    const char* pin;
    bool output;
};

// The TAP's ports that the module passes through, in port-list order.
std::vector<TapPortPin> tap_module_ports(const BcmModule& m) {
    std::vector<TapPortPin> ports;
    auto add = [&](const char* pin, bool output) {
        if (set(pin)) ports.push_back({pin, output});
    };
    add(TAP_TMS_PIN, false);
    add(TAP_TCK_PIN, false);
    add(TAP_TDO_PIN, true);
    add(TAP_TDO_EN_PIN, true);
    // The high-impedance command for the groups' buffers in the top design.
    if (bcm_has_highz_port(m)) add(TAP_HIZ_PIN, true);
    add(TAP_TRST_PIN, false);
    add(TAP_TDI_PIN, false);
    return ports;
}

const char* chain_first() { return "BCM_first_Bcell"; }
const char* chain_back() { return "BCM_BOUNDARY_out"; }

// Nets between the TAP and the roots that no tree writer names.
const char* const kResetNet = "BCM_RESET";
const char* const kMode3Net = "BCM_MODE3";
const char* const kCellClockNet = "BCM_BCELL_TCK";

// The net of the TAP's MODE_1 output: the root of the mode-1 tree, or
// without one the module's port of a high-impedance command that rides
// MODE_1.
std::string mode1_net(const Trees& trees, const BcmModule& m) {
    if (trees[SIG_MODE1].built()) return trees[SIG_MODE1].root();
    if (bcm_highz_on_mode1() && bcm_has_highz_port(m)) return bcm_tap_port(TAP_HIZ_PIN);
    return "";
}

// The TAP instance: its ports to the module's, the two ends of the
// boundary register, and its control outputs to the roots of the trees.
void write_tap_instance(FILE* fp, const Trees& trees, const BcmModule& m, const ExtraTrees& extras) {
    std::vector<std::string> lines;
    auto to = [&](const char* pin, const std::string& net) {
        if (set(pin) && !net.empty())
            lines.push_back(STR_format("\t\t\t .%s\t( %s )", id(pin).c_str(), id(net).c_str()));
    };
    // A command that rides MODE_1 leaves the module on its own port,
    // assigned from the mode-1 net (write_root_assigns).
    const bool on_mode1 = bcm_highz_on_mode1();
    for (const TapPortPin& p : tap_module_ports(m))
        if (!(on_mode1 && p.pin == TAP_HIZ_PIN)) to(p.pin, bcm_tap_port(p.pin));
    if (TAP_CONTR) {
        to(without_low_mark(TAP_CONTR->first_bcell), chain_first());
        to(without_low_mark(TAP_CONTR->last_bcell), chain_back());
    }
    auto root = [&](Signal s) { return trees[static_cast<size_t>(s)].built() ? trees[static_cast<size_t>(s)].root() : ""; };
    to(TAP_SHIFT_PIN, root(SIG_SHIFT));
    to(TAP_CLOCK_PIN, root(SIG_CLOCK));
    if (BCELL_UPDATE_DR) to(TAP_UPDATE_PIN, root(SIG_UPDATE));
    if (BCELL_RST) to(TAP_RST_PIN, kResetNet);
    if (BCELL_MODE1) to(TAP_MODE1_PIN, mode1_net(trees, m));
    if (BCELL_MODE2) to(TAP_MODE2_PIN, root(SIG_MODE2));
    if (BCELL_MODE3) to(TAP_MODE3_PIN, kMode3Net);
    if (trees[SIG_HIGHZ].built() && tap_has_highz_port() && !bcm_has_highz_port(m)) to(TAP_HIZ_PIN, root(SIG_HIGHZ));
    if (JTAG_OPTION[OPT_SYNCH]) to("BCELL_TCK", kCellClockNet);
    for (size_t k = 0; k < extras.size() && static_cast<int>(k) < DYNA_count(TAP_EXTRA_PIN); ++k)
        if (extras[k].built()) to(TAP_EXTRA_PIN[k], extras[k].root());
    if (bcm_has_idcode_port()) to(bcm_idcode_port(), bcm_idcode_port());
    std::fprintf(fp, "\t%s\t%s(\n", id(or_text(TAP_MODULE_NAME, "")).c_str(), id(bcm_tap_instance()).c_str());
    for (size_t k = 0; k < lines.size(); ++k) std::fprintf(fp, "%s%s", lines[k].c_str(), k + 1 < lines.size() ? ",\n" : "");
    std::fputs(" );\n\n", fp);
}

// The roots that the TAP does not drive by their tree's own name.  The
// cells' HIGHZ pins take the command from the module's port when it has
// one, else from the mode-1 net when the command rides MODE_1, and are
// held inactive when the TAP has no HIGHZ instruction.
void write_root_assigns(FILE* fp, const Trees& trees, const BcmModule& m) {
    // The command on MODE_1: the mode-1 net carries it out.
    const bool on_mode1 = bcm_highz_on_mode1() && trees[SIG_MODE1].built();
    if (on_mode1 && bcm_has_highz_port(m)) write_assign(fp, bcm_tap_port(TAP_HIZ_PIN), trees[SIG_MODE1].root());
    if (trees[SIG_HIGHZ].built() && bcm_has_highz_port(m))
        write_assign(fp, trees[SIG_HIGHZ].root(), bcm_tap_port(TAP_HIZ_PIN));
    else if (trees[SIG_HIGHZ].built() && on_mode1)
        write_assign(fp, trees[SIG_HIGHZ].root(), trees[SIG_MODE1].root());
    else if (trees[SIG_HIGHZ].built() && !tap_has_highz_port())
        std::fprintf(fp, "assign %s = 1'b0;\n", id(trees[SIG_HIGHZ].root()).c_str());
    if (trees[SIG_RESET].built()) write_assign(fp, trees[SIG_RESET].root(), kResetNet);
    if (trees[SIG_MODE3].built()) write_assign(fp, trees[SIG_MODE3].root(), kMode3Net);
    std::fputs("\n", fp);
}

// ------------------------------------------------------------ cells

// Where the cells of one module take their names: the top module (the
// standard road) or a position sub-module.
struct CellScope {
    std::string group;         // "" in the top module
    int first = 0, last = 0;   // the module's first and last cell numbers

    // The net of the cells' TCK pins under -synch: the TAP's cell clock,
    // or the sub-module's port that carries it.
    std::string cell_clock() const { return group.empty() ? kCellClockNet : TOP_MODULE + "_" + group + "_TCK"; }

    std::string port(int n, BcmPort p) const {
        if (group.empty()) return bcm_cell_port(n, p);
        return STR_format("BCELL%d_%s_%s", n, group.c_str(), bcm_port_suffix(p));
    }
    // The scan output of the module (out of its first cell) and its scan
    // input (into its last cell).
    std::string scan_out() const { return group.empty() ? chain_back() : STR_format("BCELL%d_%s_SO", first, group.c_str()); }
    std::string scan_in() const { return group.empty() ? chain_first() : STR_format("BCELL%d_%s_SI", last, group.c_str()); }
};

// A cell must have the pins that its place in the module reads.
void check_cell_pins(const BcmCell& c) {
    struct {
        const char* pin;
        const char* keyword;
    } need[] = {{c.cell->tdi, "TDI"}, {c.cell->tdo, "TDO"}, {c.cell->data_in, "DATA_IN"}};
    for (const auto& n : need)
        if (!n.pin)
            qdx_exit_printf(-1, "ERROR: (%s) %%SCAN_CELL %s has no %%%s pin;\n       it can't be placed in the "
                                "boundary-cell module %s.\n\n",
                            JTAG_LIB_FILE.c_str(), or_text(c.cell->name, ""), n.keyword, bcm_module_name().c_str());
}

// The control-signal port of a pad that carries its own cell, by signal.
const BcmPort kPadControlPorts[SIG_COUNT] = {BcmPort::PadShift, BcmPort::PadClock, BcmPort::PadUpdate,
                                             BcmPort::PadHighz, BcmPort::PadMode1, BcmPort::PadMode2,
                                             BcmPort::PadMode3, BcmPort::PadReset};

bool in_the_pad(const BcmCell& c) {
    for (BcmPort p : c.ports)
        if (p == BcmPort::PadScanIn) return true;
    return false;
}

// A pad that carries its own cell: no instance here, only the ports that
// put the pad's cell on the chain and on the leaves of the trees.
void write_pad_cell(FILE* fp, const BcmCell& c, const CellScope& scope, Trees& trees) {
    check_cell_pins(c);
    const ScanCellEntry& cell = *c.cell;
    const int n = c.number;
    std::fputs("\n", fp);
    const std::string from = n == scope.first ? scope.scan_out() : STR_format("BCELL%d_so", n);
    const std::string to = n == scope.last ? scope.scan_in() : STR_format("BCELL%d_so", n + 1);
    write_assign(fp, from, scope.port(n, BcmPort::PadScanIn));
    write_assign(fp, scope.port(n, BcmPort::PadScanOut), to);
    for (int s = 0; s < SIG_COUNT; ++s)
        if (cell.*kSignals[s].pin)
            write_assign(fp, scope.port(n, kPadControlPorts[s]), trees[static_cast<size_t>(s)].next_leaf());
    if (JTAG_OPTION[OPT_SYNCH] && cell.tck) write_assign(fp, scope.port(n, BcmPort::PadTck), scope.cell_clock());
}

void write_cell(FILE* fp, const BcmCell& c, const CellScope& scope, Trees& trees, ExtraTrees& extras) {
    if (in_the_pad(c)) {
        write_pad_cell(fp, c, scope, trees);
        return;
    }
    check_cell_pins(c);
    const ScanCellEntry& cell = *c.cell;
    std::vector<std::string> lines;
    auto line = [&](const char* pin, const std::string& value) {
        if (pin) lines.push_back(STR_format("\t\t\t.%s\t( %s )", id(pin).c_str(), value.c_str()));
    };
    auto to = [&](const char* pin, const std::string& net) { line(pin, id(net)); };
    for (int s = 0; s < SIG_COUNT; ++s)
        if (cell.*kSignals[s].pin) to(cell.*kSignals[s].pin, trees[static_cast<size_t>(s)].next_leaf());
    for (size_t k = 0; k < extras.size(); ++k)
        if (const char* pin = bcm_extra_pin(cell, k)) to(pin, extras[k].next_leaf());
    if (JTAG_OPTION[OPT_SYNCH]) to(cell.tck, scope.cell_clock());
    const int n = c.number;
    to(cell.tdo, n == scope.first ? scope.scan_out() : STR_format("BCELL%d_so", n));
    to(cell.tdi, n == scope.last ? scope.scan_in() : STR_format("BCELL%d_so", n + 1));
    for (BcmPort p : c.ports) to(bcm_port_pin(cell, p), scope.port(n, p));
    if (const char* oe = bcm_tied_oe_pin(c)) line(oe, "1'b1");
    std::fprintf(fp, "\n\t%s\tBCELL%d(\n", id(or_text(cell.name, "")).c_str(), n);
    for (size_t k = 0; k < lines.size(); ++k) std::fprintf(fp, "%s%s", lines[k].c_str(), k + 1 < lines.size() ? " ,\n" : "");
    std::fputs(" );\n", fp);
    // A mux pad's mode ports, numbered by the cell, from their mode tree.
    for (BcmPort p : c.ports)
        if (mode_signal(p) >= 0) {
            std::fputs("\n", fp);
            write_assign(fp, scope.port(n, p), trees[static_cast<size_t>(mode_signal(p))].next_leaf());
        }
}

std::vector<std::string> cell_ports(const std::vector<const BcmCell*>& cells, const CellScope& scope, bool inputs) {
    std::vector<std::string> names;
    for (const BcmCell* c : cells)
        for (BcmPort p : c->ports)
            if (bcm_port_is_input(p) == inputs) names.push_back(scope.port(c->number, p));
    return names;
}

// The nets of the boundary register between the cells of one module.
std::vector<std::string> chain_nets(const std::vector<const BcmCell*>& cells, const CellScope& scope) {
    std::vector<std::string> nets;
    for (const BcmCell* c : cells)
        if (c->number != scope.first) nets.push_back(STR_format("BCELL%d_so", c->number));
    return nets;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

void write_wires(FILE* fp, const std::vector<std::string>& nets) {
    if (nets.empty()) return;
    write_declarations(fp, "wire", nets);
}

// The nets of the TAP in the module that holds it that no tree names.
std::vector<std::string> fixed_tap_nets() {
    std::vector<std::string> nets = {chain_first(), chain_back()};
    if (BCELL_RST) nets.push_back(kResetNet);
    if (BCELL_MODE3) nets.push_back(kMode3Net);
    if (JTAG_OPTION[OPT_SYNCH]) nets.push_back(kCellClockNet);
    return nets;
}

// The TAP and its nets in the module that holds it.
std::vector<std::string> tap_nets(const Trees& trees) {
    std::vector<std::string> nets = fixed_tap_nets();
    for (const Tree& t : trees)
        if (t.built()) nets.push_back(t.root());
    return nets;
}

// ------------------------------------------------------ standard road

std::vector<const BcmCell*> all_cells(const BcmModule& m) {
    std::vector<const BcmCell*> cells;
    for (const BcmCell& c : m.cells) cells.push_back(&c);
    return cells;
}

// The header and port declarations of the module "<top>_BCM": the ports
// of its cells (named in `scope`), the TAP's ports and the IDCODE bus.
void write_module_ports(FILE* fp, const BcmModule& m, const std::vector<const BcmCell*>& cells,
                        const CellScope& scope) {
    std::vector<std::string> header;
    for (const BcmCell* c : cells)
        for (BcmPort p : c->ports) header.push_back(scope.port(c->number, p));
    std::vector<std::string> tap_in, tap_out;
    for (const TapPortPin& p : tap_module_ports(m)) {
        header.push_back(bcm_tap_port(p.pin));
        (p.output ? tap_out : tap_in).push_back(bcm_tap_port(p.pin));
    }
    if (bcm_has_idcode_port()) header.push_back(bcm_idcode_port());
    write_header(fp, bcm_module_name(), header);
    write_declarations(fp, "input", cell_ports(cells, scope, true));
    write_declarations(fp, "output", cell_ports(cells, scope, false));
    write_declarations(fp, "input", tap_in);
    write_declarations(fp, "output", tap_out);
    std::fputs(bcm_idcode_declaration().c_str(), fp);
}

void write_standard(FILE* fp, const BcmModule& m) {
    const std::vector<const BcmCell*> cells = all_cells(m);
    CellScope scope;
    scope.first = 0;
    scope.last = static_cast<int>(cells.size()) - 1;
    write_module_ports(fp, m, cells, scope);
    Trees trees;
    ExtraTrees extras(bcm_extra_loads(cells));
    const std::string tree_text = trees_text(trees, loads_of(cells), extras);
    std::vector<std::string> nets = tap_nets(trees);
    append(nets, tree_nets(tree_text, trees));
    append(nets, chain_nets(cells, scope));
    write_wires(fp, nets);
    write_tap_instance(fp, trees, m, extras);
    write_root_assigns(fp, trees, m);
    std::fputs(tree_text.c_str(), fp);
    for (const BcmCell* c : cells) write_cell(fp, *c, scope, trees, extras);
    std::fputs("\t\tendmodule\n", fp);
}
// ------------------------------------------------------ position road

// The control ports of a position sub-module: shift and clock always, the
// others when a cell of the group takes the signal.
std::vector<int> control_signals(const Loads& loads) {
    std::vector<int> signals;
    for (int s = 0; s < SIG_COUNT; ++s)
        if (s == SIG_SHIFT || s == SIG_CLOCK || loads[static_cast<size_t>(s)] > 0) signals.push_back(s);
    return signals;
}

std::string control_port(const std::string& group, int signal) {
    return TOP_MODULE + "_" + group + "_" + kSignals[signal].port;
}

// Under -synch the cells' TCK pins take the TAP's cell clock.
bool takes_cell_clock(const std::vector<const BcmCell*>& cells) {
    if (!JTAG_OPTION[OPT_SYNCH]) return false;
    for (const BcmCell* c : cells)
        if (c->cell->tck) return true;
    return false;
}

std::string sub_module_name(const std::string& group) { return kest_edited_top() + "_" + group; }

// One position sub-module: its cells, with trees rooted at its control
// ports and its part of the boundary register between its SI and SO.
void write_sub_module(FILE* fp, const std::vector<const BcmCell*>& cells, const CellScope& scope) {
    const Loads loads = loads_of(cells);
    const std::vector<int> signals = control_signals(loads);
    std::vector<std::string> header, inputs = cell_ports(cells, scope, true), outputs = cell_ports(cells, scope, false);
    for (const BcmCell* c : cells)
        for (BcmPort p : c->ports) header.push_back(scope.port(c->number, p));
    header.push_back(scope.scan_out());
    header.push_back(scope.scan_in());
    for (int s : signals) {
        header.push_back(control_port(scope.group, s));
        inputs.push_back(control_port(scope.group, s));
    }
    const std::vector<int> extra_loads = bcm_extra_loads(cells);
    for (size_t k = 0; k < extra_loads.size(); ++k) {
        if (extra_loads[k] <= 0) continue;
        header.push_back(bcm_extra_port(scope.group, k));
        inputs.push_back(bcm_extra_port(scope.group, k));
    }
    if (takes_cell_clock(cells)) {
        header.push_back(scope.cell_clock());
        inputs.push_back(scope.cell_clock());
    }
    inputs.push_back(scope.scan_in());
    outputs.push_back(scope.scan_out());
    write_header(fp, sub_module_name(scope.group), header);
    write_declarations(fp, "input", inputs);
    write_declarations(fp, "output", outputs);
    Trees trees;
    ExtraTrees extras(extra_loads);
    const std::string tree_text = trees_text(trees, loads, extras);
    std::vector<std::string> roots;
    for (const Tree& t : trees)
        if (t.built()) roots.push_back(t.root());
    append(roots, tree_nets(tree_text, trees));
    append(roots, chain_nets(cells, scope));
    write_wires(fp, roots);
    for (int s : signals)
        if (trees[static_cast<size_t>(s)].built())
            write_assign(fp, trees[static_cast<size_t>(s)].root(), control_port(scope.group, s));
    for (size_t k = 0; k < extras.size(); ++k)
        if (extras[k].built())
            write_assign(fp, extras[k].root(), bcm_extra_port(scope.group, k));
    std::fputs("\n", fp);
    std::fputs(tree_text.c_str(), fp);
    for (const BcmCell* c : cells) write_cell(fp, *c, scope, trees, extras);
    std::fputs("\t\tendmodule\n\n\n\n", fp);
}

void write_positions(FILE* fp, const BcmModule& m) {
    const size_t count = m.positions.size();
    std::vector<std::vector<const BcmCell*>> groups(count);
    for (const BcmCell& c : m.cells) groups[static_cast<size_t>(c.position)].push_back(&c);
    std::vector<CellScope> scopes(count);
    for (size_t p = 0; p < count; ++p) {
        scopes[p].group = m.positions[p];
        scopes[p].first = groups[p].empty() ? 0 : groups[p].front()->number;
        scopes[p].last = groups[p].empty() ? -1 : groups[p].back()->number;
        if (!groups[p].empty()) write_sub_module(fp, groups[p], scopes[p]);
    }
    // The top module: the cells' ports, the TAP, and one tree load per
    // sub-module that takes a signal.
    const std::vector<const BcmCell*> cells = all_cells(m);
    CellScope top;
    write_module_ports(fp, m, cells, top);
    Loads loads{};
    std::vector<std::vector<int>> signals(count);
    // Each sub-module whose cells take an extra pin is one load of its tree.
    std::vector<int> extra_loads(static_cast<size_t>(DYNA_count(TAP_EXTRA_PIN)), 0);
    std::vector<std::vector<size_t>> extra_ports(count);
    for (size_t p = 0; p < count; ++p) {
        if (groups[p].empty()) continue;
        signals[p] = control_signals(loads_of(groups[p]));
        for (int s : signals[p]) ++loads[static_cast<size_t>(s)];
        const std::vector<int> own = bcm_extra_loads(groups[p]);
        for (size_t k = 0; k < own.size() && k < extra_loads.size(); ++k)
            if (own[k] > 0) {
                ++extra_loads[k];
                extra_ports[p].push_back(k);
            }
    }
    Trees trees;
    ExtraTrees extras(extra_loads);
    const std::string tree_text = trees_text(trees, loads, extras);
    std::vector<std::string> nets = tap_nets(trees);
    append(nets, tree_nets(tree_text, trees));
    std::vector<size_t> used;
    for (size_t p = 0; p < count; ++p)
        if (!groups[p].empty()) used.push_back(p);
    for (size_t k = 0; k + 1 < used.size(); ++k) nets.push_back(STR_format("BCELL%d_temp", scopes[used[k]].last));
    write_wires(fp, nets);
    write_tap_instance(fp, trees, m, extras);
    write_root_assigns(fp, trees, m);
    std::fputs(tree_text.c_str(), fp);
    for (size_t k = 0; k < used.size(); ++k) {
        const size_t p = used[k];
        const CellScope& scope = scopes[p];
        const std::string name = sub_module_name(scope.group);
        std::fprintf(fp, "\n\n\t%s   %s ( \n", id(name).c_str(), id(name).c_str());
        std::vector<std::string> lines;
        auto to = [&](const std::string& port, const std::string& net) {
            lines.push_back(STR_format("\t\t.%s ( %s )", id(port).c_str(), id(net).c_str()));
        };
        for (const BcmCell* c : groups[p])
            for (BcmPort port : c->ports) to(scope.port(c->number, port), top.port(c->number, port));
        for (int s : signals[p]) to(control_port(scope.group, s), trees[static_cast<size_t>(s)].next_leaf());
        for (size_t e : extra_ports[p]) to(bcm_extra_port(scope.group, e), extras[e].next_leaf());
        if (takes_cell_clock(groups[p])) to(scope.cell_clock(), kCellClockNet);
        to(scope.scan_out(), k == 0 ? chain_back() : STR_format("BCELL%d_temp", scopes[used[k - 1]].last));
        to(scope.scan_in(), k + 1 < used.size() ? STR_format("BCELL%d_temp", scope.last) : chain_first());
        for (size_t i = 0; i < lines.size(); ++i)
            std::fprintf(fp, "%s%s", lines[i].c_str(), i + 1 < lines.size() ? " ,\n" : " );\n");
    }
    std::fputs("\t\tendmodule\n", fp);
}

// ------------------------------------------------------ names taken

// Reads a cell number at the front of text (no leading zero); false when
// there is none.
bool take_number(std::string_view& text, int& number) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    const char* end = text.data() + text.size();
    auto [past, ec] = std::from_chars(text.data(), end, number);
    if (ec != std::errc() || (text[0] == '0' && past - text.data() > 1)) return false;
    text.remove_prefix(static_cast<size_t>(past - text.data()));
    return true;
}

// A name of a cell of the module: its instance "BCELL<n>", its chain net
// "BCELL<n>_so", the link between position groups "BCELL<n>_temp", or
// one of its ports "BCELL<n>_<suffix>".
bool cell_name(const BcmModule& m, std::string_view name) {
    const std::string_view stem = "BCELL";
    if (!name.starts_with(stem)) return false;
    name.remove_prefix(stem.size());
    int n = 0;
    if (!take_number(name, n) || n >= static_cast<int>(m.cells.size())) return false;
    if (name.empty() || name == "_so" || name == "_temp") return true;
    for (BcmPort p : m.cells[static_cast<size_t>(n)].ports)
        if (name == std::string("_") + bcm_port_suffix(p)) return true;
    return false;
}

// A name of a buffer tree: its buffers "<stem>_buf_<level>_<index>" and
// their nets, which add "_" and a pin name.
bool tree_name(std::string_view name) {
    const std::string_view mark = "_buf_";
    const size_t at = name.find(mark);
    if (at == std::string_view::npos) return false;
    const std::string_view stem = name.substr(0, at);
    bool known = false;
    for (const SignalInfo& s : kSignals) known = known || stem == s.stem;
    for (int k = 0, n = DYNA_count(TAP_EXTRA_PIN); k < n; ++k)
        known = known || stem == bcm_extra_stem(static_cast<size_t>(k));
    if (!known) return false;
    std::string_view rest = name.substr(at + mark.size());
    int level = 0, index = 0;
    if (!take_number(rest, level) || !rest.starts_with('_')) return false;
    rest.remove_prefix(1);
    return take_number(rest, index) && (rest.empty() || rest.starts_with('_'));
}

}  // namespace

bool bcm_module_makes_name(const BcmModule& m, const std::string& name) {
    for (const std::string& net : fixed_tap_nets())
        if (name == net) return true;
    for (const TapPortPin& p : tap_module_ports(m))
        if (name == bcm_tap_port(p.pin)) return true;
    if (bcm_has_idcode_port() && name == bcm_idcode_port()) return true;
    for (const std::string& group : m.positions)
        if (name == sub_module_name(group)) return true;
    return cell_name(m, name) || tree_name(name);
}

void get_BCM_in_RTL(FILE* fp, const BcmModule& module) {
    // The trees are Verilog here, never command-file lines.
    PAD_MODULE_EXIST = 0;
    if (module.positions.empty())
        write_standard(fp, module);
    else
        write_positions(fp, module);
}

void jtagsyn_bcm(const BcmModule& module) {
    rtltap::check_rtl_tap_description();
    // The TAP's own database first: the module's netlist names it as a
    // master, and as a library cell it stays one instance when the edited
    // design is expanded.  The port-only module it is compiled from is
    // removed after the compile, and by a signal that ends the run before
    // (an error exit leaves it beside the compile's log).
    const std::string port_only = TOP_MODULE + "_TAP_empty.v";
    RT_remove_at_end(port_only, RtRemove::WhenKilled);
    jtag_compile_port_only_tap();
    std::error_code ec;
    std::filesystem::remove(port_only, ec);
    RT_forget(port_only);
    jtag_write_rtl_tap();
    // The module is Verilog whatever the language of the TAP: its file is
    // named ".v" also with -vhdl.
    const std::string bcm = bcm_module_name();
    const std::string name = kest_output_file(bcm + ".v");
    {
        AtomicFile file(name);
        if (!file.open()) qdx_exit_printf(-1, "ERROR: can't open file '%s'.\n\n", name.c_str());
        qdx_printf(" - Synthesizing RTL BCM module (%s) ...\n", bcm.c_str());
        get_BCM_in_RTL(file.stream(), module);
        if (!file.commit()) top_write_failed(name, file.why());
    }
    RT_remove_at_end(name, RtRemove::IfFailed);
    qdx_printf("    .BCM module (%s) was written into file '%s'.\n\n", bcm.c_str(), name.c_str());
    // The module is compiled as a netlist, not as a library cell: the
    // expansion of the edited design then replaces its instance by the
    // cells, the TAP and the trees it holds, so the expanded chip carries
    // its boundary register as every other road's does.
    std::vector<std::string> compile = {"tessick", RT_file_arg(name)};
    const std::vector<std::string> lib = jtag_tessick_opath();
    compile.insert(compile.end(), lib.begin(), lib.end());
    RT_remove_at_end(bcm + ".tessick.log", RtRemove::WhenKilled);
    if (RT_run(compile, "BSCAN.log", false, nullptr) != 0) {
        // The module stays beside the compile's log, which is about it.
        RT_forget(name);
        std::printf(" ERROR IN tessick !! ");
        std::fflush(stdout);
        qdx_exit(-1);
    }
    std::filesystem::remove(bcm + ".tessick.log", ec);
    std::filesystem::remove("BSCAN.log", ec);
    const std::filesystem::path compiled = (lib.empty() ? std::filesystem::path() : std::filesystem::path(lib.back())) / (bcm + ".sdb");
    RT_remove_at_end(compiled.string(), RtRemove::IfFailed);
}
