// The instances of a scan or BIST chain: an instance file (a PSO file)
// read into the chain's SCAN_INSTANCES node and into the instance tables,
// and a SCAN_INSTANCES node turned into element and group lists.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scanlang/front/ast.h"
#include "scanlang/object/dft_object.h"

// One row of the instance tables.
struct InstanceTabRow {
    std::string name;
    int number = -1;
    int complement = 0;
    int inverse1 = 0;
    int inverse2 = 0;
    std::string cell_name;  // none when not given
    std::string cell_pin;   // none when not given
};

// The DONT_SCAN, DONT_MODIFY and MUST_BE_TRANSPARENT instances of the
// instance files read since they were last cleared.
extern std::vector<InstanceTabRow> DONT_SCAN_TAB;
extern std::vector<InstanceTabRow> DONT_MODIFY_TAB;
extern std::vector<InstanceTabRow> MUST_BE_TRANS_TAB;
void sl_clear_instance_tables();

// What an instance file says besides its instances, for the chain that
// read it to keep: its scan pads and its buffer names.
struct InstanceFileInfo {
    std::optional<PsoScanPadRecord> scan_in_pad;
    std::optional<PsoScanPadRecord> scan_out_pad;
    TextList buffers;
};

// Reads the instance file `file` (resolved against the DFT file's
// directory) for the chain `entry`: the entry's SCAN_INSTANCES node
// (made when absent) is emptied and gets one GROUP_NODE per instance or
// group of the file's scan lists, in the order must-scan, KR-scan,
// full-scan, selected-scan, scan-group; the file's last CLOCK_ORDER is
// appended to the entry; its DONT_SCAN, DONT_MODIFY and
// MUST_BE_TRANSPARENT instances become rows of the tables above.  Under
// the caller type 5 nothing is read.  A file that cannot be opened ends
// the run (error 0), and so does FULL_SCAN with another scan list.
InstanceFileInfo CONVERT_FILE_INSTANCES(const std::string& file, ScanAstNode* entry);

// The elements and groups of a SCAN_INSTANCES node: one group per child,
// one element per instance or cell of the group.
struct ConvertedInstances {
    std::vector<InstanceElement> elements;
    std::vector<GroupListRecord> groups;  // elements by index; number = the group's item count
};
ConvertedInstances CONVERT_SCAN_INSTANCES(const ScanAstNode* scan_instances);
