// The DFT file writer's %CORE sections.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteCores = MapTest;

const char* kCores =
    "%SEQUENCE init { %FORCE a = '1'; }\n"
    "%SEQUENCE sh { %FORCE b = '0'; }\n"
    "// the cores\n"
    "%CORE {\n"
    "    %NAME = core_a;\n"
    "    %NAME = core_b;\n"
    "    %TIE0 = t0a, t0b;\n"
    "    %DFT_FILE = \"core_a.dft\";\n"
    "    %LBIST_FILE = \"core_a.lbist\";\n"
    "    %PREAMBLE = init sh;\n"
    "    %PATSET p1 { %DFT_FILE = \"p1.dft\"; %FORCE_LIST = sh; %BTP = \"p1.btp\"; %OPTION = \"-fast\"; }\n"
    "    %CLOCK_PORTS = ck1, u1 { CK };\n"
    "    %SCAN_OUT_PORTS = so;\n"
    "    %INSTRUCTION wir { %MODE = \"bypass\"; %SHIFT = sh; %PREAMBLE = init; %EXTRA_SEQ = init; }\n"
    "    %DONT_FIX u1 { A } u2 { B };\n"
    "}\n"
    "%CORE { %NAME = core_c; %DFT_FILE = \"c.dft\"; %TIE1 = x; }\n";

TEST_F(WriteCores, EveryCoreKeepsItsLists) {
    map_text(kCores);
    const std::string out = written(1);
    const std::string second_core = out.substr(out.find("%NAME = core_a ;"));
    // core_b shares its block's port lists and files, but not the
    // don't-fix pairs, which belong to the block's first core.
    EXPECT_NE(second_core.find("  %CORE\n     {\n     %DFT_FILE = \" core_a.dft \" ;\n"
                               "     %LBIST_FILE = \" core_a.lbist \" ;\n"
                               "     %PREAMBLE = init , sh ;\n"
                               "     %CLOCK_PORTS = ck1 , "),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("  // the cores\n// Core\n  %CORE\n     {\n     %DFT_FILE = \" core_a.dft \" ;\n"
                       "     %DONT_FIX  u1{A} u2{B} ;\n"),
              std::string::npos)
        << out;
    // The instruction's steps come out in the order the source gave them.
    EXPECT_NE(out.find("     %INSTRUCTION wir\n     {\n         %MODE = \" bypass \" ;\n"
                       "         %SHIFT = sh ;\n         %PREAMBLE = init ;\n         %EXTRA_SEQ = init ;\n     }\n"
                       "     %PATSET p1\n     {\n         %DFT_FILE = \" p1.dft \" ;\n         %FORCE_LIST = sh ;\n"
                       "         %BTP = \" p1.btp \" ;\n         %OPTION = \" -fast \" ;\n     }\n"
                       "     %NAME = core_a ;\n     }\n\n"),
              std::string::npos)
        << out;
    expect_round_trip(kCores);
}

}  // namespace
