// Core blocks: the values every core record of a block shares.
#include <gtest/gtest.h>

#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapCores = MapTest;
using Names = std::vector<std::string>;

constexpr const char* kCores = R"(%CORE {
    %NAME = core_a;
    %NAME = core_b;
    %TIE0 = t0a, t0b;
    %DFT_FILE = "ab.dft";
    %LBIST_FILE = "ab.lbist";
    %CLOCK_PORTS = ck1, u1 { CK };
    %SET_RESET_PORTS = rst;
    %BIDI_PORTS = io1, u2 { IO };
    %SCAN_IN_PORTS = u3 { SI };
    %SCAN_OUT_PORTS = so;
    %DONT_FIX u1 { A } u2 { B };
    %DONT_FIX u3 { C };
}
%CORE {
    %NAME = core_c;
    %DFT_FILE = "c.dft";
    %CLOCK_PORTS = ckc;
}
)";

TEST_F(MapCores, BlockValuesFieldByField) {
    DftObject* o = map_text(kCores);
    ASSERT_TRUE(o->core_section);
    const std::vector<CoreInfoRecord>& cores = o->core_section->cores;
    ASSERT_EQ(cores.size(), 3u);
    // Both records of the first block share its values.
    for (std::size_t i = 0; i < 2; ++i) {
        const CoreInfoRecord& c = cores[i];
        SCOPED_TRACE(c.core_name);
        EXPECT_EQ(c.dft_file, "ab.dft");
        EXPECT_EQ(c.lbist_file, "ab.lbist");
        EXPECT_EQ(c.clock_ports, (Names{"ck1", "u1{CK}"}));
        EXPECT_EQ(c.set_reset_ports, (Names{"rst"}));
        EXPECT_EQ(c.bidi_ports, (Names{"io1", "u2{IO}"}));
        EXPECT_EQ(c.scan_in_ports, (Names{"u3{SI}"}));
        EXPECT_EQ(c.scan_out_ports, (Names{"so"}));
        EXPECT_EQ(c.tie0, (Names{"t0a", "t0b"}));
        EXPECT_FALSE(c.tie1);
    }
    EXPECT_EQ(cores[0].core_name, "core_a");
    EXPECT_EQ(cores[1].core_name, "core_b");
    // The don't-fix pairs of both statements go to the first core only.
    ASSERT_TRUE(cores[0].dont_fix_info);
    ASSERT_EQ(cores[0].dont_fix_info->size(), 3u);
    EXPECT_EQ((*cores[0].dont_fix_info)[2].name, "u3");
    EXPECT_EQ((*cores[0].dont_fix_info)[2].value, "C");
    EXPECT_FALSE(cores[1].dont_fix_info);
    // The second block has its own clock ports only.
    EXPECT_EQ(cores[2].clock_ports, (Names{"ckc"}));
    EXPECT_FALSE(cores[2].tie0);
    EXPECT_FALSE(cores[2].set_reset_ports);
}

TEST_F(MapCores, CoreWithoutDftFileEndsTheRunAndNoSectionLeavesNone) {
    auto r = map_in_child("%CORE { %NAME = core_x; }");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: Please specify dft file of core 'core_x' in top module dft file.\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(map_text("%TOP_MODULE = t;")->core_section);
}

}  // namespace
