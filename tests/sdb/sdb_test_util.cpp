#include "sdb_test_util.h"

#include <fstream>

namespace sdbtest {

namespace {

int sym(const char* s) { return SYM_setup(sym_tab, s); }

// Appends n words to one of the lists that have no maker.
void add_words(int32_t** list, std::initializer_list<int32_t> words) {
    for (int32_t w : words) {
        int i = DYNA_add(list, 1);
        (*list)[i] = w;
    }
}

}  // namespace

void build_sample() {
    // Net 0 is GND and net 1 is VCC: code that reads designs relies on
    // it, so every design made here makes them first.
    int gnd = SDB_make_net(sym("GND"), -1);
    int vcc = SDB_make_net(sym("VCC"), -1);
    ASSERT_EQ(gnd, 0);
    ASSERT_EQ(vcc, 1);

    SdbPinDef and_pins[] = {{const_cast<char*>("A"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("B"), SDB_DIR_INPUT, 0},
                            {const_cast<char*>("Y"), SDB_DIR_OUTPUT, 2}};
    int c_and = SDB_make_class(sym("AND2"), 1, -1, 0);
    SDB_make_pinlist(c_and, 3, and_pins);
    int c_inv = SDB_make_class(sym("INV"), 1, -1, 2);  // two pins without names
    pin_tab[class_tab[c_inv].first_pin + 1].direction = SDB_DIR_OUTPUT;

    // Ports out of direction order: saving sorts them.
    int p_y = SDB_make_port(sym("y"), SDB_DIR_OUTPUT, -1, 0x80000005u);
    int p_a = SDB_make_port(sym("a"), SDB_DIR_INPUT, -1, 0x00010203u);
    int p_io = SDB_make_port(sym("io"), SDB_DIR_BIDIR, -1, 0xC0u);
    int p_b = SDB_make_port(sym("b"), SDB_DIR_INPUT, -1, 0u);
    for (int p : {p_y, p_a, p_io, p_b}) SDB_make_port_list(port_tab[p].name);
    int n_a = SDB_make_net(sym("a"), -1);
    int n_b = SDB_make_net(sym("b"), -1);
    int n_y = SDB_make_net(sym("y"), -1);
    int n_io = SDB_make_net(sym("io"), -1);
    SDB_make_node(-1, p_a, n_a);
    SDB_make_node(-1, p_b, n_b);
    SDB_make_node(-1, p_y, n_y);
    SDB_make_node(-1, p_io, n_io);

    // top.blk.u2 and top.blk.w, and an entry standing for blk.
    int top = PREFIX_add(&prefix_tab, sym("top"), -1, sdb_prefix_word(sym("TOPCELL")));
    int blk = PREFIX_add(&prefix_tab, sym("blk"), top, -6);
    int e_u2 = PREFIX_add(&prefix_tab, sym("u2"), blk, SDB_OWNER_OBJECT + obj_count);
    int u2 = SDB_make_obj(sdb_prefix_word(e_u2), c_inv, 0, -1);
    int e_w = PREFIX_add(&prefix_tab, sym("w"), blk, net_count);
    int n_w = SDB_make_net(sdb_prefix_word(e_w), -1);
    PREFIX_add(&prefix_tab, sdb_prefix_word(blk), top, -1);
    int u1 = SDB_make_obj(sym("u1"), c_and, 0, -1);
    int u3 = SDB_make_obj(sym("u3"), -1, 0, -1);  // an object without a class

    int f1 = obj_tab[u1].first_node, f2 = obj_tab[u2].first_node;
    SDB_nl_connect_net(n_a, f1);
    SDB_nl_connect_net(vcc, f1 + 1);
    SDB_nl_connect_net(n_w, f1 + 2);
    SDB_nl_connect_net(n_w, f2);
    SDB_nl_connect_net(n_y, f2 + 1);
    SDB_nl_connect_net(gnd, SDB_make_node(u3, -1, -1));

    // Flag words with bits in every byte (object bit 2 stays clear: it has
    // no place in a big-endian file).
    obj_tab[u1].flags = 0xA5C301F3u;
    obj_tab[u2].flags = 0x0000FEF8u;
    net_tab[n_w].flags = 0x7FFFF0E1u;
    net_tab[vcc].flags = 0x05A0A0A0u;
    node_tab[f1].flags = 0x00000030u;
    node_tab[f2 + 1].flags = 0x81422418u;

    add_words(&xpin_tab, {7, -1, 3});
    add_words(&xnode_tab, {0x12345678});
    SDB_update(sdb);
    // Raw tables: four bytes per PROP record, 732 per S15 record.
    SdbTableSlot& prop = sdb->slot[SDB_PROP];
    int at = DYNA_add(&prop.data, 2);
    std::memcpy(static_cast<char*>(prop.data) + 4 * at, "\x01\x02\x03\x04\xF0\xE0\xD0\xC0", 8);
    SdbTableSlot& s15 = sdb->slot[SDB_S15];
    at = DYNA_add(&s15.data, 1);
    for (int i = 0; i < 732; ++i) static_cast<uint8_t*>(s15.data)[732 * at + i] = static_cast<uint8_t>(i * 7);
    SDB_update(sdb);

    int u = SDB_alloc_utab(sdb, "USR1", 3, 8);
    ASSERT_EQ(u, SDB_FIRST_USER_SLOT);
    std::memset(sdb->slot[u].data, 0x5A, 24);
    ALIAS_add("a_old", "a");
}

Snapshot snapshot(const SdbDatabase* db) {
    Snapshot s;
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        const SdbTableSlot& t = db->slot[k];
        s.count[static_cast<size_t>(k)] = t.data ? t.count : -1;
        if (t.data && t.size > 0) {
            auto* p = static_cast<const uint8_t*>(t.data);
            s.bytes[static_cast<size_t>(k)].assign(p, p + static_cast<size_t>(t.count) * static_cast<size_t>(t.size));
        }
    }
    for (int i = 0; i < SYM_count(db->symbols); ++i) {
        s.names.emplace_back(db->symbols->entries[i].name);
        s.links.emplace_back(db->symbols->entries[i].left, db->symbols->entries[i].right);
    }
    s.roots = std::vector<int>(db->symbols->roots.begin(), db->symbols->roots.end());
    s.version = db->version;
    return s;
}

void expect_equal(const Snapshot& a, const Snapshot& b) {
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        EXPECT_EQ(a.count[static_cast<size_t>(k)], b.count[static_cast<size_t>(k)]) << "slot " << k;
        EXPECT_EQ(a.bytes[static_cast<size_t>(k)], b.bytes[static_cast<size_t>(k)]) << "slot " << k;
    }
    EXPECT_EQ(a.names, b.names);
    EXPECT_EQ(a.links, b.links);
    EXPECT_EQ(a.roots, b.roots);
    EXPECT_EQ(a.version, b.version);
}

void expect_sentinels(const SdbDatabase* db) {
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        const SdbTableSlot& t = db->slot[k];
        if (!t.data || t.size <= 0) continue;
        auto* p = static_cast<const uint8_t*>(t.data) + static_cast<size_t>(t.count) * static_cast<size_t>(t.size);
        for (int i = 0; i < t.size; ++i) ASSERT_EQ(p[i], 0xFF) << "slot " << k;
    }
}

namespace {

uint32_t bit(uint32_t v, int i) { return (v >> i) & 1u; }

uint32_t mirror_bytes(uint32_t v) {
    uint32_t r = 0;
    for (int b = 0; b < 4; ++b)
        for (int i = 0; i < 8; ++i) r |= bit(v, 8 * b + i) << (8 * b + 7 - i);
    return r;
}

uint32_t mirror_field(uint32_t v, int lo, int w) {
    uint32_t r = v & ~(((1u << w) - 1) << lo);
    for (int i = 0; i < w; ++i) r |= bit(v, lo + i) << (lo + w - 1 - i);
    return r;
}

// The object flag word as a big-endian file holds it: the inverse of the
// reader's rearrangement of the first two bytes.
uint32_t obj_flags_to_big(uint32_t v) {
    uint32_t h = v & 0xFE00u;
    h |= bit(v, 0) << 7;
    h |= bit(v, 1) << 8;
    h |= bit(v, 3) << 6;
    h |= bit(v, 6) << 3;
    h |= bit(v, 4) << 5;
    h |= bit(v, 5) << 4;
    h |= bit(v, 7) << 1;
    h |= bit(v, 8) << 0;
    return (v & 0xFFFF0000u) | h;
}

uint32_t net_flags_to_big(uint32_t v) {
    v = mirror_field(v, 5, 8);
    v = mirror_field(v, 13, 8);
    v = mirror_field(v, 21, 2);
    v = mirror_field(v, 23, 4);
    return mirror_bytes(v);
}

uint32_t node_flags_to_big(uint32_t v) {
    uint32_t b4 = bit(v, 4), b5 = bit(v, 5);
    v = (v & ~0x30u) | b4 << 5 | b5 << 4;
    return mirror_bytes(v);
}

}  // namespace

std::string to_big_endian(const std::string& little, int platform) {
    std::string out = little;
    auto swap = [&](size_t at) { put32(out, at, __builtin_bswap32(get32(little, at))); };
    auto flags = [&](size_t at, uint32_t (*conv)(uint32_t)) { put32(out, at, conv(get32(little, at))); };
    swap(0);
    swap(8);
    for (int k = 0; k < SDB_NUM_SLOTS; ++k)
        for (int field : {1, 2, 4}) swap(slot_word(k, field));
    swap(image_word(165));
    // Symbol section: every word but the two meaningless head words.
    size_t p = kSymbols;
    swap(p);
    swap(p + 8);
    swap(p + 12);
    uint32_t nbuckets = get32(little, p + 12);
    p = kRoots;
    for (uint32_t i = 0; i < nbuckets; ++i, p += 4) swap(p);
    uint32_t count = get32(little, p);
    swap(p);
    p += 4;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t len = get32(little, p);
        swap(p);
        p += 4 + len;
        swap(p);
        swap(p + 4);
        p += 8;
    }
    for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k) {
        uint32_t n = get32(little, slot_word(k, 1));
        uint32_t size = get32(little, slot_word(k, 2));
        size_t off = get32(little, slot_word(k, 4));
        for (uint32_t i = 0; i < n; ++i) {
            size_t r = off + size * i;
            switch (k) {
                case SDB_PORT:
                    for (int w = 0; w < 3; ++w) swap(r + 4 * w);
                    flags(r + 12, mirror_bytes);
                    break;
                case SDB_OBJ:
                    swap(r);
                    swap(r + 4);
                    flags(r + 8, obj_flags_to_big);
                    break;
                case SDB_NET:
                    swap(r);
                    flags(r + 4, net_flags_to_big);
                    break;
                case SDB_NODE:
                    for (int w = 0; w < 4; ++w) swap(r + 4 * w);
                    flags(r + 16, node_flags_to_big);
                    break;
                case SDB_PROP:
                case SDB_S13:
                case SDB_S14:
                case SDB_S15: break;
                default:  // every word swapped
                    for (uint32_t w = 0; w < size / 4; ++w) swap(r + 4 * w);
            }
        }
    }
    if (platform) {
        for (int k = 0; k < SDB_NUM_STD_SLOTS; ++k)
            if (get32(little, slot_word(k, 1)) > 0)
                put32(out, slot_word(k, 4), __builtin_bswap32(get32(little, slot_word(k, 4)) + 1));
        out.insert(out.begin(), static_cast<char>(platform));
    }
    return out;
}

std::string saved_sample(const testsupport::TempDir& dir, const std::string& name, int extra_name) {
    std::string p = (dir.path() / name).string();
    SdbDatabase* db = SDB_open(p.c_str(), "w", 0);
    EXPECT_NE(db, nullptr);
    if (!db) return {};
    SDB_setup(db);
    build_sample();
    if (extra_name > 0) SYM_install(sym_tab, std::string(static_cast<size_t>(extra_name), 'z').c_str());
    EXPECT_EQ(SDB_save(db), 0);
    SDB_close(db, 0);
    return testsupport::read_file(p);
}

}  // namespace sdbtest
