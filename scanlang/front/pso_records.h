// What the rules of a PSO file record besides its tree: one instance
// record per must-scan, KR-scan or must-be-transparent instance (and per
// pipeline and lockup-latch statement), the buffer names, the lockup-latch
// groups and the declared clocks.  A new PSO file starts them afresh.
#pragma once

#include <string>
#include <vector>

struct InstanceElement {
    std::string instance;
    std::string capture;  // "CAPTURE1" when the name carries it
    int chain = -1;       // chain index, -1 when not given
    int complement = 0;
    int inverse1 = 0;
    int inverse2 = 0;
    std::string cell_name;
    int control = 0;
    int observe = 0;
    int transition = 0;
    int pipeline = 0;
    int clock_index = -1;  // the clock declared last before the statement
    // Read by the object model from the instances of a chain: 1 when the
    // element names a cell rather than an instance, its port names, and
    // the kinds of its CONTROL / OBSERVE / TRANSITION / PIPELINE words
    // (-1 when not given).
    int is_cell = 0;
    std::string port_name;
    std::string second_port_name;
    int control_kind = -1;
    int observe_kind = -1;
    int transition_kind = -1;
    int pipeline_kind = -1;
};

// A lockup-latch group: indices into sl_pso_instances.
struct GroupListRecord {
    std::vector<std::size_t> elements;
    int number = -1;
};

inline InstanceElement NEW_INSTANCE_ELEMENT() { return {}; }
inline GroupListRecord NEW_GROUP_LIST() { return {}; }

extern std::vector<InstanceElement> sl_pso_instances;
extern std::vector<std::string> SL_BUFFER_LIST;
extern std::vector<GroupListRecord> SL_GROUP_LIST;
extern std::vector<std::string> sl_pso_clock_list;
extern int sl_pso_clock_index;
extern int sl_pso_scan_in_pad_flag;
extern int sl_pso_scan_out_pad_flag;
