// Helpers of the insertion tests: small designs made with the database
// makers, description files written into a temporary directory, and the
// steps of the insertion up to the ordered pad table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bscan/bscan.h"
#include "support/testsupport.h"

namespace bstest {

// A design made in memory with the makers; it is the current design from
// construction on.  Names with the hierarchy separator "." make prefix
// entries: declare the levels first with level().
class Design {
public:
    Design();
    // A class with pins {name, direction} (SDB_DIR_*).
    int cell(const char* name, std::initializer_list<std::pair<const char*, int>> pins);
    // A top port with a net of its own name.
    int port(const char* name, int direction);
    // A hierarchy level "a.b" of module `module` (its parent declared before).
    void level(const char* path, const char* module);
    int inst(const char* name, const char* cls);
    // The net of that name, made when missing ("GND" and "VCC" are nets 0 and 1).
    int net(const char* name);
    // Puts the instance's pin on the net.
    void wire(const char* net_name, const char* inst_name, const char* pin);
    // Wires several pins of one instance: {pin, net} pairs.
    void pins(const char* inst_name, std::initializer_list<std::pair<const char*, const char*>> pin_nets);

private:
    int sym(const char* s);
    int prefix_of(const std::string& path) const;
    std::vector<std::pair<std::string, int>> levels_;
};

// A library cell's own design "<name>.sdb" in the working directory (the
// scan-cell checks look for one), with ports {name, direction}.
void save_cell_design(const char* name, std::initializer_list<std::pair<const char*, int>> ports);

// The description files of the tests.  Each text replaces the default one
// when it is not empty; tap_extra goes into the TAP controller's block and
// cells_extra into %SCAN_CELLS.
struct Descriptions {
    std::string pin_rows;          // the rows of t.pin (a %PACKAGE_TYPE line is added)
    std::string tap_extra;         // e.g. "%GROUP_SIZE 2;"
    std::string highz = "%HIGHZ_COMMAND HIGHZ;";  // the TAP's high-impedance command
    std::string cells_extra;       // more %SCAN_CELLS entries
    std::string lib_extra;         // more library blocks
    std::string bsc_extra;         // more configuration items
    std::string skip = "tdi, tms, tck, tdo";
    bool default_cells = true;     // the %SCAN_CELLS entries of the default configuration
};

// Writes t.lib, t.bsc and t.pin into the working directory, reads them,
// and makes the designs of every scan cell of the library.
void read_descriptions(const Descriptions& d);

// The pad cells, boundary cells, core cells and TAP controller classes
// that the library of read_descriptions names, made in the design, and a
// TAP instance "TAP" with its standard pads: tdi, tms, tck (PIN_IN) and
// tdo (PIN_TRI), TDO_EN on the tdo pad's OE.
void add_library_classes(Design& d);
void add_tap_with_pads(Design& d);

// The insertion's steps from the field checks to the ordered pad table,
// as the run takes them (the design must be current).
void build_pad_table();

// The row of the pad table whose signal is `signal`; fails the test when
// there is none.
const PadEntry& pad(const char* signal);
int pad_row(const char* signal);
// Signals of the pad table in table order.
std::vector<std::string> pad_order();

inline std::string text(const char* s) { return s ? s : "-"; }

// Every test starts from start-up state in a fresh working directory with
// "." as the search path.
class InsertionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    static void reset_all();
    testsupport::TempDir dir;
    std::unique_ptr<testsupport::ChangeDir> cd;
};

}  // namespace bstest
