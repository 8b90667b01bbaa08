// Editing the current design by name.
//
// Names are resolved as the look-ups resolve them (sdb/lookup.h): a name
// with the hierarchy separator through the prefix table, any other as a
// symbol; nets also through the alias pairs.  New objects, nets and ports
// get the name as one symbol.
#pragma once

#include <string>

struct SdbPinDef;

// Pin lists: DynaArrays of SdbPinDef whose names are owned copies (a name
// may be null); free them with SDB_free_pin_list.
void SDB_free_pin_list(SdbPinDef** list);

// The object (net) of that name as the calls here take names: as
// SDB_lookup_obj (SDB_lookup_net) finds it, else, for a name with the
// hierarchy separator, the object (net) that has the whole name as one
// flat symbol, as the makers here give it.  -1 when there is none.
int sdb_nl_find_obj(const char* name);
int sdb_nl_find_net(const char* name);

// The file name of a design: name with ".sdb" added unless it ends in it.
std::string sdb_file_name(const std::string& name);
// The unedited working copy of the design that an edit saves as name
// (sdb_file_name): a hidden file beside it, named in the form of the
// temporary files of that design (runtime/output_file.h) with the fixed
// part "unedit", so that its name fits wherever the design's does, and a
// copy that a killed run left goes with the stale temporaries at the next
// save of the design.  The design's own name thus only ever holds an
// edited design.
std::string sdb_unedited_file_name(const std::string& name);

// Opening another design for a look at it: while an SdbLookAside lives,
// opening (and closing) a design reads and frees no alias file, and the
// end of its scope puts back the current design's alias path, the counts
// of the design opened last and the byte order of the current design.
class SdbLookAside {
public:
    SdbLookAside();
    ~SdbLookAside();
    SdbLookAside(const SdbLookAside&) = delete;
    SdbLookAside& operator=(const SdbLookAside&) = delete;

private:
    int task_;
    char* asn_;
    int objs_, nets_;
    bool big_;
};

// The ports of the design file at path as a pin list {name, direction,
// flags}, in their order; null when it cannot be opened.  The current
// design, its alias tables and alias path are left as they were.
SdbPinDef* SDB_load_port_from_sdb(const char* path);
// The ports of the design name (".sdb" added unless present) found along
// the search path; otherwise a copy of the pins of the primitive
// definition name; otherwise FA-01-0052 (WARNING) and null.
SdbPinDef* SDB_nl_load_port(const char* name);

// The class named name; when there is none, a new one: of type 0 with the
// ports of the design file name".sdb" found along the search path as its
// pins, else with the type and pins of the primitive definition name,
// else of type 0 without pins.
int SDB_nl_make_class(const char* name);
// The class named name, else one made from the primitive definition of
// that name; without a definition the run ends (FA-01-0051).
int SDB_nl_make_prim_class(const char* name);
// A new object (SDB_make_obj); when an object of that name exists:
// FA-02-0002 (ERROR), SDB_error_flagG set, and that object.
// SDB_error_flagG is cleared first.
int SDB_nl_make_obj(const char* name, int cls, int reserved, int n);
// The net of that name, else a new one without nodes.
int SDB_nl_make_net(const char* name);
// The port of that name, else a new one with its node on the net of the
// same name: at the head of an existing net, else as the first node of a
// new one.
int SDB_nl_make_port(const char* name, int direction);
// Gives object obj the flat name name: 1 when renamed; 0 when obj has
// that name already (FA-02-0003, WARNING) or another object has it
// (FA-02-0004, WARNING, SDB_error_flagG set).  The prefix entry of a
// hierarchical old name then names nothing.
int SDB_nl_rename_obj(int obj, const char* name);
// The name of a net joining nets a and b: "a_b", with a backslash in
// front when either is an escaped identifier (the one of b dropped), and
// with "[" and "]" made "_" when neither is; "_QDX" is appended while a
// net of that name exists.
std::string SDB_nl_make_netname(const char* a, const char* b);

// 1 when found and deleted, else 0.  SDB_nl_delete_node takes the node of
// obj_name's pin pin_name (obj_name "*" or null: of the port pin_name)
// off its net; the node stays with its object.
int SDB_nl_delete_node(const char* obj_name, const char* pin_name);
int SDB_nl_delete_port(const char* name);
int SDB_nl_delete_obj(const char* name);
int SDB_nl_delete_net(const char* name);
