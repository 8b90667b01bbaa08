// The guideline editor: its file writers on their own (what they write,
// and that every file reads back into the same tables), and the editor
// run as `kestrand <top> -guideline` on scripted standard input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <map>
#include <string>
#include <vector>

#include "guideline/guideline.h"
#include "jtag/insertion_facts.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "support/fixture_chip.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChangeDir;
using testsupport::read_file;
using testsupport::source_path;
using testsupport::TempDir;

const std::string kFixtures = "tests/fixtures/guideline/";

template <class Writer>
std::string render(Writer write) {
    char* data = nullptr;
    size_t size = 0;
    FILE* mem = open_memstream(&data, &size);
    write(mem);
    std::fclose(mem);
    std::string s(data, size);
    std::free(data);
    return s;
}

void read_tables(const std::string& lib, const std::string& bsc) {
    bsdft_init();
    get_bs_dft_file(lib.c_str(), bsc.c_str(), 0);
}

// Writes the tables as files named base.{lib,bsc,pin} (the configuration
// naming base.pin) and returns the three texts.
std::vector<std::string> write_files(const TempDir& dir, const std::string& base) {
    std::string pin = base + ".pin";
    std::vector<std::string> texts = {render([](FILE* f) { write_to_lib(f); }),
                                      render([&](FILE* f) { write_to_bsc(f, pin.c_str()); }),
                                      render([](FILE* f) { write_to_pin(f); })};
    dir.write(base + ".lib", texts[0]);
    dir.write(base + ".bsc", texts[1]);
    dir.write(pin, texts[2]);
    return texts;
}

class GuidelineWriters : public ::testing::Test {
protected:
    void TearDown() override { DESC_reset_globals(); }
};

// Everything the languages can hold, also what the menus never show,
// reads back the same; and a second save writes the same bytes.
TEST_F(GuidelineWriters, EveryConstructReadsBackIntoEqualTables) {
    TempDir dir;
    for (const char* f : {"rich.lib", "rich.bsc", "rich.pin", "rich_pkg.pin"})
        fs::copy_file(source_path(kFixtures + f), dir.path() / f);
    ChangeDir here(dir.path());
    read_tables("rich.lib", "rich.bsc");
    std::string loaded = guideline_tables_text();
    // The fixture really holds the things a save used to lose.
    for (const char* fact : {"SKIP tms=1", "TAP qdx_tap %GROUP_SIZE=0", "TAP qdx_tap %EXTRA=2: <none> X2",
                             "INSTRUCTION IDCODE enable_gate=4: 18 -1 -1 -1", "MBIST order=3: 1 2 10",
                             "PIN 5 code=5", "CELL BSB bs_buffer=1", "PACKAGE=rich_pkg.pin"})
        EXPECT_NE(loaded.find(fact), std::string::npos) << fact;

    std::vector<std::string> first = write_files(dir, "once");
    read_tables("once.lib", "once.bsc");
    EXPECT_EQ(guideline_tables_text(), loaded);
    std::vector<std::string> second = write_files(dir, "once");
    EXPECT_EQ(second, first);
}

struct FormatCase {
    const char* name;
    const char* lib;
    const char* bsc;
    const char* file;  // "lib" or "bsc"
    std::string expected;  // exact text, or a part of it when `part` is set
    bool part;
};

class GuidelineFormats : public ::testing::TestWithParam<FormatCase> {
protected:
    void TearDown() override { DESC_reset_globals(); }
};

TEST_P(GuidelineFormats, WritesTheDocumentedLines) {
    const FormatCase& c = GetParam();
    TempDir dir;
    read_tables(dir.write("t.lib", c.lib), dir.write("t.bsc", c.bsc));
    std::string text = std::string(c.file) == "lib" ? render([](FILE* f) { write_to_lib(f); })
                                                    : render([](FILE* f) { write_to_bsc(f); });
    if (c.part)
        EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    else
        EXPECT_EQ(text, c.expected);
}

const char* kTapLib = "%TAP_CONTROLLER T { %TDI TI; %TDO TO; }\n";

INSTANTIATE_TEST_SUITE_P(
    Table, GuidelineFormats,
    ::testing::Values(
        FormatCase{"OnlyTapNames", kTapLib, "%TAP_MODULE { %MODULE_NAME T; %INSTANCE_NAME U; }", "bsc",
                   "/* Global Signals */\n\n\n\n/* TAP controller to be used */\n\n%TAP_MODULE\n {\n"
                   "    %MODULE_NAME      T;\n    %INSTANCE_NAME    U;\n }\n\n\n\n/* Test Date Register */\n\n",
                   false},
        // The TDO line names the TDO pin; a group size that is not set
        // (-1) is not written: the library reader refuses "-1".
        FormatCase{"TapWithoutGroupSize", kTapLib, "%GLOBAL_TDI a;", "lib",
                   "/* Description of TAP controller */\n\n%TAP_CONTROLLER   T\n {\n  %TDI            TI;\n"
                   "  %TDO            TO;\n }\n\n",
                   false},
        FormatCase{"SixSkipSignals", kTapLib, "%SKIP_SIGNAL_NAMES { a, b, c, d, e, f; }", "bsc",
                   "%SKIP_SIGNAL_NAMES\n {\n              a,              b,              c,              d,\n"
                   "              e,              f;\n }\n\n",
                   true},
        FormatCase{"ThreeSkipSignals", kTapLib, "%SKIP_SIGNAL_NAMES { a, b, c; }", "bsc",
                   " {\n              a,              b,              c;\n }\n", true},
        FormatCase{"InstructionWithTwoOpcodes", kTapLib,
                   "%INSTRUCTION_TABLE { %INSTRUCTION EXTEST = (0001, 1X00) ACCESS BSR; }", "bsc",
                   "%INSTRUCTION_TABLE\n {\n    %INSTRUCTION           EXTEST = (0001,\n" + std::string(37, ' ') +
                       "1X00)  ACCESS  BSR;\n}\n\n",
                   true}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ the editor in process

// Runs the editor on no files with the answers, to their end.
void edit(const std::string& answers) {
    JTAG_BSC_FILE.clear();
    JTAG_LIB_FILE.clear();
    FILE* in = fmemopen(const_cast<char*>(answers.data()), answers.size(), "r");
    guideline_set_input(in);
    testing::internal::CaptureStdout();
    guideline_handler();
    testing::internal::GetCapturedStdout();
    std::fclose(in);
}

class GuidelineEditor : public ::testing::Test {
protected:
    void TearDown() override {
        GUIDELINE_reset_globals();
        DESC_reset_globals();
    }
};

// A page added and left without a name goes again; the end of the input
// leaves the editor with the tables as edited and nothing saved.
TEST_F(GuidelineEditor, UnnamedPagesGoAndTheEndOfInputReturns) {
    TempDir dir;
    ChangeDir here(dir.path());
    edit("2\n1\n1\nT1\n21\n22\n4\n4\n2\n15\n15\n1\nC2\n16\n");
    ASSERT_EQ(DYNA_count(TAP_CELL_TAB), 1);
    EXPECT_STREQ(TAP_CELL_TAB[0]->name, "T1");
    // The first scan-cell page had no name: it goes once a named one is left.
    ASSERT_EQ(DYNA_count(SCAN_CELL_TAB), 1);
    EXPECT_STREQ(SCAN_CELL_TAB[0]->name, "C2");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// ------------------------------------------------------------ the editor as a program

std::string kestrand() { return testsupport::built_program("bin/kestrand"); }

// Reads the saved files of a directory back, writes them again and reads
// that: the tables and the bytes stay the same.
void expect_saved_files_read_back(const TempDir& dir, const std::string& pin_file) {
    ChangeDir here(dir.path());
    read_tables("chip.lib", "chip.bsc");
    std::string tables = guideline_tables_text();
    std::string lib = render([](FILE* f) { write_to_lib(f); });
    std::string pins = DYNA_count(PIN_TABLE) > 0 ? render([](FILE* f) { write_to_pin(f); }) : "";
    EXPECT_EQ(lib, read_file(dir.path() / "chip.lib"));
    if (!pin_file.empty()) {
        EXPECT_EQ(pins, read_file(dir.path() / pin_file));
    }
    write_files(dir, "again");
    read_tables("again.lib", "again.bsc");
    EXPECT_EQ(guideline_tables_text(), tables);
    DESC_reset_globals();
}

struct Session {
    const char* name;
    std::vector<std::string> fixture;  // the fixture chip's files to start from
    std::string input;       // the answers
    int status;
    std::vector<std::string> says;  // in this order on standard output
    std::vector<std::pair<std::string, std::string>> files;  // file, a part of it
    std::vector<std::string> unsaved;  // files that must not exist
    std::string pin_file;    // the pin file the session saves, "" for none
};

void PrintTo(const Session& s, std::ostream* os) { *os << s.name; }
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class GuidelineSession : public ::testing::TestWithParam<Session> {};

TEST_P(GuidelineSession, AnswersOutputAndFiles) {
    const Session& s = GetParam();
    TempDir dir;
    for (const std::string& f : s.fixture) fs::copy_file(source_path("tests/fixtures/chip/" + f), dir.path() / f);
    bool fixture = !s.fixture.empty();
    std::map<std::string, std::string> before;
    for (const std::string& f : s.fixture) before[f] = read_file(dir.path() / f);
    // "Save and continue the program" first checks that the run's tools
    // can be started: the stand-ins are on PATH.
    testsupport::ToolPath tools;
    auto r = testsupport::run({kestrand(), "chip", "-guideline"}, dir.path(), &s.input);
    EXPECT_EQ(r.status, s.status) << r.out;
    size_t at = 0;
    for (const std::string& want : s.says) {
        size_t f = r.out.find(want, at);
        EXPECT_NE(f, std::string::npos) << "missing: " << want << "\nin:\n" << r.out;
        if (f != std::string::npos) at = f + want.size();
    }
    for (const auto& [file, part] : s.files) {
        ASSERT_TRUE(fs::exists(dir.path() / file)) << file << "\n" << r.out;
        EXPECT_NE(read_file(dir.path() / file).find(part), std::string::npos) << file << " lacks " << part;
    }
    for (const std::string& file : s.unsaved) EXPECT_FALSE(fs::exists(dir.path() / file)) << file;
    if (fixture && !s.files.empty()) expect_saved_files_read_back(dir, s.pin_file);
    // Nothing saved: every file as it was.
    if (s.files.empty()) {
        for (const auto& [f, text] : before) EXPECT_EQ(read_file(dir.path() / f), text) << f;
    }
    // The read-back check and the save leave nothing behind.
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        EXPECT_EQ(name.rfind("kest_guideline_", 0), std::string::npos) << e.path();
        EXPECT_NE(name[0], '.') << "a temporary file stayed: " << name;
    }
}

const std::vector<std::string> kChip = {"chip.bsc", "chip.lib", "chip.pin"};

const std::string kMainPrompt = std::string(20, ' ') + " Enter Command : ";
const std::string kMainTitle = std::string(15, ' ') + " *********   Main  Menu   ********\n\n";

INSTANTIATE_TEST_SUITE_P(
    Table, GuidelineSession,
    ::testing::Values(
        // Only an exact number chooses an item; the end of the input leaves
        // the editor without saving, and the run goes on (here to the
        // missing design).
        Session{"ExactNumbersOnly", kChip, "1 \n01\n 1\n1.\n", 255,
                {kMainTitle, kMainTitle, kMainTitle, kMainTitle, kMainTitle, "ERROR: can't find SDB file 'chip.sdb'"},
                {},
                {},
                ""},
        Session{"EndOfInputWithoutFiles", {}, "", 255,
                {kMainTitle, kMainPrompt, "ERROR: can't find BSC file 'chip.bsc'"}, {}, {"chip.bsc", "chip.lib"},
                ""},
        Session{"AbortWritesNothing", kChip, "1\n1\nnew_tdi\n6\n10\n", 255, {"..... new_tdi"}, {}, {}, ""},
        // Bad values print their message and wait for one line, which is
        // taken as nothing else; the field stays as it was.
        Session{"BadValuesAndTheLineAfterThem", kChip,
                "2\n1\n14\nabc\n9\n22\n4\n3\n1\n4x\n2\n7\n4\n3\n" + std::string(31, '0') + "\n1\n3\n" +
                    std::string(31, '0') + "2\n3\n3\n" + std::string(31, '0') + "x\n1\n5\n9\n",
                0,
                {"     group size must be an integer", "..... 8", "          Instruction length must be an integer",
                 "..... 4", "           The length of data must be 32.\n",
                 "           Invalid bit value '2' in \"" + std::string(31, '0') + "2\"\n",
                 // The IDCODE is read back only as 0 and 1.
                 "           Invalid bit value 'x' in", "File was written to ./chip.bsc"},
                {{"chip.lib", "  %GROUP_SIZE     8;\n"},
                 {"chip.bsc", "%IDCODE_REGISTER  00010000000000000001000010100111;"}},
                {},
                "chip.pin"},
        // With instruction length 4, "0001, 1x0X;111" keeps 0001 and 1x0X;
        // an opcode equal to one already there (X matches anything) is
        // refused as the reader would; an empty opcode answer removes the
        // instruction.
        Session{"OpcodesOfLengthFour", kChip,
                "3\n2\nNEWINST\n0001, 1x0X;111\n\n\nPRELOAD\n0011 0X11\n\nBOUNDARY\n\n7\n9\n", 0,
                {"     invalid instruction '111'\n", "     invalid instruction '0X11'\n", "File was written to"},
                {{"chip.bsc", "%INSTRUCTION          NEWINST = (0001,\n" + std::string(37, ' ') +
                                  "1x0X)  ACCESS  bypass;\n"},
                 {"chip.bsc", "%INSTRUCTION          PRELOAD = (0011)  ACCESS  BOUNDARY;\n"}},
                {},
                "chip.pin"},
        Session{"DuplicateSkipSignal", kChip, "7\n1\nTDI\n\n1\nnewsig\n2\nnosig\n\n2\ntck\n3\n9\n", 0,
                {"      Signal 'TDI' is already in list.", "      Signal 'nosig' is not in list.",
                 "File was written to"},
                {{"chip.bsc", "newsig"}},
                {},
                "chip.pin"},
        // Save and continue: the files are written, named, and the run goes
        // on with them (to the missing design here).
        Session{"SaveAndContinue", kChip, "1\n5\nrst_n\n6\n8\n", 255,
                {"File was written to ./chip.bsc\nFile was written to ./chip.lib\nFile was written to chip.pin\n",
                 "ERROR: can't find SDB file"},
                {{"chip.bsc", "%GLOBAL_TRST     rst_n;\n"}},
                {},
                "chip.pin"},
        // Without files: new ones named after the top module in the working
        // directory, with a pin file of the rows typed (sorted by number);
        // save and continue, and the run takes them (and stops at the
        // missing design, not at a missing configuration).
        Session{"NewFilesFromScratch", {},
                "2\n1\n1\nmytap\n15\nTDI\n16\nTDO\n22\n2\nmytap\n3\nU_TAP\n4\n6\n1\npins.txt\n2\n10\nP10\np10\nin\n"
                "2\n2\nP2\np2\nout\n3\n\n\n\n\n3\n8\n",
                255,
                {"File was written to chip.bsc\nFile was written to chip.lib\nFile was written to pins.txt\n",
                 "ERROR: can't find SDB file 'chip.sdb'"},
                {{"pins.txt", "%PACKAGE_TYPE My_Chip 2;\n2  P2  p2  out\n10  P10  p10  in\n"},
                 {"chip.bsc", "%FILE_NAME  pins.txt;"},
                 {"chip.lib", "%TAP_CONTROLLER   mytap\n {\n  %TDI            TDI;\n  %TDO            TDO;\n }\n"}},
                {},
                ""},
        // What the reader would refuse is not saved: a TAP module that is
        // not in the library, a TAP page with nothing but its name.
        Session{"RefusesTapModuleNotInLibrary", kChip, "2\n2\nnosuch\n4\n9\n\n10\n", 255,
                {"The TAP module 'nosuch' is not a TAP controller of the library.\nNothing was saved.\n"}, {}, {},
                ""},
        Session{"RefusesEmptyTapBlock", kChip, "2\n1\n21\n1\nbare\n22\n4\n9\n\n10\n", 255,
                {"Syntax Error", "The files would not read back as edited.\nNothing was saved.\n"}, {}, {}, ""},
        // A file the editor did not read is not replaced: a configuration
        // found without its library, a pin file named over another file.
        Session{"ConfigurationWithoutLibraryIsKept", {"chip.bsc"}, "1\n1\nx\n6\n9\n\n10\n", 255,
                {"'./chip.bsc' was not read (a configuration is read only with its cell library); it is not "
                 "replaced.\n",
                 "Nothing was saved.\n"},
                {},
                {"chip.lib"},
                ""},
        // A file that cannot be written: none of the three is replaced
        // (the configuration would name a pin file that is not there).
        Session{"PinFileThatCannotBeWrittenSavesNothing", kChip, "6\n1\nnodir/x.pin\n3\n9\n", 255,
                {"Can't open nodir/x.pin to write\n"}, {}, {"nodir"}, ""},
        Session{"PinFileOverAnotherFile", {"chip.bsc", "chip.lib", "chip.pin", "chip.v"},
                "6\n1\nchip.v\n3\n9\n\n10\n", 255,
                {"'chip.v' is not the pin list that was read; it is not replaced.\nNothing was saved.\n"}, {}, {},
                ""},
        // A pad page: a second bidirectional pad with its pins.
        Session{"NewBidirectionalPad", kChip, "5\n3\n3\n4\nPADX\n5\nA\n6\nY\n9\nIO\n1\n6\n9\n", 0,
                {"Bidirectional PAD Menu 1", "Bidirectional PAD Menu 2", "..... IO"},
                {{"chip.lib", "%BUFFER        PADX\n {\n  %FUNCTION    inout;\n  %INOUT       IO;\n"
                              "  %INPUT       A;\n  %OUTPUT      Y;\n }\n"}},
                {},
                "chip.pin"}),
    [](const auto& info) { return std::string(info.param.name); });

// The screens as they are shown, against a golden file.
TEST(GuidelineMenus, ScreensMatchTheGoldenFile) {
    TempDir dir;
    for (const char* f : {"chip.bsc", "chip.lib", "chip.pin"})
        fs::copy_file(source_path(std::string("tests/fixtures/chip/") + f), dir.path() / f);
    std::string input = "1\n6\n2\n1\n22\n4\n3\n2\n\n7\n4\n1\n6\n2\n16\n5\n3\n1\n6\n2\n\n3\n7\n3\n";
    auto r = testsupport::run({kestrand(), "chip", "-guideline"}, dir.path(), &input);
    size_t from = r.out.find(kMainTitle);
    size_t to = r.out.rfind(kMainPrompt);
    ASSERT_NE(from, std::string::npos) << r.out;
    ASSERT_NE(to, std::string::npos) << r.out;
    std::string screens = r.out.substr(from, to + kMainPrompt.size() - from);
    EXPECT_EQ(screens, read_file(source_path(kFixtures + "menus.golden")));
}

// Save and continue on the compiled fixture chip: the run goes on with
// the saved files and inserts the boundary scan.
TEST(GuidelineRun, SaveAndContinueRunsTheInsertion) {
    if (!testsupport::fixture_tools_built()) GTEST_SKIP() << "the stand-in tools are not built";
    TempDir dir;
    ASSERT_TRUE(testsupport::compile_fixture_chip(dir.path()));
    testsupport::ToolPath tools;
    std::string input = "8\n";
    auto r = testsupport::run({kestrand(), "chip", "-guideline"}, dir.path(), &input);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("File was written to ./chip.bsc"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CPU TIME = "), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "chip.bso"));
}

}  // namespace
