// Editing the current design by name.
#include <string>
#include <vector>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

class NlEdit : public SdbTest {
protected:
    void SetUp() override {
        SdbTest::SetUp();
        db = SDB_open(path("n.sdb").c_str(), "w", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0}, {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        cell = SDB_make_class(SYM_setup(sym_tab, "BUF1"), 1, -1, 0);
        SDB_make_pinlist(cell, 2, pins);
    }
    void TearDown() override {
        SDB_close(db, 0);
        SdbTest::TearDown();
    }
    SdbDatabase* db = nullptr;
    int cell = -1;
};

// New nodes connected at once end up on the lists that connecting them
// one by one gives: behind the nodes a net has already, in node order;
// open nodes stay open; a node already on a net is refused.
TEST_F(NlEdit, NewNodesConnectedAtOnceAsOneByOne) {
    const int a = SDB_nl_make_net("a"), b = SDB_nl_make_net("b");
    const int p = SDB_nl_make_port("a", SDB_DIR_INPUT);  // already on a
    std::vector<int> first;
    for (const char* name : {"u1", "u2", "u3"}) first.push_back(obj_tab[SDB_nl_make_obj(name, cell, 0, -1)].first_node);
    const std::vector<int32_t> nets = {a, b, -1, a, b, a};
    ASSERT_EQ(first[1], first[0] + 2);
    EXPECT_EQ(SDB_nl_connect_new_nodes(first[0], nets.data(), 6), 0);
    EXPECT_EQ(net_nodes(a), (std::vector<int>{port_tab[p].node, first[0], first[1] + 1, first[2] + 1}));
    EXPECT_EQ(net_nodes(b), (std::vector<int>{first[0] + 1, first[2]}));
    EXPECT_EQ(node_tab[first[1]].net, -1);
    EXPECT_EQ(node_tab[first[2] + 1].net, a);
    // Appending later goes on behind them.
    const int u4 = obj_tab[SDB_nl_make_obj("u4", cell, 0, -1)].first_node;
    EXPECT_EQ(SDB_nl_connect_net(b, u4), 0);
    EXPECT_EQ(net_nodes(b).back(), u4);
    const std::vector<int32_t> again = {a, a};
    EXPECT_EQ(SDB_nl_connect_new_nodes(first[0], again.data(), 2), 1) << "nodes on a net already";
    const std::vector<int32_t> bad = {net_count};
    EXPECT_EQ(SDB_nl_connect_new_nodes(u4 + 1, bad.data(), 1), 1) << "net out of range";
    EXPECT_EQ(node_tab[u4 + 1].net, -1);
}

TEST_F(NlEdit, ObjectsNetsAndPortsByName) {
    int u = SDB_nl_make_obj("u", cell, 0, -1);
    EXPECT_EQ(SDB_error_flagG, 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_nl_make_obj("u", cell, 0, -1), u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SDB ERROR: (FA-02-0002) The object 'u' already exists.\n");
    EXPECT_EQ(SDB_error_flagG, 1);
    EXPECT_EQ(obj_count, 1);
    // A name with the separator is kept as one flat symbol, and is taken.
    int dotted = SDB_nl_make_obj("x.y", cell, 0, -1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_nl_make_obj("x.y", cell, 0, -1), dotted);
    testing::internal::GetCapturedStdout();

    int n = SDB_nl_make_net("n");
    EXPECT_EQ(SDB_nl_make_net("n"), n);
    SDB_nl_connect_net(n, obj_tab[u].first_node + 1);
    // A port joins the net of its name at the head of its list.
    int p = SDB_nl_make_port("n", SDB_DIR_OUTPUT);
    int pn = port_tab[p].node;
    EXPECT_EQ(node_tab[pn].object, -1);
    EXPECT_EQ(node_tab[pn].pin, p);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{pn, obj_tab[u].first_node + 1}));
    EXPECT_EQ(SDB_nl_make_port("n", SDB_DIR_OUTPUT), p);
    // Without a net of its name it gets a new one.
    int q = SDB_nl_make_port("q", SDB_DIR_INPUT);
    int qn = SDB_nl_search_net("q");
    ASSERT_GE(qn, 2);
    EXPECT_EQ(net_nodes(qn), std::vector<int>{port_tab[q].node});
    EXPECT_EQ(node_tab[port_tab[q].node].net, qn);
    // Appending after a head insertion still reaches the end of the list.
    SDB_nl_connect_net(n, obj_tab[dotted].first_node);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{pn, obj_tab[u].first_node + 1, obj_tab[dotted].first_node}));

    EXPECT_EQ(SDB_nl_delete_node("u", "Y"), 1);
    EXPECT_EQ(net_nodes(n), (std::vector<int>{pn, obj_tab[dotted].first_node}));
    EXPECT_EQ(node_tab[obj_tab[u].first_node + 1].object, u) << "the node stays with its object";
    EXPECT_EQ(SDB_nl_delete_node("*", "q"), 1);
    EXPECT_EQ(net_nodes(qn), std::vector<int>{});
    EXPECT_EQ(SDB_nl_delete_node("u", "Z"), 0);
    EXPECT_EQ(SDB_nl_delete_node("nobody", "A"), 0);
    EXPECT_EQ(SDB_nl_delete_net("nothing"), 0);
    EXPECT_EQ(SDB_nl_delete_port("nothing"), 0);
}

TEST_F(NlEdit, Renaming) {
    int a = SDB_nl_make_obj("a", cell, 0, -1);
    int b = SDB_nl_make_obj("b", cell, 0, -1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_nl_rename_obj(a, "a"), 0);
    EXPECT_EQ(SDB_error_flagG, 0);
    EXPECT_EQ(SDB_nl_rename_obj(a, "b"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SDB WARNING: (FA-02-0003) The object '" + std::to_string(a) + "' is already named 'a'.\n"
              "SDB WARNING: (FA-02-0004) Renaming the object '" + std::to_string(a) + "' to 'b' will cause conflict.\n");
    EXPECT_EQ(SDB_error_flagG, 1);
    EXPECT_EQ(SDB_nl_rename_obj(a, "c"), 1);
    EXPECT_EQ(SDB_nl_search_obj("c"), a);
    EXPECT_EQ(SDB_nl_search_obj("a"), -1);
    EXPECT_EQ(SDB_nl_search_obj("b"), b);
    // A hierarchical object renamed: its prefix entry names nothing more.
    int top = PREFIX_add(&prefix_tab, SYM_setup(sym_tab, "top"), -1, -6);
    int e = PREFIX_add(&prefix_tab, SYM_setup(sym_tab, "h"), top, SDB_OWNER_OBJECT + obj_count);
    int h = SDB_make_obj(sdb_prefix_word(e), cell, 0, -1);
    EXPECT_EQ(SDB_nl_search_obj("top.h"), h);
    EXPECT_EQ(SDB_nl_rename_obj(h, "flat_h"), 1);
    EXPECT_EQ(prefix_tab[e].owner, -1);
    EXPECT_EQ(SDB_nl_search_obj("top.h"), -1);
    EXPECT_STREQ(SDB_obj_name(sdb, h), "flat_h");
}

TEST_F(NlEdit, NetNames) {
    struct Case {
        const char* a;
        const char* b;
        const char* name;
    } cases[] = {
        {"a[1]", "b", "a_1__b"},
        {"\\a[1] ", "\\b ", "\\a[1] _b "},
        {"\\a", "b[2]", "\\a_b[2]"},
        {"a", "\\b", "\\a_b"},
        {"x", "y", "x_y"},
    };
    for (const Case& c : cases) EXPECT_EQ(SDB_nl_make_netname(c.a, c.b), c.name) << c.a << " " << c.b;
    SDB_nl_make_net("a_1__b");
    EXPECT_EQ(SDB_nl_make_netname("a[1]", "b"), "a_1__b_QDX");
    SDB_nl_make_net("a_1__b_QDX");
    EXPECT_EQ(SDB_nl_make_netname("a[1]", "b"), "a_1__b_QDX_QDX");
}

}  // namespace
