// The TAP ports of the design edits (tap_ports.cpp): a TAP pad's port
// recorded in the row of its IO-pad module and passed up to the TAP.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "bscan/edit.h"
#include "jtag/jtag.h"
#include "support/insertion_test_util.h"

namespace {

using namespace bstest;

// With several IO-pad modules a TAP pad that needs a port records it in
// the row of its module (found ignoring case); the pad record then names
// the outermost instance and the new port.
TEST_F(InsertionTest, TapPortRecordedInItsModule) {
    TOP_MODULE = "t";
    bs_create_multi_io_tab();
    MultiIoModule row{};
    row.module = qdx_strdup("IOPADS");
    row.instance = qdx_strdup("u_io");
    row.parent = 0;
    DYNA_append(&MULTI_IO_TAB, row);
    PadEntry p{};
    p.signal = qdx_strdup("tdi");
    p.pad_instance = qdx_strdup("PAD_TDI");
    p.pin_to_core = qdx_strdup("Y");
    p.modules = DYNA_new<char*>();
    p.instances = DYNA_new<char*>();
    DYNA_append(&p.modules, qdx_strdup("iopads"));
    DYNA_append(&p.instances, qdx_strdup("u_io"));
    p.multi_io_row = 1;
    bs_add_tap_port_to_cmd_file(&p, 0, 1);
    const MultiIoModule& m = MULTI_IO_TAB[1];
    ASSERT_EQ(DYNA_count(m.ports), 1);
    EXPECT_EQ(text(m.ports[0].name), "qdx_tap_tdi");
    EXPECT_EQ(m.ports[0].direction, 1);
    ASSERT_EQ(DYNA_count(m.connects), 1);
    EXPECT_EQ(text(m.connects[0].instance1) + "{" + text(m.connects[0].pin1) + "} " + text(m.connects[0].pin2),
              "PAD_TDI{Y} qdx_tap_tdi");
    EXPECT_EQ(text(p.pad_instance), "u_io");
    EXPECT_EQ(text(p.pin_to_core), "qdx_tap_tdi");
    // The top passes the port to the TAP.
    ASSERT_EQ(DYNA_count(MULTI_IO_TAB[0].connects), 1);
    EXPECT_EQ(text(MULTI_IO_TAB[0].connects[0].instance1) + "{" + text(MULTI_IO_TAB[0].connects[0].pin1) + "}",
              "u_io{qdx_tap_tdi}");
    // A pad whose module has no row ends the run.
    p.multi_io_row = -1;
    EXPECT_EXIT(bs_add_tap_port_to_cmd_file(&p, 0, 1), ::testing::ExitedWithCode(255), "");
    for (char** t : {&p.signal, &p.pad_instance, &p.pin_to_core}) std::free(*t);
    for (char** list : {p.modules, p.instances}) {
        for (int i = 0; i < DYNA_count(list); ++i) std::free(list[i]);
        DYNA_free(&list);
    }
}

}  // namespace
