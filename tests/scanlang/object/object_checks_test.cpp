// Which DFT file a name stands for, and the connections of the
// memory-BIST control signals.
#include <gtest/gtest.h>

#include "scanlang/object/map_test_util.h"
#include "scanlang/object/object_checks.h"

namespace {

using namespace maptest;
using ObjectChecks = MapTest;

TEST_F(ObjectChecks, DftFileCandidates) {
    testsupport::TempDir dir;
    const std::string d = dir.str() + "/";
    dir.write("top.dft", "%TOP_MODULE = top;\n");
    struct Case {
        std::string name;
        std::optional<std::string> expected;
    };
    for (const Case& c : {Case{d + "top.dft", d + "top.dft"}, Case{d + "top", d + "top.dft"},
                          Case{d + "top.v", d + "top.dft"}, Case{d + "none", std::nullopt}}) {
        std::optional<std::string> got;
        std::string err = testsupport::stderr_of([&] { got = sl_check_dft_file(c.name); });
        EXPECT_EQ(got, c.expected) << c.name;
        if (!c.expected) {
            EXPECT_EQ(err, "WARNING : Can't find '" + d + "none.dft' file.\n\n");
        }
    }
}

constexpr const char* kControls = R"(%MBIST_CONSTRAINTS {
  %MBIST_CONTROL 2 { %BISTMODE = ctl_5.bistfail; %FINISH = fin; }
  %MBIST_CONTROL 2 { %BISTMODE = ctl_5.bistfail; }
  %MBIST_CONTROL 5 { %BISTFAIL = ctl_2.BISTMODE; }
  %MBIST_CONTROL 7 { %BISTFAIL = ctl_2.BISTMODE; }
}
)";

TEST_F(ObjectChecks, ConnectingMarksBothEndsInEveryEntryOfTheirNumbers) {
    DftObject* o = map_text(kControls);
    auto connected = [&](std::size_t entry, MbistSignal s) { return (*o->mbist_control)[entry].signals[s]->connected; };
    EXPECT_EQ(sl_check_mbist_control_connect("u_2", "bistmode"), 0);
    EXPECT_EQ(connected(0, MBIST_BISTMODE), 1);
    EXPECT_EQ(connected(1, MBIST_BISTMODE), 1);
    EXPECT_EQ(connected(2, MBIST_BISTFAIL), 1);
    EXPECT_EQ(connected(3, MBIST_BISTFAIL), 0);  // block 7 is not named
    EXPECT_EQ(sl_check_mbist_control_connect("u_2", "BISTMODE"), 1);
    // Keywords outside the list and signals an entry lacks are not found.
    EXPECT_EQ(sl_check_mbist_control_connect("u_2", "NOT_A_SIGNAL"), 0);
    EXPECT_EQ(sl_check_mbist_control_connect("u_5", "ERRMAP"), 0);
}

TEST_F(ObjectChecks, BadInstanceNamesAndPortReferencesEndTheRun) {
    struct Case {
        const char* instance;
        const char* keyword;
        const char* message;
    };
    for (const Case& c : {Case{"ctl", "BISTMODE", "has no block number"}, Case{"ctl_x", "BISTMODE", "has no block number"},
                          Case{"u_2", "FINISH", "names no instance"}}) {
        auto r = testsupport::run_child([&] {
            map_text(kControls);
            sl_check_mbist_control_connect(c.instance, c.keyword);
        });
        EXPECT_EQ(r.status, 255) << c.instance;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("'t.dft'"), std::string::npos) << r.out;
    }
}

}  // namespace
