// The DFT file writer's wrapper, GRISTEL, DEF and clock-period sections.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteWrapper = MapTest;

const char* kSections =
    "%WRAPPER { %KORRAL {\n"
    "  %TYPE p1500;\n"
    "  // the cell\n"
    "  %WRAPPER_CELL WBC1 WBC_LIB;\n"
    "  %WRAPPER_CHAIN wc1 { %CLOCK = wclk; %SCAN_IN = wsi1; %CLOCK = wclk2; %SCAN_OUT = wso1; }\n"
    "  %SKIP_SIGNALS a, b c;\n"
    "  %INSTRUCTION WS_BYPASS;\n"
    "  %INSTRUCTION WS_EXTEST;\n"
    "  %WRAPPER_CHAIN_FILE = \"chains.txt\";\n"
    "} }\n"
    "%GRISTEL_INFO {\n"
    "  %TOP_MODULE chip;\n"
    "  %SPEED_RATIO 4;\n"
    "  %TDDM_TDM_INFO g1 {\n"
    "    %TDDM_GROUP a { %TDDM_IN = i; %CLOCK = c; %CHAIN_ORDER x y; }\n"
    "    %TDM_GROUP b { %TDM_OUT = o; %CLOCK = c; %CHAIN_ORDER x; %CLEAR = r; }\n"
    "    %SPEED_RATIO 2;\n"
    "  }\n"
    "  %TDDM_TDM_INFO g2 { %TDM_GROUP t { %TDM_OUT = o2; } }\n"
    "}\n"
    "%DEF_INFO { %PARTITION p0 u1 u2; %PARTITION p1; }\n"
    "%CLOCK_PERIOD { %CLOCK ck = 100; %CLOCK ck2 = 12.5; }\n";

TEST_F(WriteWrapper, GoldenText) {
    map_text(kSections);
    EXPECT_EQ(written(1),
              "\n"
              "// scan wrapper\n"
              "  %WRAPPER { \n"
              "     %KORRAL \n"
              "     {\n"
              "       %TYPE  p1500 ;\n"
              "          // the cell\n"
              "       %WRAPPER_CELL  WBC1 WBC_LIB;\n"
              "       %WRAPPER_CHAIN  wc1 \n"
              "        {\n"
              "         %CLOCK  = wclk ;\n"
              "         %CLOCK  = wclk2 ;\n"
              "         %SCAN_IN  = wsi1 ;\n"
              "         %SCAN_OUT  = wso1 ;\n"
              "        }\n"
              "       %SKIP_SIGNALS  a b c ;\n"
              "       %INSTRUCTION  WS_BYPASS ;\n"
              "       %INSTRUCTION  WS_EXTEST ;\n"
              "       %WRAPPER_CHAIN_FILE =  \" chains.txt \" ;\n"
              "     }\n"
              "    }\n\n"
              "// gristel info\n"
              "  %GRISTEL_INFO\n"
              "   {\n\n"
              "       %SPEED_RATIO  4;\n"
              "       %TOP_MODULE   chip;\n\n"
              "       %TDDM_TDM_INFO  g1\n"
              "      {\n"
              "         %SPEED_RATIO   2 ;\n\n"
              "         %TDDM_GROUP  a \n"
              "         {\n"
              "         %TDDM_IN    = i;\n"
              "         %CLOCK      = c;\n"
              "         %CHAIN_ORDER x  y ;\n"
              "         }\n\n"
              "         %TDM_GROUP  b \n"
              "        {\n"
              "         %TDM_OUT      = o;\n"
              "         %CLOCK        = c;\n"
              "         %CLEAR        = r;\n"
              "         %CHAIN_ORDER x ;\n"
              "        }\n\n"
              "      }\n\n"
              "       %TDDM_TDM_INFO  g2\n"
              "      {\n"
              "         %TDM_GROUP  t \n"
              "        {\n"
              "         %TDM_OUT      = o2;\n"
              "        }\n\n"
              "      }\n\n"
              "   }\n\n"
              "// def info\n"
              "  %DEF_INFO\n"
              "     {\n"
              "     %PARTITION p0 u1 u2 ;\n"
              "     %PARTITION p1 ;\n"
              "     }\n\n"
              "// Clock_Period\n"
              "  %CLOCK_PERIOD\n"
              "     {\n"
              "     %CLOCK  ck = 100.000000 ;\n"
              "     %CLOCK  ck2 = 12.500000 ;\n"
              "     }\n\n\n");
}

TEST_F(WriteWrapper, RoundTrip) {
    expect_round_trip(kSections);
    // An empty wrapper, a speed ratio of 0, an entry with no groups.
    expect_round_trip("%WRAPPER { %KORRAL { %TYPE t; } }\n"
                      "%GRISTEL_INFO { %SPEED_RATIO 0; %TDDM_TDM_INFO e { %SPEED_RATIO 3; } }\n");
}

}  // namespace
