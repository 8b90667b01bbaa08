// The core side of a pad as the cell writers see it: the partner of a pad
// pin (an instance pin, a port or a constant net, as a command file names
// it), with the transparent buffers of the library looked through, and
// the source of a pad's enable.  The design read is the one being edited,
// open and current.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bscan/tables.h"

namespace bstrace {

// The other end of a net as a command file names it.
struct Partner {
    enum Kind { NONE, PIN, PORT, CONSTANT } kind = NONE;
    std::string text;
    int node = -1;
    int direction = -1;  // of the pin or port
};

// A pad (or the transparent buffer that stands for it) and its partner on
// the core side.
struct Traced {
    std::string inst;
    std::string pin;
    Partner partner;
};

// "inst{pin}".
std::string pin_of(const std::string& inst, const std::string& pin);

// The first end of the node's net that is no pin of object obj; a net
// tied to a constant is named by that constant.
Partner other_end_of_object(int node, int obj);
// The former partner of a top port (its driver or its load).
Partner port_partner(const char* signal);

// The other ends of a top port's net: the instance outputs and input
// ports that drive it, and the instance inputs and output ports that read
// it; a bidirectional pin or port is in neither list.  constant is set
// for a net tied to GND or VCC (the lists are then empty).
struct PortNetEnds {
    std::vector<Partner> drivers, loads;
    bool constant = false;
};
PortNetEnds port_net_ends(const char* signal);

// Ends the run: "ERROR: <what> Pad '<pad>' is floating." and the hint to
// skip the port.
[[noreturn]] void floating(const char* what, const char* pad, const char* port);

// Traces the core side of a pad pin: to_core for the pin that delivers
// the data to the core, else the pin that takes it from the core.  A pad
// whose pin leads nowhere ends the run with "ERROR: <what> Pad '...' is
// floating." naming the port; so does a transparent buffer on the way
// that the library does not describe fully.
Traced trace_core(const char* inst, const char* pin, bool to_core, const char* what, const char* port);

// The enable pin of a pad buffer, by its pin row's enable polarity.
const char* pad_enable(const PadEntry& p);

// The driver of the net on an instance's enable pin, for a control cell's
// DATA_IN: constants and marked nets by their names, else the first port
// that drives the net or the first instance pin that is no input; "" when
// there is none.
std::string enable_source(int obj, const char* enable);

// The ends that the cell writers moved off their nets in the module being
// edited (by its row of several IO-pad modules), each with the pin that
// took its place there: a pad pin that a cell cut from its net, a port
// that a cell stands behind, a pad's enable that a control cell took
// over.  The writers find the other end of a net in the design as it was;
// a later writer that reaches a net through a moved end (the load of an
// input pad's output that is another pad's enable, the source of that
// enable) joins the pin that stands in its place instead, so that the
// cells come out the same whichever pad of the net is cut in first.
void moved(const std::string& end, const std::string& by);
// The end that is on the net of `end` (a partner or an enable source found
// in the design) now: `end` itself, or the pin that took its place.
std::string on_net(const std::string& end);
// Forgets the moved ends, for a new insertion.
void forget_moved_ends();

// Ends the run: the enable of the pad has no source to feed a control cell.
[[noreturn]] void no_enable_source(const PadEntry& p);

// An inverter "B_PAD_INV<n>" of the library's INVERTER cell, added to the
// command file fp between `from` and `to` (the enable of a pad that takes
// the TAP's high-impedance command active low).
void inverter_to(FILE* fp, int n, const std::string& from, const std::string& to);

}  // namespace bstrace
