// The DFT file writer's scan decoder, test-access constraints, scan
// modules, port, list and path sections, and the FENNOX sections.
#include <gtest/gtest.h>

#include "scanlang/object/scan_interface.h"
#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteLists = MapTest;

void expect_lines(const std::string& out, std::initializer_list<const char*> lines) {
    for (const char* line : lines) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

const char* kDecoder =
    "%SCAN_DECODER {\n"
    "    // the mode port\n"
    "    %SCAN_MODE { %PORT_NAME = sm; %POLARITY = ACTIVE_HIGH; }\n"
    "    %TEST_MODE { %PORT_NAME = tm; %PAD_NAME = tp; %PAD_OUT = to; }\n"
    "    %KR_MODE { %PORT_NAME a = 1; %PORT_NAME b = 0; %PAD_NAME = kp; %PAD_OUT = ko; }\n"
    "    %RAM_WRITE = rw;\n"
    "    %TEST_MODE_OUT { %PIN_NAME = Z; }\n"
    "}\n";

TEST_F(WriteLists, DecoderKeepsEachPortInItsForm) {
    map_text(kDecoder);
    const std::string out = written(1);
    expect_lines(out, {"// Scan Decoder\n  %SCAN_DECODER\n     {\n",
                       "    // the mode port\n     %SCAN_MODE\n        {\n          %PORT_NAME = sm ;\n"
                       "          %POLARITY  = ACTIVE_HIGH ;\n        }\n",
                       "          %PAD_NAME  = tp ;\n          %PAD_OUT   = to ;\n",
                       "     %KR_MODE\n        {\n          %PORT_NAME a = 1 ;\n          %PORT_NAME b = 0 ;\n"
                       "          %PAD_NAME  = kp ;\n          %PAD_OUT   = ko ;\n        }\n",
                       "     %RAM_WRITE = rw ;\n",
                       "     %TEST_MODE_OUT\n        {\n          %PIN_NAME = Z ;\n        }\n     }\n"});
    expect_round_trip(kDecoder);
}

const char* kTa =
    "%TA_CONSTRAINTS {\n"
    "    // clocks\n"
    "    %CLOCK tc = '1';\n"
    "    %FORCE a = '0';\n"
    "    %FORCE long_name = '1';\n"
    "    %FORCE_CLOCK fc;\n"
    "    %DFT d1, d2;\n"
    "    %ISOLATE_MOD m { p '1', q '0' } ;\n"
    "    %ISOLATE_REG r { s '1' } ;\n"
    "    %INIT_PATTERNS ip;\n"
    "}\n"
    "%SCAN_MODULE m1 { %SCAN_IN = si; %TEST_MODE = tm; %DONT_FIX p{q} r{s}; }\n"
    "%SCAN_MODULE m2 { %SCAN_OUT = so; }\n";

TEST_F(WriteLists, TestAccessConstraintsAndScanModules) {
    map_text(kTa);
    const std::string out = written(1);
    expect_lines(out, {"    // clocks\n        %CLOCK  tc = '1' ;\n\n",
                       "        %FORCE  a         = '0' ;\n        %FORCE  long_name = '1' ;\n\n",
                       "        %FORCE_CLOCK  fc ;\n",
                       "        %ISOLATE_MOD  m {\n                           p '1' ,\n"
                       "                           q '0'\n                        } ;\n",
                       "  %SCAN_MODULE  m1\n     {\n      %SCAN_IN = si ;\n      %TEST_MODE = tm ;\n"
                       "      %DONT_FIX  p{q} r{s} ;\n     }\n\n"});
    expect_round_trip(kTa);
}

const char* kPorts =
    "%PORT_INFO {\n"
    "    %PORT clk { %TYPE CLK; %PAD clk_pad { a, b }; %PORT_MAP m { c }; }\n"
    "    %PORT d { %TYPE O; }\n"
    "}\n"
    "%CORE_NO_SCAN { %NAME = c1, c2; }\n"
    "%CRITICAL_PATH { %CPATH = u1{Q}, u2{D}; %CPATH = u3; }\n";

TEST_F(WriteLists, PortsListsAndPaths) {
    map_text(kPorts);
    const std::string out = written(1);
    expect_lines(out, {"    %PORT clk {\n        %TYPE CLK ;\n        %PAD clk_pad { a , b } ;\n"
                       "        %PORT_MAP m { c } ;\n    }\n",
                       "  %CORE_NO_SCAN  { \n    %NAME = c1 , c2 ;\n  }\n",
                       "\n%CRITICAL_PATH {\n    %CPATH = u1{Q} , u2{D} ;\n    %CPATH = u3 ;\n}\n"});
    expect_round_trip(kPorts);
}

TEST_F(WriteLists, PathCycleOnlyWhenPositive) {
    const char* text = "%MULTICYCLE_PATH { %PATH { %FROM = a; %TO = b; } %PATH { %FROM = c; %CYCLE = 3; } }\n";
    map_text(text);
    const std::string out = written(1);
    EXPECT_EQ(out.find("%CYCLE = -1"), std::string::npos) << out;
    expect_lines(out, {"    %PATH {\n        %CYCLE = 3 ;\n        %FROM = c ;\n    }\n"});
    expect_round_trip(text);
}

std::string chain_of_twenty() {
    std::string text = "%FENNOX_INFO f1 { %CHAIN_ORDER";
    for (int i = 0; i < 20; ++i) text += std::string(i ? ", " : " ") + "chain_" + std::to_string(1000 + i);
    return text + "; %VIRTUAL_SOURCE v1; }\n";
}

TEST_F(WriteLists, FennoxInfoWrapsLongLists) {
    const std::string text = chain_of_twenty();
    map_text(text);
    const std::string out = written(1);
    expect_lines(out, {"  %FENNOX_INFO f1\n  {\n      %CHAIN_ORDER chain_1000 , chain_1001 , chain_1002 , "
                       "chain_1003 ,\n                  chain_1004 , chain_1005 ,",
                       "      %VIRTUAL_SOURCE v1 ;\n  }\n\n"});
    expect_round_trip(text);
}

const char* kGroups =
    "%FENNOX_IN_1 { %PORT_NAME p1; %GROUP { g0, a, b; g1, c{Q3_S2}, d; } }\n"
    "%FENNOX_OUT_1 { %PORT_NAME o1; %GROUP { h0, x, y; h1, z; } }\n"
    "%REGISTER_LENGTH 12;\n"
    "%INSTRUCTION_BINARY '0101';\n";

TEST_F(WriteLists, FennoxGroupsAndValues) {
    map_text(kGroups);
    const std::string out = written(1);
    expect_lines(out, {"  %INSTRUCTION_BINARY '0101' ;\n  %REGISTER_LENGTH 12 ;\n  %FENNOX_IN_1\n  {\n"
                       "      %PORT_NAME p1 ;\n      %GROUP\n      {\n"});
    expect_round_trip(kGroups);
}

// Groups decoded from a ciphertext stay coded in the file; the debug
// switch writes them in plain text too.
TEST_F(WriteLists, DecodedGroupsStayCodedUnlessDebugging) {
    map_text(kGroups);
    DFT_OBJECT->ciphertext = std::vector<std::string>{"0123"};
    DFT_OBJECT->fennox_groups_decoded = true;
    EXPECT_EQ(written(1).find("%FENNOX_IN_1"), std::string::npos);
    DEBUG_FLAG = 1;
    const std::string out = written(1);
    DEBUG_FLAG = 0;
    expect_lines(out, {"  %CIPHERTEXT\n  {\n      0123\n  }\n  %INSTRUCTION_BINARY '0101' ;\n",
                       "  %FENNOX_OUT_1\n  {\n      %PORT_NAME o1 ;\n      %GROUP\n      {\n          h0 , x , y ;\n"});
}

}  // namespace
