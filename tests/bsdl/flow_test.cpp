// The description checks of the per-circuit flow and the opening of the
// design, in-process on variants of the fixture chip's configuration.
#include <gtest/gtest.h>

#include <string>

#include "bsdl_test_util.h"

namespace {

using namespace bsdltest;

const std::string kTable =
    "    %INSTRUCTION EXTEST = (0000) ACCESS BOUNDARY;\n"
    "    %INSTRUCTION SAMPLE = (0001) ACCESS BOUNDARY;\n"
    "    %INSTRUCTION IDCODE = (0010) ACCESS IDCODE;\n"
    "    %INSTRUCTION BYPASS = (1111) ACCESS BYPASS;\n";

class Checks : public BsdlTest {
protected:
    // The fixture's configuration with its instruction rows replaced.
    void configure(const std::string& rows) {
        std::string bsc = testsupport::read_file(testsupport::source_path("tests/fixtures/chip/chip.bsc"));
        size_t at = bsc.find(kTable);
        ASSERT_NE(at, std::string::npos);
        dir.write("chip.bsc", bsc.replace(at, kTable.size(), rows));
    }
    static void read_and_check() {
        BS_LIB_FILE = "chip.lib";
        BS_BSC_FILE = "chip.bsc";
        bsdft_init();
        get_bs_dft_file("chip.lib", "chip.bsc", 0);
        check_necessary_information();
    }
    ChipDir dir;
};

TEST_F(Checks, InstructionRowsAreFound) {
    configure(kTable + "    %INSTRUCTION extest = (0101) ACCESS BOUNDARY;\n"
                       "    %INSTRUCTION Quendal_ATPG = (0110) ACCESS BYPASS;\n");
    read_and_check();
    EXPECT_EQ(TAP_CONTR, get_tap_cell("qdx_tap"));
    EXPECT_EQ(EXTEST_EXIST, 4);  // the last row of a name wins
    EXPECT_EQ(SAMPLE_EXIST, 1);
    EXPECT_EQ(IDCODE_EXIST, 2);
    EXPECT_EQ(BYPASS_EXIST, 3);
    EXPECT_EQ(QUENDAL_ATPG_EXIST, 5);
    for (int x : {INTEST_EXIST, CHIP_TEST_EXIST, USERCODE_EXIST, HIGHZ_EXIST, CLAMP_EXIST, RUNBIST_EXIST})
        EXPECT_EQ(x, -1);
}

TEST_F(Checks, InstructionAndRegisterRules) {
    const std::string kRequired =
        "ERROR: (chip.bsc) -add_tap option required INSTRUCTION\n"
        "       EXTEST, SAMPLE and BYPASS declared in %INSTRUCTION_TABLE.\n\n";
    struct Case {
        const char* what;
        std::string rows;
        std::string message;  // empty: passes
    } cases[] = {
        {"no USERCODE and no IDCODE",
         "    %INSTRUCTION EXTEST = (00) ACCESS BOUNDARY;\n    %INSTRUCTION SAMPLE = (01) ACCESS BOUNDARY;\n"
         "    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         ""},
        {"USERCODE accessing IDCODE", kTable + "    %INSTRUCTION USERCODE = (0011) ACCESS IDCODE;\n", ""},
        {"CHIP_TEST and RUNBIST are not checked",
         kTable + "    %INSTRUCTION CHIP_TEST = (0100) ACCESS BOUNDARY;\n"
                  "    %INSTRUCTION RUNBIST = (0101) ACCESS IDCODE;\n",
         ""},
        {"no SAMPLE",
         "    %INSTRUCTION EXTEST = (00) ACCESS BOUNDARY;\n    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         kRequired},
        {"BYPASS wrong before EXTEST wrong",
         "    %INSTRUCTION EXTEST = (00) ACCESS BYPASS;\n    %INSTRUCTION SAMPLE = (01) ACCESS BOUNDARY;\n"
         "    %INSTRUCTION BYPASS = (11) ACCESS BOUNDARY;\n",
         "ERROR: (chip.bsc) INSTRUCTION BYPASS must access bypass register.\n\n"},
        {"SAMPLE wrong",
         "    %INSTRUCTION EXTEST = (00) ACCESS BOUNDARY;\n    %INSTRUCTION SAMPLE = (01) ACCESS IDCODE;\n"
         "    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         "ERROR: (chip.bsc) INSTRUCTION SAMPLE must access boundary register.\n\n"},
        {"CLAMP accessing boundary", kTable + "    %INSTRUCTION CLAMP = (0011) ACCESS BOUNDARY;\n",
         "ERROR: (chip.bsc) INSTRUCTION CLAMP must access bypass register.\n\n"},
        {"HIGHZ accessing idcode", kTable + "    %INSTRUCTION HIGHZ = (0011) ACCESS IDCODE;\n",
         "ERROR: (chip.bsc) INSTRUCTION HIGHZ must access bypass register.\n\n"},
        {"INTEST accessing bypass", kTable + "    %INSTRUCTION INTEST = (0011) ACCESS BYPASS;\n",
         "ERROR: (chip.bsc) INSTRUCTION INTEST must access boundary register.\n\n"},
        {"IDCODE accessing bypass",
         "    %INSTRUCTION EXTEST = (00) ACCESS BOUNDARY;\n    %INSTRUCTION SAMPLE = (01) ACCESS BOUNDARY;\n"
         "    %INSTRUCTION IDCODE = (10) ACCESS BYPASS;\n    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         "ERROR: (chip.bsc) INSTRUCTION IDCODE must access IDCODE register.\n\n"},
        {"USERCODE accessing boundary", kTable + "    %INSTRUCTION USERCODE = (0011) ACCESS BOUNDARY;\n",
         "ERROR: (chip.bsc) INSTRUCTION USERCODE must access USERCODE register.\n\n"},
        {"IDCODE given SAMPLE's opcode",
         "    %INSTRUCTION EXTEST = (00) ACCESS BOUNDARY;\n    %INSTRUCTION SAMPLE = (01) ACCESS BOUNDARY;\n"
         "    %INSTRUCTION IDCODE = (01) ACCESS IDCODE;\n    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         "ERROR: (chip.bsc) INSTRUCTION 'SAMPLE' (01) and INSTRUCTION 'IDCODE' (01) share an opcode.\n\n"},
        {"an opcode with X covering two others", kTable + "    %INSTRUCTION PRIV = (00x0) ACCESS BYPASS;\n",
         "ERROR: (chip.bsc) INSTRUCTION 'EXTEST' (0000) and INSTRUCTION 'PRIV' (00x0) share an opcode.\n\n"},
        {"the opcodes of one instruction may overlap",
         "    %INSTRUCTION EXTEST = (00, 0X) ACCESS BOUNDARY;\n    %INSTRUCTION SAMPLE = (10) ACCESS BOUNDARY;\n"
         "    %INSTRUCTION BYPASS = (11) ACCESS BYPASS;\n",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        configure(c.rows);
        ChildResult r = run_child(read_and_check);
        EXPECT_EQ(r.status, c.message.empty() ? 0 : 255);
        EXPECT_EQ(r.out, c.message);
    }
}

TEST_F(Checks, TapModuleAndInstanceNames) {
    std::string bsc = testsupport::read_file(testsupport::source_path("tests/fixtures/chip/chip.bsc"));
    struct Case {
        const char* remove;
        std::string message;
    } cases[] = {
        {"%MODULE_NAME   qdx_tap;", "ERROR: \"chip.bsc\" can't find %MODULE_NAME in %TAP_MODULE.\n\n"},
        {"%INSTANCE_NAME TAP;", "ERROR: \"chip.bsc\" can't find %INSTANCE_NAME in %TAP_MODULE.\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remove);
        std::string text = bsc;
        size_t at = text.find(c.remove);
        ASSERT_NE(at, std::string::npos);
        dir.write("chip.bsc", text.erase(at, std::string(c.remove).size()));
        ChildResult r = run_child(read_and_check);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, c.message);
    }
}

TEST_F(Checks, TheDesignAndItsTapInstance) {
    auto open = [] {
        read_and_check();
        BS_SDB_FILE = "chip.c.sdb";
        open_and_check_sdb();
    };
    {
        DesignBuilder d(dir.file("chip.c.sdb"));
        chip_classes(d);
        d.inst("U_TAP", "qdx_tap");
        d.save();
    }
    ChildResult r = run_child(open);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out,
              "ERROR: can't find TAP_CONTROLLER (TAP) in SDB \"chip.c.sdb\".\n"
              "       Please check %INSTANCE_NAME of %TAP_MODULE in file \"chip.bsc\".\n\n");

    dir.write("chip.c.sdb", std::string(800, 'x'));
    r = run_child(open);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: can't open SDB file \"chip.c.sdb\".\n"), std::string::npos) << r.out;

    {
        DesignBuilder d(dir.file("chip.c.sdb"));
        chip_classes(d);
        d.inst("TAP", "qdx_tap");
        d.save();
    }
    open();
    EXPECT_NE(sdb, nullptr);
    EXPECT_EQ(TAP_IOBJ, SDB_nl_search_obj("TAP"));
}

}  // namespace
