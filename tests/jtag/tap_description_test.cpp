// TAP description defaults: the warnings, the pin-name globals and the
// TAP controller entry that jtag_init leaves for each description.

#include <functional>
#include <string>
#include <vector>

#include "jtag_test_util.h"

namespace {

using jtagtest::add_instruction;
using jtagtest::JtagTest;
using jtagtest::library_tap;
using jtagtest::minimal_table;
using jtagtest::str;

std::string joined(char** list) {
    std::string s;
    for (const std::string& t : jtagtest::texts(list)) s += (s.empty() ? "" : ",") + t;
    return "[" + s + "]";
}

// The pin-name globals and HIZ_OVERLAP on one line.
std::string pin_globals() {
    return "TDI=" + str(TAP_TDI_PIN) + " TDO=" + str(TAP_TDO_PIN) + " TDO_EN=" + str(TAP_TDO_EN_PIN) +
           " TMS=" + str(TAP_TMS_PIN) + " TCK=" + str(TAP_TCK_PIN) + " TRST=" + str(TAP_TRST_PIN) +
           " SHIFT=" + str(TAP_SHIFT_PIN) + " CLOCK=" + str(TAP_CLOCK_PIN) + " UPDATE=" + str(TAP_UPDATE_PIN) +
           " HIGHZ=" + str(TAP_HIGHZ_PIN) + " HIZ=" + str(TAP_HIZ_PIN) + " RST=" + str(TAP_RST_PIN) +
           " MODE=" + str(TAP_MODE1_PIN) + "/" + str(TAP_MODE2_PIN) + "/" + str(TAP_MODE3_PIN) +
           " EXTRA=" + joined(TAP_EXTRA_PIN) + " OVERLAP=" + std::to_string(HIZ_OVERLAP);
}

// What jtag_init leaves in the TAP controller entry and the names.
std::string entry_and_names() {
    const TapCellEntry* t = TAP_CONTR;
    return "module=" + str(TAP_MODULE_NAME) + " instance=" + str(TAP_INSTANCE_NAME) +
           " org=" + str(org_tap_instance_nameG) + " entry=" + str(t->name) + " trst=" + str(t->trst) +
           " first=" + str(t->first_bcell) + " last=" + str(t->last_bcell) + " reset=" + str(t->tap_reset) +
           " extra=" + joined(t->extra) + " group=" + std::to_string(t->group_size);
}

std::string pin_warning(const char* keyword, const char* default_name, const char* module = "qdx_tap") {
    return std::string("WARNING: (cells.lib) can't find %") + keyword + " in %TAP_CONTROLLER " + module +
           ".\n         Using default name -> " + default_name + ".\n\n";
}

void highz_instruction() { add_instruction("HIGHZ", {"0101"}, "bypass"); }

const char* const kDefaultChainEnds = " first=first_Bcell last=BOUNDARY_out";

struct Description {
    const char* label;
    std::function<void()> setup;
    std::string warnings;
    std::string pins;
    std::string entry;
};

void PrintTo(const Description& c, std::ostream* os) { *os << c.label; }

class TapDescription : public JtagTest, public ::testing::WithParamInterface<Description> {};

TEST_P(TapDescription, WarningsAndGlobals) {
    const Description& c = GetParam();
    minimal_table();
    c.setup();
    std::string out = jtagtest::stdout_of([] { jtag_init(); });
    EXPECT_EQ(out, c.warnings);
    EXPECT_EQ(pin_globals(), c.pins);
    ASSERT_NE(TAP_CONTR, nullptr);
    EXPECT_EQ(entry_and_names(), c.entry);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TapDescription,
    ::testing::Values(
        // No %TAP_MODULE and no %TAP_CONTROLLER: every pin that is always
        // needed takes its default.
        Description{"NothingGiven", [] {},
                    "WARNING: (chip.bsc) can't find %INSTANCE_NAME in %TAP_MODULE.\n"
                    "         Using default name -> TAP.\n\n"
                    "WARNING: (chip.bsc) can't find %MODULE_NAME in %TAP_MODULE.\n"
                    "         Using default name -> qdx_tap.\n\n"
                    "WARNING: (cells.lib) can't find %TDI in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> TDI.\n\n"
                    "WARNING: (cells.lib) can't find %TDO in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> TDO.\n\n"
                    "WARNING: (cells.lib) can't find %TMS in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> TMS.\n\n"
                    "WARNING: (cells.lib) can't find %TCK in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> TCK.\n\n"
                    "WARNING: (cells.lib) can't find %SHIFT_DR in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> SHIFT_DR.\n\n"
                    "WARNING: (cells.lib) can't find %CLOCK_DR in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> CLOCK_DR.\n\n"
                    "WARNING: (cells.lib) can't find %FIRST_BCELL in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> first_Bcell.\n\n"
                    "WARNING: (cells.lib) can't find %LAST_BCELL in %TAP_CONTROLLER qdx_tap.\n"
                    "         Using default name -> BOUNDARY_out.\n\n",
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=- SHIFT=SHIFT_DR CLOCK=CLOCK_DR UPDATE=- "
                    "HIGHZ=- HIZ=- RST=RESET MODE=-/-/- EXTRA=[] OVERLAP=0",
                    std::string("module=qdx_tap instance=TAP org=TAP entry=qdx_tap trst=-") + kDefaultChainEnds +
                        " reset=- extra=[] group=-1"},
        // Names given in the configuration, no library controller, and cells
        // that need every optional pin.
        Description{"EveryPinNeeded",
                    [] {
                        desc_set_text(&TAP_MODULE_NAME, "my_tap");
                        desc_set_text(&TAP_INSTANCE_NAME, "core.U_TAP");
                        desc_set_text(&GLOBAL_TRST, "JTRST");
                        BCELL_UPDATE_DR = BCELL_HIGHZ = BCELL_RST = 1;
                        BCELL_MODE1 = BCELL_MODE2 = BCELL_MODE3 = 1;
                        BCELL_EXTRA = 2;
                        highz_instruction();
                    },
                    pin_warning("TDI", "TDI", "my_tap") + pin_warning("TDO", "TDO", "my_tap") +
                        pin_warning("TMS", "TMS", "my_tap") + pin_warning("TCK", "TCK", "my_tap") +
                        pin_warning("TRST", "-TRST", "my_tap") + pin_warning("SHIFT_DR", "SHIFT_DR", "my_tap") +
                        pin_warning("CLOCK_DR", "CLOCK_DR", "my_tap") +
                        pin_warning("FIRST_BCELL", "first_Bcell", "my_tap") +
                        pin_warning("LAST_BCELL", "BOUNDARY_out", "my_tap") +
                        pin_warning("UPDATE_DR", "UPDATE_DR", "my_tap") +
                        pin_warning("HIGHZ_COMMAND", "HIGHZ", "my_tap") +
                        pin_warning("TAP_RESET", "-RESET", "my_tap") + pin_warning("MODE_1", "MODE1", "my_tap") +
                        pin_warning("MODE_2", "MODE2", "my_tap") + pin_warning("MODE_3", "MODE3", "my_tap") +
                        pin_warning("EXTRA_1", "EXTRA1", "my_tap") + pin_warning("EXTRA_2", "EXTRA2", "my_tap"),
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=TRST SHIFT=SHIFT_DR CLOCK=CLOCK_DR "
                    "UPDATE=UPDATE_DR HIGHZ=HIGHZ HIZ=HIGHZ RST=RESET MODE=MODE1/MODE2/MODE3 "
                    "EXTRA=[EXTRA1,EXTRA2] OVERLAP=0",
                    std::string("module=my_tap instance=core.U_TAP org=core.U_TAP entry=my_tap trst=-TRST") +
                        kDefaultChainEnds + " reset=-RESET extra=[EXTRA1,EXTRA2] group=-1"},
        // The library names the pins: the globals drop the active-low "-",
        // the entry keeps it (but not on FIRST_BCELL), and a TAP_RESET that
        // no cell needs is not looked at.
        Description{"LibraryNames",
                    [] {
                        TapCellEntry* t = library_tap("qdx_tap");
                        desc_set_text(&t->tdi, "JTDI");
                        desc_set_text(&t->tdo_en, "-JTDO_EN");
                        desc_set_text(&t->trst, "-JTRST");
                        desc_set_text(&t->update_dr, "UDR");
                        desc_set_text(&t->first_bcell, "-fb");
                        desc_set_text(&t->last_bcell, "lb");
                        desc_set_text(&t->tap_reset, "-RST_N");
                        desc_set_text(&TAP_INSTANCE_NAME, "U1");
                        desc_set_text(&GLOBAL_TRST, "JTRST");
                        BCELL_UPDATE_DR = 1;
                    },
                    "WARNING: low active in %FIRST_BCELL is of no sence.\n         '-' will be eliminated!\n\n",
                    "TDI=JTDI TDO=TDO TDO_EN=JTDO_EN TMS=TMS TCK=TCK TRST=JTRST SHIFT=SHIFT_DR CLOCK=CLOCK_DR "
                    "UPDATE=UDR HIGHZ=- HIZ=- RST=RESET MODE=-/-/- EXTRA=[] OVERLAP=0",
                    "module=qdx_tap instance=U1 org=U1 entry=qdx_tap trst=-JTRST first=fb last=lb reset=-RST_N "
                    "extra=[] group=-1"},
        // EXTRA pins: the ones the cells need beyond the library's list, a
        // position the library left unnamed, and names beyond the need.
        Description{"ExtraPinsBeyondList",
                    [] {
                        TapCellEntry* t = library_tap("qdx_tap");
                        desc_set_extra(&t->extra, 1, "-X1");
                        BCELL_EXTRA = 3;
                    },
                    pin_warning("EXTRA_2", "EXTRA2") + pin_warning("EXTRA_3", "EXTRA3"),
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=- SHIFT=SHIFT_DR CLOCK=CLOCK_DR UPDATE=- "
                    "HIGHZ=- HIZ=- RST=RESET MODE=-/-/- EXTRA=[X1,EXTRA2,EXTRA3] OVERLAP=0",
                    std::string("module=qdx_tap instance=TAP org=TAP entry=qdx_tap trst=-") + kDefaultChainEnds +
                        " reset=- extra=[-X1,EXTRA2,EXTRA3] group=-1"},
        Description{"ExtraPinGapAndSurplus",
                    [] {
                        TapCellEntry* t = library_tap("qdx_tap");
                        desc_set_extra(&t->extra, 3, "X3");
                        BCELL_EXTRA = 2;
                    },
                    pin_warning("EXTRA_1", "EXTRA1") + pin_warning("EXTRA_2", "EXTRA2"),
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=- SHIFT=SHIFT_DR CLOCK=CLOCK_DR UPDATE=- "
                    "HIGHZ=- HIZ=- RST=RESET MODE=-/-/- EXTRA=[EXTRA1,EXTRA2] OVERLAP=0",
                    std::string("module=qdx_tap instance=TAP org=TAP entry=qdx_tap trst=-") + kDefaultChainEnds +
                        " reset=- extra=[EXTRA1,EXTRA2,X3] group=-1"},
        // The HIGHZ command shares MODE_2 (compared ignoring case).
        Description{"HighzSharesMode2",
                    [] {
                        TapCellEntry* t = library_tap("qdx_tap");
                        desc_set_text(&t->highz_command, "hz");
                        desc_set_text(&t->mode2, "HZ");
                        BCELL_MODE2 = 1;
                        highz_instruction();
                    },
                    "",
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=- SHIFT=SHIFT_DR CLOCK=CLOCK_DR UPDATE=- "
                    "HIGHZ=- HIZ=hz RST=RESET MODE=-/HZ/- EXTRA=[] OVERLAP=2",
                    std::string("module=qdx_tap instance=TAP org=TAP entry=qdx_tap trst=-") + kDefaultChainEnds +
                        " reset=- extra=[] group=-1"},
        // The HIGHZ instruction alone asks for the command pin.
        Description{"HighzInstructionOnly", [] {
                        library_tap("qdx_tap");
                        highz_instruction();
                    },
                    pin_warning("HIGHZ_COMMAND", "HIGHZ"),
                    "TDI=TDI TDO=TDO TDO_EN=- TMS=TMS TCK=TCK TRST=- SHIFT=SHIFT_DR CLOCK=CLOCK_DR UPDATE=- "
                    "HIGHZ=- HIZ=HIGHZ RST=RESET MODE=-/-/- EXTRA=[] OVERLAP=0",
                    std::string("module=qdx_tap instance=TAP org=TAP entry=qdx_tap trst=-") + kDefaultChainEnds +
                        " reset=- extra=[] group=-1"}),
    [](const auto& info) { return std::string(info.param.label); });

// A breach of the instruction rules stops jtag_init before any TAP warning.
TEST_F(JtagTest, InitStopsOnInstructionRules) {
    auto r = jtagtest::run_child([] { jtag_init(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out,
              "ERROR: (chip.bsc) -add_tap option required INSTRUCTION\n"
              "       EXTEST, SAMPLE and BYPASS declared in %INSTRUCTION_TABLE.\n\n");
}

// A second call (-add_tap with -add_bcm) starts over from the same tables:
// without a library controller the pin warnings repeat, the defaulted
// names do not, and the first resolved instance name is kept.
TEST_F(JtagTest, InitTwiceWithoutLibraryController) {
    minimal_table();
    std::string first = jtagtest::stdout_of([] { jtag_init(); });
    TapCellEntry* first_entry = TAP_CONTR;
    desc_set_text(&TAP_INSTANCE_NAME, "U_TAP");  // as the insertion flow leaves it after splitting
    std::string second = jtagtest::stdout_of([] { jtag_init(); });
    EXPECT_NE(TAP_CONTR, first_entry);
    EXPECT_EQ(first.substr(first.find("WARNING: (cells.lib)")), second);
    EXPECT_STREQ(org_tap_instance_nameG, "TAP");
    EXPECT_STREQ(first_entry->tdi, "TDI");  // the first entry stays valid until the reset
}

TEST_F(JtagTest, InitTwiceWithLibraryController) {
    minimal_table();
    TapCellEntry* t = new_tap_cell("qdx_tap");
    desc_set_text(&TAP_MODULE_NAME, "qdx_tap");
    desc_set_text(&TAP_INSTANCE_NAME, "TAP");
    BCELL_RST = 1;
    std::string first = jtagtest::stdout_of([] { jtag_init(); });
    EXPECT_NE(first, "");
    EXPECT_EQ(TAP_CONTR, t);
    EXPECT_STREQ(t->tap_reset, "-RESET");
    EXPECT_EQ(jtagtest::stdout_of([] { jtag_init(); }), "");
    EXPECT_STREQ(TAP_RST_PIN, "RESET");
}

}  // namespace
