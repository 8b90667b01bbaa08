// The DFT file writer's %ATPG_CONSTRAINTS section.
#include <gtest/gtest.h>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::expect_round_trip;
using writetest::written;
using WriteAtpg = MapTest;

// Every statement of a mode, with an illegal statement beside a related
// legal one: both come back as written, and the complement and merge the
// reader derives from them come out the same.
TEST_F(WriteAtpg, EveryStatementReadsBackEqual) {
    const std::string text =
        "// constraints\n"
        "%ATPG_CONSTRAINTS {\n"
        "  %ATPG_MODE \"scan\" {\n"
        "    // forced\n"
        "    %FORCE tm = '1';\n"
        "    %FORCE test_en = '0';\n"
        "    %CONTROL c = '1';\n"
        "    %CONTROL_CELL { %CLASS_NAME = TBUF; %PIN_NAME = EN; }\n"
        "    %STROBE so = '1';\n"
        "    %AUTOSAVE 0;\n"
        "    %SKIPFAULTS 3, 5, 8;\n"
        "    %ILLEGAL_INPUTS a = '0';\n"
        "    %ILLEGAL_INPUTS p q = '11';\n"
        "    %LEGAL_INPUTS p r = '01', '10';\n"
        "    %GRAY_CODE g0 g1 = '01';\n"
        "    %POWER_ON_RESET;\n"
        "    %POWER_ON_RESET r1 r2;\n"
        "    %POWER_ON_SET s1;\n"
        "    %RESET rst = '0';\n"
        "    %RESET_DISABLE rd = '1';\n"
        "    %SET st = '1';\n"
        "    %SET_DISABLE sd = '0';\n"
        "    %RAM mem = \"rw\";\n"
        "    %CLOCK ck = '010';\n"
        "    %BLACK_BOX m1, m2;\n"
        "    %BYPASS b1;\n"
        "    %SKIP_BUS bus;\n"
        "    %NO_FLOATING nf1, nf2;\n"
        "    %SKEW_FF ff;\n"
        "    %DONT_FAULT_MODULE dfm;\n"
        "    %RAM_READ re we '10';\n"
        "    %RAM_WRITE re we '01';\n"
        "    %UNCONTROLLABLE u1, u2;\n"
        "    %UNCONTROLLABLE_CHAIN uc;\n"
        "    %UNOBSERVABLE o1;\n"
        "    %UNOBSERVABLE_CHAIN oc1, oc2;\n"
        "    %FEEDBACK_LOOPS = \"break\";\n"
        "  }\n"
        "  %ATPG_MODE \"empty\" { }\n"
        "}\n";
    expect_round_trip(text);
    // The derived legal patterns are not written as statements of their own.
    map_text(text);
    const std::string out = written(1);
    EXPECT_NE(out.find("        %ILLEGAL_INPUTS p , q =  '11' ;\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("%LEGAL_INPUTS"), out.rfind("%LEGAL_INPUTS")) << out;
    EXPECT_NE(out.find("        %POWER_ON_RESET  r1 ,\n" + std::string(30, ' ') + "r2 ;\n"), std::string::npos)
        << out;
}

// A control cell names its class and its pin in either order: both orders
// read into the same record, are written as that class and that pin, and
// read back unchanged.
class WriteControlCell : public MapTest, public testing::WithParamInterface<const char*> {};

TEST_P(WriteControlCell, ClassAndPinSurviveTheRoundTrip) {
    const std::string text = std::string("%ATPG_CONSTRAINTS {\n  %ATPG_MODE \"scan\" {\n    %CONTROL_CELL { ") +
                             GetParam() + " }\n  }\n}\n";
    for (int pass = 0; pass < 2; ++pass) {
        const std::string source = pass == 0 ? text : written(1);
        DftObject* o = map_text(source);
        ASSERT_TRUE(o && o->atpg_constraints) << source;
        const std::vector<Ident2Record>& cells = o->atpg_constraints->options.at(0).control_cell_list;
        ASSERT_EQ(cells.size(), 1u) << source;
        EXPECT_EQ(cells[0].first, "TBUF") << source;
        EXPECT_EQ(cells[0].second, "EN") << source;
    }
    const std::string out = written(1);
    EXPECT_NE(out.find("%CLASS_NAME = 'TBUF' ;\n             %PIN_NAME = 'EN' ;\n"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Orders, WriteControlCell,
                         testing::Values("%CLASS_NAME = TBUF; %PIN_NAME = EN;", "%PIN_NAME = EN; %CLASS_NAME = TBUF;"),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "ClassFirst" : "PinFirst");
                         });

// The layout of the statements whose lines line up.
TEST_F(WriteAtpg, Layout) {
    map_text(
        "%ATPG_CONSTRAINTS {\n"
        "  %ATPG_MODE \"scan\" {\n"
        "    %FORCE a = '1'; %FORCE abcd = '0';\n"
        "    %SKIPFAULTS 3;\n"
        "    %ILLEGAL_INPUTS a = '0', '1';\n"
        "  }\n"
        "}\n");
    const std::string out = written(1);
    EXPECT_NE(out.find("// Test Generation Constraints\n  %ATPG_CONSTRAINTS\n     {\n"
                       "     %ATPG_MODE  \" scan \"\n        {\n"
                       "        %FORCE  a    = '1' ;\n        %FORCE  abcd = '0' ;\n"
                       "        %SKIPFAULTS  3 ;\n\n"
                       "        %ILLEGAL_INPUTS a =  '0' ,\n" +
                           std::string(26, ' ') + "   '1' ;\n\n"
                                                  "        }\n     }\n"),
              std::string::npos)
        << out;
}

}  // namespace
