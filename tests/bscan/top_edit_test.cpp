// The top design's command file (top_edit.cpp): its head with the TAP
// in the design, the TAP and its ports added with -add_tap, the pads that
// -add_pad adds, the configuration's extra connections, and a file that
// cannot be made.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bscan/edit_writers.h"
#include "sdb/nl_edit.h"

namespace {

using namespace bstest;
namespace fs = std::filesystem;
using testsupport::read_file;

// Without -add_tap the top file holds its head, the disconnects of TAP
// pins tied to a constant, and the chain ends taken off their old net.
TEST_F(InsertionTest, TopFileWithTheTapInTheDesign) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n90 TDI tdi in\n91 TMS tms in\n92 TCK tck in\n93 TDO tdo out\n";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::FILE* f = std::fopen("top.sdb", "w");
    std::fputs("design", f);
    std::fclose(f);
    bscan_init();
    TAP_FLAG[TAP_FLAG_SHIFT_DR] = 0;           // SHIFT_DR on GND
    TAP_FLAG[TAP_FLAG_CLOCK_DR] = 7;           // CLOCK_DR on a signal net: kept
    TAP_FLAG[TAP_FLAG_FIRST_BCELL] = TAP_FLAG[TAP_FLAG_LAST_BCELL] = 9;  // the chain ends closed on one net
    TAP_SHIFT_PIN = "SHIFT_DR";
    TAP_CLOCK_PIN = "CLOCK_DR";
    TAP_CONTR = get_tap_cell("qdx_tap");
    testing::internal::CaptureStdout();
    open_and_modify_top_sdb();
    std::string out = testing::internal::GetCapturedStdout();
    std::fputs("save\nquit\n", TAP_FP);
    bs_close_cmd_file(TAP_FP);
    EXPECT_EQ(read_file("bscan_lib/t_jtag.cmd"),
              "edit t_jtag\npath ./bscan_lib \ndisconnect TAP{SHIFT_DR}\ndisconnect TAP{first_Bcell}\n"
              "disconnect TAP{BOUNDARY_out}\nsave\nquit\n");
    // The working copy waits for plovert under its own name.
    EXPECT_EQ(read_file(sdb_unedited_file_name("t_jtag")), "design");
    EXPECT_FALSE(fs::exists("t_jtag.sdb"));
    EXPECT_EQ(out, "    .Editing command file    ./bscan_lib/t_jtag.cmd ...\n");
}

// With -add_tap the TAP is placed; ports without a pad become ports wired
// straight to it, and -external_idcode ties the IDCODE bus bit by bit.
TEST_F(InsertionTest, TopFileAddsTheTapAndItsPorts) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n";
    d.bsc_extra = "%IDCODE_REGISTER 10000000000000000000000000000001;";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    JTAG_OPTION[OPT_ADD_TAP] = 1;
    JTAG_OPTION[OPT_EXTERNAL_IDCODE] = 1;
    testing::internal::CaptureStdout();
    jtag_init();
    bscan_init();
    open_and_modify_top_sdb();
    testing::internal::GetCapturedStdout();
    bs_close_cmd_file(TAP_FP);
    std::string cmd = read_file("bscan_lib/t_jtag.cmd");
    EXPECT_TRUE(has_block(cmd, {"edit t_jtag", "path ./bscan_lib ", "add TAP qdx_tap", "add tdi input", "connect tdi TAP{TDI}",
                                "add tms input", "connect tms TAP{TMS}", "add tck input", "connect tck TAP{TCK}",
                                "add tdo output", "connect tdo TAP{TDO}", "connect TAP{IDCODE[31]} VCC",
                                "connect TAP{IDCODE[30]} GND"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"connect TAP{IDCODE[1]} GND", "connect TAP{IDCODE[0]} VCC"})) << cmd;
}

// -add_pad gives a TAP port without a pad a pad of its own; a TDO pad
// without an enable pin draws the 2-output warning when the TAP has a
// TDO-enable pin.
TEST_F(InsertionTest, TopFileAddsTapPads) {
    Descriptions d;
    d.pin_rows = "3 DOUT dout out\n";
    d.bsc_extra = "%INPUT_BUFFER PIN_IN; %OUTPUT_BUFFER PIN_OUT;";
    read_descriptions(d);
    fs::create_directory("bscan_lib");
    BSCAN_OPATH = "./bscan_lib";
    TOP_MODULE = "t";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    JTAG_OPTION[OPT_ADD_TAP] = 1;
    JTAG_OPTION[OPT_ADD_PAD] = 1;
    testing::internal::CaptureStdout();
    jtag_init();
    bscan_init();
    check_necessary_fields();
    open_and_modify_top_sdb();
    std::string out = testing::internal::GetCapturedStdout();
    bs_close_cmd_file(TAP_FP);
    std::string cmd = read_file("bscan_lib/t_jtag.cmd");
    EXPECT_TRUE(has_block(cmd, {"add tdi input", "add TDI_PAD PIN_IN", "connect TDI_PAD{PAD} tdi",
                                "connect TDI_PAD{Y} TAP{TDI}"}))
        << cmd;
    EXPECT_TRUE(has_block(cmd, {"add tdo output", "add TDO_PAD PIN_OUT", "connect TDO_PAD{PAD} tdo",
                                "connect TDO_PAD{A} TAP{TDO}"}))
        << cmd;
    EXPECT_NE(out.find("WARNING: TDO pin use 2-output PAD.\n"), std::string::npos) << out;
}

TEST(ConnectionTable, FourLineForms) {
    ConnectEntry d{nullptr, const_cast<char*>("p3"), nullptr, const_cast<char*>("p4"), nullptr};
    ConnectEntry c{const_cast<char*>("u1"), const_cast<char*>("Y"), const_cast<char*>("u2"), const_cast<char*>("A"), &d};
    ConnectEntry b{const_cast<char*>("u1"), const_cast<char*>("Y"), nullptr, const_cast<char*>("out"), &c};
    ConnectEntry a{nullptr, const_cast<char*>("in"), const_cast<char*>("u2"), const_cast<char*>("B"), &b};
    ConnectEntry* kept = CONNECT_TABLE;
    CONNECT_TABLE = &a;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* fp = open_memstream(&buffer, &size);
    kest_do_connection_table(fp);
    std::fclose(fp);
    CONNECT_TABLE = kept;
    EXPECT_EQ(std::string(buffer, size), "connect in u2{B}\nconnect u1{Y} out\nconnect u1{Y} u2{A}\nconnect p3 p4\n");
    std::free(buffer);
}

TEST_F(InsertionTest, CommandFileThatCannotBeCreated) {
    TOP_MODULE = "t";
    // A file in the place of the working folder.
    std::fclose(std::fopen("taken", "w"));
    BSCAN_OPATH = "./taken";
    MODULE_SDB = "top.sdb";
    std::fclose(std::fopen("top.sdb", "w"));
    EXPECT_EXIT(open_and_modify_top_sdb(), ::testing::ExitedWithCode(255), "");
    // A top design that cannot be copied stops the run before the file.
    MODULE_SDB = "absent.sdb";
    BSCAN_OPATH = ".";
    EXPECT_EXIT(open_and_modify_top_sdb(), ::testing::ExitedWithCode(255), "");
    EXPECT_FALSE(fs::exists("t_jtag.cmd"));
}

}  // namespace
