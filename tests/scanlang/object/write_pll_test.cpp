// The DFT file writer's PLL, blackbox, file and scan-repair sections.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WritePll = MapTest;

const char* kText =
    "%PLL_CLOCK_FIX pf0 {\n"
    "    %SCOPE = top;\n"
    "    %FIX_INTERNAL_PLL_IN_AND_SCAN_CLOCK i1 { %PLL_CLOCK_INPORT = p; %FROM_CLOCK_GENERATOR = g; }\n"
    "    %EXTERNAL_PLL_IN_CLOCK e0 { %PERIOD = 10; %FROM_EXTERNAL_PLL_CLOCK_INPORT = refclk; }\n"
    "}\n"
    "%PLL { %NAME = u_pll; %REF_CLOCK { %CLOCK ck = '1'; } %OUTPUT_CLOCK { %PERIOD = 1.25; %PLL_CLOCK_BUFFER = b0 b1; }\n"
    "       %AUTO_CONSTANT = 0; }\n"
    "%BLACKBOX { %INSTANCE_NAME = u_b; %INPUT = OBSERVE; %OUTPUT = 0; }\n"
    "%BLACKBOX { %INSTANCE_NAME = u_c; %CLOCK = c0, c1; %OUTPUT = 1; }\n"
    "// the map\n"
    "%READ_MAP { %FILE_NAME = \"cells.map\"; }\n"
    "%SCAN_MODIFY_CMD { %FILE_NAME = \"edit.cmd\"; }\n"
    "%SCAN_REPAIR { %FORCE_NET { %NET_NAME = u1/n5; %SHIFT = '1'; %CAPTURE = '0'; } }\n";

TEST_F(WritePll, LinesThatReadBack) {
    map_text(kText);
    const std::string out = written(1);
    for (const char* line : {
             "     %REF_CLOCK\n        {\n        %CLOCK ck = '1' ;\n        }\n",
             "    %INPUT = OBSERVE ;\n    %OUTPUT = 0 ;\n",
             "     %CLOCK = c0 , c1 ;\n    %INPUT = DONT_MODIFY ;\n    %OUTPUT = 1 ;\n",
             "  // the map\n// Read Mapping_cell File\n  %READ_MAP\n",
             "         %NET_NAME = u1/n5 ;\n",
         })
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    expect_round_trip(kText);
}

TEST_F(WritePll, ModifyCommandBannerDoesNotMultiplyWithoutTheFlag) {
    map_text("%SCAN_MODIFY_CMD { %FILE_NAME = \"edit.cmd\"; }\n");
    const std::string first = written(0);
    EXPECT_NE(first.find("// Read Mapping_cell File\n  %SCAN_MODIFY_CMD\n"), std::string::npos) << first;
    map_text(first);
    EXPECT_EQ(written(0), first);
}

}  // namespace
