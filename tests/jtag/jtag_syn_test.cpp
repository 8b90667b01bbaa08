// The TAP top module in Verilog: the port-only module (checked against a
// golden file and by iverilog), the table of TAP ports, and the wires of
// the full module.

#include <string>
#include <vector>

#include "jtag_test_util.h"

namespace {

using jtagtest::JtagTest;
using jtagtest::minimal_table;
using testsupport::read_file;
using testsupport::source_path;

std::string declaration() {
    FILE* f = std::tmpfile();
    make_declaration_of_v(f);
    std::string text;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

std::string port_only_module() {
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = 1;
    std::string text = declaration();
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = 0;
    return text;
}

void init_quietly() { jtagtest::stdout_of([] { jtag_init(); }); }

// iverilog's verdict on a Verilog text; skips when iverilog is missing.
#define EXPECT_IVERILOG_ACCEPTS(text)                                                           \
    do {                                                                                        \
        if (!testsupport::have_program("iverilog")) {                                           \
            GTEST_SKIP() << "iverilog is not installed; the module is checked only as text";    \
        }                                                                                       \
        testsupport::TempDir tmp_;                                                              \
        std::string file_ = tmp_.write("tap.v", text);                                          \
        auto r_ = testsupport::run({"iverilog", "-t", "null", file_});                          \
        EXPECT_EQ(r_.status, 0) << r_.out << r_.err;                                            \
        EXPECT_EQ(r_.err, "");                                                                  \
    } while (0)

TEST_F(JtagTest, PortOnlyModuleWithEveryOptionalPort) {
    jtagtest::rich_description();
    init_quietly();
    std::string text = port_only_module();
    EXPECT_EQ(text, read_file(source_path("tests/fixtures/jtag/chip_TAP_empty.v")));
    EXPECT_IVERILOG_ACCEPTS(text);
}

// -synch: no blank before "(", the BCELL_TCK port and output; without
// TRST neither its port nor its declaration.
TEST_F(JtagTest, PortOnlyModuleSynchronousMinimal) {
    minimal_table();
    JTAG_OPTION[OPT_SYNCH] = 1;
    init_quietly();
    std::string text = port_only_module();
    EXPECT_EQ(text,
              "module  qdx_tap( TMS,\n"
              "                  TDI,\n"
              "                  TCK,\n"
              "                  BCELL_TCK,\n"
              "                  TDO,\n"
              "                  first_Bcell,\n"
              "                  BOUNDARY_out,\n"
              "                  SHIFT_DR,\n"
              "                  CLOCK_DR );\n"
              "\n"
              "       output TDO;\n"
              "       output SHIFT_DR;\n"
              "       output CLOCK_DR;\n"
              "       output first_Bcell;\n"
              "       output BCELL_TCK;\n"
              "\n"
              "       input TMS;\n"
              "       input TDI;\n"
              "       input TCK;\n"
              "       input BOUNDARY_out;\n"
              "\n"
              "\n"
              "endmodule\n");
    EXPECT_IVERILOG_ACCEPTS(text);
}

// A HIGHZ command carried by a MODE pin has no output of its own.
TEST_F(JtagTest, PortOnlyModuleHighzOnModePin) {
    minimal_table();
    jtagtest::add_instruction("HIGHZ", {"0110"}, "bypass");
    TapCellEntry* t = jtagtest::library_tap("qdx_tap");
    desc_set_text(&t->highz_command, "M2");
    desc_set_text(&t->mode2, "M2");
    BCELL_MODE2 = 1;
    init_quietly();
    ASSERT_EQ(HIZ_OVERLAP, 2);
    std::string text = port_only_module();
    EXPECT_EQ(text.find("output M2;"), text.rfind("output M2;"));
    EXPECT_NE(text.find("                  M2 );\n"), std::string::npos);
}

// With the TAP in a sub-module every port is listed by kind, in
// declaration order; otherwise the table is not made.
TEST_F(JtagTest, TapPortTable) {
    jtagtest::rich_description();
    init_quietly();
    port_only_module();
    for (char** list : kest_hier_tap_port_tabG.list) EXPECT_EQ(list, nullptr);

    kest_hier_tap_ctrlG = 1;
    port_only_module();
    using V = std::vector<std::string>;
    const auto& tab = kest_hier_tap_port_tabG.list;
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_FROM_PINS]), (V{"TMS", "TDI", "TCK", "TRST"}));
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_TDO]), (V{"TDO"}));
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_ENABLES]), (V{"TDO_EN", "EN", "EN2"}));
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_CHAIN_IN]), (V{"BOUNDARY_out", "MYREG_out"}));
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_CHAIN_OUT]), (V{"first_Bcell", "MYREG_in"}));
    EXPECT_EQ(jtagtest::texts(tab[TAP_PORTS_CONTROLS]),
              (V{"SHIFT_DR", "CLOCK_DR", "UPDATE_DR", "RESET", "MODE1", "HIGHZ", "CHIP_TEST", "EXTRA1",
                 "quendal_test_mode", "quendal_scan_mode"}));
    ASSERT_NE(tab[TAP_PORTS_SPARE], nullptr);
    EXPECT_EQ(DYNA_count(tab[TAP_PORTS_SPARE]), 0);

    // Written again, the table is made anew rather than appended to.
    port_only_module();
    EXPECT_EQ(DYNA_count(tab[TAP_PORTS_TDO]), 1);
}

// The full module goes on after the declarations with the internal wires,
// the registers' serial outputs and the decoder's side of a gated enable.
TEST_F(JtagTest, FullModuleDeclaresWires) {
    jtagtest::rich_description();
    jtagtest::add_instruction("USERCODE", {"0111"}, "usercode");
    jtagtest::add_instruction("CLAMP", {"1000"}, "bypass");
    jtagtest::set_list(&USERCODE_REG, {jtagtest::kUsercode});
    init_quietly();
    std::string full = declaration();
    std::string ports = port_only_module();
    const std::string tail = "\nendmodule\n";
    ASSERT_EQ(ports.substr(ports.size() - tail.size()), tail);
    EXPECT_EQ(full,
              ports.substr(0, ports.size() - tail.size()) +
                  "       wire RESET;\n"
                  "       wire SELECT_DR;\n"
                  "       wire ENABLE;\n"
                  "       wire TDOIN;\n"
                  "       wire SHIFT_IR;\n"
                  "       wire CLOCK_IR;\n"
                  "       wire UPDATE_IR;\n"
                  "       wire IR_out;\n"
                  "       wire DR_out;\n"
                  "       wire IDMODE;\n"
                  "       wire tap_UPDATE_DR;\n"
                  "       wire BYPASS_out;\n"
                  "       wire IDCODE_out;\n"
                  "       wire EN2_wire;\n"
                  "       wire[2:0]  DR_SELECT;\n"
                  "       wire[3:0] INST;\n");
}

}  // namespace
