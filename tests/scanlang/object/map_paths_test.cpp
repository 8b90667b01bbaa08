// Timing paths with their path files, critical paths, non-TPI instances
// and clock periods mapped from their sections.
#include <gtest/gtest.h>


#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapPaths = MapTest;
using Names = std::vector<std::string>;

TEST_F(MapPaths, FixturePathsFieldByField) {
    testsupport::TempDir dir;
    dir.write("more.path", testsupport::read_file(testsupport::source_path("tests/fixtures/scanlang/timing.path")));
    DftObject* o = map_text(testsupport::read_file(testsupport::source_path("tests/fixtures/scanlang/paths_lists.dft")),
                            dir.str() + "/");
    ASSERT_TRUE(o->multicycle_path_list);
    ASSERT_EQ(o->multicycle_path_list->size(), 2u);
    const PathEntry& written = (*o->multicycle_path_list)[0];
    EXPECT_EQ(*written.from, (Names{"u1{CK}", "a"}));
    ASSERT_TRUE(written.through);
    EXPECT_EQ(*written.through, (std::vector<Names>{{"u2{A}"}, {"u3"}}));
    EXPECT_EQ(*written.to, (Names{"b"}));
    EXPECT_EQ(written.cycle, 2);
    EXPECT_FALSE(written.file_names);
    const PathEntry& with_file = (*o->multicycle_path_list)[1];
    EXPECT_EQ(*with_file.file_names, (Names{"more.path"}));
    EXPECT_EQ(*with_file.file_index, (std::vector<int>{0}));

    ASSERT_TRUE(o->multicycle_path_file);
    ASSERT_EQ(o->multicycle_path_file->size(), 1u);
    EXPECT_EQ((*o->multicycle_path_file)[0].file_name, "more.path");
    ASSERT_EQ((*o->multicycle_path_file)[0].paths->size(), 2u);

    // Combined: the written path without files, then the file's paths.
    ASSERT_TRUE(o->multicycle_path);
    ASSERT_EQ(o->multicycle_path->size(), 3u);
    EXPECT_EQ(*(*o->multicycle_path)[0].from, (Names{"u1{CK}", "a"}));
    EXPECT_EQ(*(*o->multicycle_path)[1].from, (Names{"u1{CK}"}));
    EXPECT_EQ((*o->multicycle_path)[1].cycle, 3);
    EXPECT_EQ(*(*o->multicycle_path)[2].through, (std::vector<Names>{{"u5", "u6{A}"}}));
    EXPECT_EQ((*o->multicycle_path)[2].cycle, -1);

    EXPECT_EQ(*o->critical_path, (std::vector<Names>{{"u1{Q}", "u4{D}"}}));
    ASSERT_TRUE(o->false_path && o->false_path_list);
    EXPECT_EQ(*(*o->false_path)[0].to, (Names{"u9{CD}"}));
    EXPECT_FALSE(o->false_path_file);
    EXPECT_EQ(o->nontpi_instance, (Names{"u_pll", "u_ram"}));
    // The sections after the path files are still mapped from the DFT tree.
    EXPECT_TRUE(o->gui_info);
}

TEST_F(MapPaths, PathFileNamesAreResolvedAgainstTheDftDirectory) {
    testsupport::TempDir dir;
    dir.write("p.path", "%PATH { %FROM = x; %TO = y; }\n");
    auto with = [](const std::string& name) { return "%FALSE_PATH { %PATH { %FILE_NAME = \"" + name + "\"; } }"; };
    // Relative: against the directory; absolute: as written.
    for (auto [name, base] : {std::pair<std::string, std::string>{"p.path", dir.str() + "/"},
                              std::pair<std::string, std::string>{dir.str() + "/p.path", "/nonexistent/"}}) {
        DftObject* o = map_text(with(name), base);
        ASSERT_TRUE(o->false_path) << name;
        EXPECT_EQ(*(*o->false_path)[0].from, (Names{"x"}));
        EXPECT_EQ((*o->false_path_file)[0].file_name, name);
    }
    auto r = map_in_child(with("p.path"), "/nonexistent/");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("/nonexistent/p.path"), std::string::npos) << r.err;
}

struct PathError {
    const char* name;
    const char* dft;
    const char* path_file;  // written as p.path when set
    const char* message;
};
void PrintTo(const PathError& e, std::ostream* os) { *os << e.name; }

class MapPathErrors : public testing::TestWithParam<PathError> {};

TEST_P(MapPathErrors, EndTheRunWithTheirMessage) {
    testsupport::TempDir dir;
    if (GetParam().path_file) dir.write("p.path", GetParam().path_file);
    auto r = map_in_child(GetParam().dft, dir.str() + "/");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    MapPaths, MapPathErrors,
    testing::Values(
        PathError{"ZeroCycle", "%MULTICYCLE_PATH { %PATH { %FROM = a;\n %CYCLE = 0; } }", nullptr,
                  "ERROR: line 2, the CYCLE must be greater than 0.\n"},
        PathError{"CycleInFalsePath", "%FALSE_PATH { %PATH { %FROM = a; %CYCLE = 2; } }", nullptr,
                  "ERROR: line 1, the CYCLE can not be supported in FALSE_PATH.\n"},
        PathError{"ZeroCycleInMulticycleFile", "%MULTICYCLE_PATH { %PATH { %FILE_NAME = \"p.path\"; } }",
                  "%PATH { %FROM = a; }\n%PATH { %FROM = b; %CYCLE = 0; }\n",
                  "ERROR: line 2, the CYCLE must be greater than 0.\n"},
        PathError{"CycleInFalsePathFile", "%FALSE_PATH { %PATH { %FILE_NAME = \"p.path\"; } }",
                  "%PATH { %FROM = a; %CYCLE = 3; }\n",
                  "ERROR: line 1, the CYCLE can not be accepted in the %FALSE_PATH in file p.path.\n"}),
    [](const testing::TestParamInfo<PathError>& info) { return std::string(info.param.name); });

TEST_F(MapPaths, ClockPeriodsAndEmptySections) {
    DftObject* o = map_fixture("connect_core.dft");
    ASSERT_TRUE(o->clock_period);
    ASSERT_EQ(o->clock_period->clocks.size(), 2u);
    EXPECT_EQ(o->clock_period->clocks[0].name, "clk");
    EXPECT_DOUBLE_EQ(o->clock_period->clocks[0].period, 10.0);
    EXPECT_DOUBLE_EQ(o->clock_period->clocks[1].period, 12.5);
    EXPECT_EQ(o->clock_period->keyword_line, 13);

    o = map_text("%TOP_MODULE = t;");
    EXPECT_FALSE(o->clock_period);
    EXPECT_FALSE(o->multicycle_path || o->multicycle_path_list || o->false_path || o->critical_path);
}

}  // namespace
