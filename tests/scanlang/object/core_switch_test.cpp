// Reading a design's DFT files through the entry, and switching between
// the objects of the design and its cores: a fixture tree
// top -> sub/a -> b, each file telling itself by its register length.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "object_util.h"
#include "scanlang/object/core_switch.h"
#include "scanlang/object/scan_interface.h"
#include "support/child.h"
#include "support/param_name.h"
#include "support/testsupport.h"

namespace {

using Files = std::map<std::string, std::string>;

const Files kTree = {
    {"top.dft",
     "%CORE { %NAME = A; %DFT_FILE = \"sub/a.dft\"; %LBIST_FILE = \"a.lbist\"; }\n"
     "%LOCKUP_LATCH_FILE { %FILE_NAME = \"top.lst\"; }\n"
     "%REGISTER_LENGTH 1;\n"},
    {"top.lst", "l1;\nl2;\n"},
    // A core's cores are named relative to the core's own file.
    {"sub/a.dft", "%CORE { %NAME = B; %DFT_FILE = \"b.dft\"; %LBIST_FILE = \"b.lbist\"; }\n%REGISTER_LENGTH 2;\n"},
    {"sub/b.dft", "%REGISTER_LENGTH 3;\n"},
};

class CoreSwitchTest : public objtest::ObjectTest {
protected:
    // Writes the files (each text replacing the tree's file of its name,
    // an empty name removing nothing) and returns the top file's path.
    std::string write(const Files& files) {
        for (const auto& [name, text] : files) {
            std::filesystem::create_directories((dir_.path() / name).parent_path());
            dir_.write(name, text);
        }
        return (dir_.path() / "top.dft").string();
    }
    std::string at(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string top() { return write(kTree); }

    testsupport::TempDir dir_;
};

int length() { return DFT_OBJECT ? DFT_OBJECT->register_length : 0; }

TEST_F(CoreSwitchTest, HierarchyIsReadOnceAndTopIsCurrent) {
    EXPECT_EQ(scan_interface(top().c_str(), 0, "HIER_DFT"), 0);
    ASSERT_EQ(SL_CORE_LIST.size(), 3u);
    EXPECT_EQ(SL_CORE_LIST[0].core_name, "top");
    EXPECT_EQ(SL_CORE_LIST[1].core_name, "A");
    EXPECT_EQ(SL_CORE_LIST[2].core_name, "B");
    for (const CoreListEntry& e : SL_CORE_LIST) ASSERT_NE(e.object, nullptr) << e.core_name;
    EXPECT_EQ(SL_CORE_LIST[1].object->register_length, 2);
    EXPECT_EQ(SL_CORE_LIST[2].object->dft_file_name, at("sub/") + "b.dft");
    EXPECT_EQ(SL_CORE_LIST[2].object->dft_file_dir, at("sub/"));
    // Back on the top object, with its directory and its lockup latches.
    EXPECT_EQ(DFT_OBJECT, SL_TOP_DFT_TREE->object);
    EXPECT_EQ(length(), 1);
    EXPECT_EQ(current_pathG, at(""));
    ASSERT_TRUE(SCAN_LOCKUP_LATCH_LIST);
    EXPECT_EQ(*SCAN_LOCKUP_LATCH_LIST, (TextList{"l1", "l2"}));
    EXPECT_FALSE(std::filesystem::exists("top.dft_map.log"));
}

TEST_F(CoreSwitchTest, SwitchingIgnoresCaseAndSetsTheCoresTables) {
    scan_interface(top().c_str(), 0, "hier_dft");
    DftObject* top_object = DFT_OBJECT;
    top_object->connect_scan.resize(2);
    set_current_connect_scan(0);  // builds the top object's index
    new_decoder_ram_write = 1;

    EXPECT_EQ(DFT_inst_setup("a"), 1);
    EXPECT_EQ(length(), 2);
    EXPECT_EQ(current_pathG, at("sub/"));
    EXPECT_FALSE(SCAN_LOCKUP_LATCH_LIST) << "a core has no lockup latches of its own";
    EXPECT_EQ(current_connect_scan, nullptr);
    EXPECT_EQ(new_decoder_ram_write, 1) << "an object without a decoder leaves the decoder flags";
    EXPECT_EQ(DFT_inst_setup("b"), 1);
    EXPECT_EQ(length(), 3);
    // Entry 0 holds the top file under its base name.
    EXPECT_EQ(DFT_inst_setup("TOP"), 1);
    EXPECT_EQ(DFT_OBJECT, top_object);
    EXPECT_FALSE(top_object->connect_scan_index) << "switching to a core's object drops its index";
    EXPECT_EQ(connect_scan_count(), 2);

    EXPECT_EQ(DFT_setup(SL_TOP_DFT_TREE), 1);
    EXPECT_EQ(current_pathG, at(""));
    EXPECT_EQ(*SCAN_LOCKUP_LATCH_LIST, (TextList{"l1", "l2"}));
    DftTreeNode empty;
    EXPECT_EQ(DFT_setup(&empty), 0);
    EXPECT_EQ(DFT_setup(nullptr), 0);
    EXPECT_EQ(DFT_OBJECT, top_object);
}

TEST_F(CoreSwitchTest, UnknownCoreIsReportedAndChangesNothing) {
    scan_interface(top().c_str(), 0, "hier_dft");
    DftObject* before = DFT_OBJECT;
    std::string out = testsupport::stdout_of([] { EXPECT_EQ(DFT_inst_setup("nosuch"), 0); });
    EXPECT_EQ(out, "WARNING: The core 'nosuch' is not listed in the dft files.\n");
    EXPECT_EQ(DFT_OBJECT, before);
}

// The walk of the BIST connection files: each core with an LBIST file is
// entered by name, its own cores likewise, and the walk comes back up.
// Without the hierarchical tool only the top file is read at first; the
// cores are read as the walk reaches them, each once.
void walk(std::vector<std::string>& seen, const std::string& parent) {
    const int count = SL_core_name_countG();
    for (int i = 0; i < count; ++i) {
        set_current_core_name(i);
        const CoreInfoRecord core = *current_core_name;
        if (core.lbist_file.empty()) continue;
        DFT_inst_setup(core.core_name.c_str());
        seen.push_back(core.core_name + ":" + std::to_string(length()) + ":" + current_pathG);
        walk(seen, core.core_name);
        if (parent.empty())
            DFT_setup(SL_TOP_DFT_TREE);
        else
            DFT_inst_setup(parent.c_str());
    }
}

TEST_F(CoreSwitchTest, BistWalkReadsEachCoreOnceWhereTheFrontEndWould) {
    scan_interface(top().c_str(), 0, "mirdale");
    EXPECT_EQ(SL_CORE_LIST.size(), 2u);
    EXPECT_EQ(SL_CORE_LIST[1].object, nullptr);
    std::vector<std::string> seen;
    walk(seen, "");
    walk(seen, "");
    const std::vector<std::string> once = {"A:2:" + at("sub/"), "B:3:" + at("sub/")};
    EXPECT_EQ(seen, (std::vector<std::string>{once[0], once[1], once[0], once[1]}));
    ASSERT_EQ(SL_CORE_LIST.size(), 3u);
    EXPECT_EQ(length(), 1);
    const std::string lazily_read = SL_CORE_LIST[2].object->dft_file_name;

    // The hierarchical read of the same tree reads the same files.
    SCANLANG_reset_globals();
    scan_interface(top().c_str(), 0, "hier_dft");
    EXPECT_EQ(SL_CORE_LIST[2].object->dft_file_name, lazily_read);
}

TEST_F(CoreSwitchTest, AbsoluteNamesLeaveTheDirectoryAsItWas) {
    write({{"top.dft", "%CORE { %NAME = A; %DFT_FILE = \"" + at("sub/a.dft") +
                           "\"; }\n%CORE { %NAME = C; %DFT_FILE = \"c.dft\"; }\n%REGISTER_LENGTH 1;\n"},
           {"sub/a.dft", "%REGISTER_LENGTH 2;\n"},
           {"c.dft", "%REGISTER_LENGTH 4;\n"}});
    scan_interface(at("top.dft").c_str(), 0, "hier_dft");
    ASSERT_EQ(SL_CORE_LIST.size(), 3u);
    EXPECT_EQ(SL_CORE_LIST[1].object->register_length, 2);
    EXPECT_EQ(SL_CORE_LIST[2].object->register_length, 4);
    EXPECT_EQ(SL_CORE_LIST[2].object->dft_file_name, at("c.dft"));
    // A name of a file already read finds its object without a parse.
    const std::string before = current_pathG;
    EXPECT_EQ(sl_find_and_parser_dft_file(at("sub/a.dft").c_str()), 1);
    EXPECT_EQ(DFT_OBJECT, SL_CORE_LIST[1].object);
    EXPECT_EQ(current_pathG, before);
    EXPECT_EQ(sl_find_and_parser_dft_file(nullptr), 0);
}

TEST_F(CoreSwitchTest, OneFileUnderTwoNamesIsReadOnce) {
    write(kTree);
    write({{"top.dft", "%CORE { %NAME = A; %DFT_FILE = \"sub/a.dft\"; }\n"
                       "%CORE { %NAME = A2; %DFT_FILE = \"./sub/../sub/a.dft\"; }\n"}});
    scan_interface(at("top.dft").c_str(), 0, "hier_dft");
    // A2 shares A's object, so A's core B is listed once.
    ASSERT_EQ(SL_CORE_LIST.size(), 4u);
    EXPECT_EQ(SL_CORE_LIST[1].object, SL_CORE_LIST[2].object);
    EXPECT_EQ(SL_CORE_LIST[3].core_name, "B");
    EXPECT_EQ(SL_CORE_LIST[3].object->register_length, 3);
}

TEST_F(CoreSwitchTest, BareNameIsLookedForInTheWorkingDirectory) {
    top();
    testsupport::ChangeDir here(dir_.path());
    EXPECT_EQ(scan_interface("top", 0, "hier_dft"), 0);
    EXPECT_EQ(SL_CORE_LIST.size(), 3u);
    EXPECT_EQ(SL_CORE_LIST[0].object->dft_file_name, "top.dft");
    EXPECT_EQ(SL_CORE_LIST[2].object->dft_file_name, "sub/b.dft");
}

// A core's core is named relative to the core's file ("b.dft" in
// sub/a.dft): its warnings name it as it was opened.
TEST_F(CoreSwitchTest, WarningsOfAnyFileAreReturnedNamingTheFileAsOpened) {
    write(kTree);
    write({{"sub/b.dft", "%SEQUENCE s { %CYCLE_LENGTH = 1; }\n"}});
    std::string err = testsupport::stderr_of([&] { EXPECT_EQ(scan_interface(at("top.dft").c_str(), 0, "hier_dft"), 1); });
    EXPECT_EQ(err, "WARNING : '" + at("sub/b.dft") + "', line-1, '%FORCE' statement is missing.\n");
    EXPECT_EQ(has_error, 0);
}

TEST_F(CoreSwitchTest, CodedGroupsAreDecodedWhenTheFileGivesNone) {
    // The group "g" with the item "s" (flags 0 and 1), as the coded strings
    // carry them: a character is "5" and its code exclusive-or 5.
    const std::string coded = "%CIPHERTEXT { 25005098 015118 }\n";
    write({{"top.dft", coded}});
    scan_interface(at("top.dft").c_str(), 0, "mirdale");
    ASSERT_TRUE(DFT_OBJECT->fennox_in_groups);
    ASSERT_EQ(DFT_OBJECT->fennox_in_groups->size(), 1u);
    const FennoxGroup& g = (*DFT_OBJECT->fennox_in_groups)[0];
    EXPECT_EQ(g.name, "g");
    ASSERT_EQ(g.items.size(), 1u);
    EXPECT_EQ(g.items[0].text, "s");
    EXPECT_EQ(g.items[0].flags, (TextList{"pass", "xor"}));
    EXPECT_EQ(*DFT_OBJECT->ciphertext, (TextList{"25005098", "015118"})) << "kept as written";

    SCANLANG_reset_globals();
    write({{"top.dft", coded + "%FENNOX_OUT_1 { %PORT_NAME o; %GROUP { h, x; } }\n"}});
    scan_interface(at("top.dft").c_str(), 0, "mirdale");
    EXPECT_FALSE(DFT_OBJECT->fennox_in_groups) << "groups written in the file stand alone";
    EXPECT_EQ(DFT_OBJECT->fennox_out_groups->size(), 1u);
}

TEST(ScanTool, KindsByName) {
    const std::pair<const char*, int> kinds[] = {{"atpg", 1}, {"ATPG_KR", 1}, {"mirdale", 2}, {"lorvish", 3},
                                                 {"padril", 4}, {"junnard", 5}, {"Hier_Dft", 6}, {"other", 2}};
    for (auto [name, kind] : kinds) EXPECT_EQ(scan_tool_kind(name), kind) << name;
    EXPECT_EQ(scan_tool_kind(nullptr), 2);
}

struct FailCase {
    const char* label;
    Files files;        // over the tree
    const char* tool;
    std::string out;    // expected standard output (with "<dir>/" for the directory)
    std::string err;    // expected standard error
};

const FailCase kFailures[] = {
    {"core file empty", {{"sub/a.dft", ""}}, "hier_dft", "ERROR : The dft file '<dir>/sub/a.dft' is empty.\n", ""},
    {"core's core with a wrong polarity",
     {{"sub/b.dft", "%SCAN_DECODER { %SCAN_MODE { %PORT_NAME = a; %POLARITY = low; } }\n"}},
     "hier_dft",
     "",
     "ERROR : '<dir>/sub/b.dft', line-1, POLARITY can only be ACTIVE_HIGH or ACTIVE_LOW.\n"},
    {"core file missing", {{"sub/a.dft", "%CORE { %NAME = B; %DFT_FILE = \"nob.dft\"; }\n"}}, "hier_dft", "",
     "ERROR : Can't open input file - '<dir>/sub/nob.dft'.\n"},
    {"core contains its parent",
     {{"sub/b.dft", "%REGISTER_LENGTH 3;\n%CORE { %NAME = T; %DFT_FILE = \"../top.dft\"; }\n"}},
     "hier_dft",
     "ERROR : '<dir>/sub/b.dft', line-2, the dft file '../top.dft' of core 'T' is the file of the core itself or "
     "of a core that contains it.\n",
     ""},
    {"core contains itself",
     {{"sub/a.dft", "%CORE {\n  %NAME = A2;\n  %DFT_FILE = \"a.dft\";\n}\n"}},
     "hier_dft",
     "ERROR : '<dir>/sub/a.dft', line-2, the dft file 'a.dft' of core 'A2' is the file of the core itself or of a "
     "core that contains it.\n",
     ""},
    {"coded item before any group",
     {{"top.dft", "%REGISTER_LENGTH 1;\n%CIPHERTEXT {\n  00065\n}\n"}},
     "atpg",
     "",
     "ERROR : '<dir>/top.dft', line-3, %CIPHERTEXT string '00065': an item before any group.\n"},
    {"top file empty", {{"top.dft", ""}}, "hier_dft", "ERROR : The dft file '<dir>/top.dft' is empty.\n", ""},
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.label; }

class CoreFailTest : public CoreSwitchTest, public testing::WithParamInterface<FailCase> {};

std::string with_dir(std::string text, const std::string& dir) {
    for (std::size_t at = text.find("<dir>/"); at != std::string::npos; at = text.find("<dir>/"))
        text.replace(at, 6, dir);
    return text;
}

TEST_P(CoreFailTest, EndsTheRunNamingTheFile) {
    const FailCase& c = GetParam();
    write(kTree);
    write(c.files);
    auto r = testsupport::run_child([&] { scan_interface(at("top.dft").c_str(), 0, c.tool); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, with_dir(c.out, at("")));
    EXPECT_EQ(r.err, with_dir(c.err, at("")));
}

INSTANTIATE_TEST_SUITE_P(Table, CoreFailTest, testing::ValuesIn(kFailures),
                         [](const auto& info) { return testsupport::param_name(info.param.label); });

}  // namespace

// A DFT file that reads a map file: the map file is parsed between the DFT
// file and its mapping, and the DFT file's sections still reach the object.
TEST_F(CoreSwitchTest, ReadMapKeepsTheDftFile) {
    const std::string fixtures = testsupport::source_path("tests/fixtures/scanlang/");
    dir_.write("cells.map", testsupport::read_file(fixtures + "cells.map"));
    const std::string top = write({{"top.dft", testsupport::read_file(fixtures + "ports_sequences.dft")}});
    scan_interface(top.c_str(), 0, "hier_dft");
    ASSERT_NE(DFT_OBJECT, nullptr);
    ASSERT_TRUE(DFT_OBJECT->read_map);
    EXPECT_EQ(DFT_OBJECT->read_map->file_name, "cells.map");
    EXPECT_FALSE(DFT_OBJECT->sequences.empty());
    EXPECT_NE(MAP_OBJECT, nullptr);
}
