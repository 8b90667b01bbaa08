// The DFT file writer's test files, memory-BIST and instruction sections.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteInstructions = MapTest;

const char* kText =
    "%SEQUENCE a { %FORCE x = '1'; }\n"
    "%SEQUENCE b { %FORCE y = '0'; }\n"
    "%SEQUENCE c { %FORCE z = '1'; }\n"
    "%TEST_FILES { %MBIST_FILE = m.v; %BSD_FILE = chip.bsd; }\n"
    "%TOP_MODULE = chip;\n"
    "%MBIST_CONSTRAINTS {\n"
    "  %MBIST_CONTROL 0 { %BISTMODE = ctl_0.mode; %FINISH = { ctl.done }; %BYPASS = byp; }\n"
    "  %MBIST_CONTROL 1 { %SIGNATUREOUT = ctl_1.sig; }\n"
    "}\n"
    "%MBIST_BSD {\n"
    "  %INSTRUCTION MBIST1 { %MBIST_CLOCK = mclk; %MBIST_MDF = \"mem.mdf\"; }\n"
    "  %INSTRUCTION MBIST2 { %MBIST_MDF = \"mem2.mdf\"; }\n"
    "}\n"
    "// the scan instruction\n"
    "%INSTRUCTION scan {\n"
    "  %SHIFT = b;\n"
    "  %MODE = \"full scan\";\n"
    "  %PREAMBLE = a, c, b;\n"
    "  %EXTRA = c;\n"
    "  %HOLD = a;\n"
    "  %EXTRA = a;\n"
    "  %POSTAMBLE = c;\n"
    "}\n"
    "%INSTRUCTION bist { %RUNBIST = c; %PROPAGATE = a; %RAM_WRITE = b; %CAPTURE = a; }\n";

TEST_F(WriteInstructions, StepsInSourceOrderAndTheBlocksAround) {
    map_text(kText);
    const std::string out = written(1);
    EXPECT_NE(out.find("     }\n\n\n     %TOP_MODULE = chip ;\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  %MBIST_CONSTRAINTS\n  {\n// Mbist Control\n  %MBIST_CONTROL 0\n     {\n"
                       "     %BISTMODE = ctl_0.mode ;\n     %FINISH = { ctl.done } ;\n     %BYPASS = { byp } ;\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  // the scan instruction\n// Instruction\n  %INSTRUCTION  scan\n     {\n"
                       "     %SHIFT     = b ;\n"
                       "     %MODE      = \" full scan \" ;\n"
                       "     %PREAMBLE  = a ,\n"
                       "                  c ,\n"
                       "                  b ;\n"
                       "     %EXTRA = c ;\n"
                       "     %HOLD      = a ;\n"
                       "     %EXTRA = a ;\n"
                       "     %POSTAMBLE  = c ;\n"
                       "     }\n"),
              std::string::npos)
        << out;
    expect_round_trip(kText);
}

}  // namespace
