// The enables of three-state and bidirectional pads on the -add_bcm road:
// output-enable cells and their control cells, control cells shared with
// pads whose cells lie outside the module, and the high-impedance groups
// that take the TAP's high-impedance command.
//
// A data cell whose %OE_MODE pin is an input watches the enable that its
// pad sees: the module port "BCELL<n>_OE" joins the pad's enable net once
// every enable line of the command file is written.
//
// A pad of a high-impedance group (its enable tied to a constant or left
// open) is driven from "highz_buf<g>", a buffer of its group in the top
// design whose input is the module's output port "BCM_<pin>" for the
// TAP's %HIGHZ_COMMAND pin.  The buffer carries the command active high;
// an active-high enable takes it through an inverter "B_PAD_INV<n>", so
// that in functional mode the pad stays enabled as before the edit.  An
// enable tied to its disabled level stays as it is, and without a HIGHZ
// instruction the command never comes: such enables are not touched, and
// the cells' %HIGHZ pins are held inactive inside the module.
#pragma once

#include <cstdio>
#include <vector>

#include "bscan/bcm/bcm.h"

// True when the module's TAP sends the high-impedance command out to the
// groups' buffers and the cells' %HIGHZ pins: on its own %HIGHZ_COMMAND
// output, or on its MODE_1 output when the command shares that pin (the
// HIGHZ instruction then drives MODE_1 with EXTEST and its siblings).
// False without a HIGHZ instruction, and when the command shares MODE_2
// or MODE_3, which the HIGHZ instruction does not drive.
bool bcm_tap_sends_highz();
// True when that output is MODE_1.
bool bcm_highz_on_mode1();

// Appends the port "OE" of a data cell whose %OE_MODE pin is an input,
// when its pad has an enable to watch.
void bcm_add_oe_port(const PadEntry& p, const ScanCellEntry* cell, std::vector<BcmPort>& ports);
// The %OE_MODE input of a data cell whose pad has no enable (it always
// drives), which the module ties to 1; none for any other cell.
const char* bcm_tied_oe_pin(const BcmCell& c);

// The output-enable control cell that a pad carries for its enable (and
// for the pads that share it), none when it carries none.
ScanCellEntry* bcm_carried_oe_control_cell(const PadEntry& p);

// How the pads of the module's cells take the high-impedance command, by
// OPIN_TAB row; empty when none takes it.  Opens the top design read-only
// to see what drives the enables.
std::vector<BcmHighzDrive> bcm_highz_drives(const BcmModule& m);

// True when the module passes the TAP's high-impedance command out on the
// port "BCM_<pin>".
bool bcm_has_highz_port(const BcmModule& m);

// Ends the run ("not available in this version") for enables that the
// road does not build.
void bcm_refuse_untaken_enables(const BcmModule& m);

// Gives every control row whose cell sits in the module the module pin of
// that cell ("<top>_BCM" and "BCELL<n>_OUT"), so that a pad written by
// another writer that shares the cell names the pin.  Call before the
// first pad is written.
void bcm_publish_control_cells(const BcmModule& m);

// The enable lines that follow the cells' own lines in the top design's
// command file: pads that share a control cell outside the module or an
// output-enable control cell, the high-impedance groups, and last the
// "OE" ports of the output-enable cells.  The top design is open and
// current.
void bcm_enable_lines(FILE* fp, const BcmModule& m);
