// Descriptions the RTL TAP cannot be written for are refused before any
// file is written: names that the TAP's own text uses (in either
// language, compared ignoring case), and a wide enable pin with no value
// left for the instructions that do not name it.

#include <functional>
#include <string>

#include "jtag/rtl_tap.h"
#include "jtag_test_util.h"

namespace {

using jtagtest::add_instruction;
using jtagtest::JtagTest;

struct Refusal {
    const char* name;
    std::function<void()> setup;
    const char* message;
};

void table() {
    add_instruction("EXTEST", {"0000"}, "boundary");
    add_instruction("SAMPLE", {"0001"}, "boundary");
    add_instruction("BYPASS", {"1111"}, "BYPASS");
    jtagtest::set_list(&INST_CAPTURE, {"0001"});
}

const Refusal kRefusals[] = {
    {"ClockNamedLikeAnInternalWire",
     [] {
         table();
         desc_set_text(&jtagtest::library_tap("qdx_tap")->tck, "enable");
     },
     "ERROR: (cells.lib) the name 'enable' of %TCK is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"PinNamedLikeAVhdlWord",
     [] {
         table();
         desc_set_text(&jtagtest::library_tap("qdx_tap")->tdi, "Signal");
     },
     "ERROR: (cells.lib) the name 'Signal' of %TDI is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"EnablePinNamedInst",
     [] {
         table();
         add_instruction("USER", {"0010"}, "bypass", {{"INST"}});
         jtagtest::library_tap("qdx_tap");
     },
     "ERROR: (chip.bsc) the name 'INST' of an enable pin is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"UserRegisterNamedLikeASubModule",
     [] {
         table();
         add_instruction("USER", {"0010"}, "dr_mux[3:0]");
         jtagtest::library_tap("qdx_tap");
     },
     "ERROR: (chip.bsc) the name 'dr_mux' of a data register is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"UserRegisterWhoseOutputIsDrOut",
     [] {
         table();
         add_instruction("USER", {"0010"}, "DR");
         jtagtest::library_tap("qdx_tap");
     },
     "ERROR: (chip.bsc) the name 'DR' of a data register is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"TapModuleNamedLikeASubModule",
     [] {
         table();
         jtagtest::library_tap("IR_reg");
     },
     "ERROR: (chip.bsc) the name 'IR_reg' of %TAP_MODULE is used inside the RTL TAP module.\n"
     "       Please give it another name.\n\n"},
    {"EveryValueOfAWideEnableTaken",
     [] {
         table();
         add_instruction("A", {"0100"}, "bypass", {{"EN", "00"}});
         add_instruction("B", {"0101"}, "bypass", {{"EN", "01"}});
         add_instruction("C", {"0110"}, "bypass", {{"EN", "10"}});
         add_instruction("D", {"0111"}, "bypass", {{"EN", "11"}});
         jtagtest::library_tap("qdx_tap");
     },
     "ERROR: (chip.bsc) every value of enable pin 'EN' is used by an instruction;\n"
     "       no value is left for the other instructions.\n\n"},
};

class RefusedDescription : public JtagTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedDescription, MessageAndStatus) {
    GetParam().setup();
    jtagtest::stdout_of([] { jtag_init(); });
    auto r = jtagtest::run_child([] { rtltap::check_rtl_tap_description(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, GetParam().message);
}

std::string refusal_name(const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; }
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

INSTANTIATE_TEST_SUITE_P(Names, RefusedDescription, ::testing::ValuesIn(kRefusals), refusal_name);

// Three values of a two-bit enable leave the fourth for the others; the
// names of the fixture's TAP pass.
TEST_F(JtagTest, DescriptionWithAFreeValueIsAccepted) {
    table();
    add_instruction("A", {"0100"}, "bypass", {{"EN", "00"}});
    add_instruction("B", {"0101"}, "bypass", {{"EN", "01"}});
    add_instruction("C", {"0110"}, "bypass", {{"EN", "10"}});
    jtagtest::library_tap("qdx_tap");
    jtagtest::stdout_of([] { jtag_init(); });
    auto r = jtagtest::run_child([] { rtltap::check_rtl_tap_description(); });
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(rtltap::enable_outputs(false).at(0).fallback, "11");
}

}  // namespace
