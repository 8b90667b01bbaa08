// The options and extra TAP pins of the -add_bcm road: the TAP's IDCODE
// bus from outside (-external_idcode), the %EXTRA_n pins of the cells,
// and the group sizes of the module's buffer trees (-df_speed).  The
// module writer (bscan/bcm/rtl_bcm.cpp) and the top design's command file
// (bscan/bcm/bcm_flow.cpp) both take these names from here.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bscan/bcm/bcm.h"
#include "bscan/tables.h"

// With -external_idcode and an IDCODE register the module brings the
// TAP's 32-bit IDCODE bus out as its own port "IDCODE", which the top
// design's command file ties bit by bit.
bool bcm_has_idcode_port();
const char* bcm_idcode_port();
// The module's declaration of that port, "" without it.
std::string bcm_idcode_declaration();

// The loads of each %EXTRA_n tree (entry n-1) among the cells: one per
// cell with that pin.  As long as the TAP's list of extra pins.
std::vector<int> bcm_extra_loads(const std::vector<const BcmCell*>& cells);
// The tree name stem of %EXTRA_n (k = n-1): "extra<n>", as on the default road.
std::string bcm_extra_stem(size_t k);
// The control port of a position sub-module for %EXTRA_n (k = n-1).
std::string bcm_extra_port(const std::string& group, size_t k);
// The cell pin that %EXTRA_n (k = n-1) drives, nullptr when the cell has none.
const char* bcm_extra_pin(const ScanCellEntry& cell, size_t k);

// The leaf groups of a tree of n loads: at most %GROUP_SIZE loads a leaf
// (one group for all without it); under -df_speed one place fewer for the
// trees it chains (all but those of the extra pins), as for the chains of
// the default road.
GroupSizeList bcm_group(int loads, bool chained_by_df_speed);
// Ends the run, before any file, when the trees can't be grouped: under
// -df_speed a %GROUP_SIZE of 1 leaves a leaf no room for a load.
void bcm_check_group_size();
