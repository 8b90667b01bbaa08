// Makers, deletions and connections of the current design.
#include <algorithm>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

class Edit : public SdbTest {
protected:
    void SetUp() override {
        SdbTest::SetUp();
        db = SDB_open(path("e.sdb").c_str(), "w", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        // Net 0 is GND and net 1 is VCC in every design made here.
        SDB_make_net(sym("GND"), -1);
        SDB_make_net(sym("VCC"), -1);
        SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        cell = SDB_make_class(sym("AND2"), 1, -1, 0);
        SDB_make_pinlist(cell, 3, pins);
    }
    void TearDown() override {
        SDB_close(db, 0);
        SdbTest::TearDown();
    }
    int sym(const char* s) { return SYM_setup(sym_tab, s); }
    SdbDatabase* db = nullptr;
    int cell = -1;
};

TEST_F(Edit, MakersKeepSlotsCountsAndRuns) {
    EXPECT_EQ(class_tab[cell].first_pin, 0);
    EXPECT_EQ(class_tab[cell].pin_count, 3);
    EXPECT_EQ(class_tab[cell].last_pin, 2);
    EXPECT_EQ(class_tab[cell].made, 1);
    int anon = SDB_make_class(sym("X"), 0, -1, 2);
    EXPECT_EQ(class_tab[anon].first_pin, 3);
    EXPECT_EQ(pin_tab[4].name, -1);
    EXPECT_EQ(pin_tab[4].direction, SDB_DIR_INPUT);
    int a = SDB_make_obj(sym("a"), cell, 0, -1);
    int b = SDB_make_obj(sym("b"), cell, 0, -1);
    EXPECT_EQ(obj_tab[a].first_node, 0);
    EXPECT_EQ(obj_tab[b].first_node, 3);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(node_tab[3 + k].pin, k);
    EXPECT_EQ(node_tab[node_count].object, -1) << "the run ends at the 0xFF record";
    EXPECT_EQ(obj_count, 2);
    EXPECT_EQ(DYNA_count(sobj_tab), 2);
    EXPECT_EQ(db->slot[SDB_OBJ].count, 2);
    EXPECT_EQ(db->slot[SDB_OBJ].data, obj_tab);
    EXPECT_EQ(db->slot[SDB_NODE].count, node_count);
    // Many objects: the cached tables follow every move of their arrays.
    for (int i = 0; i < 20000; ++i) SDB_make_obj(sym(("u" + std::to_string(i)).c_str()), cell, 0, -1);
    EXPECT_EQ(obj_count, 20002);
    EXPECT_EQ(node_count, 60006);
    EXPECT_EQ(db->slot[SDB_NODE].data, node_tab);
    EXPECT_EQ(obj_tab[20001].first_node, 60003);
    expect_sentinels(db);
}

TEST_F(Edit, TooManyPinsEndsTheRun) {
    EXPECT_EXIT(SDB_make_obj(sym("big"), cell, 0, 5), ::testing::ExitedWithCode(255), "");
}

TEST_F(Edit, ConnectAppendsMovesAndIgnoresRepeats) {
    int o = SDB_make_obj(sym("o"), cell, 0, -1);
    int n = SDB_make_net(sym("n"), -1);
    int m = SDB_make_net(sym("m"), -1);
    int f = obj_tab[o].first_node;
    EXPECT_EQ(SDB_nl_connect_net(n, f), 0);
    EXPECT_EQ(SDB_nl_connect_net(n, f + 1), 0);
    EXPECT_EQ(SDB_nl_connect_net(n, f), 0);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{f, f + 1}));
    // The node before a node on the list; none for the first node, a node
    // off the list, or no node at all.
    EXPECT_EQ(SDB_search_nlink(f + 1, n), f);
    EXPECT_EQ(SDB_search_nlink(f, n), -1);
    EXPECT_EQ(SDB_search_nlink(f + 2, n), -1);
    EXPECT_EQ(SDB_search_nlink(-1, n), -1);
    EXPECT_EQ(SDB_search_nlink(f + 1, -1), -1);
    // Connecting a node to another net takes it off the first one.
    EXPECT_EQ(SDB_nl_connect_net(m, f), 0);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{f + 1}));
    EXPECT_EQ(net_nodes(m), (std::vector<int>{f}));
    EXPECT_EQ(node_tab[f].net, m);
    EXPECT_EQ(SDB_nl_connect_net(-1, f), 0);
    EXPECT_EQ(SDB_nl_connect_net(99, f), 1);
    EXPECT_EQ(nl_delete_node(f + 1), 1);
    EXPECT_EQ(net_nodes(n), std::vector<int>{});
    EXPECT_EQ(node_tab[f + 1].net, -1);
    EXPECT_EQ(nl_delete_node(f + 2), 1) << "a node without a net";
    EXPECT_EQ(nl_delete_node(-1), 0);
}

TEST_F(Edit, NodesOfPortsAndObjects) {
    int p = SDB_make_port(sym("p"), SDB_DIR_INPUT, -1, 0);
    int n = SDB_make_net(sym("p"), -1);
    int pn = SDB_make_node(-1, p, n);
    EXPECT_EQ(port_tab[p].node, pn);
    EXPECT_EQ(net_nodes(n), std::vector<int>{pn});
    int loose = SDB_make_obj(sym("l"), -1, 0, -1);
    EXPECT_EQ(obj_tab[loose].first_node, -1);
    int ln = SDB_make_node(loose, -1, n);
    EXPECT_EQ(obj_tab[loose].first_node, ln);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{pn, ln}));
    // A new net made with a node of another net takes the node off it.
    int first = SDB_make_net(sym("q"), ln);
    EXPECT_EQ(node_tab[ln].net, first);
    EXPECT_EQ(net_nodes(n), std::vector<int>{pn});
    EXPECT_EQ(net_nodes(first), std::vector<int>{ln});
    SDB_nl_connect_net(first, SDB_make_node(loose, -1, -1));
    EXPECT_EQ(net_nodes(first), (std::vector<int>{ln, ln + 1}));
    // The saved design opens again.
    ASSERT_EQ(SDB_save(db), 0);
    SdbDatabase* again = SDB_open(path("e.sdb").c_str(), "r", 0);
    EXPECT_NE(again, nullptr);
    if (again) SDB_close(again, 0);
}

TEST_F(Edit, DeletingObjectsLeavesGapsAndShortensAtTheEnd) {
    int n = SDB_make_net(sym("n"), -1);
    int a = SDB_make_obj(sym("a"), cell, 0, -1);
    int b = SDB_make_obj(sym("b"), cell, 0, -1);
    int c = SDB_make_obj(sym("c"), cell, 0, -1);
    for (int o : {a, b, c}) SDB_nl_connect_net(n, obj_tab[o].first_node + 2);
    EXPECT_EQ(SDB_delete_obj(c), 1);
    EXPECT_EQ(obj_count, 2);
    EXPECT_EQ(DYNA_count(sobj_tab), 2);
    EXPECT_EQ(SDB_delete_obj(a), 1);
    EXPECT_EQ(obj_count, 2);
    EXPECT_EQ(obj_tab[a].cls, -1);
    EXPECT_EQ(obj_tab[a].first_node, -1);
    EXPECT_EQ(sobj_tab[a], -1);
    EXPECT_EQ(net_nodes(n), std::vector<int>{obj_tab[b].first_node + 2});
    for (int k = 0; k < 3; ++k) EXPECT_EQ(node_tab[k].object, -1);
    // Saving drops the deleted objects at the end only.
    EXPECT_EQ(SDB_delete_obj(b), 1);
    EXPECT_EQ(obj_count, 1);
    ASSERT_EQ(SDB_save(db), 0);
    EXPECT_EQ(obj_count, 0);
    EXPECT_EQ(DYNA_count(sobj_tab), 0);
}

TEST_F(Edit, DeletingHierarchicalNamesChecksTheOwner) {
    int top = PREFIX_add(&prefix_tab, sym("top"), -1, -6);
    int e = PREFIX_add(&prefix_tab, sym("u"), top, SDB_OWNER_OBJECT + obj_count);
    int o = SDB_make_obj(sdb_prefix_word(e), cell, 0, -1);
    EXPECT_EQ(prefix_count, 2);
    EXPECT_EQ(db->slot[SDB_PREF].data, prefix_tab);
    EXPECT_EQ(SDB_delete_obj(o), 1);
    EXPECT_EQ(prefix_tab[e].owner, -1);
    int e2 = PREFIX_add(&prefix_tab, sym("v"), top, 12345);
    SDB_make_obj(sdb_prefix_word(e2), cell, 0, -1);
    EXPECT_EXIT(SDB_delete_obj(obj_count - 1), ::testing::ExitedWithCode(255), "");
}

TEST_F(Edit, DeletingNetsAndPorts) {
    int n = SDB_make_net(sym("n"), -1);
    int o = SDB_make_obj(sym("o"), cell, 0, -1);
    int f = obj_tab[o].first_node;
    SDB_nl_connect_net(n, f);
    SDB_nl_connect_net(n, f + 2);
    EXPECT_EQ(SDB_delete_net(n), 1);
    EXPECT_EQ(net_count, n) << "the last net: the table shortens";
    EXPECT_EQ(DYNA_count(snet_tab), n);
    // The object keeps its nodes; they only lose the net.
    EXPECT_EQ(node_tab[f].object, o);
    EXPECT_EQ(node_tab[f + 2].object, o);
    EXPECT_EQ(node_tab[f].net, -1);
    EXPECT_EQ(node_tab[f].next, -1);

    int p = SDB_make_port(sym("p"), SDB_DIR_INPUT, -1, 0);
    int q = SDB_make_port(sym("q"), SDB_DIR_OUTPUT, -1, 0);
    SDB_make_port_list(port_tab[p].name);
    SDB_make_port_list(port_tab[q].name);
    SDB_make_port_list(port_tab[p].name);
    int pn = SDB_make_node(-1, p, SDB_make_net(sym("p"), -1));
    EXPECT_EQ(SDB_delete_port(p), 1);
    EXPECT_EQ(port_tab[p].name, -1);
    EXPECT_EQ(port_tab[p].node, -1);
    EXPECT_EQ(port_count, 2) << "not the last port";
    EXPECT_EQ(node_tab[pn].net, -1);
    ASSERT_EQ(xport_count, 1);
    EXPECT_EQ(xport_tab[0], port_tab[q].name);
    EXPECT_EQ(SDB_delete_port(q), 1);
    EXPECT_EQ(port_count, 1);
    EXPECT_EQ(SDB_delete_port(-1), 0);
}

TEST_F(Edit, DeleteAndRelinkNodes) {
    int n = SDB_make_net(sym("n"), -1);
    int o = SDB_make_obj(sym("o"), cell, 0, -1);
    int f = obj_tab[o].first_node;
    for (int k = 0; k < 3; ++k) SDB_nl_connect_net(n, f + k);
    EXPECT_EQ(SDB_delete_node(f + 1), 1);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{f, f + 2}));
    EXPECT_EQ(node_tab[f + 1].object, -1);
    EXPECT_EQ(node_tab[f + 1].pin, -1);
    EXPECT_EQ(SDB_delete_node(f + 1), -1) << "no net any more";
    int spare = SDB_make_node(o, 1, -1);
    node_tab[f].flags = 7;
    EXPECT_EQ(SDB_relink_node(f, spare), 1);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{spare, f + 2}));
    EXPECT_EQ(node_tab[spare].flags, 7u);
    EXPECT_EQ(node_tab[f].net, -1);
    EXPECT_EQ(SDB_relink_node(f, spare), -1);
    EXPECT_EQ(SDB_resize_node(node_count), -1);
    EXPECT_EQ(SDB_resize_node(f + 2), 0);
    EXPECT_EQ(node_count, f + 3);
    EXPECT_EQ(node_tab[node_count].next, -1);
}

// Ports are ordered by direction on saving; a direction word outside 0-2
// keeps its port behind the others.
TEST_F(Edit, SortingPortsKeepsEveryPort) {
    int names[5];
    const int dirs[5] = {2, 7, 0, 2, 1};
    for (int i = 0; i < 5; ++i) {
        names[i] = sym(("p" + std::to_string(i)).c_str());
        SDB_make_port(names[i], dirs[i], -1, 0);
        SDB_make_node(-1, i, -1);
    }
    SDB_sort_port_tab(db);
    const int want[5] = {2, 4, 0, 3, 1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(port_tab[i].name, names[want[i]]);
        EXPECT_EQ(node_tab[port_tab[i].node].pin, i);
    }
}

TEST_F(Edit, UserTablesAndCompaction) {
    int k = SDB_alloc_utab(db, "ABCD", 4, 6);
    EXPECT_EQ(k, SDB_FIRST_USER_SLOT);
    EXPECT_EQ(db->slot[k].count, 4);
    EXPECT_EQ(db->slot[k].offset, -1);
    EXPECT_EQ(SDB_alloc_utab(db, "EFGH", 1, 4), k + 1);
    for (int i = 0; i < 100; ++i) SDB_make_obj(sym(("o" + std::to_string(i)).c_str()), cell, 0, -1);
    Snapshot before = snapshot(db);
    EXPECT_EQ(SDB_pack_mem(db), 0);
    expect_equal(before, snapshot(db));
    EXPECT_EQ(DYNA_capacity(obj_tab), obj_count + 1);
    int id = static_cast<int>(std::find(before.names.begin(), before.names.end(), "o42") - before.names.begin());
    EXPECT_EQ(SYM_lookup(sym_tab, "o42"), id);
    EXPECT_STREQ(SYM_get(sym_tab, SYM_lookup(sym_tab, "o42")), "o42");
    expect_sentinels(db);
    EXPECT_EQ(SDB_fast_pack_mem(db), 0);
    expect_equal(before, snapshot(db));
    int o = SDB_make_obj(sym("after"), cell, 0, -1);
    EXPECT_EQ(o, 100);
}

}  // namespace

namespace {

// Objects of these classes (-1: none) and nets of these names, made one
// at a time or in bulk, then saved.
struct BulkCase {
    std::vector<int> classes;  // 0 the three-pin cell, 1 a class without pins, -1 none
    std::vector<std::string> nets;
};

std::string build_and_save(const std::string& file, const BulkCase& c, bool bulk) {
    SdbDatabase* db = SDB_open(file.c_str(), "w", 0);
    if (!db) return "";
    SDB_setup(db);
    auto sym = [](const std::string& s) { return SYM_setup(sym_tab, s.c_str()); };
    const int cell = SDB_make_class(sym("AND2"), 1, -1, 3);
    const int empty = SDB_make_class(sym("EMPTY"), 0, -1, 0);
    std::vector<int32_t> names, classes, nets;
    for (size_t i = 0; i < c.classes.size(); ++i) {
        names.push_back(sym("u" + std::to_string(i)));
        classes.push_back(c.classes[i] == 0 ? cell : c.classes[i] == 1 ? empty : -1);
    }
    for (const std::string& n : c.nets) nets.push_back(sym(n));
    if (bulk) {
        struct Src {
            const std::vector<int32_t>& names;
            const std::vector<int32_t>& classes;
        } src{names, classes};
        SDB_make_objs(
            static_cast<int>(names.size()),
            [](void* ctx, int i, int32_t* name, int32_t* cls) {
                const auto& s = *static_cast<const Src*>(ctx);
                *name = s.names[static_cast<size_t>(i)];
                *cls = s.classes[static_cast<size_t>(i)];
            },
            &src);
        SDB_make_nets(static_cast<int>(nets.size()), nets.data());
    } else {
        for (size_t i = 0; i < names.size(); ++i) SDB_make_obj(names[i], classes[i], 0, -1);
        for (int32_t n : nets) SDB_make_net(n, -1);
    }
    expect_sentinels(db);
    const int saved = SDB_save(db);
    SDB_close(db, 0);
    return saved == 0 ? testsupport::read_file(file) : "";
}

void PrintTo(const std::pair<const char*, BulkCase>& c, std::ostream* os) { *os << c.first; }

class BulkMakers : public SdbTest, public ::testing::WithParamInterface<std::pair<const char*, BulkCase>> {};

}  // namespace

// The bulk makers give the very file that the makers one at a time give:
// the same records, nodes and names, GND and VCC asked for again.
TEST_P(BulkMakers, SaveTheSameFileAsOneAtATime) {
    const BulkCase& c = GetParam().second;
    const std::string one = build_and_save(path("one.sdb"), c, false);
    const std::string bulk = build_and_save(path("bulk.sdb"), c, true);
    ASSERT_FALSE(one.empty());
    EXPECT_TRUE(one == bulk);
}

BulkCase many_objects() {
    BulkCase c;
    for (int i = 0; i < 20000; ++i) c.classes.push_back(i % 7 == 3 ? 1 : i % 11 == 5 ? -1 : 0);
    for (int i = 0; i < 5000; ++i) c.nets.push_back("n" + std::to_string(i));
    c.nets.push_back("VCC");
    return c;
}

INSTANTIATE_TEST_SUITE_P(Cases, BulkMakers,
                         ::testing::Values(std::make_pair("nothing", BulkCase{}),
                                           std::make_pair("mixed", BulkCase{{0, 1, -1, 0}, {"GND", "a", "VCC", "b"}}),
                                           std::make_pair("many", many_objects())),
                         [](const auto& info) { return std::string(info.param.first); });

TEST_F(Edit, BulkObjectsWithAClassOutOfRangeMakeNothing) {
    const int before_objs = obj_count, before_nodes = node_count;
    const int32_t classes[] = {cell, class_count};
    testing::internal::CaptureStdout();
    const int r = SDB_make_objs(
        2,
        [](void* ctx, int i, int32_t* name, int32_t* cls) {
            *name = 0;
            *cls = static_cast<const int32_t*>(ctx)[i];
        },
        const_cast<int32_t*>(classes));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(r, -1);
    EXPECT_EQ(out, "SDB FATAL: (FA-02-0008) Encountered an illegal object id.\n");
    EXPECT_EQ(obj_count, before_objs);
    EXPECT_EQ(node_count, before_nodes);
    expect_sentinels(db);
}
