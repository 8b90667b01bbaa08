// The fixture of the command-file writers' tests (cell_writers_test.cpp,
// chain_test.cpp, top_edit_test.cpp): a design with a pad of each kind,
// its ordered pad table, every pad's cells with the trees and the chain
// written into one command file, and the helpers that read such a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "bscan/edit.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "sdb/sdb.h"
#include "support/insertion_test_util.h"

namespace bstest {

inline constexpr int I = SDB_DIR_INPUT, O = SDB_DIR_OUTPUT, B = SDB_DIR_BIDIR;

inline const char* const kPins = R"(
1 CLK clk in
2 DIN -din in
3 DOUT dout out
4 TRI tri out PAD_EN_H
5 TRI2 tri2 out
7 BID bid inout
8 MI mi in
9 MO mo out
10 PASS pass in
11 BSP bsp in
16 OBSERVE_ONLY u1{Y} out
18 INTERNAL u2{A} in
90 TDI tdi in
91 TMS tms in
92 TCK tck in
93 TDO tdo out
)";

// A pad that carries its own boundary cell.
inline const char* const kBsBuffer =
    "%BS_BUFFER PIN_BS { %INPUT PAD; %OUTPUT Y; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO;"
    " %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; }";

// An instance with its pin nets.
inline void place(Design& d, const char* name, const char* cls,
                  std::initializer_list<std::pair<const char*, const char*>> pins) {
    d.inst(name, cls);
    d.pins(name, pins);
}

inline void build_design() {
    Design d;
    add_library_classes(d);
    d.cell("PIN_BS", {{"PAD", I}, {"Y", O}, {"SI", I}, {"SO", O}, {"SHIFT", I}, {"CLOCK", I}});
    add_tap_with_pads(d);
    for (const char* p : {"clk", "din", "mi", "pass", "bsp"}) d.port(p, I);
    for (const char* p : {"dout", "tri", "tri2", "mo"}) d.port(p, O);
    d.port("bid", B);
    place(d, "PAD_CLK", "PIN_CLK", {{"PAD", "clk"}, {"Y", "clk_c"}});
    place(d, "PAD_DIN", "PIN_IN", {{"PAD", "din"}, {"Y", "din_c"}});
    place(d, "PAD_DOUT", "PIN_OUT", {{"A", "dout_c"}, {"PAD", "dout"}});
    place(d, "PAD_TRI", "PIN_TRI", {{"A", "tri_c"}, {"OE", "oe1"}, {"PAD", "tri"}});
    place(d, "PAD_TRI2", "PIN_TRI", {{"A", "tri2_c"}, {"OE", "oe1"}, {"PAD", "tri2"}});
    place(d, "PAD_BID", "PIN_BIDIR", {{"A", "bid_o"}, {"OE", "bid_oe"}, {"Y", "bid_i"}, {"PAD", "bid"}});
    place(d, "PAD_MI", "PIN_IMUX", {{"PAD", "mi"}, {"Y", "mi_c"}, {"S", "GND"}});  // MUX_IN2 open
    place(d, "PAD_MO", "PIN_OMUX", {{"A", "mo_c"}, {"M", "VCC"}, {"PAD", "mo"}});  // MODE_1 open
    place(d, "PAD_PASS", "PIN_PASS", {{"PAD", "pass"}, {"Y", "pass_c"}});  // its output read by nothing
    place(d, "PAD_BSP", "PIN_BS", {{"PAD", "bsp"}, {"Y", "bsp_c"}});
    place(d, "g1", "AND2", {{"A", "clk_c"}, {"B", "din_c"}, {"Y", "dout_c"}});
    place(d, "g2", "AND2", {{"A", "mi_c"}, {"Y", "tri_c"}});
    place(d, "g3", "AND2", {{"A", "bid_i"}, {"B", "bsp_c"}, {"Y", "oe1"}});
    place(d, "g4", "AND2", {{"Y", "tri2_c"}});
    place(d, "g5", "AND2", {{"Y", "bid_o"}});
    place(d, "g6", "AND2", {{"Y", "bid_oe"}});
    place(d, "g7", "AND2", {{"Y", "mo_c"}});
    place(d, "u1", "AND2", {{"A", "din_c"}, {"Y", "u1_y"}});
    place(d, "u2", "AND2", {{"A", "u1_y"}, {"Y", "u2_y"}});
}

// The lines of a text.
inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> v;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        v.push_back(text.substr(at, nl - at));
        at = nl + 1;
    }
    return v;
}

// True when `want` appear in `text` as consecutive lines.
inline bool has_block(const std::string& text, const std::vector<std::string>& want) {
    std::vector<std::string> all = lines(text);
    for (size_t i = 0; i + want.size() <= all.size(); ++i) {
        size_t k = 0;
        while (k < want.size() && all[i + k] == want[k]) ++k;
        if (k == want.size()) return true;
    }
    return false;
}

inline size_t count_lines(const std::string& text, const std::string& prefix) {
    size_t n = 0;
    for (const auto& l : lines(text))
        if (l.rfind(prefix, 0) == 0) ++n;
    return n;
}

class EditWriters : public InsertionTest {
protected:
    // Reads the descriptions, builds the design, the pad table and the
    // groups, and opens the design again for the writers (the pad table
    // closes it).
    void prepare(Descriptions d) {
        if (d.pin_rows.empty()) d.pin_rows = kPins;
        d.lib_extra += kBsBuffer;
        read_descriptions(d);
        build_design();
        ASSERT_EQ(SDB_save(sdb), 0);
        build_table();
    }

    // The ordered pad table of the current design, which is then opened
    // again for the writers (the pad table closes it); the messages go
    // into warnings_.
    void build_table() {
        testing::internal::CaptureStdout();
        build_pad_table();
        open_sdb_file("t.c.sdb");
        PAD_MODULE_EXIST = 0;
        warnings_ = testing::internal::GetCapturedStdout();
    }

    // The cells of every pad, then the trees and the chain, in one file.
    std::string write_all() {
        FILE* fp = bs_open_cmd_file("t.cmd");
        EXPECT_NE(fp, nullptr);
        testing::internal::CaptureStdout();
        for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i)
            if (OPIN_TAB[i].cell) add_scan_cells_in_cmd_file(fp, i);
        HIGHZ_CNT = 0;
        built_bus_balance_group_tab_for_control_signal();
        connect_scan_cell_in_cmd(fp);
        warnings_ += testing::internal::GetCapturedStdout();
        return testsupport::read_file("t.cmd");
    }

    static std::string cell(const char* signal) { return text(pad(signal).cell_request); }

    std::string warnings_;
};

}  // namespace bstest
