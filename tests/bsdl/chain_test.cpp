// The walk of the boundary-scan chain over small designs made with the
// design database's makers and the fixture chip's description.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bsdl_test_util.h"
#include "runtime/fnm.h"
#include "runtime/str.h"

namespace {

using namespace bsdltest;

struct Cell {
    std::string key;
    int order;
    bool operator==(const Cell& o) const { return key == o.key && order == o.order; }
};
std::ostream& operator<<(std::ostream& os, const Cell& c) { return os << c.key << "@" << c.order; }

class Chain : public ChipDirTest {
protected:

    // Builds chip.c.sdb: the chip's classes, the usual front, then `body`.
    void design(const std::function<void(DesignBuilder&)>& body, const std::string& name = "chip.c.sdb") {
        DesignBuilder d(dir->file(name));
        chip_classes(d);
        chip_front(d);
        body(d);
        d.save();
    }
    // Reads the description, opens the design and walks its chain.
    static void walk() {
        BS_LIB_FILE = "chip.lib";
        BS_BSC_FILE = "chip.bsc";
        BS_SDB_FILE = "chip.c.sdb";
        bsdft_init();
        get_bs_dft_file("chip.lib", "chip.bsc", 0);
        check_necessary_information();
        open_and_check_sdb();
        get_bs_chain();
    }
    static std::vector<Cell> chain() {
        std::vector<Cell> v;
        for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i) v.push_back({CHAIN_TAB[i]->key, CHAIN_TAB[i]->order});
        return v;
    }
    // The walk in a child process: its status and output.
    static ChildResult failed_walk() { return run_child([] { walk(); }); }

};

// TAP.first_Bcell -> A -> B -> C -> TAP.BOUNDARY_out, with the classes given.
void three_cells(DesignBuilder& d, const char* a, const char* b, const char* c) {
    d.inst("A", a).inst("B", b).inst("C", c);
    d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/SI"});
    d.net("s2", {"B/SO", "C/SI"}).net("s3", {"C/SO", "TAP/BOUNDARY_out"});
}

TEST_F(Chain, PositionsCountBackFromTheTap) {
    design([](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_OUT", "BC_CTRL"); });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"C", 0}, {"B", 1}, {"A", 2}}));
    EXPECT_EQ(CHAIN_CELL_COUNT, 3);
    ASSERT_NE(tap_ctrl, nullptr);
    EXPECT_STREQ(tap_ctrl->name, "qdx_tap");

    ChainCellEntry* b = get_chain_cell("B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(&CHAIN_HASH_TAB[hash_key("B")][HASH_INDEX], b);
    EXPECT_STREQ(b->instance_name, "B");
    EXPECT_STREQ(b->cell_name, "BC_OUT");
    ASSERT_EQ(DYNA_count(b->std_names), 1);
    EXPECT_STREQ(b->std_names[0], "BC_1");
    EXPECT_EQ(b->order_first, 0);
    EXPECT_EQ(b->in_register, 0);
    EXPECT_EQ(b->scan_cell, get_scan_cell("BC_OUT"));
    EXPECT_EQ(get_chain_cell("nothing"), nullptr);
    EXPECT_EQ(HASH_INDEX, -1);
}

// A cell takes one position per standard name, the lowest of them its
// number; the boundary length counts positions, not cells.
TEST_F(Chain, ATwoNameCellTakesTwoPositions) {
    design([](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_2BIT", "BC_IN"); });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"C", 0}, {"B", 1}, {"A", 3}}));
    EXPECT_EQ(CHAIN_CELL_COUNT, 4);
    EXPECT_EQ(get_chain_cell("B")->order_first, 2);  // %ORDER Output, input
    EXPECT_EQ(get_chain_cell("B")->bits, 2);
}

TEST_F(Chain, AThreeNameCellTakesThreePositions) {
    design([](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_3BIT", "BC_IN"); });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"C", 0}, {"B", 1}, {"A", 4}}));
    EXPECT_EQ(CHAIN_CELL_COUNT, 5);
    EXPECT_EQ(get_chain_cell("B")->bits, 3);
}

TEST_F(Chain, FirstPinWiredToLastPinIsAnEmptyChain) {
    design([](DesignBuilder& d) { d.net("s0", {"TAP/first_Bcell", "TAP/BOUNDARY_out"}); });
    walk();
    EXPECT_EQ(CHAIN_CELL_COUNT, 0);
    EXPECT_EQ(DYNA_count(CHAIN_TAB), 0);
}

TEST_F(Chain, GatesBetweenCellsAndBeforeTheTapAreFollowed) {
    // A -> BUF -> AND2 -> B; B -> BUF -> TAP.BOUNDARY_out.
    design([](DesignBuilder& d) {
        d.inst("A", "BC_IN").inst("B", "BC_OUT").inst("g1", "BUF").inst("g2", "AND2").inst("g3", "BUF");
        d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "g1/A"}).net("s2", {"g1/Y", "g2/B"});
        d.net("s3", {"g2/Y", "B/SI"}).net("s4", {"B/SO", "g3/A"}).net("s5", {"g3/Y", "TAP/BOUNDARY_out"});
    });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"B", 0}, {"A", 1}}));
}

TEST_F(Chain, TwoDesignsInARowStartAfresh) {
    design([](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_OUT", "BC_CTRL"); });
    walk();
    SDB_close(sdb, 0);
    design([](DesignBuilder& d) {
        d.inst("X", "BC_IN");
        d.net("s0", {"TAP/first_Bcell", "X/SI"}).net("s1", {"X/SO", "TAP/BOUNDARY_out"});
    });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"X", 0}}));
    EXPECT_EQ(get_chain_cell("A"), nullptr);
}

// ------------------------------------------------------------ errors

struct Broken {
    const char* what;
    std::function<void(DesignBuilder&)> body;
    std::string message;
};

const std::string kBroken =
    "ERROR: Boundary Scan Chain is broken at cell 'B'.\n"
    "       Pin 'SO' can't connect to any scan cell or tap controller.\n\n";

TEST_F(Chain, BrokenChainsAreNamedWhereTheyBreak) {
    const Broken cases[] = {
        {"a cell whose TDO drives nothing",
         [](DesignBuilder& d) {
             d.inst("A", "BC_IN").inst("B", "BC_OUT");
             d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/SI"});
         },
         kBroken},
        {"a TDO that drives a gate leading nowhere",
         [](DesignBuilder& d) {
             d.inst("A", "BC_IN").inst("B", "BC_OUT").inst("g", "BUF");
             d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/SI"}).net("s2", {"B/SO", "g/A"});
         },
         kBroken},
        {"a first-boundary-cell pin that drives nothing",
         [](DesignBuilder&) {},
         "ERROR: Boundary Scan Chain is broken at cell 'TAP'.\n"
         "       Pin 'first_Bcell' can't connect to any scan cell or tap controller.\n\n"},
        {"the last TDO on both the TAP and another cell",
         [](DesignBuilder& d) {
             d.inst("A", "BC_IN").inst("D", "BC_OUT");
             d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "TAP/BOUNDARY_out", "D/SI"});
         },
         "ERROR: boundary scan cell 'A'(BC_IN) connects both to tap controller\n"
         "       and boundary scan cell 'D'(BC_OUT).\n"
         "       Can't judge one correct scan path.\n\n"},
        {"the last TDO on another pin of the TAP",
         [](DesignBuilder& d) {
             d.inst("A", "BC_IN");
             d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "TAP/TMS"});
         },
         "ERROR: boundary scan cell 'A'(BC_IN) connects to pin 'TMS' of\n"
         "       tap controller.\n"
         "       It should connect to %LAST_BCELL pin 'BOUNDARY_out' of tap controller.\n\n"},
        {"a TDO wired to a data input",
         [](DesignBuilder& d) {
             d.inst("A", "BC_IN").inst("B", "BC_OUT");
             d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "B/DI"});
         },
         "ERROR: test data path connect to pin 'DI' of scan cell 'B'(BC_OUT).\n"
         "       Test data path should connect to %TDI pin 'SI' of scan cell.\n\n"},
        {"a loop of two cells",
         [](DesignBuilder& d) {
             // A gate in front of the first cell lets the last TDO back in.
             d.inst("m", "AND2").inst("A", "BC_IN").inst("B", "BC_OUT");
             d.net("s0", {"TAP/first_Bcell", "m/A"}).net("s1", {"m/Y", "A/SI"});
             d.net("s2", {"A/SO", "B/SI"}).net("s3", {"B/SO", "m/B"});
         },
         "ERROR: Boundary Scan Chain runs into a loop at cell 'A'(BC_IN).\n"
         "       The cell is reached a second time from pin 'SO' of 'B'.\n\n"},
        {"a cell whose TDO comes back to itself through a gate",
         [](DesignBuilder& d) {
             d.inst("m", "AND2").inst("A", "BC_IN");
             d.net("s0", {"TAP/first_Bcell", "m/A"}).net("s1", {"m/Y", "A/SI"}).net("s2", {"A/SO", "m/B"});
         },
         "ERROR: Boundary Scan Chain runs into a loop at cell 'A'(BC_IN).\n"
         "       The cell is reached a second time from pin 'SO' of 'A'.\n\n"},
        {"a two-name cell with an illegal %ORDER word",
         [](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_BAD_ORDER", "BC_IN"); },
         "ERROR: (chip.lib) illegal keyword 'sideways' in %ORDER of %SCAN_CELL BC_BAD_ORDER.\n"
         "                 legal keywords are input and output.\n\n"},
        // Whatever pin the cell serves, with a pad or without one.
        {"a cell whose %ORDER names two control cells",
         [](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_TWO_CONTROLS", "BC_IN"); },
         "FATAL: (chip.lib) there are 2 control cells specified in module \"BC_TWO_CONTROLS\".\n"
         "       tallowmere can't handle more than 1 control cell in one module.\n\n"},
        {"a two-name cell without %ORDER",
         [](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_NO_ORDER", "BC_IN"); },
         "ERROR: (chip.lib) Please specify %ORDER in %SCAN_CELL BC_NO_ORDER.\n\n"},
        {"a cell without %TDO",
         [](DesignBuilder& d) { three_cells(d, "BC_IN", "BC_NO_TDO", "BC_IN"); },
         "ERROR: (chip.lib) please define %TDO in %SCAN_CELL BC_NO_TDO.\n\n"},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.what);
        design(c.body);
        ChildResult r = failed_walk();
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, c.message);
    }
}

TEST_F(Chain, TheWayFromTdiToTheTap) {
    struct Case {
        const char* what;
        std::function<void(DesignBuilder&)> build;
        std::string message;  // empty: the walk succeeds
    };
    auto cells = [](DesignBuilder& d) {
        d.inst("A", "BC_IN");
        d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "TAP/BOUNDARY_out"});
    };
    const Case cases[] = {
        {"port -> pad -> buffer -> TAP",
         [&](DesignBuilder& d) {
             d.port("tdi", IN).inst("TAP", "qdx_tap").inst("p", "PIN_IN").inst("b", "BUF");
             d.net("tdi", {"p/PAD"}).net("n1", {"p/Y", "b/A"}).net("n2", {"b/Y", "TAP/TDI"});
             cells(d);
         },
         ""},
        {"port -> pad -> AND2 (no library buffer) -> TAP",
         [&](DesignBuilder& d) {
             d.port("tdi", IN).inst("TAP", "qdx_tap").inst("p", "PIN_IN").inst("g", "AND2");
             d.net("tdi", {"p/PAD"}).net("n1", {"p/Y", "g/A"}).net("n2", {"g/Y", "TAP/TDI"});
             cells(d);
         },
         "ERROR: can't find TAP CONTROLLER TAP(qdx_tap) through port tdi.\n\n"},
        {"port on the TAP's TMS",
         [&](DesignBuilder& d) {
             d.port("tdi", IN).inst("TAP", "qdx_tap");
             d.net("tdi", {"TAP/TMS"});
             cells(d);
         },
         "ERROR: %GLOBAL_TDI 'tdi' doesn't connect to %TDI 'TDI'\n"
         "        of %TAP_CONTROLLER 'qdx_tap'.\n"
         "        Please verify your 'chip.c.sdb' and 'chip.lib'.\n\n"},
        {"no port tdi",
         [&](DesignBuilder& d) {
             d.port("tdx", IN).inst("TAP", "qdx_tap");
             cells(d);
         },
         "ERROR: can't find port 'tdi' in file 'chip.c.sdb'.\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            DesignBuilder d(dir->file("chip.c.sdb"));
            chip_classes(d);
            c.build(d);
            d.save();
        }
        ChildResult r = failed_walk();
        EXPECT_EQ(r.status, c.message.empty() ? 0 : 255);
        EXPECT_EQ(r.out, c.message);
    }
}

TEST_F(Chain, TapWithoutItsFirstBoundaryCellPin) {
    {
        DesignBuilder d(dir->file("chip.c.sdb"));
        d.cell("qdx_tap", {{"TDI", IN}, {"BOUNDARY_out", IN}}).cell("PIN_IN", {{"PAD", IN}, {"Y", OUT}});
        d.port("tdi", IN).inst("TAP", "qdx_tap").net("tdi", {"TAP/TDI"});
        d.save();
    }
    ChildResult r = failed_walk();
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "ERROR: can't find pin first_Bcell in TAP CONTROLLER TAP.\n");
}

// ---------------------------------------------------- %BS_BUFFER modules

// IO_MACRO.sdb: TI -> X1 -> X2 -> TO, or what `inner` makes.
void io_macro(const std::string& path, const std::function<void(DesignBuilder&)>& inner) {
    DesignBuilder d(path);
    chip_classes(d);
    d.port("TI", IN).port("TO", OUT).port("PAD", IN).port("Y", OUT);
    inner(d);
    d.save();
}

void two_inner_cells(DesignBuilder& d) {
    d.inst("X1", "BC_IN").inst("X2", "BC_IN");
    d.net("TI", {"X1/SI"}).net("i1", {"X1/SO", "X2/SI"}).net("TO", {"X2/SO"});
}

// TAP -> A -> M (IO_MACRO) -> C -> TAP.
void with_macro(DesignBuilder& d) {
    d.inst("A", "BC_IN").inst("M", "IO_MACRO").inst("C", "BC_OUT");
    d.net("s0", {"TAP/first_Bcell", "A/SI"}).net("s1", {"A/SO", "M/TI"});
    d.net("s2", {"M/TO", "C/SI"}).net("s3", {"C/SO", "TAP/BOUNDARY_out"});
}

TEST_F(Chain, ABufferModuleIsWalkedInside) {
    io_macro(dir->file("IO_MACRO.sdb"), two_inner_cells);
    design(with_macro);
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"C", 0}, {"M.X2", 1}, {"M.X1", 2}, {"A", 3}}));
    EXPECT_EQ(get_chain_cell("M"), nullptr) << "the module instance itself is no cell";
    EXPECT_STREQ(get_chain_cell("M.X1")->cell_name, "BC_IN");
    EXPECT_STREQ(SDB_obj_name(sdb, TAP_IOBJ), "TAP") << "the circuit's design is current again";
}

TEST_F(Chain, AModuleChainMayEndThroughABuffer) {
    io_macro(dir->file("IO_MACRO.sdb"), [](DesignBuilder& d) {
        d.inst("X1", "BC_IN").inst("b", "BUF");
        d.net("TI", {"X1/SI"}).net("i1", {"X1/SO", "b/A"}).net("TO", {"b/Y"});
    });
    design(with_macro);
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"C", 0}, {"M.X1", 1}, {"A", 2}}));
}

TEST_F(Chain, ABufferCellWithoutInnerChainTakesItsBcellNames) {
    design([](DesignBuilder& d) {
        d.inst("P", "IO_CELL");
        d.net("s0", {"TAP/first_Bcell", "P/TI"}).net("s1", {"P/TO", "TAP/BOUNDARY_out"});
    });
    walk();
    EXPECT_EQ(chain(), (std::vector<Cell>{{"P", 0}}));
    ChainCellEntry* p = get_chain_cell("P");
    ASSERT_EQ(DYNA_count(p->std_names), 1);
    EXPECT_STREQ(p->std_names[0], "BC_7");  // the standard name of its %BCELL BC_BIDIR
}

TEST_F(Chain, BufferModuleFailures) {
    struct Case {
        const char* what;
        std::function<void(DesignBuilder&)> inner;  // null: no module file
        std::function<void(DesignBuilder&)> outer;
        std::string message;
    };
    const Case cases[] = {
        {"no design file of the module", nullptr, with_macro,
         "ERROR: can't find sdb file \"IO_MACRO.sdb\" for %BS_BUFFER.\n"},
        {"an inner chain that breaks",
         [](DesignBuilder& d) {
             d.inst("X1", "BC_IN").inst("X2", "BC_IN");
             d.net("TI", {"X1/SI"}).net("i1", {"X1/SO"});
         },
         with_macro,
         "ERROR: Boundary Scan Chain is broken at cell 'M.X1'.\n"
         "       Pin 'SO' can't connect to any scan cell.\n\n"},
        {"a TDI port that reaches no cell",
         [](DesignBuilder&) {},
         with_macro,
         "ERROR: Boundary Scan Chain is broken at cell 'M'.\n"
         "       Pin 'TI' can't connect to any scan cell.\n\n"},
        {"an inner chain that loops",
         [](DesignBuilder& d) {
             d.inst("m", "AND2").inst("X1", "BC_IN").inst("X2", "BC_IN");
             d.net("TI", {"m/A"}).net("i0", {"m/Y", "X1/SI"});
             d.net("i1", {"X1/SO", "X2/SI"}).net("i2", {"X2/SO", "m/B"});
         },
         with_macro,
         "ERROR: Boundary Scan Chain runs into a loop at cell 'M.X1'(BC_IN).\n"
         "       The cell is reached a second time from pin 'SO' of 'M.X2'.\n\n"},
        {"a module holding an instance of itself",
         [](DesignBuilder& d) {
             d.inst("Z", "IO_MACRO");
             d.net("TI", {"Z/TI"}).net("TO", {"Z/TO"});
         },
         with_macro, "ERROR: %BS_BUFFER 'IO_MACRO' holds an instance of itself in file '"},
        {"an outer cell named like an inner one",
         two_inner_cells,
         [](DesignBuilder& d) {
             d.inst("M", "IO_MACRO").inst("M.X1", "BC_OUT");
             d.net("s0", {"TAP/first_Bcell", "M/TI"}).net("s1", {"M/TO", "M.X1/SI"});
             d.net("s2", {"M.X1/SO", "TAP/BOUNDARY_out"});
         },
         "ERROR: two boundary scan cells of the chain have the name 'M.X1'.\n"
         "       Their positions in the boundary register can't be told apart.\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir->file("IO_MACRO.sdb"));
        if (c.inner) io_macro(dir->file("IO_MACRO.sdb"), c.inner);
        design(c.outer);
        ChildResult r = failed_walk();
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out.substr(0, c.message.size()), c.message) << r.out;
    }
}

}  // namespace
