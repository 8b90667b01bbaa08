// Primitive definitions, classes made from them, and connection-pin tables.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/fnm.h"
#include "sdb_test_util.h"

namespace {

using namespace sdbtest;

// Pins of a definition as "name/direction/flags" texts.
std::vector<std::string> pins_of(int prim) {
    std::vector<std::string> v;
    const SdbPinDef* p = sdb_primitives[prim].pins;
    for (int k = 0; k < DYNA_count(p); ++k)
        v.push_back(std::string(p[k].name ? p[k].name : "-") + "/" + std::to_string(p[k].direction) + "/" +
                    std::to_string(p[k].flags));
    return v;
}

using Pins = std::vector<std::string>;

// Tests run with the temporary directory as the search path.
class Prim : public SdbTest {
protected:
    void SetUp() override {
        SdbTest::SetUp();
        CMD_set_path(dir.str().c_str(), nullptr, nullptr);
    }
    int load(const std::string& text) {
        dir.write("primitive.def", text);
        return SDB_load_primitives("primitive.def") ? DYNA_count(sdb_primitives) : -1;
    }
    int sym(const char* s) { return SYM_setup(sym_tab, s); }
};

TEST_F(Prim, ClassTypeNames) {
    struct Case {
        int code;
        const char* name;
    } cases[] = {{0, "DESIGN"}, {1, "CELL"}, {6, "CUDP"},     {7, "N/A"},       {16, "BUF"},   {45, "REPEATER"},
                 {80, "DFF"},   {121, "SUDP"}, {136, "N/AT"}, {176, "DELAYCTL"}, {184, "N/AT"}, {191, "N/A"}};
    for (const Case& c : cases) EXPECT_STREQ(sdb_valid_class_type[c.code], c.name) << c.code;
}

TEST_F(Prim, FileLinesAndBuiltInDefinitions) {
    testing::internal::CaptureStdout();
    int n = load("# a comment line\n"
                 "\n"
                 "_BUF buf o:Z i:A1,A2;\n"              // replaces the built-in _BUF
                 "GATE3 and o:Q i:I[3] drive:2 size:\n"  // an attribute, and a key without a value
                 "tri tbuf t:Q i:A c:CK S b:IO i: EN\n"  // an empty value takes a pin position
                 "MY_FF DFF o:Q i:D \\ continued\n"
                 "   CK R\n"
                 "odd lat o=Q i=D\n"
                 "NOTYPE\n"
                 "weird FANCY o:Q\n"
                 "gate3 or o:X\n");                      // defined already (case does not count)
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "SDB WARNING: (FA-02-0006) Encountered a null type at the class name 'NOTYPE'.\n"
              "Primitive `FANCY' is not supported.\n");
    EXPECT_EQ(n, 5 + 45) << "the file's five, and the built-in ones but _BUF";
    int buf = SDB_lookup_primitive("_buf");
    ASSERT_GE(buf, 0);
    EXPECT_EQ(sdb_primitives[buf].type, 16);
    EXPECT_EQ(pins_of(buf), (Pins{"Z/0/0", "A1/2/0", "A2/2/0"}));
    int g3 = SDB_lookup_primitive("Gate3");
    ASSERT_GE(g3, 0);
    EXPECT_EQ(sdb_primitives[g3].type, 18);
    EXPECT_EQ(pins_of(g3), (Pins{"Q/0/0", "I0/2/0", "I1/2/0", "I2/2/0"}));
    std::string v;
    SDB_get_prim_attr(g3, "drive", v);
    EXPECT_EQ(v, "2");
    SDB_get_prim_attr(g3, "size", v);
    EXPECT_EQ(v, "");
    SDB_get_prim_attr(-1, "drive", v);
    EXPECT_EQ(v, "");
    EXPECT_EQ(pins_of(SDB_lookup_primitive("tri")), (Pins{"Q/0/2", "A/2/0", "CK/2/1", "S/2/1", "IO/1/0", "-/2/0", "EN/2/0"}));
    EXPECT_EQ(pins_of(SDB_lookup_primitive("MY_FF")), (Pins{"Q/0/0", "D/2/0", "CK/2/0", "R/2/0"}))
        << "a continued line goes on with the last key";
    EXPECT_EQ(pins_of(SDB_lookup_primitive("odd")), (Pins{"Q/0/0", "D/2/0"}));
    EXPECT_EQ(SDB_lookup_primitive("weird"), -1);
    EXPECT_EQ(SDB_lookup_primitive("NOTYPE"), -1);
    // Built-in definitions: clock keys carry on to S and R.
    EXPECT_EQ(pins_of(SDB_lookup_primitive("_DFFX")), (Pins{"Q/0/0", "D/2/0", "CK/2/1", "S/2/1", "R/2/1"}));
    EXPECT_EQ(DYNA_count(sdb_primitives[SDB_lookup_primitive("_DOTZ")].pins), 16385);
    EXPECT_EQ(sdb_primitives[SDB_lookup_primitive("TDFFSR")].type, 62);
    // Sorted without regard to case.
    for (int i = 1; i < n; ++i) EXPECT_LT(primitives_comp(&sdb_primitives[i - 1], &sdb_primitives[i]), 0);
}

TEST_F(Prim, MissingFileAndIllegalLines) {
    EXPECT_EQ(SDB_load_primitives("none.def"), nullptr);
    EXPECT_EQ(sdb_primitives, nullptr);
    EXPECT_EQ(SDB_lookup_primitive("_BUF"), -1);
    // A definition's first pin must carry a key.
    dir.write("bad.def", "X1 buf Q i:A\n");
    testing::internal::CaptureStdout();
    EXPECT_EXIT(SDB_load_primitives("bad.def"), ::testing::ExitedWithCode(255),
                "");
    testing::internal::GetCapturedStdout();
    dir.write("huge.def", "X2 buf o:Q i:I[999999999999]\n");
    EXPECT_EXIT(SDB_load_primitives("huge.def"), ::testing::ExitedWithCode(255), "");
    // Many large buses in one definition: bounded as a whole too.
    dir.write("many.def", "X3 buf o:Q i:I[1000000] J[1000000] K[1000000]\n");
    EXPECT_EXIT(SDB_load_primitives("many.def"), ::testing::ExitedWithCode(255), "");
    // And so are many definitions, each within its own bound.
    std::string lines;
    for (int i = 0; i < 3; ++i) lines += "X" + std::to_string(4 + i) + " buf o:Q i:I[1000000]\n";
    dir.write("lines.def", lines);
    EXPECT_EXIT(SDB_load_primitives("lines.def"), ::testing::ExitedWithCode(255), "");
    // A second load replaces the table; a file given with its directory
    // is read where it lies.
    std::string p = dir.write("sub/p.def", "Y1 inv o:QN i:A\n");
    ASSERT_NE(SDB_load_primitives(p.c_str()), nullptr);
    EXPECT_GE(SDB_lookup_primitive("Y1"), 0);
    ASSERT_NE(SDB_load_primitives("sub/p.def"), nullptr) << "found along the path";
    SDB_free_primitives();
    EXPECT_EQ(sdb_primitives, nullptr);
}

class PrimClasses : public Prim {
protected:
    void SetUp() override {
        Prim::SetUp();
        ASSERT_GT(load("NAND3 nand o:Y i:A B C\nTOP design o:Q i:D[2]\n"), 0);
        db = SDB_open(path("p.sdb").c_str(), "w", 0);
        ASSERT_NE(db, nullptr);
        SDB_setup(db);
    }
    void TearDown() override {
        if (db) SDB_close(db, 0);
        Prim::TearDown();
    }
    std::vector<std::string> class_pins(int cls) {
        std::vector<std::string> v;
        const SdbClass& c = class_tab[cls];
        for (int k = 0; k < c.pin_count; ++k) {
            const SdbPin& p = pin_tab[c.first_pin + k];
            const char* n = SYM_get(sym_tab, p.name);
            v.push_back(std::string(n ? n : "-") + "/" + std::to_string(p.direction));
        }
        return v;
    }
    SdbDatabase* db = nullptr;
};

TEST_F(PrimClasses, MakeClassTakesThePrimitivePins) {
    int anon = SDB_make_class(sym("X"), 1, -1, 2);
    int nand = SDB_make_class(sym("NAND3"), 19, -1, 7);
    EXPECT_EQ(class_tab[nand].first_pin, class_tab[anon].first_pin + 2);
    EXPECT_EQ(class_tab[nand].pin_count, 4);
    EXPECT_EQ(class_tab[nand].last_pin, 3);
    EXPECT_EQ(class_pins(nand), (Pins{"Y/0", "A/2", "B/2", "C/2"}));
    // Without a definition, or with a type of the range from 4096, the
    // class is made as asked.
    int plain = SDB_make_class(sym("NAND9"), 19, -1, 2);
    EXPECT_EQ(class_pins(plain), (Pins{"-/2", "-/2"}));
    int user = SDB_make_class(sym("NAND3"), 5000, -1, 1);
    EXPECT_EQ(class_tab[user].pin_count, 1);
    // The name calls.
    EXPECT_EQ(SDB_nl_make_prim_class("NAND3"), nand);
    int top = SDB_nl_make_prim_class("TOP");
    EXPECT_EQ(class_tab[top].type, 0);
    EXPECT_EQ(class_pins(top), (Pins{"Q/0", "D0/2", "D1/2"})) << "a design-level type gets its pins too";
    int obj = SDB_make_obj(sym("g"), nand, 0, -1);
    EXPECT_EQ(SDB_nl_search_node("g", "C"), obj_tab[obj].first_node + 3);
    testing::internal::CaptureStdout();
    EXPECT_EXIT(SDB_nl_make_prim_class("NOPE"), ::testing::ExitedWithCode(255), "");
    testing::internal::GetCapturedStdout();
}

TEST_F(PrimClasses, ClassesAndPortsFromDesignFiles) {
    // A design "sub.sdb" on the search path: its ports become the pins
    // (saved in direction order).
    SDB_close(db, 0);
    SdbDatabase* sub = SDB_open(path("sub.sdb").c_str(), "w", 0);
    ASSERT_NE(sub, nullptr);
    SDB_setup(sub);
    SDB_nl_make_port("din", SDB_DIR_INPUT);
    SDB_nl_make_port("dout", SDB_DIR_OUTPUT);
    port_tab[1].flags = 5;
    ASSERT_EQ(SDB_save(sub), 0);
    SDB_close(sub, 0);
    db = SDB_open(path("p.sdb").c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);

    ALIAS_add("w_old", "w");
    ASSERT_NE(asn_file_name, nullptr);
    const std::string asn = asn_file_name;
    SdbPinDef* ports = SDB_nl_load_port("sub");
    ASSERT_NE(ports, nullptr);
    ASSERT_EQ(DYNA_count(ports), 2);
    EXPECT_STREQ(ports[0].name, "dout");
    EXPECT_EQ(ports[0].direction, SDB_DIR_OUTPUT);
    EXPECT_EQ(ports[0].flags, 5);
    EXPECT_STREQ(ports[1].name, "din");
    SDB_free_pin_list(&ports);
    EXPECT_EQ(ports, nullptr);
    ASSERT_NE(asn_file_name, nullptr);
    EXPECT_EQ(std::string(asn_file_name), asn) << "the current design's alias path stays";
    EXPECT_EQ(alias_net_count, 1) << "and so do its aliases";
    EXPECT_EQ(sdb, db);

    int cls = SDB_nl_make_class("sub");
    EXPECT_EQ(class_tab[cls].type, 0);
    EXPECT_EQ(class_pins(cls), (Pins{"dout/0", "din/2"}));
    EXPECT_EQ(SDB_nl_make_class("sub"), cls);
    int nand = SDB_nl_make_class("NAND3");
    EXPECT_EQ(class_tab[nand].type, 19);
    int none = SDB_nl_make_class("blackbox");
    EXPECT_EQ(class_tab[none].type, 0);
    EXPECT_EQ(class_tab[none].pin_count, 0);

    ports = SDB_nl_load_port("NAND3");
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(DYNA_count(ports), 4);
    SDB_free_pin_list(&ports);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SDB_nl_load_port("blackbox"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SDB WARNING: (FA-01-0052) Failed to locate the class name 'blackbox' in the primitive.def file or in "
              "sdb files.\n.\n");
    EXPECT_EQ(SDB_load_port_from_sdb(path("missing.sdb").c_str()), nullptr);
}

// A look at another design keeps the byte order of the current one: a
// big-endian design stays big-endian while a little-endian file is looked
// at, by hand or through SDB_load_port_from_sdb.
TEST_F(PrimClasses, LookAsideKeepsTheCurrentByteOrder) {
    SDB_close(db, 0);
    db = nullptr;
    const std::string little = saved_sample(dir, "le.sdb");
    const std::string be = path("be.sdb");
    { std::ofstream(be, std::ios::binary) << to_big_endian(little); }
    db = SDB_open(be.c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    const uint32_t w = 0x01020304u;
    ASSERT_EQ(SDB_reverse(w), 0x04030201u);
    {
        SdbLookAside aside;
        SdbDatabase* other = SDB_open(path("le.sdb").c_str(), "r", 0);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(SDB_reverse(w), w) << "the file looked at is little-endian";
        SDB_close(other, 0);
    }
    EXPECT_EQ(SDB_reverse(w), 0x04030201u);
    SdbPinDef* ports = SDB_load_port_from_sdb(path("le.sdb").c_str());
    ASSERT_NE(ports, nullptr);
    SDB_free_pin_list(&ports);
    EXPECT_EQ(SDB_reverse(w), 0x04030201u);
    EXPECT_EQ(sdb, db);
}

class Conp : public PrimClasses {};

TEST_F(Conp, AddLookUpWriteAndRead) {
    CONP_init();
    EXPECT_EQ(conp_count, 0);
    int r0 = CONP_add(sym_tab, "CELL", "u1", 0, "A");
    int r1 = CONP_add(sym_tab, "CELL", "u1", 1, "B");
    int r2 = CONP_add(sym_tab, "CELL", "u2", 0, "A");
    EXPECT_EQ(CONP_add(sym_tab, "CELL", "u1", 1, "B"), r1) << "an identical record";
    int r3 = CONP_fast_add(sym("OTHER"), sym("v"), 0, sym("Z"));
    EXPECT_EQ(conp_count, 4);
    int cell = sym("CELL");
    EXPECT_EQ(CONP_lookup_cell(cell), r0);
    EXPECT_EQ(CONP_lookup_cp(cell, sym("A")), r2) << "the last one";
    EXPECT_EQ(CONP_lookup_co(cell, sym("u1")), r1);
    EXPECT_EQ(CONP_lookup_con(cell, sym("u2"), 0), r2);
    EXPECT_EQ(CONP_lookup_con(cell, sym("u2"), 1), -1);
    EXPECT_EQ(CONP_lookup_cell(sym("OTHER")), r3);
    EXPECT_EQ(CONP_lookup_cell(sym("u1")), -1);

    std::string file = path("p.conp");
    CONP_write(file.c_str());
    std::string bytes = testsupport::read_file(file);
    ASSERT_EQ(bytes.size(), 8u + 4 * 16);
    EXPECT_EQ(get32(bytes, 0), 4u);
    EXPECT_EQ(get32(bytes, 4), static_cast<uint32_t>(-4));
    CONP_init();
    CONP_read(file.c_str());
    ASSERT_EQ(conp_count, 4);
    EXPECT_EQ(conp_tab[r2].pin, sym("A"));
    EXPECT_EQ(CONP_lookup_cp(cell, sym("A")), r2) << "look-ups over the table read";

    // Files the reader ignores: a bad head, a short file, none at all.
    struct Bad {
        const char* name;
        std::string bytes;
    } bad[] = {
        {"head", [&] { std::string b = bytes; put32(b, 4, static_cast<uint32_t>(-3)); return b; }()},
        {"short", bytes.substr(0, bytes.size() - 4)},
        {"zero", std::string(8, '\0')},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        std::string p = dir.write(std::string(b.name) + ".conp", b.bytes);
        CONP_read(p.c_str());
        EXPECT_EQ(conp_tab, nullptr);
        EXPECT_EQ(conp_count, 0);
    }
    CONP_read(path("none.conp").c_str());
    EXPECT_EQ(conp_count, 0);
    // An empty table writes nothing where there is no file ...
    CONP_write(path("empty.conp").c_str());
    EXPECT_FALSE(std::filesystem::exists(path("empty.conp")));
    // ... and a count out of step with the table ends the run.
    CONP_fast_add(1, 2, 3, 4);
    conp_count = 7;
    EXPECT_EXIT(CONP_write(file.c_str()), ::testing::ExitedWithCode(255), "");
}

TEST_F(Conp, BigEndianFileIsConverted) {
    std::string b(8 + 16, '\0');
    auto be = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>(v >> (24 - 8 * i));
    };
    be(0, 1);
    be(4, static_cast<uint32_t>(-1));
    for (int w = 0; w < 4; ++w) be(8 + 4 * static_cast<size_t>(w), static_cast<uint32_t>(10 + w));
    // A design read from a big-endian file sets the byte order.
    SDB_close(db, 0);
    db = nullptr;
    std::string f = saved_sample(dir, "le.sdb");
    std::string p = path("be.sdb");
    { std::ofstream(p, std::ios::binary) << to_big_endian(f); }
    SdbDatabase* other = SDB_open(p.c_str(), "r", 0);
    ASSERT_NE(other, nullptr);
    CONP_read(dir.write("be.conp", b).c_str());
    SDB_close(other, 0);
    ASSERT_EQ(conp_count, 1);
    EXPECT_EQ(conp_tab[0].cell, 10);
    EXPECT_EQ(conp_tab[0].pin, 13);
}

TEST_F(Conp, MergeTranslatesNames) {
    // Records of another design, written with that design's symbols.
    SymbolTable* other = SYM_init(SYM_NBUCKETS);
    CONP_init();
    CONP_add(other, "CELL", "u1", 0, "A");
    CONP_add(other, "CELL", "u1", 1, "B");
    std::string file = path("o.conp");
    CONP_write(file.c_str());
    CONP_init();
    CONP_add(sym_tab, "CELL", "u1", 1, "B");
    CONP_merge(file.c_str(), sym_tab, other);
    ASSERT_EQ(conp_count, 2) << "the record present already is left out";
    EXPECT_EQ(conp_tab[1].cell, sym("CELL"));
    EXPECT_EQ(conp_tab[1].object, sym("u1"));
    EXPECT_EQ(conp_tab[1].pin, sym("A"));
    // A file shorter than its head says.
    std::string bytes = testsupport::read_file(file);
    std::string cut = dir.write("cut.conp", bytes.substr(0, bytes.size() - 16));
    testing::internal::CaptureStdout();
    CONP_merge(cut.c_str(), sym_tab, other);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SDB WARNING: (FA-01-0024) Data inconsistency in file '" + cut + "'.\n");
    EXPECT_EQ(conp_count, 2);
    SYM_free(other);
}

TEST_F(Conp, NodesOfCellInstancesAndBack) {
    // chip.core is an instance of CORE, flattened: chip.core.blk.u7 is
    // an AND2 of it whose nodes stand for the cell pins Q, D1 and D2.
    SdbPinDef pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                        {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                        {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 0}};
    int c_and = SDB_make_class(sym("AND2"), 1, -1, 0);
    SDB_make_pinlist(c_and, 3, pins);
    SDB_make_obj(sym("flat"), c_and, 0, -1);
    int chip = PREFIX_add(&prefix_tab, sym("chip"), -1, -6);
    int core = PREFIX_add(&prefix_tab, sym("core"), chip, sdb_prefix_word(sym("CORE")));
    int blk = PREFIX_add(&prefix_tab, sym("blk"), core, -1);  // a name inside CORE
    int e = PREFIX_add(&prefix_tab, sym("u7"), blk, SDB_OWNER_OBJECT + obj_count);
    int u7 = SDB_make_obj(sdb_prefix_word(e), c_and, 0, -1);
    CONP_init();
    CONP_add(sym_tab, "CORE", "blk.u7", 0, "D1");
    CONP_add(sym_tab, "CORE", "blk.u7", 2, "Q");
    int f = obj_tab[u7].first_node;
    std::string pin, obj;
    EXPECT_EQ(SDB_map_node_to_cellpin(f + 2, u7, pin, obj), 1);
    EXPECT_EQ(pin, "Q");
    EXPECT_EQ(obj, "chip.core");
    EXPECT_EQ(SDB_map_node_to_cellpin(f + 1, u7, pin, obj), 0) << "no record for pin B";
    EXPECT_EQ(pin, "B");
    EXPECT_EQ(obj, "chip.core.blk.u7");
    EXPECT_EQ(SDB_map_node_to_cellpin(1, 0, pin, obj), 0) << "a flat object";
    EXPECT_EQ(pin, "B");
    EXPECT_EQ(obj, "flat");
    EXPECT_EQ(SDB_map_node_to_cellpin(-1, -1, pin, obj), 0);
    EXPECT_EQ(pin, "*UNDEF*");
    EXPECT_EQ(obj, "*UNDEF*");

    int o = 0, n = 0;
    EXPECT_EQ(SDB_map_cellpin_to_node("chip.core", "Q", &o, &n), 0);
    EXPECT_EQ(o, u7);
    EXPECT_EQ(n, 2);
    SDB_map_cellpin_to_node("chip.core", "D2", &o, &n);
    EXPECT_EQ(o, -1);
    EXPECT_EQ(n, -1);
    SDB_map_cellpin_to_node("chip.core.blk", "Q", &o, &n);
    EXPECT_EQ(o, -1) << "not a cell instance";
    int entry = 0;
    EXPECT_EQ(SDB_map_instance_to_obj("chip.core.blk.u7", &entry), e);
    EXPECT_EQ(entry, e);
    EXPECT_EQ(SDB_map_instance_to_obj("chip.core", &entry), -1);

    // The dump names every record.
    CONP_fast_add(sym("CORE"), sdb_prefix_word(e), 1, sym("D2"));
    {
        testsupport::ChangeDir cd(dir.path());
        CONP_dump();
    }
    EXPECT_EQ(testsupport::read_file(path("conp_tab.dump")),
              "* 0 C:CORE O:blk.u7, N:0, P:D1\n"
              "* 1 C:CORE O:blk.u7, N:2, P:Q\n"
              "* C:CORE O:chip.core.blk.u7, N:1, P:D2\n");
    CONP_init();
    testing::internal::CaptureStdout();
    {
        testsupport::ChangeDir cd(dir.path());
        CONP_dump();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "SDB WARNING: (FA-01-0041) The <design>.conp file is empty.\n");
    // A name word that names no entry ends the mapping.
    CONP_add(sym_tab, "CORE", "blk.u7", 0, "D1");
    prefix_tab[e].owner = -1;
    EXPECT_EXIT(SDB_map_node_to_cellpin(f, u7, pin, obj), ::testing::ExitedWithCode(255), "");
}

}  // namespace
