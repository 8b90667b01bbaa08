// The search from each port's pad to its boundary cells and the rows of
// the boundary register, on small designs made with the makers; and the
// BSDL file written whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bsdl/template.h"
#include "bsdl_text_util.h"
#include "support/bsdl_check.h"

namespace {

using namespace bsdltest;

// TAP.first_Bcell -> cells[0] -> ... -> cells[n-1] -> TAP.BOUNDARY_out;
// the last cell walked is at position 0.  A cell is "name" (scan pins SI
// and SO) or "name:in:out".
void chain(DesignBuilder& d, const std::vector<std::string>& cells) {
    chip_front(d);
    std::string from = "TAP/first_Bcell";
    for (size_t i = 0; i < cells.size(); ++i) {
        std::string name = cells[i], in = "SI", out = "SO";
        if (size_t c = name.find(':'); c != std::string::npos) {
            size_t c2 = name.find(':', c + 1);
            in = name.substr(c + 1, c2 - c - 1);
            out = name.substr(c2 + 1);
            name = name.substr(0, c);
        }
        d.net("scan" + std::to_string(i), {from, name + "/" + in});
        from = name + "/" + out;
    }
    d.net("scan_end", {from, "TAP/BOUNDARY_out"});
}

struct TraceCase {
    std::string name;
    std::function<void(DesignBuilder&)> body;
    std::vector<PinRow> rows;
    std::string rows_text;  // the BOUNDARY_REGISTER rows
    std::string library{};  // added to the library
    std::vector<int> options{};
    std::string grouping{};  // the PORT_GROUPING text
};
void PrintTo(const TraceCase& c, std::ostream* os) { *os << c.name; }

class Tracers : public WriterTest, public ::testing::WithParamInterface<TraceCase> {
protected:
    // Description, design, chain and port tables of the case.
    void prepare(const TraceCase& c) {
        if (!c.library.empty()) add_library(c.library);
        design(c.body);
        for (int o : c.options) option_check[o] = 1;
        read_description();
        set_pin_rows(c.rows);
        open_and_check_sdb();
        get_bs_chain();
        testsupport::stdout_of([] { create_BUF_TAB(); });
    }
};

const std::string kHeader =
    "\n  attribute BOUNDARY_REGISTER of chip : entity is\n"
    "  -- num   cell         port            function       safe [ccell disval rslt]\n\n";

TEST_P(Tracers, FindTheCellsOfEachPort) {
    const TraceCase& c = GetParam();
    prepare(c);
    std::string text;
    testsupport::stdout_of([&] { text = bsdl_text([] { print_attribute_of_bd_register("chip"); }); });
    EXPECT_EQ(text, kHeader + c.rows_text);
    for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i) EXPECT_TRUE(CHAIN_TAB[i]->in_register) << CHAIN_TAB[i]->key;
    EXPECT_EQ(bsdl_text(print_port_grouping_decl), c.grouping);
}

// An output pad's data from `cell`, its enable from `control`.
void tri(DesignBuilder& d, const std::string& port, const std::string& cell, const std::string& control) {
    padded(d, port, OUT, "PIN_TRI");
    d.net(port + "_d", {cell + "/DO", "p_" + port + "/A"});
    if (!control.empty()) d.net(port + "_oe", {control + "/DO", "p_" + port + "/OE"});
}

INSTANTIATE_TEST_SUITE_P(
    Writer, Tracers,
    ::testing::Values(
        TraceCase{"inputs_outputs_and_a_shared_control_cell",
                  [](DesignBuilder& d) {
                      d.inst("ca", "BC_IN").inst("co", "BC_OUT").inst("c1", "BC_OUT").inst("c2", "BC_OUT");
                      d.inst("cc", "BC_CTRL");
                      padded(d, "a", IN, "PIN_IN");
                      d.net("a_y", {"p_a/Y", "ca/DI"});
                      padded(d, "o", OUT, "PIN_OUT");
                      d.net("o_a", {"co/DO", "p_o/A"});
                      tri(d, "t1", "c1", "");
                      tri(d, "t2", "c2", "");
                      d.net("oe", {"cc/DO", "p_t1/OE", "p_t2/OE"});
                      chain(d, {"ca", "co", "c1", "c2", "cc"});
                  },
                  {{"1", "a", "A"}, {"2", "o", "O"}, {"3", "t1", "T1", PAD_EN_HIGH}, {"4", "t2", "T2", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_1        ,T2             ,output3       ,X   ,0    ,0     ,Z),\" &\n"
                  "    \"2    (BC_1        ,T1             ,output3       ,X   ,0    ,0     ,Z),\" &\n"
                  "    \"3    (BC_1        ,O              ,output2       ,X),\" &\n"
                  "    \"4    (BC_1        ,A              ,input         ,X)\";\n"},
        // "-n": the pad's data passes an inverter (with a warning, see
        // InverterOnTheWay) and a 2-input gate.
        TraceCase{"inverted_input_through_a_gate",
                  [](DesignBuilder& d) {
                      d.inst("ca", "BC_IN").inst("inv", "INV").inst("g", "AND2");
                      padded(d, "n", IN, "PIN_IN");
                      d.net("n_y", {"p_n/Y", "inv/A"}).net("n_i", {"inv/Y", "g/A"}).net("n_g", {"g/Y", "ca/DI"});
                      chain(d, {"ca"});
                  },
                  {{"1", "-n", "N"}},
                  "    \"0    (BC_1        ,N              ,input         ,X)\";\n"},
        TraceCase{"bidirectional_pad_on_one_cell",
                  [](DesignBuilder& d) {
                      d.inst("cb", "BC_BIDIR").inst("cc", "BC_CTRL");
                      padded(d, "b", INOUT, "PIN_BIDIR");
                      d.net("b_y", {"p_b/Y", "cb/FROM_PAD"}).net("b_a", {"cb/DO", "p_b/A"});
                      d.net("b_oe", {"cc/DO", "p_b/OE"});
                      chain(d, {"cb", "cc"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_7        ,B              ,bidir         ,X   ,0    ,0     ,Z)\";\n"},
        // A mux pad drives its pin from the cell's update stage through
        // its second data input: the output side is found there.
        TraceCase{"bidirectional_mux_pad_on_one_cell",
                  [](DesignBuilder& d) {
                      d.cell("PIN_BMX", {{"PAD", INOUT}, {"A", IN}, {"OE", IN}, {"M1", IN}, {"S1", IN}, {"Y", OUT}});
                      d.cell("BC_BMX",
                             {{"SI", IN}, {"DI", IN}, {"FROM_PAD", IN}, {"SO", OUT}, {"UO", OUT}, {"TO_CORE", OUT}});
                      d.inst("cb", "BC_BMX").inst("cc", "BC_CTRL");
                      padded(d, "b", INOUT, "PIN_BMX");
                      d.net("b_y", {"p_b/Y", "cb/FROM_PAD"}).net("b_a", {"p_b/A", "cb/DI"});
                      d.net("b_m1", {"cb/UO", "p_b/M1"}).net("b_oe", {"cc/DO", "p_b/OE"});
                      chain(d, {"cb", "cc"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_7        ,B              ,bidir         ,X   ,0    ,0     ,Z)\";\n",
                  "%BUFFER PIN_BMX { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; %MUX_IN1 M1;"
                  " %MODE_1 S1; }\n"
                  "%SCAN_CELL BC_BMX { %STD_NAME BC_7; %DATA_IN DI; %SYS_PIN FROM_PAD; %SYS_IN TO_CORE;"
                  " %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; }\n"},
        TraceCase{"bidirectional_pad_on_input_and_output_cells",
                  [](DesignBuilder& d) {
                      d.inst("ci", "BC_IN").inst("co", "BC_OUT").inst("cc", "BC_CTRL");
                      padded(d, "b", INOUT, "PIN_BIDIR");
                      d.net("b_y", {"p_b/Y", "ci/DI"}).net("b_a", {"co/DO", "p_b/A"});
                      d.net("b_oe", {"cc/DO", "p_b/OE"});
                      chain(d, {"ci", "co", "cc"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_1        ,B              ,output3       ,X   ,0    ,0     ,Z),\" &\n"
                  "    \"2    (BC_1        ,B              ,input         ,X)\";\n"},
        // The enable net is the design's third net: only GND and VCC are
        // passed over.
        TraceCase{"bidirectional_enable_on_an_early_net",
                  [](DesignBuilder& d) {
                      d.inst("cb", "BC_BIDIR").inst("cc", "BC_CTRL").inst("p_b", "PIN_BIDIR");
                      d.net("b_oe", {"cc/DO", "p_b/OE"});
                      d.port("b", INOUT).net("b", {"p_b/PAD"});
                      d.net("b_y", {"p_b/Y", "cb/FROM_PAD"}).net("b_a", {"cb/DO", "p_b/A"});
                      chain(d, {"cb", "cc"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_7        ,B              ,bidir         ,X   ,0    ,0     ,Z)\";\n"},
        // The enable comes only from the TAP's HIGHZ command through a
        // buffer: no control cell, so EXTEST always drives the pin.
        TraceCase{"bidirectional_pad_without_control_cell",
                  [](DesignBuilder& d) {
                      d.inst("cb", "BC_BIDIR").inst("hz", "BUF");
                      padded(d, "b", INOUT, "PIN_BIDIR");
                      d.net("b_y", {"p_b/Y", "cb/FROM_PAD"}).net("b_a", {"cb/DO", "p_b/A"});
                      d.net("highz", {"hz/A"}).net("b_oe", {"hz/Y", "p_b/OE"});
                      chain(d, {"cb"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}},
                  "    \"0    (BC_7        ,B              ,output2       ,X)\";\n"},
        // Enables tied to their disabling value: the pads never drive, their
        // output cells serve no port.
        TraceCase{"enables_tied_off",
                  [](DesignBuilder& d) {
                      d.inst("ci", "BC_IN").inst("co", "BC_OUT").inst("cb", "BC_BIDIR").inst("ct", "BC_OUT");
                      padded(d, "b", INOUT, "PIN_BIDIR");
                      d.net("b_y", {"p_b/Y", "ci/DI"}).net("b_a", {"co/DO", "p_b/A"});
                      padded(d, "c", INOUT, "PIN_BIDIR");
                      d.net("c_y", {"p_c/Y", "cb/FROM_PAD"}).net("c_a", {"cb/DO", "p_c/A"});
                      tri(d, "t", "ct", "");
                      d.net("GND", {"p_b/OE", "p_c/OE", "p_t/OE"});
                      chain(d, {"ci", "co", "cb", "ct"});
                  },
                  {{"1", "b", "B", PAD_EN_HIGH}, {"2", "c", "C", PAD_EN_HIGH}, {"3", "t", "T", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,internal      ,X),\" &\n"
                  "    \"1    (BC_7        ,C              ,input         ,X),\" &\n"
                  "    \"2    (BC_1        ,*              ,internal      ,X),\" &\n"
                  "    \"3    (BC_1        ,B              ,input         ,X)\";\n"},
        // Cells on signals inside the chip: one driving a gate's output
        // net (INTERNAL), one only capturing a gate's input (OBSERVE).
        // Neither serves a pin, so both are internal cells without a port.
        TraceCase{"internal_and_observed_points",
                  [](DesignBuilder& d) {
                      d.inst("ci", "BC_IN").inst("co", "BC_IN").inst("g", "BUF").inst("h", "BUF");
                      d.net("g_y", {"g/Y", "ci/DI"}).net("h_a", {"h/A", "co/DI"});
                      chain(d, {"ci", "co"});
                  },
                  {{"1", "g{Y}", "INTERNAL"}, {"2", "h{A}", "OBSERVE"}},
                  "    \"0    (BC_1        ,*              ,internal      ,X),\" &\n"
                  "    \"1    (BC_1        ,*              ,internal      ,X)\";\n"},
        // Both bits of a two-bit cell on a signal inside the chip are
        // internal cells: neither serves a pin.
        TraceCase{"two_bit_cell_at_an_internal_point",
                  [](DesignBuilder& d) {
                      d.inst("c2", "BC_2BIT").inst("g", "BUF");
                      d.net("g_y", {"g/Y", "c2/DI"});
                      chain(d, {"c2"});
                  },
                  {{"1", "g{Y}", "INTERNAL"}},
                  "    \"0    (BC_1        ,*              ,internal      ,X),\" &\n"
                  "    \"1    (BC_2        ,*              ,internal      ,X)\";\n"},
        TraceCase{"two_bit_output_cell",
                  [](DesignBuilder& d) {
                      d.inst("c2", "BC_2BIT").inst("cc", "BC_CTRL");
                      tri(d, "t", "c2", "cc");
                      chain(d, {"c2", "cc"});
                  },
                  {{"1", "t", "T", PAD_EN_HIGH}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_1        ,T              ,output3       ,X   ,0    ,0     ,Z),\" &\n"
                  "    \"2    (BC_2        ,T              ,input         ,X)\";\n"},
        // An open-drain pad: its enable is its data pin.
        TraceCase{"output_enabled_by_its_data",
                  [](DesignBuilder& d) {
                      d.cell("PIN_OD", {{"A", IN}, {"PAD", OUT}});
                      d.inst("co", "BC_OUT");
                      padded(d, "o", OUT, "PIN_OD");
                      d.net("o_a", {"co/DO", "p_o/A"});
                      chain(d, {"co"});
                  },
                  {{"1", "o", "O"}},
                  "    \"0    (BC_1        ,O              ,output2       ,1   ,0    ,1     ,WEAK1)\";\n",
                  "%BUFFER PIN_OD { %INPUT A; %OUTPUT PAD; %EN_L A; %WEAK_1; }\n"},
        // A pad with its own boundary cell is that cell.
        TraceCase{"pad_with_its_own_cell",
                  [](DesignBuilder& d) {
                      d.inst("p_a", "IO_CELL");
                      d.port("a", IN).net("a", {"p_a/PAD"});
                      chain(d, {"p_a:TI:TO"});
                  },
                  {{"1", "a", "A"}},
                  "    \"0    (BC_7        ,A              ,input         ,X)\";\n"},
        TraceCase{"no_pad",
                  [](DesignBuilder& d) {
                      d.inst("ca", "BC_IN").inst("co", "BC_OUT");
                      d.port("a", IN).net("a", {"ca/DI"});
                      d.port("o", OUT).net("o", {"co/DO"});
                      chain(d, {"ca", "co"});
                  },
                  {{"1", "a", "A"}, {"2", "o", "O"}},
                  "    \"0    (BC_1        ,O              ,output2       ,X),\" &\n"
                  "    \"1    (BC_1        ,A              ,input         ,X)\";\n",
                  "",
                  {BSDL_OPT_NO_PAD}},
        // A module of three bits wired to a port without a pad: a row per
        // %ORDER word at the module's three positions, above the cell
        // walked after it.
        TraceCase{"no_pad_module_of_three_bits",
                  [](DesignBuilder& d) {
                      d.inst("cm", "BC_3BIT").inst("ca", "BC_IN");
                      d.port("a", IN).net("a", {"ca/DI"});
                      d.port("o", OUT).net("o", {"cm/DO"});
                      chain(d, {"cm", "ca"});
                  },
                  {{"1", "a", "A"}, {"2", "o", "O"}},
                  "    \"0    (BC_1        ,A              ,input         ,X),\" &\n"
                  "    \"1    (BC_1        ,O              ,input         ,X),\" &\n"
                  "    \"2    (BC_1        ,O              ,output3       ,X   ,3    ,0     ,Z),\" &\n"
                  "    \"3    (BC_1        ,*              ,control       ,0)\";\n",
                  "",
                  {BSDL_OPT_NO_PAD}},
        // Without pads a cell's own enable leads to its control cell, whose
        // safe value disables the driver.
        TraceCase{"no_pad_three_state",
                  [](DesignBuilder& d) {
                      d.cell("BC_TRI", {{"SI", IN}, {"DI", IN}, {"OE", IN}, {"SO", OUT}, {"DO", OUT}});
                      d.inst("ct", "BC_TRI").inst("cc", "BC_CTRL");
                      d.port("o", OUT).net("o", {"ct/DO"});
                      d.net("oe", {"cc/DO", "ct/OE"});
                      chain(d, {"ct", "cc"});
                  },
                  {{"1", "o", "O"}},
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_1        ,O              ,output3       ,X   ,0    ,0     ,Z)\";\n",
                  "%SCAN_CELL BC_TRI\n{\n    %STD_NAME BC_1;\n    %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %EN_H OE;\n}\n",
                  {BSDL_OPT_NO_PAD}},
        // Only the positive leg of a differential pair gets a row.
        TraceCase{"differential_input",
                  [](DesignBuilder& d) {
                      d.cell("PIN_LVDS", {{"P", IN}, {"N", IN}, {"Y", OUT}});
                      d.inst("ca", "BC_IN").inst("pad", "PIN_LVDS");
                      d.port("ap", IN).net("ap", {"pad/P"});
                      d.port("an", IN).net("an", {"pad/N"});
                      d.net("y", {"pad/Y", "ca/DI"});
                      chain(d, {"ca"});
                  },
                  {{"1", "ap", "AP"}, {"2", "an", "AN"}},
                  "    \"0    (BC_1        ,AP             ,input         ,X)\";\n",
                  "%DIFFERENTIAL_VOLTAGE PIN_LVDS { %INPUT_P P; %INPUT_M N; %OUTPUT Y; }\n",
                  {},
                  "\n  attribute PORT_GROUPING of chip : entity is \n"
                  "    \"Differential_Voltage ( (AP, AN)) \" ;\n"}),
    [](const auto& info) { return info.param.name; });

// HIGHZ is left out where a control cell lets its outputs drive under it.
// A control cell is a cell that drives a port's enable here, whatever
// its library cell: with one library cell for every role (BC_Z, with a
// HIGHZ pin) an input cell whose HIGHZ pin is open controls nothing.  A
// port wired straight to a three-state cell (-no_pad) has the control
// cell that the cell's enable leads back to.
struct HighzRoleCase {
    std::string name;
    std::function<void(DesignBuilder&)> body;
    std::vector<PinRow> rows;
    std::string warning;  // empty: HIGHZ listed
    std::vector<int> options{};
};
void PrintTo(const HighzRoleCase& c, std::ostream* os) { *os << c.name; }

class HighzByRole : public WriterTest, public ::testing::WithParamInterface<HighzRoleCase> {};

TEST_P(HighzByRole, ListedWhenEveryControlCellTakesTheCommand) {
    const HighzRoleCase& c = GetParam();
    configure("%CONTROL_SCAN BC_CTRL;", "%CONTROL_SCAN BC_Z;");
    configure("    %INSTRUCTION BYPASS", "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n    %INSTRUCTION BYPASS");
    add_library(
        "%SCAN_CELL BC_Z { %STD_NAME BC_1; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %HIGHZ HZ; }\n"
        "%SCAN_CELL BC_ZTRI { %STD_NAME BC_1; %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %EN_H OE; %HIGHZ HZ; }\n");
    design([&](DesignBuilder& d) {
        d.cell("BC_Z", {{"SI", IN}, {"DI", IN}, {"HZ", IN}, {"SO", OUT}, {"DO", OUT}});
        d.cell("BC_ZTRI", {{"SI", IN}, {"DI", IN}, {"OE", IN}, {"HZ", IN}, {"SO", OUT}, {"DO", OUT}});
        c.body(d);
    });
    for (int o : c.options) option_check[o] = 1;
    read_description();
    set_pin_rows(c.rows);
    open_and_check_sdb();
    get_bs_chain();
    testsupport::stdout_of([] { create_BUF_TAB(); });
    std::string text;
    const std::string out = testsupport::stdout_of([&] { text = bsdl_text([] { print_TAP_description("chip"); }); });
    EXPECT_EQ(text.find("\"HIGHZ ") != std::string::npos, c.warning.empty()) << text;
    if (c.warning.empty()) {
        EXPECT_EQ(out.find("HIGHZ_COMMAND"), std::string::npos) << out;
    } else {
        EXPECT_NE(out.find(c.warning), std::string::npos) << out;
    }
}

// Input cell ca at pad a; t's output cell co with its control cell cc.
void input_and_three_state(DesignBuilder& d) {
    d.inst("ca", "BC_Z").inst("co", "BC_Z").inst("cc", "BC_Z");
    padded(d, "a", IN, "PIN_IN");
    d.net("a_y", {"p_a/Y", "ca/DI"});
    tri(d, "t", "co", "cc");
    chain(d, {"ca", "co", "cc"});
}

std::string takes_no_highz(const std::string& cell) {
    return "WARNING: control cell '" + cell + "'(BC_Z) takes no %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"
           "         the outputs it controls keep driving under INSTRUCTION HIGHZ, which is left out\n";
}

INSTANTIATE_TEST_SUITE_P(
    Writer, HighzByRole,
    ::testing::Values(
        HighzRoleCase{"input_cell_of_the_control_cells_kind",
                      [](DesignBuilder& d) {
                          input_and_three_state(d);
                          d.net("hz", {"TAP/HIGHZ", "cc/HZ"});
                      },
                      {{"1", "a", "A"}, {"2", "t", "T", PAD_EN_HIGH}},
                      ""},
        HighzRoleCase{"control_cell_pin_open",
                      [](DesignBuilder& d) {
                          input_and_three_state(d);
                          d.net("hz", {"TAP/HIGHZ", "ca/HZ", "co/HZ"});
                      },
                      {{"1", "a", "A"}, {"2", "t", "T", PAD_EN_HIGH}},
                      takes_no_highz("cc")},
        HighzRoleCase{"port_without_pad_on_a_three_state_cell",
                      [](DesignBuilder& d) {
                          d.inst("ct", "BC_ZTRI").inst("cc", "BC_Z");
                          d.port("t", OUT).net("t", {"ct/DO"});
                          chain(d, {"ct", "cc"});
                          d.net("t_oe", {"cc/DO", "ct/OE"}).net("hz", {"TAP/HIGHZ", "ct/HZ"});
                      },
                      {{"1", "t", "T"}},
                      takes_no_highz("cc"),
                      {BSDL_OPT_NO_PAD}}),
    [](const auto& info) { return info.param.name; });

// An active-low pin ("-" in the pin list) needs no inverter before its
// cell.  An odd number of inverters between a pin and its cell (a design
// edited by hand) is something no BSDL row can say: the search names the
// port and the inverters in a warning and writes the row all the same.
struct InverterCase {
    std::string name;
    std::function<void(DesignBuilder&)> body;
    std::vector<PinRow> rows;
    std::string row;      // the BOUNDARY_REGISTER row
    std::string warning;  // "" for none
};
void PrintTo(const InverterCase& c, std::ostream* os) { *os << c.name; }

class InverterOnTheWay : public WriterTest, public ::testing::WithParamInterface<InverterCase> {};

TEST_P(InverterOnTheWay, WarnsAndWritesTheRow) {
    const InverterCase& c = GetParam();
    design(c.body);
    std::string out;
    EXPECT_EQ(register_rows(c.rows, &out), kHeader + c.row);
    if (c.warning.empty()) {
        EXPECT_EQ(out.find("WARNING"), std::string::npos) << out;
    } else {
        EXPECT_NE(out.find(c.warning), std::string::npos) << out;
    }
}

// The warning for a port whose cell sees it through an inverter.
std::string inverted(const std::string& port, const std::string& cell, const std::string& inverter) {
    return "WARNING: port '" + port + "' reaches its boundary cell '" + cell + "' through the inverter '" + inverter +
           "'(INV):\n         the cell sees the pin inverted, which the BSDL file cannot describe.\n\n";
}

// The input pad of port n, then `inverters` inverters i1, i2, ... in line
// to the input cell ca.
std::function<void(DesignBuilder&)> input_through(int inverters) {
    return [inverters](DesignBuilder& d) {
        d.inst("ca", "BC_IN");
        padded(d, "n", IN, "PIN_IN");
        std::string from = "p_n/Y";
        for (int i = 1; i <= inverters; ++i) {
            const std::string inv = "i" + std::to_string(i);
            d.inst(inv, "INV").net("n_" + std::to_string(i), {from, inv + "/A"});
            from = inv + "/Y";
        }
        d.net("n_c", {from, "ca/DI"});
        chain(d, {"ca"});
    };
}

const char* const kInputRow = "    \"0    (BC_1        ,N              ,input         ,X)\";\n";

INSTANTIATE_TEST_SUITE_P(
    Writer, InverterOnTheWay,
    ::testing::Values(
        InverterCase{"active_low_input_without_inverter", input_through(0), {{"1", "-n", "N"}}, kInputRow, ""},
        InverterCase{"active_low_input_through_an_inverter", input_through(1), {{"1", "-n", "N"}}, kInputRow,
                     inverted("n", "ca", "i1")},
        InverterCase{"output_through_an_inverter",
                     [](DesignBuilder& d) {
                         d.inst("co", "BC_OUT").inst("inv", "INV");
                         padded(d, "o", OUT, "PIN_OUT");
                         d.net("o_i", {"co/DO", "inv/A"}).net("o_a", {"inv/Y", "p_o/A"});
                         chain(d, {"co"});
                     },
                     {{"1", "o", "O"}},
                     "    \"0    (BC_1        ,O              ,output2       ,X)\";\n",
                     inverted("o", "co", "inv")},
        InverterCase{"bidirectional_through_inverters",
                     [](DesignBuilder& d) {
                         d.inst("cb", "BC_BIDIR").inst("cc", "BC_CTRL").inst("i1", "INV").inst("i2", "INV");
                         padded(d, "b", INOUT, "PIN_BIDIR");
                         d.net("b_y", {"p_b/Y", "i1/A"}).net("b_i", {"i1/Y", "cb/FROM_PAD"});
                         d.net("b_d", {"cb/DO", "i2/A"}).net("b_a", {"i2/Y", "p_b/A"});
                         d.net("b_oe", {"cc/DO", "p_b/OE"});
                         chain(d, {"cb", "cc"});
                     },
                     {{"1", "-b", "B", PAD_EN_HIGH}},
                     "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                     "    \"1    (BC_7        ,B              ,bidir         ,X   ,0    ,0     ,Z)\";\n",
                     inverted("b", "cb", "i2")},
        // A design edited by an earlier version with -no_pad: the port
        // reaches its cell through an inverter alone, which stands for
        // its pad.
        InverterCase{"port_on_an_inverter",
                     [](DesignBuilder& d) {
                         d.inst("ca", "BC_IN").inst("inv", "INV");
                         d.port("n", IN).net("n", {"inv/A"}).net("n_i", {"inv/Y", "ca/DI"});
                         chain(d, {"ca"});
                     },
                     {{"1", "-n", "N"}},
                     kInputRow,
                     inverted("n", "ca", "inv")},
        // Two inverters in line give the cell the pin's own level.
        InverterCase{"active_low_input_through_two_inverters", input_through(2), {{"1", "-n", "N"}}, kInputRow, ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(WriterTest, ALoopOfBuffersEndsTheSearch) {
    design([](DesignBuilder& d) {
        d.inst("ca", "BC_IN").inst("b1", "BUF").inst("b2", "BUF");
        padded(d, "a", IN, "PIN_IN");
        d.net("n1", {"p_a/Y", "b1/A", "b2/Y"}).net("n2", {"b1/Y", "b2/A"});
        chain(d, {"ca"});
    });
    auto r = run_child([] {
        read_description();
        set_pin_rows({{"1", "a", "A"}});
        open_and_check_sdb();
        get_bs_chain();
        create_BUF_TAB();
        bsdl_text([] { print_attribute_of_bd_register("chip"); });
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: can't find boundary scan cell while tracing port 'a'.\n\n"), std::string::npos) << r.out;
}

TEST_F(WriterTest, SearchTraceAndRowDump) {
    design([](DesignBuilder& d) {
        d.inst("ca", "BC_IN").inst("g", "AND2");
        padded(d, "a", IN, "PIN_IN");
        d.net("a_y", {"p_a/Y", "g/A"}).net("a_g", {"g/Y", "ca/DI"});
        chain(d, {"ca"});
    });
    read_description();
    set_pin_rows({{"1", "a", "A"}});
    open_and_check_sdb();
    get_bs_chain();
    testsupport::stdout_of([] { create_BUF_TAB(); });
    option_check[BSDL_OPT_BS_SEARCH] = 1;
    option_check[BSDL_OPT_DUMP_BS] = 1;
    const std::string out = testsupport::stdout_of([] { bsdl_text([] { print_attribute_of_bd_register("chip"); }); });
    EXPECT_EQ(out,
              "\nclass name: PIN_IN, instance name: p_a, net name: a_y\n"
              "not buffer, class: AND2, instance g\n"
              "instance g:\n"
              " pin name: a_g, get BC ca\n"
              "0 : port name: A, cell name: BC_IN, instance: ca\n");
}

// The whole file: written under a temporary name, in place only when
// complete.
class WholeFile : public WriterTest {
protected:
    void two_cells(bool stray) {
        design([stray](DesignBuilder& d) {
            d.inst("ca", "BC_IN").inst("stray", "BC_IN");
            padded(d, "a", IN, "PIN_IN");
            d.net("a_y", {"p_a/Y", "ca/DI"});
            chain(d, stray ? std::vector<std::string>{"ca", "stray"} : std::vector<std::string>{"ca"});
        });
    }
    static void run() {
        read_description();
        set_pin_rows({{"1", "a", "A"}, {"2", "tdi", "TDI"}, {"3", "tdo", "TDO"}});
        open_and_check_sdb();
        get_bs_chain();
        insert_BSDL_description();
    }
    // The file that `body` writes, which must end well, through both
    // checks; its register rows.
    std::vector<bsdlcheck::BoundaryRow> checked_rows(const std::function<void()>& body) const {
        auto r = run_child(body);
        EXPECT_EQ(r.status, 0) << r.out;
        const bsdlcheck::BsdlCheck c = bsdlcheck::check_bsdl_file(dir->file("chip.bsd"));
        EXPECT_TRUE(c.problems.empty()) << c.describe();
        if (!bsdlcheck::urjtag_checker().empty()) {
            EXPECT_TRUE(c.urjtag_ok) << c.describe();
        }
        return c.file.boundary;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> v;
        for (const auto& f : std::filesystem::directory_iterator(dir->path())) v.push_back(f.path().filename());
        std::sort(v.begin(), v.end());
        return v;
    }
};

TEST_F(WholeFile, WrittenWhenEveryCellHasARow) {
    two_cells(false);
    auto r = run_child(run);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\n - BSDL file was written into \"./chip.bsd\".\n\n"), std::string::npos) << r.out;
    const std::string bsd = testsupport::read_file(dir->file("chip.bsd"));
    EXPECT_NE(bsd.find("  attribute BOUNDARY_LENGTH of chip : entity is 1;\n\n"), std::string::npos);
    EXPECT_NE(bsd.find("    \"0    (BC_1        ,A              ,input         ,X)\";\n\nend chip;\n"),
              std::string::npos)
        << bsd;
    EXPECT_EQ(files(), (std::vector<std::string>{"chip.bsc", "chip.bsd", "chip.c.sdb", "chip.lib", "chip.pin"}));
}

// A port wired straight to a bidirectional cell with no enable: the file
// describes a two-state output, which the BSDL checks accept.
TEST_F(WholeFile, PortWithoutPadOnABidirectionalCell) {
    design([](DesignBuilder& d) {
        d.inst("cb", "BC_BIDIR");
        d.port("b", INOUT).net("b", {"cb/FROM_PAD", "cb/DO"});
        chain(d, {"cb"});
        d.port("tms", IN).port("tck", IN).net("tms", {"TAP/TMS"}).net("tck", {"TAP/TCK"});
    });
    const auto rows = checked_rows([] {
        option_check[BSDL_OPT_NO_PAD] = 1;
        read_description();
        set_pin_rows(
            {{"1", "b", "B"}, {"2", "tdi", "TDI"}, {"3", "tdo", "TDO"}, {"4", "tms", "TMS"}, {"5", "tck", "TCK"}});
        open_and_check_sdb();
        get_bs_chain();
        insert_BSDL_description();
    });
    EXPECT_EQ(rows, (std::vector<bsdlcheck::BoundaryRow>{{0, "BC_7", "B", "output2", "X", -1, -1, ""}}));
}

// A cell that observes a gate's input (an OBSERVE row of the pin list):
// the file passes both checks.
TEST_F(WholeFile, ObservedPointPassesTheChecks) {
    design([](DesignBuilder& d) {
        d.inst("ca", "BC_IN").inst("co", "BC_IN").inst("h", "BUF");
        padded(d, "a", IN, "PIN_IN");
        d.net("a_y", {"p_a/Y", "ca/DI"}).net("h_a", {"h/A", "co/DI"});
        chain(d, {"ca", "co"});
        d.port("tms", IN).port("tck", IN).net("tms", {"TAP/TMS"}).net("tck", {"TAP/TCK"});
    });
    const auto rows = checked_rows([] {
        read_description();
        set_pin_rows({{"1", "a", "A"}, {"2", "tdi", "TDI"}, {"3", "tdo", "TDO"}, {"4", "tms", "TMS"},
                      {"5", "tck", "TCK"}, {"6", "h{A}", "OBSERVE"}});
        open_and_check_sdb();
        get_bs_chain();
        insert_BSDL_description();
    });
    EXPECT_EQ(rows, (std::vector<bsdlcheck::BoundaryRow>{{0, "BC_1", "*", "internal", "X", -1, -1, ""},
                                                         {1, "BC_1", "A", "input", "X", -1, -1, ""}}));
}

// A cell of the chain that no port reaches would leave a gap in the
// register: the cells are named and no file is written.
TEST_F(WholeFile, LostCellsLeaveNoFile) {
    two_cells(true);
    auto r = run_child(run);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("WARNING: the following boundary register(s) will be lost in BOUNDARY_REGISTER \n"
                         "         declaration of BSDL file.\n"
                         "         Maybe they connected to skipping-signal, please check %SKIP_SIGNAL_\n"
                         "         NAMES of \"chip.bsc\" file.\n\n"
                         "         (1) stray\n"
                         "\nERROR: BSDL file \"./chip.bsd\" was not written: every cell of the boundary register "
                         "needs a row.\n\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(files(), (std::vector<std::string>{"chip.bsc", "chip.c.sdb", "chip.lib", "chip.pin"}));
}

TEST_F(WholeFile, AnUnwritableTargetIsAnError) {
    two_cells(false);
    auto r = run_child([] {
        read_description();
        BS_BSD_FILE = "./no/such/dir/chip.bsd";
        set_pin_rows({{"1", "a", "A"}});
        open_and_check_sdb();
        get_bs_chain();
        insert_BSDL_description();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: can't open file './no/such/dir/chip.bsd' to write.\n\n"), std::string::npos) << r.out;
}


// -template without a usable template writes the fixed layout.
TEST_F(WholeFile, TemplateThatCannotBeUsed) {
    struct Case {
        std::vector<std::string> words;
        std::string warning;
    } cases[] = {
        {{}, "WARNING: no template file specified after option -tempalte.\n"},
        {{"mine"},
         "WARNING: template file \"./mine.tpl\" open error.\n"
         "         tallowmere will generate bsdl file without template.\n"},
    };
    for (const Case& c : cases) {
        two_cells(false);
        auto r = run_child([&] {
            option_check[BSDL_OPT_TEMPLATE] = 1;
            for (const auto& w : c.words) STR_add(&option_string_extr[BSDL_OPT_TEMPLATE], w.c_str());
            run();
            std::printf("template flag %d\n", option_check[BSDL_OPT_TEMPLATE]);
        });
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out.find(c.warning), 0u) << r.out;
        EXPECT_NE(r.out.find("template flag 0\n"), std::string::npos) << r.out;
        EXPECT_NE(testsupport::read_file(dir->file("chip.bsd")).find("--  *  Module : chip\n"), std::string::npos);
    }
}

// A read template: its text as it stands, the blocks it marks filled.
TEST_F(WriterTest, TemplateBlocksAreFilled) {
    design([](DesignBuilder& d) {
        d.inst("ca", "BC_IN");
        padded(d, "a", IN, "PIN_IN");
        d.net("a_y", {"p_a/Y", "ca/DI"});
        chain(d, {"ca"});
    });
    read_description();
    set_pin_rows({{"1", "a", "A"}});
    open_and_check_sdb();
    get_bs_chain();
    testsupport::stdout_of([] { create_BUF_TAB(); });
    option_check[BSDL_OPT_TEMPLATE] = 1;
    // Blocks 0, 3 and 4 marked; 1 and 2 missing.
    std::vector<TemplateBlock> blocks = {
        {TPL_TEXT, "entity mine is\n  port (\n  --! Logical_Port_Description_Begin \n"},
        {TPL_LOGICAL_PORT, {}},
        {TPL_TEXT, "  --! Logical_Port_Description_End \n       );\n  --! Test_Access_Port_Description_Begin \n"},
        {TPL_TAP_DESCRIPTION, {}},
        {TPL_TEXT, "  --! Test_Access_Port_Description_End \n  --! Boundary_Register_Description_Begin \n"},
        {TPL_BOUNDARY_REGISTER, {}},
        {TPL_TEXT, "  --! Boundary_Register_Description_End \nend mine;\n"},
    };
    const int seen[TPL_BLOCK_COUNT] = {2, 0, 0, 2, 2};
    std::copy(std::begin(seen), std::end(seen), bs_tpl_check);
    std::string text;
    const std::string out = testsupport::stdout_of([&] { text = bsdl_text([&] { fill_template_blocks(blocks, "mine"); }); });
    EXPECT_EQ(out,
              " - Text block of < Logical Port Description > has been replaced.\n"
              "WARNING: No < Package Pin Mapping > found to be replaced.\n"
              "WARNING: No < Scan Port Identification > found to be replaced.\n"
              " - Text block of < Test Access Port Description > has been replaced.\n"
              " - Text block of < Boundary Register Description > has been replaced.\n");
    EXPECT_EQ(text.rfind("entity mine is\n  port (\n  --! Logical_Port_Description_Begin \n"
                         "          A: in bit\n"
                         "  --! Logical_Port_Description_End \n       );\n  --! Test_Access_Port_Description_Begin \n"
                         "  attribute INSTRUCTION_LENGTH of mine : entity is 4;\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("  --! Test_Access_Port_Description_End \n  --! Boundary_Register_Description_Begin \n"
                        "  attribute BOUNDARY_LENGTH of mine : entity is 1;\n\n"
                        "\n  attribute BOUNDARY_REGISTER of mine : entity is\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    \"0    (BC_1        ,A              ,input         ,X)\";\n"
                        "  --! Boundary_Register_Description_End \nend mine;\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Scan Port Identification"), std::string::npos);
}

// With -verify the port list is made from the core-side names.
TEST_F(WriterTest, VerifyNamesPortsFromTheCore) {
    design([](DesignBuilder& d) { padded(d, "a", IN, "PIN_IN"); });
    read_description();
    set_pin_rows({{"1", "a", "PIN_A"}, {"2", "", "VDD"}});
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    option_check[BSDL_OPT_VERIFY] = 1;
    testsupport::stdout_of([] { create_BUF_TAB(); });
    EXPECT_EQ(bsdl_text(insert_port), "          a: in bit\n");
    EXPECT_EQ(BUF_TAB.at(0).bsdl_name, "a");
}

// A pad with boundary cells of its own design: the cell on its data
// port, with the control cell on its enable port.
TEST_F(WriterTest, HardMacroWithItsOwnCells) {
    add_library(
        "%BS_BUFFER IO_HM\n{\n    %INPUT A; %OUTPUT PAD; %EN_H OE; %TDI TI; %TDO TO;\n"
        "    %BCELL BC_OUT; %OUT_BCELL BC_OUT; %CONTROL_BCELL BC_CTRL;\n}\n");
    {
        // The macro's own design: TI -> X_OUT -> X_CTL -> TO; X_OUT drives
        // the data port A's net, X_CTL the enable port OE's net.
        DesignBuilder m(dir->file("IO_HM.sdb"));
        chip_classes(m);
        m.port("A", IN).port("OE", IN).port("TI", IN).port("TO", OUT).port("PAD", OUT);
        m.inst("X_OUT", "BC_OUT").inst("X_CTL", "BC_CTRL");
        m.net("A", {"X_OUT/DO"}).net("OE", {"X_CTL/DO"});
        m.net("TI", {"X_OUT/SI"}).net("t", {"X_OUT/SO", "X_CTL/SI"}).net("TO", {"X_CTL/SO"});
        m.save();
    }
    design([](DesignBuilder& d) {
        d.cell("IO_HM", {{"A", IN}, {"OE", IN}, {"TI", IN}, {"TO", OUT}, {"PAD", OUT}});
        d.inst("p_o", "IO_HM");
        d.port("o", OUT).net("o", {"p_o/PAD"});
        chain(d, {"p_o:TI:TO"});
    });
    std::string out;
    EXPECT_EQ(register_rows({{"1", "o", "O", PAD_EN_HIGH}}, &out),
              kHeader +
                  "    \"0    (BC_1        ,*              ,control       ,0),\" &\n"
                  "    \"1    (BC_1        ,O              ,output3       ,X   ,0    ,0     ,Z)\";\n");
    EXPECT_GE(SDB_nl_search_port("o"), 0);  // the circuit's design is current again
}


// Files the writer cannot finish: each stops the run with the reason
// before any file is written.  A cell whose one row would have to
// describe two ports (two pads on one cell, a data cell that is also a
// pad's control cell), an input whose trace runs on through the core to
// another port's output cell, a differential pad without a port on each
// leg (PORT_GROUPING pairs them), a register without cells, a port list
// without ports.
struct Refusal {
    std::string name;
    std::function<void(DesignBuilder&)> body;
    std::vector<PinRow> rows;
    std::string message;
    std::string library{};
};
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class WriterRefusals : public WriterTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(WriterRefusals, StopBeforeTheFile) {
    const Refusal& c = GetParam();
    if (!c.library.empty()) add_library(c.library);
    design(c.body);
    auto r = run_child([&] {
        read_description();
        set_pin_rows(c.rows);
        open_and_check_sdb();
        get_bs_chain();
        insert_BSDL_description();
    });
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir->file("chip.bsd")));
}

const std::string kLvds = "%DIFFERENTIAL_VOLTAGE PIN_LVDS { %INPUT_P P; %INPUT_M N; %OUTPUT Y; }\n";

INSTANTIATE_TEST_SUITE_P(
    Writer, WriterRefusals,
    ::testing::Values(
        Refusal{"two_pads_on_one_cell",
                [](DesignBuilder& d) {
                    d.inst("ca", "BC_IN");
                    padded(d, "a", IN, "PIN_IN");
                    padded(d, "b", IN, "PIN_IN");
                    d.net("ab", {"p_a/Y", "p_b/Y", "ca/DI"});
                    chain(d, {"ca"});
                },
                {{"1", "a", "A"}, {"2", "b", "B"}},
                "ERROR: BSDL file \"./chip.bsd\" was not written: boundary scan cell 'ca'(BC_IN) serves port 'A' "
                "and port 'B';\n"
                "       its one row of the boundary register can describe only one of them.\n\n"},
        // co drives o's pad and t's enable.
        Refusal{"data_cell_that_is_a_control_cell",
                [](DesignBuilder& d) {
                    d.inst("co", "BC_OUT").inst("ct", "BC_OUT");
                    padded(d, "o", OUT, "PIN_OUT");
                    tri(d, "t", "ct", "");
                    d.net("o_a", {"co/DO", "p_o/A", "p_t/OE"});
                    chain(d, {"co", "ct"});
                },
                {{"1", "o", "O"}, {"2", "t", "T", PAD_EN_HIGH}},
                "ERROR: BSDL file \"./chip.bsd\" was not written: boundary scan cell 'co'(BC_OUT) serves port 'O' "
                "and the enable of port 'T';\n"},
        // a has no pad and no cell: a core buffer is the first cell on its
        // net, and past a gate its trace meets the output cell of y (which
        // has no row of the pin file, so that no second port claims it).
        Refusal{"input_trace_running_on_to_another_ports_output_cell",
                [](DesignBuilder& d) {
                    d.inst("co", "BC_OUT").inst("ub", "BUF").inst("g", "AND2");
                    d.port("a", IN).net("a", {"ub/A"});
                    padded(d, "y", OUT, "PIN_OUT");
                    d.net("a_b", {"ub/Y", "g/A"}).net("y_c", {"g/Y", "co/DI"}).net("y_a", {"co/DO", "p_y/A"});
                    chain(d, {"co"});
                },
                {{"1", "a", "A"}},
                "ERROR: can't find boundary scan cell while tracing port 'a':\n"
                "       the trace reached cell 'co'(BC_OUT), which serves pad 'p_y'(PIN_OUT) of another port.\n\n"},
        // Two differential pads, each with a port on its plus leg only: the
        // attribute would stop after "Differential_Voltage (".
        Refusal{"differential_pads_with_an_open_minus_leg",
                [](DesignBuilder& d) {
                    d.cell("PIN_LVDS", {{"P", IN}, {"N", IN}, {"Y", OUT}});
                    d.inst("cp", "BC_IN").inst("cn", "BC_IN").inst("dp_pad", "PIN_LVDS").inst("dn_pad", "PIN_LVDS");
                    d.port("dp", IN).net("dp", {"dp_pad/P"}).port("dn", IN).net("dn", {"dn_pad/P"});
                    d.net("dp_y", {"dp_pad/Y", "cp/DI"}).net("dn_y", {"dn_pad/Y", "cn/DI"});
                    chain(d, {"cp", "cn"});
                },
                {{"1", "dp", "DP"}, {"2", "dn", "DN"}},
                "ERROR: BSDL file \"./chip.bsd\" was not written: differential pad 'dp_pad'(PIN_LVDS) has port 'DP' "
                "on its plus leg 'P'\n"
                "       and no port on its minus leg 'N': PORT_GROUPING pairs one port with one.\n\n",
                kLvds},
        Refusal{"register_without_cells",
                [](DesignBuilder& d) { chain(d, {}); },
                {{"1", "tdi", "TDI"}, {"2", "tdo", "TDO"}},
                "ERROR: BSDL file \"./chip.bsd\" was not written: the design's boundary register has no cell, and "
                "BOUNDARY_REGISTER needs one at least.\n\n"},
        Refusal{"pin_file_without_ports",
                [](DesignBuilder& d) {
                    d.inst("ci", "BC_IN").inst("g", "BUF");
                    d.net("g_y", {"g/Y", "ci/DI"});
                    chain(d, {"ci"});
                },
                {{"1", "g{Y}", "INTERNAL"}},
                "ERROR: BSDL file \"./chip.bsd\" was not written: the pin file 'chip.pin' declares no port, and the "
                "port list and PIN_MAP_STRING need one at least.\n\n"}),
    [](const auto& info) { return info.param.name; });

// A cell that is no cell of the chain ends the run instead of being read.
TEST_F(WriterTest, ACellOutsideTheChainIsAnError) {
    design([](DesignBuilder& d) {
        d.inst("ca", "BC_IN");
        padded(d, "a", IN, "PIN_IN");
        d.net("a_y", {"p_a/Y", "ca/DI"});
        chain(d, {"ca"});
    });
    auto r = run_child([] {
        read_description();
        set_pin_rows({{"1", "a", "A"}});
        open_and_check_sdb();
        get_bs_chain();
        create_BUF_TAB();
        print_bd_register(0, nullptr, {"elsewhere", "input", {}, 0});
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: 'elsewhere' is no cell of the boundary scan chain of 'chip.c.sdb'.\n\n"),
              std::string::npos)
        << r.out;
}

}  // namespace
