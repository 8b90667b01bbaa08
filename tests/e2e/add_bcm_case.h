// The -add_bcm end-to-end case (tests/e2e/add_bcm_test.cpp runs it): a
// patched fixture chip, the options of the run and what the module must
// hold.  Test files instantiate AddBcm with their own rows.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/fixture_chip.h"

namespace add_bcm {

using testsupport::Patch;

struct BcmCase {
    std::string name;
    std::vector<std::string> options;
    std::vector<Patch> patches;
    std::string sub_module;  // a position sub-module the module must hold, "" for none
    bool simulate = true;    // the cell models follow the TAP's clocking
    size_t cells = 9;        // boundary cells, the length of the boundary register
    size_t inverters = 0;    // of active-low ports, two per data path through a cell
};

inline void PrintTo(const BcmCase& c, std::ostream* os) { *os << c.name; }

class AddBcm : public ::testing::TestWithParam<BcmCase> {};

// The pin file with no direction texts ("*"): the module without
// position groups.
std::vector<Patch> without_directions();

// Every boundary cell with more input pins (which the models leave
// unused): "pins" as the models name them, "keywords" as the library does.
inline std::vector<Patch> cells_with(const std::string& pins, const std::string& keywords) {
    std::vector<Patch> p;
    for (int i = 0; i < 4; ++i) {
        p.push_back({"cells.v", "UPDATE, MODE);", "UPDATE, MODE, " + pins + " );"});
        p.push_back({"cells.v", "UPDATE, MODE;", "UPDATE, MODE, " + pins + " ;"});
        p.push_back({"chip.lib", "%TDI SI; %TDO SO;", "%TDI SI;  %TDO SO; " + keywords});
    }
    return p;
}

// The core's bidirectional data through a buffer: both sides of the pad
// live, so it takes one bidirectional cell, or without %BIDIR_SCAN an
// input cell and an output cell.
inline const Patch kLiveBidir{"chip.v", "  assign bidir_out = bidir_in;", "  BUF bi (.A(bidir_in), .Y(bidir_out));"};
inline const Patch kNoBidirCell{"chip.bsc", "    %BIDIR_SCAN   BC_BIDIR;", ""};

inline const Patch kGroupSize2{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 2;"};
inline const Patch kGroupSize0{"chip.lib", "%GROUP_SIZE 8;", "%GROUP_SIZE 0;"};
inline const Patch kNoGroupSize{"chip.lib", "%GROUP_SIZE 8;", ""};
// Active-low ports: an input, a three-state output and a bidirectional
// pin with both sides live.
inline const std::vector<Patch> kActiveLow{{"chip.pin", "RST_N   rst_n", "RST_N   -rst_n"},
                                    {"chip.pin", "DOUT1   dout1", "DOUT1   -dout1"},
                                    {"chip.pin", "BIDIR0  bidir0", "BIDIR0  -bidir0"},
                                    kLiveBidir};
inline const Patch kOddDirection{"chip.pin", "din1    in ", "din1    in.x "};


}  // namespace add_bcm
