// Hierarchical names and the name and look-up services over designs made
// with the makers.
#include <string>
#include <vector>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

// A design with flat and hierarchical objects and nets:
//   ports a (input), y (output); nets GND, VCC, a, y;
//   u1: AND2 (flat);
//   cpu (a CPU instance) / alu (an ALU instance) / g1: AND2, sum: net,
//   x: a net and an object of the same full name (the object made later);
//   cpu / reg: INV; io / g1: INV (the segment g1 again, under another
//   parent).
class Lookup : public SdbTest {
protected:
    void SetUp() override {
        SdbTest::SetUp();
        db = SDB_open(path("h.sdb").c_str(), "w", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        build();
    }
    void TearDown() override {
        if (sdb) SDB_close(sdb, 0);
        SdbTest::TearDown();
    }
    static int sym(const char* s) { return SYM_setup(sym_tab, s); }
    static int level(const char* seg, int parent, const char* cell) {
        return PREFIX_add(&prefix_tab, sym(seg), parent, sdb_prefix_word(sym(cell)));
    }
    static int hobj(const char* seg, int parent, int cls) {
        int e = PREFIX_add(&prefix_tab, sym(seg), parent, SDB_OWNER_OBJECT + obj_count);
        return SDB_make_obj(sdb_prefix_word(e), cls, 0, -1);
    }
    static int hnet(const char* seg, int parent) {
        int e = PREFIX_add(&prefix_tab, sym(seg), parent, net_count);
        return SDB_make_net(sdb_prefix_word(e), -1);
    }
    void build() {
        SdbPinDef and_pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                                {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                                {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        SdbPinDef inv_pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0}, {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        c_and = SDB_make_class(sym("AND2"), 1, -1, 0);
        SDB_make_pinlist(c_and, 3, and_pins);
        c_inv = SDB_make_class(sym("INV"), 1, -1, 0);
        SDB_make_pinlist(c_inv, 2, inv_pins);
        p_a = SDB_nl_make_port("a", SDB_DIR_INPUT);
        p_y = SDB_nl_make_port("y", SDB_DIR_OUTPUT);
        u1 = SDB_make_obj(sym("u1"), c_and, 0, -1);
        int cpu = level("cpu", -1, "CPU");
        int alu = level("alu", cpu, "ALU");
        g1 = hobj("g1", alu, c_and);
        sum = hnet("sum", alu);
        x_net = hnet("x", alu);
        x_obj = hobj("x", alu, c_inv);
        reg = hobj("reg", cpu, c_inv);
        int io = level("io", -1, "IO");
        io_g1 = hobj("g1", io, c_inv);
        SDB_nl_connect_net(sum, obj_tab[g1].first_node + 2);
        SDB_nl_connect_net(sum, obj_tab[reg].first_node);
    }
    SdbDatabase* db = nullptr;
    int c_and = -1, c_inv = -1, p_a = -1, p_y = -1;
    int u1 = -1, g1 = -1, sum = -1, x_net = -1, x_obj = -1, reg = -1, io_g1 = -1;
};

TEST_F(Lookup, NewDesignsStartWithGndAndVcc) {
    EXPECT_STREQ(SDB_net_name(sdb, 0), "GND");
    EXPECT_STREQ(SDB_net_name(sdb, 1), "VCC");
    EXPECT_EQ(SDB_make_net(sym("GND"), -1), 0) << "asking again gives the same net";
    EXPECT_EQ(SDB_nl_make_net("VCC"), 1);
    int net_before = net_count;
    SDB_make_net(sym("n"), -1);
    EXPECT_EQ(net_count, net_before + 1);
    // They survive a save and an open.
    ASSERT_EQ(SDB_save(sdb), 0);
    SDB_close(sdb, 0);
    SdbDatabase* again = SDB_open(path("h.sdb").c_str(), "r", 0);
    ASSERT_NE(again, nullptr);
    SDB_setup(again);
    EXPECT_EQ(SDB_nl_search_net("GND"), 0);
    EXPECT_EQ(SDB_nl_search_net("VCC"), 1);
}

TEST_F(Lookup, ObjectsAndNetsByNameAndIndex) {
    struct Case {
        const char* name;
        int obj;
        int net;
    } cases[] = {
        {"u1", u1, -1},
        {"cpu.alu.g1", g1, -1},
        {"cpu.reg", reg, -1},
        {"io.g1", io_g1, -1},
        {"cpu.alu.sum", -1, sum},
        {"cpu.alu.x", x_obj, x_net},  // an object and a net of one name
        {"a", -1, SDB_nl_search_net("a")},
        {"cpu.alu", -1, -1},       // a level, neither object nor net
        {"cpu.g1", -1, -1},        // g1 exists, but not under cpu
        {"alu.g1", -1, -1},        // not from the top
        {"cpu.alu.nothing", -1, -1},
        {"CPU", -1, -1},           // a symbol that names no object
        {"", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SDB_lookup_obj(c.name), c.obj);
        EXPECT_EQ(SDB_nl_search_obj(c.name), c.obj);
        EXPECT_EQ(SDB_lookup_net(c.name), c.net);
        if (c.obj >= 0) {
            EXPECT_STREQ(SDB_obj_name(sdb, c.obj), c.name);
        }
        if (c.net >= 0) {
            EXPECT_STREQ(SDB_net_name(sdb, c.net), c.name);
        }
    }
    EXPECT_GE(SDB_nl_search_net("a"), 2);
    EXPECT_EQ(SDB_lookup_obj(nullptr), -1);
    testing::internal::CaptureStdout();
    EXPECT_STREQ(SDB_obj_name(sdb, -1), "*UNDEF*");
    EXPECT_STREQ(SDB_net_name(sdb, -1), "*UNDEF*");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    // By symbol id: the first record of that name.
    EXPECT_EQ(SDB_search_obj(sym("u1")), u1);
    EXPECT_EQ(SDB_search_class(sym("INV")), c_inv);
    EXPECT_EQ(SDB_search_port(sym("y")), p_y);
    EXPECT_EQ(SDB_search_net(sym("y")), SDB_nl_search_net("y"));
    EXPECT_EQ(SDB_search_class_by_type(1), c_and);
    EXPECT_EQ(SDB_nl_search_class("and2"), c_and) << "tried in upper case";
    EXPECT_EQ(SDB_nl_search_class("Inv"), c_inv);
}

TEST_F(Lookup, NodesPinsAndPorts) {
    int f = obj_tab[g1].first_node;
    struct Case {
        const char* obj;
        const char* pin;
        int node;
    } cases[] = {
        {"cpu.alu.g1", "Y", f + 2},
        {"u1", "B", obj_tab[u1].first_node + 1},
        {"*", "a", port_tab[p_a].node},
        {nullptr, "y", port_tab[p_y].node},
        {"*", "no_port", -1},
        {"*", "A", -1},                  // a symbol, but no port
        {"u1", "no_such_symbol", -2},
        {"u1", "a", -1},                 // a symbol the class has no pin of
        {"u1", nullptr, -1},
        {"nobody", "A", -1},
        {"cpu.alu.g2", "A", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.obj ? c.obj : "(null)") + " " + (c.pin ? c.pin : "(null)"));
        EXPECT_EQ(SDB_nl_search_node(c.obj, c.pin), c.node);
        // The node's pin name is the pin (or, for a port node, the port) it was found by.
        if (c.node >= 0) {
            EXPECT_STREQ(SDB_pin_name(c.node), c.pin);
        }
    }
    EXPECT_EQ(SDB_pin_name(-1), nullptr);
    EXPECT_EQ(SDB_pin_name(node_count), nullptr);
    EXPECT_EQ(SDB_search_pin(sym("B"), u1), 1);
    EXPECT_EQ(SDB_search_pin(sym("Q"), u1), -1);
    EXPECT_EQ(SDB_nl_search_port("a"), p_a);
    EXPECT_EQ(SDB_nl_search_port("nope"), -1);
    // The list of sum: g1's Y, then reg's A.
    EXPECT_EQ(SDB_search_nlink(obj_tab[reg].first_node, sum), f + 2);
    EXPECT_EQ(SDB_search_nlink(f + 2, sum), -1) << "the first node has none before it";
    EXPECT_EQ(SDB_search_nlink(f, sum), -1) << "not on the net";
    SDB_make_port_list(sym("y"));
    SDB_make_port_list(sym("a"));
    EXPECT_EQ(SDB_nl_search_xport("a"), 1);
    EXPECT_EQ(SDB_nl_search_xport("u1"), -1);
    EXPECT_EQ(SDB_nl_search_xport("no_symbol"), -1);
}

TEST(BusNames, BaseAndIndex) {
    struct Case {
        const char* name;
        int bus;
        const char* base;
        int index;
    } cases[] = {
        {"d[7]", 1, "d", 7}, {"m[1][12]", 1, "m[1]", 12}, {"d", 0, "", -1}, {"d[3", 0, "", -1}, {"d]", 0, "", -1},
    };
    for (const Case& c : cases) {
        std::string base = "x";
        int index = 99;
        EXPECT_EQ(is_a_bus(c.name, &base, &index), c.bus) << c.name;
        EXPECT_EQ(base, c.base) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
    }
}

TEST_F(Lookup, SlashSeparator) {
    int flat = SDB_make_obj(sym("a.b"), c_inv, 0, -1);
    SDB_set_hier_dot('/');
    EXPECT_EQ(SDB_lookup_obj("cpu/alu/g1"), g1);
    EXPECT_STREQ(SDB_obj_name(sdb, g1), "cpu/alu/g1");
    EXPECT_STREQ(SDB_net_name(sdb, sum), "cpu/alu/sum");
    EXPECT_EQ(SDB_lookup_net("cpu/alu/sum"), sum);
    EXPECT_EQ(SDB_lookup_obj("cpu.alu.g1"), -1) << "one segment now, and no symbol";
    EXPECT_EQ(SDB_lookup_obj("a.b"), flat) << "a flat name";
    EXPECT_EQ(SDB_nl_search_node("cpu/reg", "Y"), obj_tab[reg].first_node + 1);
    std::string flat_name;
    SDB_flatten_name(flat_name, "cpu/alu/g1");
    EXPECT_EQ(flat_name, "cpu_alu_g1");
    SDB_set_hier_dot('.');
    SDB_flatten_name(flat_name, "cpu.alu/g1");
    EXPECT_EQ(flat_name, "cpu.alu/g1") << "unchanged with the dot";
    SDB_flatten_name(flat_name, nullptr);
    EXPECT_EQ(flat_name, "");
    // With the dot back, a.b is hierarchical; the escaped form is flat.
    EXPECT_EQ(SDB_lookup_obj("a.b"), -1);
    int esc = SDB_make_obj(sym("\\a.b"), c_inv, 0, -1);
    EXPECT_EQ(SDB_lookup_obj("\\a.b"), -1);
    EXPECT_EQ(SDB_lookup_obj_nonhier("\\a.b"), esc);
    EXPECT_EQ(SDB_lookup_obj_nonhier("cpu.reg"), reg);
}

TEST_F(Lookup, BadNameWords) {
    testing::internal::CaptureStdout();
    sobj_tab[u1] = -3;
    EXPECT_EQ(SDB_obj_name(sdb, u1), nullptr);
    EXPECT_EQ(SDB_obj_name(sdb, obj_count + 5), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SDB FATAL: (FA-02-0008) Encountered an illegal object id.\n"
              "SDB FATAL: (FA-02-0008) Encountered an illegal object id.\n");
    // A prefix entry that names another object.
    int p = sdb_prefix_of(sobj_tab[g1]);
    prefix_tab[p].owner = SDB_OWNER_OBJECT + reg;
    EXPECT_EXIT(SDB_obj_name(sdb, g1), ::testing::ExitedWithCode(255), "");
    EXPECT_EXIT(SDB_lookup_obj("cpu.alu.g1"), ::testing::ExitedWithCode(255), "");
}

TEST_F(Lookup, LongNamesComeBackWhole) {
    std::string seg(200, 'q');
    int e = -1;
    for (int i = 0; i < 15; ++i) e = level((seg + std::to_string(i)).c_str(), e, "C");
    int obj = hobj("leaf", e, c_inv);
    int net = hnet("wire", e);
    std::string name = SDB_obj_name(sdb, obj);
    EXPECT_GT(name.size(), 3000u);
    EXPECT_EQ(name.substr(name.size() - 5), ".leaf");
    EXPECT_EQ(SDB_lookup_obj(name.c_str()), obj);
    std::string net_name = SDB_net_name(sdb, net);
    EXPECT_EQ(net_name, name.substr(0, name.size() - 4) + "wire");
    EXPECT_EQ(SDB_lookup_net(net_name.c_str()), net);
}

TEST_F(Lookup, NetAliases) {
    int a = SDB_nl_search_net("a");
    ALIAS_add("old", "a");
    ALIAS_add("older", "old");
    ALIAS_add("inner", "cpu.alu.sum");
    ALIAS_add("gone.away", "inner");
    ALIAS_add("nowhere", "nothing");
    ALIAS_add("self", "self");
    ALIAS_add("u1", "a");  // u1 is a symbol: no alias is tried
    struct Case {
        const char* name;
        int net;
    } cases[] = {
        {"old", a}, {"older", a}, {"inner", sum}, {"gone.away", sum}, {"nowhere", -1}, {"self", -1}, {"u1", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SDB_lookup_net(c.name), c.net);
    }
    EXPECT_EQ(SDB_lookup_alias_net("older"), a);
    EXPECT_EQ(SDB_nl_make_net("old"), a) << "the net it stands for";

    // p leads to q and q back to p: reported, not followed forever.
    ALIAS_add("p", "q");
    ALIAS_add("q", "r.s");
    ALIAS_add("r.s", "p");
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_lookup_net("p"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SDB ERROR: (FA-01-0006) The sdb file '" + std::string(asn_file_name) +
                  "' is corrupted. Please generate the sdb file again.\n");
    EXPECT_EQ(SDB_lookup_net("old"), a) << "other chains are still followed";
}

TEST_F(Lookup, LookupsFollowEdits) {
    // A second object named u1, made later: the first one wins until it goes.
    int twin = SDB_make_obj(sym("u1"), c_inv, 0, -1);
    EXPECT_EQ(SDB_lookup_obj("u1"), u1);
    EXPECT_EQ(SDB_nl_delete_obj("u1"), 1);
    EXPECT_EQ(SDB_lookup_obj("u1"), twin);
    EXPECT_EQ(SDB_nl_delete_obj("u1"), 1);
    EXPECT_EQ(SDB_lookup_obj("u1"), -1);
    EXPECT_EQ(SDB_nl_delete_obj("u1"), 0);
    // Renaming a hierarchical object frees its old name.
    EXPECT_EQ(SDB_nl_rename_obj(g1, "adder"), 1);
    EXPECT_EQ(SDB_lookup_obj("cpu.alu.g1"), -1);
    EXPECT_EQ(SDB_lookup_obj("adder"), g1);
    EXPECT_STREQ(SDB_obj_name(sdb, g1), "adder");
    // An earlier object renamed to the name of a later one comes first.
    int late = SDB_make_obj(sym("late"), c_inv, 0, -1);
    EXPECT_EQ(SDB_lookup_obj("late"), late);
    sobj_tab[reg] = sym("late");  // written straight into the table ...
    SDB_update(sdb);               // ... and announced
    EXPECT_EQ(SDB_lookup_obj("late"), reg);
    // Nets and ports.
    EXPECT_EQ(SDB_nl_delete_net("cpu.alu.sum"), 1);
    EXPECT_EQ(SDB_lookup_net("cpu.alu.sum"), -1);
    EXPECT_EQ(SDB_nl_delete_port("a"), 1);
    EXPECT_EQ(SDB_nl_search_port("a"), -1);
    EXPECT_EQ(SDB_nl_search_port("y"), p_y);
    int q = SDB_nl_make_port("q", SDB_DIR_INPUT);
    EXPECT_EQ(SDB_nl_search_port("q"), q);
    // Saving sorts the ports by direction: the look-ups follow.
    ASSERT_EQ(SDB_save(sdb), 0);
    EXPECT_EQ(port_tab[SDB_nl_search_port("q")].name, sym("q"));
    EXPECT_EQ(port_tab[SDB_nl_search_port("y")].name, sym("y"));
}

TEST_F(Lookup, ManyObjectsEachFoundByName) {
    // Many objects deep in the hierarchy, each found by its name: every
    // look-up is one step per segment.
    int top = level("big", -1, "BIG");
    std::vector<int> blocks, objs;
    for (int b = 0; b < 1000; ++b) blocks.push_back(level(("b" + std::to_string(b)).c_str(), top, "BLK"));
    for (int i = 0; i < 100000; ++i)
        objs.push_back(hobj(("g" + std::to_string(i)).c_str(), blocks[static_cast<size_t>(i % 1000)], c_inv));
    for (int i = 0; i < 100000; ++i) {
        std::string n = "big.b" + std::to_string(i % 1000) + ".g" + std::to_string(i);
        ASSERT_EQ(SDB_lookup_obj(n.c_str()), objs[static_cast<size_t>(i)]) << n;
        ASSERT_EQ(SDB_lookup_obj(("g" + std::to_string(i)).c_str()), -1);
    }
    // The segment g5 exists, but under b5 only.
    EXPECT_EQ(SDB_lookup_obj("big.b6.g5"), -1);
}

// A few ports named among many symbols, looked up again and again while
// ports are added, deleted and renamed straight in the table: every answer
// is the first port carrying the name, whether the look-up read the table
// from the start or used the index built after the first few.
TEST_F(Lookup, PortLookupsMatchTheFirstPortOfEachName) {
    for (int i = 0; i < 50000; ++i) sym(("filler" + std::to_string(i)).c_str());
    std::vector<int> names;
    for (int i = 0; i < 40; ++i) names.push_back(sym(("pin" + std::to_string(i)).c_str()));
    names.push_back(sym("never_a_port"));
    auto expect_first = [&](const char* step) {
        for (int n : names) {
            int first = -1;
            for (int i = 0; i < port_count && first < 0; ++i)
                if (port_tab[i].name == n) first = i;
            ASSERT_EQ(SDB_search_port(n), first) << step << ": " << SYM_get(sym_tab, n);
        }
    };
    // Every name twice over, the second port of a name made later.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 40; ++i) SDB_make_port(names[static_cast<size_t>(i)], SDB_DIR_INPUT, -1, 0);
    expect_first("made");
    expect_first("asked again");
    for (int i = 0; i < 40; i += 3) SDB_delete_port(SDB_search_port(names[static_cast<size_t>(i)]));
    expect_first("first ones deleted");
    port_tab[port_count - 1].name = names[1];  // written straight into the table ...
    SDB_update(sdb);                          // ... and announced
    expect_first("renamed straight");
    for (int i = 0; i < 10; ++i) SDB_make_port(names[static_cast<size_t>(i)], SDB_DIR_OUTPUT, -1, 0);
    expect_first("more made");
}

// Designs opened one after another: each has its own look-up index, and
// closing drops it.
TEST_F(Lookup, ManyDesignsInTurn) {
    SDB_close(sdb, 0);
    const int kDesigns = 25;
    for (int i = 0; i < kDesigns; ++i) {
        std::string p = path("d" + std::to_string(i) + ".sdb");
        SdbDatabase* d = SDB_open(p.c_str(), "w", 0);
        ASSERT_NE(d, nullptr);
        SDB_setup(d);
        int cls = SDB_make_class(sym("CELL"), 1, -1, 1);
        // Designs differ in how many entries come before the object.
        int e = -1;
        for (int k = 0; k <= i % 4; ++k) e = level(("blk" + std::to_string(k)).c_str(), e, "B");
        int pad = SDB_make_obj(sym("pad"), cls, 0, -1);
        int obj = hobj(("core" + std::to_string(i)).c_str(), e, cls);
        ASSERT_EQ(obj, pad + 1);
        ASSERT_EQ(SDB_save(d), 0);
        SDB_close(d, 0);
    }
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < kDesigns; ++i) {
            SCOPED_TRACE(i);
            SdbDatabase* d = SDB_open(path("d" + std::to_string(i) + ".sdb").c_str(), "r", 0);
            ASSERT_NE(d, nullptr);
            SDB_setup(d);
            std::string name;
            for (int k = 0; k <= i % 4; ++k) name += "blk" + std::to_string(k) + ".";
            name += "core" + std::to_string(i);
            EXPECT_EQ(SDB_lookup_obj(name.c_str()), 1);
            EXPECT_STREQ(SDB_obj_name(d, 1), name.c_str());
            EXPECT_EQ(SDB_lookup_obj("pad"), 0);
            EXPECT_EQ(SDB_lookup_obj("blk0.core0"), i == 0 ? 1 : -1);
            SDB_close(d, 0);
        }
    }
}

using PrefixLookup = PrefixTableTest;

TEST_F(PrefixLookup, KindsStartAndDuplicates) {
    EXPECT_EQ(PREFIX_lookup(tab, "a", 1, -1), -1) << "an empty table";
    int top = add("top", -1, -6);
    int net = add("n", top, 7);
    int obj = add("n", top, SDB_OWNER_OBJECT + 3);
    int lvl = add("sub", top, -6 - 42);
    int deep = add("n", lvl, 9);
    int again = add("n", top, 8);  // a later net entry of the same name
    // An entry whose parent comes after it is not below that parent.
    int kid = add("kid", DYNA_count(tab) + 1, 12);
    int mom = add("mom", -1, -6);
    EXPECT_STREQ(PREFIX_get(tab, kid), "mom.kid");
    struct Case {
        const char* name;
        int kind;
        int start;
        int entry;
    } cases[] = {
        {"top.n", PREFIX_KIND_NET, -1, again},
        {"top.n", PREFIX_KIND_OBJECT, -1, obj},
        {"top.n", PREFIX_KIND_LEVEL, -1, -1},
        {"top.n", 5, -1, obj},  // any other kind: a level or an object
        {"top.sub", PREFIX_KIND_LEVEL, -1, lvl},
        {"top.sub.n", PREFIX_KIND_NET, -1, deep},
        {"n", PREFIX_KIND_NET, top, again},      // below an entry
        {"kid", PREFIX_KIND_NET, mom, -1},       // only entries above start
        {"mom.kid", PREFIX_KIND_NET, -1, -1},
        {"sub.n", PREFIX_KIND_NET, top, deep},
        {"top.top", PREFIX_KIND_LEVEL, -1, -1},
        {"top.x", PREFIX_KIND_NET, -1, -1},      // x is no symbol
        {"top..n", PREFIX_KIND_NET, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " kind " + std::to_string(c.kind));
        EXPECT_EQ(PREFIX_lookup(tab, c.name, c.kind, c.start), c.entry);
    }
    (void)net;
    int heads = 0;
    EXPECT_NE(PREFIX_build_id_table(tab, &heads), nullptr);
    EXPECT_EQ(heads, SYM_lookup(syms, "mom") + 1) << "the largest segment id and one";
    // Entries added after the first look-up are found too.
    int later = add("late", lvl, 11);
    EXPECT_EQ(PREFIX_lookup(tab, "top.sub.late", PREFIX_KIND_NET, -1), later);
    PREFIX_set_dot('/');
    EXPECT_EQ(PREFIX_lookup(tab, "top/sub/late", PREFIX_KIND_NET, -1), later);
    EXPECT_EQ(PREFIX_lookup(tab, "top.sub.late", PREFIX_KIND_NET, -1), -1);
}

TEST_F(PrefixLookup, ManySegments) {
    int e = -1;
    std::string name;
    for (int i = 0; i < 100; ++i) {
        std::string seg = "s" + std::to_string(i);
        e = add(seg.c_str(), e, -6);
        name += (i ? "." : "") + seg;
    }
    int leaf = add("leaf", e, SDB_OWNER_OBJECT);
    EXPECT_EQ(PREFIX_lookup(tab, (name + ".leaf").c_str(), PREFIX_KIND_OBJECT, -1), leaf);
    EXPECT_EQ(PREFIX_lookup(tab, name.c_str(), PREFIX_KIND_LEVEL, -1), e);
}

TEST_F(PrefixLookup, CellInstanceNames) {
    int chip = add("chip", -1, -6);
    int core = add("core", chip, -6 - SYM_setup(syms, "CORE"));
    int blk = add("blk", core, -1);
    int leaf = add("u7", blk, SDB_OWNER_OBJECT + 2);
    int flat = add("solo", -1, SDB_OWNER_OBJECT + 1);
    int cell = 0;
    std::string upper, lower;
    EXPECT_STREQ(PREFIX_get_cio_names(tab, leaf, &cell, upper, lower), "chip.core");
    EXPECT_EQ(upper, "chip.core");
    EXPECT_EQ(lower, "blk.u7");
    EXPECT_STREQ(SYM_get(syms, cell), "CORE");
    EXPECT_STREQ(PREFIX_get_cio_names(tab, blk, &cell, upper, lower), "chip.core");
    EXPECT_EQ(lower, "blk");
    // A level is its own cell instance.
    EXPECT_STREQ(PREFIX_get_cio_names(tab, core, &cell, upper, lower), "chip.core");
    EXPECT_EQ(lower, "");
    EXPECT_STREQ(PREFIX_get_cio_names(tab, flat, &cell, upper, lower), "solo");
    EXPECT_EQ(cell, -1);
    EXPECT_EQ(upper, "");
    EXPECT_EQ(lower, "solo");
}

}  // namespace
