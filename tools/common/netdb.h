// Design databases as the netlist tools see them: a design read whole
// into plain tables with its names as text (Design, read_design), and
// the builder that writes a new design file (DesignBuilder).
//
// Conventions the tools share:
// - Nets 0 and 1 are the constants, named "GND" and "VCC".
// - A class names its master; the master's ports, bit by bit in the order
//   of its port list, are the class's pins.  Class type 1 ("CELL") marks a
//   library cell, type 0 ("DESIGN") a module that has a design of its own.
// - The PROP table holds pairs of symbol ids, key then value: "MODULE"
//   gives the module's name (the file's base name may differ: an edited
//   copy keeps the name of its module), "TYPE" is "CELL" for a design
//   compiled as a library cell and "DESIGN" for any other.
// - The port list (XPOR) gives the ports in the order of the module's
//   header; the PORT table itself is kept sorted by direction.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ntool {

inline constexpr int kDirOutput = 0;
inline constexpr int kDirBidir = 1;
inline constexpr int kDirInput = 2;

inline constexpr int kTypeDesign = 0;
inline constexpr int kTypeCell = 1;

inline constexpr int kNetGnd = 0;
inline constexpr int kNetVcc = 1;
inline constexpr const char* kGndName = "GND";
inline constexpr const char* kVccName = "VCC";

inline constexpr const char* kPropModule = "MODULE";
inline constexpr const char* kPropType = "TYPE";
inline constexpr const char* kTypeCellName = "CELL";
inline constexpr const char* kTypeDesignName = "DESIGN";

const char* direction_name(int dir);  // "output", "inout", "input"

struct Pin {
    std::string name;
    int dir;
};

struct Class {
    std::string name;
    int type;
    std::vector<Pin> pins;
};

// Bit of a port's flags word: the port is an output that its library
// cell leaves floating at times (SDB_PORT_THREE_STATE of the database).
inline constexpr std::uint32_t kPortThreeState = 2;

struct Port {
    std::string name;
    int dir;
    int net;  // -1 when the port's node is on no net
    std::uint32_t flags = 0;  // as stored (kPortThreeState)
};

// Texts that stay where they are for as long as the arena lives: the
// names of a design read share a few large blocks instead of taking a
// string each, each name with a terminator behind it.  An arena moved
// keeps its texts where they are.
class TextArena {
public:
    // Room for n bytes that the caller fills, in a block of its own when
    // it is large.
    char* take(std::size_t n);
    // A copy of text, with a terminator behind it.
    std::string_view keep(std::string_view text);

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cur_ = nullptr;
    std::size_t left_ = 0;
};

struct Object {
    std::string_view name;  // full name, in the design's texts
    int cls;              // index into classes
    std::uint32_t first;  // conns[first .. first + pin count): net of each class pin, -1 open
};

struct Design {
    std::string path;
    std::string module;       // "MODULE" property, else the file's base name
    bool cell = false;        // "TYPE" property is "CELL"
    std::vector<Port> ports;  // in port-list order
    std::vector<Class> classes;
    std::vector<Object> objects;  // live objects, in table order
    std::vector<std::int32_t> conns;
    std::vector<std::string_view> nets;  // name of each net index ("" for a deleted net), in texts
    std::vector<bool> net_live;
    std::vector<std::pair<std::string, std::string>> aliases;  // the alias file's pairs
    TextArena texts;  // the names of the objects and nets

    // A module with contents drives a port from inside: it has objects,
    // a net that joins two nodes (two ports joined by an assignment), or
    // a port on a constant net.
    bool contents = false;
    bool has_contents() const { return contents; }
    // True when net n is the constant 0 (or 1) of the conventions above.
    bool is_gnd(int n) const { return n == kNetGnd && nets.size() > 0 && nets[0] == kGndName; }
    bool is_vcc(int n) const { return n == kNetVcc && nets.size() > 1 && nets[1] == kVccName; }
};

// Makes room in v for extra more elements: exactly what is asked the
// first time, at least half as much again when it grows later.
template <class V>
void grow_for(V& v, std::size_t extra) {
    const std::size_t need = v.size() + extra;
    if (need > v.capacity()) v.reserve(std::max(need, v.capacity() + v.capacity() / 2));
}

// Reads a design file whole.  False with a message in err when it cannot
// be opened (the database prints its own coded message for a damaged
// file) or holds records that point out of their tables.
bool read_design(const std::string& path, Design& d, std::string& err);

// "<dir>/<name>" without a "./" in front for dir ".".
std::string join_path(const std::string& dir, const std::string& name);
// The base name of a path without directory and extension.
std::string base_name(const std::string& path);
// The directory of a path: "." for a bare name, "/" for a name at the root.
std::string directory_of(const std::string& path);

// Finds "<name>.sdb" in the directories given, then along the search
// path; "" when it is nowhere.
std::string find_design(const std::string& name, const std::vector<std::string>& dirs);

// The design file that a damaged-file refusal of the design at path is
// to blame on: a module or cell below it whose own ports hold a name that
// names nothing ("*UNDEF*", the escaped Verilog name \*UNDEF* ), so that
// each design above it holds a class pin of that name and is refused as
// damaged too.  The designs below are found as find_design finds them
// (dirs first); "" when none of them is damaged so.  It prints nothing.
std::string design_with_damaged_ports_below(const std::string& path, const std::vector<std::string>& dirs);

// A new design file, built in memory and written by save().
//
// Names are given as text and become symbols; segments of hierarchical
// names are entries of the prefix tree.  A name word is a symbol handle
// (0 or more, from name()) or a prefix word (from prefix_word()).
class DesignBuilder {
public:
    // A new design holds the constant nets GND (0) and VCC (1).
    DesignBuilder();
    ~DesignBuilder();
    DesignBuilder(const DesignBuilder&) = delete;
    DesignBuilder& operator=(const DesignBuilder&) = delete;

    // Room for the names, nets, objects and connections a caller knows it
    // will add, so that the tables grow once instead of doubling.  A
    // table too small grows at least by half, so that callers that ask
    // piece by piece still cost linear time.
    void reserve(std::size_t names, std::size_t nets, std::size_t objects, std::size_t conns,
                 std::size_t prefixes = 0);

    // A symbol handle for a text: the same handle for the same text.
    std::int32_t name(std::string_view text);
    // A new handle without looking for the text among the earlier ones,
    // for callers that give each text once; a text given twice still
    // becomes one symbol.
    std::int32_t new_name(std::string_view text);
    // As new_name, for a text with a terminator behind it that stays
    // where it is, unchanged, until save() returns: the design's symbol
    // table takes the text where it lies instead of a copy.
    std::int32_t kept_name(const char* text);
    // Prefix entries: a level of the hierarchy (its owner the class-name
    // symbol cls_name, -1 for none), or the last segment of an object's
    // or a net's name (owner set when the object or net is made).
    std::int32_t add_level(std::int32_t segment, std::int32_t parent, std::int32_t cls_name);
    std::int32_t add_leaf(std::int32_t segment, std::int32_t parent);
    static std::int32_t prefix_word(std::int32_t entry) { return -6 - entry; }

    int add_class(std::int32_t name, int type, const std::vector<std::pair<std::int32_t, int>>& pins);
    // A net after GND and VCC.
    int add_net(std::int32_t name_word);
    int add_port(std::int32_t name, int dir, int net, std::uint32_t flags = 0);
    // nets holds the net of each pin of the class (-1 open).
    int add_object(std::int32_t name_word, int cls, const std::int32_t* nets);
    void add_port_list(std::int32_t name) { xport_.push_back(name); }
    void set_property(std::string_view key, std::string_view value);
    void add_alias(std::string first, std::string second);

    int class_pin_count(int cls) const { return classes_[static_cast<std::size_t>(cls)].count; }
    // (After save(), the counts it saved.)
    int net_count() const { return static_cast<int>(nets_.empty() ? saved_nets_ : nets_.size()); }
    int object_count() const { return static_cast<int>(objects_.empty() ? saved_objects_ : objects_.size()); }

    // Writes the design to path (through a temporary file in its
    // directory, with the alias file beside it); an alias file left from
    // an earlier design of that name is removed when this one has none.
    // Saving is the builder's last step: it gives up its texts and
    // records as it moves them into the database (the counts stay).
    bool save(const std::string& path, std::string& err);

private:
    struct ClassRec {
        std::int32_t name;
        int type;
        std::uint32_t first_pin;
        int count;
    };
    struct PrefixRec {
        std::int32_t name;
        std::int32_t parent;
        std::int32_t owner;  // net or object owner word, or the class-name handle of a level
        bool level;
    };
    // An object's connections follow those of the object before it in
    // conns_.
    struct ObjectRec {
        std::int32_t name;
        int cls;
    };
    struct PortRec {
        std::int32_t name;
        int dir;
        int net;
        std::uint32_t flags;
    };

    // Makes the texts symbols and gives each handle its symbol id.
    void make_symbols();

    // The symbol table of the design, made with the builder: it keeps the
    // texts from the start, so that they are stored once.
    void* symbols_ = nullptr;
    // handle -> text with its terminator, in the symbol table's storage
    // or kept by the caller
    std::vector<const char*> texts_;
    // Open-addressing index of the texts given to name(): the hash in the
    // high word, the handle + 1 in the low word, 0 when empty.
    std::vector<std::uint64_t> slots_;
    std::size_t indexed_ = 0;
    std::vector<std::int32_t> sym_of_;  // handle -> symbol id, made by save()
    std::vector<PrefixRec> prefixes_;
    std::vector<ClassRec> classes_;
    std::vector<std::pair<std::int32_t, int>> pins_;
    std::vector<std::int32_t> nets_;  // never empty before save(): GND and VCC
    std::vector<PortRec> ports_;
    std::vector<ObjectRec> objects_;
    std::vector<std::int32_t> conns_;
    std::vector<std::int32_t> xport_;
    std::vector<std::pair<std::int32_t, std::int32_t>> props_;
    std::vector<std::pair<std::string, std::string>> aliases_;
    std::size_t saved_nets_ = 0, saved_objects_ = 0;
};

}  // namespace ntool
