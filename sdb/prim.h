// Primitives and connection-pin tables.
//
// The primitive definitions give a primitive class its type code and
// pins: those of a primitive file ("primitive.def") and the built-in gate
// classes.  The connection-pin table, kept in a side file
// "<design>.conp", maps the nodes of flattened cell instances back to the
// pins of their cells.
#pragma once

#include <cstdint>
#include <string>

struct SdbPinDef;
struct SymbolTable;

// ---------------------------------------------------------------------
// Class types: a type's code is its position among the 192 names.  Codes
// 0-15 are design-level types ("DESIGN", "CELL" ...), 16 and above
// primitives; unnamed codes hold "N/A" (136 and 184 "N/AT").
inline constexpr int SDB_NUM_CLASS_TYPES = 192;
extern const char* const sdb_valid_class_type[SDB_NUM_CLASS_TYPES];

// ---------------------------------------------------------------------
// Primitive definitions.

struct PrimitiveDef {
    char* name;       // owned
    int32_t type;     // class-type code
    SdbPinDef* pins;  // DynaArray of pin definitions with owned names (a name may be null)
    char* attr;       // owned: " key value" pairs, null when none
};

// The table, sorted by name without regard to case; null until loaded.
extern PrimitiveDef* sdb_primitives;

// Loads the primitive file name, found along the search path (or, for a
// name with a directory, where it names), then the built-in definitions;
// a definition of the file takes precedence over a built-in one of the
// same name.  Replaces the table loaded before and returns it; null, the
// table left as it was, when the file is not found or cannot be read.
//
// A line: name, type, then pins.  A pin token is "key:value" (or
// "key=value"), or a bare name taking the direction of the last one-letter
// key: "o" output, "t" three-state output, "b" bidirectional, "i" input,
// "c" clock input.  Other keys with a value become attributes.  A value
// "name[n]" gives the pins name0 .. name(n-1).  A token beginning with a
// backslash continues the definition on the next line, where the last
// key still holds.  A bare pin before any key ends the run (FA-01-0053);
// a missing type is warned about (FA-02-0006) and an unknown one
// reported ("Primitive `%s' is not supported."), and the line is left out.
PrimitiveDef* SDB_load_primitives(const char* name);
void SDB_free_primitives();
// Position of the definition named name (without regard to case), -1 when none.
int SDB_lookup_primitive(const char* name);
// The same for the text of symbol id sym of the current design.
int SDB_search_primitive(int sym);
// Comparison of two PrimitiveDef records by name, without regard to case.
int primitives_comp(const void* a, const void* b);
// dst = the value of the attribute key of definition prim, "" when none.
void SDB_get_prim_attr(int prim, const char* key, std::string& dst);

// ---------------------------------------------------------------------
// Connection pins.

struct ConpRecord {
    int32_t cell;    // symbol id of the cell's class name
    int32_t object;  // symbol id of the object's name inside the cell, or -6 - p for prefix entry p
    int32_t node;    // the node's position among the object's nodes
    int32_t pin;     // symbol id of the cell pin the node stands for
};

extern ConpRecord* conp_tab;  // DynaArray, or null
extern int conp_count;

// Empties the connection-point table, ready for CONP_add.
void CONP_init();
// The three names made symbols of symbols; the position of an identical
// record, else of the appended one.
int CONP_add(SymbolTable* symbols, const char* cell, const char* object, int node, const char* pin);
// Appends the four words without checks.
int CONP_fast_add(int cell, int object, int node, int pin);
// Reads a ".conp" file into the table (in the byte order of the design
// opened last); any failure leaves the table null and the count 0.
void CONP_read(const char* path);
// Writes the table (through a temporary file renamed when complete);
// nothing when it is empty and no file exists.  A count that is not the
// table's (FA-01-0040) or a file that cannot be written (FA-01-0020)
// ends the run.
void CONP_write(const char* path);
// Appends the records of another ".conp" file whose ids are those of
// file_symbols, as ids of symbols, leaving out records already present.
// Object words of prefix entries are carried as they are.
void CONP_merge(const char* path, SymbolTable* symbols, SymbolTable* file_symbols);
// Writes the table as text to "conp_tab.dump" in the working directory.
void CONP_dump();
// The first record of the cell; the last record of the cell with that
// pin, object, or object and node; -1 when none.
int CONP_lookup_cell(int cell);
int CONP_lookup_cp(int cell, int pin);
int CONP_lookup_co(int cell, int object);
int CONP_lookup_con(int cell, int object, int node);

// For node of object obj of the current design: 1 when obj's name is
// hierarchical and the table maps the node, with pin_text the cell pin's
// name and obj_text the cell instance's full name; otherwise 0, with the
// node's own pin name and the object's name ("*UNDEF*" for none).
int SDB_map_node_to_cellpin(int node, int obj, std::string& pin_text, std::string& obj_text);
// The object below cell instance instance (a full hierarchical name) and
// the position among its nodes that stand for the cell's pin cell_pin;
// both -1 when not found.  Returns 0.
int SDB_map_cellpin_to_node(const char* instance, const char* cell_pin, int* obj, int* node);
// The prefix entry that ends path as an object's name, also in *entry;
// -1 when none.
int SDB_map_instance_to_obj(const char* path, int* entry);
