// Saving a design with objects made as it is written (SDB_save_objs).

#include <algorithm>
#include <filesystem>

#include "sdb_test_util.h"

namespace {

using namespace sdbtest;
namespace fs = std::filesystem;

// A design with ports on nets (two on one net, one open), then objects of
// these classes (0 a three-pin cell, 1 a class without pins, -1 none),
// named "u<i>" unless unnamed holds i, with their nodes on these nets
// (-1 open), node after node.  The objects after the held ones are
// written by SDB_save_objs, or made in memory.
struct ObjCase {
    std::vector<int> classes;
    std::vector<int32_t> nets;
    std::vector<int> unnamed;
    int held = 0;  // the first objects are made in memory first in either way (three-pin cells)
};

struct Objs {
    std::vector<int32_t> names, classes;
};

void get_obj(void* ctx, int i, int32_t* name, int32_t* cls) {
    const auto& o = *static_cast<const Objs*>(ctx);
    *name = o.names[static_cast<size_t>(i)];
    *cls = o.classes[static_cast<size_t>(i)];
}

// Makes the design in file and its objects; streamed: through
// SDB_save_objs, else with the makers in memory and SDB_save.  The file
// written, or "" when the save failed.
std::string save_case(const std::string& file, const ObjCase& c, bool streamed) {
    SdbDatabase* db = SDB_open(file.c_str(), "w", 0);
    if (!db) return "";
    SDB_setup(db);
    auto sym = [](const std::string& s) { return SYM_setup(sym_tab, s.c_str()); };
    SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                        {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                        {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
    const int cell = SDB_make_class(sym("AND2"), 1, -1, 0);
    SDB_make_pinlist(cell, 3, pins);
    const int empty = SDB_make_class(sym("EMPTY"), 0, -1, 0);
    for (int i = 0; i < 6; ++i) SDB_make_net(sym("n" + std::to_string(i)), -1);
    // Ports, out of direction order so that the save sorts them.
    const std::pair<const char*, int> ports[] = {{"y", 3}, {"a", 2}, {"b", 3}, {"z", -1}};
    for (const auto& [name, net] : ports) {
        const int p = SDB_make_port(sym(name), name[0] == 'y' || name[0] == 'b' ? SDB_DIR_OUTPUT : SDB_DIR_INPUT,
                                    -1, 0);
        SDB_make_node(-1, p, net);
    }
    Objs o;
    for (size_t i = 0; i < c.classes.size(); ++i) {
        const bool named = std::find(c.unnamed.begin(), c.unnamed.end(), static_cast<int>(i)) == c.unnamed.end();
        o.names.push_back(named ? sym("u" + std::to_string(i)) : -1);
        o.classes.push_back(c.classes[i] == 0 ? cell : c.classes[i] == 1 ? empty : -1);
    }
    // Makes objects first .. last - 1 in memory and connects their nodes.
    auto make = [&](size_t first, size_t last, const int32_t* nets, size_t nnets) {
        Objs part;
        part.names.assign(o.names.begin() + static_cast<long>(first), o.names.begin() + static_cast<long>(last));
        part.classes.assign(o.classes.begin() + static_cast<long>(first), o.classes.begin() + static_cast<long>(last));
        const int first_obj = SDB_make_objs(static_cast<int>(part.names.size()), get_obj, &part);
        int first_node = -1;
        for (int k = 0; first_obj >= 0 && k < static_cast<int>(part.names.size()) && first_node < 0; ++k)
            first_node = obj_tab[first_obj + k].first_node;
        if (first_node >= 0) {
            EXPECT_EQ(SDB_nl_connect_new_nodes(first_node, nets, static_cast<int>(nnets)), 0);
        }
    };
    const auto held = static_cast<size_t>(c.held);
    int saved;
    if (streamed) {
        make(0, held, c.nets.data(), 3 * held);
        Objs rest;
        rest.names.assign(o.names.begin() + c.held, o.names.end());
        rest.classes.assign(o.classes.begin() + c.held, o.classes.end());
        const SdbObjectSource src{static_cast<int>(rest.names.size()), get_obj, &rest, c.nets.data() + 3 * held,
                                  static_cast<int64_t>(c.nets.size() - 3 * held)};
        saved = SDB_save_objs(db, &src);
    } else {
        make(0, o.names.size(), c.nets.data(), c.nets.size());
        saved = SDB_save(db);
    }
    SDB_close(db, 0);
    return saved == 0 ? testsupport::read_file(file) : "";
}

class SaveObjsBad : public SdbTest {};

void PrintTo(const std::pair<const char*, ObjCase>& c, std::ostream* os) { *os << c.first; }

class SaveObjs : public SdbTest, public ::testing::WithParamInterface<std::pair<const char*, ObjCase>> {};

ObjCase many_objects() {
    ObjCase c;
    for (int i = 0; i < 30000; ++i) {
        c.classes.push_back(i % 7 == 3 ? 1 : i % 11 == 5 ? -1 : 0);
        if (c.classes.back() != 0) continue;
        for (int k = 0; k < 3; ++k) c.nets.push_back((i * 3 + k) % 13 == 0 ? -1 : (i * 5 + k * 7) % 8);
    }
    c.unnamed = {17, 29998, 29999};
    return c;
}

}  // namespace

// The file is the one that the objects made in memory give: the same
// objects, nodes and links, the new nodes behind the ports' on each net,
// trailing unnamed objects dropped but not their nodes.
TEST_P(SaveObjs, WriteTheFileOfTheObjectsMadeInMemory) {
    const ObjCase& c = GetParam().second;
    const std::string held = save_case(path("held.sdb"), c, false);
    const std::string streamed = save_case(path("streamed.sdb"), c, true);
    ASSERT_FALSE(held.empty());
    EXPECT_TRUE(held == streamed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveObjs,
    ::testing::Values(std::make_pair("nothing", ObjCase{}),
                      std::make_pair("mixed", ObjCase{{0, 1, -1, 0}, {3, -1, 0, 2, 3, 7}, {}}),
                      std::make_pair("trailing_unnamed", ObjCase{{0, 0, 1}, {3, 4, 5, 1, 1, 2}, {1, 2}}),
                      std::make_pair("all_unnamed", ObjCase{{0, 0}, {2, 2, 2, 3, 3, 3}, {0, 1}}),
                      std::make_pair("held_before", ObjCase{{0, 0, 0, 1}, {2, -1, 3, 3, 3, 3, 1, 0, 2}, {2}, 2}),
                      std::make_pair("held_unnamed_behind", ObjCase{{0, 0, 0, 0}, {2, 2, 3, 3, 4, 4, 5, 5, 1, 1, 1, 1}, {1, 2, 3}, 2}),
                      std::make_pair("many", many_objects())),
    [](const auto& info) { return std::string(info.param.first); });

// Objects that cannot be made write nothing and leave no file.
TEST_F(SaveObjsBad, RefusesUnsoundObjects) {
    struct Bad {
        const char* what;
        ObjCase c;
        int bump_class;  // added to the class of object 0
    };
    const Bad cases[] = {
        {"class out of range", {{0}, {1, 1, 1}, {}}, 100},
        {"fewer nets than nodes", {{0, 0}, {1, 1, 1}, {}}, 0},
        {"more nets than nodes", {{0}, {1, 1, 1, 1}, {}}, 0},
        {"net out of range", {{0}, {1, 99, 1}, {}}, 0},
        {"net below -1", {{0}, {1, -2, 1}, {}}, 0},
    };
    for (const Bad& b : cases) {
        SCOPED_TRACE(b.what);
        const std::string file = path("bad.sdb");
        SdbDatabase* db = SDB_open(file.c_str(), "w", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
        SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
        const int cell = SDB_make_class(SYM_setup(sym_tab, "AND2"), 1, -1, 0);
        SDB_make_pinlist(cell, 3, pins);
        Objs o;
        for (size_t i = 0; i < b.c.classes.size(); ++i) {
            o.names.push_back(SYM_setup(sym_tab, ("u" + std::to_string(i)).c_str()));
            o.classes.push_back(cell + (i == 0 ? b.bump_class : 0));
        }
        const SdbObjectSource src{static_cast<int>(o.names.size()), get_obj, &o, b.c.nets.data(),
                                  static_cast<int64_t>(b.c.nets.size())};
        testing::internal::CaptureStdout();
        EXPECT_EQ(SDB_save_objs(db, &src), -1);
        const std::string out = testing::internal::GetCapturedStdout();
        if (b.bump_class) {
            EXPECT_EQ(out, "SDB FATAL: (FA-02-0008) Encountered an illegal object id.\n");
        }
        EXPECT_EQ(net_tab[1].first_node, -1) << "no net is linked to a node";
        SDB_close(db, 0);
        EXPECT_FALSE(fs::exists(file));
    }
}

// A save that cannot be written whole leaves the old file as it was.
TEST_F(SaveObjsBad, FailingToWriteLeavesTheOldFile) {
    ObjCase big = many_objects();
    const std::string old = save_case(path("d.sdb"), ObjCase{{0}, {1, 2, 3}, {}}, true);
    ASSERT_FALSE(old.empty());
    std::string r;
    {
        testsupport::FileSizeLimit limit(old.size() + 1000);
        ASSERT_TRUE(limit.ok());
        r = save_case(path("d.sdb"), big, true);
    }
    EXPECT_EQ(r, "");
    EXPECT_EQ(testsupport::read_file(path("d.sdb")), old);
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path().filename() == "d.sdb" || e.path().filename() == "d.asn") << e.path();
}
