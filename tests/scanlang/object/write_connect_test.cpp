// The DFT file writer's connection sections: scan chains, cores, BIST.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteConnect = MapTest;

const char* kChain =
    "%INSTRUCTION scan_test { %MODE = \"m\"; }\n"
    "// the chain\n"
    "%CONNECT_SCAN chain1 SDFF {\n"
    "    %SCAN_PORT port1 { %SCAN_IN = si1; %SCAN_OUT = so1; %DEFAULT = d1; }\n"
    "    %SCAN_PAD {\n"
    "        %SDI_PAD_NAME = pi1; %SDO_PAD_NAME = po1; %SDI_PAD_OUT = pio1; %SDO_PAD_IN = poi1;\n"
    "        %SDI_PAD_CLASS = PADI, PADJ, PADK;\n"
    "        %SDO_PAD_CLASS = PADO;\n"
    "    }\n"
    "    %SCAN_SELECT_1 { %SELECT = se; %GLOBAL_SELECT = gse; }\n"
    "    %SCAN_CLOCK { %CLOCK = clk; %GLOBAL_CLOCK = gclk { pll_out }; %CLOCK_POLARITY = NEGATIVE; }\n"
    "    %SCAN_CLOCK_2 { %CLOCK = clk2; %GLOBAL_CLOCK = g2; %CLOCK_POLARITY = POSITIVE; }\n"
    "    %SCAN_DELAY { %DELAY_OUT = dly_o; %DELAY_OUT_DEFAULT = dly_d; %SCAN_TEST = st; }\n"
    "    %SCAN_INSTANCES { u1, { u2 u3, u4 }, u5; }\n"
    "    %SCAN_INSTRUCTION { %INSTRUCTION = scan_test; }\n"
    "    %MS_VIOLATION 0;\n"
    "}\n"
    "%CONNECT_SCAN 3 LSSD { %SCAN_PORT { %SCAN_IN = si3; } %SCAN_INSTANCES { only; } }\n"
    "%CONNECT_BIST b1 ctrl { %BIST_INSTANCES { only; } }\n";

TEST_F(WriteConnect, ChainKeepsEveryStatement) {
    map_text(kChain);
    const std::string out = written(1);
    for (const char* piece : {
             "// Connect Scan Chain\n  // the chain\n  %CONNECT_SCAN  chain1 SDFF\n     {\n"
             "     %MS_VIOLATION  0 ; \n",
             "        %SDO_PAD_CLASS   = PADO ;\n"
             "        %SDI_PAD_CLASS   = PADI ,\n                            PADJ ,\n                            PADK ;\n",
             "     %SCAN_CLOCK\n        {\n        %CLOCK        = clk ;\n"
             "        %GLOBAL_CLOCK = gclk { pll_out } ;\n        %CLOCK_POLARITY = NEGATIVE ;\n        }\n",
             "     %SCAN_INSTANCES\n        {\n        u1 ,\n        { u2 u3 u4 } ,\n        u5 ;\n\n        }\n",
             // A one-element list; the BIST form has no empty line.
             "        {\n        only ;\n\n        }\n",
             "     %BIST_INSTANCES\n        {\n        only ;\n        }\n",
             "     %SCAN_INSTRUCTION\n        {\n        %INSTRUCTION = scan_test ;\n        }\n     }\n\n\n",
         })
        EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n---\n" << out;
    // -1 writes no %MS_VIOLATION line; one comment stays one comment.
    EXPECT_EQ(out.find("%MS_VIOLATION", out.find("%CONNECT_SCAN  3")), std::string::npos) << out;
    EXPECT_EQ(out.find("// the chain"), out.rfind("// the chain")) << out;
    expect_round_trip(kChain);
}

const char* kCoreBist =
    "%INSTRUCTION core_scan { %MODE = \"a\"; }\n%INSTRUCTION sys_run { %MODE = \"b\"; }\n"
    "%INSTRUCTION RUNBIST { %MODE = \"c\"; }\n"
    "%CONNECT_CORE u_core {\n"
    "    %CORE_PACKAGE_FILE = \"core.pkg\"; %MODULE_NAME = core_mod; %INSTANCE_NAME = u_core/inst;\n"
    "    %SCAN_PORT { %SCAN_IN = csi1; %SCAN_OUT = cso1; }\n"
    "    %CORE_INSTRUCTION { %INSTRUCTION = core_scan; }\n"
    "    %SYSTEM_INSTRUCTION { %INSTRUCTION = sys_run; }\n"
    "    %SCAN_PORT cp2 { %SCAN_IN = csi2; %SCAN_OUT = cso2; %DEFAULT = dv; }\n"
    "}\n"
    "%CONNECT_BIST lbist1 ctrl {\n"
    "  %BIST_TYPE = \"stumps\";\n"
    "  %BIST_PORT { %SCAN_IN = si; %SCAN_OUT = so; }\n"
    "  %BIST_SELECT_1 { %SELECT = s1; %GLOBAL_SELECT = g1; }\n"
    "  %BIST_CLOCK_1 { %CLOCK = k1; }\n"
    "  %BIST_INSTANCES { u1, { u2 u3 }; }\n"
    "  %BIST_INSTRUCTION { %INSTRUCTION = RUNBIST; %SEED = '1010'; }\n"
    "}\n";

TEST_F(WriteConnect, CoresWithoutBannerAndBist) {
    map_text(kCoreBist);
    const std::string out = written(1);
    EXPECT_EQ(out.find("// Connect Scan Chain"), std::string::npos) << out;
    for (const char* piece : {
             "  %CONNECT_CORE u_core\n     {\n     %CORE_PACKAGE_FILE = \" core.pkg \" ;\n"
             "     %INSTANCE_NAME = u_core/inst ;\n     %MODULE_NAME = core_mod ;\n"
             "     %CORE_INSTRUCTION\n        {\n        %INSTRUCTION = core_scan ;\n        }\n",
             "     %SCAN_PORT\n        {\n        %SCAN_IN  = csi1 ;\n",
             "     %SCAN_PORT  cp2\n",
             "// Scan Connection\n  %CONNECT_BIST  lbist1 ctrl\n     {\n"
             "     %BIST_TYPE = \" stumps \" ; //BILBO|CBILBO|CSTP|RAM|ROM\n",
             "        %SEED        = '1010' ;\n",
         })
        EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n---\n" << out;
    expect_round_trip(kCoreBist);
}

}  // namespace
