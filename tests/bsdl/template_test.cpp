// BSDL template files: the standard template written by the template road,
// its replace prompt, and the reader of a user's template with its format
// errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bsdl/template.h"
#include "bsdl_test_util.h"
#include "support/regex.h"

namespace {

using namespace bsdltest;
using testsupport::read_file;
using testsupport::run;
namespace fs = std::filesystem;

// The date line of a template, the one line that changes from run to run.
std::string mask_date(const std::string& text) {
    static const std::regex kCreated("--  \\*  Created: [^\n]*\n");
    return std::regex_replace(text, kCreated, "--  *  Created: <date>\n");
}

// Reads a template text with the reader (in this process).
std::vector<TemplateBlock> read_text(const std::string& text, std::string& entity) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(std::tmpfile(), std::fclose);
    std::fwrite(text.data(), 1, text.size(), in.get());
    std::rewind(in.get());
    return read_template_file(in.get(), entity);
}

// The file the BSDL writer makes of a template: kept text as it stands,
// each block's text at the place of its node.
std::string fill(const std::vector<TemplateBlock>& blocks, const std::vector<std::string>& block_text) {
    std::string out;
    for (const TemplateBlock& b : blocks) out += b.kind == TPL_TEXT ? b.text : block_text[static_cast<size_t>(b.kind)];
    return out;
}

// Replaces the first line `from` of a text by `to`.
std::string replace_line(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class Template : public BsdlTest {
protected:
    testsupport::ScopedEnv dirs{"QUENDAL_DIRS", nullptr};
    testsupport::ScopedEnv root{"QUENDAL", nullptr};
    const std::string program = testsupport::built_program("bin/tallowmere");
};

// -------------------------------------------------------- standard template

struct StandardCase {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::string> removed;  // fixture files taken away before the run
    std::string path;                  // the template made, relative to the run's directory
    std::string golden;                // under tests/fixtures/bsdl; empty: check `constant` only
    std::string constant;              // the pin-map constant line
    std::string out;        // the screen output after the banner
};

TEST_F(Template, StandardTemplateMatchesGolden) {
    const std::vector<std::string> kAll = {"chip.lib", "chip.bsc", "chip.pin"};
    const std::string kUndefined = "  constant UNDEFINE_PACKAGE:PIN_MAP_STRING:=\n";
    const std::string kQfn = "  constant QFN16_PACKAGE:PIN_MAP_STRING:=\n";
    const StandardCase cases[] = {
        {"-T without description: package UNDEFINE", {"-T"}, kAll, "BSDL.tpl", "BSDL.tpl", kUndefined,
         "BSDL template file was written into \"./BSDL.tpl\".\n\n"},
        {"package type from chip.pin, in the -opath directory", {"-op", "out", "-template", "chip"}, {},
         "out/chip.tpl", "chip.tpl", kQfn, "BSDL template file was written into \"out/chip.tpl\".\n\n"},
        {"-window keeps the written line off the screen", {"-window", "-t", "chip"}, {}, "chip.tpl", "chip.tpl",
         kQfn, ""},
        {"no library: package UNDEFINE", {"-t", "chip"}, {"chip.lib"}, "chip.tpl", "", kUndefined,
         "BSDL template file was written into \"./chip.tpl\".\n\n"},
    };
    for (const StandardCase& c : cases) {
        SCOPED_TRACE(c.what);
        ChipDir dir;
        for (const std::string& f : c.removed) fs::remove(dir.file(f));
        std::vector<std::string> argv = {program};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        auto r = run(argv, dir.path());
        EXPECT_EQ(r.status, 0) << r.out;
        const std::string text = read_file(dir.path() / c.path);
        if (!c.golden.empty()) {
            EXPECT_EQ(mask_date(text), read_file(testsupport::source_path("tests/fixtures/bsdl/" + c.golden)));
        }
        EXPECT_NE(text.find("\n" + c.constant), std::string::npos) << text;
        // After the banner (which ends with the time line and an empty line).
        const size_t time = r.out.find("\nTIME: ");
        ASSERT_NE(time, std::string::npos) << r.out;
        EXPECT_EQ(r.out.substr(r.out.find('\n', time + 1) + 2), c.out);
        // Only the template and the report, nothing temporary left behind.
        int files = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file() && e.path().extension() != ".lib" && e.path().extension() != ".bsc" &&
                e.path().extension() != ".pin")
                ++files;
        EXPECT_EQ(files, 2);
    }
}

// The date line is the C library's calendar form: weekday, month, day,
// time, year.
TEST_F(Template, DateLineIsCalendarTime) {
    ChipDir dir;
    ASSERT_EQ(run({program, "-T"}, dir.path()).status, 0);
    const std::string text = read_file(dir.path() / "BSDL.tpl");
    EXPECT_TRUE(std::regex_search(text, std::regex("\n--  \\*  Created: [A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] "
                                                   "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n")))
        << text;
}

struct PromptCase {
    const char* what;
    std::string input;  // standard input of the run
    bool replaced;
};

TEST_F(Template, ExistingTemplateIsReplacedOnlyAfterYes) {
    const std::string kAsk =
        "WARNING: template file \"./BSDL.tpl\" already exist.\n"
        "Do you want to replace the old template file? (Yes/No): ";
    const PromptCase cases[] = {
        {"yes", "YES\n", true},
        {"no", "no\n", false},
        {"asked again until an answer", "y\nno thanks\nYes\n", true},
        {"the end of the input answers no", "", false},
    };
    for (const PromptCase& c : cases) {
        SCOPED_TRACE(c.what);
        ChipDir dir;
        dir.write("BSDL.tpl", "old\n");
        auto r = run({program, "-T"}, dir.path(), &c.input);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find(kAsk), std::string::npos) << r.out;
        const std::string text = read_file(dir.path() / "BSDL.tpl");
        if (c.replaced) {
            EXPECT_NE(text.find("entity BSDL is\n"), std::string::npos);
            EXPECT_NE(r.out.find("BSDL template file was written into \"./BSDL.tpl\"."), std::string::npos);
        } else {
            EXPECT_EQ(text, "old\n");
            EXPECT_EQ(r.out.find("was written into"), std::string::npos);
        }
    }
}

TEST_F(Template, UnwritableTemplateFailsAndLeavesNoFile) {
    ChipDir dir;
    // The template's name is taken by a directory: the finished file cannot
    // be put in its place.
    fs::create_directory(dir.file("BSDL.tpl"));
    const std::string yes = "yes\n";
    auto r = run({program, "-T"}, dir.path(), &yes);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: can't write template file \"./BSDL.tpl\".\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_directory(dir.file("BSDL.tpl")));
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".BSDL.tpl"), std::string::npos) << e.path();
}

// ------------------------------------------------------------- the reader

// The standard template reads back as six text nodes around five block
// places; with its blocks filled by hand it reads back the same, and
// filling the places again gives the hand-filled file.
TEST_F(Template, StandardTemplateReadsBack) {
    ChipDir dir;
    ASSERT_EQ(run({program, "-t", "chip"}, dir.path()).status, 0);
    const std::string standard = read_file(dir.path() / "chip.tpl");

    const std::vector<std::string> hand = {
        "    TDI : in bit;\n    TDO : out bit;\n    TMS : in bit;\n    TCK : in bit;\n    TRST : in bit;\n"
        "    DIN0 : in bit\n",
        "    \"TDI:8, TMS:9, TCK:10, TRST:11, TDO:12, DIN0:3\";\n",
        "  attribute TAP_SCAN_IN of TDI : signal is true;\n  attribute TAP_SCAN_MODE of TMS : signal is true;\n"
        "  attribute TAP_SCAN_OUT of TDO : signal is true;\n  attribute TAP_SCAN_RESET of TRST : signal is true;\n"
        "  attribute TAP_SCAN_CLOCK of TCK : signal is (1.0e7,BOTH);\n",
        "  attribute INSTRUCTION_LENGTH of chip : entity is 4;\n"
        "  attribute INSTRUCTION_OPCODE of chip : entity is \"EXTEST(0000),SAMPLE(0001),BYPASS(1111)\";\n"
        "  attribute INSTRUCTION_CAPTURE of chip : entity is \"0001\";\n"
        "  attribute REGISTER_ACCESS of chip : entity is \"BOUNDARY(EXTEST,SAMPLE),BYPASS(BYPASS)\";\n",
        "  attribute BOUNDARY_LENGTH of chip : entity is 1;\n"
        "  attribute BOUNDARY_REGISTER of chip : entity is\n    \"0 (BC_1, DIN0, input, X)\";\n",
    };
    std::string filled = standard;
    filled = replace_line(filled, "    < logical port description goes here >\n", hand[0]);
    filled = replace_line(filled, "    < package pin mapping string goes here >\n", hand[1]);
    // The template's own lines inside blocks 2 and 3 are dropped as well.
    for (int k : {TPL_SCAN_PORT, TPL_TAP_DESCRIPTION}) {
        const std::string begin = std::string("  --! ") + BS_TPL_TOKEN2B[k] + " \n";
        const std::string end = std::string("  --! ") + BS_TPL_TOKEN2E[k] + " \n";
        size_t from = filled.find(begin) + begin.size();
        filled.replace(from, filled.find(end) - from, hand[static_cast<size_t>(k)]);
    }
    filled = replace_line(filled, "    < boundary register description goes here >\n", hand[4]);

    for (const std::string* text : std::vector<const std::string*>{&standard, &filled}) {
        SCOPED_TRACE(text == &standard ? "standard" : "filled by hand");
        std::string entity;
        auto blocks = read_text(*text, entity);
        EXPECT_EQ(entity, "chip");
        ASSERT_EQ(blocks.size(), 11u);
        for (size_t i = 0; i < blocks.size(); ++i)
            EXPECT_EQ(blocks[i].kind, i % 2 == 0 ? TPL_TEXT : static_cast<int>(i / 2)) << i;
        for (int k = 0; k < TPL_BLOCK_COUNT; ++k) EXPECT_EQ(bs_tpl_check[k], 2) << k;
        for (const TemplateBlock& b : blocks) {
            EXPECT_EQ(b.text.find("goes here"), std::string::npos);
            EXPECT_EQ(b.text.find("TAP_SCAN_IN"), std::string::npos);
        }
        EXPECT_EQ(fill(blocks, hand), filled);
        EXPECT_EQ(blocks[2].text.rfind("  --! Logical_Port_Description_End \n       );\n", 0), 0u) << blocks[2].text;
    }
}

TEST_F(Template, LinesAreReadWhole) {
    // A marker 1023 characters into a line is not a marker line, and a long
    // kept line stays one line.
    const std::string long_comment = "-- " + std::string(1020, 'x') + "--! Logical_Port_Description_Begin\n";
    const std::string text = "entity " + std::string(3000, 'e') + " is\n" + long_comment + "end;\n";
    std::string entity;
    auto blocks = read_text(text, entity);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].text, text);
    EXPECT_EQ(entity, std::string(3000, 'e'));
    for (int k = 0; k < TPL_BLOCK_COUNT; ++k) EXPECT_EQ(bs_tpl_check[k], 0);
}

struct ReadCase {
    const char* what;
    std::string text;
    int status;
    std::string out;       // screen output (the whole of it)
    std::string entity;    // on success
    std::vector<int> kinds;
};

std::string format_error(int line, const char* marker) {
    return "ERROR: template file \"./chip.tpl\" format error.\n       line " + std::to_string(line) +
           ": cannot find matched \"--! " + marker + "\"\n\n";
}

TEST_F(Template, ReaderCasesAndFormatErrors) {
    const ReadCase cases[] = {
        {"no marker: one text node", "entity x is\nend x;\n", 0, "", "x", {TPL_TEXT}},
        {"look-alike markers are text", "--! Other_Word\n--!Logical_Port_Description_Begin\n-- ! X\n", 0, "", "",
         {TPL_TEXT}},
        {"entity without a word names nothing", "entity\n  entity\t\n", 0, "", "", {TPL_TEXT}},
        {"the last entity line wins, also inside a block",
         "entity a is\n--! Logical_Port_Description_Begin\nentity b is\n--! Logical_Port_Description_End\n", 0, "",
         "b", {TPL_TEXT, TPL_LOGICAL_PORT, TPL_TEXT}},
        {"markers with tabs and a CR line end",
         "\t--!\tScan_Port_Identification_Begin\r\n--! Scan_Port_Identification_End\r\n", 0, "", "",
         {TPL_TEXT, TPL_SCAN_PORT, TPL_TEXT}},
        {"end without begin names the begin marker", "a\n--! Package_Pin_Mapping_End\n", 255,
         format_error(2, "Package_Pin_Mapping_Begin"), "", {}},
        {"begin inside an open block names its end marker",
         "--! Package_Pin_Mapping_Begin\n--! Scan_Port_Identification_Begin\n", 255,
         format_error(2, "Package_Pin_Mapping_End"), "", {}},
        {"end of another block names that block's begin marker",
         "--! Package_Pin_Mapping_Begin\nx\n--! Scan_Port_Identification_End\n", 255,
         format_error(3, "Scan_Port_Identification_Begin"), "", {}},
        {"a block open at the end of the file", "--! Logical_Port_Description_Begin\nx\ny\n", 255,
         format_error(3, "Logical_Port_Description_End"), "", {}},
        {"a block given twice", "--! Logical_Port_Description_Begin\n--! Logical_Port_Description_End\n"
         "--! Logical_Port_Description_Begin\n", 255, format_error(3, "Logical_Port_Description_End"), "", {}},
        {"an end marker given twice",
         "--! Logical_Port_Description_Begin\n--! Logical_Port_Description_End\n--! Logical_Port_Description_End\n",
         255, format_error(3, "Logical_Port_Description_Begin"), "", {}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        char* argv[] = {const_cast<char*>("tallowmere"), const_cast<char*>("-t"), const_cast<char*>("chip"), nullptr};
        parse_command_options(3, argv);
        std::string entity;
        std::vector<int> kinds;
        auto r = run_child([&] {
            auto blocks = read_text(c.text, entity);
            for (const TemplateBlock& b : blocks) std::printf("%d,", b.kind);
            std::printf("|%s", entity.c_str());
        });
        EXPECT_EQ(r.status, c.status);
        if (c.status != 0) {
            EXPECT_EQ(r.out, c.out);
            continue;
        }
        std::string expect;
        for (int k : c.kinds) expect += std::to_string(k) + ",";
        EXPECT_EQ(r.out, expect + "|" + c.entity);
        // In this process too: every kept line stays, in order.
        auto blocks = read_text(c.text, entity);
        std::string kept;
        for (const TemplateBlock& b : blocks) kept += b.text;
        if (c.kinds.size() == 1) {
            EXPECT_EQ(kept, c.text);
        }
    }
}

TEST_F(Template, PathFollowsTheOutputDirectory) {
    struct {
        const char* dir;
        const char* word;
        const char* path;
    } const cases[] = {
        {".", "chip", "./chip.tpl"},
        {"out/x", "chip", "out/x/chip.tpl"},
        {"out", "/abs/t", "/abs/t.tpl"},
    };
    for (const auto& c : cases) {
        BS_OUTPUT_DIR = c.dir;
        EXPECT_EQ(template_file_path(c.word), c.path);
    }
}

}  // namespace
