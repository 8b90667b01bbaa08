// The internal and observe-only points, the mux pads, the ports without a
// pad and the pads that carry their own cell on the -add_bcm road: their cells in the boundary-cell module and the lines of the top
// design's command file that wire them.  bcm_enumerate asks here for the
// cells of such a pad, the command-file writer for their lines, so both
// writers of the module read one list.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "bscan/bcm/bcm.h"

// True for the pad kinds built here: internal and observe-only points and
// the mux kinds.
bool bcm_mux_road(const PadEntry& p);

// True for the mux kinds that carry a control cell for their enable, as
// the three-state and bidirectional kinds do.
bool bcm_mux_carries_control(const PadEntry& p);

using BcmAddCell = std::function<void(BcmRole, ScanCellEntry*, std::vector<BcmPort>)>;
// The module cells of such a pad (its control cell aside), in module
// order.  A mux clock pad and a mux output driven through its enable get
// no cell, as on the default road.
void bcm_mux_cells_of_pad(const PadEntry& p, const BcmAddCell& add);

// Before the module is written: each mode port of a mux pad needs the
// TAP's mode pin of its number; ends the run when the TAP lacks it.
void bcm_mux_settle_mode_pins(const BcmModule& module);

// The report counter of a (non-control) cell of such a pad.
void bcm_mux_count_cell(const PadEntry& p, const BcmCell& c);

// The command-file lines of a (non-control) cell of such a pad.
void bcm_mux_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c);

// True for a port without a pad (-no_pad) that the road takes: an input,
// clock or two-state output port, the port standing for its pad.
bool bcm_port_stands_for_pad(const PadEntry& p);
// The command-file lines of such a port's cell: it sits between the port
// and the port's former partner.
void bcm_port_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c);

// True for a pad of the input, clock, output, three-state or
// bidirectional kind whose buffer carries its own boundary cell
// (%BS_BUFFER): the cell stays in the pad, and the module only links it.
bool bcm_pad_carries_cell(const PadEntry& p);
// The module ports that link such a pad's cell.
std::vector<BcmPort> bcm_pad_cell_ports(const PadEntry& p);
// The command-file lines that join such a pad's scan and control pins to
// the module's ports.
void bcm_pad_cell_lines(FILE* fp, const PadEntry& p, const BcmCell& c);
