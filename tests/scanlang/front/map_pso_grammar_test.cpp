// The map-file and PSO-file grammars: whole fixtures against their golden
// tree prints, and the warnings of repeated statements.

#include <gtest/gtest.h>

#include <string>

#include "support/testsupport.h"

namespace {

struct FixtureCase {
    const char* kind;
    const char* file;
};
void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }

class MapPsoFixtureTrees : public testing::TestWithParam<FixtureCase> {};

TEST_P(MapPsoFixtureTrees, MatchTheGoldenPrint) {
    const std::string path = testsupport::source_path(std::string("tests/fixtures/scanlang/") + GetParam().file);
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), GetParam().kind, path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, testsupport::read_file(path.substr(0, path.rfind('.')) + ".tree"));
}

INSTANTIATE_TEST_SUITE_P(MapPsoGrammar, MapPsoFixtureTrees, testing::Values(FixtureCase{"map", "cells.map"}),
                         [](const testing::TestParamInfo<FixtureCase>& i) {
                             std::string n = i.param.file;
                             return n.substr(0, n.find('.'));
                         });

// Repeated single statements and blocks are kept and reported with
// warning 7, under the names of their node kinds.
TEST(MapPsoGrammar, RepeatsWarn) {
    testsupport::TempDir dir;
    const std::string path = dir.write("r.map",
                            "%REPAIR_CELL { %BUFFER B 1; }\n"
                            "%REPAIR_CELL { %BUFFER C 2; }\n"
                            "%MAP_SCAN l { %DELAY_CELL d {\n"
                            " %SCAN_PORT %SCAN_IN => a; %SCAN_PORT %SCAN_OUT => b;\n"
                            " %LOOP_DATA_IN => c; %LOOP_DATA_OUT => d; %DELAY_SCAN_TEST => e;\n"
                            " %DELAY_SCAN_CLOCK => f; %DELAY_SCAN_SCAN => g;\n"
                            " %DELAY_MAP_CELL m { %DATA_OUT => y; %DATA_OUT => z; } } }\n");
    auto r = testsupport::run({testsupport::built_program("tests/scan_parse_driver"), "map", path});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "WARNING : '" + path + "', line-2, 'REPAIR_CELL' is multiple defined.\n" +
                         "WARNING : '" + path + "', line-7, 'DEALY_DATA_OUT' is multiple defined.\n");
}

}  // namespace
