// The DFT file writer checked the way its output is consumed: files read
// through the real entry (scan_interface), every object written back,
// the written files read through the entry again.  Each object must read
// back as the same object (its listing and everything the writer writes
// of it), with the comments of its own file, without a warning the first
// read did not give, and a second write must give the same text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "object_util.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/dump.h"
#include "scanlang/object/scan_interface.h"
#include "scanlang/object/write_test_util.h"
#include "support/param_name.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;

const char* kFixtures = "tests/fixtures/scanlang/round_trip";

// What one object of a read gives: its listing and description (the
// directory of the read taken out) and the text written of it.
struct ObjectTexts {
    std::string name;  // the file's name as its lister writes it
    std::string listing;
    std::string described;
    std::string written;
};

std::string without(std::string text, const std::string& dir) {
    for (std::size_t at; (at = text.find(dir)) != std::string::npos;) text.replace(at, dir.size(), "<dir>");
    return text;
}

// What a read printed, as a count per line: the directory of the read
// taken out, and line numbers too (the written file has its own).
using Messages = std::map<std::string, int>;

Messages messages_of(const std::string& printed, const std::string& dir) {
    static const std::regex kLineNumber("line-[0-9]+");
    Messages lines;
    std::istringstream in(without(printed, dir));
    for (std::string line; std::getline(in, line);) ++lines[std::regex_replace(line, kLineNumber, "line-#")];
    return lines;
}

// The lines of `after` that `before` does not hold as often.
std::string new_messages(const Messages& before, const Messages& after) {
    std::string added;
    for (const auto& [line, count] : after) {
        const auto found = before.find(line);
        if (found == before.end() || found->second < count) added += line + "\n";
    }
    return added;
}

// Reads `top` in `dir` through the entry with `tool` and writes every
// object read (the top file's first, then each core's) under its own
// name into `out`; `messages` receives what the read printed, `status`
// what the entry returned.  The front end is reset afterwards.
std::vector<ObjectTexts> read_and_write(const fs::path& dir, const std::string& top, const char* tool,
                                        const fs::path& out, Messages* messages = nullptr, int* status = nullptr) {
    std::vector<ObjectTexts> objects;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int returned = scan_interface((dir / top).string().c_str(), 0, tool);
    if (status) *status = returned;
    const std::string printed = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
    if (messages) *messages = messages_of(printed, dir.string());
    const std::vector<CoreListEntry> entries = SL_CORE_LIST;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].object) continue;
        if (i == 0)
            DFT_setup(SL_TOP_DFT_TREE);
        else
            DFT_inst_setup(entries[i].core_name.c_str());
        EXPECT_EQ(DFT_OBJECT, entries[i].object);
        ObjectTexts t;
        t.name = i == 0 ? top : entries[i].dft_file;
        t.listing = without(SL_object_dump_text(), dir.string());
        t.described = writetest::describe(*DFT_OBJECT);
        const fs::path file = out / t.name;
        fs::create_directories(file.parent_path());
        EXPECT_TRUE(PRINT_SCAN_OBJECT(file.string(), 1)) << file;
        t.written = without(testsupport::read_file(file), out.string());
        objects.push_back(std::move(t));
    }
    SCANLANG_reset_globals();
    return objects;
}

// The fixture files into `to`; the DFT files too unless `side_files_only`.
void copy_fixtures(const fs::path& to, bool side_files_only) {
    for (const fs::directory_entry& e : fs::directory_iterator(testsupport::source_path(kFixtures)))
        if (!side_files_only || e.path().extension() != ".dft") fs::copy_file(e.path(), to / e.path().filename());
}

// Reads `top` of the fixtures, writes every object, reads the written
// files (beside copies of the side files) and writes them again: returns
// the first read's texts after checking that the second read gave the
// same objects, printed no warning the first did not, and the second
// write gave the same files.  `printed` receives what the first read
// printed, `status` what the entry returned for it.
std::vector<ObjectTexts> round_trip(const std::string& top, const char* tool, Messages* printed = nullptr,
                                    int* status = nullptr) {
    testsupport::TempDir first, second, third;
    copy_fixtures(first.path(), false);
    copy_fixtures(second.path(), true);
    copy_fixtures(third.path(), true);
    Messages printed_before, printed_after;
    const std::vector<ObjectTexts> before =
        read_and_write(first.path(), top, tool, second.path(), &printed_before, status);
    const std::vector<ObjectTexts> after = read_and_write(second.path(), top, tool, third.path(), &printed_after);
    EXPECT_EQ(new_messages(printed_before, printed_after), "");
    EXPECT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        SCOPED_TRACE(before[i].name);
        EXPECT_EQ(after[i].name, before[i].name);
        EXPECT_EQ(after[i].listing, before[i].listing);
        EXPECT_EQ(after[i].described, before[i].described);
        EXPECT_EQ(after[i].written, before[i].written);
    }
    if (printed) *printed = std::move(printed_before);
    return before;
}

class WriteReadBack : public objtest::ObjectTest {};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct RoundTripCase {
    const char* top;
    const char* tool;
    std::size_t objects;  // the top file's and the cores' read
    // Texts the top file's first written file holds (what the read kept).
    std::vector<std::string> written = {};
    // When given, every line the first read prints (its folder as
    // "<dir>", its line numbers as "line-#"): warnings, so the entry
    // returns 1 when there is one and 0 when there is none.
    std::optional<std::vector<std::string>> warned = std::nullopt;
    // A text the top object's listing or description holds, and one its
    // listing does not hold.
    std::string listed = {};
    std::string unlisted = {};
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.top << " " << c.tool; }

// The warning of `file` for a repeat of each of `names`.
std::vector<std::string> multiple_defined(const std::string& file, std::initializer_list<const char*> names) {
    std::vector<std::string> lines;
    for (const char* name : names)
        lines.push_back("WARNING : '<dir>/" + file + "', line-#, '" + name + "' is multiple defined.");
    return lines;
}

class WriteReadBackFiles : public WriteReadBack, public testing::WithParamInterface<RoundTripCase> {};

TEST_P(WriteReadBackFiles, EveryObjectReadsBackTheSame) {
    const RoundTripCase& c = GetParam();
    Messages printed;
    int status = -1;
    const std::vector<ObjectTexts> objects = round_trip(c.top, c.tool, &printed, &status);
    ASSERT_EQ(objects.size(), c.objects);
    for (const std::string& text : c.written)
        EXPECT_TRUE(has(objects[0].written, text)) << text << "\n" << objects[0].written;
    if (c.warned) {
        Messages warned;
        for (const std::string& line : *c.warned) ++warned[line];
        EXPECT_EQ(printed, warned);
        EXPECT_EQ(status, c.warned->empty() ? 0 : 1);
    }
    if (!c.listed.empty()) {
        EXPECT_TRUE(has(objects[0].listing + objects[0].described, c.listed))
            << c.listed << "\n" << objects[0].listing << objects[0].described;
    }
    if (!c.unlisted.empty()) {
        EXPECT_FALSE(has(objects[0].listing, c.unlisted)) << objects[0].listing;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, WriteReadBackFiles,
    testing::Values(
        RoundTripCase{"top.dft", "hier_dft", 2}, RoundTripCase{"top.dft", "atpg", 1},
        RoundTripCase{"coded.dft", "hier_dft", 1}, RoundTripCase{"coded.dft", "atpg", 1},
        RoundTripCase{"steps.dft", "atpg", 1}, RoundTripCase{"empty_strings.dft", "atpg", 1},
        // Escaped names before punctuation keep a blank after them.
        RoundTripCase{"escaped_names.dft", "atpg", 1, {" \\u/ff[1] {Q} u2{\\p/q } ;\n"}},
        // Blocks whose statements read as not given get one such statement.
        RoundTripCase{"not_given.dft", "atpg", 1, {"        {\n        %PERIOD = -1 ;\n        }\n"}},
        // An architecture without TAM cores has no %TAM_CONFIG block.
        RoundTripCase{"architecture.dft", "atpg", 1, {"    %TEST_CONTROLLER = tc ;\n  }\n"}},
        // A %CORE block without %NAME is kept, and names no core to read.
        RoundTripCase{"nameless_core.dft", "hier_dft", 1, {"     %DFT_FILE = \" n.dft \" ;\n     %TIE0 = t ;\n"}},
        // Every block of a repeated %TEST_SCHEDULE or %TEST_ARCHITECTURE.
        RoundTripCase{"repeated_blocks.dft", "atpg", 1, {"     %TEST_SESSION s2 ;\n"}},
        // A chain's scan port keeps its name.
        RoundTripCase{"scan_port_name.dft", "atpg", 1, {"     %SCAN_PORT  sp\n"}},
        // A pattern set of a core instruction.
        RoundTripCase{"instruction_patset.dft", "atpg", 1,
                      {"         %PATSET p\n         {\n             %BTP = \" b \" ;\n         }\n"}},
        // An illegal-inputs statement over 17 ports.
        RoundTripCase{"wide_illegal.dft", "atpg", 1},
        // A file of an empty section is written with that section, which
        // makes no record of the object.
        RoundTripCase{.top = "empty_section.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"  %ATPG_CONSTRAINTS\n     {\n     }\n"},
                      .unlisted = "ATPG_CONSTRAINTS"},
        // The object holds one %TEST_CONVERSION: a second block is
        // reported, and the first is written.
        RoundTripCase{.top = "second_conversion.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"        %REMOVE_PIN rp_first ;\n"},
                      .warned = multiple_defined("second_conversion.dft", {"TEST_CONVERSION"})},
        // Every %MBIST_BSD block is kept and written as a block of its own.
        RoundTripCase{.top = "mbist_bsd_blocks.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"         %MBIST_CLOCK = ck1 ;\n         }\n     }\n  %MBIST_BSD\n     {\n"
                                  "     %INSTRUCTION  b2\n"},
                      .listed = "    INSTRUCTION : b3\n"},
        // Every %TAM_IN and %TAM_OUT block of a TAM core, in file order.
        RoundTripCase{.top = "tam_blocks.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"        %TAM_IN i_one\n        {\n          %TAM_IN_PORT = p1 ;\n        }\n"
                                  "        %TAM_IN i_two\n",
                                  "        %TAM_OUT o_one\n        {\n          %TAM_OUT_PORT = q1 ;\n        }\n"
                                  "        %TAM_OUT o_two\n"}},
        // Every lockup-latch file is read, its names after those of the
        // files before it.
        RoundTripCase{.top = "lockup_files.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"\" latches.lst \"", "\" more_latches.lst \""},
                      .listed = "lockup names u1/lockup_0,u1/lockup_1,u2/lockup_2,\n"},
        // An empty %BIST_TYPE and an empty %SEED beside other statements of
        // their blocks are written, so that the blocks read back without a
        // missing statement.
        RoundTripCase{.top = "empty_values.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"     %BIST_TYPE = \"  \" ;", "        %SEED        = '\t' ;\n"}},
        // Escaped instances of pin references end with a blank; an escaped
        // name with braces in a list of names stays one name.
        RoundTripCase{.top = "escaped_pin_refs.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"     %CLOCK_PORTS = \\ck0 {P} , \\ck1 {\\p } , \\k {x} , u{\\q{r } ;\n",
                                  "    %CPATH = \\c0 {Q} , d , \\e{} ;\n", "        %FROM = \\a/f0 {CK} ;\n",
                                  "  %SCAN_IN_LIST = \\s{i} , t ;\n"}},
        // A comment in a block whose only statement reads as not given
        // does not stand for the statement the block needs.
        RoundTripCase{.top = "commented_not_given.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"        {\n          /* none */\n          %PRECISION -1 ;\n        }\n",
                                  "          // none either\n          %PRECISION -1 ;\n"}},
        // Blocks of a test conversion of which the object keeps one (its
        // timing, clock block and removed pins): a repeat is reported, each
        // under its node's kind, and the first is written.
        RoundTripCase{.top = "repeated_single_blocks.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"          %CYCLE 100 ;\n", "          %CLOCK clk 010 ;\n        }\n",
                                  "        %REMOVE_PIN x ;\n"},
                      .warned = multiple_defined("repeated_single_blocks.dft",
                                                 {"SET_TIMING", "REMOVE_PIN", "CONVERSION_CLOCK"})},
        // Repeats whose first (or last) the object keeps by design read
        // without a word: test files, a sequence's timing blocks of one
        // kind and their statements, a decoder's modes and clock, the
        // statements of a PLL clock fix and of a PLL.
        RoundTripCase{.top = "allowed_repeats.dft",
                      .tool = "atpg",
                      .objects = 1,
                      .written = {"     %MBIST_FILE = m1.v ;\n     %LBIST_FILE = l1.v ;\n     %BSD_FILE = b1.bsd ;\n"
                                  "     %MACRO_TEST = t1.pat ;\n",
                                  "          %CYCLE 10 ;\n          %DEFAULT_PI_TIME  1.00 ;\n          %PRECISION 3 ;\n",
                                  "          %TYPE LAUNCH ; \n          %CYCLE 40 ;\n", "          %PORT_NAME = sm ;\n",
                                  "     %TEST_MODE  = tm ;\n", "          %PORT_NAME k = 1 ;\n",
                                  "     %SCAN_CLK  = ck1 ;\n", "        %PERIOD = 10 ;\n        }\n",
                                  "     %NAME = p2 ;\n     %REF_CLOCK\n        {\n        %PERIOD = 2.50 ;\n"},
                      .warned = std::vector<std::string>{}},
        // Comment lines that begin as the writer's header line does are
        // the input's own: one on the first line, and one in a block
        // comment that it closes.
        RoundTripCase{"file_comments.dft", "atpg", 1,
                      {"// File : a note of the user's on the file's first line\n",
                       "/* a comment\n// File : inside it */\n"}},
        // Cores in cores, two of them sharing one file, each file read and
        // written as its own object.
        RoundTripCase{"nested_top.dft", "hier_dft", 5}, RoundTripCase{"nested_top.dft", "atpg", 1}),
                         [](const testing::TestParamInfo<RoundTripCase>& info) {
                             return testsupport::param_name(std::string(info.param.top) + "_" + info.param.tool);
                         });

// Each file keeps its own comments: the top file is written with its own
// (the core read after it does not replace them), the core with its own,
// and the lockup-latch file's comments are written nowhere.
TEST_F(WriteReadBack, EachFileKeepsItsOwnComments) {
    const std::vector<ObjectTexts> objects = round_trip("top.dft", "hier_dft");
    ASSERT_EQ(objects.size(), 2u);
    const std::string& top = objects[0].written;
    const std::string& core = objects[1].written;
    for (const char* c : {"// The top file of the write-and-read-back round trip.\n", "// The latches between",
                          "// A sequence of no cycle at all.", "// The port holds its value", "// The one core.",
                          "// The last word of the top file.\n"}) {
        EXPECT_TRUE(has(top, c)) << c << "\n" << top;
        EXPECT_FALSE(has(core, c)) << c << "\n" << core;
    }
    for (const char* c : {"// The core's own file.\n", "// The core's one scan chain."}) {
        EXPECT_TRUE(has(core, c)) << c << "\n" << core;
        EXPECT_FALSE(has(top, c)) << c << "\n" << top;
    }
    // Read with cores or without, with a map file or without (whose
    // comments are not kept), the side files' comments stay out.
    std::vector<ObjectTexts> all = objects;
    for (ObjectTexts& o : round_trip("top.dft", "atpg")) all.push_back(std::move(o));
    for (ObjectTexts& o : round_trip("coded.dft", "atpg")) all.push_back(std::move(o));
    for (const ObjectTexts& o : all)
        for (const char* c : {"a comment of the latch file", "A path file: a comment of its own"})
            EXPECT_FALSE(has(o.written, c)) << c << "\n" << o.written;
}

// The project's own connect_core.dft gives %BSD_FILE twice, a repeat the
// language allows: read through the entry it prints nothing and returns
// 0, and the object keeps the first file.
TEST_F(WriteReadBack, ProjectFileWithAnAllowedRepeatReadsSilently) {
    testsupport::TempDir first, second;
    fs::copy_file(testsupport::source_path("tests/fixtures/scanlang/connect_core.dft"),
                  first.path() / "connect_core.dft");
    Messages printed;
    int status = -1;
    const std::vector<ObjectTexts> objects =
        read_and_write(first.path(), "connect_core.dft", "atpg", second.path(), &printed, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed, Messages{});
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_TRUE(has(objects[0].written, "     %BSD_FILE = chip.bsd ;\n")) << objects[0].written;
}

// Plain groups beside a ciphertext are written as read (the project's own
// compression fixture); groups decoded from a ciphertext stay coded.
TEST_F(WriteReadBack, FennoxGroupsAreWrittenAsRead) {
    const std::vector<ObjectTexts> top = round_trip("top.dft", "atpg");
    ASSERT_EQ(top.size(), 1u);
    EXPECT_TRUE(has(top[0].written, "  %CIPHERTEXT\n  {\n      17\n      4\n      -2\n  }\n")) << top[0].written;
    EXPECT_TRUE(has(top[0].written, "  %FENNOX_IN_1\n  {\n      %PORT_NAME sdi ;\n")) << top[0].written;
    EXPECT_TRUE(has(top[0].written, "  %FENNOX_OUT_1\n  {\n      %PORT_NAME sdo ;\n")) << top[0].written;

    const std::vector<ObjectTexts> coded = round_trip("coded.dft", "atpg");
    ASSERT_EQ(coded.size(), 1u);
    EXPECT_FALSE(has(coded[0].written, "%FENNOX_IN_")) << coded[0].written;
    EXPECT_TRUE(has(coded[0].listing, "si0")) << coded[0].listing;

    testsupport::TempDir first, second, third;
    const fs::path fixture = testsupport::source_path("tests/fixtures/scanlang/compression.dft");
    fs::copy_file(fixture, first.path() / "compression.dft");
    const std::vector<ObjectTexts> before = read_and_write(first.path(), "compression.dft", "atpg", second.path());
    const std::vector<ObjectTexts> after = read_and_write(second.path(), "compression.dft", "atpg", third.path());
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].listing, before[0].listing);
    EXPECT_EQ(after[0].described, before[0].described);
    EXPECT_TRUE(has(before[0].described, "group sdi")) << before[0].described;
}

// The values of the read, as the writer writes them: the BIST port's
// default, timings of three decimals, quoted values with quotes in them,
// a cycle length and a frame length of 0.
TEST_F(WriteReadBack, ValuesAreWrittenAsTheyReadBack) {
    const std::vector<ObjectTexts> objects = round_trip("top.dft", "atpg");
    ASSERT_EQ(objects.size(), 1u);
    const std::string& text = objects[0].written;
    for (const char* line : {
             "        %SCAN_IN  = bi ;\n        %SCAN_OUT = bo ;\n        %DEFAULT  = bd ;\n",
             "          %P_CLOCK = 12.345 50.125 clk ;\n", "          %PI_TIME = 10.50 a ;\n",
             "          %DEFAULT_PI_TIME  1.125 ;\n", "        %PERIOD = 1.125 ;\n",
             "     %CLOCK  clk = 12.3456789 ;\n", "     %CLOCK  tck = 100.000000 ;\n",
             "     %MODE      = \" full \"\"fast\"\" scan \" ;\n", "    %PATH = \" work \\x\"y dir \" ;\n",
             "    %DRC = \" drc \"\"all\"\" \" ;\n", "     %CYCLE_LENGTH  = 0 ;\n", "     %FRAME_LENGTH  = 0 ;\n"})
        EXPECT_TRUE(has(text, line)) << line << "\n" << text;
    // The listing shows the port's three values.
    EXPECT_TRUE(has(objects[0].listing, "    BIST_PORT :\n        SCAN_IN :   bi\n        SCAN_OUT :  bo\n"
                                        "        DEFAULT :   bd\n"))
        << objects[0].listing;
}

// Steps that name sequences the file does not define, and connections
// naming instructions it does not define, keep their names; an ATPG mode
// without a name keeps its keyword.
TEST_F(WriteReadBack, UndefinedNamesAndNamelessModesAreWritten) {
    const std::vector<ObjectTexts> steps = round_trip("steps.dft", "atpg");
    ASSERT_EQ(steps.size(), 1u);
    for (const char* text : {"     {\n     %RUNBIST   = pulse ;\n     %PROPAGATE = load ;\n     %EXTRA = x ;\n"
                             "     %POSTAMBLE  = a ,\n                   b ;\n     %RAM_WRITE = idle ;\n     }\n",
                             "     %ATPG_MODE  \"  \"\n        {\n"})
        EXPECT_TRUE(has(steps[0].written, text)) << text << "\n" << steps[0].written;
    const std::vector<ObjectTexts> connections = round_trip("coded.dft", "atpg");
    ASSERT_EQ(connections.size(), 1u);
    for (const char* text : {"     %SCAN_INSTRUCTION\n        {\n        %INSTRUCTION = scan ;\n        }\n",
                             "     %CORE_INSTRUCTION\n        {\n        %INSTRUCTION = core_scan ;\n        }\n"
                             "     %SYSTEM_INSTRUCTION\n        {\n        %INSTRUCTION = sys_run ;\n        }\n",
                             "     %BIST_INSTRUCTION\n        {\n        %INSTRUCTION = run ;\n        }\n"})
        EXPECT_TRUE(has(connections[0].written, text)) << text << "\n" << connections[0].written;
}

// Reals: two (or six) decimals where that is exact, so the texts of
// today's files stay as they are; else the shortest plain text that reads
// back as the same number.
TEST(DftRealText, ShortestExactText) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } rows[] = {{12.5, 2, "12.50"},        {0, 2, "0.00"},       {12.345, 2, "12.345"},
                {1.125, 2, "1.125"},       {-2.5, 2, "-2.50"},    {0.1, 2, "0.10"},
                {1e-7, 2, "0.0000001"},    {100, 6, "100.000000"}, {12.3456789, 6, "12.3456789"},
                {1e20, 2, "100000000000000000000.00"}};
    for (const auto& r : rows) {
        const std::string text = dft_real_text(r.value, r.decimals);
        EXPECT_EQ(text, r.text);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), r.value) << text;
    }
}

// The text between the quotes of a string statement, as the scanner reads
// it back: a quote is doubled except in a backslash run, and without a
// blank before the closing quote one is added where the value would lose
// or swallow it.
TEST(DftStringText, EscapedAsTheScannerReads) {
    const struct {
        const char* value;
        bool blank_follows;
        const char* text;
    } rows[] = {{"full \"fast\" scan", true, "full \"\"fast\"\" scan"},
                {"\"", true, "\"\""},
                {"a\\b\"c d\"e", true, "a\\b\"c d\"\"e"},
                {"x ", false, "x  "},
                {"a\\b", false, "a\\b "},
                {"a\\b c", false, "a\\b c"},
                {"plain", false, "plain"}};
    for (const auto& r : rows) EXPECT_EQ(dft_string_text(r.value, r.blank_follows), r.text) << r.value;
}

// An entry of a list of pin references: each escaped part ends with a
// blank.  The first brace opens the pin (a plain instance holds none);
// where the pin would not read back as one name (none, a brace, a
// keyword, a "%" word), the whole is one escaped name, which reads back
// as the same text.
TEST(DftPinRefText, EachEscapedPartEndsWithABlank) {
    const struct {
        const char* ref;
        bool blank_follows;
        const char* text;
    } rows[] = {{"u1{CK}", true, "u1{CK}"},          {"\\ck0{P}", true, "\\ck0 {P}"},
                {"u1{\\p}", true, "u1{\\p }"},       {"\\a{\\p}", true, "\\a {\\p }"},
                {"u{\\q{r}", true, "u{\\q{r }"},     {"\\a{x{P}", false, "\\a{x{P} "},
                {"\\e{}", false, "\\e{} "},          {"\\a{CLOCK}", true, "\\a{CLOCK}"},
                {"\\a{%P}", false, "\\a{%P} "},      {"\\a{P}x", false, "\\a{P}x "},
                {"\\n", false, "\\n "},             {"n", false, "n"}};
    for (const auto& r : rows) EXPECT_EQ(dft_pin_ref_text(r.ref, r.blank_follows), r.text) << r.ref;
}

}  // namespace
