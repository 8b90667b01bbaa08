// Masters of added and replaced instances that the edited design does
// not hold as a class yet: their design databases, read for their ports.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace plovert {

struct MasterPorts {
    int type = 0;  // class type: 1 for a design compiled as a library cell, else 0
    std::vector<std::pair<std::string, int>> pins;  // ports in the order of the port list, with directions
};

// Reads the ports of the design database at path while another design
// is current: the current design, its alias tables and alias path stay
// as they are.  False with the reason in err when it cannot be read.
bool read_master(const std::string& path, MasterPorts& out, std::string& err);

}  // namespace plovert
