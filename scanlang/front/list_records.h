// Small list records built by the grammar actions, the merging of legal
// input patterns and the object model.
#pragma once

#include <string>
#include <vector>

// One statement over two lists of names, e.g. ports and their patterns.
struct TwoIdentListRecord {
    std::vector<std::string> first;   // e.g. the ports
    std::vector<std::string> second;  // e.g. the patterns
    int line = -1;                    // source line; -1 when made by the program
};

// One combined statement and the statements it was made from.
struct DoubleTwoIdentListRecord {
    TwoIdentListRecord combined;
    std::vector<TwoIdentListRecord> members;
};

inline TwoIdentListRecord NEW_TWO_IDENT1_LIST() { return {}; }
inline DoubleTwoIdentListRecord NEW_DOUBLE_TWO_IDENT1_LIST() { return {}; }
