// The insertion report: the header, the total and one block per kind of
// cell added, then the buffer lines.
#include <gtest/gtest.h>

#include <string>

#include "bscan/edit.h"
#include "kestrand/report.h"
#include "support/insertion_test_util.h"

namespace {

using namespace bstest;

// The report of a run without -add_tap: the header, the total and one
// block per kind of cell added, then the buffer lines.
TEST_F(InsertionTest, ReportOfTheCellsAdded) {
    read_descriptions(Descriptions{});
    bscan_init();
    ScanCellEntry* in = get_scan_cell("BC_IN");
    for (int i = 0; i < 12; ++i) add_scan_tab(in, nullptr, -1, 0, 0);
    INPUT_SCAN_COUNT = 8;
    OUTPUT_SCAN_COUNT = 4;
    DYNA_append(&BUFFER_REPORT, qdx_strdup("     Level 2:   3 buffers    drive  12 scan cells\n"));
    testing::internal::CaptureStdout();
    print_report();
    std::string out = testing::internal::GetCapturedStdout();
    const std::string cell_pins =
        "  .......................................\n"
        "    %DATA_IN        : DI\n    %DATA_OUT       : DO\n    %TDI            : SI\n    %TDO            : SO\n"
        "    %SHIFT_DR       : SHIFT\n    %CLOCK_DR       : CLOCK\n    %UPDATE_DR      : UPDATE\n"
        "    %MODE_1         : MODE\n";
    EXPECT_EQ(out,
              "\n\n====================================================\n"
              "                 KESTRAND   Report\n"
              "====================================================\n"
              "\n  ** Add total  12 Boundary Scan Cells:\n"
              "  ---------------------------------------\n"
              "  ** Add 8 INPUT SCAN Cells: BC_IN\n" +
                  cell_pins +
                  "  ---------------------------------------\n"
                  "  ** Add 4 OUTPUT SCAN Cells: BC_OUT\n" +
                  cell_pins +
                  "\n  -----------------------------------------------\n"
                  "     Level 2:   3 buffers    drive  12 scan cells\n"
                  "====================================================\n\n");
}

}  // namespace
