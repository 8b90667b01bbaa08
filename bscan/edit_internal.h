// Helpers shared by the writers of the design edits: the five TAP ports
// with their pad records, and the look-up of module databases.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bscan/edit.h"
#include "runtime/strfmt.h"

namespace bsedit {

// One line of a command file put together from its pieces (texts and
// numbers) and written in one call: a command file has a line for every
// pin that the insertion edits, and formatting each through printf cost
// more than everything else the lines need.  A null text is written as
// printf writes it, "(null)".
namespace cmdline {
inline void put(std::string& s, std::string_view v) { s.append(v); }
inline void put(std::string& s, const char* v) { s.append(v ? v : "(null)"); }
inline void put(std::string& s, int v) { s.append(STR_Digits(v).view()); }
inline void put(std::string& s, long v) { s.append(STR_Digits(v).view()); }
inline void put(std::string& s, unsigned long v) { s.append(STR_Digits(v).view()); }

// The text of the line being put together; its storage serves line
// after line.
inline std::string& line_text() {
    thread_local std::string text;
    return text;
}
}  // namespace cmdline

template <class... Parts>
void write_line(FILE* fp, const Parts&... parts) {
    std::string& line = cmdline::line_text();
    line.clear();
    (cmdline::put(line, parts), ...);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), fp);
}

// One standard TAP port: its configuration name, the TAP pin, the pad
// record and its row.
struct TapPort {
    const char* word;            // "tdi", "tms", "tck", "trst", "tdo"
    int kind;                    // 1 TDI, 2 TMS, 3 TCK, 4 TRST, 5 TDO
    char* const* global;         // GLOBAL_TDI ...
    const char* const* tap_pin;  // TAP_TDI_PIN ...
    PadEntry** record;
    int* index;
    bool tdo;
    int flag;  // TAP_FLAG word: the TAP's input pin, or the TDO pad's data pin

    // The port name without a leading "-", none when not configured.
    const char* port() const;
    // "qdx_tap_<word>".
    std::string qdx_port() const;
    // "TDI_PAD" ...
    std::string pad_name() const;
    const char* pin() const;  // the TAP pin, "" when none
};

enum : int { TAP_PORT_TDI = 1, TAP_PORT_TMS = 2, TAP_PORT_TCK = 3, TAP_PORT_TRST = 4, TAP_PORT_TDO = 5 };

const TapPort& tap_port(int kind);
// The ports of the kinds given, in that order; TRST only with GLOBAL_TRST.
std::vector<const TapPort*> tap_ports(std::initializer_list<int> kinds);

// The record's pad pin that carries the TAP signal: the pin from the core
// for TDO, the pin to the core for the others.
char*& record_pin(PadEntry& p, bool tdo);
inline const char* record_pin(const PadEntry& p, bool tdo) { return tdo ? p.pin_from_core : p.pin_to_core; }
// The enable pin of a pad by its pin row's enable polarity.
const char* record_enable(const PadEntry& p);
// A constant tie: 0 (GND) or 1 (VCC).
inline bool tied(int flag) { return flag == 0 || flag == 1; }
// An input pin of the design's TAP tied to a constant, or left on no net,
// while its port has a pad: the pin (leaving the constant) takes the
// pad's pin toward the core.
bool unwired_tap_input(const TapPort& tp);
// A pad record needs a new port to reach the TAP (its mode1_net), and so
// does its enable (its mode2_net).
inline bool needs_port(const PadEntry& p) { return p.mode1_net == 1; }
inline bool enable_needs_port(const PadEntry& p) { return p.mode2_net == 1; }

// How far a TAP pad's pin (or the TDO pad's enable) climbs the pads'
// module path toward the TAP: `stop` is the level (0 the module that holds
// the pad) where it stays, `limit` the level of the TAP (the path's length
// when the TAP is not on it).  A pin that stops below the TAP's level
// leaves its module at `stop` through a new port, which every module up to
// the TAP's level passes on; `inst` and `pin` name it at the stop level.
struct PinReach {
    int stop = 0;
    bool port = false;
    // The pin is tied to a constant, which it leaves for the new port.
    bool cut = false;
    std::string inst, pin;
};
const PinReach& tap_reach(int kind);
const PinReach& tdo_enable_reach();

// Finds "<PATH><module>.sdb" along the search path; ends the run when it
// is missing ("ERROR: Can't find file ...", screen only).
std::string module_sdb(const char* module);

// A pin of the current design followed one level up: when the net on
// (inst, pin) leaves the module through a port, inst becomes `parent` and
// pin the port's name.
enum class Lift { Unchanged, NoOtherEnd, Lifted };
Lift lift_pin(std::string& inst, std::string& pin, const char* parent);

// Several IO-pad modules: a port item (direction 0 input, 1 output) and a
// connection item of a MULTI_IO_TAB row, written after the row's replace
// lines; an empty instance names a port of the row's module.  With `cut`
// the first pin leaves its net (a constant tie) before it is joined.
void add_row_port(int row, const std::string& name, int direction);
void add_row_connect(int row, const std::string& inst1, const std::string& pin1, const std::string& inst2,
                     const std::string& pin2, bool cut = false);
// Forgets how far the TAP pads' pins climbed, and the TDO enable's lifted
// pin (TDO_ENABLE_LIFTED).
void reset_tap_reach();
// A pin of a pad that carries its own cell (SCAN_TAB row s; pin is one of
// the row's own pin strings) that lies on a net of the design leaves it
// before the chain or a TAP signal is joined to it (a line "disconnect";
// a constant tie is named in a warning); any other pin is left alone.
// Only a pin that is joined right after is given: one that nothing joins
// keeps the net the design gave it.
void leave_design_net(FILE* fp, const ScanChainEntry& s, const char* pin);
// The same for both chain pins of the cell, which the chain always joins.
void leave_design_nets_of_chain(FILE* fp, const ScanChainEntry& s);
// Frees the tree depths and cursors of the chain writer.
void reset_chain_state();
// Forgets the row files of several IO-pad modules (closed by then, or
// removed with the open command files).
void reset_multi_io_state();
// The TAP pins that the cells' control signals come from.
std::vector<const char*> tap_control_pins();
// The disconnect lines of the design's own TAP instance (without -add_tap):
// its tied control pins and its chain ends leave their nets; `only`, when
// given, limits them to the pins named there.
void disconnect_design_tap_pins(FILE* fp, const std::set<std::string>* only = nullptr);
// Ends the run: the TAP names no buffer (HIZ_BUF) for the high-impedance
// buffer of a pad's group.
[[noreturn]] void no_highz_buffer(const char* pad_instance);

}  // namespace bsedit
