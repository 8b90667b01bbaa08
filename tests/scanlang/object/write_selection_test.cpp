// The DFT file writer: its frame and comments, the scan selection and the
// instruction sequences, and the round trip parse -> write -> parse.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteSelection = MapTest;

const char* kRich =
    "// The scan selection of the chip.\n"
    "%SELECT_SCAN {\n"
    "  // the start\n"
    "  %SCAN_INIT 29%;\n"
    "  %SCAN_INCR 57%;\n"
    "  %SCAN_MAX 58%;\n"
    "  %DONT_SCAN_TYPE a, b, c;\n"
    "  %DONT_SCAN u1/r0;\n"
    "}\n"
    "// loads the chain\n"
    "%SEQUENCE load {\n"
    "  %FORCE a = '01';\n"
    "  %FORCE_CLOCK clk = '1';\n"
    "  %FORCE_CLOCK ck2;\n"
    "  %FRAME_LENGTH = 4;\n"
    "  %SET_TIMING { %CYCLE 100; %P_CLOCK = 10.5 20 clk ck2; %DEFAULT_PI_TIME 5;\n"
    "                %DEFAULT_IO_TIME 1 2; %PRECISION 3; }\n"
    "  %SET_TIMING { %TYPE LAUNCH; %CYCLE 50; %PRECISION 2; }\n"
    "  %SET_TIMING { %TYPE CAPTURE; %PO_TIME = 7 q; }\n"
    "}\n";

TEST_F(WriteSelection, GoldenTextOfARichFile) {
    map_text(kRich);
    EXPECT_EQ(written(1),
              "\n"
              "  // The scan selection of the chip.\n"
              "// Scan selection\n"
              "  %SELECT_SCAN\n"
              "     {\n"
              "     // the start\n"
              "     %SCAN_INIT  29% ;\n"
              "     %SCAN_INCR  57% ;\n"
              "     %SCAN_MAX   58% ;\n"
              "     %DONT_SCAN_TYPE  a ,\n"
              "                      b ,\n"
              "                      c ;\n"
              "\n"
              "     %DONT_SCAN  u1/r0 ;\n"
              "\n"
              "     }\n\n\n"
              "// Scan instruction sequence\n"
              "  // loads the chain\n"
              "  %SEQUENCE load\n"
              "     {\n"
              "     %FORCE  a             = '01' ;\n"
              "     %FORCE_CLOCK  clk     = '1' ;\n"
              "     %FORCE_CLOCK  ck2 ;\n"
              "     %CYCLE_LENGTH  = 1 ;\n"
              "     %FRAME_LENGTH  = 4 ;\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %CYCLE 100 ;\n"
              "          %P_CLOCK = 10.50 20.00 clk ck2 ;\n"
              "          %DEFAULT_PI_TIME  5.00 ;\n"
              "          %DEFAULT_IO_TIME   1.00 2.00 ;\n"
              "          %PRECISION 3 ;\n"
              "        }\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %TYPE LAUNCH ; \n"
              "          %CYCLE 50 ;\n"
              "          %PRECISION 2 ;\n"
              "        }\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %TYPE CAPTURE ; \n"
              "          %PO_TIME = 7.00 q ;\n"
              "        }\n"
              "     }\n\n\n");
}

TEST_F(WriteSelection, RoundTripKeepsObjectTextAndComments) {
    expect_round_trip(kRich);
    // Comments neither multiply nor drift over further cycles.
    map_text(kRich);
    const std::string out1 = written(1);
    map_text(out1);
    const std::string out2 = written(1);
    map_text(out2);
    EXPECT_EQ(written(1), out2);
    EXPECT_EQ(out2, out1);
}

TEST_F(WriteSelection, PercentagesAndValueForms) {
    struct Row {
        const char* statement;
        const char* line;
    } rows[] = {{"%SCAN_MAX 12%;", "     %SCAN_MAX   12% ;\n"},
                {"%SCAN_MAX 29%;", "     %SCAN_MAX   29% ;\n"},
                {"%SCAN_INIT 57%;", "     %SCAN_INIT  57% ;\n"},
                {"%SCAN_INCR 7;", "     %SCAN_INCR  7 ;\n"},
                {"%SCAN_INIT 0;", "     %SCAN_INIT  0 ;\n"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.statement);
        map_text(std::string("%SELECT_SCAN { ") + r.statement + " }");
        EXPECT_NE(written(0).find(r.line), std::string::npos) << written(0);
        expect_round_trip(std::string("%SELECT_SCAN { ") + r.statement + " }");
    }
}

TEST_F(WriteSelection, WithoutFlagNoBannersAndNoFiltering) {
    map_text("// Scan selection\n%SELECT_SCAN { %MUST_SCAN a; }\n%SEQUENCE s { %FORCE a = '1'; }");
    const std::string out = written(0);
    EXPECT_EQ(out.find("// Scan instruction sequence"), std::string::npos);
    // The user's comment stays a comment when the writer prints no banner.
    EXPECT_NE(out.find("  // Scan selection\n  %SELECT_SCAN\n"), std::string::npos) << out;
}

TEST_F(WriteSelection, CommentsAfterTheKeywordGoToTheEnd) {
    map_text("%SELECT_SCAN {\n %MUST_SCAN a;\n}\n// trailing words\n");
    const std::string out = written(1);
    EXPECT_EQ(out.substr(out.size() - 18), "// trailing words\n") << out;
}

}  // namespace
