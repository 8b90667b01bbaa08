// The DFT file writer's test schedule, sessions and architecture.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteSchedule = MapTest;

TEST_F(WriteSchedule, GoldenTextAndRoundTrip) {
    const std::string text =
        "%TEST_SCHEDULE { %TEST_SESSION s1; %TEST_SESSION s2; }\n"
        "%TEST_SESSION s1; { core_a . mbist; core_b . scan; }\n"
        "%TEST_ARCHITECTURE {\n"
        "  %TYPE = daisy;\n"
        "  %TAM_CONFIG {\n"
        "    %CORE core_a {\n"
        "      %TAM_OUT t_out1 { %TAM_OUT_PORT = top; %TAM_OUT_PAD_IN = topi; }\n"
        "      %PORT_INFO { %PORT p { %TYPE clock; %PORT_MAP a b; } }\n"
        "      %PORT_INFO { %PORT q { %TYPE data; } }\n"
        "    }\n"
        "  }\n"
        "}\n";
    map_text(text);
    EXPECT_EQ(written(1),
              "\n"
              "  %TEST_SCHEDULE\n"
              "     {\n"
              "     %TEST_SESSION s1 ;\n"
              "     %TEST_SESSION s2 ;\n"
              "     }\n"
              "  %TEST_SESSION s1 ;\n"
              "     {\n"
              "       core_a . mbist ;\n"
              "       core_b . scan ;\n"
              "     }\n"
              "  %TEST_ARCHITECTURE\n"
              "  {\n"
              "    %TYPE = daisy ;\n"
              "    %TAM_CONFIG\n"
              "    {\n"
              "      %CORE core_a\n"
              "      {\n"
              "        %TAM_OUT t_out1\n"
              "        {\n"
              "          %TAM_OUT_PORT = top ;\n"
              "          %TAM_OUT_PAD_IN = topi ;\n"
              "        }\n"
              "        %PORT_INFO\n"
              "        {\n"
              "          %PORT p\n"
              "          {\n"
              "            %TYPE clock ;\n"
              "            %PORT_MAP a , b ;\n"
              "          }\n"
              "        }\n"
              "        %PORT_INFO\n"
              "        {\n"
              "          %PORT q\n"
              "          {\n"
              "            %TYPE data ;\n"
              "          }\n"
              "        }\n"
              "      }\n"
              "    }\n"
              "  }\n");
    expect_round_trip(text);
}

}  // namespace
