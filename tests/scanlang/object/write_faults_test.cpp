// The DFT file writer's %SELECT_FAULT section.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"
#include "support/testsupport.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteFaults = MapTest;

// Percentages come back as written: 29% is stored as 0.28999...
TEST_F(WriteFaults, PercentagesAreRounded) {
    const char* text =
        "%SELECT_FAULT {\n"
        "  // sampled\n"
        "  %RANDOM_SAMPLE 29%;\n"
        "  %STATISTICAL_SAMPLE { %PRECISION 57%; %CONFIDENCE_LEVEL 58%; }\n"
        "  %FAULT_ORDER \"hard\";\n"
        "}\n";
    map_text(text);
    const std::string out = written(1);
    EXPECT_NE(out.find("// Fault Selection\n  %SELECT_FAULT\n   {\n     // sampled\n     %RANDOM_SAMPLE  29% ;\n"
                       "     %STATISTICAL_SAMPLE\n        {\n        %PRECISION   57% ;\n"
                       "        %CONFIDENCE_LEVEL  58% ;\n        }\n"
                       "     %FAULT_ORDER  \" hard \" ; //EASY_FIRST | HARD_FIRST | RAMDOM\n   }\n"),
              std::string::npos)
        << out;
    // The trailer read back is not a user's comment: the text stays the same.
    expect_round_trip(text);
    expect_round_trip("%SELECT_FAULT { %RANDOM_SAMPLE 10; %DONT_FAULT_TYPE INV, BUF, AND; }\n");
}

// The names of a fault file are referred to by its file line, not
// copied; a second write still writes the file's own names.
TEST_F(WriteFaults, FaultFileNamesStayInTheFile) {
    testsupport::TempDir dir;
    dir.write("dont.txt", "f1 f2\n");
    dir.write("must.txt", "n1\n");
    testsupport::ChangeDir cd(dir.path());
    const char* text =
        "%SELECT_FAULT { %DONT_FAULT d1, d2, d3; %DONT_FAULT_FILE = \"dont.txt\"; "
        "%MUST_FAULT_FILE = \"must.txt\"; %DONT_FAULT_PATH { u1/a '01'; } }\n";
    map_text(text);
    const std::string out = written(1);
    EXPECT_NE(out.find("     %DONT_FAULT_FILE = \" dont.txt \" ;\n     %MUST_FAULT_FILE = \" must.txt \" ;\n"
                       "     %DONT_FAULT  d1 ,\n                  d2 ,\n                  d3 ;\n\n"
                       "     %DONT_FAULT_PATH  { \n       u1/a  '01' ;\n     } \n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("f1"), std::string::npos) << out;
    EXPECT_EQ(out.find("%MUST_FAULT "), std::string::npos) << out;
    EXPECT_EQ(written(1), out);
    expect_round_trip(text);
}

}  // namespace

namespace {

using WriteConversion = maptest::MapTest;

const char* kConversion =
    "%TEST_CONVERSION {\n"
    "  %SET_TIMING { %CYCLE = 100; %P_CLOCK = 0 50 clk; %DEFAULT_PI_TIME = 5.5; %PRECISION 1; %TYPE nrz; }\n"
    "  %REMOVE_PIN x y;\n"
    "  // only BIST clocks\n"
    "  %CLOCK { %BIST_CLOCK bclk 2; %BIST_CLOCK b2 = '01X'; }\n"
    "  %RAM_READ re, re2 = '1';\n"
    "  %RAM_WRITE we '0';\n"
    "  %DIFF_PAD d1 { %P_PAD = p1; %N_PAD = n1; }\n"
    "}\n";

TEST_F(WriteConversion, EveryStatementReadsBack) {
    maptest::map_text(kConversion);
    const std::string out = writetest::written(1);
    for (const char* piece : {
             "// Test Conversion\n  %TEST_CONVERSION\n     {\n        %SET_TIMING\n        {\n          %TYPE nrz ; \n"
             "          %CYCLE 100 ;\n          %P_CLOCK = 0.00 50.00 clk ;\n",
             "          %PRECISION 1 ;\n        }\n",
             "        // only BIST clocks\n        %CLOCK\n        {\n          %BIST_CLOCK bclk 2 ;\n"
             "          %BIST_CLOCK b2 = '01X' ;\n        }\n"
             "        %RAM_READ re , re2 = '1' ;\n        %RAM_WRITE we = '0' ;\n        %REMOVE_PIN x , y ;\n"
             "       %DIFF_PAD  d1\n        {\n         %P_PAD  = p1 ;\n         %N_PAD  = n1 ;\n        }\n     }\n",
         })
        EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n---\n" << out;
    writetest::expect_round_trip(kConversion);
}

}  // namespace
