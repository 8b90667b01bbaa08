// The mapping frame and the sections it maps itself: a fresh object's
// presets, the side-file sections, the core blocks, the FENNOX
// configuration, the scan modules and the core list.
#include <gtest/gtest.h>

#include "object_util.h"
#include "support/child.h"

namespace {

using objtest::map_text;
using objtest::ObjectTest;

TEST_F(ObjectTest, FreshObjectHasEverySectionNone) {
    dft_false_pathG = std::vector<PathEntry>(1);
    sl_gui_infoG = GuiInfoRecord{};
    const DftObject* o = NEW_OBJECT_DFT();
    EXPECT_EQ(o->register_length, -1);
    EXPECT_FALSE(o->capture_clock || o->test_schedule || o->hookup || o->clock_period || o->core_section ||
                 o->select_scan || o->read_map || o->lockup_latch_list || o->atpg_constraints || o->scan_decoder ||
                 o->gui_info || o->wrapper || o->ciphertext || o->port_info || o->map_object);
    EXPECT_TRUE(o->sequences.empty() && o->instructions.empty() && o->connect_scan.empty() &&
                o->scan_module.empty());
    EXPECT_TRUE(o->instruction_binary.empty() && o->dft_file_name.empty() && o->dft_file_dir.empty());
    // A new object starts the process-wide path lists and GUI record afresh.
    EXPECT_FALSE(dft_false_pathG || sl_gui_infoG);
}

TEST_F(ObjectTest, CoreListFinal) {
    EXPECT_EQ(SL_CORE_LIST_FINAL(), nullptr);
    SL_CORE_LIST.push_back(NEW_CORE_LIST());
    EXPECT_EQ(SL_CORE_LIST_FINAL(), &SL_CORE_LIST[0]);
}

constexpr const char* kConfigured =
    "%READ_MAP { %FILE_NAME = \"m.map\"; }\n"
    "%LOCKUP_LATCH_FILE { %FILE_NAME = \"l.lst\"; }\n"
    "%CORE { %NAME = a; %NAME = a2; %DFT_FILE = \"sub/a.dft\"; %LBIST_FILE = \"a.lb\";\n"
    "        %CLOCK_PORTS = c1, c2; %TIE0 = t1 t2; %DONT_FIX x{y} z{w}; %DONT_FIX u{v}; }\n"
    "%CORE { %NAME = b; %DFT_FILE = \"b.dft\"; }\n"
    "%SCAN_MODULE m { %SCAN_IN = si; %DONT_FIX p{q}; }\n"
    "%FENNOX_IN_1 { %PORT_NAME p1; %GROUP { g0, a, b; g1, c{Q3_S2}, d; g2, e, f, Q9; } }\n"
    "%FENNOX_OUT_1 { %PORT_NAME o1; %GROUP { h0, x, y; } }\n"
    "%CIPHERTEXT { 0123 4567 }\n"
    "%REGISTER_LENGTH 12;\n"
    "%INSTRUCTION_BINARY '0101';\n"
    "%SCAN_REPAIR { %FORCE_NET { %NET_NAME = n; %SHIFT = '1'; } }\n";

TEST_F(ObjectTest, SideFilesAndRepair) {
    const DftObject* o = map_text(kConfigured);
    ASSERT_TRUE(o && o->read_map && o->lockup_latch_file && o->scan_repair);
    EXPECT_EQ(o->read_map->file_name, "m.map");
    EXPECT_EQ(o->read_map->line, 1);
    EXPECT_EQ(o->lockup_latch_file->file_name, "l.lst");
    EXPECT_EQ(o->lockup_latch_file->top_line, 2);
    EXPECT_EQ(o->scan_repair->net_name, "n");
    EXPECT_EQ(o->scan_repair->shift, "1");
    EXPECT_TRUE(o->scan_repair->hold.empty());
    EXPECT_FALSE(o->modify_cmd);
    EXPECT_EQ(o->dft_file_name, "t.dft");
}

TEST_F(ObjectTest, CoreBlocksGiveOneRecordPerName) {
    const DftObject* o = map_text(kConfigured);
    ASSERT_TRUE(o && o->core_section);
    const std::vector<CoreInfoRecord>& cores = o->core_section->cores;
    ASSERT_EQ(cores.size(), 3u);
    EXPECT_EQ(cores[0].core_name, "a");
    EXPECT_EQ(cores[1].core_name, "a2");
    for (int i : {0, 1}) {
        EXPECT_EQ(cores[i].dft_file, "sub/a.dft");
        EXPECT_EQ(cores[i].lbist_file, "a.lb");
        EXPECT_EQ(cores[i].clock_ports, (TextList{"c1", "c2"}));
        EXPECT_EQ(cores[i].tie0, (TextList{"t1", "t2"}));
        EXPECT_FALSE(cores[i].tie1);
    }
    // Both %DONT_FIX statements, for the first core of the block only.
    ASSERT_TRUE(cores[0].dont_fix_info);
    ASSERT_EQ(cores[0].dont_fix_info->size(), 3u);
    EXPECT_EQ((*cores[0].dont_fix_info)[2].name, "u");
    EXPECT_EQ((*cores[0].dont_fix_info)[2].value, "v");
    EXPECT_FALSE(cores[1].dont_fix_info);
    // The second block carries nothing of the first.
    EXPECT_EQ(cores[2].core_name, "b");
    EXPECT_FALSE(cores[2].clock_ports || cores[2].tie0 || cores[2].dont_fix_info);
    EXPECT_TRUE(cores[2].lbist_file.empty());

    // One entry per core, each naming the file that lists it; the core
    // cursor is left on the last core.
    ASSERT_EQ(SL_CORE_LIST.size(), 3u);
    EXPECT_EQ(SL_CORE_LIST[0].core_name, "a");
    EXPECT_EQ(SL_CORE_LIST[1].dft_file, "sub/a.dft");
    EXPECT_EQ(SL_CORE_LIST[2].dft_file, "b.dft");
    EXPECT_EQ(SL_CORE_LIST[2].parent, o);
    EXPECT_EQ(SL_CORE_LIST[2].object, nullptr);
    EXPECT_EQ(current_core_name, &cores[2]);
}

TEST_F(ObjectTest, FennoxConfigurationAndScanModules) {
    const DftObject* o = map_text(kConfigured);
    ASSERT_TRUE(o && o->fennox_in_groups && o->fennox_out_groups);
    EXPECT_EQ(o->register_length, 12);
    EXPECT_EQ(o->instruction_binary, "0101");
    EXPECT_EQ(o->ciphertext, (TextList{"0123", "4567"}));

    ASSERT_EQ(o->fennox_in_groups->size(), 1u);
    const FennoxGroup& in = (*o->fennox_in_groups)[0];
    EXPECT_EQ(in.name, "p1");
    ASSERT_EQ(in.items.size(), 3u);
    // The first item without a register name is Q0; a later one counts
    // from it; a written register name is kept.
    EXPECT_EQ(in.items[0].text, "g0");
    EXPECT_EQ(in.items[0].text2, "a");
    EXPECT_EQ(in.items[0].text3, "b");
    EXPECT_EQ(in.items[0].q_name, "Q0");
    EXPECT_EQ(in.items[1].text2_head, "c");
    EXPECT_EQ(in.items[1].text2, "Q3_S2");
    EXPECT_EQ(in.items[1].q_name, "Q3");
    EXPECT_EQ(in.items[2].q_name, "Q9");
    EXPECT_EQ(in.items[2].reg_index, -1);

    ASSERT_EQ(o->fennox_out_groups->size(), 1u);
    const FennoxGroup& out = (*o->fennox_out_groups)[0];
    EXPECT_EQ(out.name, "o1");
    ASSERT_EQ(out.items.size(), 1u);
    EXPECT_EQ(out.items[0].text, "h0");
    EXPECT_EQ(out.items[0].flags, (TextList{"x", "y"}));

    ASSERT_EQ(o->scan_module.size(), 1u);
    EXPECT_EQ(o->scan_module[0].name, "m");
    EXPECT_EQ(o->scan_module[0].scan_in, "si");
    EXPECT_EQ(o->scan_module[0].name_line, 6);
    ASSERT_TRUE(o->scan_module[0].dont_fix_info && DONT_FIX_TAB);
    EXPECT_EQ(o->scan_module[0].dont_fix_info->size(), 1u);
    EXPECT_EQ(DONT_FIX_TAB->size(), 1u);
}

TEST_F(ObjectTest, LaterItemNamedUnderAHeadCountsFromTheFirst) {
    const DftObject* o = map_text("%FENNOX_IN_1 { %PORT_NAME p; %GROUP { g0, a{Q2}, b; g1, c{Q5_S4}, d; "
                                  "g2, e{Q6}, f; } }\n");
    ASSERT_TRUE(o && o->fennox_in_groups);
    const std::vector<FennoxGroupItem>& items = (*o->fennox_in_groups)[0].items;
    ASSERT_EQ(items.size(), 3u);
    // The first item takes the name under its head as its register name.
    EXPECT_EQ(items[0].q_name, "Q2");
    EXPECT_EQ(items[0].text2, "a");
    EXPECT_TRUE(items[0].text2_head.empty());
    EXPECT_EQ(items[1].q_name, "Q5");
    EXPECT_EQ(items[1].text2, "Q3_S4");
    EXPECT_EQ(items[2].text2, "Q4");
}

TEST_F(ObjectTest, ObjectWithoutMapFileHasNoMapObject) {
    MAP_OBJECT = std::make_shared<MapObject>();
    const DftObject* o = map_text("%REGISTER_LENGTH 1;\n");
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->map_object);
}

TEST_F(ObjectTest, ValueErrorsEndTheRun) {
    auto big = testsupport::run_child([] { map_text("%REGISTER_LENGTH 99999999999;\n"); });
    EXPECT_EQ(big.status, 255);
    EXPECT_EQ(big.err, "ERROR : 't.dft', line-1, the number '99999999999' is out of range.\n");
    auto no_file = testsupport::run_child([] { map_text("%CORE { %NAME = a; }\n"); });
    EXPECT_EQ(no_file.status, 255);
    EXPECT_EQ(no_file.out, "ERROR: Please specify dft file of core 'a' in top module dft file.\n");
}

}  // namespace
