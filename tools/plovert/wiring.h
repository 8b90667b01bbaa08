// Connectivity edits of the current design in constant time per node.
//
// The design keeps each net as a singly linked list of nodes (net's
// first node, each node's next).  Taking a node off such a list means
// finding its predecessor, and appending means finding the tail; on
// large nets, edit after edit, that is quadratic.  Wiring keeps the
// predecessor of every node and the tail and size of every net beside
// the tables and updates both together, so a detach or attach costs O(1)
// and a merge O(size of the net that is given up).
//
// All connectivity changes of the edited design go through one Wiring,
// built after the design is opened; new nodes and nets made by the
// database's makers are taken in by grow().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plovert {

class Wiring {
public:
    // Reads the net lists of the current design.
    void build();
    // Takes in nodes and nets appended to the tables since.
    void grow();

    // The node leaves its net (nothing when it has none).
    void detach(int node);
    // The node, on no net, is appended to net.
    void attach(int net, int node);
    // Node b, on no net, takes node a's place (and flags) on a's net; a is
    // left on no net.
    void substitute(int a, int b);
    // Joins two different nets: the nodes of one move to the other, the
    // emptied net is deleted.  Net 0 (GND) and net 1 (VCC) always stay;
    // otherwise the larger net stays (a on a tie).  Returns the net that
    // stays.  The caller makes sure a and b are not GND and VCC.
    int merge(int a, int b);
    // A new net without nodes, named name.
    int new_net(const std::string& name);

    int size(int net) const { return size_[static_cast<std::size_t>(net)]; }

private:
    static constexpr std::int32_t kOff = -2;  // prev_ of a node on no list
    std::vector<std::int32_t> prev_;  // per node: predecessor, -1 at the head, kOff when on no list
    std::vector<std::int32_t> tail_;  // per net: last node, -1 when empty
    std::vector<std::int32_t> size_;  // per net: number of nodes
};

}  // namespace plovert
